// The application: its delegate and life cycle, its windows, the first
// responder and the simulated keyboard, and the delivery of touches that
// the host reports.
//
// Thread rules: main thread only.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/json.h"
#include "platform/uikit/event.h"
#include "platform/uikit/view.h"
#include "platform/uikit/window.h"

namespace ui {

class Application;

class ApplicationDelegate : public Responder {
 public:
  virtual bool didFinishLaunching(Application&, const ns::JSON& /*launchOptions*/) { return true; }
  virtual void didBecomeActive(Application&) {}
  virtual void willResignActive(Application&) {}
  virtual void didEnterBackground(Application&) {}
  virtual void willEnterForeground(Application&) {}
  virtual void willTerminate(Application&) {}
  virtual void didReceiveLocalNotification(Application&, const ns::JSON& /*notification*/) {}
  virtual std::shared_ptr<Window> window() const { return nullptr; }
};

enum class ApplicationState { active = 0, inactive = 1, background = 2 };

// Notification names the platform posts.
inline constexpr const char* kKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* kKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline constexpr const char* kKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline constexpr const char* kKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
inline constexpr const char* kKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline constexpr const char* kKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
inline constexpr const char* kKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";
inline constexpr const char* kOrientationDidChangeNotification = "UIDeviceOrientationDidChangeNotification";
inline constexpr const char* kKeyboardWindowClassName = "UIRemoteKeyboardWindow";

// A touch as a host reports it, in screen points.
struct TouchInput {
  int identifier = 0;
  TouchPhase phase = TouchPhase::began;
  Point location;
};

class Application : public Responder {
 public:
  static Application& shared();
  static bool exists();
  std::string className() const override { return "UIApplication"; }

  ApplicationDelegate* delegate() const { return delegate_.get(); }
  void setDelegate(std::shared_ptr<ApplicationDelegate> delegate) { delegate_ = std::move(delegate); }
  ApplicationState state() const { return state_; }

  // Life cycle, driven by the host.
  void launch(const ns::JSON& launchOptions = {});
  void resignActive();
  void becomeActive();
  void enterBackground();
  void enterForeground();
  void terminate();
  bool isTerminated() const { return terminated_; }

  // Windows: visible ones in order of level, then of showing.
  const std::vector<std::shared_ptr<Window>>& windows() const { return windows_; }
  void addWindow(std::shared_ptr<Window> window);
  void removeWindow(const Window* window);
  bool isWindowVisible(const Window* window) const;
  // The deepest view that takes touches at a point of the screen, in the
  // topmost window that has one (which `window`, when given, receives);
  // null where no window does.
  View* viewAt(Point screenLocation, Window** window = nullptr) const;
  Window* keyWindow() const { return keyWindow_; }
  void setKeyWindow(Window* window) { keyWindow_ = window; }
  // Lays out every visible window that needs it (each refresh, and before
  // touches are delivered, as the platform does once a turn of its loop).
  void layoutWindows();
  // Every visible window drawn in order into a y-down context of the
  // screen's size.
  void compose(cg::Context& context);
  std::shared_ptr<cg::Image> snapshot(double scale);

  // Orientation: the status bar's and the device's; a change resizes the
  // windows and tells their controllers.
  int statusBarOrientation() const { return Device::current().orientation(); }
  void setOrientation(int orientation, double duration = 0.3);

  // The icon badge and opened addresses (logged and kept).
  long applicationIconBadgeNumber = 0;
  // While set the screen stays on (the desktop host inhibits the screen
  // saver).
  bool idleTimerDisabled = false;
  bool openURL(const std::string& url);
  const std::vector<std::string>& openedURLs() const { return openedURLs_; }
  // Interaction ignored while the count is above zero.
  void beginIgnoringInteractionEvents() { ++ignoring_; }
  void endIgnoringInteractionEvents() { if (ignoring_ > 0) --ignoring_; }

  // The first responder; a text input becoming first responder shows the
  // keyboard (notifications with its end frame, and a window of the
  // keyboard's class name), and hides it when it resigns.
  Responder* firstResponder() const { return firstResponder_; }
  bool setFirstResponder(Responder* responder);
  bool isKeyboardVisible() const { return keyboardWindow_ != nullptr; }
  // The keyboard's frame; height 0 without an on-screen keyboard.
  Rect keyboardFrame() const;
  // Whether text is typed on the screen (a phone's keyboard, drawn over the
  // bottom of the screen) or on a keyboard of the machine (the desktop
  // host: the notifications still come, with a frame of height 0, so
  // nothing is laid out above a keyboard that is not there). On the screen
  // until a host says otherwise.
  void setOnScreenKeyboard(bool onScreen) { onScreenKeyboard_ = onScreen; }
  bool hasOnScreenKeyboard() const { return onScreenKeyboard_; }
  // Keys from the host go to the first responder, unless a window above
  // the keyboard (an alert) covers it: what is typed while an alert waits
  // for its answer must not act on the screen behind it.
  void insertText(const std::string& text);
  void deleteBackward();
  void returnKey();

  // Touches from the host, with the host's clock (seconds since it
  // started).
  void handleTouches(const std::vector<TouchInput>& touches, double timestamp);
  void cancelAllTouches(double timestamp);
  std::size_t activeTouchCount() const { return touches_.size(); }

  // Forget everything (tests).
  void reset();

 private:
  Application() = default;
  void showKeyboard();
  void hideKeyboard();
  void deliver(std::vector<Touch*> touches, TouchPhase phase, double timestamp);
  Responder* keyTarget() const;

  std::shared_ptr<ApplicationDelegate> delegate_;
  ApplicationState state_ = ApplicationState::inactive;
  bool launched_ = false, terminated_ = false;
  std::vector<std::shared_ptr<Window>> windows_;
  Window* keyWindow_ = nullptr;
  Responder* firstResponder_ = nullptr;
  std::shared_ptr<Window> keyboardWindow_;
  bool keyboardShown_ = false, onScreenKeyboard_ = true;
  std::vector<std::string> openedURLs_;
  int ignoring_ = 0;
  std::map<int, std::unique_ptr<Touch>> touches_;
};

}  // namespace ui
