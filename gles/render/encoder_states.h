// The GL state that Metal sets on each render encoder rather than baking
// into a pipeline: blend colour, face culling, front-face winding, viewport
// and depth range, scissor box, depth bias and the visibility (occlusion
// query) mode. Each object keeps the GL values, applies them to the
// renderer's render encoder only when they changed or a new encoder began,
// and flips rectangles against the surface height: Metal's window origin is
// the top-left corner, GL's the bottom-left.
//
// Thread rules: owned by one context and used by its thread only.
#pragma once

#include <array>
#include <cstdint>

#include "gles/context/gl_enums.h"
#include "gles/context/gl_types.h"
#include "gles/context/object.h"
#include "gles/render/renderable.h"
#include "platform/metal/types.h"

class MGLRenderer;

// x, y from the bottom-left corner, as GL gives rectangles.
struct MGLRect {
  GLint x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const MGLRect&, const MGLRect&) = default;
};

// The overlap of two rectangles; a negative width or height when they are
// apart. A viewport of (0, 0, 0, 0) means "unset" and yields the other.
MGLRect mglIntersectRects(const MGLRect& a, const MGLRect& b);

class MGLPrimitiveRenderCommandEncoderState : public MGLObject, public MGLRenderable {
 public:
  void markDirty() { dirty_ = true; }
  void markClean() { dirty_ = false; }
  bool isDirty() const { return dirty_; }
  // Records the renderer's encoder; true when this state must be applied to
  // it (a new encoder, or a changed value).
  bool shouldRenderTo(const MGLRenderer& renderer);
  void renderTo(MGLRenderer&) override {}
  std::uint64_t currEncoderID() const { return currEncoderID_; }

 private:
  std::uint64_t currEncoderID_ = 0;
  bool dirty_ = true;
};

class MGLBlendColorState : public MGLPrimitiveRenderCommandEncoderState {
 public:
  const char* className() const override { return "MGLBlendColorState"; }
  const std::array<GLfloat, 4>& blendColor() const { return color_; }
  void setBlendColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
  void renderTo(MGLRenderer& renderer) override;

 private:
  std::array<GLfloat, 4> color_{0, 0, 0, 0};
};

class MGLFaceCullingState : public MGLPrimitiveRenderCommandEncoderState {
 public:
  const char* className() const override { return "MGLFaceCullingState"; }
  bool shouldCullFaces() const { return cull_; }
  void setShouldCullFaces(bool value);
  GLenum faceCullingMode() const { return mode_; }
  // GL_FRONT or GL_BACK; Metal cannot cull both.
  void setFaceCullingMode(GLenum mode);
  mtl::CullMode mtlCullMode() const;
  void renderTo(MGLRenderer& renderer) override;

 private:
  bool cull_ = false;
  GLenum mode_ = GL_BACK;
};

class MGLFrontFaceWindingState : public MGLPrimitiveRenderCommandEncoderState {
 public:
  const char* className() const override { return "MGLFrontFaceWindingState"; }
  GLenum frontFaceWinding() const { return winding_; }
  void setFrontFaceWinding(GLenum winding);
  mtl::Winding mtlWinding() const;
  void renderTo(MGLRenderer& renderer) override;

 private:
  GLenum winding_ = GL_CCW;
};

class MGLViewportState : public MGLPrimitiveRenderCommandEncoderState {
 public:
  MGLViewportState();
  const char* className() const override { return "MGLViewportState"; }
  const MGLRect& viewport() const { return viewport_; }
  void setViewport(const MGLRect& viewport);
  GLfloat depthNear() const { return near_; }
  GLfloat depthFar() const { return far_; }
  // Each clamped to [0, 1]; Metal's viewport takes them unchanged.
  void setDepthRange(GLfloat nearValue, GLfloat farValue);
  const MGLRect& surfaceRect() const { return surface_; }
  void setSurfaceRect(const MGLRect& surface);
  // The viewport cut to the surface; (0, 0, 0, 0) when they do not meet.
  MGLRect effectiveViewport() const;
  mtl::Viewport mtlViewport() const;
  void renderTo(MGLRenderer& renderer) override;

 private:
  MGLRect viewport_;
  MGLRect surface_;
  GLfloat near_ = 0, far_ = 1;
};

class MGLScissorState : public MGLPrimitiveRenderCommandEncoderState {
 public:
  MGLScissorState();
  const char* className() const override { return "MGLScissorState"; }
  bool shouldCropToScissorRect() const { return crop_; }
  void setShouldCropToScissorRect(bool value);
  const MGLRect& scissorRect() const { return scissor_; }
  void setScissorRect(const MGLRect& rect);
  const MGLRect& surfaceRect() const { return surface_; }
  // A scissor box never set follows the surface.
  void setSurfaceRect(const MGLRect& surface);
  // Flipped against the surface height and kept inside a render target of
  // `width` by `height`. A box that misses the surface is empty: nothing
  // is drawn.
  mtl::ScissorRect mtlScissorRect(mtl::NSUInteger width, mtl::NSUInteger height) const;
  void renderTo(MGLRenderer& renderer) override;

 private:
  MGLRect scissor_;
  MGLRect surface_;
  bool crop_ = false;
  bool boxSet_ = false;  // set by setScissorRect; until then the box follows the surface
};

class MGLDepthBiasState : public MGLPrimitiveRenderCommandEncoderState {
 public:
  const char* className() const override { return "MGLDepthBiasState"; }
  bool shouldOffsetPolygons() const { return offset_; }
  void setShouldOffsetPolygons(bool value);
  GLfloat polygonOffsetFactor() const { return factor_; }
  GLfloat polygonOffsetUnits() const { return units_; }
  void setPolygonOffset(GLfloat factor, GLfloat units);
  void renderTo(MGLRenderer& renderer) override;

 private:
  GLfloat factor_ = 0, units_ = 0;
  bool offset_ = false;
};

class MGLOcclusionQueryState : public MGLPrimitiveRenderCommandEncoderState {
 public:
  const char* className() const override { return "MGLOcclusionQueryState"; }
  std::uint64_t offset() const { return offset_; }
  mtl::VisibilityResultMode mode() const { return mode_; }
  // Boolean visibility at `offset` of the pass's visibility buffer.
  void beginQueryAt(std::uint64_t offset);
  void endQuery();
  void renderTo(MGLRenderer& renderer) override;

 private:
  std::uint64_t offset_ = 0;
  mtl::VisibilityResultMode mode_ = mtl::VisibilityResultMode::Disabled;
};
