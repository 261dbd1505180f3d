// The chart's options for each of the four perspectives, from the settings
// model's current perspective data and display options.
#include <cmath>
#include <limits>

#include "app/chart_screen_controller.h"
#include "app/chart_surface_view.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/ellipsoid.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "ui/foundation/settings_model.h"

namespace {

constexpr double kOneMetreAU = 0.001 / kAstronomicalUnitKm;

int selectedType(const CSkyChart& chart) {
  return chart.selectedObject ? chart.selectedObject->getType() : 0;
}

// How far the observer stands from the home object's centre: `radii` of
// its radius (the Earth's equatorial radius round the Earth), a metre from
// a home without a size. A body is never nearer than the fly-in goes: the
// Sun's home distance in Earth radii, or a satellite's in its own, would
// put the observer inside it, the chart would draw its inside and the
// head-up display a distance below its surface.
double homeDistance(const CSkyChart& chart, double radii, bool aroundTheEarth) {
  const CSkyObject* home = chart.homeObject;
  const double radius = aroundTheEarth ? kEarthEquatorialRadiusAU : home ? chart.getObjectRadius(home) : 0;
  if (!(radius > 0) || !std::isfinite(radius)) return kOneMetreAU;
  const bool body = aroundTheEarth || (home->getType() != kTypeSatellite && home->getType() != kTypeSpacecraft);
  return radius * (body && !(radii >= kNearestHomeRadii) ? kNearestHomeRadii : radii);
}


}  // namespace

void ChartSurfaceView::setChartPerspective(int perspective) {
  // The camera's frames read the chart's frames and projection on their own
  // queue under this lock; a perspective rewrites them.
  std::lock_guard<std::recursive_mutex> lock(chartLock_);
  CSkyChart* chart = skyChart_.get();
  Settings* settings = chartViewController ? chartViewController->settings() : nullptr;
  chartPerspective_ = perspective;
  if (chart == nullptr || settings == nullptr) return;
  applySharedOptions(perspective);
  applyPerspectiveOptions(perspective);
  if (perspective == kSkyPerspective || perspective == kGroundPerspective) {
    chart->setHomeObject(SkyObjectID{});
    chart->setCenterOnHome(false);
    chart->setHomePlanetPosition(0, 0, 0);
    chart->drawAllHighlights = false;
    chart->setPlanetMagnitudeLimit(settings->planetMagnitudeLimit());
    if (perspective == kGroundPerspective) {
      const bool rotating = settings->showEarthRotationGround();
      chart->setDisplayCoordSystem(rotating ? kCoordEquatorial : kCoordBodyFixed);
      chart->followHomePlanet = rotating;
    }
  } else {
    applySpaceHome(perspective);
    if (perspective == kSatellitePerspective) return;  // the observer's site is left as it was
  }
  chart->setLocation(settings->longitude() * kRadiansPerDegree, settings->latitude() * kRadiansPerDegree,
                     settings->altitude());
  setNeedsDisplay();
}

