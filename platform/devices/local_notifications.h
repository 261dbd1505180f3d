// Local notifications: scheduled for a wall-clock moment, kept in a file
// that survives restarts (replaced atomically at every change), and fired
// in order by a timer on the main run loop into the application delegate.
// Only a running program fires them: what fell due while none ran is
// dropped when the file is next opened, not fired late.
//
// Thread rules: main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
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
  // The process's centre over its file, Preferences/LocalNotifications.json;
  // made (and the file read) at the first call.
  static LocalNotificationCenter& shared();
  // The process's centre, opened from its file as a new run of the program
  // opens it (see reopen()). The application calls it at launch, so that
  // alerts saved in an earlier run fire without a screen asking for them.
  static LocalNotificationCenter& openShared();
  static std::string sharedPath();
  // A centre over a file, with a wall clock (seconds since 1970); by
  // default the main run loop's wall time, so that a manual run-loop clock
  // (with the wall time it stands for) moves it too. Opens the file as
  // reopen() does.
  explicit LocalNotificationCenter(std::string path, std::function<double()> wallClock = {});
  ~LocalNotificationCenter();
  LocalNotificationCenter(const LocalNotificationCenter&) = delete;
  LocalNotificationCenter& operator=(const LocalNotificationCenter&) = delete;

  // Reads the list from the file again and arms the timer. Alerts whose
  // time came before now passed while no program ran to fire them: they
  // are dropped from the list and the file without firing late. A damaged
  // file is kept aside (see loadMessages()) and replaced by what could be
  // read from it; one that cannot be moved aside is not written over in
  // this run.
  void reopen();

  // The wall clock the centre fires by (seconds since 1970).
  double now() const { return wallClock_(); }

  void schedule(LocalNotification notification);
  const std::vector<LocalNotification>& scheduled() const { return scheduled_; }
  void cancel(const std::string& identifier);
  void cancelAll();
  // What the last opening of the file found wrong with it, and where the
  // damaged file was kept.
  const std::vector<std::string>& loadMessages() const { return loadMessages_; }
  // Receives due notifications (by default the application delegate).
  std::function<void(const LocalNotification&)> onFire;
  // Replaces the file with the present list (tests: `beforeRename` stands
  // for a crash between writing and renaming); a failure is said on
  // standard error, once for a run of them.
  bool save(const std::function<void()>& beforeRename = {});

 private:
  // Reads the file. What was wrong with it ("cannot be read", "has 2
  // damaged entries"), or nothing when all of it could be used.
  std::optional<std::string> load();
  void report(std::string message);
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
