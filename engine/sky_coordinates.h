// CSkyCoordinates: the observer's place, the precession epoch and nutation
// options, sidereal time, and the matrices that rotate vectors of the
// fundamental frame (mean equator and equinox of J2000) into the frames the
// chart shows; with the angle-format codes for each kind of coordinate.
//
// Every change of date, place or epoch options ends in setEpoch, so frames
// and sidereal times always belong to the current moment and place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/sky_time.h"

// Coordinate-system codes.
enum CoordSystem {
  kCoordFundamental = 0,  // mean equator and equinox of J2000
  kCoordEquatorial = 1,   // equator and equinox of the chart's epoch
  kCoordHorizon = 2,      // the observer's horizon, azimuth from north
  kCoordEcliptic = 3,     // ecliptic and equinox of the chart's epoch
  kCoordGalactic = 4,
  kCoordBodyFixed = 5,    // the Earth's rotating frame
};

class CSkyCoordinates : public CSkyTime {
 public:
  CSkyCoordinates();

  void setJulianDate(double jd) override;
  void setDateTime(int year, int month, double day, int hour, int minute,
                   double seconds) override;

  // East longitude and geodetic latitude (radians), height above the
  // ellipsoid (metres). The height alone changes nothing else.
  virtual void setLocation(double longitude, double latitude, double altitude);
  // Rebuilds sidereal times and frames; the epoch follows the chart's date
  // when `current` is set, else it is `fixed` (JD).
  virtual void setEpoch(int current, int nutation, double fixed);
  virtual void setRAFormat(int code) { raFormat = code; }
  virtual void setDecFormat(int code) { decFormat = code; }
  virtual void setAzimuthFormat(int code) { azimuthFormat = code; }
  virtual void setAltitudeFormat(int code) { altitudeFormat = code; }
  virtual void setLongitudeFormat(int code) { longitudeFormat = code; }
  virtual void setLatitudeFormat(int code) { latitudeFormat = code; }
  virtual void setEclipticLongitudeFormat(int code) { eclipticLongitudeFormat = code; }
  virtual void setEclipticLatitudeFormat(int code) { eclipticLatitudeFormat = code; }
  virtual void setGalacticLongitudeFormat(int code) { galacticLongitudeFormat = code; }
  virtual void setGalacticLatitudeFormat(int code) { galacticLatitudeFormat = code; }

  // Conversions of a fundamental-frame vector; `out` may be `in`.
  void fundamentalToEquatorial(const double in[3], double out[3]) const;
  void fundamentalToHorizon(const double in[3], double out[3]) const;
  void horizonToFundamental(const double in[3], double out[3]) const;
  void fundamentalToEcliptic(const double in[3], double out[3]) const;
  void fundamentalToGalactic(const double in[3], double out[3]) const;
  void galacticToFundamental(const double in[3], double out[3]) const;

  // Between any two coordinate systems; codes outside 1-5 mean the
  // fundamental frame. `out` may be `in`.
  void convertCoordSystem(int from, int to, const double in[3], double out[3]) const;
  // The same for a direction; the longitude comes back in [0, 2pi).
  void convertCoordSystemLonLat(int from, int to, double lon, double lat,
                                double* outLon, double* outLat) const;
  // The matrix of a system (fundamental to it), null for the fundamental frame.
  const double* frameMatrix(int system) const;

  // Angles (radians) as text in the object's format codes.
  int formatRA(char* buffer, std::size_t size, double angle) const;
  int formatDec(char* buffer, std::size_t size, double angle) const;
  int formatAzimuth(char* buffer, std::size_t size, double angle) const;
  int formatAltitude(char* buffer, std::size_t size, double angle) const;
  int formatLongitude(char* buffer, std::size_t size, double angle) const;
  int formatLatitude(char* buffer, std::size_t size, double angle) const;
  int formatEclipticLongitude(char* buffer, std::size_t size, double angle) const;
  int formatEclipticLatitude(char* buffer, std::size_t size, double angle) const;
  int formatGalacticLongitude(char* buffer, std::size_t size, double angle) const;
  int formatGalacticLatitude(char* buffer, std::size_t size, double angle) const;

  double longitude = 0;             // east, radians
  double latitude = 0;              // geodetic, radians
  double altitude = 0;              // metres
  double localSiderealTime = 0;     // apparent of the date (mean without nutation), radians
  double greenwichSiderealTime = 0; // mean, radians
  std::uint8_t autoDST = 0;         // take the DST rule from the place
  double horizonFrame[9] = {};      // frame 2
  double equatorialFrame[9] = {};   // frame 1
  double eclipticFrame[9] = {};     // frame 3
  double galacticFrame[9] = {};     // frame 4
  double bodyFixedFrame[9] = {};    // frame 5
  double epoch = 2451545.0;         // JD of the equinox of frames 1 and 3
  double fixedEpoch = 2451545.0;
  std::uint8_t currentEpoch = 1;
  std::uint8_t nutation = 1;
  double obliquity = 0;             // true obliquity of the epoch
  double nutationLongitude = 0;     // radians, 0 when off
  double nutationObliquity = 0;
  std::int32_t raFormat = 1;
  std::int32_t decFormat = 5;
  std::int32_t longitudeFormat = 9;
  std::int32_t latitudeFormat = 9;
  std::int32_t azimuthFormat = 1;
  std::int32_t altitudeFormat = 5;
  std::int32_t eclipticLongitudeFormat = 1;
  std::int32_t eclipticLatitudeFormat = 5;
  std::int32_t galacticLongitudeFormat = 1;
  std::int32_t galacticLatitudeFormat = 5;
};
