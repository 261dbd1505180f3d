// What Metal cannot say as GLSL says it: refused constructs, and the
// rewrites that turn the rest into the printer's subset.
#include <cstring>
#include <set>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_rvalue_visitor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/optimizer/ir_optimization.h"
#include "shadercompiler/optimizer/metal_conversion.h"
#include "shadercompiler/optimizer/optimizer_support.h"

namespace {

// ---------------------------------------------------------------- refusals
const char *const kEsBuiltins[] = {"gl_Position",  "gl_PointSize", "gl_FragCoord",
                                   "gl_FrontFacing", "gl_FragColor", "gl_FragData",
                                   "gl_PointCoord", "gl_DepthRange"};

bool is_es_builtin(const char *name) {
  for (const char *b : kEsBuiltins)
    if (std::strcmp(b, name) == 0) return true;
  return false;
}

const glsl_type *without_arrays(const glsl_type *t) {
  while (t->is_array()) t = t->fields.array;
  return t;
}

bool sampler_inside_record(const glsl_type *t) {
  t = without_arrays(t);
  if (!t->is_record()) return false;
  for (unsigned i = 0; i < t->length; i++) {
    const glsl_type *f = without_arrays(t->fields.structure[i].type);
    if (f->is_sampler() || sampler_inside_record(f)) return true;
  }
  return false;
}

// A reserved word among the field names of the record (and the records
// inside it), or null.
const char *reserved_field(const glsl_type *t) {
  t = without_arrays(t);
  if (!t->is_record()) return nullptr;
  for (unsigned i = 0; i < t->length; i++) {
    const glsl_struct_field &f = t->fields.structure[i];
    if (is_metal_reserved_word(f.name)) return f.name;
    if (const char *inner = reserved_field(f.type)) return inner;
  }
  return nullptr;
}

const char *sampler_name(const glsl_type *t) {
  if (t->sampler_shadow) return t->name;
  switch (t->sampler_dimensionality) {
    case GLSL_SAMPLER_DIM_2D: case GLSL_SAMPLER_DIM_CUBE: return nullptr;
    default: return t->name;
  }
}

class operation_checker : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit_enter;
  explicit operation_checker(std::vector<std::string> *out) : out_(out) {}

  ir_visitor_status visit_enter(ir_expression *e) override {
    if (!supported(e)) report(std::string("the operation '") + e->operator_string() + "'");
    return visit_continue;
  }
  ir_visitor_status visit_enter(ir_texture *t) override {
    if (t->op != ir_tex && t->op != ir_txb && t->op != ir_txl && t->op != ir_txd)
      report(std::string("the texture operation '") + ir_texture::opcode_string(t->op) + "'");
    else if (t->offset != nullptr)
      report("texture lookups with offsets");
    return visit_continue;
  }
  ir_visitor_status visit_enter(ir_call *c) override {
    report(std::string("the call of '") + c->callee_name() + "'");
    return visit_continue;
  }

 private:
  static bool supported(const ir_expression *e) {
    switch (e->operation) {
      case ir_unop_logic_not: case ir_unop_neg: case ir_unop_abs: case ir_unop_sign:
      case ir_unop_rcp: case ir_unop_rsq: case ir_unop_sqrt: case ir_unop_normalize:
      case ir_unop_exp: case ir_unop_log: case ir_unop_exp2: case ir_unop_log2:
      case ir_unop_f2i: case ir_unop_i2f: case ir_unop_f2b: case ir_unop_b2f:
      case ir_unop_i2b: case ir_unop_b2i: case ir_unop_any: case ir_unop_trunc:
      case ir_unop_ceil: case ir_unop_floor: case ir_unop_fract: case ir_unop_round_even:
      case ir_unop_sin: case ir_unop_cos: case ir_unop_dFdx: case ir_unop_dFdy:
      case ir_unop_saturate:
      case ir_binop_add: case ir_binop_sub: case ir_binop_mul: case ir_binop_div:
      case ir_binop_less: case ir_binop_greater: case ir_binop_lequal: case ir_binop_gequal:
      case ir_binop_equal: case ir_binop_nequal: case ir_binop_all_equal:
      case ir_binop_any_nequal: case ir_binop_logic_and: case ir_binop_logic_xor:
      case ir_binop_logic_or: case ir_binop_dot: case ir_binop_min: case ir_binop_max:
      case ir_binop_pow: case ir_triop_fma: case ir_triop_clamp: case ir_triop_lrp:
      case ir_triop_csel: case ir_quadop_vector:
        return true;
      case ir_binop_mod:
        return e->type->is_float();
      default:
        return false;
    }
  }
  void report(const std::string &what) {
    if (seen_.insert(what).second) out_->push_back(what + " has no Metal equivalent");
  }

