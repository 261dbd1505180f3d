// The builders' writer of information items: appends headers, plain lines
// and dated lines to a caller's array and never past its capacity, so that
// no builder has to count rows (the screen's array holds 255).
//
// Texts are stored as given: callers translate labels and titles
// (translateString) and format values through translatedSnprintf.
#pragma once

#include <limits>

#include "ui/info/info_items.h"

class InfoList {
 public:
  // `capacity` below 1 (or no array) takes nothing.
  InfoList(SkyObjectInfoString* items, int capacity)
      : items_(items), capacity_(items != nullptr && capacity > 0 ? capacity : 0) {}

  // A section header: no label, the title as value.
  void header(const char* title) { add(nullptr, title); }
  void add(const char* label, const char* value,
           double jd = std::numeric_limits<double>::infinity()) {
    if (count_ < capacity_) addInfoItemNumber(&items_[count_++], label, value, jd);
  }

  // A value of one double in `format` (translated), or "unknown" when the
  // value is not a finite number.
  void addNumber(const char* label, const char* format, double x);

  int count() const { return count_; }
  bool full() const { return count_ >= capacity_; }

 private:
  SkyObjectInfoString* items_;
  int capacity_;
  int count_ = 0;
};
