#include "platform/uikit/controls.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ui {
namespace {

cg::TextAlignment cgAlignment(TextAlignment a) {
  switch (a) {
    case TextAlignment::center: return cg::TextAlignment::center;
    case TextAlignment::right: return cg::TextAlignment::right;
    case TextAlignment::justified: return cg::TextAlignment::justified;
    default: return cg::TextAlignment::left;
  }
}

template <typename T>
bool take(const std::any& value, T& out) {
  if (auto* v = std::any_cast<T>(&value)) {
    out = *v;
    return true;
  }
  return false;
}


}  // namespace

void drawTextLine(cg::Context& context, std::string_view text, const Rect& frame, const Font& font,
                  const Color& color, cg::TextAlignment alignment) {
  cg::TextLayoutOptions options;
  options.maxWidth = frame.width();
  options.maxLines = 1;
  options.alignment = alignment;
  options.lineBreak = LineBreakMode::truncateTail;
  const double h = cg::textSize(text, font.cgFont(), options).height;
  cg::drawString(context, text, Rect{frame.x(), frame.y() + (frame.height() - h) / 2, frame.width(), h},
                 font.cgFont(), color.cg(), options);
}

// ---- Label ---------------------------------------------------------------------

bool Label::setValue(std::string_view key, const std::any& value) {
  std::string s;
  double d;
  bool b;
  Color color;
  FontPointer font;
  if (key == "text" && take(value, s)) return setText(s), true;
  if (key == "textColor" && take(value, color)) return setTextColor(color), true;
  if (key == "font" && take(value, font)) return setFont(font), true;
  if (key == "numberOfLines" && take(value, d)) return setNumberOfLines(int(d)), true;
  if (key == "textAlignment" && take(value, d)) return setTextAlignment(TextAlignment(int(d))), true;
  if (key == "enabled" && take(value, b)) return setEnabled(b), true;
  return View::setValue(key, value);
}

void Label::setText(std::string text) {
  text_ = std::move(text);
  useAttributed_ = false;
  setNeedsDisplay();
}

void Label::setAttributedText(cg::AttributedString text) {
  attributed_ = std::move(text);
  text_ = attributed_.text;
  useAttributed_ = true;
  setNeedsDisplay();
}

FontPointer Label::font() const { return font_ ? font_ : Font::systemFont(17); }
void Label::setFont(FontPointer font) {
  font_ = std::move(font);
  setNeedsDisplay();
}
void Label::setTextColor(Color color) {
  textColor_ = color;
  setNeedsDisplay();
}
void Label::setTextAlignment(TextAlignment alignment) {
  alignment_ = alignment;
  setNeedsDisplay();
}
void Label::setNumberOfLines(int lines) {
  lines_ = std::max(0, lines);
  setNeedsDisplay();
}
void Label::setLineBreakMode(LineBreakMode mode) {
  lineBreak_ = mode;
  setNeedsDisplay();
}
void Label::setEnabled(bool enabled) {
  enabled_ = enabled;
  setNeedsDisplay();
}
void Label::setHighlighted(bool highlighted) {
  highlighted_ = highlighted;
  setNeedsDisplay();
}

cg::TextLayoutOptions Label::layoutOptions(double width, int lines) const {
  cg::TextLayoutOptions options;
  options.maxWidth = width;
  options.maxLines = lines;
  options.alignment = cgAlignment(alignment_);
  // One line truncates as asked; several wrap at words and stop at the limit.
  options.lineBreak = lines == 1 ? lineBreak_
                      : (lineBreak_ == LineBreakMode::charWrap ? LineBreakMode::charWrap
                                                                : LineBreakMode::wordWrap);
  return options;
}

Rect Label::textRectForBounds(const Rect& bounds, int lines) const {
  if (text_.empty()) return {bounds.x(), bounds.midY(), 0, 0};
  cg::Size size = useAttributed_ ? cg::textSize(attributed_, font()->cgFont(), layoutOptions(bounds.width(), lines))
                                 : cg::textSize(text_, font()->cgFont(), layoutOptions(bounds.width(), lines));
  size.height = std::min(size.height, bounds.height());
  return {bounds.x(), bounds.y() + (bounds.height() - size.height) / 2, bounds.width(), size.height};
}

