// Hosts for the interface: the desktop host shows the composed screen in
// an SDL2 window (no GL renderer: the window's surface) and turns mouse,
// finger and key events into touches and text; the headless host runs the
// main run loop on the real or a manual clock, plays a touch script and
// writes PNG snapshots. Both step the display links from the main run loop
// once per refresh (60 Hz) and redraw the screen when something changed.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/application.h"

namespace host {

struct HeadlessOptions {
  bool manualClock = true;      // jump from event to event instead of sleeping (a wait paces awaited reports)
  std::string script;           // touch script text (see touch_script.h)
  std::string snapshotFolder;   // where snapshots go; made when missing
  double settleSeconds = 1.0;   // run-loop time after each step
  // Real time a snapshot waits at most for the frames the steps asked for
  // to be drawn and presented (see settled_screen.h).
  double snapshotWaitSeconds = 10.0;
};

// Runs the application headless: launches it, plays the script (or, with
// none, runs `settleSeconds`), snapshots the settled screen as the script
// says, terminates.
// Returns 0, or 1 when a snapshot could not be written.
int runHeadless(std::shared_ptr<ui::ApplicationDelegate> delegate, const HeadlessOptions& options);

// Runs the application in a desktop window until it is closed. Returns
// -1 without starting when SDL2 video has no display.
int runDesktop(std::shared_ptr<ui::ApplicationDelegate> delegate, const std::string& title);

// True when SDL2 video has a real display to open (and TESSALY_HEADLESS is
// not set): a driver such as x11 or wayland, or whatever driver the user
// named in SDL_VIDEODRIVER. SDL's own "offscreen" and "dummy" drivers, which
// it falls back to without a display, are no display: the headless host
// runs instead.
bool desktopAvailable();
// The rule above for a driver SDL started (null: none started).
bool isDisplayDriver(const char* driver, bool namedByUser);
// The frames the desktop host has copied to its window so far, and the
// size of the window's surface the last of them went to.
struct PresentedFrames {
  long count = 0;
  int width = 0, height = 0;
};
PresentedFrames desktopFramesPresented();

// The current screen as the desktop or headless host shows it.
std::shared_ptr<cg::Image> composeScreen();

}  // namespace host

namespace ui {
// The application entry: the desktop host when a display can be opened,
// else the headless host (script from TESSALY_TOUCH_SCRIPT, snapshots in
// TESSALY_SNAPSHOTS or a temporary folder, which it prints). A script
// named but missing or unreadable is said and ends the run at once with 1.
int applicationMain(int argc, char** argv, std::shared_ptr<ApplicationDelegate> delegate);
}  // namespace ui
