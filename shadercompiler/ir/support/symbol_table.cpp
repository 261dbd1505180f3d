#include "shadercompiler/ir/support/symbol_table.h"

#include <cstdlib>
#include <cstring>

#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/out_of_memory.h"
#include "shadercompiler/ir/support/shc_assert.h"

namespace {

struct symbol_header;

struct symbol {
  symbol *next_with_same_name;
  symbol *next_with_same_scope;
  symbol_header *hdr;
  int name_space;
  unsigned depth;  // 0 for a global addition
  void *data;
};

struct symbol_header {
  symbol_header *next;
  char *name;
  symbol *symbols;  // innermost first
};

struct scope_level {
  scope_level *next;  // enclosing scope
  symbol *symbols;    // newest first
};

}  // namespace

struct _shc_symbol_table {
  hash_table *ht;
  scope_level *current_scope;
  symbol_header *hdr;
  unsigned depth;
};

namespace {

void check_symbol_table(_shc_symbol_table *table) {
  for (scope_level *scope = table->current_scope; scope != nullptr;
       scope = scope->next) {
    for (symbol *sym = scope->symbols; sym != nullptr;
         sym = sym->next_with_same_scope) {
      const symbol_header *const hdr = sym->hdr;
      symbol *sym2;
      for (sym2 = hdr->symbols; sym2 != nullptr;
           sym2 = sym2->next_with_same_name) {
        SHC_ASSERT(sym2->hdr == hdr);
        if (sym2 == sym) break;
      }
      SHC_ASSERT(sym2 == sym);
    }
  }
}

symbol_header *find_symbol_header(_shc_symbol_table *table,
                                  const char *name) {
  return static_cast<symbol_header *>(hash_table_find(table->ht, name));
}

symbol *find_symbol(_shc_symbol_table *table, int name_space,
                    const char *name) {
  symbol_header *const hdr = find_symbol_header(table, name);
  if (hdr == nullptr) return nullptr;
  for (symbol *sym = hdr->symbols; sym != nullptr;
       sym = sym->next_with_same_name) {
    SHC_ASSERT(sym->hdr == hdr);
    if (name_space == -1 || sym->name_space == name_space) return sym;
  }
  return nullptr;
}

// The header of `name`, made and registered when it is new.
symbol_header *get_or_add_header(_shc_symbol_table *table, const char *name,
                                 const char *operation) {
  symbol_header *hdr = find_symbol_header(table, name);
  if (hdr != nullptr) return hdr;
  hdr = static_cast<symbol_header *>(std::calloc(1, sizeof(symbol_header)));
  char *copy = hdr != nullptr ? strdup(name) : nullptr;
  if (copy == nullptr) {
    std::free(hdr);
    report_out_of_memory(operation);
    return nullptr;
  }
  hdr->name = copy;
  hash_table_insert(table->ht, hdr, hdr->name);
  if (hash_table_find(table->ht, hdr->name) != hdr) {
    report_out_of_memory(operation);
    std::free(copy);
    std::free(hdr);
    return nullptr;
  }
  hdr->next = table->hdr;
  table->hdr = hdr;
  return hdr;
}

symbol *new_symbol(symbol_header *hdr, int name_space, unsigned depth,
                   void *declaration, const char *operation) {
  auto *sym = static_cast<symbol *>(std::calloc(1, sizeof(symbol)));
  if (sym == nullptr) {
    report_out_of_memory(operation);
    return nullptr;
  }
  sym->hdr = hdr;
  sym->name_space = name_space;
  sym->depth = depth;
  sym->data = declaration;
  return sym;
}

}  // namespace

_shc_symbol_table *_shc_symbol_table_create() {
  auto *table = static_cast<_shc_symbol_table *>(
      std::calloc(1, sizeof(_shc_symbol_table)));
  if (table == nullptr) return nullptr;
  table->ht = hash_table_create(32, hash_table_string_hash,
                                hash_table_string_compare);
  if (table->ht == nullptr) {
    std::free(table);
    return nullptr;
  }
  _shc_symbol_table_push_scope(table);
  return table;
}

