#include "ui/info/web_browser_controller.h"

#include "platform/foundation/bundle.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"
#include "ui/info/page_links.h"
#include "ui/info/screen_loading.h"

WebBrowserController::WebBrowserController() = default;

std::shared_ptr<WebBrowserController> WebBrowserController::create() {
  return std::make_shared<WebBrowserController>();
}

bool WebBrowserController::setValue(std::string_view key, const std::any& value) {
  if (const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value)) {
    const auto button = [&](std::shared_ptr<ui::Button>& out) {
      return (out = std::dynamic_pointer_cast<ui::Button>(*object)) != nullptr;
    };
    if (key == "webView")
      return (webView_ = std::dynamic_pointer_cast<dev::WebView>(*object)) != nullptr;
    if (key == "toolbar")
      return (toolbar_ = std::dynamic_pointer_cast<ui::View>(*object)) != nullptr;
    if (key == "homeButton") return button(homeButton_);
    if (key == "backButton") return button(backButton_);
    if (key == "nextButton") return button(nextButton_);
    if (key == "refreshButton") return button(refreshButton_);
  }
  return ui::ViewController::setValue(key, value);
}

bool WebBrowserController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "homeTouched:")
    homeTouched(sender);
  else if (selector == "backTouched:")
    backTouched(sender);
  else if (selector == "nextTouched:")
    nextTouched(sender);
  else if (selector == "refreshTouched:")
    refreshTouched(sender);
  else if (selector == "doneTouched:")
    doneTouched(sender);
  else
    return ui::ViewController::performAction(selector, sender);
  return true;
}

void WebBrowserController::loadView() {
  loadScreenDefinition(*this, "WebBrowserView");
  if (!webView_) {
    webView_ = std::make_shared<dev::WebView>(view()->bounds());
    webView_->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
    view()->addSubview(webView_);
  }
}

void WebBrowserController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  webView_->navigationDelegate = this;
  if (homeIsText && toolbar_) {
    toolbar_->setHidden(true);
    ui::Rect frame = webView_->frame();
    frame.size.height += toolbar_->frame().height();
    webView_->setFrame(frame);
  }
  goHome();
  navigationItem().rightBarButtonItem =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, this, "doneTouched:");
  if (!toolbar_) return;
  for (const std::shared_ptr<ui::View>& subview : toolbar_->subviews()) {
    auto* button = dynamic_cast<ui::Button*>(subview.get());
    if (button == nullptr) continue;
    const ui::Color white = ui::Color::white(1.0);
    if (ui::ImagePointer image = button->imageForState(ui::kControlStateNormal))
      button->setImage(tintedImageUsingColor(image, white));
    button->setTitleColor(white);
  }
}

void WebBrowserController::viewWillAppear(bool animated) {
  ui::ViewController::viewWillAppear(animated);
  if (firstPageEnded_) return;
  const ui::Rect frame = view()->frame();
  blackView_.cover(*view(), {frame.x(), 0, frame.width(), frame.height()});
}

unsigned WebBrowserController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

void WebBrowserController::goHome() {
  if (webView_->canGoBack()) {
    // A new web view: the only way to drop the history.
    auto fresh = std::make_shared<dev::WebView>(webView_->frame());
    fresh->setAutoresizingMask(webView_->autoresizingMask());
    fresh->navigationDelegate = this;
    if (ui::View* parent = webView_->superview()) parent->insertSubviewAbove(fresh, webView_.get());
    webView_->removeFromSuperview();
    webView_->navigationDelegate = nullptr;
    webView_ = fresh;
  }
  for (ui::Button* button : {homeButton_.get(), backButton_.get(), nextButton_.get()})
    if (button != nullptr) button->setEnabled(false);
  if (homeIsText)
    webView_->loadHTMLString(home, fileURL(ns::Bundle::main().resourcePath() + "/SkyInfo/"));
  else
    webView_->load(home);
}

void WebBrowserController::backTouched(ui::Object*) { webView_->goBack(); }
void WebBrowserController::nextTouched(ui::Object*) { webView_->goForward(); }
void WebBrowserController::refreshTouched(ui::Object*) { webView_->reload(); }

void WebBrowserController::updateButtons() {
  if (homeButton_) homeButton_->setEnabled(webView_->canGoBack());
  if (backButton_) backButton_->setEnabled(webView_->canGoBack());
  if (nextButton_) nextButton_->setEnabled(webView_->canGoForward());
}

void WebBrowserController::didFinishNavigation(dev::WebView& view) {
  if (AppDelegate::runningOniPad()) {
    // The page's content centred across the view.
    if (auto* scroll = Utility::findSubviewOf<ui::ScrollView>(&view))
      scroll->setContentOffset({(scroll->contentSize().width - view.frame().width()) * 0.5, 0});
  }
  updateButtons();
  if (view.isLoading()) return;
  firstPageEnded_ = true;
  if (blackView_.exists()) removeBlack();
}

void WebBrowserController::didFailNavigation(dev::WebView&, const std::string&) {
  firstPageEnded_ = true;
  if (blackView_.exists()) removeBlack();
}

void WebBrowserController::doneTouched(ui::Object* sender) {
  if (!inSettings) {
    dismissViewController(true);
    return;
  }
  if (ui::NavigationController* navigation = navigationController()) {
    const auto& stack = navigation->viewControllers();
    for (std::size_t i = stack.size(); i-- > 1;)
      if (stack[i].get() != this) stack[i]->viewWillDisappear(true);
  }
  if (ChartViewController* chartScreen = ChartViewController::currentController())
    if (ui::ViewController* settings = chartScreen->settingsViewController())
      settings->performAction("doneTouched:", sender);
}
