#include "ui/settings/settings_view_controller.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "chart/sky_chart.h"
#include "platform/devices/local_notifications.h"
#include "platform/devices/location.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/utility.h"
#include "ui/settings/alerts_view_controller.h"
#include "ui/settings/chart_screen.h"
#include "ui/settings/countries_shown_page.h"
#include "ui/settings/custom_split_view_controller.h"
#include "ui/settings/interface_screen.h"
#include "ui/settings/location_view_controller.h"
#include "ui/settings/perspective_settings_pages.h"
#include "ui/settings/satellites_shown_page.h"
#include "ui/settings/settings_texts.h"
#include "ui/settings/sky_view_settings_view_controller.h"

namespace {

// The sections' titles and row counts.
constexpr int kRows[5] = {7, 8, 4, 0, 0};
const char* const kTitles[5] = {"Global Settings", "View Settings", "Lists, Passes & Alerts", "", ""};
constexpr double kThinHeight = 0.01;

}  // namespace

SettingsViewController::SettingsViewController() = default;

SettingsViewController::~SettingsViewController() {
  if (downloaderDelegateSet_) ElementsDownloader::setElementsDownloaderDelegate(nullptr);
}

bool SettingsViewController::setValue(std::string_view key, const std::any& value) {
  if (key == "revertToDefaultsView") return takeOutlet(revertToDefaultsView, value);
  if (key == "updateOrbitDataView") return takeOutlet(updateOrbitDataView, value);
  if (key == "updateOrbitDataBtn") return takeOutlet(updateOrbitDataBtn, value);
  if (key == "lastUpdateLabel") return takeOutlet(lastUpdateLabel, value);
  return SVViewController::setValue(key, value);
}

bool SettingsViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "doneTouched:") doneTouched(sender);
  else if (selector == "onOffToggled:") onOffToggled(sender);
  else if (selector == "updateOrbitData:") updateOrbitData();
  else if (selector == "revertToDefaultSettings:") revertToDefaultSettings();
  else return SVViewController::performAction(selector, sender);
  return true;
}

void SettingsViewController::loadView() { loadViewFromInterface(*this, "SettingsView"); }

std::shared_ptr<SwitchedTableViewCell> SettingsViewController::switchCell(std::string text, bool state) {
  return makeSwitchedCell(std::move(text), state, this, "onOffToggled:");
}

void SettingsViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  setTitle("Settings");
  // Ours from the start, so the first page shown already offers the way out
  // (a presenter that sets its own later only replaces it).
  navigationItem().rightBarButtonItem =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, this, "doneTouched:");
  Settings* settings = currentSettings();
  auto is = [settings](bool (Settings::*get)() const) { return settings && (settings->*get)(); };

  const bool heading = dev::LocationManager::headingAvailable();
  tiltToUseCompassCell = switchCell("Tilt for Augmented Reality", heading && is(&Settings::tiltToUseCompass));
  Utility::setCell(tiltToUseCompassCell.get(), heading);
  const bool tablet = AppDelegate::runningOniPad();
  autoVRCell = switchCell("Virtual Reality in Landscape", !tablet && is(&Settings::autoVR));
  if (tablet) Utility::setCell(autoVRCell.get(), false);
  voiceControlCell = switchCell("  with Voice Control", is(&Settings::voiceControl));
  voiceControlCell->setEnabled(autoVRCell->onOffSwitch()->isOn());
  soundEffectsCell = switchCell("Sound Effects", is(&Settings::soundEffects));
  showSelectedOrbitCell = switchCell("Show Selected Satellite Orbit", is(&Settings::showSelectedOrbit));
  showSatVisCirclesCell = switchCell("Show Satellite Visibility Circle", settings && settings->showSatVisCircles() != 0);
  showNightCityLightsCell = switchCell("Show City Lights at Night", is(&Settings::showNightCityLights));
  showUserLocationCell = switchCell("Show Your Location", is(&Settings::showUserLocation));
  sortListsByPassTimesCell =
      switchCell("Sort Lists by Pass Time", settings && settings->sortListBy() == "SortListByPassTime");
  showVisiblePassesCell = switchCell("Visible Passes Only", is(&Settings::showVisiblePassesOnly));
  minutesBeforeCell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::value1, "");
  minutesBeforeCell->textLabel().setText("Alert Warning Time");
  scheduledAlertsCell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::value1, "");
  scheduledAlertsCell->textLabel().setText("Scheduled Alerts");
  if (!tablet) {
    minutesBeforeCell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
    scheduledAlertsCell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  }

  if (lastUpdateLabel) {
    if (AppDelegate::appTheme() == 2) lastUpdateLabel->setTextColor(ui::Color::lightGray());
    if (AppDelegate::appTheme() == 3) lastUpdateLabel->setTextColor(ui::Color::red());
  }
}

