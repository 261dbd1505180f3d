// Start-up on the manual clock: the catalogues in their order and with
// their fall-backs, the counts kept per version, the ISS selected once the
// start-up update attempt has reported, a chart screen even without
// catalogues, a damaged bundle's files named once (catalogues, borders,
// picture indexes, screen definitions), and the settings saved
// on the way out for the next start and at the night-vision switch; a
// first start keeps the summer time of the device's place, and a device
// place off the Earth leaves the saved one.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "chart/sky_chart.h"
#include "chart/world_borders.h"
#include "engine/vectors.h"
#include "mechanics/jpl_ephemeris.h"
#include "platform/devices/location.h"
#include "platform/devices/store_review.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/application.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_types.h"
#include "skydata/open_file.h"
#include "skydata/settings.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "loopback_server.h"
#include "platform/uikit/alert_controller.h"
#include "push/push_client.h"
#include "tests/app/app_session.h"
#include "tests/mechanics/de405_file.h"
#include "tools/catalogues/world_borders.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/utility.h"

namespace {

using app_test::AppSession;
using app_test::SessionOptions;

std::int64_t stored(const std::string& key) { return ns::UserDefaults::standard().integerForKey(key); }

// How many lines of `log` are `line`.
int lineCount(const std::string& log, const std::string& line) {
  std::istringstream lines(log);
  int count = 0;
  for (std::string text; std::getline(lines, text);) count += text == line;
  return count;
}

// The first line of `log` that occurs more than once; empty when none.
std::string repeatedLine(const std::string& log) {
  std::istringstream lines(log);
  std::set<std::string> seen;
  for (std::string text; std::getline(lines, text);)
    if (!seen.insert(text).second) return text;
  return {};
}

std::string fileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Runs the session until the chart view has drawn `frames` more frames
// (ten seconds at most); whether it did.
bool drawFrames(AppSession& session, long frames) {
  const long until = session.chartView().framesDrawn() + frames;
  return session.runUntil([&] { return session.chartView().framesDrawn() >= until; }, 10.0);
}

void enterForeground() {
  ui::Application& app = ui::Application::shared();
  app.enterBackground();
  app.becomeActive();
}

TEST(ApplicationLaunch, SelectsTheStationOnceTheStartUpUpdateHasReported) {
  AppSession session;
  session.run(0.5);
  CSkyChart& chart = session.chart();
  ASSERT_NE(chart.selectedObject, nullptr);
  EXPECT_EQ(chart.selectedObject->getType(), kTypeSatellite);
  EXPECT_EQ(chart.selectedObjectID.catnum % 10000000000000000, 25544);
  // The chart screen's model took the selection over.
  EXPECT_EQ(session.screen().settings()->selectedObject() != nullptr, true);
  EXPECT_GT(session.chartView().framesDrawn(), 0);
}

TEST(ApplicationLaunch, ADamagedDownloadedCatalogueFallsBackToTheBundle) {
  SessionOptions options;
  options.launch = false;
  AppSession session(options);
  std::ofstream(Utility::cachesDirectory() + "/SolarSystem.skydata") << "not a catalogue";
  session.launch();
  session.run(0.5);
  ASSERT_NE(session.chart().selectedObject, nullptr);
  EXPECT_EQ(session.chart().selectedObject->getType(), kTypeSatellite);
}

TEST(ApplicationLaunch, AGoodDownloadedCatalogueComesBeforeTheBundle) {
  // The download holds a satellite the bundle lacks: found, so what the
  // chart shows came from the Caches copy.
  SessionOptions more;
  more.moreSatellites.emplace_back().elements =
      mechanics_test::elementsFromLines(mechanics_test::kMolniyaLines[0], mechanics_test::kMolniyaLines[1]);
  more.launch = false;
  AppSession source(more);
  const std::string copy = source.bundle() + "/SkyData/SolarSystem.skydata";
  SessionOptions options;
  options.launch = false;
  AppSession session(options);
  std::filesystem::copy_file(copy, Utility::cachesDirectory() + "/SolarSystem.skydata");
  session.launch();
  session.run(0.5);
  std::vector<SkyObjectID> found;
  EXPECT_EQ(session.chart().database->findObjectsByCatalogNumber(makeCatalogNumber(kCatalogSatellite, 8195),
                                                                  kSolarSystemFile, found, 1),
            1);
}

TEST(ApplicationLaunch, WithoutCataloguesTheScreenStillComesUpAndSnapshots) {
  SessionOptions options;
  options.catalogues = false;
  testing::internal::CaptureStderr();
  AppSession session(options);
  session.run(0.5);
  const std::string log = testing::internal::GetCapturedStderr();
  // Said, not drawn black in silence.
  EXPECT_EQ(lineCount(log, "  SkyData/SolarSystem.skydata: missing"), 1) << log;
  EXPECT_EQ(session.chart().selectedObject, nullptr);
  auto image = ui::Application::shared().snapshot(1);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width(), std::size_t(ui::Screen::main().bounds().width()));
}

