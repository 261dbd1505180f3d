#include "platform/coregraphics/context.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

namespace cg {
namespace {

// Control-point distance of a cubic quarter circle of radius 1.
constexpr double kQuarterCircleKappa = 0.55228474983079339840;

void setMessage(std::string* message, std::string text) {
  if (message) *message = std::move(text);
}

double unit(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }

bool layoutFitsColorSpace(const BitmapFormat& format) {
  if (format.colorSpace == ColorSpace::deviceGray) return format.layout == PixelLayout::gray;
  return format.layout != PixelLayout::gray;
}

std::size_t bytesPerPixel(PixelLayout layout) { return layout == PixelLayout::gray ? 1 : 4; }

bool opaqueLayout(PixelLayout layout) {
  return layout == PixelLayout::rgbSkipLast || layout == PixelLayout::gray;
}

std::uint8_t grayOf(std::uint32_t argb) {
  Pixel p = unpackARGB(argb);
  return static_cast<std::uint8_t>((p.r * 77u + p.g * 150u + p.b * 29u + 128u) >> 8);
}

}  // namespace

std::unique_ptr<Context> Context::createBitmap(std::size_t width, std::size_t height,
                                               const BitmapFormat& format, std::string* message) {
  if (width == 0 || height == 0) {
    setMessage(message, "empty bitmap");
    return nullptr;
  }
  if (!imageSizeAllowed(width, height)) {
    setMessage(message, "bitmap too large");
    return nullptr;
  }
  if (!layoutFitsColorSpace(format)) {
    setMessage(message, "unsupported pixel format");
    return nullptr;
  }
  const std::size_t minimumRow = width * bytesPerPixel(format.layout);
  std::size_t bytesPerRow = format.bytesPerRow ? format.bytesPerRow : minimumRow;
  if (bytesPerRow < minimumRow || bytesPerRow > minimumRow + 4096) {
    setMessage(message, "bytes per row do not fit the width");
    return nullptr;
  }
  // The opaque layouts draw into a surface without alpha.
  cairo_format_t cairoFormat = opaqueLayout(format.layout) ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
  cairo_surface_t* surface =
      cairo_image_surface_create(cairoFormat, static_cast<int>(width), static_cast<int>(height));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    setMessage(message, "out of memory for the bitmap");
    return nullptr;
  }
  return std::unique_ptr<Context>(new Context(surface, width, height, 1.0, format, bytesPerRow));
}

std::unique_ptr<Context> Context::createForPoints(double width, double height, double scale,
                                                  const BitmapFormat& format,
                                                  std::string* message) {
  double pixelWidth = std::ceil(width * scale - 1e-9);
  double pixelHeight = std::ceil(height * scale - 1e-9);
  if (!std::isfinite(scale) || scale <= 0 || !std::isfinite(pixelWidth) ||
      !std::isfinite(pixelHeight) || pixelWidth < 1 || pixelHeight < 1) {
    setMessage(message, "empty bitmap");
    return nullptr;
  }
  if (pixelWidth > double(kMaximumImageSide) || pixelHeight > double(kMaximumImageSide)) {
    setMessage(message, "bitmap too large");
    return nullptr;
  }
  auto context = createBitmap(static_cast<std::size_t>(pixelWidth),
                              static_cast<std::size_t>(pixelHeight), format, message);
  if (context) {
    context->scale_ = scale;
    context->scaleCTM(scale, scale);
  }
  return context;
}

Context::Context(cairo_surface_t* surface, std::size_t width, std::size_t height, double scale,
                 const BitmapFormat& format, std::size_t bytesPerRow)
    : surface_(surface), cairo_(cairo_create(surface)), width_(width), height_(height),
      scale_(scale), format_(format), bytesPerRow_(bytesPerRow) {
  format_.bytesPerRow = bytesPerRow;
  cairo_set_fill_rule(cairo_, CAIRO_FILL_RULE_WINDING);
  cairo_set_line_width(cairo_, 1.0);
  cairo_set_miter_limit(cairo_, 10.0);
  // Curves are flattened to within 0.01 pixel (Cairo's default is 0.1,
  // which shrinks a circle of radius 10 by 0.6 %).
  cairo_set_tolerance(cairo_, 0.01);
  applyMatrix();
}

