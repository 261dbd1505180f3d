// Records of the catalogue's object classes, built from source values and
// handed to the class's own reader, which must take every byte: the class
// then writes the record into the catalogue, so a builder that disagreed
// with the classes about a record would fail here rather than in the
// program.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "skydata/sky_object.h"

namespace catalogues {

inline constexpr float kNone = std::numeric_limits<float>::infinity();

// One star (type codes 1-9) or deep-sky object (10-29): the star part.
struct StarValues {
  int type = 1;
  std::vector<std::int64_t> numbers;  // at most 16 are kept
  std::vector<std::string> names;     // at most 16 are kept
  double ra = 0.0, dec = 0.0;         // J2000, radians
  float distance = kNone;             // parsecs
  float raRate = kNone, decRate = kNone;  // radians per Julian year (d alpha/dt, d delta/dt)
  float radialVelocity = kNone;
  double visual = kNone, blue = kNone;    // magnitudes
  std::string spectral;               // spectral type, or a deep-sky morphology
  // Variable stars (codes 4-7).
  double maximum = kNone, minimum = kNone;
  float period = kNone;               // days
  float epoch = kNone;                // days from JD 2451545.0
  std::string variableType;
  // Double stars (codes 2-5).
  double companionMagnitude = kNone;
  float separation = kNone, positionAngle = kNone;  // radians
  std::string components;
};

struct Contour {
  std::vector<std::array<float, 3>> points;  // unit vectors in outline order
};

struct DeepSkyValues {
  StarValues star;
  std::uint16_t majorSize = 0, minorSize = 0;  // arcseconds; 0 unknown
  std::uint16_t orientation = 65535;           // tenths of a degree; 65535 none
  std::vector<Contour> contours;               // at most 127
};

struct ConstellationValues {
  int type = 40;  // 40 constellation, 41 asterism
  std::uint32_t number = 0;
  std::string name, abbreviation, genitive, commonName;
  double centre[3] = {0, 0, 1};
  float angularSize = 0.0f;  // radians
  std::vector<std::array<float, 3>> points;
};

struct MeteorShowerValues {
  std::string name, abbreviation, parentBody;
  std::int16_t iauNumber = 0;
  std::uint8_t activityClass = 0;  // 0: none
  std::uint8_t peakHour = 255;     // UT; 255 (-1 signed): none
  float peakSolarLongitude = kNone;  // radians
  float magnitude = kNone;
  float velocity = kNone;  // km/s
  float peakRate = kNone;  // meteors an hour; negative: variable
  double radiant[3] = {0, 0, 1};
  double orbit[5] = {kNone, kNone, kNone, kNone, kNone};  // q, e, i, perihelion, node
};

struct PlanetValues {
  int type = 30;
  std::uint32_t body = 0;
  std::vector<std::string> names;
  std::uint32_t parent = 0;
  double validFrom = -kNone, validTo = kNone;
  double epoch = kNone, q = kNone, e = kNone, i = kNone, perihelion = kNone, node = kNone,
         meanAnomaly = kNone, meanMotion = 0.0;  // JD, AU, radians, radians per day
  double magnitude1 = kNone, magnitude2 = kNone, magnitude3 = kNone;
  float diameter = 0.0f;  // km
  float physical = 0.0f;
};

struct FeatureValues {
  int featureType = 0;
  std::string name, description;
  std::uint16_t parent = 0;
  float size = 0.0f;  // km
  float surface[3] = {0, 0, 1};
};

// The object built from the values; null with `error` set when the class
// did not read the record back whole.
std::unique_ptr<CSkyObject> makeStar(const StarValues& values, std::string& error);
std::unique_ptr<CSkyObject> makeDeepSkyObject(const DeepSkyValues& values, std::string& error);
std::unique_ptr<CSkyObject> makeConstellation(const ConstellationValues& values, std::string& error);
std::unique_ptr<CSkyObject> makeMeteorShower(const MeteorShowerValues& values,
                                             std::string& error);
std::unique_ptr<CSkyObject> makePlanet(const PlanetValues& values, std::string& error);
std::unique_ptr<CSkyObject> makeFeature(const FeatureValues& values, std::string& error);

}  // namespace catalogues
