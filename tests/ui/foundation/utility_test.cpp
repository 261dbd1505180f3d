// Utility: Base64 against RFC 4648's vectors and Python's encoder, dates
// against ERFA's calendar and the C library's, version comparisons, number
// text, rounded rectangles, view searches, bulk enabling, themed images,
// windows and alerts.
#include <gtest/gtest.h>

#include <erfa.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/coregraphics/image_codec.h"
#include "platform/foundation/bundle.h"
#include "skydata/app_bridge.h"
#include "tests/support/temp_dir.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/sv_controls.h"
#include "ui/foundation/utility.h"
#include "ui_foundation_support.h"

namespace {

using uifoundation::World;

std::string run(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return *status = -1, out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  *status = ::pclose(pipe);
  return out;
}

TEST(UiFoundationUtility, Base64MatchesRfc4648AndPython) {
  const std::pair<const char*, const char*> vectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
  for (auto [in, out] : vectors) EXPECT_EQ(Utility::base64forData(in), out) << in;

  // Random data of every length class against Python's base64 module.
  tessaly::test::TempDir dir;
  std::mt19937 random(2024);
  std::vector<std::string> inputs;
  std::ofstream hex(dir.file("data.hex"));
  for (int i = 0; i < 300; ++i) {
    std::string bytes(std::size_t(random() % 200), '\0');
    for (char& c : bytes) c = char(random() & 0xFF);
    inputs.push_back(bytes);
    for (unsigned char c : bytes) hex << "0123456789abcdef"[c >> 4] << "0123456789abcdef"[c & 15];
    hex << '\n';
  }
  hex.close();
  int status = 0;
  const std::string out = run("/usr/bin/python3 -c 'import base64,sys\nfor l in open(sys.argv[1]): "
                              "print(base64.b64encode(bytes.fromhex(l.strip())).decode())' " +
                                  dir.file("data.hex"),
                              &status);
  ASSERT_EQ(status, 0) << "python3 is required";
  std::istringstream lines(out);
  std::string line;
  int compared = 0;
  for (const std::string& bytes : inputs) {
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(Utility::base64forData(bytes), line);
    EXPECT_EQ(Utility::base64forData(bytes).size(), (bytes.size() + 2) / 3 * 4);
    ++compared;
  }
  EXPECT_EQ(compared, 300);
}

TEST(UiFoundationUtility, DatesAgreeWithErfaAndTheCLibrary) {
  // The reference date and J2000.0.
  ASSERT_TRUE(Utility::NSDateFromJulianDate(2451910.5));
  EXPECT_EQ(Utility::NSDateFromJulianDate(2451910.5)->timeIntervalSinceReferenceDate(), 0.0);
  EXPECT_EQ(Utility::NSDateFromJulianDate(2451545.0)->timeIntervalSince1970(), 946728000.0);  // 2000-01-01 12:00
  EXPECT_FALSE(Utility::NSDateFromJulianDate(INFINITY));
  EXPECT_FALSE(Utility::NSDateFromJulianDate(-INFINITY));
  // No date is an unknown time, not the reference date.
  EXPECT_EQ(Utility::JulianDateFromNSDate(std::nullopt), INFINITY);

  std::mt19937 random(7);
  int checked = 0;
  for (int i = 0; i < 2000; ++i) {
    const int year = 1800 + int(random() % 400), month = 1 + int(random() % 12), day = 1 + int(random() % 28);
    const int hour = int(random() % 24), minute = int(random() % 60), second = int(random() % 60);
    double djm0, djm;
    ASSERT_EQ(eraCal2jd(year, month, day, &djm0, &djm), 0);
    const double jd = djm0 + djm + (hour + (minute + second / 60.0) / 60.0) / 24.0;
    std::tm tm{};
    tm.tm_year = year - 1900, tm.tm_mon = month - 1, tm.tm_mday = day;
    tm.tm_hour = hour, tm.tm_min = minute, tm.tm_sec = second;
    const double unix = double(timegm(&tm));
    auto date = Utility::NSDateFromJulianDate(jd);
    ASSERT_TRUE(date);
    EXPECT_NEAR(date->timeIntervalSince1970(), unix, 1e-4);
    // Back: the calendar date ERFA reads from our Julian date.
    int y, m, d;
    double fraction;
    const double back = Utility::JulianDateFromNSDate(ns::Date::fromTimeIntervalSince1970(unix));
    ASSERT_EQ(eraJd2cal(back, 0, &y, &m, &d, &fraction), 0);
    EXPECT_EQ(y, year);
    EXPECT_EQ(m, month);
    EXPECT_EQ(d, day);
    EXPECT_NEAR(fraction * 86400, hour * 3600 + minute * 60 + second, 1e-3);
    ++checked;
  }
  EXPECT_EQ(checked, 2000);
}

TEST(UiFoundationUtility, VersionsCompareTheirNumbersAsNumbers) {
  EXPECT_EQ(Utility::compareVersions("10.0", "9.3"), 1);
  EXPECT_EQ(Utility::compareVersions("9.3", "10.0"), -1);
  EXPECT_EQ(Utility::compareVersions("10.10", "10.9"), 1);
  EXPECT_EQ(Utility::compareVersions("13.0", "13.0"), 0);
  EXPECT_EQ(Utility::compareVersions("010", "10"), 0);
  EXPECT_EQ(Utility::compareVersions("13", "13.0"), -1);
  EXPECT_EQ(Utility::compareVersions("", "1"), -1);
  EXPECT_EQ(Utility::compareVersions("12345678901234567890", "9"), 1);  // no overflow

  World world;
  ui::DeviceConfiguration configuration;
  configuration.systemVersion = "10.0";
  ui::Screen::main().configure(configuration);
  EXPECT_TRUE(Utility::currentOSVersionIsGreaterThanOrEqualTo("9.3"));
  EXPECT_TRUE(Utility::currentOSVersionIsGreaterThanOrEqualTo("10"));
  EXPECT_FALSE(Utility::currentOSVersionIsGreaterThanOrEqualTo("13.0"));
  EXPECT_TRUE(Utility::currentOSVersionIsLessThanOrEqualTo("13.0"));
  EXPECT_TRUE(Utility::currentOSVersionIsLessThanOrEqualTo("10.0"));
  EXPECT_FALSE(Utility::currentOSVersionIsLessThanOrEqualTo("9.3"));
}

TEST(UiFoundationUtility, NumbersLoseTheirTrailingZerosAndTheDigitsAreClamped) {
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(2.5, 3), "2.5");
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(3.0, 3), "3");
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(1.23456, 2), "1.23");
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(0.5, 0), "0");   // ties to even
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(1.5, 0), "2");
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(-0.25, 1), "-0.2");
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(1234567.0, 2), "1234567");
  // A negative count is no fraction digits, not six.
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(2.4, -1), "2");
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(0.1, 40), "0.10000000000000000555");  // 20 digits
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(NAN, 2), "NaN");
  EXPECT_EQ(Utility::stringValueWithoutTrailingZeros(1e300, 1).size(), 301u);
}

