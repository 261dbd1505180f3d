// The catalogue tool as a user runs it to refresh the satellites, and the
// bundle's data step that runs it for TESSALY_ELEMENTS: an element file
// without a single set (empty, blank lines, a cut download) is refused with
// a message and a failing exit, like a damaged one, and the catalogue in
// place stays byte for byte.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using tessaly::test::TempDir;

struct Outcome {
  int status = -1;  // the exit status; -1 when it did not exit
  std::string output;  // standard output and error together
};

Outcome run(const std::string& command) {
  Outcome outcome;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[512];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  return outcome;
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

const char* kBodies =
    "# tessaly-solarsystem 1\n"
    "C\t1\t1P\tHalley\t2459815.50000\t0.59863\t0.966503\t162.1946\t112.1408\t59.2191\t"
    "173.9193454\t0.01304593552\t4\t6\n"
    "E\t1\n";

const char* kIss =
    "ISS (ZARYA)\n"
    "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927\n"
    "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537\n";

// Files that hold no element set: nothing, blank lines only, and a cut
// download of line ends.
const char* const kWithoutSets[] = {"", "\n\n   \n", "\r\n\r\n"};

class CataloguesCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tessaly::test::writeFile(dir_.file("bodies.list"), kBodies));
    ASSERT_TRUE(tessaly::test::writeFile(dir_.file("iss.tle"), kIss));
    // The catalogue in place: built by the tool itself from a good file.
    const Outcome built = solarSystem(dir_.file("iss.tle"));
    ASSERT_EQ(built.status, 0) << built.output;
    ASSERT_NE(built.output.find("1 satellites"), std::string::npos) << built.output;
    catalogue_ = tessaly::test::readFile(cataloguePath());
    ASSERT_FALSE(catalogue_.empty());
  }

  Outcome solarSystem(const std::string& elements) {
    return run(quoted(TESSALY_CATALOGUES_TOOL) + " solar-system " + quoted(dir_.file("bodies.list")) + " " +
               quoted(elements) + " - - " + quoted(cataloguePath()));
  }
  std::string cataloguePath() const { return dir_.file("SolarSystem.skydata"); }
  // Only the lists and the catalogue: no temporary file is left behind.
  std::size_t filesInTheFolder() const {
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir_.path())) files += entry.is_regular_file();
    return files;
  }

  TempDir dir_;
  std::string catalogue_;
};

TEST_F(CataloguesCommand, AnElementFileWithoutSetsIsRefusedByBothCommandsAndTheCatalogueStays) {
  int cases = 0;
  for (const char* text : kWithoutSets) {
    SCOPED_TRACE(::testing::PrintToString(std::string(text)));
    const std::string path = dir_.file("current.tle");
    ASSERT_TRUE(tessaly::test::writeFile(path, text));
    const std::string message = "tessaly-catalogues: " + path + ": holds no element sets\n";

    const Outcome checked = run(quoted(TESSALY_CATALOGUES_TOOL) + " elements " + quoted(path));
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.output, message);

    const Outcome built = solarSystem(path);
    EXPECT_EQ(built.status, 1);
    EXPECT_EQ(built.output, message);
    EXPECT_TRUE(tessaly::test::readFile(cataloguePath()) == catalogue_) << "the catalogue in place changed";
    EXPECT_EQ(filesInTheFolder(), 4u);
    ++cases;
  }
  EXPECT_EQ(cases, 3);

  // A good file is still counted and built from.
  const Outcome checked = run(quoted(TESSALY_CATALOGUES_TOOL) + " elements " + quoted(dir_.file("iss.tle")));
  EXPECT_EQ(checked.status, 0);
  EXPECT_EQ(checked.output, dir_.file("iss.tle") + ": 1 element sets\n");
}

// The data step (which the run command runs for TESSALY_ELEMENTS) refuses
// the file before it extracts or builds anything, so the bundle it was
// pointed at stays as it was, its catalogue byte for byte.
TEST_F(CataloguesCommand, TheBundlesDataStepRefusesAnElementFileWithoutSetsBeforeBuilding) {
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  TempDir bundle;
  fs::create_directories(bundle.path() / "SkyData");
  const fs::path catalogue = bundle.path() / "SkyData/SolarSystem.skydata";
  ASSERT_TRUE(tessaly::test::writeFile(catalogue.string(), catalogue_));
  const std::string empty = dir_.file("empty.tle");
  ASSERT_TRUE(tessaly::test::writeFile(empty, ""));

  const Outcome step = run("TESSALY_ELEMENTS=" + quoted(empty) + " TESSALY_BUNDLE=" + quoted(bundle.path().string()) +
                           " bash " + quoted(std::string(source) + "/scripts/data.d/catalogues.sh") + " " +
                           quoted(TESSALY_BUILD_DIR));
  EXPECT_NE(step.status, 0);
  EXPECT_NE(step.output.find("tessaly-catalogues: " + empty + ": holds no element sets"), std::string::npos)
      << step.output;
  EXPECT_TRUE(tessaly::test::readFile(catalogue.string()) == catalogue_) << "the bundle's catalogue changed";
  std::size_t entries = 0;
  for (const auto& entry : fs::recursive_directory_iterator(bundle.path())) entries += !entry.is_directory();
  EXPECT_EQ(entries, 1u) << "nothing else was built into the bundle";
}

}  // namespace
