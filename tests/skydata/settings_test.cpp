#include "skydata/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "fuzz.h"
#include "temp_dir.h"

namespace {

using tessaly::test::TempDir;

struct ListDeleter {
  void operator()(CSettings* list) const { CSettings::deleteList(list); }
};
using List = std::unique_ptr<CSettings, ListDeleter>;

List parse(const std::string& text) {
  std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (!file) return nullptr;  // fmemopen refuses an empty buffer
  List list(CSettings::read(file));
  std::fclose(file);
  return list;
}

// A settings tree like the program's: values, an observing list of objects,
// a nested object and repeated keys.
List sampleTree() {
  List list(new CSettings("LocationName", "Les Ponts-de-C\xc3\xa9"));
  CSettings::addDouble(list.get(), "Longitude", -0.5276);
  CSettings::addInt(list.get(), "Perspective", 2);
  CSettings* item = new CSettings("CatalogNumber", "1540000000000025544");
  CSettings::addString(item, "CatalogNumber", "1540000000000020580");
  CSettings* inner = new CSettings("Note", "line one\nline two\r\\end");
  CSettings::addObject(item, "Extra", inner);
  CSettings::addObject(list.get(), "SkyObject", item);
  CSettings::addObject(list.get(), "SkyObject", new CSettings("CatalogNumber", "7"));
  CSettings::addVector(list.get(), "Color", 0.25f, 0.5f, 1.0f);
  return list;
}

TEST(CSettingsFormat, NestedObjectsAtDepthZeroAndOne) {
  List list = sampleTree();
  EXPECT_EQ(CSettings::format(list.get(), 0),
            "LocationName=Les Ponts-de-C\xc3\xa9\n"
            "Longitude=-5.276000000000000e-01\n"
            "Perspective=2\n"
            "SkyObject=BeginObject\n"
            "CatalogNumber=1540000000000025544\n"
            "CatalogNumber=1540000000000020580\n"
            "Extra=BeginObject\n"
            "Note=line one\\nline two\\r\\\\end\n"
            "EndObject=Extra\n"
            "EndObject=SkyObject\n"
            "SkyObject=BeginObject\n"
            "CatalogNumber=7\n"
            "EndObject=SkyObject\n"
            "Color=0.250000,0.500000,1.000000\n");
  std::string indented = CSettings::format(list.get(), 1);
  EXPECT_NE(indented.find("\n\tCatalogNumber=1540000000000025544\n"), std::string::npos);
  EXPECT_NE(indented.find("\n\t\tNote=line one"), std::string::npos);
  EXPECT_NE(indented.find("\n\tEndObject=Extra\n"), std::string::npos);
  // Indentation is read as leading blanks: both files give the same tree.
  EXPECT_EQ(CSettings::format(parse(indented).get(), 0), CSettings::format(list.get(), 0));
  EXPECT_EQ(CSettings::format(parse(CSettings::format(list.get(), 0)).get(), 1), indented);
}

TEST(CSettingsFormat, RoundTripThroughAFile) {
  TempDir dir;
  std::string path = dir.file("CurrentSettings");
  List list = sampleTree();
  ASSERT_TRUE(CSettings::writeFile(list.get(), path.c_str(), 0));
  List back(CSettings::readFile(path.c_str()));
  ASSERT_TRUE(back);
  EXPECT_STREQ(CSettings::getString(back.get(), "LocationName", 0, ""), "Les Ponts-de-C\xc3\xa9");
  EXPECT_EQ(CSettings::countObjects(back.get(), "SkyObject"), 2);
  CSettings* first = CSettings::getObject(back.get(), "SkyObject", 0);
  EXPECT_EQ(CSettings::countValues(first, "CatalogNumber"), 2);
  EXPECT_STREQ(CSettings::getString(CSettings::getObject(first, "Extra", 0), "Note", 0, ""),
               "line one\nline two\r\\end");
  const float* color = CSettings::getVector(back.get(), "Color", 0, 9, 9, 9);
  EXPECT_EQ(color[0], 0.25f);
  EXPECT_EQ(color[1], 0.5f);
  EXPECT_EQ(color[2], 1.0f);

  // A file that cannot be written is reported and the old file stays.
  EXPECT_FALSE(CSettings::writeFile(list.get(), dir.file("no/such/folder").c_str(), 0));
  EXPECT_EQ(CSettings::readFile(dir.file("absent").c_str()), nullptr);
}

TEST(CSettingsFormat, CarriageReturnLineEndsReadLikeLineFeeds) {
  List crlf = parse("A=1\r\nObj=BeginObject\r\n\tB=two\r\nEndObject=Obj\r\nC=3");
  List lf = parse("A=1\nObj=BeginObject\n\tB=two\nEndObject=Obj\nC=3\n");
  EXPECT_EQ(CSettings::format(crlf.get(), 0), CSettings::format(lf.get(), 0));
  EXPECT_EQ(CSettings::getInt(crlf.get(), "C", 0, -1), 3);  // last line without a line end
}

TEST(CSettingsValues, RepeatedKeysByOccurrence) {
  List list = parse("Key=a\nOther=x\nKey=b\nKey=c\n");
  EXPECT_STREQ(CSettings::getString(list.get(), "Key", 0, "none"), "a");
  EXPECT_STREQ(CSettings::getString(list.get(), "Key", 1, "none"), "b");
  EXPECT_STREQ(CSettings::getString(list.get(), "Key", 2, "none"), "c");
  EXPECT_STREQ(CSettings::getString(list.get(), "Key", 3, "none"), "none");
  EXPECT_STREQ(CSettings::getString(list.get(), "key", 0, "none"), "none");  // case-sensitive
  EXPECT_EQ(CSettings::getValue(list.get(), "Key", -1), nullptr);
  EXPECT_EQ(CSettings::getValue(nullptr, "Key", 0), nullptr);
  EXPECT_EQ(CSettings::getValue(list.get(), nullptr, 0), nullptr);
}

TEST(CSettingsValues, NumbersReadTheWayTheFileWritesThem) {
  List list(new CSettings("first", "x"));
  const double samples[] = {0.0, -0.0, 1.0 / 3.0, 6.02214076e23, -2451545.0, 5e-324, 1.5e308};
  for (double v : samples) CSettings::addDouble(list.get(), "d", v);
  CSettings::addDouble(list.get(), "d", std::numeric_limits<double>::infinity());
  CSettings::addDouble(list.get(), "d", -std::numeric_limits<double>::infinity());
  List back = parse(CSettings::format(list.get(), 0));
  int n = 0;
  for (double v : samples) {
    double got = CSettings::getDouble(back.get(), "d", n++, 99.0);
    EXPECT_NEAR(got, v, std::fabs(v) * 1e-15) << v;
  }
  EXPECT_STREQ(CSettings::getValue(back.get(), "d", n), "inf");
  EXPECT_EQ(CSettings::getDouble(back.get(), "d", n++, 0), std::numeric_limits<double>::infinity());
  EXPECT_EQ(CSettings::getDouble(back.get(), "d", n++, 0), -std::numeric_limits<double>::infinity());

  List texts = parse(
      "Empty=\nMixed=12abc\nWord=abc\nT=true\nF=false\nTrue=True\nInf=Infinity\nNinf=-INF\n"
      "Huge=99999999999999999999\nVec=1.5,2.5\nBadVec=1.5 ,2\n");
  EXPECT_STREQ(CSettings::getString(texts.get(), "Empty", 0, "default"), "");
  EXPECT_EQ(CSettings::getInt(texts.get(), "Empty", 0, 7), 0);
  EXPECT_EQ(CSettings::getDouble(texts.get(), "Empty", 0, 7.5), 7.5);
  EXPECT_EQ(CSettings::getInt(texts.get(), "Mixed", 0, 7), 12);
  EXPECT_EQ(CSettings::getInt(texts.get(), "Word", 0, 7), 0);
  EXPECT_EQ(CSettings::getInt(texts.get(), "T", 0, 7), 1);
  EXPECT_EQ(CSettings::getInt(texts.get(), "F", 0, 7), 0);
  EXPECT_EQ(CSettings::getInt(texts.get(), "True", 0, 7), 0);
  EXPECT_EQ(CSettings::getInt(texts.get(), "Huge", 0, 7), std::numeric_limits<int>::max());
  EXPECT_EQ(CSettings::getDouble(texts.get(), "Inf", 0, 0), std::numeric_limits<double>::infinity());
  EXPECT_EQ(CSettings::getDouble(texts.get(), "Ninf", 0, 0), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(CSettings::getDouble(texts.get(), "Word", 0, 7.5), 7.5);
  const float* v = CSettings::getVector(texts.get(), "Vec", 0, 7, 8, 9);
  EXPECT_EQ(v[0], 1.5f);
  EXPECT_EQ(v[1], 2.5f);
  EXPECT_EQ(v[2], 9.0f);
  v = CSettings::getVector(texts.get(), "BadVec", 0, 7, 8, 9);  // "%f,%f" needs the comma at once
  EXPECT_EQ(v[0], 1.5f);
  EXPECT_EQ(v[1], 8.0f);
  v = CSettings::getVector(texts.get(), "Absent", 0, 7, 8, 9);
  EXPECT_EQ(v[2], 9.0f);
}

TEST(CSettingsRead, StructureLinesOfTheFormat) {
  // A value of exactly BeginObject opens an object; an EndObject key closes
  // the level whatever its value; "=" inside a key moves the rest to the value.
  List list = parse(
      "  \t\x01\xff" "Lead=1\n"
      "Obj=BeginObject\n"
      "In=1\n"
      "EndObject=anything\n"
      "a=b=c\n"
      "=novalue\n"
      "no equals sign\n"
      "\n"
      "Empty=BeginObject\n"
      "EndObject=Empty\n"
      "Esc=x\\qy\\\n"
      "EndObject=Top\n"
      "After=1\n");
  EXPECT_EQ(CSettings::getInt(list.get(), "Lead", 0, 0), 1);
  EXPECT_EQ(CSettings::getInt(CSettings::getObject(list.get(), "Obj", 0), "In", 0, 0), 1);
  EXPECT_STREQ(CSettings::getString(list.get(), "a", 0, ""), "b=c");
  EXPECT_STREQ(CSettings::getString(list.get(), "", 0, "?"), "novalue");
  EXPECT_NE(CSettings::find(list.get(), "Empty", 0), nullptr);
  EXPECT_EQ(CSettings::countObjects(list.get(), "Empty"), 0);
  EXPECT_EQ(CSettings::countValues(list.get(), "Empty"), 0);
  EXPECT_STREQ(CSettings::getString(list.get(), "Esc", 0, ""), "xy");  // unknown and lone escapes drop
  EXPECT_EQ(CSettings::find(list.get(), "After", 0), nullptr);  // EndObject at the top ends the read
  // Objects without members are not written.
  EXPECT_EQ(CSettings::format(list.get(), 0).find("Empty"), std::string::npos);
  // A value that reads "BeginObject" comes back as an object.
  List tricky(new CSettings("V", "BeginObject"));
  List back = parse(CSettings::format(tricky.get(), 0));
  EXPECT_EQ(CSettings::getValue(back.get(), "V", 0), nullptr);
}

TEST(CSettingsRead, HostileFilesGiveAPartialTree) {
  // Nesting far deeper than any real file: the deep part is skipped.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "L=BeginObject\n";
  deep += "Leaf=1\n";
  for (int i = 0; i < 100000; ++i) deep += "EndObject=L\n";
  deep += "Tail=2\n";
  List list = parse("Head=0\n" + deep);
  int depth = 0;
  for (CSettings* level = list.get(); level; level = CSettings::getObject(level, "L", 0)) ++depth;
  EXPECT_EQ(depth, CSettings::kMaxReadDepth);  // the top level and 63 objects
  EXPECT_EQ(CSettings::getInt(list.get(), "Head", 0, -1), 0);
  EXPECT_EQ(CSettings::getInt(list.get(), "Tail", 0, -1), 2);

  // A 1 MB line is read whole; a value longer than the limit is skipped.
  std::string big(1 << 20, 'v');
  List longLine = parse("Big=" + big + "\nNext=1\n");
  EXPECT_EQ(std::string(CSettings::getString(longLine.get(), "Big", 0, "")), big);
  EXPECT_EQ(CSettings::getInt(longLine.get(), "Next", 0, 0), 1);

  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 256);
  List junkTree = parse(junk);
  CSettings::format(junkTree.get(), 1);
}

TEST(CSettingsRead, FuzzedFilesNeverCrashAndSettleAfterOneRewrite) {
  std::vector<std::string> seeds = {CSettings::format(sampleTree().get(), 0),
                                    CSettings::format(sampleTree().get(), 1),
                                    "A=1\r\nO=BeginObject\r\nB=\\n\\\\\\\r\nEndObject=O\r\n"};
  tessaly::test::fuzz(seeds, [](std::string_view data) {
    List first = parse(std::string(data));
    std::string once = CSettings::format(parse(CSettings::format(first.get(), 0)).get(), 0);
    List again = parse(once);
    ASSERT_EQ(CSettings::format(again.get(), 0), once);
    ASSERT_EQ(CSettings::format(parse(CSettings::format(again.get(), 1)).get(), 0), once);
  }, {.iterations = 5000});
}

}  // namespace
