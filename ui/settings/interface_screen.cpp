#include "ui/settings/interface_screen.h"

#include <cstdio>
#include <string>

#include "platform/devices/map_view.h"
#include "platform/uikit/interface_loader.h"
#include "platform/uikit/window.h"
#include "ui/foundation/interface_classes.h"

void registerSettingsInterfaceClasses() {
  static const bool done = [] {
    registerThemedInterfaceClasses();
    ui::InterfaceLoader::registerClass("MKMapView", [](const ui::Coder&) { return std::make_shared<dev::MapView>(ui::Rect{}); });
    // The container is made in code only, with its two columns.
    ui::InterfaceLoader::registerClass("CustomSplitViewController", [](const ui::Coder&) {
      std::fprintf(stderr, "Not implemented\n");
      return std::shared_ptr<ui::Object>();
    });
    return true;
  }();
  (void)done;
}

void loadViewFromInterface(ui::ViewController& controller, std::string_view name) {
  registerSettingsInterfaceClasses();
  std::string message;
  ui::InterfaceLoader::load(name, &controller, &message);
  if (controller.isViewLoaded()) return;
  ui::InterfaceLoader::reportFailure(name, message.empty() ? "no view" : message);
  controller.setView(std::make_shared<ui::View>(ui::Screen::main().bounds()));
}

std::optional<bool> setOutlet(std::string_view key, const std::any& value, std::initializer_list<Outlet> outlets) {
  for (const Outlet& o : outlets)
    if (o.name == key) return o.take(value);
  return std::nullopt;
}
