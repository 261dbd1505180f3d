// The orbit-data updater against a loopback server: what a good update
// brings, and that every kind of bad answer leaves the Caches files byte
// for byte and the chart's data as they were, while the report still comes.
#include "app/elements_downloader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/clock.h"
#include "platform/foundation/run_loop.h"
#include "platform/foundation/user_defaults.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_types.h"
#include "skydata/satellite_frequencies.h"
#include "skydata/sky_database.h"
#include "skydata/planet.h"
#include "skydata/sky_data_file.h"
#include "tests/app/updater_support.h"

namespace {

using namespace updater_test;
using mechanics_test::kGeostationaryLines;
using mechanics_test::kIssLines;
using mechanics_test::kMolniyaLines;

class RecordingDelegate : public ElementsDownloaderDelegate {
 public:
  void downloadFinished(const UpdateResults& r) override { reports.push_back(r); }
  std::vector<UpdateResults> reports;
};

class OrbitDataUpdate : public ::testing::Test {
 protected:
  OrbitDataUpdate() : sky_({}, {satelliteFrom(kIssLines)}) {}

  void SetUp() override {
    ns::UserDefaults& defaults = ns::UserDefaults::standard();
    for (const char* key : {"UpdateServerURL", "FrequencyListFallbackURL"}) defaults.removeObject(key);
    defaults.removeObject(NetworkElementsDownloader::kLastUpdateTimeKey);
    installedCatalogue_ = catalogueWith({satelliteFrom(kIssLines)});
    installedList_ = frequencyList(5);
    ASSERT_TRUE(tessaly::test::writeFile(cachesFile("SolarSystem.skydata"), installedCatalogue_));
    ASSERT_TRUE(tessaly::test::writeFile(cachesFile("SatelliteFrequencies.txt"), installedList_));
    ASSERT_EQ(loadSatelliteFrequencies(cachesFile("SatelliteFrequencies.txt").c_str()), 5);
    chart_ = sky_.chart(400, 300, 0, 0, 60);
    controller_ = std::make_shared<uifoundation::FakeChartViewController>(chart_.get());
    ChartViewController::setCurrentController(controller_.get());
    ElementsDownloader::setElementsDownloaderDelegate(&delegate_);
    satellitesBefore_ = satellitesInTheChart();
    installedFile_ = sky_.database().getSolarSystemFile();
  }

  void TearDown() override {
    ChartViewController::setCurrentController(nullptr);
    clearSatelliteFrequencies();
  }

  void useServer() { ns::UserDefaults::standard().setString("UpdateServerURL", server_.base()); }

  // Starts an update, waits for its thread and lets its report run.
  void update(bool showResults = false) {
    ASSERT_TRUE(ElementsDownloader::doUpdateOrbitData(showResults));
    finish();
  }
  void finish() {
    downloader_.waitForThread();
    ns::RunLoop::main().runOnce();
    ASSERT_FALSE(ElementsDownloader::updatingOrbitData());
  }

  int satellitesInTheChart() {
    int count = 0;
    CSkyDataRegion* root = sky_.database().getSolarSystemFile()->getRoot();
    for (std::size_t i = 0; i < root->getObjectCount(); ++i) {
      int type = root->getObject(i)->getType();
      count += type == 35 || type == 36;
    }
    return count;
  }

  std::int64_t selectedNumber() const {
    auto* body = dynamic_cast<const CPlanet*>(chart_->selectedObject);
    return body != nullptr ? body->getCatalogNumber() : 0;
  }

  // The Caches files byte for byte, the list in memory and the chart's
  // catalogue.
  void expectNothingReplaced(const char* why) {
    SCOPED_TRACE(why);
    EXPECT_EQ(tessaly::test::readFile(cachesFile("SolarSystem.skydata")), installedCatalogue_);
    EXPECT_EQ(tessaly::test::readFile(cachesFile("SatelliteFrequencies.txt")), installedList_);
    EXPECT_EQ(satelliteFrequencyCount(), 5);
    EXPECT_EQ(sky_.database().getSolarSystemFile(), installedFile_);
    EXPECT_TRUE(chart_->retiredSolarSystemFiles.empty());
    EXPECT_EQ(satellitesInTheChart(), satellitesBefore_);
    EXPECT_EQ(ns::UserDefaults::standard().doubleForKey(NetworkElementsDownloader::kLastUpdateTimeKey), 0.0);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(cachesFile(""))))
      files += entry.is_regular_file();
    EXPECT_EQ(files, 2u) << "no temporary file is left behind";
  }

  uifoundation::World world_;
  chart_test::ChartSky sky_;
  std::unique_ptr<CSkyChart> chart_;
  std::shared_ptr<uifoundation::FakeChartViewController> controller_;
  RecordingDelegate delegate_;
  UpdateServer server_;
  NetworkElementsDownloader downloader_;
  std::string installedCatalogue_, installedList_;
  int satellitesBefore_ = 0;
  CSkyDataFile* installedFile_ = nullptr;
};

