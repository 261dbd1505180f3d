// CSkyMechanics: the fourth class of the engine chain (CSkyTime <-
// CSkyCoordinates <- CSkyProjection <- CSkyMechanics <- CSkyChart). It adds
// to the chart's time, observer and projection what placing objects needs:
// the catalogue database, the body the observer stands on or orbits (the
// home object), the observer's heliocentric position and velocity, the
// fixed and date-dependent frames of the theories, the JPL ephemeris, and
// the apparent-place switches; and it computes the states, apparent
// places, magnitudes and orientations of solar-system objects.
//
// Working frame: heliocentric, mean equator and equinox of J2000, AU and
// AU/day, at dynamical time (TT). A place that is not available is
// +infinity in every component.
//
// Earth-fixed vectors (the site, its velocity, the Earth's orientation,
// geographic coordinates) turn with Greenwich apparent sidereal time of UT
// and the precession-nutation of the chart's date, whatever the chart's
// epoch and nutation options, so that a satellite's element-set frame, the
// site and the horizon agree to the metre.
//
// Thread rules: one object per thread. Every call may rewrite the observer,
// the frames and the objects it updates; the catalogue database it holds is
// not thread-safe either, so a second thread needs its own database too.
#pragma once

#include <cstdint>
#include <limits>

#include "engine/astronomical_constants.h"
#include "engine/calendar.h"
#include "engine/precession.h"
#include "engine/sky_projection.h"
#include "skydata/search_filter.h"
#include "skydata/sky_object_id.h"

class CSkyDatabase;
class CSkyObject;
class CPlanet;
class CSatellite;
class CStar;
class CBinaryStar;
class CPlanetFeature;
struct JPLEphemeris;

// The AU in one parsec (the arcseconds in a radian), and twice the AU in
// km: a diameter in km over it is a radius in AU.
inline constexpr double kAUPerParsec = kArcsecondsPerRadian;
inline constexpr double kTwoAUKilometres = 2 * kAstronomicalUnitKm;
// One second in days.
inline constexpr double kSecondInDays = 1.0 / kSecondsPerDay;
// Charon's share of the mass of the Pluto system: the barycentre lies this
// fraction of Charon's plutocentric vector from Pluto.
inline constexpr double kCharonMassFraction = 0.09917613525438287;

class CSkyMechanics : public CSkyProjection, public CSkySearchChart {
 public:
  // The database is not owned and must outlive the object. Starts at
  // JD 2451545.0 with the Earth as home and the observer on its surface.
  explicit CSkyMechanics(CSkyDatabase* database);
  ~CSkyMechanics() override;
  CSkyMechanics(const CSkyMechanics&) = delete;
  CSkyMechanics& operator=(const CSkyMechanics&) = delete;

  // Rebuilds the frames of the date, opens the ephemeris that covers it and
  // places the observer again.
  void setJulianDate(double jd) override;
  // Stores the site (east longitude, geodetic latitude in radians, height
  // in metres) and places the observer.
  void setLocation(double longitude, double latitude, double altitude) override;
  // Keeps the observer where it is relative to the home object: the
  // home-planet place (and the remembered direction of the home object's
  // parent) are converted into the new system.
  void setDisplayCoordSystem(int system) override;
  // The object's size value (a diameter in km) as a radius in AU.
  virtual double getObjectRadius(const CSkyObject* object) const;

  // Frames, observer and home object (sky_mechanics.cpp).

  // True when a JPL ephemeris covers `jd` (dynamical time); reopens the file
  // when the date leaves the span of the open one.
  bool openEphemerisForDate(double jd);
  // The invalid reference, or one the database cannot resolve, makes the
  // Earth's surface home again.
  void setHomeObject(const SkyObjectID& reference);
  // Makes the object home and keeps the observer where it is: its place
  // relative to the new home becomes the home-planet place.
  void setHomeObjectKeepingPosition(const SkyObjectID& reference);
  // Observer's place about the home object in the display system (radians,
  // radians, AU); each setter places the observer again.
  void setHomePlanetPosition(double longitude, double latitude, double distance);
  void setHomePlanetLongitude(double longitude);
  void setHomePlanetLatitude(double latitude);
  void setHomePlanetDistance(double distance);
  // A topocentric vector and its rate (any units, per day) in the horizon
  // frame, the rate relative to the rotating Earth. Outputs may alias the
  // inputs.
  void horizonPositionVelocity(const double position[3], double positionOut[3],
                               const double velocity[3], double velocityOut[3]) const;
  // Geographic east longitude (-pi..pi), geodetic latitude and height above
  // the ellipsoid (AU) of a geocentric working-frame vector (AU).
  void vectorToGeographic(const double vector[3], double* longitude, double* latitude,
                          double* height) const;

