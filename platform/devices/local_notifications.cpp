#include "platform/devices/local_notifications.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/foundation/bundle.h"
#include "platform/foundation/file_io.h"
#include "platform/uikit/application.h"

namespace dev {
namespace {

constexpr std::size_t kMaximumNotifications = 64;  // the platform keeps as many

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

LocalNotificationCenter& LocalNotificationCenter::shared() {
  static LocalNotificationCenter center(ns::preferencesDirectory() + "/LocalNotifications.json");
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
  load();
  arm();
}

LocalNotificationCenter::~LocalNotificationCenter() {
  if (timer_) timer_->invalidate();
}

void LocalNotificationCenter::load() {
  auto text = ns::readWholeFile(path_);
  if (!text) return;  // none yet
  ns::JSON root = ns::JSON::parse(*text, nullptr, false);
  if (root.is_discarded() || !root.is_object() || !root.contains("notifications") ||
      !root["notifications"].is_array()) {
    loadMessages_.push_back(path_ + ": not a list of notifications; none loaded");
    std::fprintf(stderr, "%s\n", loadMessages_.back().c_str());
    return;
  }
  const ns::JSON& list = root["notifications"];
  for (std::size_t i = 0; i < list.size() && scheduled_.size() < kMaximumNotifications; ++i) {
    LocalNotification n;
    std::string reason;
    if (!LocalNotification::fromJSON(list[i], n, &reason)) {
      loadMessages_.push_back(path_ + ": notification " + std::to_string(i) + ": " + reason + "; skipped");
      std::fprintf(stderr, "%s\n", loadMessages_.back().c_str());
      continue;
    }
    scheduled_.push_back(std::move(n));
  }
  std::stable_sort(scheduled_.begin(), scheduled_.end(), [](auto& a, auto& b) { return a.fireDate < b.fireDate; });
  for (auto& n : scheduled_) {
    long number = std::strtol(n.identifier.c_str() + (n.identifier.rfind('-') == std::string::npos ? 0 : n.identifier.rfind('-') + 1), nullptr, 10);
    nextIdentifier_ = std::max(nextIdentifier_, number + 1);
  }
}

bool LocalNotificationCenter::save(const std::function<void()>& beforeRename) {
  ns::JSON list = ns::JSON::array();
  for (auto& n : scheduled_) list.push_back(n.toJSON());
  ns::JSON root{{"notifications", list}};
  return ns::writeFileAtomically(path_, root.dump(1), beforeRename);
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
  const double wait = std::max(0.0, scheduled_.front().fireDate - wallClock_());
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
