#include "ui/info/search_results_view_controller.h"

#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/object_list_cell.h"
#include "ui/info/screen_loading.h"

SearchResultsViewController::SearchResultsViewController() = default;

std::shared_ptr<SearchResultsViewController> SearchResultsViewController::create() {
  return std::make_shared<SearchResultsViewController>();
}

bool SearchResultsViewController::setValue(std::string_view key, const std::any& value) {
  if (const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value);
      object && key == "tableView")
    return (table_ = std::dynamic_pointer_cast<ui::TableView>(*object)) != nullptr;
  return SVViewController::setValue(key, value);
}

bool SearchResultsViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector != "doneTouched:") return SVViewController::performAction(selector, sender);
  doneTouched(sender);
  return true;
}

void SearchResultsViewController::doneTouched(ui::Object*) { dismissViewController(true); }

void SearchResultsViewController::loadView() {
  loadScreenDefinition(*this, "SearchResultsView");
  table_ = tableOrNew(table_, *view());
}

void SearchResultsViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  detailTextColor_ = ObjectListTableViewCell::standardDetailColor();
  setTitle("Search Results");
  table_->dataSource = this;
  table_->delegate = this;
}

void SearchResultsViewController::viewWillAppear(bool animated) {
  SVViewController::viewWillAppear(animated);
  if (auto selected = table_->indexPathForSelectedRow()) table_->deselectRow(*selected, true);
}

unsigned SearchResultsViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

void SearchResultsViewController::setObjectIDs(const SkyObjectID* objects, int count) {
  objectIDs_ = objects;
  numObjects_ = objects != nullptr ? std::max(count, 0) : 0;
  loadViewIfNeeded();
  table_->reloadData();
}

void SearchResultsViewController::showObjectInfo(const SkyObjectID* object) {
  if (object != nullptr) pushObjectInfo(*this, *object);
}

std::shared_ptr<ui::TableViewCell> SearchResultsViewController::cellForRow(ui::TableView& table,
                                                                           ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<ObjectListTableViewCell>(table.dequeueReusableCell("Cell"));
  if (!cell) cell = ObjectListTableViewCell::load("Cell", detailTextColor_);
  cell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  if (path.row < 0 || path.row >= numObjects_) return cell;
  ChartViewController* chartScreen = ChartViewController::currentController();
  cell->fill(chartScreen != nullptr ? chartScreen->pSkyChart() : nullptr, objectIDs_[path.row],
             true);
  return cell;
}

void SearchResultsViewController::didSelectRow(ui::TableView&, ui::IndexPath path) {
  if (path.row >= 0 && path.row < numObjects_) showObjectInfo(&objectIDs_[path.row]);
}
