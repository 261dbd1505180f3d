#include "ui/info/event_menu.h"

#include "chart/sky_chart.h"
#include "platform/uikit/image.h"
#include "skydata/sky_object_id.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/utility.h"
#include "ui/info/event_alerts.h"

namespace {
constexpr int kSkyView = 1;
constexpr double kClockButtonSize = 19;
constexpr int kTagSectionFactor = 65536;
constexpr std::size_t kDateTextSize = 255;
}  // namespace

std::string eventName(const std::string& objectName, const std::string& label) {
  return objectName + " " + label;
}

void showEventMenu(const std::string& objectName, const std::string& label, double jd,
                   const SkyObjectID& object, std::function<void()> showEvent) {
  ChartViewController* controller = ChartViewController::currentController();
  CSkyChart* chart = controller != nullptr ? controller->pSkyChart() : nullptr;
  char date[kDateTextSize] = "";
  if (chart != nullptr) chart->formatDateTime(date, sizeof date, jd);
  const std::string name = eventName(objectName, label);
  std::shared_ptr<SVAlertController> alert = Utility::makeAlertWithTitle(name + " @ " + date, "");
  Utility::addCancelAlertAction("Cancel", *alert, [] {});
  Utility::addAlertAction("Show Event", *alert, std::move(showEvent));
  Utility::addAlertAction("Set Alert For Event", *alert, [name, object, jd] {
    ChartViewController* current = ChartViewController::currentController();
    Settings* settings = current != nullptr ? current->settings() : nullptr;
    const std::optional<ns::Date> date = Utility::NSDateFromJulianDate(jd);
    if (settings != nullptr && date)
      scheduleEventAlert(name, object, *date, settings->warningTime());
  });
  Utility::showAlert(alert);
}

std::shared_ptr<ui::Button> makeClockButton(ui::Object* target, int row, int section) {
  auto clock = std::make_shared<ui::Button>(ui::Rect{0, 0, kClockButtonSize, kClockButtonSize},
                                            ui::ButtonType::system);
  clock->setImage(ui::Image::named("Clock.png"));
  clock->addTarget(target, "accessoryButtonTapped:", ui::kControlEventTouchUpInside);
  clock->setTag(row + section * kTagSectionFactor);
  return clock;
}

ui::IndexPath clockButtonPath(const ui::View& button) {
  return {button.tag() / kTagSectionFactor, button.tag() % kTagSectionFactor};
}

void showEventOnChart(double jd) {
  ChartViewController* controller = ChartViewController::currentController();
  if (controller == nullptr) return;
  controller->setOldPerspective(kSkyView);
  controller->setChartPerspective(kSkyView);
  if (Settings* settings = controller->settings()) {
    settings->setRealTime(false);
    settings->setJulianDate(jd);
  }
  controller->timeDateChanged();
}
