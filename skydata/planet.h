// CPlanet: every body of the solar system the chart shows (the Sun and
// planets, moons, asteroids, comets, spacecraft) with its names,
// osculating elements, magnitude parameters, size, and the state vectors
// and tabulated path the engine writes into it.
//
// Type codes: 30 planet or the Sun, 31 moon, 32, 33 asteroid, 34 comet,
// 36 spacecraft (35, the artificial satellite, is the subclass CSatellite).
// Lengths in AU, times Julian dates, angles radians, rates per day.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skydata/sky_object.h"

class RecordReader;
class RecordWriter;

class CPlanet : public CSkyObject {
 public:
  explicit CPlanet(int typeCode);
  ~CPlanet() override;

  // Record: type u8, body number u32, name count u8 (at most 127), the
  // names, parent index u32, valid from and to, epoch, q, e, i, argument
  // of perihelion, node, M0, n (doubles), three magnitude parameters x 100
  // (i16), diameter and physical value (floats): 104 bytes and the names.
  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
  // Planets and moons by the body table in the current language; asteroids
  // "(433) Eros"; comets "1P/Halley" or "C/1995 O1 (Hale-Bopp)";
  // satellites their common name (the second) before their designator;
  // others their first name.
  const char* getName(char* buffer, std::size_t size) const override;
  std::string getNameString() const override;

  // Names and numbers.
  virtual std::uint32_t getBodyNumber() const;
  // Catalogue x 10^16 + body number (151 planets and moons, 152
  // asteroids, 153 comets, 154 satellites); 0 for body number 0.
  virtual std::int64_t getCatalogNumber() const;
  virtual int getNameCount() const;
  // The empty text for an empty slot or an index out of range.
  virtual const char* getNameAt(int index) const;
  // Index below 0 counts as 0; at or past the count appends a slot.
  virtual void setNameAt(int index, const char* text);
  // Appends the text unless an equal name is present.
  virtual void addName(const char* text);
  virtual std::uint32_t getParentIndex() const;

  // Orbit, as stored.
  virtual void getValidTimeRange(double* from, double* to) const;
  virtual double getElementEpoch() const;
  virtual double getMeanAnomalyAtEpoch() const;
  // M0 + n (t - epoch), reduced into [0, 2pi) for e < 1.
  virtual double getMeanAnomaly(double t) const;
  virtual double getMeanMotion() const;
  virtual double getPerihelionDistance() const;
  virtual double getAphelionDistance() const;
  virtual double getSemimajorAxis() const;
  virtual double getEccentricity() const;
  virtual double getInclination() const;
  virtual double getArgumentOfPerihelion() const;
  virtual double getAscendingNode() const;

  // Magnitude parameters (H, G and a third); +infinity when missing.
  virtual double getAbsoluteMagnitude() const;
  virtual double getSlopeParameter() const;
  virtual double getMagnitudeParam3() const;
  virtual void setMagnitudeParam3(double value);
  virtual double getDiameter() const;  // km
  virtual void setDiameter(double diameter);
  // (0, 1 - b/a, 1 - c/a) of the bodies with a known figure, else zeros.
  virtual void getFlattenings(double out[3]) const;
  virtual double getPhysicalValue() const;

  // Orbital period (days): +infinity for e >= 1, 0 for n <= 0.
  virtual double getOrbitalPeriod() const;
  // Time of the perihelion passage the elements count from; +infinity for
  // n <= 0.
  virtual double getPerihelionEpoch() const;
  // The perihelion passage nearest to t; +infinity for n <= 0.
  virtual double getPerihelionTime(double t) const;
  virtual double getAuxValue() const;
  virtual void setAuxValue(double value);

