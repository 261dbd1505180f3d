// Fuzzing the location screen's five fields: mutated texts typed into the
// name, latitude, longitude, altitude and time-zone fields with either
// hemisphere chosen, then editing ended, in normal and in circle mode.
// Whatever is typed, the settings and the circle hold finite values, the
// process's default zone stays a real offset, and nothing crashes (the
// sanitizer build turns any over-read into a failure).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz.h"
#include "sanitizer_build.h"
#include "platform/foundation/date.h"
#include "tests/ui/settings/settings_world.h"
#include "ui/settings/ground_circle_fields.h"
#include "ui/settings/location_view_controller.h"

namespace {

using uisettings::SettingsWorld;

// Five texts from one input: split at '|', missing ones empty; the first
// byte's low bits choose the hemispheres.
struct Typed {
  std::string fields[5];
  bool south = false, west = false;
};

Typed split(std::string_view input) {
  Typed t;
  if (!input.empty()) {
    t.south = input[0] & 1;
    t.west = input[0] & 2;
    input.remove_prefix(1);
  }
  for (int i = 0; i < 5 && !input.empty(); ++i) {
    const std::size_t bar = input.find('|');
    t.fields[i] = std::string(input.substr(0, bar));
    input = bar == std::string_view::npos ? std::string_view() : input.substr(bar + 1);
  }
  return t;
}

// Types the texts and ends editing in the last field.
void typeAndEnd(LocationViewController& s, const Typed& t) {
  ui::TextField* fields[] = {s.locationNameTF.get(), s.latitudeTF.get(), s.longitudeTF.get(), s.altitudeTF.get(),
                             s.timeZoneTF.get()};
  for (int i = 0; i < 5; ++i) fields[i]->setText(t.fields[i]);
  s.northSouthControl->setSelectedSegmentIndex(t.south ? 1 : 0);
  s.eastWestControl->setSelectedSegmentIndex(t.west ? 1 : 0);
  fields[4]->becomeFirstResponder();
  fields[4]->resignFirstResponder();
}

const std::vector<tessaly::test::Bytes> kSeeds = {
    "\x00Greenwich|51 28 38|0 0 5 W|46|+0.0", "\x03Sydney|33 52 04 S|151 12 36|58|10",
    "\x01x|-40 30|74 0 0 W|abc|-5.5",        "\x00|1e999|nan|1e308|inf",
    "\x02\xc3\x85ngstr\xc3\xb6m|90|180|-1e-300|0x1p3", "\x00  |   |  -  |  - 0 |+",
    "\x01" "A very long place name that is far longer than thirty-two bytes|12 60 3600|999 99 99|1|24",
};

TEST(UiSettingsLocationFieldsFuzz, TypedTextAlwaysStoresFiniteValues) {
  SettingsWorld w;
  auto screen = std::make_shared<LocationViewController>();
  w.present(screen);
  Circle circle{};
  auto circleScreen = std::make_shared<LocationViewController>();
  circleScreen->setGroundCircle(&circle);
  circleScreen->loadViewIfNeeded();
  int nonZero = 0, zero = 0, runs = 0;
  tessaly::test::FuzzOptions options;
  // Under a sanitizer every allocation unwinds its whole stack (see the
  // leak suppressions), which made the run take 40 s: a sample there.
  options.iterations = tessaly::test::fuzzIterations(tessaly::test::sanitizerSample(3000, 800));
  options.maxSize = 512;
  tessaly::test::fuzz(kSeeds, [&](std::string_view input) {
    const Typed t = split(input);
    typeAndEnd(*screen, t);
    const double values[] = {w.settings.latitude(), w.settings.longitude(), w.settings.altitude(),
                             w.settings.timeZone()};
    for (double v : values) ASSERT_TRUE(std::isfinite(v)) << input;
    ASSERT_LT(std::abs(ns::TimeZone::defaultTimeZone().secondsFromGMT()), 25 * 3600) << input;
    (w.settings.latitude() != 0 ? nonZero : zero)++;
    typeAndEnd(*circleScreen, t);
    for (double c : circle.centre) ASSERT_TRUE(std::isfinite(c)) << input;
    ASSERT_TRUE(std::isfinite(circle.radius)) << input;
    ASSERT_LE(circleName(circle).size(), 32u);
    ++runs;
  }, options);
  // Both outcomes are common, so the run exercised the readers.
  EXPECT_GT(nonZero, runs / 20);
  EXPECT_GT(zero, runs / 20);
  EXPECT_EQ(runs, int(kSeeds.size()) + options.iterations);
}

}  // namespace
