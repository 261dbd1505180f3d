#include "platform/foundation/json.h"

namespace ns {

std::optional<JSON> parseJSON(std::string_view text) {
  JSON value = JSON::parse(text, nullptr, /*allow_exceptions=*/false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

std::string serializeJSON(const JSON& value) {
  return value.dump(-1, ' ', false, JSON::error_handler_t::replace);
}

}  // namespace ns
