#include "platform/uikit/window.h"

#include <cstring>
#include <sstream>

#include "platform/uikit/application.h"
#include "platform/uikit/view_controller.h"
#include "support/environment_setting.h"

namespace ui {
namespace {

// The portrait insets "top,left,bottom,right", 0 to 100 points each;
// nothing for any other text.
std::optional<EdgeInsets> insetsFromText(std::string_view text) {
  const auto fields = settingFields(text, ',', 4);
  if (!fields) return std::nullopt;
  double inset[4];
  for (std::size_t i = 0; i < 4; ++i) {
    const std::optional<double> value = numberInRange((*fields)[i], 0, 100);
    if (!value) return std::nullopt;
    inset[i] = *value;
  }
  return EdgeInsets{inset[0], inset[1], inset[2], inset[3]};
}

}  // namespace

DeviceConfiguration DeviceConfiguration::fromEnvironment() {
  DeviceConfiguration c;
  if (const std::string idiom = environmentValue("TESSALY_IDIOM"); idiom == "pad") {
    c.idiom = Idiom::pad;
    c.portraitSize = {768, 1024};
  } else if (!idiom.empty() && idiom != "phone") {
    reportUnusableSetting("TESSALY_IDIOM", idiom, "phone or pad", "phone");
  }
  if (const std::string screen = environmentValue("TESSALY_SCREEN"); !screen.empty()) {
    const auto sides = settingFields(screen, 'x', 2);
    const auto w = sides ? numberInRange((*sides)[0], 100, 4096) : std::nullopt;
    const auto h = sides ? numberInRange((*sides)[1], 100, 4096) : std::nullopt;
    if (w && h) c.portraitSize = {*w, *h};
    else
      reportUnusableSetting("TESSALY_SCREEN", screen, "a size WxH of 100 to 4096 points each",
                            settingNumberText(c.portraitSize.width) + "x" + settingNumberText(c.portraitSize.height));
  }
  if (const std::optional<double> scale = chosenScale()) c.scale = *scale;
  if (const std::string area = environmentValue("TESSALY_SAFE_AREA"); !area.empty()) {
    if (const std::optional<EdgeInsets> insets = insetsFromText(area)) c.portraitSafeArea = *insets;
    else
      reportUnusableSetting("TESSALY_SAFE_AREA", area, "insets top,left,bottom,right of 0 to 100 points each",
                            "0,0,0,0");
  }
  if (const std::string version = environmentValue("TESSALY_SYSTEM_VERSION"); !version.empty())
    c.systemVersion = version;
  if (const std::string dark = environmentValue("TESSALY_DARK_MODE"); dark == "0" || dark == "1")
    c.darkMode = dark == "1";
  else if (!dark.empty())
    reportUnusableSetting("TESSALY_DARK_MODE", dark, "0 or 1", c.darkMode ? "1" : "0");
  return c;
}

std::optional<double> chosenScale() { return numberInRange(environmentValue("TESSALY_SCALE"), 1, 4); }

void reportUnusableScale(double used) {
  const std::string scale = environmentValue("TESSALY_SCALE");
  if (!scale.empty() && !chosenScale())
    reportUnusableSetting("TESSALY_SCALE", scale, "a scale from 1 to 4", settingNumberText(used));
}

Screen& Screen::main() {
  static Screen screen;
  return screen;
}

void Screen::configure(const DeviceConfiguration& configuration) { configuration_ = configuration; }

Rect Screen::bounds() const {
  Size s = configuration_.portraitSize;
  if (isLandscape(Device::current().orientation())) std::swap(s.width, s.height);
  return {0, 0, s.width, s.height};
}

EdgeInsets Screen::safeAreaInsets() const {
  const EdgeInsets p = configuration_.portraitSafeArea;
  switch (Device::current().orientation()) {
    case kOrientationLandscapeLeft: return {p.right, p.top, p.left, p.bottom};
    case kOrientationLandscapeRight: return {p.left, p.bottom, p.right, p.top};
    case kOrientationPortraitUpsideDown: return {p.bottom, p.right, p.top, p.left};
    default: return p;
  }
}

Device& Device::current() {
  static Device device;
  return device;
}

TraitCollection TraitCollection::current() {
  return {Screen::main().configuration().darkMode ? 2 : 1};
}

// ---- Window --------------------------------------------------------------------

Window::Window() : Window(Screen::main().bounds()) {}
Window::Window(const Rect& frame) : View(frame) {}
Window::~Window() = default;

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
  if (rootViewController_ == controller) return;
  if (rootViewController_ && rootViewController_->isViewLoaded()) rootViewController_->view()->removeFromSuperview();
  rootViewController_ = std::move(controller);
  if (!rootViewController_) return;
  auto view = rootViewController_->view();
  view->setFrame(bounds());
  view->setAutoresizingMask(kFlexibleWidth | kFlexibleHeight);
  const bool visible = Application::shared().isWindowVisible(this);
  if (visible) rootViewController_->beginAppearance(true, false);
  addSubview(view);
  if (visible) rootViewController_->endAppearance();
}

void Window::makeKeyAndVisible() {
  Application& app = Application::shared();
  const bool wasVisible = app.isWindowVisible(this);
  app.addWindow(std::static_pointer_cast<Window>(shared_from_this()));
  app.setKeyWindow(this);
  if (!wasVisible && rootViewController_) {
    rootViewController_->beginAppearance(true, false);
    rootViewController_->endAppearance();
  }
}

void Window::makeKeyWindow() { Application::shared().setKeyWindow(this); }

bool Window::isKeyWindow() const { return Application::shared().keyWindow() == this; }

EdgeInsets Window::windowSafeAreaInsets() const {
  return safeArea_ ? *safeArea_ : Screen::main().safeAreaInsets();
}

Responder* Window::nextResponder() const { return &Application::shared(); }

View* Window::hitTest(Point point, const Event* event) { return View::hitTest(point, event); }

void Window::compose(cg::Context& context) {
  layoutIfNeeded();
  context.saveGState();
  // The window is the root: its frame is the screen's.
  context.translateCTM(-frame().x(), -frame().y());
  renderInContext(context);
  context.restoreGState();
}

std::shared_ptr<cg::Image> Window::snapshot(double scale) {
  auto context = cg::Context::createForPoints(bounds().width(), bounds().height(), scale);
  if (!context) return nullptr;
  context->translateCTM(0, bounds().height());
  context->scaleCTM(1, -1);
  compose(*context);
  return context->makeImage();
}

}  // namespace ui
