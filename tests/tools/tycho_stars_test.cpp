// The Tycho-2 list reader and the star builder's use of it: rows checked
// field by field, compressed files read as a stream and refused when cut
// short, and the list's stars merged with the file's so that each star is
// one object.
#include "tools/catalogues/tycho_stars.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_factory.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"
#include "temp_dir.h"
#include "tools/catalogues/star_catalogues.h"

namespace {

using tessaly::test::TempDir;

constexpr double kDeg = M_PI / 180.0;
const char* kHeader = "tyc,hip,ra_deg,dec_deg,pmra_mas_yr,pmdec_mas_yr,vmag,bv,src\n";

// Rows as the published list writes them (data/published/README.md, section
// 6): a main-catalogue star, one with a HIP number, an X row without proper
// motion, a Supplement-1 Hipparcos star with Hp.
const char* kRows =
    "TYC 1-13-1,,1.1255821,2.2673940,27.7,-0.5,8.506,1.545,MJ\n"
    "TYC 2237-556-1,,30.0000000,40.0000000,1.0,2.0,10.907,1.342,MJ\n"
    "TYC 5827-1271-1,115126,349.7771517,-13.4584478,,,5.192,0.735,XJ\n"
    "TYC 5949-2777-1,32349,101.2871554,-16.7161159,-546.0,-1223.1,-1.088,,HP\n";

void writeGzip(const std::string& path, const std::string& text) {
  gzFile out = gzopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(gzwrite(out, text.data(), static_cast<unsigned>(text.size())),
            static_cast<int>(text.size()));
  gzclose(out);
}

std::vector<catalogues::TychoRow> readAll(const std::string& path, std::string& error,
                                          bool* ok = nullptr) {
  std::vector<catalogues::TychoRow> rows;
  const bool read = catalogues::readTychoStars(path, [&](const catalogues::TychoRow& row) {
    rows.push_back(row);
    return true;
  }, error);
  if (ok) *ok = read;
  return rows;
}

TEST(TychoStars, RowsReadFieldByField) {
  TempDir dir;
  writeGzip(dir.file("t.csv.gz"), std::string(kHeader) + kRows);
  std::string error;
  bool ok = false;
  const auto rows = readAll(dir.file("t.csv.gz"), error, &ok);
  ASSERT_TRUE(ok) << error;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].line, 2);
  EXPECT_EQ(rows[0].designation, "TYC 1-13-1");
  char text[64];
  EXPECT_STREQ(formatCatalogNumber(rows[0].number, text, sizeof text, 1), "TYC 0001-0013-1");
  EXPECT_EQ(rows[0].hip, 0);
  EXPECT_EQ(rows[0].ra, 1.1255821);
  EXPECT_EQ(rows[0].pmdec, -0.5);
  EXPECT_EQ(rows[0].visual, 8.506);
  EXPECT_EQ(rows[0].colour, 1.545);
  EXPECT_EQ(rows[2].hip, 115126);
  EXPECT_TRUE(std::isnan(rows[2].pmra));  // X: observed place, no motion
  EXPECT_EQ(rows[2].position, 'X');
  EXPECT_TRUE(std::isnan(rows[3].colour));
  EXPECT_EQ(rows[3].magnitude, 'P');
}

