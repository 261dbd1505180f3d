// The world-borders country table: rows as shapelib's plain API reads
// them, names cut on a character boundary, damaged shapes and files, a
// shapefile inside a larger file read through the hooks, lookups and the
// shown countries of the settings.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "chart/shape_file_hooks.h"
#include "chart/world_borders.h"
#include "skydata/settings.h"
#include "tests/chart/chart_canvas.h"
#include "tests/support/temp_dir.h"
#include "tools/catalogues/world_borders.h"
#include "ui/foundation/country_borders.h"
#include "ui/foundation/settings_model.h"

namespace {

using catalogues::Country;
using tessaly::test::readFile;
using tessaly::test::TempDir;
using tessaly::test::writeFile;

constexpr double kRadiansPerDegree = 0.017453292519943295;

// A name of 40 bytes whose 31st and 32nd bytes are one two-byte character.
const std::string kLongName = "Province autonome de la Repub " "\xC3\xA9" "tat du Nord";

std::vector<Country> sampleCountries() {
  return {
      {"NZ", "NZL", 554, "New Zealand", 174.0, -41.0,
       {{{166, -46}, {178, -46}, {178, -34}, {166, -34}}, {{170, -44}, {172, -44}, {172, -42}}}},
      {"CG", "COG", 178, kLongName, 15.0, -1.0, {{{11, -5}, {18, -5}, {18, 3}, {11, 3}}}},
      {"XX", "XXX", 0, "CG", 0.0, 0.0, {{{0, 0}, {1, 0}, {1, 1}}}},
      {"", "", 0, "Nowhere", 10.0, 10.0, {{{9, 9}, {11, 9}, {11, 11}}}},
  };
}

bool writeBorderShapefile(const std::string& base, const std::vector<Country>& countries) {
  std::string error;
  return catalogues::writeWorldBorders(countries, base, error);
}

class WorldBorders : public testing::Test {
 protected:
  WorldBorders() : base_(dir_.file("borders")) { releaseWorldBorders(); }
  ~WorldBorders() override { releaseWorldBorders(); }
  TempDir dir_;
  std::string base_;
};

TEST_F(WorldBorders, RowsHoldWhatShapelibReadsWithNamesCutOnACharacterBoundary) {
  ASSERT_TRUE(writeBorderShapefile(base_, sampleCountries()));
  ASSERT_EQ(loadWorldBorders(base_.c_str()), 1);
  ASSERT_EQ(getCountryCount(), 4);

  // The oracle: shapelib's plain API on the same files.
  SHPHandle shp = SHPOpen(base_.c_str(), "rb");
  DBFHandle dbf = DBFOpen(base_.c_str(), "rb");
  ASSERT_TRUE(shp && dbf);
  for (int i = 0; i < 4; ++i) {
    const CountryRecord* row = getCountryRecord(i);
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->code, DBFReadStringAttribute(dbf, i, 1));
    EXPECT_NEAR(row->longitude, DBFReadDoubleAttribute(dbf, i, 9) * kRadiansPerDegree, 1e-12);
    EXPECT_NEAR(row->latitude, DBFReadDoubleAttribute(dbf, i, 10) * kRadiansPerDegree, 1e-12);
    SHPObject* shape = SHPReadObject(shp, i);
    ASSERT_NE(shape, nullptr);
    ASSERT_EQ(row->vertexCount(), shape->nVertices);
    ASSERT_EQ(row->partCount(), shape->nParts);
    EXPECT_NEAR(row->longitudeMin, shape->dfXMin * kRadiansPerDegree, 1e-12);
    EXPECT_NEAR(row->latitudeMax, shape->dfYMax * kRadiansPerDegree, 1e-12);
    for (int k = 0; k < shape->nVertices; ++k) {
      const double lon = shape->padfX[k] * kRadiansPerDegree, lat = shape->padfY[k] * kRadiansPerDegree;
      const double* v = &row->vertices[3 * k];
      EXPECT_NEAR(v[0], std::cos(lat) * std::cos(lon), 1e-12);
      EXPECT_NEAR(v[1], std::cos(lat) * std::sin(lon), 1e-12);
      EXPECT_NEAR(v[2], std::sin(lat), 1e-12);
      EXPECT_NEAR(row->projectedX[k], v[0] / (1 - v[2]), 1e-12);
    }
    SHPDestroyObject(shape);
  }
  SHPClose(shp);
  DBFClose(dbf);

