// The GL view: the framebuffer it builds for each drawable setting, what
// it deletes, drawing through its delegate, frames reaching a test frame
// sink, the multisample resolve in the command log, and a view with no
// context.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "gles/context/current_context.h"
#include "gles/context/gl.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "gles/view/glk_view.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/quartzcore/metal_layer.h"

namespace {

// Clears to a colour and counts its calls.
class ClearingDelegate : public MGLGLKViewDelegate {
 public:
  void glkView(MGLGLKView& view, const ui::Rect& rect) override {
    ++calls;
    lastRect = rect;
    framebufferBound = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    view.context()->mglContext()->setClearColor({0, 1, 0, 1});
    glClear(GL_COLOR_BUFFER_BIT);
  }
  int calls = 0;
  ui::Rect lastRect;
  GLenum framebufferBound = 0;
};

class GLKViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mglLoggingEnabled = false;
    device = mglSharedMTLDevice();
    device->gpu().setSynchronous(true);
    device->commandLog().enable(100000);
    device->commandLog().clear();
    context = MGLEAGLContext::initWithAPI(2);
    view = std::make_shared<MGLGLKView>(ui::Rect{0, 0, 20, 10}, context.get());
    view->setContentScaleFactor(2);
    view->metalLayer()->setFrameSink([this](const ca::Frame& frame) {
      std::lock_guard lock(mutex);
      frames.push_back(frame);
    });
  }
  void TearDown() override {
    view.reset();
    MGLEAGLContext::setCurrentContext(nullptr);
    device->commandLog().disable();
    mglLoggingEnabled = true;
  }
  GLenum error() { return context->mglContext()->currentError(); }
  // The object behind a framebuffer name.
  MGLFramebuffer* framebuffer(GLuint name) {
    return static_cast<MGLFramebuffer*>(
        context->mglContext()->framebuffers()->getObjectOrNilWithGLID(name));
  }
  std::size_t count(const std::string& prefix) const {
    const std::vector<std::string> texts = device->commandLog().texts();
    return static_cast<std::size_t>(std::count_if(texts.begin(), texts.end(), [&](const std::string& t) {
      return t.compare(0, prefix.size(), prefix) == 0;
    }));
  }
  std::vector<std::string> log() const { return device->commandLog().texts(); }

  std::shared_ptr<mtl::Device> device;
  MGLRef<MGLEAGLContext> context;
  std::shared_ptr<MGLGLKView> view;
  std::mutex mutex;
  std::vector<ca::Frame> frames;
};

TEST_F(GLKViewTest, ANewViewIsDirtyAndAnswersItsDefaults) {
  EXPECT_TRUE(view->isDrawableDirty());
  EXPECT_FALSE(view->hasFramebuffer());
  EXPECT_TRUE(view->enableSetNeedsDisplay());
  EXPECT_EQ(view->drawableWidth(), 0);
  EXPECT_EQ(view->sampleCount(), 1);
  EXPECT_EQ(view->glDepthFormat(), 0u);
  EXPECT_EQ(view->drawable(), view->metalLayer());
  EXPECT_EQ(view->snapshot(), nullptr);
  EXPECT_TRUE(view->isOpaque());
  // Class membership: its own chain only; there is no platform GL view.
  EXPECT_EQ(MGLGLKView::glkViewClass(), nullptr);
  EXPECT_FALSE(view->isKindOfClass("GLKView"));
  EXPECT_FALSE(view->isMemberOfClass("GLKView"));
  EXPECT_TRUE(view->isKindOfClass("UIView"));
  EXPECT_TRUE(view->isMemberOfClass("MGLGLKView"));
  EXPECT_FALSE(view->isMemberOfClass("UIView"));
}

TEST_F(GLKViewTest, ASingleSampleViewHasOneFramebufferAndDrawsThroughItsDelegate) {
  ClearingDelegate delegate;
  view->setDelegate(&delegate);
  view->display();
  EXPECT_EQ(error(), 0u);
  EXPECT_EQ(delegate.calls, 1);
  EXPECT_EQ(delegate.framebufferBound, GLenum{GL_FRAMEBUFFER_COMPLETE});
  EXPECT_EQ(delegate.lastRect.width(), 20);
  // Points times scale.
  EXPECT_EQ(view->drawableWidth(), 40);
  EXPECT_EQ(view->drawableHeight(), 20);
  EXPECT_EQ(view->viewFramebufferID(), view->presentFramebufferID());
  EXPECT_EQ(view->colorRenderbufferID(), view->presentRenderbufferID());
  EXPECT_EQ(view->depthRenderbufferID(), 0u);
  EXPECT_EQ(count("resolve"), 0u);
  {
    std::lock_guard lock(mutex);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].width, 40u);
    EXPECT_EQ(frames[0].height, 20u);
    EXPECT_EQ(frames[0].pixels[1], 255);  // green
    EXPECT_EQ(frames[0].pixels[2], 0);
  }
  // Deleting frees each name once: the next names made are the same.
  const GLuint framebufferName = view->presentFramebufferID();
  const GLuint renderbufferName = view->presentRenderbufferID();
  view->deleteDrawable();
  EXPECT_TRUE(view->isDrawableDirty());
  EXPECT_EQ(view->presentFramebufferID(), 0u);
  GLuint names[2] = {};
  glGenFramebuffers(1, names);
  glGenRenderbuffers(1, names + 1);
  EXPECT_EQ(names[0], framebufferName);
  EXPECT_EQ(names[1], renderbufferName);
  EXPECT_EQ(error(), 0u);
}