  // States of solar-system bodies and satellites (body_states.cpp). Time
  // arguments are dynamical; velocity outputs may be null.

  // Heliocentric state of the Sun (0) or a planet (1-9); zeros for other
  // numbers.
  void planetState(int body, double position[3], double velocity[3], double t);
  // A moon's state relative to its planet, by the planet's theories; the
  // dispatcher picks the family from the body number. Each returns false,
  // with +infinity written, for a moon it has no theory or elements for.
  bool moonState(int body, double position[3], double velocity[3], double t);
  bool earthMoonState(int body, double position[3], double velocity[3], double t);
  bool marsMoonState(int body, double position[3], double velocity[3], double t);
  bool jupiterMoonState(int body, double position[3], double velocity[3], double t);
  bool saturnMoonState(int body, double position[3], double velocity[3], double t);
  bool uranusMoonState(int body, double position[3], double velocity[3], double t);
  bool neptuneMoonState(int body, double position[3], double velocity[3], double t);
  bool plutoMoonState(int body, double position[3], double velocity[3], double t);
  bool otherMoonState(int body, double position[3], double velocity[3], double t);
  // Heliocentric state of an asteroid, comet or spacecraft from its
  // elements, the time held within the elements' valid range.
  void keplerState(CPlanet* object, double position[3], double velocity[3], double t);
  // Geocentric state of an artificial satellite. Returns the model's
  // SatelliteModelError (engine/sgp4.h) at that time, 0 when the state is
  // given; on an error the satellite has no state then (outputs infinite).
  int computeSatellitePosition(CSatellite* satellite, double position[3],
                               double velocity[3], double t);
  // Heliocentric state of a solar-system object, stored in the object. A
  // moon or satellite is added to the given parent state, or else to its
  // planet's state at the same time.
  void objectState(CPlanet* object, double position[3], double velocity[3],
                   const double* parentPosition, const double* parentVelocity, double t);
  // Heliocentric state of a solar-system object or a star at `t`; returns
  // the length of the position (+infinity when not available).
  double objectPositionAt(CSkyObject* object, double position[3], double velocity[3],
                          double t);
  // Heliocentric place of a star at `t` (AU; a unit vector when its
  // distance is unknown); returns the length of the position.
  double starPositionAt(const CStar* star, double t, double position[3], double velocity[3]);
  // Pole right ascension and declination (J2000), prime meridian W and its
  // rate (radians per day) of a body at `t`; all four 0 for a body without
  // a model.
  static void rotationElements(int body, double* ra, double* dec, double* w, double* rate,
                               double t);
  // The body-fixed matrix (working frame to body axes) at the chart's time,
  // less the light time when `lightTime` is set; false for objects without
  // an orientation.
  bool computeBodyOrientation(CPlanet* object, double matrix[9], bool lightTime);

  // Stars and deep-sky objects (star_place.cpp).

  // Apparent direction, distance (parsecs) and magnitude of a star or
  // deep-sky object at the chart's time; false, with nothing written, for a
  // star fainter than starBrightnessLimit (or an object of another kind).
  bool updateStarPosition(CSkyObject* object);
  bool updateStarPosition(CStar& star);
  // Whether `updateStarPosition` may give the star a magnitude at or under
  // `limit` at the chart's time, decided from its catalogue fields alone
  // (no place is computed): false only when even the most its motion
  // towards the observer can brighten its stored magnitude leaves it past
  // the limit; always true for a far observer and for a binary placed on
  // its primary's orbit.
  bool starMayReachMagnitude(const CStar& star, double limit) const;
  // Separation (radians) and position angle (from north through east) of a
  // binary's companion at the chart's time, and its true separation: the
  // distance in space between the two, in the same angular units, so that
  // times the distance it gives the physical distance rather than its
  // projection on the sky. False when its orbit is incomplete.
  bool binaryStarCompanionPosition(const CBinaryStar* binary, double* separation,
                                   double* positionAngle,
                                   double* trueSeparation = nullptr) const;

