// The intermediate lists that the extraction scripts write and the builder
// reads: UTF-8 text, one record a line, fields separated by tabs.
//
//   # tessaly-<kind> 1          first line: what the list holds
//   <tag> <field> ...           records
//   E <count>                   last line: how many counted records came
//
// The closing count catches a list cut short; every failure is reported
// with the list's name and the line number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "skydata/text_fields.h"

namespace catalogues {

struct ListRecord {
  int line = 0;                     // 1-based line number in the list
  std::vector<std::string> fields;  // fields[0] is the tag
};

// Parses `text`; `countedTag` names the records the closing count counts
// ("*": all of them).
// Returns false with `error` set ("<name>:<line>: <what>") on damage.
bool parseRecordList(std::string_view text, std::string_view kind, std::string_view name,
                     std::string_view countedTag, std::vector<ListRecord>& records,
                     std::string& error);

// Reads a whole file; false with `error` set when it cannot be read.
bool readWholeFile(const std::string& path, std::string& contents, std::string& error);

}  // namespace catalogues
