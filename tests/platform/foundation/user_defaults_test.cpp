#include "platform/foundation/user_defaults.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "fuzz.h"
#include "platform/foundation/file_io.h"
#include "temp_dir.h"

namespace {

using tessaly::test::TempDir;

TEST(UserDefaults, ValuesSurviveARestart) {
  TempDir dir;
  std::string path = dir.file("UserDefaults.txt");
  {
    ns::UserDefaults defaults(path);
    defaults.setInteger("AppTheme", 3);
    defaults.setInteger("Big", std::numeric_limits<std::int64_t>::min());
    defaults.setDouble("LastOrbitUpdateTime-2560", 2461016.123456789);
    defaults.setDouble("Forever", std::numeric_limits<double>::infinity());
    defaults.setString("LastAnnouncement", "Title\nText with \\ and\ttab\r\nhttps://x.test/ a=b");
    defaults.setString("key with spaces\n", "");
    ASSERT_TRUE(defaults.synchronize());
  }
  ns::UserDefaults again(path);
  EXPECT_EQ(again.integerForKey("AppTheme"), 3);
  EXPECT_EQ(again.integerForKey("Big"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(again.doubleForKey("LastOrbitUpdateTime-2560"), 2461016.123456789);
  EXPECT_EQ(again.doubleForKey("Forever"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(again.stringForKey("LastAnnouncement"),
            "Title\nText with \\ and\ttab\r\nhttps://x.test/ a=b");
  EXPECT_EQ(again.stringForKey("key with spaces\n"), "");
  EXPECT_FALSE(again.hasValue("Absent"));
  EXPECT_EQ(again.integerForKey("Absent"), 0);
  EXPECT_EQ(again.doubleForKey("Absent"), 0.0);
}

TEST(UserDefaults, RegisteredDefaultsApplyUntilAValueIsStoredAndAreNeverWritten) {
  TempDir dir;
  std::string path = dir.file("d.txt");
  ns::UserDefaults defaults(path);
  defaults.registerDefaults({{"AskToRateLaunchCount-1.0", std::int64_t{5}}});
  EXPECT_EQ(defaults.integerForKey("AskToRateLaunchCount-1.0"), 5);
  defaults.setInteger("AskToRateLaunchCount-1.0", 10);
  EXPECT_EQ(defaults.integerForKey("AskToRateLaunchCount-1.0"), 10);
  defaults.removeObject("AskToRateLaunchCount-1.0");
  EXPECT_EQ(defaults.integerForKey("AskToRateLaunchCount-1.0"), 5);
  defaults.setInteger("Other", 1);
  ASSERT_TRUE(defaults.synchronize());
  EXPECT_EQ(ns::UserDefaults(path).integerForKey("AskToRateLaunchCount-1.0"), 0);
}

TEST(UserDefaults, KindsConvertLikeThePlatform) {
  TempDir dir;
  ns::UserDefaults defaults(dir.file("d.txt"));
  defaults.setDouble("d", 2.9);
  defaults.setString("s", "42abc");
  defaults.setInteger("i", 7);
  defaults.setDouble("nan", std::nan(""));
  EXPECT_EQ(defaults.integerForKey("d"), 2);
  EXPECT_EQ(defaults.integerForKey("s"), 42);
  EXPECT_EQ(defaults.doubleForKey("i"), 7.0);
  EXPECT_EQ(defaults.stringForKey("i"), "7");
  EXPECT_EQ(defaults.integerForKey("nan"), 0);
}

TEST(UserDefaults, ACrashBetweenWriteAndRenameLeavesTheOldFile) {
  TempDir dir;
  std::string path = dir.file("UserDefaults.txt");
  ns::UserDefaults defaults(path);
  defaults.setInteger("LaunchCount-1.0", 1);
  ASSERT_TRUE(defaults.synchronize());
  std::string before = *ns::readWholeFile(path);

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    defaults.setInteger("LaunchCount-1.0", 2);
    // The process dies after the new bytes are on the disk, before the rename.
    ns::writeFileAtomically(path, ns::UserDefaults::serialize({{"LaunchCount-1.0", std::int64_t{2}}}),
                            [] { _exit(0); });
    _exit(1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(*ns::readWholeFile(path), before);
  EXPECT_EQ(ns::UserDefaults(path).integerForKey("LaunchCount-1.0"), 1);
}

TEST(UserDefaults, SynchronizeReportsAFileThatCannotBeWritten) {
  TempDir dir;
  ns::UserDefaults defaults(dir.file("missing-folder/d.txt"));
  defaults.setInteger("x", 1);
  EXPECT_FALSE(defaults.synchronize());
}

TEST(UserDefaultsFile, DamagedLinesAreSkippedAndTheRestKept) {
  auto values = ns::UserDefaults::parse(
      "i good 12\r\n"
      "i bad 12x\n"
      "d alsobad 1.5.5\n"
      "x unknown 1\n"
      "s dangling ends\\\n"
      "s badescape \\q\n"
      "i  5\n"
      "garbage\n"
      "d fine -inf\n"
      "s text a b  c");
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(std::get<std::int64_t>(values.at("good")), 12);
  EXPECT_EQ(std::get<double>(values.at("fine")), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(std::get<std::string>(values.at("text")), "a b  c");
}

TEST(UserDefaultsFile, ParserSurvivesFuzzingAndRoundTripsWhatItAccepts) {
  std::vector<std::string> seeds = {
      ns::UserDefaults::serialize({{"AppTheme", std::int64_t{2}},
                                   {"LastOrbitUpdateTime-2560", 2461016.5},
                                   {"LastAnnouncement", std::string("A\nB\\C\tD")}}),
      "i a 1\nd b inf\ns c x\\sy\n", "s k\\s\\n v\r\n"};
  tessaly::test::fuzz(seeds, [](std::string_view text) {
    auto values = ns::UserDefaults::parse(text);
    auto again = ns::UserDefaults::parse(ns::UserDefaults::serialize(values));
    ASSERT_EQ(again.size(), values.size());
    for (const auto& [key, value] : values) {
      ASSERT_EQ(again.count(key), 1u);
      if (auto* real = std::get_if<double>(&value); real && std::isnan(*real)) continue;
      ASSERT_EQ(again.at(key), value);
    }
  });
}

}  // namespace
