#include "ui/info/info_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/language.h"

InfoText::InfoText(char* buffer, std::size_t size)
    : buffer_(size > 0 ? buffer : nullptr), size_(buffer != nullptr ? size : 0) {
  if (buffer_ != nullptr) buffer_[0] = '\0';
}

void InfoText::format(const char* format, ...) {
  if (buffer_ == nullptr) return;
  const std::size_t used = std::strlen(buffer_);
  if (used + 1 >= size_) return;
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(buffer_ + used, size_ - used, translateString(format), arguments);
  va_end(arguments);
}

void InfoText::append(const char* text) {
  if (buffer_ == nullptr || text == nullptr) return;
  const std::size_t used = std::strlen(buffer_);
  if (used + 1 < size_) std::snprintf(buffer_ + used, size_ - used, "%s", text);
}

void InfoText::join(const char* separator, const char* text) {
  if (!empty()) append(separator);
  append(text);
}
