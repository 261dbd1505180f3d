#include "tests/chart/sky_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

#include "skydata/record_io.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "skydata/skydata_writer.h"

namespace chart_test {

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

}  // namespace

std::string starRecord(const StarDefinition& s) {
  std::string buffer(1024, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  w.writeRecordU8(1);
  w.writeRecordU8(static_cast<std::uint8_t>(s.numbers.size()));
  for (std::int64_t n : s.numbers) w.writeRecordI64(n);
  w.writeRecordU8(s.name.empty() ? 0 : 1);
  if (!s.name.empty()) w.writeRecordString(s.name.c_str());
  w.writeRecordFloat(s.ra * kRadiansPerDegree);
  w.writeRecordFloat(s.dec * kRadiansPerDegree);
  w.writeRecordFloat(s.distance);
  w.writeRecordFloat(0);
  w.writeRecordFloat(0);
  w.writeRecordFloat(0);
  w.writeRecordI16(static_cast<std::int16_t>(s.magnitude * 100));
  w.writeRecordI16(32767);
  w.writeRecordString("");
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

bool writeStarsFile(const std::vector<StarDefinition>& stars, const std::string& path) {
  SkyDataWriter writer;
  for (const StarDefinition& s : stars) {
    int index = writer.addRecord(s.region, starRecord(s), s.magnitude);
    EXPECT_GE(index, 0);
    if (index < 0) continue;
    if (!s.name.empty()) writer.addNameEntry(s.name, s.region, static_cast<std::uint16_t>(index));
    for (std::int64_t n : s.numbers)
      writer.addNumberEntry(n, s.region, static_cast<std::uint16_t>(index));
  }
  return writer.writeFile(path);
}

void setSkyTreeFaces(SkyDataWriter& writer) {
  for (int face = 0; face < 6; ++face) {
    float lo[3] = {-1, -1, -1}, hi[3] = {1, 1, 1};
    lo[face / 2] = hi[face / 2] = face % 2 == 0 ? 1.0f : -1.0f;
    writer.setRegionBox(static_cast<std::uint32_t>(face + 1), lo, hi);
  }
}

std::uint32_t skyTreeRegion(const double v[3], int depth) {
  int axis = 0;
  for (int a = 1; a < 3; ++a)
    if (std::fabs(v[a]) > std::fabs(v[axis])) axis = a;
  auto region = static_cast<std::uint32_t>(2 * axis + (v[axis] > 0 ? 0 : 1)) + 1;
  double lo[3] = {-1, -1, -1}, hi[3] = {1, 1, 1};
  for (int level = 0; level < depth; ++level) {
    int k = 0;
    for (int a = 0; a < 3; ++a) {
      if (a == axis) continue;
      const double middle = (lo[a] + hi[a]) / 2;
      if (v[a] / std::fabs(v[axis]) >= middle) {
        k |= 1 << a;
        lo[a] = middle;
      } else {
        hi[a] = middle;
      }
    }
    region = 8 * region + static_cast<std::uint32_t>(k) + 1;
  }
  return region;
}

namespace {

// The standard bodies and a sun-grazing asteroid (e 0.95, q 0.05 AU), body
// number 9999.
std::vector<mechanics_test::BodyRecord> bodies() {
  std::vector<mechanics_test::BodyRecord> list = mechanics_test::standardExtraBodies();
  mechanics_test::BodyRecord grazer;
  grazer.type = 33;
  grazer.body = 9999;
  grazer.names = {"Grazer"};
  grazer.q = 0.05;
  grazer.e = 0.95;
  grazer.n = 0.05;
  list.push_back(grazer);
  return list;
}

}  // namespace

ChartSky::ChartSky(const std::vector<StarDefinition>& stars,
                   const std::vector<mechanics_test::SatelliteRecord>& satellites)
    : world_(bodies(), satellites) {
  EXPECT_TRUE(world_.loaded());
  if (stars.empty()) return;
  char directory[256];
  database().getDataDirectory(directory, sizeof directory);
  EXPECT_TRUE(writeStarsFile(stars, std::string(directory) + "Stars.skydata"));
  EXPECT_NE(database().loadStars("Stars.skydata"), nullptr);
}

std::unique_ptr<CSkyChart> ChartSky::chart(int width, int height, double ra, double dec,
                                           double fov) {
  auto chart = std::make_unique<CSkyChart>(&database(), "");
  chart->setViewport(0, 0, static_cast<float>(width), static_cast<float>(height));
  chart->setDisplayProjection(1);
  chart->CSkyProjection::setDisplayCenter(0, ra * kRadiansPerDegree, dec * kRadiansPerDegree, 0);
  chart->setDisplayFOV(fov * kRadiansPerDegree);
  return chart;
}

bool ChartSky::loadBinaryStar(const StarDefinition& primary, const StarDefinition& secondary,
                              const BinaryOrbit& orbit) {
  std::string binary = starRecord(secondary);
  binary[0] = 3;  // a binary star: the star part, the pair's and the orbit's fields
  std::string tail(256, '\0');
  RecordWriter w(tail.data(), static_cast<std::int64_t>(tail.size()), false);
  w.writeRecordI16(400);
  for (float value : {1.0f, 0.0f, 0.0f}) w.writeRecordFloat(value);
  w.writeRecordString("AB");
  for (double value : {orbit.t0, orbit.period, orbit.a, orbit.e, orbit.inclination, orbit.omega,
                       orbit.node})
    w.writeRecordFloat(static_cast<float>(value));
  w.writeRecordU32(0);
  w.writeRecordI16(0);  // the primary: region 0, index 0
  tail.resize(static_cast<std::size_t>(w.result()));
  SkyDataWriter writer;
  if (writer.addRecord(0, starRecord(primary), 3) != 0 || writer.addRecord(0, binary + tail, 4) != 1)
    return false;
  char folder[256];
  database().getDataDirectory(folder, sizeof folder);
  return writer.writeFile(std::string(folder) + "Stars.skydata") &&
         database().loadStars("Stars.skydata") != nullptr;
}

std::unique_ptr<CSkyChart> ChartSky::doubleStarChart(int width, int height, double ra, double dec,
                                                     double fov) {
  auto sky = chart(width, height, ra, dec, fov);
  sky->aberration = 0;
  sky->properMotion = 0;
  sky->setJulianDate(2460000.5);
  sky->setStarMagnitudeLimit(6);
  sky->showDoubleStars = true;
  sky->showStarNames = false;
  return sky;
}

SkyObjectID ChartSky::star(std::uint32_t region, std::uint16_t index) {
  SkyObjectID id;
  CSkyDatabase::setSkyObjectID(&id, kStarsFile, region, index, 0, "", 1);
  CSkyObject* object = database().getObject(&id);
  EXPECT_NE(object, nullptr) << region << "," << index;
  if (object != nullptr) {
    CSkyDatabase::setSkyObjectIDFromObject(&id, kStarsFile, region, index, object);
    if (!object->isOwnedByRegion()) delete object;
  }
  return id;
}

}  // namespace chart_test