void Label::drawRect(cg::Context& context, const Rect& rect) {
  if (text_.empty()) return;
  Color color = highlighted_ && highlightedTextColor ? *highlightedTextColor : textColor_;
  if (!enabled_) color = color.withAlpha(color.a * 0.45);
  Rect box = textRectForBounds(rect, lines_);
  cg::TextLayoutOptions options = layoutOptions(rect.width(), lines_);
  if (useAttributed_)
    cg::drawAttributedString(context, attributed_, box, font()->cgFont(), color.cg(), options);
  else
    cg::drawString(context, text_, box, font()->cgFont(), color.cg(), options);
}

Size Label::sizeThatFits(Size size) const {
  if (text_.empty()) return {0, 0};
  const double width = size.width > 0 ? size.width : 0;
  cg::TextLayoutOptions options = layoutOptions(width, lines_);
  if (lines_ == 1) options.maxWidth = 0;
  cg::Size s = useAttributed_ ? cg::textSize(attributed_, font()->cgFont(), options)
                              : cg::textSize(text_, font()->cgFont(), options);
  return {std::ceil(s.width), std::ceil(s.height)};
}

// ---- ImageView -----------------------------------------------------------------

ImageView::ImageView(ImagePointer image) : image_(std::move(image)) {
  if (image_) setFrame({0, 0, image_->size().width, image_->size().height});
  setUserInteractionEnabled(false);
}

bool ImageView::setValue(std::string_view key, const std::any& value) {
  ImagePointer image;
  if (key == "image" && take(value, image)) return setImage(image), true;
  return View::setValue(key, value);
}

void ImageView::setImage(ImagePointer image) {
  image_ = std::move(image);
  setNeedsDisplay();
}

void ImageView::drawRect(cg::Context& context, const Rect& rect) {
  ImagePointer shown = highlighted && highlightedImage ? highlightedImage : image_;
  if (!shown) return;
  Size s = shown->size();
  Rect target = rect;
  switch (contentMode()) {
    case ContentMode::scaleAspectFit: case ContentMode::scaleAspectFill: {
      double k = contentMode() == ContentMode::scaleAspectFit
                     ? std::min(rect.width() / s.width, rect.height() / s.height)
                     : std::max(rect.width() / s.width, rect.height() / s.height);
      target = {rect.midX() - s.width * k / 2, rect.midY() - s.height * k / 2, s.width * k, s.height * k};
      break;
    }
    case ContentMode::center:
      target = {rect.midX() - s.width / 2, rect.midY() - s.height / 2, s.width, s.height};
      break;
    case ContentMode::topLeft: target = {rect.x(), rect.y(), s.width, s.height}; break;
    default: break;
  }
  shown->drawInRect(context, target);
}

Size ImageView::sizeThatFits(Size) const { return image_ ? image_->size() : Size{}; }

// ---- ActivityIndicatorView -------------------------------------------------------

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorStyle style) : style_(style) {
  const double side = style == ActivityIndicatorStyle::whiteLarge ? 37 : 20;
  setFrame({0, 0, side, side});
  setHidden(true);
  setUserInteractionEnabled(false);
}

ActivityIndicatorView::~ActivityIndicatorView() {
  if (timer_) timer_->invalidate();
}

void ActivityIndicatorView::startAnimating() {
  if (animating_) return;
  animating_ = true;
  setHidden(false);
  std::weak_ptr<Object> self = weak_from_this();
  timer_ = ns::RunLoop::main().scheduleTimer(1.0 / 12, true, [self](ns::Timer& timer) {
    auto strong = std::static_pointer_cast<ActivityIndicatorView>(self.lock());
    if (!strong) {
      timer.invalidate();
      return;
    }
    strong->step_ = (strong->step_ + 1) % 12;
    strong->setNeedsDisplay();
  });
}

void ActivityIndicatorView::stopAnimating() {
  animating_ = false;
  if (timer_) timer_->invalidate();
  timer_.reset();
  if (hidesWhenStopped) setHidden(true);
}

void ActivityIndicatorView::drawRect(cg::Context& context, const Rect& rect) {
  const Color base = color ? *color : (style_ == ActivityIndicatorStyle::gray ? Color::gray() : Color::whiteColor());
  const double r = std::min(rect.width(), rect.height()) / 2;
  context.setLineWidth(r * 0.18);
  context.setLineCap(cg::LineCap::round);
  for (int i = 0; i < 12; ++i) {
    const double angle = i * std::numbers::pi / 6;
    const double fade = double((i - step_ + 12) % 12) / 12;
    context.setStrokeColor(base.withAlpha(base.a * (0.25 + 0.75 * fade)).cg());
    context.moveToPoint(rect.midX() + std::cos(angle) * r * 0.5, rect.midY() + std::sin(angle) * r * 0.5);
    context.addLineToPoint(rect.midX() + std::cos(angle) * r * 0.9, rect.midY() + std::sin(angle) * r * 0.9);
    context.strokePath();
  }
}

