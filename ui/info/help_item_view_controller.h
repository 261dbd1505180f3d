// HelpItemViewController: one HTML page of the bundle's "Help" folder (a
// help topic or a quick-start page) in a web view styled for the theme,
// under a black cover until it has loaded. Pictures linked from the page
// open in the full-screen viewer.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/devices/web_view.h"
#include "ui/foundation/sv_view_controller.h"
#include "ui/info/black_cover.h"

class HelpItemViewController : public SVViewController, private dev::WebNavigationDelegate {
 public:
  HelpItemViewController();
  std::string className() const override { return "HelpItemViewController"; }
  // A new page screen from the screen definition "HelpItemView".
  static std::shared_ptr<HelpItemViewController> create();

  // Set before the view loads: the page ("name.html", optionally with a
  // "#fragment"), its bundle folder, the tablet's style on any device, and
  // its place in the quick start.
  std::string contentPathInit, contentDirInit;
  bool forceIPad = false;
  long pageIndex = 0;

  // Loads the page: nothing when the bundle has no such file.
  void setContent(const std::string& name, const std::string& folder);
  void doneTouched(ui::Object* sender);
  void removeBlack() { blackView_.remove(); }

  dev::WebView* webView() const { return webView_.get(); }
  ui::View* blackView() const { return blackView_.view(); }

  bool performAction(std::string_view selector, ui::Object* sender) override;
  void loadView() override;
  void viewDidLoad() override;
  unsigned supportedInterfaceOrientations() const override;

 private:
  dev::NavigationPolicy decidePolicy(dev::WebView&, const std::string& url,
                                     dev::NavigationType type) override;
  void didFinishNavigation(dev::WebView&) override;
  void didFailNavigation(dev::WebView&, const std::string& error) override;

  std::shared_ptr<dev::WebView> webView_;
  BlackCover blackView_;
};
