#include "ui/foundation/sv_controls.h"

#include <cmath>

#include "ui/foundation/shell.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"

namespace {

bool night() { return AppDelegate::isNightVision(); }

// The night field box of text fields and search fields: a black (or, when
// disabled, dark red) rounded fill under a red rounded border.
void drawNightFieldBox(cg::Context& context, const ui::Rect& bounds, bool enabled) {
  const ui::Rect box = bounds.insetBy(0.5, 0.5);
  context.setLineWidth(1);
  context.setFillColor(enabled ? cg::Color{0, 0, 0, 1} : cg::Color{0.2, 0, 0, 1});
  Utility::addRoundRect(context, box, 3);
  context.fillPath();
  context.setStrokeColor(enabled ? cg::Color{0.7, 0, 0, 1} : cg::Color{0.4, 0, 0, 1});
  Utility::addRoundRect(context, box, 8);
  context.strokePath();
}

// A view over the whole of its superview that draws and never takes a
// touch.
void addOverlay(ui::View& parent, std::shared_ptr<ui::View> overlay) {
  overlay->setFrame(parent.bounds());
  overlay->setBackgroundColor(ui::Color::clear());
  overlay->setUserInteractionEnabled(false);
  overlay->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
  parent.addSubview(overlay);
}

}  // namespace

// ---- SVHighlightButton -----------------------------------------------------------

void SVHighlightButton::drawRect(cg::Context& context, const ui::Rect& rect) {
  ui::Button::drawRect(context, rect);
  if (!isSelected()) return;
  context.setFillColor(tintColor().withAlpha(0.2).cg());
  context.fillRect(bounds());
}

void SVHighlightButton::setTintColor(const ui::Color& color) {
  ui::View::setTintColor(color);
  setTitleColor(color, ui::kControlStateNormal);
}

// ---- SVSegmentedControl ----------------------------------------------------------

SVSegmentedControl::SVSegmentedControl(std::vector<std::string> titles) : ui::SegmentedControl(std::move(titles)) {
  colorize();
}

void SVSegmentedControl::colorize() {
  if (!night()) return;
  const ThemeColumn n = ThemeColumn::night;
  titleColor = themeColor(ThemeColor::segmentedLabel, n);
  setTintColor(themeColor(ThemeColor::segmentedTint, n));
  setBackgroundColor(themeColor(ThemeColor::segmentedBackground, n));
  selectedSegmentTintColor = themeColor(ThemeColor::segmentedSelected, n);
  setNeedsDisplay();
}

// ---- SVScrollView ----------------------------------------------------------------

ui::View* SVScrollView::hitTest(ui::Point point, const ui::Event* event) {
  ui::View* hit = ui::ScrollView::hitTest(point, event);
  const bool inPicker = hit && hit->superview() && dynamic_cast<ui::PickerView*>(hit->superview());
  delaysContentTouches = !inPicker;
  canCancelContentTouches = !inPicker;
  return hit;
}

// ---- SVLabel, SVTextView ---------------------------------------------------------

SVLabel::SVLabel(const ui::Rect& frame) : ui::Label(frame) {
  if (auto color = themeColor(ThemeColor::label)) setTextColor(*color);
}

SVTextView::SVTextView() { commonInit(); }
SVTextView::SVTextView(const ui::Rect& frame) : ui::TextView(frame) { commonInit(); }

void SVTextView::commonInit() {
  // Light is the theme code 1 itself here, not "anything but 2 or 3".
  keyboardAppearance = AppDelegate::appTheme() == 1 ? ui::KeyboardAppearance::light : ui::KeyboardAppearance::dark;
}

// ---- SVTextField -----------------------------------------------------------------

SVTextField::SVTextField() { commonInit(); }
SVTextField::SVTextField(const ui::Rect& frame) : ui::TextField(frame) { commonInit(); }

void SVTextField::commonInit() {
  keyboardAppearance = ui::KeyboardAppearance::dark;
  adjustColors();
}

void SVTextField::setEnabled(bool enabled) {
  ui::TextField::setEnabled(enabled);
  adjustColors();
}