// A bundle whose star catalogue was cut short, whose deep-sky index names
// twice a picture it lacks and whose Milky Way and horizon pictures are
// cut and empty: each is named once at launch with the command that rebuilds the
// bundle, nothing is said again over fifty frames, the chart draws the
// solar system that loaded, and nothing damaged is written over, in the
// bundle or in the user's folders.
TEST(ApplicationLaunch, ADamagedBundleNamesEachDamagedFileOnceAndTheChartDrawsWhatLoaded) {
  namespace fs = std::filesystem;
  SessionOptions options;
  options.launch = false;
  options.stars = {chart_test::StarDefinition{}};
  AppSession session(options);
  const fs::path bundle = session.bundle();
  const fs::path stars = bundle / "SkyData/Stars.skydata";
  fs::resize_file(stars, fs::file_size(stars) / 2);
  const fs::path images = bundle / "SkyImages";
  for (const char* folder : {"DeepSky/4s", "MilkyWay", "Horizons"}) fs::create_directories(images / folder);
  const std::string png = fileText(bundle / "Images/Center.png");
  ASSERT_GT(png.size(), 100u);
  std::ofstream(images / "DeepSky/Index.txt") << "4s/Whole.png\tWhole\n4s/Absent.png\tAbsent\n4s/Absent.png\tAgain\n";
  std::ofstream(images / "DeepSky/4s/Whole.png") << png;
  std::ofstream(images / "MilkyWay/Outline.png") << png;
  std::ofstream(images / "MilkyWay/Visible.jpg") << png.substr(0, png.size() - 1);
  std::ofstream(images / "Horizons/Beaver Lake.png");
  const std::string download = Utility::cachesDirectory() + "/SolarSystem.skydata";
  std::ofstream(download) << "not a catalogue";
  const std::string cutStars = fileText(stars);

  testing::internal::CaptureStderr();
  session.launch();
  const bool drawn = drawFrames(session, 50);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(drawn);
  for (const char* line : {"  SkyData/Stars.skydata: does not read", "  SkyImages/DeepSky/4s/Absent.png: missing",
                           "  SkyImages/MilkyWay/Visible.jpg: does not read",
                           "  SkyImages/Horizons/Beaver Lake.png: empty"})
    EXPECT_EQ(lineCount(log, line), 1) << line << "\n" << log;
  for (const char* whole : {"SkyData/SolarSystem.skydata", "Whole.png", "Outline.png"})
    EXPECT_EQ(log.find(whole), std::string::npos) << whole << "\n" << log;
  const std::string rebuild = "Rebuild it from the source tree with: rm -f '" + bundle.string() +
                              "/.data-stamp'; TESSALY_BUNDLE='" + bundle.string() + "' bash scripts/run.sh";
  EXPECT_EQ(lineCount(log, rebuild), 1) << log;
  EXPECT_EQ(repeatedLine(log), "") << log;
  ASSERT_NE(session.chart().selectedObject, nullptr);
  EXPECT_EQ(session.chart().selectedObject->getType(), kTypeSatellite);
  EXPECT_EQ(fileText(stars), cutStars);
  EXPECT_EQ(fs::file_size(images / "Horizons/Beaver Lake.png"), 0u);
  EXPECT_EQ(fileText(download), "not a catalogue");
}

// How many lines of `log` mention `text`.
int linesMentioning(const std::string& log, const std::string& text) {
  std::istringstream lines(log);
  int count = 0;
  for (std::string line; std::getline(lines, line);) count += line.find(text) != std::string::npos;
  return count;
}

