// Alerts: a title, a message and actions, presented over the screen; an
// action's button dismisses the alert and then runs its handler.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/controls.h"
#include "platform/uikit/view_controller.h"

namespace ui {

enum class AlertActionStyle { defaultStyle = 0, cancel = 1, destructive = 2 };
enum class AlertControllerStyle { actionSheet = 0, alert = 1 };

struct AlertAction {
  std::string title;
  AlertActionStyle style = AlertActionStyle::defaultStyle;
  std::function<void(const AlertAction&)> handler;
  bool enabled = true;
};

class AlertController : public ViewController {
 public:
  AlertController(std::string title, std::string message, AlertControllerStyle style = AlertControllerStyle::alert);
  std::string className() const override { return "UIAlertController"; }
  const std::string& alertTitle() const { return alertTitle_; }
  const std::string& message() const { return message_; }
  AlertControllerStyle preferredStyle() const { return style_; }
  void addAction(AlertAction action);
  const std::vector<AlertAction>& actions() const { return actions_; }
  void loadView() override;
  bool presentsAboveKeyboard() const override { return true; }
  // Taps the button of an action as a user would (tests and hosts).
  void chooseAction(std::size_t index);
  // The alert's box (its background and corner carry the look).
  View* box() const { return box_.get(); }

 private:
  std::string alertTitle_, message_;
  AlertControllerStyle style_;
  std::vector<AlertAction> actions_;
  std::shared_ptr<View> box_;
  bool chosen_ = false;
};

}  // namespace ui
