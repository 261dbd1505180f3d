#include "tools/catalogues/deep_sky_catalogue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "skydata/catalog_numbers.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/skydata_writer.h"
#include "skydata/star.h"
#include "tools/catalogues/catalogue_tree.h"
#include "tools/catalogues/list_fields.h"
#include "tools/catalogues/record_encoding.h"
#include "tools/catalogues/record_list.h"

namespace catalogues {
namespace {

// The indexes loaded at launch (names, Messier, Caldwell, NGC, IC, nebula
// and cluster catalogues); the others are added as objects use them.
constexpr int kLaunchIndexes[] = {0, 101, 104, 102, 103, 112, 111};

std::uint16_t arcminutesToField(double arcminutes) {
  if (!std::isfinite(arcminutes) || arcminutes <= 0.0) return 0;
  return static_cast<std::uint16_t>(std::min(std::lround(arcminutes * 60.0), 65535L));
}

bool parseOutlines(std::string_view field, std::vector<Contour>& contours) {
  for (const std::string& ring : splitField(field, ';')) {
    Contour contour;
    for (const std::string& pair : splitField(ring, ',')) {
      std::size_t blank = pair.find(' ');
      double ra, dec, v[3];
      if (blank == std::string::npos || !parseDouble(std::string_view(pair).substr(0, blank), ra) ||
          !parseDouble(std::string_view(pair).substr(blank + 1), dec) || std::fabs(dec) > 90.0)
        return false;
      directionOf(ra, dec, v);
      contour.points.push_back({static_cast<float>(v[0]), static_cast<float>(v[1]),
                                static_cast<float>(v[2])});
    }
    if (contour.points.size() < 2) return false;
    contours.push_back(std::move(contour));
  }
  return true;
}

// A text with its letters in capitals and without blanks or the leading
// zeros of its numbers: "M51" and "m 051" read alike.
std::string canonical(std::string_view text) {
  std::string out;
  bool inNumber = false;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (c == ' ') continue;
    const bool digit = c >= '0' && c <= '9';
    const bool nextIsDigit = k + 1 < text.size() && text[k + 1] >= '0' && text[k + 1] <= '9';
    if (digit && c == '0' && !inNumber && nextIsDigit) continue;
    inNumber = digit;
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

// The catalogue number a designation names, or 0 when the text is more
// than a designation: "M51B" (the companion of M 51) and "NGC 4656 NED01"
// (a component of NGC 4656) are names, not the parent's number.
std::int64_t designationNumber(const std::string& text, int type) {
  std::int64_t numbers[16];
  if (parseDeepSkyDesignation(text.c_str(), type, numbers, 16) <= 0) return 0;
  char formatted[256];
  const std::string wanted = canonical(text);
  for (int style : {1, 0}) {
    formatCatalogNumber(numbers[0], formatted, sizeof formatted, style);
    if (canonical(formatted) == wanted) return numbers[0];
  }
  return 0;
}

bool parseObject(const ListRecord& record, std::string_view listName, CatalogueEntry& entry,
                 std::string& error) {
  const auto& f = record.fields;
  auto damaged = [&](const std::string& what) {
    error = lineError(listName, record.line, what);
    return false;
  };
  if (f.size() != 11) return damaged("expected 11 fields");
  const double none = std::numeric_limits<double>::infinity();
  std::int64_t type = 0;
  double ra, dec, visual, major, minor, angle;
  if (!parseInteger(f[1], type) || type < 10 || type > 29) return damaged("unknown object type");
  if (!parseDouble(f[2], ra) || !parseDouble(f[3], dec) || ra < 0.0 || ra >= 360.0 ||
      std::fabs(dec) > 90.0)
    return damaged("damaged position");
  if (!optionalNumber(f[4], none, visual) || !optionalNumber(f[5], 0.0, major) ||
      !optionalNumber(f[6], 0.0, minor) || !optionalNumber(f[7], none, angle))
    return damaged("damaged magnitude, size or angle");

  DeepSkyValues v;
  v.star.type = static_cast<int>(type);
  v.star.ra = ra * kDegree;
  v.star.dec = dec * kDegree;
  v.star.visual = visual;
  v.star.spectral = f[8] == "-" ? "" : f[8];
  for (const std::string& text : splitField(f[9], '|')) {
    if (const std::int64_t number = designationNumber(text, v.star.type)) {
      if (std::find(v.star.numbers.begin(), v.star.numbers.end(), number) == v.star.numbers.end())
        v.star.numbers.push_back(number);
    } else if (std::find(v.star.names.begin(), v.star.names.end(), text) == v.star.names.end()) {
      v.star.names.push_back(text);
    }
  }
  if (v.star.numbers.size() > 16) v.star.numbers.resize(16);
  if (v.star.names.size() > 16) v.star.names.resize(16);
  v.majorSize = arcminutesToField(major);
  v.minorSize = arcminutesToField(minor);
  if (std::isfinite(angle)) v.orientation = static_cast<std::uint16_t>(std::lround(std::fmod(angle, 360.0) * 10.0) % 3600);
  if (!parseOutlines(f[10], v.contours)) return damaged("damaged outline");
  entry.object = makeDeepSkyObject(v, error);
  if (!entry.object) return damaged(error);
  directionOf(ra, dec, entry.place);
  entry.order = std::isfinite(visual) ? static_cast<float>(visual) : kNone;
  entry.rangeMagnitude = static_cast<float>(visual);
  entry.names = v.star.names;
  entry.numbers = v.star.numbers;
  return true;
}

}  // namespace

bool buildDeepSkyCatalogue(std::string_view list, std::string_view listName,
                           const std::string& path, int& count, std::string& error) {
  std::vector<ListRecord> records;
  if (!parseRecordList(list, "deepsky", listName, "D", records, error)) return false;
  std::vector<CatalogueEntry> entries;
  for (const ListRecord& record : records) {
    if (record.fields[0] != "D") {
      error = lineError(listName, record.line, "unknown record \"" + record.fields[0] + "\"");
      return false;
    }
    CatalogueEntry entry;
    if (!parseObject(record, listName, entry, error)) return false;
    entries.push_back(std::move(entry));
  }
  SkyDataWriter writer;
  for (int id : kLaunchIndexes) writer.addIndex(static_cast<std::uint64_t>(id));
  count = writeSkyTree(entries, TreeShape{128, 8}, writer, error);
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

}  // namespace catalogues
