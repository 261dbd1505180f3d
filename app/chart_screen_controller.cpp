#include "app/chart_screen_controller.h"
#include "ui/info/quick_start_view_controller.h"

#include <algorithm>
#include <map>

#include "app/application_shell.h"
#include "app/chart_view_toolbar.h"
#include "app/selectable_time_label.h"
#include "app/voice_control.h"
#include "chart/sky_chart.h"
#include "engine/angle_text.h"
#include "engine/sky_time.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/interface_loader.h"
#include "platform/uikit/navigation_item.h"
#include "skydata/app_bridge.h"
#include "skydata/settings.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object_model.h"
#include "ui/foundation/small_views.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/foundation/utility.h"
#include "ui/info/object_status_line.h"

namespace {

constexpr double kStatusSeconds = 4.0;
constexpr double kStatusFadeSeconds = 0.5;

std::map<ChartScreenController::Screen, ChartScreenController::ScreenMaker>& screenMakers() {
  static std::map<ChartScreenController::Screen, ChartScreenController::ScreenMaker> makers;
  return makers;
}

// Assigns an outlet when the object is of the outlet's class.
template <typename T>
bool connect(std::shared_ptr<T>& outlet, const std::any& value) {
  const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value);
  if (object == nullptr) return false;
  outlet = std::dynamic_pointer_cast<T>(*object);
  return outlet != nullptr;
}

}  // namespace

ChartScreenController::ChartScreenController() = default;

ChartScreenController::~ChartScreenController() { prepareForDealloc(); }

void ChartScreenController::prepareForDealloc() {
  if (camera_) {
    setCameraImageSource({});
    camera_.reset();  // stops the session and waits for its queues
  }
  if (timeFlowTimer_) timeFlowTimer_->invalidate();
  timeFlowTimer_.reset();
  if (chartView_) {
    chartView_->prepareForDealloc();
    chartView_->deleteSkyChart();
  }
  ns::RunLoop::main().cancelPreviousPerformRequests(this);
  // The model's pointer back must not outlive this controller.
  if (settings_) settings_->setChartViewController(nullptr);
}

bool ChartScreenController::setValue(std::string_view key, const std::any& value) {
  Views& v = views_;
  if (key == "chartView") {
    std::shared_ptr<ChartSurfaceView> view;
    if (!connect(view, value)) return false;
    if (chartView_ && chartView_ != view) chartView_->prepareForDealloc();
    chartView_ = std::move(view);
    return true;
  }
  const std::pair<const char*, std::shared_ptr<ui::Button>*> buttons[] = {
      {"skyPerspectiveButton", &v.skyPerspectiveButton}, {"orbitPerspectiveButton", &v.orbitPerspectiveButton},
      {"satellitePerspectiveButton", &v.satellitePerspectiveButton},
      {"groundPerspectiveButton", &v.groundPerspectiveButton}, {"motionButton", &v.motionButton},
      {"centerButton", &v.centerButton}, {"searchButton", &v.searchButton}, {"infoButton", &v.infoButton},
      {"settingsButton", &v.settingsButton}, {"timeButton", &v.timeButton},
      {"nightVisionButton", &v.nightVisionButton}, {"helpButton", &v.helpButton},
      {"zoomInButton", &v.zoomInButton}, {"zoomOutButton", &v.zoomOutButton}, {"flyInButton", &v.flyInButton},
      {"flyOutButton", &v.flyOutButton}, {"cameraButton", &v.cameraButton},
      {"timeForwardsBtn", &v.timeForwardsBtn}, {"timeBackwardsBtn", &v.timeBackwardsBtn},
      {"timeStepForwardsBtn", &v.timeStepForwardsBtn}, {"timeStepBackwardsBtn", &v.timeStepBackwardsBtn},
      {"timeNowBtn", &v.timeNowBtn}, {"timeFlowUnitsBtn", &v.timeFlowUnitsBtn}};
  for (const auto& [name, outlet] : buttons)
    if (key == name) return connect(*outlet, value);
  const std::pair<const char*, std::shared_ptr<ui::Label>*> labels[] = {
      {"locationLabel", &v.locationLabel}, {"timeDateLabel", &v.timeDateLabel},
      {"selectedObjectLabel", &v.selectedObjectLabel}, {"centerCoordsLabel", &v.centerCoordsLabel},
      {"fovLabel", &v.fovLabel}, {"fpsLabel", &v.fpsLabel}, {"timeFlowTimeLabel", &v.timeFlowTimeLabel}};
  for (const auto& [name, outlet] : labels)
    if (key == name) return connect(*outlet, value);
  const std::pair<const char*, std::shared_ptr<ui::View>*> plain[] = {
      {"statusBarSeparator", &v.statusBarSeparator}, {"timeFlowView", &v.timeFlowView},
      {"timeFlowSeparator", &v.timeFlowSeparator}, {"timeFlowHorizSeparator", &v.timeFlowHorizSeparator}};
  for (const auto& [name, outlet] : plain)
    if (key == name) return connect(*outlet, value);
  if (key == "statusBar") return connect(v.statusBar, value);
  if (key == "toolbarScrollView") return connect(v.toolbarScrollView, value);
  if (key == "toolbar") return connect(v.toolbar, value);
  if (key == "leftMoreView") return connect(v.leftMoreView, value);
  if (key == "rightMoreView") return connect(v.rightMoreView, value);
  return ChartViewController::setValue(key, value);
}

