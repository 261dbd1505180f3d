#include "platform/foundation/user_defaults.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>

#include "child_process.h"
#include "fuzz.h"
#include "platform/foundation/file_io.h"
#include "temp_dir.h"

namespace {

using tessaly::test::readFile;
using tessaly::test::TempDir;
using tessaly::test::writeFile;

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

// The folder becomes the user's that tessaly::test::inChild runs as
// unprivileged, so that it may make and rename files there.
bool giveToTheUser(const TempDir& dir) {
  return geteuid() != 0 || chown(dir.path().c_str(), 65534, 65534) == 0;
}

// A preferences file the program cannot read: `make` puts it in place and
// returns what it holds (in "inside" for a folder).
struct UnreadableFile {
  std::string name;
  std::function<std::string(const std::string& path)> make;
  bool asUser;  // unreadable only without root's rights
};

TEST(UserDefaults, AFileThatCannotBeReadIsKeptAsideWithOneLineAndDefaultsGoOn) {
  const std::string saved = "s UpdateServerURL https://updates.test/\ni AppTheme 3\n";
  const std::vector<UnreadableFile> files = {
      {"random bytes",
       [](const std::string& path) {
         std::mt19937 random(20260512);
         std::string bytes(4096, '\0');
         for (char& c : bytes) c = char(random());
         writeFile(path, bytes);
         return bytes;
       },
       false},
      {"no read access",
       [&](const std::string& path) {
         writeFile(path, saved);
         chmod(path.c_str(), 0);
         return saved;
       },
       true},
      {"a folder",
       [&](const std::string& path) {
         std::filesystem::create_directory(path);
         writeFile(path + "/inside", saved);
         return saved;
       },
       false},
      // Opening a pipe waits for a writer that never comes.
      {"a pipe",
       [](const std::string& path) {
         mkfifo(path.c_str(), 0644);
         return std::string();
       },
       false},
  };
  for (const UnreadableFile& file : files) {
    SCOPED_TRACE(file.name);
    TempDir dir;
    ASSERT_TRUE(giveToTheUser(dir));
    const std::string path = dir.file("UserDefaults.txt");
    const std::string held = file.make(path);
    const std::string said = dir.file("said.txt");
    const int status = tessaly::test::inChild(
        [&] {
          alarm(20);
          testing::internal::CaptureStderr();
          ns::UserDefaults defaults(path);
          const bool defaultsInUse = !defaults.hasValue("UpdateServerURL") && !defaults.hasValue("AppTheme");
          defaults.setInteger("LaunchCount-1.0", 1);
          const bool written = defaults.synchronize();
          writeFile(said, testing::internal::GetCapturedStderr());
          return defaultsInUse && written ? 0 : 1;
        },
        file.asUser);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readFile(said), "Preferences file " + path + " cannot be read; kept as " + path +
                                  ".unreadable, defaults in use\n");
    // Kept as it was, mode and all.
    const std::string kept = path + ".unreadable";
    const std::filesystem::file_status keptStatus = std::filesystem::symlink_status(kept);
    if (file.name == "a folder") {
      EXPECT_EQ(readFile(kept + "/inside"), held);
    } else if (file.name == "a pipe") {
      EXPECT_TRUE(std::filesystem::is_fifo(keptStatus));
    } else if (!std::filesystem::is_regular_file(keptStatus)) {
      ADD_FAILURE() << "not kept";
    } else {
      EXPECT_EQ(keptStatus.permissions() == std::filesystem::perms::none, file.name == "no read access");
      chmod(kept.c_str(), 0600);
      EXPECT_EQ(readFile(kept), held);
    }
    // (Reading a pipe left in place would wait for ever.)
    if (std::filesystem::is_regular_file(path))
      EXPECT_EQ(ns::UserDefaults::parse(readFile(path)),
                (ns::UserDefaults::Dictionary{{"LaunchCount-1.0", std::int64_t{1}}}));
    else
      ADD_FAILURE() << "no new file";
  }
}

