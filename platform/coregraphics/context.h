// Bitmap drawing contexts over Cairo.
//
// Thread rules: a context belongs to one thread at a time; images and
// gradients it draws may be shared.
//
// User space starts as the bitmap's own: the origin at the bottom-left
// corner, y upwards, one unit per pixel (times the scale a context was
// made with). Callers that want y downwards (the interface layer) flip it
// with a translation and a scale, as they would on the original platform.
//
// Cairo has one source; a context keeps separate stroke and fill colours
// and applies the right one when it strokes or fills. Cairo also stops
// drawing for good once it is handed a non-invertible transform or a
// non-finite value, and turns huge coordinates into garbage. This context
// refuses them instead: a transform that cannot be inverted (a zero scale)
// suspends drawing until the matching restoreGState(); a path that
// receives a non-finite or out-of-range point is discarded at its next
// stroke, fill or clip. Nothing is drawn for that shape, the saved states
// stay balanced and the context keeps working.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/coregraphics/color.h"
#include "platform/coregraphics/geometry.h"
#include "platform/coregraphics/gradient.h"
#include "platform/coregraphics/image.h"

namespace cg {

// Byte layouts of a bitmap context's pixels.
enum class PixelLayout {
  premultipliedBGRA,  // bytes B, G, R, A (Cairo's own on little-endian hosts)
  premultipliedRGBA,  // bytes R, G, B, A
  rgbSkipLast,        // bytes R, G, B, unused (opaque)
  gray,               // one byte of grey per pixel (opaque)
};

struct BitmapFormat {
  ColorSpace colorSpace = ColorSpace::deviceRGB;
  PixelLayout layout = PixelLayout::premultipliedBGRA;
  std::size_t bytesPerRow = 0;  // 0: as few as the layout needs
};

enum class BlendMode { normal, sourceAtop, copy };
enum class LineCap { butt, round, square };
enum class LineJoin { miter, round, bevel };
enum class PathDrawingMode { fill, stroke, fillStroke };
enum class InterpolationQuality { defaultQuality, none, low, medium, high };

// Gradient drawing may extend the end colours beyond the axis.
enum GradientDrawingOptions : unsigned {
  kGradientDrawsBeforeStartLocation = 1u << 0,
  kGradientDrawsAfterEndLocation = 1u << 1,
};

class Context {
 public:
  // Points whose device coordinates lie further out than this are refused
  // (Cairo keeps 24.8 fixed-point coordinates).
  static constexpr double kMaximumDeviceCoordinate = 4194304.0;

  // A bitmap of width x height pixels, cleared to transparent (to black for
  // the opaque layouts). Null with a short reason when the size is empty or
  // beyond the image limits, or the format is not one listed above.
  static std::unique_ptr<Context> createBitmap(std::size_t width, std::size_t height,
                                               const BitmapFormat& format = {},
                                               std::string* message = nullptr);
  // width x height points at `scale` pixels per point: a bitmap of
  // ceil(width x scale) x ceil(height x scale) pixels whose user space
  // counts points.
  static std::unique_ptr<Context> createForPoints(double width, double height, double scale,
                                                  const BitmapFormat& format = {},
                                                  std::string* message = nullptr);
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  std::size_t width() const { return width_; }
  std::size_t height() const { return height_; }
  std::size_t bytesPerRow() const { return bytesPerRow_; }
  double scale() const { return scale_; }
  const BitmapFormat& format() const { return format_; }
  // The pixels in the context's layout, rows from the top, as drawn so far.
  // Valid until the next drawing call.
  const std::uint8_t* data();
  // An image of what has been drawn so far.
  std::shared_ptr<Image> makeImage();

  // Graphics state.
  void saveGState();
  void restoreGState();
  void setStrokeColor(const Color& color) { state_.stroke = color; }
  void setFillColor(const Color& color) { state_.fill = color; }
  void setStrokeColor(double r, double g, double b, double a) { state_.stroke = {r, g, b, a}; }
  void setFillColor(double r, double g, double b, double a) { state_.fill = {r, g, b, a}; }
  Color strokeColor() const { return state_.stroke; }
  Color fillColor() const { return state_.fill; }
  void setAlpha(double alpha);
  void setLineWidth(double width);
  double lineWidth() const { return state_.lineWidth; }
  // Alternating lengths of dashes and gaps in user space, starting `phase`
  // into the pattern; no lengths (or all zero, or any negative) is solid.
  void setLineDash(double phase, const double* lengths, std::size_t count);
  void setLineCap(LineCap cap);
  void setLineJoin(LineJoin join);
  void setBlendMode(BlendMode mode) { state_.blendMode = mode; }
  BlendMode blendMode() const { return state_.blendMode; }
  void setInterpolationQuality(InterpolationQuality quality) { state_.interpolation = quality; }

