// The program itself without a display: it plays the bundle's start-up
// script, writes its snapshots, prints their folder and ends, with or
// without catalogues, and with a damaged bundle says once what is wrong;
// without a script to play it says so and fails, settings it cannot use
// are named once each, and an update a script starts from Settings
// reports within the script's wait.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "loopback_server.h"
#include "requirements.h"
#include "sanitizer_build.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::string output;
};

// The program without a display on `bundle`; `settings` are further
// variables ("NAME='value' ...").
ProgramRun runHeadless(const fs::path& bundle, const fs::path& home, const fs::path& snapshots,
                       const std::string& settings = "") {
  const char* binary = std::getenv("TESSALY_APP_BINARY");
  ProgramRun run;
  if (binary == nullptr) return run;
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u TESSALY_TOUCH_SCRIPT -u TESSALY_SCALE "
                              "-u TESSALY_SCREEN -u TESSALY_GPU_THREADS TESSALY_HEADLESS=1 TESSALY_BUNDLE='" +
                              bundle.string() + "' TESSALY_HOME='" + home.string() + "' TESSALY_SNAPSHOTS='" +
                              snapshots.string() + "' " + settings + " '" + binary + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  if (pipe) run.status = pclose(pipe);
  return run;
}

// The start-up script with every wait held to a second: each second of a
// wait draws sixty frames, which under a sanitizer cost more than all the
// rest of the run; every step and snapshot stays.
void writeShortenedScripts(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    std::ifstream in(entry.path());
    std::ofstream out(to / entry.path().filename());
    std::string line;
    double seconds = 0;
    while (std::getline(in, line)) {
      if (std::sscanf(line.c_str(), "wait %lf", &seconds) == 1 && seconds > 1) line = "wait 1";
      out << line << '\n';
    }
  }
}

// A bundle of the source tree's resources (without its shaders when
// asked) and, when given, a catalogue.
void makeBundle(const fs::path& bundle, const fs::path& catalogue, bool shaders = true) {
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  const fs::path resources = fs::path(source ? source : ".") / "resources";
  for (const char* folder : {"Fonts", "Interface", "Shaders"})
    if (shaders || std::string_view(folder) != "Shaders")
      fs::create_directory_symlink(resources / folder, bundle / folder);
  if (tessaly::test::underSanitizer()) writeShortenedScripts(resources / "Scripts", bundle / "Scripts");
  else fs::create_directory_symlink(resources / "Scripts", bundle / "Scripts");
  if (!catalogue.empty()) {
    fs::create_directories(bundle / "SkyData");
    fs::copy_file(catalogue, bundle / "SkyData" / "SolarSystem.skydata");
  }
}

// The built bundle (the run command's), or empty when it was not built.
fs::path builtBundle() {
  const char* built = std::getenv("TESSALY_APP_BUNDLE");
  std::error_code error;
  if (built == nullptr || !fs::exists(fs::path(built) / "SkyData" / "SolarSystem.skydata", error)) return {};
  return built;
}

// Links the built bundle's data into `bundle`, folder by folder.
void linkBuiltData(const fs::path& built, const fs::path& bundle) {
  for (const char* folder : {"SkyData", "SkyImages", "WorldBorders", "Images", "Sounds"})
    fs::create_directory_symlink(built / folder, bundle / folder);
}

// Makes `relative` in `bundle`, whose data links to the built bundle's, a
// file of the first `bytes` bytes of the built one: each folder on the
// way becomes a real folder whose other entries link to the built ones,
// so that the built bundle itself is never touched.
void cutFile(const fs::path& built, const fs::path& bundle, const fs::path& relative, std::size_t bytes) {
  fs::path folder;
  for (auto part = relative.begin(); std::next(part) != relative.end(); ++part) {
    folder /= *part;
    if (!fs::is_symlink(bundle / folder)) continue;
    fs::remove(bundle / folder);
    fs::create_directory(bundle / folder);
    for (const fs::directory_entry& entry : fs::directory_iterator(built / folder))
      fs::create_symlink(entry.path(), bundle / folder / entry.path().filename());
  }
  std::ifstream in(built / relative, std::ios::binary);
  std::string text(bytes, '\0');
  in.read(text.data(), std::streamsize(bytes));
  ASSERT_EQ(in.gcount(), std::streamsize(bytes)) << relative;
  fs::remove(bundle / relative);
  std::ofstream(bundle / relative, std::ios::binary) << text;
}

