// 3-D models in the sky: loading and freeing an object's model, and
// drawing it with depth, in perspective at its true size and distance,
// turned as the body (or, for a spacecraft, towards the Earth) and lit by
// the Sun.
#include <algorithm>
#include <cmath>

#include "chart/gl_api.h"
#include "chart/gl_matrix.h"
#include "chart/model3d.h"
#include "chart/model_choice.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/angles.h"
#include "engine/matrices.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"

namespace {

constexpr GLsizei kVertexStride = CModel3D::kVertexFloats * sizeof(float);

// The model's axes in the sky frame (columns): the body's own axes, or for
// a spacecraft its turn towards the Earth.
void modelToSky(CSkyChart& chart, CPlanet* body, double out[9]) {
  double orientation[9];
  body->getOrientationMatrix(orientation);
  CPlanet* earth = chart.database->getEarth();
  if (body->getType() == kTypeSpacecraft && earth != nullptr) {
    double from[3], to[3], towards[3], lon = 0, lat = 0;
    body->getHeliocentricPosition(from);
    earth->getHeliocentricPosition(to);
    vectorSubtract(to, from, towards);
    vectorToSpherical(towards, &lon, &lat, nullptr);
    rotationMatrix(orientation, 2, 2, lon + kHalfPi, 1, lat);
  }
  matrixTranspose(orientation, out);
}

// A camera at the observer looking straight at the body, and the chart's
// own mapping of the sky around it: whatever the projection, its mirror
// flags and the body's place in the view, the model lands on the body's
// screen point with the scale and turn the chart has there.
struct ModelCamera {
  double axes[9];  // rows: screen right, screen up, back towards the observer
  double x, y;     // the body's screen point
  double jacobian[4];  // pixels per radian along the first two axes (row-major)
};

bool lookAtModel(const CSkyChart& chart, CPlanet* body, ModelCamera* camera) {
  double u[3];
  body->getPosition(u);
  if (!(vectorNormalize(u) > 0)) return false;
  // Up: the display's up, or its left for a body straight above or below.
  double up[3];
  for (const double* axis : {chart.displayMatrix + 6, chart.displayMatrix + 3}) {
    double along = vectorDot(axis, u);
    for (int k = 0; k < 3; ++k) up[k] = axis[k] - along * u[k];
    if (vectorNormalize(up) > 1e-6) break;
  }
  double* right = camera->axes;
  vectorCross(u, up, right);
  vectorNormalize(right);
  for (int k = 0; k < 3; ++k) {
    camera->axes[3 + k] = up[k];
    camera->axes[6 + k] = -u[k];
  }
  if (!chart.vectorToScreen(u, &camera->x, &camera->y)) return false;
  // Central differences a microradian either side.
  constexpr double kStep = 1e-6;
  for (int column = 0; column < 2; ++column) {
    const double* axis = camera->axes + 3 * column;
    double ends[2][2];
    for (int side = 0; side < 2; ++side) {
      double v[3];
      for (int k = 0; k < 3; ++k) v[k] = u[k] + (side == 0 ? kStep : -kStep) * axis[k];
      if (!chart.vectorToScreen(v, &ends[side][0], &ends[side][1])) return false;
    }
    camera->jacobian[column] = (ends[0][0] - ends[1][0]) / (2 * kStep);
    camera->jacobian[2 + column] = (ends[0][1] - ends[1][1]) / (2 * kStep);
  }
  for (double value : camera->jacobian)
    if (!std::isfinite(value)) return false;
  return std::isfinite(camera->x) && std::isfinite(camera->y);
}

// Perspective through the camera: a point's tangents x/-z, y/-z (its
// angles off the body's direction) go to the screen by the chart's local
// mapping, then into the clip space of the chart's pixel matrix, which
// spans the viewport and the margin before it.
GLMatrix modelProjection(const CSkyChart& chart, const ModelCamera& camera, double nearPlane,
                         double farPlane) {
  double w = chart.viewportWidth + chart.viewportLeft, h = chart.viewportHeight + chart.viewportTop;
  const double* j = camera.jacobian;
  GLMatrix p;
  double* m = p.m;
  m[0] = 2 * j[0] / w, m[4] = 2 * j[1] / w, m[8] = 1 - 2 * camera.x / w, m[12] = 0;
  m[1] = -2 * j[2] / h, m[5] = -2 * j[3] / h, m[9] = 2 * camera.y / h - 1, m[13] = 0;
  m[2] = 0, m[6] = 0, m[10] = -(farPlane + nearPlane) / (farPlane - nearPlane);
  m[14] = -2 * farPlane * nearPlane / (farPlane - nearPlane);
  m[3] = 0, m[7] = 0, m[11] = -1, m[15] = 0;
  return p;
}

// Rows of a 3x3 into the upper left of a column-major 4x4, with a
// translation.
GLMatrix glMatrixOf(const double a[9], const double t[3]) {
  GLMatrix g;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) g.m[4 * c + r] = a[3 * r + c];
    g.m[12 + r] = t[r];
  }
  return g;
}

}  // namespace

CModel3D* CSkyChart::getObjectModel(CSkyObject* object) {
  ObjectRenderData* data = getRenderData(object);
  return data != nullptr ? data->model : nullptr;
}

void CSkyChart::releaseObjectModel(CSkyObject* object) {
  ObjectRenderData* data = getRenderData(object);
  if (data == nullptr) return;
  delete data->model;
  data->model = nullptr;
}

