// CSkyObject: the base of everything the chart shows and the user can
// select, with the one-byte type code every object carries.
//
// Type byte: bits 0-6 the type code (object_types.h), bit 7 set while the
// object lives in a loaded catalogue region. Such an object belongs to the
// region and is never deleted by whoever obtained it; any object handed out
// with bit 7 clear belongs to the receiver, which deletes it.
//
// Records: readRecord and writeRecord read and write the object's part of
// a catalogue file (record_io.h for the byte order). readRecord returns the
// bytes consumed, or -1 when the record is truncated or damaged; it never
// reads past `length`. writeRecord returns the bytes written, or -1 when
// the buffer is too small; it never writes past `size`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class RecordReader;
class RecordWriter;

class CSkyObject {
 public:
  explicit CSkyObject(int typeCode);
  CSkyObject(const CSkyObject&) = delete;
  CSkyObject& operator=(const CSkyObject&) = delete;
  virtual ~CSkyObject() = default;

  // Position: a unit vector in the catalogue frame for fixed objects; the
  // engine overwrites it with computed positions. The getters return the
  // out pointer (null stays null).
  virtual double* getPosition(double out[3]) const;
  virtual float* getPositionFloat(float out[3]) const;
  virtual void setPosition(const double position[3]);
  virtual void setPositionFloat(const float position[3]);
  // AU for solar-system bodies, parsecs for stars and deep-sky objects.
  virtual double getDistance() const;
  virtual void setDistance(double distance);
  virtual float getMagnitude() const;
  virtual void setMagnitude(float magnitude);
  // Radians between the stored position and a vector or another object.
  virtual double angularSeparationToVector(const double vector[3]) const;
  virtual double angularSeparationToObject(const CSkyObject& other) const;
  virtual std::uint64_t getNumber() const;
  virtual void setNumber(std::uint64_t number);

  // Base record (18 bytes): number u64, right ascension and declination
  // float radians, magnitude x 100 i16. Reading makes the object a star
  // (type 1) with a unit position vector and an infinite distance.
  virtual std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder);
  virtual std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const;

  // The display name written into `buffer` (at most size - 1 characters
  // and the terminator) and returned. With no buffer, or one of size 0,
  // the name lives in a shared buffer (or is a constant text) that the
  // next call may overwrite. Never returns null.
  virtual const char* getName(char* buffer, std::size_t size) const;
  virtual std::string getNameString() const;

  int getType() const { return typeByte_ & 0x7F; }
  bool isOwnedByRegion() const { return (typeByte_ & 0x80) != 0; }
  void setOwnedByRegion(bool owned);
  // The raw byte with the ownership bit.
  std::uint8_t getTypeByte() const { return typeByte_; }

 protected:
  // Sets bits 0-6 from a record's type byte; the ownership bit stays as
  // it is (a record cannot make an object belong to a region).
  void setTypeCode(int typeCode);

 private:
  std::uint8_t typeByte_;
  double position_[3];
  double distance_;
  float magnitude_;
  std::uint64_t number_ = 0;
};

// Copies `text` into `buffer` as getName does: cut to size - 1 characters,
// always terminated; returns the buffer. With no buffer or size 0 returns
// `text` itself.
const char* copyNameText(const char* text, char* buffer, std::size_t size);
