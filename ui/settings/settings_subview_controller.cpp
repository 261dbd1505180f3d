#include "ui/settings/settings_subview_controller.h"

#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/settings/interface_screen.h"

SettingsSubviewController::SettingsSubviewController(std::string interfaceName)
    : interfaceName_(std::move(interfaceName)) {}

void SettingsSubviewController::loadView() { loadViewFromInterface(*this, interfaceName_); }

void SettingsSubviewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  auto done = std::make_shared<ui::BarButtonItem>("Done", this, "doneClicked:");
  done->style = ui::BarButtonItemStyle::done;
  navigationItem().rightBarButtonItem = done;
}

bool SettingsSubviewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector != "doneClicked:") return SVViewController::performAction(selector, sender);
  doneClicked(sender);
  return true;
}

void SettingsSubviewController::doneClicked(ui::Object* sender) {
  if (ui::NavigationController* navigation = navigationController()) {
    // A copy: a page may change the stack while it flushes.
    const auto stack = navigation->viewControllers();
    for (std::size_t i = stack.size(); i-- > 1;)
      if (stack[i].get() != this) stack[i]->viewWillDisappear(true);
  }
  ChartViewController* chartScreen = ChartViewController::currentController();
  if (ui::ViewController* settings = chartScreen ? chartScreen->settingsViewController() : nullptr)
    settings->performAction("doneTouched:", sender);
}

unsigned SettingsSubviewController::supportedInterfaceOrientations() const { return ui::kAllInterfaceOrientations; }

double SettingsSubviewController::heightForHeader(ui::TableView& table, int section) {
  return titleForHeader(table, section).empty() ? 0.01 : SVTableView::sectionHeaderHeight();
}

void SettingsSubviewController::willDisplayHeaderView(ui::TableView&, ui::View& header, int) {
  auto* titled = dynamic_cast<ui::TableViewHeaderFooterView*>(&header);
  if (titled == nullptr) return;
  titled->textLabel().setTextColor(SVTableView::sectionHeaderTextColor());
  titled->backgroundView().setBackgroundColor(SVTableView::sectionHeaderBackgroundColor());
}
