// Image decoding over libjpeg, libpng, libtiff and giflib, an own BMP
// parser, and the GL upload of decoded images.
#include "chart/image_files.h"

#include <gif_lib.h>
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "chart/gl_api.h"
#include "chart/gl_error_reports.h"
#include "chart/tessellator.h"

namespace {

constexpr std::uint32_t kGreyRamp = 0x010101u;

std::uint64_t pixelBytes(std::uint64_t width, std::uint64_t height, std::uint32_t bits,
                         std::uint32_t components) {
  return width * height * (bits * components / 8);
}

bool isGreyRamp(const GImage& image) {
  for (std::uint32_t i = 0; i < 256; ++i) {
    if (image.palette[i] != i * kGreyRamp) return false;
  }
  return true;
}

bool isGreyPalette(const GImage& image) {
  for (std::uint32_t entry : image.palette) {
    const std::uint32_t r = entry & 0xFF, g = (entry >> 8) & 0xFF, b = (entry >> 16) & 0xFF;
    if (r != g || g != b) return false;
  }
  return true;
}

std::uint32_t packRGB(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}

// A palette image as readImageFile hands it out: grey palettes mapped into
// the samples, coloured ones expanded to RGB. Null when memory is short.
GImage* expandPalette(GImage* image) {
  if (image->components != 1 || image->bitsPerComponent != 8 || isGreyRamp(*image)) return image;
  const std::uint64_t count = std::uint64_t{image->width} * image->height;
  if (isGreyPalette(*image)) {
    for (std::uint64_t i = 0; i < count; ++i) {
      image->pixels[i] = static_cast<unsigned char>(image->palette[image->pixels[i]] & 0xFF);
    }
    for (std::uint32_t i = 0; i < 256; ++i) image->palette[i] = i * kGreyRamp;
    return image;
  }
  GImage* rgb = createImage(image->width, image->height, 8, 3);
  if (rgb != nullptr) {
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint32_t entry = image->palette[image->pixels[i]];
      rgb->pixels[3 * i] = static_cast<unsigned char>(entry);
      rgb->pixels[3 * i + 1] = static_cast<unsigned char>(entry >> 8);
      rgb->pixels[3 * i + 2] = static_cast<unsigned char>(entry >> 16);
    }
    rgb->userValue = image->userValue;
  }
  freeImage(image);
  return rgb;
}

// ---------------------------------------------------------------- JPEG
// The jump target lives in each decode's own error manager, so decodes on
// several threads never share it.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void jpegFail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

// Warnings are quiet; running out of data is damage, not a grey picture.
void jpegMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) jpegFail(info);
}

void jpegSilence(j_common_ptr) {}

struct JpegDecode {
  jpeg_decompress_struct info;
  JpegErrors errors;
  GImage* image = nullptr;
};

GImage* decodeJPEG(JpegDecode& d, std::FILE* file) {
  d.info.err = jpeg_std_error(&d.errors.manager);
  d.errors.manager.error_exit = jpegFail;
  d.errors.manager.emit_message = jpegMessage;
  d.errors.manager.output_message = jpegSilence;
  if (setjmp(d.errors.jump) != 0) {
    jpeg_destroy_decompress(&d.info);
    freeImage(d.image);
    return nullptr;
  }
  jpeg_create_decompress(&d.info);
  jpeg_stdio_src(&d.info, file);
  if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK)
    jpegFail(reinterpret_cast<j_common_ptr>(&d.info));
  d.info.out_color_space = d.info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
  const std::uint32_t components = d.info.out_color_space == JCS_GRAYSCALE ? 1 : 3;
  d.image = createImage(d.info.image_width, d.info.image_height, 8, components);
  if (d.image == nullptr || d.image->width == 0 || d.image->height == 0) {
    jpegFail(reinterpret_cast<j_common_ptr>(&d.info));
  }
  jpeg_start_decompress(&d.info);
  if (static_cast<std::uint32_t>(d.info.output_components) != components ||
      d.info.output_width != d.image->width || d.info.output_height != d.image->height) {
    jpegFail(reinterpret_cast<j_common_ptr>(&d.info));
  }
  while (d.info.output_scanline < d.info.output_height) {
    JSAMPROW row = d.image->pixels + std::uint64_t{d.info.output_scanline} * d.image->rowBytes;
    jpeg_read_scanlines(&d.info, &row, 1);
  }
  jpeg_finish_decompress(&d.info);
  jpeg_destroy_decompress(&d.info);
  return d.image;
}

