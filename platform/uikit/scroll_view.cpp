#include "platform/uikit/scroll_view.h"

#include <algorithm>
#include <cmath>

namespace ui {
namespace {
constexpr double kTick = 1.0 / 60;
// The platform's normal deceleration: speed kept per millisecond.
constexpr double kDecelerationRate = 0.998;
constexpr double kScrollAnimationSeconds = 0.3;
}  // namespace

ScrollView::ScrollView() : ScrollView(Rect{}) {}

ScrollView::ScrollView(const Rect& frame) : View(frame) {
  setClipsToBounds(true);
  pan_ = std::make_shared<PanGestureRecognizer>();
  pan_->addAction([this](GestureRecognizer& g) { handlePan(g); });
  pan_->delegate = this;
  addGestureRecognizer(pan_);
}

bool ScrollView::gestureRecognizerShouldBegin(GestureRecognizer& g) {
  const Point t = static_cast<PanGestureRecognizer&>(g).translationInView(this);
  const bool sideways = std::fabs(t.x) > std::fabs(t.y);
  return !sideways || contentSize_.width > bounds().width();
}

ScrollView::~ScrollView() {
  if (timer_) timer_->invalidate();
}

bool ScrollView::setValue(std::string_view key, const std::any& value) {
  if (key == "scrollEnabled") {
    if (auto* b = std::any_cast<bool>(&value)) return scrollEnabled = *b, true;
    return false;
  }
  return View::setValue(key, value);
}

void ScrollView::setContentSize(Size size) {
  contentSize_ = {std::isfinite(size.width) ? std::max(0.0, size.width) : 0,
                  std::isfinite(size.height) ? std::max(0.0, size.height) : 0};
  setNeedsLayout();
}

Point ScrollView::minimumOffset() const { return {-contentInset.left, -contentInset.top}; }

Point ScrollView::maximumOffset() const {
  Point low = minimumOffset();
  return {std::max(low.x, contentSize_.width + contentInset.right - bounds().width()),
          std::max(low.y, contentSize_.height + contentInset.bottom - bounds().height())};
}

void ScrollView::setBounds(const Rect& bounds) {
  const Point before = this->bounds().origin;
  View::setBounds(bounds);
  if (before != this->bounds().origin) {
    setNeedsLayout();
    didScroll();
    if (scrollDelegate) scrollDelegate->scrollViewDidScroll(*this);
  }
}

void ScrollView::setContentOffset(Point offset, bool animated) {
  if (!std::isfinite(offset.x) || !std::isfinite(offset.y)) return;
  stopMotion();
  if (!animated) {
    Rect b = bounds();
    b.origin = offset;
    setBounds(b);
    return;
  }
  animating_ = true;
  animationFrom_ = contentOffset();
  animationTo_ = offset;
  animationStart_ = ns::RunLoop::main().now();
  std::weak_ptr<Object> self = weak_from_this();
  timer_ = ns::RunLoop::main().scheduleTimer(kTick, true, [self](ns::Timer& timer) {
    auto view = std::static_pointer_cast<ScrollView>(self.lock());
    if (!view) return timer.invalidate();
    double t = std::min(1.0, (ns::RunLoop::main().now() - view->animationStart_) / kScrollAnimationSeconds);
    double e = t * t * (3 - 2 * t);
    Rect b = view->bounds();
    b.origin = {view->animationFrom_.x + (view->animationTo_.x - view->animationFrom_.x) * e,
                view->animationFrom_.y + (view->animationTo_.y - view->animationFrom_.y) * e};
    view->setBounds(b);
    if (t >= 1) view->stopMotion();
  });
}

void ScrollView::scrollRectToVisible(const Rect& rect, bool animated) {
  Point offset = contentOffset();
  const Rect b = bounds();
  if (rect.y() < b.y()) offset.y = rect.y();
  else if (rect.maxY() > b.maxY()) offset.y = rect.maxY() - b.height();
  if (rect.x() < b.x()) offset.x = rect.x();
  else if (rect.maxX() > b.maxX()) offset.x = rect.maxX() - b.width();
  Point low = minimumOffset(), high = maximumOffset();
  offset = {std::clamp(offset.x, low.x, high.x), std::clamp(offset.y, low.y, high.y)};
  setContentOffset(offset, animated);
}

void ScrollView::stopMotion() {
  if (timer_) timer_->invalidate();
  timer_.reset();
  const bool wasDecelerating = decelerating_;
  decelerating_ = animating_ = false;
  if (wasDecelerating && scrollDelegate) scrollDelegate->scrollViewDidEndDecelerating(*this);
}

void ScrollView::handlePan(GestureRecognizer& g) {
  auto& pan = static_cast<PanGestureRecognizer&>(g);
  if (!scrollEnabled) return;
  const Point low = minimumOffset(), high = maximumOffset();
  switch (pan.state()) {
    case GestureState::began:
      stopMotion();
      dragging_ = true;
      dragStart_ = contentOffset();
      if (scrollDelegate) scrollDelegate->scrollViewWillBeginDragging(*this);
      [[fallthrough]];
    case GestureState::changed: {
      Point t = pan.translationInView(this);
      // Content follows the finger; only directions with room move.
      Point offset{contentSize_.width > bounds().width() ? dragStart_.x - t.x : dragStart_.x,
                   dragStart_.y - t.y};
      offset = {std::clamp(offset.x, low.x, high.x), std::clamp(offset.y, low.y, high.y)};
      Rect b = bounds();
      b.origin = offset;
      setBounds(b);
      break;
    }
    case GestureState::ended: {
      dragging_ = false;
      velocity_ = pan.velocityInView(this);
      const bool glides = std::hypot(velocity_.x, velocity_.y) > 50;
      if (scrollDelegate) scrollDelegate->scrollViewDidEndDragging(*this, glides);
      if (glides) glide();
      break;
    }
    default:
      dragging_ = false;
      break;
  }
}

void ScrollView::glide() {
  decelerating_ = true;
  std::weak_ptr<Object> self = weak_from_this();
  timer_ = ns::RunLoop::main().scheduleTimer(kTick, true, [self](ns::Timer& timer) {
    auto view = std::static_pointer_cast<ScrollView>(self.lock());
    if (!view) return timer.invalidate();
    const double decay = std::pow(kDecelerationRate, kTick * 1000);
    view->velocity_ = {view->velocity_.x * decay, view->velocity_.y * decay};
    const Point low = view->minimumOffset(), high = view->maximumOffset();
    Rect b = view->bounds();
    Point next{b.x() - view->velocity_.x * kTick, b.y() - view->velocity_.y * kTick};
    next = {std::clamp(next.x, low.x, high.x), std::clamp(next.y, low.y, high.y)};
    const bool stopped = std::hypot(view->velocity_.x, view->velocity_.y) < 10 || next == b.origin;
    b.origin = next;
    view->setBounds(b);
    if (stopped) view->stopMotion();
  });
}

}  // namespace ui
