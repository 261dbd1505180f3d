#include "gles/shaders/shader_program.h"

#include "gles/context/context.h"
#include "gles/context/current_context.h"

MGLShaderProgram::~MGLShaderProgram() {
  if (MGLContext* context = mglCurrentContext()) {
    context->renderPipelineStateCache()->removeShaderProgram(glID());
  }
}
