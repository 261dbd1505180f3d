#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <strings.h>

#include "designation_test_support.h"
#include "skydata/catalog_numbers.h"
#include "skydata/cluster_designations.h"
#include "skydata/discoverer_designations.h"

using namespace designation_test;

namespace {

std::string format(std::int64_t number, int style) { return formatCatalogNumber(number, nullptr, 0, style); }

// What a text means for a galaxy: only the deep-sky catalogues are read.
int galaxyReadings(const char* text) {
  std::int64_t numbers[8];
  return parseDeepSkyDesignation(text, 16, numbers, 8);
}

int nebulaRow(const char* acronym) {
  for (int row = 1; row <= kNebulaCatalogRows; ++row)
    if (std::strcmp(nebulaCatalogTable[row - 1].acronym, acronym) == 0) return row;
  return 0;
}

std::int64_t nebula(const char* acronym, std::int64_t value) {
  return kCatalogClusterNebula * kCatalog + nebulaRow(acronym) * 100000 + value;
}

}  // namespace

TEST(DeepSkyDesignations, NGCAndIC) {
  std::int64_t ngc224a = 102 * kCatalog + 2241;
  EXPECT_EQ(format(102 * kCatalog + 2240, 0), "NGC 224");
  EXPECT_EQ(format(ngc224a, 0), "NGC 224A");
  EXPECT_TRUE(parsesTo("NGC 224a", ngc224a));
  EXPECT_EQ(normalizeDeepSkyNumber(ngc224a), 102 * kCatalog + 2240);
  EXPECT_EQ(normalizeDeepSkyNumber(101 * kCatalog + 31), 101 * kCatalog + 31);
  EXPECT_TRUE(parsesTo("IC 5386", 103 * kCatalog + 53860));
  EXPECT_TRUE(parseAll("IC 5387").empty());
  EXPECT_TRUE(parseAll("NGC 7841").empty());
  char ngc[16], ic[16];
  EXPECT_STREQ(formatNGCDesignation(70009, ngc, sizeof ngc), "NGC 7000I");
  EXPECT_STREQ(formatICDesignation(4340, ic, sizeof ic), "IC 434");
}

TEST(DeepSkyDesignations, MessierAndCaldwell) {
  EXPECT_EQ(parseDeepSkyCatalogNumber("M 31"), 101 * kCatalog + 31);
  EXPECT_EQ(parseDeepSkyCatalogNumber("Mes 31"), 101 * kCatalog + 31);
  EXPECT_EQ(parseDeepSkyCatalogNumber("M31"), 101 * kCatalog + 31);
  EXPECT_EQ(galaxyReadings("M 111"), 0);
  EXPECT_EQ(format(101 * kCatalog + 31, 1), "M 31");
  EXPECT_EQ(format(101 * kCatalog + 31, 0), "Messier 31");
  EXPECT_EQ(format(104 * kCatalog + 14, 0), "Caldwell 14");
  EXPECT_TRUE(parsesTo("Cald 14", 104 * kCatalog + 14));
  std::vector<std::int64_t> minkowski = parseAll("M 1-92");
  ASSERT_EQ(minkowski.size(), 1u) << "M 1-92 is no Messier object";
  EXPECT_EQ(minkowski[0], nebula("M", 1092));
  EXPECT_EQ(format(minkowski[0], 0), "Minkowski 1-92");
}

