// Expressions: operators with their typing rules, assignments, selections,
// short-circuit evaluation, increments, swizzles and indexing.
//
// Every expression whose operands are constants is folded on the spot, so
// that constant expressions (array sizes, initialisers of const variables,
// constant indices) are constants by the time they are checked. An operand
// of the error type stops further checks of the expressions above it, so
// that one fault is reported once.
#include <cstring>
#include <string>

#include "shadercompiler/frontend/ast_to_hir.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/support/ralloc.h"

ast_to_hir_state *hir_state(glsl_parse_state *state) { return state->hir; }

void *ir_pool(glsl_parse_state *state) { return state->hir->mem_ctx; }

ir_rvalue *error_value(glsl_parse_state *state) { return ir_rvalue::error_value(ir_pool(state)); }

bool has_implicit_conversions(const glsl_parse_state *state) {
  return !state->is_es && state->glsl_version >= 120;
}

ir_rvalue *fold(ir_rvalue *value) {
  if (value->as_constant() != nullptr || value->type->is_error()) return value;
  ir_constant *c = value->constant_expression_value();
  // A folded value may be part of another constant (a field of a constant
  // structure): the copy keeps every node in one place of the tree.
  return c != nullptr ? c->clone(ralloc_parent(value), nullptr) : value;
}

ir_rvalue *convert_component(ir_rvalue *value, const glsl_type *to) {
  const glsl_base_type from = value->type->base_type;
  const glsl_base_type base = to->base_type;
  if (from == base) return value;
  int op = -1;
  if (base == GLSL_TYPE_FLOAT) op = from == GLSL_TYPE_INT ? ir_unop_i2f : ir_unop_b2f;
  if (base == GLSL_TYPE_INT) op = from == GLSL_TYPE_FLOAT ? ir_unop_f2i : ir_unop_b2i;
  if (base == GLSL_TYPE_BOOL) op = from == GLSL_TYPE_FLOAT ? ir_unop_f2b : ir_unop_i2b;
  void *mem = ralloc_parent(value);
  return fold(new (mem) ir_expression(op, value));
}

ir_rvalue *convert_implicitly(ir_rvalue *value, const glsl_type *to, glsl_parse_state *state) {
  if (value->type == to) return value;
  if (!has_implicit_conversions(state) || to->base_type != GLSL_TYPE_FLOAT ||
      value->type->base_type != GLSL_TYPE_INT || to->is_matrix() ||
      value->type->vector_elements != to->vector_elements || value->type->matrix_columns != 1)
    return nullptr;
  return convert_component(value, to);
}

ir_variable *make_temporary(const glsl_type *type, glsl_parse_state *state,
                            exec_list *instructions) {
  auto *var = new (ir_pool(state)) ir_variable(type, "tmp", ir_var_temporary, glsl_precision_undefined);
  instructions->push_tail(var);
  return var;
}

void emit_assignment(ir_rvalue *lhs, ir_rvalue *rhs, exec_list *instructions) {
  void *mem = ralloc_parent(lhs);
  instructions->push_tail(new (mem) ir_assignment(lhs, rhs));
}

ir_rvalue *evaluate_once(ir_rvalue *value, glsl_parse_state *state, exec_list *instructions) {
  if (value->as_constant() != nullptr || value->as_dereference_variable() != nullptr) return value;
  ir_variable *tmp = make_temporary(value->type, state, instructions);
  emit_assignment(new (ir_pool(state)) ir_dereference_variable(tmp), value, instructions);
  return new (ir_pool(state)) ir_dereference_variable(tmp);
}

ir_rvalue *stabilize_lvalue(ir_rvalue *lvalue, glsl_parse_state *state, exec_list *instructions) {
  if (ir_swizzle *s = lvalue->as_swizzle()) {
    s->val = stabilize_lvalue(s->val, state, instructions);
  } else if (ir_dereference_array *a = lvalue->as_dereference_array()) {
    a->array = stabilize_lvalue(a->array, state, instructions);
    a->array_index = evaluate_once(a->array_index, state, instructions);
  } else if (ir_dereference_record *r = lvalue->as_dereference_record()) {
    r->record = stabilize_lvalue(r->record, state, instructions);
  }
  return lvalue;
}

