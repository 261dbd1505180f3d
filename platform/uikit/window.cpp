#include "platform/uikit/window.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/uikit/application.h"
#include "platform/uikit/view_controller.h"
#include "support/environment_setting.h"

namespace ui {
namespace {

// A size or scale as the user would type it: 375, 1.5.
std::string pointsText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

DeviceConfiguration DeviceConfiguration::fromEnvironment() {
  DeviceConfiguration c;
  if (environmentValue("TESSALY_IDIOM") == "pad") {
    c.idiom = Idiom::pad;
    c.portraitSize = {768, 1024};
  }
  if (const std::string screen = environmentValue("TESSALY_SCREEN"); !screen.empty()) {
    const std::size_t x = screen.find('x');
    const auto w = numberInRange(std::string_view(screen).substr(0, x), 100, 4096);
    const auto h = x == std::string::npos ? std::nullopt : numberInRange(screen.substr(x + 1), 100, 4096);
    if (w && h) c.portraitSize = {*w, *h};
    else
      reportUnusableSetting("TESSALY_SCREEN", screen, "a size WxH of 100 to 4096 points each",
                            pointsText(c.portraitSize.width) + "x" + pointsText(c.portraitSize.height));
  }
  if (const std::optional<double> scale = chosenScale()) c.scale = *scale;
  EdgeInsets insets;
  if (std::sscanf(environmentValue("TESSALY_SAFE_AREA").c_str(), "%lf,%lf,%lf,%lf", &insets.top,
                  &insets.left, &insets.bottom, &insets.right) == 4)
    c.portraitSafeArea = insets;
  if (const std::string version = environmentValue("TESSALY_SYSTEM_VERSION"); !version.empty())
    c.systemVersion = version;
  if (const std::string dark = environmentValue("TESSALY_DARK_MODE"); !dark.empty()) c.darkMode = dark == "1";
  return c;
}

std::optional<double> chosenScale() { return numberInRange(environmentValue("TESSALY_SCALE"), 1, 4); }

void reportUnusableScale(double used) {
  const std::string scale = environmentValue("TESSALY_SCALE");
  if (!scale.empty() && !chosenScale())
    reportUnusableSetting("TESSALY_SCALE", scale, "a scale from 1 to 4", pointsText(used));
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
