#include "skydata/sky_data_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "catalogue_fixtures.h"
#include "skydata/open_file.h"
#include "skydata/sky_data_format.h"
#include "skydata/object_factory.h"
#include "skydata/sky_object.h"
#include "skydata/star.h"
#include "skydata/skydata_writer.h"
#include "tests/support/fuzz.h"
#include "tests/support/temp_dir.h"

namespace {

using tessaly::test::TempDir;

constexpr std::int64_t kCatalog = 10000000000000000LL;

// A variable record of a type code the factory has no class for, so that
// only the container is exercised.
std::string rawRecord(int typeCode, const std::string& payload) {
  return std::string(1, static_cast<char>(typeCode)) + payload;
}

std::uint16_t le16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// Regions 0, 1 (child 0), 9 (child 0 of 1), 8 (child 7) and 73 (child 0
// of 9), records with magnitudes 1..5 spread over them, two indexes.
SkyDataWriter sampleWriter(bool otherByteOrder = false) {
  SkyDataWriter writer(0, otherByteOrder);
  writer.addRecord(0, rawRecord(8, "root-a"), 3.0f);
  writer.addRecord(0, rawRecord(8, "root-b"), INFINITY);
  writer.addRecord(9, rawRecord(8, "nine"), 5.0f);
  writer.addRecord(73, rawRecord(8, "deep"), -1.5f);
  writer.addRecord(8, rawRecord(8, "eight"), 2.0f);
  writer.addRegion(1);
  writer.addNameEntry("Vega", 0, 0);
  writer.addNameEntry("Alpha Lyrae", 0, 0);
  writer.addNameEntry("Deneb", 9, 0);
  writer.addNameEntry("vegan", 73, 0);
  writer.addNumberEntry(4 * kCatalog + 7001, 0, 0);
  writer.addNumberEntry(4 * kCatalog + 17, 9, 0);
  writer.addNumberEntry(4 * kCatalog + 9000, 8, 0);
  return writer;
}

class SkyDataFileTest : public ::testing::Test {
 protected:
  std::string write(const SkyDataWriter& writer, const std::string& name = "cat.skydata") {
    const std::string path = dir_.file(name);
    EXPECT_TRUE(writer.writeFile(path));
    return path;
  }
  std::string writeBytes(const std::string& bytes, const std::string& name = "raw.skydata") {
    const std::string path = dir_.file(name);
    EXPECT_TRUE(tessaly::test::writeFile(path, bytes));
    return path;
  }
  TempDir dir_;
};

TEST_F(SkyDataFileTest, OpenFileWithSizeMeasuresAndKeepsPosition) {
  const std::string path = writeBytes("0123456789");
  std::int64_t offset = 99;
  std::int64_t length = 0;
  std::FILE* file = openFileWithSize(path.c_str(), "rb", &offset, &length);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(length, 10);
  EXPECT_EQ(std::fgetc(file), '0');
  std::fclose(file);
  offset = 99;
  EXPECT_EQ(openFileWithSize(dir_.file("missing").c_str(), "rb", &offset, &length), nullptr);
  EXPECT_EQ(offset, 0);
}

TEST_F(SkyDataFileTest, HeaderAndTreeRoundTripInBothByteOrders) {
  for (bool reversed : {false, true}) {
    SkyDataWriter writer = sampleWriter(reversed);
    writer.setHeaderBytes(7, 9, 42);
    const std::string bytes = writer.bytes();
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), reversed ? 0x0A : 0x00);
    CSkyDataFile file(write(writer).c_str());
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.readHeader(), kSkyDataFileHeaderSize + 5 * kSkyDataRegionHeaderSize);
    EXPECT_EQ(file.isReversed(), reversed);
    EXPECT_EQ(file.getVersion(), reversed ? -2560 : 2560);
    EXPECT_EQ(file.getHeaderByte(0), 7);
    EXPECT_EQ(file.getHeaderByte(1), 9);
    EXPECT_EQ(file.getLastHeaderWord(), 42u);
    EXPECT_EQ(file.getObjectCount(), 5u);
    EXPECT_EQ(file.getRecordSize(), kVariableRecords);
    EXPECT_EQ(file.getDataStart(), 20u + 5 * 47);

    // Boxes halve their parent's; magnitudes span the whole subtree and
    // skip objects without one.
    const CSkyDataRegion* root = file.findRegion(0);
    ASSERT_EQ(root, file.getRoot());
    EXPECT_EQ(root->getBrightestMagnitude(), -1.5f);
    EXPECT_EQ(root->getFaintestMagnitude(), 5.0f);
    const CSkyDataRegion* nine = file.findRegion(9);
    ASSERT_NE(nine, nullptr);
    EXPECT_EQ(nine, file.getRoot()->getChild(0)->getChild(0));
    EXPECT_EQ(nine->getBrightestMagnitude(), -1.5f);
    EXPECT_EQ(nine->getFaintestMagnitude(), 5.0f);
    EXPECT_EQ(nine->getMinimum()[0], -1.0f);
    EXPECT_EQ(nine->getMaximum()[0], -0.5f);
    const CSkyDataRegion* eight = file.findRegion(8);
    ASSERT_NE(eight, nullptr);
    EXPECT_EQ(eight->getMinimum()[2], 0.0f);
    EXPECT_EQ(eight->getMaximum()[1], 1.0f);
    EXPECT_EQ(eight->getObjectCount(), 1);
    // Region 1 holds nothing itself but its subtree does.
    EXPECT_EQ(file.findRegion(1)->getObjectCount(), 0);
    EXPECT_EQ(file.findRegion(1)->getFaintestMagnitude(), 5.0f);
    EXPECT_NE(file.findRegion(73), nullptr);
  }
}