bool contains_array(const glsl_type *type) {
  if (type->is_array()) return true;
  if (type->is_record())
    for (unsigned i = 0; i < type->length; i++)
      if (contains_array(type->fields.structure[i].type)) return true;
  return false;
}

namespace {

// Why a variable cannot be written, or null when it can.
const char *read_only_reason(const ir_variable *var, const glsl_parse_state *state) {
  switch (var->data.mode) {
    case ir_var_uniform: return "a uniform";
    case ir_var_shader_in:
      if (state->shader_stage == SHC_SHADER_VERTEX) return "an attribute";
      return std::strncmp(var->name, "gl_", 3) == 0 ? "a fragment shader input" : "a varying";
    case ir_var_const_in: return "a const parameter";
    default: break;
  }
  if (var->type->contains_opaque()) return "a sampler";
  return var->data.read_only ? "read-only" : nullptr;
}

}  // namespace

bool check_lvalue(ir_rvalue *lhs, const glsl_source_location &location, const char *what,
                  glsl_parse_state *state) {
  ir_variable *var = lhs->variable_referenced();
  if (var != nullptr) {
    if (const char *reason = read_only_reason(var, state)) {
      glsl_error(&location, state, "%s '%s', which is %s", what, var->name, reason);
      return false;
    }
  }
  if (const ir_swizzle *s = lhs->as_swizzle(); s != nullptr && s->mask.has_duplicates) {
    glsl_error(&location, state, "%s a swizzle that repeats a component", what);
    return false;
  }
  if (lhs->as_constant() != nullptr) {
    glsl_error(&location, state, "%s a constant", what);
    return false;
  }
  // Temporaries hold values of calls, constructors and selections.
  if (var == nullptr || !lhs->is_lvalue() || var->data.mode == ir_var_temporary) {
    glsl_error(&location, state, "%s a value that is not a variable", what);
    return false;
  }
  ast_to_hir_state *hir = hir_state(state);
  if (var->data.how_declared != 0 && hir->frag_color_written.first_line == 0 &&
      std::strcmp(var->name, "gl_FragColor") == 0)
    hir->frag_color_written = location;
  if (var->data.how_declared != 0 && hir->frag_data_written.first_line == 0 &&
      std::strcmp(var->name, "gl_FragData") == 0)
    hir->frag_data_written = location;
  // ES 1.00 and GLSL 1.10 never assign whole arrays, nor structures that
  // hold one; an array without a size is never assigned.
  if ((state->is_es || state->glsl_version < 120) && contains_array(lhs->type)) {
    glsl_error(&location, state, "%s %s, which holds an array", what, lhs->type->name);
    return false;
  }
  if (lhs->type->is_array() && lhs->type->length == 0) {
    glsl_error(&location, state, "%s an array without a size", what);
    return false;
  }
  return true;
}

