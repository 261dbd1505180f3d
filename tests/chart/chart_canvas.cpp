#include "tests/chart/chart_canvas.h"

#include <erfa.h>
#include <erfam.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/coregraphics/image_codec.h"

namespace chart_test {

namespace {

// ERFA's functions take non-const pointers they never write through.
double* in(const double* v) { return const_cast<double*>(v); }

}  // namespace

ChartOnEmptySky::ChartOnEmptySky(int width, int height)
    : database(std::make_unique<CSkyDatabase>("")),
      chart(std::make_unique<CSkyChart>(database.get(), "")) {
  chart->setViewport(0, 0, static_cast<float>(width), static_cast<float>(height));
}

ChartOnEmptySky::~ChartOnEmptySky() {
  chart.reset();
  database.reset();
}

int Raster::inkCount(float threshold) const {
  return static_cast<int>(std::count_if(alpha.begin(), alpha.end(),
                                        [&](float a) { return a > threshold; }));
}

Canvas2D::Canvas2D(CSkyChart& chart, int width, int height) : chart_(chart) {
  context_ = cg::Context::createBitmap(static_cast<std::size_t>(width),
                                       static_cast<std::size_t>(height));
  // The chart's pixels: y downwards from the top-left corner.
  context_->translateCTM(0, height);
  context_->scaleCTM(1, -1);
  chart_.cgContext = context_.get();
  chart_.setColor(1, 1, 1, 1);
  chart_.setLineWidth(1);
}

Canvas2D::~Canvas2D() { chart_.cgContext = nullptr; }

Raster Canvas2D::raster() {
  Raster r;
  r.width = static_cast<int>(context_->width());
  r.height = static_cast<int>(context_->height());
  r.alpha.resize(static_cast<std::size_t>(r.width) * r.height);
  const std::uint8_t* data = context_->data();
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      r.alpha[static_cast<std::size_t>(y) * r.width + x] =
          data[y * context_->bytesPerRow() + 4 * x + 3] / 255.0f;
  return r;
}

std::vector<std::uint8_t> Canvas2D::colors() {
  // The context keeps Cairo's B, G, R, A bytes.
  std::vector<std::uint8_t> rgba(context_->width() * context_->height() * 4);
  for (std::size_t y = 0; y < context_->height(); ++y)
    for (std::size_t x = 0; x < context_->width(); ++x) {
      const std::uint8_t* p = context_->data() + y * context_->bytesPerRow() + 4 * x;
      std::uint8_t* out = &rgba[(y * context_->width() + x) * 4];
      out[0] = p[2], out[1] = p[1], out[2] = p[0], out[3] = p[3];
    }
  return rgba;
}

void Canvas2D::clear() {
  context_->clearRect(cg::Rect(0, 0, static_cast<double>(context_->width()),
                               static_cast<double>(context_->height())));
}

void Canvas2D::save(const std::string& name) {
  const char* folder = std::getenv("TESSALY_CHART_TEST_IMAGES");
  if (folder == nullptr || folder[0] == '\0') return;
  cg::writePNG(*context_->makeImage(), std::string(folder) + "/" + name + ".png");
}

double TestView::scale() const {
  double hw = width / 2.0, hh = height / 2.0, m = std::min(hw, hh);
  switch (projection) {
    case 1: return std::tan(fov / 2) / m;
    case 3: return std::tan(fov / 4) / m;
    default: return fov / 2 / hw;
  }
}

void TestView::display(const double v[3], double d[3]) const {
  double X[3], Z[3] = {0, 0, 1}, Y[3];
  eraS2c(lon0, lat0, X);
  double along = eraPdp(Z, X);
  for (int i = 0; i < 3; ++i) Z[i] -= along * X[i];
  double length = eraPm(Z);
  for (double& z : Z) z /= length;
  eraPxp(Z, X, Y);
  d[0] = eraPdp(X, in(v));
  d[1] = eraPdp(Y, in(v));
  d[2] = eraPdp(Z, in(v));
}

bool TestView::project(const double v[3], double* x, double* y) const {
  double d[3], u, w;
  display(v, d);
  switch (projection) {
    case 1:
      if (d[0] <= 0) return false;
      u = d[1] / d[0];
      w = d[2] / d[0];
      break;
    case 3:
      u = d[1] / (d[0] + 1);
      w = d[2] / (d[0] + 1);
      break;
    case 4:
      u = std::atan2(d[1], d[0]);
      w = std::asin(std::clamp(d[2], -1.0, 1.0));
      break;
    case 5:
      u = std::atan2(d[1], d[0]);
      w = d[2] / std::sqrt(1 - d[2] * d[2]);
      break;
    case 9: {
      double lon, lat;
      eraC2s(in(v), &lon, &lat);
      u = eraAnpm(lon - lon0);
      w = lat - lat0;
      break;
    }
    default:
      return false;
  }
  double s = scale();
  *x = width / 2.0 - u / s;
  *y = height / 2.0 - w / s;
  return true;
}

void applyView(CSkyChart& chart, const TestView& view) {
  chart.setViewport(0, 0, static_cast<float>(view.width), static_cast<float>(view.height));
  chart.setDisplayProjection(view.projection);
  chart.setDisplayFlippedHoriz(false);
  chart.setDisplayFlippedVert(false);
  chart.CSkyProjection::setDisplayCenter(0, view.lon0, view.lat0, 0);
  chart.setDisplayFOV(view.fov);
}

double distanceToPolyline(const std::vector<Point2>& line, Point2 p, double breakDistance) {
  double best = 1e30;
  for (std::size_t i = 0; i < line.size(); ++i) {
    best = std::min(best, std::hypot(p.x - line[i].x, p.y - line[i].y));
    if (i + 1 == line.size()) break;
    Point2 a = line[i], b = line[i + 1];
    double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    if (!(len2 > 0) || len2 > breakDistance * breakDistance) continue;
    double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    best = std::min(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
  }
  return best;
}

CurveFit fitInkToCurves(const Raster& raster, const std::vector<std::vector<Point2>>& curves,
                        double breakDistance, float threshold) {
  // Distances are only looked for within this many pixels: anything
  // further is reported as very far.
  constexpr int kReach = 4;
  constexpr double kFar = 1e30;
  CurveFit fit;
  const int w = raster.width, h = raster.height;
  std::vector<double> toCurve(static_cast<std::size_t>(w) * h, kFar);
  auto forEachPiece = [&](auto visit) {
    for (const auto& curve : curves)
      for (std::size_t i = 0; i + 1 < curve.size(); ++i) {
        Point2 a = curve[i], b = curve[i + 1];
        if (std::hypot(b.x - a.x, b.y - a.y) <= breakDistance) visit(a, b);
      }
  };
  forEachPiece([&](Point2 a, Point2 b) {
    int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.x, b.x))) - kReach);
    int x1 = std::min(w - 1, static_cast<int>(std::ceil(std::max(a.x, b.x))) + kReach);
    int y0 = std::max(0, static_cast<int>(std::floor(std::min(a.y, b.y))) - kReach);
    int y1 = std::min(h - 1, static_cast<int>(std::ceil(std::max(a.y, b.y))) + kReach);
    std::vector<Point2> piece{a, b};
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        double& d = toCurve[static_cast<std::size_t>(y) * w + x];
        d = std::min(d, distanceToPolyline(piece, {x + 0.5, y + 0.5}));
      }
  });
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (raster.at(x, y) > threshold) {
        ++fit.inkPixels;
        fit.inkToCurve = std::max(fit.inkToCurve, toCurve[static_cast<std::size_t>(y) * w + x]);
      }
  forEachPiece([&](Point2 a, Point2 b) {
    double length = std::hypot(b.x - a.x, b.y - a.y);
    int n = std::max(1, static_cast<int>(length / 0.5));
    for (int k = 0; k < n; ++k) {
      Point2 s{a.x + (b.x - a.x) * k / n, a.y + (b.y - a.y) * k / n};
      // Samples closer than two pixels to the edge may lie on ink cut off
      // by the bitmap's border.
      if (s.x < 2 || s.y < 2 || s.x > w - 2 || s.y > h - 2) continue;
      ++fit.samples;
      double best = kFar;
      int sx = static_cast<int>(s.x), sy = static_cast<int>(s.y);
      for (int y = sy - kReach; y <= sy + kReach; ++y)
        for (int x = sx - kReach; x <= sx + kReach; ++x)
          if (raster.at(x, y) > threshold) best = std::min(best, std::hypot(x + 0.5 - s.x, y + 0.5 - s.y));
      fit.curveToInk = std::max(fit.curveToInk, best);
    }
  });
  return fit;
}

