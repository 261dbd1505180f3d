#include "ui/foundation/sv_navigation_controller.h"

#include "ui/foundation/small_views.h"
#include "ui/foundation/theme.h"

SVNavigationController::SVNavigationController() { commonInit(); }

SVNavigationController::SVNavigationController(std::shared_ptr<ui::ViewController> root)
    : ui::NavigationController(std::move(root)) {
  commonInit();
}

void SVNavigationController::commonInit() {
  navbarTintColor = *themeColor(ThemeColor::navigationBarTint);
  ui::BarButtonItem::appearance().normalFont = ui::Font::boldSystemFont(17);
  modalPresentationStyle = ui::ModalPresentationStyle::fullScreen;
  modalInPresentation = true;
}

void SVNavigationController::loadView() {
  ui::NavigationController::loadView();
  // The bar exists with the view; it takes the look chosen at creation.
  ui::NavigationBar& bar = navigationBar();
  bar.barTintColor = navbarTintColor;
  bar.setOpaque(true);
  bar.translucent = false;
  bar.titleColor = *themeColor(ThemeColor::navigationBarTitle);
  bar.titleFont = ui::Font::boldSystemFont(17);
  bar.setNeedsDisplay();
}

void SVNavigationController::setBordered(bool bordered) {
  bordered_ = bordered;
  if (!bordered || borderedView_) return;
  borderedView_ = std::make_shared<BorderedView>(view()->frame());
  view()->addSubview(borderedView_);
}
