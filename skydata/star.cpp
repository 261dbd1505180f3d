#include "skydata/star.h"

#include <algorithm>
#include <cmath>

#include "engine/magnitudes.h"
#include "engine/vectors.h"
#include "skydata/record_io.h"
#include "skydata/spectral_types.h"

namespace {

// The Sun's absolute magnitudes in V and B, for luminosities from a V or a
// B magnitude.
constexpr double kSunAbsoluteVisual = 4.82;
constexpr double kSunAbsoluteBlue = 5.44;
// The Sun's effective temperature as the diameter formula takes it.
constexpr double kSunTemperature = 5800.0;

bool isFiniteNumber(double x) { return std::isfinite(x); }

double* vectorOrShared(double out[3], const float stored[3], double shared[3]) {
  double* target = out != nullptr ? out : shared;
  for (int i = 0; i < 3; ++i) target[i] = stored[i];
  return target;
}

}  // namespace

CStar::CStar(int typeCode)
    : CSkyObject(typeCode),
      catalogVector_{INFINITY, INFINITY, INFINITY},
      motionVector_{INFINITY, INFINITY, INFINITY},
      brightness_(INFINITY),
      distance_(INFINITY),
      radialVelocity_(INFINITY) {}

std::int64_t CStar::readRecord(const void* record, std::int64_t length, bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  readStarFields(reader);
  return reader.damaged() ? -1 : reader.position();
}

std::int64_t CStar::writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writeStarFields(writer);
  return writer.result();
}

std::int64_t CStar::readStarFields(RecordReader& reader) {
  const int typeCode = reader.readRecordU8();

  const int numberCount = reader.readRecordU8();
  if (!reader.canRead(numberCount, 8)) return reader.position();
  std::int64_t numbers[kMaxStarNumbers];
  for (int i = 0; i < numberCount; ++i) {
    const std::int64_t number = reader.readRecordI64();
    if (i < kMaxStarNumbers) numbers[i] = number;
  }

  // Each name takes at least its zero byte.
  const int nameCount = reader.readRecordU8();
  if (!reader.canRead(nameCount, 1)) return reader.position();
  const char* names[kMaxStarNames];
  for (int i = 0; i < nameCount; ++i) {
    const char* name = reader.readRecordString();
    if (i < kMaxStarNames) names[i] = name;
  }

  const double ra = reader.readRecordFloat();
  const double dec = reader.readRecordFloat();
  const float distance = reader.readRecordFloat();
  const double raRate = reader.readRecordFloat();
  const double decRate = reader.readRecordFloat();
  const float radialVelocity = reader.readRecordFloat();
  const std::int16_t visual = reader.readRecordI16();
  const std::int16_t blue = reader.readRecordI16();
  const char* spectralType = reader.readRecordString();
  if (reader.damaged()) return reader.position();

  setTypeCode(typeCode);
  setCatalogNumbers(numbers, std::min(numberCount, kMaxStarNumbers));
  setNames(names, std::min(nameCount, kMaxStarNames));
  distance_ = distance;
  radialVelocity_ = radialVelocity;
  // A zero distance would make the radial rate infinite.
  const double radialRate = isFiniteNumber(radialVelocity) && isFiniteNumber(distance) &&
                                    distance != 0.0f
                                ? radialVelocity / static_cast<double>(distance)
                                : 0.0;
  double p[3], v[3];
  sphericalToRectangularWithRates(&p[0], &p[1], &p[2], &v[0], &v[1], &v[2], ra, dec, 1.0, raRate,
                                  decRate, radialRate);
  for (int i = 0; i < 3; ++i) {
    catalogVector_[i] = static_cast<float>(p[i]);
    motionVector_[i] = static_cast<float>(v[i]);
  }
  visualMagnitude_ = visual;
  blueMagnitude_ = blue;
  brightness_ = static_cast<float>(brightnessRatio(getBestMagnitude(), 0.0));
  setSpectralType(spectralType);
  return reader.position();
}

std::int64_t CStar::writeStarFields(RecordWriter& writer) const {
  writer.writeRecordU8(static_cast<std::uint8_t>(getType()));
  writer.writeRecordU8(static_cast<std::uint8_t>(catalogNumbers_.size()));
  for (std::int64_t number : catalogNumbers_) writer.writeRecordI64(number);
  writer.writeRecordU8(static_cast<std::uint8_t>(names_.size()));
  for (const std::string& name : names_) writer.writeRecordString(name.c_str());

  double ra = 0.0, dec = 0.0, raRate = 0.0, decRate = 0.0;
  rectangularToSphericalWithRates(&ra, &dec, nullptr, &raRate, &decRate, nullptr,
                                  catalogVector_[0], catalogVector_[1], catalogVector_[2],
                                  motionVector_[0], motionVector_[1], motionVector_[2]);
  writer.writeRecordFloat(ra);
  writer.writeRecordFloat(dec);
  writer.writeRecordFloat(distance_);
  writer.writeRecordFloat(raRate);
  writer.writeRecordFloat(decRate);
  writer.writeRecordFloat(radialVelocity_);
  writer.writeRecordI16(visualMagnitude_);
  writer.writeRecordI16(blueMagnitude_);
  writer.writeRecordString(spectralType_.c_str());
  return writer.position();
}

