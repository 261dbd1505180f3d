#include <algorithm>
#include <cmath>

#include "platform/uikit/animation_internal.h"
#include "platform/uikit/view.h"

namespace ui {
namespace detail {
namespace {

constexpr double kFrameInterval = 1.0 / 60;

double lerp(double a, double b, double t) { return a + (b - a) * t; }

// The platform's default timing: ease in and out.
double ease(double t) { return t * t * (3 - 2 * t); }

}  // namespace

Animator& animator() {
  static Animator instance;
  return instance;
}

void Animator::begin(Block block) {
  Recording recording;
  static_cast<Block&>(recording) = std::move(block);
  recording_.push_back(std::move(recording));
}

void Animator::record(View* view, Change change) {
  if (recording_.empty() || !enabled) {
    cancel(view, change.property);
    return;
  }
  change.raw = view;
  change.view = std::static_pointer_cast<View>(view->shared_from_this());
  auto& changes = recording_.back().changes;
  // A second change of the same property in one block keeps the first
  // starting value.
  for (Change& c : changes)
    if (c.raw == view && c.property == change.property) {
      c.toFrame = change.toFrame, c.toAlpha = change.toAlpha;
      c.toTransform = change.toTransform, c.toColor = change.toColor;
      return;
    }
  changes.push_back(change);
}

void Animator::frameChanged(View* view, const Rect& from, const Rect& to) {
  if (view->weak_from_this().expired()) return;
  Change c{};
  c.property = Property::frame, c.fromFrame = from, c.toFrame = to;
  record(view, c);
}

void Animator::alphaChanged(View* view, double from, double to) {
  if (view->weak_from_this().expired()) return;
  Change c{};
  c.property = Property::alpha, c.fromAlpha = from, c.toAlpha = to;
  record(view, c);
}

void Animator::transformChanged(View* view, const AffineTransform& from, const AffineTransform& to) {
  if (view->weak_from_this().expired()) return;
  Change c{};
  c.property = Property::transform, c.fromTransform = from, c.toTransform = to;
  record(view, c);
}

void Animator::colorChanged(View* view, const Color& from, const Color& to) {
  if (view->weak_from_this().expired()) return;
  Change c{};
  c.property = Property::color, c.fromColor = from, c.toColor = to;
  record(view, c);
}

void Animator::cancel(View* view, Property property) {
  for (auto& animation : animations_)
    for (Change& c : animation->changes)
      if (!c.done && c.raw == view && c.property == property) {
        clear(c);
        c.done = true;
        animation->cancelled = true;
      }
}

Animator::~Animator() {
  std::vector<std::shared_ptr<Animation>> pending;
  pending.swap(animations_);
  std::vector<Recording> recordings;
  recordings.swap(recording_);
}

void Animator::forget(View* view) {
  for (auto& animation : animations_)
    for (Change& c : animation->changes)
      if (c.raw == view) c.done = true, c.raw = nullptr;
}

void Animator::commit() {
  if (recording_.empty()) return;
  Recording recording = std::move(recording_.back());
  recording_.pop_back();
  auto animation = std::make_shared<Animation>();
  ns::RunLoop& loop = ns::RunLoop::main();
  animation->start = loop.now() + std::max(0.0, recording.delay);
  animation->duration = std::max(0.0, recording.duration);
  animation->completion = std::move(recording.completion);
  animation->delegate = recording.delegate;
  animation->didStopSelector = std::move(recording.didStopSelector);
  // A new animation of a property takes it over from a running one.
  for (Change& c : recording.changes) cancel(c.raw, c.property);
  animation->changes = std::move(recording.changes);
  if (animation->changes.empty() || animation->duration == 0) {
    // Nothing moves: the completion still comes after this turn of the
    // loop (and after the delay), never inside the call.
    for (Change& c : animation->changes) clear(c);
    double wait = animation->changes.empty() ? 0 : std::max(0.0, recording.delay);
    loop.performAfterDelay(this, "completion", wait, [this, animation] { finish(animation, true); });
    return;
  }
  for (Change& c : animation->changes) apply(c, 0);
  animations_.push_back(animation);
  if (!timer_ || !timer_->isValid())
    timer_ = loop.scheduleTimer(kFrameInterval, true, [this](ns::Timer&) { tick(); });
}

void Animator::apply(Change& c, double t) {
  auto view = c.view.lock();
  if (!view || c.raw == nullptr) return;
  View::Presentation& p = view->presentation();
  const double e = ease(t);
  switch (c.property) {
    case Property::frame:
      p.frame = Rect{lerp(c.fromFrame.x(), c.toFrame.x(), e), lerp(c.fromFrame.y(), c.toFrame.y(), e),
                     lerp(c.fromFrame.width(), c.toFrame.width(), e),
                     lerp(c.fromFrame.height(), c.toFrame.height(), e)};
      break;
    case Property::alpha: p.alpha = lerp(c.fromAlpha, c.toAlpha, e); break;
    case Property::transform:
      p.transform = AffineTransform{lerp(c.fromTransform.a, c.toTransform.a, e),
                                    lerp(c.fromTransform.b, c.toTransform.b, e),
                                    lerp(c.fromTransform.c, c.toTransform.c, e),
                                    lerp(c.fromTransform.d, c.toTransform.d, e),
                                    lerp(c.fromTransform.tx, c.toTransform.tx, e),
                                    lerp(c.fromTransform.ty, c.toTransform.ty, e)};
      break;
    case Property::color:
      p.backgroundColor = Color{lerp(c.fromColor.r, c.toColor.r, e), lerp(c.fromColor.g, c.toColor.g, e),
                                lerp(c.fromColor.b, c.toColor.b, e), lerp(c.fromColor.a, c.toColor.a, e)};
      break;
  }
  setDisplayNeeded();
}

void Animator::clear(Change& c) {
  auto view = c.view.lock();
  if (!view || c.raw == nullptr) return;
  View::Presentation& p = view->presentation();
  switch (c.property) {
    case Property::frame: p.frame.reset(); break;
    case Property::alpha: p.alpha.reset(); break;
    case Property::transform: p.transform.reset(); break;
    case Property::color: p.backgroundColor.reset(); break;
  }
  setDisplayNeeded();
}

void Animator::tick() {
  const double now = ns::RunLoop::main().now();
  auto running = animations_;
  for (auto& animation : running) {
    const double t = now <= animation->start ? 0.0 : std::min(1.0, (now - animation->start) / animation->duration);
    bool any = false;
    for (Change& c : animation->changes) {
      if (c.done) continue;
      if (t >= 1) {
        clear(c);
        c.done = true;
      } else {
        apply(c, t);
        any = true;
      }
    }
    if (!any) {
      animations_.erase(std::remove(animations_.begin(), animations_.end(), animation), animations_.end());
      finish(animation, !animation->cancelled || t >= 1);
    }
  }
  if (animations_.empty() && timer_) {
    timer_->invalidate();
    timer_.reset();
  }
}

void Animator::finish(std::shared_ptr<Animation> animation, bool finished) {
  if (animation->completion) animation->completion(finished);
  if (animation->delegate && !animation->didStopSelector.empty())
    animation->delegate->performAction(animation->didStopSelector, nullptr);
}

}  // namespace detail

void View::animate(double duration, std::function<void()> animations,
                   std::function<void(bool)> completion, double delay) {
  detail::Animator::Block block;
  block.duration = duration;
  block.delay = delay;
  block.completion = std::move(completion);
  detail::animator().begin(std::move(block));
  if (animations) animations();
  detail::animator().commit();
}

void View::beginAnimations(std::string) { detail::animator().begin({}); }

void View::setAnimationDuration(double seconds) {
  if (auto* block = detail::animator().current(); block && std::isfinite(seconds)) block->duration = seconds;
}

void View::setAnimationDelay(double seconds) {
  if (auto* block = detail::animator().current(); block && std::isfinite(seconds)) block->delay = seconds;
}

void View::setAnimationDelegate(Object* delegate, std::string didStopSelector) {
  if (auto* block = detail::animator().current()) {
    block->delegate = delegate;
    block->didStopSelector = std::move(didStopSelector);
  }
}

void View::commitAnimations() { detail::animator().commit(); }

void View::setAnimationsEnabled(bool enabled) { detail::animator().enabled = enabled; }

}  // namespace ui
