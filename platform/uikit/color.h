// Interface colours, with hue, saturation and brightness.
#pragma once

#include "platform/coregraphics/color.h"

namespace ui {

struct Color {
  double r = 0, g = 0, b = 0, a = 1;
  bool operator==(const Color&) const = default;

  static Color rgba(double r, double g, double b, double a = 1) { return {r, g, b, a}; }
  static Color white(double white, double alpha = 1) { return {white, white, white, alpha}; }
  // Hue, saturation and brightness from 0 to 1.
  static Color hsba(double hue, double saturation, double brightness, double alpha = 1);
  static Color clear() { return {0, 0, 0, 0}; }
  static Color black() { return {0, 0, 0, 1}; }
  static Color whiteColor() { return {1, 1, 1, 1}; }
  static Color red() { return {1, 0, 0, 1}; }
  static Color green() { return {0, 1, 0, 1}; }
  static Color blue() { return {0, 0, 1, 1}; }
  static Color gray() { return {0.5, 0.5, 0.5, 1}; }
  static Color lightGray() { return {2.0 / 3, 2.0 / 3, 2.0 / 3, 1}; }
  static Color darkGray() { return {1.0 / 3, 1.0 / 3, 1.0 / 3, 1}; }
  // The platform's default tint (a clear blue).
  static Color systemBlue() { return {0, 122.0 / 255, 1, 1}; }

  void getHSBA(double& hue, double& saturation, double& brightness, double& alpha) const;
  Color withAlpha(double alpha) const { return {r, g, b, alpha}; }
  cg::Color cg() const { return {r, g, b, a}; }
};

}  // namespace ui
