// The "CurrentSettings" file: every key written and read back, the file's
// layout, the stored selection and user locations, hostile and damaged
// files, and writes that fail or are cut short leaving the old file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <map>
#include <set>

#include "chart/sky_chart.h"
#include "engine/clock.h"
#include "engine/locations.h"
#include "platform/foundation/file_io.h"
#include "skydata/catalog_numbers.h"
#include "skydata/settings.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "skydata/sky_object_model.h"
#include "skydata/application_database.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/fuzz.h"
#include "tests/support/temp_dir.h"
#include "ui/foundation/settings_keys.h"
#include "ui/foundation/settings_model.h"
#include "ui_foundation_support.h"

namespace {

using tessaly::test::inChild;
using tessaly::test::readFile;
using tessaly::test::writeFile;
using uifoundation::FakeChartViewController;
namespace fs = std::filesystem;

constexpr std::int64_t kIssNumber = std::int64_t{kCatalogSatellite} * 10000000000000000 + 25544;

std::vector<mechanics_test::SatelliteRecord> iss() {
  mechanics_test::SatelliteRecord record;
  record.elements = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0], mechanics_test::kIssLines[1]);
  record.categories = {2};
  return {record};
}

// The application's world: documents in a scratch home, a catalogue (with
// or without the space station), a chart on it, its screen and the model.
class FileWorld {
 public:
  explicit FileWorld(bool withStation = true)
      : sky(mechanics_test::standardExtraBodies(),
            withStation ? iss() : std::vector<mechanics_test::SatelliteRecord>{}) {
    const char* old = std::getenv("TESSALY_HOME");
    savedHome_ = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("TESSALY_HOME", home.path().c_str(), 1);
    fs::create_directories(home.file("Documents"));
    initLocationDatabase(0);
    setApplicationSkyDatabase(&sky.database());
    chart = std::make_unique<CSkyChart>(&sky.database(), "");
    chart->setViewport(0, 0, 800, 600);
    controller = std::make_unique<FakeChartViewController>(chart.get());
    ChartViewController::setCurrentController(controller.get());
    settings = std::make_unique<Settings>(controller.get());
    controller->setSettings(settings.get());
  }
  ~FileWorld() {
    settings.reset();
    ChartViewController::setCurrentController(nullptr);
    setApplicationSkyDatabase(nullptr);
    ns::TimeZone::resetDefaultTimeZone();
    if (savedHome_) setenv("TESSALY_HOME", savedHome_->c_str(), 1);
    else unsetenv("TESSALY_HOME");
  }
  std::string path() const { return Settings::defaultsPath(); }
  SkyObjectID station() {
    std::vector<SkyObjectID> found;
    EXPECT_EQ(sky.database().findObjectsByCatalogNumber(kIssNumber, kSolarSystemFile, found, 1), 1);
    return found.empty() ? SkyObjectID{} : found.front();
  }
  // A model of its own on the same screen.
  std::unique_ptr<Settings> another() { return std::make_unique<Settings>(controller.get()); }

  uifoundation::World world;
  tessaly::test::TempDir home;
  mechanics_test::SolarSystemWorld sky;
  std::unique_ptr<CSkyChart> chart;
  std::unique_ptr<FakeChartViewController> controller;
  std::unique_ptr<Settings> settings;

 private:
  std::optional<std::string> savedHome_;
};