ProgramRun expectSnapshots(const fs::path& bundle, const fs::path& snapshots) {
  tessaly::test::TempDir home;
  const ProgramRun run = runHeadless(bundle, home.path(), snapshots);
  if (run.status == -1) {
    ADD_FAILURE() << "TESSALY_APP_BINARY does not name the program";
    return run;
  }
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("snapshots in " + snapshots.string()), std::string::npos) << run.output;
  // A newcomer sees the chart, not only the quick start: the script closes
  // it and shows every perspective.
  for (const char* name : {"first-frame.png", "after-update.png", "chart-sky.png", "chart-orbit.png",
                           "chart-satellite.png", "chart-ground.png"})
    EXPECT_GT(fs::file_size(snapshots / name), 1000u) << name;
  return run;
}

TEST(HeadlessProgram, WritesItsSnapshotsWithoutCatalogues) {
  tessaly::test::TempDir bundle, snapshots;
  makeBundle(bundle.path(), {});
  expectSnapshots(bundle.path(), snapshots.path() / "out");
}

TEST(HeadlessProgram, WritesItsSnapshotsWithTheBuiltBundle) {
  const fs::path built = builtBundle();
  if (built.empty()) TESSALY_SKIP_OR_FAIL("the data bundle is not built");
  tessaly::test::TempDir bundle, snapshots;
  makeBundle(bundle.path(), {});
  linkBuiltData(built, bundle.path());
  const ProgramRun run = expectSnapshots(bundle.path(), snapshots.path() / "out");
  // A terminal start says where the snapshots went and, at most, that no
  // sound device was found: no library's notes, no log of the updater,
  // no word of the bundle, which is whole.
  EXPECT_LE(std::count(run.output.begin(), run.output.end(), '\n'), 2) << run.output;
  EXPECT_EQ(run.output.find("mgl-"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("ALSA lib"), std::string::npos) << run.output;
}

// The built bundle without its shaders, its star catalogue cut to 1,000
// bytes and its Milky Way picture cut short: a few lines say so at the
// start, naming each file once and the command that rebuilds the bundle;
// the GL errors of a chart without a program are printed once, not at
// each of the script's frames; the program goes on to its snapshots and
// leaves the damaged files as they were.
TEST(HeadlessProgram, ADamagedBundleSaysOnceWhatIsWrongAndStillWritesItsSnapshots) {
  const fs::path built = builtBundle();
  if (built.empty()) TESSALY_SKIP_OR_FAIL("the data bundle is not built");
  tessaly::test::TempDir bundle, snapshots;
  makeBundle(bundle.path(), {}, false);
  linkBuiltData(built, bundle.path());
  cutFile(built, bundle.path(), "SkyData/Stars.skydata", 1000);
  cutFile(built, bundle.path(), "SkyImages/MilkyWay/Visible.jpg", 20000);
  const ProgramRun run = expectSnapshots(bundle.path(), snapshots.path() / "out");

  std::istringstream lines(run.output);
  std::vector<std::string> named, all;
  for (std::string line; std::getline(lines, line); all.push_back(line))
    if (line.starts_with("  ")) named.push_back(line);
  EXPECT_EQ(named, (std::vector<std::string>{"  SkyData/Stars.skydata: does not read",
                                             "  Shaders/VertexShader.glsl: missing",
                                             "  Shaders/FragmentShader.glsl: missing",
                                             "  SkyImages/MilkyWay/Visible.jpg: does not read"}))
      << run.output;
  EXPECT_EQ(std::count_if(all.begin(), all.end(),
                          [](const std::string& line) { return line.ends_with("' bash scripts/run.sh"); }),
            1)
      << run.output;
  EXPECT_NE(run.output.find("end of CSkyChart::drawSkyChart(): OpenGL error = 0x502"), std::string::npos)
      << run.output;
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a line said twice:\n" << run.output;
  EXPECT_LE(all.size(), 16u) << run.output;
  EXPECT_EQ(fs::file_size(bundle.path() / "SkyData/Stars.skydata"), 1000u);
  EXPECT_EQ(fs::file_size(bundle.path() / "SkyImages/MilkyWay/Visible.jpg"), 20000u);
}

// A headless run has nothing to play without its script: the bundle's
// start-up script missing, or the one TESSALY_TOUCH_SCRIPT names, is named
// and the run fails at once, with no snapshot.
TEST(HeadlessProgram, AMissingScriptIsNamedAndFailsTheRun) {
  tessaly::test::TempDir bundle, home, snapshots, elsewhere;
  makeBundle(bundle.path(), {});
  // An empty Scripts folder; a link to the source tree's is removed, not
  // followed.
  const fs::path scripts = bundle.path() / "Scripts";
  if (fs::is_symlink(scripts)) fs::remove(scripts);
  else fs::remove_all(scripts);
  fs::create_directory(scripts);
  const fs::path named = elsewhere.path() / "absent.txt";
  const std::pair<std::string, fs::path> cases[] = {{"", bundle.path() / "Scripts/Headless.txt"},
                                                    {"TESSALY_TOUCH_SCRIPT='" + named.string() + "'", named}};
  for (const auto& [settings, script] : cases) {
    const ProgramRun run = runHeadless(bundle.path(), home.path(), snapshots.path() / "out", settings);
    ASSERT_NE(run.status, -1) << "TESSALY_APP_BINARY does not name the program";
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) != 0) << run.status << "\n" << run.output;
    EXPECT_EQ(run.output, script.string() + ": the touch script is missing; without a display there is nothing to play\n");
    EXPECT_FALSE(fs::exists(snapshots.path() / "out")) << run.output;
  }
}

