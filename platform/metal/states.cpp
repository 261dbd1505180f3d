#include "platform/metal/states.h"

namespace mtl {

const StructMember* StructType::memberByName(const std::string& name) const {
  for (const StructMember& m : members) {
    if (m.name == name) return &m;
  }
  return nullptr;
}

}  // namespace mtl
