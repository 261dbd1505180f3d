// The application's delegate: launch (the catalogues in their order, the
// location index, the chart screen), the checks of each foreground entry,
// the theme, and the small services every screen uses (sound effects, the
// message box, the activity overlay, the interaction blocker, the opening
// fade, the motion manager, the night-vision keyboard overlay).
// Announcements, the rating prompt and notifications: announcements.cpp.
//
// Thread rules: main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/announcement.h"
#include "app/elements_downloader.h"
#include "platform/devices/audio_player.h"
#include "platform/devices/motion.h"
#include "platform/foundation/json.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/controls.h"
#include "ui/foundation/shell.h"

class CSkyDatabase;
class ChartScreenController;

// User-default keys of the application.
inline constexpr const char* kAppThemeKey = "AppTheme";
inline constexpr const char* kLastAnnouncementKey = "LastAnnouncement";
// The application identifier the push client registers with.
inline constexpr const char* kPushApplicationID = "5e1a7c93-2b84-4d6f-9a0e-c37b18d2f465";

class ApplicationShell : public AppDelegate {
 public:
  ApplicationShell();
  ~ApplicationShell() override;
  // Outlets of the "MessageView" screen definition.
  bool setValue(std::string_view key, const std::any& value) override;

  // ---- Life cycle ----
  bool didFinishLaunching(ui::Application& application, const ns::JSON& launchOptions) override;
  void didBecomeActive(ui::Application& application) override;
  void willEnterForeground(ui::Application& application) override;
  void didEnterBackground(ui::Application& application) override;
  void willTerminate(ui::Application& application) override;
  void didReceiveLocalNotification(ui::Application& application, const ns::JSON& notification) override;
  // A push payload: an "aps" object whose "alert" is a text.
  void didReceiveRemoteNotification(ui::Application& application, const ns::JSON& payload);
  // The push client could not register this device (logged only).
  void didFailToRegisterForRemoteNotifications(const std::string& error);
  std::shared_ptr<ui::Window> window() const override { return window_; }

  // ---- The shell's seam ----
  int colorStyle() const override { return colorStyle_; }
  void playAmbientSound() override;
  void pauseAmbientSound() override;

  // A heading (compass) is available.
  static bool hasCompass();
  // The running delegate when it is this class, else null.
  static ApplicationShell* shell();

  // ---- Theme ----
  // Builds the chart screen (false) or recolours the live interface (true).
  void reloadUI(bool recolour);
  // Applies the theme stored under "AppTheme".
  void changeToPendingTheme();
  bool changingTheme() const { return preventInteractionView_ != nullptr; }
  void preventUserInteraction(bool prevent);

  // ---- Services ----
  void showMessage(const std::string& text, int hideAfterSeconds) override;
  // The full-screen picture viewer over the window.
  void showImage(ui::ImagePointer image) override;
  // The viewer of the last picture shown; dropped when the theme changes.
  ui::View* astroImageView() const { return astroImageView_.get(); }
  // Where the night-vision keyboard overlay begins (0: at the keyboard).
  void setKeyboardOverlayTop(double top) override { keyboardOverlayTop_ = top; }
  void hideMessage();
  void showActivity(bool show);
  void hideActivity();
  int activityCount() const { return activityCount_; }
  // Plays a file of the bundle's "Sounds" folder when sound effects are on.
  void playSound(const std::string& name, float volume);
  // Every sound asked for while sound effects were on, in order (tests and
  // the headless host's report).
  const std::vector<std::string>& soundLog() const { return soundLog_; }
  // The text of the message box (tests).
  std::string messageText() const { return messageLabel_ ? messageLabel_->text() : std::string(); }
  void startMotion();
  void readMotion();
  dev::MotionManager* motionMgr() const { return motionMgr_.get(); }
  void setupOpeningFade();
  void fadeFromBlack();

  // ---- Foreground checks ----
  std::int64_t launchCount() const { return launchCount_; }
  const std::string& launchCountKey() const { return launchCountKey_; }
  const std::string& askToRateLaunchCountKey() const { return askToRateLaunchCountKey_; }
  // Starts an orbit-data update when the last one is over an hour old
  // (its report selects the ISS unless a satellite or spacecraft is).
  void doOrbitalElementCheck();
  NetworkElementsDownloader& elementsDownloader() { return elementsDownloader_; }
  // Announcements (announcements.cpp).
  void checkForAnnouncement();
  void showAnnouncement();
  const Announcement& announcement() const { return announcement_; }
  bool announcementFetching() const { return announcementFetcher_ && announcementFetcher_->isRunning(); }
  void doRatingCheck();
  // How often a review was asked for in this process (tests).
  int reviewRequests() const { return reviewRequests_; }

 private:
  void loadCatalogues();
  void initSound();
  void setWindowTintColor();
  void keyboardWillBeShown(const ns::Notification& notification);
  void keyboardWasHidden(const ns::Notification& notification);
  void announcementArrived(const std::string& body);
  ChartScreenController* chartScreen() const;

  // The database outlives the window, whose chart view's chart reads it.
  std::unique_ptr<CSkyDatabase> skyData_;
  std::shared_ptr<ui::Window> window_;
  ns::JSON launchOptions_;
  std::int64_t launchCount_ = 0;
  std::string launchCountKey_, askToRateLaunchCountKey_;
  double startupTime_ = 0, lastForegroundTime_ = 0;
  int colorStyle_ = 0;

  std::shared_ptr<ui::View> messageView_;
  std::shared_ptr<ui::Label> messageLabel_;
  std::shared_ptr<ui::View> activityView_;
  int activityCount_ = 0;
  std::shared_ptr<ui::View> blackView_;
  std::shared_ptr<ui::View> preventInteractionView_;
  std::shared_ptr<ui::View> keyboardOverlay_;
  std::shared_ptr<ui::View> astroImageView_;
  double keyboardOverlayTop_ = 0;
  double keyboardWidth_ = 0, keyboardHeight_ = 0;

  std::unique_ptr<dev::AudioPlayer> audioPlayer_, ambientAudioPlayer_;
  std::vector<std::string> soundLog_;
  std::unique_ptr<dev::MotionManager> motionMgr_;
  std::shared_ptr<ns::Timer> motionTimer_;

  std::unique_ptr<AnnouncementFetcher> announcementFetcher_;
  NetworkElementsDownloader elementsDownloader_;
  Announcement announcement_;
  int reviewRequests_ = 0;
};