namespace {

ir_constant *int_constant(void *mem, int value) { return new (mem) ir_constant(value); }

// Makes the base types of two numeric operands equal where the language
// converts int to float; false when they still differ.
bool unify_base_types(ir_rvalue **a, ir_rvalue **b, glsl_parse_state *state) {
  if ((*a)->type->base_type == (*b)->type->base_type) return true;
  if (!has_implicit_conversions(state)) return false;
  ir_rvalue **integer = (*a)->type->base_type == GLSL_TYPE_INT ? a : b;
  ir_rvalue **other = integer == a ? b : a;
  if ((*integer)->type->base_type != GLSL_TYPE_INT ||
      (*other)->type->base_type != GLSL_TYPE_FLOAT)
    return false;
  *integer = convert_component(*integer, glsl_type::get_instance(GLSL_TYPE_FLOAT,
                                                                 (*integer)->type->vector_elements,
                                                                 (*integer)->type->matrix_columns));
  return true;
}

// The result type of + - * / on two operands (converted as the language
// converts), or null after reporting why the operands do not fit.
const glsl_type *arithmetic_type(ir_rvalue **a, ir_rvalue **b, ast_operators op,
                                 const glsl_source_location &location, glsl_parse_state *state) {
  const char *text = ast_operator_string(op);
  const glsl_type *ta = (*a)->type, *tb = (*b)->type;
  if (!ta->is_numeric() || !tb->is_numeric() || ta->is_array() || tb->is_array()) {
    glsl_error(&location, state, "operator '%s' needs numbers, not %s and %s", text, ta->name,
               tb->name);
    return nullptr;
  }
  if (!unify_base_types(a, b, state)) {
    glsl_error(&location, state, "operator '%s' needs operands of one base type, not %s and %s",
               text, ta->name, tb->name);
    return nullptr;
  }
  ta = (*a)->type;
  tb = (*b)->type;
  const bool multiply = op == ast_mul || op == ast_mul_assign;
  if (ta->is_scalar()) return tb;
  if (tb->is_scalar()) return ta;
  if (ta->is_vector() && tb->is_vector()) {
    if (ta == tb) return ta;
  } else if (ta->is_matrix() && tb->is_matrix()) {
    if (!multiply && ta == tb) return ta;
    if (multiply && ta->matrix_columns == tb->vector_elements)
      return glsl_type::get_instance(GLSL_TYPE_FLOAT, ta->vector_elements, tb->matrix_columns);
  } else if (multiply && ta->is_matrix() && tb->is_vector()) {
    if (ta->matrix_columns == tb->vector_elements) return glsl_type::vec(ta->vector_elements);
  } else if (multiply && ta->is_vector() && tb->is_matrix()) {
    if (ta->vector_elements == tb->vector_elements) return glsl_type::vec(tb->matrix_columns);
  }
  glsl_error(&location, state, "operator '%s' does not apply to %s and %s", text, ta->name,
             tb->name);
  return nullptr;
}

ir_expression_operation arithmetic_operation(ast_operators op) {
  switch (op) {
    case ast_add: case ast_add_assign: return ir_binop_add;
    case ast_sub: case ast_sub_assign: return ir_binop_sub;
    case ast_mul: case ast_mul_assign: return ir_binop_mul;
    default: return ir_binop_div;
  }
}

bool is_bool_scalar(const ir_rvalue *v) { return v->type == glsl_type::bool_type; }

// a == b (or a != b) over whole values: vectors compare at once, matrices by
// column, structures by field and arrays by element.
ir_rvalue *compare(ir_rvalue *a, ir_rvalue *b, bool equal, glsl_parse_state *state,
                   exec_list *instructions) {
  void *mem = ir_pool(state);
  const glsl_type *type = a->type;
  const int join = equal ? ir_binop_logic_and : ir_binop_logic_or;
  if (type->is_scalar() || type->is_vector())
    return fold(new (mem) ir_expression(equal ? ir_binop_all_equal : ir_binop_any_nequal, a, b));
  a = evaluate_once(a, state, instructions);
  b = evaluate_once(b, state, instructions);
  ir_rvalue *result = nullptr;
  const unsigned parts = type->is_matrix() ? type->matrix_columns : type->length;
  for (unsigned i = 0; i < parts; i++) {
    ir_rvalue *pa, *pb;
    if (type->is_record()) {
      pa = new (mem) ir_dereference_record(a->clone(mem, nullptr), type->fields.structure[i].name);
      pb = new (mem) ir_dereference_record(b->clone(mem, nullptr), type->fields.structure[i].name);
    } else {
      pa = new (mem) ir_dereference_array(a->clone(mem, nullptr), int_constant(mem, static_cast<int>(i)));
      pb = new (mem) ir_dereference_array(b->clone(mem, nullptr), int_constant(mem, static_cast<int>(i)));
    }
    ir_rvalue *part = compare(fold(pa), fold(pb), equal, state, instructions);
    result = result == nullptr ? part : fold(new (mem) ir_expression(join, result, part));
  }
  return result != nullptr ? result : new (mem) ir_constant(equal);
}

class expression_translator {
 public:
  expression_translator(ast_expression *e, exec_list *instructions, glsl_parse_state *state)
      : e_(e), instructions_(instructions), state_(state), mem_(ir_pool(state)) {}

  ir_rvalue *run();

