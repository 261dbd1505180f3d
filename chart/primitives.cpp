// The chart's drawing primitives: colour and the colour filter, pen moves
// and lines in sky vectors or screen points, great-circle arcs and filled
// polygons, each through the 2-D context when one is set and through GL
// otherwise. GL lines are batched in the scratch buffers and drawn by
// strokePath.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/gl_api.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "chart/tessellator.h"
#include "engine/angles.h"
#include "engine/vectors.h"
#include "platform/coregraphics/context.h"

namespace {

// Arcs are drawn in steps of at most five degrees.
constexpr double kArcStep = 0.08726646259969445;
// Grey of a colour for the filter modes (night vision keeps it in red).
constexpr float kGreyRed = 0.3f, kGreyGreen = 0.6f, kGreyBlue = 0.1f;
// Shorter feathered segments than this (pixels) have no direction.
constexpr float kShortestThickSegment = 1e-5f;

bool isWrappingProjection(int projection) {
  return projection == kProjectionEquirectangular ||
         projection == kProjectionCentralCylindrical ||
         projection == kProjectionAbsoluteEquirectangular;
}

// Rotates v about the unit axis by angle (Rodrigues).
void rotateAbout(const double v[3], const double axis[3], double angle, double out[3]) {
  double c = std::cos(angle), s = std::sin(angle);
  double cross[3];
  vectorCross(axis, v, cross);
  double k = vectorDot(axis, v) * (1 - c);
  for (int i = 0; i < 3; ++i) out[i] = v[i] * c + cross[i] * s + axis[i] * k;
}

}  // namespace

// ---- Colour helpers ----

void setColor3(float out[3], float r, float g, float b) {
  out[0] = r;
  out[1] = g;
  out[2] = b;
}

void scaleColor(float out[3], const float in[3], float factor) {
  for (int i = 0; i < 3; ++i) out[i] = std::clamp(in[i] * factor, 0.0f, 1.0f);
}

void mixColor(float out[3], const float a[3], const float b[3], float t) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] * (1 - t) + b[i] * t;
}

// ---- Colour and state ----

void CSkyChart::setColorFilter(int mode) {
  if ((mode == 0) != (colorFilterMode == 0)) {
    // Every texture loads again, in colour or in grey.
    glResourcesLive = true;
    glResetPending = true;
  }
  colorFilterMode = mode;
}

void CSkyChart::filterColor(float out[3], const float in[3]) const {
  if (colorFilterMode == 0) {
    std::copy(in, in + 3, out);
    return;
  }
  float grey = kGreyRed * in[0] + kGreyGreen * in[1] + kGreyBlue * in[2];
  out[0] = grey;
  out[1] = out[2] = colorFilterMode == 3 ? 0.0f : grey;
}

void CSkyChart::setColor(float r, float g, float b, float a) {
  currentColor[0] = r;
  currentColor[1] = g;
  currentColor[2] = b;
  currentColor[3] = a;
  if (cgContext != nullptr) {
    cgContext->setStrokeColor(r, g, b, a);
    cgContext->setFillColor(r, g, b, a);
  } else if (chartShader().locations.color >= 0) {
    glVertexAttrib4f(static_cast<GLuint>(chartShader().locations.color), r, g, b, a);
  }
}

void CSkyChart::setLineWidth(float points) {
  lineWidth = points;
  if (cgContext != nullptr)
    cgContext->setLineWidth(points * contentScale);
  else
    glLineWidth(points * contentScale);
}

void CSkyChart::setContentScale(float scale) {
  if (scale == contentScale) return;
  contentScale = scale;
  markerSize = 16.0f * scale;
  starSpritesChanged = true;
}

// ---- Lines ----

bool CSkyChart::moveToVector(const double v[3], double* x, double* y) {
  double sx, sy;
  bool visible = vectorToScreen(v, &sx, &sy);
  lastMoveVisible = visible;
  vectorCopy(lastMoveTo, v);
  if (cgContext != nullptr) {
    cgContext->strokePath();
    cgContext->moveToPoint(sx, sy);
  }
  if (visible) pen = {static_cast<float>(sx), static_cast<float>(sy)};
  if (x != nullptr) *x = sx;
  if (y != nullptr) *y = sy;
  return visible;
}

bool CSkyChart::moveTo(const double v[3]) { return moveToVector(v, nullptr, nullptr); }

void CSkyChart::moveToPoint(float x, float y) {
  pen = {x, y};
  if (cgContext != nullptr) cgContext->moveToPoint(x, y);
}

