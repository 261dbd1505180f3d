// JPEG files of the pages' pictures, through libjpeg: baseline, 4:2:0,
// sRGB, the image composited over black (a page picture has no
// transparency to keep).
#pragma once

#include <string>

#include "platform/coregraphics/image.h"

namespace page_pictures {

// Quality 1 to 100 (clamped); an empty string when libjpeg refuses.
std::string encodeJPEG(const cg::Image& image, int quality);

// Writes the file atomically (temporary file, then rename); false with a
// message naming the path when it cannot be encoded or written.
bool writeJPEG(const cg::Image& image, const std::string& path, int quality, std::string* message);

}  // namespace page_pictures