  std::vector<std::string> *out_;
  std::set<std::string> seen_;
};

// ---------------------------------------------------------------- lowering
// Rewrites rvalues bottom-up, putting the statements they need in front of
// the statement that holds them.
class lowering_visitor : public ir_rvalue_visitor {
 public:
   using ir_rvalue_visitor::visit_leave;
  lowering_visitor(void *mem, ir_function_signature *main) : mem_(mem), main_(main) {}

  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr || in_assignee) return;
    if (ir_dereference_array *d = (*rvalue)->as_dereference_array()) {
      constant_array_at_run_time(d);
      return;
    }
    if (ir_expression *e = (*rvalue)->as_expression()) {
      ir_rvalue *lowered = expression(e);
      if (lowered != nullptr) *rvalue = lowered;
    } else if (ir_texture *t = (*rvalue)->as_texture()) {
      ir_rvalue *lowered = indexed_sampler(t);
      if (lowered != nullptr) *rvalue = lowered;
    }
  }
  ir_visitor_status visit_leave(ir_texture *t) override {
    // The sampler slot is not an rvalue slot of the visitor.
    return ir_rvalue_visitor::visit_leave(t);
  }

 private:
  ir_rvalue *clone(ir_rvalue *v) { return v->clone(mem_, nullptr); }
  ir_rvalue *once(ir_rvalue *v) { return evaluate_once(mem_, v, base_ir); }
  ir_expression *expr(ir_expression_operation op, const glsl_type *t, ir_rvalue *a,
                      ir_rvalue *b = nullptr, ir_rvalue *c = nullptr) {
    return new (mem_) ir_expression(op, t, a, b, c);
  }
  // A scalar value repeated to `t`'s vector size (through a swizzle, which
  // the printers write as a constructor).
  ir_rvalue *broadcast(ir_rvalue *v, const glsl_type *t) {
    if (!v->type->is_scalar() || !t->is_vector()) return v;
    return new (mem_) ir_swizzle(v, 0, 0, 0, 0, t->vector_elements);
  }
  ir_rvalue *column(ir_rvalue *m, unsigned i) {
    if (!m->type->is_matrix()) return clone(m);
    return new (mem_) ir_dereference_array(clone(m), new (mem_) ir_constant(static_cast<int>(i)));
  }

  ir_rvalue *expression(ir_expression *e) {
    switch (e->operation) {
      case ir_binop_mod: return modulo(e);
      case ir_binop_add: case ir_binop_sub: case ir_binop_div: return matrix_componentwise(e);
      case ir_binop_all_equal: case ir_binop_any_nequal: return aggregate_comparison(e);
      default: return nullptr;
    }
  }

  // A constant array picked at run time becomes a declared constant:
  // Metal cannot index a brace list.
  // One table per value, declared at the start of main for every use.
  void constant_array_at_run_time(ir_dereference_array *d) {
    ir_constant *c = d->array->as_constant();
    if (c == nullptr || !c->type->is_array() || d->array_index->as_constant() != nullptr) return;
    ir_variable *table = nullptr;
    for (ir_variable *t : tables_)
      if (t->type == c->type && t->constant_value->equals(c)) table = t;
    if (table == nullptr) {
      table = new (mem_) ir_variable(c->type, "table", ir_var_temporary, glsl_precision_undefined);
      table->constant_value = c;
      table->data.read_only = true;
      main_->body.push_head(table);
      tables_.push_back(table);
    }
    d->array = new (mem_) ir_dereference_variable(table);
  }

  // GLSL's mod, x - y * floor(x / y), rounded once as the constant folder
  // does it.
  ir_rvalue *modulo(ir_expression *e) {
    ir_rvalue *x = once(e->operands[0]);
    ir_rvalue *y = once(e->operands[1]);
    const glsl_type *t = e->type;
    ir_rvalue *ny = broadcast(expr(ir_unop_neg, y->type, clone(y)), t);
    ir_rvalue *quotient = expr(ir_unop_floor, t, expr(ir_binop_div, t, clone(x), clone(y)));
    return expr(ir_triop_fma, t, ny, quotient, broadcast(clone(x), t));
  }

  // Operations Metal has no matrix form of: with a scalar on either side
  // of + and -, and every division but by a scalar on the right.
  ir_rvalue *matrix_componentwise(ir_expression *e) {
    const glsl_type *t = e->type;
    if (!t->is_matrix()) return nullptr;
    const glsl_type *a = e->operands[0]->type, *b = e->operands[1]->type;
    if (e->operation != ir_binop_div && a == b) return nullptr;
    if (e->operation == ir_binop_div && a->is_matrix() && b->is_scalar()) return nullptr;
    ir_rvalue *x = once(e->operands[0]);
    ir_rvalue *y = once(e->operands[1]);
    ir_variable *result = declare_temporary(mem_, t, "matrix", base_ir);
    const glsl_type *col = t->column_type();
    for (unsigned i = 0; i < t->matrix_columns; i++) {
      ir_rvalue *value = expr(e->operation, col, broadcast(column(x, i), col),
                              broadcast(column(y, i), col));
      auto *target = new (mem_) ir_dereference_array(
          new (mem_) ir_dereference_variable(result), new (mem_) ir_constant(static_cast<int>(i)));
      base_ir->insert_before(new (mem_) ir_assignment(target, value));
    }
    return new (mem_) ir_dereference_variable(result);
  }

  ir_rvalue *part(ir_rvalue *v, unsigned i) {
    const glsl_type *t = v->type;
    if (ir_constant *c = v->as_constant()) {
      if (t->is_array()) return c->get_array_element(static_cast<int>(i))->clone(mem_, nullptr);
      if (t->is_record()) return c->get_record_field(t->fields.structure[i].name)->clone(mem_, nullptr);
      auto *index = new (mem_) ir_constant(static_cast<int>(i));
      auto *col = new (mem_) ir_dereference_array(clone(c), index);
      return col->constant_expression_value(nullptr);
    }
    if (t->is_array())
      return new (mem_) ir_dereference_array(clone(v), new (mem_) ir_constant(static_cast<int>(i)));
    if (t->is_record())
      return new (mem_) ir_dereference_record(clone(v), t->fields.structure[i].name);
    return column(v, i);
  }

  // ==, != of records, arrays and matrices, part by part; a vector
  // comparison stays, the printer reduces it with all() or any().
  ir_rvalue *aggregate_comparison(ir_expression *e) {
    const glsl_type *t = e->operands[0]->type;
    if (!(t->is_array() || t->is_record() || t->is_matrix())) return nullptr;
    const unsigned parts = t->is_matrix() ? t->matrix_columns : t->length;
    ir_rvalue *x = once(e->operands[0]);
    ir_rvalue *y = once(e->operands[1]);
    ir_rvalue *all = nullptr;
    for (unsigned i = 0; i < parts; i++) {
      ir_expression *equal = expr(ir_binop_all_equal, glsl_type::bool_type, part(x, i), part(y, i));
      ir_rvalue *lowered = aggregate_comparison(equal);
      ir_rvalue *term = lowered != nullptr ? lowered : equal;
      all = all == nullptr ? term : expr(ir_binop_logic_and, glsl_type::bool_type, all, term);
    }
    if (all == nullptr) all = new (mem_) ir_constant(true);
    if (e->operation == ir_binop_any_nequal)
      return expr(ir_unop_logic_not, glsl_type::bool_type, all);
    return all;
  }

  // A lookup in an element of a sampler array chosen at run time: an if
  // per element, each looking up with a constant index.
  ir_rvalue *indexed_sampler(ir_texture *t) {
    ir_dereference_array *element = t->sampler->as_dereference_array();
    if (element == nullptr || element->array_index->as_constant() != nullptr) return nullptr;
    const unsigned length = element->array->type->length;
    ir_rvalue *index = once(element->array_index);
    if (t->coordinate != nullptr) t->coordinate = once(t->coordinate);
    switch (ir_texture::num_lod_operands(t->op)) {
      case 1: t->lod_info.lod = once(t->lod_info.lod); break;
      case 2:
        t->lod_info.grad.dPdx = once(t->lod_info.grad.dPdx);
        t->lod_info.grad.dPdy = once(t->lod_info.grad.dPdy);
        break;
      default: break;
    }
    ir_variable *result = declare_temporary(mem_, t->type, "texel", base_ir);
    exec_list *into = nullptr;
    for (unsigned i = 0; i < length; i++) {
      ir_texture *lookup = t->clone(mem_, nullptr);
      auto *sampler = lookup->sampler->as_dereference_array();
      sampler->array_index = new (mem_) ir_constant(static_cast<int>(i));
      auto *store = new (mem_) ir_assignment(new (mem_) ir_dereference_variable(result), lookup);
      if (i + 1 == length) {
        if (into != nullptr) into->push_tail(store);
        else base_ir->insert_before(store);
        break;
      }
      auto *choice = new (mem_) ir_if(
          expr(ir_binop_equal, glsl_type::bool_type, clone(index),
               new (mem_) ir_constant(static_cast<int>(i))));
      choice->then_instructions.push_tail(store);
      if (into != nullptr) into->push_tail(choice);
      else base_ir->insert_before(choice);
      into = &choice->else_instructions;
    }
    return new (mem_) ir_dereference_variable(result);
  }

  void *mem_;
  ir_function_signature *main_;
  std::vector<ir_variable *> tables_;
};

