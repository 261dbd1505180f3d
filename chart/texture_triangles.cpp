// The triangle buffer shared by the feathered lines and the textured
// layers, and the seam of the horizontally wrapping projections.
#include <cmath>
#include <cstdio>

#include "chart/sky_chart.h"

namespace {

// A triangle is taken only while fewer vertices than this are held, so at
// most 65535 are ever held.
constexpr int kTriangleVertexLimit = kChartVertexCapacity - 3;
// One turn of longitude as the projections count it.
constexpr double kTurn = 6.283185307178;

}  // namespace

bool CSkyChart::addColorTriangle(const float positions[3][2], const float colors[3][4]) {
  if (vertexCount >= kTriangleVertexLimit) {
    std::fprintf(stderr,
                 "CSkyChart::addTextureTriangle() adding more points than buffer allocation; "
                 "ignoring triangle.\n");
    return false;
  }
  for (int i = 0; i < 3; ++i) {
    int v = vertexCount + i;
    vertexBuffer[2 * v] = positions[i][0];
    vertexBuffer[2 * v + 1] = positions[i][1];
    for (int c = 0; c < 4; ++c) colorBuffer[4 * v + c] = colors[i][c];
  }
  vertexCount += 3;
  return true;
}

float CSkyChart::shiftAcrossProjectionSeam(float x) const {
  float centre = viewportCenterX;
  if (x == centre) return x;
  float turn = static_cast<float>(kTurn / std::fabs(getProjectionScaleX()));
  return x > centre ? x - turn : x + turn;
}
