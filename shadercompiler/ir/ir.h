// The compiler's intermediate representation: statements in intrusive lists
// with expression trees (rvalues) below them. Every node lives in the pool
// context it was created in and dies with it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shadercompiler/ir/glsl_types.h"
#include "shadercompiler/ir/list.h"

struct glsl_parse_state;
struct hash_table;
class ir_visitor;
class ir_hierarchical_visitor;

enum ir_visitor_status {
  visit_continue = 0,
  visit_continue_with_parent,  // skip the remaining children of the parent
  visit_stop,                  // end the whole walk
};

enum ir_node_type : uint32_t {
  ir_type_dereference_array = 0,
  ir_type_dereference_record,
  ir_type_dereference_variable,
  ir_type_constant,
  ir_type_expression,
  ir_type_swizzle,
  ir_type_texture,
  ir_type_variable,
  ir_type_assignment,
  ir_type_call,
  ir_type_function,
  ir_type_function_signature,
  ir_type_if,
  ir_type_loop,
  ir_type_loop_jump,
  ir_type_return,
  ir_type_precision,
  ir_type_typedecl,
  ir_type_discard,
  ir_type_emit_vertex,
  ir_type_end_primitive,
  ir_type_rvalue,  // a bare rvalue: the error value
  ir_type_unset,   // ignores nothing when passed to equals
};

enum ir_expression_operation : uint32_t {
  ir_unop_bit_not = 0,
  ir_unop_logic_not = 1,
  ir_unop_neg = 2,
  ir_unop_abs = 3,
  ir_unop_sign = 4,
  ir_unop_rcp = 5,
  ir_unop_rsq = 6,
  ir_unop_sqrt = 7,
  ir_unop_normalize = 8,
  ir_unop_exp = 9,
  ir_unop_log = 10,
  ir_unop_exp2 = 11,
  ir_unop_log2 = 12,
  ir_unop_f2i = 13,
  ir_unop_f2u = 14,
  ir_unop_i2f = 15,
  ir_unop_f2b = 16,
  ir_unop_b2f = 17,
  ir_unop_i2b = 18,
  ir_unop_b2i = 19,
  ir_unop_u2f = 20,
  ir_unop_i2u = 21,
  ir_unop_u2i = 22,
  ir_unop_bitcast_i2f = 23,
  ir_unop_bitcast_f2i = 24,
  ir_unop_bitcast_u2f = 25,
  ir_unop_bitcast_f2u = 26,
  ir_unop_any = 27,
  ir_unop_trunc = 28,
  ir_unop_ceil = 29,
  ir_unop_floor = 30,
  ir_unop_fract = 31,
  ir_unop_round_even = 32,
  ir_unop_sin = 33,
  ir_unop_cos = 34,
  ir_unop_sin_reduced = 35,
  ir_unop_cos_reduced = 36,
  ir_unop_dFdx = 37,
  ir_unop_dFdx_coarse = 38,
  ir_unop_dFdx_fine = 39,
  ir_unop_dFdy = 40,
  ir_unop_dFdy_coarse = 41,
  ir_unop_dFdy_fine = 42,
  ir_unop_pack_snorm_2x16 = 43,
  ir_unop_pack_snorm_4x8 = 44,
  ir_unop_pack_unorm_2x16 = 45,
  ir_unop_pack_unorm_4x8 = 46,
  ir_unop_pack_half_2x16 = 47,
  ir_unop_unpack_snorm_2x16 = 48,
  ir_unop_unpack_snorm_4x8 = 49,
  ir_unop_unpack_unorm_2x16 = 50,
  ir_unop_unpack_unorm_4x8 = 51,
  ir_unop_unpack_half_2x16 = 52,
  ir_unop_unpack_half_2x16_split_x = 53,
  ir_unop_unpack_half_2x16_split_y = 54,
  ir_unop_bitfield_reverse = 55,
  ir_unop_bit_count = 56,
  ir_unop_find_msb = 57,
  ir_unop_find_lsb = 58,
  ir_unop_saturate = 59,
  ir_unop_noise = 60,
  ir_unop_interpolate_at_centroid = 61,
  ir_binop_add = 62,
  ir_binop_sub = 63,
  ir_binop_mul = 64,
  ir_binop_imul_high = 65,
  ir_binop_div = 66,
  ir_binop_carry = 67,
  ir_binop_borrow = 68,
  ir_binop_mod = 69,
  ir_binop_less = 70,
  ir_binop_greater = 71,
  ir_binop_lequal = 72,
  ir_binop_gequal = 73,
  ir_binop_equal = 74,
  ir_binop_nequal = 75,
  ir_binop_all_equal = 76,
  ir_binop_any_nequal = 77,
  ir_binop_lshift = 78,
  ir_binop_rshift = 79,
  ir_binop_bit_and = 80,
  ir_binop_bit_xor = 81,
  ir_binop_bit_or = 82,
  ir_binop_logic_and = 83,
  ir_binop_logic_xor = 84,
  ir_binop_logic_or = 85,
  ir_binop_dot = 86,
  ir_binop_min = 87,
  ir_binop_max = 88,
  ir_binop_pow = 89,
  ir_binop_pack_half_2x16_split = 90,
  ir_binop_bfm = 91,
  ir_binop_ubo_load = 92,
  ir_binop_ldexp = 93,
  ir_binop_vector_extract = 94,
  ir_binop_interpolate_at_offset = 95,
  ir_binop_interpolate_at_sample = 96,
  ir_triop_fma = 97,
  ir_triop_clamp = 98,
  ir_triop_lrp = 99,
  ir_triop_csel = 100,
  ir_triop_bfi = 101,
  ir_triop_bitfield_extract = 102,
  ir_triop_vector_insert = 103,
  ir_quadop_bitfield_insert = 104,
  ir_quadop_vector = 105,
  ir_last_unop = ir_unop_interpolate_at_centroid,
  ir_last_binop = ir_binop_interpolate_at_sample,
  ir_last_triop = ir_triop_vector_insert,
  ir_last_quadop = ir_quadop_vector,
  ir_last_opcode = ir_quadop_vector,
};

