// Jovicentric positions of the Galilean moons from Lieske's theory E5 in
// the form Meeus gives it (Astronomical Algorithms, 2nd ed., chapter 44,
// "higher accuracy"), with the mean longitudes, the perijoves of Ganymede
// and Callisto and the node of Jupiter's equator of the E5 constants.
// Positions are in AU in Jupiter's equatorial frame with x towards the node
// psi (frame jupiterEquatorFrame).
#include <cmath>

#include "engine/angles.h"
#include "engine/galilean_moons.h"

namespace {

constexpr double kDeg = kRadiansPerDegree;

double s(double degrees) { return std::sin(degrees * kDeg); }
double c(double degrees) { return std::cos(degrees * kDeg); }

// The theory's angles at t days from JD 2443000.5 (degrees).
struct GalileanArguments {
  double l1, l2, l3, l4;   // mean longitudes
  double p1, p2, p3, p4;   // longitudes of the perijoves
  double w1, w2, w3, w4;   // longitudes of the nodes on Jupiter's equator
  double psi;              // node of Jupiter's equator on the ecliptic
  double bigPi;            // longitude of Jupiter's perihelion
  double g, gp;            // mean anomalies of Jupiter and Saturn
  double phi;              // phase of the free libration
};

GalileanArguments galileanArguments(double jd) {
  const double t = jd - 2443000.5;
  GalileanArguments a;
  a.l1 = normalizeDegrees(106.07859 + 203.4889553630643 * t);
  a.l2 = normalizeDegrees(175.733787 + 101.3747245566245 * t);
  a.l3 = normalizeDegrees(120.5613855 + 50.31760915340462 * t);
  a.l4 = normalizeDegrees(84.455823 + 21.57107087517961 * t);
  a.p1 = 97.0881 + 0.16138586 * t;
  a.p2 = 154.8663 + 0.04726307 * t;
  a.p3 = 187.550171 + 0.00712408 * t;
  a.p4 = 335.309254 + 0.00183939 * t;
  a.w1 = 312.3346 - 0.13279386 * t;
  a.w2 = 100.4411 - 0.03263064 * t;
  a.w3 = 119.1942 - 0.00717703 * t;
  a.w4 = 322.6186 - 0.00175934 * t;
  a.psi = 316.500101 - 0.00000248 * t;
  a.bigPi = 13.469942;
  const double gamma = 0.33033 * s(163.679 + 0.0010512 * t) + 0.03439 * s(34.486 - 0.0161731 * t);
  a.g = 30.23756 + 0.0830925701 * t + gamma;
  a.gp = 31.97853 + 0.0334597339 * t;
  a.phi = 199.6766 + 0.17379190 * t;
  return a;
}

// Longitude L (degrees), tangent of the latitude and radius factor of one
// moon, turned into a position of semi-major axis `axis`.
void position(double* x, double* y, double* z, double longitude,
              double tanLatitude, double radiusFactor, double axis, double psi) {
  const double r = axis * radiusFactor;
  *x = r * c(longitude - psi);
  *y = r * s(longitude - psi);
  *z = axis * tanLatitude;
}

}  // namespace