TEST(UserDefaults, ADamagedLineKeepsTheFileAsideAndTheRestInUse) {
  TempDir dir;
  const std::string path = dir.file("UserDefaults.txt");
  const std::string text =
      "s UpdateServerURL https://updates.test/\nUpdateServerURL https://other.test/\n\n  \ni AppTheme 3\n";
  ASSERT_TRUE(writeFile(path, text));
  testing::internal::CaptureStderr();
  ns::UserDefaults defaults(path);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Preferences file " + path + " has 1 damaged line; kept as " + path +
                ".unreadable, the values read from it in use\n");
  EXPECT_EQ(readFile(path + ".unreadable"), text);
  EXPECT_EQ(defaults.stringForKey("UpdateServerURL"), "https://updates.test/");
  EXPECT_EQ(defaults.integerForKey("AppTheme"), 3);
  // A second damaged file goes beside the first.
  ASSERT_TRUE(writeFile(path, "i AppTheme three\nd Big 1e\n"));
  testing::internal::CaptureStderr();
  ns::UserDefaults again(path);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Preferences file " + path + " cannot be read; kept as " + path + ".unreadable.1, defaults in use\n");
  EXPECT_EQ(readFile(path + ".unreadable"), text);
}

// Every name for a kept copy taken: the file stays where it is, and no
// save of this run writes over it, neither of defaults nor of the values
// read from a file with a damaged line; one line says so, saves say no more.
TEST(UserDefaults, AFileThatCannotBeKeptAsideIsNeverWrittenOver) {
  const std::pair<std::string, std::string> files[] = {
      {std::string("\x01\x02\xff not a preference\n", 22),
       "cannot be read and cannot be kept aside (1000 unreadable copies are kept already); defaults in use"},
      {"i AppTheme 3\nAppTheme three\n",
       "has 1 damaged line and cannot be kept aside (1000 unreadable copies are kept already); the values read "
       "from it in use"}};
  for (const auto& [text, said] : files) {
    SCOPED_TRACE(said);
    TempDir dir;
    const std::string path = dir.file("UserDefaults.txt");
    ASSERT_TRUE(tessaly::test::takeEveryKeptAsideName(path));
    ASSERT_TRUE(writeFile(path, text));
    testing::internal::CaptureStderr();
    ns::UserDefaults defaults(path);
    for (int launch = 1; launch <= 3; ++launch) {
      defaults.setInteger("LaunchCount-1.0", launch);
      EXPECT_FALSE(defaults.synchronize());
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Preferences file " + path + " " + said + ", and nothing is saved over it in this run\n");
    EXPECT_EQ(readFile(path), text);
    EXPECT_EQ(defaults.integerForKey("LaunchCount-1.0"), 3);
  }
}

TEST(UserDefaults, AFileThatCannotBeWrittenIsSaidOnceAndAnOldOneOnlyWhenThereIsOne) {
  TempDir dir;
  const std::string folder = dir.file("Preferences");
  const std::string path = folder + "/UserDefaults.txt";
  ns::UserDefaults defaults(path);
  // A fresh home whose folder is not there: nothing is saved, and said once.
  testing::internal::CaptureStderr();
  for (int launch = 1; launch <= 3; ++launch) {
    defaults.setInteger("LaunchCount-1.0", launch);
    EXPECT_FALSE(defaults.synchronize());
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Preferences file " + path + " could not be written; nothing is saved\n");
  // Once it can be written, the next failure is said again, and the old
  // file is kept.
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(defaults.synchronize());
  const std::string old = readFile(path);
  ASSERT_TRUE(giveToTheUser(dir));
  chmod(folder.c_str(), 0555);
  const std::string said = dir.file("said.txt");
  const int status = tessaly::test::inChild(
      [&] {
        testing::internal::CaptureStderr();
        defaults.setInteger("LaunchCount-1.0", 4);
        const bool first = defaults.synchronize();
        defaults.setInteger("LaunchCount-1.0", 5);
        const bool second = defaults.synchronize();
        writeFile(said, testing::internal::GetCapturedStderr());
        return !first && !second ? 0 : 1;
      },
      true);
  chmod(folder.c_str(), 0755);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(readFile(said), "Preferences file " + path + " could not be written; the old one is kept\n");
  EXPECT_EQ(readFile(path), old);
}

TEST(UserDefaultsFile, DamagedLinesAreSkippedAndTheRestKept) {
  std::size_t damaged = 0;
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
      "\t\n"
      "s text a b  c",
      &damaged);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(damaged, 7u);
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
    // What the program writes never reads as damaged.
    std::size_t damaged = 1;
    auto again = ns::UserDefaults::parse(ns::UserDefaults::serialize(values), &damaged);
    ASSERT_EQ(damaged, 0u);
    ASSERT_EQ(again.size(), values.size());
    for (const auto& [key, value] : values) {
      ASSERT_EQ(again.count(key), 1u);
      if (auto* real = std::get_if<double>(&value); real && std::isnan(*real)) continue;
      ASSERT_EQ(again.at(key), value);
    }
  });
}

}  // namespace
