#include "platform/uikit/gesture.h"

#include <algorithm>
#include <cmath>

#include "platform/uikit/view.h"

namespace ui {
namespace {
constexpr double kTapMovement = 10;   // points a tap may wander
constexpr double kPanThreshold = 10;  // points before a pan begins
constexpr double kMultiTapInterval = 0.35;

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }
}  // namespace

void GestureRecognizer::addTarget(Object* target, std::string selector) {
  targets_.emplace_back(target, std::move(selector));
}

void GestureRecognizer::addAction(std::function<void(GestureRecognizer&)> action) {
  actions_.push_back(std::move(action));
}

void GestureRecognizer::setState(GestureState state) {
  if (state == GestureState::began && delegate && !delegate->gestureRecognizerShouldBegin(*this))
    state = GestureState::failed;
  state_ = state;
  if (state == GestureState::began || state == GestureState::changed || state == GestureState::ended ||
      state == GestureState::cancelled)
    sendActions();
}

void GestureRecognizer::sendActions() {
  auto keep = shared_from_this();
  for (auto& [target, selector] : targets_)
    if (target) target->performAction(selector, this);
  for (auto& action : actions_) action(*this);
}

void GestureRecognizer::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) {
    if (isActive()) setState(GestureState::cancelled);
    reset();
  }
}

bool GestureRecognizer::isActive() const {
  return state_ == GestureState::began || state_ == GestureState::changed;
}

Point GestureRecognizer::locationInView(const View* view) const {
  if (touches_.empty()) return {};
  Point sum;
  for (Touch* t : touches_) {
    Point p = t->locationInView(view);
    sum.x += p.x, sum.y += p.y;
  }
  return {sum.x / double(touches_.size()), sum.y / double(touches_.size())};
}

void GestureRecognizer::track(Touch* touch) {
  if (std::find(touches_.begin(), touches_.end(), touch) == touches_.end()) touches_.push_back(touch);
}

void GestureRecognizer::untrack(Touch* touch) {
  touches_.erase(std::remove(touches_.begin(), touches_.end(), touch), touches_.end());
}

void GestureRecognizer::touchesBegan(const TouchSet&, const Event&) {}
void GestureRecognizer::touchesMoved(const TouchSet&, const Event&) {}
void GestureRecognizer::touchesEnded(const TouchSet&, const Event&) {}
void GestureRecognizer::touchesCancelled(const TouchSet&, const Event&) {
  if (isActive()) setState(GestureState::cancelled);
  else state_ = GestureState::failed;
}
void GestureRecognizer::reset() { state_ = GestureState::possible; }

// ---- tap ---------------------------------------------------------------------

void TapGestureRecognizer::touchesBegan(const TouchSet& touches, const Event& event) {
  if (touches.empty()) return;
  if (int(numberOfTouches()) > numberOfTouchesRequired) {
    setState(GestureState::failed);
    return;
  }
  if (taps_ > 0 && event.timestamp - lastEnd_ > kMultiTapInterval) taps_ = 0;
  start_ = touches.front()->windowLocation;
}

void TapGestureRecognizer::touchesMoved(const TouchSet& touches, const Event&) {
  for (Touch* t : touches)
    if (distance(t->windowLocation, start_) > kTapMovement) setState(GestureState::failed);
}

void TapGestureRecognizer::touchesEnded(const TouchSet&, const Event& event) {
  if (state() != GestureState::possible) return;
  ++taps_;
  lastEnd_ = event.timestamp;
  if (taps_ >= numberOfTapsRequired) setState(GestureState::ended);
}

void TapGestureRecognizer::reset() {
  GestureRecognizer::reset();
  if (taps_ >= numberOfTapsRequired) taps_ = 0;
}

// ---- long press ----------------------------------------------------------------

LongPressGestureRecognizer::~LongPressGestureRecognizer() {
  if (timer_) timer_->invalidate();
}

void LongPressGestureRecognizer::touchesBegan(const TouchSet& touches, const Event&) {
  if (touches.empty()) return;
  start_ = touches.front()->windowLocation;
  if (timer_) timer_->invalidate();
  std::weak_ptr<Object> self = weak_from_this();
  timer_ = ns::RunLoop::main().scheduleTimer(minimumPressDuration, false, [self](ns::Timer&) {
    auto strong = std::static_pointer_cast<LongPressGestureRecognizer>(self.lock());
    if (strong && strong->state() == GestureState::possible && strong->numberOfTouches() > 0)
      strong->setState(GestureState::began);
  });
}

