#include "ui/settings/chart_screen.h"

#include "ui/foundation/shell.h"
#include "ui/settings/settings_view_controller.h"

Settings* currentSettings() {
  ChartViewController* controller = ChartViewController::currentController();
  return controller ? controller->settings() : nullptr;
}

CSkyChart* currentChart() {
  ChartViewController* controller = ChartViewController::currentController();
  return controller ? controller->pSkyChart() : nullptr;
}

ChartView* currentChartView() {
  ChartViewController* controller = ChartViewController::currentController();
  return controller ? controller->chartView() : nullptr;
}

SettingsViewController* currentSettingsScreen() {
  ChartViewController* controller = ChartViewController::currentController();
  return controller ? dynamic_cast<SettingsViewController*>(controller->settingsViewController()) : nullptr;
}

int currentChartPerspective() {
  ChartView* view = currentChartView();
  return view ? view->chartPerspective() : 0;
}

void drawChartNow() {
  if (ChartView* view = currentChartView()) view->drawImmediately();
}

void redrawChart() {
  if (ChartView* view = currentChartView()) view->setNeedsDisplay();
}
