// Shared stages of SGP4 and SDP4 (Spacetrack Report No. 3, sections 6-7).
#include "engine/sgp4_model.h"

#include <cmath>
#include <limits>

namespace sgp4model {

double fmod2p(double x) {
  double r = x - std::trunc(x / kTwoPi) * kTwoPi;
  if (r < 0.0) r += kTwoPi;
  return r;
}

void epochQuantities(const SatelliteElementSet& el, EpochQuantities& q) {
  const double eo = el.eccentricity;

  // Recover the original mean motion and semi-major axis from the
  // published (Kozai) mean motion.
  const double a1 = std::pow(kXke / el.meanMotion, kTothrd);
  q.cosio = std::cos(el.inclination);
  q.theta2 = q.cosio * q.cosio;
  q.x3thm1 = 3.0 * q.theta2 - 1.0;
  q.eosq = eo * eo;
  q.betao2 = 1.0 - q.eosq;
  q.betao = std::sqrt(q.betao2);
  const double del1 = 1.5 * kCk2 * q.x3thm1 / (a1 * a1 * q.betao * q.betao2);
  const double ao =
      a1 * (1.0 - del1 * (0.5 * kTothrd + del1 * (1.0 + 134.0 / 81.0 * del1)));
  const double delo = 1.5 * kCk2 * q.x3thm1 / (ao * ao * q.betao * q.betao2);
  q.xnodp = el.meanMotion / (1.0 + delo);
  q.aodp = ao / (1.0 - delo);

  // Below 156 km perigee the atmosphere's reference height moves down.
  q.s4 = kS;
  q.qoms24 = kQoms2t;
  const double perigee = (q.aodp * (1.0 - eo) - 1.0) * kXkmper;
  if (perigee < 156.0) {
    q.s4 = perigee > 98.0 ? perigee - 78.0 : 20.0;
    q.qoms24 = std::pow((120.0 - q.s4) / kXkmper, 4);
    q.s4 = q.s4 / kXkmper + 1.0;
  }

  const double pinvsq = 1.0 / (q.aodp * q.aodp * q.betao2 * q.betao2);
  q.tsi = 1.0 / (q.aodp - q.s4);
  q.eta = q.aodp * eo * q.tsi;
  q.etasq = q.eta * q.eta;
  q.eeta = eo * q.eta;
  const double psisq = std::fabs(1.0 - q.etasq);
  q.coef = q.qoms24 * std::pow(q.tsi, 4);
  q.coef1 = q.coef / std::pow(psisq, 3.5);
  const double c2 =
      q.coef1 * q.xnodp *
      (q.aodp * (1.0 + 1.5 * q.etasq + q.eeta * (4.0 + q.etasq)) +
       0.75 * kCk2 * q.tsi / psisq * q.x3thm1 *
           (8.0 + 3.0 * q.etasq * (8.0 + q.etasq)));
  q.c1 = el.bstar * c2;
  q.sinio = std::sin(el.inclination);
  q.x1mth2 = 1.0 - q.theta2;
  q.c4 = 2.0 * q.xnodp * q.coef1 * q.aodp * q.betao2 *
         (q.eta * (2.0 + 0.5 * q.etasq) + eo * (0.5 + 2.0 * q.etasq) -
          2.0 * kCk2 * q.tsi / (q.aodp * psisq) *
              (-3.0 * q.x3thm1 *
                   (1.0 - 2.0 * q.eeta + q.etasq * (1.5 - 0.5 * q.eeta)) +
               0.75 * q.x1mth2 * (2.0 * q.etasq - q.eeta * (1.0 + q.etasq)) *
                   std::cos(2.0 * el.argumentOfPerigee)));

  const double theta4 = q.theta2 * q.theta2;
  const double temp1 = 3.0 * kCk2 * pinvsq * q.xnodp;
  const double temp2 = temp1 * kCk2 * pinvsq;
  const double temp3 = 1.25 * kCk4 * pinvsq * pinvsq * q.xnodp;
  q.xmdot = q.xnodp + 0.5 * temp1 * q.betao * q.x3thm1 +
            0.0625 * temp2 * q.betao * (13.0 - 78.0 * q.theta2 + 137.0 * theta4);
  const double x1m5th = 1.0 - 5.0 * q.theta2;
  q.omgdot = -0.5 * temp1 * x1m5th +
             0.0625 * temp2 * (7.0 - 114.0 * q.theta2 + 395.0 * theta4) +
             temp3 * (3.0 - 36.0 * q.theta2 + 49.0 * theta4);
  q.xhdot1 = -temp1 * q.cosio;
  q.xnodot = q.xhdot1 + (0.5 * temp2 * (4.0 - 19.0 * q.theta2) +
                         2.0 * temp3 * (3.0 - 7.0 * q.theta2)) *
                            q.cosio;
  q.xnodcf = 3.5 * q.betao2 * q.xhdot1 * q.c1;
  q.t2cof = 1.5 * q.c1;
  q.xlcof = 0.125 * kA3ovk2 * q.sinio * (3.0 + 5.0 * q.cosio) / (1.0 + q.cosio);
  q.aycof = 0.25 * kA3ovk2 * q.sinio;
  q.x7thm1 = 7.0 * q.theta2 - 1.0;
}

int secularError(double n, double e) {
  if (n <= 0.0) return kSatelliteMeanMotionNotPositive;
  if (e >= 1.0 || e < -0.001) return kSatelliteMeanElementsOutOfRange;
  return kSatelliteModelOK;
}

int refuseState(int error, double position[3], double velocity[3]) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int k = 0; k < 3; ++k) position[k] = velocity[k] = nan;
  return error;
}

