#include "skydata/deep_sky_object.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "skydata/record_io.h"

namespace {

constexpr double kArcsecondsPerRadian = 206264.80624714843;
constexpr std::int64_t kPointSize = 12;  // three floats

}  // namespace

// Contours.

std::int64_t CDeepSkyContour::readRecord(const void* record, std::int64_t length,
                                         bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  const std::uint32_t count = reader.readRecordU32();
  if (!reader.canRead(count, kPointSize)) return -1;
  try {
    points_.resize(std::size_t{count} * 3);
    for (float& c : points_) c = reader.readRecordFloat();
  } catch (const std::bad_alloc&) {
    // Keep the following contours and objects in step without the points.
    points_.clear();
    reader.skip(count * kPointSize);
  }
  extent_ = reader.readRecordFloat();
  for (double& c : center_) c = reader.readRecordFloat();
  return reader.damaged() ? -1 : reader.position();
}

std::int64_t CDeepSkyContour::writeRecord(void* buffer, std::int64_t size,
                                          bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writer.writeRecordU32(static_cast<std::uint32_t>(getPointCount()));
  for (float c : points_) writer.writeRecordFloat(c);
  writer.writeRecordFloat(extent_);
  for (double c : center_) writer.writeRecordFloat(c);
  return writer.result();
}

int CDeepSkyContour::getPointCount() const { return static_cast<int>(points_.size() / 3); }

void CDeepSkyContour::getPointFloat(int i, float out[3]) const {
  if (i < 0 || i >= getPointCount()) return;
  std::copy_n(&points_[3 * std::size_t(i)], 3, out);
}

void CDeepSkyContour::getPoint(int i, double out[3]) const {
  if (i < 0 || i >= getPointCount()) return;
  std::copy_n(&points_[3 * std::size_t(i)], 3, out);
}

void CDeepSkyContour::setPoint(int i, const float point[3]) {
  if (i < 0 || i >= getPointCount()) return;
  std::copy_n(point, 3, &points_[3 * std::size_t(i)]);
}

bool CDeepSkyContour::insertPoint(int i, const float point[3]) {
  const int at = std::clamp(i, 0, getPointCount());
  try {
    points_.insert(points_.begin() + 3 * std::ptrdiff_t{at}, point, point + 3);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void CDeepSkyContour::getCenter(double out[3]) const { std::copy_n(center_, 3, out); }

float CDeepSkyContour::getRadius() const { return extent_; }

// Deep-sky objects.

CDeepSkyObject::CDeepSkyObject(int typeCode) : CStar(typeCode) {}

std::int64_t CDeepSkyObject::readRecord(const void* record, std::int64_t length,
                                        bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  readStarFields(reader);
  const std::uint16_t major = reader.readRecordU16();
  const std::uint16_t minor = reader.readRecordU16();
  const std::uint16_t orientation = reader.readRecordU16();
  const int count = reader.readRecordU8();
  // A count byte above 127 was never written by a writer of these records.
  if (count > kMaxContours) reader.markDamaged();
  if (reader.damaged()) return -1;
  majorSize_ = major;
  minorSize_ = minor;
  orientation_ = orientation;
  deleteContours();
  for (int i = 0; i < count; ++i) {
    CDeepSkyContour* contour = addContour();
    if (contour == nullptr) return -1;
    reader.skip(contour->readRecord(reader.current(), reader.remaining(), otherByteOrder));
    if (reader.damaged()) return -1;
  }
  return reader.position();
}

std::int64_t CDeepSkyObject::writeRecord(void* buffer, std::int64_t size,
                                         bool otherByteOrder) const {
  if (getContourCount() > kMaxContours) return -1;
  RecordWriter writer(buffer, size, otherByteOrder);
  writeStarFields(writer);
  writer.writeRecordU16(majorSize_);
  writer.writeRecordU16(minorSize_);
  writer.writeRecordU16(orientation_);
  writer.writeRecordU8(static_cast<std::uint8_t>(getContourCount()));
  for (const auto& contour : contours_) {
    writer.advance(contour->writeRecord(writer.current(), writer.remaining(), otherByteOrder));
  }
  return writer.result();
}

double CDeepSkyObject::getDiameter() const { return getPhysicalSize(); }

std::uint16_t CDeepSkyObject::getMajorSize() const { return majorSize_; }

std::uint16_t CDeepSkyObject::getMinorSize() const { return minorSize_; }

std::uint16_t CDeepSkyObject::getOrientation() const { return orientation_; }

const char* CDeepSkyObject::getMorphology() const { return getSpectralType(); }

int CDeepSkyObject::getContourCount() const { return static_cast<int>(contours_.size()); }

CDeepSkyContour* CDeepSkyObject::getContour(int i) const {
  return i >= 0 && i < getContourCount() ? contours_[std::size_t(i)].get() : nullptr;
}

CDeepSkyContour* CDeepSkyObject::addContour() {
  try {
    contours_.push_back(std::make_unique<CDeepSkyContour>());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return contours_.back().get();
}

void CDeepSkyObject::deleteContours() { contours_.clear(); }

double CDeepSkyObject::getPhysicalSize() const {
  const double distance = getStarDistance();
  if (majorSize_ == 0 || !std::isfinite(distance) || distance <= 0.0) return INFINITY;
  return distance * majorSize_ / kArcsecondsPerRadian;
}
