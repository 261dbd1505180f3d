// The selectable time label: each group it locates is where its glyphs
// are drawn (found by drawing the text with and without them, not by the
// label's own arithmetic); taps choose the unit of the group under them;
// texts it cannot read place nothing.
#include "app/selectable_time_label.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "fuzz.h"
#include "sanitizer_build.h"
#include "tests/chart/chart_canvas.h"
#include "tests/ui/foundation/ui_foundation_support.h"

namespace {

constexpr double kWidth = 300, kHeight = 28;

// Columns (in points, left and right edge) where the glyphs of bytes
// [offset, offset + length) of the text leave ink in a right-aligned label
// of the test's size.
std::optional<std::pair<double, double>> inkOf(const std::string& text, std::size_t offset, std::size_t length,
                                               const ui::FontPointer& font) {
  const double scale = 4;
  auto draw = [&](bool hideGroup) {
    ui::Label label({0, 0, kWidth, kHeight});
    label.setFont(font);
    label.setTextAlignment(ui::TextAlignment::right);
    cg::AttributedString attributed{text, {}};
    if (hideGroup) attributed.runs.push_back({offset, length, nullptr, cg::Color{0, 0, 0, 0}});
    label.setAttributedText(attributed);
    return label.snapshotImage(scale);
  };
  auto all = draw(false), without = draw(true);
  std::optional<std::pair<double, double>> ink;
  for (std::size_t y = 0; y < all->height(); ++y)
    for (std::size_t x = 0; x < all->width(); ++x) {
      if (all->row(y)[x] == without->row(y)[x]) continue;
      const double left = x / scale, right = (x + 1) / scale;
      ink = ink ? std::make_pair(std::min(ink->first, left), std::max(ink->second, right)) : std::make_pair(left, right);
    }
  return ink;
}

class TimeLabel : public ::testing::Test {
 protected:
  TimeLabel() : sky_(400, 300) {
    controller_ = std::make_shared<uifoundation::FakeChartViewController>(sky_.chart.get());
    label_->setChartViewController(controller_);
    window_->addSubview(label_);
    ui::Application::shared().addWindow(window_);
    window_->makeKeyAndVisible();
  }
  void show(const char* format, const std::string& text) {
    sky_.chart->setDateFormat(format);
    label_->setText(text);
  }
  // The group of `unit` is located over the glyphs of `piece`, the
  // `occurrence`-th time it stands in the text.
  ::testing::AssertionResult over(int unit, const std::string& piece, int occurrence = 1) {
    const std::string& text = label_->text();
    std::size_t at = std::string::npos;
    for (int k = 0; k < occurrence; ++k) at = text.find(piece, at == std::string::npos ? 0 : at + 1);
    const SelectableTimeLabel::Group group = label_->groupForUnit(unit);
    if (!group.located()) return ::testing::AssertionFailure() << "unit " << unit << " not located";
    auto ink = inkOf(text, at, piece.size(), label_->font());
    if (!ink) return ::testing::AssertionFailure() << piece << " draws nothing";
    // The measured box of the glyphs holds their ink, within a pixel.
    if (ink->first < group.start - 1 || ink->second > group.start + group.width + 1)
      return ::testing::AssertionFailure() << "unit " << unit << " at [" << group.start << ", "
                                           << group.start + group.width << "], the ink of " << piece << " at ["
                                           << ink->first << ", " << ink->second << "]";
    return ::testing::AssertionSuccess();
  }
  std::vector<std::string> tap(double x) {
    controller_->calls.clear();
    world_.tap({x, 10});
    return controller_->calls;
  }
  void expectNothingLocated(std::initializer_list<int> units) {
    for (int unit : units) EXPECT_FALSE(label_->groupForUnit(unit).located()) << "unit " << unit;
  }

