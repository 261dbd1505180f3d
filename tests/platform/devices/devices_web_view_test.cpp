// Web views: a page from a file with its style sheet and an image, the
// "cssfile" query's sheet applied after the page's own, a link reaching the
// navigation-policy delegate, fragments, history and refusals; relative
// addresses resolved without their ".." segments, as a browser does.
#include <gtest/gtest.h>

#include <filesystem>

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

// A window filled by a web view that asks `policy`.
struct Browser {
  std::shared_ptr<ui::Window> window;
  std::shared_ptr<dev::WebView> web;
  Policy policy;
  Browser(double width, double height)
      : window(std::make_shared<ui::Window>(ui::Rect{0, 0, width, height})),
        web(std::make_shared<dev::WebView>(ui::Rect{0, 0, width, height})) {
    web->navigationDelegate = &policy;
    window->addSubview(web);
    window->makeKeyAndVisible();
  }
};

// A green 40 x 20 picture.
bool writeGreenPicture(const std::string& path) {
  auto green = cg::Context::createBitmap(40, 20);
  green->setFillColor(0, 0.8, 0, 1);
  green->fillRect({0, 0, 40, 20});
  return cg::writePNG(*green->makeImage(), path);
}

TEST(DevicesWebView, APageIsDrawnStyledAndItsLinkReachesThePolicyDelegate) {
  auto clock = std::make_shared<ns::ManualClock>(0);
  ns::RunLoop::main().setClock(clock);
  ui::Application::shared().reset();
  tessaly::test::TempDir dir;
  ASSERT_TRUE(writeGreenPicture(dir.file("picture.png")));
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

  Browser browser(320, 480);
  auto& window = browser.window;
  auto& web = browser.web;
  Policy& policy = browser.policy;
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


// A link drawn as a magenta block (its address follows).
const std::string kMagentaBlock = "<a style=\"display:block;height:30px;background-color:#ff00ff\" href=\"";

// A tap at the first pixel near a colour, then the loop; the address the
// policy delegate was asked about, or nothing.
std::string tapColour(Browser& browser, int red, int green, int blue) {
  auto shot = browser.window->snapshot(1);
  for (int y = 0; y < int(shot->height()); ++y)
    for (int x = 0; x < int(shot->width()); ++x)
      if (count(*shot, {double(x), double(y), 1, 1}, red, green, blue) == 1) {
        const ui::Point at{x + 2.0, y + 2.0};
        const std::size_t asked = browser.policy.asked.size();
        ui::Application::shared().handleTouches({{1, ui::TouchPhase::began, at}}, 0);
        ui::Application::shared().handleTouches({{1, ui::TouchPhase::ended, at}}, 0.05);
        ns::RunLoop::main().runFor(0.1);
        return browser.policy.asked.size() > asked ? browser.policy.asked.back() : std::string();
      }
  return {};
}

// A bundle whose page folder is a link into a source tree, with its
// pictures in a real folder beside the link: "../images" of a page must
// be the bundle's, not the parent of the link's target.
TEST(DevicesWebView, DotSegmentsAreResolvedInTheAddressNotThroughALinkedFolder) {
  namespace fs = std::filesystem;
  auto clock = std::make_shared<ns::ManualClock>(0);
  ns::RunLoop::main().setClock(clock);
  ui::Application::shared().reset();
  tessaly::test::TempDir dir;
  fs::create_directories(dir.path() / "source" / "pages");
  fs::create_directories(dir.path() / "bundle" / "images");
  fs::create_directory_symlink(dir.path() / "source" / "pages", dir.path() / "bundle" / "pages");
  ASSERT_TRUE(writeGreenPicture((dir.path() / "bundle" / "images" / "p.png").string()));
  ASSERT_TRUE(ns::writeFileAtomically((dir.path() / "source" / "pages" / "page.html").string(),
      "<html><body><p><a href=\"./../images/p.png\"><img src=\"../images/p.png\" width=\"40\" height=\"20\">"
      "</a></p>" + kMagentaBlock + "../../bundle/pages/../images/./q.png?x=../y#z\">More</a></body></html>"));

  Browser browser(320, 240);
  dev::WebView& web = *browser.web;
  const std::string bundle = (dir.path() / "bundle").string();
  const std::string page = "file://" + bundle + "/pages/page.html";
  web.load(page);
  EXPECT_GT(count(*browser.window->snapshot(1), {0, 0, 320, 80}, 0, 204, 0), 500) << "the picture is drawn";
  EXPECT_EQ(tapColour(browser, 0, 204, 0), "file://" + bundle + "/images/p.png");
  web.load(page);
  // The query and fragment keep their own dots; ".." never climbs above
  // the root.
  EXPECT_EQ(tapColour(browser, 255, 0, 255), "file://" + bundle + "/images/q.png?x=../y#z");
  web.loadHTMLString(kMagentaBlock + "../../../c.html\">Up</a>", "https://example.org/a/b/page.html");
  EXPECT_EQ(tapColour(browser, 255, 0, 255), "https://example.org/c.html");
  ui::Application::shared().reset();
}

}  // namespace
