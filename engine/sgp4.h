// Artificial-satellite propagation from NORAD mean element sets with the
// analytic models of Spacetrack Report No. 3 (Hoots and Roehrich, 1980):
// SGP4 for near-Earth orbits and SDP4 (SGP4 with the DEEP lunar-solar and
// resonance perturbations) for periods of 225 minutes or more.
//
// The models follow the report's formulas term for term with the report's
// constant set. Positions come out in Earth radii and velocities in Earth
// radii per minute, in the theory's true-equator, mean-equinox frame.
// Nothing here allocates or keeps global state: whatever a satellite needs
// between calls lives in its own state block.
#pragma once

#include <cstdint>

// One element set as the satellite object holds it.
struct SatelliteElementSet {
  char name[64];
  char designator[16];   // "%02d%03d%c": launch year, launch number, piece
  std::int32_t catalogueNumber;
  double epoch;          // Julian date (UT)
  double meanMotionTerms[2];  // carried by the satellite object, not read here
  double bstar;          // drag term B*, per Earth radius
  double inclination;    // radians
  double node;           // right ascension of the ascending node, radians
  double eccentricity;   // 0 <= e < 1
  double argumentOfPerigee;  // radians
  double meanAnomaly;    // radians
  double meanMotion;     // radians per minute
};

// Near-Earth model state: the quantities of the report's initialisation.
struct Sgp4State {
  std::int32_t initialised;  // 0: initialise on the next call
  std::int32_t simpleModel;  // perigee below 220 km: drag truncated
  double aodp, xnodp;
  double c1, c4, c5, d2, d3, d4;
  double t2cof, t3cof, t4cof, t5cof;
  double xmdot, omgdot, xnodot, xnodcf;
  double eta, sinio, cosio, sinmo;
  double x1mth2, x3thm1, x7thm1;
  double xlcof, aycof, omgcof, xmcof, delmo;
};

// The DEEP routine's quantities: set once at initialisation, then read.
struct DeepSpaceState {
  std::int32_t resonant;     // 12-hour or 24-hour resonance present
  std::int32_t synchronous;  // 24-hour (geosynchronous) resonance
  // Epoch values and secular rates handed over at initialisation.
  double thgr, ds50;
  double eq, xnq, aqnv, xqncl, xmao, omegaq, omgdt, xnodot;
  double siniq, cosiq;
  // Lunar-solar secular rates.
  double sse, ssi, ssl, ssg, ssh;
  // Solar periodic coefficients.
  double se2, se3, si2, si3, sl2, sl3, sl4, sgh2, sgh3, sgh4, sh2, sh3;
  // Lunar periodic coefficients.
  double ee2, e3, xi2, xi3, xl2, xl3, xl4, xgh2, xgh3, xgh4, xh2, xh3;
  // Mean anomalies of the Sun and Moon at the epoch, and the day they are
  // computed for (days since 1900 January 0.5).
  double zmos, zmol, preep;
  // Lunar orbit orientation at that day.
  double zcosil, zsinil, zcoshl, zsinhl, zcosgl, zsingl;
  // Resonance coefficients and integrator start values.
  double d2201, d2211, d3210, d3222, d4410, d4422;
  double d5220, d5232, d5421, d5433;
  double del1, del2, del3;
  double xfact, xlamo;
  double xli, xni, atime;
};

// Deep-space model state.
struct Sdp4State {
  std::int32_t initialised;  // 0: initialise on the next call
  double x3thm1, c1, x1mth2, c4, xnodcf, t2cof, xlcof, aycof, x7thm1;
  double xnodp, xmdot, omgdot, xnodot;
  DeepSpaceState deep;
};

// The one state block a satellite keeps, used as the model its orbit
// selects. Both states begin with the initialised flag, so zeroing it
// through either member resets the block.
union SatellitePropagatorState {
  Sgp4State nearEarth;
  Sdp4State deepSpace;
};

