#include "shadercompiler/ir/ir.h"

#include <algorithm>
#include <cstring>

#include "shadercompiler/ir/ir_visitor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/shc_assert.h"

void ir_node_noop_destructor(void *) {}

void *ir_instruction::operator new(size_t size, void *mem_ctx) {
  void *p = ralloc_size(mem_ctx, size);
  SHC_ASSERT(p != NULL);
  ralloc_set_destructor(p, ir_node_noop_destructor);
  return p;
}

void ir_instruction::operator delete(void *node) {
  ralloc_set_destructor(node, nullptr);
  ralloc_free(node);
}

bool ir_instruction::equals(const ir_instruction *, ir_node_type) const {
  return false;
}

glsl_precision precision_from_ir(const ir_instruction *ir) {
  if (ir == nullptr) return glsl_precision_undefined;
  if (const ir_variable *var = ir->as_variable())
    return static_cast<glsl_precision>(var->data.precision);
  if (const ir_rvalue *rv = ir->as_rvalue()) return rv->precision;
  if (const ir_function_signature *sig = ir->as_function_signature())
    return sig->precision;
  if (const ir_call *call = ir->as_call())
    return call->return_deref != nullptr ? call->return_deref->precision
                                         : glsl_precision_high;
  return glsl_precision_high;
}

glsl_precision higher_precision(const ir_instruction *a, const ir_instruction *b) {
  return std::min(precision_from_ir(a), precision_from_ir(b));
}

void visit_exec_list(exec_list *list, ir_visitor *visitor) {
  foreach_in_list_safe(ir_instruction, node, list) node->accept(visitor);
}

// ---------------------------------------------------------------- rvalues

ir_rvalue::ir_rvalue(ir_node_type type, glsl_precision precision)
    : ir_instruction(type), type(glsl_type::error_type), precision(precision) {}

ir_rvalue *ir_rvalue::error_value(void *mem_ctx) {
  return new (mem_ctx) ir_rvalue(ir_type_rvalue, glsl_precision_undefined);
}

ir_constant *ir_rvalue::constant_expression_value(hash_table *) { return nullptr; }

// ------------------------------------------------------------ expressions

namespace {

// The type of a product when a matrix takes part, by the rules of linear
// algebra: matrix x vector is a column, vector x matrix a row, and
// matrix x matrix has the left rows and the right columns.
const glsl_type *product_type(const glsl_type *a, const glsl_type *b) {
  if (a->is_matrix() && b->is_matrix())
    return glsl_type::get_instance(GLSL_TYPE_FLOAT, a->vector_elements,
                                   b->matrix_columns);
  if (a->is_matrix() && b->is_vector())
    return glsl_type::get_instance(GLSL_TYPE_FLOAT, a->vector_elements, 1);
  if (a->is_vector() && b->is_matrix())
    return glsl_type::get_instance(GLSL_TYPE_FLOAT, b->matrix_columns, 1);
  return a->is_scalar() ? b : a;
}

const glsl_type *sized(glsl_base_type base, const ir_rvalue *op) {
  return glsl_type::get_instance(base, op->type->vector_elements, 1);
}

}  // namespace

ir_expression::ir_expression(int op, const glsl_type *type, ir_rvalue *op0,
                             ir_rvalue *op1, ir_rvalue *op2, ir_rvalue *op3)
    : ir_rvalue(ir_type_expression, glsl_precision_undefined),
      operation(static_cast<ir_expression_operation>(op)),
      operands{op0, op1, op2, op3} {
  this->type = type;
  precision = std::min(higher_precision(op0, op1), higher_precision(op2, op3));
}

