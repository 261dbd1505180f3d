#include "gles/context/context.h"

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/render/buffer.h"
#include "gles/render/vertex_array_object.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "gles/shaders/shader.h"
#include "gles/shaders/shader_library.h"
#include "gles/shaders/shader_program.h"

MGLContext::MGLContext(MGLSharegroup* sharegroup)
    : sharegroup_(sharegroup ? MGLRef<MGLSharegroup>(sharegroup) : mglMake<MGLSharegroup>()),
      buffers_(mglMake<MGLContextGLObjectStore>(sharegroup_->buffers())),
      textures_(mglMake<MGLContextGLObjectStore>(sharegroup_->textures())),
      renderbuffers_(mglMake<MGLContextGLObjectStore>(sharegroup_->renderbuffers())),
      framebuffers_(mglMake<MGLContextGLObjectStore>(sharegroup_->framebuffers())),
      shaders_(mglMake<MGLContextGLObjectStore>(sharegroup_->shaders())),
      shaderPrograms_(mglMake<MGLContextGLObjectStore>(sharegroup_->shaderPrograms())),
      shaderLibraries_(mglMake<MGLContextGLObjectStore>(sharegroup_->shaderLibraries())),
      vertexArrayObjects_(mglMake<MGLGLObjectStore>(&MGLVertexArrayObject::create, true)),
      pipelineStateCache_(mglMake<MGLRenderPipelineStateCache>()),
      depthStencilStateCache_(mglMake<MGLDepthStencilStateCache>()),
      samplerStateCache_(mglMake<MGLSamplerStateCache>()),
      platform_(mglMake<MGLPlatform>()),
      renderer_(mglMake<MGLRenderer>(this)),
      queryPool_(mglMake<MGLQueryPool>(this)),
      pipelineState_(mglMake<MGLMutableRenderPipelineState>(*this)),
      depthStencilState_(mglMake<MGLMutableDepthStencilState>(this)),
      blendColorState_(mglMake<MGLBlendColorState>()),
      faceCullingState_(mglMake<MGLFaceCullingState>()),
      frontFaceWindingState_(mglMake<MGLFrontFaceWindingState>()),
      viewportState_(mglMake<MGLViewportState>()),
      scissorState_(mglMake<MGLScissorState>()),
      depthBiasState_(mglMake<MGLDepthBiasState>()),
      occlusionQueryState_(mglMake<MGLOcclusionQueryState>()),
      textureUnits2D_(mglMake<MGLTextureUnits>(this, GL_TEXTURE_2D)),
      textureUnitsCube_(mglMake<MGLTextureUnits>(this, GL_TEXTURE_CUBE_MAP)),
      currentShaderLibrary_(
          static_cast<MGLShaderLibrary*>(shaderLibraries_->getObjectWithGLID(0))),
      mipmapHint_(GL_DONT_CARE),
      derivativeHint_(GL_DONT_CARE),
      shaderSourceLanguage_(GL_SHADER_SOURCE_LANG_AUTO) {
  setDebugMode(false);
}

MGLContext::~MGLContext() = default;

void MGLContext::renderTo(MGLRenderer& renderer) {
  pipelineState_->renderTo(renderer);
  depthStencilState_->renderTo(renderer);
  blendColorState_->renderTo(renderer);
  faceCullingState_->renderTo(renderer);
  frontFaceWindingState_->renderTo(renderer);
  viewportState_->renderTo(renderer);
  scissorState_->renderTo(renderer);
  depthBiasState_->renderTo(renderer);
  occlusionQueryState_->renderTo(renderer);
}

MGLGLObjectStore* MGLContext::storeOfKind(MGLObjectKind kind) const {
  switch (kind) {
    case MGLObjectKind::Buffer: return buffers_.get();
    case MGLObjectKind::Texture: return textures_.get();
    case MGLObjectKind::Renderbuffer: return renderbuffers_.get();
    case MGLObjectKind::Framebuffer: return framebuffers_.get();
    case MGLObjectKind::Shader: return shaders_.get();
    case MGLObjectKind::ShaderProgram: return shaderPrograms_.get();
    case MGLObjectKind::ShaderLibrary: return shaderLibraries_.get();
    case MGLObjectKind::VertexArrayObject: return vertexArrayObjects_.get();
    case MGLObjectKind::Marker: return nullptr;
  }
  return nullptr;
}

