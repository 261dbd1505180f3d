// Life-cycle messages of pushes, pops, presentations and dismissals, and
// animations, all on the main run loop's manual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/coregraphics/text.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/navigation_controller.h"
#include "uikit_support.h"

namespace {

std::vector<std::string> events;

class Recorder : public ui::ViewController {
 public:
  explicit Recorder(std::string name) : name_(std::move(name)) {}
  void viewDidLoad() override { events.push_back(name_ + " didLoad"); }
  void viewWillAppear(bool) override { events.push_back(name_ + " willAppear"); }
  void viewDidAppear(bool) override { events.push_back(name_ + " didAppear"); }
  void viewWillDisappear(bool) override { events.push_back(name_ + " willDisappear"); }
  void viewDidDisappear(bool) override { events.push_back(name_ + " didDisappear"); }
  bool performAction(std::string_view selector, ui::Object* sender) override {
    if (selector == "doneTouched:") {
      events.push_back(name_ + " done");
      dismissViewController(true, [this] { events.push_back(name_ + " dismissed"); });
      return true;
    }
    return ui::ViewController::performAction(selector, sender);
  }

 private:
  std::string name_;
};

std::vector<std::string> take() { return std::exchange(events, {}); }

TEST(UikitLifeCycle, PushAndPopSendTheMessagesInThePlatformsOrder) {
  uitest::World world;
  auto a = std::make_shared<Recorder>("A");
  auto navigation = std::make_shared<ui::NavigationController>(a);
  auto window = std::make_shared<ui::Window>();
  window->setRootViewController(navigation);
  window->makeKeyAndVisible();
  EXPECT_EQ(take(), (std::vector<std::string>{"A didLoad", "A willAppear", "A didAppear"}));

  auto b = std::make_shared<Recorder>("B");
  navigation->pushViewController(b, true);
  EXPECT_EQ(take(), (std::vector<std::string>{"B didLoad", "A willDisappear", "B willAppear"}));
  EXPECT_TRUE(navigation->isTransitioning());
  world.run(0.2);
  EXPECT_TRUE(take().empty());  // still sliding
  world.run(0.3);
  EXPECT_EQ(take(), (std::vector<std::string>{"A didDisappear", "B didAppear"}));
  EXPECT_EQ(navigation->topViewController(), b.get());
  EXPECT_EQ(b->navigationController(), navigation.get());
  EXPECT_EQ(navigation->navigationBar().title(), "");
  ASSERT_NE(navigation->navigationBar().backButton(), nullptr);

  // The back button pops.
  navigation->navigationBar().layoutIfNeeded();
  ui::Rect back = navigation->navigationBar().backButton()->convertRectTo(
      navigation->navigationBar().backButton()->bounds(), nullptr);
  world.tap({back.midX(), back.midY()});
  EXPECT_EQ(take(), (std::vector<std::string>{"B willDisappear", "A willAppear"}));
  world.run(1);
  EXPECT_EQ(take(), (std::vector<std::string>{"B didDisappear", "A didAppear"}));
  EXPECT_EQ(navigation->viewControllers().size(), 1u);
  EXPECT_EQ(b->parentViewController(), nullptr);

  // Unanimated: everything at once.
  auto c = std::make_shared<Recorder>("C");
  navigation->pushViewController(b, false);
  navigation->pushViewController(c, false);
  take();
  navigation->popToRootViewController(false);
  EXPECT_EQ(take(), (std::vector<std::string>{"C willDisappear", "A willAppear", "C didDisappear", "A didAppear"}));
}

// A back title that would run into the page's title (drawn centred and
// kept 90 points from the bar's ends) or title view gives way: "Back",
// then the chevron alone; a short one keeps its text.
TEST(UikitLifeCycle, ABackTitleGivesWayToThePagesTitle) {
  uitest::World world;
  auto settings = std::make_shared<Recorder>("settings");
  settings->setTitle("Settings");
  auto navigation = std::make_shared<ui::NavigationController>(settings);
  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, 375, 667});
  window->setRootViewController(navigation);
  window->makeKeyAndVisible();
  ui::NavigationBar& bar = navigation->navigationBar();
  auto backTitleBeside = [&](const std::string& title, double titleViewWidth) {
    auto page = std::make_shared<Recorder>("page");
    page->setTitle(title);
    if (titleViewWidth > 0)
      page->navigationItem().titleView = std::make_shared<ui::View>(ui::Rect{0, 0, titleViewWidth, 30});
    navigation->pushViewController(page, false);
    bar.layoutIfNeeded();
    const std::string back = bar.backButton()->titleForState(ui::kControlStateNormal);
    const double width = titleViewWidth > 0
                             ? titleViewWidth
                             : std::min(cg::textSize(title, ui::Font::boldSystemFont(17)->cgFont()).width, 375.0 - 180);
    EXPECT_LE(bar.backButton()->frame().maxX(), (375 - width) / 2) << title;
    navigation->popViewController(false);
    return back;
  };
  EXPECT_EQ(backTitleBeside("Sky", 0), "\u2039 Settings");
  EXPECT_EQ(backTitleBeside("Satellites Shown Tonight", 0), "\u2039 Back");
  EXPECT_EQ(backTitleBeside("", 260), "\u2039");
}

