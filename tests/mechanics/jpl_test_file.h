// Writes small ephemeris files in JPL's binary layout for the reader's
// tests, from the layout's description (header record: three title lines,
// 400 six-character names, the 204-byte block at 2652 with the pointer
// table, further names from 2856, DE 430's two extra entries after them;
// then a record of constant values; then one record per interval: its
// first and last date and the coefficients). Written apart from the
// reader, in either byte order, after `prefix` bytes of something else.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace jpl_test {

struct FileSpec {
  int deNumber = 405;
  bool otherByteOrder = false;
  std::string prefix;  // bytes before the ephemeris (a bundle's other files)
  std::vector<std::string> names;  // constant names (cut or padded to 6)
  std::vector<double> values;      // constant values
  std::optional<std::int32_t> declaredCount;  // default: the number of names
  double firstJD = 2451536.5, span = 32.0;
  int records = 4;
  double auKm = 149597870.691, earthMoonRatio = 81.30056;
  // Offset (1-based doubles), coefficients per component, sub-intervals.
  std::int32_t pointers[15][3] = {};
  // Coefficient k of component c in sub-interval s of record r of an entry.
  std::function<double(int entry, int component, int record, int sub, int k)> coefficient;
};

inline int components(int entry) { return entry == 11 ? 2 : entry == 14 ? 1 : 3; }

// Lays the entries out one after another from double 3 with the given
// coefficient and sub-interval counts (0 coefficients: absent).
inline void layOut(FileSpec& spec, const int counts[15][2]) {
  int next = 3;
  for (int entry = 0; entry < 15; ++entry) {
    if (counts[entry][0] == 0) continue;
    spec.pointers[entry][0] = next;
    spec.pointers[entry][1] = counts[entry][0];
    spec.pointers[entry][2] = counts[entry][1];
    next += counts[entry][0] * counts[entry][1] * components(entry);
  }
}

inline std::int64_t recordDoubles(const FileSpec& spec) {
  std::int64_t words = 4;
  for (int entry = 0; entry < 15; ++entry)
    words += 2 * components(entry) * spec.pointers[entry][1] * spec.pointers[entry][2];
  return words / 2;
}

inline std::string writeFile(const FileSpec& spec) {
  const std::int64_t doubles = recordDoubles(spec);
  const std::size_t recordSize = static_cast<std::size_t>(doubles * 8);
  std::string header(recordSize, '\0');
  auto put = [&](std::string& block, std::size_t at, const void* data, std::size_t size) {
    std::string bytes(static_cast<const char*>(data), size);
    if (spec.otherByteOrder) bytes.assign(bytes.rbegin(), bytes.rend());
    if (at + size <= block.size()) block.replace(at, size, bytes);
  };
  auto putDouble = [&](std::string& block, std::size_t at, double v) { put(block, at, &v, 8); };
  auto putInt = [&](std::string& block, std::size_t at, std::int32_t v) { put(block, at, &v, 4); };

  char title[85];
  std::snprintf(title, sizeof title, "JPL Planetary Ephemeris DE%03d/LE%03d", spec.deNumber,
                spec.deNumber);
  header.replace(0, std::strlen(title), title);
  const std::int32_t count = spec.declaredCount.value_or(static_cast<std::int32_t>(spec.names.size()));
  for (std::size_t i = 0; i < spec.names.size(); ++i) {
    std::string name = spec.names[i];
    name.resize(6, ' ');
    const std::size_t at = i < 400 ? 252 + 6 * i : 2856 + 6 * (i - 400);
    if (at + 6 <= header.size()) header.replace(at, 6, name);
  }
  const double lastJD = spec.firstJD + spec.span * spec.records;
  putDouble(header, 2652, spec.firstJD);
  putDouble(header, 2660, lastJD);
  putDouble(header, 2668, spec.span);
  putInt(header, 2676, count);
  putDouble(header, 2680, spec.auKm);
  putDouble(header, 2688, spec.earthMoonRatio);
  for (int entry = 0; entry < 12; ++entry)
    for (int k = 0; k < 3; ++k) putInt(header, 2696 + 12 * entry + 4 * k, spec.pointers[entry][k]);
  putInt(header, 2840, spec.deNumber);
  for (int k = 0; k < 3; ++k) putInt(header, 2844 + 4 * k, spec.pointers[12][k]);
  if (spec.deNumber >= 430) {
    const std::size_t at = 2856 + 6 * static_cast<std::size_t>(count > 400 ? count - 400 : 0);
    for (int entry = 13; entry < 15; ++entry)
      for (int k = 0; k < 3; ++k)
        putInt(header, at + 12 * (entry - 13) + 4 * k, spec.pointers[entry][k]);
  }

  std::string constants(recordSize, '\0');
  for (std::size_t i = 0; i < spec.values.size(); ++i) putDouble(constants, 8 * i, spec.values[i]);

  std::string out = spec.prefix + header + constants;
  for (int r = 0; r < spec.records; ++r) {
    std::string record(recordSize, '\0');
    putDouble(record, 0, spec.firstJD + r * spec.span);
    putDouble(record, 8, spec.firstJD + (r + 1) * spec.span);
    for (int entry = 0; entry < 15; ++entry) {
      const std::int32_t* p = spec.pointers[entry];
      if (p[1] == 0) continue;
      for (int sub = 0; sub < p[2]; ++sub)
        for (int c = 0; c < components(entry); ++c)
          for (int k = 0; k < p[1]; ++k) {
            const std::size_t index =
                static_cast<std::size_t>(p[0] - 1 + (sub * components(entry) + c) * p[1] + k);
            putDouble(record, 8 * index, spec.coefficient(entry, c, r, sub, k));
          }
    }
    out += record;
  }
  return out;
}

// Independent Chebyshev sums in extended precision: T_k(x) = cos(k acos x)
// and its derivative k sin(k acos x) / sin(acos x) (k^2 and (-1)^(k+1) k^2
// at the ends). `scale` receives the sum of the terms' sizes, the measure
// of a relative error.
inline double chebyshev(const std::vector<double>& a, double x, double* scale = nullptr) {
  long double sum = 0, size = 0;
  const long double theta = std::acos(static_cast<long double>(x));
  for (std::size_t k = 0; k < a.size(); ++k) {
    const long double term = a[k] * std::cos(static_cast<long double>(k) * theta);
    sum += term;
    size += std::fabs(term);
  }
  if (scale != nullptr) *scale = static_cast<double>(size);
  return static_cast<double>(sum);
}

inline double chebyshevRate(const std::vector<double>& a, double x, double* scale = nullptr) {
  long double sum = 0, size = 0;
  const long double theta = std::acos(static_cast<long double>(x));
  for (std::size_t k = 1; k < a.size(); ++k) {
    const long double n = static_cast<long double>(k);
    const long double d = std::fabs(std::sin(theta)) < 1e-15L
                              ? n * n * (x > 0 || k % 2 == 1 ? 1.0L : -1.0L)
                              : n * std::sin(n * theta) / std::sin(theta);
    sum += a[k] * d;
    size += std::fabs(a[k]) * n * n;
  }
  if (scale != nullptr) *scale = static_cast<double>(size);
  return static_cast<double>(sum);
}

}  // namespace jpl_test
