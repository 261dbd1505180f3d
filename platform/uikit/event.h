// Touches and events delivered to views.
#pragma once

#include <memory>
#include <vector>

#include "platform/uikit/geometry.h"

namespace ui {

class View;
class Window;
class GestureRecognizer;

enum class TouchPhase { began, moved, stationary, ended, cancelled };

class Touch {
 public:
  int identifier = 0;
  TouchPhase phase = TouchPhase::began;
  // Seconds since the host started (not since boot: single-precision
  // stamps since boot lose a tenth of a second after days of uptime).
  double timestamp = 0;
  int tapCount = 1;
  Window* window = nullptr;
  View* view = nullptr;  // the view hit when the touch began
  Point windowLocation, previousWindowLocation;
  std::vector<GestureRecognizer*> gestureRecognizers;

  Point locationInView(const View* view) const;
  Point previousLocationInView(const View* view) const;
};

using TouchSet = std::vector<Touch*>;

struct Event {
  double timestamp = 0;
  TouchSet allTouches;
};

}  // namespace ui
