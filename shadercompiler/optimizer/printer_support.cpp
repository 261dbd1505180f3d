#include "shadercompiler/optimizer/printer_support.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"

std::string print_float_literal(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  std::string text(buffer, result.ptr);
  const size_t exponent = text.find('e');
  const std::string mantissa = text.substr(0, exponent);
  if (mantissa.find('.') == std::string::npos) {
    if (exponent == std::string::npos) text += ".0";
    else text.insert(exponent, ".0");
  }
  return text;
}

std::string print_scalar_literal(const ir_constant *c, unsigned i) {
  switch (c->type->base_type) {
    case GLSL_TYPE_FLOAT: {
      const float f = c->value.f[i];
      if (std::isnan(f)) return "(0.0 / 0.0)";
      if (std::isinf(f)) return f > 0 ? "(1.0 / 0.0)" : "(-1.0 / 0.0)";
      return print_float_literal(f);
    }
    case GLSL_TYPE_INT:
      if (c->value.i[i] == INT_MIN) return "(-2147483647 - 1)";
      return std::to_string(c->value.i[i]);
    case GLSL_TYPE_UINT: return std::to_string(c->value.u[i]) + "u";
    case GLSL_TYPE_BOOL: return c->value.b[i] ? "true" : "false";
    default: return "0";
  }
}

namespace {

class identifier_collector : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
   using ir_hierarchical_visitor::visit_enter;
  explicit identifier_collector(printer_names *names) : names_(names) {}

  ir_visitor_status visit(ir_variable *var) override {
    if (var->name != nullptr) names_->take(var->name);
    type(var->type);
    return visit_continue;
  }
  ir_visitor_status visit_enter(ir_function *f) override {
    names_->take(f->name);
    return visit_continue;
  }
  ir_visitor_status visit(ir_typedecl_statement *decl) override {
    type(decl->type_decl);
    return visit_continue;
  }

 private:
  void type(const glsl_type *t) {
    while (t->is_array()) t = t->fields.array;
    if (!t->is_record()) return;
    names_->take(t->name);
    for (unsigned i = 0; i < t->length; i++) {
      names_->take(t->fields.structure[i].name);
      type(t->fields.structure[i].type);
    }
  }

  printer_names *names_;
};

}  // namespace

void printer_names::take_identifiers(exec_list *instructions) {
  identifier_collector collector(this);
  collector.run(instructions);
}

std::string printer_names::fresh(const std::string &base) {
  const bool joined = !base.empty() && base.back() == '_';
  for (;;) {
    std::string name = base + (joined ? "" : "_") + std::to_string(++counter_);
    if (taken_.insert(name).second) return name;
  }
}

namespace {

// Whether `value` reads `var` anywhere.
bool reads_variable(ir_rvalue *value, ir_variable *var) {
  struct search {
    ir_variable *var;
    bool found;
  } state{var, false};
  visit_tree(
      value,
      [](ir_instruction *ir, void *data) {
        auto *d = ir->as_dereference_variable();
        auto *s = static_cast<search *>(data);
        if (d != nullptr && d->var == s->var) s->found = true;
      },
      &state);
  return state.found;
}

}  // namespace

std::vector<ir_assignment *> vector_constructor_pieces(ir_variable *var) {
  std::vector<ir_assignment *> pieces;
  if (!var->type->is_vector()) return pieces;
  const unsigned full = (1u << var->type->vector_elements) - 1;
  unsigned written = 0;
  for (exec_node *n = var->next; !n->is_tail_sentinel() && written != full; n = n->next) {
    ir_assignment *a = static_cast<ir_instruction *>(n)->as_assignment();
    if (a == nullptr || a->condition != nullptr) break;
    ir_dereference_variable *lhs = a->lhs->as_dereference_variable();
    if (lhs == nullptr || lhs->var != var) break;
    // The next components in order, and no others.
    const unsigned mask = a->write_mask & full;
    if (mask == 0 || (mask & written) != 0 || (mask & (written + 1)) == 0) break;
    if ((mask >> __builtin_ctz(mask)) & ((mask >> __builtin_ctz(mask)) + 1)) break;
    if (reads_variable(a->rhs, var)) break;
    written |= mask;
    pieces.push_back(a);
  }
  if (written != full || pieces.size() < 2) pieces.clear();
  return pieces;
}

bool assignment_initializes(ir_assignment *a, ir_variable *var) {
  if (a == nullptr || a->condition != nullptr) return false;
  ir_dereference_variable *lhs = a->lhs->as_dereference_variable();
  if (lhs == nullptr || lhs->var != var) return false;
  if (var->type->is_vector() && a->write_mask != (1u << var->type->vector_elements) - 1)
    return false;
  return !reads_variable(a->rhs, var);
}

std::vector<constructor_argument> constructor_arguments(ir_expression *e) {
  std::vector<constructor_argument> arguments;
  auto component_of = [](ir_rvalue *operand, ir_rvalue **vector, unsigned *component) {
    ir_swizzle *s = operand->as_swizzle();
    if (s == nullptr || s->mask.num_components != 1 || !s->val->type->is_vector()) return false;
    *vector = s->val;
    *component = s->mask.x;
    return true;
  };
  for (unsigned i = 0; i < e->get_num_operands(); i++) {
    ir_rvalue *vector;
    unsigned component;
    if (!component_of(e->operands[i], &vector, &component)) {
      arguments.push_back({e->operands[i]});
      continue;
    }
    if (!arguments.empty() && arguments.back().vector != nullptr &&
        same_value(arguments.back().vector, vector) &&
        arguments.back().first + arguments.back().count == component) {
      arguments.back().count++;
      continue;
    }
    arguments.push_back({e->operands[i], vector, component, 1});
  }
  // A lone component reads better as the swizzle it was.
  for (constructor_argument &a : arguments)
    if (a.count == 1) a.vector = nullptr;
  return arguments;
}

bool same_value(const ir_rvalue *a, const ir_rvalue *b) {
  if (a->ir_type != b->ir_type || a->type != b->type) return false;
  switch (a->ir_type) {
    case ir_type_dereference_variable:
      return static_cast<const ir_dereference_variable *>(a)->var ==
             static_cast<const ir_dereference_variable *>(b)->var;
    case ir_type_dereference_record: {
      auto *x = static_cast<const ir_dereference_record *>(a);
      auto *y = static_cast<const ir_dereference_record *>(b);
      return std::strcmp(x->field, y->field) == 0 && same_value(x->record, y->record);
    }
    case ir_type_dereference_array: {
      auto *x = static_cast<const ir_dereference_array *>(a);
      auto *y = static_cast<const ir_dereference_array *>(b);
      return same_value(x->array, y->array) && same_value(x->array_index, y->array_index);
    }
    case ir_type_swizzle: {
      auto *x = static_cast<const ir_swizzle *>(a);
      auto *y = static_cast<const ir_swizzle *>(b);
      return x->mask.num_components == y->mask.num_components && x->mask.x == y->mask.x &&
             x->mask.y == y->mask.y && x->mask.z == y->mask.z && x->mask.w == y->mask.w &&
             same_value(x->val, y->val);
    }
    case ir_type_constant:
      return a->equals(b);
    default:
      return false;
  }
}
