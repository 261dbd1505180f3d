// The JPL ephemeris reader on files the test writes from the layout's
// description (tests/mechanics/jpl_test_file.h): known polynomials in both
// byte orders and at a base offset, the boundaries of records and of the
// file, the Earth-Moon pairs, DE 430's extra entries, every error code, and
// a fuzzing run over headers and records.
#include "mechanics/jpl_ephemeris.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/mechanics/jpl_test_file.h"
#include "tests/mechanics/memory_file.h"
#include "tests/support/fuzz.h"
#include "tests/support/temp_dir.h"

namespace {

using jpl_test::FileSpec;

// Coefficients that differ by entry, component, record, sub-interval and
// order, falling off like a real series.
double coefficient(int entry, int component, int record, int sub, int k) {
  const double base = 1e5 * (entry + 1) + 1e4 * component + 1e3 * record + 1e2 * sub;
  return (k == 0 ? base : base * std::sin(1.0 + entry + 3.0 * component + 7.0 * record + sub + k)) /
         std::pow(3.0, k);
}

std::vector<double> coefficients(int entry, int component, int record, int sub, int count) {
  std::vector<double> a;
  for (int k = 0; k < count; ++k) a.push_back(coefficient(entry, component, record, sub, k));
  return a;
}

// A DE405-like layout: every entry of the 13 of DE 405.
FileSpec smallSpec(int deNumber = 405) {
  FileSpec spec;
  spec.deNumber = deNumber;
  spec.names = {"DENUM ", "AU    ", "EMRAT ", "CLIGHT"};
  spec.values = {static_cast<double>(deNumber), 149597870.691, 81.30056, 299792.458};
  // Counts as in DE 405 (the header record must hold the header's 2,856
  // bytes and more).
  const int counts[15][2] = {{14, 4}, {10, 2}, {13, 2}, {11, 1}, {8, 1}, {7, 1}, {6, 1}, {6, 1},
                             {6, 1}, {13, 8}, {11, 2}, {10, 4}, {10, 4},
                             {deNumber >= 430 ? 3 : 0, 1}, {deNumber >= 430 ? 5 : 0, 2}};
  jpl_test::layOut(spec, counts);
  spec.coefficient = coefficient;
  return spec;
}

// An ephemeris file on disk, opened.
struct OpenFile {
  explicit OpenFile(const std::string& bytes, std::int64_t base = 0, std::int64_t length = -1) {
    path = dir.file("test.eph");
    tessaly::test::writeFile(path, bytes);
    stream = std::fopen(path.c_str(), "rb");
    ephemeris = openJPLEphemeris(stream, base,
                                 length >= 0 ? length : static_cast<std::int64_t>(bytes.size()) - base,
                                 names, 8, values, 8);
    if (ephemeris == nullptr && stream != nullptr) std::fclose(stream);
  }
  ~OpenFile() { closeJPLEphemeris(ephemeris); }
  tessaly::test::TempDir dir;
  std::string path;
  std::FILE* stream = nullptr;
  JPLEphemeris* ephemeris = nullptr;
  char names[8 * 6] = {};
  double values[8] = {};
};

// The entry's value and rate by the independent Chebyshev sum, and the
// sizes of their terms (`scale`, when given).
void expected(const FileSpec& spec, int entry, double t, double out[], bool atEndOfPrevious = false,
              double scale[] = nullptr) {
  const std::int32_t* p = spec.pointers[entry];
  double position = (t - spec.firstJD) / spec.span;
  int record = static_cast<int>(std::floor(position));
  if (atEndOfPrevious) --record;
  const double fraction = position - record;
  int sub = static_cast<int>(std::floor(fraction * p[2]));
  if (sub >= p[2]) sub = p[2] - 1;
  const double x = 2 * (fraction * p[2] - sub) - 1;
  const int n = jpl_test::components(entry);
  for (int c = 0; c < n; ++c) {
    const std::vector<double> a = coefficients(entry, c, record, sub, p[1]);
    double size[2];
    out[c] = jpl_test::chebyshev(a, x, &size[0]);
    out[n + c] = jpl_test::chebyshevRate(a, x, &size[1]) * 2.0 * p[2] / spec.span;
    if (scale != nullptr) {
      scale[c] = size[0];
      scale[n + c] = size[1] * 2.0 * p[2] / spec.span;
    }
  }
}

// Within 1e-14 of the size of the terms summed (or of the value).
void expectClose(double ours, double theirs, const char* what, double scale = 0) {
  EXPECT_NEAR(ours, theirs, 1e-14 * std::max({1e-300, std::fabs(theirs), scale})) << what;
}

TEST(JPLEphemeris, ReadsEveryEntryInEitherByteOrderAtAnOffset) {
  for (bool swapped : {false, true}) {
    FileSpec spec = smallSpec();
    spec.otherByteOrder = swapped;
    spec.prefix = std::string(1000, 'x');
    OpenFile file(jpl_test::writeFile(spec), 1000);
    ASSERT_NE(file.ephemeris, nullptr) << jplLastError();
    EXPECT_EQ(file.ephemeris->swapBytes, swapped ? 1 : 0);
    EXPECT_EQ(file.ephemeris->deNumber, 405);
    EXPECT_EQ(jplHeaderValue(file.ephemeris, 0), spec.firstJD);
    EXPECT_EQ(jplHeaderValue(file.ephemeris, 8), spec.firstJD + 4 * spec.span);
    EXPECT_EQ(jplHeaderValue(file.ephemeris, 16), spec.span);
    EXPECT_EQ(jplHeaderValue(file.ephemeris, 28), spec.auKm);
    EXPECT_EQ(jplHeaderValue(file.ephemeris, 36), spec.earthMoonRatio);
    EXPECT_EQ(jplHeaderValue(file.ephemeris, 4), -1.0);
    EXPECT_EQ(std::string(file.names, 6), "DENUM ");
    EXPECT_EQ(std::string(file.names + 6, 6), "AU    ");
    EXPECT_EQ(file.values[2], 81.30056);
    int checked = 0;
    for (double t = spec.firstJD + 0.37; t < spec.firstJD + 4 * spec.span; t += 3.71) {
      for (int entry = 0; entry < 13; ++entry) {
        double ours[6], theirs[6], scale[6];
        const int n = jpl_test::components(entry);
        ASSERT_EQ(jplInterpolate(file.ephemeris, entry, n, t, ours, true), 0);
        expected(spec, entry, t, theirs, false, scale);
        for (int k = 0; k < 2 * n; ++k) expectClose(ours[k], theirs[k], "entry", scale[k]);
        ++checked;
      }
    }
    EXPECT_GT(checked, 300);
  }
}

// Bodies in AU from km; the Earth and Moon from the Earth-Moon barycentre
// and the geocentric Moon.
TEST(JPLEphemeris, BodiesAndTheEarthMoonPairs) {
  FileSpec spec = smallSpec();
  OpenFile file(jpl_test::writeFile(spec));
  ASSERT_NE(file.ephemeris, nullptr);
  const double t = spec.firstJD + 40.3, au = spec.auKm, mu = 1 / (1 + spec.earthMoonRatio);
  double emb[6], moon[6], sun[6], mars[6];
  expected(spec, 2, t, emb);
  expected(spec, 9, t, moon);
  expected(spec, 10, t, sun);
  expected(spec, 3, t, mars);
  double out[6];
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLMoon, kJPLEarth, out, true, t), 0);
  for (int k = 0; k < 6; ++k) expectClose(out[k], moon[k] / au, "moon about earth");
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLEarth, kJPLMoon, out, true, t), 0);
  for (int k = 0; k < 6; ++k) expectClose(out[k], -moon[k] / au, "earth about moon");
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLEarth, kJPLSun, out, true, t), 0);
  for (int k = 0; k < 6; ++k) expectClose(out[k], (emb[k] - mu * moon[k] - sun[k]) / au, "earth");
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLMoon, kJPLSun, out, false, t), 0);
  for (int k = 0; k < 3; ++k)
    expectClose(out[k], (emb[k] + (1 - mu) * moon[k] - sun[k]) / au, "moon");
  EXPECT_EQ(out[3], 0.0);
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLMars, kJPLSolarSystemBarycentre, out, true, t), 0);
  for (int k = 0; k < 6; ++k) expectClose(out[k], mars[k] / au, "mars");
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLEarthMoonBarycentre, kJPLMars, out, true, t), 0);
  for (int k = 0; k < 6; ++k) expectClose(out[k], (emb[k] - mars[k]) / au, "barycentre");
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLMars, kJPLMars, out, true, t), 0);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(out[k], 0.0);
  // Nutations and librations in file units, whatever the centre.
  double nutations[4];
  expected(spec, 11, t, nutations);
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLNutations, 99, out, true, t), 0);
  for (int k = 0; k < 4; ++k) expectClose(out[k], nutations[k], "nutations");
}

