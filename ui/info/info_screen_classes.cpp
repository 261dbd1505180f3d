#include "ui/info/info_screen_classes.h"

#include "platform/devices/web_view.h"
#include "platform/uikit/interface_loader.h"
#include "platform/uikit/pickers.h"
#include "ui/foundation/interface_classes.h"

void registerInfoScreenClasses() {
  static const bool registered = [] {
    registerThemedInterfaceClasses();
    ui::InterfaceLoader::registerClass(
        "WKWebView", [](const ui::Coder&) { return std::make_shared<dev::WebView>(ui::Rect{}); });
    ui::InterfaceLoader::registerClass("UIPageViewController", [](const ui::Coder&) {
      return std::make_shared<ui::PageViewController>();
    });
    return true;
  }();
  (void)registered;
}
