#include "skydata/catalog_numbers.h"

#include "skydata/cluster_designations.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/designation_scan.h"
#include "skydata/star_designations.h"

namespace {

bool isDeepSkyCatalogue(int catalogue) { return catalogue >= 101 && catalogue <= 142; }

}  // namespace

void splitCatalogNumber(std::int64_t number, int* catalogue, std::int64_t* entry) {
  int c = kCatalogGaia;
  std::int64_t e = 0;
  if (number < 0) {
    // -INT64_MIN does not exist; that one number is no source id.
    e = number == INT64_MIN ? 0 : -number;
  } else {
    c = static_cast<int>(number / kCatalogFactor);
    e = number % kCatalogFactor;
  }
  if (catalogue != nullptr) *catalogue = c;
  if (entry != nullptr) *entry = e;
}

int catalogOfNumber(std::int64_t number) {
  int catalogue = 0;
  splitCatalogNumber(number, &catalogue, nullptr);
  return catalogue;
}

std::int64_t makeCatalogNumber(int catalogue, std::int64_t entry) {
  if (catalogue == kCatalogGaia) return -entry;
  return catalogue * kCatalogFactor + entry;
}

int compareCatalogNumbers(std::int64_t a, std::int64_t b) { return a < b ? -1 : a > b ? 1 : 0; }

const char* formatCatalogNumber(std::int64_t number, char* buffer, std::size_t size, int style) {
  static char shared[kSharedTextSize];
  int catalogue = 0;
  std::int64_t entry = 0;
  splitCatalogNumber(number, &catalogue, &entry);
  if (buffer == nullptr) {
    buffer = shared;
    size = sizeof shared;
  }
  if (number == 0) return writeEmpty(resolveOutput(buffer, size, shared));
  if ((catalogue >= kCatalogGaia && catalogue <= 26) || isDeepSkyCatalogue(catalogue))
    return formatStarDesignation(catalogue, entry, buffer, size, style);
  return writeText(resolveOutput(buffer, size, shared), "%lld", static_cast<long long>(entry));
}

const char* formatStarCatalogNumber(std::int64_t number, char* buffer, std::size_t size, int style) {
  static char shared[kSharedTextSize];
  int catalogue = 0;
  std::int64_t entry = 0;
  splitCatalogNumber(number, &catalogue, &entry);
  if (buffer == nullptr) {
    buffer = shared;
    size = sizeof shared;
  }
  if (catalogue == 0 || entry == 0) return writeEmpty(resolveOutput(buffer, size, shared));
  return formatStarDesignation(catalogue, entry, buffer, size, style);
}

std::int64_t parseStarCatalogNumber(const char* text) {
  std::int64_t number = 0;
  if (parseStarDesignation(text, 0, &number, 1) == 1) return number;
  number = parseDeepSkyCatalogNumber(text);
  if (number != 0) return number;
  long long value = 0;
  if (text == nullptr || !scanInteger(text, value)) return 0;
  return value;
}

std::int64_t parseStarCatalogNumberIn(const char* text, int objectType) {
  std::int64_t number = 0;
  return parseStarDesignation(text, objectType, &number, 1) == 1 ? number : 0;
}

std::int64_t bayerNumberBase(std::int64_t number) {
  return catalogOfNumber(number) == kCatalogBayer ? number - number % 100 : number;
}

std::int64_t tychoToGSCNumber(std::int64_t number) {
  if (catalogOfNumber(number) != kCatalogTycho) return number;
  return number - number % 10 + (kCatalogGSC - kCatalogTycho) * kCatalogFactor;
}

bool catalogNumbersMatch(std::int64_t a, std::int64_t b) {
  if (a == b) return true;
  int ca = catalogOfNumber(a), cb = catalogOfNumber(b);
  if ((ca == kCatalogTycho || ca == kCatalogGSC) && (cb == kCatalogTycho || cb == kCatalogGSC))
    return tychoToGSCNumber(a) == tychoToGSCNumber(b);
  if (ca != cb) return false;
  switch (ca) {
    case kCatalogDiscoverer:
    case kCatalogCluster: return sameClusterObject(a, b) || sameClusterObject(b, a);
    case kCatalogClusterNebula: return sameClusterNebulaObject(a, b) || sameClusterNebulaObject(b, a);
    case kCatalogBayer: return bayerNumberBase(a) == bayerNumberBase(b) && (a % 100 == 0 || b % 100 == 0);
    case kCatalogBD: return a / 10 == b / 10;
    case kCatalogNGC:
    case kCatalogIC: return normalizeDeepSkyNumber(a) == normalizeDeepSkyNumber(b);
    default: return false;
  }
}