// A date on a record's start is answered from the record that ends there;
// the last date is answered, anything beyond either end is not.
TEST(JPLEphemeris, RecordBoundariesAndTheEndsOfTheFile) {
  FileSpec spec = smallSpec();
  OpenFile file(jpl_test::writeFile(spec));
  ASSERT_NE(file.ephemeris, nullptr);
  double ours[6], theirs[6];
  for (int record = 1; record <= 4; ++record) {
    const double t = spec.firstJD + record * spec.span;
    ASSERT_EQ(jplInterpolate(file.ephemeris, 0, 3, t, ours, true), 0) << record;
    expected(spec, 0, t, theirs, true);
    for (int k = 0; k < 6; ++k) expectClose(ours[k], theirs[k], "record end");
  }
  ASSERT_EQ(jplInterpolate(file.ephemeris, 0, 3, spec.firstJD, ours, false), 0);
  expected(spec, 0, spec.firstJD, theirs);
  expectClose(ours[0], theirs[0], "first date");
  const double last = spec.firstJD + 4 * spec.span;
  EXPECT_EQ(jplInterpolate(file.ephemeris, 0, 3, std::nextafter(last, 1e9), ours, false),
            kJPLOutsideFile);
  EXPECT_EQ(jplInterpolate(file.ephemeris, 0, 3, std::nextafter(spec.firstJD, 0), ours, false),
            kJPLOutsideFile);
  EXPECT_EQ(jplInterpolate(file.ephemeris, 0, 3, NAN, ours, false), kJPLOutsideFile);
  EXPECT_EQ(jplBodyState(file.ephemeris, kJPLSun, kJPLEarth, ours, false, last + 1), kJPLOutsideFile);
}

