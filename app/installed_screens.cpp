// The screens the chart screen's buttons open.
#include "app/installed_screens.h"

#include <memory>

#include "app/chart_screen_controller.h"
#include "ui/settings/settings_view_controller.h"

void installChartScreens() {
  using Screen = ChartScreenController::Screen;
  ChartScreenController::setScreenMaker(
      Screen::settings, [](ChartScreenController&) { return std::make_shared<SettingsViewController>(); });
}
