#include "ui/info/page_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/language.h"

std::string escapeHTML(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '\n':
      case '\r':
      case '\t':
        out += ' ';
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    }
  }
  return out;
}

void PageText::format(const char* format, ...) {
  const char* translated = translateString(format);
  va_list arguments;
  va_start(arguments, format);
  va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(nullptr, 0, translated, copy);
  va_end(copy);
  if (length > 0) {
    std::vector<char> piece(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(piece.data(), piece.size(), translated, arguments);
    page_.append(piece.data(), static_cast<std::size_t>(length));
  }
  va_end(arguments);
}

namespace {

// The largest cut at or before `limit` that splits neither a UTF-8
// sequence nor a character reference ("&amp;") nor a tag.
std::size_t safeCut(std::string_view text, std::size_t limit) {
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  const std::size_t open = text.find_last_of("&<", cut == 0 ? 0 : cut - 1);
  if (open != std::string_view::npos && open < cut) {
    const char close = text[open] == '&' ? ';' : '>';
    if (text.find(close, open) >= cut) cut = open;
  }
  return cut;
}

}  // namespace

bool PageText::copyTo(char* buffer, std::size_t size, std::string_view ending) const {
  if (buffer == nullptr || size == 0) return false;
  const std::size_t room = size - 1;
  std::size_t length = page_.size();
  std::string_view tail;
  if (length > room) {
    const bool endsRight = page_.size() >= ending.size() &&
                           std::string_view(page_).substr(page_.size() - ending.size()) == ending;
    if (endsRight && ending.size() <= room) tail = ending;
    length = safeCut(page_, room - tail.size());
  }
  std::memcpy(buffer, page_.data(), length);
  if (!tail.empty()) std::memcpy(buffer + length, tail.data(), tail.size());
  buffer[length + tail.size()] = '\0';
  return true;
}
