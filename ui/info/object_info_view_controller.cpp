#include "ui/info/object_info_view_controller.h"

#include "chart/sky_chart.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"
#include "ui/info/event_alerts.h"
#include "ui/info/object_info.h"
#include "ui/info/page_links.h"
#include "ui/info/screen_loading.h"

namespace {

ObjectInfoViewController* gCurrent = nullptr;

// Table widths on a tablet beside a page: landscape and portrait.
constexpr double kTabletTableWide = 340, kTabletTableNarrow = 284, kSeparatorWidth = 2;
constexpr double kRemoveBlackDelay = 0.2;
const ui::Color kNightBar = SVColor::colorWithRed(0.25, 0, 0, 1);
const ui::Color kNightRed = SVColor::colorWithRed(1, 0, 0, 1);

bool isPortrait(int orientation) { return orientation == 1 || orientation == 2; }

}  // namespace

ObjectInfoViewController::ObjectInfoViewController() = default;

ObjectInfoViewController::~ObjectInfoViewController() {
  if (gCurrent == this) gCurrent = nullptr;
  freeItems();
}

std::shared_ptr<ObjectInfoViewController> ObjectInfoViewController::create() {
  return std::make_shared<ObjectInfoViewController>();
}

ObjectInfoViewController* ObjectInfoViewController::currentController() { return gCurrent; }

void pushObjectInfo(ui::ViewController& screen, const SkyObjectID& object) {
  ui::NavigationController* navigation = screen.navigationController();
  if (navigation == nullptr) return;
  auto info = ObjectInfoViewController::create();
  info->setObjectID(&object);
  navigation->pushViewController(info, true);
}

void ObjectInfoViewController::scheduleNotification(const std::string& eventName,
                                                    const SkyObjectID* object, ns::Date eventDate,
                                                    int minutesBefore) {
  if (object != nullptr) scheduleEventAlert(eventName, *object, eventDate, minutesBefore);
}

void ObjectInfoViewController::setObjectID(const SkyObjectID* id) {
  if (id != nullptr) currentObjID_ = *id;
}

bool ObjectInfoViewController::setValue(std::string_view key, const std::any& value) {
  if (const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value)) {
    if (key == "mainTableView")
      return (mainTableView_ = std::dynamic_pointer_cast<ui::TableView>(*object)) != nullptr;
    if (key == "separatorView")
      return (separatorView_ = std::dynamic_pointer_cast<ui::View>(*object)) != nullptr;
    if (key == "pageControl")
      return (pageControl_ = std::dynamic_pointer_cast<ui::SegmentedControl>(*object)) != nullptr;
  }
  return SVViewController::setValue(key, value);
}

bool ObjectInfoViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "currentPageChanged:")
    currentPageChanged(sender);
  else if (selector == "accessoryButtonTapped:")
    accessoryButtonTapped(sender);
  else if (selector == "centerObject:")
    centerObject(sender);
  else if (selector == "doneTouched:")
    doneTouched(sender);
  else
    return SVViewController::performAction(selector, sender);
  return true;
}

void ObjectInfoViewController::loadView() {
  loadScreenDefinition(*this,
                       AppDelegate::runningOniPad() ? "ObjectInfoView-iPad" : "ObjectInfoView");
  mainTableView_ = tableOrNew(mainTableView_, *view());
}

void ObjectInfoViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  ui::View& root = *view();
  descriptionWebView_ = std::make_shared<dev::WebView>(root.bounds());
  descriptionWebView_->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
  descriptionWebView_->setBackgroundColor(ui::Color::black());
  descriptionWebView_->navigationDelegate = this;
  if (ChartViewController* chartScreen = ChartViewController::currentController())
    chartScreen->selectObject(currentObjID_);

  auto done =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, this, "doneTouched:");
  done->tintColor = AppDelegate::defaultTintColor();
  navigationItem().rightBarButtonItem = done;
  if (AppDelegate::isNightVision())
    if (ui::NavigationController* navigation = navigationController())
      navigation->navigationBar().barTintColor = kNightBar;

  mainTableView_->dataSource = this;
  mainTableView_->delegate = this;
  mainTableView_->setBackgroundColor(ui::Color::black());
  if (AppDelegate::runningOniPad()) {
    root.addSubview(descriptionWebView_);
    blackView_.cover(root, descriptionWebView_->frame());
  } else {
    if (pageControl_) {
      navigationItem().titleView = pageControl_;
      pageControl_->setSelectedSegmentIndex(0);
      if (AppDelegate::isNightVision()) pageControl_->setTintColor(kNightRed);
    }
    root.addSubview(mainTableView_);
  }
}

void ObjectInfoViewController::viewWillAppear(bool animated) {
  SVViewController::viewWillAppear(animated);
  if (ChartViewController* chartScreen = ChartViewController::currentController())
    if (ChartView* chartView = chartScreen->chartView()) chartView->setDrawingDisabled(true);
  loadObjectInfo(true);
  gCurrent = this;
}

void ObjectInfoViewController::viewDidAppear(bool animated) {
  SVViewController::viewDidAppear(animated);
}

void ObjectInfoViewController::viewWillDisappear(bool animated) {
  SVViewController::viewWillDisappear(animated);
  if (ChartViewController* chartScreen = ChartViewController::currentController())
    if (ChartView* chartView = chartScreen->chartView()) chartView->setDrawingDisabled(false);
  if (gCurrent == this) gCurrent = nullptr;
}

