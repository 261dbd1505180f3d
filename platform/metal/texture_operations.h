// What the GPU does to texture storage outside of drawing: copies, clears,
// box-filtered mipmaps and multisample resolves. They run on the GPU
// timeline; callers have validated their arguments.
#pragma once

#include <cstdint>

#include "platform/metal/texture.h"

namespace mtl {

void copyTexels(const Texture& source, NSUInteger sourceSlice, NSUInteger sourceLevel,
                Origin sourceOrigin, Size size, Texture& destination,
                NSUInteger destinationSlice, NSUInteger destinationLevel,
                Origin destinationOrigin);

// Copies between a texture region and linear memory with the given row
// stride; `toTexture` picks the direction.
void copyLinear(Texture& texture, NSUInteger slice, NSUInteger level, const Region& region,
                std::uint8_t* memory, NSUInteger bytesPerRow, bool toTexture);

// Sets every sample of a level to the colour, depth or stencil value.
void clearColor(Texture& texture, NSUInteger slice, NSUInteger level, const ClearColor& color);
void clearDepth(Texture& texture, NSUInteger slice, NSUInteger level, double depth);
void clearStencil(Texture& texture, NSUInteger slice, NSUInteger level, std::uint32_t stencil);

// Fills levels 1 and up of every slice, each texel the mean of the 2 x 2
// texels (fewer at an odd edge) of the level above it.
void generateMipmaps(Texture& texture);

// Writes the mean of each texel's samples (sample 0 for integer, depth and
// stencil formats) into a single-sample texture of the same format.
void resolveSamples(const Texture& source, NSUInteger sourceSlice, NSUInteger sourceLevel,
                    Texture& destination, NSUInteger destinationSlice,
                    NSUInteger destinationLevel);

}  // namespace mtl
