#include "gles/render/render_pipeline_state.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/format.h"
#include "gles/context/platform.h"
#include "gles/render/renderer.h"
#include "gles/shaders/shader_program_linker.h"
#include "gles/textures/state_conversion.h"
#include "platform/metal/device.h"
#include "platform/metal/render_encoder.h"

namespace {

// The conversions answer their fallback (Add, One, Zero) for a value they
// refuse, after recording the error; a refused call must change nothing.
bool validEquation(GLenum e) {
  return mglMTLBlendOperationOfGL(e) != mtl::BlendOperation::Add || e == GL_FUNC_ADD;
}
bool validSourceFactor(GLenum f) {
  return mglMTLSourceBlendFactorOfGL(f) != mtl::BlendFactor::One || f == GL_ONE;
}
bool validDestinationFactor(GLenum f) {
  return mglMTLDestinationBlendFactorOfGL(f) != mtl::BlendFactor::Zero || f == GL_ZERO;
}

}  // namespace

bool MGLRenderPipelineState::isEqual(const MGLObject* other) const {
  if (other == this) return true;
  const auto* o = static_cast<const MGLRenderPipelineState*>(other);
  if (!o || o->hash_ != hash_ || std::memcmp(&o->key_, &key_, sizeof key_) != 0 ||
      o->attributeCount_ != attributeCount_ || o->bufferCount_ != bufferCount_) {
    return false;
  }
  return (attributeCount_ == 0 ||
          std::memcmp(o->attributeSpecs_, attributeSpecs_,
                      attributeCount_ * sizeof(MGLVertexAttributePipelineSpec)) == 0) &&
         (bufferCount_ == 0 ||
          std::memcmp(o->layoutSpecs_, layoutSpecs_,
                      bufferCount_ * sizeof(MGLVertexBufferLayoutSpec)) == 0);
}

mtl::RenderPipelineDescriptor MGLRenderPipelineState::renderPipelineDescriptor() const {
  mtl::RenderPipelineDescriptor d;
  d.label = mglFormat("program %u", {key_.shaderProgramGLID});
  d.depthAttachmentPixelFormat = depthFormat();
  d.stencilAttachmentPixelFormat = stencilFormat();
  d.sampleCount = key_.sampleCount;
  d.alphaToCoverageEnabled = key_.flags & MGLRenderPipelineKey::kShouldUseAlphaToCoverage;
  d.alphaToOneEnabled = key_.flags & MGLRenderPipelineKey::kShouldSetAlphaToOne;
  d.rasterizationEnabled = key_.flags & MGLRenderPipelineKey::kShouldRasterize;
  if (key_.colorFormat != 0) {
    mtl::RenderPipelineColorAttachmentDescriptor& c = d.colorAttachments[0];
    c.pixelFormat = colorFormat();
    c.writeMask = key_.colorWriteMask;
    c.blendingEnabled = shouldBlend();
    c.rgbBlendOperation = static_cast<mtl::BlendOperation>(key_.rgbBlendOperation);
    c.alphaBlendOperation = static_cast<mtl::BlendOperation>(key_.alphaBlendOperation);
    c.sourceRGBBlendFactor = static_cast<mtl::BlendFactor>(key_.sourceRGBBlendFactor);
    c.destinationRGBBlendFactor = static_cast<mtl::BlendFactor>(key_.destinationRGBBlendFactor);
    c.sourceAlphaBlendFactor = static_cast<mtl::BlendFactor>(key_.sourceAlphaBlendFactor);
    c.destinationAlphaBlendFactor = static_cast<mtl::BlendFactor>(key_.destinationAlphaBlendFactor);
  }
  mtl::VertexDescriptor vertices;
  for (std::uint64_t k = 0; k < attributeCount_; ++k) {
    const MGLVertexAttributePipelineSpec& spec = attributeSpecs_[k];
    if (spec.mtlIndex < 0 || static_cast<mtl::NSUInteger>(spec.mtlIndex) >= mtl::kMaxVertexAttributes)
      continue;
    mtl::VertexAttributeDescriptor& a = vertices.attributes[static_cast<std::size_t>(spec.mtlIndex)];
    a.format = static_cast<mtl::VertexFormat>(spec.format);
    a.offset = spec.bufferOffset;
    a.bufferIndex = static_cast<mtl::NSUInteger>(spec.bufferIndex);
  }
  for (std::uint64_t j = 0; j < bufferCount_; ++j) {
    const MGLVertexBufferLayoutSpec& spec = layoutSpecs_[j];
    mtl::VertexBufferLayoutDescriptor& l = vertices.layouts[j + 1];
    l.stride = spec.stride;
    l.stepFunction = static_cast<mtl::VertexStepFunction>(spec.stepFunction);
    l.stepRate = spec.stepRate;
  }
  d.vertexDescriptor = vertices;
  return d;
}

