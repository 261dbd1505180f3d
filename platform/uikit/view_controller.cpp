#include "platform/uikit/view_controller.h"

#include <algorithm>
#include <cstdio>

#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"

namespace ui {

// ---- bar button items ----------------------------------------------------------

BarButtonItem::BarButtonItem(BarButtonSystemItem item, Object* target, std::string selector)
    : systemItem(item), target(target), selector(std::move(selector)) {
  switch (item) {
    case BarButtonSystemItem::done: title = "Done", style = BarButtonItemStyle::done; break;
    case BarButtonSystemItem::cancel: title = "Cancel"; break;
    case BarButtonSystemItem::edit: title = "Edit"; break;
    case BarButtonSystemItem::save: title = "Save", style = BarButtonItemStyle::done; break;
    case BarButtonSystemItem::add: title = "+"; break;
    default: break;
  }
}

void BarButtonItem::trigger() {
  if (!enabled) return;
  auto keep = shared_from_this();
  // The action may end its target's life (a Done that dismisses the
  // screen it belongs to); the target stays until the call returns.
  std::shared_ptr<Object> keepTarget = target ? target->weak_from_this().lock() : nullptr;
  if (target && !selector.empty()) target->performAction(selector, this);
  if (action) action(*this);
}

BarButtonItem::Appearance& BarButtonItem::appearance() {
  static Appearance shared;
  return shared;
}

// ---- view controller -----------------------------------------------------------

ViewController::ViewController() = default;

ViewController::~ViewController() {
  if (view_ && view_->viewController_ == this) view_->viewController_ = nullptr;
  for (auto& child : children_) child->parent_ = nullptr;
  if (presented_) {
    // Nothing can dismiss it any more: its screen must not stay up with
    // controls whose targets are going.
    presented_->presenting_ = nullptr;
    presented_->takeOffScreen();
  }
}

bool ViewController::setValue(std::string_view key, const std::any& value) {
  try {
    if (key == "title") setTitle(std::any_cast<std::string>(value));
    else if (key == "view") setView(std::dynamic_pointer_cast<View>(std::any_cast<std::shared_ptr<Object>>(value)));
    else return Responder::setValue(key, value);
  } catch (const std::bad_any_cast&) {
    return false;
  }
  return true;
}

std::shared_ptr<View> ViewController::view() {
  if (!view_) {
    loadView();
    if (!view_) setView(std::make_shared<View>(Screen::main().bounds()));
    viewDidLoad();
  }
  return view_;
}

void ViewController::setView(std::shared_ptr<View> view) {
  if (view_ && view_->viewController_ == this) view_->viewController_ = nullptr;
  view_ = std::move(view);
  if (view_) view_->viewController_ = this;
}

void ViewController::loadView() {
  auto view = std::make_shared<View>(Screen::main().bounds());
  view->setBackgroundColor(Color::whiteColor());
  setView(view);
}

void ViewController::setTitle(std::string title) {
  title_ = std::move(title);
  navigationItem_.title = title_;
  if (auto* navigation = navigationController()) navigation->updateBar();
}

NavigationController* ViewController::navigationController() const {
  for (ViewController* c = parent_; c; c = c->parent_)
    if (auto* navigation = dynamic_cast<NavigationController*>(c)) return navigation;
  return nullptr;
}

void ViewController::addChildViewController(std::shared_ptr<ViewController> child) {
  if (!child || child->parent_ == this) return;
  child->removeFromParentViewController();
  child->willMoveToParentViewController(this);
  child->parent_ = this;
  children_.push_back(std::move(child));
}

void ViewController::removeFromParentViewController() {
  ViewController* parent = parent_;
  if (!parent) return;
  auto keep = std::static_pointer_cast<ViewController>(shared_from_this());
  parent_ = nullptr;
  auto& siblings = parent->children_;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), keep), siblings.end());
  didMoveToParentViewController(nullptr);
}

std::vector<ViewController*> ViewController::appearingChildren() const {
  std::vector<ViewController*> children;
  for (auto& child : children_)
    if (child->isViewLoaded() && child->view_->superview()) children.push_back(child.get());
  return children;
}

void ViewController::beginAppearance(bool appearing, bool animated) {
  pendingAnimated_ = animated;
  if (appearing) {
    if (appearance_ == Appearance::appearing || appearance_ == Appearance::appeared) return;
    view();
    appearance_ = Appearance::appearing;
    viewWillAppear(animated);
  } else {
    if (appearance_ == Appearance::disappearing || appearance_ == Appearance::disappeared) return;
    appearance_ = Appearance::disappearing;
    viewWillDisappear(animated);
  }
  for (ViewController* child : appearingChildren()) child->beginAppearance(appearing, animated);
}

