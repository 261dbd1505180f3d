// CheckedTableViewController: a single-choice list page. One row per
// item, the chosen one checked; a tap moves the check, tells the delegate
// and, with autoBack, goes back a page.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/settings/settings_subview_controller.h"

class CheckedTableDelegate {
 public:
  virtual ~CheckedTableDelegate() = default;
  virtual void itemPicked(ui::IndexPath picked, ui::TableView& table) = 0;
};

class CheckedTableViewController : public SettingsSubviewController {
 public:
  explicit CheckedTableViewController(std::string interfaceName);
  std::string className() const override { return "CheckedTableViewController"; }
  // Outlet "footerView".
  bool setValue(std::string_view key, const std::any& value) override;

  std::vector<std::string> tableItems;
  // A row below 0 checks nothing and scrolls nowhere.
  ui::IndexPath selectedIndexPath{0, -1};
  CheckedTableDelegate* checkedTableDelegate = nullptr;  // not owned
  std::shared_ptr<ui::View> footerView;
  bool autoBack = false;
  bool noDoneBtn = false;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;

  int numberOfRows(ui::TableView&, int) override { return int(tableItems.size()); }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath path) override;
  std::shared_ptr<ui::View> viewForFooter(ui::TableView&, int) override { return footerView; }
  double heightForFooter(ui::TableView&, int) override;
  void didSelectRow(ui::TableView& table, ui::IndexPath path) override;
};
