#include "gles/context/object_array.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <utility>

namespace {

std::uint32_t randomValue() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return static_cast<std::uint32_t>(generator());
}

}  // namespace

bool MGLNumber::isEqual(const MGLObject* other) const {
  const auto* number = dynamic_cast<const MGLNumber*>(other);
  return number && number->value_ == value_;
}

MGLArray::MGLArray(bool retainedReferences) : retained_(retainedReferences) {}

MGLArray::MGLArray(std::uint64_t capacity, bool retainedReferences)
    : retained_(retainedReferences) {
  if (capacity > 0) growTo(capacity);
}

MGLArray::~MGLArray() {
  removeAllObjects();
  std::free(elements_);
}

void MGLArray::growTo(std::uint64_t need) {
  if (need <= capacity_) return;
  const auto grown = static_cast<std::uint64_t>(static_cast<double>(capacity_) * 1.5);
  const std::uint64_t capacity = std::max(grown, need);
  auto** block = static_cast<MGLObject**>(std::calloc(capacity, sizeof(MGLObject*)));
  if (!block) throw std::bad_alloc();
  if (capacity_ > 0) std::memcpy(block, elements_, capacity_ * sizeof(MGLObject*));
  std::free(elements_);
  elements_ = block;
  capacity_ = capacity;
}

std::uint64_t MGLArray::indexOfObject(const MGLObject* object) const {
  const std::uint64_t n = std::min(count_, capacity_);
  for (std::uint64_t i = 0; i < n; ++i) {
    MGLObject* element = elements_[i];
    if (element == object || (element && element->isEqual(object))) return i;
  }
  return kNotFound;
}

std::uint64_t MGLArray::indexOfObjectIdenticalTo(const MGLObject* object) const {
  const std::uint64_t n = std::min(count_, capacity_);
  for (std::uint64_t i = 0; i < n; ++i) {
    if (elements_[i] == object) return i;
  }
  return kNotFound;
}

void MGLArray::addObject(MGLObject* object) {
  growTo(count_ + 1);
  if (retained_ && object) object->retain();
  elements_[count_++] = object;
}

void MGLArray::replaceObjectAtIndex(std::uint64_t index, MGLObject* object) {
  growTo(index + 1);
  count_ = std::max(count_, index + 1);
  MGLObject* previous = elements_[index];
  // Retain before release, so storing an element over itself keeps it.
  if (retained_ && object) object->retain();
  elements_[index] = object;
  if (retained_ && previous) previous->release();
}

void MGLArray::exchangeObjectAtIndex(std::uint64_t i, std::uint64_t j) {
  const std::uint64_t top = std::max(i, j);
  growTo(top + 1);
  count_ = std::max(count_, top + 1);
  std::swap(elements_[i], elements_[j]);
}

void MGLArray::removeObjectAtIndex(std::uint64_t index) {
  if (index >= capacity_) return;
  MGLObject* removed = elements_[index];
  std::memmove(elements_ + index, elements_ + index + 1,
               (capacity_ - index - 1) * sizeof(MGLObject*));
  elements_[capacity_ - 1] = nullptr;
  if (count_ > index) --count_;
  if (retained_ && removed) removed->release();
}

void MGLArray::removeObject(const MGLObject* object) {
  const std::uint64_t index = indexOfObject(object);
  if (index != kNotFound) removeObjectAtIndex(index);
}

void MGLArray::removeObjectIdenticalTo(const MGLObject* object) {
  const std::uint64_t index = indexOfObjectIdenticalTo(object);
  if (index != kNotFound) removeObjectAtIndex(index);
}

void MGLArray::removeAllObjects() {
  for (std::uint64_t i = 0; i < capacity_; ++i) {
    MGLObject* element = std::exchange(elements_[i], nullptr);
    if (retained_ && element) element->release();
  }
  count_ = 0;
}

std::string MGLArray::description() const {
  return std::string(className()) + " with " + std::to_string(count_) + " elements";
}

