// Physical parameters, variability and binary orbits of stars and
// deep-sky objects.
#include <cmath>
#include <cstring>

#include <cstdio>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/language.h"
#include "engine/magnitudes.h"
#include "engine/precession.h"
#include "engine/sky_time.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/spectral_types.h"
#include "skydata/star_classes.h"
#include "ui/info/info_items.h"
#include "ui/info/info_list.h"
#include "ui/info/info_text.h"
#include "ui/info/small_astronomy.h"
#include "ui/info/star_info.h"

namespace {

constexpr double kDaysPerYear = 365.25;
constexpr double kZeroCelsius = 273.0;

bool typeWithin(const CStar& star, int lowest, int highest) {
  return star.getType() >= lowest && star.getType() <= highest;
}

const char* colorWord(double colorIndex) {
  struct Band {
    double below;
    const char* word;
  };
  static constexpr Band kBands[] = {{-0.2, ", blue"},   {0.0, ", blue-white"},
                                    {0.2, ", white"},   {0.5, ", yellow-white"},
                                    {0.8, ", yellow"},  {1.0, ", yellow-orange"},
                                    {1.5, ", orange"},  {2.0, ", orange-red"}};
  for (const Band& band : kBands)
    if (colorIndex < band.below) return band.word;
  return ", red";
}

const char* morphologyWord(const char* morphology) {
  if (std::strncmp(morphology, "SB", 2) == 0) return ", barred spiral";
  switch (morphology[0]) {
    case 'S': return ", spiral";
    case 'I': return ", irregular";
    case 'E': return ", elliptical";
    default: return "";
  }
}

// The luminosity class named in a spectral type (up to its first "+").
const char* luminosityWord(const char* type) {
  if (std::strstr(type, "III") != nullptr) return ", giant";
  if (std::strstr(type, "II") != nullptr) return ", bright giant";
  if (std::strstr(type, "IV") != nullptr) return ", subgiant";
  if (std::strchr(type, 'I') != nullptr) return ", supergiant";
  if (std::strchr(type, 'V') != nullptr) return ", main-sequence";
  return "";
}

const char* variableClassWord(int code) {
  struct Family {
    int lowest, highest;
    const char* word;
  };
  // The first family that holds the code names it: narrow families come
  // before the wide ones they lie in.
  static constexpr Family kFamilies[] = {
      {2, 3, ", eruptive, Gamma Cas-type"},     {27, 28, ", eruptive, flare star"},
      {1, 29, ", eruptive"},                    {35, 40, ", pulsating, Cepheid"},
      {44, 47, ", pulsating, Delta Scuti-type"}, {48, 51, ", pulsating, long-period"},
      {52, 52, ", pulsating, Mira-type"},       {54, 58, ", pulsating, RR Lyrae-type"},
      {62, 67, ", pulsating, semi-regular"},    {30, 73, ", pulsating"},
      {80, 87, ", rotating"},                   {91, 97, ", nova"},
      {98, 100, ", supernova"},                 {90, 105, ", cataclysmic"},
      {120, 124, ", eclipsing"},                {200, 213, ", X-ray"}};
  for (const Family& family : kFamilies)
    if (code >= family.lowest && code <= family.highest) return family.word;
  return "";
}

// Temperature (kelvin) and bolometric correction of a star's spectral
// type; false when the type does not parse or has no table row.
bool spectralProperties(const char* type, double* temperature, double* correction) {
  int classCode = 0, luminosityCode = 0;
  return parseSpectralType(type, &classCode, &luminosityCode) &&
         spectralClassProperties(classCode, luminosityCode, nullptr, nullptr, temperature,
                                 correction, nullptr);
}

// "Spectrum" and, for stars, "Temperature"; returns the temperature and
// bolometric correction (+infinity when unknown).
void addSpectrum(InfoList& list, const StarInfoSubject& subject, double* temperature,
                 double* correction) {
  *temperature = *correction = INFINITY;
  const CStar& star = subject.star;
  const char* type = star.getSpectralType();
  if (!typeWithin(star, kTypeStar, 12) || type[0] == '\0') return;
  char prefix[kInfoValueSize], value[kInfoValueSize];
  std::snprintf(prefix, sizeof prefix, "%.*s", static_cast<int>(std::strcspn(type, "+")), type);
  InfoText text(value, sizeof value);
  text.append(type);
  text.format("%s", luminosityWord(prefix));
  list.add(translateString("Spectrum"), value);
  if (!typeWithin(star, kTypeStar, kTypeNonexistentStar)) return;
  double t, bc;
  if (!spectralProperties(prefix, &t, &bc)) return;
  *temperature = t;
  *correction = bc;
  char fahrenheit[kInfoValueSize];
  translatedSnprintf(value, sizeof value, "%s° K%s%s° C%s%s° F",
                     formatSignificantDigitsA(2, t), subject.sep,
                     formatSignificantDigitsB(2, t - kZeroCelsius), subject.sep,
                     formatSignificantDigits(fahrenheit, 2, (t - kZeroCelsius) * 1.8 + 32));
  list.add(translateString("Temperature"), value);
}

// "Absolute Mag.", a deep-sky object's "Diameter", "Luminosity" and the
// star's "Diameter" in Suns.
void addSizeAndLuminosity(InfoList& list, const StarInfoSubject& subject, double temperature,
                          double correction) {
  const CStar& star = subject.star;
  const bool luminous = typeWithin(star, kTypeStar, kTypeFirstDeepSky);
  const double absolute = absoluteMagnitude(subject.magnitude, subject.distance);
  char value[kInfoValueSize];
  if (std::isfinite(absolute)) {
    InfoText text(value, sizeof value);
    text.format("%+.2f visual", absolute);
    if (luminous && std::isfinite(correction))
      text.format("%s%+.2f total", subject.sep, absolute + correction);
    list.add(translateString("Absolute Mag."), value);
  }
  if (const CDeepSkyObject* deepSky = asDeepSkyObject(&star)) {
    const double size = deepSky->getPhysicalSize();
    if (std::isfinite(size)) {
      if (size > 1000)
        translatedSnprintf(value, sizeof value, "%.1f kpc, %.1f kly", size / 1000,
                           size * kLightYearsPerParsec / 1000);
      else
        translatedSnprintf(value, sizeof value, "%.1f pc, %.1f ly", size,
                           size * kLightYearsPerParsec);
      list.add(translateString("Diameter"), value);
    }
  }
  if (!luminous || !std::isfinite(absolute)) return;
  const double visual = brightnessRatio(absolute, kSunAbsoluteVisualMagnitude);
  const double total = brightnessRatio(absolute + correction, kSunBolometricMagnitude);
  if (std::isfinite(correction))
    translatedSnprintf(value, sizeof value, "%s Suns visual%s%s Suns total",
                       formatSignificantDigitsA(2, visual), subject.sep,
                       formatSignificantDigitsB(2, total));
  else
    translatedSnprintf(value, sizeof value, "%s Suns visual", formatSignificantDigitsA(2, visual));
  list.add(translateString("Luminosity"), value);
  if (std::isfinite(correction) && std::isfinite(temperature) && std::isfinite(total) &&
      temperature > 0) {
    // The Stefan-Boltzmann law against the Sun.
    const double diameter = std::sqrt(total / std::pow(temperature / kSunTemperature, 4));
    translatedSnprintf(value, sizeof value, "%s Suns", formatSignificantDigitsA(2, diameter));
    list.add(translateString("Diameter"), value);
  }
}

}  // namespace

