// The EAGL objects: contexts by API, the per-thread current context and its
// log line, giving the bound renderbuffer a Metal layer and presenting it,
// the layer's drawable properties, sharegroups, and what a thread ending
// with its context current lets go of.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <typeinfo>
#include <vector>

#include "gles/context/current_context.h"
#include "gles/context/eagl.h"
#include "gles/context/errors.h"
#include "gles/context/gl.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "gles/textures/renderbuffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/quartzcore/metal_layer.h"

namespace {

// Runs `body` on a new thread (a thread with no current context yet) and
// returns what it printed on standard output.
template <typename Body>
std::string printedOnANewThread(Body body) {
  std::string printed;
  std::thread thread([&] {
    testing::internal::CaptureStdout();
    body();
    printed = testing::internal::GetCapturedStdout();
  });
  thread.join();
  return printed;
}

class EAGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mglLoggingEnabled = false;
    context = MGLEAGLContext::initWithAPI(kEAGLRenderingAPIOpenGLES2);
    MGLEAGLContext::setCurrentContext(context.get());
  }
  void TearDown() override {
    MGLEAGLContext::setCurrentContext(nullptr);
    mglLoggingEnabled = true;
  }
  std::string errorText() {
    glGetError();
    const char* text = context->mglContext()->getStringParameter(GL_ERROR_TEXT_MGL);
    return text ? text : "";
  }
  // A layer of 320 x 480 points at scale 2.
  static std::shared_ptr<ca::MetalLayer> layer() {
    std::shared_ptr<ca::MetalLayer> made = MGLCAEAGLLayer::layer();
    made->setBounds({0, 0, {320, 480}});
    made->setContentsScale(2);
    return made;
  }
  MGLRef<MGLEAGLContext> context;
};

