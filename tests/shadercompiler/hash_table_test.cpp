#include "shadercompiler/ir/support/hash_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shadercompiler/ir/support/open_hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

// Published FNV-1a test vectors (32-bit).
TEST(Fnv1aTest, MatchesReferenceVectors) {
  EXPECT_EQ(fnv1a_hash_string(""), 0x811c9dc5u);
  EXPECT_EQ(fnv1a_hash_string("a"), 0xe40c292cu);
  EXPECT_EQ(fnv1a_hash_string("abc"), 0x1a47e90bu);
  EXPECT_EQ(fnv1a_hash_string("foobar"), 0xbf9cf968u);
  const unsigned char high[] = {0xff};
  EXPECT_EQ(fnv1a_hash_data(high, 1), (0x811c9dc5u ^ 0xffu) * 0x01000193u);
}

TEST(StringHashTest, TreatsHighBytesAsNegative) {
  EXPECT_EQ(hash_table_string_hash(""), 5381u);
  EXPECT_EQ(hash_table_string_hash("a"), 5381u * 33 + 'a');
  EXPECT_EQ(hash_table_string_hash("\xff"), 5381u * 33 - 1);
}

int compare_ints(const void *a, const void *b) {
  return *static_cast<const int *>(a) == *static_cast<const int *>(b) ? 0 : 1;
}

// Every key hashes to one bucket so chains get long.
unsigned constant_hash(const void *) { return 7; }

TEST(ChainedHashTableTest, DuplicatesShadowAndRemovalUncovers) {
  hash_table *ht = hash_table_create(0, hash_table_string_hash,
                                     hash_table_string_compare);
  ASSERT_NE(ht, nullptr);
  int first = 1, second = 2;
  hash_table_insert(ht, &first, "key");
  hash_table_insert(ht, &second, "key");
  EXPECT_EQ(hash_table_find(ht, "key"), &second);
  hash_table_remove(ht, "key");
  EXPECT_EQ(hash_table_find(ht, "key"), &first);
  hash_table_remove(ht, "key");
  EXPECT_EQ(hash_table_find(ht, "key"), nullptr);
  hash_table_remove(ht, "key");
  hash_table_destroy(ht);
  hash_table_destroy(nullptr);
}

TEST(ChainedHashTableTest, ReplaceUpdatesOrInserts) {
  hash_table *ht = hash_table_create(10, constant_hash, compare_ints);
  int keys[3] = {1, 2, 3};
  int data[3] = {10, 20, 30};
  EXPECT_FALSE(hash_table_replace(ht, &data[0], &keys[0]));
  EXPECT_FALSE(hash_table_replace(ht, &data[1], &keys[1]));
  int same_key = 1;
  EXPECT_TRUE(hash_table_replace(ht, &data[2], &same_key));
  EXPECT_EQ(hash_table_find(ht, &keys[0]), &data[2]);
  EXPECT_EQ(hash_table_find(ht, &keys[1]), &data[1]);
  EXPECT_EQ(hash_table_find(ht, &keys[2]), nullptr);
  hash_table_destroy(ht);
}

TEST(ChainedHashTableTest, ForeachVisitsEveryEntryAndMayRemoveIt) {
  hash_table *ht = hash_table_create(64, hash_table_pointer_hash,
                                     hash_table_pointer_compare);
  std::vector<int> values(200);
  for (int &v : values) hash_table_insert(ht, &v, &v);
  struct closure_t {
    hash_table *ht;
    int seen;
  } closure{ht, 0};
  hash_table_call_foreach(
      ht,
      [](const void *key, void *data, void *c) {
        auto *cl = static_cast<closure_t *>(c);
        EXPECT_EQ(key, data);
        cl->seen++;
        hash_table_remove(cl->ht, key);
      },
      &closure);
  EXPECT_EQ(closure.seen, 200);
  for (int &v : values) EXPECT_EQ(hash_table_find(ht, &v), nullptr);
  hash_table_destroy(ht);
}

class OpenHashTableTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ralloc_fail_after(-1);
    ralloc_free(ctx);
  }
  void *ctx = ralloc_context(nullptr);
};

