#include "ui/foundation/interface_classes.h"

#include <algorithm>
#include <optional>

#include "platform/uikit/interface_loader.h"
#include "ui/foundation/bezeled_segmented_control.h"
#include "ui/foundation/small_views.h"
#include "ui/foundation/sv_controls.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/sv_view_controller.h"

namespace {

// The object's frame as the file gives it: decoding initialisers see it
// before anything else (the overlays they add cover it).
std::optional<ui::Rect> frameOf(const ui::Coder& coder) {
  const ns::JSON& json = coder.json();
  if (!json.is_object() || !json.contains("frame")) return std::nullopt;
  const ns::JSON& f = json["frame"];
  if (!f.is_array() || f.size() != 4) return std::nullopt;
  for (const auto& v : f)
    if (!v.is_number()) return std::nullopt;
  return ui::saneRect({f[0].get<double>(), f[1].get<double>(), f[2].get<double>(), f[3].get<double>()});
}

ui::Rect decodedFrame(const ui::Coder& coder, ui::Rect fallback = {}) { return frameOf(coder).value_or(fallback); }

template <typename T>
ui::InterfaceLoader::Factory withFrame() {
  return [](const ui::Coder& c) {
    auto object = std::make_shared<T>();
    if (auto frame = frameOf(c)) object->setFrame(*frame);
    return object;
  };
}

}  // namespace

void registerThemedInterfaceClasses() {
  static const bool done = [] {
    using ui::Coder;
    using ui::InterfaceLoader;
    InterfaceLoader::registerClass("SVView", withFrame<SVView>());
    InterfaceLoader::registerClass("OpaqueToTouchView", withFrame<OpaqueToTouchView>());
    InterfaceLoader::registerClass("SVHighlightButton", [](const Coder& c) {
      return std::make_shared<SVHighlightButton>(decodedFrame(c), ui::ButtonType(int(c.number("buttonType", 0))));
    });
    InterfaceLoader::registerClass("SVSegmentedControl", withFrame<SVSegmentedControl>());
    InterfaceLoader::registerClass("SVScrollView", withFrame<SVScrollView>());
    InterfaceLoader::registerClass("SVLabel", withFrame<SVLabel>());
    InterfaceLoader::registerClass("SVTextView", withFrame<SVTextView>());
    InterfaceLoader::registerClass("SVTextField", withFrame<SVTextField>());
    InterfaceLoader::registerClass("SVSearchBar", withFrame<SVSearchBar>());
    InterfaceLoader::registerClass("SVSearchBarTextBackground", withFrame<SVSearchBarTextBackground>());
    InterfaceLoader::registerClass("SVToolbar", withFrame<SVToolbar>());
    InterfaceLoader::registerClass("SVToolbarButton", [](const Coder& c) {
      return std::make_shared<SVToolbarButton>(decodedFrame(c), ui::ButtonType(int(c.number("buttonType", 0))));
    });
    InterfaceLoader::registerClass("SVButton", [](const Coder& c) {
      return std::make_shared<SVButton>(decodedFrame(c), ui::ButtonType(int(c.number("buttonType", 0))));
    });
    InterfaceLoader::registerClass("SVButtonOverlay", withFrame<SVButtonOverlay>());
    InterfaceLoader::registerClass("SVSwitch", [](const Coder& c) { return std::make_shared<SVSwitch>(decodedFrame(c)); });
    InterfaceLoader::registerClass("SVSwitchOverlay", withFrame<SVSwitchOverlay>());
    InterfaceLoader::registerClass("SVDatePicker", [](const Coder& c) {
      return std::make_shared<SVDatePicker>(SVDatePicker::Decoded{}, decodedFrame(c, {0, 0, 320, 216}));
    });
    InterfaceLoader::registerClass("SVActivityView", withFrame<SVActivityView>());
    InterfaceLoader::registerClass("BottomControlView", [](const Coder& c) {
      return std::make_shared<BottomControlView>(BottomControlView::Decoded{}, decodedFrame(c));
    });
    InterfaceLoader::registerClass("BorderedView", [](const Coder& c) {
      return std::make_shared<BorderedView>(decodedFrame(c));
    });
    InterfaceLoader::registerClass("MessageView", withFrame<MessageView>());
    InterfaceLoader::registerClass("UnderlinedButton", [](const Coder& c) {
      return std::make_shared<UnderlinedButton>(decodedFrame(c), ui::ButtonType(int(c.number("buttonType", 0))));
    });
    InterfaceLoader::registerClass("StatusBar", withFrame<StatusBar>());
    InterfaceLoader::registerClass("ZoomGestureRecognizer",
                                   [](const Coder&) { return std::make_shared<ZoomGestureRecognizer>(); });
    InterfaceLoader::registerClass("BezeledSegmentedControl", [](const Coder& c) {
      return std::make_shared<BezeledSegmentedControl>(BezeledSegmentedControl::Decoded{}, decodedFrame(c));
    });
    InterfaceLoader::registerClass("SVTableView", [](const Coder& c) {
      return std::make_shared<SVTableView>(decodedFrame(c, {0, 0, 320, 480}),
                                           int(c.number("style", 0)) == 1 ? ui::TableViewStyle::grouped
                                                                          : ui::TableViewStyle::plain);
    });
    InterfaceLoader::registerClass("SVTableViewCell", [](const Coder& c) {
      return std::make_shared<SVTableViewCell>(
          SVTableViewCell::Decoded{}, ui::TableViewCellStyle(std::clamp(int(c.number("cellStyle", 0)), 0, 3)),
          c.string("reuseIdentifier"));
    });
    InterfaceLoader::registerClass("SVSectionHeader", [](const Coder&) { return std::make_shared<SVSectionHeader>(); });
    InterfaceLoader::registerClass("SVSelectedBackgroundView", [](const Coder& c) {
      return std::make_shared<SVSelectedBackgroundView>(decodedFrame(c));
    });
    InterfaceLoader::registerClass("SVViewController", [](const Coder&) { return std::make_shared<SVViewController>(); });
    InterfaceLoader::registerClass("SVNavigationController",
                                   [](const Coder&) { return std::make_shared<SVNavigationController>(); });
    return true;
  }();
  (void)done;
}
