// The searches' results: Gaia and position-coded numbers on synthetic files
// from the project's writer (identifiers from chealpix's ang2pix_nest);
// findObjects on the real catalogues and fuzzed; name matching and
// duplicates against brute force over every name; the fourteen sort modes
// against a stable sort of keys computed here (right ascension and
// declination by ERFA, rise and set by a scan of the altitude); the
// recorded chart and its end.
#include <chealpix.h>
#include <erfa.h>
#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "mechanics/sky_mechanics.h"
#include "skydata/catalog_numbers.h"
#include "skydata/constellation.h"
#include "skydata/constellation_tables.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/search_filter.h"
#include "skydata/sky_data_index.h"
#include "skydata/skydata_writer.h"
#include "skydata/star.h"
#include "skydata/star_designations.h"
#include "tests/skydata/search_real_catalogues.h"
#include "tests/skydata/star_records.h"
#include "tests/support/requirements.h"
#include "tests/support/temp_dir.h"

namespace {

using search_test::catalogues;

constexpr double kPi = 3.141592653589793;

#define REQUIRE_CATALOGUES() \
  if (!catalogues().ok)      \
  TESSALY_SKIP_OR_FAIL("no built catalogues in " << search_test::skyDataFolder())

// A star record at (ra, dec) with catalogue numbers and names.
std::string starRecord(double ra, double dec, const std::vector<std::int64_t>& numbers,
                       const std::vector<std::string>& names, float magnitude = 12.0f,
                       float distance = INFINITY) {
  star_records::StarPart s;
  s.numbers = numbers;
  s.names = names;
  s.ra = static_cast<float>(ra);
  s.dec = static_cast<float>(dec);
  s.distance = distance;
  s.visual = static_cast<std::int16_t>(magnitude * 100);
  std::string buffer(1024, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  star_records::writeStarPart(w, s);
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

// The depth-two region of the default cube that holds a unit vector.
std::uint32_t regionOf(double ra, double dec) {
  const double v[3] = {std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec)};
  int k = 0, j = 0;
  for (int a = 0; a < 3; ++a) {
    const bool upper = v[a] >= 0;
    k |= upper << a;
    const double half = upper ? 0.5 : -0.5;  // the child's centre on this axis
    j |= (v[a] >= half) << a;
  }
  return static_cast<std::uint32_t>(8 * (k + 1) + j + 1);
}

// Guide stars with Gaia identifiers and deep-sky objects with SDSS and
// 2MASS numbers, none of them in an index: only the position search finds
// them.
struct PositionCoded {
  struct Star {
    double ra, dec;
    std::int64_t number;
  };
  tessaly::test::TempDir dir;
  std::vector<Star> gaia, coded;
  std::vector<Star> decoys;  // same identifier far away, or a neighbouring one
  std::unique_ptr<CSkyDatabase> database;

  PositionCoded() {
    std::mt19937_64 random(77);
    SkyDataWriter guide, deep;
    const double places[][2] = {{0.001, 0.3}, {6.28, -0.2}, {3.0, 1.55}, {1.2, -1.56},
                                {4.5, 0.0},   {2.2, 0.7},   {5.9, -0.9}};
    for (const auto& p : places) {
      long pixel = 0;
      ang2pix_nest(4096, kPi / 2 - p[1], p[0], &pixel);
      const std::int64_t source =
          pixel * kGaiaPixelDivisor + static_cast<std::int64_t>(random() % kGaiaPixelDivisor);
      const std::int64_t number = makeCatalogNumber(kCatalogGaia, source);
      gaia.push_back({p[0], p[1], number});
      guide.addRecord(regionOf(p[0], p[1]), starRecord(p[0], p[1], {number}, {}), 12.0f);
      // The same identifier on the other side of the sky; the next one at
      // the same place.
      const double ra = std::fmod(p[0] + kPi, 2 * kPi), dec = -p[1];
      decoys.push_back({ra, dec, number});
      guide.addRecord(regionOf(ra, dec), starRecord(ra, dec, {number}, {}), 12.0f);
      decoys.push_back({p[0], p[1], makeCatalogNumber(kCatalogGaia, source + 1)});
      guide.addRecord(regionOf(p[0], p[1]), starRecord(p[0], p[1], {decoys.back().number}, {}),
                      12.0f);
    }
    // SDSS J123456.78+123456.7 and 2MASS J03051234-4510123.
    const std::int64_t sdss = makeCatalogNumber(141, 12345678LL * 100000000 + 11234567);
    const std::int64_t twoMass = makeCatalogNumber(142, 3051234LL * 100000000 + 4510123);
    const double sdssRa = (12 + 34 / 60.0 + 56.78 / 3600) * kPi / 12;
    const double sdssDec = (12 + 34 / 60.0 + 56.7 / 3600) * kPi / 180;
    const double twoMassRa = (3 + 5 / 60.0 + 12.34 / 3600) * kPi / 12;
    const double twoMassDec = -(45 + 10 / 60.0 + 12.3 / 3600) * kPi / 180;
    coded = {{sdssRa, sdssDec, sdss}, {twoMassRa, twoMassDec, twoMass}};
    for (const Star& s : coded)
      deep.addRecord(regionOf(s.ra, s.dec), starRecord(s.ra, s.dec, {s.number}, {}), 14.0f);
    database = std::make_unique<CSkyDatabase>((dir.path().string() + "/").c_str());
    if (guide.writeFile(dir.file("GuideStars.skydata")) &&
        deep.writeFile(dir.file("DeepSky.skydata"))) {
      database->loadGuideStars("GuideStars.skydata");
      database->loadDeepSky("DeepSky.skydata");
    }
  }
};

TEST(PositionSearch, GaiaAndCodedNumbersFindTheirObjectOnly) {
  PositionCoded files;
  CSkyDatabase& database = *files.database;
  ASSERT_NE(database.getGuideStarsFile(), nullptr);
  ASSERT_NE(database.getDeepSkyFile(), nullptr);
  for (const auto& s : files.gaia) {
    std::vector<SkyObjectID> found;
    ASSERT_EQ(database.findObjectsByPositionID(s.number, found, 16), 1) << s.ra << " " << s.dec;
    EXPECT_EQ(found[0].file, kGuideStarsFile);
    EXPECT_EQ(found[0].catnum, s.number);
    EXPECT_STREQ(found[0].name, "");
    EXPECT_EQ(found[0].type, 0);
    CStar* star = asStar(database.getObject(&found[0]));
    ASSERT_NE(star, nullptr);
    double v[3], ra, dec;
    star->getCatalogVector(v);
    eraC2s(v, &ra, &dec);
    EXPECT_LT(std::fabs(dec - s.dec), 1e-6);  // the star at its place, not the decoy
    // The search screens' text finds it too.
    char text[64];
    std::snprintf(text, sizeof text, "Gaia %lld", static_cast<long long>(-s.number));
    std::vector<SkyObjectID> byText;
    EXPECT_EQ(database.findObjects(text, byText, 16), 1) << text;
  }
  for (const auto& s : files.coded) {
    std::vector<SkyObjectID> found;
    ASSERT_EQ(database.findObjectsByPositionID(s.number, found, 16), 1);
    EXPECT_EQ(found[0].file, kDeepSkyFile);
  }
  for (const char* text : {"SDSS J123456.78+123456.7", "2MASS J03051234-4510123"}) {
    std::vector<SkyObjectID> found;
    EXPECT_EQ(database.findObjects(text, found, 16), 1) << text;
  }
  // No pixel of the sphere, another catalogue, no room: nothing.
  std::vector<SkyObjectID> none;
  EXPECT_EQ(database.findObjectsByPositionID(
                makeCatalogNumber(kCatalogGaia, kGaiaPixelCount * kGaiaPixelDivisor), none, 16),
            0);
  EXPECT_EQ(database.findObjectsByPositionID(makeCatalogNumber(kCatalogGaia, INT64_MAX), none, 16),
            0);
  EXPECT_EQ(database.findObjectsByPositionID(makeCatalogNumber(5, 48915), none, 16), 0);
  EXPECT_EQ(database.findObjectsByPositionID(files.gaia[0].number, none, 0), 0);
  EXPECT_TRUE(none.empty());
}

// Random texts of every kind the parsers meet (digits, signs, letters,
// catalogue prefixes, very long numbers) never upset the search.
TEST(FindObjects, FuzzedTextsOnSyntheticFiles) {
  PositionCoded files;
  CSkyDatabase& database = *files.database;
  std::mt19937 random(5);
  const std::vector<std::string> pieces = {
      "0",     "1",     "9",      "12",       "99999999999999999999",
      "-",     "+",     ".",      " ",        "J",
      "Gaia ", "SDSS ", "2MASS ", "HD ",      "HIP ",
      "NGC ",  "M",     "TYC ",   "alpha ",   "And",
      "$",     "%",     "BD+",    "GSCII ",   "V",
      "RR ",   "Mel ",  "Cr ",    "\xc3\xa9", "a",
      "Z",     "Sh2-",  "LBN ",   "PGC "};
  std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
  for (int n = 0; n < 20000; ++n) {
    std::string text;
    const int count = 1 + static_cast<int>(random() % 6);
    for (int k = 0; k < count; ++k) text += pieces[piece(random)];
    if (random() % 10 == 0) text += std::to_string(random());
    if (random() % 50 == 0) text.append(300, '7');
    std::vector<SkyObjectID> found;
    const int maximum = static_cast<int>(random() % 20);
    const int count2 = database.findObjects(text.c_str(), found, maximum);
    ASSERT_EQ(count2, static_cast<int>(found.size())) << text;
    ASSERT_LE(count2, maximum) << text;
  }
  std::vector<SkyObjectID> found;
  EXPECT_EQ(database.findObjects(nullptr, found, 10), 0);
  EXPECT_EQ(database.findObjects("", found, 10), 0);
}

// The search screens' cases on the real catalogues.
TEST(FindObjects, TheSearchScreensCases) {
  REQUIRE_CATALOGUES();
  CSkyDatabase& database = *catalogues().database;
  auto find = [&](const char* text) {
    std::vector<SkyObjectID> found;
    const int count = database.findObjects(text, found, 64);
    EXPECT_EQ(count, static_cast<int>(found.size())) << text;
    return found;
  };
  auto numbersOf = [&](const SkyObjectID& r) {
    std::vector<std::int64_t> out(16);
    ScopedSkyObject object(database.getObject(&r));
    out.resize(object
                   ? static_cast<std::size_t>(getObjectCatalogNumbers(object.get(), out.data(), 16))
                   : 0);
    return out;
  };
  auto has = [&](const std::vector<SkyObjectID>& found, std::int64_t number) {
    return std::any_of(found.begin(), found.end(), [&](const SkyObjectID& r) {
      const auto numbers = numbersOf(r);
      return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
    });
  };
  // Vega: the star of HR 7001, by name.
  const auto vega = find("Vega");
  EXPECT_TRUE(has(vega, makeCatalogNumber(4, 7001)));
  // M 31 is NGC 224.
  const auto m31 = find("M 31");
  ASSERT_FALSE(m31.empty());
  EXPECT_TRUE(has(m31, makeCatalogNumber(102, 2240)));
  // 12: the number search (asteroid 12 Victoria, HR 12, M 12 = NGC 6218)
  // and nothing by name.
  const auto twelve = find("12");
  EXPECT_TRUE(has(twelve, makeCatalogNumber(kCatalogAsteroid, 12)));
  EXPECT_TRUE(has(twelve, makeCatalogNumber(4, 12)));
  EXPECT_TRUE(has(twelve, makeCatalogNumber(101, 12)));
  EXPECT_TRUE(has(twelve, makeCatalogNumber(102, 62180)));
  // ISS: the station by its name.
  const auto iss = find("ISS");
  EXPECT_TRUE(has(iss, makeCatalogNumber(kCatalogSatellite, 25544)));
  // One character: no name search, only designations.
  for (const char* one : {"V", "a", "M", "Z"}) {
    std::int64_t parsed[32];
    int count = parseStarDesignation(one, 0, parsed, 16);
    count += parseDeepSkyDesignation(one, 0, parsed + count, 16);
    for (const SkyObjectID& r : find(one)) {
      const auto numbers = numbersOf(r);
      EXPECT_TRUE(std::any_of(parsed, parsed + count,
                              [&](std::int64_t p) {
                                return std::any_of(
                                    numbers.begin(), numbers.end(),
                                    [&](std::int64_t n) { return catalogNumbersMatch(n, p); });
                              }))
          << one << ": " << r.name;
    }
  }
  // 0: no number search (no asteroid, comet or satellite 0).
  for (const SkyObjectID& r : find("0")) EXPECT_NE(r.file, kSolarSystemFile);
  // Forty digits do not fit a number: searched as a name, nothing found.
  EXPECT_TRUE(find("1234567890123456789012345678901234567890").empty());
  // Room for one: one.
  std::vector<SkyObjectID> one;
  EXPECT_EQ(database.findObjects("12", one, 1), 1);
}

// Name matching (exact, substring, beginning; with and without case) of
// the object test, and of searchFile through the name index, against
// plain string operations over every name.
TEST(NameSearch, MatchesEveryNameAsPlainStringsDo) {
  REQUIRE_CATALOGUES();
  CSkyDatabase& database = *catalogues().database;
  std::mt19937 random(11);
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  auto matches = [&](const std::string& name, const std::string& key, bool exact, bool substring,
                     bool sensitive) {
    const std::string n = sensitive ? name : lower(name), k = sensitive ? key : lower(key);
    if (exact) return n == k;
    if (substring) return n.find(k) != std::string::npos;
    return n.compare(0, k.size(), k) == 0;
  };
  int checked = 0, found = 0;
  for (int file : {1, 2, 4, 5}) {
    const auto& objects = catalogues().objects[file];
    std::vector<std::vector<std::string>> names;
    for (const auto& o : objects) {
      const char* list[16];
      const int count = getObjectNames(o.object, list, 16);
      names.emplace_back(list, list + count);
    }
    std::vector<CIndexEntry> indexNames;
    CSkyDataIndex* index = database.getDataFile(file)->getIndex(0);
    ASSERT_NE(index, nullptr);
    index->findByName("", 0, indexNames, 1 << 30);
    for (int n = 0; n < 12; ++n) {
      // A key cut from a random name, its case changed at random.
      std::size_t which;
      do which = random() % objects.size();
      while (names[which].empty());
      std::string key = names[which][random() % names[which].size()];
      const std::size_t from = n % 3 == 2 ? key.size() / 3 : 0;
      const std::size_t length =
          n % 3 == 0 ? key.size() : 1 + random() % std::max<std::size_t>(key.size() - from, 1);
      key = key.substr(from, length);
      if (n % 2)
        for (char& c : key)
          if (random() % 2) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      for (int flags = 0; flags < 8; ++flags) {
        const bool exact = flags & 1, substring = flags & 2, sensitive = flags & 4;
        database.setExactMatch(exact);
        database.setSubstringMatch(substring);
        database.setCaseSensitive(sensitive);
        database.setNameKey(key.c_str());
        std::set<std::pair<std::uint32_t, std::uint16_t>> expected, byIndex;
        for (std::size_t i = 0; i < objects.size(); ++i) {
          const bool any = std::any_of(names[i].begin(), names[i].end(), [&](const std::string& s) {
            return matches(s, key, exact, substring, sensitive);
          });
          ASSERT_EQ(database.objectPassesFilter(objects[i].object), any) << key << " " << flags;
          if (any) expected.insert({objects[i].region, objects[i].index});
        }
        // searchFile reaches what the index names begin with, ignoring
        // case, and keeps what the object test passes.
        for (const CIndexEntry& e : indexNames)
          if (matches(*e.name, key, false, false, false) && expected.count({e.region, e.index}))
            byIndex.insert({e.region, e.index});
        std::vector<SkyObjectID> results;
        database.searchFile(file, results, 1 << 30);
        std::set<std::pair<std::uint32_t, std::uint16_t>> got;
        for (const auto& r : results) got.insert({r.region, r.index});
        EXPECT_EQ(got, byIndex) << "file " << file << " key '" << key << "' flags " << flags;
        ++checked;
        found += static_cast<int>(got.size());
      }
    }
  }
  database.setNameKey(nullptr);
  database.setExactMatch(false);
  database.setSubstringMatch(false);
  database.setCaseSensitive(false);
  std::printf("name searches: %d, %d found\n", checked, found);
  EXPECT_GT(found, checked);
}

// Without duplicates a list holds no two entries with the same reference,
// catalogue number or name: each search keeps the first of each.
TEST(NameSearch, DuplicatesAreKeptOutInOrder) {
  REQUIRE_CATALOGUES();
  CSkyDatabase& database = *catalogues().database;
  std::size_t dropped = 0;
  for (const char* text : {"Alpha", "Vega", "M 1", "12", "NGC 22", "Sirius", "Beta Cen", "ISS"}) {
    std::vector<SkyObjectID> all, unique;
    database.setAllowDuplicates(true);
    database.findObjects(text, all, 200);
    database.setAllowDuplicates(false);
    database.findObjects(text, unique, 200);
    database.setAllowDuplicates(true);
    // The first of each among the whole list, in its order, per search
    // step: no entry of `unique` repeats an earlier one, and every entry of
    // `all` is in `unique` or repeats one of it.
    for (std::size_t i = 0; i < unique.size(); ++i)
      EXPECT_FALSE(CSkyDatabase::skyObjectIDInList(
          unique[i].file, unique[i].region, unique[i].index, unique[i].catnum, unique[i].name,
          unique.data(), static_cast<int>(i)))
          << text << " " << unique[i].name;
    for (const SkyObjectID& r : all)
      EXPECT_TRUE(CSkyDatabase::skyObjectIDInList(r.file, r.region, r.index, r.catnum, r.name,
                                                  unique.data(), static_cast<int>(unique.size())))
          << text << " " << r.name;
    EXPECT_LE(unique.size(), all.size());
    dropped += all.size() - unique.size();
  }
  EXPECT_GT(dropped, 0u);
}

// With the type range within the double stars (2 to 5) a limiting
// magnitude also holds for the companion (8.50 in these records).
TEST(SearchFilter, CompanionMagnitudeWithTheDoubleStarTypesOnly) {
  tessaly::test::TempDir dir;
  SkyDataWriter writer;
  for (int type : {1, 2, 2, 4}) {
    star_records::StarPart s;
    s.type = type;
    s.numbers = {makeCatalogNumber(5, 200 + type)};
    s.visual = 500;
    std::string buffer(1024, '\0');
    RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
    star_records::writeStarPart(w, s);
    if (type == 4) star_records::writeVariablePart(w);
    if (type >= 2) star_records::writeDoublePart(w);
    buffer.resize(static_cast<std::size_t>(w.result()));
    writer.addRecord(0, buffer, 5.0f);
  }
  ASSERT_TRUE(writer.writeFile(dir.file("Stars.skydata")));
  CSkyDatabase database((dir.path().string() + "/").c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  // The magnitudes are the chart's: the filter has the recorded chart
  // place the stars it meets unplaced.
  CSkyMechanics chart(&database);
  database.sortSearchResults(&chart, nullptr, 0, kSortNone);
  auto count = [&](int low, int high, float faintest) {
    database.searchFilter.lowestType = low;
    database.searchFilter.highestType = high;
    database.searchFilter.magnitude[1] = faintest;
    std::vector<SkyObjectID> found;
    return database.searchFile(kStarsFile, found, 10);
  };
  EXPECT_EQ(count(2, 5, 6.0f), 0);  // the companions are too faint
  EXPECT_EQ(count(2, 5, 8.5f), 3);  // not fainter than the limit
  EXPECT_EQ(count(2, 5, 8.49f), 0);
  EXPECT_EQ(count(1, 5, 6.0f), 4);  // a range beyond the double stars
  EXPECT_EQ(count(2, 6, 6.0f), 3);
  EXPECT_EQ(count(3, 5, 6.0f), 0);  // type 4 only, too faint
}

// Sorting: each mode's order equals a stable sort of keys computed here,
// up to ties; entries without an object first; undefined keys last.
struct IndependentKey {
  bool hasObject = true;
  double value = 0;
  // A rise or set the day may hold twice (a satellite; an event near the
  // day's ends, a sidereal day being shorter): not judged.
  bool unsure = false;
};

TEST(SortSearchResults, EveryModeOrdersByItsKey) {
  REQUIRE_CATALOGUES();
  CSkyDatabase& database = *catalogues().database;
  CSkyMechanics& chart = *catalogues().chart;
  // A list of every kind: bright stars, Messier objects, planets and
  // satellites, constellations and meteor showers, and a reference to
  // nothing.
  std::vector<SkyObjectID> list;
  database.searchFilter.magnitude[1] = 2.5f;
  database.searchFile(kStarsFile, list, 400);
  database.searchFilter = SearchFilter();
  for (int m = 1; m <= 110; m += 7)
    database.findObjectsByCatalogNumber(makeCatalogNumber(101, m), kDeepSkyFile, list, 4);
  for (const char* name : {"Mars", "Jupiter", "Moon", "ISS (ZARYA)", "Perseids", "Geminids",
                           "Quadrantids", "Orion", "Lyra"})
    database.findObjects(name, list, 2);
  SkyObjectID nothing;
  CSkyDatabase::setSkyObjectID(&nothing, kStarsFile, 0xFFFFFFF0u, 3, 0, "nothing", 1);
  list.insert(list.begin() + 5, nothing);
  ASSERT_GT(list.size(), 60u);

  auto objectOf = [&](const SkyObjectID& r) { return ScopedSkyObject(database.getObject(&r)); };
  // Rise and set by minute steps through the chart's local day.
  const double day = std::floor(chart.julianDate - 0.5) + 0.5;
  auto scanned = [&](CSkyObject* object, bool rise) {
    auto altitude = [&](double t) {
      chart.setJulianDate(t);
      chart.updateObjectPosition(object);
      double p[3], h[3];
      object->getPosition(p);
      chart.fundamentalToHorizon(p, h);
      return std::asin(h[2]);
    };
    double previous = altitude(day);
    for (int minute = 1; minute <= 1440; ++minute) {
      const double t = day + minute / 1440.0, a = altitude(t);
      if (rise ? (previous <= 0 && a > 0) : (previous > 0 && a <= 0)) return t;
      previous = a;
    }
    return rise ? -HUGE_VAL : HUGE_VAL;
  };
  const double saved = chart.julianDate;

  for (int mode = 1; mode <= 14; ++mode) {
    std::vector<IndependentKey> keys;
    std::vector<std::string> names;
    std::vector<std::int64_t> numbers;
    for (const SkyObjectID& r : list) {
      IndependentKey k;
      names.emplace_back(r.name, strnlen(r.name, 32));
      numbers.push_back(r.catnum);
      ScopedSkyObject o = objectOf(r);
      if (!o) {
        k.hasObject = false;
      } else {
        double p[3];
        o->getPosition(p);
        double ra, dec, h[3];
        eraC2s(p, &ra, &dec);
        chart.fundamentalToHorizon(p, h);
        switch (mode) {
          case 4:
            k.value = o->getMagnitude();
            break;
          case 5:
            k.value = o->getDistance() * (asStar(o.get()) ? 206264.80624714843 : 1);
            break;
          case 6:
          case 13:
            k.value = eraAnp(ra);
            break;
          case 7:
            k.value = dec;
            break;
          case 8:
            k.value = eraAnp(std::atan2(h[1], h[0]));
            break;
          case 9:
            k.value = std::asin(h[2] / std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]));
            break;
          case 10:
            k.value = constellationAtPosition(p);
            break;
          case 11:
          case 12: {
            k.value = scanned(o.get(), mode == 11);
            k.unsure = o->getType() == kTypeSatellite ||
                       (std::isfinite(k.value) && std::fabs(k.value - day - 0.5) > 0.49);
            break;
          }
          case 14: {
            const CMeteorShower* shower = asMeteorShower(o.get());
            k.value = shower ? eraAnp(shower->getPeakSolarLongitude() - 4.89495042014206) : 0;
            break;
          }
          default:
            break;
        }
      }
      keys.push_back(k);
    }
    chart.setJulianDate(saved);
    std::vector<SkyObjectID> sorted = list;
    database.sortSearchResults(&chart, sorted.data(), static_cast<int>(sorted.size()), mode);
    EXPECT_EQ(database.getSortMode(), mode);
    // The same entries, each once.
    std::vector<std::size_t> at;
    for (const SkyObjectID& r : sorted) {
      const auto it = std::find_if(list.begin(), list.end(), [&](const SkyObjectID& l) {
        return std::memcmp(&l, &r, sizeof r) == 0;
      });
      ASSERT_NE(it, list.end());
      at.push_back(static_cast<std::size_t>(it - list.begin()));
    }
    ASSERT_EQ(std::set<std::size_t>(at.begin(), at.end()).size(), list.size());
    // In order of the keys (two seconds of slack for the scanned times),
    // ties in the list's order.
    const double slack = mode == 11 || mode == 12 ? 3.0 / 86400 : 1e-9;
    int ordered = 0;
    for (std::size_t i = 1; i < at.size(); ++i) {
      const std::size_t a = at[i - 1], b = at[i];
      int order = 0;
      if (mode == 1) order = std::strncmp(names[a].c_str(), names[b].c_str(), 32);
      if (mode == 2) order = numbers[a] < numbers[b] ? -1 : numbers[a] > numbers[b];
      if (mode == 3) {
        const bool na = numbers[a] != 0, nb = numbers[b] != 0;
        order = na != nb ? (na ? -1 : 1)
                : na && numbers[a] != numbers[b]
                    ? (numbers[a] < numbers[b] ? -1 : 1)
                    : std::strncmp(names[a].c_str(), names[b].c_str(), 32);
      }
      if (mode >= 4) {
        const IndependentKey &ka = keys[a], &kb = keys[b];
        if (ka.unsure || kb.unsure) {
          order = 0;
        } else if (ka.hasObject != kb.hasObject) {
          order = ka.hasObject ? 1 : -1;
        } else if (ka.hasObject) {
          const bool nanA = std::isnan(ka.value), nanB = std::isnan(kb.value);
          order = nanA != nanB ? (nanA ? 1 : -1)
                  : nanA || std::fabs(ka.value - kb.value) <= slack || ka.value == kb.value ? 0
                  : ka.value < kb.value                                                     ? -1
                                                                                            : 1;
        }
      }
      EXPECT_LE(order, 0) << "mode " << mode << " at " << i << ": " << names[a] << " before "
                          << names[b];
      if (order == 0 && mode != 11 && mode != 12) {
        EXPECT_LT(a, b) << "mode " << mode << " stable";
      }
      ordered += order < 0;
    }
    EXPECT_GT(ordered, 3) << "mode " << mode;
    // The comparator agrees with the order it made.
    for (std::size_t i = 1; i < sorted.size(); ++i)
      EXPECT_LE(database.compareSearchResults(&sorted[i - 1], &sorted[i]), 0) << mode;
  }
  chart.setJulianDate(saved);
  EXPECT_EQ(database.getSearchChart(), &chart);
}

// Undefined keys sort last and equal among themselves; mode 0 and modes
// above 14 leave the list alone; before a chart is recorded the position
// modes compare equal and the position tests fail; a chart that ends is
// forgotten.
TEST(SortSearchResults, UndefinedKeysChartsAndModes) {
  tessaly::test::TempDir dir;
  SkyDataWriter writer;
  const double ascensions[] = {0.3, NAN, 0.1, NAN, 0.2, 0.05};
  for (int i = 0; i < 6; ++i)
    writer.addRecord(0,
                     starRecord(ascensions[i], 0.1 * i, {makeCatalogNumber(5, 100 + i)},
                                {"Star " + std::to_string(i)}),
                     12.0f);
  ASSERT_TRUE(writer.writeFile(dir.file("Stars.skydata")));
  CSkyDatabase database((dir.path().string() + "/").c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  std::vector<SkyObjectID> list;
  database.searchFile(kStarsFile, list, 10);
  ASSERT_EQ(list.size(), 6u);

  // No chart yet: modes 6 to 13 leave the list alone, as do modes 0 and
  // above 14; position tests fail.
  for (int mode : {0, 15, 99, -1, 6, 7, 8, 9, 10, 11, 12, 13}) {
    auto same = list;
    database.sortSearchResults(nullptr, same.data(), 6, mode);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(same[i].catnum, list[i].catnum) << mode;
  }
  EXPECT_EQ(database.getSearchChart(), nullptr);
  database.searchFilter.azimuth[0] = -1;
  database.searchFilter.azimuth[1] = 6.283f;  // every azimuth, but tested
  std::vector<SkyObjectID> found;
  EXPECT_EQ(database.searchFile(kStarsFile, found, 10), 0);
  {
    CSkyMechanics chart(&database);
    chart.setJulianDate(2460300.5);
    // Undefined right ascensions last, equal among themselves, in the
    // list's order.
    auto sorted = list;
    database.sortSearchResults(&chart, sorted.data(), 6, kSortRightAscension);
    EXPECT_EQ(database.getSearchChart(), &chart);
    const int expected[] = {5, 2, 4, 0, 1, 3};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(sorted[i].catnum, list[expected[i]].catnum) << i;
    EXPECT_EQ(database.compareSearchResults(&sorted[4], &sorted[5]), 0);
    EXPECT_GT(database.compareSearchResults(&sorted[4], &sorted[0]), 0);
    EXPECT_LT(database.compareSearchResults(&sorted[0], &sorted[4]), 0);
    // With the chart the azimuths are tested: the stars with a place pass.
    EXPECT_EQ(database.searchFile(kStarsFile, found, 10), 4);
  }
  // The chart ended: forgotten, and the position tests fail again.
  EXPECT_EQ(database.getSearchChart(), nullptr);
  found.clear();
  EXPECT_EQ(database.searchFile(kStarsFile, found, 10), 0);
  // A chart outlives a database that recorded it, and another records it.
  CSkyMechanics chart(&database);
  {
    CSkyDatabase other("");
    other.sortSearchResults(&chart, nullptr, 0, 1);
    EXPECT_EQ(other.getSearchChart(), &chart);
  }
  database.sortSearchResults(&chart, nullptr, 0, 1);
  EXPECT_EQ(database.getSearchChart(), &chart);
}

}  // namespace
