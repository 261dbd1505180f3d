#include "skydata/constellation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/language.h"
#include "engine/vectors.h"
#include "skydata/constellation_tables.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/record_io.h"
#include "skydata/satellite.h"

namespace {

int numberOf(const std::string& abbreviation) {
  for (int n = 1; n <= 88; ++n)
    if (abbreviation == constellationAbbreviation(n)) return n;
  return 0;
}

int lookup(double raHours, double decDegrees) {
  double v[3];
  sphericalToVector(v, raHours * M_PI / 12, decDegrees * M_PI / 180, 1.0);
  return constellationAtPosition(v);
}

TEST(ConstellationTable, RowsAndAccessors) {
  EXPECT_STREQ(constellationAbbreviation(1), "And");
  EXPECT_STREQ(constellationLatinName(1), "Andromeda");
  EXPECT_STREQ(constellationGenitive(1), "Andromedae");
  EXPECT_STREQ(constellationLatinName(89), "Serpens Cauda");
  EXPECT_EQ(constellationAbbreviation(0), nullptr);
  EXPECT_EQ(constellationGenitive(90), nullptr);
  const ConstellationRow& aqr = constellationTable[3];
  EXPECT_EQ(aqr.labelRA, 22.5f);
  EXPECT_EQ(aqr.labelDec, -9.0f);
  EXPECT_EQ(aqr.area, 980.0f);
  EXPECT_STREQ(aqr.commonNames[0], "Water Bearer");
  EXPECT_STREQ(constellationTable[2].commonNames[0], "Bird of Pardise");

  std::set<std::string> seen;
  for (int n = 1; n <= 88; ++n) EXPECT_TRUE(seen.insert(constellationAbbreviation(n)).second);
}

TEST(ConstellationTable, AreasAgreeWithThePublishedIAUAreas) {
  // Delporte's areas in square degrees (rounded), as the IAU publishes
  // them; the table's were integrated from its own boundary rows.
  const std::map<std::string, double> published = {
      {"Hya", 1303}, {"Vir", 1294}, {"UMa", 1280}, {"Cet", 1231}, {"Her", 1225},
      {"Cru", 68}, {"Equ", 72}, {"Sge", 80}, {"Oct", 291}, {"UMi", 256}, {"Ori", 594}};
  for (const auto& [abbreviation, area] : published)
    EXPECT_NEAR(constellationTable[numberOf(abbreviation) - 1].area, area, 1.0) << abbreviation;
  double sky = 0;
  for (int n = 1; n <= 88; ++n) sky += constellationTable[n - 1].area;
  EXPECT_NEAR(sky, 41253, 30);  // whole-degree rounding of 88 areas
}

TEST(ConstellationTable, CommonNamesFollowTheLanguage) {
  setLanguage(3);
  EXPECT_STREQ(constellationCommonName(89), "Schwanz der Schlange");
  setLanguage(1);
  EXPECT_STREQ(constellationCommonName(4), "Acuario");
  setLanguage(0);
  EXPECT_STREQ(constellationCommonName(1), "Chained Lady (Princess)");
  EXPECT_EQ(constellationCommonName(90), nullptr);
  EXPECT_EQ(constellationCommonName(0), nullptr);
}

// Strokes of a figure row as an unordered set of star pairs.
std::set<std::pair<int, int>> segments(const std::int16_t* row, int width, int offset = 0) {
  std::set<std::pair<int, int>> out;
  int previous = 0;
  for (int k = 0; k < width && row[k] != 0; ++k) {
    const int star = std::abs(row[k]) + offset;
    if (row[k] > 0) {
      EXPECT_NE(previous, 0) << "a stroke must start with a negative entry";
      out.insert({std::min(previous, star), std::max(previous, star)});
    }
    previous = star;
  }
  return out;
}

TEST(ConstellationFigures, StrokeCodeAndRows) {
  // Andromeda's standard figure as the program prints it:
  // -15, 165, 337, 603, -464, 269, 154, 15.
  const std::int16_t andromeda[] = {-15, 165, 337, 603, -464, 269, 154, 15, 0};
  EXPECT_TRUE(std::equal(andromeda, andromeda + 9, constellationFigure(1)));
  EXPECT_EQ(constellationFigure(88), nullptr);
  EXPECT_NE(constellationAltFigure(88), nullptr);
  EXPECT_EQ(constellationAltFigure(89), nullptr);
  EXPECT_EQ(constellationFigure(0), nullptr);

  for (int n = 1; n <= 88; ++n) {
    const std::int16_t* rows[] = {constellationFigure(n), constellationAltFigure(n)};
    const int widths[] = {kStandardFigureWidth, kAltFigureWidth};
    for (int set = 0; set < 2; ++set) {
      if (!rows[set]) continue;
      EXPECT_LT(rows[set][0], 0) << n;
      EXPECT_FALSE(segments(rows[set], widths[set]).empty()) << n;
      for (int k = 0; k < widths[set]; ++k) EXPECT_LE(std::abs(rows[set][k]), 9110) << n;
    }
  }
}

TEST(ConstellationFigures, Asterisms) {
  EXPECT_STREQ(getAsterism(0), "Big Dipper");
  EXPECT_STREQ(getAsterism(23), "Winter Circle");
  EXPECT_STREQ(getAsterism(24), "");
  EXPECT_STREQ(getAsterism(-1), "");
  EXPECT_EQ(getAsterismFigure(24), nullptr);
  // Each entry holds the HR number less one: the Summer Triangle joins
  // Deneb (HR 7924), Vega (HR 7001) and Altair (HR 7557).
  const std::int16_t triangle[] = {-7923, 7000, 7556, 7923, 0};
  EXPECT_TRUE(std::equal(triangle, triangle + 5, getAsterismFigure(20)));
  for (int i = 0; i < kAsterismCount; ++i) {
    const std::int16_t* figure = getAsterismFigure(i);
    EXPECT_LT(figure[0], 0) << getAsterism(i);
    EXPECT_FALSE(segments(figure, kAsterismFigureWidth, 1).empty()) << getAsterism(i);
    for (int k = 0; k < kAsterismFigureWidth; ++k) EXPECT_LT(std::abs(figure[k]), 9110);
  }
  // Orion's Belt: Alnitak, Alnilam, Mintaka (HR 1948, 1903, 1852).
  EXPECT_EQ(segments(getAsterismFigure(16), kAsterismFigureWidth, 1),
            (std::set<std::pair<int, int>>{{1852, 1903}, {1903, 1948}}));
}

TEST(ConstellationLookup, PolesAndBoundaryRows) {
  const double north[3] = {0, 0, 1}, south[3] = {0, 0, -1};
  EXPECT_EQ(constellationAtPosition(north), 84);
  EXPECT_EQ(constellationAtPosition(south), 58);
  const double zero[3] = {0, 0, 0}, bad[3] = {NAN, 0, 1};
  EXPECT_EQ(constellationAtPosition(zero), 0);
  EXPECT_EQ(constellationAtPosition(bad), 0);

  // First row: 0-24 h above +88: UMi. On its declination-low edge a point
  // belongs to the rows below (here Cep at 0-8 h, above +85).
  EXPECT_EQ(findBoundaryRow(3.0, 88.0), numberOf("Cep"));
  EXPECT_EQ(findBoundaryRow(3.0, 88.0001), 84);
  // Row "8:00-14:30 above +86:30 UMi": both hour ends belong to the row.
  EXPECT_EQ(findBoundaryRow(8.0, 87.0), 84);
  EXPECT_EQ(findBoundaryRow(14.5, 87.0), 84);
  EXPECT_EQ(findBoundaryRow(12.0, 86.5), numberOf("Cam"));
  EXPECT_EQ(findBoundaryRow(12.0, -90.0), 0);  // on the last row's edge
  EXPECT_EQ(findBoundaryRow(12.0, -89.9), 58);
  EXPECT_EQ(findBoundaryRow(25.0, 0.0), 0);

  // Every row's own interior gives a row that claims it.
  for (const BoundaryRow& row : constellationBoundaryTable) {
    EXPECT_GE(row.number, 1);
    EXPECT_LE(row.number, 88);
    EXPECT_NE(findBoundaryRow((row.raLow + row.raHigh) / 2, row.decLow + 1e-4), 0);
  }
}

TEST(ConstellationLookup, AgreesWithAnIndependentImplementation) {
  // Skyfield (python3-skyfield) on directions drawn over the sphere, away
  // from boundaries by 20 arcseconds.
  struct Case { double ra, dec; const char* abbreviation; };
  const Case cases[] = {
#include "tests/skydata/constellation_oracle_cases.inc"
  };
  ASSERT_EQ(std::size(cases), 2000u);
  std::set<int> seen;
  for (const Case& c : cases) {
    const int n = lookup(c.ra, c.dec);
    EXPECT_EQ(n, numberOf(c.abbreviation)) << c.ra << " " << c.dec << " " << c.abbreviation;
    seen.insert(n);
  }
  EXPECT_GT(seen.size(), 80u);
}

TEST(ConstellationLookup, BrightStars) {
  // J2000 places of stars whose constellation is not in doubt.
  EXPECT_EQ(lookup(6.752481, -16.716116), numberOf("CMa"));  // Sirius
  EXPECT_EQ(lookup(2.530301, 89.264109), numberOf("UMi"));   // Polaris
  EXPECT_EQ(lookup(14.660765, -60.833976), numberOf("Cen"));  // Alpha Cen
  EXPECT_EQ(lookup(18.615649, 38.783692), numberOf("Lyr"));   // Vega
  EXPECT_EQ(lookup(0.139791, 29.090432), numberOf("And"));    // Alpheratz
  EXPECT_EQ(lookup(17.582242, 12.560035), numberOf("Oph"));   // Rasalhague
  EXPECT_EQ(lookup(15.580051, 10.538874), numberOf("Ser"));   // Unuk (Ser Caput)
}

TEST(Constellation, CommonNameOfARegionOwnedConstellationIsTranslated) {
  CConstellation c(40);
  c.setNumber(89);
  setLanguage(3);
  EXPECT_STREQ(c.getCommonName(), "Schwanz der Schlange");
  c.setOwnedByRegion(true);
  EXPECT_STREQ(c.getCommonName(), "Schwanz der Schlange");
  setLanguage(0);
  CConstellation asterism(41);
  asterism.setNumber(89);
  EXPECT_STREQ(asterism.getCommonName(), "");
}

TEST(Constellation, Zodiac) {
  CConstellation c(40), a(41);
  for (int n : {4, 16, 66, 7, 78, 38, 12, 46, 86, 49, 73, 72}) {
    c.setNumber(n);
    EXPECT_TRUE(c.isZodiac()) << n;
    a.setNumber(n);
    EXPECT_FALSE(a.isZodiac());
  }
  c.setNumber(5);
  EXPECT_FALSE(c.isZodiac());
  EXPECT_EQ(std::count_if(std::begin(constellationTable), std::end(constellationTable),
                          [&](const ConstellationRow& r) {
                            return isZodiacConstellation(static_cast<int>(&r - constellationTable) + 1);
                          }),
            12);
}

TEST(Constellation, PointList) {
  CConstellation c(40);
  const float x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1};
  EXPECT_EQ(c.getAngularExtent(), 0.0);
  EXPECT_FALSE(c.insertPoint(1, x));
  EXPECT_TRUE(c.insertPoint(0, x));
  EXPECT_EQ(c.getAngularExtent(), 0.0);
  EXPECT_TRUE(c.insertPoint(1, z));
  EXPECT_TRUE(c.insertPoint(1, y));  // x, y, z
  float out[3];
  ASSERT_TRUE(c.getPointFloat(1, out));
  EXPECT_EQ(out[1], 1.0f);
  EXPECT_NEAR(c.getAngularExtent(), M_PI / 2, 1e-7);
  const float minusX[3] = {-1, 0, 0};
  EXPECT_TRUE(c.setPoint(2, minusX));
  EXPECT_NEAR(c.getAngularExtent(), M_PI, 1e-7);
  EXPECT_FALSE(c.setPoint(3, x));
  EXPECT_FALSE(c.deletePoint(3));
  EXPECT_TRUE(c.deletePoint(0));
  double v[3];
  ASSERT_TRUE(c.getPoint(0, v));
  EXPECT_EQ(v[1], 1.0);
  EXPECT_EQ(c.getPointCount(), 2);
}

