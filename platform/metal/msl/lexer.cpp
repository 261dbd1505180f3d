#include "platform/metal/msl/lexer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace mtl::msl {
namespace {

bool isIdentStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentChar(char c) { return isIdentStart(c) || isDigit(c); }
bool isHexDigit(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Punctuators, longest first so that the first match is the longest.
constexpr std::string_view kPuncts[] = {
    "<<=", ">>=", "::", "->", "++", "--", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "+=",
    "-=", "*=", "/=", "%=", "&=", "|=", "^=", "{", "}", "[", "]", "(", ")", ";", ":", ",",
    ".", "?", "!", "~", "+", "-", "*", "/", "%", "&", "|", "^", "<", ">", "="};

// Length of the UTF-8 sequence starting at s[i], or 0 when it is invalid
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t utf8Length(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  std::size_t n;
  std::uint32_t cp;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) { n = 2; cp = c & 0x1Fu; }
  else if (c >= 0xE0 && c <= 0xEF) { n = 3; cp = c & 0x0Fu; }
  else if (c >= 0xF0 && c <= 0xF4) { n = 4; cp = c & 0x07u; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0u) != 0x80u) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3Fu);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}

class Lexer {
 public:
  Lexer(std::string_view source, Diagnostics& diagnostics)
      : src_(source), diagnostics_(diagnostics) {}

  std::vector<Token> run() {
    std::vector<Token> tokens;
    bool lineStart = true;
    while (true) {
      if (!skipSpaceAndComments(lineStart)) break;
      if (pos_ >= src_.size()) break;
      Token t;
      t.location = here();
      const char c = src_[pos_];
      if (c == '#' && lineStart) {
        if (!directive(t)) break;
      } else if (isIdentStart(c)) {
        const std::size_t begin = pos_;
        while (pos_ < src_.size() && isIdentChar(src_[pos_])) advance();
        t.kind = TokenKind::Identifier;
        t.text = src_.substr(begin, pos_ - begin);
      } else if (isDigit(c) || (c == '.' && pos_ + 1 < src_.size() && isDigit(src_[pos_ + 1]))) {
        if (!number(t)) break;
      } else if (!punct(t)) {
        break;
      }
      lineStart = false;
      tokens.push_back(t);
    }
    Token end;
    end.location = here();
    tokens.push_back(end);
    return tokens;
  }

 private:
  SourceLocation here() const { return {line_, column_}; }

