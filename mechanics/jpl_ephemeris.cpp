#include "mechanics/jpl_ephemeris.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <utility>

namespace {

// Header layout (bytes from the base offset).
constexpr std::int64_t kTitleSize = 84;
constexpr std::int64_t kNamesAt = 252;
constexpr int kNamesInHeader = 400;
constexpr int kNameSize = 6;
constexpr std::int64_t kBlockAt = 2652;
constexpr std::int64_t kBlockSize = 204;
constexpr std::int64_t kMoreNamesAt = 2856;
constexpr std::int64_t kExtraPointersSize = 24;
// The DE number of the title starts at this character of its first line.
constexpr int kTitleNumberAt = 26;
// DE 430 added the mantle's angular velocity and TT-TDB entries.
constexpr int kFirstWithExtraEntries = 430;
// Earth/Moon mass ratios of every published DE file lie in this range.
constexpr double kSmallestEarthMoonRatio = 81.30055;
constexpr double kLargestEarthMoonRatio = 81.3008;
// More constants than this are taken for a count in the other byte order.
constexpr std::uint32_t kMostConstants = 65536;
// Bounds on what a record may hold, far above any published file: they
// keep the kernel size from overflowing and a damaged header from asking
// for an absurd allocation.
constexpr int kMostSubIntervals = 64;
constexpr std::int64_t kMostDoublesPerRecord = 1 << 20;

constexpr int kNutationsEntry = 11;
constexpr int kLibrationsEntry = 12;
constexpr int kMantleEntry = 13;
constexpr int kTTMinusTDBEntry = 14;

thread_local int lastError = 0;

int componentsOf(int entry) {
  return entry == kNutationsEntry ? 2 : entry == kTTMinusTDBEntry ? 1 : 3;
}

bool present(const std::int32_t pointer[3]) { return pointer[0] > 0 && pointer[1] > 0; }

void clearEntry(std::int32_t pointer[3]) {
  pointer[0] = -1;
  pointer[1] = pointer[2] = 0;
}

void reverseBytes(void* data, std::size_t size) {
  auto* bytes = static_cast<unsigned char*>(data);
  for (std::size_t i = 0; i < size / 2; ++i) std::swap(bytes[i], bytes[size - 1 - i]);
}

// Reads `size` bytes at `at` from the base; false when short.
bool readAt(std::FILE* stream, std::int64_t base, std::int64_t at, void* out, std::size_t size) {
  if (fseeko(stream, static_cast<off_t>(base + at), SEEK_SET) != 0) return false;
  return std::fread(out, 1, size, stream) == size;
}

double readDouble(const unsigned char* block, std::size_t at, bool swap) {
  double value;
  std::memcpy(&value, block + at, sizeof value);
  if (swap) reverseBytes(&value, sizeof value);
  return value;
}

std::int32_t readInt32(const unsigned char* block, std::size_t at, bool swap) {
  std::int32_t value;
  std::memcpy(&value, block + at, sizeof value);
  if (swap) reverseBytes(&value, sizeof value);
  return value;
}

// The header as read, before anything is allocated.
struct Header {
  double firstJD, lastJD, span, auKm, earthMoonRatio;
  std::int64_t constantCount;
  std::int32_t pointers[kJPLEntries][3];
  int deNumber;
  bool swap;
};

int failOpen(int error) {
  lastError = error;
  return error;
}

// The DE number at character 26 of the first title line, or -1.
int titleNumber(const char* title) {
  int number = 0, digits = 0;
  for (int i = kTitleNumberAt; i < kTitleSize && title[i] >= '0' && title[i] <= '9'; ++i) {
    if (digits++ < 6) number = number * 10 + (title[i] - '0');
  }
  return digits > 0 ? number : -1;
}

// Where each present entry ends (one past its last coefficient, 1-based).
std::int64_t entryEnd(const std::int32_t pointer[3], int components) {
  return static_cast<std::int64_t>(pointer[0]) +
         static_cast<std::int64_t>(pointer[1]) * pointer[2] * components;
}

// Links the entries after the nutations into one chain: each present one
// starts where the present one before it ends. A break loses the two
// entries DE 430 added.
void checkChain(std::int32_t pointers[kJPLEntries][3]) {
  std::int64_t end = present(pointers[kNutationsEntry])
                         ? entryEnd(pointers[kNutationsEntry], componentsOf(kNutationsEntry))
                         : -1;
  for (int entry = kLibrationsEntry; entry <= kTTMinusTDBEntry; ++entry) {
    if (!present(pointers[entry])) continue;
    if (end >= 0 && pointers[entry][0] != end) {
      clearEntry(pointers[kMantleEntry]);
      clearEntry(pointers[kTTMinusTDBEntry]);
      return;
    }
    end = entryEnd(pointers[entry], componentsOf(entry));
  }
}

// Marks entries without coefficients absent; false when a present one
// lies outside the reader's limits.
bool checkEntries(std::int32_t pointers[kJPLEntries][3]) {
  for (int entry = 0; entry < kJPLEntries; ++entry) {
    std::int32_t* p = pointers[entry];
    if (p[1] == 0 || p[2] == 0) {
      clearEntry(p);
      continue;
    }
    if (p[0] < 3 || p[1] < 1 || p[1] >= kJPLMaxCoefficients || p[2] < 1 ||
        p[2] > kMostSubIntervals)
      return false;
  }
  return true;
}

// The kernel size in 32-bit words: the two dates and every present entry.
std::int64_t kernelWords(const std::int32_t pointers[kJPLEntries][3]) {
  std::int64_t words = 4;
  for (int entry = 0; entry < kJPLEntries; ++entry)
    if (present(pointers[entry]))
      words += static_cast<std::int64_t>(2) * componentsOf(entry) * pointers[entry][1] *
               pointers[entry][2];
  return words;
}

}  // namespace