std::string MGLArray::fullDescription() const {
  std::string text = description() + ": (";
  for (std::uint64_t i = 0; i < count_; ++i) {
    if (i) text += ", ";
    MGLObject* element = objectAtIndex(i);
    text += element ? element->description() : "(null)";
  }
  return text + ")";
}

MGLSet::MGLSet(std::uint64_t bucketCount, bool retainedReferences)
    : retained_(retainedReferences) {
  setBucketCount(bucketCount);
}

void MGLSet::setBucketCount(std::uint64_t n) {
  std::uint64_t buckets = 1;
  while (buckets < n) buckets <<= 1;
  MGLRef<MGLArray> old = buckets_;
  buckets_ = mglMake<MGLArray>(buckets, true);
  buckets_->setCount(buckets);
  if (!old) return;
  for (std::uint64_t b = 0; b < old->count(); ++b) {
    auto* bucket = static_cast<MGLArray*>(old->objectAtIndex(b));
    if (!bucket) continue;
    for (std::uint64_t i = 0; i < bucket->count(); ++i) addObject(bucket->objectAtIndex(i));
  }
}

std::uint64_t MGLSet::count() const {
  std::uint64_t total = 0;
  for (std::uint64_t b = 0; b < bucketCount(); ++b) {
    if (auto* bucket = buckets_->objectAtIndex(b)) total += static_cast<MGLArray*>(bucket)->count();
  }
  return total;
}

MGLArray* MGLSet::bucketFor(const MGLObject* object) const {
  const std::uint64_t index = object->hash() & (bucketCount() - 1);
  return static_cast<MGLArray*>(buckets_->objectAtIndex(index));
}

MGLObject* MGLSet::member(const MGLObject* object) const {
  if (!object) return nullptr;
  MGLArray* bucket = bucketFor(object);
  if (!bucket) return nullptr;
  const std::uint64_t index = bucket->indexOfObject(object);
  return index == MGLArray::kNotFound ? nullptr : bucket->objectAtIndex(index);
}

void MGLSet::addObject(MGLObject* object) {
  if (!object) return;
  const std::uint64_t index = object->hash() & (bucketCount() - 1);
  auto* bucket = static_cast<MGLArray*>(buckets_->objectAtIndex(index));
  if (!bucket) {
    auto fresh = mglMake<MGLArray>(retained_);
    buckets_->replaceObjectAtIndex(index, fresh.get());
    bucket = fresh.get();
  }
  const std::uint64_t slot = bucket->indexOfObject(object);
  if (slot == MGLArray::kNotFound) bucket->addObject(object);
  else bucket->replaceObjectAtIndex(slot, object);
}

void MGLSet::removeObject(const MGLObject* object) {
  if (!object) return;
  if (MGLArray* bucket = bucketFor(object)) bucket->removeObject(object);
}

std::string MGLSet::description() const {
  return std::string(className()) + " with " + std::to_string(count()) + " elements in " +
         std::to_string(bucketCount()) + " buckets";
}

std::string MGLSet::distributionDescription() const {
  std::string text = "(";
  bool first = true;
  for (std::uint64_t b = 0; b < bucketCount(); ++b) {
    auto* bucket = static_cast<MGLArray*>(buckets_->objectAtIndex(b));
    if (!bucket || bucket->count() == 0) continue;
    if (!first) text += ", ";
    first = false;
    text += std::to_string(b) + "->" + std::to_string(bucket->count());
  }
  return text + ")";
}

std::string MGLSet::fullDescription() const {
  return description() + ": " + distributionDescription();
}

void MGLArray::testWithElementCount(std::uint64_t count) {
  if (!retained_) return;
  for (std::uint64_t i = 0; i < count; ++i) {
    MGLRef<MGLNumber> number = mglMake<MGLNumber>(randomValue());
    addObject(number.get());
  }
}

void MGLSet::testWithElementCount(std::uint64_t count) {
  if (!retained_) return;
  for (std::uint64_t i = 0; i < count; ++i) {
    MGLRef<MGLNumber> number = mglMake<MGLNumber>(randomValue());
    addObject(number.get());
  }
}