TEST(JPLEphemeris, LookupErrors) {
  FileSpec spec = smallSpec();
  OpenFile file(jpl_test::writeFile(spec));
  ASSERT_NE(file.ephemeris, nullptr);
  double out[6];
  const double t = spec.firstJD + 10;
  EXPECT_EQ(jplBodyState(file.ephemeris, 0, kJPLSun, out, false, t), kJPLInvalidBody);
  EXPECT_EQ(jplBodyState(file.ephemeris, kJPLSun, 14, out, false, t), kJPLInvalidBody);
  EXPECT_EQ(jplBodyState(file.ephemeris, 18, kJPLSun, out, false, t), kJPLInvalidBody);
  // DE 405 has no TT-TDB and no mantle velocity.
  EXPECT_EQ(jplBodyState(file.ephemeris, kJPLTTMinusTDB, 0, out, false, t), kJPLQuantityMissing);
  EXPECT_EQ(jplBodyState(file.ephemeris, kJPLMantleVelocity, 0, out, false, t),
            kJPLQuantityMissing);
  EXPECT_EQ(jplBodyState(nullptr, kJPLSun, kJPLEarth, out, false, t), kJPLQuantityMissing);

  // A file cut after its header: the opening checks the length it is told,
  // so a stream that holds less than that fails at the read.
  std::string bytes = jpl_test::writeFile(spec);
  const std::int64_t fullLength = static_cast<std::int64_t>(bytes.size());
  bytes.resize(bytes.size() - 100);
  OpenFile cut(bytes, 0, fullLength);
  ASSERT_NE(cut.ephemeris, nullptr);
  EXPECT_EQ(jplBodyState(cut.ephemeris, kJPLMars, kJPLSun, out, false, spec.firstJD + 4 * spec.span - 1),
            kJPLReadFailed);
  EXPECT_EQ(jplBodyState(cut.ephemeris, kJPLMars, kJPLSun, out, false, spec.firstJD + 1), 0);
}

