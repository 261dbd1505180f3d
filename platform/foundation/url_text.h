// Percent-encoding of the texts in addresses (RFC 3986).
#pragma once

#include <string>
#include <string_view>

namespace ns {

// Every byte but ASCII letters, digits and the characters of `keep` as
// "%XX" (upper-case hex).
std::string percentEncoded(std::string_view text, std::string_view keep);
// "%XX" (either case) as its byte; a '%' without two hex digits stays.
std::string percentDecoded(std::string_view text);

}  // namespace ns
