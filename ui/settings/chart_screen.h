// What the settings and location screens reach through the chart screen
// (ChartViewController::currentController()): its settings model, chart,
// chart view and settings screen. Each answer is null while the chart
// screen, or the part asked for, does not exist.
//
// Thread rules: main thread only.
#pragma once

class CSkyChart;
class ChartView;
class Settings;
class SettingsViewController;

Settings* currentSettings();
CSkyChart* currentChart();
ChartView* currentChartView();
// The settings screen while it is open.
SettingsViewController* currentSettingsScreen();
// The chart view's perspective (1 to 4); 0 without a chart view.
int currentChartPerspective();
// One chart frame now / at the next refresh; nothing without a chart view.
void drawChartNow();
void redrawChart();
