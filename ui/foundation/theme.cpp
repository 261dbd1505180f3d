#include "ui/foundation/theme.h"

#include <array>
#include <string>

#include "platform/coregraphics/context.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"

namespace {

// One cell of the colour table: a colour, or the platform's own (none).
struct Cell {
  bool set = false;
  double r = 0, g = 0, b = 0, a = 1;
};

constexpr Cell none{};
constexpr Cell rgb(double r, double g, double b, double a = 1) { return {true, r, g, b, a}; }
constexpr Cell grey(double w) { return rgb(w, w, w); }
constexpr Cell kWhite = grey(1), kBlack = grey(0), kRed = rgb(1, 0, 0);
// The platform's named greys (ui::Color::lightGray and friends).
constexpr Cell kLightGray = grey(2.0 / 3), kDarkGray = grey(1.0 / 3), kGray = grey(0.5);

struct Row {
  ThemeColor element;
  Cell light, dark, night;
};

// The theme colour table. Where a cell is `none` the platform's colour
// (or no colour) applies; the dark selected-cell background is computed
// from the window's tint (SVTableViewCell).
constexpr Row kColors[] = {
    {ThemeColor::screenBackground, grey(0.1), grey(0.1), rgb(0.1, 0, 0)},
    {ThemeColor::navigationBarTint, grey(0.1), grey(0.1), rgb(0.1, 0, 0)},
    {ThemeColor::navigationBarTitle, kWhite, kWhite, rgb(0.8, 0, 0)},
    {ThemeColor::tableBackground, kBlack, kBlack, rgb(0.1, 0, 0)},
    {ThemeColor::tableSeparator, grey(0.2), grey(0.2), rgb(0.4, 0, 0)},
    {ThemeColor::sectionHeaderText, kLightGray, kLightGray, rgb(0.6, 0, 0)},
    {ThemeColor::sectionHeaderBackground, grey(0.15), grey(0.15), rgb(0.15, 0, 0)},
    {ThemeColor::sectionHeaderLabel, rgb(75 / 255.0, 86 / 255.0, 140 / 255.0), grey(0.75), rgb(1, 0, 0)},
    {ThemeColor::cellBackground, kWhite, kBlack, kBlack},
    // Light cells take the platform's dark text: the table's grey 0.9 on
    // their white background could not be read (1.25:1).
    {ThemeColor::cellText, kBlack, grey(0.9), rgb(0.8, 0, 0)},
    {ThemeColor::cellDetailText, rgb(64 / 255.0, 104 / 255.0, 147 / 255.0), rgb(136 / 255.0, 136 / 255.0, 1),
     rgb(0.6, 0, 0)},
    {ThemeColor::cellSelectedBackground, none, none, rgb(0.5, 0, 0)},
    {ThemeColor::cellHighlightedText, kBlack, kBlack, kBlack},
    {ThemeColor::disclosureTint, none, none, rgb(0.8, 0, 0)},
    {ThemeColor::checkmarkTint, none, none, kRed},
    {ThemeColor::alertBackground, none, none, rgb(0.3, 0.1, 0.1)},
    {ThemeColor::alertBorder, none, none, kRed},
    {ThemeColor::alertTint, rgb(0, 0.5, 0.9), rgb(0, 0.5, 0.9), kRed},
    {ThemeColor::alertLabelText, none, none, rgb(0.8, 0, 0)},
    {ThemeColor::segmentedLabel, none, none, kRed},
    {ThemeColor::segmentedTint, none, none, kRed},
    {ThemeColor::segmentedBackground, none, none, rgb(0.2, 0, 0)},
    {ThemeColor::segmentedSelected, none, none, rgb(0.5, 0, 0)},
    {ThemeColor::label, none, grey(0.75), kRed},
    {ThemeColor::textFieldText, kBlack, none, rgb(0.7, 0, 0)},
    {ThemeColor::textFieldDisabledText, kDarkGray, none, rgb(0.5, 0, 0)},
    {ThemeColor::textFieldBackground, none, none, rgb(0, 0, 0, 0)},
    {ThemeColor::textFieldDisabledBackground, kLightGray, none, rgb(0, 0, 0, 0)},
    {ThemeColor::searchBarTint, grey(0.1), grey(0.1), kBlack},
    {ThemeColor::searchFieldBackground, kWhite, kBlack, rgb(0.2, 0, 0)},
    {ThemeColor::searchFieldText, kBlack, kWhite, rgb(0.9, 0, 0)},
    {ThemeColor::searchFieldDisabledText, kLightGray, kDarkGray, rgb(0.9, 0, 0)},
    // The platform's grey placeholder would glare at night.
    {ThemeColor::fieldPlaceholder, none, none, rgb(0.55, 0, 0)},
    {ThemeColor::toolbarTint, none, none, rgb(0.3, 0, 0)},
    {ThemeColor::toolbarFill, none, none, rgb(0.1, 0, 0, 0.8)},
    {ThemeColor::switchOverlay, none, none, rgb(0.5, 0, 0, 0.8)},
    // At night a switch is drawn in reds of clearly different brightness:
    // a bright track with a dark thumb when on, a dark one with a dim
    // outline and thumb when off.
    {ThemeColor::switchOnTint, none, none, rgb(0.75, 0, 0)},
    {ThemeColor::switchThumb, none, none, rgb(0.15, 0, 0)},
    {ThemeColor::switchOffTint, none, none, rgb(0.5, 0, 0)},
    {ThemeColor::switchOffTrack, none, none, rgb(0.1, 0, 0)},
    {ThemeColor::switchOffThumb, none, none, rgb(0.45, 0, 0)},
    {ThemeColor::buttonTitle, none, none, kRed},
    {ThemeColor::buttonDisabledTitle, none, kGray, none},
    {ThemeColor::buttonOverlay, none, rgb(0.5, 0.5, 0.5, 0.5), rgb(0.8, 0, 0, 0.6)},
    {ThemeColor::datePickerText, none, none, kRed},
    {ThemeColor::datePickerBackground, none, none, kBlack},
    {ThemeColor::datePickerOverlay, none, none, rgb(0.3, 0, 0, 0.6)},
    {ThemeColor::mapOverlay, none, none, rgb(0.6, 0, 0, 0.6)},
    {ThemeColor::locationSwitchOnTint, none, none, rgb(0.7, 0, 0)},
    {ThemeColor::locationSwitchThumb, none, none, rgb(0.9, 0, 0)},
    {ThemeColor::keyboardOverlay, none, none, rgb(0.2, 0, 0, 0.8)},
};

constexpr bool rowsInOrder() {
  if (std::size(kColors) != static_cast<std::size_t>(ThemeColor::count)) return false;
  for (std::size_t i = 0; i < std::size(kColors); ++i)
    if (kColors[i].element != static_cast<ThemeColor>(i)) return false;
  return true;
}
static_assert(rowsInOrder(), "one row per element, in the order of ThemeColor");

}  // namespace

