// Bundle and folders, dates and zones, locks, notifications and JSON.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include "platform/foundation/bundle.h"
#include "platform/foundation/date.h"
#include "platform/foundation/file_io.h"
#include "platform/foundation/json.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/threads.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using tessaly::test::TempDir;

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, hadOld_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { hadOld_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::string old_;
  bool hadOld_ = false;
};

TEST(Bundle, ResourcesSitBesideTheRealExecutableUnlessConfigured) {
  unsetenv("TESSALY_BUNDLE");
  std::string exe = ns::Bundle::executablePath();
  ASSERT_FALSE(exe.empty());
  EXPECT_TRUE(fs::equivalent(exe, "/proc/self/exe"));
  EXPECT_EQ(ns::Bundle::main().resourcePath(), fs::path(exe).parent_path().string());

  TempDir dir;
  ScopedEnv bundle("TESSALY_BUNDLE", dir.path().string() + "/");
  EXPECT_EQ(ns::Bundle::main().resourcePath(), dir.path().string());
  fs::create_directories(dir.path() / "SkyInfo");
  tessaly::test::writeFile(dir.file("SkyInfo/Moon.html"), "<p>");
  EXPECT_EQ(ns::Bundle::main().pathForResource("Moon", "html", "SkyInfo"), dir.file("SkyInfo/Moon.html"));
  EXPECT_EQ(ns::Bundle::main().pathForResource("Moon.html", "", "SkyInfo"), dir.file("SkyInfo/Moon.html"));
  EXPECT_EQ(ns::Bundle::main().pathForResource("Mars", "html", "SkyInfo"), "");
  EXPECT_EQ(ns::Bundle::main().pathForResource("SkyInfo", ""), "");  // a folder is no resource
}

TEST(Bundle, InfoValuesNameTheVersion) {
  EXPECT_FALSE(ns::Bundle::main().infoValue("CFBundleShortVersionString").empty());
  EXPECT_FALSE(ns::Bundle::main().infoValue("CFBundleVersion").empty());
  EXPECT_EQ(ns::Bundle::main().infoValue("NoSuchKey"), "");
}

TEST(Folders, TessalyHomeHoldsEveryFolderAndTheyAreCreated) {
  TempDir dir;
  ScopedEnv home("TESSALY_HOME", dir.path().string());
  EXPECT_EQ(ns::documentsDirectory(), dir.file("Documents"));
  EXPECT_EQ(ns::cachesDirectory(), dir.file("Caches"));
  EXPECT_EQ(ns::preferencesDirectory(), dir.file("Preferences"));
  EXPECT_EQ(ns::temporaryDirectory(), dir.file("tmp"));
  for (const char* name : {"Documents", "Caches", "Preferences", "tmp"})
    EXPECT_TRUE(fs::is_directory(dir.path() / name)) << name;
}

TEST(Folders, TheTemporaryFolderIsPrivateAndAPlantedOneIsRefused) {
  TempDir dir;
  ScopedEnv home("TESSALY_HOME", "");
  unsetenv("TESSALY_HOME");
  ScopedEnv tmp("TMPDIR", dir.path().string());
  ScopedEnv cache("XDG_CACHE_HOME", dir.file("cache"));
  const std::string shared = dir.file("tessaly-" + std::to_string(::getuid()));
  const auto mode = [](const std::string& path) {
    return fs::status(path).permissions() & fs::perms::all;
  };
  // Made for the owner alone; one left open is narrowed.
  EXPECT_EQ(ns::temporaryDirectory(), shared);
  EXPECT_EQ(mode(shared), fs::perms::owner_all);
  fs::permissions(shared, fs::perms::all);
  EXPECT_EQ(ns::temporaryDirectory(), shared);
  EXPECT_EQ(mode(shared), fs::perms::owner_all);
  // A link planted under the name is not followed.
  fs::remove(shared);
  fs::create_directory(dir.file("elsewhere"));
  fs::create_directory_symlink(dir.file("elsewhere"), shared);
  const std::string fallback = dir.file("cache") + "/tessaly/tmp";
  EXPECT_EQ(ns::temporaryDirectory(), fallback);
  EXPECT_EQ(mode(fallback), fs::perms::owner_all);
  // A folder of another user's is not used.
  if (::getuid() == 0) {
    fs::remove(shared);
    fs::create_directory(shared);
    ASSERT_EQ(::chown(shared.c_str(), 12345, 12345), 0);
    EXPECT_EQ(ns::temporaryDirectory(), fallback);
  }
}

