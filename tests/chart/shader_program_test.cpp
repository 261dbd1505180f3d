// The chart's shader files against glslangValidator (GLSL ES 1.00) and its
// reflection of the program's interface; the matrix builders against the
// published glOrtho, gluPerspective and glRotate forms and ERFA's
// rotations; the GL error texts against GLU.
#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "chart/gl_matrix.h"
#include "chart/shader_program.h"
#include "chart/tessellator.h"
#include "tests/support/temp_dir.h"

namespace {

std::string sourceDir() {
  const char* dir = std::getenv("TESSALY_SOURCE_DIR");
  return dir != nullptr ? dir : ".";
}

std::string shaderPath(const char* name) { return sourceDir() + "/resources/Shaders/" + name; }

std::string run(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  *status = pclose(pipe);
  return output;
}

// The file as GLSL ES 1.00 sees it: a shader without a #version line is
// version 100, which glslangValidator needs said explicitly.
std::string versioned(const tessaly::test::TempDir& dir, const char* name, const char* stage) {
  std::string text = tessaly::test::readFile(shaderPath(name));
  EXPECT_FALSE(text.empty()) << shaderPath(name);
  std::string path = dir.file(std::string("chart.") + stage);
  tessaly::test::writeFile(path, "#version 100\n" + text);
  return path;
}

TEST(ChartShaders, BothFilesAreValidGlslEs100AndLinkTogether) {
  int status = 0;
  run("glslangValidator --version", &status);
  ASSERT_EQ(status, 0) << "glslangValidator (glslang-tools) is needed";
  tessaly::test::TempDir dir;
  std::string vertex = versioned(dir, "VertexShader.glsl", "vert");
  std::string fragment = versioned(dir, "FragmentShader.glsl", "frag");
  std::string out = run("glslangValidator " + vertex, &status);
  EXPECT_EQ(status, 0) << out;
  out = run("glslangValidator " + fragment, &status);
  EXPECT_EQ(status, 0) << out;
  out = run("glslangValidator -l " + vertex + " " + fragment, &status);
  EXPECT_EQ(status, 0) << out;
}

TEST(ChartShaders, EveryNameTheChartLooksUpIsActiveInTheLinkedProgram) {
  tessaly::test::TempDir dir;
  std::string vertex = versioned(dir, "VertexShader.glsl", "vert");
  std::string fragment = versioned(dir, "FragmentShader.glsl", "frag");
  int status = 0;
  std::string reflection = run("glslangValidator -l -q " + vertex + " " + fragment, &status);
  ASSERT_EQ(status, 0) << reflection;
  // Active names are the ones a program gives a location.
  for (const char* name :
       {"a_Position", "a_Color", "a_Normal", "a_TexCoord", "a_materialAmbient",
        "a_materialDiffuse", "a_materialSpecular", "a_materialShininess", "u_MVMatrix",
        "u_MVPMatrix", "u_UseTexture", "u_UseMaterial", "u_LightDir", "texture"})
    EXPECT_NE(reflection.find(std::string("\n") + name + ":"), std::string::npos) << name;
}

// Row r, column c of a column-major matrix.
double at(const GLMatrix& m, int r, int c) { return m.m[4 * c + r]; }

TEST(ChartMatrices, OrthoIsThePublishedGlOrthoMatrix) {
  const double l = -3, r = 5, b = -2, t = 7, n = 0.5, f = 40;
  GLMatrix m = matrixOrtho(l, r, b, t, n, f);
  const double published[4][4] = {{2 / (r - l), 0, 0, -(r + l) / (r - l)},
                                  {0, 2 / (t - b), 0, -(t + b) / (t - b)},
                                  {0, 0, -2 / (f - n), -(f + n) / (f - n)},
                                  {0, 0, 0, 1}};
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col)
      EXPECT_DOUBLE_EQ(at(m, row, col), published[row][col]) << row << col;
  GLMatrix unit = matrixOrtho(-1, 1, -1, 1, -1, 1);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(unit.m[i], i == 0 || i == 5 || i == 15 ? 1 : i == 10 ? -1 : 0);
}

TEST(ChartMatrices, PerspectiveIsThePublishedGluPerspectiveMatrix) {
  for (double fovy : {30.0, 60.0, 90.0, 120.0}) {
    const double aspect = 1.6, n = 0.1, f = 100;
    GLMatrix m = matrixPerspective(fovy, aspect, n, f);
    double cot = 1 / std::tan(fovy * ERFA_DD2R / 2);
    const double published[4][4] = {{cot / aspect, 0, 0, 0},
                                    {0, cot, 0, 0},
                                    {0, 0, (f + n) / (n - f), 2 * f * n / (n - f)},
                                    {0, 0, -1, 0}};
    for (int row = 0; row < 4; ++row)
      for (int col = 0; col < 4; ++col)
        // The tangent is taken in single precision.
        EXPECT_NEAR(at(m, row, col), published[row][col],
                    1e-6 * std::max(1.0, std::fabs(published[row][col])))
            << fovy << " " << row << col;
  }
}

