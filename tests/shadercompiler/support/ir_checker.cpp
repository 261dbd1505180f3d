#include "ir_checker.h"

#include <bit>
#include <cstdarg>
#include <cstdio>
#include <set>

#include "shadercompiler/ir/ir.h"

namespace shctest {
namespace {

class checker {
 public:
  std::vector<std::string> run(exec_list *instructions) {
    // Every top-level variable is visible in every function: built-ins are
    // declared at the head, global initialisers run inside main.
    scopes_.emplace_back();
    foreach_in_list(ir_instruction, ir, instructions)
      if (ir_variable *v = ir->as_variable()) scopes_.back().insert(v);
    foreach_in_list(ir_instruction, ir, instructions) statement(ir);
    return problems_;
  }

 private:
  void problem(const char *fmt, ...) __attribute__((format(printf, 2, 3))) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof(text), fmt, args);
    va_end(args);
    problems_.push_back(text);
  }

  void once(const ir_instruction *ir) {
    if (!seen_.insert(ir).second) problem("a node of type %u appears twice in the tree", ir->ir_type);
  }

  bool declared(const ir_variable *v) const {
    for (const auto &scope : scopes_)
      if (scope.count(v)) return true;
    return false;
  }

  void statements(exec_list *list) {
    scopes_.emplace_back();
    foreach_in_list(ir_instruction, ir, list) statement(ir);
    scopes_.pop_back();
  }

  void statement(ir_instruction *ir) {
    once(ir);
    switch (ir->ir_type) {
      case ir_type_variable: {
        ir_variable *v = ir->as_variable();
        if (v->type->is_error()) problem("variable '%s' has the error type", v->name);
        scopes_.back().insert(v);
        return;
      }
      case ir_type_function:
        foreach_in_list(ir_function_signature, sig, &ir->as_function()->signatures) {
          once(sig);
          signature(sig);
        }
        return;
      case ir_type_assignment: return assignment(ir->as_assignment());
      case ir_type_call: return call(ir->as_call());
      case ir_type_if: {
        ir_if *branch = static_cast<ir_if *>(ir);
        if (rvalue(branch->condition) != glsl_type::bool_type) problem("an if condition is not a bool");
        statements(&branch->then_instructions);
        statements(&branch->else_instructions);
        return;
      }
      case ir_type_loop:
        loops_++;
        statements(&ir->as_loop()->body_instructions);
        loops_--;
        return;
      case ir_type_loop_jump:
        if (loops_ == 0) problem("break or continue outside a loop");
        return;
      case ir_type_return: {
        ir_return *r = ir->as_return();
        if (function_ == nullptr) {
          problem("return outside a function");
          return;
        }
        const glsl_type *t = r->value != nullptr ? rvalue(r->value) : glsl_type::void_type;
        if (t != function_->return_type)
          problem("return of %s from a function returning %s", t->name, function_->return_type->name);
        return;
      }
      case ir_type_discard:
        if (ir->as_discard()->condition != nullptr &&
            rvalue(ir->as_discard()->condition) != glsl_type::bool_type)
          problem("a discard condition is not a bool");
        return;
      case ir_type_precision:
      case ir_type_typedecl:
        return;
      default:
        problem("unexpected statement of type %u", ir->ir_type);
    }
  }

  void signature(ir_function_signature *sig) {
    function_ = sig;
    scopes_.emplace_back();
    foreach_in_list(ir_variable, p, &sig->parameters) {
      once(p);
      scopes_.back().insert(p);
    }
    statements(&sig->body);
    scopes_.pop_back();
    function_ = nullptr;
  }

  void assignment(ir_assignment *a) {
    const glsl_type *lhs = rvalue(a->lhs);
    const glsl_type *rhs = rvalue(a->rhs);
    if (a->lhs->variable_referenced() == nullptr) problem("an assignment to a non-variable");
    if (a->condition != nullptr && rvalue(a->condition) != glsl_type::bool_type)
      problem("an assignment condition is not a bool");
    if (lhs->is_scalar() || lhs->is_vector()) {
      const unsigned bits = static_cast<unsigned>(std::popcount(a->write_mask));
      if (a->write_mask == 0 || (a->write_mask >> lhs->vector_elements) != 0)
        problem("write mask %x does not fit %s", a->write_mask, lhs->name);
      if (rhs->base_type != lhs->base_type || rhs->vector_elements != bits ||
          rhs->matrix_columns != 1)
        problem("%s assigned through mask %x of %s", rhs->name, a->write_mask, lhs->name);
    } else if (lhs != rhs) {
      problem("%s assigned to %s", rhs->name, lhs->name);
    }
  }

