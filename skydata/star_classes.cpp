#include "skydata/star_classes.h"

#include <cmath>

#include "engine/calendar.h"
#include "skydata/record_io.h"

namespace {

// Days of the stored variable-star epoch are counted from J2000.0.
constexpr double kEpochOrigin = kJ2000;

std::int64_t finishRead(const RecordReader& reader) {
  return reader.damaged() ? -1 : reader.position();
}

}  // namespace

// Variable stars.

CVariableStar::CVariableStar(int typeCode)
    : CStar(typeCode), period_(INFINITY), epoch_(INFINITY) {}

void CVariableStar::setVariableType(const char* text) {
  variableType_ = text != nullptr ? text : "";
}

std::int64_t CVariableStar::readVariableFields(RecordReader& reader) {
  maxMagnitude_ = reader.readRecordI16();
  minMagnitude_ = reader.readRecordI16();
  period_ = reader.readRecordFloat();
  epoch_ = reader.readRecordFloat();
  setVariableType(reader.readRecordString());
  return reader.position();
}

std::int64_t CVariableStar::writeVariableFields(RecordWriter& writer) const {
  writer.writeRecordI16(maxMagnitude_);
  writer.writeRecordI16(minMagnitude_);
  writer.writeRecordFloat(period_);
  writer.writeRecordFloat(epoch_);
  writer.writeRecordString(variableType_.c_str());
  return writer.position();
}

std::int64_t CVariableStar::readRecord(const void* record, std::int64_t length,
                                       bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  readStarFields(reader);
  readVariableFields(reader);
  return finishRead(reader);
}

std::int64_t CVariableStar::writeRecord(void* buffer, std::int64_t size,
                                        bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writeStarFields(writer);
  writeVariableFields(writer);
  return writer.result();
}

float CVariableStar::getMaxMagnitude() const { return magnitudeFromRecord(maxMagnitude_); }

float CVariableStar::getMinMagnitude() const { return magnitudeFromRecord(minMagnitude_); }

float CVariableStar::getPeriod() const { return period_; }

double CVariableStar::getEpoch() const { return epoch_ + kEpochOrigin; }

const char* CVariableStar::getVariableType() const { return variableType_.c_str(); }

// Double stars.

CDoubleStar::CDoubleStar(int typeCode)
    : CStar(typeCode), separation_(INFINITY), positionAngle_(INFINITY), thirdValue_(INFINITY) {}

void CDoubleStar::setComponents(const char* text) { components_ = text != nullptr ? text : ""; }

std::int64_t CDoubleStar::readDoubleFields(RecordReader& reader) {
  companionMagnitude_ = reader.readRecordI16();
  separation_ = reader.readRecordFloat();
  positionAngle_ = reader.readRecordFloat();
  thirdValue_ = reader.readRecordFloat();
  setComponents(reader.readRecordString());
  return reader.position();
}

std::int64_t CDoubleStar::writeDoubleFields(RecordWriter& writer) const {
  writer.writeRecordI16(companionMagnitude_);
  writer.writeRecordFloat(separation_);
  writer.writeRecordFloat(positionAngle_);
  writer.writeRecordFloat(thirdValue_);
  writer.writeRecordString(components_.c_str());
  return writer.position();
}

std::int64_t CDoubleStar::readRecord(const void* record, std::int64_t length,
                                     bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  readStarFields(reader);
  readDoubleFields(reader);
  return finishRead(reader);
}

std::int64_t CDoubleStar::writeRecord(void* buffer, std::int64_t size,
                                      bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writeStarFields(writer);
  writeDoubleFields(writer);
  return writer.result();
}

float CDoubleStar::getCompanionMagnitude() const {
  return magnitudeFromRecord(companionMagnitude_);
}

float CDoubleStar::getSeparation() const { return separation_; }

float CDoubleStar::getPositionAngle() const { return positionAngle_; }

float CDoubleStar::getThirdValue() const { return thirdValue_; }

const char* CDoubleStar::getComponents() const { return components_.c_str(); }

// Binary stars.

CBinaryStar::CBinaryStar(int typeCode)
    : CStar(typeCode),
      CDoubleStar(typeCode),
      orbit_{INFINITY, INFINITY, INFINITY, INFINITY, INFINITY, INFINITY, INFINITY} {}

std::int64_t CBinaryStar::readBinaryFields(RecordReader& reader) {
  for (float& element : orbit_) element = reader.readRecordFloat();
  companionRegion_ = reader.readRecordU32();
  companionIndex_ = reader.readRecordI16();
  return reader.position();
}

std::int64_t CBinaryStar::writeBinaryFields(RecordWriter& writer) const {
  for (float element : orbit_) writer.writeRecordFloat(element);
  writer.writeRecordU32(companionRegion_);
  writer.writeRecordI16(companionIndex_);
  return writer.position();
}

std::int64_t CBinaryStar::readRecord(const void* record, std::int64_t length,
                                     bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  readStarFields(reader);
  readDoubleFields(reader);
  readBinaryFields(reader);
  return finishRead(reader);
}

std::int64_t CBinaryStar::writeRecord(void* buffer, std::int64_t size,
                                      bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writeStarFields(writer);
  writeDoubleFields(writer);
  writeBinaryFields(writer);
  return writer.result();
}

float CBinaryStar::getPeriastronYear() const { return orbit_[0]; }

float CBinaryStar::getPeriod() const { return orbit_[1]; }

float CBinaryStar::getSemimajorAxis() const { return orbit_[2]; }

float CBinaryStar::getEccentricity() const { return orbit_[3]; }

float CBinaryStar::getInclination() const { return orbit_[4]; }

float CBinaryStar::getArgumentOfPeriastron() const { return orbit_[5]; }

float CBinaryStar::getAscendingNode() const { return orbit_[6]; }

std::uint32_t CBinaryStar::getCompanionRegion() const { return companionRegion_; }

void CBinaryStar::setCompanionRegion(std::uint32_t region) { companionRegion_ = region; }

std::int16_t CBinaryStar::getCompanionIndex() const { return companionIndex_; }

void CBinaryStar::setCompanionIndex(std::int16_t index) { companionIndex_ = index; }

// Stars that are both double (or binary) and variable.

CDoubleVariableStar::CDoubleVariableStar(int typeCode)
    : CStar(typeCode), CDoubleStar(typeCode), CVariableStar(typeCode) {}

std::int64_t CDoubleVariableStar::readRecord(const void* record, std::int64_t length,
                                             bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  readStarFields(reader);
  readVariableFields(reader);
  readDoubleFields(reader);
  return finishRead(reader);
}

std::int64_t CDoubleVariableStar::writeRecord(void* buffer, std::int64_t size,
                                              bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writeStarFields(writer);
  writeVariableFields(writer);
  writeDoubleFields(writer);
  return writer.result();
}

CBinaryVariableStar::CBinaryVariableStar(int typeCode)
    : CStar(typeCode), CDoubleStar(typeCode), CBinaryStar(typeCode), CVariableStar(typeCode) {}

std::int64_t CBinaryVariableStar::readRecord(const void* record, std::int64_t length,
                                             bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  readStarFields(reader);
  readVariableFields(reader);
  readDoubleFields(reader);
  readBinaryFields(reader);
  return finishRead(reader);
}

std::int64_t CBinaryVariableStar::writeRecord(void* buffer, std::int64_t size,
                                              bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writeStarFields(writer);
  writeVariableFields(writer);
  writeDoubleFields(writer);
  writeBinaryFields(writer);
  return writer.result();
}
