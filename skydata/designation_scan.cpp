#include "skydata/designation_scan.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

TextOut resolveOutput(char* buffer, std::size_t size, char* shared) {
  if (buffer == nullptr) return {shared, kSharedTextSize};
  if (size == 0) return {nullptr, 0};
  return {buffer, size};
}

const char* writeText(TextOut out, const char* format, ...) {
  if (out.data == nullptr) return "";
  va_list arguments;
  va_start(arguments, format);
  int written = std::vsnprintf(out.data, out.size, format, arguments);
  va_end(arguments);
  if (written < 0) out.data[0] = '\0';
  return out.data;
}

const char* writeEmpty(TextOut out) {
  if (out.data == nullptr) return "";
  out.data[0] = '\0';
  return out.data;
}

void skipBlanks(const char*& p) {
  while (p != nullptr && (*p == ' ' || *p == '\t')) ++p;
}

bool scanInteger(const char*& p, long long& value) {
  skipBlanks(p);
  if (p == nullptr) return false;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
  long long v = 0;
  while (std::isdigit(static_cast<unsigned char>(*p))) {
    int digit = *p++ - '0';
    if (v > (std::numeric_limits<long long>::max() - digit) / 10) return false;
    v = v * 10 + digit;
  }
  value = negative ? -v : v;
  return true;
}

bool scanCharacter(const char*& p, char& c) {
  if (p == nullptr || *p == '\0') return false;
  c = *p++;
  return true;
}

bool scanDigit(const char*& p, int& value) {
  if (p == nullptr || !std::isdigit(static_cast<unsigned char>(*p))) return false;
  value = *p++ - '0';
  return true;
}

bool scanDecimal(const char*& p, double& value) {
  skipBlanks(p);
  if (p == nullptr) return false;
  char number[32];
  std::size_t n = 0;
  while (n + 1 < sizeof number &&
         (std::isdigit(static_cast<unsigned char>(p[n])) || p[n] == '.' || (n == 0 && (p[n] == '+' || p[n] == '-'))))
    ++n;
  std::memcpy(number, p, n);
  number[n] = '\0';
  char* end = nullptr;
  value = std::strtod(number, &end);
  if (end == number) return false;
  p += end - number;
  return true;
}

bool splitCatalogPrefix(const char* input, DesignationText& out) {
  if (input == nullptr) return false;
  while (*input == ' ' || *input == '\t') ++input;
  std::size_t length = strnlen(input, kMaxDesignationText + 1);
  if (length > kMaxDesignationText) return false;
  std::memcpy(out.text, input, length);
  out.text[length] = '\0';
  std::size_t end = 0;
  while (end < length && !std::isdigit(static_cast<unsigned char>(out.text[end]))) ++end;
  if (end < length && end > 0 && (out.text[end - 1] == '+' || out.text[end - 1] == '-')) --end;
  while (end > 0 && (out.text[end - 1] == ' ' || out.text[end - 1] == '\t')) --end;
  std::memcpy(out.prefix, out.text, end);
  out.prefix[end] = '\0';
  out.numberPart = out.text + end;
  return true;
}

int addCatalogNumber(std::int64_t* out, int count, int max, std::int64_t number) {
  if (number == 0 || count >= max) return count;
  for (int i = 0; i < count; ++i)
    if (out[i] == number) return count;
  out[count] = number;
  return count + 1;
}
