// Rise, transit and set as the chart and the information screens give
// them: at the chart's horizon altitude, lowered by refraction when the
// chart refracts and by the upper limb's half diameter for bodies.
#pragma once

class CSkyChart;
class CSkyObject;

// The Julian date (UT) of the object's rise (mode -1), transit (0) or set
// (1) near the chart's date, +infinity when there is none (also for a rise
// that does not happen, and for the Earth seen from its own ground).
double objectRiseSetTime(CSkyChart* chart, CSkyObject* object, int mode);