Context::~Context() {
  cairo_destroy(cairo_);
  cairo_surface_destroy(surface_);
}

// ---- pixels ----------------------------------------------------------------

const std::uint8_t* Context::data() {
  cairo_surface_flush(surface_);
  const auto* base = cairo_image_surface_get_data(surface_);
  const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface_));
  if (format_.layout == PixelLayout::premultipliedBGRA && std::endian::native == std::endian::little &&
      stride == bytesPerRow_)
    return base;
  converted_.assign(bytesPerRow_ * height_, 0);
  // One loop per layout, so that the per-pixel work is plain shifts.
  auto convert = [&](auto pixel) {
    for (std::size_t y = 0; y < height_; ++y) {
      const auto* in = reinterpret_cast<const std::uint32_t*>(base + y * stride);
      std::uint8_t* out = converted_.data() + y * bytesPerRow_;
      for (std::size_t x = 0; x < width_; ++x) out = pixel(in[x], out);
    }
  };
  switch (format_.layout) {
    case PixelLayout::premultipliedBGRA:
      convert([](std::uint32_t p, std::uint8_t* out) {
        out[0] = std::uint8_t(p), out[1] = std::uint8_t(p >> 8), out[2] = std::uint8_t(p >> 16),
        out[3] = std::uint8_t(p >> 24);
        return out + 4;
      });
      break;
    case PixelLayout::premultipliedRGBA:
      convert([](std::uint32_t p, std::uint8_t* out) {
        out[0] = std::uint8_t(p >> 16), out[1] = std::uint8_t(p >> 8), out[2] = std::uint8_t(p),
        out[3] = std::uint8_t(p >> 24);
        return out + 4;
      });
      break;
    case PixelLayout::rgbSkipLast:
      convert([](std::uint32_t p, std::uint8_t* out) {
        out[0] = std::uint8_t(p >> 16), out[1] = std::uint8_t(p >> 8), out[2] = std::uint8_t(p),
        out[3] = 255;
        return out + 4;
      });
      break;
    case PixelLayout::gray:
      convert([](std::uint32_t p, std::uint8_t* out) {
        *out = grayOf(p);
        return out + 1;
      });
      break;
  }
  return converted_.data();
}

std::shared_ptr<Image> Context::makeImage() {
  cairo_surface_flush(surface_);
  const auto* base = cairo_image_surface_get_data(surface_);
  const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface_));
  const bool opaque = opaqueLayout(format_.layout);
  const bool gray = format_.layout == PixelLayout::gray;
  std::vector<std::uint32_t> pixels(width_ * height_);
  for (std::size_t y = 0; y < height_; ++y) {
    const auto* in = reinterpret_cast<const std::uint32_t*>(base + y * stride);
    std::uint32_t* out = pixels.data() + y * width_;
    for (std::size_t x = 0; x < width_; ++x) {
      std::uint32_t p = in[x];
      if (gray) {
        std::uint8_t g = grayOf(p);
        p = packARGB(255, g, g, g);
      } else if (opaque) {
        p |= 0xff000000u;
      }
      out[x] = p;
    }
  }
  return Image::fromARGB(width_, height_, std::move(pixels), format_.colorSpace,
                         opaque ? AlphaInfo::none : AlphaInfo::premultipliedFirst);
}

// ---- state -----------------------------------------------------------------

void Context::saveGState() {
  cairo_save(cairo_);
  saved_.push_back(state_);
}

void Context::restoreGState() {
  if (saved_.empty()) return;  // unbalanced: ignored, as the platform does
  cairo_restore(cairo_);
  state_ = saved_.back();
  saved_.pop_back();
}

void Context::setAlpha(double alpha) {
  if (std::isfinite(alpha)) state_.alpha = std::clamp(alpha, 0.0, 1.0);
}

void Context::setLineWidth(double width) {
  if (!std::isfinite(width) || width < 0) return;
  state_.lineWidth = width;
  cairo_set_line_width(cairo_, width);
}