// Pixels with any ink in a context drawn by `draw` (100 x 100 points).
int inkedPixels(const std::function<void(cg::Context&)>& draw) {
  auto context = cg::Context::createBitmap(100, 100);
  draw(*context);
  const std::uint8_t* data = context->data();
  int count = 0;
  for (std::size_t i = 0; i < 100 * 100; ++i) count += data[i * 4 + 3] > 127;
  return count;
}

TEST(UiFoundationUtility, RoundRectanglesClampTheirRadiusAndEmptyOnesDrawNothing) {
  auto fill = [](ui::Rect r, double radius) {
    return inkedPixels([&](cg::Context& c) {
      Utility::addRoundRect(c, r, radius);
      c.fillPath();
    });
  };
  // Area w h - (4 - pi) r^2.
  EXPECT_NEAR(fill({10, 10, 60, 40}, 8), 60 * 40 - (4 - M_PI) * 64, 12);
  // A radius beyond half the shorter side is half of it: a stadium.
  EXPECT_NEAR(fill({10, 10, 60, 20}, 50), 60 * 20 - (4 - M_PI) * 100, 12);
  // Negative and empty rectangles add nothing to the path.
  for (ui::Rect r : {ui::Rect{50, 50, -30, 20}, ui::Rect{50, 50, 20, -30}, ui::Rect{10, 10, 0, 20}}) {
    auto context = cg::Context::createBitmap(100, 100);
    Utility::addRoundRect(*context, r, 5);
    EXPECT_TRUE(context->isPathEmpty());
  }
  EXPECT_GT(fill({10, 10, 30, 30}, NAN), 850);  // no radius: a square
}

