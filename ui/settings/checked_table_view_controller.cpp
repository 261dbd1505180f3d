#include "ui/settings/checked_table_view_controller.h"

#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"
#include "ui/settings/interface_screen.h"
#include "ui/settings/settings_cells.h"

CheckedTableViewController::CheckedTableViewController(std::string interfaceName)
    : SettingsSubviewController(std::move(interfaceName)) {}

bool CheckedTableViewController::setValue(std::string_view key, const std::any& value) {
  if (key == "footerView") return takeOutlet(footerView, value);
  return SettingsSubviewController::setValue(key, value);
}

void CheckedTableViewController::viewDidLoad() {
  SettingsSubviewController::viewDidLoad();
  if (AppDelegate::appTheme() != 1) Utility::setUILabelsOf(footerView.get(), SVTableViewCell::textColor());
}

void CheckedTableViewController::viewWillAppear(bool animated) {
  SettingsSubviewController::viewWillAppear(animated);
  if (noDoneBtn) navigationItem().rightBarButtonItem.reset();
}

void CheckedTableViewController::viewDidAppear(bool animated) {
  SettingsSubviewController::viewDidAppear(animated);
  if (!mainTable || selectedIndexPath.row < 0) return;
  mainTable->layoutIfNeeded();  // the rows exist before the scroll
  mainTable->scrollToRow(selectedIndexPath, ui::TableViewScrollPosition::middle, true);
}

std::shared_ptr<ui::TableViewCell> CheckedTableViewController::cellForRow(ui::TableView& table, ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<CheckedTableViewCell>(table.dequeueReusableCell("Cell"));
  if (!cell) cell = CheckedTableViewCell::cellWithText("", false);
  cell->setChecked(path == selectedIndexPath);
  if (path.row >= 0 && path.row < int(tableItems.size())) cell->textLabel().setText(tableItems[std::size_t(path.row)]);
  cell->selectionStyle = ui::TableViewCellSelectionStyle::none;
  return cell;
}

double CheckedTableViewController::heightForFooter(ui::TableView&, int) {
  return footerView ? footerView->frame().height() : 0.01;
}

void CheckedTableViewController::didSelectRow(ui::TableView& table, ui::IndexPath path) {
  selectedIndexPath = path;
  table.reloadData();
  if (checkedTableDelegate) checkedTableDelegate->itemPicked(path, table);
  if (!autoBack) return;
  if (ui::NavigationController* navigation = navigationController()) navigation->popViewController(true);
}
