// The user's ground circles: inserts and deletes by index, the last delete
// freeing the list, and a shrink that fails keeping every circle.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "chart/sky_chart.h"
#include "tests/chart/chart_canvas.h"

// realloc for this program: forwards to the C library's, or fails the
// shrinking calls while the test asks it to.
namespace {
bool failShrinks = false;
int failedShrinks = 0;
}  // namespace

extern "C" void* realloc(void* block, std::size_t size) {
  using Realloc = void* (*)(void*, std::size_t);
  static Realloc next = reinterpret_cast<Realloc>(dlsym(RTLD_NEXT, "realloc"));
  if (failShrinks && block != nullptr && size > 0) {
    ++failedShrinks;
    return nullptr;
  }
  return next(block, size);
}

namespace {

Circle circle(const char* name, double radius) {
  Circle c{};
  std::strncpy(c.name, name, sizeof c.name - 1);
  c.centre[2] = 1;
  c.radius = radius;
  return c;
}

TEST(GroundCircles, InsertAndDeleteByIndexWithTheLastDeleteFreeingTheList) {
  chart_test::ChartOnEmptySky sky(100, 100);
  CSkyChart& chart = *sky.chart;
  EXPECT_FALSE(chart.insertGroundCircle(1, circle("past the end", 1)));
  EXPECT_FALSE(chart.insertGroundCircle(-1, circle("negative", 1)));
  ASSERT_TRUE(chart.insertGroundCircle(0, circle("b", 2)));
  ASSERT_TRUE(chart.insertGroundCircle(0, circle("a", 1)));
  ASSERT_TRUE(chart.insertGroundCircle(2, circle("c", 3)));  // at the count: appended
  ASSERT_EQ(chart.groundCircleCount, 3);
  EXPECT_STREQ(chart.groundCircles[0].name, "a");
  EXPECT_STREQ(chart.groundCircles[1].name, "b");
  EXPECT_STREQ(chart.groundCircles[2].name, "c");
  EXPECT_EQ(chart.deleteGroundCircle(3), 0);
  EXPECT_EQ(chart.deleteGroundCircle(-1), 0);
  EXPECT_EQ(chart.deleteGroundCircle(1), 1);
  EXPECT_STREQ(chart.groundCircles[1].name, "c");
  EXPECT_EQ(chart.deleteGroundCircle(0), 1);
  EXPECT_EQ(chart.deleteGroundCircle(0), 1);
  EXPECT_EQ(chart.groundCircleCount, 0);
  EXPECT_EQ(chart.groundCircles, nullptr);
}

TEST(GroundCircles, AShrinkThatFailsKeepsTheRemainingCircles) {
  chart_test::ChartOnEmptySky sky(100, 100);
  CSkyChart& chart = *sky.chart;
  for (int k = 0; k < 4; ++k) ASSERT_TRUE(chart.insertGroundCircle(k, circle(std::to_string(k).c_str(), k)));
  failShrinks = true;
  EXPECT_EQ(chart.deleteGroundCircle(1), 1);
  EXPECT_FALSE(chart.insertGroundCircle(0, circle("no room", 9)));  // growing fails too
  failShrinks = false;
  EXPECT_GE(failedShrinks, 2);
  ASSERT_EQ(chart.groundCircleCount, 3);
  EXPECT_STREQ(chart.groundCircles[0].name, "0");
  EXPECT_STREQ(chart.groundCircles[1].name, "2");
  EXPECT_STREQ(chart.groundCircles[2].name, "3");
  EXPECT_EQ(chart.groundCircles[2].radius, 3);
}

}  // namespace
