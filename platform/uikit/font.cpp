#include "platform/uikit/font.h"

namespace ui {
namespace {

Font::Provider& provider() {
  static Font::Provider installed;
  return installed;
}

// The platform's own system faces (names the font configuration maps).
std::shared_ptr<const Font> platformFont(SystemFontKind kind, double size) {
  switch (kind) {
    case SystemFontKind::bold: return Font::withName("Helvetica-Bold", size);
    case SystemFontKind::italic: return Font::withName("Helvetica-Oblique", size);
    case SystemFontKind::regular: break;
  }
  return Font::withName("Helvetica", size);
}

std::shared_ptr<const Font> system(SystemFontKind kind, double size) {
  if (provider()) {
    if (auto font = provider()(kind, size)) return font;
  }
  return platformFont(kind, size);
}

}  // namespace

std::shared_ptr<const Font> Font::withName(std::string_view name, double size) {
  return std::make_shared<const Font>(cg::Font::named(name, size));
}

std::shared_ptr<const Font> Font::systemFont(double size) { return system(SystemFontKind::regular, size); }
std::shared_ptr<const Font> Font::boldSystemFont(double size) { return system(SystemFontKind::bold, size); }
std::shared_ptr<const Font> Font::italicSystemFont(double size) {
  return system(SystemFontKind::italic, size);
}
std::shared_ptr<const Font> Font::preferredFont(std::string_view) { return systemFont(17); }

void Font::setSystemFontProvider(Provider newProvider) { provider() = std::move(newProvider); }

}  // namespace ui
