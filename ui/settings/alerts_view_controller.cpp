#include "ui/settings/alerts_view_controller.h"

#include <algorithm>
#include <cmath>

#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/utility.h"
#include "ui/settings/chart_screen.h"
#include "ui/settings/settings_view_controller.h"

namespace {

// A user-info value as text: texts as they are, numbers as written (15,
// 1.5), anything else empty.
std::string valueText(const ns::JSON& info, const char* key) {
  if (!info.is_object()) return "";
  auto it = info.find(key);
  if (it == info.end()) return "";
  if (it->is_string()) return it->get<std::string>();
  if (it->is_number()) return it->dump();
  return "";
}

// Event names and medium dates with a warning run wider than a phone's row
// beside the delete control: the second line wraps onto a third instead of
// being cut off.
constexpr double kRowHeight = 62;

class AlertCell : public SVTableViewCell {
 public:
  AlertCell() : SVTableViewCell(ui::TableViewCellStyle::subtitle, "Cell") {
    detailTextLabel()->setNumberOfLines(2);
    detailTextLabel()->setLineBreakMode(ui::LineBreakMode::wordWrap);
  }
  void layoutSubviews() override {
    SVTableViewCell::layoutSubviews();
    ui::Label& title = textLabel();
    ui::Label& detail = *detailTextLabel();
    const ui::Rect first = title.frame();
    const double titleHeight = title.font()->lineHeight();
    const double detailHeight = std::min(detail.sizeThatFits({first.width(), 0}).height,
                                         2 * detail.font()->lineHeight());
    const double top = std::max(0.0, (contentView().bounds().height() - titleHeight - detailHeight) / 2);
    title.setFrame({first.x(), top, first.width(), titleHeight});
    detail.setFrame({first.x(), top + titleHeight, first.width(), detailHeight});
  }
};

std::vector<std::string> identifiers(const std::vector<dev::LocalNotification>& list) {
  std::vector<std::string> ids;
  for (const auto& n : list) ids.push_back(n.identifier);
  return ids;
}

}  // namespace

AlertsViewController::AlertsViewController() : SettingsSubviewController("AlertsView") {}

void AlertsViewController::viewDidLoad() {
  SettingsSubviewController::viewDidLoad();
  notifications = dev::LocalNotificationCenter::shared().scheduled();
  dateFormatter.setDateStyle(ns::DateFormatter::Style::medium);
  dateFormatter.setTimeStyle(ns::DateFormatter::Style::medium);
  setTitle("Scheduled Alerts");
  if (mainTable) mainTable->setEditing(true, false);
}

double AlertsViewController::heightForRow(ui::TableView&, ui::IndexPath) { return kRowHeight; }

unsigned AlertsViewController::supportedInterfaceOrientations() const { return Utility::supportedInterfaceOrientations(); }

std::string AlertsViewController::detailText(const dev::LocalNotification& notification) const {
  const ns::JSON& info = notification.userInfo;
  std::string date;
  if (info.is_object()) {
    auto time = info.find("EventTime");
    if (time != info.end() && time->is_number() && std::isfinite(time->get<double>()))
      date = dateFormatter.stringFromDate(ns::Date::fromTimeIntervalSince1970(time->get<double>()));
  }
  const std::string minutes = valueText(info, "EventMinutesBefore");
  bool one = false;
  if (info.is_object())
    if (auto it = info.find("EventMinutesBefore"); it != info.end() && it->is_number())
      one = std::trunc(it->get<double>()) == 1;
  return date + " (warn " + minutes + (one ? " minute before)" : " minutes before)");
}

std::shared_ptr<ui::TableViewCell> AlertsViewController::cellForRow(ui::TableView& table, ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<AlertCell>(table.dequeueReusableCell("Cell"));
  if (!cell) cell = std::make_shared<AlertCell>();
  cell->setAccessoryType(ui::TableViewCellAccessory::none);
  if (path.row < 0 || path.row >= int(notifications.size())) return cell;
  const dev::LocalNotification& notification = notifications[std::size_t(path.row)];
  cell->textLabel().setText(valueText(notification.userInfo, "EventName"));
  cell->detailTextLabel()->setText(detailText(notification));
  return cell;
}

void AlertsViewController::commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                                              ui::IndexPath path) {
  if (style != ui::TableViewCellEditingStyle::deleteStyle) return;
  if (path.row < 0 || path.row >= int(notifications.size())) return;
  dev::LocalNotificationCenter& center = dev::LocalNotificationCenter::shared();
  std::vector<std::string> expected = identifiers(notifications);
  center.cancel(notifications[std::size_t(path.row)].identifier);
  expected.erase(expected.begin() + path.row);
  notifications = center.scheduled();
  // The list may have been stale (an alert fired meanwhile): fading out
  // one row is right only when exactly that row went.
  if (identifiers(notifications) == expected) table.deleteRows({path}, ui::TableViewRowAnimation::fade);
  else table.reloadData();
  if (AppDelegate::runningOniPad())
    if (SettingsViewController* settingsScreen = currentSettingsScreen()) settingsScreen->updateTableAfterValueChange();
}