  EXPECT_STREQ(getCountryRecord(0)->name, "New Zealand");
  // 31 bytes would end inside "é": the cut falls before it.
  const char* cut = getCountryRecord(1)->name;
  EXPECT_EQ(std::strlen(cut), 30u);
  EXPECT_EQ(std::string(cut), kLongName.substr(0, 30));
  EXPECT_EQ(getCountryRecord(4), nullptr);
  EXPECT_EQ(getCountryRecord(-1), nullptr);
}

TEST_F(WorldBorders, LookupsTakeTheFirstRowWhoseNameOrCodeMatches) {
  ASSERT_TRUE(writeBorderShapefile(base_, sampleCountries()));
  ASSERT_EQ(loadWorldBorders(base_.c_str()), 1);
  EXPECT_EQ(findCountry("NZ"), 0);
  EXPECT_EQ(findCountry("New Zealand"), 0);
  EXPECT_EQ(findCountry("CG"), 1);  // row 1's code comes before row 2's name
  EXPECT_EQ(findCountry("XX"), 2);
  EXPECT_EQ(findCountry(kLongName.c_str()), -1);  // the name was cut
  EXPECT_EQ(findCountry(""), -1);                 // row 3 has no code
  EXPECT_EQ(findCountry(nullptr), -1);
}

TEST_F(WorldBorders, AMissingOrDamagedFileLeavesTheTableEmpty) {
  EXPECT_EQ(loadWorldBorders(base_.c_str()), 0);
  EXPECT_EQ(getCountryCount(), 0);
  EXPECT_EQ(findCountry("NZ"), -1);
  EXPECT_EQ(getCountryRecord(0), nullptr);
  EXPECT_EQ(lastWorldBordersRead(), WorldBordersRead::unopened);

  ASSERT_TRUE(writeBorderShapefile(base_, sampleCountries()));
  // An attribute file announcing far more records than it holds.
  std::string dbf = readFile(base_ + ".dbf");
  ASSERT_GT(dbf.size(), 8u);
  dbf[7] = '\x7f';
  ASSERT_TRUE(writeFile(base_ + ".dbf", dbf));
  EXPECT_EQ(loadWorldBorders(base_.c_str()), 0);
  EXPECT_EQ(getCountryCount(), 0);
  EXPECT_EQ(lastWorldBordersRead(), WorldBordersRead::cutAttributes) << "the attributes are named, not the shapes";
}

// A geometry file cut inside its second record (a copy broken off): the
// rows are all there, those before the cut with their borders, and what
// the load found lets the launch name the file; shapelib's complaint per
// record stays off the terminal.
TEST_F(WorldBorders, ACutGeometryFileLoadsTheShapesBeforeTheCutAndIsKnownDamaged) {
  ASSERT_TRUE(writeBorderShapefile(base_, sampleCountries()));
  ASSERT_EQ(loadWorldBorders(base_.c_str()), 1);
  EXPECT_EQ(lastWorldBordersRead(), WorldBordersRead::whole);
  const int newZealand = getCountryRecord(0)->vertexCount();
  ASSERT_GT(newZealand, 0);
  releaseWorldBorders();

  const std::string shp = readFile(base_ + ".shp");
  // The first record: its 8-byte header and a content length in 16-bit words.
  const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(shp[i])); };
  const std::size_t secondRecord = 100 + 8 + 2 * (byte(104) << 24 | byte(105) << 16 | byte(106) << 8 | byte(107));
  ASSERT_LT(secondRecord + 20, shp.size());
  ASSERT_TRUE(writeFile(base_ + ".shp", shp.substr(0, secondRecord + 20)));
  testing::internal::CaptureStderr();
  const int loaded = loadWorldBorders(base_.c_str());
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_EQ(loaded, 1);
  EXPECT_EQ(lastWorldBordersRead(), WorldBordersRead::damagedShapes);
  ASSERT_EQ(getCountryCount(), 4);
  EXPECT_EQ(getCountryRecord(0)->vertexCount(), newZealand) << "New Zealand lies before the cut";
  for (int i = 1; i < 4; ++i) EXPECT_EQ(getCountryRecord(i)->vertexCount(), 0) << i;
  EXPECT_EQ(said, "");
}

