#include "ui/info/quick_start_view_controller.h"

#include "ui/foundation/shell.h"
#include "ui/info/help_item_view_controller.h"
#include "ui/info/screen_loading.h"

namespace {
QuickStartViewController* gCurrent = nullptr;
constexpr int kPages = 9;
}  // namespace

QuickStartViewController::QuickStartViewController() {
  for (int i = 0; i < kPages; ++i)
    contentPages_.push_back("QuickStart" + std::to_string(i) + ".html");
}

std::shared_ptr<QuickStartViewController> QuickStartViewController::create() {
  return std::make_shared<QuickStartViewController>();
}

QuickStartViewController* QuickStartViewController::currentController() { return gCurrent; }

bool QuickStartViewController::setValue(std::string_view key, const std::any& value) {
  if (const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value);
      object && key == "pageController")
    return (pageController_ = std::dynamic_pointer_cast<ui::PageViewController>(*object)) !=
           nullptr;
  return SVViewController::setValue(key, value);
}

bool QuickStartViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector != "doneTouched:") return SVViewController::performAction(selector, sender);
  doneTouched(sender);
  return true;
}

void QuickStartViewController::loadView() {
  loadScreenDefinition(*this, "QuickStartView");
  if (!pageController_) pageController_ = std::make_shared<ui::PageViewController>();
}

void QuickStartViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  // Every page indicator of the application, so a dim red one at night.
  ui::PageControl::Appearance& indicator = ui::PageControl::appearance();
  if (AppDelegate::isNightVision()) {
    indicator.pageIndicatorTintColor = ui::Color::rgba(0.5, 0, 0, 1);
    indicator.currentPageIndicatorTintColor = ui::Color::red();
  } else {
    indicator.pageIndicatorTintColor = ui::Color::gray();
    indicator.currentPageIndicatorTintColor = ui::Color::whiteColor();
  }
  indicator.backgroundColor = ui::Color::black();
  pageController_->dataSource = this;
  pageController_->view()->setFrame(view()->bounds());
  pageController_->view()->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
  if (auto first = viewControllerAtIndex(0))
    pageController_->setViewControllers({first}, ui::PageDirection::forward, false);
  addChildViewController(pageController_);
  view()->addSubview(pageController_->view());
  pageController_->didMoveToParentViewController(this);
  navigationItem().rightBarButtonItem =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, this, "doneTouched:");
  gCurrent = this;
}

void QuickStartViewController::viewDidDisappear(bool animated) {
  SVViewController::viewDidDisappear(animated);
  if (gCurrent == this) gCurrent = nullptr;
}

std::shared_ptr<HelpItemViewController> QuickStartViewController::viewControllerAtIndex(
    long index) const {
  if (index < 0 || index >= pageCount()) return nullptr;
  auto page = HelpItemViewController::create();
  page->pageIndex = index;
  page->setTitle("");
  page->contentPathInit = contentPages_[static_cast<std::size_t>(index)];
  page->contentDirInit = "Help";
  return page;
}

std::shared_ptr<ui::ViewController> QuickStartViewController::before(ui::PageViewController&,
                                                                     ui::ViewController& page) {
  const auto* help = dynamic_cast<HelpItemViewController*>(&page);
  return help != nullptr && help->pageIndex >= 1 ? viewControllerAtIndex(help->pageIndex - 1)
                                                 : nullptr;
}

std::shared_ptr<ui::ViewController> QuickStartViewController::after(ui::PageViewController&,
                                                                    ui::ViewController& page) {
  const auto* help = dynamic_cast<HelpItemViewController*>(&page);
  return help != nullptr && help->pageIndex + 1 < pageCount()
             ? viewControllerAtIndex(help->pageIndex + 1)
             : nullptr;
}

void QuickStartViewController::doneTouched(ui::Object*) { dismissViewController(true); }
