// The shading language's types with Metal's memory layout (size and
// alignment in a buffer) and their register shape in the bytecode.
//
// Layout, as the Metal Shading Language Specification's tables give it:
// a scalar's size is its alignment (bool, char 1; short, half 2; int,
// float 4); a 2-vector is twice the scalar, 3- and 4-vectors four times
// (so float3 takes 16 bytes, 16-aligned); packed_TN is N scalars aligned
// as the scalar; a matrix is C columns of its R-vector; an array is the
// element size times the length; a struct places members in order at
// their alignment and rounds its size up to its largest alignment.
//
// Types are interned per compilation in a TypeTable and compared by
// address. Not thread-safe: one table belongs to one compilation.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/metal/types.h"

namespace mtl::msl {

// Element kinds, in the order of Metal's data type tables.
enum class Scalar : std::uint8_t { Bool, Char, UChar, Short, UShort, Int, UInt, Half, Float };

constexpr bool isFloating(Scalar s) { return s == Scalar::Half || s == Scalar::Float; }
constexpr bool isInteger(Scalar s) { return !isFloating(s) && s != Scalar::Bool; }
constexpr bool isSigned(Scalar s) {
  return s == Scalar::Char || s == Scalar::Short || s == Scalar::Int;
}
constexpr unsigned scalarSize(Scalar s) {
  switch (s) {
    case Scalar::Bool: case Scalar::Char: case Scalar::UChar: return 1;
    case Scalar::Short: case Scalar::UShort: case Scalar::Half: return 2;
    default: return 4;
  }
}
const char* scalarName(Scalar s);

enum class TypeKind : std::uint8_t {
  Void, Scalar, Vector, Matrix, Array, Struct, Texture, Sampler, Error,
};
enum class TextureShape : std::uint8_t { Texture2D, TextureCube, Depth2D };
enum class TextureAccess : std::uint8_t { Sample, Read, Write, ReadWrite };

struct Type;

// What an attribute makes of a struct member or an entry-point parameter.
enum class Semantic : std::uint8_t {
  None, StageIn, Buffer, Texture, Sampler, Attribute, Position, PointSize, User, Color,
  FrontFacing, PointCoord,
};
enum class Interpolation : std::uint8_t {
  CenterPerspective, CenterNoPerspective, CentroidPerspective, CentroidNoPerspective,
  SamplePerspective, SampleNoPerspective, Flat,
};

struct MemberSemantic {
  Semantic kind = Semantic::None;
  std::uint32_t index = 0;     // attribute(n), color(n)
  std::string user;            // user(name)
  Interpolation interpolation = Interpolation::CenterPerspective;
  bool explicitInterpolation = false;
};

struct StructMemberInfo {
  std::string name;
  const Type* type = nullptr;
  std::uint64_t offset = 0;     // bytes, in Metal's layout
  std::uint32_t firstRegister = 0;
  MemberSemantic semantic;
};

struct StructInfo {
  std::string name;
  std::vector<StructMemberInfo> members;
  const StructMemberInfo* member(const std::string& memberName) const;
};

struct Type {
  TypeKind kind = TypeKind::Error;
  Scalar scalar = Scalar::Float;  // element of scalars, vectors, matrices, textures
  std::uint8_t rows = 1;          // vector length, or rows of a matrix
  std::uint8_t columns = 1;       // matrix columns
  bool packed = false;            // packed_TN
  const Type* element = nullptr;  // array element
  std::uint64_t length = 0;       // array length
  const StructInfo* structInfo = nullptr;
  TextureShape shape = TextureShape::Texture2D;
  TextureAccess access = TextureAccess::Sample;

  std::uint64_t size = 0;        // bytes in Metal's layout
  std::uint64_t alignment = 1;
  std::uint64_t registers = 0;   // 4-component registers a value occupies
  std::string name;              // as messages print it

  bool isScalar() const { return kind == TypeKind::Scalar; }
  bool isVector() const { return kind == TypeKind::Vector; }
  bool isScalarOrVector() const { return isScalar() || isVector(); }
  bool isMatrix() const { return kind == TypeKind::Matrix; }
  bool isArray() const { return kind == TypeKind::Array; }
  bool isStruct() const { return kind == TypeKind::Struct; }
  bool isNumeric() const {
    return (isScalarOrVector() || isMatrix()) && scalar != Scalar::Bool;
  }
  bool isError() const { return kind == TypeKind::Error; }
  bool isVoid() const { return kind == TypeKind::Void; }
  // Components of a scalar or vector.
  unsigned components() const { return isScalarOrVector() ? rows : 0; }
  // Whether values of the type can live in registers (no textures or
  // samplers inside).
  bool isData() const;
};

// Largest array a program may declare; bigger ones are refused before any
// storage is reserved.
constexpr std::uint64_t kMaxTypeSize = std::uint64_t{1} << 31;

class TypeTable {
 public:
  TypeTable();
  TypeTable(const TypeTable&) = delete;
  TypeTable& operator=(const TypeTable&) = delete;

  const Type* voidType() const { return void_; }
  const Type* errorType() const { return error_; }
  const Type* samplerType() const { return sampler_; }
  const Type* boolType() const { return scalar(Scalar::Bool); }
  const Type* intType() const { return scalar(Scalar::Int); }
  const Type* uintType() const { return scalar(Scalar::UInt); }
  const Type* floatType() const { return scalar(Scalar::Float); }
  const Type* scalar(Scalar s) const { return scalars_[static_cast<int>(s)]; }
  // rows == 1 gives the scalar.
  const Type* vector(Scalar s, unsigned rows, bool packed = false);
  const Type* matrix(Scalar s, unsigned columns, unsigned rows);
  // Null when the array would exceed kMaxTypeSize.
  const Type* array(const Type* element, std::uint64_t length);
  const Type* texture(TextureShape shape, Scalar s, TextureAccess access);
  // A new struct type; members are laid out in order. Null when it would
  // exceed kMaxTypeSize.
  const Type* makeStruct(const std::string& name, std::vector<StructMemberInfo> members);

  // The unpacked vector of a packed one; other types unchanged.
  const Type* unpacked(const Type* t);
  // The same shape with another element kind.
  const Type* withScalar(const Type* t, Scalar s);
  // A vector or matrix column type: the matrix's column.
  const Type* column(const Type* matrix);
  // Looks a built-in type name up ("float4", "half3x3", "packed_float3",
  // "sampler", "bool"): null when the name is none.
  const Type* byName(const std::string& name);

 private:
  const Type* intern(Type t);

  std::deque<Type> types_;
  std::deque<StructInfo> structs_;
  std::map<std::tuple<int, int, int, int, bool, const Type*, std::uint64_t>, const Type*> index_;
  const Type* void_;
  const Type* error_;
  const Type* sampler_;
  const Type* scalars_[9];
};

// Metal's data type of a scalar, vector or matrix (None for anything else).
DataType dataTypeOf(const Type* t);

}  // namespace mtl::msl