// Makes the session bundle's folder `folder` (a link to the source tree's)
// a folder of copies, which a test may then damage.
std::filesystem::path ownCopyOf(const AppSession& session, const char* folder) {
  namespace fs = std::filesystem;
  const fs::path at = fs::path(session.bundle()) / folder;
  const fs::path source = fs::read_symlink(at);
  fs::remove(at);
  fs::copy(source, at);
  return at;
}

// Screen definitions that are missing or cut short: each is named once
// under the heading, among the bundle's other faults, and the screens that
// load them later say nothing more; the chart still comes up and draws.
// Every definition of the source tree is covered, cut.
TEST(ApplicationLaunch, EachScreenDefinitionThatIsMissingOrCutIsNamedOnce) {
  namespace fs = std::filesystem;
  for (const bool chartMissing : {true, false}) {
    SessionOptions options;
    options.launch = false;  // a first start: the quick start opens too
    AppSession session(options);
    const fs::path interface = ownCopyOf(session, "Interface");
    // Either the chart's definition missing and every other cut, or the
    // chart's cut and the two the launch loads next missing.
    std::vector<std::string> expected;
    std::vector<fs::path> definitions{fs::directory_iterator(interface), {}};
    for (const fs::path& file : definitions) {
      const std::string name = file.filename().string();
      const bool chart = name == "ChartView.json";
      const bool missing = chartMissing ? chart : name == "QuickStartView.json" || name == "MessageView.json";
      const bool cut = chartMissing ? !chart : chart;
      if (missing) {
        fs::remove(file);
      } else if (cut) {
        const std::string text = fileText(file);
        std::ofstream(file, std::ios::trunc) << text.substr(0, text.size() / 2);
      } else {
        continue;
      }
      expected.push_back("  Interface/" + name + (missing ? ": missing" : ": does not read"));
    }
    ASSERT_GE(expected.size(), chartMissing ? 20u : 3u);
    testing::internal::CaptureStderr();
    session.launch();
    const bool drawn = drawFrames(session, 5);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(drawn);
    for (const std::string& line : expected) EXPECT_EQ(lineCount(log, line), 1) << line << "\n" << log;
    EXPECT_EQ(linesMentioning(log, ".json"), int(expected.size())) << log;
    EXPECT_EQ(repeatedLine(log), "") << log;
  }
}

// A garbled picture index (control characters, bytes that are not UTF-8, a
// line naming no picture) is named itself, once, and its bytes are not
// printed as file names; the pictures its good lines list are still
// looked for. Nothing printed holds a control character.
TEST(ApplicationLaunch, AGarbledPictureIndexIsNamedAndNoControlCharacterReachesTheTerminal) {
  namespace fs = std::filesystem;
  SessionOptions options;
  options.launch = false;
  AppSession session(options);
  const fs::path deepSky = fs::path(session.bundle()) / "SkyImages/DeepSky";
  fs::create_directories(deepSky);
  std::ofstream(deepSky / "Index.txt", std::ios::binary)
      << "4s/Absent.png\tAbsent\r\n\x01\x1b[31mred\x07\tx\n\x9b" "2J\xff\xfe\n";
  const fs::path constellations = fs::path(session.bundle()) / "SkyImages/Constellations";
  fs::create_directories(constellations);
  std::ofstream(constellations / "Index.txt") << "And-andromeda 512 512 226 198.00 215.00\n";

  testing::internal::CaptureStderr();
  session.launch();
  session.run(0.2);
  const std::string log = testing::internal::GetCapturedStderr();
  for (const char* line : {"  SkyImages/DeepSky/Index.txt: does not read", "  SkyImages/DeepSky/4s/Absent.png: missing",
                           "  SkyImages/Constellations/Index.txt: does not read"})
    EXPECT_EQ(lineCount(log, line), 1) << line << "\n" << log;
  EXPECT_EQ(linesMentioning(log, "SkyImages/DeepSky/"), 2) << log;
  EXPECT_EQ(linesMentioning(log, "SkyImages/Constellations/"), 1) << log;
  for (const char c : log)
    EXPECT_TRUE(c == '\n' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)) << int(c) << "\n" << log;
}

