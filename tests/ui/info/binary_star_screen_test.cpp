// A binary star's information screen: the companion's place on the sky and
// the pair's distance in space at the chart's date, shown in the
// Separation row and told by the description page, against the orbit
// worked out here from its elements by the Thiele-Innes constants and
// Kepler's equation (not by the chart's orbit code).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "chart/sky_chart.h"
#include "platform/foundation/bundle.h"
#include "skydata/object_factory.h"
#include "skydata/sky_database.h"
#include "skydata/star_classes.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/info/info_rows.h"
#include "tests/ui/info/screen_world.h"
#include "ui/info/object_info_cell.h"
#include "ui/info/object_info_view_controller.h"

namespace {

using info_test::ScreenWorld;

constexpr double kArcsecondsPerRadian = 206264.80624714843;
constexpr double kDegree = M_PI / 180;

// The companion relative to the primary from the orbit's elements, by the
// textbook route: the Thiele-Innes constants A, B, F, G (on the sky) and
// C, H (along the line of sight), the eccentric anomaly from Kepler's
// equation E - e sin E = M, and X = cos E - e, Y = sqrt(1 - e^2) sin E.
// x points north, y east; the elements' epoch is the Julian year.
struct CompanionPlace {
  double separation, positionAngle, trueSeparation;  // radians
};
CompanionPlace thieleInnes(const CBinaryStar& orbit, double julianYear) {
  const double a = orbit.getSemimajorAxis(), e = orbit.getEccentricity();
  const double i = orbit.getInclination(), w = orbit.getArgumentOfPeriastron();
  const double node = orbit.getAscendingNode();
  const double A = a * (std::cos(w) * std::cos(node) - std::sin(w) * std::sin(node) * std::cos(i));
  const double B = a * (std::cos(w) * std::sin(node) + std::sin(w) * std::cos(node) * std::cos(i));
  const double F = a * (-std::sin(w) * std::cos(node) - std::cos(w) * std::sin(node) * std::cos(i));
  const double G = a * (-std::sin(w) * std::sin(node) + std::cos(w) * std::cos(node) * std::cos(i));
  const double C = a * std::sin(w) * std::sin(i), H = a * std::cos(w) * std::sin(i);
  const double M = std::remainder(2 * M_PI * (julianYear - orbit.getPeriastronYear()) /
                                      orbit.getPeriod(), 2 * M_PI);
  double E = M;
  for (int k = 0; k < 100; ++k) E -= (E - e * std::sin(E) - M) / (1 - e * std::cos(E));
  EXPECT_NEAR(E - e * std::sin(E), M, 1e-12);
  const double X = std::cos(E) - e, Y = std::sqrt(1 - e * e) * std::sin(E);
  const double x = A * X + F * Y, y = B * X + G * Y, z = C * X + H * Y;
  CompanionPlace place{std::hypot(x, y), std::atan2(y, x), std::sqrt(x * x + y * y + z * z)};
  if (place.positionAngle < 0) place.positionAngle += 2 * M_PI;
  // The distance in space is a (1 - e cos E) whatever the orientation.
  EXPECT_NEAR(place.trueSeparation, a * (1 - e * std::cos(E)), 1e-12 * a);
  return place;
}

class BinaryStarScreen : public ::testing::Test {
 protected:
  std::shared_ptr<ObjectInfoViewController> open(info_test::Star star) {
    reference_ = world.sky.reference(kStarsFile, star);
    auto screen = ObjectInfoViewController::create();
    screen->setObjectID(&reference_);
    world.present(screen);
    return screen;
  }
  // The text of a row's value column as the table shows it.
  static std::string shownValue(ObjectInfoViewController& screen, const std::string& label) {
    for (int s = 0; s < screen.numSections(); ++s) {
      const int header = screen.sectionStart(s);
      const int end = s + 1 < screen.numSections() ? screen.sectionStart(s + 1) : screen.numPairs();
      for (int item = header + 1; item < end; ++item) {
        if (screen.item(item).pLabel == nullptr || label != screen.item(item).pLabel) continue;
        ui::TableView& table = *screen.mainTableView();
        table.scrollToRow({s, item - header - 1}, ui::TableViewScrollPosition::middle, false);
        table.layoutIfNeeded();
        auto* cell =
            dynamic_cast<ObjectInfoTableViewCell*>(table.cellForRow({s, item - header - 1}));
        return cell != nullptr ? cell->valueColumn().text() : "<no cell>";
      }
    }
    return "<none>";
  }
  double julianYear() const {
    return 2000 + (world.chart->dynamicalJulianDate - 2451545.0) / 365.25;
  }

  ScreenWorld world;
  SkyObjectID reference_;
};

TEST_F(BinaryStarScreen, TheSeparationRowGivesThePairsDistanceInSpace) {
  // Sirius with its published orbit, and a short-period pair at 10 pc seen
  // 60 degrees from face-on: both far from their projection on this date.
  for (info_test::Star star : {info_test::kSirius, info_test::kOneYearBinary}) {
    auto screen = open(star);
    const auto* binary = asBinaryStar(world.sky.star(star));
    ASSERT_NE(binary, nullptr);
    const CompanionPlace place = thieleInnes(*binary, julianYear());
    const double parsecs = binary->getStarDistance();
    const double trueAU = parsecs * place.trueSeparation * kArcsecondsPerRadian;
    const double projectedAU = parsecs * place.separation * kArcsecondsPerRadian;
    ASSERT_GT(std::fabs(trueAU - projectedAU), 0.05 * trueAU) << "a case that tells them apart";

    const std::string value = shownValue(*screen, "Separation");
    SCOPED_TRACE(value);
    const std::vector<double> numbers = info_test::numbersIn(value);
    ASSERT_EQ(numbers.size(), 3u);
    EXPECT_NEAR(numbers[0], place.separation * kArcsecondsPerRadian, 0.05 + 1e-4);
    EXPECT_NEAR(numbers[1], place.positionAngle / kDegree, 0.05 + 0.01);
    // Three significant digits.
    EXPECT_NEAR(numbers[2], trueAU, 0.005 * trueAU);
    screen->doneTouched(nullptr);
    world.run(1);
  }
}

TEST_F(BinaryStarScreen, TheDescriptionTellsThePhysicalDistanceOfTheOrbit) {
  auto screen = open(info_test::kSirius);
  ASSERT_TRUE(screen->hasDescription());
  const std::string page =
      tessaly::test::readFile(ns::temporaryDirectory() + "/temp.html");
  const auto* binary = asBinaryStar(world.sky.star(info_test::kSirius));
  ASSERT_NE(binary, nullptr);
  const CompanionPlace place = thieleInnes(*binary, julianYear());
  const double au = binary->getStarDistance() * place.trueSeparation * kArcsecondsPerRadian;
  char sentence[128];
  std::snprintf(sentence, sizeof sentence, " - a physical distance of %.0f AU.", au);
  EXPECT_NE(page.find(sentence), std::string::npos) << sentence << "\n" << page;
}

}  // namespace
