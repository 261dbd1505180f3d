#include "tools/catalogues/star_catalogues.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "skydata/skydata_writer.h"
#include "skydata/star.h"
#include "skydata/star_designations.h"
#include "tools/catalogues/catalogue_tree.h"
#include "tools/catalogues/list_fields.h"
#include "tools/catalogues/record_encoding.h"
#include "tools/catalogues/record_list.h"
#include "tools/catalogues/tycho_stars.h"
#include "engine/angles.h"
#include "skydata/catalog_numbers.h"

namespace catalogues {
namespace {

constexpr double kMasToRadians = kDegree / 3600000.0;
constexpr double kNaked = 6.5;  // stars this bright stay in the star file's root
// Index ids every star file announces: names, Bayer, Flamsteed, variable
// names, HR, discoverer designations (loaded at launch), then the
// catalogues the search may ask for.
constexpr int kStarIndexes[] = {0, 1, 2, 3, 4, 21, 5, 6, 11, 23, 24};

// One star of the list before it becomes an object.
struct ListedStar {
  int file = 0;
  int line = 0;
  StarValues values;
  double distance = 0.0;  // parsecs; infinite when unknown
};

bool parseStar(const ListRecord& record, std::string_view listName, ListedStar& star,
               std::string& error) {
  const auto& f = record.fields;
  auto damaged = [&](const char* what) {
    error = lineError(listName, record.line, what);
    return false;
  };
  if (f.size() != 15) return damaged("expected 15 fields");
  std::int64_t fileNumber = 0, type = 0;
  double ra, dec, distance, pmra, pmdec, visual, blue;
  if (!parseInteger(f[1], fileNumber) || (fileNumber != 2 && fileNumber != 3 && fileNumber != 6))
    return damaged("unknown star file");
  if (!parseInteger(f[2], type) || type < 1 || type > 9) return damaged("unknown star type");
  if (!parseDouble(f[3], ra) || !parseDouble(f[4], dec) || ra < 0.0 || ra >= 360.0 ||
      std::fabs(dec) > 90.0)
    return damaged("damaged position");
  const double none = std::numeric_limits<double>::infinity();
  if (!optionalNumber(f[5], none, distance) || !optionalNumber(f[6], none, pmra) ||
      !optionalNumber(f[7], none, pmdec) || !optionalNumber(f[8], none, visual) ||
      !optionalNumber(f[9], none, blue) || !(distance > 0.0))
    return damaged("damaged distance, motion or magnitude");

  StarValues v;
  v.type = static_cast<int>(type);
  v.ra = ra * kDegree;
  v.dec = dec * kDegree;
  v.distance = static_cast<float>(distance);
  if (std::isfinite(pmra) && std::isfinite(pmdec) && std::cos(v.dec) > 1e-9) {
    v.raRate = static_cast<float>(pmra * kMasToRadians / std::cos(v.dec));
    v.decRate = static_cast<float>(pmdec * kMasToRadians);
  }
  v.visual = visual;
  v.blue = blue;
  v.spectral = f[10] == "-" ? "" : f[10];
  for (const std::string& text : splitField(f[11], '|')) {
    std::int64_t numbers[4];
    if (parseStarDesignation(text.c_str(), v.type, numbers, 1) < 1)
      return damaged(("designation not understood: " + text).c_str());
    v.numbers.push_back(numbers[0]);
  }
  v.names = splitField(f[12], '|');
  std::vector<std::string> variable = splitField(f[13], ',');
  if (!variable.empty()) {
    double period, epoch;
    if (variable.size() != 5 || !optionalNumber(variable[0], none, v.maximum) ||
        !optionalNumber(variable[1], none, v.minimum) ||
        !optionalNumber(variable[2], none, period) || !optionalNumber(variable[3], none, epoch))
      return damaged("damaged variable-star values");
    v.period = static_cast<float>(period);
    v.epoch = static_cast<float>(epoch - 2451545.0);
    v.variableType = variable[4] == "-" ? "" : variable[4];
  }
  std::vector<std::string> pair = splitField(f[14], ',');
  if (!pair.empty()) {
    double separation, angle;
    if (pair.size() != 2 || !optionalNumber(pair[0], none, separation) ||
        !optionalNumber(pair[1], none, angle))
      return damaged("damaged double-star values");
    v.separation = static_cast<float>(separation * kDegree / 3600.0);
    v.positionAngle = static_cast<float>(angle * kDegree);
  }
  star.file = static_cast<int>(fileNumber);
  star.line = record.line;
  star.values = std::move(v);
  star.distance = distance;
  return true;
}

// The catalogue entry of a star: its object, and its place in the file's
// tree (see catalogue_tree.h).
bool makeEntry(const ListedStar& star, std::string_view listName, CatalogueEntry& entry,
               std::string& error) {
  auto damaged = [&](const char* what) {
    error = lineError(listName, star.line, what);
    return false;
  };
  const StarValues& v = star.values;
  const int file = star.file;
  const double distance = star.distance, visual = v.visual, blue = v.blue;
  entry.object = makeStar(v, error);
  if (!entry.object) return damaged(error.c_str());
  entry.names = v.names;
  entry.numbers = v.numbers;
  const double* unit = static_cast<CStar&>(*entry.object).getCatalogVector(nullptr);
  float magnitude = static_cast<float>(std::isfinite(visual) ? visual : blue);
  if (file == 2 && !std::isfinite(distance)) {
    // A naked-eye star whose parallax the sources lack: the root region,
    // where the chart always looks, holds it without a place in space.
    if (!(magnitude <= kNaked)) return damaged("a faint star of the star file needs a distance");
    for (int k = 0; k < 3; ++k) entry.place[k] = unit[k];
    entry.order = magnitude;
    entry.rangeMagnitude = kNone;
    entry.inRoot = true;
  } else if (file == 2) {
    for (int k = 0; k < 3; ++k) entry.place[k] = unit[k] * distance;
    float absolute = magnitude - 5.0f * (std::log10(static_cast<float>(distance)) - 1.0f);
    entry.order = absolute;
    entry.rangeMagnitude = absolute;
    entry.inRoot = magnitude <= kNaked;
  } else {
    for (int k = 0; k < 3; ++k) entry.place[k] = unit[k];
    entry.order = std::isfinite(magnitude) ? magnitude : kNone;
    entry.rangeMagnitude = magnitude;
  }
  return true;
}

// Stars by place, in cells of one arcminute of declination and of right
// ascension.
class PlaceIndex {
 public:
  void add(std::size_t item, double raDegrees, double decDegrees) {
    cells_[key(cellOf(decDegrees, 90.0), cellOf(raDegrees, 0.0))].push_back(item);
  }
  // Calls visit(item) for every item within a cell of the place.
  template <typename Visit>
  void near(double raDegrees, double decDegrees, Visit visit) const {
    const int row = cellOf(decDegrees, 90.0), column = cellOf(raDegrees, 0.0);
    // Near the poles an arcminute of arc spans many cells of right ascension.
    const double cosine = std::cos(std::fmin(std::fabs(decDegrees) + 1.0 / 60.0, 90.0) * kDegree);
    const int span = cosine > 1.0 / 60.0 ? static_cast<int>(std::ceil(1.0 / cosine)) : kColumns / 2;
    for (int r = row - 1; r <= row + 1; ++r)
      for (int c = column - span; c <= column + span; ++c) {
        auto found = cells_.find(key(r, ((c % kColumns) + kColumns) % kColumns));
        if (found != cells_.end())
          for (std::size_t item : found->second) visit(item);
      }
  }