// DE 430 and later: more than 400 constants, the mantle and TT-TDB entries
// after the names; nutations have two components, so the chain from them
// to TT-TDB holds and TT-TDB is read.
TEST(JPLEphemeris, DE430LayoutKeepsItsExtraEntries) {
  FileSpec spec = smallSpec(431);
  for (int i = 0; i < 572; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "C%05d", i);
    spec.names.push_back(name);
  }
  spec.names.resize(572);
  OpenFile file(jpl_test::writeFile(spec));
  ASSERT_NE(file.ephemeris, nullptr) << jplLastError();
  EXPECT_EQ(file.ephemeris->constantCount, 572);
  const double t = spec.firstJD + 77.7;
  double out[6], theirs[6];
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLTTMinusTDB, 0, out, true, t), 0);
  expected(spec, 14, t, theirs);
  expectClose(out[0], theirs[0], "tt-tdb");
  expectClose(out[1], theirs[1], "tt-tdb rate");
  ASSERT_EQ(jplBodyState(file.ephemeris, kJPLMantleVelocity, 0, out, false, t), 0);
  expected(spec, 13, t, theirs);
  for (int k = 0; k < 3; ++k) expectClose(out[k], theirs[k], "mantle");

  // A broken chain (the mantle entry not where the librations end) loses
  // the two extra entries, not the rest.
  FileSpec broken = spec;
  broken.pointers[13][0] += 1;
  broken.pointers[14][0] += 1;
  OpenFile brokenFile(jpl_test::writeFile(broken));
  ASSERT_NE(brokenFile.ephemeris, nullptr) << jplLastError();
  EXPECT_EQ(jplBodyState(brokenFile.ephemeris, kJPLTTMinusTDB, 0, out, false, t),
            kJPLQuantityMissing);
}

// Exactly 400 constants declared: further six-character names are counted,
// up to the first that is not six characters long.
TEST(JPLEphemeris, FurtherNamesAfterExactly400) {
  FileSpec spec = smallSpec();
  for (int i = 0; i < 403; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "N%05d", i);
    spec.names.push_back(name);
  }
  spec.names.erase(spec.names.begin(), spec.names.begin() + 4);
  spec.declaredCount = 400;
  OpenFile file(jpl_test::writeFile(spec));
  ASSERT_NE(file.ephemeris, nullptr) << jplLastError();
  EXPECT_EQ(file.ephemeris->constantCount, 403);
  spec.names.resize(400);
  OpenFile plain(jpl_test::writeFile(spec));
  ASSERT_NE(plain.ephemeris, nullptr);
  EXPECT_EQ(plain.ephemeris->constantCount, 400);
}

int openError(const std::string& bytes, std::int64_t length = -1) {
  OpenFile file(bytes, 0, length);
  return file.ephemeris != nullptr ? 0 : jplLastError();
}

