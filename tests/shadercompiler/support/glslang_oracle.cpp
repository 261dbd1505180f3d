#include "glslang_oracle.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "shadercompiler/ir/support/standalone_scaffolding.h"
#include "temp_dir.h"

namespace shctest {
namespace {

constexpr size_t kBatch = 150;

std::string run_command(const std::string &command) {
  std::string output;
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, n);
  pclose(pipe);
  return output;
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Runs `work` on batches of indices on a few threads.
void in_batches(size_t count, const std::function<void(size_t, size_t)> &work) {
  const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 2, 8);
  std::vector<std::thread> pool;
  for (size_t t = 0; t < threads; t++)
    pool.emplace_back([&, t] {
      for (size_t begin = t * kBatch; begin < count; begin += threads * kBatch)
        work(begin, std::min(count, begin + kBatch));
    });
  for (std::thread &t : pool) t.join();
}

// Writes shaders [begin, end) as files named `prefix` + index + stage
// suffix; returns the file names in order.
std::vector<std::string> write_batch(const tessaly::test::TempDir &dir,
                                     const std::vector<oracle_shader> &shaders, size_t begin,
                                     size_t end, const std::string &suffix_text) {
  std::vector<std::string> files;
  for (size_t i = begin; i < end; i++) {
    const std::string &name = shaders[i].name;
    const std::string stage = name.substr(name.rfind('.'));
    const std::string file = "s" + std::to_string(i) + stage;
    tessaly::test::writeFile(dir.file(file), shaders[i].text + suffix_text);
    files.push_back(file);
  }
  return files;
}

int error_line(const std::string &line) {
  // "ERROR: 0:12: ..." or "ERROR: file:12: ..."
  const size_t first = line.find(':', 7);
  if (first == std::string::npos) return 0;
  return std::atoi(line.c_str() + first + 1);
}

}  // namespace

bool glslang_available() {
  return std::system("command -v glslangValidator >/dev/null 2>&1") == 0;
}

std::string glslang_limits(const gl_context &ctx) {
  const gl_constants &c = ctx.Const;
  const std::map<std::string, unsigned> ours = {
      {"MaxLights", c.MaxLights},
      {"MaxClipPlanes", c.MaxClipPlanes},
      {"MaxTextureUnits", c.MaxTextureUnits},
      {"MaxTextureCoords", c.MaxTextureCoordUnits},
      {"MaxVertexAttribs", c.Program[SHC_SHADER_VERTEX].MaxAttribs},
      {"MaxVertexUniformComponents", c.Program[SHC_SHADER_VERTEX].MaxUniformComponents},
      {"MaxVaryingFloats", c.MaxVarying * 4},
      {"MaxVertexTextureImageUnits", c.Program[SHC_SHADER_VERTEX].MaxTextureImageUnits},
      {"MaxCombinedTextureImageUnits", c.MaxCombinedTextureImageUnits},
      {"MaxTextureImageUnits", c.Program[SHC_SHADER_FRAGMENT].MaxTextureImageUnits},
      {"MaxFragmentUniformComponents", c.Program[SHC_SHADER_FRAGMENT].MaxUniformComponents},
      {"MaxDrawBuffers", c.MaxDrawBuffers},
      {"MaxVertexUniformVectors", c.Program[SHC_SHADER_VERTEX].MaxUniformComponents / 4},
      {"MaxVaryingVectors", c.MaxVarying},
      {"MaxFragmentUniformVectors", c.Program[SHC_SHADER_FRAGMENT].MaxUniformComponents / 4},
  };
  std::string conf;
  for (const std::string &line : lines_of(run_command("glslangValidator -c 2>/dev/null"))) {
    const std::string key = line.substr(0, line.find(' '));
    auto it = ours.find(key);
    conf += it == ours.end() ? line : key + " " + std::to_string(it->second);
    conf += "\n";
  }
  return conf;
}

std::vector<oracle_verdict> glslang_validate(const std::vector<oracle_shader> &shaders,
                                             const std::string &limits) {
  std::vector<oracle_verdict> verdicts(shaders.size());
  tessaly::test::TempDir dir;
  const std::string conf = dir.file("limits.conf");
  if (!limits.empty()) tessaly::test::writeFile(conf, limits);
  in_batches(shaders.size(), [&](size_t begin, size_t end) {
    const std::vector<std::string> files = write_batch(dir, shaders, begin, end, "");
    std::string command = "cd '" + dir.path().string() + "' && glslangValidator";
    if (!limits.empty()) command += " limits.conf";
    for (const std::string &f : files) command += " " + f;
    std::map<std::string, size_t> index;
    for (size_t i = 0; i < files.size(); i++) index[files[i]] = begin + i;
    for (size_t i = begin; i < end; i++) verdicts[i].accepted = true;
    size_t current = SIZE_MAX;
    for (const std::string &line : lines_of(run_command(command + " 2>&1"))) {
      auto it = index.find(line);
      if (it != index.end()) {
        current = it->second;
        continue;
      }
      if (current == SIZE_MAX || line.empty()) continue;
      oracle_verdict &v = verdicts[current];
      v.messages += line + "\n";
      if (line.rfind("ERROR: ", 0) == 0) {
        v.accepted = false;
        if (v.first_error_line == 0) v.first_error_line = error_line(line);
      }
    }
  });
  return verdicts;
}

