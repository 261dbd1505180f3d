// Textured globes through the GL layer on the software GPU: the first map
// read at once and a better one decoded behind it, map tiles only where the
// globe shows them, the Earth's city lights on its night side only, and a
// satellite's 3-D model drawn where the satellite stands, at the angular
// size its distance gives; and the rings of Saturn and Uranus, with
// Saturn's shadow on them, against their planes about the IAU poles.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "chart/planet_textures.h"
#include "chart/sky_chart.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "tests/chart/bmp_writer.h"
#include "tests/chart/chart_canvas.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using chart_test::PixelColor;
using chart_test::writeBmp;

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kPi = 3.141592653589793;
constexpr int kSize = 256;

// The colour of each 4096-pixel map tile (row r, column c): tile 4 r + c.
PixelColor tileColor(int tile) {
  return {static_cast<std::uint8_t>(40 + 25 * tile), static_cast<std::uint8_t>(230 - 20 * tile), 128};
}

class SolarGlobe : public testing::Test {
 protected:
  SolarGlobe() : world_(mechanics_test::standardExtraBodies(), satellites()) {
    EXPECT_TRUE(world_.loaded());
    namespace fs = std::filesystem;
    fs::path solar = folder_.path() / "SolarSystem";
    for (const char* level : {"p64", "p128", "p256", "p4096/Earth"}) fs::create_directories(solar / level);
    std::string index;
    auto map = [&](const std::string& name, int width, PixelColor color) {
      writeBmp((solar / name).string(), width, width / 2, color);
      index += name + "\t-\n";
    };
    // The Moon: green at 128 pixels, blue at 256. The Earth: a dark ocean
    // by day, yellow lights by night, and eight tiles at 4096.
    map("p128/Moon.jpg", 128, {0, 200, 0});
    map("p256/Moon.jpg", 256, {0, 0, 200});
    map("p64/Earth.jpg", 64, {0, 0, 90});
    map("p64/Earth-Night.jpg", 64, {255, 255, 0});
    for (int tile = 0; tile < 8; ++tile) {
      std::string name = "p4096/Earth/Earth-" + std::to_string(tile) + ".jpg";
      writeBmp((solar / name).string(), 32, 32, tileColor(tile));
      index += name + "\n";
    }
    std::ofstream(solar / "Index.txt") << index;
    unloadImageIndex();
    EXPECT_GT(loadImageIndex((solar / "Index.txt").string().c_str()), 0);
    chart_ = std::make_unique<CSkyChart>(&world_.database(), folder_.path().string().c_str());
    chart_->setViewport(0, 0, kSize, kSize);
    chart_->setDisplayProjection(1);
    chart_->showSatellites = true;
  }

  ~SolarGlobe() override {
    planetTextureLoader().wait();
    unloadImageIndex();
  }

  static std::vector<mechanics_test::SatelliteRecord> satellites() {
    mechanics_test::SatelliteRecord iss{
        mechanics_test::elementsFromLines(mechanics_test::kIssLines[0], mechanics_test::kIssLines[1]),
        INFINITY, {}};
    return {iss};
  }

  // The ISS with `obj` as its model, placed at the test's instant, in the
  // sky view's projection with nothing else drawn and no marker round it.
  CPlanet* issModelInTheSkyView(const std::string& obj) {
    std::filesystem::path models = folder_.path() / "Models" / "ISS";
    std::filesystem::create_directories(models);
    std::ofstream(models / "ISS.obj") << obj;
    chart_->setDisplayProjection(3);
    chart_->showPlanets = chart_->showAsteroids = chart_->showComets = chart_->showSatellites = false;
    chart_->showSelectionMarker = false;
    chart_->showPlanetPhases = 0;
    chart_->setJulianDate(2454730.0);
    CPlanet* iss = world_.body(kTypeSatellite, 25544);
    chart_->updatePlanetPosition(iss);
    return iss;
  }

  // Draws the layer centred on the body with the given field (degrees)
  // into the test's one GL canvas (its textures live in its context).
  chart_test::ChartCanvas& draw(CPlanet* body, double fov, const char* name) {
    if (!canvas_) canvas_ = chart_test::makeCanvas(chart_test::Backend::gl, *chart_, kSize, kSize);
    canvas_->clear();
    chart_->setDisplayFOV(fov * kRadiansPerDegree);
    SkyObjectID id = world_.reference(body);
    chart_->selectObject(&id);
    chart_->centerOnObjectID(&id);
    chart_->updateDisplayMatrix();
    chart_->updateNeeded = true;
    chart_->clearLabelRects();
    chart_->drawSolarSystemObjects();
    canvas_->save(name);
    return *canvas_;
  }