enum ir_variable_mode : uint32_t {
  ir_var_auto = 0,  // global or local
  ir_var_uniform,
  ir_var_shader_in,
  ir_var_shader_out,
  ir_var_shader_inout,
  ir_var_function_in,
  ir_var_function_out,
  ir_var_function_inout,
  ir_var_const_in,
  ir_var_system_value,
  ir_var_temporary,
  ir_var_mode_count,
};

enum glsl_interp_qualifier : uint32_t {
  INTERP_QUALIFIER_NONE = 0,
  INTERP_QUALIFIER_SMOOTH,
  INTERP_QUALIFIER_FLAT,
  INTERP_QUALIFIER_NOPERSPECTIVE,
};

enum ir_depth_layout : uint32_t {
  ir_depth_layout_none = 0,
  ir_depth_layout_any,
  ir_depth_layout_greater,
  ir_depth_layout_less,
  ir_depth_layout_unchanged,
};

enum ir_texture_opcode : uint32_t {
  ir_tex = 0,
  ir_txb,
  ir_txl,
  ir_txd,
  ir_txf,
  ir_txf_ms,
  ir_txs,
  ir_lod,
  ir_tg4,
  ir_query_levels,
};

class ir_rvalue;
class ir_variable;
class ir_constant;
class ir_expression;
class ir_swizzle;
class ir_texture;
class ir_dereference;
class ir_dereference_variable;
class ir_dereference_array;
class ir_dereference_record;
class ir_assignment;
class ir_call;
class ir_function;
class ir_function_signature;
class ir_if;
class ir_loop;
class ir_loop_jump;
class ir_return;
class ir_discard;

