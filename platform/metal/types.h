// Metal's enumerations and small value types. The numeric values are
// Metal's own: the graphics layer prints them in its messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace mtl {

using NSUInteger = std::uint64_t;
using NSInteger = std::int64_t;

enum class PixelFormat : NSUInteger {
  Invalid = 0,
  A8Unorm = 1,
  R8Unorm = 10, R8Unorm_sRGB = 11, R8Snorm = 12, R8Uint = 13, R8Sint = 14,
  R16Unorm = 20, R16Snorm = 22, R16Uint = 23, R16Sint = 24, R16Float = 25,
  RG8Unorm = 30, RG8Unorm_sRGB = 31, RG8Snorm = 32, RG8Uint = 33, RG8Sint = 34,
  B5G6R5Unorm = 40, A1BGR5Unorm = 41, ABGR4Unorm = 42,
  R32Uint = 53, R32Sint = 54, R32Float = 55,
  RG16Unorm = 60, RG16Snorm = 62, RG16Uint = 63, RG16Sint = 64, RG16Float = 65,
  RGBA8Unorm = 70, RGBA8Unorm_sRGB = 71, RGBA8Snorm = 72, RGBA8Uint = 73,
  RGBA8Sint = 74,
  BGRA8Unorm = 80, BGRA8Unorm_sRGB = 81,
  RGB10A2Unorm = 90, RGB10A2Uint = 91, RG11B10Float = 92, RGB9E5Float = 93,
  RG32Uint = 103, RG32Sint = 104, RG32Float = 105,
  RGBA16Unorm = 110, RGBA16Snorm = 112, RGBA16Uint = 113, RGBA16Sint = 114,
  RGBA16Float = 115,
  RGBA32Uint = 123, RGBA32Sint = 124, RGBA32Float = 125,
  PVRTC_RGB_2BPP = 160, PVRTC_RGB_2BPP_sRGB = 161, PVRTC_RGB_4BPP = 162,
  PVRTC_RGB_4BPP_sRGB = 163, PVRTC_RGBA_2BPP = 164, PVRTC_RGBA_2BPP_sRGB = 165,
  PVRTC_RGBA_4BPP = 166, PVRTC_RGBA_4BPP_sRGB = 167,
  EAC_R11Unorm = 170, EAC_R11Snorm = 172, EAC_RG11Unorm = 174,
  EAC_RG11Snorm = 176, EAC_RGBA8 = 178, EAC_RGBA8_sRGB = 179,
  ETC2_RGB8 = 180, ETC2_RGB8_sRGB = 181, ETC2_RGB8A1 = 182,
  ETC2_RGB8A1_sRGB = 183,
  GBGR422 = 240, BGRG422 = 241,
  Depth16Unorm = 250, Depth32Float = 252, Stencil8 = 253,
  Depth32Float_Stencil8 = 260,
};

enum class StorageMode : NSUInteger { Shared = 0, Managed = 1, Private = 2, Memoryless = 3 };

// Resource options carry the storage mode in bits 4 to 7.
enum ResourceOptions : NSUInteger {
  ResourceStorageModeShared = 0u << 4,
  ResourceStorageModePrivate = 2u << 4,
};
constexpr StorageMode storageModeOfOptions(NSUInteger options) {
  return static_cast<StorageMode>((options >> 4) & 0xF);
}

enum TextureUsage : NSUInteger {
  TextureUsageUnknown = 0,
  TextureUsageShaderRead = 1,
  TextureUsageShaderWrite = 2,
  TextureUsageRenderTarget = 4,
  TextureUsagePixelFormatView = 0x10,
};

enum class TextureType : NSUInteger {
  Type1D = 0, Type1DArray = 1, Type2D = 2, Type2DArray = 3,
  Type2DMultisample = 4, TypeCube = 5, TypeCubeArray = 6, Type3D = 7,
};

enum class LoadAction : NSUInteger { DontCare = 0, Load = 1, Clear = 2 };
enum class StoreAction : NSUInteger {
  DontCare = 0, Store = 1, MultisampleResolve = 2,
  StoreAndMultisampleResolve = 3, Unknown = 4,
};

