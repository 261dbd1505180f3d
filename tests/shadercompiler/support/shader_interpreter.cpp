#include "shader_interpreter.h"

#include <cstring>

#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace shctest {
namespace {

void flatten(const ir_constant *c, std::vector<double> *out) {
  const glsl_type *t = c->type;
  if (t->is_record()) {
    foreach_in_list(ir_constant, field, const_cast<exec_list *>(&c->components)) flatten(field, out);
    return;
  }
  if (t->is_array()) {
    for (unsigned i = 0; i < t->length; i++) flatten(c->array_elements[i], out);
    return;
  }
  for (unsigned i = 0; i < t->components(); i++) {
    switch (t->base_type) {
      case GLSL_TYPE_FLOAT: out->push_back(c->value.f[i]); break;
      case GLSL_TYPE_INT: out->push_back(c->value.i[i]); break;
      case GLSL_TYPE_UINT: out->push_back(c->value.u[i]); break;
      case GLSL_TYPE_BOOL: out->push_back(c->value.b[i] ? 1.0 : 0.0); break;
      default: break;
    }
  }
}

bool unflatten(ir_constant *c, const std::vector<double> &in, size_t *pos) {
  const glsl_type *t = c->type;
  if (t->is_record()) {
    foreach_in_list(ir_constant, field, &c->components)
      if (!unflatten(field, in, pos)) return false;
    return true;
  }
  if (t->is_array()) {
    for (unsigned i = 0; i < t->length; i++)
      if (!unflatten(c->array_elements[i], in, pos)) return false;
    return true;
  }
  for (unsigned i = 0; i < t->components(); i++) {
    if (*pos >= in.size()) return false;
    const double v = in[(*pos)++];
    switch (t->base_type) {
      case GLSL_TYPE_FLOAT: c->value.f[i] = static_cast<float>(v); break;
      case GLSL_TYPE_INT: c->value.i[i] = static_cast<int>(v); break;
      case GLSL_TYPE_UINT: c->value.u[i] = static_cast<unsigned>(v); break;
      case GLSL_TYPE_BOOL: c->value.b[i] = v != 0.0; break;
      default: break;
    }
  }
  return true;
}

}  // namespace

std::array<float, 4> default_texels(const texture_lookup &lookup) {
  const glsl_type *t = lookup.sampler_type;
  const unsigned dims = t->sampler_coordinate_count();
  const unsigned shadow = t->sampler_shadow ? 1 : 0;
  std::vector<float> c = lookup.coordinate;
  if (c.size() > dims + shadow) {
    const float q = c.back();
    for (unsigned i = 0; i < dims + shadow; i++) c[i] /= q;
  }
  c.resize(4, 0.0f);
  if (shadow) {
    const float r = c[dims] <= 0.5f ? 1.0f : 0.0f;
    return {r, r, r, r};
  }
  return {c[0] / 2 + 0.25f, c[1] / 4 + 0.5f, c[2] / 8 + lookup.lod / 16, 1.0f};
}

shader_interpreter::shader_interpreter(exec_list *instructions)
    : mem_(ralloc_context(nullptr)),
      values_(hash_table_create(0, hash_table_pointer_hash, hash_table_pointer_compare)) {
  clone_ir_list(mem_, &ir_, instructions);
  foreach_in_list(ir_instruction, ir, &ir_) {
    if (ir_variable *v = ir->as_variable(); v != nullptr && v->name != nullptr)
      globals_[v->name] = v;
  }
}

shader_interpreter::~shader_interpreter() {
  hash_table_destroy(values_);
  ralloc_free(mem_);
}

bool shader_interpreter::set(const std::string &name, const std::vector<double> &components) {
  auto it = globals_.find(name);
  if (it == globals_.end()) return false;
  ir_constant *c = ir_constant::zero(mem_, it->second->type);
  size_t pos = 0;
  if (!unflatten(c, components, &pos) || pos != components.size()) return false;
  settings_[it->second] = c;
  return true;
}