  static PixelColor pixel(chart_test::ChartCanvas& canvas, double x, double y) {
    std::vector<std::uint8_t> rgba = canvas.colors();
    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kSize + static_cast<std::size_t>(x)) * 4];
    return {p[0], p[1], p[2]};
  }

  // The body's held maps by file name.
  static std::vector<std::string> heldMaps(CPlanet* body) {
    std::vector<std::string> names;
    if (const ObjectRenderData* data = CSkyChart::getRenderData(body))
      for (const TextureTile& tile : data->tiles)
        if (tile.name[0] != 0 && CSkyChart::isTextureLoaded(&tile.texture)) names.emplace_back(tile.name);
    return names;
  }

  tessaly::test::TempDir folder_;
  mechanics_test::SolarSystemWorld world_;
  std::unique_ptr<CSkyChart> chart_;
  std::unique_ptr<chart_test::ChartCanvas> canvas_;
};

#define REQUIRE_GL()                                                        \
  if (!chart_test::backendAvailable(chart_test::Backend::gl)) GTEST_SKIP() \
      << "no GL layer in this tree"

TEST_F(SolarGlobe, TheFirstMapIsReadAtOnceAndABetterOneArrivesFromTheLoader) {
  REQUIRE_GL();
  chart_->setJulianDate(2451594.1854);  // full Moon
  chart_->showPlanetPhases = 0;
  CPlanet* moon = world_.body(kTypeMoon, 301);
  // About 100 pixels resolve the Moon at 2 degrees: the 128-pixel map.
  PixelColor first = pixel(draw(moon, 2, "globe_moon_128"), kSize / 2, kSize / 2);
  EXPECT_EQ(heldMaps(moon), std::vector<std::string>{"p128/Moon.jpg"});
  EXPECT_GT(first[1], 150);
  EXPECT_LT(first[2], 50);
  // Closer, the screen resolves 256: the held map stays while the loader
  // decodes the better one...
  PixelColor meanwhile = pixel(draw(moon, 1, "globe_moon_waiting"), kSize / 2, kSize / 2);
  EXPECT_GT(meanwhile[1], 150);
  planetTextureLoader().wait();
  // ...which a later frame uploads and draws.
  PixelColor better = pixel(draw(moon, 1, "globe_moon_256"), kSize / 2, kSize / 2);
  EXPECT_GT(better[2], 150);
  EXPECT_LT(better[1], 50);
  std::vector<std::string> held = heldMaps(moon);
  EXPECT_NE(std::find(held.begin(), held.end(), "p256/Moon.jpg"), held.end());
}

TEST_F(SolarGlobe, TilesAreHeldOnlyWhereTheGlobeShowsThem) {
  REQUIRE_GL();
  chart_->setJulianDate(2451545.0);
  chart_->showPlanetPhases = 0;
  // From geostationary height over 30 E, 20 N, a 4-degree field resolves
  // the 4096-pixel tiles.
  chart_->setLocation(30 * kRadiansPerDegree, 20 * kRadiansPerDegree, 35786000);
  CPlanet* earth = world_.body(kTypePlanet, 3);
  // Tiles have no stand-in: the loader brings one a frame.
  for (int frame = 0; frame < 10; ++frame) {
    draw(earth, 4, "globe_earth_tiles");
    planetTextureLoader().wait();
  }
  auto& canvas = draw(earth, 4, "globe_earth_tiles");
  std::vector<std::string> held = heldMaps(earth);
  int tiles = 0;
  for (const std::string& name : held) tiles += name.rfind("p4096/", 0) == 0;
  // The far half of the globe (four of the eight tiles at least) holds none.
  EXPECT_GE(tiles, 1);
  EXPECT_LE(tiles, 4);
  // The tile under the centre, by where the centre's ray meets the Earth.
  double centre[3], lon = 0, lat = 0;
  ASSERT_TRUE(chart_->screenToVector(centre, kSize / 2.0, kSize / 2.0));
  ASSERT_TRUE(chart_->rayHitBodyLonLat(earth, centre, &lon, &lat));
  int column = static_cast<int>((lon + kPi) / (2 * kPi) * 4) % 4;
  int row = lat > 0 ? 0 : 1;
  PixelColor expected = tileColor(4 * row + column), seen = pixel(canvas, kSize / 2, kSize / 2);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(seen[k], expected[k], 3) << "channel " << k;
}