// A small catalogue laid out byte by byte from the format's tables, apart
// from the writer's and reader's own byte-order code: in a reversed file the
// header and region fields are big-endian while the record lengths and the
// whole index section stay little-endian.
class LayoutBytes {
 public:
  explicit LayoutBytes(bool bigEndian) : bigEndian_(bigEndian) {}
  LayoutBytes& raw(std::uint64_t value, int size, bool bigEndian) {
    for (int i = 0; i < size; ++i) {
      const int shift = 8 * (bigEndian ? size - 1 - i : i);
      bytes_.push_back(static_cast<char>(value >> shift & 0xFF));
    }
    return *this;
  }
  // Header and region-header fields, in the file's byte order.
  LayoutBytes& field(std::uint64_t value, int size) { return raw(value, size, bigEndian_); }
  LayoutBytes& floatField(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return field(bits, 4);
  }
  // Record lengths and index fields: always little-endian.
  LayoutBytes& little(std::uint64_t value, int size) { return raw(value, size, false); }
  LayoutBytes& text(const std::string& text) {
    bytes_ += text;
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  bool bigEndian_;
  std::string bytes_;
};

TEST_F(SkyDataFileTest, FileLayoutMatchesTheFormatByteForByte) {
  for (bool reversed : {false, true}) {
    SkyDataWriter writer(0, reversed);
    writer.addRecord(0, rawRecord(8, "ab"), 3.0f);
    writer.addRecord(3, rawRecord(8, "c"), 5.0f);  // child 2 of the root
    writer.addNameEntry("Vega", 3, 0);
    writer.addNumberEntry(4 * kCatalog + 9, 0, 0);
    writer.addNumberEntry(4 * kCatalog + 2, 3, 0);

    LayoutBytes expected(reversed);
    // File header: version, two header bytes, data size, data start,
    // object count, last word.
    expected.field(2560, 2).text("\x03\x01").field(9, 4).field(20 + 2 * 47, 4).field(2, 4).field(1, 4);
    // Root: id, brightest, faintest, box, count, block size and offset,
    // child mask (child 2 present).
    expected.field(0, 4).floatField(3.0f).floatField(5.0f);
    for (float v : {-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f}) expected.floatField(v);
    expected.field(1, 2).field(5, 4).field(0, 4).field(4, 1);
    // Region 3: the lower half in x and z, the upper half in y.
    expected.field(3, 4).floatField(5.0f).floatField(5.0f);
    for (float v : {-1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f}) expected.floatField(v);
    expected.field(1, 2).field(4, 4).field(5, 4).field(0, 1);
    // Object data: each record after its 16-bit length.
    expected.little(3, 2).text(rawRecord(8, "ab")).little(2, 2).text(rawRecord(8, "c"));
    // Index section: count, headers (id, entry count, block offset after
    // the headers), then the name block and the sorted number block.
    expected.little(2, 4);
    expected.little(0, 8).little(1, 4).little(0, 4);
    expected.little(4, 8).little(2, 4).little(22, 4);
    expected.little(0, 8).little(4, 4).text("Vega").little(3, 4).little(0, 2);
    expected.little(4 * kCatalog + 2, 8).little(3, 4).little(0, 2);
    expected.little(4 * kCatalog + 9, 8).little(0, 4).little(0, 2);
    ASSERT_EQ(writer.bytes(), expected.bytes()) << "reversed " << reversed;

    CSkyDataFile file(writeBytes(expected.bytes(), reversed ? "big" : "little").c_str());
    ASSERT_EQ(file.readHeader(), 20 + 2 * 47);
    EXPECT_EQ(file.isReversed(), reversed);
    const CSkyDataRegion* child = file.findRegion(3);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child, file.getRoot()->getChild(2));
    EXPECT_EQ(child->getMinimum()[1], 0.0f);
    EXPECT_EQ(child->getMaximum()[0], 0.0f);
    EXPECT_EQ(child->getBlockOffset(), 5u);
    ASSERT_GT(file.readIndexes(false), 0);
    std::vector<CIndexEntry> results;
    ASSERT_EQ(file.searchIndexes(4 * kCatalog + 9, "Vega", 0, results, 5), 2);
    EXPECT_EQ(results[0].region, 0u);
    EXPECT_EQ(results[1].region, 3u);
  }
}

