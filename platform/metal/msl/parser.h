// Builds the syntax tree of a translation unit from its tokens. The parser
// stops at the first syntax error. Nesting is bounded: brackets, blocks and
// statements at most kMaxNesting deep, any expression tree at most
// kMaxExpressionDepth high, so that no later walk can exhaust the stack.
#pragma once

#include <string_view>
#include <vector>

#include "platform/metal/msl/ast.h"
#include "platform/metal/msl/diagnostics.h"
#include "platform/metal/msl/lexer.h"
#include "platform/metal/msl/types.h"

namespace mtl::msl {

constexpr unsigned kMaxNesting = 256;
constexpr unsigned kMaxExpressionDepth = 1024;

// Null-free: on an error the tree holds what was parsed before it and
// `diagnostics` is not empty.
TranslationUnit parse(const std::vector<Token>& tokens, TypeTable& types,
                      Diagnostics& diagnostics);

}  // namespace mtl::msl
