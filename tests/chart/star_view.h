// Star scenes for the star layer's golden images: a synthetic catalogue on
// a grid of sky places, the chart set to a fixed time, place and view, and
// where each star must appear, computed apart from the chart: ERFA's
// observed place (eraAtco13 with pressure 0, so no refraction) taken to the
// screen by the tests' own projection of the view's frame (X towards the
// view centre, Z towards the system's pole, Y = Z x X to the left).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/chart/sky_fixture.h"

namespace chart_test {

struct ExpectedStar {
  std::string name;
  double x = 0, y = 0;  // viewport pixels
};

// A chart on a database, in a scene's view, with the Sun selected, planets
// and star names off and the star limit 6 at the field.
using ChartMaker = std::function<std::unique_ptr<CSkyChart>(CSkyDatabase&)>;

struct StarScene {
  std::vector<StarDefinition> catalogue;
  std::vector<ExpectedStar> expected;
  int width = 640, height = 400;
  ChartMaker makeChart;
};

// Stereographic 90 degrees in the horizon system, centred due south 45
// degrees up.
StarScene horizonScene();
// Gnomonic 20 degrees in the equatorial system of the date.
StarScene equatorialScene();
// Where a star of ICRS place (ra, dec), proper motion (radians a year, RA
// as dRA/dt) and parallax (arcseconds) appears on the horizon scene.
ExpectedStar observedOnHorizonScene(const std::string& name, double ra, double dec,
                                    double pmRA, double pmDec, double parallax);

}  // namespace chart_test
