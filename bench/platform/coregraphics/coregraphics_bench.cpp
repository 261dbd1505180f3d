// The 2-D layer's hot paths, each beside the same drawing made with
// FreeType, Pango and Cairo directly, so the layer's own cost shows:
// - the chart's text atlas: 97 characters at 28 px measured and drawn into
//   a premultiplied RGBA bitmap (target: under 5 ms);
// - 1000 short interface labels laid out and drawn (under 20 ms);
// - 10,000 stroked rounded rectangles, the themed controls' frame (under
//   20 ms).
// Run with TESSALY_BUNDLE pointing at the source tree's resources folder.
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <pango/pangocairo.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/coregraphics/context.h"
#include "platform/coregraphics/font.h"
#include "platform/coregraphics/font_config.h"
#include "platform/coregraphics/glyph_face.h"
#include "platform/coregraphics/text.h"

namespace {

std::vector<char32_t> atlasCharacters() {
  std::vector<char32_t> characters;
  for (char32_t c = 32; c < 127; ++c) characters.push_back(c);
  characters.push_back(U'\u00b0');
  characters.push_back(U'\u00b0');
  return characters;  // 97
}

unsigned powerOfTwo(double v) {
  unsigned p = 1;
  while (p < v) p <<= 1;
  return p;
}

void BM_GlyphAtlas97At28px(benchmark::State& state) {
  const auto characters = atlasCharacters();
  for (auto _ : state) {
    auto face = cg::GlyphFace::open("Helvetica", 28);
    const double row = 1.5 * (face->ascender() - face->descender());
    double widest = 0, width = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
      width += face->characterAdvance(characters[i]) + 2;
      if (i % 16 == 15 || i + 1 == characters.size()) widest = std::max(widest, width), width = 0;
    }
    auto bitmap = cg::Context::createBitmap(
        powerOfTwo(widest), powerOfTwo(7 * row),
        {cg::ColorSpace::deviceRGB, cg::PixelLayout::premultipliedRGBA, 0});
    double x = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
      if (i % 16 == 0) x = 0;
      double baseline = bitmap->height() - (i / 16 + 1) * row - face->descender();
      x += face->drawCharacter(*bitmap, characters[i], {x, baseline}, {1, 1, 1, 1}) + 2;
    }
    benchmark::DoNotOptimize(bitmap->data());
  }
}
BENCHMARK(BM_GlyphAtlas97At28px)->Unit(benchmark::kMillisecond);

void BM_GlyphAtlas97At28pxDirect(benchmark::State& state) {
  const auto characters = atlasCharacters();
  const std::string file = cg::resolveFace("Helvetica").file;
  FT_Library library;
  FT_Init_FreeType(&library);
  std::vector<unsigned char> coverage;
  for (auto _ : state) {
    FT_Face face;
    FT_New_Face(library, file.c_str(), 0, &face);
    FT_Set_Char_Size(face, 0, 28 * 64, 72, 72);
    const double scale = 28.0 / face->units_per_EM;
    const double ascender = face->ascender * scale, descender = face->descender * scale;
    const double row = 1.5 * (ascender - descender);
    auto advance = [&](char32_t c) {
      FT_Load_Glyph(face, FT_Get_Char_Index(face, c), FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
      return face->glyph->linearHoriAdvance / 65536.0;
    };
    double widest = 0, width = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
      width += advance(characters[i]) + 2;
      if (i % 16 == 15 || i + 1 == characters.size()) widest = std::max(widest, width), width = 0;
    }
    const int w = int(powerOfTwo(widest)), h = int(powerOfTwo(7 * row));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cairo = cairo_create(surface);
    cairo_set_source_rgba(cairo, 1, 1, 1, 1);
    double x = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
      if (i % 16 == 0) x = 0;
      double y = (i / 16 + 1) * row + descender;  // from the top
      FT_Load_Glyph(face, FT_Get_Char_Index(face, characters[i]), FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
      double fx = x - std::floor(x), fy = y - std::floor(y);
      FT_Outline_Translate(&face->glyph->outline, FT_Pos(fx * 64), -FT_Pos(fy * 64));
      FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
      const FT_Bitmap& b = face->glyph->bitmap;
      if (b.width && b.rows) {
        int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, int(b.width));
        coverage.assign(std::size_t(stride) * b.rows, 0);
        for (unsigned r = 0; r < b.rows; ++r)
          std::copy(b.buffer + r * b.pitch, b.buffer + r * b.pitch + b.width, coverage.data() + r * stride);
        cairo_surface_t* mask = cairo_image_surface_create_for_data(coverage.data(), CAIRO_FORMAT_A8,
                                                                    int(b.width), int(b.rows), stride);
        cairo_mask_surface(cairo, mask, std::floor(x) + face->glyph->bitmap_left,
                           std::floor(y) - face->glyph->bitmap_top);
        cairo_surface_destroy(mask);
      }
      x += face->glyph->linearHoriAdvance / 65536.0 + 2;
    }
    cairo_surface_flush(surface);
    // The same conversion to RGBA bytes the layer makes.
    std::vector<unsigned char> rgba(std::size_t(w) * h * 4);
    const auto* p = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
    for (std::size_t i = 0; i < std::size_t(w) * h; ++i) {
      rgba[i * 4] = p[i] >> 16, rgba[i * 4 + 1] = p[i] >> 8, rgba[i * 4 + 2] = p[i], rgba[i * 4 + 3] = p[i] >> 24;
    }
    benchmark::DoNotOptimize(rgba.data());
    cairo_destroy(cairo);
    cairo_surface_destroy(surface);
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
}
BENCHMARK(BM_GlyphAtlas97At28pxDirect)->Unit(benchmark::kMillisecond);

