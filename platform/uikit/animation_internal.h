// The animator behind View's animation calls: it records the changes an
// animation block makes and shows in-between values on the main run loop's
// clock until each animation ends.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/run_loop.h"
#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"

namespace ui {
class View;
class Object;

namespace detail {

class Animator {
 public:
  Animator() = default;
  // Animations still running at exit may hold the last reference to a
  // view (in a completion), whose destructor tells the animator to forget
  // it: they are released after the list is emptied.
  ~Animator();
  // Called by View's setters with the value shown before and the new one.
  void frameChanged(View* view, const Rect& from, const Rect& to);
  void alphaChanged(View* view, double from, double to);
  void transformChanged(View* view, const AffineTransform& from, const AffineTransform& to);
  void colorChanged(View* view, const Color& from, const Color& to);
  void forget(View* view);

  struct Block {
    double duration = 0.2, delay = 0;
    std::function<void(bool)> completion;
    Object* delegate = nullptr;
    std::string didStopSelector;
  };
  void begin(Block block);
  Block* current() { return recording_.empty() ? nullptr : &recording_.back(); }
  void commit();
  bool enabled = true;
  std::size_t runningCount() const { return animations_.size(); }

 private:
  enum class Property { frame, alpha, transform, color };
  struct Change {
    std::weak_ptr<View> view;
    View* raw;
    Property property;
    Rect fromFrame, toFrame;
    double fromAlpha = 0, toAlpha = 0;
    AffineTransform fromTransform, toTransform;
    Color fromColor, toColor;
    bool done = false;
  };
  struct Animation {
    double start = 0, duration = 0;
    std::vector<Change> changes;
    std::function<void(bool)> completion;
    Object* delegate = nullptr;
    std::string didStopSelector;
    bool cancelled = false;
  };
  struct Recording : Block {
    std::vector<Change> changes;
  };

  void record(View* view, Change change);
  void cancel(View* view, Property property);
  void apply(Change& change, double t);
  void clear(Change& change);
  void tick();
  void finish(std::shared_ptr<Animation> animation, bool finished);

  std::vector<Recording> recording_;
  std::vector<std::shared_ptr<Animation>> animations_;
  std::shared_ptr<ns::Timer> timer_;
};

Animator& animator();

}  // namespace detail
}  // namespace ui
