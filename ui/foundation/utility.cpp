#include "ui/foundation/utility.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/foundation/bundle.h"
#include "platform/foundation/run_loop.h"
#include "platform/uikit/application.h"
#include "skydata/sky_object_model.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/theme.h"

// ---- Time and dates --------------------------------------------------------------

// The main run loop's wall time: a test's manual clock moves it.
double Utility::currentTimeInSeconds() { return ns::RunLoop::main().wallTime(); }

std::optional<ns::Date> Utility::NSDateFromJulianDate(double jd) { return dateFromJulianDate(jd); }

double Utility::JulianDateFromNSDate(std::optional<ns::Date> date) {
  // No date is an unknown time, which the program keeps as +infinity; the
  // reference date (what a zero interval would give) would be a real one.
  return date ? julianDateFromDate(*date) : INFINITY;
}

// ---- Files -----------------------------------------------------------------------

std::string Utility::documentsDirectory() { return ns::documentsDirectory(); }
std::string Utility::cachesDirectory() { return ns::cachesDirectory(); }
std::string Utility::appVersionString() { return ns::Bundle::main().infoValue("CFBundleVersion"); }

// ---- Data ------------------------------------------------------------------------

std::string Utility::base64forData(std::string_view data) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const unsigned v = unsigned(std::uint8_t(data[i])) << 16 | unsigned(std::uint8_t(data[i + 1])) << 8 |
                       unsigned(std::uint8_t(data[i + 2]));
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += kAlphabet[v >> 6 & 63];
    out += kAlphabet[v & 63];
  }
  const std::size_t rest = data.size() - i;
  if (rest > 0) {
    unsigned v = unsigned(std::uint8_t(data[i])) << 16;
    if (rest == 2) v |= unsigned(std::uint8_t(data[i + 1])) << 8;
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += rest == 2 ? kAlphabet[v >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

std::string Utility::stringValueWithoutTrailingZeros(double value, int digits) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+\u221E" : "-\u221E";
  digits = std::clamp(digits, 0, 20);
  const int size = std::snprintf(nullptr, 0, "%.*f", digits, value);
  if (size <= 0) return {};
  std::vector<char> text(std::size_t(size) + 1);
  std::snprintf(text.data(), text.size(), "%.*f", digits, value);
  std::string out(text.data(), std::size_t(size));
  if (out.find('.') != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  return out;
}

// ---- Drawing ---------------------------------------------------------------------

void Utility::addRoundRect(cg::Context& context, const ui::Rect& rect, double radius) {
  if (!(rect.width() > 0 && rect.height() > 0)) return;
  ui::addRoundedRect(context, rect, std::isnan(radius) ? 0.0 : radius);
}

ui::Color Utility::getHUDColor() {
  AppDelegate* delegate = AppDelegate::instance();
  const int style = delegate ? delegate->colorStyle() : 0;
  if (style == 2) return ui::Color::black();
  if (AppDelegate::isNightVision()) return ui::Color::rgba(0.8, 0, 0, 1);
  if (style == 1) return ui::Color::whiteColor();
  return ui::Color::green();
}

ui::ImagePointer Utility::imageNamed(std::string_view base, std::string_view extension) {
  return SVUtility::imageNamed(base, extension);
}

// ---- Platform state --------------------------------------------------------------

int Utility::interfaceOrientation() { return ui::Application::shared().statusBarOrientation(); }

bool Utility::isDarkMode() {
  ChartViewController* controller = ChartViewController::currentController();
  return controller != nullptr && controller->traitCollection().userInterfaceStyle == 2;
}

double Utility::screenScale() {
  const double scale = ui::Screen::main().scale();
  return scale > 0 ? scale : 1.0;
}

unsigned Utility::supportedInterfaceOrientations() { return ui::kAllInterfaceOrientations; }

int Utility::compareVersions(std::string_view a, std::string_view b) {
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      // Whole runs of digits compare as numbers of any length.
      std::size_t ei = i, ej = j;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      std::string_view x = a.substr(i, ei - i), y = b.substr(j, ej - j);
      while (x.size() > 1 && x.front() == '0') x.remove_prefix(1);
      while (y.size() > 1 && y.front() == '0') y.remove_prefix(1);
      if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
      if (int c = x.compare(y); c != 0) return c < 0 ? -1 : 1;
      i = ei, j = ej;
      continue;
    }
    if (a[i] != b[j]) return std::uint8_t(a[i]) < std::uint8_t(b[j]) ? -1 : 1;
    ++i, ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool Utility::currentOSVersionIsGreaterThanOrEqualTo(std::string_view version) {
  return compareVersions(ui::Device::current().systemVersion(), version) >= 0;
}

bool Utility::currentOSVersionIsLessThanOrEqualTo(std::string_view version) {
  return compareVersions(ui::Device::current().systemVersion(), version) <= 0;
}

ui::ViewController* Utility::topMostController() {
  ui::Window* window = ui::Application::shared().keyWindow();
  ui::ViewController* top = window ? window->rootViewController().get() : nullptr;
  while (top && top->presentedViewController()) top = top->presentedViewController();
  return top;
}

ui::Window* Utility::keyboardWindow() {
  for (const char* name : {"UIRemoteKeyboardWindow", "UITextEffectsWindow"}) {
    for (const auto& window : ui::Application::shared().windows()) {
      if (window->className() == name) {
        std::fprintf(stderr, "Found keyboardWindow: %s\n", name);
        return window.get();
      }
    }
  }
  return nullptr;
}

// ---- View trees ------------------------------------------------------------------

ui::View* Utility::findSubviewOf(ui::View* view, const std::function<bool(const ui::View&)>& matches) {
  if (view == nullptr) return nullptr;
  if (matches(*view)) return view;
  for (const auto& subview : view->subviews())
    if (ui::View* found = findSubviewOf(subview.get(), matches)) return found;
  return nullptr;
}

void Utility::setView(ui::View* view, bool enabled) {
  if (view == nullptr) return;
  if (auto* control = dynamic_cast<ui::Control*>(view)) {
    control->setEnabled(enabled);  // text fields are controls too
  } else if (auto* label = dynamic_cast<ui::Label*>(view)) {
    if (AppDelegate::isNightVision()) {
      label->setTextColor(label->textColor().withAlpha(enabled ? 1.0 : 0.5));
    } else {
      label->setEnabled(enabled);
    }
  } else {
    setSubviewsOf(view, enabled);
  }
}

void Utility::setSubviewsOf(ui::View* view, bool enabled) {
  if (view == nullptr) return;
  // A copy: enabling may change the tree.
  const auto subviews = view->subviews();
  for (const auto& subview : subviews) setView(subview.get(), enabled);
}

void Utility::setCell(ui::TableViewCell* cell, bool enabled) {
  if (cell == nullptr) return;
  const auto accessory = cell->accessoryType();
  const bool selectable = enabled && (accessory == ui::TableViewCellAccessory::disclosureIndicator ||
                                      accessory == ui::TableViewCellAccessory::detailDisclosureButton);
  cell->selectionStyle = selectable ? ui::TableViewCellSelectionStyle::blue : ui::TableViewCellSelectionStyle::none;
  setView(cell, enabled);
  if (auto* switched = dynamic_cast<SwitchedCell*>(cell)) {
    if (ui::Switch* onOff = switched->onOffSwitch()) onOff->setEnabled(enabled);
  }
}

namespace {

template <typename Visit>
void forEachBelow(ui::View* view, const Visit& visit) {
  for (const auto& subview : view->subviews()) {
    visit(subview.get());
    if (dynamic_cast<ui::Switch*>(subview.get()) == nullptr) forEachBelow(subview.get(), visit);
  }
}

}  // namespace

void Utility::setUILabelsOf(ui::View* view, const ui::Color& color) {
  if (view == nullptr) return;
  forEachBelow(view, [&](ui::View* v) {
    if (auto* label = dynamic_cast<ui::Label*>(v)) label->setTextColor(color);
  });
}

void Utility::setUITextFieldsOf(ui::View* view, ui::KeyboardAppearance appearance) {
  if (view == nullptr) return;
  forEachBelow(view, [&](ui::View* v) {
    if (auto* field = dynamic_cast<ui::TextField*>(v)) field->keyboardAppearance = appearance;
  });
}

// ---- Alerts ----------------------------------------------------------------------

std::shared_ptr<SVAlertController> Utility::makeAlertWithTitle(std::string title, std::string message) {
  return std::make_shared<SVAlertController>(std::move(title), std::move(message));
}

namespace {

void addAction(std::string title, SVAlertController& alert, std::function<void()> handler,
               ui::AlertActionStyle style) {
  ui::AlertAction action;
  action.title = std::move(title);
  action.style = style;
  if (handler) action.handler = [handler = std::move(handler)](const ui::AlertAction&) { handler(); };
  alert.addAction(std::move(action));
}

}  // namespace

void Utility::addAlertAction(std::string title, SVAlertController& alert, std::function<void()> handler) {
  addAction(std::move(title), alert, std::move(handler), ui::AlertActionStyle::defaultStyle);
}

void Utility::addCancelAlertAction(std::string title, SVAlertController& alert, std::function<void()> handler) {
  addAction(std::move(title), alert, std::move(handler), ui::AlertActionStyle::cancel);
}

void Utility::showAlert(std::shared_ptr<SVAlertController> alert) {
  if (!alert) return;
  if (ui::ViewController* top = topMostController()) top->presentViewController(std::move(alert), true);
}

void Utility::showAlertWithTitle(std::string title, std::string message) {
  auto alert = makeAlertWithTitle(std::move(title), std::move(message));
  addAlertAction("OK", *alert, nullptr);
  showAlert(std::move(alert));
}

void Utility::showAlertWithTitle(std::string title, std::string message, std::function<void()> handler) {
  auto alert = makeAlertWithTitle(std::move(title), std::move(message));
  addAlertAction("OK", *alert, std::move(handler));
  showAlert(std::move(alert));
}

void Utility::showAlertWithMessage(std::string message) { showAlertWithTitle({}, std::move(message)); }
