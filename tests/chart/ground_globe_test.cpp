// The ground view's Earth on the built bundle through the GL layer, with the
// chart set up as the ground perspective sets it up: the map fills the view
// at any field, lies where the Earth's turn puts it and is lit on the Sun's
// side. The Sun comes from ERFA (eraEpv00, eraPnm06a, eraGst06a), the map's
// texels from the bundle's map file decoded with libjpeg, and the coast
// from its published coordinates.
#include <erfa.h>
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chart/planet_textures.h"
#include "chart/sky_chart.h"
#include "skydata/sky_database.h"
#include "tests/chart/bundle_sky.h"
#include "tests/chart/chart_canvas.h"
#include "tests/support/requirements.h"
#include "tests/tools/built_bundle.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180;
constexpr int kWidth = 1024, kHeight = 512;
// 2018 January 15 09:36 UT, half a day past the epoch of the bundle's
// elements: the Sun over the Mozambique Channel.
constexpr double kJulianDate = 2458133.9, kTTMinusUTSeconds = 69.184;
constexpr double kLongitude = 16.22 * kDegree, kLatitude = 48.49 * kDegree, kHeightMetres = 265;

// An RGB map read row by row, top row (latitude 90) first.
struct Map {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  // The texel at a longitude and latitude.
  const unsigned char* texel(double lon, double lat) const {
    int x = static_cast<int>(std::floor((eraAnpm(lon) + kPi) / (2 * kPi) * width)) % width;
    int y = std::min(height - 1, std::max(0, static_cast<int>((kPi / 2 - lat) / kPi * height)));
    return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
  }
  // Its grey level (0-255).
  double luminance(double lon, double lat) const {
    const unsigned char* p = texel(lon, lat);
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
  }
};

bool readJpeg(const std::string& path, Map* map) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  map->width = static_cast<int>(info.output_width);
  map->height = static_cast<int>(info.output_height);
  map->rgb.resize(static_cast<std::size_t>(map->width) * map->height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &map->rgb[static_cast<std::size_t>(info.output_scanline) * map->width * 3];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return map->width > 0;
}

// Geographic longitude and latitude of the point under the Sun, and
// Greenwich apparent sidereal time, by ERFA.
struct SunOverEarth {
  double lon, lat, siderealTime;
};
SunOverEarth subSolarPoint(double jdUT) {
  const double tt = jdUT - 2400000.5 + kTTMinusUTSeconds / 86400;
  double heliocentric[2][3], barycentric[2][3], npb[3][3], sun[3], ofDate[3];
  eraEpv00(2400000.5, tt, heliocentric, barycentric);
  eraSxp(-1, heliocentric[0], sun);
  eraPnm06a(2400000.5, tt, npb);
  eraRxp(npb, sun, ofDate);
  SunOverEarth s;
  s.siderealTime = eraGst06a(2400000.5, jdUT - 2400000.5, 2400000.5, tt);
  double ra, dec;
  eraC2s(ofDate, &ra, &dec);
  s.lon = eraAnpm(ra - s.siderealTime);
  s.lat = dec;
  return s;
}

// The chart as the ground perspective leaves it with the settings'
// defaults (rotating Earth, selected satellite only, phases with city
// lights, no atmosphere, no cities), the station selected. Switching
// perspective keeps the moment.
void setUpAsGroundPerspective(CSkyChart& chart, chart_test::BundleSky& sky, double jd) {
  chart.earthView = true;
  chart.setColorFilter(0);
  chart.setDisplayFOV(kPi / 2);
  chart.setStarMagnitudeLimit(4.8f);
  chart.starScale = 0.75;
  chart.setJulianDate(jd);
  chart.setDisplayCoordSystem(1);
  chart.setDisplayFlippedHoriz(true);
  chart.setDisplayFlippedVert(false);
  chart.setDisplayProjection(4);
  chart.aberration = chart.properMotion = 0;
  chart.setDeltaT(1, 0.0);
  chart.lightTime = 0;
  chart.refraction = 1;
  chart.setEpoch(1, 1, 2451545.0);
  chart.showDaylight = false;
  chart.showHorizon = true;
  chart.setHorizonImage("");
  chart.horizonStyle = 2;
  chart.showPlanets = chart.showPlanetSurfaces = true;
  chart.showSelectedObjectOrbit = true;
  chart.showPlanetPhases = 1.0f;
  chart.showPlanetAtmospheres = false;
  chart.showPlanetSurfaceFeatures = false;
  chart.showSatellites = false;
  chart.setHomeObject(SkyObjectID{});
  chart.setCenterOnHome(false);
  chart.setHomePlanetPosition(0, 0, 0);
  chart.followHomePlanet = true;
  chart.setLocation(kLongitude, kLatitude, kHeightMetres);
  SkyObjectID iss{};
  EXPECT_TRUE(sky.find("ISS (ZARYA)", kSolarSystemFile, &iss));
  chart.selectObject(&iss);
}

