// One switch for the executor's fast paths, each of which gives the same
// bits as the general code it stands in for: direct pixel paths of the
// 8-bit colour and the depth formats, direct bilinear sampling of 8-bit
// textures, functions specialised for what a draw fixes, helper lanes
// that fetch no texels, the chart's fragment shapes a quad at a time, and
// clears done tile by tile or when the cleared level is next wanted. Tests
// turn them off to compare.
//
// Thread rules: an atomic flag; change it only while no pass runs.
#pragma once

namespace mtl::exec {

void setFastPathsEnabled(bool enabled);
bool fastPathsEnabled();

}  // namespace mtl::exec
