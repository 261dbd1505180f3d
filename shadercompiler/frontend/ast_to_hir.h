// Translation of the AST into IR: the state one translation keeps and the
// helpers its parts share (expressions, calls and constructors,
// declarations, statements).
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "shadercompiler/frontend/ast.h"
#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/ir/ir.h"

// A loop being translated: its continue statements, in front of which the
// increment of a for loop or the test of a do-while loop is placed.
struct hir_loop {
  std::vector<ir_loop_jump *> *continues;
};

// A call of a user function, kept to report one that is never defined.
struct hir_call_site {
  ir_function_signature *callee;
  glsl_source_location location;
};

struct ast_to_hir_state {
  void *mem_ctx = nullptr;              // owner of the IR (the shader)
  exec_list *toplevel = nullptr;        // the shader's instructions
  exec_list global_initializers;        // run at the start of main
  ir_function_signature *current_function = nullptr;
  std::vector<hir_loop> loops;
  std::vector<hir_call_site> calls;
  unsigned anonymous_structures = 0;
  bool in_global_initializer = false;
  // The built-in variables and constants of the language and stage, by
  // name: they live in a scope outside the shader's, looked at last.
  std::unordered_map<std::string, ir_variable *> builtins;
  // Names of functions whose declaration was faulty.
  std::unordered_set<std::string> faulty_functions;
  // Where gl_FragColor and gl_FragData are first written: a shader may
  // write one of them only.
  glsl_source_location frag_color_written{}, frag_data_written{};
};

// The translation of a whole parsed shader into `instructions` (built-in
// variables are declared when first used). Errors go to the state's log.
void glsl_ast_to_hir(ast_translation_unit *unit, exec_list *instructions, glsl_parse_state *state);

// ---- shared helpers -------------------------------------------------------

ast_to_hir_state *hir_state(glsl_parse_state *state);
// The pool context every IR node of the translation goes to.
void *ir_pool(glsl_parse_state *state);

// The error value that stops a faulty expression from causing more errors.
ir_rvalue *error_value(glsl_parse_state *state);

// Whether the language has the implicit int-to-float conversions (GLSL 1.20).
bool has_implicit_conversions(const glsl_parse_state *state);

// `value` converted to `to` when the language converts implicitly (int to
// float and their vectors); `value` itself when the types are equal; null
// when there is no conversion.
ir_rvalue *convert_implicitly(ir_rvalue *value, const glsl_type *to, glsl_parse_state *state);

// The value of `value` converted to the numeric or bool base type of `to`
// with the same shape (explicit conversion, as constructors do).
ir_rvalue *convert_component(ir_rvalue *value, const glsl_type *to);

// A constant when the value folds to one, else the value itself.
ir_rvalue *fold(ir_rvalue *value);

// A new temporary of `type` declared in `instructions`.
ir_variable *make_temporary(const glsl_type *type, glsl_parse_state *state, exec_list *instructions);

// Stores `value` in a new temporary unless it is a constant or a plain
// variable; returns a dereference that may be read (cloned) many times.
ir_rvalue *evaluate_once(ir_rvalue *value, glsl_parse_state *state, exec_list *instructions);

// Replaces the non-constant indices inside an l-value by temporaries, so
// that the l-value can be read and written (cloned) with one evaluation.
ir_rvalue *stabilize_lvalue(ir_rvalue *lvalue, glsl_parse_state *state, exec_list *instructions);

// Whether the type is an array or a structure holding one (at any depth).
bool contains_array(const glsl_type *type);

// Checks that `lhs` may be assigned; reports and returns false otherwise.
bool check_lvalue(ir_rvalue *lhs, const glsl_source_location &location, const char *what,
                  glsl_parse_state *state);

// Emits `lhs = rhs`, folding a swizzled target into the write mask.
void emit_assignment(ir_rvalue *lhs, ir_rvalue *rhs, exec_list *instructions);

// The type an ast_type_specifier names (array sizes evaluated, structures
// declared into `instructions`); the error type after an error.
const glsl_type *resolve_type(ast_type_specifier *spec, exec_list *instructions,
                              glsl_parse_state *state);

// The length of an array given by a size expression: a positive constant
// integer; 0 after an error.
unsigned array_size_of(ast_expression *size, exec_list *instructions, glsl_parse_state *state);

// Translates the arguments of a call; false after an error in one of them.
bool translate_arguments(exec_list *arguments, exec_list *instructions, glsl_parse_state *state,
                         exec_list *values);

// The text "(float, vec2)" of the types of a list of rvalues.
std::string argument_types_text(exec_list *values);

// Declares `var` in the current scope; reports a redeclaration.
bool add_variable(ir_variable *var, const glsl_source_location &location, glsl_parse_state *state);

// Checks a name the shader declares: "gl_" is the implementation's and
// "__" is reserved.
void check_declared_name(const char *name, const glsl_source_location &location,
                         glsl_parse_state *state);

// The variable a name means where it is used: the nearest declaration of
// the shader, else a built-in variable; null when the name is no variable.
ir_variable *find_variable(glsl_parse_state *state, const char *name);

// Declares a built-in variable the first time it is referenced.
void declare_builtin_if_needed(ir_variable *var, glsl_parse_state *state);

// Enters the built-in variables and constants of the shader's language and
// stage into the symbol table (they reach the IR when referenced).
void add_builtin_variables(glsl_parse_state *state);

// Marks every shader output invariant (#pragma STDGL invariant(all)).
void apply_invariant_all(exec_list *instructions, glsl_parse_state *state);

// Warns about a use of a type or built-in that only an extension set to
// "warn" provides.
void warn_extension_use(const char *what, bool glsl_parse_state::*enable,
                        const glsl_source_location &location, glsl_parse_state *state);