TEST(UikitLifeCycle, PresentAndDismissWithDoneRunTheCompletionsLast) {
  uitest::World world;
  auto chart = std::make_shared<Recorder>("Chart");
  auto window = std::make_shared<ui::Window>();
  window->setRootViewController(chart);
  window->makeKeyAndVisible();
  take();

  // A settings screen in a navigation controller, full screen, with a
  // system Done item.
  auto settings = std::make_shared<Recorder>("Settings");
  auto navigation = std::make_shared<ui::NavigationController>(settings);
  navigation->modalPresentationStyle = ui::ModalPresentationStyle::fullScreen;
  navigation->modalInPresentation = true;
  settings->navigationItem().rightBarButtonItem =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, settings.get(), "doneTouched:");
  chart->presentViewController(navigation, true, [] { events.push_back("presented"); });
  EXPECT_EQ(take(), (std::vector<std::string>{"Settings didLoad", "Chart willDisappear", "Settings willAppear"}));
  world.run(0.5);
  EXPECT_EQ(take(), (std::vector<std::string>{"Settings didAppear", "Chart didDisappear", "presented"}));
  EXPECT_EQ(chart->presentedViewController(), navigation.get());
  EXPECT_EQ(navigation->presentingViewController(), chart.get());

  auto* done = navigation->navigationBar().rightButton();
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(done->titleForState(ui::kControlStateNormal), "Done");
  navigation->view()->layoutIfNeeded();
  ui::Rect r = done->convertRectTo(done->bounds(), nullptr);
  world.tap({r.midX(), r.midY()});
  EXPECT_EQ(take(), (std::vector<std::string>{"Settings done", "Settings willDisappear", "Chart willAppear"}));
  world.run(0.5);
  EXPECT_EQ(take(), (std::vector<std::string>{"Settings didDisappear", "Chart didAppear", "Settings dismissed"}));
  EXPECT_EQ(chart->presentedViewController(), nullptr);
  EXPECT_EQ(navigation->view()->superview(), nullptr);

  // A sheet leaves the presenter on screen: it hears nothing.
  auto sheet = std::make_shared<Recorder>("Sheet");
  sheet->modalPresentationStyle = ui::ModalPresentationStyle::pageSheet;
  chart->presentViewController(sheet, false);
  sheet->dismissViewController(false);
  EXPECT_EQ(take(), (std::vector<std::string>{"Sheet didLoad", "Sheet willAppear", "Sheet didAppear",
                                              "Sheet willDisappear", "Sheet didDisappear"}));
}

