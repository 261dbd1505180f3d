// A test-only interpreter of a compiled shader's IR: runs main on given
// inputs and uniforms and reports the outputs, so that tests can check what
// translated (or optimised) IR computes.
//
// Statements, loops, calls (user functions and the built-in bodies copied
// into the shader) and discard are executed here; expressions are valued
// by the IR's own constant_expression_value with a context that maps each
// variable to its current value; texture lookups return a fixed function of
// their coordinates (`texels`). The interpreter works on its own copy of
// the IR, so the shader is left as it was.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "shadercompiler/ir/ir.h"

namespace shctest {

// One texture lookup as the shader asked for it.
struct texture_lookup {
  std::string sampler;  // the sampler variable's name
  int element = 0;      // the element of a sampler array
  const glsl_type *sampler_type = nullptr;
  ir_texture_opcode op = ir_tex;
  std::vector<float> coordinate;  // as passed: a projective one undivided
  float lod = 0.0f;               // the bias or level, 0 when there is none
};

using texel_function = std::function<std::array<float, 4>(const texture_lookup &)>;

// The default lookup: (x / 2 + 1/4, y / 4 + 1/2, z / 8 + lod / 16, 1) of
// the coordinate after the projective division; shadow samplers give 1
// where the reference is at most 0.5, else 0.
std::array<float, 4> default_texels(const texture_lookup &lookup);

class shader_interpreter {
 public:
  // `instructions` is a compiled shader's IR (gl_shader::ir).
  explicit shader_interpreter(exec_list *instructions);
  ~shader_interpreter();
  shader_interpreter(const shader_interpreter &) = delete;
  shader_interpreter &operator=(const shader_interpreter &) = delete;

  // Gives a top-level variable (input, uniform, global) its value for the
  // next runs: components in order (matrices column by column, arrays
  // element by element, structures field by field), converted to the
  // variable's base types. False when there is no such variable or the
  // count does not fit.
  bool set(const std::string &name, const std::vector<double> &components);

  // Runs main; false, with `error()` saying why, when the run cannot
  // complete (an unsupported node, more than `max_steps` statements).
  bool run();

  // The components of a top-level variable after the run, in the order of
  // `set`; empty when there is no such variable.
  std::vector<double> get(const std::string &name) const;

  const std::string &error() const { return error_; }
  bool discarded() const { return discarded_; }
  // Calls of each user and built-in function made by the last run.
  const std::map<std::string, unsigned> &calls() const { return calls_; }

  texel_function texels = default_texels;
  unsigned max_steps = 200000;

 private:
  enum class flow { next, break_loop, continue_loop, returned, discarded, failed };

  flow execute(exec_list *list);
  flow statement(ir_instruction *ir);
  flow call(ir_call *c);
  bool assign(ir_dereference *lhs, ir_constant *value, unsigned mask);
  ir_constant *evaluate(ir_rvalue *value);
  ir_constant *lookup(ir_texture *t);
  bool has_lookup(ir_rvalue *value);
  void bind(ir_variable *var, ir_constant *value);
  ir_constant *initial_value(ir_variable *var);
  flow fail(const std::string &message);
  bool sampler_of(ir_rvalue *deref, std::pair<std::string, int> *sampler);

  void *mem_;
  exec_list ir_;
  hash_table *values_;
  std::map<std::string, ir_variable *> globals_;
  std::map<ir_variable *, ir_constant *> settings_;
  std::map<ir_rvalue *, bool> lookups_;
  std::map<std::string, unsigned> calls_;
  // Sampler parameters stand for the sampler (and element) passed in.
  std::map<ir_variable *, std::pair<std::string, int>> samplers_;
  ir_constant *returned_ = nullptr;
  std::string error_;
  bool discarded_ = false;
  unsigned steps_ = 0;
};

}  // namespace shctest