TEST_F(SkyDataFileTest, FindRegionWalksIdsAndRefusesAbsentPaths) {
  CSkyDataFile file(write(sampleWriter()).c_str());
  ASSERT_GT(file.readHeader(), 0);
  EXPECT_EQ(file.findRegion(kNoRegionID), nullptr);
  EXPECT_EQ(file.findRegion(2), nullptr);        // child 1 of the root: absent
  EXPECT_EQ(file.findRegion(8 * 2 + 1), nullptr);  // below the absent region 2
  EXPECT_EQ(file.findRegion(10), nullptr);       // sibling of 9
  EXPECT_EQ(file.findRegion(73)->getID(), 73u);
  EXPECT_EQ(file.findRegion(8 * 73 + 1), nullptr);
  EXPECT_EQ(childRegionID(0, 0), 1u);
  EXPECT_EQ(childRegionID(9, 0), 73u);
  EXPECT_EQ(childRegionID(0x20000000u, 7), kNoRegionID);
}

TEST_F(SkyDataFileTest, VersionBytesDecideByteOrder) {
  std::string bytes = sampleWriter().bytes();
  bytes[0] = 0x00;
  bytes[1] = 0x0B;
  CSkyDataFile wrong(writeBytes(bytes).c_str());
  EXPECT_EQ(wrong.readHeader(), 0);
  bytes[0] = 0x0A;
  bytes[1] = 0x01;
  CSkyDataFile other(writeBytes(bytes, "other").c_str());
  EXPECT_EQ(other.readHeader(), 0);
  CSkyDataFile closed(dir_.file("nothing").c_str());
  EXPECT_FALSE(closed.isOpen());
  EXPECT_EQ(closed.readHeader(), -1);
  EXPECT_EQ(closed.readIndexes(true), -1);
  EXPECT_EQ(closed.getObject(0, 0), nullptr);
}