TEST_F(OrbitDataUpdate, AGoodUpdateBringsTheWritersCountsTheListTheTimeAndTheIss) {
  useServer();
  const std::string served = catalogueWith(
      {satelliteFrom(kIssLines), satelliteFrom(kMolniyaLines), satelliteFrom(kGeostationaryLines)});
  server_.answer(kCataloguePath, {Answer::whole, 200, served});
  server_.answer(kListPath, {Answer::whole, 200, frequencyList(12)});
  const double before = currentJulianDate();
  update();

  ASSERT_EQ(delegate_.reports.size(), 1u);
  const UpdateResults& r = delegate_.reports[0];
  EXPECT_EQ(r.bytes, static_cast<int>(served.size()));
  mechanics_test::SolarSystemWorld written({}, {satelliteFrom(kIssLines), satelliteFrom(kMolniyaLines),
                                                satelliteFrom(kGeostationaryLines)});
  EXPECT_EQ(r.objects, written.database().getSolarSystemObjectCount());
  EXPECT_EQ(r.satellites, 3);
  EXPECT_EQ(r.asteroids, 0);
  EXPECT_EQ(r.comets, 0);
  EXPECT_EQ(tessaly::test::readFile(cachesFile("SolarSystem.skydata")), served);
  EXPECT_EQ(satelliteFrequencyCount(), 12);
  const double stored = ns::UserDefaults::standard().doubleForKey(NetworkElementsDownloader::kLastUpdateTimeKey);
  EXPECT_GE(stored, before);
  EXPECT_LE(stored, currentJulianDate());

  // The new file is in at once, with the ISS selected in it.
  EXPECT_EQ(satellitesInTheChart(), 3);
  EXPECT_EQ(selectedNumber(), makeCatalogNumber(kCatalogSatellite, 25544));
  EXPECT_EQ(controller_->calls.back(), "updateSelectedObject");

  // Within the hour nothing is due; a clock set back makes it due again.
  EXPECT_FALSE(downloader_.doOrbitalElementCheck());
  ns::UserDefaults::standard().setDouble(NetworkElementsDownloader::kLastUpdateTimeKey, currentJulianDate() + 3);
  EXPECT_TRUE(downloader_.doOrbitalElementCheck());
  finish();
}

TEST_F(OrbitDataUpdate, BadAnswersChangeNothingAndStillReport) {
  useServer();
  const std::string good = catalogueWith({satelliteFrom(kIssLines), satelliteFrom(kMolniyaLines)});
  mechanics_test::SatelliteRecord hyperbolic = satelliteFrom(kMolniyaLines);
  hyperbolic.elements.eccentricity = 1.2;
  // In range, but its perigee lies deep inside the Earth: the model gives
  // no finite position.
  mechanics_test::SatelliteRecord plunging = satelliteFrom(kIssLines);
  plunging.elements.catalogueNumber = 25545;
  plunging.elements.eccentricity = 0.99;
  std::string damaged = good;
  for (std::size_t i = damaged.size() / 2; i < damaged.size(); i += 7) damaged[i] = '\xff';
  const struct {
    const char* what;
    Answer catalogue, list;
  } cases[] = {
      {"404 pages", {Answer::whole, 404, good}, {Answer::whole, 404, frequencyList(9)}},
      {"cut transfers", {Answer::cutShort, 200, good}, {Answer::cutShort, 200, frequencyList(400)}},
      {"half a catalogue, whole", {Answer::whole, 200, good.substr(0, good.size() / 2)}, {}},
      {"a damaged catalogue", {Answer::whole, 200, damaged}, {}},
      {"a page in place of files", {Answer::whole, 200, "<html><body>Moved</body></html>"},
       {Answer::whole, 200, "<html>\n<body>\nMoved\n</body>\n</html>\n"}},
      {"one satellite with e = 1.2", {Answer::whole, 200, catalogueWith({satelliteFrom(kIssLines), hyperbolic})}, {}},
      {"one satellite that does not propagate",
       {Answer::whole, 200, catalogueWith({satelliteFrom(kIssLines), plunging})}, {}},
      {"oversized bodies", {Answer::oversized, 200, ""}, {Answer::oversized, 200, ""}},
      {"a catalogue without satellites", {Answer::whole, 200, catalogueWith({})}, {}},
  };
  int reports = 0;
  for (const auto& c : cases) {
    server_.answer(kCataloguePath, c.catalogue);
    server_.answer(kListPath, c.list);
    update(true);
    ASSERT_EQ(delegate_.reports.size(), static_cast<std::size_t>(++reports)) << c.what;
    EXPECT_EQ(delegate_.reports.back().satellites, 0) << c.what;
    EXPECT_EQ(delegate_.reports.back().bytes, 0) << c.what;
    expectNothingReplaced(c.what);
  }
  // After every attempt, good or not, the ISS is selected.
  EXPECT_EQ(selectedNumber(), makeCatalogNumber(kCatalogSatellite, 25544));
}

