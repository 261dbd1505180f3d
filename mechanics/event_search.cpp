#include "mechanics/event_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/angles.h"
#include "engine/body_geometry.h"
#include "engine/sgp4.h"
#include "mechanics/sky_mechanics.h"
#include "mechanics/state_vectors.h"
#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"

namespace {

using namespace mechanics;

constexpr double kNone = -std::numeric_limits<double>::infinity();
// Refinement of passes and shadow, conjunctions, and the rising test.
constexpr double kOneSecond = 1.1574074074074073e-5;
constexpr double kTenSeconds = 0.00011574074074074075;
constexpr double kTenthSecond = 1.1574074074074074e-6;
constexpr double kShrinkNear = 0.49609375, kShrinkFar = 0.50390625;
constexpr int kMostShrinks = 256;
constexpr int kMostBisections = 50;
constexpr double kVisibleSunAltitude = -0.10471975511963333;  // -6 degrees
constexpr double kTropicalYear = 365.242198781;
constexpr double kShadowEpsilon = 1e-08;
// The observer at the Earth's centre: on the equator, one equatorial
// radius down.
constexpr double kEarthCentreAltitude = -6378140.0;
// A search's scans and step searches never take more steps than this.
constexpr double kMostSteps = 1e7;

thread_local std::uint64_t evaluations = 0;

// Moves the chart to t: one evaluation.
void moveChart(CSkyMechanics& chart, double t) {
  chart.setJulianDate(t);
  ++evaluations;
}

// Saves the chart's time, place, daylight-saving rule and switches, and
// turns light time (and for passes aberration) off.
void save(EventSearchContext& c) {
  CSkyMechanics& chart = *c.chart;
  c.savedJD = chart.julianDate;
  c.savedLatitude = chart.latitude;
  c.savedAltitude = chart.altitude;
  c.savedLightTime = chart.lightTime;
  c.savedAberration = chart.aberration;
  c.savedDSTRule = chart.dstRule;
}

// Puts everything back and brings the objects up to date again, so the
// chart shows what it showed before the search.
void restore(EventSearchContext& c) {
  CSkyMechanics& chart = *c.chart;
  chart.lightTime = c.savedLightTime;
  chart.aberration = c.savedAberration;
  chart.setLocation(chart.longitude, c.savedLatitude, c.savedAltitude);
  // Coming back from the Earth's centre takes the daylight-saving rule
  // from the chart's own automatic switch, which the settings model leaves
  // off while it sets the rule itself: the rule it had stays.
  chart.setDSTRule(c.savedDSTRule);
  chart.setJulianDate(c.savedJD);
  for (CSkyObject* object : {static_cast<CSkyObject*>(c.sun), static_cast<CSkyObject*>(c.parent),
                             static_cast<CSkyObject*>(c.object)})
    if (object != nullptr) chart.updateObjectPosition(object);
  for (int i = 0; i < c.count; ++i)
    if (c.objects[i] != nullptr) chart.updateObjectPosition(c.objects[i]);
}

// A usable step: finite, at least a second.
bool usableStep(double step) { return std::isfinite(step) && std::fabs(step) >= kOneSecond; }

double horizonAltitude(EventSearchContext& c, CSkyObject* object, double t, double* azimuth) {
  CSkyMechanics& chart = *c.chart;
  if (chart.julianDate != t) moveChart(chart, t);
  chart.updateObjectPosition(object);
  double direction[3], horizon[3];
  object->getPosition(direction);
  chart.fundamentalToHorizon(direction, horizon);
  double longitude, latitude;
  vectorToSpherical(horizon, &longitude, &latitude, nullptr);
  if (azimuth != nullptr) *azimuth = longitude;
  return latitude;
}

bool isShadowed(EventSearchContext& c, double t) { return shadowDepth(c, t) >= 1.0; }

// The change of a predicate between two times, with the context's
// interval set to them.
double bisectBetween(EventSearchContext& c, EventPredicate predicate, double a, double b) {
  c.start = a;
  c.end = b;
  return bisectStateChange(c, predicate);
}

}  // namespace

