// A clean interface world for each test: the application reset, the main
// run loop on a manual clock, a 375 x 667 phone screen at scale 2.
#pragma once

#include <memory>

#include "platform/foundation/run_loop.h"
#include "platform/uikit/application.h"

namespace uitest {

class World {
 public:
  World() {
    clock = std::make_shared<ns::ManualClock>(1000.0);
    ns::RunLoop::main().setClock(clock);
    ui::Application::shared().reset();
    ui::DeviceConfiguration configuration;
    configuration.portraitSize = {375, 667};
    configuration.scale = 2;
    ui::Screen::main().configure(configuration);
  }
  ~World() {
    ui::Application::shared().reset();
    ns::RunLoop::main().runFor(5);  // let animations and timers end
  }
  void run(double seconds) { ns::RunLoop::main().runFor(seconds); }
  double now() const { return ns::RunLoop::main().now(); }
  void touch(int id, ui::TouchPhase phase, ui::Point p) {
    ui::Application::shared().handleTouches({{id, phase, p}}, now());
  }
  void tap(ui::Point p) {
    touch(1, ui::TouchPhase::began, p);
    run(0.05);
    touch(1, ui::TouchPhase::ended, p);
  }
  std::shared_ptr<ns::ManualClock> clock;
};

}  // namespace uitest