std::string format15(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15e", value);
  return text;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The engine's side of the place and time, and the model's doubles: all
// finite whatever a file held.
void expectEngineFinite(const FileWorld& w, const Settings& s, const char* what) {
  const CSkyChart& c = *w.chart;
  for (double v : {c.latitude, c.longitude, c.altitude, c.julianDate, c.timeZone, c.getDisplayFOV(),
                   c.getDisplayCenterLon(), c.getDisplayCenterLat()})
    EXPECT_TRUE(std::isfinite(v)) << what;
  for (double v : {s.latitude(), s.longitude(), s.altitude(), s.julianDate(), s.timeZone(),
                   double(s.timeFlowMultiplier())})
    EXPECT_TRUE(std::isfinite(v)) << what;
  EXPECT_FALSE(std::isnan(s.planetMagnitudeLimit())) << what;
  Settings& m = const_cast<Settings&>(s);
  for (int p = 1; p <= 4; ++p) {
    const PerspectiveData& d = m.perspectiveData(p);
    for (double v : {d.displayFOV, d.displayCenterLon, d.displayCenterLat, d.homePlanetDistance,
                     d.homePlanetLatitude, d.homePlanetLongitude})
      EXPECT_TRUE(std::isfinite(v)) << what << " perspective " << p;
  }
}

TEST(UiFoundationSettingsFile, AnEmptyFileGivesTheFactoryDefaults) {
  FileWorld w;
  ASSERT_TRUE(writeFile(w.path(), ""));
  w.settings->readFromDefaults();
  const Settings& s = *w.settings;
  EXPECT_EQ(s.locationName(), "Current Location");
  EXPECT_EQ(s.latitude(), 0);
  EXPECT_EQ(s.longitude(), 0);
  EXPECT_EQ(s.timeZone(), 0);
  EXPECT_TRUE(s.realTime());
  EXPECT_NEAR(s.julianDate(), currentJulianDate(), 1e-4);  // real time after 2451545.0
  EXPECT_EQ(s.chartPerspective(), 2);
  EXPECT_EQ(s.timeFlowIndex(), 5);
  EXPECT_EQ(s.timeFlowMultiplier(), 1);
  EXPECT_EQ(s.warningTime(), 1);
  EXPECT_EQ(s.sortListBy(), "SortListByName");
  EXPECT_FALSE(s.showGrid());
  EXPECT_EQ(s.gridCoordSystem(), 2);
  EXPECT_EQ(s.planetMagnitudeLimit(), 6.0f);
  EXPECT_TRUE(s.selectedObjectLocked());
  EXPECT_EQ(s.showSatVisCircles(), 1);
  const std::set<int> hidden = {20, 91, 92, 93};
  for (const auto& row : settings_file::settingsKeys()) {
    if (auto* category = std::get_if<settings_file::CategoryKey>(&row.access)) {
      EXPECT_EQ(w.settings->satellitesShown()[category->code], !hidden.count(category->code)) << row.key;
    }
  }
  // The orbit record is current, with its own defaults.
  EXPECT_EQ(s.homePlanetDistance(), 2.0);
  EXPECT_EQ(s.homePlanetLatitude(), 3.141592653589);
  EXPECT_EQ(s.homePlanetLongitude(), 1.5707963267945);
  EXPECT_EQ(s.displayFOV(), 90);
  EXPECT_EQ(s.displayCenterLat(), 45);
  // The chart follows: the station selected, the categories, the grid.
  EXPECT_EQ(w.chart->selectedObjectID.catnum, kIssNumber);
  EXPECT_FALSE(w.chart->satelliteCategories[20]);
  EXPECT_TRUE(w.chart->satelliteCategories[1]);
  // An empty file holds nothing to keep aside.
  EXPECT_TRUE(fs::exists(w.path()));
  EXPECT_FALSE(fs::exists(w.path() + ".unreadable"));
}

// A tree holding a random value of the right kind for every key, and the
// text each value must be written back as.
struct RandomFile {
  CSettings* tree = nullptr;
  std::vector<std::pair<std::string, std::string>> expected;  // key, text, in order
};

RandomFile randomFile(std::mt19937_64& random, FileWorld& w) {
  using namespace settings_file;
  std::uniform_real_distribution<double> wide(-1e6, 1e7);
  std::uniform_int_distribution<int> integer(-100000, 100000);
  std::bernoulli_distribution coin;
  auto text = [&](int n) {
    static const std::string pieces[] = {"a", "Z", " ", "=", "\\", "\n", "\r", "\xc3\xa9", "\xe6\x98\x9f", "0", "#"};
    std::string out = "P";
    for (int i = 0; i < n; ++i) out += pieces[random() % std::size(pieces)];
    return out;
  };
  RandomFile file;
  auto add = [&](const char* key, const std::string& value, const std::string& written) {
    if (file.tree == nullptr) file.tree = new CSettings(key, value.c_str());
    else CSettings::addString(file.tree, key, value.c_str());
    file.expected.emplace_back(key, written);
  };
  for (const SettingsKey& row : settingsKeys()) {
    const std::string key = row.key;
    if (std::get_if<TextKey>(&row.access)) {
      const std::string value = text(int(random() % 40));
      add(row.key, value, value);
    } else if (std::get_if<RealKey>(&row.access) || std::get_if<PerspectiveKey>(&row.access)) {
      const double value = key == "TimeZone" ? std::uniform_real_distribution<double>(-12, 14)(random)
                         : key == "JulianDate" ? std::uniform_real_distribution<double>(2.3e6, 2.6e6)(random)
                                               : wide(random);
      add(row.key, format15(value), format15(value));
    } else if (std::get_if<SingleKey>(&row.access)) {
      const float value = float(std::uniform_real_distribution<double>(-30, 30)(random));
      add(row.key, format15(value), format15(double(value)));
    } else if (std::get_if<FlagKey>(&row.access) || std::get_if<CategoryKey>(&row.access)) {
      // Real time would replace the stored date with the clock's.
      const bool on = key != "RealTime" && key != "AutoVR" && coin(random);
      add(row.key, on ? "1" : "0", on ? "1" : "0");
    } else if (std::get_if<IntegerKey>(&row.access)) {
      const int value = integer(random);
      add(row.key, std::to_string(value), std::to_string(value));
    } else {
      switch (std::get<Special>(row.access)) {
        case Special::version: add(row.key, "1.0", "1.0"); break;
        case Special::selectedObject: {
          SkyObjectID station = w.station();
          CSettings::addObject(file.tree, row.key, w.sky.database().objectIDToSettings(&station));
          break;
        }
        case Special::selectedObjectLocked: {
          const char* on = coin(random) ? "1" : "0";
          add(row.key, on, on);
          break;
        }
        case Special::userLocation:
          for (int i = 0; i < 3; ++i) {
            CSettings* fields = new CSettings("UserLocationName", (text(8) + std::to_string(i)).c_str());
            for (const char* child : {"UserLocationLongitude", "UserLocationLatitude", "UserLocationAltitude",
                                      "UserLocationTimezone"})
              CSettings::addDouble(fields, child, double(float(wide(random) / 1e5)));
            CSettings::addObject(file.tree, row.key, fields);
          }
          break;
        case Special::countryBorder: break;
      }
    }
  }
  return file;
}

TEST(UiFoundationSettingsFile, EveryKeyIsWrittenBackAndASecondWriteIsByteIdentical) {
  FileWorld w;
  std::mt19937_64 random(20261207);
  for (int round = 0; round < 6; ++round) {
    RandomFile file = randomFile(random, w);
    ASSERT_TRUE(CSettings::writeFile(file.tree, w.path().c_str(), 0));
    CSettings::deleteList(file.tree);

    auto first = w.another();
    first->readFromDefaults();
    ASSERT_TRUE(first->saveToDefaults());
    const std::string written = readFile(w.path());
    CSettings* back = CSettings::readFile(w.path().c_str());
    ASSERT_NE(back, nullptr);
    // Every key, in order and by occurrence, holds the text it was given.
    std::map<std::string, int> occurrence;
    for (const auto& [key, text] : file.expected) {
      const char* value = CSettings::getValue(back, key.c_str(), occurrence[key]++);
      ASSERT_NE(value, nullptr) << key;
      EXPECT_EQ(value, text) << key << " round " << round;
    }
    // The user locations and the selection came back whole.
    EXPECT_EQ(CSettings::countObjects(back, "UserLocation"), 3);
    EXPECT_NE(written.find("UserLocation=BeginObject"), std::string::npos);
    EXPECT_EQ(w.chart->selectedObjectID.catnum, kIssNumber);
    CSettings::deleteList(back);

    // A second model reading that file writes the same bytes.
    auto second = w.another();
    second->readFromDefaults();
    ASSERT_TRUE(second->saveToDefaults());
    EXPECT_EQ(readFile(w.path()), written) << "round " << round;
    // The doubles are those of their 16 digits.
    EXPECT_EQ(second->latitude(), std::strtod(format15(first->latitude()).c_str(), nullptr));
    EXPECT_EQ(second->orbitPerspectiveData().homePlanetLongitude, first->orbitPerspectiveData().homePlanetLongitude);
  }
}

TEST(UiFoundationSettingsFile, TheFileIsFlatWithTheVersionFirstAndObjectsBracketed) {
  FileWorld w;
  w.settings->readFromDefaults();
  auto place = std::make_shared<UserLocationSetting>();
  place->locationName = "Siding Spring";
  place->longitude = 149.0;
  Location record{};
  record.name = "Siding Spring";
  record.longitude = 149.0f;
  ASSERT_TRUE(insertUserLocation(0, record));
  ASSERT_TRUE(w.settings->saveToDefaults());
  const std::vector<std::string> lines = linesOf(readFile(w.path()));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "PellorinSettingsVersion=1.0");
  for (const std::string& line : lines) EXPECT_TRUE(!line.empty() && line[0] != '\t' && line[0] != ' ') << line;
  auto at = std::find(lines.begin(), lines.end(), "UserLocation=BeginObject");
  ASSERT_NE(at, lines.end());
  ASSERT_GE(lines.end() - at, 7);
  EXPECT_EQ(at[1], "UserLocationName=Siding Spring");
  EXPECT_EQ(at[2], "UserLocationLongitude=" + format15(149.0));
  EXPECT_EQ(at[2].substr(0, 22), "UserLocationLongitude=");
  EXPECT_EQ(at[3].rfind("UserLocationLatitude=", 0), 0u);
  EXPECT_EQ(at[4].rfind("UserLocationAltitude=", 0), 0u);
  EXPECT_EQ(at[5].rfind("UserLocationTimezone=", 0), 0u);
  EXPECT_EQ(at[6], "EndObject=UserLocation");
  // Keys in the table's order, the four Earth Observant flags together.
  std::vector<std::string> keys;
  for (const std::string& line : lines) keys.push_back(line.substr(0, line.find('=')));
  auto observant = std::find(keys.begin(), keys.end(), "ShowEarthObservantSats");
  ASSERT_NE(observant, keys.end());
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "ShowEarthObservantSats"), 4);
  EXPECT_EQ(observant[3], "ShowEarthObservantSats");
  EXPECT_EQ(observant[4], "ShowUserSats");
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "ShowOneWebSats"), 1);
}

