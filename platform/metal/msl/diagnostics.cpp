#include "platform/metal/msl/diagnostics.h"

#include <algorithm>

namespace mtl::msl {

void Diagnostics::error(SourceLocation at, std::string message) {
  if (full()) return;
  errors_.push_back({at, std::move(message)});
}

std::string Diagnostics::format(std::string_view source) const {
  // Where each line starts, found once for all errors.
  std::vector<std::size_t> starts{0};
  for (std::size_t i = 0; i < source.size(); ++i) {
    if (source[i] == '\n') starts.push_back(i + 1);
  }
  std::string out;
  for (const auto& d : errors_) {
    out += "program_source:" + std::to_string(d.location.line) + ":" +
           std::to_string(d.location.column) + ": error: " + d.message + "\n";
    if (d.location.line == 0 || d.location.line > starts.size()) continue;
    const std::size_t begin = starts[d.location.line - 1];
    std::size_t end = source.find('\n', begin);
    if (end == std::string_view::npos) end = source.size();
    std::string line(source.substr(begin, end - begin));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Control characters would garble a terminal; the column stays right.
    for (char& c : line) {
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t') c = ' ';
    }
    out += line + "\n";
    std::string caret;
    const std::size_t column = d.location.column ? d.location.column - 1 : 0;
    for (std::size_t i = 0; i < column && i < line.size(); ++i) caret += line[i] == '\t' ? '\t' : ' ';
    caret.append(column > line.size() ? column - line.size() : 0, ' ');
    out += caret + "^\n";
  }
  return out;
}

}  // namespace mtl::msl
