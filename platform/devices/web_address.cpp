#include "platform/devices/web_address.h"

#include <algorithm>
#include <vector>

namespace dev {

std::string withoutDotSegments(const std::string& address) {
  const std::size_t tail = std::min(address.find('?'), address.find('#'));
  const std::string path = address.substr(0, tail);
  // Segments between slashes; the first is empty for an absolute path.
  std::vector<std::string> kept;
  bool endsInFolder = false;
  std::size_t at = 0;
  while (true) {
    const std::size_t slash = std::min(path.find('/', at), path.size());
    const std::string segment = path.substr(at, slash - at);
    endsInFolder = segment == "." || segment == "..";
    if (segment == "..") {
      if (kept.size() > 1) kept.pop_back();
    } else if (!endsInFolder) {
      kept.push_back(segment);
    }
    if (slash == path.size()) break;
    at = slash + 1;
  }
  std::string result;
  for (std::size_t i = 0; i < kept.size(); ++i) result += (i > 0 ? "/" : "") + kept[i];
  if (endsInFolder) result += "/";
  return result + address.substr(std::min(tail, address.size()));
}

}  // namespace dev
