// Render pipeline states: what Metal bakes into one immutable pipeline and
// GL keeps as separate mutable state (program, vertex layout, attachment
// formats, sample count, blending, write mask, alpha to coverage). The
// context's mutable state holds a 24-byte key and points at its vertex
// array object's attribute specs; at a draw it finds the static state of
// equal key and specs in the context's cache (making it and its Metal
// pipeline on a miss) and sets that pipeline on the render encoder.
//
// Thread rules: owned by one context and used by its thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "gles/context/gl_enums.h"
#include "gles/context/gl_types.h"
#include "gles/context/object.h"
#include "gles/context/object_array.h"
#include "gles/render/renderable.h"
#include "gles/render/vertex_array_object.h"
#include "gles/shaders/shader_program.h"
#include "platform/metal/states.h"

class MGLContext;
class MGLRenderer;

// The key, compared as bytes: keep every byte initialised.
struct MGLRenderPipelineKey {
  std::uint32_t shaderProgramGLID = 0;
  std::uint32_t vertexArrayObjectGLID = 0;
  std::uint8_t sourceRGBBlendFactor = 1;       // Metal blend factors
  std::uint8_t destinationRGBBlendFactor = 0;
  std::uint8_t sourceAlphaBlendFactor = 1;
  std::uint8_t destinationAlphaBlendFactor = 0;
  std::uint16_t colorFormat = 0;               // Metal pixel formats; 0 none
  std::uint16_t depthFormat = 0;
  std::uint16_t stencilFormat = 0;
  std::uint8_t colorWriteMask = 15;            // red 8, green 4, blue 2, alpha 1
  std::uint8_t rgbBlendOperation = 0;          // Metal blend operations
  std::uint8_t alphaBlendOperation = 0;
  std::uint8_t sampleCount = 1;
  std::uint8_t flags = kShouldRasterize;
  std::uint8_t pad = 0;

  static constexpr std::uint8_t kShouldBlend = 1, kShouldUseAlphaToCoverage = 2,
                                kShouldSetAlphaToOne = 4, kShouldRasterize = 8;
};
static_assert(sizeof(MGLRenderPipelineKey) == 24);

class MGLRenderPipelineState : public MGLObject {
 public:
  const char* className() const override { return "MGLRenderPipelineState"; }
  // Equal hash, key, counts and spec bytes. The argument must be a
  // render pipeline state.
  bool isEqual(const MGLObject* other) const override;
  std::size_t hash() const override { return hash_; }

  const MGLRenderPipelineKey& stateData() const { return key_; }
  GLuint shaderProgramGLID() const { return key_.shaderProgramGLID; }
  GLuint vertexArrayObjectGLID() const { return key_.vertexArrayObjectGLID; }
  mtl::PixelFormat colorFormat() const { return static_cast<mtl::PixelFormat>(key_.colorFormat); }
  mtl::PixelFormat depthFormat() const { return static_cast<mtl::PixelFormat>(key_.depthFormat); }
  mtl::PixelFormat stencilFormat() const { return static_cast<mtl::PixelFormat>(key_.stencilFormat); }
  mtl::NSUInteger sampleCount() const { return key_.sampleCount; }
  bool hasColorAttachment() const { return key_.colorFormat != 0; }
  bool hasDepthAttachment() const { return key_.depthFormat != 0; }
  bool hasStencilAttachment() const { return key_.stencilFormat != 0; }
  bool shouldBlend() const { return key_.flags & MGLRenderPipelineKey::kShouldBlend; }
  bool shouldUseAlphaToCoverage() const {
    return key_.flags & MGLRenderPipelineKey::kShouldUseAlphaToCoverage;
  }
  std::uint64_t vertexAttributeCount() const { return attributeCount_; }
  std::uint64_t vertexAttributeBufferCount() const { return bufferCount_; }
  const MGLVertexAttributePipelineSpec* vertexAttributePipelineSpecs() const { return attributeSpecs_; }
  const MGLVertexBufferLayoutSpec* vertexAttributeBufferLayoutSpecs() const { return layoutSpecs_; }
  // The Metal pipeline description of this state (functions not set).
  mtl::RenderPipelineDescriptor renderPipelineDescriptor() const;

 protected:
  MGLRenderPipelineKey key_;
  std::uint64_t hash_ = 0;  // 0: not computed
  const MGLVertexAttributePipelineSpec* attributeSpecs_ = nullptr;
  const MGLVertexBufferLayoutSpec* layoutSpecs_ = nullptr;
  std::uint64_t attributeCount_ = 0;
  std::uint64_t bufferCount_ = 0;
};

// An immutable state with its own copies of the specs and its Metal
// pipeline (none when Metal refused it: the key then draws nothing).
class MGLStaticRenderPipelineState : public MGLRenderPipelineState {
 public:
  explicit MGLStaticRenderPipelineState(const MGLRenderPipelineState& state);
  const char* className() const override { return "MGLStaticRenderPipelineState"; }
  const std::shared_ptr<mtl::RenderPipelineState>& mtlPipelineState() const { return mtl_; }

 protected:
  // A state of the given key and specs without a Metal pipeline (for a
  // linker's generic pipeline).
  MGLStaticRenderPipelineState(const MGLRenderPipelineKey& key,
                               const MGLVertexAttributePipelineSpec* attributes,
                               std::uint64_t attributeCount,
                               const MGLVertexBufferLayoutSpec* layouts,
                               std::uint64_t bufferCount);