void Context::setLineDash(double phase, const double* lengths, std::size_t count) {
  bool usable = lengths && count > 0;
  bool anyPositive = false;
  for (std::size_t i = 0; usable && i < count; ++i) {
    if (!std::isfinite(lengths[i]) || lengths[i] < 0) usable = false;
    if (lengths[i] > 0) anyPositive = true;
  }
  if (!usable || !anyPositive) {
    cairo_set_dash(cairo_, nullptr, 0, 0);
    return;
  }
  cairo_set_dash(cairo_, lengths, static_cast<int>(count), std::isfinite(phase) ? phase : 0.0);
}

void Context::setLineCap(LineCap cap) {
  cairo_set_line_cap(cairo_, cap == LineCap::round    ? CAIRO_LINE_CAP_ROUND
                             : cap == LineCap::square ? CAIRO_LINE_CAP_SQUARE
                                                      : CAIRO_LINE_CAP_BUTT);
}

void Context::setLineJoin(LineJoin join) {
  cairo_set_line_join(cairo_, join == LineJoin::round   ? CAIRO_LINE_JOIN_ROUND
                              : join == LineJoin::bevel ? CAIRO_LINE_JOIN_BEVEL
                                                        : CAIRO_LINE_JOIN_MITER);
}

void Context::beginTransparencyLayer() {
  saveGState();
  const bool pushed = !state_.suspended;
  if (pushed) cairo_push_group(cairo_);
  layers_.push_back(pushed);
  state_.alpha = 1;
  state_.blendMode = BlendMode::normal;
}

void Context::endTransparencyLayer() {
  if (layers_.empty()) return;
  const bool pushed = layers_.back();
  layers_.pop_back();
  const State outer = saved_.empty() ? State{} : saved_.back();
  if (pushed) {
    cairo_pop_group_to_source(cairo_);
    cairo_save(cairo_);
    state_.blendMode = outer.blendMode;
    applyOperator();
    cairo_paint_with_alpha(cairo_, outer.alpha);
    cairo_restore(cairo_);
  }
  restoreGState();
}

// ---- transforms ------------------------------------------------------------

void Context::translateCTM(double tx, double ty) { concat(AffineTransform::translation(tx, ty)); }
void Context::scaleCTM(double sx, double sy) { concat(AffineTransform::scaling(sx, sy)); }
void Context::rotateCTM(double radians) { concat(AffineTransform::rotation(radians)); }
void Context::concatCTM(const AffineTransform& transform) { concat(transform); }

void Context::concat(const AffineTransform& transform) {
  state_.ctm = transform.concat(state_.ctm);
  if (state_.suspended) return;
  AffineTransform device = state_.ctm.concat({1, 0, 0, -1, 0, double(height_)});
  // Cairo refuses such a matrix for good; a tiny determinant would make
  // its inverse overflow.
  if (!device.isInvertible() || std::fabs(device.determinant()) < 1e-200) {
    state_.suspended = true;
    return;
  }
  applyMatrix();
}

void Context::applyMatrix() {
  AffineTransform m = state_.ctm.concat({1, 0, 0, -1, 0, double(height_)});
  cairo_matrix_t matrix;
  cairo_matrix_init(&matrix, m.a, m.b, m.c, m.d, m.tx, m.ty);
  cairo_set_matrix(cairo_, &matrix);
}

// ---- paths -----------------------------------------------------------------

bool Context::inDeviceRange(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  double dx = x, dy = y;
  cairo_user_to_device(cairo_, &dx, &dy);
  return std::fabs(dx) <= kMaximumDeviceCoordinate && std::fabs(dy) <= kMaximumDeviceCoordinate;
}

bool Context::acceptPoint(double x, double y) {
  if (state_.suspended || pathPoisoned_ || !inDeviceRange(x, y)) {
    pathPoisoned_ = true;
    return false;
  }
  return true;
}

void Context::beginPath() {
  cairo_new_path(cairo_);
  pathPoisoned_ = false;
}

void Context::moveToPoint(double x, double y) {
  if (acceptPoint(x, y)) cairo_move_to(cairo_, x, y);
}