// The Moon (solar-system index 10), a reference that resolves.
SkyObjectID theMoon(FileWorld& w) {
  SkyObjectID moon;
  CSkyDatabase::setSkyObjectID(&moon, kSolarSystemFile, 0, 10, 0, "", 0);
  ScopedSkyObject object(w.sky.database().getObject(&moon));
  EXPECT_TRUE(object);
  if (object) CSkyDatabase::setSkyObjectIDFromObject(&moon, kSolarSystemFile, 0, 10, object.get());
  SkyObjectID back;
  CSettings* described = w.sky.database().objectIDToSettings(&moon);
  EXPECT_TRUE(w.sky.database().objectIDFromSettings(&back, described));
  CSettings::deleteList(described);
  return moon;
}

TEST(UiFoundationSettingsFile, OnlyASatelliteSurvivesAsTheSelection) {
  FileWorld w;
  // The Moon is no satellite: the station stands in.
  SkyObjectID moon = theMoon(w);
  CSettings* tree = new CSettings("PellorinSettingsVersion", "1.0");
  CSettings::addObject(tree, "SelectedObject", w.sky.database().objectIDToSettings(&moon));
  CSettings::addString(tree, "RealTime", "0");
  ASSERT_TRUE(CSettings::writeFile(tree, w.path().c_str(), 0));
  CSettings::deleteList(tree);
  w.settings->readFromDefaults();
  SkyObjectID selected;
  ASSERT_TRUE(w.settings->selectedObject());
  w.settings->selectedObject()->getSkyObjectID(&selected);
  EXPECT_EQ(selected.catnum, kIssNumber);
  EXPECT_EQ(w.chart->selectedObjectID.catnum, kIssNumber);
  EXPECT_TRUE(w.chart->centerOnSelected);

  // The station itself is kept.
  ASSERT_TRUE(w.settings->saveToDefaults());
  auto again = w.another();
  w.chart->selectObject(&moon);
  again->readFromDefaults();
  EXPECT_EQ(w.chart->selectedObjectID.catnum, kIssNumber);
}

