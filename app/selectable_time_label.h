// The date and time of the chart screen's time-flow panel, in one
// right-aligned label whose digit groups are tap targets: tapping the
// year, month or day, or the tens or units digit of the hours, minutes or
// seconds, chooses the time-flow unit of that place, and the chosen
// group is underlined.
//
// The label finds its groups by measuring its own text, knowing the order
// of year, month and day from the chart's date format. A group it cannot
// place (a date format it does not know, an era token such as "BC", a
// short text) is not located: it has no underline and takes no tap.
//
// Thread rules: main thread only.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/uikit/controls.h"
#include "ui/foundation/shell.h"

class SelectableTimeLabel : public ui::Label, public TimeFlowUnitLabel {
 public:
  SelectableTimeLabel();
  explicit SelectableTimeLabel(const ui::Rect& frame);
  std::string className() const override { return "SelectableTimeLabel"; }
  // Makes the class known to screen definitions.
  static void registerInterfaceClass();

  // Screen definitions may name any alignment: the label stays right
  // aligned, which is what its groups are measured for.
  bool setValue(std::string_view key, const std::any& value) override;
  // The text, then the groups are located again.
  void setText(std::string text) override;
  int selectedTimeUnit() const { return selectedTimeUnit_; }
  void setSelectedTimeUnit(int unit) override;
  bool drawUnderline() const { return drawUnderline_; }
  void setDrawUnderline(bool on);
  // Not owned; a controller that goes away leaves the label without one.
  std::shared_ptr<ChartViewController> chartViewController() const { return controller_.lock(); }
  void setChartViewController(const std::shared_ptr<ChartViewController>& controller) { controller_ = controller; }

  // Where a group lies, in points from the label's left edge; start -1
  // when it is not located.
  struct Group {
    double start = -1;
    double width = 0;
    bool located() const { return start >= 0; }
  };
  // The group of a time-flow unit code (0-5, 30, 40, 50); not located for
  // any other code.
  Group groupForUnit(int unit) const;

  void drawRect(cg::Context& context, const ui::Rect& rect) override;
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;

  // Finds `group` in `text` after the byte range [afterLocation,
  // afterLocation + afterLength) and measures it for right-aligned text in
  // a label `boundsWidth` wide: its start is that width less the width of
  // the text from the group on. Returns the group's byte position (npos
  // when not found, leaving the group as it was).
  static std::size_t findLocation(std::string_view text, std::string_view group, const ui::Font& font,
                                  double boundsWidth, std::size_t afterLocation, std::size_t afterLength,
                                  Group& out);

 private:
  void locateGroups();
  // The place of a unit's group in groups_: units 0-5 at their code, 30,
  // 40 and 50 (the tens digits) at 6, 7 and 8; -1 for other codes.
  static int slotOf(int unit);

  std::weak_ptr<ChartViewController> controller_;
  int selectedTimeUnit_ = 0;
  bool drawUnderline_ = false;
  std::array<Group, 9> groups_;
};
