// Time flow: the panel's buttons, the 0.01 s timer that moves the chart's
// date by one step a tick, and the panel's date and time label.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "app/hud_text.h"
#include "app/selectable_time_label.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "platform/coregraphics/text.h"
#include "platform/uikit/font.h"
#include "skydata/planet.h"
#include "ui/foundation/small_views.h"
#include "ui/foundation/settings_model.h"

namespace {

constexpr double kTickSeconds = 0.01;
constexpr double kCentreAtOnceField = 5 * kRadiansPerDegree;
constexpr int kRealTimeUnit = 100;
constexpr int kMinuteUnit = 4, kSecondUnit = 5;
constexpr double kPanelFadeSeconds = 0.5;
// Steps the time label's digit groups choose (year to second and the tens
// of hours, minutes and seconds); the units button offers the others.
bool labelOffersUnit(int unit) { return (unit >= 0 && unit <= 5) || unit == 30 || unit == 40 || unit == 50; }
constexpr int kButtonUnits[] = {6, 7, 8, 9, 10, 11, 12, kRealTimeUnit};

struct UnitName {
  int code;
  int count;  // steps of the named unit in one of this code
  const char* name;
};
// Short enough for the units button at a count of 1 or 10 (the panel
// keeps the date centred, so the button cannot grow).
constexpr UnitName kUnitNames[] = {
    {0, 1, "yr"},       {1, 1, "mo"},        {2, 1, "day"},       {3, 1, "hr"},        {4, 1, "min"},
    {5, 1, "sec"},      {6, 1, "sid. day"},  {7, 1, "sid. mo"},   {8, 1, "syn. mo"},   {9, 1, "lun. yr"},
    {10, 1, "Jul. yr"}, {11, 1, "sid. yr"},  {12, 1, "saros"},    {30, 10, "hr"},      {40, 10, "min"},
    {50, 10, "sec"},
};

// Formats of the chart's clock that the label widens to show seconds.
constexpr const char* kShortTwelveHour = "%I:%M %p";
constexpr const char* kShortTwentyFourHour = "%H:%M";

void play(const char* sound) {
  if (ApplicationShell* shell = ApplicationShell::shell()) shell->playSound(sound, 1.0f);
}

}  // namespace

// The time label's format: the date and (always with seconds) the time,
// two blanks apart. Each part keeps at most 255 characters, so the joined
// format never outgrows its 512.
std::string timeFlowLabelFormat(const char* dateFormat, const char* timeFormat) {
  std::string time(timeFormat, strnlen(timeFormat, 255));
  if (time == kShortTwelveHour) time = "%I:%M:%S %p";
  else if (time == kShortTwentyFourHour) time = "%H:%M:%S";
  return std::string(dateFormat, strnlen(dateFormat, 255)) + "  " + time;
}

std::string timeFlowUnitsTitle(int unit, float multiplier) {
  char text[64];
  if (unit == kRealTimeUnit) {
    std::snprintf(text, sizeof text, "%g x clock", double(multiplier));
    return text;
  }
  for (const UnitName& u : kUnitNames)
    if (u.code == unit) {
      std::snprintf(text, sizeof text, "%g %s", double(multiplier) * u.count, u.name);
      return text;
    }
  return "";  // a unit the settings file made up: time stands still
}

void ChartScreenController::timeFlowBtnUp(ui::Object* sender) {
  if (!settings_) return;
  settings_->setRealTime(false);
  const Views& v = views_;
  if (sender != nullptr && sender == v.timeForwardsBtn.get()) {
    if (timeFlowSign > 0) {
      timeFlowSign = 0;
      timeFlowStop();
    } else {
      timeFlowSign = 1;
      play("TimeRunForward.caf");
      timeFlowStart();
    }
  } else if (sender != nullptr && sender == v.timeBackwardsBtn.get()) {
    if (timeFlowSign < 0) {
      timeFlowSign = 0;
      timeFlowStop();
    } else {
      timeFlowSign = -1;
      play("TimeRunBackward.caf");
      timeFlowStart();
    }
  } else if (sender != nullptr && sender == v.timeStepForwardsBtn.get()) {
    play("TimeStepForward.caf");
    timeFlowSign = 1;
    flowTime();
    timeFlowSign = 0;
  } else if (sender != nullptr && sender == v.timeStepBackwardsBtn.get()) {
    play("TimeStepBackward.caf");
    timeFlowSign = -1;
    flowTime();
    timeFlowSign = 0;
  } else if (sender != nullptr && sender == v.timeNowBtn.get()) {
    timeFlowSign = 0;
    timeFlowStop();
    settings_->setRealTime(true);
  }
  adjustTimeFlowBtns();
}

