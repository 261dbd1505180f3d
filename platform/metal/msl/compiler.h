// The shading-language compiler: source text to the bytecode of every
// vertex and fragment function, or the errors that stop it, formatted as
// Metal's compiler prints them. Thread-safe: each call is independent.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/metal/msl/bytecode.h"

namespace mtl::msl {

struct CompileResult {
  std::vector<std::shared_ptr<const CompiledFunction>> functions;
  // Empty on success; else "program_source:L:C: error: ..." with the source
  // line and a caret, per error.
  std::string errors;
  std::size_t errorCount = 0;
  bool ok() const { return errorCount == 0; }
};

CompileResult compile(std::string_view source);

}  // namespace mtl::msl