TEST(ChartMatrices, RotationIsGlRotateAndTurnsVectorsAsErfaDoes) {
  GLMatrix quarter;
  matrixRotate(quarter, 90, 0, 0, 1);
  // The x axis goes to the y axis.
  EXPECT_NEAR(at(quarter, 0, 0), 0, 1e-7);
  EXPECT_NEAR(at(quarter, 1, 0), 1, 1e-7);
  const double axes[][3] = {{1, 2, 3}, {-0.3, 0.1, 0.9}, {0, -1, 0}};
  for (const auto& axis : axes)
    for (double degrees : {17.0, -140.0, 250.0}) {
      GLMatrix m;
      matrixRotate(m, degrees, axis[0], axis[1], axis[2]);
      double unit[3], length;
      eraPn(const_cast<double*>(axis), &length, unit);
      double angle = static_cast<float>(degrees * 0.017453292519944444);
      double rv[3] = {-unit[0] * angle, -unit[1] * angle, -unit[2] * angle}, r[3][3];
      eraRv2m(rv, r);
      double v[3] = {0.2, -0.7, 0.4}, turned[3];
      eraRxp(r, v, turned);
      for (int row = 0; row < 3; ++row) {
        double mv = at(m, row, 0) * v[0] + at(m, row, 1) * v[1] + at(m, row, 2) * v[2];
        EXPECT_NEAR(mv, turned[row], 1e-6) << degrees << " row " << row;
      }
      EXPECT_EQ(at(m, 3, 3), 1);
    }
}

TEST(ChartMatrices, TranslateScaleAndRotateMultiplyFromTheLeft) {
  GLMatrix start = matrixPerspective(50, 1.3, 1, 10);
  matrixTranslate(start, 0, 0, 0);  // no change
  GLMatrix m = start;
  matrixTranslate(m, 2, -3, 4);
  GLMatrix t;
  t.m[12] = 2;
  t.m[13] = -3;
  t.m[14] = 4;
  GLMatrix expected = matrixMultiply4(t, start);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i], expected.m[i], 1e-12) << i;
  GLMatrix id;
  matrixTranslate(id, 5, 6, 7);
  EXPECT_EQ(id.m[12], 5);
  EXPECT_EQ(id.m[13], 6);
  EXPECT_EQ(id.m[14], 7);

  GLMatrix s = start;
  matrixScale(s, 2, 3, 4);
  GLMatrix scale;
  scale.m[0] = 2;
  scale.m[5] = 3;
  scale.m[10] = 4;
  expected = matrixMultiply4(scale, start);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(s.m[i], expected.m[i], 1e-12) << i;

  GLMatrix rotated = start;
  matrixRotate(rotated, 33, 1, 1, 0);
  GLMatrix rotation;
  matrixRotate(rotation, 33, 1, 1, 0);
  expected = matrixMultiply4(rotation, start);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(rotated.m[i], expected.m[i], 1e-12) << i;

  GLMatrix transposed = start;
  matrixTranspose3(transposed);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(at(transposed, r, c), at(start, c, r));
}

TEST(ChartMatrices, ThePixelMatrixMapsTheViewportOntoClipSpaceWithYDown) {
  // As the frame builds it: ortho, then translate and scale from the left.
  const double w = 800, h = 600;
  GLMatrix p = matrixOrtho(-1, 1, -1, 1, -1, 1);
  matrixTranslate(p, -w / 2, -h / 2, 0);
  matrixScale(p, 2 / w, -2 / h, 1);
  auto clip = [&](double x, double y, double* cx, double* cy) {
    *cx = at(p, 0, 0) * x + at(p, 0, 1) * y + at(p, 0, 3);
    *cy = at(p, 1, 0) * x + at(p, 1, 1) * y + at(p, 1, 3);
  };
  double cx, cy;
  clip(0, 0, &cx, &cy);
  EXPECT_DOUBLE_EQ(cx, -1);
  EXPECT_DOUBLE_EQ(cy, 1);
  clip(w, h, &cx, &cy);
  EXPECT_DOUBLE_EQ(cx, 1);
  EXPECT_DOUBLE_EQ(cy, -1);
}

TEST(ChartShaders, GlErrorTextsComeFromGluAndUnknownCodesSaySo) {
  EXPECT_STREQ(glErrorText(0x0500), "invalid enumerant");
  EXPECT_STREQ(glErrorText(0x0505), "out of memory");
  EXPECT_STREQ(glErrorText(0x1234), "unknown");
}

TEST(ChartShaders, AMissingShaderFileLeavesNoProgramAndSaysWhichFile) {
  tessaly::test::TempDir dir;
  std::string missing = dir.file("absent.glsl");
  testing::internal::CaptureStderr();
  unsigned program = createShaderProgram(shaderPath("VertexShader.glsl").c_str(), missing.c_str());
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(program, 0u);
  std::string message = "Failed to open " + missing + "\n";
  std::size_t first = log.find(message);
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find(message, first + 1), std::string::npos) << "printed twice";
}

}  // namespace
