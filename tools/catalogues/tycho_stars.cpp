#include "tools/catalogues/tycho_stars.h"

#include <zlib.h>

#include <cmath>
#include <memory>
#include <string_view>
#include <vector>

#include "skydata/catalog_numbers.h"
#include "skydata/star_designations.h"
#include "tools/catalogues/record_list.h"

namespace catalogues {
namespace {

constexpr const char* kHeader = "tyc,hip,ra_deg,dec_deg,pmra_mas_yr,pmdec_mas_yr,vmag,bv,src";
constexpr int kFields = 9;
constexpr std::size_t kLongestLine = 256;
constexpr int kHighestHip = 120416;

struct GzipFile {
  explicit GzipFile(const std::string& path) : file(gzopen(path.c_str(), "rb")) {}
  ~GzipFile() {
    if (file) gzclose(file);
  }
  gzFile file;
};

std::vector<std::string_view> split(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma == std::string_view::npos ? comma : comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

bool optional(std::string_view field, double& value) {
  if (field.empty()) {
    value = NAN;
    return true;
  }
  return parseDouble(field, value);
}

}  // namespace

bool parseTychoRow(std::string_view line, TychoRow& row) {
  const std::vector<std::string_view> f = split(line);
  if (f.size() != kFields) return false;
  row.designation.assign(f[0]);
  row.number = parseStarCatalogNumber(row.designation.c_str());
  std::int64_t hip = 0;
  if (catalogOfNumber(row.number) != kCatalogTycho) return false;
  if (!f[1].empty() && (!parseInteger(f[1], hip) || hip < 1 || hip > kHighestHip)) return false;
  row.hip = static_cast<int>(hip);
  if (!parseDouble(f[2], row.ra) || !parseDouble(f[3], row.dec) || row.ra < 0.0 ||
      row.ra >= 360.0 || std::fabs(row.dec) > 90.0)
    return false;
  if (!optional(f[4], row.pmra) || !optional(f[5], row.pmdec) ||
      std::isnan(row.pmra) != std::isnan(row.pmdec))
    return false;
  if (!parseDouble(f[6], row.visual) || row.visual < -2.0 || row.visual > 11.0 ||
      !optional(f[7], row.colour))
    return false;
  if (f[8].size() != 2 || std::string_view("MXHT").find(f[8][0]) == std::string_view::npos ||
      std::string_view("JVP").find(f[8][1]) == std::string_view::npos)
    return false;
  row.position = f[8][0];
  row.magnitude = f[8][1];
  // Rows without a mean position carry no proper motion.
  return (row.position == 'X' || row.position == 'T') == std::isnan(row.pmra);
}

bool readTychoStars(const std::string& path, const std::function<bool(const TychoRow&)>& visit,
                    std::string& error) {
  GzipFile in(path);
  if (!in.file) {
    error = path + ": cannot be opened";
    return false;
  }
  char buffer[kLongestLine + 2];
  int line = 0;
  bool sawHeader = false;
  TychoRow row;
  while (gzgets(in.file, buffer, sizeof buffer)) {
    ++line;
    std::string_view text(buffer);
    if (text.empty() || text.back() != '\n') {
      // A line longer than any row, or the last one cut short.
      error = lineError(path, line, gzeof(in.file) ? "last line cut short" : "line too long");
      return false;
    }
    text.remove_suffix(1);
    if (!sawHeader) {
      if (text != kHeader) {
        error = lineError(path, line, "not the Tycho-2 star list header");
        return false;
      }
      sawHeader = true;
      continue;
    }
    row.line = line;
    if (!parseTychoRow(text, row)) {
      error = lineError(path, line, "damaged star row");
      return false;
    }
    if (!visit(row)) return false;
  }
  int code = Z_OK;
  const char* message = gzerror(in.file, &code);
  if (code != Z_OK && code != Z_STREAM_END) {
    error = path + ": " + (message ? message : "damaged compressed data");
    return false;
  }
  if (!gzeof(in.file)) {
    error = path + ": read error";
    return false;
  }
  if (!sawHeader) {
    error = path + ": empty";
    return false;
  }
  return true;
}

}  // namespace catalogues