TEST_F(SolarGlobe, MapsTheIndexDoesNotListAreNeverRead) {
  CPlanet* earth = world_.body(kTypePlanet, 3);
  CPlanet* moon = world_.body(kTypeMoon, 301);
  ASSERT_NE(chart_->attachRenderData(earth), nullptr);
  ASSERT_NE(chart_->attachRenderData(moon), nullptr);
  // No night tiles are indexed (nor the Moon at 512): nothing is read at
  // once and no load starts, frame after frame.
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_EQ(chart_->requestPlanetTexture(earth, 4096, true, 0, 1, true), nullptr);
    EXPECT_EQ(chart_->requestPlanetTexture(moon, 512, false, 0, 0, false), nullptr);
    EXPECT_FALSE(planetTextureLoader().isRunning());
  }
  EXPECT_TRUE(heldMaps(earth).empty());
  EXPECT_TRUE(heldMaps(moon).empty());
}

TEST_F(SolarGlobe, ANewImageFolderDropsTheMapsHeldAndReadsItsOwn) {
  REQUIRE_GL();
  chart_->setJulianDate(2451594.1854);  // full Moon
  chart_->showPlanetPhases = 0;
  CPlanet* moon = world_.body(kTypeMoon, 301);
  EXPECT_GT(pixel(draw(moon, 2, "globe_moon_first_folder"), kSize / 2, kSize / 2)[1], 150);
  planetTextureLoader().wait();
  ASSERT_FALSE(heldMaps(moon).empty());
  // The same names, red, in another folder.
  tessaly::test::TempDir other;
  std::filesystem::create_directories(other.path() / "SolarSystem" / "p128");
  writeBmp((other.path() / "SolarSystem" / "p128" / "Moon.jpg").string(), 128, 64, {200, 0, 0});
  chart_->setImageDirectory(other.path().string().c_str());
  EXPECT_EQ(CSkyChart::getRenderData(moon), nullptr);
  PixelColor red = pixel(draw(moon, 2, "globe_moon_second_folder"), kSize / 2, kSize / 2);
  EXPECT_GT(red[0], 150);
  EXPECT_LT(red[1], 50);
}

TEST_F(SolarGlobe, CityLightsShineOnTheNightSideOnly) {
  REQUIRE_GL();
  chart_->setJulianDate(2451545.0);
  chart_->showPlanetPhases = 1;
  chart_->earthStyle = 1;
  // Over 90 E at noon UT the terminator crosses the middle of the disc.
  chart_->setLocation(90 * kRadiansPerDegree, 0, 35786000);
  CPlanet* earth = world_.body(kTypePlanet, 3);
  auto& canvas = draw(earth, 24, "globe_earth_lights");
  // Screen direction towards the Sun from the Earth's centre.
  double b[3], s[3], x0, y0, x1, y1;
  earth->getPosition(b);
  world_.body(kTypePlanet, 0)->getPosition(s);
  double along = vectorDot(s, b), towards[3];
  for (int k = 0; k < 3; ++k) towards[k] = b[k] + 0.01 * (s[k] - along * b[k]);
  ASSERT_TRUE(chart_->vectorToScreen(b, &x0, &y0));
  ASSERT_TRUE(chart_->vectorToScreen(towards, &x1, &y1));
  double n = std::hypot(x1 - x0, y1 - y0), ux = (x1 - x0) / n, uy = (y1 - y0) / n;
  double r = chart_->radiusForAngle(earth->getAngularRadius());
  PixelColor day = pixel(canvas, x0 + 0.7 * r * ux, y0 + 0.7 * r * uy);
  PixelColor night = pixel(canvas, x0 - 0.7 * r * ux, y0 - 0.7 * r * uy);
  EXPECT_GT(day[2], 40) << "the ocean by day";
  EXPECT_LT(day[0], 40) << "no lights by day";
  EXPECT_GT(night[0], 150) << "lights at night";
  EXPECT_LT(night[2], 40);
}

TEST_F(SolarGlobe, TheEarthsAirGlowsAtItsLimbAndTheSunHasItsGlare) {
  REQUIRE_GL();
  chart_->setJulianDate(2451545.0);
  chart_->setLocation(90 * kRadiansPerDegree, 0, 35786000);
  CPlanet* earth = world_.body(kTypePlanet, 3);
  auto& canvas = draw(earth, 24, "globe_earth_halo");
  double b[3], x0 = 0, y0 = 0;
  earth->getPosition(b);
  ASSERT_TRUE(chart_->vectorToScreen(b, &x0, &y0));
  double r = chart_->radiusForAngle(earth->getAngularRadius());
  // Just past the limb (the rim reaches 3% of the radius) and well past it,
  // along the screen's diagonal.
  auto level = [&](double k) {
    PixelColor c = pixel(canvas, x0 + k * r * 0.7071, y0 + k * r * 0.7071);
    return std::max({c[0], c[1], c[2]});
  };
  EXPECT_GT(level(1.01), 10);
  EXPECT_EQ(level(1.2), 0);
  // The Sun: its disc, and its glare around it.
  CPlanet* sun = world_.body(kTypePlanet, 0);
  chart_->setLocation(0, 0, 0);
  auto& sky = draw(sun, 20, "globe_sun_glare");
  double sr = chart_->radiusForAngle(sun->getAngularRadius());
  PixelColor disc = pixel(sky, kSize / 2, kSize / 2 + 0.5 * sr);
  PixelColor nearer = pixel(sky, kSize / 2, kSize / 2 + sr + 20);
  PixelColor farther = pixel(sky, kSize / 2, kSize / 2 + sr + 40);
  EXPECT_GT(disc[0], 200);
  EXPECT_GT(farther[0], 10) << "the glare reaches out";
  EXPECT_GT(nearer[0], farther[0]) << "and fades";
}

