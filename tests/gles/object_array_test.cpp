// MGLArray and MGLSet: sparse growth, retaining and non-retaining storage,
// removal that shifts the whole capacity, and hashed buckets.
#include <gtest/gtest.h>

#include "gles/context/object_array.h"

namespace {

// An object whose equality and hash come from a key, and which counts its
// destruction.
class Keyed : public MGLObject {
 public:
  Keyed(int key, int* destroyed = nullptr) : key_(key), destroyed_(destroyed) {}
  ~Keyed() override {
    if (destroyed_) ++*destroyed_;
  }
  bool isEqual(const MGLObject* other) const override {
    auto* k = dynamic_cast<const Keyed*>(other);
    return k && k->key_ == key_;
  }
  std::size_t hash() const override { return static_cast<std::size_t>(key_); }
  std::string description() const override { return "K" + std::to_string(key_); }

 private:
  int key_;
  int* destroyed_;
};

TEST(MGLArray, SparseGrowthAndLookups) {
  MGLArray array;
  EXPECT_EQ(array.objectAtIndex(5), nullptr);
  array.removeObjectAtIndex(0);  // capacity 0: nothing
  auto object = mglMake<Keyed>(1);
  array.replaceObjectAtIndex(9, object.get());
  EXPECT_EQ(array.count(), 10u);
  EXPECT_EQ(array.capacity(), 10u);
  EXPECT_EQ(array.indexOfObject(nullptr), 0u);
  EXPECT_EQ(array.indexOfObject(object.get()), 9u);
  Keyed equal(1);
  EXPECT_EQ(array.indexOfObject(&equal), 9u);
  EXPECT_EQ(array.indexOfObjectIdenticalTo(&equal), MGLArray::kNotFound);
  array.addObject(nullptr);
  EXPECT_EQ(array.capacity(), 15u);  // 10 * 1.5
  array.setCount(3);
  EXPECT_EQ(array.objectAtIndex(9), object.get());  // past the count, inside the capacity
  EXPECT_EQ(array.indexOfObject(object.get()), MGLArray::kNotFound);
  EXPECT_EQ(array.fullDescription(), "MGLArray with 3 elements: ((null), (null), (null))");
}

TEST(MGLArray, GrowthFollowsOneAndAHalf) {
  MGLArray array(4, true);
  EXPECT_EQ(array.count(), 0u);
  array.replaceObjectAtIndex(4, nullptr);
  EXPECT_EQ(array.capacity(), 6u);
  MGLArray five(5, true);
  five.replaceObjectAtIndex(5, nullptr);
  EXPECT_EQ(five.capacity(), 7u);
}

TEST(MGLArray, RetainingKeepsElementsAlive) {
  int destroyed = 0;
  MGLArray array;
  {
    auto a = mglMake<Keyed>(1, &destroyed);
    array.addObject(a.get());
    array.replaceObjectAtIndex(0, a.get());  // itself again: retained before released
  }
  EXPECT_EQ(destroyed, 0);
  auto b = mglMake<Keyed>(2, &destroyed);
  array.addObject(b.get());
  array.removeObjectAtIndex(0);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(array.objectAtIndex(0), b.get());  // moved down
  EXPECT_EQ(array.count(), 1u);
  array.removeAllObjects();
  EXPECT_EQ(b->retainCount(), 1u);

  MGLArray weak(false);
  weak.addObject(b.get());
  EXPECT_EQ(b->retainCount(), 1u);
  weak.exchangeObjectAtIndex(0, 3);
  EXPECT_EQ(weak.objectAtIndex(3), b.get());
  EXPECT_EQ(weak.count(), 4u);
  weak.removeObjectIdenticalTo(b.get());
  EXPECT_EQ(weak.objectAtIndex(3), nullptr);
  EXPECT_EQ(b->retainCount(), 1u);
}

TEST(MGLSet, BucketsAndReplacement) {
  EXPECT_EQ(MGLSet().bucketCount(), 1u);
  EXPECT_EQ(MGLSet(10).bucketCount(), 16u);
  EXPECT_EQ(MGLSet(64).bucketCount(), 64u);
  MGLSet set(4);
  EXPECT_EQ(set.count(), 0u);
  EXPECT_EQ(set.distributionDescription(), "()");
  auto first = mglMake<Keyed>(5), again = mglMake<Keyed>(5), other = mglMake<Keyed>(1);
  set.addObject(first.get());
  set.addObject(other.get());
  set.addObject(again.get());
  EXPECT_EQ(set.count(), 2u);
  EXPECT_EQ(set.member(first.get()), again.get());
  EXPECT_EQ(first->retainCount(), 1u);  // replaced and released
  EXPECT_EQ(set.distributionDescription(), "(1->2)");
  set.setBucketCount(8);
  EXPECT_EQ(set.fullDescription(), "MGLSet with 2 elements in 8 buckets: (1->1, 5->1)");
  set.removeObject(first.get());
  EXPECT_EQ(set.member(again.get()), nullptr);
  EXPECT_EQ(set.count(), 1u);
  set.addObject(nullptr);
  EXPECT_EQ(set.member(nullptr), nullptr);
}

TEST(ObjectArray, DiagnosticFillsAddNumbersOnlyWhereSomethingHoldsThem) {
  MGLArray array;
  array.testWithElementCount(40);
  EXPECT_EQ(array.count(), 40u);
  ASSERT_NE(dynamic_cast<MGLNumber*>(array[39]), nullptr);
  EXPECT_EQ(array[39]->retainCount(), 1u);
  // A non-retaining container would keep pointers to freed numbers.
  MGLArray bare(false);
  bare.testWithElementCount(5);
  EXPECT_EQ(bare.count(), 0u);
  MGLSet set(16);
  set.testWithElementCount(300);
  // Random 32-bit values: a repeat (which replaces) is all but impossible.
  EXPECT_GE(set.count(), 299u);
  EXPECT_EQ(set.bucketCount(), 16u);
  MGLSet bareSet(4, false);
  bareSet.testWithElementCount(3);
  EXPECT_EQ(bareSet.count(), 0u);
  // Numbers are equal by value.
  MGLRef<MGLNumber> a = mglMake<MGLNumber>(7), b = mglMake<MGLNumber>(7);
  EXPECT_TRUE(a->isEqual(b.get()));
  EXPECT_EQ(a->hash(), b->hash());
  EXPECT_EQ(a->description(), "7");
}

}  // namespace
