#include "tools/catalogues/world_borders.h"

#include <shapefil.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "tools/catalogues/atomic_file.h"
#include "tools/catalogues/record_list.h"

namespace catalogues {
namespace {

// Widths follow the public data set; NAME is wide enough for every
// Natural Earth name in UTF-8.
constexpr int kNameWidth = 64;

bool parseRing(std::string_view field, std::vector<BorderPoint>& ring) {
  std::size_t start = 0;
  while (start <= field.size()) {
    std::size_t end = field.find(';', start);
    std::string_view pair = field.substr(start, end == std::string_view::npos ? end : end - start);
    std::size_t blank = pair.find(' ');
    if (blank == std::string_view::npos) return false;
    BorderPoint point{};
    if (!parseDouble(pair.substr(0, blank), point.longitude) ||
        !parseDouble(pair.substr(blank + 1), point.latitude) ||
        std::fabs(point.longitude) > 540.0 || std::fabs(point.latitude) > 90.0) {
      return false;
    }
    ring.push_back(point);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return ring.size() >= 4;
}

}  // namespace

bool parseBorderList(std::string_view text, std::string_view name, std::vector<Country>& countries,
                     std::string& error) {
  std::vector<ListRecord> records;
  if (!parseRecordList(text, "borders", name, "C", records, error)) return false;
  countries.clear();
  for (const ListRecord& record : records) {
    const auto& f = record.fields;
    if (f[0] == "C") {
      Country country;
      std::int64_t un = 0;
      if (f.size() != 7 || f[1].size() > 2 || f[2].size() > 3 || f[4].empty() ||
          f[4].size() > static_cast<std::size_t>(kNameWidth) || !parseInteger(f[3], un) || un < 0 ||
          un > 999 || !parseDouble(f[5], country.labelLongitude) ||
          !parseDouble(f[6], country.labelLatitude) || std::fabs(country.labelLongitude) > 180.0 ||
          std::fabs(country.labelLatitude) > 90.0) {
        error = lineError(name, record.line, "damaged country line");
        return false;
      }
      country.iso2 = f[1];
      country.iso3 = f[2];
      country.unNumber = static_cast<int>(un);
      country.name = f[4];
      countries.push_back(std::move(country));
    } else if (f[0] == "R") {
      std::vector<BorderPoint> ring;
      if (countries.empty()) {
        error = lineError(name, record.line, "ring before any country");
        return false;
      }
      if (f.size() != 2 || !parseRing(f[1], ring)) {
        error = lineError(name, record.line, "damaged ring");
        return false;
      }
      countries.back().rings.push_back(std::move(ring));
    } else {
      error = lineError(name, record.line, "unknown record \"" + f[0] + "\"");
      return false;
    }
  }
  for (const Country& country : countries) {
    if (country.rings.empty()) {
      error = std::string(name) + ": country \"" + country.name + "\" has no ring";
      return false;
    }
  }
  return true;
}

namespace {

struct Fields {
  int fips, iso2, iso3, un, name, area, population, region, subregion, lon, lat;
};

bool addFields(DBFHandle dbf, Fields& f) {
  f.fips = DBFAddField(dbf, "FIPS", FTString, 2, 0);
  f.iso2 = DBFAddField(dbf, "ISO2", FTString, 2, 0);
  f.iso3 = DBFAddField(dbf, "ISO3", FTString, 3, 0);
  f.un = DBFAddField(dbf, "UN", FTInteger, 3, 0);
  f.name = DBFAddField(dbf, "NAME", FTString, kNameWidth, 0);
  f.area = DBFAddField(dbf, "AREA", FTInteger, 7, 0);
  f.population = DBFAddField(dbf, "POP2005", FTInteger, 10, 0);
  f.region = DBFAddField(dbf, "REGION", FTInteger, 3, 0);
  f.subregion = DBFAddField(dbf, "SUBREGION", FTInteger, 3, 0);
  f.lon = DBFAddField(dbf, "LON", FTDouble, 8, 3);
  f.lat = DBFAddField(dbf, "LAT", FTDouble, 7, 3);
  return f.fips == 0 && f.lat == 10;
}

bool writeCountry(SHPHandle shp, DBFHandle dbf, const Fields& f, const Country& country, int row) {
  std::vector<int> starts;
  std::vector<double> x, y;
  for (const auto& ring : country.rings) {
    starts.push_back(static_cast<int>(x.size()));
    for (const BorderPoint& point : ring) {
      x.push_back(point.longitude);
      y.push_back(point.latitude);
    }
  }
  SHPObject* shape = SHPCreateObject(SHPT_POLYGON, -1, static_cast<int>(starts.size()),
                                     starts.data(), nullptr, static_cast<int>(x.size()), x.data(),
                                     y.data(), nullptr, nullptr);
  if (!shape) return false;
  int written = SHPWriteObject(shp, -1, shape);
  SHPDestroyObject(shape);
  if (written != row) return false;
  return DBFWriteStringAttribute(dbf, row, f.fips, "") &&
         DBFWriteStringAttribute(dbf, row, f.iso2, country.iso2.c_str()) &&
         DBFWriteStringAttribute(dbf, row, f.iso3, country.iso3.c_str()) &&
         DBFWriteIntegerAttribute(dbf, row, f.un, country.unNumber) &&
         DBFWriteStringAttribute(dbf, row, f.name, country.name.c_str()) &&
         DBFWriteIntegerAttribute(dbf, row, f.area, 0) &&
         DBFWriteIntegerAttribute(dbf, row, f.population, 0) &&
         DBFWriteIntegerAttribute(dbf, row, f.region, 0) &&
         DBFWriteIntegerAttribute(dbf, row, f.subregion, 0) &&
         DBFWriteDoubleAttribute(dbf, row, f.lon, country.labelLongitude) &&
         DBFWriteDoubleAttribute(dbf, row, f.lat, country.labelLatitude);
}

constexpr std::array<const char*, 4> kExtensions = {".shp", ".shx", ".dbf", ".cpg"};

void removeAll(const std::string& base) {
  for (const char* extension : kExtensions) std::remove((base + extension).c_str());
}

}  // namespace

bool writeWorldBorders(const std::vector<Country>& countries, const std::string& base,
                       std::string& error) {
  // shapelib cuts a name at its last dot, so the temporary name has none.
  std::filesystem::path target(base);
  std::string temporary =
      (target.parent_path() / ("partial-" + target.filename().string())).string();
  SHPHandle shp = SHPCreate(temporary.c_str(), SHPT_POLYGON);
  DBFHandle dbf = shp ? DBFCreateEx((temporary + ".dbf").c_str(), "UTF-8") : nullptr;
  Fields fields{};
  bool ok = shp && dbf && addFields(dbf, fields);
  for (std::size_t row = 0; ok && row < countries.size(); ++row) {
    ok = writeCountry(shp, dbf, fields, countries[row], static_cast<int>(row));
    if (!ok) error = base + ": cannot write country \"" + countries[row].name + "\"";
  }
  if (shp) SHPClose(shp);
  if (dbf) DBFClose(dbf);
  if (!ok) {
    if (error.empty()) error = temporary + ": cannot create the shapefile";
    removeAll(temporary);
    return false;
  }
  for (const char* extension : kExtensions) {
    if (!replaceFile(temporary + extension, base + extension, error)) {
      removeAll(temporary);
      return false;
    }
  }
  return true;
}

}  // namespace catalogues
