// The state machine of one GL context: its stores, render state objects,
// renderer, platform limits, texture units and the small state it keeps
// itself (clear values, alignments, hints, library switches, the error
// record). It is used by the one thread on which it is current.
#pragma once

#include <array>
#include <string>

#include "gles/context/object_store.h"
#include "gles/context/platform.h"
#include "gles/context/sharegroup.h"
#include "gles/context/texture_units.h"
#include "gles/render/depth_stencil_state.h"
#include "gles/render/encoder_states.h"
#include "gles/render/query_pool.h"
#include "gles/render/render_pipeline_state.h"
#include "gles/render/renderer.h"
#include "gles/render/sampler_state.h"

class MGLBuffer;
class MGLFramebuffer;
class MGLRenderbuffer;
class MGLShader;
class MGLShaderLibrary;
class MGLShaderProgram;

struct MGLColor {
  GLfloat red = 0, green = 0, blue = 0, alpha = 1;
};

class MGLContext : public MGLObject {
 public:
  // A null sharegroup makes a new one.
  explicit MGLContext(MGLSharegroup* sharegroup = nullptr);
  ~MGLContext() override;
  const char* className() const override { return "MGLContext"; }

  // Error record: the first error since the last read wins.
  bool setError(GLenum code, const std::string& text);
  GLenum currentError();           // answers and clears the code
  std::string currentErrorText();  // answers and clears the text
  bool hasErrorText() const { return hasErrorText_; }
  // The name of the GL call in progress; it stays after the call returns.
  // Names are string literals: every call stores one pointer.
  const char* currentFunctionName() const { return functionName_; }
  void setCurrentFunctionName(const char* name) { functionName_ = name; }

  // Capabilities, hints, pixel store and shader language.
  void enableCapability(bool flag, GLenum capability);
  bool isCapabilityEnabled(GLenum capability);
  // The value a query of an accepted capability reports; false otherwise.
  bool capabilityValue(GLenum capability) const;
  void setHint(GLenum mode, GLenum target);
  void setPixelStoreParameter(GLenum pname, GLint value);
  static bool isValidTexturePackAlignment(GLint value);
  void setShaderSourceLanguage(GLenum language);
  void setDebugMode(bool flag);

  // Scalar state.
  bool shouldDither() const { return dither_; }
  void setShouldDither(bool v) { dither_ = v; }
  GLfloat lineWidth() const { return lineWidth_; }
  void setLineWidth(GLfloat v) { lineWidth_ = v; }
  MGLColor clearColor() const { return clearColor_; }
  void setClearColor(MGLColor c) { clearColor_ = c; }
  double clearDepth() const { return clearDepth_; }
  void setClearDepth(double v) { clearDepth_ = v; }
  GLuint clearStencil() const { return clearStencil_; }
  void setClearStencil(GLuint v) { clearStencil_ = v; }
  GLint texturePackAlignment() const { return packAlignment_; }
  GLint textureUnpackAlignment() const { return unpackAlignment_; }
  GLenum mipmapHint() const { return mipmapHint_; }
  GLenum shaderDerivativeHint() const { return derivativeHint_; }
  GLenum shaderSourceLanguage() const { return shaderSourceLanguage_; }
  bool debugMode() const { return debugMode_; }
  bool shouldVerticallyFlipPVRTC() const { return flipPVRTC_; }
  void setShouldVerticallyFlipPVRTC(bool v) { flipPVRTC_ = v; }
  bool shouldOptimizeSampleOnlyTextures() const { return optimizeSampleOnly_; }
  void setShouldOptimizeSampleOnlyTextures(bool v) { optimizeSampleOnly_ = v; }
  bool shouldSwizzleMismatchedTextures() const { return swizzleMismatched_; }
  void setShouldSwizzleMismatchedTextures(bool v) { swizzleMismatched_ = v; }
  bool shouldUseMetalShaderFastMathCompilation() const { return fastMath_; }
  void setShouldUseMetalShaderFastMathCompilation(bool v) { fastMath_ = v; }
  bool shouldLogShaderSourceCodeConversion() const { return logShaderConversion_; }
  void setShouldLogShaderSourceCodeConversion(bool v) { logShaderConversion_ = v; }
  bool shouldAssertOnError() const { return assertOnError_; }
  void setShouldAssertOnError(bool v) { assertOnError_ = v; }
  mtl::PixelFormat caMetalLayerMTLPixelFormat() const { return layerPixelFormat_; }
  void setCaMetalLayerMTLPixelFormat(mtl::PixelFormat f) { layerPixelFormat_ = f; }