TEST_F(SolarGlobe, ASatellitesModelStandsWhereTheSatelliteIs) {
  REQUIRE_GL();
  // A cube for the space station.
  std::filesystem::path models = folder_.path() / "Models" / "ISS";
  std::filesystem::create_directories(models);
  std::ofstream(models / "ISS.obj") << "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\n"
                                       "v -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
                                       "f 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
                                       "f 2 3 7\nf 2 7 6\nf 3 4 8\nf 3 8 7\nf 4 1 5\nf 4 5 8\n";
  chart_->setJulianDate(2454730.0);
  chart_->showPlanetPhases = 0;
  CPlanet* iss = world_.body(kTypeSatellite, 25544);
  // The station, 100 m across, some 40 pixels across on the screen.
  iss->setDiameter(0.1);
  chart_->updatePlanetPosition(iss);
  double kilometres = iss->getDistance() * 149597870.0;
  draw(iss, 6 * std::atan(0.1 / kilometres) / kRadiansPerDegree, "model_iss_centred");
  ASSERT_NE(chart_->getObjectModel(iss), nullptr);
  // The view turned away a quarter of the field to the upper left: the
  // model follows the satellite there.
  double place[3], lon = 0, lat = 0, x = 0, y = 0;
  iss->getPosition(place);
  vectorToSpherical(place, &lon, &lat, nullptr);
  double step = 1.5 * std::atan(0.1 / kilometres);
  chart_->CSkyProjection::setDisplayCenter(0, lon - step / std::cos(lat), lat - step, 0);
  chart_->updateDisplayMatrix();
  ASSERT_TRUE(chart_->vectorToScreen(place, &x, &y));
  ASSERT_GT(std::hypot(x - kSize / 2.0, y - kSize / 2.0), 30);
  canvas_->clear();
  chart_->drawSolarSystemObjects();
  canvas_->save("model_iss");
  chart_test::ChartCanvas& canvas = *canvas_;
  chart_test::Raster raster = canvas.raster();
  double sx = 0, sy = 0, ink = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      double a = raster.at(x, y) > 0.5 ? 1 : 0;
      sx += a * (x + 0.5), sy += a * (y + 0.5), ink += a;
    }
  ASSERT_GT(ink, 20);
  // A cube whose side is the diameter: a square of side 2r face on, a
  // hexagon of area 4 sqrt 3 r^2 seen along a diagonal; solid, its nearest
  // corner not clipped.
  EXPECT_NEAR(sx / ink, x, 1.5);
  EXPECT_NEAR(sy / ink, y, 1.5);
  double r = chart_->radiusForAngle(std::atan(0.05 / kilometres));
  EXPECT_GT(std::sqrt(ink), 1.95 * r);
  EXPECT_LT(std::sqrt(ink), 2.7 * r);
  EXPECT_GT(raster.at(static_cast<int>(x), static_cast<int>(y)), 0.5f);
}


// A UV sphere of radius 1 about the origin: its box's largest side is 2.
std::string sphereModel(int rings, int segments) {
  std::string obj;
  char line[96];
  for (int i = 1; i < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      double lat = kPi / 2 - kPi * i / rings, lon = 2 * kPi * j / segments;
      std::snprintf(line, sizeof line, "v %.9f %.9f %.9f\n", std::cos(lat) * std::cos(lon),
                    std::cos(lat) * std::sin(lon), std::sin(lat));
      obj += line;
    }
  int north = (rings - 1) * segments + 1, south = north + 1;
  obj += "v 0 0 1\nv 0 0 -1\n";
  auto at = [&](int i, int j) { return (i - 1) * segments + j % segments + 1; };
  for (int j = 0; j < segments; ++j) {
    std::snprintf(line, sizeof line, "f %d %d %d\n", north, at(1, j), at(1, j + 1));
    obj += line;
    std::snprintf(line, sizeof line, "f %d %d %d\n", south, at(rings - 1, j + 1), at(rings - 1, j));
    obj += line;
    for (int i = 1; i < rings - 1; ++i) {
      std::snprintf(line, sizeof line, "f %d %d %d %d\n", at(i, j), at(i + 1, j), at(i + 1, j + 1),
                    at(i, j + 1));
      obj += line;
    }
  }
  return obj;
}

