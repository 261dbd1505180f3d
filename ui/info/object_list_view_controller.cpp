#include "ui/info/object_list_view_controller.h"

#include <algorithm>
#include <cmath>

#include "chart/sky_chart.h"
#include "platform/uikit/font.h"
#include "skydata/sky_object_model.h"
#include "support/utf8.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"
#include "ui/info/event_menu.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/object_list_cell.h"
#include "ui/info/screen_loading.h"

namespace {

constexpr std::size_t kTimeSize = 256;

// The first character of a name: its whole code point; one byte where the
// text does not begin with a well-formed one.
std::string firstCharacter(const std::string& text) {
  if (text.empty()) return {};
  return text.substr(0, std::max<std::size_t>(utf8FirstCharacterLength(text), 1));
}

// What an empty list says instead of a blank page: why it is empty and
// what may fill it.
std::string emptyListNote(const std::string& title) {
  if (title == ObjectListViewController::kTonightsSatellites)
    return "None of the brightest satellites can be seen from here tonight.";
  return "No satellites in this list: the orbit data holds none of this kind.\n\n"
         "Update Orbit Data Now, in the Settings, fetches the latest.";
}

// The note at the head of an empty list, in the rows' detail colour (red
// at night), its margins kept as the table turns.
std::shared_ptr<ui::View> emptyListView(const std::string& title, double width,
                                        const ui::Color& colour) {
  constexpr double kMargin = 24;
  auto note = std::make_shared<ui::Label>();
  note->setText(emptyListNote(title));
  note->setNumberOfLines(0);
  note->setTextAlignment(ui::TextAlignment::center);
  note->setFont(ui::Font::systemFont(15));
  note->setTextColor(colour);
  const double textWidth = std::max(width - 2 * kMargin, 0.0);
  const double height = std::ceil(note->sizeThatFits({textWidth, 0}).height);
  note->setFrame({kMargin, kMargin, textWidth, height});
  note->setAutoresizingMask(ui::kFlexibleWidth);
  auto page = std::make_shared<ui::View>(ui::Rect{0, 0, width, height + 2 * kMargin});
  page->addSubview(note);
  return page;
}

}  // namespace

ObjectListViewController::ObjectListViewController(std::string interfaceName,
                                                   const SkyObjectID* objects, const double* times,
                                                   int count, std::string title,
                                                   bool showCommonName, bool indexed)
    : interfaceName_(std::move(interfaceName)),
      objectList_(objects),
      objectTimes_(times),
      objectCount_(objects != nullptr ? std::max(count, 0) : 0),
      showCommonName_(showCommonName),
      indexed_(indexed) {
  if (indexed_) buildIndex();
  setTitle(std::move(title));
}

void ObjectListViewController::buildIndex() {
  for (int i = 0; i < objectCount_; ++i) {
    SkyObjectID reference = objectList_[i];
    names_[firstCharacter(SkyObject::nameForObject(&reference, showCommonName_))].push_back(i);
  }
  for (const auto& [key, positions] : names_) keys_.push_back(key);
}

bool ObjectListViewController::setValue(std::string_view key, const std::any& value) {
  if (const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value);
      object && key == "tableView")
    return (table_ = std::dynamic_pointer_cast<ui::TableView>(*object)) != nullptr;
  return SVViewController::setValue(key, value);
}

bool ObjectListViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "accessoryButtonTapped:")
    accessoryButtonTapped(sender);
  else if (selector == "doneTouched:")
    doneTouched(sender);
  else
    return SVViewController::performAction(selector, sender);
  return true;
}

void ObjectListViewController::loadView() {
  loadScreenDefinition(*this, interfaceName_);
  table_ = tableOrNew(table_, *view());
}

void ObjectListViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  detailTextColor_ = ObjectListTableViewCell::standardDetailColor();
  table_->dataSource = this;
  table_->delegate = this;
  table_->scrollDelegate = this;
  if (objectCount_ == 0)
    table_->setTableHeaderView(emptyListView(
        title(), table_->bounds().width(),
        AppDelegate::isNightVision() ? SVColor::colorWithRed(0.9, 0, 0, 1) : detailTextColor_));
}

void ObjectListViewController::viewWillAppear(bool animated) {
  SVViewController::viewWillAppear(animated);
  if (ChartViewController* chartScreen = ChartViewController::currentController())
    table_->setContentOffset(chartScreen->lastSubSearchScrollPoint(searchRow_, 0));
  if (auto selected = table_->indexPathForSelectedRow()) table_->deselectRow(*selected, true);
}

