// AlertsViewController: the "Scheduled Alerts" page, one row per event
// alert waiting to fire (a local notification the information screens
// scheduled), each deletable at once.
//
// Thread rules: main thread only.
#pragma once

#include <vector>

#include "platform/devices/local_notifications.h"
#include "platform/foundation/date.h"
#include "ui/settings/settings_subview_controller.h"

class AlertsViewController : public SettingsSubviewController {
 public:
  AlertsViewController();
  std::string className() const override { return "AlertsViewController"; }

  // As read when the page loaded and after each deletion.
  std::vector<dev::LocalNotification> notifications;
  ns::DateFormatter dateFormatter;

  void viewDidLoad() override;
  unsigned supportedInterfaceOrientations() const override;

  int numberOfRows(ui::TableView&, int) override { return int(notifications.size()); }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath path) override;
  void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style, ui::IndexPath path) override;
  bool willSelectRow(ui::TableView&, ui::IndexPath) override { return false; }
  // Room for a second line that wraps.
  double heightForRow(ui::TableView&, ui::IndexPath) override;

  // "<event date> (warn <minutes> minute(s) before)"; a missing or unusable
  // value shows as an empty text.
  std::string detailText(const dev::LocalNotification& notification) const;
};
