// The program itself without a display: it plays the bundle's start-up
// script, writes its snapshots, prints their folder and ends, with or
// without catalogues, and with a damaged bundle says once what is wrong.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

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

// A bundle of the source tree's resources (without its shaders when
// asked) and, when given, a catalogue.
void makeBundle(const fs::path& bundle, const fs::path& catalogue, bool shaders = true) {
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  const fs::path resources = fs::path(source ? source : ".") / "resources";
  for (const char* folder : {"Fonts", "Interface", "Shaders"})
    if (shaders || std::string_view(folder) != "Shaders")
      fs::create_directory_symlink(resources / folder, bundle / folder);
  if (tessaly::test::underSanitizer()) writeShortenedScripts(resources / "Scripts", bundle / "Scripts");
  else fs::create_directory_symlink(resources / "Scripts", bundle / "Scripts");
  if (!catalogue.empty()) {
    fs::create_directories(bundle / "SkyData");
    fs::copy_file(catalogue, bundle / "SkyData" / "SolarSystem.skydata");
  }
}

// The built bundle (the run command's), or empty when it was not built.
fs::path builtBundle() {
  const char* built = std::getenv("TESSALY_APP_BUNDLE");
  std::error_code error;
  if (built == nullptr || !fs::exists(fs::path(built) / "SkyData" / "SolarSystem.skydata", error)) return {};
  return built;
}

// Links the built bundle's data into `bundle`, folder by folder.
void linkBuiltData(const fs::path& built, const fs::path& bundle) {
  for (const char* folder : {"SkyData", "SkyImages", "WorldBorders", "Images", "Sounds"})
    fs::create_directory_symlink(built / folder, bundle / folder);
}

// Makes `relative` in `bundle`, whose data links to the built bundle's, a
// file of the first `bytes` bytes of the built one: each folder on the
// way becomes a real folder whose other entries link to the built ones,
// so that the built bundle itself is never touched.
void cutFile(const fs::path& built, const fs::path& bundle, const fs::path& relative, std::size_t bytes) {
  fs::path folder;
  for (auto part = relative.begin(); std::next(part) != relative.end(); ++part) {
    folder /= *part;
    if (!fs::is_symlink(bundle / folder)) continue;
    fs::remove(bundle / folder);
    fs::create_directory(bundle / folder);
    for (const fs::directory_entry& entry : fs::directory_iterator(built / folder))
      fs::create_symlink(entry.path(), bundle / folder / entry.path().filename());
  }
  std::ifstream in(built / relative, std::ios::binary);
  std::string text(bytes, '\0');
  in.read(text.data(), std::streamsize(bytes));
  ASSERT_EQ(in.gcount(), std::streamsize(bytes)) << relative;
  fs::remove(bundle / relative);
  std::ofstream(bundle / relative, std::ios::binary) << text;
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
  const fs::path built = builtBundle();
  if (built.empty()) TESSALY_SKIP_OR_FAIL("the data bundle is not built");
  tessaly::test::TempDir bundle, snapshots;
  makeBundle(bundle.path(), {});
  linkBuiltData(built, bundle.path());
  const ProgramRun run = expectSnapshots(bundle.path(), snapshots.path() / "out");
  // A terminal start says where the snapshots went and, at most, that no
  // sound device was found: no library's notes, no log of the updater,
  // no word of the bundle, which is whole.
  EXPECT_LE(std::count(run.output.begin(), run.output.end(), '\n'), 2) << run.output;
  EXPECT_EQ(run.output.find("mgl-"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("ALSA lib"), std::string::npos) << run.output;
}

// The built bundle without its shaders, its star catalogue cut to 1,000
// bytes and its Milky Way picture cut short: a few lines say so at the
// start, naming each file once and the command that rebuilds the bundle;
// the GL errors of a chart without a program are printed once, not at
// each of the script's frames; the program goes on to its snapshots and
// leaves the damaged files as they were.
TEST(HeadlessProgram, ADamagedBundleSaysOnceWhatIsWrongAndStillWritesItsSnapshots) {
  const fs::path built = builtBundle();
  if (built.empty()) TESSALY_SKIP_OR_FAIL("the data bundle is not built");
  tessaly::test::TempDir bundle, snapshots;
  makeBundle(bundle.path(), {}, false);
  linkBuiltData(built, bundle.path());
  cutFile(built, bundle.path(), "SkyData/Stars.skydata", 1000);
  cutFile(built, bundle.path(), "SkyImages/MilkyWay/Visible.jpg", 20000);
  const ProgramRun run = expectSnapshots(bundle.path(), snapshots.path() / "out");

  std::istringstream lines(run.output);
  std::vector<std::string> named, all;
  for (std::string line; std::getline(lines, line); all.push_back(line))
    if (line.starts_with("  ")) named.push_back(line);
  EXPECT_EQ(named, (std::vector<std::string>{"  SkyData/Stars.skydata: does not read",
                                             "  Shaders/VertexShader.glsl: missing",
                                             "  Shaders/FragmentShader.glsl: missing",
                                             "  SkyImages/MilkyWay/Visible.jpg: does not read"}))
      << run.output;
  EXPECT_EQ(std::count_if(all.begin(), all.end(),
                          [](const std::string& line) { return line.ends_with("' bash scripts/run.sh"); }),
            1)
      << run.output;
  EXPECT_NE(run.output.find("end of CSkyChart::drawSkyChart(): OpenGL error = 0x502"), std::string::npos)
      << run.output;
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a line said twice:\n" << run.output;
  EXPECT_LE(all.size(), 16u) << run.output;
  EXPECT_EQ(fs::file_size(bundle.path() / "SkyData/Stars.skydata"), 1000u);
  EXPECT_EQ(fs::file_size(bundle.path() / "SkyImages/MilkyWay/Visible.jpg"), 20000u);
}

}  // namespace
