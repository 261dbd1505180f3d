// Searches in time run on the chart itself: the passes of an object above
// a minimum altitude with their rise, culmination, set and Earth-shadow
// times; whether a pass is visible to the eye; and the times at which
// objects come closest together (or farthest apart). Every evaluation moves
// the chart's own clock and recomputes the objects involved; every search
// puts the chart's time, place, switches and object places back as they
// were, bit for bit, on every exit.
//
// Thread rules: a search owns its chart (and the chart's database) for its
// duration; searches on different charts with different databases may run
// on different threads.
#pragma once

#include <cstdint>

class CSkyMechanics;
class CSkyObject;
class CPlanet;

// A pass: rise and set (Julian dates, UT), azimuths at rise and set,
// altitude and date of culmination, shadow entry and exit (-infinity when
// never wholly in shadow; the rise or set when in shadow there), the Sun's
// altitude at the middle of the pass (radians).
enum PassField {
  kPassRise,
  kPassSet,
  kPassRiseAzimuth,
  kPassSetAzimuth,
  kPassCulminationAltitude,
  kPassCulmination,
  kPassShadowEntry,
  kPassShadowExit,
  kPassSunAltitude,
  kPassFields
};
using PassRecord = double[kPassFields];

// A conjunction: its date, its value (the deciding separation in radians,
// or distance in AU in the 3-D mode), the deciding pair's places in the
// input list and their distances from the observer (AU; +infinity for
// objects outside the solar system).
struct ConjunctionRecord {
  double jd;
  double value;
  std::int32_t first, second;
  double firstDistance, secondDistance;
};

struct EventSearchContext;
using EventPredicate = bool (*)(EventSearchContext& context, double t);
using EventFunction = double (*)(EventSearchContext& context, double t);

// What a search carries between its steps.
struct EventSearchContext {
  CSkyMechanics* chart = nullptr;
  CPlanet* object = nullptr;
  CPlanet* parent = nullptr;
  CPlanet* sun = nullptr;
  double minAltitude = 0;
  bool maximise = false, threeD = false;
  CSkyObject** objects = nullptr;
  int count = 0;
  int* indices = nullptr;  // the sweep's objects' places in the caller's list
  double start = 0, end = 0, step = 0;
  // The chart's state before the search.
  double savedJD = 0, savedLatitude = 0, savedAltitude = 0;
  std::uint8_t savedLightTime = 0, savedAberration = 0;
  std::uint16_t savedDSTRule = 0;
  ConjunctionRecord* record = nullptr;
  // The object's last few horizon places, so that a time asked for again
  // (the step a state change was found at, a culmination) is not computed
  // twice: times, altitudes, azimuths, and the object they belong to.
  static constexpr int kRecentPlaces = 4;
  double recentTime[kRecentPlaces] = {}, recentAltitude[kRecentPlaces] = {},
         recentAzimuth[kRecentPlaces] = {};
  const CPlanet* recentObject = nullptr;
  int recentCount = 0, recentNext = 0;
};

// Up to `maximum` passes of the object between two dates (UT) above the
// minimum altitude (radians); returns how many were written. Light time
// and aberration are off during the search (an Earth satellite's annual
// aberration would otherwise shift it 20" without the light time that
// cancels it).
int findObjectPasses(CSkyMechanics& chart, CPlanet* object, PassRecord* records, int maximum,
                     double start, double end, double minAltitude);
// False when the pass is in shadow from its rise to its set; otherwise
// true exactly when the Sun is more than 6 degrees below the horizon at the
// middle of the pass.
bool isPassVisible(const PassRecord& record);
// Up to `maximum` conjunctions of the objects between two dates (UT):
// closest approaches (the largest separation of the group at its least) no
// wider than `threshold`, or with `maximise` the greatest separations (the
// smallest at its greatest) at least `threshold` wide; in `pairMode` the
// first object against each of the others; with `threeD` distances between
// heliocentric places instead of separations on the sky; `geocentric`
// moves the observer to the Earth's centre. Returns how many were written.
int findConjunctions(CSkyMechanics& chart, CSkyObject** objects, int count, bool maximise,
                     bool threeD, bool pairMode, bool geocentric, ConjunctionRecord* records,
                     int maximum, double start, double end, double threshold);

// How many times the searches on this thread have moved a chart to another
// time and recomputed objects there (for benchmarks and tests).
std::uint64_t eventSearchEvaluations();

// The search primitives, on the context's interval and step.

// The first step time at which the predicate differs from its value at the
// start; -infinity when nothing changes before the end, or the interval or
// step is not finite, the step points away from the end or is under a
// second, or the interval would take more than ten million steps.
double findStateChange(EventSearchContext& context, EventPredicate predicate);
// The change of the predicate between the interval's ends, halved to a
// second (at most 50 times); -infinity when both ends agree.
double bisectStateChange(EventSearchContext& context, EventPredicate predicate);
// The time of the function's greatest value in the interval by shrinking
// it to the tolerance (at most 256 times); the function is evaluated there
// once more last. -infinity when an end is not finite.
double maximiseByShrink(EventSearchContext& context, EventFunction function, double tolerance);

// The object's altitude and azimuth (radians) at t, with the chart moved
// there and the Sun and the object brought up to date; a time among the
// context's recent places is answered from them, the chart left where it
// is.
void objectHorizonPosition(EventSearchContext& context, double t, double* altitude,
                           double* azimuth);
bool isAboveMinAltitude(EventSearchContext& context, double t);
bool isAltitudeRising(EventSearchContext& context, double t);
// How deep the object is in its parent's shadow: 1 or more when the Sun's
// disc is wholly hidden by the parent; at most 0 when the parent's disc is
// the smaller one.
double shadowDepth(EventSearchContext& context, double t);
// The smallest pair value of the context's objects at t (see
// findConjunctions), with the record filled for it.
double closestPairValue(EventSearchContext& context, double t);
