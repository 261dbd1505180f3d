#include "tools/catalogues/record_list.h"

#include <cmath>
#include <fstream>
#include <sstream>

namespace catalogues {

bool readWholeFile(const std::string& path, std::string& contents, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be opened";
    return false;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    error = path + ": read error";
    return false;
  }
  contents = std::move(buffer).str();
  return true;
}

namespace {

std::vector<std::string> splitTabs(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    std::size_t tab = line.find('\t', start);
    fields.emplace_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return fields;
}

}  // namespace

bool parseRecordList(std::string_view text, std::string_view kind, std::string_view name,
                     std::string_view countedTag, std::vector<ListRecord>& records,
                     std::string& error) {
  records.clear();
  std::string header = "# tessaly-" + std::string(kind) + " 1";
  int lineNumber = 0;
  std::size_t position = 0;
  std::int64_t counted = 0;
  bool closed = false;
  while (position < text.size()) {
    std::size_t end = text.find('\n', position);
    if (end == std::string_view::npos) {
      // The writers end every line; a missing line end means a cut file.
      error = lineError(name, lineNumber + 1, "line not ended (file truncated?)");
      return false;
    }
    std::string_view line = text.substr(position, end - position);
    position = end + 1;
    ++lineNumber;
    if (lineNumber == 1) {
      if (line != header) {
        error = lineError(name, 1, "not a list of " + std::string(kind) + " (expected \"" + header + "\")");
        return false;
      }
      continue;
    }
    if (closed) {
      error = lineError(name, lineNumber, "text after the closing count");
      return false;
    }
    if (line.find('\0') != std::string_view::npos || line.find('\r') != std::string_view::npos) {
      error = lineError(name, lineNumber, "control character in the line");
      return false;
    }
    ListRecord record{lineNumber, splitTabs(line)};
    if (record.fields[0] == "E") {
      std::int64_t expected = 0;
      if (record.fields.size() != 2 || !parseInteger(record.fields[1], expected)) {
        error = lineError(name, lineNumber, "damaged closing count");
        return false;
      }
      if (expected != counted) {
        error = lineError(name, lineNumber, "closing count " + std::to_string(expected) +
                                                " but " + std::to_string(counted) + " records");
        return false;
      }
      closed = true;
      continue;
    }
    if (countedTag == "*" || record.fields[0] == countedTag) ++counted;
    records.push_back(std::move(record));
  }
  if (lineNumber == 0) {
    error = lineError(name, 1, "empty list");
    return false;
  }
  if (!closed) {
    error = lineError(name, lineNumber, "no closing count (file truncated?)");
    return false;
  }
  return true;
}

}  // namespace catalogues
