#include "ui/info/info_list.h"

#include <cmath>

#include "engine/language.h"

void InfoList::addNumber(const char* label, const char* format, double x) {
  char value[kInfoValueSize];
  if (std::isfinite(x))
    translatedSnprintf(value, sizeof value, format, x);
  else
    translateStringCopy(value, "unknown", sizeof value);
  add(label, value);
}