  void call(ir_call *c) {
    if (c->callee == nullptr) {
      problem("a call without a callee");
      return;
    }
    unsigned params = c->callee->parameters.length(), actuals = c->actual_parameters.length();
    if (params != actuals) problem("a call of '%s' with %u of %u arguments", c->callee_name(), actuals, params);
    foreach_two_lists(p_node, &c->callee->parameters, a_node, &c->actual_parameters) {
      auto *p = static_cast<ir_variable *>(p_node);
      auto *a = static_cast<ir_rvalue *>(a_node);
      if (rvalue(a) != p->type) problem("argument %s for parameter %s of '%s'", a->type->name, p->type->name, c->callee_name());
      const unsigned mode = p->data.mode;
      if ((mode == ir_var_function_out || mode == ir_var_function_inout) &&
          a->variable_referenced() == nullptr)
        problem("an out argument of '%s' is not a variable", c->callee_name());
    }
    if (c->callee->return_type->is_void() != (c->return_deref == nullptr))
      problem("the return value of '%s' is mishandled", c->callee_name());
    if (c->return_deref != nullptr && rvalue(c->return_deref) != c->callee->return_type)
      problem("the return value of '%s' has the wrong type", c->callee_name());
    if (!c->callee->is_defined && !c->callee->is_intrinsic)
      problem("'%s' is called but has no body", c->callee_name());
  }

  // Checks the tree below a value and returns its type.
  const glsl_type *rvalue(ir_rvalue *v) {
    if (v == nullptr) {
      problem("a missing value");
      return glsl_type::error_type;
    }
    once(v);
    if (v->type->is_error()) problem("a value of the error type (node type %u)", v->ir_type);
    switch (v->ir_type) {
      case ir_type_constant: break;
      case ir_type_dereference_variable: {
        const ir_variable *var = v->as_dereference_variable()->var;
        if (!declared(var)) problem("'%s' is used where it is not declared", var->name);
        if (v->type != var->type) problem("a dereference of '%s' has type %s, not %s", var->name, v->type->name, var->type->name);
        break;
      }
      case ir_type_dereference_array: {
        ir_dereference_array *d = v->as_dereference_array();
        const glsl_type *array = rvalue(d->array);
        if (rvalue(d->array_index) != glsl_type::int_type) problem("an index that is not an int");
        const glsl_type *want = array->is_array()    ? array->fields.array
                                : array->is_matrix() ? array->column_type()
                                : array->is_vector() ? array->get_base_type()
                                                     : glsl_type::error_type;
        if (want != v->type) problem("an element of %s has type %s", array->name, v->type->name);
        break;
      }
      case ir_type_dereference_record: {
        ir_dereference_record *d = v->as_dereference_record();
        const glsl_type *record = rvalue(d->record);
        if (record->field_type(d->field) != v->type) problem("field '%s' of %s has type %s", d->field, record->name, v->type->name);
        break;
      }
      case ir_type_swizzle: {
        ir_swizzle *s = v->as_swizzle();
        const glsl_type *t = rvalue(s->val);
        const unsigned comps[4] = {s->mask.x, s->mask.y, s->mask.z, s->mask.w};
        for (unsigned i = 0; i < s->mask.num_components; i++)
          if (comps[i] >= t->vector_elements) problem("a swizzle reads component %u of %s", comps[i], t->name);
        if (v->type != glsl_type::get_instance(t->base_type, s->mask.num_components, 1))
          problem("a swizzle of %s has type %s", t->name, v->type->name);
        break;
      }
      case ir_type_expression: expression(v->as_expression()); break;
      case ir_type_texture: {
        ir_texture *t = v->as_texture();
        if (t->sampler == nullptr || !rvalue(t->sampler)->is_sampler()) problem("a lookup without a sampler");
        if (t->coordinate != nullptr && !rvalue(t->coordinate)->is_float()) problem("a lookup coordinate that is not float");
        if (t->offset != nullptr) rvalue(t->offset);
        if (ir_texture::num_lod_operands(t->op) >= 1) rvalue(t->lod_info.grad.dPdx);
        if (ir_texture::num_lod_operands(t->op) == 2) rvalue(t->lod_info.grad.dPdy);
        break;
      }
      default: problem("an unexpected value node of type %u", v->ir_type);
    }
    return v->type;
  }

