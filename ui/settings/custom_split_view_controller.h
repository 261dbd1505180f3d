// CustomSplitViewController: a master/detail container for tablets, two
// navigation stacks side by side with a thin gutter between them. It is
// made in code only; nothing in the application creates it (the settings
// screen pushes its pages on tablets as on phones), but the settings screen
// fills its right column when placed in the left one.
//
// Thread rules: main thread only.
#pragma once

#include <memory>

#include "ui/foundation/sv_navigation_controller.h"

class CustomSplitViewController : public ui::ViewController {
 public:
  // The master in the left stack; the detail, when given, in the right.
  // Full screen and never swiped away.
  CustomSplitViewController(std::shared_ptr<ui::ViewController> master, std::shared_ptr<ui::ViewController> detail);
  std::string className() const override { return "CustomSplitViewController"; }

  std::shared_ptr<SVNavigationController> masterNavigationController, detailNavigationController;
  double masterColumnWidth = 320;
  double gutterWidth = 1;

  // The window's size; the gutter's colour shows through.
  void loadView() override;
  // The master column at the left edge, the detail column after the gutter.
  void layoutSplitViews();
  void viewWillAppear(bool animated) override;
  void viewWillLayoutSubviews() override;
  void willAnimateRotationToInterfaceOrientation(int orientation, double duration) override;
  unsigned supportedInterfaceOrientations() const override;
};
