#include "platform/coregraphics/mac_roman.h"

#include <iconv.h>

#include <array>
#include <cstdint>

namespace cg {
namespace {

std::array<char32_t, 256> buildTable() {
  std::array<char32_t, 256> table{};
  for (unsigned i = 0; i < 128; ++i) table[i] = i;
  for (unsigned i = 128; i < 256; ++i) table[i] = 0xfffd;
  iconv_t converter = iconv_open("UTF-32LE", "MACINTOSH");
  if (converter == reinterpret_cast<iconv_t>(-1)) return table;
  for (unsigned i = 128; i < 256; ++i) {
    char in = static_cast<char>(i);
    unsigned char out[8] = {};
    char* inPointer = &in;
    char* outPointer = reinterpret_cast<char*>(out);
    std::size_t inLeft = 1, outLeft = sizeof out;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != static_cast<std::size_t>(-1) &&
        sizeof out - outLeft == 4) {
      table[i] = char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16 |
                 char32_t(out[3]) << 24;
    }
  }
  iconv_close(converter);
  // Two places where the C library's table keeps an older reading than
  // Apple's own mapping (and Python's codec): 0xC6 is INCREMENT, not the
  // Greek capital delta, and 0xF0 is the Apple logo in the private use area.
  table[0xc6] = 0x2206;
  table[0xf0] = 0xf8ff;
  return table;
}

}  // namespace

char32_t macRomanToUnicode(unsigned char byte) {
  static const std::array<char32_t, 256> table = buildTable();
  return table[byte];
}

void appendUtf8(std::string& out, char32_t c) {
  if (c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) c = 0xfffd;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xc0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3f));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xe0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (c & 0x3f));
  } else {
    out += static_cast<char>(0xf0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (c & 0x3f));
  }
}

std::string macRomanToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) appendUtf8(out, macRomanToUnicode(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace cg
