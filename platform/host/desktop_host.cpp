#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/foundation/run_loop.h"
#include "platform/host/arrow_keys.h"
#include "platform/host/escape.h"
#include "platform/host/host.h"
#include "platform/devices/speech.h"
#include "platform/host/wheel.h"
#include "platform/uikit/display_links.h"
#include "platform/uikit/text_input.h"

namespace host {
namespace {

constexpr int kMouseTouch = 1;
constexpr int kPinchPartner = 2;
constexpr int kFingerBase = 100;

PresentedFrames framesPresented;

struct Desktop {
  SDL_Window* window = nullptr;
  double start = 0;
  bool mouseDown = false, pinching = false;
  ui::Point pressPoint;
  // Where the screen lies in the window: a window of another shape than
  // the screen's shows it whole, scaled and centred, with bars beside it.
  SDL_Rect shown{0, 0, 0, 0};
  double pixelsPerPoint = 2;
  // F2 opens a prompt: what is typed until Return is heard by speech
  // recognition instead of going to the first responder.
  bool prompting = false;
  std::string phrase;

  double now() const { return ns::RunLoop::main().now() - start; }

  ui::Point toPoints(double x, double y) const {
    return {(x - shown.x) / pixelsPerPoint, (y - shown.y) / pixelsPerPoint};
  }

  // The screen scaled to fit the window, keeping its shape.
  void fit(int windowWidth, int windowHeight) {
    const ui::Rect screen = ui::Screen::main().bounds();
    if (screen.width() <= 0 || screen.height() <= 0 || windowWidth <= 0 || windowHeight <= 0) return;
    pixelsPerPoint = std::min(windowWidth / screen.width(), windowHeight / screen.height());
    shown.w = int(std::lround(screen.width() * pixelsPerPoint));
    shown.h = int(std::lround(screen.height() * pixelsPerPoint));
    shown.x = (windowWidth - shown.w) / 2;
    shown.y = (windowHeight - shown.h) / 2;
  }

  // Ctrl-drag zooms: two fingers either side of the press point, spread
  // as the pointer moves up (zooming in) and closed as it moves down.
  std::vector<ui::TouchInput> pinchFingers(ui::TouchPhase phase, ui::Point pointer) const {
    const auto [a, b] = dragPinchFingers(pressPoint, pointer);
    return {{kMouseTouch, phase, a}, {kPinchPartner, phase, b}};
  }

  void send(std::vector<ui::TouchInput> touches) { ui::Application::shared().handleTouches(touches, now()); }

  void present() {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (!surface) return;
    auto image = composeScreen();
    if (!image) return;
    fit(surface->w, surface->h);
    if (shown.w == int(image->width()) && shown.h == int(image->height()) && shown.x == 0 && shown.y == 0) {
      // The composed pixels are native ARGB words, SDL's ARGB8888.
      SDL_ConvertPixels(shown.w, shown.h, SDL_PIXELFORMAT_ARGB8888, image->data(), int(image->bytesPerRow()),
                        surface->format->format, surface->pixels, surface->pitch);
    } else {
      presentScaled(*image, surface);
    }
    SDL_UpdateWindowSurface(window);
    framesPresented = {framesPresented.count + 1, surface->w, surface->h};
  }

  // Smooth scaling wants both sides in the window's format.
  void presentScaled(const cg::Image& image, SDL_Surface* surface) {
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    if (surface->format->BytesPerPixel != 4) return;
    std::vector<std::uint32_t> pixels(image.width() * image.height());
    SDL_ConvertPixels(int(image.width()), int(image.height()), SDL_PIXELFORMAT_ARGB8888, image.data(),
                      int(image.bytesPerRow()), surface->format->format, pixels.data(), int(image.width() * 4));
    SDL_Surface* composed = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), int(image.width()), int(image.height()),
                                                               32, int(image.width() * 4), surface->format->format);
    if (composed == nullptr) return;
    if (SDL_SoftStretchLinear(composed, nullptr, surface, &shown) != 0)
      SDL_BlitScaled(composed, nullptr, surface, &shown);
    SDL_FreeSurface(composed);
  }

  // Ctrl+A, Ctrl+C and Ctrl+V in the first responder, through SDL's
  // clipboard.
  void editingCommand(SDL_Keycode key) {
    ui::Application& app = ui::Application::shared();
    ui::Responder* responder = app.firstResponder();
    if (responder == nullptr) return;
    if (key == SDLK_a) {
      responder->selectAll();
    } else if (key == SDLK_c) {
      const std::string text = responder->selectedText();
      if (!text.empty()) SDL_SetClipboardText(text.c_str());
    } else if (key == SDLK_v && SDL_HasClipboardText()) {
      char* clipboard = SDL_GetClipboardText();
      std::string text = clipboard != nullptr ? clipboard : "";
      SDL_free(clipboard);
      // A field holds one line: its line breaks and tabs become blanks.
      if (dynamic_cast<ui::TextField*>(responder) != nullptr)
        std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
      if (!text.empty()) app.insertText(text);
    }
  }

