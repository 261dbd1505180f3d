#include "platform/metal/msl/types.h"

#include <algorithm>

namespace mtl::msl {
namespace {

constexpr Scalar kScalars[] = {Scalar::Bool, Scalar::Char, Scalar::UChar, Scalar::Short,
                               Scalar::UShort, Scalar::Int, Scalar::UInt, Scalar::Half,
                               Scalar::Float};

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

const char* scalarName(Scalar s) {
  switch (s) {
    case Scalar::Bool: return "bool";
    case Scalar::Char: return "char";
    case Scalar::UChar: return "uchar";
    case Scalar::Short: return "short";
    case Scalar::UShort: return "ushort";
    case Scalar::Int: return "int";
    case Scalar::UInt: return "uint";
    case Scalar::Half: return "half";
    case Scalar::Float: return "float";
  }
  return "?";
}

const StructMemberInfo* StructInfo::member(const std::string& memberName) const {
  for (const auto& m : members) {
    if (m.name == memberName) return &m;
  }
  return nullptr;
}

bool Type::isData() const {
  switch (kind) {
    case TypeKind::Scalar: case TypeKind::Vector: case TypeKind::Matrix: return true;
    case TypeKind::Array: return element->isData();
    case TypeKind::Struct:
      return std::all_of(structInfo->members.begin(), structInfo->members.end(),
                         [](const StructMemberInfo& m) { return m.type->isData(); });
    default: return false;
  }
}

TypeTable::TypeTable() {
  Type v;
  v.kind = TypeKind::Void;
  v.name = "void";
  void_ = intern(v);
  Type e;
  e.kind = TypeKind::Error;
  e.name = "<error>";
  e.scalar = Scalar::Bool;
  error_ = intern(e);
  Type s;
  s.kind = TypeKind::Sampler;
  s.name = "sampler";
  sampler_ = intern(s);
  for (Scalar k : kScalars) {
    Type t;
    t.kind = TypeKind::Scalar;
    t.scalar = k;
    t.size = t.alignment = scalarSize(k);
    t.registers = 1;
    t.name = scalarName(k);
    scalars_[static_cast<int>(k)] = intern(t);
  }
}

const Type* TypeTable::intern(Type t) {
  const auto key = std::make_tuple(static_cast<int>(t.kind), static_cast<int>(t.scalar),
                                   t.rows * 16 + t.columns,
                                   static_cast<int>(t.shape) * 16 + static_cast<int>(t.access),
                                   t.packed, t.element, t.length);
  if (t.kind != TypeKind::Struct) {
    auto it = index_.find(key);
    if (it != index_.end()) return it->second;
  }
  types_.push_back(std::move(t));
  const Type* result = &types_.back();
  if (result->kind != TypeKind::Struct) index_.emplace(key, result);
  return result;
}

const Type* TypeTable::vector(Scalar s, unsigned rows, bool packed) {
  if (rows == 1) return scalar(s);
  Type t;
  t.kind = TypeKind::Vector;
  t.scalar = s;
  t.rows = static_cast<std::uint8_t>(rows);
  t.packed = packed;
  const unsigned scalarBytes = scalarSize(s);
  if (packed) {
    t.size = scalarBytes * rows;
    t.alignment = scalarBytes;
  } else {
    t.size = t.alignment = scalarBytes * (rows == 2 ? 2 : 4);
  }
  t.registers = 1;
  t.name = std::string(packed ? "packed_" : "") + scalarName(s) + std::to_string(rows);
  return intern(t);
}

const Type* TypeTable::matrix(Scalar s, unsigned columns, unsigned rows) {
  Type t;
  t.kind = TypeKind::Matrix;
  t.scalar = s;
  t.rows = static_cast<std::uint8_t>(rows);
  t.columns = static_cast<std::uint8_t>(columns);
  const Type* col = vector(s, rows);
  t.size = col->size * columns;
  t.alignment = col->alignment;
  t.registers = columns;
  t.name = std::string(scalarName(s)) + std::to_string(columns) + "x" + std::to_string(rows);
  return intern(t);
}

const Type* TypeTable::array(const Type* element, std::uint64_t length) {
  if (length == 0 || element->size == 0 || length > kMaxTypeSize / element->size) return nullptr;
  Type t;
  t.kind = TypeKind::Array;
  t.element = element;
  t.length = length;
  t.size = element->size * length;
  t.alignment = element->alignment;
  t.registers = element->registers * length;
  // Printed as the element followed by its extent, inner extents last, as
  // C++ prints them: float[2][3] is an array of 2 arrays of 3 floats.
  const Type* base = element;
  std::string extents = "[" + std::to_string(length) + "]";
  while (base->isArray()) {
    extents += "[" + std::to_string(base->length) + "]";
    base = base->element;
  }
  t.name = base->name + " " + extents;
  return intern(t);
}

const Type* TypeTable::texture(TextureShape shape, Scalar s, TextureAccess access) {
  Type t;
  t.kind = TypeKind::Texture;
  t.shape = shape;
  t.scalar = s;
  t.access = access;
  const char* base = shape == TextureShape::Texture2D     ? "texture2d"
                     : shape == TextureShape::TextureCube ? "texturecube"
                                                          : "depth2d";
  t.name = std::string(base) + "<" + scalarName(s);
  if (access == TextureAccess::Read) t.name += ", access::read";
  t.name += ">";
  return intern(t);
}

const Type* TypeTable::makeStruct(const std::string& name,
                                  std::vector<StructMemberInfo> members) {
  Type t;
  t.kind = TypeKind::Struct;
  t.name = name;
  std::uint64_t offset = 0, alignment = 1, registers = 0;
  for (auto& m : members) {
    offset = alignUp(offset, m.type->alignment);
    m.offset = offset;
    m.firstRegister = static_cast<std::uint32_t>(registers);
    offset += m.type->size;
    registers += m.type->registers;
    alignment = std::max(alignment, m.type->alignment);
    if (offset > kMaxTypeSize) return nullptr;
  }
  structs_.push_back(StructInfo{name, std::move(members)});
  t.structInfo = &structs_.back();
  t.alignment = alignment;
  t.size = alignUp(offset, alignment);
  t.registers = registers;
  return intern(t);
}

const Type* TypeTable::unpacked(const Type* t) {
  return t->packed ? vector(t->scalar, t->rows) : t;
}

const Type* TypeTable::withScalar(const Type* t, Scalar s) {
  switch (t->kind) {
    case TypeKind::Scalar: return scalar(s);
    case TypeKind::Vector: return vector(s, t->rows);
    case TypeKind::Matrix: return matrix(s, t->columns, t->rows);
    default: return t;
  }
}

const Type* TypeTable::column(const Type* m) { return vector(m->scalar, m->rows); }

const Type* TypeTable::byName(const std::string& name) {
  if (name == "void") return void_;
  if (name == "sampler") return sampler_;
  std::string rest = name;
  bool packed = false;
  if (rest.rfind("packed_", 0) == 0) {
    packed = true;
    rest = rest.substr(7);
  }
  for (Scalar k : kScalars) {
    const std::string base = scalarName(k);
    if (rest.rfind(base, 0) != 0) continue;
    const std::string shape = rest.substr(base.size());
    if (shape.empty()) return packed ? nullptr : scalar(k);
    if (shape.size() == 1 && shape[0] >= '2' && shape[0] <= '4') {
      return vector(k, static_cast<unsigned>(shape[0] - '0'), packed);
    }
    if (!packed && isFloating(k) && shape.size() == 3 && shape[1] == 'x' && shape[0] >= '2' &&
        shape[0] <= '4' && shape[2] >= '2' && shape[2] <= '4') {
      return matrix(k, static_cast<unsigned>(shape[0] - '0'),
                    static_cast<unsigned>(shape[2] - '0'));
    }
  }
  return nullptr;
}

DataType dataTypeOf(const Type* t) {
  if (t->kind == TypeKind::Struct) return DataType::Struct;
  if (t->kind == TypeKind::Array) return DataType::Array;
  if (t->kind == TypeKind::Texture) return DataType::Texture;
  if (t->kind == TypeKind::Sampler) return DataType::Sampler;
  const unsigned n = t->rows;
  if (t->kind == TypeKind::Matrix) {
    const unsigned base = t->scalar == Scalar::Float ? 7 : 20;
    return static_cast<DataType>(base + (t->columns - 2) * 3 + (n - 2));
  }
  if (t->kind != TypeKind::Scalar && t->kind != TypeKind::Vector) return DataType::None;
  unsigned first = 0;
  switch (t->scalar) {
    case Scalar::Float: first = 3; break;
    case Scalar::Half: first = 16; break;
    case Scalar::Int: first = 29; break;
    case Scalar::UInt: first = 33; break;
    case Scalar::Short: first = 37; break;
    case Scalar::UShort: first = 41; break;
    case Scalar::Char: first = 45; break;
    case Scalar::UChar: first = 49; break;
    case Scalar::Bool: first = 53; break;
  }
  return static_cast<DataType>(first + n - 1);
}

}  // namespace mtl::msl