// A world-borders geometry file broken off after its first shape: the
// countries before the cut keep their borders, the file is named once, and
// shapelib's complaint about each record after the cut stays unsaid.
TEST(ApplicationLaunch, ACutWorldBordersFileIsNamedOnceWithoutTheLibrarysLines) {
  namespace fs = std::filesystem;
  SessionOptions options;
  options.launch = false;
  AppSession session(options);
  const fs::path borders = fs::path(session.bundle()) / "WorldBorders";
  fs::create_directories(borders);
  const std::string base = (borders / "TM_WORLD_BORDERS_SIMPL").string();
  std::vector<catalogues::Country> countries;
  for (int i = 0; i < 12; ++i)
    countries.push_back({std::string{char('A' + i), 'X'}, "", 0, "Country " + std::to_string(i), 10.0 * i, 0.0,
                         {{{10.0 * i, 0}, {10.0 * i + 5, 0}, {10.0 * i + 5, 5}, {10.0 * i, 5}}}});
  std::string error;
  ASSERT_TRUE(catalogues::writeWorldBorders(countries, base, error)) << error;
  fs::resize_file(base + ".shp", fs::file_size(base + ".shp") / 3);
  releaseWorldBorders();

  testing::internal::CaptureStderr();
  session.launch();
  session.run(0.2);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(lineCount(log, "  WorldBorders/TM_WORLD_BORDERS_SIMPL.shp: does not read"), 1) << log;
  EXPECT_EQ(linesMentioning(log, "WorldBorders/"), 1) << log;
  EXPECT_EQ(linesMentioning(log, ".shp"), 1) << log;
  ASSERT_EQ(getCountryCount(), 12);
  EXPECT_GT(getCountryRecord(0)->vertexCount(), 0);
  EXPECT_EQ(getCountryRecord(11)->vertexCount(), 0);
  releaseWorldBorders();
}

// The settings file (in the session's home: ask once a session exists).
std::string settingsPath() { return Utility::documentsDirectory() + "/CurrentSettings"; }

// The settings file's integer under a key, -1 without the file or key.
int savedInteger(const std::string& key) {
  CSettings* file = CSettings::readFile(settingsPath().c_str());
  const int value = CSettings::getInt(file, key.c_str(), 0, -1);
  CSettings::deleteList(file);
  return value;
}

// Counts the saves of the settings file from its making on: each save puts
// a whole new file in its place.
class SettingsSaves {
 public:
  SettingsSaves() : fd_(inotify_init1(IN_NONBLOCK)) {
    EXPECT_GE(inotify_add_watch(fd_, Utility::documentsDirectory().c_str(), IN_MOVED_TO | IN_CLOSE_WRITE), 0);
  }
  ~SettingsSaves() { close(fd_); }
  SettingsSaves(const SettingsSaves&) = delete;
  SettingsSaves& operator=(const SettingsSaves&) = delete;
  int count() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;)
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0 && std::string(event->name) == "CurrentSettings") ++count_;
        at += ssize_t(sizeof(inotify_event) + event->len);
      }
    return count_;
  }

 private:
  int fd_;
  int count_ = 0;
};

TEST(ApplicationLaunch, SavesTheSettingsInTheBackgroundAndAtTheEndAndTheNextStartTakesThemUp) {
  SessionOptions options;
  options.launchCount = 5;  // no quick start over the toolbar
  std::string atTheEnd;
  {
    AppSession session(options);
    session.run(1.0);  // past the opening fade
    ui::Application& app = ui::Application::shared();
    const ui::Point ground = AppSession::centreOf(*session.screen().views().groundPerspectiveButton);
    session.tap(ground.x, ground.y);
    std::filesystem::remove(settingsPath());
    app.enterBackground();
    EXPECT_EQ(savedInteger("ChartPerspective"), kGroundPerspective) << "saved on going to the background";
    app.becomeActive();
    session.screen().settings()->setWarningTime(23);
    {
      SettingsSaves saves;
      session.screen().toggleNightVision();
      EXPECT_EQ(saves.count(), 2) << "saved as night vision is switched and again before the theme changes";
    }
    EXPECT_EQ(savedInteger("WarningTime"), 23);
    session.screen().toggleNightVision();  // the theme is the process's
    session.screen().settings()->setWarningTime(17);
    std::filesystem::remove(settingsPath());
    app.terminate();
    EXPECT_EQ(savedInteger("WarningTime"), 17) << "saved at the end";
    atTheEnd = fileText(settingsPath());
  }
  options.launch = false;
  AppSession next(options);
  ASSERT_TRUE(tessaly::test::writeFile(settingsPath(), atTheEnd));
  next.launch();
  next.run(0.5);
  EXPECT_EQ(next.chartView().chartPerspective(), kGroundPerspective);
  EXPECT_EQ(next.screen().settings()->warningTime(), 17);
}

