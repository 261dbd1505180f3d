// Local notifications: scheduled for a wall-clock moment, kept in a file
// that survives restarts (replaced atomically at every change), and fired
// in order by a timer on the main run loop into the application delegate.
//
// Thread rules: main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/json.h"
#include "platform/foundation/run_loop.h"

namespace dev {

struct LocalNotification {
  double fireDate = 0;          // seconds since 1970-01-01 UTC
  std::string timeZone;         // the zone the date was chosen in
  std::string alertBody;
  std::string soundName;        // "" for none, "default" for the platform's
  long applicationIconBadgeNumber = 0;
  ns::JSON userInfo = ns::JSON::object();
  std::string identifier;       // given when scheduled

  ns::JSON toJSON() const;
  // False (with a reason) for an entry of the file that cannot be used.
  static bool fromJSON(const ns::JSON& json, LocalNotification& out, std::string* reason);
};

class LocalNotificationCenter {
 public:
  // The process's centre: its file is Preferences/LocalNotifications.json.
  static LocalNotificationCenter& shared();
  // A centre over a file, with a wall clock (seconds since 1970); by
  // default the main run loop's wall time, so that a manual run-loop clock
  // (with the wall time it stands for) moves it too.
  explicit LocalNotificationCenter(std::string path, std::function<double()> wallClock = {});
  ~LocalNotificationCenter();

  // The wall clock the centre fires by (seconds since 1970).
  double now() const { return wallClock_(); }

  void schedule(LocalNotification notification);
  const std::vector<LocalNotification>& scheduled() const { return scheduled_; }
  void cancel(const std::string& identifier);
  void cancelAll();
  // Messages about entries of a damaged file that were skipped.
  const std::vector<std::string>& loadMessages() const { return loadMessages_; }
  // Receives due notifications (by default the application delegate).
  std::function<void(const LocalNotification&)> onFire;
  // Replaces the file with the present list (tests: `beforeRename` stands
  // for a crash between writing and renaming).
  bool save(const std::function<void()>& beforeRename = {});

 private:
  void load();
  void arm();
  void fireDue();

  std::string path_;
  std::function<double()> wallClock_;
  std::vector<LocalNotification> scheduled_;
  std::vector<std::string> loadMessages_;
  std::shared_ptr<ns::Timer> timer_;
  long nextIdentifier_ = 1;
};

}  // namespace dev
