// Navigation stacks: a bar with the top controller's title, a back button
// and bar button items above the top controller's view; push, pop, pop to
// and set, each animated or not.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/uikit/controls.h"
#include "platform/uikit/view_controller.h"

namespace ui {

class NavigationController;

// The button a bar shows for an item (navigation bars and toolbars).
std::shared_ptr<Button> makeBarButton(const std::shared_ptr<BarButtonItem>& item);

class NavigationBar : public View {
 public:
  NavigationBar();
  std::string className() const override { return "UINavigationBar"; }
  std::optional<Color> barTintColor;
  bool translucent = true;
  int barStyle = 0;
  // Title text: a font and a colour.
  FontPointer titleFont;
  std::optional<Color> titleColor;
  void setItems(const NavigationItem* top, const NavigationItem* back, Object* owner);
  void layoutSubviews() override;
  void drawRect(cg::Context& context, const Rect& rect) override;
  const std::string& title() const { return title_; }
  Button* backButton() const { return back_.get(); }
  Button* rightButton() const { return right_.get(); }
  Button* leftButton() const { return left_.get(); }

 private:
  friend class NavigationController;
  std::string title_;
  std::shared_ptr<View> titleView_;
  std::shared_ptr<Button> back_, left_, right_;
  std::shared_ptr<BarButtonItem> leftItem_, rightItem_;
  NavigationController* navigation_ = nullptr;
};

class NavigationControllerDelegate {
 public:
  virtual ~NavigationControllerDelegate() = default;
  virtual void willShowViewController(NavigationController&, ViewController&, bool) {}
  virtual void didShowViewController(NavigationController&, ViewController&, bool) {}
};

class NavigationController : public ViewController {
 public:
  NavigationController();
  explicit NavigationController(std::shared_ptr<ViewController> root);
  std::string className() const override { return "UINavigationController"; }
  void loadView() override;

  const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
  ViewController* topViewController() const { return stack_.empty() ? nullptr : stack_.back().get(); }
  ViewController* visibleViewController() const;
  void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
  std::shared_ptr<ViewController> popViewController(bool animated);
  void popToViewController(const ViewController* controller, bool animated);
  void popToRootViewController(bool animated);
  void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated);

  NavigationBar& navigationBar();
  bool isNavigationBarHidden() const { return barHidden_; }
  void setNavigationBarHidden(bool hidden);
  NavigationControllerDelegate* delegate = nullptr;
  // True while a push or pop animates.
  bool isTransitioning() const { return transitioning_; }

  void updateBar();
  void layoutContent();
  bool performAction(std::string_view selector, Object* sender) override;

 protected:
  std::vector<ViewController*> appearingChildren() const override;

 private:
  void transition(std::shared_ptr<ViewController> from, std::shared_ptr<ViewController> to, bool animated,
                  bool forward, std::vector<std::shared_ptr<ViewController>> leaving);
  Rect contentFrame();
  std::vector<std::shared_ptr<ViewController>> stack_;
  std::shared_ptr<NavigationBar> bar_;
  bool barHidden_ = false;
  bool transitioning_ = false;
};

}  // namespace ui
