// The help list and its pages, the support e-mail, the quick start's
// paging, the in-app browser's buttons and history, and the full-screen
// picture viewer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/devices/mail_compose.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/coregraphics/image.h"
#include "platform/uikit/pickers.h"
#include "tests/ui/info/screen_world.h"
#include "ui/foundation/utility.h"
#include "ui/info/astro_image_view.h"
#include "ui/info/help_item_view_controller.h"
#include "ui/info/help_list_view_controller.h"
#include "ui/info/page_links.h"
#include "ui/info/quick_start_view_controller.h"
#include "ui/info/web_browser_controller.h"

namespace {

using info_test::ScreenWorld;

std::string helpPage(const std::string& name) {
  return fileURL(ns::Bundle::main().resourcePath() + "/Help/" + name);
}

class HelpScreens : public ::testing::Test {
 protected:
  ScreenWorld world;
};

TEST_F(HelpScreens, TopicsOpenTheirPages) {
  auto help = HelpListViewController::create();
  world.present(help);
  ui::TableView& table = *help->table();
  table.layoutIfNeeded();
  ASSERT_EQ(table.numberOfSections(), 3);
  EXPECT_EQ(table.numberOfRows(0), 1);
  EXPECT_EQ(table.numberOfRows(1), 4);
  EXPECT_EQ(table.numberOfRows(2), 7);
  EXPECT_EQ(help->sectionTitle(0),
            "Tessaly version " + ns::Bundle::main().infoValue("CFBundleVersion"));
  EXPECT_EQ(help->sectionTitle(2), "Other Controls");
  EXPECT_EQ(table.cellForRow({0, 0})->textLabel().text(), "Quick Start");
  EXPECT_EQ(table.cellForRow({1, 0})->textLabel().text(), "Sky View Help");
  world.snapshot("help-list");
  // Every topic has its page in the bundle.
  for (int s = 1; s < 3; ++s)
    for (const std::string& topic : help->topics(s))
      EXPECT_FALSE(ns::Bundle::main().pathForResource(topic, "html", "Help").empty()) << topic;

  table.delegate->didSelectRow(table, {2, 5});
  world.run(1);
  auto* page = dynamic_cast<HelpItemViewController*>(world.top());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->title(), "Time Flow");
  EXPECT_EQ(page->contentPathInit, "Time Flow.html");
  EXPECT_EQ(page->contentDirInit, "Help");
  EXPECT_EQ(page->webView()->url(), styledPageURL(helpPage("Time Flow.html")));
  EXPECT_EQ(page->supportedInterfaceOrientations(), (1u << 3) | (1u << 4));
  // The cover fades once the page is in.
  world.run(1);
  EXPECT_EQ(page->blackView(), nullptr);
  world.snapshot("help-time-flow");

  table.delegate->didSelectRow(table, {0, 0});
  world.run(1);
}

TEST_F(HelpScreens, AFragmentFollowsTheStyleQueryAndAMissingPageLoadsNothing) {
  world.setTheme(3);
  auto page = HelpItemViewController::create();
  page->contentPathInit = "Sky View.html#part";
  page->contentDirInit = "Help";
  world.present(page);
  EXPECT_EQ(page->webView()->url(), styledPageURL(helpPage("Sky View.html"), false, "#part"));
  const std::string url = page->webView()->url();
  EXPECT_EQ(url.substr(url.size() - std::string("NightVision.css#part").size()),
            "NightVision.css#part");
  page->forceIPad = true;
  page->setContent("Sky View.html", "Help");
  EXPECT_NE(page->webView()->url().find("NightVision-iPad.css"), std::string::npos);

  auto missing = HelpItemViewController::create();
  missing->contentPathInit = "No Such Page.html";
  missing->contentDirInit = "Help";
  world.root().dismissViewController(false);
  world.present(missing);
  world.run(2);
  EXPECT_TRUE(missing->webView()->url().empty());
  EXPECT_NE(missing->blackView(), nullptr);
}