// The pool destructor of every node: the pool frees node memory without
// running C++ destructors, which nodes do not need.
void ir_node_noop_destructor(void *node);

// The node classes that have an as_<type>() downcast, as an X-macro list.
#define IR_CHILD_TYPES(X)                                                    \
  X(variable) X(function) X(function_signature) X(dereference_array)         \
  X(dereference_variable) X(dereference_record) X(expression) X(loop)        \
  X(assignment) X(call) X(return) X(if) X(swizzle) X(texture) X(constant)   \
  X(discard) X(loop_jump)

class ir_instruction : public exec_node {
 public:
  ir_node_type ir_type;

  virtual ~ir_instruction() {}
  // Nodes are made with `new (mem_ctx) ir_...`; allocation never fails.
  static void *operator new(size_t size, void *mem_ctx);
  // Explicit deletion frees the node and its pool children.
  static void operator delete(void *node);

  virtual void accept(ir_visitor *v) = 0;
  virtual ir_visitor_status accept(ir_hierarchical_visitor *v) = 0;
  // A deep copy in `mem_ctx`; `ht` (or null) maps source variables and
  // signatures to their copies.
  virtual ir_instruction *clone(void *mem_ctx, hash_table *ht) const = 0;
  // Whether two value trees compute the same thing; `ignore` names a node
  // type whose distinguishing detail is not compared (only swizzles).
  virtual bool equals(const ir_instruction *ir,
                      ir_node_type ignore = ir_type_unset) const;

  bool is_rvalue() const {
    return ir_type <= ir_type_texture || ir_type == ir_type_rvalue;
  }
  bool is_dereference() const { return ir_type <= ir_type_dereference_variable; }
  bool is_jump() const {
    return ir_type == ir_type_loop_jump || ir_type == ir_type_return ||
           ir_type == ir_type_discard;
  }

  ir_rvalue *as_rvalue();
  const ir_rvalue *as_rvalue() const;
  ir_dereference *as_dereference();
  const ir_dereference *as_dereference() const;
#define AS_CHILD(TYPE)    \
  ir_##TYPE *as_##TYPE(); \
  const ir_##TYPE *as_##TYPE() const;
  IR_CHILD_TYPES(AS_CHILD)
#undef AS_CHILD

 protected:
  explicit ir_instruction(ir_node_type type) : ir_type(type) {}
};

class ir_rvalue : public ir_instruction {
 public:
  const glsl_type *type;
  glsl_precision precision;

  // A bare rvalue of the error type (node type 21).
  static ir_rvalue *error_value(void *mem_ctx);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_rvalue *clone(void *mem_ctx, hash_table *ht) const override;

  // Folds the value to a constant when it is one; null otherwise.
  virtual ir_constant *constant_expression_value(
      hash_table *variable_context = nullptr);
  virtual bool is_lvalue() const { return false; }
  virtual ir_variable *variable_referenced() const { return nullptr; }
  virtual ir_variable *whole_variable_referenced() { return nullptr; }
  virtual bool is_zero() const { return false; }
  virtual bool is_one() const { return false; }
  virtual bool is_negative_one() const { return false; }
  virtual bool is_basis() const { return false; }
  virtual bool is_uint16_constant() const { return false; }

 protected:
  ir_rvalue(ir_node_type type, glsl_precision precision);
};

union ir_constant_data {
  unsigned u[16];
  int i[16];
  float f[16];
  bool b[16];
};

