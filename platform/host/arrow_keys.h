// The arrow keys stand in for turning the device while Motion steers the
// chart: Up and Down tilt it up and down, Left and Right turn it left and
// right, a few degrees a press. The desktop host takes them from the
// keyboard, the headless host from its script's "key up" and the like.
//
// Thread rules: main thread only.
#pragma once

namespace host {

enum class ArrowKey { up, down, left, right };

inline constexpr double kArrowKeyStepDegrees = 5;

void pressArrowKey(ArrowKey key);

}  // namespace host
