// Shader libraries and their functions as objects. A library made from
// source keeps the source; compiling it into functions is the shading
// language front end's job.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/metal/types.h"

namespace mtl {

struct CompileOptions {
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
  Function(std::string name, FunctionType type, std::vector<VertexAttribute> attributes = {});

  const std::string& name() const { return name_; }
  FunctionType functionType() const { return type_; }
  // Inputs of a vertex function that carry the stage-in attributes.
  const std::vector<VertexAttribute>& vertexAttributes() const { return attributes_; }
  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }

 private:
  std::string name_;
  FunctionType type_;
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