  // Points on bodies (surface_points.cpp). `radius` in AU; points in body
  // axes in units of it.

  // Direction and distance from the observer of a body-fixed point of the
  // body, its figure flattened when `flattening` is set; true when the
  // point faces the observer.
  bool surfacePointPosition(CPlanet* body, const double point[3], bool flattening,
                            double direction[3], double* distance, double radius);
  // The same for a planetographic longitude and latitude.
  bool surfaceLonLatPosition(CPlanet* body, double longitude, double latitude, double radius,
                             double direction[3], double* distance);
  // A point of the equator (no flattening).
  bool equatorPointPosition(CPlanet* body, double longitude, double radius,
                            double direction[3], double* distance);
  // Where the ray from the observer along a unit direction first meets the
  // body's spheroid, relative to the body's centre (working frame, AU).
  bool rayHitBody(CPlanet* body, const double direction[3], double hit[3]);
  // The same as body-fixed longitude and latitude.
  bool rayHitBodyLonLat(CPlanet* body, const double direction[3], double* longitude,
                        double* latitude);
  // Direction and distance of a surface feature; magnitude 1 when it faces
  // the observer, 0 on the far side.
  void updateFeaturePosition(CPlanetFeature* feature);

  // The database searches' view of the chart (skydata/search_filter.h):
  // positions brought up to date, the equator-of-date and horizon frames,
  // and rise and set at the geometric horizon (h0 = 0; the chart, which
  // knows its horizon altitude and refraction, refines it).
  void searchUpdatePosition(CSkyObject* object) override { updateObjectPosition(object); }
  void searchToEquatorial(const double in[3], double out[3]) const override {
    fundamentalToEquatorial(in, out);
  }
  void searchToHorizon(const double in[3], double out[3]) const override {
    fundamentalToHorizon(in, out);
  }
  void searchRiseAndSet(CSkyObject* object, double* rise, double* set) override;

  // Rise (-1), transit (0) or set (+1) of an object at altitude h0 within
  // the local day of the chart's date: the Julian date (UT), -infinity for
  // a rise and +infinity for a transit or set that does not happen. The
  // chart and the object are left as they were.
  double objectRiseTransitSet(CSkyObject* object, int kind, double h0);

  // Tabulated orbits and their integration (orbit_table.cpp).

  // Bodies beside the Sun that attract an integrated orbit.
  static constexpr int kOrbitAttractors = 6;
  // The object's table state at t; the first call without a table loads
  // the folder's "<name>.txyz" (a failed load leaves a one-row marker).
  bool tabulatedState(CPlanet* object, double position[3], double velocity[3], double t);
  // Elements (J2000 ecliptic, the Sun's GM) of the table's state at t held
  // within the table's span; `epoch` receives that time. False without a
  // table.
  bool osculatingElements(CPlanet* object, double* epoch, double* q, double* e, double* i,
                          double* omega, double* node, double* m, double* n, double t);
  // Heliocentric acceleration (AU/day^2) of a massless body at `position`
  // at t: the Sun, and the Moon, Venus, the Earth, Mars, Jupiter and Saturn
  // of the JPL ephemeris less their pull on the Sun. False when the
  // ephemeris cannot give the bodies.
  bool orbitAcceleration(double acceleration[3], const double position[3], double t);
  // One fourth-order Runge-Kutta step of a state (position, velocity);
  // returns t + h, or +infinity (the state unchanged) when the acceleration
  // cannot be had.
  double rk4Step(double state[6], double t, double h);
  // The object's table of `rows` states `h` days apart with its element
  // epoch in the middle row, integrated from its elements; false, with no
  // new table, when the ephemeris does not cover the whole span or a step
  // fails.
  bool integrateOrbitTable(CPlanet* object, int rows, double h);

