#include "corpus.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "temp_dir.h"

namespace shctest {

std::string corpus_folder() {
  const char *root = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(root != nullptr ? root : ".") + "/tests/shadercompiler/corpus";
}

std::vector<corpus_case> parse_corpus(const std::string &group, const std::string &text) {
  std::vector<corpus_case> cases;
  std::istringstream in(text);
  std::string line;
  int line_number = 0;
  while (std::getline(in, line)) {
    if (line.rfind("=== ", 0) == 0) {
      std::istringstream header(line.substr(4));
      std::string name, flag;
      header >> name >> flag;
      corpus_case c;
      c.name = group + "/" + name;
      const bool vert = name.size() > 5 && name.substr(name.size() - 5) == ".vert";
      const bool frag = name.size() > 5 && name.substr(name.size() - 5) == ".frag";
      if ((!vert && !frag) || (flag != "" && flag != "invalid")) {
        c.name = "malformed:" + group + ":" + line;
      }
      c.stage = vert ? SHC_SHADER_VERTEX : SHC_SHADER_FRAGMENT;
      c.valid = flag != "invalid";
      cases.push_back(c);
      line_number = 0;
      continue;
    }
    if (cases.empty()) continue;  // notes before the first case
    corpus_case &c = cases.back();
    c.text += line + "\n";
    line_number++;
    if (line.find("// ERROR") != std::string::npos) c.error_lines.push_back(line_number);
  }
  return cases;
}

std::vector<corpus_case> read_corpus(const std::string &folder) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto &entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.path().extension() == ".cases") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<corpus_case> all;
  for (const std::filesystem::path &f : files) {
    std::vector<corpus_case> cases =
        parse_corpus(f.stem().string(), tessaly::test::readFile(f.string()));
    all.insert(all.end(), cases.begin(), cases.end());
  }
  return all;
}

}  // namespace shctest
