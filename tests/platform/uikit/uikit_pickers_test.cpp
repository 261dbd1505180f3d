// Toolbars, date pickers (zone, colours by key), picker views and pages.
#include <gtest/gtest.h>

#include "platform/uikit/pickers.h"
#include "platform/uikit/scroll_view.h"
#include "uikit_support.h"

namespace {

TEST(UikitToolbar, FlexibleSpacesShareWhatTheButtonsLeave) {
  uitest::World world;
  ui::Toolbar bar;
  bar.setFrame({0, 623, 375, 44});
  int taps = 0;
  auto settings = std::make_shared<ui::BarButtonItem>("Settings", nullptr, "");
  settings->action = [&](ui::BarButtonItem&) { ++taps; };
  auto flexible = std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::flexibleSpace, nullptr, "");
  auto search = std::make_shared<ui::BarButtonItem>("Search", nullptr, "");
  bar.setItems({settings, flexible, search});
  bar.layoutIfNeeded();
  ui::Button* left = bar.buttonForItem(0);
  ui::Button* right = bar.buttonForItem(2);
  ASSERT_TRUE(left && right);
  EXPECT_EQ(bar.buttonForItem(1), nullptr);
  EXPECT_EQ(left->frame().x(), 8);
  EXPECT_NEAR(right->frame().maxX(), 375 - 8, 1e-9);
  left->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  EXPECT_EQ(taps, 1);
}

TEST(UikitDatePicker, ColumnsFollowTheZoneAndATapTurnsOneStep) {
  uitest::World world;
  auto shared = std::make_shared<ui::DatePicker>();
  ui::DatePicker& picker = *shared;
  picker.mode = ui::DatePickerMode::dateAndTime;
  picker.timeZone = ns::TimeZone::withSecondsFromGMT(2 * 3600);
  picker.setDate(ns::Date::fromTimeIntervalSince1970(1796500000));  // 2026-12-05 19:46:40 UTC (date -u)
  EXPECT_EQ(picker.columnTexts(), (std::vector<std::string>{"Sat Dec 05", "21", "46"}));
  EXPECT_TRUE(picker.setValue("textColor", std::any(ui::Color::red())));
  EXPECT_TRUE(picker.setValue("backgroundColor", std::any(ui::Color::black())));
  EXPECT_EQ(picker.textColor, ui::Color::red());
  int changes = 0;
  picker.addAction([&](ui::Control&) { ++changes; }, ui::kControlEventValueChanged);
  auto window = std::make_shared<ui::Window>();
  picker.setFrame({0, 0, 300, 216});
  window->addSubview(shared);
  window->makeKeyAndVisible();
  world.tap({150, 150});  // the hour column, below the middle: one hour on
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(picker.columnTexts()[1], "22");
  picker.maximumDate = ns::Date::fromTimeIntervalSince1970(1796500000);
  picker.setDate(ns::Date::fromTimeIntervalSince1970(1796600000));
  EXPECT_EQ(picker.date().timeIntervalSince1970(), 1796500000);
}

class Planets : public ui::PickerViewDataSource, public ui::PickerViewDelegate {
 public:
  int numberOfComponents(ui::PickerView&) override { return 2; }
  int numberOfRows(ui::PickerView&, int c) override { return c == 0 ? 8 : 3; }
  std::string titleForRow(ui::PickerView&, int row, int c) override {
    return c == 0 ? "Planet " + std::to_string(row) : "Moon " + std::to_string(row);
  }
  void didSelectRow(ui::PickerView&, int row, int c) override { chosen.push_back({row, c}); }
  std::vector<std::pair<int, int>> chosen;
};

TEST(UikitPickerView, RowsAreChosenWithinTheirComponents) {
  uitest::World world;
  Planets planets;
  auto picker = std::make_shared<ui::PickerView>();
  picker->dataSource = &planets;
  picker->delegate = &planets;
  picker->reloadAllComponents();
  EXPECT_EQ(picker->numberOfComponents(), 2);
  picker->selectRow(5, 0, false);
  picker->selectRow(9, 1, false);  // no such row
  EXPECT_EQ(picker->selectedRow(0), 5);
  EXPECT_EQ(picker->selectedRow(1), 0);
  auto window = std::make_shared<ui::Window>();
  window->addSubview(picker);
  window->makeKeyAndVisible();
  world.tap({80, 108 + 64});  // two rows below the middle of the first wheel
  ASSERT_EQ(planets.chosen.size(), 1u);
  EXPECT_EQ(planets.chosen[0], (std::pair<int, int>{7, 0}));
  world.tap({240, 210});  // three rows below: past the last moon
  EXPECT_EQ(picker->selectedRow(1), 2);
}

