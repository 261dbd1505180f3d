#include "ui/info/satellite_list_scan.h"

#include <cmath>
#include <vector>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/delta_t.h"
#include "engine/ellipsoid.h"
#include "engine/lunar_theory.h"
#include "engine/magnitudes.h"
#include "engine/sgp4.h"
#include "engine/sidereal_time.h"
#include "engine/vectors.h"
#include "mechanics/satellite_place.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object_id.h"

namespace {

constexpr double kMinuteDays = 0.0006944444444444445;
constexpr double kMinutesPerDay = 1440.0;
// A Sun limit at or below this (radians) tests nothing.
constexpr double kNoSunLimit = -1.5707963267945;

struct Candidate {
  CSatellite* satellite;
  int index;
  SatellitePlace place;
  bool found;
};

// The satellites of the root region that carry the category.
std::vector<Candidate> candidatesOf(CSkyDatabase& database, int category) {
  std::vector<Candidate> candidates;
  const int count = database.getSolarSystemObjectCount();
  for (int i = 0; i < count; ++i) {
    CPlanet* object = database.getSolarSystemObject(i);
    CSatellite* satellite = asSatellite(object);
    if (satellite == nullptr || !satellite->hasCategory(category)) continue;
    candidates.push_back({satellite, i, SatellitePlace(*satellite), false});
  }
  return candidates;
}

// The observer and the Sun at one minute, equator of date.
struct Sky {
  double observer[3];  // Earth radii
  double zenith[3];    // unit, along the ellipsoid's normal
  double sun[3];       // unit
};

Sky skyAt(const CSkyChart& chart, double t, double deltaTDays) {
  Sky sky;
  const double lst = localSiderealTime(t, chart.longitude);
  geodeticToRectangular(&sky.observer[0], &sky.observer[1], &sky.observer[2], lst,
                        chart.latitude, 0.0, 1.0, kEarthFlattening);
  sphericalToVector(sky.zenith, lst, chart.latitude, 1.0);
  double longitude;
  sunPositionLowPrecision(&longitude, nullptr, nullptr, t + deltaTDays);
  eclipticToEquatorialVector(sky.sun, t + deltaTDays, longitude, 0.0, 1.0);
  vectorNormalize(sky.sun);
  return sky;
}

// Whether a satellite at `position` qualifies under `sky`.
bool qualifies(const Sky& sky, const double position[3], double sinMinAltitude,
               double magnitudeLimit, double standardMagnitude) {
  double topocentric[3];
  vectorSubtract(position, sky.observer, topocentric);
  const double range = vectorNormalize(topocentric);
  if (!(range > 0) || vectorDot(topocentric, sky.zenith) < sinMinAltitude) return false;
  if (!std::isfinite(magnitudeLimit)) return true;
  // In the Earth's shadow: closer to the anti-Sun direction than the
  // Earth's angular radius seen from the satellite.
  const double distance = vectorLength(position);
  const double antiSun[3] = {-sky.sun[0], -sky.sun[1], -sky.sun[2]};
  double unit[3] = {position[0] / distance, position[1] / distance, position[2] / distance};
  if (distance <= 1.0 || vectorSeparation(unit, antiSun) < std::asin(1.0 / distance)) return false;
  // Phase angle: between the Sun and the observer seen from the satellite.
  const double towardObserver[3] = {-topocentric[0], -topocentric[1], -topocentric[2]};
  const double phase = vectorSeparation(sky.sun, towardObserver);
  return satelliteMagnitude(range * kEarthEquatorialRadiusKm, phase, standardMagnitude) <=
         magnitudeLimit;
}

}  // namespace

int findSatellitePasses(CSkyChart* chart, int category, SkyObjectID* ids, double* jds, int maxCount,
                        double startJD, double endJD, double sunAltitudeLimit, double minAltitude,
                        double magnitudeLimit) {
  if (chart == nullptr || chart->database == nullptr || ids == nullptr || maxCount < 1) return 0;
  CSkyDatabase& database = *chart->database;
  if (database.getSolarSystemObjectCount() == 0 || !(startJD < endJD) ||
      !std::isfinite(endJD - startJD))
    return 0;
  std::vector<Candidate> candidates = candidatesOf(database, category);
  const double deltaTDays = deltaT(0.5 * (startJD + endJD)) / kSecondsPerDay;
  const bool sunTest = sunAltitudeLimit > kNoSunLimit;
  const double sinSunLimit = std::sin(sunAltitudeLimit);
  const double sinMinAltitude = std::sin(minAltitude);
  int count = 0;
  // Minutes counted, not summed, so that a long window keeps its grid.
  for (long step = 0;; ++step) {
    const double t = startJD + static_cast<double>(step) * kMinuteDays;
    if (!(t < endJD)) break;
    const Sky sky = skyAt(*chart, t, deltaTDays);
    if (sunTest && vectorDot(sky.sun, sky.zenith) > sinSunLimit) continue;
    for (Candidate& candidate : candidates) {
      if (candidate.found) continue;
      // Where the chart would draw it. Element epochs are UT, as t is.
      double position[3];
      if (candidate.place.at((t - candidate.place.epoch()) * kMinutesPerDay, position, nullptr) !=
              kSatelliteModelOK ||
          !std::isfinite(position[0] + position[1] + position[2]) ||
          !qualifies(sky, position, sinMinAltitude, magnitudeLimit,
                     candidate.satellite->getAbsoluteMagnitude()))
        continue;
      candidate.found = true;
      char name[32];
      candidate.satellite->getName(name, sizeof name);
      CSkyDatabase::setSkyObjectID(&ids[count], kSolarSystemFile, 0,
                                   static_cast<std::uint16_t>(candidate.index),
                                   candidate.satellite->getBodyNumber(), name, kTypeSatellite);
      if (jds != nullptr) jds[count] = t;
      if (++count == maxCount) return count;
    }
  }
  return count;
}