std::uint64_t eventSearchEvaluations() { return evaluations; }

double findStateChange(EventSearchContext& c, EventPredicate predicate) {
  const double span = c.end - c.start, step = c.step;
  if (!std::isfinite(c.start) || !std::isfinite(c.end) || !usableStep(step) ||
      (span != 0 && (span > 0) != (step > 0)) || std::fabs(span / step) > kMostSteps)
    return kNone;
  const bool first = predicate(c, c.start);
  const long steps = static_cast<long>(std::floor(std::fabs(span / step)));
  for (long k = 1; k <= steps; ++k) {
    const double t = c.start + k * step;
    if (predicate(c, t) != first) return t;
  }
  return kNone;
}

double bisectStateChange(EventSearchContext& c, EventPredicate predicate) {
  double a = c.start, b = c.end;
  if (!std::isfinite(a) || !std::isfinite(b)) return kNone;
  const bool atStart = predicate(c, a);
  if (predicate(c, b) == atStart) return kNone;
  for (int k = 0; k < kMostBisections && std::fabs(b - a) >= kOneSecond; ++k) {
    const double middle = 0.5 * (a + b);
    (predicate(c, middle) == atStart ? a : b) = middle;
  }
  return 0.5 * (a + b);
}

double maximiseByShrink(EventSearchContext& c, EventFunction function, double tolerance) {
  if (!std::isfinite(c.start) || !std::isfinite(c.end)) return kNone;
  for (int k = 0; k < kMostShrinks && c.start + tolerance < c.end; ++k) {
    const double a = kShrinkFar * c.start + kShrinkNear * c.end;
    const double b = kShrinkNear * c.start + kShrinkFar * c.end;
    if (function(c, a) < function(c, b))
      c.start = a;
    else
      c.end = b;
  }
  const double middle = 0.5 * (c.start + c.end);
  function(c, middle);
  return middle;
}

void objectHorizonPosition(EventSearchContext& c, double t, double* altitude, double* azimuth) {
  if (c.recentObject != c.object) {
    c.recentObject = c.object;
    c.recentCount = c.recentNext = 0;
  }
  for (int k = 0; k < c.recentCount; ++k) {
    if (c.recentTime[k] == t) {
      if (altitude != nullptr) *altitude = c.recentAltitude[k];
      if (azimuth != nullptr) *azimuth = c.recentAzimuth[k];
      return;
    }
  }
  CSkyMechanics& chart = *c.chart;
  moveChart(chart, t);
  if (c.sun != nullptr) chart.updateObjectPosition(c.sun);
  double az;
  const double a = horizonAltitude(c, c.object, t, &az);
  const int slot = c.recentNext;
  c.recentTime[slot] = t;
  c.recentAltitude[slot] = a;
  c.recentAzimuth[slot] = az;
  c.recentNext = (slot + 1) % EventSearchContext::kRecentPlaces;
  c.recentCount = std::max(c.recentCount, slot + 1);
  if (altitude != nullptr) *altitude = a;
  if (azimuth != nullptr) *azimuth = az;
}

bool isAboveMinAltitude(EventSearchContext& c, double t) {
  double altitude;
  objectHorizonPosition(c, t, &altitude, nullptr);
  return altitude > c.minAltitude;
}

bool isAltitudeRising(EventSearchContext& c, double t) {
  double now, later;
  objectHorizonPosition(c, t, &now, nullptr);
  objectHorizonPosition(c, t + kTenthSecond, &later, nullptr);
  return now < later;
}