unsigned ObjectListViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

int ObjectListViewController::numberOfSections(ui::TableView&) {
  return indexed_ ? static_cast<int>(keys_.size()) : 1;
}

int ObjectListViewController::numberOfRows(ui::TableView&, int section) {
  if (!indexed_) return objectCount_;
  if (section < 0 || section >= static_cast<int>(keys_.size())) return 0;
  return static_cast<int>(names_.at(keys_[static_cast<std::size_t>(section)]).size());
}

std::vector<std::string> ObjectListViewController::sectionIndexTitles(ui::TableView&) {
  return indexed_ ? keys_ : std::vector<std::string>{};
}

std::string ObjectListViewController::titleForHeader(ui::TableView&, int section) {
  return indexed_ && section >= 0 && section < static_cast<int>(keys_.size())
             ? keys_[static_cast<std::size_t>(section)]
             : std::string();
}

int ObjectListViewController::positionOf(ui::IndexPath path) const {
  if (!indexed_) return path.row >= 0 && path.row < objectCount_ ? path.row : -1;
  if (path.section < 0 || path.section >= static_cast<int>(keys_.size())) return -1;
  const std::vector<int>& positions = names_.at(keys_[static_cast<std::size_t>(path.section)]);
  return path.row >= 0 && path.row < static_cast<int>(positions.size())
             ? positions[static_cast<std::size_t>(path.row)]
             : -1;
}

std::shared_ptr<ui::TableViewCell> ObjectListViewController::cellForRow(ui::TableView& table,
                                                                        ui::IndexPath path) {
  auto cell =
      std::dynamic_pointer_cast<ObjectListTableViewCell>(table.dequeueReusableCell("ListCell"));
  if (!cell) cell = ObjectListTableViewCell::load("ListCell", detailTextColor_);
  const int position = positionOf(path);
  if (position < 0) return cell;
  ChartViewController* chartScreen = ChartViewController::currentController();
  CSkyChart* chart = chartScreen != nullptr ? chartScreen->pSkyChart() : nullptr;
  cell->fill(chart, objectList_[position], showCommonName_);
  cell->setAccessoryView(nullptr);
  cell->detailTextLabel()->setText("");
  if (!indexed_ && objectTimes_ != nullptr) {
    char time[kTimeSize] = "";
    const bool tonight = title() == kTonightsSatellites;
    if (chart != nullptr)
      chart->formatJulianDate(time, sizeof time,
                              tonight ? "Visible on %a %b %d at %I:%M %p" : "%a %b %d at %I:%M %p",
                              objectTimes_[position]);
    cell->riseSetLabel()->setText(time);
    cell->setAccessoryView(makeClockButton(this, path.row, path.section));
  } else if (!indexed_) {
    cell->detailTextLabel()->setText(cell->statusText());
  }
  return cell;
}

void ObjectListViewController::didSelectRow(ui::TableView&, ui::IndexPath path) {
  const int position = positionOf(path);
  if (position >= 0) pushObjectInfo(*this, objectList_[position]);
}

void ObjectListViewController::scrollViewDidScroll(ui::ScrollView& view) {
  if (ChartViewController* chartScreen = ChartViewController::currentController())
    chartScreen->setLastSubSearchScrollPoint(view.contentOffset(), searchRow_, 0);
}

void ObjectListViewController::accessoryButtonTapped(ui::Object* sender) {
  const auto* button = dynamic_cast<ui::View*>(sender);
  if (button == nullptr || objectTimes_ == nullptr) return;
  // The list is not indexed when it has times: the row is the position.
  const int position = clockButtonPath(*button).row;
  if (position < 0 || position >= objectCount_) return;
  const double jd = objectTimes_[position];
  if (!std::isfinite(jd)) return;
  const SkyObjectID object = objectList_[position];
  SkyObjectID reference = object;
  const std::string name = SkyObject::nameForObject(&reference, true);
  const std::string label = title() == kTonightsSatellites ? "Visible" : "";
  std::weak_ptr<ui::Object> weak = weak_from_this();
  showEventMenu(name, label, jd, object, [weak, object, jd] {
    showEventOnChart(jd);
    if (ChartViewController* chartScreen = ChartViewController::currentController()) {
      chartScreen->selectObject(object);
      chartScreen->centerSelectedObject(false);
    }
    if (auto self = std::dynamic_pointer_cast<ObjectListViewController>(weak.lock()))
      self->dismissViewController(true);
  });
}

void ObjectListViewController::doneTouched(ui::Object*) { dismissViewController(true); }