  // Owned parts.
  MGLSharegroup* sharegroup() const { return sharegroup_.get(); }
  MGLRenderer* renderer() const { return renderer_.get(); }
  MGLPlatform* platform() const { return platform_.get(); }
  MGLContextGLObjectStore* buffers() const { return buffers_.get(); }
  MGLContextGLObjectStore* textures() const { return textures_.get(); }
  MGLContextGLObjectStore* renderbuffers() const { return renderbuffers_.get(); }
  MGLContextGLObjectStore* framebuffers() const { return framebuffers_.get(); }
  MGLContextGLObjectStore* shaders() const { return shaders_.get(); }
  MGLContextGLObjectStore* shaderPrograms() const { return shaderPrograms_.get(); }
  MGLContextGLObjectStore* shaderLibraries() const { return shaderLibraries_.get(); }
  MGLGLObjectStore* vertexArrayObjects() const { return vertexArrayObjects_.get(); }
  // The store that names objects of a kind (null for the marker).
  MGLGLObjectStore* storeOfKind(MGLObjectKind kind) const;
  MGLQueryPool* queryPool() const { return queryPool_.get(); }
  MGLRenderPipelineStateCache* renderPipelineStateCache() const { return pipelineStateCache_.get(); }
  MGLDepthStencilStateCache* depthStencilStateCache() const { return depthStencilStateCache_.get(); }
  MGLSamplerStateCache* samplerStateCache() const { return samplerStateCache_.get(); }
  MGLMutableRenderPipelineState* renderPipelineState() const { return pipelineState_.get(); }
  MGLMutableDepthStencilState* depthStencilState() const { return depthStencilState_.get(); }
  MGLBlendColorState* blendColorState() const { return blendColorState_.get(); }
  MGLFaceCullingState* faceCullingState() const { return faceCullingState_.get(); }
  MGLFrontFaceWindingState* frontFaceWindingState() const { return frontFaceWindingState_.get(); }
  MGLViewportState* viewportState() const { return viewportState_.get(); }
  MGLScissorState* scissorState() const { return scissorState_.get(); }
  MGLDepthBiasState* depthBiasState() const { return depthBiasState_.get(); }
  MGLOcclusionQueryState* occlusionQueryState() const { return occlusionQueryState_.get(); }
  MGLTextureUnits* textureUnits2D() const { return textureUnits2D_.get(); }
  MGLTextureUnits* textureUnitsCube() const { return textureUnitsCube_.get(); }
  GLuint activeTextureUnitIndex() const { return activeTextureUnit_; }
  MGLShaderLibrary* currentShaderLibrary() const { return currentShaderLibrary_.get(); }

  // Applies the state objects to the renderer's open render encoder, in
  // the order Metal needs: pipeline first, then depth-stencil, blend
  // colour, culling, winding, viewport, scissor, depth bias and the
  // visibility mode. Each sets only what changed since this encoder began.
  void renderTo(MGLRenderer& renderer);