TEST(UikitLifeCycle, WhatAPageOfADismissedStackPresentedGoesWithTheStack) {
  uitest::World world;
  auto chart = std::make_shared<Recorder>("Chart");
  auto window = std::make_shared<ui::Window>();
  window->setRootViewController(chart);
  window->makeKeyAndVisible();
  // Settings with a location page pushed, which presents a picker in a
  // stack of its own; the test keeps every controller alive, as a
  // screen that remembers them would.
  auto settings = std::make_shared<Recorder>("Settings");
  auto stack = std::make_shared<ui::NavigationController>(settings);
  stack->modalPresentationStyle = ui::ModalPresentationStyle::fullScreen;
  chart->presentViewController(stack, false);
  auto location = std::make_shared<Recorder>("Location");
  stack->pushViewController(location, false);
  auto picker = std::make_shared<Recorder>("Picker");
  auto pickerStack = std::make_shared<ui::NavigationController>(picker);
  pickerStack->modalPresentationStyle = ui::ModalPresentationStyle::fullScreen;
  location->presentViewController(pickerStack, false);
  world.run(0.5);
  ASSERT_EQ(pickerStack->view()->window(), window.get());
  take();

  chart->dismissViewController(true);
  world.run(0.5);
  const std::vector<std::string> heard = take();
  for (const char* message : {"Picker willDisappear", "Picker didDisappear"})
    EXPECT_NE(std::find(heard.begin(), heard.end(), message), heard.end()) << message;
  EXPECT_EQ(pickerStack->view()->superview(), nullptr);
  EXPECT_EQ(location->presentedViewController(), nullptr);
  EXPECT_EQ(pickerStack->presentingViewController(), nullptr);
  EXPECT_EQ(chart->presentedViewController(), nullptr);
}

TEST(UikitLifeCycle, AControllerReleasedWhilePresentingTakesWhatItPresentedOffTheScreen) {
  uitest::World world;
  auto root = std::make_shared<Recorder>("Root");
  auto window = std::make_shared<ui::Window>();
  window->setRootViewController(root);
  window->makeKeyAndVisible();
  auto page = std::make_shared<Recorder>("Page");
  auto stack = std::make_shared<ui::NavigationController>(page);
  root->presentViewController(stack, false);
  auto shown = std::make_shared<Recorder>("Shown");
  page->presentViewController(shown, false);
  const std::shared_ptr<ui::View> shownView = shown->view();
  ASSERT_NE(shownView->window(), nullptr);
  // The stack is let go without a dismissal (its presenter forgot it).
  root.reset();
  window->setRootViewController(nullptr);
  stack.reset();
  page.reset();
  EXPECT_EQ(shownView->superview(), nullptr) << "no screen stays up whose presenter is gone";
  EXPECT_EQ(shown->presentingViewController(), nullptr);
}

// Closing every window at once (the application's reset, the end of a
// session) lets go of screens that presented others in windows of their
// own; those take their windows off the list while it is being emptied.
TEST(UikitLifeCycle, ClosingAllWindowsUnderAScreenThatPresentedInAWindowOfItsOwn) {
  uitest::World world;
  std::weak_ptr<ui::View> shownView;
  {
    auto root = std::make_shared<Recorder>("Root");
    auto window = std::make_shared<ui::Window>();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    // An alert stands above the keyboard, in a window of its own.
    auto shown = std::make_shared<ui::AlertController>("Delete?", "");
    shown->addAction({"Keep", ui::AlertActionStyle::cancel, [](const ui::AlertAction&) {}});
    root->presentViewController(shown, false);
    shownView = shown->view();
    ASSERT_NE(shown->view()->window(), nullptr);
    ASSERT_NE(shown->view()->window(), window.get()) << "the presented screen has its own window";
  }
  ui::Application::shared().reset();
  EXPECT_TRUE(shownView.expired() || shownView.lock()->window() == nullptr);
}

TEST(UikitLifeCycle, ABarButtonItemsTargetOutlivesTheActionThatLetsItGo) {
  uitest::World world;
  // A target whose action drops the last reference to itself, as a Done
  // that dismisses its own screen does.
  struct SelfRelease : ui::Object {
    std::shared_ptr<ui::Object> self;
    std::string seen;
    bool performAction(std::string_view selector, ui::Object*) override {
      self.reset();
      seen = std::string(selector);  // still this object's own field
      events.push_back(seen);
      return true;
    }
  };
  // Its own allocation, so that its memory goes with it (the sanitizers
  // then see a late use).
  std::shared_ptr<SelfRelease> target(new SelfRelease);
  target->self = target;
  auto item = std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, target.get(), "doneTouched:");
  std::weak_ptr<ui::Object> watch = target;
  target.reset();
  take();
  item->trigger();
  EXPECT_EQ(take(), (std::vector<std::string>{"doneTouched:"}));
  EXPECT_TRUE(watch.expired());
}