// Bits of a variable's data; those not named by the IR belong to the front
// end (layout qualifiers and bookkeeping) and start cleared.
struct ir_variable_data {
  unsigned read_only : 1;
  unsigned centroid : 1;
  unsigned sample : 1;
  unsigned invariant : 1;
  unsigned how_declared : 2;
  unsigned assigned : 1;
  unsigned used : 1;
  unsigned explicit_location : 1;
  unsigned mode : 4;
  unsigned interpolation : 2;
  unsigned precision : 2;
  unsigned explicit_index : 1;
  unsigned explicit_binding : 1;
  unsigned has_initializer : 1;
  unsigned is_unmatched_generic_inout : 1;
  unsigned origin_upper_left : 1;
  unsigned pixel_center_integer : 1;
  unsigned depth_layout : 3;
  unsigned from_named_ifc_block_nonarray : 1;
  unsigned from_named_ifc_block_array : 1;
  unsigned must_be_shader_input : 1;
  unsigned explicit_invariant : 1;
  unsigned : 4;
  uint8_t image_bits_reserved : 3;
  uint8_t image_read_only : 1;
  uint8_t image_write_only : 1;
  uint8_t image_coherent : 1;
  uint8_t image_volatile : 1;
  uint8_t image_restrict : 1;
  uint8_t warn_extension_index;  // 0 none, see ir_variable::warn_extension
  int location;                  // -1 at creation
  int index;
  int binding;
  unsigned max_array_access;
  unsigned atomic_offset;
};

// One built-in uniform's state tokens, filled by the front end.
struct ir_state_slot {
  int tokens[5];
  int swizzle;
};

class ir_variable : public ir_instruction {
 public:
  const glsl_type *type;
  const char *name;
  ir_variable_data data;
  // One entry per field of the interface type (interface instances only).
  unsigned *max_ifc_array_access = nullptr;
  const glsl_type *interface_type = nullptr;
  uint16_t num_state_slots = 0;
  ir_state_slot *state_slots = nullptr;
  ir_constant *constant_value = nullptr;
  ir_constant *constant_initializer = nullptr;

  // Off by default: temporaries share one literal name.
  static bool temporaries_allocate_names;

  ir_variable(const glsl_type *type, const char *name, ir_variable_mode mode,
              glsl_precision precision);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_variable *clone(void *mem_ctx, hash_table *ht) const override;

  const char *mode_string() const;
  void enable_extension_warning(const char *extension);
  const char *get_extension_warning() const;
  static const char *interpolation_string(unsigned interpolation);
  static const char *depth_layout_string(unsigned layout);
  bool is_interface_instance() const;
};

// Input vertices per primitive of a geometry shader's input primitive enum.
unsigned vertices_per_prim(uint32_t primitive);

class ir_assignment : public ir_instruction {
 public:
  ir_dereference *lhs;
  ir_rvalue *rhs;
  ir_rvalue *condition;
  unsigned write_mask : 4;

  ir_assignment(ir_rvalue *lhs, ir_rvalue *rhs, ir_rvalue *condition,
                unsigned write_mask);
  // Writes every component of the rhs; a swizzled lhs is folded into the
  // write mask and a swizzle of the rhs.
  ir_assignment(ir_rvalue *lhs, ir_rvalue *rhs, ir_rvalue *condition = nullptr);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_assignment *clone(void *mem_ctx, hash_table *ht) const override;

  void set_lhs(ir_rvalue *lhs);
  ir_variable *whole_variable_written();
};

class ir_expression : public ir_rvalue {
 public:
  ir_expression_operation operation;
  ir_rvalue *operands[4];

  ir_expression(int op, const glsl_type *type, ir_rvalue *op0,
                ir_rvalue *op1 = nullptr, ir_rvalue *op2 = nullptr,
                ir_rvalue *op3 = nullptr);
  ir_expression(int op, ir_rvalue *op0);
  ir_expression(int op, ir_rvalue *op0, ir_rvalue *op1);
  ir_expression(int op, ir_rvalue *op0, ir_rvalue *op1, ir_rvalue *op2);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_expression *clone(void *mem_ctx, hash_table *ht) const override;
  ir_constant *constant_expression_value(
      hash_table *variable_context = nullptr) override;
  bool equals(const ir_instruction *ir,
              ir_node_type ignore = ir_type_unset) const override;

