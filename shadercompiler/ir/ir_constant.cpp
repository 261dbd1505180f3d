// Constant values: construction from scalars, lists and other constants,
// component access with conversion between base types, and value tests.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

// Conversions that saturate instead of leaving out-of-range floats
// undefined; NaN converts to 0.
int float_to_int(float f) {
  if (std::isnan(f)) return 0;
  if (f >= 2147483648.0f) return INT_MAX;
  if (f <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(f);
}

unsigned float_to_uint(float f) {
  if (std::isnan(f)) return 0;
  if (f >= 4294967296.0f) return UINT_MAX;
  if (f <= -2147483648.0f) return static_cast<unsigned>(INT_MIN);
  return static_cast<unsigned>(static_cast<long long>(f));
}

}  // namespace

ir_constant::ir_constant()
    : ir_rvalue(ir_type_constant, glsl_precision_undefined), value() {}

ir_constant::ir_constant(const glsl_type *type, const ir_constant_data *data,
                         glsl_precision precision)
    : ir_rvalue(ir_type_constant, precision), value(*data) {
  this->type = type;
}

ir_constant::ir_constant(float f, unsigned vector_elements)
    : ir_rvalue(ir_type_constant, glsl_precision_undefined), value() {
  type = glsl_type::get_instance(GLSL_TYPE_FLOAT, vector_elements, 1);
  for (unsigned i = 0; i < std::min(vector_elements, 16u); i++) value.f[i] = f;
}

ir_constant::ir_constant(unsigned u, unsigned vector_elements)
    : ir_rvalue(ir_type_constant, glsl_precision_undefined), value() {
  type = glsl_type::get_instance(GLSL_TYPE_UINT, vector_elements, 1);
  for (unsigned i = 0; i < std::min(vector_elements, 16u); i++) value.u[i] = u;
}

ir_constant::ir_constant(int n, unsigned vector_elements)
    : ir_rvalue(ir_type_constant, glsl_precision_undefined), value() {
  type = glsl_type::get_instance(GLSL_TYPE_INT, vector_elements, 1);
  for (unsigned i = 0; i < std::min(vector_elements, 16u); i++) value.i[i] = n;
}

ir_constant::ir_constant(bool b, unsigned vector_elements)
    : ir_rvalue(ir_type_constant, glsl_precision_undefined), value() {
  type = glsl_type::get_instance(GLSL_TYPE_BOOL, vector_elements, 1);
  for (unsigned i = 0; i < std::min(vector_elements, 16u); i++) value.b[i] = b;
}

ir_constant::ir_constant(const ir_constant *c, unsigned i)
    : ir_rvalue(ir_type_constant, c->precision), value() {
  type = c->type->get_base_type();
  if (i >= 16) return;
  if (type->is_boolean())
    value.b[0] = c->value.b[i];
  else
    value.u[0] = c->value.u[i];
}

ir_constant::ir_constant(const glsl_type *type, exec_list *values)
    : ir_rvalue(ir_type_constant, glsl_precision_undefined), value() {
  this->type = type;
  if (type->is_record()) {
    values->move_nodes_to(&components);
    // As for arrays: a field the list leaves out is zero, not missing.
    for (unsigned i = components.length(); i < type->length; i++)
      components.push_tail(ir_constant::zero(this, type->fields.structure[i].type));
    return;
  }
  if (type->is_array()) {
    array_elements = rzalloc_array<ir_constant *>(this, type->length);
    unsigned i = 0;
    foreach_in_list(ir_constant, element, values) {
      if (i >= type->length) break;
      array_elements[i++] = element;
    }
    // Every slot holds a constant, so readers never meet a null element:
    // the ones a short list leaves out are zero, as an unset array is.
    for (; i < type->length; i++)
      array_elements[i] = ir_constant::zero(this, type->fields.array);
    return;
  }
  if (values->is_empty()) return;
  auto *first = static_cast<ir_constant *>(values->get_head());

  // A single scalar splats, converted to this type's base type; a matrix
  // takes it on the diagonal only.
  if (first->type->is_scalar() && first->next->is_tail_sentinel()) {
    if (type->is_matrix()) {
      for (unsigned i = 0; i < type->matrix_columns; i++)
        value.f[i * type->vector_elements + i] = first->get_float_component(0);
    } else {
      for (unsigned i = 0; i < type->components(); i++)
        set_component_from(i, first, 0);
    }
    return;
  }

  // A matrix from a matrix keeps the overlapping block; every other entry
  // comes from the identity.
  if (type->is_matrix() && first->type->is_matrix()) {
    const unsigned rows = type->vector_elements;
    const unsigned cols = type->matrix_columns;
    const unsigned src_rows = first->type->vector_elements;
    const unsigned src_cols = first->type->matrix_columns;
    for (unsigned c = 0; c < cols; c++) {
      for (unsigned r = 0; r < rows; r++) {
        if (c < src_cols && r < src_rows)
          value.f[c * rows + r] = first->value.f[c * src_rows + r];
        else
          value.f[c * rows + r] = c == r ? 1.0f : 0.0f;
      }
    }
    return;
  }

  unsigned i = 0;
  foreach_in_list(ir_constant, element, values) {
    for (unsigned j = 0; j < element->type->components(); j++) {
      if (i >= type->components()) return;
      set_component_from(i++, element, j);
    }
  }
}