  // State written by the engine: heliocentric, J2000 equator, AU, AU/day.
  // The getters copy into `out` when given, else return the stored vector.
  virtual const double* getHeliocentricPosition(double out[3]) const;
  virtual void setHeliocentricPosition(const double position[3]);
  virtual const double* getHeliocentricVelocity(double out[3]) const;
  virtual void setHeliocentricVelocity(const double velocity[3]);
  virtual double* getPositionRelativeTo(double out[3], const CPlanet& other) const;
  virtual double* getVelocityRelativeTo(double out[3], const CPlanet& other) const;
  // Body orientation; the identity until one is stored.
  virtual void getOrientationMatrix(double out[9]) const;
  virtual void setOrientationMatrix(const double matrix[9]);

  // Tabulated path: rows of time, position (3), velocity (3).
  virtual int getPathCount() const;
  virtual double getPathStartTime() const;  // -infinity without a path
  virtual double getPathEndTime() const;
  // Replaces the path by n zeroed rows and returns them (7 doubles each);
  // null, with no path left, for n < 1 or when they cannot be allocated.
  virtual double* allocatePath(int n);
  virtual bool setPathRow(int i, const double position[3], const double velocity[3], double time);
  virtual bool getPathRow(int i, double* time, double position[3], double velocity[3]) const;

  // Geometry from the heliocentric state and the stored (observer-based)
  // position and distance.
  virtual double distanceToPoint(const double point[3]) const;
  virtual double distanceToBody(const CPlanet& other) const;
  virtual double getCentralDistance() const;
  virtual double getAngularRadius() const;
  virtual double getAngularDiameter() const;
  virtual double getPhaseAngle() const;
  virtual double getIlluminatedFraction() const;
  virtual bool isMajorBody() const;
  virtual bool hasAtmosphere() const;

  // The chart's drawing block of the body: opaque here, made and freed by
  // the chart, which detaches it before the body goes; null when none.
  virtual void* getRenderData() const { return renderData_; }
  virtual void setRenderData(void* data) { renderData_ = data; }

 protected:
  struct Elements {
    double epoch, q, e, i, omega, node, m0, n;
  };
  // The planet part of a record, parsed apart from the object so that a
  // damaged record (of this class or a subclass) changes nothing.
  struct PlanetRecord {
    int type;
    std::uint32_t body;
    std::vector<std::string> names;
    std::uint32_t parent;
    double validFrom, validTo;
    Elements elements;
    std::int16_t magnitudeParams[3];
    float diameter, physicalValue;
  };
  // False when the reader found the part damaged.
  static bool parsePlanetRecord(RecordReader& reader, PlanetRecord& out);
  void applyPlanetRecord(const PlanetRecord& record);
  void writePlanetRecord(RecordWriter& writer) const;

  // For the satellite's element-set conversion.
  void setParentIndex(std::uint32_t parent) { parentIndex_ = parent; }
  void setElements(std::uint32_t body, std::uint32_t parent, const Elements& elements);
  // Magnitude parameter k (0-2) as its record field (value x 100).
  void setMagnitudeField(int k, std::int16_t stored) { magnitudeParams_[k] = stored; }
  void setPhysicalValue(float value) { physicalValue_ = value; }

 private:
  const char* formatName(char* buffer, std::size_t size) const;

  std::uint32_t body_ = 0;
  std::vector<std::string> names_;
  std::uint32_t parentIndex_ = 0;
  double validFrom_;
  double validTo_;
  Elements elements_;
  float diameter_ = 0.0f;
  std::int16_t magnitudeParams_[3] = {32767, 32767, 32767};
  float physicalValue_ = 0.0f;
  double auxValue_;
  double heliocentricPosition_[3];
  double heliocentricVelocity_[3];
  std::unique_ptr<std::array<double, 9>> orientation_;
  std::vector<std::array<double, 7>> path_;
  void* renderData_ = nullptr;
};

// True for the body tests the engine and screens use on any object (false
// for null and for other classes).
bool isSun(const CSkyObject* object);
bool isEarth(const CSkyObject* object);
bool isMoon(const CSkyObject* object);
bool isDwarfPlanet(const CSkyObject* object);
