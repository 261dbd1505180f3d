// Shapes in screen pixels: rectangles, circles, ellipses, sectors, the lens
// where two discs overlap, markers and the colour-filter quads, through the
// 2-D context or GL.
#include <algorithm>
#include <cmath>

#include "chart/gl_api.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "platform/coregraphics/context.h"

namespace {

// A full turn as the sector fills are asked for it, and as stored.
constexpr float kFullTurn = 6.2831855f;
constexpr double kTwoPiStored = 6.283185307178;
// Segments of a closed outline: two per pixel of width, at most 72.
constexpr int kMaxOutlineSegments = 72;
// Dashed outlines: one segment per third of a dash, at most this many.
constexpr int kMaxDashSegments = 32767;
// Sectors: 72 segments to the full turn.
constexpr double kSectorSegmentsPerTurn = 72;
// Most triangles a sector fill puts in the vertex buffer at once.
constexpr int kMaxSectorSegments = kChartVertexCapacity / 3;

bool finite(float v) { return std::isfinite(v); }

// Segments of an outline of width w: min(2 w, 72) computed without
// converting an out-of-range width.
int outlineSegments(float w) {
  if (!(w > 0)) return 0;
  return static_cast<int>(std::min(2.0f * std::floor(std::min(w, 1e6f)),
                                   static_cast<float>(kMaxOutlineSegments)));
}

// A rectangle as a four-vertex triangle strip, untextured, in the current
// constant colour (GL).
void fillRectangleStrip(float left, float top, float right, float bottom) {
  const ChartShaderLocations& l = chartShader().locations;
  if (l.position < 0) return;
  const float strip[8] = {left, top, right, top, left, bottom, right, bottom};
  glUniform1i(l.useTexture, 0);
  glUniform1i(l.useMaterial, 0);
  GLuint position = static_cast<GLuint>(l.position);
  glEnableVertexAttribArray(position);
  glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, strip);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glDisableVertexAttribArray(position);
}

}  // namespace

void CSkyChart::drawRectangle(bool fill, float left, float top, float right, float bottom) {
  if (cgContext != nullptr) {
    cg::Rect rect{left, top, right - left, bottom - top};
    if (fill)
      cgContext->fillRect(rect);
    else
      cgContext->strokeRect(rect);
    return;
  }
  if (!fill) {
    moveToPoint(left, top);
    lineToPoint(left, bottom);
    lineToPoint(right, bottom);
    lineToPoint(right, top);
    lineToPoint(left, top);
    strokePath();
    return;
  }
  fillRectangleStrip(left, top, right, bottom);
}

void CSkyChart::drawSquare(float x, float y, float half) {
  drawRectangle(false, x - half, y - half, x + half, y + half);
}

void CSkyChart::drawCircle(bool fill, float x, float y, float radius, float dash) {
  // An infinite or undefined radius (an object too large to project) has
  // no circle to draw.
  if (!finite(x) || !finite(y) || !finite(radius) || radius < 0) return;
  if (cgContext != nullptr) {
    cg::Rect box{x - radius, y - radius, 2 * radius, 2 * radius};
    if (fill) {
      cgContext->fillEllipseInRect(box);
    } else if (dash > 0) {
      cgContext->saveGState();
      const double pattern[2] = {dash, dash};
      cgContext->setLineDash(0, pattern, 2);
      cgContext->strokeEllipseInRect(box);
      cgContext->restoreGState();
    } else {
      cgContext->strokeEllipseInRect(box);
    }
    return;
  }
  if (!fill) {
    drawEllipseOutline(x - radius, y - radius, 2 * radius, 2 * radius, dash);
    return;
  }
  bool smooth = smoothLines;
  smoothLines = false;
  fillEllipseSector(false, false, x - radius, y - radius, 2 * radius, 2 * radius, 0, kFullTurn);
  smoothLines = smooth;
  vertexCount = 0;
}

void CSkyChart::drawEllipseOutline(float left, float top, float w, float h, float dash) {
  if (!finite(left) || !finite(top) || !finite(w) || !finite(h)) return;
  int n;
  if (dash > 0) {
    float segments = std::min(3 * w / dash, static_cast<float>(kMaxDashSegments));
    n = segments > 0 ? static_cast<int>(segments) : 0;
  } else {
    n = outlineSegments(w);
  }
  if (n % 2 != 0) ++n;
  if (n < 2) return;
  double step = kTwoPiStored / n;
  double stepCos = std::cos(step), stepSin = std::sin(step);
  double c = 1, s = 0;
  float cx = left + w / 2, cy = top + h / 2;
  for (int k = 0; k <= n; ++k) {
    float x = cx + static_cast<float>(w / 2 * c), y = cy + static_cast<float>(h / 2 * s);
    if (k == 0 || (dash > 0 && k % 2 == 0))
      moveToPoint(x, y);
    else
      lineToPoint(x, y);
    double nc = c * stepCos - s * stepSin;
    s = s * stepCos + c * stepSin;
    c = nc;
  }
  strokePath();
}

