// A sky for the constellation tests: Bright Star numbered stars written
// beside the fixture's solar system, constellation records of the test's
// choosing written by the project's own writer, and an image folder with
// pictures and an index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/chart/sky_fixture.h"
#include "tests/support/temp_dir.h"

namespace chart_test {

// A star with a Bright Star number at (ra, dec) degrees.
struct NumberedStar {
  int hr;
  double ra, dec;
};
// A constellation record: its number in the built-in table (its
// abbreviation and names from there), centre and angular size (degrees);
// its outline a square of that size about the centre. Type 41 makes the
// record asterism `number` (its name from the asterism table).
struct ConstellationRecord {
  int number;
  double ra, dec;
  double size;
  int type = 40;
};

// The table's number of an abbreviation ("Ori"); 0 when there is none.
int constellationNumber(const char* abbreviation);

class ConstellationSky {
 public:
  ConstellationSky(const std::vector<NumberedStar>& stars,
                   const std::vector<ConstellationRecord>& constellations);
  ChartSky& sky() { return sky_; }
  CSkyDatabase& database() { return sky_.database(); }
  // A picture of the image folder's "Constellations" folder: black, with a
  // white square of `half` pixels about each given pixel.
  void writePicture(const std::string& name, int width, int height,
                    const std::vector<std::pair<int, int>>& spots, int half);
  // The index as given, one text a line.
  std::string writeIndex(const std::vector<std::string>& lines);
  std::string imageFolder() const { return images_.path().string(); }

 private:
  ChartSky sky_;
  tessaly::test::TempDir images_;
};

}  // namespace chart_test
