#include "platform/uikit/alert_controller.h"

#include <algorithm>

namespace ui {
namespace {
constexpr double kAlertWidth = 270;
constexpr double kButtonHeight = 44;

// The alert's own colours in the light and dark appearances.
struct AlertLook {
  Color box, text, line;
};
AlertLook alertLook(bool dark) {
  if (dark) return {Color::white(0.17), Color::white(1), Color::white(1, 0.2)};
  return {Color::white(0.97), Color::black(), Color::white(0, 0.2)};
}
}  // namespace

AlertController::AlertController(std::string title, std::string message, AlertControllerStyle style)
    : alertTitle_(std::move(title)), message_(std::move(message)), style_(style) {
  modalPresentationStyle = ModalPresentationStyle::overFullScreen;
  modalTransitionStyle = TransitionStyle::crossDissolve;
}

void AlertController::addAction(AlertAction action) {
  // The cancel action stands last, as the platform places it.
  if (action.style == AlertActionStyle::cancel) actions_.push_back(std::move(action));
  else {
    auto cancel = std::find_if(actions_.begin(), actions_.end(),
                               [](auto& a) { return a.style == AlertActionStyle::cancel; });
    actions_.insert(cancel, std::move(action));
  }
}

void AlertController::loadView() {
  const Rect screen = Screen::main().bounds();
  auto view = std::make_shared<View>(screen);
  view->setBackgroundColor(Color::white(0, 0.4));
  view->setAutoresizingMask(kFlexibleWidth | kFlexibleHeight);

  // box > content: the background, then the text and the buttons, a
  // button last (so that a look given to the box and the views it ends in
  // covers the whole alert).
  const AlertLook look = alertLook(traitCollection().userInterfaceStyle == 2);
  box_ = std::make_shared<View>();
  box_->setBackgroundColor(look.box);
  box_->layer().cornerRadius = 13;
  box_->setClipsToBounds(true);
  auto content = std::make_shared<View>();
  const double width = kAlertWidth;
  double y = 20;
  auto addText = [&](const std::string& text, FontPointer font) {
    if (text.empty()) return;
    auto label = std::make_shared<Label>();
    label->setFont(font);
    label->setNumberOfLines(0);
    label->setTextAlignment(TextAlignment::center);
    label->setText(text);
    label->setTextColor(look.text);
    Size size = label->sizeThatFits({width - 32, 0});
    label->setFrame({16, y, width - 32, size.height});
    content->addSubview(label);
    y += size.height + 4;
  };
  addText(alertTitle_, Font::boldSystemFont(17));
  addText(message_, Font::systemFont(13));
  y += 16;
  const bool sideBySide = actions_.size() == 2;
  // Two buttons stand side by side with the cancel action on the left.
  if (sideBySide && actions_[1].style == AlertActionStyle::cancel) std::swap(actions_[0], actions_[1]);
  const double stackHeight = sideBySide ? kButtonHeight : kButtonHeight * double(actions_.size());
  for (std::size_t i = 0; i < actions_.size(); ++i) {
    const AlertAction& action = actions_[i];
    auto button = std::make_shared<Button>(ButtonType::system);
    button->setTitle(action.title);
    button->titleLabel().setFont(action.style == AlertActionStyle::cancel ? Font::boldSystemFont(17)
                                                                           : Font::systemFont(17));
    if (action.style == AlertActionStyle::destructive) button->setTitleColor(Color::rgba(1, 0.23, 0.19));
    button->setEnabled(action.enabled);
    button->setTag(int(i));
    Rect frame = sideBySide ? Rect{width / 2 * double(i), y, width / 2, kButtonHeight}
                            : Rect{0, y + kButtonHeight * double(i), width, kButtonHeight};
    button->setFrame(frame);
    button->addAction([this, i](Control&) { chooseAction(i); }, kControlEventTouchUpInside);
    auto line = std::make_shared<View>(Rect{frame.x(), frame.y(), frame.width(), 0.5});
    line->setBackgroundColor(look.line);
    content->addSubview(line);
    if (sideBySide && i == 1) {
      auto divider = std::make_shared<View>(Rect{width / 2, y, 0.5, kButtonHeight});
      divider->setBackgroundColor(look.line);
      content->addSubview(divider);
    }
    content->addSubview(button);
  }
  const double height = y + stackHeight;
  content->setFrame({0, 0, width, height});
  box_->setFrame({(screen.width() - width) / 2, (screen.height() - height) / 2, width, height});
  box_->setAutoresizingMask(kFlexibleLeftMargin | kFlexibleRightMargin | kFlexibleTopMargin | kFlexibleBottomMargin);
  box_->addSubview(content);
  view->addSubview(box_);
  setView(view);
}

void AlertController::chooseAction(std::size_t index) {
  if (chosen_ || index >= actions_.size() || !actions_[index].enabled) return;
  chosen_ = true;
  AlertAction action = actions_[index];
  auto keep = std::static_pointer_cast<AlertController>(shared_from_this());
  dismissViewController(true, [keep, action] {
    if (action.handler) action.handler(action);
  });
}

}  // namespace ui