ir_constant *ir_constant::zero(void *mem_ctx, const glsl_type *type) {
  auto *c = new (mem_ctx) ir_constant;
  c->type = type;
  if (type->is_array()) {
    c->array_elements = ralloc_array<ir_constant *>(c, type->length);
    for (unsigned i = 0; i < type->length; i++)
      c->array_elements[i] = ir_constant::zero(c, type->fields.array);
  }
  if (type->is_record()) {
    for (unsigned i = 0; i < type->length; i++)
      c->components.push_tail(
          ir_constant::zero(mem_ctx, type->fields.structure[i].type));
  }
  return c;
}

void ir_constant::set_component_from(unsigned destination,
                                     const ir_constant *src, unsigned source) {
  if (destination >= 16) return;
  switch (type->base_type) {
    case GLSL_TYPE_UINT:
      value.u[destination] = src->get_uint_component(source);
      break;
    case GLSL_TYPE_INT:
      value.i[destination] = src->get_int_component(source);
      break;
    case GLSL_TYPE_FLOAT:
      value.f[destination] = src->get_float_component(source);
      break;
    case GLSL_TYPE_BOOL:
      value.b[destination] = src->get_bool_component(source);
      break;
    default:
      break;
  }
}

unsigned ir_constant::get_uint_component(unsigned i) const {
  if (i >= 16) return 0;
  switch (type->base_type) {
    case GLSL_TYPE_UINT: return value.u[i];
    case GLSL_TYPE_INT: return static_cast<unsigned>(value.i[i]);
    case GLSL_TYPE_FLOAT: return float_to_uint(value.f[i]);
    case GLSL_TYPE_BOOL: return value.b[i] ? 1 : 0;
    default: return 0;
  }
}

int ir_constant::get_int_component(unsigned i) const {
  if (i >= 16) return 0;
  switch (type->base_type) {
    case GLSL_TYPE_UINT: return static_cast<int>(value.u[i]);
    case GLSL_TYPE_INT: return value.i[i];
    case GLSL_TYPE_FLOAT: return float_to_int(value.f[i]);
    case GLSL_TYPE_BOOL: return value.b[i] ? 1 : 0;
    default: return 0;
  }
}

float ir_constant::get_float_component(unsigned i) const {
  if (i >= 16) return 0.0f;
  switch (type->base_type) {
    case GLSL_TYPE_UINT: return static_cast<float>(value.u[i]);
    case GLSL_TYPE_INT: return static_cast<float>(value.i[i]);
    case GLSL_TYPE_FLOAT: return value.f[i];
    case GLSL_TYPE_BOOL: return value.b[i] ? 1.0f : 0.0f;
    default: return 0.0f;
  }
}

bool ir_constant::get_bool_component(unsigned i) const {
  if (i >= 16) return false;
  switch (type->base_type) {
    case GLSL_TYPE_UINT: return value.u[i] != 0;
    case GLSL_TYPE_INT: return value.i[i] != 0;
    case GLSL_TYPE_FLOAT: return std::trunc(value.f[i]) != 0.0f;
    case GLSL_TYPE_BOOL: return value.b[i];
    default: return false;
  }
}

ir_constant *ir_constant::get_array_element(int i) const {
  if (array_elements == nullptr || type->length == 0) return nullptr;
  if (i < 0) i = 0;
  if (static_cast<unsigned>(i) >= type->length) i = static_cast<int>(type->length) - 1;
  return array_elements[i];
}

ir_constant *ir_constant::get_record_field(const char *name) {
  int index = type->field_index(name);
  if (index < 0) return nullptr;
  foreach_in_list(ir_constant, field, &components) {
    if (index-- == 0) return field;
  }
  return nullptr;
}

