// Star and deep-sky records for the information tests, written with the
// record layout's own writer (tests/skydata/star_records.h): the parts of
// each star class, and objects read from such records outside any
// catalogue.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "skydata/record_io.h"
#include "tests/skydata/star_records.h"

class CSkyObject;

namespace info_test {

inline constexpr int kMostRecord = 4096;

// One record written by `write` into a string.
template <typename Write>
std::string record(Write write) {
  std::string buffer(kMostRecord, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  write(w);
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

struct Variable {
  double maximum, minimum, period, epochJD;
  const char* type;
};
struct Pair {
  double companion, separation, angle;  // magnitude, radians, radians
  const char* components;
};
struct Orbit {
  double periastronYear, period, axis, e, i, omega, node;  // years, radians
};

// A star of type 1-7 with the parts of its class.
struct StarSpec {
  star_records::StarPart star;
  const Variable* variable = nullptr;
  const Pair* pair = nullptr;
  const Orbit* orbit = nullptr;
};

// A magnitude as the record stores it (x 100; 32767 for none).
std::int16_t storedMagnitude(double m);
std::string starRecord(const StarSpec& s);
// The star part of a record: type, one name, place (degrees), magnitudes,
// distance (parsecs) and spectral type.
star_records::StarPart part(int type, const char* name, double raDegrees, double decDegrees,
                            double visual, double blue, float distance, const char* spectrum);
// A deep-sky record: the star part and sizes (arcseconds).
std::string deepSkyRecord(const star_records::StarPart& star, int major, int minor);
// The object a record describes, read as the catalogue reads it; null
// when the record does not read.
std::unique_ptr<CSkyObject> objectFromRecord(int type, const std::string& record);

}  // namespace info_test
