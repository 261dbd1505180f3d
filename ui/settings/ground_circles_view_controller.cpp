#include "ui/settings/ground_circles_view_controller.h"

#include <cstdio>

#include "chart/sky_chart.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/utility.h"
#include "ui/settings/chart_screen.h"
#include "ui/settings/ground_circle_fields.h"
#include "ui/settings/interface_screen.h"
#include "ui/settings/location_view_controller.h"
#include "ui/settings/settings_view_controller.h"

GroundCirclesViewController::GroundCirclesViewController() : SettingsSubviewController("GroundCirclesView") {}

bool GroundCirclesViewController::setValue(std::string_view key, const std::any& value) {
  if (key == "footerView") return takeOutlet(footerView, value);
  if (key == "editBtn") return takeOutlet(editBtn, value);
  if (key == "createButton") return takeOutlet(createButton, value);
  return SettingsSubviewController::setValue(key, value);
}

bool GroundCirclesViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "createTouched:") createTouched();
  else if (selector == "editTouched:") editTouched();
  else return SettingsSubviewController::performAction(selector, sender);
  return true;
}

void GroundCirclesViewController::viewDidLoad() {
  SettingsSubviewController::viewDidLoad();
  setTitle("Ground Circles");
  if (mainTable) mainTable->setEditing(false, false);
}

void GroundCirclesViewController::viewWillAppear(bool animated) {
  SettingsSubviewController::viewWillAppear(animated);
  if (mainTable) mainTable->reloadData();
}

unsigned GroundCirclesViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

int GroundCirclesViewController::numberOfRows(ui::TableView&, int) {
  const CSkyChart* chart = currentChart();
  return chart && chart->groundCircles ? chart->groundCircleCount : 0;
}

std::shared_ptr<ui::TableViewCell> GroundCirclesViewController::cellForRow(ui::TableView& table, ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<SVTableViewCell>(table.dequeueReusableCell("Cell"));
  if (!cell) cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::subtitle, "Cell");
  cell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  const CSkyChart* chart = currentChart();
  if (!chart || path.row < 0 || path.row >= numberOfRows(table, 0)) return cell;
  const Circle& circle = chart->groundCircles[path.row];
  cell->textLabel().setText(circleName(circle));
  cell->detailTextLabel()->setText(circleSummary(circle, chart->longitudeFormat, chart->latitudeFormat));
  return cell;
}

double GroundCirclesViewController::heightForFooter(ui::TableView&, int) {
  return footerView ? footerView->frame().height() : 0.01;
}

void GroundCirclesViewController::createTouched() {
  CSkyChart* chart = currentChart();
  if (chart == nullptr) return;
  Circle circle{};
  char name[64];
  std::snprintf(name, sizeof name, "Untitled-%d", chart->groundCircleCount + 1);
  setCircleName(circle, name);
  setCircleCentreDegrees(circle, 0, 0);
  circle.radius = 0;
  chart->insertGroundCircle(chart->groundCircleCount, circle);
  if (mainTable) mainTable->reloadData();
}

void GroundCirclesViewController::editTouched() {
  if (!mainTable) return;
  const bool editing = !mainTable->isEditing();
  mainTable->setEditing(editing, true);
  if (editBtn) editBtn->setTitle(editing ? "End Edit" : "Edit");
}

void GroundCirclesViewController::commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                                                     ui::IndexPath path) {
  CSkyChart* chart = currentChart();
  if (style != ui::TableViewCellEditingStyle::deleteStyle || !chart || !chart->deleteGroundCircle(path.row)) return;
  table.deleteRows({path}, ui::TableViewRowAnimation::fade);
  if (AppDelegate::runningOniPad())
    if (SettingsViewController* settingsScreen = currentSettingsScreen()) settingsScreen->updateTableAfterValueChange();
}

void GroundCirclesViewController::didSelectRow(ui::TableView& table, ui::IndexPath path) {
  CSkyChart* chart = currentChart();
  auto screen = std::make_shared<LocationViewController>();
  const bool exists = chart && path.row >= 0 && path.row < numberOfRows(table, 0);
  screen->setGroundCircle(exists ? &chart->groundCircles[path.row] : nullptr);
  if (ui::NavigationController* navigation = navigationController()) navigation->pushViewController(screen, true);
}
