#include "platform/uikit/interface_loader.h"

#include <cstdio>
#include <map>
#include <set>

#include "platform/foundation/bundle.h"
#include "platform/foundation/file_io.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/image.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/text_input.h"
#include "support/utf8.h"

namespace ui {
namespace {

using ns::JSON;

std::map<std::string, InterfaceLoader::Factory, std::less<>>& registry() {
  static std::map<std::string, InterfaceLoader::Factory, std::less<>> classes;
  return classes;
}

std::vector<std::string>& warningList() {
  static std::vector<std::string> list;
  return list;
}

// The definitions whose failure has been said, by the loaders or at launch.
std::set<std::string, std::less<>>& failuresSaid() {
  static std::set<std::string, std::less<>> names;
  return names;
}

// The parsed definition, or a discarded value with the reason in `fault`.
JSON parseDefinition(std::string_view text, std::string* fault) {
  JSON root = JSON::parse(text.begin(), text.end(), nullptr, false);
  if (root.is_discarded()) {
    *fault = "not a JSON text";
    return root;
  }
  if (!root.is_object() || !root.contains("objects") || !root["objects"].is_array()) {
    *fault = "no list of objects";
    return JSON(JSON::value_t::discarded);
  }
  return root;
}

template <typename T>
InterfaceLoader::Factory plain() {
  return [](const Coder&) { return std::make_shared<T>(); };
}

void registerBuiltIns() {
  static const bool done = [] {
    auto& r = registry();
    r.emplace("UIView", plain<View>());
    r.emplace("UILabel", plain<Label>());
    r.emplace("UIImageView", plain<ImageView>());
    r.emplace("UIButton", [](const Coder& c) {
      return std::make_shared<Button>(ButtonType(int(c.number("buttonType", 0))));
    });
    r.emplace("UISwitch", plain<Switch>());
    r.emplace("UISlider", plain<Slider>());
    r.emplace("UISegmentedControl", plain<SegmentedControl>());
    r.emplace("UIActivityIndicatorView", [](const Coder& c) {
      return std::make_shared<ActivityIndicatorView>(ActivityIndicatorStyle(int(c.number("style", 0))));
    });
    r.emplace("UITextField", plain<TextField>());
    r.emplace("UITextView", plain<TextView>());
    r.emplace("UISearchBar", plain<SearchBar>());
    r.emplace("UIScrollView", plain<ScrollView>());
    r.emplace("UITableView", [](const Coder& c) {
      return std::make_shared<TableView>(TableViewStyle(int(c.number("style", 0)) == 1 ? 1 : 0));
    });
    r.emplace("UITableViewCell", [](const Coder& c) {
      return std::make_shared<TableViewCell>(TableViewCellStyle(std::clamp(int(c.number("cellStyle", 0)), 0, 3)),
                                             c.string("reuseIdentifier"));
    });
    r.emplace("UIViewController", plain<ViewController>());
    r.emplace("UINavigationController", plain<NavigationController>());
    return true;
  }();
  (void)done;
}

double numberAt(const JSON& j, const char* key, double fallback) {
  return j.is_object() && j.contains(key) && j[key].is_number() ? j[key].get<double>() : fallback;
}

std::optional<Color> colorValue(const JSON& v) {
  if (v.is_array() && (v.size() == 3 || v.size() == 4)) {
    double c[4] = {0, 0, 0, 1};
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (!v[i].is_number()) return std::nullopt;
      c[i] = v[i].get<double>();
    }
    return Color{c[0], c[1], c[2], c[3]};
  }
  if (v.is_object() && v.contains("white") && v["white"].is_number())
    return Color::white(v["white"].get<double>(), numberAt(v, "alpha", 1.0));
  return std::nullopt;
}

bool endsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// A JSON value as the kind the key wants; empty when it cannot be.
std::any propertyValue(std::string_view key, const JSON& v) {
  if (key == "frame" || endsWith(key, "Frame")) {
    if (v.is_array() && v.size() == 4 && std::all_of(v.begin(), v.end(), [](auto& x) { return x.is_number(); }))
      return Rect{v[0].get<double>(), v[1].get<double>(), v[2].get<double>(), v[3].get<double>()};
    return {};
  }
  if (endsWith(key, "Color") || endsWith(key, "color")) {
    if (auto c = colorValue(v)) return *c;
    return {};
  }
  if (key == "font" || endsWith(key, "Font")) {
    if (!v.is_object()) return {};
    if (auto font = decodeFont(v)) return font;
    return {};
  }
  if (key == "image" || endsWith(key, "Image")) {
    if (!v.is_string()) return {};
    if (auto image = Image::named(v.get<std::string>())) return image;
    return {};
  }
  if (v.is_boolean()) return v.get<bool>();
  if (v.is_number()) return v.get<double>();
  if (v.is_string()) return v.get<std::string>();
  if (v.is_array() && std::all_of(v.begin(), v.end(), [](auto& x) { return x.is_string(); })) {
    std::vector<std::string> strings;
    for (auto& x : v) strings.push_back(x.get<std::string>());
    return strings;
  }
  return {};
}

unsigned eventsValue(const JSON& v) {
  static const std::map<std::string, unsigned, std::less<>> names = {
      {"touchDown", kControlEventTouchDown},           {"touchUpInside", kControlEventTouchUpInside},
      {"touchUpOutside", kControlEventTouchUpOutside}, {"touchCancel", kControlEventTouchCancel},
      {"valueChanged", kControlEventValueChanged},     {"editingDidBegin", kControlEventEditingDidBegin},
      {"editingChanged", kControlEventEditingChanged}, {"editingDidEnd", kControlEventEditingDidEnd},
      {"editingDidEndOnExit", kControlEventEditingDidEndOnExit}};
  unsigned events = 0;
  auto add = [&](const JSON& name) {
    if (!name.is_string()) return;
    if (auto it = names.find(name.get<std::string>()); it != names.end()) events |= it->second;
  };
  if (v.is_array()) for (auto& n : v) add(n);
  else add(v);
  return events;
}

struct Load {
  std::string file;
  std::map<std::string, std::shared_ptr<Object>> byId;
  std::string error;

