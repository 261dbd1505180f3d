// The chart screen as the list manager reaches it: fakes of the
// application delegate and the chart screen's controller around a real
// chart on the information tests' sky, with a settings model, registered
// for the life of the object.
#pragma once

#include <memory>

#include "skydata/application_database.h"
#include "tests/ui/foundation/ui_foundation_support.h"
#include "tests/ui/info/info_sky.h"
#include "ui/foundation/settings_model.h"

namespace info_test {

class ChartScreen {
 public:
  explicit ChartScreen(InfoSky& sky, double jd = kSatelliteDate, double longitude = 0,
                       double latitude = 45)
      : chart(sky.chart(jd, longitude, latitude)), controller(chart.get()), settings(&controller) {
    controller.setSettings(&settings);
    ui::Application::shared().setDelegate(delegate);
    setApplicationSkyDatabase(&sky.database());
    ChartViewController::setCurrentController(&controller);
  }
  ~ChartScreen() {
    setApplicationSkyDatabase(nullptr);
    ChartViewController::setCurrentController(nullptr);
    ui::Application::shared().setDelegate(nullptr);
  }
  ChartScreen(const ChartScreen&) = delete;
  ChartScreen& operator=(const ChartScreen&) = delete;

  std::unique_ptr<CSkyChart> chart;
  uifoundation::FakeChartViewController controller;
  Settings settings;
  std::shared_ptr<uifoundation::FakeAppDelegate> delegate =
      std::make_shared<uifoundation::FakeAppDelegate>();
};

}  // namespace info_test
