#include "skydata/planet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/body_geometry.h"
#include "engine/body_table.h"
#include "engine/language.h"
#include "engine/vectors.h"
#include "skydata/body_flattenings.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/record_io.h"

namespace {

// A record's name count is one signed byte.
constexpr int kMaxRecordNames = 127;

}  // namespace

CPlanet::CPlanet(int typeCode)
    : CSkyObject(typeCode),
      validFrom_(-INFINITY),
      validTo_(INFINITY),
      elements_{INFINITY, INFINITY, INFINITY, INFINITY, INFINITY, INFINITY, INFINITY, 0.0},
      auxValue_(INFINITY),
      heliocentricPosition_{INFINITY, INFINITY, INFINITY},
      heliocentricVelocity_{INFINITY, INFINITY, INFINITY} {}

CPlanet::~CPlanet() = default;

bool CPlanet::parsePlanetRecord(RecordReader& reader, PlanetRecord& out) {
  out.type = reader.readRecordU8();
  out.body = reader.readRecordU32();
  const int count = static_cast<std::int8_t>(reader.readRecordU8());
  // Every name takes at least its zero byte: a count the record cannot
  // hold is damage, found before anything is allocated for it.
  if (count < 0 || !reader.canRead(count, 1)) {
    reader.markDamaged();
    return false;
  }
  out.names.clear();
  for (int k = 0; k < count; ++k) out.names.emplace_back(reader.readRecordString());
  out.parent = reader.readRecordU32();
  out.validFrom = reader.readRecordDouble();
  out.validTo = reader.readRecordDouble();
  Elements& e = out.elements;
  for (double* v : {&e.epoch, &e.q, &e.e, &e.i, &e.omega, &e.node, &e.m0, &e.n})
    *v = reader.readRecordDouble();
  for (std::int16_t& p : out.magnitudeParams) p = reader.readRecordI16();
  out.diameter = reader.readRecordFloat();
  out.physicalValue = reader.readRecordFloat();
  return !reader.damaged();
}

void CPlanet::applyPlanetRecord(const PlanetRecord& record) {
  setTypeCode(record.type);
  body_ = record.body;
  names_.clear();
  for (std::size_t k = 0; k < record.names.size(); ++k)
    setNameAt(static_cast<int>(k), record.names[k].c_str());
  parentIndex_ = record.parent;
  validFrom_ = record.validFrom;
  validTo_ = record.validTo;
  elements_ = record.elements;
  for (int k = 0; k < 3; ++k) magnitudeParams_[k] = record.magnitudeParams[k];
  diameter_ = record.diameter;
  physicalValue_ = record.physicalValue;
}

void CPlanet::writePlanetRecord(RecordWriter& writer) const {
  // Names past the count byte's range would corrupt every field after
  // them, so a record keeps the first 127.
  const int count = std::min(getNameCount(), kMaxRecordNames);
  writer.writeRecordU8(static_cast<std::uint8_t>(getType()));
  writer.writeRecordU32(body_);
  writer.writeRecordU8(static_cast<std::uint8_t>(count));
  for (int k = 0; k < count; ++k) writer.writeRecordString(names_[k].c_str());
  writer.writeRecordU32(parentIndex_);
  writer.writeRecordDouble(validFrom_);
  writer.writeRecordDouble(validTo_);
  for (double v : {elements_.epoch, elements_.q, elements_.e, elements_.i, elements_.omega,
                   elements_.node, elements_.m0, elements_.n})
    writer.writeRecordDouble(v);
  for (std::int16_t p : magnitudeParams_) writer.writeRecordI16(p);
  writer.writeRecordFloat(diameter_);
  writer.writeRecordFloat(physicalValue_);
}

std::int64_t CPlanet::readRecord(const void* record, std::int64_t length, bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  PlanetRecord parsed;
  if (!parsePlanetRecord(reader, parsed)) return -1;
  applyPlanetRecord(parsed);
  return reader.position();
}

std::int64_t CPlanet::writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writePlanetRecord(writer);
  return writer.result();
}

