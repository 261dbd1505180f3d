// Headless snapshots of every themed view and control in themes 1, 2 and 3:
// sampled pixels are the theme table's colours, overlays composited by the
// Porter-Duff "over" formula on what lies below them. The images are kept
// in ui_foundation_snapshots/ of the test's build folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/coregraphics/image_codec.h"
#include "platform/uikit/interface_loader.h"
#include "ui/foundation/bezeled_segmented_control.h"
#include "ui/foundation/small_views.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/sv_controls.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/sv_view_controller.h"
#include "ui/foundation/utility.h"
#include "ui_foundation_support.h"

namespace {

using uifoundation::over;
using uifoundation::pixelNear;
using uifoundation::pixelOf;
using uifoundation::World;
using ui::Color;

// The window's tint as the shell sets it outside night vision.
const Color kTint = Color::rgba(0, 0.65, 1);
const Color kClear = Color::clear();

class Snapshots : public ::testing::TestWithParam<int> {
 protected:
  Snapshots() : world_(GetParam()) {
    auto& delegate = world_.installDelegate();
    delegate.window()->setTintColor(kTint);
  }
  int theme() const { return GetParam(); }
  bool night() const { return theme() == 3; }
  bool dark() const { return theme() == 2; }

  // The view drawn at scale 2, kept as an artefact.
  std::shared_ptr<cg::Image> shoot(ui::View& view, const std::string& name) {
    view.layoutIfNeeded();
    auto image = view.snapshotImage(2);
    EXPECT_TRUE(image) << name;
    if (!image) return image;
    std::filesystem::create_directories("ui_foundation_snapshots");
    cg::writePNG(*image, "ui_foundation_snapshots/" + name + "-theme" + std::to_string(theme()) + ".png");
    return image;
  }
  static cg::Pixel at(const std::shared_ptr<cg::Image>& image, double x, double y) {
    return image->pixel(std::size_t(x * 2), std::size_t(y * 2));
  }
  // Every label of a shot readable on its background: 4.5:1 for text and
  // 3:1 for the titles of controls (WCAG 2's minimum for text and for
  // interface components). Night vision's reds cannot reach that (pure red
  // on black is 5.25:1 at most, the table's 0.8 red 3.6:1): there each
  // label must reach at least the table's dimmest text on black, 0.6 red
  // (2.3:1). Returns how many labels were measured.
  int expectReadable(const ui::View& view, const std::shared_ptr<cg::Image>& image) {
    int measured = 0;
    for (const auto& label : uifoundation::labelContrasts(view, *image, 2)) {
      const double least = night() ? 2.3 : label.controlTitle ? 3.0 : 4.5;
      EXPECT_GE(label.ratio, least) << '"' << label.text << "\" in theme " << theme();
      ++measured;
    }
    return measured;
  }
  // A theme-table colour of the present theme.
  Color row(ThemeColor element) const { return *themeColor(element); }
  World world_;
};

INSTANTIATE_TEST_SUITE_P(Themes, Snapshots, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "Theme" + std::to_string(info.param); });

// A screen with a help page and a content view.
class HelpScreen : public SVViewController {
 public:
  HelpScreen() { helpFilename = "Settings.html"; }
  void loadView() override {
    setView(std::make_shared<ui::View>(ui::Rect{0, 0, 375, 667}));
    contentView = std::make_shared<ui::View>(ui::Rect{0, 0, 375, 600});
    view()->addSubview(contentView);
  }
};