  bool fail(const std::string& where, const std::string& what) {
    if (error.empty()) error = file + ": " + where + ": " + what;
    return false;
  }
  void warn(const std::string& where, const std::string& what) {
    warningList().push_back(file + ": " + where + ": " + what);
    std::fprintf(stderr, "%s\n", warningList().back().c_str());
  }

  std::shared_ptr<Object> make(const JSON& j, const std::string& where) {
    if (!j.is_object()) return fail(where, "not an object"), nullptr;
    if (!j.contains("class") || !j["class"].is_string()) return fail(where, "no class"), nullptr;
    const std::string name = j["class"].get<std::string>();
    auto& classes = registry();
    auto it = classes.find(name);
    if (it == classes.end()) return fail(where, "unknown class \"" + name + "\""), nullptr;
    std::shared_ptr<Object> object = it->second(Coder(j, where));
    if (!object) return fail(where, "class \"" + name + "\" made nothing"), nullptr;
    if (j.contains("id")) {
      if (!j["id"].is_string()) return fail(where, "id is not a text"), nullptr;
      const std::string id = j["id"].get<std::string>();
      if (!byId.emplace(id, object).second) return fail(where, "id \"" + id + "\" used twice"), nullptr;
    }
    auto view = std::dynamic_pointer_cast<View>(object);
    if (j.contains("frame")) {
      std::any frame = propertyValue("frame", j["frame"]);
      if (!frame.has_value() || !object->setValue("frame", frame)) warn(where, "bad frame; skipped");
    }
    if (j.contains("properties")) {
      if (!j["properties"].is_object()) {
        warn(where, "properties are not an object; skipped");
      } else {
        for (auto& [key, value] : j["properties"].items()) {
          std::any converted = propertyValue(key, value);
          if (!converted.has_value() || !object->setValue(key, converted))
            warn(where, "property \"" + key + "\" not set; skipped");
        }
      }
    }
    if (j.contains("subviews")) {
      const JSON& subviews = j["subviews"];
      if (!subviews.is_array()) return fail(where + ".subviews", "not a list"), nullptr;
      if (!view) return fail(where, "only views have subviews"), nullptr;
      for (std::size_t i = 0; i < subviews.size(); ++i) {
        const std::string at = where + ".subviews[" + std::to_string(i) + "]";
        auto child = make(subviews[i], at);
        if (!child) return nullptr;
        auto childView = std::dynamic_pointer_cast<View>(child);
        if (!childView) return fail(at, "not a view"), nullptr;
        view->addSubview(childView);
      }
    }
    return object;
  }