TEST(UiFoundationSettingsFile, WithoutTheStationNothingIsSelected) {
  FileWorld w(false);
  SkyObjectID moon = theMoon(w);
  CSettings* tree = new CSettings("SelectedObject", w.sky.database().objectIDToSettings(&moon));
  ASSERT_TRUE(CSettings::writeFile(tree, w.path().c_str(), 0));
  CSettings::deleteList(tree);
  w.settings->readFromDefaults();
  // The chart keeps its own (empty) selection: the moon is not chosen.
  EXPECT_TRUE(CSkyDatabase::isInvalidSkyObjectID(&w.chart->selectedObjectID));
  SkyObjectID selected;
  w.settings->selectedObject()->getSkyObjectID(&selected);
  EXPECT_TRUE(CSkyDatabase::isInvalidSkyObjectID(&selected));
}

CSettings* userLocation(const char* name, double longitude) {
  CSettings* fields = new CSettings("UserLocationName", name);
  CSettings::addDouble(fields, "UserLocationLongitude", longitude);
  CSettings::addDouble(fields, "UserLocationLatitude", 10);
  CSettings::addDouble(fields, "UserLocationAltitude", 5);
  CSettings::addDouble(fields, "UserLocationTimezone", 1.5);
  return fields;
}

TEST(UiFoundationSettingsFile, ADuplicateUserLocationReachesNeitherTheDatabaseNorTheNextFile) {
  FileWorld w;
  CSettings* tree = new CSettings("PellorinSettingsVersion", "1.0");
  CSettings::addObject(tree, "UserLocation", userLocation("Home", 1));
  CSettings::addObject(tree, "UserLocation", userLocation("Home", 2));
  CSettings::addObject(tree, "UserLocation", userLocation("Cabin", 3));
  ASSERT_TRUE(CSettings::writeFile(tree, w.path().c_str(), 0));
  CSettings::deleteList(tree);
  w.settings->readFromDefaults();
  ASSERT_EQ(w.settings->userLocations().size(), 3u);
  ASSERT_EQ(locationGroupSize(0), 2);
  Location first{}, second{};
  ASSERT_TRUE(getUserLocation(0, &first));
  ASSERT_TRUE(getUserLocation(1, &second));
  EXPECT_STREQ(first.name, "Home");
  EXPECT_EQ(first.longitude, 1.0f);
  EXPECT_STREQ(second.name, "Cabin");
  EXPECT_EQ(second.timeZone, 1.5f);
  EXPECT_EQ(second.population, 1);
  ASSERT_TRUE(w.settings->saveToDefaults());
  CSettings* back = CSettings::readFile(w.path().c_str());
  EXPECT_EQ(CSettings::countObjects(back, "UserLocation"), 2);
  CSettings::deleteList(back);
  // Reading the tree again outside the file's own read leaves the database.
  CSettings* same = w.settings->saveToCSettings();
  clearUserLocations();
  w.settings->readFromCSettings(same);
  CSettings::deleteList(same);
  EXPECT_EQ(locationGroupSize(0), 0);
}

