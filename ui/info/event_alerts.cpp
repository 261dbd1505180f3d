#include "ui/info/event_alerts.h"

#include <cstring>

#include "skydata/sky_object_id.h"
#include "ui/foundation/shell.h"

namespace {
// Seconds the confirmation stays.
constexpr int kConfirmationSeconds = 3;
}  // namespace

dev::LocalNotification makeEventNotification(const std::string& eventName,
                                             const SkyObjectID& object, ns::Date eventDate,
                                             int minutesBefore) {
  dev::LocalNotification notification;
  notification.fireDate = eventDate.timeIntervalSince1970() - 60.0 * minutesBefore;
  notification.timeZone = ns::TimeZone::defaultTimeZone().name();
  notification.soundName = "default";
  if (minutesBefore == 0)
    notification.alertBody = eventName + " now.";
  else if (minutesBefore == 1)
    notification.alertBody = eventName + " in 1 minute.";
  else if (minutesBefore > 1)
    notification.alertBody = eventName + " in " + std::to_string(minutesBefore) + " minutes.";
  ns::JSON& info = notification.userInfo;
  info[kEventNameKey] = eventName;
  info[kEventTimeKey] = eventDate.timeIntervalSince1970();
  info[kEventMinutesBeforeKey] = minutesBefore;
  info[kEventObjectNameKey] = std::string(object.name, strnlen(object.name, sizeof object.name));
  info[kEventObjectNumberKey] = static_cast<std::int64_t>(object.catnum);
  return notification;
}

bool scheduleEventAlert(const std::string& eventName, const SkyObjectID& object, ns::Date eventDate,
                        int minutesBefore) {
  dev::LocalNotificationCenter& center = dev::LocalNotificationCenter::shared();
  AppDelegate* delegate = AppDelegate::instance();
  if (eventDate.timeIntervalSince1970() <= center.now()) {
    if (delegate != nullptr)
      delegate->showMessage("No alert set: this event is already over.", kConfirmationSeconds);
    return false;
  }
  dev::LocalNotification notification =
      makeEventNotification(eventName, object, eventDate, minutesBefore);
  const ns::Date fireDate = ns::Date::fromTimeIntervalSince1970(notification.fireDate);
  center.schedule(std::move(notification));
  ns::DateFormatter formatter;
  formatter.setDateStyle(ns::DateFormatter::Style::medium);
  formatter.setTimeStyle(ns::DateFormatter::Style::medium);
  if (delegate != nullptr)
    delegate->showMessage("Alert scheduled for: \n" + formatter.stringFromDate(fireDate) +
                              "\n\nYou can see all scheduled alerts in the Settings.",
                          kConfirmationSeconds);
  return true;
}
