// tessaly-catalogues: builds the bundle's data files from the lists that the
// extraction scripts make of public data.
//
//   tessaly-catalogues borders LIST OUTPUT_BASE
//       country borders -> OUTPUT_BASE.shp/.shx/.dbf/.cpg
//   tessaly-catalogues stars LIST [TYCHO] FOLDER
//       Stars.skydata, TychoStars.skydata, GuideStars.skydata; TYCHO is the
//       compressed Tycho-2 list (data/published/stars_tycho.csv.gz)
//   tessaly-catalogues deepsky LIST FILE
//       DeepSky.skydata
//   tessaly-catalogues constellations BOUNDARIES STARS SHOWERS FILE
//       Constellations.skydata; SHOWERS (the meteor-shower list) may be "-"
//   tessaly-catalogues solar-system BODIES ELEMENTS GROUPS MAGNITUDES FILE
//       SolarSystem.skydata; GROUPS may be "-" (every satellite "User
//       Defined"), MAGNITUDES "-" (no satellite standard magnitudes)
//   tessaly-catalogues elements FILE
//       checks a two-line element file and counts its sets (a file without
//       any is refused, as the solar-system command refuses it)
//
// Every command checks its input completely before it replaces an output, and
// reports the first damage with the file and line.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "skydata/two_line_elements.h"
#include "tools/catalogues/constellation_catalogue.h"
#include "tools/catalogues/deep_sky_catalogue.h"
#include "tools/catalogues/record_list.h"
#include "tools/catalogues/solar_system_catalogue.h"
#include "tools/catalogues/star_catalogues.h"
#include "tools/catalogues/world_borders.h"

