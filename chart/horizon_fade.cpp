// The camera overlay's fade: a grid over the viewport that is 0 below the
// horizon and rises to 1 just above it, and the opacity of each camera
// pixel from it, the pixel's look (sky-blue by day, dark at night) and the
// user's camera opacity.
#include <algorithm>
#include <cmath>

#include "chart/sky_chart.h"
#include "engine/linear_solver.h"

namespace {

// A grid finer than this per side would stand for more than any camera
// frame's pixels (the chart screen asks for one point every 10 pixels).
constexpr int kLargestFadeGridSide = 8192;
// The fade rises over the first 0.1 of the sine of the altitude.
constexpr double kFadeSpan = 0.1;
// The Sun below -6 degrees: civil twilight is over, the sky is dark.
constexpr float kNightSunAltitude = -6;

}  // namespace

void CSkyChart::freeHorizonFadeGrid() {
  freeMatrix(horizonFade);
  horizonFade = nullptr;
  horizonFadeColumns = horizonFadeRows = 0;
}

bool CSkyChart::buildHorizonFadeGrid(int columns, int rows) {
  freeHorizonFadeGrid();
  if (columns < 1 || rows < 1 || columns > kLargestFadeGridSide || rows > kLargestFadeGridSide)
    return false;
  float** grid = allocMatrix<float>(rows, columns);
  if (grid == nullptr) return false;
  const double up[3] = {0, 0, 1};
  double zenith[3];
  horizonToFundamental(up, zenith);
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < columns; ++i) {
      double x = viewportLeft + static_cast<double>(viewportRight - viewportLeft) * i / columns;
      double y = viewportTop + static_cast<double>(viewportBottom - viewportTop) * j / rows;
      double v[3];
      // Off the projection there is no sky: the camera shows there.
      double d = screenToVector(v, x, y) ? v[0] * zenith[0] + v[1] * zenith[1] + v[2] * zenith[2] : -1;
      grid[j][i] = d < 0 ? 0.0f : d >= kFadeSpan ? 1.0f : static_cast<float>(d / kFadeSpan);
    }
  horizonFade = grid;
  horizonFadeColumns = columns;
  horizonFadeRows = rows;
  return true;
}

float CSkyChart::horizonFadeAt(float x, float y) const {
  if (horizonFade == nullptr) return 0;
  // Not a number counts as the grid's first cell.
  float cx = std::clamp(std::isnan(x) ? 0.0f : x, 0.0f, static_cast<float>(horizonFadeColumns - 1));
  float cy = std::clamp(std::isnan(y) ? 0.0f : y, 0.0f, static_cast<float>(horizonFadeRows - 1));
  int i = static_cast<int>(cx), j = static_cast<int>(cy);
  int i1 = std::min(i + 1, horizonFadeColumns - 1), j1 = std::min(j + 1, horizonFadeRows - 1);
  float fx = cx - i, fy = cy - j;
  float a = horizonFade[j][i], b = horizonFade[j][i1];
  float c = horizonFade[j1][i], d = horizonFade[j1][i1];
  if (a == b && a == c && a == d) return a;
  return (a * (1 - fx) + b * fx) * (1 - fy) + (c * (1 - fx) + d * fx) * fy;
}

float CSkyChart::cameraPixelAlpha(float x, float y, float red, float green, float blue) const {
  float f = horizonFadeAt(x, y);
  if (f == 0) return 255;  // the ground is always the camera's
  float o = cameraOpacity;
  float t = o < 0.5f ? (0.5f - o) * f : 0;
  if (o != 0) {
    // How much the pixel looks like sky: blue by day, dark at night.
    float w;
    if (sunAltitude > kNightSunAltitude)
      w = blue > 80 && green + blue > 2 * red
              ? (blue - 80) * 0.05f * ((green + blue) / (2 * red + 1) - 1)
              : 0;
    else
      w = std::clamp(1 - 0.1f * ((red + green + blue) / 3 - 15), 0.0f, 1.0f);
    w = std::clamp(w, 0.0f, 1.0f);
    float faded = std::min(f, 1.0f) * w * (1 - o);
    t = o < 0.5f ? std::min(faded + t, 0.5f) : faded;
  }
  return (1 - t) * 255;
}