ir_expression::ir_expression(int op, ir_rvalue *op0)
    : ir_rvalue(ir_type_expression, precision_from_ir(op0)),
      operation(static_cast<ir_expression_operation>(op)),
      operands{op0, nullptr, nullptr, nullptr} {
  switch (operation) {
    case ir_unop_f2i: case ir_unop_b2i: case ir_unop_u2i:
    case ir_unop_bitcast_f2i: case ir_unop_bit_count: case ir_unop_find_msb:
    case ir_unop_find_lsb:
      type = sized(GLSL_TYPE_INT, op0);
      break;
    case ir_unop_f2u: case ir_unop_i2u: case ir_unop_bitcast_f2u:
      type = sized(GLSL_TYPE_UINT, op0);
      break;
    case ir_unop_i2f: case ir_unop_b2f: case ir_unop_u2f:
    case ir_unop_bitcast_i2f: case ir_unop_bitcast_u2f:
      type = sized(GLSL_TYPE_FLOAT, op0);
      break;
    case ir_unop_f2b: case ir_unop_i2b:
      type = sized(GLSL_TYPE_BOOL, op0);
      break;
    case ir_unop_any:
      type = glsl_type::bool_type;
      break;
    case ir_unop_pack_snorm_2x16: case ir_unop_pack_snorm_4x8:
    case ir_unop_pack_unorm_2x16: case ir_unop_pack_unorm_4x8:
    case ir_unop_pack_half_2x16:
      type = glsl_type::uint_type;
      break;
    case ir_unop_unpack_snorm_2x16: case ir_unop_unpack_unorm_2x16:
    case ir_unop_unpack_half_2x16:
      type = glsl_type::vec2_type;
      break;
    case ir_unop_unpack_snorm_4x8: case ir_unop_unpack_unorm_4x8:
      type = glsl_type::vec4_type;
      break;
    case ir_unop_unpack_half_2x16_split_x: case ir_unop_unpack_half_2x16_split_y:
    case ir_unop_noise:
      type = glsl_type::float_type;
      break;
    default:
      type = op0->type;
      break;
  }
}

ir_expression::ir_expression(int op, ir_rvalue *op0, ir_rvalue *op1)
    : ir_rvalue(ir_type_expression, higher_precision(op0, op1)),
      operation(static_cast<ir_expression_operation>(op)),
      operands{op0, op1, nullptr, nullptr} {
  switch (operation) {
    case ir_binop_mul:
      type = product_type(op0->type, op1->type);
      break;
    case ir_binop_add: case ir_binop_sub: case ir_binop_div: case ir_binop_mod:
    case ir_binop_bit_and: case ir_binop_bit_xor: case ir_binop_bit_or:
    case ir_binop_logic_and: case ir_binop_logic_xor: case ir_binop_logic_or:
    case ir_binop_min: case ir_binop_max: case ir_binop_pow:
      type = op0->type->is_scalar() ? op1->type : op0->type;
      break;
    case ir_binop_imul_high: case ir_binop_carry: case ir_binop_borrow:
    case ir_binop_lshift: case ir_binop_rshift: case ir_binop_bfm:
    case ir_binop_ldexp: case ir_binop_interpolate_at_offset:
    case ir_binop_interpolate_at_sample:
      type = op0->type;
      precision = op0->precision;
      break;
    case ir_binop_less: case ir_binop_greater: case ir_binop_lequal:
    case ir_binop_gequal: case ir_binop_equal: case ir_binop_nequal:
      type = sized(GLSL_TYPE_BOOL, op0);
      break;
    case ir_binop_all_equal: case ir_binop_any_nequal:
      type = glsl_type::bool_type;
      break;
    case ir_binop_pack_half_2x16_split:
      type = glsl_type::uint_type;
      break;
    case ir_binop_vector_extract:
      type = op0->type->get_scalar_type();
      precision = op0->precision;
      break;
    default:  // dot, ubo_load
      type = glsl_type::float_type;
      break;
  }
}

ir_expression::ir_expression(int op, ir_rvalue *op0, ir_rvalue *op1,
                             ir_rvalue *op2)
    : ir_rvalue(ir_type_expression,
                std::min(precision_from_ir(op0), higher_precision(op1, op2))),
      operation(static_cast<ir_expression_operation>(op)),
      operands{op0, op1, op2, nullptr} {
  switch (operation) {
    case ir_triop_csel: case ir_triop_bfi:
      type = op1->type;
      break;
    default:  // fma, clamp, lrp, bitfield_extract, vector_insert
      type = op0->type;
      break;
  }
}