enum class PrimitiveType : NSUInteger {
  Point = 0, Line = 1, LineStrip = 2, Triangle = 3, TriangleStrip = 4,
};
enum class IndexType : NSUInteger { UInt16 = 0, UInt32 = 1 };

enum class CompareFunction : NSUInteger {
  Never = 0, Less = 1, Equal = 2, LessEqual = 3, Greater = 4, NotEqual = 5,
  GreaterEqual = 6, Always = 7,
};
enum class StencilOperation : NSUInteger {
  Keep = 0, Zero = 1, Replace = 2, IncrementClamp = 3, DecrementClamp = 4,
  Invert = 5, IncrementWrap = 6, DecrementWrap = 7,
};
enum class BlendOperation : NSUInteger {
  Add = 0, Subtract = 1, ReverseSubtract = 2, Min = 3, Max = 4,
};
enum class BlendFactor : NSUInteger {
  Zero = 0, One = 1, SourceColor = 2, OneMinusSourceColor = 3,
  SourceAlpha = 4, OneMinusSourceAlpha = 5, DestinationColor = 6,
  OneMinusDestinationColor = 7, DestinationAlpha = 8,
  OneMinusDestinationAlpha = 9, SourceAlphaSaturated = 10, BlendColor = 11,
  OneMinusBlendColor = 12, BlendAlpha = 13, OneMinusBlendAlpha = 14,
};
enum ColorWriteMask : NSUInteger {
  ColorWriteMaskNone = 0, ColorWriteMaskAlpha = 1, ColorWriteMaskBlue = 2,
  ColorWriteMaskGreen = 4, ColorWriteMaskRed = 8, ColorWriteMaskAll = 0xF,
};

enum class SamplerMinMagFilter : NSUInteger { Nearest = 0, Linear = 1 };
enum class SamplerMipFilter : NSUInteger { NotMipmapped = 0, Nearest = 1, Linear = 2 };
enum class SamplerAddressMode : NSUInteger {
  ClampToEdge = 0, MirrorClampToEdge = 1, Repeat = 2, MirrorRepeat = 3,
  ClampToZero = 4, ClampToBorderColor = 5,
};

enum class CullMode : NSUInteger { None = 0, Front = 1, Back = 2 };
enum class Winding : NSUInteger { Clockwise = 0, CounterClockwise = 1 };
enum class VisibilityResultMode : NSUInteger { Disabled = 0, Boolean = 1, Counting = 2 };

enum class VertexFormat : NSUInteger {
  Invalid = 0,
  UChar2 = 1, UChar3 = 2, UChar4 = 3, Char2 = 4, Char3 = 5, Char4 = 6,
  UChar2Normalized = 7, UChar3Normalized = 8, UChar4Normalized = 9,
  Char2Normalized = 10, Char3Normalized = 11, Char4Normalized = 12,
  UShort2 = 13, UShort3 = 14, UShort4 = 15, Short2 = 16, Short3 = 17,
  Short4 = 18, UShort2Normalized = 19, UShort3Normalized = 20,
  UShort4Normalized = 21, Short2Normalized = 22, Short3Normalized = 23,
  Short4Normalized = 24, Half2 = 25, Half3 = 26, Half4 = 27,
  Float = 28, Float2 = 29, Float3 = 30, Float4 = 31,
  Int = 32, Int2 = 33, Int3 = 34, Int4 = 35,
  UInt = 36, UInt2 = 37, UInt3 = 38, UInt4 = 39,
  UChar = 45, Char = 46, UCharNormalized = 47, CharNormalized = 48,
  UShort = 49, Short = 50, UShortNormalized = 51, ShortNormalized = 52,
  Half = 53,
};
enum class VertexStepFunction : NSUInteger { Constant = 0, PerVertex = 1, PerInstance = 2 };

