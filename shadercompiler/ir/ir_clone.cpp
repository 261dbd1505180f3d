// Deep copies of IR nodes. Types, names of precision statements, declared
// record types and availability predicates are shared; variables and
// signatures copied along the way are recorded in the remap table so that
// later references to them can point at the copies.
#include <cstring>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

template <typename T>
T *clone_or_null(const T *ir, void *mem_ctx, hash_table *ht) {
  return ir != nullptr ? ir->clone(mem_ctx, ht) : nullptr;
}

void clone_list(exec_list *out, const exec_list *in, void *mem_ctx,
                hash_table *ht) {
  for (const exec_node *n = in->head_sentinel.next; n->next != nullptr; n = n->next)
    out->push_tail(static_cast<const ir_instruction *>(n)->clone(mem_ctx, ht));
}

}  // namespace

ir_rvalue *ir_rvalue::clone(void *mem_ctx, hash_table *) const {
  return ir_rvalue::error_value(mem_ctx);
}

ir_variable *ir_variable::clone(void *mem_ctx, hash_table *ht) const {
  auto *var = new (mem_ctx) ir_variable(
      type, name, static_cast<ir_variable_mode>(data.mode),
      static_cast<glsl_precision>(data.precision));
  var->data = data;

  if (is_interface_instance()) {
    var->max_ifc_array_access =
        rzalloc_array<unsigned>(var, interface_type->length);
    std::memcpy(var->max_ifc_array_access, max_ifc_array_access,
                interface_type->length * sizeof(unsigned));
  } else if (state_slots != nullptr) {
    var->num_state_slots = num_state_slots;
    var->state_slots = ralloc_array<ir_state_slot>(var, num_state_slots);
    std::memcpy(var->state_slots, state_slots,
                num_state_slots * sizeof(ir_state_slot));
  }
  var->constant_value = clone_or_null(constant_value, var, ht);
  var->constant_initializer = clone_or_null(constant_initializer, var, ht);
  var->interface_type = interface_type;

  if (ht != nullptr) hash_table_insert(ht, var, this);
  return var;
}

ir_swizzle *ir_swizzle::clone(void *mem_ctx, hash_table *ht) const {
  auto *copy = new (mem_ctx) ir_swizzle(val->clone(mem_ctx, ht), mask);
  copy->precision = precision;
  return copy;
}

ir_return *ir_return::clone(void *mem_ctx, hash_table *ht) const {
  return new (mem_ctx) ir_return(clone_or_null(value, mem_ctx, ht));
}

ir_discard *ir_discard::clone(void *mem_ctx, hash_table *ht) const {
  return new (mem_ctx) ir_discard(clone_or_null(condition, mem_ctx, ht));
}

ir_loop_jump *ir_loop_jump::clone(void *mem_ctx, hash_table *) const {
  return new (mem_ctx) ir_loop_jump(mode);
}

ir_if *ir_if::clone(void *mem_ctx, hash_table *ht) const {
  auto *copy = new (mem_ctx) ir_if(condition->clone(mem_ctx, ht));
  clone_list(&copy->then_instructions, &then_instructions, mem_ctx, ht);
  clone_list(&copy->else_instructions, &else_instructions, mem_ctx, ht);
  return copy;
}

ir_loop *ir_loop::clone(void *mem_ctx, hash_table *ht) const {
  auto *copy = new (mem_ctx) ir_loop();
  clone_list(&copy->body_instructions, &body_instructions, mem_ctx, ht);
  return copy;
}

ir_call *ir_call::clone(void *mem_ctx, hash_table *ht) const {
  exec_list parameters;
  clone_list(&parameters, &actual_parameters, mem_ctx, ht);
  return new (mem_ctx)
      ir_call(callee, clone_or_null(return_deref, mem_ctx, ht), &parameters);
}

ir_expression *ir_expression::clone(void *mem_ctx, hash_table *ht) const {
  ir_rvalue *op[4] = {nullptr, nullptr, nullptr, nullptr};
  for (unsigned i = 0; i < get_num_operands() && i < 4; i++)
    op[i] = clone_or_null(operands[i], mem_ctx, ht);
  auto *copy =
      new (mem_ctx) ir_expression(operation, type, op[0], op[1], op[2], op[3]);
  copy->precision = precision;
  return copy;
}

ir_dereference_variable *ir_dereference_variable::clone(void *mem_ctx,
                                                        hash_table *ht) const {
  ir_variable *new_var = nullptr;
  if (ht != nullptr)
    new_var = static_cast<ir_variable *>(hash_table_find(ht, var));
  auto *copy =
      new (mem_ctx) ir_dereference_variable(new_var != nullptr ? new_var : var);
  copy->precision = precision;
  return copy;
}

ir_dereference_array *ir_dereference_array::clone(void *mem_ctx,
                                                  hash_table *ht) const {
  return new (mem_ctx)
      ir_dereference_array(array->clone(mem_ctx, ht), array_index->clone(mem_ctx, ht));
}

ir_dereference_record *ir_dereference_record::clone(void *mem_ctx,
                                                    hash_table *ht) const {
  return new (mem_ctx) ir_dereference_record(record->clone(mem_ctx, ht), field);
}

