// Escape on the desktop leaves the top screen by the way its own buttons
// offer: an alert's cancel action, a Done or Cancel button in the top
// screen's bar, else Back on a navigation stack; with none, nothing.
#include "platform/host/escape.h"

#include <gtest/gtest.h>

#include "platform/uikit/alert_controller.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/window.h"
#include "tests/platform/uikit/uikit_support.h"

namespace {

class Escape : public ::testing::Test {
 protected:
  Escape() {
    window_->setRootViewController(root_);
    window_->makeKeyAndVisible();
    ui::Application::shared().layoutWindows();
  }
  std::shared_ptr<ui::BarButtonItem> counting(ui::BarButtonSystemItem kind, int& count) {
    auto item = std::make_shared<ui::BarButtonItem>(kind, nullptr, "");
    item->action = [&count](ui::BarButtonItem&) { ++count; };
    return item;
  }
  uitest::World world_;
  std::shared_ptr<ui::Window> window_ = std::make_shared<ui::Window>();
  std::shared_ptr<ui::ViewController> root_ = std::make_shared<ui::ViewController>();
};

TEST_F(Escape, GoesBackThenTouchesDoneAndLeavesTheBottomScreenAlone) {
  EXPECT_FALSE(host::pressEscape()) << "nothing over the root";
  int done = 0, edit = 0;
  auto first = std::make_shared<ui::ViewController>();
  first->navigationItem().rightBarButtonItem = counting(ui::BarButtonSystemItem::done, done);
  auto second = std::make_shared<ui::ViewController>();
  second->navigationItem().rightBarButtonItem = counting(ui::BarButtonSystemItem::edit, edit);
  auto navigation = std::make_shared<ui::NavigationController>(first);
  root_->presentViewController(navigation, false);
  navigation->pushViewController(second, false);
  world_.run(1);
  EXPECT_TRUE(host::pressEscape());
  world_.run(1);
  EXPECT_EQ(navigation->topViewController(), first.get()) << "back, not Edit";
  EXPECT_EQ(edit, 0);
  EXPECT_TRUE(host::pressEscape());
  EXPECT_EQ(done, 1);
}

TEST_F(Escape, AnAlertTakesItsCancelActionAndOneWithoutItIsLeftAlone) {
  std::vector<std::string> chosen;
  auto alert = std::make_shared<ui::AlertController>("Delete?", "");
  alert->addAction({"Delete", ui::AlertActionStyle::destructive, [&](const ui::AlertAction& a) { chosen.push_back(a.title); }});
  alert->addAction({"Keep", ui::AlertActionStyle::cancel, [&](const ui::AlertAction& a) { chosen.push_back(a.title); }});
  root_->presentViewController(alert, false);
  world_.run(1);
  EXPECT_TRUE(host::pressEscape());
  world_.run(1);
  EXPECT_EQ(chosen, (std::vector<std::string>{"Keep"}));
  auto notice = std::make_shared<ui::AlertController>("Updated", "");
  notice->addAction({"OK", ui::AlertActionStyle::defaultStyle, [&](const ui::AlertAction& a) { chosen.push_back(a.title); }});
  root_->presentViewController(notice, false);
  world_.run(1);
  EXPECT_FALSE(host::pressEscape()) << "only a cancel action is Escape's to choose";
  EXPECT_EQ(chosen.size(), 1u);
}

TEST_F(Escape, ADisabledOrCustomLeftButtonIsNotPressed) {
  int done = 0;
  auto screen = std::make_shared<ui::ViewController>();
  screen->navigationItem().rightBarButtonItem = counting(ui::BarButtonSystemItem::done, done);
  screen->navigationItem().rightBarButtonItem->enabled = false;
  auto navigation = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
  root_->presentViewController(navigation, false);
  auto pushed = std::make_shared<ui::ViewController>();
  pushed->navigationItem().leftBarButtonItem = std::make_shared<ui::BarButtonItem>("Menu", nullptr, "");
  navigation->pushViewController(screen, false);
  world_.run(1);
  EXPECT_TRUE(host::pressEscape()) << "a disabled Done: back instead";
  world_.run(1);
  EXPECT_EQ(done, 0);
  navigation->pushViewController(pushed, false);
  world_.run(1);
  EXPECT_FALSE(host::pressEscape()) << "a custom left button hides Back";
}

}  // namespace
