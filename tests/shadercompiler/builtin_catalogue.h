// The built-in library's function names, as the catalogue lists them.
#pragma once

namespace builtin_catalogue {

// The catalogue's names in creation order.
inline constexpr const char *kNames[] = {
    "radians", "degrees", "sin", "cos", "tan", "asin", "acos", "atan", "sinh", "cosh", "tanh",
    "asinh", "acosh", "atanh", "pow", "exp", "log", "exp2", "log2", "sqrt", "inversesqrt", "abs",
    "sign", "floor", "trunc", "round", "roundEven", "ceil", "fract", "mod", "modf", "min", "max",
    "clamp", "mix", "step", "smoothstep", "isnan", "isinf", "floatBitsToInt", "floatBitsToUint",
    "intBitsToFloat", "uintBitsToFloat", "packUnorm2x16", "packSnorm2x16", "packUnorm4x8",
    "packSnorm4x8", "unpackUnorm2x16", "unpackSnorm2x16", "unpackUnorm4x8", "unpackSnorm4x8",
    "packHalf2x16", "unpackHalf2x16", "length", "distance", "dot", "cross", "normalize",
    "ftransform", "faceforward", "reflect", "refract", "matrixCompMult", "outerProduct",
    "determinant", "inverse", "transpose", "lessThan", "lessThanEqual", "greaterThan",
    "greaterThanEqual", "notEqual", "equal", "any", "all", "not", "textureSize", "texture",
    "textureLod", "textureOffset", "textureProj", "texelFetch", "texelFetchOffset",
    "textureProjOffset", "textureLodOffset", "textureProjLod", "textureProjLodOffset",
    "textureGrad", "textureGradOffset", "textureProjGrad", "textureProjGradOffset", "EmitVertex",
    "EndPrimitive", "EmitStreamVertex", "EndStreamPrimitive", "textureQueryLOD",
    "textureQueryLevels", "texture1D", "texture1DArray", "texture1DProj", "texture1DLod",
    "texture1DArrayLod", "texture1DProjLod", "texture2D", "texture2DArray", "texture2DProj",
    "texture2DLod", "texture2DArrayLod", "texture2DProjLod", "texture3D", "texture3DProj",
    "texture3DLod", "texture3DProjLod", "textureCube", "textureCubeLod", "texture2DRect",
    "texture2DRectProj", "texture2DLodEXT", "texture2DProjLodEXT", "textureCubeLodEXT",
    "shadow1D", "shadow1DArray", "shadow2D", "shadow2DEXT", "shadow2DArray", "shadow1DProj",
    "shadow2DProj", "shadow2DProjEXT", "shadow1DLod", "shadow2DLod", "shadow1DArrayLod",
    "shadow1DProjLod", "shadow2DProjLod", "shadow2DRect", "shadow2DRectProj", "texture1DGradARB",
    "texture1DProjGradARB", "texture2DGradARB", "texture2DProjGradARB", "texture3DGradARB",
    "texture3DProjGradARB", "textureCubeGradARB", "texture2DGradEXT", "texture2DProjGradEXT",
    "textureCubeGradEXT", "shadow1DGradARB", "shadow1DProjGradARB", "shadow2DGradARB",
    "shadow2DProjGradARB", "texture2DRectGradARB", "texture2DRectProjGradARB",
    "shadow2DRectGradARB", "shadow2DRectProjGradARB", "textureGather", "textureGatherOffset",
    "textureGatherOffsets", "dFdx", "dFdy", "fwidth", "dFdxCoarse", "dFdyCoarse", "fwidthCoarse",
    "dFdxFine", "dFdyFine", "fwidthFine", "noise1", "noise2", "noise3", "noise4",
    "bitfieldExtract", "bitfieldInsert", "bitfieldReverse", "bitCount", "findLSB", "findMSB",
    "fma", "ldexp", "frexp", "uaddCarry", "usubBorrow", "imulExtended", "umulExtended",
    "interpolateAtCentroid", "interpolateAtOffset", "interpolateAtSample", "atomicCounter",
    "atomicCounterIncrement", "atomicCounterDecrement", "min3", "max3", "mid3", "imageLoad",
    "imageStore", "imageAtomicAdd", "imageAtomicMin", "imageAtomicMax", "imageAtomicAnd",
    "imageAtomicOr", "imageAtomicXor", "imageAtomicExchange", "imageAtomicCompSwap",
    "memoryBarrier"};

}  // namespace builtin_catalogue