void addPhysicalParameters(InfoList& list, const StarInfoSubject& subject) {
  const CStar& star = subject.star;
  char value[kInfoValueSize];
  const double colorIndex = star.getColorIndex();
  if (std::isfinite(colorIndex)) {
    InfoText text(value, sizeof value);
    text.format("%+.2f", colorIndex);
    if (asDeepSkyObject(&star) == nullptr) text.format("%s", colorWord(colorIndex));
    list.add(translateString("Color Index"), value);
  }
  double temperature = INFINITY, correction = INFINITY;
  const CDeepSkyObject* deepSky = asDeepSkyObject(&star);
  if (deepSky != nullptr && typeWithin(star, 16, 19)) {
    const char* morphology = deepSky->getMorphology();
    if (morphology[0] != '\0') {
      InfoText text(value, sizeof value);
      text.append(morphology);
      text.format("%s", morphologyWord(morphology));
      list.add(translateString("Morphology"), value);
    }
  } else {
    addSpectrum(list, subject, &temperature, &correction);
  }
  addSizeAndLuminosity(list, subject, temperature, correction);
}

void addVariability(InfoList& list, const StarInfoSubject& subject) {
  const CVariableStar* variable = asVariableStar(&subject.star);
  if (variable == nullptr) return;
  list.header(translateString("Variability Data"));
  const char* type = variable->getVariableType();
  char typeText[kInfoValueSize], value[kInfoValueSize];
  InfoText text(typeText, sizeof typeText);
  text.append(type);
  text.format("%s", variableClassWord(variableTypeCode(type)));
  const double brightest = variable->getMinMagnitude();
  const double faintest = variable->getMaxMagnitude();
  if (subject.star.getType() == kTypeSupernova) {
    list.add(translateString("Supernova Type"), typeText);
    list.addNumber(translateString("Max. Magnitude"), "%+.2f", brightest);
    const double epoch = variable->getEpoch();
    translateStringCopy(value, "unknown", sizeof value);
    if (std::isfinite(epoch))
      formatJulianDateUTC(value, sizeof value, subject.chart.dateFormat, epoch);
    list.add(translateString("Supernova Date"), value, std::isfinite(epoch) ? epoch : INFINITY);
    return;
  }
  list.add(translateString("Variable Type"), typeText);
  if (std::isfinite(brightest) && std::isfinite(faintest))
    translatedSnprintf(value, sizeof value, "%+.2f to %+.2f", brightest, faintest);
  else if (std::isfinite(brightest))
    translatedSnprintf(value, sizeof value, "%+.2f to unknown", brightest);
  else if (std::isfinite(faintest))
    translatedSnprintf(value, sizeof value, "unknown to %+.2f", faintest);
  else
    translateStringCopy(value, "unknown", sizeof value);
  list.add(translateString("Magnitude Range"), value);
  const double period = variable->getPeriod();
  translateStringCopy(value, "unknown", sizeof value);
  if (std::isfinite(period))
    translatedSnprintf(value, sizeof value, "%s days", formatSignificantDigitsA(4, period));
  list.add(translateString("Period"), value);
}

