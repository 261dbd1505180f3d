#include "platform/host/wheel.h"

#include <algorithm>
#include <cmath>

#include "platform/uikit/application.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/scroll_view.h"

namespace host {
namespace {

// Touch identifiers of the pinch's two fingers, apart from the host's own.
constexpr int kWheelFingers[2] = {90, 91};

template <typename T>
T* enclosing(ui::View* view) {
  for (; view != nullptr; view = view->superview())
    if (auto* found = dynamic_cast<T*>(view)) return found;
  return nullptr;
}

void scroll(ui::ScrollView& view, double notchesX, double notchesY) {
  const ui::Point low = view.minimumOffset(), high = view.maximumOffset(), now = view.contentOffset();
  // Turning away from the user shows what lies above: the offset falls.
  const ui::Point next{std::clamp(now.x + notchesX * kWheelScrollPoints, low.x, std::max(low.x, high.x)),
                       std::clamp(now.y - notchesY * kWheelScrollPoints, low.y, std::max(low.y, high.y))};
  if (next.x != now.x || next.y != now.y) view.setContentOffset(next, false);
}

void pinch(ui::Point at, double notchesY, double timestamp) {
  ui::Application& app = ui::Application::shared();
  const double half = kWheelPinchSpan / 2, spread = half * std::pow(kWheelPinchFactorPerNotch, notchesY);
  auto fingers = [&](ui::TouchPhase phase, double offset) {
    return std::vector<ui::TouchInput>{{kWheelFingers[0], phase, {at.x - offset, at.y}},
                                       {kWheelFingers[1], phase, {at.x + offset, at.y}}};
  };
  app.handleTouches(fingers(ui::TouchPhase::began, half), timestamp);
  app.handleTouches(fingers(ui::TouchPhase::moved, spread), timestamp + 0.01);
  app.handleTouches(fingers(ui::TouchPhase::ended, spread), timestamp + 0.02);
}

}  // namespace

void turnWheel(ui::Point at, double notchesX, double notchesY, double timestamp) {
  if (!std::isfinite(notchesX) || !std::isfinite(notchesY)) return;
  ui::View* hit = ui::Application::shared().viewAt(at);
  if (hit == nullptr) return;
  // A table scrolls under its cells' switches too.
  if (ui::ScrollView* scrollView = enclosing<ui::ScrollView>(hit)) {
    if (scrollView->scrollEnabled) scroll(*scrollView, notchesX, notchesY);
    return;
  }
  if (enclosing<ui::Control>(hit) == nullptr && notchesY != 0) pinch(at, notchesY, timestamp);
}

}  // namespace host