bool ChartScreenController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "showPerspective:") showPerspective(sender);
  else if (selector == "toggleCompass:") toggleCompass();
  else if (selector == "centerSelectedObject:") centerSelectedObject(true);
  else if (selector == "showSearch:") showSearch();
  else if (selector == "showObjectInfo:") showObjectInfo();
  else if (selector == "showSettings:") showSettings();
  else if (selector == "toggleTimeFlowView:") toggleTimeFlowView(sender != nullptr);
  else if (selector == "toggleNightVision:") toggleNightVision();
  else if (selector == "showHelp:") showHelp();
  else if (selector == "showMirrowen:") showMirrowen();
  else if (selector == "timeFlowBtnUp:") timeFlowBtnUp(sender);
  else if (selector == "timeFlowUnitsBtnUp:") timeFlowUnitsBtnUp();
  else if (selector == "cameraToggled:") cameraToggled();
  else if (selector == "didRotateFromInterfaceOrientation:" || selector == "doneClicked:" || selector == "doneTouched:")
    return true;
  else return ChartViewController::performAction(selector, sender);
  return true;
}

void ChartScreenController::loadView() {
  registerChartScreenClasses();
  std::string message;
  auto objects = ui::InterfaceLoader::load("ChartView", this, &message);
  if (objects.empty() || !isViewLoaded()) {
    // Without its screen definition the chart alone fills the screen.
    ui::InterfaceLoader::reportFailure("ChartView", message.empty() ? "no view" : message);
    auto root = std::make_shared<ui::View>(ui::Screen::main().bounds());
    auto chart = std::make_shared<ChartSurfaceView>();
    chart->setFrame(root->bounds());
    root->addSubview(chart);
    chartView_ = chart;
    setView(root);
  }
}

