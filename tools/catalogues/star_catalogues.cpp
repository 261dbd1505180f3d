#include "tools/catalogues/star_catalogues.h"

#include <cmath>
#include <limits>

#include "skydata/skydata_writer.h"
#include "skydata/star.h"
#include "skydata/star_designations.h"
#include "tools/catalogues/catalogue_tree.h"
#include "tools/catalogues/list_fields.h"
#include "tools/catalogues/record_encoding.h"
#include "tools/catalogues/record_list.h"

namespace catalogues {
namespace {

constexpr double kMasToRadians = kDegree / 3600000.0;
constexpr double kNaked = 6.5;  // stars this bright stay in the star file's root
// Index ids every star file announces: names, Bayer, Flamsteed, variable
// names, HR, discoverer designations (loaded at launch), then the
// catalogues the search may ask for.
constexpr int kStarIndexes[] = {0, 1, 2, 3, 4, 21, 5, 6, 11, 23};

bool parseStar(const ListRecord& record, std::string_view listName, int& file,
               CatalogueEntry& entry, std::string& error) {
  const auto& f = record.fields;
  auto damaged = [&](const char* what) {
    error = lineError(listName, record.line, what);
    return false;
  };
  if (f.size() != 15) return damaged("expected 15 fields");
  std::int64_t fileNumber = 0, type = 0;
  double ra, dec, distance, pmra, pmdec, visual, blue;
  if (!parseInteger(f[1], fileNumber) || (fileNumber != 2 && fileNumber != 3 && fileNumber != 6))
    return damaged("unknown star file");
  if (!parseInteger(f[2], type) || type < 1 || type > 9) return damaged("unknown star type");
  if (!parseDouble(f[3], ra) || !parseDouble(f[4], dec) || ra < 0.0 || ra >= 360.0 ||
      std::fabs(dec) > 90.0)
    return damaged("damaged position");
  const double none = std::numeric_limits<double>::infinity();
  if (!optionalNumber(f[5], none, distance) || !optionalNumber(f[6], none, pmra) ||
      !optionalNumber(f[7], none, pmdec) || !optionalNumber(f[8], none, visual) ||
      !optionalNumber(f[9], none, blue) || !(distance > 0.0))
    return damaged("damaged distance, motion or magnitude");

  StarValues v;
  v.type = static_cast<int>(type);
  v.ra = ra * kDegree;
  v.dec = dec * kDegree;
  v.distance = static_cast<float>(distance);
  if (std::isfinite(pmra) && std::isfinite(pmdec) && std::cos(v.dec) > 1e-9) {
    v.raRate = static_cast<float>(pmra * kMasToRadians / std::cos(v.dec));
    v.decRate = static_cast<float>(pmdec * kMasToRadians);
  }
  v.visual = visual;
  v.blue = blue;
  v.spectral = f[10] == "-" ? "" : f[10];
  for (const std::string& text : splitField(f[11], '|')) {
    std::int64_t numbers[4];
    if (parseStarDesignation(text.c_str(), v.type, numbers, 1) < 1)
      return damaged(("designation not understood: " + text).c_str());
    v.numbers.push_back(numbers[0]);
  }
  v.names = splitField(f[12], '|');
  std::vector<std::string> variable = splitField(f[13], ',');
  if (!variable.empty()) {
    double period, epoch;
    if (variable.size() != 5 || !optionalNumber(variable[0], none, v.maximum) ||
        !optionalNumber(variable[1], none, v.minimum) ||
        !optionalNumber(variable[2], none, period) || !optionalNumber(variable[3], none, epoch))
      return damaged("damaged variable-star values");
    v.period = static_cast<float>(period);
    v.epoch = static_cast<float>(epoch - 2451545.0);
    v.variableType = variable[4] == "-" ? "" : variable[4];
  }
  std::vector<std::string> pair = splitField(f[14], ',');
  if (!pair.empty()) {
    double separation, angle;
    if (pair.size() != 2 || !optionalNumber(pair[0], none, separation) ||
        !optionalNumber(pair[1], none, angle))
      return damaged("damaged double-star values");
    v.separation = static_cast<float>(separation * kDegree / 3600.0);
    v.positionAngle = static_cast<float>(angle * kDegree);
  }
  entry.object = makeStar(v, error);
  if (!entry.object) return damaged(error.c_str());

  file = static_cast<int>(fileNumber);
  entry.names = v.names;
  entry.numbers = v.numbers;
  const double* unit = static_cast<CStar&>(*entry.object).getCatalogVector(nullptr);
  float magnitude = static_cast<float>(std::isfinite(visual) ? visual : blue);
  if (file == 2 && !std::isfinite(distance)) {
    // A naked-eye star whose parallax the sources lack: the root region,
    // where the chart always looks, holds it without a place in space.
    if (!(magnitude <= kNaked)) return damaged("a faint star of the star file needs a distance");
    for (int k = 0; k < 3; ++k) entry.place[k] = unit[k];
    entry.order = magnitude;
    entry.rangeMagnitude = kNone;
    entry.inRoot = true;
  } else if (file == 2) {
    for (int k = 0; k < 3; ++k) entry.place[k] = unit[k] * distance;
    float absolute = magnitude - 5.0f * (std::log10(static_cast<float>(distance)) - 1.0f);
    entry.order = absolute;
    entry.rangeMagnitude = absolute;
    entry.inRoot = magnitude <= kNaked;
  } else {
    for (int k = 0; k < 3; ++k) entry.place[k] = unit[k];
    entry.order = std::isfinite(magnitude) ? magnitude : kNone;
    entry.rangeMagnitude = magnitude;
  }
  return true;
}

bool writeCatalogue(std::vector<CatalogueEntry>& entries, bool space, const std::string& path,
                    int& count, std::string& error) {
  SkyDataWriter writer;
  for (int id : kStarIndexes) writer.addIndex(static_cast<std::uint64_t>(id));
  TreeShape shape{256, 8};
  count = space ? writeSpaceTree(entries, shape, writer, error)
                : writeSkyTree(entries, shape, writer, error);
  if (count < 0) {
    error = path + ": " + error;
    return false;
  }
  if (!writer.writeFile(path)) {
    error = path + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace

bool buildStarCatalogues(std::string_view list, std::string_view listName,
                         const std::string& folder, StarCounts& counts, std::string& error) {
  std::vector<ListRecord> records;
  if (!parseRecordList(list, "stars", listName, "S", records, error)) return false;
  std::vector<CatalogueEntry> stars, tycho, guide;
  for (const ListRecord& record : records) {
    if (record.fields[0] != "S") {
      error = lineError(listName, record.line, "unknown record \"" + record.fields[0] + "\"");
      return false;
    }
    CatalogueEntry entry;
    int file = 0;
    if (!parseStar(record, listName, file, entry, error)) return false;
    (file == 2 ? stars : file == 6 ? tycho : guide).push_back(std::move(entry));
  }
  return writeCatalogue(stars, true, folder + "/Stars.skydata", counts.stars, error) &&
         writeCatalogue(tycho, false, folder + "/TychoStars.skydata", counts.tycho, error) &&
         writeCatalogue(guide, false, folder + "/GuideStars.skydata", counts.guide, error);
}

}  // namespace catalogues
