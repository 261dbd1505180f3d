// A running application for the shell's and the chart screen's tests: a
// bundle folder with the source tree's resources and a synthetic solar
// system (the ISS from its published 2008 element set), the user's folders
// in a temporary home, the main run loop on a manual clock pinned to a
// date, the application launched and active.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "app/chart_surface_view.h"
#include "platform/foundation/run_loop.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/window.h"
#include "temp_dir.h"
#include "tests/chart/sky_fixture.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace app_test {

// 2008-09-20 12:00 UTC: near the ISS element set's epoch.
inline constexpr double kSessionWallTime = 1221912000.0;

struct SessionOptions {
  bool catalogues = true;       // a solar-system catalogue in the bundle
  bool satellites = true;       // the ISS in it
  std::vector<mechanics_test::SatelliteRecord> moreSatellites;  // after the ISS
  std::vector<chart_test::StarDefinition> stars;  // a star catalogue in the bundle when not empty
  bool tablet = false;          // the device a tablet (as TESSALY_IDIOM=pad says)
  double wallTime = kSessionWallTime;
  int launchCount = -1;         // stored under the version's key when >= 0
  bool launch = true;
};

// The user's state the application keeps between runs: its defaults keys,
// its scheduled alerts and the files of its documents and caches folders.
// Cleared by every session (the standard defaults live for the whole test
// process).
void clearUserState();

// The device reports a heading (has a compass) while this lives.
struct WithCompass {
  WithCompass();
  ~WithCompass();
  WithCompass(const WithCompass&) = delete;
  WithCompass& operator=(const WithCompass&) = delete;
};

class AppSession {
 public:
  explicit AppSession(SessionOptions options = {});
  ~AppSession();
  AppSession(const AppSession&) = delete;
  AppSession& operator=(const AppSession&) = delete;

  void launch();
  ApplicationShell& shell() { return *shell_; }
  // The shell as the hosts take it, for a session launched by one.
  std::shared_ptr<ApplicationShell> sharedShell() const { return shell_; }
  ChartScreenController& screen();
  ChartSurfaceView& chartView();
  CSkyChart& chart();
  ns::ManualClock& clock() { return *clock_; }
  std::string bundle() const { return bundle_.path().string(); }
  // Runs the main loop for a while on the manual clock.
  void run(double seconds);
  // Runs the main loop a refresh at a time until `done` holds or
  // `atMostSeconds` have passed; returns whether it holds. Every refresh
  // may draw a full frame, so a test waits for what it expects rather
  // than for a time that surely covers it.
  bool runUntil(const std::function<bool()>& done, double atMostSeconds);
  // A touch down and up at a point of the screen (points), then the loop.
  void tap(double x, double y);
  // One finger from a to b in steps, a stamp per step.
  void drag(ui::Point a, ui::Point b, int steps, double secondsPerStep);
  // Selects the solar-system object of that name on the chart screen.
  void select(const char* name);
  // Screen point of a view's centre.
  static ui::Point centreOf(const ui::View& view);
  // The screen on top: the top of a presented navigation stack, or what
  // is presented.
  static ui::ViewController* topScreen();
  // The clock button of a row with an event, then `action` in the menu it
  // opens, a second of the loop after each; false when the row, its
  // button, the menu or the action is missing.
  bool chooseEventAction(ui::TableView& table, ui::IndexPath row, const std::string& action);

 private:
  SessionOptions options_;
  ui::DeviceConfiguration device_;  // the device before the session
  tessaly::test::TempDir bundle_;
  std::shared_ptr<ns::ManualClock> clock_;
  std::shared_ptr<ApplicationShell> shell_;
  int nextTouch_ = 1;
};

}  // namespace app_test