void ChartScreenController::viewDidLoad() {
  ChartViewController::viewDidLoad();
  Views& v = views_;
  oldPerspective_ = -1;
  if (chartView_) chartView_->chartViewController = this;
  auto* timeLabel = dynamic_cast<SelectableTimeLabel*>(v.timeFlowTimeLabel.get());
  if (timeLabel) timeLabel->setChartViewController(std::static_pointer_cast<ChartViewController>(shared_from_this()));
  const ui::Color toolbarBackground{0.1, 0.1, 0.1, 1};
  if (v.toolbar) v.toolbar->setBackgroundColor(toolbarBackground);
  if (v.statusBar) v.statusBar->setBackgroundColor(toolbarBackground);
  if (v.timeFlowView) v.timeFlowView->setBackgroundColor(ui::Color::clear());
  const std::pair<ui::Button*, const char*> titles[] = {
      {v.skyPerspectiveButton.get(), "Sky"}, {v.orbitPerspectiveButton.get(), "Orbit"},
      {v.satellitePerspectiveButton.get(), "Satellite"}, {v.groundPerspectiveButton.get(), "Ground"},
      {v.motionButton.get(), "Motion"}, {v.centerButton.get(), "Center"}, {v.searchButton.get(), "Search"},
      {v.infoButton.get(), "Info"}, {v.settingsButton.get(), "Settings"}, {v.timeButton.get(), "Time"},
      {v.nightVisionButton.get(), "Night"}, {v.helpButton.get(), "Help"}};
  for (const auto& [button, title] : titles)
    if (button) button->setTitle(title);
  setMotionButtonImage();
  if (AppDelegate::isNightVision()) {
    if (v.leftMoreView) v.leftMoreView->setImage(Utility::imageNamed("VerticalLeftMore", "png"));
    if (v.rightMoreView) v.rightMoreView->setImage(Utility::imageNamed("VerticalRightMore", "png"));
  }
  if (v.toolbarScrollView && v.toolbar) {
    v.toolbarScrollView->addSubview(v.toolbar);
    v.toolbarScrollView->scrollDelegate = this;
  }
  attachZoomRecognizers();

  if (!settings_) {
    settings_ = std::make_unique<Settings>(this);
    setCurrentController(this);
    settings_->readFromDefaults();
  } else {
    setCurrentController(this);
    if (CSettings* snapshot = settings_->saveToCSettings()) {
      settings_->readFromCSettings(snapshot);
      settings_->updateUIAfterReadingSettings(true);
      CSettings::deleteList(snapshot);
    }
  }
  adjustColorScheme();
  if (chartView_) chartView_->stopZoom();
  realTimeChanged();
  if (timeLabel) timeLabel->setDrawUnderline(true);
  // The chart's path step, the units button and the underline follow the
  // step the settings hold.
  timeFlowAmtChanged();
  if (!AppDelegate::runningOniPad() && v.toolbarScrollView) {
    auto tap = std::make_shared<ui::TapGestureRecognizer>();
    tap->delaysTouchesBegan = true;
    // The toolbar's buttons keep their taps (the platform lets a control's
    // own action win over a recogniser above it).
    tap->cancelsTouchesInView = false;
    v.toolbarScrollView->addGestureRecognizer(tap);
  }
}

void ChartScreenController::attachZoomRecognizers() {
  for (auto* button : {&views_.zoomInButton, &views_.zoomOutButton, &views_.flyInButton, &views_.flyOutButton})
    if (*button) (*button)->addGestureRecognizer(std::make_shared<ZoomGestureRecognizer>());
  // A vertical drag on the field-of-view label zooms a step per move.
  if (views_.fovLabel) {
    auto drag = std::make_shared<ui::PanGestureRecognizer>();
    std::weak_ptr<ChartSurfaceView> chart = chartView_;
    drag->addAction([chart](ui::GestureRecognizer& recognizer) {
      auto& pan = static_cast<ui::PanGestureRecognizer&>(recognizer);
      auto view = chart.lock();
      if (!view || pan.state() != ui::GestureState::changed) return;
      view->handleZoomGesture(pan.translationInView(view.get()).y);
      pan.setTranslation({0, 0}, view.get());
    });
    views_.fovLabel->setUserInteractionEnabled(true);
    views_.fovLabel->addGestureRecognizer(drag);
  }
}

void ChartScreenController::viewWillAppear(bool animated) {
  ChartViewController::viewWillAppear(animated);
  if (!chartView_) return;
  chartView_->setDrawingDisabled(false);
  if (oldPerspective_ >= kSkyPerspective && oldPerspective_ <= kGroundPerspective) {
    chartView_->setChartPerspective(oldPerspective_);
    oldPerspective_ = -1;
  }
  // A screen that asked for the sky view on its way out (Show Event, Center)
  // found the chart view already there while covered, so the labels and
  // buttons over it still belong to the perspective the screen was left in.
  if (chartView_->chartPerspective() != headUpPerspective_) showHeadUpDisplayOf(chartView_->chartPerspective());
  settingsViewController_ = nullptr;
  if (views_.timeFlowView) views_.timeFlowView->setHidden(false);
  if (timeFlowSign != 0 && !chartView_->panRunning()) timeFlowStart();
  if (settings_ && settings_->realTime()) chartView_->startRealTimeTimer();
  layoutForCurrentOrientation();
  const int orientation = Utility::interfaceOrientation();
  const bool landscape = orientation == 3 || orientation == 4;
  if (settings_ && settings_->autoVR() && !inVirtualReality_ && landscape) startVirtualReality();
  else if (settings_ && !settings_->autoVR() && inVirtualReality_ && !landscape) stopVirtualReality();
}

void ChartScreenController::viewDidAppear(bool animated) {
  ChartViewController::viewDidAppear(animated);
  if (!chartView_) return;
  chartView_->setDrawingDisabled(false);
  chartView_->setNeedsDisplay();
}

