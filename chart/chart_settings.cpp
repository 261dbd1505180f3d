// The chart's state saved to and restored from a settings tree: place and
// time, view, selection and home, every layer option, highlights and the
// user's locations.
//
// Reading goes through the same setters the screens use, in an order that
// respects what depends on what: the place before the time zone and the
// date (and Delta T before the date, which recomputes it), the display
// system before its centre, the projection before the field of view, the
// selection before its lock, the home object before the observer's place
// about it, and the star limit after the field of view. A key that is
// absent, or holds a number that is not finite, takes its default.
#include <cmath>
#include <cstring>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/locations.h"
#include "skydata/settings.h"
#include "skydata/sky_database.h"

namespace {

// Degrees to radians as the settings have always been converted.
constexpr double kSettingsRadiansPerDegree = 0.01745329251993889;
constexpr double kHoursPerDay = 24.0;
// Colour intensities are kept as bytes in the file.
constexpr double kByteScale = 255.0;
// Angle-format codes: the second angle of a pair is signed, geographic
// latitude has a hemisphere letter instead.
constexpr int kSignedFormat = 4;
constexpr int kHemisphereFormat = 8;

double readDouble(const CSettings* tree, const char* key, double def) {
  double value = CSettings::getDouble(tree, key, 0, def);
  return std::isfinite(value) ? value : def;
}

int readInt(const CSettings* tree, const char* key, int def) {
  return CSettings::getInt(tree, key, 0, def);
}

bool readBool(const CSettings* tree, const char* key, bool def) {
  return readInt(tree, key, def ? 1 : 0) != 0;
}

void readColor(const CSettings* tree, const char* key, float out[3], float r, float g,
               float b) {
  const float* v = CSettings::getVector(tree, key, 0, r, g, b);
  bool finite = std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
  out[0] = finite ? v[0] : r;
  out[1] = finite ? v[1] : g;
  out[2] = finite ? v[2] : b;
}

struct BoolKey {
  const char* key;
  bool CSkyChart::*field;
  bool def;
};

struct DoubleKey {
  const char* key;
  double CSkyChart::*field;
  double def;
};

struct ColorKey {
  const char* key;
  float (CSkyChart::*field)[3];
  float r, g, b;
};

template <std::size_t N>
void readBools(CSkyChart& chart, const CSettings* tree, const BoolKey (&keys)[N]) {
  for (const BoolKey& k : keys) chart.*k.field = readBool(tree, k.key, k.def);
}

template <std::size_t N>
void writeBools(const CSkyChart& chart, CSettings* tree, const BoolKey (&keys)[N]) {
  for (const BoolKey& k : keys) CSettings::addInt(tree, k.key, chart.*k.field ? 1 : 0);
}

template <std::size_t N>
void readDoubles(CSkyChart& chart, const CSettings* tree, const DoubleKey (&keys)[N]) {
  for (const DoubleKey& k : keys) chart.*k.field = readDouble(tree, k.key, k.def);
}

template <std::size_t N>
void writeDoubles(const CSkyChart& chart, CSettings* tree, const DoubleKey (&keys)[N]) {
  for (const DoubleKey& k : keys) CSettings::addDouble(tree, k.key, chart.*k.field);
}

template <std::size_t N>
void readColors(CSkyChart& chart, const CSettings* tree, const ColorKey (&keys)[N]) {
  for (const ColorKey& k : keys) readColor(tree, k.key, chart.*k.field, k.r, k.g, k.b);
}

template <std::size_t N>
void writeColors(const CSkyChart& chart, CSettings* tree, const ColorKey (&keys)[N]) {
  for (const ColorKey& k : keys) {
    const float* c = chart.*k.field;
    CSettings::addVector(tree, k.key, c[0], c[1], c[2]);
  }
}

using C = CSkyChart;

const BoolKey kHorizonBools[] = {
    {"ShowHorizon", &C::showHorizon, true},
};
const BoolKey kHorizonBools2[] = {
    {"ShowHorizonGlow", &C::showHorizonGlow, true},
    {"ShowHorizonCardinalPoints", &C::showHorizonCardinalPoints, true},
};

const BoolKey kSolarBools[] = {
    {"ShowPlanets", &C::showPlanets, true},
    {"ShowPlanetNames", &C::showPlanetNames, true},
    {"ShowPlanetSurfaces", &C::showPlanetSurfaces, true},
    {"ShowPlanetAtmospheres", &C::showPlanetAtmospheres, true},
};
const BoolKey kSolarBools2[] = {
    {"ShowPlanetGrids", &C::showPlanetGrids, false},
    {"ShowPlanetAxes", &C::showPlanetAxes, false},
    {"ShowPlanetSurfaceFeatures", &C::showPlanetSurfaceFeatures, false},
    {"ShowMinorMoons", &C::showMinorMoons, false},
    {"ShowEarthMoonShadowCircles", &C::showEarthMoonShadowCircles, false},
    {"ShowAsteroids", &C::showAsteroids, false},
    {"ShowComets", &C::showComets, false},
    {"ShowSatellites", &C::showSatellites, false},
    {"ShowMinorPlanetNames", &C::showMinorPlanetNames, false},
    {"ShowPlanetOrbits", &C::showPlanetOrbits, false},
    {"ShowMoonOrbits", &C::showMoonOrbits, false},
    {"ShowSelectedObjectPath", &C::showSelectedObjectPath, false},
    {"ShowSelectedObjectOrbit", &C::showSelectedObjectOrbit, false},
    {"ShowOrbitPeriNodeMarkers", &C::showOrbitPeriNodeMarkers, false},
};
const DoubleKey kSolarDoubles[] = {
    {"PlanetMagnification", &C::planetMagnification, 1.0},
    {"MoonMagnification", &C::moonMagnification, 1.0},
};

const BoolKey kStarBools[] = {
    {"ShowStars", &C::showStars, true},
    {"ShowStarNames", &C::showStarNames, true},
    {"ShowStarProperNames", &C::showStarProperNames, true},
    {"ShowStarBayerLetters", &C::showStarBayerLetters, true},
};

const BoolKey kDeepSkyBools[] = {
    {"ShowDeepSkyObjects", &C::showDeepSkyObjects, true},
    {"ShowDeepSkyImages", &C::showDeepSkyImages, true},
    {"ShowDeepSkyProperNames", &C::showDeepSkyProperNames, true},
    {"ShowOpenClusters", &C::showOpenClusters, true},
    {"ShowGlobularClusters", &C::showGlobularClusters, true},
    {"ShowBrightNebulae", &C::showBrightNebulae, true},
    {"ShowPlanetaryNebulae", &C::showPlanetaryNebulae, true},
};
const BoolKey kDeepSkyBools2[] = {
    {"ShowMessierOnly", &C::showMessierOnly, false},
    {"ShowDeepSkyAtWideFOV", &C::showDeepSkyAtWideFOV, false},
    {"ShowDeepSkyNames", &C::showDeepSkyNames, false},
    {"ShowDarkNebulae", &C::showDarkNebulae, false},
};
const DoubleKey kDeepSkyDoubles[] = {
    {"DeepSkyNameDensity", &C::deepSkyNameDensity, 0.5},
    {"DeepSkyIntensity", &C::deepSkyIntensity, 0.5},
};

const BoolKey kMilkyWayBools[] = {
    {"ShowMilkyWay", &C::showMilkyWay, true},
    {"MilkyWayFades", &C::milkyWayFades, true},
    {"MilkyWayParticleGalaxy", &C::milkyWayParticleGalaxy, true},
};

const BoolKey kConstellationBools[] = {
    {"ShowConstellations", &C::showConstellations, true},
    {"ShowConstellationsModern", &C::showConstellationsModern, true},
    {"ShowConstellationsTraditional", &C::showConstellationsTraditional, false},
    {"ShowConstellationsMythical", &C::showConstellationsMythical, false},
    {"ShowConstellationsBoundary", &C::showConstellationsBoundary, false},
    {"ShowConstellationNames", &C::showConstellationNames, false},
    {"ShowConstellationAbbreviations", &C::showConstellationAbbreviations, false},
    {"SelectConstellations", &C::selectConstellations, false},
    {"ZodiacConstellationsOnly", &C::zodiacConstellationsOnly, false},
    {"ShowAsterisms", &C::showAsterisms, false},
    {"ShowAsterismNames", &C::showAsterismNames, false},
};
const ColorKey kConstellationColors[] = {
    {"ConstellationLineRGB", &C::constellationLineRGB, 0.5f, 0.5f, 0.5f},
    {"ConstellationNameRGB", &C::constellationNameRGB, 0.5f, 0.5f, 0.5f},
    {"ConstellationImageRGB", &C::constellationImageRGB, 0.5f, 0.5f, 0.5f},
    {"ConstellationBoundaryRGB", &C::constellationBoundaryRGB, 0, 0.5f, 1},
    {"AsterismLineRGB", &C::asterismLineRGB, 1, 0.5f, 0},
    {"AsterismNameRGB", &C::asterismNameRGB, 1, 0.5f, 0},
};

const BoolKey kGridBools[] = {
    {"ShowCelestialEquator", &C::showCelestialEquator, false},
    {"ShowCelestialEquatorTicks", &C::showCelestialEquatorTicks, false},
    {"ShowGalacticEquator", &C::showGalacticEquator, false},
    {"ShowEcliptic", &C::showEcliptic, false},
    {"ShowEclipticTicks", &C::showEclipticTicks, false},
    {"ShowMeridian", &C::showMeridian, false},
    {"ShowMeridianTicks", &C::showMeridianTicks, false},
    {"ShowCelestialPoles", &C::showCelestialPoles, false},
    {"ShowGalacticPoles", &C::showGalacticPoles, false},
    {"ShowEclipticPoles", &C::showEclipticPoles, false},
    {"ShowEquinoxMarkers", &C::showEquinoxMarkers, false},
    {"ShowSolsticeMarkers", &C::showSolsticeMarkers, false},
    {"ShowZenith", &C::showZenith, true},
};

const BoolKey kHighlightBools[] = {
    {"ShowHighlightedObjectCircles", &C::showHighlightedObjectCircles, true},
    {"ShowHighlightedObjectLabels", &C::showHighlightedObjectLabels, true},
    {"ShowHighlightedObjectOrbits", &C::showHighlightedObjectOrbits, false},
    {"ShowHighlightedObjectPaths", &C::showHighlightedObjectPaths, false},
};

// The angle-format keys: the pair's first setter gets the code, the second
// the code with a sign (or, for geographic latitude, a hemisphere).
struct FormatKey {
  const char* key;
  void (CSkyCoordinates::*first)(int);
  void (CSkyCoordinates::*second)(int);
  std::int32_t CSkyCoordinates::*stored;
  int secondFlag;
};

const FormatKey kFormatKeys[] = {
    {"RADecFmt", &CSkyCoordinates::setRAFormat, &CSkyCoordinates::setDecFormat,
     &CSkyCoordinates::raFormat, kSignedFormat},
    {"AltAzFmt", &CSkyCoordinates::setAzimuthFormat, &CSkyCoordinates::setAltitudeFormat,
     &CSkyCoordinates::azimuthFormat, kSignedFormat},
    {"LatLonFmt", &CSkyCoordinates::setLongitudeFormat, &CSkyCoordinates::setLatitudeFormat,
     &CSkyCoordinates::longitudeFormat, kHemisphereFormat},
    {"EclipticLatLonFmt", &CSkyCoordinates::setEclipticLongitudeFormat,
     &CSkyCoordinates::setEclipticLatitudeFormat, &CSkyCoordinates::eclipticLongitudeFormat,
     kSignedFormat},
    {"GalacticLatLonFmt", &CSkyCoordinates::setGalacticLongitudeFormat,
     &CSkyCoordinates::setGalacticLatitudeFormat, &CSkyCoordinates::galacticLongitudeFormat,
     kSignedFormat},
};

// The grid systems in the order the writer looks for the one that is on.
const int kGridWriteOrder[] = {kCoordEquatorial, kCoordEcliptic, kCoordGalactic, kCoordHorizon};

}  // namespace

