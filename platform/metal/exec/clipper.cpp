#include "platform/metal/exec/clipper.h"

#include <algorithm>
#include <cstring>

namespace mtl::exec {

void RecordArena::reset() {
  block_ = 0;
  used_ = 0;
}

std::uint32_t* RecordArena::allocate(std::uint32_t words) {
  while (block_ < blocks_.size() && used_ + words > sizes_[block_]) {
    ++block_;
    used_ = 0;
  }
  if (block_ >= blocks_.size()) {
    const std::size_t size = std::max<std::size_t>(kBlockWords, words);
    blocks_.push_back(std::make_unique<std::uint32_t[]>(size));
    sizes_.push_back(size);
    used_ = 0;
  }
  std::uint32_t* record = blocks_[block_].get() + used_;
  used_ += words;
  return record;
}

namespace {

float positionOf(const std::uint32_t* record, unsigned k) {
  float v;
  std::memcpy(&v, record + k, 4);
  return v;
}

double distance(const ClipPlane& p, const std::uint32_t* record) {
  return p.a * positionOf(record, 0) + p.b * positionOf(record, 1) +
         p.c * positionOf(record, 2) + p.d * positionOf(record, 3);
}

// The record at t between `inside` and `outside`, every word interpolated
// as a float (integer varyings are flat and never read from new vertices).
// The position is then put on the plane exactly: with huge coordinates the
// interpolation alone would lose the plane to cancellation.
const std::uint32_t* intersect(const ClipPlane& plane, const std::uint32_t* inside, double dIn,
                               const std::uint32_t* outside, double dOut, std::uint32_t words,
                               RecordArena& arena) {
  const double t = dIn / (dIn - dOut);
  std::uint32_t* r = arena.allocate(words);
  double position[4];
  for (std::uint32_t k = 0; k < words; ++k) {
    float a, b;
    std::memcpy(&a, inside + k, 4);
    std::memcpy(&b, outside + k, 4);
    const double v = a + t * (static_cast<double>(b) - a);
    if (k < 4) position[k] = v;
    const float f = static_cast<float>(v);
    std::memcpy(r + k, &f, 4);
  }
  const double coefficient[3] = {plane.a, plane.b, plane.c};
  for (unsigned axis = 0; axis < 3; ++axis) {
    if (coefficient[axis] == 0) continue;
    double rest = plane.d * position[3];
    for (unsigned other = 0; other < 3; ++other) {
      if (other != axis) rest += coefficient[other] * position[other];
    }
    const float onPlane = static_cast<float>(-rest / coefficient[axis]);
    std::memcpy(r + axis, &onPlane, 4);
    break;
  }
  return r;
}

}  // namespace

unsigned outcode(const ClipPlanes& planes, const std::uint32_t* record) {
  unsigned code = 0;
  for (unsigned k = 0; k < planes.count; ++k) {
    if (!(distance(planes.planes[k], record) >= 0)) code |= 1u << k;
  }
  return code;
}

void clipPolygon(const ClipPlanes& planes, unsigned mask, const std::uint32_t* const* in,
                 unsigned count, std::uint32_t words, RecordArena& arena,
                 std::vector<const std::uint32_t*>& out) {
  constexpr unsigned kMax = 16;
  const std::uint32_t* bufferA[kMax];
  const std::uint32_t* bufferB[kMax];
  const std::uint32_t** current = bufferA;
  const std::uint32_t** next = bufferB;
  unsigned n = 0;
  for (unsigned k = 0; k < count && k < kMax; ++k) current[n++] = in[k];
  for (unsigned k = 0; k < planes.count && n > 0; ++k) {
    if (!(mask & (1u << k))) continue;
    const ClipPlane& plane = planes.planes[k];
    unsigned m = 0;
    for (unsigned v = 0; v < n; ++v) {
      const std::uint32_t* a = current[v];
      const std::uint32_t* b = current[(v + 1) % n];
      const double da = distance(plane, a), db = distance(plane, b);
      const bool aIn = da >= 0, bIn = db >= 0;
      if (aIn && m < kMax) next[m++] = a;
      if (aIn != bIn && m < kMax) {
        next[m++] = aIn ? intersect(plane, a, da, b, db, words, arena)
                         : intersect(plane, b, db, a, da, words, arena);
      }
    }
    std::swap(current, next);
    n = m;
  }
  out.assign(current, current + n);
}

bool clipSegment(const ClipPlanes& planes, unsigned mask, const std::uint32_t*& a,
                 const std::uint32_t*& b, std::uint32_t words, RecordArena& arena) {
  for (unsigned k = 0; k < planes.count; ++k) {
    if (!(mask & (1u << k))) continue;
    const ClipPlane& plane = planes.planes[k];
    const double da = distance(plane, a), db = distance(plane, b);
    const bool aIn = da >= 0, bIn = db >= 0;
    if (!aIn && !bIn) return false;
    if (!aIn) a = intersect(plane, b, db, a, da, words, arena);
    if (!bIn) b = intersect(plane, a, da, b, db, words, arena);
  }
  return true;
}

}  // namespace mtl::exec
