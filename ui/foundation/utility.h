// Utility: the small services the screens, the settings model and the
// application delegate share: time and dates, the user's folders, Base64,
// number text, rounded rectangles, the head-up display's colour, themed
// images, screen and system queries, view-tree searches and bulk enabling,
// and ready-made alerts.
//
// Thread rules: main thread only, except currentTimeInSeconds and the date
// conversions, which any thread may call.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/coregraphics/context.h"
#include "platform/foundation/date.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/text_input.h"
#include "platform/uikit/window.h"

class SVAlertController;

// A table cell whose accessory is an on/off switch that is enabled and
// disabled with the cell (the settings pages' switched cell).
class SwitchedCell {
 public:
  virtual ~SwitchedCell() = default;
  virtual ui::Switch* onOffSwitch() const = 0;
};

class Utility {
 public:
  Utility() = delete;

  // ---- Time and dates ----
  // Seconds since 1970-01-01 UTC on the system's wall clock, with
  // microseconds.
  static double currentTimeInSeconds();
  // Nothing for an infinite (or not-a-number) Julian date; otherwise the
  // date (jd - 2451910.5) days after 2001-01-01 00:00 UTC.
  static std::optional<ns::Date> NSDateFromJulianDate(double jd);
  // The inverse; +infinity for no date (the value an unknown time has).
  static double JulianDateFromNSDate(std::optional<ns::Date> date);

  // ---- Files ----
  static std::string documentsDirectory();
  static std::string cachesDirectory();
  // The bundle's "CFBundleVersion".
  static std::string appVersionString();

  // ---- Data ----
  // RFC 4648 Base64 with padding, no line breaks.
  static std::string base64forData(std::string_view data);
  // The value with at most `digits` fraction digits (0 to 20; others are
  // clamped), rounded to nearest (ties to even, on the exact binary value),
  // trailing zeros and a bare point dropped: 2.5 -> "2.5", 3.0 -> "3".
  static std::string stringValueWithoutTrailingZeros(double value, int digits);

  // ---- Drawing ----
  // Adds a closed path of the rectangle with arcs of `radius` at its
  // corners: from (x, y + r) through the corners (x, y), (x + w, y),
  // (x + w, y + h), (x, y + h). The radius is clamped to half the shorter
  // side (a larger one would make the arcs loop); an empty rectangle adds
  // nothing.
  static void addRoundRect(cg::Context& context, const ui::Rect& rect, double radius);
  // The head-up display's colour by night vision and the delegate's colour
  // style.
  static ui::Color getHUDColor();
  // The theme's variant of an image (SVUtility::imageNamed).
  static ui::ImagePointer imageNamed(std::string_view base, std::string_view extension);

  // ---- Platform state ----
  static int interfaceOrientation();
  // The chart screen's interface style is dark.
  static bool isDarkMode();
  static double screenScale();
  // All four orientations (30).
  static unsigned supportedInterfaceOrientations();
  // The device's system version compared with `version`, numbers within
  // them compared as numbers ("10.0" is greater than "9.3").
  static bool currentOSVersionIsGreaterThanOrEqualTo(std::string_view version);
  static bool currentOSVersionIsLessThanOrEqualTo(std::string_view version);
  // -1, 0 or 1 as a is before, equal to or after b in that comparison.
  static int compareVersions(std::string_view a, std::string_view b);
  // The key window's root controller, followed through what it presents.
  static ui::ViewController* topMostController();
  // The keyboard's window, or null.
  static ui::Window* keyboardWindow();

  // ---- View trees ----
  // Depth first, the view itself first, subviews in order.
  static ui::View* findSubviewOf(ui::View* view, const std::function<bool(const ui::View&)>& matches);
  template <typename T>
  static T* findSubviewOf(ui::View* view) {
    return static_cast<T*>(findSubviewOf(view, [](const ui::View& v) {
      if constexpr (std::is_base_of_v<T, ui::View>) return true;  // every view is one
      else return dynamic_cast<const T*>(&v) != nullptr;
    }));
  }
  template <typename T>
  static T* findViewInView(ui::View* view) {
    return findSubviewOf<T>(view);
  }
  static void setView(ui::View* view, bool enabled);
  static void setSubviewsOf(ui::View* view, bool enabled);
  static void setCell(ui::TableViewCell* cell, bool enabled);
  // Every label below the view, at any depth (switches are not entered;
  // the view itself is left alone).
  static void setUILabelsOf(ui::View* view, const ui::Color& color);
  static void setUITextFieldsOf(ui::View* view, ui::KeyboardAppearance appearance);

  // ---- Alerts (presented animated on topMostController) ----
  static std::shared_ptr<SVAlertController> makeAlertWithTitle(std::string title, std::string message);
  static void addAlertAction(std::string title, SVAlertController& alert, std::function<void()> handler);
  static void addCancelAlertAction(std::string title, SVAlertController& alert, std::function<void()> handler);
  static void showAlert(std::shared_ptr<SVAlertController> alert);
  static void showAlertWithTitle(std::string title, std::string message);
  static void showAlertWithTitle(std::string title, std::string message, std::function<void()> handler);
  static void showAlertWithMessage(std::string message);
};