void SettingsViewController::viewWillAppear(bool animated) {
  SVViewController::viewWillAppear(animated);
  if (mainTable) {
    mainTable->reloadData();
    if (splitViewController) {
      Settings* settings = currentSettings();
      int section = settings ? settings->selectedSettingsSection() : 0;
      int row = settings ? settings->selectedSettingsRow() : 1;
      // A remembered row that does not exist (a negative one included)
      // opens the satellites page.
      if (section < 0 || section >= numberOfSections(*mainTable) || row < 0 ||
          row >= numberOfRows(*mainTable, section)) {
        section = 0;
        row = 1;
      }
      mainTable->selectRow(ui::IndexPath{section, row}, false, ui::TableViewScrollPosition::none);
      didSelectRow(*mainTable, {section, row});
    } else {
      if (auto selected = mainTable->indexPathForSelectedRow()) mainTable->deselectRow(*selected, true);
    }
  }
  if (updateOrbitDataBtn) updateOrbitDataBtn->setEnabled(!ElementsDownloader::updatingOrbitData());
  updateLastUpdateLabel();
  ElementsDownloader::setElementsDownloaderDelegate(this);
  downloaderDelegateSet_ = true;
}

void SettingsViewController::viewWillDisappear(bool animated) {
  SVViewController::viewWillDisappear(animated);
  ElementsDownloader::setElementsDownloaderDelegate(nullptr);
  downloaderDelegateSet_ = false;
}

unsigned SettingsViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

void SettingsViewController::doneTouched(ui::Object*) {
  if (Settings* settings = currentSettings()) settings->saveToDefaults();
  dismiss();
}

void SettingsViewController::dismiss() {
  if (AppDelegate::runningOniPad()) {
    if (ChartViewController* chartScreen = ChartViewController::currentController())
      chartScreen->dismissViewController(true);
  } else {
    dismissViewController(true);
  }
}

void SettingsViewController::updateTableAfterValueChange() {
  if (!mainTable) return;
  const auto selected = mainTable->indexPathForSelectedRow();
  mainTable->reloadData();
  if (selected) mainTable->selectRow(*selected, false, ui::TableViewScrollPosition::none);
}

void SettingsViewController::itemPicked(ui::IndexPath picked, ui::TableView&) {
  if (lastSelectedSection == 2 && lastSelectedRow == 2 && picked.row >= 0 && picked.row < int(warningTimes.size()))
    if (Settings* settings = currentSettings()) settings->setWarningTime(std::stoi(warningTimes[std::size_t(picked.row)]));
  redrawChart();
  updateTableAfterValueChange();
}

void SettingsViewController::downloadFinished(const UpdateResults&) {
  if (updateOrbitDataBtn) updateOrbitDataBtn->setEnabled(true);
  updateLastUpdateLabel();
}

void SettingsViewController::updateOrbitData() {
  if (updateOrbitDataBtn) updateOrbitDataBtn->setEnabled(false);
  // The button waits for the update's report; when nothing started and
  // nothing runs, no report will come.
  if (!ElementsDownloader::doUpdateOrbitData(true) && !ElementsDownloader::updatingOrbitData() && updateOrbitDataBtn)
    updateOrbitDataBtn->setEnabled(true);
}

void SettingsViewController::revertToDefaultSettings() {
  auto alert = Utility::makeAlertWithTitle("Revert To Factory Defaults", "Revert chart settings to their factory defaults?");
  Utility::addCancelAlertAction("Cancel", *alert, [this] {
    if (!mainTable) return;
    if (auto selected = mainTable->indexPathForSelectedRow()) mainTable->deselectRow(*selected, true);
  });
  Utility::addAlertAction("Revert", *alert, [this] {
    std::error_code ignored;
    std::filesystem::remove(Settings::defaultsPath(), ignored);
    if (Settings* settings = currentSettings()) settings->readFromDefaults();
    dismiss();
  });
  Utility::showAlert(alert);
}

void SettingsViewController::updateLastUpdateLabel() {
  if (!lastUpdateLabel) return;
  lastUpdateLabel->setText(lastUpdateText(ns::UserDefaults::standard().doubleForKey(ElementsDownloader::kLastUpdateTimeKey), currentChart()));
}

