// Views: geometry and hit testing, autoresizing, huge frames, colours by
// hue against Python's colorsys, and the simulated keyboard (on the screen
// or not, selecting all, under an alert).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/coregraphics/image_codec.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/scroll_view.h"
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

// A view covers [x, x + width) by [y, y + height): a touch on its left or
// top edge is inside, one on its right or bottom edge falls to what lies
// behind.
TEST(UikitView, TouchesOnTheRightAndBottomEdgesFallOutside) {
  uitest::World world;
  auto window = std::make_shared<ui::Window>();
  auto view = std::make_shared<ui::View>(ui::Rect{10, 20, 100, 50});
  window->addSubview(view);
  window->makeKeyAndVisible();
  EXPECT_EQ(window->hitTest({10, 20}, nullptr), view.get());
  EXPECT_EQ(window->hitTest({109.99, 69.99}, nullptr), view.get());
  EXPECT_EQ(window->hitTest({110, 40}, nullptr), window.get());
  EXPECT_EQ(window->hitTest({60, 70}, nullptr), window.get());
  EXPECT_EQ(window->hitTest({110, 70}, nullptr), window.get());
}

// Dragged as far as it goes, content with unequal insets stops with its
// end above the bottom inset (offset = content height + bottom inset -
// height) and its start below the top one (offset = -top inset).
TEST(UikitView, ScrollingToTheEndsStopsAtTheInsets) {
  uitest::World world;
  auto window = std::make_shared<ui::Window>();
  auto scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 100, 375, 300});
  scroll->setContentSize({375, 1000});
  scroll->contentInset = {20, 0, 50, 0};
  window->addSubview(scroll);
  window->makeKeyAndVisible();
  auto drag = [&](double from, double by) {
    world.touch(1, ui::TouchPhase::began, {180, from});
    for (int i = 1; i <= 40; ++i) {
      world.run(1.0 / 30);
      world.touch(1, ui::TouchPhase::moved, {180, from + by * i / 40});
    }
    world.touch(1, ui::TouchPhase::ended, {180, from + by});
    world.run(3);
  };
  for (int k = 0; k < 3; ++k) drag(380, -260);  // the content upwards, towards its end
  EXPECT_EQ(scroll->contentOffset().y, 1000 + 50 - 300);
  for (int k = 0; k < 5; ++k) drag(120, 260);
  EXPECT_EQ(scroll->contentOffset().y, -20);
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

// The desktop: the machine's keyboard types, so the notifications come
// with a frame of no height and no keyboard window is drawn.
TEST(UikitKeyboard, WithoutAnOnScreenKeyboardNothingIsDrawnOrLaidOutForIt) {
  uitest::World world;
  ui::Application::shared().setOnScreenKeyboard(false);
  auto window = std::make_shared<ui::Window>();
  auto field = std::make_shared<ui::TextField>(ui::Rect{20, 100, 300, 36});
  window->addSubview(field);
  window->makeKeyAndVisible();
  std::vector<ui::Rect> ends;
  auto& center = ns::NotificationCenter::defaultCenter();
  for (const char* name : {ui::kKeyboardDidShowNotification, ui::kKeyboardDidHideNotification})
    center.addObserver(&ends, name, [&](const ns::Notification& n) {
      const auto& f = n.userInfo[ui::kKeyboardFrameEndUserInfoKey];
      ends.push_back({f["x"].get<double>(), f["y"].get<double>(), f["width"].get<double>(), f["height"].get<double>()});
    });
  world.tap({100, 118});
  ASSERT_TRUE(field->isFirstResponder());
  EXPECT_FALSE(ui::Application::shared().isKeyboardVisible());
  EXPECT_EQ(ui::Application::shared().windows().size(), 1u);
  EXPECT_EQ(ui::Application::shared().keyboardFrame().height(), 0);
  ui::Application::shared().insertText("M31");
  EXPECT_EQ(field->text(), "M31");
  field->resignFirstResponder();
  ASSERT_EQ(ends.size(), 2u) << "shown and hidden, in pairs as ever";
  EXPECT_EQ(ends[0], (ui::Rect{0, 667, 375, 0}));
  EXPECT_EQ(ends[1].y(), 667);
  center.removeObserver(&ends);
  ui::Application::shared().reset();
  EXPECT_TRUE(ui::Application::shared().hasOnScreenKeyboard()) << "a reset brings the phone's keyboard back";
}

