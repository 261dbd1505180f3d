#include "skydata/satellite.h"

#include <cstdio>
#include <cstring>

#include "engine/astronomical_constants.h"
#include "engine/kepler_orbits.h"
#include "skydata/record_io.h"

namespace {

// GM of the Earth in Earth radii^3 per minute^2 (ke^2 of the element-set
// theory) and the Earth radius of that theory in AU.
constexpr double kEarthGM = 0.005530438210224439;
constexpr double kAUPerEarthRadius = 6378.135 / kAstronomicalUnitKm;
constexpr double kMinutesPerDay = 1440.0;

// Copies at most `max` characters of a text that need not be terminated.
void copyCode(char* field, std::size_t max, const char* text) {
  std::size_t n = text ? strnlen(text, max) : 0;
  std::memcpy(field, text ? text : "", n);
  std::memset(field + n, 0, max + 1 - n);
}

}  // namespace

bool longDesignator(const char* shortDesignator, char* out, std::size_t size) {
  int year = 0, launch = 0;
  char piece[4] = {};
  // Debris pieces carry up to three letters ("98067ABC"); all of them
  // belong to the designator.
  if (std::sscanf(shortDesignator, "%2d%3d%3[A-Z]", &year, &launch, piece) != 3 || launch == 0 ||
      year < 0) {
    if (size > 0) out[0] = 0;
    return false;
  }
  year += year < 57 ? 2000 : 1900;
  std::snprintf(out, size, "%04d-%03d%s", year, launch, piece);
  return true;
}

bool shortDesignator(const char* longDesignator, char* out, std::size_t size) {
  int year = 0, launch = 0;
  char piece[4] = {};
  if (std::sscanf(longDesignator, "%4d-%3d%3[A-Z]", &year, &launch, piece) != 3 || launch == 0 ||
      year < 1957 || year > 2056)
    return false;
  std::snprintf(out, size, "%02d%03d%s", year < 2000 ? year - 1900 : year - 2000, launch, piece);
  return true;
}

CSatellite::CSatellite() : CPlanet(35) {
  setParentIndex(3);
  resetModelState();
}

CSatellite::~CSatellite() = default;

void CSatellite::resetModelState() { std::memset(&state_, 0, sizeof state_); }

std::int64_t CSatellite::readRecord(const void* record, std::int64_t length, bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  PlanetRecord planet;
  if (!parsePlanetRecord(reader, planet)) return -1;
  const float bstar = reader.readRecordFloat();
  const float term1 = reader.readRecordFloat();
  const float term2 = reader.readRecordFloat();
  const std::uint8_t deep = reader.readRecordU8();
  std::uint8_t categories[4] = {0, 0, 0, 0};
  std::string owner, site;
  float launchDate = 0.0f;
  if (reader.remaining() > 0)
    for (std::uint8_t& c : categories) c = reader.readRecordU8();
  if (reader.remaining() > 0) owner = reader.readRecordString();
  if (reader.remaining() > 0) site = reader.readRecordString();
  if (reader.remaining() > 0) launchDate = reader.readRecordFloat();
  if (reader.damaged()) return -1;

  applyPlanetRecord(planet);
  bstar_ = bstar;
  meanMotionTerms_[0] = term1;
  meanMotionTerms_[1] = term2;
  deepSpace_ = deep;
  std::memcpy(categories_, categories, sizeof categories_);
  setOwner(owner.c_str());
  setLaunchSite(site.c_str());
  launchDate_ = launchDate;
  resetModelState();
  return reader.position();
}

std::int64_t CSatellite::writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writePlanetRecord(writer);
  writer.writeRecordFloat(bstar_);
  writer.writeRecordFloat(meanMotionTerms_[0]);
  writer.writeRecordFloat(meanMotionTerms_[1]);
  writer.writeRecordU8(deepSpace_);
  for (std::uint8_t c : categories_) writer.writeRecordU8(c);
  writer.writeRecordString(owner_);
  writer.writeRecordString(launchSite_);
  writer.writeRecordFloat(launchDate_);
  return writer.result();
}

bool CSatellite::isDeepSpace() const { return deepSpace_ != 0; }

bool CSatellite::addCategory(int code) {
  const auto byte = static_cast<std::uint8_t>(code);
  if (byte == 0 || hasCategory(byte)) return false;
  for (std::uint8_t& slot : categories_) {
    if (slot == 0) {
      slot = byte;
      return true;
    }
  }
  return false;
}

