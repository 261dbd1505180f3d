#include "ui/settings/location_group_picker_view_controller.h"

#include <algorithm>
#include <array>

#include "engine/locations.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/utility.h"
#include "ui/settings/interface_screen.h"
#include "ui/settings/location_picker_view_controller.h"

namespace {

std::array<Location, LocationGroupPickerViewController::kMaxSearchResults>& searchResults() {
  static std::array<Location, LocationGroupPickerViewController::kMaxSearchResults> results{};
  return results;
}

}  // namespace

LocationGroupPickerViewController::LocationGroupPickerViewController() = default;

bool LocationGroupPickerViewController::setValue(std::string_view key, const std::any& value) {
  if (key == "searchBar") return takeOutlet(searchBar, value);
  return SVViewController::setValue(key, value);
}

bool LocationGroupPickerViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "doneTouched:") doneTouched();
  else if (selector == "cancelTouched:") cancelTouched();
  else return SVViewController::performAction(selector, sender);
  return true;
}

void LocationGroupPickerViewController::loadView() { loadViewFromInterface(*this, "LocationGroupPicker"); }

void LocationGroupPickerViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  locationGroups.clear();
  for (int group = 1; group < locationGroupCount(); ++group) locationGroups.emplace_back(locationGroupName(group));
  if (searchBar) {
    searchBar->delegate = this;
    searchBar->setTintColor(AppDelegate::defaultTintColor());
  }
}

void LocationGroupPickerViewController::viewWillAppear(bool animated) {
  SVViewController::viewWillAppear(animated);
  if (!mainTable) return;
  if (auto selected = mainTable->indexPathForSelectedRow()) mainTable->deselectRow(*selected, true);
  if (searchBar) {
    ui::Rect frame = mainTable->frame();
    frame.origin.y = searchBar->frame().height();
    mainTable->setFrame(frame);
  }
}

unsigned LocationGroupPickerViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

std::shared_ptr<ui::TableViewCell> LocationGroupPickerViewController::cellForRow(ui::TableView& table,
                                                                               ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<SVTableViewCell>(table.dequeueReusableCell("Cell"));
  if (!cell) cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::defaultStyle, "Cell");
  if (path.row >= 0 && path.row < int(locationGroups.size()))
    cell->textLabel().setText(locationGroups[std::size_t(path.row)]);
  cell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  return cell;
}

void LocationGroupPickerViewController::didSelectRow(ui::TableView&, ui::IndexPath path) {
  auto list = std::make_shared<LocationPickerViewController>(path.row + 1, nullptr, 0);
  list->setLocationPickerDelegate(this);
  if (ui::NavigationController* navigation = navigationController()) navigation->pushViewController(list, true);
}

void LocationGroupPickerViewController::search(const std::string& text) {
  auto& results = searchResults();
  numLocationsFound = std::max(0, searchLocations(text.c_str(), results.data(), kMaxSearchResults));
  if (numLocationsFound == 0) {
    Utility::showAlertWithTitle("Not Found", "No locations found matching search string.");
  } else if (numLocationsFound == 1) {
    locationPicked(&results[0]);
  } else {
    auto list = std::make_shared<LocationPickerViewController>(-1, results.data(), numLocationsFound);
    list->setLocationPickerDelegate(this);
    if (ui::NavigationController* navigation = navigationController()) navigation->pushViewController(list, true);
  }
}

void LocationGroupPickerViewController::locationPicked(const Location* location) {
  locationPicked_ = location;
  doneTouched();
}

void LocationGroupPickerViewController::doneTouched() {
  // The record lives only as long as the pick: pass it on, then forget it.
  if (const Location* picked = locationPicked_) {
    locationPicked_ = nullptr;
    if (locationPickerDelegate_) locationPickerDelegate_->locationPicked(picked);
  }
  ui::NavigationController* navigation = navigationController();
  if (popToDelegateOnPicked_) {
    auto* screen = dynamic_cast<ui::ViewController*>(locationPickerDelegate_);
    const bool onStack = navigation && screen &&
                         std::any_of(navigation->viewControllers().begin(), navigation->viewControllers().end(),
                                     [screen](const auto& c) { return c.get() == screen; });
    // The pickers' own stack on a phone does not hold the delegate's
    // screen: closing the pickers returns to it.
    if (onStack) navigation->popToViewController(screen, true);
    else dismissPickerStack(*this);
  } else if (AppDelegate::runningOniPad()) {
    if (navigation) navigation->popToRootViewController(true);
  } else {
    dismissPickerStack(*this);
  }
}

void LocationGroupPickerViewController::cancelTouched() { dismissPickerStack(*this); }


void LocationGroupPickerViewController::textDidBeginEditing(ui::SearchBar& bar) {
  bar.showsCancelButton = true;
  bar.setNeedsLayout();
}

void LocationGroupPickerViewController::textDidEndEditing(ui::SearchBar& bar) {
  bar.showsCancelButton = false;
  bar.setNeedsLayout();
}

void LocationGroupPickerViewController::searchButtonClicked(ui::SearchBar& bar) { search(bar.text()); }

void LocationGroupPickerViewController::cancelButtonClicked(ui::SearchBar& bar) {
  bar.setText("");
  bar.searchTextField().resignFirstResponder();
}
