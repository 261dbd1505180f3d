// SkyObjectID: a reference to one catalogue object, by data file, region
// and index, carrying the catalogue number, name and type it had when the
// reference was made, so that it can be found again in a later catalogue.
#pragma once

#include <cstddef>
#include <cstdint>

// Data file numbers.
inline constexpr std::uint16_t kSolarSystemFile = 1;
inline constexpr std::uint16_t kStarsFile = 2;
inline constexpr std::uint16_t kGuideStarsFile = 3;
inline constexpr std::uint16_t kDeepSkyFile = 4;
inline constexpr std::uint16_t kConstellationsFile = 5;
inline constexpr std::uint16_t kTychoStarsFile = 6;
inline constexpr std::uint16_t kNoFile = 65535;
inline constexpr std::uint16_t kNoObjectIndex = 65535;

struct SkyObjectID {
  std::uint16_t file = kNoFile;
  std::uint32_t region = 0xFFFFFFFFu;
  std::uint16_t index = kNoObjectIndex;
  std::int64_t catnum = 0;
  char name[32] = {};
  std::uint8_t type = 0;
};

// The text form "file,region,index" of a reference, written into `buffer`
// (size bytes); returns the buffer.
char* formatObjectIDText(const SkyObjectID& reference, char* buffer, std::size_t size);
// Reads "file,region,index" (each number taken modulo its field's range,
// so "-1,-1,-1" is the invalid reference) into the reference; false, with
// the reference untouched, unless the text holds three numbers.
bool parseObjectIDText(const char* text, SkyObjectID* reference);
