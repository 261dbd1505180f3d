// A view that draws with GL: its layer is a Metal layer, it builds its own
// framebuffer (multisampled or not, with depth and stencil when asked)
// through the GL entry points, has its delegate (or its own drawRect) draw,
// and presents, resolving a multisampled image first.
//
// Thread rules: main thread only, like every view; its context is made
// current on the calling thread when it draws.
#pragma once

#include <memory>
#include <string>

#include "gles/context/eagl.h"
#include "gles/context/gl_types.h"
#include "platform/uikit/view.h"

class MGLGLKView;

// The platform's GL-view enums.
enum MGLGLKViewDrawableColorFormat : GLint {
  kMGLGLKViewDrawableColorFormatRGBA8888 = 0,
  kMGLGLKViewDrawableColorFormatRGB565 = 1,
  kMGLGLKViewDrawableColorFormatSRGBA8888 = 2,
};
enum MGLGLKViewDrawableDepthFormat : GLint {
  kMGLGLKViewDrawableDepthFormatNone = 0,
  kMGLGLKViewDrawableDepthFormat16 = 1,
  kMGLGLKViewDrawableDepthFormat24 = 2,
};
enum MGLGLKViewDrawableStencilFormat : GLint {
  kMGLGLKViewDrawableStencilFormatNone = 0,
  kMGLGLKViewDrawableStencilFormat8 = 1,
};
enum MGLGLKViewDrawableMultisample : GLint {
  kMGLGLKViewDrawableMultisampleNone = 0,
  kMGLGLKViewDrawableMultisample4X = 1,
};

// Draws the view's content; the view's framebuffer is bound.
class MGLGLKViewDelegate {
 public:
  virtual void glkView(MGLGLKView& view, const ui::Rect& rect) = 0;

 protected:
  ~MGLGLKViewDelegate() = default;
};

class MGLGLKView : public ui::View {
 public:
  explicit MGLGLKView(const ui::Rect& frame);
  MGLGLKView(const ui::Rect& frame, MGLEAGLContext* context);
  // Deletes its framebuffer (its context made current for that).
  ~MGLGLKView() override;
  std::string className() const override { return "MGLGLKView"; }

  // The layer class: the view's layer is a plain Metal layer.
  static std::shared_ptr<ca::MetalLayer> layerClass() { return MGLCAEAGLLayer::layer(); }
  std::shared_ptr<ca::MetalLayer> drawable() const { return metalLayer(); }

  MGLEAGLContext* context() const { return context_.get(); }
  void setContext(MGLEAGLContext* context);
  MGLGLKViewDelegate* delegate() const { return delegate_; }
  void setDelegate(MGLGLKViewDelegate* delegate) { delegate_ = delegate; }

  GLint drawableColorFormat() const { return colorFormat_; }
  // Also gives the layer its colour format (RGB565 or 8888) and no
  // retained backing.
  void setDrawableColorFormat(GLint format);
  GLint drawableDepthFormat() const { return depthFormat_; }
  void setDrawableDepthFormat(GLint format);
  GLint drawableStencilFormat() const { return stencilFormat_; }
  void setDrawableStencilFormat(GLint format);
  GLint drawableMultisample() const { return multisample_; }
  void setDrawableMultisample(GLint multisample);
  GLint drawableWidth() const { return drawableWidth_; }
  GLint drawableHeight() const { return drawableHeight_; }
  bool enableSetNeedsDisplay() const { return enableSetNeedsDisplay_; }
  void setEnableSetNeedsDisplay(bool value) { enableSetNeedsDisplay_ = value; }
  double contentScaleFactor() const { return contentScaleFactor_; }
  void setContentScaleFactor(double scale);

  // 4 with 4x multisampling, else 1.
  GLint sampleCount() const;
  // The depth (and stencil) renderbuffer format, or 0 for none.
  GLenum glDepthFormat() const;

  void markDrawableDirty() { isDrawableDirty_ = true; }
  bool isDrawableDirty() const { return isDrawableDirty_; }
  void ensureCurrentContext();
  // Builds the framebuffer when the drawable is dirty.
  void ensureDrawable();
  void deleteDrawable();
  void bindDrawable();
  // Draws (delegate or drawRect) into the view's bounds and presents.
  void display();
  void displayRect(const ui::Rect& rect);
  // Resolves a multisampled image, then presents.
  void presentRenderbuffer();
  // Always null: the view keeps no image of what it drew.
  std::shared_ptr<void> snapshot() const { return nullptr; }

  // GL drawing without a delegate: subclasses override it.
  using ui::View::drawRect;
  virtual void drawRect(const ui::Rect& rect);

  void layoutSubviews() override;
  void setFrame(const ui::Rect& frame) override;
  void setBounds(const ui::Rect& bounds) override;

  // Class membership as the view's own chain answers it: there is no
  // platform GL view class here for it to pass as.
  bool isKindOfClass(const std::string& className) const;
  bool isMemberOfClass(const std::string& className) const;
  static const char* glkViewClass() { return nullptr; }

  GLuint viewFramebufferID() const { return viewFramebuffer_; }
  GLuint presentFramebufferID() const { return presentFramebuffer_; }
  GLuint colorRenderbufferID() const { return colorRenderbuffer_; }
  GLuint presentRenderbufferID() const { return presentRenderbuffer_; }
  GLuint depthRenderbufferID() const { return depthRenderbuffer_; }
  bool hasFramebuffer() const { return hasFramebuffer_; }

 private:
  void initState();
  // The layer follows the view: its bounds in points and its scale.
  void updateLayerGeometry();

  MGLRef<MGLEAGLContext> context_;
  GLuint viewFramebuffer_ = 0;
  GLuint colorRenderbuffer_ = 0;
  GLuint depthRenderbuffer_ = 0;
  GLuint presentFramebuffer_ = 0;
  GLuint presentRenderbuffer_ = 0;
  bool hasFramebuffer_ = false;
  bool isDrawableDirty_ = true;
  bool enableSetNeedsDisplay_ = true;
  GLint colorFormat_ = kMGLGLKViewDrawableColorFormatRGBA8888;
  GLint depthFormat_ = kMGLGLKViewDrawableDepthFormatNone;
  GLint stencilFormat_ = kMGLGLKViewDrawableStencilFormatNone;
  GLint multisample_ = kMGLGLKViewDrawableMultisampleNone;
  GLint drawableWidth_ = 0;
  GLint drawableHeight_ = 0;
  double contentScaleFactor_ = 1.0;
  MGLGLKViewDelegate* delegate_ = nullptr;  // not owned
};
