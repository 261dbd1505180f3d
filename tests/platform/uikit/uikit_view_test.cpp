// Views: geometry and hit testing, autoresizing, huge frames, colours by
// hue against Python's colorsys, and the simulated keyboard.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "platform/foundation/notification_center.h"
#include "platform/uikit/text_input.h"
#include "uikit_support.h"

namespace {

TEST(UikitView, PointsConvertAndHitThroughTransformsAndScrolling) {
  uitest::World world;
  auto window = std::make_shared<ui::Window>();
  auto outer = std::make_shared<ui::View>(ui::Rect{50, 100, 200, 200});
  auto inner = std::make_shared<ui::View>(ui::Rect{10, 20, 50, 40});
  window->addSubview(outer);
  outer->addSubview(inner);
  window->makeKeyAndVisible();
  EXPECT_EQ(inner->convertPointTo({0, 0}, nullptr), (ui::Point{60, 120}));
  EXPECT_EQ(window->hitTest({65, 125}, nullptr), inner.get());
  EXPECT_EQ(window->hitTest({55, 105}, nullptr), outer.get());
  outer->setBounds({0, 10, 200, 200});  // scrolled by 10
  EXPECT_EQ(inner->convertPointTo({0, 0}, nullptr), (ui::Point{60, 110}));
  outer->setBounds({0, 0, 200, 200});
  // A half turn about the centre puts the inner view at the far corner.
  outer->setTransform(ui::AffineTransform::rotation(3.141592653589793));
  ui::Point p = inner->convertPointTo({0, 0}, nullptr);
  EXPECT_NEAR(p.x, 240, 1e-9);
  EXPECT_NEAR(p.y, 280, 1e-9);
  EXPECT_EQ(window->hitTest({235, 275}, nullptr), inner.get());
  inner->setUserInteractionEnabled(false);
  EXPECT_EQ(window->hitTest({235, 275}, nullptr), outer.get());
}

TEST(UikitView, AutoresizingSharesTheChangeAmongFlexibleParts) {
  auto parent = std::make_shared<ui::View>(ui::Rect{0, 0, 300, 200});
  auto stretch = std::make_shared<ui::View>(ui::Rect{10, 10, 280, 50});
  stretch->setAutoresizingMask(ui::kFlexibleWidth);
  auto pinned = std::make_shared<ui::View>(ui::Rect{250, 150, 40, 40});
  pinned->setAutoresizingMask(ui::kFlexibleLeftMargin | ui::kFlexibleTopMargin);
  parent->addSubview(stretch);
  parent->addSubview(pinned);
  parent->setFrame({0, 0, 400, 300});
  EXPECT_EQ(stretch->frame(), (ui::Rect{10, 10, 380, 50}));
  EXPECT_EQ(pinned->frame(), (ui::Rect{350, 250, 40, 40}));
}

TEST(UikitView, AViewAsLargeAsTheLargestDoubleIsDrawnClippedToTheWindow) {
  uitest::World world;
  auto window = std::make_shared<ui::Window>();
  auto overlay = std::make_shared<ui::View>(
      ui::Rect{0, 0, std::numeric_limits<double>::max(), std::numeric_limits<double>::max()});
  overlay->setBackgroundColor(ui::Color::rgba(0.2, 0, 0, 0.8));
  window->addSubview(overlay);
  window->makeKeyAndVisible();
  EXPECT_LE(overlay->frame().width(), ui::kMaximumCoordinate);
  auto image = window->snapshot(2);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 750u);
  cg::Pixel p = image->pixel(700, 1300);
  EXPECT_NEAR(p.r, 0.2 * 0.8 * 255, 1);
  EXPECT_NEAR(p.a, 0.8 * 255, 1);
  auto nan = std::make_shared<ui::View>(ui::Rect{std::nan(""), 0, 10, 10});
  window->addSubview(nan);
  EXPECT_TRUE(window->snapshot(1));
}

