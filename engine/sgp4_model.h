// Pieces shared by the near-Earth and deep-space models: the report's
// constants, the recovery of the original mean motion, the drag and gravity
// initialisation common to both, and the long- and short-period periodics
// with the Kepler solution. Internal to the propagators.
#pragma once

#include "engine/sgp4.h"

namespace sgp4model {

// The report's constant set, as stored.
inline constexpr double kXke = 0.0743669161;       // sqrt(GM), ER^1.5/min
inline constexpr double kCk2 = 0.000541308;        // J2/2
inline constexpr double kCk4 = 6.2098875e-7;       // -3/8 J4
inline constexpr double kA3ovk2 = 0.004690139440023056;  // -J3/CK2
inline constexpr double kQoms2t = 1.880279159015271e-9;  // ((120-78)/XKMPER)^4
inline constexpr double kS = 1.0122292801892716;   // 1 + 78/XKMPER
inline constexpr double kXkmper = 6378.135;        // Earth radius, km
inline constexpr double kTothrd = 0.66666667;
inline constexpr double kTwoPi = 6.2831853;
inline constexpr double kPi = 3.14159265;
inline constexpr double kPiOver2 = 1.57079633;
inline constexpr double kThreePiOver2 = 4.71238898;
inline constexpr double kE6a = 1e-6;

// x reduced to [0, 2 pi) by truncation toward zero, as the report does.
double fmod2p(double x);

// Epoch quantities of both models (the report's steps up to the secular
// rates); the deep-space model uses them as inputs to DEEP.
struct EpochQuantities {
  double cosio, sinio, theta2, x3thm1, x1mth2, x7thm1;
  double eosq, betao2, betao;
  double aodp, xnodp;
  double s4, qoms24;
  double tsi, eta, etasq, eeta, coef, coef1;
  double c1, c4;
  double xmdot, omgdot, xnodot, xhdot1, xnodcf, t2cof;
  double xlcof, aycof;
};

void epochQuantities(const SatelliteElementSet& el, EpochQuantities& q);

// Terms the final stage needs from either model.
struct PeriodicInputs {
  double a, e, xl, omega, xnode, xinc;  // secular elements at tsince
  double xlcof, aycof;                  // long-period coefficients
  double cosio, sinio, x3thm1, x1mth2, x7thm1;  // of the epoch inclination
};

// The secular stage's refusals: a mean motion n (radians per minute) that
// is not positive, or a mean eccentricity e outside [-0.001, 1) (drag has
// taken the orbit down; the small negative margin is left to rounding).
// Numbers that are not numbers are no verdict: the state comes out NaN.
int secularError(double n, double e);

// Long-period periodics, Kepler's equation, short-period periodics and the
// orientation vectors, giving position (ER) and velocity (ER/min). Returns
// a SatelliteModelError (a negative semi-latus rectum, or a radius under
// the Earth's); on an error both outputs are NaN.
int periodicsToState(const PeriodicInputs& in, double position[3],
                     double velocity[3]);

// Both outputs NaN, for a state the model refuses; passes the error on.
int refuseState(int error, double position[3], double velocity[3]);

}  // namespace sgp4model