// ---------------------------------------------------------------- PNG
struct PngDecode {
  png_structp png = nullptr;
  png_infop info = nullptr;
  GImage* image = nullptr;
  png_bytep* rows = nullptr;
  bool complete = false;  // every row read: damage after it loses nothing
};

[[noreturn]] void pngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// The decode's state is reached through the error pointer, so it lives in
// memory that every libpng call may change: it is current after a jump.
GImage* decodePNG(PngDecode* d, std::FILE* file) {
  d->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, d, pngFail, pngWarning);
  if (d->png == nullptr) return nullptr;
  d->info = png_create_info_struct(d->png);
  if (d->info == nullptr || setjmp(png_jmpbuf(d->png)) != 0) {
    png_destroy_read_struct(&d->png, &d->info, nullptr);
    std::free(d->rows);
    if (d->complete) return d->image;
    freeImage(d->image);
    return nullptr;
  }
  png_set_user_limits(d->png, kImageMaxSide, kImageMaxSide);
  png_init_io(d->png, file);
  png_read_info(d->png, d->info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, type = 0;
  png_get_IHDR(d->png, d->info, &width, &height, &depth, &type, nullptr, nullptr, nullptr);
  if (type != PNG_COLOR_TYPE_GRAY && type != PNG_COLOR_TYPE_RGB && type != PNG_COLOR_TYPE_PALETTE &&
      type != PNG_COLOR_TYPE_RGB_ALPHA) {
    pngFail(d->png, nullptr);
  }
  // Samples are delivered at 8 or 16 bits, palettes as colours and
  // transparency as an alpha channel (grey with transparency as RGBA).
  const bool transparency = png_get_valid(d->png, d->info, PNG_INFO_tRNS) != 0;
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d->png);
  if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(d->png);
  if (transparency) {
    png_set_tRNS_to_alpha(d->png);
    if (type == PNG_COLOR_TYPE_GRAY) png_set_gray_to_rgb(d->png);
  }
  if (depth == 16) png_set_swap(d->png);  // little-endian machines: native order
  png_set_interlace_handling(d->png);
  png_read_update_info(d->png, d->info);
  const std::uint32_t channels = png_get_channels(d->png, d->info);
  const std::uint32_t bits = png_get_bit_depth(d->png, d->info);
  d->image = createImage(width, height, bits, channels);
  if (d->image == nullptr || width == 0 || height == 0 || channels == 2 ||
      png_get_rowbytes(d->png, d->info) != d->image->rowBytes) {
    pngFail(d->png, nullptr);
  }
  d->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (d->rows == nullptr) pngFail(d->png, nullptr);
  for (png_uint_32 y = 0; y < height; ++y) d->rows[y] = getImageRow(d->image, y);
  png_read_image(d->png, d->rows);
  d->complete = true;
  png_read_end(d->png, nullptr);
  png_destroy_read_struct(&d->png, &d->info, nullptr);
  std::free(d->rows);
  return d->image;
}

// ---------------------------------------------------------------- TIFF
// The stream hooks over the caller's file; offsets inside the TIFF count
// from where it begins in the file.
struct TiffStream {
  std::FILE* file;
  off_t base;
};

