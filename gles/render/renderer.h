// The renderer's switches that the context sets through glEnable and
// glDisable; command buffers, encoders and frames arrive with the draw code.
#pragma once

#include <cstdint>

#include "gles/context/object.h"

class MGLContext;

class MGLRenderer : public MGLObject {
 public:
  explicit MGLRenderer(MGLContext* context) : context_(context) {}
  const char* className() const override { return "MGLRenderer"; }

  MGLContext* context() const { return context_; }
  bool shouldVerifyVertexBufferSizeOnDraw() const { return verifyVertexBufferSize_; }
  void setShouldVerifyVertexBufferSizeOnDraw(bool value) { verifyVertexBufferSize_ = value; }
  bool shouldDeferDrawable() const { return deferDrawable_; }
  void setShouldDeferDrawable(bool value) { deferDrawable_ = value; }
  std::uint32_t frameIndex() const { return frameIndex_; }
  std::uint32_t consumableResourcePoolSize() const { return poolSize_; }

 private:
  MGLContext* context_;  // the owner, not retained
  bool verifyVertexBufferSize_ = true;
  bool deferDrawable_ = true;
  std::uint32_t frameIndex_ = 0;
  std::uint32_t poolSize_ = 3;
};