void reverseDoubleBytes(double* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) reverseBytes(&values[i], sizeof values[i]);
}

int jplLastError() { return lastError; }

JPLEphemeris* openJPLEphemeris(std::FILE* stream, std::int64_t base, std::int64_t length,
                               char* names, int nameCapacity, double* values,
                               int valueCapacity) {
  lastError = 0;
  if (stream == nullptr || base < 0 || length < 0) {
    failOpen(kJPLNoStream);
    return nullptr;
  }
  if (fseeko(stream, static_cast<off_t>(base), SEEK_SET) != 0) {
    failOpen(kJPLHeaderSeekFailed);
    return nullptr;
  }
  char title[kTitleSize];
  if (length < kTitleSize || std::fread(title, 1, sizeof title, stream) != sizeof title) {
    failOpen(kJPLFirstBlockUnreadable);
    return nullptr;
  }
  unsigned char block[kBlockSize];
  if (length < kBlockAt + kBlockSize || !readAt(stream, base, kBlockAt, block, sizeof block)) {
    failOpen(kJPLSecondBlockUnreadable);
    return nullptr;
  }

  Header h{};
  const std::uint32_t rawCount = static_cast<std::uint32_t>(readInt32(block, 24, false));
  h.swap = rawCount > kMostConstants;
  h.firstJD = readDouble(block, 0, h.swap);
  h.lastJD = readDouble(block, 8, h.swap);
  h.span = readDouble(block, 16, h.swap);
  h.constantCount = readInt32(block, 24, h.swap);
  h.auKm = readDouble(block, 28, h.swap);
  h.earthMoonRatio = readDouble(block, 36, h.swap);
  for (int entry = 0; entry < 12; ++entry)
    for (int k = 0; k < 3; ++k) h.pointers[entry][k] = readInt32(block, 44 + 12 * entry + 4 * k, h.swap);
  const int headerNumber = readInt32(block, 188, h.swap);
  for (int k = 0; k < 3; ++k) h.pointers[kLibrationsEntry][k] = readInt32(block, 192 + 4 * k, h.swap);
  clearEntry(h.pointers[kMantleEntry]);
  clearEntry(h.pointers[kTTMinusTDBEntry]);
  h.deNumber = titleNumber(title);
  if (h.deNumber < 0) h.deNumber = headerNumber;

  if (h.constantCount < 0 || h.constantCount > static_cast<std::int64_t>(kMostConstants)) {
    failOpen(kJPLBadConstantCount);
    return nullptr;
  }
  if (!(h.earthMoonRatio >= kSmallestEarthMoonRatio && h.earthMoonRatio <= kLargestEarthMoonRatio)) {
    failOpen(kJPLNotDEFile);
    return nullptr;
  }
  if (!std::isfinite(h.firstJD) || !std::isfinite(h.lastJD) || !(h.span > 0) ||
      !std::isfinite(h.span) || !(h.lastJD > h.firstJD) || !(h.auKm > 0) ||
      !std::isfinite(h.auKm)) {
    failOpen(kJPLBadSpan);
    return nullptr;
  }

  // The two entries DE 430 added follow the names of the constants beyond
  // the first 400.
  const std::int64_t extraNames = std::max<std::int64_t>(0, h.constantCount - kNamesInHeader);
  const std::int64_t extraPointersAt = kMoreNamesAt + extraNames * kNameSize;
  if (h.deNumber >= kFirstWithExtraEntries && h.constantCount != kNamesInHeader) {
    unsigned char extra[kExtraPointersSize];
    if (length < extraPointersAt + kExtraPointersSize ||
        !readAt(stream, base, extraPointersAt, extra, sizeof extra)) {
      failOpen(kJPLExtraPointersUnreadable);
      return nullptr;
    }
    for (int k = 0; k < 3; ++k) {
      h.pointers[kMantleEntry][k] = readInt32(extra, 4 * k, h.swap);
      h.pointers[kTTMinusTDBEntry][k] = readInt32(extra, 12 + 4 * k, h.swap);
    }
  }

  if (!checkEntries(h.pointers)) {
    failOpen(kJPLBadPointers);
    return nullptr;
  }
  checkChain(h.pointers);
  const std::int64_t words = kernelWords(h.pointers);
  if (words / 2 > kMostDoublesPerRecord) {
    failOpen(kJPLBadPointers);
    return nullptr;
  }
  const std::int64_t doublesPerRecord = words / 2;
  const std::int64_t recordSize = words * 4;
  for (int entry = 0; entry < kJPLEntries; ++entry) {
    if (present(h.pointers[entry]) &&
        entryEnd(h.pointers[entry], componentsOf(entry)) - 1 > doublesPerRecord) {
      failOpen(kJPLBadPointers);
      return nullptr;
    }
  }

  // The header record holds the names beyond the 400th and the extra
  // entries; the constants record holds one value per constant.
  std::int64_t moreNames = 0;
  if (h.constantCount == kNamesInHeader) {
    // Files that declare exactly 400 may carry further names: counted up to
    // the first that is not six characters long, within the header record.
    char name[kNameSize];
    while (kMoreNamesAt + (moreNames + 1) * kNameSize <= recordSize &&
           readAt(stream, base, kMoreNamesAt + moreNames * kNameSize, name, sizeof name) &&
           std::memchr(name, '\0', sizeof name) == nullptr)
      ++moreNames;
  }
  const std::int64_t constants = h.constantCount + moreNames;
  const std::int64_t headerNeeds =
      h.deNumber >= kFirstWithExtraEntries && h.constantCount != kNamesInHeader
          ? extraPointersAt + kExtraPointersSize
          : kMoreNamesAt + std::max<std::int64_t>(0, constants - kNamesInHeader) * kNameSize;
  if (headerNeeds > recordSize || constants > doublesPerRecord) {
    failOpen(kJPLBadConstantCount);
    return nullptr;
  }
  const double records = std::floor((h.lastJD - h.firstJD) / h.span + 0.5);
  if (!(records >= 1) || records > 1e9 ||
      static_cast<double>(length) < (records + 2) * static_cast<double>(recordSize)) {
    failOpen(kJPLFileTooShort);
    return nullptr;
  }

  void* memory = std::calloc(1, sizeof(JPLEphemeris) + static_cast<std::size_t>(recordSize));
  if (memory == nullptr) {
    failOpen(kJPLOutOfMemory);
    return nullptr;
  }
  auto* e = new (memory) JPLEphemeris{};
  e->record = reinterpret_cast<double*>(static_cast<unsigned char*>(memory) + sizeof(JPLEphemeris));
  e->firstJD = h.firstJD;
  e->lastJD = h.lastJD;
  e->span = h.span;
  e->constantCount = static_cast<std::int32_t>(constants);
  e->auKm = h.auKm;
  e->earthMoonRatio = h.earthMoonRatio;
  std::memcpy(e->pointers, h.pointers, sizeof e->pointers);
  e->deNumber = h.deNumber;
  e->kernelSize = static_cast<std::int32_t>(words);
  e->recordSize = static_cast<std::int32_t>(recordSize);
  e->doublesPerRecord = static_cast<std::int32_t>(doublesPerRecord);
  e->swapBytes = h.swap ? 1 : 0;
  e->recordCount = static_cast<std::int64_t>(records);
  e->cachedRecord = -1;
  e->positionPolynomials[0] = e->velocityPolynomials[1] = 1;
  e->positionArgument = e->velocityArgument = 2;  // no argument yet
  e->baseOffset = base;
  e->stream = stream;

  if (values != nullptr && valueCapacity > 0) {
    const std::int64_t n = std::min<std::int64_t>(constants, valueCapacity);
    if (!readAt(stream, base, recordSize, values, static_cast<std::size_t>(n) * sizeof(double))) {
      std::free(memory);
      failOpen(kJPLConstantsUnreadable);
      return nullptr;
    }
    if (e->swapBytes) reverseDoubleBytes(values, static_cast<std::size_t>(n));
  }
  if (names != nullptr && nameCapacity > 0) {
    const std::int64_t n = std::min<std::int64_t>(constants, nameCapacity);
    const std::int64_t first = std::min<std::int64_t>(n, kNamesInHeader);
    if (!readAt(stream, base, kNamesAt, names, static_cast<std::size_t>(first) * kNameSize) ||
        (n > first && !readAt(stream, base, kMoreNamesAt, names + first * kNameSize,
                              static_cast<std::size_t>(n - first) * kNameSize))) {
      std::free(memory);
      failOpen(kJPLNamesUnreadable);
      return nullptr;
    }
  }
  return e;
}

