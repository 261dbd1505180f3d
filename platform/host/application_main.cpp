#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/foundation/bundle.h"
#include "platform/foundation/file_io.h"
#include "platform/devices/audio_player.h"
#include "platform/host/diagnostics.h"
#include "platform/host/host.h"
#include "support/utf8.h"

namespace ui {

int applicationMain(int, char**, std::shared_ptr<ApplicationDelegate> delegate) {
  host::reportFatalSignals();
  dev::setSoundTracing(host::tracing());
  if (host::desktopAvailable()) {
    int status = host::runDesktop(delegate, "Tessaly");
    if (status >= 0) return status;
  }
  host::HeadlessOptions options;
  options.manualClock = true;
  const char* folder = std::getenv("TESSALY_SNAPSHOTS");
  options.snapshotFolder = folder && *folder ? folder : ns::temporaryDirectory() + "/snapshots";
  if (const char* script = std::getenv("TESSALY_TOUCH_SCRIPT"); script && *script) {
    auto text = ns::readWholeFile(script);
    if (!text) {
      // A run that plays nothing ends with no snapshot: a failure, not an
      // empty success.
      std::error_code error;
      const bool missing = !std::filesystem::exists(script, error);
      std::fprintf(stderr, "%s: %s\n", printableText(script).c_str(),
                   missing ? "the touch script is missing; without a display there is nothing to play"
                           : "cannot read the touch script");
      return 1;
    }
    options.script = *text;
  }
  std::error_code ignored;
  std::filesystem::create_directories(options.snapshotFolder, ignored);
  std::printf("No display: running headless; snapshots in %s\n", options.snapshotFolder.c_str());
  std::fflush(stdout);
  return host::runHeadless(std::move(delegate), options);
}

}  // namespace ui