  void handle(const SDL_Event& e) {
    ui::Application& app = ui::Application::shared();
    switch (e.type) {
      case SDL_QUIT:
        app.terminate();
        ns::RunLoop::main().stop();
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT) break;
        mouseDown = true;
        pinching = (SDL_GetModState() & (KMOD_CTRL | KMOD_ALT)) != 0;
        if (pinching) {
          pressPoint = toPoints(e.button.x, e.button.y);
          send(pinchFingers(ui::TouchPhase::began, pressPoint));
          // A pinch's first move only notes where the fingers are.
          send(pinchFingers(ui::TouchPhase::moved, pressPoint));
        } else {
          send({{kMouseTouch, ui::TouchPhase::began, toPoints(e.button.x, e.button.y)}});
        }
        break;
      case SDL_MOUSEMOTION:
        if (!mouseDown || e.motion.which == SDL_TOUCH_MOUSEID) break;
        if (pinching) {
          send(pinchFingers(ui::TouchPhase::moved, toPoints(e.motion.x, e.motion.y)));
        } else {
          send({{kMouseTouch, ui::TouchPhase::moved, toPoints(e.motion.x, e.motion.y)}});
        }
        break;
      case SDL_MOUSEBUTTONUP:
        if (!mouseDown || e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT) break;
        mouseDown = false;
        if (pinching) {
          send(pinchFingers(ui::TouchPhase::ended, toPoints(e.button.x, e.button.y)));
        } else {
          send({{kMouseTouch, ui::TouchPhase::ended, toPoints(e.button.x, e.button.y)}});
        }
        pinching = false;
        break;
      case SDL_FINGERDOWN: case SDL_FINGERMOTION: case SDL_FINGERUP: {
        ui::TouchPhase phase = e.type == SDL_FINGERDOWN   ? ui::TouchPhase::began
                               : e.type == SDL_FINGERUP   ? ui::TouchPhase::ended
                                                          : ui::TouchPhase::moved;
        // A finger's place is a fraction of the window.
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        send({{kFingerBase + int(e.tfinger.fingerId % 1000), phase, toPoints(e.tfinger.x * w, e.tfinger.y * h)}});
        break;
      }
      case SDL_MOUSEWHEEL: {
        if (e.wheel.which == SDL_TOUCH_MOUSEID) break;
        const double flip = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
        turnWheel(toPoints(e.wheel.mouseX, e.wheel.mouseY), flip * e.wheel.preciseX, flip * e.wheel.preciseY, now());
        break;
      }
      case SDL_TEXTINPUT:
        if (prompting) phrase += e.text.text;
        else app.insertText(e.text.text);
        break;
      case SDL_KEYDOWN: {
        const SDL_Keycode key = e.key.keysym.sym;
        if ((e.key.keysym.mod & KMOD_CTRL) != 0 && !prompting) {
          editingCommand(key);
        } else if (key == SDLK_F2) {
          prompting = true;
          phrase.clear();
          std::fprintf(stderr, "speak (type, then Return): ");
        } else if (prompting && (key == SDLK_RETURN || key == SDLK_KP_ENTER)) {
          prompting = false;
          std::fprintf(stderr, "%s\n", phrase.c_str());
          dev::SpeechRecognizer::hear(phrase);
        } else if (prompting && key == SDLK_BACKSPACE) {
          if (!phrase.empty()) phrase.pop_back();
        } else if (key == SDLK_LEFT) pressArrowKey(ArrowKey::left);
        else if (key == SDLK_RIGHT) pressArrowKey(ArrowKey::right);
        else if (key == SDLK_UP) pressArrowKey(ArrowKey::up);
        else if (key == SDLK_DOWN) pressArrowKey(ArrowKey::down);
        else if (key == SDLK_BACKSPACE) app.deleteBackward();
        else if (key == SDLK_RETURN || key == SDLK_KP_ENTER) app.returnKey();
        else if (key == SDLK_ESCAPE) pressEscape();
        break;
      }
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_FOCUS_LOST: app.resignActive(); break;
          case SDL_WINDOWEVENT_FOCUS_GAINED: app.becomeActive(); break;
          case SDL_WINDOWEVENT_MINIMIZED: app.enterBackground(); break;
          case SDL_WINDOWEVENT_RESTORED: app.becomeActive(); break;
          case SDL_WINDOWEVENT_SIZE_CHANGED: {
            // A wider than tall window is the device turned on its side.
            const bool landscape = e.window.data1 > e.window.data2;
            if (landscape != ui::isLandscape(app.statusBarOrientation()))
              app.setOrientation(landscape ? ui::kOrientationLandscapeLeft : ui::kOrientationPortrait);
            fit(e.window.data1, e.window.data2);
            ui::setDisplayNeeded();
            break;
          }
          case SDL_WINDOWEVENT_EXPOSED: ui::setDisplayNeeded(); break;
        }
        break;
    }
  }
};

