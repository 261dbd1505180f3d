// The chart's one shader program: building it from the two shader files,
// the attribute and uniform locations every drawing routine uses, the
// model-view and projection matrices kept for it, and the GL error trace.
//
// Thread rules: the GL thread only. The locations and matrices are one
// copy for the process, unlocked, like the current GL context they refer
// to.
#pragma once

#include "chart/gl_matrix.h"

// Locations on the current program; -1 for a name it lacks.
struct ChartShaderLocations {
  int position = -1;          // "a_Position"
  int color = -1;             // "a_Color"
  int normal = -1;            // "a_Normal"
  int texCoord = -1;          // "a_TexCoord"
  int materialAmbient = -1;   // "a_materialAmbient"
  int materialDiffuse = -1;   // "a_materialDiffuse"
  int materialSpecular = -1;  // "a_materialSpecular"
  int materialShininess = -1; // "a_materialShininess"
  int useMaterial = -1;       // "u_UseMaterial"
  int useTexture = -1;        // "u_UseTexture"
  int lightDir = -1;          // "u_LightDir"
  int texture = -1;           // "texture"
  int mvMatrix = -1;          // "u_MVMatrix"
  int mvpMatrix = -1;         // "u_MVPMatrix"
};

struct ChartShaderState {
  unsigned vertexShader = 0;
  unsigned fragmentShader = 0;
  unsigned program = 0;
  ChartShaderLocations locations;
  GLMatrix modelView;
  GLMatrix projection;
};

// The process's one state.
ChartShaderState& chartShader();

// Compiles both files, links them, keeps the handles and makes the
// program current; the program, or 0 when a step failed.
unsigned createShaderProgram(const char* vertexPath, const char* fragmentPath);
// One shader from a file; 0 on failure (the reason printed to stderr).
unsigned loadShader(unsigned type, const char* path);
// 0 when either shader is 0 or the link fails.
unsigned linkProgram(unsigned vertexShader, unsigned fragmentShader);
// Uploads the matrices, looks every location up on the current program and
// puts the light, texture and material switches off.
void setupShaderState(const GLMatrix& modelView, const GLMatrix& projection);
// Keeps both and uploads the model-view and projection x model-view.
void setModelViewProjection(const GLMatrix& modelView, const GLMatrix& projection);
void getModelViewProjection(GLMatrix* modelView, GLMatrix* projection);
// Prints "<label>: OpenGL error = 0x<code>, <text>" to stderr when GL has
// an error pending; returns the code (0 none).
unsigned checkGLError(const char* label);
