// The object stores that the contexts of one sharegroup share.
#pragma once

#include "gles/context/object_store.h"

class MGLSharegroup : public MGLObject {
 public:
  MGLSharegroup();
  const char* className() const override { return "MGLSharegroup"; }

  MGLSharegroupGLObjectStore* buffers() const { return buffers_.get(); }
  MGLSharegroupGLObjectStore* textures() const { return textures_.get(); }
  MGLSharegroupGLObjectStore* renderbuffers() const { return renderbuffers_.get(); }
  MGLSharegroupGLObjectStore* framebuffers() const { return framebuffers_.get(); }
  MGLSharegroupGLObjectStore* shaders() const { return shaders_.get(); }
  MGLSharegroupGLObjectStore* shaderPrograms() const { return shaderPrograms_.get(); }
  MGLSharegroupGLObjectStore* shaderLibraries() const { return shaderLibraries_.get(); }

 private:
  MGLRef<MGLSharegroupGLObjectStore> buffers_, textures_, renderbuffers_, framebuffers_,
      shaderLibraries_, shaders_, shaderPrograms_;
};
