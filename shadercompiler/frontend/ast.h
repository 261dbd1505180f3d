// The abstract syntax tree the parser builds and the translation to IR
// walks. Nodes live in the compilation's pool (they are freed with it, their
// C++ destructors never run, so they hold only pointers, pool strings and
// lists) and are linked into `exec_list`s of their parent.
#pragma once

#include <cstddef>
#include <string>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/ir/glsl_types.h"
#include "shadercompiler/ir/list.h"

class ir_rvalue;
class ir_variable;
struct glsl_parse_state;

class ast_node : public exec_node {
 public:
  glsl_source_location location{};

  // Nodes are made with `new (mem_ctx) ast_...`; allocation never fails.
  static void *operator new(size_t size, void *mem_ctx);
  static void operator delete(void *) {}

  virtual ~ast_node() = default;
  // An S-expression of the tree, for tests and diagnostics.
  virtual void print(std::string *out) const = 0;
  // Translates the node into IR appended to `instructions`; an expression
  // returns its value, which is never null (the error value after an error).
  virtual ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) = 0;

 protected:
  ast_node() = default;
};

enum ast_operators {
  ast_assign,
  ast_plus,  // unary +
  ast_neg,
  ast_add,
  ast_sub,
  ast_mul,
  ast_div,
  ast_mod,
  ast_lshift,
  ast_rshift,
  ast_less,
  ast_greater,
  ast_lequal,
  ast_gequal,
  ast_equal,
  ast_nequal,
  ast_bit_and,
  ast_bit_xor,
  ast_bit_or,
  ast_bit_not,
  ast_logic_and,
  ast_logic_xor,
  ast_logic_or,
  ast_logic_not,
  ast_mul_assign,
  ast_div_assign,
  ast_mod_assign,
  ast_add_assign,
  ast_sub_assign,
  ast_ls_assign,
  ast_rs_assign,
  ast_and_assign,
  ast_xor_assign,
  ast_or_assign,
  ast_conditional,
  ast_pre_inc,
  ast_pre_dec,
  ast_post_inc,
  ast_post_dec,
  ast_field_selection,
  ast_array_index,
  ast_function_call,
  ast_identifier,
  ast_int_constant,
  ast_float_constant,
  ast_bool_constant,
  ast_sequence,
};

// The operator's text as written ("+=", "?:", "[]").
const char *ast_operator_string(ast_operators op);

class ast_type_specifier;

class ast_expression : public ast_node {
 public:
  ast_expression(ast_operators oper, ast_expression *a, ast_expression *b, ast_expression *c)
      : oper(oper), subexpressions{a, b, c} {}

  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  ast_operators oper;
  ast_expression *subexpressions[3];
  union {
    const char *identifier;  // identifiers and field selections
    int int_constant;
    float float_constant;
    bool bool_constant;
  } primary_expression{};
  // Operands of a sequence (a, b, c).
  exec_list expressions;
  // Nesting of the tree below and including this node, which bounds the
  // recursion of every walk over it.
  unsigned depth = 1;
  // Written in parentheses (which makes "(a + b) = c" a syntactically
  // valid assignment with an operand that is no l-value).
  bool parenthesised = false;
};

// A call of a function, a constructor or the length() method: `callee`
// names a function, or `constructor_type` the constructed type, or `method`
// is set and subexpressions[0] is the object.
class ast_function_expression : public ast_expression {
 public:
  ast_function_expression() : ast_expression(ast_function_call, nullptr, nullptr, nullptr) {}

  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  const char *callee = nullptr;
  ast_type_specifier *constructor_type = nullptr;
  const char *method = nullptr;
  // Arguments (ast_expression) in order.
  exec_list arguments;
};

// Storage, parameter and interpolation qualifiers as written.
struct ast_type_qualifier {
  unsigned is_const : 1 = 0;
  unsigned attribute : 1 = 0;
  unsigned varying : 1 = 0;
  unsigned uniform : 1 = 0;
  unsigned in : 1 = 0;
  unsigned out : 1 = 0;
  unsigned centroid : 1 = 0;
  unsigned invariant : 1 = 0;
  bool any() const {
    return is_const || attribute || varying || uniform || in || out || centroid || invariant;
  }
};

class ast_struct_specifier;

class ast_type_specifier : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  const char *type_name = nullptr;           // "vec4", a structure's name
  const glsl_type *builtin = nullptr;        // the built-in type it names
  ast_struct_specifier *structure = nullptr;  // a structure defined here
  glsl_precision precision = glsl_precision_undefined;
  // "float[3]": an array type (GLSL 1.20); a null size is "float[]".
  bool is_array = false;
  ast_expression *array_size = nullptr;
};

class ast_fully_specified_type : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  ast_type_qualifier qualifier;
  ast_type_specifier *specifier = nullptr;
};

// One declarator: a name with an optional array size and initializer.
class ast_declaration : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  const char *identifier = nullptr;
  bool is_array = false;
  ast_expression *array_size = nullptr;  // null for "a[]"
  ast_expression *initializer = nullptr;
};

// A declaration statement: a type and its declarators, or (with `invariant`
// set and no type) the redeclaration of outputs as invariant.
class ast_declarator_list : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  ast_fully_specified_type *type = nullptr;
  exec_list declarations;  // of ast_declaration
  bool invariant = false;
};

class ast_struct_specifier : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  const char *name = nullptr;  // null for an anonymous structure
  exec_list members;           // of ast_declarator_list
  const glsl_type *type = nullptr;  // set by translation
};

// "precision mediump float;"
class ast_precision_statement : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  glsl_precision precision = glsl_precision_undefined;
  ast_type_specifier *type = nullptr;
};

class ast_parameter_declarator : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  ast_fully_specified_type *type = nullptr;
  const char *identifier = nullptr;  // null when unnamed
  bool is_array = false;
  ast_expression *array_size = nullptr;
};

class ast_function : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  ast_fully_specified_type *return_type = nullptr;
  const char *identifier = nullptr;
  exec_list parameters;  // of ast_parameter_declarator
  bool is_definition = false;
};

class ast_compound_statement : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  bool new_scope = true;
  exec_list statements;
};

class ast_function_definition : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  ast_function *prototype = nullptr;
  ast_compound_statement *body = nullptr;
};

class ast_expression_statement : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  ast_expression *expression = nullptr;  // null for ";"
};

class ast_selection_statement : public ast_node {
 public:
  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  ast_expression *condition = nullptr;
  ast_node *then_statement = nullptr;
  ast_node *else_statement = nullptr;
};

class ast_iteration_statement : public ast_node {
 public:
  enum kind { ast_for, ast_while, ast_do_while };

  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  kind mode = ast_while;
  ast_node *init_statement = nullptr;  // for
  // An expression, or an ast_declarator_list with one initialised name.
  ast_node *condition = nullptr;
  ast_expression *rest_expression = nullptr;  // for
  ast_node *body = nullptr;
};

class ast_jump_statement : public ast_node {
 public:
  enum kind { ast_continue, ast_break, ast_return, ast_discard };

  void print(std::string *out) const override;
  ir_rvalue *hir(exec_list *instructions, glsl_parse_state *state) override;

  kind mode = ast_return;
  ast_expression *return_value = nullptr;
};

// The parsed shader: its external declarations in order.
struct ast_translation_unit {
  exec_list declarations;
};