// The variables the DEEP routine reads and updates on each call; at
// initialisation the inputs carry the epoch values SDP4 has derived.
struct DeepSpaceVariables {
  // Initialisation inputs.
  double eosq, sinio, cosio, betao, aodp, theta2, sing, cosg, betao2;
  double xmdot, omgdot, xnodot, xnodp;
  // Secular and periodic entries: mean anomaly, argument of perigee, node,
  // eccentricity, inclination, mean motion and the time in minutes.
  double xll, omgasm, xnodes, em, xinc, xn, t;
  // Set by the secular entry: the rate of xll (radians per minute).
  double xllRate;
};

// Why a model gives no state for an element set at a time. The numbers are
// those of the revised SGP4 (Vallado, Crawford, Hujsak and Kelso, "Revisiting
// Spacetrack Report #3", AIAA 2006-6753), so that reports of other tools can
// be compared with ours; the report's own models have no error return and
// carry such elements on into meaningless but finite numbers.
enum SatelliteModelError : int {
  kSatelliteModelOK = 0,
  kSatelliteMeanElementsOutOfRange = 1,  // mean eccentricity >= 1 or < -0.001
  kSatelliteMeanMotionNotPositive = 2,
  kSatellitePerturbedEccentricityOutOfRange = 3,  // after the lunar-solar terms
  kSatelliteSemiLatusRectumNegative = 4,
  kSatelliteDecayed = 6,  // radius under the Earth's
};

// Angle in [0, 2 pi) of the direction (cosx, sinx), with the report's
// truncated constants.
double actan(double sinx, double cosx);

// Greenwich sidereal angle at the epoch, radians in [0, 2 pi). The epoch is
// a Julian date, or below 99366 a YYDDD.DDDDDDDD epoch. Stores the epoch as
// days since 1950 January 0.0 UT in deep.ds50.
double thetaG(DeepSpaceState& deep, double epoch);

// True when the element set's period is 225 minutes or more.
bool isDeepSpaceOrbit(const SatelliteElementSet& elements);

// Near-Earth model at tsince minutes from the epoch. Returns a
// SatelliteModelError; on an error both outputs are NaN.
int sgp4(const SatelliteElementSet& elements, double position[3],
         double velocity[3], Sgp4State& state, double tsince);

// Deep-space model at tsince minutes from the epoch. The resonance
// integration always starts from the epoch, so a result never depends on
// earlier calls. Returns a SatelliteModelError; on an error both outputs
// are NaN.
int sdp4(const SatelliteElementSet& elements, double position[3],
         double velocity[3], Sdp4State& state, double tsince);

// The DEEP routine: entry 1 initialises `deep`, 2 applies the secular
// terms, 3 the lunar-solar periodics, to `vars`.
void deepSpace(int entry, const SatelliteElementSet& elements,
               DeepSpaceState& deep, DeepSpaceVariables& vars);

// The mean elements of a model at tsince: every secular term (gravity and
// drag; for SDP4 also the lunar-solar secular terms and the resonance) and
// none of the periodic ones, with the rates at which the angles go on
// advancing from there (drag left out). The models' own state is
// initialised when needed. a in Earth radii, angles in radians (not
// reduced), rates in radians per minute. Returns the error of the secular
// stage (mean motion or mean eccentricity out of range), or 0.
struct SatelliteMeanElements {
  double a, e, i, omega, node, m;
  double mRate, omegaRate, nodeRate;
};
int sgp4MeanElements(const SatelliteElementSet& elements, Sgp4State& state, double tsince,
                     SatelliteMeanElements& out);
int sdp4MeanElements(const SatelliteElementSet& elements, Sdp4State& state, double tsince,
                     SatelliteMeanElements& out);

// Secular-only elements at tsince minutes: semi-major axis (Earth radii),
// eccentricity, inclination, argument of perigee, node and mean anomaly
// (radians, the angles in [0, 2 pi)) and mean motion (radians per minute).
void sgp4SecularElements(const SatelliteElementSet& elements, double* a,
                         double* e, double* i, double* omega, double* node,
                         double* m, double* n, double tsince);
