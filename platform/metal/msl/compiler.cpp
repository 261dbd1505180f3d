#include "platform/metal/msl/compiler.h"

#include "platform/metal/msl/checker.h"
#include "platform/metal/msl/codegen.h"
#include "platform/metal/msl/lexer.h"
#include "platform/metal/msl/parser.h"

namespace mtl::msl {

CompileResult compile(std::string_view source) {
  CompileResult result;
  Diagnostics diagnostics;
  const auto finish = [&]() {
    result.errors = diagnostics.format(source);
    result.errorCount = diagnostics.errors().size();
    result.functions.clear();
    return result;
  };
  const std::vector<Token> tokens = tokenize(source, diagnostics);
  if (!diagnostics.empty()) return finish();
  TypeTable types;
  TranslationUnit unit = parse(tokens, types, diagnostics);
  if (!diagnostics.empty()) return finish();
  check(unit, types, diagnostics);
  if (!diagnostics.empty()) return finish();
  for (auto& f : generate(unit, types, diagnostics)) result.functions.push_back(std::move(f));
  if (!diagnostics.empty()) return finish();
  return result;
}

}  // namespace mtl::msl
