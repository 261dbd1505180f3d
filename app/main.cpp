// tessaly: the sky chart. In a window when there is a display; otherwise
// headless, playing the bundle's start-up script and printing where its
// snapshots are. The bundle's folder comes from the executable's real path
// (or TESSALY_BUNDLE), never from a cut copy of argv[0].
#include <cstdlib>
#include <memory>
#include <string>

#include "app/application_shell.h"
#include "app/information_screens_connection.h"
#include "app/settings_screen_connection.h"
#include "chart/shape_file_hooks.h"
#include "gles/context/gl.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/user_defaults.h"
#include "platform/host/diagnostics.h"
#include "platform/host/host.h"

int main(int argc, char** argv) {
  // The GL layer's and shapelib's notes are for whoever traces the program.
  if (!host::tracing()) glDisable(GL_LOGGING_MGL);
  setShapeFileNotes(host::tracing());
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  auto theme = int(defaults.integerForKey(kAppThemeKey));
  if (theme == 0) {
    theme = 2;
    defaults.setInteger(kAppThemeKey, theme);
  }
  AppDelegate::setAppTheme(theme);
  connectInformationScreens();
  connectSettingsScreen();
  // Without a display the bundle's start-up script is played; one that is
  // missing is named by the host, which then fails the run.
  const char* chosen = std::getenv("TESSALY_TOUCH_SCRIPT");
  if (!host::desktopAvailable() && (chosen == nullptr || *chosen == '\0')) {
    const std::string script = ns::Bundle::main().resourcePath() + "/Scripts/Headless.txt";
    setenv("TESSALY_TOUCH_SCRIPT", script.c_str(), 1);
  }
  return ui::applicationMain(argc, argv, std::make_shared<ApplicationShell>());
}