int periodicsToState(const PeriodicInputs& in, double position[3],
                     double velocity[3]) {
  const double a = in.a;
  const double e = in.e;
  const double beta = std::sqrt(1.0 - e * e);
  const double xn = kXke / (a * std::sqrt(a));

  // Long-period periodics.
  const double axn = e * std::cos(in.omega);
  double temp = 1.0 / (a * beta * beta);
  const double xll = temp * in.xlcof * axn;
  const double aynl = temp * in.aycof;
  const double xlt = in.xl + xll;
  const double ayn = e * std::sin(in.omega) + aynl;

  // Kepler's equation for E + omega, by Newton's method, at most eleven
  // steps. As in the report, the sine and cosine kept are those of the last
  // estimate fed to a step.
  const double capu = fmod2p(xlt - in.xnode);
  double temp2 = capu;
  double sinepw = 0.0, cosepw = 0.0, temp3 = 0.0, temp4 = 0.0, temp5 = 0.0,
         temp6 = 0.0;
  for (int i = 1; i <= 11; ++i) {
    sinepw = std::sin(temp2);
    cosepw = std::cos(temp2);
    temp3 = axn * sinepw;
    temp4 = ayn * cosepw;
    temp5 = axn * cosepw;
    temp6 = ayn * sinepw;
    const double epw = (capu - temp4 + temp3 - temp2) / (1.0 - temp5 - temp6) + temp2;
    if (std::fabs(epw - temp2) <= kE6a) break;
    temp2 = epw;
  }

  // Short-period preliminary quantities.
  const double ecose = temp5 + temp6;
  const double esine = temp3 - temp4;
  const double elsq = axn * axn + ayn * ayn;
  temp = 1.0 - elsq;
  const double pl = a * temp;
  if (pl < 0.0) return refuseState(kSatelliteSemiLatusRectumNegative, position, velocity);
  const double r = a * (1.0 - ecose);
  double temp1 = 1.0 / r;
  const double rdot = kXke * std::sqrt(a) * esine * temp1;
  const double rfdot = kXke * std::sqrt(pl) * temp1;
  temp2 = a * temp1;
  const double betal = std::sqrt(temp);
  temp3 = 1.0 / (1.0 + betal);
  const double cosu = temp2 * (cosepw - axn + ayn * esine * temp3);
  const double sinu = temp2 * (sinepw - ayn - axn * esine * temp3);
  const double u = actan(sinu, cosu);
  const double sin2u = 2.0 * sinu * cosu;
  const double cos2u = 2.0 * cosu * cosu - 1.0;
  temp = 1.0 / pl;
  temp1 = kCk2 * temp;
  temp2 = temp1 * temp;

  // Short-period periodics.
  const double rk =
      r * (1.0 - 1.5 * temp2 * betal * in.x3thm1) + 0.5 * temp1 * in.x1mth2 * cos2u;
  if (rk < 1.0) return refuseState(kSatelliteDecayed, position, velocity);
  const double uk = u - 0.25 * temp2 * in.x7thm1 * sin2u;
  const double xnodek = in.xnode + 1.5 * temp2 * in.cosio * sin2u;
  const double xinck = in.xinc + 1.5 * temp2 * in.cosio * in.sinio * cos2u;
  const double rdotk = rdot - xn * temp1 * in.x1mth2 * sin2u;
  const double rfdotk = rfdot + xn * temp1 * (in.x1mth2 * cos2u + 1.5 * in.x3thm1);

  // Orientation vectors.
  const double sinuk = std::sin(uk);
  const double cosuk = std::cos(uk);
  const double sinik = std::sin(xinck);
  const double cosik = std::cos(xinck);
  const double sinnok = std::sin(xnodek);
  const double cosnok = std::cos(xnodek);
  const double xmx = -sinnok * cosik;
  const double xmy = cosnok * cosik;
  const double ux = xmx * sinuk + cosnok * cosuk;
  const double uy = xmy * sinuk + sinnok * cosuk;
  const double uz = sinik * sinuk;
  const double vx = xmx * cosuk - cosnok * sinuk;
  const double vy = xmy * cosuk - sinnok * sinuk;
  const double vz = sinik * cosuk;

  position[0] = rk * ux;
  position[1] = rk * uy;
  position[2] = rk * uz;
  velocity[0] = rdotk * ux + rfdotk * vx;
  velocity[1] = rdotk * uy + rfdotk * vy;
  velocity[2] = rdotk * uz + rfdotk * vz;
  return kSatelliteModelOK;
}

}  // namespace sgp4model