 private:
  static constexpr int kColumns = 360 * 60;
  static int cellOf(double degrees, double offset) {
    return static_cast<int>(std::floor((degrees + offset) * 60.0));
  }
  static std::int64_t key(int row, int column) {
    return static_cast<std::int64_t>(row) * kColumns + column;
  }
  std::unordered_map<std::int64_t, std::vector<std::size_t>> cells_;
};

double separationArcsec(double ra1, double dec1, double ra2, double dec2) {
  double a[3], b[3];
  directionOf(ra1, dec1, a);
  directionOf(ra2, dec2, b);
  return vectorSeparation(a, b) / kDegree * 3600.0;
}

int magnitudeBin(double visual) {
  return std::clamp(static_cast<int>(std::floor(visual * 2.0)) + 4, 0, kTychoBins - 1);
}

// The Tycho-2 list against the star list, so that the chart, which draws
// the three files together, shows each star once:
//   - a row whose HIP number a star already carries is that star;
//   - a row within 1" of a star of the star or guide-star file with a
//     magnitude within 1 is that star (which keeps its place and motion);
//   - a row within 2" of a star of the list's Tycho file with a magnitude
//     within 1 gives that star its Tycho designation (the list's star keeps
//     its names and variable data);
//   - a row within 1" of any star already written, whatever the
//     magnitudes, is that star: Tycho-2 resolves no pair closer than about
//     0.8", and its "-2" entries beside bright stars include spurious ones.
//     Only a pair the double-star list (WDS) gives at that separation stays
//     two stars;
//   - every other row becomes a star of the Tycho file.
// The list's Tycho-file stars stay (those no row matched too).
class TychoMerge {
 public:
  TychoMerge(std::vector<ListedStar>& listed, std::vector<ListedStar>& tychoStars,
             TychoReport& report)
      : listed_(listed), tychoStars_(tychoStars), report_(report), taken_(listed.size(), false) {
    report_ = {};
    for (std::size_t i = 0; i < listed.size(); ++i) {
      const StarValues& v = listed[i].values;
      (listed[i].file == 6 ? listedTycho_ : known_).add(i, v.ra / kDegree, v.dec / kDegree);
      for (std::int64_t n : v.numbers)
        if (catalogOfNumber(n) == kHipparcosCatalogue) hipHolders_.emplace(n, i);
    }
  }