TEST_F(HelpScreens, TheLightThemeHasNoCover) {
  world.setTheme(1);
  auto page = HelpItemViewController::create();
  page->contentPathInit = "Info.html";
  page->contentDirInit = "Help";
  world.present(page);
  EXPECT_EQ(page->blackView(), nullptr);
  EXPECT_NE(page->webView()->url().find("Classic.css"), std::string::npos);
}

TEST_F(HelpScreens, SupportMailNeedsAnAddress) {
  ns::UserDefaults::standard().removeObject(HelpListViewController::kSupportAddressKey);
  auto help = HelpListViewController::create();
  world.present(help);
  help->emailSupport(nullptr);
  ASSERT_NE(world.alert(), nullptr);
  EXPECT_EQ(world.alert()->message(), "This Device Cannot Send Email");
  world.alert()->dismissViewController(false);
  world.run(1);

  ns::UserDefaults::standard().setString(HelpListViewController::kSupportAddressKey,
                                         "help@tessaly.example");
  help->emailSupport(nullptr);
  world.run(1);
  auto* composer = dynamic_cast<dev::MailComposeViewController*>(help->presentedViewController());
  ASSERT_NE(composer, nullptr);
  const std::string message = composer->messageText(0);
  EXPECT_NE(message.find("help@tessaly.example"), std::string::npos);
  EXPECT_NE(
      message.find("Tessaly " + ns::Bundle::main().infoValue("CFBundleVersion") + " question"),
      std::string::npos);
  EXPECT_NE(message.find("Content-Type: text/html"), std::string::npos);
  EXPECT_NE(message.find(Utility::base64forData("Hi! I have a question about your app.")),
            std::string::npos)
      << message;
  composer->cancel();
  world.run(1);
  EXPECT_EQ(help->presentedViewController(), nullptr);
  ns::UserDefaults::standard().removeObject(HelpListViewController::kSupportAddressKey);
}

TEST_F(HelpScreens, TheQuickStartPagesAndTheirEnds) {
  EXPECT_EQ(QuickStartViewController::currentController(), nullptr);
  auto quickStart = QuickStartViewController::create();
  world.present(quickStart);
  EXPECT_EQ(QuickStartViewController::currentController(), quickStart.get());
  ASSERT_EQ(quickStart->pageCount(), 9);
  EXPECT_EQ(quickStart->contentPages().front(), "QuickStart0.html");
  EXPECT_EQ(quickStart->contentPages().back(), "QuickStart8.html");
  for (const std::string& page : quickStart->contentPages())
    EXPECT_FALSE(ns::Bundle::main().pathForResource(page, "", "Help").empty()) << page;
  EXPECT_EQ(quickStart->viewControllerAtIndex(9), nullptr);
  ui::PageViewController& pager = *quickStart->pageController();
  const auto index = [&] {
    return dynamic_cast<HelpItemViewController&>(*pager.viewControllers().front()).pageIndex;
  };
  EXPECT_EQ(index(), 0);
  EXPECT_FALSE(pager.turn(ui::PageDirection::reverse));
  for (int i = 1; i < 9; ++i) {
    ASSERT_TRUE(pager.turn(ui::PageDirection::forward)) << i;
    world.run(1);
  }
  EXPECT_EQ(index(), 8);
  EXPECT_FALSE(pager.turn(ui::PageDirection::forward));
  world.snapshot("quick-start-last");
  quickStart->doneTouched(nullptr);
  world.run(1);
  EXPECT_EQ(QuickStartViewController::currentController(), nullptr);
}