bool MGLContext::setError(GLenum code, const std::string& text) {
  if (code == 0 || currentError_ != 0) return false;
  currentError_ = code;
  errorText_ = text;
  hasErrorText_ = true;
  mglLogError("%@", {text});
  return true;
}

GLenum MGLContext::currentError() { return std::exchange(currentError_, 0); }

std::string MGLContext::currentErrorText() {
  hasErrorText_ = false;
  return std::exchange(errorText_, std::string());
}

bool MGLContext::acceptsCapability(GLenum capability) const {
  switch (capability) {
    case GL_CULL_FACE: case GL_DEPTH_TEST: case GL_STENCIL_TEST: case GL_DITHER:
    case GL_BLEND: case GL_SCISSOR_TEST: case GL_POLYGON_OFFSET_FILL:
    case GL_SAMPLE_ALPHA_TO_COVERAGE:
      return true;
    default:
      // The library's switches, GL_LOGGING_MGL excepted.
      return capability >= GL_DEBUG_MODE_MGL && capability <= GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL;
  }
}

void MGLContext::recordUnsupportedCapability(GLenum capability) const {
  mglSetError(GL_INVALID_ENUM, "%@ is not a supported OpenGL capability.",
              {mglGLEnumName(capability)});
}

void MGLContext::enableCapability(bool flag, GLenum capability) {
  switch (capability) {
    case GL_CULL_FACE: faceCullingState_->setShouldCullFaces(flag); break;
    case GL_DEPTH_TEST: depthStencilState_->setShouldTestDepth(flag); break;
    case GL_STENCIL_TEST: depthStencilState_->setShouldTestStencil(flag); break;
    case GL_DITHER: setShouldDither(flag); break;
    case GL_BLEND: pipelineState_->setShouldBlend(flag); break;
    case GL_SCISSOR_TEST: scissorState_->setShouldCropToScissorRect(flag); break;
    case GL_POLYGON_OFFSET_FILL: depthBiasState_->setShouldOffsetPolygons(flag); break;
    case GL_SAMPLE_ALPHA_TO_COVERAGE: pipelineState_->setShouldUseAlphaToCoverage(flag); break;
    case GL_DEBUG_MODE_MGL: setDebugMode(flag); break;
    case GL_ERROR_ASSERTION_MGL: setShouldAssertOnError(flag); break;
    case GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL:
      renderer_->setShouldVerifyVertexBufferSizeOnDraw(flag);
      break;
    case GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL: setShouldLogShaderSourceCodeConversion(flag); break;
    case GL_DEFERRED_DRAWABLE_MGL: renderer_->setShouldDeferDrawable(flag); break;
    case GL_METAL_SHADER_COMPILER_FAST_MATH_MGL:
      setShouldUseMetalShaderFastMathCompilation(flag);
      break;
    case GL_FLIP_TEXTURES_PVRTC_MGL: setShouldVerticallyFlipPVRTC(flag); break;
    case GL_SWIZZLE_MISMATCHED_TEXTURES_MGL: setShouldSwizzleMismatchedTextures(flag); break;
    case GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL: setShouldOptimizeSampleOnlyTextures(!flag); break;
    case GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL: setShouldOptimizeSampleOnlyTextures(flag); break;
    case GL_LOGGING_MGL: mglLoggingEnabled.store(flag, std::memory_order_relaxed); break;
    default: recordUnsupportedCapability(capability); break;
  }
}