TEST_P(Snapshots, ScreensTakeTheBackgroundAndShowTheHelpImageOfTheirTheme) {
  auto screen = std::make_shared<HelpScreen>();
  screen->loadViewIfNeeded();
  auto image = shoot(*screen->view(), "SVViewController");
  const Color background = night() ? Color::rgba(0.1, 0, 0) : Color::rgba(0.1, 0.1, 0.1);
  EXPECT_TRUE(pixelNear(at(image, 5, 650), pixelOf(background)));
  EXPECT_EQ(screen->contentView->frame().height(), 570);  // 30 points for the help button
  ui::Button* help = screen->helpButton();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->frame(), (ui::Rect{340, 642, 20, 20}));
  // The button shows the theme's help image over the background.
  auto file = cg::imageFromFile(std::string(std::getenv("TESSALY_BUNDLE")) +
                                (night() ? "/Images/Help_night@2x.png" : "/Images/Help@2x.png"));
  ASSERT_TRUE(file);
  int inked = 0;
  for (std::size_t y = 0; y < 40; ++y) {
    for (std::size_t x = 0; x < 40; ++x) {
      const cg::Pixel p = file->pixel(x, y);
      if (p.a < 250) continue;
      ++inked;
      ASSERT_TRUE(pixelNear(image->pixel(680 + x, 1284 + y), {p.r, p.g, p.b, 255})) << x << "," << y;
    }
  }
  EXPECT_GT(inked, 40);
}

TEST_P(Snapshots, NavigationBarsTakeTheThemesTintAndTitle) {
  auto root = std::make_shared<SVViewController>();
  root->setTitle("Settings");
  auto navigation = std::make_shared<SVNavigationController>(root);
  navigation->view()->setFrame({0, 0, 375, 667});
  auto image = shoot(*navigation->view(), "SVNavigationController");
  ui::NavigationBar& bar = navigation->navigationBar();
  EXPECT_TRUE(pixelNear(at(image, 5, bar.frame().y() + 10), pixelOf(row(ThemeColor::navigationBarTint))));
  EXPECT_EQ(bar.titleColor, night() ? Color::rgba(0.8, 0, 0) : Color::whiteColor());
  EXPECT_EQ(bar.titleFont->fontName(), "Exo-Bold");
  EXPECT_EQ(bar.titleFont->pointSize(), 17);
  EXPECT_FALSE(bar.translucent);
  EXPECT_EQ(navigation->modalPresentationStyle, ui::ModalPresentationStyle::fullScreen);
  EXPECT_TRUE(navigation->modalInPresentation);
  // A border on request, once.
  navigation->setBordered(true);
  navigation->setBordered(false);
  navigation->setBordered(true);
  int borders = 0;
  for (const auto& v : navigation->view()->subviews()) borders += dynamic_cast<BorderedView*>(v.get()) != nullptr;
  EXPECT_EQ(borders, 1);
}

class Rows : public ui::TableViewDataSource {
 public:
  int numberOfRows(ui::TableView&, int) override { return 3; }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath) override {
    auto cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::subtitle);
    cell->textLabel().setText("Row");
    cell->detailTextLabel()->setText("Detail");
    return cell;
  }
};

TEST_P(Snapshots, TablesAndCellsTakeTheThemesColours) {
  Rows rows;
  auto table = std::make_shared<SVTableView>(ui::Rect{0, 0, 320, 300}, ui::TableViewStyle::plain);
  table->dataSource = &rows;
  table->setBackgroundView(std::make_shared<ui::View>());
  table->reloadData();
  auto image = shoot(*table, "SVTableView");
  EXPECT_EQ(expectReadable(*table, image), 6);
  EXPECT_TRUE(table->initialized());
  EXPECT_EQ(table->backgroundView(), nullptr);
  EXPECT_TRUE(pixelNear(at(image, 160, 250), pixelOf(row(ThemeColor::tableBackground))));
  EXPECT_TRUE(pixelNear(at(image, 300, 20), pixelOf(row(ThemeColor::cellBackground))));
  EXPECT_TRUE(pixelNear(at(image, 160, 43.75), pixelOf(row(ThemeColor::tableSeparator))));
  EXPECT_EQ(table->sectionIndexBackgroundColor, row(ThemeColor::cellBackground));

  // A selected cell: the platform's grey in the light theme, the tint at
  // 0.7 brightness in the dark one, dark red in night vision.
  auto cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::defaultStyle);
  cell->setFrame({0, 0, 320, 44});
  cell->setSelected(true, false);
  auto selected = shoot(*cell, "SVTableViewCell-selected");
  const Color expected = night()  ? Color::rgba(0.5, 0, 0)
                         : dark() ? Color::rgba(0, 0.65 * 0.7, 0.7)
                                  : Color::white(0.85);
  EXPECT_TRUE(pixelNear(at(selected, 300, 20), pixelOf(expected)));
  EXPECT_EQ(cell->textLabel().highlightedTextColor, Color::black());
}

