// CSkyMechanics: rise, transit and set of any object, by the iteration of
// the time functions on the object's place recomputed at each estimate.
#include <cmath>

#include "engine/matrices.h"
#include "mechanics/sky_mechanics.h"
#include "engine/rise_set.h"
#include "engine/vectors.h"
#include "skydata/sky_object.h"

namespace {

// At most this many places per event, and one second's tolerance.
constexpr int kIterations = 4;
constexpr double kHourInDays = 0.041666666666666664;

struct RiseSetContext {
  CSkyMechanics* chart;
  CSkyObject* object;
};

}  // namespace

void CSkyMechanics::riseSetPlace(void* context, double jd, double* ra, double* dec) {
  auto* c = static_cast<RiseSetContext*>(context);
  c->chart->setJulianDate(jd);
  c->chart->updateObjectPosition(c->object);
  // Right ascension on the true equator of date counted from the mean
  // equinox, as the mean sidereal time of the iteration counts it: the
  // element-set frame of the date, whatever the chart's display epoch.
  double direction[3];
  c->object->getPosition(direction);
  transposeTimesVector(c->chart->satelliteToJ2000_, direction);
  vectorToSpherical(direction, ra, dec, nullptr);
}

double CSkyMechanics::objectRiseTransitSet(CSkyObject* object, int kind, double h0) {
  if (object == nullptr) return kind == kRise ? -INFINITY : INFINITY;
  const double saved = julianDate;
  RiseSetContext context{this, object};
  const double zone = timeZone + (dstInEffect ? kHourInDays : 0);
  const double event = riseTransitSet(
      [](double* ra, double* dec, void* c, double jd) { riseSetPlace(c, jd, ra, dec); },
      &context, kind, kIterations, saved, zone, longitude, latitude, h0, kSecondInDays);
  setJulianDate(saved);
  updateObjectPosition(object);
  return event;
}

void CSkyMechanics::searchRiseAndSet(CSkyObject* object, double* rise, double* set) {
  if (rise != nullptr) *rise = objectRiseTransitSet(object, -1, 0.0);
  if (set != nullptr) *set = objectRiseTransitSet(object, 1, 0.0);
}
