// The built-in function library: every GLSL built-in function as ordinary
// IR, built once per process into a private vertex shader record with a
// symbol table of its own. Each overload is gated by an availability
// predicate evaluated against the shader being compiled.
#pragma once

struct exec_list;
struct gl_shader;
struct glsl_parse_state;
class ir_function_signature;

class builtin_builder {
 public:
  // Builds the library unless it is built; the front end calls it before
  // every lookup.
  static void initialize();
  // Frees the library; a later initialize builds a fresh one. Signatures
  // handed out earlier die with it.
  static void release();
  static bool is_built();
};

// The signature a call of `name` with `actual_parameters` (a list of
// rvalues) means for the shader of `state`, or null when the name is no
// built-in or no available overload matches unambiguously. Marks the state
// as using built-ins either way. The library must be initialised.
ir_function_signature *find_builtin_function(glsl_parse_state *state,
                                             const char *name,
                                             exec_list *actual_parameters);

// The library's shader record (its `symbols` hold every built-in), for the
// front end's linker and call translation; null while not built.
gl_shader *builtin_function_shader();
