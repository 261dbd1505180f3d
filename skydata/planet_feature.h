// CPlanetFeature: a named feature on the surface of a body (crater,
// mountain, landing site), type code 39.
#pragma once

#include <cstdint>
#include <string>

#include "skydata/sky_object.h"

class CPlanetFeature : public CSkyObject {
 public:
  CPlanetFeature();
  ~CPlanetFeature() override;

  // Record: type u8, feature type u8, name and description (texts), parent
  // index u16, size float, surface vector 3 floats.
  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;
  const char* getName(char* buffer, std::size_t size) const override;
  std::string getNameString() const override;

  const char* getDescription() const { return description_.c_str(); }
  // A type of the surface-feature table (engine/body_table.h).
  int getFeatureType() const { return featureType_; }
  // Index of the body's object in the solar-system file.
  int getParentIndex() const { return parentIndex_; }
  double getDiameter() const { return size_; }  // km
  // Direction of the feature in the body's own frame.
  void getSurfacePosition(double out[3]) const;
  // Longitude and latitude of that direction, radians.
  void getLonLat(double* lon, double* lat) const;

 private:
  std::string name_;
  std::string description_;
  std::uint8_t featureType_ = 0;
  std::uint16_t parentIndex_ = 0;
  float size_ = 0.0f;
  float surface_[3] = {0.0f, 0.0f, 0.0f};
};