double shadowDepth(EventSearchContext& c, double t) {
  CSkyMechanics& chart = *c.chart;
  moveChart(chart, t);
  if (c.sun != nullptr) chart.updateObjectPosition(c.sun);
  if (c.parent != nullptr) chart.updateObjectPosition(c.parent);
  chart.updateObjectPosition(c.object);
  if (c.parent == nullptr || c.sun == nullptr) return kNone;
  double object[3], toParent[3], toSun[3];
  c.object->getHeliocentricPosition(object);
  vectorSubtract(c.parent->getHeliocentricPosition(nullptr), object, toParent);
  vectorSubtract(c.sun->getHeliocentricPosition(nullptr), object, toSun);
  const double parentRadius =
      angularRadius(chart.getObjectRadius(c.parent), vectorNormalize(toParent));
  const double sunRadius = angularRadius(chart.getObjectRadius(c.sun), vectorNormalize(toSun));
  if (parentRadius <= sunRadius) return parentRadius - sunRadius;
  return (parentRadius - sunRadius + kShadowEpsilon) /
         (vectorSeparation(toParent, toSun) + kShadowEpsilon);
}

bool isPassVisible(const PassRecord& r) {
  const double entry = r[kPassShadowEntry], exit = r[kPassShadowExit];
  if (std::isfinite(entry) && entry <= r[kPassRise] && exit >= r[kPassSet]) return false;
  return r[kPassSunAltitude] < kVisibleSunAltitude;
}

namespace {

// A satellite whose elements the model refuses when the search begins
// (its orbit has decayed, or never was one) has no passes to look for.
bool refusedByItsModel(CSkyMechanics& chart, CPlanet* object, double start) {
  CSatellite* satellite = asSatellite(object);
  if (satellite == nullptr) return false;
  moveChart(chart, start);
  double position[3];
  return chart.computeSatellitePosition(satellite, position, nullptr,
                                        chart.dynamicalJulianDate) != kSatelliteModelOK;
}

double altitudeAt(EventSearchContext& c, double t) {
  double altitude;
  objectHorizonPosition(c, t, &altitude, nullptr);
  return altitude;
}

// One climb of the altitude: where the steps see it start and stop rising,
// and its highest point between.
struct Climb {
  double start = kNone, end = kNone, peak = kNone, peakAltitude = kNone;
};

// The next climb from t (t itself when the altitude rises there) that
// starts before `end`; false when none does, or it does not end within a
// day.
bool nextClimb(EventSearchContext& c, double t, double end, double step, Climb& climb) {
  double start = t;
  if (!isAltitudeRising(c, t)) {
    c.start = t;
    c.end = end;
    c.step = step;
    start = findStateChange(c, isAltitudeRising);
    if (!std::isfinite(start)) return false;
  }
  c.start = start;
  c.end = start + 1.0;
  c.step = step;
  const double stop = findStateChange(c, isAltitudeRising);
  if (!std::isfinite(stop)) return false;
  c.start = start;
  c.end = stop;
  const double peak = maximiseByShrink(c, altitudeAt, kOneSecond);
  climb = {start, stop, peak, altitudeAt(c, peak)};
  return true;
}

// A pass can climb, dip and climb again before it sets (a high orbit seen
// from the turning Earth); users plan by its highest point, so every later
// maximum before the set is weighed against the first. Leaves t at the end
// of the last climb looked at.
void climbToHighestPoint(EventSearchContext& c, double& t, double set, double step,
                         double* culmination, double* culminationAltitude) {
  Climb climb;
  while (t < set && nextClimb(c, t, set, step, climb)) {
    if (climb.peakAltitude > *culminationAltitude) {
      *culmination = climb.peak;
      *culminationAltitude = climb.peakAltitude;
    }
    t = climb.end;
  }
}

// One pass from the point reached; false when the search ends there.
bool nextPass(EventSearchContext& c, double& t, double end, double step, PassRecord& record,
              bool* found) {
  *found = false;
  if (t >= end) return false;
  Climb climb;
  if (!nextClimb(c, t, end, step, climb)) return false;
  const double startOfRising = climb.start;
  double culmination = climb.peak;
  double culminationAltitude = climb.peakAltitude;
  t = climb.end;
  if (!(culminationAltitude > c.minAltitude)) return true;  // no pass here

  // Already above the minimum where the steps first saw the altitude rise:
  // the rise lies within the step before, unless the object was up there
  // too, a second culmination of a pass recorded with the one before it.
  // Either way the search goes on (stopping would lose every later pass).
  double riseFrom = startOfRising;
  if (isAboveMinAltitude(c, startOfRising)) {
    riseFrom = startOfRising - step;
    if (isAboveMinAltitude(c, riseFrom)) return true;
  }
  const double rise = bisectBetween(c, isAboveMinAltitude, riseFrom, culmination);
  double set = kNone;
  const long steps = static_cast<long>(std::floor(1.0 / step));
  for (long k = 1; k <= steps; ++k) {
    const double probe = culmination + k * step;
    if (!isAboveMinAltitude(c, probe)) {
      set = bisectBetween(c, isAboveMinAltitude, culmination, probe);
      break;
    }
  }
  if (!std::isfinite(rise) || !std::isfinite(set)) return false;
  climbToHighestPoint(c, t, set, step, &culmination, &culminationAltitude);

  double entry = kNone, exit = kNone;
  c.start = rise;
  c.end = set;
  const double deepest = maximiseByShrink(c, shadowDepth, kOneSecond);
  if (shadowDepth(c, deepest) >= 1.0) {
    entry = shadowDepth(c, rise) >= 1.0 ? rise : bisectBetween(c, isShadowed, rise, deepest);
    exit = shadowDepth(c, set) >= 1.0 ? set : bisectBetween(c, isShadowed, deepest, set);
  }
  double riseAzimuth, setAzimuth;
  horizonAltitude(c, c.object, rise, &riseAzimuth);
  horizonAltitude(c, c.object, set, &setAzimuth);
  record[kPassRise] = rise;
  record[kPassSet] = set;
  record[kPassRiseAzimuth] = riseAzimuth;
  record[kPassSetAzimuth] = setAzimuth;
  record[kPassCulminationAltitude] = culminationAltitude;
  record[kPassCulmination] = culmination;
  record[kPassShadowEntry] = entry;
  record[kPassShadowExit] = exit;
  record[kPassSunAltitude] =
      c.sun != nullptr ? horizonAltitude(c, c.sun, 0.5 * (rise + set), nullptr) : kNone;
  *found = true;
  return true;
}

}  // namespace

