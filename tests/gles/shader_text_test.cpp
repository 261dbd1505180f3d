// The text operations of shader sources, the language pragma and Metal
// content scanners against the C library's regular expressions running the
// patterns they stand for, and UTF-16 lengths against iconv.
#include "gles/shaders/shader_text.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <regex.h>

#include <random>
#include <string>
#include <vector>

#include "gles/shaders/shader_parser.h"

namespace {

using Strings = std::vector<std::string>;

TEST(ShaderTextTest, LinesKeepOrDropTheirBreaksAsEachOperationSays) {
  EXPECT_EQ(terminatedLines("a\n"), (Strings{"a\n", "\n"}));
  EXPECT_EQ(terminatedLines(""), (Strings{"\n"}));
  EXPECT_EQ(terminatedLines("a\r\nb"), (Strings{"a\r\n", "b\n"}));
  EXPECT_EQ(lines("a\r\n\rb\n"), (Strings{"a", "b", ""}));
  EXPECT_EQ(lines("x\xE2\x80\xA8"), (Strings{"x"}));  // a line separator is trimmed away
  EXPECT_EQ(lines("  a  \n"), (Strings{"  a  ", ""}));  // spaces are not line breaks

  EXPECT_EQ(lineCount(""), 0u);
  EXPECT_EQ(lineCount("a"), 1u);
  EXPECT_EQ(lineCount("a\n"), 1u);
  EXPECT_EQ(lineCount("\n\n"), 2u);
  EXPECT_EQ(lineCount("a\r\nb"), 2u);
  EXPECT_EQ(lineCount("a\rb\xC2\x85" "c\xE2\x80\xA9" "d"), 4u);
  EXPECT_EQ(lineCount("a\vb\fc"), 1u);  // not line breaks for the platform
}

TEST(ShaderTextTest, TokensDropEmptyPiecesAndKnowUnicodeSpaces) {
  EXPECT_EQ(tokensSeparatedByCharactersInSet("  vertex \t float4\n\nmain  ", mglIsWhitespaceOrNewline),
            (Strings{"vertex", "float4", "main"}));
  EXPECT_TRUE(tokensSeparatedByCharactersInSet(" \n\t ", mglIsWhitespaceOrNewline).empty());
  // A no-break space and an ideographic space part tokens; a stray
  // continuation byte does not.
  EXPECT_EQ(tokensSeparatedByCharactersInSet("a\xC2\xA0" "b\xE3\x80\x80" "c\x80" "d",
                                             mglIsWhitespaceOrNewline),
            (Strings{"a", "b", "c\x80" "d"}));

  std::string text = "\t line one\n line two \r\n\v\f";
  trim(text);
  EXPECT_EQ(text, "line one\n line two");
  std::string blank = " \n\t\v\f\r";
  trim(blank);
  EXPECT_EQ(blank, "");
  std::string invalid = "\xFF ok \xFF";
  trim(invalid);
  EXPECT_EQ(invalid, "\xFF ok \xFF");
}

// Counts UTF-16 code units with iconv, which knows nothing of ours.
std::size_t iconvUTF16Units(const std::string& text) {
  iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in = text;
  std::vector<char> out(text.size() * 4 + 8);
  char* inp = in.data();
  char* outp = out.data();
  std::size_t inLeft = in.size(), outLeft = out.size();
  const std::size_t result = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  EXPECT_NE(result, static_cast<std::size_t>(-1)) << "iconv refused valid UTF-8";
  return (out.size() - outLeft) / 2;
}

std::string utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

TEST(ShaderTextTest, UTF16LengthsAgreeWithIconv) {
  std::mt19937 random(0x16);
  // Code points from every encoded length, surrogates excluded.
  std::uniform_int_distribution<int> band(0, 3);
  std::uniform_int_distribution<std::uint32_t> any;
  std::size_t astral = 0;
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int length = static_cast<int>(any(random) % 40);
    for (int i = 0; i < length; ++i) {
      char32_t c = 0;
      switch (band(random)) {
        case 0: c = any(random) % 0x80; break;
        case 1: c = 0x80 + any(random) % (0x800 - 0x80); break;
        case 2: c = 0x800 + any(random) % (0xD800 - 0x800); break;
        default: c = 0x10000 + any(random) % (0x110000 - 0x10000); ++astral; break;
      }
      text += utf8(c);
    }
    ASSERT_EQ(mglUTF16Length(text), iconvUTF16Units(text)) << "round " << round;
  }
  EXPECT_GT(astral, 1000u);  // pairs of code units were counted often
  // Invalid bytes count one unit each rather than vanishing.
  EXPECT_EQ(mglUTF16Length("a\xFF\xC3"), 3u);
  EXPECT_EQ(mglUTF16Length("\xED\xA0\x80"), 3u);  // an encoded surrogate is three bad bytes
}

