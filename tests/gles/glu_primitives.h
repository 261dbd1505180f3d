// GLU's tessellator as an outside source of fans, strips and triangles for
// the graphics layer's image tests. Kept apart from the layer's headers:
// <GL/glu.h> brings the desktop GL declarations, which clash with them.
#pragma once

#include <array>
#include <vector>

namespace tessaly::test {

using GluPoint = std::array<double, 2>;

// One primitive as GLU hands it back: a GL mode (4 triangles, 5 strip,
// 6 fan, the same numbers in ES) and its corners in order.
struct GluPrimitive {
  unsigned mode = 0;
  std::vector<GluPoint> points;
};

// The non-zero region of `contours` in GLU's own primitives (no edge-flag
// callback, so fans and strips come back as such). Empty with a message in
// `error` when GLU reports one.
std::vector<GluPrimitive> gluTessellateNonZero(const std::vector<std::vector<GluPoint>>& contours,
                                               const char** error = nullptr);

}  // namespace tessaly::test