// The indicator under the quick start as the window shows it: nine dots,
// the current page's lit, in the tints of the theme.
TEST(QuickStartIndicator, ShowsWhichPageOfHowManyInTheThemesTints) {
  struct Look {
    int theme;
    const char* name;
    cg::Pixel lit, unlit;
  };
  const Look looks[] = {{2, "quick-start-dark", {255, 255, 255, 255}, {128, 128, 128, 255}},
                        {3, "quick-start-night", {255, 0, 0, 255}, {128, 0, 0, 255}}};
  for (const Look& look : looks) {
    SCOPED_TRACE(look.name);
    ScreenWorld world(look.theme);
    auto quickStart = QuickStartViewController::create();
    world.present(quickStart);
    world.run(1);
    ui::PageViewController& pager = *quickStart->pageController();
    ui::PageControl* dots = pager.pageControl();
    ASSERT_NE(dots, nullptr);
    EXPECT_EQ(dots->numberOfPages(), 9);
    // The pages end above the indicator instead of under it.
    EXPECT_LE(pager.viewControllers().front()->view()->frame().maxY(), dots->frame().y());
    const auto pixelAt = [&](const std::shared_ptr<cg::Image>& image, int page) {
      const ui::Point p = dots->convertPointTo(dots->dotCentre(page), nullptr);
      return image->pixel(std::size_t(p.x * 2), std::size_t(p.y * 2));
    };
    const auto near = [](cg::Pixel a, cg::Pixel b) {
      return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
    };
    const auto expectLit = [&](const std::shared_ptr<cg::Image>& image, int lit) {
      ASSERT_TRUE(image);
      for (int page = 0; page < 9; ++page) {
        const cg::Pixel at = pixelAt(image, page);
        EXPECT_TRUE(near(at, page == lit ? look.lit : look.unlit))
            << "page " << page << ": " << int(at.r) << "," << int(at.g) << "," << int(at.b);
      }
      // Between the dots, the indicator's black.
      const ui::Point gap = dots->convertPointTo(
          {dots->dotCentre(0).x + ui::PageControl::kDotSpacing / 2, dots->dotCentre(0).y}, nullptr);
      EXPECT_TRUE(near(image->pixel(std::size_t(gap.x * 2), std::size_t(gap.y * 2)), {0, 0, 0, 255}));
    };
    expectLit(world.snapshot(look.name), 0);
    // A swipe moves the light with the page, and a swipe past the end
    // leaves it.
    ASSERT_TRUE(pager.turn(ui::PageDirection::forward));
    world.run(1);
    expectLit(world.snapshot(std::string(look.name) + "-second"), 1);
    ASSERT_TRUE(pager.turn(ui::PageDirection::reverse));
    EXPECT_FALSE(pager.turn(ui::PageDirection::reverse));
    world.run(1);
    expectLit(world.snapshot(std::string(look.name) + "-first"), 0);
    quickStart->doneTouched(nullptr);
    world.run(1);
  }
}

class Browser : public ::testing::Test {
 protected:
  Browser() {
    world.bundle.addFile(
        "Pages/start.html",
        "<html><body><h1>Start</h1><p><a href=\"next.html\">next</a></p></body></html>");
    world.bundle.addFile("Pages/next.html", "<html><body><h1>Next</h1></body></html>");
  }
  std::string page(const std::string& name) {
    return fileURL(world.bundle.path() + "/Pages/" + name);
  }
  ScreenWorld world;
};

TEST_F(Browser, BackAndHomeFollowTheHistory) {
  auto browser = WebBrowserController::create();
  browser->home = page("start.html");
  world.present(browser);
  EXPECT_EQ(browser->webView()->url(), page("start.html"));
  EXPECT_FALSE(browser->backButton()->isEnabled());
  EXPECT_FALSE(browser->homeButton()->isEnabled());
  EXPECT_EQ(browser->blackView(), nullptr);  // the first page is in
  world.snapshot("browser-start");

  browser->webView()->load(page("next.html"));
  world.run(1);
  EXPECT_TRUE(browser->backButton()->isEnabled());
  EXPECT_TRUE(browser->homeButton()->isEnabled());
  EXPECT_FALSE(browser->nextButton()->isEnabled());
  browser->backTouched(nullptr);
  world.run(1);
  EXPECT_TRUE(browser->nextButton()->isEnabled());
  browser->nextTouched(nullptr);
  world.run(1);

  dev::WebView* before = browser->webView();
  browser->homeTouched(nullptr);
  world.run(1);
  EXPECT_NE(browser->webView(), before);
  EXPECT_EQ(browser->webView()->url(), page("start.html"));
  EXPECT_FALSE(browser->backButton()->isEnabled());
  EXPECT_FALSE(browser->webView()->canGoBack());
}

