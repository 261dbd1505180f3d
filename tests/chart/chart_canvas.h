// Test support for the chart: a chart on an empty catalogue, a 2-D canvas
// it draws into, coverage rasters read back from it, the tests' own sky
// projection, and geometric checks of drawn pixels against curves the
// tests compute themselves.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include <gtest/gtest.h>

#include "platform/coregraphics/context.h"
#include "skydata/sky_database.h"

namespace chart_test {

// A chart over a database with no catalogues, viewport (0, 0, w, h).
struct ChartOnEmptySky {
  ChartOnEmptySky(int width, int height);
  ~ChartOnEmptySky();
  std::unique_ptr<CSkyDatabase> database;
  std::unique_ptr<CSkyChart> chart;
};

// Coverage (alpha 0..1) of each pixel, rows from the top.
struct Raster {
  int width = 0, height = 0;
  std::vector<float> alpha;
  float at(int x, int y) const {
    return x < 0 || y < 0 || x >= width || y >= height ? 0.0f : alpha[y * width + x];
  }
  int inkCount(float threshold = 0.25f) const;
};

// Where a chart draws in a test: a 2-D bitmap or the GL layer on the
// software GPU. Either starts transparent (black) and the chart's colour
// white; raster() reads the coverage back.
class ChartCanvas {
 public:
  virtual ~ChartCanvas() = default;
  virtual Raster raster() = 0;
  // The pixels as R, G, B, A bytes, rows from the top (2-D: premultiplied).
  virtual std::vector<std::uint8_t> colors() = 0;
  // Back to transparent black, for the next frame on the same canvas.
  virtual void clear() = 0;
  // Writes the picture as PNG when TESSALY_CHART_TEST_IMAGES names a folder.
  virtual void save(const std::string& name) = 0;
};

// A transparent bitmap whose user space is the chart's pixels, y down,
// attached to the chart as its 2-D context for its lifetime.
class Canvas2D : public ChartCanvas {
 public:
  Canvas2D(CSkyChart& chart, int width, int height);
  ~Canvas2D() override;
  cg::Context& context() { return *context_; }
  Raster raster() override;
  std::vector<std::uint8_t> colors() override;
  void clear() override;
  void save(const std::string& name) override;

 private:
  CSkyChart& chart_;
  std::unique_ptr<cg::Context> context_;
};

enum class Backend { twoD, gl };
std::string backendName(const testing::TestParamInfo<Backend>& info);
// Whether this tree has the graphics layer's entry points (the GL back end
// draws nothing without them).
bool backendAvailable(Backend backend);
// A canvas of the back end attached to the chart; for GL a current
// context, a w x h colour renderbuffer, the chart's shader program and the
// chart's pixel matrix.
std::unique_ptr<ChartCanvas> makeCanvas(Backend backend, CSkyChart& chart, int width, int height);

// The tests' own projection of a fundamental-frame direction, written from
// the projections' published definitions: display frame X towards the
// centre, Z towards the north pole, Y = Z x X to the left; screen x = cx -
// u / s, y = cy - w / s.
struct TestView {
  int projection = 1;
  double lon0 = 0, lat0 = 0;  // centre, fundamental frame (system 0)
  double fov = 1;             // radians
  int width = 400, height = 300;
  double scale() const;
  bool project(const double v[3], double* x, double* y) const;
  // Display-frame coordinates of v.
  void display(const double v[3], double d[3]) const;
};

// Sets the chart's view to the test view (system 0, rotation 0).
void applyView(CSkyChart& chart, const TestView& view);

struct Point2 {
  double x, y;
};

// Distance from p to the polyline (consecutive points joined; pieces whose
// ends are more than `breakDistance` apart are left out).
double distanceToPolyline(const std::vector<Point2>& line, Point2 p,
                          double breakDistance = 1e30);
// Worst distance of any inked pixel centre (alpha above the threshold) from
// the curves, and worst distance of any curve sample inside the raster from
// the nearest inked pixel.
struct CurveFit {
  double inkToCurve = 0;
  double curveToInk = 0;
  int inkPixels = 0;
  int samples = 0;
};
CurveFit fitInkToCurves(const Raster& raster, const std::vector<std::vector<Point2>>& curves,
                        double breakDistance = 1e30, float threshold = 0.25f);

// Worst distance (pixels) of the ink's centre across a lone line from the
// curve, sampled every 2 pixels away from the raster's border (a sample
// without ink counts as very far). For curves that do not cross others.
double worstLineCentreOffset(const Raster& raster, const std::vector<std::vector<Point2>>& curves,
                             double breakDistance = 1e30, int* samples = nullptr);

// Great-circle points from a to b every `step` radians, rotated with ERFA.
std::vector<std::array<double, 3>> greatCircle(const double a[3], const double b[3],
                                                double step);

}  // namespace chart_test
