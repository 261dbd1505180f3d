// The search filter against brute force over the real catalogues: random
// filters of every kind, each file searched with searchFile (every region
// loaded) and every object judged by a test written here from the rules,
// with right ascension and declination of date and the horizon place from
// ERFA; names matched by plain string operations; the filter's defaults,
// setters and category flags.
#include "skydata/search_filter.h"

#include <erfa.h>
#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "skydata/catalog_numbers.h"
#include "skydata/constellation_tables.h"
#include "skydata/deep_sky_object.h"
#include "skydata/designation_text.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_data_index.h"
#include "skydata/star_classes.h"
#include "tests/skydata/search_real_catalogues.h"
#include "tests/support/requirements.h"
#include "tests/support/sanitizer_build.h"

namespace {

using search_test::catalogues;
using search_test::LoadedObject;

constexpr float kInf = INFINITY;
constexpr double kArcsecond = 4.848136811094136e-06;
// Objects this close to a bound of a position range (ERFA's frames and the
// chart's differ by a few arcseconds) are not judged.
constexpr double kPositionSlack = 1e-4;

TEST(SearchFilter, DefaultsSettersAndCategories) {
  CSkyDatabase database("");
  EXPECT_EQ(database.getNameKey(), nullptr);
  EXPECT_EQ(database.getCatalogNumberKey(), 0);
  EXPECT_TRUE(database.getAllowDuplicates());
  EXPECT_FALSE(database.getCaseSensitive());
  EXPECT_FALSE(database.getExactMatch());
  EXPECT_FALSE(database.getSubstringMatch());
  EXPECT_EQ(database.getLowestType(), 1);
  EXPECT_EQ(database.getHighestType(), 42);
  EXPECT_EQ(database.getLowestDistance(), 0);
  EXPECT_EQ(database.getHighestDistance(), kInf);
  EXPECT_EQ(database.getLowestMagnitude(), -kInf);
  EXPECT_EQ(database.getHighestMagnitude(), kInf);
  EXPECT_EQ(database.getLowestSize(), 0);
  EXPECT_EQ(database.getHighestSize(), kInf);
  EXPECT_EQ(database.getLowestRightAscension(), -kInf);
  EXPECT_EQ(database.getHighestDeclination(), kInf);
  EXPECT_EQ(database.getLowestAltitude(), -kInf);
  EXPECT_EQ(database.getHighestAzimuth(), kInf);
  EXPECT_EQ(database.getLowestSeparation(), 0);
  EXPECT_EQ(database.getHighestSeparation(), kInf);
  EXPECT_EQ(database.getConstellation(), 0);
  EXPECT_EQ(database.searchFilter.extraWords[0], 0u);
  EXPECT_EQ(database.searchFilter.extraWords[1], 0xFFFFFFFFu);
  for (int code = 0; code < 256; ++code) EXPECT_TRUE(database.isCategoryShown(code));

  // The case flag reaches the designation parsers.
  database.setCaseSensitive(true);
  EXPECT_TRUE(isCaseSensitiveSearch());
  database.setCaseSensitive(false);
  EXPECT_FALSE(isCaseSensitiveSearch());

  // Codes outside 0-255 are never shown and change nothing.
  bool before[256], after[256];
  database.setCategoryShown(7, false);
  database.getCategoryFlags(before);
  for (int code : {-1, 256, 1000, -100000}) {
    database.setOnlyCategoryShown(code);
    database.setCategoryShown(code, true);
    EXPECT_FALSE(database.isCategoryShown(code));
  }
  database.getCategoryFlags(after);
  EXPECT_TRUE(std::equal(before, before + 256, after));
  EXPECT_FALSE(database.isCategoryShown(7));
  database.setOnlyCategoryShown(200);
  for (int code = 0; code < 256; ++code) EXPECT_EQ(database.isCategoryShown(code), code == 200);
  database.setCategoryFlags(before);
  EXPECT_FALSE(database.isCategoryShown(7));
  EXPECT_TRUE(database.isCategoryShown(200));
}

// What the rules need of one object, read once.
struct Facts {
  LoadedObject where;
  int type;
  int categories[4] = {-1, -1, -1, -1};
  double magnitude, companion = NAN;
  bool isPair = false;
  double distance;          // parsecs
  double size = NAN;        // planets and deep-sky objects
  double separation = 0;    // double stars
  double ra, dec, alt, az;  // of date, horizon (ERFA)
  int constellation;
};

// The equator of date and the horizon of the chart's date and site, from
// ERFA: IAU 2006/2000A precession-nutation and sidereal time.
struct ErfaFrames {
  double npb[3][3];
  double last;
  ErfaFrames() {
    CSkyMechanics& chart = *catalogues().chart;
    const double ut = chart.julianDate, tt = chart.dynamicalJulianDate;
    eraPnm06a(tt, 0, npb);
    last = eraGst06a(ut, 0, tt, 0) + search_test::kSiteLongitude;
  }
  void place(const double p[3], double* ra, double* dec, double* alt, double* az) const {
    double v[3], x[3] = {p[0], p[1], p[2]};
    eraRxp(const_cast<double(*)[3]>(npb), x, v);
    eraC2s(v, ra, dec);
    *ra = eraAnp(*ra);
    eraHd2ae(last - *ra, *dec, search_test::kSiteLatitude, az, alt);
  }
};

std::vector<Facts> factsOf(int file) {
  const ErfaFrames frames;
  std::vector<Facts> out;
  for (const LoadedObject& o : catalogues().objects[file]) {
    Facts f;
    f.where = o;
    CSkyObject* object = o.object;
    f.type = object->getType();
    if (const CSatellite* satellite = asSatellite(object))
      for (int k = 0; k < 4; ++k) f.categories[k] = satellite->getCategory(k);
    f.magnitude = object->getMagnitude();
    if (const CDoubleStar* pair = asDoubleStar(object)) {
      f.isPair = true;
      f.companion = pair->getCompanionMagnitude();
      f.separation = pair->getSeparation();
    }
    f.distance = object->getDistance();
    if (const CPlanet* planet = asPlanet(object)) {
      f.distance *= kArcsecond;
      f.size = planet->getAngularDiameter();
    } else if (const CDeepSkyObject* deepSky = asDeepSkyObject(object)) {
      f.size = deepSky->getMajorSize() * kArcsecond;
    }
    double p[3];
    object->getPosition(p);
    frames.place(p, &f.ra, &f.dec, &f.alt, &f.az);
    f.constellation = constellationAtPosition(p);
    out.push_back(f);
  }
  return out;
}

enum Verdict { kPass, kFail, kUnsure };

// The filter's rules, written from their statement.
Verdict judge(const Facts& o, const SearchFilter& f) {
  if (o.type < f.lowestType || o.type > f.highestType) return kFail;
  if (o.type == kTypeSatellite) {
    bool shown = false;
    for (int c : o.categories) shown = shown || (c >= 0 && c < 256 && f.categories[c]);
    if (!shown) return kFail;
  }
  bool unsure = false;
  auto inRange = [&](double value, const float range[2], double slack) {
    if (!(value >= range[0] - slack && value <= range[1] + slack)) return false;
    if (slack > 0 && (std::fabs(value - range[0]) < slack || std::fabs(value - range[1]) < slack))
      unsure = true;
    return true;
  };
  const bool raDecTested = !(f.rightAscension[0] <= 0 && f.rightAscension[1] >= 6.283185307178 &&
                             f.declination[0] <= -1.5707963267945 && f.declination[1] >= 1.5707964);
  if (raDecTested && !(inRange(o.ra, f.rightAscension, kPositionSlack) &&
                       inRange(o.dec, f.declination, kPositionSlack)))
    return kFail;
  if (f.constellation != 0 && o.constellation != f.constellation) return kFail;
  if (!(f.altitude[0] <= -1.5707964 && f.altitude[1] >= 1.5707964) &&
      !inRange(o.alt, f.altitude, kPositionSlack))
    return kFail;
  if (!(f.azimuth[0] <= 0 && f.azimuth[1] >= 6.2831855) &&
      !inRange(o.az, f.azimuth, kPositionSlack))
    return kFail;
  if (std::isfinite(f.magnitude[0]) || std::isfinite(f.magnitude[1])) {
    if (!inRange(o.magnitude, f.magnitude, 0)) return kFail;
    if (f.lowestType > 1 && f.highestType < 6 && o.isPair && !(o.companion <= f.magnitude[1]))
      return kFail;
  }
  if ((f.distance[0] > 0 || std::isfinite(f.distance[1])) && !inRange(o.distance, f.distance, 0))
    return kFail;
  if (!(f.size[0] == 0 && f.size[1] >= 6.283185307178) && !std::isnan(o.size) &&
      !inRange(o.size, f.size, 0))
    return kFail;
  if (!(f.separation[0] == 0 && f.separation[1] >= 3.141592653589) &&
      !inRange(o.separation, f.separation, 0))
    return kFail;
  return unsure ? kUnsure : kPass;
}

// A random filter: a few criteria of the kinds the screens offer, each
// drawn from the values the file's objects have.
SearchFilter randomFilter(std::mt19937& random, const std::vector<Facts>& facts) {
  SearchFilter f;
  std::uniform_real_distribution<double> unit(0, 1);
  auto pick = [&]() -> const Facts& {
    return facts[std::uniform_int_distribution<std::size_t>(0, facts.size() - 1)(random)];
  };
  auto window = [&](double a, double b, float range[2]) {
    range[0] = static_cast<float>(std::min(a, b));
    range[1] = static_cast<float>(std::max(a, b));
  };
  const int kinds = 1 + static_cast<int>(unit(random) * 3);
  for (int k = 0; k < kinds; ++k) {
    switch (static_cast<int>(unit(random) * 10)) {
      case 0: {
        const int a = pick().type, b = pick().type;
        f.lowestType = std::min(a, b);
        f.highestType = std::max(a, b);
        break;
      }
      case 1: {
        // Categories: a random half hidden, or only one shown.
        const int only = pick().categories[0];
        for (int c = 0; c < 256; ++c) f.categories[c] = unit(random) < 0.5 || c == only;
        break;
      }
      case 2: {
        window(pick().magnitude, pick().magnitude, f.magnitude);
        if (unit(random) < 0.3)
          f.magnitude[unit(random) < 0.5 ? 0 : 1] = unit(random) < 0.5 ? -kInf : kInf;
        break;
      }
      case 3: {
        window(pick().distance, pick().distance, f.distance);
        if (!std::isfinite(f.distance[0])) f.distance[0] = 0;
        break;
      }
      case 4: {
        const Facts& a = pick();
        const double w = 0.05 + unit(random);
        window(a.ra - w, a.ra + w, f.rightAscension);
        window(a.dec - w / 3, a.dec + w / 3, f.declination);
        break;
      }
      case 5:
        f.constellation = pick().constellation;
        break;
      case 6: {
        const Facts& a = pick();
        window(a.alt - unit(random), a.alt + unit(random), f.altitude);
        if (unit(random) < 0.5) window(a.az - 2 * unit(random), a.az + 2 * unit(random), f.azimuth);
        break;
      }
      case 7: {
        const double a = pick().size, b = pick().size;
        window(std::isnan(a) ? 0 : a, std::isnan(b) ? 1e-3 : b, f.size);
        break;
      }
      case 8: {
        window(pick().separation, pick().separation * 2 + 1e-5, f.separation);
        break;
      }
      default: {
        // Only the double stars (types 2 to 5) and a limiting magnitude
        // near a companion's, which must not be fainter.
        f.lowestType = 2;
        f.highestType = 5;
        const Facts* pair = &pick();
        for (int tries = 0; tries < 100 && !(pair->isPair && std::isfinite(pair->companion));
             ++tries)
          pair = &pick();
        f.magnitude[1] = static_cast<float>(pair->isPair ? pair->companion - 0.5 + unit(random)
                                                         : pair->magnitude);
        break;
      }
    }
  }
  return f;
}

std::string describe(const SearchFilter& f) {
  char text[512];
  std::snprintf(text, sizeof text,
                "types %d-%d, magnitude %g %g, distance %g %g, ra %g %g, dec %g %g, "
                "constellation %d, altitude %g %g, azimuth %g %g, size %g %g, separation %g %g",
                f.lowestType, f.highestType, f.magnitude[0], f.magnitude[1], f.distance[0],
                f.distance[1], f.rightAscension[0], f.rightAscension[1], f.declination[0],
                f.declination[1], f.constellation, f.altitude[0], f.altitude[1], f.azimuth[0],
                f.azimuth[1], f.size[0], f.size[1], f.separation[0], f.separation[1]);
  return text;
}

struct FileCase {
  int file;
  int filters;
};

class FilterBruteForce : public ::testing::TestWithParam<FileCase> {};

// searchFile, with every region loaded, finds exactly the objects the
// rules pass (objects within the slack of a position bound aside): the
// region tests never drop one that passes.
TEST_P(FilterBruteForce, SearchFileFindsExactlyThePassingObjects) {
  if (!catalogues().ok)
    TESSALY_SKIP_OR_FAIL("no built catalogues in " << search_test::skyDataFolder());
  const FileCase c = GetParam();
  CSkyDatabase& database = *catalogues().database;
  const std::vector<Facts> facts = factsOf(c.file);
  ASSERT_GT(facts.size(), 30u);
  std::mt19937 random(1234 + c.file);
  int judged = 0, passing = 0, pruned = 0;
  for (int n = 0; n < c.filters; ++n) {
    const SearchFilter filter = randomFilter(random, facts);
    database.searchFilter = filter;
    std::vector<SkyObjectID> results;
    const int found = database.searchFile(c.file, results, 1 << 30);
    ASSERT_EQ(found, static_cast<int>(results.size()));
    std::set<std::pair<std::uint32_t, std::uint16_t>> got;
    for (const SkyObjectID& r : results) {
      EXPECT_EQ(r.file, c.file);
      EXPECT_TRUE(got.insert({r.region, r.index}).second) << "listed twice";
    }
    int expected = 0;
    for (const Facts& o : facts) {
      const Verdict v = judge(o, filter);
      const bool listed = got.count({o.where.region, o.where.index}) > 0;
      if (v == kUnsure) continue;
      ++judged;
      expected += v == kPass;
      if (v == kPass && !listed) ++pruned;
      ASSERT_EQ(listed, v == kPass)
          << "file " << c.file << " filter " << n << " (" << describe(filter) << ") object "
          << o.where.object->getNameString() << " type " << o.type;
    }
    passing += expected;
  }
  database.searchFilter = SearchFilter();
  std::printf("file %d: %zu objects, %d filters, %d judgements, %d passing\n", c.file, facts.size(),
              c.filters, judged, passing);
  EXPECT_EQ(pruned, 0);
  EXPECT_GT(passing, c.filters);  // the filters are not all empty
}

// As the program searches: the star file freshly opened, its regions read
// for the scan and their stars placed by the recorded chart as the filter
// meets them; the same stars as the rules pass over the placed catalogue.
TEST(FilterOnAFreshFile, RegionsReadForTheScanGiveTheSameStars) {
  if (!catalogues().ok)
    TESSALY_SKIP_OR_FAIL("no built catalogues in " << search_test::skyDataFolder());
  CSkyDatabase database((search_test::skyDataFolder() + "/").c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  CSkyMechanics chart(&database);
  chart.setLocation(search_test::kSiteLongitude, search_test::kSiteLatitude, 1650);
  chart.setJulianDate(search_test::kChartDate);
  database.sortSearchResults(&chart, nullptr, 0, kSortNone);
  database.searchFilter.magnitude[0] = 4.0f;
  database.searchFilter.magnitude[1] = 6.5f;
  std::vector<SkyObjectID> results;
  database.searchFile(kStarsFile, results, 1 << 30);
  std::set<std::pair<std::uint32_t, std::uint16_t>> got, expected;
  for (const SkyObjectID& r : results) got.insert({r.region, r.index});
  for (const Facts& o : factsOf(kStarsFile))
    if (o.magnitude >= 4.0 && o.magnitude <= 6.5) expected.insert({o.where.region, o.where.index});
  EXPECT_GT(expected.size(), 1000u);
  EXPECT_EQ(got, expected);
}

// A fixed sample in the suite, a third of it under a sanitizer (the first
// filters of the same sequence); TESSALY_FULL_SWEEP=1 runs five times as
// many filters. The Tycho stars (a million) get fewer: each takes a full
// pass.
int filterCount(int sample) {
  const char* full = std::getenv("TESSALY_FULL_SWEEP");
  if (full && *full == '1') return 5 * sample;
  return tessaly::test::sanitizerSample(sample, (sample + 2) / 3);
}

INSTANTIATE_TEST_SUITE_P(Files, FilterBruteForce,
                         ::testing::Values(FileCase{1, filterCount(40)}, FileCase{2, filterCount(40)},
                                           FileCase{3, filterCount(40)}, FileCase{4, filterCount(40)},
                                           FileCase{5, filterCount(40)}, FileCase{6, filterCount(4)}),
                         [](const auto& info) { return "File" + std::to_string(info.param.file); });

}  // namespace