CModel3D* CSkyChart::loadObjectModel(CSkyObject* object) {
  ObjectRenderData* data = getRenderData(object);
  if (data == nullptr) return nullptr;
  if (data->model != nullptr) return data->model;
  const char* path = modelFileForObject(this, object);
  if (path[0] == 0) return nullptr;
  auto* model = new (std::nothrow) CModel3D;
  if (model == nullptr) return nullptr;
  if (model->load(path, 0) != 1) {
    delete model;
    return nullptr;
  }
  data->model = model;
  return model;
}

void CSkyChart::drawObjectModel(CSkyObject* object) {
  CPlanet* body = asBody(object);
  CModel3D* model = getObjectModel(object);
  const ChartShaderLocations& l = chartShader().locations;
  if (body == nullptr || model == nullptr || cgContext != nullptr || l.position < 0) return;
  ModelCamera camera;
  if (!lookAtModel(*this, body, &camera)) return;
  glEnable(GL_DEPTH_TEST);
  glClear(GL_DEPTH_BUFFER_BIT);

  // The model's box at its largest stands for the body's diameter, so the
  // model covers the disc the body would have (and its tap circle).
  double diameter = body->getDiameter();
  if (!(diameter > 0) || !std::isfinite(diameter)) diameter = 1;
  double size = std::max<double>(model->largestSize(), 1e-9);
  double e = body->getDistance() * kKilometresPerAU * size / diameter;

  // Model units into the sky frame, then the camera's (x right, y up,
  // looking down -z at the body).
  double toSky[9], a[9], t[3];
  modelToSky(*this, body, toSky);
  matrixCopy(a, toSky);
  matrixMultiply(camera.axes, a);
  const float* c = model->center();
  double centre[3] = {c[0], c[1], c[2]};
  matrixTimesVector(a, centre);
  const double at[3] = {0, 0, -e};
  vectorSubtract(at, centre, t);
  GLMatrix modelView = glMatrixOf(a, t);

  // Clip at the sphere through the box's corners: the largest side's half
  // would cut off a cube's nearest corner.
  double reach = std::hypot(model->sizeX(), model->sizeY(), model->sizeZ()) / 2;
  reach = std::max(reach, size / 2);
  GLMatrix projection = modelProjection(*this, camera, std::max(e - reach, 0.1 * reach), e + reach);
  GLMatrix savedModelView, savedProjection;
  getModelViewProjection(&savedModelView, &savedProjection);
  setModelViewProjection(modelView, projection);

  if (showPlanetPhases > 0) {
    double sun[3];
    body->getHeliocentricPosition(sun);
    vectorScale(sun, -1);
    vectorNormalize(sun);
    // Into the model's frame: the transpose of its axes.
    transposeTimesVector(toSky, sun);
    glUniform3f(l.lightDir, static_cast<float>(sun[0]), static_cast<float>(sun[1]),
                static_cast<float>(sun[2]));
    setColor(1, 1, 1, 1);
  } else {
    setColor(0.8f, 0.8f, 0.8f, 1);
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  const float* vertices = model->vertices().data();
  const std::uint32_t* indices = model->indices().data();
  const float zero[4] = {0, 0, 0, 0};
  auto materialAttribute = [](int location, const float* value) {
    if (location >= 0)
      glVertexAttrib4f(static_cast<GLuint>(location), value[0], value[1], value[2], value[3]);
  };
  for (const CModel3D::DrawGroup& group : model->drawGroups()) {
    unsigned texture = 0;
    if (showPlanetSurfaces && group.material != nullptr)
      texture = model->textureForName(group.material->diffuseTexture);
    bool material = showPlanetSurfaces && texture == 0 && group.material != nullptr;
    glUniform1i(l.useTexture, texture != 0 ? 1 : 0);
    glUniform1i(l.useMaterial, material ? 1 : 0);
    if (texture != 0) {
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_2D, texture);
      glUniform1i(l.texture, 0);
    }
    if (material) {
      materialAttribute(l.materialAmbient, group.material->ambient);
      materialAttribute(l.materialDiffuse, group.material->diffuse);
      materialAttribute(l.materialSpecular, group.material->specular);
      if (l.materialShininess >= 0)
        glVertexAttrib1f(static_cast<GLuint>(l.materialShininess), group.material->shininess);
    }
    auto array = [&](int location, bool present, int size, int offset) {
      if (location < 0 || !present) return;
      glEnableVertexAttribArray(static_cast<GLuint>(location));
      glVertexAttribPointer(static_cast<GLuint>(location), size, GL_FLOAT, GL_FALSE, kVertexStride,
                            vertices + offset);
    };
    array(l.position, model->hasPositions(), 3, 0);
    array(l.texCoord, model->hasTexCoords(), 2, CModel3D::kTexCoordOffset);
    array(l.normal, model->hasNormals(), 3, CModel3D::kNormalOffset);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * group.triangleCount), GL_UNSIGNED_INT,
                   indices + group.firstIndex);
    for (int location : {l.position, l.texCoord, l.normal})
      if (location >= 0) glDisableVertexAttribArray(static_cast<GLuint>(location));
    materialAttribute(l.materialAmbient, zero);
    materialAttribute(l.materialDiffuse, zero);
    materialAttribute(l.materialSpecular, zero);
    if (l.materialShininess >= 0) glVertexAttrib1f(static_cast<GLuint>(l.materialShininess), 0);
  }
  glUniform1i(l.useTexture, 0);
  glUniform1i(l.useMaterial, 0);
  glUniform3f(l.lightDir, 0, 0, 0);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  setModelViewProjection(savedModelView, savedProjection);
}
