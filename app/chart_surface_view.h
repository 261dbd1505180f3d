// The chart view: the view of the chart screen that owns the one CSkyChart
// and its GL drawing surface, draws a frame on demand through its display
// link (requests within one refresh give one frame), configures the chart
// for each perspective from the settings model (chart_perspective.cpp),
// and moves the chart by touch, zoom, momentum, the pan-to-object
// animation and the real-time clock (chart_view_touch.cpp,
// chart_view_motion.cpp). The transparent selection marker view on top of
// it draws the pulsing marker.
//
// Thread rules: main thread only, except the view's lock (chartLock()),
// which drawing holds and which the camera frames take on their queue, and
// requestChartRedraw(), which any thread may call: the request is posted
// to the main run loop.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "gles/context/eagl.h"
#include "platform/coregraphics/image.h"
#include "platform/host/wheel.h"
#include "platform/quartzcore/display_link.h"
#include "skydata/sky_object_id.h"
#include "ui/foundation/shell.h"

class ChartScreenController;
class ChartSurfaceView;

class SelectionMarkerView : public ui::View {
 public:
  explicit SelectionMarkerView(const ui::Rect& frame);
  std::string className() const override { return "SelectionMarkerView"; }
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
  ChartSurfaceView* chartView = nullptr;
};

// Pixels per point of the chart's drawing surface.
double chartSurfaceScale();

// The nearest the observer comes to a body it has as home, in the body's
// radii: the fly-in's limit and the floor of a stored distance.
inline constexpr double kNearestHomeRadii = 1.1;

class ChartSurfaceView : public ChartView, public host::WheelZoomTarget {
 public:
  ChartSurfaceView();
  ~ChartSurfaceView() override;
  std::string className() const override { return "ChartView"; }

  // ---- The shell's seam ----
  void startRealTimeTimer() override;
  void stopRealTimeTimer() override;
  void highlightSatellites(bool on) override;
  void setNeedsDisplay() override;
  void drawImmediately() override;

  // ---- Surface and frames (chart_surface_view.cpp) ----
  void layoutSubviews() override;
  void setFrame(const ui::Rect& frame) override;
  CSkyChart* pSkyChart() const { return skyChart_.get(); }
  // The lock drawing holds; camera frames take it on their queue (they read
  // the chart's projection and camera opacity), so the main thread's
  // changes of those while the camera runs hold it too (motion readings,
  // the real-time clock, time flow, the camera swipes).
  std::recursive_mutex& chartLock() { return chartLock_; }
  bool readyToDraw() const { return readyToDraw_; }
  bool drawingDisabled() const { return drawingDisabled_; }
  void setDrawingDisabled(bool disabled) override { drawingDisabled_ = disabled; }
  // Frames drawn so far (tests and the benchmark).
  long framesDrawn() const { return framesDrawn_; }
  ca::DisplayLink* displayLink() const { return displayLink_.get(); }
  void displayLinkCalled();
  void didReceiveMemoryWarning();
  // The whole chart screen, and the GL frame alone.
  std::shared_ptr<cg::Image> snapshot() const override;
  std::shared_ptr<cg::Image> snapshotOfSkyChart();
  // Stops every timer and the display link (before the view goes).
  void prepareForDealloc();
  // Destroys the chart (before the catalogues it reads go).
  void deleteSkyChart();
  ChartScreenController* chartViewController = nullptr;

  // ---- Perspectives (chart_perspective.cpp) ----
  int chartPerspective() const override { return chartPerspective_; }
  void setChartPerspective(int perspective) override;