const char* CPlanet::formatName(char* buffer, std::size_t size) const {
  const int count = getNameCount();
  switch (getType()) {
    case kTypePlanet:
    case kTypeMoon: {
      const char* name = body_ <= static_cast<std::uint32_t>(kMaxBodyIdentifier)
                             ? bodyTableField(static_cast<int>(body_), getLanguage())
                             : nullptr;
      return copyNameText(name ? name : "", buffer, size);
    }
    case kTypeAsteroid:
      if (body_ >= 1) {
        std::snprintf(buffer, size, "(%u) %s", body_, getNameAt(0));
        return buffer;
      }
      return copyNameText(getNameAt(0), buffer, size);
    case kTypeComet:
      if (count == 2) {
        std::snprintf(buffer, size, body_ != 0 ? "%s/%s" : "%s (%s)", getNameAt(0), getNameAt(1));
        return buffer;
      }
      // A comet without names or with more than two has no display name.
      return copyNameText(count == 1 ? getNameAt(0) : "", buffer, size);
    case kTypeSatellite:
      return copyNameText(getNameAt(count >= 2 ? 1 : 0), buffer, size);
    default:
      return copyNameText(getNameAt(0), buffer, size);
  }
}

const char* CPlanet::getName(char* buffer, std::size_t size) const {
  if (buffer == nullptr || size == 0) {
    static char shared[256];
    return formatName(shared, sizeof shared);
  }
  return formatName(buffer, size);
}

std::string CPlanet::getNameString() const { return getName(nullptr, 0); }

std::uint32_t CPlanet::getBodyNumber() const { return body_; }

std::int64_t CPlanet::getCatalogNumber() const {
  if (body_ == 0) return 0;
  std::int64_t catalogue = 0;
  switch (getType()) {
    case kTypePlanet:
    case kTypeMoon: catalogue = kCatalogPlanet; break;
    case kTypeAsteroid: catalogue = kCatalogAsteroid; break;
    case kTypeComet: catalogue = kCatalogComet; break;
    case kTypeSatellite: catalogue = kCatalogSatellite; break;
    default: return body_;
  }
  return catalogue * 10000000000000000LL + body_;
}

int CPlanet::getNameCount() const { return static_cast<int>(names_.size()); }

const char* CPlanet::getNameAt(int index) const {
  return index >= 0 && index < getNameCount() ? names_[index].c_str() : "";
}

void CPlanet::setNameAt(int index, const char* text) {
  if (index < 0) index = 0;
  if (index >= getNameCount()) {
    names_.emplace_back(text ? text : "");
  } else if (text != nullptr) {
    names_[index] = text;  // assign copes with the slot's own text
  }
}

void CPlanet::addName(const char* text) {
  if (text == nullptr) return;
  for (const std::string& name : names_)
    if (name == text) return;
  names_.emplace_back(text);
}

std::uint32_t CPlanet::getParentIndex() const { return parentIndex_; }

void CPlanet::getValidTimeRange(double* from, double* to) const {
  if (from) *from = validFrom_;
  if (to) *to = validTo_;
}

double CPlanet::getElementEpoch() const { return elements_.epoch; }
double CPlanet::getMeanAnomalyAtEpoch() const { return elements_.m0; }

double CPlanet::getMeanAnomaly(double t) const {
  const double m = elements_.m0 + elements_.n * (t - elements_.epoch);
  return elements_.e < 1.0 ? normalizeRadians(m) : m;
}

double CPlanet::getMeanMotion() const { return elements_.n; }
double CPlanet::getPerihelionDistance() const { return elements_.q; }

double CPlanet::getAphelionDistance() const {
  const double e = elements_.e;
  return e < 1.0 ? (1.0 + e) * elements_.q / (1.0 - e) : INFINITY;
}

double CPlanet::getSemimajorAxis() const {
  const double e = elements_.e;
  if (e < 1.0) return elements_.q / (1.0 - e);
  if (e > 1.0) return elements_.q / (e - 1.0);
  return INFINITY;
}