enum class DataType : NSUInteger {
  None = 0, Struct = 1, Array = 2,
  Float = 3, Float2 = 4, Float3 = 5, Float4 = 6,
  Float2x2 = 7, Float2x3 = 8, Float2x4 = 9, Float3x2 = 10, Float3x3 = 11,
  Float3x4 = 12, Float4x2 = 13, Float4x3 = 14, Float4x4 = 15,
  Half = 16, Half2 = 17, Half3 = 18, Half4 = 19,
  Half2x2 = 20, Half2x3 = 21, Half2x4 = 22, Half3x2 = 23, Half3x3 = 24,
  Half3x4 = 25, Half4x2 = 26, Half4x3 = 27, Half4x4 = 28,
  Int = 29, Int2 = 30, Int3 = 31, Int4 = 32,
  UInt = 33, UInt2 = 34, UInt3 = 35, UInt4 = 36,
  Short = 37, Short2 = 38, Short3 = 39, Short4 = 40,
  UShort = 41, UShort2 = 42, UShort3 = 43, UShort4 = 44,
  Char = 45, Char2 = 46, Char3 = 47, Char4 = 48,
  UChar = 49, UChar2 = 50, UChar3 = 51, UChar4 = 52,
  Bool = 53, Bool2 = 54, Bool3 = 55, Bool4 = 56,
  Texture = 58, Sampler = 59, Pointer = 60,
};
enum class ArgumentType : NSUInteger { Buffer = 0, ThreadgroupMemory = 1, Texture = 2, Sampler = 3 };
enum class ArgumentAccess : NSUInteger { ReadOnly = 0, ReadWrite = 1, WriteOnly = 2 };
enum class FunctionType : NSUInteger { Vertex = 1, Fragment = 2, Kernel = 3 };

enum PipelineOption : NSUInteger {
  PipelineOptionNone = 0, PipelineOptionArgumentInfo = 1,
  PipelineOptionBufferTypeInfo = 2,
};

// The feature sets and GPU families the graphics layer asks about.
enum class FeatureSet : NSUInteger {
  iOS_GPUFamily1_v1 = 0, iOS_GPUFamily2_v1 = 1, iOS_GPUFamily1_v2 = 2,
  iOS_GPUFamily2_v2 = 3, iOS_GPUFamily3_v1 = 4, iOS_GPUFamily1_v3 = 5,
  iOS_GPUFamily2_v3 = 6, iOS_GPUFamily3_v2 = 7,
};
enum class GPUFamily : NSInteger { Apple1 = 1001, Apple2 = 1002, Apple3 = 1003, Apple4 = 1004 };

enum class CommandBufferStatus : NSUInteger {
  NotEnqueued = 0, Enqueued = 1, Committed = 2, Scheduled = 3, Completed = 4,
  Error = 5,
};

// What Metal reports through an error object: a code, a description and,
// where there is one, the reason in a few words.
struct Error {
  Error() = default;
  Error(NSInteger errorCode, std::string description, std::string failureReason = {})
      : code(errorCode),
        localizedDescription(std::move(description)),
        localizedFailureReason(std::move(failureReason)) {}
  NSInteger code = 0;
  std::string localizedDescription;
  std::string localizedFailureReason;
};
enum LibraryError : NSInteger {
  LibraryErrorUnsupported = 1, LibraryErrorInternal = 2, LibraryErrorCompileFailure = 3,
  LibraryErrorCompileWarning = 4,
};
enum RenderPipelineError : NSInteger {
  RenderPipelineErrorInternal = 1, RenderPipelineErrorUnsupported = 2,
  RenderPipelineErrorInvalidInput = 3,
};

struct Origin { NSUInteger x = 0, y = 0, z = 0; };
struct Size { NSUInteger width = 0, height = 0, depth = 0; };
struct Region {
  Origin origin;
  Size size;
  static Region make2D(NSUInteger x, NSUInteger y, NSUInteger w, NSUInteger h) {
    return {{x, y, 0}, {w, h, 1}};
  }
};
struct ClearColor { double red = 0, green = 0, blue = 0, alpha = 1; };
struct Viewport { double originX = 0, originY = 0, width = 0, height = 0, znear = 0, zfar = 1; };
struct ScissorRect { NSUInteger x = 0, y = 0, width = 0, height = 0; };

}  // namespace mtl