TEST(DeepSkyDesignations, ZoneAndFieldCatalogues) {
  EXPECT_EQ(format(124 * kCatalog + 1020345, 0), "MCG -2-3-45");
  EXPECT_TRUE(parsesTo("MCG -2-3-45", 124 * kCatalog + 1020345));
  EXPECT_TRUE(parsesTo("MCG 2-3-45", 124 * kCatalog + 20345));
  EXPECT_TRUE(parseAll("MCG -100-3-45").empty());
  EXPECT_EQ(format(126 * kCatalog + 1230045, 0), "ESO 123-45");
  EXPECT_EQ(format(126 * kCatalog + 1231045, 0), "ESO 123-EN45");
  const char* forms[] = {"ESO 123-45", "ESO 123 45", "ESO 123-**45", "ESO 123-EN45", "ESO 123-N45",
                         "ESO 123-*N45", "ESO 123-PN45", "ESO 123-SC45"};
  const std::int64_t ks[] = {45, 45, 45, 1045, 2045, 2045, 3045, 4045};
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(parsesTo(forms[i], 126 * kCatalog + 1230000 + ks[i])) << forms[i];
  EXPECT_TRUE(parseAll("ESO 123-1045").empty()) << "a plain number would read as an EN object";
  EXPECT_EQ(format(126 * kCatalog + 1235000, 0), "");
  EXPECT_EQ(format(125 * kCatalog + 123456, 0), "CGCG 123-456");
  EXPECT_TRUE(parsesTo("CGCG 123-456", 125 * kCatalog + 123456));
}

TEST(DeepSkyDesignations, GalacticPositionNames) {
  char text[32];
  std::int64_t png = 117 * kCatalog + 1LL * 100000 + 10000 + 172;
  EXPECT_STREQ(formatPNGDesignation(png % kCatalog, text, sizeof text), "PN G000.1+17.2");
  EXPECT_TRUE(parsesTo("PN G000.1+17.2", png));
  EXPECT_TRUE(parsesTo("PNG 000.1+17.2", png));
  for (const char* name : {"PN G359.9-90.0", "PN G123.4+05.6", "PN G000.0+00.0"}) {
    std::vector<std::int64_t> numbers = parseAll(name);
    ASSERT_EQ(numbers.size(), 1u) << name;
    EXPECT_EQ(format(numbers[0], 0), name);
  }
  EXPECT_TRUE(parseAll("PN G360.0+00.0").empty());
  EXPECT_TRUE(parseAll("PN G000.0+90.1").empty());
  std::int64_t pk = 116 * kCatalog + 164 * 10000 + 1000 + 311;
  EXPECT_STREQ(formatPKDesignation(pk % kCatalog, text, sizeof text), "PK 164+31.1");
  EXPECT_TRUE(parsesTo("PK 164+31.1", pk));
  EXPECT_TRUE(parseAll("PK 164+90.1").empty());
}

TEST(DeepSkyDesignations, SurveyNames) {
  std::int64_t sdss = 141 * kCatalog + 12345678LL * 100000000 + 10000000 + 1234567;
  char text[40];
  EXPECT_STREQ(formatSDSSDesignation(sdss % kCatalog, text, sizeof text), "SDSS 123456.78+123456.7");
  EXPECT_TRUE(parsesTo("SDSS J123456.78+123456.7", sdss));
  EXPECT_TRUE(parsesTo("SDSS 123456.78+123456.7", sdss));
  EXPECT_TRUE(parseAll("SDSS 240000.00+000000.0").empty());
  EXPECT_TRUE(parseAll("SDSS 99999999999999999999999.0+1.0").empty());
  std::int64_t twoMass = 142 * kCatalog + 12345678LL * 100000000 + 1234567;
  EXPECT_EQ(format(twoMass, 0), "2MASS 12345678-1234567");
  EXPECT_TRUE(parsesTo("2MASS J12345678-1234567", twoMass));
  std::int64_t iras = 136 * kCatalog + 16293LL * 100000 + 2422;
  EXPECT_EQ(format(iras, 0), "IRAS 16293-2422");
  EXPECT_TRUE(parsesTo("IRAS 16293-2422", iras));
  EXPECT_TRUE(parsesTo("3C 273", 135 * kCatalog + 273));
}

