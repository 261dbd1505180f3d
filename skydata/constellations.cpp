// Constellation table accessors and the boundary lookup.
#include "skydata/constellation_tables.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/language.h"
#include "engine/matrices.h"
#include "engine/precession.h"
#include "engine/vectors.h"

// Aqr, Psc, Ari, Tau, Gem, Cnc, Leo, Vir, Lib, Sco, Sgr, Cap.
const std::uint32_t zodiacConstellations[kZodiacCount] = {4, 66, 7, 78, 38, 12,
                                                          46, 86, 49, 73, 72, 16};

namespace {

const ConstellationRow* row(int n) {
  return n >= 1 && n <= kConstellationCount ? &constellationTable[n - 1] : nullptr;
}

}  // namespace

const char* constellationAbbreviation(int n) {
  const ConstellationRow* r = row(n);
  return r ? r->abbreviation : nullptr;
}

const char* constellationLatinName(int n) {
  const ConstellationRow* r = row(n);
  return r ? r->latinName : nullptr;
}

const char* constellationGenitive(int n) {
  const ConstellationRow* r = row(n);
  return r ? r->genitive : nullptr;
}

const char* constellationCommonName(int n) {
  const ConstellationRow* r = row(n);
  if (!r) return nullptr;
  int language = getLanguage();
  return language >= 0 && language < kNameTableLanguages ? r->commonNames[language] : "";
}

const std::int16_t* constellationFigure(int n) {
  return n >= 1 && n <= kStandardFigureRows ? constellationFigureTable[n - 1] : nullptr;
}

const std::int16_t* constellationAltFigure(int n) {
  return n >= 1 && n <= kAltFigureRows ? constellationAltFigureTable[n - 1] : nullptr;
}

const char* getAsterism(int i) {
  return i >= 0 && i < kAsterismCount ? asterismTable[i].name : "";
}

const std::int16_t* getAsterismFigure(int i) {
  return i >= 0 && i < kAsterismCount ? asterismTable[i].figure : nullptr;
}

bool isZodiacConstellation(int n) {
  if (n == 4) return true;
  for (int i = 1; i < kZodiacCount; ++i)
    if (static_cast<std::uint32_t>(n) == zodiacConstellations[i]) return true;
  return false;
}

int findBoundaryRow(double ra, double dec) {
  for (const BoundaryRow& r : constellationBoundaryTable)
    if (r.decLow < dec && r.raLow <= ra && ra <= r.raHigh) return r.number;
  return 0;
}

int constellationAtPosition(const double v[3]) {
  // The boundaries are drawn along the hour circles and parallels of
  // B1875.0, so the direction is taken to that equinox first (mean
  // precession; nutation does not move the mean equinox the table uses).
  static const auto toB1875 = [] {
    struct Matrix { double m[9]; } p;
    precessionMatrix(p.m, 0, kJ2000, besselianEpochToJD(1875.0));
    return p;
  }();
  double w[3] = {v[0], v[1], v[2]};
  double length = vectorLength(w);
  if (!(length > 0.0) || !std::isfinite(length)) return 0;
  matrixTimesVector(toB1875.m, w);
  double lon = 0.0, lat = 0.0;
  vectorToSpherical(w, &lon, &lat, nullptr);
  return findBoundaryRow(lon * kHoursPerRadianPrecise, lat * kDegreesPerRadianPrecise);
}