tmsize_t tiffRead(thandle_t h, void* data, tmsize_t size) {
  auto* s = static_cast<TiffStream*>(h);
  return static_cast<tmsize_t>(std::fread(data, 1, static_cast<std::size_t>(size), s->file));
}
tmsize_t tiffWrite(thandle_t h, void* data, tmsize_t size) {
  auto* s = static_cast<TiffStream*>(h);
  return static_cast<tmsize_t>(std::fwrite(data, 1, static_cast<std::size_t>(size), s->file));
}
toff_t tiffSeek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<TiffStream*>(h);
  off_t target = static_cast<off_t>(offset);
  if (whence == SEEK_SET) target += s->base;
  if (fseeko(s->file, target, whence) != 0) return static_cast<toff_t>(-1);
  const off_t at = ftello(s->file);
  return at < s->base ? static_cast<toff_t>(-1) : static_cast<toff_t>(at - s->base);
}
int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t h) {
  auto* s = static_cast<TiffStream*>(h);
  const off_t at = ftello(s->file);
  if (at < 0 || fseeko(s->file, 0, SEEK_END) != 0) return 0;
  const off_t end = ftello(s->file);
  fseeko(s->file, at, SEEK_SET);
  return end < s->base ? 0 : static_cast<toff_t>(end - s->base);
}
// The whole TIFF is read into memory and handed over as a mapping: libtiff
// reads tiles through its RGBA reader only from mapped files.
int tiffMap(thandle_t h, void** base, toff_t* size) {
  auto* s = static_cast<TiffStream*>(h);
  const toff_t length = tiffSize(h);
  if (length == 0 || length > kImageMaxBytes) return 0;
  const off_t at = ftello(s->file);
  void* bytes = std::malloc(length);
  const bool ok = bytes != nullptr && at >= 0 && fseeko(s->file, s->base, SEEK_SET) == 0 &&
                  std::fread(bytes, 1, length, s->file) == length;
  if (at >= 0) fseeko(s->file, at, SEEK_SET);
  if (!ok) {
    std::free(bytes);
    return 0;
  }
  *base = bytes;
  *size = length;
  return 1;
}
void tiffUnmap(thandle_t, void* base, toff_t) { std::free(base); }
int tiffQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffFields {
  std::uint32_t width = 0, height = 0, tileWidth = 0, tileHeight = 0;
  std::uint16_t samples = 1, bits = 1, planar = PLANARCONFIG_CONTIG, photometric = 0,
                compression = COMPRESSION_NONE, format = SAMPLEFORMAT_UINT, extra = 0;
};

TiffFields readTiffFields(TIFF* tif) {
  TiffFields f;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &f.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &f.height);
  TIFFGetField(tif, TIFFTAG_TILEWIDTH, &f.tileWidth);
  TIFFGetField(tif, TIFFTAG_TILELENGTH, &f.tileHeight);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &f.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &f.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &f.planar);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &f.photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &f.compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &f.format);
  std::uint16_t* extraTypes = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &f.extra, &extraTypes);
  return f;
}

// Strips of unsigned grey, palette, RGB or RGBA samples of 1 to 16 bits are
// read here: 8-bit samples and 16-bit grey and colour as they stand, other
// depths unpacked to 8 bits (palette indices as they are, levels scaled).
// Everything else (tiles, separate planes, YCbCr, CMYK, ...) goes through
// libtiff's RGBA reader as 8-bit RGBA.
bool tiffReadsScanlines(const TiffFields& f) {
  if (f.tileWidth != 0 || f.format != SAMPLEFORMAT_UINT || f.bits < 1 || f.bits > 16) return false;
  if (f.samples != 1 && f.planar != PLANARCONFIG_CONTIG) return false;
  switch (f.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      return f.samples == 1;
    case PHOTOMETRIC_PALETTE:
      return f.samples == 1 && f.bits <= 8;
    case PHOTOMETRIC_RGB:
      return f.samples == 3 || (f.samples == 4 && f.extra == 1);
    default:
      return false;
  }
}

bool tiffKeepsSamples(const TiffFields& f) {
  return f.bits == 8 || (f.bits == 16 && f.photometric != PHOTOMETRIC_MINISWHITE);
}

// One scanline of packed samples (most significant bits first; 16-bit ones
// already in the machine's order) as 8-bit samples.
void unpackTiffRow(const unsigned char* in, unsigned char* out, std::uint64_t count, unsigned bits,
                   bool levels) {
  const unsigned maximum = (1u << bits) - 1;
  std::uint64_t bit = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    unsigned value = 0;
    if (bits == 16) {
      std::uint16_t wide;
      std::memcpy(&wide, in + 2 * i, 2);
      value = wide >> 8;
    } else {
      for (unsigned k = 0; k < bits; ++k, ++bit)
        value = value << 1 | ((in[bit / 8] >> (7 - bit % 8)) & 1u);
      if (levels) value = value * 255 / maximum;
    }
    out[i] = static_cast<unsigned char>(value);
  }
}

