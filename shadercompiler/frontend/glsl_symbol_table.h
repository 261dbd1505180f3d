// The front end's symbol table: one entry per name with a variable, a
// function and a type slot (and interface-block slots), over the scoped
// symbol table. Entries live in the table's own pool context.
#pragma once

#include <cstddef>

#include "shadercompiler/ir/glsl_types.h"

struct _shc_symbol_table;
class ir_variable;
class ir_function;

class glsl_symbol_table {
 public:
  glsl_symbol_table();
  ~glsl_symbol_table();
  glsl_symbol_table(const glsl_symbol_table &) = delete;
  glsl_symbol_table &operator=(const glsl_symbol_table &) = delete;

  // Pool allocation: the table dies with `ctx`, running its destructor.
  static void *operator new(size_t size, void *ctx);
  static void operator delete(void *table);

  void push_scope();
  void pop_scope();

  // Each returns false, and adds nothing, when the name is already
  // declared in the innermost scope.
  bool add_variable(ir_variable *v);
  bool add_type(const char *name, const glsl_type *t);
  bool add_function(ir_function *f);

  ir_variable *get_variable(const char *name);
  const glsl_type *get_type(const char *name);
  ir_function *get_function(const char *name);

  // Set by the front end to give functions a name space of their own.
  bool separate_function_namespace = false;

 private:
  struct entry;
  entry *get_entry(const char *name);

  _shc_symbol_table *table;
  void *mem_ctx;
};
