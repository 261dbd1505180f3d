#include "platform/coregraphics/gradient.h"

#include <algorithm>
#include <cmath>

namespace cg {

std::shared_ptr<Gradient> Gradient::create(const std::vector<Color>& colors,
                                           const std::vector<double>& locations) {
  if (colors.empty() || (!locations.empty() && locations.size() != colors.size())) return nullptr;
  std::vector<Stop> stops;
  stops.reserve(colors.size());
  for (std::size_t i = 0; i < colors.size(); ++i) {
    double location = locations.empty()
                          ? (colors.size() == 1 ? 0.0 : double(i) / double(colors.size() - 1))
                          : locations[i];
    if (!std::isfinite(location)) return nullptr;
    stops.push_back({std::clamp(location, 0.0, 1.0), colors[i]});
  }
  std::stable_sort(stops.begin(), stops.end(),
                   [](const Stop& a, const Stop& b) { return a.location < b.location; });
  return std::shared_ptr<Gradient>(new Gradient(std::move(stops)));
}

}  // namespace cg
