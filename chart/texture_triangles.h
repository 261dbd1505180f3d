// How a batch of textured sky triangles is drawn: its texture, blending,
// colour and whether each vertex carries its own grey level.
#pragma once

#include <cstdint>

#include "chart/image_files.h"
#include "chart/mesh.h"

// Style flags.
inline constexpr std::uint32_t kTextureAdditive = 2;       // GL_ONE, GL_ONE
inline constexpr std::uint32_t kTextureAlphaBlend = 4;     // source alpha over
inline constexpr std::uint32_t kTextureVertexColors = 8;   // grey levels x colour
inline constexpr std::uint32_t kTextureColorFiltered = 16; // a colour filter is on

struct TextureStyle {
  std::uint32_t flags = 0;
  float red = 1, green = 1, blue = 1;
  TextureData texture;
};