std::vector<std::string> labels() {
  const char* words[] = {"Vega", "ISS (ZARYA)", "M31", "Jupiter", "Polaris", "NGC 7000",
                         "Starlink-1130", "Orion", "Moon", "Sirius"};
  std::vector<std::string> out;
  for (int i = 0; i < 1000; ++i) out.push_back(std::string(words[i % 10]) + " " + std::to_string(i));
  return out;
}

void BM_Labels1000(benchmark::State& state) {
  const auto texts = labels();
  auto font = cg::Font::named("Exo", 13);
  auto context = cg::Context::createBitmap(1024, 768);
  context->translateCTM(0, 768);
  context->scaleCTM(1, -1);
  for (auto _ : state) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
      cg::Size size = cg::textSize(texts[i], *font);
      cg::Point at{double(i % 10) * 100 + 4, double(i / 10 % 50) * 15 + (size.height > 100 ? 1 : 0)};
      cg::drawString(*context, texts[i], at, *font, {1, 1, 1, 1});
    }
  }
}
BENCHMARK(BM_Labels1000)->Unit(benchmark::kMillisecond);

void BM_Labels1000Direct(benchmark::State& state) {
  const auto texts = labels();
  cg::ensureFontConfiguration();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1024, 768);
  cairo_t* cairo = cairo_create(surface);
  PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(context, options);
  // One layout measured and then drawn: each label is shaped once.
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans");
  pango_font_description_set_absolute_size(font, 13 * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  PangoAttrList* attributes = pango_attr_list_new();
  pango_attr_list_insert(attributes, pango_attr_font_features_new("kern 0, liga 0, clig 0"));
  pango_layout_set_attributes(layout, attributes);
  cairo_set_source_rgba(cairo, 1, 1, 1, 1);
  pango_cairo_update_layout(cairo, layout);
  for (auto _ : state) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
      pango_layout_set_text(layout, texts[i].c_str(), int(texts[i].size()));
      PangoRectangle logical;
      pango_layout_get_extents(layout, nullptr, &logical);
      pango_cairo_update_layout(cairo, layout);
      cairo_move_to(cairo, double(i % 10) * 100 + 4,
                    double(i / 10 % 50) * 15 + (logical.height > 100 * PANGO_SCALE ? 1 : 0));
      pango_cairo_show_layout(cairo, layout);
      cairo_new_path(cairo);
    }
  }
  pango_attr_list_unref(attributes);
  pango_font_description_free(font);
  cairo_font_options_destroy(options);
  g_object_unref(layout);
  g_object_unref(context);
  cairo_destroy(cairo);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_Labels1000Direct)->Unit(benchmark::kMillisecond);

void BM_RoundRects10000(benchmark::State& state) {
  auto context = cg::Context::createBitmap(1024, 768);
  context->setStrokeColor(0, 0.5, 0.9, 0.7);
  for (auto _ : state) {
    for (int i = 0; i < 10000; ++i) {
      const double x = (i % 40) * 25 + 1, y = (i / 40 % 30) * 25 + 1, w = 22, h = 20, r = 8;
      context->moveToPoint(x, y + r);
      context->addArcToPoint(x, y, x + r, y, r);
      context->addArcToPoint(x + w, y, x + w, y + r, r);
      context->addArcToPoint(x + w, y + h, x + w - r, y + h, r);
      context->addArcToPoint(x, y + h, x, y + h - r, r);
      context->closePath();
      context->strokePath();
    }
  }
}
BENCHMARK(BM_RoundRects10000)->Unit(benchmark::kMillisecond);

void BM_RoundRects10000Direct(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1024, 768);
  cairo_t* cairo = cairo_create(surface);
  cairo_set_tolerance(cairo, 0.01);
  cairo_matrix_t flip;
  cairo_matrix_init(&flip, 1, 0, 0, -1, 0, 768);
  cairo_set_matrix(cairo, &flip);
  for (auto _ : state) {
    for (int i = 0; i < 10000; ++i) {
      const double x = (i % 40) * 25 + 1, y = (i / 40 % 30) * 25 + 1, w = 22, h = 20, r = 8;
      const double pi = 3.14159265358979323846;
      cairo_move_to(cairo, x, y + r);
      cairo_arc(cairo, x + r, y + r, r, pi, 1.5 * pi);
      cairo_arc(cairo, x + w - r, y + r, r, 1.5 * pi, 2 * pi);
      cairo_arc(cairo, x + w - r, y + h - r, r, 0, 0.5 * pi);
      cairo_arc(cairo, x + r, y + h - r, r, 0.5 * pi, pi);
      cairo_close_path(cairo);
      cairo_set_source_rgba(cairo, 0, 0.5, 0.9, 0.7);
      cairo_stroke(cairo);
    }
  }
  cairo_destroy(cairo);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_RoundRects10000Direct)->Unit(benchmark::kMillisecond);

}  // namespace
