// What a turn of a mouse wheel does at a point of the screen, as a desktop
// user expects: the scroll view (or table) under the pointer scrolls;
// over anything else that is not a control (the chart) the turn is a
// two-finger pinch centred on the pointer, delivered as touches so that
// the view's own pinch handling zooms. Controls outside scroll views take
// nothing (a pinch over a button would press it).
//
// Thread rules: main thread only.
#pragma once

#include "platform/uikit/geometry.h"

namespace host {

// Points the content moves for one notch of the wheel.
inline constexpr double kWheelScrollPoints = 40;
// How far apart the pinch's fingers start, and how much one notch spreads
// them (zooming in as the wheel turns away from the user).
inline constexpr double kWheelPinchSpan = 100;
inline constexpr double kWheelPinchFactorPerNotch = 1.1;

// `notchesX`, `notchesY`: the wheel's turn, positive to the right and away
// from the user; `at` in screen points; `timestamp` the host's clock.
void turnWheel(ui::Point at, double notchesX, double notchesY, double timestamp);

}  // namespace host
