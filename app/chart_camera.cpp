// The chart screen's side of the camera overlay: the Camera button, the
// gnomonic projection and the swipe recogniser while the camera runs, and
// the release of the picture when it stops.
#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "chart/sky_chart.h"

void ChartScreenController::cameraToggled() {
  if (cameraRunning_) cameraStopSession();
  else cameraStartSession();
}

void ChartScreenController::cameraStartSession() {
  CSkyChart* chart = pSkyChart();
  if (cameraRunning_ || chart == nullptr) return;
  cameraRunning_ = true;
  chart->setDisplayProjection(kProjectionGnomonic);
  if (!panRecognizer_) {
    panRecognizer_ = std::make_shared<ui::PanGestureRecognizer>();
    std::weak_ptr<ChartSurfaceView> view = chartView_;
    panRecognizer_->addAction([view](ui::GestureRecognizer& recognizer) {
      auto& pan = static_cast<ui::PanGestureRecognizer&>(recognizer);
      if (auto chart = view.lock()) chart->handlePanGesture(pan.state(), pan.translationInView(chart.get()));
    });
  }
  chartView_->addGestureRecognizer(panRecognizer_);
  chartView_->cameraChartAzmOffset = 0;
  if (views_.timeFlowView && views_.timeFlowView->superview()) showTimeFlow(false);
  chartView_->stopPulseTimer();
  for (ui::Button* button : {views_.zoomInButton.get(), views_.zoomOutButton.get()})
    if (button) button->setHidden(true);
  if (ApplicationShell* shell = ApplicationShell::shell())
    shell->showMessage("Swipe up-down to adjust blending.  Swipe left-right to adjust position.", 2);
}

void ChartScreenController::cameraStopSession() {
  CSkyChart* chart = pSkyChart();
  if (!cameraRunning_ || chart == nullptr) return;
  cameraRunning_ = false;
  // The projection changes here, on the main thread, never on a camera
  // queue while a frame is being drawn.
  chart->setDisplayProjection(kProjectionStereographic);
  if (panRecognizer_) chartView_->removeGestureRecognizer(panRecognizer_.get());
  chartView_->cameraChartAzmOffset = 0;
  chartView_->startPulseTimer();
  for (ui::Button* button : {views_.zoomInButton.get(), views_.zoomOutButton.get()})
    if (button) button->setHidden(false);
  chartView_->setNeedsDisplay();
}