void ViewController::endAppearance() {
  if (appearance_ == Appearance::appearing) {
    appearance_ = Appearance::appeared;
    viewDidAppear(pendingAnimated_);
  } else if (appearance_ == Appearance::disappearing) {
    appearance_ = Appearance::disappeared;
    viewDidDisappear(pendingAnimated_);
  } else {
    return;
  }
  for (ViewController* child : appearingChildren()) child->endAppearance();
}

Responder* ViewController::nextResponder() const {
  if (view_ && view_->superview()) return view_->superview();
  if (parent_) return parent_;
  if (presenting_) return presenting_;
  return nullptr;
}

bool ViewController::performAction(std::string_view selector, Object* sender) {
  return Responder::performAction(selector, sender);
}

// ---- presentation --------------------------------------------------------------

Rect ViewController::presentationFrame() const {
  const Rect screen = Screen::main().bounds();
  const bool pad = Screen::main().configuration().idiom == Idiom::pad;
  switch (modalPresentationStyle) {
    case ModalPresentationStyle::fullScreen: case ModalPresentationStyle::overFullScreen:
    case ModalPresentationStyle::currentContext: case ModalPresentationStyle::overCurrentContext:
    case ModalPresentationStyle::custom:
      return screen;
    case ModalPresentationStyle::popover: {
      if (!pad) return screen;
      constexpr double kArrow = 10;
      const EdgeInsets m = popoverLayoutMargins;
      Size size = preferredContentSize;
      if (size.width <= 0 || size.height <= 0) size = {320, 480};
      size.width = std::max(0.0, std::min(size.width, screen.width() - m.left - m.right));
      if (!popoverSourceView) {
        size.height = std::max(0.0, std::min(size.height, screen.height() - m.top - m.bottom));
        return {m.left + (screen.width() - m.left - m.right - size.width) / 2,
                m.top + (screen.height() - m.top - m.bottom - size.height) / 2, size.width, size.height};
      }
      const Rect anchor = popoverSourceView->convertRectTo(
          popoverSourceRect.isEmpty() ? popoverSourceView->bounds() : popoverSourceRect, nullptr);
      const double x = std::max(m.left, std::min(anchor.midX() - size.width / 2, screen.width() - m.right - size.width));
      // The popover points at its anchor and never covers it: below it when
      // it fits there or there is more room there, else above it, shrunk to
      // the room on that side (a toolbar button's popover stands above the
      // toolbar, which stays whole).
      const double below = screen.height() - m.bottom - (anchor.maxY() + kArrow);
      const double above = anchor.y() - kArrow - m.top;
      if (size.height <= below || below >= above) {
        size.height = std::max(0.0, std::min(size.height, below));
        return {x, anchor.maxY() + kArrow, size.width, size.height};
      }
      size.height = std::min(size.height, above);
      return {x, anchor.y() - kArrow - size.height, size.width, size.height};
    }
    default: {
      if (!pad) {
        const double top = Screen::main().safeAreaInsets().top + 10;
        return {0, top, screen.width(), screen.height() - top};
      }
      Size size{std::min(540.0, screen.width()), std::min(620.0, screen.height())};
      return {(screen.width() - size.width) / 2, (screen.height() - size.height) / 2, size.width, size.height};
    }
  }
}