TEST(UikitAnimation, ValuesMoveOnTheClockAndCompletionsComeAtTheEnd) {
  uitest::World world;
  auto view = std::make_shared<ui::View>(ui::Rect{0, 0, 100, 100});
  bool finished = false, completed = false;
  ui::View::animate(0.5, [&] {
    view->setAlpha(0);
    view->setFrame({100, 0, 100, 100});
  }, [&](bool f) { completed = true, finished = f; });
  // The model has its final values at once; the screen moves.
  EXPECT_EQ(view->alpha(), 0);
  EXPECT_EQ(view->frame().x(), 100);
  EXPECT_EQ(view->presentationAlpha(), 1);
  world.run(0.25);
  EXPECT_NEAR(view->presentationAlpha(), 0.5, 0.06);
  EXPECT_NEAR(view->presentationFrame().x(), 50, 6);
  EXPECT_FALSE(completed);
  world.run(0.3);
  EXPECT_TRUE(completed);
  EXPECT_TRUE(finished);
  EXPECT_EQ(view->presentationAlpha(), 0);

  // A new animation of the same value takes over: the first ends unfinished.
  bool firstFinished = true, secondFinished = false;
  ui::View::animate(1, [&] { view->setAlpha(1); }, [&](bool f) { firstFinished = f; });
  world.run(0.5);
  ui::View::animate(1, [&] { view->setAlpha(0.2); }, [&](bool f) { secondFinished = f; });
  world.run(0.05);
  EXPECT_FALSE(firstFinished);
  world.run(1.1);
  EXPECT_TRUE(secondFinished);
  EXPECT_NEAR(view->presentationAlpha(), 0.2, 1e-12);

  // The begin/commit form tells its delegate by selector; a block that
  // changes nothing completes on the next turn of the loop.
  struct Delegate : ui::Object {
    int stops = 0;
    bool performAction(std::string_view selector, ui::Object*) override {
      if (selector == "fadeFromBlackFinished:finished:context:") ++stops;
      return true;
    }
  } delegate;
  ui::View::beginAnimations("FadeFromBlack");
  ui::View::setAnimationDuration(0.5);
  ui::View::setAnimationDelay(0.2);
  ui::View::setAnimationDelegate(&delegate, "fadeFromBlackFinished:finished:context:");
  view->setAlpha(1);
  ui::View::commitAnimations();
  world.run(0.6);
  EXPECT_EQ(delegate.stops, 0);
  // 0.6 s in, 0.2 s of it the delay: 0.8 of the way, eased in and out.
  EXPECT_NEAR(view->presentationAlpha(), 0.2 + 0.8 * (0.8 * 0.8 * (3 - 2 * 0.8)), 0.02);
  world.run(0.2);
  EXPECT_EQ(delegate.stops, 1);
  bool empty = false;
  ui::View::animate(1, [] {}, [&](bool) { empty = true; });
  EXPECT_FALSE(empty);
  world.run(0.001);
  EXPECT_TRUE(empty);
}

}  // namespace

// A presenter that goes while its animated presentation runs: the end of
// the animation finishes the presented screen and leaves the presenter be.
TEST(UikitLifeCycle, APresenterGoneBeforeItsPresentationEndsIsLeftAlone) {
  uitest::World world;
  auto presenter = std::make_shared<Recorder>("Presenter");
  auto presented = std::make_shared<Recorder>("Presented");
  presented->modalPresentationStyle = ui::ModalPresentationStyle::fullScreen;
  {
    auto window = std::make_shared<ui::Window>();
    window->setRootViewController(presenter);
    window->makeKeyAndVisible();
    presenter->presentViewController(presented, true);
    take();
    ui::Application::shared().removeWindow(window.get());
  }
  presenter.reset();
  world.run(0.5);
  EXPECT_EQ(take(), (std::vector<std::string>{"Presented didAppear"}));
}
