// The near-Earth model SGP4, the model selection test, the Greenwich angle
// at epoch and the secular-only elements (Spacetrack Report No. 3).
#include "engine/sgp4.h"

#include <cmath>

#include "engine/sgp4_model.h"

using namespace sgp4model;

double actan(double sinx, double cosx) {
  if (cosx == 0.0) return sinx > 0.0 ? kPiOver2 : kThreePiOver2;
  const double angle = std::atan(sinx / cosx);
  if (cosx < 0.0) return kPi + angle;
  // The direction (1, 0) is 0, not a full turn: the result stays in
  // [0, 2 pi) as the node and argument of latitude built from it expect.
  return sinx < 0.0 ? angle + kTwoPi : angle;
}

double thetaG(DeepSpaceState& deep, double epoch) {
  if (epoch < 99366.0) {
    // YYDDD.DDDDDDDD: two-digit years 57-99 are 1957-1999, 00-56 2000-2056.
    // Kept in doubles so that no epoch can overflow an integer conversion.
    double year = std::trunc((epoch + 2e-7) * 0.001);
    const double day = epoch - 1000.0 * year;
    if (year < 57.0) year += 100.0;
    const double leapDays = std::trunc(year < 70.0 ? (year - 72.0) / 4.0 : (year - 69.0) / 4.0);
    deep.ds50 = 7305.0 + 365.0 * (year - 70.0) + leapDays + day;
  } else {
    deep.ds50 = epoch - 2433281.5;
  }
  const double theta = 1.72944494 + 6.3003880987 * deep.ds50;
  return fmod2p(theta);
}

bool isDeepSpaceOrbit(const SatelliteElementSet& el) {
  const double cosio = std::cos(el.inclination);
  const double x3thm1 = 3.0 * cosio * cosio - 1.0;
  const double betao2 = 1.0 - el.eccentricity * el.eccentricity;
  const double betao = std::sqrt(betao2);
  const double a1 = std::pow(kXke / el.meanMotion, kTothrd);
  const double del1 = 1.5 * kCk2 * x3thm1 / (a1 * a1 * betao * betao2);
  const double ao =
      a1 * (1.0 - del1 * (0.333333335 + del1 * (1.0 + 134.0 / 81.0 * del1)));
  const double delo = 1.5 * kCk2 * x3thm1 / (ao * ao * betao * betao2);
  const double xnodp = el.meanMotion / (1.0 + delo);
  return kTwoPi / xnodp / 1440.0 >= 0.15625;
}

static void initialiseSgp4(const SatelliteElementSet& el, Sgp4State& s) {
  EpochQuantities q;
  epochQuantities(el, q);
  const double eo = el.eccentricity;

  s.initialised = 1;
  // Perigee below 220 km: drag truncated to linear variation in sqrt(a) and
  // quadratic in mean anomaly; C3, delta omega and delta M dropped.
  s.simpleModel = q.aodp * (1.0 - eo) < 1.034492841559484 ? 1 : 0;
  s.aodp = q.aodp;
  s.xnodp = q.xnodp;
  s.c1 = q.c1;
  s.c4 = q.c4;
  s.c5 = 2.0 * q.coef1 * q.aodp * q.betao2 *
         (1.0 + 2.75 * (q.etasq + q.eeta) + q.eeta * q.etasq);
  s.xmdot = q.xmdot;
  s.omgdot = q.omgdot;
  s.xnodot = q.xnodot;
  s.xnodcf = q.xnodcf;
  s.t2cof = q.t2cof;
  s.eta = q.eta;
  s.sinio = q.sinio;
  s.cosio = q.cosio;
  s.x1mth2 = q.x1mth2;
  s.x3thm1 = q.x3thm1;
  s.x7thm1 = q.x7thm1;
  s.xlcof = q.xlcof;
  s.aycof = q.aycof;
  const double c3 = q.coef * q.tsi * kA3ovk2 * q.xnodp * q.sinio / eo;
  s.omgcof = el.bstar * c3 * std::cos(el.argumentOfPerigee);
  s.xmcof = -kTothrd * q.coef * el.bstar / q.eeta;
  s.delmo = std::pow(1.0 + q.eta * std::cos(el.meanAnomaly), 3);
  s.sinmo = std::sin(el.meanAnomaly);
  s.d2 = s.d3 = s.d4 = s.t3cof = s.t4cof = s.t5cof = 0.0;
  if (s.simpleModel) return;
  const double c1sq = q.c1 * q.c1;
  s.d2 = 4.0 * q.aodp * q.tsi * c1sq;
  const double temp = s.d2 * q.tsi * q.c1 / 3.0;
  s.d3 = (17.0 * q.aodp + q.s4) * temp;
  s.d4 = 0.5 * temp * q.aodp * q.tsi * (221.0 * q.aodp + 31.0 * q.s4) * q.c1;
  s.t3cof = s.d2 + 2.0 * c1sq;
  s.t4cof = 0.25 * (3.0 * s.d3 + q.c1 * (12.0 * s.d2 + 10.0 * c1sq));
  s.t5cof = 0.2 * (3.0 * s.d4 + 12.0 * q.c1 * s.d3 + 6.0 * s.d2 * s.d2 +
                   15.0 * c1sq * (2.0 * s.d2 + c1sq));
}

