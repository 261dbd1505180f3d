// The pictures of the pages as a user reaches them: the ISS's description
// and a help topic show a picture, a tap on it opens the full-screen
// viewer (under the red cover at night) and a touch fades the viewer out;
// a picture that cannot be read gives "Image Unavailable". Then the built
// bundle: its pages link only pictures it has, and those show something.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/information_screens_connection.h"
#include "chart/sky_chart.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/table_view.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/app/app_session.h"
#include "tests/support/requirements.h"
#include "tools/page_pictures/jpeg_writer.h"
#include "ui/foundation/utility.h"
#include "ui/info/astro_image_view.h"
#include "ui/info/help_item_view_controller.h"
#include "ui/info/help_list_view_controller.h"
#include "ui/info/object_info_view_controller.h"

namespace {

namespace fs = std::filesystem;
using app_test::AppSession;

// A picture no page draws in any other colour.
constexpr std::uint32_t kMagenta = 0xFFFF00FFu;
constexpr std::size_t kPictureWidth = 60, kPictureHeight = 100;

ui::ViewController* topScreen() {
  ui::ViewController* presented = Utility::topMostController();
  auto* navigation = dynamic_cast<ui::NavigationController*>(presented);
  return navigation != nullptr ? navigation->topViewController() : presented;
}

struct PictureSession {
  AppSession session{options()};
  ApplicationShell& shell = session.shell();
  ChartScreenController& screen = session.screen();
  fs::path images;

  // The source tree's pages and style sheets in the session's bundle, with
  // a folder of their pictures beside them, as the build lays them out.
  PictureSession() {
    connectInformationScreens();
    const char* source = std::getenv("TESSALY_SOURCE_DIR");
    const fs::path resources = fs::path(source ? source : ".") / "resources";
    const fs::path bundle = session.bundle();
    fs::create_directory_symlink(resources / "Help", bundle / "Help");
    images = bundle / "SkyInfo" / "images";
    fs::create_directories(images);
    for (const fs::directory_entry& entry : fs::directory_iterator(resources / "SkyInfo"))
      fs::create_symlink(entry.path(), bundle / "SkyInfo" / entry.path().filename());
    session.run(1.0);
  }
  static app_test::SessionOptions options() {
    app_test::SessionOptions o;
    o.launchCount = 5;  // no quick start over the chart
    return o;
  }

  void addPicture(const std::string& name) {
    auto picture = cg::Image::fromARGB(kPictureWidth, kPictureHeight,
                                       std::vector<std::uint32_t>(kPictureWidth * kPictureHeight, kMagenta));
    std::string message;
    ASSERT_TRUE(page_pictures::writeJPEG(*picture, (images / name).string(), 90, &message)) << message;
  }

  // The screen's point of the first magenta pixel, or (-1, -1).
  ui::Point pictureOnScreen() {
    auto shot = shell.window()->snapshot(1);
    for (std::size_t y = 0; y < shot->height(); ++y)
      for (std::size_t x = 0; x < shot->width(); ++x) {
        const cg::Pixel p = shot->pixel(x, y);
        if (p.r > 200 && p.g < 60 && p.b > 200) return {x + 3.0, y + 3.0};
      }
    return {-1, -1};
  }

  // A tap on the page's picture; false when the page shows none.
  bool tapPicture() {
    const ui::Point at = pictureOnScreen();
    if (at.x < 0) return false;
    session.tap(at.x, at.y);
    return true;
  }

  ObjectInfoViewController* openIssDescription() {
    CSkyDatabase& database = *session.chart().database;
    SkyObjectID iss;
    for (int i = 0; i < database.getSolarSystemObjectCount(); ++i)
      if (CPlanet* body = database.getSolarSystemObject(i); body->getBodyNumber() == 25544)
        database.getSolarSystemObjectID(body, &iss);
    EXPECT_FALSE(CSkyDatabase::isInvalidSkyObjectID(&iss)) << "the session's ISS";
    screen.selectObject(iss);
    screen.showObjectInfo();
    session.run(1.0);
    auto* info = dynamic_cast<ObjectInfoViewController*>(topScreen());
    if (info == nullptr) return nullptr;
    // The page control's second segment: the description.
    const ui::Point centre = AppSession::centreOf(*info->pageControl());
    session.tap(centre.x + info->pageControl()->bounds().width() / 4, centre.y);
    session.run(1.0);
    return info;
  }

