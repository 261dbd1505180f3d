// The search filter every object search of the database runs through: its
// fields and defaults, the chart the position tests and the sort read, and
// the sort modes. The searches themselves are members of CSkyDatabase
// (sky_database.h); their code is in search_filter.cpp.
#pragma once

#include <cstdint>
#include <limits>

class CSkyDatabase;
class CSkyObject;

// The filter a database carries. The type range and the eight ranges are
// written directly by their owner; the flags and keys through the
// database's setters. Ranges hold their lower bound first.
struct SearchFilter {
  static constexpr float kInfinity = std::numeric_limits<float>::infinity();

  bool caseSensitive = false;
  bool exactMatch = false;
  bool substringMatch = false;
  bool allowDuplicates = true;
  const char* nameKey = nullptr;  // borrowed
  std::int64_t catalogNumberKey = 0;
  std::int32_t lowestType = 1, highestType = 42;
  float distance[2] = {0, kInfinity};  // parsecs
  float magnitude[2] = {-kInfinity, kInfinity};
  float rightAscension[2] = {-kInfinity, kInfinity};  // radians
  float declination[2] = {-kInfinity, kInfinity};
  float size[2] = {0, kInfinity};  // apparent size, radians
  float altitude[2] = {-kInfinity, kInfinity};
  float azimuth[2] = {-kInfinity, kInfinity};
  float separation[2] = {0, kInfinity};  // double stars, radians
  std::int32_t constellation = 0;        // 0: any
  std::uint32_t extraWords[2] = {0, 0xFFFFFFFFu};
  bool categories[256];  // satellite categories shown

  SearchFilter() {
    for (bool& shown : categories) shown = true;
  }
};

// The chart a search reads positions, frames and rise and set times from:
// recorded by a database's sortSearchResults, forgotten when the chart or
// the database ends. The chart's engine implements it.
class CSkySearchChart {
 public:
  CSkySearchChart() = default;
  CSkySearchChart(const CSkySearchChart&) = delete;
  CSkySearchChart& operator=(const CSkySearchChart&) = delete;

  // Computes the object's position (and whatever else the chart keeps of
  // it) at the chart's date and place.
  virtual void searchUpdatePosition(CSkyObject* object) = 0;
  // A direction of the chart's working frame in the equator-of-date frame
  // and in the horizon frame.
  virtual void searchToEquatorial(const double in[3], double out[3]) const = 0;
  virtual void searchToHorizon(const double in[3], double out[3]) const = 0;
  // The object's rise and set (Julian dates) around the chart's date; the
  // chart and the object are left as they were.
  virtual void searchRiseAndSet(CSkyObject* object, double* rise, double* set) = 0;

 protected:
  // Makes the database that recorded the chart forget it.
  virtual ~CSkySearchChart();

 private:
  friend class CSkyDatabase;
  CSkyDatabase* recordedBy_ = nullptr;
};

// Sort modes of sortSearchResults, all ascending.
enum SearchSortMode {
  kSortNone = 0,
  kSortName = 1,
  kSortCatalogNumber = 2,
  kSortNumberedFirst = 3,
  kSortMagnitude = 4,
  kSortDistance = 5,
  kSortRightAscension = 6,
  kSortDeclination = 7,
  kSortAzimuth = 8,
  kSortAltitude = 9,
  kSortConstellation = 10,
  kSortRiseTime = 11,
  kSortSetTime = 12,
  kSortRightAscensionAgain = 13,
  kSortMeteorShowerDate = 14,
};

// Gaia source identifiers: the HEALPix pixel (nside 4096, nested) is the
// identifier divided by 2^35; the search radius around its centre.
inline constexpr std::int64_t kGaiaPixelDivisor = 34359738368LL;
inline constexpr long kGaiaPixelSide = 4096;
inline constexpr std::int64_t kGaiaPixelCount = 12LL * 4096 * 4096;
inline constexpr double kGaiaSearchRadius = 0.001533980787885254;
// Position-coded deep-sky numbers (catalogues 141 and 142): one arcsecond.
inline constexpr double kPositionCodeSearchRadius = 4.848136811094136e-06;

// Right ascension and declination (radians) of a catalogue-141 or -142
// number's entry, HHMMSSss S DDMMSSs; false for any other catalogue.
bool positionOfCodedNumber(std::int64_t number, double* rightAscension, double* declination);
