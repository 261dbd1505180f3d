#include "ui/settings/checked_list_page.h"

#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"
#include "ui/settings/chart_screen.h"
#include "ui/settings/interface_screen.h"
#include "ui/settings/settings_view_controller.h"

namespace {

constexpr double kTitledHeaderHeight = 36;

ui::ImagePointer checkImage(bool checked) {
  if (!checked) return Utility::imageNamed("NotChecked", "png");
  ui::ImagePointer image = Utility::imageNamed("Checkmark", "png");
  return AppDelegate::isNightVision() ? tintedImageUsingColor(image, ui::Color::red()) : image;
}

}  // namespace

bool CheckedListPage::setValue(std::string_view key, const std::any& value) {
  if (key == "headerView") return takeOutlet(headerView, value);
  if (key == "selectAllBtn") return takeOutlet(selectAllBtn, value);
  if (key == "selectNoneBtn") return takeOutlet(selectNoneBtn, value);
  return SettingsSubviewController::setValue(key, value);
}

bool CheckedListPage::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "selectAll:") selectAll(sender);
  else if (selector == "selectNone:") selectNone(sender);
  else return SettingsSubviewController::performAction(selector, sender);
  return true;
}

void CheckedListPage::viewDidLoad() {
  SettingsSubviewController::viewDidLoad();
  if (headerView) headerView->setBackgroundColor(SVTableViewCell::backgroundColor());
}

void CheckedListPage::selectAll(ui::Object*) {
  setAll(true);
  itemsChanged();
}

void CheckedListPage::selectNone(ui::Object*) {
  setAll(false);
  itemsChanged();
}

std::shared_ptr<ui::TableViewCell> CheckedListPage::cellForRow(ui::TableView& table, ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<SVTableViewCell>(table.dequeueReusableCell("ListsCell"));
  if (!cell) cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::subtitle, "ListsCell");
  cell->selectionStyle = ui::TableViewCellSelectionStyle::none;
  cell->textLabel().setText(rowText(path));
  cell->imageView().setImage(checkImage(isChecked(path)));
  return cell;
}

double CheckedListPage::heightForHeader(ui::TableView& table, int section) {
  return titleForHeader(table, section).empty() ? 0 : kTitledHeaderHeight;
}

void CheckedListPage::didSelectRow(ui::TableView&, ui::IndexPath path) {
  toggle(path);
  itemsChanged();
}

void CheckedListPage::itemsChanged() {
  if (mainTable) mainTable->reloadData();
  if (!AppDelegate::runningOniPad()) return;
  if (SettingsViewController* settingsScreen = currentSettingsScreen()) settingsScreen->updateTableAfterValueChange();
}
