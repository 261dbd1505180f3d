// The object information screen: which description page it finds, the
// style query of its address, its sections, rows and row heights (measured
// independently), the clock buttons and their event menu, the link rules
// and the layouts of phone and tablet.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>

#include "chart/sky_chart.h"
#include "engine/sky_time.h"
#include "platform/coregraphics/context.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/coregraphics/text.h"
#include "platform/devices/local_notifications.h"
#include "platform/foundation/bundle.h"
#include "platform/uikit/font.h"
#include "platform/uikit/navigation_controller.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/ui/info/info_rows.h"
#include "tests/ui/info/screen_world.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/utility.h"
#include "ui/info/event_alerts.h"
#include "ui/info/help_item_view_controller.h"
#include "ui/info/information_screens.h"
#include "ui/info/object_info_cell.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/page_links.h"

namespace {

using info_test::ScreenWorld;
namespace fs = std::filesystem;

std::shared_ptr<ObjectInfoViewController> openFor(ScreenWorld& world, const SkyObjectID& id) {
  auto screen = ObjectInfoViewController::create();
  screen->setObjectID(&id);
  world.present(screen);
  return screen;
}

// The reference of a solar-system object (a body, satellite or feature).
SkyObjectID referenceOf(CSkyDatabase& database, CSkyObject* object) {
  SkyObjectID id;
  for (int i = 0; i < 4096; ++i) {
    CSkyDatabase::setSkyObjectID(&id, kSolarSystemFile, 0, static_cast<std::uint16_t>(i), 0, "", 0);
    if (database.getObject(&id) == object) {
      CSkyDatabase::setSkyObjectIDFromObject(&id, kSolarSystemFile, 0,
                                             static_cast<std::uint16_t>(i), object);
      return id;
    }
  }
  ADD_FAILURE() << "no reference";
  return id;
}

// The titles of the section headers the table shows with section s
// scrolled into view.
std::set<std::string> shownHeaderTitles(ui::TableView& table, int section) {
  table.scrollToRow({section, 0}, ui::TableViewScrollPosition::top, false);
  table.layoutIfNeeded();
  std::set<std::string> titles;
  for (const auto& view : table.subviews())
    if (auto* header = dynamic_cast<SVSectionHeader*>(view.get())) titles.insert(header->textLabel().text());
  return titles;
}

class ObjectInfoScreen : public ::testing::Test {
 protected:
  SkyObjectID issID() {
    return referenceOf(world.sky.database(), world.sky.satellite(info_test::kISS));
  }
  SkyObjectID moonID() { return referenceOf(world.sky.database(), world.sky.database().getMoon()); }
  ScreenWorld world;
};

TEST_F(ObjectInfoScreen, FilesAreFoundByANameOrANumber) {
  world.bundle.addFile("SkyInfo/Test/Zarya, 00694.html", "<p>Zarya</p>");
  world.bundle.addFile("SkyInfo/Test/Other.html", "<p>Other</p>");
  EXPECT_EQ(ObjectInfoViewController::findFilenameForObject("ZARYA", 0, "Test"),
            "Zarya, 00694.html");
  EXPECT_EQ(ObjectInfoViewController::findFilenameForObject("nothing", 694, "Test"),
            "Zarya, 00694.html");
  EXPECT_EQ(ObjectInfoViewController::findFilenameForObject("nothing", 0, "Test"), "");
  EXPECT_EQ(ObjectInfoViewController::findFilenameForObject("00694", 0, "Test"),
            "Zarya, 00694.html");
  EXPECT_EQ(ObjectInfoViewController::findFilenameForObject("Za/ry/a", 0, "Test"),
            "Zarya, 00694.html");
  EXPECT_EQ(ObjectInfoViewController::findFilenameForObject("zarya", 0, "Missing"), "");
  EXPECT_EQ(ObjectInfoViewController::findFilenameForSatelliteCategory("Other", "Test"),
            "Other.html");
  EXPECT_EQ(ObjectInfoViewController::findFilenameForSatelliteCategory("Flock", "Test"), "");
  EXPECT_EQ(ObjectInfoViewController::findFilenameForSatelliteCategory("Other", "Missing"), "");
}

TEST_F(ObjectInfoScreen, TheBundlesPageOrACategoryPageOrAGeneratedOne) {
  // The ISS has a page of its own, found by its NORAD number.
  auto iss = openFor(world, issID());
  EXPECT_TRUE(iss->hasDescription());
  EXPECT_NE(iss->pageURL().find("/SkyInfo/Satellites/ISS%2C%20Zarya%2C%2025544.html?cssfile="),
            std::string::npos)
      << iss->pageURL();
  iss->doneTouched(nullptr);
  world.run(1);

  // A satellite without one but of category 35 shares the Starlink page.
  CSatellite* noaa = world.sky.satellite(25338);
  for (int k = 0; k < 4; ++k) noaa->setCategory(k, 0);
  noaa->setCategory(0, 35);
  auto starlink = openFor(world, referenceOf(world.sky.database(), noaa));
  EXPECT_NE(starlink->pageURL().find("/SkyInfo/Satellites/Starlink.html?"), std::string::npos);
  starlink->doneTouched(nullptr);
  world.run(1);

  // Another is described by a generated page in the private temporary folder.
  noaa->setCategory(0, 10);
  auto generated = openFor(world, referenceOf(world.sky.database(), noaa));
  const std::string temp = ns::temporaryDirectory() + "/temp.html";
  EXPECT_NE(generated->pageURL().find(fileURL(temp) + "?cssfile="), std::string::npos)
      << generated->pageURL();
  EXPECT_NE(tessaly::test::readFile(temp).find("NORAD assigned it tracking number 25338."),
            std::string::npos);
  struct stat folder;
  ASSERT_EQ(::stat(ns::temporaryDirectory().c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  EXPECT_EQ(generated->descriptionWebView()->url(), generated->pageURL());
  generated->doneTouched(nullptr);
  world.run(1);

  // A link planted as temp.html is replaced, and what it pointed to is
  // left as it was.
  const std::string target = world.bundle.home() + "/victim.txt";
  tessaly::test::writeFile(target, "precious");
  fs::remove(temp);
  fs::create_symlink(target, temp);
  openFor(world, referenceOf(world.sky.database(), noaa))->doneTouched(nullptr);
  world.run(1);
  EXPECT_EQ(tessaly::test::readFile(target), "precious");
  EXPECT_FALSE(fs::is_symlink(temp));
}

TEST_F(ObjectInfoScreen, AnObjectWithoutNamesHasItemsButNoPage) {
  auto crater = openFor(world, referenceOf(world.sky.database(), world.sky.crater()));
  EXPECT_FALSE(crater->hasDescription());
  EXPECT_TRUE(crater->pageURL().empty());
  EXPECT_GT(crater->numPairs(), 3);
}

TEST_F(ObjectInfoScreen, TheStyleQueryNamesTheThemesSheet) {
  const std::string folder = percentEncodedForQuery(ns::Bundle::main().resourcePath() + "/SkyInfo");
  const std::string page = "file:///a/b.html";
  EXPECT_EQ(styledPageURL(page), page + "?cssfile=" + folder + "/Onyx.css");
  EXPECT_EQ(styledPageURL(page, true, "#part"),
            page + "?cssfile=" + folder + "/Onyx-iPad.css#part");
  world.setTheme(3);
  EXPECT_EQ(themeStyleSheetName(), "NightVision.css");
  world.setTheme(1);
  EXPECT_EQ(themeStyleSheetName(true), "Classic-iPad.css");
  EXPECT_EQ(percentEncodedForQuery("/a b/c&d"), "/a%20b/c&d");
}

TEST_F(ObjectInfoScreen, SectionsRowsAndHeightsFollowTheItems) {
  auto moon = openFor(world, moonID());
  ASSERT_GT(moon->numSections(), 3);
  ui::TableView& table = *moon->mainTableView();
  ASSERT_EQ(table.numberOfSections(), moon->numSections());
  int rows = 0;
  std::set<std::string> titles, shown;
  const double width = table.bounds().width();
  const auto height = [](const std::string& text, double boxWidth) {
    cg::TextLayoutOptions options;
    options.maxWidth = boxWidth;
    options.maxHeight = 400;
    return cg::textSize(text, ui::Font::systemFont(14)->cgFont(), options).height;
  };
  for (int s = 0; s < moon->numSections(); ++s) {
    const int header = moon->sectionStart(s);
    EXPECT_EQ(moon->item(header).pLabel, nullptr);
    EXPECT_EQ(moon->rowHeight(header), 22);
    std::string title = moon->item(header).pValue;
    for (char& c : title) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_NE(title, moon->item(header).pValue) << "a title that upper case would not change";
    EXPECT_EQ(table.dataSource->titleForHeader(table, s), title);
    shown.merge(shownHeaderTitles(table, s));
    titles.insert(title);
    ASSERT_NE(table.numberOfRows(s), 0);
    for (int r = 0; r < table.numberOfRows(s); ++r, ++rows) {
      const SkyObjectInfoString& item = moon->item(header + 1 + r);
      ASSERT_NE(item.pLabel, nullptr);
      const double expected =
          std::ceil(std::max(height(item.pLabel, 120), height(item.pValue, width - 150) + 1)) + 5;
      EXPECT_EQ(moon->rowHeight(header + 1 + r), static_cast<float>(expected)) << item.pLabel;
    }
  }
  EXPECT_EQ(rows + moon->numSections(), moon->numPairs());
  EXPECT_EQ(shown, titles) << "the headers show the titles in upper case";
  // Re-laying out at the same width keeps the heights.
  const float first = moon->rowHeight(1);
  moon->view()->setNeedsLayout();
  moon->view()->layoutIfNeeded();
  EXPECT_EQ(moon->rowHeight(1), first);
}

// Turning a phone rebuilds the items: the parts of a value on lines of
// their own upright, joined by ", " on its side.
TEST_F(ObjectInfoScreen, TurningThePhoneSplitsOrJoinsTheValues) {
  auto moon = openFor(world, moonID());
  ASSERT_TRUE(moon->hasDescription());
  const std::vector<info_test::Row> upright = info_test::selectedObjectRows(*world.chart, 1, 0);
  const std::vector<info_test::Row> onItsSide = info_test::selectedObjectRows(*world.chart, 0, 0);
  ASSERT_NE(upright, onItsSide);
  const int landscape = 3, portrait = 1;
  moon->willAnimateRotationToInterfaceOrientation(landscape, 0);
  EXPECT_EQ(info_test::rowsOf(&moon->item(0), moon->numPairs()), onItsSide);
  moon->willAnimateRotationToInterfaceOrientation(portrait, 0);
  EXPECT_EQ(info_test::rowsOf(&moon->item(0), moon->numPairs()), upright);
  EXPECT_EQ(moon->mainTableView()->numberOfSections(), moon->numSections());
}

TEST_F(ObjectInfoScreen, ClockButtonsCarryRowAndSectionAndOpenTheEventMenu) {
  auto moon = openFor(world, moonID());
  ui::TableView& table = *moon->mainTableView();
  // Section 2 is "Lunar Phases": row 3 is "Next Full Moon".
  ASSERT_EQ(moon->item(moon->sectionStart(2)).pValue, std::string("Lunar Phases"));
  table.scrollToRow({2, 3}, ui::TableViewScrollPosition::middle, false);
  table.layoutIfNeeded();
  ui::TableViewCell* cell = table.cellForRow({2, 3});
  ASSERT_NE(cell, nullptr);
  ASSERT_NE(cell->accessoryView(), nullptr);
  EXPECT_EQ(cell->accessoryView()->tag(), 131075);
  EXPECT_EQ(cell->accessoryView()->frame().width(), 19);
  // Rows without a date have no button.
  table.scrollToRow({0, 0}, ui::TableViewScrollPosition::top, false);
  table.layoutIfNeeded();
  EXPECT_EQ(table.cellForRow({0, 0})->accessoryView(), nullptr);

  const SkyObjectInfoString& fullMoon = moon->item(moon->sectionStart(2) + 4);
  const double jd = fullMoon.jd;
  auto button = std::make_shared<ui::Button>();
  button->setTag(131075);
  moon->accessoryButtonTapped(button.get());
  SVAlertController* alert = world.alert();
  ASSERT_NE(alert, nullptr);
  char date[255] = "";
  world.chart->formatDateTime(date, sizeof date, jd);
  EXPECT_EQ(alert->alertTitle(), std::string("Moon Next Full Moon @ ") + date);
  ASSERT_EQ(alert->actions().size(), 3u);
  // (The platform puts the cancel action last.)
  EXPECT_EQ(alert->actions()[0].title, "Show Event");
  EXPECT_EQ(alert->actions()[1].title, "Set Alert For Event");
  EXPECT_EQ(alert->actions()[2].title, "Cancel");
  EXPECT_EQ(alert->actions()[2].style, ui::AlertActionStyle::cancel);

  ASSERT_TRUE(world.chooseAlertAction("Show Event"));
  EXPECT_EQ(world.controller.oldPerspective, 1);
  EXPECT_EQ(world.controller.perspective, 1);
  EXPECT_FALSE(world.settings.realTime());
  EXPECT_EQ(world.settings.julianDate(), jd);
  const auto& calls = world.controller.calls;
  EXPECT_NE(std::find(calls.begin(), calls.end(), "timeDateChanged"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "centerSelectedObject:0"), calls.end());
  EXPECT_EQ(world.root().presentedViewController(), nullptr);
}

TEST_F(ObjectInfoScreen, AnAlertIsSetBeforeAComingEventAndRefusedForAPastOne) {
  dev::LocalNotificationCenter& center = dev::LocalNotificationCenter::shared();
  center.cancelAll();
  // The wall clock at the chart's date.
  world.clock->setWallTime((world.chart->julianDate - 2440587.5) * 86400);
  world.settings.setWarningTime(15);
  auto moon = openFor(world, moonID());
  auto button = std::make_shared<ui::Button>();
  button->setTag(131075);  // Next Full Moon
  moon->accessoryButtonTapped(button.get());
  ASSERT_TRUE(world.chooseAlertAction("Set Alert For Event"));
  ASSERT_EQ(center.scheduled().size(), 1u);
  const dev::LocalNotification& alert = center.scheduled().front();
  const double event = (moon->item(moon->sectionStart(2) + 4).jd - 2440587.5) * 86400;
  EXPECT_NEAR(alert.fireDate, event - 900, 1e-3);
  EXPECT_EQ(alert.alertBody, "Moon Next Full Moon in 15 minutes.");
  EXPECT_EQ(alert.userInfo["EventMinutesBefore"], 15);
  ASSERT_FALSE(world.delegate->messages.empty());
  EXPECT_EQ(world.delegate->messages.back().rfind("Alert scheduled for: \n", 0), 0u);
  EXPECT_NE(
      world.delegate->messages.back().find("\n\nYou can see all scheduled alerts in the Settings."),
      std::string::npos);
  EXPECT_EQ(world.delegate->messageSeconds.back(), 3);

  // An event already over: refused with a message, nothing scheduled.
  center.cancelAll();
  world.clock->setWallTime(event + 3600);
  moon->accessoryButtonTapped(button.get());
  ASSERT_TRUE(world.chooseAlertAction("Set Alert For Event"));
  EXPECT_TRUE(center.scheduled().empty());
  EXPECT_NE(world.delegate->messages.back().find("already over"), std::string::npos);
  center.cancelAll();
}

TEST_F(ObjectInfoScreen, LinksOfThePage) {
  auto moon = openFor(world, moonID());
  dev::WebView& page = *moon->descriptionWebView();
  const auto decide = [&](const std::string& url) {
    return page.navigationDelegate->decidePolicy(page, url, dev::NavigationType::linkActivated);
  };
  EXPECT_EQ(decide("itms-apps://apps.example/app"), dev::NavigationPolicy::cancel);
  EXPECT_EQ(decide("ITMS://apps.example/app"), dev::NavigationPolicy::cancel);
  EXPECT_EQ(decide("https://example.org/page"), dev::NavigationPolicy::allow);
  EXPECT_EQ(decide("file:///a/b.html?x#y"), dev::NavigationPolicy::allow);
  EXPECT_TRUE(world.delegate->images.empty());

  // A picture opens in the viewer; the page stays.
  // A picture (its bytes a PNG: pictures are read by their content).
  auto drawing = cg::Context::createForPoints(8, 8, 1, {});
  ASSERT_NE(drawing, nullptr);
  world.bundle.addFile("SkyInfo/images/Moon.jpg", cg::encodePNG(*drawing->makeImage()));
  const std::string before = page.url();
  EXPECT_EQ(decide(fileURL(world.bundle.path() + "/SkyInfo/images/Moon.jpg")),
            dev::NavigationPolicy::cancel);
  ASSERT_EQ(world.delegate->images.size(), 1u);
  EXPECT_EQ(page.url(), before);
  // One that cannot be read: "Image Unavailable".
  EXPECT_EQ(decide(fileURL(world.bundle.path() + "/SkyInfo/images/None.jpg")),
            dev::NavigationPolicy::cancel);
  ASSERT_NE(world.alert(), nullptr);
  EXPECT_EQ(world.alert()->alertTitle(), "Image Unavailable");
  EXPECT_EQ(world.alert()->message(), "This image is not available.");
}

TEST_F(ObjectInfoScreen, PhoneLayoutAndItsTwoPages) {
  world.window->setSafeAreaInsets({0, 0, 34, 0});
  auto iss = openFor(world, issID());
  const ui::Rect bounds = iss->view()->bounds();
  EXPECT_EQ(iss->mainTableView()->frame(), (ui::Rect{0, 0, bounds.width(), bounds.height() - 34}));
  EXPECT_EQ(iss->descriptionWebView()->frame(), iss->mainTableView()->frame());
  EXPECT_EQ(ObjectInfoViewController::currentController(), iss.get());
  EXPECT_NE(iss->mainTableView()->superview(), nullptr);
  EXPECT_EQ(iss->descriptionWebView()->superview(), nullptr);
  iss->pageControl()->setSelectedSegmentIndex(1);
  iss->currentPageChanged(iss->pageControl());
  EXPECT_EQ(iss->mainTableView()->superview(), nullptr);
  EXPECT_NE(iss->descriptionWebView()->superview(), nullptr);
  world.snapshot("object-info-phone-page");
  iss->pageControl()->setSelectedSegmentIndex(0);
  iss->currentPageChanged(iss->pageControl());
  world.snapshot("object-info-phone-table");
  iss->doneTouched(nullptr);
  world.run(1);
  EXPECT_EQ(ObjectInfoViewController::currentController(), nullptr);
}

// The element set's age decides how far to trust every place and pass on
// a satellite's page, so its epoch is among the rows the page opens on, in
// the dark and the night theme alike.
TEST(SatelliteInfoScreen, TheElementSetsEpochIsSeenWithoutScrolling) {
  for (int theme : {2, 3}) {
    ScreenWorld world(theme);
    CSatellite* iss = world.sky.satellite(info_test::kISS);
    auto screen = openFor(world, referenceOf(world.sky.database(), iss));
    ui::TableView& table = *screen->mainTableView();
    table.layoutIfNeeded();
    ASSERT_EQ(table.contentOffset().y, 0);
    char date[64] = "", time[64] = "";
    formatJulianDateUTC(date, sizeof date, world.chart->dateFormat, iss->getElementEpoch());
    formatJulianDateUTC(time, sizeof time, world.chart->timeFormat, iss->getElementEpoch());
    const std::string expected = std::string(date) + "\n" + time + " UTC";
    int seen = 0;
    for (ui::TableViewCell* cell : table.visibleCells()) {
      auto* row = dynamic_cast<ObjectInfoTableViewCell*>(cell);
      if (row == nullptr || row->labelColumn().text() != "Orbit Epoch") continue;
      // Wholly inside the table's frame as it opens.
      const ui::Rect frame = cell->convertRectTo(cell->bounds(), &table);
      EXPECT_GE(frame.y(), 0);
      EXPECT_LE(frame.maxY(), table.bounds().height());
      EXPECT_EQ(row->valueColumn().text(), expected);
      ++seen;
    }
    EXPECT_EQ(seen, 1);
    world.snapshot(theme == 3 ? "satellite-info-night" : "satellite-info-dark");
    screen->doneTouched(nullptr);
    world.run(1);
  }
}

class ObjectInfoTablet : public ::testing::Test {
 protected:
  ObjectInfoTablet() {
    ui::DeviceConfiguration configuration;
    configuration.portraitSize = {768, 1024};
    configuration.scale = 2;
    configuration.idiom = ui::Idiom::pad;
    ui::Screen::main().configure(configuration);
  }
  ScreenWorld world;
};

// A tablet shows the larger picture of "SkyInfo/images-iPad" where the
// bundle has one, and the phone's picture where it has none.
TEST_F(ObjectInfoTablet, APictureLinkTakesTheTabletsLargerPictureWhereThereIsOne) {
  world.window->setFrame(ui::Screen::main().bounds());
  const SkyObjectID id = referenceOf(world.sky.database(), world.sky.database().getMoon());
  auto moon = ObjectInfoViewController::create();
  moon->setObjectID(&id);
  world.root().presentViewController(std::make_shared<SVNavigationController>(moon), false);
  dev::WebView& page = *moon->descriptionWebView();
  const auto open = [&](const std::string& url) {
    return page.navigationDelegate->decidePolicy(page, url, dev::NavigationType::linkActivated);
  };
  const auto picture = [](std::size_t side) {
    return cg::encodePNG(*cg::Image::fromARGB(side, side, std::vector<std::uint32_t>(side * side, 0xFF204080u)));
  };
  world.bundle.addFile("SkyInfo/images/Moon.jpg", picture(8));
  world.bundle.addFile("SkyInfo/images-iPad/Moon.jpg", picture(16));
  world.bundle.addFile("SkyInfo/images/Sun.jpg", picture(8));
  const std::string phone = world.bundle.path() + "/SkyInfo/images/";
  EXPECT_EQ(open(fileURL(phone + "Moon.jpg")), dev::NavigationPolicy::cancel);
  EXPECT_EQ(open(fileURL(phone + "Sun.jpg")), dev::NavigationPolicy::cancel);
  ASSERT_EQ(world.delegate->images.size(), 2u);
  EXPECT_EQ(world.delegate->images[0]->bitmap().width(), 16u) << "the tablet's picture";
  EXPECT_EQ(world.delegate->images[1]->bitmap().width(), 8u) << "none for the tablet: the phone's";
  moon->doneTouched(nullptr);
  world.run(1);
}

TEST_F(ObjectInfoTablet, TheTableBesideThePageAndTheCoverFades) {
  world.window->setFrame(ui::Screen::main().bounds());
  const SkyObjectID id = referenceOf(world.sky.database(), world.sky.database().getMoon());
  auto moon = ObjectInfoViewController::create();
  moon->setObjectID(&id);
  auto navigation = std::make_shared<SVNavigationController>(moon);
  world.root().presentViewController(navigation, false);
  ASSERT_TRUE(moon->hasDescription());
  const ui::Rect bounds = moon->view()->bounds();
  const double width = bounds.width() >= bounds.height() ? 340 : 284;
  EXPECT_EQ(moon->mainTableView()->frame().width(), width);
  EXPECT_EQ(moon->separatorView()->frame(), (ui::Rect{width, bounds.y(), 2, bounds.height()}));
  EXPECT_EQ(moon->descriptionWebView()->frame().x(), width + 2);
  EXPECT_NE(moon->pageURL().find("Onyx-iPad.css"), std::string::npos);
  // The cover stays until the page has loaded, then fades and goes.
  world.run(0.1);
  EXPECT_NE(moon->blackView(), nullptr);
  world.run(1.0);
  EXPECT_EQ(moon->blackView(), nullptr);
  world.snapshot("object-info-tablet");

  // Without a page the table takes the whole width.
  const SkyObjectID crater = referenceOf(world.sky.database(), world.sky.crater());
  moon->doneTouched(nullptr);
  world.run(1);
  auto bare = ObjectInfoViewController::create();
  bare->setObjectID(&crater);
  world.root().presentViewController(std::make_shared<SVNavigationController>(bare), false);
  world.run(1);
  EXPECT_EQ(bare->mainTableView()->frame().width(), bare->view()->bounds().width());
}

}  // namespace

namespace {

TEST(EventAlerts, BodiesFireDatesAndUserInformation) {
  SkyObjectID object;
  CSkyDatabase::setSkyObjectID(&object, kSolarSystemFile, 0, 12, 1540000000000025544LL,
                               "ISS (ZARYA)", 35);
  const ns::Date event = ns::Date::fromTimeIntervalSince1970(1221955200);  // 2008-09-21 00:00 UTC
  const dev::LocalNotification now = makeEventNotification("ISS Rises", object, event, 0);
  EXPECT_EQ(now.alertBody, "ISS Rises now.");
  EXPECT_EQ(now.fireDate, 1221955200);
  EXPECT_EQ(now.soundName, "default");
  EXPECT_EQ(makeEventNotification("ISS Rises", object, event, 1).alertBody,
            "ISS Rises in 1 minute.");
  const dev::LocalNotification quarter = makeEventNotification("ISS Rises", object, event, 15);
  EXPECT_EQ(quarter.alertBody, "ISS Rises in 15 minutes.");
  EXPECT_EQ(quarter.fireDate, 1221955200 - 900);
  EXPECT_EQ(makeEventNotification("ISS Rises", object, event, -3).alertBody, "");
  const ns::JSON& info = quarter.userInfo;
  EXPECT_EQ(info.size(), 5u);
  EXPECT_EQ(info["EventName"], "ISS Rises");
  EXPECT_EQ(info["EventTime"], 1221955200.0);  // the event, not the fire date
  EXPECT_EQ(info["EventMinutesBefore"], 15);
  EXPECT_EQ(info["EventObjectName"], "ISS (ZARYA)");
  EXPECT_EQ(info["EventObjectNumber"], 1540000000000025544LL);
  SkyObjectID unnamed;
  EXPECT_EQ(makeEventNotification("X", unnamed, event, 5).userInfo["EventObjectName"], "");
  // A name that fills the field has no terminator: read to its end only.
  std::memset(unnamed.name, 'a', sizeof unnamed.name);
  EXPECT_EQ(makeEventNotification("X", unnamed, event, 5).userInfo["EventObjectName"],
            std::string(sizeof unnamed.name, 'a'));
}

TEST(HelpButtons, TheThemedScreensHelpOpensItsPage) {
  ScreenWorld world;
  installInformationScreens();
  auto screen = std::make_shared<SVViewController>();
  screen->helpFilename = "Info.html";
  world.present(screen);
  screen->helpClicked(nullptr);
  world.run(1);
  auto* navigation = dynamic_cast<ui::NavigationController*>(screen->presentedViewController());
  ASSERT_NE(navigation, nullptr);
  auto* page = dynamic_cast<HelpItemViewController*>(navigation->topViewController());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->contentPathInit, "Info.html");
  EXPECT_NE(page->webView()->url().find("Info.html?cssfile="), std::string::npos);
}

}  // namespace
