// Location database: the built-in tables' invariants, the country groups,
// the user's places, name search and nearest-city lookup. Searches and
// lookups are checked against brute force, distances against ERFA.
#include "engine/locations.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/angles.h"
#include "engine/language.h"
#include "engine/location_tables.h"

namespace {

constexpr double kNone = -3.141592653589;

std::vector<Location> tableRows() {
  std::vector<Location> rows(cityCount());
  for (int i = 0; i < cityCount(); ++i) getCityLocation(i, &rows[i]);
  return rows;
}

const Location* findCity(const std::vector<Location>& rows, const char* name) {
  for (const Location& row : rows)
    if (std::strcmp(row.name, name) == 0) return &row;
  return nullptr;
}

std::string code(int countryCode) {
  return {static_cast<char>(countryCode / 256), static_cast<char>(countryCode % 256)};
}

bool validUtf8(const char* text) {
  for (auto p = reinterpret_cast<const unsigned char*>(text); *p;) {
    int extra = *p < 0x80 ? 0 : (*p >> 5) == 6 ? 1 : (*p >> 4) == 14 ? 2 : (*p >> 3) == 30 ? 3 : -1;
    if (extra < 0) return false;
    ++p;
    for (; extra > 0; --extra, ++p)
      if ((*p & 0xC0) != 0x80) return false;
  }
  return true;
}

Location place(const char* name) {
  return Location{name, 0x4445, 10, 20, 100, 1, 5000};
}

std::vector<std::string> userNames() {
  std::vector<std::string> names;
  Location l;
  for (int i = 0; getUserLocation(i, &l); ++i) names.emplace_back(l.name);
  return names;
}

class LocationDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLanguage(0);
    initLocationDatabase(0);
  }
  void TearDown() override {
    setLanguage(0);
    initLocationDatabase(0);
  }
};

// --- The generated tables -------------------------------------------------

class CityTableTest : public LocationDatabaseTest,
                      public ::testing::WithParamInterface<int> {};

TEST_P(CityTableTest, RowsAreSortedByCountryThenNameAndPlausible) {
  initLocationDatabase(GetParam());
  EXPECT_EQ(cityCount(), GetParam() == 0 ? 4303 : 31539);
  const auto rows = tableRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Location& row = rows[i];
    SCOPED_TRACE(row.name);
    if (i > 0) {
      ASSERT_LE(rows[i - 1].countryCode, row.countryCode);
      if (rows[i - 1].countryCode == row.countryCode) {
        EXPECT_LE(std::strcmp(rows[i - 1].name, row.name), 0);
      }
    }
    ASSERT_TRUE(row.name && *row.name && validUtf8(row.name));
    EXPECT_TRUE(row.longitude >= -180 && row.longitude <= 180);
    EXPECT_TRUE(row.latitude >= -90 && row.latitude <= 90);
    EXPECT_TRUE(row.altitude > -500 && row.altitude < 5000);
    EXPECT_TRUE(row.timeZone >= -12 && row.timeZone <= 14);
    EXPECT_EQ(std::fmod(row.timeZone * 4, 1.0f), 0.0f);  // quarter hours
    EXPECT_GT(row.population, 0);
  }
}

// The text after the name's last ", ", or "" when there is none.
std::string suffix(const char* name) {
  const char* comma = std::strrchr(name, ',');
  return comma && comma[1] == ' ' ? std::string(comma + 2) : std::string();
}

