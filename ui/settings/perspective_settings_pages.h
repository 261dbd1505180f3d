// The "Orbit View", "Satellite View" and "Ground View" pages: one family
// of switch pages, each writing the display options its perspective keeps
// for itself and redrawing the chart at once while that perspective is
// shown.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/settings/settings_cells.h"
#include "ui/settings/settings_subview_controller.h"

class Settings;

class PerspectiveSettingsPage : public SettingsSubviewController {
 public:
  struct Row {
    const char* text;
    bool (Settings::*get)() const;
    void (Settings::*set)(bool);
  };
  PerspectiveSettingsPage(std::string interfaceName, int perspective, std::vector<Row> rows);
  bool performAction(std::string_view selector, ui::Object* sender) override;

  int perspective() const { return perspective_; }
  // One switched cell per row, made when the view loads.
  const std::vector<std::shared_ptr<SwitchedTableViewCell>>& cells() const { return cells_; }

  void viewDidLoad() override;
  // Writes the setting of the first row whose switch sent it, then draws
  // when the page's perspective is shown.
  void onOffToggled(ui::Object* sender);

  int numberOfRows(ui::TableView&, int) override { return int(rows_.size()); }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath path) override;

 private:
  int perspective_;
  std::vector<Row> rows_;
  std::vector<std::shared_ptr<SwitchedTableViewCell>> cells_;
};

class OrbitViewSettingsViewController : public PerspectiveSettingsPage {
 public:
  OrbitViewSettingsViewController();
  std::string className() const override { return "OrbitViewSettingsViewController"; }
};

class SatelliteViewSettingsViewController : public PerspectiveSettingsPage {
 public:
  SatelliteViewSettingsViewController();
  std::string className() const override { return "SatelliteViewSettingsViewController"; }
};

class GroundViewSettingsViewController : public PerspectiveSettingsPage {
 public:
  GroundViewSettingsViewController();
  std::string className() const override { return "GroundViewSettingsViewController"; }
};