unsigned ir_expression::num_operands(ir_expression_operation op) {
  if (op <= ir_last_unop) return 1;
  if (op <= ir_last_binop) return 2;
  if (op <= ir_last_triop) return 3;
  if (op <= ir_last_quadop) return 4;
  return 0;
}

unsigned ir_expression::get_num_operands() const {
  if (operation == ir_quadop_vector) return type->vector_elements;
  return num_operands(operation);
}

// -------------------------------------------------------------- swizzles

void ir_swizzle::init_mask(const unsigned *components, unsigned count) {
  mask = ir_swizzle_mask{0, 0, 0, 0, 0, 0};
  mask.num_components = count;
  unsigned dup_check = 0;
  for (unsigned i = 0; i < count && i < 4; i++) {
    unsigned c = components[i] & 3;
    switch (i) {
      case 0: mask.x = c; break;
      case 1: mask.y = c; break;
      case 2: mask.z = c; break;
      default: mask.w = c; break;
    }
    if (dup_check & (1u << c)) mask.has_duplicates = 1;
    dup_check |= 1u << c;
  }
  type = glsl_type::get_instance(val->type->base_type, count, 1);
  precision = val->precision;
}

ir_swizzle::ir_swizzle(ir_rvalue *val, unsigned x, unsigned y, unsigned z,
                       unsigned w, unsigned count)
    : ir_rvalue(ir_type_swizzle, glsl_precision_undefined), val(val) {
  const unsigned components[4] = {x, y, z, w};
  init_mask(components, count);
}

ir_swizzle::ir_swizzle(ir_rvalue *val, const unsigned *components,
                       unsigned count)
    : ir_rvalue(ir_type_swizzle, glsl_precision_undefined), val(val) {
  init_mask(components, count);
}

ir_swizzle::ir_swizzle(ir_rvalue *val, ir_swizzle_mask m)
    : ir_rvalue(ir_type_swizzle, glsl_precision_undefined), val(val) {
  const unsigned components[4] = {m.x, m.y, m.z, m.w};
  init_mask(components, m.num_components);
}

ir_swizzle *ir_swizzle::create(ir_rvalue *val, const char *letters,
                               unsigned vector_length) {
  static const char *const sets[] = {"xyzw", "rgba", "stpq"};
  const char *set = nullptr;
  for (const char *candidate : sets)
    if (letters[0] != '\0' && std::strchr(candidate, letters[0]) != nullptr)
      set = candidate;
  if (set == nullptr) return nullptr;
  unsigned components[4];
  unsigned count = 0;
  for (; letters[count] != '\0'; count++) {
    if (count >= 4) return nullptr;
    const char *found = std::strchr(set, letters[count]);
    if (found == nullptr) return nullptr;
    unsigned index = static_cast<unsigned>(found - set);
    if (index >= vector_length) return nullptr;
    components[count] = index;
  }
  return new (ralloc_parent(val)) ir_swizzle(val, components, count);
}

bool ir_swizzle::is_lvalue() const {
  return val->is_lvalue() && !mask.has_duplicates;
}

ir_variable *ir_swizzle::variable_referenced() const {
  return val->variable_referenced();
}

// ---------------------------------------------------------- dereferences

bool ir_dereference::is_lvalue() const {
  ir_variable *var = variable_referenced();
  if (var == nullptr || var->data.read_only) return false;
  return !type->contains_opaque();
}

ir_dereference_variable::ir_dereference_variable(ir_variable *var)
    : ir_dereference(ir_type_dereference_variable,
                     static_cast<glsl_precision>(var->data.precision)),
      var(var) {
  type = var->type;
}

ir_dereference_array::ir_dereference_array(ir_rvalue *value,
                                           ir_rvalue *array_index)
    : ir_dereference(ir_type_dereference_array, glsl_precision_undefined),
      array_index(array_index) {
  set_array(value);
}

ir_dereference_array::ir_dereference_array(ir_variable *var,
                                           ir_rvalue *array_index)
    : ir_dereference(ir_type_dereference_array, glsl_precision_undefined),
      array_index(array_index) {
  set_array(new (ralloc_parent(var)) ir_dereference_variable(var));
}

