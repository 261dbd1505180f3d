// The two rows the settings pages build their tables from: a row with an
// on/off switch as its accessory, and a row with a check mark.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "ui/foundation/sv_controls.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/utility.h"

class SwitchedTableViewCell : public SVTableViewCell, public SwitchedCell {
 public:
  // A cell of the style with reuse identifier "", the text on at most two
  // wrapped lines, a switch set to `state` as its accessory and no
  // selection style. The caller adds the switch's target.
  static std::shared_ptr<SwitchedTableViewCell> cellWithText(
      std::string text, bool state, ui::TableViewCellStyle style = ui::TableViewCellStyle::defaultStyle);
  explicit SwitchedTableViewCell(ui::TableViewCellStyle style);
  std::string className() const override { return "SwitchedTableViewCell"; }

  ui::Switch* onOffSwitch() const override { return onOffSwitch_.get(); }
  bool enabled() const { return enabled_; }
  // The cell's views and its switch together.
  void setEnabled(bool enabled);

 private:
  std::shared_ptr<SVSwitch> onOffSwitch_;
  bool enabled_ = true;
};

// A switched cell of the default style whose switch sends `action` to
// `target` on every change.
std::shared_ptr<SwitchedTableViewCell> makeSwitchedCell(std::string text, bool state, ui::Object* target,
                                                        std::string action);

class CheckedTableViewCell : public SVTableViewCell {
 public:
  // Default style, reuse identifier "", no selection style.
  static std::shared_ptr<CheckedTableViewCell> cellWithText(std::string text, bool checked);
  CheckedTableViewCell();
  std::string className() const override { return "CheckedTableViewCell"; }
  bool checked() const { return checked_; }
  // The check mark follows; nothing happens when the value is unchanged.
  void setChecked(bool checked);

 private:
  bool checked_ = false;
};