TEST_P(Snapshots, CellAccessoriesAreTheThemesImages) {
  auto cell = std::make_shared<SVTableViewCell>();
  cell->setFrame({0, 0, 320, 44});
  cell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  cell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  int accessories = 0;
  for (const auto& v : cell->subviews()) accessories += dynamic_cast<ui::ImageView*>(v.get()) != nullptr;
  EXPECT_EQ(accessories, 1);  // set twice, shown once
  auto image = shoot(*cell, "SVTableViewCell-disclosure");
  auto* view = dynamic_cast<ui::ImageView*>(cell->accessoryView().get());
  ASSERT_NE(view, nullptr);
  // The chevron's ink: grey as stored, or tinted (0.8, 0, 0) at night.
  const ui::Rect f = view->frame();
  const cg::Pixel centre = at(image, f.x() + 1.5, f.y() + 1.5);
  if (night()) {
    EXPECT_GT(centre.r, 120);
    EXPECT_LT(centre.g, 40);
  } else {
    EXPECT_NEAR(centre.r, centre.g, 2);
  }
  cell->setAccessoryType(ui::TableViewCellAccessory::checkmark);
  auto* check = dynamic_cast<ui::ImageView*>(cell->accessoryView().get());
  ASSERT_NE(check, nullptr);
  const cg::Image& bitmap = check->image()->bitmap();
  int red = 0, blue = 0;
  for (std::size_t y = 0; y < bitmap.height(); ++y)
    for (std::size_t x = 0; x < bitmap.width(); ++x) {
      const cg::Pixel p = bitmap.pixel(x, y);
      if (p.a < 255) continue;
      red += p.r == 255 && p.g == 0 && p.b == 0;
      blue += p.b == 255;
    }
  EXPECT_EQ(red > 0, night());
  EXPECT_EQ(blue > 0, !night());
  cell->setAccessoryType(ui::TableViewCellAccessory::none);
  EXPECT_EQ(cell->accessoryView(), nullptr);
}

TEST_P(Snapshots, SectionHeadersAndSelectionBackgrounds) {
  SVSectionHeader header;
  auto image = shoot(header, "SVSectionHeader");
  EXPECT_EQ(header.frame(), (ui::Rect{0, 0, 320, 36}));
  EXPECT_EQ(header.textLabel().textColor(), row(ThemeColor::sectionHeaderLabel));
  EXPECT_EQ(header.textLabel().font()->fontName(), "Exo-Bold");
  EXPECT_EQ(at(image, 5, 5).a, 0);

  auto selection = std::make_shared<SVSelectedBackgroundView>(ui::Rect{0, 0, 100, 50});
  selection->roundedTop = true;
  auto drawn = shoot(*selection, "SVSelectedBackgroundView");
  // A vertical gradient from (0.6, 0, 0) at y = 1 to (0.4, 0, 0) at y = 50.
  for (double y : {1.25, 25.5, 49.75}) {
    const double t = (y - 1) / 49;
    EXPECT_TRUE(pixelNear(at(drawn, 50, y), pixelOf(Color::rgba(0.6 - 0.2 * t, 0, 0)), 2)) << y;
  }
  EXPECT_EQ(at(drawn, 1.25, 1.25).a, 0);    // a rounded top corner
  EXPECT_EQ(at(drawn, 0.25, 25).a, 0);      // the point-wide margin on the left
  EXPECT_EQ(at(drawn, 1.25, 49.75).a, 255);  // a square bottom corner
  // Rectangles smaller than two corners, and empty ones, draw no loops.
  for (ui::Rect small : {ui::Rect{0, 0, 20, 10}, ui::Rect{0, 0, 2, 1}, ui::Rect{0, 0, 1, 1}}) {
    SVSelectedBackgroundView tiny(small);
    tiny.roundedTop = tiny.roundedBottom = true;
    auto context = cg::Context::createBitmap(40, 40);
    tiny.createPathFor({1, 1, small.width() - 2, small.height() - 1}, *context);
    EXPECT_EQ(context->isPathEmpty(), small.width() <= 2);
    if (!context->isPathEmpty()) {
      context->fillPath();
      int inked = 0;
      for (std::size_t i = 0; i < 40 * 40; ++i) inked += context->data()[i * 4 + 3] > 0;
      EXPECT_LE(inked, int(small.width() * small.height()));
    }
  }
}

