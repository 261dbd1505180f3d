#include "ui/info/screen_loading.h"

#include <string>

#include "platform/uikit/interface_loader.h"
#include "platform/uikit/window.h"
#include "ui/foundation/sv_table.h"
#include "ui/info/info_screen_classes.h"

void loadScreenDefinition(ui::ViewController& screen, std::string_view name) {
  registerInfoScreenClasses();
  std::string message;
  if (ui::InterfaceLoader::load(name, &screen, &message).empty() || !screen.isViewLoaded()) {
    ui::InterfaceLoader::reportFailure(name, message.empty() ? "no view" : message);
    screen.setView(std::make_shared<ui::View>(ui::Screen::main().bounds()));
  }
}

std::shared_ptr<ui::TableView> tableOrNew(std::shared_ptr<ui::TableView> table, ui::View& view) {
  if (table) return table;
  table = std::make_shared<SVTableView>(view.bounds(), ui::TableViewStyle::plain);
  table->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
  view.addSubview(table);
  return table;
}
