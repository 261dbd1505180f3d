// The words of the Metal shading language that a variable or structure
// the printer names itself must not take. metal_subset.md lists the same
// words; a test holds the two together.
#include <algorithm>

#include "shadercompiler/optimizer/metal_conversion.h"

const std::vector<std::string> &metal_reserved_words() {
  static const std::vector<std::string> kWords = [] {
    std::vector<std::string> words = {
        // C++ keywords and alternative tokens.
        "alignas", "alignof", "and", "and_eq", "asm", "auto", "bitand", "bitor", "bool", "break",
        "case", "catch", "char", "char16_t", "char32_t", "class", "compl", "const", "constexpr",
        "const_cast", "continue", "decltype", "default", "delete", "do", "double",
        "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false", "float", "for",
        "friend", "goto", "if", "inline", "int", "long", "mutable", "namespace", "new",
        "noexcept", "not", "not_eq", "nullptr", "operator", "or", "or_eq", "private",
        "protected", "public", "register", "reinterpret_cast", "return", "short", "signed",
        "sizeof", "static", "static_assert", "static_cast", "struct", "switch", "template",
        "this", "thread_local", "throw", "true", "try", "typedef", "typeid", "typename",
        "union", "unsigned", "using", "virtual", "void", "volatile", "wchar_t", "while", "xor",
        "xor_eq",
        // The language's own words.
        "metal", "vertex", "fragment", "kernel", "constant", "device", "thread",
        "threadgroup", "threadgroup_imageblock", "ray_data", "object_data", "visible",
        "stage_in", "as_type", "size_t", "ptrdiff_t", "half", "uchar", "ushort", "uint",
        "ulong", "array", "packed_float2", "packed_float3", "packed_float4", "sampler",
        "texture1d", "texture1d_array", "texture2d", "texture2d_array", "texture2d_ms",
        "texture3d", "texturecube", "texturecube_array", "depth2d", "depth2d_array",
        "depthcube", "depth2d_ms", "access", "coord", "address", "filter", "bias", "level",
        "gradient2d", "gradientcube", "min_lod_clamp",
        // Constants of the standard library.
        "NAN", "INFINITY", "MAXFLOAT", "HUGE_VALF", "FLT_MAX", "FLT_MIN", "FLT_EPSILON",
        "M_PI_F", "M_E_F",
        // Functions of the standard library.
        "abs", "acos", "acosh", "all", "any", "asin", "asinh", "atan", "atan2", "atanh",
        "ceil", "clamp", "copysign", "cos", "cosh", "cospi", "cross", "determinant", "dfdx",
        "dfdy", "discard_fragment", "distance", "distance_squared", "dot", "exp", "exp10",
        "exp2", "fabs", "faceforward", "fdim", "floor", "fma", "fmax", "fmin", "fmod", "fract",
        "fwidth", "isfinite", "isinf", "isnan", "isnormal", "length", "length_squared", "log",
        "log10", "log2", "max", "min", "mix", "normalize", "pow", "powr", "reflect", "refract",
        "rint", "round", "rsqrt", "saturate", "select", "sign", "signbit", "sin", "sinh",
        "sinpi", "smoothstep", "sqrt", "step", "tan", "tanh", "tanpi", "transpose", "trunc",
        "clz", "ctz", "popcount"};
    // The scalar, vector and matrix type names.
    for (const char *s : {"bool", "char", "uchar", "short", "ushort", "int", "uint", "long",
                          "ulong", "half", "float"})
      for (int n = 2; n <= 4; n++) words.push_back(std::string(s) + std::to_string(n));
    for (const char *s : {"half", "float"})
      for (int c = 2; c <= 4; c++)
        for (int r = 2; r <= 4; r++)
          words.push_back(std::string(s) + std::to_string(c) + "x" + std::to_string(r));
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
  }();
  return kWords;
}

bool is_metal_reserved_word(const std::string &word) {
  const std::vector<std::string> &words = metal_reserved_words();
  return std::binary_search(words.begin(), words.end(), word);
}
