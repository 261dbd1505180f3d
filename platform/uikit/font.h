// Interface fonts. Every request for the system font goes through one
// replaceable provider, so an application can give its own faces to every
// caller (and to fonts decoded from interface files).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/coregraphics/font.h"

namespace ui {

enum class SystemFontKind { regular, bold, italic };

class Font {
 public:
  // A face by name; never null (an unknown name gives the system face).
  static std::shared_ptr<const Font> withName(std::string_view name, double size);
  static std::shared_ptr<const Font> systemFont(double size);
  static std::shared_ptr<const Font> boldSystemFont(double size);
  static std::shared_ptr<const Font> italicSystemFont(double size);
  // Every text style gives the provider's regular face at 17 points unless
  // the provider says otherwise.
  static std::shared_ptr<const Font> preferredFont(std::string_view textStyle);

  // The provider answers system-font requests; null restores the platform's.
  using Provider = std::function<std::shared_ptr<const Font>(SystemFontKind, double size)>;
  static void setSystemFontProvider(Provider provider);

  explicit Font(std::shared_ptr<const cg::Font> font) : font_(std::move(font)) {}
  const std::string& fontName() const { return font_->name(); }
  double pointSize() const { return font_->pointSize(); }
  double ascender() const { return font_->ascender(); }
  double descender() const { return font_->descender(); }
  double lineHeight() const { return font_->lineHeight(); }
  std::shared_ptr<const Font> withSize(double size) const { return withName(fontName(), size); }
  const cg::Font& cgFont() const { return *font_; }
  const std::shared_ptr<const cg::Font>& cgFontPointer() const { return font_; }

 private:
  std::shared_ptr<const cg::Font> font_;
};

using FontPointer = std::shared_ptr<const Font>;

}  // namespace ui
