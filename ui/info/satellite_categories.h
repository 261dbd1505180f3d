// The names of the satellite categories a satellite carries (up to four
// codes 0-255 each) and the table they come from.
#pragma once

#include <cstdint>
#include <span>

struct SatelliteCategory {
  std::int32_t code;
  const char* name;
};

// The rows sorted by code (satellite_category_table.cpp).
std::span<const SatelliteCategory> satelliteCategories();
// The name of a category code; "?" for a code the table does not have.
const char* satelliteCategoryName(int code);
