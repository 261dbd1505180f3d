#include "ui/info/apparent_rates.h"

#include "chart/sky_chart.h"
#include "engine/astronomical_constants.h"
#include "engine/vectors.h"
#include "skydata/planet.h"

ApparentRates apparentRates(const CSkyChart& chart, const CPlanet& body) {
  double position[3], velocity[3], observerVelocity[3];
  vectorSubtract(body.getHeliocentricPosition(nullptr), chart.observerPosition, position);
  // The chart keeps the observer's velocity in units of the speed of light.
  for (int i = 0; i < 3; ++i) observerVelocity[i] = chart.observerVelocity[i] * kLightSpeedAUPerDay;
  vectorSubtract(body.getHeliocentricVelocity(nullptr), observerVelocity, velocity);

  ApparentRates rates{};
  double equatorialPosition[3], equatorialVelocity[3];
  chart.fundamentalToEquatorial(position, equatorialPosition);
  chart.fundamentalToEquatorial(velocity, equatorialVelocity);
  vectorsToSphericalWithRates(equatorialPosition, equatorialVelocity, nullptr, &rates.declination,
                              nullptr, &rates.raRate, &rates.decRate, &rates.radialRate);

  const double distance = vectorLength(position);
  if (distance > 0) {
    for (int i = 0; i < 3; ++i) {
      position[i] /= distance;
      velocity[i] /= distance;
    }
  }
  double horizonPosition[3], horizonVelocity[3];
  chart.horizonPositionVelocity(position, horizonPosition, velocity, horizonVelocity);
  vectorsToSphericalWithRates(horizonPosition, horizonVelocity, nullptr, nullptr, nullptr,
                              &rates.azimuthRate, &rates.altitudeRate, nullptr);
  return rates;
}
