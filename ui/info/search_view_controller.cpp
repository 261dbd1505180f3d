#include "ui/info/search_view_controller.h"

#include <algorithm>
#include <vector>

#include "chart/sky_chart.h"
#include "platform/foundation/run_loop.h"
#include "platform/uikit/font.h"
#include "platform/uikit/navigation_controller.h"
#include "skydata/object_types.h"
#include "skydata/search_filter.h"
#include "skydata/sky_database.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/utility.h"
#include "ui/info/list_manager.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/object_list_view_controller.h"
#include "ui/info/screen_loading.h"
#include "ui/info/search_results_view_controller.h"

namespace {

std::optional<std::string>& rememberedText() {
  static std::optional<std::string> text;
  return text;
}

constexpr double kSearchDelay = 0.02;

// Searches the satellites and spacecraft for the text into the list
// manager's array (ordered by catalogue number), and returns how many it
// found. The database's filter is at its defaults afterwards, with the
// satellite categories it had.
int searchSatellites(CSkyDatabase& database, CSkyChart* chart, const std::string& text) {
  bool categories[256];
  database.getCategoryFlags(categories);
  database.setAllowDuplicates(true);
  database.searchFilter = SearchFilter();
  database.searchFilter.lowestType = kTypeSatellite;
  database.searchFilter.highestType = kTypeSpacecraft;
  std::vector<SkyObjectID> found;
  const int count =
      std::min(database.findObjects(text.c_str(), found, ListMgr::getMaxSkyObjectIDs()),
               ListMgr::getMaxSkyObjectIDs());
  SkyObjectID* ids = ListMgr::getSkyObjectIDs();
  std::copy_n(found.begin(), count, ids);
  database.sortSearchResults(chart, ids, count, kSortNumberedFirst);
  database.searchFilter = SearchFilter();
  database.setCategoryFlags(categories);
  return count;
}

}  // namespace

SearchViewController::SearchViewController() = default;

std::shared_ptr<SearchViewController> SearchViewController::create() {
  return std::make_shared<SearchViewController>();
}

const std::optional<std::string>& SearchViewController::lastSearchText() {
  return rememberedText();
}

bool SearchViewController::setValue(std::string_view key, const std::any& value) {
  if (const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value)) {
    if (key == "searchBar")
      return (searchBar_ = std::dynamic_pointer_cast<ui::SearchBar>(*object)) != nullptr;
    if (key == "tableView")
      return (table_ = std::dynamic_pointer_cast<ui::TableView>(*object)) != nullptr;
  }
  return SVViewController::setValue(key, value);
}

bool SearchViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector != "doneTouched:") return SVViewController::performAction(selector, sender);
  doneTouched(sender);
  return true;
}

void SearchViewController::loadView() {
  loadScreenDefinition(*this, "SearchView");
  if (!searchBar_) {
    searchBar_ = std::make_shared<ui::SearchBar>();
    searchBar_->setFrame({0, 0, view()->bounds().width(), 44});
    view()->addSubview(searchBar_);
  }
  table_ = tableOrNew(table_, *view());
}

void SearchViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  for (int section = 0; section < kSections; ++section)
    listForSection_[section] =
        ListMgr::getTitlesOfListsForSection(section).value_or(std::vector<std::string>{});
  setTitle("Satellites");
  navigationItem().rightBarButtonItem =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, this, "doneTouched:");
  searchBar_->searchTextField().autocorrectionType = ui::AutocorrectionType::no;
  searchBar_->delegate = this;
  if (!AppDelegate::isNightVision()) searchBar_->setPlaceholder("Enter Satellite Name");
  table_->dataSource = this;
  table_->delegate = this;
  table_->scrollDelegate = this;
}

void SearchViewController::viewWillAppear(bool animated) {
  SVViewController::viewWillAppear(animated);
  if (rememberedText()) searchBar_->setText(*rememberedText());
  if (ChartViewController* chartScreen = ChartViewController::currentController())
    table_->setContentOffset(chartScreen->lastSearchScrollPoint());
  table_->reloadData();
  ui::Rect frame = table_->frame();
  frame.origin.y = searchBar_->frame().height();
  table_->setFrame(frame);
  setKeyboardOverlay();
}

void SearchViewController::viewWillDisappear(bool animated) {
  SVViewController::viewWillDisappear(animated);
  rememberedText() = searchBar_->text();
  if (AppDelegate* delegate = AppDelegate::instance()) delegate->setKeyboardOverlayTop(0);
}

void SearchViewController::willAnimateRotationToInterfaceOrientation(int orientation,
                                                                     double duration) {
  SVViewController::willAnimateRotationToInterfaceOrientation(orientation, duration);
  setKeyboardOverlay();
}

unsigned SearchViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

// The keyboard covers what lies below the search bar.
void SearchViewController::setKeyboardOverlay() {
  AppDelegate* delegate = AppDelegate::instance();
  if (delegate == nullptr) return;
  ui::Point bottom{0, searchBar_->frame().maxY()};
  for (const ui::View* view = searchBar_->superview(); view != nullptr; view = view->superview())
    bottom.y += view->frame().y();
  delegate->setKeyboardOverlayTop(bottom.y);
}