void SVTextField::adjustColors() {
  const ThemeColumn column = appearanceColumn();
  if (column == ThemeColumn::dark) return;  // the platform's colours
  const bool enabled = isEnabled();
  if (auto color = themeColor(enabled ? ThemeColor::textFieldText : ThemeColor::textFieldDisabledText, column))
    textColor = *color;
  setBackgroundColor(
      themeColor(enabled ? ThemeColor::textFieldBackground : ThemeColor::textFieldDisabledBackground, column));
  if (column == ThemeColumn::night && !AppDelegate::runningOniPad())
    autocorrectionType = ui::AutocorrectionType::no;
  if (column == ThemeColumn::night) placeholderColor = themeColor(ThemeColor::fieldPlaceholder, column);
  setNeedsDisplay();
}

void SVTextField::drawRect(cg::Context& context, const ui::Rect& rect) {
  if (!night()) {
    ui::TextField::drawRect(context, rect);
    return;
  }
  // The night box stands where the platform's field box would be, under
  // the text (the platform draws its text above its own drawing).
  drawNightFieldBox(context, bounds(), isEnabled());
  const ui::TextBorderStyle border = borderStyle;
  borderStyle = ui::TextBorderStyle::none;
  ui::TextField::drawRect(context, rect);
  borderStyle = border;
}

// ---- SVSearchBar -----------------------------------------------------------------

SVSearchBar::SVSearchBar() { commonInit(); }

void SVSearchBar::commonInit() {
  Utility::setUITextFieldsOf(this, ui::KeyboardAppearance::dark);
  field_ = Utility::findSubviewOf<ui::TextField>(this);
  const ThemeColumn column = appearanceColumn();
  if (column == ThemeColumn::night) {
    barStyle = 1;
    barTintColor = themeColor(ThemeColor::searchBarTint, column);
  } else {
    barTintColor = themeColor(ThemeColor::searchBarTint, column);
  }
  if (!field_) return;
  // The field's own box would hide its background colour: the colour is
  // the box here, with the platform's rounded corners.
  field_->borderStyle = ui::TextBorderStyle::none;
  field_->layer().cornerRadius = 10;
  field_->setClipsToBounds(true);
  field_->setBackgroundColor(themeColor(ThemeColor::searchFieldBackground, column));
  const ThemeColor text = field_->isEnabled() ? ThemeColor::searchFieldText : ThemeColor::searchFieldDisabledText;
  field_->textColor = *themeColor(text, column);
  if (column == ThemeColumn::night) {
    field_->leftView = nullptr;
    field_->placeholderColor = themeColor(ThemeColor::fieldPlaceholder, column);
  }
}

void SVSearchBarTextBackground::drawRect(cg::Context& context, const ui::Rect& rect) {
  ui::View::drawRect(context, rect);
  if (night()) drawNightFieldBox(context, bounds(), true);
}

// ---- SVToolbar, SVToolbarButton --------------------------------------------------

SVToolbar::SVToolbar() {
  setOpaque(true);
  translucent = true;
  setBackgroundColor(ui::Color::black());
  barStyle = 1;
  if (night()) barTintColor = themeColor(ThemeColor::toolbarTint, ThemeColumn::night);
}

void SVToolbar::drawRect(cg::Context& context, const ui::Rect& rect) {
  ui::Toolbar::drawRect(context, rect);
  if (!night()) return;
  context.setFillColor(themeColor(ThemeColor::toolbarFill, ThemeColumn::night)->cg());
  context.fillRect(bounds());
}

bool SVToolbarButton::setValue(std::string_view key, const std::any& value) {
  if (auto* image = std::any_cast<ui::ImagePointer>(&value); image && key == "image") {
    setImage(*image);
    return true;
  }
  return ui::Button::setValue(key, value);
}

void SVToolbarButton::setImage(ui::ImagePointer image, unsigned state) {
  ui::Button::setImage(tintedImageUsingColor(image, tintColor()), state);
}

void SVToolbarButton::layoutSubviews() {
  ui::Button::layoutSubviews();  // the title's text and colour
  const ui::Rect b = bounds();
  ui::Label& title = titleLabel();
  const cg::Size text = title.text().empty() ? cg::Size{} : cg::textSize(title.text(), title.font()->cgFont());
  const double titleWidth = std::ceil(text.width + 2), titleHeight = std::ceil(text.height);
  const ui::ImagePointer image = imageForState(state());
  const ui::Size imageSize = image ? image->size() : ui::Size{};
  const double top = b.y() + (b.height() - (imageSize.height + 1 + titleHeight)) / 2;
  imageFrame_ = {b.midX() - imageSize.width / 2, top + 3, imageSize.width, imageSize.height};
  title.setFrame({b.midX() - titleWidth / 2, imageFrame_.maxY() + 1, titleWidth, titleHeight});
}