void addBinaryOrbit(InfoList& list, const StarInfoSubject& subject) {
  const CBinaryStar* binary = asBinaryStar(&subject.star);
  if (binary == nullptr) return;
  list.header(translateString("Orbital Parameters"));
  char value[kInfoValueSize];
  const double period = binary->getPeriod();  // years
  if (std::isfinite(period) && period <= 1.0)
    list.addNumber(translateString("Orbital Period"), "%.2f days", period * kDaysPerYear);
  else
    list.addNumber(translateString("Orbital Period"), "%.2f years", period);
  list.addNumber(translateString("Periastron Year"), "%.2f", binary->getPeriastronYear());
  const double axis = binary->getSemimajorAxis();
  translateStringCopy(value, "unknown", sizeof value);
  if (std::isfinite(axis) && std::isfinite(subject.distance))
    translatedSnprintf(value, sizeof value, "%.2f\", %s AU", axis * kArcsecondsPerRadian,
                       formatSignificantDigitsA(2, subject.distance * axis * kArcsecondsPerRadian));
  else if (std::isfinite(axis))
    translatedSnprintf(value, sizeof value, "%.2f\"", axis * kArcsecondsPerRadian);
  list.add(translateString("Semimajor Axis"), value);
  list.addNumber(translateString("Eccentricity"), "%.2f", binary->getEccentricity());
  list.addNumber(translateString("Inclination"), "%.3f°",
                 binary->getInclination() * kDegreesPerRadianPrecise);
}
