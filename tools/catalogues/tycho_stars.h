// The Tycho-2 star list of data/published/stars_tycho.csv.gz (Hog et al.
// 2000, with its first supplement), read as a stream from the compressed
// file: one row at a time, every field checked.
//
//   tyc,hip,ra_deg,dec_deg,pmra_mas_yr,pmdec_mas_yr,vmag,bv,src
//   TYC 1-13-1,,1.1255821,2.2673940,27.7,-0.5,8.506,1.545,MJ
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace catalogues {

struct TychoRow {
  int line = 0;
  std::string designation;  // "TYC 1-13-1"
  std::int64_t number = 0;  // its catalogue number (catalogue 24)
  int hip = 0;              // 0: none
  double ra = 0.0, dec = 0.0;  // degrees, ICRS; epoch J2000 unless `position` is X or T
  double pmra = 0.0, pmdec = 0.0;  // mas/yr (mu alpha cos delta, mu delta); NaN: none
  double visual = 0.0;
  double colour = 0.0;      // B-V; NaN: none
  char position = 'M';      // M, X, H, T (see data/published/README.md)
  char magnitude = 'J';     // J, V, P
};

// One data row (without its line end); false when any field is damaged.
bool parseTychoRow(std::string_view text, TychoRow& row);

// Calls `visit` for every row in file order; stops (returning false) when
// `visit` returns false or at the first damaged row, with `error` set
// ("<path>:<line>: <what>", or a message about the file).
bool readTychoStars(const std::string& path, const std::function<bool(const TychoRow&)>& visit,
                    std::string& error);

}  // namespace catalogues
