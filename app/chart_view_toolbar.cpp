#include "app/chart_view_toolbar.h"

#include "app/chart_surface_view.h"
#include "app/selectable_time_label.h"
#include "platform/uikit/interface_loader.h"
#include "ui/foundation/shell.h"

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

void registerChartScreenClasses() {
  SelectableTimeLabel::registerInterfaceClass();
  if (!ui::InterfaceLoader::isRegistered("ChartView"))
    ui::InterfaceLoader::registerClass("ChartView", [](const ui::Coder&) { return std::make_shared<ChartSurfaceView>(); });
  if (!ui::InterfaceLoader::isRegistered("ChartViewToolbar"))
    ui::InterfaceLoader::registerClass("ChartViewToolbar",
                                       [](const ui::Coder&) { return std::make_shared<ChartViewToolbar>(); });
}
