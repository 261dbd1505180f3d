#include "shadercompiler/ir/support/hash_table.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "shadercompiler/ir/support/out_of_memory.h"
#include "shadercompiler/ir/support/shc_assert.h"

namespace {

struct chain_link {
  chain_link *next;
  chain_link *prev;
};

struct hash_node {
  chain_link link;  // first, so a link is its node
  const void *key;
  void *data;
};

bool is_empty_list(const chain_link *head) { return head->next == head; }

void insert_at_head(chain_link *head, chain_link *link) {
  link->next = head->next;
  link->prev = head;
  head->next->prev = link;
  head->next = link;
}

void remove_link(chain_link *link) {
  link->prev->next = link->next;
  link->next->prev = link->prev;
}

}  // namespace

struct hash_table {
  hash_func_t hash;
  hash_compare_func_t compare;
  unsigned num_buckets;
  chain_link *buckets;  // right behind the header, same allocation
};

namespace {

chain_link *bucket_of(hash_table *ht, const void *key) {
  return &ht->buckets[(ht->hash(key) & 0xFFFFFFFFu) % ht->num_buckets];
}

hash_node *find_node(hash_table *ht, const void *key) {
  chain_link *head = bucket_of(ht, key);
  for (chain_link *link = head->next; link != head; link = link->next) {
    auto *node = reinterpret_cast<hash_node *>(link);
    if (ht->compare(node->key, key) == 0) return node;
  }
  return nullptr;
}

bool add_node(hash_table *ht, void *data, const void *key) {
  auto *node = static_cast<hash_node *>(std::malloc(sizeof(hash_node)));
  if (node == nullptr) return false;
  node->key = key;
  node->data = data;
  insert_at_head(bucket_of(ht, key), &node->link);
  return true;
}

}  // namespace

hash_table *hash_table_create(unsigned num_buckets, hash_func_t hash,
                              hash_compare_func_t compare) {
  if (num_buckets < 16) num_buckets = 16;
  auto *ht = static_cast<hash_table *>(
      std::malloc(sizeof(hash_table) + num_buckets * sizeof(chain_link)));
  if (ht == nullptr) return nullptr;
  ht->buckets = reinterpret_cast<chain_link *>(ht + 1);
  ht->hash = hash;
  ht->compare = compare;
  ht->num_buckets = num_buckets;
  for (unsigned i = 0; i < num_buckets; i++)
    ht->buckets[i].next = ht->buckets[i].prev = &ht->buckets[i];
  return ht;
}

void hash_table_clear(hash_table *ht) {
  for (unsigned i = 0; i < ht->num_buckets; i++) {
    chain_link *head = &ht->buckets[i];
    for (chain_link *link = head->next; link != head;) {
      chain_link *next = link->next;
      remove_link(link);
      std::free(link);
      link = next;
    }
    SHC_ASSERT(is_empty_list(& ht->buckets[i]));
  }
}

void hash_table_destroy(hash_table *ht) {
  if (ht == nullptr) return;
  hash_table_clear(ht);
  std::free(ht);
}

void *hash_table_find(hash_table *ht, const void *key) {
  hash_node *node = find_node(ht, key);
  return node != nullptr ? node->data : nullptr;
}

void hash_table_insert(hash_table *ht, void *data, const void *key) {
  if (!add_node(ht, data, key)) report_out_of_memory("hash_table_insert");
}

bool hash_table_replace(hash_table *ht, void *data, const void *key) {
  if (hash_node *node = find_node(ht, key)) {
    node->data = data;
    return true;
  }
  if (!add_node(ht, data, key)) report_out_of_memory("hash_table_replace");
  return false;
}

void hash_table_remove(hash_table *ht, const void *key) {
  if (hash_node *node = find_node(ht, key)) {
    remove_link(&node->link);
    std::free(node);
  }
}

void hash_table_call_foreach(hash_table *ht,
                             void (*callback)(const void *key, void *data,
                                              void *closure),
                             void *closure) {
  for (unsigned i = 0; i < ht->num_buckets; i++) {
    chain_link *head = &ht->buckets[i];
    for (chain_link *link = head->next; link != head;) {
      chain_link *next = link->next;
      auto *node = reinterpret_cast<hash_node *>(link);
      callback(node->key, node->data, closure);
      link = next;
    }
  }
}

unsigned hash_table_string_hash(const void *key) {
  std::uint32_t hash = 5381;
  for (const char *c = static_cast<const char *>(key); *c != '\0'; c++)
    hash = hash * 33 + static_cast<std::uint32_t>(
                           static_cast<std::int32_t>(static_cast<signed char>(*c)));
  return hash;
}

unsigned hash_table_pointer_hash(const void *key) {
  return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(key) >> 3);
}

int hash_table_pointer_compare(const void *key1, const void *key2) {
  return key1 == key2 ? 0 : 1;
}

int hash_table_string_compare(const void *key1, const void *key2) {
  return std::strcmp(static_cast<const char *>(key1),
                     static_cast<const char *>(key2));
}
