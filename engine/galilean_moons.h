// Jovicentric positions of Io, Europa, Ganymede and Callisto (AU) in
// Jupiter's equatorial frame (jupiterEquatorFrame of engine/moon_frames.h)
// at a Julian date (TT).
#pragma once

void ioPosition(double* x, double* y, double* z, double jd);
void europaPosition(double* x, double* y, double* z, double jd);
void ganymedePosition(double* x, double* y, double* z, double jd);
void callistoPosition(double* x, double* y, double* z, double jd);
