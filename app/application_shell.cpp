#include "app/application_shell.h"
#include "ui/info/astro_image_view.h"

#include <cstdio>
#include <filesystem>

#include "app/bundle_check.h"
#include "app/chart_screen_controller.h"
#include "app/chart_view_toolbar.h"
#include "chart/sky_chart.h"
#include "engine/locations.h"
#include "platform/devices/audio_session.h"
#include "platform/devices/local_notifications.h"
#include "platform/devices/location.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/interface_loader.h"
#include "push/push_client.h"
#include "skydata/application_database.h"
#include "skydata/satellite_frequencies.h"
#include "skydata/sky_database.h"
#include "ui/foundation/country_borders.h"
#include "ui/foundation/small_views.h"
#include "ui/foundation/sv_controls.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/utility.h"

namespace {

constexpr double kMotionInterval = 1.0 / 30;
constexpr double kActivityCentredSeconds = 6.0;

}  // namespace

ApplicationShell::ApplicationShell() {
  const std::string version = ns::Bundle::main().infoValue("CFBundleShortVersionString");
  launchCountKey_ = "LaunchCount-" + version;
  askToRateLaunchCountKey_ = "AskToRateLaunchCount-" + version;
  ns::UserDefaults::standard().registerDefaults({{askToRateLaunchCountKey_, std::int64_t{5}}});
  ui::Device::current().beginGeneratingDeviceOrientationNotifications();
  registerChartScreenClasses();
}

ApplicationShell::~ApplicationShell() {
  // The window is not the chart screen's only holder (a screen still
  // closing keeps it in its animation): its timers and its chart, which
  // read the catalogues, end here, before the catalogues do.
  if (window_)
    if (auto* screen = dynamic_cast<ChartScreenController*>(window_->rootViewController().get()))
      screen->prepareForDealloc();
  PushClient::setReceiver({});
  PushClient::setRegistrationFailureHandler({});
  ns::NotificationCenter::defaultCenter().removeObserver(this);
  ns::RunLoop::main().cancelPreviousPerformRequests(this);
  if (motionTimer_) motionTimer_->invalidate();
  if (applicationSkyDatabase() == skyData_.get()) setApplicationSkyDatabase(nullptr);
}

ApplicationShell* ApplicationShell::shell() { return dynamic_cast<ApplicationShell*>(AppDelegate::instance()); }

bool ApplicationShell::hasCompass() { return dev::LocationManager::headingAvailable(); }

bool ApplicationShell::setValue(std::string_view key, const std::any& value) {
  const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value);
  if (key == "messageView" && object) return (messageView_ = std::dynamic_pointer_cast<ui::View>(*object)) != nullptr;
  if (key == "messageLabel" && object)
    return (messageLabel_ = std::dynamic_pointer_cast<ui::Label>(*object)) != nullptr;
  return AppDelegate::setValue(key, value);
}

ChartScreenController* ApplicationShell::chartScreen() const {
  return dynamic_cast<ChartScreenController*>(ChartViewController::currentController());
}

// ---- Launch ---------------------------------------------------------------------

