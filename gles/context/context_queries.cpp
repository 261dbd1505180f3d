// The context's answers to the state queries: numeric parameters, strings,
// shader precisions, the compressed formats and the extension list. The
// values come from the context's fields and bindings, its state objects,
// its renderer and its platform's limits, or are this implementation's
// constants.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/render/buffer.h"
#include "gles/render/vertex_array_object.h"
#include "gles/shaders/shader_library.h"
#include "gles/shaders/shader_program.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/pixel_format.h"
#include "gles/textures/renderbuffer.h"

namespace {

using Kind = MGLParameterValue::Kind;

constexpr const char* kVendor = "The Vadarove Workshop Ltd.";
constexpr const char* kRenderer = "DivezoVO";
constexpr const char* kShadingLanguageVersion = "OpenGL ES GLSL ES 1.00";

// The extension names without their "GL_" prefix, in no particular order:
// extensionNames() sorts them once.
constexpr std::string_view kExtensions[] = {
    "OES_vertex_array_object", "OES_texture_half_float_linear", "OES_texture_half_float",
    "OES_texture_float", "OES_standard_derivatives", "OES_rgb8_rgba8",
    "OES_packed_depth_stencil", "OES_mapbuffer", "OES_element_index_uint", "OES_depth_texture",
    "OES_depth24", "NV_generate_mipmap_sRGB", "IMG_texture_compression_pvrtc",
    "IMG_read_format", "EXT_texture_rg", "EXT_texture_filter_anisotropic", "EXT_sRGB",
    "EXT_shadow_samplers", "EXT_shader_texture_lod", "EXT_read_format_bgra", "EXT_pvrtc_sRGB",
    "EXT_occlusion_query_boolean", "EXT_map_buffer_range", "EXT_instanced_arrays",
    "EXT_draw_instanced", "EXT_discard_framebuffer", "EXT_debug_marker", "EXT_debug_label",
    "EXT_color_buffer_half_float", "EXT_blend_minmax", "APPLE_texture_packed_float",
    "APPLE_texture_max_level", "APPLE_texture_format_BGRA8888", "APPLE_rgb_422",
    "APPLE_color_buffer_packed_float",
};

bool lessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

void addBool(MGLParameter& p, bool value) { p.add(Kind::Boolean, value ? 1 : 0); }
void addInt(MGLParameter& p, std::int64_t value) { p.add(Kind::Int, static_cast<double>(value)); }
void addUInt(MGLParameter& p, std::uint64_t value) { p.add(Kind::UInt, static_cast<double>(value)); }
void addFloat(MGLParameter& p, float value) { p.add(Kind::Float, value); }
void addRect(MGLParameter& p, const MGLRect& r) {
  for (GLint v : {r.x, r.y, r.width, r.height}) addInt(p, v);
}

template <typename T>
GLID nameOf(const T* object) {
  return object ? object->glID() : 0;
}

}  // namespace

