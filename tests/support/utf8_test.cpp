// Cases from Markus Kuhn's UTF-8 decoder stress test (boundaries, overlong
// forms, surrogates, cut sequences) and RFC 3629's examples.
#include "support/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(Utf8Validity, AcceptsTheRfcExamplesAndTheBoundaries) {
  for (const char* text : {"", "A\xE2\x89\xA2\xCE\x91.", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4",
                           "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xEF\xBB\xBF\xF0\xA3\x8E\xB4",
                           "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xEF\xBF\xBF", "\xF0\x90\x80\x80",
                           "\xF4\x8F\xBF\xBF", "\xED\x9F\xBF", "\xEE\x80\x80"})
    EXPECT_TRUE(isValidUtf8(text)) << text;
  EXPECT_TRUE(isValidUtf8(std::string("a\0b", 3)));
}

TEST(Utf8Validity, RefusesOverlongSurrogateCutAndOutOfRangeForms) {
  for (const char* text : {"\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xE0\x9F\xBF", "\xF0\x80\x80\xAF",
                           "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80",
                           "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80", "\xFE", "\xFF", "\x80", "\xBF",
                           "\xC2", "\xE2\x82", "\xF0\x9F\x98", "a\xC2 b", "\xE2\x28\xA1"})
    EXPECT_FALSE(isValidUtf8(text)) << testing::PrintToString(std::string(text));
}

TEST(Utf8Decoding, GivesTheCodePointsOfRfcExamplesAndNothingForMalformedStarts) {
  struct Case {
    const char* text;
    char32_t code;
    std::size_t length;
  };
  // RFC 3629 section 7's examples and the first and last of each length.
  for (const Case& c : {Case{"A", U'A', 1}, Case{"\xE2\x89\xA2", 0x2262, 3}, Case{"\xCE\x91.", 0x391, 2},
                        Case{"\xED\x95\x9C", 0xD55C, 3}, Case{"\xE6\x97\xA5", 0x65E5, 3},
                        Case{"\xF0\xA3\x8E\xB4", 0x233B4, 4}, Case{"\xC2\x80", 0x80, 2},
                        Case{"\xDF\xBF", 0x7FF, 2}, Case{"\xE0\xA0\x80", 0x800, 3},
                        Case{"\xF4\x8F\xBF\xBF", 0x10FFFF, 4}, Case{"\xC3\xA9t\xC3\xA9", 0xE9, 2}}) {
    std::size_t length = 99;
    EXPECT_EQ(utf8FirstCharacter(c.text, &length), c.code) << c.text;
    EXPECT_EQ(length, c.length) << c.text;
  }
  for (const char* text : {"", "\xC0\xAF", "\xED\xA0\x80", "\xC2", "\x80", "\xF5\x80\x80\x80"}) {
    std::size_t length = 99;
    EXPECT_EQ(utf8FirstCharacter(text, &length), 0u) << testing::PrintToString(std::string(text));
    EXPECT_EQ(length, 0u);
  }
}

// Text from a damaged file or a variable, printed: C0 controls, DEL and the
// C1 controls (two bytes in UTF-8) become \xNN per byte, as do bytes of no
// well-formed sequence; printable ASCII and other characters pass as they
// are.
TEST(Utf8Printable, EscapesControlCharactersAndStrayBytesOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"Stars.skydata", "Stars.skydata"},
      {"a\tb\r\n", "a\\x09b\\x0D\\x0A"},
      {std::string("\0x", 2), "\\x00x"},
      {"\x1b[31mred\x07", "\\x1B[31mred\\x07"},
      {"\x7f", "\\x7F"},
      {"\xC2\x9B" "2J", "\\xC2\\x9B2J"},            // U+009B, the C1 introducer
      {"\xC2\xA0\xC3\xA9t\xC3\xA9", "\xC2\xA0\xC3\xA9t\xC3\xA9"},  // U+00A0 is no control
      {"\xF0\x9F\x9B\xB0", "\xF0\x9F\x9B\xB0"},
      {"\x9b" "2J\xff\xfe", "\\x9B2J\\xFF\\xFE"},
      {"\xE2\x82", "\\xE2\\x82"},                    // cut inside a character
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},            // a surrogate
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(printableText(text), shown) << testing::PrintToString(text);
}
