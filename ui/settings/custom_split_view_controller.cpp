#include "ui/settings/custom_split_view_controller.h"

#include <algorithm>

#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"

CustomSplitViewController::CustomSplitViewController(std::shared_ptr<ui::ViewController> master,
                                                     std::shared_ptr<ui::ViewController> detail)
    : masterNavigationController(std::make_shared<SVNavigationController>()),
      detailNavigationController(std::make_shared<SVNavigationController>()) {
  if (master) masterNavigationController->pushViewController(std::move(master), false);
  if (detail) detailNavigationController->pushViewController(std::move(detail), false);
  modalPresentationStyle = ui::ModalPresentationStyle::fullScreen;
  modalInPresentation = true;
}

void CustomSplitViewController::loadView() {
  AppDelegate* delegate = AppDelegate::instance();
  std::shared_ptr<ui::Window> window = delegate ? delegate->window() : nullptr;
  auto root = std::make_shared<ui::View>(window ? window->bounds() : ui::Screen::main().bounds());
  root->setBackgroundColor(AppDelegate::isNightVision() ? ui::Color::rgba(0.5, 0, 0) : ui::Color::darkGray());
  setView(root);
  // Children in this order: the platform forwards appearance to the
  // master, then the detail.
  for (const auto& column : {masterNavigationController, detailNavigationController}) {
    addChildViewController(column);
    root->addSubview(column->view());
    column->didMoveToParentViewController(this);
  }
}

void CustomSplitViewController::layoutSplitViews() {
  const ui::Rect b = view()->bounds();
  masterNavigationController->view()->setFrame({b.x(), b.y(), masterColumnWidth, b.height()});
  detailNavigationController->view()->setFrame({b.x() + masterColumnWidth + gutterWidth, b.y(),
                                                std::max(0.0, b.width() - masterColumnWidth - gutterWidth), b.height()});
}

void CustomSplitViewController::viewWillAppear(bool animated) {
  ui::ViewController::viewWillAppear(animated);
  layoutSplitViews();
}

void CustomSplitViewController::viewWillLayoutSubviews() {
  ui::ViewController::viewWillLayoutSubviews();
  layoutSplitViews();
}

void CustomSplitViewController::willAnimateRotationToInterfaceOrientation(int orientation, double duration) {
  ui::ViewController::willAnimateRotationToInterfaceOrientation(orientation, duration);
  layoutSplitViews();
}

unsigned CustomSplitViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}