// Alerts: never seen in the platform's colours at night, and drawn there
// as one box (before: the button row had a box and border of its own over
// the alert's lower edge); in the light theme the platform's alert (a light
// device here), in the dark theme the platform's dark one (before: a
// bright box). Every label readable in each.
TEST_P(Snapshots, AlertsAreNeverSeenInThePlatformsColoursAtNight) {
  ui::DeviceConfiguration configuration;
  configuration.darkMode = false;
  ui::Screen::main().configure(configuration);
  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, 375, 667});
  auto root = std::make_shared<ui::ViewController>();
  root->view()->setBackgroundColor(Color::black());
  window->setRootViewController(root);
  ui::Application::shared().addWindow(window);
  window->makeKeyAndVisible();
  Utility::showAlertWithTitle("Satellite", "Visible tonight");
  auto* alert = dynamic_cast<SVAlertController*>(root->presentedViewController());
  ASSERT_NE(alert, nullptr);
  const cg::Pixel platformBox = pixelOf(Color::white(0.97));
  const ui::Rect box = alert->box()->frame();
  int frames = 0;
  bool recoloured = false;
  for (int step = 0; step < 60; ++step) {
    // The alert sits in a window of its own, over the keyboard: the screen as composed.
    auto frame = ui::Application::shared().snapshot(2);
    // The box's top margin, above its title.
    const cg::Pixel inside = at(frame, box.x() + 10, box.y() + 8);
    if (night()) {
      EXPECT_FALSE(pixelNear(inside, platformBox, 24)) << "frame " << step;
    }
    recoloured = recoloured || pixelNear(inside, pixelOf(Color::rgba(0.3, 0.1, 0.1)), 2);
    ++frames;
    world_.run(1 / 60.0);
  }
  EXPECT_EQ(frames, 60);
  EXPECT_EQ(recoloured, night());
  auto image = shoot(*alert->view(), "SVAlertController");
  EXPECT_EQ(expectReadable(*alert->view(), image), 3);
  if (night()) {
    EXPECT_EQ(alert->box()->layer().borderColor, Color::red());
    EXPECT_EQ(alert->box()->layer().cornerRadius, 13);
    EXPECT_EQ(alert->view()->tintColor(), Color::red());
    EXPECT_TRUE(pixelNear(at(image, box.x() + 0.25, box.midY()), pixelOf(Color::red()), 2));
    for (const auto* label : {Utility::findSubviewOf<ui::Label>(alert->box())})
      EXPECT_EQ(label->textColor(), Color::rgba(0.8, 0, 0));
    // The red border runs round the alert only, not across it.
    int border = 0;
    for (double y = box.y() + 2; y < box.maxY() - 2; y += 0.5)
      border += pixelNear(at(image, box.x() + 20, y), pixelOf(Color::red()), 40) ? 1 : 0;
    EXPECT_EQ(border, 0);
  } else {
    EXPECT_EQ(alert->view()->tintColor(), Color::rgba(0, 0.5, 0.9));
    const Color platformBox = dark() ? Color::white(0.17) : Color::white(0.97);
    EXPECT_TRUE(pixelNear(at(image, box.midX(), box.y() + 4), pixelOf(platformBox), 2));
  }
}

