#include "gles/view/glk_view.h"

#include "gles/context/gl.h"
#include "platform/quartzcore/metal_layer.h"
#include "platform/uikit/window.h"

MGLGLKView::MGLGLKView(const ui::Rect& frame) : ui::View(frame) {
  setMetalLayer(layerClass());
  initState();
}

MGLGLKView::MGLGLKView(const ui::Rect& frame, MGLEAGLContext* context) : MGLGLKView(frame) {
  setContext(context);
}

MGLGLKView::~MGLGLKView() {
  deleteDrawable();
  delegate_ = nullptr;
  context_ = nullptr;
}

void MGLGLKView::initState() {
  context_ = nullptr;
  viewFramebuffer_ = colorRenderbuffer_ = depthRenderbuffer_ = 0;
  presentFramebuffer_ = presentRenderbuffer_ = 0;
  hasFramebuffer_ = false;
  isDrawableDirty_ = true;
  enableSetNeedsDisplay_ = true;
  setOpaque(true);
  drawableWidth_ = drawableHeight_ = 0;
  multisample_ = kMGLGLKViewDrawableMultisampleNone;
  setContentScaleFactor(ui::Screen::main().scale());
}

void MGLGLKView::setContext(MGLEAGLContext* context) {
  if (context == context_.get()) return;
  context_ = context;
}

void MGLGLKView::setContentScaleFactor(double scale) {
  contentScaleFactor_ = scale;
  updateLayerGeometry();
}

void MGLGLKView::updateLayerGeometry() {
  if (const std::shared_ptr<ca::MetalLayer> layer = metalLayer()) {
    layer->setBounds({0, 0, {bounds().width(), bounds().height()}});
    layer->setContentsScale(contentScaleFactor_);
  }
}

void MGLGLKView::setFrame(const ui::Rect& frame) {
  ui::View::setFrame(frame);
  updateLayerGeometry();
}

void MGLGLKView::setBounds(const ui::Rect& bounds) {
  ui::View::setBounds(bounds);
  updateLayerGeometry();
}

void MGLGLKView::setDrawableColorFormat(GLint format) {
  colorFormat_ = format;
  if (const std::shared_ptr<ca::MetalLayer> layer = metalLayer()) {
    mglSetDrawableProperties(
        *layer, {{kEAGLDrawablePropertyColorFormat,
                  std::string(format == kMGLGLKViewDrawableColorFormatRGB565 ? kEAGLColorFormatRGB565
                                                                             : kEAGLColorFormatRGBA8)},
                 {kEAGLDrawablePropertyRetainedBacking, false}});
  }
  markDrawableDirty();
}

void MGLGLKView::setDrawableDepthFormat(GLint format) {
  depthFormat_ = format;
  markDrawableDirty();
}

void MGLGLKView::setDrawableStencilFormat(GLint format) {
  stencilFormat_ = format;
  markDrawableDirty();
}

void MGLGLKView::setDrawableMultisample(GLint multisample) {
  multisample_ = multisample;
  markDrawableDirty();
}

GLint MGLGLKView::sampleCount() const {
  return multisample_ == kMGLGLKViewDrawableMultisample4X ? 4 : 1;
}

GLenum MGLGLKView::glDepthFormat() const {
  if (stencilFormat_ == kMGLGLKViewDrawableStencilFormat8) return GL_DEPTH24_STENCIL8_OES;
  if (depthFormat_ == kMGLGLKViewDrawableDepthFormat24) return GL_DEPTH_COMPONENT24_OES;
  if (depthFormat_ == kMGLGLKViewDrawableDepthFormat16) return GL_DEPTH_COMPONENT16;
  return 0;
}

void MGLGLKView::layoutSubviews() {
  ui::View::layoutSubviews();
  updateLayerGeometry();
  markDrawableDirty();
}

// A view without a context leaves the thread's current context alone
// (making "none" current would take the application's context away).
void MGLGLKView::ensureCurrentContext() {
  if (context_ && MGLEAGLContext::currentContext() != context_.get()) {
    MGLEAGLContext::setCurrentContext(context_.get());
  }
}

