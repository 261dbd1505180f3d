#include "gles/context/object_store.h"

#include <algorithm>

// ---- MGLGLObjectStore -------------------------------------------------------

MGLGLObjectStore::MGLGLObjectStore(MGLObjectFactory type, bool withDefaultObject,
                                   bool retainedReferences)
    : objects_(retainedReferences), type_(type) {
  if (withDefaultObject && type_) addObject(type_(0));
}

MGLGLObjectBase* MGLGLObjectStore::reservedSlotMarker() {
  static MGLGLObjectBase* const marker = [] {
    auto* m = new MGLGLObjectBase(0, MGLObjectKind::Marker, "MGLGLObjectBase");
    m->retain();  // lives for the process
    return m;
  }();
  return marker;
}

MGLGLObjectBase* MGLGLObjectStore::objectIn(const MGLArray& objects, GLID glID) {
  auto* object = static_cast<MGLGLObjectBase*>(objects.objectAtIndex(glID));
  return object == reservedSlotMarker() ? nullptr : object;
}

GLID MGLGLObjectStore::generateGLID() {
  const GLID glID = findEmptySlot();
  if (glID >= kGLIDLimit) return 0;
  objects_.replaceObjectAtIndex(glID, reservedSlotMarker());
  return glID;
}

GLID MGLGLObjectStore::findEmptySlot() {
  const std::uint64_t n = std::min(objects_.count(), objects_.capacity());
  if (n < 2) return 1;
  for (std::uint64_t slot = 1; slot < n; ++slot) {
    if (isSlotEmpty(static_cast<GLID>(slot))) return static_cast<GLID>(slot);
  }
  return static_cast<GLID>(n);
}

bool MGLGLObjectStore::isSlotEmpty(GLID slot) const {
  return slot >= objects_.capacity() || objects_.objectAtIndex(slot) == nullptr;
}

MGLGLObjectBase* MGLGLObjectStore::getObjectOrNilWithGLID(GLID glID) {
  return objectIn(objects_, glID);
}

MGLGLObjectBase* MGLGLObjectStore::getObjectWithGLID(GLID glID) {
  MGLGLObjectBase* object = objectIn(objects_, glID);
  if (!object && glID != 0 && glID < kGLIDLimit && type_) {
    object = type_(glID);
    addObject(object);
  }
  return object;
}

void MGLGLObjectStore::addObject(MGLGLObjectBase* object) {
  if (object) objects_.replaceObjectAtIndex(object->glID(), object);
}

MGLRef<MGLGLObjectBase> MGLGLObjectStore::takeObjectWithGLID(GLID glID) {
  if (glID == 0 || glID >= objects_.count()) return nullptr;
  // A cache that holds no references may hold an object that is being
  // destroyed right now: it must not be counted again.
  MGLRef<MGLGLObjectBase> taken(objects_.retainsElements() ? objectIn(objects_, glID) : nullptr);
  objects_.replaceObjectAtIndex(glID, nullptr);
  return taken;
}

void MGLGLObjectStore::removeObjectWithGLID(GLID glID) { takeObjectWithGLID(glID); }

void MGLGLObjectStore::removeDeletedObjectWithGLID(GLID glID, const MGLGLObjectBase* object) {
  // A retaining table outlives its objects' destruction: nothing to clear.
  if (objects_.retainsElements()) return;
  if (objectIn(objects_, glID) == object) removeObjectWithGLID(glID);
}

// ---- MGLSharegroupGLObjectStore --------------------------------------------

MGLSharegroupGLObjectStore::MGLSharegroupGLObjectStore(MGLObjectFactory type,
                                                       bool withDefaultObject,
                                                       bool deferDeletions)
    : MGLGLObjectStore(type, withDefaultObject, true), deferDeletions_(deferDeletions) {}

MGLSharegroupGLObjectStore::~MGLSharegroupGLObjectStore() {
  // Objects that outlive the store (held elsewhere) must not reach it.
  std::lock_guard lock(mutex_);
  for (const MGLArray* table : {&objects_, &deletedObjects_}) {
    for (std::uint64_t i = 0; i < table->count(); ++i) {
      auto* object = static_cast<MGLGLObjectBase*>(table->objectAtIndex(i));
      if (object && object != reservedSlotMarker()) object->setOwnerStore(nullptr);
    }
  }
}

GLID MGLSharegroupGLObjectStore::generateGLID() {
  std::lock_guard lock(mutex_);
  return MGLGLObjectStore::generateGLID();
}

bool MGLSharegroupGLObjectStore::isSlotEmpty(GLID slot) const {
  return MGLGLObjectStore::isSlotEmpty(slot) &&
         (!deferDeletions_ || deletedObjects_.objectAtIndex(slot) == nullptr);
}

MGLGLObjectBase* MGLSharegroupGLObjectStore::lookUp(GLID glID) {
  if (MGLGLObjectBase* object = objectIn(objects_, glID)) return object;
  return deferDeletions_ ? objectIn(deletedObjects_, glID) : nullptr;
}

MGLGLObjectBase* MGLSharegroupGLObjectStore::getObjectOrNilWithGLID(GLID glID) {
  std::lock_guard lock(mutex_);
  return lookUp(glID);
}

