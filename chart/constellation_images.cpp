// The constellation illustrations: the index read once at start-up with a
// plate solution and mesh per picture, and each frame the pictures near
// the field, faded in by the field and by their distance from its centre.
#include "chart/constellation_images.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "chart/object_chart_name.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/plate_solution.h"
#include "engine/vectors.h"
#include "skydata/constellation.h"
#include "skydata/open_file.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"

namespace {

// Pictures show from a field of 1 degree and reach full strength at 10.
constexpr double kLeastField = 0.01745329251993889;
// A picture is considered this far beyond its constellation's size.
constexpr double kImageMargin = 0.1745329251993889;  // 10 degrees
constexpr int kLineSize = 256;
// Characters a constellation's abbreviation takes at a picture's name's
// start.
constexpr std::size_t kAbbreviationLength = 3;

// The next blank-separated field, or null at the end of the text.
const char* nextField(const char** text) {
  const char* p = *text;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '\0' || *p == '\n' || *p == '\r') return nullptr;
  *text = p;
  return p;
}

bool readInteger(const char** text, long low, long high, long* out) {
  const char* start = nextField(text);
  if (start == nullptr) return false;
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(start, &end, 10);
  if (end == start || errno != 0 || value < low || value > high) return false;
  *text = end;
  *out = value;
  return true;
}

bool readNumber(const char** text, double* out) {
  const char* start = nextField(text);
  if (start == nullptr) return false;
  char* end = nullptr;
  double value = std::strtod(start, &end);
  if (end == start || !std::isfinite(value)) return false;
  *text = end;
  *out = value;
  return true;
}

// The name after the abbreviation: the same for pictures that show
// several constellations (empty for a name that is no more).
const char* pictureOf(const ConstellationImage& record) {
  std::size_t length = std::strlen(record.line.name);
  return record.line.name + std::min(length, kAbbreviationLength);
}

// The reference stars' places from the catalogue, the plate through them
// and the mesh of the picture's sky directions every 64 pixels; without a
// solution the record keeps no mesh.
void solveConstellationImage(CSkyDatabase& catalogue, ConstellationImage* record, double** a1,
                             double** b1, double** a2, double** b2) {
  // The reference stars the catalogue has; the plate centre is their mean.
  double sum[3] = {0, 0, 0};
  bool found[3] = {false, false, false};
  int stars = 0;
  for (int k = 0; k < 3; ++k) {
    CStar* star = catalogue.getStarByHRNumber(record->line.hr[k]);
    if (star == nullptr) continue;
    double v[3], r;
    star->getCatalogVector(v);
    if (!star->isOwnedByRegion()) delete star;
    vectorToSpherical(v, &record->ra[k], &record->dec[k], &r);
    double u[3];
    sphericalToVector(u, record->ra[k], record->dec[k], 1);
    for (int c = 0; c < 3; ++c) sum[c] += u[c] * 0.3333333333333333;
    found[k] = true;
    ++stars;
  }
  if (stars == 0) return;
  double r;
  vectorToSpherical(sum, &record->centreRA, &record->centreDec, &r);
  clearPlateSolution(a1, b1, a2, b2);
  for (int k = 0; k < 3; ++k)
    if (found[k])
      addPlateStar(a1, b1, a2, b2, 1, record->centreRA, record->centreDec, record->ra[k],
                   record->dec[k], record->line.x[k], record->line.y[k]);
  if (!solvePlateSolution(a1, b1, a2, b2, 1)) return;
  for (int term = 0; term < 3; ++term)
    for (int axis = 0; axis < 2; ++axis) record->skyFromPixel[term][axis] = b2[term][axis];
  double cx, cy;
  plateScaleAndRotation(nullptr, b2, &cx, &cy, &record->rotation, &record->scale);
  int columns = record->line.width / kConstellationMeshStep + 1;
  int rows = record->line.height / kConstellationMeshStep + 1;
  MeshGrid* mesh = createMeshGrid(columns, rows);
  if (mesh == nullptr) return;
  for (int row = 0; row < rows; ++row)
    for (int column = 0; column < columns; ++column) {
      double x = kConstellationMeshStep * column, y = kConstellationMeshStep * row, ra, dec;
      plateXYToRaDec(b2, &ra, &dec, x, y, record->centreRA, record->centreDec);
      TextureVertex& v = mesh->row[row][column];
      sphericalToVector(&v.x, ra, dec, 1);
      v.u = static_cast<float>(x);
      v.v = static_cast<float>(y);
      v.visible = 1;
      v.brightness = 255;
    }
  record->mesh = mesh;
}

}  // namespace