MGLStaticRenderPipelineState::MGLStaticRenderPipelineState(const MGLRenderPipelineState& state) {
  key_ = state.stateData();
  hash_ = state.hash();
  attributeCount_ = std::min<std::uint64_t>(state.vertexAttributeCount(), ownAttributes_.size());
  bufferCount_ = std::min<std::uint64_t>(state.vertexAttributeBufferCount(), ownLayouts_.size());
  copySpecs(state.vertexAttributePipelineSpecs(), state.vertexAttributeBufferLayoutSpecs());
  makeMTLPipelineState();
}

MGLStaticRenderPipelineState::MGLStaticRenderPipelineState(
    const MGLRenderPipelineKey& key, const MGLVertexAttributePipelineSpec* attributes,
    std::uint64_t attributeCount, const MGLVertexBufferLayoutSpec* layouts,
    std::uint64_t bufferCount) {
  key_ = key;
  attributeCount_ = std::min<std::uint64_t>(attributeCount, ownAttributes_.size());
  bufferCount_ = std::min<std::uint64_t>(bufferCount, ownLayouts_.size());
  copySpecs(attributes, layouts);
}

void MGLStaticRenderPipelineState::copySpecs(const MGLVertexAttributePipelineSpec* attributes,
                                             const MGLVertexBufferLayoutSpec* layouts) {
  if (attributes) std::copy_n(attributes, attributeCount_, ownAttributes_.begin());
  if (layouts) std::copy_n(layouts, bufferCount_, ownLayouts_.begin());
  attributeSpecs_ = ownAttributes_.data();
  layoutSpecs_ = ownLayouts_.data();
}

void MGLStaticRenderPipelineState::makeMTLPipelineState() {
  MGLContext* context = mglCurrentContext();
  if (!context) return;
  auto* program = static_cast<MGLShaderProgram*>(
      context->shaderPrograms()->getObjectOrNilWithGLID(key_.shaderProgramGLID));
  if (!program) return;
  mtl::RenderPipelineDescriptor descriptor = renderPipelineDescriptor();
  descriptor.vertexFunction = program->vertexMTLFunction();
  // Without a colour attachment nothing reads the fragment function.
  if (hasColorAttachment()) descriptor.fragmentFunction = program->fragmentMTLFunction();
  std::optional<mtl::Error> error;
  mtl_ = mglSharedMTLDevice()->newRenderPipelineState(descriptor, mtl::PipelineOptionNone, nullptr,
                                                      &error);
  if (!mtl_) {
    mglSetError(GL_INVALID_OPERATION, "Could not create a render pipeline state:\n%@",
                {error ? error->localizedDescription : std::string("(no error)")});
  }
}

MGLMutableRenderPipelineState::MGLMutableRenderPipelineState(MGLContext& context)
    : context_(&context),
      program_(static_cast<MGLShaderProgram*>(context.shaderPrograms()->getObjectWithGLID(0))) {
  setVertexArrayObject(
      static_cast<MGLVertexArrayObject*>(context.vertexArrayObjects()->getObjectWithGLID(0)));
  if (program_) attributeCount_ = std::min<std::uint64_t>(program_->activeVertexAttributeCount(), 16);
}

MGLMutableRenderPipelineState::~MGLMutableRenderPipelineState() {
  if (vertexArray_) vertexArray_->setRenderPipelineState(nullptr);
}

void MGLMutableRenderPipelineState::markDirty() {
  mtl_ = nullptr;
  hash_ = 0;
}

void MGLMutableRenderPipelineState::setShaderProgram(MGLShaderProgram* program) {
  if (!program || !program->isLinked()) {
    mglSetError(GL_INVALID_OPERATION,
                "Cannot use shader program %i as it has not been successfully linked.",
                {program ? program->glID() : 0u});
    return;
  }
  if (program == program_.get()) return;
  program_ = program;
  key_.shaderProgramGLID = program->glID();
  refreshShaderProgram();
}

