// Bounded, byte-order-aware field readers and writers for the object
// records of catalogue files.
//
// Records are little-endian; with the other-byte-order flag every
// multi-byte field is big-endian instead and is reversed as a whole on
// reading and writing. Single bytes and texts are never reversed.
//
// Every read and write is bounded by the record's length or the buffer's
// size. A field that does not fit marks the reader (or writer) damaged,
// yields 0 (or the empty text) and moves the cursor to the end, so that
// all following fields fail too; a record class checks `damaged()` once at
// the end instead of after every field.
#pragma once

#include <cstdint>

class RecordReader {
 public:
  RecordReader(const void* record, std::int64_t length, bool otherByteOrder);

  std::int64_t position() const { return position_; }
  std::int64_t length() const { return length_; }
  std::int64_t remaining() const { return length_ - position_; }
  bool otherByteOrder() const { return otherByteOrder_; }
  bool damaged() const { return damaged_; }
  // The bytes from the cursor on (remaining() of them).
  const unsigned char* current() const { return record_ + position_; }

  // True when `count` items of `itemSize` bytes fit in what remains; when
  // they do not, marks the record damaged. Check counts read from a record
  // with it before allocating anything for them.
  bool canRead(std::int64_t count, std::int64_t itemSize);
  // Moves the cursor on by `bytes`; false (and damaged) past the end.
  bool skip(std::int64_t bytes);
  // Marks the record damaged and moves the cursor to its end.
  void markDamaged();

  std::uint8_t readRecordU8();
  std::int16_t readRecordI16();
  std::uint16_t readRecordU16();
  std::uint32_t readRecordU32();
  float readRecordFloat();
  std::int64_t readRecordI64();
  double readRecordDouble();
  // The zero-terminated text at the cursor, pointing into the record; the
  // cursor moves one past its zero. When the zero does not lie within the
  // record (or the cursor is already at its end), gives the empty text,
  // leaves the cursor at the end and marks the record damaged; a record
  // with optional trailing texts tests remaining() first.
  const char* readRecordString();

 private:
  // The next `size` bytes as an unsigned value in the record's byte order.
  std::uint64_t readUnsigned(int size);

  const unsigned char* record_;
  std::int64_t length_;
  std::int64_t position_ = 0;
  bool otherByteOrder_;
  bool damaged_ = false;
};

class RecordWriter {
 public:
  RecordWriter(void* buffer, std::int64_t size, bool otherByteOrder);

  std::int64_t position() const { return position_; }
  bool otherByteOrder() const { return otherByteOrder_; }
  // True once a field did not fit; nothing is written after that.
  bool overflowed() const { return overflowed_; }
  // The bytes written, or -1 when the buffer was too small.
  std::int64_t result() const { return overflowed_ ? -1 : position_; }

  void writeRecordU8(std::uint8_t value);
  void writeRecordI16(std::int16_t value);
  void writeRecordU16(std::uint16_t value);
  void writeRecordU32(std::uint32_t value);
  // Stores a double as a 4-byte float; finite values beyond the float
  // range become infinities of their sign.
  void writeRecordFloat(double value);
  void writeRecordI64(std::int64_t value);
  void writeRecordDouble(double value);
  // Copies the text and its zero (a single zero for null); returns the
  // text's length.
  std::int64_t writeRecordString(const char* text);

  // Room for a nested record written by its own writer: the bytes from
  // the cursor on, how many remain, and moving past what it wrote.
  unsigned char* current() const { return buffer_ + position_; }
  std::int64_t remaining() const { return overflowed_ ? 0 : size_ - position_; }
  // False (and overflowed) when `bytes` is negative or does not fit; a
  // negative count is a nested writer's report of a buffer too small.
  bool advance(std::int64_t bytes);

 private:
  bool reserve(std::int64_t bytes);
  void writeUnsigned(std::uint64_t value, int size);

  unsigned char* buffer_;
  std::int64_t size_;
  std::int64_t position_ = 0;
  bool otherByteOrder_;
  bool overflowed_ = false;
};

// The value of a record's magnitude-like field (value x 100, 32767 for
// none): +infinity for 32767.
float magnitudeFromRecord(std::int16_t stored);

// The field for a magnitude: value x 100 truncated toward zero, 32767 for
// a missing (infinite or NaN) value and for one the field cannot hold.
// A value read from a field is written back unchanged even though its
// float form lies a hair below the hundredth it came from.
std::int16_t magnitudeToRecord(double magnitude);