std::vector<double> shader_interpreter::get(const std::string &name) const {
  std::vector<double> out;
  auto it = globals_.find(name);
  if (it == globals_.end()) return out;
  auto *c = static_cast<ir_constant *>(hash_table_find(values_, it->second));
  if (c != nullptr) flatten(c, &out);
  return out;
}

shader_interpreter::flow shader_interpreter::fail(const std::string &message) {
  if (error_.empty()) error_ = message;
  return flow::failed;
}

void shader_interpreter::bind(ir_variable *var, ir_constant *value) {
  hash_table_replace(values_, value->clone(mem_, nullptr), var);
}

ir_constant *shader_interpreter::initial_value(ir_variable *var) {
  auto it = settings_.find(var);
  if (it != settings_.end()) return it->second;
  if (var->constant_value != nullptr) return var->constant_value;
  return ir_constant::zero(mem_, var->type);
}

bool shader_interpreter::run() {
  error_.clear();
  discarded_ = false;
  steps_ = 0;
  calls_.clear();
  ir_function_signature *main = nullptr;
  foreach_in_list(ir_instruction, ir, &ir_) {
    if (ir_variable *v = ir->as_variable()) bind(v, initial_value(v));
    ir_function *f = ir->as_function();
    if (f == nullptr || std::strcmp(f->name, "main") != 0) continue;
    foreach_in_list(ir_function_signature, sig, &f->signatures)
      if (sig->parameters.is_empty() && sig->is_defined) main = sig;
  }
  if (main == nullptr) return fail("the shader has no main") == flow::next;
  const flow f = execute(&main->body);
  if (f == flow::discarded) discarded_ = true;
  return f != flow::failed && error_.empty();
}

shader_interpreter::flow shader_interpreter::execute(exec_list *list) {
  foreach_in_list(ir_instruction, ir, list) {
    const flow f = statement(ir);
    if (f != flow::next) return f;
  }
  return flow::next;
}

shader_interpreter::flow shader_interpreter::statement(ir_instruction *ir) {
  if (++steps_ > max_steps) return fail("more than the allowed number of statements");
  switch (ir->ir_type) {
    case ir_type_variable:
      bind(ir->as_variable(), initial_value(ir->as_variable()));
      return flow::next;
    case ir_type_function: case ir_type_precision: case ir_type_typedecl:
      return flow::next;
    case ir_type_assignment: {
      ir_assignment *a = ir->as_assignment();
      if (a->condition != nullptr) {
        ir_constant *c = evaluate(a->condition);
        if (c == nullptr) return flow::failed;
        if (!c->value.b[0]) return flow::next;
      }
      ir_constant *value = evaluate(a->rhs);
      if (value == nullptr || !assign(a->lhs, value, a->write_mask)) return flow::failed;
      return flow::next;
    }
    case ir_type_call: return call(ir->as_call());
    case ir_type_if: {
      ir_if *branch = ir->as_if();
      ir_constant *c = evaluate(branch->condition);
      if (c == nullptr) return flow::failed;
      return execute(c->value.b[0] ? &branch->then_instructions : &branch->else_instructions);
    }
    case ir_type_loop:
      while (true) {
        const flow f = execute(&ir->as_loop()->body_instructions);
        if (f == flow::break_loop) return flow::next;
        if (f == flow::next || f == flow::continue_loop) continue;
        return f;
      }
    case ir_type_loop_jump:
      return ir->as_loop_jump()->mode == ir_loop_jump::jump_break ? flow::break_loop
                                                                  : flow::continue_loop;
    case ir_type_return: {
      ir_return *r = ir->as_return();
      returned_ = nullptr;
      if (r->value != nullptr) {
        ir_constant *c = evaluate(r->value);
        if (c == nullptr) return flow::failed;
        returned_ = c->clone(mem_, nullptr);
      }
      return flow::returned;
    }
    case ir_type_discard: {
      ir_discard *d = ir->as_discard();
      if (d->condition != nullptr) {
        ir_constant *c = evaluate(d->condition);
        if (c == nullptr) return flow::failed;
        if (!c->value.b[0]) return flow::next;
      }
      return flow::discarded;
    }
    default:
      return fail("unexpected statement of type " + std::to_string(ir->ir_type));
  }
}

