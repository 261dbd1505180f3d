#include "tools/catalogues/constellation_catalogue.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "engine/angles.h"
#include "skydata/catalog_numbers.h"
#include "skydata/constellation_tables.h"
#include "skydata/skydata_writer.h"
#include "skydata/star_designations.h"
#include "tools/catalogues/catalogue_tree.h"
#include "tools/catalogues/list_fields.h"
#include "tools/catalogues/meteor_showers.h"
#include "tools/catalogues/record_encoding.h"
#include "tools/catalogues/record_list.h"

namespace catalogues {
namespace {

constexpr int kSerpensCauda = 89;

using Point = std::array<float, 3>;

// Directions of the Bright Star catalogue's stars, by HR number.
bool readBrightStars(std::string_view stars, std::string_view name,
                     std::map<int, std::array<double, 3>>& directions, std::string& error) {
  std::vector<ListRecord> records;
  if (!parseRecordList(stars, "stars", name, "S", records, error)) return false;
  for (const ListRecord& record : records) {
    if (record.fields.size() != 15) continue;
    for (const std::string& text : splitField(record.fields[11], '|')) {
      if (text.size() < 4 || text.rfind("HR ", 0) != 0 ||
          text.find_first_not_of("0123456789", 3) != std::string::npos)
        continue;  // not a Bright Star number ("HR Lup" is a variable star)
      std::int64_t number = parseHRNumber(text.c_str() + 3);
      double ra, dec;
      if (number <= 0 || !parseDouble(record.fields[3], ra) || !parseDouble(record.fields[4], dec)) {
        error = lineError(name, record.line, "damaged Bright Star entry");
        return false;
      }
      std::array<double, 3> v;
      directionOf(ra, dec, v.data());
      directions[static_cast<int>(number % 10000000000000000LL)] = v;
    }
  }
  return true;
}

// Centre and angular size (twice the widest reach from the centre).
void fitCentre(const std::vector<Point>& points, ConstellationValues& v) {
  double reach = 0.0;
  for (const Point& p : points) {
    double d[3] = {p[0], p[1], p[2]};
    reach = std::max(reach, vectorSeparation(v.centre, d));
  }
  v.angularSize = static_cast<float>(2.0 * reach);
}

bool addShowers(std::string_view text, std::string_view name, std::vector<CatalogueEntry>& entries,
                ConstellationCounts& counts, std::string& error) {
  std::vector<MeteorShowerRow> rows;
  if (!parseMeteorShowers(text, name, rows, counts.skippedShowers, error)) return false;
  for (const MeteorShowerRow& row : rows) {
    MeteorShowerValues v;
    v.name = row.name;
    v.abbreviation = row.code;
    v.iauNumber = static_cast<std::int16_t>(row.number);
    v.peakSolarLongitude = static_cast<float>(row.solarLongitude * kDegree);
    // The base magnitude field carries the population index r, the ratio
    // of the numbers of meteors one magnitude apart.
    v.magnitude = static_cast<float>(row.populationIndex);
    v.velocity = static_cast<float>(row.velocity);
    v.peakRate = static_cast<float>(row.zenithalRate);
    directionOf(row.ra, row.dec, v.radiant);
    CatalogueEntry entry;
    entry.object = makeMeteorShower(v, error);
    if (!entry.object) return false;
    entry.names = {row.name, row.code};
    entries.push_back(std::move(entry));
    counts.showers++;
  }
  return true;
}

bool addEntry(const ConstellationValues& v, std::vector<CatalogueEntry>& entries,
              std::string& error) {
  CatalogueEntry entry;
  entry.object = makeConstellation(v, error);
  if (!entry.object) return false;
  if (!v.name.empty()) entry.names.push_back(v.name);
  if (!v.abbreviation.empty() && v.type == 40) entry.names.push_back(v.abbreviation);
  entries.push_back(std::move(entry));
  return true;
}

}  // namespace

bool buildConstellationCatalogue(const ConstellationSources& sources, const std::string& path,
                                 ConstellationCounts& counts, std::string& error) {
  const std::string_view boundaries = sources.boundaries, boundariesName = sources.boundariesName;
  counts = {};
  std::vector<ListRecord> records;
  if (!parseRecordList(boundaries, "boundaries", boundariesName, "B", records, error)) return false;
  std::map<int, std::vector<Point>> outlines;
  for (const ListRecord& record : records) {
    const auto& f = record.fields;
    int number = f.size() == 3 && f[0] == "B"
                     ? (f[1] == "Ser2" ? kSerpensCauda : constellationFromText(f[1].c_str()))
                     : 0;
    if (number < 1 || outlines.count(number)) {
      error = lineError(boundariesName, record.line, "damaged or repeated boundary");
      return false;
    }
    std::vector<Point>& points = outlines[number];
    for (const std::string& pair : splitField(f[2], ';')) {
      std::size_t blank = pair.find(' ');
      double ra, dec, v[3];
      if (blank == std::string::npos || !parseDouble(std::string_view(pair).substr(0, blank), ra) ||
          !parseDouble(std::string_view(pair).substr(blank + 1), dec) || std::fabs(dec) > 90.0) {
        error = lineError(boundariesName, record.line, "damaged boundary point");
        return false;
      }
      directionOf(ra, dec, v);
      points.push_back({static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])});
    }
    if (points.size() > 1 && points.front() == points.back()) points.pop_back();
  }
  std::map<int, std::array<double, 3>> brightStars;
  if (!readBrightStars(sources.stars, sources.starsName, brightStars, error)) return false;

  std::vector<CatalogueEntry> entries;
  for (int n = 1; n <= kConstellationCount; ++n) {
    if (!outlines.count(n)) {
      error = std::string(boundariesName) + ": no boundary of " + constellationAbbreviation(n);
      return false;
    }
    const ConstellationRow& row = constellationTable[n - 1];
    ConstellationValues v;
    v.type = 40;
    v.number = static_cast<std::uint32_t>(n);
    v.name = constellationLatinName(n);
    v.abbreviation = row.abbreviation;
    v.genitive = row.genitive;
    v.commonName = row.commonNames[0];
    directionOf(row.labelRA * 15.0, row.labelDec, v.centre);
    v.points = outlines[n];
    fitCentre(v.points, v);
    if (!addEntry(v, entries, error)) return false;
  }
  for (int i = 0; i < kAsterismCount; ++i) {
    ConstellationValues v;
    v.type = 41;
    v.number = static_cast<std::uint32_t>(i + 1);
    v.name = getAsterism(i);
    const std::int16_t* figure = getAsterismFigure(i);
    double sum[3] = {0, 0, 0};
    for (int k = 0; k < kAsterismFigureWidth && figure[k] != 0; ++k) {
      auto star = brightStars.find(std::abs(figure[k]) + 1);
      if (star == brightStars.end()) {
        error = v.name + ": star HR " + std::to_string(std::abs(figure[k]) + 1) + " not in the star list";
        return false;
      }
      v.points.push_back({static_cast<float>(star->second[0]), static_cast<float>(star->second[1]),
                          static_cast<float>(star->second[2])});
      for (int a = 0; a < 3; ++a) sum[a] += star->second[a];
    }
    double length = std::hypot(sum[0], sum[1], sum[2]);
    if (length > 0.0)
      for (int a = 0; a < 3; ++a) v.centre[a] = sum[a] / length;
    fitCentre(v.points, v);
    if (!addEntry(v, entries, error)) return false;
  }
  counts.figures = static_cast<int>(entries.size());
  if (!sources.showers.empty() &&
      !addShowers(sources.showers, sources.showersName, entries, counts, error))
    return false;
  SkyDataWriter writer;
  writer.addIndex(0);
  const int count = writeRootOnly(entries, writer, error);
  if (count < 0 || !writer.writeFile(path)) {
    error = path + ": " + (count < 0 ? error : "cannot be written");
    return false;
  }
  return true;
}

}  // namespace catalogues
