// Output that appears whole or not at all: everything is written under a
// temporary name beside the target and renamed over it at the end, so an
// interrupted or failed build never leaves a half-written catalogue.
#pragma once

#include <string>
#include <string_view>

namespace catalogues {

// A temporary path in the folder of `target` (the folder is created).
std::string temporaryPathFor(const std::string& target);

// Renames `temporary` over `target`; false with `error` set on failure.
bool replaceFile(const std::string& temporary, const std::string& target, std::string& error);

// Writes `bytes` to a temporary file and renames it over `target`.
bool writeFileAtomically(const std::string& target, std::string_view bytes, std::string& error);

}  // namespace catalogues
