// The linker behind glLinkProgram: a generic pipeline state (16 float4
// attributes, attribute n at byte 16 n of vertex buffer 1 with a stride of
// 256, and an RGBA8 colour attachment) made only to ask Metal for the
// reflection of a program's two functions.
//
// Thread rules: owned by one context's pipeline cache and used by its
// thread.
#pragma once

#include "gles/render/render_pipeline_state.h"

class MGLShaderProgramLinker : public MGLStaticRenderPipelineState, public MGLShaderProgramLinking {
 public:
  MGLShaderProgramLinker();
  const char* className() const override { return "MGLShaderProgramLinker"; }
  // Unlinks program `glID` of the current context and links it again.
  void linkShaderProgram(GLID glID) override;
};
