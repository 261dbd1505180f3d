// Names of the Greek letters used as Bayer letters, in alphabetical order of
// the Greek alphabet. Spanish names follow the Real Academia's spellings
// written without accents, French names the French spellings likewise.
#include "skydata/bayer_letters.h"

const char* const greekLetterNames[kGreekLetterCount][kGreekNameLanguages] = {
    {"Alpha", "Alfa", "Alpha"},       {"Beta", "Beta", "Beta"},
    {"Gamma", "Gamma", "Gamma"},      {"Delta", "Delta", "Delta"},
    {"Epsilon", "Epsilon", "Epsilon"}, {"Zeta", "Dseta", "Zeta"},
    {"Eta", "Eta", "Eta"},            {"Theta", "Theta", "Theta"},
    {"Iota", "Iota", "Iota"},         {"Kappa", "Kappa", "Kappa"},
    {"Lambda", "Lambda", "Lambda"},   {"Mu", "Mi", "Mu"},
    {"Nu", "Ni", "Nu"},               {"Xi", "Xi", "Xi"},
    {"Omicron", "Omicron", "Omicron"}, {"Pi", "Pi", "Pi"},
    {"Rho", "Ro", "Rho"},             {"Sigma", "Sigma", "Sigma"},
    {"Tau", "Tau", "Tau"},            {"Upsilon", "Ipsilon", "Upsilon"},
    {"Phi", "Fi", "Phi"},             {"Chi", "Ji", "Khi"},
    {"Psi", "Psi", "Psi"},            {"Omega", "Omega", "Omega"},
};

// The symbol font puts each Greek letter on the Latin key of the same sound.
const char greekLetterSymbols[kGreekLetterCount + 1] = "abgdezhqiklmnxoprstufcyw";
