#include "gles/shaders/shader_text.h"

#include "shadercompiler/optimizer/source_text.h"

namespace {

struct CodePoint {
  char32_t value;
  std::size_t length;  // bytes
};

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point at `i`; an invalid or truncated sequence is one byte of
// U+FFFD, so every byte is consumed exactly once.
CodePoint decodeAt(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) return {b0, 1};
  const std::size_t left = s.size() - i;
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  if (b0 >= 0xC2 && b0 <= 0xDF && left >= 2 && isContinuation(at(1))) {
    return {static_cast<char32_t>((b0 & 0x1F) << 6 | (at(1) & 0x3F)), 2};
  }
  if (b0 >= 0xE0 && b0 <= 0xEF && left >= 3 && isContinuation(at(1)) && isContinuation(at(2))) {
    const char32_t c = (b0 & 0x0F) << 12 | (at(1) & 0x3F) << 6 | (at(2) & 0x3F);
    if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) return {c, 3};
  }
  if (b0 >= 0xF0 && b0 <= 0xF4 && left >= 4 && isContinuation(at(1)) && isContinuation(at(2)) &&
      isContinuation(at(3))) {
    const char32_t c = (b0 & 0x07) << 18 | (at(1) & 0x3F) << 12 | (at(2) & 0x3F) << 6 | (at(3) & 0x3F);
    if (c >= 0x10000 && c <= 0x10FFFF) return {c, 4};
  }
  return {0xFFFD, 1};
}

// The position after the white space (and line breaks) starting at `i`.
std::size_t skipWhitespace(std::string_view s, std::size_t i) {
  while (i < s.size()) {
    const CodePoint c = decodeAt(s, i);
    if (!mglIsWhitespaceOrNewline(c.value)) break;
    i += c.length;
  }
  return i;
}

char lowerASCII(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Matches `word` (lower-case ASCII) at `i` in any case; advances `i`.
bool matchWord(std::string_view s, std::size_t& i, std::string_view word) {
  if (s.size() - i < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (lowerASCII(s[i + k]) != word[k]) return false;
  }
  i += word.size();
  return true;
}

// At least one white-space character at `i`; advances past all of them.
bool requireWhitespace(std::string_view s, std::size_t& i) {
  const std::size_t next = skipWhitespace(s, i);
  if (next == i) return false;
  i = next;
  return true;
}

// The bounds of `s` without white space and line breaks at either end.
std::string_view trimmedView(std::string_view s) {
  const std::size_t begin = skipWhitespace(s, 0);
  std::size_t end = begin;
  for (std::size_t i = begin; i < s.size();) {
    const CodePoint c = decodeAt(s, i);
    i += c.length;
    if (!mglIsWhitespaceOrNewline(c.value)) end = i;
  }
  return s.substr(begin, end - begin);
}

// The bounds of `s` without line breaks at either end.
std::string_view withoutNewlinesAtEnds(std::string_view s) {
  std::size_t begin = 0;
  while (begin < s.size()) {
    const CodePoint c = decodeAt(s, begin);
    if (!mglIsNewline(c.value)) break;
    begin += c.length;
  }
  std::size_t end = begin;
  for (std::size_t i = begin; i < s.size();) {
    const CodePoint c = decodeAt(s, i);
    i += c.length;
    if (!mglIsNewline(c.value)) end = i;
  }
  return s.substr(begin, end - begin);
}

}  // namespace

bool mglIsNewline(char32_t c) {
  return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool mglIsWhitespaceOrNewline(char32_t c) {
  if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D);
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::size_t mglUTF16Length(std::string_view text) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size();) {
    const CodePoint c = decodeAt(text, i);
    i += c.length;
    units += c.value >= 0x10000 ? 2 : 1;
  }
  return units;
}

std::size_t lineCount(std::string_view text) {
  std::size_t count = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    ++count;
    // To the end of this line and past its break (CR LF is one break).
    while (i < text.size()) {
      const CodePoint c = decodeAt(text, i);
      i += c.length;
      if (c.value == '\r' && i < text.size() && text[i] == '\n') ++i;
      if (c.value == '\n' || c.value == '\r' || c.value == 0x85 || c.value == 0x2028 ||
          c.value == 0x2029) {
        break;
      }
    }
  }
  return count;
}

std::vector<std::string> lines(std::string_view text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t feed = text.find('\n', start);
    const std::string_view piece =
        text.substr(start, feed == std::string_view::npos ? std::string_view::npos : feed - start);
    pieces.emplace_back(withoutNewlinesAtEnds(piece));
    if (feed == std::string_view::npos) break;
    start = feed + 1;
  }
  return pieces;
}

std::vector<std::string> terminatedLines(std::string_view text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t feed = text.find('\n', start);
    if (feed == std::string_view::npos) {
      pieces.emplace_back(text.substr(start)).push_back('\n');
      break;
    }
    pieces.emplace_back(text.substr(start, feed + 1 - start));
    start = feed + 1;
  }
  return pieces;
}

std::vector<std::string> tokensSeparatedByCharactersInSet(std::string_view text,
                                                          MGLCharacterSet separators) {
  std::vector<std::string> tokens;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size();) {
    const CodePoint c = decodeAt(text, i);
    if (separators(c.value)) {
      if (i > start) tokens.emplace_back(text.substr(start, i - start));
      start = i + c.length;
    }
    i += c.length;
  }
  if (text.size() > start) tokens.emplace_back(text.substr(start));
  return tokens;
}

void trim(std::string& text) { text = asTrimmedString(text); }

std::optional<std::string> mglLanguagePragmaWord(std::string_view line) {
  std::size_t i = skipWhitespace(line, 0);
  if (i == line.size() || line[i] != '#') return std::nullopt;
  i = skipWhitespace(line, i + 1);
  if (!matchWord(line, i, "pragma") || !requireWhitespace(line, i) ||
      !matchWord(line, i, "divezovo") || !requireWhitespace(line, i) ||
      !matchWord(line, i, "language") || !requireWhitespace(line, i)) {
    return std::nullopt;
  }
  const std::string_view word = trimmedView(line.substr(i));
  if (word.empty()) return std::nullopt;
  std::string upper(word);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool mglIsMetalContentLine(std::string_view line) {
  std::size_t i = skipWhitespace(line, 0);
  if (i < line.size() && line[i] == '#') {
    i = skipWhitespace(line, i + 1);
    if (!matchWord(line, i, "import") && !matchWord(line, i, "include")) return false;
    i = skipWhitespace(line, i);
    if (i == line.size() || line[i] != '<') return false;
    i = skipWhitespace(line, i + 1);
    if (!matchWord(line, i, "metal_stdlib")) return false;
    i = skipWhitespace(line, i);
    return i < line.size() && line[i] == '>';
  }
  // The declaration is case-sensitive, as the language is.
  if (line.substr(i, 5) != "using") return false;
  i += 5;
  if (!requireWhitespace(line, i) || line.substr(i, 9) != "namespace") return false;
  i += 9;
  if (!requireWhitespace(line, i) || line.substr(i, 5) != "metal") return false;
  i = skipWhitespace(line, i + 5);
  return i < line.size() && line[i] == ';';
}
