#include "tests/mechanics/pass_finder.h"

#include <erfa.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace pass_finder {

namespace {

constexpr double kSecond = 1.0 / 86400;
constexpr double kSunStep = 1.0 / 24;
constexpr double kEarthEquatorKm = 6378.140;
constexpr double kEarthFlattening = 1 / 298.257;
constexpr double kAstronomicalUnitKm = 149597870.7;
constexpr double kDeltaTDays = 69.0 / 86400;  // TT - UT, 2006 to 2022

// Four-point Lagrange interpolation in a table of equally spaced vectors.
void interpolate(const std::vector<std::array<double, 3>>& table, double x, double out[3]) {
  const int k =
      std::clamp(static_cast<int>(std::floor(x)) - 1, 0, static_cast<int>(table.size()) - 4);
  const double u = x - k;
  const double w[4] = {-(u - 1) * (u - 2) * (u - 3) / 6, u * (u - 2) * (u - 3) / 2,
                       -u * (u - 1) * (u - 3) / 2, u * (u - 1) * (u - 2) / 6};
  for (int c = 0; c < 3; ++c) {
    out[c] = 0;
    for (int j = 0; j < 4; ++j) out[c] += w[j] * table[static_cast<std::size_t>(k + j)][c];
  }
}

// The angular radius of a sphere of that radius at that distance.
double angularRadius(double radius, double distance) {
  return radius >= distance ? M_PI / 2 : std::asin(radius / distance);
}

// The Sun's geocentric TEME vector (km) at UT t: ERFA's Earth, the IAU
// 1976/1980 precession-nutation and the equation of the equinoxes.
void sunAt(double t, double out[3]) {
  const double tt = t + kDeltaTDays;
  double ph[2][3], pb[2][3], np[3][3], rz[3][3], s[3];
  eraEpv00(tt, 0, ph, pb);
  eraSxp(-kAstronomicalUnitKm, ph[0], s);
  eraPnm80(tt, 0, np);
  eraRxp(np, s, s);
  eraIr(rz);
  eraRz(eraEqeq94(tt, 0), rz);
  eraRxp(rz, s, out);
}

// The first crossing of zero upward (or downward) by 20-second steps, then
// bisection to a millisecond.
template <typename F>
double root(F f, double from, double to, bool upward) {
  const double step = 20 * kSecond;
  double a = from, fa = f(a);
  for (double b = from + step; a < to; a = b, b += step) {
    const double fb = f(b);
    if (upward ? (fa <= 0 && fb > 0) : (fa > 0 && fb <= 0)) {
      double lo = a, hi = b;
      while (hi - lo > 1e-3 * kSecond) {
        const double mid = 0.5 * (lo + hi);
        ((f(mid) > 0) == upward ? hi : lo) = mid;
      }
      return 0.5 * (lo + hi);
    }
    fa = fb;
  }
  return NAN;
}

// Golden section after a coarse scan of 200 steps.
template <typename F>
double maximise(F f, double a, double b) {
  const int n = 200;
  int best = 0;
  double bestValue = -INFINITY;
  for (int k = 0; k <= n; ++k) {
    const double v = f(a + (b - a) * k / n);
    if (v > bestValue) {
      bestValue = v;
      best = k;
    }
  }
  double lo = a + (b - a) * std::max(0, best - 1) / n;
  double hi = a + (b - a) * std::min(n, best + 1) / n;
  const double g = 0.6180339887498949;
  while (hi - lo > 1e-3 * kSecond) {
    const double c = hi - g * (hi - lo), d = lo + g * (hi - lo);
    if (f(c) < f(d))
      lo = c;
    else
      hi = d;
  }
  return 0.5 * (lo + hi);
}

}  // namespace

std::vector<Track> propagate(const std::vector<Query>& queries, double days, double* seconds) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string script = std::string(root ? root : ".") + "/tests/engine/sgp4_oracle.py";
  const std::string input = "/tmp/tessaly_passes_" + std::to_string(getpid());
  const int count = static_cast<int>(days / kSampleStep) + 1;
  {
    std::ofstream out(input);
    for (const Query& q : queries) {
      char text[512];
      std::snprintf(text, sizeof text, "%s|%s|%.10f|%d|%.12g\n", q.line1.c_str(), q.line2.c_str(),
                    q.from, count, kSampleStep);
      out << text;
    }
  }
  std::vector<Track> result;
  const std::string states = input + ".states";
  const auto begin = std::chrono::steady_clock::now();
  const int status =
      std::system(("/usr/bin/python3 " + script + " --binary " + states + " < " + input).c_str());
  if (seconds != nullptr)
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  FILE* in = status == 0 ? std::fopen(states.c_str(), "rb") : nullptr;
  for (std::size_t i = 0; in != nullptr && i < queries.size(); ++i) {
    Track track{queries[i].from, {}};
    for (int k = 0; k < count; ++k) {
      double row[8];
      if (std::fread(row, sizeof row, 1, in) != 1) break;
      track.r.push_back({row[2], row[3], row[4]});
    }
    // A short file (a full disk) gives no tracks rather than ones the
    // interpolation would read past.
    if (track.r.size() != static_cast<std::size_t>(count)) {
      result.clear();
      break;
    }
    result.push_back(track);
  }
  if (in != nullptr) std::fclose(in);
  std::remove(states.c_str());
  std::remove(input.c_str());
  return result;
}

