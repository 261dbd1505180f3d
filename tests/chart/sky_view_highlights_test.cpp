// The solar-system layer under the sky view's satellite highlights (every
// satellite of the file, as the application asks for them): circles,
// labels and taps only on satellites the layer itself shows; a body named
// once, by the highlights when it is highlighted; the layer's names at the
// chart's label size whatever the layer before it left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "chart/sky_chart.h"
#include "engine/sky_projection.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/spread_satellites.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr int kWidth = 600, kHeight = 400;
constexpr int kSatellites = 300;

// The station's orbits spread round the Earth, categories 1 to 8.
constexpr int kHiddenCategory = 3;

class SkyViewHighlights : public testing::Test {
 protected:
  SkyViewHighlights() : world_(mechanics_test::standardExtraBodies(), chart_test::spreadSatellites(kSatellites)) {
    EXPECT_TRUE(world_.loaded());
    chart_ = std::make_unique<CSkyChart>(&world_.database(), "");
    chart_->setViewport(0, 0, kWidth, kHeight);
    // As the sky view sets the chart: stereographic in the horizon system,
    // from a place on the ground, highlights following the display options,
    // every satellite highlighted with its name.
    chart_->setJulianDate(2454730.0);
    chart_->setLocation(-0.1 * kRadiansPerDegree, 51.5 * kRadiansPerDegree, 0);
    chart_->setDisplayProjection(kProjectionStereographic);
    chart_->setDisplayCoordSystem(kCoordHorizon);
    chart_->setDisplayCenterLonLat(0, 90 * kRadiansPerDegree);
    chart_->setDisplayFOV(180 * kRadiansPerDegree);
    chart_->showPlanets = chart_->showSatellites = chart_->showPlanetNames = true;
    chart_->drawAllHighlights = false;
    chart_->setPlanetMagnitudeLimit(20);
    SkyObjectID sun;
    CSkyDatabase::setSunObjectID(&sun);
    chart_->selectObject(&sun);
    chart_->highlightSatellites(true, 10000);
    chart_->updateDisplayMatrix();
    chart_->updateNeeded = true;
  }

  // The highlighted satellites standing in the viewport, with their screen
  // points.
  struct Shown {
    SkyObjectID id;
    int category;
    GPoint point;
  };
  std::vector<Shown> satellitesInView() {
    std::vector<Shown> list;
    for (int i = 0; i < chart_->highlightCount; ++i) {
      const SkyObjectID& id = chart_->highlights[i].id;
      auto* satellite = dynamic_cast<CSatellite*>(world_.database().getObject(&id));
      if (satellite == nullptr) continue;
      chart_->updatePlanetPosition(satellite);
      double v[3], x = 0, y = 0;
      satellite->getPosition(v);
      if (!chart_->vectorToScreen(v, &x, &y) || !chart_->isPointInViewport(x, y)) continue;
      list.push_back({id, satellite->getCategory(0), {static_cast<float>(x), static_cast<float>(y)}});
    }
    return list;
  }

  bool tapFinds(const Shown& satellite) {
    SkyObjectID hits[kMaxHitRecords];
    int n = chart_->findObjectsAt(satellite.point, hits, kMaxHitRecords);
    return std::any_of(hits, hits + n, [&](const SkyObjectID& hit) {
      return CSkyDatabase::isSameSkyObjectID(&hit, &satellite.id);
    });
  }

  // Ink of the highlight pass of the solar-system file, alone on a canvas.
  int highlightInk(const char* name) {
    chart_test::Canvas2D canvas(*chart_, kWidth, kHeight);
    chart_->clearLabelRects();
    chart_->drawHighlightedObjects(1);
    canvas.save(name);
    return canvas.raster().inkCount();
  }

  mechanics_test::SolarSystemWorld world_;
  std::unique_ptr<CSkyChart> chart_;
};

