#include "platform/metal/exec/rasterizer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/metal/exec/fast_paths.h"
#include "platform/metal/exec/simd.h"

namespace mtl::exec {
namespace {

constexpr std::int64_t kHalf = kSubpixels / 2;  // half a pixel in fixed point

std::int64_t centreOf(std::int64_t pixel) { return pixel * kSubpixels + kHalf; }

// Floor and ceiling of n / d for d > 0.
std::int64_t floorDiv(std::int64_t n, std::int64_t d) {
  std::int64_t q = n / d;
  if ((n % d != 0) && (n < 0)) --q;
  return q;
}
std::int64_t ceilDiv(std::int64_t n, std::int64_t d) { return -floorDiv(-n, d); }

// Whether the end point p, perturbed by (-e, e^2), lies in the open diamond
// of the pixel centred at (cx, cy).
bool inDiamond(std::int64_t px, std::int64_t py, std::int64_t cx, std::int64_t cy) {
  const std::int64_t u = px - cx, v = py - cy;
  const std::int64_t d = std::llabs(u) + std::llabs(v);
  return d < kHalf || (d == kHalf && u > 0);
}

// The pixel whose diamond holds the perturbed point, if any.
bool diamondOf(std::int64_t px, std::int64_t py, std::int64_t& X, std::int64_t& Y) {
  const std::int64_t x0 = floorDiv(px - kHalf, kSubpixels), y0 = floorDiv(py - kHalf, kSubpixels);
  for (std::int64_t y = y0; y <= y0 + 1; ++y) {
    for (std::int64_t x = x0; x <= x0 + 1; ++x) {
      if (inDiamond(px, py, centreOf(x), centreOf(y))) {
        X = x;
        Y = y;
        return true;
      }
    }
  }
  return false;
}

bool inside(const PixelRect& r, std::int64_t x, std::int64_t y) {
  return x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1;
}

}  // namespace

SamplePattern samplePattern(unsigned sampleCount) {
  SamplePattern p;
  if (sampleCount == 2) {
    p.count = 2;
    const std::int32_t x[] = {192, 64}, y[] = {192, 64};
    std::copy(x, x + 2, p.x);
    std::copy(y, y + 2, p.y);
  } else if (sampleCount == 4) {
    p.count = 4;
    const std::int32_t x[] = {96, 224, 32, 160}, y[] = {32, 96, 160, 224};
    std::copy(x, x + 4, p.x);
    std::copy(y, y + 4, p.y);
  }
  return p;
}

void triangleEdges(const Primitive& t, TriangleEdges& e) {
  // Within 4 pixels of a triangle at most 96 pixels across, |E| stays
  // below 2 x (96 x 256) x (100 x 256) < 2^31.
  constexpr std::int64_t kNarrowExtent = 96 * kSubpixels;
  const auto [x0, x1] = std::minmax({t.x[0], t.x[1], t.x[2]});
  const auto [y0, y1] = std::minmax({t.y[0], t.y[1], t.y[2]});
  e.narrow = fastPathsEnabled() && std::int64_t{x1} - x0 <= kNarrowExtent && std::int64_t{y1} - y0 <= kNarrowExtent;
  constexpr std::int64_t kBlockSpan = 3 * kSubpixels;  // first centre to last
  for (unsigned k = 0; k < 3; ++k) {
    const unsigned i = (k + 1) % 3, j = (k + 2) % 3;  // the edge from vertex i to vertex j
    const std::int64_t dx = t.x[j] - t.x[i], dy = t.y[j] - t.y[i];
    e.a[k] = -dy;
    e.b[k] = dx;
    e.c[k] = dy * t.x[i] - dx * t.y[i];
    const bool top = dy == 0 && dx > 0, left = dy < 0;
    e.tie[k] = top || left ? 1 : 0;
    const std::int64_t ax = e.a[k] * kBlockSpan, by = e.b[k] * kBlockSpan;
    e.most[k] = std::max<std::int64_t>(ax, 0) + std::max<std::int64_t>(by, 0) + e.tie[k];
    e.least[k] = std::min<std::int64_t>(ax, 0) + std::min<std::int64_t>(by, 0) + e.tie[k];
    const std::int64_t stepX = e.a[k] * kSubpixels, stepY = e.b[k] * kSubpixels;
    if (e.narrow) {
      // Lanes 4q.. 4q + 3 are (0,0), (1,0), (0,1), (1,1) of quad q.
      const std::int32_t x = static_cast<std::int32_t>(stepX), y = static_cast<std::int32_t>(stepY);
      const Int4 quad = {0, x, y, x + y};
      for (unsigned q = 0; q < kLanes / 4; ++q) {
        const Int4 lanes = quad + static_cast<std::int32_t>(2 * (q & 1) * x + 2 * (q >> 1) * y);
        std::memcpy(e.lane32[k] + 4 * q, &lanes, sizeof lanes);
      }
      continue;
    }
    for (unsigned lane = 0; lane < kLanes; ++lane) {
      e.lane[k][lane] = stepX * pixelXOfLane(lane) + stepY * pixelYOfLane(lane);
    }
  }
}

// The pixels of the block inside the rectangle.
// Byte k of kSpread[n] is bit k of n: four lanes' flags as their bytes.
constexpr std::uint32_t kSpread[16] = {
    0x00000000, 0x00000001, 0x00000100, 0x00000101, 0x00010000, 0x00010001, 0x00010100, 0x00010101,
    0x01000000, 0x01000001, 0x01000100, 0x01000101, 0x01010000, 0x01010001, 0x01010100, 0x01010101};

// Sets bit s of the sample byte of each lane in `lanes` (four lanes' bytes
// a word).
void addSampleLanes(LaneMask lanes, unsigned s, std::uint32_t (&words)[kLanes / 4]) {
  for (unsigned g = 0; g < kLanes / 4; ++g) words[g] |= kSpread[(lanes >> (4 * g)) & 0xFu] << s;
}

// The lanes of the block whose sample s lies inside the triangle: E + tie
// > 0 on every edge, that is E + tie - 1 >= 0, so the three values or-ed
// together keep their sign bit clear. A narrow triangle's block in 32 bits
// four lanes at a time, the same values.
LaneMask coveredLanes(const TriangleEdges& e, const std::int64_t base[3]) {
  LaneMask m = 0;
  if (e.narrow) {
    const std::int32_t b0 = static_cast<std::int32_t>(base[0]), b1 = static_cast<std::int32_t>(base[1]);
    const std::int32_t b2 = static_cast<std::int32_t>(base[2]);
    for (unsigned first = 0; first < kLanes; first += 4) {
      Int4 l0, l1, l2;
      std::memcpy(&l0, e.lane32[0] + first, sizeof l0);
      std::memcpy(&l1, e.lane32[1] + first, sizeof l1);
      std::memcpy(&l2, e.lane32[2] + first, sizeof l2);
      m |= laneMask(((b0 + l0) | (b1 + l1) | (b2 + l2)) >= 0) << first;
    }
    return m;
  }
  for (unsigned lane = 0; lane < kLanes; ++lane) {
    const std::int64_t v = (base[0] + e.lane[0][lane]) | (base[1] + e.lane[1][lane]) | (base[2] + e.lane[2][lane]);
    m |= (v >= 0 ? 1u : 0u) << lane;
  }
  return m;
}

// The lanes of the block's columns (bit c: column c), and of its rows.
struct BlockLanes {
  LaneMask columns[16] = {}, rows[16] = {};
  constexpr BlockLanes() {
    for (unsigned set = 0; set < 16; ++set) {
      for (unsigned lane = 0; lane < kLanes; ++lane) {
        if (set & (1u << pixelXOfLane(lane))) columns[set] |= 1u << lane;
        if (set & (1u << pixelYOfLane(lane))) rows[set] |= 1u << lane;
      }
    }
  }
};
constexpr BlockLanes kBlockLanes;

// Bits of the block's four columns (or rows) from `start` inside [low, high).
unsigned insideOf(std::int32_t start, std::int32_t low, std::int32_t high) {
  const std::int64_t first = std::clamp<std::int64_t>(std::int64_t{low} - start, 0, 4);
  const std::int64_t last = std::clamp<std::int64_t>(std::int64_t{high} - start, 0, 4);
  return ((1u << last) - 1) & ~((1u << first) - 1);
}

LaneMask clipLanes(const PixelRect& clip, std::int32_t bx, std::int32_t by) {
  return kBlockLanes.columns[insideOf(bx, clip.x0, clip.x1)] & kBlockLanes.rows[insideOf(by, clip.y0, clip.y1)];
}

void coverTriangleBlock(const TriangleEdges& e, const SamplePattern& pattern, std::int32_t bx,
                        std::int32_t by, const PixelRect& clip, BlockCoverage& coverage) {
  coverage.lanes = 0;
  // The samples' extent within the block, relative to its first centre.
  std::int32_t minX = pattern.x[0], maxX = pattern.x[0], minY = pattern.y[0], maxY = pattern.y[0];
  for (unsigned s = 1; s < pattern.count; ++s) {
    minX = std::min(minX, pattern.x[s]);
    maxX = std::max(maxX, pattern.x[s]);
    minY = std::min(minY, pattern.y[s]);
    maxY = std::max(maxY, pattern.y[s]);
  }
  const std::int64_t x0 = minX - kHalf, x1 = 3 * kSubpixels + maxX - kHalf;
  const std::int64_t y0 = minY - kHalf, y1 = 3 * kSubpixels + maxY - kHalf;
  const std::int64_t px = centreOf(bx), py = centreOf(by);
  std::int64_t origin[3];
  bool full = true;
  for (unsigned k = 0; k < 3; ++k) {
    origin[k] = e.a[k] * px + e.b[k] * py + e.c[k];
    const std::int64_t ax0 = e.a[k] * x0, ax1 = e.a[k] * x1, by0 = e.b[k] * y0, by1 = e.b[k] * y1;
    const std::int64_t most = origin[k] + std::max(ax0, ax1) + std::max(by0, by1) + e.tie[k];
    const std::int64_t least = origin[k] + std::min(ax0, ax1) + std::min(by0, by1) + e.tie[k];
    if (most <= 0) return;  // no sample of the block is inside this edge
    full = full && least > 0;
  }
  const LaneMask clipMask = clipLanes(clip, bx, by);
  if (full) {
    const std::uint8_t all = static_cast<std::uint8_t>((1u << pattern.count) - 1);
    for (unsigned lane = 0; lane < kLanes; ++lane) {
      coverage.samples[lane] = (clipMask >> lane) & 1u ? all : 0;
    }
    coverage.lanes = clipMask;
    return;
  }
  // Each sample's lanes, as bytes of the lanes inside the clip.
  std::uint32_t words[kLanes / 4] = {};
  LaneMask any = 0;
  for (unsigned s = 0; s < pattern.count; ++s) {
    std::int64_t base[3];
    for (unsigned k = 0; k < 3; ++k) {
      base[k] = origin[k] + e.a[k] * (pattern.x[s] - kHalf) + e.b[k] * (pattern.y[s] - kHalf) + e.tie[k] - 1;
    }
    const LaneMask m = coveredLanes(e, base) & clipMask;
    any |= m;
    addSampleLanes(m, s, words);
  }
  std::memcpy(coverage.samples, words, sizeof words);
  coverage.lanes = any;
}

LaneMask coverTriangleCentres(const TriangleEdges& e, std::int32_t bx, std::int32_t by, const PixelRect& clip) {
  const std::int64_t px = centreOf(bx), py = centreOf(by);
  std::int64_t base[3];
  bool full = true;
  for (unsigned k = 0; k < 3; ++k) {
    const std::int64_t origin = e.a[k] * px + e.b[k] * py + e.c[k];
    if (origin + e.most[k] <= 0) return 0;  // no centre of the block is inside this edge
    full = full && origin + e.least[k] > 0;
    base[k] = origin + e.tie[k] - 1;
  }
  const LaneMask clipMask = clipLanes(clip, bx, by);
  return full ? clipMask : coveredLanes(e, base) & clipMask;
}

void coverPointBlock(const Primitive& p, const SamplePattern& pattern, std::int32_t bx,
                     std::int32_t by, const PixelRect& clip, BlockCoverage& coverage) {
  const double half = p.pointSize * (kSubpixels / 2.0);
  const double left = p.x[0] - half, right = p.x[0] + half;
  const double top = p.y[0] - half, bottom = p.y[0] + half;
  // A square: a sample is inside where its column's and its row's are.
  const LaneMask clipMask = clipLanes(clip, bx, by);
  std::uint32_t words[kLanes / 4] = {};
  LaneMask any = 0;
  for (unsigned s = 0; s < pattern.count; ++s) {
    unsigned columns = 0, rows = 0;
    for (unsigned k = 0; k < 4; ++k) {
      const double sx = static_cast<double>((std::int64_t{bx} + k) * kSubpixels + pattern.x[s]);
      const double sy = static_cast<double>((std::int64_t{by} + k) * kSubpixels + pattern.y[s]);
      columns |= (left <= sx && sx < right ? 1u : 0u) << k;
      rows |= (top <= sy && sy < bottom ? 1u : 0u) << k;
    }
    const LaneMask m = kBlockLanes.columns[columns] & kBlockLanes.rows[rows] & clipMask;
    any |= m;
    addSampleLanes(m, s, words);
  }
  std::memcpy(coverage.samples, words, sizeof words);
  coverage.lanes = any;
}

void lineFragments(const Primitive& line, const PixelRect& clip, std::vector<Fragment>& out) {
  out.clear();
  const std::int64_t xa = line.x[0], ya = line.y[0], xb = line.x[1], yb = line.y[1];
  const std::int64_t dx = xb - xa, dy = yb - ya;
  std::int64_t endX = 0, endY = 0;
  const bool endInDiamond = diamondOf(xb, yb, endX, endY);
  std::int64_t startX = 0, startY = 0;
  const bool startInDiamond = diamondOf(xa, ya, startX, startY);
  auto emit = [&](std::int64_t X, std::int64_t Y) {
    if (endInDiamond && X == endX && Y == endY) return;
    if (!inside(clip, X, Y)) return;
    out.push_back({static_cast<std::int32_t>(X), static_cast<std::int32_t>(Y)});
  };
  if (std::llabs(dx) >= std::llabs(dy)) {
    // x-major: columns whose centre the segment crosses, walked from a to b.
    const std::int64_t sign = dx > 0 ? 1 : -1;
    const std::int64_t adx = dx * sign;
    const bool falling = dx * dy < 0;  // slope below zero
    // dx > 0: xa <= xf < xb; dx < 0: xb <= xf < xa.
    const std::int64_t lo = dx > 0 ? xa : xb, hi = dx > 0 ? xb : xa;
    std::int64_t first = ceilDiv(lo - kHalf, kSubpixels), last = ceilDiv(hi - kHalf, kSubpixels) - 1;
    first = std::max<std::int64_t>(first, clip.x0);
    last = std::min<std::int64_t>(last, clip.x1 - 1);
    const bool startBefore = startInDiamond && (dx > 0 ? centreOf(startX) < xa : centreOf(startX) >= xa);
    if (startBefore) emit(startX, startY);  // it comes first along the line
    auto column = [&](std::int64_t X) {
      const std::int64_t xf = centreOf(X);
      // y at xf, times |dx|: ya |dx| + dy sign (xf - xa).
      const std::int64_t t = ya * adx + dy * sign * (xf - xa);
      const std::int64_t span = std::int64_t{kSubpixels} * adx;
      std::int64_t Y = floorDiv(t, span);
      if (t % span == 0 && falling) --Y;  // on a row boundary
      emit(X, Y);
    };
    if (dx > 0) {
      for (std::int64_t X = first; X <= last; ++X) column(X);
    } else {
      for (std::int64_t X = last; X >= first; --X) column(X);
    }
  } else {
    // y-major: rows whose centre the segment crosses, walked from a to b.
    const std::int64_t sign = dy > 0 ? 1 : -1;
    const std::int64_t ady = dy * sign;
    // dy > 0: ya < yf <= yb; dy < 0: yb < yf <= ya.
    const std::int64_t lo = dy > 0 ? ya : yb, hi = dy > 0 ? yb : ya;
    std::int64_t first = floorDiv(lo - kHalf, kSubpixels) + 1, last = floorDiv(hi - kHalf, kSubpixels);
    first = std::max<std::int64_t>(first, clip.y0);
    last = std::min<std::int64_t>(last, clip.y1 - 1);
    const bool startBefore = startInDiamond && (dy > 0 ? centreOf(startY) <= ya : centreOf(startY) > ya);
    if (startBefore) emit(startX, startY);
    auto row = [&](std::int64_t Y) {
      const std::int64_t yf = centreOf(Y);
      const std::int64_t t = xa * ady + dx * sign * (yf - ya);
      const std::int64_t X = ceilDiv(t, std::int64_t{kSubpixels} * ady) - 1;
      emit(X, Y);
    };
    if (dy > 0) {
      for (std::int64_t Y = first; Y <= last; ++Y) row(Y);
    } else {
      for (std::int64_t Y = last; Y >= first; --Y) row(Y);
    }
  }
}

}  // namespace mtl::exec