void ApplicationShell::loadCatalogues() {
  skyData_ = std::make_unique<CSkyDatabase>("");
  setApplicationSkyDatabase(skyData_.get());
  // The catalogue's display names follow the device (a tablet spells out
  // constellation names in designations).
  ::setRunningOniPad(AppDelegate::runningOniPad());
  const std::string resources = ns::Bundle::main().resourcePath(), caches = ns::cachesDirectory();
  skyData_->setDataDirectory((resources + "/SkyData").c_str());
  // The downloaded copy comes first; the bundle's when it does not load or
  // would not pass as a download today.
  const std::string downloaded = caches + "/" + NetworkElementsDownloader::kSolarSystemFileName;
  if (!downloadedCatalogueUsable(downloaded) || !skyData_->loadSolarSystem(downloaded.c_str()))
    skyData_->loadSolarSystem((resources + "/SkyData/SolarSystem.skydata").c_str());
  loadCountryBorders((resources + "/WorldBorders/TM_WORLD_BORDERS_SIMPL").c_str());
  loadSatelliteFrequencies((caches + "/SatelliteFrequencies.txt").c_str());
  skyData_->loadStars("Stars.skydata");
  skyData_->loadTychoStars("TychoStars.skydata");
  skyData_->loadGuideStars("GuideStars.skydata");
  skyData_->loadDeepSky("DeepSky.skydata");
  skyData_->loadConstellations("Constellations.skydata");
  initLocationDatabase(0);
  // The loaders say nothing of what failed: the bundle's faults are named
  // once, here, and the chart goes on with what loaded. A screen whose
  // definition is named here says nothing more when it opens.
  const std::vector<BundleFault> faults = findBundleFaults(resources, *skyData_, lastWorldBordersRead());
  std::fputs(bundleFaultReport(resources, faults).c_str(), stderr);
  for (const std::string& name : damagedScreenDefinitions(faults)) ui::InterfaceLoader::setNamedAsDamaged(name);
}

bool ApplicationShell::didFinishLaunching(ui::Application& application, const ns::JSON& launchOptions) {
  // First of all, before the catalogues take their time: an alert saved in
  // an earlier run that falls due during the launch is still ahead of it.
  dev::LocalNotificationCenter::openShared();
  window_ = std::make_shared<ui::Window>(ui::Screen::main().bounds());
  launchOptions_ = launchOptions;
  loadCatalogues();
  initSound();
  reloadUI(false);
  std::string message;
  if (ui::InterfaceLoader::load("MessageView", this, &message).empty())
    ui::InterfaceLoader::reportFailure("MessageView", message.empty() ? "no view" : message);
  window_->makeKeyAndVisible();
  launchCount_ = ns::UserDefaults::standard().integerForKey(launchCountKey_);
  if (launchCount_ == 0)
    if (ChartScreenController* screen = chartScreen()) screen->showQuickStart();
  auto& center = ns::NotificationCenter::defaultCenter();
  center.addObserver(this, ui::kKeyboardWillShowNotification,
                     [this](const ns::Notification& n) { keyboardWillBeShown(n); });
  center.addObserver(this, ui::kKeyboardDidHideNotification,
                     [this](const ns::Notification& n) { keyboardWasHidden(n); });
  application.applicationIconBadgeNumber = 0;
  willEnterForeground(application);
  if (launchOptions.is_object() && launchOptions.contains("localNotification"))
    didReceiveLocalNotification(application, launchOptions["localNotification"]);
  motionMgr_ = std::make_unique<dev::MotionManager>();
  startMotion();
  startupTime_ = Utility::currentTimeInSeconds();
  setupOpeningFade();
  return true;
}

void ApplicationShell::willEnterForeground(ui::Application& application) {
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  launchCount_ = defaults.integerForKey(launchCountKey_);
  doOrbitalElementCheck();
  if (launchCount_ >= 1) {
    PushClient::setLogLevel(2, 0);
    PushClient::setReceiver(
        [&application, this](const ns::JSON& payload) { didReceiveRemoteNotification(application, payload); });
    PushClient::setRegistrationFailureHandler(
        [this](const std::string& error) { didFailToRegisterForRemoteNotifications(error); });
    PushClient::initWithLaunchOptions(launchOptions_, kPushApplicationID);
  }
  if (launchCount_ >= 2) checkForAnnouncement();
  doRatingCheck();
  ++launchCount_;
  defaults.setInteger(launchCountKey_, launchCount_);
  defaults.synchronize();
}

void ApplicationShell::didFailToRegisterForRemoteNotifications(const std::string& error) {
  std::fprintf(stderr, "Failed to register with error: %s\n", error.c_str());
}

void ApplicationShell::doOrbitalElementCheck() { elementsDownloader_.doOrbitalElementCheck(); }