// Every refusal at opening, each with its own code.
TEST(JPLEphemeris, DamagedHeadersAreRefused) {
  const FileSpec good = smallSpec();
  const std::string bytes = jpl_test::writeFile(good);
  EXPECT_EQ(openError(bytes), 0);
  EXPECT_EQ(openJPLEphemeris(nullptr, 0, 100, nullptr, 0, nullptr, 0), nullptr);
  EXPECT_EQ(jplLastError(), kJPLNoStream);
  EXPECT_EQ(openError(bytes.substr(0, 50)), kJPLFirstBlockUnreadable);
  EXPECT_EQ(openError(bytes.substr(0, 2800)), kJPLSecondBlockUnreadable);
  auto with = [&](auto change) {
    FileSpec spec = good;
    change(spec);
    return openError(jpl_test::writeFile(spec));
  };
  EXPECT_EQ(with([](FileSpec& s) { s.earthMoonRatio = 80; }), kJPLNotDEFile);
  EXPECT_EQ(with([](FileSpec& s) { s.span = 0; }), kJPLBadSpan);
  EXPECT_EQ(with([](FileSpec& s) { s.span = -32; }), kJPLBadSpan);
  EXPECT_EQ(with([](FileSpec& s) { s.firstJD = NAN; }), kJPLBadSpan);
  EXPECT_EQ(with([](FileSpec& s) { s.auKm = 0; }), kJPLBadSpan);
  // Pointers: past the record's end, 18 coefficients, a negative count.
  EXPECT_EQ(with([](FileSpec& s) { s.pointers[4][0] = 100000; }), kJPLBadPointers);
  EXPECT_EQ(with([](FileSpec& s) { s.pointers[4][1] = 18; }), kJPLBadPointers);
  EXPECT_EQ(with([](FileSpec& s) { s.pointers[4][2] = -3; }), kJPLBadPointers);
  EXPECT_EQ(with([](FileSpec& s) { s.pointers[4][0] = 1; }), kJPLBadPointers);
  EXPECT_EQ(with([](FileSpec& s) { s.pointers[4][2] = 1000; }), kJPLBadPointers);
  // Counts: negative, beyond record 1, names beyond the header record.
  EXPECT_EQ(with([](FileSpec& s) { s.declaredCount = -5; }), kJPLBadConstantCount);
  EXPECT_EQ(with([](FileSpec& s) { s.declaredCount = 60000; }), kJPLBadConstantCount);
  // Fewer records than the span needs.
  EXPECT_EQ(openError(bytes.substr(0, bytes.size() - 8)), kJPLFileTooShort);
  // DE 430 with its extra entries beyond the file.
  FileSpec de430 = smallSpec(430);
  de430.declaredCount = 401;
  EXPECT_EQ(openError(jpl_test::writeFile(de430), 2880), kJPLExtraPointersUnreadable);
  // Values or names asked for beyond what the stream holds.
  const std::int64_t recordSize = jpl_test::recordDoubles(good) * 8;
  std::string headerOnly = bytes.substr(0, static_cast<std::size_t>(recordSize) + 4);
  EXPECT_EQ(openError(headerOnly, static_cast<std::int64_t>(bytes.size())), kJPLConstantsUnreadable);
}

// Seeded mutations of a whole small file (both byte orders), opened and
// asked for states over and beyond its span: nothing may read outside its
// buffers; damaged files are mostly refused, some still open.
TEST(JPLEphemerisFuzz, MutatedFilesNeverReadOutsideTheirBuffers) {
  std::vector<tessaly::test::Bytes> seeds;
  for (bool swapped : {false, true}) {
    FileSpec spec = smallSpec(swapped ? 431 : 405);
    spec.otherByteOrder = swapped;
    spec.records = 2;
    seeds.push_back(jpl_test::writeFile(spec));
  }
  memory_file::MemoryFile file;
  const std::string path = file.path();
  int opened = 0, refused = 0, answered = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = 3000;
  options.maxSize = 64 * 1024;
  tessaly::test::fuzz(
      seeds,
      [&](std::string_view data) {
        ASSERT_TRUE(file.write(data));
        std::FILE* stream = std::fopen(path.c_str(), "rb");
        char names[6 * 16];
        double values[16];
        JPLEphemeris* e = openJPLEphemeris(stream, 0, static_cast<std::int64_t>(data.size()),
                                           names, 16, values, 16);
        if (e == nullptr) {
          std::fclose(stream);
          ++refused;
          return;
        }
        ++opened;
        double out[6];
        for (double t = e->firstJD - 1; t <= e->lastJD + 1; t += e->span / 3 + 0.1)
          for (int target = 1; target <= 17; ++target)
            answered += jplBodyState(e, target, kJPLSun, out, true, t) == 0;
        closeJPLEphemeris(e);
      },
      options);
  std::printf("opened %d, refused %d, %d states answered\n", opened, refused, answered);
  EXPECT_GT(opened, 100);
  EXPECT_GT(refused, 300);
}

}  // namespace