TEST(UiFoundationSettingsFile, AHundredThousandUserLocationsReadInOneWalk) {
  FileWorld w;
  std::string text = "PellorinSettingsVersion=1.0\nRealTime=0\n";
  constexpr int kCount = 100000;
  for (int i = 0; i < kCount; ++i)
    text += "UserLocation=BeginObject\nUserLocationName=P" + std::to_string(i) +
            "\nUserLocationLatitude=1e999\nUserLocationLongitude=nan\nEndObject=UserLocation\n";
  ASSERT_TRUE(writeFile(w.path(), text));
  w.settings->readFromDefaults();
  ASSERT_EQ(w.settings->userLocations().size(), std::size_t(kCount));
  EXPECT_EQ(w.settings->userLocations().back()->locationName, "P99999");
  EXPECT_EQ(w.settings->userLocations()[5]->latitude, 0);   // not a place of this world
  EXPECT_EQ(w.settings->userLocations()[5]->longitude, 0);
  EXPECT_EQ(locationGroupSize(0), kMaxUserLocations);  // the database's room
}

TEST(UiFoundationSettingsFile, HostileValuesNeverReachTheEngine) {
  FileWorld w;
  using namespace settings_file;
  for (const char* hostile : {"nan", "NaN", "1e999", "-1e999", "inf", "-INF", "1e308", "", "x", "-nan"}) {
    std::string text = "RealTime=0\n";
    for (const SettingsKey& row : settingsKeys())
      if (std::get_if<RealKey>(&row.access) || std::get_if<SingleKey>(&row.access) ||
          std::get_if<PerspectiveKey>(&row.access))
        text += std::string(row.key) + "=" + hostile + "\n";
    for (const char* integer : {"TimeFlowIndex", "ChartPerspective", "GridCoordSystem", "WarningTime"})
      text += std::string(integer) + "=99999999999999999999\n";
    text += "UserLocation=BeginObject\nUserLocationTimezone=" + std::string(hostile) + "\nEndObject=UserLocation\n";
    ASSERT_TRUE(writeFile(w.path(), text));
    auto s = w.another();
    s->readFromDefaults();
    expectEngineFinite(w, *s, hostile);
    EXPECT_EQ(s->timeFlowIndex(), INT_MAX);
    EXPECT_TRUE(s->saveToDefaults());
  }
  // The planets' limit may be infinite (no limit): the chart takes it.
  ASSERT_TRUE(writeFile(w.path(), "PlanetMagLimitKey=inf\nTimeFlowMultiplier=1e300\nTimeZone=1e300\n"));
  w.settings->readFromDefaults();
  EXPECT_EQ(w.settings->planetMagnitudeLimit(), INFINITY);
  EXPECT_EQ(w.chart->planetMagLimit, INFINITY);
  EXPECT_EQ(w.settings->timeFlowMultiplier(), FLT_MAX);  // saturated, not undefined
  EXPECT_EQ(w.settings->timeZone(), 1e300);              // finite: kept, but the default zone is not
  // A megabyte of text in the names.
  const std::string huge(1 << 20, 'M');
  ASSERT_TRUE(writeFile(w.path(), "LocationName=" + huge + "\nSortListBy=" + huge +
                                      "\nUserLocation=BeginObject\nUserLocationName=" + huge +
                                      "\nEndObject=UserLocation\n"));
  w.settings->readFromDefaults();
  EXPECT_EQ(w.settings->locationName(), huge);
  Location place{};
  ASSERT_TRUE(getUserLocation(0, &place));
  EXPECT_EQ(std::strlen(place.name), 255u);
  ASSERT_TRUE(w.settings->saveToDefaults());
  auto back = w.another();
  back->readFromDefaults();
  EXPECT_EQ(back->sortListBy(), huge);
}

