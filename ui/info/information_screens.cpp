#include "ui/info/information_screens.h"

#include "ui/foundation/sv_view_controller.h"
#include "ui/info/help_item_view_controller.h"
#include "ui/info/info_screen_classes.h"

void installInformationScreens() {
  registerInfoScreenClasses();
  SVViewController::setHelpScreenMaker([](const std::string& path, const std::string& folder) {
    auto page = HelpItemViewController::create();
    page->contentPathInit = path;
    page->contentDirInit = folder;
    return std::static_pointer_cast<ui::ViewController>(page);
  });
}
