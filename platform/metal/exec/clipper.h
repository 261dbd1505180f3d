// Clipping in clip space. The clip volume's depth planes (0 <= z <= w) cut
// every primitive; its sides (-w <= x, y <= w) are replaced by a guard band
// far outside the viewport, so that a triangle crossing the viewport's edge
// keeps its own edges (the fragments outside the viewport are dropped
// later, which gives the same pixels without new vertices). The guard band
// keeps window coordinates within +-2^15 pixels, where 1/256-pixel fixed
// point and exact 64-bit edge functions are safe.
//
// A new vertex is always interpolated from the edge's inside end towards
// its outside end, so two triangles sharing an edge get the same bits for
// it and no crack opens.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace mtl::exec {

// Window coordinates stay within this many pixels of the origin.
constexpr double kGuardBandPixels = 32768.0;

// Storage for vertex records made by clipping. Blocks never move, so a
// pointer into the arena stays valid until reset().
class RecordArena {
 public:
  void reset();
  // Room for one record of `words` words.
  std::uint32_t* allocate(std::uint32_t words);

 private:
  static constexpr std::size_t kBlockWords = 1 << 14;
  std::vector<std::unique_ptr<std::uint32_t[]>> blocks_;
  std::vector<std::size_t> sizes_;
  std::size_t block_ = 0, used_ = 0;
};

// Plane a*x + b*y + c*z + d*w >= 0 in clip space.
struct ClipPlane {
  double a = 0, b = 0, c = 0, d = 0;
};

// The depth planes and the guard band of a viewport transform.
struct ClipPlanes {
  ClipPlane planes[6];
  unsigned count = 0;
};

// Bit k set when the vertex record's position lies outside plane k.
unsigned outcode(const ClipPlanes& planes, const std::uint32_t* record);

// Clips the polygon (vertex records, position in words 0..3) against
// every plane whose bit is set in `planes` mask; new records come from
// `arena`. `out` receives the clipped polygon (empty when nothing stays).
void clipPolygon(const ClipPlanes& planes, unsigned mask, const std::uint32_t* const* in,
                 unsigned count, std::uint32_t words, RecordArena& arena,
                 std::vector<const std::uint32_t*>& out);

// Clips the segment from `a` to `b` likewise; false when nothing stays.
bool clipSegment(const ClipPlanes& planes, unsigned mask, const std::uint32_t*& a,
                 const std::uint32_t*& b, std::uint32_t words, RecordArena& arena);

}  // namespace mtl::exec
