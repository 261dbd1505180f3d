// Fuzzing of the records of planets, satellites, surface features,
// constellations and meteor showers, and of the element-set conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz.h"
#include "skydata/constellation.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/satellite.h"

namespace {

using tessaly::test::Bytes;

Bytes recordOf(const CSkyObject& object, bool other) {
  std::vector<char> buffer(4096);
  const std::int64_t n = object.writeRecord(buffer.data(), static_cast<std::int64_t>(buffer.size()), other);
  EXPECT_GT(n, 0);
  return Bytes(buffer.data(), static_cast<std::size_t>(n > 0 ? n : 0));
}

std::vector<std::unique_ptr<CSkyObject>> samples() {
  std::vector<std::unique_ptr<CSkyObject>> out;
  for (int type : {30, 31, 33, 34, 36}) {
    auto p = std::make_unique<CPlanet>(type);
    p->setNameAt(0, "1P");
    p->setNameAt(1, "Halley");
    p->setDiameter(11);
    out.push_back(std::move(p));
  }
  auto s = std::make_unique<CSatellite>();
  s->setNameAt(0, "1998-067A");
  s->setNameAt(1, "ISS");
  s->addCategory(3);
  s->setOwner("ISS");
  s->setLaunchSite("TYMSC");
  out.push_back(std::move(s));
  out.push_back(std::make_unique<CPlanetFeature>());
  for (int type : {40, 41}) {
    auto c = std::make_unique<CConstellation>(type);
    const float p[3] = {0, 0, 1};
    c->insertPoint(0, p);
    c->insertPoint(0, p);
    out.push_back(std::move(c));
  }
  out.push_back(std::make_unique<CMeteorShower>());
  return out;
}

TEST(SolarRecordsFuzz, DamagedRecordsNeverOverReadAndSoundOnesRoundTrip) {
  const auto objects = samples();
  std::vector<Bytes> seeds;
  for (const auto& o : objects)
    for (bool other : {false, true}) seeds.push_back(recordOf(*o, other));
  tessaly::test::FuzzOptions options;
  options.iterations = 30000;
  tessaly::test::fuzz(seeds, [](std::string_view input) {
    if (input.empty()) return;
    // The record is copied so the sanitizer sees its exact end.
    std::vector<unsigned char> record(input.begin(), input.end());
    const int type = record[0] & 0x7F;
    if (type < 30 || type > 42) return;  // the star classes have their own run
    for (bool other : {false, true}) {
      std::unique_ptr<CSkyObject> object(createSkyObject(type));
      if (!object) return;
      const std::int64_t n = object->readRecord(record.data(), static_cast<std::int64_t>(record.size()), other);
      ASSERT_LE(n, static_cast<std::int64_t>(record.size()));
      if (n < 0) continue;
      char name[8];
      object->getName(name, sizeof name);
      ASSERT_LT(std::strlen(name), sizeof name);
      // What was read writes back to a record that reads the same.
      const Bytes again = recordOf(*object, other);
      std::unique_ptr<CSkyObject> copy(createSkyObject(type));
      ASSERT_EQ(copy->readRecord(again.data(), static_cast<std::int64_t>(again.size()), other),
                static_cast<std::int64_t>(again.size()));
      ASSERT_EQ(recordOf(*copy, other), again);
    }
  }, options);
}

TEST(SolarRecordsFuzz, ElementSetConversionTakesAnyBytes) {
  SatelliteElementSet seed{};
  std::strcpy(seed.name, "ISS (ZARYA)");
  std::strcpy(seed.designator, "98067ABC");
  seed.catalogueNumber = 25544;
  seed.epoch = 2454730.01782528;
  seed.eccentricity = 0.0006703;
  seed.meanMotion = 0.0685969;
  seed.inclination = 0.9013;
  const Bytes bytes(reinterpret_cast<const char*>(&seed), sizeof seed);
  tessaly::test::FuzzOptions options;
  options.iterations = 20000;
  options.maxSize = sizeof seed;
  tessaly::test::fuzz({bytes}, [](std::string_view input) {
    // Any bit pattern: unterminated texts, NaNs, negative motions.
    SatelliteElementSet in;
    std::memset(&in, 0, sizeof in);
    std::memcpy(&in, input.data(), std::min(input.size(), sizeof in));
    CSatellite satellite;
    satellite.setElementSet(in);
    SatelliteElementSet out{};
    satellite.getElementSet(out);
    ASSERT_LT(strnlen(out.name, sizeof out.name), sizeof out.name);
    ASSERT_LT(strnlen(out.designator, sizeof out.designator), sizeof out.designator);
    // A second pass through the object changes nothing more.
    CSatellite again;
    again.setElementSet(out);
    ASSERT_STREQ(again.getNameAt(0), satellite.getNameAt(0));
    ASSERT_STREQ(again.getNameAt(1), satellite.getNameAt(1));
  }, options);
}

}  // namespace
