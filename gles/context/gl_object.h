// The root of every GL-named object: its GLID, fixed at creation, and its
// label. When destroyed it clears its GLID from the stores of its kind:
// those of the sharegroup store that made it, whichever thread releases it
// and whether or not a context is current there.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "gles/context/gl_types.h"
#include "gles/context/object.h"

class MGLSharegroupGLObjectStore;

enum class MGLObjectKind {
  Buffer, Texture, Renderbuffer, Framebuffer, Shader, ShaderProgram, ShaderLibrary,
  VertexArrayObject, Marker,
};

class MGLGLObjectBase : public MGLObject {
 public:
  // `className` is the full class name ("MGLTexture").
  MGLGLObjectBase(GLID glID, MGLObjectKind kind, const char* className);
  ~MGLGLObjectBase() override;

  GLID glID() const { return glID_; }
  MGLObjectKind kind() const { return kind_; }
  const char* className() const override { return className_; }
  std::string label() const;
  // Objects with Metal resources label those too.
  virtual void setLabel(std::string label);
  // "GLTexture (GLID 5)": the class name less its first letter.
  std::string defaultLabel() const;
  // "MGLTexture (GLID 5)".
  std::string description() const override;

  // The sharegroup store whose table names this object, set when it makes
  // the object and cleared (under that store's lock) when the object
  // leaves its tables for good or the store goes away.
  MGLSharegroupGLObjectStore* ownerStore() const {
    return ownerStore_.load(std::memory_order_acquire);
  }
  void setOwnerStore(MGLSharegroupGLObjectStore* store) {
    if (store) everOwned_ = true;
    ownerStore_.store(store, std::memory_order_release);
  }

 private:
  const GLID glID_;
  const MGLObjectKind kind_;
  const char* className_;
  mutable std::mutex labelMutex_;
  std::string label_;
  std::atomic<MGLSharegroupGLObjectStore*> ownerStore_{nullptr};
  bool everOwned_ = false;  // written only by the store that made it
};