TEST_F(EAGLTest, OnlyOpenGLES2ContextsAreMade) {
  EXPECT_EQ(context->API(), 2u);
  EXPECT_NE(context->mglContext(), nullptr);
  EXPECT_FALSE(context->isMultiThreaded());
  EXPECT_FALSE(context->debugLabel().has_value());
  mglLoggingEnabled = true;
  context->mglContext()->setCurrentFunctionName("glClear");
  testing::internal::CaptureStdout();
  EXPECT_EQ(MGLEAGLContext::initWithAPI(1), nullptr);
  EXPECT_EQ(MGLEAGLContext::initWithAPI(3), nullptr);  // an error is pending: not printed
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed,
            "[mgl-error] GL_INVALID_ENUM. glClear(): DivezoVO does not currently support OpenGL "
            "ES1. DivezoVO currently supports OpenGL ES2.\n");
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_ENUM});
  // Without a current context nothing is recorded or printed.
  MGLEAGLContext::setCurrentContext(nullptr);
  testing::internal::CaptureStdout();
  EXPECT_EQ(MGLEAGLContext::initWithAPI(0), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(EAGLTest, TheFirstContextOnAThreadIsLogged) {
  mglLoggingEnabled = true;
  const std::string establishing = "[mgl-info] Establishing DivezoVO 0.29.1 EAGLContext.\n";
  EXPECT_EQ(printedOnANewThread([&] {
              MGLEAGLContext::setCurrentContext(context.get());
              MGLEAGLContext::setCurrentContext(context.get());  // has one: silent
              MGLRef<MGLEAGLContext> other = MGLEAGLContext::initWithAPI(2);
              MGLEAGLContext::setCurrentContext(other.get());  // silent too
              MGLEAGLContext::setCurrentContext(nullptr);
            }),
            establishing);
  // After none, the next one logs again; none set without one logs too.
  EXPECT_EQ(printedOnANewThread([&] {
              MGLEAGLContext::setCurrentContext(context.get());
              MGLEAGLContext::setCurrentContext(nullptr);
              MGLEAGLContext::setCurrentContext(context.get());
              MGLEAGLContext::setCurrentContext(nullptr);
            }),
            establishing + establishing);
  EXPECT_EQ(printedOnANewThread([] { MGLEAGLContext::setCurrentContext(nullptr); }),
            establishing);
  // Logging off: nothing.
  mglLoggingEnabled = false;
  EXPECT_EQ(printedOnANewThread([&] { MGLEAGLContext::setCurrentContext(context.get()); }), "");
}

TEST_F(EAGLTest, NoneCurrentEmptiesBothSlots) {
  EXPECT_EQ(MGLEAGLContext::currentContext(), context.get());
  EXPECT_EQ(mglCurrentContext(), context->mglContext());
  MGLEAGLContext::setCurrentContext(nullptr);
  EXPECT_EQ(MGLEAGLContext::currentContext(), nullptr);
  EXPECT_EQ(mglCurrentContext(), nullptr);
  glClear(0x1);
  EXPECT_EQ(glGetError(), 0u);
  EXPECT_EQ(glCreateProgram(), 0u);
  EXPECT_EQ(context->mglContext()->currentError(), 0u);
}

TEST_F(EAGLTest, RenderbufferStorageAcceptsMetalLayersOnly) {
  GLuint renderbuffer = 0;
  glGenRenderbuffers(1, &renderbuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  const auto plain = std::make_shared<ca::Layer>();
  EXPECT_FALSE(context->renderbufferStorage(GL_RENDERBUFFER, plain));
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. EAGLContext renderbufferStorage:fromDrawable:(): Drawable must be an "
            "instance of CAMetalLayer");
  EXPECT_FALSE(context->renderbufferStorage(GL_RENDERBUFFER, nullptr));
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});
  // The target is tested first.
  EXPECT_FALSE(context->renderbufferStorage(GL_FRAMEBUFFER, plain));
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. EAGLContext renderbufferStorage:fromDrawable:(): Target must be "
            "GL_RENDERBUFFER");
  GLint width = 77;
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
  EXPECT_EQ(width, 0);  // unchanged: still empty

  const std::shared_ptr<ca::MetalLayer> metal = layer();
  EXPECT_TRUE(context->renderbufferStorage(GL_RENDERBUFFER, metal));
  GLint height = 0;
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 960);
  EXPECT_EQ(metal->drawableSize(), (ca::Size{640, 960}));
  EXPECT_EQ(metal->device(), mglSharedMTLDevice());
  EXPECT_EQ(glGetError(), 0u);
}

TEST_F(EAGLTest, RenderbufferStorageWithoutABoundRenderbufferFails) {
  EXPECT_FALSE(context->renderbufferStorage(GL_RENDERBUFFER, layer()));
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. EAGLContext renderbufferStorage:fromDrawable:(): No "
            "renderbuffer is currently bound");
}

