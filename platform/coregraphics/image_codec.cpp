#include "platform/coregraphics/image_codec.h"

// libjpeg's headers need size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <csetjmp>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>
#include <sys/stat.h>

#include <fstream>
#include <vector>

#include "platform/foundation/file_io.h"

namespace cg {
namespace {

// Compressed files larger than this are refused unread: no image allowed
// above needs more.
constexpr std::size_t kMaximumFileBytes = std::size_t{512} << 20;
// More scans than any real progressive JPEG has; hostile files with
// thousands of tiny scans would otherwise decode for minutes.
constexpr int kMaximumJpegScans = 1000;

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr unsigned char kJpegSignature[3] = {0xff, 0xd8, 0xff};

void setMessage(std::string* message, std::string text) {
  if (message) *message = std::move(text);
}

bool startsWith(std::string_view bytes, const unsigned char* signature, std::size_t length) {
  return bytes.size() >= length && std::memcmp(bytes.data(), signature, length) == 0;
}

// A proper prefix of a signature: the file ended before it could say.
bool isPrefixOf(std::string_view bytes, const unsigned char* signature, std::size_t length) {
  return !bytes.empty() && bytes.size() < length &&
         std::memcmp(bytes.data(), signature, bytes.size()) == 0;
}

// ---- PNG -------------------------------------------------------------------

struct PngJob {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  std::size_t position = 0;
  bool truncated = false;
  bool tooLarge = false;
  std::string error;
  std::vector<std::uint8_t> rgba;
  std::vector<png_bytep> rows;
  png_uint_32 width = 0, height = 0;
  bool gray = false, alpha = false;
};

void pngRead(png_structp png, png_bytep out, png_size_t count) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (count > job->size - job->position) {
    job->truncated = true;
    png_error(png, "truncated");
  }
  std::memcpy(out, job->data + job->position, count);
  job->position += count;
}

void pngError(png_structp png, png_const_charp text) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  if (job->error.empty()) job->error = text ? text : "unknown error";
  png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// Runs libpng over job->data; false with job's flags or error set. Nothing
// with a destructor lives in this frame across setjmp: state is in *job.
bool decodePngInto(PngJob* job) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, pngError, pngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, job, pngRead);
  png_set_user_limits(png, kMaximumImageSide, kMaximumImageSide);
  png_read_info(png, info);

  int bitDepth = 0, colorType = 0;
  png_get_IHDR(png, info, &job->width, &job->height, &bitDepth, &colorType, nullptr, nullptr,
               nullptr);
  if (!imageSizeAllowed(job->width, job->height)) {
    job->tooLarge = true;
    png_error(png, "too large");
  }
  job->gray = !(colorType & PNG_COLOR_MASK_COLOR);
  job->alpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);

  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (job->gray && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (bitDepth == 16) png_set_strip_16(png);
  if (job->gray) png_set_gray_to_rgb(png);
  png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{job->width} * 4) png_error(png, "bad row size");

  job->rgba.resize(std::size_t{job->width} * job->height * 4);
  job->rows.resize(job->height);
  for (png_uint_32 y = 0; y < job->height; ++y)
    job->rows[y] = job->rgba.data() + std::size_t{y} * job->width * 4;
  png_read_image(png, job->rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// The size in the header chunk, read before libpng sees it, so that a
// size beyond the limits is reported as such rather than as bad data.
bool pngHeaderTooLarge(std::string_view bytes) {
  if (bytes.size() < 24 || bytes.substr(12, 4) != "IHDR") return false;
  auto big = [&](std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
  };
  std::uint32_t width = big(16), height = big(20);
  return width != 0 && height != 0 && !imageSizeAllowed(width, height);
}

std::shared_ptr<Image> decodePng(std::string_view bytes, std::string* message) {
  if (pngHeaderTooLarge(bytes)) {
    setMessage(message, "image too large");
    return nullptr;
  }
  auto job = std::make_unique<PngJob>();
  job->data = reinterpret_cast<const unsigned char*>(bytes.data());
  job->size = bytes.size();
  if (!decodePngInto(job.get())) {
    if (job->tooLarge) setMessage(message, "image too large");
    else if (job->truncated) setMessage(message, "truncated image data");
    else setMessage(message, "damaged image data: " + job->error);
    return nullptr;
  }
  std::vector<std::uint32_t> argb(std::size_t{job->width} * job->height);
  const std::uint8_t* p = job->rgba.data();
  for (std::uint32_t& out : argb) {
    unsigned a = p[3];
    out = packARGB(p[3], premultiply(p[0], a), premultiply(p[1], a), premultiply(p[2], a));
    p += 4;
  }
  job->rgba.clear();
  job->rgba.shrink_to_fit();
  return Image::fromARGB(job->width, job->height, std::move(argb),
                         job->gray ? ColorSpace::deviceGray : ColorSpace::deviceRGB,
                         job->alpha ? AlphaInfo::last : AlphaInfo::none);
}

// ---- JPEG ------------------------------------------------------------------

struct JpegJob {
  jpeg_error_mgr errorManager;  // first: libjpeg's callbacks get its address
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  bool truncated = false;
  bool tooLarge = false;
  bool tooManyScans = false;
  char error[JMSG_LENGTH_MAX] = {};
  jpeg_decompress_struct info;
  std::vector<std::uint32_t> argb;
  std::vector<JSAMPLE> line;
  JDIMENSION width = 0, height = 0;
  bool gray = false;
};

[[noreturn]] void jpegErrorExit(j_common_ptr info) {
  auto* job = reinterpret_cast<JpegJob*>(info->err);
  if (!job->error[0]) info->err->format_message(info, job->error);
  std::longjmp(job->jump, 1);
}

void jpegEmitMessage(j_common_ptr info, int level) {
  // Level -1 is a warning about damaged data; of those, only running out
  // of data makes the image unusable (libjpeg pads it with grey).
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
    reinterpret_cast<JpegJob*>(info->err)->truncated = true;
}

void jpegProgress(j_common_ptr info) {
  if (info->is_decompressor) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaximumJpegScans) {
      reinterpret_cast<JpegJob*>(info->err)->tooManyScans = true;
      std::strcpy(reinterpret_cast<JpegJob*>(info->err)->error, "too many scans");
      std::longjmp(reinterpret_cast<JpegJob*>(info->err)->jump, 1);
    }
  }
}

