// PVRTC data as the texture code meets it: which GL formats are PVRTC, how
// many bytes an image takes, and the vertical flip that stores it upside
// down like every other image (decode, swap rows, encode again).
#pragma once

#include <cstdint>

#include "gles/context/gl_types.h"

bool mglIsPVRTCFormat(GLenum format);

// Bytes of a width x height image: 2-bpp images count at least 16 x 8
// pixels, 4-bpp ones at least 8 x 8. Another format records
// GL_INVALID_ENUM and answers 0; so do negative sizes (GL_INVALID_VALUE).
std::int64_t mglPVRTCDataSize(GLsizei width, GLsizei height, GLenum format);

// Flips `data` (mglPVRTCDataSize bytes) in place. Lossy: the image is
// re-encoded by this layer's encoder. Only square 4-bpp images with a
// power-of-two side can be flipped; anything else records
// GL_INVALID_OPERATION (GL_INVALID_ENUM for a format that is not PVRTC) and
// leaves the data as it was.
void mglFlipPVRTCVertically(void* data, GLsizei width, GLsizei height, GLenum format);