// Steps shared by every perspective: filters, field, time, epoch, formats,
// horizon and the display options of the sky.
void ChartSurfaceView::applySharedOptions(int p) {
  CSkyChart& chart = *skyChart_;
  Settings& s = *chartViewController->settings();
  chart.earthView = p == kGroundPerspective;
  chart.setColorFilter(AppDelegate::isNightVision() ? 3 : 0);
  for (int code = 0; code < 256; ++code) chart.satelliteCategories[code] = s.satellitesShown()[code];
  const float tablet = AppDelegate::runningOniPad() ? 0.6f : 0.0f;
  chart.setDisplayFOV(kHalfPi);
  chart.setStarMagnitudeLimit((p == kOrbitPerspective ? 4.2f : 4.8f) + tablet);
  if (chart.starScale != 0.75) chart.starSpritesChanged = true;
  chart.starScale = 0.75;
  chart.milkyWayIntensity = 0.25;
  chart.setJulianDate(s.julianDate());
  chart.setDisplayCoordSystem(p == kSkyPerspective || p == kSatellitePerspective ? kCoordHorizon : kCoordEquatorial);
  chart.setDisplayCenterLonLat(s.displayCenterLon() * kRadiansPerDegree, s.displayCenterLat() * kRadiansPerDegree);
  chart.setDisplayFlippedHoriz(p == kGroundPerspective);
  chart.setDisplayFlippedVert(false);
  chart.setDisplayProjection(p == kGroundPerspective ? kProjectionEquirectangular : kProjectionStereographic);
  chart.setDisplayFOV(s.displayFOV() * kRadiansPerDegree);
  chart.aberration = 0;
  chart.properMotion = 0;
  chart.setDeltaT(1, 0.0);
  chart.lightTime = selectedType(chart) != kTypeSatellite;
  chart.refraction = 1;
  chart.setEpoch(1, 1, 2451545.0);
  chart.setRAFormat(2);
  chart.setDecFormat(6);
  chart.setAzimuthFormat(2);
  chart.setAltitudeFormat(6);
  chart.setLongitudeFormat(10);
  chart.setLatitudeFormat(10);
  chart.setDateFormat("BC %Y %b %d %a");
  chart.setTimeFormat("%H:%M:%S");
  chart.showDaylight = p == kSkyPerspective && s.showDaylight();
  chart.showHorizonCardinalPoints = p == kSkyPerspective;
  chart.showHorizon = p == kSkyPerspective || p == kGroundPerspective;
  const bool panorama = s.realisticHorizon() && p == kSkyPerspective;
  chart.setHorizonImage(panorama ? "Beaver Lake.png" : "");
  chart.horizonStyle = panorama ? 4 : 2;
  chart.showPlanets = true;
  chart.showPlanetNames = p == kSkyPerspective && s.showPlanetNames();
  chart.showPlanetOrbits = chart.showMoonOrbits = chart.showPlanetGrids = false;
  chart.showPlanetSurfaces = true;
  chart.showSelectedObjectOrbit = p != kSatellitePerspective && s.showSelectedOrbit();
  chart.showMinorPlanetNames = false;
  chart.highlightSatellites(false, 10000);
  chart.showDeepSkyImages = false;
  chart.showMilkyWay = true;
  chart.milkyWayStyle = 3;
  const bool figures = p == kSkyPerspective && s.showConstellations();
  chart.showConstellationsTraditional = figures && s.showTraditionalConstellations();
  chart.showConstellationsModern = figures && s.showModernConstellations();
  chart.showConstellationsMythical = figures && s.showMythicalConstellations();
  chart.showConstellationsBoundary = figures && s.showBoundaryConstellations();
  chart.showConstellationNames = false;
  chart.showConstellationAbbreviations = true;
  chart.constellationIntensity = 0.5;
  chart.showAsterisms = chart.showAsterismNames = false;
  chart.showGrid = s.showGrid();
  for (int system = 1; system <= 4; ++system)
    chart.showCoordGrid[system] = p == kSkyPerspective && s.gridCoordSystem() == system;
  chart.showEclipticPoles = false;
  chart.drawAllHighlights = true;
  chart.setPlanetMagnitudeLimit(std::numeric_limits<float>::infinity());
}