TEST_F(SkyDataFileTest, BlocksAreContiguousInPreorder) {
  const SkyDataWriter writer = sampleWriter();
  const std::string bytes = writer.bytes();
  CSkyDataFile file(write(writer).c_str());
  ASSERT_GT(file.readHeader(), 0);
  std::uint32_t expected = 0;
  for (std::uint32_t id : {0u, 1u, 9u, 73u, 8u}) {
    const CSkyDataRegion* region = file.findRegion(id);
    ASSERT_NE(region, nullptr) << id;
    EXPECT_EQ(region->getBlockOffset(), expected) << id;
    expected += region->getBlockSize();
  }
  EXPECT_EQ(static_cast<std::uint32_t>(file.getRecordSizeWord()), expected);
  // The first record of region 73, with its length before it.
  const std::size_t at = file.getDataStart() + file.findRegion(73)->getBlockOffset();
  EXPECT_EQ(le16(bytes, at), 5);
  EXPECT_EQ(bytes.substr(at + 2, 5), rawRecord(8, "deep"));
}

TEST_F(SkyDataFileTest, FixedRecordFilesPlaceIndexesAfterTheRecords) {
  SkyDataWriter writer(6);
  writer.addRecord(0, "ABCDEF", 1.0f);
  writer.addRecord(3, "GHIJKL", 2.0f);
  EXPECT_EQ(writer.addRecord(3, "short", 2.0f), -1);
  writer.addNameEntry("x", 3, 0);
  CSkyDataFile file(write(writer).c_str());
  ASSERT_GT(file.readHeader(), 0);
  EXPECT_EQ(file.getRecordSizeWord(), -6);
  EXPECT_EQ(file.getRecordSize(), 6);
  ASSERT_GT(file.readIndexes(true), 0);
  ASSERT_NE(file.getIndex(0), nullptr);
  EXPECT_EQ(file.getIndex(0)->getEntries().at(0).region, 3u);
}

TEST_F(SkyDataFileTest, FixedRecordFilesHoldPaddedStars) {
  CStar vega;
  const std::int64_t hr = 4 * kCatalog + 7001;
  vega.setCatalogNumbers(&hr, 1);
  const char* name = "Vega";
  vega.setNames(&name, 1);
  SkyDataWriter writer(64);
  ASSERT_EQ(writer.addObject(0, vega, 0.03f), 0);
  ASSERT_EQ(writer.addObject(0, vega, 0.03f), 1);
  const char* tooLong[] = {"a name far too long for a record of the file's fixed size of 64"};
  vega.setNames(tooLong, 1);
  EXPECT_EQ(writer.addObject(0, vega, 0.03f), -1);

  CSkyDataFile file(write(writer).c_str());
  ASSERT_GT(file.readHeader(), 0);
  EXPECT_EQ(file.getRecordSizeWord(), -64);
  CStar* star = asStar(file.getObject(0, 1));
  ASSERT_NE(star, nullptr);
  EXPECT_EQ(star->findCatalogNumber(4), hr);
  EXPECT_STREQ(star->getNameString().c_str(), "Vega, HR 7001");
}