void Context::addLineToPoint(double x, double y) {
  if (acceptPoint(x, y)) cairo_line_to(cairo_, x, y);
}

void Context::addCurveToPoint(double cp1x, double cp1y, double cp2x, double cp2y, double x,
                              double y) {
  if (acceptPoint(cp1x, cp1y) && acceptPoint(cp2x, cp2y) && acceptPoint(x, y))
    cairo_curve_to(cairo_, cp1x, cp1y, cp2x, cp2y, x, y);
}

void Context::addArcToPoint(double x1, double y1, double x2, double y2, double radius) {
  if (!acceptPoint(x1, y1) || !acceptPoint(x2, y2) || !std::isfinite(radius) || radius < 0) {
    pathPoisoned_ = true;
    return;
  }
  if (!cairo_has_current_point(cairo_)) {
    cairo_move_to(cairo_, x1, y1);
    return;
  }
  double x0, y0;
  cairo_get_current_point(cairo_, &x0, &y0);
  // Unit vectors from the corner towards the two other points.
  double ax = x0 - x1, ay = y0 - y1, bx = x2 - x1, by = y2 - y1;
  double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
  double cross = ax * by - ay * bx;
  if (radius == 0 || la == 0 || lb == 0 || std::fabs(cross) <= 1e-12 * la * lb) {
    cairo_line_to(cairo_, x1, y1);
    return;
  }
  ax /= la, ay /= la, bx /= lb, by /= lb;
  double cosine = std::clamp(ax * bx + ay * by, -1.0, 1.0);
  double half = std::acos(cosine) / 2;  // half the angle at the corner
  double tangent = radius / std::tan(half);
  double centre = radius / std::sin(half);
  double tx0 = x1 + ax * tangent, ty0 = y1 + ay * tangent;
  double tx1 = x1 + bx * tangent, ty1 = y1 + by * tangent;
  double mx = ax + bx, my = ay + by, lm = std::hypot(mx, my);
  double cx = x1 + mx / lm * centre, cy = y1 + my / lm * centre;
  if (!acceptPoint(tx0, ty0) || !acceptPoint(tx1, ty1) || !acceptPoint(cx, cy)) return;
  double start = std::atan2(ty0 - cy, tx0 - cx), end = std::atan2(ty1 - cy, tx1 - cx);
  cairo_line_to(cairo_, tx0, ty0);
  // Turning from the incoming direction towards the outgoing one: the arc
  // runs the short way round, in the sense of that turn.
  if (cross < 0) cairo_arc(cairo_, cx, cy, radius, start, end);
  else cairo_arc_negative(cairo_, cx, cy, radius, start, end);
}

void Context::addRect(const Rect& r) {
  if (!acceptPoint(r.x(), r.y()) || !acceptPoint(r.x() + r.width(), r.y() + r.height()) ||
      !acceptPoint(r.x() + r.width(), r.y()) || !acceptPoint(r.x(), r.y() + r.height()))
    return;
  cairo_move_to(cairo_, r.x(), r.y());
  cairo_line_to(cairo_, r.x() + r.width(), r.y());
  cairo_line_to(cairo_, r.x() + r.width(), r.y() + r.height());
  cairo_line_to(cairo_, r.x(), r.y() + r.height());
  cairo_close_path(cairo_);
}