double CPlanet::getEccentricity() const { return elements_.e; }
double CPlanet::getInclination() const { return elements_.i; }
double CPlanet::getArgumentOfPerihelion() const { return elements_.omega; }
double CPlanet::getAscendingNode() const { return elements_.node; }

double CPlanet::getAbsoluteMagnitude() const { return magnitudeFromRecord(magnitudeParams_[0]); }
double CPlanet::getSlopeParameter() const { return magnitudeFromRecord(magnitudeParams_[1]); }
double CPlanet::getMagnitudeParam3() const { return magnitudeFromRecord(magnitudeParams_[2]); }
void CPlanet::setMagnitudeParam3(double value) { magnitudeParams_[2] = magnitudeToRecord(value); }

double CPlanet::getDiameter() const { return diameter_; }
void CPlanet::setDiameter(double diameter) { diameter_ = static_cast<float>(diameter); }

void CPlanet::getFlattenings(double out[3]) const { bodyFlattenings(getType(), body_, out); }

double CPlanet::getPhysicalValue() const { return physicalValue_; }

double CPlanet::getOrbitalPeriod() const {
  if (elements_.e >= 1.0) return INFINITY;
  if (elements_.n <= 0.0) return 0.0;
  return kTwoPi / elements_.n;
}

double CPlanet::getPerihelionEpoch() const {
  if (elements_.n <= 0.0) return INFINITY;
  return elements_.epoch - elements_.m0 / elements_.n;
}

double CPlanet::getPerihelionTime(double t) const {
  if (elements_.n <= 0.0) return INFINITY;
  double m = getMeanAnomaly(t);
  if (elements_.e < 1.0 && m >= kPi) m -= kTwoPi;
  return t - m / elements_.n;
}

double CPlanet::getAuxValue() const { return auxValue_; }
void CPlanet::setAuxValue(double value) { auxValue_ = value; }

const double* CPlanet::getHeliocentricPosition(double out[3]) const {
  return out ? vectorCopy(out, heliocentricPosition_) : heliocentricPosition_;
}

void CPlanet::setHeliocentricPosition(const double position[3]) {
  vectorCopy(heliocentricPosition_, position);
}

const double* CPlanet::getHeliocentricVelocity(double out[3]) const {
  return out ? vectorCopy(out, heliocentricVelocity_) : heliocentricVelocity_;
}

void CPlanet::setHeliocentricVelocity(const double velocity[3]) {
  vectorCopy(heliocentricVelocity_, velocity);
}

double* CPlanet::getPositionRelativeTo(double out[3], const CPlanet& other) const {
  return vectorSubtract(heliocentricPosition_, other.heliocentricPosition_, out);
}

double* CPlanet::getVelocityRelativeTo(double out[3], const CPlanet& other) const {
  return vectorSubtract(heliocentricVelocity_, other.heliocentricVelocity_, out);
}

void CPlanet::getOrientationMatrix(double out[9]) const {
  for (int k = 0; k < 9; ++k) out[k] = orientation_ ? (*orientation_)[k] : (k % 4 == 0 ? 1.0 : 0.0);
}

void CPlanet::setOrientationMatrix(const double matrix[9]) {
  if (!orientation_) {
    orientation_.reset(new (std::nothrow) std::array<double, 9>);
    if (!orientation_) return;
  }
  for (int k = 0; k < 9; ++k) (*orientation_)[k] = matrix[k];
}

int CPlanet::getPathCount() const { return static_cast<int>(path_.size()); }

double CPlanet::getPathStartTime() const { return path_.empty() ? -INFINITY : path_.front()[0]; }

double CPlanet::getPathEndTime() const { return path_.empty() ? -INFINITY : path_.back()[0]; }