TEST_F(SkyDataFileTest, IndexesRoundTripAndSearch) {
  CSkyDataFile file(write(sampleWriter()).c_str());
  ASSERT_GT(file.readHeader(), 0);
  ASSERT_GT(file.readIndexes(false), 0);
  EXPECT_EQ(file.getIndexCount(), 2);
  EXPECT_EQ(file.getIndex(1), nullptr);
  ASSERT_EQ(file.loadIndex(0), 4 * 18 + 4 + 11 + 5 + 5);
  EXPECT_EQ(file.loadIndex(77), -1);
  const auto& names = file.getIndex(0)->getEntries();
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(*names[1].name, "Alpha Lyrae");
  EXPECT_EQ(names[3].region, 73u);

  const auto find = [&](const char* text, int flags) {
    std::vector<CIndexEntry> results;
    file.searchIndexes(0, text, flags, results, 10);
    std::vector<std::string> found;
    for (const auto& entry : results) found.push_back(*entry.name);
    return found;
  };
  // Two names of one object give one result; the empty text lists every
  // name, duplicates included.
  EXPECT_EQ(find("veg", 0), (std::vector<std::string>{"Vega", "vegan"}));
  EXPECT_EQ(find("Veg", kIndexMatchCaseSensitive), (std::vector<std::string>{"Vega"}));
  EXPECT_EQ(find("LYR", kIndexMatchSubstring), (std::vector<std::string>{"Alpha Lyrae"}));
  EXPECT_EQ(find("Lyr", kIndexMatchSubstring | kIndexMatchCaseSensitive),
            (std::vector<std::string>{"Alpha Lyrae"}));
  EXPECT_TRUE(find("lyr", kIndexMatchSubstring | kIndexMatchCaseSensitive).empty());
  EXPECT_EQ(find("", 0).size(), 4u);
  std::vector<CIndexEntry> capped;
  EXPECT_EQ(file.searchIndexes(0, "", 0, capped, 2), 2);

  std::vector<CIndexEntry> results;
  EXPECT_EQ(file.searchIndexes(4 * kCatalog + 17, "Vega", 0, results, 10), 3);
  EXPECT_EQ(results[0].catalogNumber, 4 * kCatalog + 17);
  EXPECT_FALSE(results[0].name.has_value());
  EXPECT_EQ(*results[1].name, "Vega");
  EXPECT_EQ(*results[2].name, "vegan");
  results.clear();
  EXPECT_EQ(file.searchIndexes(5 * kCatalog + 17, nullptr, 0, results, 10), 0);
  // Entry part 0 walks the catalogue for numbers that stand for a whole
  // group; no single star is one.
  EXPECT_EQ(file.searchIndexes(4 * kCatalog, nullptr, 0, results, 10), 0);
}

TEST_F(SkyDataFileTest, BinarySearchOnTheFileAgreesWithTheLoadedIndex) {
  std::mt19937_64 random(7);
  SkyDataWriter writer;
  writer.addRecord(0, rawRecord(8, "x"), 1.0f);
  std::vector<std::int64_t> numbers;
  for (int i = 0; i < 3000; ++i) {
    const std::int64_t number = 5 * kCatalog + static_cast<std::int64_t>(random() % 400000) + 1;
    numbers.push_back(number);
    writer.addNumberEntry(number, static_cast<std::uint32_t>(i), static_cast<std::uint16_t>(i));
  }
  writer.addNumberEntry(-77, 1, 1);  // Gaia numbers have their own index
  CSkyDataFile onFile(write(writer).c_str());
  CSkyDataFile loaded(write(writer, "loaded.skydata").c_str());
  ASSERT_GT(onFile.readHeader(), 0);
  ASSERT_GT(onFile.readIndexes(false), 0);
  ASSERT_GT(loaded.readHeader(), 0);
  ASSERT_GT(loaded.readIndexes(true), 0);
  const auto& entries = loaded.getIndex(5)->getEntries();
  ASSERT_TRUE(std::is_sorted(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return a.catalogNumber < b.catalogNumber;
  }));
  for (int i = 0; i < 2000; ++i) {
    const std::int64_t number =
        i % 2 == 0 ? numbers[random() % numbers.size()] : 5 * kCatalog + random() % 400002;
    std::vector<CIndexEntry> a;
    std::vector<CIndexEntry> b;
    const int found = onFile.searchIndexes(number, nullptr, 0, a, 50);
    ASSERT_EQ(found, loaded.searchIndexes(number, nullptr, 0, b, 50));
    ASSERT_EQ(found, std::count(numbers.begin(), numbers.end(), number)) << number;
    for (int k = 0; k < found; ++k) {
      EXPECT_EQ(a[k].catalogNumber, number);
      EXPECT_EQ(a[k].region, b[k].region);
      EXPECT_EQ(a[k].index, b[k].index);
    }
  }
}

TEST(SwapByteOrder, ReversesEachValue) {
  unsigned char bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
  swapByteOrder(bytes, 2, 4);
  EXPECT_EQ(std::vector<int>(bytes, bytes + 8), (std::vector<int>{4, 3, 2, 1, 8, 7, 6, 5}));
  swapByteOrder(bytes, 1, 8);
  EXPECT_EQ(std::vector<int>(bytes, bytes + 8), (std::vector<int>{5, 6, 7, 8, 1, 2, 3, 4}));
}