void ir_dereference_array::set_array(ir_rvalue *value) {
  array = value;
  const glsl_type *vt = value->type;
  if (vt->is_array())
    type = vt->fields.array;
  else if (vt->is_matrix())
    type = vt->column_type();
  else if (vt->is_vector())
    type = vt->get_base_type();
  else
    type = glsl_type::error_type;
  precision = value->precision;
}

ir_dereference_record::ir_dereference_record(ir_rvalue *value,
                                             const char *field)
    : ir_dereference(ir_type_dereference_record, glsl_precision_undefined),
      record(value), field(ralloc_strdup(this, field)) {
  type = value->type->field_type(field);
  precision = value->type->field_precision(field);
}

// --------------------------------------------------------------- textures

ir_texture::ir_texture(ir_texture_opcode op, glsl_precision precision)
    : ir_rvalue(ir_type_texture, precision), op(op) {
  lod_info.grad.dPdx = nullptr;
  lod_info.grad.dPdy = nullptr;
  type = glsl_type::void_type;
}

namespace {
const char *const kTextureOpcodes[] = {"tex", "txb", "txl", "txd", "txf",
                                       "txf_ms", "txs", "lod", "tg4"};
}

const char *ir_texture::opcode_string(ir_texture_opcode op) {
  return op < sizeof(kTextureOpcodes) / sizeof(kTextureOpcodes[0])
             ? kTextureOpcodes[op]
             : "";
}

int ir_texture::get_opcode(const char *text) {
  for (unsigned i = 0; i < sizeof(kTextureOpcodes) / sizeof(kTextureOpcodes[0]); i++)
    if (std::strcmp(text, kTextureOpcodes[i]) == 0) return static_cast<int>(i);
  return -1;
}

unsigned ir_texture::num_lod_operands(ir_texture_opcode op) {
  switch (op) {
    case ir_txb: case ir_txl: case ir_txf: case ir_txf_ms: case ir_txs:
    case ir_tg4:
      return 1;
    case ir_txd:
      return 2;
    default:
      return 0;
  }
}

void ir_texture::set_sampler(ir_dereference *sampler, const glsl_type *type) {
  this->sampler = sampler;
  this->type = type;
}

bool ir_texture::has_lod(const glsl_type *sampler_type) {
  switch (sampler_type->sampler_dimensionality) {
    case GLSL_SAMPLER_DIM_RECT: case GLSL_SAMPLER_DIM_BUF:
    case GLSL_SAMPLER_DIM_MS:
      return false;
    default:
      return true;
  }
}

// -------------------------------------------------------------- variables

bool ir_variable::temporaries_allocate_names = false;

namespace {
const char kTemporaryName[] = "compiler_temp";
}

ir_variable::ir_variable(const glsl_type *type, const char *name,
                         ir_variable_mode mode, glsl_precision precision)
    : ir_instruction(ir_type_variable), type(type), data() {
  data.mode = mode;
  data.precision = precision;
  data.read_only = type->is_sampler();
  data.location = -1;
  if (mode == ir_var_temporary) {
    this->name = temporaries_allocate_names && name != nullptr &&
                         name != kTemporaryName
                     ? ralloc_strdup(this, name)
                     : kTemporaryName;
  } else {
    this->name = ralloc_strdup(this, name);
  }
  const glsl_type *element = type->is_array() ? type->fields.array : type;
  if (element->is_interface()) {
    interface_type = element;
    max_ifc_array_access = rzalloc_array<unsigned>(this, element->length);
  }
}

bool ir_variable::is_interface_instance() const {
  const glsl_type *element = type->is_array() ? type->fields.array : type;
  return element->is_interface() && element == interface_type;
}

const char *ir_variable::mode_string() const {
  switch (data.mode) {
    case ir_var_auto: return data.read_only ? "global constant" : "global variable";
    case ir_var_uniform: return "uniform";
    case ir_var_shader_in: return "shader input";
    case ir_var_shader_out: return "shader output";
    case ir_var_shader_inout: return "shader inout";
    case ir_var_function_in:
    case ir_var_const_in: return "function input";
    case ir_var_function_out: return "function output";
    case ir_var_function_inout: return "function inout";
    case ir_var_system_value: return "shader input";
    case ir_var_temporary: return "compiler temporary";
    default: return "invalid variable";
  }
}

