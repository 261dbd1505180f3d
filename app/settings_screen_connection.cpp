// The settings screen the chart screen's Settings button opens.
#include "app/settings_screen_connection.h"

#include <memory>

#include "app/chart_screen_controller.h"
#include "ui/settings/settings_view_controller.h"

void connectSettingsScreen() {
  ChartScreenController::setScreenMaker(ChartScreenController::Screen::settings, [](ChartScreenController&) {
    return std::make_shared<SettingsViewController>();
  });
}
