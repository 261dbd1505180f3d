#include "platform/metal/exec/setup.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace mtl::exec {
namespace {

// Fixed-point coordinates stay well inside this after guard-band clipping.
constexpr double kFixedLimit = double{1 << 24};

float wordAsFloat(const std::uint32_t* record, unsigned k) {
  float v;
  std::memcpy(&v, record + k, 4);
  return v;
}

std::int32_t snap(double window) {
  return static_cast<std::int32_t>(
      std::clamp(std::nearbyint(window * kSubpixels), -kFixedLimit, kFixedLimit));
}

// Floor division of a fixed-point coordinate by a pixel.
std::int32_t pixelOf(std::int32_t fixed) { return fixed >> kSubpixelBits; }

struct WindowVertex {
  double x, y, z, invW;
};

bool toWindow(const ViewportTransform& v, const std::uint32_t* record, WindowVertex& out) {
  const double w = wordAsFloat(record, 3);
  const double invW = 1.0 / w;
  out.x = wordAsFloat(record, 0) * invW * v.scaleX + v.offsetX;
  out.y = wordAsFloat(record, 1) * invW * v.scaleY + v.offsetY;
  out.z = wordAsFloat(record, 2) * invW * v.scaleZ + v.offsetZ;
  out.invW = invW;
  return std::isfinite(out.x) && std::isfinite(out.y) && std::isfinite(out.z) &&
         std::isfinite(invW);
}

// The smallest difference the depth format resolves near `largest`.
double depthResolution(PixelFormat format, double largest) {
  if (format == PixelFormat::Depth16Unorm) return std::ldexp(1.0, -16);
  int e = 0;
  std::frexp(largest, &e);  // largest = m 2^e with m in [0.5, 1)
  const int exponent = largest > std::numeric_limits<float>::min() ? e - 1 : -126;
  return std::ldexp(1.0, exponent - 23);
}

}  // namespace

