#include "gles/render/depth_stencil_state.h"

#include <cstring>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/format.h"
#include "gles/context/platform.h"
#include "gles/render/renderer.h"
#include "gles/textures/state_conversion.h"
#include "platform/metal/device.h"
#include "platform/metal/render_encoder.h"

namespace {

// The conversions answer their fallback (Always, Keep) for a value they
// refuse, after recording the error; a refused value must change nothing.
bool validCompareFunction(GLenum function) {
  return mglMTLCompareFunctionOfGL(function) != mtl::CompareFunction::Always ||
         function == GL_ALWAYS;
}

bool validStencilOperation(GLenum operation) {
  return mglMTLStencilOperationOfGL(operation) != mtl::StencilOperation::Keep ||
         operation == GL_KEEP;
}

MGLStencilFaceKey faceKey(const MGLMutableStencilState& face) {
  MGLStencilFaceKey key;
  key.stencilCompareFunction = static_cast<std::uint8_t>(mglMTLCompareFunctionOfGL(face.function()));
  key.stencilFailOperation = static_cast<std::uint8_t>(mglMTLStencilOperationOfGL(face.stencilFailOperation()));
  key.depthFailOperation = static_cast<std::uint8_t>(mglMTLStencilOperationOfGL(face.depthFailOperation()));
  key.depthPassOperation = static_cast<std::uint8_t>(mglMTLStencilOperationOfGL(face.depthPassOperation()));
  key.readMask = face.readMask();
  key.writeMask = face.writeMask();
  return key;
}

mtl::StencilDescriptor stencilDescriptor(const MGLStencilFaceKey& key) {
  mtl::StencilDescriptor d;
  d.stencilCompareFunction = static_cast<mtl::CompareFunction>(key.stencilCompareFunction);
  d.stencilFailureOperation = static_cast<mtl::StencilOperation>(key.stencilFailOperation);
  d.depthFailureOperation = static_cast<mtl::StencilOperation>(key.depthFailOperation);
  d.depthStencilPassOperation = static_cast<mtl::StencilOperation>(key.depthPassOperation);
  d.readMask = key.readMask;
  d.writeMask = key.writeMask;
  return d;
}

}  // namespace

bool MGLDepthStencilState::isEqual(const MGLObject* other) const {
  if (other == this) return true;
  const auto* o = static_cast<const MGLDepthStencilState*>(other);
  if (!o || o->hash_ != hash_ || std::memcmp(&o->key_, &key_, sizeof key_) != 0) return false;
  return !key_.stencilEnabled || (std::memcmp(&o->front_, &front_, sizeof front_) == 0 &&
                                  std::memcmp(&o->back_, &back_, sizeof back_) == 0);
}

MGLStaticDepthStencilState::MGLStaticDepthStencilState(const MGLDepthStencilState& state) {
  key_ = state.stateData();
  front_ = state.frontFaceStencil();
  back_ = state.backFaceStencil();
  hash_ = state.hash();
  mtl::DepthStencilDescriptor descriptor;
  descriptor.label = mglFormat("depth %u write %u stencil %u",
                               {unsigned{key_.depthCompareFunction}, unsigned{key_.depthWriteEnabled},
                                unsigned{key_.stencilEnabled}});
  descriptor.depthCompareFunction = static_cast<mtl::CompareFunction>(key_.depthCompareFunction);
  descriptor.depthWriteEnabled = key_.depthWriteEnabled != 0;
  if (key_.stencilEnabled) {
    descriptor.frontFaceStencil = stencilDescriptor(front_);
    descriptor.backFaceStencil = stencilDescriptor(back_);
  }
  mtl_ = mglSharedMTLDevice()->newDepthStencilState(descriptor);
}

void MGLMutableStencilState::setFunction(GLenum function, GLint reference, GLuint readMask) {
  if (function == function_ && reference == reference_ && readMask == readMask_) return;
  if (!validCompareFunction(function)) return;
  function_ = function;
  reference_ = reference;
  readMask_ = readMask;
  owner_->markDirty();
}

void MGLMutableStencilState::setWriteMask(GLuint mask) {
  if (mask == writeMask_) return;
  writeMask_ = mask;
  owner_->markDirty();
}

void MGLMutableStencilState::setOperations(GLenum stencilFail, GLenum depthFail,
                                           GLenum depthPass) {
  if (stencilFail == stencilFail_ && depthFail == depthFail_ && depthPass == depthPass_) return;
  if (!validStencilOperation(stencilFail) || !validStencilOperation(depthFail) ||
      !validStencilOperation(depthPass)) {
    return;
  }
  stencilFail_ = stencilFail;
  depthFail_ = depthFail;
  depthPass_ = depthPass;
  owner_->markDirty();
}

MGLMutableDepthStencilState::MGLMutableDepthStencilState(MGLContext* context) : context_(context) {}

void MGLMutableDepthStencilState::markDirty() {
  mtl_ = nullptr;
  hash_ = 0;
}