  static unsigned num_operands(ir_expression_operation op);
  // Operands this node uses (the vector constructor's by its result size).
  unsigned get_num_operands() const;
  // The text the GLSL printer prints for the operation.
  static const char *operator_string(ir_expression_operation op);
  const char *operator_string() const { return operator_string(operation); }
  // The operation whose printed text is `text`; -1 when none.
  static int get_operator(const char *text);
};

class ir_function_signature;

class ir_call : public ir_instruction {
 public:
  ir_dereference_variable *return_deref;
  ir_function_signature *callee;
  exec_list actual_parameters;
  bool use_builtin;

  // Takes over the nodes of `actual_parameters`.
  ir_call(ir_function_signature *callee, ir_dereference_variable *return_deref,
          exec_list *actual_parameters);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_call *clone(void *mem_ctx, hash_table *ht) const override;

  // The value of a call of a built-in with constant arguments, run through
  // the built-in's body; null otherwise.
  ir_constant *constant_expression_value(hash_table *variable_context = nullptr);
  const char *callee_name() const;
};

class ir_jump : public ir_instruction {
 protected:
  explicit ir_jump(ir_node_type type) : ir_instruction(type) {}
};

class ir_return : public ir_jump {
 public:
  ir_rvalue *value;

  explicit ir_return(ir_rvalue *value = nullptr)
      : ir_jump(ir_type_return), value(value) {}

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_return *clone(void *mem_ctx, hash_table *ht) const override;
  ir_rvalue *get_value() const { return value; }
};

class ir_loop_jump : public ir_jump {
 public:
  enum jump_mode : uint32_t { jump_break = 0, jump_continue = 1 };
  jump_mode mode;

  explicit ir_loop_jump(jump_mode mode) : ir_jump(ir_type_loop_jump), mode(mode) {}

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_loop_jump *clone(void *mem_ctx, hash_table *ht) const override;
  bool is_break() const { return mode == jump_break; }
  bool is_continue() const { return mode == jump_continue; }
};

class ir_discard : public ir_jump {
 public:
  ir_rvalue *condition;

  explicit ir_discard(ir_rvalue *condition = nullptr)
      : ir_jump(ir_type_discard), condition(condition) {}

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_discard *clone(void *mem_ctx, hash_table *ht) const override;
};

// Whether a built-in signature is available to a shader.
typedef bool (*builtin_available_predicate)(const glsl_parse_state *state);

class ir_function_signature : public ir_instruction {
 public:
  const glsl_type *return_type;
  glsl_precision precision;
  exec_list parameters;  // of ir_variable
  unsigned is_defined : 1;
  bool is_intrinsic;
  exec_list body;
  builtin_available_predicate builtin_avail;
  ir_function *_function = nullptr;  // owning function
  const ir_function_signature *origin = nullptr;  // signature cloned from

  ir_function_signature(const glsl_type *return_type, glsl_precision precision,
                        builtin_available_predicate builtin_avail = nullptr);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_function_signature *clone(void *mem_ctx, hash_table *ht) const override;
  // A copy without the body.
  ir_function_signature *clone_prototype(void *mem_ctx, hash_table *ht) const;

  // Runs the body (of the signature it was cloned from, when there is one)
  // on the constant values of the actual parameters; null when the call is
  // not constant (user functions, unsupported statements).
  ir_constant *constant_expression_value(exec_list *actual_parameters,
                                         hash_table *variable_context);
  // Interprets a statement list on constants; false when a statement cannot
  // be evaluated. `result` receives the returned value, or null.
  bool constant_evaluate_statement_list(exec_list *body,
                                        hash_table *variable_context,
                                        ir_constant **result);
  const char *function_name() const;
  bool is_builtin() const { return builtin_avail != nullptr; }
  bool is_builtin_available(const glsl_parse_state *state) const;
  // Name of the first parameter whose qualifiers differ from its partner's
  // in `params`; null when they all match.
  const char *qualifiers_match(exec_list *params);
  // Takes over the nodes of `new_params` as the parameters.
  void replace_parameters(exec_list *new_params);
};

