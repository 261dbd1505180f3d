// The theme rule, the "Exo" faces for every system-font request and
// decoded descriptor, tinting per pixel by the source-atop formula, and the
// cached cell colours.
#include <gtest/gtest.h>

#include <random>

#include "platform/coregraphics/font_config.h"
#include "platform/foundation/json.h"
#include "platform/uikit/interface_loader.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/theme.h"
#include "ui_foundation_support.h"

namespace {

using uifoundation::World;

TEST(UiFoundationTheme, CodesOtherThanTwoAndThreeAreLight) {
  EXPECT_EQ(themeColumn(3), ThemeColumn::night);
  EXPECT_EQ(themeColumn(2), ThemeColumn::dark);
  for (int code : {0, 1, 4, 5, -1, 1000}) EXPECT_EQ(themeColumn(code), ThemeColumn::light) << code;
  World world(5);
  EXPECT_EQ(SVColor::viewBackgroundColor(), ui::Color::rgba(0.1, 0.1, 0.1));
  EXPECT_FALSE(AppDelegate::isNightVision());
  world.setTheme(3);
  EXPECT_EQ(SVColor::viewBackgroundColor(), ui::Color::rgba(0.1, 0, 0));
  EXPECT_TRUE(AppDelegate::isNightVision());
  EXPECT_EQ(SVColor::colorWithRed(0.25, 0.5, 0.75, 0.125), ui::Color::rgba(0.25, 0.5, 0.75, 0.125));
}

TEST(UiFoundationTheme, EverySystemFontRequestAndDecodedDescriptorGivesExo) {
  World world;
  const struct {
    ui::FontPointer font;
    const char* name;
    double size;
  } requests[] = {{ui::Font::systemFont(13), "Exo", 13},
                  {ui::Font::boldSystemFont(17), "Exo-Bold", 17},
                  {ui::Font::italicSystemFont(9.5), "Exo-Oblique", 9.5},
                  {ui::Font::preferredFont("UIFontTextStyleHeadline"), "Exo", 17},
                  {ui::Font::preferredFont("UIFontTextStyleCaption2"), "Exo", 17},
                  {ui::Font::preferredFont("UIFontTextStyleBody"), "Exo", 17}};
  for (const auto& r : requests) {
    EXPECT_EQ(r.font->fontName(), r.name);
    EXPECT_EQ(r.font->pointSize(), r.size);
  }
  // The names reach the faces the bundle's configuration gives them.
  EXPECT_EQ(cg::resolveFace("Exo").family, "DejaVu Sans");
  EXPECT_EQ(cg::resolveFace("Exo-Bold").weight, 200);

  const struct {
    const char* descriptor;
    const char* name;
    double size;
  } decoded[] = {
      {R"({"UIFontDescriptor": {"NSCTFontUIUsageAttribute": "CTFontRegularUsage", "NSFontSizeAttribute": 14}})", "Exo", 14},
      {R"({"UIFontDescriptor": {"NSCTFontUIUsageAttribute": "CTFontEmphasizedUsage", "NSFontSizeAttribute": 15}})",
       "Exo-Bold", 15},
      {R"({"UIFontDescriptor": {"NSCTFontUIUsageAttribute": "CTFontObliqueUsage", "NSFontSizeAttribute": 11}})",
       "Exo-Oblique", 11},
      {R"({"UIFontDescriptor": {"NSCTFontUIUsageAttribute": "CTFontCaptionUsage", "NSFontNameAttribute": "Helvetica",
                                "NSFontSizeAttribute": 12}})",
       "Helvetica", 12},
      {R"({"name": "Helvetica-Bold", "size": 20})", "Helvetica-Bold", 20},
  };
  for (const auto& d : decoded) {
    auto font = ui::decodeFont(ns::JSON::parse(d.descriptor));
    ASSERT_TRUE(font) << d.descriptor;
    EXPECT_EQ(font->fontName(), d.name) << d.descriptor;
    EXPECT_EQ(font->pointSize(), d.size);
  }
  // And through a screen definition.
  ui::ViewController owner;
  std::string message;
  auto objects = ui::InterfaceLoader::loadText(
      R"({"objects": [{"class": "SVLabel", "id": "l", "properties": {"font": {"UIFontDescriptor":
          {"NSCTFontUIUsageAttribute": "CTFontEmphasizedUsage", "NSFontSizeAttribute": 16}}}}]})",
      "Font.json", &owner, &message);
  ASSERT_EQ(objects.size(), 1u) << message;
  auto* label = dynamic_cast<ui::Label*>(objects[0].get());
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->font()->fontName(), "Exo-Bold");
  EXPECT_EQ(label->font()->pointSize(), 16);
  SystemFontOverride::uninstall();
  EXPECT_EQ(ui::Font::systemFont(13)->fontName(), "Helvetica");
}

