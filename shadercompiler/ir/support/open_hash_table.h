// Open-addressing hash table with double hashing over prime sizes, kept in
// the pool. The caller computes the 32-bit hash and passes it with the key.
#pragma once

#include <cstddef>
#include <cstdint>

struct open_hash_entry {
  uint32_t hash;
  const void *key;  // null: never used
  void *data;
};

struct open_hash_table {
  open_hash_entry *table;
  bool (*key_equals)(const void *a, const void *b);
  const void *deleted_key;
  uint32_t size;
  uint32_t rehash;
  uint32_t max_entries;
  uint32_t size_index;
  uint32_t entries;
  uint32_t deleted_entries;
};

open_hash_table *open_hash_table_create(void *mem_ctx,
                                        bool (*key_equals)(const void *a,
                                                           const void *b));
void open_hash_table_destroy(open_hash_table *ht,
                             void (*delete_function)(open_hash_entry *entry));
open_hash_entry *open_hash_table_search(open_hash_table *ht, uint32_t hash,
                                        const void *key);
// The entry written, or null when the table is full and could not grow:
// callers must treat null as "not recorded".
open_hash_entry *open_hash_table_insert(open_hash_table *ht, uint32_t hash,
                                        const void *key, void *data);
// Iteration over live entries; pass null to start.
open_hash_entry *open_hash_table_next_entry(open_hash_table *ht,
                                            open_hash_entry *entry);

// 32-bit FNV-1a.
uint32_t fnv1a_hash_data(const void *data, size_t size);
uint32_t fnv1a_hash_string(const char *key);
bool key_string_equal(const void *a, const void *b);
bool key_pointer_equal(const void *a, const void *b);