void SVToolbarButton::drawRect(cg::Context& context, const ui::Rect&) {
  if (ui::ImagePointer image = imageForState(state())) {
    if (isHighlighted()) context.setAlpha(0.5);
    image->drawInRect(context, imageFrame_);
  }
}

// ---- SVButton --------------------------------------------------------------------

SVButton::SVButton(const ui::Rect& frame, ui::ButtonType type) : ui::Button(frame, type) {
  switch (currentThemeColumn()) {
    case ThemeColumn::dark:
      setTitleColor(*themeColor(ThemeColor::buttonDisabledTitle, ThemeColumn::dark), ui::kControlStateDisabled);
      break;
    case ThemeColumn::night:
      addOverlay(*this, std::make_shared<SVButtonOverlay>());
      setTitleColor(*themeColor(ThemeColor::buttonTitle, ThemeColumn::night), ui::kControlStateNormal);
      break;
    case ThemeColumn::light: break;
  }
}

void SVButtonOverlay::drawRect(cg::Context& context, const ui::Rect&) {
  auto color = themeColor(ThemeColor::buttonOverlay);
  if (!color) return;
  context.setFillColor(color->cg());
  Utility::addRoundRect(context, bounds(), 8);
  context.fillPath();
}

// ---- SVSwitch --------------------------------------------------------------------

SVSwitch::SVSwitch() { doInit(); }
SVSwitch::SVSwitch(const ui::Rect& frame) : ui::Switch(frame) { doInit(); }

void SVSwitch::doInit() {
  if (!night()) return;
  onTintColor = themeColor(ThemeColor::switchOnTint, ThemeColumn::night);
  thumbTintColor = themeColor(ThemeColor::switchThumb, ThemeColumn::night);
  offTintColor = themeColor(ThemeColor::switchOffTint, ThemeColumn::night);
  offTrackColor = themeColor(ThemeColor::switchOffTrack, ThemeColumn::night);
  offThumbTintColor = themeColor(ThemeColor::switchOffThumb, ThemeColumn::night);
  auto overlay = std::make_shared<SVSwitchOverlay>();
  addOverlay(*this, overlay);
  bringSubviewToFront(overlay.get());
}

// A filled overlay over the whole switch left on and off nearly the same
// red; the overlay rims the switch instead, and the switch below draws
// its state in night reds of its own.
void SVSwitchOverlay::drawRect(cg::Context& context, const ui::Rect&) {
  if (!night()) return;
  const ui::Rect b = bounds();
  context.setStrokeColor(themeColor(ThemeColor::switchOverlay, ThemeColumn::night)->cg());
  context.setLineWidth(1);
  Utility::addRoundRect(context, ui::Rect{b.x(), b.y(), 51, b.height()}.insetBy(0.5, 0.5), b.height() / 2 - 0.5);
  context.strokePath();
}

// ---- SVDatePicker ----------------------------------------------------------------

SVDatePicker::SVDatePicker(const ui::Rect& frame) {
  setFrame(frame);
  for (const auto& subview : subviews()) subview->setFrame(bounds());
}

SVDatePicker::SVDatePicker(Decoded, const ui::Rect& frame) : SVDatePicker(frame) {
  timeZone = ns::TimeZone::defaultTimeZone();
  if (!night()) return;
  auto overlay = std::make_shared<ui::View>(bounds());
  overlay->setBackgroundColor(themeColor(ThemeColor::datePickerOverlay, ThemeColumn::night));
  overlay->setUserInteractionEnabled(false);
  overlay->setAutoresizingMask(ui::kFlexibleWidth);
  addSubview(overlay);
  setValue("textColor", std::any(*themeColor(ThemeColor::datePickerText, ThemeColumn::night)));
  setValue("backgroundColor", std::any(*themeColor(ThemeColor::datePickerBackground, ThemeColumn::night)));
}

// ---- SVActivityView --------------------------------------------------------------

void SVActivityView::drawRect(cg::Context& context, const ui::Rect& rect) {
  ui::View::drawRect(context, rect);
  if (!activityIndicator) return;
  const ui::Rect around = activityIndicator->frame().insetBy(-10, -10);
  context.setFillColor({0, 0, 0, 0.15});
  Utility::addRoundRect(context, around, 8);
  context.fillPath();
}
