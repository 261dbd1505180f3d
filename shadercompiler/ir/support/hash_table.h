// Chained hash table with caller-supplied hash and compare functions, kept in
// system memory. Equal keys may be inserted more than once; the newest is
// found first and removal uncovers the older one.
#pragma once

struct hash_table;

typedef unsigned (*hash_func_t)(const void *key);
// 0 when the stored key and the key are equal.
typedef int (*hash_compare_func_t)(const void *key1, const void *key2);

// Tables have at least 16 buckets. Null when out of memory.
hash_table *hash_table_create(unsigned num_buckets, hash_func_t hash,
                              hash_compare_func_t compare);
void hash_table_destroy(hash_table *ht);
// Drops every entry, keeping the table.
void hash_table_clear(hash_table *ht);
void *hash_table_find(hash_table *ht, const void *key);
void hash_table_insert(hash_table *ht, void *data, const void *key);
// Replaces the data of an equal key (true) or inserts a new entry (false).
bool hash_table_replace(hash_table *ht, void *data, const void *key);
void hash_table_remove(hash_table *ht, const void *key);
// callback(key, data, closure) for every entry, bucket by bucket; the
// callback may remove the entry it is given.
void hash_table_call_foreach(hash_table *ht,
                             void (*callback)(const void *key, void *data,
                                              void *closure),
                             void *closure);

// djb2 over the text, characters taken as signed bytes.
unsigned hash_table_string_hash(const void *key);
unsigned hash_table_pointer_hash(const void *key);
int hash_table_pointer_compare(const void *key1, const void *key2);
int hash_table_string_compare(const void *key1, const void *key2);