 private:
  void copySpecs(const MGLVertexAttributePipelineSpec* attributes, const MGLVertexBufferLayoutSpec* layouts);
  void makeMTLPipelineState();

  std::array<MGLVertexAttributePipelineSpec, MGLVertexArrayObject::kMaxVertexAttributes> ownAttributes_{};
  std::array<MGLVertexBufferLayoutSpec, MGLVertexArrayObject::kMaxVertexBuffers> ownLayouts_{};
  std::shared_ptr<mtl::RenderPipelineState> mtl_;
};

class MGLMutableRenderPipelineState : public MGLRenderPipelineState, public MGLRenderable {
 public:
  explicit MGLMutableRenderPipelineState(MGLContext& context);
  // Detaches its vertex array object, which may outlive it.
  ~MGLMutableRenderPipelineState() override;
  const char* className() const override { return "MGLMutableRenderPipelineState"; }

  // glUseProgram: the program must be linked.
  void setShaderProgram(MGLShaderProgram* program);
  // Re-reads a program relinked while current.
  void refreshShaderProgram();
  void setVertexArrayObject(MGLVertexArrayObject* vertexArray);
  void setColorFormat(mtl::PixelFormat format);
  void setDepthFormat(mtl::PixelFormat format);
  void setStencilFormat(mtl::PixelFormat format);
  void setSampleCount(mtl::NSUInteger count);
  void setBlendEquation(GLenum rgb, GLenum alpha);
  void setBlendFunc(GLenum srcRGB, GLenum srcAlpha, GLenum dstRGB, GLenum dstAlpha);
  void setShouldBlend(bool value);
  void setShouldUseAlphaToCoverage(bool value);

  GLenum srcRGBBlendFunc() const { return srcRGB_; }
  GLenum srcAlphaBlendFunc() const { return srcAlpha_; }
  GLenum dstRGBBlendFunc() const { return dstRGB_; }
  GLenum dstAlphaBlendFunc() const { return dstAlpha_; }
  GLenum rgbBlendEquation() const { return rgbEquation_; }
  GLenum alphaBlendEquation() const { return alphaEquation_; }
  MGLShaderProgram* shaderProgram() const { return program_.get(); }
  MGLVertexArrayObject* vertexArrayObject() const { return vertexArray_.get(); }
  MGLContext* context() const { return context_; }

  bool isDirty() const { return mtl_ == nullptr; }
  void markDirty();
  // Bakes the vertex array for the program, then the key's hash.
  std::uint64_t computeHash();
  // The Metal pipeline of the current state, from the context's cache.
  const std::shared_ptr<mtl::RenderPipelineState>& mtlPipelineState();
  void renderTo(MGLRenderer& renderer) override;

 private:
  void bakeAttributes();
  void setKeyField(std::uint16_t& field, std::uint16_t value);

  MGLContext* context_;  // the owner, not retained
  MGLRef<MGLShaderProgram> program_;
  MGLRef<MGLVertexArrayObject> vertexArray_;
  std::shared_ptr<mtl::RenderPipelineState> mtl_;  // owned by the cached static state
  const mtl::RenderPipelineState* encoderPipeline_ = nullptr;  // last set on the encoder
  std::uint64_t currEncoderID_ = 0;
  GLenum srcRGB_ = GL_ONE, srcAlpha_ = GL_ONE, dstRGB_ = GL_ZERO, dstAlpha_ = GL_ZERO;
  GLenum rgbEquation_ = GL_FUNC_ADD, alphaEquation_ = GL_FUNC_ADD;
};

// What links programs (glLinkProgram); the shader side derives its linker
// from the static pipeline state and installs it in the cache.
class MGLShaderProgramLinking {
 public:
  virtual void linkShaderProgram(GLID glID) = 0;

 protected:
  ~MGLShaderProgramLinking() = default;
};

class MGLRenderPipelineStateCache : public MGLObject {
 public:
  // With the shader side's linker installed.
  MGLRenderPipelineStateCache();
  const char* className() const override { return "MGLRenderPipelineStateCache"; }

  // The cached state equal to `state`, made (with its Metal pipeline) and
  // added on a miss.
  MGLStaticRenderPipelineState* getPipelineStateMatching(const MGLRenderPipelineState& state);
  void removePipelineStateMatching(const MGLRenderPipelineState& state);
  // Drops every cached state of program `glID`.
  void removeShaderProgram(GLID glID);
  // glLinkProgram: drops the program's states, links it, and has the
  // current context's pipeline state take the new link if it uses it.
  void linkShaderProgram(GLID glID);
  template <typename Linker>
  void setShaderProgramLinker(MGLRef<Linker> linker) {
    linking_ = linker.get();
    linker_ = std::move(linker);
  }

  std::uint64_t count() const { return objects_.count(); }
  // Lookups and static states made so far.
  std::uint64_t lookupCount() const { return lookups_; }
  std::uint64_t madeCount() const { return made_; }

 private:
  MGLSet objects_;
  MGLRef<MGLObject> linker_;
  MGLShaderProgramLinking* linking_ = nullptr;
  std::uint64_t lookups_ = 0;
  std::uint64_t made_ = 0;
};
