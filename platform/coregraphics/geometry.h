// Points, sizes, rectangles and affine transforms of the 2-D layer.
//
// Units are those of the space a value lives in: user space of a context
// (points) or device space (pixels). Rectangles may have negative sizes, as
// the drawing calls accept them; `standardized()` makes them positive.
#pragma once

#include <cmath>

namespace cg {

struct Point {
  double x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  Point origin;
  Size size;

  constexpr Rect() = default;
  constexpr Rect(double x, double y, double width, double height)
      : origin{x, y}, size{width, height} {}
  bool operator==(const Rect&) const = default;

  double x() const { return origin.x; }
  double y() const { return origin.y; }
  double width() const { return size.width; }
  double height() const { return size.height; }
  double minX() const { return std::fmin(origin.x, origin.x + size.width); }
  double maxX() const { return std::fmax(origin.x, origin.x + size.width); }
  double minY() const { return std::fmin(origin.y, origin.y + size.height); }
  double maxY() const { return std::fmax(origin.y, origin.y + size.height); }
  double midX() const { return origin.x + size.width / 2; }
  double midY() const { return origin.y + size.height / 2; }
  bool isEmpty() const { return !(size.width != 0 && size.height != 0); }
  bool isFinite() const {
    return std::isfinite(origin.x) && std::isfinite(origin.y) && std::isfinite(size.width) &&
           std::isfinite(size.height);
  }
  Rect standardized() const { return {minX(), minY(), maxX() - minX(), maxY() - minY()}; }
  // Moved in by dx on the left and right and dy at the top and bottom.
  Rect insetBy(double dx, double dy) const {
    Rect r = standardized();
    return {r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy};
  }
  bool contains(Point p) const {
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
  }
};

// x' = a x + c y + tx, y' = b x + d y + ty.
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  bool operator==(const AffineTransform&) const = default;

  static AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static AffineTransform scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static AffineTransform rotation(double radians) {
    double s = std::sin(radians), k = std::cos(radians);
    return {k, s, -s, k, 0, 0};
  }

  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  // Applies without the translation (a distance or a direction).
  Point applyToVector(Point v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }
  // This transform applied first, then `then`.
  AffineTransform concat(const AffineTransform& then) const {
    return {a * then.a + b * then.c,        a * then.b + b * then.d,
            c * then.a + d * then.c,        c * then.b + d * then.d,
            tx * then.a + ty * then.c + then.tx, tx * then.b + ty * then.d + then.ty};
  }
  double determinant() const { return a * d - b * c; }
  bool isFinite() const {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) &&
           std::isfinite(tx) && std::isfinite(ty);
  }
  // Finite and mapping areas to areas, so that it has an inverse.
  bool isInvertible() const {
    double det = determinant();
    return isFinite() && std::isfinite(det) && det != 0;
  }
  AffineTransform inverted() const {
    double det = determinant();
    return {d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
  }
};

}  // namespace cg
