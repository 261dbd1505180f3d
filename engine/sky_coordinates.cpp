#include "engine/sky_coordinates.h"

#include <cmath>

#include "engine/angle_text.h"
#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/frame_matrices.h"
#include "engine/matrices.h"
#include "engine/precession.h"
#include "engine/sidereal_time.h"
#include "engine/vectors.h"

namespace {


void applyMatrix(const double* m, const double in[3], double out[3]) {
  vectorCopy(out, in);
  if (m) matrixTimesVector(m, out);
}

void applyTranspose(const double* m, const double in[3], double out[3]) {
  vectorCopy(out, in);
  if (m) transposeTimesVector(m, out);
}

}  // namespace

CSkyCoordinates::CSkyCoordinates() { setEpoch(1, 1, kJ2000); }

void CSkyCoordinates::setJulianDate(double jd) {
  CSkyTime::setJulianDate(jd);
  setEpoch(currentEpoch, nutation, fixedEpoch);
}

void CSkyCoordinates::setDateTime(int year, int month, double day, int hour,
                                  int minute, double seconds) {
  CSkyTime::setDateTime(year, month, day, hour, minute, seconds);
  setEpoch(currentEpoch, nutation, fixedEpoch);
}

void CSkyCoordinates::setLocation(double lon, double lat, double alt) {
  altitude = alt;
  if (lon == longitude && lat == latitude) return;
  longitude = lon;
  latitude = lat;
  setDSTRule(autoDST ? dstRuleForLocation(lon, lat) : 0);
  setEpoch(currentEpoch, nutation, fixedEpoch);
}

void CSkyCoordinates::setEpoch(int current, int withNutation, double fixed) {
  currentEpoch = current != 0;
  nutation = withNutation != 0;
  fixedEpoch = fixed;
  epoch = currentEpoch ? julianDate : fixedEpoch;

  nutationLongitude = nutationObliquity = 0;
  if (nutation) nutationAngles(&nutationLongitude, &nutationObliquity, epoch);
  double meanObliquityOfEpoch;
  longTermPrecessionAngles(nullptr, nullptr, nullptr, &meanObliquityOfEpoch, epoch);
  obliquity = meanObliquityOfEpoch + nutationObliquity;

  greenwichSiderealTime = meanSiderealTime(julianDate);
  // The horizon frame below turns the true equator of the chart's date, so
  // its sidereal time takes that date's nutation even when the epoch is
  // fixed elsewhere.
  double equinoxes = 0;
  if (nutation) {
    equinoxes = epoch == julianDate ? nutationLongitude * std::cos(obliquity)
                                    : equationOfEquinoxes(julianDate);
  }
  localSiderealTime = normalizeRadians(greenwichSiderealTime + longitude + equinoxes);

  horizonMatrix(horizonFrame, 1, localSiderealTime, latitude);
  double precession[9];
  longTermPrecessionMatrix(precession, nutation, kJ2000, julianDate);
  matrixMultiply(horizonFrame, precession);
  matrixCopy(horizonFrame, precession);

  longTermPrecessionMatrix(equatorialFrame, nutation, kJ2000, epoch);

  eclipticMatrix(eclipticFrame, 1, obliquity);
  double ecliptic[9];
  matrixCopy(ecliptic, equatorialFrame);
  matrixMultiply(eclipticFrame, ecliptic);
  matrixCopy(eclipticFrame, ecliptic);

  galacticMatrix(galacticFrame, 1, kJ2000);

  double spin[9];
  rotationMatrix(spin, 1, 2, greenwichSiderealTime);
  matrixTranspose(spin, bodyFixedFrame);
  double bodyFixed[9];
  matrixCopy(bodyFixed, equatorialFrame);
  matrixMultiply(bodyFixedFrame, bodyFixed);
  matrixCopy(bodyFixedFrame, bodyFixed);
}

const double* CSkyCoordinates::frameMatrix(int system) const {
  switch (system) {
    case kCoordEquatorial: return equatorialFrame;
    case kCoordHorizon: return horizonFrame;
    case kCoordEcliptic: return eclipticFrame;
    case kCoordGalactic: return galacticFrame;
    case kCoordBodyFixed: return bodyFixedFrame;
    default: return nullptr;
  }
}

void CSkyCoordinates::fundamentalToEquatorial(const double in[3], double out[3]) const {
  applyMatrix(equatorialFrame, in, out);
}
void CSkyCoordinates::fundamentalToHorizon(const double in[3], double out[3]) const {
  applyMatrix(horizonFrame, in, out);
}
void CSkyCoordinates::horizonToFundamental(const double in[3], double out[3]) const {
  applyTranspose(horizonFrame, in, out);
}
void CSkyCoordinates::fundamentalToEcliptic(const double in[3], double out[3]) const {
  applyMatrix(eclipticFrame, in, out);
}
void CSkyCoordinates::fundamentalToGalactic(const double in[3], double out[3]) const {
  applyMatrix(galacticFrame, in, out);
}
void CSkyCoordinates::galacticToFundamental(const double in[3], double out[3]) const {
  applyTranspose(galacticFrame, in, out);
}

void CSkyCoordinates::convertCoordSystem(int from, int to, const double in[3],
                                         double out[3]) const {
  applyTranspose(frameMatrix(from), in, out);
  applyMatrix(frameMatrix(to), out, out);
}

void CSkyCoordinates::convertCoordSystemLonLat(int from, int to, double lon, double lat,
                                               double* outLon, double* outLat) const {
  double v[3];
  sphericalToVector(v, lon, lat, 1);
  convertCoordSystem(from, to, v, v);
  vectorToSpherical(v, outLon, outLat, nullptr);
}

int CSkyCoordinates::formatRA(char* buffer, std::size_t size, double angle) const {
  return formatAngleHours(raFormat, buffer, size, angle);
}
int CSkyCoordinates::formatDec(char* buffer, std::size_t size, double angle) const {
  return formatAngleDegrees2(decFormat, buffer, size, angle);
}
int CSkyCoordinates::formatAzimuth(char* buffer, std::size_t size, double angle) const {
  return formatAngleDegrees3(azimuthFormat, buffer, size, angle);
}
int CSkyCoordinates::formatAltitude(char* buffer, std::size_t size, double angle) const {
  return formatAngleDegrees2(altitudeFormat, buffer, size, angle);
}
int CSkyCoordinates::formatLongitude(char* buffer, std::size_t size, double angle) const {
  return formatAngleDegrees3(longitudeFormat, buffer, size, angle);
}
int CSkyCoordinates::formatLatitude(char* buffer, std::size_t size, double angle) const {
  return formatAngleDegrees2(latitudeFormat, buffer, size, angle);
}
int CSkyCoordinates::formatEclipticLongitude(char* buffer, std::size_t size,
                                             double angle) const {
  return formatAngleDegrees3(eclipticLongitudeFormat, buffer, size, angle);
}
int CSkyCoordinates::formatEclipticLatitude(char* buffer, std::size_t size,
                                            double angle) const {
  return formatAngleDegrees2(eclipticLatitudeFormat, buffer, size, angle);
}
int CSkyCoordinates::formatGalacticLongitude(char* buffer, std::size_t size,
                                             double angle) const {
  return formatAngleDegrees3(galacticLongitudeFormat, buffer, size, angle);
}
int CSkyCoordinates::formatGalacticLatitude(char* buffer, std::size_t size,
                                            double angle) const {
  return formatAngleDegrees2(galacticLatitudeFormat, buffer, size, angle);
}