void SettingsViewController::onOffToggled(ui::Object* sender) {
  Settings* settings = currentSettings();
  if (settings == nullptr || sender == nullptr) return;
  auto is = [sender](const std::shared_ptr<SwitchedTableViewCell>& cell) { return cell && cell->onOffSwitch() == sender; };
  // The state is read from the matched cell's own switch: a sender that is
  // none of them may be of any class.
  const std::shared_ptr<SwitchedTableViewCell>* cells[] = {
      &sortListsByPassTimesCell, &showVisiblePassesCell, &tiltToUseCompassCell,    &autoVRCell,
      &voiceControlCell,         &soundEffectsCell,      &showNightCityLightsCell, &showSelectedOrbitCell,
      &showSatVisCirclesCell,    &showUserLocationCell};
  const auto matched = std::find_if(std::begin(cells), std::end(cells), [&](auto* cell) { return is(*cell); });
  if (matched == std::end(cells)) return;
  const bool on = (**matched)->onOffSwitch()->isOn();
  if (is(sortListsByPassTimesCell)) settings->setSortListBy(on ? "SortListByPassTime" : "SortListByName");
  else if (is(showVisiblePassesCell)) settings->setShowVisiblePassesOnly(on);
  else if (is(tiltToUseCompassCell)) settings->setTiltToUseCompass(on);
  else if (is(autoVRCell)) {
    settings->setAutoVR(on);
    voiceControlCell->setEnabled(on);
  } else if (is(voiceControlCell)) settings->setVoiceControl(on);
  else if (is(soundEffectsCell)) settings->setSoundEffects(on);
  else {
    if (is(showNightCityLightsCell)) settings->setShowNightCityLights(on);
    else if (is(showSelectedOrbitCell)) settings->setShowSelectedOrbit(on);
    else if (is(showSatVisCirclesCell)) settings->setShowSatVisCircles(on ? 1 : 0);
    else settings->setShowUserLocation(on);
    drawChartNow();
  }
}

int SettingsViewController::warningIndexForTime(int minutes) const {
  const std::string text = std::to_string(minutes);
  for (std::size_t i = 0; i < warningTimes.size(); ++i)
    if (warningTimes[i] == text) return int(i);
  return 0;
}

void SettingsViewController::configureSelectedBackground(ui::TableViewCell& cell) const {
  if (!AppDelegate::runningOniPad() || AppDelegate::appTheme() != 2) return;
  double hue, saturation, brightness, alpha;
  AppDelegate::defaultTintColor().getHSBA(hue, saturation, brightness, alpha);
  auto background = std::make_shared<ui::View>();
  background->setBackgroundColor(ui::Color::hsba(hue, saturation, brightness * 0.85, alpha));
  cell.setSelectedBackgroundView(background);
}

// ---- The table ----------------------------------------------------------------

int SettingsViewController::numberOfRows(ui::TableView&, int section) {
  return section >= 0 && section < 5 ? kRows[section] : 0;
}

std::string SettingsViewController::titleForHeader(ui::TableView&, int section) {
  return section >= 0 && section < 5 ? kTitles[section] : "";
}

SwitchedTableViewCell* SettingsViewController::switchedCellAt(ui::IndexPath path) const {
  const std::shared_ptr<SwitchedTableViewCell>* cell = nullptr;
  if (path.section == 0 && path.row >= 3 && path.row <= 6) {
    const std::shared_ptr<SwitchedTableViewCell>* rows[] = {&tiltToUseCompassCell, &autoVRCell, &voiceControlCell,
                                                            &soundEffectsCell};
    cell = rows[path.row - 3];
  } else if (path.section == 1 && path.row >= 4 && path.row <= 7) {
    const std::shared_ptr<SwitchedTableViewCell>* rows[] = {&showSelectedOrbitCell, &showSatVisCirclesCell,
                                                            &showNightCityLightsCell, &showUserLocationCell};
    cell = rows[path.row - 4];
  } else if (path.section == 2 && path.row <= 1 && path.row >= 0) {
    cell = path.row == 0 ? &sortListsByPassTimesCell : &showVisiblePassesCell;
  }
  return cell ? cell->get() : nullptr;
}

std::shared_ptr<ui::TableViewCell> SettingsViewController::cellForRow(ui::TableView& table, ui::IndexPath path) {
  if (SwitchedTableViewCell* cell = switchedCellAt(path))
    return std::static_pointer_cast<ui::TableViewCell>(cell->shared_from_this());
  if (path.section == 2) return valueCell(path);
  return pageCell(table, path);
}

std::shared_ptr<ui::TableViewCell> SettingsViewController::valueCell(ui::IndexPath path) {
  Settings* settings = currentSettings();
  std::shared_ptr<SVTableViewCell> cell;
  if (path.row == 2) {
    cell = minutesBeforeCell;
    const int index = warningIndexForTime(settings ? settings->warningTime() : 0);
    cell->detailTextLabel()->setText(warningTimeStrings[std::size_t(index)]);
  } else {
    cell = scheduledAlertsCell;
    cell->detailTextLabel()->setText(alertCountText(dev::LocalNotificationCenter::shared().scheduled().size()));
  }
  configureSelectedBackground(*cell);
  return cell;
}