class ir_function : public ir_instruction {
 public:
  const char *name;
  exec_list signatures;

  explicit ir_function(const char *name);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_function *clone(void *mem_ctx, hash_table *ht) const override;

  void add_signature(ir_function_signature *sig) {
    sig->_function = this;
    signatures.push_tail(sig);
  }
  bool has_user_signature();

  // Overload resolution: the signature a call with these actual parameters
  // means, or null when none or several fit equally. `is_exact` tells
  // whether every parameter type matched without conversion.
  ir_function_signature *matching_signature(const glsl_parse_state *state,
                                            const exec_list *actual_parameters,
                                            bool allow_builtins, bool *is_exact);
  ir_function_signature *matching_signature_no_exact(
      const glsl_parse_state *state, const exec_list *actual_parameters,
      bool allow_builtins);
  // The signature whose parameter types are exactly those of the list (of
  // rvalues or variables); null if none.
  ir_function_signature *exact_matching_signature(
      const glsl_parse_state *state, const exec_list *actual_parameters);
};

class ir_if : public ir_instruction {
 public:
  ir_rvalue *condition;
  exec_list then_instructions;
  exec_list else_instructions;

  explicit ir_if(ir_rvalue *condition) : ir_instruction(ir_type_if), condition(condition) {}

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_if *clone(void *mem_ctx, hash_table *ht) const override;
};

class ir_loop : public ir_instruction {
 public:
  exec_list body_instructions;

  ir_loop() : ir_instruction(ir_type_loop) {}

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_loop *clone(void *mem_ctx, hash_table *ht) const override;
};

// A default-precision statement, printed unchanged.
class ir_precision_statement : public ir_instruction {
 public:
  const char *precision_statement;

  explicit ir_precision_statement(const char *statement)
      : ir_instruction(ir_type_precision), precision_statement(statement) {}

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_precision_statement *clone(void *mem_ctx, hash_table *ht) const override;
};

// The declaration of a record type.
class ir_typedecl_statement : public ir_instruction {
 public:
  const glsl_type *type_decl;

  explicit ir_typedecl_statement(const glsl_type *type)
      : ir_instruction(ir_type_typedecl), type_decl(type) {}

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_typedecl_statement *clone(void *mem_ctx, hash_table *ht) const override;
};

class ir_swizzle_mask {
 public:
  unsigned x : 2;
  unsigned y : 2;
  unsigned z : 2;
  unsigned w : 2;
  unsigned num_components : 3;
  unsigned has_duplicates : 1;
};

class ir_swizzle : public ir_rvalue {
 public:
  ir_rvalue *val;
  ir_swizzle_mask mask;

  ir_swizzle(ir_rvalue *val, unsigned x, unsigned y, unsigned z, unsigned w,
             unsigned count);
  ir_swizzle(ir_rvalue *val, const unsigned *components, unsigned count);
  ir_swizzle(ir_rvalue *val, ir_swizzle_mask mask);

  // Parses letters of one of the sets xyzw, rgba, stpq; null when the text
  // is not a swizzle of a vector of `vector_length` components.
  static ir_swizzle *create(ir_rvalue *val, const char *letters,
                            unsigned vector_length);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_swizzle *clone(void *mem_ctx, hash_table *ht) const override;
  ir_constant *constant_expression_value(
      hash_table *variable_context = nullptr) override;
  bool equals(const ir_instruction *ir,
              ir_node_type ignore = ir_type_unset) const override;
  bool is_lvalue() const override;
  ir_variable *variable_referenced() const override;

 private:
  void init_mask(const unsigned *components, unsigned count);
};

class ir_dereference : public ir_rvalue {
 public:
  bool is_lvalue() const override;

 protected:
  ir_dereference(ir_node_type type, glsl_precision precision)
      : ir_rvalue(type, precision) {}
};

