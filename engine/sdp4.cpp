// The deep-space model SDP4 and its DEEP routine: lunar-solar secular and
// periodic terms and the 12-hour and 24-hour geopotential resonances
// (Spacetrack Report No. 3, sections 8 and 10).
#include <cmath>
#include <limits>

#include "engine/sgp4.h"
#include "engine/sgp4_model.h"

using namespace sgp4model;

namespace {

// Solar and lunar constants of DEEP.
constexpr double kZns = 1.19459e-5, kC1ss = 2.9864797e-6, kZes = 0.01675;
constexpr double kZnl = 1.5835218e-4, kC1l = 4.7968065e-7, kZel = 0.0549;
constexpr double kZcosis = 0.91744867, kZsinis = 0.39785416;
constexpr double kZsings = -0.98088458, kZcosgs = 0.1945905;
// Resonance coefficients.
constexpr double kQ22 = 1.7891679e-6, kQ31 = 2.1460748e-6, kQ33 = 2.2123015e-7;
constexpr double kG22 = 5.7686396, kG32 = 0.95240898, kG44 = 1.8014998;
constexpr double kG52 = 1.0508330, kG54 = 4.4108898;
constexpr double kRoot22 = 1.7891679e-6, kRoot32 = 3.7393792e-7;
constexpr double kRoot44 = 7.3636953e-9, kRoot52 = 1.1428639e-7;
constexpr double kRoot54 = 2.1765803e-9;
constexpr double kThdt = 4.3752691e-3;  // Earth rotation, rad/min
constexpr double kFasx2 = 0.13130908, kFasx4 = 2.8843198, kFasx6 = 0.37448087;
// Resonance integrator steps, minutes, and half the step squared.
constexpr double kStepP = 720.0, kStepN = -720.0, kStep2 = 259200.0;
// The resonance is integrated at most this far from the epoch (100,000
// steps, 137 years): no element set describes an orbit beyond.
constexpr double kMostResonanceMinutes = 1e5 * kStepP;

// Secular and periodic coefficients of one perturbing body.
struct ThirdBodyTerms {
  double se, si, sl, sgh, sh;
  double ee2, e3, xi2, xi3, xl2, xl3, xl4, xgh2, xgh3, xgh4, xh2, xh3;
};

// Orientation of a perturbing body's orbit and its constants.
struct ThirdBody {
  double zcosg, zsing, zcosi, zsini, zcosh, zsinh;
  double cc, zn, ze;
};

ThirdBodyTerms thirdBodyTerms(const ThirdBody& b, const DeepSpaceState& d,
                              const DeepSpaceVariables& v, double xnoi) {
  const double eqsq = v.eosq, bsq = v.betao2, rteqsq = v.betao;
  const double a1 = b.zcosg * b.zcosh + b.zsing * b.zcosi * b.zsinh;
  const double a3 = -b.zsing * b.zcosh + b.zcosg * b.zcosi * b.zsinh;
  const double a7 = -b.zcosg * b.zsinh + b.zsing * b.zcosi * b.zcosh;
  const double a8 = b.zsing * b.zsini;
  const double a9 = b.zsing * b.zsinh + b.zcosg * b.zcosi * b.zcosh;
  const double a10 = b.zcosg * b.zsini;
  const double a2 = d.cosiq * a7 + d.siniq * a8;
  const double a4 = d.cosiq * a9 + d.siniq * a10;
  const double a5 = -d.siniq * a7 + d.cosiq * a8;
  const double a6 = -d.siniq * a9 + d.cosiq * a10;

  const double x1 = a1 * v.cosg + a2 * v.sing;
  const double x2 = a3 * v.cosg + a4 * v.sing;
  const double x3 = -a1 * v.sing + a2 * v.cosg;
  const double x4 = -a3 * v.sing + a4 * v.cosg;
  const double x5 = a5 * v.sing;
  const double x6 = a6 * v.sing;
  const double x7 = a5 * v.cosg;
  const double x8 = a6 * v.cosg;

  const double z31 = 12.0 * x1 * x1 - 3.0 * x3 * x3;
  const double z32 = 24.0 * x1 * x2 - 6.0 * x3 * x4;
  const double z33 = 12.0 * x2 * x2 - 3.0 * x4 * x4;
  double z1 = 3.0 * (a1 * a1 + a2 * a2) + z31 * eqsq;
  double z2 = 6.0 * (a1 * a3 + a2 * a4) + z32 * eqsq;
  double z3 = 3.0 * (a3 * a3 + a4 * a4) + z33 * eqsq;
  const double z11 = -6.0 * a1 * a5 + eqsq * (-24.0 * x1 * x7 - 6.0 * x3 * x5);
  const double z12 = -6.0 * (a1 * a6 + a3 * a5) +
                     eqsq * (-24.0 * (x2 * x7 + x1 * x8) - 6.0 * (x3 * x6 + x4 * x5));
  const double z13 = -6.0 * a3 * a6 + eqsq * (-24.0 * x2 * x8 - 6.0 * x4 * x6);
  const double z21 = 6.0 * a2 * a5 + eqsq * (24.0 * x1 * x5 - 6.0 * x3 * x7);
  const double z22 = 6.0 * (a4 * a5 + a2 * a6) +
                     eqsq * (24.0 * (x2 * x5 + x1 * x6) - 6.0 * (x4 * x7 + x3 * x8));
  const double z23 = 6.0 * a4 * a6 + eqsq * (24.0 * x2 * x6 - 6.0 * x4 * x8);
  z1 = z1 + z1 + bsq * z31;
  z2 = z2 + z2 + bsq * z32;
  z3 = z3 + z3 + bsq * z33;
  const double s3 = b.cc * xnoi;
  const double s2 = -0.5 * s3 / rteqsq;
  const double s4 = s3 * rteqsq;
  const double s1 = -15.0 * d.eq * s4;
  const double s5 = x1 * x3 + x2 * x4;
  const double s6 = x2 * x3 + x1 * x4;
  const double s7 = x2 * x4 - x1 * x3;

  ThirdBodyTerms t;
  t.se = s1 * b.zn * s5;
  t.si = s2 * b.zn * (z11 + z13);
  t.sl = -b.zn * s3 * (z1 + z3 - 14.0 - 6.0 * eqsq);
  t.sgh = s4 * b.zn * (z31 + z33 - 6.0);
  t.sh = -b.zn * s2 * (z21 + z23);
  // Below 3 degrees the node rate's lunar-solar part is left out.
  if (d.xqncl < 5.2359877e-2) t.sh = 0.0;
  t.ee2 = 2.0 * s1 * s6;
  t.e3 = 2.0 * s1 * s7;
  t.xi2 = 2.0 * s2 * z12;
  t.xi3 = 2.0 * s2 * (z13 - z11);
  t.xl2 = -2.0 * s3 * z2;
  t.xl3 = -2.0 * s3 * (z3 - z1);
  t.xl4 = -2.0 * s3 * (-21.0 - 9.0 * eqsq) * b.ze;
  t.xgh2 = 2.0 * s4 * z32;
  t.xgh3 = 2.0 * s4 * (z33 - z31);
  t.xgh4 = -18.0 * s4 * b.ze;
  t.xh2 = -2.0 * s2 * z22;
  t.xh3 = -2.0 * s2 * (z23 - z21);
  return t;
}

// Lunar orbit orientation and the mean anomalies of the Sun and Moon for
// the epoch day (days since 1900 January 0.5).
void lunarSolarArguments(DeepSpaceState& d, double day) {
  if (day == d.preep) return;
  d.preep = day;
  const double xnodce = 4.5236020 - 9.2422029e-4 * day;
  const double stem = std::sin(xnodce);
  const double ctem = std::cos(xnodce);
  d.zcosil = 0.91375164 - 0.03568096 * ctem;
  d.zsinil = std::sqrt(1.0 - d.zcosil * d.zcosil);
  d.zsinhl = 0.089683511 * stem / d.zsinil;
  d.zcoshl = std::sqrt(1.0 - d.zsinhl * d.zsinhl);
  const double c = 4.7199672 + 0.22997150 * day;
  const double gam = 5.8351514 + 0.0019443680 * day;
  d.zmol = fmod2p(c - gam);
  double zx = 0.39785416 * stem / d.zsinil;
  const double zy = d.zcoshl * ctem + 0.91744867 * d.zsinhl * stem;
  zx = actan(zx, zy);
  zx = gam + zx - xnodce;
  d.zcosgl = std::cos(zx);
  d.zsingl = std::sin(zx);
  d.zmos = fmod2p(6.2565837 + 0.017201977 * day);
}

void initialiseResonance(const SatelliteElementSet& el, DeepSpaceState& d,
                         const DeepSpaceVariables& v) {
  d.resonant = 0;
  d.synchronous = 0;
  const double eq = d.eq, eqsq = v.eosq, cosq2 = v.theta2;
  const double xnq = d.xnq, aqnv = d.aqnv, siniq = d.siniq, cosiq = d.cosiq;
  double bfact;
  if (xnq < 0.0052359877 && xnq > 0.0034906585) {
    // Synchronous (24-hour) resonance.
    d.resonant = 1;
    d.synchronous = 1;
    const double g200 = 1.0 + eqsq * (-2.5 + 0.8125 * eqsq);
    const double g310 = 1.0 + 2.0 * eqsq;
    const double g300 = 1.0 + eqsq * (-6.0 + 6.60937 * eqsq);
    const double f220 = 0.75 * (1.0 + cosiq) * (1.0 + cosiq);
    const double f311 =
        0.9375 * siniq * siniq * (1.0 + 3.0 * cosiq) - 0.75 * (1.0 + cosiq);
    double f330 = 1.0 + cosiq;
    f330 = 1.875 * f330 * f330 * f330;
    double del1 = 3.0 * xnq * xnq * aqnv * aqnv;
    d.del2 = 2.0 * del1 * f220 * g200 * kQ22;
    d.del3 = 3.0 * del1 * f330 * g300 * kQ33 * aqnv;
    d.del1 = del1 * f311 * g310 * kQ31 * aqnv;
    d.xlamo = d.xmao + el.node + el.argumentOfPerigee - d.thgr;
    bfact = v.xmdot + (d.omgdt + d.xnodot) - kThdt;
    bfact = bfact + d.ssl + d.ssg + d.ssh;
  } else {
    if (xnq < 8.26e-3 || xnq > 9.24e-3) return;
    if (eq < 0.5) return;
    // Half-day (12-hour) resonance of eccentric orbits.
    d.resonant = 1;
    const double eoc = eq * eqsq;
    const double g201 = -0.306 - (eq - 0.64) * 0.440;
    double g211, g310, g322, g410, g422, g520, g533, g521, g532;
    if (eq <= 0.65) {
      g211 = 3.616 - 13.247 * eq + 16.290 * eqsq;
      g310 = -19.302 + 117.390 * eq - 228.419 * eqsq + 156.591 * eoc;
      g322 = -18.9068 + 109.7927 * eq - 214.6334 * eqsq + 146.5816 * eoc;
      g410 = -41.122 + 242.694 * eq - 471.094 * eqsq + 313.953 * eoc;
      g422 = -146.407 + 841.880 * eq - 1629.014 * eqsq + 1083.435 * eoc;
      g520 = -532.114 + 3017.977 * eq - 5740.0 * eqsq + 3708.276 * eoc;
    } else {
      g211 = -72.099 + 331.819 * eq - 508.738 * eqsq + 266.724 * eoc;
      g310 = -346.844 + 1582.851 * eq - 2415.925 * eqsq + 1246.113 * eoc;
      g322 = -342.585 + 1554.908 * eq - 2366.899 * eqsq + 1215.972 * eoc;
      g410 = -1052.797 + 4758.686 * eq - 7193.992 * eqsq + 3651.957 * eoc;
      g422 = -3581.69 + 16178.11 * eq - 24462.77 * eqsq + 12422.52 * eoc;
      if (eq > 0.715)
        g520 = -5149.66 + 29936.92 * eq - 54087.36 * eqsq + 31324.56 * eoc;
      else
        g520 = 1464.74 - 4664.75 * eq + 3763.64 * eqsq;
    }
    if (eq < 0.7) {
      g533 = -919.2277 + 4988.61 * eq - 9064.77 * eqsq + 5542.21 * eoc;
      g521 = -822.71072 + 4568.6173 * eq - 8491.4146 * eqsq + 5337.524 * eoc;
      g532 = -853.666 + 4690.25 * eq - 8624.77 * eqsq + 5341.4 * eoc;
    } else {
      g533 = -37995.78 + 161616.52 * eq - 229838.2 * eqsq + 109377.94 * eoc;
      g521 = -51752.104 + 218913.95 * eq - 309468.16 * eqsq + 146349.42 * eoc;
      g532 = -40023.88 + 170470.89 * eq - 242699.48 * eqsq + 115605.82 * eoc;
    }
    const double sini2 = siniq * siniq;
    const double f220 = 0.75 * (1.0 + 2.0 * cosiq + cosq2);
    const double f221 = 1.5 * sini2;
    const double f321 = 1.875 * siniq * (1.0 - 2.0 * cosiq - 3.0 * cosq2);
    const double f322 = -1.875 * siniq * (1.0 + 2.0 * cosiq - 3.0 * cosq2);
    const double f441 = 35.0 * sini2 * f220;
    const double f442 = 39.3750 * sini2 * sini2;
    const double f522 =
        9.84375 * siniq *
        (sini2 * (1.0 - 2.0 * cosiq - 5.0 * cosq2) +
         0.33333333 * (-2.0 + 4.0 * cosiq + 6.0 * cosq2));
    const double f523 =
        siniq * (4.92187512 * sini2 * (-2.0 - 4.0 * cosiq + 10.0 * cosq2) +
                 6.56250012 * (1.0 + 2.0 * cosiq - 3.0 * cosq2));
    const double f542 =
        29.53125 * siniq *
        (2.0 - 8.0 * cosiq + cosq2 * (-12.0 + 8.0 * cosiq + 10.0 * cosq2));
    const double f543 =
        29.53125 * siniq *
        (-2.0 - 8.0 * cosiq + cosq2 * (12.0 + 8.0 * cosiq - 10.0 * cosq2));
    const double xno2 = xnq * xnq;
    const double ainv2 = aqnv * aqnv;
    double temp1 = 3.0 * xno2 * ainv2;
    double temp = temp1 * kRoot22;
    d.d2201 = temp * f220 * g201;
    d.d2211 = temp * f221 * g211;
    temp1 = temp1 * aqnv;
    temp = temp1 * kRoot32;
    d.d3210 = temp * f321 * g310;
    d.d3222 = temp * f322 * g322;
    temp1 = temp1 * aqnv;
    temp = 2.0 * temp1 * kRoot44;
    d.d4410 = temp * f441 * g410;
    d.d4422 = temp * f442 * g422;
    temp1 = temp1 * aqnv;
    temp = temp1 * kRoot52;
    d.d5220 = temp * f522 * g520;
    d.d5232 = temp * f523 * g532;
    temp = 2.0 * temp1 * kRoot54;
    d.d5421 = temp * f542 * g521;
    d.d5433 = temp * f543 * g533;
    d.xlamo = d.xmao + el.node + el.node - d.thgr - d.thgr;
    bfact = v.xmdot + d.xnodot + d.xnodot - kThdt - kThdt;
    bfact = bfact + d.ssl + d.ssh + d.ssh;
  }
  d.xfact = bfact - xnq;
  d.xli = d.xlamo;
  d.xni = xnq;
  d.atime = 0.0;
}

void initialiseDeepSpace(const SatelliteElementSet& el, DeepSpaceState& d,
                         const DeepSpaceVariables& v) {
  d.thgr = thetaG(d, el.epoch);
  d.eq = el.eccentricity;
  d.xnq = v.xnodp;
  d.aqnv = 1.0 / v.aodp;
  d.xqncl = el.inclination;
  d.xmao = el.meanAnomaly;
  d.omegaq = el.argumentOfPerigee;
  d.omgdt = v.omgdot;
  d.xnodot = v.xnodot;
  d.siniq = v.sinio;
  d.cosiq = v.cosio;
  const double sinq = std::sin(el.node);
  const double cosq = std::cos(el.node);

  d.preep = 0.0;
  lunarSolarArguments(d, d.ds50 + 18261.5);

  const double xnoi = 1.0 / d.xnq;
  const ThirdBody sun{kZcosgs, kZsings, kZcosis, kZsinis, cosq, sinq,
                      kC1ss,   kZns,    kZes};
  const ThirdBodyTerms s = thirdBodyTerms(sun, d, v, xnoi);
  const ThirdBody moon{d.zcosgl,
                       d.zsingl,
                       d.zcosil,
                       d.zsinil,
                       d.zcoshl * cosq + d.zsinhl * sinq,
                       sinq * d.zcoshl - cosq * d.zsinhl,
                       kC1l,
                       kZnl,
                       kZel};
  const ThirdBodyTerms l = thirdBodyTerms(moon, d, v, xnoi);

  d.sse = s.se + l.se;
  d.ssi = s.si + l.si;
  d.ssl = s.sl + l.sl;
  d.ssh = s.sh / d.siniq;
  d.ssg = s.sgh - d.cosiq * d.ssh;
  d.ssg = d.ssg + l.sgh - d.cosiq / d.siniq * l.sh;
  d.ssh = d.ssh + l.sh / d.siniq;
  d.se2 = s.ee2; d.si2 = s.xi2; d.sl2 = s.xl2; d.sgh2 = s.xgh2; d.sh2 = s.xh2;
  d.se3 = s.e3;  d.si3 = s.xi3; d.sl3 = s.xl3; d.sgh3 = s.xgh3; d.sh3 = s.xh3;
  d.sl4 = s.xl4; d.sgh4 = s.xgh4;
  d.ee2 = l.ee2; d.e3 = l.e3; d.xi2 = l.xi2; d.xi3 = l.xi3;
  d.xl2 = l.xl2; d.xl3 = l.xl3; d.xl4 = l.xl4;
  d.xgh2 = l.xgh2; d.xgh3 = l.xgh3; d.xgh4 = l.xgh4;
  d.xh2 = l.xh2; d.xh3 = l.xh3;

  initialiseResonance(el, d, v);
}

// Rates of the resonance variables at the integrator's current point:
// xndot (mean motion rate) and xnddt (its derivative times xldot).
void resonanceRates(const DeepSpaceState& d, double xli, double xni,
                    double atime, double& xldot, double& xndot, double& xnddt) {
  if (d.synchronous) {
    xndot = d.del1 * std::sin(xli - kFasx2) +
            d.del2 * std::sin(2.0 * (xli - kFasx4)) +
            d.del3 * std::sin(3.0 * (xli - kFasx6));
    xnddt = d.del1 * std::cos(xli - kFasx2) +
            2.0 * d.del2 * std::cos(2.0 * (xli - kFasx4)) +
            3.0 * d.del3 * std::cos(3.0 * (xli - kFasx6));
  } else {
    const double xomi = d.omegaq + d.omgdt * atime;
    const double x2omi = xomi + xomi;
    const double x2li = xli + xli;
    xndot = d.d2201 * std::sin(x2omi + xli - kG22) +
            d.d2211 * std::sin(xli - kG22) +
            d.d3210 * std::sin(xomi + xli - kG32) +
            d.d3222 * std::sin(-xomi + xli - kG32) +
            d.d4410 * std::sin(x2omi + x2li - kG44) +
            d.d4422 * std::sin(x2li - kG44) +
            d.d5220 * std::sin(xomi + xli - kG52) +
            d.d5232 * std::sin(-xomi + xli - kG52) +
            d.d5421 * std::sin(xomi + x2li - kG54) +
            d.d5433 * std::sin(-xomi + x2li - kG54);
    xnddt = d.d2201 * std::cos(x2omi + xli - kG22) +
            d.d2211 * std::cos(xli - kG22) +
            d.d3210 * std::cos(xomi + xli - kG32) +
            d.d3222 * std::cos(-xomi + xli - kG32) +
            d.d5220 * std::cos(xomi + xli - kG52) +
            d.d5232 * std::cos(-xomi + xli - kG52) +
            2.0 * (d.d4410 * std::cos(x2omi + x2li - kG44) +
                   d.d4422 * std::cos(x2li - kG44) +
                   d.d5421 * std::cos(xomi + x2li - kG54) +
                   d.d5433 * std::cos(-xomi + x2li - kG54));
  }
  xldot = xni + d.xfact;
  xnddt = xnddt * xldot;
}

void deepSecular(const SatelliteElementSet& el, const DeepSpaceState& d,
                 DeepSpaceVariables& v) {
  const double t = v.t;
  v.xllRate = v.xllRate + d.ssl;
  v.xll = v.xll + d.ssl * t;
  v.omgasm = v.omgasm + d.ssg * t;
  v.xnodes = v.xnodes + d.ssh * t;
  v.em = el.eccentricity + d.sse * t;
  v.xinc = el.inclination + d.ssi * t;
  if (v.xinc < 0.0) {
    v.xinc = -v.xinc;
    v.xnodes = v.xnodes + kPi;
    v.omgasm = v.omgasm - kPi;
  }
  if (!d.resonant) return;
  if (!(std::fabs(t) <= kMostResonanceMinutes)) {
    // No number of steps reaches an infinite time, and a time centuries
    // from the epoch would take millions (a damaged epoch must not hang the
    // caller); say so in the result.
    v.xn = v.xll = std::numeric_limits<double>::quiet_NaN();
    return;
  }

  // Integrate the resonance from its epoch values in 720-minute steps
  // toward t, then finish with a Taylor step of the remainder. The state
  // keeps only the epoch values, so a result never depends on earlier calls.
  double atime = d.atime;
  double xni = d.xni;
  double xli = d.xli;
  const double delt = t >= 0.0 ? kStepP : kStepN;
  double xldot, xndot, xnddt;
  while (std::fabs(t - atime) >= kStepP) {
    resonanceRates(d, xli, xni, atime, xldot, xndot, xnddt);
    xli = xli + xldot * delt + xndot * kStep2;
    xni = xni + xndot * delt + xnddt * kStep2;
    atime = atime + delt;
  }
  const double ft = t - atime;
  resonanceRates(d, xli, xni, atime, xldot, xndot, xnddt);
  v.xn = xni + xndot * ft + xnddt * ft * ft * 0.5;
  const double xl = xli + xldot * ft + xndot * ft * ft * 0.5;
  const double temp = -v.xnodes + d.thgr + t * kThdt;
  v.xll = d.synchronous ? xl - v.omgasm + temp : xl + temp + temp;
  // The rate of xll from that of xl and of the angles subtracted from it.
  const double xlRate = xldot + xndot * ft;
  const double omegaRate = d.omgdt + d.ssg, nodeRate = d.xnodot + d.ssh;
  v.xllRate = d.synchronous ? xlRate - omegaRate - nodeRate + kThdt
                            : xlRate + 2.0 * (kThdt - nodeRate);
}

void deepPeriodics(const DeepSpaceState& d, DeepSpaceVariables& v) {
  const double t = v.t;
  const double sinis = std::sin(v.xinc);
  const double cosis = std::cos(v.xinc);

  double zm = d.zmos + kZns * t;
  double zf = zm + 2.0 * kZes * std::sin(zm);
  double sinzf = std::sin(zf);
  double f2 = 0.5 * sinzf * sinzf - 0.25;
  double f3 = -0.5 * sinzf * std::cos(zf);
  const double ses = d.se2 * f2 + d.se3 * f3;
  const double sis = d.si2 * f2 + d.si3 * f3;
  const double sls = d.sl2 * f2 + d.sl3 * f3 + d.sl4 * sinzf;
  const double sghs = d.sgh2 * f2 + d.sgh3 * f3 + d.sgh4 * sinzf;
  const double shs = d.sh2 * f2 + d.sh3 * f3;
  zm = d.zmol + kZnl * t;
  zf = zm + 2.0 * kZel * std::sin(zm);
  sinzf = std::sin(zf);
  f2 = 0.5 * sinzf * sinzf - 0.25;
  f3 = -0.5 * sinzf * std::cos(zf);
  const double sel = d.ee2 * f2 + d.e3 * f3;
  const double sil = d.xi2 * f2 + d.xi3 * f3;
  const double sll = d.xl2 * f2 + d.xl3 * f3 + d.xl4 * sinzf;
  const double sghl = d.xgh2 * f2 + d.xgh3 * f3 + d.xgh4 * sinzf;
  const double shl = d.xh2 * f2 + d.xh3 * f3;
  const double pe = ses + sel;
  const double pinc = sis + sil;
  const double pl = sls + sll;
  double pgh = sghs + sghl;
  double ph = shs + shl;

  v.xinc = v.xinc + pinc;
  v.em = v.em + pe;
  if (d.xqncl >= 0.2) {
    ph = ph / d.siniq;
    pgh = pgh - d.cosiq * ph;
    v.omgasm = v.omgasm + pgh;
    v.xnodes = v.xnodes + ph;
    v.xll = v.xll + pl;
    return;
  }
  // Low inclination: apply the periodics to the non-singular variables
  // p = sin i sin node, q = sin i cos node (Lyddane's modification).
  const double sinok = std::sin(v.xnodes);
  const double cosok = std::cos(v.xnodes);
  double alfdp = sinis * sinok;
  double betdp = sinis * cosok;
  const double dalf = ph * cosok + pinc * cosis * sinok;
  const double dbet = -ph * sinok + pinc * cosis * cosok;
  alfdp = alfdp + dalf;
  betdp = betdp + dbet;
  double xls = v.xll + v.omgasm + cosis * v.xnodes;
  const double dls = pl + pgh - pinc * v.xnodes * sinis;
  xls = xls + dls;
  v.xnodes = actan(alfdp, betdp);
  v.xll = v.xll + pl;
  v.omgasm = xls - v.xll - std::cos(v.xinc) * v.xnodes;
}

}  // namespace