std::int32_t saturatingInt32(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<std::int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

ViewportTransform makeViewportTransform(const Viewport& vp) {
  ViewportTransform v;
  const double values[] = {vp.originX, vp.originY, vp.width, vp.height, vp.znear, vp.zfar};
  v.valid = vp.width != 0 && vp.height != 0;
  for (double x : values) v.valid = v.valid && std::isfinite(x);
  if (!v.valid) return v;
  v.scaleX = vp.width / 2;
  v.offsetX = vp.originX + vp.width / 2;
  v.scaleY = -vp.height / 2;
  v.offsetY = vp.originY + vp.height / 2;
  v.scaleZ = vp.zfar - vp.znear;
  v.offsetZ = vp.znear;
  v.zMin = std::min(vp.znear, vp.zfar);
  v.zMax = std::max(vp.znear, vp.zfar);
  const double left = std::min(vp.originX, vp.originX + vp.width);
  const double right = std::max(vp.originX, vp.originX + vp.width);
  const double top = std::min(vp.originY, vp.originY + vp.height);
  const double bottom = std::max(vp.originY, vp.originY + vp.height);
  v.pixels = {saturatingInt32(std::ceil(left - 0.5)), saturatingInt32(std::ceil(top - 0.5)),
              saturatingInt32(std::ceil(right - 0.5)), saturatingInt32(std::ceil(bottom - 0.5))};
  // Depth: 0 <= z <= w.
  v.clip.planes[0] = {0, 0, 1, 0};
  v.clip.planes[1] = {0, 0, -1, 1};
  // Guard band: -G <= ndc * scale + offset <= G on both axes.
  auto band = [](double scale, double offset, ClipPlane& low, ClipPlane& high, bool y) {
    double a = (-kGuardBandPixels - offset) / scale;
    double b = (kGuardBandPixels - offset) / scale;
    if (a > b) std::swap(a, b);
    // ndc >= a: n - a w >= 0; ndc <= b: b w - n >= 0.
    low = y ? ClipPlane{0, 1, 0, -a} : ClipPlane{1, 0, 0, -a};
    high = y ? ClipPlane{0, -1, 0, b} : ClipPlane{-1, 0, 0, b};
  };
  band(v.scaleX, v.offsetX, v.clip.planes[2], v.clip.planes[3], false);
  band(v.scaleY, v.offsetY, v.clip.planes[4], v.clip.planes[5], true);
  v.clip.count = 6;
  return v;
}

bool finitePosition(const std::uint32_t* record) {
  for (unsigned k = 0; k < 4; ++k) {
    if (!std::isfinite(wordAsFloat(record, k))) return false;
  }
  return true;
}

bool setupTriangle(const ViewportTransform& v, const PixelRect& rect, CullMode cull,
                   Winding frontWinding, const DepthBiasParameters& bias,
                   const std::uint32_t* const vertices[3], const std::uint32_t* provoking,
                   Primitive& out) {
  WindowVertex w[3];
  for (unsigned k = 0; k < 3; ++k) {
    if (!toWindow(v, vertices[k], w[k])) return false;
    out.x[k] = snap(w[k].x);
    out.y[k] = snap(w[k].y);
    out.z[k] = static_cast<float>(w[k].z);
    out.invW[k] = static_cast<float>(w[k].invW);
    out.vertex[k] = vertices[k];
  }
  const std::int64_t area =
      std::int64_t{out.x[1] - out.x[0]} * (out.y[2] - out.y[0]) -
      std::int64_t{out.x[2] - out.x[0]} * (out.y[1] - out.y[0]);
  if (area == 0) return false;
  const bool clockwise = area > 0;
  out.front = (frontWinding == Winding::Clockwise) == clockwise;
  if ((cull == CullMode::Front && out.front) || (cull == CullMode::Back && !out.front)) {
    return false;
  }
  if (!clockwise) {
    std::swap(out.x[1], out.x[2]);
    std::swap(out.y[1], out.y[2]);
    std::swap(out.z[1], out.z[2]);
    std::swap(out.invW[1], out.invW[2]);
    std::swap(out.vertex[1], out.vertex[2]);
  }
  out.kind = PrimitiveKind::Triangle;
  out.area = clockwise ? area : -area;
  out.provoking = provoking;
  const PixelRect box{pixelOf(std::min({out.x[0], out.x[1], out.x[2]})),
                      pixelOf(std::min({out.y[0], out.y[1], out.y[2]})),
                      pixelOf(std::max({out.x[0], out.x[1], out.x[2]})) + 1,
                      pixelOf(std::max({out.y[0], out.y[1], out.y[2]})) + 1};
  out.box = intersect(box, rect);
  if (out.box.empty()) return false;
  out.depthBias = 0;
  if (bias.depthFormat != PixelFormat::Invalid && (bias.bias != 0 || bias.slopeScale != 0)) {
    // The depth plane's slopes in window pixels.
    const double x1 = (out.x[1] - out.x[0]) / double{kSubpixels};
    const double y1 = (out.y[1] - out.y[0]) / double{kSubpixels};
    const double x2 = (out.x[2] - out.x[0]) / double{kSubpixels};
    const double y2 = (out.y[2] - out.y[0]) / double{kSubpixels};
    const double z1 = double{out.z[1]} - out.z[0], z2 = double{out.z[2]} - out.z[0];
    const double determinant = x1 * y2 - x2 * y1;
    const double dzdx = (z1 * y2 - z2 * y1) / determinant;
    const double dzdy = (x1 * z2 - x2 * z1) / determinant;
    const double largest = std::max({std::fabs(out.z[0]), std::fabs(out.z[1]), std::fabs(out.z[2])});
    double offset = bias.bias * depthResolution(bias.depthFormat, largest) +
                    bias.slopeScale * std::max(std::fabs(dzdx), std::fabs(dzdy));
    if (bias.clamp > 0) offset = std::min(offset, double{bias.clamp});
    if (bias.clamp < 0) offset = std::max(offset, double{bias.clamp});
    out.depthBias = std::isfinite(offset) ? static_cast<float>(offset) : 0.0f;
  }
  return true;
}

bool setupLine(const ViewportTransform& v, const PixelRect& rect, const std::uint32_t* a,
               const std::uint32_t* b, const std::uint32_t* provoking, Primitive& out) {
  WindowVertex w[2];
  const std::uint32_t* ends[2] = {a, b};
  for (unsigned k = 0; k < 2; ++k) {
    if (!toWindow(v, ends[k], w[k])) return false;
    out.x[k] = snap(w[k].x);
    out.y[k] = snap(w[k].y);
    out.z[k] = static_cast<float>(w[k].z);
    out.invW[k] = static_cast<float>(w[k].invW);
    out.vertex[k] = ends[k];
  }
  if (out.x[0] == out.x[1] && out.y[0] == out.y[1]) return false;
  out.kind = PrimitiveKind::Line;
  out.front = true;
  out.provoking = provoking;
  const PixelRect box{pixelOf(std::min(out.x[0], out.x[1])) - 1,
                      pixelOf(std::min(out.y[0], out.y[1])) - 1,
                      pixelOf(std::max(out.x[0], out.x[1])) + 2,
                      pixelOf(std::max(out.y[0], out.y[1])) + 2};
  out.box = intersect(box, rect);
  return !out.box.empty();
}

bool setupPoint(const ViewportTransform& v, const PixelRect& rect, const std::uint32_t* vertex,
                Primitive& out) {
  const float x = wordAsFloat(vertex, 0), y = wordAsFloat(vertex, 1);
  const float z = wordAsFloat(vertex, 2), w = wordAsFloat(vertex, 3);
  if (!(-w <= x && x <= w && -w <= y && y <= w && 0 <= z && z <= w)) return false;
  WindowVertex c;
  if (!toWindow(v, vertex, c)) return false;
  out.kind = PrimitiveKind::Point;
  out.front = true;
  out.x[0] = snap(c.x);
  out.y[0] = snap(c.y);
  out.z[0] = static_cast<float>(c.z);
  out.invW[0] = static_cast<float>(c.invW);
  out.vertex[0] = vertex;
  out.provoking = vertex;
  float size = wordAsFloat(vertex, 4);
  if (std::isnan(size)) size = 1;
  out.pointSize = std::clamp(size, 1.0f, 511.0f);
  const double cx = out.x[0] / double{kSubpixels}, cy = out.y[0] / double{kSubpixels};
  const double half = out.pointSize / 2.0;
  const PixelRect box{saturatingInt32(std::floor(cx - half)), saturatingInt32(std::floor(cy - half)),
                      saturatingInt32(std::ceil(cx + half)), saturatingInt32(std::ceil(cy + half))};
  out.box = intersect(box, rect);
  return !out.box.empty();
}

}  // namespace mtl::exec
