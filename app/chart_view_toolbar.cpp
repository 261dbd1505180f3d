#include "app/chart_view_toolbar.h"

#include <algorithm>
#include <cmath>

#include "app/chart_surface_view.h"
#include "app/selectable_time_label.h"
#include "platform/uikit/interface_loader.h"
#include "ui/foundation/shell.h"

namespace {

// Neighbouring titles keep this much apart at least (points, each side).
constexpr double kTitleMargin = 2;
// A title shrinks to fit its button, down to this size at most.
constexpr double kSmallestTitleSize = 9;

}  // namespace

ChartViewToolbar::ChartViewToolbar() { adjustColorScheme(); }

void ChartViewToolbar::adjustColorScheme() {
  setBackgroundColor(AppDelegate::isNightVision() ? ui::Color{0.1, 0, 0, 1} : ui::Color{0.1, 0.1, 0.1, 1});
}

void ChartViewToolbar::drawRect(cg::Context& context, const ui::Rect& rect) {
  ui::View::drawRect(context, rect);
  const ui::Color line = AppDelegate::isNightVision() ? ui::Color{0.3, 0, 0, 1} : ui::Color{0.2, 0.2, 0.2, 1};
  context.setFillColor(line.cg());
  context.fillRect({bounds().x(), bounds().y(), bounds().width(), 1});
}

void ChartToolbarButton::layoutSubviews() {
  ui::Button::layoutSubviews();
  ui::Label& title = titleLabel();
  const ui::Rect content = bounds();
  const ui::ImagePointer image = imageForState(state());
  const double imageHeight = image ? image->size().height : 0;
  fitTitle(content.width() - 2 * kTitleMargin);
  const ui::Size titleSize = title.sizeThatFits({0, 0});
  const double width = std::min(titleSize.width, content.width());
  const double top = content.midY() - (imageHeight + titleSize.height) / 2;
  title.setFrame({content.midX() - width / 2, top + imageHeight, width, titleSize.height});
}

void ChartToolbarButton::fitTitle(double width) {
  ui::Label& title = titleLabel();
  if (!designedFont_) designedFont_ = title.font();
  if (!designedFont_ || width <= 0) return;
  title.setFont(designedFont_);
  const double natural = title.sizeThatFits({0, 0}).width;
  if (natural <= width) return;
  const double size = std::max(kSmallestTitleSize, designedFont_->pointSize() * width / natural);
  title.setFont(designedFont_->withSize(std::floor(size * 2) / 2));
}

void ChartToolbarButton::drawRect(cg::Context& context, const ui::Rect& rect) {
  const ui::ImagePointer image = imageForState(state());
  if (!image) return;
  const ui::Size size = image->size();
  const double titleHeight = titleLabel().text().empty() ? 0 : titleLabel().frame().height();
  const double top = bounds().midY() - (size.height + titleHeight) / 2;
  if (isHighlighted()) context.setAlpha(0.5);
  image->drawInRect(context, {bounds().midX() - size.width / 2, top, size.width, size.height});
  (void)rect;
}

void registerChartScreenClasses() {
  if (!ui::InterfaceLoader::isRegistered("ChartToolbarButton"))
    ui::InterfaceLoader::registerClass("ChartToolbarButton",
                                       [](const ui::Coder&) { return std::make_shared<ChartToolbarButton>(); });
  SelectableTimeLabel::registerInterfaceClass();
  if (!ui::InterfaceLoader::isRegistered("ChartView"))
    ui::InterfaceLoader::registerClass("ChartView", [](const ui::Coder&) { return std::make_shared<ChartSurfaceView>(); });
  if (!ui::InterfaceLoader::isRegistered("ChartViewToolbar"))
    ui::InterfaceLoader::registerClass("ChartViewToolbar",
                                       [](const ui::Coder&) { return std::make_shared<ChartViewToolbar>(); });
}