std::vector<unsigned char> written(const CSkyObject& o, bool other) {
  std::vector<unsigned char> bytes(4096);
  const std::int64_t n = o.writeRecord(bytes.data(), static_cast<std::int64_t>(bytes.size()), other);
  EXPECT_GT(n, 0);
  bytes.resize(static_cast<std::size_t>(n));
  return bytes;
}

CConstellation* sampleConstellation(int type) {
  auto* c = new CConstellation(type);
  c->setNumber(type == 40 ? 60 : 17);
  const double centre[3] = {0.1, 0.99, 0.1};
  c->setPosition(centre);
  c->setAngularSize(0.4f);
  const float p[3] = {0.6f, 0.8f, 0.0f};
  for (int k = 0; k < 5; ++k) c->insertPoint(k, p);
  return c;
}

TEST(Constellation, RecordsRoundTripInBothByteOrders) {
  for (int type : {40, 41}) {
    for (bool other : {false, true}) {
      CConstellation* c = sampleConstellation(type);
      c->setOwnedByRegion(true);
      const auto record = written(*c, other);
      EXPECT_EQ(record[0], type);  // ownership bit cleared
      EXPECT_EQ(record.size(), 1u + 4 + 4 + 12 + 4 + 4 + 5 * 12);
      CSkyObject* back = createSkyObject(type);
      ASSERT_EQ(back->readRecord(record.data(), static_cast<std::int64_t>(record.size()), other),
                static_cast<std::int64_t>(record.size()));
      EXPECT_EQ(asConstellation(back)->getPointCount(), 5);
      EXPECT_EQ(back->getNumber(), c->getNumber());
      EXPECT_EQ(written(*back, other), record);
      delete back;
      delete c;
    }
  }
}