void Context::addEllipseInRect(const Rect& rect) {
  Rect r = rect.standardized();
  if (!acceptPoint(r.minX(), r.minY()) || !acceptPoint(r.maxX(), r.maxY()) ||
      !acceptPoint(r.minX(), r.maxY()) || !acceptPoint(r.maxX(), r.minY()))
    return;
  double cx = r.midX(), cy = r.midY(), rx = r.width() / 2, ry = r.height() / 2;
  double kx = rx * kQuarterCircleKappa, ky = ry * kQuarterCircleKappa;
  // Four cubic quarters from the rightmost point.
  cairo_move_to(cairo_, cx + rx, cy);
  cairo_curve_to(cairo_, cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
  cairo_curve_to(cairo_, cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
  cairo_curve_to(cairo_, cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
  cairo_curve_to(cairo_, cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
  cairo_close_path(cairo_);
}

void Context::closePath() {
  if (!state_.suspended && !pathPoisoned_ && cairo_has_current_point(cairo_))
    cairo_close_path(cairo_);
}

bool Context::isPathEmpty() const { return !cairo_has_current_point(cairo_) && !pathPoisoned_; }

void Context::finishPath() {
  cairo_new_path(cairo_);
  pathPoisoned_ = false;
}

// ---- drawing ---------------------------------------------------------------

void Context::applySource(const Color& color) {
  cairo_set_source_rgba(cairo_, unit(color.r), unit(color.g), unit(color.b),
                        unit(color.a) * state_.alpha);
}

void Context::applyOperator() {
  switch (state_.blendMode) {
    case BlendMode::normal: cairo_set_operator(cairo_, CAIRO_OPERATOR_OVER); break;
    case BlendMode::sourceAtop: cairo_set_operator(cairo_, CAIRO_OPERATOR_ATOP); break;
    case BlendMode::copy: cairo_set_operator(cairo_, CAIRO_OPERATOR_SOURCE); break;
  }
}

void Context::strokePath() { drawPath(PathDrawingMode::stroke); }
void Context::fillPath() { drawPath(PathDrawingMode::fill); }

void Context::drawPath(PathDrawingMode mode) {
  if (state_.suspended || pathPoisoned_) {
    finishPath();
    return;
  }
  applyOperator();
  if (mode != PathDrawingMode::stroke) {
    applySource(state_.fill);
    cairo_fill_preserve(cairo_);
  }
  if (mode != PathDrawingMode::fill) {
    applySource(state_.stroke);
    cairo_stroke_preserve(cairo_);
  }
  finishPath();
}

template <typename Draw>
void Context::withTemporaryPath(Draw draw) {
  if (state_.suspended) return;
  cairo_path_t* saved = cairo_has_current_point(cairo_) ? cairo_copy_path(cairo_) : nullptr;
  bool poisoned = std::exchange(pathPoisoned_, false);
  cairo_new_path(cairo_);
  draw();
  cairo_new_path(cairo_);
  if (saved) {
    cairo_append_path(cairo_, saved);
    cairo_path_destroy(saved);
  }
  pathPoisoned_ = poisoned;
}

void Context::drawShape(const Rect& rect, bool ellipse, PathDrawingMode mode) {
  withTemporaryPath([&] {
    if (ellipse) addEllipseInRect(rect);
    else addRect(rect);
    drawPath(mode);
  });
}

void Context::fillRect(const Rect& rect) { drawShape(rect, false, PathDrawingMode::fill); }
void Context::strokeRect(const Rect& rect) { drawShape(rect, false, PathDrawingMode::stroke); }
void Context::fillEllipseInRect(const Rect& rect) { drawShape(rect, true, PathDrawingMode::fill); }
void Context::strokeEllipseInRect(const Rect& rect) {
  drawShape(rect, true, PathDrawingMode::stroke);
}

void Context::clearRect(const Rect& rect) {
  withTemporaryPath([&] {
    addRect(rect);
    if (pathPoisoned_) return;
    cairo_set_operator(cairo_, CAIRO_OPERATOR_CLEAR);
    cairo_fill(cairo_);
  });
}

void Context::clip() {
  if (state_.suspended) {
    finishPath();
    return;
  }
  if (pathPoisoned_) {
    // An unusable clip path leaves nothing visible, not everything.
    cairo_new_path(cairo_);
    cairo_rectangle(cairo_, 0, 0, 0, 0);
  }
  cairo_clip(cairo_);
  pathPoisoned_ = false;
}

Rect Context::clipBoundingBox() const {
  if (state_.suspended) return {};
  double x1, y1, x2, y2;
  cairo_clip_extents(cairo_, &x1, &y1, &x2, &y2);
  return Rect{x1, y1, x2 - x1, y2 - y1}.standardized();
}

void Context::clipToRect(const Rect& rect) {
  withTemporaryPath([&] {
    addRect(rect);
    clip();
  });
}

void Context::drawLinearGradient(const Gradient& gradient, Point start, Point end,
                                 unsigned options) {
  if (state_.suspended || !inDeviceRange(start.x, start.y) || !inDeviceRange(end.x, end.y))
    return;
  double ax = end.x - start.x, ay = end.y - start.y, length = std::hypot(ax, ay);
  if (length == 0) return;
  withTemporaryPath([&] {
    cairo_pattern_t* pattern = cairo_pattern_create_linear(start.x, start.y, end.x, end.y);
    for (const Gradient::Stop& stop : gradient.stops())
      cairo_pattern_add_color_stop_rgba(pattern, stop.location, unit(stop.color.r),
                                        unit(stop.color.g), unit(stop.color.b),
                                        unit(stop.color.a) * state_.alpha);
    const bool before = options & kGradientDrawsBeforeStartLocation;
    const bool after = options & kGradientDrawsAfterEndLocation;
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_save(cairo_);
    if (!(before && after)) {
      // The band between the two ends (open on an extended side), reaching
      // past every corner of the bitmap.
      double reach = length;
      double corners[4][2] = {{0, 0}, {double(width_), 0}, {0, double(height_)},
                              {double(width_), double(height_)}};
      for (auto& corner : corners) {
        double x = corner[0], y = corner[1];
        cairo_device_to_user(cairo_, &x, &y);
        reach = std::max(reach, std::hypot(x - start.x, y - start.y));
      }
      reach *= 2;
      double ux = ax / length, uy = ay / length, px = -uy * reach, py = ux * reach;
      double from = before ? -reach : 0.0, to = after ? length + reach : length;
      cairo_move_to(cairo_, start.x + ux * from + px, start.y + uy * from + py);
      cairo_line_to(cairo_, start.x + ux * to + px, start.y + uy * to + py);
      cairo_line_to(cairo_, start.x + ux * to - px, start.y + uy * to - py);
      cairo_line_to(cairo_, start.x + ux * from - px, start.y + uy * from - py);
      cairo_close_path(cairo_);
      cairo_clip(cairo_);
    }
    applyOperator();
    cairo_set_source(cairo_, pattern);
    cairo_paint(cairo_);
    cairo_restore(cairo_);
    cairo_pattern_destroy(pattern);
  });
}

void Context::drawImage(const Rect& rect, const Image& image) {
  Rect r = rect.standardized();
  if (state_.suspended || !r.isFinite() || r.isEmpty()) return;
  withTemporaryPath([&] {
    addRect(r);
    if (pathPoisoned_) return;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.data())),
        CAIRO_FORMAT_ARGB32, static_cast<int>(image.width()), static_cast<int>(image.height()),
        static_cast<int>(image.bytesPerRow()));
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    // User space to image pixels: the image's top row at the rectangle's
    // top (largest y).
    double sx = double(image.width()) / r.width(), sy = double(image.height()) / r.height();
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, sx, 0, 0, -sy, -r.x() * sx, (r.y() + r.height()) * sy);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_filter_t filter = CAIRO_FILTER_GOOD;
    switch (state_.interpolation) {
      case InterpolationQuality::none: filter = CAIRO_FILTER_NEAREST; break;
      case InterpolationQuality::low: case InterpolationQuality::medium:
        filter = CAIRO_FILTER_BILINEAR;
        break;
      case InterpolationQuality::defaultQuality: case InterpolationQuality::high:
        filter = CAIRO_FILTER_GOOD;
        break;
    }
    cairo_pattern_set_filter(pattern, filter);
    cairo_save(cairo_);
    cairo_clip(cairo_);
    applyOperator();
    cairo_set_source(cairo_, pattern);
    cairo_paint_with_alpha(cairo_, state_.alpha);
    cairo_restore(cairo_);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(surface);
  });
}

void Context::drawWithSource(Point at, const Color& color,
                             const std::function<void(cairo_t*)>& draw) {
  if (state_.suspended || !inDeviceRange(at.x, at.y)) return;
  withTemporaryPath([&] {
    cairo_save(cairo_);
    applyOperator();
    applySource(color);
    cairo_move_to(cairo_, at.x, at.y);
    draw(cairo_);
    cairo_restore(cairo_);
  });
}

}  // namespace cg
