// The chart screen's side of the camera overlay: the Camera button, the
// gnomonic projection and the swipe recogniser while the camera runs, the
// chart's horizon fade for the frames, and the picture handed to the
// chart renderer.
#include <cmath>
#include <cstdio>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "chart/sky_chart.h"
#include "skydata/app_bridge.h"

void ChartScreenController::cameraToggled() {
  if (!camera_) {
    if (!chartView_) return;
    CameraFade& fade = *this;
    CameraOverlayDelegate& delegate = *this;
    camera_ = std::make_unique<CameraOverlay>(chartView_->chartLock(), fade, delegate);
    // The renderer reads the picture while it draws, under the same lock.
    CameraOverlay* camera = camera_.get();
    setCameraImageSource([camera] {
      const std::uint8_t* data = camera->imageData();
      if (data == nullptr) return CameraImage{};
      return CameraImage{std::trunc(camera->imageFoV()), std::int32_t(camera->imageWidth()),
                         std::int32_t(camera->imageHeight()), data};
    });
  }
  camera_->cameraToggled();
}

void ChartScreenController::cameraStartSession() {
  if (camera_) camera_->cameraStartSession();
}

void ChartScreenController::cameraStopSession() {
  if (camera_) camera_->cameraStopSession();
}

void ChartScreenController::cameraSetupFinished(CameraSetupResult result) {
  if (result == CameraSetupResult::notAuthorized) std::fprintf(stderr, "Camera access was not granted\n");
  else if (result == CameraSetupResult::configurationFailed) std::fprintf(stderr, "The camera could not be set up\n");
}

void ChartScreenController::cameraSessionStarted() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr) return;
  {
    // Frames build the horizon fade from the projection on the capture
    // queue, holding this lock.
    std::lock_guard<std::recursive_mutex> lock(chartView_->chartLock());
    chart->setDisplayProjection(kProjectionGnomonic);
  }
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

void ChartScreenController::cameraSessionStopping() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr) return;
  {
    // The projection changes here, on the main thread, never on a camera
    // queue; frames still being processed read it under this lock.
    std::lock_guard<std::recursive_mutex> lock(chartView_->chartLock());
    chart->setDisplayProjection(kProjectionStereographic);
  }
  if (panRecognizer_) chartView_->removeGestureRecognizer(panRecognizer_.get());
  chartView_->cameraChartAzmOffset = 0;
  chartView_->startPulseTimer();
  for (ui::Button* button : {views_.zoomInButton.get(), views_.zoomOutButton.get()})
    if (button) button->setHidden(false);
  chartView_->setNeedsDisplay();
}

// On the capture queue, holding the chart view's lock (the chart is not
// drawn meanwhile).
bool ChartScreenController::buildHorizonFadeGrid(int columns, int rows) {
  CSkyChart* chart = pSkyChart();
  return chart != nullptr && chart->buildHorizonFadeGrid(columns, rows);
}

float ChartScreenController::cameraPixelAlpha(float x, float y, float red, float green, float blue) {
  CSkyChart* chart = pSkyChart();
  return chart != nullptr ? chart->cameraPixelAlpha(x, y, red, green, blue) : 255.0f;
}