TEST(TychoStars, DamagedRowsAndFilesAreRefusedWithTheirLine) {
  struct Case {
    std::string row, what;
  };
  const Case cases[] = {
      {"TYC 1-13-1,,1.1,2.2,27.7,-0.5,8.5,1.5", "damaged star row"},               // 8 fields
      {"TYC 1-13-1,,360.0,2.2,27.7,-0.5,8.5,1.5,MJ", "damaged star row"},          // RA
      {"TYC 1-13-1,,1.1,91.0,27.7,-0.5,8.5,1.5,MJ", "damaged star row"},           // Dec
      {"TYC 1-13-1,,1.1,2.2,27.7,,8.5,1.5,MJ", "damaged star row"},                // half a motion
      {"TYC 1-13-1,,1.1,2.2,,,8.5,1.5,MJ", "damaged star row"},                    // M without motion
      {"TYC 1-13-1,,1.1,2.2,1.0,1.0,8.5,1.5,XJ", "damaged star row"},              // X with motion
      {"TYC 1-13-1,,1.1,2.2,27.7,-0.5,11.5,1.5,MJ", "damaged star row"},           // past the cut
      {"TYC 1-13-1,0,1.1,2.2,27.7,-0.5,8.5,1.5,MJ", "damaged star row"},           // HIP 0
      {"TYC 9999-1-1,,1.1,2.2,27.7,-0.5,8.5,1.5,MJ", "damaged star row"},          // region
      {"HIP 1,,1.1,2.2,27.7,-0.5,8.5,1.5,MJ", "damaged star row"},                 // not Tycho
      {"TYC 1-13-1,,1.1,2.2,27.7,-0.5,8.5,1.5,MQ", "damaged star row"},            // source code
      {"TYC 1-13-1,,1.1,2.2,27.7,-0.5,8.5x,1.5,MJ", "damaged star row"},           // number
      {std::string(300, 'x'), "line too long"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    writeGzip(dir.file("t.csv.gz"), std::string(kHeader) + kRows + c.row + "\n");
    std::string error;
    bool ok = true;
    readAll(dir.file("t.csv.gz"), error, &ok);
    EXPECT_FALSE(ok) << c.row;
    EXPECT_EQ(error, dir.file("t.csv.gz") + ":6: " + c.what) << c.row;
  }
  // No header, a missing file, a last line without its end, a stream cut
  // off inside the compressed data.
  std::string error;
  bool ok = true;
  writeGzip(dir.file("h.csv.gz"), kRows);
  readAll(dir.file("h.csv.gz"), error, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, dir.file("h.csv.gz") + ":1: not the Tycho-2 star list header");
  readAll(dir.file("none.csv.gz"), error, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, dir.file("none.csv.gz") + ": cannot be opened");
  std::string text = std::string(kHeader) + kRows;
  text.pop_back();
  writeGzip(dir.file("c.csv.gz"), text);
  readAll(dir.file("c.csv.gz"), error, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, dir.file("c.csv.gz") + ":5: last line cut short");
  std::string big(kHeader);
  for (int k = 0; k < 3000; ++k) big += kRows;
  writeGzip(dir.file("big.csv.gz"), big);
  std::ifstream whole(dir.file("big.csv.gz"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
  std::ofstream(dir.file("cut.csv.gz"), std::ios::binary).write(bytes.data(), bytes.size() / 2);
  const auto rows = readAll(dir.file("cut.csv.gz"), error, &ok);
  EXPECT_FALSE(ok);
  EXPECT_LT(rows.size(), 12000u);
}

// A list of two stars of the star file (one with HIP 32349), a Tycho star
// of the list (with an HD number) and a guide star.
const char* kList =
    "# tessaly-stars 1\n"
    "S\t2\t1\t101.2871667\t-16.7161111\t2.637\t-546.00\t-1223.10\t-1.44\t-1.43\tA0\t"
    "alpha CMa|HIP 32349\tSirius\t-\t-\n"
    "S\t2\t1\t30.0000100\t40.0000000\t50.0\t-\t-\t10.90\t-\t-\t-\t-\t-\t-\n"
    "S\t6\t1\t1.1256000\t2.2674000\t-\t-\t-\t8.40\t-\t-\tHD 1234\t-\t-\t-\n"
    "S\t3\t1\t200.0\t10.0\t-\t-\t-\t9.90\t-\t-\tHIP 65000\t-\t-\t-\n"
    "E\t4\n";

TEST(TychoStars, EachStarIsOneObjectAcrossTheFiles) {
  TempDir dir;
  writeGzip(dir.file("t.csv.gz"),
            std::string(kHeader) + kRows +
                "TYC 5000-1-1,,250.0000000,-30.0000000,5.0,-5.0,9.876,0.500,MJ\n");
  catalogues::StarCounts counts;
  std::string error;
  ASSERT_TRUE(catalogues::buildStarCatalogues(kList, "list", dir.file("t.csv.gz"),
                                              dir.path().string(), counts, error))
      << error;
  const catalogues::TychoReport& r = counts.tychoReport;
  int rows = 0, byHip = 0, byPlace = 0, merged = 0, written = 0;
  for (int k = 0; k < catalogues::kTychoBins; ++k) {
    rows += r.rows[k];
    byHip += r.byHip[k];
    byPlace += r.byPlace[k];
    merged += r.merged[k];
    written += r.written[k];
  }
  EXPECT_EQ(rows, 5);
  EXPECT_EQ(byHip, 1);    // Sirius by HIP 32349
  EXPECT_EQ(byPlace, 1);  // TYC 2237-556-1 0.03" from the star file's star
  EXPECT_EQ(merged, 1);   // TYC 1-13-1 into the list's Tycho star
  EXPECT_EQ(written, 2);  // TYC 5827-1271-1 (with its HIP number) and TYC 5000-1-1
  EXPECT_EQ(counts.stars, 2);
  EXPECT_EQ(counts.tycho, 3);
  EXPECT_EQ(counts.guide, 1);

  CSkyDatabase database(dir.path().string().c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  ASSERT_NE(database.loadTychoStars("TychoStars.skydata"), nullptr);
  // Looked up by Tycho number (the stars file gives none, the Tycho file
  // answers), and by HIP number for the Tycho star that carries one.
  auto findStar = [&](std::int64_t number, std::vector<SkyObjectID>& out, int maximum) {
    const int inStars = database.findObjectsByCatalogNumber(number, kStarsFile, out, maximum);
    return inStars > 0 ? inStars
                       : database.findObjectsByCatalogNumber(number, kTychoStarsFile, out, maximum);
  };
  std::vector<SkyObjectID> found;
  ASSERT_EQ(findStar(parseStarCatalogNumber("TYC 5000-1-1"), found, 4), 1);
  EXPECT_EQ(found[0].file, kTychoStarsFile);
  CStar* star = asStar(database.getObject(&found[0]));
  ASSERT_NE(star, nullptr);
  EXPECT_FLOAT_EQ(star->getVisualMagnitude(), 9.88f);
  EXPECT_FLOAT_EQ(star->getBlueMagnitude(), 10.38f);
  EXPECT_TRUE(std::isinf(star->getStarDistance()));
  double v[3], motion[3];
  star->getCatalogVector(v);
  EXPECT_NEAR(std::atan2(v[1], v[0]) / kDeg + 360.0, 250.0, 1e-5);
  EXPECT_NEAR(std::asin(v[2]) / kDeg, -30.0, 1e-5);
  // The list's motion is mu alpha cos delta = 5 and mu delta = -5 mas/yr:
  // the unit vector moves east 5 and south 5 mas a year.
  star->getMotionVector(motion);
  const double masPerYear = M_PI / 180.0 / 3600000.0;
  const double ra = 250.0 * kDeg, dec = -30.0 * kDeg;
  const double east[3] = {-std::sin(ra), std::cos(ra), 0.0};
  const double north[3] = {-std::sin(dec) * std::cos(ra), -std::sin(dec) * std::sin(ra), std::cos(dec)};
  EXPECT_NEAR((motion[0] * east[0] + motion[1] * east[1]) / masPerYear, 5.0, 0.01);
  EXPECT_NEAR((motion[0] * north[0] + motion[1] * north[1] + motion[2] * north[2]) / masPerYear,
              -5.0, 0.01);
  found.clear();
  ASSERT_EQ(findStar(makeCatalogNumber(11, 115126), found, 4), 1);
  EXPECT_EQ(found[0].file, kTychoStarsFile);
  // The list's Tycho star keeps its HD number and gains its Tycho one.
  found.clear();
  ASSERT_EQ(findStar(parseStarCatalogNumber("TYC 1-13-1"), found, 4), 1);
  star = asStar(database.getObject(&found[0]));
  ASSERT_NE(star, nullptr);
  EXPECT_FLOAT_EQ(star->getVisualMagnitude(), 8.40f);
  std::int64_t numbers[8];
  const int count = star->getCatalogNumbers(numbers, 8);
  EXPECT_NE(std::find(numbers, numbers + count, parseStarCatalogNumber("HD 1234")), numbers + count);
  // Sirius once, in the star file.
  found.clear();
  EXPECT_EQ(findStar(parseStarCatalogNumber("TYC 5949-2777-1"), found, 4), 0);
}

// Rows under a star already written, whatever their magnitudes, are that
// star: a spurious "-2" entry 0.26" from Arcturus and another 0.5" from a
// guide star; a second component at its first's place (one star answering
// for both numbers); a row whose HIP number a Tycho star of the list
// carries. A companion at the separation the double-star list gives stays
// a star of its own, one closer than Tycho-2 resolves does not.
TEST(TychoStars, RowsUnderAStarAlreadyWrittenAreThatStar) {
  const char* list =
      "# tessaly-stars 1\n"
      "S\t2\t1\t213.9153000\t19.1824100\t11.26\t-\t-\t-0.05\t1.18\tK1\t"
      "alpha Boo|HIP 69673\tArcturus\t-\t-\n"
      "S\t2\t2\t100.0000000\t10.0000000\t40.0\t-\t-\t4.50\t-\t-\tHIP 5000\t-\t-\t0.9,45\n"
      "S\t6\t1\t50.0000000\t-60.0000000\t-\t-\t-\t8.00\t-\t-\tHD 21749|HIP 16069\t-\t-\t-\n"
      "S\t3\t1\t200.0\t10.0\t-\t-\t-\t9.90\t-\t-\tHIP 65000\t-\t-\t-\n"
      "E\t4\n";
  auto arcsec = [](double degrees, double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", degrees + seconds / 3600.0);
    return std::string(text);
  };
  const std::string rows =
      "TYC 1472-1436-2,,213.9153000," + arcsec(19.18241, 0.26) + ",,,3.490,,XJ\n" +
      "TYC 10-1145-1,,8.7635575,2.1576120,1.0,1.0,10.356,0.5,MJ\n" +
      "TYC 10-1145-2,,8.7635575,2.1576120,1.0,1.0,10.707,0.5,MJ\n" +
      "TYC 100-1-1,,100.0000000," + arcsec(10.0, 0.9) + ",,,7.000,,XJ\n" +
      "TYC 100-2-1,,100.0000000," + arcsec(10.0, -0.5) + ",,,7.000,,XJ\n" +
      "TYC 8870-1392-1,16069,50.0000000," + arcsec(-60.0, 5.0) + ",,,8.100,,XJ\n" +
      "TYC 900-3-2,,200.0000000," + arcsec(10.0, 0.5) + ",,,11.000,,XJ\n";
  TempDir dir;
  writeGzip(dir.file("t.csv.gz"), std::string(kHeader) + rows);
  catalogues::StarCounts counts;
  std::string error;
  ASSERT_TRUE(catalogues::buildStarCatalogues(list, "list", dir.file("t.csv.gz"),
                                              dir.path().string(), counts, error))
      << error;
  const catalogues::TychoReport& r = counts.tychoReport;
  int covered = 0, merged = 0, written = 0;
  for (int k = 0; k < catalogues::kTychoBins; ++k) {
    covered += r.covered[k];
    merged += r.merged[k];
    written += r.written[k];
  }
  EXPECT_EQ(covered, 4);  // beside Arcturus, the guide star, the second component, 0.5"
  EXPECT_EQ(merged, 1);   // HIP 16069
  EXPECT_EQ(written, 2);  // TYC 10-1145-1, the listed companion
  EXPECT_EQ(counts.stars, 2);
  EXPECT_EQ(counts.tycho, 3);
  EXPECT_EQ(counts.guide, 1);

  CSkyDatabase database(dir.path().string().c_str());
  ASSERT_NE(database.loadTychoStars("TychoStars.skydata"), nullptr);
  auto tychoStar = [&](const char* designation) -> CStar* {
    std::vector<SkyObjectID> found;
    if (database.findObjectsByCatalogNumber(parseStarCatalogNumber(designation), kTychoStarsFile,
                                            found, 4) != 1)
      return nullptr;
    return asStar(database.getObject(&found[0]));
  };
  EXPECT_EQ(tychoStar("TYC 1472-1436-2"), nullptr);
  EXPECT_EQ(tychoStar("TYC 100-2-1"), nullptr);
  EXPECT_EQ(tychoStar("TYC 900-3-2"), nullptr);
  ASSERT_NE(tychoStar("TYC 100-1-1"), nullptr);
  CStar* first = tychoStar("TYC 10-1145-1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(tychoStar("TYC 10-1145-2"), first);
  EXPECT_FLOAT_EQ(first->getVisualMagnitude(), 10.36f);
  CStar* hd = tychoStar("TYC 8870-1392-1");
  ASSERT_NE(hd, nullptr);
  EXPECT_EQ(hd->findCatalogNumber(11), makeCatalogNumber(11, 16069));
  std::vector<SkyObjectID> found;
  EXPECT_EQ(database.findObjectsByCatalogNumber(makeCatalogNumber(11, 16069), kTychoStarsFile,
                                                found, 4),
            1);
}

TEST(TychoStars, RowParserSurvivesFuzzing) {
  tessaly::test::FuzzOptions options;
  options.iterations = 20000;
  options.maxSize = 512;
  int accepted = 0, refused = 0;
  std::vector<tessaly::test::Bytes> seeds;
  std::string rows = kRows;
  for (std::size_t start = 0; start < rows.size();) {
    const std::size_t end = rows.find('\n', start);
    seeds.push_back(rows.substr(start, end - start));
    start = end + 1;
  }
  tessaly::test::fuzz(seeds, [&](std::string_view text) {
    catalogues::TychoRow row;
    if (catalogues::parseTychoRow(text, row)) {
      ++accepted;
      EXPECT_TRUE(row.ra >= 0.0 && row.ra < 360.0 && std::fabs(row.dec) <= 90.0);
      EXPECT_EQ(catalogOfNumber(row.number), kCatalogTycho);
    } else {
      ++refused;
    }
  }, options);
  // Nearly every mutation breaks a strictly checked row: both outcomes
  // occur, the refusals at every field.
  EXPECT_GT(accepted, 10);
  EXPECT_GT(refused, 10000);
}

}  // namespace