void ChartScreenController::viewWillDisappear(bool animated) {
  ChartViewController::viewWillDisappear(animated);
  if (!chartView_) return;
  chartView_->setDrawingDisabled(true);
  oldPerspective_ = chartView_->chartPerspective();
  // Under the quick start the chart keeps the perspective it will show.
  if (QuickStartViewController::currentController() == nullptr)
    chartView_->setChartPerspective(kSkyPerspective);
  if (views_.timeFlowView) views_.timeFlowView->setHidden(true);
  if (timeFlowSign != 0) timeFlowStop();
}

void ChartScreenController::viewDidLayoutSubviews() {
  ChartViewController::viewDidLayoutSubviews();
  adjustToolbar();
}

void ChartScreenController::willAnimateRotationToInterfaceOrientation(int orientation, double duration) {
  ChartViewController::willAnimateRotationToInterfaceOrientation(orientation, duration);
  // The next camera frame is turned for the new orientation.
  if (camera_) camera_->setInterfaceOrientation(orientation);
  layoutForOrientation(orientation);
  const bool landscape = orientation == 3 || orientation == 4;
  if (landscape && settings_ && settings_->autoVR()) {
    cameraStopSession();
    startVirtualReality();
  } else if (!landscape && inVirtualReality_) {
    stopVirtualReality();
  }
}

void ChartScreenController::didReceiveMemoryWarning() {
  ChartViewController::didReceiveMemoryWarning();
  if (chartView_) chartView_->didReceiveMemoryWarning();
}

unsigned ChartScreenController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

// ---- Perspectives ---------------------------------------------------------------

void ChartScreenController::showPerspective(ui::Object* sender) {
  for (int perspective = kSkyPerspective; perspective <= kGroundPerspective; ++perspective)
    if (sender != nullptr && sender == perspectiveButton(perspective)) setChartPerspective(perspective);
}

ui::Button* ChartScreenController::perspectiveButton(int perspective) {
  const Views& v = views_;
  switch (perspective) {
    case kSkyPerspective: return v.skyPerspectiveButton.get();
    case kOrbitPerspective: return v.orbitPerspectiveButton.get();
    case kSatellitePerspective: return v.satellitePerspectiveButton.get();
    case kGroundPerspective: return v.groundPerspectiveButton.get();
    default: return nullptr;
  }
}

void ChartScreenController::setPerspectiveControlsHidden(int p) {
  const Views& v = views_;
  const bool space = p == kOrbitPerspective || p == kSatellitePerspective;
  for (auto* button : {v.zoomInButton.get(), v.zoomOutButton.get()})
    if (button) button->setHidden(space);
  for (auto* button : {v.flyInButton.get(), v.flyOutButton.get()})
    if (button) button->setHidden(!space);
  for (auto* label : {v.centerCoordsLabel.get(), v.fovLabel.get()})
    if (label) label->setHidden(p == kGroundPerspective);
}

bool ChartScreenController::stereoOrientation() const {
  const int orientation = Utility::interfaceOrientation();
  return settings_ && settings_->autoVR() && (orientation == 3 || orientation == 4);
}

void ChartScreenController::showHeadUpDisplayOf(int p) {
  headUpPerspective_ = p;
  if (stereoOrientation()) {
    const Views& v = views_;
    for (ui::View* view : {static_cast<ui::View*>(v.zoomOutButton.get()), static_cast<ui::View*>(v.zoomInButton.get()),
                           static_cast<ui::View*>(v.flyOutButton.get()), static_cast<ui::View*>(v.flyInButton.get()),
                           static_cast<ui::View*>(v.fovLabel.get()), static_cast<ui::View*>(v.centerCoordsLabel.get())})
      if (view) view->setHidden(true);
  } else {
    setPerspectiveControlsHidden(p);
  }
  // The texts too in the stereo mode, though hidden: they are what shows
  // when the device is turned upright again.
  updateHUD();
  if (pSkyChart() && pSkyChart()->isSpaceView()) updateOrbitModePositionInfo();
  else locationChanged();
}

void ChartScreenController::setChartPerspective(int p) {
  if (!settings_) return;
  settings_->setChartPerspective(p);
  if (!chartView_ || chartView_->chartPerspective() == p) return;
  const bool motionWasOn = compassOrGyroOn();
  stopCompassOrGyro();
  cameraStopSession();
  const bool stereo = stereoOrientation();
  if (stereo) settings_->setDisplayFOV(90);
  chartView_->setChartPerspective(p);
  if (stereo) {
    chartView_->stopPulseTimer();
    if (CSkyChart* chart = pSkyChart()) chart->markerVisible = false;
  }
  showHeadUpDisplayOf(p);
  chartView_->setNeedsDisplay();
  if (motionWasOn) startCompassOrGyro();
}