unsigned ObjectInfoViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

CSkyChart* ObjectInfoViewController::chart() const {
  ChartViewController* chartScreen = ChartViewController::currentController();
  return chartScreen != nullptr ? chartScreen->pSkyChart() : nullptr;
}

CSkyObject* ObjectInfoViewController::selectedObject() const {
  CSkyChart* sky = chart();
  return sky != nullptr ? sky->selectedObject : nullptr;
}

void ObjectInfoViewController::freeItems() {
  freeInfoItems(nullptr, infoPairs_.data(), numPairs_);
  numPairs_ = 0;
  numSections_ = 0;
}

void ObjectInfoViewController::buildItems(CSkyObject& object, int multiline,
                                          int visiblePassesOnly) {
  CSkyChart* sky = chart();
  freeItems();
  if (sky == nullptr) return;
  sky->updateObjectPosition(&object);
  numPairs_ =
      getObjectInfo(sky, &object, infoPairs_.data(), kMaxItems, multiline, visiblePassesOnly);
}

void ObjectInfoViewController::loadObjectInfo(bool withDescription) {
  freeItems();
  CSkyChart* sky = chart();
  CSkyObject* object = selectedObject();
  if (withDescription && sky != nullptr && object != nullptr) {
    const std::string page = findDescriptionPage(*sky, *object);
    hasDescription_ = !page.empty();
    if (hasDescription_) {
      pageURL_ = styledPageURL(page);
      descriptionWebView_->load(pageURL_);
    }
  }
  if (object != nullptr) {
    ChartViewController* chartScreen = ChartViewController::currentController();
    Settings* settings = chartScreen != nullptr ? chartScreen->settings() : nullptr;
    buildItems(*object, 1, settings != nullptr && settings->showVisiblePassesOnly() ? 1 : 0);
  }
  if (withDescription) layoutViews();
  formatSkyObjectInfo();
  mainTableView_->reloadData();
}

void ObjectInfoViewController::timeChanged() { loadObjectInfo(false); }

void ObjectInfoViewController::layoutViews() {
  const ui::Rect bounds = view()->bounds();
  const double x = bounds.origin.x, y = bounds.origin.y, w = bounds.width(), h = bounds.height();
  if (AppDelegate::runningOniPad()) {
    const double width = hasDescription_ ? (w >= h ? kTabletTableWide : kTabletTableNarrow) : w;
    mainTableView_->setFrame({x, y, width, h});
    if (separatorView_) separatorView_->setFrame({x + width, y, kSeparatorWidth, h});
    const double pageX = x + width + kSeparatorWidth;
    const ui::Rect page{pageX, y, w - pageX, h};
    descriptionWebView_->setFrame(page);
    if (ui::View* cover = blackView_.view()) cover->setFrame(page);
  } else {
    double bottom = 0;
    if (AppDelegate* delegate = AppDelegate::instance())
      if (std::shared_ptr<ui::Window> window = delegate->window())
        bottom = window->windowSafeAreaInsets().bottom;
    const ui::Rect frame{x, 0, w, h - bottom};
    mainTableView_->setFrame(frame);
    descriptionWebView_->setFrame(frame);
  }
  if (!descriptionWebView_->url().empty()) descriptionWebView_->reload();
}

void ObjectInfoViewController::viewDidLayoutSubviews() {
  SVViewController::viewDidLayoutSubviews();
  const double width = view()->bounds().width();
  if (width != lastViewWidth_) {
    layoutViews();
    formatSkyObjectInfo();
    lastViewWidth_ = width;
  }
  mainTableView_->reloadData();
  double hue, saturation, brightness, alpha;
  SVTableView::tableSeparatorColor().getHSBA(hue, saturation, brightness, alpha);
  mainTableView_->separatorColor = ui::Color::hsba(hue, saturation, brightness * 0.75, alpha);
}

void ObjectInfoViewController::willAnimateRotationToInterfaceOrientation(int orientation,
                                                                         double duration) {
  SVViewController::willAnimateRotationToInterfaceOrientation(orientation, duration);
  const bool tablet = AppDelegate::runningOniPad();
  const bool multiline =
      hasDescription_ ? (tablet || isPortrait(orientation)) : (!tablet && isPortrait(orientation));
  if (CSkyObject* object = selectedObject()) buildItems(*object, multiline ? 1 : 0, 0);
  layoutViews();
  formatSkyObjectInfo();
  mainTableView_->reloadData();
}

void ObjectInfoViewController::currentPageChanged(ui::Object* sender) {
  auto* control = dynamic_cast<ui::SegmentedControl*>(sender);
  if (control == nullptr) return;
  if (control->selectedSegmentIndex() == 0) {
    descriptionWebView_->removeFromSuperview();
    view()->addSubview(mainTableView_);
  } else {
    mainTableView_->removeFromSuperview();
    view()->addSubview(descriptionWebView_);
  }
}

void ObjectInfoViewController::doneTouched(ui::Object*) { dismissViewController(true); }

void ObjectInfoViewController::removeBlack() { blackView_.remove(); }

dev::NavigationPolicy ObjectInfoViewController::decidePolicy(dev::WebView&, const std::string& url,
                                                             dev::NavigationType) {
  return pageLinkPolicy(url);
}

void ObjectInfoViewController::didFinishNavigation(dev::WebView&) {
  if (blackView_.exists()) blackView_.removeAfter(kRemoveBlackDelay);
}