int CSkyChart::readSettings(const CSettings* tree, bool readLocations, bool readHighlights) {
  // Place and time.
  setLocation(readDouble(tree, "Longitude", 0) * kSettingsRadiansPerDegree,
              readDouble(tree, "Latitude", 0) * kSettingsRadiansPerDegree,
              readDouble(tree, "Altitude", 0));
  setTimeZone(readDouble(tree, "TimeZone", 0) / kHoursPerDay);
  setDeltaT(readInt(tree, "AutoDeltaT", 1), readDouble(tree, "DeltaT", 0) / kSecondsPerDay);
  setCalendar(readInt(tree, "Calendar", 2));
  setJulianDate(readDouble(tree, "JulianDate", 2451545.0));
  setAutomaticDST(readBool(tree, "AutoDST", true));

  // View and apparent place.
  int system = readInt(tree, "DisplayCoordSystem", kCoordHorizon);
  setDisplayCoordSystem(system);
  setDisplayCenterInSystem(displayCoordSystem,
                           readDouble(tree, "DisplayCenterLon", 0) * kSettingsRadiansPerDegree,
                           readDouble(tree, "DisplayCenterLat", 45.0) * kSettingsRadiansPerDegree);
  setDisplayProjection(readInt(tree, "DisplayProjection", kProjectionStereographic));
  setDisplayFOV(readDouble(tree, "DisplayFOV", 90.0) * kSettingsRadiansPerDegree);
  setDisplayFlippedHoriz(readBool(tree, "DisplayFlippedHoriz", false));
  setDisplayFlippedVert(readBool(tree, "DisplayFlippedVert", false));
  setEpoch(readInt(tree, "CurrentPrecession", 1), readInt(tree, "Nutation", 1),
           readDouble(tree, "PrecessionEpoch", 2451545.0));
  refraction = readBool(tree, "Refraction", true);
  aberration = readBool(tree, "Aberration", false);
  properMotion = readBool(tree, "Proper Motion", false);
  lightTime = readBool(tree, "Light Time", true);
  setDateFormat(CSettings::getString(tree, "DateFmtStr", 0, "%a %b %d, %Y BC"));
  setTimeFormat(CSettings::getString(tree, "TimeFmtStr", 0, "%I:%M:%S %p"));
  for (const FormatKey& k : kFormatKeys) {
    int code = readInt(tree, k.key, 3);
    (this->*k.first)(code);
    (this->*k.second)(code | k.secondFlag);
  }

  // Selection and home. An unresolvable selection selects the Sun.
  SkyObjectID id;
  // getObject hands out an object node's members.
  const CSettings* node = CSettings::getObject(tree, "SelectedObject", 0);
  if (node == nullptr || database == nullptr || !database->objectIDFromSettings(&id, node))
    CSkyDatabase::setSunObjectID(&id);
  selectObject(&id);
  setCenterOnSelected(readBool(tree, "SelectedObjectLocked", false));
  node = CSettings::getObject(tree, "HomeObject", 0);
  SkyObjectID home;
  if (node != nullptr && database != nullptr && database->objectIDFromSettings(&home, node))
    setHomeObjectKeepingPosition(home);
  else
    setHomeObject(SkyObjectID{});
  setCenterOnHome(readBool(tree, "HomePlanetLocked", false));
  setHomePlanetPosition(readDouble(tree, "HomePlanetLongitude", 0) * kSettingsRadiansPerDegree,
                        readDouble(tree, "HomePlanetLatitude", 0) * kSettingsRadiansPerDegree,
                        readDouble(tree, "HomePlanetDistance", 0));
  followHomePlanet = readBool(tree, "FollowHomePlanet", true);

  // Horizon and sky.
  readBools(*this, tree, kHorizonBools);
  horizonStyle = readInt(tree, "HorizonStyle", 4);
  setHorizonImage(CSettings::getString(tree, "HorizonTexture", 0, ""));
  readBools(*this, tree, kHorizonBools2);
  horizonAltitude = readDouble(tree, "HorizonAltitude", 0) * kSettingsRadiansPerDegree;
  showDaylight = readBool(tree, "ShowDaylight", false);
  readColor(tree, "DaylightSkyRGB", daylightSkyRGB, 0.75f, 1, 1);

  // Solar system.
  readBools(*this, tree, kSolarBools);
  showPlanetPhases = readBool(tree, "ShowPlanetPhases", true) ? 1.0f : 0.0f;
  readBools(*this, tree, kSolarBools2);
  // "No limit" is stored as infinity and stays so; only a value that is
  // not a number counts as absent.
  double planetLimit = CSettings::getDouble(tree, "PlanetMagLimitKey", 0, 20.0);
  setPlanetMagnitudeLimit(static_cast<float>(std::isnan(planetLimit) ? 20.0 : planetLimit));
  readDoubles(*this, tree, kSolarDoubles);
  marsStyle = readInt(tree, "MarsStyle", 0);
  earthStyle = readInt(tree, "EarthStyle", 1);
  readColor(tree, "PlanetNameRGB", planetNameRGB, 1, 1, 1);

  // Stars.
  readBools(*this, tree, kStarBools);
  starColorIntensity = static_cast<float>(readInt(tree, "StarColorIntensity", 192) / kByteScale);
  setStarMagnitudeLimit(static_cast<float>(readDouble(tree, "StarMagLimit", 6.0)));
  double scale = readDouble(tree, "StarScale", 1.0);
  if (scale != starScale) starSpritesChanged = true;
  starScale = scale;
  starNameDensity = readDouble(tree, "StarNameDensity", 0.1);
  showDoubleStars = readBool(tree, "ShowDoubleStars", false);
  readColor(tree, "StarNameRGB", starNameRGB, 1, 1, 1);

  // Deep sky.
  readBools(*this, tree, kDeepSkyBools);
  bool galaxies = readBool(tree, "ShowGalaxies", true);
  for (bool& group : showGalaxyGroups) group = galaxies;
  readBools(*this, tree, kDeepSkyBools2);
  setDeepSkyMagnitudeLimit(static_cast<float>(readDouble(tree, "DeepSkyMagLimit", 9.0)));
  readDoubles(*this, tree, kDeepSkyDoubles);
  readColor(tree, "DeepSkyNameRGB", deepSkyNameRGB, 1, 1, 1);

  // Milky Way.
  readBools(*this, tree, kMilkyWayBools);
  milkyWayStyle = readInt(tree, "MilkyWayStyle", 3);
  milkyWayIntensity = readDouble(tree, "MilkyWayIntensity", 0.75);

  // Constellations and asterisms.
  readBools(*this, tree, kConstellationBools);
  constellationIntensity = readDouble(tree, "ConstellationIntensity", 0.5);
  readColors(*this, tree, kConstellationColors);

  // Grid and reference lines.
  showGrid = readBool(tree, "ShowGrid", false);
  int gridSystem = readInt(tree, "GridCoordSystem", kCoordEquatorial);
  for (int s = 1; s <= 4; ++s) showCoordGrid[s] = s == gridSystem;
  readBools(*this, tree, kGridBools);

  if (readHighlights) {
    readBools(*this, tree, kHighlightBools);
    int n = CSettings::countObjects(tree, "HighlitedObject");
    SkyObjectID* ids = n > 0 ? new SkyObjectID[static_cast<std::size_t>(n)] : nullptr;
    int found = 0;
    for (int i = 0; i < n; ++i) {
      const CSettings* entry = CSettings::getObject(tree, "HighlitedObject", i);
      if (entry != nullptr && database != nullptr &&
          database->objectIDFromSettings(&ids[found], entry))
        ++found;
    }
    setHighlightedObjects(ids, found);
    delete[] ids;
  }
  if (readLocations) readUserLocations(tree);
  readCountryBorderSettings(tree);
  updateNeeded = true;
  return 1;
}

