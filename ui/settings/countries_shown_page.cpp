#include "ui/settings/countries_shown_page.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "chart/sky_chart.h"
#include "chart/world_borders.h"
#include "ui/settings/chart_screen.h"

namespace {
constexpr int kFlags = int(sizeof(CSkyChart::showCountryBorder) / sizeof(bool));
}  // namespace

CountriesShownSettingsViewController::CountriesShownSettingsViewController()
    : CheckedListPage("CountriesShownView") {}

void CountriesShownSettingsViewController::viewDidLoad() {
  CheckedListPage::viewDidLoad();
  setTitle("Countries Shown");
  pSkyChart = currentChart();
}

void CountriesShownSettingsViewController::viewWillDisappear(bool animated) {
  CheckedListPage::viewWillDisappear(animated);
  redrawChart();
}

int CountriesShownSettingsViewController::numberOfRows(ui::TableView&, int) { return getCountryCount(); }

std::string CountriesShownSettingsViewController::rowText(ui::IndexPath path) {
  const CountryRecord* country = getCountryRecord(path.row);
  if (country == nullptr) return "N/A";
  char text[96];
  std::snprintf(text, sizeof text, "%.32s (%.4s)", country->name, country->code);
  return text;
}

bool CountriesShownSettingsViewController::isChecked(ui::IndexPath path) {
  return pSkyChart && path.row >= 0 && path.row < kFlags && pSkyChart->showCountryBorder[path.row];
}

void CountriesShownSettingsViewController::toggle(ui::IndexPath path) {
  if (pSkyChart && path.row >= 0 && path.row < kFlags)
    pSkyChart->showCountryBorder[path.row] = !pSkyChart->showCountryBorder[path.row];
  redrawChart();
}

void CountriesShownSettingsViewController::setAll(bool checked) {
  if (pSkyChart) std::fill(std::begin(pSkyChart->showCountryBorder), std::end(pSkyChart->showCountryBorder), checked);
  redrawChart();
}