class ir_dereference_variable : public ir_dereference {
 public:
  ir_variable *var;

  explicit ir_dereference_variable(ir_variable *var);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_dereference_variable *clone(void *mem_ctx, hash_table *ht) const override;
  ir_constant *constant_expression_value(
      hash_table *variable_context = nullptr) override;
  bool equals(const ir_instruction *ir,
              ir_node_type ignore = ir_type_unset) const override;
  ir_variable *variable_referenced() const override { return var; }
  ir_variable *whole_variable_referenced() override { return var; }
};

class ir_dereference_array : public ir_dereference {
 public:
  ir_rvalue *array;
  ir_rvalue *array_index;

  ir_dereference_array(ir_rvalue *value, ir_rvalue *array_index);
  ir_dereference_array(ir_variable *var, ir_rvalue *array_index);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_dereference_array *clone(void *mem_ctx, hash_table *ht) const override;
  ir_constant *constant_expression_value(
      hash_table *variable_context = nullptr) override;
  bool equals(const ir_instruction *ir,
              ir_node_type ignore = ir_type_unset) const override;
  ir_variable *variable_referenced() const override {
    return array->variable_referenced();
  }

 private:
  void set_array(ir_rvalue *value);
};

class ir_dereference_record : public ir_dereference {
 public:
  ir_rvalue *record;
  const char *field;

  ir_dereference_record(ir_rvalue *value, const char *field);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_dereference_record *clone(void *mem_ctx, hash_table *ht) const override;
  ir_constant *constant_expression_value(
      hash_table *variable_context = nullptr) override;
  ir_variable *variable_referenced() const override {
    return record->variable_referenced();
  }
};

class ir_texture : public ir_rvalue {
 public:
  ir_texture_opcode op;
  ir_dereference *sampler = nullptr;
  ir_rvalue *coordinate = nullptr;  // a projective lookup carries the divisor
  ir_rvalue *offset = nullptr;
  union {
    ir_rvalue *lod;
    ir_rvalue *bias;
    ir_rvalue *sample_index;
    ir_rvalue *component;
    struct {
      ir_rvalue *dPdx;
      ir_rvalue *dPdy;
    } grad;
  } lod_info;

  explicit ir_texture(ir_texture_opcode op, glsl_precision precision = glsl_precision_low);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_texture *clone(void *mem_ctx, hash_table *ht) const override;
  bool equals(const ir_instruction *ir,
              ir_node_type ignore = ir_type_unset) const override;

  static const char *opcode_string(ir_texture_opcode op);
  // The opcode named `text`; -1 when none.
  static int get_opcode(const char *text);
  // Level-of-detail operands the opcode takes: 0, 1 or 2 (the gradients).
  static unsigned num_lod_operands(ir_texture_opcode op);
  void set_sampler(ir_dereference *sampler, const glsl_type *type);
  static bool has_lod(const glsl_type *sampler_type);
};

class ir_constant : public ir_rvalue {
 public:
  ir_constant_data value;
  ir_constant **array_elements = nullptr;  // arrays only
  exec_list components;                    // records only

  ir_constant();
  ir_constant(const glsl_type *type, const ir_constant_data *data,
              glsl_precision precision = glsl_precision_undefined);
  ir_constant(float f, unsigned vector_elements = 1);
  ir_constant(unsigned u, unsigned vector_elements = 1);
  ir_constant(int i, unsigned vector_elements = 1);
  ir_constant(bool b, unsigned vector_elements = 1);
  // Component i of `c` as a scalar.
  ir_constant(const ir_constant *c, unsigned i);
  // Records and arrays take the listed constants; other types are filled
  // from them in order, converted to the type's base type.
  ir_constant(const glsl_type *type, exec_list *values);

