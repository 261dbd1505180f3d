// The Milky Way as an outline from the built-in table, or as an all-sky
// picture in galactic coordinates laid on a sphere mesh.
#include "chart/milky_way.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "chart/gl_api.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/vectors.h"

namespace {

// Entries with both values below this are headers, not places.
constexpr std::int32_t kHeaderLimit = 400;
// The particle galaxy takes over from 1000 parsecs and alone from 2000.
constexpr double kGalaxyFadeStart = 1000, kGalaxyFadeEnd = 2000;
// The picture of each style under the image folder's "MilkyWay" folder.
const char* const kStyleFiles[] = {
    "Outline.png",     "Visible.jpg",   "HydrogenAlpha.jpg", "NearInfrared.jpg",
    "MidInfrared.jpg", "FarInfrared.jpg", "Microwave.jpg",     "Radio408MHz.jpg",
    "Radio21cm.jpg",   "XRay.jpg",      "GammaRay.jpg"};
constexpr int kFirstImageStyle = 2, kLastImageStyle = 12;
// Styles 2 and 3 show the band alone, their pictures centred 60 degrees
// east of the galactic centre.
constexpr double kBandImageShift = -60.0 / 360;

}  // namespace

std::vector<float> lonLatTableToVectors(const std::int32_t (*table)[2], int count) {
  std::vector<float> vectors;
  if (table == nullptr || count < 1) return vectors;
  vectors.resize(static_cast<std::size_t>(count) * 3);
  for (int i = 0; i < count; ++i) {
    float* out = &vectors[static_cast<std::size_t>(i) * 3];
    std::int32_t a = table[i][0], b = table[i][1];
    if (std::abs(a) < kHeaderLimit && std::abs(b) < kHeaderLimit) {
      out[0] = static_cast<float>(a);
      out[1] = static_cast<float>(b);
      out[2] = 0;
      continue;
    }
    double v[3];
    sphericalToVector(v, a / 1000.0 * kRadiansPerDegree, b / 1000.0 * kRadiansPerDegree, 1);
    for (int c = 0; c < 3; ++c) out[c] = static_cast<float>(v[c]);
  }
  return vectors;
}

const std::vector<float>& getMilkyWayOutlineVectors() {
  static const std::vector<float> vectors =
      lonLatTableToVectors(kMilkyWayOutlineTable, kMilkyWayOutlineEntries);
  return vectors;
}

bool initMilkyWayOutline() {
  return getMilkyWayOutlineVectors().size() == std::size_t{kMilkyWayOutlineEntries} * 3;
}

bool getMilkyWayOutlinePoint(int index, double out[3]) {
  if (index < 0 || index >= kMilkyWayOutlineEntries || !initMilkyWayOutline()) return false;
  const float* v = &getMilkyWayOutlineVectors()[static_cast<std::size_t>(index) * 3];
  for (int c = 0; c < 3; ++c) out[c] = v[c];
  return true;
}

double CSkyChart::observerDistanceParsecs() const {
  return std::sqrt(vectorDot(observerPosition, observerPosition)) / kAUPerParsec;
}

void CSkyChart::observerPositionParsecs(double out[3]) const {
  constexpr double kParsecsPerAU = 1 / kAUPerParsec;
  for (int k = 0; k < 3; ++k) out[k] = observerPosition[k] * kParsecsPerAU;
}

void CSkyChart::drawMilkyWayOutline() {
  if (!initMilkyWayOutline()) return;
  float color[3];
  scaleColor(color, milkyWayColor, static_cast<float>(milkyWayIntensity));
  if (isInsideAtmosphere()) mixColor(color, color, skyColor, skyBrightness);
  // An outline no brighter than the sky behind it is not drawn.
  if (!(color[0] + color[1] + color[2] > skyColor[0] + skyColor[1] + skyColor[2])) return;
  filterColor(color, color);
  setColor(color[0], color[1], color[2], 1);
  setLineWidth(1.5f);
  setSmoothLines(true);
  int header = 0;
  for (int contour = 0; contour < kMilkyWayContours; ++contour) {
    double entry[3];
    getMilkyWayOutlinePoint(header, entry);
    int n = static_cast<int>(entry[0]), step = static_cast<int>(entry[1]);
    if (n < 1 || step < 1 || header + n >= kMilkyWayOutlineEntries) break;
    for (int i = 1; i <= n; ++i) {
      double v[3];
      getMilkyWayOutlinePoint(header + i, v);
      if (i == 1)
        moveTo(v);
      else
        lineTo(v);
    }
    strokePath();
    header += step;
  }
}

