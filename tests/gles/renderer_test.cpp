// The renderer through the software GPU's command log: frames and their
// slots, deferred clears, draws and their argument checks, fans and loops,
// element buffers, refused framebuffers and what Metal refuses in a draw.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <thread>

#include "gles/context/current_context.h"
#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "tests/gles/allocation_count.h"
#include "tests/gles/render_fixture.h"

namespace {

using tessaly::test::RenderTest;
using namespace std::chrono_literals;

constexpr float kSquare[] = {0, 0, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1};

// Runs `f` with `context` current on a thread of its own. The thread is
// detached, so a test whose call never returns fails instead of hanging.
template <typename F>
std::future<void> onThread(MGLContext* context, F f) {
  auto task = std::make_shared<std::packaged_task<void()>>([context, f] {
    mglSetCurrentContext(context);
    f(*context->renderer());
    mglSetCurrentContext(nullptr);
  });
  std::future<void> done = task->get_future();
  std::thread([task] { (*task)(); }).detach();
  return done;
}

// Whether the call is still running after a short wait.
bool blocks(std::future<void>& f) { return f.wait_for(200ms) == std::future_status::timeout; }
bool finishes(std::future<void>& f) { return f.wait_for(10s) == std::future_status::ready; }

class RendererTest : public RenderTest {};

TEST_F(RendererTest, FrameIndexRunsRoundThePoolOverPresents) {
  makeFramebuffer(4, 4);
  std::vector<std::uint32_t> indices;
  for (int i = 0; i < 5; ++i) {
    indices.push_back(renderer().frameIndex());
    renderer().presentDrawable();
  }
  EXPECT_EQ(indices, (std::vector<std::uint32_t>{0, 1, 2, 0, 1}));
  // Every present commits a buffer (empty ones too) and gives its slot back.
  EXPECT_EQ(count("commit"), 5u);
  renderer().setConsumableResourcePoolSize(0);
  EXPECT_EQ(renderer().consumableResourcePoolSize(), 1u);
  renderer().presentDrawable();
  EXPECT_EQ(renderer().frameIndex(), 0u);
  renderer().presentDrawable();
  EXPECT_EQ(renderer().frameIndex(), 0u);
  // Without a layer there is no drawable to present.
  EXPECT_FALSE(renderer().presentDrawable());
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(RendererTest, DrawArgumentsAreCheckedBeforeAnythingIsEncoded) {
  readyToDraw(kSquare);
  struct Case {
    GLenum mode;
    GLint first;
    GLsizei count;
    GLsizei instances;
    const char* error;
  };
  const Case cases[] = {
      {GL_TRIANGLES, 0, 0, 1, ""},
      {GL_TRIANGLES, 0, 3, 0, ""},
      {GL_TRIANGLES, 0, -1, 1, "GL_INVALID_VALUE. The number of vertices cannot be negative"},
      {GL_TRIANGLES, 0, 3, -1, "GL_INVALID_VALUE. The number of instances cannot be negative"},
      {GL_TRIANGLES, -1, 3, 1, "GL_INVALID_VALUE. The first vertex cannot be negative"},
      {7, 0, 3, 1, "GL_INVALID_ENUM. UNKNOWN_GLENUM(0x0007) is not a valid OpenGL primitive type"},
  };
  for (const Case& c : cases) {
    renderer().drawPrimitives(c.mode, c.first, c.count, c.instances);
    EXPECT_EQ(errorText(), c.error);
  }
  const std::uint16_t indices[] = {0, 1, 2};
  renderer().drawPrimitives(GL_TRIANGLES, 0, GL_UNSIGNED_SHORT, indices, 1);
  EXPECT_EQ(errorText(), "");
  renderer().drawPrimitives(GL_TRIANGLES, -3, GL_UNSIGNED_SHORT, indices, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. The number of vertex indices cannot be negative");
  renderer().drawPrimitives(GL_TRIANGLES, 3, GL_FLOAT, indices, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_FLOAT is not a valid vertex index type");
  renderer().drawPrimitives(9, 3, GL_UNSIGNED_SHORT, indices, 1);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(renderer().currentCommandBuffer(), nullptr);
  EXPECT_TRUE(log().empty());
}

TEST_F(RendererTest, ClearsWaitForTheNextPassAndStillHappenWithoutADraw) {
  makeFramebuffer(8, 8);
  context->setClearColor({0.25f, 0.5f, 0.75f, 1});
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  EXPECT_TRUE(renderer().isAwaitingClear());
  context->setClearColor({1, 0, 0, 1});
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  EXPECT_TRUE(log().empty());  // nothing recorded by the clears themselves
  renderer().presentDrawable();
  // Two clears, one pass that only clears, with the second colour.
  EXPECT_EQ(log(), (std::vector<std::string>{"renderCommandEncoder 8x8 samples=1", "clear color0 1 0 0 1",
                                              "endEncoding", "commit"}));
  // The next pass loads.
  readyToDraw(kSquare, 8, 8);
  device->commandLog().clear();
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(count("clear"), 0u);
  EXPECT_EQ(count("renderCommandEncoder"), 1u);
}

TEST_F(RendererTest, ANewEncoderReappliesEveryStateAndIdenticalDrawsSetNothingTwice) {
  readyToDraw(kSquare, 64, 32);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 6, 1);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 6, 1);
  const std::vector<std::string> expected = {
      "renderCommandEncoder 64x32 samples=1",
      "setRenderPipelineState program 1",
      "setDepthStencilState depth 7 write 0 stencil 0",
      "setStencilReferenceValues 0 0",
      "setBlendColor 0 0 0 0",
      "setCullMode 0",
      "setFrontFacingWinding 1",
      "setViewport 0 0 64 32 0 1",
      "setScissorRect 0 0 64 32",
      "setDepthBias 0 0 0",
      "setVisibilityResultMode 0 offset=0",
      "setVertexBuffer index=1 offset=0",
      "drawPrimitives Triangle start=0 count=6 instances=1",
      "setVertexBuffer index=1 offset=48",
      "drawPrimitives Triangle start=0 count=6 instances=1"};
  EXPECT_EQ(log(), expected);
  EXPECT_EQ(program->renderCount, 2);
  // A clear ends the pass; the next draw's encoder gets every state again
  // though none changed.
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  device->commandLog().clear();
  renderer().drawPrimitives(GL_TRIANGLES, 0, 6, 1);
  std::vector<std::string> again = log();
  ASSERT_EQ(again.size(), 14u) << ::testing::PrintToString(again);
  EXPECT_EQ(again[0], "renderCommandEncoder 64x32 samples=1");
  EXPECT_EQ(again[1], "clear color0 0 0 0 1");
  EXPECT_EQ(std::vector<std::string>(again.begin() + 2, again.begin() + 12),
            std::vector<std::string>(expected.begin() + 1, expected.begin() + 11));
  EXPECT_EQ(again[12], "setVertexBuffer index=1 offset=96");
  // A changed state alone is set again on the same encoder.
  device->commandLog().clear();
  context->faceCullingState()->setShouldCullFaces(true);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 6, 1);
  EXPECT_EQ(log(), (std::vector<std::string>{"setCullMode 2", "setVertexBuffer index=1 offset=144",
                                              "drawPrimitives Triangle start=0 count=6 instances=1"}));
}

TEST_F(RendererTest, FansAndLoopsAreDrawnThroughGeneratedIndices) {
  constexpr float kFive[] = {0, 0, 1, 0, 1, 1, 0, 1, -1, 0};
  readyToDraw(kFive);
  renderer().drawPrimitives(GL_TRIANGLE_FAN, 0, 5, 1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(log().back(), "drawIndexedPrimitives Triangle count=9 type=UInt16 offset=0 instances=1");
  auto indices = [&](std::size_t n) {
    std::vector<std::uint16_t> out(n);
    std::memcpy(out.data(), renderer().dynamicIndicesBuffer()->getDataAtOffset(0), 2 * n);
    return out;
  };
  EXPECT_EQ(indices(9), (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
  renderer().drawPrimitives(GL_LINE_LOOP, 1, 4, 1);
  EXPECT_EQ(log().back(), "drawIndexedPrimitives LineStrip count=5 type=UInt16 offset=20 instances=1");
  EXPECT_EQ(indices(5), (std::vector<std::uint16_t>{0, 1, 2, 3, 0}));
  // Client indices: the fan's hub is the first index, bytes widen.
  const std::uint8_t bytes[] = {4, 3, 2, 1};
  renderer().drawPrimitives(GL_TRIANGLE_FAN, 4, GL_UNSIGNED_BYTE, bytes, 1);
  EXPECT_EQ(log().back(), "drawIndexedPrimitives Triangle count=6 type=UInt16 offset=32 instances=1");
  EXPECT_EQ(indices(6), (std::vector<std::uint16_t>{4, 3, 2, 4, 2, 1}));
  const std::uint32_t wide[] = {3, 4, 0};
  renderer().drawPrimitives(GL_LINE_LOOP, 3, GL_UNSIGNED_INT, wide, 1);
  EXPECT_EQ(log().back(), "drawIndexedPrimitives LineStrip count=4 type=UInt32 offset=44 instances=1");
  // Too few vertices for one primitive: nothing drawn, no error.
  device->commandLog().clear();
  renderer().drawPrimitives(GL_TRIANGLE_FAN, 0, 2, 1);
  renderer().drawPrimitives(GL_LINE_LOOP, 0, 1, 1);
  EXPECT_EQ(count("draw"), 0u);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(RendererTest, ElementBuffersAreReadInPlaceOnlyWhenTheIndicesFitAndAreAligned) {
  readyToDraw(kSquare);
  // Read from byte 1, the little-endian shorts are 1, 2, 3.
  const std::uint8_t misaligned[] = {9, 1, 0, 2, 0, 3, 0, 0};
  makeBuffer(GL_ELEMENT_ARRAY_BUFFER, misaligned, sizeof misaligned);
  auto offset = [](std::uintptr_t bytes) { return reinterpret_cast<const void*>(bytes); };
  // Misaligned: copied to the dynamic index buffer (which starts at 0).
  renderer().drawPrimitives(GL_TRIANGLES, 3, GL_UNSIGNED_SHORT, offset(1), 1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(log().back(), "drawIndexedPrimitives Triangle count=3 type=UInt16 offset=0 instances=1");
  EXPECT_EQ(count("setVertexBuffer"), 1u);
  const std::uint16_t indices[] = {9, 0, 1, 2, 3, 4, 5};
  makeBuffer(GL_ELEMENT_ARRAY_BUFFER, indices, sizeof indices);
  renderer().drawPrimitives(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, offset(2), 1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(log().back(), "drawIndexedPrimitives Triangle count=6 type=UInt16 offset=2 instances=1");
  // Indices that run past the buffer: refused, nothing drawn.
  device->commandLog().clear();
  renderer().drawPrimitives(GL_TRIANGLES, 7, GL_UNSIGNED_SHORT, offset(2), 1);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. 7 indices at offset 2 run past the end of "
            "GL_ELEMENT_ARRAY_BUFFER 2.");
  renderer().drawPrimitives(GL_TRIANGLES, 1, GL_UNSIGNED_BYTE, offset(15), 1);
  EXPECT_EQ(errorCode(), GL_INVALID_OPERATION);
  renderer().drawPrimitives(GL_TRIANGLES, 3, GL_UNSIGNED_INT, offset(~std::uintptr_t{0} - 3), 1);
  EXPECT_EQ(errorCode(), GL_INVALID_OPERATION);
  EXPECT_EQ(count("draw"), 0u);
  // A bound element buffer with no storage.
  const GLID empty = context->buffers()->generateGLID();
  context->bindBufferWithGLID(empty, GL_ELEMENT_ARRAY_BUFFER);
  renderer().drawPrimitives(GL_TRIANGLES, 3, GL_UNSIGNED_SHORT, nullptr, 1);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. GL_ELEMENT_ARRAY_BUFFER 3 is bound, but has no content.");
  context->bindBufferWithGLID(0, GL_ELEMENT_ARRAY_BUFFER);
  renderer().drawPrimitives(GL_TRIANGLES, 3, GL_UNSIGNED_SHORT, nullptr, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. No vertex indices were given.");
  EXPECT_EQ(count("draw"), 0u);
}

TEST_F(RendererTest, NoPassBeginsWithoutACompleteFramebuffer) {
  // No framebuffer: the draw, the clear and the present encode nothing and
  // nothing escapes.
  program = useProgram({{0, 0}});
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(errorText(),
            "GL_INVALID_FRAMEBUFFER_OPERATION. No framebuffer is currently bound to "
            "GL_DRAW_FRAMEBUFFER_APPLE.");
  // An incomplete one (stencil storage at the colour point).
  const GLID name = context->framebuffers()->generateGLID();
  context->bindDrawFramebuffer(name);
  const GLID r = context->renderbuffers()->generateGLID();
  auto* empty = static_cast<MGLRenderbuffer*>(context->renderbuffers()->getObjectWithGLID(r));
  empty->generateStorageWithPixelFormat(GL_STENCIL_INDEX8, 4, 4, 0, *context);
  context->currentDrawFramebuffer()->attach(empty, GL_COLOR_ATTACHMENT0, *context);
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  renderer().presentDrawable();
  EXPECT_EQ(errorCode(), GL_INVALID_FRAMEBUFFER_OPERATION);
  EXPECT_FALSE(renderer().isAwaitingClear());
  EXPECT_EQ(count("renderCommandEncoder"), 0u);
  EXPECT_EQ(count("clear"), 0u);
  // Colour storage arrives: the dropped clear stays dropped, the pass loads.
  empty->generateStorageWithPixelFormat(GL_RGBA8_OES, 4, 4, 0, *context);
  context->renderPipelineState()->vertexArrayObject()->bindVertices(kSquare, 2, GL_FLOAT, 0, false, 0);
  context->renderPipelineState()->vertexArrayObject()->setShouldUsePerVertexContent(true, 0);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(count("renderCommandEncoder 4x4"), 1u);
  EXPECT_EQ(count("clear"), 0u);
  EXPECT_EQ(count("drawPrimitives"), 1u);
}

TEST_F(RendererTest, WhatMetalRefusesInADrawBecomesAGLErrorAndTheRendererGoesOn) {
  readyToDraw(kSquare);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  // A pipeline whose colour format differs from the pass's attachment.
  context->renderPipelineState()->setColorFormat(mtl::PixelFormat::RGBA16Float);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. An unexpected error occurred.");
  context->renderPipelineState()->setColorFormat(mtl::PixelFormat::RGBA8Unorm);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(count("drawPrimitives"), 2u);
  // A program without a pipeline (the default one) leaves the draw
  // incomplete after Metal's refusal.
  context->renderPipelineState()->setShaderProgram(
      static_cast<MGLShaderProgram*>(context->shaderPrograms()->getObjectWithGLID(0)));
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. Could not create a render pipeline state:\nNo vertex function "
            "was set");
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Draw state is incomplete.");
  EXPECT_EQ(count("drawPrimitives"), 2u);
  renderer().presentDrawable();
  EXPECT_EQ(count("commit"), 1u);
}

TEST_F(RendererTest, FlushesCommitWithinTheFrameAndFinishWaitsForTheGPU) {
  readyToDraw(kSquare);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  const std::uint64_t first = renderer().commandBufferID();
  renderer().flushCommandsFor(first + 1);  // not the open buffer: nothing
  EXPECT_NE(renderer().currentCommandBuffer(), nullptr);
  renderer().insertDebugMarker("here");
  renderer().pushDebugGroupWithMarker("group");  // left open: ended for us
  renderer().flushCommandsFor(first);
  EXPECT_EQ(renderer().currentCommandBuffer(), nullptr);
  EXPECT_EQ(renderer().frameIndex(), 0u);
  renderer().insertDebugMarker("ignored");  // no encoder: nothing
  device->gpu().setSynchronous(false);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  ASSERT_NE(renderer().currentCommandBuffer(), nullptr);
  const std::shared_ptr<mtl::CommandBuffer> buffer = renderer().currentCommandBuffer()->shared_from_this();
  renderer().finishCommands();
  EXPECT_EQ(buffer->status(), mtl::CommandBufferStatus::Completed);
  EXPECT_EQ(renderer().commandBufferID(), first + 1);
  EXPECT_EQ(count("insertDebugSignpost"), 1u);
  EXPECT_EQ(count("popDebugGroup"), 1u);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(RendererTest, TheFourthFrameWaitsForTheFirstToComplete) {
  readyToDraw(kSquare);
  device->gpu().setSynchronous(false);
  device->gpu().pause();
  for (int i = 0; i < 3; ++i) {
    renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
    renderer().presentDrawable();
  }
  auto fourth = onThread(context.get(), [](MGLRenderer& r) { r.commandBuffer(); });
  EXPECT_TRUE(blocks(fourth));
  device->gpu().resume();
  EXPECT_TRUE(finishes(fourth));
}

// A uniform set before a frame's first draw goes to the pool entry of the
// frame's index, which the GPU may still be reading for the frame three
// presents back: the write waits for the frame's slot.
TEST_F(RendererTest, APoolWriteBeforeAFramesFirstDrawWaitsForItsSlot) {
  readyToDraw(kSquare);
  device->gpu().setSynchronous(false);
  device->gpu().pause();
  MGLRef<MGLShaderVertexBuffer> uniforms = mglMake<MGLShaderVertexBuffer>(0, 16);
  const float seven[4] = {7, 7, 7, 7};
  uniforms->set(16, seven, 0, renderer());
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  uniforms->renderTo(renderer());
  // What the GPU finds in the bound segment when it runs frame 0.
  auto seen = std::make_shared<float>(0);
  const std::shared_ptr<mtl::Buffer> buffer = uniforms->mtlBuffer();
  const std::uint64_t offset = uniforms->mtlBufferOffset();
  renderer().commandBuffer()->addCompletedHandler([=](mtl::CommandBuffer&) {
    std::memcpy(seen.get(), static_cast<std::uint8_t*>(buffer->contents()) + offset, 4);
  });
  for (int i = 0; i < 3; ++i) renderer().presentDrawable();
  ASSERT_EQ(renderer().frameIndex(), 0u);
  MGLShaderVertexBuffer* u = uniforms.get();
  auto write = onThread(context.get(), [u](MGLRenderer& r) {
    const float nine[4] = {9, 9, 9, 9};
    u->set(16, nine, 0, r);
  });
  EXPECT_TRUE(blocks(write));
  device->gpu().resume();
  ASSERT_TRUE(finishes(write));
  EXPECT_EQ(*seen, 7.0f);
  EXPECT_EQ(uniforms->mtlBuffer(), buffer);
  EXPECT_EQ(uniforms->mtlBufferOffset(), 0u);  // the frame's entry, from its start
}

// A frame whose work a flush committed and whose present finds no layer
// still gives its slot back: otherwise the GL thread waits for ever after
// three such frames.
TEST_F(RendererTest, FramesCommittedByAFlushStillReturnTheirSlots) {
  readyToDraw(kSquare);
  device->gpu().setSynchronous(false);
  auto frames = onThread(context.get(), [](MGLRenderer& r) {
    for (int i = 0; i < 8; ++i) {
      r.drawPrimitives(GL_TRIANGLES, 0, 3, 1);
      r.flushCommands();
      r.presentDrawable();
    }
  });
  ASSERT_TRUE(finishes(frames));
  EXPECT_EQ(renderer().frameIndex(), 2u);
}

// The device runs buffers in enqueue order: a renderer that went away with
// an open (enqueued) buffer must commit it, or no later buffer of any
// context ever runs.
TEST_F(RendererTest, ARendererGoingAwayCommitsItsOpenBuffer) {
  readyToDraw(kSquare);
  device->gpu().setSynchronous(false);
  {
    MGLRef<MGLContext> other = mglMake<MGLContext>();
    mglSetCurrentContext(other.get());
    other->renderer()->commandBuffer();  // enqueued, left open
    mglSetCurrentContext(context.get());
  }
  auto finish = onThread(context.get(), [](MGLRenderer& r) {
    r.drawPrimitives(GL_TRIANGLES, 0, 3, 1);
    r.finishCommands();
  });
  EXPECT_TRUE(finishes(finish));
}

// Changing the pool size waits for the frames in flight, and their
// handlers signal the semaphore their frames took from: the new count is
// not inflated by them.
TEST_F(RendererTest, ResizingThePoolWaitsForFramesInFlight) {
  readyToDraw(kSquare);
  device->gpu().setSynchronous(false);
  device->gpu().pause();
  renderer().presentDrawable();
  renderer().presentDrawable();
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);  // the current frame holds a slot
  auto resize = onThread(context.get(), [](MGLRenderer& r) { r.setConsumableResourcePoolSize(1); });
  EXPECT_TRUE(blocks(resize));
  device->gpu().resume();
  ASSERT_TRUE(finishes(resize));
  // One slot, held by the current frame: the next frame waits for it.
  device->gpu().pause();
  renderer().presentDrawable();
  auto next = onThread(context.get(), [](MGLRenderer& r) { r.commandBuffer(); });
  EXPECT_TRUE(blocks(next));
  device->gpu().resume();
  EXPECT_TRUE(finishes(next));
}

TEST_F(RendererTest, RepeatedDrawsAllocateNothing) {
  {
    tessaly::test::AllocationCount sanity;
    auto probe = std::make_unique<int>(1);
    ASSERT_EQ(sanity.allocations(), 1u);  // the counter counts
  }
  readyToDraw(kSquare);
  device->commandLog().disable();
  context->renderPipelineState()->setShouldBlend(true);
  const std::uint16_t indices[] = {0, 1, 2, 2, 3, 0};
  std::size_t allocations = 0;
  auto frame = [&] {
    renderer().drawPrimitives(GL_TRIANGLES, 0, 6, 1);  // begins the buffer and the pass
    tessaly::test::AllocationCount count;
    for (int i = 0; i < 200; ++i) {
      renderer().drawPrimitives(GL_TRIANGLES, 0, 6, 1);
      renderer().drawPrimitives(GL_TRIANGLE_FAN, 0, 4, 1);
      renderer().drawPrimitives(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, indices, 1);
    }
    allocations = count.allocations();
    renderer().presentDrawable();
  };
  for (int i = 0; i < 3; ++i) frame();  // every frame's pools grow once
  frame();
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(RendererTest, PresentMarksTheFrameInterval) {
  makeFramebuffer(4, 4);
  const double start = renderer().rendererStartTime();
  EXPECT_EQ(renderer().lastRenderTime(), start);
  EXPECT_DOUBLE_EQ(renderer().lastFrameInterval(), 1.0 / 60.0);
  std::this_thread::sleep_for(5ms);
  renderer().presentDrawable();
  EXPECT_GE(renderer().lastFrameInterval(), 0.004);
  EXPECT_NEAR(renderer().lastRenderTime(), start + renderer().lastFrameInterval(), 1e-6);
  EXPECT_EQ(renderer().lastRenderedCommandBufferID(), renderer().commandBufferID());
}

}  // namespace
