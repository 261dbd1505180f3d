// Compile errors with their place in the source, printed the way Metal's
// compiler prints them: "program_source:LINE:COLUMN: error: MESSAGE", the
// source line and a caret under the column. Lines and columns count from 1;
// a column counts bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mtl::msl {

struct SourceLocation {
  std::uint32_t line = 0;
  std::uint32_t column = 0;
};

struct Diagnostic {
  SourceLocation location;
  std::string message;
};

// Errors of one compilation. After kMaxErrors the list stops growing, and
// the compilation gives up.
class Diagnostics {
 public:
  static constexpr std::size_t kMaxErrors = 20;

  void error(SourceLocation at, std::string message);
  bool empty() const { return errors_.empty(); }
  bool full() const { return errors_.size() >= kMaxErrors; }
  const std::vector<Diagnostic>& errors() const { return errors_; }

  // Every error with its source line and caret, each ending in a line feed.
  std::string format(std::string_view source) const;

 private:
  std::vector<Diagnostic> errors_;
};

}  // namespace mtl::msl
