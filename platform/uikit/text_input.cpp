#include "platform/uikit/text_input.h"

#include <algorithm>

#include "platform/uikit/application.h"

namespace ui {
namespace {

// Bytes of the last UTF-8 character of a text.
std::size_t lastCharacterLength(const std::string& text) {
  if (text.empty()) return 0;
  std::size_t n = 1;
  while (n < text.size() && n < 4 && (static_cast<unsigned char>(text[text.size() - n]) & 0xc0) == 0x80) ++n;
  return n;
}

cg::TextAlignment lineAlignment(TextAlignment alignment) {
  return alignment == TextAlignment::center  ? cg::TextAlignment::center
         : alignment == TextAlignment::right ? cg::TextAlignment::right
                                             : cg::TextAlignment::left;
}

}  // namespace

// ---- TextField -----------------------------------------------------------------

TextField::TextField() : TextField(Rect{0, 0, 200, 31}) {}
TextField::TextField(const Rect& frame) : Control(frame) { setOpaque(false); }

bool TextField::setValue(std::string_view key, const std::any& value) {
  if (auto* s = std::any_cast<std::string>(&value)) {
    if (key == "text") return setText(*s), true;
    if (key == "placeholder") return placeholder = *s, true;
  }
  if (auto* c = std::any_cast<Color>(&value); c && key == "textColor") return textColor = *c, true;
  if (auto* f = std::any_cast<FontPointer>(&value); f && key == "font") return setFont(*f), true;
  if (auto* d = std::any_cast<double>(&value); d && key == "borderStyle") return borderStyle = TextBorderStyle(int(*d)), true;
  return Control::setValue(key, value);
}

void TextField::setText(std::string text) {
  text_ = std::move(text);
  allSelected_ = false;
  setNeedsDisplay();
}

void TextField::endTracking(Point, bool inside) {
  if (inside && !isFirstResponder()) becomeFirstResponder();
}

bool TextField::becomeFirstResponder() {
  if (!canBecomeFirstResponder() || isFirstResponder()) return isFirstResponder();
  if (delegate && !delegate->shouldBeginEditing(*this)) return false;
  Application::shared().setFirstResponder(this);
  if (delegate) delegate->didBeginEditing(*this);
  sendActionsForControlEvents(kControlEventEditingDidBegin);
  setNeedsDisplay();
  return true;
}

bool TextField::resignFirstResponder() {
  if (!isFirstResponder() || resigning_) return true;
  if (delegate && !delegate->shouldEndEditing(*this)) return false;
  resigning_ = true;
  Application::shared().setFirstResponder(nullptr);
  resigning_ = false;
  allSelected_ = false;
  if (delegate) delegate->didEndEditing(*this);
  sendActionsForControlEvents(kControlEventEditingDidEnd);
  setNeedsDisplay();
  return true;
}

bool TextField::replace(std::size_t offset, std::size_t length, const std::string& replacement) {
  if (delegate && !delegate->shouldChangeCharacters(*this, offset, length, replacement)) return false;
  text_.replace(offset, length, replacement);
  allSelected_ = false;
  sendActionsForControlEvents(kControlEventEditingChanged);
  setNeedsDisplay();
  return true;
}

void TextField::insertText(const std::string& text) {
  if (text == "\n") {
    if (!delegate || delegate->shouldReturn(*this)) sendActionsForControlEvents(kControlEventEditingDidEndOnExit);
    return;
  }
  // Typing or pasting over a selection replaces it.
  if (allSelected_) replace(0, text_.size(), text);
  else replace(text_.size(), 0, text);
}

void TextField::deleteBackward() {
  if (allSelected_) {
    replace(0, text_.size(), "");
    return;
  }
  const std::size_t n = lastCharacterLength(text_);
  if (n > 0) replace(text_.size() - n, n, "");
}

void TextField::selectAll() {
  allSelected_ = !text_.empty();
  setNeedsDisplay();
}

std::string TextField::selectedText() const { return allSelected_ && !secureTextEntry ? text_ : std::string(); }

void TextField::drawRect(cg::Context& context, const Rect& rect) {
  if (borderStyle == TextBorderStyle::roundedRect || borderStyle == TextBorderStyle::bezel) {
    context.setFillColor(Color::whiteColor().cg());
    context.setStrokeColor(Color::white(0.8).cg());
    context.setLineWidth(1);
    addRoundedRect(context, rect.insetBy(0.5, 0.5), 5);
    context.drawPath(cg::PathDrawingMode::fillStroke);
  } else if (borderStyle == TextBorderStyle::line) {
    context.setStrokeColor(Color::black().cg());
    context.strokeRect(rect.insetBy(0.5, 0.5));
  }
  double left = 7;
  if (leftView) left += leftView->frame().width();
  const Rect box{rect.x() + left, rect.y(), rect.width() - left - 7, rect.height()};
  const FontPointer shownFont = font();
  const Font& f = *shownFont;
  std::string shown = secureTextEntry ? std::string(text_.size(), '*') : text_;
  if (allSelected_ && isFirstResponder()) {
    context.setFillColor(tintColor().withAlpha(0.3).cg());
    context.fillRect({box.x(), rect.midY() - f.lineHeight() / 2,
                      std::min(box.width(), cg::stringWidth(shown, f.cgFont())), f.lineHeight()});
  }
  if (shown.empty() && !placeholder.empty())
    drawTextLine(context, placeholder, box, f, placeholderColor.value_or(Color::white(0.7)), lineAlignment(textAlignment));
  else
    drawTextLine(context, shown, box, f, isEnabled() ? textColor : textColor.withAlpha(0.5),
                 lineAlignment(textAlignment));
  if (isFirstResponder()) {
    const double x = box.x() + std::min(box.width(), cg::stringWidth(shown, f.cgFont())) + 1;
    context.setFillColor(tintColor().cg());
    context.fillRect({x, rect.midY() - f.lineHeight() / 2, 2, f.lineHeight()});
  }
}

// ---- TextView ------------------------------------------------------------------

TextView::TextView() : TextView(Rect{0, 0, 240, 120}) {}
TextView::TextView(const Rect& frame) : View(frame) { setBackgroundColor(Color::whiteColor()); }

bool TextView::setValue(std::string_view key, const std::any& value) {
  if (auto* s = std::any_cast<std::string>(&value); s && key == "text") return setText(*s), true;
  if (auto* b = std::any_cast<bool>(&value); b && key == "editable") return editable = *b, true;
  if (auto* c = std::any_cast<Color>(&value); c && key == "textColor") return textColor = *c, true;
  if (auto* f = std::any_cast<FontPointer>(&value); f && key == "font") return font = *f, true;
  return View::setValue(key, value);
}

void TextView::setText(std::string text) {
  text_ = std::move(text);
  setNeedsDisplay();
}

void TextView::insertText(const std::string& text) {
  if (!editable) return;
  text_ += text;
  setNeedsDisplay();
}

void TextView::deleteBackward() {
  if (!editable) return;
  text_.resize(text_.size() - lastCharacterLength(text_));
  setNeedsDisplay();
}

void TextView::touchesEnded(const TouchSet&, const Event&) {
  if (editable) becomeFirstResponder();
}

void TextView::drawRect(cg::Context& context, const Rect& rect) {
  FontPointer f = font ? font : Font::systemFont(14);
  cg::TextLayoutOptions options;
  options.maxWidth = rect.width() - 10;
  cg::drawString(context, text_, Rect{rect.x() + 5, rect.y() + 8, rect.width() - 10, rect.height() - 8}, f->cgFont(),
                 textColor.cg(), options);
}

// ---- SearchBar -----------------------------------------------------------------

SearchBar::SearchBar() : View(Rect{0, 0, 320, 56}) {
  field_ = std::make_shared<TextField>();
  field_->borderStyle = TextBorderStyle::roundedRect;
  field_->placeholder = "Search";
  field_->delegate = this;
  field_->addAction([this](Control&) {
    if (delegate) delegate->textDidChange(*this, field_->text());
  }, kControlEventEditingChanged);
  addSubview(field_);
}

void SearchBar::layoutSubviews() {
  field_->setFrame({8, (bounds().height() - 36) / 2, bounds().width() - 16, 36});
}

void SearchBar::drawRect(cg::Context& context, const Rect& rect) {
  context.setFillColor(barTintColor.value_or(Color::white(0.79)).cg());
  context.fillRect(rect);
}

bool SearchBar::shouldBeginEditing(TextField&) { return !delegate || delegate->shouldBeginEditing(*this); }
void SearchBar::didBeginEditing(TextField&) {
  if (delegate) delegate->textDidBeginEditing(*this);
}
void SearchBar::didEndEditing(TextField&) {
  if (delegate) delegate->textDidEndEditing(*this);
}
bool SearchBar::shouldReturn(TextField&) {
  if (delegate) delegate->searchButtonClicked(*this);
  return true;
}

}  // namespace ui
