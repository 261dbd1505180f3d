// Scoped symbol table: names in numbered name spaces, nested scopes in which
// inner declarations shadow outer ones, and global additions that live in
// the outermost scope. Name space -1 in a look-up matches any name space.
#pragma once

struct _shc_symbol_table;

_shc_symbol_table *_shc_symbol_table_create();
void _shc_symbol_table_destroy(_shc_symbol_table *table);
void _shc_symbol_table_push_scope(_shc_symbol_table *table);
void _shc_symbol_table_pop_scope(_shc_symbol_table *table);
// 0 on success; -1 when the name is already declared in the innermost scope
// in that name space, or when out of memory.
int _shc_symbol_table_add_symbol(_shc_symbol_table *table, int name_space,
                                 const char *name, void *declaration);
// Adds to the outermost scope; -1 when a global addition of the name in
// that name space exists, or when out of memory.
int _shc_symbol_table_add_global_symbol(_shc_symbol_table *table,
                                        int name_space, const char *name,
                                        void *declaration);
void *_shc_symbol_table_find_symbol(_shc_symbol_table *table, int name_space,
                                    const char *name);
// 0 for the innermost scope, negative for enclosing ones; -1 for unknown
// names as well.
int _shc_symbol_table_symbol_scope(_shc_symbol_table *table, int name_space,
                                   const char *name);