// The copy keeps the source's precision: a texture lookup of medium
// precision must not silently turn low.
ir_texture *ir_texture::clone(void *mem_ctx, hash_table *ht) const {
  auto *copy = new (mem_ctx) ir_texture(op, precision);
  copy->type = type;
  copy->sampler = static_cast<ir_dereference *>(sampler->clone(mem_ctx, ht));
  copy->coordinate = clone_or_null(coordinate, mem_ctx, ht);
  copy->offset = clone_or_null(offset, mem_ctx, ht);
  switch (num_lod_operands(op)) {
    case 1:
      copy->lod_info.lod = lod_info.lod->clone(mem_ctx, ht);
      break;
    case 2:
      copy->lod_info.grad.dPdx = lod_info.grad.dPdx->clone(mem_ctx, ht);
      copy->lod_info.grad.dPdy = lod_info.grad.dPdy->clone(mem_ctx, ht);
      break;
    default:
      break;
  }
  return copy;
}

ir_assignment *ir_assignment::clone(void *mem_ctx, hash_table *ht) const {
  return new (mem_ctx) ir_assignment(lhs->clone(mem_ctx, ht),
                                     rhs->clone(mem_ctx, ht),
                                     clone_or_null(condition, mem_ctx, ht),
                                     write_mask);
}

ir_function *ir_function::clone(void *mem_ctx, hash_table *ht) const {
  auto *copy = new (mem_ctx) ir_function(name);
  for (const exec_node *n = signatures.head_sentinel.next; n->next != nullptr;
       n = n->next) {
    auto *sig = static_cast<const ir_function_signature *>(n);
    ir_function_signature *sig_copy = sig->clone(mem_ctx, ht);
    copy->add_signature(sig_copy);
    if (ht != nullptr) hash_table_insert(ht, sig_copy, sig);
  }
  return copy;
}

ir_function_signature *ir_function_signature::clone(void *mem_ctx,
                                                    hash_table *ht) const {
  ir_function_signature *copy = clone_prototype(mem_ctx, ht);
  copy->is_defined = is_defined;
  clone_list(&copy->body, &body, mem_ctx, ht);
  return copy;
}

ir_function_signature *ir_function_signature::clone_prototype(
    void *mem_ctx, hash_table *ht) const {
  auto *copy = new (mem_ctx)
      ir_function_signature(return_type, precision, builtin_avail);
  copy->is_defined = false;
  copy->is_intrinsic = is_intrinsic;
  copy->origin = this;
  clone_list(&copy->parameters, &parameters, mem_ctx, ht);
  return copy;
}

ir_constant *ir_constant::clone(void *mem_ctx, hash_table *) const {
  switch (type->base_type) {
    case GLSL_TYPE_UINT:
    case GLSL_TYPE_INT:
    case GLSL_TYPE_FLOAT:
    case GLSL_TYPE_BOOL:
      return new (mem_ctx) ir_constant(type, &value, precision);
    case GLSL_TYPE_STRUCT: {
      auto *copy = new (mem_ctx) ir_constant;
      copy->type = type;
      copy->precision = precision;
      foreach_in_list(const ir_constant, field, &components)
        copy->components.push_tail(field->clone(mem_ctx, nullptr));
      return copy;
    }
    case GLSL_TYPE_ARRAY: {
      auto *copy = new (mem_ctx) ir_constant;
      copy->type = type;
      copy->precision = precision;
      copy->array_elements = ralloc_array<ir_constant *>(copy, type->length);
      for (unsigned i = 0; i < type->length; i++)
        copy->array_elements[i] = array_elements[i]->clone(mem_ctx, nullptr);
      return copy;
    }
    default:
      return nullptr;
  }
}

ir_precision_statement *ir_precision_statement::clone(void *mem_ctx,
                                                      hash_table *) const {
  return new (mem_ctx) ir_precision_statement(precision_statement);
}

ir_typedecl_statement *ir_typedecl_statement::clone(void *mem_ctx,
                                                    hash_table *) const {
  return new (mem_ctx) ir_typedecl_statement(type_decl);
}

ir_emit_vertex *ir_emit_vertex::clone(void *mem_ctx, hash_table *ht) const {
  return new (mem_ctx) ir_emit_vertex(stream->clone(mem_ctx, ht));
}

ir_end_primitive *ir_end_primitive::clone(void *mem_ctx, hash_table *ht) const {
  return new (mem_ctx) ir_end_primitive(stream->clone(mem_ctx, ht));
}

namespace {

// Points calls at the copies of the signatures they called.
class fixup_ir_call_visitor : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit_enter;
  explicit fixup_ir_call_visitor(hash_table *ht) : ht(ht) {}

  ir_visitor_status visit_enter(ir_call *ir) override {
    auto *copy =
        static_cast<ir_function_signature *>(hash_table_find(ht, ir->callee));
    if (copy != nullptr) ir->callee = copy;
    return visit_continue;
  }

 private:
  hash_table *ht;
};

}  // namespace

void clone_ir_list(void *mem_ctx, exec_list *out, const exec_list *in) {
  hash_table *ht = hash_table_create(0, hash_table_pointer_hash,
                                     hash_table_pointer_compare);
  clone_list(out, in, mem_ctx, ht);
  if (ht == nullptr) return;  // nothing recorded: calls keep their callees
  fixup_ir_call_visitor fixer(ht);
  fixer.run(out);
  hash_table_destroy(ht);
}
