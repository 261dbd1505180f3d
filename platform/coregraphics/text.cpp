#include "platform/coregraphics/text.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <mutex>
#include <utility>

#include "platform/coregraphics/font_config.h"

namespace cg {
namespace {

constexpr double kDefaultFontSize = 12.0;
// Widths beyond this are no limit (Pango keeps widths in int units of 1/1024).
constexpr double kUnlimitedWidth = 1e6;

PangoContext* newContext(PangoFontMap* fontMap) {
  PangoContext* context = pango_font_map_create_context(fontMap);
  cairo_font_options_t* options = cairo_font_options_create();
  // Unhinted metrics and unrounded positions: a text measures the same in
  // every context and at every scale.
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context, FALSE);
  return context;
}

// Each thread's own Pango context and layout, used for measuring and for
// drawing alike, so that a text measured and then drawn is shaped once.
// Drawing updates the context to the transform drawn with; metrics are not
// hinted, so measures do not depend on it.
struct ThreadPango {
  PangoFontMap* fontMap;  // the thread's own, released with it
  PangoContext* context;
  PangoLayout* layout;
  PangoAttrList* plainAttributes;  // for texts without runs
  std::string validText;
  // What the layout holds now (texts without runs only).
  struct {
    bool valid = false;
    std::string text;
    PangoFontDescription* font = nullptr;
    TextLayoutOptions options;
  } held;

  ThreadPango() {
    ensureFontConfiguration();
    fontMap = pango_cairo_font_map_new();
    context = newContext(fontMap);
    layout = pango_layout_new(context);
    plainAttributes = pango_attr_list_new();
    pango_attr_list_insert(plainAttributes, newFeatures());
  }
  ~ThreadPango() {
    if (held.font) pango_font_description_free(held.font);
    pango_attr_list_unref(plainAttributes);
    g_object_unref(layout);
    g_object_unref(context);
    g_object_unref(fontMap);
  }
  static PangoAttribute* newFeatures() {
    // Text is laid out from the glyphs' own advances, without kerning or
    // ligatures: a string is as wide as the sum of its characters, so the
    // width of a part of a text is where that part is drawn.
    return pango_attr_font_features_new("kern 0, liga 0, clig 0");
  }
};

ThreadPango& threadPango() {
  thread_local ThreadPango pango;
  return pango;
}

// What of the options shapes the layout itself: the line limits only
// choose which lines count, and without a width nothing wraps.
bool sameLayout(const TextLayoutOptions& a, const TextLayoutOptions& b) {
  return a.maxWidth == b.maxWidth && a.lineBreak == b.lineBreak && a.alignment == b.alignment;
}

PangoWeight pangoWeight(int fontconfigWeight) {
  int weight = FcWeightToOpenType(fontconfigWeight);
  return static_cast<PangoWeight>(std::clamp(weight, 100, 1000));
}

PangoStyle pangoStyle(int slant) {
  if (slant >= FC_SLANT_OBLIQUE) return PANGO_STYLE_OBLIQUE;
  if (slant >= FC_SLANT_ITALIC) return PANGO_STYLE_ITALIC;
  return PANGO_STYLE_NORMAL;
}

std::string_view validUtf8(std::string_view text, std::string& buffer) {
  const gchar* end = nullptr;
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), &end) &&
      std::find(text.begin(), text.end(), '\0') == text.end())
    return text;
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  buffer.assign(valid);
  g_free(valid);
  return buffer;
}

bool limited(double value, double limit) { return std::isfinite(value) && value > 0 && value < limit; }

