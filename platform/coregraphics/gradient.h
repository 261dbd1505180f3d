// Colour gradients in device RGB.
#pragma once

#include <memory>
#include <vector>

#include "platform/coregraphics/color.h"

namespace cg {

class Gradient {
 public:
  struct Stop {
    double location;  // 0 at the start, 1 at the end
    Color color;
  };

  // Stops at the given locations, or spread evenly from 0 to 1 when no
  // locations are given. Null when there are no colours, the counts differ
  // or a location is not finite.
  static std::shared_ptr<Gradient> create(const std::vector<Color>& colors,
                                          const std::vector<double>& locations = {});
  const std::vector<Stop>& stops() const { return stops_; }

 private:
  explicit Gradient(std::vector<Stop> stops) : stops_(std::move(stops)) {}
  std::vector<Stop> stops_;
};

}  // namespace cg
