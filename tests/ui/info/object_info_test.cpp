// The information items of stars, deep-sky objects and constellations:
// the rows each class has and lacks, values worked out by hand from the
// catalogue's numbers, the rates of proper motion and the separations
// against ERFA, and the caller's capacity.
#include "ui/info/object_info.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "chart/sky_chart.h"
#include "engine/language.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/ui/info/info_rows.h"
#include "tests/ui/info/info_sky.h"
#include "ui/info/general_object_info.h"
#include "ui/info/meteor_shower_info.h"
#include "ui/info/surface_feature_info.h"

namespace {

using info_test::InfoSky;
using info_test::Rows;

// 2018 March 1, 0h UT: the Sun in Aquarius.
constexpr double kDate = 2458178.5;
constexpr double kDegree = M_PI / 180;

Rows info(CSkyChart& chart, CSkyObject* object, int multiline = 1, int shortList = 0,
          int capacity = 255) {
  chart.updateObjectPosition(object);
  return Rows([&](SkyObjectInfoString* items, int max) {
    return getObjectInfo(&chart, object, items, max, multiline, shortList);
  }, capacity);
}

class ObjectInfo : public ::testing::Test {
 protected:
  InfoSky sky;
  std::unique_ptr<CSkyChart> chart = sky.chart(kDate);
};

TEST_F(ObjectInfo, EachClassHasItsRowsWithValuesFromItsCatalogue) {
  struct Case {
    info_test::Star star;
    std::vector<std::pair<std::string, std::string>> rows;
    std::vector<std::string> absent;
  };
  const std::vector<Case> cases = {
      {info_test::kVega,
       {{"Name", "Vega"}, {"Visual Magnitude", "+0.03"}, {"Distance", "7.68 pc, 25.0 ly"},
        {"Color Index", "+0.00, white"}, {"Spectrum", "A0Va, main-sequence"}},
       {"Separation", "Morphology", "Variability Data"}},
      {info_test::kAlbireo,
       {{"Visual Magnitude", "+3.18 and +5.09"},
        {"Separation", "34.7\" at 54.0°\n4620 AU"},
        {"Spectrum", "K3II+B9.5V, bright giant"},
        {"AB Magnitude\nSeparation", "+3.2 and +5.1\n34.7\" at 54°"}},
       {}},
      {info_test::kSirius,
       {{"Orbital Period", "50.09 years"}, {"Periastron Year", "1994.57"},
        {"Semimajor Axis", "7.56\", 20.0 AU"}, {"Eccentricity", "0.59"},
        {"Inclination", "136.336°"}},
       {}},
      // A year is 365.25 days: half of one 182.62, one 365.25.
      {info_test::kHalfYearBinary,
       {{"Orbital Period", "182.62 days"}, {"Semimajor Axis", "0.20\""}}, {"Distance"}},
      {info_test::kOneYearBinary,
       {{"Orbital Period", "365.25 days"}, {"Semimajor Axis", "0.30\", 3.00 AU"}}, {}},
      {info_test::kMira,
       {{"Variable Type", "M, pulsating, Mira-type"}, {"Magnitude Range", "+10.10 to +2.00"},
        {"Period", "332.00 days"}},
       {}},
      // RV Tauri stars are not of the RR Lyrae family.
      {info_test::kRRC, {{"Variable Type", "RRC, pulsating, RR Lyrae-type"}}, {}},
      {info_test::kRVTauri, {{"Variable Type", "RV, pulsating"}}, {}},
      {info_test::kSupernova,
       {{"Supernova Type", "SNII, supernova"}, {"Max. Magnitude", "+2.90"},
        {"Supernova Date", "1987/02/23"}},
       {"Variable Type", "Period"}},
      {info_test::kPollux, {{"Spectrum", "K0III+F, giant"}}, {}},
      // Without a spectral type: no temperature, visual luminosity only.
      {info_test::kNoSpectrum, {{"Luminosity", "3.39 Suns visual"}},
       {"Spectrum", "Temperature", "Diameter"}},
  };
  for (const Case& c : cases) {
    const Rows rows = info(*chart, sky.star(c.star));
    SCOPED_TRACE(rows.dump());
    for (const auto& [label, value] : c.rows) EXPECT_EQ(rows.value(label), value) << label;
    for (const std::string& label : c.absent) EXPECT_FALSE(rows.has(label)) << label;
  }
  // The supernova's date carries its Julian date.
  const Rows supernova = info(*chart, sky.star(info_test::kSupernova));
  EXPECT_NEAR(supernova.find("Supernova Date")->jd, 2446849.82, 1e-3);  // a float epoch
  const std::vector<std::string> headers = supernova.headers();
  EXPECT_EQ(std::count(headers.begin(), headers.end(), "Physical Parameters"), 0);
}

TEST_F(ObjectInfo, TemperatureScalesAgreeAndTheDiameterFollowsStefanBoltzmann) {
  const Rows rows = info(*chart, sky.star(info_test::kPollux));
  double kelvin, celsius, fahrenheit;
  ASSERT_EQ(std::sscanf(rows.value("Temperature").c_str(), "%lf° K\n%lf° C\n%lf° F", &kelvin,
                        &celsius, &fahrenheit), 3) << rows.dump();
  EXPECT_NEAR(celsius, kelvin - 273, 10);
  EXPECT_NEAR(fahrenheit, celsius * 1.8 + 32, 10);
  EXPECT_TRUE(kelvin > 4000 && kelvin < 5500) << "a K0 giant";
  double visual, total, diameter;
  ASSERT_EQ(std::sscanf(rows.value("Luminosity").c_str(), "%lf Suns visual\n%lf Suns total",
                        &visual, &total), 2);
  // M = 1.14 - 5 (log10 10.36 - 1) = 1.063; 10^((4.82 - M) / 2.5).
  EXPECT_NEAR(visual, 31.8, 0.05);
  ASSERT_EQ(std::sscanf(rows.value("Diameter").c_str(), "%lf Suns", &diameter), 1);
  EXPECT_NEAR(diameter, std::sqrt(total) / std::pow(kelvin / 5770, 2), 0.02 * diameter);
}

TEST_F(ObjectInfo, DeepSkyObjectsAndConstellations) {
  const Rows galaxy = info(*chart, sky.deepSky(info_test::kBarredSpiral));
  EXPECT_EQ(galaxy.value("Morphology"), "SBb, barred spiral");
  EXPECT_FALSE(galaxy.has("Spectrum"));
  EXPECT_EQ(galaxy.value("Apparent Size"), "178.0 x 63.0 arcmin");
  EXPECT_EQ(galaxy.value("Distance"), "780 kpc, 2500 kly");
  // 10680" of 778 kpc.
  EXPECT_EQ(galaxy.value("Diameter"), "40.3 kpc, 131.4 kly");
  EXPECT_EQ(galaxy.value("Catalog Number"), formatCatalogNumber(102 * 10000000000000000LL + 2240,
                                                                nullptr, 0, 0));
  const Rows cluster = info(*chart, sky.deepSky(info_test::kOpenCluster));
  EXPECT_EQ(cluster.value("Apparent Size"), "110.0 arcmin");

  const Rows orion = info(*chart, sky.constellation(info_test::constellationIndex("Ori")));
  EXPECT_EQ(orion.value("Name"), "Orion");
  EXPECT_EQ(orion.value("Description"), "Hunter");
  EXPECT_EQ(orion.value("Abbreviation"), "Ori");
  EXPECT_EQ(orion.value("Genitive"), "Orionis");
  EXPECT_FALSE(orion.has("Distance") || orion.has("Visual Magnitude"));
  // The physical parameters' header ends the list, with nothing under it.
  EXPECT_TRUE(orion[orion.size() - 1].header && orion[orion.size() - 1].value == "Physical Parameters");
  const Rows asterism = info(*chart, sky.constellation(info_test::kAsterismIndex));
  EXPECT_EQ(asterism.value("Description"), "Asterism in Ursa Major");
  EXPECT_FALSE(asterism.has("Abbreviation"));
}

TEST_F(ObjectInfo, SectionsOfTheFullAndShortListsAndTheSpaceView) {
  const Rows full = info(*chart, sky.star(info_test::kVega));
  EXPECT_EQ(full.headers(), (std::vector<std::string>{
                                "Basic Information", "Visibility", "Celestial Coordinates",
                                "Apparent Motion", "Angular Separation", "Physical Parameters"}));
  for (const char* label : {"Azimuth", "Altitude", "Hour Angle", "R.A. (2018.2)",
                            "Dec. (2018.2)", "Ecliptic Longitude", "Galactic Latitude"})
    EXPECT_TRUE(full.has(label)) << label << ": " << full.dump();
  // Visibility rows carry their dates; a circumpolar star does not set.
  EXPECT_TRUE(std::isfinite(full.find("Transits")->jd));
  const Rows polaris = info(*chart, sky.star(info_test::kPolaris));
  EXPECT_EQ(polaris.value("Rises"), "does not rise");
  EXPECT_TRUE(std::isinf(polaris.find("Sets")->jd));

  const Rows shortList = info(*chart, sky.star(info_test::kAlbireo), 1, 1);
  EXPECT_EQ(shortList.headers(),
            (std::vector<std::string>{"Basic Information", "Visibility", "Celestial Coordinates",
                                      "Components", "Physical Parameters"}));
  EXPECT_TRUE(shortList.has("Right Ascension") && shortList.has("Declination"));
  for (const char* label : {"Hour Angle", "Ecliptic Longitude", "Galactic Longitude", "From Sun"})
    EXPECT_FALSE(shortList.has(label)) << label;

  chart->horizonAltitude = 1 * kDegree;
  const Rows raised = info(*chart, sky.star(info_test::kVega));
  EXPECT_TRUE(raised.has("Rises above 1.0°") && raised.has("Sets below 1.0°")) << raised.dump();

  chart->horizonAltitude = 0;
  info_test::enterSpaceView(*chart);
  const Rows space = info(*chart, sky.star(info_test::kVega));
  for (const char* label : {"Rises", "Azimuth", "Altitude", "Hour Angle"})
    EXPECT_FALSE(space.has(label)) << label;
  EXPECT_EQ(space.headers()[1], "Celestial Coordinates");
}

// ERFA's separation and position angle of the same two directions taken to
// the equator of date with ERFA's own precession-nutation.
void expectSeparationRow(const std::string& text, const double object[3], const double other[3],
                         double jd) {
  double npb[3][3], a[3], b[3], raA, decA, raB, decB;
  eraPnm06a(jd, 0, npb);
  eraRxp(npb, const_cast<double*>(object), a);
  eraRxp(npb, const_cast<double*>(other), b);
  eraC2s(a, &raA, &decA);
  eraC2s(b, &raB, &decB);
  // "ddd° mm' ss.s\"" then "@ a.a°": the four numbers in the text.
  const std::vector<double> numbers = info_test::numbersIn(text);
  ASSERT_EQ(numbers.size(), 4u) << text;
  const double separation = (numbers[0] + numbers[1] / 60.0 + numbers[2] / 3600.0) * kDegree;
  const double angle = numbers[3];
  EXPECT_NEAR(separation, eraSepp(a, b), 0.1 / 206265) << text;
  EXPECT_NEAR(angle, eraAnp(eraPas(raB, decB, raA, decA)) / kDegree, 0.1) << text;
}

TEST_F(ObjectInfo, SeparationsFromTheSunThePreviousSelectionAndTheCentreAgreeWithErfa) {
  CSkyObject* vega = sky.star(info_test::kVega);
  CSkyObject* pollux = sky.star(info_test::kPollux);
  chart->previousSelectedObjectID = sky.reference(kStarsFile, info_test::kVega);
  chart->updateObjectPosition(vega);
  const Rows rows = info(*chart, pollux, 0);
  double p[3], v[3], s[3], c[3];
  pollux->getPosition(p);
  vega->getPosition(v);
  sky.database().getSun()->getPosition(s);
  chart->getDisplayCenterVector(c);
  expectSeparationRow(rows.value("From Sun"), p, s, chart->julianDate);
  expectSeparationRow(rows.value("From Vega"), p, v, chart->julianDate);
  expectSeparationRow(rows.value("From Chart Center"), p, c, chart->julianDate);
  // The Sun as the previous selection names no second row.
  CSkyDatabase::setSunObjectID(&chart->previousSelectedObjectID);
  const Rows withSun = info(*chart, pollux);
  EXPECT_EQ(std::count_if(withSun.all().begin(), withSun.all().end(),
                          [](const info_test::Row& row) { return row.label.rfind("From ", 0) == 0; }),
            2) << withSun.dump();
}

TEST_F(ObjectInfo, ProperMotionRatesAgreeWithErfa) {
  const Rows rows = info(*chart, sky.star(info_test::kVega), 0);
  // Hipparcos: 200.94 mas/yr in RA x cos Dec, 286.23 in Dec, at J2000;
  // carried to the equator of date by ERFA.
  double pv[2][3], npb[3][3], date[2][3];
  eraS2pv(279.2347 * kDegree, 38.7837 * kDegree, 1, 0.20094 / 206264.806 / std::cos(38.7837 * kDegree),
          0.28623 / 206264.806, 0, pv);
  eraPnm06a(kDate, 0, npb);
  eraRxpv(npb, pv, date);
  double ra, dec, r, raRate, decRate, rRate;
  eraPv2s(date, &ra, &dec, &r, &raRate, &decRate, &rRate);
  double ours[3], angle;
  ASSERT_EQ(std::sscanf(rows.value("R.A. (2018.2)", "Apparent Motion").c_str(), "%lf s/yr", &ours[0]), 1) << rows.dump();
  ASSERT_EQ(std::sscanf(rows.value("Dec. (2018.2)", "Apparent Motion").c_str(), "%lf \"/yr", &ours[1]), 1);
  ASSERT_EQ(std::sscanf(rows.value("Total (2018.2)").c_str(), "%lf \"/yr @ %lf°", &ours[2], &angle), 2);
  EXPECT_NEAR(ours[0], raRate * 206264.806 / 15, 0.0001);
  EXPECT_NEAR(ours[1], decRate * 206264.806, 0.001);
  const double east = raRate * std::cos(dec);
  EXPECT_NEAR(ours[2], std::hypot(east, decRate) * 206264.806, 0.001);
  EXPECT_NEAR(angle, std::atan2(east, decRate) / kDegree, 0.1);
}

TEST_F(ObjectInfo, OtherClassesGoToTheirOwnBuilders) {
  CSkyObject* shower = sky.constellation(info_test::kPerseidsIndex);
  CSkyObject* moon = sky.database().getMoon();
  CSkyObject* crater = sky.crater();
  const auto same = [&](CSkyObject* object, const std::function<int(SkyObjectInfoString*, int)>& own) {
    const Rows dispatched = info(*chart, object);
    const Rows direct(own);
    EXPECT_EQ(dispatched.dump(), direct.dump());
  };
  same(shower, [&](SkyObjectInfoString* items, int max) {
    return getMeteorShowerInfo(chart.get(), asMeteorShower(shower), items, max, 1, 0);
  });
  same(moon, [&](SkyObjectInfoString* items, int max) {
    return getGeneralObjectInfo(chart.get(), asPlanet(moon), items, max, 1, 0);
  });
  same(crater, [&](SkyObjectInfoString* items, int max) {
    return getSurfaceFeatureInfo(chart.get(), asPlanetFeature(crater), items, max);
  });
}

TEST_F(ObjectInfo, TheListStopsAtTheCallersCapacity) {
  const Rows whole = info(*chart, sky.star(info_test::kAlbireo));
  ASSERT_GT(whole.size(), 30);
  for (int capacity : {0, 1, 7, whole.size() - 1, whole.size()}) {
    const Rows cut = info(*chart, sky.star(info_test::kAlbireo), 1, 0, capacity);
    ASSERT_EQ(cut.size(), capacity);
    for (int i = 0; i < capacity; ++i) EXPECT_EQ(cut[i].value, whole[i].value);
  }
}

TEST_F(ObjectInfo, LabelsAndFormatsPassThroughTheTranslationHook) {
  static std::set<std::string> translated;
  translationHook = [](const char* text) { return translated.insert("~" + std::string(text)).first->c_str(); };
  setLanguage(2);
  const Rows rows = info(*chart, sky.star(info_test::kSirius));
  setLanguage(0);
  translationHook = nullptr;
  for (const info_test::Row& row : rows.all())
    EXPECT_EQ((row.header ? row.value : row.label)[0], '~') << row.label << row.value;
  EXPECT_EQ(rows.value("~Orbital Period"), "~50.09 years");
}

}  // namespace