void deepSpace(int entry, const SatelliteElementSet& el, DeepSpaceState& deep,
               DeepSpaceVariables& vars) {
  switch (entry) {
    case 1: initialiseDeepSpace(el, deep, vars); break;
    case 2: deepSecular(el, deep, vars); break;
    case 3: deepPeriodics(deep, vars); break;
    default: break;
  }
}

namespace {

void initialiseSdp4(const SatelliteElementSet& el, Sdp4State& s) {
  EpochQuantities q;
  epochQuantities(el, q);
  s.initialised = 1;
  s.x3thm1 = q.x3thm1;
  s.c1 = q.c1;
  s.x1mth2 = q.x1mth2;
  s.c4 = q.c4;
  s.xnodcf = q.xnodcf;
  s.t2cof = q.t2cof;
  s.xlcof = q.xlcof;
  s.aycof = q.aycof;
  s.x7thm1 = q.x7thm1;
  s.xnodp = q.xnodp;
  s.xmdot = q.xmdot;
  s.omgdot = q.omgdot;
  s.xnodot = q.xnodot;
  DeepSpaceVariables init{};
  init.eosq = q.eosq;
  init.sinio = q.sinio;
  init.cosio = q.cosio;
  init.betao = q.betao;
  init.aodp = q.aodp;
  init.theta2 = q.theta2;
  init.sing = std::sin(el.argumentOfPerigee);
  init.cosg = std::cos(el.argumentOfPerigee);
  init.betao2 = q.betao2;
  init.xmdot = q.xmdot;
  init.omgdot = q.omgdot;
  init.xnodot = q.xnodot;
  init.xnodp = q.xnodp;
  s.deep = DeepSpaceState{};
  deepSpace(1, el, s.deep, init);
}

// The secular stage of SDP4: gravity, drag, the lunar-solar secular terms
// and the resonance at tsince; gives the semi-major axis in *a and returns
// the stage's error.
int secularStage(const SatelliteElementSet& el, Sdp4State& s, double tsince,
                 DeepSpaceVariables& v, double* a) {
  if (!s.initialised) initialiseSdp4(el, s);
  v = DeepSpaceVariables{};
  v.t = tsince;
  v.xllRate = s.xmdot;

  // Secular gravity and atmospheric drag.
  v.xll = el.meanAnomaly + s.xmdot * tsince;
  v.omgasm = el.argumentOfPerigee + s.omgdot * tsince;
  const double xnoddf = el.node + s.xnodot * tsince;
  const double tsq = tsince * tsince;
  v.xnodes = xnoddf + s.xnodcf * tsq;
  const double tempa = 1.0 - s.c1 * tsince;
  const double tempe = el.bstar * s.c4 * tsince;
  const double templ = s.t2cof * tsq;
  v.xn = s.xnodp;
  deepSpace(2, el, s.deep, v);
  *a = std::pow(kXke / v.xn, kTothrd) * tempa * tempa;
  v.em = v.em - tempe;
  v.xll = v.xll + s.xnodp * templ;
  return secularError(v.xn, v.em);
}

}  // namespace

