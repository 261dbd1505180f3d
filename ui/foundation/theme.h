// Colour themes: the rule every themed class applies (3 night vision, 2
// dark, anything else light), the table of theme colours, the colour
// factory, themed image lookup, tinting of images and the replacement of
// the system font by the "Exo" faces.
//
// Thread rules: main thread only.
#pragma once

#include <optional>
#include <string_view>

#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/image.h"

// The columns of the colour table.
enum class ThemeColumn { light, dark, night };

// The column of a theme code: 3 night, 2 dark, any other value light.
ThemeColumn themeColumn(int theme);
// The column of the present theme (AppDelegate::appTheme()).
ThemeColumn currentThemeColumn();
// Search bars and text fields: night by the theme; otherwise light or dark
// by the device's own appearance (Utility::isDarkMode()).
ThemeColumn appearanceColumn();

// Rows of the colour table; each names where it is applied.
enum class ThemeColor {
  screenBackground,             // SVViewController's view, SVColor::viewBackgroundColor
  navigationBarTint,            // SVNavigationController
  navigationBarTitle,
  tableBackground,              // SVTableView::tableBackgroundColor
  tableSeparator,               // SVTableView::tableSeparatorColor
  sectionHeaderText,            // SVTableView::sectionHeaderTextColor
  sectionHeaderBackground,      // SVTableView::sectionHeaderBackgroundColor
  sectionHeaderLabel,           // SVSectionHeader
  cellBackground,               // SVTableViewCell::backgroundColor (cached)
  cellText,                     // SVTableViewCell::textColor (cached)
  cellDetailText,               // SVTableViewCell::detailTextColor (cached)
  cellSelectedBackground,       // dark: the tint at 0.7 brightness (computed)
  cellHighlightedText,
  disclosureTint,               // "Disclosure.png"
  checkmarkTint,                // "Checkmark.png"
  alertBackground,              // SVAlertController
  alertBorder,
  alertTint,
  alertLabelText,
  segmentedLabel,               // SVSegmentedControl
  segmentedTint,
  segmentedBackground,
  segmentedSelected,
  label,                        // SVLabel
  textFieldText,                // SVTextField (light and dark by appearance)
  textFieldDisabledText,
  textFieldBackground,
  textFieldDisabledBackground,
  searchBarTint,                // SVSearchBar (light and dark by appearance)
  searchFieldBackground,
  searchFieldText,
  searchFieldDisabledText,
  fieldPlaceholder,             // the placeholder of text and search fields
  toolbarTint,                  // SVToolbar
  toolbarFill,
  switchOverlay,                // SVSwitchOverlay
  switchOnTint,                 // SVSwitch's own colours
  switchThumb,
  switchOffTint,
  switchOffTrack,
  switchOffThumb,
  buttonTitle,                  // SVButton
  buttonDisabledTitle,
  buttonOverlay,                // SVButtonOverlay
  datePickerText,               // SVDatePicker
  datePickerBackground,
  datePickerOverlay,
  mapOverlay,                   // the location map picker
  locationSwitchOnTint,         // the location screen's switch (system before 13.0)
  locationSwitchThumb,
  keyboardOverlay,              // the application delegate's night-vision overlay
  count
};

// The colour of a row in a column; nothing where the platform's own colour
// (or no colour at all) applies.
std::optional<ui::Color> themeColor(ThemeColor element, ThemeColumn column);
// The same in the present theme.
std::optional<ui::Color> themeColor(ThemeColor element);

class SVColor {
 public:
  // Exactly the four components given.
  static ui::Color colorWithRed(double red, double green, double blue, double alpha);
  // The screen background of the present theme.
  static ui::Color viewBackgroundColor();
};

class SVUtility {
 public:
  // The bundle's image for the present theme: night vision tries
  // base_night.ext, then base_dark.ext; dark tries base_dark.ext; then
  // every theme base.ext. Null when none exists.
  static ui::ImagePointer imageNamed(std::string_view base, std::string_view extension);
};

// The image with the colour laid over the pixels it covers, keeping their
// alpha (source-atop): over the whole image, or within a rectangle of it
// (points, y downwards; outside it the image is unchanged). Same size and
// scale; null for a null image.
ui::ImagePointer tintedImageUsingColor(const ui::ImagePointer& image, const ui::Color& color);
ui::ImagePointer tintedImageUsingColor(const ui::ImagePointer& image, const ui::Color& color,
                                       const ui::Rect& rect);

// Every system-font request of the interface answers with the "Exo" faces:
// regular "Exo", bold "Exo-Bold", italic "Exo-Oblique" at the size asked;
// text styles 17-point "Exo". Fonts decoded from screen definitions take
// the same road (their usage attribute asks for a system face).
class SystemFontOverride {
 public:
  static void install();
  static void uninstall();
};
