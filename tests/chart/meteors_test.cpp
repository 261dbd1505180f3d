// The meteor animation on a clock the test drives and a seeded rand:
// spawn counts follow the shower's rate, streaks point away from the
// radiant, at most 200 meteors live, and damaged showers stay harmless.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "chart/meteors.h"
#include "chart/sky_chart.h"
#include "skydata/constellation.h"
#include "tests/chart/chart_canvas.h"
#include "tools/catalogues/record_encoding.h"

// The chart's wall clock, replaced for this program: the animation reads
// the time the test sets.
namespace {
double clockMilliseconds = 1e6;
}
double currentTimeMilliseconds() { return clockMilliseconds; }

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

std::unique_ptr<CMeteorShower> makeShower(float rate, float velocity, double ra = 0.3,
                                          double dec = 0.4) {
  catalogues::MeteorShowerValues values;
  values.name = "Testids";
  values.abbreviation = "TST";
  values.peakRate = rate;
  values.velocity = velocity;
  values.radiant[0] = std::cos(dec) * std::cos(ra);
  values.radiant[1] = std::cos(dec) * std::sin(ra);
  values.radiant[2] = std::sin(dec);
  std::string error;
  std::unique_ptr<CSkyObject> object = catalogues::makeMeteorShower(values, error);
  EXPECT_TRUE(object) << error;
  return std::unique_ptr<CMeteorShower>(static_cast<CMeteorShower*>(object.release()));
}

class Meteors : public testing::Test {
 protected:
  Meteors() : sky_(200, 200) {}
  ~Meteors() override { clearMeteors(sky_.chart.get()); }
  // One frame after `seconds` of wall clock.
  void step(CMeteorShower* shower, double seconds) {
    clockMilliseconds += seconds * 1000;
    updateMeteors(sky_.chart.get(), shower);
  }
  CSkyChart& chart() { return *sky_.chart; }
  chart_test::ChartOnEmptySky sky_;
};

TEST_F(Meteors, SpawnCountsFollowTheRateWithTheElapsedTimeCappedAtOneSecond) {
  auto variable = makeShower(-1, 60);  // variable: the minimum of 3
  std::srand(7);
  const int trials = 2000;
  for (int trial = 0; trial < trials; ++trial) {
    clearMeteors(&chart());
    step(variable.get(), 30);  // a long pause counts as one second
    ASSERT_EQ(chart().meteorCount, 3);
    clearMeteors(&chart());
    step(variable.get(), 0);  // nothing elapsed: nothing spawns
    ASSERT_EQ(chart().meteorCount, 0);
  }
  // 5.4 an hour after a full second: five certain meteors and a sixth
  // four times in ten.
  auto busy = makeShower(5.4f, 60);
  int sixes = 0;
  for (int trial = 0; trial < trials; ++trial) {
    clearMeteors(&chart());
    step(busy.get(), 1);
    ASSERT_TRUE(chart().meteorCount == 5 || chart().meteorCount == 6) << chart().meteorCount;
    sixes += chart().meteorCount == 6;
  }
  EXPECT_NEAR(static_cast<double>(sixes) / trials, 0.4, 0.04);
  // A tenth of a second at 50 an hour: five meteors.
  auto fifty = makeShower(50, 60);
  clearMeteors(&chart());
  step(fifty.get(), 0.1);
  EXPECT_EQ(chart().meteorCount, 5);
}

TEST_F(Meteors, StreaksLieOnLinesThroughTheRadiantInTheGnomonicProjection) {
  chart_test::TestView view;
  view.projection = 1;
  view.lon0 = 0.3, view.lat0 = 0.4;
  view.fov = 100 * kRadiansPerDegree;
  view.width = view.height = 200;
  chart_test::applyView(chart(), view);
  auto shower = makeShower(60, 40);
  double radiant[3], rx, ry;
  shower->getPosition(radiant);
  ASSERT_TRUE(view.project(radiant, &rx, &ry));
  std::srand(11);
  step(shower.get(), 1);
  ASSERT_EQ(chart().meteorCount, 60);
  int checked = 0;
  for (int i = 0; i < chart().meteorCount; ++i) {
    const Meteor* meteor = chart().meteors[i];
    // Late in its flight, when the streak is long.
    chart_test::Canvas2D canvas(chart(), 200, 200);
    drawMeteor(&chart(), meteor, meteor->duration);
    const chart_test::Raster raster = canvas.raster();
    std::vector<chart_test::Point2> ink;
    for (int y = 0; y < raster.height; ++y)
      for (int x = 0; x < raster.width; ++x)
        if (raster.at(x, y) > 0.25f) ink.push_back({x + 0.5, y + 0.5});
    if (ink.size() < 15) continue;
    // The line through the radiant's point and the streak's far end: every
    // inked pixel lies within 1 px of it.
    chart_test::Point2 far = ink.front();
    for (const auto& p : ink)
      if (std::hypot(p.x - rx, p.y - ry) > std::hypot(far.x - rx, far.y - ry)) far = p;
    const double dx = far.x - rx, dy = far.y - ry, length = std::hypot(dx, dy);
    double worst = 0;
    for (const auto& p : ink) worst = std::max(worst, std::fabs((p.x - rx) * dy - (p.y - ry) * dx) / length);
    EXPECT_LT(worst, 1.0 + 0.75) << "meteor " << i;  // the line's own half width
    ++checked;
  }
  EXPECT_GE(checked, 10);
}

TEST_F(Meteors, AtMostTwoHundredLiveAndExpiredOnesMakeRoom) {
  auto shower = makeShower(1e4f, 60);
  std::srand(3);
  step(shower.get(), 1);
  EXPECT_EQ(chart().meteorCount, kMaxMeteors);
  step(shower.get(), 0.2);
  EXPECT_EQ(chart().meteorCount, kMaxMeteors);
  double longest = 0;
  for (int i = 0; i < chart().meteorCount; ++i) longest = std::max(longest, chart().meteors[i]->duration);
  // Every one of them has faded half a second after reaching distance 10.
  clockMilliseconds += (longest + 0.5) * 1000;
  auto quiet = makeShower(0, 60);
  step(quiet.get(), 0);
  EXPECT_EQ(chart().meteorCount, 0);
}

TEST_F(Meteors, DamagedShowersReturnAtOnceAndUnknownSpeedsSpawnNothing) {
  // x - 1 == x at 1e38: the loop must end on the cap, not on x.
  auto flood = makeShower(1e38f, 60);
  step(flood.get(), 1);
  EXPECT_EQ(chart().meteorCount, kMaxMeteors);
  clearMeteors(&chart());
  for (float speed : {INFINITY, 0.0f, -5.0f, NAN}) {
    auto still = makeShower(100, speed);
    step(still.get(), 1);
    EXPECT_EQ(chart().meteorCount, 0) << speed;
  }
}

TEST_F(Meteors, RemovingPastTheCountChangesNothingAndANewSelectionClears) {
  auto shower = makeShower(10, 60);
  step(shower.get(), 1);
  ASSERT_EQ(chart().meteorCount, 10);
  removeMeteor(&chart(), 150);  // below 200, past the count
  removeMeteor(&chart(), -1);
  EXPECT_EQ(chart().meteorCount, 10);
  const Meteor* third = chart().meteors[3];
  removeMeteor(&chart(), 2);
  EXPECT_EQ(chart().meteorCount, 9);
  EXPECT_EQ(chart().meteors[2], third);
  EXPECT_EQ(chart().meteors[9], nullptr);
}

}  // namespace
