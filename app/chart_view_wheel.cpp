// The desktop wheel over the chart: the field changes as a pinch changes
// it, and the chart then turns so that the sky under the pointer is under
// it again, as a desktop user expects of a wheel.
#include <algorithm>
#include <cmath>

#include "app/chart_screen_controller.h"
#include "app/chart_surface_view.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "ui/foundation/settings_model.h"

namespace {

// The projection bends away from the centre, so one correction leaves an
// error (a tenth of a degree after a three-notch turn); each further one
// shrinks it several times over, until it is below a pixel's worth.
constexpr int kMostCorrections = 6;
constexpr double kCloseEnough = 1e-5;  // radians

}  // namespace

void ChartSurfaceView::zoomAboutPoint(ui::Point at, double magnification) {
  if (!skyChart_ || !zoomEnabled_ || zoomSign_ != 0 || !(magnification > 0) || !std::isfinite(magnification)) return;
  if (chartViewController && chartViewController->cameraRunning()) return;
  CSkyChart& chart = *skyChart_;
  if (momentumTimer_) stopMomentumTimer();
  if (panTimer_) stopPanToSelectedObject(true);
  const double x = at.x * scaleFactor_, y = at.y * scaleFactor_;
  double lon0 = 0, lat0 = 0;
  // A space view (which orbits its home) or a pointer off the sky zooms
  // about the centre, as a pinch does.
  const bool keepPointer = !chart.isSpaceView() && chart.screenToLonLat(x, y, &lon0, &lat0);
  chart.setDisplayFOV(pinchedField(chart.getDisplayFOV() / magnification));
  bool moved = false;
  for (int i = 0; keepPointer && i < kMostCorrections; ++i) {
    double lon1, lat1, lon, lat;
    if (!chart.screenToLonLat(x, y, &lon1, &lat1)) break;
    const double dLon = normalizeRadiansSigned(lon0 - lon1), dLat = lat0 - lat1;
    if (std::fabs(dLon) * std::cos(lat0) < kCloseEnough && std::fabs(dLat) < kCloseEnough) break;
    chart.getDisplayCenter(&lon, &lat);
    chart.setDisplayCenterLonLat(normalizeRadians(lon + dLon), std::clamp(lat + dLat, -kHalfPi, kHalfPi));
    moved = true;
  }
  // Turning the chart to keep the pointer's sky lets go of the selected
  // object, as a drag does; a zoom over the centre keeps it.
  if (moved && chart.centerOnSelected) {
    chart.setCenterOnSelected(false);
    if (Settings* settings = chartViewController ? chartViewController->settings() : nullptr)
      settings->setSelectedObjectLocked(false);
  }
  setNeedsDisplay();
  if (chartViewController) {
    if (moved) chartViewController->centerCoordsChanged();
    chartViewController->fovChanged();
  }
}