GImage* readTiffScanlines(TIFF* tif, const TiffFields& f) {
  const bool keep = tiffKeepsSamples(f);
  GImage* image = createImage(f.width, f.height, keep ? f.bits : 8, f.samples);
  const std::uint64_t samplesPerRow = std::uint64_t{f.width} * f.samples;
  const std::uint64_t packed = (samplesPerRow * f.bits + 7) / 8;
  unsigned char* row = nullptr;
  bool ok = image != nullptr && TIFFScanlineSize64(tif) == packed;
  if (ok && !keep) ok = (row = static_cast<unsigned char*>(std::malloc(packed))) != nullptr;
  if (ok && f.photometric == PHOTOMETRIC_PALETTE) {
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    ok = TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) != 0;
    for (std::uint32_t i = 0; ok && i < (1u << f.bits); ++i) {
      image->palette[i] = packRGB(red[i] / 257, green[i] / 257, blue[i] / 257);
    }
  } else if (ok && f.photometric == PHOTOMETRIC_MINISWHITE) {
    for (std::uint32_t i = 0; i < 256; ++i) image->palette[i] = (255 - i) * kGreyRamp;
  }
  for (std::uint32_t y = 0; ok && y < f.height; ++y) {
    // libtiff hands 16-bit samples over in the machine's byte order.
    ok = TIFFReadScanline(tif, keep ? getImageRow(image, y) : row, y, 0) >= 0;
    if (ok && !keep) {
      unpackTiffRow(row, getImageRow(image, y), samplesPerRow, f.bits,
                    f.photometric != PHOTOMETRIC_PALETTE);
    }
  }
  std::free(row);
  if (!ok) {
    freeImage(image);
    return nullptr;
  }
  return image;
}

GImage* readTiffRGBA(TIFF* tif, const TiffFields& f) {
  char message[1024];
  if (TIFFRGBAImageOK(tif, message) == 0) return nullptr;
  GImage* image = createImage(f.width, f.height, 8, 4);
  if (image == nullptr) return nullptr;
  // The reader writes 32-bit ABGR words, which on a little-endian machine
  // are R, G, B, A bytes.
  if (TIFFReadRGBAImageOriented(tif, f.width, f.height,
                                reinterpret_cast<std::uint32_t*>(image->pixels),
                                ORIENTATION_TOPLEFT, 1) == 0) {
    freeImage(image);
    return nullptr;
  }
  return image;
}

// ---------------------------------------------------------------- GIF
int gifRead(GifFileType* gif, GifByteType* data, int size) {
  return static_cast<int>(
      std::fread(data, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(gif->UserData)));
}

GImage* decodeGIF(GifFileType* gif) {
  GifRecordType record = UNDEFINED_RECORD_TYPE;
  do {
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) return nullptr;
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return nullptr;
      while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return nullptr;
      }
    } else if (record == TERMINATE_RECORD_TYPE) {
      return nullptr;
    }
  } while (record != IMAGE_DESC_RECORD_TYPE);
  if (DGifGetImageDesc(gif) == GIF_ERROR) return nullptr;
  const GifImageDesc& desc = gif->Image;
  if (desc.Width <= 0 || desc.Height <= 0) return nullptr;
  GImage* image = createImage(static_cast<std::uint32_t>(desc.Width),
                              static_cast<std::uint32_t>(desc.Height), 8, 1);
  if (image == nullptr) return nullptr;
  // Without any colour map the grey ramp stays.
  const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
  if (map != nullptr && map->Colors != nullptr) {
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i) {
      image->palette[i] = packRGB(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    }
  }
  const int height = desc.Height;
  auto readRow = [&](int y) {
    return DGifGetLine(gif, getImageRow(image, y), desc.Width) != GIF_ERROR;
  };
  bool ok = true;
  if (desc.Interlace) {
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4 && ok; ++pass) {
      for (int y = kStart[pass]; y < height && ok; y += kStep[pass]) ok = readRow(y);
    }
  } else {
    for (int y = 0; y < height && ok; ++y) ok = readRow(y);
  }
  if (!ok) {
    freeImage(image);
    return nullptr;
  }
  return image;
}