  // Apparent place (apparent_place.cpp).

  // Unit vector from the observer to the point, corrected for aberration
  // when the switch is on; returns the distance. A point at the observer or
  // not finite gives the +infinity direction.
  double observerRelativeVector(const double point[3], double unit[3]) const;
  // The rotation from the element sets' frame of date (TEME) to the
  // working frame, for drawing satellite orbits from mean elements.
  const double* satelliteElementFrame() const { return satelliteToJ2000_; }
  // State, apparent direction, distance, magnitude and orientation of a
  // solar-system object at the chart's time.
  void updatePlanetPosition(CPlanet* object);
  // The update the chart calls for every drawn object; types without a
  // computation are left as they are.
  void updateObjectPosition(CSkyObject* object);
  // Marks the object's place as not available.
  void clearObjectPosition(CSkyObject* object);
  // Visual magnitude from the stored state and place; +infinity when not
  // shown.
  double planetMagnitude(CPlanet* object);
  // 1 when the Sun is wholly hidden from the object by its parent body, 0
  // when not hidden at all, the partial value between.
  double eclipseFraction(CPlanet* object);

  // Fields, in the order of the class's record.
  CSkyDatabase* database = nullptr;
  SkyObjectID homeObjectID;        // invalid: the Earth's surface
  CSkyObject* homeObject = nullptr;
  std::uint8_t followHomePlanet = 1;
  double homePlanetLongitude = 0;
  double homePlanetLatitude = 1.5707963267945;
  double homePlanetDistance = 100.0;
  double lastParentLongitude = std::numeric_limits<double>::infinity();  // none recorded
  double lastParentLatitude = std::numeric_limits<double>::infinity();
  double observerPosition[3] = {};
  double observerVelocity[3] = {};  // in units of the speed of light
  char ephemerisDirectory[256] = {};
  double ephemerisStartJD = 0;
  double ephemerisEndJD = 0;
  JPLEphemeris* ephemeris = nullptr;  // the open JPL file, when any
  double dateToJ2000[9] = {};
  double eclipticOfDate[9] = {};
  double eclipticJ2000[9] = {};
  double jupiterMoonFrame[9] = {};
  double saturnMoonFrame[9] = {};
  double eclipticB1950[9] = {};
  double uranusMoonFrame[9] = {};
  double neptuneMoonFrame[9] = {};
  double b1950ToJ2000[9] = {};
  std::uint8_t aberration = 1;
  std::uint8_t lightTime = 1;
  std::uint8_t refraction = 1;
  std::uint8_t properMotion = 1;
  std::uint8_t observerFar = 0;
  double farThreshold = 1000.0;      // AU
  double wobbleAmplitude = 30.0;     // degrees
  double wobblePeriod = 60.0;        // seconds
  // Brightness (10^(-m/2.5)) of the faintest star the chart draws; 0 lets
  // every star through.
  double starBrightnessLimit = 0;

 private:
  void buildFixedFrames();
  void buildDateFrames();
  // The observer on the Earth's surface at the stored site.
  void placeObserverOnEarth();
  // The observer at or about the home object; false when it has no state.
  void placeObserverAtHome();
  void followParent(CPlanet* home);
  void closeEphemeris();
  // Rotation from the ecliptic of date to the working frame for time t:
  // the field when t is near the chart's date, else built for t.
  const double* eclipticOfDateFor(double t, double scratch[9]) const;
  // Greenwich apparent sidereal time of dynamical time t.
  double apparentSiderealTimeAt(double t) const;
  // The parent whose state a moon or satellite is updated with, or null
  // when it orbits the Sun (or its chain is too long or cyclic).
  CPlanet* updatableParent(CPlanet* object) const;
  // Body number (1-9) of the planet a moon or satellite orbits, or -1.
  int parentPlanetNumber(const CPlanet* object) const;
  void updatePlanetPositionWithParent(CPlanet* object, int depth);

