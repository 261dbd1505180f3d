// The chart's 8-bit strings are in the Mac OS Roman encoding: 161 is the
// degree sign there, not Latin-1's inverted exclamation mark. The table
// comes from the C library's converter ("MACINTOSH").
#pragma once

#include <string>
#include <string_view>

namespace cg {

// The Unicode code point of one Mac OS Roman byte.
char32_t macRomanToUnicode(unsigned char byte);

// A Mac OS Roman string as UTF-8.
std::string macRomanToUtf8(std::string_view text);

// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace cg
