#include "tools/catalogues/list_fields.h"

#include "engine/vectors.h"
#include "tools/catalogues/record_list.h"

namespace catalogues {

bool optionalNumber(std::string_view field, double none, double& value) {
  if (field == "-") {
    value = none;
    return true;
  }
  return parseDouble(field, value);
}

std::vector<std::string> splitField(std::string_view field, char separator) {
  std::vector<std::string> parts;
  if (field == "-" || field.empty()) return parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = field.find(separator, start);
    parts.emplace_back(field.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

void directionOf(double raDegrees, double decDegrees, double out[3]) {
  sphericalToVector(out, raDegrees * kDegree, decDegrees * kDegree, 1.0);
}

}  // namespace catalogues
