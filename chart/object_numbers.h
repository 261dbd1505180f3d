// The object numbers a bare number text can mean: a solar-system body
// number, an asteroid, comet or satellite number, each lifted into its own
// range of the 64-bit object numbers.
#pragma once

#include <cstdint>

// Writes, in this order and while fewer than `maximum` are written, the
// numbers that `text` (a decimal integer) means for type code `type` (0:
// any): bodies and moons (types 30, 31), asteroids (33), comets (34),
// satellites (35). Returns the count; 0 for a text that reads as 0 or not
// as a number, a null text or output, or a maximum below 1.
std::uint32_t objectIdsForNumber(const char* text, std::uint32_t type, std::uint64_t* ids,
                                 std::int32_t maximum);
// The first of them, or 0 when there is none.
std::uint64_t objectIdForNumber(const char* text, std::uint32_t type);
