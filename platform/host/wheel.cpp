#include "platform/host/wheel.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/uikit/application.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/scroll_view.h"

namespace host {
namespace {

// Touch identifiers of the pinch's two fingers, apart from the host's own.
constexpr int kWheelFingers[2] = {90, 91};
constexpr double kMostNotchesZoomed = 10;

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

// The fingers first move without spreading, as a pinch's first move only
// sets where the fingers were; then they spread in moves of at most one
// notch each, as a view takes a limited ratio from one move.
void pinch(ui::Point at, double notchesY, double timestamp) {
  ui::Application& app = ui::Application::shared();
  auto fingers = [&](ui::TouchPhase phase, double spread) {
    return std::vector<ui::TouchInput>{{kWheelFingers[0], phase, {at.x - spread / 2, at.y}},
                                       {kWheelFingers[1], phase, {at.x + spread / 2, at.y}}};
  };
  const int moves = std::max(1, int(std::ceil(std::abs(notchesY))));
  double spread = kWheelPinchSpan, stamp = timestamp;
  app.handleTouches(fingers(ui::TouchPhase::began, spread), stamp);
  app.handleTouches(fingers(ui::TouchPhase::moved, spread), stamp += 0.01);
  for (int i = 0; i < moves; ++i) {
    spread *= std::pow(kWheelPinchFactorPerNotch, notchesY / moves);
    app.handleTouches(fingers(ui::TouchPhase::moved, spread), stamp += 0.01);
  }
  app.handleTouches(fingers(ui::TouchPhase::ended, spread), stamp + 0.01);
}

// A touchpad turns the wheel in fractions of a notch, each too small a
// spread for a view's pinch to begin: the turns add up over one view and
// go out as a pinch once they come to a notch. Turning back, or over
// another view, starts afresh.
void pinchByWholeNotches(ui::View& view, ui::Point at, double notchesY, double timestamp) {
  static std::weak_ptr<ui::Object> pendingView;
  static double pendingNotches = 0;
  if (pendingView.lock().get() != static_cast<ui::Object*>(&view) || pendingNotches * notchesY < 0) pendingNotches = 0;
  pendingView = view.weak_from_this();
  pendingNotches += notchesY;
  // Short of a notch by no more than rounding (ten tenths) is a notch.
  if (std::abs(pendingNotches) < 1 - 1e-9) return;
  const double notches = pendingNotches;
  pendingNotches = 0;
  pinch(at, notches, timestamp);
}

}  // namespace

std::pair<ui::Point, ui::Point> dragPinchFingers(ui::Point press, ui::Point pointer) {
  // Far enough for any zoom, short of overflowing the spread.
  constexpr double kMostNotches = 200;
  const double notches = std::clamp((press.y - pointer.y) / kDragPointsPerNotch, -kMostNotches, kMostNotches);
  const double half = kWheelPinchSpan / 2 * std::pow(kWheelPinchFactorPerNotch, std::isfinite(notches) ? notches : 0);
  return {{press.x - half, press.y}, {press.x + half, press.y}};
}

void turnWheel(ui::Point at, double notchesX, double notchesY, double timestamp) {
  if (!std::isfinite(notchesX) || !std::isfinite(notchesY)) return;
  ui::View* hit = ui::Application::shared().viewAt(at);
  if (hit == nullptr) return;
  // A table scrolls under its cells' switches too.
  if (ui::ScrollView* scrollView = enclosing<ui::ScrollView>(hit)) {
    if (scrollView->scrollEnabled) scroll(*scrollView, notchesX, notchesY);
    return;
  }
  if (notchesY == 0 || enclosing<ui::Control>(hit) != nullptr) return;
  // A flung wheel can report many notches at once: a zoom takes a few.
  notchesY = std::clamp(notchesY, -kMostNotchesZoomed, kMostNotchesZoomed);
  if (auto* target = enclosing<WheelZoomTarget>(hit)) {
    const ui::Point inView = dynamic_cast<ui::View*>(target)->convertPointFrom(at, nullptr);
    target->zoomAboutPoint(inView, std::pow(kWheelPinchFactorPerNotch, notchesY));
    return;
  }
  pinchByWholeNotches(*hit, at, notchesY, timestamp);
}

}  // namespace host
