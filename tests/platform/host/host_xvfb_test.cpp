// Once on a real X server: the check program in a real SDL2 window on
// Xvfb, a click injected with xdotool, a screenshot taken with
// ImageMagick's import, compared with the headless host's snapshot of the
// same state within 2 levels per pixel.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/coregraphics/image_codec.h"
#include "platform/host/check/check_screens.h"
#include "platform/host/host.h"
#include "temp_dir.h"

extern char** environ;

namespace {

// A child process of ours, ended by its id when the test is done.
struct Child {
  pid_t pid = -1;
  Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
    std::vector<char*> argv, envp;
    for (auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> all(environment);
    for (char** e = environ; *e; ++e) all.emplace_back(*e);
    for (auto& e : all) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    static std::vector<std::string> keep;
    keep = all;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  }
  ~Child() { stop(); }
  void stop() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) return void(pid = -1);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
  }
};

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  ::pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

bool exists(const std::string& path) {
  struct stat s {};
  return ::stat(path.c_str(), &s) == 0;
}

TEST(HostXvfb, TheCheckProgramInARealWindowLooksAsTheHeadlessHostDrawsIt) {
  int display = 90;
  while (display < 140 && (exists("/tmp/.X11-unix/X" + std::to_string(display)) ||
                           exists("/tmp/.X" + std::to_string(display) + "-lock")))
    ++display;
  const std::string name = ":" + std::to_string(display);
  Child server({"Xvfb", name, "-screen", "0", "1600x1600x24", "-nolisten", "tcp"}, {});
  ASSERT_GT(server.pid, 0) << "Xvfb (Debian xvfb) is needed";
  for (int i = 0; i < 100 && !exists("/tmp/.X11-unix/X" + std::to_string(display)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(exists("/tmp/.X11-unix/X" + std::to_string(display))) << "Xvfb did not start";

  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  const std::string bundle = std::string(source) + "/resources";
  Child program({TESSALY_HOST_CHECK}, {"DISPLAY=" + name, "TESSALY_BUNDLE=" + bundle, "TESSALY_HEADLESS=",
                                       "TESSALY_SCREEN=375x667", "TESSALY_SCALE=2", "SDL_VIDEODRIVER=x11"});
  ASSERT_GT(program.pid, 0);
  const std::string x = "DISPLAY=" + name + " ";
  const std::string window = run(x + "timeout 20 xdotool search --sync --name '^Tessaly$' | head -1");
  ASSERT_FALSE(window.empty()) << "no window appeared (xdotool from Debian xdotool is needed)";
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  // Andromeda 2: the second row, at (120, 138) points, (240, 276) pixels.
  run(x + "xdotool mousemove --window " + window + " 240 276 click 1");
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  tessaly::test::TempDir folder;
  const std::string shot = folder.file("window.png");
  run(x + "import -window " + window + " png:" + shot);
  program.stop();
  server.stop();
  std::string message;
  auto screen = cg::imageFromFile(shot, &message);
  ASSERT_TRUE(screen) << message << " (ImageMagick's import is needed)";

  ui::Application::shared().reset();
  ui::DeviceConfiguration device;
  device.portraitSize = {375, 667};
  device.scale = 2;
  ui::Screen::main().configure(device);
  host::HeadlessOptions options;
  options.snapshotFolder = folder.path().string();
  options.script = "tap 120 138\nwait 2\nsnapshot headless\n";
  ASSERT_EQ(host::runHeadless(std::make_shared<check::CheckDelegate>(), options), 0);
  auto headless = cg::imageFromFile(folder.file("headless.png"));
  ASSERT_TRUE(headless);
  ASSERT_EQ(screen->width(), headless->width());
  ASSERT_EQ(screen->height(), headless->height());
  int worst = 0, differing = 0;
  for (std::size_t y = 0; y < screen->height(); ++y)
    for (std::size_t x0 = 0; x0 < screen->width(); ++x0) {
      cg::Pixel a = screen->pixel(x0, y), b = headless->pixel(x0, y);
      int d = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
      worst = std::max(worst, d);
      differing += d > 2;
    }
  EXPECT_LE(worst, 2) << differing << " pixels differ";
  if (worst > 2) {
    std::string failures = std::filesystem::current_path().string() + "/host_failures";
    std::filesystem::create_directories(failures);
    cg::writePNG(*screen, failures + "/xvfb-window.png");
    cg::writePNG(*headless, failures + "/xvfb-headless.png");
  }
  // The click pushed the row's screen in both.
  cg::Pixel title = headless->pixel(375, 44);
  EXPECT_EQ(title, screen->pixel(375, 44));
  ui::Application::shared().reset();
}

}  // namespace
