#include "ui/info/info_items.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>

namespace {

char* copyText(const char* text) {
  if (text == nullptr) return nullptr;
  std::size_t length = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(length));
  if (copy != nullptr) std::memcpy(copy, text, length);
  return copy;
}

// The decimal exponent of x's leading digit; 0 where the logarithm has no
// meaning (zero, negative, infinite or not a number), as for negative x.
int leadingExponent(double x) {
  if (!(x > 0.0) || !std::isfinite(x)) return 0;
  return static_cast<int>(std::floor(std::log10(x)));
}

}  // namespace

void addInfoItem(SkyObjectInfoString* item, const char* label, const char* value) {
  addInfoItemNumber(item, label, value, std::numeric_limits<double>::infinity());
}

void addInfoItemNumber(SkyObjectInfoString* item, const char* label, const char* value,
                       double jd) {
  item->pLabel = copyText(label);
  item->pValue = copyText(value);
  item->jd = jd;
}

void freeInfoItems(void*, SkyObjectInfoString* items, int count) {
  for (int i = 0; i < count; ++i) {
    std::free(items[i].pLabel);
    std::free(items[i].pValue);
    items[i].pLabel = nullptr;
    items[i].pValue = nullptr;
  }
}

char* formatSignificantDigits(char* buffer, int digits, double x) {
  if (digits < 0) digits = 0;
  if (digits > 17) digits = 17;
  int e = leadingExponent(x);
  int decimals = digits - e > 0 ? digits - e : 0;
  // Fixed point of very small or very large values would not fit (1e-300
  // wants 302 decimals, 1e300 301 digits) and their rounding step leaves
  // the range of doubles; they read best in exponent form anyway.
  int magnitude = leadingExponent(std::abs(x));
  bool fits = std::abs(magnitude) <= 100 && decimals <= 100;
  if (!fits) {
    std::snprintf(buffer, kInfoValueSize, "%.*e", digits, x);
    return buffer;
  }
  double step = std::pow(10.0, e - digits);
  double rounded = std::isfinite(x) ? step * std::floor(x / step + 0.5) : x;
  std::snprintf(buffer, kInfoValueSize, "%.*f", decimals, rounded);
  return buffer;
}

const char* formatSignificantDigitsA(int digits, double x) {
  static char buffer[kInfoValueSize];
  return formatSignificantDigits(buffer, digits, x);
}

const char* formatSignificantDigitsB(int digits, double x) {
  static char buffer[kInfoValueSize];
  return formatSignificantDigits(buffer, digits, x);
}

const char* formatDistance(double au) {
  static char buffer[kInfoValueSize];
  constexpr double kKmPerAU = 149597870.0;
  constexpr double kLightYearsPerAU = 1.5812507335830604e-05;
  struct Row {
    double below;     // AU
    const char* format;
    int unit;         // 0 m, 1 km, 2 AU, 3 light years
  };
  static constexpr Row kRows[] = {
      {6.684587153547039e-9, "%.0f m", 0},     {6.684587153547039e-8, "%.2f km", 1},
      {6.684587153547039e-7, "%.1f km", 1},    {0.0066845871535470384, "%.0f km", 1},
      {0.01, "%.5f AU", 2},                    {0.1, "%.4f AU", 2},
      {1.0, "%.3f AU", 2},                     {10.0, "%.2f AU", 2},
      {100.0, "%.1f AU", 2},                   {1000.0, "%.0f AU", 2},
      {6324.1077380184615, "%.4f ly", 3},      {63241.077380184615, "%.3f ly", 3},
      {632410.7738018462, "%.2f ly", 3},       {6324107.7380184615, "%.1f ly", 3},
      {std::numeric_limits<double>::infinity(), "%.0f ly", 3},
  };
  const Row* row = &kRows[std::size(kRows) - 1];
  for (const Row& candidate : kRows) {
    if (au < candidate.below) {
      row = &candidate;
      break;
    }
  }
  double value = row->unit == 0   ? au * 1000.0 * kKmPerAU
                 : row->unit == 1 ? au * kKmPerAU
                 : row->unit == 2 ? au
                                  : au * kLightYearsPerAU;
  // The text of a huge distance in light years is long; it is cut, never
  // written past the buffer.
  std::snprintf(buffer, sizeof buffer, row->format, value);
  return buffer;
}
