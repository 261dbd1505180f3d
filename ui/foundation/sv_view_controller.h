// SVViewController: the base of most screens. Its view takes the theme's
// screen background; a screen with a help page gets a help button in its
// bottom-right corner (and a bottom margin for it); on a phone with a notch
// the content keeps clear of the home indicator; the table's selection is
// cleared when the screen comes back.
//
// Thread rules: main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/uikit/controls.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

class SVViewController : public ui::ViewController {
 public:
  std::string className() const override { return "SVViewController"; }
  // Outlets "contentView" and "mainTable", and the text "helpFilename".
  bool setValue(std::string_view key, const std::any& value) override;

  std::shared_ptr<ui::View> contentView;
  std::shared_ptr<ui::TableView> mainTable;
  std::string helpFilename;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  bool prefersHomeIndicatorAutoHidden() const override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  // Presents the screen's help page in a themed navigation controller.
  virtual void helpClicked(ui::Object* sender);
  // The help button, once viewDidLoad made it.
  ui::Button* helpButton() const { return helpButton_.get(); }

  // How a help page screen is made (the help screens install it): the
  // page's path and the folder of the pages. Without one, helpClicked
  // shows nothing.
  using HelpScreenMaker =
      std::function<std::shared_ptr<ui::ViewController>(const std::string& path, const std::string& folder)>;
  static void setHelpScreenMaker(HelpScreenMaker maker);

 private:
  std::shared_ptr<ui::Button> helpButton_;
};