namespace {

int usage() {
  std::fputs(
      "usage: tessaly-catalogues borders LIST OUTPUT_BASE\n"
      "       tessaly-catalogues stars LIST [TYCHO] FOLDER\n"
      "       tessaly-catalogues deepsky LIST FILE\n"
      "       tessaly-catalogues constellations BOUNDARIES STARS SHOWERS|- FILE\n"
      "       tessaly-catalogues solar-system BODIES ELEMENTS GROUPS|- MAGNITUDES|- FILE\n"
      "       tessaly-catalogues elements FILE\n",
      stderr);
  return 2;
}

int fail(const std::string& error) {
  std::fprintf(stderr, "tessaly-catalogues: %s\n", error.c_str());
  return 1;
}

int buildBorders(const std::string& list, const std::string& base) {
  std::string text, error;
  std::vector<catalogues::Country> countries;
  if (!catalogues::readWholeFile(list, text, error) ||
      !catalogues::parseBorderList(text, list, countries, error) ||
      !catalogues::writeWorldBorders(countries, base, error)) {
    return fail(error);
  }
  std::printf("%s: %zu countries\n", base.c_str(), countries.size());
  return 0;
}

void printTychoReport(const catalogues::TychoReport& r) {
  std::printf("Tycho-2 rows by V: bin, rows, stars already written by HIP number, by place, "
              "merged into listed Tycho stars, under a star of another magnitude, written\n");
  int totals[6] = {};
  for (int k = 0; k < catalogues::kTychoBins; ++k) {
    if (!r.rows[k]) continue;
    const int values[6] = {r.rows[k],   r.byHip[k],   r.byPlace[k],
                           r.merged[k], r.covered[k], r.written[k]};
    std::printf("  %5.1f %7d %6d %6d %5d %5d %7d\n", (k - 4) / 2.0, values[0], values[1],
                values[2], values[3], values[4], values[5]);
    for (int c = 0; c < 6; ++c) totals[c] += values[c];
  }
  std::printf("  total %7d %6d %6d %5d %5d %7d\n", totals[0], totals[1], totals[2], totals[3],
              totals[4], totals[5]);
}

int buildStars(const std::string& list, const std::string& tycho, const std::string& folder) {
  std::string text, error;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  catalogues::StarCounts counts;
  if (!catalogues::readWholeFile(list, text, error) ||
      !catalogues::buildStarCatalogues(text, list, tycho, folder, counts, error)) {
    return fail(error);
  }
  std::printf("Stars.skydata: %d stars\nTychoStars.skydata: %d stars\nGuideStars.skydata: %d stars\n",
              counts.stars, counts.tycho, counts.guide);
  if (!tycho.empty()) printTychoReport(counts.tychoReport);
  return 0;
}

int buildDeepSky(const std::string& list, const std::string& path) {
  std::string text, error;
  int count = 0;
  if (!catalogues::readWholeFile(list, text, error) ||
      !catalogues::buildDeepSkyCatalogue(text, list, path, count, error)) {
    return fail(error);
  }
  std::printf("DeepSky.skydata: %d objects\n", count);
  return 0;
}

int buildConstellations(const std::string& boundaries, const std::string& stars,
                        const std::string& showers, const std::string& path) {
  std::string boundaryText, starText, showerText, error;
  catalogues::ConstellationCounts counts;
  if (!catalogues::readWholeFile(boundaries, boundaryText, error) ||
      !catalogues::readWholeFile(stars, starText, error) ||
      (showers != "-" && !catalogues::readWholeFile(showers, showerText, error))) {
    return fail(error);
  }
  catalogues::ConstellationSources sources{boundaryText, boundaries, starText,
                                           stars,        showerText, showers};
  if (!catalogues::buildConstellationCatalogue(sources, path, counts, error)) return fail(error);
  std::printf("Constellations.skydata: %d constellations and asterisms, %d meteor showers "
              "(left out: %d list rows that are not showers)\n",
              counts.figures, counts.showers, counts.skippedShowers);
  return 0;
}

int buildSolarSystem(const std::string& bodies, const std::string& elements,
                     const std::string& groups, const std::string& magnitudes,
                     const std::string& path) {
  std::string bodyText, elementText, groupText, magnitudeText, error;
  catalogues::SolarSystemCounts counts;
  if (!catalogues::readWholeFile(bodies, bodyText, error) ||
      !catalogues::readWholeFile(elements, elementText, error) ||
      (groups != "-" && !catalogues::readWholeFile(groups, groupText, error)) ||
      (magnitudes != "-" && !catalogues::readWholeFile(magnitudes, magnitudeText, error))) {
    return fail(error);
  }
  catalogues::SolarSystemSources sources{bodyText,  bodies, elementText,   elements,
                                         groupText, groups, magnitudeText, magnitudes, true};
  if (!catalogues::buildSolarSystemCatalogue(sources, path, counts, error)) return fail(error);
  std::printf("SolarSystem.skydata: %d objects (%d Sun and planets, %d moons, %d asteroids, "
              "%d comets, %d satellites, %d surface features)\n"
              "SolarSystem.skydata: %d of %d satellites with a standard magnitude\n",
              counts.total(), counts.planets, counts.moons, counts.asteroids, counts.comets,
              counts.satellites, counts.features, counts.satellitesWithMagnitude,
              counts.satellites);
  return 0;
}

int checkElements(const std::string& path) {
  std::string text, error;
  std::vector<NamedElementSet> sets;
  if (!catalogues::readWholeFile(path, text, error) ||
      !catalogues::readElementFile(text, path, sets, error)) {
    return fail(error);
  }
  std::printf("%s: %zu element sets\n", path.c_str(), sets.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "borders") return buildBorders(args[1], args[2]);
  if (args.size() == 3 && args[0] == "stars") return buildStars(args[1], "", args[2]);
  if (args.size() == 4 && args[0] == "stars") return buildStars(args[1], args[2], args[3]);
  if (args.size() == 3 && args[0] == "deepsky") return buildDeepSky(args[1], args[2]);
  if (args.size() == 5 && args[0] == "constellations")
    return buildConstellations(args[1], args[2], args[3], args[4]);
  if (args.size() == 6 && args[0] == "solar-system")
    return buildSolarSystem(args[1], args[2], args[3], args[4], args[5]);
  if (args.size() == 2 && args[0] == "elements") return checkElements(args[1]);
  return usage();
}
