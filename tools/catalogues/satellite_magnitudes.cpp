#include "tools/catalogues/satellite_magnitudes.h"

#include <vector>

#include "tools/catalogues/published_table.h"
#include "tools/catalogues/record_list.h"

namespace catalogues {
namespace {

// Catalogue numbers of the public satellite catalogue, including the Alpha-5
// range, and a span of magnitudes no satellite reaches.
constexpr std::int64_t kHighestNumber = 339999;
constexpr double kBrightestMagnitude = -10.0, kFaintestMagnitude = 25.0;

bool optionalValue(const std::string& field, bool& present, double& value) {
  present = field != "-";
  return !present || parseDouble(field, value);
}

}  // namespace

bool parseSatelliteMagnitudes(std::string_view text, std::string_view name,
                              std::map<int, double>& magnitudes, std::string& error) {
  std::vector<ListRecord> records;
  if (!parsePublishedTable(text, name, records, error)) return false;
  std::map<int, double> parsed;
  std::int64_t previous = 0;
  for (const ListRecord& record : records) {
    const auto& f = record.fields;
    if (f[0] != "SAT" || f.size() != 6) {
      error = lineError(name, record.line, "not a SAT line of six fields");
      return false;
    }
    std::int64_t number = 0;
    double magnitude = 0.0, rcs = 0.0, mmt = 0.0;
    bool hasMagnitude, hasRcs, hasMmt;
    if (!parseInteger(f[1], number) || number < 1 || number > kHighestNumber ||
        number <= previous) {
      error = lineError(name, record.line, "catalogue number out of range or order");
      return false;
    }
    if (!optionalValue(f[2], hasMagnitude, magnitude) ||
        (hasMagnitude && (magnitude < kBrightestMagnitude || magnitude > kFaintestMagnitude)) ||
        !optionalValue(f[4], hasRcs, rcs) || (hasRcs && rcs < 0.0) ||
        !optionalValue(f[5], hasMmt, mmt) ||
        f[3].find_first_not_of("QRM") != std::string::npos) {
      error = lineError(name, record.line, "damaged magnitude, source or cross-section");
      return false;
    }
    previous = number;
    if (hasMagnitude) parsed[static_cast<int>(number)] = magnitude + kFullToHalfPhaseMagnitudes;
  }
  magnitudes = std::move(parsed);
  return true;
}

}  // namespace catalogues
