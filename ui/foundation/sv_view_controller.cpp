#include "ui/foundation/sv_view_controller.h"

#include <algorithm>

#include "ui/foundation/shell.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"

namespace {

SVViewController::HelpScreenMaker& helpScreenMaker() {
  static SVViewController::HelpScreenMaker maker;
  return maker;
}

}  // namespace

void SVViewController::setHelpScreenMaker(HelpScreenMaker maker) { helpScreenMaker() = std::move(maker); }

bool SVViewController::setValue(std::string_view key, const std::any& value) {
  if (auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value)) {
    if (key == "contentView") return (contentView = std::dynamic_pointer_cast<ui::View>(*object)) != nullptr;
    if (key == "mainTable") return (mainTable = std::dynamic_pointer_cast<ui::TableView>(*object)) != nullptr;
  }
  if (auto* text = std::any_cast<std::string>(&value); text && key == "helpFilename") {
    helpFilename = *text;
    return true;
  }
  return ui::ViewController::setValue(key, value);
}

void SVViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  ui::View& root = *view();
  root.setBackgroundColor(SVColor::viewBackgroundColor());

  const bool help = !helpFilename.empty();
  const double margin = help ? 30 : 24;
  if (help || AppDelegate::isIPhoneX()) {
    ui::View* shortened = contentView ? contentView.get() : mainTable.get();
    if (shortened) {
      ui::Rect frame = shortened->frame();
      frame.size.height = std::max(0.0, frame.height() - margin);
      shortened->setFrame(frame);
    }
  }
  if (!help) return;
  const ui::Rect bounds = root.bounds();
  const double lift = AppDelegate::runningOniPad() ? 1 : 0;
  helpButton_ = std::make_shared<ui::Button>(ui::ButtonType::system);
  helpButton_->setImage(Utility::imageNamed("Help", "png"));
  helpButton_->setFrame({bounds.width() - 35, bounds.height() - 20 - (margin - 20) / 2 - lift, 20, 20});
  helpButton_->setAutoresizingMask(ui::kFlexibleLeftMargin | ui::kFlexibleTopMargin);
  helpButton_->addTarget(this, "helpClicked:", ui::kControlEventTouchUpInside);
  root.addSubview(helpButton_);
}

void SVViewController::viewWillAppear(bool animated) {
  ui::ViewController::viewWillAppear(animated);
  if (mainTable) {
    if (auto selected = mainTable->indexPathForSelectedRow()) mainTable->deselectRow(*selected, true);
  }
}

bool SVViewController::prefersHomeIndicatorAutoHidden() const { return AppDelegate::isNightVision(); }

bool SVViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "helpClicked:") {
    helpClicked(sender);
    return true;
  }
  return ui::ViewController::performAction(selector, sender);
}

void SVViewController::helpClicked(ui::Object*) {
  // No container of settings pages is ever made (the settings screen
  // pushes its pages as on a phone), so the page is presented from here.
  if (!helpScreenMaker()) return;
  auto page = helpScreenMaker()(helpFilename, "Help/");
  if (!page) return;
  auto navigation = std::make_shared<SVNavigationController>(page);
  presentViewController(navigation, true);
}