void configure(ThreadPango& pango, std::string_view rawText, const Font& font,
               const std::vector<TextRun>* runs, TextLayoutOptions options) {
  PangoLayout* layout = pango.layout;
  if (!limited(options.maxWidth, kUnlimitedWidth)) {
    options.maxWidth = 0;
    options.lineBreak = LineBreakMode::clip;
  }
  const bool plain = !runs || runs->empty();
  auto& held = pango.held;
  if (plain && held.valid && held.text == rawText && sameLayout(held.options, options) &&
      pango_font_description_equal(held.font, font.description()))
    return;
  held.valid = false;
  std::string_view text = validUtf8(rawText, pango.validText);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  pango_layout_set_font_description(layout, font.description());

  PangoAttrList* attributes = pango.plainAttributes;
  if (!plain) {
    attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, ThreadPango::newFeatures());
    for (const TextRun& run : *runs) {
      if (run.start >= text.size()) continue;
      auto start = static_cast<guint>(run.start);
      auto end = static_cast<guint>(std::min(text.size(), run.start + std::min(run.length, text.size())));
      if (run.font) {
        PangoAttribute* attribute = pango_attr_font_desc_new(run.font->description());
        attribute->start_index = start, attribute->end_index = end;
        pango_attr_list_insert(attributes, attribute);
      }
      if (run.color) {
        auto channel = [](double v) {
          return static_cast<guint16>(std::lround((std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0) * 65535));
        };
        PangoAttribute* color = pango_attr_foreground_new(channel(run.color->r),
                                                          channel(run.color->g),
                                                          channel(run.color->b));
        color->start_index = start, color->end_index = end;
        pango_attr_list_insert(attributes, color);
        PangoAttribute* alpha = pango_attr_foreground_alpha_new(std::max<guint16>(1, channel(run.color->a)));
        alpha->start_index = start, alpha->end_index = end;
        pango_attr_list_insert(attributes, alpha);
      }
    }
  }
  pango_layout_set_attributes(layout, attributes);
  if (!plain) pango_attr_list_unref(attributes);

  const bool widthLimited = limited(options.maxWidth, kUnlimitedWidth);
  pango_layout_set_width(layout, widthLimited && options.lineBreak != LineBreakMode::clip
                                     ? static_cast<int>(options.maxWidth * PANGO_SCALE)
                                     : -1);
  pango_layout_set_wrap(layout, options.lineBreak == LineBreakMode::charWrap ? PANGO_WRAP_CHAR
                                                                              : PANGO_WRAP_WORD_CHAR);
  PangoEllipsizeMode ellipsize = PANGO_ELLIPSIZE_NONE;
  if (options.lineBreak == LineBreakMode::truncateHead) ellipsize = PANGO_ELLIPSIZE_START;
  if (options.lineBreak == LineBreakMode::truncateMiddle) ellipsize = PANGO_ELLIPSIZE_MIDDLE;
  if (options.lineBreak == LineBreakMode::truncateTail) ellipsize = PANGO_ELLIPSIZE_END;
  pango_layout_set_ellipsize(layout, ellipsize);
  // Lines are limited by the caller (keptLines); ellipsized text keeps one
  // line per paragraph.
  pango_layout_set_height(layout, -1);
  pango_layout_set_justify(layout, options.alignment == TextAlignment::justified);
  pango_layout_set_alignment(layout, options.alignment == TextAlignment::center ? PANGO_ALIGN_CENTER
                                     : options.alignment == TextAlignment::right
                                         ? PANGO_ALIGN_RIGHT
                                         : PANGO_ALIGN_LEFT);
  if (plain) {
    held.text.assign(rawText);
    if (held.font) pango_font_description_free(held.font);
    held.font = pango_font_description_copy(font.description());
    held.options = options;
    held.valid = true;
  }
}

struct KeptLines {
  double width = 0;
  double height = 0;
};

// The lines that fit the options' line and height limits (at least one).
KeptLines keptLines(PangoLayout* layout, const TextLayoutOptions& options) {
  KeptLines kept;
  if (pango_layout_get_character_count(layout) == 0) return kept;
  const bool heightLimited = limited(options.maxHeight, 1e12);
  PangoLayoutIter* iterator = pango_layout_get_iter(layout);
  int count = 0;
  do {
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(iterator, nullptr, &logical);
    double bottom = double(logical.y + logical.height) / PANGO_SCALE;
    if (count > 0 && ((options.maxLines > 0 && count >= options.maxLines) ||
                      (heightLimited && bottom > options.maxHeight + 1e-6)))
      break;
    kept.height = bottom;
    kept.width = std::max(kept.width, double(logical.width) / PANGO_SCALE);
    ++count;
  } while (pango_layout_iter_next_line(iterator));
  pango_layout_iter_free(iterator);
  return kept;
}

void drawLayout(Context& context, std::string_view text, const std::vector<TextRun>* runs,
                const Rect* rect, Point point, const Font& font, const Color& color,
                TextLayoutOptions options) {
  ThreadPango& pango = threadPango();
  if (rect) {
    Rect r = rect->standardized();
    if (!r.isFinite()) return;
    options.maxWidth = r.width();
    options.maxHeight = r.height();
    point = r.origin;
  } else {
    options.maxWidth = 0;
    options.maxHeight = 0;
    options.lineBreak = LineBreakMode::clip;
  }
  context.drawWithSource(point, color, [&](cairo_t* cairo) {
    PangoLayout* layout = pango.layout;
    configure(pango, text, font, runs, options);
    pango_cairo_update_layout(cairo, layout);
    if (!rect) {
      pango_cairo_show_layout(cairo, layout);
      return;
    }
    KeptLines kept = keptLines(layout, options);
    if (kept.height <= 0) return;
    // A layout that does not wrap is aligned here, within the rectangle.
    double offset = 0;
    if (pango_layout_get_width(layout) < 0 && options.alignment != TextAlignment::left &&
        options.alignment != TextAlignment::natural && options.alignment != TextAlignment::justified)
      offset = (options.maxWidth - kept.width) * (options.alignment == TextAlignment::center ? 0.5 : 1.0);
    cairo_save(cairo);
    cairo_new_path(cairo);
    cairo_rectangle(cairo, point.x, point.y, options.maxWidth, kept.height);
    cairo_clip(cairo);
    cairo_move_to(cairo, point.x + offset, point.y);
    pango_cairo_show_layout(cairo, layout);
    cairo_restore(cairo);
  });
}

