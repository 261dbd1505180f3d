#include "backend_harness.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "compile.h"
#include "shadercompiler/ir/ir.h"

namespace shctest {

unsigned component_count(const glsl_type *t) {
  if (t->is_array()) return t->length * component_count(t->fields.array);
  if (t->is_record()) {
    unsigned n = 0;
    for (unsigned i = 0; i < t->length; i++) n += component_count(t->fields.structure[i].type);
    return n;
  }
  if (t->is_sampler()) return 0;
  return t->components();
}

bool interpretable(exec_list *instructions) {
  foreach_in_list(ir_instruction, ir, instructions) {
    ir_variable *var = ir->as_variable();
    if (var == nullptr) continue;
    const glsl_type *t = var->type;
    while (t->is_array()) t = t->fields.array;
    if (t->is_record() && t->contains_opaque()) return false;
  }
  return true;
}

input_values inputs_for(exec_list *instructions, unsigned seed) {
  input_values values;
  uint32_t state = seed * 2654435761u + 1;
  auto next = [&] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  foreach_in_list(ir_instruction, ir, instructions) {
    ir_variable *var = ir->as_variable();
    if (var == nullptr || var->name == nullptr) continue;
    if (var->data.mode != ir_var_uniform && var->data.mode != ir_var_shader_in) continue;
    const unsigned n = component_count(var->type);
    if (n == 0) continue;
    const glsl_type *base = var->type;
    while (base->is_array()) base = base->fields.array;
    std::vector<double> v;
    for (unsigned i = 0; i < n; i++) {
      const uint32_t r = next();
      // Integers often index arrays: GL leaves an index out of range
      // undefined, and the interpreters differ there.
      if (base->is_boolean()) v.push_back(r & 1);
      else if (base->is_integer()) v.push_back(r % 3);
      else if ((r & 3) == 0) v.push_back(static_cast<int>(r % 9) - 4);
      else v.push_back((static_cast<int>(r % 257) - 128) / 32.0);
    }
    values.emplace_back(var->name, v);
  }
  return values;
}

outcome interpret(exec_list *instructions, const input_values &inputs,
                  const texel_function &texels) {
  outcome o;
  shader_interpreter run(instructions);
  run.texels = texels;
  for (const auto &[name, value] : inputs) run.set(name, value);
  o.ran = run.run();
  o.error = run.error();
  o.discarded = run.discarded();
  foreach_in_list(ir_instruction, ir, instructions) {
    ir_variable *var = ir->as_variable();
    if (var != nullptr && var->name != nullptr && var->data.mode == ir_var_shader_out)
      o.outputs[var->name] = run.get(var->name);
  }
  return o;
}

std::string compare_bits(const outcome &a, const outcome &b) {
  if (!a.ran || !b.ran) return "a run failed: " + a.error + " / " + b.error;
  if (a.discarded != b.discarded) return "one run discarded";
  for (const auto &[name, values] : a.outputs) {
    auto it = b.outputs.find(name);
    if (it == b.outputs.end()) return "no output " + name;
    if (it->second.size() != values.size()) return "sizes of " + name;
    for (size_t i = 0; i < values.size(); i++) {
      const double x = values[i], y = it->second[i];
      if (std::isnan(x) && std::isnan(y)) continue;
      if (std::memcmp(&x, &y, sizeof x) != 0)
        return name + "[" + std::to_string(i) + "]: " + std::to_string(x) + " and " +
               std::to_string(y);
    }
  }
  return "";
}

std::vector<corpus_case> backend_shaders() {
  const char *root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string file =
      std::string(root != nullptr ? root : ".") + "/tests/shadercompiler/backend_shaders.cases";
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return parse_corpus("backend", text.str());
}

std::vector<corpus_case> valid_corpus(unsigned every) {
  std::vector<corpus_case> cases = backend_shaders();
  for (corpus_case &c : read_corpus(corpus_folder()))
    if (c.valid) cases.push_back(std::move(c));
  for (corpus_case &c : generated_corpus(every)) {
    if (!c.valid) continue;
    shader_ptr s = compile(c.text, c.stage);
    if (s->CompileStatus) cases.push_back(std::move(c));
  }
  return cases;
}

namespace {

unsigned count_list(exec_list *list) {
  unsigned n = 0;
  foreach_in_list(ir_instruction, ir, list) {
    n++;
    if (ir_if *i = ir->as_if())
      n += count_list(&i->then_instructions) + count_list(&i->else_instructions);
    else if (ir_loop *l = ir->as_loop())
      n += count_list(&l->body_instructions);
    else if (ir_function *f = ir->as_function())
      foreach_in_list(ir_function_signature, sig, &f->signatures) n += count_list(&sig->body);
  }
  return n;
}

}  // namespace

unsigned statement_count(exec_list *instructions) { return count_list(instructions); }

}  // namespace shctest
