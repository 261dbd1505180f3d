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

// What a quad's lanes interpolate from.
struct QuadWeights {
  Float4 linear1, linear2;            // window-space weights of vertices 1 and 2
  Float4 perspective1, perspective2;  // perspective-correct weights
  Float4 point[2];                    // a point's [[point_coord]]
};

// Whether the state's quads take the route in a pass with `sampleCount`
// samples per pixel (decided once per state).
bool takesShapeRoute(const StateContext& state, unsigned sampleCount);

// The shape's colour in the quad's lanes (channel c in out[c]). `lanes`:
// the covered pixels, whose values matter (with the helpers too where
// sampling reads across the quad).
void shapeQuadColor(const StateContext& state, const Primitive& primitive, const QuadWeights& weights,
                    unsigned lanes, StageTextures& textures, Float4 out[4]);

}  // namespace mtl::exec
