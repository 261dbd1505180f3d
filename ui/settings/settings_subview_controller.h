// SettingsSubviewController: the frame of every page the settings screen
// opens: a table page made from its screen definition, with a Done button
// that ends the whole settings visit, and the table defaults the pages
// override (no rows, untitled sections, thin footers, headers only where
// a section has a title, in the theme's header colours).
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/table_view.h"
#include "ui/foundation/sv_view_controller.h"

class SettingsSubviewController : public SVViewController,
                                  public ui::TableViewDataSource,
                                  public ui::TableViewDelegate {
 public:
  // `interfaceName`: the screen definition the page's view comes from.
  explicit SettingsSubviewController(std::string interfaceName);
  std::string className() const override { return "SettingsSubviewController"; }
  const std::string& interfaceName() const { return interfaceName_; }

  void loadView() override;
  // Puts "Done" on the right of the navigation bar.
  void viewDidLoad() override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  // Pages below this one on the stack (not the bottom one) hear
  // viewWillDisappear first, so they flush what they edit; then the
  // settings screen saves and closes.
  virtual void doneClicked(ui::Object* sender);
  unsigned supportedInterfaceOrientations() const override;

  // Table defaults.
  int numberOfRows(ui::TableView&, int) override { return 0; }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath) override { return nullptr; }
  std::string titleForHeader(ui::TableView&, int) override { return {}; }
  double heightForFooter(ui::TableView&, int) override { return 0.01; }
  double heightForHeader(ui::TableView& table, int section) override;
  void willDisplayHeaderView(ui::TableView&, ui::View& header, int section) override;

 private:
  std::string interfaceName_;
};
