#include "ui/info/astro_image_view.h"

#include <algorithm>

#include "platform/uikit/controls.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/theme.h"

namespace {
constexpr double kFadeSeconds = 1.0;
constexpr double kRemoveSeconds = 0.75;
}  // namespace

AstroImageView::AstroImageView(const ui::Rect& frame) : ui::View(frame) {
  setUserInteractionEnabled(true);
  imageView_ = std::make_shared<ui::ImageView>();
  imageView_->setFrame(bounds());
  imageView_->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
  imageView_->setContentMode(ui::ContentMode::scaleAspectFit);
  addSubview(imageView_);
}

std::shared_ptr<AstroImageView> AstroImageView::showInWindow(ui::Window& window,
                                                             ui::ImagePointer image) {
  static std::shared_ptr<AstroImageView> viewer;
  if (!viewer) viewer = std::make_shared<AstroImageView>(window.bounds());
  viewer->removeFromSuperview();
  viewer->setFrame(window.bounds());
  viewer->setAlpha(1);
  viewer->imageView().setImage(std::move(image));
  auto background = std::make_shared<ui::View>();
  background->setBackgroundColor(ui::Color::black());
  viewer->setBackgroundView(background);
  if (AppDelegate::isNightVision())
    viewer->addRedView();
  else
    viewer->removeRedView();
  window.addSubview(viewer);
  viewer->fadeIn();
  return viewer;
}

ui::View& AstroImageView::addRedView() {
  const ui::Rect frame = this->frame();
  const double side = std::max(frame.width(), frame.height());
  const ui::Rect square{frame.x(), frame.y(), side, side};
  if (!redView_) {
    redView_ = std::make_shared<ui::View>(square);
    redView_->setBackgroundColor(SVColor::colorWithRed(0.5, 0, 0, 0.5));
    addSubview(redView_);
  } else {
    redView_->setFrame(square);
  }
  return *redView_;
}

void AstroImageView::removeRedView() {
  if (!redView_) return;
  redView_->removeFromSuperview();
  redView_.reset();
}

void AstroImageView::setBackgroundView(std::shared_ptr<ui::View> view) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(view);
  if (!backgroundView_) return;
  backgroundView_->setFrame(bounds());
  backgroundView_->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
  insertSubviewBelow(backgroundView_, imageView_.get());
}

void AstroImageView::fadeIn() {
  setAlpha(0);
  ui::View::animate(kFadeSeconds, [this] { setAlpha(1); });
}

void AstroImageView::fadeOut() {
  std::weak_ptr<ui::Object> weak = weak_from_this();
  ui::View::animate(
      kFadeSeconds, [this] { setAlpha(0); },
      [weak](bool) {
        if (auto self = std::dynamic_pointer_cast<AstroImageView>(weak.lock()))
          self->removeViewWithAnimation(false);
      });
}

void AstroImageView::removeViewWithAnimation(bool animated) {
  if (superview() == nullptr) return;
  if (!animated) {
    removeFromSuperview();
    return;
  }
  std::weak_ptr<ui::Object> weak = weak_from_this();
  ui::View::animate(
      kRemoveSeconds, [this] { setAlpha(0); },
      [weak](bool) {
        if (auto self = std::dynamic_pointer_cast<AstroImageView>(weak.lock()))
          self->removeFromSuperview();
      });
}

void AstroImageView::touchesBegan(const ui::TouchSet& touches, const ui::Event& event) {
  if (fullScreen)
    fadeOut();
  else
    ui::View::touchesBegan(touches, event);
}