std::shared_ptr<ui::TableViewCell> SettingsViewController::pageCell(ui::TableView& table, ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<SVTableViewCell>(table.dequeueReusableCell("SettingsCell"));
  if (!cell) cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::value1, "SettingsCell");
  configureSelectedBackground(*cell);
  cell->detailTextLabel()->setText("");
  cell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  Settings* settings = currentSettings();
  std::string text, detail;
  if (path.section == 0) {
    static const char* const kTexts[] = {"Location", "Satellites Shown", "Countries Shown"};
    text = kTexts[std::clamp(path.row, 0, 2)];
    if (path.row == 0) detail = settings ? settings->locationName() : "";
    else if (path.row == 1) detail = satelliteGroupsText(settings ? settings->satellitesShown() : nullptr);
    else detail = countriesShownText(currentChart());
    if (path.row > 0 && AppDelegate::runningOniPad()) detail = shownOnTablet(detail);
  } else if (path.row >= 0 && path.row < int(viewSettingsList.size())) {
    text = viewSettingsList[std::size_t(path.row)];
    if (path.row == 0) detail = magnitudeLimitText(settings ? settings->planetMagnitudeLimit() : 0);
  }
  cell->textLabel().setText(text);
  cell->detailTextLabel()->setText(detail);
  return cell;
}

double SettingsViewController::heightForHeader(ui::TableView&, int section) {
  return section <= 2 ? SVTableView::sectionHeaderHeight() : kThinHeight;
}

double SettingsViewController::heightForFooter(ui::TableView& table, int section) {
  std::shared_ptr<ui::View> footer = viewForFooter(table, section);
  return footer ? footer->frame().height() : kThinHeight;
}

std::shared_ptr<ui::View> SettingsViewController::viewForFooter(ui::TableView&, int section) {
  if (section == 3) return revertToDefaultsView;
  if (section == 4) return updateOrbitDataView;
  return nullptr;
}

void SettingsViewController::willDisplayHeaderView(ui::TableView&, ui::View& header, int) {
  auto* titled = dynamic_cast<ui::TableViewHeaderFooterView*>(&header);
  if (titled == nullptr) return;
  titled->textLabel().setFont(ui::Font::systemFont(14));
  titled->textLabel().setTextColor(SVTableView::sectionHeaderTextColor());
  titled->backgroundView().setBackgroundColor(SVTableView::sectionHeaderBackgroundColor());
}

bool SettingsViewController::willSelectRow(ui::TableView&, ui::IndexPath path) {
  return !(path.section == 2 && path.row == 1);
}

std::shared_ptr<ui::ViewController> SettingsViewController::makePage(ui::IndexPath path) {
  if (path.section == 2 && path.row == 3) return std::make_shared<AlertsViewController>();
  if (path.section == 2 && path.row == 2) {
    auto page = std::make_shared<CheckedTableViewController>("WarningTimesView");
    page->tableItems = warningTimeStrings;
    Settings* settings = currentSettings();
    page->selectedIndexPath = {0, warningIndexForTime(settings ? settings->warningTime() : 0)};
    page->checkedTableDelegate = this;
    page->setTitle("Alert Warning Time");
    return page;
  }
  std::shared_ptr<ui::ViewController> page;
  if (path.section == 1) {
    switch (path.row) {
      case 0: page = std::make_shared<SkyViewSettingsViewController>(); break;
      case 1: page = std::make_shared<OrbitViewSettingsViewController>(); break;
      case 2: page = std::make_shared<SatelliteViewSettingsViewController>(); break;
      case 3: page = std::make_shared<GroundViewSettingsViewController>(); break;
      default: return nullptr;
    }
    page->setTitle(viewSettingsList[std::size_t(path.row)]);
    return page;
  }
  if (path.section == 0) {
    switch (path.row) {
      case 0: return std::make_shared<LocationViewController>();
      case 1: return std::make_shared<SatellitesShownSettingsViewController>();
      case 2: return std::make_shared<CountriesShownSettingsViewController>();
      default: break;
    }
  }
  return nullptr;
}

void SettingsViewController::showPage(std::shared_ptr<ui::ViewController> page) {
  if (splitViewController) {
    splitViewController->detailNavigationController->setViewControllers({std::move(page)}, false);
  } else if (ui::NavigationController* navigation = navigationController()) {
    navigation->pushViewController(std::move(page), true);
  }
}

void SettingsViewController::didSelectRow(ui::TableView&, ui::IndexPath path) {
  if (auto page = makePage(path)) showPage(std::move(page));
  if (switchedCellAt(path)) return;
  lastSelectedSection = path.section;
  lastSelectedRow = path.row;
  if (Settings* settings = currentSettings()) {
    settings->setSelectedSettingsRow(path.row);
    settings->setSelectedSettingsSection(path.section);
  }
}

