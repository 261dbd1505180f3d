// Structural equality of value trees: whether two rvalues compute the same
// thing. Only constants, variable and array dereferences, swizzles, texture
// lookups and expressions can be equal; everything else never is.
#include <cstring>

#include "shadercompiler/ir/ir.h"

namespace {

bool possibly_null_equals(const ir_instruction *a, const ir_instruction *b,
                          ir_node_type ignore) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->equals(b, ignore);
}

}  // namespace

bool ir_constant::equals(const ir_instruction *ir, ir_node_type) const {
  const ir_constant *other = ir->as_constant();
  if (other == nullptr || type != other->type) return false;
  // Bit patterns, so 0.0 and -0.0 differ and equal NaNs match.
  for (unsigned i = 0; i < type->components() && i < 16; i++)
    if (value.u[i] != other->value.u[i]) return false;
  return true;
}

bool ir_dereference_variable::equals(const ir_instruction *ir,
                                     ir_node_type) const {
  const ir_dereference_variable *other = ir->as_dereference_variable();
  return other != nullptr && var == other->var;
}

bool ir_dereference_array::equals(const ir_instruction *ir,
                                  ir_node_type ignore) const {
  const ir_dereference_array *other = ir->as_dereference_array();
  if (other == nullptr || type != other->type) return false;
  return array->equals(other->array, ignore) &&
         array_index->equals(other->array_index, ignore);
}

bool ir_swizzle::equals(const ir_instruction *ir, ir_node_type ignore) const {
  const ir_swizzle *other = ir->as_swizzle();
  if (other == nullptr || type != other->type) return false;
  if (ignore != ir_type_swizzle &&
      (mask.x != other->mask.x || mask.y != other->mask.y ||
       mask.z != other->mask.z || mask.w != other->mask.w))
    return false;
  return val->equals(other->val, ignore);
}

bool ir_texture::equals(const ir_instruction *ir, ir_node_type ignore) const {
  const ir_texture *other = ir->as_texture();
  if (other == nullptr || type != other->type || op != other->op) return false;
  if (!possibly_null_equals(coordinate, other->coordinate, ignore) ||
      !possibly_null_equals(offset, other->offset, ignore) ||
      !sampler->equals(other->sampler, ignore))
    return false;
  switch (num_lod_operands(op)) {
    case 1:
      return lod_info.lod->equals(other->lod_info.lod, ignore);
    case 2:
      return lod_info.grad.dPdx->equals(other->lod_info.grad.dPdx, ignore) &&
             lod_info.grad.dPdy->equals(other->lod_info.grad.dPdy, ignore);
    default:
      return true;
  }
}

bool ir_expression::equals(const ir_instruction *ir,
                           ir_node_type ignore) const {
  const ir_expression *other = ir->as_expression();
  if (other == nullptr || type != other->type || operation != other->operation)
    return false;
  for (unsigned i = 0; i < get_num_operands() && i < 4; i++)
    if (!possibly_null_equals(operands[i], other->operands[i], ignore))
      return false;
  return true;
}