namespace {

// The secular stage of SGP4: gravity and drag at tsince, as the inputs of
// the periodic stage. Returns the stage's error, with the inputs filled
// all the same.
int secularStage(const SatelliteElementSet& el, Sgp4State& s, double tsince,
                 PeriodicInputs& in) {
  if (!s.initialised) initialiseSgp4(el, s);

  // Secular gravity and atmospheric drag.
  const double xmdf = el.meanAnomaly + s.xmdot * tsince;
  const double omgadf = el.argumentOfPerigee + s.omgdot * tsince;
  const double xnoddf = el.node + s.xnodot * tsince;
  double omega = omgadf;
  double xmp = xmdf;
  const double tsq = tsince * tsince;
  const double xnode = xnoddf + s.xnodcf * tsq;
  double tempa = 1.0 - s.c1 * tsince;
  double tempe = el.bstar * s.c4 * tsince;
  double templ = s.t2cof * tsq;
  if (!s.simpleModel) {
    const double delomg = s.omgcof * tsince;
    const double base = 1.0 + s.eta * std::cos(xmdf);
    const double delm = s.xmcof * (base * base * base - s.delmo);
    const double temp = delomg + delm;
    xmp = xmdf + temp;
    omega = omgadf - temp;
    const double tcube = tsq * tsince;
    const double tfour = tsince * tcube;
    tempa = tempa - s.d2 * tsq - s.d3 * tcube - s.d4 * tfour;
    tempe = tempe + el.bstar * s.c5 * (std::sin(xmp) - s.sinmo);
    templ = templ + s.t3cof * tcube + tfour * (s.t4cof + tsince * s.t5cof);
  }

  in.a = s.aodp * tempa * tempa;
  in.e = el.eccentricity - tempe;
  in.xl = xmp + omega + xnode + s.xnodp * templ;
  in.omega = omega;
  in.xnode = xnode;
  in.xinc = el.inclination;
  in.xlcof = s.xlcof;
  in.aycof = s.aycof;
  in.cosio = s.cosio;
  in.sinio = s.sinio;
  in.x3thm1 = s.x3thm1;
  in.x1mth2 = s.x1mth2;
  in.x7thm1 = s.x7thm1;
  return secularError(s.xnodp, in.e);
}

}  // namespace

int sgp4(const SatelliteElementSet& el, double position[3],
         double velocity[3], Sgp4State& s, double tsince) {
  PeriodicInputs in;
  if (const int error = secularStage(el, s, tsince, in))
    return refuseState(error, position, velocity);
  return periodicsToState(in, position, velocity);
}

int sgp4MeanElements(const SatelliteElementSet& el, Sgp4State& s, double tsince,
                     SatelliteMeanElements& out) {
  PeriodicInputs in;
  const int error = secularStage(el, s, tsince, in);
  out.a = in.a;
  out.e = in.e;
  out.i = in.xinc;
  out.omega = in.omega;
  out.node = in.xnode;
  out.m = in.xl - in.omega - in.xnode;
  out.mRate = s.xmdot;
  out.omegaRate = s.omgdot;
  out.nodeRate = s.xnodot;
  return error;
}

void sgp4SecularElements(const SatelliteElementSet& el, double* a, double* e,
                         double* i, double* omega, double* node, double* m,
                         double* n, double tsince) {
  const double ecc = el.eccentricity;
  const double cosi = std::cos(el.inclination);
  const double a1 = std::pow(kXke / el.meanMotion, 2.0 / 3.0);
  const double delta = 1.5 * kCk2 * (3.0 * cosi * cosi - 1.0) /
                       (a1 * a1 * std::pow(1.0 - ecc * ecc, 1.5));
  const double axis =
      a1 * (1.0 - delta / 3.0 - delta * delta - 134.0 / 81.0 * delta * delta * delta);
  const double p = axis * (1.0 - ecc * ecc);
  const double mm = el.meanMotion;
  *a = axis;
  *e = ecc;
  *i = el.inclination;
  *omega = fmod2p(el.argumentOfPerigee +
                  1.5 * kCk2 * mm * (5.0 * cosi * cosi - 1.0) / (p * p) * tsince);
  *node = fmod2p(el.node - 3.0 * kCk2 * mm * cosi / (p * p) * tsince);
  *m = fmod2p(el.meanAnomaly + mm * tsince);
  *n = mm;
}
