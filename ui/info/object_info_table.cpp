// The object information screen's table: sections from the header items,
// row heights measured once per load, two-column cells with a clock button
// on rows that show an event, and the event menu behind it.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "chart/sky_chart.h"
#include "platform/uikit/font.h"
#include "skydata/sky_object_model.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/info/event_menu.h"
#include "ui/info/object_info_cell.h"
#include "ui/info/object_info_view_controller.h"

namespace {

constexpr double kHeaderItemHeight = 22;
constexpr double kSectionHeaderHeight = 30;
constexpr double kFooterHeight = 0.01;
constexpr double kRowMargin = 5;
constexpr double kHeaderFontSize = 12;
constexpr int kSkyView = 1;

std::string uppercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

void ObjectInfoViewController::formatSkyObjectInfo() {
  numSections_ = 0;
  const double width = mainTableView_ ? mainTableView_->bounds().width() : 0;
  for (int i = 0; i < numPairs_; ++i) {
    const SkyObjectInfoString& item = infoPairs_[static_cast<std::size_t>(i)];
    if (item.pLabel == nullptr) {
      sectionStarts_[static_cast<std::size_t>(numSections_++)] = i;
      rowHeights_[static_cast<std::size_t>(i)] = kHeaderItemHeight;
      continue;
    }
    const double label =
        ObjectInfoTableViewCell::textHeight(item.pLabel, ObjectInfoTableViewCell::kLabelWidth);
    const double value = ObjectInfoTableViewCell::textHeight(
        item.pValue != nullptr ? item.pValue : "", width - ObjectInfoTableViewCell::kValueMargin);
    rowHeights_[static_cast<std::size_t>(i)] =
        static_cast<float>(std::ceil(std::max(label, value + 1)) + kRowMargin);
  }
}

const SkyObjectInfoString* ObjectInfoViewController::itemAt(ui::IndexPath path) const {
  if (path.section < 0 || path.section >= numSections_ || path.row < 0) return nullptr;
  const int index = sectionStarts_[static_cast<std::size_t>(path.section)] + path.row + 1;
  const int next = path.section + 1 < numSections_
                       ? sectionStarts_[static_cast<std::size_t>(path.section + 1)]
                       : numPairs_;
  return index < next ? &infoPairs_[static_cast<std::size_t>(index)] : nullptr;
}

int ObjectInfoViewController::numberOfSections(ui::TableView&) { return numSections_; }

int ObjectInfoViewController::numberOfRows(ui::TableView&, int section) {
  if (section < 0 || section >= numSections_) return 0;
  const int next = section + 1 < numSections_
                       ? sectionStarts_[static_cast<std::size_t>(section + 1)]
                       : numPairs_;
  return next - sectionStarts_[static_cast<std::size_t>(section)] - 1;
}

std::string ObjectInfoViewController::titleForHeader(ui::TableView&, int section) {
  if (section < 0 || section >= numSections_) return "";
  const char* title =
      infoPairs_[static_cast<std::size_t>(sectionStarts_[static_cast<std::size_t>(section)])]
          .pValue;
  return uppercase(title != nullptr ? title : "");
}

double ObjectInfoViewController::heightForHeader(ui::TableView& table, int section) {
  return titleForHeader(table, section).empty() ? 0 : kSectionHeaderHeight;
}

double ObjectInfoViewController::heightForFooter(ui::TableView&, int) { return kFooterHeight; }

std::shared_ptr<ui::View> ObjectInfoViewController::viewForHeader(ui::TableView& table,
                                                                  int section) {
  auto header = std::make_shared<SVSectionHeader>();
  header->textLabel().setText(titleForHeader(table, section));
  header->textLabel().setFont(ui::Font::systemFont(kHeaderFontSize));
  header->textLabel().setTextColor(SVTableView::sectionHeaderTextColor());
  header->setBackgroundColor(SVTableView::sectionHeaderBackgroundColor());
  return header;
}

double ObjectInfoViewController::heightForRow(ui::TableView&, ui::IndexPath path) {
  const SkyObjectInfoString* item = itemAt(path);
  return item != nullptr ? rowHeights_[static_cast<std::size_t>(item - infoPairs_.data())] : 0;
}

std::shared_ptr<ui::TableViewCell> ObjectInfoViewController::cellForRow(ui::TableView& table,
                                                                        ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<ObjectInfoTableViewCell>(table.dequeueReusableCell("Cell"));
  if (!cell) cell = std::make_shared<ObjectInfoTableViewCell>("Cell");
  cell->selectionStyle = ui::TableViewCellSelectionStyle::none;
  cell->setAccessoryType(ui::TableViewCellAccessory::none);
  const SkyObjectInfoString* item = itemAt(path);
  cell->setLabelText(item != nullptr && item->pLabel != nullptr ? item->pLabel : "");
  cell->setMainText(item != nullptr && item->pValue != nullptr ? item->pValue : "");
  if (item != nullptr && std::isfinite(item->jd)) {
    cell->setAccessoryView(makeClockButton(this, path.row, path.section));
  } else {
    cell->setAccessoryView(nullptr);
  }
  return cell;
}

void ObjectInfoViewController::didSelectRow(ui::TableView& table, ui::IndexPath path) {
  table.deselectRow(path, true);
}

void ObjectInfoViewController::accessoryButtonTapped(ui::Object* sender) {
  const auto* button = dynamic_cast<ui::View*>(sender);
  CSkyChart* sky = chart();
  if (button == nullptr || sky == nullptr) return;
  const SkyObjectInfoString* item = itemAt(clockButtonPath(*button));
  if (item == nullptr || !std::isfinite(item->jd)) return;
  SkyObjectID selected = sky->selectedObjectID;
  const std::string name = SkyObject::nameForObject(&selected, true);
  const double jd = item->jd;
  std::weak_ptr<ui::Object> weak = weak_from_this();
  showEventMenu(name, item->pLabel != nullptr ? item->pLabel : "", jd, selected, [weak, jd] {
    showEventOnChart(jd);
    if (auto self = std::dynamic_pointer_cast<ObjectInfoViewController>(weak.lock()))
      self->centerObject(nullptr);
  });
}

void ObjectInfoViewController::centerObject(ui::Object*) {
  if (ChartViewController* chartScreen = ChartViewController::currentController()) {
    chartScreen->setOldPerspective(kSkyView);
    chartScreen->setChartPerspective(kSkyView);
    chartScreen->centerSelectedObject(false);
  }
  dismissViewController(true);
}
