// The built-in library's availability sweep rerun through the front end:
// for every overload and each of GLSL ES 1.00 and GLSL 1.20, vertex and
// fragment, with and without the extensions their shaders use, a shader
// making that one call is compiled. Our verdict follows the overload's
// predicate for the state the front end builds (and fails only where a
// parameter type cannot be declared in the language); where it differs from
// glslangValidator's, builtin_availability_differences.txt (the library's
// own fixture) or frontend_availability_differences.txt lists why. A fixed
// sample of the overloads runs in the suite, all with TESSALY_FULL_SWEEP=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "builtin_calls.h"
#include "builtin_catalogue.h"
#include "compile.h"
#include "corpus.h"
#include "glslang_oracle.h"
#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

struct configuration {
  const char *label;  // as in the fixtures
  bool es;
  gl_shader_stage stage;
  bool extensions;
};

const configuration kConfigurations[] = {
    {"100v", true, SHC_SHADER_VERTEX, false},   {"100f", true, SHC_SHADER_FRAGMENT, false},
    {"120v", false, SHC_SHADER_VERTEX, false},  {"120f", false, SHC_SHADER_FRAGMENT, false},
    {"100v+ext", true, SHC_SHADER_VERTEX, true}, {"100f+ext", true, SHC_SHADER_FRAGMENT, true},
    {"120v+ext", false, SHC_SHADER_VERTEX, true}, {"120f+ext", false, SHC_SHADER_FRAGMENT, true},
};

const char *const kEsExtensions[] = {"GL_OES_standard_derivatives", "GL_EXT_shader_texture_lod",
                                     "GL_EXT_shadow_samplers", "GL_OES_texture_3D",
                                     "GL_OES_EGL_image_external"};
const char *const kDesktopExtensions[] = {"GL_ARB_shader_texture_lod", "GL_ARB_texture_rectangle"};

// The converter's context with GL_EXT_shadow_samplers offered, as the
// validator offers it.
const gl_context &context() {
  static const gl_context ctx = [] {
    gl_context c = shctest::default_context();
    c.Extensions.EXT_shadow_samplers = true;
    return c;
  }();
  return ctx;
}

std::string one_call_shader(const char *name, const ir_function_signature *sig, const configuration &c) {
  std::vector<const char *> extensions;
  if (c.extensions) {
    if (c.es) extensions.assign(std::begin(kEsExtensions), std::end(kEsExtensions));
    else extensions.assign(std::begin(kDesktopExtensions), std::end(kDesktopExtensions));
  }
  return shctest::one_call_shader(name, sig, c.es ? 100 : 120, c.es, c.stage, extensions);
}

// What the predicates say for the state the front end builds from the
// shader's own #version and #extension lines, and whether every parameter
// type can be declared in that language.
bool expected_verdict(const std::string &text, const configuration &c, const ir_function_signature *sig) {
  void *mem = ralloc_context(nullptr);
  auto *state = new (mem) glsl_parse_state(c.stage, false, 110);
  state->ctx = &context();
  std::vector<glsl_pp_token> tokens;
  glsl_preprocess(state, text.c_str(), 1, &tokens);
  add_builtin_types(state);
  bool ok = sig->is_builtin_available(state);
  foreach_in_list(ir_variable, p, const_cast<exec_list *>(&sig->parameters)) {
    const glsl_type *t = p->type->is_array() ? p->type->fields.array : p->type;
    if (state->symbols->get_type(t->name) != t) ok = false;
  }
  if (!sig->return_type->is_void() && state->symbols->get_type(sig->return_type->name) != sig->return_type)
    ok = false;
  ralloc_free(mem);
  return ok;
}

std::set<std::string> listed(const std::string &file) {
  const char *root = std::getenv("TESSALY_SOURCE_DIR");
  std::ifstream in(std::string(root != nullptr ? root : ".") + "/tests/shadercompiler/" + file);
  std::set<std::string> expected;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t close = line.find(')');
    if (close == std::string::npos) continue;
    std::istringstream configs(line.substr(close + 1));
    std::string config;
    while (configs >> config) expected.insert(line.substr(0, close + 1) + " " + config);
  }
  return expected;
}

TEST(FrontendAvailabilityTest, CallsFollowThePredicatesAndTheValidatorAsListed) {
  ASSERT_TRUE(shctest::glslang_available()) << "glslangValidator (glslang-tools) is needed";
  builtin_builder::initialize();
  struct overload {
    std::string prototype;
    const char *name;
    const ir_function_signature *sig;
  };
  // A fixed sample of the overloads; every one in a full sweep.
  const unsigned step = shctest::sweep_step(4);
  std::vector<overload> overloads;
  unsigned index = 0;
  for (const char *name : builtin_catalogue::kNames) {
    ir_function *f = builtin_function_shader()->symbols->get_function(name);
    if (f == nullptr) continue;
    foreach_in_list(ir_function_signature, sig, &f->signatures) {
      if (index++ % step == 0) overloads.push_back({shctest::builtin_prototype(name, sig), name, sig});
    }
  }
  ASSERT_GT(overloads.size(), 1500u / step);

  struct call {
    std::string key;  // "+ proto config" form without the sign
    bool ours, expected;
  };
  std::vector<call> calls;
  std::vector<shctest::oracle_shader> shaders;
  for (const configuration &c : kConfigurations) {
    for (const overload &o : overloads) {
      const std::string text = one_call_shader(o.name, o.sig, c);
      shctest::shader_ptr s = shctest::compile(text, c.stage, context());
      calls.push_back({o.prototype + " " + c.label, s->CompileStatus, expected_verdict(text, c, o.sig)});
      shaders.push_back({"o" + std::to_string(shaders.size()) + (c.stage == SHC_SHADER_VERTEX ? ".vert" : ".frag"), text});
    }
  }
  const std::vector<shctest::oracle_verdict> theirs = shctest::glslang_validate(shaders, "");

  const std::set<std::string> library = listed("builtin_availability_differences.txt");
  const std::set<std::string> frontend = listed("frontend_availability_differences.txt");
  std::set<std::string> seen;
  size_t accepted = 0;
  for (size_t i = 0; i < calls.size(); i++) {
    EXPECT_EQ(calls[i].ours, calls[i].expected) << calls[i].key << "\n" << shaders[i].text;
    accepted += calls[i].ours;
    if (calls[i].ours == theirs[i].accepted) continue;
    const std::string difference = std::string(calls[i].ours ? "+ " : "- ") + calls[i].key;
    seen.insert(difference);
    EXPECT_TRUE(library.count(difference) || frontend.count(difference))
        << "unlisted difference: " << difference << "\n" << theirs[i].messages;
  }
  if (step == 1) {
    for (const std::string &f : frontend) EXPECT_TRUE(seen.count(f)) << "listed but not seen: " << f;
  }
  std::printf("availability: %zu calls, %zu accepted, %zu differences from the validator\n",
              calls.size(), accepted, seen.size());
  EXPECT_GT(accepted, 1000u / step);
}

}  // namespace
