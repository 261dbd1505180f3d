// The information pages describe an object as a flat list of labelled
// lines; these are the lines and the number formats they share.
#pragma once

#include <cstddef>

// One line: a section header (no label, the title as value), a plain line,
// or a line with the Julian date of the event it shows (+infinity when it
// shows no event, or when the event was not found).
struct SkyObjectInfoString {
  char* pLabel;
  char* pValue;
  double jd;
};

// Fill an item with heap copies of label and value (null stays null, a
// failed copy leaves null); the slot is overwritten without being freed.
void addInfoItem(SkyObjectInfoString* item, const char* label, const char* value);
void addInfoItemNumber(SkyObjectInfoString* item, const char* label, const char* value, double jd);
// Frees the texts of the first `count` items; `context` is unused.
void freeInfoItems(void* context, SkyObjectInfoString* items, int count);

// Room every formatter below writes into.
constexpr std::size_t kInfoValueSize = 256;

// x rounded to `digits` digits after its leading one, in fixed point:
// 1234.5 with 2 gives "1230", 0.012345 with 2 "0.0123". Zero, negative and
// non-finite x count as exponent 0 (-5.5 with 2 gives "-5.50"); values
// whose fixed-point text would not fit in kInfoValueSize bytes are written
// in exponent form instead. `buffer` holds at least kInfoValueSize bytes.
char* formatSignificantDigits(char* buffer, int digits, double x);
// The same into two static buffers of their own, so one A and one B result
// can stand in the same format call; each is valid until its next call.
const char* formatSignificantDigitsA(int digits, double x);
const char* formatSignificantDigitsB(int digits, double x);

// A distance in astronomical units as metres, kilometres, AU or light
// years, whichever reads best; a static buffer valid until the next call.
const char* formatDistance(double au);