// Nothing with a destructor lives in this frame across setjmp: state is in
// *job.
bool decodeJpegInto(JpegJob* job, const unsigned char* data, std::size_t size) {
  jpeg_decompress_struct& info = job->info;
  info.err = jpeg_std_error(&job->errorManager);
  job->errorManager.error_exit = jpegErrorExit;
  job->errorManager.emit_message = jpegEmitMessage;
  if (setjmp(job->jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = static_cast<long>(kMaximumImageBytes * 2);
  job->progress.progress_monitor = jpegProgress;
  info.progress = &job->progress;
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  if (job->truncated) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  job->width = info.image_width;
  job->height = info.image_height;
  if (!imageSizeAllowed(job->width, job->height)) {
    job->tooLarge = true;
    jpeg_destroy_decompress(&info);
    return false;
  }
  job->gray = info.jpeg_color_space == JCS_GRAYSCALE;
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : (job->gray ? JCS_GRAYSCALE : JCS_RGB);
  jpeg_start_decompress(&info);
  const int channels = info.output_components;
  if (info.output_width != job->width || info.output_height != job->height ||
      (channels != 1 && channels != 3 && channels != 4)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  // Adobe writes CMYK inverted; every CMYK JPEG in practice comes from it.
  const bool inverted = cmyk && info.saw_Adobe_marker;
  job->argb.resize(std::size_t{job->width} * job->height);
  job->line.resize(std::size_t{job->width} * channels);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = job->line.data();
    std::size_t y = info.output_scanline;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
    std::uint32_t* out = job->argb.data() + y * job->width;
    const JSAMPLE* p = job->line.data();
    for (JDIMENSION x = 0; x < job->width; ++x, p += channels) {
      if (channels == 1) {
        out[x] = packARGB(255, p[0], p[0], p[0]);
      } else if (channels == 3) {
        out[x] = packARGB(255, p[0], p[1], p[2]);
      } else {
        unsigned c = p[0], m = p[1], yy = p[2], k = p[3];
        if (!inverted) c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
        out[x] = packARGB(255, static_cast<std::uint8_t>((c * k + 127) / 255),
                          static_cast<std::uint8_t>((m * k + 127) / 255),
                          static_cast<std::uint8_t>((yy * k + 127) / 255));
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return !job->truncated;
}

std::shared_ptr<Image> decodeJpeg(std::string_view bytes, std::string* message) {
  auto job = std::make_unique<JpegJob>();
  if (!decodeJpegInto(job.get(), reinterpret_cast<const unsigned char*>(bytes.data()),
                      bytes.size())) {
    if (job->tooLarge) setMessage(message, "image too large");
    else if (job->truncated) setMessage(message, "truncated image data");
    else setMessage(message, std::string("damaged image data: ") +
                                 (job->error[0] ? job->error : "unreadable"));
    return nullptr;
  }
  return Image::fromARGB(job->width, job->height, std::move(job->argb),
                         job->gray ? ColorSpace::deviceGray : ColorSpace::deviceRGB,
                         AlphaInfo::none);
}

// ---- PNG writing -------------------------------------------------------------

struct PngWriteJob {
  std::string out;
  std::vector<std::uint8_t> rgba;
  std::vector<png_bytep> rows;
  std::string error;
};

void pngWrite(png_structp png, png_bytep data, png_size_t count) {
  static_cast<PngWriteJob*>(png_get_io_ptr(png))->out.append(reinterpret_cast<char*>(data), count);
}
void pngFlush(png_structp) {}
void pngWriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool encodePngInto(PngWriteJob* job, png_uint_32 width, png_uint_32 height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, pngWriteError, pngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, job, pngWrite, pngFlush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, job->rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::shared_ptr<Image> decodeImage(std::string_view bytes, std::string* message) {
  if (startsWith(bytes, kPngSignature, sizeof kPngSignature)) return decodePng(bytes, message);
  if (startsWith(bytes, kJpegSignature, sizeof kJpegSignature)) return decodeJpeg(bytes, message);
  if (isPrefixOf(bytes, kPngSignature, sizeof kPngSignature) ||
      isPrefixOf(bytes, kJpegSignature, sizeof kJpegSignature)) {
    setMessage(message, "truncated image data");
  } else {
    setMessage(message, "not a PNG or JPEG image");
  }
  return nullptr;
}

std::shared_ptr<Image> imageFromFile(const std::string& path, std::string* message) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    setMessage(message, path + ": cannot read the file");
    return nullptr;
  }
  if (static_cast<std::size_t>(status.st_size) > kMaximumFileBytes) {
    setMessage(message, path + ": image too large");
    return nullptr;
  }
  std::optional<std::string> bytes = ns::readWholeFile(path);
  if (!bytes) {
    setMessage(message, path + ": cannot read the file");
    return nullptr;
  }
  std::string reason;
  std::shared_ptr<Image> image = decodeImage(*bytes, &reason);
  if (!image) setMessage(message, path + ": " + reason);
  return image;
}

std::string encodePNG(const Image& image) {
  auto job = std::make_unique<PngWriteJob>();
  const std::size_t width = image.width(), height = image.height();
  job->rgba.resize(width * height * 4);
  job->rows.resize(height);
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* out = job->rgba.data() + y * width * 4;
    job->rows[y] = out;
    const std::uint32_t* in = image.row(y);
    for (std::size_t x = 0; x < width; ++x, out += 4) {
      Pixel p = unpackARGB(in[x]);
      unsigned a = p.a;
      if (a == 0) {
        out[0] = out[1] = out[2] = out[3] = 0;
        continue;
      }
      out[0] = static_cast<std::uint8_t>((p.r * 255u + a / 2) / a);
      out[1] = static_cast<std::uint8_t>((p.g * 255u + a / 2) / a);
      out[2] = static_cast<std::uint8_t>((p.b * 255u + a / 2) / a);
      out[3] = p.a;
    }
  }
  if (!encodePngInto(job.get(), static_cast<png_uint_32>(width),
                     static_cast<png_uint_32>(height)))
    return {};
  return std::move(job->out);
}

bool writePNG(const Image& image, const std::string& path, std::string* message) {
  std::string bytes = encodePNG(image);
  if (bytes.empty()) {
    setMessage(message, path + ": cannot encode the image");
    return false;
  }
  if (!ns::writeFileAtomically(path, bytes)) {
    setMessage(message, path + ": cannot write the file");
    return false;
  }
  return true;
}

}  // namespace cg
