// Themed controls: each platform control the screens use with a subclass
// that colours itself by the theme when it is made (from a screen
// definition or in code), and the small views that go with them.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/controls.h"
#include "platform/uikit/pickers.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/text_input.h"

class SVView : public ui::View {
 public:
  using ui::View::View;
  std::string className() const override { return "SVView"; }
};

// Swallows every touch, so nothing behind it receives one.
class OpaqueToTouchView : public ui::View {
 public:
  using ui::View::View;
  std::string className() const override { return "OpaqueToTouchView"; }
  void touchesBegan(const ui::TouchSet&, const ui::Event&) override {}
  void touchesMoved(const ui::TouchSet&, const ui::Event&) override {}
  void touchesEnded(const ui::TouchSet&, const ui::Event&) override {}
  void touchesCancelled(const ui::TouchSet&, const ui::Event&) override {}
};

// A selected button is washed with its tint.
class SVHighlightButton : public ui::Button {
 public:
  using ui::Button::Button;
  std::string className() const override { return "SVHighlightButton"; }
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
  // Also the title colour of the normal state.
  void setTintColor(const ui::Color& color);
};

class SVSegmentedControl : public ui::SegmentedControl {
 public:
  // As decoded: coloured for night vision.
  explicit SVSegmentedControl(std::vector<std::string> titles = {});
  std::string className() const override { return "SVSegmentedControl"; }
  void colorize();
};

// Pickers inside it turn at once: touches on a picker's content are
// neither delayed nor cancelled by the scrolling.
class SVScrollView : public ui::ScrollView {
 public:
  using ui::ScrollView::ScrollView;
  std::string className() const override { return "SVScrollView"; }
  ui::View* hitTest(ui::Point point, const ui::Event* event) override;
};

class SVLabel : public ui::Label {
 public:
  // As decoded: the screen definition's colours.
  SVLabel() = default;
  // Made in code: the theme's text colour.
  explicit SVLabel(const ui::Rect& frame);
  std::string className() const override { return "SVLabel"; }
};

class SVTextView : public ui::TextView {
 public:
  SVTextView();
  explicit SVTextView(const ui::Rect& frame);
  std::string className() const override { return "SVTextView"; }

 private:
  void commonInit();
};

class SVTextField : public ui::TextField {
 public:
  SVTextField();
  explicit SVTextField(const ui::Rect& frame);
  std::string className() const override { return "SVTextField"; }
  void setEnabled(bool enabled) override;
  void adjustColors();
  void drawRect(cg::Context& context, const ui::Rect& rect) override;

 private:
  void commonInit();
};

class SVSearchBar : public ui::SearchBar {
 public:
  SVSearchBar();
  std::string className() const override { return "SVSearchBar"; }
  ui::TextField* textField() const { return field_; }

 private:
  void commonInit();
  ui::TextField* field_ = nullptr;
};

class SVSearchBarTextBackground : public ui::View {
 public:
  using ui::View::View;
  std::string className() const override { return "SVSearchBarTextBackground"; }
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};

class SVToolbar : public ui::Toolbar {
 public:
  SVToolbar();
  std::string className() const override { return "SVToolbar"; }
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};

// Image above a centred title; images are tinted with the tint colour.
class SVToolbarButton : public ui::Button {
 public:
  using ui::Button::Button;
  std::string className() const override { return "SVToolbarButton"; }
  bool setValue(std::string_view key, const std::any& value) override;
  void setImage(ui::ImagePointer image, unsigned state = ui::kControlStateNormal);
  void layoutSubviews() override;
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
  // Where layoutSubviews put the image.
  ui::Rect imageFrame() const { return imageFrame_; }

 private:
  ui::Rect imageFrame_;
};

class SVButton : public ui::Button {
 public:
  // As decoded: themed.
  explicit SVButton(const ui::Rect& frame = {}, ui::ButtonType type = ui::ButtonType::custom);
  std::string className() const override { return "SVButton"; }
};

class SVButtonOverlay : public ui::View {
 public:
  using ui::View::View;
  std::string className() const override { return "SVButtonOverlay"; }
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};

class SVSwitch : public ui::Switch {
 public:
  SVSwitch();
  explicit SVSwitch(const ui::Rect& frame);
  std::string className() const override { return "SVSwitch"; }

 private:
  void doInit();
};

class SVSwitchOverlay : public ui::View {
 public:
  using ui::View::View;
  std::string className() const override { return "SVSwitchOverlay"; }
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};

class SVDatePicker : public ui::DatePicker {
 public:
  // As decoded: the default time zone; coloured for night vision.
  struct Decoded {};
  SVDatePicker(Decoded, const ui::Rect& frame);
  explicit SVDatePicker(const ui::Rect& frame);
  std::string className() const override { return "SVDatePicker"; }
};

class SVActivityView : public ui::View {
 public:
  using ui::View::View;
  std::string className() const override { return "SVActivityView"; }
  std::shared_ptr<ui::ActivityIndicatorView> activityIndicator;
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};