int findObjectPasses(CSkyMechanics& chart, CPlanet* object, PassRecord* records, int maximum,
                     double start, double end, double minAltitude) {
  if (object == nullptr || records == nullptr || maximum < 1) return 0;
  EventSearchContext c;
  c.chart = &chart;
  c.object = object;
  c.parent = chart.database != nullptr ? chart.database->getParentPlanet(object) : nullptr;
  c.sun = chart.database != nullptr ? chart.database->getSun() : nullptr;
  c.minAltitude = minAltitude;
  save(c);
  chart.lightTime = 0;
  chart.aberration = 0;
  const double step = object->getOrbitalPeriod() / 10;
  int count = 0;
  if (usableStep(step) && step > 0 && std::isfinite(start) && std::isfinite(end) && end > start &&
      !refusedByItsModel(chart, object, start)) {
    double t = start;
    bool clear = !isAboveMinAltitude(c, t);
    // Up already: back to a time below the minimum within a day.
    const long steps = static_cast<long>(std::floor(1.0 / step));
    for (long k = 1; !clear && k <= steps; ++k) {
      if (!isAboveMinAltitude(c, start - k * step)) {
        t = start - k * step;
        clear = true;
      }
    }
    while (clear && count < maximum) {
      bool found;
      if (!nextPass(c, t, end, step, records[count], &found)) break;
      if (found) ++count;
    }
  }
  restore(c);
  return count;
}

