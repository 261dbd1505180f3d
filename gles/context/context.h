// The state machine of one GL context: its stores, render state objects,
// renderer, platform limits, texture units and the small state it keeps
// itself (clear values, alignments, hints, library switches, the error
// record). It is used by the one thread on which it is current.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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
class MGLGLObjectBase;
class MGLRenderbuffer;
class MGLShader;
class MGLShaderLibrary;
class MGLShaderProgram;
class MGLVertexArrayObject;

struct MGLColor {
  GLfloat red = 0, green = 0, blue = 0, alpha = 1;
};

// One value of a numeric query, with the kind it is reported as: boolean,
// signed or unsigned 32-bit integer, machine word, single or double float.
struct MGLParameterValue {
  enum class Kind : std::uint8_t { Boolean, Int, UInt, Word, Float, Double };
  Kind kind;
  double value;  // holds every value of every kind exactly
};

// The answer of a numeric query: its values in order, none after an error.
// Fixed storage left unset past the count, so that a query allocates and
// clears nothing.
class MGLParameter {
 public:
  static constexpr std::size_t kCapacity = 18;  // the compressed formats
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const MGLParameterValue& operator[](std::size_t i) const { return values_[i]; }
  const MGLParameterValue* begin() const { return values_.data(); }
  const MGLParameterValue* end() const { return values_.data() + count_; }
  void add(MGLParameterValue::Kind kind, double value) {
    if (count_ < kCapacity) values_[count_++] = {kind, value};
  }

 private:
  std::array<MGLParameterValue, kCapacity> values_;
  std::size_t count_ = 0;
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

  // --- Bindings and lookups (GLID 0 binds nothing unless a kind has a
  // default object). Every binding holds a reference: an object deleted
  // by another context of the sharegroup lives on while bound here, its
  // name freed at once.

  // GL_ARRAY_BUFFER, or GL_ELEMENT_ARRAY_BUFFER of the current vertex array.
  void bindBufferWithGLID(GLID glID, GLenum target);
  MGLBuffer* getBufferBoundToTarget(GLenum target);
  MGLBuffer* currentVertexElementArrayBuffer() const;
  // Clears this context's bindings of the buffer (and the current vertex
  // array's attributes that read it), then frees the name.
  void deleteBufferWithGLID(GLID glID);

  GLenum activeTextureUnit() const;
  // GL_TEXTURE0 to GL_TEXTURE15.
  void setActiveTextureUnit(GLenum unit);
  MGLTextureUnits* getTextureUnitsForTarget(GLenum target);
  void bindTextureWithGLID(GLID glID, GLenum target);
  MGLTexture* getTextureBoundToTarget(GLenum target);
  MGLTexture* getTextureBoundToTarget(GLenum target, GLuint unit);
  void deleteTextureWithGLID(GLID glID);

  MGLVertexArrayObject* currentVertexArrayObject() const;
  void bindVertexArrayObjectWithGLID(GLID glID);
  void deleteVertexArrayObjectWithGLID(GLID glID);

  // The bound renderbuffer; GL_INVALID_OPERATION and null when none.
  MGLRenderbuffer* currentRenderbuffer();
  void bindRenderbufferWithGLID(GLID glID);
  void deleteRenderbufferWithGLID(GLID glID);

  // GL_FRAMEBUFFER binds both sides.
  void bindFramebufferWithGLID(GLID glID, GLenum target);
  // Ends the open render pass when the framebuffer changes.
  void bindDrawFramebuffer(GLID glID);
  void bindReadFramebuffer(GLID glID);
  MGLFramebuffer* currentFramebufferAtTarget(GLenum target);
  // The bindings; GL_INVALID_FRAMEBUFFER_OPERATION and null when none.
  MGLFramebuffer* currentDrawFramebuffer();
  MGLFramebuffer* currentReadFramebuffer();
  mtl::PixelFormat currentDrawBufferColorMTLPixelFormat() const;
  void deleteFramebufferWithGLID(GLID glID);

