// Selection by tapping: a planet hides the stars behind it; overlapping
// objects cycle, also when one object stands in several records or two
// stars share an index in different regions; highlights drawn and hit
// where the projection puts them; the marker, the pointer and the
// selection's own rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "chart/object_chart_name.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/sky_fixture.h"

namespace {

using chart_test::ChartSky;
using chart_test::StarDefinition;

// Three stars within a pixel of (10, 20) degrees: two in region 1 and one
// in region 2 with the same index as the first.
std::vector<StarDefinition> crowdedStars() {
  StarDefinition a, b, c, far;
  a.region = 1, a.ra = 10, a.dec = 20, a.name = "Alfa";
  b.region = 1, b.ra = 10.01, b.dec = 20, b.name = "Bravo";
  c.region = 2, c.ra = 10, c.dec = 20.01, c.name = "Charlie";
  far.region = 2, far.ra = 40, far.dec = -30, far.name = "Faraway";
  return {a, b, c, far};
}

class ChartSelection : public testing::Test {
 protected:
  ChartSelection() : sky_(crowdedStars()) {
    chart_ = sky_.chart(400, 300, 10, 20, 10);
    a_ = sky_.star(1, 0);
    b_ = sky_.star(1, 1);
    c_ = sky_.star(2, 0);
    far_ = sky_.star(2, 1);
    SkyObjectID sun;
    CSkyDatabase::setSunObjectID(&sun);
    chart_->selectObject(&sun);
    // The highlights' own hits; the stars' are the star layer's tests'.
    chart_->showStars = false;
  }
  bool selected(const SkyObjectID& id) const {
    return CSkyDatabase::isSameSkyObjectID(&chart_->selectedObjectID, &id);
  }
  GPoint centre() const { return {200, 150}; }
  ChartSky sky_;
  std::unique_ptr<CSkyChart> chart_;
  SkyObjectID a_, b_, c_, far_;
};

TEST_F(ChartSelection, RepeatedTapsCycleThroughOverlappingObjects) {
  // Repeats of one object, as several layers report it.
  SkyObjectID list[] = {a_, b_, a_, b_, c_, a_};
  chart_->setHighlightedObjects(list, 6);
  SkyObjectID hits[kMaxHitRecords];
  EXPECT_EQ(chart_->findObjectsAt(centre(), hits, kMaxHitRecords), 6);
  const SkyObjectID* expected[] = {&a_, &b_, &c_, &a_, &b_, &c_, &a_};
  for (const SkyObjectID* id : expected) {
    ASSERT_EQ(chart_->selectObjectAt(centre()), 1);
    EXPECT_TRUE(selected(*id)) << "expected " << id->name << ", got "
                               << chart_->selectedObjectID.name;
  }
}

// A star put where Mars stands on the chart's date: a tap there offers
// Mars alone, however often it is repeated; with the solar system's
// options off the same tap finds the star, so it is there to be found.
TEST(ChartSelectionOrder, ATapOnAPlanetOffersItAloneNeverTheStarBehindIt) {
  constexpr double kDate = 2460000.5, kDegree = 0.017453292519943295;
  double ra = 0, dec = 0;
  {
    ChartSky probe;
    auto chart = probe.chart(400, 300, 0, 0, 10);
    chart->setJulianDate(kDate);
    ASSERT_EQ(chart->getObjectDisplayPosition(probe.world().body(30, 4), 0, &ra, &dec), 1);
  }
  StarDefinition behind;
  behind.ra = ra / kDegree, behind.dec = dec / kDegree, behind.magnitude = 2, behind.name = "Behind";
  ChartSky sky({behind});
  auto chart = sky.chart(400, 300, behind.ra, behind.dec, 10);
  chart->setJulianDate(kDate);
  chart->setStarMagnitudeLimit(6);
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart->selectObject(&sun);
  const SkyObjectID mars = sky.world().reference(sky.world().body(30, 4));
  const GPoint tap{200, 150};
  SkyObjectID hits[8];
  ASSERT_EQ(chart->findObjectsAt(tap, hits, 8), 1);
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&hits[0], &mars));
  for (int k = 0; k < 3; ++k) {
    ASSERT_EQ(chart->selectObjectAt(tap), 1);
    EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&chart->selectedObjectID, &mars)) << k;
  }
  chart->showPlanets = chart->showAsteroids = chart->showComets = chart->showSatellites = false;
  ASSERT_EQ(chart->findObjectsAt(tap, hits, 8), 1);
  EXPECT_STREQ(hits[0].name, "Behind");
}

