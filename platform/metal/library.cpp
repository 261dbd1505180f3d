#include "platform/metal/library.h"

#include <utility>

namespace mtl {

Function::Function(std::string name, FunctionType type, std::vector<VertexAttribute> attributes)
    : name_(std::move(name)), type_(type), attributes_(std::move(attributes)) {}

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
