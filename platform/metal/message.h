// Messages assembled from parts (texts, integers, numbers) only when they
// are wanted: a validation that passes and a command log that is off must
// cost no allocation, so callers hand over the parts, not a built string.
#pragma once

#include <charconv>
#include <concepts>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

namespace mtl {

// Up to six numbers printed "%g" and separated by single spaces.
struct Numbers {
  Numbers(std::initializer_list<double> list) {
    for (double v : list) {
      if (count < std::size(values)) values[count++] = v;
    }
  }
  double values[6] = {};
  std::size_t count = 0;
};

inline void appendPart(std::string& text, std::string_view part) { text += part; }
inline void appendPart(std::string& text, const char* part) { text += part; }
inline void appendPart(std::string& text, char part) { text += part; }

template <std::integral T>
  requires(!std::same_as<T, char> && !std::same_as<T, bool>)
void appendPart(std::string& text, T value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text.append(digits, end);
}

inline void appendPart(std::string& text, Numbers numbers) {
  char number[32];
  for (std::size_t i = 0; i < numbers.count; ++i) {
    std::snprintf(number, sizeof number, "%g", numbers.values[i]);
    if (i > 0) text += ' ';
    text += number;
  }
}

template <typename... Parts>
std::string joinParts(const Parts&... parts) {
  std::string text;
  (appendPart(text, parts), ...);
  return text;
}

}  // namespace mtl