TEST_F(GLKViewTest, AMultisampledViewResolvesBeforePresenting) {
  view->setDrawableMultisample(kMGLGLKViewDrawableMultisample4X);
  view->setDrawableDepthFormat(kMGLGLKViewDrawableDepthFormat16);
  ClearingDelegate delegate;
  view->setDelegate(&delegate);
  view->display();
  EXPECT_EQ(error(), 0u);
  EXPECT_EQ(view->sampleCount(), 4);
  // Two framebuffers and three renderbuffers.
  EXPECT_NE(view->viewFramebufferID(), view->presentFramebufferID());
  EXPECT_NE(view->colorRenderbufferID(), view->presentRenderbufferID());
  EXPECT_NE(view->depthRenderbufferID(), 0u);
  MGLFramebuffer* drawn = framebuffer(view->viewFramebufferID());
  ASSERT_NE(drawn, nullptr);
  EXPECT_EQ(drawn->sampleCount(), 4u);
  EXPECT_NE(drawn->depthAttachment(), nullptr);
  EXPECT_EQ(drawn->stencilAttachment(), nullptr);
  // The resolve pass comes before the frame is presented.
  const std::vector<std::string> entries = log();
  const auto resolve = std::find_if(entries.begin(), entries.end(), [](const std::string& t) {
    return t.rfind("resolve", 0) == 0;
  });
  const auto present = std::find(entries.begin(), entries.end(), "presentDrawable");
  ASSERT_NE(resolve, entries.end());
  ASSERT_NE(present, entries.end());
  EXPECT_LT(resolve - entries.begin(), present - entries.begin());
  std::lock_guard lock(mutex);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].pixels[1], 255);  // the resolved green reached the drawable
}

TEST_F(GLKViewTest, StencilWithoutDepthGetsADepthStencilBuffer) {
  view->setDrawableStencilFormat(kMGLGLKViewDrawableStencilFormat8);
  EXPECT_EQ(view->glDepthFormat(), GLenum{GL_DEPTH24_STENCIL8_OES});
  view->setDrawableDepthFormat(kMGLGLKViewDrawableDepthFormat24);
  EXPECT_EQ(view->glDepthFormat(), GLenum{GL_DEPTH24_STENCIL8_OES});
  view->setDrawableDepthFormat(kMGLGLKViewDrawableDepthFormatNone);
  view->bindDrawable();
  EXPECT_EQ(error(), 0u);
  MGLFramebuffer* drawn = framebuffer(view->viewFramebufferID());
  ASSERT_NE(drawn, nullptr);
  ASSERT_NE(drawn->depthAttachment(), nullptr);
  EXPECT_EQ(drawn->depthAttachment(), drawn->stencilAttachment());
  EXPECT_EQ(drawn->checkStatus(), GLenum{GL_FRAMEBUFFER_COMPLETE});
  // Bound for drawing: the view framebuffer and the colour renderbuffer.
  GLint bound = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  EXPECT_EQ(bound, GLint(view->viewFramebufferID()));
  glGetIntegerv(GL_RENDERBUFFER_BINDING, &bound);
  EXPECT_EQ(bound, GLint(view->colorRenderbufferID()));
}

TEST_F(GLKViewTest, FormatChangesAndLayoutRebuildTheDrawable) {
  view->setDrawableColorFormat(kMGLGLKViewDrawableColorFormatSRGBA8888);
  EXPECT_EQ(std::get<std::string>(mglDrawableProperties(*view->metalLayer())
                                      .at(kEAGLDrawablePropertyColorFormat)),
            "EAGLColorFormat8888");
  view->setDrawableColorFormat(kMGLGLKViewDrawableColorFormatRGB565);
  EXPECT_EQ(view->metalLayer()->pixelFormat(), mtl::PixelFormat::BGRA8Unorm);
  EXPECT_FALSE(mglRetainBacking(*view->metalLayer()));
  view->bindDrawable();
  EXPECT_FALSE(view->isDrawableDirty());
  // A layout pass at a new size: the next draw rebuilds at that size.
  view->setFrame({0, 0, 30, 12});
  view->layoutIfNeeded();
  EXPECT_TRUE(view->isDrawableDirty());
  view->display();
  EXPECT_EQ(view->drawableWidth(), 60);
  EXPECT_EQ(view->drawableHeight(), 24);
  EXPECT_EQ(error(), 0u);
}

TEST_F(GLKViewTest, AViewWithoutAContextDoesNothing) {
  auto idle = std::make_shared<MGLGLKView>(ui::Rect{0, 0, 10, 10});
  ClearingDelegate delegate;
  idle->setDelegate(&delegate);
  MGLEAGLContext::setCurrentContext(context.get());
  device->commandLog().clear();
  idle->display();
  EXPECT_EQ(delegate.calls, 0);
  EXPECT_TRUE(device->commandLog().texts().empty());
  EXPECT_EQ(error(), 0u);
  // Going away leaves the thread's context current.
  EXPECT_EQ(MGLEAGLContext::currentContext(), context.get());
  idle.reset();
  EXPECT_EQ(MGLEAGLContext::currentContext(), context.get());
  // The view makes its own context current when it draws.
  MGLEAGLContext::setCurrentContext(nullptr);
  view->display();
  EXPECT_EQ(MGLEAGLContext::currentContext(), context.get());
}

TEST_F(GLKViewTest, OwnDrawRectWithoutADelegate) {
  class Subclass : public MGLGLKView {
   public:
    using MGLGLKView::MGLGLKView;
    using MGLGLKView::drawRect;
    void drawRect(const ui::Rect&) override { ++calls; }
    int calls = 0;
  };
  const auto drawing = std::make_shared<Subclass>(ui::Rect{0, 0, 4, 4}, context.get());
  drawing->display();
  drawing->display();
  EXPECT_EQ(drawing->calls, 2);
  EXPECT_EQ(error(), 0u);
}

}  // namespace
