#include "ui/settings/settings_cells.h"

std::shared_ptr<SwitchedTableViewCell> SwitchedTableViewCell::cellWithText(std::string text, bool state,
                                                                           ui::TableViewCellStyle style) {
  auto cell = std::make_shared<SwitchedTableViewCell>(style);
  cell->textLabel().setText(std::move(text));
  cell->textLabel().setNumberOfLines(2);
  cell->textLabel().setLineBreakMode(ui::LineBreakMode::wordWrap);
  cell->onOffSwitch_->setOn(state);
  cell->setEnabled(true);
  cell->selectionStyle = ui::TableViewCellSelectionStyle::none;
  return cell;
}

std::shared_ptr<SwitchedTableViewCell> makeSwitchedCell(std::string text, bool state, ui::Object* target,
                                                        std::string action) {
  auto cell = SwitchedTableViewCell::cellWithText(std::move(text), state);
  cell->onOffSwitch()->addTarget(target, std::move(action), ui::kControlEventValueChanged);
  return cell;
}

SwitchedTableViewCell::SwitchedTableViewCell(ui::TableViewCellStyle style)
    : SVTableViewCell(style, ""), onOffSwitch_(std::make_shared<SVSwitch>(ui::Rect{})) {
  setAccessoryView(onOffSwitch_);
}

void SwitchedTableViewCell::setEnabled(bool enabled) {
  enabled_ = enabled;
  Utility::setSubviewsOf(this, enabled);
  onOffSwitch_->setEnabled(enabled);
}

std::shared_ptr<CheckedTableViewCell> CheckedTableViewCell::cellWithText(std::string text, bool checked) {
  auto cell = std::make_shared<CheckedTableViewCell>();
  cell->textLabel().setText(std::move(text));
  cell->selectionStyle = ui::TableViewCellSelectionStyle::none;
  cell->setChecked(checked);
  return cell;
}

CheckedTableViewCell::CheckedTableViewCell() : SVTableViewCell(ui::TableViewCellStyle::defaultStyle, "") {}

void CheckedTableViewCell::setChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  setAccessoryType(checked ? ui::TableViewCellAccessory::checkmark : ui::TableViewCellAccessory::none);
}