// Whole arrays are assigned element by element: Metal's arrays are C's.
void split_array_assignments(void *mem, exec_list *list) {
  foreach_in_list(ir_instruction, ir, list) {
    ir_assignment *a = ir->as_assignment();
    if (a == nullptr || !a->lhs->type->is_array()) continue;
    const unsigned length = a->lhs->type->length;
    ir_constant *constant = a->rhs->as_constant();
    for (unsigned i = 0; i < length; i++) {
      auto *index = new (mem) ir_constant(static_cast<int>(i));
      auto *target = new (mem) ir_dereference_array(a->lhs->clone(mem, nullptr), index);
      ir_rvalue *value;
      if (constant != nullptr)
        value = constant->get_array_element(static_cast<int>(i))->clone(mem, nullptr);
      else
        value = new (mem) ir_dereference_array(a->rhs->clone(mem, nullptr),
                                               new (mem) ir_constant(static_cast<int>(i)));
      ir_rvalue *condition = a->condition != nullptr ? a->condition->clone(mem, nullptr) : nullptr;
      a->insert_before(new (mem) ir_assignment(target, value, condition));
    }
    a->remove();
  }
}

}  // namespace

std::vector<std::string> metal_refusals(exec_list *instructions, gl_shader_stage stage) {
  std::vector<std::string> out;
  use_counter uses;
  uses.run(instructions);
  unsigned attributes = 0, textures = 0;
  foreach_in_list(ir_instruction, ir, instructions) {
    ir_variable *var = ir->as_variable();
    if (var == nullptr || var->name == nullptr) continue;
    const variable_uses &u = uses.of(var);
    const bool used = u.reads + u.writes > 0;
    const std::string name = var->name;
    const unsigned mode = var->data.mode;
    if (std::strncmp(var->name, "gl_", 3) == 0) {
      const bool constant = mode == ir_var_auto && var->constant_value != nullptr;
      if (used && !constant && !is_es_builtin(var->name))
        out.push_back("the built-in '" + name + "' is not one of OpenGL ES 2.0's");
      continue;
    }
    const bool interface = mode == ir_var_uniform || mode == ir_var_shader_in ||
                           mode == ir_var_shader_out;
    if (!interface) continue;
    const bool active = used || (stage == SHC_SHADER_VERTEX && mode == ir_var_shader_out);
    if (!active) continue;
    const glsl_type *element = without_arrays(var->type);
    if (is_metal_reserved_word(name))
      out.push_back("the name '" + name + "' is a reserved word of the Metal shading language");
    if (const char *field = reserved_field(var->type))
      out.push_back("the field '" + std::string(field) + "' of '" + name +
                    "' is a reserved word of the Metal shading language");
    if (mode == ir_var_uniform) {
      if (element->is_sampler()) {
        if (const char *kind = sampler_name(element))
          out.push_back("the sampler '" + name + "' of type " + kind +
                        " (only sampler2D and samplerCube)");
        textures += var->type->is_array() ? var->type->length : 1;
      }
      if (sampler_inside_record(var->type))
        out.push_back("the uniform '" + name + "' holds a sampler inside a structure");
      if (var->constant_value != nullptr)
        out.push_back("the initialiser of the uniform '" + name + "'");
    }
    if (mode == ir_var_shader_in && stage == SHC_SHADER_VERTEX) {
      if (var->type->is_matrix()) out.push_back("the matrix attribute '" + name + "'");
      attributes++;
    }
  }
  if (attributes > 16)
    out.push_back(std::to_string(attributes) + " active attributes (at most 16)");
  if (textures > 16)
    out.push_back(std::to_string(textures) + " textures in one stage (at most 16)");
  operation_checker operations(&out);
  operations.run(instructions);
  return out;
}

void lower_for_metal(exec_list *instructions, gl_shader_stage) {
  void *mem = ralloc_parent(instructions);
  ir_function_signature *main = find_main_signature(instructions);
  if (main == nullptr) return;
  lowering_visitor lowering(mem, main);
  lowering.run(instructions);
  for_each_statement_list(instructions,
                          [&](exec_list *list) { split_array_assignments(mem, list); });
}