bool parseConstellationImageLine(const char* text, ConstellationImageLine* line) {
  *line = ConstellationImageLine{};
  if (text == nullptr) return false;
  const char* p = text;
  const char* name = nextField(&p);
  if (name == nullptr) return false;
  std::size_t length = std::strcspn(name, " \t\r\n");
  if (length >= sizeof line->name) return false;
  p = name + length;
  ConstellationImageLine read{};
  std::memcpy(read.name, name, length);
  long width = 0, height = 0;
  if (!readInteger(&p, 1, kImageMaxSide, &width) || !readInteger(&p, 1, kImageMaxSide, &height))
    return false;
  read.width = static_cast<std::int32_t>(width);
  read.height = static_cast<std::int32_t>(height);
  for (int k = 0; k < 3; ++k) {
    long hr = 0;
    if (!readInteger(&p, 1, 32767, &hr) || !readNumber(&p, &read.x[k]) ||
        !readNumber(&p, &read.y[k]))
      return false;
    read.hr[k] = static_cast<std::int16_t>(hr);
  }
  *line = read;
  return true;
}

ConstellationImageTable::~ConstellationImageTable() {
  for (int i = 0; i < count; ++i) freeMeshGrid(records[i].mesh);
}

bool CSkyChart::loadConstellationImageIndex(const char* path, CSkyDatabase* catalogue) {
  if (constellationImages && constellationImages->count > 0) return true;
  if (path == nullptr || catalogue == nullptr) return false;
  std::int64_t offset = 0, length = 0;
  std::FILE* file = openFileWithSize(path, "r", &offset, &length);
  if (file == nullptr) return false;
  double **a1 = nullptr, **b1 = nullptr, **a2 = nullptr, **b2 = nullptr;
  if (!constellationImages) constellationImages.reset(new (std::nothrow) ConstellationImageTable);
  if (!constellationImages || !allocPlateSolution(&a1, &b1, &a2, &b2)) {
    std::fclose(file);
    return false;
  }
  ConstellationImageTable& table = *constellationImages;
  char text[kLineSize];
  while (table.count < kMaxConstellationImages && std::ftell(file) - offset < length &&
         std::fgets(text, sizeof text, file) != nullptr) {
    bool whole = std::strchr(text, '\n') != nullptr || std::feof(file);
    // The rest of a longer line belongs to it, not to the next record.
    if (!whole)
      for (int c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file)) {
      }
    ConstellationImage& record = table.records[table.count];
    record = ConstellationImage{};
    record.group = table.count;
    // A line that does not read keeps its place, without a picture.
    if (whole && parseConstellationImageLine(text, &record.line)) {
      solveConstellationImage(*catalogue, &record, a1, b1, a2, b2);
      char abbreviation[kAbbreviationLength + 1] = {};
      std::strncpy(abbreviation, record.line.name, kAbbreviationLength);
      record.constellation = catalogue->findConstellationByName(abbreviation);
      for (int k = 0; k < table.count && pictureOf(record)[0] != '\0'; ++k)
        if (std::strcmp(pictureOf(table.records[k]), pictureOf(record)) == 0) {
          record.group = table.records[k].group;
          break;
        }
    }
    ++table.count;
  }
  freePlateSolution(a1, b1, a2, b2);
  std::fclose(file);
  return true;
}

bool CSkyChart::isConstellationSelected(const CConstellation* constellation) const {
  return constellation != nullptr && selectedObjectID.file == kConstellationsFile &&
         selectedObjectID.index + 1u == constellation->getNumber();
}

double CSkyChart::constellationAngleFromCentre(CConstellation* constellation) {
  double v[3];
  constellation->getPosition(v);
  if (!std::isfinite(v[0] + v[1] + v[2])) {
    updateObjectPosition(constellation);
    constellation->getPosition(v);
  }
  return angleFromDisplayCenter(v);
}

bool CSkyChart::isConstellationRecordVisible(int i) {
  ConstellationImage& record = constellationImages->records[i];
  if (record.mesh == nullptr || record.constellation == nullptr) return false;
  if (isConstellationSelected(record.constellation)) return true;
  double reach = record.constellation->getAngularSize() / 2 + kImageMargin;
  if (constellationAngleFromCentre(record.constellation) > reach) return false;
  // The picture's corners, projected, as two triangles.
  MeshGrid& mesh = *record.mesh;
  TextureVertex corner[4] = {mesh.row[0][0], mesh.row[0][mesh.columns - 1],
                             mesh.row[mesh.rows - 1][mesh.columns - 1],
                             mesh.row[mesh.rows - 1][0]};
  for (TextureVertex& v : corner) {
    double x, y;
    vectorToScreenDepth(&v.x, &x, &y, &v.depth);
    v.screenX = static_cast<float>(x);
    v.screenY = static_cast<float>(y);
  }
  return isTextureTriangleVisible(corner[0], corner[1], corner[2]) ||
         isTextureTriangleVisible(corner[2], corner[3], corner[0]);
}

bool CSkyChart::isConstellationImageVisible(int i) {
  if (!constellationImages || i < 0 || i >= constellationImages->count) return false;
  const ConstellationImageTable& table = *constellationImages;
  for (int j = 0; j < table.count; ++j)
    if (table.records[j].group == table.records[i].group && isConstellationRecordVisible(j))
      return true;
  return false;
}