  void bindShaderLibraryWithGLID(GLID glID);
  void deleteShaderLibraryWithGLID(GLID glID);
  // An object of a GL object type (labels), not made on a miss.
  MGLGLObjectBase* getObjectOfType(GLenum type, GLID glID);

  // The bindings as they are, without an error when there is none.
  MGLBuffer* currentVertexArrayBuffer() const { return arrayBuffer_.get(); }
  MGLRenderbuffer* renderbufferBinding() const { return renderbuffer_.get(); }
  MGLFramebuffer* drawFramebufferBinding() const { return drawFramebuffer_.get(); }
  MGLFramebuffer* readFramebufferBinding() const { return readFramebuffer_.get(); }

  // --- Framebuffer work.
  // glClear: deferred to the next render pass on the draw framebuffer.
  void clearAttachments(GLbitfield mask);
  // glReadPixels: waits for the GPU, then reads the read framebuffer.
  void readPixelsFromRect(MGLRect rectangle, void* pixels, GLenum format, GLenum type);
  // The viewport's and scissor's surface: the draw framebuffer's size.
  void updateSurfaceRect();
  void generateMipmapsForTextureBoundToTarget(GLenum target);
  // glCopyTexImage2D and glCopyTexSubImage2D from the read framebuffer.
  void copyCurrentFramebufferRectangle(MGLRect rectangle, GLenum target, GLint level,
                                       GLenum internalFormat);
  void copyCurrentFramebufferRectangle(MGLRect rectangle, GLenum target, GLint level,
                                       GLint x, GLint y);
  // glResolveMultisampleFramebufferAPPLE: read framebuffer into draw.
  void resolveMultisampleFramebuffer();

  // --- Shaders and programs.
  // The shader or program with this name, made or not; GL_INVALID_VALUE
  // and null when there is none.
  MGLShader* getShader(GLID glID);
  MGLShaderProgram* getShaderProgram(GLID glID);
  // Marks it deleted and frees it from the tables; whatever holds it keeps
  // it (and its name) until it lets go.
  void deleteShaderWithGLID(GLID glID);
  void deleteShaderProgramWithGLID(GLID glID);
  // The program in use; GL_INVALID_OPERATION and null when it is the
  // default program (none was made current).
  MGLShaderProgram* currentShaderProgram();
  // glUseProgram: the program must exist and be linked.
  void bindShaderProgramWithGLID(GLID glID);

  // --- Queries.
  // glGetIntegerv and friends; GL_INVALID_ENUM and no values for an
  // unknown name.
  MGLParameter getParameter(GLenum pname);
  // Null after GL_INVALID_ENUM. The error text and the two version strings
  // stay valid until this context's next string query; the others for
  // the life of the process.
  const char* getStringParameter(GLenum pname);
  // Range minimum, range maximum and precision bits of a precision type.
  std::array<GLint, 3> getShader(GLenum shaderType, GLenum precisionType);
  static std::array<GLenum, 18> compressedFormats();
  // The extension names, sorted without regard to case (built once).
  static const std::vector<std::string>& extensionNames();

 private:
  bool acceptsCapability(GLenum capability) const;
  void recordUnsupportedCapability(GLenum capability) const;
  // The copy into a texture shared by both forms; `into` is the level's
  // rectangle that receives the source rectangle's origin.
  void copyFramebufferToTexture(MGLRect rectangle, GLenum target, GLint level,
                                const GLenum* internalFormat, GLint x, GLint y);

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
  MGLRef<MGLBuffer> arrayBuffer_;
  MGLRef<MGLRenderbuffer> renderbuffer_;
  MGLRef<MGLFramebuffer> drawFramebuffer_;
  MGLRef<MGLFramebuffer> readFramebuffer_;

  GLenum currentError_ = 0;
  std::string errorText_;
  bool hasErrorText_ = false;
  std::string stringAnswer_;  // the last temporary string answered
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
