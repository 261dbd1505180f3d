#include "tests/gles/glu_primitives.h"

#include <GL/glu.h>

#include <deque>

namespace tessaly::test {
namespace {

struct Collector {
  std::vector<GluPrimitive> primitives;
  std::deque<std::array<double, 3>> made;  // intersections keep their addresses
  const char* error = nullptr;
};

Collector& of(void* data) { return *static_cast<Collector*>(data); }

void GLAPIENTRY begin(GLenum mode, void* data) { of(data).primitives.push_back({mode, {}}); }
void GLAPIENTRY vertex(void* point, void* data) {
  const auto* p = static_cast<const double*>(point);
  of(data).primitives.back().points.push_back({p[0], p[1]});
}
void GLAPIENTRY end(void*) {}
void GLAPIENTRY combine(GLdouble coordinates[3], void*[4], GLfloat[4], void** out, void* data) {
  of(data).made.push_back({coordinates[0], coordinates[1], coordinates[2]});
  *out = of(data).made.back().data();
}
void GLAPIENTRY error(GLenum code, void* data) {
  of(data).error = reinterpret_cast<const char*>(gluErrorString(code));
}

}  // namespace

std::vector<GluPrimitive> gluTessellateNonZero(const std::vector<std::vector<GluPoint>>& contours,
                                               const char** errorText) {
  GLUtesselator* tess = gluNewTess();
  if (tess == nullptr) {
    if (errorText != nullptr) *errorText = "no tessellator";
    return {};
  }
  using F = _GLUfuncptr;
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<F>(&begin));
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<F>(&vertex));
  gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<F>(&end));
  gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<F>(&combine));
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<F>(&error));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  gluTessNormal(tess, 0, 0, 1);

  Collector collector;
  std::vector<std::vector<std::array<double, 3>>> corners;
  for (const auto& contour : contours) {
    corners.emplace_back();
    for (const GluPoint& p : contour) corners.back().push_back({p[0], p[1], 0});
  }
  gluTessBeginPolygon(tess, &collector);
  for (auto& contour : corners) {
    gluTessBeginContour(tess);
    for (auto& c : contour) gluTessVertex(tess, c.data(), c.data());
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);
  gluDeleteTess(tess);
  if (errorText != nullptr) *errorText = collector.error;
  if (collector.error != nullptr) return {};
  return std::move(collector.primitives);
}

}  // namespace tessaly::test
