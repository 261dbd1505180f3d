// Per-frame pools: segments, frames, growth, carried constants, widened
// indices, and allocations the device refuses.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/metal/buffer.h"
#include "tests/gles/render_fixture.h"

namespace {

using tessaly::test::RenderTest;

class AccumulatingBufferTest : public RenderTest {
 protected:
  void present() { renderer().presentDrawable(); }
  MGLRef<MGLAccumulatingBuffer> pool = mglMake<MGLAccumulatingBuffer>();
};

TEST_F(AccumulatingBufferTest, WritesShareASegmentUntilItIsBound) {
  makeFramebuffer(4, 4);
  const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::uint8_t* a = pool->set(3, bytes, 0, renderer());
  std::uint8_t* b = pool->set(2, bytes + 3, 3, renderer());
  EXPECT_EQ(pool->mtlBufferOffset(), 0u);
  EXPECT_EQ(b, a + 3);
  EXPECT_EQ(std::memcmp(a, bytes, 5), 0);
  pool->markRendered();
  pool->set(4, bytes, 0, renderer());
  EXPECT_EQ(pool->mtlBufferOffset(), 8u);  // 5 aligned up to 4 bytes
  EXPECT_EQ(std::memcmp(a, bytes, 5), 0);  // the bound segment is untouched
  // Uniform blocks start at multiples of 16.
  MGLRef<MGLShaderVertexBuffer> uniforms = mglMake<MGLShaderVertexBuffer>(0, 20);
  EXPECT_EQ(uniforms->dataLength(), 32u);
  uniforms->set(4, bytes, 0, renderer());
  uniforms->markRendered();
  uniforms->set(4, bytes, 0, renderer());
  EXPECT_EQ(uniforms->mtlBufferOffset(), 32u);
}

TEST_F(AccumulatingBufferTest, EachFrameWritesItsOwnEntryFromTheStart) {
  makeFramebuffer(4, 4);
  const std::uint32_t word = 0xABCD;
  pool->set(4, &word, 0, renderer());
  pool->markRendered();
  pool->set(4, &word, 0, renderer());
  const std::shared_ptr<mtl::Buffer> first = pool->mtlBuffer();
  present();
  pool->set(4, &word, 0, renderer());
  EXPECT_EQ(pool->mtlBufferPoolIndex(), 1u);
  EXPECT_EQ(pool->mtlBufferOffset(), 0u);
  EXPECT_NE(pool->mtlBuffer(), first);
  present();
  present();
  pool->set(4, &word, 0, renderer());
  EXPECT_EQ(pool->mtlBufferPoolIndex(), 0u);
  EXPECT_EQ(pool->mtlBuffer(), first);
  EXPECT_EQ(pool->mtlBufferOffset(), 0u);
  EXPECT_EQ(pool->poolEntryCount(), 2u);  // index 2 was never written
}

// With a pool of one frame (or a pool written only every few frames) the
// frame index repeats: the entry must still restart at each new frame, or
// it grows without bound.
TEST_F(AccumulatingBufferTest, AFrameIndexThatRepeatsStillStartsANewFrame) {
  makeFramebuffer(4, 4);
  renderer().setConsumableResourcePoolSize(1);
  std::uint8_t bytes[100] = {};
  for (int frame = 0; frame < 50; ++frame) {
    pool->set(sizeof bytes, bytes, 0, renderer());
    pool->markRendered();
    pool->set(sizeof bytes, bytes, 0, renderer());
    pool->markRendered();
    present();
  }
  EXPECT_EQ(pool->mtlBufferLength(), MGLAccumulatingBuffer::kMinimumExpansion);
  EXPECT_EQ(pool->mtlBufferOffset(), 100u);
}

// Frames read back with glReadPixels and never presented: each wait for
// the GPU lets the entry start over, so it does not grow with every frame.
TEST_F(AccumulatingBufferTest, WaitingForTheGpuStartsTheEntryOver) {
  makeFramebuffer(4, 4);
  std::uint8_t bytes[4000] = {};
  for (int frame = 0; frame < 200; ++frame) {
    pool->set(sizeof bytes, bytes, 0, renderer());
    pool->markRendered();
    pool->set(sizeof bytes, bytes, 0, renderer());
    pool->markRendered();
    renderer().finishCommands();
  }
  EXPECT_LE(pool->mtlBufferLength(), 2 * MGLAccumulatingBuffer::kMinimumExpansion + 2 * sizeof bytes);
  EXPECT_EQ(pool->mtlBufferOffset(), 4000u);
}

TEST_F(AccumulatingBufferTest, GrowingKeepsTheCurrentSegmentAtItsOffset) {
  makeFramebuffer(4, 4);
  std::vector<std::uint8_t> data(700);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  pool->set(400, data.data(), 0, renderer());
  const std::shared_ptr<mtl::Buffer> old = pool->mtlBuffer();
  EXPECT_EQ(pool->mtlBufferLength(), 512u);
  pool->markRendered();
  pool->set(10, data.data() + 400, 0, renderer());
  pool->set(290, data.data() + 410, 10, renderer());  // the same segment, past the end
  EXPECT_NE(pool->mtlBuffer(), old);
  EXPECT_EQ(pool->mtlBufferOffset(), 400u);
  EXPECT_GE(pool->mtlBufferLength(), 768u);  // at least 1.5 x the old length
  EXPECT_EQ(pool->mtlBuffer()->length(), pool->mtlBufferLength() + MGLAccumulatingBuffer::kHeadroom);
  const auto* grown = static_cast<const std::uint8_t*>(pool->mtlBuffer()->contents());
  EXPECT_EQ(std::memcmp(grown + 400, data.data() + 400, 300), 0);
  // The earlier segment stays in the old buffer, which its draws hold.
  EXPECT_EQ(std::memcmp(old->contents(), data.data(), 400), 0);
  EXPECT_EQ(grown[0], 0);
}

TEST_F(AccumulatingBufferTest, ConstantBlocksCarryTheirLatestValues) {
  makeFramebuffer(4, 4);
  MGLRef<MGLShaderFragmentBuffer> uniforms = mglMake<MGLShaderFragmentBuffer>(0, 16);
  const float a = 1.5f, b = 2.5f, c = 3.5f;
  uniforms->set(4, &a, 0, renderer());
  uniforms->markRendered();
  uniforms->set(4, &b, 4, renderer());  // a new block that starts as a copy
  const auto* block = reinterpret_cast<const float*>(uniforms->getDataAtOffset(0));
  EXPECT_EQ(uniforms->mtlBufferOffset(), 16u);
  EXPECT_EQ(block[0], a);
  EXPECT_EQ(block[1], b);
  present();
  uniforms->set(4, &c, 8, renderer());  // a new frame: its entry starts with the values
  block = reinterpret_cast<const float*>(uniforms->getDataAtOffset(0));
  EXPECT_EQ(uniforms->mtlBufferOffset(), 0u);
  EXPECT_EQ(uniforms->mtlBufferPoolIndex(), 1u);
  EXPECT_EQ(block[0], a);
  EXPECT_EQ(block[1], b);
  EXPECT_EQ(block[2], c);
  // Many blocks in one frame: the entry grows, every block a full copy.
  for (int i = 0; i < 100; ++i) {
    uniforms->markRendered();
    const float v = static_cast<float>(i);
    uniforms->set(4, &v, 12, renderer());
  }
  block = reinterpret_cast<const float*>(uniforms->getDataAtOffset(0));
  EXPECT_EQ(block[0], a);
  EXPECT_EQ(block[2], c);
  EXPECT_EQ(block[3], 99.0f);
  EXPECT_LE(uniforms->mtlBufferOffset() + 16, uniforms->mtlBufferLength());
}

TEST_F(AccumulatingBufferTest, ByteIndicesAreWidenedTo16Bits) {
  makeFramebuffer(4, 4);
  MGLDynamicIndicesDrawBuffer& indices = *renderer().dynamicIndicesBuffer();
  const std::uint8_t bytes[] = {1, 2, 255};
  std::shared_ptr<mtl::Buffer> buffer;
  std::uint64_t offset = 99;
  ASSERT_TRUE(indices.bind(3, bytes, GL_UNSIGNED_BYTE, renderer(), &buffer, &offset));
  std::uint16_t widened[3];
  std::memcpy(widened, static_cast<std::uint8_t*>(buffer->contents()) + offset, sizeof widened);
  EXPECT_EQ(widened[0], 1);
  EXPECT_EQ(widened[1], 2);
  EXPECT_EQ(widened[2], 255);
  EXPECT_TRUE(indices.isRendered());
  EXPECT_FALSE(indices.bind(3, bytes, GL_FLOAT, renderer(), &buffer, &offset));
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_FLOAT is not a valid vertex index type.");
}

TEST_F(AccumulatingBufferTest, ARefusedAllocationIsOutOfMemoryAndThePoolGoesOn) {
  makeFramebuffer(4, 4);
  EXPECT_EQ(pool->set(std::uint64_t{1} << 40, nullptr, 0, renderer()), nullptr);
  EXPECT_EQ(errorText(), "GL_OUT_OF_MEMORY. Could not allocate a Metal buffer of 1099511628032 bytes.");
  EXPECT_EQ(pool->set(~std::uint64_t{0} - 8, nullptr, 16, renderer()), nullptr);
  EXPECT_EQ(errorCode(), GL_OUT_OF_MEMORY);
  const std::uint32_t word = 7;
  std::uint8_t* p = pool->set(4, &word, 0, renderer());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(*reinterpret_cast<std::uint32_t*>(p), 7u);
}

}  // namespace