int CSkyChart::writeSettings(CSettings* tree, bool writeLocations, bool writeHighlights) {
  if (tree == nullptr) return 0;
  // Place and time.
  CSettings::addDouble(tree, "Longitude", longitude / kSettingsRadiansPerDegree);
  CSettings::addDouble(tree, "Latitude", latitude / kSettingsRadiansPerDegree);
  CSettings::addDouble(tree, "Altitude", altitude);
  CSettings::addDouble(tree, "TimeZone", timeZone * kHoursPerDay);
  CSettings::addDouble(tree, "JulianDate", julianDate);
  CSettings::addInt(tree, "Calendar", calendar);
  CSettings::addDouble(tree, "DeltaT", manualDeltaT * kSecondsPerDay);
  CSettings::addInt(tree, "AutoDeltaT", autoDeltaT);
  CSettings::addInt(tree, "AutoDST", autoDST);

  // View and apparent place.
  CSettings::addInt(tree, "DisplayCoordSystem", displayCoordSystem);
  CSettings::addDouble(tree, "DisplayCenterLon", displayCenterLon / kSettingsRadiansPerDegree);
  CSettings::addDouble(tree, "DisplayCenterLat", displayCenterLat / kSettingsRadiansPerDegree);
  CSettings::addInt(tree, "DisplayProjection", displayProjection);
  CSettings::addDouble(tree, "DisplayFOV", displayFOV / kSettingsRadiansPerDegree);
  CSettings::addInt(tree, "DisplayFlippedHoriz", flippedHoriz);
  CSettings::addInt(tree, "DisplayFlippedVert", flippedVert);
  CSettings::addInt(tree, "CurrentPrecession", currentEpoch);
  CSettings::addDouble(tree, "PrecessionEpoch", fixedEpoch);
  CSettings::addInt(tree, "Nutation", nutation);
  CSettings::addInt(tree, "Refraction", refraction);
  CSettings::addInt(tree, "Aberration", aberration);
  CSettings::addInt(tree, "Proper Motion", properMotion);
  CSettings::addInt(tree, "Light Time", lightTime);
  CSettings::addString(tree, "DateFmtStr", dateFormat);
  CSettings::addString(tree, "TimeFmtStr", timeFormat);
  for (const FormatKey& k : kFormatKeys) CSettings::addInt(tree, k.key, this->*k.stored);

  // Selection and home.
  if (database != nullptr && !CSkyDatabase::isInvalidSkyObjectID(&selectedObjectID)) {
    if (CSettings* description = database->objectIDToSettings(&selectedObjectID))
      CSettings::addObject(tree, "SelectedObject", description);
  }
  CSettings::addInt(tree, "SelectedObjectLocked", centerOnSelected);
  CSettings* homeDescription = nullptr;
  if (homeObject != nullptr && database != nullptr &&
      !CSkyDatabase::isInvalidSkyObjectID(&homeObjectID))
    homeDescription = database->objectIDToSettings(&homeObjectID);
  if (homeDescription != nullptr)
    CSettings::addObject(tree, "HomeObject", homeDescription);
  else
    CSettings::addString(tree, "HomeObject", "Earth");
  CSettings::addInt(tree, "HomePlanetLocked", centerOnHome);
  CSettings::addDouble(tree, "HomePlanetDistance", homePlanetDistance);
  CSettings::addDouble(tree, "HomePlanetLatitude", homePlanetLatitude / kSettingsRadiansPerDegree);
  CSettings::addDouble(tree, "HomePlanetLongitude",
                       homePlanetLongitude / kSettingsRadiansPerDegree);
  CSettings::addInt(tree, "FollowHomePlanet", followHomePlanet);

  // Horizon and sky.
  writeBools(*this, tree, kHorizonBools);
  CSettings::addInt(tree, "HorizonStyle", horizonStyle);
  CSettings::addString(tree, "HorizonTexture", horizonTexture);
  writeBools(*this, tree, kHorizonBools2);
  CSettings::addDouble(tree, "HorizonAltitude", horizonAltitude / kSettingsRadiansPerDegree);
  CSettings::addInt(tree, "ShowDaylight", showDaylight);
  CSettings::addVector(tree, "DaylightSkyRGB", daylightSkyRGB[0], daylightSkyRGB[1],
                       daylightSkyRGB[2]);

  // Solar system.
  writeBools(*this, tree, kSolarBools);
  CSettings::addInt(tree, "ShowPlanetPhases", showPlanetPhases > 0 ? 1 : 0);
  writeBools(*this, tree, kSolarBools2);
  CSettings::addDouble(tree, "PlanetMagLimitKey", planetMagLimit);
  writeDoubles(*this, tree, kSolarDoubles);
  CSettings::addInt(tree, "MarsStyle", marsStyle);
  CSettings::addInt(tree, "EarthStyle", earthStyle);
  CSettings::addVector(tree, "PlanetNameRGB", planetNameRGB[0], planetNameRGB[1],
                       planetNameRGB[2]);

  // Stars.
  writeBools(*this, tree, kStarBools);
  CSettings::addInt(tree, "StarColorIntensity",
                    static_cast<int>(std::lround(starColorIntensity * kByteScale)));
  CSettings::addDouble(tree, "StarMagLimit", starMagLimit);
  CSettings::addDouble(tree, "StarScale", starScale);
  CSettings::addDouble(tree, "StarNameDensity", starNameDensity);
  CSettings::addInt(tree, "ShowDoubleStars", showDoubleStars);
  CSettings::addVector(tree, "StarNameRGB", starNameRGB[0], starNameRGB[1], starNameRGB[2]);

  // Deep sky.
  writeBools(*this, tree, kDeepSkyBools);
  CSettings::addInt(tree, "ShowGalaxies", showGalaxyGroups[0]);
  writeBools(*this, tree, kDeepSkyBools2);
  updateDeepSkyMagnitudeLimit();
  CSettings::addDouble(tree, "DeepSkyMagLimit", deepSkyMagLimit);
  writeDoubles(*this, tree, kDeepSkyDoubles);
  CSettings::addVector(tree, "DeepSkyNameRGB", deepSkyNameRGB[0], deepSkyNameRGB[1],
                       deepSkyNameRGB[2]);

  // Milky Way.
  writeBools(*this, tree, kMilkyWayBools);
  CSettings::addInt(tree, "MilkyWayStyle", milkyWayStyle);
  CSettings::addDouble(tree, "MilkyWayIntensity", milkyWayIntensity);

  // Constellations and asterisms.
  writeBools(*this, tree, kConstellationBools);
  CSettings::addDouble(tree, "ConstellationIntensity", constellationIntensity);
  writeColors(*this, tree, kConstellationColors);

  // Grid and reference lines.
  CSettings::addInt(tree, "ShowGrid", showGrid);
  for (int s : kGridWriteOrder) {
    if (showCoordGrid[s]) {
      CSettings::addInt(tree, "GridCoordSystem", s);
      break;
    }
  }
  writeBools(*this, tree, kGridBools);

  if (writeHighlights) {
    writeBools(*this, tree, kHighlightBools);
    for (int i = 0; i < highlightCount && database != nullptr; ++i) {
      if (CSettings* description = database->objectIDToSettings(&highlights[i].id))
        CSettings::addObject(tree, "HighlitedObject", description);
    }
  }
  if (writeLocations) writeUserLocations(tree);
  writeCountryBorderSettings(tree);
  return 1;
}