TEST_F(ChartSelection, ATapOnEmptySkyKeepsTheSelection) {
  SkyObjectID list[] = {a_, b_, c_};
  chart_->setHighlightedObjects(list, 3);
  chart_->selectObjectAt(centre());
  EXPECT_TRUE(selected(a_));
  EXPECT_EQ(chart_->selectObjectAt({20, 20}), 0);
  EXPECT_TRUE(selected(a_));
  // Off the projection altogether (gnomonic beyond the horizon of the
  // view) is empty sky too.
  chart_->setDisplayFOV(2.0);
  EXPECT_EQ(chart_->selectObjectAtPoint(1e9f, 1e9f), 0);
}

TEST_F(ChartSelection, HighlightsWithoutCirclesOrLabelsAreNeitherDrawnNorHit) {
  SkyObjectID list[] = {a_, b_, c_};
  chart_->setHighlightedObjects(list, 3);
  chart_->showHighlightedObjectCircles = false;
  chart_->showHighlightedObjectLabels = false;
  SkyObjectID hits[4];
  EXPECT_EQ(chart_->findObjectsAt(centre(), hits, 4), 0);
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->drawHighlightedObjects(0);
  EXPECT_EQ(canvas.raster().inkCount(0.01f), 0);
  // Labels alone make them hittable again; the room limits the records.
  chart_->showHighlightedObjectLabels = true;
  EXPECT_EQ(chart_->findObjectsAt(centre(), hits, 2), 2);
}

TEST_F(ChartSelection, HighlightCirclesStandWhereTheStarsProject) {
  SkyObjectID list[] = {a_, far_};
  chart_->setHighlightedObjects(list, 2);
  chart_->setDisplayProjection(3);
  chart_->setDisplayFOV(150 * 0.017453292519943295);
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->setColor(1, 1, 1, 1);
  chart_->clearLabelRects();
  chart_->drawHighlightedObjects(1);  // pass 1 is the solar system's: nothing
  EXPECT_EQ(canvas.raster().inkCount(0.01f), 0);
  chart_->drawHighlightedObjects(0);
  canvas.save("highlights");
  chart_test::Raster raster = canvas.raster();
  int circles = 0;
  for (const SkyObjectID* id : {&a_, &far_}) {
    ScopedSkyObject object(sky_.database().getObject(id));
    double v[3], x, y;
    object->getPosition(v);
    ASSERT_TRUE(chart_->vectorToScreen(v, &x, &y));
    double r = chart_->markerSize / 2;  // stars have no disc at 100 pc
    int onRing = 0;
    for (int k = 0; k < 360; ++k) {
      double t = k * 0.017453292519943295;
      if (raster.at(int(x + r * std::cos(t)), int(y + r * std::sin(t))) > 0.2f) ++onRing;
    }
    if (onRing > 300) ++circles;
  }
  EXPECT_EQ(circles, 2);
  // One label each, beside the circle.
  EXPECT_EQ(chart_->labelRectCount, 2);
}