std::vector<std::optional<std::string>> glslang_preprocess(
    const std::vector<oracle_shader> &shaders) {
  std::vector<std::optional<std::string>> texts(shaders.size());
  tessaly::test::TempDir dir;
  in_batches(shaders.size(), [&](size_t begin, size_t end) {
    // A marker line closes each file's text, since the validator prints the
    // texts one after another and nothing for a file it refuses.
    const std::string marker = "TESSALY_END_OF_SHADER_TEXT";
    const std::vector<std::string> files =
        write_batch(dir, shaders, begin, end, "\n" + marker + "\n");
    std::string command = "cd '" + dir.path().string() + "' && glslangValidator -E";
    for (const std::string &f : files) command += " " + f;
    std::vector<std::string> chunks(1);
    for (const std::string &line : lines_of(run_command(command + " 2>/dev/null"))) {
      if (line.rfind("ERROR: ", 0) == 0 || line.rfind("WARNING: ", 0) == 0) continue;
      if (line == marker) {
        chunks.emplace_back();
        continue;
      }
      chunks.back() += line + "\n";
    }
    // Refused files print nothing: find them by compiling each batch file
    // alone only when the counts disagree.
    if (chunks.size() - 1 == files.size()) {
      for (size_t i = 0; i < files.size(); i++) texts[begin + i] = chunks[i];
      return;
    }
    for (size_t i = 0; i < files.size(); i++) {
      const std::string out = run_command("cd '" + dir.path().string() +
                                          "' && glslangValidator -E " + files[i] +
                                          " 2>/dev/null");
      const size_t at = out.find(marker);
      if (at == std::string::npos) continue;
      std::string text;
      for (const std::string &line : lines_of(out.substr(0, at)))
        if (line.rfind("ERROR: ", 0) != 0 && line.rfind("WARNING: ", 0) != 0) text += line + "\n";
      texts[begin + i] = text;
    }
  });
  return texts;
}

std::vector<std::optional<std::string>> glslang_intermediate(
    const std::vector<oracle_shader> &shaders, const std::string &limits) {
  std::vector<std::optional<std::string>> trees(shaders.size());
  tessaly::test::TempDir dir;
  if (!limits.empty()) tessaly::test::writeFile(dir.file("limits.conf"), limits);
  in_batches(shaders.size(), [&](size_t begin, size_t end) {
    const std::vector<std::string> files = write_batch(dir, shaders, begin, end, "");
    std::string command = "cd '" + dir.path().string() + "' && glslangValidator -i";
    if (!limits.empty()) command += " limits.conf";
    for (const std::string &f : files) command += " " + f;
    std::map<std::string, size_t> index;
    for (size_t i = 0; i < files.size(); i++) index[files[i]] = begin + i;
    size_t current = SIZE_MAX;
    std::vector<bool> refused(files.size(), false);
    for (const std::string &line : lines_of(run_command(command + " 2>&1"))) {
      auto it = index.find(line);
      if (it != index.end()) {
        current = it->second;
        if (!trees[current]) trees[current] = std::string();
        continue;
      }
      if (current == SIZE_MAX) continue;
      if (line.rfind("ERROR: ", 0) == 0) refused[current - begin] = true;
      *trees[current] += line + "\n";
    }
    for (size_t i = 0; i < files.size(); i++)
      if (refused[i]) trees[begin + i].reset();
  });
  return trees;
}

std::vector<std::optional<std::string>> glslang_reflect(const std::vector<oracle_pair> &pairs,
                                                        const std::string &limits) {
  std::vector<std::optional<std::string>> reflections(pairs.size());
  tessaly::test::TempDir dir;
  if (!limits.empty()) tessaly::test::writeFile(dir.file("limits.conf"), limits);
  in_batches(pairs.size(), [&](size_t begin, size_t end) {
    // One validator per pair (a run links all the files it is given), one
    // shell per batch; a marker line with the exit status closes each.
    const std::string marker = "TESSALY_END_OF_REFLECTION";
    std::string script;
    for (size_t i = begin; i < end; i++) {
      const std::string base = "p" + std::to_string(i);
      tessaly::test::writeFile(dir.file(base + ".vert"), pairs[i].vertex);
      tessaly::test::writeFile(dir.file(base + ".frag"), pairs[i].fragment);
      script += "glslangValidator -l -q " + std::string(limits.empty() ? "" : "limits.conf ") +
                base + ".vert " + base + ".frag 2>&1; echo " + marker + " $?\n";
    }
    tessaly::test::writeFile(dir.file("b" + std::to_string(begin) + ".sh"), script);
    const std::string output = run_command("cd '" + dir.path().string() + "' && sh b" +
                                           std::to_string(begin) + ".sh");
    size_t i = begin;
    std::string text;
    bool refused = false;
    for (const std::string &line : lines_of(output)) {
      if (line.rfind(marker, 0) == 0) {
        if (i < end && !refused && line == marker + " 0") reflections[i] = text;
        i++;
        text.clear();
        refused = false;
        continue;
      }
      if (line.rfind("ERROR", 0) == 0) refused = true;
      text += line + "\n";
    }
  });
  return reflections;
}

}  // namespace shctest
