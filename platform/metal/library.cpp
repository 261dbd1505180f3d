#include "platform/metal/library.h"

#include <utility>

#include "platform/metal/msl/bytecode.h"

namespace mtl {

Function::Function(std::shared_ptr<const msl::CompiledFunction> code) : code_(std::move(code)) {
  for (const msl::InterfaceValue& in : code_->inputs) {
    if (in.kind != msl::InterfaceKind::Attribute) continue;
    attributes_.push_back({in.name, in.index, in.dataType, in.active});
  }
}

const std::string& Function::name() const { return code_->name; }
FunctionType Function::functionType() const { return code_->stage; }

Library::Library(std::string source, CompileOptions options,
                 std::vector<std::shared_ptr<Function>> functions)
    : source_(std::move(source)), options_(std::move(options)), functions_(std::move(functions)) {}

std::vector<std::string> Library::functionNames() const {
  std::vector<std::string> names;
  for (const auto& f : functions_) names.push_back(f->name());
  return names;
}

std::shared_ptr<Function> Library::newFunctionWithName(const std::string& name) const {
  for (const auto& f : functions_) {
    if (f->name() == name) return f;
  }
  return nullptr;
}

}  // namespace mtl
