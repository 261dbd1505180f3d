// Time flow on the manual clock: each tick moves the chart's date by one
// step; the panel's buttons start, reverse, step and stop it; real time
// refreshes its texts at most once a second.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "app/hud_text.h"
#include "app/selectable_time_label.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/clock.h"
#include "platform/coregraphics/text.h"
#include "platform/uikit/application.h"
#include "platform/uikit/font.h"
#include "tests/app/app_session.h"
#include "tests/support/sanitizer_build.h"
#include "ui/foundation/small_views.h"

namespace {

using app_test::AppSession;

constexpr double kSecondDays = 1.0 / 86400;

// Every tick that moves the date draws a full frame: the sanitizer builds
// run a tenth of the ticks, enough for each rate and step to show.
int tickSample(int full) { return tessaly::test::sanitizerSample(full, full / 10); }

struct FlowSession {
  AppSession session;
  ChartScreenController& screen;
  Settings& settings;
  FlowSession() : session(), screen(session.screen()), settings(*screen.settings()) { session.run(1.0); }
  void press(const std::shared_ptr<ui::Button>& button) { screen.performAction("timeFlowBtnUp:", button.get()); }
  const ChartScreenController::Views& v() { return screen.views(); }
  // Runs the loop tick by tick; returns the ticks that moved the date.
  int ticks(int count) {
    int moved = 0;
    for (int i = 0; i < count; ++i) {
      const double before = settings.julianDate();
      session.clock().advance(0.01);
      ns::RunLoop::main().runOnce();
      if (settings.julianDate() != before) ++moved;
    }
    return moved;
  }
};

TEST(TimeFlow, ForwardsAdvancesOneStepPerTickAsALongDoubleSumWould) {
  FlowSession f;
  const float m = 7;
  f.settings.setTimeFlowIndex(5);
  f.settings.setTimeFlowMultiplier(m);
  const double start = f.settings.julianDate();
  f.press(f.v().timeForwardsBtn);
  EXPECT_FALSE(f.settings.realTime());
  EXPECT_TRUE(f.screen.isTimeFlowing());
  EXPECT_TRUE(f.v().timeForwardsBtn->isSelected());
  const int count = tickSample(250);
  const int n = f.ticks(count);
  EXPECT_EQ(n, count);
  long double expected = start;
  const long double step = (long double)(kSecondDays)*m;
  for (int i = 0; i < n; ++i) expected += step;
  const double ulp = std::nextafter(start, 1e9) - start;
  EXPECT_NEAR(f.settings.julianDate(), double(expected), n * ulp);
}

TEST(TimeFlow, PressingForwardsTwiceStopsAndBackwardsReversesKeepingTheTimer) {
  FlowSession f;
  f.settings.setTimeFlowIndex(5);
  f.settings.setTimeFlowMultiplier(1);
  f.press(f.v().timeForwardsBtn);
  f.press(f.v().timeForwardsBtn);
  EXPECT_EQ(f.screen.timeFlowSign, 0);
  EXPECT_FALSE(f.screen.isTimeFlowing());
  f.press(f.v().timeForwardsBtn);
  f.ticks(10);
  f.press(f.v().timeBackwardsBtn);
  EXPECT_EQ(f.screen.timeFlowSign, -1);
  EXPECT_TRUE(f.screen.isTimeFlowing());
  EXPECT_TRUE(f.v().timeBackwardsBtn->isSelected());
  EXPECT_FALSE(f.v().timeForwardsBtn->isSelected());
  const double before = f.settings.julianDate();
  f.ticks(10);
  EXPECT_NEAR(f.settings.julianDate(), before - 10 * kSecondDays, 1e-9);
}

TEST(TimeFlow, AStepWhileFlowingStopsTheAdvanceButKeepsTheTimer) {
  FlowSession f;
  f.settings.setTimeFlowIndex(4);
  f.settings.setTimeFlowMultiplier(1);
  f.press(f.v().timeForwardsBtn);
  f.ticks(3);
  const double before = f.settings.julianDate();
  f.press(f.v().timeStepForwardsBtn);
  EXPECT_NEAR(f.settings.julianDate(), before + 60 * kSecondDays, 1e-9);
  EXPECT_EQ(f.screen.timeFlowSign, 0);
  EXPECT_TRUE(f.screen.isTimeFlowing());
  const double after = f.settings.julianDate();
  f.ticks(20);
  EXPECT_EQ(f.settings.julianDate(), after);
}

TEST(TimeFlow, RealElapsedTimeDisablesTheStepsAndRunsAtTheRealRateTimesTheMultiplier) {
  FlowSession f;
  f.settings.setTimeFlowIndex(100);
  f.settings.setTimeFlowMultiplier(60);
  f.screen.adjustTimeFlowBtns();
  EXPECT_FALSE(f.v().timeStepForwardsBtn->isEnabled());
  EXPECT_FALSE(f.v().timeStepBackwardsBtn->isEnabled());
  f.press(f.v().timeForwardsBtn);
  f.ticks(1);
  const double start = f.settings.julianDate();
  const int count = tickSample(200);  // two seconds in the full run
  f.ticks(count);
  EXPECT_NEAR(f.settings.julianDate() - start, count * 0.01 * 60 * kSecondDays, 1e-8);
  f.settings.setTimeFlowIndex(5);
  f.screen.adjustTimeFlowBtns();
  EXPECT_TRUE(f.v().timeStepForwardsBtn->isEnabled());
}

TEST(TimeFlow, NowReturnsToRealTime) {
  FlowSession f;
  f.settings.setTimeFlowIndex(3);
  f.settings.setTimeFlowMultiplier(1);
  f.press(f.v().timeForwardsBtn);
  f.ticks(tickSample(50));
  ASSERT_GT(f.settings.julianDate() - currentJulianDate(), 0.5 / 24);
  f.press(f.v().timeNowBtn);
  EXPECT_FALSE(f.screen.isTimeFlowing());
  EXPECT_TRUE(f.settings.realTime());
  EXPECT_NEAR(f.settings.julianDate(), currentJulianDate(), 1e-6);
  EXPECT_TRUE(f.session.chartView().realTimeRunning());
}

TEST(TimeFlow, RealTimeRefreshesItsTextsAtMostOnceASecond) {
  FlowSession f;
  ASSERT_TRUE(f.settings.realTime());
  ASSERT_TRUE(f.session.chartView().realTimeRunning());
  // The clock moves the chart ten times a second, and a text written each
  // time would still change only as its seconds do: every write counts.
  ui::Label& label = *f.v().timeDateLabel;
  label.setText("");
  int writes = 0;
  for (int i = 0; i < 400; ++i) {  // four seconds of real-time ticks
    f.session.clock().advance(0.01);
    ns::RunLoop::main().runOnce();
    if (!label.text().empty()) ++writes, label.setText("");
  }
  EXPECT_GE(writes, 3);
  EXPECT_LE(writes, 4);
}

// Time starting to flow centres a selected object that the last frame
// drew, at once, when the field is under five degrees; a field of five, or
// an object outside the frame, leaves the chart where it is.
TEST(TimeFlow, StartingCentresTheSelectedObjectDrawnInAFieldUnderFiveDegrees) {
  FlowSession f;
  CSkyChart& chart = f.session.chart();
  f.settings.setRealTime(false);
  f.screen.setChartPerspective(kSkyPerspective);
  f.session.select("Sun");
  // The centre `offset` degrees below the object in a field of `field`,
  // drawn; then time starts and stops: how far the centre is from it.
  auto offCentreAfterStart = [&](double field, double offset, bool drawn) {
    f.settings.setDisplayFOV(field);
    double lon, lat, centreLon, centreLat;
    chart.setCenterOnSelected(false);
    EXPECT_TRUE(chart.getObjectDisplayPosition(chart.selectedObject, chart.getDisplayCoordSystem(), &lon, &lat));
    chart.setDisplayCenterLonLat(lon, lat - offset * kRadiansPerDegree);
    f.session.chartView().drawImmediately();
    EXPECT_EQ(chart.selectionScreenPosition[2] >= 0, drawn) << "drawn in a field of " << field;
    f.press(f.v().timeForwardsBtn);
    EXPECT_TRUE(f.screen.isTimeFlowing());
    chart.getDisplayCenter(&centreLon, &centreLat);
    f.press(f.v().timeForwardsBtn);
    return angularSeparation(centreLon, centreLat, lon, lat) * kDegreesPerRadian;
  };
  EXPECT_NEAR(offCentreAfterStart(5, 1.5, true), 1.5, 1e-6);
  EXPECT_NEAR(offCentreAfterStart(4.9, 30, false), 30, 1e-6);
  EXPECT_LT(offCentreAfterStart(4.9, 1.5, true), 1e-3);
}

TEST(TimeFlow, TheTimeLabelIsTheSelectableOneAndItsUnitFollowsTheSettings) {
  FlowSession f;
  TimeFlowUnitLabel* label = f.screen.timeFlowTimeLabel();
  ASSERT_NE(label, nullptr);
  auto* selectable = dynamic_cast<SelectableTimeLabel*>(label);
  ASSERT_NE(selectable, nullptr);
  EXPECT_TRUE(selectable->drawUnderline());
  EXPECT_EQ(selectable->chartViewController().get(), &f.screen);
  f.screen.timeFlowUnitsChanged(3);
  EXPECT_EQ(f.settings.timeFlowIndex(), 3);
  EXPECT_EQ(selectable->selectedTimeUnit(), 3);
}

TEST(TimeFlow, TheLabelFormatShowsSecondsAndStaysWithinBounds) {
  EXPECT_EQ(timeFlowLabelFormat("%Y", "%H:%M"), "%Y  %H:%M:%S");
  EXPECT_EQ(timeFlowLabelFormat("%Y", "%I:%M %p"), "%Y  %I:%M:%S %p");
  EXPECT_EQ(timeFlowLabelFormat("%Y", "%H:%M:%S"), "%Y  %H:%M:%S");
  // Two formats of 255 characters each (without terminators).
  const std::string date(255, 'd'), time(255, 't');
  char dateBuffer[256], timeBuffer[256];
  std::copy(date.begin(), date.end(), dateBuffer), dateBuffer[255] = '\0';
  std::copy(time.begin(), time.end(), timeBuffer), timeBuffer[255] = '\0';
  const std::string joined = timeFlowLabelFormat(dateBuffer, timeBuffer);
  EXPECT_EQ(joined.size(), 512u);
  EXPECT_EQ(joined.substr(255, 2), "  ");
}

// Where the label draws the character at byte `at` of its text: the label
// is drawn with that character changed, and the rightmost column that
// differs is the character's right edge (whatever the label's own idea of
// where its groups lie). -1 when nothing differs.
int drawnRightEdge(ui::Label& label, std::size_t at, char replacement) {
  const std::string original = label.text();
  auto columnsOf = [&](const std::string& text) {
    label.setText(text);
    return label.snapshotImage(1.0);
  };
  std::string changed = original;
  changed[at] = replacement;
  const auto a = columnsOf(original), b = columnsOf(changed);
  label.setText(original);
  int right = -1;
  for (std::size_t y = 0; y < a->height(); ++y)
    for (std::size_t x = 0; x < a->width(); ++x)
      if (a->row(y)[x] != b->row(y)[x]) right = std::max(right, int(x));
  return right;
}

// Taps the label's text where the character at `at` is drawn.
void tapCharacter(FlowSession& f, std::size_t at, char replacement) {
  ui::Label& label = *f.v().timeFlowTimeLabel;
  const int right = drawnRightEdge(label, at, replacement);
  ASSERT_GT(right, 1) << "the character at " << at << " of \"" << label.text() << "\" is drawn";
  const ui::Point p = label.transformToRoot().apply({right - 1.5, label.bounds().height() / 2});
  f.session.tap(p.x, p.y);
}

// The tapped group steps time, whatever the screen definition aligns the
// label to: the minutes move time by minutes and the month by thirty days.
TEST(TimeFlow, TheGroupTappedWhereItIsDrawnIsTheStepTimeMovesBy) {
  FlowSession f;
  f.screen.showTimeFlow(true);
  f.session.run(1.0);
  f.settings.setTimeFlowMultiplier(1);
  ui::Label& label = *f.v().timeFlowTimeLabel;
  const std::string text = label.text();
  ASSERT_GE(std::count(text.begin(), text.end(), ':'), 2) << text;
  // "2008 Sep 20 Sat  12:00:00" (after a blank where the era would be):
  // the minutes' last digit sits before the last colon, the month is the
  // second word.
  tapCharacter(f, text.rfind(':') - 1, '7');
  EXPECT_EQ(f.settings.timeFlowIndex(), 4);
  f.press(f.v().timeForwardsBtn);
  const int count = tickSample(100);
  double before = f.settings.julianDate();
  f.ticks(count);
  EXPECT_NEAR(f.settings.julianDate() - before, count * 60 * kSecondDays, 1e-7);
  f.press(f.v().timeForwardsBtn);

  const std::size_t year = text.find_first_not_of(' ');
  const std::size_t month = text.find_first_not_of(' ', text.find(' ', year));
  tapCharacter(f, month + 2, 'x');
  EXPECT_EQ(f.settings.timeFlowIndex(), 1);
  f.press(f.v().timeForwardsBtn);
  before = f.settings.julianDate();
  f.ticks(count);
  EXPECT_NEAR(f.settings.julianDate() - before, count * 30.0, 1e-6);
  f.press(f.v().timeForwardsBtn);
  // The chart draws the selected object's path at the same step.
  EXPECT_DOUBLE_EQ(f.session.chart().timeFlowStep, 30.0);
}

// The units button names the step and offers the periods the label has
// no digits for; choosing one moves the underline to it, a digit group of
// the label moves it back.
TEST(TimeFlow, TheUnitsButtonNamesTheStepAndOffersTheOtherPeriods) {
  FlowSession f;
  f.screen.showTimeFlow(true);
  f.session.run(1.0);
  auto* units = dynamic_cast<UnderlinedButton*>(f.v().timeFlowUnitsBtn.get());
  auto* label = dynamic_cast<SelectableTimeLabel*>(f.v().timeFlowTimeLabel.get());
  ASSERT_NE(units, nullptr);
  ASSERT_NE(label, nullptr);
  f.settings.setTimeFlowMultiplier(2);
  f.screen.timeFlowUnitsChanged(40);
  EXPECT_EQ(units->titleForState(ui::kControlStateNormal), "20 min");
  EXPECT_EQ(f.screen.timeFlowMultiplierStr(), "20");
  EXPECT_TRUE(label->drawUnderline());
  EXPECT_FALSE(units->drawUnderline());

  f.session.tap(AppSession::centreOf(*units).x, AppSession::centreOf(*units).y);
  EXPECT_EQ(f.settings.timeFlowIndex(), 6);
  EXPECT_EQ(units->titleForState(ui::kControlStateNormal), "2 sid. day");
  EXPECT_FALSE(label->drawUnderline());
  EXPECT_TRUE(units->drawUnderline());
  EXPECT_NEAR(f.session.chart().timeFlowStep, 2 * 0.99726957, 1e-12);
  // On through the periods to the clock's own rate, then round again.
  const int expected[] = {7, 8, 9, 10, 11, 12, 100, 6};
  for (int unit : expected) {
    f.session.tap(AppSession::centreOf(*units).x, AppSession::centreOf(*units).y);
    EXPECT_EQ(f.settings.timeFlowIndex(), unit);
  }
  f.screen.timeFlowUnitsChanged(100);
  EXPECT_EQ(units->titleForState(ui::kControlStateNormal), "2 x clock");
  EXPECT_FALSE(f.v().timeStepForwardsBtn->isEnabled());
  f.screen.timeFlowUnitsChanged(5);
  EXPECT_TRUE(label->drawUnderline());
  EXPECT_FALSE(units->drawUnderline());
  // A unit the settings file made up names nothing.
  f.settings.setTimeFlowIndex(77);
  f.screen.adjustTimeFlowBtns();
  EXPECT_EQ(units->titleForState(ui::kControlStateNormal), "");
  EXPECT_EQ(f.screen.timeFlowMultiplierStr(), "");
}

TEST(TimeFlow, ClearingTheHeadUpDisplayEmptiesBothLabelsUntilTheNextUpdate) {
  FlowSession f;
  ASSERT_FALSE(f.v().centerCoordsLabel->text().empty());
  f.screen.clearHUD();
  EXPECT_EQ(f.v().centerCoordsLabel->text(), "");
  EXPECT_EQ(f.v().fovLabel->text(), "");
  f.screen.displayCoordSystemChanged();
  EXPECT_EQ(f.v().fovLabel->text().rfind("FoV: ", 0), 0u);
}

// Every step's title fits the units button, measured in the button's own
// font, on a phone and on a tablet: the label's steps, the astronomical
// periods and the clock's own rate.
TEST(TimeFlow, EveryUnitsTitleFitsItsButtonOnAPhoneAndATablet) {
  const int units[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 30, 40, 50, 100};
  for (bool tablet : {false, true}) {
    SCOPED_TRACE(tablet ? "tablet" : "phone");
    app_test::SessionOptions options;
    options.tablet = tablet;
    AppSession session(options);
    session.run(1.0);
    ChartScreenController& screen = session.screen();
    screen.showTimeFlow(true);
    session.run(1.0);
    ui::Button& button = *screen.views().timeFlowUnitsBtn;
    const double room = button.bounds().width() - button.contentEdgeInsets.left - button.contentEdgeInsets.right;
    int measured = 0;
    for (int unit : units) {
      screen.timeFlowUnitsChanged(unit);
      const std::string title = button.titleForState(ui::kControlStateNormal);
      SCOPED_TRACE(title);
      ASSERT_FALSE(title.empty());
      const double width = std::ceil(cg::textSize(title, button.titleLabel().font()->cgFont()).width);
      EXPECT_LE(width, room) << "cut by " << width - room << " points";
      button.layoutIfNeeded();
      EXPECT_GE(button.titleLabel().frame().width(), width);
      ++measured;
    }
    EXPECT_EQ(measured, int(std::size(units)));
  }
}

}  // namespace
