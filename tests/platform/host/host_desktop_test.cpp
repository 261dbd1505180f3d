// The desktop host on SDL2's dummy video driver: a window and its frames,
// mouse and finger events as touches, a key into a text field, and quitting
// as the application's termination.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <cstdlib>

#include "platform/devices/motion.h"
#include "platform/devices/speech.h"
#include "platform/host/host.h"
#include "platform/host/wheel.h"
#include "platform/uikit/display_links.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/text_input.h"

namespace {

class TouchView : public ui::View {
 public:
  using ui::View::View;
  std::vector<std::pair<ui::TouchPhase, ui::Point>> seen;
  void touchesBegan(const ui::TouchSet& t, const ui::Event&) override {
    seen.push_back({ui::TouchPhase::began, t.front()->locationInView(this)});
  }
  void touchesMoved(const ui::TouchSet& t, const ui::Event&) override {
    seen.push_back({ui::TouchPhase::moved, t.front()->locationInView(this)});
  }
  void touchesEnded(const ui::TouchSet& t, const ui::Event&) override {
    seen.push_back({ui::TouchPhase::ended, t.front()->locationInView(this)});
  }
};

class Delegate : public ui::ApplicationDelegate {
 public:
  bool didFinishLaunching(ui::Application&, const ns::JSON&) override {
    window = std::make_shared<ui::Window>();
    window->setBackgroundColor(ui::Color::white(0.2));
    pad = std::make_shared<TouchView>(ui::Rect{0, 300, 375, 367});
    field = std::make_shared<ui::TextField>(ui::Rect{20, 100, 300, 40});
    window->addSubview(pad);
    window->addSubview(field);
    window->makeKeyAndVisible();
    return true;
  }
  void willTerminate(ui::Application&) override { terminated = true; }
  std::shared_ptr<ui::Window> window;
  std::shared_ptr<TouchView> pad;
  std::shared_ptr<ui::TextField> field;
  bool terminated = false;
};

void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

SDL_Event mouse(Uint32 type, int x, int y) {
  SDL_Event e{};
  e.type = type;
  if (type == SDL_MOUSEMOTION) {
    e.motion.x = x, e.motion.y = y, e.motion.state = SDL_BUTTON_LMASK;
  } else {
    e.button.x = x, e.button.y = y, e.button.button = SDL_BUTTON_LEFT;
  }
  return e;
}

// SDL's dummy display, named by the user as a display is, and the start of
// what a user does first: a tap into the text field and some typing.
void useTheDummyDisplay() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  // The scale is the user's choice here: the pixel arithmetic below needs 2.
  setenv("TESSALY_SCALE", "2", 1);
  unsetenv("TESSALY_HEADLESS");
  ui::Application::shared().reset();
}
void typeIntoTheField(const char* typed) {
  push(mouse(SDL_MOUSEBUTTONDOWN, 100, 240));
  push(mouse(SDL_MOUSEBUTTONUP, 100, 240));
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  std::strcpy(text.text.text, typed);
  push(text);
}

