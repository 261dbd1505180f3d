#include "platform/uikit/navigation_controller.h"

#include <algorithm>

#include "platform/coregraphics/text.h"
#include "platform/uikit/application.h"

namespace ui {
namespace {
constexpr double kBarHeight = 44;
// The bar title keeps clear of a bar button on either side.
constexpr double kTitleInset = 90;
constexpr double kTransitionSeconds = 0.35;

// The content area: lays the top controller's view out below the bar.
class NavigationView : public View {
 public:
  explicit NavigationView(NavigationController* owner) : owner_(owner) {}
  std::string className() const override { return "UILayoutContainerView"; }
  void layoutSubviews() override { owner_->layoutContent(); }

 private:
  NavigationController* owner_;
};
}  // namespace

// ---- bar -----------------------------------------------------------------------

NavigationBar::NavigationBar() { setAutoresizingMask(kFlexibleWidth); }

std::shared_ptr<Button> makeBarButton(const std::shared_ptr<BarButtonItem>& item) {
  if (!item) return nullptr;
  auto button = std::make_shared<Button>(ButtonType::system);
  button->setTitle(item->title);
  if (item->image) button->setImage(item->image);
  FontPointer font = BarButtonItem::appearance().normalFont;
  if (item->style == BarButtonItemStyle::done && !font) font = Font::boldSystemFont(17);
  if (font) button->titleLabel().setFont(font);
  if (item->tintColor) button->setTintColor(item->tintColor);
  button->setEnabled(item->enabled);
  button->setTag(item->tag);
  std::weak_ptr<Object> weakItem = item;
  button->addAction([weakItem](Control&) {
    if (auto strong = std::static_pointer_cast<BarButtonItem>(weakItem.lock())) strong->trigger();
  }, kControlEventTouchUpInside);
  return button;
}

void NavigationBar::setItems(const NavigationItem* top, const NavigationItem* back, Object* owner) {
  for (auto* b : {&back_, &left_, &right_})
    if (*b) (*b)->removeFromSuperview(), b->reset();
  if (titleView_) titleView_->removeFromSuperview(), titleView_.reset();
  title_ = top ? top->title : "";
  if (top && top->titleView) {
    titleView_ = top->titleView;
    addSubview(titleView_);
  }
  leftItem_ = top ? top->leftBarButtonItem : nullptr;
  rightItem_ = top ? top->rightBarButtonItem : nullptr;
  if ((left_ = makeBarButton(leftItem_))) addSubview(left_);
  if ((right_ = makeBarButton(rightItem_))) addSubview(right_);
  if (!left_ && back && !(top && top->hidesBackButton)) {
    std::string text = back->backBarButtonItem ? back->backBarButtonItem->title
                                               : (back->title.empty() || back->title.size() > 12 ? "Back" : back->title);
    back_ = std::make_shared<Button>(ButtonType::system);
    back_->setTitle("\u2039 " + text);
    if (BarButtonItem::appearance().normalFont) back_->titleLabel().setFont(BarButtonItem::appearance().normalFont);
    back_->addTarget(owner, "popViewControllerAnimated:", kControlEventTouchUpInside);
    addSubview(back_);
  }
  setNeedsLayout();
  setNeedsDisplay();
}

void NavigationBar::layoutSubviews() {
  const double top = bounds().height() - kBarHeight;
  auto place = [&](Button* b, bool left) {
    if (!b) return;
    Size s = b->sizeThatFits({0, 0});
    s.width = std::min(std::max(s.width + 16, 44.0), bounds().width() / 3);
    b->setFrame({left ? 8 : bounds().width() - 8 - s.width, top, s.width, kBarHeight});
  };
  if (titleView_) {
    Rect f = titleView_->frame();
    titleView_->setFrame({(bounds().width() - f.width()) / 2, top + (kBarHeight - f.height()) / 2, f.width(), f.height()});
  }
  // A back title that would run into the centred title gives way, as the
  // platform's does: first to "Back", then to the chevron alone.
  double titleLeft = bounds().width() / 2;
  if (titleView_) {
    titleLeft = titleView_->frame().x();
  } else if (!title_.empty()) {
    FontPointer font = titleFont ? titleFont : Font::boldSystemFont(17);
    const double width = std::min(cg::textSize(title_, font->cgFont()).width, bounds().width() - 2 * kTitleInset);
    titleLeft = (bounds().width() - width) / 2;
  }
  place(back_.get(), true);
  for (const char* shorter : {"\u2039 Back", "\u2039"}) {
    if (!back_ || back_->frame().maxX() <= titleLeft - 4 || back_->titleForState(kControlStateNormal) == shorter) break;
    back_->setTitle(shorter);
    place(back_.get(), true);
  }
  place(left_.get(), true);
  place(right_.get(), false);
}

void NavigationBar::drawRect(cg::Context& context, const Rect& rect) {
  context.setFillColor(barTintColor.value_or(Color::white(0.97)).cg());
  context.fillRect(rect);
  context.setFillColor(Color::white(0, 0.3).cg());
  context.fillRect({rect.x(), rect.maxY() - 0.5, rect.width(), 0.5});
  if (title_.empty() || titleView_) return;
  FontPointer font = titleFont ? titleFont : Font::boldSystemFont(17);
  drawTextLine(context, title_, Rect{kTitleInset, rect.maxY() - kBarHeight, rect.width() - 2 * kTitleInset, kBarHeight}, *font,
               titleColor.value_or(Color::black()), cg::TextAlignment::center);
}

// ---- controller ------------------------------------------------------------------

NavigationController::NavigationController() = default;

NavigationController::NavigationController(std::shared_ptr<ViewController> root) {
  if (root) {
    addChildViewController(root);
    stack_.push_back(std::move(root));
  }
}

void NavigationController::loadView() {
  auto view = std::make_shared<NavigationView>(this);
  view->setFrame(Screen::main().bounds());
  view->setBackgroundColor(Color::whiteColor());
  view->setClipsToBounds(true);
  setView(view);
  bar_ = std::make_shared<NavigationBar>();
  bar_->navigation_ = this;
  view->addSubview(bar_);
  if (auto* top = topViewController()) view->insertSubview(top->view(), 0);
  updateBar();
  layoutContent();
}

NavigationBar& NavigationController::navigationBar() {
  view();
  return *bar_;
}

void NavigationController::setNavigationBarHidden(bool hidden) {
  barHidden_ = hidden;
  if (bar_) bar_->setHidden(hidden);
  layoutContent();
}

ViewController* NavigationController::visibleViewController() const {
  ViewController* top = topViewController();
  while (top && top->presentedViewController()) top = top->presentedViewController();
  return top;
}

Rect NavigationController::contentFrame() {
  const Rect b = view()->bounds();
  if (barHidden_) return b;
  const double top = view()->safeAreaInsets().top + kBarHeight;
  return {0, top, b.width(), b.height() - top};
}

void NavigationController::layoutContent() {
  if (!isViewLoaded()) return;
  const Rect b = view()->bounds();
  const double barHeight = view()->safeAreaInsets().top + kBarHeight;
  bar_->setFrame({0, 0, b.width(), barHeight});
  if (!transitioning_)
    if (auto* top = topViewController()) top->view()->setFrame(contentFrame());
}

void NavigationController::updateBar() {
  if (!bar_) return;
  const NavigationItem* top = stack_.empty() ? nullptr : &stack_.back()->navigationItem();
  const NavigationItem* back = stack_.size() < 2 ? nullptr : &stack_[stack_.size() - 2]->navigationItem();
  bar_->setItems(top, back, this);
}

std::vector<ViewController*> NavigationController::appearingChildren() const {
  if (auto* top = topViewController()) return {top};
  return {};
}

bool NavigationController::performAction(std::string_view selector, Object* sender) {
  if (selector == "popViewControllerAnimated:") {
    popViewController(true);
    return true;
  }
  return ViewController::performAction(selector, sender);
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller, bool animated) {
  if (!controller || transitioning_) return;
  if (std::find(stack_.begin(), stack_.end(), controller) != stack_.end()) return;
  auto from = stack_.empty() ? nullptr : stack_.back();
  addChildViewController(controller);
  stack_.push_back(controller);
  controller->movingToParent_ = true;
  transition(from, controller, animated, true, {});
}

std::shared_ptr<ViewController> NavigationController::popViewController(bool animated) {
  if (stack_.size() < 2 || transitioning_) return nullptr;
  auto leaving = stack_.back();
  stack_.pop_back();
  leaving->movingFromParent_ = true;
  transition(leaving, stack_.back(), animated, false, {leaving});
  return leaving;
}

void NavigationController::popToViewController(const ViewController* target, bool animated) {
  auto it = std::find_if(stack_.begin(), stack_.end(), [&](auto& c) { return c.get() == target; });
  if (it == stack_.end() || it + 1 == stack_.end() || transitioning_) return;
  std::vector<std::shared_ptr<ViewController>> leaving(it + 1, stack_.end());
  auto from = stack_.back();
  stack_.erase(it + 1, stack_.end());
  from->movingFromParent_ = true;
  transition(from, stack_.back(), animated, false, leaving);
}

void NavigationController::popToRootViewController(bool animated) {
  if (!stack_.empty()) popToViewController(stack_.front().get(), animated);
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                                              bool animated) {
  if (transitioning_) return;
  controllers.erase(std::remove(controllers.begin(), controllers.end(), nullptr), controllers.end());
  auto from = stack_.empty() ? nullptr : stack_.back();
  std::vector<std::shared_ptr<ViewController>> leaving;
  for (auto& c : stack_)
    if (std::find(controllers.begin(), controllers.end(), c) == controllers.end()) leaving.push_back(c);
  for (auto& c : controllers) addChildViewController(c);
  stack_ = std::move(controllers);
  auto to = stack_.empty() ? nullptr : stack_.back();
  if (from == to) {
    for (auto& c : leaving) c->removeFromParentViewController();
    updateBar();
    return;
  }
  transition(from, to, animated, true, leaving);
}

void NavigationController::transition(std::shared_ptr<ViewController> from, std::shared_ptr<ViewController> to,
                                      bool animated, bool forward,
                                      std::vector<std::shared_ptr<ViewController>> leaving) {
  auto self = std::static_pointer_cast<NavigationController>(shared_from_this());
  if (!isViewLoaded()) {
    for (auto& c : leaving) c->removeFromParentViewController();
    return;
  }
  const bool onScreen = isAppeared() || view()->window() != nullptr;
  if (to) to->view();  // loaded before the messages, as the platform does
  if (to && delegate) delegate->willShowViewController(*this, *to, animated);
  if (onScreen && from) from->beginAppearance(false, animated);
  if (onScreen && to) to->beginAppearance(true, animated);
  const Rect content = contentFrame();
  const double width = view()->bounds().width();
  if (to) {
    to->view()->setFrame(content);
    view()->insertSubviewBelow(to->view(), bar_.get());
  }
  updateBar();
  auto finish = [self, from, to, onScreen, leaving, animated](bool) {
    self->transitioning_ = false;
    if (from && from != to && from->isViewLoaded()) from->view()->removeFromSuperview();
    if (onScreen && from) from->endAppearance();
    if (onScreen && to) to->endAppearance();
    for (auto& c : leaving) {
      c->removeFromParentViewController();
      c->movingFromParent_ = false;
    }
    if (to) to->movingToParent_ = false;
    if (to && self->delegate) self->delegate->didShowViewController(*self, *to, animated);
    self->layoutContent();
  };
  if (!animated || !from || !to) {
    finish(true);
    return;
  }
  transitioning_ = true;
  Rect start = content, fromEnd = from->view()->frame();
  start.origin.x = forward ? width : -width / 3;
  fromEnd.origin.x = forward ? -width / 3 : width;
  if (!forward) view()->insertSubviewBelow(to->view(), from->view().get());
  to->view()->setFrame(start);
  auto toView = to->view(), fromView = from->view();
  View::animate(kTransitionSeconds, [=] {
    toView->setFrame(content);
    fromView->setFrame(fromEnd);
  }, finish);
}

}  // namespace ui
