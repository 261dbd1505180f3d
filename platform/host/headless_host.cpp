#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/coregraphics/image_codec.h"
#include "platform/foundation/run_loop.h"
#include "platform/host/arrow_keys.h"
#include "platform/host/host.h"
#include "platform/host/settled_screen.h"
#include "platform/host/touch_script.h"
#include "platform/devices/motion.h"
#include "platform/devices/speech.h"
#include "platform/uikit/display_links.h"
#include "platform/uikit/window.h"

namespace host {
namespace {

constexpr double kRefresh = 1.0 / 60;
constexpr double kDegrees = 3.14159265358979323846 / 180;

// Feeds a script's touches to the application on the main run loop.
class Player {
 public:
  Player(ns::RunLoop& loop, double start) : loop_(loop), start_(start) {}
  double now() const { return loop_.now() - start_; }
  void touches(std::vector<ui::TouchInput> inputs) { ui::Application::shared().handleTouches(inputs, now()); }
  void run(double seconds) { loop_.runFor(seconds); }
  // A script's wait jumps the manual clock, but not past work on other
  // threads whose report is awaited (a download started from Settings and
  // its alert): while one is, the wait lasts on the real clock, as in a
  // window, a refresh at a time, until the report has run or the seconds
  // are up. Work that starts during the wait is paced from then on.
  void wait(double seconds) {
    using Clock = std::chrono::steady_clock;
    const auto realSeconds = [](double s) {
      return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
    };
    const double from = loop_.now();
    bool paced = false;
    Clock::time_point pacedFrom;  // while paced, the real moment that goes with `from`
    for (double passed = 0; passed < seconds;) {
      const bool awaiting = loop_.awaitingReports();
      if (awaiting && !paced) pacedFrom = Clock::now() - realSeconds(passed);
      paced = awaiting;
      passed = std::min(seconds, passed + kRefresh);
      if (paced) {
        // What the work posts meanwhile runs as it comes, the clock held.
        const Clock::time_point moment = pacedFrom + realSeconds(passed);
        while (loop_.awaitingReports() && Clock::now() < moment) {
          loop_.sleepWhileReportsAwaited(moment);
          loop_.runOnce();
        }
      }
      loop_.runUntil(from + passed);
    }
  }

  void tap(double x, double y) {
    touches({{1, ui::TouchPhase::began, {x, y}}});
    run(0.05);
    touches({{1, ui::TouchPhase::ended, {x, y}}});
  }
  void drag(double x1, double y1, double x2, double y2, double seconds) {
    const int steps = std::max(2, int(seconds / kRefresh));
    touches({{1, ui::TouchPhase::began, {x1, y1}}});
    for (int i = 1; i <= steps; ++i) {
      run(seconds / steps);
      const double t = double(i) / steps;
      touches({{1, ui::TouchPhase::moved, {x1 + (x2 - x1) * t, y1 + (y2 - y1) * t}}});
    }
    touches({{1, ui::TouchPhase::ended, {x2, y2}}});
  }
  void pinch(double x, double y, double scale, double seconds) {
    const double from = 40, to = 40 * scale;
    const int steps = std::max(2, int(seconds / kRefresh));
    touches({{1, ui::TouchPhase::began, {x - from, y}}, {2, ui::TouchPhase::began, {x + from, y}}});
    double d = from;
    for (int i = 1; i <= steps; ++i) {
      run(seconds / steps);
      d = from + (to - from) * double(i) / steps;
      touches({{1, ui::TouchPhase::moved, {x - d, y}}, {2, ui::TouchPhase::moved, {x + d, y}}});
    }
    touches({{1, ui::TouchPhase::ended, {x - d, y}}, {2, ui::TouchPhase::ended, {x + d, y}}});
  }
  void longPress(double x, double y, double seconds) {
    touches({{1, ui::TouchPhase::began, {x, y}}});
    run(seconds);
    touches({{1, ui::TouchPhase::ended, {x, y}}});
  }

 private:
  ns::RunLoop& loop_;
  double start_;
};

}  // namespace

std::shared_ptr<cg::Image> composeScreen() {
  ui::Application::shared().keyWindow();
  return ui::Application::shared().snapshot(ui::Screen::main().scale());
}

int runHeadless(std::shared_ptr<ui::ApplicationDelegate> delegate, const HeadlessOptions& options) {
  ui::reportUnusableScale(ui::Screen::main().scale());
  ns::RunLoop& loop = ns::RunLoop::main();
  if (options.manualClock) loop.setClock(std::make_shared<ns::ManualClock>(loop.now()));
  const double start = loop.now();
  auto refresh = loop.scheduleTimer(kRefresh, true, [&](ns::Timer&) {
    ui::stepDisplayLinks(loop.now() - start);
    ui::Application::shared().layoutWindows();
  });
  ui::Application& app = ui::Application::shared();
  app.setDelegate(std::move(delegate));
  app.launch();
  Player player(loop, start);
  player.run(options.settleSeconds);

  Script script = parseTouchScript(options.script);
  for (const std::string& message : script.messages) std::fprintf(stderr, "%s\n", message.c_str());
  int status = 0;
  if (!options.snapshotFolder.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(options.snapshotFolder, ignored);
  }
  for (const Step& step : script.steps) {
    const double* n = step.numbers;
    switch (step.kind) {
      case StepKind::tap: player.tap(n[0], n[1]); break;
      case StepKind::drag: player.drag(n[0], n[1], n[2], n[3], n[4]); break;
      case StepKind::pinch: player.pinch(n[0], n[1], n[2], n[3]); break;
      case StepKind::longPress: player.longPress(n[0], n[1], n[2]); break;
      case StepKind::type: app.insertText(step.text); break;
      case StepKind::key:
        if (step.text == "return") app.returnKey();
        else if (step.text == "backspace") app.deleteBackward();
        else if (step.text == "tab") app.insertText("\t");
        else if (step.text == "up") pressArrowKey(ArrowKey::up);
        else if (step.text == "down") pressArrowKey(ArrowKey::down);
        else if (step.text == "left") pressArrowKey(ArrowKey::left);
        else pressArrowKey(ArrowKey::right);
        break;
      case StepKind::rotate: app.setOrientation(int(n[0])); break;
      case StepKind::wait: player.wait(n[0]); continue;
      case StepKind::snapshot: {
        if (!settleScreen(loop, start, options.snapshotWaitSeconds))
          std::fprintf(stderr, "snapshot %s: the screen was still changing after %g s; taken as it was\n",
                       step.text.c_str(), options.snapshotWaitSeconds);
        auto image = composeScreen();
        std::string path = options.snapshotFolder + "/" + step.text + ".png";
        std::string message;
        if (!image || !cg::writePNG(*image, path, &message)) {
          std::fprintf(stderr, "snapshot %s: %s\n", step.text.c_str(), message.c_str());
          status = 1;
        }
        continue;
      }
      case StepKind::attitude:
        dev::MotionManager::injectAttitude({n[0] * kDegrees, n[1] * kDegrees, n[2] * kDegrees});
        break;
      case StepKind::say: dev::SpeechRecognizer::hear(step.text); break;
      case StepKind::background: app.enterBackground(); break;
      case StepKind::foreground: app.becomeActive(); break;
      case StepKind::quit: goto done;
    }
    player.run(options.settleSeconds);
  }
done:
  app.terminate();
  refresh->invalidate();
  return status;
}

}  // namespace host