void CSkyChart::drawRotatedEllipse(bool fill, float x, float y, float rx, float ry,
                                   float angle) {
  if (!finite(x) || !finite(y) || !finite(rx) || !finite(ry) || !finite(angle)) return;
  bool mirrorX = getProjectionScaleX() < 0, mirrorY = getProjectionScaleY() < 0;
  if (cgContext != nullptr) {
    cgContext->saveGState();
    cgContext->translateCTM(x, y);
    cgContext->scaleCTM(mirrorX ? -1 : 1, mirrorY ? -1 : 1);
    cgContext->rotateCTM(angle);
    cg::Rect box{-rx, -ry, 2 * rx, 2 * ry};
    if (fill)
      cgContext->fillEllipseInRect(box);
    else
      cgContext->strokeEllipseInRect(box);
    cgContext->restoreGState();
    return;
  }
  if (fill)
    fillEllipseSector(mirrorX, mirrorY, x - rx, y - ry, 2 * rx, 2 * ry, angle, kFullTurn);
  else
    drawEllipse(mirrorX, mirrorY, x - rx, y - ry, 2 * rx, 2 * ry, angle);
}

void CSkyChart::drawEllipse(bool mirrorX, bool mirrorY, float left, float top, float w, float h,
                            float angle) {
  if (!finite(left) || !finite(top) || !finite(w) || !finite(h) || !finite(angle)) return;
  int n = outlineSegments(w);
  if (n < 1) return;
  double cx = left + w / 2.0, cy = top + h / 2.0;
  double cosA = std::cos(angle), sinA = std::sin(angle);
  for (int k = 0; k <= n; ++k) {
    double t = k * kTwoPiStored / n;
    double a = w / 2.0 * std::cos(t), b = h / 2.0 * std::sin(t);
    double dx = a * cosA - b * sinA, dy = a * sinA + b * cosA;
    if (mirrorX) dx = -dx;
    if (mirrorY) dy = -dy;
    float px = static_cast<float>(cx + dx), py = static_cast<float>(cy + dy);
    if (k == 0)
      moveToPoint(px, py);
    else
      lineToPoint(px, py);
  }
  strokePath();
  vertexCount = 0;
}