void ir_constant::copy_components_at(const ir_constant *src, unsigned offset) {
  if (type->is_record()) {
    components.make_empty();
    foreach_in_list(const ir_constant, field, &src->components)
      components.push_tail(field->clone(this, nullptr));
    return;
  }
  if (type->is_array()) {
    if (array_elements == nullptr || src->array_elements == nullptr) return;
    for (unsigned i = 0; i < std::min(type->length, src->type->length); i++)
      array_elements[i] = src->array_elements[i]->clone(this, nullptr);
    return;
  }
  for (unsigned i = 0; i < src->type->components(); i++) {
    if (offset + i >= type->components()) break;
    set_component_from(offset + i, src, i);
  }
}

void ir_constant::copy_components_masked_at(const ir_constant *src,
                                            unsigned offset, unsigned mask) {
  if (!type->is_vector() && !type->is_matrix()) {
    offset = 0;
    mask = 1;
  }
  unsigned source = 0;
  for (unsigned i = 0; i < 4; i++) {
    if ((mask & (1u << i)) == 0) continue;
    if (i + offset < type->components() && source < src->type->components())
      set_component_from(i + offset, src, source);
    source++;
  }
}

bool ir_constant::has_value(const ir_constant *c) const {
  if (type != c->type) return false;
  if (type->is_record()) {
    const exec_node *a = components.head_sentinel.next;
    const exec_node *b = c->components.head_sentinel.next;
    for (; a->next != nullptr && b->next != nullptr; a = a->next, b = b->next) {
      if (!static_cast<const ir_constant *>(a)->has_value(
              static_cast<const ir_constant *>(b)))
        return false;
    }
    return a->next == nullptr && b->next == nullptr;
  }
  if (type->is_array()) {
    for (unsigned i = 0; i < type->length; i++)
      if (!array_elements[i]->has_value(c->array_elements[i])) return false;
    return true;
  }
  for (unsigned i = 0; i < type->components(); i++) {
    switch (type->base_type) {
      case GLSL_TYPE_UINT:
      case GLSL_TYPE_INT:
        if (value.u[i] != c->value.u[i]) return false;
        break;
      case GLSL_TYPE_FLOAT:
        if (value.f[i] != c->value.f[i]) return false;
        break;
      case GLSL_TYPE_BOOL:
        if (value.b[i] != c->value.b[i]) return false;
        break;
      default:
        return false;
    }
  }
  return true;
}

bool ir_constant::all_components_equal(float f, int i) const {
  if (!type->is_scalar() && !type->is_vector()) return false;
  if (type->is_boolean() && i != 0 && i != 1) return false;
  for (unsigned c = 0; c < type->components(); c++) {
    switch (type->base_type) {
      case GLSL_TYPE_FLOAT:
        if (value.f[c] != f) return false;
        break;
      case GLSL_TYPE_INT:
        if (value.i[c] != i) return false;
        break;
      case GLSL_TYPE_UINT:
        if (value.u[c] != static_cast<unsigned>(i)) return false;
        break;
      case GLSL_TYPE_BOOL:
        if (value.b[c] != (i != 0)) return false;
        break;
      default:
        return false;
    }
  }
  return true;
}

bool ir_constant::is_zero() const { return all_components_equal(0.0f, 0); }
bool ir_constant::is_one() const { return all_components_equal(1.0f, 1); }
bool ir_constant::is_negative_one() const { return all_components_equal(-1.0f, -1); }

bool ir_constant::is_basis() const {
  if (!type->is_scalar() && !type->is_vector()) return false;
  if (type->is_boolean()) return false;
  unsigned ones = 0;
  for (unsigned c = 0; c < type->components(); c++) {
    switch (type->base_type) {
      case GLSL_TYPE_FLOAT:
        if (value.f[c] == 1.0f) ones++;
        else if (value.f[c] != 0.0f) return false;
        break;
      case GLSL_TYPE_INT:
        if (value.i[c] == 1) ones++;
        else if (value.i[c] != 0) return false;
        break;
      case GLSL_TYPE_UINT:
        if (value.u[c] == 1) ones++;
        else if (value.u[c] != 0) return false;
        break;
      default:
        return false;
    }
  }
  return ones == 1;
}

bool ir_constant::is_uint16_constant() const {
  if (!type->is_integer()) return false;
  return value.u[0] < 65536;
}
