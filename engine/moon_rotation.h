// Rotation models of planetary moons (IAU Working Group on Cartographic
// Coordinates and Rotational Elements): pole right ascension and
// declination (J2000 equator, radians), prime-meridian angle W (radians,
// in [0, 2 pi)) and its rate (radians per day) at a Julian date.
#pragma once

void phobosRotation(double* ra, double* dec, double* w, double* rate, double jd);
void deimosRotation(double* ra, double* dec, double* w, double* rate, double jd);
void ioRotation(double* ra, double* dec, double* w, double* rate, double jd);
void europaRotation(double* ra, double* dec, double* w, double* rate, double jd);
void ganymedeRotation(double* ra, double* dec, double* w, double* rate, double jd);
void callistoRotation(double* ra, double* dec, double* w, double* rate, double jd);
void amaltheaRotation(double* ra, double* dec, double* w, double* rate, double jd);
void mimasRotation(double* ra, double* dec, double* w, double* rate, double jd);
void enceladusRotation(double* ra, double* dec, double* w, double* rate, double jd);
void tethysRotation(double* ra, double* dec, double* w, double* rate, double jd);
void dioneRotation(double* ra, double* dec, double* w, double* rate, double jd);
void rheaRotation(double* ra, double* dec, double* w, double* rate, double jd);
void titanRotation(double* ra, double* dec, double* w, double* rate, double jd);
// Hyperion tumbles: a bounded, irregular orientation.
void hyperionRotation(double* ra, double* dec, double* w, double* rate, double jd);
void iapetusRotation(double* ra, double* dec, double* w, double* rate, double jd);
void phoebeRotation(double* ra, double* dec, double* w, double* rate, double jd);
void mirandaRotation(double* ra, double* dec, double* w, double* rate, double jd);
void arielRotation(double* ra, double* dec, double* w, double* rate, double jd);
void umbrielRotation(double* ra, double* dec, double* w, double* rate, double jd);
void titaniaRotation(double* ra, double* dec, double* w, double* rate, double jd);
void oberonRotation(double* ra, double* dec, double* w, double* rate, double jd);
// Triton's model; Nereid takes it too.
void tritonRotation(double* ra, double* dec, double* w, double* rate, double jd);
void charonRotation(double* ra, double* dec, double* w, double* rate, double jd);

// System II longitude of Jupiter's Great Red Spot (radians, [0, 2 pi)):
// 206 degrees at the start of 2014, drifting 17.17 degrees a year.
double greatRedSpotLongitude(double jd);
