// Windows, the screen and the device.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/view.h"

namespace ui {

class ViewController;

enum class Idiom { phone = 0, pad = 1 };
// The platform's orientation numbers: 1 portrait, 2 upside down,
// 3 landscape left, 4 landscape right.
enum Orientation : int {
  kOrientationPortrait = 1,
  kOrientationPortraitUpsideDown = 2,
  kOrientationLandscapeLeft = 3,
  kOrientationLandscapeRight = 4,
};
inline bool isLandscape(int orientation) {
  return orientation == kOrientationLandscapeLeft || orientation == kOrientationLandscapeRight;
}

// What the host says of the device; read from the environment by default:
// TESSALY_IDIOM (phone, pad), TESSALY_SCREEN (WxH points, portrait),
// TESSALY_SCALE, TESSALY_SAFE_AREA (top,left,bottom,right in portrait, 0
// to 100 points each), TESSALY_SYSTEM_VERSION, TESSALY_DARK_MODE (1 for
// dark, 0 for light). An idiom, screen size, safe area or dark mode set
// but unusable says so once and the device's own is used; a scale
// set but unusable is the host's to report (reportUnusableScale), as the
// desktop fits the scale to the display first.
struct DeviceConfiguration {
  Idiom idiom = Idiom::phone;
  Size portraitSize{375, 667};
  double scale = 2;
  EdgeInsets portraitSafeArea;
  std::string systemVersion = "16.0";
  bool darkMode = true;
  static DeviceConfiguration fromEnvironment();
};

// The scale TESSALY_SCALE chooses (1 to 4); nothing when it is unset or
// cannot be used.
std::optional<double> chosenScale();
// Says once that TESSALY_SCALE is set but cannot be used, naming `used`,
// the scale taken instead.
void reportUnusableScale(double used);

class Screen {
 public:
  static Screen& main();
  Rect bounds() const;  // in the present orientation
  double scale() const { return configuration_.scale; }
  EdgeInsets safeAreaInsets() const;  // in the present orientation
  const DeviceConfiguration& configuration() const { return configuration_; }
  void configure(const DeviceConfiguration& configuration);

 private:
  DeviceConfiguration configuration_ = DeviceConfiguration::fromEnvironment();
};

class Device {
 public:
  static Device& current();
  Idiom userInterfaceIdiom() const { return Screen::main().configuration().idiom; }
  std::string systemVersion() const { return Screen::main().configuration().systemVersion; }
  int orientation() const { return orientation_; }
  void setOrientation(int orientation) { orientation_ = orientation; }
  void beginGeneratingDeviceOrientationNotifications() { generatingNotifications_ = true; }
  bool isGeneratingDeviceOrientationNotifications() const { return generatingNotifications_; }

 private:
  int orientation_ = kOrientationPortrait;
  bool generatingNotifications_ = false;
};

// 0 unspecified, 1 light, 2 dark.
struct TraitCollection {
  int userInterfaceStyle = 0;
  static TraitCollection current();
};

// Window levels the platform uses: the keyboard over the application's
// windows, and alerts over the keyboard.
inline constexpr double kKeyboardWindowLevel = 10;
inline constexpr double kAboveKeyboardWindowLevel = 2000;

class Window : public View {
 public:
  explicit Window(const Rect& frame);
  Window();
  ~Window() override;
  std::string className() const override { return className_; }
  // Windows the platform makes for itself carry their own class names.
  void setClassName(std::string name) { className_ = std::move(name); }

  std::shared_ptr<ViewController> rootViewController() const { return rootViewController_; }
  void setRootViewController(std::shared_ptr<ViewController> controller);
  void makeKeyAndVisible();
  void makeKeyWindow();
  bool isKeyWindow() const;
  double windowLevel = 0;

  EdgeInsets windowSafeAreaInsets() const;
  void setSafeAreaInsets(const EdgeInsets& insets) { safeArea_ = insets; }
  Responder* nextResponder() const override;
  View* hitTest(Point point, const Event* event) override;

  // Lays out and draws the whole window into a y-down context of its size.
  void compose(cg::Context& context);
  // The window drawn at a scale.
  std::shared_ptr<cg::Image> snapshot(double scale);

 private:
  std::string className_ = "UIWindow";
  std::shared_ptr<ViewController> rootViewController_;
  std::optional<EdgeInsets> safeArea_;
};

}  // namespace ui