void LongPressGestureRecognizer::touchesMoved(const TouchSet& touches, const Event&) {
  if (touches.empty()) return;
  if (state() == GestureState::possible) {
    if (distance(touches.front()->windowLocation, start_) > allowableMovement) {
      if (timer_) timer_->invalidate();
      setState(GestureState::failed);
    }
  } else if (isActive()) {
    setState(GestureState::changed);
  }
}

void LongPressGestureRecognizer::touchesEnded(const TouchSet&, const Event&) {
  if (timer_) timer_->invalidate();
  if (isActive()) setState(GestureState::ended);
  else setState(GestureState::failed);
}

void LongPressGestureRecognizer::reset() {
  GestureRecognizer::reset();
  if (timer_) timer_->invalidate();
}

// ---- pan -----------------------------------------------------------------------

// The pan follows the centroid of its fingers still down. A finger that
// comes or goes moves the centroid without the hand moving, so the anchor
// moves with it and the translation goes on from where it was.
Point PanGestureRecognizer::centroid(const TouchSet& leaving) const {
  Point sum;
  int count = 0;
  for (Touch* t : trackedTouches())
    if (std::find(leaving.begin(), leaving.end(), t) == leaving.end()) {
      sum.x += t->windowLocation.x, sum.y += t->windowLocation.y;
      ++count;
    }
  return count == 0 ? last_ : Point{sum.x / count, sum.y / count};
}

void PanGestureRecognizer::reanchor(Point centre) {
  const Point jump{centre.x - last_.x, centre.y - last_.y};
  start_ = {start_.x + jump.x, start_.y + jump.y};
  previous_ = {previous_.x + jump.x, previous_.y + jump.y};
  last_ = centre;
}

void PanGestureRecognizer::touchesBegan(const TouchSet& touches, const Event& event) {
  if (touches.empty()) return;
  if (numberOfTouches() == touches.size() && state() == GestureState::possible) {
    start_ = last_ = previous_ = centroid({});
    lastTime_ = previousTime_ = event.timestamp;
  } else {
    reanchor(centroid({}));
  }
}

void PanGestureRecognizer::touchesMoved(const TouchSet& touches, const Event& event) {
  if (touches.empty()) return;
  previous_ = last_, previousTime_ = lastTime_;
  last_ = centroid({}), lastTime_ = event.timestamp;
  if (state() == GestureState::possible) {
    if (distance(last_, start_) >= kPanThreshold) setState(GestureState::began);
  } else if (isActive()) {
    setState(GestureState::changed);
  }
}

void PanGestureRecognizer::touchesEnded(const TouchSet& touches, const Event&) {
  if (numberOfTouches() > touches.size()) {
    reanchor(centroid(touches));
    return;
  }
  if (isActive()) setState(GestureState::ended);
  else setState(GestureState::failed);
}

void PanGestureRecognizer::reset() { GestureRecognizer::reset(); }

Point PanGestureRecognizer::translationInView(const View*) const {
  return {last_.x - start_.x, last_.y - start_.y};
}

void PanGestureRecognizer::setTranslation(Point translation, const View*) {
  start_ = {last_.x - translation.x, last_.y - translation.y};
}

Point PanGestureRecognizer::velocityInView(const View*) const {
  const double dt = lastTime_ - previousTime_;
  if (dt <= 0) return {};
  return {(last_.x - previous_.x) / dt, (last_.y - previous_.y) / dt};
}

// ---- pinch ---------------------------------------------------------------------

void PinchGestureRecognizer::touchesBegan(const TouchSet&, const Event&) {
  const auto& touches = trackedTouches();
  if (touches.size() == 2) {
    startDistance_ = distance(touches[0]->windowLocation, touches[1]->windowLocation);
    scale = 1;
  }
}

void PinchGestureRecognizer::touchesMoved(const TouchSet&, const Event&) {
  const auto& touches = trackedTouches();
  if (touches.size() != 2 || startDistance_ <= 0) return;
  scale = distance(touches[0]->windowLocation, touches[1]->windowLocation) / startDistance_;
  if (state() == GestureState::possible) {
    if (std::fabs(scale - 1) > 0.05) setState(GestureState::began);
  } else if (isActive()) {
    setState(GestureState::changed);
  }
}

void PinchGestureRecognizer::touchesEnded(const TouchSet&, const Event&) {
  if (isActive()) setState(GestureState::ended);
  else setState(GestureState::failed);
}

void PinchGestureRecognizer::reset() {
  GestureRecognizer::reset();
  startDistance_ = 0;
  scale = 1;
}

}  // namespace ui