// An image whose pixels run through every alpha with varied colours.
ui::ImagePointer rampImage(std::size_t width, std::size_t height, double scale) {
  std::vector<std::uint32_t> pixels(width * height);
  std::mt19937 random(11);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const unsigned a = unsigned(i * 7 % 256);
    const unsigned r = unsigned(random() % (a + 1)), g = unsigned(random() % (a + 1)), b = unsigned(random() % (a + 1));
    pixels[i] = a << 24 | r << 16 | g << 8 | b;  // premultiplied: channels within alpha
  }
  return std::make_shared<ui::Image>(cg::Image::fromARGB(width, height, pixels), scale);
}

TEST(UiFoundationTheme, TintingIsSourceAtopOnEveryPixel) {
  World world;
  const auto image = rampImage(40, 30, 2);  // 20 x 15 points
  const ui::Color color = ui::Color::rgba(0.8, 0.3, 0.1, 0.6);
  const ui::Rect rect{5, 3, 10, 8};  // points
  const auto whole = tintedImageUsingColor(image, color);
  const auto part = tintedImageUsingColor(image, color, rect);
  ASSERT_TRUE(whole && part);
  EXPECT_EQ(part->scale(), 2);
  ASSERT_EQ(part->bitmap().width(), 40u);
  ASSERT_EQ(part->bitmap().height(), 30u);
  // Premultiplied source S with alpha Sa over destination D (alpha Da):
  // out = S Da / 255 + D (255 - Sa) / 255, per channel and for alpha.
  const double sa = color.a * 255;
  const double s[3] = {color.r * sa, color.g * sa, color.b * sa};
  int inside = 0, outside = 0;
  for (std::size_t y = 0; y < 30; ++y) {
    for (std::size_t x = 0; x < 40; ++x) {
      const cg::Pixel d = image->bitmap().pixel(x, y);
      const cg::Pixel w = whole->bitmap().pixel(x, y), p = part->bitmap().pixel(x, y);
      auto atop = [&](int channel, double source) { return source * d.a / 255 + channel * (255 - sa) / 255; };
      const cg::Pixel expected{std::uint8_t(std::lround(atop(d.r, s[0]))), std::uint8_t(std::lround(atop(d.g, s[1]))),
                               std::uint8_t(std::lround(atop(d.b, s[2]))), d.a};
      ASSERT_TRUE(uifoundation::pixelNear(w, expected)) << x << "," << y;
      const bool in = x >= 10 && x < 30 && y >= 6 && y < 22;  // the rectangle at scale 2
      if (in) {
        ASSERT_TRUE(uifoundation::pixelNear(p, expected)) << x << "," << y;
        ++inside;
      } else {
        ASSERT_EQ(p, d) << x << "," << y;  // untouched
        ++outside;
      }
      if (d.a == 0) {
        ASSERT_EQ(w.a, 0);  // transparent stays transparent
      }
    }
  }
  EXPECT_EQ(inside, 20 * 16);
  EXPECT_EQ(outside, 1200 - 320);
  EXPECT_EQ(tintedImageUsingColor(nullptr, color), nullptr);
}

TEST(UiFoundationTheme, CellColoursStayCachedUntilTheThemeChangeIsAnnounced) {
  World world(2);
  EXPECT_EQ(SVTableViewCell::backgroundColor(), ui::Color::black());
  EXPECT_EQ(SVTableViewCell::textColor(), ui::Color::rgba(0.9, 0.9, 0.9));
  EXPECT_EQ(SVTableViewCell::detailTextColor(), ui::Color::rgba(136 / 255.0, 136 / 255.0, 1));
  AppDelegate::setAppTheme(3);  // no announcement
  auto before = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::subtitle);
  EXPECT_EQ(before->textLabel().textColor(), ui::Color::rgba(0.9, 0.9, 0.9));
  EXPECT_EQ(before->detailTextLabel()->textColor(), ui::Color::rgba(136 / 255.0, 136 / 255.0, 1));
  SVTableViewCell::appThemeChanged();
  auto after = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::subtitle);
  EXPECT_EQ(after->textLabel().textColor(), ui::Color::rgba(0.8, 0, 0));
  EXPECT_EQ(after->detailTextLabel()->textColor(), ui::Color::rgba(0.6, 0, 0));
  EXPECT_EQ(after->backgroundColor(), ui::Color::black());
  AppDelegate::setAppTheme(1);
  SVTableViewCell::appThemeChanged();
  auto light = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::subtitle);
  EXPECT_EQ(light->backgroundColor(), ui::Color::whiteColor());
  EXPECT_EQ(light->detailTextLabel()->textColor(), ui::Color::rgba(64 / 255.0, 104 / 255.0, 147 / 255.0));
  // A default-style cell keeps the platform's detail colour (it has no
  // detail label at all here); a value-1 cell takes the theme's.
  auto value1 = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::value1);
  EXPECT_EQ(value1->detailTextLabel()->textColor(), SVTableViewCell::detailTextColor());
  EXPECT_EQ(value1->detailTextLabel()->font()->pointSize(), 13);
}

}  // namespace
