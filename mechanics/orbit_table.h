// Tabulated orbits: the ".txyz" files of spacecraft and the tables the
// chart integrates for minor bodies, kept in the object as rows of time
// (Julian date) and heliocentric working-frame position (AU) and velocity
// (AU/day), with cubic Hermite interpolation between rows.
//
// A ".txyz" file is a bare sequence of 56-byte rows of seven doubles in
// the machine's byte order, in increasing time, at least two rows. A table
// of one row marks an object whose file was looked for and not found.
#pragma once

class CPlanet;

// Cubic Hermite on an interval of length h at offset dt, from end values
// y0, y1 and end rates r0, r1; either output may be null.
void hermiteInterpolate(double* value, double* rate, double y0, double y1, double r0, double r1,
                        double dt, double h);

// Reads a ".txyz" file into the object's table. False, with the table
// left as it was, for a missing or unreadable file, fewer than two rows,
// times that are not finite or not increasing, or states that are not
// finite; a short read leaves no table.
bool loadTxyzFile(CPlanet* object, const char* path);

// State at time t between the two rows that bracket it; false with fewer
// than two rows or outside the table.
bool findTabulatedState(const CPlanet* object, double position[3], double velocity[3], double t);
// The same between rows lo and hi.
bool interpolateTabulatedState(const CPlanet* object, int lo, int hi, double position[3],
                               double velocity[3], double t);
