#include "skydata/planet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/body_table.h"
#include "engine/language.h"
#include "skydata/object_factory.h"
#include "skydata/record_io.h"

namespace {

// A planet record with the given names, through the record writer.
std::vector<unsigned char> planetRecord(int type, std::uint32_t body,
                                        std::vector<const char*> names, bool other = false) {
  std::vector<unsigned char> bytes(512);
  RecordWriter w(bytes.data(), static_cast<std::int64_t>(bytes.size()), other);
  w.writeRecordU8(static_cast<std::uint8_t>(type));
  w.writeRecordU32(body);
  w.writeRecordU8(static_cast<std::uint8_t>(names.size()));
  for (const char* n : names) w.writeRecordString(n);
  w.writeRecordU32(7);
  w.writeRecordDouble(2451000.5);
  w.writeRecordDouble(2452000.5);
  // Halley's comet (epoch 1986 Feb 19): q, e, i, omega, node, M0, n.
  for (double v : {2446480.5, 0.587104, 0.967277, 2.8304, 1.9502, 1.0246, 0.0, 0.000228})
    w.writeRecordDouble(v);
  for (std::int16_t p : {550, 15, 32767}) w.writeRecordI16(p);
  w.writeRecordFloat(11.0);
  w.writeRecordFloat(0.25);
  bytes.resize(static_cast<std::size_t>(w.result()));
  return bytes;
}

std::string displayName(int type, std::uint32_t body, std::vector<const char*> names) {
  CPlanet p(type);
  auto record = planetRecord(type, body, names);
  EXPECT_EQ(p.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false),
            static_cast<std::int64_t>(record.size()));
  char buffer[64];
  std::memset(buffer, 'x', sizeof buffer);
  p.getName(buffer, sizeof buffer);
  EXPECT_EQ(p.getNameString(), buffer);
  return buffer;
}

TEST(Planet, DisplayNamesFollowTheBodyKind) {
  EXPECT_EQ(displayName(33, 433, {"Eros"}), "(433) Eros");
  EXPECT_EQ(displayName(33, 0, {"2003 UB313", "Xena"}), "2003 UB313");
  EXPECT_EQ(displayName(34, 1, {"1P", "Halley"}), "1P/Halley");
  EXPECT_EQ(displayName(34, 0, {"C/1995 O1", "Hale-Bopp"}), "C/1995 O1 (Hale-Bopp)");
  EXPECT_EQ(displayName(34, 0, {"C/2020 F3"}), "C/2020 F3");
  // No names or more than two: the buffer still gets a (empty) text.
  EXPECT_EQ(displayName(34, 2, {}), "");
  EXPECT_EQ(displayName(34, 2, {"a", "b", "c"}), "");
  EXPECT_EQ(displayName(36, 0, {"Voyager 1", "1977-084A"}), "Voyager 1");
  EXPECT_EQ(displayName(36, 0, {}), "");
}

TEST(Planet, NamesAreCutToTheBuffer) {
  CPlanet p(33);
  auto record = planetRecord(33, 433, {"Eros"});
  p.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false);
  char small[6];
  EXPECT_STREQ(p.getName(small, sizeof small), "(433)");
  EXPECT_STREQ(p.getName(nullptr, 0), "(433) Eros");  // the shared buffer
}

TEST(Planet, PlanetsAndMoonsTakeTheirNameFromTheBodyTableInTheLanguage) {
  buildBodyIndex();
  EXPECT_EQ(displayName(30, 0, {"ignored"}), "Sun");
  EXPECT_EQ(displayName(31, 301, {}), "Moon");
  setLanguage(3);
  EXPECT_EQ(displayName(30, 0, {}), "Sonne");
  EXPECT_EQ(displayName(31, 301, {}), "Mond");
  setLanguage(0);
  EXPECT_EQ(displayName(31, 568, {"S/2099 J 1"}), "");  // no row
  EXPECT_EQ(displayName(30, 4000000000u, {}), "");
}