// ---- Control -------------------------------------------------------------------

void Control::addTarget(Object* target, std::string selector, unsigned events) {
  targets_.push_back({target, std::move(selector), {}, events});
}

void Control::addAction(std::function<void(Control&)> action, unsigned events) {
  targets_.push_back({nullptr, {}, std::move(action), events});
}

void Control::removeTarget(Object* target) {
  targets_.erase(std::remove_if(targets_.begin(), targets_.end(), [&](auto& t) { return t.target == target; }),
                 targets_.end());
}

void Control::sendActionsForControlEvents(unsigned events) {
  auto keep = shared_from_this();
  auto targets = targets_;
  for (auto& t : targets) {
    if (!(t.events & events)) continue;
    if (t.action) t.action(*this);
    else if (t.target) t.target->performAction(t.selector, this);
    else {
      // No target: the first responder chain answers the action.
      for (Responder* r = this; r; r = r->nextResponder())
        if (r->performAction(t.selector, this)) break;
    }
  }
}

void Control::setEnabled(bool enabled) {
  enabled_ = enabled;
  setNeedsDisplay();
}
void Control::setSelected(bool selected) {
  selected_ = selected;
  setNeedsDisplay();
}
void Control::setHighlighted(bool highlighted) {
  highlighted_ = highlighted;
  setNeedsDisplay();
}

unsigned Control::state() const {
  unsigned s = kControlStateNormal;
  if (highlighted_) s |= kControlStateHighlighted;
  if (!enabled_) s |= kControlStateDisabled;
  if (selected_) s |= kControlStateSelected;
  return s;
}

View* Control::hitTest(Point point, const Event* event) {
  if (!enabled_) return nullptr;
  return View::hitTest(point, event);
}

void Control::touchesBegan(const TouchSet& touches, const Event&) {
  if (!enabled_ || touches.empty()) return;
  tracking_ = true;
  setHighlighted(true);
  Point p = touches.front()->locationInView(this);
  beginTracking(p);
  sendActionsForControlEvents(kControlEventTouchDown);
}

void Control::touchesMoved(const TouchSet& touches, const Event&) {
  if (!tracking_ || touches.empty()) return;
  Point p = touches.front()->locationInView(this);
  const bool inside = pointInside(p, nullptr);
  setHighlighted(inside);
  continueTracking(p, inside);
  sendActionsForControlEvents(inside ? kControlEventTouchDragInside : kControlEventTouchDragOutside);
}

void Control::touchesEnded(const TouchSet& touches, const Event&) {
  if (!tracking_ || touches.empty()) return;
  tracking_ = false;
  Point p = touches.front()->locationInView(this);
  const bool inside = pointInside(p, nullptr);
  setHighlighted(false);
  endTracking(p, inside);
  sendActionsForControlEvents(inside ? kControlEventTouchUpInside : kControlEventTouchUpOutside);
}

void Control::touchesCancelled(const TouchSet&, const Event&) {
  if (!tracking_) return;
  tracking_ = false;
  setHighlighted(false);
  sendActionsForControlEvents(kControlEventTouchCancel);
}

// ---- Button --------------------------------------------------------------------

Button::Button(ButtonType type) : Button(Rect{}, type) {}

Button::Button(const Rect& frame, ButtonType type) : Control(frame), type_(type) {
  titleLabel_ = std::make_shared<Label>();
  titleLabel_->setFont(Font::systemFont(type == ButtonType::system ? 17 : 15));
  titleLabel_->setTextAlignment(TextAlignment::center);
  titleLabel_->setUserInteractionEnabled(false);
  addSubview(titleLabel_);
  setOpaque(false);
}

bool Button::setValue(std::string_view key, const std::any& value) {
  std::string s;
  Color color;
  ImagePointer image;
  FontPointer font;
  if (key == "title" && take(value, s)) return setTitle(s), true;
  if (key == "titleColor" && take(value, color)) return setTitleColor(color), true;
  if (key == "image" && take(value, image)) return setImage(image), true;
  if (key == "font" && take(value, font)) return titleLabel_->setFont(font), setNeedsLayout(), true;
  bool b;
  if (key == "enabled" && take(value, b)) return setEnabled(b), true;
  if (key == "selected" && take(value, b)) return setSelected(b), true;
  return Control::setValue(key, value);
}

