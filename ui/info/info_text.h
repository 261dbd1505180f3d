// A value text built in pieces inside a fixed buffer: every piece is cut
// at the buffer's end, and the text stays terminated.
#pragma once

#include <cstddef>

class InfoText {
 public:
  // Empties the buffer; a null buffer or size 0 takes nothing.
  InfoText(char* buffer, std::size_t size);

  // Appends a format (passed through the translation hook) with its
  // arguments.
  void format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Appends a text as it is.
  void append(const char* text);
  // Appends `separator` (unless the text is still empty), then `text`.
  void join(const char* separator, const char* text);

  const char* c_str() const { return buffer_ != nullptr ? buffer_ : ""; }
  bool empty() const { return buffer_ == nullptr || buffer_[0] == '\0'; }

 private:
  char* buffer_;
  std::size_t size_;
};