  void expression(ir_expression *e) {
    const unsigned n = e->get_num_operands();
    const glsl_type *t[4] = {};
    for (unsigned i = 0; i < n; i++) t[i] = rvalue(e->operands[i]);
    for (unsigned i = n; i < 4; i++)
      if (e->operands[i] != nullptr) problem("operation %s has an operand too many", e->operator_string());
    if (n == 0) return;
    const glsl_type *r = e->type;
    const char *op = e->operator_string();
    auto same_shape = [](const glsl_type *a, const glsl_type *b) {
      return a->vector_elements == b->vector_elements && a->matrix_columns == b->matrix_columns;
    };
    auto fail = [&] { problem("operation %s gives %s from %s%s%s", op, r->name, t[0]->name, n > 1 ? ", " : "", n > 1 ? t[1]->name : ""); };
    switch (e->operation) {
      case ir_unop_logic_not:
        if (!t[0]->is_boolean() || r != t[0]) fail();
        return;
      case ir_unop_neg: case ir_unop_abs: case ir_unop_sign:
        if (!t[0]->is_numeric() || r != t[0]) fail();
        return;
      case ir_unop_rcp: case ir_unop_rsq: case ir_unop_sqrt: case ir_unop_exp: case ir_unop_log:
      case ir_unop_exp2: case ir_unop_log2: case ir_unop_trunc: case ir_unop_ceil:
      case ir_unop_floor: case ir_unop_fract: case ir_unop_round_even: case ir_unop_sin:
      case ir_unop_cos: case ir_unop_dFdx: case ir_unop_dFdy: case ir_unop_saturate:
      case ir_unop_normalize:
        if (!t[0]->is_float() || r != t[0]) fail();
        return;
      case ir_unop_f2i: case ir_unop_f2b: case ir_unop_i2f: case ir_unop_b2f: case ir_unop_i2b:
      case ir_unop_b2i: {
        const glsl_base_type from = e->operation == ir_unop_f2i || e->operation == ir_unop_f2b ? GLSL_TYPE_FLOAT
                                    : e->operation == ir_unop_i2f || e->operation == ir_unop_i2b ? GLSL_TYPE_INT
                                                                                                 : GLSL_TYPE_BOOL;
        if (t[0]->base_type != from || !same_shape(t[0], r) || r->base_type == from) fail();
        return;
      }
      case ir_unop_any:
        if (!t[0]->is_boolean() || r != glsl_type::bool_type) fail();
        return;
      case ir_binop_add: case ir_binop_sub: case ir_binop_div: case ir_binop_mul: {
        if (!t[0]->is_numeric() || t[0]->base_type != t[1]->base_type || r->base_type != t[0]->base_type) {
          fail();
          return;
        }
        if (e->operation == ir_binop_mul && !t[0]->is_scalar() && !t[1]->is_scalar() &&
            (t[0]->is_matrix() || t[1]->is_matrix())) {
          const unsigned inner = t[0]->is_matrix() ? t[0]->matrix_columns : t[0]->vector_elements;
          const unsigned rows = t[0]->is_matrix() ? t[0]->vector_elements : 1;
          const unsigned cols = t[1]->is_matrix() ? t[1]->matrix_columns : 1;
          if (inner != t[1]->vector_elements) fail();
          else if (!(rows == 1 ? r == glsl_type::vec(cols) : cols == 1 ? r == glsl_type::vec(rows)
                                                                     : r->vector_elements == rows && r->matrix_columns == cols))
            fail();
          return;
        }
        if (t[0]->is_scalar() ? r != t[1] : (t[1]->is_scalar() ? r != t[0] : (t[0] != t[1] || r != t[0]))) fail();
        return;
      }
      case ir_binop_less: case ir_binop_greater: case ir_binop_lequal: case ir_binop_gequal:
      case ir_binop_equal: case ir_binop_nequal:
        if (t[0] != t[1] || r != glsl_type::bvec(t[0]->vector_elements)) fail();
        return;
      case ir_binop_all_equal: case ir_binop_any_nequal:
        if (t[0] != t[1] || r != glsl_type::bool_type) fail();
        return;
      case ir_binop_logic_and: case ir_binop_logic_xor: case ir_binop_logic_or:
        if (!t[0]->is_boolean() || t[0] != t[1] || r != t[0]) fail();
        return;
      case ir_binop_dot:
        if (!t[0]->is_float() || t[0] != t[1] || r != glsl_type::float_type) fail();
        return;
      case ir_binop_min: case ir_binop_max: case ir_binop_pow: case ir_binop_mod:
        if (t[0]->base_type != t[1]->base_type || r != (t[0]->is_scalar() ? t[1] : t[0])) fail();
        return;
      case ir_triop_lrp: case ir_triop_clamp: case ir_triop_fma:
        if (t[0] != r || t[1]->base_type != r->base_type || t[2]->base_type != r->base_type) fail();
        return;
      default:
        return;
    }
  }

  std::set<const ir_instruction *> seen_;
  std::vector<std::set<const ir_variable *>> scopes_;
  std::vector<std::string> problems_;
  const ir_function_signature *function_ = nullptr;
  int loops_ = 0;
};

}  // namespace

std::vector<std::string> check_ir(exec_list *instructions) { return checker().run(instructions); }

}  // namespace shctest