void ioPosition(double* x, double* y, double* z, double jd) {
  const GalileanArguments a = galileanArguments(jd);
  const double G = a.g, P = a.bigPi;
  const double sigma =
      0.47259 * s(2 * (a.l1 - a.l2)) - 0.03478 * s(a.p3 - a.p4) +
      0.01081 * s(a.l2 - 2 * a.l3 + a.p3) + 0.00738 * s(a.phi) +
      0.00713 * s(a.l2 - 2 * a.l3 + a.p2) - 0.00674 * s(a.p1 + a.p3 - 2 * P - 2 * G) +
      0.00666 * s(a.l2 - 2 * a.l3 + a.p4) + 0.00445 * s(a.l1 - a.p3) -
      0.00354 * s(a.l1 - a.l2) - 0.00317 * s(2 * a.psi - 2 * P) +
      0.00265 * s(a.l1 - a.p4) - 0.00186 * s(G) + 0.00162 * s(a.p2 - a.p3) +
      0.00158 * s(4 * (a.l1 - a.l2)) - 0.00155 * s(a.l1 - a.l3) -
      0.00138 * s(a.psi + a.w3 - 2 * P - 2 * G) - 0.00115 * s(2 * (a.l1 - 2 * a.l2 + a.w2)) +
      0.00089 * s(a.p2 - a.p4) + 0.00085 * s(a.l1 + a.p3 - 2 * P - 2 * G) +
      0.00083 * s(a.w2 - a.w3) + 0.00053 * s(a.psi - a.w2);
  const double L = a.l1 + sigma;
  const double tanB =
      0.0006393 * s(L - a.w1) + 0.0001825 * s(L - a.w2) + 0.0000329 * s(L - a.w3) -
      0.0000311 * s(L - a.psi) + 0.0000093 * s(L - a.w4) +
      0.0000075 * s(3 * L - 4 * a.l2 - 1.9927 * sigma + a.w2) +
      0.0000046 * s(L + a.psi - 2 * P - 2 * G);
  const double radius =
      1.0 - 0.0041339 * c(2 * (a.l1 - a.l2)) - 0.0000387 * c(a.l1 - a.p3) -
      0.0000214 * c(a.l1 - a.p4) + 0.0000170 * c(a.l1 - a.l2) -
      0.0000131 * c(4 * (a.l1 - a.l2)) + 0.0000106 * c(a.l1 - a.l3) -
      0.0000066 * c(a.l1 + a.p3 - 2 * P - 2 * G);
  position(x, y, z, L, tanB, radius, 0.002819347, a.psi);
}

void europaPosition(double* x, double* y, double* z, double jd) {
  const GalileanArguments a = galileanArguments(jd);
  const double G = a.g, P = a.bigPi, Gp = a.gp;
  const double sigma =
      1.06476 * s(2 * (a.l2 - a.l3)) + 0.04256 * s(a.l1 - 2 * a.l2 + a.p3) +
      0.03581 * s(a.l2 - a.p3) + 0.02395 * s(a.l1 - 2 * a.l2 + a.p4) +
      0.01984 * s(a.l2 - a.p4) - 0.01778 * s(a.phi) + 0.01654 * s(a.l2 - a.p2) +
      0.01334 * s(a.l2 - 2 * a.l3 + a.p2) + 0.01294 * s(a.p3 - a.p4) -
      0.01142 * s(a.l2 - a.l3) - 0.01057 * s(G) - 0.00775 * s(2 * (a.psi - P)) +
      0.00524 * s(2 * (a.l1 - a.l2)) - 0.00460 * s(a.l1 - a.l3) +
      0.00316 * s(a.psi - 2 * G + a.w3 - 2 * P) - 0.00203 * s(a.p1 + a.p3 - 2 * P - 2 * G) +
      0.00146 * s(a.psi - a.w3) - 0.00145 * s(2 * G) + 0.00125 * s(a.psi - a.w4) -
      0.00115 * s(a.l1 - 2 * a.l3 + a.p3) - 0.00094 * s(2 * (a.l2 - a.w2)) +
      0.00086 * s(2 * (a.l1 - 2 * a.l2 + a.w2)) - 0.00086 * s(5 * Gp - 2 * G + 52.225) -
      0.00078 * s(a.l2 - a.l4) - 0.00064 * s(3 * a.l3 - 7 * a.l4 + 4 * a.p4) +
      0.00064 * s(a.p1 - a.p4) - 0.00063 * s(a.l1 - 2 * a.l3 + a.p4) +
      0.00058 * s(a.w3 - a.w4) + 0.00056 * s(2 * (a.psi - P - G)) +
      0.00056 * s(2 * (a.l2 - a.l4)) + 0.00055 * s(2 * (a.l1 - a.l3)) +
      0.00052 * s(3 * a.l3 - 7 * a.l4 + a.p3 + 3 * a.p4) - 0.00043 * s(a.l1 - a.p3) +
      0.00041 * s(5 * (a.l2 - a.l3)) + 0.00041 * s(a.p4 - P) + 0.00032 * s(a.w2 - a.w3) +
      0.00032 * s(2 * (a.l3 - G - P));
  const double L = a.l2 + sigma;
  const double tanB =
      0.0081004 * s(L - a.w2) + 0.0004512 * s(L - a.w3) - 0.0003284 * s(L - a.psi) +
      0.0001160 * s(L - a.w4) + 0.0000272 * s(a.l1 - 2 * a.l3 + 1.0146 * sigma + a.w2) -
      0.0000144 * s(L - a.w1) + 0.0000143 * s(L + a.psi - 2 * P - 2 * G) +
      0.0000035 * s(L - a.psi + G) - 0.0000028 * s(a.l1 - 2 * a.l3 + 1.0146 * sigma + a.w3);
  const double radius =
      1.0 + 0.0093848 * c(a.l1 - a.l2) - 0.0003116 * c(a.l2 - a.p3) -
      0.0001744 * c(a.l2 - a.p4) - 0.0001442 * c(a.l2 - a.p2) + 0.0000553 * c(a.l2 - a.l3) +
      0.0000523 * c(a.l1 - a.l3) - 0.0000290 * c(2 * (a.l1 - a.l2)) +
      0.0000164 * c(2 * (a.l2 - a.w2)) + 0.0000107 * c(a.l1 - 2 * a.l3 + a.p3) -
      0.0000102 * c(a.l2 - a.p1) - 0.0000091 * c(2 * (a.l1 - a.l3));
  position(x, y, z, L, tanB, radius, 0.004485872, a.psi);
}

