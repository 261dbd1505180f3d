// The chart screen's toolbar icons, 28 x 28 pt, drawn in white (the
// toolbar tints them) and as "_night" in the night-vision red, at scales
// 1 and 2. The Motion button's images are the chart screen's own
// (chart_screen_images.h).
//
//   SkyPerspective        a five-pointed star and two small ones
//   OrbitPerspective      a globe in a tilted orbit, a satellite on it
//   SatellitePerspective  a satellite: a body between two solar panels
//   GroundPerspective     the sky's dome over the horizon and the ground
//   Center                cross hairs round a dot
//   Search                a magnifying glass
//   Info                  an "i" in a ring
//   Settings              a gear wheel
//   Time                  a clock face
//   NightVision           a crescent moon
//   ToolbarHelp           a question mark in a ring
#pragma once

#include <filesystem>

// False when an image could not be written (each says why).
bool drawToolbarImages(const std::filesystem::path& folder);
