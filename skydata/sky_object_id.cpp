#include "skydata/sky_object_id.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

char* formatObjectIDText(const SkyObjectID& reference, char* buffer, std::size_t size) {
  if (buffer != nullptr && size > 0) {
    std::snprintf(buffer, size, "%hu,%u,%u", reference.file, reference.region,
                  static_cast<unsigned>(reference.index));
  }
  return buffer;
}

namespace {

// One decimal number of at most 64 bits, taken modulo 2^64 as the C
// library's unsigned conversions do; `end` is left after it.
bool readNumber(const char*& text, unsigned long long& value) {
  char* end = nullptr;
  errno = 0;
  const long long signedValue = std::strtoll(text, &end, 10);
  if (end == text || errno == ERANGE) return false;
  value = static_cast<unsigned long long>(signedValue);
  text = end;
  return true;
}

}  // namespace

bool parseObjectIDText(const char* text, SkyObjectID* reference) {
  if (text == nullptr || reference == nullptr) return false;
  unsigned long long values[3];
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && *text++ != ',') return false;
    if (!readNumber(text, values[i])) return false;
  }
  reference->file = static_cast<std::uint16_t>(values[0]);
  reference->region = static_cast<std::uint32_t>(values[1]);
  reference->index = static_cast<std::uint16_t>(values[2]);
  return true;
}
