#include "platform/metal/enum_names.h"

namespace mtl {

const char* name(PrimitiveType type) {
  switch (type) {
    case PrimitiveType::Point: return "Point";
    case PrimitiveType::Line: return "Line";
    case PrimitiveType::LineStrip: return "LineStrip";
    case PrimitiveType::Triangle: return "Triangle";
    case PrimitiveType::TriangleStrip: return "TriangleStrip";
  }
  return "?";
}

const char* name(IndexType type) { return type == IndexType::UInt16 ? "UInt16" : "UInt32"; }

const char* name(LoadAction action) {
  switch (action) {
    case LoadAction::DontCare: return "DontCare";
    case LoadAction::Load: return "Load";
    case LoadAction::Clear: return "Clear";
  }
  return "?";
}

const char* name(StoreAction action) {
  switch (action) {
    case StoreAction::DontCare: return "DontCare";
    case StoreAction::Store: return "Store";
    case StoreAction::MultisampleResolve: return "MultisampleResolve";
    case StoreAction::StoreAndMultisampleResolve: return "StoreAndMultisampleResolve";
    case StoreAction::Unknown: return "Unknown";
  }
  return "?";
}

}  // namespace mtl
