#include "ui/settings/location_picker_view_controller.h"

#include <algorithm>
#include <cstring>

#include "engine/locations.h"
#include "platform/foundation/run_loop.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/utility.h"
#include "ui/settings/interface_screen.h"
#include "support/utf8.h"

namespace {
constexpr double kReloadDelay = 0.5;  // seconds after a deletion
}  // namespace

std::string locationSectionKey(const char* name) {
  if (name == nullptr) return "#";
  const std::string_view text(name);
  const std::size_t length = utf8FirstCharacterLength(text);
  return length == 0 ? "#" : std::string(text.substr(0, length));
}

LocationPickerViewController::LocationPickerViewController(int groupNumber, const Location* locations,
                                                           int numLocations)
    : groupNumber(groupNumber), locations(locations), numLocations(locations ? std::max(0, numLocations) : 0) {
  buildNameIndex();
}

LocationPickerViewController::~LocationPickerViewController() {
  ns::RunLoop::main().cancelPreviousPerformRequests(this);
}

bool LocationPickerViewController::setValue(std::string_view key, const std::any& value) {
  if (key == "mainTableView") return takeOutlet(mainTableView, value);
  return SVViewController::setValue(key, value);
}

bool LocationPickerViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector != "toggleEditing:") return SVViewController::performAction(selector, sender);
  setEditing(!(mainTableView && mainTableView->isEditing()), true);
  return true;
}

bool LocationPickerViewController::fetchRecord(int number, Location& record) const {
  record = Location{};
  if (groupNumber == -1) {
    if (number < 0 || number >= numLocations) return false;
    record = locations[number];
    return true;
  }
  if (groupNumber == 0) return getUserLocation(number, &record) != 0;
  return getCityLocation(number, &record) != 0;
}

void LocationPickerViewController::buildNameIndex() {
  names.clear();
  int first = 0, count = 0;
  if (groupNumber == -1) {
    count = numLocations;
  } else if (groupNumber == 0) {
    count = locationGroupSize(0);
  } else {
    first = locationGroupFirstRow(groupNumber);
    count = first < 0 ? 0 : locationGroupSize(groupNumber);
  }
  Location record{};
  for (int number = first; number < first + std::max(count, 0); ++number)
    if (fetchRecord(number, record)) names[locationSectionKey(record.name)].push_back(number);
  keys.clear();
  for (const auto& [key, numbers] : names) keys.push_back(key);  // a map's order is byte order
}

void LocationPickerViewController::setEditing(bool editing, bool animated) {
  if (mainTableView) mainTableView->setEditing(editing, animated);
  if (editItem_) editItem_->title = editing ? "Done" : "Edit";
}

void LocationPickerViewController::loadView() { loadViewFromInterface(*this, "LocationPicker"); }

void LocationPickerViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  setTitle("Locations");
  if (groupNumber == 0) {
    editItem_ = std::make_shared<ui::BarButtonItem>("Edit", this, "toggleEditing:");
    navigationItem().rightBarButtonItem = editItem_;
  }
}

unsigned LocationPickerViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

int LocationPickerViewController::numberOfRows(ui::TableView&, int section) {
  if (section < 0 || section >= int(keys.size())) return 0;
  auto it = names.find(keys[std::size_t(section)]);
  return it == names.end() ? 0 : int(it->second.size());
}

int LocationPickerViewController::numberAt(ui::IndexPath path) const {
  if (path.section < 0 || path.section >= int(keys.size())) return -1;
  auto it = names.find(keys[std::size_t(path.section)]);
  if (it == names.end() || path.row < 0 || path.row >= int(it->second.size())) return -1;
  return it->second[std::size_t(path.row)];
}

std::shared_ptr<ui::TableViewCell> LocationPickerViewController::cellForRow(ui::TableView& table, ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<SVTableViewCell>(table.dequeueReusableCell("Cell"));
  if (!cell) cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::defaultStyle, "Cell");
  cell->setAccessoryType(ui::TableViewCellAccessory::none);
  Location record{};
  const bool found = fetchRecord(numberAt(path), record);
  cell->textLabel().setText(found && record.name ? record.name : "");
  return cell;
}

ui::TableViewCellEditingStyle LocationPickerViewController::editingStyleForRow(ui::TableView&, ui::IndexPath) {
  return groupNumber == 0 ? ui::TableViewCellEditingStyle::deleteStyle : ui::TableViewCellEditingStyle::none;
}

void LocationPickerViewController::commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                                                      ui::IndexPath path) {
  if (groupNumber == 0 && style == ui::TableViewCellEditingStyle::deleteStyle) deleteUserPlace(table, path);
}

void LocationPickerViewController::deleteUserPlace(ui::TableView& table, ui::IndexPath path) {
  const int number = numberAt(path);
  if (number < 0 || !deleteUserLocation(number)) return;
  std::vector<int>& section = names[keys[std::size_t(path.section)]];
  section.erase(section.begin() + path.row);
  // Later places moved up one: the rows keep pointing at the same places
  // while the emptied section waits for the reload.
  for (auto& [key, numbers] : names)
    for (int& n : numbers)
      if (n > number) --n;
  table.deleteRows({path}, ui::TableViewRowAnimation::fade);
  ns::RunLoop::main().cancelPreviousPerformRequests(this, "reloadData");
  ns::RunLoop::main().performAfterDelay(this, "reloadData", kReloadDelay, [this] {
    buildNameIndex();
    if (mainTableView) mainTableView->reloadData();
  });
}

void LocationPickerViewController::didSelectRow(ui::TableView&, ui::IndexPath path) {
  Location record{};
  if (!fetchRecord(numberAt(path), record)) return;
  if (locationPickerDelegate_) locationPickerDelegate_->locationPicked(&record);
}