TEST(HostDesktop, TheDummyDisplayGetsAWindowTouchesTextAndAQuit) {
  useTheDummyDisplay();
  ui::DeviceConfiguration device;
  device.portraitSize = {375, 667};
  device.scale = 2;
  ui::Screen::main().configure(device);
  ASSERT_TRUE(host::desktopAvailable());
  // The window's pixels are points times the scale: a click at pixel
  // (200, 800) is the point (100, 400).
  push(mouse(SDL_MOUSEBUTTONDOWN, 200, 800));
  push(mouse(SDL_MOUSEMOTION, 260, 860));
  push(mouse(SDL_MOUSEBUTTONUP, 260, 860));
  SDL_Event finger{};
  finger.type = SDL_FINGERDOWN;
  finger.tfinger.touchId = 7, finger.tfinger.fingerId = 3;
  finger.tfinger.x = 0.5f, finger.tfinger.y = 0.75f;
  push(finger);
  finger.type = SDL_FINGERUP;
  push(finger);
  typeIntoTheField("M31");
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  // Arrow keys turn the device; F2 takes a phrase for speech recognition.
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.sym = SDLK_RIGHT;
  push(key);
  key.key.keysym.sym = SDLK_UP;
  push(key);
  key.key.keysym.sym = SDLK_F2;
  push(key);
  std::strcpy(text.text.text, "moon");
  push(text);
  key.key.keysym.sym = SDLK_RETURN;
  push(key);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  push(quit);

  dev::MotionManager::holdFacing(0.5, 0.1);
  dev::configureAuthorization(dev::Service::speech, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  std::vector<std::string> heard;
  dev::SpeechRecognizer recognizer;
  auto task = recognizer.recognitionTask([&](const dev::RecognitionResult* r, const std::string&) {
    if (r && r->isFinal) heard.push_back(r->text);
  });
  auto delegate = std::make_shared<Delegate>();
  const long framesBefore = host::desktopFramesPresented().count;
  ASSERT_EQ(host::runDesktop(delegate, "Tessaly test"), 0);
  EXPECT_GT(host::desktopFramesPresented().count, framesBefore);
  EXPECT_TRUE(delegate->terminated);
  EXPECT_EQ(delegate->field->text(), "M31");  // the phrase went to speech, not the field
  // Right turns the device's back five degrees towards growing azimuth, Up
  // five degrees higher.
  double m[3][3];
  dev::MotionManager::injectedAttitude().rotationMatrix(m);
  const double step = 5 * 3.14159265358979323846 / 180;
  EXPECT_NEAR(std::atan2(m[2][1], -m[2][0]), 0.5 + step, 1e-12);
  EXPECT_NEAR(std::asin(-m[2][2]), 0.1 + step, 1e-12);
  ns::RunLoop::main().runOnce();
  EXPECT_EQ(heard, (std::vector<std::string>{"moon"}));
  auto& seen = delegate->pad->seen;
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0].first, ui::TouchPhase::began);
  EXPECT_EQ(seen[0].second, (ui::Point{100, 100}));  // in the pad, which starts at y = 300
  EXPECT_EQ(seen[1].second, (ui::Point{130, 130}));
  EXPECT_EQ(seen[2].first, ui::TouchPhase::ended);
  EXPECT_EQ(seen[3].first, ui::TouchPhase::began);  // the finger: half across, three quarters down
  EXPECT_NEAR(seen[3].second.x, 187.5, 1e-3);
  EXPECT_NEAR(seen[3].second.y, 0.75 * 667 - 300, 1e-3);
  EXPECT_EQ(seen[4].first, ui::TouchPhase::ended);
  ui::Application::shared().reset();
}

SDL_Event key(SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = sym;
  e.key.keysym.mod = mod;
  return e;
}

class ScrollingDelegate : public Delegate {
 public:
  bool didFinishLaunching(ui::Application& app, const ns::JSON& options) override {
    Delegate::didFinishLaunching(app, options);
    list = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 375, 90});
    list->setContentSize({375, 600});
    window->addSubview(list);
    return true;
  }
  std::shared_ptr<ui::ScrollView> list;
};

// The desktop user's keyboard and wheel: no keyboard is drawn over the
// window, Ctrl+A, Ctrl+C and Ctrl+V edit through SDL's clipboard, the
// wheel scrolls what is under the pointer and pinches the rest.
TEST(HostDesktop, WheelClipboardAndNoKeyboardOnTheScreen) {
  useTheDummyDisplay();
  ASSERT_TRUE(host::desktopAvailable());
  typeIntoTheField("Andromeda");
  push(key(SDLK_a, KMOD_LCTRL));
  push(key(SDLK_c, KMOD_RCTRL));
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  std::strcpy(text.text.text, "M");  // replaces the selection
  push(text);
  push(key(SDLK_v, KMOD_LCTRL));     // pastes after it
  SDL_Event wheel{};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.preciseY = -2, wheel.wheel.y = -2;  // towards the user, over the list
  wheel.wheel.mouseX = 100, wheel.wheel.mouseY = 100;
  push(wheel);
  wheel.wheel.preciseY = 1, wheel.wheel.y = 1;  // away from the user, over the pad
  wheel.wheel.mouseX = 300, wheel.wheel.mouseY = 900;
  push(wheel);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  push(quit);

  auto delegate = std::make_shared<ScrollingDelegate>();
  bool keyboardSeen = false;
  auto watch = ns::RunLoop::main().scheduleTimer(0.001, true, [&](ns::Timer&) {
    keyboardSeen |= ui::Application::shared().isKeyboardVisible();
  });
  ASSERT_EQ(host::runDesktop(delegate, "Tessaly test"), 0);
  watch->invalidate();
  EXPECT_FALSE(keyboardSeen) << "no keyboard is drawn over the window";
  EXPECT_EQ(ui::Application::shared().keyboardFrame().height(), 0);
  char* clipboard = SDL_GetClipboardText();
  EXPECT_STREQ(clipboard, "Andromeda");
  SDL_free(clipboard);
  EXPECT_EQ(delegate->field->text(), "MAndromeda");
  EXPECT_EQ(delegate->list->contentOffset().y, 2 * host::kWheelScrollPoints);
  auto& seen = delegate->pad->seen;
  ASSERT_EQ(seen.size(), 4u) << "the pinch's began, its two moves and ended";
  EXPECT_EQ(seen[0].first, ui::TouchPhase::began);
  EXPECT_EQ(seen[3].first, ui::TouchPhase::ended);
  ui::Application::shared().reset();
}