  std::shared_ptr<Object> find(const JSON& id, const std::string& where) {
    if (!id.is_string()) return fail(where, "object is not named by a text"), nullptr;
    auto it = byId.find(id.get<std::string>());
    if (it == byId.end()) return fail(where, "no object \"" + id.get<std::string>() + "\""), nullptr;
    return it->second;
  }
};

}  // namespace

// ---- Coder ---------------------------------------------------------------------

bool Coder::contains(std::string_view key) const { return json_.is_object() && json_.contains(key); }

std::string Coder::string(std::string_view key, std::string fallback) const {
  if (contains(key) && json_[std::string(key)].is_string()) return json_[std::string(key)].get<std::string>();
  return fallback;
}

double Coder::number(std::string_view key, double fallback) const {
  if (contains(key) && json_[std::string(key)].is_number()) return json_[std::string(key)].get<double>();
  return fallback;
}

bool Coder::flag(std::string_view key, bool fallback) const {
  if (contains(key) && json_[std::string(key)].is_boolean()) return json_[std::string(key)].get<bool>();
  return fallback;
}

FontPointer decodeFont(const JSON& d) {
  if (!d.is_object()) return nullptr;
  if (d.contains("UIFontDescriptor") && d["UIFontDescriptor"].is_object()) {
    const JSON& descriptor = d["UIFontDescriptor"];
    double size = numberAt(descriptor, "NSFontSizeAttribute", numberAt(d, "size", 17.0));
    std::string usage = descriptor.contains("NSCTFontUIUsageAttribute") && descriptor["NSCTFontUIUsageAttribute"].is_string()
                            ? descriptor["NSCTFontUIUsageAttribute"].get<std::string>()
                            : "";
    if (usage == "CTFontRegularUsage") return Font::systemFont(size);
    if (usage == "CTFontEmphasizedUsage") return Font::boldSystemFont(size);
    if (usage == "CTFontObliqueUsage") return Font::italicSystemFont(size);
    std::string name = descriptor.contains("NSFontNameAttribute") && descriptor["NSFontNameAttribute"].is_string()
                           ? descriptor["NSFontNameAttribute"].get<std::string>()
                           : "";
    return name.empty() ? Font::systemFont(size) : Font::withName(name, size);
  }
  const double size = d.contains("size") && d["size"].is_number() ? d["size"].get<double>() : 17;
  if (d.contains("name") && d["name"].is_string()) return Font::withName(d["name"].get<std::string>(), size);
  std::string weight = d.contains("weight") && d["weight"].is_string() ? d["weight"].get<std::string>() : "";
  if (weight == "bold") return Font::boldSystemFont(size);
  if (weight == "italic") return Font::italicSystemFont(size);
  return Font::systemFont(size);
}

// ---- loader --------------------------------------------------------------------

void InterfaceLoader::registerClass(std::string name, Factory factory) {
  registerBuiltIns();
  registry()[std::move(name)] = std::move(factory);
}

bool InterfaceLoader::isRegistered(std::string_view name) {
  registerBuiltIns();
  return registry().count(name) > 0;
}

const std::vector<std::string>& InterfaceLoader::warnings() { return warningList(); }

std::string InterfaceLoader::definitionFault(std::string_view text) {
  std::string fault;
  parseDefinition(text, &fault);
  return fault;
}

void InterfaceLoader::reportFailure(std::string_view name, std::string_view message) {
  if (!failuresSaid().emplace(name).second) return;
  std::fprintf(stderr, "%s: %s\n", printableText(name).c_str(), printableText(message).c_str());
}

void InterfaceLoader::setNamedAsDamaged(std::string_view name) { failuresSaid().emplace(name); }

std::vector<std::shared_ptr<Object>> InterfaceLoader::load(std::string_view name, Object* owner,
                                                           std::string* message) {
  std::string path = ns::Bundle::main().pathForResource(name, "json", "Interface");
  if (path.empty()) {
    if (message) *message = std::string(name) + ".json: no such screen definition in the bundle";
    return {};
  }
  auto text = ns::readWholeFile(path);
  if (!text) {
    if (message) *message = path + ": cannot read the file";
    return {};
  }
  return loadText(*text, std::string(name) + ".json", owner, message);
}

