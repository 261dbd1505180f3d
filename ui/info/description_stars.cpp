#include <cmath>
#include <cstring>
#include <string>

#include "chart/sky_chart.h"
#include "engine/magnitudes.h"
#include "engine/precession.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/spectral_types.h"
#include "skydata/star.h"
#include "skydata/star_classes.h"
#include "ui/info/description_sections.h"
#include "ui/info/info_items.h"
#include "ui/info/page_text.h"
#include "ui/info/small_astronomy.h"
#include "ui/info/star_info.h"

namespace {

constexpr double kLightSpeedKmPerSecond = 299792.458;
// A radial velocity in parsecs a Julian year, in km/s.
constexpr double kKmPerParsec = 30856775670536.098;
constexpr double kSecondsPerYear = 31557600.0;
// Stars are described up to this type code; deep-sky objects follow.
constexpr int kLastStarType = 8;

const char* colorWord(double c) {
  struct Band {
    double below;
    const char* word;
  };
  static constexpr Band kBands[] = {
      {-0.2, "blue"},  {0.0, "blue-white"},    {0.2, "white"},  {0.5, "yellow-white"},
      {0.8, "yellow"}, {1.0, "yellow-orange"}, {1.2, "orange"}, {1.5, "orange-red"}};
  if (!std::isfinite(c)) return "white";
  for (const Band& band : kBands)
    if (c < band.below) return band.word;
  return "red";
}

// The kind of star its spectral type (cut at its first "+") names.
const char* spectralNoun(const char* cut, double c) {
  if (std::strstr(cut, "III") != nullptr) return "giant";
  if (std::strstr(cut, "II") != nullptr) return "bright giant";
  if (std::strstr(cut, "IV") != nullptr) return "subgiant";
  if (std::strchr(cut, 'I') != nullptr) return "supergiant";
  if (std::strchr(cut, 'V') != nullptr) return c < 1.0 ? "main-sequence star" : "dwarf";
  return "star";
}

// One of four sentences by how bright `l` (the Sun's brightness 1) is.
void luminositySentence(PageText& page, double l, const char* const formats[4]) {
  if (l > 10)
    page.format(formats[0], l);
  else if (l > 1)
    page.format(formats[1], l);
  else if (l > 0.1)
    page.format(formats[2], l * 100);
  else
    page.format(formats[3], 1 / l);
}

void describeDistance(PageText& page, double parsecs) {
  const double years = parsecs * kLightYearsPerParsec;
  if (!std::isfinite(years)) return;
  if (years < 1e4)
    page.format(" It is %.0f light years from our solar system.", years);
  else if (years < 1e6)
    page.format(" It is %.0f thousand light years from our solar system.", years / 1e3);
  else if (years < 1e9)
    page.format(" It is %.0f million light years from our solar system.", years / 1e6);
  else if (years < 1e12)
    page.format("It is %.0f billion light years from our solar system.", years / 1e9);
}

void describeStar(PageText& page, const CStar& star, double magnitude, double parsecs) {
  const double c = star.getColorIndex();
  const char* word = colorWord(c);
  std::string full = star.getSpectralType() != nullptr ? star.getSpectralType() : "";
  const std::string cut = full.substr(0, full.find('+'));
  const std::string escapedFull = escapeHTML(full);
  if (cut.empty()) {
    if (std::isfinite(c)) page.format(" It appears %s in color.", word);
  } else if (std::isfinite(c)) {
    page.format(" It is a %s %s of spectral type %s.", word, spectralNoun(cut.c_str(), c),
                escapedFull.c_str());
  } else {
    page.format(" It is of spectral type %s.", escapedFull.c_str());
  }

  const double absolute = absoluteMagnitude(magnitude, parsecs);
  int classCode = 0, luminosityCode = 0;
  double tableMagnitude, colorIndex, temperature, correction, mass;
  if (parseSpectralType(cut.c_str(), &classCode, &luminosityCode) &&
      spectralClassProperties(classCode, luminosityCode, &tableMagnitude, &colorIndex, &temperature,
                              &correction, &mass)) {
    const double bolometric = (std::isfinite(absolute) ? absolute : tableMagnitude) + correction;
    const double l = brightnessRatio(bolometric, kSunBolometricMagnitude);
    const double ratio = temperature / kSunTemperature;
    const double radius = std::sqrt(l / (ratio * ratio * ratio * ratio));
    page.format(" Its surface temperature is %.0f Kelvins", temperature);
    if (temperature > kSunTemperature)
      page.format(" - %.1f times hotter than the Sun's - ", ratio);
    else
      page.format(" - %.0f%% cooler than the Sun's - ", (1 - ratio) * 100);
    page.format("and it is %.1f times the Sun's diameter in size.", radius);
    static const char* const kOutput[4] = {
        " This star's total energy output, or luminosity, is %.0f times the Sun's, ",
        " This star's total energy output, or luminosity, is %.1f times the Sun's, ",
        " This star's total energy output, or luminosity, is %.0f%% of the Sun's, ",
        " This star's total energy output, or luminosity, is 1/%.0f of the Sun's, "};
    luminositySentence(page, l, kOutput);
    page.format("and it has a mass of %.1f Solar masses.", mass);
  } else if (std::isfinite(absolute)) {
    static const char* const kOutput[4] = {" Its energy output is %.0f times the Sun's luminosity.",
                                           " Its energy output is %.1f times the Sun's luminosity.",
                                           " Its energy output is %.0f%% of the Sun's luminosity.",
                                           " Its energy output is 1/%.0f of the Sun's luminosity."};
    luminositySentence(page, brightnessRatio(absolute, kSunAbsoluteVisualMagnitude), kOutput);
  }
}

void describeCompanion(PageText& page, CSkyChart& chart, const CDoubleStar& star, double parsecs) {
  page.raw("</p><p>");
  const double m2 = star.getCompanionMagnitude();
  const double s = star.getSeparation();
  const double arcseconds = s * kArcsecondsPerRadian;
  if (const CBinaryStar* binary = asBinaryStar(&star)) {
    // The orbit gives the pair's distance in space; the separation on the
    // sky is only its projection.
    double r = s, projected, angle;
    if (!chart.binaryStarCompanionPosition(binary, &projected, &angle, &r)) r = s;
    page.format("This star is part of a binary system with a known orbit.");
    if (!std::isfinite(s)) {
      if (std::isfinite(m2)) page.format(" Its has a magnitude %+.1f secondary component.", m2);
      return;
    }
    if (std::isfinite(m2))
      page.format(
          " Its %.0fth-magitude secondary component appears %.1f arcseconds away from the primary",
          m2, arcseconds);
    else
      page.format(" Its secondary component appears %.1f arcseconds away from the primary",
                  arcseconds);
    const double period = binary->getPeriod();
    if (std::isfinite(parsecs))
      page.format(" - a physical distance of %.0f AU. Their mutual orbital period is %.0f years.",
                  parsecs * r * kArcsecondsPerRadian, period);
    else
      page.format(". The orbital period of this binary system is %.0f years.", period);
    return;
  }
  page.format("This star is part of a double or multiple star system, but its orbit is not known.");
  if (!std::isfinite(s)) {
    if (std::isfinite(m2)) page.format(" Its secondary component is of magnitude %+.1f.", m2);
    return;
  }
  if (std::isfinite(m2))
    page.format(" Its magitude %+.1f secondary component appears %.1f arcseconds away", m2,
                arcseconds);
  else
    page.format(" Its secondary component appears %.1f arcseconds away", arcseconds);
  if (std::isfinite(parsecs))
    page.format(", corresponding to a physical distance of at least %.0f AU from its primary.",
                parsecs * arcseconds);
  else
    page.format(" from the primary.");
}

const char* variableKind(int starType, int code) {
  struct Family {
    int lowest, highest;
    const char* phrase;
  };
  // The first family that holds the code names it: narrow families come
  // before the wide ones they lie in.
  static constexpr Family kFamilies[] = {{2, 3, "an eruptive, Gamma Cas-type variable star"},
                                         {27, 28, "a flare star"},
                                         {1, 29, "an eruptive variable star"},
                                         {35, 40, "a pulsating Cepheid variable star"},
                                         {44, 47, "a pulsating Delta Scuti-type variable star"},
                                         {48, 51, "a pulsating long-period variable star"},
                                         {52, 52, "a pulsating Mira-type variable star"},
                                         {54, 58, "a pulsating RR Lyrae-type variable star"},
                                         {62, 67, "a pulsating semi-regular variable star"},
                                         {30, 73, "a pulsating variable star"},
                                         {80, 87, "a rotating variable star"},
                                         {91, 97, "a nova"},
                                         {98, 100, "a supernova"},
                                         {90, 105, "a cataclysmic variable"},
                                         {120, 124, "an eclipsing binary star"},
                                         {200, 213, "an X-ray variable star"}};
  if (starType == kTypeSupernova) return "a supernova";
  for (const Family& family : kFamilies)
    if (code >= family.lowest && code <= family.highest) return family.phrase;
  return "a variable star";
}

void describeVariability(PageText& page, const DescriptionSubject& s, const CVariableStar& star) {
  page.raw("</p><p>");
  const double a = star.getMinMagnitude(), b = star.getMaxMagnitude();
  const double period = star.getPeriod();
  const char* typeText = star.getVariableType() != nullptr ? star.getVariableType() : "";
  const std::string type = escapeHTML(typeText);
  const int code = variableTypeCode(typeText);
  if (star.getType() == kTypeSupernova || (code >= 98 && code <= 100)) {
    page.format("This type %s supernova ", type.c_str());
    if (std::isfinite(a))
      page.format("reached magnitude %.1f", a);
    else
      page.format("reached its maximum");
    const double epoch = star.getEpoch();
    if (std::isfinite(epoch)) {
      char date[kInfoValueSize] = "";
      formatJulianDateUTC(date, sizeof date, s.chart.dateFormat, epoch);
      page.raw(" on ");
      page.text(date);
    }
    page.raw(".");
    return;
  }
  page.format("%s is %s of type %s. ", s.name.c_str(), variableKind(star.getType(), code),
              type.c_str());
  if (std::isfinite(a) && std::isfinite(b))
    page.format("Its magnitude varies from %+.1f to %+.1f, ", a, b);
  else if (std::isfinite(a))
    page.format("At its faintest, it appears at magnitude %+.1f, ", a);
  else if (std::isfinite(b))
    page.format("Its magnitude reaches %+.1f at its brightest, ", b);
  else
    page.format("Its magnitude varies ");
  if (std::isfinite(period))
    page.format("over a period of %.1f days.", period);
  else
    page.format("with an irregular or unknown period.");
}

const char* galaxyArticle(const char* morphology) {
  if (std::strncmp(morphology, "SB", 2) == 0) return "a barred spiral";
  switch (morphology[0]) {
    case 'E':
      return "an elliptical";
    case 'I':
      return "an irregular";
    case 'S':
      return "a spiral";
    default:
      return "a";
  }
}

void describeDeepSky(PageText& page, const DescriptionSubject& s, const CDeepSkyObject& object,
                     double years) {
  const double major = object.getMajorSize(), minor = object.getMinorSize();
  if (major != 0) {
    page.raw("</p><p>");
    if (minor != 0)
      page.format("%s appears roughly %.1f x %.1f arcminutes in size", s.name.c_str(), major / 60,
                  minor / 60);
    else
      page.format("%s's apparent size is approximately %.1f arcminutes", s.name.c_str(),
                  major / 60);
    if (std::isfinite(years))
      page.format(", corresponding to a physical diameter of %.0f light years.",
                  years * major / kArcsecondsPerRadian);
    else
      page.raw(".");
  }
  const int type = object.getType();
  if (type < 16 || type > 19) return;
  const double v = object.getRadialVelocity() * kKmPerParsec / kSecondsPerYear;
  const char* morphology = object.getMorphology() != nullptr ? object.getMorphology() : "";
  page.format(" It is ");
  page.format("%s", galaxyArticle(morphology));
  page.format(" galaxy of morphological type %s", escapeHTML(morphology).c_str());
  if (!std::isfinite(v))
    page.raw(".");
  else if (v > kLightSpeedKmPerSecond / 1000)
    page.format(", and is receding at %.0f kilometers per second - about %.1f%% of light speed.", v,
                v * 100 / kLightSpeedKmPerSecond);
  else if (v > 0)
    page.format(", and it moving away from us at %.0f kilometers per second.", v);
  else
    page.format(", and is moving toward us at %.0f kilometers per second.", -v);
}

}  // namespace

void describeStarOrDeepSky(PageText& page, const DescriptionSubject& s) {
  const double parsecs = s.object.getDistance();
  describeDistance(page, parsecs);
  const int type = s.object.getType();
  const CStar* star = asStar(&s.object);
  if (star != nullptr && type >= kTypeStar && type <= kLastStarType) {
    describeStar(page, *star, s.object.getMagnitude(), parsecs);
    if (const CDoubleStar* pair = asDoubleStar(&s.object))
      describeCompanion(page, s.chart, *pair, parsecs);
    if (const CVariableStar* variable = asVariableStar(&s.object))
      describeVariability(page, s, *variable);
  }
  if (const CDeepSkyObject* deepSky = asDeepSkyObject(&s.object))
    describeDeepSky(page, s, *deepSky, parsecs * kLightYearsPerParsec);
}