void ChartScreenController::timeFlowStart() {
  if (timeFlowTimer_) return;
  timeFlowTimer_ = ns::RunLoop::main().scheduleTimer(kTickSeconds, true, [this](ns::Timer&) { flowTime(); });
  if (ChartViewController::currentController() && chartView_) timeFlowStarted();
}

void ChartScreenController::flowTime() {
  if (!settings_ || !chartView_) return;
  std::lock_guard<std::recursive_mutex> lock(chartView_->chartLock());
  settings_->setJulianDate(std::fma(double(timeFlowSign), settings_->timeFlowAmt(), settings_->julianDate()));
  if (CSkyChart* chart = pSkyChart()) chart->updateNeeded = true;
  timeDateChanged();
}

void ChartScreenController::timeFlowStop() {
  if (!timeFlowTimer_) return;
  timeFlowTimer_->invalidate();
  timeFlowTimer_.reset();
  if (ChartViewController::currentController()) timeFlowStopped();
}

void ChartScreenController::timeFlowStarted() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr) return;
  if (chart->selectionScreenPosition[2] >= 0 && chart->getDisplayFOV() < kCentreAtOnceField)
    centerObject(chart->selectedObjectID, false);
  chartView_->stopPulseTimer();
  chart->markerVisible = false;
}

void ChartScreenController::timeFlowStopped() {
  if (!chartView_) return;
  chartView_->startPulseTimer();
  if (CSkyChart* chart = pSkyChart()) chart->markerVisible = true;
  chartView_->drawImmediately();
}

void ChartScreenController::timeForward() {
  settings_->setRealTime(false);
  chartView_->stopRealTimeTimer();
  timeFlowSign = 1;
  setDefaultTimeStepForSelectedObject();
  timeFlowStart();
}

void ChartScreenController::timeBackward() {
  settings_->setRealTime(false);
  chartView_->stopRealTimeTimer();
  timeFlowSign = -1;
  setDefaultTimeStepForSelectedObject();
  timeFlowStart();
}

void ChartScreenController::timeNow() {
  timeFlowSign = 0;
  timeFlowStop();
  settings_->setRealTime(true);
  chartView_->startRealTimeTimer();
}

void ChartScreenController::timeStop() {
  timeFlowSign = 0;
  timeFlowStop();
  settings_->setRealTime(false);
  chartView_->stopRealTimeTimer();
}

void ChartScreenController::setDefaultTimeStepForSelectedObject() {
  CSkyChart* chart = pSkyChart();
  const auto* body = chart ? dynamic_cast<const CPlanet*>(chart->selectedObject) : nullptr;
  if (body == nullptr) return;
  settings_->setTimeFlowIndex(body->getOrbitalPeriod() * 1440 > 225 ? kMinuteUnit : kSecondUnit);
}

void ChartScreenController::timeFlowAmtChanged() {
  if (!settings_) return;
  adjustTimeFlowBtns();
  // The selected object's time-flow path is drawn at the step time moves
  // by. The clock's own rate has no step before it runs, and asking for one
  // would start its clock: its first tick must move nothing.
  CSkyChart* chart = pSkyChart();
  if (chart != nullptr && settings_->timeFlowIndex() != kRealTimeUnit) chart->setTimeFlowStep(settings_->timeFlowAmt());
  if (chartView_) chartView_->setNeedsDisplay();
  if (TimeFlowUnitLabel* label = timeFlowTimeLabel()) label->setSelectedTimeUnit(settings_->timeFlowIndex());
}

void ChartScreenController::showTimeFlowUnitsView() {
  if (auto* label = dynamic_cast<SelectableTimeLabel*>(views_.timeFlowTimeLabel.get())) label->setDrawUnderline(false);
  if (auto* button = dynamic_cast<UnderlinedButton*>(views_.timeFlowUnitsBtn.get())) button->setDrawUnderline(true);
}

void ChartScreenController::timeFlowUnitsBtnUp() {
  if (!settings_) return;
  const int* const end = std::end(kButtonUnits);
  const int* current = std::find(std::begin(kButtonUnits), end, settings_->timeFlowIndex());
  // From a unit of the label the button starts at its first unit.
  const int next = current == end || current + 1 == end ? kButtonUnits[0] : current[1];
  timeFlowUnitsChanged(next);
}

std::string ChartScreenController::timeFlowMultiplierStr() const {
  const std::string title = views_.timeFlowUnitsBtn ? views_.timeFlowUnitsBtn->titleForState(ui::kControlStateNormal) : std::string();
  const std::size_t start = title.find_first_not_of(' ');
  if (start == std::string::npos) return "";
  return title.substr(start, title.find(' ', start) - start);
}

void ChartScreenController::timeFlowUnitsChanged(int unit) {
  settings_->setTimeFlowIndex(unit);
  timeFlowAmtChanged();
}

