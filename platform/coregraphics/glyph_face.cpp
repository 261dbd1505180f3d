#include "platform/coregraphics/glyph_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/coregraphics/font_config.h"

namespace cg {
namespace {

constexpr double kMaximumPixelSize = 4096;

// One library for the process; FreeType wants face creation and
// destruction serialised when faces of one library live on several threads.
struct Library {
  std::mutex mutex;
  FT_Library library = nullptr;
  Library() { FT_Init_FreeType(&library); }
  ~Library() {
    if (library) FT_Done_FreeType(library);
  }
};

Library& library() {
  static Library instance;
  return instance;
}

void setMessage(std::string* message, std::string text) {
  if (message) *message = std::move(text);
}

}  // namespace

struct GlyphFace::Impl {
  FT_Face face = nullptr;
  std::vector<unsigned char> coverage;  // scratch, 4-byte aligned rows for Cairo
  ~Impl() {
    if (face) {
      std::lock_guard lock(library().mutex);
      FT_Done_Face(face);
    }
  }
};

GlyphFace::~GlyphFace() = default;

std::unique_ptr<GlyphFace> GlyphFace::open(std::string_view faceName, double pixelSize,
                                           std::string* message) {
  if (!std::isfinite(pixelSize) || pixelSize <= 0 || pixelSize > kMaximumPixelSize) {
    setMessage(message, "glyph size out of range");
    return nullptr;
  }
  FaceMatch match = resolveFace(faceName);
  if (!match.found || match.file.empty()) {
    setMessage(message, std::string(faceName) + ": no font found");
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  {
    Library& shared = library();
    std::lock_guard lock(shared.mutex);
    if (!shared.library ||
        FT_New_Face(shared.library, match.file.c_str(), match.index, &impl->face) != 0) {
      impl->face = nullptr;
      setMessage(message, match.file + ": cannot read the font");
      return nullptr;
    }
  }
  FT_Face face = impl->face;
  if (!FT_IS_SCALABLE(face) ||
      FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(pixelSize * 64)), 72, 72) != 0) {
    setMessage(message, match.file + ": not a scalable font");
    return nullptr;
  }
  std::unique_ptr<GlyphFace> result(new GlyphFace);
  result->requestedName_ = std::string(faceName);
  result->family_ = match.family;
  result->file_ = match.file;
  result->fallback_ = match.isFallback;
  result->pixelSize_ = pixelSize;
  double scale = pixelSize / face->units_per_EM;
  result->ascender_ = face->ascender * scale;
  result->descender_ = face->descender * scale;
  result->impl_ = std::move(impl);
  return result;
}

unsigned GlyphFace::unitsPerEm() const { return impl_->face->units_per_EM; }
unsigned GlyphFace::glyphCount() const { return static_cast<unsigned>(impl_->face->num_glyphs); }

unsigned GlyphFace::glyphForCharacter(char32_t character) const {
  return FT_Get_Char_Index(impl_->face, character);
}

double GlyphFace::advance(unsigned glyph) {
  if (glyph >= glyphCount()) return 0;
  if (FT_Load_Glyph(impl_->face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return 0;
  // 16.16 pixels, from the design advance without any rounding.
  return double(impl_->face->glyph->linearHoriAdvance) / 65536.0;
}

double GlyphFace::drawGlyph(Context& context, unsigned glyph, Point origin, const Color& color) {
  if (glyph >= glyphCount()) return 0;
  FT_Face face = impl_->face;
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return 0;
  const double advanceWidth = double(face->glyph->linearHoriAdvance) / 65536.0;
  if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return advanceWidth;
  if (!context.isDrawable(origin)) return advanceWidth;

  // Device position of the origin (Cairo's device space: y down), split
  // into whole pixels and the fraction the outline is moved by.
  double dx = origin.x, dy = origin.y;
  cairo_user_to_device(context.cairo(), &dx, &dy);
  const double wholeX = std::floor(dx), wholeY = std::floor(dy);
  FT_Outline_Translate(&face->glyph->outline, static_cast<FT_Pos>(std::lround((dx - wholeX) * 64)),
                       -static_cast<FT_Pos>(std::lround((dy - wholeY) * 64)));
  if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) return advanceWidth;
  const FT_Bitmap& bitmap = face->glyph->bitmap;
  if (bitmap.width == 0 || bitmap.rows == 0 || bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
    return advanceWidth;

  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, static_cast<int>(bitmap.width));
  impl_->coverage.assign(static_cast<std::size_t>(stride) * bitmap.rows, 0);
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const unsigned char* source = bitmap.buffer + (bitmap.pitch >= 0
                                                       ? std::ptrdiff_t(row) * bitmap.pitch
                                                       : std::ptrdiff_t(bitmap.rows - 1 - row) * -bitmap.pitch);
    std::memcpy(impl_->coverage.data() + std::size_t(row) * stride, source, bitmap.width);
  }
  cairo_surface_t* mask = cairo_image_surface_create_for_data(
      impl_->coverage.data(), CAIRO_FORMAT_A8, static_cast<int>(bitmap.width),
      static_cast<int>(bitmap.rows), stride);
  const double left = wholeX + face->glyph->bitmap_left;
  const double top = wholeY - face->glyph->bitmap_top;
  context.drawWithSource(origin, color, [&](cairo_t* cairo) {
    cairo_identity_matrix(cairo);
    cairo_mask_surface(cairo, mask, left, top);
  });
  cairo_surface_destroy(mask);
  return advanceWidth;
}

}  // namespace cg