void ApplicationShell::didBecomeActive(ui::Application&) { lastForegroundTime_ = Utility::currentTimeInSeconds(); }

void ApplicationShell::didEnterBackground(ui::Application&) {
  if (ChartViewController* controller = ChartViewController::currentController())
    if (Settings* settings = controller->settings()) settings->saveToDefaults();
}

void ApplicationShell::willTerminate(ui::Application& application) { didEnterBackground(application); }

// ---- Theme ----------------------------------------------------------------------

void ApplicationShell::setWindowTintColor() {
  if (window_) window_->setTintColor(isNightVision() ? ui::Color::red() : ui::Color{0.0, 0.65, 1.0, 1.0});
  if (ChartScreenController* screen = chartScreen()) screen->adjustColorScheme();
}

void ApplicationShell::reloadUI(bool recolour) {
  setWindowTintColor();
  if (isNightVision() && !keyboardOverlay_) {
    keyboardOverlay_ = std::make_shared<ui::View>(ui::Rect{0, 0, ui::kMaximumCoordinate, ui::kMaximumCoordinate});
    keyboardOverlay_->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
    keyboardOverlay_->setBackgroundColor(ui::Color{0.2, 0, 0, 0.8});
    keyboardOverlay_->setUserInteractionEnabled(false);
  }
  // A picture shown under the old theme is not brought back: the next one
  // gets a viewer of the new theme.
  astroImageView_.reset();
  SVTableViewCell::appThemeChanged();
  if (recolour) {
    if (ChartScreenController* screen = chartScreen()) {
      screen->adjustColorScheme();
      if (CSkyChart* chart = screen->pSkyChart()) chart->setColorFilter(isNightVision() ? 3 : 0);
      setWindowTintColor();
      screen->setHUDColor(Utility::getHUDColor());
      screen->surface()->drawImmediately();
    }
    if (messageView_) messageView_->setNeedsDisplay();
  } else if (window_) {
    window_->setRootViewController(std::make_shared<ChartScreenController>());
  }
  if (preventInteractionView_) {
    preventInteractionView_->removeFromSuperview();
    if (window_) window_->addSubview(preventInteractionView_);
  }
}

void ApplicationShell::changeToPendingTheme() {
  if (changingTheme()) return;
  preventUserInteraction(true);
  const auto theme = int(ns::UserDefaults::standard().integerForKey(kAppThemeKey));
  if (ChartScreenController* screen = chartScreen()) {
    screen->timeFlowStop();
    if (Settings* settings = screen->settings()) settings->saveToDefaults();
  }
  setAppTheme(theme);
  reloadUI(true);
  preventUserInteraction(false);
}

void ApplicationShell::preventUserInteraction(bool prevent) {
  if (prevent) {
    if (preventInteractionView_ || !window_) return;
    preventInteractionView_ = std::make_shared<OpaqueToTouchView>(window_->frame());
    preventInteractionView_->setBackgroundColor(ui::Color::clear());
    preventInteractionView_->setUserInteractionEnabled(true);
    window_->addSubview(preventInteractionView_);
  } else if (preventInteractionView_) {
    preventInteractionView_->removeFromSuperview();
    preventInteractionView_.reset();
  }
}

// ---- Message box, activity, fade ------------------------------------------------

void ApplicationShell::showMessage(const std::string& text, int hideAfterSeconds) {
  if (!messageView_ || !window_) return;
  messageView_->setAlpha(1);
  if (messageLabel_) {
    messageLabel_->setText(text);
    messageLabel_->setTextColor(isNightVision() ? ui::Color::red() : ui::Color::whiteColor());
  }
  const ui::Rect box = messageView_->frame(), area = window_->frame();
  messageView_->setFrame({area.x() + (area.width() - box.width()) / 2, area.y() + (area.height() - box.height()) / 2,
                          box.width(), box.height()});
  window_->addSubview(messageView_);
  ns::RunLoop::main().cancelPreviousPerformRequests(this, "hideMessage");
  ns::RunLoop::main().performAfterDelay(this, "hideMessage", hideAfterSeconds, [this] { hideMessage(); });
}

