// The mouse wheel as a desktop user expects: the scroll view under the
// pointer scrolls (kept within its content), anything else but a control
// gets a two-finger pinch centred on the pointer, which zooms in when the
// wheel turns away from the user.
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

TEST_F(Wheel, ElsewhereItIsAPinchCentredOnThePointer) {
  const ui::Point at{150, 400};
  host::turnWheel(at, 0, 1, 2.0);
  ASSERT_EQ(chart_->seen.size(), 3u);
  auto spread = [](const FingerView::Seen& s) { return std::abs(s.points[1].x - s.points[0].x); };
  for (const auto& s : chart_->seen) {
    ASSERT_EQ(s.points.size(), 2u);
    EXPECT_DOUBLE_EQ((s.points[0].x + s.points[1].x) / 2, at.x);
    EXPECT_DOUBLE_EQ(s.points[0].y, at.y);
  }
  EXPECT_EQ(chart_->seen[0].phase, ui::TouchPhase::began);
  EXPECT_EQ(chart_->seen[1].phase, ui::TouchPhase::moved);
  EXPECT_EQ(chart_->seen[2].phase, ui::TouchPhase::ended);
  EXPECT_NEAR(spread(chart_->seen[1]) / spread(chart_->seen[0]), host::kWheelPinchFactorPerNotch, 1e-12)
      << "away from the user: the fingers spread, zooming in";
  chart_->seen.clear();
  host::turnWheel(at, 0, -2, 3.0);
  ASSERT_EQ(chart_->seen.size(), 3u);
  EXPECT_NEAR(spread(chart_->seen[1]) / spread(chart_->seen[0]), std::pow(host::kWheelPinchFactorPerNotch, -2), 1e-12);
  EXPECT_EQ(ui::Application::shared().activeTouchCount(), 0u) << "every finger lifted";
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
