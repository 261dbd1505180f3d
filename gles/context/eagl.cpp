#include "gles/context/eagl.h"

#include <cctype>

#include "gles/context/call_frame.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "gles/render/renderer.h"
#include "gles/textures/renderbuffer.h"
#include "platform/quartzcore/metal_layer.h"

namespace {

// The key under which a layer keeps its retained-backing flag.
constexpr const char* kRetainBackingKey = "MGLRetainBacking";

// A property value read as a boolean: a number is true when not 0; a
// string when it starts (after blanks, a sign and zeros) with Y, y, T, t
// or a digit 1 to 9.
bool truthOf(const MGLDrawablePropertyValue& value) {
  if (const bool* flag = std::get_if<bool>(&value)) return *flag;
  if (const std::int64_t* number = std::get_if<std::int64_t>(&value)) return *number != 0;
  const std::string& text = std::get<std::string>(value);
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i == text.size()) return false;
  const char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

}  // namespace

// --- Sharegroup ------------------------------------------------------------------

MGLEAGLSharegroup::MGLEAGLSharegroup() : sharegroup_(mglMake<MGLSharegroup>()) {}

// --- Context ---------------------------------------------------------------------

MGLEAGLContext::MGLEAGLContext(MGLRef<MGLEAGLSharegroup> sharegroup)
    : sharegroup_(std::move(sharegroup)),
      context_(mglMake<MGLContext>(sharegroup_->mglSharegroup())) {}

MGLRef<MGLEAGLContext> MGLEAGLContext::initWithAPI(std::uint64_t api,
                                                   MGLEAGLSharegroup* sharegroup) {
  if (api != kEAGLRenderingAPIOpenGLES2) {
    mglSetError(GL_INVALID_ENUM,
                "DivezoVO does not currently support OpenGL ES%i. DivezoVO currently supports "
                "OpenGL ES2.",
                {static_cast<long long>(api)});
    return nullptr;
  }
  MGLRef<MGLEAGLSharegroup> group = sharegroup ? MGLRef<MGLEAGLSharegroup>(sharegroup)
                                               : mglMake<MGLEAGLSharegroup>();
  return MGLRef<MGLEAGLContext>(new MGLEAGLContext(std::move(group)));
}

MGLEAGLContext* MGLEAGLContext::currentContext() {
  return static_cast<MGLEAGLContext*>(mglCurrentEAGLContextObject());
}

bool MGLEAGLContext::setCurrentContext(MGLEAGLContext* context) {
  const bool hadOne = mglCurrentEAGLContextObject() != nullptr;
  // The GL slot first: the old context's release may destroy it, and what
  // that runs must not find it current.
  mglSetCurrentContext(context ? context->mglContext() : nullptr);
  mglSetCurrentEAGLContextObject(context);
  if (!hadOne) {
    mglLog("mgl-info", "Establishing DivezoVO %@ EAGLContext.", {mglLibraryVersionString(false)});
  }
  return true;
}

bool MGLEAGLContext::renderbufferStorage(std::uint64_t target,
                                         const std::shared_ptr<ca::Layer>& drawable) {
  context_->setCurrentFunctionName("EAGLContext renderbufferStorage:fromDrawable:");
  if (target != GL_RENDERBUFFER) {
    mglSetError(GL_INVALID_ENUM, "Target must be GL_RENDERBUFFER");
    return false;
  }
  std::shared_ptr<ca::MetalLayer> layer = std::dynamic_pointer_cast<ca::MetalLayer>(drawable);
  if (!layer) {
    mglSetError(GL_INVALID_VALUE, "Drawable must be an instance of CAMetalLayer");
    return false;
  }
  // Without a bound renderbuffer there is nothing to back: a failure, not
  // a success (the error is the getter's).
  MGLRenderbuffer* renderbuffer = context_->currentRenderbuffer();
  if (!renderbuffer) return false;
  bool stored = false;
  mglGuardEntryPoint([&] {
    const bool retain = mglRetainBacking(*layer);
    renderbuffer->generateStorageFromLayer(std::move(layer), *context_, retain);
    stored = true;
  });
  return stored;
}

bool MGLEAGLContext::presentRenderbuffer(std::uint64_t target) {
  context_->setCurrentFunctionName("EAGLContext presentRenderbuffer:");
  if (target != GL_RENDERBUFFER) {
    mglSetError(GL_INVALID_ENUM, "Target must be GL_RENDERBUFFER");
    return false;
  }
  bool presented = false;
  mglGuardEntryPoint([&] { presented = context_->renderer()->presentDrawable(); });
  return presented;
}

// --- The layer class and the layer's drawable properties -------------------------

std::shared_ptr<ca::MetalLayer> MGLCAEAGLLayer::layer() { return std::make_shared<ca::MetalLayer>(); }

std::shared_ptr<ca::MetalLayer> MGLCAEAGLLayer::initWithLayer(const ca::MetalLayer& other) {
  std::shared_ptr<ca::MetalLayer> copy = layer();
  copy->setBounds(other.bounds());
  copy->setContentsScale(other.contentsScale());
  copy->setDevice(other.device());
  copy->setPixelFormat(other.pixelFormat());
  copy->setDrawableSize(other.drawableSize());
  copy->setFramebufferOnly(other.framebufferOnly());
  copy->setDrawsAsynchronously(other.drawsAsynchronously());
  copy->setPresentsWithTransaction(other.presentsWithTransaction());
  copy->setNextDrawableTimeout(other.nextDrawableTimeout());
  mglSetRetainBacking(*copy, mglRetainBacking(other));
  return copy;
}

MGLDrawableProperties mglDrawableProperties(const ca::MetalLayer& layer) {
  return {{kEAGLDrawablePropertyColorFormat,
           std::string(layer.pixelFormat() == mtl::PixelFormat::BGRA8Unorm_sRGB
                           ? kEAGLColorFormatSRGBA8
                           : kEAGLColorFormatRGBA8)},
          {kEAGLDrawablePropertyRetainedBacking, mglRetainBacking(layer)}};
}

void mglSetDrawableProperties(ca::MetalLayer& layer, const MGLDrawableProperties& properties) {
  auto format = properties.find(kEAGLDrawablePropertyColorFormat);
  const std::string* name =
      format == properties.end() ? nullptr : std::get_if<std::string>(&format->second);
  layer.setPixelFormat(name && *name == kEAGLColorFormatSRGBA8 ? mtl::PixelFormat::BGRA8Unorm_sRGB
                                                               : mtl::PixelFormat::BGRA8Unorm);
  auto retained = properties.find(kEAGLDrawablePropertyRetainedBacking);
  mglSetRetainBacking(layer, retained != properties.end() && truthOf(retained->second));
}

bool mglRetainBacking(const ca::MetalLayer& layer) {
  const std::any* value = layer.valueForKey(kRetainBackingKey);
  const bool* flag = value ? std::any_cast<bool>(value) : nullptr;
  return flag && *flag;
}

void mglSetRetainBacking(ca::MetalLayer& layer, bool retain) {
  layer.setValue(kRetainBackingKey, retain);
}