// A first start follows the device and shows the orbit view: the place
// the device reports keeps its summer time there, an hour on the standard
// zone the device gives (Munich on 15 July 2008 at 12:00 UTC).
TEST(ApplicationLaunch, AFirstStartInTheOrbitViewKeepsTheSummerTimeOfTheDevicesPlace) {
  dev::LocationConfiguration munich;
  munich.start.latitude = 48.1374;
  munich.start.longitude = 11.5755;
  dev::LocationManager::configure(munich);
  SessionOptions options;
  options.launchCount = 5;
  options.wallTime = 1216123200;
  AppSession session(options);
  session.run(2.0);
  dev::LocationManager::configure(dev::LocationConfiguration::fromEnvironment());
  const Settings& settings = *session.screen().settings();
  ASSERT_EQ(settings.latitude(), 48.1374) << "the device's place";
  ASSERT_EQ(session.chartView().chartPerspective(), kOrbitPerspective);
  char shown[16];
  session.chart().formatCurrentDate(shown, sizeof shown, "%H:%M");
  const long minutes = (std::lround((12 + settings.timeZone() + 1) * 60) % 1440 + 1440) % 1440;
  char expected[16];
  std::snprintf(expected, sizeof expected, "%02ld:%02ld", minutes / 60, minutes % 60);
  EXPECT_STREQ(shown, expected) << "standard zone " << settings.timeZone() << " h";
}

// The device at the place TESSALY_LOCATION names while this lives.
struct DeviceAt {
  explicit DeviceAt(const char* place) {
    setenv("TESSALY_LOCATION", place, 1);
    dev::LocationManager::configure(dev::LocationConfiguration::fromEnvironment());
  }
  ~DeviceAt() {
    unsetenv("TESSALY_LOCATION");
    dev::LocationManager::configure(dev::LocationConfiguration::fromEnvironment());
  }
};

// A device place off the Earth is refused: the place the settings hold
// stays, on the chart and in the file, and the next start is not wrong.
TEST(ApplicationLaunch, ADevicePlaceOffTheEarthLeavesTheSavedPlace) {
  SessionOptions options;
  options.launchCount = 5;
  std::string saved;
  {
    DeviceAt place("45,10,100");
    AppSession session(options);
    session.run(2.0);
    ASSERT_EQ(session.screen().settings()->altitude(), 100);
    ui::Application::shared().terminate();
    saved = fileText(settingsPath());
  }
  DeviceAt place("45,10,1e30");
  options.launch = false;
  AppSession next(options);
  ASSERT_TRUE(tessaly::test::writeFile(settingsPath(), saved));
  next.launch();
  next.run(2.0);
  EXPECT_EQ(next.screen().settings()->altitude(), 100);
  ui::Application::shared().terminate();
  EXPECT_NE(fileText(settingsPath()).find("\nAltitude=1.000000000000000e+02\n"), std::string::npos);
}

TEST(ApplicationLaunch, CountsForegroundEntriesPerVersionAndAsksForARatingAtTheSixthAndEveryFifth) {
  AppSession session;
  ApplicationShell& shell = session.shell();
  const std::string& key = shell.launchCountKey();
  EXPECT_NE(key.find(ns::Bundle::main().infoValue("CFBundleShortVersionString")), std::string::npos);
  EXPECT_EQ(stored(key), 1);
  EXPECT_EQ(shell.reviewRequests(), 0);
  std::vector<int> askedAt;
  for (int entry = 2; entry <= 16; ++entry) {
    const int before = shell.reviewRequests();
    enterForeground();
    if (shell.reviewRequests() > before) askedAt.push_back(entry);
    EXPECT_EQ(stored(key), entry);
  }
  EXPECT_EQ(askedAt, (std::vector<int>{6, 11, 16}));
  EXPECT_EQ(stored(shell.askToRateLaunchCountKey()), 20);
}

