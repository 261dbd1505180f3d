// The chart screen's layout for each orientation and perspective, the
// toolbar strip with its more-buttons arrows, and its colours.
#include <algorithm>
#include <cmath>

#include "app/chart_screen_controller.h"
#include "app/chart_view_toolbar.h"
#include "chart/sky_chart.h"
#include "ui/foundation/small_views.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"

namespace {

constexpr double kStatusHeight = 30;
constexpr double kToolbarHeight = 50;
constexpr double kEdge = 4;
constexpr double kNotchMargin = 16;

bool inTree(const ui::View* view) { return view != nullptr && view->superview() != nullptr; }

void place(ui::View* view, double x, double y) {
  if (view) view->setFrame({x, y, view->frame().width(), view->frame().height()});
}

ui::EdgeInsets windowInsets() {
  if (AppDelegate* delegate = AppDelegate::instance())
    if (auto window = delegate->window()) return window->windowSafeAreaInsets();
  return ui::Screen::main().safeAreaInsets();
}

ui::Color dimmed(const ui::Color& color) {
  double hue, saturation, brightness, alpha;
  color.getHSBA(hue, saturation, brightness, alpha);
  return ui::Color::hsba(hue, saturation, brightness * 0.75, alpha);
}

}  // namespace

int ChartScreenController::toolbarButtonsShown(double width) {
  if (width <= 320) return 6;
  if (width <= 375) return 7;
  if (width < 414) return 8;
  if (width <= 480) return 9;
  return 1000;  // all of them
}

void ChartScreenController::layoutForCurrentOrientation() { layoutForOrientation(Utility::interfaceOrientation()); }

void ChartScreenController::layoutForOrientation(int o) {
  if (!pSkyChart() || !chartView_) return;
  Views& v = views_;
  const double W = view()->bounds().width(), H = view()->bounds().height();
  const ui::EdgeInsets insets = windowInsets();
  const double top = insets.top, bottom = insets.bottom;
  if (AppDelegate::isIPhoneX() && v.locationLabel && v.timeDateLabel) {
    // Both labels keep clear of the notch's side: the date keeps the width
    // its text needs and the place ends where the date begins, so neither
    // cuts nor overlaps the other.
    const double m = top == 0 ? kNotchMargin : 0;
    const ui::Rect date = v.timeDateLabel->frame(), location = v.locationLabel->frame();
    const double dateX = W - kEdge - m - date.width();
    v.timeDateLabel->setFrame({dateX, date.y(), date.width(), date.height()});
    v.locationLabel->setFrame({m + kEdge, location.y(), std::max(0.0, dateX - m - kEdge), location.height()});
  }
  const int p = chartView_->chartPerspective();
  if (v.fpsLabel) v.fpsLabel->setHidden(true);
  bool fullScreen = false;
  auto hide = [](ui::View* view, bool hidden) {
    if (view) view->setHidden(hidden);
  };
  if (o == 1 || o == 2) {
    for (ui::View* shown : {static_cast<ui::View*>(v.toolbarScrollView.get()),
                            static_cast<ui::View*>(v.statusBar.get()), v.statusBarSeparator.get(),
                            v.timeFlowView.get()})
      hide(shown, false);
    hide(v.centerCoordsLabel.get(), p == kGroundPerspective);
    hide(v.fovLabel.get(), p == kGroundPerspective);
    const bool space = p == kOrbitPerspective || p == kSatellitePerspective;
    hide(v.zoomInButton.get(), space);
    hide(v.zoomOutButton.get(), space);
    hide(v.flyInButton.get(), !space);
    hide(v.flyOutButton.get(), !space);
    hide(v.cameraButton.get(), !(p == kSkyPerspective && compassOrGyroOn()));
  } else if ((o == 3 || o == 4) && settings_->autoVR() && p != kGroundPerspective) {
    for (ui::View* hidden :
         {static_cast<ui::View*>(v.toolbarScrollView.get()), static_cast<ui::View*>(v.statusBar.get()),
          v.statusBarSeparator.get(), v.timeFlowView.get(), static_cast<ui::View*>(v.centerCoordsLabel.get()),
          static_cast<ui::View*>(v.fovLabel.get()), static_cast<ui::View*>(v.zoomInButton.get()),
          static_cast<ui::View*>(v.zoomOutButton.get()), static_cast<ui::View*>(v.flyInButton.get()),
          static_cast<ui::View*>(v.flyOutButton.get()), static_cast<ui::View*>(v.cameraButton.get())})
      hide(hidden, true);
    fullScreen = true;
  }
  if (v.statusBar) v.statusBar->setFrame({0, 0, W, top + kStatusHeight});
  // The line follows the status line's width and height (the labels follow
  // it through their resizing masks).
  if (v.statusBarSeparator)
    v.statusBarSeparator->setFrame({0, top + kStatusHeight, W, v.statusBarSeparator->frame().height()});
  if (v.toolbarScrollView) {
    v.toolbarScrollView->setFrame({0, H - (bottom + kToolbarHeight), W, bottom + kToolbarHeight});
    if (v.toolbar) v.toolbar->setFrame({0, 0, W, bottom + kToolbarHeight});
    const double stripY = v.toolbarScrollView->frame().y();
    for (ui::ImageView* arrow : {v.leftMoreView.get(), v.rightMoreView.get()})
      if (arrow) place(arrow, arrow->frame().x(), stripY + (kToolbarHeight - arrow->frame().height()) / 2);
  }
  const ui::Rect chart = chartView_->frame();
  if (fullScreen) chartView_->setFrame({0, 0, W, H});
  else chartView_->setFrame({chart.x(), top + kStatusHeight, chart.width(), H - top - kStatusHeight});
  const double cw = chartView_->bounds().width(), ch = chartView_->bounds().height();
  {
    // Camera frames read the viewport on their own queue, under this lock.
    std::lock_guard<std::recursive_mutex> lock(chartView_->chartLock());
    pSkyChart()->setViewport(0, 0, float(cw), float(ch));
  }
  place(v.centerCoordsLabel.get(), kEdge, 2);
  if (v.fovLabel) place(v.fovLabel.get(), cw - v.fovLabel->frame().width() - kEdge, 2);
  if (v.fpsLabel) place(v.fpsLabel.get(), (cw - v.fpsLabel->frame().width()) / 2, 22);
  positionTimeFlowView();
  positionBottomButtons();
  adjustToolbar();
  updateHUD();
  chartView_->setNeedsDisplay();
}