void CSkyChart::readUserLocations(const CSettings* tree) {
  clearUserLocations();
  int n = CSettings::countObjects(tree, "UserLocation");
  int stored = 0;
  for (int i = 0; i < n; ++i) {
    const CSettings* fields = CSettings::getObject(tree, "UserLocation", i);
    if (fields == nullptr) continue;
    Location place{};
    place.name = CSettings::getString(fields, "UserLocationName", 0, "");
    place.longitude = static_cast<float>(readDouble(fields, "UserLocationLongitude", 0));
    place.latitude = static_cast<float>(readDouble(fields, "UserLocationLatitude", 0));
    place.altitude = static_cast<float>(readDouble(fields, "UserLocationAltitude", 0));
    place.timeZone = static_cast<float>(readDouble(fields, "UserLocationTimezone", 0));
    if (insertUserLocation(stored, place)) ++stored;
  }
}

void CSkyChart::writeUserLocations(CSettings* tree) {
  Location place{};
  for (int i = 0; getUserLocation(i, &place); ++i) {
    CSettings* fields = new CSettings("UserLocationName", place.name != nullptr ? place.name : "");
    CSettings::addDouble(fields, "UserLocationLongitude", place.longitude);
    CSettings::addDouble(fields, "UserLocationLatitude", place.latitude);
    CSettings::addDouble(fields, "UserLocationAltitude", place.altitude);
    CSettings::addDouble(fields, "UserLocationTimezone", place.timeZone);
    CSettings::addObject(tree, "UserLocation", fields);
  }
}
