#include "shadercompiler/ir/support/ralloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Records the order in which destructors run, by the tag stored in a block.
std::vector<std::string> *destroyed = nullptr;

void record_destruction(void *block) {
  destroyed->push_back(*static_cast<const char **>(block));
}

const char **tagged(void *parent, const char *tag) {
  auto *block = static_cast<const char **>(ralloc_size(parent, sizeof(char *)));
  *block = tag;
  ralloc_set_destructor(block, record_destruction);
  return block;
}

class RallocTest : public ::testing::Test {
 protected:
  void SetUp() override { destroyed = &order; }
  void TearDown() override {
    ralloc_fail_after(-1);
    destroyed = nullptr;
  }
  std::vector<std::string> order;
};

TEST_F(RallocTest, FreeingRunsDestructorsDepthFirstNewestFirstParentLast) {
  const char **root = tagged(nullptr, "root");
  const char **a = tagged(root, "a");
  tagged(a, "a1");
  tagged(a, "a2");
  const char **b = tagged(root, "b");
  tagged(b, "b1");
  ralloc_free(root);
  EXPECT_EQ(order, (std::vector<std::string>{"b1", "b", "a2", "a1", "a",
                                             "root"}));
}

TEST_F(RallocTest, PayloadIsZeroFilledAndParentIsReported) {
  void *root = ralloc_context(nullptr);
  auto *bytes = static_cast<unsigned char *>(ralloc_size(root, 64));
  for (int i = 0; i < 64; i++) ASSERT_EQ(bytes[i], 0);
  EXPECT_EQ(ralloc_parent(bytes), root);
  EXPECT_EQ(ralloc_parent(root), nullptr);
  EXPECT_EQ(ralloc_parent(nullptr), nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes) % 16, 0u);
  ralloc_free(root);
}

TEST_F(RallocTest, FreeingAnyChildKeepsSiblingsLinked) {
  const char **root = tagged(nullptr, "root");
  tagged(root, "oldest");
  const char **middle = tagged(root, "middle");
  const char **newest = tagged(root, "newest");
  ralloc_free(middle);
  ralloc_free(newest);  // the parent's first child
  tagged(root, "late");
  ralloc_free(root);
  EXPECT_EQ(order, (std::vector<std::string>{"middle", "newest", "late",
                                             "oldest", "root"}));
}

TEST_F(RallocTest, ResizeThatMovesKeepsFamilyConsistent) {
  void *root = ralloc_context(nullptr);
  const char **older = tagged(root, "older");
  auto *grown = static_cast<char *>(ralloc_size(root, 8));
  const char **newer = tagged(root, "newer");
  tagged(grown, "child");
  std::memcpy(grown, "1234567", 8);
  // Enough growth that the allocator has to move the block.
  grown = static_cast<char *>(reralloc_size(root, grown, 1 << 20));
  ASSERT_NE(grown, nullptr);
  EXPECT_STREQ(grown, "1234567");
  EXPECT_EQ(ralloc_parent(grown), root);
  tagged(grown, "after");
  ralloc_steal(root, older);
  ralloc_free(newer);
  ralloc_free(root);
  EXPECT_EQ(order, (std::vector<std::string>{"newer", "older", "after",
                                             "child"}));
}

TEST_F(RallocTest, StealMovesSubtreeToNewParent) {
  void *first = ralloc_context(nullptr);
  void *second = ralloc_context(nullptr);
  const char **moved = tagged(first, "moved");
  tagged(moved, "inner");
  ralloc_steal(second, moved);
  EXPECT_EQ(ralloc_parent(moved), second);
  ralloc_free(first);
  EXPECT_TRUE(order.empty());
  ralloc_steal(second, nullptr);
  ralloc_free(second);
  EXPECT_EQ(order, (std::vector<std::string>{"inner", "moved"}));
}

TEST_F(RallocTest, ArraysRefuseOverflowingProducts) {
  void *root = ralloc_context(nullptr);
  EXPECT_EQ(ralloc_array_size(root, SIZE_MAX / 2 + 1, 2), nullptr);
  EXPECT_EQ(ralloc_array_size_zeroed(root, 3, SIZE_MAX / 2), nullptr);
  auto *numbers = ralloc_array<int>(root, 4);
  ASSERT_NE(numbers, nullptr);
  EXPECT_EQ(reralloc_array_size(root, numbers, SIZE_MAX / 4 + 1, 8), nullptr);
  numbers = reralloc_array(root, numbers, 100);
  ASSERT_NE(numbers, nullptr);
  numbers[99] = 7;
  ralloc_free(root);
}

TEST_F(RallocTest, StringConcatenation) {
  void *root = ralloc_context(nullptr);
  char *text = ralloc_strdup(root, "ab");
  EXPECT_EQ(ralloc_strdup(root, nullptr), nullptr);
  EXPECT_TRUE(ralloc_strcat(&text, "cd"));
  EXPECT_TRUE(ralloc_strncat(&text, "efgh", 100));
  EXPECT_TRUE(ralloc_strncat(&text, "ijk", 0));
  EXPECT_TRUE(ralloc_strncat(&text, "ijk", 2));
  EXPECT_STREQ(text, "abcdefghij");
  EXPECT_EQ(ralloc_parent(text), root);
  ralloc_free(root);
}

TEST_F(RallocTest, FormattingAppendsAndRewritesTail) {
  void *root = ralloc_context(nullptr);
  char *text = ralloc_asprintf(root, "%s-%d", "x", 42);
  EXPECT_STREQ(text, "x-42");
  EXPECT_TRUE(ralloc_asprintf_append(&text, "/%03u", 7u));
  EXPECT_STREQ(text, "x-42/007");

  char *tail = ralloc_strdup(root, "abcdef");
  size_t offset = 3;
  EXPECT_TRUE(ralloc_asprintf_rewrite_tail(&tail, &offset, "%s", "XY"));
  EXPECT_STREQ(tail, "abcXY");
  EXPECT_EQ(offset, 5u);

  char *fresh = nullptr;
  EXPECT_TRUE(ralloc_asprintf_append(&fresh, "%d items", 3));
  EXPECT_STREQ(fresh, "3 items");
  EXPECT_EQ(ralloc_parent(fresh), nullptr);
  ralloc_free(fresh);
  ralloc_free(root);
}

TEST_F(RallocTest, FailedAllocationsLeaveEverythingIntact) {
  void *root = ralloc_context(nullptr);
  char *text = ralloc_strdup(root, "keep");
  ralloc_fail_after(0);
  EXPECT_EQ(ralloc_context(root), nullptr);
  EXPECT_FALSE(ralloc_strcat(&text, "more"));
  EXPECT_FALSE(ralloc_asprintf_append(&text, "%d", 5));
  EXPECT_EQ(reralloc_size(root, text, 4096), nullptr);
  EXPECT_STREQ(text, "keep");
  EXPECT_EQ(ralloc_asprintf(root, "x"), nullptr);

  // A rewrite of a null string that cannot allocate reports the failure.
  char *none = nullptr;
  size_t offset = 0;
  EXPECT_FALSE(ralloc_asprintf_rewrite_tail(&none, &offset, "%s", "abc"));
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(offset, 0u);
  ralloc_fail_after(-1);
  ralloc_free(root);
}

TEST_F(RallocTest, GlobalContextIsOneBlock) {
  void *global = ralloc_global_context();
  EXPECT_EQ(ralloc_global_context(), global);
  EXPECT_EQ(ralloc_parent(global), nullptr);
}

}  // namespace
