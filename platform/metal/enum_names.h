// Names of Metal enumeration values for the command log.
#pragma once

#include <string>

#include "platform/metal/types.h"

namespace mtl {

const char* name(PrimitiveType type);
const char* name(IndexType type);
const char* name(LoadAction action);
const char* name(StoreAction action);

}  // namespace mtl
