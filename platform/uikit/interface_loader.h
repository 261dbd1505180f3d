// Screen definitions: JSON files in the bundle's Interface folder that
// describe a tree of objects by class name, their properties and how they
// connect to the object that loads them (the owner).
//
//   {"objects": [{"class": "UIView", "id": "root", "frame": [0, 0, 375, 667],
//                 "properties": {"backgroundColor": [0.1, 0.1, 0.1, 1]},
//                 "subviews": [{"class": "UILabel", "id": "title", ...}]}],
//    "outlets": {"view": "root", "titleLabel": "title"},
//    "actions": [{"object": "done", "selector": "doneTouched:", "events": ["touchUpInside"]}],
//    "delegates": [{"object": "table", "property": "dataSource"}]}
//
// Each object is made by its registered class through its decoding
// initialiser (the factory, which themed classes use to theme themselves),
// then given its frame and properties. Property values are read by the
// key's kind: colours ("...Color": [r, g, b, a]), fonts ("font": {"name",
// "size"} or {"UIFontDescriptor": {"NSCTFontUIUsageAttribute", ...}}),
// images ("image": "Name.png"), texts, numbers and flags.
//
// A file that does not parse, an unknown class, a subview that is not a
// view or a connection to an unknown object gives a message naming the
// file and the element, and no screen; a property that cannot be set is
// skipped with a message.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/json.h"
#include "platform/uikit/font.h"
#include "platform/uikit/object.h"

namespace ui {

// What an object's decoding initialiser reads.
class Coder {
 public:
  Coder(const ns::JSON& json, std::string path) : json_(json), path_(std::move(path)) {}
  bool contains(std::string_view key) const;
  std::string string(std::string_view key, std::string fallback = {}) const;
  double number(std::string_view key, double fallback = 0) const;
  bool flag(std::string_view key, bool fallback = false) const;
  const ns::JSON& json() const { return json_; }
  // Where the object stands in the file ("objects[0].subviews[2]").
  const std::string& path() const { return path_; }

 private:
  const ns::JSON& json_;
  std::string path_;
};

// A font from an archived description: the usage attribute chooses the
// system face (regular, emphasized, oblique) through the system-font
// provider; otherwise the named face.
FontPointer decodeFont(const ns::JSON& description);

class InterfaceLoader {
 public:
  using Factory = std::function<std::shared_ptr<Object>(const Coder&)>;
  static void registerClass(std::string name, Factory factory);
  static bool isRegistered(std::string_view name);

  // Interface/<name>.json from the bundle. The top-level objects, or none
  // with a message.
  static std::vector<std::shared_ptr<Object>> load(std::string_view name, Object* owner,
                                                   std::string* message = nullptr);
  static std::vector<std::shared_ptr<Object>> loadText(std::string_view text, std::string_view fileName,
                                                       Object* owner, std::string* message = nullptr);
  // Messages about skipped properties of the last load.
  static const std::vector<std::string>& warnings();

  // Why a definition's text cannot serve as one ("not a JSON text", "no
  // list of objects"); empty when it can. Its objects are not made.
  static std::string definitionFault(std::string_view text);

  // Prints "<name>: <message>" for a definition that did not load, once in
  // the process (a cell made for every row says it once), with control
  // characters escaped; nothing for a definition whose file has already
  // been named as damaged (setNamedAsDamaged, at launch).
  static void reportFailure(std::string_view name, std::string_view message);
  static void setNamedAsDamaged(std::string_view name);

 private:
  static std::vector<std::shared_ptr<Object>> loadChecked(std::string_view text, std::string_view fileName,
                                                          Object* owner, std::string* message);
};

}  // namespace ui
