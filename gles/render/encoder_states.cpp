#include "gles/render/encoder_states.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "gles/context/errors.h"
#include "gles/render/renderer.h"
#include "platform/metal/render_encoder.h"

namespace {

GLint clampToInt(std::int64_t v) {
  return static_cast<GLint>(std::clamp<std::int64_t>(v, std::numeric_limits<GLint>::min(),
                                                     std::numeric_limits<GLint>::max()));
}

bool isUnset(const MGLRect& r) { return r == MGLRect{}; }

bool negativeSize(GLint width, GLint height) {
  if (width >= 0 && height >= 0) return false;
  mglSetError(GL_INVALID_VALUE, "Width and height cannot be negative");
  return true;
}

GLfloat clampDepth(GLfloat v) { return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f); }

}  // namespace

MGLRect mglIntersectRects(const MGLRect& a, const MGLRect& b) {
  if (isUnset(a)) return b;
  if (isUnset(b)) return a;
  // In 64 bits: x + width of a hostile rectangle overflows 32.
  const std::int64_t x = std::max(a.x, b.x), y = std::max(a.y, b.y);
  const std::int64_t right =
      std::min(std::int64_t{a.x} + a.width, std::int64_t{b.x} + b.width);
  const std::int64_t top = std::min(std::int64_t{a.y} + a.height, std::int64_t{b.y} + b.height);
  return {static_cast<GLint>(x), static_cast<GLint>(y), clampToInt(right - x), clampToInt(top - y)};
}

bool MGLPrimitiveRenderCommandEncoderState::shouldRenderTo(const MGLRenderer& renderer) {
  const std::uint64_t previous = currEncoderID_;
  currEncoderID_ = renderer.renderCommandEncoderID();
  return previous != currEncoderID_ || dirty_;
}

void MGLBlendColorState::setBlendColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
  const std::array<GLfloat, 4> color{red, green, blue, alpha};
  if (color == color_) return;
  color_ = color;
  markDirty();
}

void MGLBlendColorState::renderTo(MGLRenderer& renderer) {
  if (!shouldRenderTo(renderer)) return;
  renderer.currentRenderCommandEncoder()->setBlendColor(color_[0], color_[1], color_[2], color_[3]);
  markClean();
}

void MGLFaceCullingState::setShouldCullFaces(bool value) {
  if (value == cull_) return;
  cull_ = value;
  markDirty();
}

void MGLFaceCullingState::setFaceCullingMode(GLenum mode) {
  if (mode == mode_) return;
  if (mode == GL_FRONT_AND_BACK) {
    mglSetError(GL_INVALID_ENUM,
                "%@ is not a valid face culling mode under Metal. Metal does not support culling "
                "both front and back faces.",
                {mglGLEnumName(mode)});
    return;
  }
  if (mode != GL_FRONT && mode != GL_BACK) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid face culling mode", {mglGLEnumName(mode)});
    return;
  }
  mode_ = mode;
  markDirty();
}

mtl::CullMode MGLFaceCullingState::mtlCullMode() const {
  if (!cull_) return mtl::CullMode::None;
  return mode_ == GL_FRONT ? mtl::CullMode::Front : mtl::CullMode::Back;
}

void MGLFaceCullingState::renderTo(MGLRenderer& renderer) {
  if (!shouldRenderTo(renderer)) return;
  renderer.currentRenderCommandEncoder()->setCullMode(mtlCullMode());
  markClean();
}

void MGLFrontFaceWindingState::setFrontFaceWinding(GLenum winding) {
  if (winding == winding_) return;
  if (winding != GL_CW && winding != GL_CCW) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid winding mode", {mglGLEnumName(winding)});
    return;
  }
  winding_ = winding;
  markDirty();
}

mtl::Winding MGLFrontFaceWindingState::mtlWinding() const {
  return winding_ == GL_CW ? mtl::Winding::Clockwise : mtl::Winding::CounterClockwise;
}

void MGLFrontFaceWindingState::renderTo(MGLRenderer& renderer) {
  if (!shouldRenderTo(renderer)) return;
  renderer.currentRenderCommandEncoder()->setFrontFacingWinding(mtlWinding());
  markClean();
}

MGLViewportState::MGLViewportState() = default;

void MGLViewportState::setViewport(const MGLRect& viewport) {
  if (viewport == viewport_) return;
  if (negativeSize(viewport.width, viewport.height)) return;
  viewport_ = viewport;
  markDirty();
}

void MGLViewportState::setDepthRange(GLfloat nearValue, GLfloat farValue) {
  const GLfloat n = clampDepth(nearValue), f = clampDepth(farValue);
  if (n == near_ && f == far_) return;
  near_ = n;
  far_ = f;
  markDirty();
}

void MGLViewportState::setSurfaceRect(const MGLRect& surface) {
  if (surface == surface_) return;
  surface_ = surface;
  markDirty();
}

