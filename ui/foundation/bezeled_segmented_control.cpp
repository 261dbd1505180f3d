#include "ui/foundation/bezeled_segmented_control.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/run_loop.h"

BezeledSegmentedControl::BezeledSegmentedControl(const ui::Rect& frame) : ui::Control(frame) {}

BezeledSegmentedControl::BezeledSegmentedControl(Decoded, const ui::Rect& frame)
    : BezeledSegmentedControl(frame) {
  decoded_ = true;
}

bool BezeledSegmentedControl::setValue(std::string_view key, const std::any& value) {
  if (auto* number = std::any_cast<double>(&value); number && key == "selectedSegmentIndex") {
    setSelectedSegmentIndex(int(std::clamp(*number, -1.0, 1e9)));
    return true;
  }
  return ui::Control::setValue(key, value);
}

void BezeledSegmentedControl::didAddSubview(ui::View* subview) {
  ui::Control::didAddSubview(subview);
  // Decoded buttons arrive after the control is made.
  if (auto* button = dynamic_cast<ui::Button*>(subview); button && decoded_)
    button->addTarget(this, "btnUp:", ui::kControlEventTouchUpInside);
}

bool BezeledSegmentedControl::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "btnUp:") {
    btnUp(dynamic_cast<ui::Button*>(sender));
    return true;
  }
  return ui::Control::performAction(selector, sender);
}

int BezeledSegmentedControl::indexOf(const ui::View* view) const {
  const auto& views = subviews();
  for (std::size_t i = 0; i < views.size(); ++i)
    if (views[i].get() == view) return int(i);
  return -1;
}

ui::Button* BezeledSegmentedControl::btnAtIndex(std::int64_t index) const {
  if (index < 0 || index >= numberOfSegments()) return nullptr;
  return dynamic_cast<ui::Button*>(subviews()[std::size_t(index)].get());
}

std::string BezeledSegmentedControl::titleForSegmentAtIndex(std::int64_t index) const {
  ui::Button* button = btnAtIndex(index);
  return button ? button->titleForState(ui::kControlStateNormal) : std::string();
}

void BezeledSegmentedControl::setTitle(std::string title, std::int64_t index) {
  if (ui::Button* button = btnAtIndex(index)) button->setTitle(std::move(title), ui::kControlStateNormal);
}

void BezeledSegmentedControl::removeSegmentAt(std::int64_t index) {
  if (index < 0 || index >= numberOfSegments()) return;
  subviews()[std::size_t(index)]->removeFromSuperview();
  setNeedsLayout();
}

void BezeledSegmentedControl::setSelectedSegmentIndex(int index) {
  selectedSegmentIndex_ = index;
  for (std::size_t i = 0; i < subviews().size(); ++i)
    if (auto* button = dynamic_cast<ui::Button*>(subviews()[i].get())) button->setSelected(int(i) == index);
}

void BezeledSegmentedControl::setSelectedBtn(ui::Button* selected) {
  for (const auto& view : subviews())
    if (auto* button = dynamic_cast<ui::Button*>(view.get())) button->setSelected(button == selected);
}

void BezeledSegmentedControl::btnUp(ui::Button* sender) {
  const int index = indexOf(sender);
  if (sender == nullptr || index < 0) return;  // not one of ours
  for (const auto& view : subviews())
    if (auto* button = dynamic_cast<ui::Button*>(view.get())) button->setHighlighted(false);
  selectedSegmentIndex_ = index;
  if (sender->tag() != -1) {
    // On the next turn of the run loop, after the button's own touch
    // handling has finished.
    std::weak_ptr<ui::Object> self = weak_from_this(), button = sender->weak_from_this();
    ns::RunLoop::main().performAfterDelay(this, "setSelectedBtn:", 0, [self, button] {
      auto control = std::dynamic_pointer_cast<BezeledSegmentedControl>(self.lock());
      auto pressed = std::dynamic_pointer_cast<ui::Button>(button.lock());
      if (control && pressed && control->indexOf(pressed.get()) >= 0) control->setSelectedBtn(pressed.get());
    });
  }
  sendActionsForControlEvents(ui::kControlEventValueChanged);
}

void BezeledSegmentedControl::layoutSubviews() {
  ui::Control::layoutSubviews();
  const auto& views = subviews();
  if (views.empty()) return;
  const float w = float(bounds().width()), h = float(bounds().height()), n = float(views.size());
  for (std::size_t i = 0; i < views.size(); ++i) {
    const float x = std::round(w / n * float(i));
    const float right = std::round(w / n * float(i + 1));
    views[i]->setFrame({double(x), 0, double(right - x), double(h)});
  }
}
