#include "tools/page_pictures/satellite_close_up.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "app/chart_surface_view.h"
#include "chart/sky_chart.h"
#include "gles/context/gl.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/run_loop.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/application.h"
#include "platform/uikit/display_links.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "ui/foundation/settings_model.h"

namespace page_pictures {
namespace {

// The theme a first start chooses ("Onyx").
constexpr int kDarkTheme = 2;

// The host's refresh: timers, display links and layout once a sixtieth of
// the manual clock. The models and maps a frame asks for are read on
// other threads in real time: each refresh gives them a moment.
void run(double seconds) {
  ns::RunLoop& loop = ns::RunLoop::main();
  const double end = loop.now() + seconds;
  while (loop.now() < end) {
    loop.runUntil(std::min(end, loop.now() + 1.0 / 60));
    ui::stepDisplayLinks(loop.now());
    ui::Application::shared().layoutWindows();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

CPlanet* findSatellite(const CSkyDatabase& database, long catalogNumber) {
  for (int i = 0; i < database.getSolarSystemObjectCount(); ++i) {
    CPlanet* body = database.getSolarSystemObject(i);
    if (body != nullptr && body->getType() == kTypeSatellite && long(body->getBodyNumber()) == catalogNumber)
      return body;
  }
  return nullptr;
}

std::shared_ptr<cg::Image> fail(std::string* message, const std::string& reason) {
  if (message != nullptr) *message = reason;
  return nullptr;
}

}  // namespace

std::shared_ptr<cg::Image> drawSatelliteCloseUp(const CloseUp& request, std::string* message) {
  auto clock = std::make_shared<ns::ManualClock>(1000.0);
  clock->setWallTime(request.unixSeconds);
  ns::RunLoop::main().setClock(clock);
  glDisable(GL_LOGGING_MGL);
  AppDelegate::setAppTheme(kDarkTheme);
  // Not the first start: no quick start over the chart.
  const std::string version = ns::Bundle::main().infoValue("CFBundleShortVersionString");
  ns::UserDefaults::standard().setInteger("LaunchCount-" + version, 1);
  ui::Application& app = ui::Application::shared();
  app.setDelegate(std::make_shared<ApplicationShell>());
  app.launch();
  app.layoutWindows();
  run(0.5);
  auto* screen = dynamic_cast<ChartScreenController*>(ChartViewController::currentController());
  ChartSurfaceView* view = screen != nullptr ? screen->surface() : nullptr;
  CSkyChart* chart = view != nullptr ? view->pSkyChart() : nullptr;
  if (chart == nullptr || chart->database == nullptr) return fail(message, "the chart screen did not start");
  CPlanet* satellite = findSatellite(*chart->database, request.catalogNumber);
  SkyObjectID id;
  if (satellite == nullptr || !chart->database->getSolarSystemObjectID(satellite, &id))
    return fail(message, "the bundle's catalogue has no satellite " + std::to_string(request.catalogNumber));
  satellite->setDiameter(request.sizeMetres / 1000);
  screen->selectObject(id);
  PerspectiveData& remembered = screen->settings()->satellitePerspectiveData();
  remembered.homePlanetDistance = 2 * request.distanceInSizes;  // in radii
  remembered.homePlanetLatitude = request.viewLatitude;
  remembered.homePlanetLongitude = request.viewLongitude;
  remembered.displayFOV = request.fieldDegrees;
  screen->setChartPerspective(kSatellitePerspective);
  view->setChartPerspective(kSatellitePerspective);
  run(2.0);
  view->drawImmediately();
  std::shared_ptr<cg::Image> frame = view->snapshotOfSkyChart();
  app.terminate();
  if (frame == nullptr) return fail(message, "the chart drew no frame");
  return frame;
}

}  // namespace page_pictures
