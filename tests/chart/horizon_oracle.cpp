#include "tests/chart/horizon_oracle.h"

#include <erfa.h>

#include <cmath>

namespace chart_test {

void horizonDirection(double jdUT, double longitude, double latitude, double azimuth,
                      double altitude, double out[3]) {
  double ha, dec;
  eraAe2hd(azimuth, altitude, latitude, &ha, &dec);
  double tt = jdUT + 69.0 / 86400;
  double last = eraGst06a(jdUT, 0, tt, 0) + longitude;
  double ofDate[3], npb[3][3];
  eraS2c(last - ha, dec, ofDate);
  eraPnm06a(tt, 0, npb);
  eraTrxp(npb, ofDate, out);
}

double horizonRefraction() {
  constexpr double kDegree = 0.017453292519943295;
  return 1 / std::tan((7.31 / 4.4) * kDegree) / 60 * kDegree;
}

}  // namespace chart_test