namespace {
const char *const kWarnExtensions[] = {nullptr, "GL_ARB_shader_stencil_export",
                                       "GL_AMD_shader_stencil_export"};
}

void ir_variable::enable_extension_warning(const char *extension) {
  data.warn_extension_index = 0;
  for (unsigned i = 1; i < 3; i++)
    if (std::strcmp(extension, kWarnExtensions[i]) == 0) data.warn_extension_index = i;
}

const char *ir_variable::get_extension_warning() const {
  return data.warn_extension_index < 3 ? kWarnExtensions[data.warn_extension_index]
                                       : nullptr;
}

const char *ir_variable::interpolation_string(unsigned interpolation) {
  switch (interpolation) {
    case INTERP_QUALIFIER_NONE: return "no";
    case INTERP_QUALIFIER_SMOOTH: return "smooth";
    case INTERP_QUALIFIER_FLAT: return "flat";
    case INTERP_QUALIFIER_NOPERSPECTIVE: return "noperspective";
    default: return "";
  }
}

const char *ir_variable::depth_layout_string(unsigned layout) {
  switch (layout) {
    case ir_depth_layout_any: return "depth_any";
    case ir_depth_layout_greater: return "depth_greater";
    case ir_depth_layout_less: return "depth_less";
    case ir_depth_layout_unchanged: return "depth_unchanged";
    default: return "";
  }
}

unsigned vertices_per_prim(uint32_t primitive) {
  switch (primitive) {
    case 0x0000: return 1;  // GL_POINTS
    case 0x0001: return 2;  // GL_LINES
    case 0x000A: return 4;  // GL_LINES_ADJACENCY
    case 0x000C: return 6;  // GL_TRIANGLES_ADJACENCY
    default: return 3;
  }
}

// ------------------------------------------------------------ assignments

ir_assignment::ir_assignment(ir_rvalue *lhs, ir_rvalue *rhs,
                             ir_rvalue *condition, unsigned write_mask)
    : ir_instruction(ir_type_assignment),
      lhs(static_cast<ir_dereference *>(lhs)), rhs(rhs), condition(condition),
      write_mask(write_mask & 15) {}

ir_assignment::ir_assignment(ir_rvalue *lhs, ir_rvalue *rhs,
                             ir_rvalue *condition)
    : ir_instruction(ir_type_assignment), lhs(nullptr), rhs(rhs),
      condition(condition), write_mask(0) {
  if (rhs->type->is_vector())
    write_mask = (1u << rhs->type->vector_elements) - 1;
  else if (rhs->type->is_scalar())
    write_mask = 1;
  set_lhs(lhs);
}

namespace {

void set_selector(ir_swizzle_mask &m, unsigned position, unsigned component) {
  switch (position) {
    case 0: m.x = component; break;
    case 1: m.y = component; break;
    case 2: m.z = component; break;
    default: m.w = component; break;
  }
  m.num_components = std::max<unsigned>(m.num_components, position + 1);
}

unsigned selector(const ir_swizzle_mask &m, unsigned position) {
  switch (position) {
    case 0: return m.x;
    case 1: return m.y;
    case 2: return m.z;
    default: return m.w;
  }
}

}  // namespace

void ir_assignment::set_lhs(ir_rvalue *new_lhs) {
  bool swizzled = false;
  while (ir_swizzle *swiz = new_lhs->as_swizzle()) {
    unsigned mask = 0;
    ir_swizzle_mask rhs_swiz{0, 0, 0, 0, 0, 0};
    for (unsigned i = 0; i < swiz->mask.num_components; i++) {
      unsigned c = selector(swiz->mask, i);
      mask |= ((write_mask >> i) & 1u) << c;
      set_selector(rhs_swiz, c, i);
    }
    write_mask = mask;
    new_lhs = swiz->val;
    rhs = new (this) ir_swizzle(rhs, rhs_swiz);
    swizzled = true;
  }
  if (swizzled) {
    // Pack the rhs channels in the order of the written components.
    ir_swizzle_mask packed{0, 0, 0, 0, 0, 0};
    unsigned channel = 0;
    for (unsigned i = 0; i < 4; i++)
      if (write_mask & (1u << i)) set_selector(packed, channel++, i);
    rhs = new (this) ir_swizzle(rhs, packed);
  }
  lhs = static_cast<ir_dereference *>(new_lhs);
}

