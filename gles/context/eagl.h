// The EAGL-style objects an application draws through: the sharegroup its
// contexts share objects in, the context it makes current on its drawing
// thread and whose bound renderbuffer it backs with a Metal layer and
// presents, and the layer class of its GL view, which yields a plain
// Metal layer. Drawable properties (colour format, retained backing) are
// kept on that layer.
//
// Thread rules: a context is used by the thread on which it is current;
// setCurrentContext touches only the calling thread's slots. Layers are
// configured from one thread. Contexts of one sharegroup may be current
// on different threads (their shared stores lock).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "gles/context/context.h"
#include "gles/context/object.h"
#include "gles/context/sharegroup.h"

namespace ca {
class Layer;
class MetalLayer;
}  // namespace ca

// Keys and values of a drawable-property dictionary.
inline constexpr const char* kEAGLDrawablePropertyColorFormat = "EAGLDrawablePropertyColorFormat";
inline constexpr const char* kEAGLDrawablePropertyRetainedBacking = "EAGLDrawablePropertyRetained";
inline constexpr const char* kEAGLColorFormatRGBA8 = "EAGLColorFormat8888";
inline constexpr const char* kEAGLColorFormatSRGBA8 = "EAGLColorFormatS8888";
inline constexpr const char* kEAGLColorFormatRGB565 = "EAGLColorFormat565";

// A value: a string (colour formats), a boolean or a number (retained).
using MGLDrawablePropertyValue = std::variant<std::string, bool, std::int64_t>;
using MGLDrawableProperties = std::map<std::string, MGLDrawablePropertyValue, std::less<>>;

// The rendering API a context is made for (OpenGL ES 2).
inline constexpr std::uint64_t kEAGLRenderingAPIOpenGLES2 = 2;

class MGLEAGLSharegroup : public MGLObject {
 public:
  MGLEAGLSharegroup();
  const char* className() const override { return "MGLEAGLSharegroup"; }
  MGLSharegroup* mglSharegroup() const { return sharegroup_.get(); }
  const std::optional<std::string>& debugLabel() const { return debugLabel_; }
  void setDebugLabel(std::optional<std::string> label) { debugLabel_ = std::move(label); }

 private:
  MGLRef<MGLSharegroup> sharegroup_;
  std::optional<std::string> debugLabel_;
};

class MGLEAGLContext : public MGLObject {
 public:
  // Null for an API other than 2 (with GL_INVALID_ENUM on the thread's
  // current context, if any). A null sharegroup makes a new one. The new
  // context is not made current.
  static MGLRef<MGLEAGLContext> initWithAPI(std::uint64_t api,
                                            MGLEAGLSharegroup* sharegroup = nullptr);
  const char* className() const override { return "MGLEAGLContext"; }

  // The calling thread's current context (not owned by the caller).
  static MGLEAGLContext* currentContext();
  // Makes `context` (or none) current on the calling thread, for the EAGL
  // slot and the GL entry points; always true. The first call on a thread
  // (and the first after it set none) logs that the library is in use.
  static bool setCurrentContext(MGLEAGLContext* context);

  // Backs the bound renderbuffer with a Metal layer's drawables. False,
  // with a GL error, for another target, a drawable that is not a Metal
  // layer, or no bound renderbuffer.
  bool renderbufferStorage(std::uint64_t target, const std::shared_ptr<ca::Layer>& drawable);
  // Ends the frame and presents the bound renderbuffer's drawable.
  bool presentRenderbuffer(std::uint64_t target);

  std::uint64_t API() const { return api_; }
  MGLEAGLSharegroup* sharegroup() const { return sharegroup_.get(); }
  MGLContext* mglContext() const { return context_.get(); }
  const std::optional<std::string>& debugLabel() const { return debugLabel_; }
  void setDebugLabel(std::optional<std::string> label) { debugLabel_ = std::move(label); }
  bool isMultiThreaded() const { return multiThreaded_; }
  void setMultiThreaded(bool value) { multiThreaded_ = value; }

 private:
  explicit MGLEAGLContext(MGLRef<MGLEAGLSharegroup> sharegroup);

  MGLRef<MGLEAGLSharegroup> sharegroup_;
  MGLRef<MGLContext> context_;
  std::uint64_t api_ = kEAGLRenderingAPIOpenGLES2;
  std::optional<std::string> debugLabel_;
  bool multiThreaded_ = false;
};

// The GL view's layer class. Making one yields a plain Metal layer, which
// is what renderbufferStorage accepts; the layer class itself keeps
// nothing.
class MGLCAEAGLLayer {
 public:
  static std::shared_ptr<ca::MetalLayer> layer();
  static std::shared_ptr<ca::MetalLayer> init() { return layer(); }
  // A copy of a layer's geometry and settings (a presentation copy).
  static std::shared_ptr<ca::MetalLayer> initWithLayer(const ca::MetalLayer& layer);
};

// The drawable properties of a Metal layer: its colour format and its
// retained-backing flag (kept on the layer; NO until set).
MGLDrawableProperties mglDrawableProperties(const ca::MetalLayer& layer);
// "EAGLColorFormatS8888" selects sRGB BGRA, anything else (or nothing)
// plain BGRA; the retained flag is the value's truth (missing: NO).
void mglSetDrawableProperties(ca::MetalLayer& layer, const MGLDrawableProperties& properties);
bool mglRetainBacking(const ca::MetalLayer& layer);
void mglSetRetainBacking(ca::MetalLayer& layer, bool retain);
