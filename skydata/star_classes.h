// Stars with variability, a visual companion or an orbit for the pair.
// All share one CStar part (virtual inheritance), so a star that is both
// double and variable is still one star.
//
//   CVariableStar        virtual CStar          6 SV, 7 SN
//   CDoubleStar          virtual CStar          2 SD
//   CBinaryStar          virtual CDoubleStar    3 SB
//   CDoubleVariableStar  CDoubleStar, CVariableStar   4 SDV
//   CBinaryVariableStar  CBinaryStar, CVariableStar   5 SBV
//
// Record parts after the star part (record_io.h byte order):
//   variable: maximum and minimum magnitude x 100 (2 x i16), period in days
//     (float), epoch in days from JD 2451545.0 (float), variability type
//     (text);
//   double: companion magnitude x 100 (i16), separation, position angle,
//     third value (3 floats), components (text);
//   binary: the seven orbit floats in getter order, companion region (u32),
//     companion index (i16).
// Records in class order: variable star = star, variable; double star =
// star, double; binary = star, double, binary; double variable = star,
// variable, double; binary variable = star, variable, double, binary.
#pragma once

#include <cstdint>
#include <string>

#include "skydata/star.h"

class CVariableStar : public virtual CStar {
 public:
  explicit CVariableStar(int typeCode = 6);

  // A null or empty text stores none.
  virtual void setVariableType(const char* text);
  // The variable part alone; returns the cursor after it.
  virtual std::int64_t readVariableFields(RecordReader& reader);
  virtual std::int64_t writeVariableFields(RecordWriter& writer) const;
  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
  // +infinity when missing.
  virtual float getMaxMagnitude() const;
  virtual float getMinMagnitude() const;
  virtual float getPeriod() const;  // days
  // Julian date of the stored epoch.
  virtual double getEpoch() const;
  virtual const char* getVariableType() const;

 private:
  std::int16_t maxMagnitude_ = 32767;
  std::int16_t minMagnitude_ = 32767;
  float period_;
  float epoch_;
  std::string variableType_;
};

class CDoubleStar : public virtual CStar {
 public:
  explicit CDoubleStar(int typeCode = 2);

  virtual void setComponents(const char* text);
  virtual std::int64_t readDoubleFields(RecordReader& reader);
  virtual std::int64_t writeDoubleFields(RecordWriter& writer) const;
  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
  virtual float getCompanionMagnitude() const;
  virtual float getSeparation() const;  // radians
  virtual float getPositionAngle() const;
  // Kept and written, never shown.
  virtual float getThirdValue() const;
  virtual const char* getComponents() const;

 private:
  std::string components_;
  float separation_;
  float positionAngle_;
  float thirdValue_;
  std::int16_t companionMagnitude_ = 32767;
};

class CBinaryStar : public virtual CDoubleStar {
 public:
  explicit CBinaryStar(int typeCode = 3);

  virtual std::int64_t readBinaryFields(RecordReader& reader);
  virtual std::int64_t writeBinaryFields(RecordWriter& writer) const;
  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
  // The pair's orbit.
  virtual float getPeriastronYear() const;
  virtual float getPeriod() const;         // years
  virtual float getSemimajorAxis() const;  // radians
  virtual float getEccentricity() const;
  virtual float getInclination() const;
  virtual float getArgumentOfPeriastron() const;
  virtual float getAscendingNode() const;  // position angle of the node
  // Where the companion's own record is: 4294967295 and -1 for none.
  virtual std::uint32_t getCompanionRegion() const;
  virtual void setCompanionRegion(std::uint32_t region);
  virtual std::int16_t getCompanionIndex() const;
  virtual void setCompanionIndex(std::int16_t index);

 private:
  float orbit_[7];
  std::uint32_t companionRegion_ = 0xFFFFFFFFu;
  std::int16_t companionIndex_ = -1;
};

class CDoubleVariableStar : public CDoubleStar, public CVariableStar {
 public:
  explicit CDoubleVariableStar(int typeCode = 4);

  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
};

class CBinaryVariableStar : public CBinaryStar, public CVariableStar {
 public:
  explicit CBinaryVariableStar(int typeCode = 5);

  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
};
