// A satellite seen close up in the satellite view, drawn by the
// application itself (the chart screen's own chart, GL layer and software
// GPU) with the satellite's 3-D model from the bundle.
//
// The application runs in this process on a manual clock pinned to the
// given moment, with TESSALY_BUNDLE and TESSALY_HOME as the caller set
// them. The catalogues carry no sizes for satellites, and a satellite
// without a size is drawn as a point from any distance: the picture gives
// it the size it is published with, in this process only.
//
// Thread rules: main thread only; once per process (the application is
// the process's).
#pragma once

#include <memory>
#include <string>

#include "platform/coregraphics/image.h"

namespace page_pictures {

struct CloseUp {
  long catalogNumber = 25544;    // NORAD number
  double sizeMetres = 109;       // the model's largest extent
  double unixSeconds = 0;        // the moment (UTC)
  double distanceInSizes = 1.2;   // the viewer's distance from its centre
  // Where the viewer stands, as the satellite view remembers it: the
  // direction from the satellite, radians (here a three-quarter view
  // from above, the Earth behind).
  double viewLatitude = 0.45, viewLongitude = 4.4;
  double fieldDegrees = 70;
};

// The chart's pixels (the screen's size at the screen's scale), or null
// with a message when the bundle lacks the satellite or nothing was drawn.
std::shared_ptr<cg::Image> drawSatelliteCloseUp(const CloseUp& request, std::string* message);

}  // namespace page_pictures
