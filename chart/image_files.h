// Decoded bitmaps: JPEG, PNG, TIFF, GIF and BMP files read into one
// in-memory form, `GImage`, and the upload of such an image as a GL texture.
//
// Every reader looks at the content, not the name, and gives null for a
// file that is not in its format or is damaged; nothing is printed. Images
// are capped (kImageMaxSide per side, kImageMaxBytes of pixels) so that a
// hostile header cannot ask for more memory than a map ever needs.
//
// Thread rules: decoding, scaling and flipping touch only their own file
// and image and may run on several threads at once (the planet-texture
// loader decodes beside the drawing thread). GImageToGLTexture makes GL
// calls and belongs to the thread whose GL context is current.
#pragma once

#include <cstdint>
#include <cstdio>

// Pixels are rows of `rowBytes`, top row first. 16-bit samples are in the
// machine's byte order. A one-component image holds grey levels; its
// palette, a grey ramp unless a reader set it, gives their colours
// (readImageFile hands out palette images already expanded, see there).
struct GImage {
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t bitsPerComponent;  // 8 or 16
  std::uint32_t components;        // 1 grey, 3 RGB, 4 RGBA
  std::uint32_t rowBytes;          // bitsPerComponent * components / 8 * width
  unsigned char* pixels;
  // Red in bits 0-7, green 8-15, blue 16-23; entry i = i * 0x010101 at creation.
  std::uint32_t palette[256];
  double userValue;  // 0 at creation; free for the image's user
  std::uint32_t createdWidth;
  std::uint32_t createdHeight;
};

// A GL texture with its size in pixels (name 0: none).
struct TextureData {
  std::uint32_t name;
  std::uint64_t width;
  std::uint64_t height;
};

// The largest side and the largest pixel buffer an image may have.
inline constexpr std::uint32_t kImageMaxSide = 32768;
inline constexpr std::uint64_t kImageMaxBytes = std::uint64_t{1} << 29;

// A zeroed image; null when the bits are not 8 or 16, the components not 1
// to 4, the size over the caps or memory short.
GImage* createImage(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerComponent,
                    std::uint32_t components);
void freeImage(GImage* image);  // null is ignored

// The fields; 0 for a null image.
std::uint32_t getImageWidth(const GImage* image);
std::uint32_t getImageHeight(const GImage* image);
std::uint32_t getImageBitsPerComponent(const GImage* image);
std::uint32_t getImageComponents(const GImage* image);
std::uint32_t getImageRowBytes(const GImage* image);
// Address of a row; null for a null image or a row outside 0 .. height - 1.
unsigned char* getImageRow(const GImage* image, std::int64_t row);

// Reads the image at the file's position, trying JPEG, PNG, TIFF, GIF and
// BMP in turn (seeking back before each). Palette images come back
// expanded: grey palettes as grey levels, coloured ones as RGB (RGBA where
// a PNG gives transparency), so every one-component result is plain grey.
// Null when no reader understands the file. The caller closes the file.
GImage* readImageFile(std::FILE* file);

// The single readers, each from the file's position. BMP, GIF and low-depth
// files give 8-bit samples; 16-bit PNG and TIFF keep 16.
GImage* readJPEGImage(std::FILE* file);
GImage* readPNGImage(std::FILE* file);
GImage* readTIFFImage(std::FILE* file);
GImage* readGIFImage(std::FILE* file);
GImage* readBMPImage(std::FILE* file);

// Reverses the order of the rows in place.
void flipImageRows(GImage* image);

// A new image of the new size by nearest-neighbour sampling: destination
// (x, y) takes source (x * width / newWidth, y * height / newHeight). The
// source is freed when asked; when the new image cannot be made the source
// comes back instead (or null when it was not to be freed).
GImage* scaleImage(GImage* image, std::uint32_t newWidth, std::uint32_t newHeight, bool freeSource);

// The image as tightly packed 8-bit RGBA, top row first, into `out`
// (width * height * 4 bytes): one component through the palette, 16-bit
// samples by their high byte, alpha 255 where the image has none. False
// for a null image or an unsupported layout.
bool convertImageToRGBA(const GImage* image, unsigned char* out);

// A GL texture (linear filters, edges clamped) holding the image as 8-bit
// RGBA, or 0. On a GL error prints "GImageToGLTexture(): error %d (%s)\n"
// to standard error and deletes the texture.
unsigned GImageToGLTexture(const GImage* image);
