// The root of the interface object model: a class name, values set by key
// (what interface files and key-value coding set) and actions sent by name
// (target-action and outlets connected from interface files).
//
// Thread rules: every interface object is main-thread only.
#pragma once

#include <any>
#include <memory>
#include <string>
#include <string_view>

namespace ui {

class Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;
  // The class name the object answers to (interface files and window
  // searches use it).
  virtual std::string className() const { return "NSObject"; }
  // Sets a property by its key; false when the class has no such key or
  // the value is of the wrong kind. Subclasses handle their keys and pass
  // the others on.
  virtual bool setValue(std::string_view key, const std::any& value);
  // Performs the action named by a selector ("doneTouched:") with a
  // sender; false when the object does not answer it.
  virtual bool performAction(std::string_view selector, Object* sender);
};

}  // namespace ui
