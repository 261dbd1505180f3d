// Tables from GLIDs to objects. A plain store serves one context (vertex
// array objects); a sharegroup store is shared by the contexts of a
// sharegroup and locks; a context store is one context's cache in front of
// a sharegroup store. GLIDs are handed out lowest free slot first from 1;
// a generated GLID is reserved by a marker until its object is made.
#pragma once

#include <mutex>
#include <vector>

#include "gles/context/gl_object.h"
#include "gles/context/object_array.h"

// Makes a new object of a store's kind with the given GLID.
using MGLObjectFactory = MGLGLObjectBase* (*)(GLID glID);

class MGLGLObjectStore : public MGLObject {
 public:
  // Names at or above this are never made: a stray huge name must not make
  // a table allocate gigabytes. generateGLID answers 0 when full.
  static constexpr GLID kGLIDLimit = GLID{1} << 20;

  MGLGLObjectStore(MGLObjectFactory type, bool withDefaultObject, bool retainedReferences = true);

  const char* className() const override { return "MGLGLObjectStore"; }

  virtual GLID generateGLID();
  virtual GLID findEmptySlot();
  virtual bool isSlotEmpty(GLID slot) const;
  // The object with the GLID, or null (also for a reserved GLID).
  virtual MGLGLObjectBase* getObjectOrNilWithGLID(GLID glID);
  // As above, but makes the object on a miss (GLID 0 excepted).
  virtual MGLGLObjectBase* getObjectWithGLID(GLID glID);
  void addObject(MGLGLObjectBase* object);
  virtual void removeObjectWithGLID(GLID glID);
  // Called by an object being destroyed. Its GLID may meanwhile name a
  // newer object, which stays.
  virtual void removeDeletedObjectWithGLID(GLID glID, const MGLGLObjectBase* object);

  // The process-wide marker of a reserved slot.
  static MGLGLObjectBase* reservedSlotMarker();

 protected:
  static MGLGLObjectBase* objectIn(const MGLArray& objects, GLID glID);
  // Removes the slot without the kind's extra rules; the removed object is
  // handed back so that it is released after any lock is dropped.
  MGLRef<MGLGLObjectBase> takeObjectWithGLID(GLID glID);

  MGLArray objects_;
  MGLObjectFactory type_;
};

class MGLContextGLObjectStore;

class MGLSharegroupGLObjectStore : public MGLGLObjectStore {
 public:
  MGLSharegroupGLObjectStore(MGLObjectFactory type, bool withDefaultObject,
                             bool deferDeletions = false);
  ~MGLSharegroupGLObjectStore() override;

  const char* className() const override { return "MGLSharegroupGLObjectStore"; }

  GLID generateGLID() override;
  bool isSlotEmpty(GLID slot) const override;
  MGLGLObjectBase* getObjectOrNilWithGLID(GLID glID) override;
  MGLGLObjectBase* getObjectWithGLID(GLID glID) override;
  void removeObjectWithGLID(GLID glID) override;
  void removeDeletedObjectWithGLID(GLID glID, const MGLGLObjectBase* object) override;
  // Removal on behalf of `object`'s destruction: a slot that holds another
  // object (a newer one with the same GLID) or a reservation is left alone.
  void removeObjectWithGLID(GLID glID, const MGLGLObjectBase* object);

  // Looks the GLID up for a context store (making the object on a miss
  // when `make`) and enters it in that store's cache, both under the lock
  // that removals take: a removal on another context either comes first
  // (the object is not found) or finds the entry and clears it, so no
  // cache keeps an object its table has let go of. The reference is taken
  // under the lock too; an object already being destroyed is not found.
  MGLRef<MGLGLObjectBase> lookUpForContext(GLID glID, bool make, MGLContextGLObjectStore* store);

  void addContextObjectStore(MGLContextGLObjectStore* store);
  void removeContextObjectStore(MGLContextGLObjectStore* store);
  bool defersDeletions() const { return deferDeletions_; }

 private:
  MGLGLObjectBase* lookUp(GLID glID);

  mutable std::mutex mutex_;
  std::vector<MGLContextGLObjectStore*> contextStores_;
  bool deferDeletions_;
  MGLArray deletedObjects_{false};
};

class MGLContextGLObjectStore : public MGLGLObjectStore {
 public:
  explicit MGLContextGLObjectStore(MGLSharegroupGLObjectStore* shared);
  ~MGLContextGLObjectStore() override;

  const char* className() const override { return "MGLContextGLObjectStore"; }
  MGLSharegroupGLObjectStore* sharegroupObjectStore() const { return shared_.get(); }

  GLID generateGLID() override;
  GLID findEmptySlot() override;
  MGLGLObjectBase* getObjectOrNilWithGLID(GLID glID) override;
  MGLGLObjectBase* getObjectWithGLID(GLID glID) override;
  void removeLocalObjectWithGLID(GLID glID);
  void removeObjectWithGLID(GLID glID) override;
  void removeDeletedObjectWithGLID(GLID glID, const MGLGLObjectBase* object) override;
  // Enters an object in the cache; called by the shared store under its
  // lock only.
  void cache(MGLGLObjectBase* object);

 private:
  MGLGLObjectBase* cached(GLID glID);

  MGLRef<MGLSharegroupGLObjectStore> shared_;
  // The cache is read by its context's thread and cleared by whichever
  // thread removes an object from the shared store.
  std::mutex cacheMutex_;
};