void ChartScreenController::positionTimeFlowView() {
  Views& v = views_;
  if (!v.timeFlowView || !chartView_) return;
  const double strip = inTree(v.toolbarScrollView.get()) ? v.toolbarScrollView->frame().height() : 0;
  const ui::Rect panel = v.timeFlowView->frame();
  place(v.timeFlowView.get(), (chartView_->bounds().width() - panel.width()) / 2,
        chartView_->bounds().height() - panel.height() - strip);
}

void ChartScreenController::positionBottomButtons() {
  Views& v = views_;
  if (!v.zoomInButton || !chartView_) return;
  double y = chartView_->bounds().height() - v.zoomInButton->frame().height() - 5;
  if (inTree(v.toolbarScrollView.get())) y -= v.toolbarScrollView->frame().height();
  const int o = Utility::interfaceOrientation();
  if (inTree(v.timeFlowView.get()) && !v.timeFlowView->isHidden() && (o == 1 || o == 2) &&
      !AppDelegate::runningOniPad())
    y -= v.timeFlowView->frame().height();
  const ui::EdgeInsets insets = windowInsets();
  const double width = view()->bounds().width();
  for (ui::Button* button : {v.zoomOutButton.get(), v.flyOutButton.get()})
    if (button) button->setFrame({insets.left + kEdge, y, v.zoomOutButton->frame().width(), v.zoomOutButton->frame().height()});
  const double right = width - v.zoomInButton->frame().width() - kEdge - insets.right;
  for (ui::Button* button : {v.zoomInButton.get(), v.flyInButton.get()})
    if (button) button->setFrame({right, y, v.zoomInButton->frame().width(), v.zoomInButton->frame().height()});
  place(v.cameraButton.get(), (width - v.zoomInButton->frame().width()) / 2, y);
}

void ChartScreenController::layoutToolbarIcons() {
  Views& v = views_;
  if (!v.toolbar || !v.toolbarScrollView) return;
  std::shared_ptr<ui::View> background;
  for (const auto& subview : v.toolbar->subviews())
    if (subview->tag() == -1) background = subview;
  if (background) background->removeFromSuperview();
  const double w = v.toolbarScrollView->bounds().width();
  const auto n = v.toolbar->subviews().size();
  if (n > 0 && w > 0) {
    const double b = w / double(std::min<std::size_t>(std::size_t(toolbarButtonsShown(w)), n));
    const double total = std::trunc(b * double(n));
    const double width = w > total ? w : total;
    const ui::Rect bar = v.toolbar->frame();
    v.toolbar->setFrame({bar.x(), bar.y(), width, bar.height()});
    if (background) {
      const ui::Rect r = background->frame();
      background->setFrame({r.x(), r.y(), width, r.height()});
    }
    v.toolbarScrollView->setContentSize({width, bar.height()});
    double x = 0;
    for (const auto& subview : v.toolbar->subviews()) {
      if (subview->tag() < 1) continue;
      const ui::Rect r = subview->frame();
      subview->setFrame({x, r.y(), b, r.height()});
      x += b;
    }
  }
  if (background) v.toolbar->insertSubview(background, 0);
  setToolbarLabelsColor();
}