double CSkyChart::constellationImageFade(int i) {
  if (!constellationImages || i < 0 || i >= constellationImages->count) return 0;
  const ConstellationImageTable& table = *constellationImages;
  double fade = 0;
  for (int j = 0; j < table.count; ++j) {
    CConstellation* constellation = table.records[j].constellation;
    if (table.records[j].group != table.records[i].group || constellation == nullptr) continue;
    double half = constellation->getAngularSize() / 2 / kRadiansPerDegree;
    double angle = constellationAngleFromCentre(constellation) / kRadiansPerDegree;
    fade = std::max(fade, std::clamp((half + 10 - angle) / 10, 0.0, 1.0));
  }
  return fade;
}

void CSkyChart::drawConstellationImage(int i) {
  ConstellationImageTable& table = *constellationImages;
  ConstellationImage& record = table.records[i];
  double a = std::min((displayFOV / kRadiansPerDegree - 1) / 9, 1.0);
  if (isInsideAtmosphere()) a *= std::clamp(1 - 2.0 * skyBrightness, 0.0, 1.0);
  bool selected = false, zodiac = false;
  for (int j = 0; j < table.count; ++j) {
    if (table.records[j].group != i) continue;
    const CConstellation* constellation = table.records[j].constellation;
    selected = selected || isConstellationSelected(constellation);
    // A shared picture belongs to the zodiac when any constellation it
    // covers does; an abbreviation the catalogue lacks names none.
    zodiac = zodiac || (constellation != nullptr && constellation->isZodiac());
  }
  float rgb[3] = {0.5f, 0.5f, 0.5f}, filtered[3];
  if (selected) {
    if (a <= 0) return;
  } else {
    a = std::min(a, constellationImageFade(i));
    if (a <= 0 || !showConstellations) return;
    scaleColor(rgb, constellationImageRGB, static_cast<float>(a * constellationIntensity));
  }
  filterColor(filtered, rgb);
  if (zodiacConstellationsOnly && !zodiac) return;
  if (record.mesh == nullptr) return;
  MeshGrid& mesh = *record.mesh;
  projectMesh(*this, &mesh);
  TextureStyle style;
  style.flags = kTextureAdditive;
  style.red = filtered[0];
  style.green = filtered[1];
  style.blue = filtered[2];
  beginTextureTriangles(&style, record.texture);
  // Mesh texture coordinates are the picture's pixels as the index gives
  // its size, whatever size the texture was loaded at.
  style.texture.width = static_cast<std::uint64_t>(record.line.width);
  style.texture.height = static_cast<std::uint64_t>(record.line.height);
  for (int r = 0; r + 1 < mesh.rows; ++r)
    for (int c = 0; c + 1 < mesh.columns; ++c) {
      addStyledTextureTriangle(style, mesh.row[r][c], mesh.row[r][c + 1], mesh.row[r + 1][c + 1]);
      addStyledTextureTriangle(style, mesh.row[r + 1][c + 1], mesh.row[r + 1][c], mesh.row[r][c]);
    }
  flushTextureTrianglesStyled(style);
  for (int j = 0; j < table.count; ++j)
    if (table.records[j].group == i) drawConstellationImageName(table.records[j].constellation);
}

void CSkyChart::drawConstellationImageName(CConstellation* constellation) {
  bool selected = isConstellationSelected(constellation);
  if (constellation == nullptr || !(showConstellationNames || selected)) return;
  double v[3], x, y;
  constellation->getPosition(v);
  if (!vectorToScreen(v, &x, &y) || !isPointInViewport(x, y)) return;
  char name[256] = "";
  if (getObjectChartName(this, constellation, name, sizeof name, 0) == 0) return;
  float color[3];
  filterColor(color, constellationNameRGB);
  setColor(color[0], color[1], color[2], 1);
  selectFont(selected ? 1 : 0);
  setTextHeight(chartLabelTextHeight);
  drawLabelNear(name, 1, 1, static_cast<float>(x), static_cast<float>(y), 0);
  selectFont(0);
}

void CSkyChart::drawConstellationImages() {
  if (displayFOV < kLeastField || !constellationImages || constellationImages->count == 0) return;
  if (isInsideAtmosphere() && skyBrightness > 0.5f) return;
  ConstellationImageTable& table = *constellationImages;
  for (int i = 0; i < table.count; ++i) {
    ConstellationImage& record = table.records[i];
    // A group's first record holds its texture and draws its picture.
    bool shown = record.group == i && isConstellationImageVisible(i);
    if (!shown) {
      if (isTextureLoaded(&record.texture)) releaseTexture(&record.texture);
      continue;
    }
    if (!isTextureLoaded(&record.texture)) {
      char path[512];
      std::snprintf(path, sizeof path, "%s/Constellations/%s", imageDirectory, record.line.name);
      releaseTexture(&record.texture);
      loadTextureFile(&record.texture, path);
    }
    if (isTextureLoaded(&record.texture)) drawConstellationImage(i);
  }
}

void CSkyChart::releaseConstellationImageTextures() {
  if (!constellationImages) return;
  for (int i = 0; i < constellationImages->count; ++i)
    releaseTexture(&constellationImages->records[i].texture);
}