// Arguments are valued before the call; out and inout parameters are copied
// to their arguments (the front end's temporaries) after it, in order.
shader_interpreter::flow shader_interpreter::call(ir_call *c) {
  ir_function_signature *sig = c->callee;
  calls_[sig->function_name()]++;
  if (sig->is_intrinsic || !sig->is_defined) return fail(std::string("cannot run ") + sig->function_name());
  std::vector<ir_constant *> arguments;
  foreach_two_lists(p_node, &sig->parameters, a_node, &c->actual_parameters) {
    auto *p = static_cast<ir_variable *>(p_node);
    if (p->data.mode == ir_var_function_out) {
      arguments.push_back(ir_constant::zero(mem_, p->type));
      continue;
    }
    if (p->type->is_sampler()) {
      if (!sampler_of(static_cast<ir_rvalue *>(a_node), &samplers_[p])) return flow::failed;
      arguments.push_back(nullptr);
      continue;
    }
    ir_constant *v = evaluate(static_cast<ir_rvalue *>(a_node));
    if (v == nullptr) return flow::failed;
    arguments.push_back(v->clone(mem_, nullptr));
  }
  size_t i = 0;
  foreach_in_list(ir_variable, p, &sig->parameters) {
    if (arguments[i] != nullptr) bind(p, arguments[i]);
    i++;
  }
  returned_ = nullptr;
  const flow f = execute(&sig->body);
  if (f == flow::failed || f == flow::discarded) return f;
  ir_constant *result = returned_;
  foreach_two_lists(p_node, &sig->parameters, a_node, &c->actual_parameters) {
    auto *p = static_cast<ir_variable *>(p_node);
    if (p->data.mode != ir_var_function_out && p->data.mode != ir_var_function_inout) continue;
    auto *value = static_cast<ir_constant *>(hash_table_find(values_, p));
    auto *target = static_cast<ir_rvalue *>(a_node)->as_dereference();
    if (target == nullptr || !assign(target, value, 0xF)) return fail("an out argument is no variable");
  }
  if (c->return_deref != nullptr) {
    if (result == nullptr) return fail(std::string(sig->function_name()) + " returned no value");
    if (!assign(c->return_deref, result, 0xF)) return flow::failed;
  }
  return flow::next;
}

bool shader_interpreter::assign(ir_dereference *lhs, ir_constant *value, unsigned mask) {
  ir_constant *store = nullptr;
  int offset = 0;
  if (!constant_referenced(lhs, values_, store, offset)) {
    fail("cannot find the target of an assignment");
    return false;
  }
  const glsl_type *t = lhs->type;
  if (t->is_scalar() || t->is_vector())
    store->copy_components_masked_at(value, static_cast<unsigned>(offset),
                                     mask & ((1u << t->vector_elements) - 1));
  else
    store->copy_components_at(value, static_cast<unsigned>(offset));
  return true;
}

bool shader_interpreter::has_lookup(ir_rvalue *value) {
  if (value == nullptr) return false;
  auto it = lookups_.find(value);
  if (it != lookups_.end()) return it->second;
  bool found = false;
  // Record dereferences value their record without the variable context, so
  // they are rebuilt over the record's value like lookups.
  if (value->as_texture() != nullptr || value->as_dereference_record() != nullptr) {
    found = true;
  } else if (ir_expression *e = value->as_expression()) {
    for (unsigned i = 0; i < e->get_num_operands(); i++) found = found || has_lookup(e->operands[i]);
  } else if (ir_swizzle *s = value->as_swizzle()) {
    found = has_lookup(s->val);
  } else if (ir_dereference_array *d = value->as_dereference_array()) {
    found = has_lookup(d->array) || has_lookup(d->array_index);
  } else if (ir_dereference_record *r = value->as_dereference_record()) {
    found = has_lookup(r->record);
  }
  lookups_[value] = found;
  return found;
}