class GroundGlobe : public testing::Test {
 protected:
  void SetUp() override {
    const std::string bundle = tessaly::test::builtBundlePath();
    if (!chart_test::BundleSky::available(bundle))
      TESSALY_SKIP_OR_FAIL("no built catalogues and pictures in " << bundle);
    if (!chart_test::backendAvailable(chart_test::Backend::gl)) GTEST_SKIP() << "no GL layer";
    const std::string mapFile = bundle + "/SkyImages/SolarSystem/p2048/Earth-Surface.jpg";
    if (!readJpeg(mapFile, &map_)) TESSALY_SKIP_OR_FAIL("the Earth's map is not in the bundle: " << mapFile);
    sky_ = std::make_unique<chart_test::BundleSky>(bundle);
    ASSERT_TRUE(sky_->loaded());
    chart_ = sky_->makeChart(kWidth, kHeight);
    canvas_ = chart_test::makeCanvas(chart_test::Backend::gl, *chart_, kWidth, kHeight);
    chart_->setLocation(kLongitude, kLatitude, kHeightMetres);
    sun_ = subSolarPoint(kJulianDate);
  }

  // The chart screen opens on the station in the orbit view, where the
  // globe is seen from outside.
  void drawOrbitView(double jd) {
    SkyObjectID iss{}, earth{};
    ASSERT_TRUE(sky_->find("ISS (ZARYA)", kSolarSystemFile, &iss));
    ASSERT_TRUE(sky_->find("Earth", kSolarSystemFile, &earth));
    chart_->setJulianDate(jd);
    chart_->selectObject(&iss);
    chart_->setHomeObject(earth);
    chart_->setDisplayCoordSystem(1);
    chart_->setHomePlanetPosition(0, 30 * kDegree, 0.0003);
    chart_->setCenterOnHome(true);
    chart_->setDisplayFOV(60 * kDegree);
    for (int pass = 0; pass < 2; ++pass) {
      chart_->drawSkyChart();
      planetTextureLoader().wait();
    }
  }

  // The field and the geographic longitude at the centre, on the equator;
  // then a frame that asks for the map, and the frame drawn with it.
  void draw(double fovDegrees, double centreLon, const char* name) {
    fov_ = fovDegrees * kDegree;
    centreLon_ = centreLon;
    chart_->setDisplayFOV(fov_);
    chart_->setDisplayCenter(1, sun_.siderealTime + centreLon, 0, 0);
    for (int pass = 0; pass < 2; ++pass) {
      canvas_->clear();
      chart_->drawSkyChart();
      planetTextureLoader().wait();
    }
    canvas_->save(name);
    pixels_ = canvas_->colors();
  }

  // Where the map puts a place: east to the right, as on a map.
  bool screenPoint(double lon, double lat, int* x, int* y) const {
    const double perPixel = fov_ / kWidth;
    *x = static_cast<int>(std::floor(kWidth / 2.0 + eraAnpm(lon - centreLon_) / perPixel));
    *y = static_cast<int>(std::floor(kHeight / 2.0 - lat / perPixel));
    return *x >= 0 && *y >= 0 && *x < kWidth && *y < kHeight;
  }
  const unsigned char* pixel(int x, int y) const {
    return &pixels_[(static_cast<std::size_t>(y) * kWidth + x) * 4];
  }
  double luminance(int x, int y) const {
    const unsigned char* p = pixel(x, y);
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
  }
  // Mean grey level of the drawn places within `radius` of a place.
  double meanAround(double lon, double lat, double radius) const {
    double sum = 0;
    int n = 0;
    for (double dlat = -radius; dlat <= radius; dlat += 0.5 * kDegree)
      for (double dlon = -radius; dlon <= radius; dlon += 0.5 * kDegree) {
        int x, y;
        if (!screenPoint(lon + dlon / std::cos(lat), lat + dlat, &x, &y)) continue;
        sum += luminance(x, y);
        ++n;
      }
    return n > 0 ? sum / n : -1;
  }
  // The Sun's altitude over a place.
  double sunAltitude(double lon, double lat) const {
    double place[3], under[3];
    eraS2c(lon, lat, place);
    eraS2c(sun_.lon, sun_.lat, under);
    return kPi / 2 - eraSepp(place, under);
  }
  // Correlation between the drawn grey levels and the map's at the places
  // of the view under a high Sun, with the map moved by an offset.
  double correlationWithMap(double dlon, double dlat, int* samples) const {
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    int n = 0;
    for (double lat = -60 * kDegree; lat <= 60 * kDegree; lat += 0.5 * kDegree)
      for (double lon = -kPi; lon < kPi; lon += 0.5 * kDegree) {
        int x, y;
        if (sunAltitude(lon, lat) < 35 * kDegree || !screenPoint(lon, lat, &x, &y)) continue;
        const double drawn = luminance(x, y), texel = map_.luminance(lon + dlon, lat + dlat);
        sx += drawn, sy += texel, sxx += drawn * drawn, syy += texel * texel, sxy += drawn * texel;
        ++n;
      }
    *samples = n;
    const double cov = sxy / n - sx / n * sy / n;
    return cov / std::sqrt((sxx / n - sx / n * sx / n) * (syy / n - sy / n * sy / n));
  }
  // The map, placed right, matches the drawing best: moved by a degree or
  // more any way it matches worse.
  void expectTheMapInPlace() {
    int samples = 0;
    const double inPlace = correlationWithMap(0, 0, &samples);
    EXPECT_GT(samples, 2000);
    EXPECT_GT(inPlace, 0.8);
    for (double offset : {-3.0, -1.0, 1.0, 3.0}) {
      int n;
      EXPECT_LT(correlationWithMap(offset * kDegree, 0, &n), inPlace - 0.02) << "east by " << offset;
      EXPECT_LT(correlationWithMap(0, offset * kDegree, &n), inPlace - 0.02) << "north by " << offset;
    }
    std::printf("drawing against the map: correlation %.3f over %d places\n", inPlace, samples);
  }