// The options that differ by perspective (the table of phases, atmospheres,
// surface features, satellites, stars and deep sky).
void ChartSurfaceView::applyPerspectiveOptions(int p) {
  CSkyChart& chart = *skyChart_;
  Settings& s = *chartViewController->settings();
  const float k = s.showNightCityLights() ? 1.0f : 0.9f;
  switch (p) {
    case kSkyPerspective:
      chart.showPlanetPhases = 1.0f;
      chart.showPlanetAtmospheres = true;
      chart.showPlanetSurfaceFeatures = false;
      chart.showSatellites = !s.showSelectedOnlySky();
      if (s.showSatelliteNamesSky()) chart.highlightSatellites(true, 10000);
      break;
    case kOrbitPerspective:
      chart.showPlanetPhases = s.showPlanetPhasesOrbit() ? k : 0.0f;
      chart.showPlanetAtmospheres = s.showPlanetAtmospheresOrbit();
      chart.showPlanetSurfaceFeatures = s.showPlanetSurfaceFeaturesOrbit();
      chart.showSatellites = !s.showSelectedOnlyOrbit();
      chart.showMinorPlanetNames = s.showSatelliteNamesOrbit();
      break;
    case kSatellitePerspective:
      chart.showPlanetPhases = s.showPlanetPhasesSat() ? k : 0.0f;
      chart.showPlanetAtmospheres = s.showPlanetAtmospheresSat();
      chart.showPlanetSurfaceFeatures = s.showPlanetSurfaceFeaturesSat();
      chart.showSatellites = !s.showSelectedOnlySat();
      break;
    default:
      chart.showPlanetPhases = s.showPlanetPhasesGround() ? k : 0.0f;
      chart.showPlanetAtmospheres = s.showPlanetAtmospheresGround();
      chart.showPlanetSurfaceFeatures = s.showPlanetSurfaceFeaturesGround();
      chart.showSatellites = !s.showSelectedOnlyGround();
      chart.showMinorPlanetNames = s.showSatelliteNamesGround();
      break;
  }
  chart.showStars = true;
  chart.showStarNames = p == kSkyPerspective && s.showStarNames();
  chart.showStarProperNames = chart.showStarBayerLetters = true;
  chart.starNameDensity = 0.15;
  chart.showDeepSkyObjects = p == kSkyPerspective && s.showDeepSkyObjects();
}

// The orbit and satellite views: the home object, its locks and the
// observer's place about it.
void ChartSurfaceView::applySpaceHome(int p) {
  CSkyChart& chart = *skyChart_;
  Settings& s = *chartViewController->settings();
  const int type = selectedType(chart);
  SkyObjectID home;
  if (p == kOrbitPerspective) {
    if (type == kTypeSatellite) {
      CSkyDatabase::setEarthObjectID(&home);
      chart.showSatellites = !s.showSelectedOnlyOrbit();
      chart.showPlanetNames = false;
      chart.setDisplayCoordSystem(s.showEarthRotationOrbit() ? kCoordEquatorial : kCoordBodyFixed);
      chart.followHomePlanet = s.showEarthRotationOrbit();
    } else {
      CSkyDatabase::setSunObjectID(&home);
      chart.showSatellites = false;
      chart.showPlanetNames = true;
      chart.setDisplayCoordSystem(kCoordEcliptic);
    }
    chart.showPlanetAtmospheres = s.showPlanetAtmospheresOrbit();
    chart.showPlanetOrbits = s.showPlanetOrbits();
    chart.showMoonOrbits = s.showMoonOrbits();
  } else {
    if (type == kTypeSatellite) {
      chart.showSatellites = !s.showSelectedOnlySat();
      chart.showPlanetNames = false;
      chart.showPlanetOrbits = s.showPlanetOrbits();
      chart.showMoonOrbits = s.showMoonOrbits();
      chart.setDisplayCoordSystem(kCoordHorizon);
      chart.followHomePlanet = 0;
    } else {
      // Without a satellite to ride, the view looks at what is selected
      // (the Earth when nothing is) from space, as from a spacecraft: the
      // horizon of a satellite left behind would make it a view from the
      // ground at the body's centre.
      chart.showPlanetNames = chart.showPlanetOrbits = chart.showMoonOrbits = true;
      chart.setDisplayCoordSystem(kCoordEcliptic);
      chart.followHomePlanet = 1;
    }
    home = chart.selectedObjectID;
    if (CSkyDatabase::isInvalidSkyObjectID(&home)) CSkyDatabase::setEarthObjectID(&home);
  }
  chart.setHomeObject(home);
  chart.setCenterOnHome(true);
  const double distance = homeDistance(chart, s.homePlanetDistance(), p == kOrbitPerspective && type == kTypeSatellite);
  chart.setHomePlanetPosition(s.homePlanetLongitude(), s.homePlanetLatitude(), distance);
  chart.centerOnObjectID(&home);
  setNeedsDisplay();
}
