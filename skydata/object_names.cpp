// The naming members of stars and deep-sky objects. They give the proper
// names and then the catalogue entries; the catalogue designation texts
// ("HD 48915", "NGC 224") take the entries' place once the designation
// formatters join the library.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "skydata/deep_sky_object.h"
#include "skydata/star.h"

namespace {

// The shared buffer of name getters called without one.
constexpr std::size_t kSharedNameSize = 256;
constexpr std::int64_t kCatalogFactor = 10000000000000000LL;

int catalogueOf(std::int64_t number) {
  return number < 0 ? -1 : static_cast<int>(number / kCatalogFactor);
}

std::int64_t entryOf(std::int64_t number) {
  return number < 0 ? -number : number % kCatalogFactor;
}

// Appends ", " and the text unless the text is empty; never overflows.
void appendItem(char* buffer, std::size_t size, const char* text) {
  if (text[0] == 0) return;
  std::size_t used = std::strlen(buffer);
  if (used > 0) {
    std::snprintf(buffer + used, size - used, ", ");
    used = std::strlen(buffer);
  }
  std::snprintf(buffer + used, size - used, "%s", text);
}

const char* formatNameList(const CStar& star, char* buffer, std::size_t size) {
  static char shared[kSharedNameSize];
  if (buffer == nullptr || size == 0) {
    buffer = shared;
    size = sizeof shared;
  }
  buffer[0] = 0;
  const char* names[kMaxStarNames];
  const int nameCount = star.getNames(names, kMaxStarNames);
  for (int i = 0; i < nameCount; ++i) appendItem(buffer, size, names[i]);
  std::int64_t numbers[kMaxStarNumbers];
  const int count = star.getCatalogNumbers(numbers, kMaxStarNumbers);
  for (int i = 0; i < count; ++i) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%" PRId64, entryOf(numbers[i]));
    appendItem(buffer, size, entry);
  }
  return buffer;
}

}  // namespace

std::int64_t CStar::findCatalogNumber(int catalogue) const {
  for (std::int64_t number : catalogNumbers_) {
    if (catalogueOf(number) == catalogue) return number;
  }
  return 0;
}

const char* CStar::formatCatalogNumber(int catalogue, char* buffer, std::size_t size,
                                       int /*style*/) const {
  std::int64_t number = catalogue != 0 ? findCatalogNumber(catalogue) : 0;
  if (number == 0 && !catalogNumbers_.empty()) number = catalogNumbers_.front();
  if (number == 0) return copyNameText("", buffer, size);
  static char shared[kSharedNameSize];
  if (buffer == nullptr || size == 0) {
    buffer = shared;
    size = sizeof shared;
  }
  std::snprintf(buffer, size, "%" PRId64, entryOf(number));
  return buffer;
}

const char* CStar::getName(char* buffer, std::size_t size) const {
  return formatNameList(*this, buffer, size);
}

std::string CStar::getNameString() const { return getName(nullptr, 0); }

const char* CDeepSkyObject::getName(char* buffer, std::size_t size) const {
  return formatNameList(*this, buffer, size);
}
