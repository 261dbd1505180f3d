// UTF-8 text (RFC 3629: shortest forms only, no surrogates, nothing above
// U+10FFFF): whether bytes are well-formed, the first character, cutting
// text without splitting a character, and text safe to print.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length in bytes of the first character when it is a well-formed
// sequence; 0 for empty text or a malformed start.
std::size_t utf8FirstCharacterLength(std::string_view text);
// The code point of the first character when it is a well-formed
// sequence, its length in bytes in `length`; 0 and length 0 for empty text
// or a malformed start.
char32_t utf8FirstCharacter(std::string_view text, std::size_t* length);
bool isValidUtf8(std::string_view text);
// The length of the longest prefix of at most `maxBytes` bytes that does
// not end inside a well-formed multi-byte sequence (a sequence is kept
// whole or left out whole; malformed bytes count one each).
std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes);
// The text as a terminal may show it: every control character (C0, DEL
// and C1) and every byte that is not part of a well-formed sequence is
// written as \xNN, so that bytes read from a damaged file or a variable
// cannot move the cursor, ring or recolour the terminal.
std::string printableText(std::string_view text);
