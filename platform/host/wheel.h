// What a turn of a mouse wheel does at a point of the screen, as a desktop
// user expects: the scroll view (or table) under the pointer scrolls; a
// view that zooms (the chart) zooms about the pointer, so what lies under
// the pointer stays there; over anything else that is not a control the
// turn is a two-finger pinch centred on the pointer, delivered as touches
// so that the view's own pinch handling zooms (a touchpad's fractions of a
// notch add up to a notch first: a smaller pinch would not begin). Controls outside scroll
// views take nothing (a pinch over a button would press it).
//
// Thread rules: main thread only.
#pragma once

#include <utility>

#include "platform/uikit/geometry.h"

namespace host {

// Points the content moves for one notch of the wheel.
inline constexpr double kWheelScrollPoints = 40;
// How far apart the pinch's fingers start, and how much one notch spreads
// them (zooming in as the wheel turns away from the user). A pinch moves
// them by at most that factor per move: views limit the ratio of one move.
inline constexpr double kWheelPinchSpan = 100;
inline constexpr double kWheelPinchFactorPerNotch = 1.1;

// A view that zooms itself about a point, for the wheel: a touch pinch
// keeps the view's centre, which is not what a desktop user expects of a
// wheel.
class WheelZoomTarget {
 public:
  virtual ~WheelZoomTarget() = default;
  // `magnification` > 1 zooms in; `at` in the view's own points.
  virtual void zoomAboutPoint(ui::Point at, double magnification) = 0;
};

// Ctrl-drag on the desktop is a pinch too: the two fingers stand either
// side of the press point, kWheelPinchSpan apart at the press, and spread
// by one notch's factor for every kDragPointsPerNotch the pointer has
// moved up (zooming in), closing as it moves down (zooming out).
inline constexpr double kDragPointsPerNotch = 10;
std::pair<ui::Point, ui::Point> dragPinchFingers(ui::Point press, ui::Point pointer);

// `notchesX`, `notchesY`: the wheel's turn, positive to the right and away
// from the user; `at` in screen points; `timestamp` the host's clock.
void turnWheel(ui::Point at, double notchesX, double notchesY, double timestamp);

}  // namespace host
