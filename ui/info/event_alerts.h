// Event alerts: a local notification so many minutes before an event an
// information or list row shows, with the details the scheduled-alerts
// page reads back.
//
// Thread rules: main thread only.
#pragma once

#include <string>

#include "platform/devices/local_notifications.h"
#include "platform/foundation/date.h"

struct SkyObjectID;

// The user-info keys of an event alert.
inline constexpr const char* kEventNameKey = "EventName";
inline constexpr const char* kEventTimeKey = "EventTime";  // seconds since 1970
inline constexpr const char* kEventMinutesBeforeKey = "EventMinutesBefore";
inline constexpr const char* kEventObjectNameKey = "EventObjectName";
inline constexpr const char* kEventObjectNumberKey = "EventObjectNumber";

// The notification for an event: fired `minutesBefore` minutes before
// `eventDate` in the default time zone with the default sound, its body
// "<name> now.", "<name> in 1 minute." or "<name> in N minutes." (empty
// for a negative count), and the five user-info entries.
dev::LocalNotification makeEventNotification(const std::string& eventName,
                                             const SkyObjectID& object, ns::Date eventDate,
                                             int minutesBefore);

// Schedules it and confirms with the fire date, unless the event is
// already over by the notification centre's clock: that is refused with a
// message (a warning time that is already past still fires at once).
// Returns whether it was scheduled.
bool scheduleEventAlert(const std::string& eventName, const SkyObjectID& object, ns::Date eventDate,
                        int minutesBefore);
