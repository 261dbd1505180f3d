// Splits shading-language source into tokens, each with its line and
// column. Comments and white space disappear; a preprocessor line becomes
// one Directive token. The source must be UTF-8 without NUL characters;
// anything else is reported. The lexer runs in one pass, linear in the
// source's length.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/metal/msl/diagnostics.h"

namespace mtl::msl {

enum class TokenKind : std::uint8_t {
  End, Identifier, IntLiteral, FloatLiteral, Punct, Directive,
};

enum class LiteralSuffix : std::uint8_t { None, Unsigned, Float, Half };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view text;  // points into the source
  SourceLocation location;
  // Literals: the value and the suffix that types it.
  std::uint64_t intValue = 0;
  double floatValue = 0;
  LiteralSuffix suffix = LiteralSuffix::None;
  bool hexOrOctal = false;

  // Called for most tokens many times by the parser: compares by hand
  // rather than through memcmp.
  bool is(std::string_view s) const {
    if (text.size() != s.size() || (kind != TokenKind::Punct && kind != TokenKind::Identifier)) {
      return false;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (text[i] != s[i]) return false;
    }
    return true;
  }
};

// Tokens up to and including End, or up to the first error (then the list
// ends with End at the error and `diagnostics` holds the error).
std::vector<Token> tokenize(std::string_view source, Diagnostics& diagnostics);

}  // namespace mtl::msl