// Values an expression; one that contains a texture lookup is rebuilt over
// the values of its operands, since lookups are never constant.
ir_constant *shader_interpreter::evaluate(ir_rvalue *value) {
  ir_constant *result = nullptr;
  if (!has_lookup(value)) {
    result = value->constant_expression_value(values_);
  } else if (ir_texture *t = value->as_texture()) {
    result = lookup(t);
  } else if (ir_expression *e = value->as_expression()) {
    ir_rvalue *operands[4] = {};
    for (unsigned i = 0; i < e->get_num_operands(); i++)
      if ((operands[i] = evaluate(e->operands[i])) == nullptr) return nullptr;
    auto *rebuilt = new (mem_) ir_expression(e->operation, e->type, operands[0], operands[1],
                                             operands[2], operands[3]);
    result = rebuilt->constant_expression_value(values_);
  } else if (ir_swizzle *s = value->as_swizzle()) {
    ir_constant *v = evaluate(s->val);
    if (v == nullptr) return nullptr;
    result = (new (mem_) ir_swizzle(v, s->mask))->constant_expression_value(values_);
  } else if (ir_dereference_array *d = value->as_dereference_array()) {
    ir_constant *array = evaluate(d->array), *index = evaluate(d->array_index);
    if (array == nullptr || index == nullptr) return nullptr;
    result = (new (mem_) ir_dereference_array(array, index))->constant_expression_value(values_);
  } else if (ir_dereference_record *r = value->as_dereference_record()) {
    ir_constant *record = evaluate(r->record);
    if (record == nullptr) return nullptr;
    result = (new (mem_) ir_dereference_record(record, r->field))->constant_expression_value(values_);
  }
  if (result == nullptr) {
    std::string what = "node type " + std::to_string(value->ir_type);
    if (ir_variable *v = value->variable_referenced()) what += std::string(" of ") + v->name;
    if (ir_expression *e = value->as_expression()) what += std::string(" ") + e->operator_string();
    fail("cannot value an expression: " + what);
  }
  return result;
}

bool shader_interpreter::sampler_of(ir_rvalue *deref, std::pair<std::string, int> *sampler) {
  ir_variable *var = deref->variable_referenced();
  if (var == nullptr) return fail("a sampler that is no variable") == flow::next;
  auto bound = samplers_.find(var);
  if (bound != samplers_.end()) {
    *sampler = bound->second;
    return true;
  }
  sampler->first = var->name;
  sampler->second = 0;
  if (ir_dereference_array *d = deref->as_dereference_array()) {
    ir_constant *index = evaluate(d->array_index);
    if (index == nullptr) return false;
    sampler->second = index->value.i[0];
  }
  return true;
}

ir_constant *shader_interpreter::lookup(ir_texture *t) {
  texture_lookup l;
  std::pair<std::string, int> sampler;
  if (!sampler_of(t->sampler, &sampler)) return nullptr;
  l.sampler = sampler.first;
  l.element = sampler.second;
  l.sampler_type = t->sampler->type;
  l.op = t->op;
  if (t->coordinate != nullptr) {
    ir_constant *c = evaluate(t->coordinate);
    if (c == nullptr) return nullptr;
    for (unsigned i = 0; i < c->type->components(); i++) l.coordinate.push_back(c->value.f[i]);
  }
  if (t->op == ir_txb || t->op == ir_txl) {
    ir_constant *lod = evaluate(t->lod_info.lod);
    if (lod == nullptr) return nullptr;
    l.lod = lod->value.f[0];
  }
  const std::array<float, 4> texel = texels(l);
  ir_constant_data data{};
  for (unsigned i = 0; i < t->type->components() && i < 4; i++) data.f[i] = texel[i];
  return new (mem_) ir_constant(t->type, &data);
}

}  // namespace shctest