  Map map_;
  SunOverEarth sun_{};
  double fov_ = 0, centreLon_ = 0;
  std::vector<std::uint8_t> pixels_;
  std::unique_ptr<chart_test::BundleSky> sky_;
  std::unique_ptr<CSkyChart> chart_;
  std::unique_ptr<chart_test::ChartCanvas> canvas_;
};

TEST_F(GroundGlobe, FullyZoomedOutTheWholeMapIsLitOnTheSunsSide) {
  drawOrbitView(kJulianDate);
  setUpAsGroundPerspective(*chart_, *sky_, kJulianDate);
  draw(360, 0, "ground_globe_world");
  expectTheMapInPlace();
  // Day under the Sun, night (city lights and black) on the far side.
  const double day = meanAround(sun_.lon, sun_.lat, 10 * kDegree);
  const double night = meanAround(sun_.lon + kPi, -sun_.lat, 10 * kDegree);
  std::printf("sub-solar %.1f %.1f: grey %.1f, antisolar %.1f\n", sun_.lon / kDegree, sun_.lat / kDegree, day, night);
  EXPECT_GT(day, 25);
  EXPECT_LT(night, day / 4);
  // The Cape of Good Hope (18.47 E, 34.36 S) under the morning Sun: the
  // Atlantic west of it blue, the Karoo north-east of it not.
  int x, y;
  ASSERT_TRUE(screenPoint(15.5 * kDegree, -34.4 * kDegree, &x, &y));
  const unsigned char* sea = pixel(x, y);
  EXPECT_GT(sea[2], sea[0] + 10) << "sea " << int(sea[0]) << "," << int(sea[1]) << "," << int(sea[2]);
  ASSERT_TRUE(screenPoint(21.5 * kDegree, -31.4 * kDegree, &x, &y));
  const unsigned char* land = pixel(x, y);
  EXPECT_GT(land[0], land[2]) << "land " << int(land[0]) << "," << int(land[1]) << "," << int(land[2]);
  // The polar bands close the map at both poles: Antarctica's summer ice.
  ASSERT_TRUE(screenPoint(sun_.lon, -88 * kDegree, &x, &y));
  EXPECT_GT(luminance(x, y), 100);
}

TEST_F(GroundGlobe, AtTheDefaultFieldTheMapFillsTheViewAndFollowsTheTime) {
  // Over the South Atlantic and southern Africa, drawn six hours earlier
  // (night there) and then as time runs on to the morning.
  drawOrbitView(kJulianDate - 0.25);
  setUpAsGroundPerspective(*chart_, *sky_, kJulianDate - 0.25);
  draw(90, 5 * kDegree, "ground_globe_default_earlier");
  chart_->setJulianDate(kJulianDate);
  draw(90, 5 * kDegree, "ground_globe_default");
  expectTheMapInPlace();
  // No hole: no place of the view under a Sun above 20 degrees is black
  // where the map is not (a lake may be).
  int dark = 0, lit = 0;
  for (int y = 0; y < kHeight; y += 4)
    for (int x = 0; x < kWidth; x += 4) {
      const double lat = (kHeight / 2.0 - y - 0.5) * fov_ / kWidth;
      const double lon = centreLon_ + (x + 0.5 - kWidth / 2.0) * fov_ / kWidth;
      if (sunAltitude(lon, lat) < 20 * kDegree) continue;
      ++lit;
      const unsigned char* p = pixel(x, y);
      const unsigned char* t = map_.texel(lon, lat);
      dark += std::max({p[0], p[1], p[2]}) < 16 && std::max({t[0], t[1], t[2]}) > 32;
    }
  EXPECT_GT(lit, 5000);
  EXPECT_EQ(dark, 0);
}

}  // namespace
