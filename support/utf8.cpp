// UTF-8 characters and prefixes.
#include "support/utf8.h"

std::size_t utf8FirstCharacterLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  return length;
}

char32_t utf8FirstCharacter(std::string_view text, std::size_t* length) {
  *length = utf8FirstCharacterLength(text);
  if (*length == 0) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t code = byte(0) & kLeadBits[*length];
  for (std::size_t i = 1; i < *length; ++i) code = (code << 6) | (byte(i) & 0x3F);
  return code;
}

std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t step = utf8FirstCharacterLength(text.substr(at));
    const std::size_t next = at + (step == 0 ? 1 : step);
    if (next > maxBytes) break;
    at = next;
  }
  return at;
}

bool isValidUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t length = utf8FirstCharacterLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

std::string printableText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  const auto escape = [&](std::string_view bytes) {
    for (const char c : bytes) {
      const auto byte = static_cast<unsigned char>(c);
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  };
  while (!text.empty()) {
    std::size_t length = 0;
    const char32_t code = utf8FirstCharacter(text, &length);
    if (length == 0) length = 1;  // a stray byte, read as code 0: escaped alone
    const std::string_view character = text.substr(0, length);
    const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
    if (control) escape(character);
    else out += character;
    text.remove_prefix(length);
  }
  return out;
}
