// View controllers: a view loaded on first use, life-cycle messages,
// children, modal presentation and rotation.
//
// Life-cycle order (as the platform sends it): a push sends the old top
// viewWillDisappear, the new one viewWillAppear, then (after the
// animation) viewDidDisappear and viewDidAppear; a full-screen
// presentation sends the presenter viewWillDisappear, the presented
// viewWillAppear, then viewDidAppear and the presenter's viewDidDisappear,
// then the completion; dismissal mirrors it. Other presentation styles
// leave the presenter on screen and send it nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/navigation_item.h"
#include "platform/uikit/view.h"
#include "platform/uikit/window.h"

namespace ui {

class NavigationController;

enum class ModalPresentationStyle {
  fullScreen, pageSheet, formSheet, currentContext, custom, overFullScreen,
  overCurrentContext, popover, automatic,
};

// The mask of all four orientations.
inline constexpr unsigned kAllInterfaceOrientations = 30;

class ViewController : public Responder {
 public:
  ViewController();
  ~ViewController() override;
  std::string className() const override { return "UIViewController"; }
  bool setValue(std::string_view key, const std::any& value) override;

  std::shared_ptr<View> view();
  bool isViewLoaded() const { return view_ != nullptr; }
  void setView(std::shared_ptr<View> view);
  void loadViewIfNeeded() { view(); }
  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool /*animated*/) {}
  virtual void viewDidAppear(bool /*animated*/) {}
  virtual void viewWillDisappear(bool /*animated*/) {}
  virtual void viewDidDisappear(bool /*animated*/) {}
  virtual void viewWillLayoutSubviews() {}
  virtual void viewDidLayoutSubviews() {}
  virtual void didReceiveMemoryWarning() {}

  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  NavigationItem& navigationItem() { return navigationItem_; }
  NavigationController* navigationController() const;
  ViewController* parentViewController() const { return parent_; }
  const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const { return children_; }
  void addChildViewController(std::shared_ptr<ViewController> child);
  void removeFromParentViewController();
  virtual void willMoveToParentViewController(ViewController*) {}
  virtual void didMoveToParentViewController(ViewController*) {}

  // Modal presentation.
  ViewController* presentedViewController() const { return presented_.get(); }
  // The controller that presented this one or the container it is in.
  ViewController* presentingViewController() const;
  void presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                             std::function<void()> completion = {});
  void dismissViewController(bool animated, std::function<void()> completion = {});
  ModalPresentationStyle modalPresentationStyle = ModalPresentationStyle::automatic;
  enum class TransitionStyle { coverVertical, crossDissolve };
  TransitionStyle modalTransitionStyle = TransitionStyle::coverVertical;
  // Cannot be swiped away (it only goes through dismissViewController).
  bool modalInPresentation = false;
  Size preferredContentSize;
  // Where a popover points (tablets), and the screen's margins it keeps
  // within (a screen's own bars beyond the platform's).
  View* popoverSourceView = nullptr;
  Rect popoverSourceRect;
  EdgeInsets popoverLayoutMargins{20, 10, 10, 10};
  bool isBeingPresented() const { return beingPresented_; }
  bool isBeingDismissed() const { return beingDismissed_; }
  // Presented in a window of its own above every other, the keyboard
  // included (alerts: what they dim is everything behind them).
  virtual bool presentsAboveKeyboard() const { return false; }
  bool isMovingToParentViewController() const { return movingToParent_; }
  bool isMovingFromParentViewController() const { return movingFromParent_; }

  // Rotation.
  virtual unsigned supportedInterfaceOrientations() const { return kAllInterfaceOrientations; }
  virtual void willAnimateRotationToInterfaceOrientation(int /*orientation*/, double /*duration*/) {}
  virtual void viewWillTransitionToSize(Size) {}
  virtual bool prefersHomeIndicatorAutoHidden() const { return false; }
  // The appearance the controller's views take: its own override (1 light,
  // 2 dark) where set, else the device's.
  TraitCollection traitCollection() const {
    return overrideUserInterfaceStyle != 0 ? TraitCollection{overrideUserInterfaceStyle}
                                           : TraitCollection::current();
  }
  int overrideUserInterfaceStyle = 0;

  Responder* nextResponder() const override;
  bool performAction(std::string_view selector, Object* sender) override;

  // Appearance transitions, for containers and the platform.
  void beginAppearance(bool appearing, bool animated);
  void endAppearance();
  bool isAppeared() const { return appearance_ == Appearance::appeared; }
  void rotate(int orientation, double duration, Size size);
  // The frame a presented controller of this style gets on this screen.
  Rect presentationFrame() const;

 protected:
  // Containers say which children appear with them.
  virtual std::vector<ViewController*> appearingChildren() const;

 private:
  friend class NavigationController;
  enum class Appearance { disappeared, appearing, appeared, disappearing };
  void dismissPresented(bool animated, std::function<void()> completion);
  // Dismisses, at once, what this controller and its children present.
  void dismissPresentedWithin();
  // Removes the view from the window it was presented in.
  void takeOffScreen();

  std::shared_ptr<View> view_;
  std::string title_;
  NavigationItem navigationItem_;
  ViewController* parent_ = nullptr;
  std::vector<std::shared_ptr<ViewController>> children_;
  std::shared_ptr<ViewController> presented_;
  ViewController* presenting_ = nullptr;
  std::shared_ptr<Window> presentationWindow_;  // while presented above the keyboard
  Appearance appearance_ = Appearance::disappeared;
  bool pendingAnimated_ = false;
  bool beingPresented_ = false, beingDismissed_ = false;
  bool movingToParent_ = false, movingFromParent_ = false;
};

using ViewControllerPointer = std::shared_ptr<ViewController>;

}  // namespace ui