TEST(Constellation, DamagedRecords) {
  CConstellation* c = sampleConstellation(40);
  auto record = written(*c, false);
  CConstellation target(41);
  for (std::size_t length = 0; length < record.size(); ++length)
    EXPECT_EQ(target.readRecord(record.data(), static_cast<std::int64_t>(length), false), -1);
  EXPECT_EQ(target.getType(), 41);
  // A point count far beyond the record: refused before any allocation.
  const std::size_t countAt = record.size() - 5 * 12 - 4;
  record[countAt] = record[countAt + 1] = record[countAt + 2] = record[countAt + 3] = 0xFF;
  EXPECT_EQ(target.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false), -1);
  EXPECT_EQ(target.getPointCount(), 0);
  delete c;
}

// A meteor shower record: the Perseids.
std::vector<unsigned char> perseids(bool other) {
  std::vector<unsigned char> bytes(256);
  RecordWriter w(bytes.data(), 256, other);
  w.writeRecordU8(42);
  w.writeRecordString("Perseids");
  w.writeRecordString("PER");
  w.writeRecordString("109P/Swift-Tuttle");
  w.writeRecordI16(7);
  w.writeRecordU8(1);
  w.writeRecordU8(24);
  w.writeRecordFloat(140.0 * M_PI / 180);
  w.writeRecordFloat(2.2);
  w.writeRecordFloat(59.0);
  w.writeRecordFloat(-1.0);
  double radiant[3];
  sphericalToVector(radiant, 48.0 * M_PI / 180, 58.0 * M_PI / 180, 1.0);
  for (double c : radiant) w.writeRecordFloat(c);
  for (double v : {0.953, 0.985, 2.8, 2.6, 2.4}) w.writeRecordDouble(v);
  bytes.resize(static_cast<std::size_t>(w.result()));
  return bytes;
}

