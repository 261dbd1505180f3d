// MGLArray: a growable, possibly sparse array of object pointers that holds
// a reference on each element or none; and MGLSet: a hashed set of objects
// in power-of-two buckets, each an MGLArray.
#pragma once

#include <cstdint>
#include <string>

#include "gles/context/object.h"

// A number as an object (equal by value), for the diagnostic fills.
class MGLNumber : public MGLObject {
 public:
  explicit MGLNumber(std::uint32_t value) : value_(value) {}
  const char* className() const override { return "MGLNumber"; }
  std::uint32_t value() const { return value_; }
  bool isEqual(const MGLObject* other) const override;
  std::size_t hash() const override { return value_; }
  std::string description() const override { return std::to_string(value_); }

 private:
  std::uint32_t value_;
};

class MGLArray : public MGLObject {
 public:
  static constexpr std::uint64_t kNotFound = 0x7FFFFFFFFFFFFFFFull;

  explicit MGLArray(bool retainedReferences = true);
  MGLArray(std::uint64_t capacity, bool retainedReferences);
  ~MGLArray() override;

  const char* className() const override { return "MGLArray"; }
  std::uint64_t count() const { return count_; }
  // Overwrites the count; touches no slot and no reference count.
  void setCount(std::uint64_t count) { count_ = count; }
  std::uint64_t capacity() const { return capacity_; }
  bool retainsElements() const { return retained_; }

  // Null at or past the capacity.
  MGLObject* objectAtIndex(std::uint64_t index) const {
    return index < capacity_ ? elements_[index] : nullptr;
  }
  MGLObject* operator[](std::uint64_t index) const { return objectAtIndex(index); }
  std::uint64_t indexOfObject(const MGLObject* object) const;
  std::uint64_t indexOfObjectIdenticalTo(const MGLObject* object) const;

  void addObject(MGLObject* object);
  void replaceObjectAtIndex(std::uint64_t index, MGLObject* object);
  void setObject(MGLObject* object, std::uint64_t index) { replaceObjectAtIndex(index, object); }
  void exchangeObjectAtIndex(std::uint64_t i, std::uint64_t j);
  void removeObjectAtIndex(std::uint64_t index);
  void removeObject(const MGLObject* object);
  void removeObjectIdenticalTo(const MGLObject* object);
  void removeAllObjects();

  std::string description() const override;
  std::string fullDescription() const;
  // Diagnostic fill: appends `count` numbers of random value. Only a
  // retaining array takes them (nothing else would keep them alive).
  void testWithElementCount(std::uint64_t count);

 private:
  void growTo(std::uint64_t need);

  MGLObject** elements_ = nullptr;
  std::uint64_t capacity_ = 0;
  std::uint64_t count_ = 0;
  bool retained_;
};

class MGLSet : public MGLObject {
 public:
  explicit MGLSet(std::uint64_t bucketCount = 0, bool retainedReferences = true);

  const char* className() const override { return "MGLSet"; }
  std::uint64_t bucketCount() const { return buckets_ ? buckets_->count() : 0; }
  // Rounds up to a power of two (0 gives 1) and rehashes every element.
  void setBucketCount(std::uint64_t count);
  std::uint64_t count() const;

  // The stored element equal to `object`, or null.
  MGLObject* member(const MGLObject* object) const;
  // Adds, or replaces the stored element equal to `object`.
  void addObject(MGLObject* object);
  void removeObject(const MGLObject* object);
  // Calls `f` with every element, bucket after bucket; `f` must not change
  // the set.
  template <typename F>
  void forEachObject(F&& f) const {
    const std::uint64_t buckets = bucketCount();
    for (std::uint64_t b = 0; b < buckets; ++b) {
      const auto* bucket = static_cast<const MGLArray*>(buckets_->objectAtIndex(b));
      if (!bucket) continue;
      for (std::uint64_t i = 0; i < bucket->count(); ++i) {
        if (MGLObject* element = bucket->objectAtIndex(i)) f(element);
      }
    }
  }

  std::string description() const override;
  std::string distributionDescription() const;
  std::string fullDescription() const;
  // Diagnostic fill, as MGLArray's: shows how random values spread over
  // the buckets.
  void testWithElementCount(std::uint64_t count);

 private:
  MGLArray* bucketFor(const MGLObject* object) const;

  MGLRef<MGLArray> buckets_;
  bool retained_;
};
