// The colour of a star from its B-V colour index, as the star layer and
// everything drawn like a star (planet points, quasars) show it.
#pragma once

#include <cstdint>

// RGB bytes of a star of colour index `colorIndex` at saturation 0..255:
// blue-white for negative indices through white at 0 to orange and red
// at 2.5 and above; white for saturation 0 or an infinite index.
void colorIndexToRGB(std::uint8_t saturation, std::uint8_t rgb[3], float colorIndex);
