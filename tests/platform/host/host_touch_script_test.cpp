// Touch scripts: every command, bad lines skipped with their numbers, and
// mutated scripts parsed without harm.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/host/touch_script.h"
#include "tests/support/fuzz.h"

namespace {

TEST(HostTouchScript, EveryCommandIsRead) {
  host::Script s = host::parseTouchScript(
      "# a walk\n"
      "tap 10 20\n"
      "drag 1 2 3 4\n"
      "drag 1 2 3 4 0.5\n"
      "pinch 100 200 2.5\n"
      "longpress 5 6 1.2\n"
      "type Ada Lovelace  \n"
      "key return\n"
      "rotate landscapeleft\n"
      "wait 0.25\n"
      "snapshot 01-start\r\n"
      "background\nforeground\nquit\n"
      "attitude 10 -20 30\n"
      "say show the moon\n"
      "key up\nkey down\nkey left\nkey right\n");
  ASSERT_TRUE(s.messages.empty()) << s.messages.front();
  ASSERT_EQ(s.steps.size(), 19u);
  EXPECT_EQ(s.steps[15].kind, host::StepKind::key);
  EXPECT_EQ(s.steps[15].text, "up");
  EXPECT_EQ(s.steps[18].text, "right");
  EXPECT_EQ(s.steps[13].numbers[1], -20);
  EXPECT_EQ(s.steps[14].text, "show the moon");
  EXPECT_EQ(s.steps[0].kind, host::StepKind::tap);
  EXPECT_EQ(s.steps[0].numbers[1], 20);
  EXPECT_EQ(s.steps[1].numbers[4], 0.3);  // the default duration
  EXPECT_EQ(s.steps[2].numbers[4], 0.5);
  EXPECT_EQ(s.steps[3].numbers[2], 2.5);
  EXPECT_EQ(s.steps[4].numbers[2], 1.2);
  EXPECT_EQ(s.steps[5].text, "Ada Lovelace  ");
  EXPECT_EQ(s.steps[6].text, "return");
  EXPECT_EQ(s.steps[7].numbers[0], 3);
  EXPECT_EQ(s.steps[8].numbers[0], 0.25);
  EXPECT_EQ(s.steps[9].text, "01-start");
  EXPECT_EQ(s.steps[12].kind, host::StepKind::quit);
  EXPECT_EQ(s.steps[9].line, 11);
}

TEST(HostTouchScript, BadLinesAreSkippedWithTheirNumbers) {
  host::Script s = host::parseTouchScript(
      "tap 10\n"              // too few numbers
      "tap 10 20 30\n"        // too many
      "tap x 20\n"
      "tap nan 20\n"
      "tap 1e300 5\n"         // too far
      "drag 1 2 3 4 -1\n"     // negative duration
      "wait 1e9\n"            // too long
      "pinch 1 2 0\n"         // no scale
      "rotate sideways\n"
      "key escape\n"
      "key upwards\n"
      "type\n"
      "snapshot ../../etc/passwd\n"
      "fly 1 2\n"
      "tap 1 2\n");
  ASSERT_EQ(s.steps.size(), 1u);
  EXPECT_EQ(s.steps[0].line, 15);
  ASSERT_EQ(s.messages.size(), 14u);
  EXPECT_EQ(s.messages[0], "touch script line 1: cannot read \"tap 10\"; skipped");
  EXPECT_EQ(s.messages[12], "touch script line 13: cannot read \"snapshot ../../etc/passwd\"; skipped");
}

TEST(HostTouchScript, MutatedScriptsAreReadWithinBounds) {
  int steps = 0, skipped = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = 20000;
  options.maxSize = 4096;
  tessaly::test::fuzz({"tap 10 20\ndrag 1 2 3 4 0.5\ntype hello\nsnapshot a\nwait 1\nrotate portrait\n",
                       "pinch 100 200 2.5\nlongpress 5 6 1.2\nkey return\nkey up\nquit\n"},
                      [&](std::string_view text) {
                        host::Script s = host::parseTouchScript(std::string(text));
                        for (const host::Step& step : s.steps) {
                          for (double n : step.numbers) ASSERT_TRUE(std::isfinite(n));
                          if (step.kind == host::StepKind::wait) {
                            ASSERT_LE(step.numbers[0], 3600);
                          }
                          if (step.kind == host::StepKind::snapshot) {
                            ASSERT_EQ(step.text.find('/'), std::string::npos);
                          }
                        }
                        steps += int(s.steps.size());
                        skipped += int(s.messages.size());
                      },
                      options);
  EXPECT_GT(steps, 5000);
  EXPECT_GT(skipped, 5000);
}

}  // namespace