template <typename T>
T Button::forState(const std::map<unsigned, T>& values, unsigned state, T fallback) const {
  if (auto it = values.find(state); it != values.end()) return it->second;
  for (unsigned s : {state & kControlStateSelected, state & kControlStateDisabled, state & kControlStateHighlighted})
    if (s)
      if (auto it = values.find(s); it != values.end()) return it->second;
  if (auto it = values.find(kControlStateNormal); it != values.end()) return it->second;
  return fallback;
}

void Button::setTitle(std::string title, unsigned state) {
  titles_[state] = std::move(title);
  setNeedsLayout();
}
std::string Button::titleForState(unsigned state) const { return forState(titles_, state, std::string()); }
void Button::setTitleColor(Color color, unsigned state) {
  titleColors_[state] = color;
  setNeedsLayout();
}
Color Button::titleColorForState(unsigned state) const {
  Color fallback = type_ == ButtonType::custom ? Color::whiteColor() : tintColor();
  if ((state & kControlStateDisabled) && type_ != ButtonType::custom) fallback = Color::white(0.5, 0.6);
  Color c = forState(titleColors_, state, fallback);
  if ((state & kControlStateHighlighted) && type_ == ButtonType::system && !titleColors_.count(kControlStateHighlighted))
    c = c.withAlpha(c.a * 0.25);
  return c;
}
void Button::setImage(ImagePointer image, unsigned state) {
  images_[state] = std::move(image);
  setNeedsLayout();
}
ImagePointer Button::imageForState(unsigned state) const { return forState(images_, state, ImagePointer()); }
void Button::setBackgroundImage(ImagePointer image, unsigned state) {
  backgrounds_[state] = std::move(image);
  setNeedsDisplay();
}

void Button::setHighlighted(bool highlighted) {
  Control::setHighlighted(highlighted);
  setNeedsLayout();
}
void Button::setSelected(bool selected) {
  Control::setSelected(selected);
  setNeedsLayout();
}
void Button::setEnabled(bool enabled) {
  Control::setEnabled(enabled);
  setNeedsLayout();
}

void Button::layoutSubviews() {
  const unsigned s = state();
  titleLabel_->setText(titleForState(s));
  titleLabel_->setTextColor(titleColorForState(s));
  Rect content = insetRect(bounds(), contentEdgeInsets);
  ImagePointer image = imageForState(s);
  Size imageSize = image ? image->size() : Size{};
  Size titleSize = titleLabel_->sizeThatFits({0, 0});
  titleSize.width = std::min(titleSize.width, std::max(0.0, content.width() - imageSize.width));
  const double total = imageSize.width + titleSize.width;
  const double x = content.midX() - total / 2;
  titleLabel_->setFrame({x + imageSize.width, content.midY() - titleSize.height / 2, titleSize.width, titleSize.height});
}

void Button::drawRect(cg::Context& context, const Rect& rect) {
  const unsigned s = state();
  if (ImagePointer background = forState(backgrounds_, s, ImagePointer())) background->drawInRect(context, rect);
  if (ImagePointer image = imageForState(s)) {
    Size size = image->size();
    const double titleWidth = titleLabel_->text().empty() ? 0 : titleLabel_->frame().width();
    Rect content = insetRect(rect, contentEdgeInsets);
    double x = content.midX() - (size.width + titleWidth) / 2;
    if (isHighlighted()) context.setAlpha(0.5);
    image->drawInRect(context, {x, content.midY() - size.height / 2, size.width, size.height});
  }
}

Size Button::sizeThatFits(Size) const {
  const std::string title = titleForState(kControlStateNormal);
  Size t;
  if (!title.empty()) {
    cg::Size s = cg::textSize(title, titleLabel_->font()->cgFont());
    t = {std::ceil(s.width), std::ceil(s.height)};
  }
  ImagePointer image = imageForState(kControlStateNormal);
  Size i = image ? image->size() : Size{};
  return {t.width + i.width + contentEdgeInsets.left + contentEdgeInsets.right,
          std::max({t.height, i.height, 30.0}) + contentEdgeInsets.top + contentEdgeInsets.bottom};
}

