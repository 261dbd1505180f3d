// Bar button items and the navigation item a controller shows in a bar.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/color.h"
#include "platform/uikit/font.h"
#include "platform/uikit/image.h"
#include "platform/uikit/object.h"

namespace ui {

class View;

enum class BarButtonSystemItem { none, done, cancel, edit, save, add, flexibleSpace, fixedSpace };
enum class BarButtonItemStyle { plain, bordered, done };

class BarButtonItem : public Object {
 public:
  BarButtonItem() = default;
  BarButtonItem(std::string title, Object* target, std::string selector)
      : title(std::move(title)), target(target), selector(std::move(selector)) {}
  BarButtonItem(BarButtonSystemItem item, Object* target, std::string selector);
  std::string className() const override { return "UIBarButtonItem"; }

  std::string title;
  ImagePointer image;
  BarButtonItemStyle style = BarButtonItemStyle::plain;
  BarButtonSystemItem systemItem = BarButtonSystemItem::none;
  Object* target = nullptr;
  std::string selector;
  std::function<void(BarButtonItem&)> action;
  std::shared_ptr<View> customView;
  std::optional<Color> tintColor;
  bool enabled = true;
  double width = 0;
  int tag = 0;

  // Sends the action (from the bar's button).
  void trigger();

  // The appearance every bar button item takes unless it says otherwise:
  // the font of the normal state.
  struct Appearance {
    FontPointer normalFont;
  };
  static Appearance& appearance();
};

class NavigationItem {
 public:
  std::string title;
  std::shared_ptr<View> titleView;
  std::shared_ptr<BarButtonItem> leftBarButtonItem, rightBarButtonItem, backBarButtonItem;
  bool hidesBackButton = false;
  std::string prompt;
};

}  // namespace ui
