// Helpers the solar-system layer's files share (not for other layers).
#pragma once

class CSkyObject;
class CPlanet;
class CSkyChart;
struct PlanetDistance;

// The body behind an object of types 30 to 36, or null.
CPlanet* asBody(CSkyObject* object);
const CPlanet* asBody(const CSkyObject* object);
// The body's own radius in AU (diameter over 2 AU), 0 when not positive
// or not finite.
double trueRadius(const CSkyObject* object);

// The object of a draw-list record: the selected object for its own
// region, else the top region's object; null when there is none.
CPlanet* drawListObject(CSkyChart& chart, const PlanetDistance& record);

// v turned by `angle` about the unit axis (right-handed), into `out`
// (which may be v).
void rotateAboutAxis(const double v[3], const double axis[3], double angle, double out[3]);

// One body as the chart draws it: its orientation (sky frame to body
// axes), flattening, magnified radius and place. Body-fixed vectors are in
// units of the radius.
struct BodyFrame {
  BodyFrame(const CSkyChart& chart, CPlanet* body);

  double m[9];
  double flattening[3];
  double radius;     // AU, magnified
  double distance;   // AU
  double centre[3];  // unit direction from the observer
  double tangent;    // angle of the limb points from the observer's direction

  // The observer's direction in body axes.
  void observer(double out[3]) const;
  // A body-fixed unit direction pulled onto the limb when it lies behind
  // it (farther than the tangent angle from the observer's direction o).
  void limbStart(const double o[3], const double a[3], double out[3]) const;
  // The sky direction of a body-fixed unit vector on the ellipsoid, scaled
  // by `scale` radii.
  void toSky(const double v[3], double out[3], double scale = 1) const;
  // The sky direction of a body-fixed point already in AU.
  void pointToSky(const double p[3], double out[3]) const;
  // Unit vector perpendicular to the observer's direction o (body axes):
  // where the limb's 73 points start.
  static void limbAxis(const double o[3], double out[3]);
};

// Limb points: every 5 degrees, the last repeating the first.
inline constexpr double kLimbStep = 0.08726646259969445;
inline constexpr int kLimbPoints = 73;
// Translucent black of dark sides and shadows, as a float.
inline constexpr float kShadowAlpha = 0.6600000262260437f;
// Kilometres per astronomical unit, and the divisor that turns a diameter
// in km into a radius in AU.
inline constexpr double kKilometresPerAU = 149597870.0;
inline constexpr double kDiameterKmPerRadiusAU = 299195740.0;

// The category flags of a satellite's four category codes: shown when any
// code (not 0) has its flag set. A satellite in no category has nothing a
// flag could hide: it is shown. Other bodies are always shown.
bool satelliteCategoryShown(const CSkyChart& chart, const CPlanet* body);
