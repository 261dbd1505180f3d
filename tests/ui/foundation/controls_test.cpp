// Behaviour of the themed screens and controls: the bezeled segmented
// control, the screen margins, touches that stop at opaque views, the
// status line and zoom recogniser without and with a chart screen, the
// shell's class-level answers.
#include <gtest/gtest.h>

#include "platform/uikit/interface_loader.h"
#include "ui/foundation/bezeled_segmented_control.h"
#include "ui/foundation/small_views.h"
#include "ui/foundation/sv_controls.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/foundation/sv_view_controller.h"
#include "ui_foundation_support.h"

namespace {

using uifoundation::FakeChartViewController;
using uifoundation::World;

class Counter : public ui::Object {
 public:
  bool performAction(std::string_view selector, ui::Object*) override {
    if (selector != "changed:") return false;
    ++changes;
    return true;
  }
  int changes = 0;
};

// A decoded control with three buttons (the middle one acts once: tag -1).
std::shared_ptr<BezeledSegmentedControl> threeButtons(ui::ViewController& owner, double width = 100) {
  std::string message;
  auto objects = ui::InterfaceLoader::loadText(
      R"({"objects": [{"class": "BezeledSegmentedControl", "frame": [0, 0, )" + std::to_string(width) + R"(, 30],
          "subviews": [{"class": "UIButton", "properties": {"title": "Day"}},
                       {"class": "UIButton", "properties": {"title": "Now", "tag": -1}},
                       {"class": "UIButton", "properties": {"title": "Hour"}}]}]})",
      "Segments.json", &owner, &message);
  EXPECT_EQ(objects.size(), 1u) << message;
  return objects.empty() ? nullptr : std::dynamic_pointer_cast<BezeledSegmentedControl>(objects[0]);
}

TEST(UiFoundationControls, BezeledSegmentsTileTheWidthAndSelectAsTapped) {
  World world;
  ui::ViewController owner;
  auto control = threeButtons(owner);
  ASSERT_TRUE(control);
  Counter counter;
  control->addTarget(&counter, "changed:", ui::kControlEventValueChanged);
  control->layoutIfNeeded();
  ASSERT_EQ(control->numberOfSegments(), 3);
  const double xs[] = {0, 33, 67}, widths[] = {33, 34, 33};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(control->btnAtIndex(i)->frame(), (ui::Rect{xs[i], 0, widths[i], 30})) << i;
  }
  // Tiling without gaps at awkward widths.
  for (double width : {7.0, 100.0, 101.0, 320.0, 333.0}) {
    control->setFrame({0, 0, width, 30});
    control->layoutIfNeeded();
    double end = 0;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(control->btnAtIndex(i)->frame().x(), end);
      end = control->btnAtIndex(i)->frame().maxX();
    }
    EXPECT_EQ(end, width);
  }

  // setSelectedSegmentIndex marks one button and sends nothing.
  control->setSelectedSegmentIndex(2);
  EXPECT_EQ(control->selectedSegmentIndex(), 2);
  EXPECT_TRUE(control->btnAtIndex(2)->isSelected());
  EXPECT_FALSE(control->btnAtIndex(0)->isSelected());
  EXPECT_EQ(counter.changes, 0);

  // A tap on the first: selected on the next turn of the run loop.
  control->btnAtIndex(0)->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  EXPECT_EQ(control->selectedSegmentIndex(), 0);
  EXPECT_EQ(counter.changes, 1);
  world.run(0.01);
  EXPECT_TRUE(control->btnAtIndex(0)->isSelected());
  EXPECT_FALSE(control->btnAtIndex(2)->isSelected());

  // A button of tag -1 acts once and is not selected.
  control->setSelectedSegmentIndex(-1);
  control->btnAtIndex(1)->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  world.run(0.01);
  EXPECT_EQ(control->selectedSegmentIndex(), 1);
  EXPECT_EQ(counter.changes, 2);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(control->btnAtIndex(i)->isSelected()) << i;

  // A foreign button is ignored.
  ui::Button stranger;
  control->btnUp(&stranger);
  control->btnUp(nullptr);
  EXPECT_EQ(control->selectedSegmentIndex(), 1);
  EXPECT_EQ(counter.changes, 2);
}

TEST(UiFoundationControls, SegmentsOutOfRangeChangeNothing) {
  World world;
  ui::ViewController owner;
  auto control = threeButtons(owner);
  ASSERT_TRUE(control);
  EXPECT_EQ(control->titleForSegmentAtIndex(1), "Now");
  control->setTitle("Today", 0);
  EXPECT_EQ(control->titleForSegmentAtIndex(0), "Today");
  for (std::int64_t index : {-1, 3, 1000}) {
    EXPECT_EQ(control->btnAtIndex(index), nullptr);
    EXPECT_EQ(control->titleForSegmentAtIndex(index), "");
    control->setTitle("x", index);
    control->removeSegmentAt(index);
  }
  EXPECT_EQ(control->numberOfSegments(), 3);
  control->removeSegmentAt(1);
  control->layoutIfNeeded();
  ASSERT_EQ(control->numberOfSegments(), 2);
  EXPECT_EQ(control->btnAtIndex(1)->frame(), (ui::Rect{50, 0, 50, 30}));
  // A control made in code connects no buttons.
  auto code = std::make_shared<BezeledSegmentedControl>(ui::Rect{0, 0, 100, 30});
  auto button = std::make_shared<ui::Button>();
  code->addSubview(button);
  button->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  EXPECT_EQ(code->selectedSegmentIndex(), -1);
}