bool MGLContext::capabilityValue(GLenum capability) const {
  switch (capability) {
    case GL_CULL_FACE: return faceCullingState_->shouldCullFaces();
    case GL_DEPTH_TEST: return depthStencilState_->shouldTestDepth();
    case GL_STENCIL_TEST: return depthStencilState_->shouldTestStencil();
    case GL_DITHER: return dither_;
    case GL_BLEND: return pipelineState_->shouldBlend();
    case GL_SCISSOR_TEST: return scissorState_->shouldCropToScissorRect();
    case GL_POLYGON_OFFSET_FILL: return depthBiasState_->shouldOffsetPolygons();
    case GL_SAMPLE_ALPHA_TO_COVERAGE: return pipelineState_->shouldUseAlphaToCoverage();
    case GL_DEBUG_MODE_MGL: return debugMode_;
    case GL_ERROR_ASSERTION_MGL: return assertOnError_;
    case GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL:
      return renderer_->shouldVerifyVertexBufferSizeOnDraw();
    case GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL: return logShaderConversion_;
    case GL_DEFERRED_DRAWABLE_MGL: return renderer_->shouldDeferDrawable();
    case GL_METAL_SHADER_COMPILER_FAST_MATH_MGL: return fastMath_;
    case GL_FLIP_TEXTURES_PVRTC_MGL: return flipPVRTC_;
    case GL_SWIZZLE_MISMATCHED_TEXTURES_MGL: return swizzleMismatched_;
    case GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL: return !optimizeSampleOnly_;
    case GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL: return optimizeSampleOnly_;
    default: return false;
  }
}

bool MGLContext::isCapabilityEnabled(GLenum capability) {
  if (!acceptsCapability(capability)) {
    recordUnsupportedCapability(capability);
    return false;
  }
  const MGLParameter answer = getParameter(capability);
  return !answer.empty() && answer[0].value != 0;
}

void MGLContext::setDebugMode(bool flag) {
  debugMode_ = flag;
  setShouldAssertOnError(flag);
  setShouldLogShaderSourceCodeConversion(flag);
}

void MGLContext::setHint(GLenum mode, GLenum target) {
  if (mode != GL_DONT_CARE && mode != GL_FASTEST && mode != GL_NICEST) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a supported hint mode.", {mglGLEnumName(mode)});
    return;
  }
  if (target == GL_FRAGMENT_SHADER_DERIVATIVE_HINT_OES) {
    derivativeHint_ = mode;
  } else if (target == GL_GENERATE_MIPMAP_HINT) {
    mipmapHint_ = mode;
  } else {
    mglSetError(GL_INVALID_ENUM, "%@ is not a supported hint target.", {mglGLEnumName(target)});
  }
}

bool MGLContext::isValidTexturePackAlignment(GLint value) {
  return value == 1 || value == 2 || value == 4 || value == 8;
}

void MGLContext::setPixelStoreParameter(GLenum pname, GLint value) {
  if (pname == GL_UNPACK_ALIGNMENT) {
    if (isValidTexturePackAlignment(value)) {
      unpackAlignment_ = value;
    } else {
      mglSetError(GL_INVALID_VALUE,
                  "%i is not a valid unpacking byte alignment. Value must be one of 1, 2, 4 or 8.",
                  {value});
    }
  } else if (pname == GL_PACK_ALIGNMENT) {
    if (isValidTexturePackAlignment(value)) {
      packAlignment_ = value;
    } else {
      mglSetError(GL_INVALID_VALUE,
                  "%i is not a valid packing byte alignment. Value must be one of 1, 2, 4 or 8.",
                  {value});
    }
  } else {
    mglSetError(GL_INVALID_ENUM,
                "%@ is not a valid pixel store parameter name. Parameter name must be one of "
                "GL_PACK_ALIGNMENT or GL_UNPACK_ALIGNMENT.",
                {mglGLEnumName(pname)});
  }
}

void MGLContext::setShaderSourceLanguage(GLenum language) {
  if (language >= GL_SHADER_SOURCE_LANG_IGNORE && language <= GL_SHADER_SOURCE_LANG_METAL_FUNC) {
    shaderSourceLanguage_ = language;
  } else {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid shader language selection.",
                {mglGLEnumName(language)});
  }
}
