// Constant expressions folded by the front end (constructors, swizzles,
// operators, built-in calls, ?: and array sizes) against the constants
// `glslangValidator -i` prints for the same shaders: each expression is
// stored in a global, whose assignment both sides fold to a constant. Values
// agree within 1e-6 absolute plus 1e-6 relative (the validator prints six
// decimals).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "compile.h"
#include "glslang_oracle.h"
#include "shadercompiler/ir/ir.h"

namespace {

struct constant_case {
  const char *type;  // of the global that receives the value
  const char *expression;
  bool es;  // valid in GLSL ES 1.00 too (all are valid in GLSL 1.20)
  // The built-in library's asin and acos are the series its bodies are
  // written with (within 3e-4 of the true value, as on a GPU); folding runs
  // those bodies, where the validator folds with the C library.
  double tolerance = 1e-6;
};

const constant_case kCases[] = {
    // Constructors.
    {"vec4", "vec4(1.0, 2.0, vec2(3.0, 4.0))", true},
    {"vec4", "vec4(vec3(0.5), -1.5)", true},
    {"vec3", "vec3(vec4(1.0, 2.0, 3.0, 4.0))", true},
    {"vec2", "vec2(7.25)", true},
    {"ivec3", "ivec3(vec3(1.5, -2.5, 3.9))", true},
    {"ivec2", "ivec2(true, false)", true},
    {"bvec3", "bvec3(0.0, 0.5, -2.0)", true},
    {"bvec2", "bvec2(ivec2(0, 3))", true},
    {"vec3", "vec3(bvec3(true, false, true))", true},
    {"vec4", "vec4(ivec4(1, -2, 3, -4))", true},
    {"float", "float(ivec2(3, 4))", true},
    {"float", "float(true)", true},
    {"int", "int(-2.7)", true},
    {"int", "int(2.99)", true},
    {"bool", "bool(0.1)", true},
    {"bool", "bool(0)", true},
    {"mat2", "mat2(1.0, 2.0, 3.0, 4.0)", true},
    {"mat2", "mat2(2.5)", true},
    {"mat3", "mat3(vec3(1.0), vec3(2.0), vec3(3.0))", true},
    {"mat3", "mat3(mat2(1.0, 2.0, 3.0, 4.0))", true},
    {"mat2", "mat2(mat4(1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, 10.0, 11.0, 12.0, 13.0, 14.0, 15.0, 16.0))", true},
    {"mat4", "mat4(mat3(2.0))", true},
    {"mat2", "mat2(vec3(1.0, 2.0, 3.0), 4.0)", true},
    {"vec4", "vec4(mat2(1.0, 2.0, 3.0, 4.0))", true},
    {"vec3", "vec3(mat2(5.0, 6.0, 7.0, 8.0))", true},
    {"mat3", "mat3(1, 2, 3, 4, 5, 6, 7, 8, true)", true},
    {"mat2x3", "mat2x3(1.0, 2.0, 3.0, 4.0, 5.0, 6.0)", false},
    {"mat3x2", "mat3x2(mat4(2.0))", false},
    {"mat4x2", "mat4x2(vec4(1.0), vec4(2.0))", false},
    {"mat2x4", "mat2x4(3.0)", false},
    {"mat3", "mat3(mat2x3(1.0, 2.0, 3.0, 4.0, 5.0, 6.0))", false},
    // Swizzles and indexing.
    {"vec4", "vec4(1.0, 2.0, 3.0, 4.0).wzyx", true},
    {"vec4", "vec4(1.0, 2.0, 3.0, 4.0).xxyy", true},
    {"vec3", "vec4(1.0, 2.0, 3.0, 4.0).stp", true},
    {"vec2", "vec3(1.0, 2.0, 3.0).zx.yx", true},
    {"float", "vec3(1.0, 2.0, 3.0).zx.y", true},
    {"ivec2", "ivec4(5, 6, 7, 8).ag", true},
    {"bvec2", "bvec3(true, false, true).zy", true},
    {"float", "vec3(4.0, 5.0, 6.0)[2]", true},
    {"vec2", "mat2(1.0, 2.0, 3.0, 4.0)[1]", true},
    {"float", "mat3(2.0)[1][1]", true},
    {"float", "float[3](1.0, 2.0, 3.0)[1]", false},
    // Operators.
    {"vec3", "vec3(1.0, 2.0, 3.0) * 2.0 + 1.0", true},
    {"vec2", "2.0 / vec2(4.0, 8.0) - vec2(0.5)", true},
    {"ivec3", "ivec3(7, -7, 9) / 2", true},
    {"ivec2", "ivec2(3, 4) * ivec2(5, -6) + 1", true},
    {"vec2", "-vec2(1.0, -2.0)", true},
    {"mat2", "mat2(1.0, 2.0, 3.0, 4.0) * mat2(5.0, 6.0, 7.0, 8.0)", true},
    {"vec2", "mat2(1.0, 2.0, 3.0, 4.0) * vec2(1.0, 1.0)", true},
    {"vec2", "vec2(1.0, 1.0) * mat2(1.0, 2.0, 3.0, 4.0)", true},
    {"vec3", "vec3(1.0, 2.0, 3.0) * mat3(2.0)", true},
    {"mat3", "mat3(2.0) + mat3(1.0) * 0.5 - 1.0", true},
    {"mat2", "mat2(4.0) / mat2(1.0, 2.0, 2.0, 4.0)", true},
    {"mat2", "mat3x2(1.0, 2.0, 3.0, 4.0, 5.0, 6.0) * mat2x3(1.0, 0.0, 1.0, 0.0, 1.0, 0.0)", false},
    {"vec2", "mat3x2(1.0, 2.0, 3.0, 4.0, 5.0, 6.0) * vec3(1.0, 2.0, 3.0)", false},
    {"bool", "1.0 < 2.0", true},
    {"bool", "3 >= 4", true},
    {"bool", "vec2(1.0, 2.0) == vec2(1.0, 2.0)", true},
    {"bool", "mat2(1.0) != mat2(1.0, 0.0, 0.0, 1.0)", true},
    {"bool", "true && !false", true},
    {"bool", "true ^^ true", true},
    {"bool", "false || 1 == 1", true},
    {"float", "2.0 + 3 * 1.5", false},
    {"vec2", "vec2(1.0) + ivec2(2, 3)", false},
    {"bool", "2 < 2.5", false},
    // ?: with a constant condition.
    {"vec2", "true ? vec2(1.0) : vec2(2.0)", true},
    {"float", "(1.0 < 2.0) ? 3.0 : 4.0", true},
    {"ivec2", "false ? ivec2(1) : ivec2(2, 3)", true},
    {"mat2", "(2 > 3) ? mat2(1.0) : mat2(3.0)", true},
    {"float", "true ? (false ? 1.0 : 2.0) : 3.0", true},
    // Array sizes.
    {"int", "int[int(sqrt(16.0)) + 1](1, 2, 3, 4, 5).length()", false},
    {"int", "float[2 * 3 - 1](1.0, 2.0, 3.0, 4.0, 5.0).length()", false},
    // Built-in calls.
    {"vec2", "sin(vec2(0.5, 1.0))", true},
    {"vec2", "cos(vec2(0.5, -3.0))", true},
    {"float", "tan(0.75)", true},
    {"float", "asin(0.5)", true, 3e-4},
    {"float", "acos(-0.25)", true, 3e-4},
    {"float", "atan(2.0)", true},
    {"vec2", "atan(vec2(1.0, -1.0), vec2(-2.0, -0.5))", true},
    {"vec3", "radians(vec3(180.0, 90.0, -45.0))", true},
    {"float", "degrees(1.0)", true},
    {"vec2", "pow(vec2(2.0, 9.0), vec2(10.0, 0.5))", true},
    {"float", "exp(1.5)", true},
    {"float", "log(10.0)", true},
    {"float", "exp2(-3.5)", true},
    {"float", "log2(48.0)", true},
    {"vec2", "sqrt(vec2(2.0, 144.0))", true},
    {"float", "inversesqrt(3.0)", true},
    {"vec3", "abs(vec3(-1.5, 0.0, 2.5))", true},
    {"vec3", "sign(vec3(-1.5, 0.0, 2.5))", true},
    {"vec3", "floor(vec3(-1.5, 0.5, 2.5))", true},
    {"vec3", "ceil(vec3(-1.5, 0.5, 2.5))", true},
    {"vec3", "fract(vec3(-1.25, 0.5, 2.75))", true},
    {"vec2", "mod(vec2(7.5, -7.5), 2.0)", true},
    {"vec2", "mod(vec2(7.5, 5.0), vec2(-2.0, 3.0))", true},
    {"vec2", "min(vec2(1.0, 5.0), vec2(3.0, 2.0))", true},
    {"vec2", "max(vec2(1.0, 5.0), 3.0)", true},
    {"vec3", "clamp(vec3(-1.0, 0.5, 2.0), 0.0, 1.0)", true},
    {"vec2", "clamp(vec2(-1.0, 5.0), vec2(0.0, 1.0), vec2(0.5, 2.0))", true},
    {"vec3", "mix(vec3(0.0, 1.0, 2.0), vec3(10.0), 0.25)", true},
    {"vec2", "mix(vec2(0.0, 1.0), vec2(4.0, 5.0), vec2(0.5, 0.75))", true},
    {"vec2", "step(0.5, vec2(0.2, 0.7))", true},
    {"vec2", "step(vec2(1.0, 2.0), vec2(1.5, 1.5))", true},
    {"vec2", "smoothstep(0.0, 2.0, vec2(0.5, 1.5))", true},
    {"vec3", "smoothstep(vec3(0.0), vec3(1.0, 2.0, 4.0), vec3(0.25, 1.0, 5.0))", true},
    {"float", "length(vec3(2.0, 3.0, 6.0))", true},
    {"float", "distance(vec2(1.0, 1.0), vec2(4.0, 5.0))", true},
    {"float", "dot(vec4(1.0, 2.0, 3.0, 4.0), vec4(5.0, 6.0, 7.0, 8.0))", true},
    {"vec3", "cross(vec3(1.0, 2.0, 3.0), vec3(4.0, 5.0, 6.0))", true},
    {"vec3", "normalize(vec3(3.0, 0.0, 4.0))", true},
    {"vec3", "faceforward(vec3(1.0, 2.0, 3.0), vec3(0.0, 0.0, 1.0), vec3(0.0, 1.0, 0.0))", true},
    {"vec3", "reflect(vec3(1.0, -1.0, 0.0), vec3(0.0, 1.0, 0.0))", true},
    {"vec3", "refract(vec3(0.6, -0.8, 0.0), vec3(0.0, 1.0, 0.0), 0.5)", true},
    {"vec2", "refract(vec2(0.8, -0.6), vec2(0.0, 1.0), 1.8)", true},
    {"mat2", "matrixCompMult(mat2(1.0, 2.0, 3.0, 4.0), mat2(2.0))", true},
    {"bvec3", "lessThan(vec3(1.0, 2.0, 3.0), vec3(2.0))", true},
    {"bvec3", "lessThanEqual(ivec3(1, 2, 3), ivec3(2))", true},
    {"bvec2", "greaterThan(vec2(1.0, 3.0), vec2(2.0))", true},
    {"bvec2", "greaterThanEqual(vec2(2.0, 1.0), vec2(2.0))", true},
    {"bvec3", "equal(vec3(1.0, 2.0, 3.0), vec3(1.0, 0.0, 3.0))", true},
    {"bvec2", "notEqual(bvec2(true, false), bvec2(true, true))", true},
    {"bool", "any(bvec3(false, true, false))", true},
    {"bool", "all(bvec2(true, false))", true},
    {"bvec4", "not(bvec4(true, false, true, false))", true},
    {"mat3x2", "outerProduct(vec2(1.0, 2.0), vec3(3.0, 4.0, 5.0))", false},
    {"mat2x3", "transpose(mat3x2(1.0, 2.0, 3.0, 4.0, 5.0, 6.0))", false},
    {"mat3", "transpose(mat3(1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0))", false},
    // Built-in calls inside other constant expressions.
    {"float", "sqrt(16.0) + max(1.0, 2.0) * dot(vec2(1.0), vec2(2.0))", true},
    {"vec3", "normalize(cross(vec3(1.0, 0.0, 0.0), vec3(0.0, 1.0, 1.0))) * 2.0", true},
    {"float", "length(vec2(3.0, 4.0)) > 4.5 ? exp2(2.0) : 0.0", true},
    {"ivec2", "ivec2(floor(vec2(2.5, -2.5) * 3.0))", true},
};

std::string shader(const constant_case &c, bool es) {
  std::string text = es ? "#version 100\nprecision highp float;\n" : "#version 120\n";
  text += std::string(c.type) + " r;\nvoid main() {\n  r = " + c.expression +
          ";\n  gl_Position = vec4(0.0);\n}\n";
  return text;
}

// Our folded value: the constant assigned to r in main.
bool our_value(const std::string &text, std::vector<double> *values, std::string *log) {
  shctest::shader_ptr s = shctest::compile(text, SHC_SHADER_VERTEX);
  *log = s->InfoLog;
  if (!s->CompileStatus) return false;
  foreach_in_list(ir_instruction, ir, s->ir) {
    ir_function *f = ir->as_function();
    if (f == nullptr || std::strcmp(f->name, "main") != 0) continue;
    auto *main = static_cast<ir_function_signature *>(f->signatures.get_head());
    foreach_in_list(ir_instruction, statement, &main->body) {
      ir_assignment *a = statement->as_assignment();
      if (a == nullptr || std::strcmp(a->lhs->variable_referenced()->name, "r") != 0) continue;
      ir_constant *c = a->rhs->as_constant();
      if (c == nullptr) {
        *log = "not folded";
        return false;
      }
      std::function<void(const ir_constant *)> flatten = [&](const ir_constant *k) {
        if (k->type->is_array()) {
          for (unsigned i = 0; i < k->type->length; i++) flatten(k->array_elements[i]);
          return;
        }
        for (unsigned i = 0; i < k->type->components(); i++) {
          switch (k->type->base_type) {
            case GLSL_TYPE_FLOAT: values->push_back(k->value.f[i]); break;
            case GLSL_TYPE_INT: values->push_back(k->value.i[i]); break;
            case GLSL_TYPE_BOOL: values->push_back(k->value.b[i] ? 1 : 0); break;
            default: break;
          }
        }
      };
      flatten(c);
      return true;
    }
  }
  *log = "no assignment to r";
  return false;
}

// The validator's folded value: the Constant node below the assignment to r.
bool their_value(const std::string &tree, std::vector<double> *values) {
  std::istringstream in(tree);
  std::string line;
  bool in_assignment = false, in_constant = false;
  while (std::getline(in, line)) {
    const size_t colon = line.find(':');
    const size_t body = line.find_first_not_of(' ', line.find(' ', colon));
    if (body == std::string::npos) continue;
    const std::string text = line.substr(body);
    if (in_constant) {
      std::istringstream word(text);
      std::string token;
      word >> token;
      if (token == "true" || token == "false") {
        values->push_back(token == "true" ? 1 : 0);
        continue;
      }
      char *end = nullptr;
      const double v = std::strtod(token.c_str(), &end);
      if (end != token.c_str() && *end == '\0') {
        values->push_back(v);
        continue;
      }
      return !values->empty();
    }
    if (in_assignment) {
      if (text.rfind("Constant:", 0) == 0) in_constant = true;
      else in_assignment = text.rfind("'r' (", 0) == 0;
      continue;
    }
    in_assignment = text.rfind("move second child to first child", 0) == 0;
  }
  return !values->empty();
}

TEST(FrontendConstantsTest, FoldedConstantsEqualTheValidators) {
  ASSERT_TRUE(shctest::glslang_available()) << "glslangValidator (glslang-tools) is needed";
  std::vector<shctest::oracle_shader> shaders;
  std::vector<std::pair<const constant_case *, bool>> which;
  for (const constant_case &c : kCases) {
    for (bool es : {false, true}) {
      if (es && !c.es) continue;
      shaders.push_back({"c" + std::to_string(shaders.size()) + ".vert", shader(c, es)});
      which.push_back({&c, es});
    }
  }
  const std::vector<std::optional<std::string>> trees =
      shctest::glslang_intermediate(shaders, shctest::glslang_limits(shctest::default_context()));
  size_t compared = 0;
  for (size_t i = 0; i < shaders.size(); i++) {
    const std::string name = std::string(which[i].first->expression) + (which[i].second ? " (ES)" : "");
    std::vector<double> ours, theirs;
    std::string log;
    ASSERT_TRUE(our_value(shaders[i].text, &ours, &log)) << name << ": " << log;
    ASSERT_TRUE(trees[i].has_value()) << name << ": the validator refuses it";
    if (!their_value(*trees[i], &theirs)) continue;  // the validator does not fold it
    ASSERT_EQ(ours.size(), theirs.size()) << name;
    for (size_t k = 0; k < ours.size(); k++)
      EXPECT_NEAR(ours[k], theirs[k], which[i].first->tolerance + 1e-6 * std::fabs(theirs[k]))
          << name << " [" << k << "]";
    compared++;
  }
  EXPECT_GT(compared, 200u);
}

}  // namespace