  static ir_constant *zero(void *mem_ctx, const glsl_type *type);

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_constant *clone(void *mem_ctx, hash_table *ht) const override;
  ir_constant *constant_expression_value(
      hash_table *variable_context = nullptr) override;
  bool equals(const ir_instruction *ir,
              ir_node_type ignore = ir_type_unset) const override;

  bool is_zero() const override;
  bool is_one() const override;
  bool is_negative_one() const override;
  bool is_basis() const override;
  bool is_uint16_constant() const override;
  virtual bool all_components_equal(float f, int i) const;

  unsigned get_uint_component(unsigned i) const;
  int get_int_component(unsigned i) const;
  float get_float_component(unsigned i) const;
  bool get_bool_component(unsigned i) const;
  ir_constant *get_array_element(int i) const;
  ir_constant *get_record_field(const char *name);
  void copy_components_at(const ir_constant *src, unsigned offset);
  void copy_components_masked_at(const ir_constant *src, unsigned offset,
                                 unsigned mask);
  bool has_value(const ir_constant *other) const;

 private:
  void set_component_from(unsigned destination, const ir_constant *src,
                          unsigned source);
};

// Geometry shader statements.
class ir_emit_vertex : public ir_instruction {
 public:
  ir_rvalue *stream;

  explicit ir_emit_vertex(ir_rvalue *stream)
      : ir_instruction(ir_type_emit_vertex), stream(stream) {}

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_emit_vertex *clone(void *mem_ctx, hash_table *ht) const override;
};

class ir_end_primitive : public ir_instruction {
 public:
  ir_rvalue *stream;

  explicit ir_end_primitive(ir_rvalue *stream)
      : ir_instruction(ir_type_end_primitive), stream(stream) {}

  void accept(ir_visitor *v) override;
  ir_visitor_status accept(ir_hierarchical_visitor *v) override;
  ir_end_primitive *clone(void *mem_ctx, hash_table *ht) const override;
};

glsl_precision precision_from_ir(const ir_instruction *ir);

// The constant and the component offset that an assignment target designates
// while a built-in body is interpreted; false when there is none.
bool constant_referenced(const ir_dereference *deref,
                         hash_table *variable_context, ir_constant *&store,
                         int &offset);
glsl_precision higher_precision(const ir_instruction *a, const ir_instruction *b);

// Copies every instruction of `in` to the tail of `out`, re-targeting calls
// between copied functions at the copies.
void clone_ir_list(void *mem_ctx, exec_list *out, const exec_list *in);

// Reports every function that can reach itself through calls as a compile
// error "function `<prototype>' has static recursion".
void detect_static_recursion(glsl_parse_state *state, exec_list *instructions);

// Calls accept (flat visitor) on every node of the list in order.
void visit_exec_list(exec_list *list, ir_visitor *visitor);

inline ir_rvalue *ir_instruction::as_rvalue() {
  return is_rvalue() ? static_cast<ir_rvalue *>(this) : nullptr;
}
inline const ir_rvalue *ir_instruction::as_rvalue() const {
  return is_rvalue() ? static_cast<const ir_rvalue *>(this) : nullptr;
}
inline ir_dereference *ir_instruction::as_dereference() {
  return is_dereference() ? static_cast<ir_dereference *>(this) : nullptr;
}
inline const ir_dereference *ir_instruction::as_dereference() const {
  return is_dereference() ? static_cast<const ir_dereference *>(this) : nullptr;
}
#define AS_CHILD(TYPE)                                                         \
  inline ir_##TYPE *ir_instruction::as_##TYPE() {                              \
    return ir_type == ir_type_##TYPE ? static_cast<ir_##TYPE *>(this)          \
                                     : nullptr;                                \
  }                                                                            \
  inline const ir_##TYPE *ir_instruction::as_##TYPE() const {                  \
    return ir_type == ir_type_##TYPE ? static_cast<const ir_##TYPE *>(this)    \
                                     : nullptr;                                \
  }
IR_CHILD_TYPES(AS_CHILD)
#undef AS_CHILD