double jplHeaderValue(const JPLEphemeris* e, int code) {
  if (e == nullptr) return -1.0;
  switch (code) {
    case 0: return e->firstJD;
    case 8: return e->lastJD;
    case 16: return e->span;
    case 28: return e->auKm;
    case 36: return e->earthMoonRatio;
    default: return -1.0;
  }
}

void closeJPLEphemeris(JPLEphemeris* e) {
  if (e == nullptr) return;
  if (e->stream != nullptr) std::fclose(e->stream);
  e->~JPLEphemeris();
  std::free(e);
}

void interp(JPLEphemeris* e, const double* coefficients, int count, int components, double tc,
            double rateFactor, double out[], bool withVelocity) {
  double* t = e->positionPolynomials;
  if (tc != e->positionArgument) {
    e->positionArgument = tc;
    e->positionTerms = 2;
    t[0] = 1;
    t[1] = tc;
  }
  for (int k = e->positionTerms; k < count; ++k) t[k] = 2 * tc * t[k - 1] - t[k - 2];
  if (count > e->positionTerms) e->positionTerms = count;
  // Three components' sums side by side: independent chains of additions.
  const double* ax = coefficients;
  const double* ay = coefficients + count;
  const double* az = coefficients + 2 * count;
  if (components == 3) {
    double x = 0, y = 0, z = 0;
    for (int k = count - 1; k >= 0; --k) {
      x += ax[k] * t[k];
      y += ay[k] * t[k];
      z += az[k] * t[k];
    }
    out[0] = x;
    out[1] = y;
    out[2] = z;
  } else {
    for (int c = 0; c < components; ++c) {
      double sum = 0;
      for (int k = count - 1; k >= 0; --k) sum += coefficients[c * count + k] * t[k];
      out[c] = sum;
    }
  }
  if (!withVelocity) return;
  // Derivatives: V_0 = 0, V_1 = 1, V_k = 2 tc V_(k-1) + 2 T_(k-1) - V_(k-2).
  double* v = e->velocityPolynomials;
  if (tc != e->velocityArgument) {
    e->velocityArgument = tc;
    e->velocityTerms = 3;
    v[0] = 0;
    v[1] = 1;
    v[2] = 4 * tc;
  }
  for (int k = e->velocityTerms; k < count; ++k) v[k] = 2 * tc * v[k - 1] + 2 * t[k - 1] - v[k - 2];
  if (count > e->velocityTerms) e->velocityTerms = count;
  if (components == 3) {
    double x = 0, y = 0, z = 0;
    for (int k = count - 1; k >= 1; --k) {
      x += ax[k] * v[k];
      y += ay[k] * v[k];
      z += az[k] * v[k];
    }
    out[3] = x * rateFactor;
    out[4] = y * rateFactor;
    out[5] = z * rateFactor;
  } else {
    for (int c = 0; c < components; ++c) {
      double sum = 0;
      for (int k = count - 1; k >= 1; --k) sum += coefficients[c * count + k] * v[k];
      out[components + c] = sum * rateFactor;
    }
  }
}

