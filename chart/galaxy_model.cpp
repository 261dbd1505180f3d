// The Galaxy from outside: 11070 particles for the bar, four star arms,
// four dust lanes and the Magellanic Clouds, drawn far to near as soft
// sprites from their own atlas once the observer is beyond 1000 parsecs.
#include "chart/galaxy_model.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "chart/gl_api.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "chart/star_sprites.h"
#include "engine/matrices.h"
#include "engine/vectors.h"

namespace {

// The galactic centre from the Sun, parsecs along galactic x.
constexpr double kCentreDistance = 8300;
// The particles show from 1000 parsecs and are at full strength at 2000.
constexpr double kGalaxyStart = 1000;
// Particles wider than this (radians) are too near to draw; they fade in
// as they shrink to 0.1.
constexpr double kLargestAngle = 0.25, kFadeAngles = 0.15;
// Sprites flushed at a time.
constexpr int kSpritesPerBatch = 1000;
// The atlas: 14 soft discs of growing radius in a strip.
constexpr int kAtlasWidth = 1024, kAtlasHeight = 128;
constexpr double kLargestDisc = 32;

// Galactic position (parsecs, about the Sun) of a J2000 direction at a
// distance.
void galacticPlace(const CSkyChart& chart, double raHours, double decDegrees, double parsecs,
                   double out[3]) {
  double v[3];
  sphericalToVector(v, raHours * 15 * kRadiansPerDegree, decDegrees * kRadiansPerDegree, parsecs);
  chart.fundamentalToGalactic(v, out);
}

}  // namespace

void CSkyChart::galaxyParticleColor(std::uint32_t kind, float rgb[3]) {
  GalaxyModel& model = *galaxyModel;
  switch (kind) {
    case kGalaxyBlueStars:
      starColor(rgb, static_cast<float>(model.random01() * 0.5 - 0.25));
      break;
    case kGalaxyYellowStars:
    case kGalaxyWarmStars:
      starColor(rgb, static_cast<float>(model.random01() * 0.75 + 0.25));
      break;
    case kGalaxyWhiteStars:
      starColor(rgb, static_cast<float>(model.random01() * 0.2 - 0.1));
      break;
    case kGalaxyPinkClouds:
      setColor3(rgb, 1.0f, 0.7f, 1.0f);
      break;
    default:
      setColor3(rgb, 0, 0, 0);
      break;
  }
}

void CSkyChart::addGalaxyParticle(const double galactic[3], float size, std::uint32_t kind) {
  GalaxyParticle p{};
  galacticToFundamental(galactic, p.position);
  p.size = size;
  p.kind = kind;
  galaxyParticleColor(kind, p.color);
  galaxyModel->particles.push_back(p);
}

void CSkyChart::addSpiralArmParticles(int count, std::uint32_t kind, double startAngle,
                                      double sweep, double innerRadius, double outerRadius,
                                      double width, double taper, double largest,
                                      double smallest) {
  GalaxyModel& model = *galaxyModel;
  double thickness = kind == kGalaxyDust ? 300 : 600;
  for (int i = 0; i < count; ++i) {
    double angle = (startAngle + i * sweep / count) * kRadiansPerDegree;
    double radius = innerRadius * std::exp(std::log(outerRadius / innerRadius) * i / count);
    double t = 1 - i * taper / count;
    double d = t * width * model.random01();
    double direction = model.random01() * kTwoPi;
    double z = model.random01() * thickness - thickness / 2;
    double place[3] = {radius * std::cos(angle) + d * std::cos(direction) + kCentreDistance,
                       radius * std::sin(angle) + d * std::sin(direction), z};
    double size = smallest + model.random01() * t * (1 - d / (2 * width)) * (largest - smallest);
    addGalaxyParticle(place, static_cast<float>(size), kind);
  }
}