// ---- Selection ------------------------------------------------------------------

void ChartScreenController::selectObject(const SkyObjectID& id) {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr || CSkyDatabase::isSameSkyObjectID(&chart->selectedObjectID, &id)) return;
  chart->selectObject(&id);
  if (chartView_->chartPerspective() == kSatellitePerspective) chartView_->setChartPerspective(kSatellitePerspective);
  updateSelectedObject();
}

void ChartScreenController::updateSelectedObject() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr || !settings_) return;
  SkyObjectID id = chart->selectedObjectID;
  settings_->setSelectedObject(std::make_shared<SkyObject>(&id));
  settings_->setSelectedObjectLocked(chart->centerOnSelected);
  chartView_->drawImmediately();
}

void ChartScreenController::centerSelectedObject(bool animated) {
  if (CSkyChart* chart = pSkyChart()) centerObject(chart->selectedObjectID, animated);
}

void ChartScreenController::centerObject(const SkyObjectID& id, bool animate) {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr) return;
  chart->selectObject(&id);
  updateSelectedObject();
  if (compassOrGyroOn()) {
    if (chartView_->chartPerspective() != kSkyPerspective) stopCompassOrGyro();
    if (compassOrGyroOn()) {
      // Motion steers the centre: an arrow points the way instead.
      chart->pointerPending = true;
      chartView_->setNeedsDisplay();
      return;
    }
  }
  chartView_->startPanToSelectedObject(chart->homeObjectID, animate);
  chartView_->drawImmediately();
}

// ---- Status line ----------------------------------------------------------------

void ChartScreenController::applyStatusLabelsAlpha(double locationAlpha) {
  std::weak_ptr<ui::Label> location = views_.locationLabel, date = views_.timeDateLabel,
                           selected = views_.selectedObjectLabel;
  ui::View::animate(kStatusFadeSeconds, [location, date, selected, locationAlpha] {
    if (auto label = location.lock()) label->setAlpha(locationAlpha);
    if (auto label = date.lock()) label->setAlpha(locationAlpha);
    if (auto label = selected.lock()) label->setAlpha(1 - locationAlpha);
  });
}

void ChartScreenController::showStatusObjectInfo() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr || !chartView_) return;
  const int p = chartView_->chartPerspective();
  if (p != kSkyPerspective && p != kGroundPerspective) return;
  std::string text = "No object selected";
  if (!CSkyDatabase::isInvalidSkyObjectID(&chart->selectedObjectID)) {
    SkyObjectID id = chart->selectedObjectID;
    char status[256] = {};
    objectStatusLineForID(chart, id, status, sizeof status, 1, AppDelegate::runningOniPad() ? 0 : 1, 0, 0);
    text = SkyObject::nameForObject(&id, true) + " - " + status;
  }
  if (views_.selectedObjectLabel) views_.selectedObjectLabel->setText(text);
  applyStatusLabelsAlpha(0);
  ns::RunLoop& loop = ns::RunLoop::main();
  loop.cancelPreviousPerformRequests(this, "hideSelectedObjectLabel");
  loop.performAfterDelay(this, "hideSelectedObjectLabel", kStatusSeconds, [this] { hideSelectedObjectLabel(); });
}

void ChartScreenController::hideSelectedObjectLabel() { applyStatusLabelsAlpha(1); }

void ChartScreenController::locationChanged() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr || !settings_) return;
  // A new place took its daylight-saving rule from the chart's own switch,
  // which stays off while the settings give the rule: the place's rule
  // comes back in every view, the space views too, whose pass and event
  // times are local times as well.
  if (settings_->autoDST()) chart->setDSTRule(dstRuleForLocation(chart->longitude, chart->latitude));
  if (chart->isSpaceView()) return;
  std::string text = settings_->locationName();
  if (AppDelegate::runningOniPad()) {
    char latitude[256] = {}, longitude[256] = {};
    formatAngleDegrees2(10, latitude, sizeof latitude, chart->latitude);
    formatAngleDegrees3(10, longitude, sizeof longitude, chart->longitude);
    text += std::string("  ") + latitude + " " + longitude;
  }
  if (views_.locationLabel) views_.locationLabel->setText(text);
  chartView_->setNeedsDisplay();
  timeDateChanged();
}

