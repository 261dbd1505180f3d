// Whether bytes are well-formed UTF-8 (RFC 3629): shortest forms only, no
// surrogates, nothing above U+10FFFF.
#pragma once

#include <string_view>

bool isValidUtf8(std::string_view text);