bool CSatellite::hasCategory(int code) const {
  const auto byte = static_cast<std::uint8_t>(code);
  for (std::uint8_t slot : categories_)
    if (slot == byte) return true;
  return false;
}

void CSatellite::setCategory(int index, int code) {
  if (index >= 0 && index < 4) categories_[index] = static_cast<std::uint8_t>(code);
}

int CSatellite::getCategory(int index) const {
  return index >= 0 && index < 4 ? categories_[index] : 0;
}

bool CSatellite::hasCategoryGroup80() const {
  for (std::uint8_t slot : categories_)
    if (slot >= 80 && slot <= 83) return true;
  return false;
}

const char* CSatellite::getElementSet(SatelliteElementSet& out) const {
  char designator[sizeof out.designator];
  if (shortDesignator(getNameAt(0), designator, sizeof designator))
    std::memcpy(out.designator, designator, sizeof designator);
  getName(out.name, sizeof out.name);
  fillOrbitElements(out);
  return out.name;
}

void CSatellite::getOrbitElements(SatelliteElementSet& out) const {
  out.name[0] = '\0';
  out.designator[0] = '\0';
  fillOrbitElements(out);
}

void CSatellite::fillOrbitElements(SatelliteElementSet& out) const {
  out.catalogueNumber = static_cast<std::int32_t>(getBodyNumber());
  out.epoch = getElementEpoch();
  out.bstar = bstar_;
  out.meanMotionTerms[0] = meanMotionTerms_[0];
  out.meanMotionTerms[1] = meanMotionTerms_[1];
  out.inclination = getInclination();
  out.node = getAscendingNode();
  out.eccentricity = getEccentricity();
  out.argumentOfPerigee = getArgumentOfPerihelion();
  out.meanAnomaly = getMeanAnomalyAtEpoch();
  out.meanMotion = getMeanMotion() / kMinutesPerDay;
}

void CSatellite::setElementSet(const SatelliteElementSet& elements) {
  // The text fields need not be terminated: read them within their size.
  char designator[sizeof elements.designator + 1];
  copyCode(designator, sizeof elements.designator, elements.designator);
  char name[sizeof elements.name + 1];
  copyCode(name, sizeof elements.name, elements.name);
  char long_[32];
  longDesignator(designator, long_, sizeof long_);

  const double q = periapsisDistance(kEarthGM, elements.meanMotion, elements.eccentricity) *
                   kAUPerEarthRadius;
  setElements(static_cast<std::uint32_t>(elements.catalogueNumber), 3,
              {elements.epoch, q, elements.eccentricity, elements.inclination,
               elements.argumentOfPerigee, elements.node, elements.meanAnomaly,
               elements.meanMotion * kMinutesPerDay});
  setNameAt(0, long_);
  setNameAt(1, name);
  setMagnitudeField(1, 32767);
  setPhysicalValue(0.0f);
  bstar_ = static_cast<float>(elements.bstar);
  meanMotionTerms_[0] = static_cast<float>(elements.meanMotionTerms[0]);
  meanMotionTerms_[1] = static_cast<float>(elements.meanMotionTerms[1]);
  deepSpace_ = isDeepSpaceOrbit(elements) ? 1 : 0;
  resetModelState();
}

SatellitePropagatorState* CSatellite::getModelState() { return &state_; }

Sgp4State* CSatellite::getNearEarthState() { return deepSpace_ == 0 ? &state_.nearEarth : nullptr; }

Sdp4State* CSatellite::getDeepSpaceState() { return deepSpace_ != 0 ? &state_.deepSpace : nullptr; }

void CSatellite::getOwner(char out[5]) const { std::memcpy(out, owner_, sizeof owner_); }

void CSatellite::getLaunchSite(char out[6]) const { std::memcpy(out, launchSite_, sizeof launchSite_); }

double CSatellite::getLaunchDate() const { return launchDate_; }

void CSatellite::setOwner(const char* code) { copyCode(owner_, sizeof owner_ - 1, code); }

void CSatellite::setLaunchSite(const char* code) { copyCode(launchSite_, sizeof launchSite_ - 1, code); }

void CSatellite::setLaunchDate(double jd) { launchDate_ = static_cast<float>(jd); }