  // Date-dependent matrices and angles, rebuilt by setJulianDate.
  double apparentSiderealTime_ = 0;  // Greenwich, of UT
  double equationOfEquinoxes_ = 0;
  double earthFixedToJ2000_[9] = {};  // Earth-fixed axes to the working frame
  double satelliteToJ2000_[9] = {};   // element-set frame of date to working frame
  double eclipticOfDateTime_ = 0;     // dynamical time of eclipticOfDate

  // The planets' states at the chart's dynamical time, each filled on first
  // use after a time change; states up to a second earlier (the light time
  // of an Earth satellite) are carried back from them instead of taking a
  // series each. Results depend only on the time asked and the chart's.
  struct PlanetCacheEntry {
    bool filled;
    double position[3], velocity[3];
  };
  void clearPlanetCache();
  // The state without the cache.
  void computePlanetState(int body, double position[3], double velocity[3], double t);
  // The moon family of a parent planet number (3-9).
  bool moonStateOfParent(int parent, int body, double position[3], double velocity[3],
                         double t);
  // objectState that also reports the parent state it added (+infinity
  // when none). A finite `retardation` (days before the chart's dynamical
  // time, t being that time as rounded) places satellites and carries their
  // parent back by that exact amount: a date of 2.45 million days resolves
  // only 40 microseconds, 30 m of the Earth's motion.
  void objectStateWithParent(CPlanet* object, double position[3], double velocity[3],
                             const double* parentPosition, const double* parentVelocity,
                             double t, double parentUsed[3], double retardation);
  // A planet's state `retardation` days (at most a second) before the
  // chart's dynamical time, carried back from its state at that time.
  void retardedPlanetState(int body, double position[3], double velocity[3],
                           double retardation);
  // A satellite's geocentric state at `tsince` minutes from its epoch, and
  // the model's error there.
  int satelliteStateAt(CSatellite* satellite, double position[3], double velocity[3],
                        double tsince);
  // Eclipse value of a body at `position` by a parent at `parentPosition`
  // of the given diameter (km).
  double eclipseValue(const double position[3], const double parentPosition[3],
                      double parentDiameter) const;
  double sunDiameter() const;
  // A star's catalogue direction, motion per Julian year and distance
  // (parsecs); for a binary with a resolvable link, those of the star it
  // links to with the companion's orbit offset at `t` (dynamical) added.
  void starInputs(const CStar* star, double t, double vector[3], double motion[3],
                  double* distance);
  // The place function of the rise/transit/set iteration.
  static void riseSetPlace(void* context, double jd, double* ra, double* dec);
  PlanetCacheEntry planetCache_[10] = {};
  double planetCacheTime_ = 0;

  // The attracting bodies' positions at the last time the integrator asked.
  double orbitBodiesTime_ = std::numeric_limits<double>::infinity();
  double orbitBodies_[kOrbitAttractors][3] = {};

  // The last satellite state computed, kept for its orbital frame.
  const CSatellite* lastSatellite_ = nullptr;
  double lastSatelliteTime_ = 0;
  double lastSatellitePosition_[3] = {};
  double lastSatelliteVelocity_[3] = {};
};

// The offset of a binary's companion from the star at unit direction
// `direction` in the given year (2000 + Julian years): the Kepler position
// of its orbit with x north, y east (the plane of the sky, the node a
// position angle) and z along the line of sight, in radians. False, with
// no offset, when the orbit is incomplete, not elliptic or has no period.
bool binaryOrbitOffset(const CBinaryStar& binary, const double direction[3], double year,
                       double offset[3]);

// Distance along the ray from `origin` (unit `direction`) to its near
// crossing with the sphere; true when the ray meets the sphere ahead of the
// origin (0 when the origin is inside). `closest` receives the distance
// along the ray to the point nearest the centre, 0 when the centre lies
// behind. Either output may be null.
bool raySphereIntersect(const double centre[3], const double origin[3],
                        const double direction[3], double* nearDistance, double* closest,
                        double radius);
// Dot product of a direction with a body-frame vector whose z is stretched
// by 1 / (1 - flattening) and renormalised: the cosine against the normal
// of a flattened body at that point. The plain dot product for 0.
double flattenedDirectionDot(const double direction[3], const double vector[3],
                             double flattening);