TEST(Planet, CatalogueNumbersCarryTheCatalogueCode) {
  struct Case { int type; std::uint32_t body; std::int64_t expected; };
  for (const Case& c : {Case{30, 5, 1510000000000000005}, Case{31, 301, 1510000000000000301},
                        Case{33, 433, 1520000000000000433}, Case{34, 1, 1530000000000000001},
                        Case{36, 12, 12}, Case{33, 0, 0}}) {
    CPlanet p(c.type);
    auto record = planetRecord(c.type, c.body, {});
    p.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false);
    EXPECT_EQ(p.getCatalogNumber(), c.expected) << c.type << " " << c.body;
  }
}

TEST(Planet, NameSlots) {
  CPlanet p(33);
  p.setNameAt(-3, "first");
  p.setNameAt(17, nullptr);  // past the end: appends an empty slot
  EXPECT_EQ(p.getNameCount(), 2);
  EXPECT_STREQ(p.getNameAt(1), "");
  EXPECT_STREQ(p.getNameAt(2), "");
  EXPECT_STREQ(p.getNameAt(-1), "");
  p.setNameAt(0, p.getNameAt(0));  // its own text
  EXPECT_STREQ(p.getNameAt(0), "first");
  p.addName("first");
  p.addName("second");
  EXPECT_EQ(p.getNameCount(), 3);
  EXPECT_STREQ(p.getNameAt(2), "second");
}

TEST(Planet, RecordsRoundTripForEveryPlanetTypeInBothByteOrders) {
  for (int type : {30, 31, 32, 33, 34, 36}) {
    for (bool other : {false, true}) {
      auto record = planetRecord(type, 1000 + type, {"A", "Bee", ""}, other);
      ASSERT_EQ(record.size(), 104u + 2 + 4 + 1);
      CSkyObject* object = createSkyObject(type);
      ASSERT_NE(asPlanet(object), nullptr);
      object->setOwnedByRegion(true);
      ASSERT_EQ(object->readRecord(record.data(), static_cast<std::int64_t>(record.size()), other),
                static_cast<std::int64_t>(record.size()));
      EXPECT_EQ(object->getType(), type);
      EXPECT_TRUE(object->isOwnedByRegion());
      const CPlanet* p = asPlanet(object);
      EXPECT_EQ(p->getBodyNumber(), 1000u + type);
      EXPECT_EQ(p->getParentIndex(), 7u);
      EXPECT_EQ(p->getEccentricity(), 0.967277);
      EXPECT_EQ(p->getAbsoluteMagnitude(), 5.5);
      EXPECT_EQ(p->getMagnitudeParam3(), INFINITY);
      EXPECT_EQ(p->getDiameter(), 11.0);
      EXPECT_EQ(p->getPhysicalValue(), 0.25);

      std::vector<unsigned char> again(record.size());
      EXPECT_EQ(object->writeRecord(again.data(), static_cast<std::int64_t>(again.size()), other),
                static_cast<std::int64_t>(record.size()));
      EXPECT_EQ(again, record) << type << other;
      EXPECT_EQ(object->writeRecord(again.data(), static_cast<std::int64_t>(again.size()) - 1, other), -1);
      delete object;
    }
  }
}

TEST(Planet, DamagedRecordsChangeNothing) {
  auto record = planetRecord(33, 433, {"Eros"});
  CPlanet p(34);
  for (std::size_t length = 0; length < record.size(); ++length)
    EXPECT_EQ(p.readRecord(record.data(), static_cast<std::int64_t>(length), false), -1) << length;
  EXPECT_EQ(p.getType(), 34);
  EXPECT_EQ(p.getNameCount(), 0);
  // A name count that is negative as a signed byte, or more than the
  // record can hold.
  for (std::uint8_t count : {0x80, 0xFF, 120}) {
    auto bad = record;
    bad[5] = count;
    EXPECT_EQ(p.readRecord(bad.data(), static_cast<std::int64_t>(bad.size()), false), -1);
  }
}

