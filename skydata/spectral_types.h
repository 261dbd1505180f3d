// Spectral types: codes of spectral and luminosity classes parsed from
// spectral type texts, and the physical properties of a class interpolated
// in the spectral-class table.
//
// Spectral class code: 10 x (index of the letter in "WOBAFGKMRNSC") + the
// subclass digit (O5 is 15, G2 is 52, M5 is 75). Luminosity class code:
// Ia 2, Iab 3, Ib 4, II 5, III 6, IV 7, V 8; 0 for none.
#pragma once

// One row of the spectral-class table.
struct SpectralClassRow {
  int classCode;
  int luminosityCode;
  float absoluteMagnitude;  // visual
  float colorIndex;         // B-V
  float temperature;        // effective temperature, K
  float bolometricCorrection;
  float mass;               // solar masses
};

// The table: rows grouped by luminosity code 3, 6 and 8 in that order and
// sorted by class code within a group (spectral_class_table.cpp).
extern const SpectralClassRow kSpectralClassTable[];
extern const int kSpectralClassTableSize;

// 10 x letter index + following digit at the first class letter; 0 when
// the text (which may be null) has none.
int spectralClassCode(const char* text);
// The luminosity class code of the first I, V, d (dwarf, 8) or g (giant, 6).
int luminosityClassCode(const char* text);
// Both codes; true when the class code is above 0 and a luminosity class
// was found. The outputs may be null.
bool parseSpectralType(const char* text, int* classCode, int* luminosityCode);

// The table row for (class, luminosity) and the fraction of the way to the
// next row of the same group; false when no row fits.
bool findSpectralClassRow(int classCode, int luminosityCode, int* row, double* fraction);
// Properties of a class, interpolated linearly between table rows.
// Luminosity IV is looked up as V and luminosities brighter than II as the
// supergiant rows (Iab). Any output may be null; false when no row fits.
bool spectralClassProperties(int classCode, int luminosityCode, double* absoluteMagnitude,
                             double* colorIndex, double* temperature,
                             double* bolometricCorrection, double* mass);
