// The application delegate's messages to the user outside the chart: the
// maker's announcement (fetched only when an update server is named), the
// rating prompt, and local and remote notifications.
#include <cstdio>

#include "app/application_shell.h"
#include "app/information_screens_connection.h"
#include "platform/devices/store_review.h"
#include "platform/foundation/user_defaults.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/utility.h"

namespace {

constexpr const char* kAnnouncementPath = "/updates/Tessaly/announcement.txt";
constexpr double kNotificationQuietSeconds = 5.0;
constexpr std::int64_t kRatingInterval = 5;
// Links into the application store's web pages begin so; the system opens
// them in the store.
constexpr const char* kStoreWebAddress = "http://itunes.apple.com/";

// The text of a JSON value that is a string, else nothing.
std::string textOf(const ns::JSON& object, const char* key) {
  if (!object.is_object() || !object.contains(key) || !object[key].is_string()) return {};
  return object[key].get<std::string>();
}

}  // namespace

void ApplicationShell::checkForAnnouncement() {
  const std::string base = updateServerBase();
  // Without a named server nothing is sent anywhere.
  if (base.empty()) return;
  announcementFetcher_ = std::make_unique<AnnouncementFetcher>(
      base + kAnnouncementPath, [this](const std::string& body) { announcementArrived(body); });
}

void ApplicationShell::announcementArrived(const std::string& body) {
  // Every field comes from this body: a two-line text has no link, even
  // when the one before had one.
  std::optional<Announcement> parsed = parseAnnouncement(body);
  // One without a title or a text is malformed: it is not shown, so it is
  // not stored as the last one shown either.
  if (!parsed) return;
  announcement_ = std::move(*parsed);
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  if (defaults.stringForKey(kLastAnnouncementKey).value_or("") != announcement_.normalized) {
    defaults.setString(kLastAnnouncementKey, announcement_.normalized);
    defaults.synchronize();
    showAnnouncement();
  }
}

void ApplicationShell::showAnnouncement() {
  // Half an announcement is not shown.
  if (announcement_.title.empty() || announcement_.text.empty()) return;
  if (announcement_.link.empty()) {
    Utility::showAlertWithTitle(announcement_.title, announcement_.text);
    return;
  }
  auto alert = Utility::makeAlertWithTitle(announcement_.title, announcement_.text);
  const std::string link = announcement_.link;
  const std::string title = announcement_.title;
  Utility::addAlertAction("View", *alert, [link, title] {
    // The store's own pages open in the system; others in the app.
    if (link.rfind(kStoreWebAddress, 0) == 0) {
      ui::Application::shared().openURL(link);
      return;
    }
    if (ChartViewController* chartScreen = ChartViewController::currentController())
      chartScreen->presentViewController(makeBrowserScreen(link, title), true);
  });
  Utility::addCancelAlertAction("Cancel", *alert, {});
  Utility::showAlert(alert);
}

void ApplicationShell::doRatingCheck() {
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  const std::int64_t count = defaults.integerForKey(launchCountKey_);
  const std::int64_t due = defaults.integerForKey(askToRateLaunchCountKey_);
  if (due > count) return;
  dev::StoreReviewController::requestReview();
  ++reviewRequests_;
  defaults.setInteger(askToRateLaunchCountKey_, count + kRatingInterval);
}

void ApplicationShell::didReceiveLocalNotification(ui::Application& application, const ns::JSON& notification) {
  Utility::showAlertWithTitle("Tessaly", textOf(notification, "alertBody"));
  if (Utility::currentTimeInSeconds() - lastForegroundTime_ > kNotificationQuietSeconds)
    playSound("sms-received.wav", 1.0f);
  application.applicationIconBadgeNumber = 0;
}

void ApplicationShell::didReceiveRemoteNotification(ui::Application& application, const ns::JSON& payload) {
  // An "aps" or "alert" of another kind than expected counts as missing.
  const ns::JSON empty;
  const ns::JSON& aps = payload.is_object() && payload.contains("aps") ? payload["aps"] : empty;
  const std::string alert = textOf(aps, "alert");
  if (alert.empty()) {
    std::fprintf(stderr, "Checking for announcements after receiving notification.\n");
    checkForAnnouncement();
    return;
  }
  if (application.state() != ui::ApplicationState::inactive) Utility::showAlertWithTitle("Tessaly", alert);
}
