// The chart's fragment shapes (fragment_shape.h) shaded a quad at a time,
// straight through: the colour (and the texture coordinates) interpolated
// in the quad's four lanes side by side, the texels sampled, the product
// handed on, with no batch of quads and no lane rows between. The
// operations are those the batched path (FragmentWorker::shade) makes, in
// the same order, so the bits are the same.
//
// The route applies where the batch would only wait: no function to run,
// one sample per pixel, tests before the shape on the depth unit's quad
// path (or none), and one colour attachment that takes whole quads.
//
// Thread rules: a state's route is decided before the workers run; the
// quads are shaded by the worker that owns the StageTextures.
#pragma once

#include "platform/metal/exec/draw_context.h"
#include "platform/metal/exec/simd.h"

namespace mtl::exec {

// Components 0 to 3 in order: all of a four-component input.
inline constexpr unsigned kAllComponents[4] = {0, 1, 2, 3};

// What a quad's lanes interpolate from.
struct QuadWeights {
  Float4 linear1, linear2;            // window-space weights of vertices 1 and 2
  Float4 perspective1, perspective2;  // perspective-correct weights
  Float4 point[2];                    // a point's [[point_coord]]
};

// The shape's inputs of one primitive, worked out once for its quads:
// each component's plane (attribute_planes.h) in four lanes.
struct ShapeInputs {
  struct Varying {
    Float4 plane[4][3];  // value, then differences of vertices 1 and 2
    bool flat = false;   // the value alone (flat, or a point's)
    bool perspective = true;
  };
  Varying color, coordinate;  // coordinate: components u and v in planes 0 and 1
  bool triangle = false;
  bool point = false;
};

// Whether the state's quads take the route in a pass with `sampleCount`
// samples per pixel (decided once per state).
bool takesShapeRoute(const StateContext& state, unsigned sampleCount);

void prepareShapeInputs(const StateContext& state, const Primitive& primitive, ShapeInputs& out);

// Component c of a varying in the quad's lanes, as FragmentWorker's
// varyingQuad forms it.
inline Float4 interpolate(const ShapeInputs::Varying& v, unsigned c, bool triangle, const QuadWeights& w) {
  if (v.flat) return v.plane[c][0];
  Float4 values = v.plane[c][0] + (v.perspective ? w.perspective1 : w.linear1) * v.plane[c][1];
  if (triangle) values += (v.perspective ? w.perspective2 : w.linear2) * v.plane[c][2];
  return values;
}

// The shape's colour in the quad's lanes (channel c in out[c]). `lanes`:
// the covered pixels, whose values matter (with the helpers too where
// sampling reads across the quad).
inline void shapeQuadColor(const StateContext& s, const ShapeInputs& in, const QuadWeights& w, unsigned lanes,
                           StageTextures& textures, Float4 out[4]) {
  for (unsigned c = 0; c < 4; ++c) out[c] = interpolate(in.color, c, in.triangle, w);
  if (s.shape.kind != FragmentShape::Kind::textured) return;
  Float4 u, v;
  if (s.shape.pointCoord) {
    // As the function's [[point_coord]]: zero but for points.
    u = in.point ? w.point[s.shape.u] : Float4{};
    v = in.point ? w.point[s.shape.v] : Float4{};
  } else {
    u = interpolate(in.coordinate, 0, in.triangle, w);
    v = interpolate(in.coordinate, 1, in.triangle, w);
  }
  if (s.shape.flipV) v = 1.0f - v;
  Float4 texel[4];
  textures.sampleQuad(s.shapeSampler, u, v, s.crossLane ? 0xFu : lanes, texel);
  for (unsigned c = 0; c < 4; ++c) out[c] = out[c] * texel[c];
}

}  // namespace mtl::exec
