#include "platform/metal/exec/attribute_planes.h"

#include <cstring>

namespace mtl::exec {

void layOutPlanes(StateContext& s) {
  s.planeOffsets.assign(s.fragmentInputs.size(), 0);
  s.planeWords = 0;
  for (std::size_t k = 0; k < s.fragmentInputs.size(); ++k) {
    const FragmentInput& in = *s.fragmentInputs[k];
    if (in.kind != FragmentInputKind::Varying) continue;
    s.planeOffsets[k] = s.planeWords;
    s.planeWords += kPlaneWords * std::min<std::uint32_t>(in.components, 4);
  }
}

void appendPlanes(const StateContext& s, const Primitive& p, std::vector<std::uint32_t>& out) {
  const std::size_t start = out.size();
  out.resize(start + s.planeWords, 0);
  std::uint32_t* planes = out.data() + start;
  for (std::size_t k = 0; k < s.fragmentInputs.size(); ++k) {
    const FragmentInput& in = *s.fragmentInputs[k];
    if (in.kind != FragmentInputKind::Varying) continue;
    std::uint32_t* plane = planes + s.planeOffsets[k];
    for (unsigned c = 0; c < in.components && c < 4; ++c, plane += kPlaneWords) {
      const std::uint32_t word = in.word + c;
      if (in.flat || p.kind == PrimitiveKind::Point) {
        plane[0] = (in.flat ? p.provoking : p.vertex[0])[word];
        continue;
      }
      float a0, v1, v2 = 0;
      std::memcpy(&a0, p.vertex[0] + word, 4);
      std::memcpy(&v1, p.vertex[1] + word, 4);
      if (p.kind == PrimitiveKind::Triangle) std::memcpy(&v2, p.vertex[2] + word, 4);
      const float d1 = v1 - a0, d2 = v2 - a0;
      std::memcpy(plane, &a0, 4);
      std::memcpy(plane + 1, &d1, 4);
      std::memcpy(plane + 2, &d2, 4);
    }
  }
}

}  // namespace mtl::exec
