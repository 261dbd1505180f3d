// From clip space to window space, and the set-up of each primitive for
// the rasteriser.
//
// Window coordinates have their origin at the top left with y down:
// x = originX + (ndc.x + 1) width / 2, y = originY + (1 - ndc.y) height / 2,
// z = znear + ndc.z (zfar - znear) (znear may exceed zfar). Positions are
// snapped to 1/256 pixel; a triangle's facing is its winding as seen on
// the screen (clockwise: positive area with y down). Primitives with a
// position that is not finite are dropped, as are degenerate triangles.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/metal/exec/clipper.h"
#include "platform/metal/pixel_format.h"
#include "platform/metal/types.h"

namespace mtl::exec {

constexpr int kSubpixelBits = 8;
constexpr std::int32_t kSubpixels = 1 << kSubpixelBits;

// A rectangle of pixels, [x0, x1) x [y0, y1).
struct PixelRect {
  std::int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};
inline PixelRect intersect(const PixelRect& a, const PixelRect& b) {
  return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

struct ViewportTransform {
  double scaleX = 0, offsetX = 0, scaleY = 0, offsetY = 0, scaleZ = 0, offsetZ = 0;
  double zMin = 0, zMax = 1;  // the depth range, in order
  PixelRect pixels;           // pixels whose centre lies inside the viewport
  ClipPlanes clip;            // depth planes and guard band
  bool valid = false;         // finite and not empty
};
ViewportTransform makeViewportTransform(const Viewport& viewport);

// Double to int32 without undefined behaviour: saturating, NaN to 0.
std::int32_t saturatingInt32(double value);

enum class PrimitiveKind : std::uint8_t { Triangle, Line, Point };

struct Primitive {
  PrimitiveKind kind = PrimitiveKind::Triangle;
  bool front = true;
  std::uint32_t draw = 0;
  // Window position in 1/256 pixel; a triangle's vertices are ordered so
  // that its area is positive.
  std::int32_t x[3] = {}, y[3] = {};
  PixelRect box;              // pixels it may touch, within the draw's rectangle
  std::int64_t area = 0;      // triangles: twice the area in fixed point
  float z[3] = {};            // window depth
  float invW[3] = {};
  float pointSize = 1;
  float depthBias = 0;        // triangles: constant and slope-scaled offset
  const std::uint32_t* vertex[3] = {};
  const std::uint32_t* provoking = nullptr;  // flat attributes come from it
  const std::uint32_t* planes = nullptr;     // varyings, once binned (attribute_planes.h)
};

// What depth bias needs of the draw.
struct DepthBiasParameters {
  float bias = 0, slopeScale = 0, clamp = 0;
  PixelFormat depthFormat = PixelFormat::Invalid;
};

// Each returns false when the primitive makes no fragments. `rect` is the
// draw's rectangle (viewport, scissor and target).
bool setupTriangle(const ViewportTransform& viewport, const PixelRect& rect, CullMode cull,
                   Winding frontWinding, const DepthBiasParameters& bias,
                   const std::uint32_t* const vertices[3], const std::uint32_t* provoking,
                   Primitive& out);
bool setupLine(const ViewportTransform& viewport, const PixelRect& rect,
               const std::uint32_t* a, const std::uint32_t* b, const std::uint32_t* provoking,
               Primitive& out);
// The vertex must lie inside the clip volume (-w <= x, y <= w, 0 <= z <= w).
bool setupPoint(const ViewportTransform& viewport, const PixelRect& rect,
                const std::uint32_t* vertex, Primitive& out);

// Whether the position (four floats) is finite.
bool finitePosition(const std::uint32_t* record);

}  // namespace mtl::exec
