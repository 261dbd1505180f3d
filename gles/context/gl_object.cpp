#include "gles/context/gl_object.h"

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/format.h"
#include "gles/context/object_store.h"

MGLGLObjectBase::MGLGLObjectBase(GLID glID, MGLObjectKind kind, const char* className)
    : glID_(glID), kind_(kind), className_(className) {
  setLabel(defaultLabel());
}

MGLGLObjectBase::~MGLGLObjectBase() {
  if (kind_ == MGLObjectKind::Marker) return;
  if (MGLSharegroupGLObjectStore* store = ownerStore()) {
    // Its own sharegroup's tables, reached without a current context: a
    // deleted shader or program may go while none is current, or while
    // another sharegroup's context is.
    store->removeObjectWithGLID(glID_, this);
    store->removeDeletedObjectWithGLID(glID_, this);
    return;
  }
  // An object its store let go of has nothing left to clear.
  if (everOwned_) return;
  if (MGLContext* context = mglCurrentContext()) {
    if (MGLGLObjectStore* store = context->storeOfKind(kind_)) {
      store->removeDeletedObjectWithGLID(glID_, this);
    }
  }
}

std::string MGLGLObjectBase::label() const {
  std::lock_guard lock(labelMutex_);
  return label_;
}

void MGLGLObjectBase::setLabel(std::string label) {
  std::lock_guard lock(labelMutex_);
  label_ = std::move(label);
}

std::string MGLGLObjectBase::defaultLabel() const {
  return mglFormat("%@ (GLID %i)", {className_ + 1, glID_});
}

std::string MGLGLObjectBase::description() const {
  return mglFormat("%@ (GLID %i)", {className_, glID_});
}