class Screen : public SVViewController {
 public:
  Screen(bool content, bool table, double height) : content_(content), table_(table), height_(height) {}
  void loadView() override {
    setView(std::make_shared<ui::View>(ui::Rect{0, 0, 375, 667}));
    if (content_) contentView = std::make_shared<ui::View>(ui::Rect{0, 10, 375, height_});
    if (table_) mainTable = std::make_shared<ui::TableView>(ui::Rect{0, 0, 375, height_}, ui::TableViewStyle::plain);
  }

 private:
  bool content_, table_;
  double height_;
};

TEST(UiFoundationControls, ScreenMarginsKeepClearOfTheHelpButtonAndTheHomeIndicator) {
  World world;
  // No help page, no notch: full height, no button.
  Screen plain(true, false, 600);
  plain.loadViewIfNeeded();
  EXPECT_EQ(plain.contentView->frame(), (ui::Rect{0, 10, 375, 600}));
  EXPECT_EQ(plain.helpButton(), nullptr);
  // A notch: 24 points off the content view only, its origin kept.
  ui::DeviceConfiguration notched;
  notched.portraitSafeArea = {44, 0, 34, 0};
  ui::Screen::main().configure(notched);
  EXPECT_TRUE(AppDelegate::isIPhoneX());
  Screen both(true, true, 600);
  both.loadViewIfNeeded();
  EXPECT_EQ(both.contentView->frame(), (ui::Rect{0, 10, 375, 576}));
  EXPECT_EQ(both.mainTable->frame().height(), 600);
  Screen tableOnly(false, true, 600);
  tableOnly.loadViewIfNeeded();
  EXPECT_EQ(tableOnly.mainTable->frame().height(), 576);
  // Never a negative height.
  Screen tiny(true, false, 10);
  tiny.loadViewIfNeeded();
  EXPECT_EQ(tiny.contentView->frame().height(), 0);
  // The help button sits one point higher on a tablet.
  ui::DeviceConfiguration tablet;
  tablet.idiom = ui::Idiom::pad;
  ui::Screen::main().configure(tablet);
  EXPECT_TRUE(AppDelegate::runningOniPad());
  Screen help(true, false, 600);
  help.helpFilename = "Location.html";
  help.loadViewIfNeeded();
  EXPECT_EQ(help.helpButton()->frame(), (ui::Rect{340, 641, 20, 20}));
  EXPECT_EQ(help.contentView->frame().height(), 570);
  // Pressing it presents the help page screen the help screens make.
  std::string asked;
  SVViewController::setHelpScreenMaker([&](const std::string& path, const std::string& folder) {
    asked = path + " in " + folder;
    return std::make_shared<ui::ViewController>();
  });
  auto window = std::make_shared<ui::Window>();
  auto shown = std::make_shared<Screen>(true, false, 600);
  shown->helpFilename = "Location.html";
  window->setRootViewController(shown);
  ui::Application::shared().addWindow(window);
  window->makeKeyAndVisible();
  shown->helpButton()->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  SVViewController::setHelpScreenMaker(nullptr);
  EXPECT_EQ(asked, "Location.html in Help/");
  EXPECT_NE(dynamic_cast<SVNavigationController*>(shown->presentedViewController()), nullptr);
  world.run(1);  // the presentation ends while the screens live
}

TEST(UiFoundationControls, ReturningToAScreenClearsItsTableSelection) {
  World world(3);
  Screen screen(false, true, 600);
  screen.loadViewIfNeeded();
  EXPECT_TRUE(screen.prefersHomeIndicatorAutoHidden());
  class One : public ui::TableViewDataSource {
    int numberOfRows(ui::TableView&, int) override { return 1; }
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath) override {
      return std::make_shared<ui::TableViewCell>();
    }
  } rows;
  screen.mainTable->dataSource = &rows;
  screen.mainTable->reloadData();
  screen.mainTable->selectRow(ui::IndexPath{0, 0}, false, ui::TableViewScrollPosition::none);
  ASSERT_TRUE(screen.mainTable->indexPathForSelectedRow());
  screen.viewWillAppear(true);
  EXPECT_FALSE(screen.mainTable->indexPathForSelectedRow());
}