TEST_F(SkyViewHighlights, SatellitesTheLayerHidesGetNoCircleLabelOrTap) {
  ASSERT_EQ(chart_->highlightCount, kSatellites + 1) << "and the spacecraft";
  std::vector<Shown> shown = satellitesInView();
  int hiddenCategory = 0;
  for (const Shown& s : shown) hiddenCategory += s.category == kHiddenCategory;
  ASSERT_GE(shown.size(), 20u) << "the orbits put enough of them over the observer";
  ASSERT_GE(hiddenCategory, 2);
  for (const Shown& s : shown) EXPECT_TRUE(tapFinds(s)) << s.id.name;
  EXPECT_GT(highlightInk("highlights_all"), 200);

  // Only the selected object shown ("show selected only"): none is ringed,
  // named, followed by its path or found.
  chart_->showSatellites = false;
  chart_->showHighlightedObjectPaths = true;
  EXPECT_EQ(highlightInk("highlights_satellites_off"), 0);
  chart_->showHighlightedObjectPaths = false;
  for (const Shown& s : shown) EXPECT_FALSE(tapFinds(s)) << s.id.name;

  // One category switched off: its satellites alone are left out.
  chart_->showSatellites = true;
  chart_->satelliteCategories[kHiddenCategory] = false;
  for (const Shown& s : shown) EXPECT_EQ(tapFinds(s), s.category != kHiddenCategory) << s.id.name;

  // The selected satellite keeps its circle and its tap, as the marker's.
  chart_->showSatellites = false;
  const Shown& chosen = shown.front();
  SkyObjectID id = chosen.id;
  chart_->selectObject(&id);
  EXPECT_TRUE(tapFinds(chosen));
  EXPECT_GT(highlightInk("highlights_selected_only"), 0);
}

TEST_F(SkyViewHighlights, BodiesAreNamedAtTheChartLabelSizeWhateverCameBefore) {
  chart_->setContentScale(2);
  chart_test::Canvas2D canvas(*chart_, kWidth, kHeight);
  // Jupiter and its neighbourhood, satellites out of the way; Jupiter is
  // below London's horizon then, so no ground may hide its label.
  chart_->showSatellites = false;
  chart_->showHorizon = false;
  CPlanet* jupiter = world_.body(kTypePlanet, 5);
  SkyObjectID id = world_.reference(jupiter);
  chart_->setDisplayFOV(90 * kRadiansPerDegree);
  chart_->centerOnObjectID(&id);
  chart_->updateDisplayMatrix();
  // What the deep-sky layer and the grids leave behind, and something else.
  for (float before : {12.0f, 20.0f}) {
    chart_->setTextHeight(before);
    chart_->clearLabelRects();
    chart_->updateNeeded = true;
    chart_->drawSolarSystemObjects();
    ASSERT_GT(chart_->labelRectCount, 0) << before;
    for (int i = 0; i < chart_->labelRectCount; ++i)
      EXPECT_FLOAT_EQ(chart_->labelRects[i].halfHeight, chart_->chartLabelTextHeight * 2 / 2) << before;
  }
}

TEST_F(SkyViewHighlights, AHighlightedBodyIsNamedByTheHighlightsAlone) {
  chart_test::Canvas2D canvas(*chart_, kWidth, kHeight);
  chart_->showSatellites = false;
  chart_->showHorizon = false;  // Jupiter is below the horizon
  CPlanet* jupiter = world_.body(kTypePlanet, 5);
  SkyObjectID id = world_.reference(jupiter);
  chart_->setDisplayFOV(90 * kRadiansPerDegree);
  chart_->centerOnObjectID(&id);
  chart_->updateDisplayMatrix();
  chart_->setHighlightedObjects(&id, 1);
  ASSERT_TRUE(chart_->isHighlighted(id.file, id.region, id.index));
  // Objects of other files, or of other regions of a star file, share
  // indices with it.
  EXPECT_FALSE(chart_->isHighlighted(2, id.region, id.index));
  EXPECT_FALSE(chart_->isHighlighted(id.file, id.region + 1, id.index));
  EXPECT_FALSE(chart_->isHighlighted(id.file, id.region, id.index + 1));
  chart_->setTextHeight(chart_->chartLabelTextHeight);
  float half = chart_->getTextWidth("Jupiter", 7) / 2;
  double v[3], x = 0, y = 0;
  chart_->updatePlanetPosition(jupiter);
  jupiter->getPosition(v);
  ASSERT_TRUE(chart_->vectorToScreen(v, &x, &y));
  auto named = [&] {
    int n = 0;
    for (int i = 0; i < chart_->labelRectCount; ++i) {
      const LabelPosition& rect = chart_->labelRects[i];
      n += std::fabs(rect.halfWidth - half) < 0.01f && std::hypot(rect.x - x, rect.y - y) < 100;
    }
    return n;
  };
  chart_->clearLabelRects();
  chart_->updateNeeded = true;
  chart_->drawSolarSystemObjects();
  EXPECT_EQ(named(), 0) << "the layer leaves the name to the highlights";
  chart_->drawHighlightedObjects(1);
  EXPECT_EQ(named(), 1);
  // Without highlight labels the layer names it.
  chart_->showHighlightedObjectLabels = false;
  chart_->clearLabelRects();
  chart_->drawSolarSystemObjects();
  EXPECT_EQ(named(), 1);
  // An emptied list takes its lookups with it.
  chart_->clearHighlightedObjects();
  EXPECT_FALSE(chart_->isHighlighted(id.file, id.region, id.index));
}

}  // namespace
