// The command a damaged bundle's report gives, run by the shell as a user
// would paste it: whatever quotes, blanks or signs the bundle's path
// holds, it removes the bundle's stamp, names the bundle to the run
// command, and touches nothing else.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/bundle_check.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

// What `command` prints on standard output run by sh -c in `folder` (a
// scratch folder, whose name needs no quoting), or nothing when it fails.
std::optional<std::string> runInShell(const fs::path& folder, const std::string& command) {
  FILE* pipe = popen(("cd '" + folder.string() + "' && " + command).c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string output;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return output;
}

TEST(BundleCheckReport, TheRebuildCommandWorksInTheShellForAnyBundlePath) {
  constexpr std::string_view kRunCommand = " bash scripts/run.sh";
  constexpr std::string_view kLead = "Rebuild it from the source tree with: ";
  const char* names[] = {"Tessaly",          "it's here",     "'",           "''quoted''",     "a 'b' c",
                         "\"double\" quotes", "$HOME and `id`", "back\\slash", "semi;colon & |", "glob * ?",
                         "trailing '\\"};
  int run = 0;
  for (const char* name : names) {
    SCOPED_TRACE(name);
    tessaly::test::TempDir home, tree;
    const fs::path bundle = home.path() / name / "app";
    fs::create_directories(bundle);
    ASSERT_TRUE(tessaly::test::writeFile((bundle / ".data-stamp").string(), "stamp"));
    // What a command split into other words would remove instead.
    fs::create_directories(tree.path() / "scripts");
    for (const char* file : {"bash", "scripts/run.sh", "app", "here"})
      ASSERT_TRUE(tessaly::test::writeFile((tree.path() / file).string(), "kept"));

    const std::string report = bundleFaultReport(bundle.string(), {{"SkyData/Stars.skydata", "missing"}});
    const std::size_t lead = report.rfind(kLead);
    ASSERT_NE(lead, std::string::npos) << report;
    std::string command = report.substr(lead + kLead.size());
    ASSERT_TRUE(command.ends_with(std::string(kRunCommand) + "\n")) << command;
    // The run command itself stands in for a shell that prints the bundle
    // it was given.
    command.resize(command.size() - kRunCommand.size() - 1);
    const std::optional<std::string> printed =
        runInShell(tree.path(), command + " sh -c 'printf %s \"$TESSALY_BUNDLE\"'");
    ASSERT_TRUE(printed) << command;
    EXPECT_EQ(*printed, bundle.string()) << command;
    EXPECT_FALSE(fs::exists(bundle / ".data-stamp")) << command;
    for (const char* file : {"bash", "scripts/run.sh", "app", "here"})
      EXPECT_EQ(tessaly::test::readFile((tree.path() / file).string()), "kept") << file << ": " << command;
    ++run;
  }
  EXPECT_EQ(run, int(std::size(names)));
}

}  // namespace