TEST_F(EAGLTest, DrawablePropertiesLiveOnTheLayer) {
  const std::shared_ptr<ca::MetalLayer> metal = layer();
  mglSetDrawableProperties(*metal, {});
  EXPECT_EQ(metal->pixelFormat(), mtl::PixelFormat::BGRA8Unorm);
  EXPECT_FALSE(mglRetainBacking(*metal));
  EXPECT_EQ(mglDrawableProperties(*metal),
            (MGLDrawableProperties{{kEAGLDrawablePropertyColorFormat, std::string("EAGLColorFormat8888")},
                                   {kEAGLDrawablePropertyRetainedBacking, false}}));
  mglSetDrawableProperties(*metal, {{kEAGLDrawablePropertyColorFormat, std::string("EAGLColorFormatS8888")},
                                    {kEAGLDrawablePropertyRetainedBacking, true}});
  EXPECT_EQ(metal->pixelFormat(), mtl::PixelFormat::BGRA8Unorm_sRGB);
  EXPECT_EQ(mglDrawableProperties(*metal),
            (MGLDrawableProperties{{kEAGLDrawablePropertyColorFormat, std::string("EAGLColorFormatS8888")},
                                   {kEAGLDrawablePropertyRetainedBacking, true}}));
  // 565 reads as not sRGB; retained values read as booleans.
  const std::pair<MGLDrawablePropertyValue, bool> retained[] = {
      {std::int64_t{0}, false}, {std::int64_t{1}, true}, {std::string("YES"), true},
      {std::string("  +007"), true}, {std::string("no"), false}, {std::string("000"), false},
      {std::string("t"), true}, {std::string(""), false}, {false, false}};
  for (const auto& [value, truth] : retained) {
    mglSetDrawableProperties(*metal, {{kEAGLDrawablePropertyColorFormat, std::string("EAGLColorFormat565")},
                                      {kEAGLDrawablePropertyRetainedBacking, value}});
    EXPECT_EQ(metal->pixelFormat(), mtl::PixelFormat::BGRA8Unorm);
    EXPECT_EQ(mglRetainBacking(*metal), truth);
  }
  // One flag per layer: another layer has its own (NO until set).
  mglSetRetainBacking(*metal, true);
  EXPECT_FALSE(mglRetainBacking(*layer()));
  EXPECT_TRUE(mglRetainBacking(*MGLCAEAGLLayer::initWithLayer(*metal)));
}

TEST_F(EAGLTest, TheLayerClassYieldsPlainMetalLayers) {
  EXPECT_EQ(typeid(*MGLCAEAGLLayer::init()), typeid(ca::MetalLayer));
  EXPECT_EQ(typeid(*MGLCAEAGLLayer::layer()), typeid(ca::MetalLayer));
  const std::shared_ptr<ca::MetalLayer> metal = layer();
  metal->setPixelFormat(mtl::PixelFormat::BGRA8Unorm_sRGB);
  const std::shared_ptr<ca::MetalLayer> copy = MGLCAEAGLLayer::initWithLayer(*metal);
  EXPECT_EQ(typeid(*copy), typeid(ca::MetalLayer));
  EXPECT_EQ(copy->pixelFormat(), mtl::PixelFormat::BGRA8Unorm_sRGB);
  EXPECT_EQ(copy->bounds().size, (ca::Size{320, 480}));
  EXPECT_EQ(copy->contentsScale(), 2.0);
}

TEST_F(EAGLTest, DrawableSizeFollowsBoundsAndScale) {
  const std::shared_ptr<ca::MetalLayer> metal = layer();
  EXPECT_EQ(mglUpdateDrawableSize(*metal), (ca::Size{640, 960}));
  EXPECT_EQ(metal->drawableSize(), (ca::Size{640, 960}));
  EXPECT_EQ(mglUpdateDrawableSize(*metal), (ca::Size{640, 960}));
  EXPECT_EQ(metal->drawableSize(), (ca::Size{640, 960}));
}

TEST_F(EAGLTest, PresentingSendsTheFrameToTheLayersSink) {
  const std::shared_ptr<ca::MetalLayer> metal = layer();
  metal->setBounds({0, 0, {4, 2}});
  metal->setContentsScale(1);
  std::mutex mutex;
  std::vector<ca::Frame> frames;
  metal->setFrameSink([&](const ca::Frame& frame) {
    std::lock_guard lock(mutex);
    frames.push_back(frame);
  });
  GLuint framebuffer = 0, renderbuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(1, &renderbuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  ASSERT_TRUE(context->renderbufferStorage(GL_RENDERBUFFER, metal));
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer);
  ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum{GL_FRAMEBUFFER_COMPLETE});
  EXPECT_FALSE(context->presentRenderbuffer(GL_FRAMEBUFFER));
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. EAGLContext presentRenderbuffer:(): Target must be GL_RENDERBUFFER");
  context->mglContext()->setClearColor({1, 0.5f, 0, 1});
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_TRUE(context->presentRenderbuffer(GL_RENDERBUFFER));
  context->mglContext()->renderer()->finishCommands();
  mglSharedMTLDevice()->gpu().waitUntilIdle();
  std::lock_guard lock(mutex);
  ASSERT_EQ(frames.size(), 1u);
  const ca::Frame& frame = frames[0];
  EXPECT_EQ(frame.width, 4u);
  EXPECT_EQ(frame.height, 2u);
  EXPECT_EQ(frame.pixelFormat, mtl::PixelFormat::BGRA8Unorm);
  // Blue, green, red, alpha: (0, 128, 255, 255) for the clear colour.
  EXPECT_EQ(frame.pixels[0], 0);
  EXPECT_NEAR(frame.pixels[1], 128, 1);
  EXPECT_EQ(frame.pixels[2], 255);
  EXPECT_EQ(frame.pixels[3], 255);
  EXPECT_EQ(glGetError(), 0u);
}

