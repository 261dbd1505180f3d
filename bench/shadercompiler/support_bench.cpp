// The compiler's allocator and tables: a compilation makes many small
// blocks and frees them at once, and looks names and pointers up often.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/open_hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/symbol_table.h"

namespace {

// Allocates a tree of small blocks (a node and its strings) and frees the
// whole tree with one call.
void BM_PoolTreeAllocateAndFree(benchmark::State &state) {
  const int blocks = static_cast<int>(state.range(0));
  for (auto _ : state) {
    void *ctx = ralloc_context(nullptr);
    for (int i = 0; i < blocks; i++) {
      void *node = ralloc_size(ctx, 48);
      benchmark::DoNotOptimize(ralloc_strdup(node, "compiler_temp"));
    }
    ralloc_free(ctx);
  }
  state.SetItemsProcessed(state.iterations() * blocks * 2);
}
BENCHMARK(BM_PoolTreeAllocateAndFree)->Arg(1000)->Arg(100000);

void BM_OpenHashInsertSearch(benchmark::State &state) {
  const int count = static_cast<int>(state.range(0));
  std::vector<int> keys(count);
  for (auto _ : state) {
    void *ctx = ralloc_context(nullptr);
    open_hash_table *ht = open_hash_table_create(ctx, key_pointer_equal);
    for (int &k : keys) {
      const void *p = &k;
      open_hash_table_insert(ht, fnv1a_hash_data(&p, sizeof(p)), p, &k);
    }
    for (int &k : keys) {
      const void *p = &k;
      benchmark::DoNotOptimize(open_hash_table_search(ht, fnv1a_hash_data(&p, sizeof(p)), p));
    }
    ralloc_free(ctx);
  }
  state.SetItemsProcessed(state.iterations() * count * 2);
}
BENCHMARK(BM_OpenHashInsertSearch)->Arg(1000)->Arg(100000);

void BM_ChainedHashPointerLookup(benchmark::State &state) {
  const int count = static_cast<int>(state.range(0));
  std::vector<int> keys(count);
  hash_table *ht = hash_table_create(0, hash_table_pointer_hash, hash_table_pointer_compare);
  for (int &k : keys) hash_table_insert(ht, &k, &k);
  for (auto _ : state)
    for (int &k : keys) benchmark::DoNotOptimize(hash_table_find(ht, &k));
  hash_table_destroy(ht);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ChainedHashPointerLookup)->Arg(16)->Arg(1000);

// Names looked up through nested scopes, as a front end resolves
// identifiers in a function body.
void BM_SymbolTableScopedLookup(benchmark::State &state) {
  std::vector<std::string> names;
  for (int i = 0; i < 200; i++) names.push_back("name" + std::to_string(i));
  _shc_symbol_table *table = _shc_symbol_table_create();
  int value = 0;
  for (const std::string &n : names) _shc_symbol_table_add_symbol(table, -1, n.c_str(), &value);
  for (int depth = 0; depth < 8; depth++) {
    _shc_symbol_table_push_scope(table);
    _shc_symbol_table_add_symbol(table, -1, names[depth * 7].c_str(), &value);
  }
  for (auto _ : state)
    for (const std::string &n : names)
      benchmark::DoNotOptimize(_shc_symbol_table_find_symbol(table, -1, n.c_str()));
  _shc_symbol_table_destroy(table);
  state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_SymbolTableScopedLookup);

}  // namespace