std::string textOf(Settings& s) {
  CSettings* tree = s.saveToCSettings();
  std::string text = CSettings::format(tree, 0);
  CSettings::deleteList(tree);
  return text;
}

TEST(UiFoundationSettingsFile, MutatedFilesReadWithoutHarm) {
  FileWorld w;
  // Real files: the defaults with a selection, user places and options.
  w.settings->readFromDefaults();
  Location place{};
  place.name = "Observatory";
  ASSERT_TRUE(insertUserLocation(0, place));
  w.settings->setShowGrid(true);
  ASSERT_TRUE(w.settings->saveToDefaults());
  const std::string seed = readFile(w.path());
  std::string hostile = seed;
  hostile.replace(hostile.find("JulianDate="), 11, "JulianDate=nan\nJulianDate=");
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(200);
  options.maxSize = 1 << 16;
  int reads = 0;
  tessaly::test::fuzz(
      {seed, hostile},
      [&](std::string_view bytes) {
        ASSERT_TRUE(writeFile(w.path(), std::string(bytes)));
        auto s = w.another();
        s->readFromDefaults();
        expectEngineFinite(w, *s, "mutated file");
        // What it writes reads back and writes the same text (unless the
        // clock moved the chart's time meanwhile). The text is the file's
        // (saving adds only the atomic replacement, tested below).
        const std::string written = textOf(*s);
        ASSERT_TRUE(writeFile(w.path(), written));
        auto again = w.another();
        again->readFromDefaults();
        if (!again->realTime()) {
          EXPECT_EQ(textOf(*again), written);
        }
        ++reads;
      },
      options);
  EXPECT_EQ(reads, options.iterations + 2);
  for (const auto& entry : fs::directory_iterator(fs::path(w.path()).parent_path()))
    fs::remove_all(entry.path());
}

