// Shader libraries and their functions as objects. A library made from
// source compiles it (msl/compiler.h); each function carries its bytecode
// and interface for pipeline creation and execution.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/metal/types.h"

namespace mtl {

namespace msl {
struct CompiledFunction;
}

struct CompileOptions {
  // Kept for the callers that set it; the software GPU computes the same
  // either way.
  bool fastMathEnabled = true;
  std::map<std::string, std::string> preprocessorMacros;
};

struct VertexAttribute {
  std::string name;
  NSUInteger attributeIndex = 0;
  DataType attributeType = DataType::None;
  bool active = true;
};

class Function {
 public:
  explicit Function(std::shared_ptr<const msl::CompiledFunction> code);

  const std::string& name() const;
  FunctionType functionType() const;
  // One per [[attribute(n)]] member of a vertex function's stage_in
  // struct, in member order; active when the code reads it.
  const std::vector<VertexAttribute>& vertexAttributes() const { return attributes_; }
  const std::shared_ptr<const msl::CompiledFunction>& code() const { return code_; }
  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }

 private:
  std::shared_ptr<const msl::CompiledFunction> code_;
  std::vector<VertexAttribute> attributes_;
  std::string label_;
};

class Library {
 public:
  Library(std::string source, CompileOptions options,
          std::vector<std::shared_ptr<Function>> functions = {});

  const std::string& source() const { return source_; }
  const CompileOptions& options() const { return options_; }
  std::vector<std::string> functionNames() const;
  // Null when the library has no function of that name.
  std::shared_ptr<Function> newFunctionWithName(const std::string& name) const;

  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }

 private:
  std::string source_;
  CompileOptions options_;
  std::vector<std::shared_ptr<Function>> functions_;
  std::string label_;
};

}  // namespace mtl