  uifoundation::World world_;
  chart_test::ChartOnEmptySky sky_;
  std::shared_ptr<uifoundation::FakeChartViewController> controller_;
  std::shared_ptr<ui::Window> window_ = std::make_shared<ui::Window>();
  std::shared_ptr<SelectableTimeLabel> label_ = std::make_shared<SelectableTimeLabel>(ui::Rect{0, 0, kWidth, kHeight});
  using Calls = std::vector<std::string>;
};

// Both texts hold the date Dec 05 2026 and the time 21:05:17, so each
// group has the same digits to cover.
TEST_F(TimeLabel, EachDateFormatPutsEveryGroupOverItsOwnDigits) {
  const struct {
    const char* format;
    const char* text;
  } texts[] = {{"%a %b %d, %Y BC", "Sat Dec 05, 2026  21:05:17"},
               // The chart view's format; the era is left out for years after 0.
               {"BC %Y %b %d %a", "2026 Dec 05 Sat  21:05:17"}};
  for (const auto& t : texts) {
    SCOPED_TRACE(t.format);
    show(t.format, t.text);
    EXPECT_TRUE(over(0, "2026"));
    EXPECT_TRUE(over(1, "Dec"));
    EXPECT_TRUE(over(2, "05"));
    EXPECT_TRUE(over(30, "2", 3));  // the 2 of the hour, not of the year
    EXPECT_TRUE(over(3, "1", 1));
    // The minutes are searched after the year and the hour: their 0 is
    // not the day's or the year's.
    EXPECT_TRUE(over(40, "0", 3));
    EXPECT_TRUE(over(4, "5", 2));
    EXPECT_TRUE(over(50, "1", 2));
    EXPECT_TRUE(over(5, "7"));
  }
}

TEST_F(TimeLabel, TapsChooseTheGroupUnderThemEdgesIncluded) {
  show("%a %d/%m/%Y BC", "Sat 05/12/2026  21:05:17");
  const auto month = label_->groupForUnit(1);
  ASSERT_TRUE(month.located());
  EXPECT_EQ(tap(month.start + month.width / 2), Calls{"timeFlowUnitsChanged:1"});
  EXPECT_EQ(tap(month.start + month.width), Calls{"timeFlowUnitsChanged:1"}) << "the right edge belongs to it";
  EXPECT_EQ(tap(month.start), Calls{"timeFlowUnitsChanged:1"});
  const auto seconds = label_->groupForUnit(5);
  EXPECT_EQ(tap(seconds.start + 1), Calls{"timeFlowUnitsChanged:5"});
  const auto tens = label_->groupForUnit(50);
  EXPECT_EQ(tap(tens.start + 1), Calls{"timeFlowUnitsChanged:50"});
  // Between the year and the hour lie two blanks and no group.
  const auto year = label_->groupForUnit(0), hour = label_->groupForUnit(30);
  ASSERT_LT(year.start + year.width + 2, hour.start);
  EXPECT_EQ(tap((year.start + year.width + hour.start) / 2), Calls{});
  EXPECT_EQ(tap(2), Calls{}) << "left of the text";
}

TEST_F(TimeLabel, TheUnderlineFollowsTheUnitAndTheSwitch) {
  show("BC %Y %b %d %a", "2026 Dec 05 Sat  21:05:17");
  auto underlined = [&] {
    auto image = label_->snapshotImage(1);
    const cg::Pixel tint = uifoundation::pixelOf(AppDelegate::defaultTintColor());
    int count = 0;
    for (std::size_t x = 0; x < image->width(); ++x) count += uifoundation::pixelNear(image->pixel(x, kHeight - 2), tint, 2);
    return count;
  };
  label_->setDrawUnderline(true);
  label_->setSelectedTimeUnit(1);
  const auto month = label_->groupForUnit(1);
  EXPECT_NEAR(underlined(), month.width, 1);
  label_->setSelectedTimeUnit(6);  // sidereal day: no group
  EXPECT_EQ(underlined(), 0);
  label_->setSelectedTimeUnit(0);
  label_->setDrawUnderline(false);
  EXPECT_EQ(underlined(), 0);
}

TEST_F(TimeLabel, ShortTextsEraDatesAndUnknownFormatsPlaceNothingThatCannotBeRead) {
  show("%a %b %d, %Y BC", "Sat Dec 05, 2026  21:05:17");
  ASSERT_TRUE(label_->groupForUnit(2).located());
  // A format outside the table: the date groups go, the time stays.
  show("%d.%m.%Y", "05.12.2026  21:05:17");
  expectNothingLocated({0, 1, 2});
  // Fewer than seven tokens.
  show("BC %Y %b %d %a", "2026 Dec 05 Sat  21");
  EXPECT_TRUE(over(0, "2026"));
  EXPECT_TRUE(over(3, "1"));
  expectNothingLocated({4, 5, 40, 50});
  show("BC %Y %b %d %a", "");
  expectNothingLocated({0, 1, 2, 3, 4, 5, 30, 40, 50});
  // A year before 1 carries its era: no group can be placed by position.
  show("BC %Y %b %d %a", "BC 44 Mar 15 Fri  12:00:00");
  expectNothingLocated({0, 1, 2, 3, 4, 5, 30, 40, 50});
  label_->setDrawUnderline(true);
  EXPECT_EQ(tap(kWidth - 5), Calls{});
  EXPECT_EQ(tap(kWidth / 2), Calls{});
  // No chart: no date format.
  controller_->setChart(nullptr);
  label_->setText("2026 Dec 05 Sat  21:05:17");
  expectNothingLocated({0, 1, 2});
  EXPECT_TRUE(label_->groupForUnit(5).located());
}

// Random texts and formats: every located group lies inside the label and
// over a piece of the text the label can draw; nothing crashes.
TEST_F(TimeLabel, RandomTextsAndFormatsPlaceGroupsOnlyInsideTheLabel) {
  const std::vector<std::string> formats = {"%a %b %d, %Y BC", "%a %m/%d/%Y BC", "%a %d/%m/%Y BC", "BC %Y %b %d %a",
                                            "%a %Y/%m/%d BC",  "%a %Y, %b %d BC", "%a %Y/%d/%m BC", "%H", ""};
  int located = 0, inputs = 0;
  tessaly::test::FuzzOptions options;
  // Each input lays out text: the sanitizer builds take a tenth of them.
  options.iterations = tessaly::test::fuzzIterations(tessaly::test::sanitizerSample(20000, 2000));
  options.maxSize = 96;
  tessaly::test::fuzz(
      {"Sat Dec 05, 2026  21:05:17", "2026 Dec 05 Sat  21:05:17", "Sat 05/12/2026  21:05:17",
       "BC 44 Mar 15 Fri  12:00:00", "Sat 2026/12/05  01:02:03", "::,,//  "},
      [&](std::string_view bytes) {
        ++inputs;
        sky_.chart->setDateFormat(formats[bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % formats.size()].c_str());
        label_->setText(std::string(bytes));
        for (int unit : {0, 1, 2, 3, 4, 5, 30, 40, 50}) {
          const auto group = label_->groupForUnit(unit);
          if (!group.located()) continue;
          ++located;
          ASSERT_GE(group.width, 0);
          ASSERT_LE(group.start + group.width, kWidth + 1) << "unit " << unit;
        }
      },
      options);
  EXPECT_GT(located, inputs);
}

}  // namespace