TEST_F(WorldBorders, AShapeWithDisorderedPartsLosesOnlyItsBorder) {
  ASSERT_TRUE(writeBorderShapefile(base_, sampleCountries()));
  // NZ's second part starts at vertex 4: make it start at 0 again.
  std::string shp = readFile(base_ + ".shp");
  // Record 1 begins after the 100-byte header and its 8-byte record
  // header; part starts follow type, box, part and point counts.
  const std::size_t partStarts = 100 + 8 + 4 + 32 + 4 + 4;
  std::int32_t second;
  std::memcpy(&second, &shp[partStarts + 4], 4);
  ASSERT_EQ(second, 4);
  std::memset(&shp[partStarts + 4], 0, 4);
  ASSERT_TRUE(writeFile(base_ + ".shp", shp));
  ASSERT_EQ(loadWorldBorders(base_.c_str()), 1);
  EXPECT_EQ(lastWorldBordersRead(), WorldBordersRead::damagedShapes);
  ASSERT_EQ(getCountryCount(), 4);
  EXPECT_STREQ(getCountryRecord(0)->code, "NZ");
  EXPECT_EQ(getCountryRecord(0)->vertexCount(), 0);
  EXPECT_EQ(getCountryRecord(0)->partCount(), 0);
  EXPECT_EQ(getCountryRecord(1)->vertexCount(), 4);
}

// The shapefile's three files laid one after another inside a larger file
// between junk, and opened as regions of it.
struct Container {
  std::string path;
  std::int64_t start[3], length[3];
};
Container* activeContainer = nullptr;

SAFile openInContainer(const char* path, const char* mode) {
  const std::string name(path);
  const char* extensions[3] = {".shp", ".shx", ".dbf"};
  for (int k = 0; k < 3; ++k) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, extensions[k]) == 0)
      return shapeFileOpenRegion(activeContainer->path.c_str(), mode, activeContainer->start[k],
                                 activeContainer->length[k]);
  }
  return nullptr;
}

TEST_F(WorldBorders, AShapefileInsideALargerFileReadsAsThePlainFiles) {
  ASSERT_TRUE(writeBorderShapefile(base_, sampleCountries()));
  Container container{dir_.file("bundle.bin"), {}, {}};
  std::string bytes = "junk before the resources";
  const char* extensions[3] = {".shp", ".shx", ".dbf"};
  for (int k = 0; k < 3; ++k) {
    const std::string part = readFile(base_ + extensions[k]);
    container.start[k] = static_cast<std::int64_t>(bytes.size());
    container.length[k] = static_cast<std::int64_t>(part.size());
    bytes += part + std::string(37 + k, '\x5a');
  }
  ASSERT_TRUE(writeFile(container.path, bytes));

  // Seeking from a resource's end lands on its own last bytes.
  SAFile dbf = shapeFileOpenRegion(container.path.c_str(), "rb", container.start[2], container.length[2]);
  ASSERT_NE(dbf, nullptr);
  EXPECT_EQ(shapeFileSeek(dbf, static_cast<SAOffset>(-1), SEEK_END), 0u);
  EXPECT_EQ(shapeFileTell(dbf), static_cast<SAOffset>(container.length[2] - 1));
  EXPECT_EQ(std::fgetc(reinterpret_cast<std::FILE*>(dbf)), readFile(base_ + ".dbf").back());
  EXPECT_EQ(shapeFileSeek(dbf, 10, SEEK_SET), 0u);
  EXPECT_EQ(shapeFileSeek(dbf, static_cast<SAOffset>(-4), SEEK_CUR), 0u);
  EXPECT_EQ(shapeFileTell(dbf), 6u);
  EXPECT_EQ(shapeFileSeek(dbf, 0, 7), static_cast<SAOffset>(-1));
  EXPECT_EQ(shapeFileClose(dbf), 0);
  EXPECT_EQ(shapeFileOpenRegion(container.path.c_str(), "rb", 10, 1 << 20), nullptr);

  activeContainer = &container;
  SAHooks hooks;
  setupShapeFileHooks(&hooks);
  hooks.FOpen = openInContainer;
  ASSERT_EQ(loadWorldBordersWithHooks("bundle/borders", &hooks), 1);
  activeContainer = nullptr;
  std::vector<CountryRecord> inside;
  for (int i = 0; i < getCountryCount(); ++i) inside.push_back(*getCountryRecord(i));
  releaseWorldBorders();
  ASSERT_EQ(loadWorldBorders(base_.c_str()), 1);
  ASSERT_EQ(static_cast<int>(inside.size()), getCountryCount());
  for (int i = 0; i < getCountryCount(); ++i) {
    const CountryRecord& plain = *getCountryRecord(i);
    EXPECT_STREQ(inside[i].name, plain.name);
    EXPECT_STREQ(inside[i].code, plain.code);
    EXPECT_EQ(inside[i].partStarts, plain.partStarts);
    EXPECT_EQ(inside[i].vertices, plain.vertices);
  }
}

