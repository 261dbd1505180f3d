// Deep-sky objects (type codes 10-29): stars with an apparent size and
// orientation and, for extended objects, outline contours. The star
// part's spectral-type text is the object's morphology.
//
// Record: the star part (star.h), major and minor size and orientation
// (3 x u16), the contour count c (one byte, at most 127), then c contour
// records. Contour record: point count n (u32), n points (3 floats each),
// extent (float), centre (3 floats): 4 + 12 n + 16 bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "skydata/star.h"

class CDeepSkyContour {
 public:
  CDeepSkyContour() = default;
  CDeepSkyContour(const CDeepSkyContour&) = delete;
  CDeepSkyContour& operator=(const CDeepSkyContour&) = delete;
  virtual ~CDeepSkyContour() = default;

  // Bytes consumed or written, -1 for a truncated or damaged record (or a
  // buffer too small). A point array that cannot be allocated leaves the
  // contour without points but still consumes its record.
  virtual std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder);
  virtual std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const;

  virtual int getPointCount() const;
  // Leave `out` unchanged for an index outside 0 .. count - 1.
  virtual void getPointFloat(int i, float out[3]) const;
  virtual void getPoint(int i, double out[3]) const;
  // Does nothing outside 0 .. count - 1.
  virtual void setPoint(int i, const float point[3]);
  // Inserts before index i, clamped to 0 .. count; false when the array
  // cannot grow.
  virtual bool insertPoint(int i, const float point[3]);

  void getCenter(double out[3]) const;
  // Angular extent of the outline around its centre.
  float getRadius() const;

 private:
  std::vector<float> points_;  // x, y, z of each point
  double center_[3] = {0, 0, 0};
  float extent_ = 0;
};

class CDeepSkyObject : public CStar {
 public:
  // Most contours a record can carry: its count byte is read signed.
  static constexpr int kMaxContours = 127;

  explicit CDeepSkyObject(int typeCode = 16);

  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  // -1 also for an object with more contours than a record can carry.
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
  // The names first, then the long designations of the catalogue numbers.
  const char* getName(char* buffer, std::size_t size) const override;
  // A deep-sky object's diameter is its physical size.
  double getDiameter() const override;

  // Apparent size along the major and minor axis (arcseconds), 0 unknown;
  // position angle of the major axis, 65535 none.
  virtual std::uint16_t getMajorSize() const;
  virtual std::uint16_t getMinorSize() const;
  virtual std::uint16_t getOrientation() const;
  // The spectral-type text of the star part, e.g. a galaxy's class.
  virtual const char* getMorphology() const;
  virtual int getContourCount() const;
  // Null outside 0 .. count - 1.
  virtual CDeepSkyContour* getContour(int i) const;
  // Appends a new empty contour and returns it; null when the array
  // cannot grow.
  virtual CDeepSkyContour* addContour();
  virtual void deleteContours();

  // Size along the major axis in the unit of the distance (parsecs);
  // +infinity when the apparent size or the distance is unknown.
  double getPhysicalSize() const;

 private:
  std::uint16_t majorSize_ = 0;
  std::uint16_t minorSize_ = 0;
  std::uint16_t orientation_ = 65535;
  std::vector<std::unique_ptr<CDeepSkyContour>> contours_;
};