TEST_F(SkyDataFileTest, RegionGeometry) {
  const float minimum[3] = {-2.0f, 0.0f, 1.0f};
  const float maximum[3] = {2.0f, 4.0f, 1.0f};
  CSkyDataRegion flat(3, 0.0f, 1.0f, minimum, maximum);
  double corner[3];
  double other[3];
  flat.getCorner(5, corner);
  flat.getCorner(1, other);
  EXPECT_EQ(std::vector<double>(corner, corner + 3), std::vector<double>(other, other + 3));
  EXPECT_EQ(std::vector<double>(corner, corner + 3), (std::vector<double>{2.0, 0.0, 1.0}));
  flat.getCorner(3, corner);
  EXPECT_EQ(std::vector<double>(corner, corner + 3), (std::vector<double>{-2.0, 4.0, 1.0}));
  EXPECT_TRUE(flat.isFlat());
  double center[3];
  flat.getCenter(center);
  EXPECT_EQ(std::vector<double>(center, center + 3), (std::vector<double>{0.0, 2.0, 1.0}));
  EXPECT_DOUBLE_EQ(flat.getDiagonal(), std::sqrt(32.0));
  const float cubeMax[3] = {2.0f, 4.0f, 3.0f};
  CSkyDataRegion cube(3, 0.0f, 1.0f, minimum, cubeMax);
  cube.getCorner(6, corner);
  EXPECT_EQ(std::vector<double>(corner, corner + 3), (std::vector<double>{-2.0, 4.0, 3.0}));
  const double inside[3] = {2.0, 0.0, 3.0};
  const double outside[3] = {2.0, 0.0, 3.5};
  EXPECT_TRUE(cube.contains(inside));
  EXPECT_FALSE(cube.contains(outside));
}

TEST_F(SkyDataFileTest, RegionWithAnUnbuildableRecordStaysUnloaded) {
  // Type code 8 has no class: the region fails as a whole and getObject
  // gives nothing.
  CSkyDataFile file(write(sampleWriter()).c_str());
  ASSERT_GT(file.readHeader(), 0);
  EXPECT_EQ(file.loadRegionObjects(nullptr), -1);
  EXPECT_FALSE(file.getRoot()->isLoaded());
  EXPECT_EQ(file.getObject(0, 0), nullptr);
  EXPECT_EQ(file.getObject(0, 2), nullptr);
  EXPECT_EQ(file.loadRegionObjects(file.findRegion(1)), 0);  // nothing to load
  EXPECT_EQ(file.reopen(nullptr), -1);
}

// --- damaged files --------------------------------------------------------

// Opens and uses a file the way the database does; must never crash.
void exercise(const std::string& path) {
  CSkyDataFile file(path.c_str());
  if (file.readHeader() <= 0) return;
  file.readIndexes(false);
  std::vector<CIndexEntry> results;
  file.searchIndexes(4 * kCatalog + 17, "Ve", 0, results, 20);
  file.searchIndexes(4 * kCatalog, "", 0, results, 20);
  for (std::uint32_t id : {0u, 1u, 8u, 9u, 73u}) {
    delete file.readObject(id, 0);
    CSkyObject* object = file.getObject(id, 0);
    if (object != nullptr && !object->isOwnedByRegion()) delete object;
  }
  file.scanRegions(nullptr, nullptr, nullptr, results, 100);
  file.readIndexes(true);
  file.reopen(nullptr);
}

TEST_F(SkyDataFileTest, EveryTruncationFailsCleanly) {
  const std::string bytes = sampleWriter().bytes();
  const std::string path = dir_.file("cut.skydata");
  const std::size_t indexSection = 20 + 5 * 47 + le32(bytes, 4);
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    ASSERT_TRUE(tessaly::test::writeFile(path, bytes.substr(0, length)));
    CSkyDataFile file(path.c_str());
    const std::int64_t header = file.readHeader();
    // The object data does not fit a file cut before the index section.
    if (length < indexSection) {
      EXPECT_LE(header, 0) << length;
    }
    if (header > 0) {
      EXPECT_EQ(file.readIndexes(true), -1) << length;
    }
    exercise(path);
  }
}