Finder::Finder(const Track& track, const Site& site, double earthRadius, double sunRadius)
    : track_(track), site_(site), earthRadius_(earthRadius), sunRadius_(sunRadius) {
  eraGd2gce(kEarthEquatorKm, kEarthFlattening, site.lon, site.lat, site.heightKm, siteFixed_);
}

void Finder::teme(double t, double r[3]) const {
  interpolate(track_.r, (t - track_.from) / kSampleStep, r);
}

void Finder::horizon(double t, const double teme[3], double* altitude, double* azimuth) const {
  double m[3][3], fixed[3], d[3], in[3] = {teme[0], teme[1], teme[2]};
  eraIr(m);
  eraRz(eraGmst82(t, 0), m);
  eraRxp(m, in, fixed);
  eraPmp(fixed, const_cast<double*>(siteFixed_), d);
  const double sl = std::sin(site_.lon), cl = std::cos(site_.lon);
  const double sp = std::sin(site_.lat), cp = std::cos(site_.lat);
  const double north = -sp * cl * d[0] - sp * sl * d[1] + cp * d[2];
  const double east = -sl * d[0] + cl * d[1];
  const double up = cp * cl * d[0] + cp * sl * d[1] + sp * d[2];
  *altitude = std::atan2(up, std::hypot(north, east));
  if (azimuth != nullptr) {
    *azimuth = std::atan2(east, north);
    if (*azimuth < 0) *azimuth += 2 * M_PI;
  }
}

double Finder::altitude(double t) const {
  double r[3], a;
  teme(t, r);
  horizon(t, r, &a, nullptr);
  return a;
}

// Interpolated in a table of hourly values (the Sun moves 0.04 degree an
// hour: four points are good to metres).
void Finder::sun(double t, double out[3]) const {
  if (sunTable_.empty()) {
    const double last = track_.from + static_cast<double>(track_.r.size()) * kSampleStep;
    for (double u = track_.from - kSunStep; u <= last + 3 * kSunStep; u += kSunStep) {
      std::array<double, 3> s;
      sunAt(u, s.data());
      sunTable_.push_back(s);
    }
  }
  interpolate(sunTable_, (t - (track_.from - kSunStep)) / kSunStep, out);
}

double Finder::sunAltitude(double t) const {
  double s[3], a;
  sun(t, s);
  horizon(t, s, &a, nullptr);
  return a;
}

double Finder::depth(double t) const {
  double r[3], s[3], toEarth[3], toSun[3];
  teme(t, r);
  sun(t, s);
  eraSxp(-1, r, toEarth);
  eraPmp(s, r, toSun);
  const double rp = angularRadius(earthRadius_, eraPm(toEarth));
  const double rs = angularRadius(sunRadius_, eraPm(toSun));
  if (rp <= rs) return rp - rs;
  return (rp - rs + 1e-8) / (eraSepp(toEarth, toSun) + 1e-8);
}

std::vector<Finder::Pass> Finder::passes(double from, double to, double minAltitude) const {
  std::vector<Pass> out;
  const double last = track_.from + (static_cast<double>(track_.r.size()) - 4) * kSampleStep;
  auto f = [&](double t) { return altitude(t) - minAltitude; };
  double t = std::max(from, track_.from + 2 * kSampleStep);
  while (t < to) {
    const double rise = root(f, t, to, true);
    if (!std::isfinite(rise)) break;
    const double set = root(f, rise + kSecond, last, false);
    if (!std::isfinite(set)) break;
    Pass p;
    p.rise = rise;
    p.set = set;
    // The highest point between rise and set (a pass can climb twice): the
    // highest 20-second sample, refined around it.
    double peak = rise, highest = altitude(rise);
    for (double x = rise + 20 * kSecond; x < set; x += 20 * kSecond) {
      const double a = altitude(x);
      if (a > highest) {
        peak = x;
        highest = a;
      }
    }
    p.culmination =
        maximise([&](double x) { return altitude(x); }, std::max(rise, peak - 20 * kSecond),
                 std::min(set, peak + 20 * kSecond));
    p.culminationAltitude = altitude(p.culmination);
    double r[3], a;
    teme(rise, r);
    horizon(rise, r, &a, &p.riseAzimuth);
    teme(set, r);
    horizon(set, r, &a, &p.setAzimuth);
    p.entry = p.exit = -INFINITY;
    auto shadow = [&](double x) { return depth(x) - 1; };
    const double deepest = maximise([&](double x) { return depth(x); }, rise, set);
    if (depth(deepest) >= 1) {
      p.entry = depth(rise) >= 1 ? rise : root(shadow, rise, deepest, true);
      p.exit = depth(set) >= 1 ? set : root(shadow, deepest, set, false);
    }
    p.sunAltitude = sunAltitude(0.5 * (rise + set));
    out.push_back(p);
    t = set + kSecond;
  }
  return out;
}

bool Finder::visible(const Pass& p) {
  const bool inShadowThroughout = std::isfinite(p.entry) && p.entry <= p.rise && p.exit >= p.set;
  return !inShadowThroughout && p.sunAltitude < -6 * M_PI / 180;
}

}  // namespace pass_finder
