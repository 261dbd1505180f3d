#include "tools/page_pictures/jpeg_writer.h"

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/foundation/file_io.h"

namespace page_pictures {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not
// return: it jumps back to the encoder with the state of this call.
struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf back;
};

[[noreturn]] void jumpBack(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->back, 1);
}

void ignoreMessage(j_common_ptr) {}

// One row as R, G, B over black: premultiplied colours are those already.
void rowToRGB(const std::uint32_t* argb, std::size_t width, unsigned char* rgb) {
  for (std::size_t x = 0; x < width; ++x) {
    const cg::Pixel p = cg::unpackARGB(argb[x]);
    rgb[3 * x] = p.r;
    rgb[3 * x + 1] = p.g;
    rgb[3 * x + 2] = p.b;
  }
}

// The steps that may jump back, in a function of their own: no object
// with a destructor lives in this frame across the jump.
bool compress(jpeg_compress_struct& info, ErrorManager& errors, const cg::Image& image, int quality,
              unsigned char** buffer, unsigned long* size, unsigned char* row) {
  if (setjmp(errors.back) != 0) return false;
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, buffer, size);
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    rowToRGB(image.row(info.next_scanline), image.width(), row);
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  return true;
}

}  // namespace

std::string encodeJPEG(const cg::Image& image, int quality) {
  if (image.width() == 0 || image.height() == 0 || image.width() > JPEG_MAX_DIMENSION ||
      image.height() > JPEG_MAX_DIMENSION)
    return {};
  jpeg_compress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = jumpBack;
  errors.manager.output_message = ignoreMessage;
  std::vector<unsigned char> row(image.width() * 3);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool done = compress(info, errors, image, std::clamp(quality, 1, 100), &buffer, &size, row.data());
  jpeg_destroy_compress(&info);
  std::string bytes;
  if (done && buffer != nullptr) bytes.assign(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return bytes;
}

bool writeJPEG(const cg::Image& image, const std::string& path, int quality, std::string* message) {
  const std::string bytes = encodeJPEG(image, quality);
  const char* failure = bytes.empty() ? "cannot encode the picture"
                        : !ns::writeFileAtomically(path, bytes) ? "cannot write the file"
                                                                : nullptr;
  if (failure != nullptr && message != nullptr) *message = path + ": " + failure;
  return failure == nullptr;
}

}  // namespace page_pictures
