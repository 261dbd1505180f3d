#include "platform/metal/texel_fill.h"

#include <algorithm>
#include <cstring>

namespace mtl {

void fillWithTexel(std::uint8_t* out, std::size_t length, const std::uint8_t* texel, std::size_t size) {
  bool uniform = true;
  for (std::size_t k = 1; k < size; ++k) uniform = uniform && texel[k] == texel[0];
  if (uniform) {
    std::memset(out, texel[0], length);
    return;
  }
  std::size_t done = std::min(size, length);
  std::memcpy(out, texel, done);
  while (done < length) {
    const std::size_t step = std::min(done, length - done);
    std::memcpy(out + done, out, step);
    done += step;
  }
}

}  // namespace mtl