void ApplicationShell::hideMessage() {
  if (!messageView_ || !messageView_->superview()) return;
  std::weak_ptr<ui::View> box = messageView_;
  ui::View::animate(1.0, [box] {
    if (auto view = box.lock()) view->setAlpha(0);
  }, [box](bool) {
    if (auto view = box.lock()) {
      view->removeFromSuperview();
      view->setAlpha(1);
      view->setTransform(ui::AffineTransform{});
    }
  });
}

void ApplicationShell::showActivity(bool show) {
  if (!show) {
    ns::RunLoop::main().performAfterDelay(this, "hideActivity", 0.2, [this] { hideActivity(); });
    return;
  }
  if (activityCount_ == 0 && window_) {
    auto indicator = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::whiteLarge);
    const double W = window_->frame().width(), H = window_->frame().height();
    const double w = indicator->frame().width(), h = indicator->frame().height();
    double x = (W - w) / 2, y = (H - h) / 2;
    if (Utility::currentTimeInSeconds() - startupTime_ >= kActivityCentredSeconds) {
      switch (ui::Application::shared().statusBarOrientation()) {
        case 1: y = (H - h) / 3; break;
        case 2: y = 2 * (H - h) / 3; break;
        case 3: x = 2 * (W - w) / 3; break;
        case 4: x = (W - w) / 3; break;
        default: break;
      }
    }
    indicator->setFrame({x, y, w, h});
    auto container = std::make_shared<SVActivityView>(window_->bounds());
    container->setBackgroundColor(ui::Color::clear());
    container->setUserInteractionEnabled(true);
    container->activityIndicator = indicator;
    container->addSubview(indicator);
    window_->addSubview(container);
    indicator->startAnimating();
    activityView_ = container;
  }
  ++activityCount_;
}

void ApplicationShell::hideActivity() {
  const int before = activityCount_--;
  if (before < 2 && activityView_) {
    activityView_->removeFromSuperview();
    activityView_.reset();
  }
  if (activityCount_ < 0) {
    std::fprintf(stderr, "activity count is negative: %d\n", activityCount_);
    activityCount_ = 0;
  }
}

void ApplicationShell::setupOpeningFade() {
  if (!window_) return;
  blackView_ = std::make_shared<ui::View>(ui::Rect{window_->frame().x(), window_->frame().y(), 10000, 10000});
  blackView_->setBackgroundColor(ui::Color::black());
  window_->addSubview(blackView_);
  ns::RunLoop::main().performAfterDelay(this, "fadeFromBlack", 0.1, [this] { fadeFromBlack(); });
}

void ApplicationShell::fadeFromBlack() {
  if (!blackView_) return;
  // The animation keeps neither the view nor the delegate alive: either may
  // be gone when it ends.
  std::weak_ptr<ui::View> black = blackView_;
  std::weak_ptr<ui::Object> self = weak_from_this();
  ui::View::animate(0.5, [black] {
    if (auto view = black.lock()) view->setAlpha(0);
  }, [black, self](bool) {
    auto view = black.lock();
    auto shell = std::dynamic_pointer_cast<ApplicationShell>(self.lock());
    if (view) view->removeFromSuperview();
    if (shell && shell->blackView_ == view) shell->blackView_.reset();
  });
}

// ---- Sound ----------------------------------------------------------------------

void ApplicationShell::playSound(const std::string& name, float volume) {
  if (name.empty()) return;
  ChartViewController* controller = ChartViewController::currentController();
  Settings* settings = controller ? controller->settings() : nullptr;
  if (settings == nullptr || !settings->soundEffects()) return;
  soundLog_.push_back(name);
  const std::string path = ns::Bundle::main().resourcePath() + "/Sounds/" + name;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    std::fprintf(stderr, "Sound file '%s' doesn't exist at '%s'\n", name.c_str(), path.c_str());
    return;
  }
  std::string problem;
  audioPlayer_ = dev::AudioPlayer::fromFile(path, &problem);
  if (!audioPlayer_) {
    // A missing device was told once, when it was looked for.
    if (!dev::soundDeviceMissing()) std::fprintf(stderr, "Sound named '%s' had error %s\n", name.c_str(), problem.c_str());
    return;
  }
  audioPlayer_->setVolume(volume);
  audioPlayer_->prepareToPlay();
  audioPlayer_->play();
}

