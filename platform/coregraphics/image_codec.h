// PNG and JPEG images to and from bytes and files.
//
// The format is told by the content, never by the file name. PNG images of
// every colour type and depth (palette, grey, RGB, with or without alpha or
// a transparent colour, 1 to 16 bits, interlaced) and baseline, progressive,
// grey and CMYK JPEG images are read; 16-bit samples keep their high byte.
// Damaged input gives a null image and a short reason ("not a PNG or JPEG
// image", "truncated image data", "image too large", "damaged image data:
// ..."); sizes are checked against kMaximumImageSide and kMaximumImageBytes
// before any pixel memory is allocated. Any thread may decode at any time:
// the decoders keep their error state per call.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/coregraphics/image.h"

namespace cg {

std::shared_ptr<Image> decodeImage(std::string_view bytes, std::string* message = nullptr);

// As decodeImage; the message names the file ("<path>: <reason>").
std::shared_ptr<Image> imageFromFile(const std::string& path, std::string* message = nullptr);

// The image as an 8-bit RGBA PNG file's bytes (colours un-premultiplied).
std::string encodePNG(const Image& image);

// Writes the PNG file atomically (temporary file, then rename).
bool writePNG(const Image& image, const std::string& path, std::string* message = nullptr);

}  // namespace cg