ThemeColumn themeColumn(int theme) {
  if (theme == 3) return ThemeColumn::night;
  if (theme == 2) return ThemeColumn::dark;
  return ThemeColumn::light;
}

ThemeColumn currentThemeColumn() { return themeColumn(AppDelegate::appTheme()); }

ThemeColumn appearanceColumn() {
  if (AppDelegate::isNightVision()) return ThemeColumn::night;
  return Utility::isDarkMode() ? ThemeColumn::dark : ThemeColumn::light;
}

std::optional<ui::Color> themeColor(ThemeColor element, ThemeColumn column) {
  const auto index = static_cast<std::size_t>(element);
  if (index >= std::size(kColors)) return std::nullopt;
  const Row& row = kColors[index];
  const Cell& cell = column == ThemeColumn::night ? row.night : column == ThemeColumn::dark ? row.dark : row.light;
  if (!cell.set) return std::nullopt;
  return ui::Color{cell.r, cell.g, cell.b, cell.a};
}

std::optional<ui::Color> themeColor(ThemeColor element) { return themeColor(element, currentThemeColumn()); }

// ---- SVColor, SVUtility ----------------------------------------------------------

ui::Color SVColor::colorWithRed(double red, double green, double blue, double alpha) {
  return ui::Color{red, green, blue, alpha};
}

ui::Color SVColor::viewBackgroundColor() { return *themeColor(ThemeColor::screenBackground); }

ui::ImagePointer SVUtility::imageNamed(std::string_view base, std::string_view extension) {
  const std::string b(base), dot = "." + std::string(extension);
  const int theme = AppDelegate::appTheme();
  if (theme == 3) {
    if (auto image = ui::Image::named(b + "_night" + dot)) return image;
  }
  if (theme == 3 || theme == 2) {
    if (auto image = ui::Image::named(b + "_dark" + dot)) return image;
  }
  return ui::Image::named(b + dot);
}

// ---- tinting ---------------------------------------------------------------------

ui::ImagePointer tintedImageUsingColor(const ui::ImagePointer& image, const ui::Color& color) {
  if (!image) return nullptr;
  const cg::Size size = image->size();
  return tintedImageUsingColor(image, color, ui::Rect{0, 0, size.width, size.height});
}

ui::ImagePointer tintedImageUsingColor(const ui::ImagePointer& image, const ui::Color& color,
                                       const ui::Rect& rect) {
  if (!image) return nullptr;
  const cg::Image& bitmap = image->bitmap();
  auto context = cg::Context::createBitmap(bitmap.width(), bitmap.height());
  if (!context) return nullptr;
  // Points with y downwards, as the interface draws.
  const double scale = image->scale();
  context->translateCTM(0, double(bitmap.height()));
  context->scaleCTM(scale, -scale);
  const cg::Size size = image->size();
  image->drawInRect(*context, {0, 0, size.width, size.height});
  context->setBlendMode(cg::BlendMode::sourceAtop);
  context->setFillColor(color.cg());
  context->fillRect(rect);
  auto tinted = context->makeImage();
  if (!tinted) return nullptr;
  return std::make_shared<ui::Image>(std::move(tinted), scale);
}

// ---- SystemFontOverride ----------------------------------------------------------

void SystemFontOverride::install() {
  ui::Font::setSystemFontProvider([](ui::SystemFontKind kind, double size) {
    switch (kind) {
      case ui::SystemFontKind::bold: return ui::Font::withName("Exo-Bold", size);
      case ui::SystemFontKind::italic: return ui::Font::withName("Exo-Oblique", size);
      case ui::SystemFontKind::regular: break;
    }
    return ui::Font::withName("Exo", size);
  });
}

void SystemFontOverride::uninstall() { ui::Font::setSystemFontProvider(nullptr); }