  // Bindings by name (GLID 0 binds nothing).
  // GL_ARRAY_BUFFER, or GL_ELEMENT_ARRAY_BUFFER of the current vertex array.
  void bindBufferWithGLID(GLID glID, GLenum target);
  void bindRenderbufferWithGLID(GLID glID);
  // Ends the open render pass when the framebuffer changes.
  void bindDrawFramebuffer(GLID glID);
  void bindReadFramebuffer(GLID glID);
  // The viewport's and scissor's surface: the draw framebuffer's size.
  void updateSurfaceRect();
  // glClear: deferred to the next render pass on the draw framebuffer.
  void clearAttachments(GLbitfield mask);

  // The shader or program with this name, made or not; GL_INVALID_VALUE
  // and null when there is none.
  MGLShader* getShader(GLID glID);
  MGLShaderProgram* getShaderProgram(GLID glID);

  // Bindings (not owned).
  MGLBuffer* currentVertexArrayBuffer() const { return arrayBuffer_; }
  MGLRenderbuffer* currentRenderbuffer() const { return renderbuffer_; }
  MGLFramebuffer* currentDrawFramebuffer() const { return drawFramebuffer_; }
  MGLFramebuffer* currentReadFramebuffer() const { return readFramebuffer_; }

 private:
  bool acceptsCapability(GLenum capability) const;
  void recordUnsupportedCapability(GLenum capability) const;

  // Owned; the order is the order of construction.
  MGLRef<MGLSharegroup> sharegroup_;
  MGLRef<MGLContextGLObjectStore> buffers_, textures_, renderbuffers_, framebuffers_, shaders_,
      shaderPrograms_, shaderLibraries_;
  MGLRef<MGLGLObjectStore> vertexArrayObjects_;
  MGLRef<MGLRenderPipelineStateCache> pipelineStateCache_;
  MGLRef<MGLDepthStencilStateCache> depthStencilStateCache_;
  MGLRef<MGLSamplerStateCache> samplerStateCache_;
  MGLRef<MGLPlatform> platform_;
  MGLRef<MGLRenderer> renderer_;
  MGLRef<MGLQueryPool> queryPool_;
  MGLRef<MGLMutableRenderPipelineState> pipelineState_;
  MGLRef<MGLMutableDepthStencilState> depthStencilState_;
  MGLRef<MGLBlendColorState> blendColorState_;
  MGLRef<MGLFaceCullingState> faceCullingState_;
  MGLRef<MGLFrontFaceWindingState> frontFaceWindingState_;
  MGLRef<MGLViewportState> viewportState_;
  MGLRef<MGLScissorState> scissorState_;
  MGLRef<MGLDepthBiasState> depthBiasState_;
  MGLRef<MGLOcclusionQueryState> occlusionQueryState_;
  MGLRef<MGLTextureUnits> textureUnits2D_, textureUnitsCube_;
  MGLRef<MGLShaderLibrary> currentShaderLibrary_;

  GLuint activeTextureUnit_ = 0;
  MGLBuffer* arrayBuffer_ = nullptr;
  MGLRenderbuffer* renderbuffer_ = nullptr;
  MGLFramebuffer* drawFramebuffer_ = nullptr;
  MGLFramebuffer* readFramebuffer_ = nullptr;

  GLenum currentError_ = 0;
  std::string errorText_;
  bool hasErrorText_ = false;
  const char* functionName_ = nullptr;

  mtl::PixelFormat layerPixelFormat_ = mtl::PixelFormat::BGRA8Unorm;
  MGLColor clearColor_;
  double clearDepth_ = 1.0;
  GLenum mipmapHint_;
  GLenum derivativeHint_;
  GLfloat lineWidth_ = 1.0f;
  GLuint clearStencil_ = 0;
  GLint packAlignment_ = 4;
  GLint unpackAlignment_ = 4;
  GLenum shaderSourceLanguage_;
  bool dither_ = true;
  bool flipPVRTC_ = true;
  bool optimizeSampleOnly_ = false;
  bool swizzleMismatched_ = true;
  bool fastMath_ = true;
  bool logShaderConversion_ = false;
  bool assertOnError_ = false;
  bool debugMode_ = false;
};