// ---------------------------------------------------------------- BMP
std::uint32_t le32(const unsigned char* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::uint16_t le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// One stored row into an image row: indices unpacked to a byte each,
// 16-bit 5-5-5 pixels widened, blue-green-red turned round, the unused
// fourth byte of 32-bit pixels made opaque.
void unpackBmpRow(const unsigned char* in, unsigned char* out, std::uint32_t width, unsigned bits) {
  switch (bits) {
    case 1:
    case 4:
    case 8: {
      const unsigned perByte = 8 / bits, mask = (1u << bits) - 1;
      for (std::uint32_t x = 0; x < width; ++x) {
        const unsigned shift = 8 - bits * (x % perByte + 1);
        out[x] = static_cast<unsigned char>((in[x / perByte] >> shift) & mask);
      }
      break;
    }
    case 16:
      for (std::uint32_t x = 0; x < width; ++x) {
        const unsigned v = le16(in + 2 * x);
        const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        out[3 * x] = static_cast<unsigned char>(r * 255 / 31);
        out[3 * x + 1] = static_cast<unsigned char>(g * 255 / 31);
        out[3 * x + 2] = static_cast<unsigned char>(b * 255 / 31);
      }
      break;
    case 24:
      for (std::uint32_t x = 0; x < width; ++x) {
        out[3 * x] = in[3 * x + 2];
        out[3 * x + 1] = in[3 * x + 1];
        out[3 * x + 2] = in[3 * x];
      }
      break;
    case 32:
      for (std::uint32_t x = 0; x < width; ++x) {
        out[4 * x] = in[4 * x + 2];
        out[4 * x + 1] = in[4 * x + 1];
        out[4 * x + 2] = in[4 * x];
        out[4 * x + 3] = 255;
      }
      break;
  }
}

GImage* decodeBMP(std::FILE* file) {
  const off_t start = ftello(file);
  unsigned char header[14 + 40];
  if (start < 0 || std::fread(header, 1, sizeof header, file) != sizeof header) return nullptr;
  if (le16(header) != 19778) return nullptr;  // "BM"
  const std::uint32_t pixelOffset = le32(header + 10);
  const unsigned char* info = header + 14;
  const std::uint32_t infoSize = le32(info);
  const std::int32_t width = static_cast<std::int32_t>(le32(info + 4));
  const std::int32_t storedHeight = static_cast<std::int32_t>(le32(info + 8));
  const unsigned planes = le16(info + 12), bits = le16(info + 14);
  const std::uint32_t compression = le32(info + 16), colorsUsed = le32(info + 32);
  if (infoSize < 40 || compression != 0 || planes != 1) return nullptr;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  // A negative height stores the top row first.
  const bool topDown = storedHeight < 0;
  const std::int64_t height = topDown ? -std::int64_t{storedHeight} : storedHeight;
  if (width <= 0 || height <= 0 || width > static_cast<std::int32_t>(kImageMaxSide) ||
      height > kImageMaxSide) {
    return nullptr;
  }
  const std::uint32_t components = bits <= 8 ? 1 : bits == 32 ? 4 : 3;
  GImage* image = createImage(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                              8, components);
  if (image == nullptr) return nullptr;
  const std::uint64_t stride =
      (std::uint64_t{static_cast<std::uint32_t>(width)} * bits + 31) / 32 * 4;
  std::uint64_t paletteEnd = 14 + std::uint64_t{infoSize};
  bool ok = fseeko(file, start + static_cast<off_t>(paletteEnd), SEEK_SET) == 0;
  if (ok && bits <= 8) {
    const std::uint32_t entries =
        colorsUsed != 0 && colorsUsed < (1u << bits) ? colorsUsed : 1u << bits;
    unsigned char quad[4 * 256];
    ok = std::fread(quad, 4, entries, file) == entries;
    for (std::uint32_t i = 0; ok && i < entries; ++i) {
      image->palette[i] = packRGB(quad[4 * i + 2], quad[4 * i + 1], quad[4 * i]);
    }
    paletteEnd += 4 * std::uint64_t{entries};
  }
  // The pixels start where the file header says, when that lies past the
  // headers; otherwise right after the palette.
  if (ok && pixelOffset >= paletteEnd)
    ok = fseeko(file, start + static_cast<off_t>(pixelOffset), SEEK_SET) == 0;
  unsigned char* stored = ok ? static_cast<unsigned char*>(std::malloc(stride)) : nullptr;
  ok = stored != nullptr;
  for (std::int64_t r = 0; ok && r < height; ++r) {
    ok = std::fread(stored, 1, stride, file) == stride;
    if (ok)
      unpackBmpRow(stored, getImageRow(image, topDown ? r : height - 1 - r), image->width, bits);
  }
  std::free(stored);
  if (!ok) {
    freeImage(image);
    return nullptr;
  }
  return image;
}

}  // namespace