// ---- Switch --------------------------------------------------------------------

Switch::Switch() : Switch(Rect{0, 0, 51, 31}) {}
Switch::Switch(const Rect& frame) : Control(Rect{frame.x(), frame.y(), 51, 31}) { setOpaque(false); }

bool Switch::setValue(std::string_view key, const std::any& value) {
  bool b;
  Color color;
  if (key == "on" && take(value, b)) return setOn(b), true;
  if (key == "onTintColor" && take(value, color)) return onTintColor = color, setNeedsDisplay(), true;
  if (key == "thumbTintColor" && take(value, color)) return thumbTintColor = color, setNeedsDisplay(), true;
  if (key == "enabled" && take(value, b)) return setEnabled(b), true;
  return Control::setValue(key, value);
}

void Switch::setOn(bool on, bool) {
  on_ = on;
  setNeedsDisplay();
}

void Switch::endTracking(Point, bool inside) {
  if (!inside) return;
  setOn(!on_, true);
  sendActionsForControlEvents(kControlEventValueChanged);
}

// The state shows three ways at once, so that it reads at a glance in any
// colours: the track is filled when on and hollow (a dark fill inside an
// outline) when off, the thumb sits right or left, and a mark stands in
// the free part of the track: a bar for on, a ring for off.
void Switch::drawRect(cg::Context& context, const Rect& rect) {
  const Rect track{rect.x(), rect.y(), 51, std::min(31.0, rect.height())};
  const double dim = isEnabled() ? 1 : 0.5;
  const double d = track.height() - 4, markY = track.midY();
  const Color thumb = thumbTintColor.value_or(Color::whiteColor());
  if (on_) {
    context.setFillColor(onTintColor.value_or(Color::rgba(0.2, 0.78, 0.35)).withAlpha(dim).cg());
    addRoundedRect(context, track, track.height() / 2);
    context.fillPath();
    // The bar, in the thumb's colour, in the track's left half.
    context.setFillColor(thumb.withAlpha(dim).cg());
    context.fillRect({track.x() + 13, markY - 5, 1.5, 10});
  } else {
    const Color edge = offTintColor.value_or(Color::white(0.55));
    context.setFillColor(offTrackColor.value_or(Color::white(0.15)).withAlpha(dim).cg());
    addRoundedRect(context, track.insetBy(0.75, 0.75), track.height() / 2 - 0.75);
    context.fillPath();
    context.setStrokeColor(edge.withAlpha(dim).cg());
    context.setLineWidth(1.5);
    addRoundedRect(context, track.insetBy(0.75, 0.75), track.height() / 2 - 0.75);
    context.strokePath();
    // The ring in the track's right half.
    context.setLineWidth(1.25);
    context.strokeEllipseInRect({track.maxX() - 17, markY - 4, 8, 8});
  }
  const double x = on_ ? track.maxX() - d - 2 : track.x() + 2;
  context.setFillColor((on_ ? thumb : offThumbTintColor.value_or(thumb)).withAlpha(dim).cg());
  context.fillEllipseInRect({x, track.y() + 2, d, d});
}

// ---- Slider --------------------------------------------------------------------

bool Slider::setValue(std::string_view key, const std::any& value) {
  double d;
  if (key == "value" && take(value, d)) return setSliderValue(d), true;
  if (key == "minimumValue" && take(value, d)) return minimumValue = d, true;
  if (key == "maximumValue" && take(value, d)) return maximumValue = d, true;
  return Control::setValue(key, value);
}

void Slider::setSliderValue(double value, bool) {
  if (!std::isfinite(value)) return;
  value_ = std::clamp(value, std::min(minimumValue, maximumValue), std::max(minimumValue, maximumValue));
  setNeedsDisplay();
}

void Slider::follow(Point p) {
  const double thumb = 28, span = std::max(1.0, bounds().width() - thumb);
  const double t = std::clamp((p.x - thumb / 2) / span, 0.0, 1.0);
  const double before = value_;
  setSliderValue(minimumValue + t * (maximumValue - minimumValue));
  if (continuous && value_ != before) sendActionsForControlEvents(kControlEventValueChanged);
}

void Slider::beginTracking(Point p) { follow(p); }
void Slider::continueTracking(Point p, bool) { follow(p); }
void Slider::endTracking(Point p, bool) {
  const double before = value_;
  follow(p);
  if (!continuous || value_ != before) sendActionsForControlEvents(kControlEventValueChanged);
}