void CSkyChart::addEllipsoidParticles(int count, const double axisScales[3],
                                      const double centre[3], std::uint32_t kind, double radius,
                                      double tilt1, double tilt2, double largest,
                                      double smallest) {
  GalaxyModel& model = *galaxyModel;
  double m[9];
  rotationMatrix(m, 2, 0, tilt1 * kRadiansPerDegree, 2, tilt2 * kRadiansPerDegree);
  for (int i = 0; i < count; ++i) {
    double longitude = model.random01() * kTwoPi;
    double latitude = std::asin(2 * model.random01() - 1);
    double rho = std::sqrt(model.random01()) * radius;
    double place[3];
    sphericalToVector(place, longitude, latitude, rho);
    for (int c = 0; c < 3; ++c) place[c] *= axisScales[c];
    matrixTimesVector(m, place);
    for (int c = 0; c < 3; ++c) place[c] += centre[c];
    double size = smallest + model.random01() * (1 - rho / radius) * (largest - smallest);
    addGalaxyParticle(place, static_cast<float>(size), kind);
  }
}

int CSkyChart::buildGalaxyModel() {
  buildGalaxySprites();
  if (!galaxyModel) galaxyModel.reset(new (std::nothrow) GalaxyModel);
  if (!galaxyModel) return 0;
  GalaxyModel& model = *galaxyModel;
  model.particles.clear();
  model.particles.reserve(kGalaxyParticleCount);
  const double bar[3] = {1.0, 0.5, 0.5}, centre[3] = {kCentreDistance, 0, 0};
  addEllipsoidParticles(1000, bar, centre, kGalaxyYellowStars, 5000, 0, 135, 1000, 500);
  addSpiralArmParticles(2000, kGalaxyBlueStars, 150, 540, 3000, 18000, 3000, 0.5, 1000, 500);
  addSpiralArmParticles(2000, kGalaxyBlueStars, 330, 540, 3000, 18000, 3000, 0.5, 1000, 500);
  addSpiralArmParticles(1000, kGalaxyBlueStars, 240, 540, 3000, 18000, 4000, 0.25, 1000, 500);
  addSpiralArmParticles(1000, kGalaxyBlueStars, 60, 540, 3000, 18000, 4000, 0.25, 1000, 500);
  addSpiralArmParticles(1000, kGalaxyDust, 105, 540, 6000, 18000, 2000, 0.25, 400, 300);
  addSpiralArmParticles(1000, kGalaxyDust, 195, 540, 6000, 18000, 2000, 0.5, 400, 300);
  addSpiralArmParticles(1000, kGalaxyDust, 375, 540, 6000, 18000, 2000, 0.5, 400, 300);
  addSpiralArmParticles(1000, kGalaxyDust, 295, 540, 6000, 18000, 2000, 0.25, 400, 300);
  double cloud[3];
  galacticPlace(*this, 5 + 23 / 60.0 + 34.5 / 3600, -(69 + 45 / 60.0 + 22 / 3600.0), 48000, cloud);
  addEllipsoidParticles(50, bar, cloud, kGalaxyBlueStars, 2100, 0, 135, 1000, 500);
  galacticPlace(*this, 0 + 52 / 60.0 + 44.8 / 3600, -(72 + 49 / 60.0 + 43 / 3600.0), 61000, cloud);
  addEllipsoidParticles(20, bar, cloud, kGalaxyBlueStars, 1100, 0, 135, 1000, 500);
  model.order.resize(model.particles.size());
  for (std::size_t i = 0; i < model.order.size(); ++i) model.order[i] = static_cast<std::uint32_t>(i);
  model.placed = false;
  return static_cast<int>(model.particles.size());
}

void CSkyChart::freeGalaxyModel() { galaxyModel.reset(); }

void CSkyChart::placeGalaxyParticles() {
  GalaxyModel& model = *galaxyModel;
  double observer[3];
  observerPositionParsecs(observer);
  for (GalaxyParticle& p : model.particles) {
    vectorSubtract(p.position, observer, p.direction);
    p.distance = vectorNormalize(p.direction);
    p.angularSize = static_cast<float>(p.size / p.distance);
  }
  // Far to near, so that nearer particles (and dust) lie over farther ones.
  std::sort(model.order.begin(), model.order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return model.particles[a].distance > model.particles[b].distance;
  });
  model.placed = true;
}