std::vector<std::shared_ptr<Object>> InterfaceLoader::loadText(std::string_view text, std::string_view fileName,
                                                               Object* owner, std::string* message) {
  // Nothing throws out of the loader: a value of a kind no reader expected
  // is a bad file like any other.
  try {
    return loadChecked(text, fileName, owner, message);
  } catch (const std::exception& error) {
    if (message) *message = std::string(fileName) + ": " + error.what();
    return {};
  }
}

std::vector<std::shared_ptr<Object>> InterfaceLoader::loadChecked(std::string_view text, std::string_view fileName,
                                                                  Object* owner, std::string* message) {
  registerBuiltIns();
  warningList().clear();
  Load load;
  load.file = std::string(fileName);
  auto failed = [&](std::string error) {
    if (message) *message = std::move(error);
    return std::vector<std::shared_ptr<Object>>{};
  };
  std::string fault;
  JSON root = parseDefinition(text, &fault);
  if (root.is_discarded()) return failed(load.file + ": " + fault);
  std::vector<std::shared_ptr<Object>> top;
  const JSON& objects = root["objects"];
  for (std::size_t i = 0; i < objects.size(); ++i) {
    auto object = load.make(objects[i], "objects[" + std::to_string(i) + "]");
    if (!object) return failed(load.error);
    top.push_back(object);
  }
  // Connections are checked before any is made, so that a bad file
  // changes nothing of the owner's.
  struct Outlet { std::string name; std::shared_ptr<Object> object; };
  std::vector<Outlet> outlets;
  if (root.contains("outlets")) {
    if (!root["outlets"].is_object()) return failed(load.file + ": outlets: not an object");
    for (auto& [name, id] : root["outlets"].items()) {
      auto object = load.find(id, "outlets." + name);
      if (!object) return failed(load.error);
      outlets.push_back({name, object});
    }
  }
  struct Action { std::shared_ptr<Control> control; std::string selector; unsigned events; };
  std::vector<Action> actions;
  if (root.contains("actions")) {
    const JSON& list = root["actions"];
    if (!list.is_array()) return failed(load.file + ": actions: not a list");
    for (std::size_t i = 0; i < list.size(); ++i) {
      const std::string where = "actions[" + std::to_string(i) + "]";
      if (!list[i].is_object() || !list[i].contains("object") || !list[i].contains("selector") ||
          !list[i]["selector"].is_string())
        return failed(load.file + ": " + where + ": needs an object and a selector");
      auto object = load.find(list[i]["object"], where);
      if (!object) return failed(load.error);
      auto control = std::dynamic_pointer_cast<Control>(object);
      if (!control) return failed(load.file + ": " + where + ": not a control");
      unsigned events = list[i].contains("events") ? eventsValue(list[i]["events"]) : kControlEventTouchUpInside;
      actions.push_back({control, list[i]["selector"].get<std::string>(), events});
    }
  }
  struct Delegate { std::shared_ptr<Object> object; std::string property; };
  std::vector<Delegate> delegates;
  if (root.contains("delegates")) {
    const JSON& list = root["delegates"];
    if (!list.is_array()) return failed(load.file + ": delegates: not a list");
    for (std::size_t i = 0; i < list.size(); ++i) {
      const std::string where = "delegates[" + std::to_string(i) + "]";
      if (!list[i].is_object() || !list[i].contains("object") || !list[i].contains("property") ||
          !list[i]["property"].is_string())
        return failed(load.file + ": " + where + ": needs an object and a property");
      auto object = load.find(list[i]["object"], where);
      if (!object) return failed(load.error);
      delegates.push_back({object, list[i]["property"].get<std::string>()});
    }
  }
  if (owner) {
    for (auto& outlet : outlets)
      if (!owner->setValue(outlet.name, std::any(outlet.object)))
        load.warn("outlets." + outlet.name, "the owner has no such outlet; skipped");
    for (auto& action : actions) action.control->addTarget(owner, action.selector, action.events);
    for (auto& delegate : delegates)
      if (!delegate.object->setValue(delegate.property, std::any(owner)))
        load.warn("delegates", "property \"" + delegate.property + "\" not set; skipped");
  }
  return top;
}

}  // namespace ui