double* CPlanet::allocatePath(int n) {
  path_.clear();
  path_.shrink_to_fit();
  if (n < 1) return nullptr;
  try {
    path_.assign(static_cast<std::size_t>(n), std::array<double, 7>{});
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return path_.front().data();
}

bool CPlanet::setPathRow(int i, const double position[3], const double velocity[3], double time) {
  if (i < 0 || i >= getPathCount()) return false;
  std::array<double, 7>& row = path_[i];
  row[0] = time;
  for (int k = 0; k < 3; ++k) {
    row[1 + k] = position[k];
    row[4 + k] = velocity[k];
  }
  return true;
}

bool CPlanet::getPathRow(int i, double* time, double position[3], double velocity[3]) const {
  if (i < 0 || i >= getPathCount()) return false;
  const std::array<double, 7>& row = path_[i];
  if (time) *time = row[0];
  for (int k = 0; k < 3; ++k) {
    if (position) position[k] = row[1 + k];
    if (velocity) velocity[k] = row[4 + k];
  }
  return true;
}

double CPlanet::distanceToPoint(const double point[3]) const {
  return vectorDistance(heliocentricPosition_, point);
}

double CPlanet::distanceToBody(const CPlanet& other) const {
  return vectorDistance(heliocentricPosition_, other.heliocentricPosition_);
}

double CPlanet::getCentralDistance() const { return vectorLength(heliocentricPosition_); }

double CPlanet::getAngularRadius() const {
  if (!std::isfinite(diameter_)) return 0.0;
  return angularRadius(diameter_ / 2.0, getDistance() * kAstronomicalUnitKm);
}

double CPlanet::getAngularDiameter() const {
  if (!std::isfinite(diameter_)) return 0.0;
  return angularDiameter(diameter_, getDistance() * kAstronomicalUnitKm);
}

double CPlanet::getPhaseAngle() const {
  double position[3];
  getPosition(position);
  return vectorAngle(heliocentricPosition_, position);
}

double CPlanet::getIlluminatedFraction() const { return (1.0 + std::cos(getPhaseAngle())) / 2.0; }

bool CPlanet::isMajorBody() const {
  switch (getType()) {
    case kTypePlanet:
      return true;
    case kTypeMoon: {
      const std::uint32_t b = body_;
      return b == 301 || (b >= 401 && b <= 402) || (b >= 501 && b <= 504) ||
             (b >= 601 && b <= 609) || (b >= 701 && b <= 705) || (b >= 801 && b <= 802) ||
             b == 901;
    }
    case kTypeAsteroid:
      return (body_ >= 1 && body_ <= 1999) || magnitudeParams_[0] < 1000 ||
             (std::isfinite(diameter_) && diameter_ > 10.0f);
    case kTypeComet:
      return body_ > 0 || (magnitudeParams_[0] < 750 && elements_.epoch > 2415020.31352);
    default:
      return false;
  }
}

bool CPlanet::hasAtmosphere() const {
  return (getType() == kTypePlanet && body_ >= 2 && body_ <= 8) || (getType() == kTypeMoon && body_ == 606);
}

void CPlanet::setElements(std::uint32_t body, std::uint32_t parent, const Elements& elements) {
  body_ = body;
  parentIndex_ = parent;
  elements_ = elements;
}

bool isSun(const CSkyObject* object) {
  const CPlanet* p = asPlanet(object);
  return p && p->getType() == kTypePlanet && p->getBodyNumber() == 0;
}

bool isEarth(const CSkyObject* object) {
  const CPlanet* p = asPlanet(object);
  return p && p->getType() == kTypePlanet && p->getBodyNumber() == 3;
}

bool isMoon(const CSkyObject* object) {
  const CPlanet* p = asPlanet(object);
  return p && p->getType() == kTypeMoon && p->getBodyNumber() == 301;
}

bool isDwarfPlanet(const CSkyObject* object) {
  const CPlanet* p = asPlanet(object);
  if (!p) return false;
  const std::uint32_t b = p->getBodyNumber();
  if (p->getType() == kTypePlanet) return b == 9;
  return p->getType() == kTypeAsteroid && (b == 134340 || b == 1 || b == 136199 || b == 136108 || b == 136472);
}
