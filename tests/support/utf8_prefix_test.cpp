// UTF-8 cutting against the cases of Markus Kuhn's "UTF-8 decoder
// capability and stress test" (boundary characters, overlong forms,
// surrogates, lone continuation bytes) and RFC 3629's examples.
#include <gtest/gtest.h>

#include <string>

#include "support/utf8.h"

namespace {

struct Case {
  const char* name;
  std::string bytes;
  std::size_t first;  // length of a well-formed first character, else 0
};

TEST(SupportUtf8Text, FirstCharactersFollowTheDecoderStressTest) {
  const Case cases[] = {
      {"ASCII A", "A", 1},
      {"U+0080, first two-byte", "\xC2\x80", 2},
      {"U+07FF, last two-byte", "\xDF\xBF", 2},
      {"U+0800, first three-byte", "\xE0\xA0\x80", 3},
      {"U+FFFD", "\xEF\xBF\xBD", 3},
      {"U+10000, first four-byte", "\xF0\x90\x80\x80", 4},
      {"U+10FFFF, last", "\xF4\x8F\xBF\xBF", 4},
      {"RFC 3629: U+D55C", "\xED\x95\x9C", 3},
      {"RFC 3629: U+233B4", "\xF0\xA3\x8E\xB4", 4},
      {"0x110000 beyond Unicode", "\xF4\x90\x80\x80", 0},
      {"lone continuation 0x80", "\x80", 0},
      {"overlong slash, two bytes", "\xC0\xAF", 0},
      {"overlong slash, three bytes", "\xE0\x80\xAF", 0},
      {"overlong slash, four bytes", "\xF0\x80\x80\xAF", 0},
      {"high surrogate U+D800", "\xED\xA0\x80", 0},
      {"low surrogate U+DFFF", "\xED\xBF\xBF", 0},
      {"five-byte lead", "\xF8\x88\x80\x80\x80", 0},
      {"0xFE", "\xFE", 0},
      {"two-byte sequence cut short", "\xC3", 0},
      {"three-byte sequence, second byte ASCII", "\xE2\x41\x41", 0},
      {"empty", "", 0},
  };
  int checked = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(utf8FirstCharacterLength(c.bytes), c.first) << c.name;
    ++checked;
  }
  EXPECT_EQ(checked, 21);
}

TEST(SupportUtf8Text, PrefixesNeverEndInsideACharacter) {
  const std::string text = "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x8C\x8D";  // Zürich 東京 🌍
  EXPECT_EQ(utf8PrefixLength(text, 0), 0u);
  EXPECT_EQ(utf8PrefixLength(text, 1), 1u);
  EXPECT_EQ(utf8PrefixLength(text, 2), 1u);  // ü would be split
  EXPECT_EQ(utf8PrefixLength(text, 3), 3u);
  EXPECT_EQ(utf8PrefixLength(text, 9), 8u);  // 東 would be split
  EXPECT_EQ(utf8PrefixLength(text, text.size() - 1), text.size() - 4);
  EXPECT_EQ(utf8PrefixLength(text, 1000), text.size());
  // Malformed bytes count one each and are never joined to their neighbours.
  EXPECT_EQ(utf8PrefixLength("\xFF\xFE\x80", 2), 2u);
  EXPECT_EQ(utf8PrefixLength("ab\xE6\x9D", 4), 4u);  // a cut-off sequence is two lone bytes
}

}  // namespace
