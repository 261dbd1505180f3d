// Texture sampling parameters as immutable Metal sampler states: each
// texture's mutable state holds the GL values (glTexParameteri) and an
// 8-byte key, and finds its Metal sampler by key in the cache of the
// current context, making it on a miss.
//
// Thread rules: used on a thread where a context of the texture's
// sharegroup is current; the cache belongs to that context.
#pragma once

#include <cstdint>
#include <memory>

#include "gles/context/gl_enums.h"
#include "gles/context/gl_types.h"
#include "gles/context/object.h"
#include "gles/context/object_array.h"

namespace mtl {
class SamplerState;
}

// The key: Metal values, compared as 8 bytes and hashed over all of them.
struct MGLSamplerKey {
  std::uint8_t sAddressMode = 0;
  std::uint8_t tAddressMode = 0;
  std::uint8_t minFilter = 0;
  std::uint8_t mipFilter = 0;
  std::uint8_t magFilter = 0;
  std::uint8_t maxAnisotropy = 1;
  std::uint16_t lodMaxClamp = 1000;
};
static_assert(sizeof(MGLSamplerKey) == 8);

// A well-mixed hash of the key's 8 bytes (splitmix64's finaliser): sampler
// states spread over the cache's buckets instead of sharing one.
std::uint64_t mglSamplerKeyHash(const MGLSamplerKey& key);

class MGLSamplerState : public MGLObject {
 public:
  const char* className() const override { return "MGLSamplerState"; }
  // Equal hash and key; the argument must be a sampler state.
  bool isEqual(const MGLObject* other) const override;
  std::size_t hash() const override { return hash_; }
  const MGLSamplerKey& stateData() const { return key_; }

 protected:
  MGLSamplerKey key_;
  std::uint64_t hash_ = 0;
};

class MGLStaticSamplerState : public MGLSamplerState {
 public:
  explicit MGLStaticSamplerState(const MGLSamplerState& state);
  const char* className() const override { return "MGLStaticSamplerState"; }
  const std::shared_ptr<mtl::SamplerState>& mtlSamplerState() const { return mtl_; }

 private:
  std::shared_ptr<mtl::SamplerState> mtl_;
};

class MGLMutableSamplerState : public MGLSamplerState {
 public:
  // `platformMaxTextureMaxAnisotropy` bounds GL_TEXTURE_MAX_ANISOTROPY_EXT.
  explicit MGLMutableSamplerState(GLint platformMaxTextureMaxAnisotropy);
  const char* className() const override { return "MGLMutableSamplerState"; }

  // glTexParameteri: a refused value changes nothing.
  void setParameter(GLenum pname, GLint value);
  // -1 with GL_INVALID_ENUM for a name it does not know.
  GLint getParameter(GLenum pname) const;
  GLenum minFilter() const { return minFilter_; }
  GLenum magFilter() const { return magFilter_; }
  GLenum horzWrap() const { return horzWrap_; }
  GLenum vertWrap() const { return vertWrap_; }

  bool isDirty() const { return mtl_ == nullptr; }
  void markDirty() { mtl_ = nullptr; }
  // The Metal sampler of the current values, from the current context's
  // cache; null without a current context.
  const std::shared_ptr<mtl::SamplerState>& mtlSamplerState();

 private:
  GLenum minFilter_ = GL_NEAREST_MIPMAP_LINEAR;
  GLenum magFilter_ = GL_LINEAR;
  GLenum horzWrap_ = GL_REPEAT;
  GLenum vertWrap_ = GL_REPEAT;
  GLenum compareMode_ = 0;
  GLenum compareFunc_ = 0;
  GLint platformMaxAnisotropy_;
  std::shared_ptr<mtl::SamplerState> mtl_;  // owned by the cached static state
};

class MGLSamplerStateCache : public MGLObject {
 public:
  MGLSamplerStateCache() : objects_(64, true) {}
  const char* className() const override { return "MGLSamplerStateCache"; }
  MGLStaticSamplerState* getSamplerStateMatching(const MGLSamplerState& state);
  void removeSamplerStateMatching(const MGLSamplerState& state);
  std::uint64_t count() const { return objects_.count(); }
  const MGLSet& objects() const { return objects_; }

 private:
  MGLSet objects_;
};