TEST(MeteorShower, RecordRoundTripsInBothByteOrders) {
  for (bool other : {false, true}) {
    const auto record = perseids(other);
    EXPECT_EQ(record.size(), 1u + 9 + 4 + 18 + 72);
    CSkyObject* object = createSkyObject(42);
    ASSERT_EQ(object->readRecord(record.data(), static_cast<std::int64_t>(record.size()), other),
              static_cast<std::int64_t>(record.size()));
    const CMeteorShower* m = asMeteorShower(object);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->getNameString(), "Perseids");
    EXPECT_STREQ(m->getParentBody(), "109P/Swift-Tuttle");
    EXPECT_EQ(m->getIAUNumber(), 7);
    EXPECT_EQ(m->getPeakHour(), 24);  // no peak hour
    EXPECT_EQ(m->getPeakRate(), -1.0);
    EXPECT_EQ(m->getVelocity(), 59.0);
    EXPECT_EQ(object->getMagnitude(), 2.2f);
    EXPECT_EQ(m->getAscendingNode(), 2.4);
    EXPECT_EQ(written(*object, other), record);
    for (std::size_t length = 0; length < record.size(); ++length)
      EXPECT_EQ(object->readRecord(record.data(), static_cast<std::int64_t>(length), other), -1);
    EXPECT_EQ(m->getNameString(), "Perseids");
    delete object;
  }
  CMeteorShower fresh;
  EXPECT_EQ(fresh.getVelocity(), INFINITY);
  EXPECT_EQ(fresh.getEccentricity(), INFINITY);
  char buffer[4];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_STREQ(fresh.getName(buffer, sizeof buffer), "");
}

