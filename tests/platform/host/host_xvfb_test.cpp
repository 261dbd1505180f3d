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

// Largest difference of two pictures in any colour channel; -1 when their
// sizes differ.
int worstDifference(const cg::Image& a, const cg::Image& b, int* differing) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  int worst = 0;
  *differing = 0;
  for (std::size_t y = 0; y < a.height(); ++y)
    for (std::size_t x = 0; x < a.width(); ++x) {
      cg::Pixel p = a.pixel(x, y), q = b.pixel(x, y);
      int d = std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
      worst = std::max(worst, d);
      *differing += d > 2;
    }
  return worst;
}

TEST(HostXvfb, TheCheckProgramInARealWindowLooksAsTheHeadlessHostDrawsIt) {
  // The state to reach, drawn by the headless host first.
  tessaly::test::TempDir folder;
  ui::Application::shared().reset();
  ui::DeviceConfiguration device;
  device.portraitSize = {375, 667};
  device.scale = 2;
  ui::Screen::main().configure(device);
  host::HeadlessOptions options;
  options.snapshotFolder = folder.path().string();
  // Andromeda 2: the second row, at (120, 138) points, (240, 276) pixels.
  options.script = "snapshot start\ntap 120 138\nwait 2\nsnapshot pushed\n";
  ASSERT_EQ(host::runHeadless(std::make_shared<check::CheckDelegate>(), options), 0);
  auto start = cg::imageFromFile(folder.file("start.png"));
  auto pushed = cg::imageFromFile(folder.file("pushed.png"));
  ASSERT_TRUE(start && pushed);
  ui::Application::shared().reset();

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
  const std::string shot = folder.file("window.png");
  // Screenshots until the window shows the wanted picture (or 20 s pass).
  auto waitFor = [&](const cg::Image& wanted, int& worst, int& differing) {
    std::shared_ptr<cg::Image> screen;
    for (int i = 0; i < 80; ++i) {
      run(x + "import -window " + window + " png:" + shot);
      screen = cg::imageFromFile(shot);
      if (screen && (worst = worstDifference(*screen, wanted, &differing)) >= 0 && worst <= 2) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return screen;
  };
  int worst = -1, differing = 0;
  auto first = waitFor(*start, worst, differing);
  ASSERT_TRUE(first) << "no screenshot (ImageMagick's import is needed)";
  EXPECT_LE(worst, 2) << differing << " pixels differ before the click";
  run(x + "xdotool mousemove --window " + window + " 240 276 click 1");
  auto after = waitFor(*pushed, worst, differing);
  program.stop();
  server.stop();
  ASSERT_TRUE(after);
  EXPECT_LE(worst, 2) << differing << " pixels differ after the click";
  if (worst > 2) {
    std::string failures = std::filesystem::current_path().string() + "/host_failures";
    std::filesystem::create_directories(failures);
    cg::writePNG(*after, failures + "/xvfb-window.png");
    cg::writePNG(*pushed, failures + "/xvfb-headless.png");
  }
}

}  // namespace