TEST_F(SkyDataFileTest, DamagedFieldsAreRefused) {
  const std::string good = sampleWriter().bytes();
  const std::size_t regions = kSkyDataFileHeaderSize;
  const std::size_t indexSection = 20 + 5 * 47 + le32(good, 4);
  const auto opened = [&](const std::string& bytes) {
    CSkyDataFile file(writeBytes(bytes, "bad.skydata").c_str());
    return file.readHeader() > 0 && file.readIndexes(true) > 0;
  };
  ASSERT_TRUE(opened(good));

  std::string wrongID = good;
  wrongID[regions + 47] = 2;  // the first child claims to be region 2
  EXPECT_FALSE(opened(wrongID));

  std::string hugeData = good;
  hugeData[4 + 3] = 0x40;  // object data of a gigabyte
  EXPECT_FALSE(opened(hugeData));

  std::string zeroFixed = good;
  zeroFixed.replace(4, 4, std::string("\x00\x00\xFF\xFF", 4));  // -65536: size 0
  EXPECT_FALSE(opened(zeroFixed));

  std::string manyIndexes = good;
  manyIndexes.replace(indexSection, 4, std::string("\xFF\xFF\xFF\x0F", 4));
  EXPECT_FALSE(opened(manyIndexes));

  std::string manyEntries = good;
  manyEntries.replace(indexSection + 4 + 8, 4, std::string("\xFF\xFF\xFF\xFF", 4));
  EXPECT_FALSE(opened(manyEntries));

  std::string hugeName = good;
  const std::size_t firstEntry = indexSection + 4 + 2 * 16;
  hugeName.replace(firstEntry + 8, 4, std::string("\xF0\xFF\xFF\x7F", 4));
  EXPECT_FALSE(opened(hugeName));

  // A record length past its block loses the region, not the file.
  std::string badLength = good;
  CSkyDataFile probe(writeBytes(good, "probe.skydata").c_str());
  ASSERT_GT(probe.readHeader(), 0);
  const std::size_t block = probe.getDataStart() + probe.findRegion(8)->getBlockOffset();
  badLength[block] = static_cast<char>(0xFF);
  CSkyDataFile damaged(writeBytes(badLength, "length.skydata").c_str());
  ASSERT_GT(damaged.readHeader(), 0);
  EXPECT_EQ(damaged.loadRegionObjects(damaged.findRegion(8)), -1);
  EXPECT_EQ(damaged.getObject(8, 0), nullptr);

  // A block placed past the object data is refused before it is read.
  std::string farBlock = good;
  farBlock.replace(regions + 4 * 47 + 42, 4, std::string("\x00\x00\x00\x7F", 4));
  CSkyDataFile far(writeBytes(farBlock, "far.skydata").c_str());
  ASSERT_GT(far.readHeader(), 0);
  EXPECT_EQ(far.loadRegionObjects(far.findRegion(8)), -1);
}

