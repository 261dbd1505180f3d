// Pan and pinch recognisers side by side on one view, fed touches through
// the application as the hosts feed them: which one recognises, and what
// the pan measures when fingers land, lift or join together.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/uikit/gesture.h"
#include "platform/uikit/window.h"
#include "uikit_support.h"

namespace {

using ui::TouchPhase;

// A view with a pan and a pinch, as the map picker has, and the pan's
// translation at every action.
struct PanAndPinch {
  uitest::World world;
  std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
  std::shared_ptr<ui::View> view = std::make_shared<ui::View>(ui::Rect{0, 0, 375, 667});
  std::shared_ptr<ui::PanGestureRecognizer> pan = std::make_shared<ui::PanGestureRecognizer>();
  std::shared_ptr<ui::PinchGestureRecognizer> pinch = std::make_shared<ui::PinchGestureRecognizer>();
  std::vector<ui::Point> translations;
  std::vector<double> scales;

  PanAndPinch() {
    pan->addAction([this](ui::GestureRecognizer&) { translations.push_back(pan->translationInView(view.get())); });
    pinch->addAction([this](ui::GestureRecognizer&) { scales.push_back(pinch->scale); });
    view->addGestureRecognizer(pan);
    view->addGestureRecognizer(pinch);
    window->addSubview(view);
    window->makeKeyAndVisible();
  }

  // Fingers 1 and 2 at once, in one event.
  void two(TouchPhase phase, ui::Point a, ui::Point b) {
    ui::Application::shared().handleTouches({{1, phase, a}, {2, phase, b}}, world.now());
    world.run(0.02);
  }
  void one(int id, TouchPhase phase, ui::Point p) {
    world.touch(id, phase, p);
    world.run(0.02);
  }
};

TEST(Gesture, TwoFingersLandingTogetherAndSpreadingPinchAndDoNotPan) {
  PanAndPinch v;
  v.two(TouchPhase::began, {150, 300}, {250, 300});
  for (double spread = 50; spread <= 80; spread += 5)
    v.two(TouchPhase::moved, {200 - spread, 300}, {200 + spread, 300});
  EXPECT_TRUE(v.translations.empty()) << "the fingers' centre stayed where it was";
  ASSERT_FALSE(v.scales.empty()) << "the pinch began";
  EXPECT_NEAR(v.scales.back(), 1.6, 1e-9);
  v.two(TouchPhase::ended, {120, 300}, {280, 300});
  EXPECT_EQ(v.pinch->state(), ui::GestureState::possible) << "reset once the fingers are up";
}

TEST(Gesture, TwoFingersMovingTogetherPanByTheirCentre) {
  PanAndPinch v;
  v.two(TouchPhase::began, {150, 300}, {250, 300});
  v.two(TouchPhase::moved, {150, 304}, {250, 304});  // under the threshold: nothing yet
  EXPECT_TRUE(v.translations.empty());
  v.two(TouchPhase::moved, {165, 320}, {265, 320});
  ASSERT_EQ(v.translations.size(), 1u);
  EXPECT_EQ(v.translations.back(), (ui::Point{15, 20}));
  EXPECT_TRUE(v.scales.empty()) << "the pan took the touches";
}

TEST(Gesture, AFingerJoiningOrLeavingAPanDoesNotMoveIt) {
  PanAndPinch v;
  v.one(1, TouchPhase::began, {100, 100});
  v.one(1, TouchPhase::moved, {130, 100});
  ASSERT_EQ(v.translations.back(), (ui::Point{30, 0}));
  // A second finger lands 200 points away: the centre jumps, the hand did not.
  v.one(2, TouchPhase::began, {330, 100});
  v.two(TouchPhase::moved, {140, 100}, {340, 100});
  EXPECT_EQ(v.translations.back(), (ui::Point{40, 0}));
  // The first finger lifts: the pan goes on under the second.
  v.one(1, TouchPhase::ended, {140, 100});
  EXPECT_TRUE(v.pan->isActive());
  v.one(2, TouchPhase::moved, {340, 110});
  EXPECT_EQ(v.translations.back(), (ui::Point{40, 10}));
  v.one(2, TouchPhase::ended, {340, 110});
  EXPECT_EQ(v.pan->state(), ui::GestureState::possible);
  for (const ui::Point& t : v.translations) EXPECT_LE(std::hypot(t.x, t.y), 45) << t.x << ", " << t.y;
}

}  // namespace
