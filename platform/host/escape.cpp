#include "platform/host/escape.h"

#include "platform/uikit/alert_controller.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/window.h"

namespace host {
namespace {

bool leavesTheScreen(const ui::BarButtonItem* item) {
  if (item == nullptr || !item->enabled) return false;
  if (item->systemItem == ui::BarButtonSystemItem::done || item->systemItem == ui::BarButtonSystemItem::cancel)
    return true;
  return item->title == "Done" || item->title == "Cancel";
}

// The controller whose screen is on top: the last one presented over the
// key window's root.
ui::ViewController* topPresented() {
  ui::Window* window = ui::Application::shared().keyWindow();
  if (window == nullptr || !window->rootViewController()) return nullptr;
  ui::ViewController* top = window->rootViewController().get();
  while (top->presentedViewController() != nullptr && !top->presentedViewController()->isBeingDismissed())
    top = top->presentedViewController();
  return top;
}

bool cancelAlert(ui::AlertController& alert) {
  const auto& actions = alert.actions();
  for (std::size_t i = 0; i < actions.size(); ++i) {
    if (actions[i].style == ui::AlertActionStyle::cancel && actions[i].enabled) {
      alert.chooseAction(i);
      return true;
    }
  }
  return false;
}

}  // namespace

bool pressEscape() {
  ui::ViewController* top = topPresented();
  if (top == nullptr) return false;
  if (auto* alert = dynamic_cast<ui::AlertController*>(top)) return cancelAlert(*alert);
  auto* navigation = dynamic_cast<ui::NavigationController*>(top);
  ui::ViewController* screen = navigation ? navigation->topViewController() : top;
  if (screen == nullptr || (navigation && navigation->isTransitioning())) return false;
  ui::NavigationItem& item = screen->navigationItem();
  for (const auto& button : {item.rightBarButtonItem, item.leftBarButtonItem}) {
    if (leavesTheScreen(button.get())) {
      button->trigger();
      return true;
    }
  }
  // The back button shows only where no left button stands in its place.
  if (navigation && navigation->viewControllers().size() > 1 && !item.hidesBackButton && !item.leftBarButtonItem) {
    navigation->popViewController(true);
    return true;
  }
  return false;
}

}  // namespace host