void CStar::setCatalogNumbers(const std::int64_t* numbers, int count) {
  const int kept = numbers == nullptr ? 0 : std::clamp(count, 0, kMaxStarNumbers);
  catalogNumbers_.assign(numbers, numbers + kept);
}

void CStar::setNames(const char* const* names, int count) {
  const int kept = names == nullptr ? 0 : std::clamp(count, 0, kMaxStarNames);
  names_.clear();
  for (int i = 0; i < kept; ++i) names_.emplace_back(names[i] != nullptr ? names[i] : "");
}

void CStar::setSpectralType(const char* text) { spectralType_ = text != nullptr ? text : ""; }

int CStar::getCatalogNumbers(std::int64_t* out, int max) const {
  const int count = static_cast<int>(catalogNumbers_.size());
  if (out == nullptr || max < 1) return count;
  if (count == 0) out[0] = 0;
  std::copy_n(catalogNumbers_.begin(), std::min(count, max), out);
  return count;
}

int CStar::getNames(const char** out, int max) const {
  const int count = static_cast<int>(names_.size());
  if (out == nullptr || max < 1) return count;
  if (count == 0) out[0] = "";
  for (int i = 0; i < std::min(count, max); ++i) out[i] = names_[i].c_str();
  return count;
}

float CStar::getVisualMagnitude() const { return magnitudeFromRecord(visualMagnitude_); }

float CStar::getBlueMagnitude() const { return magnitudeFromRecord(blueMagnitude_); }

float CStar::getBestMagnitude() const {
  return visualMagnitude_ != 32767 ? getVisualMagnitude() : getBlueMagnitude();
}

float CStar::getColorIndex() const {
  if (visualMagnitude_ == 32767 || blueMagnitude_ == 32767) return INFINITY;
  return static_cast<float>(blueMagnitude_ - visualMagnitude_) / 100.0f;
}

float CStar::getBrightness() const { return brightness_; }

// Each getter has its own shared buffer, so that both can be used at once.
double* CStar::getCatalogVector(double out[3]) const {
  static double shared[3];
  return vectorOrShared(out, catalogVector_, shared);
}

float CStar::getStarDistance() const { return distance_; }

double* CStar::getMotionVector(double out[3]) const {
  static double shared[3];
  return vectorOrShared(out, motionVector_, shared);
}

float CStar::getRadialVelocity() const { return radialVelocity_; }

const char* CStar::getSpectralType() const { return spectralType_.c_str(); }

double CStar::getTemperature() const {
  const int type = getType();
  if (type < 1 || type > 9) return INFINITY;
  int classCode = 0, luminosityCode = 0;
  double temperature = INFINITY;
  if (!parseSpectralType(spectralType_.c_str(), &classCode, &luminosityCode) ||
      !spectralClassProperties(classCode, luminosityCode, nullptr, nullptr, &temperature,
                               nullptr, nullptr)) {
    return INFINITY;
  }
  return temperature;
}

double CStar::getAbsoluteMagnitude() const {
  const double magnitude = getBestMagnitude();
  const double distance = distance_;
  // A distance of 0 or below is a damaged value, not a star at the Sun.
  if (!isFiniteNumber(magnitude) || !isFiniteNumber(distance) || distance <= 0.0) {
    return INFINITY;
  }
  return absoluteMagnitude(magnitude, distance);
}

double CStar::getLuminosity() const {
  const double absolute = getAbsoluteMagnitude();
  if (!isFiniteNumber(absolute)) return INFINITY;
  const double sun = visualMagnitude_ != 32767 ? kSunAbsoluteVisual : kSunAbsoluteBlue;
  return brightnessRatio(absolute, sun);
}

double CStar::getDiameter() const {
  const double temperature = getTemperature();
  const double luminosity = getLuminosity();
  if (!isFiniteNumber(temperature) || !isFiniteNumber(luminosity)) return INFINITY;
  return std::sqrt(luminosity / std::pow(temperature / kSunTemperature, 4));
}
