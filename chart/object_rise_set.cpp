#include "chart/object_rise_set.h"

#include <cmath>

#include "chart/sky_chart.h"
#include "engine/refraction.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"

namespace {

// The standard atmosphere the chart refracts with.
constexpr double kPressure = 1010.0;     // mbar
constexpr double kTemperature = 10.0;    // degrees C
constexpr int kApparentToTrue = -1;

}  // namespace

double objectRiseSetTime(CSkyChart* chart, CSkyObject* object, int mode) {
  if (chart == nullptr || object == nullptr) return INFINITY;
  double h = chart->horizonAltitude;
  if (chart->refraction) h -= atmosphericRefraction(kApparentToTrue, h, kPressure, kTemperature);
  if (const CPlanet* body = asPlanet(object)) {
    // Rising and setting refer to the upper limb.
    const double diameter = body->getAngularDiameter();
    if (std::isfinite(diameter)) h -= diameter * 0.5;
  }
  if (isEarth(object) && !chart->isSpaceView()) return INFINITY;
  const double jd = chart->objectRiseTransitSet(object, mode, h);
  // The mechanics tell a rise that does not happen by -infinity; every
  // caller here reads "none" as +infinity (and sorts it last).
  return std::isfinite(jd) ? jd : INFINITY;
}

void CSkyChart::searchRiseAndSet(CSkyObject* object, double* rise, double* set) {
  if (rise != nullptr) *rise = objectRiseSetTime(this, object, -1);
  if (set != nullptr) *set = objectRiseSetTime(this, object, 1);
}
