// The settings and location screens are made from screen definitions in
// the bundle's Interface folder: the loader connects each controller's
// outlets, actions and table delegates. This file holds what they share
// for it: loading a controller's view, taking an outlet, and registering
// the classes only their definitions name.
//
// Thread rules: main thread only.
#pragma once

#include <any>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/uikit/object.h"
#include "platform/uikit/view_controller.h"

// The map view ("MKMapView") and the master/detail container, which
// cannot be made from a definition. Registering twice does nothing.
void registerSettingsInterfaceClasses();

// Loads Interface/<name>.json with the controller as owner. A definition
// that is missing or damaged, or gives no view, leaves the controller an
// empty view of the screen's size, with a message on standard error: the
// screen opens empty rather than not at all.
void loadViewFromInterface(ui::ViewController& controller, std::string_view name);

// Sets an outlet from a loader's value when the value is an object of the
// outlet's class; false otherwise (the outlet is left alone).
template <typename T>
bool takeOutlet(std::shared_ptr<T>& outlet, const std::any& value) {
  const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value);
  if (object == nullptr) return false;
  auto typed = std::dynamic_pointer_cast<T>(*object);
  if (!typed) return false;
  outlet = std::move(typed);
  return true;
}

// One outlet of a controller with many: its name and its field.
struct Outlet {
  std::string_view name;
  std::function<bool(const std::any&)> take;
};
template <typename T>
Outlet outlet(std::string_view name, std::shared_ptr<T>& field) {
  return {name, [&field](const std::any& value) { return takeOutlet(field, value); }};
}
// Whether the outlet named `key` took the value; nothing when `key` names
// none of them.
std::optional<bool> setOutlet(std::string_view key, const std::any& value, std::initializer_list<Outlet> outlets);
