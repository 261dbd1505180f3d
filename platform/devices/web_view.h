// Web views over litehtml, drawn through the 2-D layer: file addresses
// (with a "#fragment" scrolled to), http and https through ns::, links
// decided by the navigation-policy delegate, finish and failure callbacks,
// history and reload, images from files. No script runs, so a page
// address's "cssfile" query names a style sheet that is applied after the
// page's own (what the pages' script would have done).
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/url_connection.h"
#include "platform/uikit/scroll_view.h"

namespace dev {

enum class NavigationType { linkActivated = 0, other = 5, backForward = 2, reload = 3 };
enum class NavigationPolicy { cancel = 0, allow = 1 };

class WebView;

class WebNavigationDelegate {
 public:
  virtual ~WebNavigationDelegate() = default;
  virtual NavigationPolicy decidePolicy(WebView&, const std::string& /*url*/, NavigationType) {
    return NavigationPolicy::allow;
  }
  virtual void didFinishNavigation(WebView&) {}
  virtual void didFailNavigation(WebView&, const std::string& /*error*/) {}
};

class WebView : public ui::ScrollView, private ns::URLConnectionDelegate {
 public:
  explicit WebView(const ui::Rect& frame);
  ~WebView() override;
  std::string className() const override { return "WKWebView"; }

  // Loads an address (file://, http://, https://), asking the delegate.
  void load(const std::string& url);
  void loadHTMLString(const std::string& html, const std::string& baseURL);
  void reload();
  bool canGoBack() const { return index_ > 0; }
  bool canGoForward() const { return index_ + 1 < int(history_.size()); }
  void goBack();
  void goForward();
  const std::string& url() const { return url_; }
  const std::string& title() const { return title_; }
  bool isLoading() const { return connection_ != nullptr; }
  WebNavigationDelegate* navigationDelegate = nullptr;

  void layoutSubviews() override;
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;

  // For the page's container.
  struct Page;

 private:
  void navigate(const std::string& url, NavigationType type, bool record);
  void show(const std::string& html, const std::string& url, const std::string& userCss);
  void scrollToFragment(const std::string& fragment);
  void didReceiveResponse(ns::URLConnection&, const ns::URLResponse& response) override;
  void didReceiveData(ns::URLConnection&, std::string_view data) override;
  void didFinishLoading(ns::URLConnection&) override;
  void didFailWithError(ns::URLConnection&, ns::URLError, const std::string& message) override;

  std::unique_ptr<Page> page_;
  std::vector<std::string> history_;
  int index_ = -1;
  std::string url_, title_;
  std::shared_ptr<ns::URLConnection> connection_;
  std::string pendingURL_, received_;
  long status_ = 0;
  int renderedWidth_ = -1;
};

}  // namespace dev