void CSkyChart::releaseMilkyWayTexture() {
  releaseTexture(&milkyWayTexture);
  freeMeshGrid(milkyWayMesh);
  milkyWayMesh = nullptr;
  // The picture loads again when next drawn.
  milkyWayImagePath[0] = '\0';
}

bool CSkyChart::loadMilkyWayImage() {
  // Styles the settings may hold but no picture belongs to draw nothing.
  if (milkyWayStyle < kFirstImageStyle || milkyWayStyle > kLastImageStyle) return false;
  char path[sizeof milkyWayImagePath];
  std::snprintf(path, sizeof path, "%s/MilkyWay/%s", imageDirectory,
                kStyleFiles[milkyWayStyle - kFirstImageStyle]);
  if (std::strcmp(path, milkyWayImagePath) == 0) return isTextureLoaded(&milkyWayTexture);
  releaseMilkyWayTexture();
  // A picture that cannot be read is tried again only after a change of
  // style or folder, or a reset.
  std::strcpy(milkyWayImagePath, path);
  if (!loadTextureFile(&milkyWayTexture, path)) return false;
  // The band's pictures are shifted round: their left edge continues at
  // their right (the pictures are 2:1 with sides a power of two).
  glBindTexture(GL_TEXTURE_2D, milkyWayTexture.name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  float width = static_cast<float>(milkyWayTexture.width);
  milkyWayMesh = createSpheroidMesh(-72, 1, 0, width, width / 2);
  if (milkyWayMesh == nullptr) return false;
  transformMesh(milkyWayMesh, frameMatrix(kCoordGalactic), 1);
  if (milkyWayStyle <= 3)
    offsetMeshTexCoords(milkyWayMesh, static_cast<float>(kBandImageShift * width), 0);
  return true;
}

void CSkyChart::addMilkyWayCell(const TextureStyle& style, int r, int c) {
  TextureVertex** row = milkyWayMesh->row;
  addStyledTextureTriangle(style, row[r][c], row[r][c + 1], row[r + 1][c + 1]);
  addStyledTextureTriangle(style, row[r + 1][c + 1], row[r + 1][c], row[r][c]);
}

void CSkyChart::drawMilkyWayImage() {
  if (cgContext != nullptr || !loadMilkyWayImage() || milkyWayMesh == nullptr) return;
  double a = milkyWayFades ? std::min((displayFOV / kRadiansPerDegree - 1) / 9, 1.0) : 1.0;
  a *= milkyWayIntensity;
  if (isInsideAtmosphere()) a *= std::clamp(1 - 2.0 * skyBrightness, 0.0, 1.0);
  double d = observerDistanceParsecs();
  if (milkyWayParticleGalaxy && d > kGalaxyFadeStart)
    a *= std::clamp((kGalaxyFadeEnd - d) / (kGalaxyFadeEnd - kGalaxyFadeStart), 0.0, 1.0);
  if (!(a > 0)) return;
  projectMesh(*this, milkyWayMesh);
  TextureStyle style;
  style.flags = kTextureAdditive;
  style.red = style.green = style.blue = static_cast<float>(a);
  beginTextureTriangles(&style, milkyWayTexture);
  if (milkyWayStyle <= 3) {
    // The band from +30 to -30 degrees, and the Magellanic Clouds.
    for (int r = 12; r <= 23; ++r)
      for (int c = 0; c < 72; ++c) addMilkyWayCell(style, r, c);
    for (int r = 24; r <= 26; ++r)
      for (int c = 50; c <= 53; ++c) addMilkyWayCell(style, r, c);
    for (int r = 26; r <= 27; ++r)
      for (int c = 47; c <= 48; ++c) addMilkyWayCell(style, r, c);
  } else {
    TextureVertex** row = milkyWayMesh->row;
    for (int r = 1; r <= 34; ++r)
      for (int c = 0; c < 72; ++c) addMilkyWayCell(style, r, c);
    for (int c = 1; c <= 72; ++c) {
      addStyledTextureTriangle(style, row[0][c], row[1][c], row[1][c - 1]);
      addStyledTextureTriangle(style, row[35][c - 1], row[35][c], row[36][c]);
    }
  }
  flushTextureTrianglesStyled(style);
}

void CSkyChart::drawMilkyWay() {
  if (!showMilkyWay) return;
  double d = observerDistanceParsecs();
  if (!milkyWayParticleGalaxy || d < kGalaxyFadeEnd) {
    if (milkyWayStyle == 1)
      drawMilkyWayOutline();
    else
      drawMilkyWayImage();
  }
  if (milkyWayParticleGalaxy && d > kGalaxyFadeStart) drawGalaxyModel();
}