void ganymedePosition(double* x, double* y, double* z, double jd) {
  const GalileanArguments a = galileanArguments(jd);
  const double G = a.g, P = a.bigPi, Gp = a.gp;
  const double sigma =
      0.16490 * s(a.l3 - a.p3) + 0.09081 * s(a.l3 - a.p4) - 0.06907 * s(a.l2 - a.l3) +
      0.03784 * s(a.p3 - a.p4) + 0.01846 * s(2 * (a.l3 - a.l4)) - 0.01340 * s(G) -
      0.01014 * s(2 * (a.psi - P)) + 0.00704 * s(a.l2 - 2 * a.l3 + a.p3) -
      0.00620 * s(a.l2 - 2 * a.l3 + a.p2) - 0.00541 * s(a.l3 - a.l4) +
      0.00381 * s(a.l2 - 2 * a.l3 + a.p4) + 0.00235 * s(a.psi - a.w3) +
      0.00198 * s(a.psi - a.w4) + 0.00176 * s(a.phi) + 0.00130 * s(3 * (a.l3 - a.l4)) +
      0.00125 * s(a.l1 - a.l3) - 0.00119 * s(5 * Gp - 2 * G + 52.225) +
      0.00109 * s(a.l1 - a.l2) - 0.00100 * s(3 * a.l3 - 7 * a.l4 + 4 * a.p4) +
      0.00091 * s(a.w3 - a.w4) + 0.00080 * s(3 * a.l3 - 7 * a.l4 + a.p3 + 3 * a.p4) -
      0.00075 * s(2 * a.l2 - 3 * a.l3 + a.p3) + 0.00072 * s(a.p1 + a.p3 - 2 * P - 2 * G) +
      0.00069 * s(a.p4 - P) - 0.00058 * s(2 * a.l3 - 3 * a.l4 + a.p4) -
      0.00057 * s(a.l3 - 2 * a.l4 + a.p4) + 0.00056 * s(a.l3 + a.p3 - 2 * P - 2 * G) -
      0.00052 * s(a.l2 - 2 * a.l3 + a.p1) - 0.00050 * s(a.p2 - a.p3) +
      0.00048 * s(a.l3 - 2 * a.l4 + a.p3) - 0.00045 * s(2 * a.l2 - 3 * a.l3 + a.p4) -
      0.00041 * s(a.p2 - a.p4) - 0.00038 * s(2 * G) -
      0.00037 * s(a.p3 - a.p4 + a.w3 - a.w4) -
      0.00032 * s(3 * a.l3 - 7 * a.l4 + 2 * a.p3 + 2 * a.p4) + 0.00030 * s(4 * (a.l3 - a.l4)) +
      0.00029 * s(a.l3 + a.p4 - 2 * P - 2 * G) - 0.00028 * s(a.w3 + a.psi - 2 * P - 2 * G) +
      0.00026 * s(a.l3 - P - G) + 0.00024 * s(a.l2 - 3 * a.l3 + 2 * a.l4) +
      0.00021 * s(2 * (a.l3 - P - G)) - 0.00021 * s(a.l3 - a.p2);
  const double L = a.l3 + sigma;
  const double tanB =
      0.0032402 * s(L - a.w3) - 0.0016911 * s(L - a.psi) + 0.0006847 * s(L - a.w4) -
      0.0002797 * s(L - a.w2) + 0.0000321 * s(L + a.psi - 2 * P - 2 * G) +
      0.0000051 * s(L - a.psi + G) - 0.0000045 * s(L - a.psi - G) -
      0.0000045 * s(L + a.psi - 2 * P) + 0.0000037 * s(L + a.psi - 2 * P - 3 * G) +
      0.0000030 * s(2 * a.l2 - 3 * L + 4.03 * sigma + a.w2) -
      0.0000021 * s(2 * a.l2 - 3 * L + 4.03 * sigma + a.w3);
  const double radius =
      1.0 - 0.0014388 * c(a.l3 - a.p3) - 0.0007919 * c(a.l3 - a.p4) +
      0.0006342 * c(a.l2 - a.l3) - 0.0001761 * c(2 * (a.l3 - a.l4)) +
      0.0000294 * c(a.l3 - a.l4) - 0.0000156 * c(3 * (a.l3 - a.l4)) +
      0.0000156 * c(a.l1 - a.l3) - 0.0000153 * c(a.l1 - a.l2) +
      0.0000070 * c(2 * a.l2 - 3 * a.l3 + a.p3) - 0.0000051 * c(a.l3 + a.p3 - 2 * P - 2 * G);
  position(x, y, z, L, tanB, radius, 0.007155352, a.psi);
}