GImage* createImage(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerComponent,
                    std::uint32_t components) {
  if (bitsPerComponent != 8 && bitsPerComponent != 16) return nullptr;
  if (components < 1 || components > 4) return nullptr;
  if (width > kImageMaxSide || height > kImageMaxSide) return nullptr;
  const std::uint64_t bytes = pixelBytes(width, height, bitsPerComponent, components);
  if (bytes > kImageMaxBytes) return nullptr;
  auto* image = static_cast<GImage*>(std::calloc(1, sizeof(GImage)));
  if (image == nullptr) return nullptr;
  image->pixels = static_cast<unsigned char*>(std::calloc(bytes == 0 ? 1 : bytes, 1));
  if (image->pixels == nullptr) {
    std::free(image);
    return nullptr;
  }
  image->width = image->createdWidth = width;
  image->height = image->createdHeight = height;
  image->bitsPerComponent = bitsPerComponent;
  image->components = components;
  image->rowBytes = bitsPerComponent * components / 8 * width;
  for (std::uint32_t i = 0; i < 256; ++i) image->palette[i] = i * kGreyRamp;
  return image;
}

void freeImage(GImage* image) {
  if (image == nullptr) return;
  std::free(image->pixels);
  std::free(image);
}

std::uint32_t getImageWidth(const GImage* image) { return image != nullptr ? image->width : 0; }
std::uint32_t getImageHeight(const GImage* image) { return image != nullptr ? image->height : 0; }
std::uint32_t getImageBitsPerComponent(const GImage* image) {
  return image != nullptr ? image->bitsPerComponent : 0;
}
std::uint32_t getImageComponents(const GImage* image) {
  return image != nullptr ? image->components : 0;
}
std::uint32_t getImageRowBytes(const GImage* image) {
  return image != nullptr ? image->rowBytes : 0;
}

unsigned char* getImageRow(const GImage* image, std::int64_t row) {
  if (image == nullptr || row < 0 || row >= image->height) return nullptr;
  return image->pixels + static_cast<std::uint64_t>(row) * image->rowBytes;
}

GImage* readJPEGImage(std::FILE* file) {
  if (file == nullptr) return nullptr;
  auto* decode = new (std::nothrow) JpegDecode;
  if (decode == nullptr) return nullptr;
  GImage* image = decodeJPEG(*decode, file);
  delete decode;
  return image;
}

GImage* readPNGImage(std::FILE* file) {
  if (file == nullptr) return nullptr;
  const off_t start = ftello(file);
  png_byte signature[8];
  if (start < 0 || std::fread(signature, 1, 8, file) != 8 || png_sig_cmp(signature, 0, 8) != 0)
    return nullptr;
  if (fseeko(file, start, SEEK_SET) != 0) return nullptr;
  PngDecode decode;
  return decodePNG(&decode, file);
}

GImage* readTIFFImage(std::FILE* file) {
  if (file == nullptr) return nullptr;
  TiffStream stream{file, ftello(file)};
  if (stream.base < 0) return nullptr;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, tiffQuiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, tiffQuiet, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kImageMaxBytes));
  TIFF* tif = TIFFClientOpenExt("image", "r", &stream, tiffRead, tiffWrite, tiffSeek, tiffClose,
                                tiffSize, tiffMap, tiffUnmap, options);
  TIFFOpenOptionsFree(options);
  if (tif == nullptr) return nullptr;
  const TiffFields fields = readTiffFields(tif);
  GImage* image = nullptr;
  if (fields.width != 0 && fields.height != 0 && fields.width <= kImageMaxSide &&
      fields.height <= kImageMaxSide) {
    image = tiffReadsScanlines(fields) ? readTiffScanlines(tif, fields) : readTiffRGBA(tif, fields);
  }
  TIFFClose(tif);
  return image;
}

GImage* readGIFImage(std::FILE* file) {
  if (file == nullptr) return nullptr;
  int error = 0;
  GifFileType* gif = DGifOpen(file, gifRead, &error);
  if (gif == nullptr) return nullptr;
  GImage* image = decodeGIF(gif);
  DGifCloseFile(gif, &error);
  return image;
}

GImage* readBMPImage(std::FILE* file) {
  if (file == nullptr) return nullptr;
  return decodeBMP(file);
}

GImage* readImageFile(std::FILE* file) {
  if (file == nullptr) return nullptr;
  const off_t start = ftello(file);
  if (start < 0) return nullptr;
  for (GImage* (*reader)(std::FILE*) :
       {readJPEGImage, readPNGImage, readTIFFImage, readGIFImage, readBMPImage}) {
    if (fseeko(file, start, SEEK_SET) != 0) return nullptr;
    std::clearerr(file);
    if (GImage* image = reader(file)) return expandPalette(image);
  }
  return nullptr;
}