int jplInterpolate(JPLEphemeris* e, int entry, int components, double t, double out[],
                   bool withVelocity) {
  if (entry < 0 || entry >= kJPLEntries || !present(e->pointers[entry])) return kJPLQuantityMissing;
  if (!(t >= e->firstJD && t <= e->lastJD)) return kJPLOutsideFile;
  std::int64_t number = static_cast<std::int64_t>(std::floor((t - e->firstJD) / e->span));
  // A date on a boundary belongs to the record that ends there.
  if (number > 0 && t == e->firstJD + static_cast<double>(number) * e->span) --number;
  if (number >= e->recordCount) number = e->recordCount - 1;
  if (number != e->cachedRecord) {
    e->cachedRecord = -1;
    if (fseeko(e->stream, static_cast<off_t>(e->baseOffset + (number + 2) * e->recordSize),
               SEEK_SET) != 0)
      return kJPLSeekFailed;
    if (std::fread(e->record, 1, static_cast<std::size_t>(e->recordSize), e->stream) !=
        static_cast<std::size_t>(e->recordSize))
      return kJPLReadFailed;
    if (e->swapBytes) reverseDoubleBytes(e->record, static_cast<std::size_t>(e->doublesPerRecord));
    e->cachedRecord = number;
  }
  const double fraction = (t - (e->firstJD + static_cast<double>(number) * e->span)) / e->span;
  const std::int32_t* p = e->pointers[entry];
  const int count = p[1], subIntervals = p[2];
  int sub = static_cast<int>(std::floor(fraction * subIntervals));
  if (sub >= subIntervals) sub = subIntervals - 1;
  if (sub < 0) sub = 0;
  const double tc = 2 * (fraction * subIntervals - sub) - 1;
  if (!(tc >= -1 && tc <= 1)) return kJPLBeyondLimits;
  const double* coefficients = e->record + (p[0] - 1) + sub * count * components;
  interp(e, coefficients, count, components, tc, 2.0 * subIntervals / e->span, out, withVelocity);
  return 0;
}