TEST(UiFoundationUtility, ViewSearchesAreDepthFirstFromTheViewItself) {
  World world;
  auto root = std::make_shared<ui::View>();
  auto a = std::make_shared<ui::View>(), b = std::make_shared<ui::View>();
  auto deepLabel = std::make_shared<ui::Label>();
  auto laterLabel = std::make_shared<SVLabel>();
  auto field = std::make_shared<ui::TextField>();
  root->addSubview(a);
  root->addSubview(b);
  a->addSubview(deepLabel);
  b->addSubview(laterLabel);
  b->addSubview(field);
  EXPECT_EQ(Utility::findSubviewOf<ui::Label>(root.get()), deepLabel.get());
  EXPECT_EQ(Utility::findViewInView<SVLabel>(root.get()), laterLabel.get());  // a subclass only
  EXPECT_EQ(Utility::findSubviewOf<ui::View>(root.get()), root.get());          // the view itself
  EXPECT_EQ(Utility::findSubviewOf<ui::Switch>(root.get()), nullptr);
  EXPECT_EQ(Utility::findSubviewOf<ui::Label>(nullptr), nullptr);

  // Labels and fields at any depth, but not inside switches.
  auto onOff = std::make_shared<ui::Switch>();
  auto hidden = std::make_shared<ui::Label>();
  onOff->addSubview(hidden);
  b->addSubview(onOff);
  Utility::setUILabelsOf(root.get(), ui::Color::red());
  EXPECT_EQ(deepLabel->textColor(), ui::Color::red());
  EXPECT_EQ(laterLabel->textColor(), ui::Color::red());
  EXPECT_NE(hidden->textColor(), ui::Color::red());
  Utility::setUITextFieldsOf(root.get(), ui::KeyboardAppearance::dark);
  EXPECT_EQ(field->keyboardAppearance, ui::KeyboardAppearance::dark);
}

class Switched : public SVTableViewCell, public SwitchedCell {
 public:
  Switched() : onOff_(std::make_shared<ui::Switch>()) { setAccessoryView(onOff_); }
  ui::Switch* onOffSwitch() const override { return onOff_.get(); }

 private:
  std::shared_ptr<ui::Switch> onOff_;
};