TEST(Folders, XdgFoldersAndTheirFallbacks) {
  TempDir dir;
  unsetenv("TESSALY_HOME");
  ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
  ScopedEnv cache("XDG_CACHE_HOME", "relative/is/ignored");
  ScopedEnv user("HOME", dir.path().string());
  EXPECT_EQ(ns::documentsDirectory(), dir.file("data/tessaly"));
  EXPECT_EQ(ns::cachesDirectory(), dir.file(".cache/tessaly"));
}

// The C library's gmtime and strftime are the oracle for calendar dates.
std::string oracle(double unixTime, int offset, const char* format) {
  std::time_t t = static_cast<std::time_t>(std::floor(unixTime)) + offset;
  std::tm parts;
  gmtime_r(&t, &parts);
  char text[128];
  std::strftime(text, sizeof text, format, &parts);
  return text;
}

TEST(Dates, ReferenceDateAndJulianDateAnchors) {
  EXPECT_EQ(ns::Date::fromTimeIntervalSinceReferenceDate(0).timeIntervalSince1970(), 978307200.0);
  // J2000.0 is 2000-01-01 12:00 UTC, 86400 x (2451910.5 - 2451545.0) s before the reference date.
  ns::Date j2000 = ns::Date::fromTimeIntervalSinceReferenceDate(-(2451910.5 - 2451545.0) * 86400.0);
  ns::DateFormatter f;
  f.setDateStyle(ns::DateFormatter::Style::medium);
  f.setTimeStyle(ns::DateFormatter::Style::medium);
  f.setTimeZone(ns::TimeZone::withSecondsFromGMT(0));
  EXPECT_EQ(f.stringFromDate(j2000), "Jan 1, 2000 at 12:00:00 PM");
  double now = ns::Date::now().timeIntervalSince1970();
  EXPECT_NEAR(now, static_cast<double>(std::time(nullptr)), 2.0);
}

TEST(Dates, FormatterStylesAgreeWithTheCLibrary) {
  using Style = ns::DateFormatter::Style;
  const int offsets[] = {0, 3600, -12600, 45 * 60 + 12 * 3600, -11 * 3600};
  for (double t = -5e9; t < 5e9; t += 7.77e6 + 0.5) {
    for (int offset : offsets) {
      ns::DateFormatter f;
      f.setTimeZone(ns::TimeZone::withSecondsFromGMT(offset));
      ns::Date date = ns::Date::fromTimeIntervalSince1970(t);
      f.setDateStyle(Style::medium);
      f.setTimeStyle(Style::medium);
      std::string day = oracle(t, offset, "%b %e, %Y");
      day.erase(day.find("  ") == std::string::npos ? day.size() : day.find("  "), 1);
      std::string time = oracle(t, offset, "%I:%M:%S %p");
      if (time[0] == '0') time.erase(0, 1);
      ASSERT_EQ(f.stringFromDate(date), day + " at " + time) << t << " " << offset;
      f.setDateStyle(Style::full);
      f.setTimeStyle(Style::none);
      std::string full = oracle(t, offset, "%A, %B %e, %Y");
      if (full.find("  ") != std::string::npos) full.erase(full.find("  "), 1);
      ASSERT_EQ(f.stringFromDate(date), full);
    }
  }
}

TEST(Dates, DefaultZoneIsProcessWideAndFixed) {
  ns::DateFormatter f;
  f.setDateStyle(ns::DateFormatter::Style::shortStyle);
  f.setTimeStyle(ns::DateFormatter::Style::shortStyle);
  ns::TimeZone::setDefaultTimeZone(ns::TimeZone::withSecondsFromGMT(-9000));
  ns::Date date = ns::Date::fromTimeIntervalSince1970(0);
  EXPECT_EQ(f.stringFromDate(date), "12/31/69, 9:30 PM");
  EXPECT_EQ(ns::TimeZone::defaultTimeZone().name(), "GMT-0230");
  ns::TimeZone::resetDefaultTimeZone();
  EXPECT_EQ(ns::TimeZone::defaultTimeZone(), ns::TimeZone::system());
  f.setTimeZone(ns::TimeZone::withSecondsFromGMT(0));
  f.setTimeStyle(ns::DateFormatter::Style::longStyle);
  f.setDateStyle(ns::DateFormatter::Style::none);
  EXPECT_EQ(f.stringFromDate(date), "12:00:00 AM GMT");
}

