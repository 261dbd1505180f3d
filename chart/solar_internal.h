// Helpers the solar-system layer's files share (not for other layers).
#pragma once

class CSkyObject;
class CPlanet;
class CSkyChart;

// The body behind an object of types 30 to 36, or null.
CPlanet* asBody(CSkyObject* object);
const CPlanet* asBody(const CSkyObject* object);
// The body's own radius in AU (diameter over 2 AU), 0 when not positive
// or not finite.
double trueRadius(const CSkyObject* object);

// v turned by `angle` about the unit axis (right-handed), into `out`
// (which may be v).
void rotateAboutAxis(const double v[3], const double axis[3], double angle, double out[3]);

// The category flags of a satellite's four category codes: shown when any
// code (not 0) has its flag set. A satellite in no category has nothing a
// flag could hide: it is shown. Other bodies are always shown.
bool satelliteCategoryShown(const CSkyChart& chart, const CPlanet* body);
