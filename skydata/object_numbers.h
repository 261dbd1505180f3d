// The object numbers a bare number text can mean: a solar-system body
// number, an asteroid, comet or satellite number, each lifted into its own
// catalogue of the 64-bit object numbers. A reference read back from
// settings finds its solar-system object through them.
#pragma once

#include <cstdint>

// The entry a bare number text names: the text read as a decimal integer
// (leading blanks and a sign allowed, trailing text ignored) when that is
// from 1 to 10^16 - 1, the entries a catalogue holds; 0 otherwise (null,
// no number, zero, negative, or 10^16 and above, which would name another
// catalogue's numbers).
std::int64_t objectEntryForNumber(const char* text);

// Writes, in this order and while fewer than `maximum` are written, the
// numbers that `text` (an entry as above) means for type code `type` (0:
// any): bodies and moons (types 30, 31), asteroids (33), comets (34),
// satellites (35). Returns the count; 0 for a text without an entry, a
// null output, another type or a maximum below 1.
std::uint32_t objectIdsForNumber(const char* text, std::uint32_t type, std::uint64_t* ids,
                                 std::int32_t maximum);
// The first of them, or 0 when there is none.
std::uint64_t objectIdForNumber(const char* text, std::uint32_t type);
