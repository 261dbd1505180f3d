#include "skydata/constellation.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/angles.h"
#include "skydata/constellation_tables.h"
#include "skydata/object_types.h"
#include "skydata/record_io.h"

CConstellation::CConstellation(int typeCode) : CSkyObject(typeCode) {}

CConstellation::~CConstellation() = default;

std::int64_t CConstellation::readRecord(const void* record, std::int64_t length,
                                        bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  const int type = reader.readRecordU8();
  const std::uint32_t number = reader.readRecordU32();
  const char* texts[4];
  for (const char*& t : texts) t = reader.readRecordString();
  double centre[3];
  for (double& c : centre) c = reader.readRecordFloat();
  const float angularSize = reader.readRecordFloat();
  const std::uint32_t count = reader.readRecordU32();
  // The count comes from the file: it must fit the record before anything
  // is allocated for it.
  if (!reader.canRead(count, 12)) return -1;
  std::vector<std::array<float, 3>> points;
  bool allocated = true;
  try {
    points.resize(count);
  } catch (const std::bad_alloc&) {
    allocated = false;
  }
  if (allocated) {
    for (std::array<float, 3>& p : points)
      for (float& c : p) c = reader.readRecordFloat();
  } else {
    // Without memory for the outline the object keeps none; the record is
    // still consumed whole.
    reader.skip(static_cast<std::int64_t>(count) * 12);
  }
  if (reader.damaged()) return -1;
  setTypeCode(type);
  number_ = number;
  name_ = texts[0];
  abbreviation_ = texts[1];
  genitive_ = texts[2];
  commonName_ = texts[3];
  setPosition(centre);
  angularSize_ = angularSize;
  points_ = std::move(points);
  return reader.position();
}

std::int64_t CConstellation::writeRecord(void* buffer, std::int64_t size,
                                         bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writer.writeRecordU8(static_cast<std::uint8_t>(getType()));
  writer.writeRecordU32(number_);
  for (const std::string* t : {&name_, &abbreviation_, &genitive_, &commonName_})
    writer.writeRecordString(t->c_str());
  double centre[3];
  getPosition(centre);
  for (double c : centre) writer.writeRecordFloat(c);
  writer.writeRecordFloat(angularSize_);
  writer.writeRecordU32(static_cast<std::uint32_t>(points_.size()));
  for (const std::array<float, 3>& p : points_)
    for (float c : p) writer.writeRecordFloat(c);
  return writer.result();
}

const char* CConstellation::getName(char* buffer, std::size_t size) const {
  return copyNameText(name_.c_str(), buffer, size);
}

std::string CConstellation::getNameString() const { return name_; }

const char* CConstellation::getAbbreviation() const { return abbreviation_.c_str(); }

const char* CConstellation::getGenitive() const { return genitive_.c_str(); }

const char* CConstellation::getCommonName() const {
  // By type code, not the raw type byte: a constellation held in a loaded
  // region (ownership bit set) is translated like any other.
  if (getType() == kTypeConstellation) {
    const char* translated = constellationCommonName(static_cast<int>(number_));
    if (translated != nullptr) return translated;
  }
  return commonName_.c_str();
}

std::uint64_t CConstellation::getNumber() const { return number_; }

void CConstellation::setNumber(std::uint64_t number) {
  number_ = static_cast<std::uint32_t>(number);
}

bool CConstellation::isZodiac() const {
  return getType() == kTypeConstellation && isZodiacConstellation(static_cast<int>(number_));
}

float CConstellation::getAngularSize() const { return angularSize_; }

void CConstellation::setAngularSize(float size) { angularSize_ = size; }

int CConstellation::getPointCount() const { return static_cast<int>(points_.size()); }

bool CConstellation::getPointFloat(int i, float out[3]) const {
  if (i < 0 || i >= getPointCount()) return false;
  for (int k = 0; k < 3; ++k) out[k] = points_[i][k];
  return true;
}

bool CConstellation::getPoint(int i, double out[3]) const {
  if (i < 0 || i >= getPointCount()) return false;
  for (int k = 0; k < 3; ++k) out[k] = points_[i][k];
  return true;
}

bool CConstellation::setPoint(int i, const float point[3]) {
  if (i < 0 || i >= getPointCount()) return false;
  points_[i] = {point[0], point[1], point[2]};
  return true;
}