TEST_P(CityTableTest, StatesAndProvincesFollowTheNamesWhereDaylightSavingNeedsThem) {
  initLocationDatabase(GetParam());
  const std::set<std::string> canada{"AB", "BC", "MB", "NB", "NL", "NS", "ON",
                                     "PE", "QC", "SK", "YT", "NT", "NU"};
  const std::set<std::string> australia{"ACT", "NSW", "NT", "QLD", "SA", "TAS", "VIC", "WA"};
  // The daylight-saving choice looks for these letters anywhere in a name,
  // so the place name before the suffix must not hold them.
  const auto holdsAny = [](const std::string& text, std::initializer_list<const char*> marks) {
    return std::any_of(marks.begin(), marks.end(),
                       [&](const char* m) { return text.find(m) != std::string::npos; });
  };
  std::set<std::string> states, provinces, territories;
  for (const Location& row : tableRows()) {
    const std::string country = code(row.countryCode), tail = suffix(row.name);
    const std::string base(row.name, std::strlen(row.name) - std::min(std::strlen(row.name), tail.size() + 2));
    if (country == "US" || country == "CA") {
      EXPECT_FALSE(holdsAny(base, {"AZ", "HI", "SK"})) << row.name;
    }
    if (country == "AU") {
      EXPECT_FALSE(holdsAny(base, {"ACT", "VIC", "NSW", "TAS", "SA"})) << row.name;
    }
    if (country == "US") {
      EXPECT_TRUE(tail.size() == 2 && std::isupper(tail[0]) && std::isupper(tail[1])) << row.name;
      states.insert(tail);
    }
    if (country == "CA") {
      EXPECT_EQ(canada.count(tail), 1u) << row.name;
      provinces.insert(tail);
    }
    if (country == "AU") {
      EXPECT_EQ(australia.count(tail), 1u) << row.name;
      territories.insert(tail);
    }
  }
  // Every state, province and territory has a city of its own, so the
  // nearest city to a place lies in its own state wherever it can.
  EXPECT_EQ(states.size(), 51u);  // with the capital's district
  EXPECT_EQ(provinces, canada);
  EXPECT_EQ(territories, australia);
}

INSTANTIATE_TEST_SUITE_P(BothTables, CityTableTest, ::testing::Values(0, 1));

TEST_F(LocationDatabaseTest, EveryCountryOfTheLargeTableIsInTheSmallOne) {
  std::set<int> small, large;
  for (const Location& row : tableRows()) small.insert(row.countryCode);
  initLocationDatabase(1);
  for (const Location& row : tableRows()) large.insert(row.countryCode);
  EXPECT_EQ(small, large);
  EXPECT_GE(small.size(), 240u);
  for (int country : small) {
    const CountryRow* end = kCountryTable + kCountryTableRows;
    EXPECT_NE(std::find_if(kCountryTable, end,
                           [&](const CountryRow& r) { return r.code == country; }),
              end)
        << code(country);
  }
}

TEST_F(LocationDatabaseTest, CountryTableHasNineNamedColumnsSortedByCode) {
  ASSERT_EQ(kCountryTableRows, 251);
  EXPECT_EQ(kCountryTable[0].code, 0);
  for (const char* name : kCountryTable[0].names) EXPECT_STREQ(name, "User Defined");
  for (int i = 1; i < kCountryTableRows; ++i) {
    EXPECT_LT(kCountryTable[i - 1].code, kCountryTable[i].code);
    for (const char* name : kCountryTable[i].names) EXPECT_TRUE(name && *name && validUtf8(name));
  }
  const auto row = [](const char* alpha2) -> const CountryRow& {
    const int c = alpha2[0] * 256 + alpha2[1];
    return *std::find_if(kCountryTable, kCountryTable + kCountryTableRows,
                         [&](const CountryRow& r) { return r.code == c; });
  };
  const std::vector<std::string> germany(row("DE").names, row("DE").names + 9);
  EXPECT_EQ(germany, (std::vector<std::string>{"Germany", "Alemania", "Allemagne", "Deutschland",
                                               "Germania", "Германия", "ドイツ", "독일", "德国"}));
  EXPECT_STREQ(row("XK").names[0], "Kosovo");
  EXPECT_STREQ(row("JP").names[6], "日本");
}

// Standard time offsets and positions as published for these cities.
TEST_F(LocationDatabaseTest, KnownCitiesHaveTheirStandardZones) {
  const auto rows = tableRows();
  const struct {
    const char* name;
    float zone, lon, lat;
  } known[] = {
      {"London", 0, -0.13f, 51.51f},        {"Kolkata", 5.5f, 88.36f, 22.57f},
      {"Kathmandu", 5.75f, 85.32f, 27.70f}, {"Adelaide, SA", 9.5f, 138.60f, -34.93f},
      {"Phoenix, AZ", -7, -112.07f, 33.45f}, {"Tehran", 3.5f, 51.42f, 35.69f},
      {"Tokyo", 9, 139.69f, 35.69f},        {"Sydney, NSW", 10, 151.21f, -33.87f},
      {"Regina, SK", -6, -104.62f, 50.45f},  {"Santiago", -4, -70.65f, -33.46f},
  };
  for (const auto& k : known) {
    const Location* row = findCity(rows, k.name);
    ASSERT_NE(row, nullptr) << k.name;
    EXPECT_EQ(row->timeZone, k.zone) << k.name;
    EXPECT_NEAR(row->longitude, k.lon, 0.1) << k.name;
    EXPECT_NEAR(row->latitude, k.lat, 0.1) << k.name;
  }
  EXPECT_NEAR(findCity(rows, "Denver, CO")->altitude, 1600, 50);
}

