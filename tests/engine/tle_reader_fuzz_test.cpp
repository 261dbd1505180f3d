// Damaged element sets must be refused or read, never crash the reader or
// the propagators they feed.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/sgp4.h"
#include "tests/engine/tle_reader.h"
#include "tests/support/fuzz.h"

namespace {

TEST(TwoLineReader, RefusesDamagedLines) {
  SatelliteElementSet el;
  const std::string l1 = "1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87";
  const std::string l2 = "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058";
  EXPECT_TRUE(readTwoLineElements(l1, l2, el));
  EXPECT_NEAR(el.bstar, 0.66816e-4, 1e-18);
  EXPECT_NEAR(el.meanMotionTerms[1], 0.13844e-3, 1e-18);
  EXPECT_FALSE(readTwoLineElements(l1.substr(0, 40), l2, el));
  EXPECT_FALSE(readTwoLineElements(l2, l1, el));
  std::string bad = l2;
  bad[27] = 'x';  // eccentricity
  EXPECT_FALSE(readTwoLineElements(l1, bad, el));
  bad = l2;
  bad.replace(52, 11, " 0.00000000");  // mean motion
  EXPECT_FALSE(readTwoLineElements(l1, bad, el));
}

TEST(TwoLineReader, FuzzedInputsNeverCrash) {
  const std::vector<tessaly::test::Bytes> seeds = {
      "1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87\n"
      "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058",
      "1 08195U 75081A   06176.33215444  .00000099  00000-0  11873-3 0   813\n"
      "2 08195  64.1586 279.0717 6877146 264.7651  20.2257  2.00491383225656",
      "1 24208U 96044A   06177.04061740 -.00000094  00000-0  10000-3 0  1600\n"
      "2 24208   3.8536  80.0121 0026640 311.0977  48.3000  1.00778054 36119",
  };
  tessaly::test::FuzzOptions options;
  options.iterations = 20000;
  options.maxSize = 400;
  tessaly::test::fuzz(seeds, [](std::string_view input) {
    const auto split = input.find('\n');
    if (split == std::string_view::npos) return;
    SatelliteElementSet el;
    if (!readTwoLineElements(input.substr(0, split), input.substr(split + 1), el))
      return;
    double r[3], v[3];
    if (isDeepSpaceOrbit(el)) {
      Sdp4State s{};
      for (double t : {0.0, 1440.0, -43000.0}) sdp4(el, r, v, s, t);
    } else {
      Sgp4State s{};
      for (double t : {0.0, 1440.0, -43000.0}) sgp4(el, r, v, s, t);
    }
  }, options);
}

}  // namespace