TEST_F(SolarGlobe, AModelHasTheAngularSizeItsDistanceGives) {
  REQUIRE_GL();
  CPlanet* iss = issModelInTheSkyView(sphereModel(32, 64));
  // A body seen 12 degrees across: 2 atan(r / d).
  double kilometres = iss->getDistance() * 149597870.0;
  double angularSize = 12 * kRadiansPerDegree;
  iss->setDiameter(2 * kilometres * std::tan(angularSize / 2));
  const double fov = 90 * kRadiansPerDegree;
  // Stereographic, the shorter side spanning the field: a point at angle t
  // from the centre lies focal * tan(t / 2) out, and a circle stays a
  // circle, its diameter between the images of its nearest and farthest
  // points.
  const double focal = (kSize / 2.0) / std::tan(fov / 4);
  auto imageRadius = [&](double offCentre) {
    return focal * (std::tan((offCentre + angularSize / 2) / 2) - std::tan((offCentre - angularSize / 2) / 2)) / 2;
  };
  struct Ink {
    double x, y, radius;
  };
  auto measure = [&]() {
    chart_test::Raster raster = canvas_->raster();
    double sx = 0, sy = 0, ink = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        double a = raster.at(x, y) > 0.5 ? 1 : 0;
        sx += a * (x + 0.5), sy += a * (y + 0.5), ink += a;
      }
    return Ink{sx / ink, sy / ink, std::sqrt(ink / kPi)};
  };

  draw(iss, fov / kRadiansPerDegree, "model_sphere_centred");
  ASSERT_NE(chart_->getObjectModel(iss), nullptr);
  Ink centred = measure();
  EXPECT_NEAR(centred.x, kSize / 2.0, 0.5);
  EXPECT_NEAR(centred.y, kSize / 2.0, 0.5);
  EXPECT_NEAR(centred.radius, imageRadius(0), 0.025 * imageRadius(0));

  // Turned away 30 degrees: further out the projection stretches the body,
  // and the model with it, round the satellite's screen point.
  double place[3], lon = 0, lat = 0;
  iss->getPosition(place);
  vectorToSpherical(place, &lon, &lat, nullptr);
  chart_->CSkyProjection::setDisplayCenter(0, lon, lat - 30 * kRadiansPerDegree, 0);
  chart_->updateDisplayMatrix();
  double centre[3];
  chart_->getDisplayCenterVector(centre);
  double unit[3] = {place[0], place[1], place[2]};
  vectorNormalize(unit);
  double offCentre = std::acos(vectorDot(unit, centre));
  ASSERT_NEAR(offCentre, 30 * kRadiansPerDegree, 1e-9);
  canvas_->clear();
  chart_->drawSolarSystemObjects();
  canvas_->save("model_sphere_aside");
  Ink aside = measure();
  EXPECT_NEAR(std::hypot(aside.x - kSize / 2.0, aside.y - kSize / 2.0), focal * std::tan(offCentre / 2), 1.0);
  double x = 0, y = 0;
  ASSERT_TRUE(chart_->vectorToScreen(place, &x, &y));
  EXPECT_NEAR(aside.x, x, 1.0);
  EXPECT_NEAR(aside.y, y, 1.0);
  EXPECT_NEAR(aside.radius, imageRadius(offCentre), 0.025 * imageRadius(offCentre));
}