TEST(UiFoundationUtility, CellsAreSelectableOnlyWhenEnabledWithADisclosure) {
  World world(2);
  using Accessory = ui::TableViewCellAccessory;
  using Style = ui::TableViewCellSelectionStyle;
  const struct {
    Accessory accessory;
    bool enabled;
    Style expected;
  } cases[] = {{Accessory::disclosureIndicator, true, Style::blue},    {Accessory::detailDisclosureButton, true, Style::blue},
               {Accessory::none, true, Style::none},                   {Accessory::checkmark, true, Style::none},
               {Accessory::disclosureIndicator, false, Style::none},   {Accessory::detailDisclosureButton, false, Style::none}};
  for (const auto& c : cases) {
    auto cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::subtitle);
    cell->setAccessoryType(c.accessory);
    Utility::setCell(cell.get(), c.enabled);
    EXPECT_EQ(cell->selectionStyle, c.expected) << int(c.accessory) << c.enabled;
    EXPECT_EQ(cell->textLabel().isEnabled(), c.enabled);
    EXPECT_EQ(cell->detailTextLabel()->isEnabled(), c.enabled);
  }
  // A switched cell's switch follows (it is its accessory, not a subview
  // of its content).
  auto switched = std::make_shared<Switched>();
  Utility::setCell(switched.get(), false);
  EXPECT_FALSE(switched->onOffSwitch()->isEnabled());
  Utility::setCell(switched.get(), true);
  EXPECT_TRUE(switched->onOffSwitch()->isEnabled());

  // In night vision a label keeps its colour and is dimmed by its alpha.
  world.setTheme(3);
  auto label = std::make_shared<ui::Label>();
  label->setTextColor(ui::Color::rgba(0.8, 0, 0, 1));
  Utility::setView(label.get(), false);
  EXPECT_EQ(label->textColor(), ui::Color::rgba(0.8, 0, 0, 0.5));
  EXPECT_TRUE(label->isEnabled());
  Utility::setView(label.get(), true);
  EXPECT_EQ(label->textColor(), ui::Color::rgba(0.8, 0, 0, 1));
}

TEST(UiFoundationUtility, TheHeadUpColourFollowsNightVisionAndTheColourStyle) {
  World world(2);
  EXPECT_EQ(Utility::getHUDColor(), ui::Color::green());  // no delegate: style 0
  auto& delegate = world.installDelegate();
  const struct {
    int theme, style;
    ui::Color expected;
  } cases[] = {{3, 2, ui::Color::black()}, {3, 0, ui::Color::rgba(0.8, 0, 0)}, {3, 1, ui::Color::rgba(0.8, 0, 0)},
               {2, 2, ui::Color::black()}, {2, 1, ui::Color::whiteColor()},   {2, 0, ui::Color::green()},
               {1, 5, ui::Color::green()}};
  for (const auto& c : cases) {
    world.setTheme(c.theme);
    delegate.style = c.style;
    EXPECT_EQ(Utility::getHUDColor(), c.expected) << c.theme << " " << c.style;
  }
}

// A bundle of its own for image lookups; images told apart by their width.
class ImageBundle {
 public:
  ImageBundle() {
    const char* old = std::getenv("TESSALY_BUNDLE");
    saved_ = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("TESSALY_BUNDLE", dir_.path().c_str(), 1);
    ui::Image::clearCache();
  }
  ~ImageBundle() {
    if (saved_) setenv("TESSALY_BUNDLE", saved_->c_str(), 1);
    else unsetenv("TESSALY_BUNDLE");
    ui::Image::clearCache();
  }
  void add(const std::string& name, std::size_t width) {
    std::vector<std::uint32_t> pixels(width, 0xFFFFFFFFu);
    auto image = cg::Image::fromARGB(width, 1, pixels);
    ASSERT_TRUE(cg::writePNG(*image, dir_.file(name)));
  }

 private:
  tessaly::test::TempDir dir_;
  std::optional<std::string> saved_;
};

std::size_t widthOf(const ui::ImagePointer& image) { return image ? image->bitmap().width() : 0; }

TEST(UiFoundationUtility, ImagesAreLookedUpByTheme) {
  World world;
  ImageBundle bundle;
  bundle.add("Both.png", 1);
  bundle.add("Both_dark.png", 2);
  bundle.add("Both_night.png", 3);
  bundle.add("Dark.png", 1);
  bundle.add("Dark_dark.png", 2);
  bundle.add("Plain.png", 1);
  const struct {
    int theme;
    const char* base;
    std::size_t width;
  } cases[] = {{3, "Both", 3}, {3, "Dark", 2}, {3, "Plain", 1}, {2, "Both", 2}, {2, "Dark", 2},
               {2, "Plain", 1}, {1, "Both", 1}, {5, "Dark", 1}, {0, "Both", 1}};
  for (const auto& c : cases) {
    world.setTheme(c.theme);
    EXPECT_EQ(widthOf(Utility::imageNamed(c.base, "png")), c.width) << c.theme << " " << c.base;
    EXPECT_EQ(widthOf(SVUtility::imageNamed(c.base, "png")), c.width);
  }
  EXPECT_EQ(Utility::imageNamed("Missing", "png"), nullptr);
}

