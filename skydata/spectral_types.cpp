#include "skydata/spectral_types.h"

#include <cstring>

namespace {

const char kClassLetters[] = "WOBAFGKMRNSC";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int spectralClassCode(const char* text) {
  if (!text) return 0;
  for (; *text; ++text) {
    const char* letter = std::strchr(kClassLetters, *text);
    if (!letter) continue;
    int code = 10 * static_cast<int>(letter - kClassLetters);
    return isDigit(text[1]) ? code + (text[1] - '0') : code;
  }
  return 0;
}

int luminosityClassCode(const char* text) {
  if (!text) return 0;
  for (; *text; ++text) {
    switch (*text) {
      case 'I':
        switch (text[1]) {
          case 'A':
          case 'a': return text[2] == 'B' || text[2] == 'b' ? 3 : 2;
          case 'B':
          case 'b': return 4;
          case 'I': return text[2] == 'I' ? 6 : 5;
          case 'V': return 7;
          default: return 2;
        }
      case 'V':
      case 'd': return 8;
      case 'g': return 6;
      default: break;
    }
  }
  return 0;
}

bool parseSpectralType(const char* text, int* classCode, int* luminosityCode) {
  int spectral = spectralClassCode(text);
  int luminosity = luminosityClassCode(text);
  if (classCode) *classCode = spectral;
  if (luminosityCode) *luminosityCode = luminosity;
  return spectral > 0 && luminosity != 0;
}

bool findSpectralClassRow(int classCode, int luminosityCode, int* row, double* fraction) {
  const SpectralClassRow* table = kSpectralClassTable;
  const int size = kSpectralClassTableSize;
  int i = 0;
  while (i < size && table[i].luminosityCode < luminosityCode) ++i;
  while (i < size && table[i].classCode < classCode) ++i;
  if (i == size) return false;
  int found = i;
  if (table[i].classCode > classCode) {
    if (i == 0 || table[i - 1].luminosityCode < luminosityCode) return false;
    found = i - 1;
  }
  double f = 0.0;
  if (found + 1 < size && table[found + 1].luminosityCode == luminosityCode)
    f = static_cast<double>(classCode - table[found].classCode) /
        (table[found + 1].classCode - table[found].classCode);
  if (row) *row = found;
  if (fraction) *fraction = f;
  return true;
}

bool spectralClassProperties(int classCode, int luminosityCode, double* absoluteMagnitude,
                             double* colorIndex, double* temperature,
                             double* bolometricCorrection, double* mass) {
  if (luminosityCode == 7) luminosityCode = 8;
  if (luminosityCode < 5) luminosityCode = 3;
  int row;
  double f;
  if (!findSpectralClassRow(classCode, luminosityCode, &row, &f)) return false;
  const SpectralClassRow& a = kSpectralClassTable[row];
  // With f = 0 the next row is not read, so the last row needs no successor.
  const SpectralClassRow& b = f != 0.0 ? kSpectralClassTable[row + 1] : a;
  auto mix = [f](float x, float y) { return x + f * (static_cast<double>(y) - x); };
  if (absoluteMagnitude) *absoluteMagnitude = mix(a.absoluteMagnitude, b.absoluteMagnitude);
  if (colorIndex) *colorIndex = mix(a.colorIndex, b.colorIndex);
  if (temperature) *temperature = mix(a.temperature, b.temperature);
  if (bolometricCorrection) *bolometricCorrection = mix(a.bolometricCorrection, b.bolometricCorrection);
  if (mass) *mass = mix(a.mass, b.mass);
  return true;
}