class Pages : public ui::PageViewControllerDataSource {
 public:
  std::vector<std::shared_ptr<ui::ViewController>> pages;
  std::shared_ptr<ui::ViewController> before(ui::PageViewController&, ui::ViewController& c) override {
    for (std::size_t i = 1; i < pages.size(); ++i)
      if (pages[i].get() == &c) return pages[i - 1];
    return nullptr;
  }
  std::shared_ptr<ui::ViewController> after(ui::PageViewController&, ui::ViewController& c) override {
    for (std::size_t i = 0; i + 1 < pages.size(); ++i)
      if (pages[i].get() == &c) return pages[i + 1];
    return nullptr;
  }
};

TEST(UikitPageViewController, SwipesTurnPagesWhileThereAreAny) {
  uitest::World world;
  Pages source;
  for (int i = 0; i < 3; ++i) source.pages.push_back(std::make_shared<ui::ViewController>());
  auto pages = std::make_shared<ui::PageViewController>();
  pages->dataSource = &source;
  pages->setViewControllers({source.pages[0]}, ui::PageDirection::forward, false);
  auto window = std::make_shared<ui::Window>();
  window->setRootViewController(pages);
  window->makeKeyAndVisible();
  EXPECT_TRUE(source.pages[0]->isAppeared());
  // A swipe to the left turns forward.
  world.touch(1, ui::TouchPhase::began, {300, 300});
  for (int i = 1; i <= 10; ++i) {
    world.run(0.02);
    world.touch(1, ui::TouchPhase::moved, {300 - i * 20.0, 300});
  }
  world.touch(1, ui::TouchPhase::ended, {100, 300});
  EXPECT_EQ(pages->viewControllers().front(), source.pages[1]);
  EXPECT_TRUE(source.pages[1]->isAppeared());
  EXPECT_FALSE(source.pages[0]->isAppeared());
  EXPECT_TRUE(pages->turn(ui::PageDirection::forward));
  EXPECT_FALSE(pages->turn(ui::PageDirection::forward));
  EXPECT_TRUE(pages->turn(ui::PageDirection::reverse));
  EXPECT_EQ(pages->viewControllers().front(), source.pages[1]);
}

// Pages whose whole content is a scroll view that scrolls only up and down
// (a web page): a sideways swipe still turns the page, an upward drag
// scrolls the page's content, and a scroll view with room sideways keeps
// sideways drags for itself.
TEST(UikitPageViewController, SidewaysSwipesOverAVerticalScrollViewTurnPages) {
  uitest::World world;
  Pages source;
  std::vector<std::shared_ptr<ui::ScrollView>> scrolls;
  for (int i = 0; i < 2; ++i) {
    auto page = std::make_shared<ui::ViewController>();
    auto scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 375, 667});
    scroll->setContentSize({375, 2000});
    page->view()->addSubview(scroll);
    scrolls.push_back(scroll);
    source.pages.push_back(page);
  }
  auto pages = std::make_shared<ui::PageViewController>();
  pages->dataSource = &source;
  pages->setViewControllers({source.pages[0]}, ui::PageDirection::forward, false);
  auto window = std::make_shared<ui::Window>();
  window->setRootViewController(pages);
  window->makeKeyAndVisible();
  auto drag = [&](ui::Point from, ui::Point step) {
    world.touch(1, ui::TouchPhase::began, from);
    for (int i = 1; i <= 10; ++i) {
      world.run(0.02);
      world.touch(1, ui::TouchPhase::moved, {from.x + i * step.x, from.y + i * step.y});
    }
    world.touch(1, ui::TouchPhase::ended, {from.x + 10 * step.x, from.y + 10 * step.y});
    world.run(1);
  };
  drag({200, 500}, {0, -20});
  EXPECT_EQ(pages->viewControllers().front(), source.pages[0]);
  EXPECT_GT(scrolls[0]->contentOffset().y, 100);
  drag({300, 300}, {-20, 2});
  EXPECT_EQ(pages->viewControllers().front(), source.pages[1]);

  scrolls[1]->setContentSize({1500, 2000});
  drag({300, 300}, {-20, 2});
  EXPECT_EQ(pages->viewControllers().front(), source.pages[1]);
  EXPECT_GT(scrolls[1]->contentOffset().x, 100);
}

}  // namespace
