// SVNavigationController: the themed navigation stack every modal screen
// is presented in: a bar tinted by the theme with a bold 17-point title in
// the theme's title colour, presented full screen and never swiped away;
// on request a border round its view.
//
// Thread rules: main thread only.
#pragma once

#include <memory>

#include "platform/uikit/navigation_controller.h"

class BorderedView;

class SVNavigationController : public ui::NavigationController {
 public:
  SVNavigationController();
  explicit SVNavigationController(std::shared_ptr<ui::ViewController> root);
  std::string className() const override { return "SVNavigationController"; }
  void loadView() override;

  ui::Color navbarTintColor;
  bool bordered() const { return bordered_; }
  // Setting it adds a BorderedView over the view (once); clearing it
  // removes nothing.
  void setBordered(bool bordered);
  BorderedView* borderedView() const { return borderedView_.get(); }

 private:
  void commonInit();
  bool bordered_ = false;
  std::shared_ptr<BorderedView> borderedView_;
};
