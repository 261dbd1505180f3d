// The application shell as the interface foundation reaches it: the
// application delegate, the chart screen's controller and its chart view.
//
// The shell (app/) implements these classes; the interface foundation and
// the screens above it call only what is declared here, and tests use
// fakes. What is process-wide is real here: the theme code, the device's
// idiom, the window's tint, the notch test, the registered delegate (the
// application's delegate) and the registered chart controller.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/application.h"
#include "platform/uikit/color.h"
#include "platform/uikit/image.h"
#include "ui/foundation/sv_view_controller.h"

class CSkyChart;
class CSkyDatabase;
namespace cg {
class Image;
}
class Settings;
class ChartView;
struct SkyObjectID;
struct UpdateResults;
namespace ui {
class Button;
}

class AppDelegate : public ui::ApplicationDelegate {
 public:
  // Installs the interface's system faces and the themed classes of
  // screen definitions, which every screen of the application relies on.
  AppDelegate();
  std::string className() const override { return "AppDelegate"; }

  // The colour theme of the process: 3 night vision, 2 dark, any other
  // value light. 2 until set.
  static int appTheme();
  static void setAppTheme(int theme);
  static bool isNightVision() { return appTheme() == 3; }
  // The device's interface idiom is the tablet's.
  static bool runningOniPad();
  // The application's delegate when it is an AppDelegate, else null.
  static AppDelegate* instance();
  // The window's tint colour (the application delegate's window, else the
  // platform's default tint).
  static ui::Color defaultTintColor();
  // Any of the window's four safe-area insets is not zero (a phone with a
  // notch or a home indicator).
  static bool isIPhoneX();

  // The one catalogue store (installed at launch; skydata/application_database.h).
  CSkyDatabase* pSkyData() const;
  // The head-up display's colour style (0 after creation).
  virtual int colorStyle() const = 0;
  virtual void playAmbientSound() = 0;
  virtual void pauseAmbientSound() = 0;

  // What the information, list, search and help screens ask of it; the
  // shell overrides them (here they show nothing).
  // A picture over the whole window, until a touch fades it out.
  virtual void showImage(ui::ImagePointer image);
  // A short message that hides itself after `hideAfterSeconds`.
  virtual void showMessage(const std::string& text, int hideAfterSeconds);
  // The top of the area the keyboard covers, in window points (0: none).
  virtual void setKeyboardOverlayTop(double top);
};

// The time label of the chart screen's time-flow panel (a selectable time
// label): the unit it shows as selected.
class TimeFlowUnitLabel {
 public:
  virtual ~TimeFlowUnitLabel() = default;
  virtual void setSelectedTimeUnit(int unit) = 0;
};

class ChartViewController : public SVViewController {
 public:
  ~ChartViewController() override;
  std::string className() const override { return "ChartViewController"; }

  // The chart controller most recently registered, or null. Not owned: a
  // registered controller unregisters itself when it is destroyed.
  static ChartViewController* currentController();
  static void setCurrentController(ChartViewController* controller);

  // The settings model this controller owns.
  virtual Settings* settings() = 0;
  // The chart view's chart (not owned; null before the view has one).
  virtual CSkyChart* pSkyChart() = 0;
  virtual ChartView* chartView() = 0;
  // The settings screen while it is open, else null.
  virtual ui::ViewController* settingsViewController() = 0;

  // What the settings model tells the chart screen.
  virtual void realTimeChanged() = 0;
  virtual void showTimeFlow(bool shown) = 0;
  virtual void setChartPerspective(int perspective) = 0;
  virtual void timeDateChanged() = 0;
  virtual void locationChanged() = 0;
  virtual void updateHUD() = 0;
  virtual TimeFlowUnitLabel* timeFlowTimeLabel() = 0;
  virtual void adjustTimeFlowBtns() = 0;
  // What the status line and the zoom buttons tell it.
  virtual void showStatusObjectInfo() = 0;
  virtual void startZoom(ui::View* sender) = 0;
  virtual void stopZoom(ui::View* sender) = 0;
  // While the live-adjust panel borrows the chart view, the chart screen
  // hides its own controls over the chart.
  virtual void setDoingLiveAdjust(bool adjusting) = 0;

