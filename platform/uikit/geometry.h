// Geometry of the interface: points, sizes, rectangles and transforms of
// the 2-D layer, and edge insets. Interface coordinates have y downwards.
#pragma once

#include "platform/coregraphics/geometry.h"

namespace ui {

using Point = cg::Point;
using Size = cg::Size;
using Rect = cg::Rect;
using AffineTransform = cg::AffineTransform;

struct EdgeInsets {
  double top = 0, left = 0, bottom = 0, right = 0;
  bool operator==(const EdgeInsets&) const = default;
  bool isZero() const { return top == 0 && left == 0 && bottom == 0 && right == 0; }
};

inline Rect insetRect(const Rect& r, const EdgeInsets& i) {
  return {r.x() + i.left, r.y() + i.top, r.width() - i.left - i.right, r.height() - i.top - i.bottom};
}

// Rectangles of huge or non-finite size are cut to this, so that no
// conversion to pixels overflows (a view may be given the largest double
// as its size).
constexpr double kMaximumCoordinate = 1e7;
Rect saneRect(const Rect& rect);

}  // namespace ui