// The patterns the scanners implement, as POSIX extended expressions run
// by the C library ([[:space:]] is \s for these ASCII lines).
class Pattern {
 public:
  Pattern(const char* expression, bool ignoreCase) {
    const int flags = REG_EXTENDED | (ignoreCase ? REG_ICASE : 0);
    ok_ = regcomp(&regex_, expression, flags) == 0;
    EXPECT_TRUE(ok_) << expression;
  }
  ~Pattern() {
    if (ok_) regfree(&regex_);
  }
  // The end of the match in `line`, or nothing.
  std::optional<std::size_t> matchEnd(const std::string& line) const {
    regmatch_t match;
    if (!ok_ || regexec(&regex_, line.c_str(), 1, &match, 0) != 0) return std::nullopt;
    return static_cast<std::size_t>(match.rm_eo);
  }

 private:
  regex_t regex_;
  bool ok_ = false;
};

std::optional<std::string> regexPragmaWord(const std::string& line) {
  static const Pattern pragma(
      "^[[:space:]]*#[[:space:]]*pragma[[:space:]]+DivezoVO[[:space:]]+language[[:space:]]+", true);
  const std::optional<std::size_t> end = pragma.matchEnd(line);
  if (!end) return std::nullopt;
  std::string word = line.substr(*end);
  const auto first = word.find_first_not_of(" \t\n\v\f\r");
  if (first == std::string::npos) return std::nullopt;
  word = word.substr(first, word.find_last_not_of(" \t\n\v\f\r") - first + 1);
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return word;
}

bool regexMetalContent(const std::string& line) {
  static const Pattern include(
      "^[[:space:]]*#[[:space:]]*(import|include)[[:space:]]*<[[:space:]]*metal_stdlib[[:space:]]*>",
      true);
  static const Pattern usingNamespace(
      "^[[:space:]]*using[[:space:]]+namespace[[:space:]]+metal[[:space:]]*;", false);
  return include.matchEnd(line) || usingNamespace.matchEnd(line);
}

