// Earth-fixed points placed for the ground view's lines.
#include "chart/ground_point.h"

#include "chart/sky_chart.h"
#include "engine/matrices.h"
#include "engine/vectors.h"
#include "skydata/planet.h"

GroundPen::GroundPen(CSkyChart& chart, CPlanet* planet) : chart_(chart), planet_(planet) {
  planet->getOrientationMatrix(orientation_);
}

bool GroundPen::place(const double point[3], double direction[3]) {
  if (chart_.earthView) {
    // The orientation turns working-frame vectors into body axes; its
    // transpose turns the body-fixed point back.
    vectorCopy(direction, point);
    transposeTimesVector(orientation_, direction);
    return true;
  }
  double distance = 0;
  return chart_.surfacePointPosition(planet_, point, false, direction, &distance, kEarthRadiusAU);
}

void GroundPen::to(const double point[3]) {
  double direction[3];
  bool visible = place(point, direction);
  if (first_ || !visible)
    chart_.moveTo(direction);
  else
    chart_.lineTo(direction);
  first_ = !visible;
}
