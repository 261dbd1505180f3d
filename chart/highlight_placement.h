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

// False when the display options hide the object: a star or body fainter
// than its layer's limit, a deep-sky object outside the deep-sky filter, a
// body its own layer keeps off the chart (unless every highlight is drawn
// or it is the selected object). Brings the object's place up to date.
bool isHighlightShown(CSkyChart& chart, CSkyObject* object, bool selected);
// Where the object's circle stands; false when it does not project near
// the viewport.
bool projectHighlightedObject(CSkyChart& chart, CSkyObject* object, HighlightPlacement* out);
// Both of the above.
bool placeHighlightedObject(CSkyChart& chart, CSkyObject* object, bool selected,
                            HighlightPlacement* out);
// The object's angular radius (radians) as the highlight circle shows it.
double highlightAngularRadius(const CSkyObject* object);