MGLGLObjectBase* MGLSharegroupGLObjectStore::getObjectWithGLID(GLID glID) {
  std::lock_guard lock(mutex_);
  MGLGLObjectBase* object = lookUp(glID);
  if (!object && glID != 0 && glID < kGLIDLimit && type_) {
    object = type_(glID);
    object->setOwnerStore(this);
    addObject(object);
  }
  return object;
}

void MGLSharegroupGLObjectStore::removeObjectWithGLID(GLID glID) {
  removeObjectWithGLID(glID, nullptr);
}

void MGLSharegroupGLObjectStore::removeObjectWithGLID(GLID glID,
                                                      const MGLGLObjectBase* object) {
  MGLRef<MGLGLObjectBase> removed;  // released after the unlock
  {
    std::lock_guard lock(mutex_);
    if (glID == 0 || glID >= objects_.count()) return;
    // On behalf of a destroyed object, only its own slot is cleared: the
    // name may meanwhile be reserved or name a newer object.
    const bool ownSlot = !object || objects_.objectAtIndex(glID) == object;
    if (ownSlot) {
      removed = takeObjectWithGLID(glID);
      if (deferDeletions_) {
        // Deleting a name already deleted must not forget the object that
        // still lives under it (nor free its name).
        if (removed) deletedObjects_.replaceObjectAtIndex(glID, removed.get());
      } else if (removed) {
        // Its name is free now; it has nothing left to clear here.
        removed->setOwnerStore(nullptr);
      }
    }
    for (MGLContextGLObjectStore* store : contextStores_) store->removeLocalObjectWithGLID(glID);
  }
}

void MGLSharegroupGLObjectStore::removeDeletedObjectWithGLID(GLID glID,
                                                             const MGLGLObjectBase* object) {
  if (!deferDeletions_) return;
  std::lock_guard lock(mutex_);
  if (glID == 0 || glID >= deletedObjects_.count()) return;
  if (!object || deletedObjects_.objectAtIndex(glID) == object) {
    deletedObjects_.replaceObjectAtIndex(glID, nullptr);
  }
}

MGLRef<MGLGLObjectBase> MGLSharegroupGLObjectStore::lookUpForContext(
    GLID glID, bool make, MGLContextGLObjectStore* store) {
  std::lock_guard lock(mutex_);
  // A deleted object the table does not retain may be on its way out.
  MGLRef<MGLGLObjectBase> object = mglRetainIfAlive(lookUp(glID));
  if (!object && make && glID != 0 && glID < kGLIDLimit && type_) {
    object = type_(glID);
    object->setOwnerStore(this);
    addObject(object.get());
  }
  if (object) store->cache(object.get());
  return object;  // released after the unlock
}

void MGLSharegroupGLObjectStore::addContextObjectStore(MGLContextGLObjectStore* store) {
  std::lock_guard lock(mutex_);
  contextStores_.push_back(store);
}

void MGLSharegroupGLObjectStore::removeContextObjectStore(MGLContextGLObjectStore* store) {
  std::lock_guard lock(mutex_);
  contextStores_.erase(std::remove(contextStores_.begin(), contextStores_.end(), store),
                       contextStores_.end());
}

// ---- MGLContextGLObjectStore -----------------------------------------------

MGLContextGLObjectStore::MGLContextGLObjectStore(MGLSharegroupGLObjectStore* shared)
    : MGLGLObjectStore(nullptr, false, false), shared_(shared) {
  if (shared_) shared_->addContextObjectStore(this);
}

MGLContextGLObjectStore::~MGLContextGLObjectStore() {
  if (shared_) shared_->removeContextObjectStore(this);
}

GLID MGLContextGLObjectStore::generateGLID() { return shared_->generateGLID(); }

GLID MGLContextGLObjectStore::findEmptySlot() { return shared_->findEmptySlot(); }

MGLGLObjectBase* MGLContextGLObjectStore::cached(GLID glID) {
  std::lock_guard lock(cacheMutex_);
  return objectIn(objects_, glID);
}

void MGLContextGLObjectStore::cache(MGLGLObjectBase* object) {
  std::lock_guard lock(cacheMutex_);
  addObject(object);
}

MGLGLObjectBase* MGLContextGLObjectStore::getObjectOrNilWithGLID(GLID glID) {
  if (MGLGLObjectBase* object = cached(glID)) return object;
  return shared_->lookUpForContext(glID, false, this).get();
}

MGLGLObjectBase* MGLContextGLObjectStore::getObjectWithGLID(GLID glID) {
  if (MGLGLObjectBase* object = cached(glID)) return object;
  return shared_->lookUpForContext(glID, true, this).get();
}

void MGLContextGLObjectStore::removeLocalObjectWithGLID(GLID glID) {
  std::lock_guard lock(cacheMutex_);
  MGLGLObjectStore::removeObjectWithGLID(glID);
}

void MGLContextGLObjectStore::removeObjectWithGLID(GLID glID) {
  removeLocalObjectWithGLID(glID);
  shared_->removeObjectWithGLID(glID);
}

void MGLContextGLObjectStore::removeDeletedObjectWithGLID(GLID glID,
                                                          const MGLGLObjectBase* object) {
  removeLocalObjectWithGLID(glID);
  shared_->removeObjectWithGLID(glID, object);
  shared_->removeDeletedObjectWithGLID(glID, object);
}