TEST(Downcasts, AcceptOnlyTheirCodes) {
  CSkyObject* satellite = createSkyObject(35);
  CSkyObject* planet = createSkyObject(32);
  CSkyObject* feature = createSkyObject(39);
  CSkyObject* asterism = createSkyObject(41);
  CSkyObject base(35);
  EXPECT_EQ(static_cast<CSkyObject*>(asPlanet(satellite)), satellite);
  EXPECT_EQ(asSatellite(planet), nullptr);
  EXPECT_EQ(asSatellite(&base), nullptr);  // code fits, class does not
  satellite->setOwnedByRegion(true);
  EXPECT_EQ(satellite->getTypeByte(), 163);
  EXPECT_NE(asSatellite(satellite), nullptr);
  EXPECT_NE(asPlanetFeature(feature), nullptr);
  EXPECT_EQ(asPlanetFeature(asterism), nullptr);
  EXPECT_NE(asConstellation(asterism), nullptr);
  EXPECT_EQ(asMeteorShower(asterism), nullptr);
  EXPECT_EQ(asConstellation(static_cast<CSkyObject*>(nullptr)), nullptr);
  for (CSkyObject* o : {satellite, planet, feature, asterism}) delete o;
}

}  // namespace

namespace {

TEST(ObjectNames, CollectNamesAndNumbersOfEachKind) {
  const char* names[8];
  std::int64_t numbers[4];
  CPlanet asteroid(33);
  asteroid.setNameAt(0, "Eros");
  asteroid.setNameAt(1, "1898 DQ");
  // "(0) " is not shown: body number 0 leaves the first name alone.
  ASSERT_EQ(getObjectNames(&asteroid, names, 8), 2);
  EXPECT_STREQ(names[0], "Eros");
  EXPECT_STREQ(names[1], "1898 DQ");
  EXPECT_EQ(getObjectNames(&asteroid, names, 1), 1);
  EXPECT_EQ(getObjectCatalogNumbers(&asteroid, numbers, 4), 0);

  CConstellation c(40);
  c.setNumber(89);
  EXPECT_EQ(getObjectNames(&c, names, 8), 1);  // the table's common name
  EXPECT_STREQ(names[0], "Serpent's Tail");
  ASSERT_EQ(getObjectCatalogNumbers(&c, numbers, 4), 1);
  EXPECT_EQ(numbers[0], 89);
  EXPECT_EQ(getObjectNames(nullptr, names, 8), 0);
}

}  // namespace