int sdp4(const SatelliteElementSet& el, double position[3],
         double velocity[3], Sdp4State& s, double tsince) {
  DeepSpaceVariables v;
  double a;
  if (const int error = secularStage(el, s, tsince, v, &a))
    return refuseState(error, position, velocity);
  DeepSpaceState& deep = s.deep;
  deepSpace(3, el, deep, v);
  if (v.em < 0.0 || v.em > 1.0)
    return refuseState(kSatellitePerturbedEccentricityOutOfRange, position, velocity);

  PeriodicInputs in;
  in.a = a;
  in.e = v.em;
  in.xl = v.xll + v.omgasm + v.xnodes;
  in.omega = v.omgasm;
  in.xnode = v.xnodes;
  in.xinc = v.xinc;
  in.xlcof = s.xlcof;
  in.aycof = s.aycof;
  in.cosio = deep.cosiq;
  in.sinio = deep.siniq;
  in.x3thm1 = s.x3thm1;
  in.x1mth2 = s.x1mth2;
  in.x7thm1 = s.x7thm1;
  return periodicsToState(in, position, velocity);
}

int sdp4MeanElements(const SatelliteElementSet& el, Sdp4State& s, double tsince,
                     SatelliteMeanElements& out) {
  DeepSpaceVariables v;
  const int error = secularStage(el, s, tsince, v, &out.a);
  out.e = v.em;
  out.i = v.xinc;
  out.omega = v.omgasm;
  out.node = v.xnodes;
  out.m = v.xll;
  out.mRate = v.xllRate;
  out.omegaRate = s.omgdot + s.deep.ssg;
  out.nodeRate = s.xnodot + s.deep.ssh;
  return error;
}
