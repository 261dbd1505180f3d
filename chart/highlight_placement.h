// Where a highlighted object stands on the screen: the visibility filter,
// angular radius and screen circle that the highlight drawing and the hit
// test share, so that a tap finds exactly what was drawn.
#pragma once

class CSkyChart;
class CSkyObject;

struct HighlightPlacement {
  double x = 0, y = 0;  // screen point
  double radius = 0;    // pixels; +infinity when larger than the sky
};

// False when the object is hidden by the display options (unless every
// highlight is drawn or it is the selected object) or does not project
// near the viewport. Brings the object's place up to date first.
bool placeHighlightedObject(CSkyChart& chart, CSkyObject* object, bool selected,
                            HighlightPlacement* out);
// The object's angular radius (radians) as the highlight circle shows it.
double highlightAngularRadius(const CSkyObject* object);