// The last record of a block may end exactly where the block ends; a length
// one byte longer is refused, and costs only its region.
TEST_F(SkyDataFileTest, RecordsMayEndExactlyAtTheirBlockEndButNotOneBytePast) {
  CStar vega;
  const char* name = "Vega";
  vega.setNames(&name, 1);
  SkyDataWriter variable;
  ASSERT_EQ(variable.addObject(0, vega, 0.03f), 0);
  ASSERT_EQ(variable.addObject(0, vega, 0.03f), 1);
  const std::string good = variable.bytes();
  CSkyDataFile probe(writeBytes(good, "probe.skydata").c_str());
  ASSERT_GT(probe.readHeader(), 0);
  const std::size_t block = probe.getDataStart() + probe.getRoot()->getBlockOffset();
  const std::size_t second = block + 2 + le16(good, block);
  const std::size_t secondLength = le16(good, second);
  ASSERT_EQ(second + 2 + secondLength, block + probe.getRoot()->getBlockSize());

  CSkyDataFile exact(writeBytes(good, "exact.skydata").c_str());
  ASSERT_GT(exact.readHeader(), 0);
  EXPECT_GT(exact.loadRegionObjects(nullptr), 0);
  ASSERT_NE(exact.getObject(0, 1), nullptr);
  EXPECT_EQ(exact.getObject(0, 1)->getNameString(), "Vega");

  std::string longer = good;
  longer[second] = static_cast<char>(secondLength + 1);
  longer[second + 1] = static_cast<char>((secondLength + 1) >> 8);
  CSkyDataFile past(writeBytes(longer, "past.skydata").c_str());
  ASSERT_GT(past.readHeader(), 0);
  EXPECT_EQ(past.loadRegionObjects(nullptr), -1);
  EXPECT_EQ(past.getObject(0, 1), nullptr);
  CSkyObject* first = past.getObject(0, 0);  // read alone, the first still is
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(first->isOwnedByRegion());
  delete first;

  // Fixed records: a block of exactly count x size is read, one byte short
  // is refused.
  SkyDataWriter fixed(64);
  ASSERT_EQ(fixed.addObject(0, vega, 0.03f), 0);
  ASSERT_EQ(fixed.addObject(0, vega, 0.03f), 1);
  std::string fixedBytes = fixed.bytes();
  const std::size_t blockSizeField = kSkyDataFileHeaderSize + 38;
  ASSERT_EQ(le32(fixedBytes, blockSizeField), 128u);
  CSkyDataFile whole(writeBytes(fixedBytes, "whole.skydata").c_str());
  ASSERT_GT(whole.readHeader(), 0);
  EXPECT_GT(whole.loadRegionObjects(nullptr), 0);
  fixedBytes[blockSizeField] = 127;
  CSkyDataFile shortBlock(writeBytes(fixedBytes, "short.skydata").c_str());
  ASSERT_GT(shortBlock.readHeader(), 0);
  EXPECT_EQ(shortBlock.loadRegionObjects(nullptr), -1);
}

TEST_F(SkyDataFileTest, DeepTreesStopAtThirtyTwoBitIds) {
  // A chain of first children, each announcing another: ids overflow 32
  // bits at the twelfth level, which must fail instead of recursing on.
  for (int depth : {11, 12, 40}) {
    std::string bytes(20, '\0');
    bytes[1] = 0x0A;
    std::uint32_t id = 0;
    for (int level = 0; level <= depth; ++level) {
      std::string header(47, '\0');
      for (int i = 0; i < 4; ++i) header[i] = static_cast<char>(id >> (8 * i));
      header[46] = level < depth ? 1 : 0;
      bytes += header;
      id = 8 * id + 1;
    }
    const std::uint32_t dataStart = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) bytes[8 + i] = static_cast<char>(dataStart >> (8 * i));
    bytes += std::string(4, '\0');  // no indexes
    CSkyDataFile file(writeBytes(bytes, "deep.skydata").c_str());
    const std::int64_t read = file.readHeader();
    if (depth <= 11) {
      EXPECT_EQ(read, 20 + 47 * (depth + 1)) << depth;
      EXPECT_NE(file.findRegion(1227133513u), nullptr);  // eleven first children
    } else {
      EXPECT_EQ(read, -1) << depth;
    }
  }
}

TEST_F(SkyDataFileTest, FuzzedCataloguesFailCleanly) {
  const std::string path = dir_.file("fuzz.skydata");
  // Seeds with objects of real classes, so that damaged records reach the
  // classes' readers through the region loader too.
  SkyDataWriter stars;
  catalogue_fixtures::addStars(stars, {{0, {"Sirius"}, {4 * kCatalog + 2491}, -1.4f},
                                       {9, {"Vega"}, {4 * kCatalog + 7001}, 0.0f}});
  std::vector<tessaly::test::Bytes> seeds = {
      sampleWriter().bytes(), sampleWriter(true).bytes(), stars.bytes(),
      catalogue_fixtures::solarSystemWriter({{35, 25544, {"1998-067A", "ISS"}, 3}}).bytes()};
  tessaly::test::FuzzOptions options;
  options.iterations = 4000;
  tessaly::test::fuzz(seeds, [&](std::string_view data) {
    tessaly::test::writeFile(path, std::string(data));
    exercise(path);
  }, options);
}

}  // namespace
