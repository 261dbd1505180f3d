// The moons that the body table places from Debian stellarium-data's
// osculating elements, through the engine's own path (the table's row, its
// frame, Kepler's equation), against those elements evaluated straight in
// the file's frame by tests/engine/published_moons_oracle.py; and the moons
// the table places from JPL's mean elements against the same file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <sys/stat.h>

#include "engine/body_dispatch.h"
#include "engine/body_table.h"
#include "engine/kepler_orbits.h"
#include "engine/matrices.h"
#include "tests/support/requirements.h"

namespace {

constexpr char kPublishedElements[] = "/usr/share/stellarium/data/ssystem_major.ini";
constexpr double kKmPerAu = 149597870.0;
constexpr double kDegreesPerRadian = 180.0 / M_PI;

struct PublishedPlace {
  double jd;
  double km[3];
};

bool fileExists(const char* path) {
  struct stat s;
  return stat(path, &s) == 0;
}

// The oracle's places by English name, `periods` orbital periods after
// each moon's epoch; empty when it could not run.
std::map<std::string, PublishedPlace> publishedPlaces(const std::string& names,
                                                      double periods = 0.0) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string command = std::string("/usr/bin/python3 ") + (root ? root : ".") +
                              "/tests/engine/published_moons_oracle.py --after " +
                              std::to_string(periods) + " " + names;
  std::map<std::string, PublishedPlace> places;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return places;
  char name[64];
  PublishedPlace p;
  while (std::fscanf(pipe, "%63s %lf %lf %lf %lf", name, &p.jd, &p.km[0], &p.km[1],
                     &p.km[2]) == 5)
    places[name] = p;
  pclose(pipe);
  return places;
}

int identifierOf(const std::string& englishName) {
  for (const BodyTableRow& row : kBodyTable)
    if (englishName == row.names[0]) return row.identifier;
  return -1;
}

// The engine's place of the moon relative to its planet, km on the J2000
// equator.
void enginePlace(int identifier, double jd, double km[3]) {
  double a, e, i, omega, node, m, n, frame[9];
  ASSERT_EQ(moonOrbitByBodyId(identifier, &a, &e, &i, &omega, &node, &m, &n, jd), 1);
  ASSERT_EQ(moonFrameByBodyId(identifier, frame, jd), 1);
  orbitPositionVector(km, a * (1.0 - e), e, i, omega, node, m);
  matrixTimesVector(frame, km);
  for (int k = 0; k < 3; ++k) km[k] *= kKmPerAu;
}

// Angle (degrees) between the engine's place and the published one.
double separation(int identifier, const PublishedPlace& published) {
  double ours[3];
  enginePlace(identifier, published.jd, ours);
  double dot = 0, a = 0, b = 0;
  for (int k = 0; k < 3; ++k) {
    dot += ours[k] * published.km[k];
    a += ours[k] * ours[k];
    b += published.km[k] * published.km[k];
  }
  return std::acos(std::fmin(1.0, dot / std::sqrt(a * b))) * kDegreesPerRadian;
}

class PublishedMoons : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fileExists(kPublishedElements))
      TESSALY_SKIP_OR_FAIL(kPublishedElements << " missing (stellarium-data)");
    if (!fileExists("/usr/bin/python3")) TESSALY_SKIP_OR_FAIL("/usr/bin/python3 missing");
  }
};

// Every moon whose row JPL's table leaves without angles and that the file
// gives: Jupiter's and Neptune's irregular moons, Neptune's, Saturn's and
// Uranus' small inner moons and Pluto's small moons.
const char kPlacedFromTheFile[] =
    "Himalia Elara Pasiphae Sinope Lysithea Carme Ananke Leda "
    "Janus Epimetheus Atlas Prometheus Pandora Pan "
    "Cordelia Ophelia Cressida Desdemona Juliet Puck "
    "Naiad Thalassa Despina Galatea Larissa Proteus Halimede Psamathe Sao Laomedeia Neso "
    "Nix Hydra Kerberos Styx";
constexpr size_t kPlacedCount = 35;

// At the elements' epoch the table's place is the file's: the conversion to
// the row's plane and epoch is exact but for the float rows and the moons'
// spread about their planet's common tilt (Hydra's 0.008 degrees). Before
// the table took them the rows' angles were 0 and the moons stood anywhere
// on their orbits.
TEST_F(PublishedMoons, TableRowsPutTheMoonsWhereTheirElementsDo) {
  const auto places = publishedPlaces(kPlacedFromTheFile);
  ASSERT_EQ(places.size(), kPlacedCount) << "oracle did not run";
  double worst = 0.0;
  for (const auto& [name, place] : places) {
    const int id = identifierOf(name);
    ASSERT_GT(id, 100) << name;
    const double degrees = separation(id, place);
    worst = std::fmax(worst, degrees);
    EXPECT_LE(degrees, 0.02) << name;
    double ours[3];
    enginePlace(id, place.jd, ours);
    EXPECT_NEAR(std::hypot(ours[0], ours[1], ours[2]) /
                    std::hypot(place.km[0], place.km[1], place.km[2]),
                1.0, 1e-5)
        << name;
  }
  std::printf("worst separation at the epochs: %.4f degrees\n", worst);
}

// A hundredth of a period later the moons have moved the same way: the
// table runs every orbit prograde in its own frame, so a moon the file
// gives clockwise (negative period: Uranus' and Pluto's) must come out with
// its orbit turned over, or it would now be 7 degrees off. The table moves
// them at JPL's mean rate, the oracle at the osculating one (Pasiphae's
// differs by 5 %), which leaves up to 0.3 degree.
TEST_F(PublishedMoons, MoonsMoveOnInTheSenseTheFileGives) {
  const auto places = publishedPlaces(kPlacedFromTheFile, 0.01);
  ASSERT_EQ(places.size(), kPlacedCount) << "oracle did not run";
  for (const auto& [name, place] : places)
    EXPECT_LE(separation(identifierOf(name), place), 0.5) << name;
}

// Where the file and the table's other sources both place a moon, at the
// file's epoch (2008 June 1.0): JPL's mean elements of 1997 for Jupiter's
// inner moons, carried eleven years, and Harris' theory of Triton. Both
// only agree if the file's Jupiter and Neptune elements are read in the
// frame the table's conversion assumes (from the node on the ecliptic
// instead, they are 20 degrees apart). Thebe's mean longitudes agree within
// 0.7 degree; its two ellipses put the pericentre 90 degrees apart with
// e = 0.018, which alone is up to 2.9 degrees along the orbit. Measured:
// Metis 0.24, Adrastea 0.85, Amalthea 1.22, Thebe 3.47, Triton 0.19.
// (The file's Phoebe, prograde with i = 3 degrees, fits no frame of its
// neighbours' and is left out; the table keeps JPL's.)
TEST_F(PublishedMoons, MeanElementsAndTheoriesAgreeWithThePublishedPlaces) {
  const std::map<std::string, double> limits = {
      {"Metis", 0.5}, {"Adrastea", 1.2}, {"Amalthea", 1.5}, {"Thebe", 4.0}, {"Triton", 0.4}};
  const auto places = publishedPlaces("Metis Adrastea Amalthea Thebe Triton");
  ASSERT_EQ(places.size(), limits.size()) << "oracle did not run";
  for (const auto& [name, limit] : limits) {
    const double degrees = separation(identifierOf(name), places.at(name));
    std::printf("%s: %.2f degrees from the published place\n", name.c_str(), degrees);
    EXPECT_LE(degrees, limit) << name;
  }
}

}  // namespace