void MGLMutableRenderPipelineState::refreshShaderProgram() {
  program_->setIsRendered(false);
  attributeCount_ = std::min<std::uint64_t>(program_->activeVertexAttributeCount(),
                                            MGLVertexArrayObject::kMaxVertexAttributes);
  markDirty();
}

void MGLMutableRenderPipelineState::setVertexArrayObject(MGLVertexArrayObject* vertexArray) {
  if (!vertexArray || vertexArray == vertexArray_.get()) return;
  if (vertexArray_) vertexArray_->setRenderPipelineState(nullptr);
  vertexArray_ = vertexArray;
  vertexArray->setRenderPipelineState(this);
  key_.vertexArrayObjectGLID = vertexArray->glID();
  attributeSpecs_ = vertexArray->vertexAttributePipelineSpecs();
  layoutSpecs_ = vertexArray->vertexAttributeBufferLayoutSpecs();
  bufferCount_ = vertexArray->vertexAttributeBufferCount();
  markDirty();
}

void MGLMutableRenderPipelineState::setKeyField(std::uint16_t& field, std::uint16_t value) {
  if (field == value) return;
  field = value;
  markDirty();
}

void MGLMutableRenderPipelineState::setColorFormat(mtl::PixelFormat format) {
  setKeyField(key_.colorFormat, static_cast<std::uint16_t>(format));
}

void MGLMutableRenderPipelineState::setDepthFormat(mtl::PixelFormat format) {
  setKeyField(key_.depthFormat, static_cast<std::uint16_t>(format));
}

void MGLMutableRenderPipelineState::setStencilFormat(mtl::PixelFormat format) {
  setKeyField(key_.stencilFormat, static_cast<std::uint16_t>(format));
}

void MGLMutableRenderPipelineState::setSampleCount(mtl::NSUInteger count) {
  const auto value = static_cast<std::uint8_t>(std::min<mtl::NSUInteger>(count, 255));
  if (value == key_.sampleCount) return;
  key_.sampleCount = value;
  markDirty();
}

void MGLMutableRenderPipelineState::setBlendEquation(GLenum rgb, GLenum alpha) {
  if (rgb == rgbEquation_ && alpha == alphaEquation_) return;
  if (!validEquation(rgb) || !validEquation(alpha)) return;
  rgbEquation_ = rgb;
  alphaEquation_ = alpha;
  key_.rgbBlendOperation = static_cast<std::uint8_t>(mglMTLBlendOperationOfGL(rgb));
  key_.alphaBlendOperation = static_cast<std::uint8_t>(mglMTLBlendOperationOfGL(alpha));
  markDirty();
}

void MGLMutableRenderPipelineState::setBlendFunc(GLenum srcRGB, GLenum srcAlpha, GLenum dstRGB,
                                                 GLenum dstAlpha) {
  if (srcRGB == srcRGB_ && srcAlpha == srcAlpha_ && dstRGB == dstRGB_ && dstAlpha == dstAlpha_)
    return;
  if (!validSourceFactor(srcRGB) || !validSourceFactor(srcAlpha) ||
      !validDestinationFactor(dstRGB) || !validDestinationFactor(dstAlpha)) {
    return;
  }
  srcRGB_ = srcRGB;
  srcAlpha_ = srcAlpha;
  dstRGB_ = dstRGB;
  dstAlpha_ = dstAlpha;
  key_.sourceRGBBlendFactor = static_cast<std::uint8_t>(mglMTLSourceBlendFactorOfGL(srcRGB));
  key_.sourceAlphaBlendFactor = static_cast<std::uint8_t>(mglMTLSourceBlendFactorOfGL(srcAlpha));
  key_.destinationRGBBlendFactor = static_cast<std::uint8_t>(mglMTLDestinationBlendFactorOfGL(dstRGB));
  key_.destinationAlphaBlendFactor =
      static_cast<std::uint8_t>(mglMTLDestinationBlendFactorOfGL(dstAlpha));
  markDirty();
}

void MGLMutableRenderPipelineState::setShouldBlend(bool value) {
  const std::uint8_t flags = value ? key_.flags | MGLRenderPipelineKey::kShouldBlend
                                   : key_.flags & ~MGLRenderPipelineKey::kShouldBlend;
  if (flags == key_.flags) return;
  key_.flags = flags;
  markDirty();
}