double closestPairValue(EventSearchContext& c, double t) {
  CSkyMechanics& chart = *c.chart;
  moveChart(chart, t);
  for (int i = 0; i < c.count; ++i) chart.updateObjectPosition(c.objects[i]);
  double best = std::numeric_limits<double>::infinity();
  int first = -1, second = -1;
  for (int i = 0; i < c.count; ++i) {
    for (int j = i + 1; j < c.count; ++j) {
      double value;
      if (c.threeD) {
        const CPlanet* a = asPlanet(c.objects[i]);
        const CPlanet* b = asPlanet(c.objects[j]);
        value = a != nullptr && b != nullptr ? vectorDistance(a->getHeliocentricPosition(nullptr),
                                                              b->getHeliocentricPosition(nullptr))
                                             : kNone;
      } else {
        double p[3], q[3];
        c.objects[i]->getPosition(p);
        c.objects[j]->getPosition(q);
        value = vectorSeparation(p, q);
      }
      if (!c.maximise) value = -value;
      if (!(value >= best)) {
        best = value;
        first = i;
        second = j;
      }
    }
  }
  if (c.record != nullptr && first >= 0) {
    auto distance = [](const CSkyObject* o) {
      return asPlanet(o) != nullptr ? o->getDistance() : std::numeric_limits<double>::infinity();
    };
    c.record->jd = t;
    c.record->value = c.maximise ? best : -best;
    c.record->first = c.indices[first];
    c.record->second = c.indices[second];
    c.record->firstDistance = distance(c.objects[first]);
    c.record->secondDistance = distance(c.objects[second]);
  }
  return best;
}

namespace {

// One sweep over the context's objects; appends to the records and
// returns the new count.
int sweep(EventSearchContext& c, ConjunctionRecord* records, int count, int maximum, double start,
          double end, double threshold) {
  double base = c.threeD ? end - start : kTropicalYear;
  for (int i = 0; i < c.count; ++i) {
    const CPlanet* planet = asPlanet(c.objects[i]);
    const double period = planet != nullptr ? planet->getOrbitalPeriod() : 0;
    if (period > 0 && period < base) base = period;
  }
  const double step = base / 10;
  if (!usableStep(step) || !(step > 0) || !(end > start) || (end - start) / step > kMostSteps)
    return count;
  ConjunctionRecord found{};
  c.record = &found;
  double before = 0, previous = 0;
  int seen = 0;
  // A maximum is seen one or two steps after it: the scan runs two steps
  // past the end, and no further.
  for (double t = start - step; t <= end + 2 * step && count < maximum; t += step) {
    const double value = closestPairValue(c, t);
    if (seen >= 2 && value < previous && previous > before) {
      // A maximum within the last two steps.
      c.start = t - 2 * step;
      c.end = t;
      const double when = maximiseByShrink(c, closestPairValue, kTenSeconds);
      const bool inside = when >= start && when <= end;
      const bool wanted = c.maximise ? found.value >= threshold : found.value <= threshold;
      if (inside && wanted) records[count++] = found;
      // The scan goes on from the point it reached, never back.
    }
    before = previous;
    previous = value;
    ++seen;
  }
  c.record = nullptr;
  return count;
}

}  // namespace

int findConjunctions(CSkyMechanics& chart, CSkyObject** objects, int count, bool maximise,
                     bool threeD, bool pairMode, bool geocentric, ConjunctionRecord* records,
                     int maximum, double start, double end, double threshold) {
  if (objects == nullptr || records == nullptr || maximum < 1 || count < 2) return 0;
  EventSearchContext c;
  c.chart = &chart;
  c.maximise = maximise;
  c.threeD = threeD;
  c.objects = objects;
  c.count = count;
  save(c);
  chart.lightTime = 0;
  if (geocentric) chart.setLocation(chart.longitude, 0, kEarthCentreAltitude);
  int written = 0;
  if (std::isfinite(start) && std::isfinite(end)) {
    if (pairMode) {
      for (int other = 1; other < count && written < maximum; ++other) {
        CSkyObject* pair[2] = {objects[0], objects[other]};
        int places[2] = {0, other};
        EventSearchContext s = c;
        s.objects = pair;
        s.count = 2;
        s.indices = places;
        written = sweep(s, records, written, maximum, start, end, threshold);
      }
    } else {
      std::vector<int> places(static_cast<std::size_t>(count));
      for (int i = 0; i < count; ++i) places[static_cast<std::size_t>(i)] = i;
      c.indices = places.data();
      written = sweep(c, records, written, maximum, start, end, threshold);
    }
  }
  restore(c);
  return written;
}