TEST(Threads, SemaphoreAndConditionHandOverBetweenThreads) {
  ns::Semaphore semaphore;
  EXPECT_FALSE(semaphore.wait(0.01));
  std::atomic<int> value{0};
  ASSERT_TRUE(ns::detachNewThread([&] {
    value = 42;
    semaphore.signal();
  }));
  EXPECT_TRUE(semaphore.wait());
  EXPECT_EQ(value, 42);

  ns::Condition condition;
  bool ready = false;
  std::thread producer([&] {
    std::lock_guard<ns::Condition> guard(condition);
    ready = true;
    condition.signal();
  });
  condition.lock();
  while (!ready) condition.wait();
  condition.unlock();
  producer.join();
  condition.lock();
  EXPECT_FALSE(condition.waitFor(0.01));
  condition.unlock();

  ns::RecursiveLock recursive;
  std::lock_guard<ns::RecursiveLock> outer(recursive);
  EXPECT_TRUE(recursive.tryLock());
  recursive.unlock();
}

TEST(Notifications, DeliveredInOrderToObserversOfTheName) {
  ns::NotificationCenter center;
  int a = 0, b = 0;
  std::vector<std::string> got;
  center.addObserver(&a, "KeyboardWillShow", [&](const ns::Notification& n) {
    got.push_back("a:" + std::to_string(n.userInfo.value("height", 0)));
  });
  center.addObserver(&b, "KeyboardWillShow", [&](const ns::Notification&) {
    got.push_back("b");
    center.removeObserver(&a);
  });
  center.addObserver(&b, "KeyboardDidHide", [&](const ns::Notification&) { got.push_back("b:hide"); });
  center.post("KeyboardWillShow", nullptr, ns::JSON{{"height", 216}});
  center.post("KeyboardWillShow");
  center.removeObserver(&b, "KeyboardWillShow");
  center.post("KeyboardWillShow");
  center.post("KeyboardDidHide");
  EXPECT_EQ(got, (std::vector<std::string>{"a:216", "b", "b", "b:hide"}));
}

// A replacement that its check refuses leaves the old file as it was and
// no temporary file behind; the check reads the whole new file beside it.
TEST(Files, ReplacementHappensOnlyWhenTheCheckOnTheWrittenFileAgrees) {
  TempDir dir;
  const std::string path = dir.file("list.txt");
  ASSERT_TRUE(tessaly::test::writeFile(path, "old"));
  std::string seen, folder;
  auto check = [&](bool verdict) {
    return [&, verdict](const std::string& temporary) {
      seen = tessaly::test::readFile(temporary);
      folder = fs::path(temporary).parent_path().string();
      return verdict;
    };
  };
  EXPECT_FALSE(ns::replaceFileIfAccepted(path, "refused", check(false)));
  EXPECT_EQ(seen, "refused");
  EXPECT_EQ(folder, dir.path().string());
  EXPECT_EQ(tessaly::test::readFile(path), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

  EXPECT_TRUE(ns::replaceFileIfAccepted(path, "accepted", check(true)));
  EXPECT_EQ(tessaly::test::readFile(path), "accepted");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  EXPECT_FALSE(ns::replaceFileIfAccepted(dir.file("missing/x"), "y", check(true)));
}

TEST(Json, ParsesValidTextAndRejectsTheRestWithoutThrowing) {
  auto doc = ns::parseJSON(R"({"aps":{"alert":"Pass in 5 minutes"},"n":[1,2.5]})");
  ASSERT_TRUE(doc);
  EXPECT_EQ((*doc)["aps"]["alert"], "Pass in 5 minutes");
  EXPECT_FALSE(ns::parseJSON("{\"a\":"));
  EXPECT_FALSE(ns::parseJSON(""));
  EXPECT_EQ(ns::serializeJSON(ns::JSON{{"s", std::string("\xff")}}), "{\"s\":\"\xEF\xBF\xBD\"}");
}

}  // namespace
