// Local notifications: kept across a restart, fired in order on the clock,
// a crash mid-write leaves the old file, damaged files lose only what is bad.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/devices/local_notifications.h"
#include "platform/foundation/file_io.h"
#include "temp_dir.h"

namespace {

constexpr double kEpoch = 1.8e9;  // seconds since 1970 at the clock's start

struct Clocked {
  std::shared_ptr<ns::ManualClock> clock = std::make_shared<ns::ManualClock>(0);
  Clocked() { ns::RunLoop::main().setClock(clock); }
  static double wall() { return kEpoch + ns::RunLoop::main().now(); }
};

dev::LocalNotification alert(double in, std::string body, int minutes) {
  dev::LocalNotification n;
  n.fireDate = kEpoch + in;
  n.alertBody = std::move(body);
  n.soundName = "default";
  n.userInfo = {{"EventName", "ISS (ZARYA) Rise"}, {"EventTime", kEpoch + in + 60 * minutes},
                {"EventMinutesBefore", minutes}, {"EventObjectName", "ISS (ZARYA)"},
                {"EventObjectNumber", 25544}};
  return n;
}

// What an earlier run of the program left: its file of these alerts.
void saveInAnEarlierRun(const std::string& path, const std::vector<dev::LocalNotification>& alerts) {
  dev::LocalNotificationCenter run(path, Clocked::wall);
  for (const dev::LocalNotification& n : alerts) run.schedule(n);
  EXPECT_EQ(run.scheduled().size(), alerts.size());
}

TEST(DevicesNotifications, ScheduledAlertsSurviveARestartAndFireInOrder) {
  Clocked clocked;
  tessaly::test::TempDir dir;
  const std::string path = dir.file("LocalNotifications.json");
  saveInAnEarlierRun(path, {alert(300, "ISS (ZARYA) Rise in 5 minutes.", 5), alert(100, "Moon Set in 1 minute.", 1),
                            alert(200, "Mars Transit now.", 0)});
  dev::LocalNotificationCenter center(path, Clocked::wall);
  ASSERT_EQ(center.scheduled().size(), 3u);
  EXPECT_TRUE(center.loadMessages().empty());
  EXPECT_EQ(center.scheduled()[0].alertBody, "Moon Set in 1 minute.");
  EXPECT_EQ(center.scheduled()[2].userInfo["EventObjectNumber"], 25544);
  std::vector<std::pair<double, std::string>> fired;
  center.onFire = [&](const dev::LocalNotification& n) { fired.push_back({Clocked::wall() - kEpoch, n.alertBody}); };
  ns::RunLoop::main().runFor(150);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_NEAR(fired[0].first, 100, 1e-6);
  ns::RunLoop::main().runFor(200);
  ASSERT_EQ(fired.size(), 3u);
  EXPECT_EQ(fired[1].second, "Mars Transit now.");
  EXPECT_NEAR(fired[2].first, 300, 1e-6);
  EXPECT_TRUE(center.scheduled().empty());
  // What fired is gone from the file too.
  EXPECT_TRUE(dev::LocalNotificationCenter(path, Clocked::wall).scheduled().empty());
  // A past date fires at once; a cancelled one never.
  center.schedule(alert(-50, "late", 0));
  center.schedule(alert(500, "cancelled", 0));
  center.cancel(center.scheduled().back().identifier);
  ns::RunLoop::main().runFor(1000);
  ASSERT_EQ(fired.size(), 4u);
  EXPECT_EQ(fired[3].second, "late");
}

// Only a running program fires alerts: what fell due while none ran is
// dropped when the file is opened, not fired late.
TEST(DevicesNotifications, OpeningTheFileDropsWhatFellDueWhileClosedAndArmsWhatIsAhead) {
  Clocked clocked;
  tessaly::test::TempDir dir;
  const std::string path = dir.file("LocalNotifications.json");
  saveInAnEarlierRun(path, {alert(50, "passed while closed", 0), alert(100, "now", 0), alert(3600, "later", 0)});
  clocked.clock->advance(100);  // closed for a hundred seconds
  std::vector<std::pair<double, std::string>> fired;
  dev::LocalNotificationCenter center(path, Clocked::wall);
  center.onFire = [&](const dev::LocalNotification& n) { fired.push_back({Clocked::wall() - kEpoch, n.alertBody}); };
  ASSERT_EQ(center.scheduled().size(), 2u) << "one due at the very moment of opening is still ahead";
  EXPECT_EQ(center.scheduled()[0].alertBody, "now");
  EXPECT_TRUE(center.loadMessages().empty());
  EXPECT_EQ(dev::LocalNotificationCenter(path, Clocked::wall).scheduled().size(), 2u) << "the file agrees";
  ns::RunLoop::main().runFor(10);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0].second, "now");
  EXPECT_NEAR(fired[0].first, 100, 1e-3);  // at once
  // Opened again later, as the next run does, with nothing passed: the
  // file is left as it is.
  const std::string before = *ns::readWholeFile(path);
  clocked.clock->advance(1000);
  center.reopen();
  ASSERT_EQ(center.scheduled().size(), 1u);
  EXPECT_EQ(*ns::readWholeFile(path), before);
  ns::RunLoop::main().runFor(2500);
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[1].second, "later");
  EXPECT_NEAR(fired[1].first, 3600, 1e-6);
}

