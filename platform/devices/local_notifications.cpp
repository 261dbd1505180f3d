#include "platform/devices/local_notifications.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

#include "platform/foundation/bundle.h"
#include "platform/foundation/file_io.h"
#include "platform/uikit/application.h"

namespace dev {
namespace {

constexpr std::string_view kFileKind = "Alerts file";
constexpr std::size_t kMaximumNotifications = 64;  // the platform keeps as many
// The timer wakes at least this often to read the wall clock again: the run
// loop waits on a steady clock, which stands still while the machine sleeps
// and does not follow a change of the system's time, so an alert due after
// a night's sleep would otherwise fire hours late.
constexpr double kLongestWaitSeconds = 60;

// The number after the last "-" of an identifier this centre gave
// ("notification-7"), or 0.
long identifierNumber(const std::string& identifier) {
  const std::size_t dash = identifier.rfind('-');
  const char* digits = identifier.c_str() + (dash == std::string::npos ? 0 : dash + 1);
  long number = 0;
  const auto [end, error] = std::from_chars(digits, identifier.c_str() + identifier.size(), number);
  return error == std::errc() && end != digits ? number : 0;
}

// The process's centre, made at the first call (which sets `made`).
LocalNotificationCenter& processCenter(bool& made) {
  static LocalNotificationCenter center = [&made] {
    made = true;
    return LocalNotificationCenter(LocalNotificationCenter::sharedPath());
  }();
  return center;
}

}  // namespace

ns::JSON LocalNotification::toJSON() const {
  return {{"fireDate", fireDate},       {"timeZone", timeZone},   {"alertBody", alertBody},
          {"soundName", soundName},     {"badge", applicationIconBadgeNumber},
          {"userInfo", userInfo},       {"identifier", identifier}};
}

bool LocalNotification::fromJSON(const ns::JSON& j, LocalNotification& out, std::string* reason) {
  auto fail = [&](const char* why) {
    if (reason) *reason = why;
    return false;
  };
  if (!j.is_object()) return fail("not an object");
  if (!j.contains("fireDate") || !j["fireDate"].is_number() || !std::isfinite(j["fireDate"].get<double>()))
    return fail("no fire date");
  out = {};
  out.fireDate = j["fireDate"].get<double>();
  auto text = [&](const char* key, std::string& field) {
    if (j.contains(key) && j[key].is_string()) field = j[key].get<std::string>();
  };
  text("timeZone", out.timeZone);
  text("alertBody", out.alertBody);
  text("soundName", out.soundName);
  text("identifier", out.identifier);
  if (j.contains("badge") && j["badge"].is_number_integer()) out.applicationIconBadgeNumber = j["badge"].get<long>();
  if (j.contains("userInfo")) {
    if (!j["userInfo"].is_object()) return fail("user info is not an object");
    out.userInfo = j["userInfo"];
  }
  return true;
}

std::string LocalNotificationCenter::sharedPath() { return ns::preferencesDirectory() + "/LocalNotifications.json"; }

LocalNotificationCenter& LocalNotificationCenter::shared() {
  bool made = false;
  return processCenter(made);
}

LocalNotificationCenter& LocalNotificationCenter::openShared() {
  bool made = false;
  LocalNotificationCenter& center = processCenter(made);
  // A centre made just now has read its file already.
  if (!made) center.reopen();
  return center;
}

LocalNotificationCenter::LocalNotificationCenter(std::string path, std::function<double()> wallClock)
    : path_(std::move(path)), wallClock_(std::move(wallClock)) {
  if (!wallClock_) wallClock_ = [] { return ns::RunLoop::main().wallTime(); };
  onFire = [](const LocalNotification& n) {
    auto& app = ui::Application::shared();
    app.applicationIconBadgeNumber += n.applicationIconBadgeNumber;
    if (auto* delegate = app.delegate()) delegate->didReceiveLocalNotification(app, n.toJSON());
  };
  reopen();
}

LocalNotificationCenter::~LocalNotificationCenter() {
  if (timer_) timer_->invalidate();
}

void LocalNotificationCenter::reopen() {
  scheduled_.clear();
  loadMessages_.clear();
  const std::optional<std::string> problem = load();
  if (problem) {
    // The next save would destroy what is left of it.
    loadMessages_.push_back(ns::keepUnreadableFileAside(
        path_, kFileKind, *problem, scheduled_.empty() ? "no alerts scheduled" : "the alerts read from it scheduled"));
  }
  // The list is in order of fire date.
  const auto ahead = std::find_if(scheduled_.begin(), scheduled_.end(),
                                  [now = wallClock_()](const LocalNotification& n) { return n.fireDate >= now; });
  const bool passed = ahead != scheduled_.begin();
  scheduled_.erase(scheduled_.begin(), ahead);
  // The file then holds what the list holds.
  if (problem || passed) save();
  arm();
}

void LocalNotificationCenter::report(std::string message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  loadMessages_.push_back(std::move(message));
}

std::optional<std::string> LocalNotificationCenter::load() {
  auto text = ns::readWholeFile(path_);
  if (!text) {
    if (::access(path_.c_str(), F_OK) != 0) return std::nullopt;  // none yet
    return "cannot be read";
  }
  ns::JSON root = ns::JSON::parse(*text, nullptr, false);
  if (root.is_discarded() || !root.is_object() || !root.contains("notifications") ||
      !root["notifications"].is_array())
    return "holds no list of notifications";
  std::size_t damaged = 0;
  const ns::JSON& list = root["notifications"];
  for (std::size_t i = 0; i < list.size() && scheduled_.size() < kMaximumNotifications; ++i) {
    LocalNotification n;
    std::string reason;
    if (!LocalNotification::fromJSON(list[i], n, &reason)) {
      report(path_ + ": notification " + std::to_string(i) + ": " + reason + "; skipped");
      ++damaged;
      continue;
    }
    scheduled_.push_back(std::move(n));
  }
  std::stable_sort(scheduled_.begin(), scheduled_.end(), [](auto& a, auto& b) { return a.fireDate < b.fireDate; });
  for (auto& n : scheduled_) {
    const long number = identifierNumber(n.identifier);
    if (number < std::numeric_limits<long>::max()) nextIdentifier_ = std::max(nextIdentifier_, number + 1);
  }
  // An alert is cancelled by its identifier: one without would go with
  // every other that has none.
  for (auto& n : scheduled_)
    if (n.identifier.empty()) n.identifier = "notification-" + std::to_string(nextIdentifier_++);
  if (damaged == 0) return std::nullopt;
  return "has " + std::to_string(damaged) + (damaged == 1 ? " damaged entry" : " damaged entries");
}

bool LocalNotificationCenter::save(const std::function<void()>& beforeRename) {
  ns::JSON list = ns::JSON::array();
  for (auto& n : scheduled_) list.push_back(n.toJSON());
  ns::JSON root{{"notifications", list}};
  const bool written = ns::writeFileAtomically(path_, root.dump(1), beforeRename);
  ns::noteFileWritten(path_, kFileKind, written);
  return written;
}

void LocalNotificationCenter::schedule(LocalNotification notification) {
  if (!std::isfinite(notification.fireDate)) return;
  if (notification.identifier.empty()) notification.identifier = "notification-" + std::to_string(nextIdentifier_++);
  auto at = std::upper_bound(scheduled_.begin(), scheduled_.end(), notification.fireDate,
                             [](double date, auto& n) { return date < n.fireDate; });
  scheduled_.insert(at, std::move(notification));
  // The platform keeps the soonest ones.
  if (scheduled_.size() > kMaximumNotifications) scheduled_.resize(kMaximumNotifications);
  save();
  arm();
}

void LocalNotificationCenter::cancel(const std::string& identifier) {
  scheduled_.erase(std::remove_if(scheduled_.begin(), scheduled_.end(),
                                  [&](auto& n) { return n.identifier == identifier; }),
                   scheduled_.end());
  save();
  arm();
}

void LocalNotificationCenter::cancelAll() {
  scheduled_.clear();
  save();
  arm();
}

void LocalNotificationCenter::arm() {
  if (timer_) timer_->invalidate();
  timer_.reset();
  if (scheduled_.empty()) return;
  const double wait = std::clamp(scheduled_.front().fireDate - wallClock_(), 0.0, kLongestWaitSeconds);
  timer_ = ns::RunLoop::main().scheduleTimer(wait, false, [this](ns::Timer&) { fireDue(); });
}

void LocalNotificationCenter::fireDue() {
  const double now = wallClock_();
  std::vector<LocalNotification> due;
  while (!scheduled_.empty() && scheduled_.front().fireDate <= now + 1e-6) {
    due.push_back(std::move(scheduled_.front()));
    scheduled_.erase(scheduled_.begin());
  }
  if (!due.empty()) save();
  arm();
  for (auto& n : due)
    if (onFire) onFire(n);
}

}  // namespace dev