  AstroImageView* viewer() { return dynamic_cast<AstroImageView*>(shell.astroImageView()); }
  bool viewerShown() { return viewer() != nullptr && viewer()->superview() == shell.window().get(); }
};

TEST(PagePictures, TheIssDescriptionsPictureOpensInTheViewerAndATouchFadesItOut) {
  PictureSession s;
  s.addPicture("ISS.jpg");
  ObjectInfoViewController* info = s.openIssDescription();
  ASSERT_NE(info, nullptr);
  ASSERT_NE(info->descriptionWebView()->superview(), nullptr) << "the description is on screen";
  const std::string page = info->descriptionWebView()->url();
  ASSERT_NE(page.find("25544.html"), std::string::npos) << page;

  ASSERT_TRUE(s.tapPicture()) << "the ISS's page shows its picture";
  ASSERT_TRUE(s.viewerShown());
  const ui::ImagePointer shown = s.viewer()->imageView().image();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->bitmap().width(), kPictureWidth);
  EXPECT_EQ(shown->bitmap().height(), kPictureHeight);
  EXPECT_EQ(s.viewer()->frame(), s.shell.window()->bounds()) << "over the whole window";
  EXPECT_EQ(s.viewer()->redView(), nullptr) << "no red cover by day";
  s.session.run(1.2);
  EXPECT_EQ(s.viewer()->alpha(), 1.0) << "faded in";
  EXPECT_EQ(info->descriptionWebView()->url(), page) << "the page stays";

  s.session.tap(100, 300);
  EXPECT_TRUE(s.session.runUntil([&] { return !s.viewerShown(); }, 2.0)) << "a touch fades the viewer out";
  EXPECT_EQ(topScreen(), info);
}

TEST(PagePictures, APictureThatCannotBeReadSaysImageUnavailable) {
  PictureSession s;
  s.addPicture("ISS.jpg");
  ObjectInfoViewController* info = s.openIssDescription();
  ASSERT_NE(info, nullptr);
  const ui::Point at = s.pictureOnScreen();
  ASSERT_GE(at.x, 0) << "the page shows the picture it read";
  // Damaged after the page was drawn: half its bytes.
  const fs::path picture = s.images / "ISS.jpg";
  const auto size = fs::file_size(picture);
  fs::resize_file(picture, size / 2);
  s.session.tap(at.x, at.y);
  auto* alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->alertTitle(), "Image Unavailable");
  EXPECT_EQ(alert->message(), "This image is not available.");
  EXPECT_FALSE(s.viewerShown());
  ASSERT_FALSE(alert->actions().empty());
  alert->chooseAction(0);
  s.session.run(1.0);
  EXPECT_EQ(topScreen(), info) << "the page is there again";
}

// The night theme for a test's time: the theme is the process's.
struct NightVision {
  ChartScreenController& screen;
  explicit NightVision(ChartScreenController& s) : screen(s) { screen.toggleNightVision(); }
  ~NightVision() {
    if (AppDelegate::isNightVision()) screen.toggleNightVision();
  }
  NightVision(const NightVision&) = delete;
  NightVision& operator=(const NightVision&) = delete;
};

