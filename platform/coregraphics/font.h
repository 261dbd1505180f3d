// Interface fonts: a face name and a size, laid out through Pango.
//
// Thread rules: a Font is immutable once made and may be shared by any
// threads. Metrics are in user-space units (points) and do not depend on
// the context a text is later drawn in.
#pragma once

#include <memory>
#include <string>
#include <string_view>

typedef struct _PangoFontDescription PangoFontDescription;

namespace cg {

class Font {
 public:
  // The face the font configuration gives `name` at `size` points. A name
  // nobody knows gives the system font of that size (isFallback() says
  // so). A size that is not positive and finite is taken as 12. Fonts are
  // cached, so asking again is cheap.
  static std::shared_ptr<const Font> named(std::string_view name, double size);
  // The system font (the configuration's "sans-serif").
  static std::shared_ptr<const Font> systemFont(double size);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const std::string& name() const { return name_; }
  double pointSize() const { return size_; }
  bool isFallback() const { return fallback_; }
  // The family and file the name resolved to.
  const std::string& familyName() const { return family_; }
  const std::string& filePath() const { return file_; }
  // Distance from the baseline to the top of the tallest glyphs (positive)
  // and to the bottom of the lowest (negative), and the distance between
  // baselines of two lines.
  double ascender() const { return ascender_; }
  double descender() const { return descender_; }
  double lineHeight() const { return lineHeight_; }

  // For the text layer.
  const PangoFontDescription* description() const { return description_; }

 private:
  Font() = default;
  std::string name_, family_, file_;
  double size_ = 12;
  bool fallback_ = false;
  double ascender_ = 0, descender_ = 0, lineHeight_ = 0;
  PangoFontDescription* description_ = nullptr;
};

}  // namespace cg
