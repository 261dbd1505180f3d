// Small views of the application's own: the rounded panel at the bottom
// of a screen, a rounded border, the message box's outline, a button with
// an underline, the chart's status line and the zoom buttons' recogniser.
//
// Thread rules: main thread only.
#pragma once

#include <optional>
#include <string>

#include "platform/uikit/controls.h"
#include "platform/uikit/gesture.h"
#include "ui/foundation/sv_controls.h"

class BottomControlView : public OpaqueToTouchView {
 public:
  // Made in code: all four edges, no dark background.
  explicit BottomControlView(const ui::Rect& frame = {});
  // As decoded: the bottom edge hidden and the dark background drawn.
  struct Decoded {};
  BottomControlView(Decoded, const ui::Rect& frame);
  std::string className() const override { return "BottomControlView"; }
  bool setValue(std::string_view key, const std::any& value) override;
  double cornerRadius = 8;
  std::optional<ui::Color> backgroundFillColor;
  bool hideBottomEdge = false;
  bool drawBackground = false;
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};

// A rounded outline in the tint over its superview, touches passing
// through.
class BorderedView : public ui::View {
 public:
  explicit BorderedView(const ui::Rect& frame = {});
  std::string className() const override { return "BorderedView"; }
  double cornerRadius = 8;
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};

class MessageView : public ui::View {
 public:
  using ui::View::View;
  std::string className() const override { return "MessageView"; }
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};

class UnderlinedButton : public ui::Button {
 public:
  using ui::Button::Button;
  std::string className() const override { return "UnderlinedButton"; }
  bool setValue(std::string_view key, const std::any& value) override;
  bool drawUnderline() const { return drawUnderline_; }
  void setDrawUnderline(bool draw);
  void drawRect(cg::Context& context, const ui::Rect& rect) override;

 private:
  bool drawUnderline_ = false;
};

// The chart's status line: a touch ending on it opens the status object's
// information on the chart screen.
class StatusBar : public ui::ImageView {
 public:
  using ui::ImageView::ImageView;
  std::string className() const override { return "StatusBar"; }
  void touchesBegan(const ui::TouchSet&, const ui::Event&) override {}
  void touchesMoved(const ui::TouchSet&, const ui::Event&) override {}
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet&, const ui::Event&) override {}
};

// On the zoom buttons: zooming runs on the chart screen while a finger is
// down. It never recognises anything itself.
class ZoomGestureRecognizer : public ui::GestureRecognizer {
 public:
  using ui::GestureRecognizer::GestureRecognizer;
  std::string className() const override { return "ZoomGestureRecognizer"; }
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;
};