MGLParameter MGLContext::getParameter(GLenum pname) {
  MGLParameter p;
  const MGLMutableStencilState& front = depthStencilState_->frontFaceStencilState();
  const MGLMutableStencilState& back = depthStencilState_->backFaceStencilState();
  const GLint maxTextureSize = platform_->maxTextureSize();
  switch (pname) {
    // Capabilities, the library's switches among them.
    case GL_CULL_FACE: case GL_DEPTH_TEST: case GL_STENCIL_TEST: case GL_DITHER:
    case GL_BLEND: case GL_SCISSOR_TEST: case GL_POLYGON_OFFSET_FILL:
    case GL_SAMPLE_ALPHA_TO_COVERAGE:
    case GL_DEBUG_MODE_MGL: case GL_ERROR_ASSERTION_MGL:
    case GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL: case GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL:
    case GL_DEFERRED_DRAWABLE_MGL: case GL_METAL_SHADER_COMPILER_FAST_MATH_MGL:
    case GL_FLIP_TEXTURES_PVRTC_MGL: case GL_SWIZZLE_MISMATCHED_TEXTURES_MGL:
    case GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL:
      addBool(p, capabilityValue(pname));
      break;
    case GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL:
      addInt(p, optimizeSampleOnly_ ? 0 : 1);
      break;
    case GL_LOGGING_MGL: addBool(p, mglLoggingEnabled.load(std::memory_order_relaxed)); break;
    case GL_SHADER_SOURCE_LANG: addUInt(p, shaderSourceLanguage_); break;
    case GL_CONSUMABLE_RESOURCE_POOL_SIZE_MGL: addUInt(p, renderer_->consumableResourcePoolSize()); break;
    case GL_CONSUMABLE_RESOURCE_POOL_INDEX_MGL: addUInt(p, renderer_->frameIndex()); break;
    case GL_SHADER_LIBRARY_BINDING_MGL: addUInt(p, nameOf(currentShaderLibrary_.get())); break;
    case GL_DEPTH_WRITEMASK: addBool(p, depthStencilState_->shouldWriteDepth()); break;
    case GL_COLOR_WRITEMASK: {
      const std::uint8_t mask = pipelineState_->stateData().colorWriteMask;
      for (std::uint8_t bit : {8, 4, 2, 1}) addInt(p, (mask & bit) ? 1 : 0);
      break;
    }
    case GL_SHADER_COMPILER: addBool(p, true); break;

    // Render state.
    case GL_LINE_WIDTH: addFloat(p, lineWidth_); break;
    case GL_CULL_FACE_MODE: addUInt(p, faceCullingState_->faceCullingMode()); break;
    case GL_FRONT_FACE: addUInt(p, frontFaceWindingState_->frontFaceWinding()); break;
    case GL_DEPTH_RANGE:
      addFloat(p, viewportState_->depthNear());
      addFloat(p, viewportState_->depthFar());
      break;
    case GL_DEPTH_CLEAR_VALUE: p.add(Kind::Double, clearDepth_); break;
    case GL_DEPTH_FUNC: addUInt(p, depthStencilState_->depthFunction()); break;
    case GL_STENCIL_CLEAR_VALUE: addUInt(p, clearStencil_); break;
    case GL_STENCIL_FUNC: addUInt(p, front.function()); break;
    case GL_STENCIL_VALUE_MASK: addUInt(p, front.readMask()); break;
    case GL_STENCIL_FAIL: addUInt(p, front.stencilFailOperation()); break;
    case GL_STENCIL_PASS_DEPTH_FAIL: addUInt(p, front.depthFailOperation()); break;
    case GL_STENCIL_PASS_DEPTH_PASS: addUInt(p, front.depthPassOperation()); break;
    case GL_STENCIL_REF: addInt(p, front.referenceValue()); break;
    case GL_STENCIL_WRITEMASK: addUInt(p, front.writeMask()); break;
    case GL_STENCIL_BACK_FUNC: addUInt(p, back.function()); break;
    case GL_STENCIL_BACK_FAIL: addUInt(p, back.stencilFailOperation()); break;
    case GL_STENCIL_BACK_PASS_DEPTH_FAIL: addUInt(p, back.depthFailOperation()); break;
    case GL_STENCIL_BACK_PASS_DEPTH_PASS: addUInt(p, back.depthPassOperation()); break;
    case GL_STENCIL_BACK_REF: addInt(p, back.referenceValue()); break;
    case GL_STENCIL_BACK_VALUE_MASK: addUInt(p, back.readMask()); break;
    case GL_STENCIL_BACK_WRITEMASK: addUInt(p, back.writeMask()); break;
    case GL_VIEWPORT: addRect(p, viewportState_->viewport()); break;
    case GL_SCISSOR_BOX: addRect(p, scissorState_->scissorRect()); break;
    case GL_COLOR_CLEAR_VALUE:
      for (float v : {clearColor_.red, clearColor_.green, clearColor_.blue, clearColor_.alpha}) {
        addFloat(p, v);
      }
      break;
    case GL_UNPACK_ALIGNMENT: addInt(p, unpackAlignment_); break;
    case GL_PACK_ALIGNMENT: addInt(p, packAlignment_); break;
    case GL_POLYGON_OFFSET_UNITS: addFloat(p, depthBiasState_->polygonOffsetUnits()); break;
    case GL_POLYGON_OFFSET_FACTOR: addFloat(p, depthBiasState_->polygonOffsetFactor()); break;
    case GL_BLEND_COLOR:
      for (float v : blendColorState_->blendColor()) addFloat(p, v);
      break;
    case GL_BLEND_EQUATION: addUInt(p, pipelineState_->rgbBlendEquation()); break;
    case GL_BLEND_EQUATION_ALPHA: addUInt(p, pipelineState_->alphaBlendEquation()); break;
    case GL_BLEND_DST_RGB: addUInt(p, pipelineState_->dstRGBBlendFunc()); break;
    case GL_BLEND_SRC_RGB: addUInt(p, pipelineState_->srcRGBBlendFunc()); break;
    case GL_BLEND_DST_ALPHA: addUInt(p, pipelineState_->dstAlphaBlendFunc()); break;
    case GL_BLEND_SRC_ALPHA: addUInt(p, pipelineState_->srcAlphaBlendFunc()); break;
    case GL_GENERATE_MIPMAP_HINT: addUInt(p, mipmapHint_); break;
    case GL_FRAGMENT_SHADER_DERIVATIVE_HINT_OES: addUInt(p, derivativeHint_); break;
    case GL_ACTIVE_TEXTURE: addUInt(p, activeTextureUnit()); break;

    // Bindings, read as they are: a missing one is 0, not an error.
    case GL_TEXTURE_BINDING_2D:
      addUInt(p, nameOf(textureUnits2D_->getTextureBoundToTextureUnit(activeTextureUnit_)));
      break;
    case GL_TEXTURE_BINDING_CUBE_MAP:
      addUInt(p, nameOf(textureUnitsCube_->getTextureBoundToTextureUnit(activeTextureUnit_)));
      break;
    case GL_VERTEX_ARRAY_BINDING_OES: addUInt(p, nameOf(currentVertexArrayObject())); break;
    case GL_ARRAY_BUFFER_BINDING: addUInt(p, nameOf(arrayBuffer_.get())); break;
    case GL_ELEMENT_ARRAY_BUFFER_BINDING: addUInt(p, nameOf(currentVertexElementArrayBuffer())); break;
    case GL_FRAMEBUFFER_BINDING: addUInt(p, nameOf(drawFramebuffer_.get())); break;
    case GL_RENDERBUFFER_BINDING: addUInt(p, nameOf(renderbuffer_.get())); break;
    case GL_READ_FRAMEBUFFER_BINDING_APPLE: addUInt(p, nameOf(readFramebuffer_.get())); break;
    case GL_CURRENT_PROGRAM: addUInt(p, nameOf(pipelineState_->shaderProgram())); break;

    // Limits and constants.
    case GL_SUBPIXEL_BITS: addInt(p, 4); break;
    case GL_MAX_TEXTURE_SIZE: case GL_MAX_RENDERBUFFER_SIZE: case GL_MAX_CUBE_MAP_TEXTURE_SIZE:
      addInt(p, maxTextureSize);
      break;
    case GL_MAX_VIEWPORT_DIMS:
      addInt(p, maxTextureSize);
      addInt(p, maxTextureSize);
      break;
    case GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT: addInt(p, platform_->maxTextureMaxAnisotropy()); break;
    case GL_MAX_SAMPLES_APPLE: addInt(p, platform_->maxSampleCount()); break;
    case GL_ALIASED_POINT_SIZE_RANGE:
      addInt(p, 1);
      addInt(p, 512);
      break;
    case GL_ALIASED_LINE_WIDTH_RANGE:
      addInt(p, 1);
      addInt(p, 1);
      break;
    case GL_MAX_VERTEX_ATTRIBS: case GL_MAX_TEXTURE_IMAGE_UNITS:
    case GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS: case GL_MAX_VARYING_VECTORS:
      addInt(p, 16);
      break;
    case GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS: addInt(p, 32); break;
    case GL_MAX_VERTEX_UNIFORM_VECTORS: case GL_MAX_FRAGMENT_UNIFORM_VECTORS: addInt(p, 512); break;
    case GL_SHADER_BINARY_FORMATS: addInt(p, 0); break;
    case GL_NUM_SHADER_BINARY_FORMATS: addInt(p, 1); break;
    case GL_NUM_COMPRESSED_TEXTURE_FORMATS: p.add(Kind::Word, compressedFormats().size()); break;
    case GL_COMPRESSED_TEXTURE_FORMATS:
      for (GLenum format : compressedFormats()) addInt(p, format);
      break;
    case GL_IMPLEMENTATION_COLOR_READ_TYPE: addInt(p, GL_UNSIGNED_BYTE); break;
    case GL_IMPLEMENTATION_COLOR_READ_FORMAT: addInt(p, GL_BGRA); break;
    // Bits of what is attached; nothing attached has no bits (the bit
    // tables would call that format invalid and record an error).
    case GL_RED_BITS: case GL_GREEN_BITS: case GL_BLUE_BITS: case GL_ALPHA_BITS: {
      const mtl::PixelFormat format = currentDrawBufferColorMTLPixelFormat();
      using BitsOf = unsigned (*)(mtl::PixelFormat);
      constexpr BitsOf kBits[] = {&mglRedBitsOfMTLPixelFormat, &mglGreenBitsOfMTLPixelFormat,
                                  &mglBlueBitsOfMTLPixelFormat, &mglAlphaBitsOfMTLPixelFormat};
      addInt(p, format == mtl::PixelFormat::Invalid ? 0 : kBits[pname - GL_RED_BITS](format));
      break;
    }
    case GL_DEPTH_BITS: case GL_STENCIL_BITS: {
      MGLFramebufferAttachment* attachment =
          !drawFramebuffer_ ? nullptr
          : pname == GL_DEPTH_BITS ? drawFramebuffer_->depthAttachment()
                                   : drawFramebuffer_->stencilAttachment();
      const mtl::PixelFormat format =
          attachment ? attachment->mtlPixelFormat() : mtl::PixelFormat::Invalid;
      addInt(p, format == mtl::PixelFormat::Invalid ? 0
                : pname == GL_DEPTH_BITS            ? mglDepthBitsOfMTLPixelFormat(format)
                                                    : mglStencilBitsOfMTLPixelFormat(format));
      break;
    }
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a supported OpenGL parameter.",
                  {mglGLEnumName(pname)});
      break;
  }
  return p;
}

