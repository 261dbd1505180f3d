// Filled polygons split into triangles by the GLU tessellator, with the
// non-zero winding rule, and the GLU text of a GL error code.
//
// This header and its source are the chart's only contact with GLU: the
// source includes <GL/glu.h> (which brings the desktop GL declarations)
// and nothing of the graphics layer. Only GLU's tessellator and its error
// texts are used; no desktop GL function is ever called.
//
// Thread rules: a tessellator belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// Where the triangles go. The mode passed to begin is the GL primitive
// mode; with the edge-flag callback registered it is always GL_TRIANGLES.
struct TessellationSink {
  virtual ~TessellationSink() = default;
  virtual void begin(unsigned mode) = 0;
  virtual void vertex(const double point[3]) = 0;
  virtual void end() = 0;
  virtual void error(const char* text) = 0;
};

class ChartTessellator {
 public:
  // Null when GLU cannot make a tessellator.
  static std::unique_ptr<ChartTessellator> create();
  ~ChartTessellator();
  ChartTessellator(const ChartTessellator&) = delete;
  ChartTessellator& operator=(const ChartTessellator&) = delete;

  // Tessellates one contour of `count` points (x, y, z triples; they must
  // stay valid during the call). Intersections the tessellator creates are
  // kept in the tessellator's own store until the call returns.
  void tessellate(const double* points, int count, TessellationSink& sink);

  // The number of intersection points made by the last call (tests).
  std::size_t combinedPointCount() const { return combinedCount_; }

 private:
  ChartTessellator() = default;
  struct Callbacks;
  // A new intersection point's storage, or null when no memory is left.
  double* storeCombinedPoint(const double coordinates[3]);

  void* tess_ = nullptr;  // GLUtesselator
  TessellationSink* sink_ = nullptr;
  // Chunks of intersection points; they keep their addresses for the
  // polygon's life and are reused by the next polygon.
  static constexpr std::size_t kChunkPoints = 256;
  std::vector<std::unique_ptr<double[]>> chunks_;
  std::size_t combinedCount_ = 0;
};

// gluErrorString of a GL or GLU error code; "unknown" for a code it has no
// text for.
const char* glErrorText(unsigned code);
