// Availability of every built-in overload checked against an independent
// GLSL front end: for each overload and each of GLSL ES 1.00, GLSL 1.20 and
// GLSL 1.30 in the vertex and fragment stages (the first two also with the
// extensions their shaders use), a shader making that one call is given to
// glslangValidator, and its verdict is compared with the overload's
// predicate. Where the library is knowingly more lenient (or stricter) than
// those language versions, the difference is listed with its reason in
// builtin_availability_differences.txt; any other difference fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "builtin_calls.h"
#include "builtin_catalogue.h"
#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"
#include "temp_dir.h"
#include "tests/support/requirements.h"

namespace {

struct extension {
  const char *name;
  bool glsl_parse_state::*flag;
};

const extension kEsExtensions[] = {
    {"GL_OES_standard_derivatives", &glsl_parse_state::OES_standard_derivatives_enable},
    {"GL_EXT_shader_texture_lod", &glsl_parse_state::EXT_shader_texture_lod_enable},
    {"GL_EXT_shadow_samplers", &glsl_parse_state::EXT_shadow_samplers_enable},
    {"GL_OES_texture_3D", &glsl_parse_state::OES_texture_3D_enable},
    {"GL_OES_EGL_image_external", &glsl_parse_state::OES_EGL_image_external_enable},
};
const extension kDesktopExtensions[] = {
    {"GL_ARB_shader_texture_lod", &glsl_parse_state::ARB_shader_texture_lod_enable},
    {"GL_ARB_texture_rectangle", &glsl_parse_state::ARB_texture_rectangle_enable},
};

struct configuration {
  const char *label;  // as in the fixture
  bool es;
  unsigned version;
  gl_shader_stage stage;
  std::span<const extension> extensions;
};

const configuration kConfigurations[] = {
    {"100v", true, 100, SHC_SHADER_VERTEX, {}},
    {"100f", true, 100, SHC_SHADER_FRAGMENT, {}},
    {"120v", false, 120, SHC_SHADER_VERTEX, {}},
    {"120f", false, 120, SHC_SHADER_FRAGMENT, {}},
    {"130v", false, 130, SHC_SHADER_VERTEX, {}},
    {"130f", false, 130, SHC_SHADER_FRAGMENT, {}},
    {"100v+ext", true, 100, SHC_SHADER_VERTEX, kEsExtensions},
    {"100f+ext", true, 100, SHC_SHADER_FRAGMENT, kEsExtensions},
    {"120v+ext", false, 120, SHC_SHADER_VERTEX, kDesktopExtensions},
    {"120f+ext", false, 120, SHC_SHADER_FRAGMENT, kDesktopExtensions},
};

// A shader whose only work is one call of the overload.
std::string one_call_shader(const char *name, const ir_function_signature *sig,
                            const configuration &c) {
  std::vector<const char *> extensions;
  for (const extension &e : c.extensions) extensions.push_back(e.name);
  return shctest::one_call_shader(name, sig, c.version, c.es, c.stage, extensions);
}

struct overload {
  std::string prototype;
  const char *name;
  const ir_function_signature *sig;
};

std::vector<overload> every_overload() {
  std::vector<overload> all;
  for (const char *name : builtin_catalogue::kNames) {
    ir_function *f = builtin_function_shader()->symbols->get_function(name);
    if (f == nullptr) continue;
    foreach_in_list(ir_function_signature, sig, &f->signatures)
      all.push_back({shctest::builtin_prototype(name, sig), name, sig});
  }
  return all;
}

// The files the validator refuses, from one run over many files.
std::set<std::string> rejected_files(const std::string &folder,
                                     const std::vector<std::string> &files) {
  std::string command = "cd '" + folder + "' && glslangValidator";
  for (const std::string &f : files) command += " " + f;
  command += " 2>&1";
  std::set<std::string> rejected;
  FILE *out = popen(command.c_str(), "r");
  if (out == nullptr) return rejected;
  std::set<std::string> names(files.begin(), files.end());
  std::string current;
  char line[4096];
  while (std::fgets(line, sizeof(line), out) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (names.count(text) != 0) {
      current = text;
    } else if (text.rfind("ERROR:", 0) == 0 && !current.empty()) {
      rejected.insert(current);
    }
  }
  pclose(out);
  return rejected;
}

// Fixture lines "+ proto configs..." (the library offers the overload where
// the validator refuses it) and "- proto configs..." (the other way round),
// expanded to one entry per configuration.
std::set<std::string> expected_differences(const std::string &path) {
  std::set<std::string> expected;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t close = line.find(')');
    if (close == std::string::npos) continue;
    const std::string head = line.substr(0, close + 1);
    std::istringstream configs(line.substr(close + 1));
    std::string config;
    while (configs >> config) expected.insert(head + " " + config);
  }
  return expected;
}

TEST(BuiltinAvailabilityOracleTest, PredicatesAgreeWithTheValidator) {
  if (!tessaly::test::programInstalled("glslangValidator"))
    TESSALY_SKIP_OR_FAIL("glslangValidator is not installed");
  builtin_builder::initialize();
  const std::vector<overload> overloads = every_overload();
  ASSERT_GT(overloads.size(), 1500u);
  tessaly::test::TempDir dir;
  void *ctx = ralloc_context(nullptr);

  // One validator per configuration, run side by side, each over all files.
  struct run {
    std::vector<std::string> files;
    std::vector<bool> offered;
    std::set<std::string> rejected;
  };
  std::vector<run> runs(std::size(kConfigurations));
  for (size_t c = 0; c < std::size(kConfigurations); c++) {
    const configuration &config = kConfigurations[c];
    auto *state = new (ctx) glsl_parse_state(config.stage, config.es, config.version);
    for (const extension &e : config.extensions) state->*e.flag = true;
    for (size_t i = 0; i < overloads.size(); i++) {
      const std::string file = "o" + std::to_string(i) + "_" + config.label +
                               (config.stage == SHC_SHADER_VERTEX ? ".vert" : ".frag");
      ASSERT_TRUE(tessaly::test::writeFile(
          dir.file(file), one_call_shader(overloads[i].name, overloads[i].sig, config)));
      runs[c].files.push_back(file);
      runs[c].offered.push_back(overloads[i].sig->is_builtin_available(state));
    }
  }
  std::vector<std::thread> workers;
  for (run &r : runs)
    workers.emplace_back([&r, &dir] { r.rejected = rejected_files(dir.path().string(), r.files); });
  for (std::thread &w : workers) w.join();

  std::set<std::string> differences;
  for (size_t c = 0; c < runs.size(); c++) {
    for (size_t i = 0; i < overloads.size(); i++) {
      const bool accepted = runs[c].rejected.count(runs[c].files[i]) == 0;
      if (accepted != runs[c].offered[i])
        differences.insert(std::string(runs[c].offered[i] ? "+ " : "- ") +
                           overloads[i].prototype + " " + kConfigurations[c].label);
    }
  }
  const char *root = std::getenv("TESSALY_SOURCE_DIR");
  const std::set<std::string> expected = expected_differences(
      std::string(root != nullptr ? root : ".") +
      "/tests/shadercompiler/builtin_availability_differences.txt");
  for (const std::string &d : differences)
    EXPECT_TRUE(expected.count(d)) << "unlisted difference: " << d;
  for (const std::string &e : expected)
    EXPECT_TRUE(differences.count(e)) << "listed but not seen: " << e;
  ralloc_free(ctx);
}

}  // namespace
