// Magnitudes, separations, sizes, distances, motion and components of
// stars and deep-sky objects.
#include <cmath>
#include <vector>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/calendar.h"
#include "engine/language.h"
#include "engine/precession.h"
#include "engine/vectors.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "skydata/star_classes.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_items.h"
#include "ui/info/info_list.h"
#include "ui/info/info_text.h"
#include "ui/info/star_info.h"

namespace {

// A separation below one arcminute (radians) is also given in AU.
constexpr double kArcminute = 0.0002908882086656481;
// The AU of one million km.
constexpr double kMillionKmAU = 0.006684587153547039;
constexpr double kMinutesPerDay = 1440.0;
// The catalogue whose numbers index the double-star component file, and
// the most components listed.
constexpr int kComponentCatalogue = 23;
constexpr int kMostComponents = 16;

// A primary and companion magnitude: "unknown", one, or "m1 and m2".
void appendMagnitudes(InfoText& text, double primary, double companion, bool twoDecimals) {
  if (!std::isfinite(primary))
    text.format("unknown");
  else if (!std::isfinite(companion))
    text.format(twoDecimals ? "%+.2f" : "%+.1f", primary);
  else
    text.format(twoDecimals ? "%+.2f and %+.2f" : "%+.1f and %+.1f", primary, companion);
}

}  // namespace

void addStarMagnitude(InfoList& list, const StarInfoSubject& subject) {
  const CDoubleStar* pair = asDoubleStar(&subject.star);
  char value[kInfoValueSize];
  InfoText text(value, sizeof value);
  appendMagnitudes(text, subject.magnitude,
                   pair != nullptr ? pair->getCompanionMagnitude() : INFINITY, true);
  list.add(translateString("Visual Magnitude"), value);
}

void addDoubleStarSeparation(InfoList& list, const StarInfoSubject& subject) {
  const CDoubleStar* pair = asDoubleStar(&subject.star);
  if (pair == nullptr) return;
  double separation = pair->getSeparation();
  double angle = pair->getPositionAngle();
  // What the catalogue knows is the separation on the sky; the distance in
  // AU is a least distance then.
  double spaceSeparation = separation;
  // A binary's orbit places the companion at the chart's date, in space as
  // well as on the sky, so the AU figure is the pair's true distance.
  if (const CBinaryStar* binary = asBinaryStar(&subject.star)) {
    double orbitSeparation, orbitAngle, orbitDistance;
    if (subject.chart.binaryStarCompanionPosition(binary, &orbitSeparation, &orbitAngle,
                                                  &orbitDistance)) {
      separation = orbitSeparation;
      angle = orbitAngle;
      spaceSeparation = orbitDistance;
    }
  }
  if (!std::isfinite(separation)) return;
  char value[kInfoValueSize];
  InfoText text(value, sizeof value);
  text.format("%.1f\"", separation * kArcsecondsPerRadian);
  if (std::isfinite(angle)) text.format(" at %.1f°", angle * kDegreesPerRadianPrecise);
  if (std::isfinite(subject.distance) && separation < kArcminute)
    text.format(
        "%s%s AU", subject.sep,
        formatSignificantDigitsA(2, subject.distance * spaceSeparation * kArcsecondsPerRadian));
  list.add(translateString("Separation"), value);
}

void addApparentSize(InfoList& list, const StarInfoSubject& subject) {
  const CDeepSkyObject* deepSky = asDeepSkyObject(&subject.star);
  if (deepSky == nullptr || deepSky->getMajorSize() == 0) return;
  // Sizes are stored in arcseconds.
  const double major = deepSky->getMajorSize() / 60.0;
  const double minor = deepSky->getMinorSize() / 60.0;
  char value[kInfoValueSize];
  if (minor != 0)
    translatedSnprintf(value, sizeof value, "%.1f x %.1f arcmin", major, minor);
  else
    translatedSnprintf(value, sizeof value, "%.1f arcmin", major);
  list.add(translateString("Apparent Size"), value);
}

