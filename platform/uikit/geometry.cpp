#include "platform/uikit/geometry.h"

#include <algorithm>
#include <cmath>

namespace ui {

Rect saneRect(const Rect& r) {
  auto clamp = [](double v) {
    if (std::isnan(v)) return 0.0;
    return std::clamp(v, -kMaximumCoordinate, kMaximumCoordinate);
  };
  return {clamp(r.x()), clamp(r.y()), clamp(r.width()), clamp(r.height())};
}

}  // namespace ui