TEST(UikitView, HueSaturationAndBrightnessAgreeWithPythonsColorsys) {
  const double samples[][3] = {{0, 0.65, 1}, {0.8, 0, 0}, {0.3, 0.6, 0.2}, {0.5, 0.5, 0.5}, {0.9, 0.2, 0.7}};
  std::string command = "/usr/bin/python3 -c \"import colorsys\nfor c in [";
  for (auto& s : samples) command += "(" + std::to_string(s[0]) + "," + std::to_string(s[1]) + "," + std::to_string(s[2]) + "),";
  command += "]: print(*colorsys.rgb_to_hsv(*c))\"";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[4096] = {};
  std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, pipe);
  ASSERT_EQ(::pclose(pipe), 0);
  std::istringstream out(std::string(buffer, n));
  int count = 0;
  for (auto& s : samples) {
    double h, sat, v;
    ASSERT_TRUE(out >> h >> sat >> v);
    double hue, saturation, brightness, alpha;
    ui::Color::rgba(s[0], s[1], s[2]).getHSBA(hue, saturation, brightness, alpha);
    EXPECT_NEAR(hue, h, 1e-9);
    EXPECT_NEAR(saturation, sat, 1e-9);
    EXPECT_NEAR(brightness, v, 1e-9);
    // Brightness times 0.7 with hue and saturation kept, and back.
    ui::Color darker = ui::Color::hsba(hue, saturation, brightness * 0.7);
    EXPECT_NEAR(darker.r, s[0] * 0.7, 1e-9);
    EXPECT_NEAR(darker.g, s[1] * 0.7, 1e-9);
    EXPECT_NEAR(darker.b, s[2] * 0.7, 1e-9);
    ++count;
  }
  EXPECT_EQ(count, 5);
}

TEST(UikitKeyboard, ATextFieldBringsTheKeyboardWithItsFrameAndWindow) {
  uitest::World world;
  auto window = std::make_shared<ui::Window>();
  auto field = std::make_shared<ui::TextField>(ui::Rect{20, 100, 300, 36});
  window->addSubview(field);
  window->makeKeyAndVisible();
  std::vector<std::string> names;
  ui::Rect end;
  auto& center = ns::NotificationCenter::defaultCenter();
  for (const char* name : {ui::kKeyboardWillShowNotification, ui::kKeyboardDidShowNotification,
                           ui::kKeyboardWillHideNotification, ui::kKeyboardDidHideNotification})
    center.addObserver(&names, name, [&](const ns::Notification& n) {
      names.push_back(n.name);
      const auto& f = n.userInfo[ui::kKeyboardFrameEndUserInfoKey];
      end = {f["x"].get<double>(), f["y"].get<double>(), f["width"].get<double>(), f["height"].get<double>()};
    });
  auto keyboardWindow = [] {
    for (auto& w : ui::Application::shared().windows())
      if (w->className() == ui::kKeyboardWindowClassName) return w.get();
    return static_cast<ui::Window*>(nullptr);
  };
  EXPECT_EQ(keyboardWindow(), nullptr);
  world.tap({100, 118});
  EXPECT_TRUE(field->isFirstResponder());
  EXPECT_EQ(names, (std::vector<std::string>{ui::kKeyboardWillShowNotification, ui::kKeyboardDidShowNotification}));
  EXPECT_EQ(end, (ui::Rect{0, 667 - 216, 375, 216}));
  EXPECT_NE(keyboardWindow(), nullptr);
  ui::Application::shared().insertText("Vega ");
  ui::Application::shared().insertText("\xce\xb1");  // α
  ui::Application::shared().deleteBackward();
  ui::Application::shared().insertText("Lyrae");
  EXPECT_EQ(field->text(), "Vega Lyrae");
  field->resignFirstResponder();
  EXPECT_EQ(names.size(), 4u);
  EXPECT_EQ(names[2], ui::kKeyboardWillHideNotification);
  EXPECT_EQ(end.y(), 667);
  EXPECT_EQ(keyboardWindow(), nullptr);
  center.removeObserver(&names);
}

}  // namespace

// An animation still running when the process ends may hold the last
// reference to a view in its completion; releasing it at exit must not
// touch the animator's list while that list is being destroyed.
TEST(ViewAnimations, AnAnimationStillRunningAtExitReleasesItsViewsSafely) {
  EXPECT_EXIT(
      {
        // The first animation is released first, then the second, whose
        // completion holds the last reference to a view.
        auto first = std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10});
        auto held = std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10});
        ui::View::animate(100.0, [&] { first->setAlpha(0); });
        ui::View::animate(100.0, [&] { held->setAlpha(0); }, [held](bool) { held->setAlpha(1); });
        held.reset();
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}