TEST_F(ChartSelection, TheMarkerLabelsTheSelectionOnlyWhenItsHighlightIsUnlabelled) {
  chart_->selectObject(&a_);
  chart_->clearLabelRects();
  chart_->drawObjectMarker(chart_->selectedObject, "Alfa", 200, 150, 3);
  EXPECT_EQ(chart_->labelRectCount, 1);
  EXPECT_FLOAT_EQ(chart_->selectionScreenPosition[0], 200);
  EXPECT_FLOAT_EQ(chart_->selectionScreenPosition[2], 3);
  chart_->setHighlightedObjects(&a_, 1);
  chart_->clearLabelRects();
  chart_->drawObjectMarker(chart_->selectedObject, "Alfa", 200, 150, 3);
  EXPECT_EQ(chart_->labelRectCount, 0);
  // The 2-D back end draws the cross hair where the last frame put it.
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->drawObjectMarker(chart_->selectedObject, nullptr, 0, 0, 0);
  chart_test::Raster raster = canvas.raster();
  double m = chart_->markerSize / 2;
  for (double d = 3 + m + 1; d < 3 + 2 * m - 1; d += 1) {
    EXPECT_GT(raster.at(int(200 + d), 150) + raster.at(int(200 + d), 149), 0.5f) << d;
    EXPECT_GT(raster.at(int(200 - d), 150) + raster.at(int(200 - d), 149), 0.5f) << d;
  }
  EXPECT_LT(raster.at(200, 150), 0.01f);  // the middle stays clear
  chart_->showSelectionMarker = false;
  chart_test::Canvas2D empty(*chart_, 400, 300);
  chart_->drawObjectMarker(chart_->selectedObject, "Alfa", 200, 150, 3);
  EXPECT_EQ(empty.raster().inkCount(0.01f), 0);
}

TEST_F(ChartSelection, ThePointerAimsAtASelectionFarFromTheCentre) {
  chart_->selectObject(&a_);
  chart_->pointerPending = true;
  chart_test::Canvas2D near(*chart_, 400, 300);
  chart_->drawSelectedObjectPointer(chart_->selectedObject);
  EXPECT_FALSE(chart_->pointerPending);
  EXPECT_EQ(near.raster().inkCount(0.01f), 0);

  chart_->selectObject(&far_);
  chart_->pointerPending = true;
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->drawSelectedObjectPointer(chart_->selectedObject);
  canvas.save("pointer");
  EXPECT_TRUE(chart_->pointerPending);
  // The direction the test's own projection gives the far star.
  chart_test::TestView view;
  view.lon0 = 10 * 0.017453292519943295;
  view.lat0 = 20 * 0.017453292519943295;
  view.fov = 10 * 0.017453292519943295;
  double v[3], x, y;
  chart_->selectedObject->getPosition(v);
  ASSERT_TRUE(view.project(v, &x, &y));
  double dx = x - 200, dy = y - 150, length = std::hypot(dx, dy);
  dx /= length;
  dy /= length;
  double q = 300 / 4.0, m = chart_->markerSize;
  chart_test::Raster raster = canvas.raster();
  // The shaft from q - 2.5 m to q - m, and the tip's neighbourhood at q.
  for (double t = q - 2.4 * m; t < q - 0.2 * m; t += 1)
    EXPECT_GT(raster.at(int(200 + dx * t), int(150 + dy * t)), 0.2f) << t;
  EXPECT_LT(raster.at(int(200 + dx * (q + 3)), int(150 + dy * (q + 3))), 0.05f);
  EXPECT_LT(raster.at(int(200 - dx * q), int(150 - dy * q)), 0.05f);
}

TEST_F(ChartSelection, SelectingAgainKeepsTheLocksButResolvesTheObjectAgain) {
  chart_->selectObject(&a_);
  chart_->setCenterOnSelected(true);
  chart_->pointerPending = true;
  chart_->updateNeeded = false;
  chart_->selectObject(&a_);
  EXPECT_TRUE(chart_->centerOnSelected);
  EXPECT_TRUE(chart_->pointerPending);
  EXPECT_FALSE(chart_->updateNeeded);
  ASSERT_NE(chart_->selectedObject, nullptr);
  chart_->selectObject(&b_);
  EXPECT_FALSE(chart_->centerOnSelected);
  EXPECT_FALSE(chart_->pointerPending);
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&chart_->previousSelectedObjectID, &a_));
  SkyObjectID invalid;
  chart_->selectObject(&invalid);
  chart_->selectObject(nullptr);
  EXPECT_TRUE(selected(b_));
}

