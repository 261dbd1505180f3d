// Which host runs: a real display driver, or one the user names, gets the
// desktop window; SDL's own stand-ins ("offscreen", "dummy"), which it
// picks when there is no display, get the headless host, which plays its
// script, writes its snapshots, prints their folder and ends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/host/host.h"
#include "temp_dir.h"

namespace {

TEST(HostChoice, OnlyARealDriverOrOneTheUserNamedIsADisplay) {
  EXPECT_TRUE(host::isDisplayDriver("x11", false));
  EXPECT_TRUE(host::isDisplayDriver("wayland", false));
  EXPECT_FALSE(host::isDisplayDriver("offscreen", false));
  EXPECT_FALSE(host::isDisplayDriver("dummy", false));
  EXPECT_FALSE(host::isDisplayDriver(nullptr, false));
  EXPECT_FALSE(host::isDisplayDriver(nullptr, true));
  EXPECT_TRUE(host::isDisplayDriver("dummy", true)) << "the user asked for it";
  EXPECT_TRUE(host::isDisplayDriver("offscreen", true));
}

// The program as a newcomer starts it on a machine without X or Wayland:
// it must end by itself (a window nobody sees would keep it running).
TEST(HostChoice, WithoutADisplayTheCheckProgramRunsHeadlessAndEnds) {
  tessaly::test::TempDir snapshots;
  const auto start = std::chrono::steady_clock::now();
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u TESSALY_HEADLESS "
                              "-u TESSALY_TOUCH_SCRIPT TESSALY_SNAPSHOTS='" +
                              snapshots.path().string() + "' timeout 300 " TESSALY_HOST_CHECK " 2>/dev/null";
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  const int status = ::pclose(pipe);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(status, 0) << out;
  EXPECT_LT(seconds, 250) << "it ended by itself, not by the time limit";
  EXPECT_NE(out.find("snapshots in " + snapshots.path().string()), std::string::npos) << out;
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(snapshots.path()))
    pictures += entry.path().extension() == ".png";
  EXPECT_GE(pictures, 5);
}

}  // namespace
