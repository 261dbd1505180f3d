// GroundCirclesViewController: the list of the chart's ground circles
// (named circles on the Earth drawn in the ground view), with Create, Edit
// (deletion) and a tap that opens the location screen in circle mode. It
// keeps no list of its own: every row reads the chart's circles.
//
// Thread rules: main thread only.
#pragma once

#include <memory>

#include "platform/uikit/controls.h"
#include "ui/settings/settings_subview_controller.h"

class GroundCirclesViewController : public SettingsSubviewController {
 public:
  GroundCirclesViewController();
  std::string className() const override { return "GroundCirclesViewController"; }
  // Outlets "footerView", "editBtn", "createButton".
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;

  std::shared_ptr<ui::View> footerView;
  std::shared_ptr<ui::Button> editBtn, createButton;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  unsigned supportedInterfaceOrientations() const override;
  // A circle "Untitled-<count + 1>" at longitude 0, latitude 0, radius 0,
  // at the end.
  void createTouched();
  void editTouched();

  int numberOfRows(ui::TableView&, int) override;
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, ui::IndexPath path) override;
  std::shared_ptr<ui::View> viewForFooter(ui::TableView&, int) override { return footerView; }
  double heightForFooter(ui::TableView&, int) override;
  ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, ui::IndexPath) override {
    return ui::TableViewCellEditingStyle::deleteStyle;
  }
  void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style, ui::IndexPath path) override;
  void didSelectRow(ui::TableView& table, ui::IndexPath path) override;
};
