#include "tools/catalogues/record_encoding.h"

#include <algorithm>
#include <cmath>

#include "skydata/object_factory.h"
#include "skydata/record_io.h"

namespace catalogues {
namespace {

constexpr std::int64_t kRecordLimit = 0xFFFF;

void writeStarPart(RecordWriter& w, const StarValues& v) {
  w.writeRecordU8(static_cast<std::uint8_t>(v.type));
  std::size_t numbers = std::min<std::size_t>(v.numbers.size(), 16);
  w.writeRecordU8(static_cast<std::uint8_t>(numbers));
  for (std::size_t k = 0; k < numbers; ++k) w.writeRecordI64(v.numbers[k]);
  std::size_t names = std::min<std::size_t>(v.names.size(), 16);
  w.writeRecordU8(static_cast<std::uint8_t>(names));
  for (std::size_t k = 0; k < names; ++k) w.writeRecordString(v.names[k].c_str());
  w.writeRecordFloat(v.ra);
  w.writeRecordFloat(v.dec);
  w.writeRecordFloat(v.distance);
  w.writeRecordFloat(v.raRate);
  w.writeRecordFloat(v.decRate);
  w.writeRecordFloat(v.radialVelocity);
  w.writeRecordI16(magnitudeToRecord(v.visual));
  w.writeRecordI16(magnitudeToRecord(v.blue));
  w.writeRecordString(v.spectral.c_str());
}

void writeVariablePart(RecordWriter& w, const StarValues& v) {
  w.writeRecordI16(magnitudeToRecord(v.maximum));
  w.writeRecordI16(magnitudeToRecord(v.minimum));
  w.writeRecordFloat(v.period);
  w.writeRecordFloat(v.epoch);
  w.writeRecordString(v.variableType.c_str());
}

void writeDoublePart(RecordWriter& w, const StarValues& v) {
  w.writeRecordI16(magnitudeToRecord(v.companionMagnitude));
  w.writeRecordFloat(v.separation);
  w.writeRecordFloat(v.positionAngle);
  w.writeRecordFloat(kNone);  // the third value: no source gives it
  w.writeRecordString(v.components.c_str());
}

void writeVector(RecordWriter& w, const float v[3]) {
  for (int k = 0; k < 3; ++k) w.writeRecordFloat(v[k]);
}

// The object of the record's type, filled by its own reader.
std::unique_ptr<CSkyObject> readBack(const std::string& record, const RecordWriter& writer,
                                     const std::string& what, std::string& error) {
  if (writer.overflowed()) {
    error = what + ": record longer than 65535 bytes";
    return nullptr;
  }
  std::unique_ptr<CSkyObject> object(createSkyObject(static_cast<unsigned char>(record[0])));
  std::int64_t length = writer.position();
  if (!object || object->readRecord(record.data(), length, false) != length) {
    error = what + ": the object class does not read the record back";
    return nullptr;
  }
  return object;
}

}  // namespace

std::unique_ptr<CSkyObject> makeStar(const StarValues& v, std::string& error) {
  std::string record(kRecordLimit, '\0');
  RecordWriter w(record.data(), kRecordLimit, false);
  writeStarPart(w, v);
  bool variable = v.type >= 4 && v.type <= 7;
  bool isDouble = v.type >= 2 && v.type <= 5;
  if (variable) writeVariablePart(w, v);
  if (isDouble) writeDoublePart(w, v);
  if (v.type == 3 || v.type == 5) {
    for (int k = 0; k < 7; ++k) w.writeRecordFloat(kNone);  // no orbit in the sources
    w.writeRecordU32(0xFFFFFFFFu);
    w.writeRecordI16(-1);
  }
  return readBack(record, w, v.names.empty() ? "star" : v.names[0], error);
}

std::unique_ptr<CSkyObject> makeDeepSkyObject(const DeepSkyValues& v, std::string& error) {
  std::string record(kRecordLimit, '\0');
  RecordWriter w(record.data(), kRecordLimit, false);
  writeStarPart(w, v.star);
  w.writeRecordU16(v.majorSize);
  w.writeRecordU16(v.minorSize);
  w.writeRecordU16(v.orientation);
  std::size_t count = std::min<std::size_t>(v.contours.size(), 127);
  w.writeRecordU8(static_cast<std::uint8_t>(count));
  for (std::size_t c = 0; c < count; ++c) {
    const auto& points = v.contours[c].points;
    double centre[3] = {0, 0, 0};
    for (const auto& p : points)
      for (int k = 0; k < 3; ++k) centre[k] += p[k];
    double length = std::hypot(centre[0], centre[1], centre[2]);
    float extent = 0.0f;
    float middle[3] = {0, 0, 1};
    if (length > 0.0) {
      for (int k = 0; k < 3; ++k) middle[k] = static_cast<float>(centre[k] / length);
      for (const auto& p : points) {
        double dot = p[0] * middle[0] + p[1] * middle[1] + p[2] * middle[2];
        extent = std::max(extent, static_cast<float>(std::acos(std::clamp(dot, -1.0, 1.0))));
      }
    }
    w.writeRecordU32(static_cast<std::uint32_t>(points.size()));
    for (const auto& p : points) writeVector(w, p.data());
    w.writeRecordFloat(extent);
    writeVector(w, middle);
  }
  return readBack(record, w, v.star.names.empty() ? "deep-sky object" : v.star.names[0], error);
}

std::unique_ptr<CSkyObject> makeConstellation(const ConstellationValues& v, std::string& error) {
  std::string record(kRecordLimit, '\0');
  RecordWriter w(record.data(), kRecordLimit, false);
  w.writeRecordU8(static_cast<std::uint8_t>(v.type));
  w.writeRecordU32(v.number);
  w.writeRecordString(v.name.c_str());
  w.writeRecordString(v.abbreviation.c_str());
  w.writeRecordString(v.genitive.c_str());
  w.writeRecordString(v.commonName.c_str());
  for (int k = 0; k < 3; ++k) w.writeRecordFloat(v.centre[k]);
  w.writeRecordFloat(v.angularSize);
  w.writeRecordU32(static_cast<std::uint32_t>(v.points.size()));
  for (const auto& p : v.points) writeVector(w, p.data());
  return readBack(record, w, v.name, error);
}

std::unique_ptr<CSkyObject> makeMeteorShower(const MeteorShowerValues& v, std::string& error) {
  std::string record(kRecordLimit, '\0');
  RecordWriter w(record.data(), kRecordLimit, false);
  w.writeRecordU8(42);
  w.writeRecordString(v.name.c_str());
  w.writeRecordString(v.abbreviation.c_str());
  w.writeRecordString(v.parentBody.c_str());
  w.writeRecordI16(v.iauNumber);
  w.writeRecordU8(v.activityClass);
  w.writeRecordU8(v.peakHour);
  w.writeRecordFloat(v.peakSolarLongitude);
  w.writeRecordFloat(v.magnitude);
  w.writeRecordFloat(v.velocity);
  w.writeRecordFloat(v.peakRate);
  for (int k = 0; k < 3; ++k) w.writeRecordFloat(static_cast<float>(v.radiant[k]));
  for (double value : v.orbit) w.writeRecordDouble(value);
  return readBack(record, w, v.name, error);
}

std::unique_ptr<CSkyObject> makePlanet(const PlanetValues& v, std::string& error) {
  std::string record(kRecordLimit, '\0');
  RecordWriter w(record.data(), kRecordLimit, false);
  w.writeRecordU8(static_cast<std::uint8_t>(v.type));
  w.writeRecordU32(v.body);
  std::size_t names = std::min<std::size_t>(v.names.size(), 127);
  w.writeRecordU8(static_cast<std::uint8_t>(names));
  for (std::size_t k = 0; k < names; ++k) w.writeRecordString(v.names[k].c_str());
  w.writeRecordU32(v.parent);
  for (double value : {v.validFrom, v.validTo, v.epoch, v.q, v.e, v.i, v.perihelion, v.node,
                       v.meanAnomaly, v.meanMotion})
    w.writeRecordDouble(value);
  w.writeRecordI16(magnitudeToRecord(v.magnitude1));
  w.writeRecordI16(magnitudeToRecord(v.magnitude2));
  w.writeRecordI16(magnitudeToRecord(v.magnitude3));
  w.writeRecordFloat(v.diameter);
  w.writeRecordFloat(v.physical);
  return readBack(record, w, v.names.empty() ? "body" : v.names[0], error);
}

std::unique_ptr<CSkyObject> makeFeature(const FeatureValues& v, std::string& error) {
  std::string record(kRecordLimit, '\0');
  RecordWriter w(record.data(), kRecordLimit, false);
  w.writeRecordU8(39);
  w.writeRecordU8(static_cast<std::uint8_t>(v.featureType));
  w.writeRecordString(v.name.c_str());
  w.writeRecordString(v.description.c_str());
  w.writeRecordU16(v.parent);
  w.writeRecordFloat(v.size);
  writeVector(w, v.surface);
  return readBack(record, w, v.name, error);
}

}  // namespace catalogues