// The loop waits on a steady clock, which stands still while the machine
// sleeps: the wall clock is read again at least once a minute.
TEST(DevicesNotifications, AnAlertFiresWithinAMinuteWhenTheWallClockJumpsAhead) {
  Clocked clocked;
  tessaly::test::TempDir dir;
  double slept = 0;
  dev::LocalNotificationCenter center(dir.file("n.json"), [&slept] { return Clocked::wall() + slept; });
  std::vector<double> firedAt;
  center.onFire = [&](const dev::LocalNotification&) { firedAt.push_back(ns::RunLoop::main().now()); };
  center.schedule(alert(3 * 3600, "after the night", 0));
  const double start = ns::RunLoop::main().now();
  ns::RunLoop::main().runFor(10);
  slept = 8 * 3600;
  ns::RunLoop::main().runFor(120);
  ASSERT_EQ(firedAt.size(), 1u);
  EXPECT_LE(firedAt[0] - start, 10 + 60 + 1e-6);
}

TEST(DevicesNotifications, AChildKilledMidWriteLeavesTheOldFile) {
  Clocked clocked;
  tessaly::test::TempDir dir;
  const std::string path = dir.file("LocalNotifications.json");
  dev::LocalNotificationCenter center(path, Clocked::wall);
  center.schedule(alert(100, "kept", 0));
  const std::string before = *ns::readWholeFile(path);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dev::LocalNotificationCenter other(path, Clocked::wall);
    other.cancelAll();  // writes the empty list...
    other.schedule(alert(5, "never", 0));
    other.save([] { _exit(0); });  // ...and dies before the rename
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  // The child's own saves went through; its last one died unrenamed.
  dev::LocalNotificationCenter after(path, Clocked::wall);
  ASSERT_EQ(after.scheduled().size(), 1u);
  EXPECT_EQ(after.scheduled()[0].alertBody, "never");
  EXPECT_NE(*ns::readWholeFile(path), before);
  // A crash during the only write keeps the file as it was.
  const std::string kept = *ns::readWholeFile(path);
  child = fork();
  if (child == 0) {
    dev::LocalNotificationCenter other(path, Clocked::wall);
    other.onFire = nullptr;
    ns::JSON ignored;
    other.save([] { _exit(0); });
    _exit(1);
  }
  waitpid(child, &status, 0);
  EXPECT_EQ(*ns::readWholeFile(path), kept);
}

