// Time flow on the manual clock: each tick moves the chart's date by one
// step; the panel's buttons start, reverse, step and stop it; real time
// refreshes its texts at most once a second.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/hud_text.h"
#include "app/selectable_time_label.h"
#include "chart/sky_chart.h"
#include "engine/clock.h"
#include "platform/uikit/application.h"
#include "tests/app/app_session.h"

namespace {

using app_test::AppSession;

constexpr double kSecondDays = 1.0 / 86400;

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
  const int n = f.ticks(250);
  EXPECT_EQ(n, 250);
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
  f.ticks(200);  // two seconds
  EXPECT_NEAR(f.settings.julianDate() - start, 2 * 60 * kSecondDays, 1e-8);
  f.settings.setTimeFlowIndex(5);
  f.screen.adjustTimeFlowBtns();
  EXPECT_TRUE(f.v().timeStepForwardsBtn->isEnabled());
}

TEST(TimeFlow, NowReturnsToRealTime) {
  FlowSession f;
  f.settings.setTimeFlowIndex(3);
  f.settings.setTimeFlowMultiplier(1);
  f.press(f.v().timeForwardsBtn);
  f.ticks(50);
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
  ui::Label& label = *f.v().timeDateLabel;
  std::string last = label.text();
  int changes = 0;
  for (int i = 0; i < 400; ++i) {  // four seconds of real-time ticks
    f.session.clock().advance(0.01);
    ns::RunLoop::main().runOnce();
    if (label.text() != last) ++changes, last = label.text();
  }
  EXPECT_GE(changes, 3);
  EXPECT_LE(changes, 4);
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

}  // namespace
