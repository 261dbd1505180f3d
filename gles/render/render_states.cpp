#include "gles/render/render_states.h"

#include "gles/context/context.h"

MGLMutableRenderPipelineState::MGLMutableRenderPipelineState(MGLContext& context)
    : program_(static_cast<MGLShaderProgram*>(context.shaderPrograms()->getObjectWithGLID(0))),
      vertexArray_(
          static_cast<MGLVertexArrayObject*>(context.vertexArrayObjects()->getObjectWithGLID(0))) {}
