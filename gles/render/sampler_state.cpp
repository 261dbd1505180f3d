#include "gles/render/sampler_state.h"

#include <algorithm>
#include <cstring>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/platform.h"
#include "gles/textures/state_conversion.h"
#include "platform/metal/device.h"

namespace {

constexpr GLint kMaxLodClamp = 65535;

void refuseValue(GLenum pname, GLint value) {
  mglSetError(GL_INVALID_ENUM, "%@ is not a valid value for texture parameter %@.",
              {mglGLEnumName(static_cast<GLenum>(value)), mglGLEnumName(pname)});
}

bool isMinFilter(GLint v) {
  return v == GL_NEAREST || v == GL_LINEAR ||
         (v >= static_cast<GLint>(GL_NEAREST_MIPMAP_NEAREST) &&
          v <= static_cast<GLint>(GL_LINEAR_MIPMAP_LINEAR));
}

bool isWrap(GLint v) { return v == GL_REPEAT || v == GL_MIRRORED_REPEAT || v == GL_CLAMP_TO_EDGE; }

}  // namespace

std::uint64_t mglSamplerKeyHash(const MGLSamplerKey& key) {
  std::uint64_t z;
  std::memcpy(&z, &key, sizeof z);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

bool MGLSamplerState::isEqual(const MGLObject* other) const {
  if (other == this) return true;
  const auto* o = static_cast<const MGLSamplerState*>(other);
  return o && o->hash_ == hash_ && std::memcmp(&o->key_, &key_, sizeof key_) == 0;
}

MGLStaticSamplerState::MGLStaticSamplerState(const MGLSamplerState& state) {
  key_ = state.stateData();
  hash_ = state.hash();
  mtl::SamplerDescriptor d;
  d.label = "MGLStaticSamplerState";
  d.sAddressMode = static_cast<mtl::SamplerAddressMode>(key_.sAddressMode);
  d.tAddressMode = static_cast<mtl::SamplerAddressMode>(key_.tAddressMode);
  d.minFilter = static_cast<mtl::SamplerMinMagFilter>(key_.minFilter);
  d.mipFilter = static_cast<mtl::SamplerMipFilter>(key_.mipFilter);
  d.magFilter = static_cast<mtl::SamplerMinMagFilter>(key_.magFilter);
  d.lodMaxClamp = static_cast<float>(key_.lodMaxClamp);
  d.maxAnisotropy = key_.maxAnisotropy;
  mtl_ = mglSharedMTLDevice()->newSamplerState(d);
}

MGLMutableSamplerState::MGLMutableSamplerState(GLint platformMaxTextureMaxAnisotropy)
    : platformMaxAnisotropy_(std::clamp(platformMaxTextureMaxAnisotropy, 1, 255)) {
  key_.sAddressMode = static_cast<std::uint8_t>(mglMTLAddressModeOfGLWrap(horzWrap_));
  key_.tAddressMode = static_cast<std::uint8_t>(mglMTLAddressModeOfGLWrap(vertWrap_));
  key_.minFilter = static_cast<std::uint8_t>(mglMTLMinMagFilterOfGLFilter(minFilter_));
  key_.mipFilter = static_cast<std::uint8_t>(mglMTLMipFilterOfGLFilter(minFilter_));
  key_.magFilter = static_cast<std::uint8_t>(mglMTLMinMagFilterOfGLFilter(magFilter_));
  hash_ = mglSamplerKeyHash(key_);
}

void MGLMutableSamplerState::setParameter(GLenum pname, GLint value) {
  const MGLSamplerKey before = key_;
  switch (pname) {
    case GL_TEXTURE_MAG_FILTER:
      if (value != GL_NEAREST && value != GL_LINEAR) return refuseValue(pname, value);
      if (static_cast<GLenum>(value) == magFilter_) return;
      magFilter_ = static_cast<GLenum>(value);
      key_.magFilter = static_cast<std::uint8_t>(mglMTLMinMagFilterOfGLFilter(magFilter_));
      break;
    case GL_TEXTURE_MIN_FILTER:
      if (!isMinFilter(value)) return refuseValue(pname, value);
      if (static_cast<GLenum>(value) == minFilter_) return;
      minFilter_ = static_cast<GLenum>(value);
      key_.minFilter = static_cast<std::uint8_t>(mglMTLMinMagFilterOfGLFilter(minFilter_));
      key_.mipFilter = static_cast<std::uint8_t>(mglMTLMipFilterOfGLFilter(minFilter_));
      break;
    case GL_TEXTURE_WRAP_S:
    case GL_TEXTURE_WRAP_T: {
      if (!isWrap(value)) return refuseValue(pname, value);
      GLenum& wrap = pname == GL_TEXTURE_WRAP_S ? horzWrap_ : vertWrap_;
      if (static_cast<GLenum>(value) == wrap) return;
      wrap = static_cast<GLenum>(value);
      const auto mode = static_cast<std::uint8_t>(mglMTLAddressModeOfGLWrap(wrap));
      (pname == GL_TEXTURE_WRAP_S ? key_.sAddressMode : key_.tAddressMode) = mode;
      break;
    }
    case GL_TEXTURE_MAX_LEVEL_APPLE:
      if (value < 0) {
        mglSetError(GL_INVALID_VALUE,
                    "The value of texture parameter %@ cannot be negative. %i is not a valid value.",
                    {mglGLEnumName(pname), value});
        return;
      }
      key_.lodMaxClamp = static_cast<std::uint16_t>(std::min(value, kMaxLodClamp));
      break;
    case GL_TEXTURE_MAX_ANISOTROPY_EXT:
      if (value < 1) {
        mglSetError(GL_INVALID_VALUE,
                    "The value of texture parameter %@ cannot be less than 1. %i is not a valid "
                    "value.",
                    {mglGLEnumName(pname), value});
        return;
      }
      key_.maxAnisotropy = static_cast<std::uint8_t>(std::min(value, platformMaxAnisotropy_));
      break;
    case GL_TEXTURE_COMPARE_MODE_EXT:
      if (value != 0 && value != static_cast<GLint>(GL_COMPARE_REF_TO_TEXTURE_EXT))
        return refuseValue(pname, value);
      compareMode_ = static_cast<GLenum>(value);
      return;
    case GL_TEXTURE_COMPARE_FUNC_EXT:
      if (value < static_cast<GLint>(GL_NEVER) || value > static_cast<GLint>(GL_ALWAYS))
        return refuseValue(pname, value);
      compareFunc_ = static_cast<GLenum>(value);
      return;
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid texture parameter name.",
                  {mglGLEnumName(pname)});
      return;
  }
  if (std::memcmp(&before, &key_, sizeof key_) == 0) return;
  hash_ = mglSamplerKeyHash(key_);
  markDirty();
}

