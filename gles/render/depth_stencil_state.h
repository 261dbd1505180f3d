// Depth and stencil testing as immutable Metal depth-stencil states: the
// context's mutable state holds the GL values and a compact key, and finds
// its Metal state by key in the context's cache, making it on a miss.
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

namespace mtl {
class DepthStencilState;
}

class MGLContext;
class MGLRenderer;
class MGLDepthStencilStateCache;

// The key: Metal values, 8 bytes, compared as bytes.
struct MGLDepthStencilKey {
  std::uint8_t depthCompareFunction = 7;  // always
  std::uint8_t depthWriteEnabled = 0;
  std::uint8_t stencilEnabled = 0;
  std::uint8_t pad = 0;
  std::uint32_t stencilReferenceValue = 0;
};
static_assert(sizeof(MGLDepthStencilKey) == 8);

struct MGLStencilFaceKey {
  std::uint8_t stencilCompareFunction = 7;  // always
  std::uint8_t stencilFailOperation = 0;    // keep
  std::uint8_t depthFailOperation = 0;
  std::uint8_t depthPassOperation = 0;
  std::uint32_t readMask = 0xFFFFFFFFu;
  std::uint32_t writeMask = 0xFFFFFFFFu;
  std::uint32_t pad = 0;
};
static_assert(sizeof(MGLStencilFaceKey) == 16);

class MGLDepthStencilState : public MGLObject {
 public:
  const char* className() const override { return "MGLDepthStencilState"; }
  // Equal keys; the face records count only while stencil is on. The
  // argument must be a depth-stencil state.
  bool isEqual(const MGLObject* other) const override;
  std::size_t hash() const override { return hash_; }
  const MGLDepthStencilKey& stateData() const { return key_; }
  const MGLStencilFaceKey& frontFaceStencil() const { return front_; }
  const MGLStencilFaceKey& backFaceStencil() const { return back_; }

 protected:
  MGLDepthStencilKey key_;
  MGLStencilFaceKey front_, back_;
  std::uint64_t hash_ = 0;
};

class MGLStaticDepthStencilState : public MGLDepthStencilState {
 public:
  // Copies the key and makes the Metal state.
  explicit MGLStaticDepthStencilState(const MGLDepthStencilState& state);
  const char* className() const override { return "MGLStaticDepthStencilState"; }
  const std::shared_ptr<mtl::DepthStencilState>& mtlDepthStencilState() const { return mtl_; }

 private:
  std::shared_ptr<mtl::DepthStencilState> mtl_;
};

class MGLMutableDepthStencilState;

// The GL stencil state of one face.
class MGLMutableStencilState {
 public:
  explicit MGLMutableStencilState(MGLMutableDepthStencilState* owner) : owner_(owner) {}
  GLenum function() const { return function_; }
  GLint referenceValue() const { return reference_; }
  GLuint readMask() const { return readMask_; }
  GLuint writeMask() const { return writeMask_; }
  GLenum stencilFailOperation() const { return stencilFail_; }
  GLenum depthFailOperation() const { return depthFail_; }
  GLenum depthPassOperation() const { return depthPass_; }
  void setFunction(GLenum function, GLint reference, GLuint readMask);
  void setWriteMask(GLuint mask);
  void setOperations(GLenum stencilFail, GLenum depthFail, GLenum depthPass);

 private:
  MGLMutableDepthStencilState* owner_;
  GLenum function_ = GL_ALWAYS;
  GLint reference_ = 0;
  GLuint readMask_ = 0xFFFFFFFFu;
  GLuint writeMask_ = 0xFFFFFFFFu;
  GLenum stencilFail_ = GL_KEEP;
  GLenum depthFail_ = GL_KEEP;
  GLenum depthPass_ = GL_KEEP;
};

class MGLMutableDepthStencilState : public MGLDepthStencilState, public MGLRenderable {
 public:
  explicit MGLMutableDepthStencilState(MGLContext* context);
  const char* className() const override { return "MGLMutableDepthStencilState"; }

  bool shouldTestDepth() const { return testDepth_; }
  void setShouldTestDepth(bool value);
  bool shouldWriteDepth() const { return writeDepth_; }
  void setShouldWriteDepth(bool value);
  GLenum depthFunction() const { return depthFunction_; }
  void setDepthFunction(GLenum function);
  bool shouldTestStencil() const { return testStencil_; }
  void setShouldTestStencil(bool value);
  // Per face: GL_FRONT, GL_BACK or GL_FRONT_AND_BACK.
  void setStencilFunction(GLenum face, GLenum function, GLint reference, GLuint readMask);
  void setStencilWriteMask(GLenum face, GLuint mask);
  void setStencilOperations(GLenum face, GLenum stencilFail, GLenum depthFail, GLenum depthPass);
  const MGLMutableStencilState& frontFaceStencilState() const { return frontState_; }
  const MGLMutableStencilState& backFaceStencilState() const { return backState_; }
  bool depthAttachmentIsAvailable() const { return depthAvailable_; }
  bool stencilAttachmentIsAvailable() const { return stencilAvailable_; }
  // What the bound draw framebuffer offers; a change marks the state dirty.
  void setAttachmentsAvailable(bool depth, bool stencil);

  bool isDirty() const { return mtl_ == nullptr; }
  void markDirty();
  // The key from the GL values (also computes the hash).
  void updateStateData();
  // The Metal state of the current values, from the context's cache.
  const std::shared_ptr<mtl::DepthStencilState>& mtlDepthStencilState();
  void renderTo(MGLRenderer& renderer) override;

 private:
  bool forFaces(GLenum face, bool& front, bool& back) const;

  MGLContext* context_;  // the owner, not retained
  MGLMutableStencilState frontState_{this}, backState_{this};
  std::shared_ptr<mtl::DepthStencilState> mtl_;  // owned by the cached static state
  std::uint64_t currEncoderID_ = 0;
  GLenum depthFunction_ = GL_LESS;
  bool testDepth_ = false;
  bool writeDepth_ = true;
  bool testStencil_ = false;
  bool depthAvailable_ = false;
  bool stencilAvailable_ = false;
};

class MGLDepthStencilStateCache : public MGLObject {
 public:
  MGLDepthStencilStateCache() : objects_(64, true) {}
  const char* className() const override { return "MGLDepthStencilStateCache"; }
  // The cached state equal to `state`, made and added on a miss.
  MGLStaticDepthStencilState* getDepthStencilStateMatching(const MGLDepthStencilState& state);
  void removeDepthStencilStateMatching(const MGLDepthStencilState& state);
  std::uint64_t count() const { return objects_.count(); }
  // Static states made so far (misses).
  std::uint64_t madeCount() const { return made_; }

 private:
  MGLSet objects_;
  std::uint64_t made_ = 0;
};
