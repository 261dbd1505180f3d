#include "ui/settings/live_adjust_view_controller.h"

#include "chart/sky_chart.h"
#include "platform/uikit/image.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"
#include "ui/settings/chart_screen.h"
#include "ui/settings/interface_screen.h"

namespace {

constexpr double kSliderHeight = 35;

// The chart view as a shared view, when something owns it that way.
std::shared_ptr<ui::View> sharedChartView() {
  ChartView* view = currentChartView();
  if (view == nullptr) return nullptr;
  return std::dynamic_pointer_cast<ui::View>(view->weak_from_this().lock());
}

void setChartViewport(const ui::Rect& frame) {
  if (CSkyChart* chart = currentChart()) chart->setViewport(0, 0, float(frame.width()), float(frame.height()));
}

}  // namespace

LiveAdjustViewController::LiveAdjustViewController() : SettingsSubviewController("LiveAdjustView") {}

bool LiveAdjustViewController::setValue(std::string_view key, const std::any& value) {
  if (key == "slider") return takeOutlet(slider, value);
  if (key == "label") return takeOutlet(label, value);
  if (key == "chartHolderView") return takeOutlet(chartHolderView, value);
  return SettingsSubviewController::setValue(key, value);
}

void LiveAdjustViewController::viewDidLoad() {
  SettingsSubviewController::viewDidLoad();
  if (slider) {
    slider->minimumValue = sliderMinInit;
    slider->maximumValue = sliderMaxInit;
    slider->setSliderValue(sliderValueInit);
    if (sliderTargetInit && !sliderActionInit.empty()) {
      slider->addTarget(sliderTargetInit, sliderActionInit, ui::kControlEventValueChanged);
      sliderTargetInit->performAction(sliderActionInit, slider.get());
    }
    ui::Rect frame = slider->frame();
    frame.size.height = kSliderHeight;
    slider->setFrame(frame);
    if (AppDelegate::isNightVision()) {
      const ui::Color red = ui::Color::rgba(0.75, 0, 0);
      slider->thumbTintColor = red;
      slider->minimumTrackTintColor = red;
      slider->maximumTrackTintColor = red;
    }
  }
  if (label) label->setTextColor(Utility::getHUDColor());
}

void LiveAdjustViewController::viewWillAppear(bool animated) {
  SettingsSubviewController::viewWillAppear(animated);
  std::shared_ptr<ui::View> chartView = sharedChartView();
  if (!chartView || !chartView->superview()) return;
  auto still = std::static_pointer_cast<ChartView>(chartView)->snapshot();
  snapShotView = std::make_shared<ui::ImageView>(chartView->frame());
  if (still) snapShotView->setImage(std::make_shared<ui::Image>(still, ui::Screen::main().scale()));
  chartView->superview()->insertSubview(snapShotView, 0);
  chartView->removeFromSuperview();
  borrowed_ = chartView;
}

void LiveAdjustViewController::viewDidAppear(bool animated) {
  SettingsSubviewController::viewDidAppear(animated);
  if (!borrowed_ || !chartHolderView) return;
  auto* chartView = static_cast<ChartView*>(borrowed_.get());
  oldChartFrame = chartView->frame();
  oldChartPerspective = chartView->chartPerspective();
  chartView->setChartPerspective(kSkyPerspective);
  const ui::Rect holder = chartHolderView->bounds();
  chartView->setFrame({0, 0, holder.width(), holder.height()});
  setChartViewport(holder);
  chartHolderView->insertSubview(borrowed_, 0);
  // The chart screen lets a borrowed view draw while it is covered, so it
  // hears of the borrowing before the first frame.
  if (ChartViewController* chartScreen = ChartViewController::currentController()) chartScreen->setDoingLiveAdjust(true);
  chartView->drawImmediately();
}

void LiveAdjustViewController::viewWillDisappear(bool animated) {
  SettingsSubviewController::viewWillDisappear(animated);
  restoreChartView();
}

void LiveAdjustViewController::restoreChartView() {
  if (!borrowed_ || !chartHolderView || borrowed_->superview() != chartHolderView.get()) return;
  auto* chartView = static_cast<ChartView*>(borrowed_.get());
  chartView->removeFromSuperview();
  chartView->setChartPerspective(oldChartPerspective);
  chartView->setFrame(oldChartFrame);
  setChartViewport(oldChartFrame);
  if (ChartViewController* chartScreen = ChartViewController::currentController()) chartScreen->setDoingLiveAdjust(false);
  chartView->enableZoom(true);
}

void LiveAdjustViewController::viewDidDisappear(bool animated) {
  SettingsSubviewController::viewDidDisappear(animated);
  ChartViewController* chartScreen = ChartViewController::currentController();
  if (borrowed_ && !borrowed_->superview() && chartScreen && chartScreen->isViewLoaded()) {
    static_cast<ChartView*>(borrowed_.get())->drawImmediately();
    chartScreen->view()->insertSubview(borrowed_, 0);
  }
  borrowed_.reset();
  if (snapShotView) snapShotView->removeFromSuperview();
  snapShotView.reset();
}

void LiveAdjustViewController::willAnimateRotationToInterfaceOrientation(int orientation, double duration) {
  SettingsSubviewController::willAnimateRotationToInterfaceOrientation(orientation, duration);
  redrawChart();
}