void MGLGLKView::ensureDrawable() {
  if (!isDrawableDirty_) return;
  ensureCurrentContext();
  deleteDrawable();
  updateLayerGeometry();

  glGenRenderbuffers(1, &presentRenderbuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, presentRenderbuffer_);
  if (context_) context_->renderbufferStorage(GL_RENDERBUFFER, drawable());
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &drawableWidth_);
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &drawableHeight_);

  glGenFramebuffers(1, &presentFramebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, presentFramebuffer_);
  hasFramebuffer_ = true;
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                            presentRenderbuffer_);

  const GLint samples = sampleCount();
  if (samples < 2) {
    colorRenderbuffer_ = presentRenderbuffer_;
    viewFramebuffer_ = presentFramebuffer_;
  } else {
    glGenRenderbuffers(1, &colorRenderbuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, colorRenderbuffer_);
    glRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER, samples, GL_BGRA, drawableWidth_,
                                          drawableHeight_);
    glGenFramebuffers(1, &viewFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, viewFramebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              colorRenderbuffer_);
  }

  if (const GLenum depthFormat = glDepthFormat()) {
    glGenRenderbuffers(1, &depthRenderbuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, depthRenderbuffer_);
    glRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER, samples, depthFormat, drawableWidth_,
                                          drawableHeight_);
    glBindFramebuffer(GL_FRAMEBUFFER, viewFramebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              depthRenderbuffer_);
    if (depthFormat == GL_DEPTH24_STENCIL8_OES) {
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                depthRenderbuffer_);
    }
  }
  isDrawableDirty_ = false;
}

void MGLGLKView::deleteDrawable() {
  ensureCurrentContext();
  if (hasFramebuffer_) {
    glDeleteFramebuffers(1, &presentFramebuffer_);
    if (viewFramebuffer_ != presentFramebuffer_) glDeleteFramebuffers(1, &viewFramebuffer_);
    viewFramebuffer_ = presentFramebuffer_ = 0;
    hasFramebuffer_ = false;
  }
  if (colorRenderbuffer_ != 0) {
    glDeleteRenderbuffers(1, &presentRenderbuffer_);
    if (colorRenderbuffer_ != presentRenderbuffer_) glDeleteRenderbuffers(1, &colorRenderbuffer_);
    colorRenderbuffer_ = presentRenderbuffer_ = 0;
  }
  if (depthRenderbuffer_ != 0) {
    glDeleteRenderbuffers(1, &depthRenderbuffer_);
    depthRenderbuffer_ = 0;
  }
  markDrawableDirty();
}

void MGLGLKView::bindDrawable() {
  ensureDrawable();
  glBindFramebuffer(GL_FRAMEBUFFER, viewFramebuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, colorRenderbuffer_);
}

void MGLGLKView::display() { displayRect(bounds()); }

void MGLGLKView::displayRect(const ui::Rect& rect) {
  if (!context_) return;
  ensureCurrentContext();
  bindDrawable();
  if (delegate_) {
    delegate_->glkView(*this, rect);
  } else {
    drawRect(rect);
  }
  presentRenderbuffer();
}

void MGLGLKView::drawRect(const ui::Rect&) {}

void MGLGLKView::presentRenderbuffer() {
  if (sampleCount() >= 2) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER_APPLE, viewFramebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER_APPLE, presentFramebuffer_);
    glResolveMultisampleFramebufferAPPLE();
  }
  glBindRenderbuffer(GL_RENDERBUFFER, presentRenderbuffer_);
  if (context_) context_->presentRenderbuffer(GL_RENDERBUFFER);
}

bool MGLGLKView::isKindOfClass(const std::string& name) const {
  return name == "MGLGLKView" || name == "UIView" || name == "UIResponder" || name == "NSObject";
}

bool MGLGLKView::isMemberOfClass(const std::string& name) const { return name == "MGLGLKView"; }
