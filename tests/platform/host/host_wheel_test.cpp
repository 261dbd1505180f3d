// The mouse wheel as a desktop user expects: the scroll view under the
// pointer scrolls (kept within its content), a view that zooms itself
// zooms about the pointer, anything else but a control gets a two-finger
// pinch centred on the pointer, which zooms in when the wheel turns away
// from the user.
#include "platform/host/wheel.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/uikit/controls.h"
#include "platform/uikit/scroll_view.h"
#include "tests/platform/uikit/uikit_support.h"

namespace {

// Records every touch it is given, in screen points.
class FingerView : public ui::View {
 public:
  using ui::View::View;
  struct Seen {
    ui::TouchPhase phase;
    std::vector<ui::Point> points;
  };
  std::vector<Seen> seen;
  void record(ui::TouchPhase phase, const ui::Event& event) {
    Seen s{phase, {}};
    for (ui::Touch* t : event.allTouches) s.points.push_back(t->locationInView(nullptr));
    seen.push_back(s);
  }
  void touchesBegan(const ui::TouchSet&, const ui::Event& e) override { record(ui::TouchPhase::began, e); }
  void touchesMoved(const ui::TouchSet&, const ui::Event& e) override { record(ui::TouchPhase::moved, e); }
  void touchesEnded(const ui::TouchSet&, const ui::Event& e) override { record(ui::TouchPhase::ended, e); }
};

class Wheel : public ::testing::Test {
 protected:
  Wheel() {
    scroll_->setContentSize({375, 1000});
    scroll_->addSubview(switch_);
    window_->addSubview(scroll_);
    window_->addSubview(chart_);
    window_->addSubview(button_);
    button_->addAction([this](ui::Control&) { ++pressed_; }, ui::kControlEventTouchUpInside);
    window_->makeKeyAndVisible();
  }
  uitest::World world_;
  std::shared_ptr<ui::Window> window_ = std::make_shared<ui::Window>();
  std::shared_ptr<ui::ScrollView> scroll_ = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 375, 200});
  std::shared_ptr<ui::Switch> switch_ = std::make_shared<ui::Switch>(ui::Rect{10, 10, 51, 31});
  std::shared_ptr<FingerView> chart_ = std::make_shared<FingerView>(ui::Rect{0, 200, 375, 400});
  std::shared_ptr<ui::Button> button_ = std::make_shared<ui::Button>(ui::Rect{0, 600, 375, 67});
  int pressed_ = 0;
};

TEST_F(Wheel, TheScrollViewUnderThePointerScrollsWithinItsContent) {
  host::turnWheel({100, 100}, 0, -2, 1.0);  // towards the user: further down the content
  EXPECT_EQ(scroll_->contentOffset().y, 2 * host::kWheelScrollPoints);
  host::turnWheel({100, 100}, 0, 1, 1.1);
  EXPECT_EQ(scroll_->contentOffset().y, host::kWheelScrollPoints);
  host::turnWheel({20, 20}, 0, -100, 1.2);  // over the switch, inside the scroll view
  EXPECT_EQ(scroll_->contentOffset().y, 800) << "no further than the content's end";
  host::turnWheel({100, 100}, 0, 100, 1.3);
  EXPECT_EQ(scroll_->contentOffset().y, 0);
  host::turnWheel({100, 100}, 3, 0, 1.4);
  EXPECT_EQ(scroll_->contentOffset().x, 0) << "content no wider than the view does not move sideways";
  EXPECT_TRUE(chart_->seen.empty());
}

// A pinch handler takes its ratio from two moves in a row (the first move
// after the fingers land only notes where they are) and a limited ratio
// from one move: the spreads must say the whole turn within those rules.
TEST_F(Wheel, ElsewhereItIsAPinchCentredOnThePointer) {
  const ui::Point at{150, 400};
  auto spread = [](const FingerView::Seen& s) { return std::abs(s.points[1].x - s.points[0].x); };
  auto check = [&](double notches, double expected) {
    chart_->seen.clear();
    host::turnWheel(at, 0, notches, 2.0);
    const auto& seen = chart_->seen;
    ASSERT_GE(seen.size(), 4u);
    for (const auto& s : seen) {
      ASSERT_EQ(s.points.size(), 2u);
      EXPECT_DOUBLE_EQ((s.points[0].x + s.points[1].x) / 2, at.x);
      EXPECT_DOUBLE_EQ(s.points[0].y, at.y);
    }
    EXPECT_EQ(seen.front().phase, ui::TouchPhase::began);
    EXPECT_EQ(seen.back().phase, ui::TouchPhase::ended);
    EXPECT_EQ(seen[1].phase, ui::TouchPhase::moved);
    EXPECT_EQ(spread(seen[1]), spread(seen[0])) << "the first move notes where the fingers are";
    for (std::size_t i = 2; i + 1 < seen.size(); ++i) {
      EXPECT_EQ(seen[i].phase, ui::TouchPhase::moved);
      const double ratio = spread(seen[i]) / spread(seen[i - 1]);
      EXPECT_LE(std::max(ratio, 1 / ratio), host::kWheelPinchFactorPerNotch + 1e-12) << "one notch a move at most";
    }
    EXPECT_NEAR(spread(seen[seen.size() - 2]) / spread(seen[0]), expected, 1e-12);
  };
  const double notch = host::kWheelPinchFactorPerNotch;
  check(1, notch);  // away from the user: the fingers spread, zooming in
  check(-2, 1 / (notch * notch));
  // A fine-grained wheel's parts of a notch go out once they make a notch.
  chart_->seen.clear();
  host::turnWheel(at, 0, 0.4, 2.0);
  EXPECT_TRUE(chart_->seen.empty());
  check(0.7, std::pow(notch, 1.1));
  check(-1e6, std::pow(notch, -10));  // a flung wheel: a few notches' worth
  EXPECT_EQ(ui::Application::shared().activeTouchCount(), 0u) << "every finger lifted";
}