TEST(UiFoundationUtility, TheKeyboardWindowIsFoundByItsClassName) {
  World world;
  testing::internal::CaptureStderr();
  EXPECT_EQ(Utility::keyboardWindow(), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  auto effects = std::make_shared<ui::Window>();
  effects->setClassName("UITextEffectsWindow");
  ui::Application::shared().addWindow(effects);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Utility::keyboardWindow(), effects.get());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Found keyboardWindow: UITextEffectsWindow\n");
  auto keyboard = std::make_shared<ui::Window>();
  keyboard->setClassName("UIRemoteKeyboardWindow");
  ui::Application::shared().addWindow(keyboard);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Utility::keyboardWindow(), keyboard.get());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Found keyboardWindow: UIRemoteKeyboardWindow\n");
}

TEST(UiFoundationUtility, AlertsArePresentedOnTheTopMostController) {
  World world;
  auto window = std::make_shared<ui::Window>();
  auto root = std::make_shared<ui::ViewController>();
  window->setRootViewController(root);
  ui::Application::shared().addWindow(window);
  window->makeKeyAndVisible();
  auto sheet = std::make_shared<ui::ViewController>();
  root->presentViewController(sheet, false);
  EXPECT_EQ(Utility::topMostController(), sheet.get());

  int handled = 0;
  Utility::showAlertWithTitle("Title", "Message", [&] { ++handled; });
  world.run(1);
  auto* alert = dynamic_cast<SVAlertController*>(sheet->presentedViewController());
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->alertTitle(), "Title");
  ASSERT_EQ(alert->actions().size(), 1u);
  EXPECT_EQ(alert->actions()[0].title, "OK");
  alert->chooseAction(0);
  world.run(1);
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(sheet->presentedViewController(), nullptr);

  auto made = Utility::makeAlertWithTitle("", "Two");
  Utility::addCancelAlertAction("Cancel", *made, nullptr);
  Utility::addAlertAction("Go", *made, nullptr);
  ASSERT_EQ(made->actions().size(), 2u);
  EXPECT_EQ(made->actions()[1].style, ui::AlertActionStyle::cancel);  // the cancel action stands last
  Utility::showAlertWithMessage("Only a message");
  world.run(1);
  auto* plain = dynamic_cast<SVAlertController*>(sheet->presentedViewController());
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->alertTitle(), "");
  EXPECT_EQ(plain->message(), "Only a message");
}

TEST(UiFoundationUtility, FoldersAndScreenComeFromThePlatformLayer) {
  World world;
  tessaly::test::TempDir home;
  const char* old = std::getenv("TESSALY_HOME");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  setenv("TESSALY_HOME", home.path().c_str(), 1);
  EXPECT_EQ(Utility::documentsDirectory(), home.file("Documents"));
  EXPECT_EQ(Utility::cachesDirectory(), home.file("Caches"));
  char buffer[512];
  getDocumentsDirectory(buffer, sizeof buffer);  // what the engine is given
  EXPECT_EQ(Utility::documentsDirectory(), buffer);
  if (saved) setenv("TESSALY_HOME", saved->c_str(), 1);
  else unsetenv("TESSALY_HOME");
  EXPECT_EQ(Utility::screenScale(), 2.0);
  EXPECT_EQ(Utility::supportedInterfaceOrientations(), 30u);
  EXPECT_EQ(Utility::interfaceOrientation(), 1);
  const double now = Utility::currentTimeInSeconds();
  EXPECT_NEAR(now, double(std::time(nullptr)), 2.0);
}

}  // namespace