std::array<GLenum, 18> MGLContext::compressedFormats() {
  return {GL_COMPRESSED_RGB_PVRTC_2BPPV1_IMG,
          GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG,
          GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG,
          GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG,
          GL_COMPRESSED_SRGB_PVRTC_2BPPV1_EXT,
          GL_COMPRESSED_SRGB_PVRTC_4BPPV1_EXT,
          GL_COMPRESSED_SRGB_ALPHA_PVRTC_2BPPV1_EXT,
          GL_COMPRESSED_SRGB_ALPHA_PVRTC_4BPPV1_EXT,
          GL_COMPRESSED_R11_EAC,
          GL_COMPRESSED_SIGNED_R11_EAC,
          GL_COMPRESSED_RG11_EAC,
          GL_COMPRESSED_SIGNED_RG11_EAC,
          GL_COMPRESSED_RGB8_ETC2,
          GL_COMPRESSED_SRGB8_ETC2,
          GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2,
          GL_COMPRESSED_SRGB8_PUNCHTHROUGH_ALPHA1_ETC2,
          GL_COMPRESSED_RGBA8_ETC2_EAC,
          GL_COMPRESSED_SRGB8_ALPHA8_ETC2_EAC};
}

// Built once, whichever thread asks first; read-only afterwards.
const std::vector<std::string>& MGLContext::extensionNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    for (std::string_view name : kExtensions) list.push_back("GL_" + std::string(name));
    std::sort(list.begin(), list.end(), lessIgnoringCase);
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
  }();
  return names;
}