TEST_P(Snapshots, ButtonsSegmentsAndLabels) {
  // A selected highlight button is washed with its tint at 0.2.
  SVHighlightButton highlight(ui::Rect{0, 0, 80, 40});
  highlight.setSelected(true);
  highlight.setTintColor(Color::rgba(0.2, 0.4, 0.6));
  EXPECT_EQ(highlight.titleColorForState(ui::kControlStateNormal), Color::rgba(0.2, 0.4, 0.6));
  auto washed = shoot(highlight, "SVHighlightButton");
  EXPECT_TRUE(pixelNear(at(washed, 3, 3), pixelOf(Color::rgba(0.2, 0.4, 0.6, 0.2))));

  std::string message;
  ui::ViewController owner;
  auto objects = ui::InterfaceLoader::loadText(
      R"({"objects": [{"class": "SVSegmentedControl", "frame": [0, 0, 200, 32],
                       "properties": {"segments": ["Sky", "Orbit"], "selectedSegmentIndex": 1}}]})",
      "Segments.json", &owner, &message);
  ASSERT_EQ(objects.size(), 1u) << message;
  auto& segments = dynamic_cast<SVSegmentedControl&>(*objects[0]);
  auto image = shoot(segments, "SVSegmentedControl");
  const cg::Pixel unselected = at(image, 8, 8), selected = at(image, 108, 8);
  if (night()) {
    EXPECT_TRUE(pixelNear(unselected, pixelOf(Color::rgba(0.2, 0, 0))));
    EXPECT_TRUE(pixelNear(selected, pixelOf(Color::rgba(0.5, 0, 0))));
    EXPECT_EQ(segments.titleColor, Color::red());
  } else {
    EXPECT_EQ(unselected.a, 0);
    EXPECT_TRUE(pixelNear(selected, pixelOf(segments.tintColor())));
  }

  SVLabel label(ui::Rect{0, 0, 100, 20});
  const Color platformText = ui::Label().textColor();
  EXPECT_EQ(label.textColor(), night() ? Color::red() : dark() ? Color::white(0.75) : platformText);
  SVLabel decoded;
  EXPECT_EQ(decoded.textColor(), platformText);  // the file's colours stand

  // Overlays of themed buttons: over nothing (a clear button).
  auto button = std::make_shared<SVButton>(ui::Rect{0, 0, 100, 44});
  button->setTitle("Update");
  auto drawn = shoot(*button, "SVButton");
  const bool hasOverlay = Utility::findSubviewOf<SVButtonOverlay>(button.get()) != nullptr;
  EXPECT_EQ(hasOverlay, night());
  if (night()) {
    EXPECT_TRUE(pixelNear(at(drawn, 4, 22), pixelOf(Color::rgba(0.8, 0, 0, 0.6))));
    EXPECT_EQ(button->titleColorForState(ui::kControlStateNormal), Color::red());
  } else {
    EXPECT_EQ(at(drawn, 4, 22).a, 0);
  }
  if (dark()) {
    EXPECT_EQ(button->titleColorForState(ui::kControlStateDisabled), Color::gray());
  }
  // The overlay class draws its own colour in the dark theme too.
  SVButtonOverlay overlay(ui::Rect{0, 0, 40, 20});
  auto plain = shoot(overlay, "SVButtonOverlay");
  const cg::Pixel expected = night() ? pixelOf(Color::rgba(0.8, 0, 0, 0.6))
                             : dark() ? pixelOf(Color::rgba(0.5, 0.5, 0.5, 0.5))
                                      : pixelOf(kClear);
  EXPECT_TRUE(pixelNear(at(plain, 20, 10), expected));
}