TEST(UiFoundationControls, OpaqueViewsKeepTouchesFromTheViewsBehindThem) {
  World world;
  class Recorder : public ui::View {
   public:
    using ui::View::View;
    void touchesBegan(const ui::TouchSet&, const ui::Event&) override { ++touches; }
    void touchesEnded(const ui::TouchSet&, const ui::Event&) override { ++touches; }
    int touches = 0;
  };
  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, 375, 667});
  auto behind = std::make_shared<Recorder>(ui::Rect{0, 0, 375, 667});
  auto panel = std::make_shared<BottomControlView>(ui::Rect{0, 500, 375, 167});
  auto opaque = std::make_shared<OpaqueToTouchView>(ui::Rect{0, 0, 375, 100});
  window->addSubview(behind);
  behind->addSubview(panel);
  behind->addSubview(opaque);
  ui::Application::shared().addWindow(window);
  window->makeKeyAndVisible();
  for (ui::Point p : {ui::Point{100, 600}, ui::Point{100, 50}}) {
    ui::Application::shared().handleTouches({{1, ui::TouchPhase::began, p}}, 1);
    ui::Application::shared().handleTouches({{1, ui::TouchPhase::ended, p}}, 1.1);
  }
  EXPECT_EQ(behind->touches, 0);
  ui::Application::shared().handleTouches({{1, ui::TouchPhase::began, {100, 300}}}, 2);
  EXPECT_EQ(behind->touches, 1);
}

TEST(UiFoundationControls, TheStatusLineAndZoomRecogniserNeedAChartScreen) {
  World world;
  auto status = std::make_shared<StatusBar>(ui::Rect{0, 0, 375, 20});
  auto zoom = std::make_shared<ZoomGestureRecognizer>();
  auto button = std::make_shared<ui::Button>(ui::Rect{0, 0, 44, 44});
  button->addGestureRecognizer(zoom);
  ui::Event event;
  // Without a chart screen nothing happens (and nothing breaks).
  status->touchesEnded({}, event);
  zoom->touchesBegan({}, event);
  zoom->touchesEnded({}, event);
  {
    FakeChartViewController chart;
    ChartViewController::setCurrentController(&chart);
    EXPECT_EQ(ChartViewController::currentController(), &chart);
    status->touchesBegan({}, event);
    status->touchesMoved({}, event);
    status->touchesCancelled({}, event);
    status->touchesEnded({}, event);
    zoom->touchesBegan({}, event);
    zoom->touchesEnded({}, event);
    zoom->touchesBegan({}, event);
    zoom->touchesCancelled({}, event);
    EXPECT_EQ(chart.calls, (std::vector<std::string>{"showStatusObjectInfo", "startZoom:", "stopZoom:", "startZoom:",
                                                     "stopZoom:"}));
    for (ui::View* sender : chart.senders) EXPECT_EQ(sender, button.get());
    EXPECT_EQ(zoom->state(), ui::GestureState::possible);
  }
  // A destroyed controller unregisters itself.
  EXPECT_EQ(ChartViewController::currentController(), nullptr);
}

TEST(UiFoundationControls, ScrollViewsLetPickersTurnAtOnce) {
  World world;
  auto scroll = std::make_shared<SVScrollView>(ui::Rect{0, 0, 320, 400});
  auto picker = std::make_shared<ui::PickerView>();
  auto wheel = std::make_shared<ui::View>(ui::Rect{0, 0, 320, 216});
  picker->addSubview(wheel);
  scroll->addSubview(picker);
  auto other = std::make_shared<ui::View>(ui::Rect{0, 250, 320, 100});
  scroll->addSubview(other);
  EXPECT_EQ(scroll->hitTest({10, 10}, nullptr), wheel.get());
  EXPECT_FALSE(scroll->delaysContentTouches);
  EXPECT_FALSE(scroll->canCancelContentTouches);
  EXPECT_EQ(scroll->hitTest({10, 300}, nullptr), other.get());
  EXPECT_TRUE(scroll->delaysContentTouches);
  EXPECT_TRUE(scroll->canCancelContentTouches);
}

TEST(UiFoundationControls, KeyboardsAreLightOnlyForThemeOne) {
  World world(1);
  EXPECT_EQ(SVTextView().keyboardAppearance, ui::KeyboardAppearance::light);
  world.setTheme(5);  // light for colours, but not theme 1
  EXPECT_EQ(SVTextView().keyboardAppearance, ui::KeyboardAppearance::dark);
  world.setTheme(2);
  EXPECT_EQ(SVTextView(ui::Rect{0, 0, 10, 10}).keyboardAppearance, ui::KeyboardAppearance::dark);
}

TEST(UiFoundationControls, TheShellsClassLevelAnswers) {
  World world;
  EXPECT_EQ(AppDelegate::instance(), nullptr);
  EXPECT_EQ(AppDelegate::defaultTintColor(), ui::Color::systemBlue());
  EXPECT_FALSE(AppDelegate::isIPhoneX());
  EXPECT_FALSE(AppDelegate::runningOniPad());
  auto& delegate = world.installDelegate();
  EXPECT_EQ(AppDelegate::instance(), &delegate);
  delegate.window()->setTintColor(ui::Color::red());
  EXPECT_EQ(AppDelegate::defaultTintColor(), ui::Color::red());
  delegate.window()->setSafeAreaInsets({0, 0, 21, 0});
  EXPECT_TRUE(AppDelegate::isIPhoneX());
  AppDelegate::setAppTheme(3);
  EXPECT_TRUE(AppDelegate::isNightVision());
  EXPECT_EQ(AppDelegate::appTheme(), 3);
}

}  // namespace
