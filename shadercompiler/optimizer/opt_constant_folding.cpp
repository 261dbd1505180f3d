// Constant folding with dead-branch removal, and the algebraic identities
// that are exact bit for bit.
#include <cstring>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_rvalue_visitor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/optimizer/ir_optimization.h"
#include "shadercompiler/optimizer/optimizer_support.h"

void collect_reads(ir_rvalue *value, std::vector<ir_variable *> *out) {
  if (value == nullptr) return;
  class collector : public ir_hierarchical_visitor {
   public:
     using ir_hierarchical_visitor::visit;
    explicit collector(std::vector<ir_variable *> *out) : out_(out) {}
    ir_visitor_status visit(ir_dereference_variable *d) override {
      out_->push_back(d->var);
      return visit_continue;
    }

   private:
    std::vector<ir_variable *> *out_;
  } c(out);
  value->accept(&c);
}

namespace {

// Folds values bottom-up: a node is valued only when its operands already
// are constants, so that a deep expression costs one walk.
class constant_folder : public ir_rvalue_visitor {
 public:
  explicit constant_folder(void *mem) : mem_(mem) {}

  void handle_rvalue(ir_rvalue **rvalue) override {
    ir_rvalue *value = *rvalue;
    if (value == nullptr || value->as_constant() != nullptr) return;
    if (!operands_constant(value)) return;
    ir_constant *c = value->constant_expression_value(nullptr);
    if (c == nullptr) return;
    if (ralloc_parent(c) != mem_) ralloc_steal(mem_, c);
    *rvalue = c;
    progress = true;
  }

  bool progress = false;

 private:
  // A constant, a constant variable, or an element or field of one.
  static bool known_constant(const ir_rvalue *value) {
    switch (value->ir_type) {
      case ir_type_constant:
        return true;
      case ir_type_dereference_variable: {
        const ir_variable *var = static_cast<const ir_dereference_variable *>(value)->var;
        return var->constant_value != nullptr && var->data.mode != ir_var_uniform &&
               !var->type->contains_opaque();
      }
      case ir_type_dereference_array: {
        auto *d = static_cast<const ir_dereference_array *>(value);
        return known_constant(d->array) && d->array_index->as_constant() != nullptr;
      }
      case ir_type_dereference_record:
        return known_constant(static_cast<const ir_dereference_record *>(value)->record);
      default:
        return false;
    }
  }

  // Arrays and structures stay variables: their elements and fields fold
  // where they are picked at a constant index, and a constant array picked
  // at run time remains a declared constant (Metal cannot index a brace
  // list).
  static bool operands_constant(ir_rvalue *value) {
    switch (value->ir_type) {
      case ir_type_expression: {
        auto *e = static_cast<ir_expression *>(value);
        for (unsigned i = 0; i < e->get_num_operands(); i++)
          if (e->operands[i] == nullptr || e->operands[i]->as_constant() == nullptr) return false;
        return true;
      }
      case ir_type_swizzle:
        return static_cast<ir_swizzle *>(value)->val->as_constant() != nullptr;
      case ir_type_dereference_variable:
        return known_constant(value) && !value->type->is_array() && !value->type->is_record();
      case ir_type_dereference_array: {
        auto *d = static_cast<ir_dereference_array *>(value);
        return known_constant(d->array) && d->array_index->as_constant() != nullptr &&
               !value->type->is_array() && !value->type->is_record();
      }
      case ir_type_dereference_record:
        return known_constant(static_cast<ir_dereference_record *>(value)->record) &&
               !value->type->is_array() && !value->type->is_record();
      default:
        return false;
    }
  }

  void *mem_;
};

// Replaces `ir` by the statements of `list`.
void splice(ir_instruction *ir, exec_list *list) {
  while (!list->is_empty()) {
    exec_node *n = list->get_head();
    n->remove();
    ir->insert_before(n);
  }
  ir->remove();
}

bool fold_control_flow(exec_list *list) {
  bool progress = false;
  foreach_in_list(ir_instruction, ir, list) {
    if (ir_if *i = ir->as_if()) {
      if (ir_constant *c = i->condition->as_constant()) {
        splice(ir, c->get_bool_component(0) ? &i->then_instructions : &i->else_instructions);
        progress = true;
      }
    } else if (ir_assignment *a = ir->as_assignment()) {
      if (a->condition != nullptr) {
        if (ir_constant *c = a->condition->as_constant()) {
          if (c->get_bool_component(0)) a->condition = nullptr;
          else a->remove();
          progress = true;
        }
      }
    } else if (ir_discard *d = ir->as_discard()) {
      if (d->condition != nullptr) {
        if (ir_constant *c = d->condition->as_constant()) {
          if (c->get_bool_component(0)) d->condition = nullptr;
          else d->remove();
          progress = true;
        }
      }
    } else if (ir_loop *l = ir->as_loop()) {
      auto *first = static_cast<ir_instruction *>(l->body_instructions.get_head());
      ir_loop_jump *jump = first != nullptr ? first->as_loop_jump() : nullptr;
      if (jump != nullptr && jump->is_break()) {
        l->remove();
        progress = true;
      }
    }
  }
  return progress;
}

bool all_components_bits(const ir_constant *c, uint32_t bits) {
  if (!c->type->is_scalar() && !c->type->is_vector()) return false;
  for (unsigned i = 0; i < c->type->components(); i++)
    if (c->value.u[i] != bits) return false;
  return true;
}

bool is_exact_one(const ir_rvalue *v) {
  const ir_constant *c = v->as_constant();
  if (c == nullptr) return false;
  switch (c->type->base_type) {
    case GLSL_TYPE_FLOAT: return all_components_bits(c, 0x3f800000u);
    case GLSL_TYPE_INT: case GLSL_TYPE_UINT: return all_components_bits(c, 1u);
    default: return false;
  }
}

// +0.0 for floats, 0 for integers.
bool is_positive_zero(const ir_rvalue *v) {
  const ir_constant *c = v->as_constant();
  if (c == nullptr || c->type->is_boolean()) return false;
  return all_components_bits(c, 0u);
}

bool is_negative_zero_float(const ir_rvalue *v) {
  const ir_constant *c = v->as_constant();
  return c != nullptr && c->type->is_float() && all_components_bits(c, 0x80000000u);
}

class algebra : public ir_rvalue_visitor {
 public:
  explicit algebra(void *mem) : mem_(mem) {}