  // ---- Touch (chart_view_touch.cpp) ----
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesMoved(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;
  void selectObject();
  bool dragEnabled() const { return dragEnabled_; }
  void enableDrag(bool on) { dragEnabled_ = on; }
  bool zoomEnabled() const { return zoomEnabled_; }
  void enableZoom(bool on) override { zoomEnabled_ = on; }
  // The desktop's wheel (chart_view_wheel.cpp): a pinch's zoom that keeps
  // the sky under the pointer.
  void zoomAboutPoint(ui::Point at, double magnification) override;

  // ---- Zoom, momentum, animations, pulse, real time (chart_view_motion.cpp) ----
  void startZoom(int sign);
  void stopZoom();
  void startZoomTimer();
  void stopZoomTimer();
  void zoomChart();
  void zoomIn() override;
  void zoomOut() override;
  void zoomStop() override;
  // A vertical drag: upwards zooms in one step, downwards out.
  void handleZoomGesture(double verticalTranslation);
  int zoomSign() const { return zoomSign_; }
  bool zoomTimerRunning() const { return zoomTimer_ != nullptr; }
  void startMomentumTimer();
  void stopMomentumTimer();
  void showMomentum();
  bool momentumRunning() const { return momentumTimer_ != nullptr; }
  bool startPanToSelectedObject(const SkyObjectID& home, bool animate);
  void panToSelectedObject();
  void stopPanToSelectedObject(bool finished);
  bool panRunning() const { return panTimer_ != nullptr; }
  double panLength() const { return panLength_; }
  void startPulseTimer();
  void stopPulseTimer();
  void pulseSelectionMarker();
  bool realTimeRunning() const { return realTimeTimer_ != nullptr; }
  void realTime();
  // The camera-overlay gesture: a one-finger pan turns (x) and fades (y).
  void handlePanGesture(ui::GestureState state, ui::Point translation);
  double cameraChartAzmOffset = 0;

  SelectionMarkerView* selectionView() const { return selectionView_.get(); }

 private:
  void commonInit();
  void createSkyChart();
  void createFrameBuffer();
  void deleteFramebuffer();
  void setupView();
  void flushBuffers();
  void updateLayerGeometry();
  void applySharedOptions(int perspective);
  void applyPerspectiveOptions(int perspective);
  void applySpaceHome(int perspective);
  void dragTo(ui::Point point, double timestamp);
  void pinch(ui::Point p0, ui::Point p1);
  // A field of view (radians) within the limits a pinch keeps to.
  double pinchedField(double field) const;
  bool inSpaceView() const;

  std::unique_ptr<CSkyChart> skyChart_;
  std::recursive_mutex chartLock_;
  int chartPerspective_ = 0;
  bool readyToDraw_ = false, drawingDisabled_ = false;
  bool shaderReady_ = false;
  unsigned viewFramebuffer_ = 0, viewRenderbuffer_ = 0, depthRenderbuffer_ = 0;
  int backingWidth_ = 0, backingHeight_ = 0;
  float scaleFactor_ = 1;
  long framesDrawn_ = 0;
  std::shared_ptr<ca::DisplayLink> displayLink_;
  std::shared_ptr<SelectionMarkerView> selectionView_;

  // Touch.
  bool dragEnabled_ = true, zoomEnabled_ = true;
  bool singleTap_ = false, noSelect_ = false;
  std::size_t touchCount_ = 0;
  ui::Point initialTouchPoint_, oldTouchPoint1_, oldTouchPoint2_;
  ui::Point oldTouchPoints_[3];
  double lastEventTimeStamp_ = 0;
  float deltaLonPerSec_ = 0, deltaLatPerSec_ = 0;

  // Timers.
  std::shared_ptr<ns::Timer> momentumTimer_, zoomTimer_, panTimer_, pulseTimer_, realTimeTimer_;
  double lastMomentumTime_ = 0;
  int zoomSign_ = 0;
  float pulseTime_ = 0;

  // Pan animation.
  double panStart_ = 0, panLength_ = 0;
  double panStartLon_ = 0, panStartLat_ = 0, panDeltaLon_ = 0, panDeltaLat_ = 0;
  double panStartHome_[3] = {}, panDeltaHome_[3] = {};  // longitude, latitude, distance (AU)
  SkyObjectID panHomeObjectID_;

  // Camera gesture.
  double lastCameraChartAzmOffset_ = 0, lastCameraOpacity_ = 0;
};
