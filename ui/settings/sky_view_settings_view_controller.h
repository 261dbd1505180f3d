// SkyViewSettingsViewController: the "Sky View" page: horizon, daylight,
// constellations, the alt-azimuth grid, names, the selected-satellite
// filter, and the satellite magnitude limit, set on a live slider page
// over the chart.
//
// Thread rules: main thread only.
#pragma once

#include <memory>

#include "ui/settings/live_adjust_view_controller.h"
#include "ui/settings/settings_cells.h"
#include "ui/settings/settings_subview_controller.h"

class SkyViewSettingsViewController : public SettingsSubviewController {
 public:
  SkyViewSettingsViewController();
  std::string className() const override { return "SkyViewSettingsViewController"; }
  bool performAction(std::string_view selector, ui::Object* sender) override;

  std::shared_ptr<SwitchedTableViewCell> realisticHorizonCell, showDaylightCell, showConstellationsCell, showGridCell,
      showSatelliteNamesCell, showStarNamesCell, showPlanetNamesCell, showSelectedOnlySkyCell;
  std::shared_ptr<SVTableViewCell> planetMagnitudeLimitCell;
  std::shared_ptr<LiveAdjustViewController> liveAdjustViewController;
  bool initialized = false;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  // Realistic horizon, daylight, names and the filter: drawn at once in
  // the sky perspective only.
  void onOffToggled(ui::Object* sender);
  // The chart's constellation flag and the setting; drawn at once.
  void constellationsToggled(ui::Object* sender);
  // The horizon grid; drawn at once.
  void showGridToggled(ui::Object* sender);
  // The slider's action: the label, the settings screen's summary, and
  // with a sender the limit itself.
  void planetMagChanged(ui::Object* sender);
  void openMagnitudeSlider();

  int numberOfRows(ui::TableView&, int) override { return 9; }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath path) override;
  void didSelectRow(ui::TableView& table, ui::IndexPath path) override;
};
