// Which pixels and samples a primitive covers, a 4 x 4 block at a time.
//
// Triangles: a sample is covered when it lies inside all three edges,
// a sample exactly on an edge only when that edge is a top edge
// (horizontal, with the triangle below it) or a left edge (y down). Edge
// functions are exact in 64-bit integers over 1/256-pixel coordinates, so
// two triangles sharing an edge cover each of its samples exactly once.
//
// Lines are one pixel wide by the diamond-exit rule of the OpenGL ES 3.0
// specification (3.5.1): a fragment for each pixel whose diamond
// |x - xf| + |y - yf| < 1/2 the segment meets, except the one holding the
// end point; ties fall as the rule's perturbation of the end points by
// (-e, e^2) in y-down coordinates (GL's (-e, -e^2) seen upside down).
// A line covers every sample of its pixels.
//
// Points are squares of their size centred on the vertex: a sample is
// covered when left <= x < right and top <= y < bottom.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/metal/exec/lane_machine.h"
#include "platform/metal/exec/setup.h"

namespace mtl::exec {

// Sample positions within a pixel, in 1/256 from its top-left corner.
struct SamplePattern {
  unsigned count = 1;
  std::int32_t x[4] = {128}, y[4] = {128};
};
// Metal's standard positions for 1, 2 and 4 samples.
SamplePattern samplePattern(unsigned sampleCount);

// Edge k lies opposite vertex k: E_k(p) = a p.x + b p.y + c in fixed point,
// positive inside; covered when E_k + tie_k > 0 for every k.
struct TriangleEdges {
  std::int64_t a[3], b[3], c[3];
  std::int64_t tie[3];
  // E_k + tie_k over the pixel centres of a block, less E_k at its first
  // centre: the most and the least.
  std::int64_t most[3], least[3];
  // A small triangle's edge functions fit 32 bits near it: then in four
  // lanes at once, the same values.
  bool narrow = false;
  std::int64_t lane[3][kLanes];  // E_k(lane's centre) - E_k(block's first centre); wide only
  std::int32_t lane32[3][kLanes];  // the same; narrow only
};
void triangleEdges(const Primitive& triangle, TriangleEdges& edges);

struct BlockCoverage {
  LaneMask lanes = 0;               // pixels with a covered sample
  std::uint8_t samples[kLanes] = {};  // covered samples of each pixel
};

// The block whose top-left pixel is (bx, by); only pixels inside `clip`
// count.
void coverTriangleBlock(const TriangleEdges& edges, const SamplePattern& pattern, std::int32_t bx,
                        std::int32_t by, const PixelRect& clip, BlockCoverage& coverage);
// coverTriangleBlock()'s lanes for one sample at each pixel's centre.
LaneMask coverTriangleCentres(const TriangleEdges& edges, std::int32_t bx, std::int32_t by, const PixelRect& clip);
void coverPointBlock(const Primitive& point, const SamplePattern& pattern, std::int32_t bx,
                     std::int32_t by, const PixelRect& clip, BlockCoverage& coverage);

struct Fragment {
  std::int32_t x, y;
};
// The line's fragments inside `clip`, in order along the line (so those
// of one 4 x 4 block follow each other).
void lineFragments(const Primitive& line, const PixelRect& clip, std::vector<Fragment>& out);

}  // namespace mtl::exec