namespace {

// The distance row of either unit: each caller passes the other unit
// converted from its own, so that its own digits are printed unrounded.
void addDistanceRow(InfoList& list, double au, double parsecs, const char* sep) {
  const double lightYears = parsecs * kLightYearsPerParsec;
  char value[kInfoValueSize];
  if (au < kMillionKmAU) {
    translatedSnprintf(value, sizeof value, "%.0f km%s%.2f light sec", au * kAstronomicalUnitKm,
                       sep, au * kLightTimeDaysPerAU * kSecondsPerDay);
  } else if (au < 1000) {
    translatedSnprintf(value, sizeof value, "%.6f AU%s%.1f million km%s%.2f light min", au, sep,
                       au * kAstronomicalUnitKm / 1e6, sep,
                       au * kLightTimeDaysPerAU * kMinutesPerDay);
  } else if (parsecs < 100) {
    translatedSnprintf(value, sizeof value, "%s pc, %s ly", formatSignificantDigitsA(2, parsecs),
                       formatSignificantDigitsB(2, lightYears));
  } else if (parsecs < 1000) {
    translatedSnprintf(value, sizeof value, "%s pc, %s ly", formatSignificantDigitsA(1, parsecs),
                       formatSignificantDigitsB(1, lightYears));
  } else if (parsecs > 1e6) {
    translatedSnprintf(value, sizeof value, "%s Mpc, %s Mly",
                       formatSignificantDigitsA(1, parsecs / 1e6),
                       formatSignificantDigitsB(1, lightYears / 1e6));
  } else {
    translatedSnprintf(value, sizeof value, "%s kpc, %s kly",
                       formatSignificantDigitsA(1, parsecs / 1e3),
                       formatSignificantDigitsB(1, lightYears / 1e3));
  }
  list.add(translateString("Distance"), value);
}

}  // namespace

void addDistance(InfoList& list, double parsecs, const char* sep) {
  if (std::isfinite(parsecs)) addDistanceRow(list, parsecs * kArcsecondsPerRadian, parsecs, sep);
}

void addDistanceAU(InfoList& list, double au, const char* sep) {
  if (std::isfinite(au)) addDistanceRow(list, au, au / kArcsecondsPerRadian, sep);
}

void addApparentMotion(InfoList& list, const StarInfoSubject& subject) {
  list.header(translateString("Apparent Motion"));
  double position[3], motion[3];
  subject.star.getCatalogVector(position);
  subject.star.getMotionVector(motion);
  if (!std::isfinite(motion[0])) return;
  // The motion is the rate of the catalogue's unit vector, so the rates
  // come from the unit vector itself.
  const CSkyChart& chart = subject.chart;
  chart.fundamentalToEquatorial(position, position);
  chart.fundamentalToEquatorial(motion, motion);
  double ra, dec, r, raRate, decRate, radialRate;
  rectangularToSphericalWithRates(&ra, &dec, &r, &raRate, &decRate, &radialRate, position[0],
                                  position[1], position[2], motion[0], motion[1], motion[2]);
  if (!std::isfinite(raRate) || !std::isfinite(decRate)) return;
  char label[kInfoValueSize], value[kInfoValueSize];
  translatedSnprintf(value, sizeof value, "%+.4f s/yr", raRate * kArcsecondsPerRadian / 15);
  list.add(epochLabel(label, sizeof label, "R.A. (%.1f)", chart), value);
  translatedSnprintf(value, sizeof value, "%+.3f \"/yr", decRate * kArcsecondsPerRadian);
  list.add(epochLabel(label, sizeof label, "Dec. (%.1f)", chart), value);
  const double east = raRate * std::cos(dec);
  translatedSnprintf(value, sizeof value, "%.3f \"/yr @ %.1f°",
                     std::hypot(east, decRate) * kArcsecondsPerRadian,
                     positiveAtan2(east, decRate) * kDegreesPerRadianPrecise);
  list.add(epochLabel(label, sizeof label, "Total (%.1f)", chart), value);
}

void addComponents(InfoList& list, const StarInfoSubject& subject) {
  CSkyDatabase* database = subject.chart.database;
  CSkyDataFile* components = database != nullptr ? database->getExtraFile() : nullptr;
  const std::int64_t number = subject.star.findCatalogNumber(kComponentCatalogue);
  if (components == nullptr || number == 0) return;
  std::vector<CIndexEntry> entries;
  if (components->searchIndexes(number, nullptr, 0, entries, kMostComponents) < 1) return;
  list.header(translateString("Components"));
  for (const CIndexEntry& entry : entries) {
    ScopedSkyObject object(components->getObject(entry.region, entry.index));
    const CDoubleStar* pair = asDoubleStar(object.get());
    if (pair == nullptr) continue;
    const char* letters = pair->getComponents();
    char label[kInfoValueSize], value[kInfoValueSize];
    translatedSnprintf(label, sizeof label, "%s Magnitude\nSeparation",
                       letters != nullptr && letters[0] != '\0' ? letters : "AB");
    InfoText text(value, sizeof value);
    appendMagnitudes(text, pair->getBestMagnitude(), pair->getCompanionMagnitude(), false);
    const double separation = pair->getSeparation();
    if (std::isfinite(separation)) {
      text.format("\n%.1f\"", separation * kArcsecondsPerRadian);
      if (std::isfinite(pair->getPositionAngle()))
        text.format(" at %.0f°", pair->getPositionAngle() * kDegreesPerRadianPrecise);
    }
    list.add(label, value);
  }
}
