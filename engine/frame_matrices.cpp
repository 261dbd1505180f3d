#include "engine/frame_matrices.h"

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/matrices.h"
#include "engine/precession.h"

namespace {

// Galactic pole of B1950 at 282.25 - 90 = 192.25 degrees of longitude from
// the x axis, 90 - 62.6 = 27.4 degrees, and the node 33 degrees.
constexpr double kPoleLongitude = 4.926191813752752;
constexpr double kPoleColatitude = 1.0925761117481745;
constexpr double kNodeLongitude = 0.5759586531579833;

void galacticMatrixUncached(double m[9], int direction, double jd);

}  // namespace

void eclipticMatrix(double m[9], int direction, double eps) {
  rotationMatrix(m, 1, 0, direction < 1 ? eps : -eps);
}

void galacticMatrix(double m[9], int direction, double jd) {
  // Every change of a chart's date asks for the same one again.
  struct Memo {
    bool valid = false, forward = false;
    double jd = 0, m[9] = {};
  };
  thread_local Memo last;
  const bool forward = direction >= 1;
  if (!(last.valid && last.forward == forward && last.jd == jd)) {
    galacticMatrixUncached(last.m, direction, jd);
    last.valid = true;
    last.forward = forward;
    last.jd = jd;
  }
  matrixCopy(m, last.m);
}

namespace {

void galacticMatrixUncached(double m[9], int direction, double jd) {
  double zeta, z, theta;
  precessionAngles(&zeta, &z, &theta, nullptr, nullptr, nullptr, jd, kB1950);
  if (direction >= 1)
    rotationMatrix(m, 6, 2, zeta, 1, theta, 2, z, 2, -kPoleLongitude, 0,
                   -kPoleColatitude, 2, kNodeLongitude);
  else
    rotationMatrix(m, 6, 2, -kNodeLongitude, 0, kPoleColatitude, 2,
                   kPoleLongitude, 2, -z, 1, -theta, 2, -zeta);
}

}  // namespace

void horizonMatrix(double m[9], int direction, double lst, double lat) {
  if (direction >= 1) {
    rotationMatrix(m, 2, 2, kPi - lst, 1, lat - kHalfPi);
    for (int c = 0; c < 3; ++c) m[3 + c] = -m[3 + c];
  } else {
    rotationMatrix(m, 2, 1, kHalfPi - lat, 2, lst - kPi);
    for (int r = 0; r < 3; ++r) m[3 * r + 1] = -m[3 * r + 1];
  }
}
