// Labels, image views, activity indicators and the controls that send
// target-action messages: buttons, switches, sliders, segmented controls.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/run_loop.h"
#include "platform/coregraphics/text.h"
#include "platform/uikit/font.h"
#include "platform/uikit/image.h"
#include "platform/uikit/view.h"

namespace ui {

enum class TextAlignment { left, center, right, justified, natural };
using LineBreakMode = cg::LineBreakMode;

// One line of text centred vertically in a frame, truncated at its tail.
void drawTextLine(cg::Context& context, std::string_view text, const Rect& frame, const Font& font,
                  const Color& color, cg::TextAlignment alignment);

class Label : public View {
 public:
  Label() { setUserInteractionEnabled(false); }
  explicit Label(const Rect& frame) : View(frame) { setUserInteractionEnabled(false); }
  std::string className() const override { return "UILabel"; }
  bool setValue(std::string_view key, const std::any& value) override;
  const std::string& text() const { return text_; }
  // Virtual: a label that reads its own text (a selectable time label)
  // hears of every change, from code or from a screen definition.
  virtual void setText(std::string text);
  // Runs of fonts and colours; the label's font and colour fill the gaps.
  const cg::AttributedString& attributedText() const { return attributed_; }
  void setAttributedText(cg::AttributedString text);
  FontPointer font() const;
  void setFont(FontPointer font);
  Color textColor() const { return textColor_; }
  void setTextColor(Color color);
  std::optional<Color> highlightedTextColor;
  TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(TextAlignment alignment);
  int numberOfLines() const { return lines_; }
  void setNumberOfLines(int lines);
  LineBreakMode lineBreakMode() const { return lineBreak_; }
  void setLineBreakMode(LineBreakMode mode);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted);
  void drawRect(cg::Context& context, const Rect& rect) override;
  Size sizeThatFits(Size size) const override;
  // The text's rectangle for a width and a line limit.
  Rect textRectForBounds(const Rect& bounds, int lines) const;

 protected:
  cg::TextLayoutOptions layoutOptions(double width, int lines) const;

 private:
  std::string text_;
  cg::AttributedString attributed_;
  bool useAttributed_ = false;
  FontPointer font_;
  Color textColor_ = Color::black();
  TextAlignment alignment_ = TextAlignment::natural;
  int lines_ = 1;
  LineBreakMode lineBreak_ = LineBreakMode::truncateTail;
  bool enabled_ = true, highlighted_ = false;
};

class ImageView : public View {
 public:
  ImageView() = default;
  explicit ImageView(ImagePointer image);
  explicit ImageView(const Rect& frame) : View(frame) {}
  std::string className() const override { return "UIImageView"; }
  bool setValue(std::string_view key, const std::any& value) override;
  ImagePointer image() const { return image_; }
  void setImage(ImagePointer image);
  ImagePointer highlightedImage;
  bool highlighted = false;
  void drawRect(cg::Context& context, const Rect& rect) override;
  Size sizeThatFits(Size size) const override;

 private:
  ImagePointer image_;
};

enum class ActivityIndicatorStyle { whiteLarge = 0, white = 1, gray = 2 };

class ActivityIndicatorView : public View {
 public:
  explicit ActivityIndicatorView(ActivityIndicatorStyle style = ActivityIndicatorStyle::whiteLarge);
  ~ActivityIndicatorView() override;
  std::string className() const override { return "UIActivityIndicatorView"; }
  void startAnimating();
  void stopAnimating();
  bool isAnimating() const { return animating_; }
  bool hidesWhenStopped = true;
  std::optional<Color> color;
  void drawRect(cg::Context& context, const Rect& rect) override;

 private:
  ActivityIndicatorStyle style_;
  bool animating_ = false;
  int step_ = 0;
  std::shared_ptr<ns::Timer> timer_;
};

enum ControlEvents : unsigned {
  kControlEventTouchDown = 1u << 0,
  kControlEventTouchDownRepeat = 1u << 1,
  kControlEventTouchDragInside = 1u << 2,
  kControlEventTouchDragOutside = 1u << 3,
  kControlEventTouchUpInside = 1u << 6,
  kControlEventTouchUpOutside = 1u << 7,
  kControlEventTouchCancel = 1u << 8,
  kControlEventValueChanged = 1u << 12,
  kControlEventEditingDidBegin = 1u << 16,
  kControlEventEditingChanged = 1u << 17,
  kControlEventEditingDidEnd = 1u << 18,
  kControlEventEditingDidEndOnExit = 1u << 19,
};

enum ControlState : unsigned {
  kControlStateNormal = 0,
  kControlStateHighlighted = 1u << 0,
  kControlStateDisabled = 1u << 1,
  kControlStateSelected = 1u << 2,
};