TEST(UikitKeyboard, SelectAllThenTypingDeletingOrCopyingTakesTheWholeText) {
  uitest::World world;
  auto window = std::make_shared<ui::Window>();
  auto field = std::make_shared<ui::TextField>(ui::Rect{20, 100, 300, 36});
  window->addSubview(field);
  window->makeKeyAndVisible();
  ASSERT_TRUE(field->becomeFirstResponder());
  ui::Application& app = ui::Application::shared();
  app.insertText("Andromeda");
  EXPECT_EQ(field->selectedText(), "") << "nothing selected yet";
  field->selectAll();
  EXPECT_EQ(field->selectedText(), "Andromeda");
  app.insertText("M");
  EXPECT_EQ(field->text(), "M") << "typing replaces the selection";
  app.insertText("31");
  EXPECT_EQ(field->text(), "M31") << "and then appends again";
  field->selectAll();
  app.deleteBackward();
  EXPECT_EQ(field->text(), "");
  field->selectAll();
  EXPECT_FALSE(field->isAllSelected()) << "an empty text has nothing to select";
  app.insertText("secret");
  field->secureTextEntry = true;
  field->selectAll();
  EXPECT_EQ(field->selectedText(), "") << "a password is never copied";
  field->resignFirstResponder();
  EXPECT_FALSE(field->isAllSelected());
}

// An alert sits above everything, the keyboard included, and its shade
// dims what lies behind it there too.
TEST(UikitKeyboard, AnAlertDimsTheKeyboardBehindIt) {
  uitest::World world;
  auto window = std::make_shared<ui::Window>();
  auto root = std::make_shared<ui::ViewController>();
  window->setRootViewController(root);
  window->makeKeyAndVisible();
  auto field = std::make_shared<ui::TextField>(ui::Rect{20, 100, 300, 36});
  root->view()->addSubview(field);
  ASSERT_TRUE(field->becomeFirstResponder());
  ui::Application& app = ui::Application::shared();
  const ui::Point keyboardBackground{2, 667 - 2};  // between the keys
  const cg::Pixel before = app.snapshot(1)->pixel(2, 665);
  auto alert = std::make_shared<ui::AlertController>("Set Alert For Event", "Remind you 10 minutes before?");
  alert->addAction({"OK", ui::AlertActionStyle::defaultStyle, {}});
  root->presentViewController(alert, false);
  world.run(0.5);
  auto shot = app.snapshot(1);
  const cg::Pixel after = shot->pixel(std::size_t(keyboardBackground.x), std::size_t(keyboardBackground.y));
  // 40 % black over the keyboard's colour.
  EXPECT_NEAR(after.r, before.r * 0.6, 1.5);
  EXPECT_NEAR(after.g, before.g * 0.6, 1.5);
  EXPECT_NEAR(after.b, before.b * 0.6, 1.5);
  if (const char* folder = std::getenv("TESSALY_UIKIT_TEST_IMAGES")) cg::writePNG(*app.snapshot(2), std::string(folder) + "/alert-over-keyboard.png");
  EXPECT_EQ(app.windows().back()->windowLevel, ui::kAboveKeyboardWindowLevel);
  alert->chooseAction(0);
  world.run(0.5);
  EXPECT_EQ(app.windows().back()->className(), ui::kKeyboardWindowClassName) << "its window goes with it";
  const cg::Pixel again = app.snapshot(1)->pixel(2, 665);
  EXPECT_EQ(again.r, before.r);
  EXPECT_TRUE(field->isFirstResponder());
}

// Keys typed while an alert waits for its answer reach neither the field
// behind it nor its Return action; once answered, the field takes keys
// again.
TEST(UikitKeyboard, KeysUnderAnAlertDoNotReachTheFieldBehindIt) {
  uitest::World world;
  auto window = std::make_shared<ui::Window>();
  auto root = std::make_shared<ui::ViewController>();
  window->setRootViewController(root);
  window->makeKeyAndVisible();
  auto field = std::make_shared<ui::TextField>(ui::Rect{20, 100, 300, 36});
  int returns = 0;
  field->addAction([&](ui::Control&) { ++returns; }, ui::kControlEventEditingDidEndOnExit);
  root->view()->addSubview(field);
  ASSERT_TRUE(field->becomeFirstResponder());
  ui::Application& app = ui::Application::shared();
  app.insertText("abc");
  auto alert = std::make_shared<ui::AlertController>("Not Found", "Nothing matches.");
  alert->addAction({"OK", ui::AlertActionStyle::defaultStyle, {}});
  root->presentViewController(alert, true);
  world.run(0.5);
  app.insertText("def");
  app.deleteBackward();
  app.returnKey();
  EXPECT_EQ(field->text(), "abc");
  EXPECT_EQ(returns, 0);
  alert->chooseAction(0);
  world.run(0.5);
  app.deleteBackward();
  app.returnKey();
  EXPECT_EQ(field->text(), "ab");
  EXPECT_EQ(returns, 1);
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
