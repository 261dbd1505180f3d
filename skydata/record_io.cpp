#include "skydata/record_io.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>

RecordReader::RecordReader(const void* record, std::int64_t length, bool otherByteOrder)
    : record_(static_cast<const unsigned char*>(record)),
      length_(record == nullptr || length < 0 ? 0 : length),
      otherByteOrder_(otherByteOrder) {}

bool RecordReader::canRead(std::int64_t count, std::int64_t itemSize) {
  // Division instead of count * itemSize, which a hostile count overflows.
  if (count < 0 || itemSize < 0 || damaged_ ||
      (itemSize > 0 && count > remaining() / itemSize)) {
    markDamaged();
    return false;
  }
  return true;
}

bool RecordReader::skip(std::int64_t bytes) {
  if (!canRead(bytes, 1)) return false;
  position_ += bytes;
  return true;
}

void RecordReader::markDamaged() {
  damaged_ = true;
  position_ = length_;
}

std::uint64_t RecordReader::readUnsigned(int size) {
  if (!canRead(size, 1)) return 0;
  const unsigned char* bytes = record_ + position_;
  position_ += size;
  std::uint64_t value = 0;
  for (int i = 0; i < size; ++i) {
    const int shift = otherByteOrder_ ? 8 * (size - 1 - i) : 8 * i;
    value |= std::uint64_t{bytes[i]} << shift;
  }
  return value;
}

std::uint8_t RecordReader::readRecordU8() { return static_cast<std::uint8_t>(readUnsigned(1)); }

std::int16_t RecordReader::readRecordI16() {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(readUnsigned(2)));
}

std::uint16_t RecordReader::readRecordU16() { return static_cast<std::uint16_t>(readUnsigned(2)); }

std::uint32_t RecordReader::readRecordU32() { return static_cast<std::uint32_t>(readUnsigned(4)); }

float RecordReader::readRecordFloat() {
  return std::bit_cast<float>(static_cast<std::uint32_t>(readUnsigned(4)));
}

std::int64_t RecordReader::readRecordI64() { return static_cast<std::int64_t>(readUnsigned(8)); }

double RecordReader::readRecordDouble() { return std::bit_cast<double>(readUnsigned(8)); }

const char* RecordReader::readRecordString() {
  const void* zero = damaged_ ? nullptr : std::memchr(current(), 0, static_cast<std::size_t>(remaining()));
  if (zero == nullptr) {
    markDamaged();
    return "";
  }
  const char* text = reinterpret_cast<const char*>(current());
  position_ = static_cast<const unsigned char*>(zero) - record_ + 1;
  return text;
}

RecordWriter::RecordWriter(void* buffer, std::int64_t size, bool otherByteOrder)
    : buffer_(static_cast<unsigned char*>(buffer)),
      size_(buffer == nullptr || size < 0 ? 0 : size),
      otherByteOrder_(otherByteOrder) {}

bool RecordWriter::reserve(std::int64_t bytes) {
  if (overflowed_ || bytes > size_ - position_) {
    overflowed_ = true;
    return false;
  }
  return true;
}

void RecordWriter::writeUnsigned(std::uint64_t value, int size) {
  if (!reserve(size)) return;
  unsigned char* bytes = buffer_ + position_;
  position_ += size;
  for (int i = 0; i < size; ++i) {
    const int shift = otherByteOrder_ ? 8 * (size - 1 - i) : 8 * i;
    bytes[i] = static_cast<unsigned char>(value >> shift);
  }
}

void RecordWriter::writeRecordU8(std::uint8_t value) { writeUnsigned(value, 1); }

void RecordWriter::writeRecordI16(std::int16_t value) {
  writeUnsigned(static_cast<std::uint16_t>(value), 2);
}

void RecordWriter::writeRecordU16(std::uint16_t value) { writeUnsigned(value, 2); }

void RecordWriter::writeRecordU32(std::uint32_t value) { writeUnsigned(value, 4); }

void RecordWriter::writeRecordFloat(double value) {
  // A finite double beyond the float range has no float to convert to.
  float narrowed = static_cast<float>(std::isfinite(value) && std::fabs(value) > FLT_MAX
                                          ? std::copysign(INFINITY, value)
                                          : value);
  writeUnsigned(std::bit_cast<std::uint32_t>(narrowed), 4);
}

void RecordWriter::writeRecordI64(std::int64_t value) {
  writeUnsigned(static_cast<std::uint64_t>(value), 8);
}

void RecordWriter::writeRecordDouble(double value) {
  writeUnsigned(std::bit_cast<std::uint64_t>(value), 8);
}

std::int64_t RecordWriter::writeRecordString(const char* text) {
  const std::int64_t length = text == nullptr ? 0 : static_cast<std::int64_t>(std::strlen(text));
  if (reserve(length + 1)) {
    if (length > 0) std::memcpy(buffer_ + position_, text, static_cast<std::size_t>(length));
    buffer_[position_ + length] = 0;
    position_ += length + 1;
  }
  return length;
}

bool RecordWriter::advance(std::int64_t bytes) {
  if (bytes < 0) overflowed_ = true;
  if (!reserve(bytes)) return false;
  position_ += bytes;
  return true;
}

float magnitudeFromRecord(std::int16_t stored) {
  return stored == 32767 ? INFINITY : static_cast<float>(stored) / 100.0f;
}

std::int16_t magnitudeToRecord(double magnitude) {
  // A stored hundredth read back as a float may come out a few float steps
  // below it (0.29f x 100 = 28.999998); nudging by a few thousandths of a
  // hundredth away from zero keeps the truncation from losing it.
  constexpr double kFloatSlack = 4e-3;
  const double hundredths = magnitude * 100.0;
  if (!std::isfinite(hundredths)) return 32767;
  const double truncated = std::trunc(hundredths + std::copysign(kFloatSlack, hundredths));
  if (truncated < -32768.0 || truncated >= 32767.0) return 32767;
  return static_cast<std::int16_t>(truncated);
}