void ChartScreenController::adjustToolbar() {
  layoutToolbarIcons();
  if (views_.toolbarScrollView) scrollViewDidScroll(*views_.toolbarScrollView);
}

void ChartScreenController::scrollViewDidScroll(ui::ScrollView& strip) {
  Views& v = views_;
  const bool hidden = strip.isHidden();
  const double x = strip.contentOffset().x;
  if (v.leftMoreView) v.leftMoreView->setHidden(x <= 0 || hidden);
  if (v.rightMoreView && v.toolbar)
    v.rightMoreView->setHidden(x >= v.toolbar->frame().width() - strip.frame().width() || hidden);
}

// ---- Colours --------------------------------------------------------------------

void ChartScreenController::adjustColorScheme() {
  Views& v = views_;
  const ui::Color tint = AppDelegate::defaultTintColor(), dim = dimmed(tint);
  const bool night = AppDelegate::isNightVision();
  if (v.statusBar) Utility::setUILabelsOf(v.statusBar.get(), night ? ui::Color::red() : ui::Color::whiteColor());
  if (v.toolbar) Utility::setUILabelsOf(v.toolbar.get(), tint);
  if (v.leftMoreView) v.leftMoreView->setImage(tintedImageUsingColor(Utility::imageNamed("VerticalLeftMore", "png"), tint));
  if (v.rightMoreView)
    v.rightMoreView->setImage(tintedImageUsingColor(Utility::imageNamed("VerticalRightMore", "png"), tint));
  const struct {
    ui::Button* button;
    const char* normal;
    const char* selected;
  } timeButtons[] = {{v.timeForwardsBtn.get(), "TimeFlowForwardOff", "TimeFlowForwardOn"},
                     {v.timeBackwardsBtn.get(), "TimeFlowBackwardOff", "TimeFlowBackwardOn"},
                     {v.timeStepForwardsBtn.get(), "TimeStepForward", nullptr},
                     {v.timeStepBackwardsBtn.get(), "TimeStepBackward", nullptr}};
  for (const auto& entry : timeButtons) {
    if (!entry.button) continue;
    entry.button->setImage(tintedImageUsingColor(Utility::imageNamed(entry.normal, "png"), tint));
    if (entry.selected)
      entry.button->setImage(tintedImageUsingColor(Utility::imageNamed(entry.selected, "png"), tint),
                             ui::kControlStateSelected);
  }
  if (v.timeNowBtn) {
    v.timeNowBtn->setTitleColor(tint);
    v.timeNowBtn->setTitleColor(dim, ui::kControlStateDisabled);
  }
  if (v.timeFlowUnitsBtn) v.timeFlowUnitsBtn->setTitleColor(tint);
  for (ui::Button* button : {v.zoomInButton.get(), v.zoomOutButton.get(), v.flyInButton.get(), v.flyOutButton.get(),
                             v.cameraButton.get()})
    if (button) button->setTitleColor(night ? tint : ui::Color::whiteColor());
  if (v.timeFlowTimeLabel) v.timeFlowTimeLabel->setTextColor(tint);
  if (v.timeFlowHorizSeparator) v.timeFlowHorizSeparator->setBackgroundColor(dim);
  setToolbarIconsColor();
  setToolbarLabelsColor();
  if (v.timeFlowView) v.timeFlowView->setNeedsDisplay();
  setHUDColor(Utility::getHUDColor());
  if (v.toolbar) v.toolbar->adjustColorScheme();
  if (v.statusBar && v.toolbar) v.statusBar->setBackgroundColor(v.toolbar->backgroundColor());
  if (v.statusBarSeparator)
    v.statusBarSeparator->setBackgroundColor(night ? ui::Color{0.3, 0, 0, 1} : ui::Color{0.15, 0.15, 0.15, 1});
}

void ChartScreenController::setToolbarIconsColor() {
  if (!views_.toolbar) return;
  const ui::Color tint = AppDelegate::defaultTintColor();
  for (const auto& subview : views_.toolbar->subviews())
    if (auto* button = dynamic_cast<ui::Button*>(subview.get()))
      if (auto image = button->imageForState(ui::kControlStateNormal))
        button->setImage(tintedImageUsingColor(image, tint));
}

void ChartScreenController::setToolbarLabelsColor() {
  if (!views_.toolbar) return;
  const ui::Color tint = AppDelegate::defaultTintColor();
  for (const auto& subview : views_.toolbar->subviews())
    if (auto* button = dynamic_cast<ui::Button*>(subview.get())) button->setTitleColor(tint);
}

void ChartScreenController::setHUDColor(const ui::Color& color) {
  for (ui::Label* label : {views_.centerCoordsLabel.get(), views_.fovLabel.get(), views_.fpsLabel.get()})
    if (label) label->setTextColor(color);
}
