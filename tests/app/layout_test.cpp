// The chart screen's layout: the toolbar strip's buttons and widths by
// screen width with its arrows, the stereo mode's full screen, the
// night-vision theme's colours over the whole screen and the keyboard,
// and a tablet's status line, stereo mode and popovers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/chart_view_toolbar.h"
#include "app/information_screens_connection.h"
#include "platform/coregraphics/image.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/window.h"
#include "tests/app/app_session.h"
#include "ui/foundation/small_views.h"
#include "ui/info/search_view_controller.h"

namespace {

using app_test::AppSession;

struct ScreenWidth {
  explicit ScreenWidth(double width, double height = 667) {
    ui::DeviceConfiguration c;
    c.portraitSize = {width, height};
    ui::Screen::main().configure(c);
  }
  ~ScreenWidth() { ui::Screen::main().configure(ui::DeviceConfiguration{}); }
};

int toolbarButtons(const ChartViewToolbar& toolbar) {
  int count = 0;
  for (const auto& view : toolbar.subviews()) count += view->tag() >= 1;
  return count;
}

TEST(ChartScreenLayout, TheToolbarShowsAsManyButtonsAsTheWidthAllows) {
  const struct {
    double width;
    int shown;
  } cases[] = {{320, 6}, {375, 7}, {414, 9}, {480, 9}, {600, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    ScreenWidth screenWidth(c.width);
    AppSession session;
    session.run(1.0);
    const auto& v = session.screen().views();
    ASSERT_EQ(toolbarButtons(*v.toolbar), 12);
    const double b = c.width / c.shown;
    double x = 0;
    for (const auto& view : v.toolbar->subviews()) {
      if (view->tag() < 1) continue;
      EXPECT_NEAR(view->frame().width(), b, 1e-9);
      EXPECT_NEAR(view->frame().x(), x, 1e-9);
      x += b;
    }
    const double expected = c.shown >= 12 ? c.width : std::trunc(b * 12);
    EXPECT_EQ(v.toolbar->frame().width(), expected);
    EXPECT_EQ(v.toolbarScrollView->contentSize().width, expected);
    EXPECT_EQ(v.toolbar->viewWithTag(-1)->frame().width(), expected);
    EXPECT_EQ(v.toolbar->subviews().front()->tag(), -1) << "the background stays behind the buttons";
    const bool scrolls = expected > c.width;
    EXPECT_TRUE(v.leftMoreView->isHidden());
    EXPECT_EQ(v.rightMoreView->isHidden(), !scrolls);
    if (scrolls) {
      v.toolbarScrollView->setContentOffset({expected - c.width, 0});
      EXPECT_FALSE(v.leftMoreView->isHidden()) << "once the strip is scrolled";
      EXPECT_TRUE(v.rightMoreView->isHidden());
    }
  }
}

TEST(ChartScreenLayout, AThreeHundredSeventyFiveWideScreenHasASixHundredFortyTwoWideToolbar) {
  ScreenWidth screenWidth(375);
  AppSession session;
  session.run(1.0);
  EXPECT_EQ(session.screen().views().toolbar->frame().width(), 642);
  // A narrow button with an image keeps its whole title, under the image.
  ui::Button& motion = *session.screen().views().motionButton;
  motion.layoutIfNeeded();
  ASSERT_NE(motion.imageForState(ui::kControlStateNormal), nullptr);
  const ui::Size title = motion.titleLabel().sizeThatFits({0, 0});
  EXPECT_GE(motion.titleLabel().frame().width(), title.width);
  EXPECT_GT(motion.titleLabel().frame().y(), motion.bounds().midY() - title.height / 2);
}

// Where a title's text lies, in screen points: its natural width centred
// on its label (a label narrower than its text would let it overflow).
ui::Rect titleExtent(ui::Button& button) {
  button.layoutIfNeeded();
  ui::Label& title = button.titleLabel();
  const ui::Size text = title.sizeThatFits({0, 0});
  const ui::Rect label = title.convertRectTo(title.bounds(), nullptr);
  return {label.midX() - text.width / 2, label.y(), text.width, label.height()};
}

// Where an arrow's image has ink, in screen points.
ui::Rect arrowInk(const ui::ImageView& arrow) {
  const cg::Image& bitmap = arrow.image()->bitmap();
  std::size_t x0 = bitmap.width(), y0 = bitmap.height(), x1 = 0, y1 = 0;
  for (std::size_t y = 0; y < bitmap.height(); ++y)
    for (std::size_t x = 0; x < bitmap.width(); ++x)
      if (bitmap.pixel(x, y).a > 0) x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
  const ui::Rect frame = arrow.convertRectTo(arrow.bounds(), nullptr);
  const double sx = frame.width() / double(bitmap.width()), sy = frame.height() / double(bitmap.height());
  return {frame.x() + x0 * sx, frame.y() + y0 * sy, (x1 - x0) * sx, (y1 - y0) * sy};
}

bool overlap(const ui::Rect& a, const ui::Rect& b) {
  return a.x() < b.maxX() && b.x() < a.maxX() && a.y() < b.maxY() && b.y() < a.maxY();
}

// Every toolbar button shows an icon, and at every width no title runs
// into its neighbour's or under a more-buttons arrow, at either end of the
// strip.
TEST(ChartScreenLayout, EveryToolbarButtonHasAnIconAndNoTitleTouchesANeighbourOrAnArrow) {
  for (double width : {320.0, 375.0, 414.0}) {
    SCOPED_TRACE(width);
    ScreenWidth screenWidth(width);
    AppSession session;
    session.run(1.0);
    const auto& v = session.screen().views();
    std::vector<ui::Button*> buttons;
    for (const auto& view : v.toolbar->subviews())
      if (auto* button = dynamic_cast<ui::Button*>(view.get()); button && view->tag() >= 1) buttons.push_back(button);
    ASSERT_EQ(buttons.size(), 12u);
    int checked = 0;
    for (double offset : {0.0, v.toolbar->frame().width() - width}) {
      v.toolbarScrollView->setContentOffset({offset, 0});
      for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_NE(buttons[i]->imageForState(ui::kControlStateNormal), nullptr) << buttons[i]->titleForState(0);
        const ui::Rect title = titleExtent(*buttons[i]);
        if (i + 1 < buttons.size()) {
          EXPECT_LE(title.maxX() + 1, titleExtent(*buttons[i + 1]).x())
              << buttons[i]->titleForState(0) << " touches " << buttons[i + 1]->titleForState(0);
        }
        for (const auto* arrow : {v.leftMoreView.get(), v.rightMoreView.get()}) {
          if (arrow->isHidden() || !arrow->image()) continue;
          EXPECT_FALSE(overlap(title, arrowInk(*arrow))) << buttons[i]->titleForState(0) << " under an arrow";
          ++checked;
        }
      }
    }
    EXPECT_GT(checked, 0) << "an arrow was shown";
  }
}

TEST(ChartScreenLayout, TheStereoModeHidesTheControlsExceptInTheGroundView) {
  ScreenWidth screenWidth(375);
  AppSession session;
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  screen.settings()->setAutoVR(true);
  screen.setChartPerspective(kSkyPerspective);
  ui::Application::shared().setOrientation(3, 0);
  session.run(0.5);
  const auto& v = screen.views();
  EXPECT_TRUE(screen.inVirtualReality());
  for (ui::View* view : {static_cast<ui::View*>(v.toolbarScrollView.get()), static_cast<ui::View*>(v.statusBar.get()),
                         static_cast<ui::View*>(v.fovLabel.get()), static_cast<ui::View*>(v.zoomInButton.get())})
    EXPECT_TRUE(view->isHidden());
  EXPECT_EQ(session.chartView().frame(), screen.view()->bounds()) << "the chart fills the screen";
  // Another perspective in the stereo mode (a voice command) shows none of
  // the orbit view's own buttons either.
  screen.setChartPerspective(kOrbitPerspective);
  for (ui::View* view : {static_cast<ui::View*>(v.flyInButton.get()), static_cast<ui::View*>(v.flyOutButton.get()),
                         static_cast<ui::View*>(v.centerCoordsLabel.get()), static_cast<ui::View*>(v.fovLabel.get())})
    EXPECT_TRUE(view->isHidden());
  ui::Application::shared().setOrientation(1, 0);
  session.run(0.5);
  EXPECT_FALSE(screen.inVirtualReality());
  screen.setChartPerspective(kGroundPerspective);
  ui::Application::shared().setOrientation(4, 0);
  session.run(0.5);
  EXPECT_FALSE(v.toolbarScrollView->isHidden());
  EXPECT_FALSE(v.statusBar->isHidden());
  ui::Application::shared().setOrientation(1, 0);
}

TEST(ChartScreenLayout, NightVisionShowsNoPixelGreenerOrBluerThanItIsRed) {
  AppSession session;
  session.run(1.0);
  session.screen().toggleNightVision();
  session.run(1.0);
  ASSERT_TRUE(AppDelegate::isNightVision());
  session.screen().showTimeFlow(true);
  session.run(1.0);
  auto image = ui::Application::shared().snapshot(2);
  ASSERT_NE(image, nullptr);
  if (const char* folder = std::getenv("TESSALY_APP_TEST_SNAPSHOTS")) cg::writePNG(*image, std::string(folder) + "/night.png");
  std::size_t offending = 0;
  for (std::size_t y = 0; y < image->height(); ++y)
    for (std::size_t x = 0; x < image->width(); ++x) {
      const std::uint32_t argb = image->row(y)[x];
      const int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
      if (g > r || b > r) ++offending;
    }
  EXPECT_EQ(offending, 0u);
  session.screen().toggleNightVision();
  session.run(1.0);
  EXPECT_FALSE(AppDelegate::isNightVision());
}

// The night theme's red cover goes into the keyboard's window when the
// keyboard is about to show: the keys of the search field's keyboard are
// no greener or bluer than they are red, and the field stays clear.
TEST(ChartScreenLayout, InTheNightThemeTheOnScreenKeyboardIsCoveredInRed) {
  connectInformationScreens();
  app_test::SessionOptions options;
  options.launchCount = 5;
  AppSession session(options);
  session.run(0.5);
  session.screen().toggleNightVision();
  session.run(0.5);
  ASSERT_TRUE(AppDelegate::isNightVision());
  session.screen().views().searchButton->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  session.run(1.0);
  auto* stack = dynamic_cast<ui::NavigationController*>(session.screen().presentedViewController());
  ASSERT_NE(stack, nullptr);
  auto* search = dynamic_cast<SearchViewController*>(stack->topViewController());
  ASSERT_NE(search, nullptr);
  const ui::Point field = AppSession::centreOf(search->searchBar()->searchTextField());
  session.tap(field.x, field.y);
  ASSERT_TRUE(ui::Application::shared().isKeyboardVisible());
  constexpr double kScale = 2;
  auto image = ui::Application::shared().snapshot(kScale);
  ASSERT_NE(image, nullptr);
  if (const char* folder = std::getenv("TESSALY_APP_TEST_SNAPSHOTS"))
    cg::writePNG(*image, std::string(folder) + "/night-keyboard.png");
  const ui::Rect keys = ui::Application::shared().keyboardFrame();
  std::size_t pixels = 0, offending = 0;
  for (auto y = std::size_t(keys.y() * kScale); y < std::size_t(keys.maxY() * kScale) && y < image->height(); ++y)
    for (auto x = std::size_t(keys.x() * kScale); x < std::size_t(keys.maxX() * kScale) && x < image->width(); ++x) {
      const std::uint32_t argb = image->row(y)[x];
      const int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
      ++pixels;
      if (g > r || b > r) ++offending;
    }
  EXPECT_GT(pixels, 100000u);
  EXPECT_EQ(offending, 0u);
  // The cover, in the keyboard's window, leaves the field being typed in
  // clear.
  const ui::View* cover = nullptr;
  for (const auto& window : ui::Application::shared().windows())
    if (window->className() == ui::kKeyboardWindowClassName && window->subviews().size() == 2)
      cover = window->subviews().back().get();
  ASSERT_NE(cover, nullptr);
  const ui::SearchBar& bar = *search->searchBar();
  EXPECT_NEAR(cover->frame().y(), bar.convertRectTo(bar.bounds(), nullptr).maxY(), 1e-9);
  EXPECT_NEAR(cover->frame().maxY(), keys.maxY(), 1e-9);
  search->searchBar()->searchTextField().resignFirstResponder();
  session.run(0.5);
  EXPECT_FALSE(ui::Application::shared().isKeyboardVisible());
  EXPECT_EQ(cover->superview(), nullptr) << "the cover goes with the keyboard";

  // Elsewhere, on a phone held upright, it also covers the 60 points above
  // the keys, where the platform shows its suggestions.
  search->doneTouched(nullptr);
  session.run(1.0);
  auto other = std::make_shared<ui::TextField>(ui::Rect{20, 200, 300, 36});
  session.screen().view()->addSubview(other);
  ASSERT_TRUE(other->becomeFirstResponder());
  ASSERT_TRUE(ui::Application::shared().isKeyboardVisible());
  ASSERT_NE(cover->superview(), nullptr);
  EXPECT_NEAR(cover->frame().y(), keys.y() - 60, 1e-9);
  EXPECT_NEAR(cover->frame().maxY(), keys.maxY(), 1e-9);
  other->resignFirstResponder();
  other->removeFromSuperview();
  session.screen().toggleNightVision();
  session.run(0.5);
  EXPECT_FALSE(AppDelegate::isNightVision());
}

// ---- The tablet ------------------------------------------------------------------

app_test::SessionOptions tabletOptions() {
  app_test::SessionOptions options;
  options.tablet = true;
  options.launchCount = 5;  // no quick start over the chart
  return options;
}

// Puts the device on its side (or back upright) and lets the screen settle.
void turn(AppSession& session, int orientation) {
  ui::Application::shared().setOrientation(orientation, 0);
  session.run(0.5);
}

ui::Rect onScreen(const ui::View& view) { return view.convertRectTo(view.bounds(), nullptr); }

// Whether a view shows: in the window, itself and every view above it
// neither hidden nor transparent.
bool shows(const ui::View& view) {
  if (view.window() == nullptr) return false;
  for (const ui::View* v = &view; v != nullptr; v = v->superview())
    if (v->isHidden() || v->alpha() <= 0) return false;
  return true;
}

// The status line's three labels lie in its band, four points in from its
// ends (and `notch` more), the place at the left and the date and time at
// the right; the separator runs under it from edge to edge; and the texts
// they show fit.
void expectStatusLineSpans(ChartScreenController& screen, double notch = 0) {
  const auto& v = screen.views();
  const double W = screen.view()->bounds().width();
  const ui::Rect bar = v.statusBar->frame();
  EXPECT_EQ(bar.x(), 0);
  EXPECT_EQ(bar.width(), W);
  const double top = bar.height() - 30;
  for (const ui::Label* label : {v.locationLabel.get(), v.timeDateLabel.get(), v.selectedObjectLabel.get()}) {
    SCOPED_TRACE(label->text());
    ASSERT_EQ(label->superview(), v.statusBar.get());
    EXPECT_GE(label->frame().y(), top);
    EXPECT_LE(label->frame().maxY(), bar.height());
    EXPECT_LE(label->sizeThatFits({0, 0}).width, label->frame().width()) << "the text is cut";
  }
  EXPECT_DOUBLE_EQ(v.locationLabel->frame().x(), 4 + notch);
  EXPECT_DOUBLE_EQ(v.timeDateLabel->frame().maxX(), W - 4 - notch);
  EXPECT_LE(v.locationLabel->frame().maxX(), v.timeDateLabel->frame().x());
  EXPECT_DOUBLE_EQ(v.selectedObjectLabel->frame().x(), 4);
  EXPECT_DOUBLE_EQ(v.selectedObjectLabel->frame().maxX(), W - 4);
  const ui::Rect separator = v.statusBarSeparator->frame();
  EXPECT_EQ(separator.x(), 0);
  EXPECT_EQ(separator.width(), W);
  EXPECT_EQ(separator.y(), bar.maxY()) << "right under the status line";
  EXPECT_TRUE(shows(*v.statusBarSeparator));
}

TEST(ChartScreenLayout, OnATabletTheStatusLineLabelsAndSeparatorSpanItsWidthInBothOrientations) {
  AppSession session(tabletOptions());
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  ASSERT_FALSE(screen.settings()->autoVR());
  session.select("Mars");
  screen.showStatusObjectInfo();
  for (int orientation : {1, 3, 1}) {
    SCOPED_TRACE(orientation);
    turn(session, orientation);
    // The sky view names the place with its latitude and longitude, the
    // orbit view the point below with its height: the longest texts.
    for (int perspective : {kSkyPerspective, kOrbitPerspective}) {
      SCOPED_TRACE(perspective);
      screen.setChartPerspective(perspective);
      session.run(0.2);
      ASSERT_FALSE(screen.views().locationLabel->text().empty());
      expectStatusLineSpans(screen);
    }
  }
}

// A phone with a screen notch keeps the labels 16 points further in on its
// side, where the notch is, and the status line grows by the top inset.
TEST(ChartScreenLayout, OnAPhoneWithANotchTheStatusLineSpansItsWidthInBothOrientations) {
  ui::DeviceConfiguration notched;
  notched.portraitSize = {390, 844};
  notched.portraitSafeArea = {47, 0, 34, 0};
  ui::Screen::main().configure(notched);
  {
    app_test::SessionOptions options;
    options.launchCount = 5;
    AppSession session(options);
    session.run(1.0);
    for (int orientation : {1, 3, 1}) {
      SCOPED_TRACE(orientation);
      turn(session, orientation);
      EXPECT_EQ(session.screen().views().statusBar->frame().height(), orientation == 1 ? 47 + 30 : 30);
      expectStatusLineSpans(session.screen(), orientation == 1 ? 0 : 16);
    }
  }
  ui::Screen::main().configure(ui::DeviceConfiguration{});
}

// The stereo mode is a phone's (a tablet's settings keep it off): on its
// side, the phone shows both eyes' charts and nothing over them, the
// status line's separator neither.
TEST(ChartScreenLayout, InLandscapeStereoNothingButTheChartShows) {
  app_test::SessionOptions options;
  options.launchCount = 5;
  AppSession session(options);
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  screen.settings()->setAutoVR(true);
  screen.setChartPerspective(kSkyPerspective);
  screen.showTimeFlow(true);
  turn(session, 3);
  ASSERT_TRUE(screen.inVirtualReality());
  ChartSurfaceView& chart = session.chartView();
  EXPECT_EQ(chart.frame(), screen.view()->bounds());
  // Every view of the screen that shows is the chart itself or lies
  // behind it; none lies over it.
  std::vector<const ui::View*> over;
  std::function<void(const ui::View&)> walk = [&](const ui::View& view) {
    for (const auto& sub : view.subviews()) {
      if (sub.get() == &chart) continue;
      if (shows(*sub) && sub->bounds().width() > 0 && sub->bounds().height() > 0) over.push_back(sub.get());
      walk(*sub);
    }
  };
  walk(*screen.view());
  walk(chart);
  for (const ui::View* view : over) ADD_FAILURE() << view->className() << " shows over the stereo chart";
  EXPECT_FALSE(shows(*screen.views().statusBarSeparator));
  // Upright again, the status line and its separator come back.
  turn(session, 1);
  EXPECT_FALSE(screen.inVirtualReality());
  EXPECT_TRUE(shows(*screen.views().statusBarSeparator));
  EXPECT_TRUE(shows(*screen.views().statusBar));
}

// A tablet shows Info and Search in a popover over the chart, pointing at
// its button: the whole toolbar, icons and titles, stays uncovered below
// it, so no title peeks out from under the popover's edge.
TEST(ChartScreenLayout, OnATabletInfoAndSearchOpenOverTheChartAndLeaveTheToolbarWhole) {
  connectInformationScreens();
  AppSession session(tabletOptions());
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  session.select("Mars");
  for (int orientation : {1, 3}) {
    turn(session, orientation);
    for (ui::Button* button : {screen.views().infoButton.get(), screen.views().searchButton.get()}) {
      SCOPED_TRACE(std::to_string(orientation) + " " + button->titleForState(0));
      button->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
      session.run(1.0);
      ui::ViewController* shown = screen.presentedViewController();
      ASSERT_NE(shown, nullptr);
      const ui::Rect popover = onScreen(*shown->view());
      const ui::Rect strip = onScreen(*screen.views().toolbarScrollView);
      const ui::Rect chart = onScreen(session.chartView());
      EXPECT_LE(popover.maxY(), strip.y()) << "the popover covers the toolbar";
      EXPECT_GE(popover.y(), chart.y()) << "the popover covers the status line";
      EXPECT_GE(popover.x(), 0);
      EXPECT_LE(popover.maxX(), screen.view()->bounds().width());
      EXPECT_GT(popover.height(), chart.height() / 2) << "the popover still uses the room there is";
      for (const auto& item : screen.views().toolbar->subviews()) {
        if (item->tag() < 1) continue;
        EXPECT_FALSE(overlap(onScreen(*item), popover)) << "over " << static_cast<ui::Button&>(*item).titleForState(0);
      }
      shown->dismissViewController(false);
      session.run(0.5);
      ASSERT_EQ(screen.presentedViewController(), nullptr);
    }
  }
  turn(session, 1);
}

}  // namespace
