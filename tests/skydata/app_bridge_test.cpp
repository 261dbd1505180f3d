#include "skydata/app_bridge.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "temp_dir.h"

namespace {

using tessaly::test::TempDir;

TEST(AppBridge, ResourceFolderIsTheExecutablesFolderOrTheConfiguredOne) {
  unsetenv("TESSALY_BUNDLE");
  char buffer[4096];
  int length = getResourceDirectory(buffer, sizeof buffer);
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(std::string(buffer), exe.parent_path().string());
  EXPECT_EQ(length, static_cast<int>(exe.parent_path().string().size()));

  setenv("TESSALY_BUNDLE", "/opt/tessaly/bundle", 1);
  getResourceDirectory(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "/opt/tessaly/bundle");
  // Too small a buffer gets no path at all, never a cut one naming another folder.
  char small[8] = "garbage";
  EXPECT_EQ(getResourceDirectory(small, sizeof small), 19);
  EXPECT_STREQ(small, "");
  EXPECT_EQ(getResourceDirectory(nullptr, 0), 19);
  unsetenv("TESSALY_BUNDLE");
}

TEST(AppBridge, UserFoldersComeFromTheHome) {
  TempDir dir;
  setenv("TESSALY_HOME", dir.path().c_str(), 1);
  char buffer[4096];
  getCachesDirectory(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), dir.file("Caches"));
  getDocumentsDirectory(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), dir.file("Documents"));
  EXPECT_TRUE(std::filesystem::is_directory(buffer));
  unsetenv("TESSALY_HOME");
}

TEST(AppBridge, RedrawRequestsReachTheHandlerFromAnyThread) {
  requestChartRedraw();  // no handler: nothing happens
  std::atomic<int> requests{0};
  setChartRedrawHandler([&] { ++requests; });
  std::thread loader([] { requestChartRedraw(); });
  loader.join();
  requestChartRedraw();
  EXPECT_EQ(requests, 2);
  setChartRedrawHandler({});
  requestChartRedraw();
  EXPECT_EQ(requests, 2);
}

}  // namespace
