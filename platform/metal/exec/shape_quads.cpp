#include "platform/metal/exec/shape_quads.h"

#include <cstring>

#include "platform/metal/exec/attribute_planes.h"

namespace mtl::exec {
namespace {

float wordFloat(const std::uint32_t* words, unsigned k) {
  float v;
  std::memcpy(&v, words + k, 4);
  return v;
}

// Component `component` of the varying (planes from `planes` on) in the
// quad's lanes, as FragmentWorker::varyingQuad forms it.
Float4 varying(const FragmentInput& input, std::uint32_t planes, unsigned component, const Primitive& p,
               const QuadWeights& w) {
  const std::uint32_t* plane = p.planes + planes + kPlaneWords * component;
  if (input.flat || p.kind == PrimitiveKind::Point) return splat(wordFloat(plane, 0));
  const Float4 weight1 = input.perspective ? w.perspective1 : w.linear1;
  Float4 values = wordFloat(plane, 0) + weight1 * wordFloat(plane, 1);
  if (p.kind == PrimitiveKind::Triangle) {
    values += (input.perspective ? w.perspective2 : w.linear2) * wordFloat(plane, 2);
  }
  return values;
}

}  // namespace

bool takesShapeRoute(const StateContext& s, unsigned sampleCount) {
  if (!fastPathsEnabled() || s.shape.kind == FragmentShape::Kind::none || !s.shades || sampleCount != 1 ||
      s.alphaToCoverage || !s.earlyTests || s.writtenColors.size() != 1) {
    return false;
  }
  const ColorOutput& out = *s.writtenColors[0];
  if (out.scalar != msl::Scalar::Float || out.components != 4 || !s.colors[out.attachment].directQuads()) {
    return false;
  }
  if (s.depthStencil.active() && !s.depthStencil.quadTests()) return false;
  const auto floatVarying = [](const FragmentInput* in) {
    return in && in->kind == FragmentInputKind::Varying && in->scalar == msl::Scalar::Float;
  };
  if (!floatVarying(s.shapeColor)) return false;
  return s.shape.kind == FragmentShape::Kind::color || s.shape.pointCoord || floatVarying(s.shapeCoordinate);
}

void shapeQuadColor(const StateContext& s, const Primitive& p, const QuadWeights& w, unsigned lanes,
                    StageTextures& textures, Float4 out[4]) {
  for (unsigned c = 0; c < 4; ++c) out[c] = varying(*s.shapeColor, s.shapeColorPlanes, c, p, w);
  if (s.shape.kind != FragmentShape::Kind::textured) return;
  Float4 u, v;
  if (s.shape.pointCoord) {
    // As the function's [[point_coord]]: zero but for points.
    const bool point = p.kind == PrimitiveKind::Point;
    u = point ? w.point[s.shape.u] : Float4{};
    v = point ? w.point[s.shape.v] : Float4{};
  } else {
    u = varying(*s.shapeCoordinate, s.shapeCoordinatePlanes, s.shape.u, p, w);
    v = varying(*s.shapeCoordinate, s.shapeCoordinatePlanes, s.shape.v, p, w);
  }
  if (s.shape.flipV) v = 1.0f - v;
  Float4 texel[4];
  textures.sampleQuad(s.shapeSampler, u, v, s.crossLane ? 0xFu : lanes, texel);
  for (unsigned c = 0; c < 4; ++c) out[c] = out[c] * texel[c];
}

}  // namespace mtl::exec
