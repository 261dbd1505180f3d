// Where the orbit and satellite views put the observer when there is no
// satellite to follow: after an orbit-data update that lacks the followed
// one (served by a loopback update server, reported as the program
// reports it), and in the orbit view round the Sun. The observer stands
// outside the home body, the chart is a view from space, and the head-up
// display names the body and a distance above its surface.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/elements_downloader.h"
#include "chart/sky_chart.h"
#include "engine/astronomical_constants.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/application.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/app/app_session.h"
#include "tests/app/updater_support.h"
#include "ui/foundation/settings_model.h"
#include "ui/info/info_items.h"

namespace {

using app_test::AppSession;
using namespace updater_test;

app_test::SessionOptions noQuickStart() {
  app_test::SessionOptions options;
  options.launchCount = 5;
  return options;
}

// The observer's height above a body's surface (AU), from the body's own
// size and place, not from the chart's home distance.
double heightAbove(CSkyChart& chart, CPlanet& body) {
  chart.updateObjectPosition(&body);
  double centre[3];
  body.getHeliocentricPosition(centre);
  const double d = std::hypot(chart.observerPosition[0] - centre[0], chart.observerPosition[1] - centre[1],
                              chart.observerPosition[2] - centre[2]);
  return d - body.getDiameter() / 2 / kAstronomicalUnitKm;
}

std::string headUp(AppSession& session) {
  session.screen().updateHUD();
  return session.screen().views().centerCoordsLabel->text();
}

void expectAViewFromSpaceAbove(AppSession& session, const char* name) {
  CSkyChart& chart = session.chart();
  auto* body = dynamic_cast<CPlanet*>(chart.homeObject);
  ASSERT_NE(body, nullptr);
  char home[256] = {};
  body->getName(home, sizeof home);
  EXPECT_STREQ(home, name);
  EXPECT_TRUE(chart.isSpaceView());
  const double height = heightAbove(chart, *body);
  EXPECT_GT(height, 0.09 * body->getDiameter() / 2 / kAstronomicalUnitKm) << "outside " << name;
  EXPECT_EQ(headUp(session), std::string(formatDistance(height)) + " from " + name);
}

TEST(SpaceViewHome, AnUpdateWithoutTheFollowedSatelliteShowsTheEarthFromSpace) {
  AppSession session(noQuickStart());
  auto* network = dynamic_cast<NetworkElementsDownloader*>(ElementsDownloader::shared());
  ASSERT_NE(network, nullptr);
  network->waitForThread();  // the launch's own check found no source set
  session.run(1.0);
  std::vector<SkyObjectID> iss;
  ASSERT_EQ(session.chart().database->findObjectsByCatalogNumber(makeCatalogNumber(kCatalogSatellite, 25544),
                                                                 kSolarSystemFile, iss, 1),
            1);
  session.screen().selectObject(iss[0]);
  const ui::Point satellite = AppSession::centreOf(*session.screen().views().satellitePerspectiveButton);
  session.tap(satellite.x, satellite.y);
  ASSERT_EQ(session.chartView().chartPerspective(), kSatellitePerspective);
  ASSERT_EQ(session.chart().homeObject, session.chart().selectedObject);

  // The update has a satellite, but neither the followed one nor the ISS.
  UpdateServer server;
  server.answer(kCataloguePath, {Answer::whole, 200, catalogueWith({satelliteFrom(mechanics_test::kMolniyaLines)})});
  ns::UserDefaults::standard().setString(kUpdateServerURLKey, server.base());
  ui::Application::shared().enterBackground();
  ui::Application::shared().becomeActive();
  ASSERT_TRUE(ElementsDownloader::updatingOrbitData());
  network->waitForThread();
  ASSERT_TRUE(session.runUntil([] { return !ElementsDownloader::updatingOrbitData(); }, 5.0));
  session.run(0.5);
  ns::UserDefaults::standard().removeObject(kUpdateServerURLKey);

  CSkyChart& chart = session.chart();
  ASSERT_NE(chart.selectedObject, nullptr);
  EXPECT_EQ(chart.selectedObject->getType(), kTypePlanet) << "the selection fell back to the Earth";
  EXPECT_EQ(session.chartView().chartPerspective(), kSatellitePerspective);
  expectAViewFromSpaceAbove(session, "Earth");
}

TEST(SpaceViewHome, TheOrbitViewWithoutASatelliteStandsOutsideTheSun) {
  AppSession session(noQuickStart());
  session.run(1.0);
  SkyObjectID id;
  CSkyDatabase::setEarthObjectID(&id);
  session.screen().selectObject(id);
  ASSERT_NE(session.chart().selectedObject, nullptr);
  session.screen().setChartPerspective(kSkyPerspective);
  session.screen().setChartPerspective(kOrbitPerspective);
  expectAViewFromSpaceAbove(session, "Sun");
  // A stored distance inside the home (the settings file may say anything)
  // still leaves the observer outside it.
  session.screen().setChartPerspective(kSkyPerspective);
  for (double radii : {0.2, -3.0, std::nan("")}) {
    session.screen().settings()->setChartPerspective(kSatellitePerspective);
    session.screen().settings()->setHomePlanetDistance(radii);
    session.screen().setChartPerspective(kSatellitePerspective);
    expectAViewFromSpaceAbove(session, "Earth");
    session.screen().setChartPerspective(kSkyPerspective);
  }
}

}  // namespace
