// tessaly-host-check: a small application that exercises the interface
// layer the way the screens will: a navigation stack over a table of 30
// indexed sections, a detail screen with controls and a text field, alerts
// and a long press. In a window when there is a display, else headless with
// a touch script of its own, printing where its snapshots are.
#include <cstdlib>
#include <string>

#include "platform/host/host.h"
#include "platform/host/check/check_screens.h"

int main(int argc, char** argv) {
  if (!host::desktopAvailable() && !std::getenv("TESSALY_TOUCH_SCRIPT")) {
    // The headless run plays the check's own script.
    static std::string scriptPath;
    scriptPath = ns::temporaryDirectory() + "/host-check-script.txt";
    ns::writeFileAtomically(scriptPath, check::defaultScript());
    setenv("TESSALY_TOUCH_SCRIPT", scriptPath.c_str(), 1);
  }
  return ui::applicationMain(argc, argv, std::make_shared<check::CheckDelegate>());
}
