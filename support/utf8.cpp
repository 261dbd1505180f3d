#include "support/utf8.h"

bool isValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p++;
    if (c < 0x80) continue;
    int more;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (c >= 0xC2 && c <= 0xDF) more = 1;
    else if (c == 0xE0) more = 2, low = 0xA0;
    else if (c == 0xED) more = 2, high = 0x9F;  // no surrogates
    else if (c >= 0xE1 && c <= 0xEF) more = 2;
    else if (c == 0xF0) more = 3, low = 0x90;
    else if (c == 0xF4) more = 3, high = 0x8F;  // nothing above U+10FFFF
    else if (c >= 0xF1 && c <= 0xF3) more = 3;
    else return false;
    if (end - p < more) return false;
    if (*p < low || *p > high) return false;
    for (int i = 1; i < more; ++i)
      if ((p[i] & 0xC0) != 0x80) return false;
    p += more;
  }
  return true;
}