Size measure(std::string_view text, const std::vector<TextRun>* runs, const Font& font,
             const TextLayoutOptions& options) {
  ThreadPango& pango = threadPango();
  configure(pango, text, font, runs, options);
  KeptLines kept = keptLines(pango.layout, options);
  return {kept.width, kept.height};
}

}  // namespace

// ---- Font ------------------------------------------------------------------

Font::~Font() {
  if (description_) pango_font_description_free(description_);
}

std::shared_ptr<const Font> Font::named(std::string_view name, double size) {
  if (!std::isfinite(size) || size <= 0 || size > 10000) size = kDefaultFontSize;
  static std::mutex mutex;
  static std::map<std::pair<std::string, double>, std::shared_ptr<const Font>, std::less<>> cache;
  std::pair<std::string, double> key(std::string(name), size);
  {
    std::lock_guard lock(mutex);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
  }
  FaceMatch face = resolveFace(name);
  std::shared_ptr<Font> font(new Font);
  font->name_ = key.first;
  font->size_ = size;
  font->fallback_ = face.isFallback;
  font->family_ = face.family;
  font->file_ = face.file;
  font->description_ = pango_font_description_new();
  pango_font_description_set_family(font->description_,
                                    face.family.empty() ? "sans-serif" : face.family.c_str());
  pango_font_description_set_weight(font->description_, pangoWeight(face.weight));
  pango_font_description_set_style(font->description_, pangoStyle(face.slant));
  pango_font_description_set_absolute_size(font->description_, size * PANGO_SCALE);

  PangoFont* loaded = pango_context_load_font(threadPango().context, font->description_);
  if (loaded) {
    PangoFontMetrics* metrics = pango_font_get_metrics(loaded, nullptr);
    font->ascender_ = double(pango_font_metrics_get_ascent(metrics)) / PANGO_SCALE;
    font->descender_ = -double(pango_font_metrics_get_descent(metrics)) / PANGO_SCALE;
    font->lineHeight_ = double(pango_font_metrics_get_height(metrics)) / PANGO_SCALE;
    if (font->lineHeight_ <= 0) font->lineHeight_ = font->ascender_ - font->descender_;
    pango_font_metrics_unref(metrics);
    g_object_unref(loaded);
  }
  std::lock_guard lock(mutex);
  if (cache.size() > 1024) cache.clear();
  auto [it, added] = cache.emplace(std::move(key), std::move(font));
  return it->second;
}

std::shared_ptr<const Font> Font::systemFont(double size) { return named("sans-serif", size); }

// ---- text ------------------------------------------------------------------

double stringWidth(std::string_view text, const Font& font) {
  ThreadPango& pango = threadPango();
  configure(pango, text, font, nullptr, {});
  PangoRectangle logical;
  pango_layout_get_extents(pango.layout, nullptr, &logical);
  return double(logical.width) / PANGO_SCALE;
}

Size textSize(std::string_view text, const Font& font, const TextLayoutOptions& options) {
  return measure(text, nullptr, font, options);
}

Size textSize(const AttributedString& text, const Font& defaultFont,
              const TextLayoutOptions& options) {
  return measure(text.text, &text.runs, defaultFont, options);
}

void drawString(Context& context, std::string_view text, Point point, const Font& font,
                const Color& color) {
  drawLayout(context, text, nullptr, nullptr, point, font, color, {});
}

void drawString(Context& context, std::string_view text, const Rect& rect, const Font& font,
                const Color& color, const TextLayoutOptions& options) {
  drawLayout(context, text, nullptr, &rect, {}, font, color, options);
}

void drawAttributedString(Context& context, const AttributedString& text, const Rect& rect,
                          const Font& defaultFont, const Color& defaultColor,
                          const TextLayoutOptions& options) {
  drawLayout(context, text.text, &text.runs, &rect, {}, defaultFont, defaultColor, options);
}

}  // namespace cg