double worstLineCentreOffset(const Raster& raster, const std::vector<std::vector<Point2>>& curves,
                             double breakDistance, int* samples) {
  // Across the line within this many pixels, in quarter pixels.
  constexpr double kAcross = 3;
  auto level = [&](double x, double y) {
    // Bilinear between pixel centres.
    double fx = x - 0.5, fy = y - 0.5;
    int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    double tx = fx - ix, ty = fy - iy;
    return (raster.at(ix, iy) * (1 - tx) + raster.at(ix + 1, iy) * tx) * (1 - ty) +
           (raster.at(ix, iy + 1) * (1 - tx) + raster.at(ix + 1, iy + 1) * tx) * ty;
  };
  double worst = 0;
  int count = 0;
  for (const auto& curve : curves)
    for (std::size_t i = 0; i + 1 < curve.size(); ++i) {
      Point2 a = curve[i], b = curve[i + 1];
      double length = std::hypot(b.x - a.x, b.y - a.y);
      if (length > breakDistance || length == 0) continue;
      double nx = -(b.y - a.y) / length, ny = (b.x - a.x) / length;
      for (double t = 0; t < length; t += 2) {
        double cx = a.x + (b.x - a.x) * t / length, cy = a.y + (b.y - a.y) * t / length;
        if (cx < 5 || cy < 5 || cx > raster.width - 5 || cy > raster.height - 5) continue;
        double weight = 0, moment = 0;
        for (double d = -kAcross; d <= kAcross; d += 0.25) {
          double w = level(cx + nx * d, cy + ny * d);
          weight += w;
          moment += w * d;
        }
        if (weight < 0.5) {
          worst = std::max(worst, 1e30);  // no line here at all
          continue;
        }
        worst = std::max(worst, std::fabs(moment / weight));
        ++count;
      }
    }
  if (samples != nullptr) *samples = count;
  return worst;
}

std::vector<std::array<double, 3>> greatCircle(const double a[3], const double b[3],
                                                double step) {
  double axis[3];
  eraPxp(in(a), in(b), axis);
  double separation = std::atan2(eraPm(axis), eraPdp(in(a), in(b)));
  double length, unit[3];
  eraPn(axis, &length, unit);
  std::vector<std::array<double, 3>> points;
  int n = std::max(1, static_cast<int>(std::ceil(separation / step)));
  for (int k = 0; k <= n; ++k) {
    // A frame rotation by -theta about the axis turns vectors by +theta.
    double rv[3] = {-unit[0] * separation * k / n, -unit[1] * separation * k / n,
                    -unit[2] * separation * k / n};
    double r[3][3], out[3];
    eraRv2m(rv, r);
    eraRxp(r, in(a), out);
    points.push_back({out[0], out[1], out[2]});
  }
  return points;
}

}  // namespace chart_test
