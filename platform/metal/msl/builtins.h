// The standard library functions a program may call, with the rules that
// pick their parameter and result types from the arguments: a generic T is
// a scalar or vector whose element comes from the arguments (a vector
// argument fixes it, scalars broadcast), as Metal's overloads resolve.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/metal/msl/types.h"

namespace mtl::msl {

enum class Builtin : std::uint8_t {
  // One argument, component-wise.
  Abs, Acos, Acosh, Asin, Asinh, Atan, Atanh, Ceil, Cos, Cosh, Cospi, Exp, Exp2, Exp10, Fabs,
  Floor, Fract, Log, Log2, Log10, Rint, Round, Rsqrt, Saturate, Sign, Sin, Sinh, Sinpi, Sqrt,
  Tan, Tanh, Tanpi, Trunc, Clz, Ctz, Popcount,
  // Two arguments, component-wise.
  Atan2, Copysign, Fdim, Fmax, Fmin, Fmod, Pow, Powr, Step, Max, Min,
  // Three arguments, component-wise.
  Clamp, Mix, Smoothstep, Fma, Select,
  // Classification, to bool.
  Isnan, Isinf, Isfinite, Isnormal, Signbit, All, Any,
  // Geometry.
  Dot, Length, LengthSquared, Distance, DistanceSquared, Normalize, Cross, Reflect, Refract,
  Faceforward,
  // Matrices.
  Determinant, Transpose,
  // Fragment functions only.
  Dfdx, Dfdy, Fwidth, DiscardFragment,
  // Texture methods.
  Sample, SampleCompare, GetWidth, GetHeight, GetNumMipLevels,
  Count
};

const char* builtinName(Builtin b);

// Whether a free function of this name exists.
bool isBuiltinFunction(const std::string& name);
// Whether only fragment functions (and what they call) may use it.
bool isFragmentOnly(Builtin b);

struct BuiltinCall {
  Builtin builtin = Builtin::Count;
  const Type* result = nullptr;
  std::vector<const Type*> parameters;  // the arguments convert to these
};

// Resolves a call of a free built-in function; false with `error` set
// when no overload takes the arguments.
bool resolveBuiltin(const std::string& name, const std::vector<const Type*>& arguments,
                    TypeTable& types, BuiltinCall& call, std::string& error);

// Sampling options passed to a texture method.
enum class SampleOption : std::uint8_t { None, Bias, Level, Gradient2D, GradientCube };

// Resolves a texture method call. `arguments` excludes the option, which
// `option` names, with `optionArguments` its argument types.
bool resolveTextureMethod(const Type* texture, const std::string& method,
                          const std::vector<const Type*>& arguments, SampleOption option,
                          TypeTable& types, BuiltinCall& call, std::string& error);

}  // namespace mtl::msl