bool CSkyChart::lineToVector(const double v[3], double* x, double* y) {
  double sx, sy;
  float depth = 0;
  bool visible = vectorToScreenDepth(v, &sx, &sy, &depth);
  float px = static_cast<float>(sx), py = static_cast<float>(sy);
  if (!isWrappingProjection(displayProjection)) {
    if (!visible || !lastMoveVisible) {
      // The line breaks here.
      if (cgContext != nullptr) cgContext->strokePath();
      moveToPoint(px, py);
    } else {
      lineToPoint(px, py);
    }
  } else {
    float centre = viewportCenterX;
    bool crosses = (pen.x < centre && px > centre) || (pen.x > centre && px < centre);
    if (depth <= 0 && crosses) {
      // The segment goes round the back of the sphere: it leaves the
      // screen at one side and comes back at the other. Each half is the
      // whole segment moved by one turn, so both keep their slope.
      GPoint from = pen;
      lineToPoint(shiftAcrossProjectionSeam(px), py);
      moveToPoint(shiftAcrossProjectionSeam(from.x), from.y);
    }
    lineToPoint(px, py);
  }
  lastMoveVisible = visible;
  vectorCopy(lastMoveTo, v);
  if (x != nullptr) *x = sx;
  if (y != nullptr) *y = sy;
  return visible;
}

bool CSkyChart::lineTo(const double v[3]) { return lineToVector(v, nullptr, nullptr); }

void CSkyChart::lineToPoint(float x, float y) {
  if (cgContext != nullptr) {
    cgContext->addLineToPoint(x, y);
  } else if (smoothLines) {
    addThickLineSegment(pen, {x, y}, currentColor, lineWidth * contentScale);
  } else {
    addLineSegment(pen.x, pen.y, x, y);
  }
  pen = {x, y};
}

void CSkyChart::addLineSegment(float x1, float y1, float x2, float y2) {
  // A pair forms one GL_LINES segment; with one place left only the first
  // end fits and the segment is lost.
  if (vertexCount < kChartVertexCapacity) {
    vertexBuffer[2 * vertexCount] = x1;
    vertexBuffer[2 * vertexCount + 1] = y1;
    ++vertexCount;
  }
  if (vertexCount < kChartVertexCapacity) {
    vertexBuffer[2 * vertexCount] = x2;
    vertexBuffer[2 * vertexCount + 1] = y2;
    ++vertexCount;
  }
}

void CSkyChart::addThickLineSegment(GPoint from, GPoint to, const float color[4], float w) {
  float dx = to.x - from.x, dy = to.y - from.y;
  float length = std::sqrt(dx * dx + dy * dy);
  if (!(length >= kShortestThickSegment)) return;
  float nx = -dy / length * w, ny = dx / length * w;
  const float p[6][2] = {{from.x + nx, from.y + ny}, {to.x + nx, to.y + ny}, {from.x, from.y},
                         {to.x, to.y},               {from.x - nx, from.y - ny},
                         {to.x - nx, to.y - ny}};
  float c[6][4];
  for (int i = 0; i < 6; ++i) {
    std::copy(color, color + 4, c[i]);
    if (i != 2 && i != 3) c[i][3] = 0;  // the outer edges fade out
  }
  for (int t = 0; t < 4; ++t) {
    const float positions[3][2] = {{p[t][0], p[t][1]}, {p[t + 1][0], p[t + 1][1]},
                                   {p[t + 2][0], p[t + 2][1]}};
    const float colors[3][4] = {{c[t][0], c[t][1], c[t][2], c[t][3]},
                                {c[t + 1][0], c[t + 1][1], c[t + 1][2], c[t + 1][3]},
                                {c[t + 2][0], c[t + 2][1], c[t + 2][2], c[t + 2][3]}};
    addColorTriangle(positions, colors);
  }
}

int CSkyChart::drawArc(const double a[3], const double b[3]) {
  moveToVector(a, nullptr, nullptr);
  double separation = vectorSeparation(a, b);
  if (!(separation >= kArcStep)) return lineToVector(b, nullptr, nullptr) ? 1 : 0;
  double axis[3];
  vectorCross(a, b, axis);
  if (!(vectorNormalize(axis) > 0)) return lineToVector(b, nullptr, nullptr) ? 1 : 0;
  int n = static_cast<int>(std::ceil(separation / kArcStep));
  double step = separation / n;
  double start[3] = {a[0], a[1], a[2]};
  for (int k = 1; k < n; ++k) {
    double point[3];
    rotateAbout(start, axis, k * step, point);
    lineToVector(point, nullptr, nullptr);
  }
  lineToVector(b, nullptr, nullptr);
  return 1;
}

int CSkyChart::arcTo(const double v[3]) {
  double from[3] = {lastMoveTo[0], lastMoveTo[1], lastMoveTo[2]};
  return drawArc(from, v);
}

void CSkyChart::strokePath() {
  if (cgContext != nullptr)
    cgContext->strokePath();
  else if (vertexCount >= 2)
    drawLineBuffer();
  lastMoveTo[0] = lastMoveTo[1] = lastMoveTo[2] = 0;
  pen = {};
  vertexCount = 0;
}

