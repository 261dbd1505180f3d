// The process-wide country table, read from the world-borders shapefile
// through shapelib and the chart's file hooks.
#include "chart/world_borders.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "chart/shape_file_hooks.h"
#include "engine/vectors.h"
#include "support/shape_files.h"
#include "support/utf8.h"

namespace {

// Degrees to radians as the table's attributes and vertices are converted,
// and as the shape bounds are.
constexpr double kAttributeRadiansPerDegree = 0.01745329251993889;
constexpr double kBoundsRadiansPerDegree = 0.017453292519943295;

// Attribute fields by position in the world-borders layout.
enum Field { kCodeField = 1, kNameField = 4, kAreaField = 5, kPopulationField = 6,
             kLongitudeField = 9, kLatitudeField = 10 };

std::vector<CountryRecord>& countryTable() {
  static std::vector<CountryRecord> table;
  return table;
}
bool& tableLoaded() {
  static bool loaded = false;
  return loaded;
}
WorldBordersRead& lastRead() {
  static WorldBordersRead read = WorldBordersRead::unopened;
  return read;
}

// Copies at most size - 1 bytes, never ending inside a UTF-8 sequence,
// and terminates.
void copyText(char* out, std::size_t size, const char* text) {
  std::size_t n = text != nullptr ? utf8PrefixLength(text, size - 1) : 0;
  if (n > 0) std::memcpy(out, text, n);
  out[n] = '\0';
}

// The shape's parts and vertices into the row; a shape whose parts or
// vertices are damaged leaves the row without a border. False for such a
// shape.
bool fillShape(CountryRecord& row, const SHPObject& shape) {
  if (!shapePartsAreValid(shape)) return false;
  if (shape.nVertices == 0) return true;
  row.longitudeMin = shape.dfXMin * kBoundsRadiansPerDegree;
  row.longitudeMax = shape.dfXMax * kBoundsRadiansPerDegree;
  row.latitudeMin = shape.dfYMin * kBoundsRadiansPerDegree;
  row.latitudeMax = shape.dfYMax * kBoundsRadiansPerDegree;
  const auto n = static_cast<std::size_t>(shape.nVertices);
  try {
    if (shape.nParts > 0)
      row.partStarts.assign(shape.panPartStart, shape.panPartStart + shape.nParts);
    else
      row.partStarts.assign(1, 0);
    row.vertices.resize(3 * n);
    row.projectedX.resize(n);
    row.projectedY.resize(n);
  } catch (const std::bad_alloc&) {
    // Memory, not the file: the row goes without its border in silence.
    row.partStarts = {};
    row.vertices = {};
    row.projectedX = row.projectedY = {};
    return true;
  }
  for (std::size_t k = 0; k < n; ++k) {
    const double lon = shape.padfX[k] * kAttributeRadiansPerDegree;
    const double lat = shape.padfY[k] * kAttributeRadiansPerDegree;
    if (!std::isfinite(lon) || !std::isfinite(lat)) {
      row.partStarts = {};
      row.vertices = {};
      row.projectedX = row.projectedY = {};
      return false;
    }
    double* v = &row.vertices[3 * k];
    sphericalToVector(v, lon, lat, 1);
    // The north pole itself has no stereographic place.
    const double d = 1 - v[2];
    row.projectedX[k] = d > 0 ? v[0] / d : INFINITY;
    row.projectedY[k] = d > 0 ? v[1] / d : INFINITY;
  }
  return true;
}

// Whether the attribute file holds the records its header announces (a
// damaged count would otherwise size the table from garbage).
bool attributeCountFits(DBFHandle dbf) {
  if (dbf->nRecords < 0 || dbf->nRecordLength <= 0) return false;
  if (dbf->sHooks.FSeek(dbf->fp, 0, SEEK_END) != 0) return false;
  const auto length = static_cast<std::int64_t>(dbf->sHooks.FTell(dbf->fp));
  return length >= 0 && std::int64_t{dbf->nHeaderLength} +
                                std::int64_t{dbf->nRecords} * dbf->nRecordLength <=
                            length + 1;  // the end-of-file mark may be missing
}

}  // namespace

int loadWorldBordersWithHooks(const char* path, SAHooks* hooks) {
  if (tableLoaded()) return 1;
  ShapeFilePair files(path, hooks);
  lastRead() = WorldBordersRead::unopened;
  if (!files) return 0;
  if (!attributeCountFits(files.dbf())) {
    lastRead() = WorldBordersRead::cutAttributes;
    return 0;
  }
  DBFHandle dbf = files.dbf();
  const int records = DBFGetRecordCount(dbf);
  std::vector<CountryRecord> table;
  try {
    table.resize(static_cast<std::size_t>(records), CountryRecord{});
  } catch (const std::bad_alloc&) {
    return 0;
  }
  bool damaged = false;
  for (int i = 0; i < records; ++i) {
    CountryRecord& row = table[static_cast<std::size_t>(i)];
    copyText(row.code, sizeof row.code, DBFReadStringAttribute(dbf, i, kCodeField));
    copyText(row.name, sizeof row.name, DBFReadStringAttribute(dbf, i, kNameField));
    row.longitude = DBFReadDoubleAttribute(dbf, i, kLongitudeField) * kAttributeRadiansPerDegree;
    row.latitude = DBFReadDoubleAttribute(dbf, i, kLatitudeField) * kAttributeRadiansPerDegree;
    row.area = DBFReadDoubleAttribute(dbf, i, kAreaField);
    row.population = DBFReadIntegerAttribute(dbf, i, kPopulationField);
    SHPObject* shape = SHPReadObject(files.shp(), i);
    if (shape == nullptr) {
      damaged = true;
      continue;
    }
    damaged |= !fillShape(row, *shape);
    SHPDestroyObject(shape);
  }
  countryTable() = std::move(table);
  tableLoaded() = true;
  lastRead() = damaged ? WorldBordersRead::damagedShapes : WorldBordersRead::whole;
  return 1;
}

int loadWorldBorders(const char* path) {
  SAHooks hooks;
  setupShapeFileHooks(&hooks);
  return loadWorldBordersWithHooks(path, &hooks);
}

WorldBordersRead lastWorldBordersRead() { return lastRead(); }

int getCountryCount() { return static_cast<int>(countryTable().size()); }

const CountryRecord* getCountryRecord(int index) {
  if (index < 0 || index >= getCountryCount()) return nullptr;
  return &countryTable()[static_cast<std::size_t>(index)];
}

int findCountry(const char* text) {
  if (text == nullptr || text[0] == '\0') return -1;
  for (int i = 0; i < getCountryCount(); ++i) {
    const CountryRecord& row = countryTable()[static_cast<std::size_t>(i)];
    if (std::strcmp(row.name, text) == 0 || std::strcmp(row.code, text) == 0) return i;
  }
  return -1;
}

void releaseWorldBorders() {
  countryTable() = {};
  tableLoaded() = false;
}
