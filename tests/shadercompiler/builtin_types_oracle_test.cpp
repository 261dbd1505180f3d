// The built-in type names a shader of GLSL ES 1.00, GLSL 1.10 or 1.20 sees,
// checked against an independent GLSL front end: each name is declared in a
// tiny shader and glslangValidator says whether it compiles.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtin_type_table.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "temp_dir.h"
#include "tests/support/requirements.h"

namespace {

bool validator_accepts(const tessaly::test::TempDir &dir, const std::string &name,
                       bool es, unsigned version) {
  std::string source = "#version " + std::to_string(version) + "\n";
  if (es) source += "precision mediump float;\n";
  source += "uniform " + name + " u_probe;\nvoid main() {}\n";
  std::string path = dir.file("probe.frag");
  tessaly::test::writeFile(path, source);
  std::string command = "glslangValidator " + path + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::set<std::string> all_names() {
  std::set<std::string> names;
  for (const glsl_type &t : builtin_numeric_and_opaque_types()) names.insert(t.name);
  for (const glsl_type &t : builtin_record_types()) names.insert(t.name);
  names.erase("error");
  return names;
}

// Where the two front ends differ, and why: void is a type name (the table
// enters it like the others, for function return types) but no variable can
// have it, so no declaration of it compiles anywhere.
const std::set<std::string> kOnlyInOurTable = {"void"};

void compare_with_validator(bool es, unsigned version) {
  if (!tessaly::test::programInstalled("glslangValidator"))
    TESSALY_SKIP_OR_FAIL("glslangValidator is not installed");
  tessaly::test::TempDir dir;
  void *ctx = ralloc_context(nullptr);
  auto *state = new (ctx) glsl_parse_state(SHC_SHADER_FRAGMENT, es, version);
  add_builtin_types(state);
  for (const std::string &name : all_names()) {
    bool ours = state->symbols->get_type(name.c_str()) != nullptr;
    bool theirs = validator_accepts(dir, name, es, version);
    bool expected_theirs = ours && !kOnlyInOurTable.count(name);
    EXPECT_EQ(theirs, expected_theirs)
        << name << " in " << (es ? "ES " : "") << version
        << (ours ? " (entered by us)" : " (not entered by us)");
  }
  ralloc_free(ctx);
}

TEST(BuiltinTypesOracleTest, Es100) { compare_with_validator(true, 100); }

TEST(BuiltinTypesOracleTest, Desktop110) { compare_with_validator(false, 110); }

TEST(BuiltinTypesOracleTest, Desktop120) { compare_with_validator(false, 120); }

}  // namespace