void ChartScreenController::adjustTimeFlowBtns() {
  const Views& v = views_;
  if (v.timeBackwardsBtn) v.timeBackwardsBtn->setSelected(timeFlowSign < 0);
  if (v.timeForwardsBtn) v.timeForwardsBtn->setSelected(timeFlowSign > 0);
  const bool stepping = settings_ && settings_->timeFlowIndex() != kRealTimeUnit;
  for (ui::Button* step : {v.timeStepForwardsBtn.get(), v.timeStepBackwardsBtn.get()})
    if (step) step->setEnabled(stepping);
  if (!settings_) return;
  // The underline marks where the step was chosen: the label's digit group
  // or the units button; the button always names the step.
  const int unit = settings_->timeFlowIndex();
  if (labelOffersUnit(unit)) {
    if (auto* label = dynamic_cast<SelectableTimeLabel*>(v.timeFlowTimeLabel.get())) label->setDrawUnderline(true);
    if (auto* button = dynamic_cast<UnderlinedButton*>(v.timeFlowUnitsBtn.get())) button->setDrawUnderline(false);
  } else {
    showTimeFlowUnitsView();
  }
  if (v.timeFlowUnitsBtn) v.timeFlowUnitsBtn->setTitle(timeFlowUnitsTitle(unit, settings_->timeFlowMultiplier()));
}

void ChartScreenController::realTimeChanged() {
  ui::Button* now = views_.timeNowBtn.get();
  if (now == nullptr || !settings_) return;
  const double size = now->titleLabel().font() ? now->titleLabel().font()->pointSize() : 17;
  now->titleLabel().setFont(settings_->realTime() ? ui::Font::boldSystemFont(size) : ui::Font::systemFont(size));
}

TimeFlowUnitLabel* ChartScreenController::timeFlowTimeLabel() {
  return dynamic_cast<TimeFlowUnitLabel*>(views_.timeFlowTimeLabel.get());
}

void ChartScreenController::toggleTimeFlowView(bool withSound) {
  const bool shown = views_.timeFlowView && views_.timeFlowView->superview() != nullptr;
  if (withSound) play(shown ? "MenuOut.caf" : "MenuIn.caf");
  showTimeFlow(!shown);
}

void ChartScreenController::showTimeFlow(bool shown) {
  ui::View* panel = views_.timeFlowView.get();
  if (panel == nullptr || !chartView_ || !settings_) return;
  if (shown) {
    updateTimeFlowTimeStr();
    positionTimeFlowView();
    panel->setAlpha(0);
    chartView_->addSubview(views_.timeFlowView);
    std::weak_ptr<ui::View> weak = views_.timeFlowView;
    ui::View::animate(kPanelFadeSeconds, [weak] {
      if (auto view = weak.lock()) view->setAlpha(1);
    });
    chartView_->setNeedsDisplay();
    settings_->setTimeFlowVisible(true);
    positionBottomButtons();
  } else {
    std::weak_ptr<ui::View> weak = views_.timeFlowView;
    std::weak_ptr<ui::Object> self = weak_from_this();
    ui::View::animate(kPanelFadeSeconds, [weak] {
      if (auto view = weak.lock()) view->setAlpha(0);
    }, [weak, self](bool) {
      auto view = weak.lock();
      auto screen = std::dynamic_pointer_cast<ChartScreenController>(self.lock());
      if (view && screen) screen->hideViewAnimationFinished(view.get());
    });
    settings_->setTimeFlowVisible(false);
  }
}

void ChartScreenController::hideViewAnimationFinished(ui::View* view) {
  // A panel shown again while it faded stays.
  if (view == views_.timeFlowView.get() && settings_ && settings_->timeFlowVisible()) return;
  view->removeFromSuperview();
  view->setAlpha(1);
  if (view == views_.timeFlowView.get()) positionBottomButtons();
}

void ChartScreenController::updateTimeFlowTimeStr() {
  CSkyChart* chart = pSkyChart();
  ui::Label* label = views_.timeFlowTimeLabel.get();
  if (chart == nullptr || label == nullptr || !views_.timeFlowView) return;
  const std::string format = timeFlowLabelFormat(chart->dateFormat, chart->timeFormat);
  char text[256] = {};
  chart->formatCurrentDate(text, sizeof text, format.c_str());
  if (format != lastDateTimeFmt_) {
    lastDateTimeFmt_ = format;
    const ui::Rect frame = label->frame();
    const double panel = views_.timeFlowView->frame().width();
    cg::TextLayoutOptions bounds;
    bounds.maxWidth = frame.width();
    bounds.maxHeight = frame.height();
    const double w = std::ceil(cg::textSize(text, label->font()->cgFont(), bounds).width);
    label->setFrame({panel - (frame.width() + (panel - w) / 2), frame.y(), frame.width(), frame.height()});
  }
  label->setText(text);
}
