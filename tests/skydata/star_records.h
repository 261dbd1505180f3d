// Star and deep-sky records written field by field from the record
// layout, independently of the classes that read them.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "skydata/record_io.h"

namespace star_records {

struct StarPart {
  int type = 1;
  std::vector<std::int64_t> numbers;
  std::vector<std::string> names;
  float ra = 1.0f, dec = 0.5f, distance = INFINITY;
  float raRate = 0, decRate = 0, radialVelocity = INFINITY;
  std::int16_t visual = 32767, blue = 32767;
  std::string spectralType;
};

inline void writeStarPart(RecordWriter& w, const StarPart& s) {
  w.writeRecordU8(static_cast<std::uint8_t>(s.type));
  w.writeRecordU8(static_cast<std::uint8_t>(s.numbers.size()));
  for (auto n : s.numbers) w.writeRecordI64(n);
  w.writeRecordU8(static_cast<std::uint8_t>(s.names.size()));
  for (const auto& n : s.names) w.writeRecordString(n.c_str());
  for (float f : {s.ra, s.dec, s.distance, s.raRate, s.decRate, s.radialVelocity}) {
    w.writeRecordFloat(f);
  }
  w.writeRecordI16(s.visual);
  w.writeRecordI16(s.blue);
  w.writeRecordString(s.spectralType.c_str());
}

// Variable part: max 5.20, min 6.10, period 4.47 d, epoch 100 d, "DCEP".
inline void writeVariablePart(RecordWriter& w) {
  w.writeRecordI16(520);
  w.writeRecordI16(610);
  w.writeRecordFloat(4.47);
  w.writeRecordFloat(100.0);
  w.writeRecordString("DCEP");
}

// Double part: companion 8.50, separation 1e-5 rad, angle 2.0, third 7.0, "AB".
inline void writeDoublePart(RecordWriter& w) {
  w.writeRecordI16(850);
  w.writeRecordFloat(1e-5);
  w.writeRecordFloat(2.0);
  w.writeRecordFloat(7.0);
  w.writeRecordString("AB");
}

// Binary part: orbit floats 1994.3, 50.1, 3.6e-5, 0.59, 2.37, 2.53, 0.78;
// companion region 1234, index 56.
inline void writeBinaryPart(RecordWriter& w) {
  for (double f : {1994.3, 50.1, 3.6e-5, 0.59, 2.37, 2.53, 0.78}) w.writeRecordFloat(f);
  w.writeRecordU32(1234);
  w.writeRecordI16(56);
}

struct ContourPart {
  std::vector<float> points;  // 3 per point
  float extent = 0.01f;
  float center[3] = {1, 0, 0};
};

inline void writeDeepSkyTail(RecordWriter& w, std::uint16_t major, std::uint16_t minor,
                             std::uint16_t orientation, const std::vector<ContourPart>& contours) {
  w.writeRecordU16(major);
  w.writeRecordU16(minor);
  w.writeRecordU16(orientation);
  w.writeRecordU8(static_cast<std::uint8_t>(contours.size()));
  for (const auto& c : contours) {
    w.writeRecordU32(static_cast<std::uint32_t>(c.points.size() / 3));
    for (float f : c.points) w.writeRecordFloat(f);
    w.writeRecordFloat(c.extent);
    for (float f : c.center) w.writeRecordFloat(f);
  }
}

// A whole record of the given type code (1-29) with every part its class
// reads; a fixed, recognisable content.
inline std::vector<unsigned char> sampleRecord(int type, bool otherByteOrder) {
  StarPart s;
  s.type = type;
  s.numbers = {5 * 10000000000000000LL + 48915, 4 * 10000000000000000LL + 2491};
  s.names = {"Sirius", "Dog Star"};
  s.ra = 1.767793f;
  s.dec = -0.291751f;
  s.distance = 2.637f;
  s.raRate = -2.6e-6f;
  s.decRate = -5.9e-6f;
  s.radialVelocity = -5.6e-6f;  // -5.5 km/s in parsecs a year, the rates per year
  s.visual = -146;
  s.blue = -146;
  s.spectralType = "A1V";
  std::vector<unsigned char> buffer(4096);
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), otherByteOrder);
  writeStarPart(w, s);
  const bool variable = type >= 4 && type <= 7;
  const bool isDouble = type >= 2 && type <= 5;
  const bool binary = type == 3 || type == 5;
  if (variable) writeVariablePart(w);
  if (isDouble) writeDoublePart(w);
  if (binary) writeBinaryPart(w);
  if (type >= 10) {
    ContourPart a, b;
    a.points = {1, 0, 0, 0.99995f, 0.01f, 0, 0.99995f, 0, 0.01f};
    b.points = {0, 1, 0};
    b.extent = 0.5f;
    writeDeepSkyTail(w, 600, 300, 45, {a, b});
  }
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

}  // namespace star_records