void SearchViewController::endEditing() { searchBar_->searchTextField().resignFirstResponder(); }

void SearchViewController::doSearch() {
  AppDelegate* delegate = AppDelegate::instance();
  CSkyDatabase* database = delegate != nullptr ? delegate->pSkyData() : nullptr;
  ChartViewController* chartScreen = ChartViewController::currentController();
  CSkyChart* chart = chartScreen != nullptr ? chartScreen->pSkyChart() : nullptr;
  const std::string text = searchBar_->text();
  const int count =
      database != nullptr && !text.empty() ? searchSatellites(*database, chart, text) : 0;
  if (count == 0) {
    Utility::showAlertWithTitle("Not Found", "No satellites found matching search string.");
    return;
  }
  endEditing();
  if (count == 1) {
    showObjectInfo(ListMgr::getSkyObjectIDs());
    return;
  }
  auto results = SearchResultsViewController::create();
  if (ui::NavigationController* navigation = navigationController())
    navigation->pushViewController(results, true);
  results->setObjectIDs(ListMgr::getSkyObjectIDs(), count);
}

void SearchViewController::resetSearch() {
  searchBar_->setText("");
  endEditing();
}

void SearchViewController::showObjectInfo(const SkyObjectID* object) {
  if (object != nullptr) pushObjectInfo(*this, *object);
}

void SearchViewController::doneTouched(ui::Object*) { dismissViewController(true); }

int SearchViewController::numberOfRows(ui::TableView&, int section) {
  return section >= 0 && section < kSections ? static_cast<int>(listForSection_[section].size())
                                             : 0;
}

std::string SearchViewController::titleForHeader(ui::TableView&, int section) {
  return ListMgr::getTitleForSection(section);
}

double SearchViewController::heightForHeader(ui::TableView& table, int section) {
  return titleForHeader(table, section).empty() ? 0 : SVTableView::sectionHeaderHeight();
}

std::shared_ptr<ui::View> SearchViewController::viewForHeader(ui::TableView& table, int section) {
  auto header = std::make_shared<SVSectionHeader>();
  header->textLabel().setText(titleForHeader(table, section));
  header->textLabel().setTextColor(SVTableView::sectionHeaderTextColor());
  header->setBackgroundColor(SVTableView::sectionHeaderBackgroundColor());
  return header;
}

std::shared_ptr<ui::TableViewCell> SearchViewController::cellForRow(ui::TableView& table,
                                                                    ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<SVTableViewCell>(table.dequeueReusableCell("ListsCell"));
  if (!cell)
    cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::defaultStyle, "ListsCell");
  cell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  const int rows = numberOfRows(table, path.section);
  cell->textLabel().setText(path.row >= 0 && path.row < rows
                                ? listForSection_[path.section][static_cast<std::size_t>(path.row)]
                                : "");
  return cell;
}

void SearchViewController::didSelectRow(ui::TableView& table, ui::IndexPath path) {
  if (path.row < 0 || path.row >= numberOfRows(table, path.section)) return;
  const std::string& title = listForSection_[path.section][static_cast<std::size_t>(path.row)];
  SkyObjectID* ids = nullptr;
  double* times = nullptr;
  bool indexed = false, showCommonName = true;
  const int count =
      static_cast<int>(ListMgr::getList(title, &ids, &times, &indexed, &showCommonName));
  auto list = std::make_shared<ObjectListViewController>("ObjectListView", ids, times, count, title,
                                                         showCommonName, indexed);
  list->setSearchRow(path.row);
  list->navigationItem().rightBarButtonItem = std::make_shared<ui::BarButtonItem>(
      ui::BarButtonSystemItem::done, list.get(), "doneTouched:");
  if (ui::NavigationController* navigation = navigationController())
    navigation->pushViewController(list, true);
}

void SearchViewController::scrollViewDidScroll(ui::ScrollView& view) {
  if (ChartViewController* chartScreen = ChartViewController::currentController())
    chartScreen->setLastSearchScrollPoint(view.contentOffset());
}

void SearchViewController::textDidBeginEditing(ui::SearchBar& bar) {
  bar.showsCancelButton = true;
  bar.setNeedsLayout();
}

void SearchViewController::textDidEndEditing(ui::SearchBar& bar) {
  bar.showsCancelButton = false;
  bar.setNeedsLayout();
}

void SearchViewController::searchButtonClicked(ui::SearchBar&) {
  std::weak_ptr<ui::Object> weak = weak_from_this();
  ns::RunLoop::main().performAfterDelay(this, "doSearch", kSearchDelay, [weak] {
    if (auto self = std::dynamic_pointer_cast<SearchViewController>(weak.lock())) self->doSearch();
  });
}

void SearchViewController::cancelButtonClicked(ui::SearchBar&) { resetSearch(); }
