// The variable-star types of the general catalogue and their family codes:
// 1-29 eruptive, 30-73 pulsating, 80-87 rotating, 90-105 cataclysmic,
// 120-124 eclipsing, 200-213 X-ray, 220-225 others. RRC is 58, inside the
// RR Lyrae family (54-58), not 59, which is RV Tauri.
#include "ui/info/small_astronomy.h"

#include <cstring>

namespace {

struct VariableType {
  const char* abbreviation;
  int code;
};

constexpr VariableType kVariableTypes[] = {
    {"FU", 1},        {"BE", 2},         {"GCAS", 3},      {"I", 4},         {"IA", 5},
    {"IB", 6},        {"IS", 7},         {"ISA", 8},       {"ISB", 9},       {"IT", 10},
    {"IN", 11},       {"INA", 12},       {"INB", 13},      {"INS", 14},      {"INT", 15},
    {"INSA", 16},     {"INSB", 17},      {"INST", 18},     {"IN(YY)", 19},   {"INT(YY)", 20},
    {"INSB(YY)", 21}, {"INST(YY)", 22},  {"RCB", 23},      {"RS", 24},       {"SDOR", 25},
    {"GDOR", 26},     {"UV", 27},        {"UVN", 28},      {"WR", 29},       {"ACYG", 30},
    {"BCEP", 31},     {"BCEP(B)", 32},   {"BCEPS", 33},    {"BLBOO", 34},    {"CEP", 35},
    {"CEP(B)", 36},   {"DCEP", 37},      {"DCEP(B)", 38},  {"DCEPS", 39},    {"DCEPS(B)", 40},
    {"CW", 41},       {"CWA", 42},       {"CWB", 43},      {"DSCT", 44},     {"DSCT(B)", 45},
    {"DSCTC", 46},    {"DSCTC(B)", 47},  {"L", 48},        {"LB", 49},       {"LC", 50},
    {"LPB", 51},      {"M", 52},         {"PVTEL", 53},    {"RR", 54},       {"RRA", 55},
    {"RRAB", 56},     {"RR(B)", 57},     {"RRC", 58},      {"RV", 59},       {"RVA", 60},
    {"RVB", 61},      {"SR", 62},        {"SRA", 63},      {"SRB", 64},      {"SRC", 65},
    {"SRD", 66},      {"SRS", 67},       {"SXPHE", 68},    {"SXPHE(B)", 69}, {"ZZ", 70},
    {"ZZA", 71},      {"ZZB", 72},       {"ZZO", 73},      {"ACV", 80},      {"ACVO", 81},
    {"BY", 82},       {"ELL", 83},       {"FKCOM", 84},    {"PSR", 85},      {"R", 86},
    {"SXARI", 87},    {"AM", 90},        {"N", 91},        {"NA", 92},       {"NAB", 93},
    {"NB", 94},       {"NC", 95},        {"NL", 96},       {"NR", 97},       {"SN", 98},
    {"SNI", 99},      {"SNII", 100},     {"UG", 101},      {"UGSS", 102},    {"UGSU", 103},
    {"UGZ", 104},     {"ZAND", 105},     {"E", 120},       {"EA", 121},      {"EB", 122},
    {"EW", 123},      {"EP", 124},       {"X", 200},       {"XB", 201},      {"XF", 202},
    {"XI", 203},      {"XJ", 204},       {"XND", 205},     {"XNG", 206},     {"XP", 207},
    {"XPR", 208},     {"XPRM", 209},     {"XM", 210},      {"XFND", 211},    {"XNGP", 212},
    {"XPM", 213},     {"BLLAC", 220},    {"CST", 221},     {"GAL", 222},     {"QSO", 223},
    {"S", 224},       {"*", 225},
};
static_assert(sizeof kVariableTypes / sizeof kVariableTypes[0] == 122);

}  // namespace

int variableTypeCode(const char* type) {
  if (type == nullptr) return 0;
  std::size_t length = std::strcspn(type, "+/:");
  if (length == 0 || length > 32) return 0;
  // The whole abbreviation must match: a prefix comparison would read a
  // bare "E" as ELL, "R" as RCB and "S" as SDOR.
  for (const VariableType& row : kVariableTypes) {
    if (std::strlen(row.abbreviation) == length &&
        std::strncmp(row.abbreviation, type, length) == 0) {
      return row.code;
    }
  }
  return 0;
}