TEST(DeepSkyDesignations, NamedCatalogueForms) {
  struct Case { const char* text; std::int64_t number; const char* shortForm; const char* longForm; };
  const Case cases[] = {
      {"Barnard 33", 114 * kCatalog + 330, "B 33", "Barnard 33"},
      {"B 92a", 114 * kCatalog + 921, "B 92a", "Barnard 92a"},
      {"HCG 92", 131 * kCatalog + 92, "HCG 92", "Hickson 92"},
      {"Mark 205", 133 * kCatalog + 205, "Mk 205", "Markarian 205"},
      {"Velyaminov 7", 132 * kCatalog + 7, "VV 7", "VV 7"},
      {"Arake 5", 134 * kCatalog + 5, "Arak 5", "Arakelian 5"},
      {"LBN 1125", 113 * kCatalog + 1125, "LBN 1125", "LBN 1125"},
      {"LDN 1806", 115 * kCatalog + 1806, "LDN 1806", "LDN 1806"},
      {"UGCA 99998", 122 * kCatalog + 99998, "UGCA 99998", "UGCA 99998"},
      {"ESO-LV 4200", 127 * kCatalog + 4200, "ESO-LV 4200", "ESO-LV 4200"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(parsesTo(c.text, c.number)) << c.text;
    EXPECT_EQ(format(c.number, 1), c.shortForm);
    EXPECT_EQ(format(c.number, 0), c.longForm);
  }
  EXPECT_EQ(galaxyReadings("Ara 5"), 0) << "Arakelian needs five letters";
  EXPECT_EQ(galaxyReadings("LDN 1807"), 0);
  EXPECT_STREQ(formatDeepSkyCatalogNumber(101 * kCatalog + 31, nullptr, 0, 1), "M 31");
  EXPECT_STREQ(formatDeepSkyCatalogNumber(101 * kCatalog, nullptr, 0, 1), "");
}

TEST(ClusterDesignations, TableAndTellingRows) {
  for (int row = 2; row <= kClusterCatalogRows; ++row)
    EXPECT_LT(strcasecmp(clusterCatalogTable[row - 2].longName, clusterCatalogTable[row - 1].longName), 0) << row;
  struct Telling { const char* longName; const char* shortName; };
  for (Telling t : {Telling{"Berkeley", "Be"}, Telling{"Collinder", "Cr"}, Telling{"Melotte", "Mel"},
                    Telling{"Palomar", "Pal"}, Telling{"Basel", "Bas"}}) {
    bool found = false;
    for (const ClusterCatalogRow& row : clusterCatalogTable)
      found |= std::strcmp(row.longName, t.longName) == 0 && std::strcmp(row.shortName, t.shortName) == 0;
    EXPECT_TRUE(found) << t.longName;
  }
  EXPECT_STREQ(clusterCatalogTable[21].longName, "Collinder");
}

TEST(ClusterDesignations, FormatsParsesAndMatches) {
  std::int64_t cr399 = kCatalogCluster * kCatalog + 22 * 10000 + 399;
  EXPECT_EQ(format(cr399, 1), "Cr 399");
  EXPECT_EQ(format(cr399, 0), "Collinder 399");
  EXPECT_TRUE(parsesTo("Cr 399", cr399));
  EXPECT_TRUE(parsesTo("Coll 399", cr399));
  std::int64_t numbers[4];
  EXPECT_EQ(parseDeepSkyDesignation("Cr 399", 16, numbers, 4), 0) << "galaxies never read cluster catalogues";
  EXPECT_EQ(parseDeepSkyDesignation("Cr 399", 11, numbers, 4), 1);
  EXPECT_EQ(parseDeepSkyDesignation("Co 399", 11, numbers, 4), 0) << "long names need three letters";
  std::int64_t collinder = kCatalogCluster * kCatalog + 22 * 10000;
  EXPECT_TRUE(sameClusterObject(collinder, cr399));
  EXPECT_FALSE(sameClusterObject(cr399, cr399 + 1));
  EXPECT_TRUE(catalogNumbersMatch(cr399, collinder));
  EXPECT_EQ(format(collinder, 0), "");
  EXPECT_EQ(format(kCatalogCluster * kCatalog + 103 * 10000 + 1, 0), "");
  EXPECT_TRUE(parsesTo("Collinder 0", collinder));
}

TEST(ClusterDesignations, NebulaRowsWithTheirOwnRules) {
  EXPECT_STREQ(nebulaCatalogTable[1].acronym, "Al");
  EXPECT_STREQ(nebulaCatalogTable[9].acronym, "Bl");
  EXPECT_STREQ(nebulaCatalogTable[20].acronym, "Ced");
  EXPECT_STREQ(nebulaCatalogTable[125].acronym, "Te");
  struct Case { const char* text; std::int64_t number; const char* shortForm; const char* longForm; };
  const Case cases[] = {
      {"Al 2-C", nebula("Al", 2 * 27 + 3), "Al 2-C", "Allen 2-C"},
      {"Bl C", nebula("Bl", 3), "Bl C", "Blanco C"},
      {"Blanco 1-123", nebula("Bl", 1123), "Bl 1-123", "Blanco 1-123"},
      {"Ced 59a", nebula("Ced", 59 * 27 + 1), "Ced 59a", "Cederblad 59a"},
      {"Cederblad 214", nebula("Ced", 214 * 27), "Ced 214", "Cederblad 214"},
      {"Te 5", nebula("Te", 5), "Te 5", "Terzan 5"},
      {"DC 303-14", nebula("DC", 76 + 303 * 180), "DC 303-14", "DC 303-14"},
      {"SNR 120.1+1.4", nebula("SNR", 91 + 120 * 180), "SNR 120+1", "SNR 120+1"},
      {"Sh 2-155", nebula("Sh", 2155), "Sh 2-155", "Sharpless 2-155"},
      {"Gum 12", nebula("Gum", 12), "Gum 12", "Gum 12"},
      {"vdB 130", nebula("vdB", 130), "vdB 130", "van den Bergh 130"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(parsesTo(c.text, c.number)) << c.text;
    EXPECT_EQ(format(c.number, 1), c.shortForm) << c.text;
    EXPECT_EQ(format(c.number, 0), c.longForm) << c.text;
  }
  for (const char* invalid : {"Allen 3-C", "Ced 331", "Te 10000", "DC 360+0", "Sh 100-1", "Bl 0-5"})
    EXPECT_TRUE(parseAll(invalid).empty()) << invalid;
  EXPECT_TRUE(sameClusterNebulaObject(nebula("Sh", 0), nebula("Sh", 2155)));
  EXPECT_FALSE(sameClusterNebulaObject(nebula("Sh", 2155), nebula("Sh", 0)));
  EXPECT_EQ(format(nebula("Sh", 0), 0), "");
  EXPECT_EQ(format(kCatalogClusterNebula * kCatalog + 150 * 100000 + 1, 0), "");
}

TEST(DiscovererDesignations, CodesAndNames) {
  for (int row = 2; row <= discovererTableSize; ++row)
    ASSERT_LT(std::strcmp(discovererTable[row - 2].code, discovererTable[row - 1].code), 0) << row;
  std::int64_t stf = parseDiscovererNumber("STF 2272");
  ASSERT_NE(stf, 0);
  EXPECT_EQ(format(stf, 1), "STF 2272");
  EXPECT_EQ(format(stf, 0), "Struve 2272");
  EXPECT_EQ(parseDiscovererNumber("stf 2272"), stf);
  EXPECT_EQ(parseDiscovererNumber("Struve 2272"), 0) << "several discoverers are named Struve";
  std::int64_t numbers[8];
  int count = parseDiscovererDesignation("Struve 2272", numbers, 8);
  EXPECT_GE(count, 2);
  bool found = false;
  for (int i = 0; i < count; ++i) found |= numbers[i] == stf;
  EXPECT_TRUE(found);
  EXPECT_EQ(parseDiscovererNumber("STF 10000"), 0);
  EXPECT_EQ(parseDiscovererNumber("XYZW 1"), 0);
  std::int64_t allStruve = stf - 2272;
  EXPECT_TRUE(catalogNumbersMatch(allStruve, stf));
  EXPECT_EQ(format(allStruve, 1), "");
  EXPECT_EQ(formatDiscovererDesignation(99999999, nullptr, 0, 1), std::string());
}

TEST(DeepSkyDesignations, NameLists) {
  std::int64_t numbers[] = {101 * kCatalog + 31, 102 * kCatalog + 2240, 0};
  const char* names[] = {"Andromeda Galaxy"};
  char text[80];
  EXPECT_STREQ(formatDeepSkyNameList(numbers, 3, names, 1, text, sizeof text),
               "Andromeda Galaxy, Messier 31, NGC 224");
  char one[20] = "";
  EXPECT_STREQ(appendDeepSkyDesignationParts(104, 14, one, sizeof one, 1), "C 14");
}

TEST(CatalogNumbers, RoundTripOverEveryCatalogue) {
  const std::int64_t numbers[] = {
      -123456789,
      kCatalogBayer * kCatalog + 14 * 100000 + 1 * 100 + 2,
      kCatalogBayer * kCatalog + 14 * 100000 + 51 * 100,
      2 * kCatalog + 31 * 100000 + 61,
      3 * kCatalog + 52 * 100000 + 10,
      3 * kCatalog + 52 * 100000 + 9999,
      4 * kCatalog + 9110,
      5 * kCatalog + 48915,
      6 * kCatalog + 258996,
      7 * kCatalog + 10000000 + 5 * 100000 + 16682,
      8 * kCatalog + 5 * 100000 + 123,
      9 * kCatalog + 10000000 + 89 * 100000 + 99999,
      11 * kCatalog + 120416,
      12 * kCatalog + 789006,
      13 * kCatalog + 9999999,
      14 * kCatalog + 99999,
      15 * kCatalog + 9999,
      16 * kCatalog + 1002,
      17 * kCatalog + 5511,
      parseDiscovererNumber("STF 2272"),
      22 * kCatalog + 17180,
      23 * kCatalog + 2359918959,
      24 * kCatalog + 1234LL * 1000000 + 56781,
      25 * kCatalog + 1234LL * 1000000 + 56780,
      26 * kCatalog + 795LL * 1000000 + 45,
      101 * kCatalog + 31,
      102 * kCatalog + 2241,
      103 * kCatalog + 53860,
      104 * kCatalog + 14,
      kCatalogCluster * kCatalog + 22 * 10000 + 399,
      nebula("Sh", 2155),
      nebula("Al", 2 * 27 + 26),
      nebula("Bl", 26),
      nebula("Ced", 330 * 27 + 26),
      nebula("DC", 179 + 359 * 180),
      nebula("Te", 9999),
      113 * kCatalog + 1125,
      114 * kCatalog + 921,
      115 * kCatalog + 1806,
      116 * kCatalog + 359 * 10000 + 899,
      117 * kCatalog + 3599LL * 100000 + 10000 + 900,
      121 * kCatalog + 12921,
      122 * kCatalog + 99998,
      123 * kCatalog + 9999999,
      124 * kCatalog + 1999999,
      125 * kCatalog + 999999,
      126 * kCatalog + 9994999,
      127 * kCatalog + 4200,
      128 * kCatalog + 220,
      129 * kCatalog + 2151,
      131 * kCatalog + 92,
      132 * kCatalog + 7,
      133 * kCatalog + 205,
      134 * kCatalog + 5,
      135 * kCatalog + 999,
      136 * kCatalog + 23999LL * 100000 + 18999,
      141 * kCatalog + 23595999LL * 100000000 + 18595999,
      142 * kCatalog + 23595999LL * 100000000 + 8595999,
  };
  for (std::int64_t number : numbers) {
    for (int style = 0; style <= 1; ++style) {
      std::string text = format(number, style);
      ASSERT_FALSE(text.empty()) << number;
      EXPECT_TRUE(parsesTo(text, number)) << number << " -> " << text;
    }
  }
}
