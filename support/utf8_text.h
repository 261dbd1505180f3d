// Cutting UTF-8 text without splitting a character: the longest prefix
// that fits a byte limit, and the first character of a text.
#pragma once

#include <cstddef>
#include <string_view>

// The length of the longest prefix of at most `maxBytes` bytes that does
// not end inside a well-formed multi-byte sequence (a sequence is kept
// whole or left out whole; malformed bytes count one each).
std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes);
// The length in bytes of the first character when it is a well-formed
// UTF-8 sequence (RFC 3629: shortest form, no surrogates, at most
// U+10FFFF); 0 for empty text or a malformed start.
std::size_t utf8FirstCharacterLength(std::string_view text);
