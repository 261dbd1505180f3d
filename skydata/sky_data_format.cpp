#include "skydata/sky_data_format.h"

#include <algorithm>

std::uint32_t childRegionID(std::uint32_t parent, int k) {
  const std::uint64_t id = std::uint64_t{8} * parent + static_cast<std::uint64_t>(k) + 1;
  return id >= kNoRegionID ? kNoRegionID : static_cast<std::uint32_t>(id);
}

void swapByteOrder(void* buffer, std::size_t count, std::size_t size) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  for (std::size_t i = 0; i < count; ++i, bytes += size) std::reverse(bytes, bytes + size);
}