GLint MGLMutableSamplerState::getParameter(GLenum pname) const {
  switch (pname) {
    case GL_TEXTURE_MAG_FILTER: return static_cast<GLint>(magFilter_);
    case GL_TEXTURE_MIN_FILTER: return static_cast<GLint>(minFilter_);
    case GL_TEXTURE_WRAP_S: return static_cast<GLint>(horzWrap_);
    case GL_TEXTURE_WRAP_T: return static_cast<GLint>(vertWrap_);
    case GL_TEXTURE_COMPARE_MODE_EXT: return static_cast<GLint>(compareMode_);
    case GL_TEXTURE_COMPARE_FUNC_EXT: return static_cast<GLint>(compareFunc_);
    case GL_TEXTURE_MAX_LEVEL_APPLE: return key_.lodMaxClamp;
    case GL_TEXTURE_MAX_ANISOTROPY_EXT: return key_.maxAnisotropy;
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid texture parameter name.",
                  {mglGLEnumName(pname)});
      return -1;
  }
}

const std::shared_ptr<mtl::SamplerState>& MGLMutableSamplerState::mtlSamplerState() {
  if (!mtl_) {
    if (MGLContext* context = mglCurrentContext()) {
      mtl_ = context->samplerStateCache()->getSamplerStateMatching(*this)->mtlSamplerState();
    }
  }
  return mtl_;
}

MGLStaticSamplerState* MGLSamplerStateCache::getSamplerStateMatching(const MGLSamplerState& state) {
  if (MGLObject* found = objects_.member(&state)) return static_cast<MGLStaticSamplerState*>(found);
  MGLRef<MGLStaticSamplerState> made = mglMake<MGLStaticSamplerState>(state);
  objects_.addObject(made.get());
  return made.get();
}

void MGLSamplerStateCache::removeSamplerStateMatching(const MGLSamplerState& state) {
  objects_.removeObject(&state);
}
