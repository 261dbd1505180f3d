#include "platform/foundation/notification_center.h"

#include <algorithm>

namespace ns {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter center;
  return center;
}

void NotificationCenter::addObserver(const void* observer, std::string name, Handler handler) {
  std::lock_guard<std::mutex> guard(mutex_);
  entries_.push_back({observer, std::move(name), std::make_shared<Handler>(std::move(handler))});
}

void NotificationCenter::removeObserver(const void* observer) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.observer == observer; });
}

void NotificationCenter::removeObserver(const void* observer, std::string_view name) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.observer == observer && e.name == name; });
}

void NotificationCenter::post(const Notification& notification) {
  std::vector<std::shared_ptr<Handler>> handlers;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    for (const Entry& e : entries_)
      if (e.name == notification.name) handlers.push_back(e.handler);
  }
  for (const auto& handler : handlers) {
    bool stillRegistered;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      stillRegistered = std::any_of(entries_.begin(), entries_.end(),
                                    [&](const Entry& e) { return e.handler == handler; });
    }
    if (stillRegistered) (*handler)(notification);
  }
}

void NotificationCenter::post(std::string name, const void* object, JSON userInfo) {
  post(Notification{std::move(name), object, std::move(userInfo)});
}

}  // namespace ns
