// Web views: a page from a file with its style sheet and an image, the
// "cssfile" query's sheet applied after the page's own, a link reaching the
// navigation-policy delegate, fragments, history and refusals.
#include <gtest/gtest.h>

#include "platform/coregraphics/image_codec.h"
#include "platform/devices/web_view.h"
#include "platform/foundation/file_io.h"
#include "platform/uikit/application.h"
#include "temp_dir.h"

namespace {

class Policy : public dev::WebNavigationDelegate {
 public:
  std::vector<std::string> asked;
  int finished = 0;
  std::vector<std::string> failures;
  dev::NavigationPolicy decidePolicy(dev::WebView&, const std::string& url, dev::NavigationType) override {
    asked.push_back(url);
    return url.rfind("itms-apps:", 0) == 0 ? dev::NavigationPolicy::cancel : dev::NavigationPolicy::allow;
  }
  void didFinishNavigation(dev::WebView&) override { ++finished; }
  void didFailNavigation(dev::WebView&, const std::string& e) override { failures.push_back(e); }
};

// Counts pixels near a colour in a rectangle of a snapshot (points, scale 1).
int count(const cg::Image& image, cg::Rect r, int red, int green, int blue) {
  int n = 0;
  for (int y = int(r.y()); y < int(r.maxY()); ++y)
    for (int x = int(r.x()); x < int(r.maxX()); ++x) {
      cg::Pixel p = image.pixel(std::size_t(x), std::size_t(y));
      if (std::abs(p.r - red) < 40 && std::abs(p.g - green) < 40 && std::abs(p.b - blue) < 40) ++n;
    }
  return n;
}

TEST(DevicesWebView, APageIsDrawnStyledAndItsLinkReachesThePolicyDelegate) {
  auto clock = std::make_shared<ns::ManualClock>(0);
  ns::RunLoop::main().setClock(clock);
  ui::Application::shared().reset();
  tessaly::test::TempDir dir;
  // A green 40 x 20 picture.
  auto green = cg::Context::createBitmap(40, 20);
  green->setFillColor(0, 0.8, 0, 1);
  green->fillRect({0, 0, 40, 20});
  ASSERT_TRUE(cg::writePNG(*green->makeImage(), dir.file("picture.png")));
  ASSERT_TRUE(ns::writeFileAtomically(dir.file("theme.css"), "h1 { color: #ff0000; }"));
  ASSERT_TRUE(ns::writeFileAtomically(dir.file("page.css"), "h1 { color: #0000ff; } body { background: #ffffff; }"));
  ASSERT_TRUE(ns::writeFileAtomically(dir.file("index.html"),
      "<html><head><title>Vega</title><link rel=\"stylesheet\" href=\"page.css\"></head><body>"
      "<h1>Vega</h1><p><img src=\"picture.png\" width=\"40\" height=\"20\"></p>"
      "<p><a href=\"second.html\">Second page</a></p>"
      "<p><a href=\"itms-apps://apps.example/rate\">Rate</a></p></body></html>"));
  std::string filler;
  for (int i = 0; i < 60; ++i) filler += "<p>Line " + std::to_string(i) + "</p>";
  ASSERT_TRUE(ns::writeFileAtomically(dir.file("second.html"),
      "<html><body><p>Top</p>" + filler + "<h2 id=\"part2\">Part two</h2></body></html>"));

  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, 320, 480});
  auto web = std::make_shared<dev::WebView>(ui::Rect{0, 0, 320, 480});
  Policy policy;
  web->navigationDelegate = &policy;
  window->addSubview(web);
  window->makeKeyAndVisible();
  const std::string index = "file://" + dir.file("index.html");
  web->load(index + "?cssfile=" + dir.file("theme.css"));
  EXPECT_EQ(policy.finished, 1);
  EXPECT_EQ(web->title(), "Vega");
  auto shot = window->snapshot(1);
  // The heading is red: the query's sheet came after the page's blue.
  EXPECT_GT(count(*shot, {0, 0, 320, 60}, 255, 0, 0), 20);
  EXPECT_EQ(count(*shot, {0, 0, 320, 60}, 0, 0, 255), 0);
  EXPECT_GT(count(*shot, {0, 40, 320, 80}, 0, 204, 0), 500);  // the picture (40 x 20 = 800)

  // A link the delegate refuses leaves the page; one it allows loads.
  auto tapText = [&](const std::string& text) {
    // Links stand on their own lines: find their row by the link colour.
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 320; ++x) {
        cg::Pixel p = shot->pixel(std::size_t(x), std::size_t(y));
        if (p.b > 150 && p.r < 60 && p.g < 120) {
          (void)text;
          return ui::Point{double(x) + 2, double(y) + 2};
        }
      }
    return ui::Point{-1, -1};
  };
  ui::Point link = tapText("Second page");
  ASSERT_GE(link.x, 0);
  ui::Application::shared().handleTouches({{1, ui::TouchPhase::began, link}}, 0);
  ui::Application::shared().handleTouches({{1, ui::TouchPhase::ended, link}}, 0.05);
  ns::RunLoop::main().runFor(0.1);
  ASSERT_EQ(policy.asked.size(), 2u);
  EXPECT_EQ(policy.asked[1], "file://" + dir.file("second.html"));
  EXPECT_EQ(policy.finished, 2);
  EXPECT_TRUE(web->canGoBack());
  EXPECT_EQ(web->contentOffset().y, 0);
  // A fragment scrolls to its element.
  web->load("file://" + dir.file("second.html") + "#part2");
  EXPECT_GT(web->contentOffset().y, 500);
  web->goBack();
  web->goBack();
  EXPECT_EQ(web->title(), "Vega");
  EXPECT_FALSE(web->canGoBack());
  web->load("itms-apps://apps.example/rate");
  EXPECT_EQ(web->title(), "Vega");  // refused: nothing changed
  web->load("file://" + dir.file("missing.html"));
  ASSERT_EQ(policy.failures.size(), 1u);
  web->load("gopher://old.example/");
  EXPECT_EQ(policy.failures.size(), 2u);
  ui::Application::shared().reset();
}

}  // namespace