// --- Rows and groups ------------------------------------------------------

TEST_F(LocationDatabaseTest, RowsOutsideTheTableAreRefusedWithoutCopying) {
  Location out = place("untouched");
  EXPECT_EQ(getCityLocation(-1, &out), 0);
  EXPECT_EQ(getCityLocation(4303, &out), 0);
  EXPECT_STREQ(out.name, "untouched");
  EXPECT_EQ(getCityLocation(4302, &out), 1);
  EXPECT_STREQ(out.name, kCityTable[4302].name);
  EXPECT_EQ(getCityLocation(0, nullptr), 1);
}

TEST_F(LocationDatabaseTest, GroupsCoverEveryRowOnceAndAreSortedByName) {
  for (int table : {0, 1}) {
    for (int language : {0, 3}) {
      setLanguage(language);
      initLocationDatabase(table);
      SCOPED_TRACE(testing::Message() << "table " << table << " language " << language);
      std::vector<int> seen(cityCount(), 0);
      std::set<int> countries;
      for (int g = 1; g < locationGroupCount(); ++g) {
        if (g > 1) {
          EXPECT_LT(std::strcmp(locationGroupName(g - 1), locationGroupName(g)), 0);
        }
        const int first = locationGroupFirstRow(g), size = locationGroupSize(g);
        ASSERT_GT(size, 0);
        Location head;
        ASSERT_TRUE(getCityLocation(first, &head));
        EXPECT_TRUE(countries.insert(head.countryCode).second) << locationGroupName(g);
        for (int row = first; row < first + size; ++row) {
          ++seen[row];
          Location l;
          ASSERT_TRUE(getCityLocation(row, &l));
          EXPECT_EQ(l.countryCode, head.countryCode);
        }
      }
      EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), cityCount());
    }
  }
}

TEST_F(LocationDatabaseTest, GroupNamesFollowTheLanguageAndUnknownGroupsAreRefused) {
  int germany = 0;
  for (int g = 1; g < locationGroupCount(); ++g)
    if (std::strcmp(locationGroupName(g), "Germany") == 0) germany = g;
  ASSERT_GT(germany, 0);
  setLanguage(2);
  EXPECT_STREQ(locationGroupName(germany), "Allemagne");
  EXPECT_STREQ(locationGroupName(0), "User Defined");
  setLanguage(6);  // a time locale only: names stay French
  EXPECT_STREQ(locationGroupName(germany), "Allemagne");
  for (int g : {-1, locationGroupCount()}) {
    EXPECT_EQ(locationGroupFirstRow(g), -1);
    EXPECT_EQ(locationGroupSize(g), -1);
    EXPECT_STREQ(locationGroupName(g), "");
  }
  EXPECT_EQ(locationGroupFirstRow(0), 0);
  EXPECT_EQ(locationGroupSize(0), 0);
  LocationGroup unknown{'Q' * 256 + 'Q', 0, 1}, andorra{'A' * 256 + 'D', 0, 1};
  EXPECT_LT(compareLocationGroups(unknown, andorra), 0);  // "" sorts first
}

// --- The user's places ----------------------------------------------------

