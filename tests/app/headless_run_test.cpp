// The program itself without a display: it plays the bundle's start-up
// script, writes its snapshots, prints their folder and ends, with or
// without catalogues.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "requirements.h"
#include "sanitizer_build.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::string output;
};

ProgramRun runHeadless(const fs::path& bundle, const fs::path& home, const fs::path& snapshots) {
  const char* binary = std::getenv("TESSALY_APP_BINARY");
  ProgramRun run;
  if (binary == nullptr) return run;
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u TESSALY_TOUCH_SCRIPT TESSALY_HEADLESS=1 TESSALY_BUNDLE='" +
                              bundle.string() + "' TESSALY_HOME='" + home.string() + "' TESSALY_SNAPSHOTS='" +
                              snapshots.string() + "' '" + binary + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  if (pipe) run.status = pclose(pipe);
  return run;
}

// The start-up script with every wait held to a second: each second of a
// wait draws sixty frames, which under a sanitizer cost more than all the
// rest of the run; every step and snapshot stays.
void writeShortenedScripts(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    std::ifstream in(entry.path());
    std::ofstream out(to / entry.path().filename());
    std::string line;
    double seconds = 0;
    while (std::getline(in, line)) {
      if (std::sscanf(line.c_str(), "wait %lf", &seconds) == 1 && seconds > 1) line = "wait 1";
      out << line << '\n';
    }
  }
}

// A bundle of the source tree's resources and, when given, a catalogue.
void makeBundle(const fs::path& bundle, const fs::path& catalogue) {
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  const fs::path resources = fs::path(source ? source : ".") / "resources";
  for (const char* folder : {"Fonts", "Interface", "Shaders"})
    fs::create_directory_symlink(resources / folder, bundle / folder);
  if (tessaly::test::underSanitizer()) writeShortenedScripts(resources / "Scripts", bundle / "Scripts");
  else fs::create_directory_symlink(resources / "Scripts", bundle / "Scripts");
  if (!catalogue.empty()) {
    fs::create_directories(bundle / "SkyData");
    fs::copy_file(catalogue, bundle / "SkyData" / "SolarSystem.skydata");
  }
}

ProgramRun expectSnapshots(const fs::path& bundle, const fs::path& snapshots) {
  tessaly::test::TempDir home;
  const ProgramRun run = runHeadless(bundle, home.path(), snapshots);
  if (run.status == -1) {
    ADD_FAILURE() << "TESSALY_APP_BINARY does not name the program";
    return run;
  }
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("snapshots in " + snapshots.string()), std::string::npos) << run.output;
  // A newcomer sees the chart, not only the quick start: the script closes
  // it and shows every perspective.
  for (const char* name : {"first-frame.png", "after-update.png", "chart-sky.png", "chart-orbit.png",
                           "chart-satellite.png", "chart-ground.png"})
    EXPECT_GT(fs::file_size(snapshots / name), 1000u) << name;
  return run;
}

TEST(HeadlessProgram, WritesItsSnapshotsWithoutCatalogues) {
  tessaly::test::TempDir bundle, snapshots;
  makeBundle(bundle.path(), {});
  expectSnapshots(bundle.path(), snapshots.path() / "out");
}

TEST(HeadlessProgram, WritesItsSnapshotsWithTheBuiltBundle) {
  const char* built = std::getenv("TESSALY_APP_BUNDLE");
  const fs::path catalogue = built ? fs::path(built) / "SkyData" / "SolarSystem.skydata" : fs::path();
  std::error_code error;
  if (catalogue.empty() || !fs::exists(catalogue, error)) TESSALY_SKIP_OR_FAIL("the data bundle is not built");
  tessaly::test::TempDir bundle, snapshots;
  makeBundle(bundle.path(), catalogue);
  for (const char* folder : {"Images", "Sounds", "WorldBorders"})
    fs::create_directory_symlink(fs::path(built) / folder, bundle.path() / folder);
  const ProgramRun run = expectSnapshots(bundle.path(), snapshots.path() / "out");
  // A terminal start says where the snapshots went and, at most, that no
  // sound device was found: no library's notes, no log of the updater.
  EXPECT_LE(std::count(run.output.begin(), run.output.end(), '\n'), 2) << run.output;
  EXPECT_EQ(run.output.find("mgl-"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("ALSA lib"), std::string::npos) << run.output;
}

}  // namespace
