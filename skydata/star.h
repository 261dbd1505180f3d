// CStar: a star's catalogue numbers, names, catalogue position and space
// motion, two magnitudes and spectral type, and what derives from them.
// Deep-sky objects are stars too (deep_sky_object.h); the variable, double
// and binary stars (star_classes.h) share one CStar part through virtual
// inheritance.
//
// Record of the star part (record_io.h byte order, texts zero-terminated):
//   type code u8; catalogue number count k u8; k x i64; names count m u8;
//   m texts; right ascension, declination (radians), distance (parsecs),
//   rate of right ascension, rate of declination, radial velocity: 6 floats;
//   visual and blue magnitude x 100: 2 x i16 (32767 none); spectral type
//   text.
// At most kMaxStarNumbers numbers and names are kept; a record with more
// has the surplus skipped, so the fields after them stay in step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skydata/sky_object.h"

inline constexpr int kMaxStarNumbers = 16;
inline constexpr int kMaxStarNames = 16;

class CStar : public CSkyObject {
 public:
  explicit CStar(int typeCode = 1);

  // Reads or writes the star part alone; false when the record is damaged
  // (the reader's or writer's state says so too). On failure the star's
  // fields are left valid but partly filled.
  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
  // The proper names first, then the designations of the catalogue numbers.
  const char* getName(char* buffer, std::size_t size) const override;
  std::string getNameString() const override;

  // Replace the stored sets with copies of at most 16 entries; a count
  // below 1 (or a null array) empties the set. Null names become empty.
  virtual void setCatalogNumbers(const std::int64_t* numbers, int count);
  virtual void setNames(const char* const* names, int count);
  // A null or empty text stores none.
  virtual void setSpectralType(const char* text);
  // The first stored number of the catalogue; 0 when none.
  virtual std::int64_t findCatalogNumber(int catalogue) const;
  // Copy up to max entries and return the stored count (which may exceed
  // max); with none stored and max >= 1, write one 0 (one empty text).
  virtual int getCatalogNumbers(std::int64_t* out, int max) const;
  // The designation of the star's number in `catalogue` when it has one,
  // else of its first number; the empty text when it has none. Buffer as
  // in getName.
  virtual const char* formatCatalogNumber(int catalogue, char* buffer, std::size_t size,
                                          int style) const;
  // The texts stay valid until the names are replaced.
  virtual int getNames(const char** out, int max) const;

  // Magnitudes; +infinity when missing. The best magnitude is the visual
  // one, else the blue one; the colour index is B - V.
  virtual float getVisualMagnitude() const;
  virtual float getBlueMagnitude() const;
  virtual float getBestMagnitude() const;
  virtual float getColorIndex() const;
  // 10^(-m/2.5) of the best magnitude, 0 without one.
  virtual float getBrightness() const;
  // Unit vector of the catalogue position and its rate (proper motion and
  // radial rate), as stored in floats. With a null out pointer they fill
  // a shared buffer (one for each) that the next call overwrites.
  virtual double* getCatalogVector(double out[3]) const;
  virtual float getStarDistance() const;  // parsecs
  virtual double* getMotionVector(double out[3]) const;
  virtual float getRadialVelocity() const;
  // Never null; the empty text when none.
  virtual const char* getSpectralType() const;
  // Effective temperature (K) of the spectral class; +infinity for a type
  // code outside 1-9 or a type without a known class.
  virtual double getTemperature() const;
  // M = m - 5 (log10 d - 1) of the best magnitude at the distance in
  // parsecs; +infinity when either is missing or the distance is not
  // positive.
  virtual double getAbsoluteMagnitude() const;
  // Visual luminosity in solar units, 10^((M_sun - M)/2.5), with the Sun's
  // absolute magnitude in the band of the best magnitude (V 4.82, B 5.44).
  virtual double getLuminosity() const;
  // Diameter in solar diameters, sqrt(L) / (T / 5800 K)^2.
  virtual double getDiameter() const;

 protected:
  // The star part of the record: readers return the cursor after it and
  // leave the reader damaged on failure.
  std::int64_t readStarFields(RecordReader& reader);
  std::int64_t writeStarFields(RecordWriter& writer) const;

 private:
  std::vector<std::int64_t> catalogNumbers_;
  std::vector<std::string> names_;
  float catalogVector_[3];
  float motionVector_[3];
  std::int16_t visualMagnitude_ = 32767;
  std::int16_t blueMagnitude_ = 32767;
  float brightness_;
  float distance_;
  float radialVelocity_;
  std::string spectralType_;
};
