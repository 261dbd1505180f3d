#include "ui/foundation/sv_alert_controller.h"

#include "ui/foundation/shell.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"

SVAlertController::SVAlertController(std::string title, std::string message, ui::AlertControllerStyle style)
    : ui::AlertController(std::move(title), std::move(message), style) {
  // Where the theme leaves the alert to the platform, the dark theme takes
  // the platform's dark look: a bright box would spoil dark adaptation.
  if (currentThemeColumn() == ThemeColumn::dark) overrideUserInterfaceStyle = 2;
}

void SVAlertController::viewWillAppear(bool animated) {
  ui::AlertController::viewWillAppear(animated);
  view()->setTintColor(themeColor(ThemeColor::alertTint, ThemeColumn::light));
  if (AppDelegate::isNightVision()) {
    view()->setHidden(true);
    view()->setAlpha(0);
  }
}

void SVAlertController::viewDidAppear(bool animated) {
  ui::AlertController::viewDidAppear(animated);
  if (!AppDelegate::isNightVision()) return;
  colorizeForNightVision();
  view()->setHidden(false);
  view()->setAlpha(1);
}

void SVAlertController::colorizeForNightVision() {
  const ThemeColumn night = ThemeColumn::night;
  view()->setTintColor(themeColor(ThemeColor::alertTint, night));
  const double radius = Utility::currentOSVersionIsGreaterThanOrEqualTo("10") ? 13 : 5;
  // This platform's alert view is a dimming layer over the screen; the
  // alert itself is its box, below which the chain of last subviews runs
  // (box, content, button stack). Controls at the end of the chain keep
  // their own look.
  ui::View* v = box();
  for (int i = 0; i < 4 && v != nullptr && dynamic_cast<ui::Control*>(v) == nullptr; ++i) {
    v->setBackgroundColor(themeColor(ThemeColor::alertBackground, night));
    v->layer().cornerRadius = radius;
    v->layer().borderWidth = 1;
    v->layer().borderColor = *themeColor(ThemeColor::alertBorder, night);
    v = v->subviews().empty() ? nullptr : v->subviews().back().get();
  }
  Utility::setUILabelsOf(view().get(), *themeColor(ThemeColor::alertLabelText, night));
}
