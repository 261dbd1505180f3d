#include "skydata/planet_feature.h"

#include "engine/vectors.h"
#include "skydata/record_io.h"

CPlanetFeature::CPlanetFeature() : CSkyObject(39) {}

CPlanetFeature::~CPlanetFeature() = default;

std::int64_t CPlanetFeature::readRecord(const void* record, std::int64_t length,
                                        bool otherByteOrder) {
  RecordReader reader(record, length, otherByteOrder);
  const int type = reader.readRecordU8();
  const std::uint8_t featureType = reader.readRecordU8();
  const char* name = reader.readRecordString();
  const char* description = reader.readRecordString();
  const std::uint16_t parent = reader.readRecordU16();
  const float size = reader.readRecordFloat();
  float surface[3];
  for (float& c : surface) c = reader.readRecordFloat();
  if (reader.damaged()) return -1;
  setTypeCode(type);
  featureType_ = featureType;
  name_ = name;
  description_ = description;
  parentIndex_ = parent;
  size_ = size;
  for (int k = 0; k < 3; ++k) surface_[k] = surface[k];
  return reader.position();
}

std::int64_t CPlanetFeature::writeRecord(void* buffer, std::int64_t size,
                                         bool otherByteOrder) const {
  RecordWriter writer(buffer, size, otherByteOrder);
  writer.writeRecordU8(static_cast<std::uint8_t>(getType()));
  writer.writeRecordU8(featureType_);
  writer.writeRecordString(name_.c_str());
  writer.writeRecordString(description_.c_str());
  writer.writeRecordU16(parentIndex_);
  writer.writeRecordFloat(size_);
  for (float c : surface_) writer.writeRecordFloat(c);
  return writer.result();
}

const char* CPlanetFeature::getName(char* buffer, std::size_t size) const {
  return copyNameText(name_.c_str(), buffer, size);
}

std::string CPlanetFeature::getNameString() const { return name_; }

void CPlanetFeature::getSurfacePosition(double out[3]) const {
  for (int k = 0; k < 3; ++k) out[k] = surface_[k];
}

void CPlanetFeature::getLonLat(double* lon, double* lat) const {
  double v[3];
  getSurfacePosition(v);
  vectorToSpherical(v, lon, lat, nullptr);
}
