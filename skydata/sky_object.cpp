#include "skydata/sky_object.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/angles.h"
#include "engine/vectors.h"
#include "skydata/record_io.h"

CSkyObject::CSkyObject(int typeCode)
    : typeByte_(static_cast<std::uint8_t>(typeCode & 0x7F)),
      position_{INFINITY, INFINITY, INFINITY},
      distance_(INFINITY),
      magnitude_(INFINITY) {}

double* CSkyObject::getPosition(double out[3]) const {
  if (out != nullptr) vectorCopy(out, position_);
  return out;
}

float* CSkyObject::getPositionFloat(float out[3]) const {
  if (out != nullptr) {
    for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(position_[i]);
  }
  return out;
}

void CSkyObject::setPosition(const double position[3]) { vectorCopy(position_, position); }

void CSkyObject::setPositionFloat(const float position[3]) {
  for (int i = 0; i < 3; ++i) position_[i] = position[i];
}

double CSkyObject::getDistance() const { return distance_; }

void CSkyObject::setDistance(double distance) { distance_ = distance; }

float CSkyObject::getMagnitude() const { return magnitude_; }

void CSkyObject::setMagnitude(float magnitude) { magnitude_ = magnitude; }

double CSkyObject::angularSeparationToVector(const double vector[3]) const {
  return vectorSeparation(position_, vector);
}

double CSkyObject::angularSeparationToObject(const CSkyObject& other) const {
  return vectorSeparation(position_, other.position_);
}

std::uint64_t CSkyObject::getNumber() const { return number_; }

void CSkyObject::setNumber(std::uint64_t number) { number_ = number; }

std::int64_t CSkyObject::readRecord(const void* record, std::int64_t length, bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  const std::uint64_t number = static_cast<std::uint64_t>(reader.readRecordI64());
  const double ra = reader.readRecordFloat();
  const double dec = reader.readRecordFloat();
  const std::int16_t magnitude = reader.readRecordI16();
  if (reader.damaged()) return -1;
  setTypeCode(1);
  number_ = number;
  sphericalToVector(position_, ra, dec, 1.0);
  distance_ = INFINITY;
  magnitude_ = magnitudeFromRecord(magnitude);
  return reader.position();
}

std::int64_t CSkyObject::writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  double ra = 0.0, dec = 0.0;
  vectorToSpherical(position_, &ra, &dec, nullptr);
  writer.writeRecordI64(static_cast<std::int64_t>(number_));
  writer.writeRecordFloat(ra);
  writer.writeRecordFloat(dec);
  writer.writeRecordI16(magnitudeToRecord(magnitude_));
  return writer.result();
}

const char* CSkyObject::getName(char* buffer, std::size_t size) const {
  return copyNameText("", buffer, size);
}

std::string CSkyObject::getNameString() const { return getName(nullptr, 0); }

void CSkyObject::setOwnedByRegion(bool owned) {
  typeByte_ = static_cast<std::uint8_t>((typeByte_ & 0x7F) | (owned ? 0x80 : 0));
}

void CSkyObject::setTypeCode(int typeCode) {
  typeByte_ = static_cast<std::uint8_t>((typeByte_ & 0x80) | (typeCode & 0x7F));
}

const char* copyNameText(const char* text, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return text;
  const std::size_t length = std::min(std::strlen(text), size - 1);
  std::memmove(buffer, text, length);
  buffer[length] = 0;
  return buffer;
}
