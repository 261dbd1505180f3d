// CountriesShownSettingsViewController: the "Countries Shown" page, one
// row per country of the world-borders table, editing the chart's own
// country-border flags directly (the chart draws a change at once).
//
// Thread rules: main thread only.
#pragma once

#include "ui/settings/checked_list_page.h"

class CSkyChart;

class CountriesShownSettingsViewController : public CheckedListPage {
 public:
  CountriesShownSettingsViewController();
  std::string className() const override { return "CountriesShownSettingsViewController"; }

  CSkyChart* pSkyChart = nullptr;  // not owned; taken when the view loads

  void viewDidLoad() override;
  void viewWillDisappear(bool animated) override;
  int numberOfRows(ui::TableView&, int) override;
  std::string titleForHeader(ui::TableView&, int) override { return "Countries"; }

 protected:
  std::string rowText(ui::IndexPath path) override;
  // Rows from 256 on have no flag: always clear, taps ignored.
  bool isChecked(ui::IndexPath path) override;
  void toggle(ui::IndexPath path) override;
  void setAll(bool checked) override;
};