TEST_F(SolarGlobe, AModelIsTurnedOnTheScreenAsItsBodyIsInTheSky) {
  REQUIRE_GL();
  // A cube with a small one standing off it along the model's y axis.
  std::string obj;
  char line[96];
  for (auto [cx, cy, half] : {std::array<double, 3>{0, 0, 1}, std::array<double, 3>{0, 2.6, 0.25}}) {
    for (int k = 0; k < 8; ++k) {
      std::snprintf(line, sizeof line, "v %g %g %g\n", cx + (k & 1 ? half : -half), cy + (k & 2 ? half : -half),
                    k & 4 ? half : -half);
      obj += line;
    }
  }
  for (int base : {0, 8})
    for (const char* face : {"1 3 4 2", "5 6 8 7", "1 2 6 5", "3 7 8 4", "1 5 7 3", "2 4 8 6"}) {
      int a, b, c, d;
      std::sscanf(face, "%d %d %d %d", &a, &b, &c, &d);
      std::snprintf(line, sizeof line, "f %d %d %d %d\n", base + a, base + b, base + c, base + d);
      obj += line;
    }
  CPlanet* iss = issModelInTheSkyView(obj);
  double kilometres = iss->getDistance() * 149597870.0;
  // The model's box (3.85 units at its largest) is the body's diameter.
  const double diameter = 2 * kilometres * std::tan(4 * kRadiansPerDegree);
  iss->setDiameter(diameter);
  draw(iss, 30, "model_turned_centred");
  ASSERT_NE(chart_->getObjectModel(iss), nullptr);
  // Turned, mirrored and aside: wherever the small cube's centre stands in
  // the sky, the chart's projection of that direction is inked, and the
  // point opposite it about the large cube is not.
  double place[3], lon = 0, lat = 0;
  iss->getPosition(place);
  vectorNormalize(place);
  vectorToSpherical(place, &lon, &lat, nullptr);
  chart_->setDisplayFlippedHoriz(true);
  chart_->CSkyProjection::setDisplayCenter(0, lon + 0.1, lat - 0.12, 0.7);
  chart_->updateDisplayMatrix();
  canvas_->clear();
  chart_->drawSolarSystemObjects();
  canvas_->save("model_turned_aside");
  double axes[9];
  iss->getOrientationMatrix(axes);  // sky to body: its rows are the model's axes
  const double scale = diameter / 3.85 / 149597870.0;  // AU per model unit
  // The box's centre, where the body is, lies 0.925 units up the y axis
  // from the large cube's.
  double large[3], small[3];
  for (int k = 0; k < 3; ++k) {
    large[k] = place[k] * iss->getDistance() - 0.925 * scale * axes[3 + k];
    small[k] = place[k] * iss->getDistance() + (2.6 - 0.925) * scale * axes[3 + k];
  }
  vectorNormalize(large);
  vectorNormalize(small);
  double x = 0, y = 0, sx = 0, sy = 0;
  ASSERT_TRUE(chart_->vectorToScreen(large, &x, &y));
  ASSERT_TRUE(chart_->vectorToScreen(small, &sx, &sy));
  ASSERT_GT(std::hypot(sx - x, sy - y), 10) << "the small cube stands clear of the large one";
  chart_test::Raster raster = canvas_->raster();
  EXPECT_GT(raster.at(static_cast<int>(sx), static_cast<int>(sy)), 0.5f);
  EXPECT_LT(raster.at(static_cast<int>(2 * x - sx), static_cast<int>(2 * y - sy)), 0.5f);
  // The large cube outweighs the small one: the ink's centre lies by it,
  // not by its mirror image about the body.
  double cx = 0, cy = 0, ink = 0;
  for (int py = 0; py < kSize; ++py)
    for (int px = 0; px < kSize; ++px)
      if (raster.at(px, py) > 0.5f) cx += px + 0.5, cy += py + 0.5, ink += 1;
  ASSERT_GT(ink, 100);
  EXPECT_LT(std::hypot(cx / ink - x, cy / ink - y), 0.3 * std::hypot(sx - x, sy - y));
}

// ---- Rings ----

// A pole of the IAU working group's 2009 report (Archinal et al. 2011):
// right ascension and declination in degrees of the J2000 equator.
void iauPole(double raDegrees, double decDegrees, double n[3]) {
  sphericalToVector(n, raDegrees * kRadiansPerDegree, decDegrees * kRadiansPerDegree, 1);
}

// A ringed planet as the test sees it, from the definition of its ring
// plane (the equator, about the IAU pole): points of the plane and
// whether the planet's globe (a sphere of its equatorial radius) stands
// in the way of a sight line or of sunlight.
struct RingedPlanet {
  double centre[3];  // AU, from the observer
  double radius;     // AU
  double pole[3];

  // The unit vector of the ring plane nearest to v.
  void inPlane(const double v[3], double out[3]) const {
    double along = vectorDot(v, pole);
    for (int k = 0; k < 3; ++k) out[k] = v[k] - along * pole[k];
    vectorNormalize(out);
  }
  // The point `rho` radii out, `turn` radians from the in-plane unit axis
  // towards pole x axis; from the observer (AU), and from the centre.
  void point(const double axis[3], double rho, double turn, double out[3],
             double fromCentre[3] = nullptr) const {
    double across[3], offset[3];
    vectorCross(pole, axis, across);
    for (int k = 0; k < 3; ++k) {
      offset[k] = rho * radius * (std::cos(turn) * axis[k] + std::sin(turn) * across[k]);
      out[k] = centre[k] + offset[k];
    }
    if (fromCentre != nullptr) vectorCopy(fromCentre, offset);
  }
  // Nearest approach to the centre, in radii, of the sight line from the
  // observer to p (AU): under 1 when the globe hides p; of the whole line
  // through p when `beyond`, under 1 when p lies over the disc.
  double sightMiss(const double p[3], bool beyond = false) const {
    double t = vectorDot(centre, p) / vectorDot(p, p);
    if (!beyond) t = std::clamp(t, 0.0, 1.0);
    double gap[3];
    for (int k = 0; k < 3; ++k) gap[k] = t * p[k] - centre[k];
    return vectorLength(gap) / radius;
  }
  // Whether the globe shadows a point `offset` (AU) from the centre, the
  // sunlight running along the unit vector `away` (from the Sun).
  bool inShadow(const double offset[3], const double away[3]) const {
    double along = vectorDot(offset, away), gap[3];
    for (int k = 0; k < 3; ++k) gap[k] = offset[k] - along * away[k];
    return along > 0 && vectorLength(gap) < radius;
  }
};

