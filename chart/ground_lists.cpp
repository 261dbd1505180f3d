// The ground view's lists: the user's ground circles, the ground targets,
// and the shown countries as the settings file names them.
#include <cstdlib>
#include <cstring>

#include "chart/sky_chart.h"
#include "chart/world_borders.h"
#include "skydata/settings.h"

namespace {

constexpr const char* kShowCountryBorderKey = "ShowCountryBorder";
constexpr int kCountryFlags = 256;

}  // namespace

bool CSkyChart::insertGroundCircle(int index, const Circle& circle) {
  if (index < 0 || index > groundCircleCount) return false;
  auto* grown = static_cast<Circle*>(
      std::realloc(groundCircles, sizeof(Circle) * static_cast<std::size_t>(groundCircleCount + 1)));
  if (grown == nullptr) return false;
  groundCircles = grown;
  std::memmove(&groundCircles[index + 1], &groundCircles[index],
               sizeof(Circle) * static_cast<std::size_t>(groundCircleCount - index));
  groundCircles[index] = circle;
  groundCircles[index].name[sizeof circle.name - 1] = '\0';
  ++groundCircleCount;
  return true;
}

int CSkyChart::deleteGroundCircle(int index) {
  if (index < 0 || index >= groundCircleCount) return 0;
  std::memmove(&groundCircles[index], &groundCircles[index + 1],
               sizeof(Circle) * static_cast<std::size_t>(groundCircleCount - index - 1));
  --groundCircleCount;
  if (groundCircleCount == 0) {
    std::free(groundCircles);
    groundCircles = nullptr;
    return 1;
  }
  // A shrink that fails leaves the old, larger block in place: it still
  // holds every remaining circle.
  auto* shrunk = static_cast<Circle*>(
      std::realloc(groundCircles, sizeof(Circle) * static_cast<std::size_t>(groundCircleCount)));
  if (shrunk != nullptr) groundCircles = shrunk;
  return 1;
}

void CSkyChart::releaseGroundTargets() {
  std::free(groundTargets);
  groundTargets = nullptr;
  groundTargetCount = 0;
}

void CSkyChart::readCountryBorderSettings(const CSettings* tree) {
  for (const CSettings* node = tree; node != nullptr; node = node->next) {
    if (!node->value || node->name != kShowCountryBorderKey) continue;
    const int index = findCountry(node->value->c_str());
    // The flags cover the first 256 rows only.
    if (index >= 0 && index < kCountryFlags) showCountryBorder[index] = true;
  }
}

void CSkyChart::writeCountryBorderSettings(CSettings* tree) {
  const int rows = getCountryCount() < kCountryFlags ? getCountryCount() : kCountryFlags;
  for (int i = 0; i < rows; ++i) {
    if (!showCountryBorder[i]) continue;
    // The code names the country unless it is empty or an earlier row
    // shares it; the name then does.
    const CountryRecord* row = getCountryRecord(i);
    const char* text = findCountry(row->code) == i ? row->code : row->name;
    CSettings::addString(tree, kShowCountryBorderKey, text);
  }
}
