// The check-list pages of the settings screen ("Satellites Shown",
// "Countries Shown"): one row per item with a check-mark image, a tap that
// flips the item, and Select All and Select None in a header panel. After
// each change the table reloads, and on a tablet the settings screen's
// summary follows at once.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/controls.h"
#include "ui/settings/settings_subview_controller.h"

class CheckedListPage : public SettingsSubviewController {
 public:
  using SettingsSubviewController::SettingsSubviewController;
  // Outlets "headerView", "selectAllBtn", "selectNoneBtn".
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;

  std::shared_ptr<ui::View> headerView;
  std::shared_ptr<ui::Button> selectAllBtn, selectNoneBtn;

  void viewDidLoad() override;
  // The action beside the responder's own select-all.
  using ui::Responder::selectAll;
  void selectAll(ui::Object* sender);
  void selectNone(ui::Object* sender);

  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath path) override;
  double heightForHeader(ui::TableView& table, int section) override;
  void didSelectRow(ui::TableView& table, ui::IndexPath path) override;

 protected:
  // What a page lists and edits.
  virtual std::string rowText(ui::IndexPath path) = 0;
  virtual bool isChecked(ui::IndexPath path) = 0;
  virtual void toggle(ui::IndexPath path) = 0;
  virtual void setAll(bool checked) = 0;
  // The table and, on a tablet, the settings screen's summary.
  void itemsChanged();
};