TEST_F(LocationDatabaseTest, InsertAppendsAtCountAndRefusesBeyondIt) {
  EXPECT_EQ(insertUserLocation(1, place("Gap")), 0);
  EXPECT_EQ(insertUserLocation(-1, place("Negative")), 0);
  EXPECT_EQ(insertUserLocation(0, place("B")), 1);
  EXPECT_EQ(insertUserLocation(1, place("C")), 1);
  EXPECT_EQ(insertUserLocation(0, place("A")), 1);
  EXPECT_EQ(userNames(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(locationGroupSize(0), 3);
  Location l;
  ASSERT_TRUE(getUserLocation(1, &l));
  EXPECT_EQ(l.countryCode, 0);
  EXPECT_EQ(l.longitude, 10);
  EXPECT_EQ(l.latitude, 20);
  EXPECT_EQ(l.altitude, 100);
  EXPECT_EQ(l.timeZone, 1);
  EXPECT_EQ(l.population, 5000);
  EXPECT_EQ(getUserLocation(3, &l), 0);
}

TEST_F(LocationDatabaseTest, TheTableHoldsAtMost256Places) {
  for (int i = 0; i < kMaxUserLocations; ++i)
    ASSERT_EQ(insertUserLocation(i, place(std::to_string(i).c_str())), 1);
  EXPECT_EQ(insertUserLocation(kMaxUserLocations, place("one too many")), 0);
  EXPECT_EQ(insertUserLocation(0, place("one too many")), 0);
  EXPECT_EQ(userNames().back(), "255");
  EXPECT_EQ(deleteUserLocation(0), 1);
  EXPECT_EQ(insertUserLocation(255, place("last")), 1);
}

TEST_F(LocationDatabaseTest, DeletingFreesTheNameBufferForTheNextInsert) {
  insertUserLocation(0, place("A"));
  insertUserLocation(1, place("B"));
  insertUserLocation(2, place("C"));
  Location b;
  getUserLocation(1, &b);
  const char* bBuffer = b.name;
  EXPECT_EQ(deleteUserLocation(1), 1);
  EXPECT_EQ(userNames(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(bBuffer[0], '\0');
  EXPECT_EQ(deleteUserLocation(2), 0);
  EXPECT_EQ(deleteUserLocation(-1), 0);
  insertUserLocation(2, place("D"));
  Location d;
  getUserLocation(2, &d);
  EXPECT_EQ(d.name, bBuffer);
  EXPECT_EQ(userNames(), (std::vector<std::string>{"A", "C", "D"}));
  clearUserLocations();
  EXPECT_EQ(locationGroupSize(0), 0);
  EXPECT_EQ(getUserLocation(0, &d), 0);
}

TEST_F(LocationDatabaseTest, PlacesWithEmptyNamesKeepTheirOwnBuffers) {
  insertUserLocation(0, place(""));
  insertUserLocation(1, place("Bob"));
  Location first;
  getUserLocation(0, &first);
  first.name = "Ann";
  setUserLocation(0, first);
  EXPECT_EQ(userNames(), (std::vector<std::string>{"Ann", "Bob"}));
  Location nameless = place(nullptr);
  EXPECT_EQ(insertUserLocation(2, nameless), 1);
  EXPECT_EQ(userNames(), (std::vector<std::string>{"Ann", "Bob", ""}));
}

TEST_F(LocationDatabaseTest, SetCopiesBoundedNamesIntoTheSlot) {
  EXPECT_EQ(setUserLocation(0, place("nobody")), 0);  // no place 0 yet
  EXPECT_EQ(locationGroupSize(0), 0);
  insertUserLocation(0, place("Home"));
  EXPECT_EQ(setUserLocation(1, place("nobody")), 0);
  EXPECT_EQ(setUserLocation(-1, place("nobody")), 0);

  const std::string longName(300, 'x');
  ASSERT_EQ(setUserLocation(0, place(longName.c_str())), 1);
  Location l;
  getUserLocation(0, &l);
  EXPECT_EQ(std::string(l.name), longName.substr(0, 255));

  std::string accents;
  for (int i = 0; i < 200; ++i) accents += "é";  // 400 bytes
  setUserLocation(0, place(accents.c_str()));
  getUserLocation(0, &l);
  EXPECT_EQ(std::strlen(l.name), 254u);  // never half a character
  EXPECT_TRUE(validUtf8(l.name));

  getUserLocation(0, &l);  // the name points at the slot's own buffer
  l.latitude = -45;
  setUserLocation(0, l);
  getUserLocation(0, &l);
  EXPECT_EQ(std::strlen(l.name), 254u);
  EXPECT_EQ(l.latitude, -45);
}

// --- Search ---------------------------------------------------------------

std::vector<std::string> bruteForceSearch(const std::string& text, std::size_t capacity) {
  const auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  std::vector<std::string> found;
  Location l;
  for (int i = 0; getUserLocation(i, &l) && found.size() < capacity; ++i)
    if (lower(l.name).find(lower(text)) != std::string::npos) found.emplace_back(l.name);
  for (int i = 0; getCityLocation(i, &l) && found.size() < capacity; ++i)
    if (lower(l.name).find(lower(text)) != std::string::npos) found.emplace_back(l.name);
  return found;
}

TEST_F(LocationDatabaseTest, SearchMatchesBruteForceWithUserPlacesFirst) {
  insertUserLocation(0, place("My San Diego Field"));
  insertUserLocation(1, place("Backyard"));
  for (int table : {0, 1}) {
    if (table == 1) {
      initLocationDatabase(1);
      insertUserLocation(0, place("sand pit"));
    }
    for (const char* text : {"san", "SAN", "Spring", "ville, NSW", "x", "zzzz", "", "é"}) {
      for (int capacity : {1, 5, 100000}) {
        std::vector<Location> out(capacity);
        const int n = searchLocations(text, out.data(), capacity);
        std::vector<std::string> names;
        for (int i = 0; i < n; ++i) names.emplace_back(out[i].name);
        EXPECT_EQ(names, bruteForceSearch(text, capacity)) << text << " " << capacity;
      }
    }
  }
  std::vector<Location> out(10);
  EXPECT_STREQ((searchLocations("SAND", out.data(), 10), out[0].name), "sand pit");
  EXPECT_EQ(searchLocations("san", out.data(), 0), 0);
  EXPECT_EQ(searchLocations(nullptr, out.data(), 10), 0);
}

// --- Nearest city ---------------------------------------------------------

// Index of the nearest row of [first, end), distances by ERFA.
int bruteForceNearest(int first, int end, double lon, double lat, double* distance) {
  int best = -1;
  *distance = 0;
  for (int row = first; row < end; ++row) {
    Location l;
    getCityLocation(row, &l);
    const double d = eraSeps(lon, lat, l.longitude * kRadiansPerDegree, l.latitude * kRadiansPerDegree);
    if (best < 0 || d < *distance - 1e-12) {
      best = row;
      *distance = d;
    }
  }
  return best;
}

TEST_F(LocationDatabaseTest, NearestCityMatchesBruteForce) {
  std::mt19937_64 random(20240601);
  std::uniform_real_distribution<double> lon(-kPi, kPi), z(-1, 1);
  for (int table : {0, 1}) {
    initLocationDatabase(table);
    for (int i = 0; i < 200; ++i) {
      const double plon = lon(random), plat = std::asin(z(random));
      int first = 0, end = cityCount();
      if (i % 4 == 3) {  // within one country's group
        const int g = 1 + static_cast<int>(random() % (locationGroupCount() - 1));
        first = locationGroupFirstRow(g);
        end = first + locationGroupSize(g);
      }
      double expected;
      const int row = bruteForceNearest(first, end, plon, plat, &expected);
      Location found{}, wanted;
      getCityLocation(row, &wanted);
      const double d = findNearestCity(first, end, &found, plon, plat);
      EXPECT_NEAR(d, expected, 1e-9);
      EXPECT_NEAR(eraSeps(plon, plat, found.longitude * kRadiansPerDegree,
                          found.latitude * kRadiansPerDegree),
                  expected, 1e-9);
      if (std::strcmp(found.name, wanted.name) != 0) {
        // Only an exact tie may pick another row.
        EXPECT_NEAR(eraSeps(plon, plat, wanted.longitude * kRadiansPerDegree,
                            wanted.latitude * kRadiansPerDegree), d, 1e-12);
      }
    }
  }
}

TEST_F(LocationDatabaseTest, NearestCityOfNoRowsIsNoCity) {
  const Location before = place("untouched");
  for (auto [first, end] : std::vector<std::pair<int, int>>{
           {10, 10}, {10, 5}, {4303, 5000}, {-20, 0}, {99999, 100000}}) {
    Location out = before;
    EXPECT_EQ(findNearestCity(first, end, &out, 0.5, 0.5), kNone) << first << " " << end;
    EXPECT_STREQ(out.name, "untouched");
  }
  Location out = before;
  EXPECT_EQ(findNearestCity(0, cityCount(), &out, std::nan(""), 0.5), kNone);
  EXPECT_STREQ(out.name, "untouched");
  // A range running past the table ends keeps the rows inside it.
  EXPECT_GE(findNearestCity(-5, 100000, &out, 0.5, 0.5), 0);
}

}  // namespace