  // Everything drawn until endTransparencyLayer() is composited as one
  // image, with the alpha and blend mode in force at the beginning (the
  // state is saved at the beginning and restored at the end). Layers nest.
  void beginTransparencyLayer();
  void endTransparencyLayer();

  // Transforms apply to what follows, before the transform already there.
  void translateCTM(double tx, double ty);
  void scaleCTM(double sx, double sy);
  void rotateCTM(double radians);
  void concatCTM(const AffineTransform& transform);
  // User space to the bitmap's pixels (origin bottom-left, y up).
  AffineTransform getCTM() const { return state_.ctm; }

  // The clip becomes its intersection with the current path (non-zero
  // winding), which is then cleared.
  void clip();
  void clipToRect(const Rect& rect);
  // The smallest rectangle of user space that holds everything still
  // drawable (the clip, within the bitmap).
  Rect clipBoundingBox() const;

  // Paths. The path is not part of the saved state.
  void beginPath();
  void moveToPoint(double x, double y);
  void addLineToPoint(double x, double y);
  void addCurveToPoint(double cp1x, double cp1y, double cp2x, double cp2y, double x, double y);
  // An arc of `radius` tangent to the line from the current point to
  // (x1, y1) and to the line from (x1, y1) to (x2, y2); a straight line to
  // (x1, y1) when the three points are in line or the radius is 0.
  void addArcToPoint(double x1, double y1, double x2, double y2, double radius);
  void addRect(const Rect& rect);
  void addEllipseInRect(const Rect& rect);
  void closePath();
  bool isPathEmpty() const;

  // Drawing consumes the current path.
  void strokePath();
  void fillPath();  // non-zero winding
  void drawPath(PathDrawingMode mode);
  // These leave the current path alone.
  void fillRect(const Rect& rect);
  void strokeRect(const Rect& rect);
  void fillEllipseInRect(const Rect& rect);
  void strokeEllipseInRect(const Rect& rect);
  // Sets every pixel of the rectangle to transparent.
  void clearRect(const Rect& rect);

  void drawLinearGradient(const Gradient& gradient, Point start, Point end, unsigned options);
  // The image scaled into the rectangle, upright in y-up user space.
  void drawImage(const Rect& rect, const Image& image);

  // For the text and glyph layers: runs `draw` on the Cairo context with
  // `color` (times the context's alpha) as its source, the blend mode
  // applied, the current point at `at` and the caller's path kept aside.
  // Nothing runs while drawing is suspended or when `at` is not a point the
  // context can draw at.
  void drawWithSource(Point at, const Color& color, const std::function<void(cairo_t*)>& draw);
  // True when a point of user space lies within the device range.
  bool isDrawable(Point point) const { return inDeviceRange(point.x, point.y); }
  // The Cairo context in its present state (tests).
  cairo_t* cairo() const { return cairo_; }
  // True while drawing is suspended by a non-invertible transform.
  bool isDrawingSuspended() const { return state_.suspended; }

 private:
  struct State {
    Color stroke{0, 0, 0, 1};
    Color fill{0, 0, 0, 1};
    double alpha = 1;
    double lineWidth = 1;
    BlendMode blendMode = BlendMode::normal;
    InterpolationQuality interpolation = InterpolationQuality::defaultQuality;
    AffineTransform ctm;
    bool suspended = false;
  };

  Context(cairo_surface_t* surface, std::size_t width, std::size_t height, double scale,
          const BitmapFormat& format, std::size_t bytesPerRow);
  void concat(const AffineTransform& transform);
  void applyMatrix();
  bool inDeviceRange(double x, double y) const;
  bool acceptPoint(double x, double y);
  void applySource(const Color& color);
  void applyOperator();
  // Replaces the current path with a rectangle or ellipse for one drawing
  // call and puts the caller's path back afterwards.
  template <typename Draw>
  void withTemporaryPath(Draw draw);
  void drawShape(const Rect& rect, bool ellipse, PathDrawingMode mode);
  void finishPath();

  cairo_surface_t* surface_;
  cairo_t* cairo_;
  std::size_t width_, height_;
  double scale_;
  BitmapFormat format_;
  std::size_t bytesPerRow_;
  std::vector<std::uint8_t> converted_;  // data() for layouts Cairo lacks
  State state_;
  std::vector<State> saved_;
  std::vector<bool> layers_;  // per open layer: whether a group was pushed
  bool pathPoisoned_ = false;
  bool hasCurrentPoint_ = false;
  Point pathStart_, currentPoint_;  // user space, for addArcToPoint
};

}  // namespace cg