void CSkyChart::drawGalaxyModel() {
  if (!galaxyModel || galaxyModel->particles.empty()) buildGalaxyModel();
  if (!galaxyModel || galaxyModel->particles.empty()) return;
  double f = (observerDistanceParsecs() - kGalaxyStart) / kGalaxyStart;
  if (!(f > 0)) return;
  if (updateNeeded || !galaxyModel->placed) placeGalaxyParticles();
  const GalaxyModel& model = *galaxyModel;
  beginGalaxySprites();
  int batch = 0;
  for (std::uint32_t index : model.order) {
    const GalaxyParticle& p = model.particles[index];
    if (!(p.angularSize <= kLargestAngle)) continue;
    double x, y;
    if (!vectorToScreen(p.direction, &x, &y)) continue;
    double r = projectedRadius(p.direction, p.angularSize);
    if (!(x + r >= viewportLeft && x - r <= viewportRight && y + r >= viewportTop &&
          y - r <= viewportBottom))
      continue;
    float alpha = static_cast<float>(std::clamp((kLargestAngle - p.angularSize) / kFadeAngles, 0.0, 1.0) *
                                     std::min(f, 1.0));
    if (p.kind == kGalaxyDust)
      alpha *= 0.25f;
    else if (p.kind == kGalaxyBlueStars || p.kind == kGalaxyYellowStars)
      alpha *= 0.125f;
    float k = static_cast<float>(milkyWayIntensity);
    const float rgba[4] = {p.color[0] * k, p.color[1] * k, p.color[2] * k, alpha};
    addGalaxySprite(rgba, static_cast<float>(r), static_cast<float>(x), static_cast<float>(y));
    if (++batch == kSpritesPerBatch) {
      flushTextureTriangles(galaxySprites.name, nullptr, kTextureAlphaBlend | kTextureVertexColors);
      batch = 0;
    }
  }
  endGalaxySprites();
}

// ---- The galaxy's sprite atlas ----

void CSkyChart::buildGalaxySprites() {
  if (cgContext != nullptr || isTextureLoaded(&galaxySprites)) return;
  int q = starSpriteStepFactor(contentScale);
  GImage* image = createImage(static_cast<std::uint32_t>(kAtlasWidth * q),
                              static_cast<std::uint32_t>(kAtlasHeight * q), 8, 4);
  if (image == nullptr) return;
  double x = 0;
  for (int i = 1; i <= kGalaxySpriteCells; ++i) {
    double r = kLargestDisc * i / kGalaxySpriteCells;
    int s = 2 * static_cast<int>(std::ceil(r)) + 1;
    for (int py = 0; py < s; ++py)
      for (int px = static_cast<int>(x); px < static_cast<int>(x) + s; ++px) {
        double v = (1 - std::hypot(px - (x + r), py - r) / r) * 255;
        if (!(v > 1)) continue;
        unsigned char* pixel = image->pixels + static_cast<std::size_t>(py) * image->rowBytes + 4 * px;
        pixel[0] = pixel[1] = pixel[2] = 255;
        pixel[3] = static_cast<unsigned char>(std::min(v, 255.0));
      }
    galaxySpriteRects[i - 1] = {static_cast<float>(x), 0, static_cast<float>(s), static_cast<float>(s)};
    galaxySpriteRadii[i - 1] = static_cast<float>(r);
    x += s;
  }
  makeTextureFromImage(&galaxySprites, image);
  freeImage(image);
}

void CSkyChart::releaseGalaxyTexture() {
  releaseTexture(&galaxySprites);
  for (int i = 0; i < kGalaxySpriteCells; ++i) {
    galaxySpriteRects[i] = GRect{};
    galaxySpriteRadii[i] = 0;
  }
}

void CSkyChart::beginGalaxySprites() {
  buildGalaxySprites();
  clearTextureTriangles();
}

void CSkyChart::addGalaxySprite(const float rgba[4], float r, float x, float y) {
  // Under a colour filter the sprite takes the light's grey (red at night);
  // its alpha stays, so the fade by distance and the dust's share hold.
  float color[4] = {rgba[0], rgba[1], rgba[2], rgba[3]};
  if (colorFilterMode != 0) filterColor(color, rgba);
  int cell = kGalaxySpriteCells - 1;
  for (int i = 0; i < kGalaxySpriteCells - 1; ++i)
    if (galaxySpriteRadii[i] > r) {
      cell = i;
      break;
    }
  addSpriteQuad(galaxySprites, galaxySpriteRects[cell], color, x, y, r);
}

void CSkyChart::endGalaxySprites() {
  flushTextureTriangles(galaxySprites.name, nullptr, kTextureAlphaBlend | kTextureVertexColors);
}