const char* MGLContext::getStringParameter(GLenum pname) {
  switch (pname) {
    case GL_VENDOR: return kVendor;
    case GL_RENDERER: return kRenderer;
    case GL_SHADING_LANGUAGE_VERSION: return kShadingLanguageVersion;
    case GL_VERSION: {
      static const std::string version =
          mglFormat("OpenGL ES 2.0 %s %@", {kRenderer, mglLibraryVersionString(true)});
      return version.c_str();
    }
    case GL_EXTENSIONS: {
      static const std::string extensions = [] {
        std::string joined;
        for (const std::string& name : extensionNames()) {
          if (!joined.empty()) joined += ' ';
          joined += name;
        }
        return joined;
      }();
      return extensions.c_str();
    }
    case GL_ERROR_TEXT_MGL:
      if (!hasErrorText_) return nullptr;
      stringAnswer_ = currentErrorText();
      return stringAnswer_.c_str();
    case GL_DIVEZOVO_VERSION_STRING_MGL:
      stringAnswer_ = mglLibraryVersionString(false);
      return stringAnswer_.c_str();
    case GL_DIVEZOVO_VERSION_BUILD_STRING_MGL:
      stringAnswer_ = mglLibraryVersionString(true);
      return stringAnswer_.c_str();
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a supported OpenGL string parameter.",
                  {mglGLEnumName(pname)});
      return nullptr;
  }
}

std::array<GLint, 3> MGLContext::getShader(GLenum, GLenum precisionType) {
  switch (precisionType) {
    case GL_LOW_FLOAT: return {15, 15, 10};
    case GL_MEDIUM_FLOAT: case GL_HIGH_FLOAT: return {127, 127, 23};
    case GL_LOW_INT: return {15, 15, 0};
    case GL_MEDIUM_INT: case GL_HIGH_INT: return {31, 31, 0};
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a supported OpenGL shader precision type.",
                  {mglGLEnumName(precisionType)});
      return {0, 0, 0};
  }
}
