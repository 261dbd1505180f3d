#include "ui/info/help_item_view_controller.h"

#include <cstdio>

#include "platform/foundation/bundle.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/shell.h"
#include "ui/info/page_links.h"
#include "ui/info/screen_loading.h"

namespace {
constexpr double kRemoveBlackDelay = 0.2;
// The two landscape orientations.
constexpr unsigned kLandscapeOrientations = (1u << 3) | (1u << 4);
constexpr int kLightTheme = 1;
}  // namespace

HelpItemViewController::HelpItemViewController() = default;

std::shared_ptr<HelpItemViewController> HelpItemViewController::create() {
  return std::make_shared<HelpItemViewController>();
}

bool HelpItemViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector != "doneTouched:") return SVViewController::performAction(selector, sender);
  doneTouched(sender);
  return true;
}

void HelpItemViewController::loadView() { loadScreenDefinition(*this, "HelpItemView"); }

void HelpItemViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  ui::View& root = *view();
  webView_ = std::make_shared<dev::WebView>(root.bounds());
  webView_->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
  webView_->setBackgroundColor(ui::Color::black());
  webView_->navigationDelegate = this;
  root.addSubview(webView_);
  if (AppDelegate::appTheme() != kLightTheme) {
    ui::Rect cover = ui::Screen::main().bounds();
    if (AppDelegate* delegate = AppDelegate::instance())
      if (std::shared_ptr<ui::Window> window = delegate->window()) cover = window->bounds();
    blackView_.cover(root, cover);
  }
  setContent(contentPathInit, contentDirInit);
  navigationItem().rightBarButtonItem =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, this, "doneTouched:");
}

void HelpItemViewController::setContent(const std::string& content, const std::string& folder) {
  const std::size_t hash = content.find('#');
  const std::string name = content.substr(0, hash);
  const std::string fragment = hash == std::string::npos ? std::string() : content.substr(hash);
  const std::size_t dot = name.rfind('.');
  const std::string path = ns::Bundle::main().pathForResource(
      name.substr(0, dot), dot == std::string::npos ? "" : name.substr(dot + 1), folder);
  if (path.empty() || !webView_) return;
  webView_->load(styledPageURL(fileURL(path), forceIPad, fragment));
}

void HelpItemViewController::doneTouched(ui::Object*) { dismissViewController(true); }

unsigned HelpItemViewController::supportedInterfaceOrientations() const {
  return kLandscapeOrientations;
}

dev::NavigationPolicy HelpItemViewController::decidePolicy(dev::WebView&, const std::string& url,
                                                           dev::NavigationType) {
  return pageLinkPolicy(url);
}

void HelpItemViewController::didFinishNavigation(dev::WebView&) {
  if (blackView_.exists()) blackView_.removeAfter(kRemoveBlackDelay);
}

void HelpItemViewController::didFailNavigation(dev::WebView&, const std::string& error) {
  std::fprintf(stderr, "HelpItemViewController::didFailLoadWithError: %s\n", error.c_str());
}