namespace {

// Point k of a sector: the ellipse's half-axes (negated when mirrored)
// rotated by the start angle, which also starts the sector.
void sectorPoint(double cx, double cy, double halfW, double halfH, double start, double t,
                 double* x, double* y) {
  double a = halfW * std::cos(t), b = halfH * std::sin(t);
  *x = cx + a * std::cos(start) - b * std::sin(start);
  *y = cy + a * std::sin(start) + b * std::cos(start);
}

// Fills the fan of triangles (point k - 1, point k, centre) for k = 1..n:
// a sector, or any region that is star-shaped about the centre.
template <typename Point>
void fillFan(CSkyChart& chart, double cx, double cy, int n, Point point) {
  if (chart.cgContext != nullptr) {
    cg::Context& context = *chart.cgContext;
    context.strokePath();
    context.moveToPoint(cx, cy);
    for (int k = 0; k <= n; ++k) {
      double x, y;
      point(k, &x, &y);
      context.addLineToPoint(x, y);
    }
    context.closePath();
    context.fillPath();
    return;
  }
  chart.vertexCount = 0;
  double px, py;
  point(0, &px, &py);
  for (int k = 1; k <= n; ++k) {
    double x, y;
    point(k, &x, &y);
    chart.addVertex(static_cast<float>(px), static_cast<float>(py));
    chart.addVertex(static_cast<float>(x), static_cast<float>(y));
    chart.addVertex(static_cast<float>(cx), static_cast<float>(cy));
    px = x;
    py = y;
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  chart.primitiveMode = GL_TRIANGLES;
  chart.flushVertices();
  glDisable(GL_BLEND);
}

}  // namespace

void CSkyChart::fillEllipseSector(bool mirrorX, bool mirrorY, float left, float top, float w,
                                  float h, float start, float sweep) {
  if (!finite(left) || !finite(top) || !finite(w) || !finite(h) || !finite(start) ||
      !finite(sweep) || !(sweep > 0))
    return;
  int n = static_cast<int>(std::ceil(std::min(sweep * kSectorSegmentsPerTurn / kTwoPiStored,
                                              static_cast<double>(kMaxSectorSegments))));
  double cx = left + w / 2.0, cy = top + h / 2.0;
  double halfW = mirrorX ? -w / 2.0 : w / 2.0, halfH = mirrorY ? -h / 2.0 : h / 2.0;
  double step = static_cast<double>(sweep) / n;
  fillFan(*this, cx, cy, n, [&](int k, double* x, double* y) {
    sectorPoint(cx, cy, halfW, halfH, start, k * step, x, y);
  });
}

void CSkyChart::fillCircleOverlap(float x1, float y1, float r1, float x2, float y2, float r2) {
  if (!finite(x1) || !finite(y1) || !finite(r1) || !finite(x2) || !finite(y2) || !finite(r2) ||
      r1 < 0 || r2 < 0)
    return;
  // (X, Y, R) the larger circle, (x, y, r) the smaller.
  double X = x1, Y = y1, R = r1, x = x2, y = y2, r = r2;
  if (r2 > r1) {
    std::swap(X, x);
    std::swap(Y, y);
    std::swap(R, r);
  }
  double d = std::hypot(x - X, y - Y);
  if (d > R + r) return;
  if (d <= R - r) {
    bool smooth = smoothLines;
    smoothLines = false;
    fillEllipseSector(false, false, static_cast<float>(x - r), static_cast<float>(y - r),
                      static_cast<float>(2 * r), static_cast<float>(2 * r), 0, kFullTurn);
    smoothLines = smooth;
    vertexCount = 0;
    return;
  }
  // The lens is bounded by the larger circle's arc inside the smaller disc
  // (centred on the direction towards the smaller centre, always under half
  // a turn) and the smaller circle's arc inside the larger disc (centred on
  // the direction towards the larger centre; over half a turn when the
  // smaller centre lies inside the larger disc). a is the chord's distance
  // from the smaller centre towards the larger one.
  double ux = (X - x) / d, uy = (Y - y) / d;
  double a = (d * d + r * r - R * R) / (2 * d);
  double bigHalf = std::acos(std::clamp((d - a) / R, -1.0, 1.0));
  double smallHalf = std::acos(std::clamp(a / r, -1.0, 1.0));
  double bigMiddle = std::atan2(-uy, -ux), smallMiddle = std::atan2(uy, ux);
  int bigN = std::max(1, static_cast<int>(std::ceil(2 * bigHalf * 72 / kTwoPiStored)));
  int smallN = std::max(1, static_cast<int>(std::ceil(2 * smallHalf * 72 / kTwoPiStored)));
  int total = bigN + smallN;
  // Points 0..bigN on the larger arc, then on to the smaller arc's end;
  // the last point closes the outline at the first.
  auto point = [&](int k, double* ox, double* oy) {
    if (k <= bigN) {
      double t = bigMiddle - bigHalf + 2 * bigHalf * k / bigN;
      *ox = X + R * std::cos(t);
      *oy = Y + R * std::sin(t);
    } else {
      double t = smallMiddle - smallHalf + 2 * smallHalf * (k - bigN) / smallN;
      *ox = x + r * std::cos(t);
      *oy = y + r * std::sin(t);
    }
  };
  // The lens is convex: a fan from the point halfway between the two arcs'
  // middles covers it.
  double inward = (d - R + r) / 2;
  double centreX = x + inward * ux, centreY = y + inward * uy;
  fillFan(*this, centreX, centreY, total, point);
}

void CSkyChart::drawCrossHair(float x, float y, float inner, float outer) {
  moveToPoint(x - outer, y);
  lineToPoint(x - inner, y);
  moveToPoint(x + inner, y);
  lineToPoint(x + outer, y);
  moveToPoint(x, y - outer);
  lineToPoint(x, y - inner);
  moveToPoint(x, y + inner);
  lineToPoint(x, y + outer);
  strokePath();
}

void CSkyChart::drawDiamond(float x, float y, float r) {
  moveToPoint(x - r, y);
  lineToPoint(x, y + r);
  lineToPoint(x + r, y);
  lineToPoint(x, y - r);
  lineToPoint(x - r, y);
  strokePath();
}

void CSkyChart::drawPlus(float x, float y, float r) {
  moveToPoint(x - r, y);
  lineToPoint(x + r, y);
  moveToPoint(x, y - r);
  lineToPoint(x, y + r);
  strokePath();
}

namespace {

void drawFilterQuad(float left, float top, float right, float bottom, GLenum source,
                    GLenum destination, const float color[4]) {
  const ChartShaderLocations& l = chartShader().locations;
  glEnable(GL_BLEND);
  glBlendFunc(source, destination);
  if (l.color >= 0)
    glVertexAttrib4f(static_cast<GLuint>(l.color), color[0], color[1], color[2], color[3]);
  fillRectangleStrip(left, top, right, bottom);
  glDisable(GL_BLEND);
}

}  // namespace

void CSkyChart::drawInvertFilter(float left, float top, float right, float bottom) {
  if (cgContext != nullptr) return;
  const float white[4] = {1, 1, 1, 1};
  drawFilterQuad(left, top, right, bottom, GL_ONE_MINUS_DST_COLOR, GL_ZERO, white);
  setColor(currentColor[0], currentColor[1], currentColor[2], currentColor[3]);
}

void CSkyChart::drawRedFilter(float left, float top, float right, float bottom) {
  if (cgContext != nullptr) return;
  const float red[4] = {1, 0, 0, 1};
  drawFilterQuad(left, top, right, bottom, GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA, red);
  setColor(currentColor[0], currentColor[1], currentColor[2], currentColor[3]);
}
