// The switches of the context's render state objects that glEnable and
// glDisable reach. Each marks itself dirty only when a value changes, so
// the renderer re-applies it to the next draw; the Metal state they turn
// into arrives with the draw code.
#pragma once

#include "gles/context/object.h"
#include "gles/render/vertex_array_object.h"
#include "gles/shaders/shader_program.h"

class MGLContext;

class MGLRenderState : public MGLObject {
 public:
  bool isDirty() const { return dirty_; }
  void markClean() { dirty_ = false; }

 protected:
  void change(bool& field, bool value) {
    if (field != value) {
      field = value;
      dirty_ = true;
    }
  }

 private:
  bool dirty_ = true;
};

class MGLMutableRenderPipelineState : public MGLRenderState {
 public:
  explicit MGLMutableRenderPipelineState(MGLContext& context);
  const char* className() const override { return "MGLMutableRenderPipelineState"; }
  bool shouldBlend() const { return blend_; }
  void setShouldBlend(bool value) { change(blend_, value); }
  bool shouldUseAlphaToCoverage() const { return alphaToCoverage_; }
  void setShouldUseAlphaToCoverage(bool value) { change(alphaToCoverage_, value); }
  MGLShaderProgram* shaderProgram() const { return program_.get(); }
  MGLVertexArrayObject* vertexArrayObject() const { return vertexArray_.get(); }

 private:
  bool blend_ = false;
  bool alphaToCoverage_ = false;
  MGLRef<MGLShaderProgram> program_;
  MGLRef<MGLVertexArrayObject> vertexArray_;
};

class MGLMutableDepthStencilState : public MGLRenderState {
 public:
  const char* className() const override { return "MGLMutableDepthStencilState"; }
  bool shouldTestDepth() const { return depth_; }
  void setShouldTestDepth(bool value) { change(depth_, value); }
  bool shouldTestStencil() const { return stencil_; }
  void setShouldTestStencil(bool value) { change(stencil_, value); }

 private:
  bool depth_ = false;
  bool stencil_ = false;
};

class MGLFaceCullingState : public MGLRenderState {
 public:
  const char* className() const override { return "MGLFaceCullingState"; }
  bool shouldCullFaces() const { return cull_; }
  void setShouldCullFaces(bool value) { change(cull_, value); }

 private:
  bool cull_ = false;
};

class MGLScissorState : public MGLRenderState {
 public:
  const char* className() const override { return "MGLScissorState"; }
  bool shouldCropToScissorRect() const { return crop_; }
  void setShouldCropToScissorRect(bool value) { change(crop_, value); }

 private:
  bool crop_ = false;
};

class MGLDepthBiasState : public MGLRenderState {
 public:
  const char* className() const override { return "MGLDepthBiasState"; }
  bool shouldOffsetPolygons() const { return offset_; }
  void setShouldOffsetPolygons(bool value) { change(offset_, value); }

 private:
  bool offset_ = false;
};