TEST_F(EAGLTest, ContextsOfOneSharegroupShareTheirObjects) {
  MGLRef<MGLEAGLContext> second = MGLEAGLContext::initWithAPI(2, context->sharegroup());
  MGLRef<MGLEAGLContext> alone = MGLEAGLContext::initWithAPI(2);
  EXPECT_EQ(second->sharegroup(), context->sharegroup());
  EXPECT_NE(alone->sharegroup(), context->sharegroup());
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  MGLEAGLContext::setCurrentContext(second.get());
  EXPECT_NE(second->mglContext()->textures()->getObjectOrNilWithGLID(texture), nullptr);
  MGLEAGLContext::setCurrentContext(alone.get());
  EXPECT_EQ(alone->mglContext()->textures()->getObjectOrNilWithGLID(texture), nullptr);
  context->sharegroup()->setDebugLabel("chart");
  EXPECT_EQ(context->sharegroup()->debugLabel(), std::optional<std::string>("chart"));
}

// A thread that ends with its context current lets it go.
TEST_F(EAGLTest, AThreadEndingWithItsContextCurrentReleasesIt) {
  MGLRef<MGLEAGLContext> other = MGLEAGLContext::initWithAPI(2);
  const std::size_t held = other->retainCount();
  std::thread([&] {
    MGLEAGLContext::setCurrentContext(other.get());
    EXPECT_GT(other->retainCount(), held);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
  }).join();
  EXPECT_EQ(other->retainCount(), held);
  EXPECT_EQ(other->mglContext()->retainCount(), 1u);
}

// Frames still on the GPU when their context goes: the context's renderer
// commits what it has, the frames arrive, nothing is touched after it is
// freed (checked by the sanitizers).
TEST_F(EAGLTest, AContextDestroyedWithFramesInFlight) {
  const std::shared_ptr<mtl::Device> device = mglSharedMTLDevice();
  const std::shared_ptr<ca::MetalLayer> metal = layer();
  metal->setBounds({0, 0, {8, 8}});
  metal->setContentsScale(1);
  std::atomic<int> presented{0};
  metal->setFrameSink([&](const ca::Frame&) { ++presented; });
  {
    MGLRef<MGLEAGLContext> drawing = MGLEAGLContext::initWithAPI(2);
    MGLEAGLContext::setCurrentContext(drawing.get());
    GLuint framebuffer = 0, renderbuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &renderbuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    ASSERT_TRUE(drawing->renderbufferStorage(GL_RENDERBUFFER, metal));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer);
    device->gpu().pause();
    for (int frame = 0; frame < 3; ++frame) {
      drawing->mglContext()->setClearColor({0, 0, frame / 2.0f, 1});
      glClear(GL_COLOR_BUFFER_BIT);
      EXPECT_TRUE(drawing->presentRenderbuffer(GL_RENDERBUFFER));
    }
    MGLEAGLContext::setCurrentContext(context.get());
  }
  device->gpu().resume();
  device->gpu().waitUntilIdle();
  EXPECT_EQ(presented.load(), 3);
}

}  // namespace