// The preferences, the saved settings and the alerts each in a file that
// holds nothing readable and cannot be moved aside (every name for a kept
// copy is taken): the program plays its script on the defaults, names
// each file once, and leaves all three as they were.
TEST(HeadlessProgram, StoreFilesThatCannotBeKeptAsideAreLeftAsTheyWere) {
  tessaly::test::TempDir bundle, home, snapshots, scripts;
  makeBundle(bundle.path(), {});
  const fs::path script = scripts.path() / "short.txt";
  std::ofstream(script) << "tap 334 22\nwait 1\nsnapshot screen\nquit\n";
  const std::string damaged("\x01\x02\xff what the user kept\n", 23);
  struct Store {
    const char* file;
    const char* kind;
    std::string problem;
  };
  const std::string held = "and cannot be kept aside (1000 unreadable copies are kept already); ";
  const Store stores[] = {
      {"Preferences/UserDefaults.txt", "Preferences file", "cannot be read " + held + "defaults in use"},
      {"Documents/CurrentSettings", "Settings file", "cannot be read " + held + "defaults in use"},
      {"Preferences/LocalNotifications.json", "Alerts file",
       "holds no list of notifications " + held + "no alerts scheduled"}};
  for (const Store& store : stores) {
    const fs::path path = home.path() / store.file;
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(tessaly::test::takeEveryKeptAsideName(path.string()));
    ASSERT_TRUE(tessaly::test::writeFile(path.string(), damaged));
  }
  const ProgramRun run =
      runHeadless(bundle.path(), home.path(), snapshots.path(), "TESSALY_TOUCH_SCRIPT='" + script.string() + "'");
  ASSERT_NE(run.status, -1) << "TESSALY_APP_BINARY does not name the program";
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(fs::exists(snapshots.path() / "screen.png")) << run.output;
  for (const Store& store : stores) {
    const std::string path = (home.path() / store.file).string();
    EXPECT_EQ(tessaly::test::readFile(path), damaged) << path << "\n" << run.output;
    std::istringstream lines(run.output);
    std::vector<std::string> naming;
    for (std::string line; std::getline(lines, line);)
      if (line.find(path) != std::string::npos) naming.push_back(line);
    EXPECT_EQ(naming, std::vector<std::string>{std::string(store.kind) + " " + path + " " + store.problem +
                                               ", and nothing is saved over it in this run"})
        << run.output;
  }
}