void callistoPosition(double* x, double* y, double* z, double jd) {
  const GalileanArguments a = galileanArguments(jd);
  const double G = a.g, P = a.bigPi, Gp = a.gp;
  const double sigma =
      0.84287 * s(a.l4 - a.p4) + 0.03431 * s(a.p4 - a.p3) - 0.03305 * s(a.psi - a.w4) -
      0.03211 * s(G) - 0.01862 * s(a.l4 - a.p3) + 0.01186 * s(a.psi - a.w3) +
      0.00623 * s(a.l4 + a.p4 - 2 * G - 2 * P) + 0.00387 * s(2 * (a.l4 - a.p4)) -
      0.00284 * s(5 * Gp - 2 * G + 52.225) - 0.00234 * s(2 * (a.psi - P)) -
      0.00223 * s(a.l3 - a.l4) - 0.00208 * s(a.l4 - P) + 0.00178 * s(a.psi + a.w4 - 2 * a.p4) +
      0.00134 * s(a.p4 - P) + 0.00125 * s(2 * (a.l4 - G - P)) - 0.00117 * s(2 * G) -
      0.00112 * s(2 * (a.l3 - a.l4)) + 0.00107 * s(3 * a.l3 - 7 * a.l4 + 4 * a.p4) +
      0.00102 * s(a.l4 - G - P) + 0.00096 * s(2 * a.l4 - a.psi - a.w4) +
      0.00087 * s(2 * (a.psi - a.w4)) - 0.00085 * s(3 * a.l3 - 7 * a.l4 + a.p3 + 3 * a.p4) +
      0.00085 * s(a.l3 - 2 * a.l4 + a.p4) - 0.00081 * s(2 * (a.l4 - a.psi)) +
      0.00071 * s(a.l4 + a.p4 - 2 * P - 3 * G) + 0.00061 * s(a.l1 - a.l4) -
      0.00056 * s(a.psi - a.w3) - 0.00054 * s(a.l3 - 2 * a.l4 + a.p3) +
      0.00051 * s(a.l2 - a.l4) + 0.00042 * s(2 * (a.psi - G - P)) +
      0.00039 * s(2 * (a.p4 - a.w4)) + 0.00036 * s(a.psi + P - a.p4 - a.w4) +
      0.00035 * s(2 * Gp - G + 188.37) - 0.00035 * s(a.l4 - a.p4 + 2 * P - 2 * a.psi) -
      0.00032 * s(a.l4 + a.p4 - 2 * P - G) + 0.00030 * s(2 * Gp - 2 * G + 149.15) +
      0.00029 * s(3 * a.l3 - 7 * a.l4 + 2 * a.p3 + 2 * a.p4) +
      0.00028 * s(a.l4 - a.p4 + 2 * a.psi - 2 * P) - 0.00028 * s(2 * (a.l4 - a.w4)) -
      0.00027 * s(a.p3 - a.p4 + a.w3 - a.w4) - 0.00026 * s(5 * Gp - 3 * G + 188.37) +
      0.00025 * s(a.w4 - a.w3) - 0.00025 * s(a.l2 - 3 * a.l3 + 2 * a.l4) -
      0.00023 * s(3 * (a.l3 - a.l4)) + 0.00021 * s(2 * a.l4 - 2 * P - 3 * G) -
      0.00021 * s(2 * a.l3 - 3 * a.l4 + a.p4) + 0.00019 * s(a.l4 - a.p4 - G) -
      0.00019 * s(2 * a.l4 - a.p3 - a.p4) - 0.00018 * s(a.l4 - a.p4 + G) -
      0.00016 * s(a.l4 + a.p3 - 2 * P - 2 * G);
  const double L = a.l4 + sigma;
  const double tanB =
      -0.0076579 * s(L - a.psi) + 0.0044134 * s(L - a.w4) - 0.0005112 * s(L - a.w3) +
      0.0000773 * s(L + a.psi - 2 * P - 2 * G) + 0.0000104 * s(L - a.psi + G) -
      0.0000102 * s(L - a.psi - G) + 0.0000088 * s(L + a.psi - 2 * P - 3 * G) -
      0.0000038 * s(L + a.psi - 2 * P - G);
  const double radius =
      1.0 - 0.0073546 * c(a.l4 - a.p4) + 0.0001621 * c(a.l4 - a.p3) +
      0.0000974 * c(a.l3 - a.l4) - 0.0000543 * c(a.l4 + a.p4 - 2 * P - 2 * G) -
      0.0000271 * c(2 * (a.l4 - a.p4)) + 0.0000182 * c(a.l4 - P) +
      0.0000177 * c(2 * (a.l3 - a.l4)) - 0.0000167 * c(2 * a.l4 - a.psi - a.w4) +
      0.0000167 * c(a.psi - a.w4) - 0.0000155 * c(2 * (a.l4 - P - G)) +
      0.0000142 * c(2 * (a.l4 - a.psi)) + 0.0000105 * c(a.l1 - a.l4) +
      0.0000092 * c(a.l2 - a.l4) - 0.0000089 * c(a.l4 - P - G) -
      0.0000062 * c(a.l4 + a.p4 - 2 * P - 3 * G) + 0.0000048 * c(2 * (a.l4 - a.w4));
  position(x, y, z, L, tanB, radius, 0.012585436, a.psi);
}
