#include "shadercompiler/frontend/glsl_symbol_table.h"

#include <new>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/shc_assert.h"
#include "shadercompiler/ir/support/symbol_table.h"

struct glsl_symbol_table::entry {
  ir_variable *v = nullptr;
  ir_function *f = nullptr;
  const glsl_type *t = nullptr;
  const glsl_type *ibu = nullptr;  // uniform interface block
  const glsl_type *ibi = nullptr;  // input interface block
  const glsl_type *ibo = nullptr;  // output interface block
};

namespace {

void destroy_table(void *table) {
  static_cast<glsl_symbol_table *>(table)->~glsl_symbol_table();
}

}  // namespace

glsl_symbol_table::glsl_symbol_table()
    : table(_shc_symbol_table_create()), mem_ctx(ralloc_context(nullptr)) {}

glsl_symbol_table::~glsl_symbol_table() {
  _shc_symbol_table_destroy(table);
  ralloc_free(mem_ctx);
}

void *glsl_symbol_table::operator new(size_t size, void *ctx) {
  void *table = ralloc_size(ctx, size);
  SHC_ASSERT(table != NULL);
  ralloc_set_destructor(table, destroy_table);
  return table;
}

void glsl_symbol_table::operator delete(void *table) {
  // The destructor has run already.
  ralloc_set_destructor(table, nullptr);
  ralloc_free(table);
}

void glsl_symbol_table::push_scope() { _shc_symbol_table_push_scope(table); }

void glsl_symbol_table::pop_scope() { _shc_symbol_table_pop_scope(table); }

namespace {

// Functions share the one name space of all entries unless the front end
// gives them their own.
int function_name_space(bool separate) { return separate ? 1 : -1; }

}  // namespace

bool glsl_symbol_table::add_variable(ir_variable *v) {
  auto *e = new (rzalloc<entry>(mem_ctx)) entry;
  e->v = v;
  return _shc_symbol_table_add_symbol(table, -1, v->name, e) == 0;
}

bool glsl_symbol_table::add_function(ir_function *f) {
  auto *e = new (rzalloc<entry>(mem_ctx)) entry;
  e->f = f;
  return _shc_symbol_table_add_symbol(
             table, function_name_space(separate_function_namespace), f->name,
             e) == 0;
}

ir_variable *glsl_symbol_table::get_variable(const char *name) {
  entry *e = get_entry(name);
  return e != nullptr ? e->v : nullptr;
}

ir_function *glsl_symbol_table::get_function(const char *name) {
  auto *e = static_cast<entry *>(_shc_symbol_table_find_symbol(
      table, function_name_space(separate_function_namespace), name));
  return e != nullptr ? e->f : nullptr;
}

bool glsl_symbol_table::add_type(const char *name, const glsl_type *t) {
  auto *e = new (rzalloc<entry>(mem_ctx)) entry;
  e->t = t;
  return _shc_symbol_table_add_symbol(table, -1, name, e) == 0;
}

const glsl_type *glsl_symbol_table::get_type(const char *name) {
  entry *e = get_entry(name);
  return e != nullptr ? e->t : nullptr;
}

glsl_symbol_table::entry *glsl_symbol_table::get_entry(const char *name) {
  return static_cast<entry *>(_shc_symbol_table_find_symbol(table, -1, name));
}