// Settings the program cannot use are each named once, with the value
// taken instead, control characters escaped; the screen is the default
// phone at scale 2 (750 x 1334 pixels), not the tablet's. The script closes the quick start
// over a chart of the built bundle, so that the GPU's workers start.
TEST(HeadlessProgram, UnusableSettingsAreNamedOnceWithTheValueUsedInstead) {
  const fs::path built = builtBundle();
  if (built.empty()) TESSALY_SKIP_OR_FAIL("the data bundle is not built");
  tessaly::test::TempDir bundle, home, snapshots, scripts;
  makeBundle(bundle.path(), {});
  linkBuiltData(built, bundle.path());
  const fs::path script = scripts.path() / "short.txt";
  std::ofstream(script) << "tap 334 22\nwait 1\nsnapshot screen\nquit\n";
  const std::string settings = "TESSALY_TOUCH_SCRIPT='" + script.string() +
                               "' TESSALY_SCALE=2abc TESSALY_SCREEN=\"$(printf '20x30\\033[2J')\" TESSALY_GPU_THREADS=0"
                               " TESSALY_IDIOM=tablet TESSALY_SAFE_AREA=44,0,34 TESSALY_DARK_MODE=yes"
                               " TESSALY_HEADING=north TESSALY_LOCATION_COURSE=fast";
  const ProgramRun run = runHeadless(bundle.path(), home.path(), snapshots.path(), settings);
  ASSERT_NE(run.status, -1) << "TESSALY_APP_BINARY does not name the program";
  EXPECT_EQ(run.status, 0) << run.output;
  const std::string cores = std::to_string(std::max(1u, std::thread::hardware_concurrency()));
  for (const std::string& line : {std::string("TESSALY_SCALE=\"2abc\" is not a scale from 1 to 4; using 2"),
                                 std::string("TESSALY_SCREEN=\"20x30\\x1B[2J\" is not a size WxH of 100 to 4096 "
                                             "points each; using 375x667"),
                                 "TESSALY_GPU_THREADS=\"0\" is not a count from 1 to 256; using " + cores,
                                 std::string("TESSALY_IDIOM=\"tablet\" is not phone or pad; using phone"),
                                 std::string("TESSALY_SAFE_AREA=\"44,0,34\" is not insets top,left,bottom,right of 0 "
                                             "to 100 points each; using 0,0,0,0"),
                                 std::string("TESSALY_DARK_MODE=\"yes\" is not 0 or 1; using 1"),
                                 std::string("TESSALY_HEADING=\"north\" is not a heading from 0 to 360 degrees; "
                                             "using no heading"),
                                 std::string("TESSALY_LOCATION_COURSE=\"fast\" is not a speed,course of 0 to 1000 "
                                             "metres per second and 0 to 360 degrees; using 0,0")}) {
    std::istringstream lines(run.output);
    int count = 0;
    for (std::string text; std::getline(lines, text);) count += text == line;
    EXPECT_EQ(count, 1) << line << "\n" << run.output;
  }
  EXPECT_EQ(std::count_if(run.output.begin(), run.output.end(),
                          [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\n'; }),
            0)
      << run.output;
  std::ifstream png(snapshots.path() / "screen.png", std::ios::binary);
  unsigned char header[24] = {};
  png.read(reinterpret_cast<char*>(header), sizeof header);
  ASSERT_TRUE(png) << run.output;
  const auto bigEndian = [&](int at) { return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3]; };
  EXPECT_EQ(bigEndian(16), 750);
  EXPECT_EQ(bigEndian(20), 1334);
}

// A user's update from Settings, played by a script: the download from a
// loopback server reports within the wait that follows the tap, so its
// alert and its log line come before the script ends. The last good
// update is an hour old less a minute, so the start-up check fetches
// nothing and the one request is the tap's.
TEST(HeadlessProgram, AnUpdateStartedFromSettingsReportsWithinTheScriptsWait) {
  const fs::path built = builtBundle();
  if (built.empty()) TESSALY_SKIP_OR_FAIL("the data bundle is not built");
  const std::string catalogue = tessaly::test::readFile((built / "SkyData" / "SolarSystem.skydata").string());
  std::atomic<int> catalogueRequests{0};
  tessaly::test::LoopbackServer server([&](int client, const tessaly::test::LoopbackServer::Request& request) {
    if (request.path == "/updates/Tessaly/SolarSystem.skydata") {
      ++catalogueRequests;
      // Slower than the wait's twenty seconds take when they jump, so a
      // wait that does not wait for the update ends before its report.
      if (server.waitUntilStopping(3)) return;
      tessaly::test::LoopbackServer::sendResponse(client, 200, "OK", catalogue);
    } else {
      tessaly::test::LoopbackServer::sendResponse(client, 404, "Not Found", "");
    }
  });
  tessaly::test::TempDir bundle, home, snapshots, scripts;
  makeBundle(bundle.path(), {});
  linkBuiltData(built, bundle.path());
  const double julianDateNow = double(std::time(nullptr)) / 86400 + 2440587.5;
  fs::create_directories(home.path() / "Preferences");
  std::ofstream(home.path() / "Preferences" / "UserDefaults.txt")
      << "s UpdateServerURL " << server.url("") << "\n"
      << std::setprecision(17) << "d LastOrbitUpdateTime-2560 " << julianDateNow - 59.0 / 1440 << "\n";
  // The quick start closed, the toolbar dragged to its end, Settings,
  // its table dragged to its end, Update Orbit Data Now.
  const fs::path script = scripts.path() / "update.txt";
  std::ofstream(script) << "wait 1\ntap 334 22\nwait 1\ndrag 340 642 40 642 0.5\nwait 1\ntap 187 642\nwait 1\n"
                           "drag 187 500 187 100 0.5\nwait 1\ntap 187 603\nwait 20\nsnapshot report\nquit\n";
  const ProgramRun run = runHeadless(bundle.path(), home.path(), snapshots.path(),
                                     "TESSALY_TRACE=1 TESSALY_TOUCH_SCRIPT='" + script.string() + "'");
  ASSERT_NE(run.status, -1) << "TESSALY_APP_BINARY does not name the program";
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(catalogueRequests.load(), 1) << run.output;
  const std::string reported = "Downloaded " + std::to_string(catalogue.size()) + " bytes";
  EXPECT_NE(run.output.find(reported), std::string::npos) << run.output;
  EXPECT_TRUE(fs::exists(snapshots.path() / "report.png"));
}

}  // namespace