TEST_F(Browser, AFailedStartRemovesTheCoverAndTextHidesTheToolbar) {
  auto failing = WebBrowserController::create();
  failing->home = page("missing.html");
  world.present(failing);
  world.run(1);
  EXPECT_EQ(failing->blackView(), nullptr);
  world.root().dismissViewController(false);
  world.run(1);

  auto text = WebBrowserController::create();
  text->home = "<html><body><h1>News</h1><p>A new version.</p></body></html>";
  text->homeIsText = true;
  text->loadViewIfNeeded();
  EXPECT_TRUE(text->toolbar()->isHidden());
  EXPECT_EQ(text->webView()->frame().height(), text->view()->bounds().height());
}

TEST_F(Browser, DoneInTheSettingsClosesTheSettings) {
  class SettingsScreen : public ui::ViewController {
   public:
    bool performAction(std::string_view selector, ui::Object* sender) override {
      if (selector == "doneTouched:") ++done;
      return ui::ViewController::performAction(selector, sender);
    }
    int done = 0;
  };
  auto settings = std::make_shared<SettingsScreen>();
  world.controller.settingsScreen = settings;
  auto browser = WebBrowserController::create();
  browser->home = page("start.html");
  browser->inSettings = true;
  world.present(settings);
  auto* navigation =
      dynamic_cast<ui::NavigationController*>(world.root().presentedViewController());
  ASSERT_NE(navigation, nullptr);
  navigation->pushViewController(browser, false);
  world.run(1);
  browser->doneTouched(nullptr);
  EXPECT_EQ(settings->done, 1);
}

TEST(PictureViewer, TheRedCoverIsASquareOfTheLongerSide) {
  uitest::World world;
  AstroImageView viewer({0, 0, 1024, 768});
  EXPECT_TRUE(viewer.fullScreen);
  EXPECT_EQ(viewer.imageView().contentMode(), ui::ContentMode::scaleAspectFit);
  ui::View& red = viewer.addRedView();
  EXPECT_EQ(red.frame(), (ui::Rect{0, 0, 1024, 1024}));
  EXPECT_EQ(&viewer.addRedView(), &red);
  viewer.setFrame({0, 0, 768, 1024});
  EXPECT_EQ(viewer.addRedView().frame(), (ui::Rect{0, 0, 1024, 1024}));
  viewer.removeRedView();
  EXPECT_EQ(viewer.redView(), nullptr);
  viewer.removeRedView();
}

TEST(PictureViewer, ShownOverTheWindowAndTouchesFadeItOut) {
  uifoundation::World world(3);
  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, 375, 667});
  ui::Application::shared().addWindow(window);
  auto viewer = AstroImageView::showInWindow(*window, nullptr);
  EXPECT_EQ(viewer->superview(), window.get());
  EXPECT_EQ(viewer->frame(), window->bounds());
  ASSERT_NE(viewer->redView(), nullptr);  // night vision
  ASSERT_NE(viewer->backgroundView(), nullptr);
  world.run(1.5);
  EXPECT_EQ(viewer->alpha(), 1);
  // Two quick touches: two fades, the second finds the viewer gone.
  viewer->touchesBegan({}, ui::Event{});
  viewer->touchesBegan({}, ui::Event{});
  world.run(1.5);
  EXPECT_EQ(viewer->superview(), nullptr);
  viewer->removeViewWithAnimation(true);
  viewer->removeViewWithAnimation(false);
  EXPECT_EQ(viewer->superview(), nullptr);
}

}  // namespace