// ---- Screens --------------------------------------------------------------------

void ChartScreenController::setScreenMaker(Screen screen, ScreenMaker maker) { screenMakers()[screen] = std::move(maker); }

void ChartScreenController::presentScreen(Screen screen, ui::Button* anchor, ui::Size tabletSize) {
  auto found = screenMakers().find(screen);
  if (found == screenMakers().end() || !found->second) return;
  std::shared_ptr<ui::ViewController> content = found->second(*this);
  if (!content) return;
  if (screen == Screen::quickStart) content->setTitle("Quick Start");
  auto navigation = std::make_shared<SVNavigationController>(content);
  const bool popover = AppDelegate::runningOniPad() && screen != Screen::mirrowen && screen != Screen::quickStart;
  if (popover) {
    navigation->preferredContentSize = tabletSize;
    navigation->modalPresentationStyle = ui::ModalPresentationStyle::popover;
    navigation->popoverSourceView = anchor;
    if (anchor) navigation->popoverSourceRect = anchor->bounds();
    // Over the chart: the status line above it stays whole, as the toolbar
    // below its button does.
    if (chartView_)
      navigation->popoverLayoutMargins.top = std::max(
          navigation->popoverLayoutMargins.top, chartView_->convertRectTo(chartView_->bounds(), nullptr).y());
  } else {
    navigation->modalPresentationStyle = ui::ModalPresentationStyle::fullScreen;
  }
  const bool animated = screen != Screen::quickStart;
  presentViewController(navigation, animated);
  if (screen == Screen::settings) {
    settingsViewController_ = content;
    content->navigationItem().rightBarButtonItem =
        std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, content.get(), "doneTouched:");
  }
}

void ChartScreenController::showSearch() { presentScreen(Screen::search, views_.searchButton.get(), {780, 1024}); }
void ChartScreenController::showObjectInfo() { presentScreen(Screen::objectInfo, views_.infoButton.get(), {780, 1024}); }
void ChartScreenController::showSettings() { presentScreen(Screen::settings, views_.settingsButton.get(), {390, 1024}); }
void ChartScreenController::showHelp() { presentScreen(Screen::help, views_.helpButton.get(), {390, 1024}); }
void ChartScreenController::showMirrowen() { presentScreen(Screen::mirrowen, nullptr, {}); }
void ChartScreenController::showQuickStart() { presentScreen(Screen::quickStart, nullptr, {}); }

// ---- Night vision and live adjust -----------------------------------------------

void ChartScreenController::toggleNightVision() {
  ApplicationShell* shell = ApplicationShell::shell();
  if (shell == nullptr || shell->changingTheme()) return;
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  defaults.setInteger(kAppThemeKey, AppDelegate::appTheme() == 3 ? 2 : 3);
  defaults.synchronize();
  if (settings_) settings_->saveToDefaults();
  shell->changeToPendingTheme();
}

void ChartScreenController::setDoingLiveAdjust(bool adjusting) {
  doingLiveAdjust_ = adjusting;
  const bool space = pSkyChart() && pSkyChart()->isSpaceView();
  const Views& v = views_;
  for (auto* button : {v.zoomInButton.get(), v.zoomOutButton.get()})
    if (button) button->setHidden(adjusting || space);
  for (auto* button : {v.flyInButton.get(), v.flyOutButton.get()})
    if (button) button->setHidden(adjusting || !space);
  for (ui::View* view : {static_cast<ui::View*>(v.centerCoordsLabel.get()), static_cast<ui::View*>(v.fovLabel.get()),
                         v.timeFlowView.get()})
    if (view) view->setHidden(adjusting);
}

// ---- Scroll points --------------------------------------------------------------

ui::Point ChartScreenController::lastSubSearchScrollPoint(long index, int type) const {
  if (index < 0 || index >= kSubSearchScrollPoints || type != 0) return {};
  return subSearchScrollPoints_[std::size_t(index)];
}

void ChartScreenController::setLastSubSearchScrollPoint(ui::Point point, long index, int type) {
  if (index < 0 || index >= kSubSearchScrollPoints || type != 0) return;
  subSearchScrollPoints_[std::size_t(index)] = point;
}