void _shc_symbol_table_destroy(_shc_symbol_table *table) {
  while (table->current_scope != nullptr) _shc_symbol_table_pop_scope(table);
  for (symbol_header *hdr = table->hdr; hdr != nullptr;) {
    symbol_header *next = hdr->next;
    std::free(hdr->name);
    std::free(hdr);
    hdr = next;
  }
  hash_table_destroy(table->ht);
  std::free(table);
}

void _shc_symbol_table_push_scope(_shc_symbol_table *table) {
  auto *scope = static_cast<scope_level *>(std::calloc(1, sizeof(scope_level)));
  if (scope == nullptr) {
    report_out_of_memory("_shc_symbol_table_push_scope");
    return;
  }
  scope->next = table->current_scope;
  table->current_scope = scope;
  table->depth++;
}

void _shc_symbol_table_pop_scope(_shc_symbol_table *table) {
  scope_level *const scope = table->current_scope;
  table->current_scope = scope->next;
  table->depth--;
  check_symbol_table(table);
  for (symbol *sym = scope->symbols; sym != nullptr;) {
    symbol *const next = sym->next_with_same_scope;
    symbol_header *const hdr = sym->hdr;
    if (sym->depth == 0) {
      // Global additions sit at the end of their name's list, behind any
      // outermost-scope symbol of the same name added before them.
      symbol **link = &hdr->symbols;
      while (*link != sym) link = &(*link)->next_with_same_name;
      *link = sym->next_with_same_name;
    } else {
      SHC_ASSERT(hdr->symbols == sym);
      hdr->symbols = sym->next_with_same_name;
    }
    std::free(sym);
    sym = next;
  }
  std::free(scope);
  check_symbol_table(table);
}

int _shc_symbol_table_add_symbol(_shc_symbol_table *table, int name_space,
                                 const char *name, void *declaration) {
  check_symbol_table(table);
  const char *const operation = "_shc_symbol_table_add_symbol";
  symbol_header *hdr = get_or_add_header(table, name, operation);
  if (hdr == nullptr) return -1;
  check_symbol_table(table);

  for (symbol *sym = hdr->symbols; sym != nullptr;
       sym = sym->next_with_same_name) {
    if (sym->name_space != name_space) continue;
    if (sym->depth == table->depth) return -1;
    break;
  }
  symbol *sym = new_symbol(hdr, name_space, table->depth, declaration,
                           operation);
  if (sym == nullptr) return -1;
  sym->next_with_same_name = hdr->symbols;
  sym->next_with_same_scope = table->current_scope->symbols;
  hdr->symbols = sym;
  table->current_scope->symbols = sym;
  check_symbol_table(table);
  return 0;
}

int _shc_symbol_table_add_global_symbol(_shc_symbol_table *table,
                                        int name_space, const char *name,
                                        void *declaration) {
  check_symbol_table(table);
  const char *const operation = "_shc_symbol_table_add_global_symbol";
  symbol_header *hdr = get_or_add_header(table, name, operation);
  if (hdr == nullptr) return -1;
  check_symbol_table(table);

  for (symbol *sym = hdr->symbols; sym != nullptr;
       sym = sym->next_with_same_name) {
    if (sym->name_space != name_space) continue;
    if (sym->depth == 0) return -1;
  }
  symbol *sym = new_symbol(hdr, name_space, 0, declaration, operation);
  if (sym == nullptr) return -1;

  // Outermost last in the name's list, newest first in the outermost scope.
  symbol **tail = &hdr->symbols;
  while (*tail != nullptr) tail = &(*tail)->next_with_same_name;
  *tail = sym;
  scope_level *outermost = table->current_scope;
  while (outermost->next != nullptr) outermost = outermost->next;
  sym->next_with_same_scope = outermost->symbols;
  outermost->symbols = sym;
  check_symbol_table(table);
  return 0;
}

void *_shc_symbol_table_find_symbol(_shc_symbol_table *table, int name_space,
                                    const char *name) {
  symbol *const sym = find_symbol(table, name_space, name);
  return sym != nullptr ? sym->data : nullptr;
}

int _shc_symbol_table_symbol_scope(_shc_symbol_table *table, int name_space,
                                   const char *name) {
  symbol *const sym = find_symbol(table, name_space, name);
  if (sym == nullptr) return -1;
  SHC_ASSERT(sym->depth <= table->depth);
  return static_cast<int>(sym->depth) - static_cast<int>(table->depth);
}
