// Latin letters with diacritics as the text atlas draws them (their base
// letters): the atlas holds printable ASCII and the degree sign only.
#pragma once

inline constexpr char32_t kLatinFoldFirst = 0x00A0;
inline constexpr char32_t kLatinFoldLast = 0x017F;
extern const unsigned char kLatinFoldTable[kLatinFoldLast - kLatinFoldFirst + 1];