ir_variable *ir_assignment::whole_variable_written() {
  ir_variable *v = lhs->whole_variable_referenced();
  if (v == nullptr) return nullptr;
  if (v->type->is_vector() &&
      write_mask != (1u << v->type->vector_elements) - 1)
    return nullptr;
  return v;
}

// ------------------------------------------------------- calls, functions

ir_call::ir_call(ir_function_signature *callee,
                 ir_dereference_variable *return_deref,
                 exec_list *actual_parameters)
    : ir_instruction(ir_type_call), return_deref(return_deref),
      callee(callee), use_builtin(callee->is_builtin()) {
  actual_parameters->move_nodes_to(&this->actual_parameters);
}

const char *ir_call::callee_name() const { return callee->function_name(); }

ir_function_signature::ir_function_signature(
    const glsl_type *return_type, glsl_precision precision,
    builtin_available_predicate builtin_avail)
    : ir_instruction(ir_type_function_signature), return_type(return_type),
      precision(precision), is_defined(0), is_intrinsic(false),
      builtin_avail(builtin_avail) {}

const char *ir_function_signature::function_name() const {
  return _function != nullptr ? _function->name : nullptr;
}

bool ir_function_signature::is_builtin_available(
    const glsl_parse_state *state) const {
  return state == nullptr || builtin_avail == nullptr || builtin_avail(state);
}

namespace {

bool same_qualifiers(const ir_variable *a, const ir_variable *b) {
  auto mode = [](unsigned m) { return m == ir_var_const_in ? ir_var_function_in : m; };
  return a->data.read_only == b->data.read_only &&
         mode(a->data.mode) == mode(b->data.mode) &&
         a->data.centroid == b->data.centroid &&
         a->data.sample == b->data.sample &&
         a->data.interpolation == b->data.interpolation &&
         a->data.image_read_only == b->data.image_read_only &&
         a->data.image_write_only == b->data.image_write_only &&
         a->data.image_coherent == b->data.image_coherent &&
         a->data.image_volatile == b->data.image_volatile &&
         a->data.image_restrict == b->data.image_restrict;
}

}  // namespace

const char *ir_function_signature::qualifiers_match(exec_list *params) {
  foreach_two_lists(a_node, &parameters, b_node, params) {
    auto *a = static_cast<ir_variable *>(a_node);
    auto *b = static_cast<ir_variable *>(b_node);
    if (!same_qualifiers(a, b)) return a->name;
  }
  return nullptr;
}

void ir_function_signature::replace_parameters(exec_list *new_params) {
  new_params->move_nodes_to(&parameters);
}

ir_function::ir_function(const char *name)
    : ir_instruction(ir_type_function), name(ralloc_strdup(this, name)) {}

bool ir_function::has_user_signature() {
  foreach_in_list(ir_function_signature, sig, &signatures)
    if (!sig->is_builtin()) return true;
  return false;
}

// ---------------------------------------------------- flat visitor accept

#define ACCEPT(TYPE) \
  void TYPE::accept(ir_visitor *v) { v->visit(this); }
ACCEPT(ir_rvalue)
ACCEPT(ir_variable)
ACCEPT(ir_function_signature)
ACCEPT(ir_function)
ACCEPT(ir_expression)
ACCEPT(ir_texture)
ACCEPT(ir_swizzle)
ACCEPT(ir_dereference_variable)
ACCEPT(ir_dereference_array)
ACCEPT(ir_dereference_record)
ACCEPT(ir_assignment)
ACCEPT(ir_constant)
ACCEPT(ir_call)
ACCEPT(ir_return)
ACCEPT(ir_discard)
ACCEPT(ir_if)
ACCEPT(ir_loop)
ACCEPT(ir_loop_jump)
ACCEPT(ir_precision_statement)
ACCEPT(ir_typedecl_statement)
ACCEPT(ir_emit_vertex)
ACCEPT(ir_end_primitive)
#undef ACCEPT