TEST_F(WorldBorders, ShownCountriesRoundTripThroughTheSettings) {
  ASSERT_TRUE(writeBorderShapefile(base_, sampleCountries()));
  ASSERT_EQ(loadWorldBorders(base_.c_str()), 1);
  chart_test::ChartOnEmptySky sky(100, 100);
  CSkyChart& chart = *sky.chart;
  CSettings* tree = new CSettings("RealTime", "0");
  CSettings::addString(tree, "ShowCountryBorder", "New Zealand");
  CSettings::addString(tree, "ShowCountryBorder", "CG");
  CSettings::addString(tree, "ShowCountryBorder", "Atlantis");
  chart.showCountryBorder[3] = true;
  chart.readCountryBorderSettings(tree);
  CSettings::deleteList(tree);
  EXPECT_TRUE(chart.showCountryBorder[0]);
  EXPECT_TRUE(chart.showCountryBorder[1]);
  EXPECT_FALSE(chart.showCountryBorder[2]);
  EXPECT_TRUE(chart.showCountryBorder[3]);  // flags already on stay on
  chart.showCountryBorder[200] = true;      // past the table: never written

  CSettings* out = new CSettings("RealTime", "0");
  chart.writeCountryBorderSettings(out);
  std::vector<std::string> written;
  for (const CSettings* node = out; node != nullptr; node = node->next)
    if (node->name == "ShowCountryBorder") written.push_back(*node->value);
  // Row 3 has no code: its name stands for it.
  EXPECT_EQ(written, (std::vector<std::string>{"NZ", "CG", "Nowhere"}));

  chart_test::ChartOnEmptySky other(100, 100);
  other.chart->readCountryBorderSettings(out);
  CSettings::deleteList(out);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(other.chart->showCountryBorder[i], i == 0 || i == 1 || i == 3) << i;
}

// The chart's whole state, as its settings tree carries it, includes the
// shown countries, after every other key.
TEST_F(WorldBorders, TheChartSettingsCarryTheShownCountriesLast) {
  ASSERT_TRUE(writeBorderShapefile(base_, sampleCountries()));
  ASSERT_EQ(loadWorldBorders(base_.c_str()), 1);
  chart_test::ChartOnEmptySky sky(100, 100);
  sky.chart->showCountryBorder[1] = sky.chart->showCountryBorder[3] = true;
  CSettings* tree = new CSettings("PellorinSettingsVersion", "1.0");
  ASSERT_EQ(sky.chart->writeSettings(tree, true, true), 1);
  std::vector<std::string> keys, countries;
  for (const CSettings* node = tree; node != nullptr; node = node->next) {
    keys.push_back(node->name);
    if (node->name == "ShowCountryBorder") countries.push_back(*node->value);
  }
  EXPECT_EQ(countries, (std::vector<std::string>{"CG", "Nowhere"}));
  ASSERT_GE(keys.size(), 3u);
  EXPECT_EQ(keys[keys.size() - 2], "ShowCountryBorder");
  EXPECT_EQ(keys.back(), "ShowCountryBorder");

  chart_test::ChartOnEmptySky other(100, 100);
  other.chart->showCountryBorder[0] = true;  // already on: stays on
  ASSERT_EQ(other.chart->readSettings(tree, true, true), 1);
  CSettings::deleteList(tree);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(other.chart->showCountryBorder[i], i <= 1 || i == 3) << i;
}

TEST_F(WorldBorders, TheSettingsSpeakThroughTheChartOnlyOnceTheTableHasCountries) {
  setCountryBorderSettings({});
  EXPECT_EQ(loadCountryBorders(base_.c_str()), 0);  // no file yet
  EXPECT_EQ(countryBorderSettings().read, nullptr);
  ASSERT_TRUE(writeBorderShapefile(base_, sampleCountries()));
  ASSERT_EQ(loadCountryBorders(base_.c_str()), 1);
  ASSERT_NE(countryBorderSettings().read, nullptr);
  ASSERT_NE(countryBorderSettings().write, nullptr);
  chart_test::ChartOnEmptySky sky(100, 100);
  CSettings* tree = new CSettings("ShowCountryBorder", "XX");
  countryBorderSettings().read(*sky.chart, tree);
  EXPECT_TRUE(sky.chart->showCountryBorder[2]);
  countryBorderSettings().write(*sky.chart, tree);
  EXPECT_EQ(*tree->next->value, "XX");
  CSettings::deleteList(tree);
  setCountryBorderSettings({});
}

}  // namespace
