// SettingsViewController: the root of the settings pages, a grouped table
// of the global settings, the views' settings and the list, pass and alert
// settings, with a factory-reset panel and an orbit-data panel below. A
// switch row writes its setting at once; a value row shows the setting and
// opens its page. Done saves the settings and closes the visit.
//
// Thread rules: main thread only. The orbit-data update reports on the
// main thread; this screen is its delegate only while it is shown.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/controls.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_view_controller.h"
#include "ui/settings/checked_table_view_controller.h"
#include "ui/settings/settings_cells.h"

class CustomSplitViewController;

class SettingsViewController : public SVViewController,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate,
                               public CheckedTableDelegate,
                               public ElementsDownloaderDelegate {
 public:
  SettingsViewController();
  ~SettingsViewController() override;
  std::string className() const override { return "SettingsViewController"; }
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;

  // Outlets.
  std::shared_ptr<ui::View> revertToDefaultsView, updateOrbitDataView;
  std::shared_ptr<ui::Button> updateOrbitDataBtn;
  std::shared_ptr<ui::Label> lastUpdateLabel;
  // Set while the screen is the container's master column.
  CustomSplitViewController* splitViewController = nullptr;  // not owned

  std::shared_ptr<SwitchedTableViewCell> tiltToUseCompassCell, autoVRCell, voiceControlCell, soundEffectsCell,
      showSelectedOrbitCell, showSatVisCirclesCell, showNightCityLightsCell, showUserLocationCell,
      sortListsByPassTimesCell, showVisiblePassesCell;
  std::shared_ptr<SVTableViewCell> minutesBeforeCell, scheduledAlertsCell;

  const std::vector<std::string> viewSettingsList{"Sky View", "Orbit View", "Satellite View", "Ground View"};
  const std::vector<std::string> warningTimes{"0", "1", "2", "5", "10", "15", "60", "120"};
  const std::vector<std::string> warningTimeStrings{"None",       "1 minute",   "2 minutes", "5 minutes",
                                                    "10 minutes", "15 minutes", "1 hour",    "2 hours"};
  // The last row opened that is not a switch row.
  int lastSelectedSection = 0, lastSelectedRow = 0;

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  unsigned supportedInterfaceOrientations() const override;

  // Saves the settings, then closes the visit.
  void doneTouched(ui::Object* sender);
  void dismiss();
  // Reloads the table keeping its selection (pages call it after changing
  // a value this table summarises).
  void updateTableAfterValueChange();
  void itemPicked(ui::IndexPath picked, ui::TableView& table) override;
  void downloadFinished(const UpdateResults& results) override;
  void updateOrbitData();
  void revertToDefaultSettings();
  void updateLastUpdateLabel();
  void onOffToggled(ui::Object* sender);
  // The index of the minutes in warningTimes; 0 when they are not there.
  int warningIndexForTime(int minutes) const;
  void configureSelectedBackground(ui::TableViewCell& cell) const;

  // The table.
  int numberOfSections(ui::TableView&) override { return 5; }
  int numberOfRows(ui::TableView&, int section) override;
  std::string titleForHeader(ui::TableView&, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath path) override;
  double heightForHeader(ui::TableView&, int section) override;
  double heightForFooter(ui::TableView&, int section) override;
  std::shared_ptr<ui::View> viewForFooter(ui::TableView&, int section) override;
  void willDisplayHeaderView(ui::TableView&, ui::View& header, int section) override;
  bool willSelectRow(ui::TableView&, ui::IndexPath path) override;
  void didSelectRow(ui::TableView& table, ui::IndexPath path) override;

 private:
  std::shared_ptr<SwitchedTableViewCell> switchCell(std::string text, bool state);
  std::shared_ptr<ui::TableViewCell> pageCell(ui::TableView& table, ui::IndexPath path);
  std::shared_ptr<ui::TableViewCell> valueCell(ui::IndexPath path);
  SwitchedTableViewCell* switchedCellAt(ui::IndexPath path) const;
  // The page a row opens, or null for a row that opens none.
  std::shared_ptr<ui::ViewController> makePage(ui::IndexPath path);
  void showPage(std::shared_ptr<ui::ViewController> page);
  bool downloaderDelegateSet_ = false;
};