bool CConstellation::insertPoint(int i, const float point[3]) {
  if (i < 0 || i > getPointCount()) return false;
  try {
    points_.insert(points_.begin() + i, std::array<float, 3>{point[0], point[1], point[2]});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool CConstellation::deletePoint(int i) {
  if (i < 0 || i >= getPointCount()) return false;
  points_.erase(points_.begin() + i);
  return true;
}

double CConstellation::getAngularExtent() const {
  double largest = 0.0;
  for (std::size_t a = 0; a < points_.size(); ++a) {
    const double u[3] = {points_[a][0], points_[a][1], points_[a][2]};
    for (std::size_t b = a + 1; b < points_.size(); ++b) {
      const double v[3] = {points_[b][0], points_[b][1], points_[b][2]};
      largest = std::max(largest, vectorSeparation(u, v));
    }
  }
  return largest;
}

CMeteorShower::CMeteorShower()
    : CSkyObject(42),
      peakSolarLongitude_(INFINITY),
      velocity_(INFINITY),
      peakRate_(INFINITY),
      orbit_{INFINITY, INFINITY, INFINITY, INFINITY, INFINITY} {}

CMeteorShower::~CMeteorShower() = default;

std::int64_t CMeteorShower::readRecord(const void* record, std::int64_t length,
                                       bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  const int type = reader.readRecordU8();
  const char* texts[3];
  for (const char*& t : texts) t = reader.readRecordString();
  const std::int16_t iau = reader.readRecordI16();
  const std::uint8_t activity = reader.readRecordU8();
  const std::uint8_t peakHour = reader.readRecordU8();
  const float peakLongitude = reader.readRecordFloat();
  const float magnitude = reader.readRecordFloat();
  const float velocity = reader.readRecordFloat();
  const float rate = reader.readRecordFloat();
  double radiant[3];
  for (double& c : radiant) c = reader.readRecordFloat();
  double orbit[5];
  for (double& v : orbit) v = reader.readRecordDouble();
  if (reader.damaged()) return -1;
  setTypeCode(type);
  name_ = texts[0];
  abbreviation_ = texts[1];
  parentBody_ = texts[2];
  iauNumber_ = iau;
  activityClass_ = activity;
  peakHour_ = peakHour;
  peakSolarLongitude_ = peakLongitude;
  setMagnitude(magnitude);
  velocity_ = velocity;
  peakRate_ = rate;
  setPosition(radiant);
  for (int k = 0; k < 5; ++k) orbit_[k] = orbit[k];
  return reader.position();
}

std::int64_t CMeteorShower::writeRecord(void* buffer, std::int64_t size,
                                        bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writer.writeRecordU8(static_cast<std::uint8_t>(getType()));
  for (const std::string* t : {&name_, &abbreviation_, &parentBody_})
    writer.writeRecordString(t->c_str());
  writer.writeRecordI16(iauNumber_);
  writer.writeRecordU8(activityClass_);
  writer.writeRecordU8(peakHour_);
  writer.writeRecordFloat(peakSolarLongitude_);
  writer.writeRecordFloat(getMagnitude());
  writer.writeRecordFloat(velocity_);
  writer.writeRecordFloat(peakRate_);
  double radiant[3];
  getPosition(radiant);
  for (double c : radiant) writer.writeRecordFloat(c);
  for (double v : orbit_) writer.writeRecordDouble(v);
  return writer.result();
}

const char* CMeteorShower::getName(char* buffer, std::size_t size) const {
  return copyNameText(name_.c_str(), buffer, size);
}

std::string CMeteorShower::getNameString() const { return name_; }
const char* CMeteorShower::getAbbreviation() const { return abbreviation_.c_str(); }
const char* CMeteorShower::getParentBody() const { return parentBody_.c_str(); }
int CMeteorShower::getIAUNumber() const { return iauNumber_; }
int CMeteorShower::getActivityClass() const { return static_cast<std::int8_t>(activityClass_); }
int CMeteorShower::getPeakHour() const { return static_cast<std::int8_t>(peakHour_); }
double CMeteorShower::getPeakSolarLongitude() const { return peakSolarLongitude_; }
double CMeteorShower::getVelocity() const { return velocity_; }
double CMeteorShower::getPeakRate() const { return peakRate_; }
double CMeteorShower::getPerihelionDistance() const { return orbit_[0]; }
double CMeteorShower::getEccentricity() const { return orbit_[1]; }
double CMeteorShower::getInclination() const { return orbit_[2]; }
double CMeteorShower::getArgumentOfPerihelion() const { return orbit_[3]; }
double CMeteorShower::getAscendingNode() const { return orbit_[4]; }