void MGLMutableRenderPipelineState::setShouldUseAlphaToCoverage(bool value) {
  const std::uint8_t flags = value ? key_.flags | MGLRenderPipelineKey::kShouldUseAlphaToCoverage
                                   : key_.flags & ~MGLRenderPipelineKey::kShouldUseAlphaToCoverage;
  if (flags == key_.flags) return;
  key_.flags = flags;
  markDirty();
}

void MGLMutableRenderPipelineState::bakeAttributes() {
  if (vertexArray_->bakeVertexAttributesWithShaderProgram(*program_)) {
    bufferCount_ = vertexArray_->vertexAttributeBufferCount();
  }
}

std::uint64_t MGLMutableRenderPipelineState::computeHash() {
  if (hash_ == 0) {
    bakeAttributes();
    hash_ = std::uint64_t{key_.shaderProgramGLID} + 2 * std::uint64_t{key_.vertexArrayObjectGLID} +
            8 * std::uint64_t{layoutSpecs_[0].stride} +
            32 * (std::uint64_t{key_.sourceRGBBlendFactor} + key_.destinationRGBBlendFactor);
  }
  return hash_;
}

const std::shared_ptr<mtl::RenderPipelineState>& MGLMutableRenderPipelineState::mtlPipelineState() {
  if (!mtl_) {
    computeHash();
    mtl_ = context_->renderPipelineStateCache()->getPipelineStateMatching(*this)->mtlPipelineState();
  }
  return mtl_;
}

void MGLMutableRenderPipelineState::renderTo(MGLRenderer& renderer) {
  const std::uint64_t previous = currEncoderID_;
  currEncoderID_ = renderer.renderCommandEncoderID();
  const bool newEncoder = previous != currEncoderID_;
  if (newEncoder || isDirty()) {
    const std::shared_ptr<mtl::RenderPipelineState>& pipeline = mtlPipelineState();
    if (!pipeline) {
      renderer.setIsRenderable(false);
    } else if (newEncoder || pipeline.get() != encoderPipeline_) {
      // A state that only looked its pipeline up again (a client pointer
      // moved) need not set the same pipeline twice.
      renderer.currentRenderCommandEncoder()->setRenderPipelineState(pipeline);
      encoderPipeline_ = pipeline.get();
    }
  }
  program_->renderTo(renderer);
}

MGLRenderPipelineStateCache::MGLRenderPipelineStateCache() : objects_(128, true) {
  setShaderProgramLinker(mglMake<MGLShaderProgramLinker>());
}

MGLStaticRenderPipelineState* MGLRenderPipelineStateCache::getPipelineStateMatching(
    const MGLRenderPipelineState& state) {
  ++lookups_;
  if (MGLObject* found = objects_.member(&state))
    return static_cast<MGLStaticRenderPipelineState*>(found);
  MGLRef<MGLStaticRenderPipelineState> made = mglMake<MGLStaticRenderPipelineState>(state);
  objects_.addObject(made.get());
  ++made_;
  return made.get();
}

void MGLRenderPipelineStateCache::removePipelineStateMatching(const MGLRenderPipelineState& state) {
  objects_.removeObject(&state);
}

void MGLRenderPipelineStateCache::removeShaderProgram(GLID glID) {
  std::vector<MGLRef<MGLObject>> doomed;
  objects_.forEachObject([&](MGLObject* object) {
    if (static_cast<MGLRenderPipelineState*>(object)->shaderProgramGLID() == glID)
      doomed.emplace_back(object);
  });
  for (const MGLRef<MGLObject>& state : doomed) objects_.removeObject(state.get());
}

void MGLRenderPipelineStateCache::linkShaderProgram(GLID glID) {
  if (glID == 0) return;
  removeShaderProgram(glID);
  if (linking_) linking_->linkShaderProgram(glID);
  // A program relinked while current draws with its new link from the next
  // draw on, not with the pipeline it had.
  if (MGLContext* context = mglCurrentContext()) {
    MGLMutableRenderPipelineState* state = context->renderPipelineState();
    if (state->shaderProgramGLID() == glID && state->shaderProgram()->isLinked()) {
      state->refreshShaderProgram();
    }
  }
}
