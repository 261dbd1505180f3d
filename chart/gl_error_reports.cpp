#include "chart/gl_error_reports.h"

#include <string>
#include <utility>
#include <vector>

bool firstGLErrorReport(const char* site, unsigned code) {
  // The sites are the chart's own labels, a few dozen at most: a list
  // searched in order, which a repeated error finds without allocating.
  static std::vector<std::pair<std::string, unsigned>> reported;
  for (const auto& [knownSite, knownCode] : reported)
    if (knownCode == code && knownSite == site) return false;
  reported.emplace_back(site, code);
  return true;
}
