#include "tools/catalogues/published_table.h"

namespace catalogues {

bool parsePublishedTable(std::string_view text, std::string_view name,
                         std::vector<ListRecord>& records, std::string& error) {
  constexpr std::size_t kLongestLine = 4096;
  records.clear();
  int number = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kLongestLine) {
      error = lineError(name, number, "line too long");
      return false;
    }
    line = line.substr(0, line.find('#'));
    for (char c : line) {
      const auto u = static_cast<unsigned char>(c);
      if (c != '\t' && (u < 0x20 || u > 0x7e)) {
        error = lineError(name, number, "unexpected character");
        return false;
      }
    }
    ListRecord record;
    record.line = number;
    std::size_t k = 0;
    while (k < line.size()) {
      if (line[k] == ' ' || line[k] == '\t') {
        ++k;
        continue;
      }
      std::size_t start = k;
      while (k < line.size() && line[k] != ' ' && line[k] != '\t') ++k;
      record.fields.emplace_back(line.substr(start, k - start));
    }
    if (!record.fields.empty()) records.push_back(std::move(record));
  }
  return true;
}

}  // namespace catalogues
