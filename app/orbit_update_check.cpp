// The automatic orbit-data update at a foreground entry and what follows
// every update attempt: the ISS selected unless a satellite or spacecraft
// already is.
#include <vector>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "app/orbit_update_check.h"
#include "chart/sky_chart.h"
#include "engine/clock.h"
#include "platform/foundation/user_defaults.h"
#include "skydata/object_types.h"
#include "skydata/sky_object.h"
#include "skydata/sky_database.h"

namespace {

constexpr double kUpdateIntervalDays = 0.041666666666666664;  // one hour
// Catalogue 154 (NORAD numbers) times 10^16 plus the ISS's number.
constexpr std::int64_t kStationCatalogNumber = 1540000000000025544;

}  // namespace

bool orbitUpdateDue(double lastUpdateJD, double nowJD) {
  // A stored time ahead of now (a clock that was set back) must not block
  // updates until the clock catches up.
  return nowJD - lastUpdateJD > kUpdateIntervalDays || lastUpdateJD > nowJD;
}

void ApplicationShell::doOrbitalElementCheck() {
  const double last = ns::UserDefaults::standard().doubleForKey(kLastOrbitUpdateTimeKey);
  if (!orbitUpdateDue(last, currentJulianDate())) return;
  // No update source is built in: the attempt fails at once and reports.
  orbitUpdateFinished();
}

void ApplicationShell::orbitUpdateFinished() {
  ns::RunLoop::main().performOnLoop([] {
    if (ApplicationShell* shell = ApplicationShell::shell()) shell->selectStationUnlessSatelliteSelected();
  });
}

void ApplicationShell::selectStationUnlessSatelliteSelected() {
  ChartScreenController* screen = chartScreen();
  CSkyChart* chart = screen ? screen->pSkyChart() : nullptr;
  if (chart == nullptr || chart->database == nullptr) return;
  const int type = chart->selectedObject ? chart->selectedObject->getType() : 0;
  if (type == kTypeSatellite || type == kTypeSpacecraft) return;
  std::vector<SkyObjectID> found;
  if (chart->database->findObjectsByCatalogNumber(kStationCatalogNumber, kSolarSystemFile, found, 1) < 1) return;
  chart->selectObject(&found[0]);
  if (screen->surface()->chartPerspective() == kSatellitePerspective) chart->setHomeObject(found[0]);
  screen->updateSelectedObject();
}