void Slider::drawRect(cg::Context& context, const Rect& rect) {
  const double thumb = 28;
  const double range = maximumValue - minimumValue;
  const double t = range != 0 ? (value_ - minimumValue) / range : 0;
  const double x = rect.x() + thumb / 2 + t * (rect.width() - thumb);
  const double y = rect.midY();
  context.setFillColor(minimumTrackTintColor.value_or(tintColor()).cg());
  context.fillRect({rect.x() + thumb / 2, y - 1.5, x - rect.x() - thumb / 2, 3});
  context.setFillColor(maximumTrackTintColor.value_or(Color::white(0.4)).cg());
  context.fillRect({x, y - 1.5, rect.maxX() - thumb / 2 - x, 3});
  context.setFillColor(thumbTintColor.value_or(Color::whiteColor()).cg());
  context.fillEllipseInRect({x - thumb / 2, y - thumb / 2, thumb, thumb});
}

// ---- SegmentedControl ------------------------------------------------------------

SegmentedControl::SegmentedControl(std::vector<std::string> titles) : titles_(std::move(titles)) {
  setFrame({0, 0, std::max(1.0, double(titles_.size())) * 70, 32});
  setOpaque(false);
}

bool SegmentedControl::setValue(std::string_view key, const std::any& value) {
  double d;
  std::vector<std::string> titles;
  if (key == "selectedSegmentIndex" && take(value, d)) return setSelectedSegmentIndex(int(d)), true;
  if (key == "segments" && take(value, titles)) return titles_ = titles, setNeedsDisplay(), true;
  return Control::setValue(key, value);
}

void SegmentedControl::insertSegment(std::string title, std::size_t index) {
  titles_.insert(titles_.begin() + static_cast<std::ptrdiff_t>(std::min(index, titles_.size())), std::move(title));
  setNeedsDisplay();
}

void SegmentedControl::removeSegment(std::size_t index) {
  if (index >= titles_.size()) return;
  titles_.erase(titles_.begin() + static_cast<std::ptrdiff_t>(index));
  if (selected_ >= int(titles_.size())) selected_ = -1;
  setNeedsDisplay();
}

std::string SegmentedControl::titleForSegment(std::size_t index) const {
  return index < titles_.size() ? titles_[index] : std::string();
}

void SegmentedControl::setTitle(std::string title, std::size_t index) {
  if (index < titles_.size()) titles_[index] = std::move(title);
  setNeedsDisplay();
}

void SegmentedControl::setSelectedSegmentIndex(int index) {
  selected_ = index >= 0 && index < int(titles_.size()) ? index : -1;
  setNeedsDisplay();
}

void SegmentedControl::endTracking(Point p, bool inside) {
  if (!inside || titles_.empty()) return;
  int index = std::clamp(int(p.x / (bounds().width() / double(titles_.size()))), 0, int(titles_.size()) - 1);
  if (index == selected_) return;
  selected_ = index;
  setNeedsDisplay();
  sendActionsForControlEvents(kControlEventValueChanged);
}

void SegmentedControl::drawRect(cg::Context& context, const Rect& rect) {
  if (titles_.empty()) return;
  const Color tint = tintColor();
  const double w = rect.width() / double(titles_.size());
  auto font = Font::systemFont(13);
  for (std::size_t i = 0; i < titles_.size(); ++i) {
    Rect segment{rect.x() + w * double(i), rect.y(), w, rect.height()};
    const bool selected = int(i) == selected_;
    if (selected) {
      context.setFillColor(selectedSegmentTintColor.value_or(tint).cg());
      context.fillRect(segment);
    }
    Color text = titleColor.value_or(selected ? Color::whiteColor() : tint);
    if (!isEnabled()) text = text.withAlpha(0.5);
    drawTextLine(context, titles_[i], Rect{segment.x() + 4, segment.y(), w - 8, segment.height()}, *font, text,
                 cg::TextAlignment::center);
  }
  context.setStrokeColor(tint.cg());
  context.setLineWidth(1);
  addRoundedRect(context, rect.insetBy(0.5, 0.5), 4);
  context.strokePath();
  for (std::size_t i = 1; i < titles_.size(); ++i) {
    context.moveToPoint(rect.x() + w * double(i), rect.y());
    context.addLineToPoint(rect.x() + w * double(i), rect.maxY());
  }
  context.strokePath();
}

}  // namespace ui
