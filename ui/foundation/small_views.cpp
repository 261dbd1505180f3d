#include "ui/foundation/small_views.h"

#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"

// ---- BottomControlView -----------------------------------------------------------

BottomControlView::BottomControlView(const ui::Rect& frame) : OpaqueToTouchView(frame) {
  setBackgroundColor(ui::Color::clear());
}

BottomControlView::BottomControlView(Decoded, const ui::Rect& frame) : BottomControlView(frame) {
  hideBottomEdge = true;
  drawBackground = true;
}

bool BottomControlView::setValue(std::string_view key, const std::any& value) {
  if (auto* flag = std::any_cast<bool>(&value)) {
    if (key == "hideBottomEdge") return hideBottomEdge = *flag, setNeedsDisplay(), true;
    if (key == "drawBackground") return drawBackground = *flag, setNeedsDisplay(), true;
  }
  if (auto* number = std::any_cast<double>(&value); number && key == "cornerRadius")
    return cornerRadius = *number, setNeedsDisplay(), true;
  if (auto* color = std::any_cast<ui::Color>(&value); color && key == "backgroundFillColor")
    return backgroundFillColor = *color, setNeedsDisplay(), true;
  return OpaqueToTouchView::setValue(key, value);
}

void BottomControlView::drawRect(cg::Context& context, const ui::Rect&) {
  const ui::Color tint = AppDelegate::defaultTintColor();
  context.setLineWidth(1);
  context.setStrokeColor(tint.withAlpha(0.7).cg());
  ui::Rect box = bounds().insetBy(1, 1);
  // Only the top corners show: the lower ones lie below the view.
  if (hideBottomEdge) box.size.height += 20;
  if (backgroundFillColor) {
    context.setFillColor(backgroundFillColor->cg());
    Utility::addRoundRect(context, box, cornerRadius);
    context.fillPath();
  }
  if (drawBackground) {
    context.setFillColor({0, 0, 0, 0.9});
    Utility::addRoundRect(context, box, cornerRadius);
    context.fillPath();
    context.setFillColor(tint.withAlpha(0.2).cg());
    Utility::addRoundRect(context, box, cornerRadius);
    context.fillPath();
  }
  Utility::addRoundRect(context, box, cornerRadius);
  context.strokePath();
}

// ---- BorderedView, MessageView ---------------------------------------------------

BorderedView::BorderedView(const ui::Rect& frame) : ui::View(frame) {
  setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
  setBackgroundColor(ui::Color::clear());
  setUserInteractionEnabled(false);
}

void BorderedView::drawRect(cg::Context& context, const ui::Rect&) {
  context.setLineWidth(1);
  context.setStrokeColor(AppDelegate::defaultTintColor().withAlpha(0.7).cg());
  Utility::addRoundRect(context, bounds().insetBy(1, 1), cornerRadius);
  context.strokePath();
}

void MessageView::drawRect(cg::Context& context, const ui::Rect&) {
  context.setLineWidth(2);
  context.setStrokeColor((AppDelegate::isNightVision() ? ui::Color::red() : AppDelegate::defaultTintColor()).cg());
  const ui::Rect b = bounds();
  if (b.width() > 0 && b.height() > 0) context.strokeRect(b);
}

// ---- UnderlinedButton ------------------------------------------------------------

bool UnderlinedButton::setValue(std::string_view key, const std::any& value) {
  if (auto* flag = std::any_cast<bool>(&value); flag && key == "drawUnderline") return setDrawUnderline(*flag), true;
  return ui::Button::setValue(key, value);
}

void UnderlinedButton::setDrawUnderline(bool draw) {
  drawUnderline_ = draw;
  setNeedsDisplay();
}

void UnderlinedButton::drawRect(cg::Context& context, const ui::Rect& rect) {
  ui::Button::drawRect(context, rect);
  if (!drawUnderline_) return;
  const ui::Rect line{30, frame().height() - 5, bounds().width() - 60, 2};
  if (!(line.width() > 0)) return;  // a button narrower than its margins has no underline
  context.setFillColor(AppDelegate::defaultTintColor().cg());
  context.fillRect(line);
}

// ---- StatusBar, ZoomGestureRecognizer --------------------------------------------

void StatusBar::touchesEnded(const ui::TouchSet&, const ui::Event&) {
  if (ChartViewController* controller = ChartViewController::currentController()) controller->showStatusObjectInfo();
}

void ZoomGestureRecognizer::touchesBegan(const ui::TouchSet&, const ui::Event&) {
  if (ChartViewController* controller = ChartViewController::currentController()) controller->startZoom(view());
}

void ZoomGestureRecognizer::touchesEnded(const ui::TouchSet&, const ui::Event&) {
  if (ChartViewController* controller = ChartViewController::currentController()) controller->stopZoom(view());
}

void ZoomGestureRecognizer::touchesCancelled(const ui::TouchSet&, const ui::Event&) {
  if (ChartViewController* controller = ChartViewController::currentController()) controller->stopZoom(view());
}