class Control : public View {
 public:
  using View::View;
  std::string className() const override { return "UIControl"; }
  void addTarget(Object* target, std::string selector, unsigned events);
  void addAction(std::function<void(Control&)> action, unsigned events);
  void removeTarget(Object* target);
  void sendActionsForControlEvents(unsigned events);

  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool enabled);
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted);
  unsigned state() const;
  bool isTracking() const { return tracking_; }

  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void touchesCancelled(const TouchSet& touches, const Event& event) override;
  View* hitTest(Point point, const Event* event) override;

 protected:
  // Subclasses follow the touch; `inside` says whether it is over the control.
  virtual void beginTracking(Point) {}
  virtual void continueTracking(Point, bool /*inside*/) {}
  virtual void endTracking(Point, bool /*inside*/) {}

 private:
  struct Target {
    Object* target;
    std::string selector;
    std::function<void(Control&)> action;
    unsigned events;
  };
  std::vector<Target> targets_;
  bool enabled_ = true, selected_ = false, highlighted_ = false, tracking_ = false;
};

enum class ButtonType { custom = 0, system = 1, detailDisclosure = 2, infoLight = 3, contactAdd = 5 };

class Button : public Control {
 public:
  explicit Button(ButtonType type = ButtonType::custom);
  explicit Button(const Rect& frame, ButtonType type = ButtonType::custom);
  std::string className() const override { return "UIButton"; }
  bool setValue(std::string_view key, const std::any& value) override;
  ButtonType buttonType() const { return type_; }
  void setTitle(std::string title, unsigned state = kControlStateNormal);
  std::string titleForState(unsigned state) const;
  std::string currentTitle() const { return titleForState(state()); }
  void setTitleColor(Color color, unsigned state = kControlStateNormal);
  Color titleColorForState(unsigned state) const;
  void setImage(ImagePointer image, unsigned state = kControlStateNormal);
  ImagePointer imageForState(unsigned state) const;
  void setBackgroundImage(ImagePointer image, unsigned state = kControlStateNormal);
  Label& titleLabel() { return *titleLabel_; }
  EdgeInsets contentEdgeInsets;
  void layoutSubviews() override;
  void drawRect(cg::Context& context, const Rect& rect) override;
  Size sizeThatFits(Size size) const override;
  void tintColorDidChange() override { setNeedsLayout(); }
  void setHighlighted(bool highlighted) override;
  void setSelected(bool selected) override;
  void setEnabled(bool enabled) override;

 private:
  template <typename T>
  T forState(const std::map<unsigned, T>& values, unsigned state, T fallback) const;
  ButtonType type_;
  std::map<unsigned, std::string> titles_;
  std::map<unsigned, Color> titleColors_;
  std::map<unsigned, ImagePointer> images_, backgrounds_;
  std::shared_ptr<Label> titleLabel_;
};

class Switch : public Control {
 public:
  Switch();
  explicit Switch(const Rect& frame);
  std::string className() const override { return "UISwitch"; }
  bool setValue(std::string_view key, const std::any& value) override;
  bool isOn() const { return on_; }
  void setOn(bool on, bool animated = false);
  std::optional<Color> onTintColor, thumbTintColor;
  // The off state's own colours (outline and ring, track, thumb), for a
  // theme whose off state must differ from its on state in more than
  // colour.
  std::optional<Color> offTintColor, offTrackColor, offThumbTintColor;
  void drawRect(cg::Context& context, const Rect& rect) override;

 protected:
  void endTracking(Point point, bool inside) override;

 private:
  bool on_ = false;
};

class Slider : public Control {
 public:
  using Control::Control;
  std::string className() const override { return "UISlider"; }
  bool setValue(std::string_view key, const std::any& value) override;
  double value() const { return value_; }
  void setSliderValue(double value, bool animated = false);
  double minimumValue = 0, maximumValue = 1;
  bool continuous = true;
  std::optional<Color> minimumTrackTintColor, maximumTrackTintColor, thumbTintColor;
  void drawRect(cg::Context& context, const Rect& rect) override;

 protected:
  void beginTracking(Point point) override;
  void continueTracking(Point point, bool inside) override;
  void endTracking(Point point, bool inside) override;

 private:
  void follow(Point point);
  double value_ = 0;
};

class SegmentedControl : public Control {
 public:
  explicit SegmentedControl(std::vector<std::string> titles = {});
  std::string className() const override { return "UISegmentedControl"; }
  bool setValue(std::string_view key, const std::any& value) override;
  std::size_t numberOfSegments() const { return titles_.size(); }
  void insertSegment(std::string title, std::size_t index);
  void removeSegment(std::size_t index);
  std::string titleForSegment(std::size_t index) const;
  void setTitle(std::string title, std::size_t index);
  // -1: none.
  int selectedSegmentIndex() const { return selected_; }
  void setSelectedSegmentIndex(int index);
  std::optional<Color> selectedSegmentTintColor;
  std::optional<Color> titleColor;
  void drawRect(cg::Context& context, const Rect& rect) override;

 protected:
  void endTracking(Point point, bool inside) override;

 private:
  std::vector<std::string> titles_;
  int selected_ = -1;
};

}  // namespace ui