bool videoStarted = false;

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// An X display, or a Wayland compositor's socket (named, or the default
// one in the runtime folder).
bool displayAnnounced() {
  if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return false;
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(runtime) / "wayland-0", error);
}

}  // namespace

PresentedFrames desktopFramesPresented() { return framesPresented; }

bool isDisplayDriver(const char* driver, bool namedByUser) {
  if (driver == nullptr) return false;
  if (namedByUser) return true;
  return std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

bool desktopAvailable() {
  const char* headless = std::getenv("TESSALY_HEADLESS");
  if (headless && *headless && std::strcmp(headless, "0") != 0) return false;
  if (!videoStarted) {
    const char* named = std::getenv("SDL_VIDEODRIVER");
    const bool namedByUser = named != nullptr && *named != '\0';
    // Without an X or Wayland display to talk to, SDL's attempt only
    // prints its clients' complaints: there is nothing to open.
    if (!namedByUser && !displayAnnounced()) return false;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    if (!isDisplayDriver(SDL_GetCurrentVideoDriver(), namedByUser)) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    videoStarted = true;
  }
  return true;
}

// Unless the user chose a scale (TESSALY_SCALE), the window takes the
// largest whole scale at which the device's screen fits the display's
// usable area, so the toolbar and head-up texts are not left off-screen.
// A value that cannot be used chooses nothing.
static void fitScaleToDisplay() {
  if (ui::chosenScale()) return;
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) return;
  ui::DeviceConfiguration configuration = ui::Screen::main().configuration();
  const ui::Size points = configuration.portraitSize;
  double scale = configuration.scale;
  while (scale > 1 && (points.width * scale > usable.w || points.height * scale > usable.h)) scale -= 1;
  if (scale < 1) scale = 1;
  if (scale == configuration.scale) return;
  configuration.scale = scale;
  ui::Screen::main().configure(configuration);
}

int runDesktop(std::shared_ptr<ui::ApplicationDelegate> delegate, const std::string& title) {
  if (!desktopAvailable()) return -1;
  Desktop desktop;
  fitScaleToDisplay();
  ui::reportUnusableScale(ui::Screen::main().scale());
  const double scale = ui::Screen::main().scale();
  desktop.pixelsPerPoint = scale;
  const ui::Rect screen = ui::Screen::main().bounds();
  desktop.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    int(std::lround(screen.width() * scale)),
                                    int(std::lround(screen.height() * scale)), SDL_WINDOW_RESIZABLE);
  if (!desktop.window) {
    std::fprintf(stderr, "cannot open a window: %s\n", SDL_GetError());
    return -1;
  }
  ns::RunLoop& loop = ns::RunLoop::main();
  loop.setClock(std::make_shared<ns::SystemClock>());
  desktop.start = loop.now();
  SDL_StartTextInput();
  ui::Application& app = ui::Application::shared();
  // The machine's keyboard types: no keyboard is drawn over the screen.
  app.setOnScreenKeyboard(false);
  app.setDelegate(std::move(delegate));
  app.launch();
  auto events = loop.scheduleTimer(1.0 / 120, true, [&](ns::Timer&) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) desktop.handle(e);
  });
  bool screenSaverInhibited = false;
  auto refresh = loop.scheduleTimer(1.0 / 60, true, [&](ns::Timer&) {
    if (app.idleTimerDisabled != screenSaverInhibited) {
      screenSaverInhibited = app.idleTimerDisabled;
      if (screenSaverInhibited) SDL_DisableScreenSaver();
      else SDL_EnableScreenSaver();
    }
    ui::stepDisplayLinks(desktop.now());
    ui::Application::shared().layoutWindows();
    if (ui::takeDisplayNeeded()) desktop.present();
  });
  // The first frame is shown at once, before any event is read.
  desktop.present();
  ui::takeDisplayNeeded();
  loop.run();
  events->invalidate();
  refresh->invalidate();
  SDL_StopTextInput();
  SDL_DestroyWindow(desktop.window);
  return 0;
}

}  // namespace host