TEST(Planet, WritesAtMost127NamesSoTheRecordStaysReadable) {
  CPlanet p(33);
  for (int k = 0; k < 130; ++k) p.setNameAt(k, std::to_string(k).c_str());
  std::vector<unsigned char> buffer(2048);
  const std::int64_t n = p.writeRecord(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  ASSERT_GT(n, 0);
  CPlanet back(33);
  ASSERT_EQ(back.readRecord(buffer.data(), n, false), n);
  EXPECT_EQ(back.getNameCount(), 127);
  EXPECT_STREQ(back.getNameAt(126), "126");
}

TEST(Planet, OrbitQuantities) {
  auto record = planetRecord(34, 1, {"1P", "Halley"});
  CPlanet halley(34);
  halley.readRecord(record.data(), static_cast<std::int64_t>(record.size()), false);
  // Published for these elements: a = 17.94 AU, Q = 35.30 AU.
  EXPECT_NEAR(halley.getSemimajorAxis(), 17.94, 0.005);
  EXPECT_NEAR(halley.getAphelionDistance(), 35.30, 0.005);
  EXPECT_NEAR(halley.getOrbitalPeriod(), 6.283185307178 / 0.000228, 1e-6);
  // M0 = 0 at the epoch: the perihelion passage is the epoch itself.
  EXPECT_NEAR(halley.getPerihelionEpoch(), 2446480.5, 1e-9);
  EXPECT_NEAR(halley.getPerihelionTime(2446480.5 + 100), 2446480.5, 1e-6);
  // Past aphelion (M = 3.5 rad) the nearest passage lies ahead.
  const double t = 2446480.5 + 3.5 / 0.000228;
  EXPECT_GT(halley.getPerihelionTime(t), t);
  EXPECT_NEAR(halley.getMeanAnomaly(t + 2 * 27557.1), 3.5, 1e-3);

  CPlanet fresh(34);
  EXPECT_EQ(fresh.getOrbitalPeriod(), INFINITY);  // e still infinite
  EXPECT_EQ(fresh.getPerihelionTime(0.0), INFINITY);
  EXPECT_EQ(fresh.getPathStartTime(), -INFINITY);
}

TEST(Planet, HyperbolicAndParabolicOrbits) {
  for (double e : {1.0, 1.2}) {
    std::vector<unsigned char> bytes(256);
    RecordWriter w(bytes.data(), 256, false);
    w.writeRecordU8(34);
    w.writeRecordU32(0);
    w.writeRecordU8(0);
    w.writeRecordU32(0);
    for (double v : {0.0, 0.0, 2460000.5, 0.5, e, 0.1, 0.2, 0.3, 0.0, 0.01}) w.writeRecordDouble(v);
    for (int k = 0; k < 3; ++k) w.writeRecordI16(32767);
    w.writeRecordFloat(0);
    w.writeRecordFloat(0);
    CPlanet comet(34);
    ASSERT_EQ(comet.readRecord(bytes.data(), w.result(), false), w.result());
    EXPECT_EQ(comet.getOrbitalPeriod(), INFINITY);
    EXPECT_EQ(comet.getAphelionDistance(), INFINITY);
    if (e == 1.0) EXPECT_EQ(comet.getSemimajorAxis(), INFINITY);
    else EXPECT_NEAR(comet.getSemimajorAxis(), 2.5, 1e-12);
    // Not reduced: a hyperbolic mean anomaly grows without bound.
    EXPECT_NEAR(comet.getMeanAnomaly(2460000.5 + 1000), 10.0, 1e-9);
  }
}

TEST(Planet, MagnitudeParameterStoresNoneForWhatItCannotHold) {
  CPlanet p(33);
  p.setMagnitudeParam3(4.567);
  EXPECT_NEAR(p.getMagnitudeParam3(), 4.56, 1e-6);
  for (double v : {double(INFINITY), -double(INFINITY), double(NAN), 400.0, -1e9}) {
    p.setMagnitudeParam3(v);
    EXPECT_EQ(p.getMagnitudeParam3(), INFINITY) << v;
  }
}

TEST(Planet, StateVectorsPathsAndOrientation) {
  CPlanet earth(30), mars(30);
  const double e[3] = {1, 0, 0}, m[3] = {0, 1.5, 0}, v[3] = {0, 0.017, 0};
  earth.setHeliocentricPosition(e);
  mars.setHeliocentricPosition(m);
  mars.setHeliocentricVelocity(v);
  earth.setHeliocentricVelocity(v);
  double out[3];
  mars.getPositionRelativeTo(out, earth);
  EXPECT_EQ(out[0], -1.0);
  EXPECT_EQ(out[1], 1.5);
  EXPECT_NEAR(mars.distanceToBody(earth), std::sqrt(3.25), 1e-15);
  EXPECT_EQ(mars.getCentralDistance(), 1.5);
  EXPECT_EQ(mars.getHeliocentricPosition(nullptr)[1], 1.5);

  // Observer at the Earth: Mars at quadrature-like geometry.
  mars.setPosition(out);
  EXPECT_NEAR(mars.getPhaseAngle(), std::atan2(1.0, 1.5), 1e-12);
  EXPECT_NEAR(mars.getIlluminatedFraction(), (1 + std::cos(std::atan2(1.0, 1.5))) / 2, 1e-12);

  double identity[9];
  mars.getOrientationMatrix(identity);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(identity[k], k % 4 == 0 ? 1.0 : 0.0);
  const double r[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
  mars.setOrientationMatrix(r);
  mars.getOrientationMatrix(identity);
  EXPECT_EQ(std::memcmp(identity, r, sizeof r), 0);

  EXPECT_EQ(mars.allocatePath(0), nullptr);
  ASSERT_NE(mars.allocatePath(3), nullptr);
  EXPECT_EQ(mars.getPathCount(), 3);
  EXPECT_TRUE(mars.setPathRow(0, m, v, 100.0));
  EXPECT_TRUE(mars.setPathRow(2, e, v, 300.0));
  EXPECT_FALSE(mars.setPathRow(3, e, v, 400.0));
  double time = 0;
  EXPECT_TRUE(mars.getPathRow(2, &time, out, nullptr));
  EXPECT_EQ(time, 300.0);
  EXPECT_EQ(out[0], 1.0);
  EXPECT_EQ(mars.getPathStartTime(), 100.0);
  EXPECT_EQ(mars.getPathEndTime(), 300.0);
  EXPECT_FALSE(mars.getPathRow(-1, &time, nullptr, nullptr));
  mars.allocatePath(-1);
  EXPECT_EQ(mars.getPathCount(), 0);
}

TEST(Planet, ApparentSizeFromDiameterAndDistance) {
  CPlanet moon(31);
  moon.setDiameter(3474.8);
  moon.setDistance(384400.0 / 149597870.0);
  // 31.08 arcminutes at the mean distance.
  EXPECT_NEAR(moon.getAngularDiameter() * 10800 / M_PI, 31.08, 0.01);
  EXPECT_NEAR(moon.getAngularRadius() * 2, moon.getAngularDiameter(), 1e-9);
  moon.setDiameter(NAN);
  EXPECT_EQ(moon.getAngularRadius(), 0.0);
}

TEST(Planet, ClassificationAndBodyTests) {
  auto make = [](int type, std::uint32_t body) {
    CSkyObject* o = createSkyObject(type);
    auto record = planetRecord(type, body, {});
    o->readRecord(record.data(), static_cast<std::int64_t>(record.size()), false);
    return o;
  };
  CSkyObject* sun = make(30, 0);
  CSkyObject* pluto = make(30, 9);
  CSkyObject* moon = make(31, 301);
  CSkyObject* titan = make(31, 606);
  CSkyObject* body9 = make(33, 9);
  CSkyObject* ceres = make(33, 1);
  EXPECT_TRUE(isSun(sun));
  EXPECT_FALSE(isEarth(sun));
  EXPECT_TRUE(isMoon(moon));
  EXPECT_TRUE(isDwarfPlanet(pluto));
  EXPECT_TRUE(isDwarfPlanet(ceres));
  EXPECT_FALSE(isDwarfPlanet(body9));
  EXPECT_FALSE(isSun(nullptr));
  EXPECT_TRUE(asPlanet(titan)->hasAtmosphere());
  EXPECT_FALSE(asPlanet(moon)->hasAtmosphere());
  EXPECT_TRUE(asPlanet(moon)->isMajorBody());
  EXPECT_TRUE(asPlanet(ceres)->isMajorBody());  // numbered below 2000
  double f[3];
  asPlanet(ceres)->getFlattenings(f);
  EXPECT_NEAR(f[2], 0.0767, 1e-4);
  asPlanet(moon)->getFlattenings(f);
  EXPECT_EQ(f[0] + f[1] + f[2], 0.0);
  for (CSkyObject* o : {sun, pluto, moon, titan, body9, ceres}) delete o;
}

}  // namespace