  void advance() {
    if (src_[pos_] == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
    ++pos_;
  }

  void fail(SourceLocation at, std::string message) { diagnostics_.error(at, std::move(message)); }

  // Checks the byte at pos_ for NUL and invalid UTF-8 and steps over it.
  bool advanceChecked() {
    const char c = src_[pos_];
    if (c == '\0') {
      fail(here(), "source contains a null character");
      return false;
    }
    if (static_cast<unsigned char>(c) >= 0x80) {
      const std::size_t n = utf8Length(src_, pos_);
      if (n == 0) {
        fail(here(), "source contains invalid UTF-8");
        return false;
      }
      pos_ += n;
      ++column_;
      return true;
    }
    advance();
    return true;
  }

  // False after an error. `lineStart` tells whether only white space and
  // comments stand before the next token on its line.
  bool skipSpaceAndComments(bool& lineStart) {
    while (pos_ < src_.size()) {
      const char c = src_[pos_];
      if (c == '\n') {
        lineStart = true;
        advance();
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        advance();
      } else if (c == '/' && pos_ + 1 < src_.size() && src_[pos_ + 1] == '/') {
        while (pos_ < src_.size() && src_[pos_] != '\n') {
          if (!advanceChecked()) return false;
        }
      } else if (c == '/' && pos_ + 1 < src_.size() && src_[pos_ + 1] == '*') {
        const SourceLocation start = here();
        advance();
        advance();
        while (true) {
          if (pos_ >= src_.size()) {
            fail(start, "unterminated /* comment");
            return false;
          }
          if (src_[pos_] == '*' && pos_ + 1 < src_.size() && src_[pos_ + 1] == '/') {
            advance();
            advance();
            break;
          }
          if (!advanceChecked()) return false;
        }
      } else {
        return true;
      }
    }
    return true;
  }

  // A preprocessor line: '#', the directive and the rest of the line.
  bool directive(Token& t) {
    const std::size_t begin = pos_;
    while (pos_ < src_.size() && src_[pos_] != '\n') {
      if (!advanceChecked()) return false;
    }
    t.kind = TokenKind::Directive;
    t.text = src_.substr(begin, pos_ - begin);
    return true;
  }

  bool number(Token& t) {
    const std::size_t begin = pos_;
    bool isFloat = false;
    bool hex = false;
    if (src_[pos_] == '0' && pos_ + 1 < src_.size() &&
        (src_[pos_ + 1] == 'x' || src_[pos_ + 1] == 'X')) {
      hex = true;
      advance();
      advance();
      while (pos_ < src_.size() && isHexDigit(src_[pos_])) advance();
    } else {
      while (pos_ < src_.size() && isDigit(src_[pos_])) advance();
      if (pos_ < src_.size() && src_[pos_] == '.') {
        isFloat = true;
        advance();
        while (pos_ < src_.size() && isDigit(src_[pos_])) advance();
      }
      if (pos_ < src_.size() && (src_[pos_] == 'e' || src_[pos_] == 'E')) {
        std::size_t k = pos_ + 1;
        if (k < src_.size() && (src_[k] == '+' || src_[k] == '-')) ++k;
        if (k < src_.size() && isDigit(src_[k])) {
          isFloat = true;
          while (pos_ < k) advance();
          while (pos_ < src_.size() && isDigit(src_[pos_])) advance();
        } else {
          advance();
          fail(t.location, "exponent has no digits");
          return false;
        }
      }
    }
    const std::string_view digits = src_.substr(begin, pos_ - begin);
    const std::size_t suffixBegin = pos_;
    while (pos_ < src_.size() && isIdentChar(src_[pos_])) advance();
    const std::string_view suffix = src_.substr(suffixBegin, pos_ - suffixBegin);
    t.text = src_.substr(begin, pos_ - begin);
    if (hex && digits.size() == 2) {
      fail(t.location, "hexadecimal literal has no digits");
      return false;
    }
    if (isFloat) return floatLiteral(t, digits, suffix);
    return intLiteral(t, digits, suffix, hex);
  }

  bool floatLiteral(Token& t, std::string_view digits, std::string_view suffix) {
    t.kind = TokenKind::FloatLiteral;
    if (suffix.empty()) t.suffix = LiteralSuffix::None;
    else if (suffix == "f" || suffix == "F") t.suffix = LiteralSuffix::Float;
    else if (suffix == "h" || suffix == "H") t.suffix = LiteralSuffix::Half;
    else {
      fail(t.location, "invalid suffix '" + std::string(suffix) + "' on floating constant");
      return false;
    }
    double value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    // from_chars leaves the value alone when it is out of double's range:
    // the decimal exponent then tells overflow from underflow.
    if (result.ec == std::errc::result_out_of_range) {
      value = decimalMagnitude(digits) > 0 ? HUGE_VAL : 0.0;
    }
    // Beyond the largest finite value by half an ulp or more rounds to
    // infinity, which a literal may not do.
    const bool half = t.suffix == LiteralSuffix::Half;
    const double overflow = half ? 65520.0 : 3.40282356779733661637e+38;
    if (value >= overflow) {
      fail(t.location, std::string("magnitude of floating-point constant too large for type '") +
                           (half ? "half'; maximum is 65504" : "float'; maximum is 3.40282347E+38"));
      return false;
    }
    t.floatValue = value;
    return true;
  }

  // The power of ten of a decimal literal's leading digit.
  static long decimalMagnitude(std::string_view digits) {
    const std::size_t e = digits.find_first_of("eE");
    const std::string_view mantissa = digits.substr(0, e);
    long exponent = 0;
    if (e != std::string_view::npos) {
      std::size_t k = e + 1;
      const bool negative = k < digits.size() && digits[k] == '-';
      if (k < digits.size() && (digits[k] == '+' || digits[k] == '-')) ++k;
      for (; k < digits.size() && exponent < 100000; ++k) exponent = exponent * 10 + (digits[k] - '0');
      if (negative) exponent = -exponent;
    }
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return -100000;
    const long position = first < point ? static_cast<long>(point - first) - 1
                                        : -static_cast<long>(first - point);
    return position + exponent;
  }

  bool intLiteral(Token& t, std::string_view digits, std::string_view suffix, bool hex) {
    t.kind = TokenKind::IntLiteral;
    if (suffix.empty()) t.suffix = LiteralSuffix::None;
    else if (suffix == "u" || suffix == "U") t.suffix = LiteralSuffix::Unsigned;
    else {
      fail(t.location, "invalid suffix '" + std::string(suffix) + "' on integer constant");
      return false;
    }
    unsigned base = 10;
    std::size_t i = 0;
    if (hex) {
      base = 16;
      i = 2;
    } else if (digits.size() > 1 && digits[0] == '0') {
      base = 8;
      i = 1;
    }
    t.hexOrOctal = base != 10;
    std::uint64_t value = 0;
    for (; i < digits.size(); ++i) {
      const char c = digits[i];
      const unsigned d = isDigit(c) ? static_cast<unsigned>(c - '0')
                                    : static_cast<unsigned>((c | 0x20) - 'a' + 10);
      if (d >= base) {
        SourceLocation at = t.location;
        at.column += static_cast<std::uint32_t>(i);
        fail(at, "invalid digit '" + std::string(1, c) + "' in octal constant");
        return false;
      }
      value = value * base + d;
      if (value > 0xFFFFFFFFull) {
        fail(t.location, "integer literal is too large to be represented in a 32-bit integer type");
        return false;
      }
    }
    t.intValue = value;
    return true;
  }

  bool punct(Token& t) {
    const std::string_view rest = src_.substr(pos_);
    for (std::string_view p : kPuncts) {
      if (p[0] == rest[0] && rest.substr(0, p.size()) == p) {
        t.kind = TokenKind::Punct;
        t.text = rest.substr(0, p.size());
        for (std::size_t k = 0; k < p.size(); ++k) advance();
        return true;
      }
    }
    const char c = src_[pos_];
    if (c == '\0') {
      fail(here(), "source contains a null character");
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      fail(here(), utf8Length(src_, pos_) == 0
                       ? "source contains invalid UTF-8"
                       : "non-ASCII characters are not allowed outside of literals and identifiers");
    } else if (c == '#') {
      fail(here(), "'#' is only allowed at the start of a preprocessor line");
    } else {
      fail(here(), std::string("unexpected character '") + c + "'");
    }
    return false;
  }

  std::string_view src_;
  Diagnostics& diagnostics_;
  std::size_t pos_ = 0;
  std::uint32_t line_ = 1;
  std::uint32_t column_ = 1;
};

}  // namespace

std::vector<Token> tokenize(std::string_view source, Diagnostics& diagnostics) {
  return Lexer(source, diagnostics).run();
}

}  // namespace mtl::msl
