// The OpenGL ES 2.0 functions the chart draws with, and the graphics
// layer's constants: every GL call of the chart goes through this header.
//
// The functions are the graphics layer's entry points, declared by its GL
// header. While a tree does not have that header yet, the chart builds
// with local stand-ins that do nothing and answer 0 (-1 for locations):
// the GL back end then draws nothing, and kChartHasGL tells tests so.
// They have internal linkage, so they can never take the place of the real
// entry points once those exist.
//
// GLU (the tessellator) declares the desktop GL under the same names; only
// chart/tessellator.cpp includes it, and never together with this header.
#pragma once

#include "gles/context/gl_enums.h"
#include "gles/context/gl_types.h"

#if __has_include("gles/context/gl.h")
#include "gles/context/gl.h"
inline constexpr bool kChartHasGL = true;
#else
inline constexpr bool kChartHasGL = false;
namespace {
// clang-format off
inline void glActiveTexture(GLenum) {}
inline void glAttachShader(GLuint, GLuint) {}
inline void glBindTexture(GLenum, GLuint) {}
inline void glBlendEquation(GLenum) {}
inline void glBlendFunc(GLenum, GLenum) {}
inline void glClear(GLbitfield) {}
inline void glClearDepthf(GLclampf) {}
inline void glCompileShader(GLuint) {}
inline GLuint glCreateProgram(void) { return 0; }
inline GLuint glCreateShader(GLenum) { return 0; }
inline void glDeleteProgram(GLuint) {}
inline void glDeleteShader(GLuint) {}
inline void glDeleteTextures(GLsizei, const GLuint*) {}
inline void glDisable(GLenum) {}
inline void glDisableVertexAttribArray(GLuint) {}
inline void glDrawArrays(GLenum, GLint, GLsizei) {}
inline void glDrawElements(GLenum, GLsizei, GLenum, const void*) {}
inline void glEnable(GLenum) {}
inline void glEnableVertexAttribArray(GLuint) {}
inline void glGenTextures(GLsizei, GLuint*) {}
inline GLint glGetAttribLocation(GLuint, const GLchar*) { return -1; }
inline GLenum glGetError(void) { return 0; }
inline void glGetIntegerv(GLenum, GLint*) {}
inline void glGetProgramInfoLog(GLuint, GLsizei, GLsizei*, GLchar*) {}
inline void glGetProgramiv(GLuint, GLenum, GLint*) {}
inline void glGetShaderInfoLog(GLuint, GLsizei, GLsizei*, GLchar*) {}
inline void glGetShaderiv(GLuint, GLenum, GLint*) {}
inline GLint glGetUniformLocation(GLuint, const GLchar*) { return -1; }
inline void glLineWidth(GLfloat) {}
inline void glLinkProgram(GLuint) {}
inline void glShaderSource(GLuint, GLsizei, const GLchar* const*, const GLint*) {}
inline void glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) {}
inline void glTexParameteri(GLenum, GLenum, GLint) {}
inline void glUniform1i(GLint, GLint) {}
inline void glUniform3f(GLint, GLfloat, GLfloat, GLfloat) {}
inline void glUniformMatrix4fv(GLint, GLsizei, GLboolean, const GLfloat*) {}
inline void glUseProgram(GLuint) {}
inline void glVertexAttrib1f(GLuint, GLfloat) {}
inline void glVertexAttrib4f(GLuint, GLfloat, GLfloat, GLfloat, GLfloat) {}
inline void glVertexAttribPointer(GLuint, GLint, GLenum, GLboolean, GLsizei, const void*) {}
inline void glViewport(GLint, GLint, GLsizei, GLsizei) {}
// clang-format on
}  // namespace
#endif
