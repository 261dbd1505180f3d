#include "ui/foundation/shell.h"

#include "engine/clock.h"
#include "platform/foundation/run_loop.h"
#include "skydata/application_database.h"
#include "ui/foundation/interface_classes.h"
#include "ui/foundation/theme.h"

namespace {

int gAppTheme = 2;
ChartViewController* gCurrentController = nullptr;
ElementsDownloader* gElementsDownloader = nullptr;

}  // namespace

// ---- AppDelegate -----------------------------------------------------------------

AppDelegate::AppDelegate() {
  // The chart's time follows the main run loop's clock, like the timers.
  setWallClockSource([] { return ns::RunLoop::main().wallTime(); });
  SystemFontOverride::install();
  registerThemedInterfaceClasses();
}

int AppDelegate::appTheme() { return gAppTheme; }
void AppDelegate::setAppTheme(int theme) { gAppTheme = theme; }

bool AppDelegate::runningOniPad() { return ui::Device::current().userInterfaceIdiom() == ui::Idiom::pad; }

AppDelegate* AppDelegate::instance() {
  if (!ui::Application::exists()) return nullptr;
  return dynamic_cast<AppDelegate*>(ui::Application::shared().delegate());
}

ui::Color AppDelegate::defaultTintColor() {
  if (AppDelegate* delegate = instance()) {
    if (auto window = delegate->window()) return window->tintColor();
  }
  return ui::Color::systemBlue();
}

bool AppDelegate::isIPhoneX() {
  ui::EdgeInsets insets = ui::Screen::main().safeAreaInsets();
  if (AppDelegate* delegate = instance()) {
    if (auto window = delegate->window()) insets = window->windowSafeAreaInsets();
  }
  return !insets.isZero();
}

CSkyDatabase* AppDelegate::pSkyData() const { return applicationSkyDatabase(); }

void AppDelegate::showImage(ui::ImagePointer) {}
void AppDelegate::showMessage(const std::string&, int) {}
void AppDelegate::setKeyboardOverlayTop(double) {}

// ---- ChartViewController ---------------------------------------------------------

ChartViewController::~ChartViewController() {
  if (gCurrentController == this) gCurrentController = nullptr;
}

ChartViewController* ChartViewController::currentController() { return gCurrentController; }
void ChartViewController::setCurrentController(ChartViewController* controller) { gCurrentController = controller; }

void ChartViewController::setOldPerspective(int) {}
void ChartViewController::centerSelectedObject(bool) {}
ui::Point ChartViewController::lastSearchScrollPoint() const { return {}; }
void ChartViewController::setLastSearchScrollPoint(ui::Point) {}
ui::Point ChartViewController::lastSubSearchScrollPoint(long, int) const { return {}; }
void ChartViewController::setLastSubSearchScrollPoint(ui::Point, long, int) {}

// ---- ChartView -------------------------------------------------------------------

void ChartView::setDrawingDisabled(bool) {}

// ---- ElementsDownloader ----------------------------------------------------------

ElementsDownloader::~ElementsDownloader() {
  if (gElementsDownloader == this) gElementsDownloader = nullptr;
}

ElementsDownloader* ElementsDownloader::shared() { return gElementsDownloader; }
void ElementsDownloader::setShared(ElementsDownloader* updater) { gElementsDownloader = updater; }

bool ElementsDownloader::updatingOrbitData() { return gElementsDownloader != nullptr && gElementsDownloader->isUpdating(); }

void ElementsDownloader::setElementsDownloaderDelegate(ElementsDownloaderDelegate* delegate) {
  if (gElementsDownloader != nullptr) gElementsDownloader->setDelegate(delegate);
}

bool ElementsDownloader::doUpdateOrbitData(bool showResults) {
  return gElementsDownloader != nullptr && gElementsDownloader->startUpdate(showResults);
}