TEST_P(Snapshots, TextFieldsAndSearchBarsFollowTheThemeAtNightAndTheDeviceOtherwise) {
  // The device's own appearance: a chart screen whose interface is light.
  ui::DeviceConfiguration configuration;
  configuration.darkMode = false;
  ui::Screen::main().configure(configuration);
  uifoundation::FakeChartViewController chart;
  ChartViewController::setCurrentController(&chart);

  auto field = std::make_shared<SVTextField>(ui::Rect{0, 0, 200, 30});
  auto enabled = shoot(*field, "SVTextField");
  EXPECT_EQ(field->keyboardAppearance, ui::KeyboardAppearance::dark);
  field->setEnabled(false);
  auto disabled = shoot(*field, "SVTextField-disabled");
  if (night()) {
    EXPECT_TRUE(pixelNear(at(enabled, 100, 15), pixelOf(Color::black())));
    EXPECT_TRUE(pixelNear(at(enabled, 100, 0.25), pixelOf(Color::rgba(0.7, 0, 0))));
    EXPECT_TRUE(pixelNear(at(disabled, 100, 15), pixelOf(Color::rgba(0.2, 0, 0))));
    EXPECT_TRUE(pixelNear(at(disabled, 100, 0.25), pixelOf(Color::rgba(0.4, 0, 0))));
    EXPECT_EQ(field->textColor, Color::rgba(0.5, 0, 0));
    EXPECT_EQ(field->autocorrectionType, ui::AutocorrectionType::no);
  } else {
    EXPECT_EQ(at(enabled, 100, 15).a, 0);  // no background
    EXPECT_TRUE(pixelNear(at(disabled, 100, 15), pixelOf(Color::lightGray())));
    EXPECT_EQ(field->textColor, Color::darkGray());
    field->setEnabled(true);
    EXPECT_EQ(field->textColor, Color::black());
  }

  auto search = std::make_shared<SVSearchBar>();
  auto bar = shoot(*search, "SVSearchBar");
  ASSERT_NE(search->textField(), nullptr);
  EXPECT_TRUE(pixelNear(at(bar, 2, 2), pixelOf(night() ? Color::black() : Color::white(0.1))));
  const ui::Rect f = search->textField()->frame();
  EXPECT_TRUE(pixelNear(at(bar, f.maxX() - 12, f.midY()),
                        pixelOf(night() ? Color::rgba(0.2, 0, 0) : Color::whiteColor())));
  EXPECT_EQ(search->textField()->textColor, night() ? Color::rgba(0.9, 0, 0) : Color::black());
  EXPECT_EQ(search->textField()->keyboardAppearance, ui::KeyboardAppearance::dark);
  if (night()) {
    // Every pixel of the empty field, its placeholder too, is a red: a
    // grey placeholder spoils dark adaptation.
    int placeholderPixels = 0;
    for (double x = f.minX() + 2; x < f.maxX() - 2; x += 0.5) {
      for (double y = f.minY() + 2; y < f.maxY() - 2; y += 0.5) {
        const cg::Pixel p = at(bar, x, y);
        EXPECT_EQ(p.g, 0) << x << ", " << y;
        if (p.g != 0) return;
        placeholderPixels += p.r > 80;
      }
    }
    EXPECT_GT(placeholderPixels, 20) << "the placeholder shows, in red";
  }

  SVSearchBarTextBackground background(ui::Rect{0, 0, 100, 30});
  auto box = shoot(background, "SVSearchBarTextBackground");
  EXPECT_TRUE(pixelNear(at(box, 50, 15), night() ? pixelOf(Color::black()) : pixelOf(kClear)));
  EXPECT_TRUE(pixelNear(at(box, 50, 0.25), night() ? pixelOf(Color::rgba(0.7, 0, 0)) : pixelOf(kClear)));

  // A device in dark appearance: the platform's colours outside night vision.
  configuration.darkMode = true;
  ui::Screen::main().configure(configuration);
  auto deviceDark = std::make_shared<SVSearchBar>();
  SVTextField platform(ui::Rect{0, 0, 100, 30});
  if (!night()) {
    EXPECT_EQ(deviceDark->textField()->textColor, Color::whiteColor());
    EXPECT_EQ(platform.textColor, ui::TextField().textColor);
  }
  ChartViewController::setCurrentController(nullptr);
}

