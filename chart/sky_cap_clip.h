// Clipping an area of the sky to a cap about a direction.
//
// An area is outlined by a closed polygon of unit vectors joined by
// great-circle arcs and lies in the open hemisphere about a known pole (a
// body's disc, or part of it, about the body's direction). Projections
// that cannot show the whole sphere (gnomonic, orthographic, stereographic)
// reach only a cap about the view's centre, and a closed outline they
// project bounds on the screen the side away from the point opposite the
// centre: an area holding that point would be filled inside out. The
// clipped outline lies inside the cap, so every point of it projects, and
// filled by the nonzero rule its screen image covers exactly the part of
// the area inside the cap, also when the area holds the opposite point.
//
// Plain functions over caller-owned buffers; safe from any thread.
#pragma once

// The directions within `radius` (radians, above 0 and below pi) of the
// unit vector `centre`.
struct SkyCap {
  double centre[3];
  double radius;
};

// Whether the unit vector q lies inside the closed polygon of n unit
// vectors, all in the open hemisphere about the unit vector `pole`; a q
// outside that hemisphere is outside.
bool skyPolygonContains(const double (*points)[3], int n, const double pole[3], const double q[3]);

// The outline of the part of the area (the closed polygon of n unit
// vectors about `pole`, as above) inside the cap, into `out`; returns its
// count, 0 when none of the area is inside. Points beyond `capacity` are
// dropped. The cap's edge is followed in steps of at most 5 degrees.
int clipSkyPolygonToCap(const double (*points)[3], int n, const double pole[3], const SkyCap& cap,
                        double (*out)[3], int capacity);