TEST_F(OrbitDataUpdate, WithoutSourcesOrServerNothingIsAskedAndTheReportComes) {
  update();
  EXPECT_EQ(server_.totalRequests(), 0);
  ASSERT_EQ(delegate_.reports.size(), 1u);
  expectNothingReplaced("no sources");

  ns::UserDefaults::standard().setString("UpdateServerURL", "http://127.0.0.1:1/");
  update();
  ASSERT_EQ(delegate_.reports.size(), 2u);
  expectNothingReplaced("no server");
}

TEST_F(OrbitDataUpdate, TheFallbackListServesWhenTheUpdateServerGivesNone) {
  useServer();
  ns::UserDefaults::standard().setString("FrequencyListFallbackURL", server_.url("/amateur/satslist.csv"));
  server_.answer("/amateur/satslist.csv", {Answer::whole, 200, frequencyList(30)});
  server_.answer(kListPath, {Answer::whole, 200, "Sorry, the list is being updated.\n"});
  update();
  EXPECT_EQ(server_.requests(kListPath), 1);
  EXPECT_EQ(server_.requests("/amateur/satslist.csv"), 1);
  EXPECT_EQ(satelliteFrequencyCount(), 30);
  EXPECT_EQ(tessaly::test::readFile(cachesFile("SatelliteFrequencies.txt")), frequencyList(30));
  // A good primary list leaves the fallback alone.
  server_.answer(kListPath, {Answer::whole, 200, frequencyList(8)});
  update();
  EXPECT_EQ(server_.requests("/amateur/satslist.csv"), 1);
  EXPECT_EQ(satelliteFrequencyCount(), 8);
}

TEST_F(OrbitDataUpdate, TwoTriggersStartOneUpdate) {
  useServer();
  server_.answer(kCataloguePath, {Answer::whole, 200, catalogueWith({satelliteFrom(kIssLines)})});
  ASSERT_TRUE(ElementsDownloader::doUpdateOrbitData(false));
  EXPECT_TRUE(ElementsDownloader::updatingOrbitData());
  EXPECT_FALSE(ElementsDownloader::doUpdateOrbitData(true));
  EXPECT_FALSE(downloader_.doOrbitalElementCheck());
  finish();
  EXPECT_EQ(server_.requests(kCataloguePath), 1);
  EXPECT_EQ(delegate_.reports.size(), 1u);
  // Without a chart nothing starts at all.
  controller_->setChart(nullptr);
  EXPECT_FALSE(ElementsDownloader::doUpdateOrbitData(false));
  EXPECT_FALSE(ElementsDownloader::updatingOrbitData());
}

// The satellite view is entered anew round the new selection (its home
// there is the selection: the real view's part, tested with the program).
TEST_F(OrbitDataUpdate, InTheSatelliteViewTheIssIsSelectedAndTheViewEnteredAnewUnlessASatelliteOrSpacecraftIs) {
  controller_->fakeView().perspective = 3;
  update();
  ASSERT_NE(chart_->selectedObject, nullptr);
  EXPECT_EQ(selectedNumber(), makeCatalogNumber(kCatalogSatellite, 25544));
  const std::vector<std::string>& viewCalls = controller_->fakeView().calls;
  EXPECT_NE(std::find(viewCalls.begin(), viewCalls.end(), "setChartPerspective:3"), viewCalls.end());

  // A satellite already selected stays.
  CSkyObject* selected = chart_->selectedObject;
  controller_->calls.clear();
  update();
  EXPECT_EQ(chart_->selectedObject, selected);
  EXPECT_TRUE(controller_->calls.empty());

  // So does a spacecraft; a planet gives way to the ISS.
  for (const char* name : {"Probe", "Mars"}) {
    std::vector<SkyObjectID> found;
    ASSERT_EQ(sky_.database().findObjectsByName(name, kSolarSystemFile, found, 1), 1) << name;
    chart_->selectObject(&found[0]);
    update();
    ASSERT_NE(chart_->selectedObject, nullptr);
    if (std::string(name) == "Probe") EXPECT_EQ(chart_->selectedObject->getType(), kTypeSpacecraft);
    else EXPECT_EQ(selectedNumber(), makeCatalogNumber(kCatalogSatellite, 25544));
  }
}

TEST(OrbitDataUpdateDue, MoreThanAnHourOrAStoredTimeInTheFuture) {
  const double now = 2461000.5, hour = 0.041666666666666664;
  EXPECT_TRUE(orbitDataUpdateDue(0.0, now));
  EXPECT_FALSE(orbitDataUpdateDue(now - hour, now));
  EXPECT_TRUE(orbitDataUpdateDue(now - hour - 1e-6, now));
  EXPECT_FALSE(orbitDataUpdateDue(now, now));
  EXPECT_TRUE(orbitDataUpdateDue(now + 1e-6, now));
}

}  // namespace