  void handle_rvalue(ir_rvalue **rvalue) override {
    ir_rvalue *v = *rvalue;
    if (v == nullptr) return;
    ir_rvalue *simpler = nullptr;
    if (ir_expression *e = v->as_expression()) simpler = expression(e);
    else if (ir_swizzle *s = v->as_swizzle()) simpler = swizzle(s);
    if (simpler != nullptr && simpler != v) {
      *rvalue = simpler;
      progress = true;
    }
  }

  bool progress = false;

 private:
  // The operand that the identity leaves, when its type is the result's.
  static ir_rvalue *keep(ir_expression *e, ir_rvalue *operand) {
    return operand->type == e->type ? operand : nullptr;
  }

  ir_rvalue *expression(ir_expression *e) {
    ir_rvalue *a = e->operands[0];
    ir_rvalue *b = e->get_num_operands() > 1 ? e->operands[1] : nullptr;
    switch (e->operation) {
      case ir_binop_mul:
        // Only products taken component by component: a matrix product
        // with a matrix of ones is no identity.
        if (a->type->is_matrix() && b->type->is_matrix()) return nullptr;
        if ((a->type->is_matrix() && b->type->is_vector()) ||
            (a->type->is_vector() && b->type->is_matrix()))
          return nullptr;
        if (is_exact_one(b)) return keep(e, a);
        if (is_exact_one(a)) return keep(e, b);
        return nullptr;
      case ir_binop_div:
        return is_exact_one(b) ? keep(e, a) : nullptr;
      case ir_binop_add:
        if (e->type->is_integer()) {
          if (is_positive_zero(b)) return keep(e, a);
          if (is_positive_zero(a)) return keep(e, b);
          return nullptr;
        }
        if (is_negative_zero_float(b)) return keep(e, a);
        if (is_negative_zero_float(a)) return keep(e, b);
        return nullptr;
      case ir_binop_sub:
        return is_positive_zero(b) ? keep(e, a) : nullptr;
      case ir_unop_neg: case ir_unop_logic_not: case ir_unop_bit_not: {
        ir_expression *inner = a->as_expression();
        if (inner != nullptr && inner->operation == e->operation) return keep(e, inner->operands[0]);
        return nullptr;
      }
      default:
        return nullptr;
    }
  }

  ir_rvalue *swizzle(ir_swizzle *s) {
    const unsigned selectors[4] = {s->mask.x, s->mask.y, s->mask.z, s->mask.w};
    if (ir_swizzle *inner = s->val->as_swizzle()) {
      const unsigned inner_selectors[4] = {inner->mask.x, inner->mask.y, inner->mask.z,
                                           inner->mask.w};
      unsigned composed[4] = {0, 0, 0, 0};
      for (unsigned i = 0; i < s->mask.num_components; i++)
        composed[i] = inner_selectors[selectors[i]];
      auto *merged = new (mem_) ir_swizzle(inner->val, composed, s->mask.num_components);
      merged->precision = s->precision;
      return merged;
    }
    const glsl_type *from = s->val->type;
    if (!from->is_vector() || s->mask.num_components != from->vector_elements) return nullptr;
    for (unsigned i = 0; i < s->mask.num_components; i++)
      if (selectors[i] != i) return nullptr;
    return s->val;
  }

  void *mem_;
};

}  // namespace

bool fold_constants(exec_list *instructions) {
  constant_folder folder(ralloc_parent(instructions));
  folder.run(instructions);
  bool progress = folder.progress;
  for_each_statement_list(instructions,
                          [&](exec_list *list) { progress = fold_control_flow(list) || progress; });
  return progress;
}

bool simplify_algebra(exec_list *instructions) {
  algebra pass(ralloc_parent(instructions));
  pass.run(instructions);
  return pass.progress;
}

bool is_simple_value(const ir_rvalue *value) {
  switch (value->ir_type) {
    case ir_type_constant:
    case ir_type_dereference_variable:
      return true;
    case ir_type_swizzle:
      return is_simple_value(static_cast<const ir_swizzle *>(value)->val);
    case ir_type_dereference_record:
      return is_simple_value(static_cast<const ir_dereference_record *>(value)->record);
    case ir_type_dereference_array: {
      auto *d = static_cast<const ir_dereference_array *>(value);
      return d->array_index->as_constant() != nullptr && is_simple_value(d->array);
    }
    default:
      return false;
  }
}

ir_variable *declare_temporary(void *mem, const glsl_type *type, const char *name,
                               ir_instruction *before) {
  auto *var = new (mem) ir_variable(type, name, ir_var_temporary, glsl_precision_undefined);
  before->insert_before(var);
  return var;
}

ir_rvalue *evaluate_once(void *mem, ir_rvalue *value, ir_instruction *before) {
  if (is_simple_value(value)) return value;
  ir_variable *var = declare_temporary(mem, value->type, "value", before);
  before->insert_before(new (mem) ir_assignment(new (mem) ir_dereference_variable(var), value));
  return new (mem) ir_dereference_variable(var);
}