// Records every two-finger event with the fingers' spread.
class PinchView : public ui::View {
 public:
  using ui::View::View;
  std::vector<std::pair<ui::TouchPhase, double>> spreads;
  void record(ui::TouchPhase phase, const ui::Event& e) {
    if (e.allTouches.size() != 2) return;
    const ui::Point a = e.allTouches[0]->locationInView(this), b = e.allTouches[1]->locationInView(this);
    spreads.push_back({phase, std::hypot(b.x - a.x, b.y - a.y)});
  }
  void touchesBegan(const ui::TouchSet&, const ui::Event& e) override { record(ui::TouchPhase::began, e); }
  void touchesMoved(const ui::TouchSet&, const ui::Event& e) override { record(ui::TouchPhase::moved, e); }
  void touchesEnded(const ui::TouchSet&, const ui::Event& e) override { record(ui::TouchPhase::ended, e); }
};

class PinchDelegate : public Delegate {
 public:
  bool didFinishLaunching(ui::Application& app, const ns::JSON& options) override {
    Delegate::didFinishLaunching(app, options);
    pinch = std::make_shared<PinchView>(ui::Rect{0, 0, 375, 300});
    window->addSubview(pinch);
    return true;
  }
  std::shared_ptr<PinchView> pinch;
};

// Ctrl-drag zooms both ways: up spreads the fingers, and down below the
// press closes them past where they started (zooming out); with both
// fingers starting at the press point only spreading was possible.
TEST(HostDesktop, CtrlDragPinchesOutAndIn) {
  useTheDummyDisplay();
  ASSERT_TRUE(host::desktopAvailable());
  push(mouse(SDL_MOUSEBUTTONDOWN, 300, 300));
  push(mouse(SDL_MOUSEMOTION, 300, 200));  // 50 points up
  push(mouse(SDL_MOUSEMOTION, 300, 400));  // 50 points below the press
  push(mouse(SDL_MOUSEBUTTONUP, 300, 400));
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  push(quit);
  auto delegate = std::make_shared<PinchDelegate>();
  SDL_SetModState(KMOD_LCTRL);
  ASSERT_EQ(host::runDesktop(delegate, "Tessaly test"), 0);
  SDL_SetModState(KMOD_NONE);
  const auto& spreads = delegate->pinch->spreads;
  ASSERT_EQ(spreads.size(), 5u) << "began, a first move in place, two moves, ended";
  EXPECT_EQ(spreads[0].first, ui::TouchPhase::began);
  EXPECT_GT(spreads[0].second, 0) << "the fingers start apart";
  EXPECT_EQ(spreads[1].second, spreads[0].second);
  EXPECT_GT(spreads[2].second, spreads[0].second) << "up: zooming in";
  EXPECT_LT(spreads[3].second, spreads[0].second) << "down: zooming out";
  EXPECT_EQ(spreads[4].first, ui::TouchPhase::ended);
  EXPECT_EQ(ui::Application::shared().activeTouchCount(), 0u);
  ui::Application::shared().reset();
}

class LayeredDelegate : public Delegate {
 public:
  bool didFinishLaunching(ui::Application& app, const ns::JSON& options) override {
    Delegate::didFinishLaunching(app, options);
    auto root = std::make_shared<ui::ViewController>();
    window->setRootViewController(root);
    auto done = std::make_shared<ui::ViewController>();
    done->navigationItem().rightBarButtonItem = std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, nullptr, "");
    done->navigationItem().rightBarButtonItem->action = [this](ui::BarButtonItem&) { ++doneTouched; };
    root->presentViewController(std::make_shared<ui::NavigationController>(done), false);
    return true;
  }
  int doneTouched = 0;
};

TEST(HostDesktop, EscapeTouchesTheTopScreensDoneButton) {
  useTheDummyDisplay();
  ASSERT_TRUE(host::desktopAvailable());
  push(key(SDLK_ESCAPE));
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  push(quit);
  auto delegate = std::make_shared<LayeredDelegate>();
  ASSERT_EQ(host::runDesktop(delegate, "Tessaly test"), 0);
  EXPECT_EQ(delegate->doneTouched, 1);
  ui::Application::shared().reset();
}

