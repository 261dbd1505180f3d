// The content view of the chart screen's toolbar strip: its subviews are
// the toolbar buttons (tags 1 and up, in display order) and one background
// view (tag -1). It colours itself for the theme and draws a line along
// its top edge.
//
// Thread rules: main thread only.
#pragma once

#include "platform/uikit/controls.h"
#include "platform/uikit/view.h"

class ChartViewToolbar : public ui::View {
 public:
  ChartViewToolbar();
  std::string className() const override { return "ChartViewToolbar"; }
  void adjustColorScheme();
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};

// A toolbar button: its image above its title, both centred; a title
// wider than a narrow button is set smaller, so neighbours never touch.
class ChartToolbarButton : public ui::Button {
 public:
  using ui::Button::Button;
  std::string className() const override { return "ChartToolbarButton"; }
  void layoutSubviews() override;
  void drawRect(cg::Context& context, const ui::Rect& rect) override;

 private:
  void fitTitle(double width);
  ui::FontPointer designedFont_;  // the title's font as the screen set it
};

// Registers the chart screen's own classes ("ChartView",
// "ChartViewToolbar", "ChartToolbarButton", "SelectableTimeLabel") for screen definitions; safe
// to call again.
void registerChartScreenClasses();