void ApplicationShell::initSound() {
  // Sound effects mix with the user's own music instead of stopping it;
  // the ambient category needs no permission, so nothing can fail here.
  dev::AudioSession::shared().setCategory(dev::AudioCategory::ambient);
  if (!ambientAudioPlayer_ || !ambientAudioPlayer_->isPlaying()) playSound("Silence.caf", 0.0f);
}

void ApplicationShell::playAmbientSound() {
  if (!ambientAudioPlayer_) {
    const std::string path = ns::Bundle::main().resourcePath() + "/Sounds/Soaring.mp3";
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;
    ambientAudioPlayer_ = dev::AudioPlayer::fromFile(path);
    if (!ambientAudioPlayer_) return;
    ambientAudioPlayer_->numberOfLoops = 10000;
    ambientAudioPlayer_->setVolume(0.3);
  }
  ambientAudioPlayer_->play();
}

void ApplicationShell::pauseAmbientSound() {
  if (ambientAudioPlayer_) ambientAudioPlayer_->pause();
}

// ---- Motion ---------------------------------------------------------------------

void ApplicationShell::startMotion() {
  if (!motionMgr_ || motionTimer_) return;
  motionMgr_->deviceMotionUpdateInterval = kMotionInterval;
  motionMgr_->startDeviceMotionUpdates();
  motionTimer_ = ns::RunLoop::main().scheduleTimer(kMotionInterval, true, [this](ns::Timer&) { readMotion(); });
}

void ApplicationShell::readMotion() {
  if (ChartScreenController* screen = chartScreen()) screen->readMotion();
}

// ---- Night-vision keyboard overlay ----------------------------------------------

void ApplicationShell::keyboardWillBeShown(const ns::Notification& notification) {
  const ns::JSON& info = notification.userInfo;
  if (!info.is_object() || !info.contains(ui::kKeyboardFrameEndUserInfoKey)) return;
  const ns::JSON& frame = info[ui::kKeyboardFrameEndUserInfoKey];
  if (!frame.is_object()) return;
  double f[4];
  const char* keys[4] = {"x", "y", "width", "height"};
  for (std::size_t i = 0; i < 4; ++i)
    f[i] = frame.contains(keys[i]) && frame[keys[i]].is_number() ? frame[keys[i]].get<double>() : 0;
  keyboardWidth_ = f[2];
  keyboardHeight_ = f[3];
  if (!isNightVision() || !keyboardOverlay_) return;
  double top = f[1];
  const double bottom = f[1] + f[3];
  if (!runningOniPad()) {
    const int o = ui::Application::shared().statusBarOrientation();
    top -= o == 1 || o == 2 ? 60 : 70;
  }
  // A screen that asks for more is covered from where it says, and no
  // higher: the field being typed in stays clear.
  if (keyboardOverlayTop_ > 0 && keyboardOverlayTop_ < top) top = keyboardOverlayTop_;
  keyboardOverlay_->setFrame({f[0], top, f[2], bottom - top});
  if (ui::Window* keyboard = Utility::keyboardWindow()) keyboard->addSubview(keyboardOverlay_);
}

void ApplicationShell::showImage(ui::ImagePointer image) {
  if (window_) astroImageView_ = AstroImageView::showInWindow(*window_, std::move(image));
}

void ApplicationShell::keyboardWasHidden(const ns::Notification&) {
  if (keyboardOverlay_) keyboardOverlay_->removeFromSuperview();
}
