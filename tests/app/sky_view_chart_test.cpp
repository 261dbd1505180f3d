// The sky view's chart as the application sets it up, on the built bundle's
// catalogues and pictures: deep-sky photographs stay off, the realistic
// horizon shows its photograph, and the frame's labels stand by their own
// objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "chart/deep_sky_images.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "skydata/object_types.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "tests/app/app_session.h"
#include "tests/support/requirements.h"

namespace {

namespace fs = std::filesystem;
using app_test::AppSession;

// 2023 December 19, 22:00 UTC, from Vienna: Orion stands 35 degrees up in
// the south-east, Gemini rising in the east, the Sun far below. Six hours
// on, Gemini stands high in the west, Pollux to the right of Castor.
constexpr double kOrionNight = 1703023200.0;
constexpr double kGeminiInTheWest = 1703044800.0;
constexpr double kViennaLatitude = 48.21, kViennaLongitude = 16.37;

std::string builtBundle() {
  const char* bundle = std::getenv("TESSALY_APP_BUNDLE");
  return bundle != nullptr ? bundle : "";
}

bool builtBundleReady() {
  const std::string bundle = builtBundle();
  return !bundle.empty() && fs::exists(bundle + "/SkyData/Stars.skydata") &&
         fs::exists(bundle + "/SkyImages/DeepSky/Index.txt");
}

// A session whose bundle holds the built catalogues and sky pictures, at
// Vienna on an Orion night, in the sky view.
struct SkyViewSession {
  explicit SkyViewSession(double wallTime = kOrionNight) : session(options(wallTime)) {
    for (const char* folder : {"SkyData", "SkyImages", "WorldBorders"})
      fs::create_directory_symlink(builtBundle() + "/" + folder, fs::path(session.bundle()) / folder);
    session.launch();
    session.run(0.5);
    Settings& s = *session.screen().settings();
    s.setLatitude(kViennaLatitude);
    s.setLongitude(kViennaLongitude);
    s.setAltitude(0);
  }
  static app_test::SessionOptions options(double wallTime) {
    app_test::SessionOptions o;
    o.catalogues = false;
    o.launch = false;
    o.wallTime = wallTime;
    return o;
  }
  // The sky view as the chart screen shows it after the user's changes to
  // its settings: the screen switches the settings' perspective, the view
  // applies them to the chart.
  void applySkyView() {
    session.screen().setChartPerspective(kSkyPerspective);
    session.chartView().setChartPerspective(kSkyPerspective);
  }
  // The sky view at a field (degrees) centred on an object of a file,
  // with star names on.
  SkyObjectID showSky(const char* name, int file, double fieldDegrees) {
    session.screen().setChartPerspective(kSkyPerspective);
    session.screen().settings()->setDisplayFOV(fieldDegrees);
    session.screen().settings()->setShowStarNames(true);
    applySkyView();
    std::vector<SkyObjectID> found;
    EXPECT_GT(session.chart().database->findObjectsByName(name, file, found, 1), 0) << name;
    if (found.empty()) return {};
    session.screen().centerObject(found[0], false);
    return found[0];
  }
  std::shared_ptr<cg::Image> frame() {
    session.chartView().drawImmediately();
    return session.chartView().snapshotOfSkyChart();
  }
  AppSession session;
};

#define REQUIRE_BUILT_BUNDLE()                                                  \
  do {                                                                          \
    if (!builtBundleReady()) TESSALY_SKIP_OR_FAIL("the built bundle is missing"); \
  } while (false)

// Median brightness (0 to 255, the three channels averaged) of a square of
// the frame round its centre: the sky behind the sparse stars, lines and
// labels.
double centreBrightness(const cg::Image& image, std::size_t half) {
  const std::size_t cx = image.width() / 2, cy = image.height() / 2;
  std::vector<double> levels;
  for (std::size_t y = cy - half; y < cy + half; ++y)
    for (std::size_t x = cx - half; x < cx + half; ++x) {
      const std::uint32_t argb = image.row(y)[x];
      levels.push_back(((argb >> 16 & 0xFF) + (argb >> 8 & 0xFF) + (argb & 0xFF)) / 3.0);
    }
  std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
  return levels[levels.size() / 2];
}

bool anyDeepSkyPictureLoaded(CSkyChart& chart) {
  for (DeepSkyImage& image : chart.deepSkyImages->images)
    if (CSkyChart::isTextureLoaded(&image.texture)) return true;
  return false;
}

TEST(SkyViewPictures, DeepSkyPhotographsStayOffAsTheSkyViewAsks) {
  REQUIRE_BUILT_BUNDLE();
  SkyViewSession sky;
  sky.showSky("Orion Nebula", kDeepSkyFile, 3.0);
  CSkyChart& chart = sky.session.chart();
  ASSERT_FALSE(chart.showDeepSkyImages) << "the sky view turns the photographs off";
  ASSERT_NE(chart.deepSkyImages, nullptr);
  ASSERT_FALSE(chart.deepSkyImages->images.empty()) << "and loads their index";
  auto off = sky.frame();
  ASSERT_NE(off, nullptr);
  ASSERT_LE(chart.skyBrightness, 0.5f) << "a dark sky, where photographs would show";
  EXPECT_FALSE(anyDeepSkyPictureLoaded(chart));
  // The same frame with the photographs on shows the nebula's light over
  // the centre: what the sky view must not draw.
  chart.showDeepSkyImages = true;
  auto on = sky.frame();
  EXPECT_TRUE(anyDeepSkyPictureLoaded(chart));
  const double dark = centreBrightness(*off, 60), lit = centreBrightness(*on, 60);
  EXPECT_GT(lit, dark + 30) << "the photograph shows when asked for";
  EXPECT_LT(dark, 10) << "no photograph covers the sword with the photographs off";
}

TEST(SkyViewPictures, TheRealisticHorizonsPictureIsInTheBundleAndShowsBelowTheHorizon) {
  REQUIRE_BUILT_BUNDLE();
  SkyViewSession sky;
  sky.session.screen().setChartPerspective(kSkyPerspective);
  Settings& s = *sky.session.screen().settings();
  s.setRealisticHorizon(true);
  s.setDisplayCenterLat(0);
  s.setDisplayFOV(90);
  sky.applySkyView();
  CSkyChart& chart = sky.session.chart();
  // Panned by hand to the southern horizon, away from the selected Sun.
  chart.setManualPanFlag(true);
  sky.session.screen().setDisplayCenter(kPi, 0);
  ASSERT_EQ(chart.horizonStyle, 4);
  // The name is the application's own, read from the chart it set up.
  const std::string name = chart.horizonTexture;
  ASSERT_FALSE(name.empty());
  EXPECT_TRUE(fs::is_regular_file(builtBundle() + "/SkyImages/Horizons/" + name)) << name;
  auto frame = sky.frame();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(CSkyChart::isTextureLoaded(&chart.horizonPanorama)) << name;
  // Below the horizon the photograph has many shades; the plain ground it
  // falls back to has one.
  std::vector<std::uint32_t> shades;
  for (std::size_t y = frame->height() * 3 / 4; y < frame->height(); y += 3)
    for (std::size_t x = 0; x < frame->width(); x += 3) shades.push_back(frame->row(y)[x] & 0xFFFFFF);
  std::sort(shades.begin(), shades.end());
  const auto distinct = std::unique(shades.begin(), shades.end()) - shades.begin();
  EXPECT_GT(distinct, 50);
}

// ---- Labels ----

// The frame's label rectangles (from the chart's record of them) and the
// screen places of named objects, to read which label stands where.
struct LabelledFrame {
  explicit LabelledFrame(CSkyChart& chart) : chart(chart) {}
  // The recorded rectangle of a star label with this text: the one whose
  // size is the text's at the star label height.
  const LabelPosition* rectOf(const char* text) {
    chart.setTextHeight(chart.starLabelTextHeight);
    const float half = chart.getTextWidth(text, 0) / 2;
    for (int i = 0; i < chart.labelRectCount; ++i)
      if (std::fabs(chart.labelRects[i].halfWidth - half) < 0.01f &&
          std::fabs(chart.labelRects[i].halfHeight - chart.textHeight / 2) < 0.01f)
        return &chart.labelRects[i];
    return nullptr;
  }
  bool place(const char* name, int file, double* x, double* y) {
    std::vector<SkyObjectID> found;
    if (chart.database->findObjectsByName(name, file, found, 1) < 1) return false;
    CSkyObject* object = chart.database->getObject(&found[0]);
    if (object == nullptr) return false;
    double v[3];
    object->getPosition(v);
    const bool shown = chart.vectorToScreen(v, x, y);
    if (!object->isOwnedByRegion()) delete object;
    return shown;
  }
  CSkyChart& chart;
};

// Distance (pixels) from a label rectangle to a point.
double distance(const LabelPosition& r, double x, double y) {
  return std::hypot(std::max(std::fabs(x - r.x) - r.halfWidth, 0.0),
                    std::max(std::fabs(y - r.y) - r.halfHeight, 0.0));
}

TEST(SkyViewLabels, CastorAndPolluxEachKeepTheirOwnLabelBesideThem) {
  REQUIRE_BUILT_BUNDLE();
  // Gemini in the west at a 40-degree field round Alhena: Pollux's label
  // was pushed on to Castor, so the two read swapped.
  SkyViewSession sky(kGeminiInTheWest);
  sky.showSky("Alhena", kStarsFile, 40.0);
  ASSERT_NE(sky.frame(), nullptr);
  LabelledFrame frame(sky.session.chart());
  double cx, cy, px, py;
  ASSERT_TRUE(frame.place("Castor", kStarsFile, &cx, &cy));
  ASSERT_TRUE(frame.place("Pollux", kStarsFile, &px, &py));
  const LabelPosition* castor = frame.rectOf("Castor");
  const LabelPosition* pollux = frame.rectOf("Pollux");
  ASSERT_NE(castor, nullptr);
  ASSERT_NE(pollux, nullptr);
  EXPECT_LT(distance(*castor, cx, cy), distance(*castor, px, py));
  EXPECT_LT(distance(*pollux, px, py), distance(*pollux, cx, cy));
  EXPECT_GT(distance(*pollux, cx, cy), 4.0) << "Pollux's label covers Castor";
}

// Pixels by which the discs of two bright stars may differ in radius.
constexpr double kDiscDifference = 3.0;

TEST(SkyViewLabels, EveryStarLabelIsWholeInsideTheViewAndNearestItsOwnStar) {
  REQUIRE_BUILT_BUNDLE();
  SkyViewSession sky(kGeminiInTheWest);
  sky.showSky("Alhena", kStarsFile, 60.0);
  ASSERT_NE(sky.frame(), nullptr);
  CSkyChart& chart = sky.session.chart();
  LabelledFrame frame(chart);
  // Bright named stars of the field and their labels (Alhena, selected,
  // has its marker's label instead).
  const char* const names[] = {"Castor",  "Pollux",   "Procyon",    "Betelgeuse", "Bellatrix",
                               "Capella", "Aldebaran", "Menkalinan", "Elnath",     "Mintaka",
                               "Alnilam", "Alnitak",  "Rigel",      "Sirius"};
  int checked = 0;
  for (const char* name : names) {
    double x, y;
    const LabelPosition* r = frame.rectOf(name);
    if (r == nullptr || !frame.place(name, kStarsFile, &x, &y)) continue;
    ++checked;
    SCOPED_TRACE(name);
    EXPECT_GE(r->x - r->halfWidth, chart.getViewportLeft());
    EXPECT_LE(r->x + r->halfWidth, chart.getViewportRight());
    EXPECT_GE(r->y - r->halfHeight, chart.getViewportTop());
    EXPECT_LE(r->y + r->halfHeight, chart.getViewportBottom());
    for (const char* other : names) {
      double ox, oy;
      if (other == name || !frame.place(other, kStarsFile, &ox, &oy)) continue;
      // Measured between centres: the brighter star's larger disc may
      // stand up to a few pixels nearer its label.
      EXPECT_LE(distance(*r, x, y), distance(*r, ox, oy) + kDiscDifference) << "nearer " << other;
    }
  }
  EXPECT_GE(checked, 8);
}

}  // namespace
