// The graphics layer's reference-counted objects: an intrusive count, an
// equality test and hash for the hashed containers, and a description.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <utility>

class MGLObject {
 public:
  MGLObject() = default;
  MGLObject(const MGLObject&) = delete;
  MGLObject& operator=(const MGLObject&) = delete;
  virtual ~MGLObject() = default;

  void retain() const noexcept { count_.fetch_add(1, std::memory_order_relaxed); }
  // Retains unless the count has already reached zero (the object is being
  // destroyed and must not come back); for tables that hold objects
  // without retaining them.
  bool retainIfAlive() const noexcept {
    std::size_t count = count_.load(std::memory_order_relaxed);
    while (count != 0)
      if (count_.compare_exchange_weak(count, count + 1, std::memory_order_relaxed)) return true;
    return false;
  }
  void release() const noexcept {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  std::size_t retainCount() const noexcept { return count_.load(std::memory_order_relaxed); }

  virtual const char* className() const { return "MGLObject"; }
  // Equal objects have equal hashes; by default an object equals itself only.
  virtual bool isEqual(const MGLObject* other) const { return other == this; }
  virtual std::size_t hash() const { return reinterpret_cast<std::size_t>(this) >> 4; }
  virtual std::string description() const { return className(); }

 private:
  mutable std::atomic<std::size_t> count_{0};
};

// A strong reference to an MGLObject.
template <typename T>
class MGLRef {
 public:
  MGLRef() = default;
  MGLRef(std::nullptr_t) {}
  MGLRef(T* object) : object_(object) {
    if (object_) object_->retain();
  }
  MGLRef(const MGLRef& other) : MGLRef(other.object_) {}
  MGLRef(MGLRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <typename U>
  MGLRef(const MGLRef<U>& other) : MGLRef(other.get()) {}
  ~MGLRef() {
    // Cleared before the release, so code run by the object's destruction
    // (a thread's current context going away) never sees it through here.
    if (T* object = std::exchange(object_, nullptr)) object->release();
  }
  MGLRef& operator=(MGLRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  bool operator==(const MGLRef& other) const { return object_ == other.object_; }
  bool operator==(std::nullptr_t) const { return object_ == nullptr; }

 private:
  T* object_ = nullptr;
};

// A strong reference to an object found in a table that does not retain
// it: null when the object is already being destroyed.
template <typename T>
MGLRef<T> mglRetainIfAlive(T* object) {
  if (object == nullptr || !object->retainIfAlive()) return nullptr;
  MGLRef<T> ref(object);
  object->release();  // the reference holds the count taken above
  return ref;
}

template <typename T, typename... Args>
MGLRef<T> mglMake(Args&&... args) {
  return MGLRef<T>(new T(std::forward<Args>(args)...));
}