 private:
  ir_rvalue *operand(int i, exec_list *into = nullptr) {
    return e_->subexpressions[i]->hir(into != nullptr ? into : instructions_, state_);
  }
  ir_rvalue *error(const char *fmt, const char *a = "", const char *b = "", const char *c = "") {
    glsl_error(&e_->location, state_, fmt, a, b, c);
    return error_value(state_);
  }
  ir_rvalue *identifier();
  ir_rvalue *sequence();
  ir_rvalue *unary();
  ir_rvalue *arithmetic();
  ir_rvalue *reserved_operator();
  ir_rvalue *relational();
  ir_rvalue *equality();
  ir_rvalue *logical();
  bool assignment_sides(ir_rvalue **lhs, ir_rvalue **rhs);
  ir_rvalue *assignment();
  ir_rvalue *compound_assignment();
  ir_rvalue *conditional();
  ir_rvalue *increment();
  ir_rvalue *field_selection();
  ir_rvalue *array_index();

  ast_expression *e_;
  exec_list *instructions_;
  glsl_parse_state *state_;
  void *mem_;
};

ir_rvalue *expression_translator::run() {
  switch (e_->oper) {
    case ast_int_constant: return new (mem_) ir_constant(e_->primary_expression.int_constant);
    case ast_float_constant: return new (mem_) ir_constant(e_->primary_expression.float_constant);
    case ast_bool_constant: return new (mem_) ir_constant(e_->primary_expression.bool_constant);
    case ast_identifier: return identifier();
    case ast_sequence: return sequence();
    case ast_plus: case ast_neg: case ast_logic_not: return unary();
    case ast_add: case ast_sub: case ast_mul: case ast_div: return arithmetic();
    case ast_mod: case ast_lshift: case ast_rshift: case ast_bit_and: case ast_bit_xor:
    case ast_bit_or: case ast_bit_not: case ast_mod_assign: case ast_ls_assign:
    case ast_rs_assign: case ast_and_assign: case ast_xor_assign: case ast_or_assign:
      return reserved_operator();
    case ast_less: case ast_greater: case ast_lequal: case ast_gequal: return relational();
    case ast_equal: case ast_nequal: return equality();
    case ast_logic_and: case ast_logic_or: case ast_logic_xor: return logical();
    case ast_assign: return assignment();
    case ast_mul_assign: case ast_div_assign: case ast_add_assign: case ast_sub_assign:
      return compound_assignment();
    case ast_conditional: return conditional();
    case ast_pre_inc: case ast_pre_dec: case ast_post_inc: case ast_post_dec: return increment();
    case ast_field_selection: return field_selection();
    case ast_array_index: return array_index();
    case ast_function_call: break;  // ast_function_expression
  }
  return error("unexpected expression");
}

ir_rvalue *expression_translator::identifier() {
  const char *name = e_->primary_expression.identifier;
  if (ir_variable *var = find_variable(state_, name)) {
    declare_builtin_if_needed(var, state_);
    var->data.used = 1;
    if (var->type->is_error()) return error_value(state_);
    // A constant's name stands for its value.
    if (var->constant_value != nullptr && var->data.mode != ir_var_uniform)
      return var->constant_value->clone(mem_, nullptr);
    return new (mem_) ir_dereference_variable(var);
  }
  if (state_->symbols->get_function(name) != nullptr || state_->symbols->get_type(name) != nullptr)
    return error("'%s' is not a variable", name);
  glsl_error(&e_->location, state_, "'%s' is not declared", name);
  // Later uses in this scope stay quiet.
  state_->symbols->add_variable(
      new (mem_) ir_variable(glsl_type::error_type, name, ir_var_auto, glsl_precision_undefined));
  return error_value(state_);
}

ir_rvalue *expression_translator::sequence() {
  ir_rvalue *value = nullptr;
  foreach_in_list(ast_expression, part, &e_->expressions) value = part->hir(instructions_, state_);
  return value;
}

ir_rvalue *expression_translator::unary() {
  ir_rvalue *v = operand(0);
  if (v->type->is_error()) return v;
  if (e_->oper == ast_logic_not) {
    if (!is_bool_scalar(v)) return error("operator '!' needs a bool, not %s", v->type->name);
    return fold(new (mem_) ir_expression(ir_unop_logic_not, v));
  }
  if (!v->type->is_numeric() || v->type->is_array())
    return error("operator '%s' needs a number, not %s", ast_operator_string(e_->oper), v->type->name);
  if (e_->oper == ast_plus) return v;
  return fold(new (mem_) ir_expression(ir_unop_neg, v));
}

ir_rvalue *expression_translator::arithmetic() {
  ir_rvalue *a = operand(0);
  ir_rvalue *b = operand(1);
  if (a->type->is_error() || b->type->is_error()) return error_value(state_);
  const glsl_type *type = arithmetic_type(&a, &b, e_->oper, e_->location, state_);
  if (type == nullptr) return error_value(state_);
  return fold(new (mem_) ir_expression(arithmetic_operation(e_->oper), type, a, b));
}

ir_rvalue *expression_translator::reserved_operator() {
  for (ast_expression *sub : e_->subexpressions)
    if (sub != nullptr) sub->hir(instructions_, state_);
  return error("operator '%s' is reserved", ast_operator_string(e_->oper));
}

ir_rvalue *expression_translator::relational() {
  ir_rvalue *a = operand(0);
  ir_rvalue *b = operand(1);
  if (a->type->is_error() || b->type->is_error()) return error_value(state_);
  const char *text = ast_operator_string(e_->oper);
  const bool numbers = a->type->is_scalar() && b->type->is_scalar() && a->type->is_numeric() &&
                       b->type->is_numeric();
  if (!numbers || !unify_base_types(&a, &b, state_))
    return error("operator '%s' needs two int or two float scalars, not %s and %s", text,
                 a->type->name, b->type->name);
  const int op = e_->oper == ast_less      ? ir_binop_less
                 : e_->oper == ast_greater ? ir_binop_greater
                 : e_->oper == ast_lequal  ? ir_binop_lequal
                                           : ir_binop_gequal;
  return fold(new (mem_) ir_expression(op, a, b));
}

ir_rvalue *expression_translator::equality() {
  ir_rvalue *a = operand(0);
  ir_rvalue *b = operand(1);
  if (a->type->is_error() || b->type->is_error()) return error_value(state_);
  const char *text = ast_operator_string(e_->oper);
  if (a->type != b->type && a->type->is_numeric() && b->type->is_numeric() &&
      !a->type->is_array() && !b->type->is_array())
    unify_base_types(&a, &b, state_);
  if (a->type != b->type)
    return error("operator '%s' needs operands of one type, not %s and %s", text, a->type->name,
                 b->type->name);
  const glsl_type *t = a->type;
  if (t->is_void() || t->contains_opaque())
    return error("operator '%s' does not apply to %s", text, t->name);
  if ((state_->is_es || state_->glsl_version < 120) && contains_array(t))
    return error(t->is_array() ? "operator '%s' does not apply to arrays (%s)"
                               : "operator '%s' does not apply to %s, which holds an array",
                 text, t->name);
  return compare(a, b, e_->oper == ast_equal, state_, instructions_);
}

// && and || evaluate their right operand only when it decides the result;
// when that operand has effects (a call, an assignment) it runs under an if.
ir_rvalue *expression_translator::logical() {
  const char *text = ast_operator_string(e_->oper);
  ir_rvalue *a = operand(0);
  exec_list right;
  ir_rvalue *b = operand(1, &right);
  if (a->type->is_error() || b->type->is_error()) return error_value(state_);
  if (!is_bool_scalar(a) || !is_bool_scalar(b))
    return error("operator '%s' needs two bools, not %s and %s", text, a->type->name, b->type->name);
  if (e_->oper == ast_logic_xor) {
    instructions_->append_list(&right);
    return fold(new (mem_) ir_expression(ir_binop_logic_xor, a, b));
  }
  const bool is_and = e_->oper == ast_logic_and;
  if (ir_constant *c = a->as_constant()) {
    if (c->value.b[0] != is_and) return c;  // decided by the left operand
    instructions_->append_list(&right);
    return b;
  }
  if (right.is_empty())
    return fold(new (mem_) ir_expression(is_and ? ir_binop_logic_and : ir_binop_logic_or, a, b));
  ir_variable *tmp = make_temporary(glsl_type::bool_type, state_, instructions_);
  auto *branch = new (mem_) ir_if(a);
  exec_list &evaluate = is_and ? branch->then_instructions : branch->else_instructions;
  exec_list &decided = is_and ? branch->else_instructions : branch->then_instructions;
  evaluate.append_list(&right);
  emit_assignment(new (mem_) ir_dereference_variable(tmp), b, &evaluate);
  emit_assignment(new (mem_) ir_dereference_variable(tmp), new (mem_) ir_constant(!is_and), &decided);
  instructions_->push_tail(branch);
  return new (mem_) ir_dereference_variable(tmp);
}

// Both sides of an assignment: the left one evaluated first and once, then
// the right one; false (after reporting) when either is faulty.
bool expression_translator::assignment_sides(ir_rvalue **lhs, ir_rvalue **rhs) {
  *lhs = operand(0);
  if ((*lhs)->type->is_error()) {
    operand(1);
    return false;
  }
  const bool ok = check_lvalue(*lhs, e_->location, "cannot assign to", state_);
  if (ok) *lhs = stabilize_lvalue(*lhs, state_, instructions_);
  *rhs = operand(1);
  return ok && !(*rhs)->type->is_error();
}

ir_rvalue *expression_translator::assignment() {
  ir_rvalue *lhs, *rhs;
  if (!assignment_sides(&lhs, &rhs)) return error_value(state_);
  ir_rvalue *converted = convert_implicitly(rhs, lhs->type, state_);
  if (converted == nullptr)
    return error("cannot assign %s to %s", rhs->type->name, lhs->type->name);
  emit_assignment(lhs, converted, instructions_);
  return lhs->clone(mem_, nullptr);
}

ir_rvalue *expression_translator::compound_assignment() {
  ir_rvalue *lhs, *rhs;
  if (!assignment_sides(&lhs, &rhs)) return error_value(state_);
  ir_rvalue *current = lhs->clone(mem_, nullptr);
  const glsl_type *type = arithmetic_type(&current, &rhs, e_->oper, e_->location, state_);
  if (type == nullptr) return error_value(state_);
  if (type != lhs->type)
    return error("operator '%s' gives %s, which cannot be assigned to %s",
                 ast_operator_string(e_->oper), type->name, lhs->type->name);
  ir_rvalue *value = fold(new (mem_) ir_expression(arithmetic_operation(e_->oper), type, current, rhs));
  emit_assignment(lhs, value, instructions_);
  return lhs->clone(mem_, nullptr);
}

// c ? a : b evaluates only the chosen operand: each is translated into its
// own list and runs under an if that stores the value in a temporary.
ir_rvalue *expression_translator::conditional() {
  ir_rvalue *condition = operand(0);
  exec_list then_list, else_list;
  ir_rvalue *a = operand(1, &then_list);
  ir_rvalue *b = operand(2, &else_list);
  if (condition->type->is_error() || a->type->is_error() || b->type->is_error())
    return error_value(state_);
  if (!is_bool_scalar(condition))
    return error("the condition of '?:' must be a bool, not %s", condition->type->name);
  if (a->type != b->type && a->type->is_numeric() && b->type->is_numeric() &&
      !a->type->is_array() && !b->type->is_array())
    unify_base_types(&a, &b, state_);
  if (a->type != b->type)
    return error("the operands of '?:' must have one type, not %s and %s", a->type->name,
                 b->type->name);
  if (a->type->is_void()) return error("the operands of '?:' cannot be void%s");
  if ((state_->is_es || state_->glsl_version < 120) && a->type->is_array())
    return error("the operands of '?:' cannot be arrays (%s)", a->type->name);
  if (ir_constant *c = condition->as_constant()) {
    instructions_->append_list(c->value.b[0] ? &then_list : &else_list);
    return c->value.b[0] ? a : b;
  }
  ir_variable *tmp = make_temporary(a->type, state_, instructions_);
  auto *branch = new (mem_) ir_if(condition);
  branch->then_instructions.append_list(&then_list);
  branch->else_instructions.append_list(&else_list);
  emit_assignment(new (mem_) ir_dereference_variable(tmp), a, &branch->then_instructions);
  emit_assignment(new (mem_) ir_dereference_variable(tmp), b, &branch->else_instructions);
  instructions_->push_tail(branch);
  return new (mem_) ir_dereference_variable(tmp);
}

ir_rvalue *expression_translator::increment() {
  const bool pre = e_->oper == ast_pre_inc || e_->oper == ast_pre_dec;
  const bool up = e_->oper == ast_pre_inc || e_->oper == ast_post_inc;
  const char *text = ast_operator_string(e_->oper);
  ir_rvalue *v = operand(0);
  if (v->type->is_error()) return v;
  if (!v->type->is_numeric() || v->type->is_array())
    return error("operator '%s' needs a number, not %s", text, v->type->name);
  if (!check_lvalue(v, e_->location, up ? "cannot increment" : "cannot decrement", state_))
    return error_value(state_);
  v = stabilize_lvalue(v, state_, instructions_);
  ir_rvalue *one = v->type->base_type == GLSL_TYPE_FLOAT
                       ? static_cast<ir_rvalue *>(new (mem_) ir_constant(1.0f))
                       : new (mem_) ir_constant(1);
  ir_rvalue *result = nullptr;
  if (!pre) {
    ir_variable *old = make_temporary(v->type, state_, instructions_);
    emit_assignment(new (mem_) ir_dereference_variable(old), v->clone(mem_, nullptr), instructions_);
    result = new (mem_) ir_dereference_variable(old);
  }
  auto *changed = new (mem_) ir_expression(up ? ir_binop_add : ir_binop_sub, v->type,
                                           v->clone(mem_, nullptr), one);
  emit_assignment(v, changed, instructions_);
  return pre ? v->clone(mem_, nullptr) : result;
}

ir_rvalue *expression_translator::field_selection() {
  ir_rvalue *v = operand(0);
  const char *name = e_->primary_expression.identifier;
  if (v->type->is_error()) return v;
  if (v->type->is_record()) {
    if (v->type->field_index(name) < 0)
      return error("%s has no field '%s'", v->type->name, name);
    return fold(new (mem_) ir_dereference_record(v, name));
  }
  if (v->type->is_vector()) {
    ir_swizzle *s = ir_swizzle::create(v, name, v->type->vector_elements);
    if (s == nullptr) return error("'%s' is not a swizzle of %s", name, v->type->name);
    return fold(s);
  }
  return error("cannot select '%s' of %s", name, v->type->name);
}

ir_rvalue *expression_translator::array_index() {
  ir_rvalue *array = operand(0);
  ir_rvalue *index = operand(1);
  if (array->type->is_error() || index->type->is_error()) return error_value(state_);
  const glsl_type *t = array->type;
  if (!t->is_array() && !t->is_vector() && !t->is_matrix())
    return error("cannot index %s", t->name);
  if (index->type != glsl_type::int_type)
    return error("an index must be an int, not %s", index->type->name);
  if (t->is_array() && t->length == 0) {
    // An array declared without a size takes the largest constant index
    // it is used with; gl_TexCoord at most gl_MaxTextureCoords.
    ir_constant *c = index->as_constant();
    ir_variable *var = array->variable_referenced();
    if (c == nullptr || var == nullptr)
      return error("an array without a size can only be indexed with a constant");
    const int i = c->value.i[0];
    const bool texcoord = std::strcmp(var->name, "gl_TexCoord") == 0;
    if (i < 0 || (texcoord && static_cast<unsigned>(i) >= state_->ctx->Const.MaxTextureCoordUnits)) {
      glsl_error(&e_->location, state_, "index %d is out of range of %s", i, var->name);
      return error_value(state_);
    }
    if (static_cast<unsigned>(i) > var->data.max_array_access)
      var->data.max_array_access = static_cast<unsigned>(i);
  } else if (ir_constant *c = index->as_constant()) {
    const int i = c->value.i[0];
    const unsigned size = t->is_array() ? t->length : t->is_matrix() ? t->matrix_columns
                                                                     : t->vector_elements;
    if (i < 0 || (size != 0 && static_cast<unsigned>(i) >= size)) {
      glsl_error(&e_->location, state_, "index %d is out of range of %s", i, t->name);
      return error_value(state_);
    }
  }
  return fold(new (mem_) ir_dereference_array(array, index));
}

}  // namespace

ir_rvalue *ast_expression::hir(exec_list *instructions, glsl_parse_state *state) {
  return expression_translator(this, instructions, state).run();
}