// Records what the wheel asks of a view that zooms itself.
class ZoomingView : public ui::View, public host::WheelZoomTarget {
 public:
  using ui::View::View;
  std::vector<std::pair<ui::Point, double>> zooms;
  void zoomAboutPoint(ui::Point at, double magnification) override { zooms.push_back({at, magnification}); }
};

TEST_F(Wheel, AViewThatZoomsItselfGetsThePointerInItsOwnPointsAndNoTouches) {
  auto zooming = std::make_shared<ZoomingView>(ui::Rect{50, 50, 200, 100});
  auto inside = std::make_shared<FingerView>(ui::Rect{10, 10, 50, 50});
  zooming->addSubview(inside);
  chart_->addSubview(zooming);  // the chart view starts at y = 200
  host::turnWheel({100, 300}, 0, 2, 1.0);
  host::turnWheel({70, 270}, 0, -1, 1.0);  // over a view inside it
  ASSERT_EQ(zooming->zooms.size(), 2u);
  EXPECT_EQ(zooming->zooms[0].first, (ui::Point{50, 50}));
  EXPECT_NEAR(zooming->zooms[0].second, host::kWheelPinchFactorPerNotch * host::kWheelPinchFactorPerNotch, 1e-12);
  EXPECT_EQ(zooming->zooms[1].first, (ui::Point{20, 20}));
  EXPECT_NEAR(zooming->zooms[1].second, 1 / host::kWheelPinchFactorPerNotch, 1e-12);
  EXPECT_TRUE(inside->seen.empty());
  EXPECT_TRUE(chart_->seen.empty());
}

// Ctrl-drag's two fingers: apart from the start, so that closing them
// (zooming out) is possible; level either side of the press point.
TEST(WheelDragPinch, FingersStartApartSpreadUpwardsAndCloseDownwards) {
  const ui::Point press{100, 300};
  auto spread = [&](double dy) {
    const auto [a, b] = host::dragPinchFingers(press, {press.x + 17, press.y + dy});
    EXPECT_DOUBLE_EQ(a.y, press.y);
    EXPECT_DOUBLE_EQ(b.y, press.y);
    EXPECT_DOUBLE_EQ((a.x + b.x) / 2, press.x);
    return b.x - a.x;
  };
  EXPECT_DOUBLE_EQ(spread(0), host::kWheelPinchSpan);
  EXPECT_NEAR(spread(-host::kDragPointsPerNotch) / spread(0), host::kWheelPinchFactorPerNotch, 1e-12);
  EXPECT_NEAR(spread(3 * host::kDragPointsPerNotch) / spread(0), std::pow(host::kWheelPinchFactorPerNotch, -3), 1e-12);
  EXPECT_TRUE(std::isfinite(spread(-1e300)) && std::isfinite(spread(1e300)) && spread(1e300) > 0);
  EXPECT_DOUBLE_EQ(spread(NAN), host::kWheelPinchSpan);
}

TEST_F(Wheel, ControlsOutsideScrollViewsAndNonsenseTurnsTakeNothing) {
  host::turnWheel({100, 630}, 0, 1, 1.0);
  EXPECT_EQ(pressed_, 0) << "a pinch over a button would press it";
  host::turnWheel({150, 400}, 0, NAN, 1.0);
  host::turnWheel({150, 400}, INFINITY, 1, 1.0);
  host::turnWheel({150, 400}, 0, 0, 1.0);
  EXPECT_TRUE(chart_->seen.empty());
  host::turnWheel({-50, 5000}, 0, 1, 1.0);  // off the screen
  EXPECT_EQ(scroll_->contentOffset().y, 0);
}

}  // namespace
