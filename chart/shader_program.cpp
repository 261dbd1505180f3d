// The chart's shader program and its GL error trace.
#include "chart/shader_program.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "chart/gl_api.h"
#include "chart/gl_error_reports.h"
#include "chart/tessellator.h"
#include "skydata/open_file.h"

namespace {

// The whole file as a zero-terminated text; false when it cannot be opened
// or read.
bool readShaderFile(const char* path, std::vector<char>& text) {
  std::int64_t length = 0;
  std::FILE* file = openFileWithSize(path, "r", nullptr, &length);
  if (file == nullptr) return false;
  bool ok = length >= 0 && length < (std::int64_t{1} << 30);
  if (ok) {
    text.assign(static_cast<std::size_t>(length) + 1, '\0');
    std::size_t read = std::fread(text.data(), 1, static_cast<std::size_t>(length), file);
    text[read] = '\0';
  }
  std::fclose(file);
  return ok;
}

void printShaderLog(unsigned shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  if (length <= 0) return;
  std::vector<char> log(static_cast<std::size_t>(length) + 1, '\0');
  glGetShaderInfoLog(shader, length, nullptr, log.data());
  std::fprintf(stderr, "%s\n", log.data());
}

void printProgramLog(unsigned program) {
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  if (length <= 0) return;
  std::vector<char> log(static_cast<std::size_t>(length) + 1, '\0');
  glGetProgramInfoLog(program, length, nullptr, log.data());
  std::fprintf(stderr, "%s\n", log.data());
}

int attribute(unsigned program, const char* name, const char* label) {
  int location = glGetAttribLocation(program, name);
  checkGLError(label);
  return location;
}

int uniform(unsigned program, const char* name, const char* label) {
  int location = glGetUniformLocation(program, name);
  checkGLError(label);
  return location;
}

}  // namespace

ChartShaderState& chartShader() {
  static ChartShaderState state;
  return state;
}

unsigned loadShader(unsigned type, const char* path) {
  std::vector<char> text;
  if (!readShaderFile(path, text)) {
    std::fprintf(stderr, "Failed to open %s\n", path);
    return 0;
  }
  unsigned shader = glCreateShader(type);
  if (shader == 0) {
    std::fprintf(stderr, "Failed to create shader for %s\n", path);
    return 0;
  }
  const GLchar* source = text.data();
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint compiled = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (compiled == 0) {
    printShaderLog(shader);
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

unsigned linkProgram(unsigned vertexShader, unsigned fragmentShader) {
  if (vertexShader == 0 || fragmentShader == 0) return 0;
  unsigned program = glCreateProgram();
  if (program == 0) return 0;
  glAttachShader(program, vertexShader);
  glAttachShader(program, fragmentShader);
  glLinkProgram(program);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (linked != 1) {
    printProgramLog(program);
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

unsigned createShaderProgram(const char* vertexPath, const char* fragmentPath) {
  ChartShaderState& state = chartShader();
  state.vertexShader = loadShader(GL_VERTEX_SHADER, vertexPath);
  state.fragmentShader = loadShader(GL_FRAGMENT_SHADER, fragmentPath);
  state.program = linkProgram(state.vertexShader, state.fragmentShader);
  if (state.program != 0) glUseProgram(state.program);
  return state.program;
}

void setModelViewProjection(const GLMatrix& modelView, const GLMatrix& projection) {
  ChartShaderState& state = chartShader();
  state.modelView = modelView;
  state.projection = projection;
  GLMatrix mvp = matrixMultiply4(projection, modelView);
  unsigned program = state.program;
  int mvLocation = glGetUniformLocation(program, "u_MVMatrix");
  checkGLError("glGetUniformLocation ( \"u_MVMatrix\" )");
  glUniformMatrix4fv(mvLocation, 1, GL_FALSE, state.modelView.getf());
  checkGLError("glUniformMatrix4fv ( mvMatrixLoc, 1, GL_FALSE, modelView.getf() )");
  int mvpLocation = glGetUniformLocation(program, "u_MVPMatrix");
  checkGLError("glGetUniformLocation ( \"u_MVPMatrix\" )");
  glUniformMatrix4fv(mvpLocation, 1, GL_FALSE, mvp.getf());
  checkGLError("glUniformMatrix4fv ( mvpMatrixLoc, 1, GL_FALSE, mvp.getf() )");
  state.locations.mvMatrix = mvLocation;
  state.locations.mvpMatrix = mvpLocation;
}

void getModelViewProjection(GLMatrix* modelView, GLMatrix* projection) {
  const ChartShaderState& state = chartShader();
  if (modelView != nullptr) *modelView = state.modelView;
  if (projection != nullptr) *projection = state.projection;
}

void setupShaderState(const GLMatrix& modelView, const GLMatrix& projection) {
  setModelViewProjection(modelView, projection);
  ChartShaderState& state = chartShader();
  unsigned p = state.program;
  ChartShaderLocations& l = state.locations;
  l.position = attribute(p, "a_Position", "glGetAttribLocation (\"a_Position\")");
  l.color = attribute(p, "a_Color", "glGetAttribLocation (\"a_Color\")");
  l.normal = attribute(p, "a_Normal", "glGetAttribLocation (\"a_Normal\")");
  l.texCoord = attribute(p, "a_TexCoord", "glGetAttribLocation (\"a_TexCoord\")");
  l.materialAmbient =
      attribute(p, "a_materialAmbient", "glGetAttribLocation (\"a_materialAmbient\")");
  l.materialDiffuse =
      attribute(p, "a_materialDiffuse", "glGetAttribLocation (\"a_materialDiffuse\")");
  l.materialSpecular =
      attribute(p, "a_materialSpecular", "glGetAttribLocation (\"a_materialSpecular\")");
  l.materialShininess =
      attribute(p, "a_materialShininess", "glGetAttribLocation (\"a_materialShininess\")");
  l.useMaterial = uniform(p, "u_UseMaterial", "glGetUniformLocation (\"u_UseMaterial\")");
  l.useTexture = uniform(p, "u_UseTexture", "glGetUniformLocation (\"u_UseTexture\")");
  l.lightDir = uniform(p, "u_LightDir", "glGetUniformLocation (\"u_LightDir\")");
  glUniform3f(l.lightDir, 0.0f, 0.0f, 0.0f);
  checkGLError("glUniform3f ( lightDirectionLoc, 0.0, 0.0, 0.0 )");
  l.texture = uniform(p, "texture", "glGetUniformLocation");
  glUniform1i(l.useTexture, 0);
  glUniform1i(l.useMaterial, 0);
}

unsigned checkGLError(const char* label) {
  GLenum code = glGetError();
  if (code != GL_NO_ERROR && firstGLErrorReport(label, code))
    std::fprintf(stderr, "%s: OpenGL error = 0x%X, %s\n", label, code, glErrorText(code));
  return code;
}