void flipImageRows(GImage* image) {
  if (image == nullptr || image->height < 2) return;
  for (std::uint32_t top = 0, bottom = image->height - 1; top < bottom; ++top, --bottom) {
    unsigned char* a = getImageRow(image, top);
    std::swap_ranges(a, a + image->rowBytes, getImageRow(image, bottom));
  }
}

GImage* scaleImage(GImage* image, std::uint32_t newWidth, std::uint32_t newHeight,
                   bool freeSource) {
  if (image == nullptr) return nullptr;
  GImage* scaled = createImage(newWidth, newHeight, image->bitsPerComponent, image->components);
  if (scaled == nullptr) return freeSource ? image : nullptr;
  std::memcpy(scaled->palette, image->palette, sizeof image->palette);
  scaled->userValue = image->userValue;
  const std::uint32_t pixel = image->bitsPerComponent * image->components / 8;
  for (std::uint32_t y = 0; y < newHeight; ++y) {
    const unsigned char* from = getImageRow(image, std::uint64_t{y} * image->height / newHeight);
    unsigned char* to = getImageRow(scaled, y);
    if (from == nullptr) continue;  // an empty source leaves the zeroes
    for (std::uint32_t x = 0; x < newWidth; ++x) {
      const std::uint64_t sx = std::uint64_t{x} * image->width / newWidth;
      std::memcpy(to + std::uint64_t{x} * pixel, from + sx * pixel, pixel);
    }
  }
  if (freeSource) freeImage(image);
  return scaled;
}

bool convertImageToRGBA(const GImage* image, unsigned char* out) {
  if (image == nullptr || out == nullptr) return false;
  const std::uint32_t c = image->components;
  if ((c != 1 && c != 3 && c != 4) ||
      (image->bitsPerComponent != 8 && image->bitsPerComponent != 16))
    return false;
  const bool wide = image->bitsPerComponent == 16;
  const std::uint64_t count = std::uint64_t{image->width} * image->height;
  for (std::uint64_t i = 0; i < count; ++i) {
    unsigned char sample[4];
    for (std::uint32_t k = 0; k < c; ++k) {
      if (wide) {
        std::uint16_t v;
        std::memcpy(&v, image->pixels + 2 * (i * c + k), 2);
        sample[k] = static_cast<unsigned char>(v >> 8);
      } else {
        sample[k] = image->pixels[i * c + k];
      }
    }
    unsigned char* o = out + 4 * i;
    if (c == 1) {
      const std::uint32_t entry = wide ? sample[0] * kGreyRamp : image->palette[sample[0]];
      o[0] = static_cast<unsigned char>(entry);
      o[1] = static_cast<unsigned char>(entry >> 8);
      o[2] = static_cast<unsigned char>(entry >> 16);
      o[3] = 255;
    } else {
      o[0] = sample[0];
      o[1] = sample[1];
      o[2] = sample[2];
      o[3] = c == 4 ? sample[3] : 255;
    }
  }
  return true;
}

unsigned GImageToGLTexture(const GImage* image) {
  if (image == nullptr) return 0;
  // ES 2.0 takes colour textures as RGBA bytes; converted rows are 4-byte
  // multiples, so no unpack alignment can shear them.
  const bool direct = image->components == 4 && image->bitsPerComponent == 8;
  unsigned char* converted = nullptr;
  if (!direct) {
    converted = static_cast<unsigned char*>(
        std::malloc(std::uint64_t{image->width} * image->height * 4 + 1));
    if (converted == nullptr || !convertImageToRGBA(image, converted)) {
      std::free(converted);
      return 0;
    }
  }
  const unsigned char* pixels = direct ? image->pixels : converted;
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(image->width),
               static_cast<GLsizei>(image->height), 0, GL_RGBA, GL_UNSIGNED_BYTE,
               image->height == 0 ? nullptr : pixels);
  std::free(converted);
  const GLenum error = glGetError();
  if (error != GL_NO_ERROR) {
    if (firstGLErrorReport("GImageToGLTexture()", error))
      std::fprintf(stderr, "GImageToGLTexture(): error %d (%s)\n", static_cast<int>(error), glErrorText(error));
    glDeleteTextures(1, &name);
    return 0;
  }
  return name;
}