// A window of another shape shows the whole screen, scaled to fit and
// centred, and its clicks land where the screen shows under them.
TEST(HostDesktop, AResizedWindowShowsTheWholeScreenScaledAndMapsClicksToIt) {
  useTheDummyDisplay();
  ui::DeviceConfiguration device;
  device.portraitSize = {375, 667};
  device.scale = 2;
  ui::Screen::main().configure(device);
  ASSERT_TRUE(host::desktopAvailable());
  auto delegate = std::make_shared<Delegate>();
  // A window 400 x 1000 pixels: the screen at 400 / 375 pixels a point,
  // 711.5 pixels tall, with bars of 144 pixels above and below.
  constexpr double kPerPoint = 400.0 / 375;
  const double top = (1000 - 667 * kPerPoint) / 2;
  std::vector<Uint32> seen;
  bool sized = false;
  long framesBeforeResize = 0;
  auto step = ns::RunLoop::main().scheduleTimer(0.02, true, [&](ns::Timer&) {
    SDL_Window* window = SDL_GetWindowFromID(1);
    for (Uint32 id = 1; id < 64 && window == nullptr; ++id) window = SDL_GetWindowFromID(id);
    if (window == nullptr) return;
    if (!sized) {
      framesBeforeResize = host::desktopFramesPresented().count;
      SDL_SetWindowSize(window, 400, 1000);
      sized = true;
      // A click on the pad, 100 points across and 150 down into it.
      push(mouse(SDL_MOUSEBUTTONDOWN, int(std::lround(100 * kPerPoint)), int(std::lround(top + 450 * kPerPoint))));
      push(mouse(SDL_MOUSEBUTTONUP, int(std::lround(100 * kPerPoint)), int(std::lround(top + 450 * kPerPoint))));
      return;
    }
    // The window as a frame presented after the resize, at the new size,
    // left it: one presented before would satisfy a mere count, and the
    // resized surface is blank until then.
    const host::PresentedFrames frames = host::desktopFramesPresented();
    if (frames.count <= framesBeforeResize || frames.width != 400 || frames.height != 1000) return;
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || surface->w != 400 || surface->h != 1000) return;
    auto pixel = [&](int x, int y) {
      Uint8 r, g, b;
      SDL_GetRGB(*reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch + x * 4),
                 surface->format, &r, &g, &b);
      return Uint32(r) << 16 | Uint32(g) << 8 | b;
    };
    seen = {pixel(200, 10), pixel(200, 500), pixel(200, 990)};
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
  });
  ASSERT_EQ(host::runDesktop(delegate, "Tessaly test"), 0);
  step->invalidate();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], 0u) << "a black bar above the screen";
  EXPECT_EQ(seen[1], 0x333333u) << "the window's grey in the middle";
  EXPECT_EQ(seen[2], 0u) << "and below it";
  auto& touches = delegate->pad->seen;
  ASSERT_EQ(touches.size(), 2u);
  EXPECT_NEAR(touches[0].second.x, 100, 1);
  EXPECT_NEAR(touches[0].second.y, 150, 1);
  ui::Application::shared().reset();
}

// SDL's dummy display is 1024 x 768: a phone at scale 2 (750 x 1334
// pixels) would leave its toolbar below the display, so without a chosen
// scale the window takes the largest whole scale that fits.
TEST(HostDesktop, WithoutAChosenScaleTheWindowFitsTheDisplay) {
  useTheDummyDisplay();
  unsetenv("TESSALY_SCALE");
  ui::DeviceConfiguration device;
  device.portraitSize = {375, 667};
  device.scale = 2;
  ui::Screen::main().configure(device);
  ASSERT_TRUE(host::desktopAvailable());
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  push(quit);
  ASSERT_EQ(host::runDesktop(std::make_shared<Delegate>(), "Tessaly test"), 0);
  EXPECT_EQ(ui::Screen::main().scale(), 1);

  // A display large enough keeps the device's scale.
  device.portraitSize = {320, 360};
  ui::Screen::main().configure(device);
  push(quit);
  ASSERT_EQ(host::runDesktop(std::make_shared<Delegate>(), "Tessaly test"), 0);
  EXPECT_EQ(ui::Screen::main().scale(), 2);

  // A scale that cannot be used chooses none: the window fits, and the one
  // line about it names the scale the window took.
  setenv("TESSALY_SCALE", "abc", 1);
  device.portraitSize = {375, 667};
  ui::Screen::main().configure(device);
  push(quit);
  testing::internal::CaptureStderr();
  ASSERT_EQ(host::runDesktop(std::make_shared<Delegate>(), "Tessaly test"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "TESSALY_SCALE=\"abc\" is not a scale from 1 to 4; using 1\n");
  EXPECT_EQ(ui::Screen::main().scale(), 1);
  unsetenv("TESSALY_SCALE");
}

}  // namespace