  bool add(const TychoRow& row) {
    const int bin = magnitudeBin(row.visual);
    report_.rows[bin]++;
    const std::int64_t hip = row.hip ? makeCatalogNumber(kHipparcosCatalogue, row.hip) : 0;
    if (auto holder = hipHolders_.find(hip); hip && holder != hipHolders_.end()) {
      if (holder->second < listed_.size() && giveNumber(holder->second, row.number))
        report_.merged[bin]++;
      else
        report_.byHip[bin]++;
      return true;
    }
    if (similarKnownStar(row)) {
      report_.byPlace[bin]++;
      return true;
    }
    if (const std::size_t match = similarListedTychoStar(row); match < listed_.size()) {
      giveNumber(match, row.number);
      report_.merged[bin]++;
      return true;
    }
    if (ListedStar* cover = coveringStar(row)) {
      // A Tycho-file star answers for the row's designation too.
      std::vector<std::int64_t>& numbers = cover->values.numbers;
      if (cover->file == 6 && numbers.size() < kMaxStarNumbers) numbers.push_back(row.number);
      report_.covered[bin]++;
      return true;
    }
    write(row, hip);
    report_.written[bin]++;
    return true;
  }

 private:
  static constexpr double kSameStarArcsec = 1.0, kListedTychoArcsec = 2.0, kSimilarMagnitude = 1.0;
  // Tycho-2's resolution, and how far a measured pair may lie from the
  // separation the double-star list gives it.
  static constexpr double kResolvedArcsec = 0.8, kListedSeparationArcsec = 0.5;
  static constexpr int kHipparcosCatalogue = 11;

  static double magnitudeOf(const StarValues& v) {
    return std::isfinite(v.visual) ? v.visual : v.blue;
  }
  static double arcsecFrom(const TychoRow& row, const StarValues& v) {
    return separationArcsec(row.ra, row.dec, v.ra / kDegree, v.dec / kDegree);
  }

  // A listed Tycho star takes the first row's number that finds it.
  bool giveNumber(std::size_t i, std::int64_t number) {
    if (listed_[i].file != 6 || taken_[i]) return false;
    taken_[i] = true;
    std::vector<std::int64_t>& numbers = listed_[i].values.numbers;
    numbers.insert(numbers.begin(), number);
    return true;
  }

  bool similarKnownStar(const TychoRow& row) const {
    bool same = false;
    known_.near(row.ra, row.dec, [&](std::size_t i) {
      const StarValues& v = listed_[i].values;
      same = same || (arcsecFrom(row, v) < kSameStarArcsec &&
                      std::fabs(magnitudeOf(v) - row.visual) < kSimilarMagnitude);
    });
    return same;
  }

  std::size_t similarListedTychoStar(const TychoRow& row) const {
    std::size_t match = listed_.size();
    double best = kListedTychoArcsec;
    listedTycho_.near(row.ra, row.dec, [&](std::size_t i) {
      const StarValues& v = listed_[i].values;
      const double d = arcsecFrom(row, v);
      if (!taken_[i] && d < best && std::fabs(magnitudeOf(v) - row.visual) < kSimilarMagnitude) {
        match = i;
        best = d;
      }
    });
    return match;
  }

  // The nearest star already written within 1", unless the double-star
  // list gives the two as a pair at that separation.
  ListedStar* coveringStar(const TychoRow& row) {
    ListedStar* cover = nullptr;
    double best = kSameStarArcsec;
    auto check = [&](ListedStar& star) {
      const double d = arcsecFrom(row, star.values);
      const float listed = star.values.separation;
      const bool listedPair = d >= kResolvedArcsec && std::isfinite(listed) &&
                              std::fabs(listed / kDegree * 3600.0 - d) < kListedSeparationArcsec;
      if (d < best && !listedPair) {
        cover = &star;
        best = d;
      }
    };
    auto listedStar = [&](std::size_t i) { check(listed_[i]); };
    known_.near(row.ra, row.dec, listedStar);
    listedTycho_.near(row.ra, row.dec, listedStar);
    written_.near(row.ra, row.dec, [&](std::size_t i) { check(tychoStars_[i]); });
    return cover;
  }