TEST(ShaderTextTest, ScannersMatchWhatTheirPatternsMatch) {
  // Lines built from the words of the patterns, in any case, with white
  // space of every kind or none between them, words left out, repeated,
  // swapped for others or followed by more.
  const std::vector<std::vector<std::string>> templates = {
      {"#", "pragma", "divezovo", "language", "msl"},
      {"#", "include", "<", "metal_stdlib", ">"},
      {"#", "import", "<", "metal_stdlib", ">"},
      {"using", "namespace", "metal", ";"}};
  const std::vector<std::string> others = {"x", "glsl", "HLSL", "all", "metal", "language",
                                           "pragma", "#", "<", ">", ";", "metal_stdlib.h", "a_z"};
  const std::vector<std::string> spaces = {"", "", " ", "  ", "\t", "\v", "\f", "\r", " \t "};
  std::mt19937 random(0x9a);
  auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; };
  auto pick = [&](const auto& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  auto randomCase = [&](std::string word) {
    for (char& c : word) {
      if (chance(30)) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return word;
  };
  int pragmas = 0, metal = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string line = pick(spaces);
    for (const std::string& word : pick(templates)) {
      if (chance(4)) continue;
      line += chance(4) ? pick(others) : randomCase(word);
      if (chance(3)) line += randomCase(word);
      line += pick(spaces);
    }
    if (chance(30)) line += pick(others);
    line += "\n";
    const std::optional<std::string> expected = regexPragmaWord(line);
    ASSERT_EQ(mglLanguagePragmaWord(line), expected) << '"' << line << '"';
    ASSERT_EQ(mglIsMetalContentLine(line), regexMetalContent(line)) << '"' << line << '"';
    pragmas += expected.has_value();
    metal += regexMetalContent(line);
  }
  // Both outcomes were common enough to mean something.
  EXPECT_GT(pragmas, 1000);
  EXPECT_GT(metal, 1000);

  // And the lines written by hand.
  EXPECT_EQ(mglLanguagePragmaWord("  # pragma   DIVEZOVO language   msl  \n"), "MSL");
  EXPECT_EQ(mglLanguagePragmaWord("#pragma DivezoVO language\n"), std::nullopt);
  EXPECT_EQ(mglLanguagePragmaWord("#pragma DivezoVO language two words\n"), "TWO WORDS");
  EXPECT_TRUE(mglIsMetalContentLine("#include<metal_stdlib>"));
  EXPECT_TRUE(mglIsMetalContentLine("\t# Import < Metal_Stdlib >  // the library\n"));
  EXPECT_FALSE(mglIsMetalContentLine("#include <metal_stdlib.h>"));
  EXPECT_FALSE(mglIsMetalContentLine("// #include <metal_stdlib>"));
  EXPECT_TRUE(mglIsMetalContentLine("using namespace metal;"));
  EXPECT_FALSE(mglIsMetalContentLine("using namespace metalkit;"));
  EXPECT_FALSE(mglIsMetalContentLine("USING NAMESPACE METAL;"));
}

TEST(ShaderTextTest, TheSplitterSendsEachLineToItsLanguage) {
  MGLShaderParser parser = MGLShaderParser::parser();
  parser.parse(
      "#pragma DivezoVO language glsl\n"
      "void main() {}\n"
      "#PRAGMA divezovo LANGUAGE Msl\n"
      "fragment float4 f() { return 0; }\n"
      "#pragma DivezoVO language hlsl\n"
      "#pragma DivezoVO language all\n"
      "// both\n"
      "#pragma DivezoVO language\n");
  // The text's last line feed ends a last, empty line.
  EXPECT_EQ(parser.glslSourceCode(), "void main() {}\n// both\n#pragma DivezoVO language\n\n");
  EXPECT_EQ(parser.mslSourceCode(),
            "fragment float4 f() { return 0; }\n// both\n#pragma DivezoVO language\n\n");

  // Comments before the include stay GLSL; the include on is Metal.
  parser.parse("// A Metal shader\n#include <metal_stdlib>\nusing namespace metal;");
  EXPECT_EQ(parser.glslSourceCode(), "// A Metal shader\n");
  EXPECT_EQ(parser.mslSourceCode(), "#include <metal_stdlib>\nusing namespace metal;\n");

  parser.parse("#pragma DivezoVO language metal\n#pragma DivezoVO language glsl");
  EXPECT_EQ(parser.glslSourceCode(), std::nullopt);
  EXPECT_EQ(parser.mslSourceCode(), std::nullopt);
  EXPECT_EQ(parser.mtlFunctionName(), std::nullopt);

  parser.parse("\n  VertexShader \n more");
  EXPECT_EQ(parser.mtlFunctionName(), "VertexShader");
  parser.parse("glslName\n#pragma DivezoVO language msl\n\t metalName(");
  EXPECT_EQ(parser.mtlFunctionName(), "metalName(");
}

}  // namespace
