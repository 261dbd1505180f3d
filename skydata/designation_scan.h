// Internal helpers of the designation formatters and parsers: output buffer
// choice, bounded integer scanning and the split of a text into catalogue
// prefix and number part. Not part of the library's public surface.
#pragma once

#include <cstddef>
#include <cstdint>

// Catalogue number = catalogue x kCatalogFactor + entry.
inline constexpr std::int64_t kCatalogFactor = 10000000000000000LL;
// Size of the shared buffers of formatters called without a buffer.
inline constexpr std::size_t kSharedTextSize = 256;
// Longest text the parsers accept; longer input is refused, not truncated,
// so that a cut-off number is never read as a different one.
inline constexpr std::size_t kMaxDesignationText = 255;

// Where a formatter writes: the caller's buffer, or its own shared buffer
// when the caller gave none. `data` is null when the caller's size is 0.
struct TextOut {
  char* data;
  std::size_t size;
};
TextOut resolveOutput(char* buffer, std::size_t size, char* shared);

// Writes printf-style text into `out` (truncating, always terminated) and
// returns it; the empty text when `out` has no room at all.
const char* writeText(TextOut out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Writes the empty text and returns it.
const char* writeEmpty(TextOut out);

// The scanners treat a null text as an empty one.
void skipBlanks(const char*& p);
// Like "%lld": skips blanks, reads an optional sign and digits. Fails
// (leaving p unspecified) on no digits or a value beyond 64 bits.
bool scanInteger(const char*& p, long long& value);
// Like "%c": the next character, false at the end of the text.
bool scanCharacter(const char*& p, char& c);
// Reads exactly one digit.
bool scanDigit(const char*& p, int& value);
// Like "%lf" on at most 31 characters: skips blanks, reads a decimal number.
bool scanDecimal(const char*& p, double& value);

// A parser's working copy of its input: leading blanks removed; `prefix` is
// the text before the first digit, less a sign directly before that digit and
// less trailing blanks; `numberPart` points into `text` where the prefix ends.
struct DesignationText {
  char text[kMaxDesignationText + 1];
  char prefix[kMaxDesignationText + 1];
  const char* numberPart;
};
// False for a null text or one longer than kMaxDesignationText.
bool splitCatalogPrefix(const char* input, DesignationText& out);

// Stores `number` at out[count] unless it is 0, already stored, or count has
// reached max; returns the new count.
int addCatalogNumber(std::int64_t* out, int count, int max, std::int64_t number);