TEST_F(ChartSelection, OnlyAsteroidsAndCometsThatATableCanFollowDropTheOtherPaths) {
  CPlanet* ceres = sky_.world().body(33, 1);
  CPlanet* grazer = sky_.world().body(33, 9999);
  CPlanet* comet = sky_.world().body(34, 0);
  ASSERT_TRUE(ceres != nullptr && grazer != nullptr && comet != nullptr);
  SkyObjectID grazerID = sky_.world().reference(grazer);
  SkyObjectID cometID = sky_.world().reference(comet);
  ceres->allocatePath(10);
  // e 0.95 and q 0.05 AU: no table can follow the perihelion; the object
  // keeps to its elements and the other tables stay.
  chart_->selectObject(&grazerID);
  EXPECT_GT(ceres->getPathCount(), 0);
  EXPECT_EQ(grazer->getPathCount(), 0);
  SkyObjectID moon = sky_.world().reference(sky_.world().body(31, 301));
  chart_->selectObject(&moon);
  EXPECT_GT(ceres->getPathCount(), 0);  // a moon drops nothing
  // A comet drops the others' tables and keeps its own (a new one would
  // need an ephemeris, which this sky has not).
  comet->allocatePath(10);
  chart_->selectObject(&cometID);
  EXPECT_EQ(ceres->getPathCount(), 0);
  EXPECT_GT(comet->getPathCount(), 0);
}

TEST_F(ChartSelection, SatelliteHighlightingOffEmptiesTheListAndHidesIt) {
  SkyObjectID list[] = {a_, b_};
  chart_->setHighlightedObjects(list, 2);
  chart_->highlightSatellites(false, 100);
  EXPECT_EQ(chart_->highlightCount, 0);
  EXPECT_EQ(chart_->highlights, nullptr);
  EXPECT_FALSE(chart_->showHighlightedObjectCircles);
  EXPECT_FALSE(chart_->showHighlightedObjectLabels);
  EXPECT_FLOAT_EQ(chart_->highlightColor[1], 1);
  EXPECT_FLOAT_EQ(chart_->highlightColor[2], 0);
}

TEST_F(ChartSelection, ChartNamesFollowTheNamingOptions) {
  ScopedSkyObject star(sky_.database().getObject(&a_));
  char name[256] = "untouched";
  EXPECT_EQ(getObjectChartName(chart_.get(), star.get(), name, sizeof name, 1), 4);
  EXPECT_STREQ(name, "Alfa");
  chart_->showStarProperNames = false;
  // No catalogue number: the name after all.
  EXPECT_EQ(getObjectChartName(chart_.get(), star.get(), name, sizeof name, 1), 4);
  char cut[3];
  EXPECT_EQ(getObjectChartName(chart_.get(), star.get(), cut, sizeof cut, 1), 2);
  EXPECT_STREQ(cut, "Al");
  CPlanet* mars = sky_.world().body(30, 4);
  EXPECT_GT(getObjectChartName(chart_.get(), mars, name, sizeof name, 0), 0);
  EXPECT_STREQ(name, "Mars");
  CStar nameless(1);
  std::strcpy(name, "untouched");
  EXPECT_EQ(getObjectChartName(chart_.get(), &nameless, name, sizeof name, 1), 0);
  EXPECT_STREQ(name, "untouched");
  // A Bayer designation comes back as "$" and the letter's symbol code.
  std::int64_t bayer = 10000000000000000LL + 61 * 100000LL + 2 * 100;  // beta Orionis
  nameless.setCatalogNumbers(&bayer, 1);
  const char* rigel = "Rigel";
  nameless.setNames(&rigel, 1);
  EXPECT_GT(getObjectChartName(chart_.get(), &nameless, name, sizeof name, 1), 0);
  EXPECT_EQ(name[0], '$') << name;
  EXPECT_EQ(name[1], 'b') << name;
  chart_->showStarProperNames = true;
  getObjectChartName(chart_.get(), &nameless, name, sizeof name, 1);
  EXPECT_STREQ(name, "Rigel");
}

}  // namespace
