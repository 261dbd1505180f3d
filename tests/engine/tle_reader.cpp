#include "tests/engine/tle_reader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The characters of columns [first, last] (1-based, inclusive), trimmed.
std::string field(std::string_view line, int first, int last) {
  std::string s(line.substr(first - 1, last - first + 1));
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

bool toDouble(const std::string& s, double& v) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::strchr("0123456789+-.eE", c)) return false;
  char* end = nullptr;
  v = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(v);
}

// " 12345-3" -> 0.12345e-3; "-12345-3" -> -0.12345e-3; blank -> 0.
bool impliedDecimal(const std::string& s, double& v) {
  if (s.empty()) { v = 0.0; return true; }
  std::string t = s;
  std::string sign;
  if (t[0] == '-' || t[0] == '+') { sign = t.substr(0, 1); t = t.substr(1); }
  const auto exp = t.find_last_of("+-");
  std::string mantissa = t, exponent = "0";
  if (exp != std::string::npos && exp > 0) {
    mantissa = t.substr(0, exp);
    exponent = t.substr(exp);
  }
  if (mantissa.empty() || mantissa.find_first_not_of("0123456789 ") != std::string::npos)
    return false;
  return toDouble(sign + "0." + mantissa + "e" + exponent, v);
}

}  // namespace

double twoLineEpochToJulianDate(int twoDigitYear, double dayOfYear) {
  const long y = (twoDigitYear < 57 ? 2000 : 1900) + twoDigitYear - 1;
  const long days = 365 * y + y / 4 - y / 100 + y / 400;
  return 1721425.5 + static_cast<double>(days) + dayOfYear - 1.0;
}

bool readTwoLineElements(std::string_view line1, std::string_view line2,
                         SatelliteElementSet& out) {
  if (line1.size() < 61 || line2.size() < 63) return false;
  if (line1[0] != '1' || line2[0] != '2') return false;
  out = SatelliteElementSet{};

  double catnum, year, day, ndot, nddot, bstar;
  double incl, node, ecc, argp, anomaly, revsPerDay;
  if (!toDouble(field(line1, 3, 7), catnum) || !toDouble(field(line1, 19, 20), year) ||
      !toDouble(field(line1, 21, 32), day) || !toDouble(field(line1, 34, 43), ndot) ||
      !impliedDecimal(field(line1, 45, 52), nddot) ||
      !impliedDecimal(field(line1, 54, 61), bstar))
    return false;
  const std::string eccField = field(line2, 27, 33);
  if (!toDouble(field(line2, 9, 16), incl) || !toDouble(field(line2, 18, 25), node) ||
      eccField.find_first_not_of("0123456789") != std::string::npos ||
      !toDouble("0." + eccField, ecc) || !toDouble(field(line2, 35, 42), argp) ||
      !toDouble(field(line2, 44, 51), anomaly) ||
      !toDouble(field(line2, 53, 63), revsPerDay))
    return false;
  if (year < 0 || year > 99 || year != std::floor(year) || day < 0 || day > 367)
    return false;
  if (!(ecc >= 0.0 && ecc < 1.0) || !(revsPerDay > 0.0)) return false;
  if (catnum < 0 || catnum > 99999) return false;

  const double rad = kPi / 180.0;
  const std::string name = field(line1, 3, 7);
  std::strncpy(out.name, name.c_str(), sizeof out.name - 1);
  const std::string designator = field(line1, 10, 17);
  std::strncpy(out.designator, designator.c_str(), sizeof out.designator - 1);
  out.catalogueNumber = static_cast<std::int32_t>(catnum);
  out.epoch = twoLineEpochToJulianDate(static_cast<int>(year), day);
  out.meanMotionTerms[0] = ndot;
  out.meanMotionTerms[1] = nddot;
  out.bstar = bstar;
  out.inclination = incl * rad;
  out.node = node * rad;
  out.eccentricity = ecc;
  out.argumentOfPerigee = argp * rad;
  out.meanAnomaly = anomaly * rad;
  out.meanMotion = revsPerDay * 2.0 * kPi / 1440.0;
  return true;
}
