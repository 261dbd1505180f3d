#include "shadercompiler/ir/support/open_hash_table.h"

#include <cstring>

#include "shadercompiler/ir/support/ralloc.h"

namespace {

// Twin primes above each power of two: size and its probe-step modulus.
struct table_size {
  uint32_t max_entries, size, rehash;
};

constexpr table_size kSizes[] = {
    {2, 5, 3},
    {4, 7, 5},
    {8, 13, 11},
    {16, 19, 17},
    {32, 43, 41},
    {64, 73, 71},
    {128, 151, 149},
    {256, 283, 281},
    {512, 571, 569},
    {1024, 1153, 1151},
    {2048, 2269, 2267},
    {4096, 4519, 4517},
    {8192, 9013, 9011},
    {16384, 18043, 18041},
    {32768, 36109, 36107},
    {65536, 72091, 72089},
    {131072, 144409, 144407},
    {262144, 288361, 288359},
    {524288, 576883, 576881},
    {1048576, 1153459, 1153457},
    {2097152, 2307163, 2307161},
    {4194304, 4613893, 4613891},
    {8388608, 9227641, 9227639},
    {16777216, 18455029, 18455027},
    {33554432, 36911011, 36911009},
    {67108864, 73819861, 73819859},
    {134217728, 147639589, 147639587},
    {268435456, 295279081, 295279079},
    {536870912, 590559793, 590559791},
    {1073741824, 1181116273, 1181116271},
    {2147483648u, 2362232233u, 2362232231u},
};
constexpr uint32_t kRows = sizeof(kSizes) / sizeof(kSizes[0]);

// The address of this object marks a deleted slot.
const char deleted_key_value = 0;

bool entry_is_free(const open_hash_table *ht, const open_hash_entry *e) {
  return e->key == nullptr || e->key == ht->deleted_key;
}

bool entry_is_present(const open_hash_table *ht, const open_hash_entry *e) {
  return !entry_is_free(ht, e);
}

open_hash_entry *insert_entry(open_hash_table *ht, uint32_t hash,
                              const void *key, void *data);

// A table whose growth failed earlier may hold more entries than the next
// row allows; it moves on to the first row that takes them all.
void rehash_to(open_hash_table *ht, uint32_t row) {
  while (row < kRows && kSizes[row].max_entries < ht->entries) row++;
  if (row >= kRows) return;
  auto *table =
      rzalloc_array<open_hash_entry>(ht, kSizes[row].size);
  if (table == nullptr) return;
  open_hash_entry *old_table = ht->table;
  uint32_t old_size = ht->size;
  ht->table = table;
  ht->size_index = row;
  ht->size = kSizes[row].size;
  ht->rehash = kSizes[row].rehash;
  ht->max_entries = kSizes[row].max_entries;
  ht->entries = 0;
  ht->deleted_entries = 0;
  for (uint32_t i = 0; i < old_size; i++) {
    open_hash_entry *e = &old_table[i];
    if (entry_is_present(ht, e)) insert_entry(ht, e->hash, e->key, e->data);
  }
  ralloc_free(old_table);
}

}  // namespace

open_hash_table *open_hash_table_create(void *mem_ctx,
                                        bool (*key_equals)(const void *a,
                                                           const void *b)) {
  auto *ht = ralloc<open_hash_table>(mem_ctx);
  if (ht == nullptr) return nullptr;
  ht->size_index = 0;
  ht->size = kSizes[0].size;
  ht->rehash = kSizes[0].rehash;
  ht->max_entries = kSizes[0].max_entries;
  ht->key_equals = key_equals;
  ht->table = rzalloc_array<open_hash_entry>(ht, ht->size);
  ht->entries = 0;
  ht->deleted_entries = 0;
  ht->deleted_key = &deleted_key_value;
  if (ht->table == nullptr) {
    ralloc_free(ht);
    return nullptr;
  }
  return ht;
}

void open_hash_table_destroy(open_hash_table *ht,
                             void (*delete_function)(open_hash_entry *entry)) {
  if (ht == nullptr) return;
  if (delete_function != nullptr) {
    for (uint32_t i = 0; i < ht->size; i++)
      if (entry_is_present(ht, &ht->table[i])) delete_function(&ht->table[i]);
  }
  ralloc_free(ht);
}

open_hash_entry *open_hash_table_search(open_hash_table *ht, uint32_t hash,
                                        const void *key) {
  uint32_t start = hash % ht->size;
  uint32_t address = start;
  do {
    open_hash_entry *entry = &ht->table[address];
    if (entry->key == nullptr) return nullptr;
    if (entry_is_present(ht, entry) && entry->hash == hash &&
        ht->key_equals(key, entry->key))
      return entry;
    address = (address + 1 + hash % ht->rehash) % ht->size;
  } while (address != start);
  return nullptr;
}

open_hash_entry *open_hash_table_insert(open_hash_table *ht, uint32_t hash,
                                        const void *key, void *data) {
  if (ht->entries >= ht->max_entries)
    rehash_to(ht, ht->size_index + 1);
  else if (ht->entries + ht->deleted_entries >= ht->max_entries)
    rehash_to(ht, ht->size_index);
  return insert_entry(ht, hash, key, data);
}

namespace {

open_hash_entry *insert_entry(open_hash_table *ht, uint32_t hash,
                              const void *key, void *data) {
  // An equal key further along the probe chain must be updated rather than
  // shadowed by a copy in an earlier deleted slot.
  open_hash_entry *available = nullptr;
  uint32_t start = hash % ht->size;
  uint32_t address = start;
  do {
    open_hash_entry *entry = &ht->table[address];
    if (entry->key == nullptr) {
      if (available == nullptr) available = entry;
      break;
    }
    if (entry->key == ht->deleted_key) {
      if (available == nullptr) available = entry;
    } else if (entry->hash == hash && ht->key_equals(key, entry->key)) {
      entry->key = key;
      entry->data = data;
      return entry;
    }
    address = (address + 1 + hash % ht->rehash) % ht->size;
  } while (address != start);

  if (available == nullptr) return nullptr;
  if (available->key == ht->deleted_key) ht->deleted_entries--;
  available->hash = hash;
  available->key = key;
  available->data = data;
  ht->entries++;
  return available;
}

}  // namespace

open_hash_entry *open_hash_table_next_entry(open_hash_table *ht,
                                            open_hash_entry *entry) {
  entry = entry == nullptr ? ht->table : entry + 1;
  for (; entry != ht->table + ht->size; entry++)
    if (entry_is_present(ht, entry)) return entry;
  return nullptr;
}

uint32_t fnv1a_hash_data(const void *data, size_t size) {
  uint32_t hash = 0x811c9dc5u;
  const auto *bytes = static_cast<const unsigned char *>(data);
  for (size_t i = 0; i < size; i++) hash = (hash ^ bytes[i]) * 0x01000193u;
  return hash;
}

uint32_t fnv1a_hash_string(const char *key) {
  return fnv1a_hash_data(key, std::strlen(key));
}

bool key_string_equal(const void *a, const void *b) {
  return std::strcmp(static_cast<const char *>(a),
                     static_cast<const char *>(b)) == 0;
}

bool key_pointer_equal(const void *a, const void *b) { return a == b; }
