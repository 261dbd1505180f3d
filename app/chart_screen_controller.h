// The chart screen's controller: the live chart with the status line, the
// scrolling toolbar, the head-up labels, the zoom, fly and camera buttons
// and the time-flow panel, all from the screen definition "ChartView". It
// owns the settings model, switches perspectives, keeps the selection and
// the status line, and presents the other screens. Its other jobs live in
// files of their own: head-up display (chart_hud.cpp), time flow
// (time_flow.cpp), device motion and the stereo mode (chart_motion.cpp),
// layout and colours (chart_layout.cpp), the camera button
// (chart_camera.cpp).
//
// Thread rules: main thread only.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/camera_overlay.h"
#include "app/chart_surface_view.h"
#include "platform/devices/motion.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/gesture.h"
#include "platform/uikit/scroll_view.h"
#include "skydata/sky_object_id.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/shell.h"

class ChartViewToolbar;
class StatusBar;
class VoiceControl;

// Scroll positions of the built-in object lists kept by index.
inline constexpr int kSubSearchScrollPoints = 40;

class ChartScreenController : public ChartViewController,
                              private ui::ScrollViewDelegate,
                              private CameraOverlayDelegate,
                              private CameraFade {
 public:
  ChartScreenController();
  ~ChartScreenController() override;
  // Outlets of the screen definition.
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  void loadView() override;

  // ---- The shell's seam ----
  Settings* settings() override { return settings_.get(); }
  CSkyChart* pSkyChart() override { return chartView_ ? chartView_->pSkyChart() : nullptr; }
  ChartView* chartView() override { return chartView_.get(); }
  ui::ViewController* settingsViewController() override { return settingsViewController_.get(); }
  void realTimeChanged() override;
  void showTimeFlow(bool shown) override;
  void setChartPerspective(int perspective) override;
  void timeDateChanged() override;
  void locationChanged() override;
  void updateHUD() override;
  TimeFlowUnitLabel* timeFlowTimeLabel() override;
  void adjustTimeFlowBtns() override;
  void showStatusObjectInfo() override;
  void startZoom(ui::View* sender) override;
  void stopZoom(ui::View* sender) override;
  void selectObject(const SkyObjectID& id) override;
  void updateSelectedObject() override;
  void timeForward() override;
  void timeBackward() override;
  void timeStop() override;
  void timeNow() override;
  void timeFlowUnitsChanged(int unit) override;
  ui::Button* perspectiveButton(int perspective) override;
  ui::Button* centerButton() override { return views_.centerButton.get(); }
  ui::Button* infoButton() override { return views_.infoButton.get(); }

  ChartSurfaceView* surface() const { return chartView_.get(); }
  // Stops the screen's timers, the camera and the chart view's timers, and
  // lets go of the chart. The application calls it as it ends, before the
  // catalogues the chart reads go: a screen still closing keeps this
  // controller in its animation beyond the window.
  void prepareForDealloc();

  // ---- Life cycle ----
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidLayoutSubviews() override;
  void willAnimateRotationToInterfaceOrientation(int orientation, double duration) override;
  void didReceiveMemoryWarning() override;
  unsigned supportedInterfaceOrientations() const override;
  // The perspective the chart takes back when the screen reappears; -1 none.
  int oldPerspective() const { return oldPerspective_; }
  void setOldPerspective(int perspective) override { oldPerspective_ = perspective; }

  // ---- Selection and screens (chart_screen_controller.cpp) ----
  void showPerspective(ui::Object* sender);
  void centerSelectedObject(bool animated) override;
  void centerObject(const SkyObjectID& id, bool animate);
  void hideSelectedObjectLabel();
  // Seams of the screens built elsewhere: each presents nothing until its
  // screen is installed with setScreenMaker.
  void showSearch();
  void showObjectInfo();
  void showSettings();
  void showHelp();
  void showMirrowen();
  // The quick start of a version's first launch (not animated).
  void showQuickStart();
  using ScreenMaker = std::function<std::shared_ptr<ui::ViewController>(ChartScreenController&)>;
  enum class Screen { search, objectInfo, settings, help, mirrowen, quickStart };
  static void setScreenMaker(Screen screen, ScreenMaker maker);
  void toggleNightVision();
  bool doingLiveAdjust() const { return doingLiveAdjust_; }
  void setDoingLiveAdjust(bool adjusting) override;
  ui::Point lastSearchScrollPoint() const override { return lastSearchScrollPoint_; }
  void setLastSearchScrollPoint(ui::Point point) override { lastSearchScrollPoint_ = point; }
  // (0, 0) unless 0 <= index < 40 and type 0.
  ui::Point lastSubSearchScrollPoint(long index, int type) const override;
  void setLastSubSearchScrollPoint(ui::Point point, long index, int type) override;

  // ---- Head-up display (chart_hud.cpp) ----
  void centerCoordsChanged();
  void fovChanged();
  void updateOrbitModePositionInfo();
  void displayCoordSystemChanged() { updateHUD(); }
  // Both head-up labels empty.
  void clearHUD();
  void setHUDColor(const ui::Color& color);

  // ---- Time flow (time_flow.cpp) ----
  void timeFlowBtnUp(ui::Object* sender);
  void timeFlowStart();
  void timeFlowStop();
  void flowTime();
  void timeFlowStarted();
  void timeFlowStopped();
  void setDefaultTimeStepForSelectedObject();
  void timeFlowAmtChanged();
  void toggleTimeFlowView(bool withSound);
  void updateTimeFlowTimeStr();
  // The underline moves from the time label to the units button.
  void showTimeFlowUnitsView();
  // The units button: the next of the steps the time label does not offer
  // (the astronomical periods, then the clock's own rate).
  void timeFlowUnitsBtnUp();
  // The first word of the units button's title (the step's count); "" when
  // it has none.
  std::string timeFlowMultiplierStr() const;
  int timeFlowSign = 0;
  bool isTimeFlowing() const { return timeFlowTimer_ != nullptr; }
  int currentTimeFlowIndex() const { return settings_->timeFlowIndex(); }
  float currentTimeFlowMultiplier() const { return settings_->timeFlowMultiplier(); }
  const std::string& lastDateTimeFmt() const { return lastDateTimeFmt_; }

  // ---- Motion and the stereo mode (chart_motion.cpp) ----
  static bool compassOrGyroOn();
  // "Stop" while motion is on, else "Motion", in the tint.
  void setMotionButtonImage();
  void toggleCompass();
  void startCompassOrGyro();
  void stopCompassOrGyro();
  void readMotion();
  void setDisplayCenter(double lon, double lat);
  void setDisplayCenter(double lon, double lat, double rotation);
  static double minAzimuthDifference(double a, double b);
  void startVirtualReality();
  void stopVirtualReality();
  bool inVirtualReality() const { return inVirtualReality_; }
  // The stereo mode's voice recogniser, made on first use (null before).
  VoiceControl* voiceControlMgr() const { return voiceControlMgr_.get(); }
  double lastFacingUpTime() const { return lastFacingUpTime_; }
  void setLastFacingUpTime(double seconds) { lastFacingUpTime_ = seconds; }

  // ---- Layout and colours (chart_layout.cpp) ----
  void layoutForCurrentOrientation();
  void layoutForOrientation(int orientation);
  void positionBottomButtons();
  void positionTimeFlowView();
  void layoutToolbarIcons();
  void adjustToolbar();
  void adjustColorScheme();
  void setToolbarIconsColor();
  void setToolbarLabelsColor();
  // Buttons the toolbar strip shows at a width.
  static int toolbarButtonsShown(double width);

  // ---- Camera (chart_camera.cpp) ----
  // The Camera button: the overlay is made on first use.
  void cameraToggled();
  void cameraStartSession();
  // Nothing unless the camera runs.
  void cameraStopSession();
  bool cameraRunning() const { return camera_ && camera_->isRunning(); }
  CameraOverlay* camera() const { return camera_.get(); }

  // The views of the screen (null until loaded).
  struct Views {
    std::shared_ptr<StatusBar> statusBar;
    std::shared_ptr<ui::Label> locationLabel, timeDateLabel, selectedObjectLabel;
    std::shared_ptr<ui::View> statusBarSeparator;
    std::shared_ptr<ui::ScrollView> toolbarScrollView;
    std::shared_ptr<ChartViewToolbar> toolbar;
    std::shared_ptr<ui::ImageView> leftMoreView, rightMoreView;
    std::shared_ptr<ui::Button> skyPerspectiveButton, orbitPerspectiveButton, satellitePerspectiveButton,
        groundPerspectiveButton, motionButton, centerButton, searchButton, infoButton, settingsButton, timeButton,
        nightVisionButton, helpButton;
    std::shared_ptr<ui::Label> centerCoordsLabel, fovLabel, fpsLabel;
    std::shared_ptr<ui::Button> zoomInButton, zoomOutButton, flyInButton, flyOutButton, cameraButton;
    std::shared_ptr<ui::View> timeFlowView, timeFlowSeparator, timeFlowHorizSeparator;
    std::shared_ptr<ui::Button> timeForwardsBtn, timeBackwardsBtn, timeStepForwardsBtn, timeStepBackwardsBtn,
        timeNowBtn, timeFlowUnitsBtn;
    std::shared_ptr<ui::Label> timeFlowTimeLabel;
  };
  const Views& views() const { return views_; }

 private:
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void setPerspectiveControlsHidden(int perspective);
  // Auto stereo on and the device on its side: the stereo mode's layout.
  bool stereoOrientation() const;
  // The labels, zoom and fly buttons and status-line place of a perspective.
  void showHeadUpDisplayOf(int perspective);
  void presentScreen(Screen screen, ui::Button* anchor, ui::Size tabletSize);
  void applyStatusLabelsAlpha(double locationAlpha);
  void attachZoomRecognizers();
  void hideViewAnimationFinished(ui::View* view);

  std::shared_ptr<ChartSurfaceView> chartView_;
  std::unique_ptr<Settings> settings_;
  std::shared_ptr<ui::ViewController> settingsViewController_;
  Views views_;
  bool doingLiveAdjust_ = false;
  int oldPerspective_ = -1;
  // The perspective the head-up display and the status line were last made
  // for (0 before the first).
  int headUpPerspective_ = 0;
  ui::Point lastSearchScrollPoint_{};
  std::array<ui::Point, kSubSearchScrollPoints> subSearchScrollPoints_{};

  std::shared_ptr<ns::Timer> timeFlowTimer_;
  std::optional<double> timeUIChangedLast_;
  std::string lastDateTimeFmt_;

  bool inVirtualReality_ = false;
  std::unique_ptr<VoiceControl> voiceControlMgr_;
  // Where spoken object searches leave what they find.
  std::vector<SkyObjectID> voiceSearchResults_;
  std::optional<dev::Attitude> referenceAttitude_;
  double referenceLon_ = 0, referenceLat_ = 0, initialChartLon_ = 0, initialChartLat_ = 0;
  double lastFacingUpTime_ = 0;

  // The camera's picture and fade (the delegate's side: chart_camera.cpp).
  void cameraSetupFinished(CameraSetupResult result) override;
  void cameraSessionStarted() override;
  void cameraSessionStopping() override;
  bool buildHorizonFadeGrid(int columns, int rows) override;
  float cameraPixelAlpha(float x, float y, float red, float green, float blue) override;
  std::unique_ptr<CameraOverlay> camera_;
  std::shared_ptr<ui::PanGestureRecognizer> panRecognizer_;
};
