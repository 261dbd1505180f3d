#include "ui/settings/satellites_shown_page.h"

#include <algorithm>

#include "chart/sky_chart.h"
#include "ui/foundation/settings_model.h"
#include "ui/info/list_manager.h"
#include "ui/settings/chart_screen.h"

namespace {

constexpr int kCategories = 256;
// Section 0's list begins with two lists that are no group.
constexpr int kSkippedInFirstSection = 2;

std::vector<std::string> listTitles(int section) {
  return ListMgr::getTitlesOfListsForSection(section).value_or(std::vector<std::string>{});
}

// The title of the list a row shows; "" (no list) past the end.
std::string listTitleAt(ui::IndexPath path) {
  const std::vector<std::string> titles = listTitles(path.section);
  const int index = path.row + (path.section == 0 ? kSkippedInFirstSection : 0);
  return index >= 0 && index < int(titles.size()) ? titles[std::size_t(index)] : "";
}

}  // namespace

std::string satelliteGroupsText(const bool* shown) {
  const std::span<const int> types = ListMgr::getAllSatTypes();
  const int count = shown ? int(std::count_if(types.begin(), types.end(), [shown](int code) {
    return code >= 0 && code < kCategories && shown[code];
  }))
                          : 0;
  if (count == 0) return "No Groups";
  if (count == ListMgr::getNumSatTypes()) return "All Groups";
  if (count == 1) return "1 Group";
  return std::to_string(count) + " Groups";
}

SatellitesShownSettingsViewController::SatellitesShownSettingsViewController()
    : CheckedListPage("SatellitesShownView") {}

void SatellitesShownSettingsViewController::viewDidLoad() {
  CheckedListPage::viewDidLoad();
  setTitle("Satellites Shown");
  Settings* settings = currentSettings();
  satellitesShown = settings ? settings->satellitesShown() : nullptr;
}

void SatellitesShownSettingsViewController::viewWillDisappear(bool animated) {
  CheckedListPage::viewWillDisappear(animated);
  CSkyChart* chart = currentChart();
  if (chart && satellitesShown) {
    std::copy(satellitesShown, satellitesShown + kCategories, chart->satelliteCategories);
    chart->updateNeeded = true;
  }
  redrawChart();
}

int SatellitesShownSettingsViewController::numberOfRows(ui::TableView&, int section) {
  const int lists = int(listTitles(section).size());
  return section == 0 ? std::max(0, lists - kSkippedInFirstSection) : lists;
}

std::string SatellitesShownSettingsViewController::titleForHeader(ui::TableView&, int section) {
  return ListMgr::getTitleForSection(section);
}

std::string SatellitesShownSettingsViewController::rowText(ui::IndexPath path) { return listTitleAt(path); }

int SatellitesShownSettingsViewController::categoryAt(ui::IndexPath path) const {
  const int code = ListMgr::getSatelliteType(listTitleAt(path));
  return code >= 0 && code < kCategories ? code : -1;
}

bool SatellitesShownSettingsViewController::isChecked(ui::IndexPath path) {
  const int code = categoryAt(path);
  return satellitesShown && code >= 0 && satellitesShown[code];
}

void SatellitesShownSettingsViewController::toggle(ui::IndexPath path) {
  const int code = categoryAt(path);
  if (satellitesShown && code >= 0) satellitesShown[code] = !satellitesShown[code];
}

void SatellitesShownSettingsViewController::setAll(bool checked) {
  if (satellitesShown) std::fill(satellitesShown, satellitesShown + kCategories, checked);
}
