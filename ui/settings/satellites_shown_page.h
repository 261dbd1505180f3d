// SatellitesShownSettingsViewController: the "Satellites Shown" page, one
// row per satellite group of the list manager's sections. It edits the
// settings model's flags and hands them to the chart only when the page
// closes; until then the chart keeps drawing the old choice.
//
// Thread rules: main thread only.
#pragma once

#include "ui/settings/checked_list_page.h"

class SatellitesShownSettingsViewController : public CheckedListPage {
 public:
  SatellitesShownSettingsViewController();
  std::string className() const override { return "SatellitesShownSettingsViewController"; }

  // The settings model's 256 flags by category code (not owned).
  bool* satellitesShown = nullptr;

  void viewDidLoad() override;
  // The flags go to the chart, which recomputes every position.
  void viewWillDisappear(bool animated) override;
  int numberOfSections(ui::TableView&) override { return 6; }
  int numberOfRows(ui::TableView&, int section) override;
  std::string titleForHeader(ui::TableView&, int section) override;

 protected:
  std::string rowText(ui::IndexPath path) override;
  // A title without a category code is clear and ignores taps.
  bool isChecked(ui::IndexPath path) override;
  void toggle(ui::IndexPath path) override;
  void setAll(bool checked) override;

 private:
  // The category code of a row, or -1.
  int categoryAt(ui::IndexPath path) const;
};

// "No Groups", "All Groups", "1 Group" or "%d Groups": how many of the
// list manager's satellite groups have their flag set.
std::string satelliteGroupsText(const bool* shown);
