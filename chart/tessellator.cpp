// The GLU tessellator behind the chart's polygon fills.
#include "chart/tessellator.h"

#include <GL/glu.h>

#include <new>

struct ChartTessellator::Callbacks {
  static ChartTessellator& self(void* data) { return *static_cast<ChartTessellator*>(data); }

  static void GLAPIENTRY begin(GLenum mode, void* data) { self(data).sink_->begin(mode); }
  static void GLAPIENTRY vertex(void* point, void* data) {
    self(data).sink_->vertex(static_cast<const double*>(point));
  }
  static void GLAPIENTRY end(void* data) { self(data).sink_->end(); }
  // Registered only so that GLU hands out separate triangles: with it GLU
  // never emits fans or strips, which the graphics layer would have to
  // expand.
  static void GLAPIENTRY edgeFlag(GLboolean, void*) {}
  static void GLAPIENTRY combine(GLdouble coordinates[3], void*[4], GLfloat[4], void** out,
                                 void* data) {
    *out = self(data).storeCombinedPoint(coordinates);
  }
  static void GLAPIENTRY error(GLenum code, void* data) {
    self(data).sink_->error(glErrorText(code));
  }
};

std::unique_ptr<ChartTessellator> ChartTessellator::create() {
  GLUtesselator* tess = gluNewTess();
  if (tess == nullptr) return nullptr;
  std::unique_ptr<ChartTessellator> result(new (std::nothrow) ChartTessellator);
  if (!result) {
    gluDeleteTess(tess);
    return nullptr;
  }
  result->tess_ = tess;
  using F = _GLUfuncptr;
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<F>(&Callbacks::begin));
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<F>(&Callbacks::vertex));
  gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<F>(&Callbacks::end));
  gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<F>(&Callbacks::edgeFlag));
  gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<F>(&Callbacks::combine));
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<F>(&Callbacks::error));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  // Chart polygons lie in the screen plane; naming its normal spares GLU
  // working it out for every polygon.
  gluTessNormal(tess, 0, 0, 1);
  return result;
}

ChartTessellator::~ChartTessellator() {
  if (tess_ != nullptr) gluDeleteTess(static_cast<GLUtesselator*>(tess_));
}

double* ChartTessellator::storeCombinedPoint(const double coordinates[3]) {
  std::size_t chunk = combinedCount_ / kChunkPoints;
  if (chunk == chunks_.size()) {
    // Called from inside GLU: nothing may be thrown through it. A null
    // point makes GLU report the error and give up on the polygon.
    std::unique_ptr<double[]> storage(new (std::nothrow) double[kChunkPoints * 3]);
    if (!storage) return nullptr;
    try {
      chunks_.push_back(std::move(storage));
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  double* point = chunks_[chunk].get() + (combinedCount_ % kChunkPoints) * 3;
  point[0] = coordinates[0];
  point[1] = coordinates[1];
  point[2] = 0;
  ++combinedCount_;
  return point;
}

void ChartTessellator::tessellate(const double* points, int count, TessellationSink& sink) {
  GLUtesselator* tess = static_cast<GLUtesselator*>(tess_);
  sink_ = &sink;
  combinedCount_ = 0;
  gluTessBeginPolygon(tess, this);
  gluTessBeginContour(tess);
  for (int i = 0; i < count; ++i) {
    // GLU reads the coordinates and hands the same pointer back as the
    // vertex's data; it never writes through either.
    double* point = const_cast<double*>(points + 3 * i);
    gluTessVertex(tess, point, point);
  }
  gluTessEndContour(tess);
  gluTessEndPolygon(tess);
  sink_ = nullptr;
}

const char* glErrorText(unsigned code) {
  const GLubyte* text = gluErrorString(code);
  return text != nullptr ? reinterpret_cast<const char*>(text) : "unknown";
}