TEST(ApplicationLaunch, WithoutAnUpdateServerNoAnnouncementIsFetched) {
  SessionOptions options;
  options.launchCount = 5;
  AppSession session(options);
  session.run(1.0);
  EXPECT_EQ(session.shell().announcement().title, "");
  EXPECT_FALSE(ns::UserDefaults::standard().hasValue(kLastAnnouncementKey));
}

// The bundle's JPL file (here DE405, converted by the data tool) is what
// the application's chart takes the planets from: Jupiter's place is the
// file's own to the millimetre, not the series' (thousands of kilometres
// off at that distance).
TEST(ApplicationLaunch, TheChartTakesThePlanetsFromTheBundlesJplFile) {
  const de405::Files& de = de405::files();
  ASSERT_TRUE(de.ok) << "converter failed (python3-casacore, casacore-data-jpl-de405)";
  SessionOptions options;
  options.launch = false;
  AppSession session(options);
  std::filesystem::create_directories(session.bundle() + "/SkyData/JPL");
  std::filesystem::create_symlink(de.native, session.bundle() + "/SkyData/JPL/DE438.eph");
  session.launch();
  session.run(0.5);
  CSkyChart& chart = session.chart();
  const double t = chart.dynamicalJulianDate;
  double fromChart[3];
  chart.planetState(5, fromChart, nullptr, t);
  ASSERT_NE(chart.ephemeris, nullptr) << "the chart opened the file";

  std::int64_t offset, length;
  std::FILE* file = openFileWithSize(de.native.c_str(), "rb", &offset, &length);
  ASSERT_NE(file, nullptr);
  JPLEphemeris* direct = openJPLEphemeris(file, offset, length, nullptr, 0, nullptr, 0);
  ASSERT_NE(direct, nullptr) << jplLastError();
  double fromFile[6];
  ASSERT_EQ(jplBodyState(direct, kJPLJupiter, kJPLSun, fromFile, false, t), 0);
  closeJPLEphemeris(direct);
  CSkyMechanics series(chart.database);
  double fromSeries[3];
  series.planetState(5, fromSeries, nullptr, t);

  const double kmPerAU = 149597870.7;
  EXPECT_LT(vectorDistance(fromChart, fromFile) * kmPerAU, 1e-6);
  EXPECT_GT(vectorDistance(fromSeries, fromFile) * kmPerAU, 100.0) << "the series would be told apart";
}

TEST(ApplicationLaunch, ThePushClientStartsFromTheSecondEntryOfAVersionAndItsPayloadsReachTheDelegate) {
  std::atomic<int> registrations{0};
  tessaly::test::LoopbackServer server([&](int client, const tessaly::test::LoopbackServer::Request& request) {
    if (request.method == "POST") ++registrations;
    tessaly::test::LoopbackServer::sendResponse(client, 200, "OK", "{}");
  });
  ns::UserDefaults::standard().setString(PushClient::kEndpointKey, server.url("/register"));
  {
    AppSession first;
    first.run(2.0);
    EXPECT_EQ(registrations.load(), 0) << "not at a version's first launch";
  }
  SessionOptions options;
  options.launchCount = 1;
  options.launch = false;
  AppSession second(options);
  ns::UserDefaults::standard().setString(PushClient::kEndpointKey, server.url("/register"));
  second.launch();
  for (int i = 0; i < 200 && registrations.load() == 0; ++i) second.run(0.02);
  EXPECT_EQ(registrations.load(), 1);
  // A payload renamed into the inbox arrives within a second as an alert.
  const std::string inbox = Utility::cachesDirectory() + "/PushInbox";
  std::filesystem::create_directories(inbox);
  std::ofstream(inbox + "/.incoming") << R"({"aps": {"alert": "Pass tonight"}})";
  std::filesystem::rename(inbox + "/.incoming", inbox + "/1.json");
  ui::AlertController* alert = nullptr;
  for (int i = 0; i < 30 && !alert; ++i) {
    second.run(0.1);
    alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
  }
  EXPECT_FALSE(std::filesystem::exists(inbox + "/1.json")) << "read and removed";
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->message(), "Pass tonight");
  ns::UserDefaults::standard().removeObject(PushClient::kEndpointKey);
}

}  // namespace
