#include "skydata/satellite_frequencies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fuzz.h"
#include "temp_dir.h"

namespace {

using tessaly::test::TempDir;

std::string load(TempDir& dir, const std::string& text) {
  std::string path = dir.file("SatelliteFrequencies.txt");
  tessaly::test::writeFile(path, text);
  return path;
}

std::string text(const char* field) { return field ? field : "(null)"; }

TEST(FrequencyLine, FieldsOfOneLine) {
  char line[] = "ISS;25544;145.990;437.800;;FM;NA1SS;active\n";
  SatelliteFrequency row;
  EXPECT_EQ(parseFrequencyLine(line, &row), 8);  // the line feed closes the last field
  EXPECT_EQ(text(row.name), "ISS");
  EXPECT_EQ(row.norad, 25544);
  EXPECT_EQ(text(row.uplink), "145.990");
  EXPECT_EQ(text(row.downlink), "437.800");
  EXPECT_EQ(text(row.beacon), "");
  EXPECT_EQ(text(row.mode), "FM");
  EXPECT_EQ(text(row.callSign), "NA1SS");
  EXPECT_EQ(text(row.status), "active");
  freeFrequencyRow(&row);

  char noLineEnd[] = "AO-7;7530;145.850;29.400;;SSB;AO-7;active";
  EXPECT_EQ(parseFrequencyLine(noLineEnd, &row), 8);
  EXPECT_EQ(text(row.status), "active");  // the last field is kept
  freeFrequencyRow(&row);

  char sevenFields[] = "FO-29;24278;145.900;435.800;;SSB;JO-29\n";
  EXPECT_EQ(parseFrequencyLine(sevenFields, &row), 7);
  EXPECT_EQ(text(row.callSign), "JO-29");
  EXPECT_EQ(row.status, nullptr);
  freeFrequencyRow(&row);

  char trailingBlanks[] = "X;1;a;b;c;d;e;f \t\n";
  EXPECT_EQ(parseFrequencyLine(trailingBlanks, &row), 10);  // trailing blanks add empty fields
  freeFrequencyRow(&row);

  char hugeNumber[] = "X;99999999999999999999;a;b;c;d;e;f";
  parseFrequencyLine(hugeNumber, &row);
  EXPECT_EQ(row.norad, 2147483647);
  freeFrequencyRow(&row);
}

TEST(FrequencyList, LoadSortsAndFindsEveryRowOfASatellite) {
  TempDir dir;
  std::string path = load(dir,
                          "ISS;25544;145.990;437.800;;FM;NA1SS;active\n"
                          "too;short;line\n"
                          "AO-7;7530;145.850;29.400;;SSB;AO-7;active\n"
                          "ISS;25544;;145.800;;FM;RS0ISS;active\n"
                          "FO-29;24278;145.900;435.800;;SSB;JO-29\n"
                          + std::string(300, 'x') + ";1;a;b;c;d;e;f\n"
                          "SO-50;27607;145.850;436.795;;FM;;active");
  ASSERT_EQ(loadSatelliteFrequencies(path.c_str()), 5);
  SatelliteFrequency rows[4];
  ASSERT_EQ(findSatelliteFrequencies(25544, rows, 4), 2);
  EXPECT_EQ(text(rows[0].callSign), "NA1SS");  // file order among equal numbers
  EXPECT_EQ(text(rows[1].callSign), "RS0ISS");
  EXPECT_EQ(findSatelliteFrequencies(25544, rows, 1), 1);
  EXPECT_EQ(findSatelliteFrequencies(27607, rows, 4), 1);
  EXPECT_EQ(text(rows[0].status), "active");
  EXPECT_EQ(findSatelliteFrequencies(1, rows, 4), 0);  // the over-long line made no rows
  EXPECT_EQ(findSatelliteFrequencies(99999, rows, 4), 0);
  SatelliteFrequency untouched{};
  untouched.norad = -5;
  EXPECT_EQ(findSatelliteFrequencies(7530, &untouched, 0), 0);
  EXPECT_EQ(untouched.norad, -5);

  EXPECT_EQ(loadSatelliteFrequencies(dir.file("missing").c_str()), 0);
  EXPECT_EQ(satelliteFrequencyCount(), 5);  // the old list stays
  clearSatelliteFrequencies();
  EXPECT_EQ(satelliteFrequencyCount(), 0);
}

TEST(FrequencyList, KeepsTheFirst1024Rows) {
  TempDir dir;
  std::string file;
  for (int i = 0; i < 2000; ++i) file += "SAT" + std::to_string(i) + ";" + std::to_string(2000 - i) + ";a;b;c;d;e;f\n";
  ASSERT_EQ(loadSatelliteFrequencies(load(dir, file).c_str()), kMaxSatelliteFrequencies);
  SatelliteFrequency row;
  EXPECT_EQ(findSatelliteFrequencies(2000, &row, 1), 1);
  EXPECT_EQ(findSatelliteFrequencies(2000 - 1023, &row, 1), 1);
  EXPECT_EQ(findSatelliteFrequencies(2000 - 1024, &row, 1), 0);
  clearSatelliteFrequencies();
}

TEST(FrequencyList, FuzzedFilesNeverCrash) {
  std::vector<std::string> seeds = {
      "ISS;25544;145.990;437.800;;FM;NA1SS;active\nAO-7;7530;145.850;29.400;;SSB;AO-7;active",
      "a;1;;;;;\r\n;;;;;;;;;;;;\n \t\n"};
  tessaly::test::fuzz(seeds, [](std::string_view data) {
    std::string copy(data);
    std::FILE* file = fmemopen(copy.data(), copy.size(), "r");
    if (!file) return;
    std::vector<SatelliteFrequency> rows(64);
    int count = readFrequencyRecord(file, rows.data(), 64);
    std::fclose(file);
    ASSERT_LE(count, 64);
    for (int i = 0; i < count; ++i) freeFrequencyRow(&rows[i]);
  });
}

}  // namespace
