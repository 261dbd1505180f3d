// What the deep-sky drawing and its hit test share, so that a tap finds
// exactly the symbol that was drawn: the type codes with symbols, the
// fields that thin the layer out, and a galaxy's ellipse on the screen.
#pragma once

class CSkyChart;
class CDeepSkyObject;

enum DeepSkyType {
  kOpenCluster = 11,
  kGlobularCluster = 12,
  kBrightNebula = 13,
  kDarkNebula = 14,
  kPlanetaryNebula = 15,
  kGalaxy = 16,
  kSpiralGalaxy = 17,
  kEllipticalGalaxy = 18,
  kIrregularGalaxy = 19,
  kQuasar = 20,
};

// From this field only the catalogue rule's objects show, and from the
// wider one nothing but the selected object, unless "ShowDeepSkyAtWideFOV".
inline constexpr double kDeepSkyWideField = 0.26179938779908335;     // 15 degrees
inline constexpr double kDeepSkyVeryWideField = 0.78539816339725;    // 45 degrees

inline bool isGalaxyType(int type) { return type >= kGalaxy && type <= kIrregularGalaxy; }

// A galaxy's screen semi-minor axis (pixels; at least 2.5 points) and the
// screen angle of its major axis (the screen's north at the object turned
// back by its position angle; 0 when it has none), radians.
double galaxyMinorRadius(const CSkyChart& chart, const CDeepSkyObject& object);
double galaxyEllipseAngle(const CSkyChart& chart, const CDeepSkyObject& object);
