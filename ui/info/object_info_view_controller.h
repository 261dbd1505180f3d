// ObjectInfoViewController: everything known about one sky object, a table
// of its information items in titled sections beside (tablet) or under a
// segmented switch with (phone) its description page. Rows that stand for
// an event carry a clock button: show the event on the chart, or set an
// alert before it. While the screen is up the chart does not draw.
//
// Thread rules: main thread only.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/devices/web_view.h"
#include "platform/foundation/date.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/table_view.h"
#include "skydata/sky_object_id.h"
#include "ui/foundation/sv_view_controller.h"
#include "ui/info/black_cover.h"
#include "ui/info/info_items.h"

class CSkyChart;
class CSkyObject;

class ObjectInfoViewController : public SVViewController,
                                 private ui::TableViewDataSource,
                                 private ui::TableViewDelegate,
                                 private dev::WebNavigationDelegate {
 public:
  static constexpr int kMaxItems = 255;

  ObjectInfoViewController();
  ~ObjectInfoViewController() override;
  std::string className() const override { return "ObjectInfoViewController"; }

  // A new screen from "ObjectInfoView-iPad" on a tablet, else "ObjectInfoView".
  static std::shared_ptr<ObjectInfoViewController> create();
  // The screen on screen, or null.
  static ObjectInfoViewController* currentController();

  // The description page of the bundle's "SkyInfo/<folder>" for a name or
  // a number (1 or more, as "%05d"): the first file whose name without
  // its extension has a comma-separated part equal to the number or to the
  // name (slashes removed, case ignored); "" for none.
  static std::string findFilenameForObject(const std::string& name, int number,
                                           const std::string& folder);
  // "<category>.html" when "SkyInfo/<folder>" holds it, else "".
  static std::string findFilenameForSatelliteCategory(const std::string& category,
                                                      const std::string& folder);
  // An alert `minutesBefore` minutes before the event (event_alerts.h).
  static void scheduleNotification(const std::string& eventName, const SkyObjectID* object,
                                   ns::Date eventDate, int minutesBefore);

  void setObjectID(const SkyObjectID* id);
  const SkyObjectID& objectID() const { return currentObjID_; }
  // Rebuilds the items; with a description, looks up and loads the page
  // and lays the views out.
  void loadObjectInfo(bool withDescription);
  // The chart's time changed: the items again.
  void timeChanged();
  // Sections and row heights from the items.
  void formatSkyObjectInfo();
  void layoutViews();

  // Actions.
  void currentPageChanged(ui::Object* sender);
  void accessoryButtonTapped(ui::Object* sender);
  void centerObject(ui::Object* sender);
  void doneTouched(ui::Object* sender);
  void removeBlack();

  // What the screen shows (tests and the event menu read them).
  int numPairs() const { return numPairs_; }
  int numSections() const { return numSections_; }
  const SkyObjectInfoString& item(int index) const {
    return infoPairs_[static_cast<std::size_t>(index)];
  }
  int sectionStart(int section) const { return sectionStarts_[static_cast<std::size_t>(section)]; }
  float rowHeight(int index) const { return rowHeights_[static_cast<std::size_t>(index)]; }
  bool hasDescription() const { return hasDescription_; }
  // The page address loaded last (with its style query), "" for none.
  const std::string& pageURL() const { return pageURL_; }
  ui::TableView* mainTableView() const { return mainTableView_.get(); }
  dev::WebView* descriptionWebView() const { return descriptionWebView_.get(); }
  ui::View* separatorView() const { return separatorView_.get(); }
  ui::SegmentedControl* pageControl() const { return pageControl_.get(); }
  ui::View* blackView() const { return blackView_.view(); }

  // View controller.
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidLayoutSubviews() override;
  void willAnimateRotationToInterfaceOrientation(int orientation, double duration) override;
  unsigned supportedInterfaceOrientations() const override;

 private:
  // The table's accessory taps keep their own overload beside the action.
  using ui::TableViewDelegate::accessoryButtonTapped;
  // Table data source and delegate (object_info_table.cpp).
  int numberOfSections(ui::TableView&) override;
  int numberOfRows(ui::TableView&, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath path) override;
  std::string titleForHeader(ui::TableView&, int section) override;
  double heightForRow(ui::TableView&, ui::IndexPath path) override;
  double heightForHeader(ui::TableView&, int section) override;
  double heightForFooter(ui::TableView&, int section) override;
  std::shared_ptr<ui::View> viewForHeader(ui::TableView&, int section) override;
  void didSelectRow(ui::TableView&, ui::IndexPath path) override;
  // Links and loads of the page.
  dev::NavigationPolicy decidePolicy(dev::WebView&, const std::string& url,
                                     dev::NavigationType type) override;
  void didFinishNavigation(dev::WebView&) override;

  // The item of a row, or null.
  const SkyObjectInfoString* itemAt(ui::IndexPath path) const;
  // The chart and its selected object (null without a chart screen).
  CSkyChart* chart() const;
  CSkyObject* selectedObject() const;
  // The page address of the object's description: a bundled page or the
  // generated one ("" for none).
  std::string findDescriptionPage(CSkyChart& chart, CSkyObject& object);
  void buildItems(CSkyObject& object, int multiline, int visiblePassesOnly);
  void freeItems();
  void showEvent(double jd);

  std::array<SkyObjectInfoString, kMaxItems> infoPairs_{};
  int numPairs_ = 0;
  std::array<int, kMaxItems> sectionStarts_{};
  int numSections_ = 0;
  std::array<float, kMaxItems> rowHeights_{};
  SkyObjectID currentObjID_;
  bool hasDescription_ = false;
  double lastViewWidth_ = -1;
  std::string pageURL_;
  BlackCover blackView_;
  std::shared_ptr<ui::TableView> mainTableView_;
  std::shared_ptr<dev::WebView> descriptionWebView_;
  std::shared_ptr<ui::View> separatorView_;
  std::shared_ptr<ui::SegmentedControl> pageControl_;
};

// Pushes a new information screen for the object onto the screen's
// navigation stack (nothing without one).
void pushObjectInfo(ui::ViewController& screen, const SkyObjectID& object);