TEST(DevicesNotifications, DamagedFilesLoseOnlyTheirBadEntries) {
  Clocked clocked;
  tessaly::test::TempDir dir;
  const std::string path = dir.file("n.json");
  ASSERT_TRUE(ns::writeFileAtomically(path, R"({"notifications": [
      {"fireDate": 1800000100, "alertBody": "good"},
      {"fireDate": "soon"},
      {"alertBody": "no date"},
      {"fireDate": 1800000050, "userInfo": [1, 2]},
      7,
      {"fireDate": 1800000200, "alertBody": "also good", "badge": 1},
      {"fireDate": 1800000300, "identifier": "notification-99999999999999999999999"}]})"));
  const std::string damaged = *ns::readWholeFile(path);
  dev::LocalNotificationCenter center(path, Clocked::wall);
  ASSERT_EQ(center.scheduled().size(), 3u);
  EXPECT_EQ(center.scheduled()[1].applicationIconBadgeNumber, 1);
  // Alerts are deleted by identifier: those without one get their own, so
  // deleting one leaves the other.
  EXPECT_NE(center.scheduled()[0].identifier, "");
  EXPECT_NE(center.scheduled()[0].identifier, center.scheduled()[1].identifier);
  ASSERT_EQ(center.loadMessages().size(), 5u);
  EXPECT_EQ(center.loadMessages()[0], path + ": notification 1: no fire date; skipped");
  // The damaged file is kept whole beside the new one, which holds what
  // could be read, so the page and the file agree.
  EXPECT_EQ(center.loadMessages()[4], "Alerts file " + path + " has 4 damaged entries; kept as " + path +
                                          ".unreadable, the alerts read from it scheduled");
  EXPECT_EQ(ns::readWholeFile(path + ".unreadable"), damaged);
  EXPECT_EQ(dev::LocalNotificationCenter(path, Clocked::wall).scheduled().size(), 3u);
  center.cancel(center.scheduled()[0].identifier);
  EXPECT_EQ(center.scheduled().size(), 2u);
  ASSERT_TRUE(ns::writeFileAtomically(path, "{\"notifications\": [{\"fireDate\": 1"));
  dev::LocalNotificationCenter broken(path, Clocked::wall);
  EXPECT_TRUE(broken.scheduled().empty());
  EXPECT_EQ(broken.loadMessages(), std::vector<std::string>{"Alerts file " + path +
                                                             " holds no list of notifications; kept as " + path +
                                                             ".unreadable.1, no alerts scheduled"});
  EXPECT_EQ(ns::readWholeFile(path + ".unreadable.1"), "{\"notifications\": [{\"fireDate\": 1");
  EXPECT_EQ(ns::readWholeFile(path + ".unreadable"), damaged) << "an earlier kept file stays";
  // Something that cannot be read at all (a folder) is moved aside too, and
  // the alerts set afterwards are kept.
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  dev::LocalNotificationCenter folder(path, Clocked::wall);
  EXPECT_EQ(folder.loadMessages(), std::vector<std::string>{"Alerts file " + path + " cannot be read; kept as " +
                                                             path + ".unreadable.2, no alerts scheduled"});
  EXPECT_TRUE(std::filesystem::is_directory(path + ".unreadable.2"));
  folder.schedule(alert(100, "set afterwards", 0));
  EXPECT_EQ(dev::LocalNotificationCenter(path, Clocked::wall).scheduled().size(), 1u);

  // Values replaced in the file's tree (byte mutations seldom leave JSON
  // that parses): every file loads without harm, keeping its good entries.
  testing::internal::CaptureStderr();
  const ns::JSON seed = ns::JSON::parse(R"({"notifications": [
      {"fireDate": 1800000100, "alertBody": "a", "userInfo": {"EventName": "x", "EventMinutesBefore": 5}},
      {"fireDate": 1800000200, "alertBody": "b", "badge": 2, "identifier": "notification-7"}]})");
  const ns::JSON replacements[] = {nullptr, true, -1, 1e308, "text", ns::JSON::array(), ns::JSON::object(),
                                   ns::JSON::array({1, 2})};
  std::uint64_t state = 7;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 33;
  };
  int loaded = 0, empty = 0;
  for (int i = 0; i < 300; ++i) {
    ns::JSON doc = seed;
    std::vector<ns::JSON*> nodes;
    std::function<void(ns::JSON&)> collect = [&](ns::JSON& j) {
      nodes.push_back(&j);
      if (j.is_structured())
        for (auto& child : j) collect(child);
    };
    collect(doc);
    *nodes[next() % nodes.size()] = replacements[next() % std::size(replacements)];
    ns::writeFileAtomically(path, i % 10 == 0 ? doc.dump().substr(0, next() % 80) : doc.dump());
    dev::LocalNotificationCenter c(path, Clocked::wall);
    c.onFire = nullptr;
    for (auto& n : c.scheduled()) ASSERT_TRUE(std::isfinite(n.fireDate));
    (c.scheduled().empty() ? empty : loaded)++;
  }
  testing::internal::GetCapturedStderr();
  EXPECT_GT(loaded, 150);
  EXPECT_GT(empty, 20);
}

// Every name for a kept copy taken: the damaged file stays as it was while
// the alerts read from it are scheduled, fire and are added to; one line
// says so, and the saves that follow say nothing more.
TEST(DevicesNotifications, AFileThatCannotBeKeptAsideIsNeverWrittenOver) {
  Clocked clocked;
  tessaly::test::TempDir dir;
  const std::string path = dir.file("n.json");
  ASSERT_TRUE(tessaly::test::takeEveryKeptAsideName(path));
  const std::string damaged = R"({"notifications": [{"fireDate": "soon"}, {"fireDate": 1800000100}]})";
  ASSERT_TRUE(ns::writeFileAtomically(path, damaged));
  testing::internal::CaptureStderr();
  dev::LocalNotificationCenter center(path, Clocked::wall);
  center.schedule(alert(200, "set afterwards", 0));
  int fired = 0;
  center.onFire = [&](const dev::LocalNotification&) { ++fired; };
  ns::RunLoop::main().runFor(300);
  const std::string said = path + ": notification 0: no fire date; skipped\nAlerts file " + path +
                           " has 1 damaged entry and cannot be kept aside (1000 unreadable copies are kept "
                           "already); the alerts read from it scheduled, and nothing is saved over it in this run";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), said + "\n");
  EXPECT_EQ(center.loadMessages().back(), said.substr(said.find('\n') + 1));
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(*ns::readWholeFile(path), damaged);
}

// A file that cannot be written (its folder is not there) is said once
// for a run of failed saves, not at every change of the list.
TEST(DevicesNotifications, SavesThatFailAreSaidOnce) {
  Clocked clocked;
  tessaly::test::TempDir dir;
  const std::string path = dir.file("Preferences/n.json");
  dev::LocalNotificationCenter center(path, Clocked::wall);
  testing::internal::CaptureStderr();
  center.schedule(alert(100, "first", 0));
  center.schedule(alert(200, "second", 0));
  center.cancelAll();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Alerts file " + path + " could not be written; nothing is saved\n");
}

}  // namespace
