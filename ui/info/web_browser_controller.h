// WebBrowserController: a small browser: a web view with Home, Back, Next
// and Refresh buttons and a Done button, under a black cover until the
// first page has loaded. Its start page is an address or an HTML text.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/devices/web_view.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/view_controller.h"
#include "ui/info/black_cover.h"

class WebBrowserController : public ui::ViewController, private dev::WebNavigationDelegate {
 public:
  WebBrowserController();
  std::string className() const override { return "WebBrowserController"; }
  // A new browser from the screen definition "WebBrowserView".
  static std::shared_ptr<WebBrowserController> create();

  // The start page: an address, or HTML text when `homeIsText`.
  std::string home;
  bool homeIsText = false;
  // The browser sits in the settings screen's navigation stack.
  bool inSettings = false;

  // Shows the start page afresh, dropping the history.
  void goHome();
  void homeTouched(ui::Object*) { goHome(); }
  void backTouched(ui::Object*);
  void nextTouched(ui::Object*);
  void refreshTouched(ui::Object*);
  void doneTouched(ui::Object* sender);
  void removeBlack() { blackView_.remove(); }

  dev::WebView* webView() const { return webView_.get(); }
  ui::View* toolbar() const { return toolbar_.get(); }
  ui::Button* homeButton() const { return homeButton_.get(); }
  ui::Button* backButton() const { return backButton_.get(); }
  ui::Button* nextButton() const { return nextButton_.get(); }
  ui::Button* refreshButton() const { return refreshButton_.get(); }
  ui::View* blackView() const { return blackView_.view(); }

  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  unsigned supportedInterfaceOrientations() const override;

 private:
  void didFinishNavigation(dev::WebView&) override;
  void didFailNavigation(dev::WebView&, const std::string&) override;
  void updateButtons();

  std::shared_ptr<dev::WebView> webView_;
  std::shared_ptr<ui::View> toolbar_;
  std::shared_ptr<ui::Button> homeButton_, backButton_, nextButton_, refreshButton_;
  BlackCover blackView_;
  // The first page has loaded or failed (file pages do so at once, before
  // the screen appears).
  bool firstPageEnded_ = false;
};