int jplBodyState(JPLEphemeris* e, int target, int centre, double out[6], bool withVelocity,
                 double tdb) {
  const int values = withVelocity ? 6 : 3;
  for (int k = 0; k < 6; ++k) out[k] = 0;
  if (e == nullptr) return kJPLQuantityMissing;
  if (target == centre) return 0;
  if (target >= kJPLNutations && target <= kJPLTTMinusTDB) {
    const int entry = target - kJPLNutations + kNutationsEntry;
    if (!present(e->pointers[entry])) return kJPLQuantityMissing;
    return jplInterpolate(e, entry, componentsOf(entry), tdb, out, withVelocity);
  }
  if (target < 1 || target > 13 || centre < 1 || centre > 13) return kJPLInvalidBody;

  // States of the bodies the pair needs, by body number.
  double state[14][6];
  for (double& v : state[kJPLSolarSystemBarycentre]) v = 0;
  bool needed[14] = {};
  for (int body : {target, centre}) {
    needed[body] = true;
    if (body == kJPLEarth) needed[kJPLEarthMoonBarycentre] = needed[kJPLMoon] = true;
    if (body == kJPLMoon) needed[kJPLEarthMoonBarycentre] = needed[kJPLMoon] = true;
  }
  const double scale = 1 / e->auKm;
  for (int body = 1; body <= 13; ++body) {
    if (!needed[body] || body == kJPLSolarSystemBarycentre || body == kJPLEarth) continue;
    // Mercury..Pluto, the geocentric Moon and the Sun have entries 0-10;
    // the Earth-Moon barycentre is entry 2.
    const int entry = body == kJPLEarthMoonBarycentre ? 2 : body - 1;
    const int error = jplInterpolate(e, entry, 3, tdb, state[body], withVelocity);
    if (error != 0) return error;
    for (int k = 0; k < values; ++k) state[body][k] *= scale;
  }
  const bool earthMoonPair = target * centre == 30 && target + centre == 13;
  if (earthMoonPair) {
    // The geocentric Moon itself.
    const double sign = target == kJPLMoon ? 1 : -1;
    for (int k = 0; k < values; ++k) out[k] = sign * state[kJPLMoon][k];
    return 0;
  }
  if (needed[kJPLEarth] || needed[kJPLMoon]) {
    const double moonShare = 1 / (1 + e->earthMoonRatio);
    double geocentricMoon[6];
    std::memcpy(geocentricMoon, state[kJPLMoon], sizeof geocentricMoon);
    for (int k = 0; k < values; ++k) {
      state[kJPLEarth][k] = state[kJPLEarthMoonBarycentre][k] - geocentricMoon[k] * moonShare;
      state[kJPLMoon][k] = state[kJPLEarth][k] + geocentricMoon[k];
    }
  }
  for (int k = 0; k < values; ++k) out[k] = state[target][k] - state[centre][k];
  return 0;
}