TEST_F(OpenHashTableTest, SameKeyTwiceKeepsOneEntryWithNewData) {
  open_hash_table *ht = open_hash_table_create(ctx, key_string_equal);
  int a = 1, b = 2;
  open_hash_table_insert(ht, fnv1a_hash_string("x"), "x", &a);
  std::string same = "x";
  open_hash_table_insert(ht, fnv1a_hash_string("x"), same.c_str(), &b);
  EXPECT_EQ(ht->entries, 1u);
  open_hash_entry *e = open_hash_table_search(ht, fnv1a_hash_string("x"), "x");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->data, &b);
}

TEST_F(OpenHashTableTest, GrowsThroughThePrimeSizes) {
  open_hash_table *ht = open_hash_table_create(ctx, key_pointer_equal);
  EXPECT_EQ(ht->size, 5u);
  std::vector<int> keys(5000);
  for (size_t i = 0; i < keys.size(); i++) {
    uint32_t hash = fnv1a_hash_data(&i, sizeof(i));
    ASSERT_NE(open_hash_table_insert(ht, hash, &keys[i], &keys[i]), nullptr);
    if (i == 1) {
      EXPECT_EQ(ht->size, 5u);
    } else if (i == 2) {
      EXPECT_EQ(ht->size, 7u);
    }
  }
  EXPECT_EQ(ht->entries, 5000u);
  EXPECT_EQ(ht->size, 9013u);
  EXPECT_LE(ht->entries, ht->max_entries);
  for (size_t i = 0; i < keys.size(); i++) {
    uint32_t hash = fnv1a_hash_data(&i, sizeof(i));
    open_hash_entry *e = open_hash_table_search(ht, hash, &keys[i]);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->data, &keys[i]);
  }
  unsigned count = 0;
  for (open_hash_entry *e = open_hash_table_next_entry(ht, nullptr);
       e != nullptr; e = open_hash_table_next_entry(ht, e))
    count++;
  EXPECT_EQ(count, 5000u);
}

TEST_F(OpenHashTableTest, CollidingHashesStayDistinct) {
  open_hash_table *ht = open_hash_table_create(ctx, key_string_equal);
  const char *keys[] = {"a", "b", "c", "d", "e", "f", "g"};
  for (const char *k : keys) open_hash_table_insert(ht, 42, k, (void *)k);
  for (const char *k : keys) {
    open_hash_entry *e = open_hash_table_search(ht, 42, k);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->data, k);
  }
  EXPECT_EQ(open_hash_table_search(ht, 42, "h"), nullptr);
  EXPECT_EQ(open_hash_table_search(ht, 43, "a"), nullptr);
}

TEST_F(OpenHashTableTest, FullTableThatCannotGrowRefusesInsertion) {
  open_hash_table *ht = open_hash_table_create(ctx, key_pointer_equal);
  int keys[8];
  ralloc_fail_after(0);
  // Five slots: two fit below the limit, three more fill the array.
  for (int i = 0; i < 5; i++)
    EXPECT_NE(open_hash_table_insert(ht, i, &keys[i], nullptr), nullptr);
  EXPECT_EQ(open_hash_table_insert(ht, 5, &keys[5], nullptr), nullptr);
  EXPECT_EQ(ht->entries, 5u);
  ralloc_fail_after(-1);
  EXPECT_NE(open_hash_table_insert(ht, 5, &keys[5], nullptr), nullptr);
  for (int i = 0; i < 6; i++)
    EXPECT_NE(open_hash_table_search(ht, i, &keys[i]), nullptr);
}

TEST_F(OpenHashTableTest, DestroyCallsBackForLiveEntries) {
  open_hash_table *ht = open_hash_table_create(ctx, key_pointer_equal);
  int keys[3];
  for (int i = 0; i < 3; i++) open_hash_table_insert(ht, i, &keys[i], &keys[i]);
  static int deleted;
  deleted = 0;
  open_hash_table_destroy(ht, [](open_hash_entry *) { deleted++; });
  EXPECT_EQ(deleted, 3);
  open_hash_table_destroy(nullptr, nullptr);
}

}  // namespace