  void write(const TychoRow& row, std::int64_t hip) {
    ListedStar star;
    star.file = 6;
    star.line = row.line;
    star.distance = std::numeric_limits<double>::infinity();
    StarValues& v = star.values;
    v.type = 1;
    v.numbers.push_back(row.number);
    if (hip) {
      v.numbers.push_back(hip);
      hipHolders_.emplace(hip, listed_.size() + tychoStars_.size());
    }
    v.ra = row.ra * kDegree;
    v.dec = row.dec * kDegree;
    if (!std::isnan(row.pmra) && std::cos(v.dec) > 1e-9) {
      v.raRate = static_cast<float>(row.pmra * kMasToRadians / std::cos(v.dec));
      v.decRate = static_cast<float>(row.pmdec * kMasToRadians);
    }
    // The record keeps hundredths (truncated): the nearest one is stored.
    auto hundredths = [](double magnitude) { return std::round(magnitude * 100.0) / 100.0; };
    v.visual = hundredths(row.visual);
    if (!std::isnan(row.colour)) v.blue = hundredths(row.visual + row.colour);
    written_.add(tychoStars_.size(), row.ra, row.dec);
    tychoStars_.push_back(std::move(star));
  }

  std::vector<ListedStar>& listed_;
  std::vector<ListedStar>& tychoStars_;
  TychoReport& report_;
  std::vector<bool> taken_;
  PlaceIndex known_, listedTycho_, written_;
  // HIP number -> its star: an index of the list, or the list's size plus
  // the index of a written row.
  std::unordered_map<std::int64_t, std::size_t> hipHolders_;
};

bool mergeTychoStars(const std::string& path, std::vector<ListedStar>& listed,
                     std::vector<ListedStar>& tychoStars, TychoReport& report,
                     std::string& error) {
  TychoMerge merge(listed, tychoStars, report);
  return readTychoStars(path, [&](const TychoRow& row) { return merge.add(row); }, error);
}

bool writeCatalogue(std::vector<CatalogueEntry>& entries, bool space, const std::string& path,
                    int& count, std::string& error) {
  SkyDataWriter writer;
  for (int id : kStarIndexes) writer.addIndex(static_cast<std::uint64_t>(id));
  TreeShape shape{256, 8};
  count = space ? writeSpaceTree(entries, shape, writer, error)
                : writeSkyTree(entries, shape, writer, error);
  if (count < 0) {
    error = path + ": " + error;
    return false;
  }
  if (!writer.writeFile(path)) {
    error = path + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace

bool buildStarCatalogues(std::string_view list, std::string_view listName,
                         const std::string& folder, StarCounts& counts, std::string& error) {
  return buildStarCatalogues(list, listName, "", folder, counts, error);
}

bool buildStarCatalogues(std::string_view list, std::string_view listName,
                         const std::string& tychoPath, const std::string& folder,
                         StarCounts& counts, std::string& error) {
  std::vector<ListRecord> records;
  if (!parseRecordList(list, "stars", listName, "S", records, error)) return false;
  std::vector<ListedStar> listed;
  listed.reserve(records.size());
  for (const ListRecord& record : records) {
    if (record.fields[0] != "S") {
      error = lineError(listName, record.line, "unknown record \"" + record.fields[0] + "\"");
      return false;
    }
    ListedStar star;
    if (!parseStar(record, listName, star, error)) return false;
    listed.push_back(std::move(star));
  }
  std::vector<ListedStar> tychoStars;
  if (!tychoPath.empty() &&
      !mergeTychoStars(tychoPath, listed, tychoStars, counts.tychoReport, error))
    return false;
  std::vector<CatalogueEntry> stars, tycho, guide;
  for (const std::vector<ListedStar>* group : {&listed, &tychoStars}) {
    for (const ListedStar& star : *group) {
      CatalogueEntry entry;
      if (!makeEntry(star, group == &listed ? listName : std::string_view(tychoPath), entry, error))
        return false;
      (star.file == 2 ? stars : star.file == 6 ? tycho : guide).push_back(std::move(entry));
    }
  }
  return writeCatalogue(stars, true, folder + "/Stars.skydata", counts.stars, error) &&
         writeCatalogue(tycho, false, folder + "/TychoStars.skydata", counts.tycho, error) &&
         writeCatalogue(guide, false, folder + "/GuideStars.skydata", counts.guide, error);
}

}  // namespace catalogues