void MGLMutableDepthStencilState::setShouldTestDepth(bool value) {
  if (value == testDepth_) return;
  testDepth_ = value;
  markDirty();
}

void MGLMutableDepthStencilState::setShouldWriteDepth(bool value) {
  if (value == writeDepth_) return;
  writeDepth_ = value;
  markDirty();
}

void MGLMutableDepthStencilState::setDepthFunction(GLenum function) {
  if (function == depthFunction_ || !validCompareFunction(function)) return;
  depthFunction_ = function;
  markDirty();
}

void MGLMutableDepthStencilState::setShouldTestStencil(bool value) {
  if (value == testStencil_) return;
  testStencil_ = value;
  markDirty();
}

bool MGLMutableDepthStencilState::forFaces(GLenum face, bool& front, bool& back) const {
  front = face == GL_FRONT || face == GL_FRONT_AND_BACK;
  back = face == GL_BACK || face == GL_FRONT_AND_BACK;
  if (front || back) return true;
  mglSetError(GL_INVALID_ENUM, "%@ is not a valid stencil face.", {mglGLEnumName(face)});
  return false;
}

void MGLMutableDepthStencilState::setStencilFunction(GLenum face, GLenum function, GLint reference,
                                                     GLuint readMask) {
  bool front, back;
  if (!forFaces(face, front, back)) return;
  if (front) frontState_.setFunction(function, reference, readMask);
  if (back) backState_.setFunction(function, reference, readMask);
}

void MGLMutableDepthStencilState::setStencilWriteMask(GLenum face, GLuint mask) {
  bool front, back;
  if (!forFaces(face, front, back)) return;
  if (front) frontState_.setWriteMask(mask);
  if (back) backState_.setWriteMask(mask);
}

void MGLMutableDepthStencilState::setStencilOperations(GLenum face, GLenum stencilFail,
                                                       GLenum depthFail, GLenum depthPass) {
  bool front, back;
  if (!forFaces(face, front, back)) return;
  if (front) frontState_.setOperations(stencilFail, depthFail, depthPass);
  if (back) backState_.setOperations(stencilFail, depthFail, depthPass);
}

void MGLMutableDepthStencilState::setAttachmentsAvailable(bool depth, bool stencil) {
  if (depth == depthAvailable_ && stencil == stencilAvailable_) return;
  depthAvailable_ = depth;
  stencilAvailable_ = stencil;
  markDirty();
}

void MGLMutableDepthStencilState::updateStateData() {
  key_ = {};
  // Without a depth attachment there is nothing to test or write.
  if (testDepth_ && depthAvailable_) {
    key_.depthCompareFunction = static_cast<std::uint8_t>(mglMTLCompareFunctionOfGL(depthFunction_));
    key_.depthWriteEnabled = writeDepth_ ? 1 : 0;
  }
  key_.stencilEnabled = testStencil_ && stencilAvailable_ ? 1 : 0;
  if (key_.stencilEnabled) {
    front_ = faceKey(frontState_);
    back_ = faceKey(backState_);
    key_.stencilReferenceValue = static_cast<std::uint32_t>(frontState_.referenceValue());
  } else {
    front_ = back_ = MGLStencilFaceKey{};
  }
  hash_ = key_.depthWriteEnabled + 2u * key_.stencilEnabled + 4u * key_.depthCompareFunction;
}

const std::shared_ptr<mtl::DepthStencilState>& MGLMutableDepthStencilState::mtlDepthStencilState() {
  if (!mtl_) {
    updateStateData();
    mtl_ = context_->depthStencilStateCache()->getDepthStencilStateMatching(*this)->mtlDepthStencilState();
  }
  return mtl_;
}

void MGLMutableDepthStencilState::renderTo(MGLRenderer& renderer) {
  // The pass's attachments, as the framebuffer told the pipeline state.
  const MGLMutableRenderPipelineState* pipeline = context_->renderPipelineState();
  setAttachmentsAvailable(pipeline->hasDepthAttachment(), pipeline->hasStencilAttachment());
  const std::uint64_t previous = currEncoderID_;
  currEncoderID_ = renderer.renderCommandEncoderID();
  if (previous == currEncoderID_ && !isDirty()) return;
  mtl::RenderCommandEncoder* encoder = renderer.currentRenderCommandEncoder();
  encoder->setDepthStencilState(mtlDepthStencilState());
  encoder->setStencilReferenceValue(key_.stencilReferenceValue);
}

MGLStaticDepthStencilState* MGLDepthStencilStateCache::getDepthStencilStateMatching(
    const MGLDepthStencilState& state) {
  if (MGLObject* found = objects_.member(&state)) return static_cast<MGLStaticDepthStencilState*>(found);
  MGLRef<MGLStaticDepthStencilState> made = mglMake<MGLStaticDepthStencilState>(state);
  objects_.addObject(made.get());
  ++made_;
  return made.get();
}

void MGLDepthStencilStateCache::removeDepthStencilStateMatching(const MGLDepthStencilState& state) {
  objects_.removeObject(&state);
}
