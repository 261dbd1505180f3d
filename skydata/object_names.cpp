// The naming members of stars and deep-sky objects, which reach the
// designation formatters.
#include "skydata/catalog_numbers.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/deep_sky_object.h"
#include "skydata/star.h"
#include "skydata/star_designations.h"

namespace {

// The shared buffer of name getters called without one.
constexpr std::size_t kSharedNameSize = 256;

// A name list formatter of the designation library.
using NameListFormatter = char* (*)(const std::int64_t*, int, const char* const*, int, char*,
                                    std::size_t);

const char* formatNameList(const CStar& star, NameListFormatter format, char* buffer,
                           std::size_t size) {
  static char shared[kSharedNameSize];
  if (buffer == nullptr || size == 0) {
    buffer = shared;
    size = sizeof shared;
  }
  const char* names[kMaxStarNames];
  std::int64_t numbers[kMaxStarNumbers];
  const int nameCount = star.getNames(names, kMaxStarNames);
  const int count = star.getCatalogNumbers(numbers, kMaxStarNumbers);
  return format(numbers, count, names, nameCount, buffer, size);
}

}  // namespace

std::int64_t CStar::findCatalogNumber(int catalogue) const {
  for (std::int64_t number : catalogNumbers_) {
    if (catalogOfNumber(number) == catalogue) return number;
  }
  return 0;
}

const char* CStar::formatCatalogNumber(int catalogue, char* buffer, std::size_t size,
                                       int style) const {
  std::int64_t number = catalogue != 0 ? findCatalogNumber(catalogue) : 0;
  if (number == 0 && !catalogNumbers_.empty()) number = catalogNumbers_.front();
  if (number == 0) return copyNameText("", buffer, size);
  if (buffer != nullptr && size == 0) buffer = nullptr;  // the formatter's shared buffer
  return ::formatCatalogNumber(number, buffer, size, style);
}

const char* CStar::getName(char* buffer, std::size_t size) const {
  return formatNameList(*this, formatDesignationList, buffer, size);
}

std::string CStar::getNameString() const { return getName(nullptr, 0); }

const char* CDeepSkyObject::getName(char* buffer, std::size_t size) const {
  return formatNameList(*this, formatDeepSkyNameList, buffer, size);
}
