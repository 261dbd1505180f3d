// Text operations on shader sources: lines, tokens, trimming, the length GL
// reports for a text, and the small scanners that recognise language
// pragma lines and Metal content while a source is split by language.
//
// Texts are UTF-8. The scanners and token splitting take as white space
// what the platform's string classes call white space and line breaks
// (tab, line feed, vertical tab, form feed, carriage return, space, NEL,
// no-break space and the Unicode space and separator characters); bytes
// that are not valid UTF-8 are taken one at a time and are never white
// space. Trimming is the converter's (shadercompiler/optimizer/
// source_text.h), so that logs and sources trim alike. The scanners walk the text once and keep
// no state between calls: a hostile source costs linear time and no stack.
//
// Thread rules: pure functions, callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A set of characters, as a test of one code point.
using MGLCharacterSet = bool (*)(char32_t);
bool mglIsWhitespaceOrNewline(char32_t c);
bool mglIsNewline(char32_t c);

// The text's length in UTF-16 code units, the unit GL's length queries
// count (a character beyond the Basic Multilingual Plane counts 2; an
// invalid byte counts 1).
std::size_t mglUTF16Length(std::string_view text);

// The number of lines by the platform's line-break rules (line feed,
// carriage return, CR LF, NEL, line and paragraph separators); 0 for an
// empty text, and a final line break starts no further line.
std::size_t lineCount(std::string_view text);
// The pieces between line feeds, each trimmed of line breaks at both ends.
std::vector<std::string> lines(std::string_view text);
// The pieces between line feeds, each with its line feed; the piece after
// the last line feed is a line even when empty ("a\n" gives "a\n", "\n").
std::vector<std::string> terminatedLines(std::string_view text);
// The pieces between characters of the set, empty pieces dropped.
std::vector<std::string> tokensSeparatedByCharactersInSet(std::string_view text,
                                                          MGLCharacterSet separators);
// Drops white space and line breaks at both ends, in place, as the
// converter's asTrimmedString does (ASCII white space).
void trim(std::string& text);

// The language word of a language pragma line ("#pragma DivezoVO language
// msl", every word in any case, any white space around the words): the
// rest of the line after "language" and its white space, trimmed and in
// upper case. Nothing when the line is no such pragma or the word is empty.
std::optional<std::string> mglLanguagePragmaWord(std::string_view line);
// Whether a line holds Metal content: it imports or includes
// <metal_stdlib> ("#include <metal_stdlib>" in any case, white space
// allowed around each part), or it opens with "using namespace metal;",
// which GLSL reserves and no GLSL source can hold.
bool mglIsMetalContentLine(std::string_view line);