TEST_P(Snapshots, ToolbarsSwitchesPickersAndActivityOverlaysCompositeOverWhatIsBelow) {
  SVToolbar toolbar;
  toolbar.setFrame({0, 0, 320, 44});
  auto image = shoot(toolbar, "SVToolbar");
  // What the platform draws below the night fill.
  ui::Toolbar plain;
  plain.setFrame({0, 0, 320, 44});
  plain.setBackgroundColor(Color::black());
  plain.barStyle = 1;
  if (night()) plain.barTintColor = Color::rgba(0.3, 0, 0);
  const cg::Pixel below = plain.snapshotImage(2)->pixel(300, 40);
  if (night()) {
    const Color under{below.r / 255.0, below.g / 255.0, below.b / 255.0, 1};
    EXPECT_TRUE(pixelNear(at(image, 150, 20), over(Color::rgba(0.1, 0, 0, 0.8), under)));
  } else {
    EXPECT_EQ(at(image, 150, 20), below);
  }

  // A switch's state reads at a glance in every theme: its track where
  // the thumb is not differs between on and off by at least the 3:1
  // contrast asked of the parts of interface components, and the night
  // rim is the table's switch red. (A filled night overlay left both
  // states nearly the same red.)
  SVSwitch on(ui::Rect{0, 0, 51, 31}), off(ui::Rect{0, 0, 51, 31});
  on.setOn(true);
  auto onImage = shoot(on, "SVSwitch-on"), offImage = shoot(off, "SVSwitch-off");
  EXPECT_GE(uifoundation::contrastRatio(at(onImage, 8, 15), at(offImage, 44, 15)), 3.0) << "theme " << theme();
  if (night()) {
    for (const auto& image : {onImage, offImage}) {
      const cg::Pixel p = at(image, 25.5, 0.5);
      EXPECT_EQ(p.g, 0);
      EXPECT_EQ(p.b, 0) << "only reds at night";
      EXPECT_GT(p.r, 60);
    }
  }

  std::string message;
  ui::ViewController owner;
  auto objects = ui::InterfaceLoader::loadText(
      R"({"objects": [{"class": "SVDatePicker", "frame": [0, 0, 320, 216]}]})", "Picker.json", &owner, &message);
  ASSERT_EQ(objects.size(), 1u) << message;
  auto& picker = dynamic_cast<SVDatePicker&>(*objects[0]);
  auto pickerImage = shoot(picker, "SVDatePicker");
  EXPECT_EQ(picker.timeZone, ns::TimeZone::defaultTimeZone());
  if (night()) {
    EXPECT_EQ(picker.textColor, Color::red());
    EXPECT_TRUE(pixelNear(at(pickerImage, 10, 10), over(Color::rgba(0.3, 0, 0, 0.6), Color::black())));
  } else {
    EXPECT_EQ(at(pickerImage, 10, 10).a, 0);
  }

  SVActivityView activity(ui::Rect{0, 0, 200, 200});
  activity.activityIndicator = std::make_shared<ui::ActivityIndicatorView>();
  activity.activityIndicator->setFrame({50, 50, 37, 37});
  auto shade = shoot(activity, "SVActivityView");
  EXPECT_TRUE(pixelNear(at(shade, 45, 45), pixelOf(Color::rgba(0, 0, 0, 0.15))));
  EXPECT_EQ(at(shade, 30, 30).a, 0);
}