TEST(UiFoundationSettingsFile, AFileThatGivesNothingIsKeptAsideWithAMessage) {
  FileWorld w;
  // No regular file: a folder where the file should be.
  fs::create_directory(w.path());
  testing::internal::CaptureStderr();
  w.settings->readFromDefaults();
  std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("CurrentSettings.unreadable"), std::string::npos) << message;
  EXPECT_TRUE(fs::is_directory(w.path() + ".unreadable"));
  EXPECT_EQ(w.settings->chartPerspective(), 2);  // defaults
  ASSERT_TRUE(w.settings->saveToDefaults());       // and the place is free again

  // Bytes that hold no setting at all: kept beside the first kept file.
  const std::string garbage("\x00\x01\xff\xfe\x00\x00binary", 12);
  ASSERT_TRUE(writeFile(w.path(), garbage));
  testing::internal::CaptureStderr();
  w.settings->readFromDefaults();
  message = testing::internal::GetCapturedStderr();
  EXPECT_EQ(readFile(w.path() + ".unreadable.1"), garbage) << message;
  EXPECT_FALSE(fs::exists(w.path()));
  EXPECT_TRUE(w.settings->saveToDefaults());
}

// Two saves in a folder the user cannot write, as the user; the exit code
// says whether either was written, `message` gets what was said.
int saveAsUser(Settings& settings, const std::string& folder, std::string& message) {
  const std::string said = folder + "/../said.txt";
  fs::permissions(folder, fs::perms(0555));
  const int status = inChild(
      [&] {
        testing::internal::CaptureStderr();
        const bool saved = settings.saveToDefaults() || settings.saveToDefaults();
        writeFile(said, testing::internal::GetCapturedStderr());
        return saved ? 1 : 0;
      },
      true);
  fs::permissions(folder, fs::perms(0755));
  message = readFile(said);
  return status;
}

TEST(UiFoundationSettingsFile, AWriteThatFailsOrIsCutShortLeavesTheOldFile) {
  FileWorld w;
  w.settings->readFromDefaults();
  const std::string folder = fs::path(w.path()).parent_path().string();
  fs::permissions(w.home.path(), fs::perms(0777));

  // A first save that cannot be written: there is no old file to keep.
  std::string message;
  int status = saveAsUser(*w.settings, folder, message);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(message, "Settings file " + w.path() + " could not be written; nothing is saved\n");
  EXPECT_FALSE(fs::exists(w.path()));

  w.settings->setLocationName("Old place");
  ASSERT_TRUE(w.settings->saveToDefaults());
  const std::string old = readFile(w.path());
  w.settings->setLocationName("New place");

  // Killed while writing: the file-size limit stops the child mid-write.
  status = inChild(
      [&] {
        rlimit limit{512, 512};
        setrlimit(RLIMIT_FSIZE, &limit);
        w.settings->saveToDefaults();
        return 0;
      },
      false);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  EXPECT_EQ(readFile(w.path()), old);

  // Killed between the write and the rename.
  status = inChild(
      [&] {
        CSettings* tree = w.settings->saveToCSettings();
        ns::writeFileAtomically(w.path(), CSettings::format(tree, 0), [] { raise(SIGKILL); });
        return 0;
      },
      false);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_EQ(readFile(w.path()), old);

  // A folder that cannot be written: false, a message, the old file kept.
  status = saveAsUser(*w.settings, folder, message);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(message, "Settings file " + w.path() + " could not be written; the old one is kept\n");
  EXPECT_EQ(readFile(w.path()), old);
  // Nothing is left behind by the failed writes but the file itself.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  EXPECT_GE(names.size(), 1u);
  ASSERT_TRUE(w.settings->saveToDefaults());
  EXPECT_NE(readFile(w.path()).find("New place"), std::string::npos);
}

