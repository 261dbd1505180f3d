// Gesture recognisers: they see a view's touches before the view does and
// turn them into taps, long presses, pans and pinches for their targets.
// Subclasses override the touch methods and set the state themselves.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/run_loop.h"
#include "platform/uikit/event.h"
#include "platform/uikit/object.h"

namespace ui {

class View;

enum class GestureState { possible, began, changed, ended, cancelled, failed };
// `ended` is also "recognized" for discrete gestures.

class GestureRecognizer;

class GestureRecognizerDelegate {
 public:
  virtual ~GestureRecognizerDelegate() = default;
  virtual bool gestureRecognizerShouldBegin(GestureRecognizer&) { return true; }
  virtual bool shouldReceiveTouch(GestureRecognizer&, const Touch&) { return true; }
  virtual bool shouldRecognizeSimultaneously(GestureRecognizer&, GestureRecognizer&) { return false; }
};

class GestureRecognizer : public Object {
 public:
  GestureRecognizer() = default;
  // An action named by a selector, sent to a target, or a plain function.
  GestureRecognizer(Object* target, std::string selector) { addTarget(target, std::move(selector)); }
  std::string className() const override { return "UIGestureRecognizer"; }

  void addTarget(Object* target, std::string selector);
  void addAction(std::function<void(GestureRecognizer&)> action);
  View* view() const { return view_; }
  GestureState state() const { return state_; }
  // Subclasses move the state; began, changed and ended send the actions.
  void setState(GestureState state);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool cancelsTouchesInView = true;
  bool delaysTouchesBegan = false;
  bool delaysTouchesEnded = true;
  GestureRecognizerDelegate* delegate = nullptr;

  // Where the gesture is: the centroid of its touches.
  Point locationInView(const View* view) const;
  std::size_t numberOfTouches() const { return touches_.size(); }

  virtual void touchesBegan(const TouchSet& touches, const Event& event);
  virtual void touchesMoved(const TouchSet& touches, const Event& event);
  virtual void touchesEnded(const TouchSet& touches, const Event& event);
  virtual void touchesCancelled(const TouchSet& touches, const Event& event);
  virtual void reset();

  // For the application's touch delivery.
  const std::vector<Touch*>& trackedTouches() const { return touches_; }
  void track(Touch* touch);
  void untrack(Touch* touch);
  bool isActive() const;

 private:
  friend class View;
  void sendActions();
  View* view_ = nullptr;
  GestureState state_ = GestureState::possible;
  bool enabled_ = true;
  std::vector<std::pair<Object*, std::string>> targets_;
  std::vector<std::function<void(GestureRecognizer&)>> actions_;
  std::vector<Touch*> touches_;
};

// Discrete: recognised when enough taps end near where they began.
class TapGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  std::string className() const override { return "UITapGestureRecognizer"; }
  int numberOfTapsRequired = 1;
  int numberOfTouchesRequired = 1;
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  Point start_;
  int taps_ = 0;
  double lastEnd_ = -1;
};

// Continuous: begins after the touch has been held still long enough.
class LongPressGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  ~LongPressGestureRecognizer() override;
  std::string className() const override { return "UILongPressGestureRecognizer"; }
  double minimumPressDuration = 0.5;
  double allowableMovement = 10;
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  std::shared_ptr<ns::Timer> timer_;
  Point start_;
};

// Continuous: begins once the centroid of its touches has moved 10 points;
// ends when the last of them lifts.
class PanGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  std::string className() const override { return "UIPanGestureRecognizer"; }
  Point translationInView(const View* view) const;
  void setTranslation(Point translation, const View* view);
  // Points per second, from the last two moves.
  Point velocityInView(const View* view) const;
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  // Of the touches down, less those in `leaving`; where it last was when
  // none is left.
  Point centroid(const TouchSet& leaving) const;
  // Moves the anchor with the centroid to `centre`.
  void reanchor(Point centre);
  Point start_, last_, previous_;
  double lastTime_ = 0, previousTime_ = 0;
};

// Continuous: two touches; the scale is the ratio of their distances.
class PinchGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  std::string className() const override { return "UIPinchGestureRecognizer"; }
  double scale = 1;
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  double startDistance_ = 0;
};

}  // namespace ui