bool ringColored(PixelColor c) { return c[0] > 200 && c[1] < 60 && c[2] > 200; }
// Saturn's yellow and Uranus' pale green, lit.
bool globeColored(PixelColor c) { return c[1] > 200 && c[2] < 160; }

class SolarRings : public SolarGlobe {
 protected:
  // Rings of one opaque colour, unlike any globe's; no map for the globe
  // (it is drawn flat in its own colour) and nothing else drawn.
  CPlanet* ringedPlanet(std::uint32_t number, const char* name, double jd) {
    std::filesystem::path folder = folder_.path() / "SolarSystem" / "p1024";
    std::filesystem::create_directories(folder);
    writeBmp((folder / (std::string(name) + "-Rings.png")).string(), 64, 16, PixelColor{255, 0, 255});
    chart_->setJulianDate(jd);
    chart_->showPlanetSurfaces = true;
    chart_->showPlanets = false;  // the selected planet is drawn all the same
    chart_->showSelectionMarker = false;
    chart_->showPlanetPhases = 0;
    CPlanet* planet = world_.body(kTypePlanet, number);
    chart_->updatePlanetPosition(planet);
    return planet;
  }

  RingedPlanet seen(CPlanet* planet, const double pole[3]) const {
    RingedPlanet p{};
    planet->getPosition(p.centre);
    vectorNormalize(p.centre);
    vectorScale(p.centre, planet->getDistance());
    p.radius = chart_->getObjectRadius(planet);
    vectorCopy(p.pole, pole);
    return p;
  }

  PixelColor pixelAt(chart_test::ChartCanvas& canvas, const double v[3]) {
    double x = 0, y = 0;
    EXPECT_TRUE(chart_->vectorToScreen(v, &x, &y));
    EXPECT_TRUE(x >= 0 && y >= 0 && x < kSize && y < kSize);
    return pixel(canvas, std::clamp(x, 0.0, kSize - 1.0), std::clamp(y, 0.0, kSize - 1.0));
  }

  // The field (degrees) that draws the globe `pixels` in radius.
  static double fieldFor(CPlanet* planet, double pixels) {
    return kSize / pixels * planet->getAngularRadius() / kRadiansPerDegree;
  }
};

// 2000 January 1 from the Earth, the rings open 20 degrees: across the
// minor axis of their ellipse the near half covers the globe and the far
// half passes behind it.
TEST_F(SolarRings, TheNearHalfCrossesTheGlobeAndTheFarHalfPassesBehindIt) {
  REQUIRE_GL();
  const double jd = 2451545.0;
  CPlanet* saturn = ringedPlanet(6, "Saturn", jd);
  double pole[3];
  iauPole(40.589, 83.537, pole);
  RingedPlanet planet = seen(saturn, pole);
  auto& canvas = draw(saturn, fieldFor(saturn, 40), "rings_saturn_halves");
  double towardsObserver[3] = {-planet.centre[0], -planet.centre[1], -planet.centre[2]}, near[3];
  planet.inPlane(towardsObserver, near);
  double p[3];
  // Halfway across the rings (1.7 radii), straight towards the observer:
  // over the disc and in front of it.
  planet.point(near, 1.7, 0, p);
  ASSERT_LT(planet.sightMiss(p, true), 0.8);
  ASSERT_GT(planet.sightMiss(p), 1);
  EXPECT_TRUE(ringColored(pixelAt(canvas, p)));
  // Straight away from it: behind the disc.
  planet.point(near, 1.7, kPi, p);
  ASSERT_LT(planet.sightMiss(p), 0.8);
  EXPECT_TRUE(globeColored(pixelAt(canvas, p)));
  // Either side, clear of the globe: the rings from 1.24 to 2.33 radii,
  // sky within and without.
  for (double turn : {kPi / 2, -kPi / 2}) {
    for (double rho : {1.3, 1.7, 2.25}) {
      planet.point(near, rho, turn, p);
      ASSERT_GT(planet.sightMiss(p, true), 1.1);
      EXPECT_TRUE(ringColored(pixelAt(canvas, p))) << turn << " " << rho;
    }
    for (double rho : {1.15, 2.45}) {
      planet.point(near, rho, turn, p);
      PixelColor sky = pixelAt(canvas, p);
      EXPECT_LT(std::max({sky[0], sky[1], sky[2]}), 30) << turn << " " << rho;
    }
  }
}

