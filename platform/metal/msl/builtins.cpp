#include "platform/metal/msl/builtins.h"

#include <cstring>

namespace mtl::msl {
namespace {

// Which element kinds a generic T may take.
enum class Class : std::uint8_t { Floating, Integer, Numeric, Any, Bool };

// Parameter codes: T generic scalar or vector, V generic vector only, S the
// scalar element of T, b a bool of T's shape, M a matrix.
// Result codes: T, V, S, b (bool of T's shape), B (bool scalar), v (void),
// d (matrix element), t (transposed matrix).
struct Entry {
  const char* name;
  Builtin id;
  const char* params;
  char result;
  Class cls;
};

constexpr Entry kEntries[] = {
    {"abs", Builtin::Abs, "T", 'T', Class::Numeric},
    {"acos", Builtin::Acos, "T", 'T', Class::Floating},
    {"acosh", Builtin::Acosh, "T", 'T', Class::Floating},
    {"asin", Builtin::Asin, "T", 'T', Class::Floating},
    {"asinh", Builtin::Asinh, "T", 'T', Class::Floating},
    {"atan", Builtin::Atan, "T", 'T', Class::Floating},
    {"atanh", Builtin::Atanh, "T", 'T', Class::Floating},
    {"ceil", Builtin::Ceil, "T", 'T', Class::Floating},
    {"cos", Builtin::Cos, "T", 'T', Class::Floating},
    {"cosh", Builtin::Cosh, "T", 'T', Class::Floating},
    {"cospi", Builtin::Cospi, "T", 'T', Class::Floating},
    {"exp", Builtin::Exp, "T", 'T', Class::Floating},
    {"exp2", Builtin::Exp2, "T", 'T', Class::Floating},
    {"exp10", Builtin::Exp10, "T", 'T', Class::Floating},
    {"fabs", Builtin::Fabs, "T", 'T', Class::Floating},
    {"floor", Builtin::Floor, "T", 'T', Class::Floating},
    {"fract", Builtin::Fract, "T", 'T', Class::Floating},
    {"log", Builtin::Log, "T", 'T', Class::Floating},
    {"log2", Builtin::Log2, "T", 'T', Class::Floating},
    {"log10", Builtin::Log10, "T", 'T', Class::Floating},
    {"rint", Builtin::Rint, "T", 'T', Class::Floating},
    {"round", Builtin::Round, "T", 'T', Class::Floating},
    {"rsqrt", Builtin::Rsqrt, "T", 'T', Class::Floating},
    {"saturate", Builtin::Saturate, "T", 'T', Class::Floating},
    {"sign", Builtin::Sign, "T", 'T', Class::Floating},
    {"sin", Builtin::Sin, "T", 'T', Class::Floating},
    {"sinh", Builtin::Sinh, "T", 'T', Class::Floating},
    {"sinpi", Builtin::Sinpi, "T", 'T', Class::Floating},
    {"sqrt", Builtin::Sqrt, "T", 'T', Class::Floating},
    {"tan", Builtin::Tan, "T", 'T', Class::Floating},
    {"tanh", Builtin::Tanh, "T", 'T', Class::Floating},
    {"tanpi", Builtin::Tanpi, "T", 'T', Class::Floating},
    {"trunc", Builtin::Trunc, "T", 'T', Class::Floating},
    {"clz", Builtin::Clz, "T", 'T', Class::Integer},
    {"ctz", Builtin::Ctz, "T", 'T', Class::Integer},
    {"popcount", Builtin::Popcount, "T", 'T', Class::Integer},
    {"atan2", Builtin::Atan2, "TT", 'T', Class::Floating},
    {"copysign", Builtin::Copysign, "TT", 'T', Class::Floating},
    {"fdim", Builtin::Fdim, "TT", 'T', Class::Floating},
    {"fmax", Builtin::Fmax, "TT", 'T', Class::Floating},
    {"fmin", Builtin::Fmin, "TT", 'T', Class::Floating},
    {"fmod", Builtin::Fmod, "TT", 'T', Class::Floating},
    {"pow", Builtin::Pow, "TT", 'T', Class::Floating},
    {"powr", Builtin::Powr, "TT", 'T', Class::Floating},
    {"step", Builtin::Step, "TT", 'T', Class::Floating},
    {"max", Builtin::Max, "TT", 'T', Class::Numeric},
    {"min", Builtin::Min, "TT", 'T', Class::Numeric},
    {"clamp", Builtin::Clamp, "TTT", 'T', Class::Numeric},
    {"mix", Builtin::Mix, "TTT", 'T', Class::Floating},
    {"smoothstep", Builtin::Smoothstep, "TTT", 'T', Class::Floating},
    {"fma", Builtin::Fma, "TTT", 'T', Class::Floating},
    {"select", Builtin::Select, "TTb", 'T', Class::Any},
    {"isnan", Builtin::Isnan, "T", 'b', Class::Floating},
    {"isinf", Builtin::Isinf, "T", 'b', Class::Floating},
    {"isfinite", Builtin::Isfinite, "T", 'b', Class::Floating},
    {"isnormal", Builtin::Isnormal, "T", 'b', Class::Floating},
    {"signbit", Builtin::Signbit, "T", 'b', Class::Floating},
    {"all", Builtin::All, "T", 'B', Class::Bool},
    {"any", Builtin::Any, "T", 'B', Class::Bool},
    {"dot", Builtin::Dot, "VV", 'S', Class::Floating},
    {"length", Builtin::Length, "V", 'S', Class::Floating},
    {"length_squared", Builtin::LengthSquared, "V", 'S', Class::Floating},
    {"distance", Builtin::Distance, "VV", 'S', Class::Floating},
    {"distance_squared", Builtin::DistanceSquared, "VV", 'S', Class::Floating},
    {"normalize", Builtin::Normalize, "V", 'V', Class::Floating},
    {"cross", Builtin::Cross, "VV", 'V', Class::Floating},
    {"reflect", Builtin::Reflect, "VV", 'V', Class::Floating},
    {"refract", Builtin::Refract, "VVS", 'V', Class::Floating},
    {"faceforward", Builtin::Faceforward, "VVV", 'V', Class::Floating},
    {"determinant", Builtin::Determinant, "M", 'd', Class::Floating},
    {"transpose", Builtin::Transpose, "M", 't', Class::Floating},
    {"dfdx", Builtin::Dfdx, "T", 'T', Class::Floating},
    {"dfdy", Builtin::Dfdy, "T", 'T', Class::Floating},
    {"fwidth", Builtin::Fwidth, "T", 'T', Class::Floating},
    {"discard_fragment", Builtin::DiscardFragment, "", 'v', Class::Any},
};

const Entry* find(const std::string& name) {
  for (const Entry& e : kEntries) {
    if (name == e.name) return &e;
  }
  return nullptr;
}

bool fits(Class cls, Scalar s) {
  switch (cls) {
    case Class::Floating: return isFloating(s);
    case Class::Integer: return isInteger(s);
    case Class::Numeric: return s != Scalar::Bool;
    case Class::Bool: return s == Scalar::Bool;
    case Class::Any: return true;
  }
  return false;
}

// The common element of scalar arguments: equal kinds stay, a floating
// kind wins (float over half), integers promote as C++ does.
Scalar commonScalar(const std::vector<Scalar>& kinds) {
  bool same = true;
  for (Scalar k : kinds) same = same && k == kinds[0];
  if (same) return kinds[0];
  bool anyFloat = false, anyHalf = false, anyUnsigned = false;
  for (Scalar k : kinds) {
    anyFloat = anyFloat || k == Scalar::Float;
    anyHalf = anyHalf || k == Scalar::Half;
    anyUnsigned = anyUnsigned || k == Scalar::UInt;
  }
  if (anyFloat) return Scalar::Float;
  if (anyHalf) return Scalar::Half;
  return anyUnsigned ? Scalar::UInt : Scalar::Int;
}

}  // namespace

const char* builtinName(Builtin b) {
  for (const Entry& e : kEntries) {
    if (e.id == b) return e.name;
  }
  switch (b) {
    case Builtin::Sample: return "sample";
    case Builtin::SampleCompare: return "sample_compare";
    case Builtin::GetWidth: return "get_width";
    case Builtin::GetHeight: return "get_height";
    case Builtin::GetNumMipLevels: return "get_num_mip_levels";
    default: return "?";
  }
}

bool isBuiltinFunction(const std::string& name) { return find(name) != nullptr; }

bool isFragmentOnly(Builtin b) {
  return b == Builtin::Dfdx || b == Builtin::Dfdy || b == Builtin::Fwidth ||
         b == Builtin::DiscardFragment;
}

bool resolveBuiltin(const std::string& name, const std::vector<const Type*>& arguments,
                    TypeTable& types, BuiltinCall& call, std::string& error) {
  const Entry* entry = find(name);
  const std::string noMatch = "no matching function for call to '" + name + "'";
  if (!entry) {
    error = "use of undeclared identifier '" + name + "'";
    return false;
  }
  const std::size_t count = std::strlen(entry->params);
  if (arguments.size() != count) {
    error = noMatch;
    return false;
  }
  call.builtin = entry->id;
  call.parameters.clear();
  if (count == 0) {
    call.result = types.voidType();
    return true;
  }
  if (entry->params[0] == 'M') {
    const Type* m = arguments[0];
    if (!m->isMatrix() || (entry->id == Builtin::Determinant && m->columns != m->rows)) {
      error = noMatch;
      return false;
    }
    call.parameters.push_back(m);
    call.result = entry->result == 'd' ? types.scalar(m->scalar)
                                       : types.matrix(m->scalar, m->rows, m->columns);
    return true;
  }
  // Deduce T from the generic arguments.
  unsigned rows = 1;
  Scalar element = Scalar::Float;
  bool haveVector = false;
  std::vector<Scalar> scalarKinds;
  for (std::size_t i = 0; i < count; ++i) {
    const char p = entry->params[i];
    const Type* a = arguments[i];
    if (p != 'T' && p != 'V') continue;
    if (!a->isScalarOrVector()) {
      error = noMatch;
      return false;
    }
    if (a->isVector()) {
      if (haveVector && (a->rows != rows || a->scalar != element)) {
        error = noMatch;
        return false;
      }
      haveVector = true;
      rows = a->rows;
      element = a->scalar;
    } else {
      scalarKinds.push_back(a->scalar);
    }
  }
  if (!haveVector) {
    element = commonScalar(scalarKinds);
    if (entry->cls == Class::Floating && !isFloating(element)) {
      // An integer argument would fit float and half alike.
      error = "call to '" + name + "' is ambiguous";
      return false;
    }
  }
  if (!fits(entry->cls, element)) {
    error = noMatch;
    return false;
  }
  const bool needsVector = std::strchr(entry->params, 'V') != nullptr;
  if (needsVector && (rows < 2 || (entry->id == Builtin::Cross && rows != 3))) {
    error = noMatch;
    return false;
  }
  const Type* generic = types.vector(element, rows);
  for (std::size_t i = 0; i < count; ++i) {
    switch (entry->params[i]) {
      case 'T': case 'V': call.parameters.push_back(generic); break;
      case 'S':
        if (!arguments[i]->isScalar()) {
          error = noMatch;
          return false;
        }
        call.parameters.push_back(types.scalar(element));
        break;
      case 'b':
        if (arguments[i]->scalar != Scalar::Bool || !arguments[i]->isScalarOrVector() ||
            (arguments[i]->isVector() && arguments[i]->rows != rows)) {
          error = noMatch;
          return false;
        }
        call.parameters.push_back(types.vector(Scalar::Bool, rows));
        break;
    }
  }
  switch (entry->result) {
    case 'T': case 'V': call.result = generic; break;
    case 'S': call.result = types.scalar(element); break;
    case 'b': call.result = types.vector(Scalar::Bool, rows); break;
    case 'B': call.result = types.boolType(); break;
  }
  return true;
}

bool resolveTextureMethod(const Type* texture, const std::string& method,
                          const std::vector<const Type*>& arguments, SampleOption option,
                          TypeTable& types, BuiltinCall& call, std::string& error) {
  const std::string noMember =
      "no member named '" + method + "' in '" + texture->name + "'";
  const std::string noMatch = "no matching member function for call to '" + method + "'";
  call.parameters.clear();
  const bool cube = texture->shape == TextureShape::TextureCube;
  const bool depth = texture->shape == TextureShape::Depth2D;
  const Type* coordinate = types.vector(Scalar::Float, cube ? 3 : 2);
  const auto isScalarNumeric = [](const Type* t) { return t->isScalar(); };
  if (method == "sample" || method == "sample_compare") {
    const bool compare = method == "sample_compare";
    if (compare && !depth) {
      error = noMember;
      return false;
    }
    if (texture->access != TextureAccess::Sample) {
      error = noMatch;
      return false;
    }
    const std::size_t count = compare ? 3 : 2;
    if (arguments.size() != count || arguments[0]->kind != TypeKind::Sampler ||
        !(arguments[1]->isScalarOrVector() && arguments[1]->rows == coordinate->rows &&
          arguments[1]->scalar == Scalar::Float) ||
        (compare && !isScalarNumeric(arguments[2]))) {
      error = noMatch;
      return false;
    }
    const bool optionFits =
        option == SampleOption::None || option == SampleOption::Level ||
        (!compare && option == SampleOption::Bias) ||
        (!compare && !cube && option == SampleOption::Gradient2D) ||
        (!compare && cube && option == SampleOption::GradientCube);
    if (!optionFits) {
      error = noMatch;
      return false;
    }
    call.builtin = compare ? Builtin::SampleCompare : Builtin::Sample;
    call.parameters = {types.samplerType(), coordinate};
    if (compare) call.parameters.push_back(types.floatType());
    call.result = depth ? types.scalar(texture->scalar) : types.vector(texture->scalar, 4);
    return true;
  }
  if (method == "get_width" || method == "get_height") {
    if (arguments.size() > 1 || option != SampleOption::None ||
        (arguments.size() == 1 && !(arguments[0]->isScalar() && isInteger(arguments[0]->scalar)))) {
      error = noMatch;
      return false;
    }
    call.builtin = method == "get_width" ? Builtin::GetWidth : Builtin::GetHeight;
    if (arguments.size() == 1) call.parameters.push_back(types.uintType());
    call.result = types.uintType();
    return true;
  }
  if (method == "get_num_mip_levels") {
    if (!arguments.empty() || option != SampleOption::None) {
      error = noMatch;
      return false;
    }
    call.builtin = Builtin::GetNumMipLevels;
    call.result = types.uintType();
    return true;
  }
  error = noMember;
  return false;
}

}  // namespace mtl::msl
