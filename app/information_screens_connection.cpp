#include "app/information_screens_connection.h"

#include <span>

#include "app/chart_screen_controller.h"
#include "app/voice_control.h"
#include "chart/sky_chart.h"
#include "platform/foundation/user_defaults.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/info/help_list_view_controller.h"
#include "ui/info/information_screens.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/quick_start_view_controller.h"
#include "ui/info/search_results_view_controller.h"
#include "ui/info/search_view_controller.h"
#include "ui/info/web_browser_controller.h"

namespace {

using Screen = ChartScreenController::Screen;

std::shared_ptr<ui::ViewController> objectInfoScreen(ChartScreenController& chartScreen) {
  CSkyChart* chart = chartScreen.pSkyChart();
  if (chart == nullptr) return nullptr;
  auto info = ObjectInfoViewController::create();
  info->setObjectID(&chart->selectedObjectID);
  return info;
}

// The maker's satellite-project page; none while the maker's site is not
// set.
std::shared_ptr<ui::ViewController> projectScreen(ChartScreenController&) {
  std::optional<std::string> site = ns::UserDefaults::standard().stringForKey(kMakerWebSiteURLKey);
  if (!site || site->empty()) return nullptr;
  while (!site->empty() && site->back() == '/') site->pop_back();
  auto browser = WebBrowserController::create();
  browser->home = *site + "/Mirrowen/mobile/";
  browser->setTitle("Mirrowen");
  return browser;
}

void presentVoiceResults(ChartViewController& controller, std::span<const SkyObjectID> results) {
  auto screen = SearchResultsViewController::create();
  screen->setObjectIDs(results.data(), static_cast<int>(results.size()));
  screen->navigationItem().rightBarButtonItem =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, screen.get(), "doneTouched:");
  controller.presentViewController(std::make_shared<SVNavigationController>(screen), true);
}

}  // namespace

void connectInformationScreens() {
  installInformationScreens();
  ChartScreenController::setScreenMaker(Screen::search, [](ChartScreenController&) {
    return std::static_pointer_cast<ui::ViewController>(SearchViewController::create());
  });
  ChartScreenController::setScreenMaker(Screen::objectInfo, objectInfoScreen);
  ChartScreenController::setScreenMaker(Screen::help, [](ChartScreenController&) {
    return std::static_pointer_cast<ui::ViewController>(HelpListViewController::create());
  });
  ChartScreenController::setScreenMaker(Screen::mirrowen, projectScreen);
  ChartScreenController::setScreenMaker(Screen::quickStart, [](ChartScreenController&) {
    return std::static_pointer_cast<ui::ViewController>(QuickStartViewController::create());
  });
  VoiceControl::setSearchResultsPresenter(presentVoiceResults);
}

std::shared_ptr<ui::ViewController> makeBrowserScreen(const std::string& address, const std::string& title) {
  auto browser = WebBrowserController::create();
  browser->home = address;
  browser->setTitle(title);
  return std::make_shared<SVNavigationController>(browser);
}
