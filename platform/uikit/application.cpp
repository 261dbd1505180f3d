#include "platform/uikit/application.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/coregraphics/text.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/font.h"
#include "platform/uikit/gesture.h"
#include "platform/uikit/view_controller.h"

namespace ui {
namespace {

bool created = false;

ns::JSON rectJSON(const Rect& r) {
  return ns::JSON{{"x", r.x()}, {"y", r.y()}, {"width", r.width()}, {"height", r.height()}};
}

// The keyboard's own view: keys drawn as grey blocks with their labels,
// in the phone's rows.
class KeyboardView : public View {
 public:
  using View::View;
  std::string className() const override { return "UIKeyboard"; }
  void drawRect(cg::Context& context, const Rect& rect) override {
    static const std::vector<std::vector<std::string>> kRows = {
        {"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P"},
        {"A", "S", "D", "F", "G", "H", "J", "K", "L"},
        {"\u21E7", "Z", "X", "C", "V", "B", "N", "M"},
        {"123", "space", "return"}};
    const double rows = 4, keyHeight = (rect.height() - 10) / rows - 8;
    const double keyWidth = (rect.width() - 6) / 10 - 6;
    const auto font = Font::systemFont(std::clamp(keyHeight * 0.45, 8.0, 22.0));
    cg::TextLayoutOptions centred;
    centred.alignment = cg::TextAlignment::center;
    centred.maxLines = 1;
    for (std::size_t row = 0; row < kRows.size(); ++row) {
      const std::size_t keys = kRows[row].size();
      const bool last = row == 3;
      const double rowWidth = double(keys) * (keyWidth + 6) + (last ? keyWidth * 4 : 0);
      double x = (rect.width() - rowWidth) / 2 + 3;
      const double y = 8 + double(row) * (keyHeight + 8);
      for (std::size_t k = 0; k < keys; ++k) {
        const double w = (last && k == 1) ? keyWidth * 5 + 6 * 4 : keyWidth;
        context.setFillColor(0.35, 0.35, 0.37, 1);
        context.fillRect({x, y, w, keyHeight});
        // A label wider than its key ("return" on a narrow phone) is set smaller.
        const std::string& label = kRows[row][k];
        const double natural = cg::stringWidth(label, font->cgFont());
        const auto shown = natural > w - 4 ? font->withSize(std::max(6.0, font->pointSize() * (w - 4) / natural)) : font;
        centred.maxWidth = w;
        const double textHeight = cg::textSize(label, shown->cgFont(), centred).height;
        cg::drawString(context, label, Rect{x, y + (keyHeight - textHeight) / 2, w, textHeight}, shown->cgFont(),
                       cg::Color{0.95, 0.95, 0.95, 1}, centred);
        x += w + 6;
      }
    }
  }
};

}  // namespace

Application& Application::shared() {
  static Application* application = [] {
    created = true;
    return new Application;
  }();
  return *application;
}

bool Application::exists() { return created; }

void Application::reset() {
  touches_.clear();
  firstResponder_ = nullptr;
  keyboardWindow_.reset();
  keyboardShown_ = false;
  onScreenKeyboard_ = true;
  {
    // Closing a window may close the windows its screens presented, which
    // take themselves off the list: the list is emptied before any goes.
    auto closing = std::move(windows_);
    windows_.clear();
  }
  keyWindow_ = nullptr;
  delegate_.reset();
  state_ = ApplicationState::inactive;
  launched_ = terminated_ = false;
  openedURLs_.clear();
  applicationIconBadgeNumber = 0;
  ignoring_ = 0;
  Device::current().setOrientation(kOrientationPortrait);
}

// ---- life cycle ----------------------------------------------------------------

void Application::launch(const ns::JSON& launchOptions) {
  if (launched_) return;
  launched_ = true;
  state_ = ApplicationState::inactive;
  if (delegate_) delegate_->didFinishLaunching(*this, launchOptions);
  becomeActive();
}

void Application::resignActive() {
  if (state_ != ApplicationState::active) return;
  state_ = ApplicationState::inactive;
  if (delegate_) delegate_->willResignActive(*this);
}

void Application::becomeActive() {
  if (state_ == ApplicationState::active || terminated_) return;
  if (state_ == ApplicationState::background) enterForeground();
  state_ = ApplicationState::active;
  if (delegate_) delegate_->didBecomeActive(*this);
}

void Application::enterBackground() {
  resignActive();
  if (state_ == ApplicationState::background) return;
  state_ = ApplicationState::background;
  if (delegate_) delegate_->didEnterBackground(*this);
}

void Application::enterForeground() {
  if (state_ != ApplicationState::background) return;
  state_ = ApplicationState::inactive;
  if (delegate_) delegate_->willEnterForeground(*this);
}

void Application::terminate() {
  if (terminated_) return;
  resignActive();
  terminated_ = true;
  if (delegate_) delegate_->willTerminate(*this);
}

bool Application::openURL(const std::string& url) {
  std::fprintf(stderr, "open URL: %s\n", url.c_str());
  openedURLs_.push_back(url);
  return true;
}

// ---- windows -------------------------------------------------------------------

void Application::addWindow(std::shared_ptr<Window> window) {
  if (!window || isWindowVisible(window.get())) return;
  window->setWindowRecursively(window.get());
  auto at = std::upper_bound(windows_.begin(), windows_.end(), window->windowLevel,
                             [](double level, const auto& w) { return level < w->windowLevel; });
  windows_.insert(at, std::move(window));
  setDisplayNeeded();
}

void Application::removeWindow(const Window* window) {
  // The window's last reference may go with it, and its screens may then
  // take the windows they presented off in turn: it is let go only once
  // the list is settled.
  std::vector<std::shared_ptr<Window>> removed;
  for (auto it = windows_.begin(); it != windows_.end();) {
    if (it->get() == window) {
      removed.push_back(std::move(*it));
      it = windows_.erase(it);
    } else {
      ++it;
    }
  }
  if (keyWindow_ == window) keyWindow_ = windows_.empty() ? nullptr : windows_.front().get();
  setDisplayNeeded();
}

bool Application::isWindowVisible(const Window* window) const {
  return std::any_of(windows_.begin(), windows_.end(), [&](auto& w) { return w.get() == window; });
}

void Application::layoutWindows() {
  for (auto& window : std::vector(windows_)) window->layoutIfNeeded();
}

void Application::compose(cg::Context& context) {
  auto windows = windows_;
  for (auto& window : windows) window->compose(context);
}

std::shared_ptr<cg::Image> Application::snapshot(double scale) {
  Rect screen = Screen::main().bounds();
  auto context = cg::Context::createForPoints(screen.width(), screen.height(), scale);
  if (!context) return nullptr;
  context->translateCTM(0, screen.height());
  context->scaleCTM(1, -1);
  context->setFillColor(0, 0, 0, 1);
  context->fillRect(screen);
  compose(*context);
  return context->makeImage();
}

void Application::setOrientation(int orientation, double duration) {
  if (orientation < kOrientationPortrait || orientation > kOrientationLandscapeRight) return;
  if (orientation == Device::current().orientation()) return;
  Device::current().setOrientation(orientation);
  const Rect screen = Screen::main().bounds();
  for (auto& window : std::vector(windows_)) {
    if (window.get() == keyboardWindow_.get()) continue;
    window->setFrame(screen);
    if (auto root = window->rootViewController()) root->rotate(orientation, duration, screen.size);
  }
  if (keyboardShown_) {
    hideKeyboard();
    if (dynamic_cast<View*>(firstResponder_)) showKeyboard();
  }
  if (Device::current().isGeneratingDeviceOrientationNotifications())
    ns::NotificationCenter::defaultCenter().post(kOrientationDidChangeNotification);
}

// ---- first responder and keyboard ------------------------------------------------

bool Application::setFirstResponder(Responder* responder) {
  if (responder == firstResponder_) return true;
  Responder* old = firstResponder_;
  firstResponder_ = responder;
  if (old) old->resignFirstResponder();
  const bool wantsKeyboard = responder && responder->canBecomeFirstResponder() &&
                             dynamic_cast<View*>(responder) != nullptr;
  if (wantsKeyboard && !keyboardShown_) showKeyboard();
  if (!wantsKeyboard && keyboardShown_) hideKeyboard();
  return true;
}

Rect Application::keyboardFrame() const {
  const Rect screen = Screen::main().bounds();
  if (!onScreenKeyboard_) return {0, screen.height(), screen.width(), 0};
  const bool pad = Screen::main().configuration().idiom == Idiom::pad;
  const double height = pad ? (isLandscape(statusBarOrientation()) ? 352 : 264)
                            : (isLandscape(statusBarOrientation()) ? 162 : 216) +
                                  Screen::main().safeAreaInsets().bottom;
  return {0, screen.height() - height, screen.width(), height};
}

void Application::showKeyboard() {
  const Rect end = keyboardFrame();
  Rect begin = end;
  begin.origin.y = Screen::main().bounds().height();
  ns::JSON info{{kKeyboardFrameBeginUserInfoKey, rectJSON(begin)},
                {kKeyboardFrameEndUserInfoKey, rectJSON(end)},
                {kKeyboardAnimationDurationUserInfoKey, 0.25}};
  keyboardShown_ = true;
  // The keyboard's window is there when the will-show notice comes, as on
  // the platform: an observer may add its own views to it (the night
  // theme's red cover).
  if (onScreenKeyboard_) {
    keyboardWindow_ = std::make_shared<Window>(Screen::main().bounds());
    keyboardWindow_->setClassName(kKeyboardWindowClassName);
    keyboardWindow_->windowLevel = kKeyboardWindowLevel;
    keyboardWindow_->setUserInteractionEnabled(false);
    auto keys = std::make_shared<KeyboardView>(end);
    keys->setBackgroundColor(Color::rgba(0.17, 0.17, 0.18, 1));
    keyboardWindow_->addSubview(keys);
    addWindow(keyboardWindow_);
  }
  ns::NotificationCenter::defaultCenter().post(kKeyboardWillShowNotification, this, info);
  ns::NotificationCenter::defaultCenter().post(kKeyboardDidShowNotification, this, info);
}

void Application::hideKeyboard() {
  if (!keyboardShown_) return;
  keyboardShown_ = false;
  const Rect begin = keyboardFrame();
  Rect end = begin;
  end.origin.y = Screen::main().bounds().height();
  ns::JSON info{{kKeyboardFrameBeginUserInfoKey, rectJSON(begin)},
                {kKeyboardFrameEndUserInfoKey, rectJSON(end)},
                {kKeyboardAnimationDurationUserInfoKey, 0.25}};
  ns::NotificationCenter::defaultCenter().post(kKeyboardWillHideNotification, this, info);
  if (keyboardWindow_) removeWindow(keyboardWindow_.get());
  keyboardWindow_.reset();
  ns::NotificationCenter::defaultCenter().post(kKeyboardDidHideNotification, this, info);
}

Responder* Application::keyTarget() const {
  if (!firstResponder_) return nullptr;
  const auto* view = dynamic_cast<const View*>(firstResponder_);
  const Window* own = view ? view->window() : nullptr;
  for (const auto& window : windows_)
    if (window.get() != own && window->windowLevel >= kAboveKeyboardWindowLevel &&
        !window->isHidden())
      return nullptr;
  return firstResponder_;
}

void Application::insertText(const std::string& text) {
  if (Responder* target = keyTarget()) target->insertText(text);
}

void Application::deleteBackward() {
  if (Responder* target = keyTarget()) target->deleteBackward();
}

void Application::returnKey() {
  if (Responder* target = keyTarget()) target->insertText("\n");
}

// ---- touches -------------------------------------------------------------------

View* Application::viewAt(Point screenLocation, Window** window) const {
  for (auto w = windows_.rbegin(); w != windows_.rend(); ++w) {
    if (View* hit = (*w)->hitTest((*w)->convertPointFrom(screenLocation, nullptr), nullptr)) {
      if (window) *window = w->get();
      return hit;
    }
  }
  return nullptr;
}

void Application::handleTouches(const std::vector<TouchInput>& inputs, double timestamp) {
  layoutWindows();
  std::vector<Touch*> began, moved, ended, cancelled;
  for (const TouchInput& input : inputs) {
    auto it = touches_.find(input.identifier);
    if (input.phase == TouchPhase::began) {
      if (it != touches_.end() || ignoring_ > 0 || !keyWindow_) continue;
      Window* window = nullptr;
      View* hit = viewAt(input.location, &window);
      if (!hit) continue;
      auto touch = std::make_unique<Touch>();
      touch->identifier = input.identifier;
      touch->phase = TouchPhase::began;
      touch->timestamp = timestamp;
      touch->window = window;
      touch->view = hit;
      touch->windowLocation = touch->previousWindowLocation = input.location;
      for (View* v = hit; v; v = v->superview())
        for (auto& g : v->gestureRecognizers())
          if (g->isEnabled() && (!g->delegate || g->delegate->shouldReceiveTouch(*g, *touch))) {
            touch->gestureRecognizers.push_back(g.get());
            g->track(touch.get());
          }
      began.push_back(touch.get());
      touches_[input.identifier] = std::move(touch);
      continue;
    }
    if (it == touches_.end()) continue;
    Touch* touch = it->second.get();
    touch->previousWindowLocation = touch->windowLocation;
    touch->windowLocation = input.location;
    touch->timestamp = timestamp;
    touch->phase = input.phase;
    (input.phase == TouchPhase::moved       ? moved
     : input.phase == TouchPhase::cancelled ? cancelled
                                            : ended)
        .push_back(touch);
  }
  if (!began.empty()) deliver(began, TouchPhase::began, timestamp);
  if (!moved.empty()) deliver(moved, TouchPhase::moved, timestamp);
  if (!ended.empty()) deliver(ended, TouchPhase::ended, timestamp);
  if (!cancelled.empty()) deliver(cancelled, TouchPhase::cancelled, timestamp);
}

void Application::cancelAllTouches(double timestamp) {
  std::vector<TouchInput> inputs;
  for (auto& [id, touch] : touches_) inputs.push_back({id, TouchPhase::cancelled, touch->windowLocation});
  handleTouches(inputs, timestamp);
}

namespace {
// Touches whose view no longer receives them (a recogniser took them).
std::vector<Touch*> withdrawn;
bool isWithdrawn(Touch* t) { return std::find(withdrawn.begin(), withdrawn.end(), t) != withdrawn.end(); }
}  // namespace

void Application::deliver(std::vector<Touch*> touches, TouchPhase phase, double timestamp) {
  Event event;
  event.timestamp = timestamp;
  for (auto& [id, t] : touches_) event.allTouches.push_back(t.get());

  // Recognisers first, each with its own touches.
  std::vector<GestureRecognizer*> recognizers;
  for (Touch* t : touches)
    for (GestureRecognizer* g : t->gestureRecognizers)
      if (std::find(recognizers.begin(), recognizers.end(), g) == recognizers.end()) recognizers.push_back(g);
  std::vector<std::shared_ptr<Object>> keep;
  for (GestureRecognizer* g : recognizers) keep.push_back(g->shared_from_this());
  for (GestureRecognizer* g : recognizers) {
    if (g->state() == GestureState::failed || g->state() == GestureState::cancelled) continue;
    TouchSet mine;
    for (Touch* t : touches)
      if (std::find(t->gestureRecognizers.begin(), t->gestureRecognizers.end(), g) != t->gestureRecognizers.end())
        mine.push_back(t);
    const GestureState before = g->state();
    switch (phase) {
      case TouchPhase::began: g->touchesBegan(mine, event); break;
      case TouchPhase::moved: case TouchPhase::stationary: g->touchesMoved(mine, event); break;
      case TouchPhase::ended: g->touchesEnded(mine, event); break;
      case TouchPhase::cancelled: g->touchesCancelled(mine, event); break;
    }
    const bool recognized = before == GestureState::possible &&
                            (g->state() == GestureState::began || g->state() == GestureState::ended);
    if (recognized) {
      // The first to recognise wins the touches from the other recognisers.
      for (GestureRecognizer* other : recognizers)
        if (other != g && other->state() == GestureState::possible &&
            !(g->delegate && g->delegate->shouldRecognizeSimultaneously(*g, *other)))
          other->setState(GestureState::failed);
    }
  }
  // A recogniser that has recognised (here or on a timer, as a long press
  // does) and cancels touches takes its touches from the view.
  for (GestureRecognizer* g : recognizers) {
    const bool engaged = g->state() == GestureState::began || g->state() == GestureState::changed ||
                         g->state() == GestureState::ended;
    if (!engaged || !g->cancelsTouchesInView) continue;
    TouchSet taken;
    for (Touch* t : g->trackedTouches())
      if (!isWithdrawn(t)) {
        withdrawn.push_back(t);
        if (!(t->phase == TouchPhase::began && phase == TouchPhase::began)) taken.push_back(t);
      }
    if (!taken.empty() && taken.front()->view) taken.front()->view->touchesCancelled(taken, event);
  }

  // Then the views, grouped by the view each touch began in.
  std::vector<View*> views;
  for (Touch* t : touches)
    if (t->view && !isWithdrawn(t) && std::find(views.begin(), views.end(), t->view) == views.end())
      views.push_back(t->view);
  for (View* view : views) {
    TouchSet set;
    for (Touch* t : touches)
      if (t->view == view && !isWithdrawn(t)) set.push_back(t);
    auto hold = view->shared_from_this();
    switch (phase) {
      case TouchPhase::began: view->touchesBegan(set, event); break;
      case TouchPhase::moved: case TouchPhase::stationary: view->touchesMoved(set, event); break;
      case TouchPhase::ended: view->touchesEnded(set, event); break;
      case TouchPhase::cancelled: view->touchesCancelled(set, event); break;
    }
  }

  // Ended touches leave; recognisers with no touches left start again.
  if (phase == TouchPhase::ended || phase == TouchPhase::cancelled) {
    for (Touch* t : touches) {
      for (GestureRecognizer* g : t->gestureRecognizers) {
        g->untrack(t);
        if (g->trackedTouches().empty() && !g->isActive()) g->reset();
        else if (g->trackedTouches().empty() && g->isActive()) {
          g->setState(GestureState::cancelled);
          g->reset();
        }
      }
      withdrawn.erase(std::remove(withdrawn.begin(), withdrawn.end(), t), withdrawn.end());
      touches_.erase(t->identifier);
    }
  } else {
    for (Touch* t : touches) t->phase = TouchPhase::stationary;
  }
}

}  // namespace ui
