// The chart screen's images, drawn at scales 1 and 2 into the bundle's
// images folder; each also as "_night" in the night-vision red. The
// screen tints them with the window's tint, so they are drawn in white:
// only their shape (alpha) matters there.
//
//   Motion                 28 x 28 pt  a phone between motion arcs (the
//                                      Motion button while motion is off)
//   Stop                   28 x 28 pt  a square in a ring (while it is on)
//   VerticalLeftMore       12 x 24 pt  a chevron pointing left, in the
//   VerticalRightMore      12 x 24 pt  upper part: more toolbar buttons
//                                      that way
//   TimeFlowForwardOff     36 x 24 pt  a right-pointing outlined triangle
//   TimeFlowForwardOn      36 x 24 pt  the same, filled (time runs)
//   TimeFlowBackwardOff/On 36 x 24 pt  the two mirrored
//   TimeStepForward        36 x 24 pt  a filled triangle against a bar
//   TimeStepBackward       36 x 24 pt  mirrored
#pragma once

#include <filesystem>

// False when an image could not be written (each says why).
bool drawChartScreenImages(const std::filesystem::path& folder);