void CSkyChart::drawLineBuffer() {
  const ChartShaderLocations& l = chartShader().locations;
  if (l.position < 0) return;
  GLuint position = static_cast<GLuint>(l.position);
  if (smoothLines && l.color >= 0) {
    GLuint color = static_cast<GLuint>(l.color);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glUniform1i(l.useTexture, 0);
    glUniform1i(l.useMaterial, 0);
    glEnableVertexAttribArray(color);
    glVertexAttribPointer(color, 4, GL_FLOAT, GL_FALSE, 0, colorBuffer);
    glEnableVertexAttribArray(position);
    glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, vertexBuffer);
    glDrawArrays(GL_TRIANGLES, 0, vertexCount);
    glDisableVertexAttribArray(position);
    glDisableVertexAttribArray(color);
    glDisable(GL_BLEND);
  } else {
    glEnableVertexAttribArray(position);
    glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, vertexBuffer);
    glDrawArrays(GL_LINES, 0, vertexCount);
    glDisableVertexAttribArray(position);
  }
}

// ---- Polygons ----

bool CSkyChart::beginPolygonAtVector(const double v[3]) {
  double x, y;
  bool visible = vectorToScreen(v, &x, &y);
  polygonCount = 0;
  if (visible) addPolygonPoint(static_cast<float>(x), static_cast<float>(y));
  return visible;
}

void CSkyChart::beginPolygonAtPoint(float x, float y) {
  polygonCount = 0;
  addPolygonPoint(x, y);
}

void CSkyChart::addPolygonVector(const double* v) {
  if (v == nullptr) {
    if (polygonCount >= 3) fillPolygon(true);
    return;
  }
  double x, y;
  if (!vectorToScreen(v, &x, &y)) {
    // A point off the projection spoils the outline gathered so far.
    polygonCount = 0;
    return;
  }
  addPolygonPoint(static_cast<float>(x), static_cast<float>(y));
}

void CSkyChart::addPolygonPoint(float x, float y) {
  if (polygonCount >= kChartPolygonCapacity) return;
  double* p = polygonBuffer + 3 * polygonCount;
  p[0] = x;
  p[1] = y;
  p[2] = 0;
  ++polygonCount;
}

namespace {

// The tessellator's output drawn through the chart's vertex buffer.
class ChartFillSink : public TessellationSink {
 public:
  explicit ChartFillSink(CSkyChart& chart) : chart_(chart) {}
  void begin(unsigned mode) override { chart_.primitiveMode = mode; }
  void vertex(const double point[3]) override {
    chart_.addVertex(static_cast<float>(point[0]), static_cast<float>(point[1]));
  }
  void end() override { chart_.flushVertices(); }
  void error(const char* text) override { std::printf("Tessellation Error: %s\n", text); }

 private:
  CSkyChart& chart_;
};

}  // namespace

void CSkyChart::fillPolygon(bool close) {
  if (close && polygonCount > 0 && polygonCount < kChartPolygonCapacity)
    addPolygonPoint(static_cast<float>(polygonBuffer[0]), static_cast<float>(polygonBuffer[1]));
  if (polygonCount < 3) {
    polygonCount = 0;
    return;
  }
  if (cgContext != nullptr) {
    cgContext->strokePath();
    cgContext->moveToPoint(polygonBuffer[0], polygonBuffer[1]);
    for (int i = 1; i < polygonCount; ++i)
      cgContext->addLineToPoint(polygonBuffer[3 * i], polygonBuffer[3 * i + 1]);
    cgContext->closePath();
    cgContext->fillPath();
    polygonCount = 0;
    return;
  }
  bool blended = currentColor[3] < 1;
  if (blended) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  if (!tessellator) tessellator = ChartTessellator::create();
  if (tessellator) {
    ChartFillSink sink(*this);
    vertexCount = 0;
    tessellator->tessellate(polygonBuffer, polygonCount, sink);
  }
  vertexCount = 0;
  polygonCount = 0;
  if (blended) glDisable(GL_BLEND);
}

void CSkyChart::addVertex(float x, float y) {
  if (vertexCount >= kChartVertexCapacity) return;
  vertexBuffer[2 * vertexCount] = x;
  vertexBuffer[2 * vertexCount + 1] = y;
  ++vertexCount;
}

void CSkyChart::flushVertices() {
  const ChartShaderLocations& l = chartShader().locations;
  if (vertexCount > 0 && l.position >= 0 && cgContext == nullptr) {
    GLuint position = static_cast<GLuint>(l.position);
    glEnableVertexAttribArray(position);
    glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, vertexBuffer);
    glDrawArrays(primitiveMode, 0, vertexCount);
    glDisableVertexAttribArray(position);
  }
  vertexCount = 0;
}
