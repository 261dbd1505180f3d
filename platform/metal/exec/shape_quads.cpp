#include "platform/metal/exec/shape_quads.h"

#include <cstring>

#include "platform/metal/exec/attribute_planes.h"

namespace mtl::exec {
namespace {

// Components of one input's planes (from `planes` on) in four lanes.
void prepareVarying(const FragmentInput& input, std::uint32_t planes, const unsigned* components, unsigned count,
                    const Primitive& p, ShapeInputs::Varying& out) {
  out.flat = input.flat || p.kind == PrimitiveKind::Point;
  out.perspective = input.perspective;
  for (unsigned k = 0; k < count; ++k) {
    const std::uint32_t* plane = p.planes + planes + kPlaneWords * components[k];
    for (unsigned j = 0; j < (out.flat ? 1u : kPlaneWords); ++j) {
      float value;
      std::memcpy(&value, plane + j, 4);
      out.plane[k][j] = splat(value);
    }
  }
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

void prepareShapeInputs(const StateContext& s, const Primitive& p, ShapeInputs& out) {
  out.triangle = p.kind == PrimitiveKind::Triangle;
  out.point = p.kind == PrimitiveKind::Point;
  prepareVarying(*s.shapeColor, s.shapeColorPlanes, kAllComponents, 4, p, out.color);
  if (s.shape.kind == FragmentShape::Kind::textured && !s.shape.pointCoord) {
    const unsigned uv[2] = {s.shape.u, s.shape.v};
    prepareVarying(*s.shapeCoordinate, s.shapeCoordinatePlanes, uv, 2, p, out.coordinate);
  }
}

}  // namespace mtl::exec