  // What voice control, the time label and the orbit-data updater tell it.
  virtual void selectObject(const SkyObjectID& object) = 0;
  virtual void updateSelectedObject() = 0;
  virtual void timeForward() = 0;
  virtual void timeBackward() = 0;
  virtual void timeStop() = 0;
  virtual void timeNow() = 0;
  virtual void timeFlowUnitsChanged(int unit) = 0;
  // The buttons whose actions a voice command sends (null when the view
  // has none): a perspective's (1 to 4), Center and Info.
  virtual ui::Button* perspectiveButton(int perspective) = 0;
  virtual ui::Button* centerButton() = 0;
  virtual ui::Button* infoButton() = 0;

  // What the information, list and search screens tell it and ask of it;
  // the chart screen overrides them (here they keep nothing).
  // The perspective the chart returns to (1 to 4; -1 none).
  virtual void setOldPerspective(int perspective);
  virtual void centerSelectedObject(bool animated);
  // Where the search screen's list and the object lists (by their row
  // `index` and list `type`) were scrolled to.
  virtual ui::Point lastSearchScrollPoint() const;
  virtual void setLastSearchScrollPoint(ui::Point point);
  virtual ui::Point lastSubSearchScrollPoint(long index, int type) const;
  virtual void setLastSubSearchScrollPoint(ui::Point point, long index, int type);
};

class ChartView : public ui::View {
 public:
  using ui::View::View;
  std::string className() const override { return "ChartView"; }
  virtual void startRealTimeTimer() = 0;
  virtual void stopRealTimeTimer() = 0;
  virtual void highlightSatellites(bool on) = 0;
  // One chart frame at the next screen refresh (many requests in one
  // refresh give one frame). Stands in front of the view's own redraw of
  // its 2-D content, which the chart view does not use.
  virtual void setNeedsDisplay() = 0;
  // One chart frame now.
  virtual void drawImmediately() = 0;
  // No frames while a screen covers the chart (the information screen).
  virtual void setDrawingDisabled(bool disabled);

  // What voice control, the orbit-data updater and the settings pages ask
  // of it: the perspective shown (1 to 4) and a switch to another.
  virtual int chartPerspective() const = 0;
  virtual void setChartPerspective(int perspective) = 0;
  // Pinch zoom on the chart on or off.
  virtual void enableZoom(bool on) = 0;
  // The chart as last drawn, for a still copy while the view is lent out;
  // null when nothing has been drawn.
  virtual std::shared_ptr<cg::Image> snapshot() const = 0;
  virtual void zoomIn() = 0;
  virtual void zoomOut() = 0;
  virtual void zoomStop() = 0;
};

// Told on the main thread when an orbit-data update has ended, successful
// or not, with what it brought.
class ElementsDownloaderDelegate {
 public:
  virtual ~ElementsDownloaderDelegate() = default;
  virtual void downloadFinished(const UpdateResults& results) = 0;
};

// The orbit-data updater as the settings screens reach it. The shell
// installs the process's one updater (app/elements_downloader.h); until
// then nothing is updating and nothing starts.
class ElementsDownloader {
 public:
  // The user-default key under which the updater keeps the Julian date of
  // its last good update; the settings screen shows that time.
  static constexpr const char* kLastUpdateTimeKey = "LastOrbitUpdateTime-2560";

  virtual ~ElementsDownloader();
  static ElementsDownloader* shared();
  // Not owned: an installed updater uninstalls itself when destroyed.
  static void setShared(ElementsDownloader* updater);

  // An update is running (from its start until its report has been made).
  static bool updatingOrbitData();
  // Not owned; clear it before the delegate goes away.
  static void setElementsDownloaderDelegate(ElementsDownloaderDelegate* delegate);
  // Starts an update on a thread of its own; with `showResults` its
  // report shows the number of satellites that arrived. False, and
  // nothing started, while one runs or while the chart screen has no chart.
  static bool doUpdateOrbitData(bool showResults);

 protected:
  virtual bool isUpdating() const = 0;
  virtual void setDelegate(ElementsDownloaderDelegate* delegate) = 0;
  virtual bool startUpdate(bool showResults) = 0;
};