void ViewController::presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                                           std::function<void()> completion) {
  if (!controller || controller.get() == this) return;
  if (presented_) {
    std::fprintf(stderr, "Attempt to present %s on %s which is already presenting\n",
                 controller->className().c_str(), className().c_str());
    return;
  }
  Window* window = isViewLoaded() && view_->window() ? view_->window() : Application::shared().keyWindow();
  if (!window) return;
  ViewController* covered = this;
  while (covered->parent_) covered = covered->parent_;
  const bool full = controller->modalPresentationStyle == ModalPresentationStyle::fullScreen ||
                    (controller->modalPresentationStyle == ModalPresentationStyle::popover &&
                     Screen::main().configuration().idiom == Idiom::phone);
  presented_ = controller;
  controller->presenting_ = this;
  controller->beingPresented_ = true;
  const Rect frame = controller->presentationFrame();
  auto view = controller->view();
  if (full) covered->beginAppearance(false, animated);
  controller->beginAppearance(true, animated);
  view->setFrame(frame);
  if (controller->presentsAboveKeyboard()) {
    controller->presentationWindow_ = std::make_shared<Window>(Screen::main().bounds());
    controller->presentationWindow_->windowLevel = kAboveKeyboardWindowLevel;
    controller->presentationWindow_->setTintColor(window->tintColor());  // the screen's, not the platform's
    Application::shared().addWindow(controller->presentationWindow_);
    controller->presentationWindow_->addSubview(view);
  } else {
    window->addSubview(view);
  }
  // The presenter may be gone by the time an animated presentation ends.
  std::weak_ptr<Object> coveredOwner = covered->weak_from_this();
  const bool coveredShared = !coveredOwner.expired();
  auto finish = [controller, covered, coveredOwner, coveredShared, full, completion](bool) {
    controller->endAppearance();
    if (full && (!coveredShared || !coveredOwner.expired())) covered->endAppearance();
    controller->beingPresented_ = false;
    if (completion) completion();
  };
  if (!animated) {
    finish(true);
    return;
  }
  if (controller->modalTransitionStyle == TransitionStyle::crossDissolve) {
    view->setAlpha(0);
    View::animate(0.3, [view] { view->setAlpha(1); }, finish);
    return;
  }
  Rect start = frame;
  start.origin.y = Screen::main().bounds().height();
  view->setFrame(start);
  View::animate(0.3, [view, frame] { view->setFrame(frame); }, finish);
}

void ViewController::dismissViewController(bool animated, std::function<void()> completion) {
  if (presented_) return dismissPresented(animated, std::move(completion));
  // A child of a presented container dismisses the container.
  for (ViewController* c = this; c; c = c->parent_)
    if (c->presenting_) return c->presenting_->dismissPresented(animated, std::move(completion));
  if (completion) completion();
}

ViewController* ViewController::presentingViewController() const {
  for (const ViewController* c = this; c; c = c->parent_)
    if (c->presenting_) return c->presenting_;
  return nullptr;
}

void ViewController::takeOffScreen() {
  if (isViewLoaded()) view_->removeFromSuperview();
  if (presentationWindow_) {
    Application::shared().removeWindow(presentationWindow_.get());
    presentationWindow_.reset();
  }
}

void ViewController::dismissPresentedWithin() {
  if (presented_) dismissPresented(false, {});
  for (auto& child : std::vector(children_)) child->dismissPresentedWithin();
}

void ViewController::dismissPresented(bool animated, std::function<void()> completion) {
  auto controller = presented_;
  if (!controller || controller->beingDismissed_) return;
  // Controllers it presented in turn go with it, and so do those its
  // children presented (a page of a presented stack opening a picker):
  // left behind, they would outlive the screens they report to.
  controller->dismissPresentedWithin();
  ViewController* covered = this;
  while (covered->parent_) covered = covered->parent_;
  const bool full = controller->modalPresentationStyle == ModalPresentationStyle::fullScreen ||
                    (controller->modalPresentationStyle == ModalPresentationStyle::popover &&
                     Screen::main().configuration().idiom == Idiom::phone);
  controller->beingDismissed_ = true;
  controller->beginAppearance(false, animated);
  if (full) covered->beginAppearance(true, animated);
  auto self = std::static_pointer_cast<ViewController>(shared_from_this());
  auto finish = [self, controller, covered, full, completion](bool) {
    controller->takeOffScreen();
    controller->endAppearance();
    if (full) covered->endAppearance();
    controller->beingDismissed_ = false;
    if (self->presented_ == controller) self->presented_.reset();
    controller->presenting_ = nullptr;
    if (completion) completion();
  };
  if (!animated) {
    finish(true);
    return;
  }
  auto view = controller->view();
  if (controller->modalTransitionStyle == TransitionStyle::crossDissolve) {
    View::animate(0.3, [view] { view->setAlpha(0); }, [view, finish](bool done) {
      finish(done);
      view->setAlpha(1);
    });
    return;
  }
  Rect end = view->frame();
  end.origin.y = Screen::main().bounds().height();
  View::animate(0.3, [view, end] { view->setFrame(end); }, finish);
}

void ViewController::rotate(int orientation, double duration, Size size) {
  willAnimateRotationToInterfaceOrientation(orientation, duration);
  viewWillTransitionToSize(size);
  for (auto& child : std::vector(children_)) child->rotate(orientation, duration, size);
  if (presented_) {
    if (presented_->isViewLoaded()) presented_->view()->setFrame(presented_->presentationFrame());
    presented_->rotate(orientation, duration, size);
  }
}

}  // namespace ui
