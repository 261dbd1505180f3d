// glslangValidator as an independent GLSL front end for the compiler's
// tests: verdicts, preprocessed text and folded constants for many shaders
// at once, run in batches side by side. The validator must be installed
// (Debian glslang-tools); a test that needs it fails when it is not.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct gl_context;

namespace shctest {

struct oracle_shader {
  std::string name;  // unique, ending in .vert or .frag
  std::string text;
};

struct oracle_verdict {
  bool accepted = false;
  int first_error_line = 0;  // 0 when there is none
  std::string messages;      // the validator's lines for this shader
};

// Whether glslangValidator can be run.
bool glslang_available();

// The validator's resource configuration with the limits of `ctx` in place
// of its defaults.
std::string glslang_limits(const gl_context &ctx);

// Compiles every shader; `limits` is the text of a .conf file (or empty).
std::vector<oracle_verdict> glslang_validate(const std::vector<oracle_shader> &shaders,
                                             const std::string &limits);

// `glslangValidator -E` of every shader: its preprocessed text, or nothing
// when the validator refuses it.
std::vector<std::optional<std::string>> glslang_preprocess(
    const std::vector<oracle_shader> &shaders);

// `glslangValidator -i` of every shader: the intermediate tree it prints,
// or nothing when it refuses the shader.
std::vector<std::optional<std::string>> glslang_intermediate(
    const std::vector<oracle_shader> &shaders, const std::string &limits);

// `glslangValidator -l -q` of every vertex and fragment pair linked as one
// program: its reflection text, or nothing when it refuses either shader
// or the link.
struct oracle_pair {
  std::string vertex;
  std::string fragment;
};
std::vector<std::optional<std::string>> glslang_reflect(const std::vector<oracle_pair> &pairs,
                                                        const std::string &limits);

}  // namespace shctest
