#include "gles/context/sharegroup.h"

#include "gles/render/buffer.h"
#include "gles/shaders/shader.h"
#include "gles/shaders/shader_library.h"
#include "gles/shaders/shader_program.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "gles/textures/texture.h"

MGLSharegroup::MGLSharegroup()
    : buffers_(mglMake<MGLSharegroupGLObjectStore>(&MGLBuffer::create, false)),
      textures_(mglMake<MGLSharegroupGLObjectStore>(&MGLTexture::create, false)),
      renderbuffers_(mglMake<MGLSharegroupGLObjectStore>(&MGLRenderbuffer::create, false)),
      framebuffers_(mglMake<MGLSharegroupGLObjectStore>(&MGLFramebuffer::create, false)),
      shaderLibraries_(mglMake<MGLSharegroupGLObjectStore>(&MGLShaderLibrary::create, true)),
      shaders_(mglMake<MGLSharegroupGLObjectStore>(&MGLShader::create, false, true)),
      shaderPrograms_(mglMake<MGLSharegroupGLObjectStore>(&MGLShaderProgram::create, true, true)) {}
