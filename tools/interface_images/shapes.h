// Drawing steps the interface images share: rounded rectangles, arcs as
// fine polylines, round-capped strokes, the ringed question mark, and
// writing an image in white and in the night theme's red.
#pragma once

#include <filesystem>
#include <string>

#include "tools/interface_images/image_file.h"

inline constexpr cg::Color kWhite{1, 1, 1, 1};
inline constexpr double kPi = 3.14159265358979323846;

void roundedRect(cg::Context& c, const cg::Rect& r, double radius);
// An arc round (cx, cy) from angle a0 to a1 (degrees, clockwise on the
// screen from the right), as a fine polyline; it starts a new subpath
// unless `join`, which draws a line to its first point instead.
void arc(cg::Context& c, double cx, double cy, double radius, double a0, double a1, bool join = false);
// Stroke and fill in `color`, lines `width` wide with round ends and joins.
void roundStrokes(cg::Context& c, const cg::Color& color, double width);
// A question mark in a ring, 20 x 20 points.
void questionMark(cg::Context& c, const cg::Color& color);

// The drawing turned over left to right within `width` points.
Draw mirrored(double width, Draw draw);
// The image in white and, as "_night", in the night theme's red (the
// screens tint the white one, so only its shape matters there).
bool writeBoth(const std::filesystem::path& folder, const std::string& name, double width, double height,
               void (*draw)(cg::Context&, const cg::Color&), bool mirror = false);