TEST(PagePictures, AHelpTopicsPictureLiesUnderTheRedCoverAtNight) {
  PictureSession s;
  s.addPicture("Center.jpg");
  NightVision night(s.screen);
  s.session.run(0.5);
  ASSERT_TRUE(AppDelegate::isNightVision());
  s.screen.showHelp();
  s.session.run(1.0);
  auto* help = dynamic_cast<HelpListViewController*>(topScreen());
  ASSERT_NE(help, nullptr);
  ui::TableViewCell* row = help->table()->cellForRow({2, 1});
  ASSERT_NE(row, nullptr);
  ASSERT_EQ(row->textLabel().text(), "Center Help");
  const ui::Point centre = AppSession::centreOf(*row);
  s.session.tap(centre.x, centre.y);
  s.session.run(1.5);
  ASSERT_NE(dynamic_cast<HelpItemViewController*>(topScreen()), nullptr);

  ASSERT_TRUE(s.tapPicture()) << "the Center topic shows its picture";
  ASSERT_TRUE(s.viewerShown());
  ui::View* cover = s.viewer()->redView();
  ASSERT_NE(cover, nullptr) << "the red cover";
  EXPECT_EQ(cover->superview(), s.viewer());
  const ui::Rect window = s.shell.window()->bounds();
  EXPECT_GE(cover->frame().width(), window.width());
  EXPECT_GE(cover->frame().height(), window.height());
  EXPECT_EQ(s.viewer()->subviews().back().get(), cover) << "over the picture";
  s.session.tap(100, 300);
  EXPECT_TRUE(s.session.runUntil([&] { return !s.viewerShown(); }, 2.0)) << "a touch fades it out";
}

// ---- The built bundle ----

// Every "href" and "src" of a page that names a JPEG picture.
std::vector<std::string> linkedPictures(const fs::path& page) {
  std::ifstream in(page);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  static const std::regex link(R"re((?:href|src)="([^"#?]+\.jpg)")re");
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), link); it != std::sregex_iterator(); ++it)
    found.push_back((*it)[1]);
  return found;
}

// Spread (0 to 255) of the brightest channel over a picture: a blank or
// one-colour frame has none; a red night picture has as much as a day one.
double brightnessSpread(const cg::Image& image) {
  double sum = 0, squares = 0;
  std::size_t n = 0;
  for (std::size_t y = 0; y < image.height(); y += 4)
    for (std::size_t x = 0; x < image.width(); x += 4, ++n) {
      const cg::Pixel p = image.pixel(x, y);
      const double level = std::max({p.r, p.g, p.b});
      sum += level;
      squares += level * level;
    }
  const double mean = sum / double(n);
  return std::sqrt(std::max(0.0, squares / double(n) - mean * mean));
}

TEST(BuiltBundlePagePictures, ThePagesLinkOnlyPicturesTheBundleHasAndEachShowsSomething) {
  const char* built = std::getenv("TESSALY_APP_BUNDLE");
  const fs::path bundle = built ? fs::path(built) : fs::path();
  std::error_code error;
  if (bundle.empty() || !fs::exists(bundle / "SkyInfo" / "images", error))
    TESSALY_SKIP_OR_FAIL("the data bundle's page pictures are not built");
  std::set<fs::path> pages, pictures;
  for (const char* folder : {"SkyInfo", "Help"})
    for (const fs::directory_entry& entry :
         fs::recursive_directory_iterator(bundle / folder, fs::directory_options::follow_directory_symlink))
      if (entry.path().extension() == ".html")
        for (const std::string& href : linkedPictures(entry.path())) {
          // Resolved in the page's address, as a browser does: the
          // bundle's folders are links into the source tree.
          const fs::path picture = (entry.path().parent_path() / href).lexically_normal();
          EXPECT_TRUE(fs::is_regular_file(picture, error)) << entry.path() << " links " << href;
          EXPECT_EQ(picture.parent_path(), (bundle / "SkyInfo" / "images").lexically_normal()) << href;
          pages.insert(entry.path());
          pictures.insert(picture);
        }
  // The satellites' two pages and the eleven help topics at least.
  EXPECT_GE(pages.size(), 13u);
  EXPECT_EQ(pages.count(bundle / "SkyInfo" / "Satellites" / "ISS, Zarya, 25544.html"), 1u);
  EXPECT_EQ(pages.count(bundle / "SkyInfo" / "Satellites" / "Starlink.html"), 1u);
  for (const fs::path& picture : pictures) {
    std::string message;
    auto image = cg::imageFromFile(picture.string(), &message);
    ASSERT_NE(image, nullptr) << message;
    EXPECT_GE(std::min(image->width(), image->height()), 300u) << picture;
    EXPECT_GT(brightnessSpread(*image), 15) << picture << " shows nothing";
  }
}

}  // namespace
