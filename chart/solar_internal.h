// Helpers the solar-system layer's files share (not for other layers).
#pragma once

class CSkyObject;
class CPlanet;

// The body behind an object of types 30 to 36, or null.
CPlanet* asBody(CSkyObject* object);
const CPlanet* asBody(const CSkyObject* object);
// The body's own radius in AU (diameter over 2 AU), 0 when not positive
// or not finite.
double trueRadius(const CSkyObject* object);

// v turned by `angle` about the unit axis (right-handed), into `out`
// (which may be v).
void rotateAboutAxis(const double v[3], const double axis[3], double angle, double out[3]);
