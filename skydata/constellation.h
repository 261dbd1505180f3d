// CConstellation: a constellation (type code 40) or an asterism (41) with
// its names and outline points; CMeteorShower (42): a meteor shower with
// its radiant, activity data and the mean orbit of its stream.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "skydata/sky_object.h"

class CConstellation : public CSkyObject {
 public:
  explicit CConstellation(int typeCode);
  ~CConstellation() override;

  // Record: type u8, number u32, name, abbreviation, genitive and common
  // name (texts), centre vector and angular size (floats), point count u32
  // and the points (3 floats each).
  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
  const char* getName(char* buffer, std::size_t size) const override;
  std::string getNameString() const override;

  virtual const char* getAbbreviation() const;
  virtual const char* getGenitive() const;
  // A constellation's common name in the current language from the
  // built-in table; an asterism's (or an unnumbered one's) stored text.
  virtual const char* getCommonName() const;
  // The constellation number 1-89 (the record's number for asterisms);
  // it is the object's number.
  std::uint64_t getNumber() const override;
  void setNumber(std::uint64_t number) override;
  virtual bool isZodiac() const;
  virtual float getAngularSize() const;  // radians
  virtual void setAngularSize(float size);

  // Outline points (unit vectors). Index errors return false.
  virtual int getPointCount() const;
  virtual bool getPointFloat(int i, float out[3]) const;
  virtual bool getPoint(int i, double out[3]) const;
  virtual bool setPoint(int i, const float point[3]);
  // i from 0 to the count; false outside or when the list cannot grow.
  virtual bool insertPoint(int i, const float point[3]);
  virtual bool deletePoint(int i);
  // The largest separation between two points (radians); 0 below two.
  virtual double getAngularExtent() const;

 private:
  std::uint32_t number_ = 0;
  std::string name_;
  std::string abbreviation_;
  std::string genitive_;
  std::string commonName_;
  float angularSize_ = 0.0f;
  std::vector<std::array<float, 3>> points_;
};

class CMeteorShower : public CSkyObject {
 public:
  CMeteorShower();
  ~CMeteorShower() override;

  // Record: type u8, name, abbreviation and parent body (texts), then 72
  // bytes: IAU number i16, activity class u8, peak hour u8, peak solar
  // longitude, magnitude, velocity and peak rate (floats), radiant (3
  // floats), perihelion distance, eccentricity, inclination, argument of
  // perihelion and ascending node (doubles).
  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
  const char* getName(char* buffer, std::size_t size) const override;
  std::string getNameString() const override;

  virtual const char* getAbbreviation() const;
  virtual const char* getParentBody() const;
  virtual int getIAUNumber() const;
  // 1-4: major, minor, variable, weak.
  virtual int getActivityClass() const;
  // Hour of the peak (UT) 0-23; any other value: none.
  virtual int getPeakHour() const;
  virtual double getPeakSolarLongitude() const;  // radians
  virtual double getVelocity() const;            // km/s
  // Meteors per hour; negative: variable.
  virtual double getPeakRate() const;
  virtual double getPerihelionDistance() const;  // AU
  virtual double getEccentricity() const;
  virtual double getInclination() const;  // radians
  virtual double getArgumentOfPerihelion() const;
  virtual double getAscendingNode() const;

 private:
  std::string name_;
  std::string abbreviation_;
  std::string parentBody_;
  std::int16_t iauNumber_ = 0;
  std::uint8_t activityClass_ = 0;
  std::uint8_t peakHour_ = 0;
  float peakSolarLongitude_;
  float velocity_;
  float peakRate_;
  double orbit_[5];  // q, e, i, argument of perihelion, node
};