TEST_P(Snapshots, PanelsBordersMessagesAndUnderlines) {
  BottomControlView code(ui::Rect{0, 0, 200, 100});
  auto made = shoot(code, "BottomControlView-code");
  EXPECT_TRUE(pixelNear(at(made, 100, 99), pixelOf(kTint.withAlpha(0.7))));  // the bottom edge
  EXPECT_EQ(at(made, 100, 50).a, 0);                                         // no background

  std::string message;
  ui::ViewController owner;
  auto objects = ui::InterfaceLoader::loadText(
      R"({"objects": [{"class": "BottomControlView", "frame": [0, 0, 200, 100]}]})", "Panel.json", &owner, &message);
  ASSERT_EQ(objects.size(), 1u) << message;
  auto& decoded = dynamic_cast<BottomControlView&>(*objects[0]);
  auto panel = shoot(decoded, "BottomControlView-decoded");
  const cg::Pixel fill = over(kTint.withAlpha(0.2), Color::rgba(0, 0, 0, 0.9));
  EXPECT_TRUE(pixelNear(at(panel, 100, 50), fill));
  EXPECT_TRUE(pixelNear(at(panel, 100, 99), fill));  // no bottom edge
  const Color interior{fill.r / 255.0 / (fill.a / 255.0), fill.g / 255.0 / (fill.a / 255.0),
                       fill.b / 255.0 / (fill.a / 255.0), fill.a / 255.0};
  EXPECT_TRUE(pixelNear(at(panel, 100, 1), over(kTint.withAlpha(0.7), interior), 2));  // the top edge

  auto parent = std::make_shared<ui::View>(ui::Rect{0, 0, 200, 100});
  auto border = std::make_shared<BorderedView>(parent->bounds());
  parent->addSubview(border);
  parent->setFrame({0, 0, 300, 120});
  EXPECT_EQ(border->frame(), (ui::Rect{0, 0, 300, 120}));  // follows its superview
  auto outline = shoot(*border, "BorderedView");
  EXPECT_TRUE(pixelNear(at(outline, 150, 1), pixelOf(kTint.withAlpha(0.7))));
  EXPECT_EQ(at(outline, 150, 60).a, 0);
  EXPECT_FALSE(border->isUserInteractionEnabled());

  MessageView box(ui::Rect{0, 0, 100, 50});
  auto stroked = shoot(box, "MessageView");
  EXPECT_TRUE(pixelNear(at(stroked, 50, 0.25), pixelOf(night() ? Color::red() : kTint)));

  UnderlinedButton underlined(ui::Rect{0, 0, 120, 40});
  underlined.setDrawUnderline(true);
  auto line = shoot(underlined, "UnderlinedButton");
  EXPECT_TRUE(pixelNear(at(line, 60, 36), pixelOf(kTint)));
  EXPECT_EQ(at(line, 20, 36).a, 0);
  UnderlinedButton narrow(ui::Rect{0, 0, 50, 40});  // narrower than its margins
  narrow.setDrawUnderline(true);
  auto none = shoot(narrow, "UnderlinedButton-narrow");
  for (double x = 0.25; x < 50; x += 0.5) EXPECT_EQ(at(none, x, 36).a, 0) << x;
}

TEST_P(Snapshots, ToolbarButtonsStackATintedImageOverTheirTitle) {
  SVToolbarButton button(ui::Rect{0, 0, 60, 49});
  button.setTintColor(kTint);
  button.setTitle("Search");
  button.setImage(ui::Image::named("Checkmark.png"));
  button.layoutIfNeeded();
  auto image = shoot(button, "SVToolbarButton");
  const ui::Rect title = button.titleLabel().frame();
  const cg::Size text = cg::textSize("Search", button.titleLabel().font()->cgFont());
  EXPECT_EQ(title.width(), std::ceil(text.width + 2));
  EXPECT_EQ(title.height(), std::ceil(text.height));
  const double top = (49 - (20 + 1 + title.height())) / 2;
  EXPECT_EQ(button.imageFrame(), (ui::Rect{20, top + 3, 20, 20}));
  EXPECT_EQ(title.y(), top + 3 + 20 + 1);
  EXPECT_NEAR(title.midX(), 30, 1e-9);
  // The check mark's ink is the tint.
  int inked = 0;
  for (double y = top + 3; y < top + 23; y += 0.5)
    for (double x = 20; x < 40; x += 0.5) {
      const cg::Pixel p = at(image, x, y);
      if (p.a == 255) {
        ++inked;
        EXPECT_TRUE(pixelNear(p, pixelOf(kTint)));
      }
    }
  EXPECT_GT(inked, 10);
}

}  // namespace
