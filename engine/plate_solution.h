// Least-squares astrometric plate solution: two polynomial systems of order
// 1, 2 or 3 fitted together from reference stars, one from standard
// coordinates (xi, eta) about a plate centre to pixels (x, y), one back.
//
// A solution is four row-pointer matrices (engine/linear_solver.h): A1
// (10 x 10) and B1 (10 x 2) for sky to pixels, A2 and B2 for pixels to sky.
// After solving, row k of B holds the coefficients of term k for its two
// outputs; the terms of (p, q) are 1, p, q, p^2, q^2, pq, p^3, q^3, p^2 q,
// p q^2. Angles are radians.
//
// Use: allocate, clear, add every star with one centre and one order, solve,
// then evaluate; free when done.
#pragma once

inline constexpr int kPlateTerms = 10;

// Allocates the four matrices (null pointers are skipped). Returns 1, or 0
// after freeing what this call made.
int allocPlateSolution(double*** a1, double*** b1, double*** a2, double*** b2);
void freePlateSolution(double** a1, double** b1, double** a2, double** b2);
// Zeroes every element (null matrices skipped); returns 1.
int clearPlateSolution(double** a1, double** b1, double** a2, double** b2);

// Number of polynomial terms of an order: 3, 6 or 10, else 0.
int plateTermCount(int order);

// Standard coordinates of (ra, dec) about (ra0, dec0), gnomonic projection.
void raDecToStandardCoords(double* xi, double* eta, double ra, double dec,
                           double ra0, double dec0);
// The inverse; ra in [0, 2pi).
void standardCoordsToRaDec(double* ra, double* dec, double xi, double eta,
                           double ra0, double dec0);

// Adds one reference star at (ra, dec) seen at pixel (x, y) to both systems.
void addPlateStar(double** a1, double** b1, double** a2, double** b2, int order,
                  double ra0, double dec0, double ra, double dec, double x,
                  double y);

// Solves both systems; 1 only when both succeed. On 0 the matrices are left
// partly reduced and must be cleared before reuse.
int solvePlateSolution(double** a1, double** b1, double** a2, double** b2,
                       int order);

// u = sum B[k][0] t_k, v = sum B[k][1] t_k over the ten terms of (p, q).
void evaluatePlatePolynomial(double** b, double* u, double* v, double p, double q);

// Sky position of pixel (x, y) from the pixels-to-sky coefficients.
void plateXYToRaDec(double** b2, double* ra, double* dec, double x, double y,
                    double ra0, double dec0);

// Plate centre (pixels), rotation and scale (radians per pixel) from the
// linear terms of either system (null skipped; with both, B2's are left).
// A linear part whose determinant is not positive writes only the
// determinant into `scale`.
void plateScaleAndRotation(double** b1, double** b2, double* centreX,
                           double* centreY, double* rotation, double* scale);
