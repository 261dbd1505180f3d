// The plain-text tables of data/published/: '#' starts a comment that runs
// to the end of the line, blank lines are ignored, and every other line is
// KEYWORD field field ..., fields separated by blanks or tabs.
#pragma once

#include <string_view>
#include <vector>

#include "tools/catalogues/record_list.h"

namespace catalogues {

// The table's lines as records (fields[0] is the keyword), with their line
// numbers. False with `error` set ("<name>:<line>: <what>") for a line that
// is not printable ASCII or longer than 4096 characters.
bool parsePublishedTable(std::string_view text, std::string_view name,
                         std::vector<ListRecord>& records, std::string& error);

}  // namespace catalogues
