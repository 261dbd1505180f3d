#include "tests/chart/constellation_sky.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/coregraphics/image.h"
#include "platform/coregraphics/image_codec.h"
#include "skydata/catalog_numbers.h"
#include "skydata/constellation_tables.h"
#include "skydata/record_io.h"
#include "skydata/sky_database.h"
#include "skydata/skydata_writer.h"

namespace chart_test {

namespace {

constexpr double kDegree = 0.017453292519943295;
// The Bright Star catalogue's code in catalogue numbers.
constexpr int kBrightStarCatalogue = 4;

std::vector<StarDefinition> starDefinitions(const std::vector<NumberedStar>& stars) {
  std::vector<StarDefinition> list;
  for (const NumberedStar& s : stars) {
    StarDefinition d;
    d.region = 1;
    d.ra = s.ra;
    d.dec = s.dec;
    d.magnitude = 3;
    d.numbers = {makeCatalogNumber(kBrightStarCatalogue, s.hr)};
    list.push_back(d);
  }
  return list;
}

void unit(double ra, double dec, double v[3]) {
  v[0] = std::cos(dec * kDegree) * std::cos(ra * kDegree);
  v[1] = std::cos(dec * kDegree) * std::sin(ra * kDegree);
  v[2] = std::sin(dec * kDegree);
}

std::string constellationRecord(const ConstellationRecord& c) {
  std::string buffer(4096, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  bool asterism = c.type == 41;
  w.writeRecordU8(static_cast<std::uint8_t>(c.type));
  w.writeRecordU32(static_cast<std::uint32_t>(c.number));
  w.writeRecordString(asterism ? getAsterism(c.number - 1) : constellationLatinName(c.number));
  w.writeRecordString(asterism ? "" : constellationAbbreviation(c.number));
  w.writeRecordString(asterism ? "" : constellationGenitive(c.number));
  w.writeRecordString("");
  double centre[3];
  unit(c.ra, c.dec, centre);
  for (double x : centre) w.writeRecordFloat(x);
  w.writeRecordFloat(c.size * kDegree);
  w.writeRecordU32(4);
  const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (const auto& corner : corners) {
    double h = c.size / 2, v[3];
    unit(c.ra + corner[0] * h / std::cos(c.dec * kDegree), c.dec + corner[1] * h, v);
    for (double x : v) w.writeRecordFloat(x);
  }
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

}  // namespace

int constellationNumber(const char* abbreviation) {
  for (int n = 1; n <= 88; ++n)
    if (std::strcmp(constellationAbbreviation(n), abbreviation) == 0) return n;
  return 0;
}

ConstellationSky::ConstellationSky(const std::vector<NumberedStar>& stars,
                                   const std::vector<ConstellationRecord>& constellations)
    : sky_(starDefinitions(stars)) {
  SkyDataWriter writer;
  writer.addIndex(0);
  for (const ConstellationRecord& c : constellations)
    EXPECT_GE(writer.addRecord(0, constellationRecord(c), 0), 0);
  char directory[256];
  database().getDataDirectory(directory, sizeof directory);
  EXPECT_TRUE(writer.writeFile(std::string(directory) + "Constellations.skydata"));
  EXPECT_NE(database().loadConstellations("Constellations.skydata"), nullptr);
  std::filesystem::create_directories(images_.path() / "Constellations");
}

void ConstellationSky::writePicture(const std::string& name, int width, int height,
                                    const std::vector<std::pair<int, int>>& spots, int half) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool lit = false;
      for (auto [sx, sy] : spots) lit = lit || (std::abs(x - sx) <= half && std::abs(y - sy) <= half);
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
      p[0] = p[1] = p[2] = lit ? 255 : 0;
      p[3] = 255;
    }
  cg::PixelFormat format;
  format.width = static_cast<std::size_t>(width);
  format.height = static_cast<std::size_t>(height);
  format.bytesPerRow = format.width * 4;
  auto image = cg::Image::fromPixels(rgba.data(), rgba.size(), format);
  ASSERT_TRUE(image);
  ASSERT_TRUE(cg::writePNG(*image, (images_.path() / "Constellations" / name).string()));
}

std::string ConstellationSky::writeIndex(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  std::string path = (images_.path() / "Constellations" / "Index.txt").string();
  EXPECT_TRUE(tessaly::test::writeFile(path, text));
  return path;
}

}  // namespace chart_test