// Saturn's shadow falls on the rings on the side away from the Sun,
// whichever way the observer looks at it: from a spacecraft 20 radii out
// and 30 degrees over the ring plane, a quarter turn round either way from
// the night side, ring points 1.9 radii out in the shadow (on the half
// nearer the observer and on the farther one) are dark, and the sunlit
// side is not. Mapped rings take an opaque shadow; flat ones one layer of
// translucent black (a third of the light left).
TEST_F(SolarRings, SaturnsShadowDarkensTheRingsAwayFromTheSun) {
  REQUIRE_GL();
  CPlanet* saturn = ringedPlanet(6, "Saturn", 2451545.0);
  chart_->showPlanetPhases = 1;
  double pole[3], away[3], antiSun[3], across[3];
  iauPole(40.589, 83.537, pole);
  saturn->getHeliocentricPosition(away);
  vectorNormalize(away);
  RingedPlanet planet = seen(saturn, pole);
  planet.inPlane(away, antiSun);
  vectorCross(pole, antiSun, across);
  chart_->followHomePlanet = 0;
  chart_->setDisplayCoordSystem(kCoordEquatorial);
  chart_->setHomeObject(world_.reference(saturn));
  auto level = [](PixelColor c) { return static_cast<int>(std::max({c[0], c[1], c[2]})); };
  int checked = 0;
  for (bool mapped : {true, false})
    for (double side : {-1.0, 1.0}) {
      chart_->showPlanetSurfaces = mapped;
      const double elevation = 30 * kRadiansPerDegree;
      double out[3], display[3], lon = 0, lat = 0;
      for (int k = 0; k < 3; ++k)
        out[k] = std::cos(elevation) * side * across[k] + std::sin(elevation) * pole[k];
      chart_->convertCoordSystem(kCoordFundamental, kCoordEquatorial, out, display);
      vectorToSpherical(display, &lon, &lat, nullptr);
      chart_->setHomePlanetPosition(lon, lat, 20 * planet.radius);
      ASSERT_TRUE(chart_->isSpaceView());
      std::string name = std::string("rings_shadow_") + (mapped ? "mapped_" : "flat_") + (side < 0 ? "a" : "b");
      auto& canvas = draw(saturn, 20, name.c_str());
      RingedPlanet now = seen(saturn, pole);
      double p[3], offset[3];
      for (double turn : {-10.0, 10.0}) {
        now.point(antiSun, 1.9, turn * kRadiansPerDegree, p, offset);
        ASSERT_TRUE(now.inShadow(offset, away));
        ASSERT_GT(now.sightMiss(p), 1.2) << "in sight beside the globe";
        PixelColor c = pixelAt(canvas, p);
        if (mapped)
          EXPECT_LT(level(c), 40) << name << " " << turn;
        else
          EXPECT_NEAR(level(c), 0.34 * 255, 12) << name << " " << turn;
        ++checked;
      }
      now.point(antiSun, 1.9, kPi, p, offset);
      ASSERT_FALSE(now.inShadow(offset, away));
      ASSERT_GT(now.sightMiss(p), 1.2);
      PixelColor lit = pixelAt(canvas, p);
      EXPECT_TRUE(mapped ? ringColored(lit) : globeColored(lit)) << name;
    }
  EXPECT_EQ(checked, 8);
}

// Uranus' rings circle its equator, tipped over with its pole: 2000
// January 1 from the Earth, points of that plane midway across the rings
// (1.79 radii), every 45 degrees round, show the rings wherever the globe
// stands clear of them.
TEST_F(SolarRings, UranusRingsCircleItsTiltedEquator) {
  REQUIRE_GL();
  CPlanet* uranus = ringedPlanet(7, "Uranus", 2451545.0);
  double pole[3];
  iauPole(257.311, -15.175, pole);
  RingedPlanet planet = seen(uranus, pole);
  auto& canvas = draw(uranus, fieldFor(uranus, 50), "rings_uranus");
  double towardsObserver[3] = {-planet.centre[0], -planet.centre[1], -planet.centre[2]}, near[3];
  planet.inPlane(towardsObserver, near);
  int checked = 0;
  for (int k = 0; k < 8; ++k) {
    double p[3];
    planet.point(near, 1.79, k * kPi / 4, p);
    if (planet.sightMiss(p) < 1.1) continue;
    EXPECT_TRUE(ringColored(pixelAt(canvas, p))) << k;
    ++checked;
  }
  EXPECT_GE(checked, 7);
}

}  // namespace