MGLRect MGLViewportState::effectiveViewport() const {
  const MGLRect r = mglIntersectRects(viewport_, surface_);
  return r.width < 0 || r.height < 0 ? MGLRect{} : r;
}

mtl::Viewport MGLViewportState::mtlViewport() const {
  const MGLRect r = effectiveViewport();
  return {static_cast<double>(r.x),
          static_cast<double>(surface_.height) - (static_cast<double>(r.y) + r.height),
          static_cast<double>(r.width),
          static_cast<double>(r.height),
          static_cast<double>(near_),
          static_cast<double>(far_)};
}

void MGLViewportState::renderTo(MGLRenderer& renderer) {
  if (!shouldRenderTo(renderer)) return;
  renderer.currentRenderCommandEncoder()->setViewport(mtlViewport());
  markClean();
}

MGLScissorState::MGLScissorState() : scissor_{0, 0, 1, 1}, surface_{0, 0, 1, 1} {}

void MGLScissorState::setShouldCropToScissorRect(bool value) {
  if (value == crop_) return;
  crop_ = value;
  markDirty();
}

void MGLScissorState::setScissorRect(const MGLRect& rect) {
  if (negativeSize(rect.width, rect.height)) return;
  boxSet_ = true;
  if (rect == scissor_) return;
  scissor_ = rect;
  markDirty();
}

void MGLScissorState::setSurfaceRect(const MGLRect& surface) {
  if (surface == surface_) return;
  // A box never set follows the surface, also after an empty one (a
  // framebuffer bound before its attachments): marking "unset" by the
  // value (0, 0, 1, 1) lost it there and clipped every later draw away.
  if (!boxSet_) scissor_ = surface;
  surface_ = surface;
  markDirty();
}

mtl::ScissorRect MGLScissorState::mtlScissorRect(mtl::NSUInteger width,
                                                 mtl::NSUInteger height) const {
  // With the test off nothing is cut: the whole render target.
  if (!crop_) return {0, 0, width, height};
  const MGLRect r = mglIntersectRects(scissor_, surface_);
  // A box that misses the surface draws nothing (not one stray pixel).
  if (r.width <= 0 || r.height <= 0) return {0, 0, 0, 0};
  const std::int64_t top = std::int64_t{surface_.height} - r.height - r.y;
  const auto w = static_cast<std::int64_t>(width), h = static_cast<std::int64_t>(height);
  const std::int64_t x0 = std::clamp<std::int64_t>(r.x, 0, w);
  const std::int64_t y0 = std::clamp<std::int64_t>(top, 0, h);
  const std::int64_t x1 = std::clamp<std::int64_t>(std::int64_t{r.x} + r.width, x0, w);
  const std::int64_t y1 = std::clamp<std::int64_t>(top + r.height, y0, h);
  return {static_cast<mtl::NSUInteger>(x0), static_cast<mtl::NSUInteger>(y0),
          static_cast<mtl::NSUInteger>(x1 - x0), static_cast<mtl::NSUInteger>(y1 - y0)};
}

void MGLScissorState::renderTo(MGLRenderer& renderer) {
  if (!shouldRenderTo(renderer)) return;
  mtl::RenderCommandEncoder* encoder = renderer.currentRenderCommandEncoder();
  encoder->setScissorRect(
      mtlScissorRect(encoder->renderTargetWidth(), encoder->renderTargetHeight()));
  markClean();
}

void MGLDepthBiasState::setShouldOffsetPolygons(bool value) {
  if (value == offset_) return;
  offset_ = value;
  markDirty();
}

void MGLDepthBiasState::setPolygonOffset(GLfloat factor, GLfloat units) {
  if (factor == factor_ && units == units_) return;
  factor_ = factor;
  units_ = units;
  markDirty();
}

void MGLDepthBiasState::renderTo(MGLRenderer& renderer) {
  if (!shouldRenderTo(renderer)) return;
  mtl::RenderCommandEncoder* encoder = renderer.currentRenderCommandEncoder();
  if (offset_) {
    encoder->setDepthBias(units_, factor_, 0.0f);
  } else {
    encoder->setDepthBias(0.0f, 0.0f, 0.0f);
  }
  markClean();
}

void MGLOcclusionQueryState::beginQueryAt(std::uint64_t offset) {
  offset_ = offset;
  mode_ = mtl::VisibilityResultMode::Boolean;
  markDirty();
}

void MGLOcclusionQueryState::endQuery() {
  offset_ = 0;
  mode_ = mtl::VisibilityResultMode::Disabled;
  markDirty();
}

void MGLOcclusionQueryState::renderTo(MGLRenderer& renderer) {
  if (!shouldRenderTo(renderer)) return;
  renderer.currentRenderCommandEncoder()->setVisibilityResultMode(mode_, offset_);
  markClean();
}
