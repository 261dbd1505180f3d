// Named notifications delivered synchronously to registered observers.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/json.h"

namespace ns {

struct Notification {
  std::string name;
  const void* object = nullptr;  // the sender, compared only
  JSON userInfo;
};

class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  static NotificationCenter& defaultCenter();

  // `observer` identifies the registration for removal; it is never
  // dereferenced. An observer may register for several names.
  void addObserver(const void* observer, std::string name, Handler handler);
  void removeObserver(const void* observer);
  void removeObserver(const void* observer, std::string_view name);
  // Calls every observer of the name on this thread, in order of
  // registration. Observers removed by an earlier handler are not called.
  void post(const Notification& notification);
  void post(std::string name, const void* object = nullptr, JSON userInfo = {});

 private:
  struct Entry {
    const void* observer;
    std::string name;
    std::shared_ptr<Handler> handler;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace ns
