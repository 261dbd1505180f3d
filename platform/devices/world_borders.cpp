#include "platform/devices/world_borders.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/foundation/bundle.h"
#include "support/shape_files.h"

namespace dev {

bool BorderCountry::contains(double x, double y) const {
  if (x < minLongitude || x > maxLongitude || y < minLatitude || y > maxLatitude) return false;
  bool in = false;
  for (auto& ring : rings)
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
      auto [xi, yi] = ring[i];
      auto [xj, yj] = ring[j];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
  return in;
}

std::string defaultWorldBordersPath() {
  std::string shp = ns::Bundle::main().pathForResource("TM_WORLD_BORDERS_SIMPL", "shp", "WorldBorders");
  return shp.empty() ? std::string() : shp.substr(0, shp.size() - 4);
}

const std::vector<BorderCountry>& worldBorders(const std::string& requested, std::string* message) {
  static std::map<std::string, std::vector<BorderCountry>> cache;
  const std::string path = requested.empty() ? defaultWorldBordersPath() : requested;
  auto it = cache.find(path);
  if (it != cache.end()) return it->second;
  std::vector<BorderCountry>& countries = cache[path];
  if (path.empty()) {
    if (message) *message = "the world borders are not in the bundle";
    return countries;
  }
  ShapeFilePair files(path.c_str(), nullptr);
  if (!files) {
    if (message) *message = path + ": cannot read the world borders";
    return countries;
  }
  int count = 0, type = 0;
  SHPGetInfo(files.shp(), &count, &type, nullptr, nullptr);
  DBFHandle dbf = files.dbf();
  const int nameField = DBFGetFieldIndex(dbf, "NAME"), isoField = DBFGetFieldIndex(dbf, "ISO2");
  const int records = DBFGetRecordCount(dbf);
  for (int i = 0; i < count && i < records; ++i) {
    SHPObject* object = SHPReadObject(files.shp(), i);
    if (!object) continue;
    BorderCountry c;
    c.name = nameField >= 0 ? DBFReadStringAttribute(dbf, i, nameField) : "";
    c.iso2 = isoField >= 0 ? DBFReadStringAttribute(dbf, i, isoField) : "";
    c.minLongitude = object->dfXMin, c.minLatitude = object->dfYMin;
    c.maxLongitude = object->dfXMax, c.maxLatitude = object->dfYMax;
    for (int part = 0; part < std::max(1, object->nParts); ++part) {
      int start = 0, end = 0;
      if (!shapePartRange(*object, part, &start, &end) || end - start < 3) continue;
      std::vector<std::pair<double, double>> ring;
      for (int v = start; v < end; ++v) ring.emplace_back(object->padfX[v], object->padfY[v]);
      c.rings.push_back(std::move(ring));
    }
    SHPDestroyObject(object);
    countries.push_back(std::move(c));
  }
  return countries;
}

}  // namespace dev