TEST(UiFoundationSettingsFile, TheRealTimeUnitIsReadFromTheFile) {
  FileWorld w;
  ASSERT_TRUE(writeFile(w.path(), "TimeFlowIndex=100\nTimeFlowMultiplier=3\n"));
  w.settings->readFromDefaults();
  EXPECT_EQ(w.settings->timeFlowIndex(), 100);
  EXPECT_EQ(w.controller->fakeLabel().units.back(), 100);
  EXPECT_EQ(w.settings->timeFlowAmt(), 0);
  w.world.clock->advance(8.64);
  EXPECT_NEAR(w.settings->timeFlowAmt(), 3 * 8.64 / 86400, 1e-15);
}

}  // namespace

namespace {

// A country table of three for the chart's shown-country flags.
const char* const kCountries[] = {"AU", "NZ", "US"};

void readCountries(CSkyChart& chart, const CSettings* tree) {
  for (int n = 0; const char* code = CSettings::getValue(tree, "ShowCountryBorder", n); ++n)
    for (int i = 0; i < 3; ++i)
      if (std::strcmp(code, kCountries[i]) == 0) chart.showCountryBorder[i] = true;
}

void writeCountries(CSkyChart& chart, CSettings* tree) {
  for (int i = 0; i < 3; ++i)
    if (chart.showCountryBorder[i]) CSettings::addString(tree, "ShowCountryBorder", kCountries[i]);
}

std::vector<std::string> countriesIn(const std::string& path) {
  std::vector<std::string> found;
  for (const std::string& line : linesOf(readFile(path)))
    if (line.rfind("ShowCountryBorder=", 0) == 0) found.push_back(line.substr(18));
  return found;
}

}  // namespace

TEST(UiFoundationSettingsFile, ShownCountriesGoThroughTheChartOrAreKeptAsRead) {
  FileWorld w;
  ASSERT_TRUE(writeFile(w.path(), "RealTime=0\nShowCountryBorder=NZ\nShowCountryBorder=XX\n"));
  // No chart knows the country table: the file's countries are kept.
  w.settings->readFromDefaults();
  ASSERT_TRUE(w.settings->saveToDefaults());
  EXPECT_EQ(countriesIn(w.path()), (std::vector<std::string>{"NZ", "XX"}));
  const std::vector<std::string> lines = linesOf(readFile(w.path()));
  EXPECT_EQ(lines.back(), "ShowCountryBorder=XX");  // the last key of the file

  // With the table: flags are set (never cleared) and written from the chart.
  setCountryBorderSettings({readCountries, writeCountries});
  w.chart->showCountryBorder[2] = true;
  w.settings->readFromDefaults();
  EXPECT_TRUE(w.chart->showCountryBorder[1]);
  EXPECT_TRUE(w.chart->showCountryBorder[2]);
  EXPECT_FALSE(w.chart->showCountryBorder[0]);
  ASSERT_TRUE(w.settings->saveToDefaults());
  EXPECT_EQ(countriesIn(w.path()), (std::vector<std::string>{"NZ", "US"}));
  setCountryBorderSettings({});
}
