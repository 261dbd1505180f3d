// The satellite lists the search screen offers: their sections, titles and
// satellite category codes.
#pragma once

#include <span>

struct SatelliteListSection {
  const char* title;
  std::span<const char* const> lists;
};
struct SatelliteListCode {
  const char* title;
  int code;
};

// Sections 0-6 in order; the last ("Earth Observant") has no lists.
std::span<const SatelliteListSection> satelliteListSections();
// Every list title with a category code, those of the sections and more.
std::span<const SatelliteListCode> satelliteListCodes();
// The codes of the sections' lists in section order, without "Tonight's
// Satellites".
std::span<const int> satelliteSectionCodes();
