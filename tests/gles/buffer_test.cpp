// GL buffer objects: specification, staged updates in command order, the
// mapping calls and their bounds, and what the device cannot allocate.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "platform/metal/buffer.h"
#include "tests/gles/render_fixture.h"

namespace {

using tessaly::test::RenderTest;

constexpr GLintptr kHuge = std::numeric_limits<GLintptr>::max();

class BufferTest : public RenderTest {
 protected:
  MGLRef<MGLBuffer> buffer = mglMake<MGLBuffer>(7);
};

TEST_F(BufferTest, ABufferWithoutStorageRefusesEverything) {
  EXPECT_EQ(buffer->mapRange(0, 1, 1), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Buffer 7 has no content.");
  buffer->flushRange(0, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Buffer 7 has no content.");
  const char byte = 0;
  buffer->updateWithData(&byte, 1, 0, renderer());
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Buffer 7 has no contents.");
  EXPECT_FALSE(buffer->unmap());
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Buffer 7 is not mapped.");
  buffer->setData(nullptr, -1, GL_STATIC_DRAW);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Buffer size may not be negative.");
  buffer->setData(nullptr, 4, GL_FLOAT);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_FLOAT is not a valid buffer usage value.");
  EXPECT_EQ(buffer->mtlBuffer(), nullptr);
  EXPECT_EQ(buffer->getParameter(GL_BUFFER_SIZE), 0);
  EXPECT_EQ(buffer->getParameter(GL_BUFFER_USAGE), 0);
}

TEST_F(BufferTest, MappingStaysInsideTheBufferWithoutOverflowing) {
  const std::uint8_t bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  buffer->setData(bytes, 10, GL_DYNAMIC_DRAW);
  EXPECT_EQ(buffer->mtlBuffer()->length(), 10u + MGLBuffer::kHeadroom);
  // The last byte maps; one beyond does not.
  auto* last = static_cast<std::uint8_t*>(buffer->mapRange(9, 1, 2));
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(*last, 9);
  EXPECT_EQ(buffer->mapAccessPolicy(), GL_WRITE_ONLY_OES);
  EXPECT_EQ(buffer->getPointer(GL_BUFFER_MAP_POINTER_OES), last);
  EXPECT_EQ(buffer->mapRange(0, 1, 1), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Buffer 7 is already mapped.");
  EXPECT_TRUE(buffer->unmap());
  struct Case {
    GLintptr offset;
    GLsizeiptr length;
    GLbitfield access;
    const char* error;
  };
  const Case refused[] = {
      {9, 2, 1, "GL_INVALID_VALUE. Buffer 7 cannot be mapped beyond the buffer size."},
      {kHuge, 2, 1, "GL_INVALID_VALUE. Buffer 7 cannot be mapped beyond the buffer size."},
      {2, kHuge, 1, "GL_INVALID_VALUE. Buffer 7 cannot be mapped beyond the buffer size."},
      {-1, 2, 1, "GL_INVALID_VALUE. Buffer 7 cannot be mapped to negative offset or length."},
      {0, 0, 1, "GL_INVALID_OPERATION. Buffer 7 cannot be mapped to zero length."},
      {0, 4, 4,
       "GL_INVALID_OPERATION. Buffer 7 cannot be mapped without GL_MAP_READ_BIT_EXT or "
       "GL_MAP_WRITE_BIT_EXT access."},
  };
  for (const Case& c : refused) {
    EXPECT_EQ(buffer->mapRange(c.offset, c.length, c.access), nullptr);
    EXPECT_EQ(errorText(), c.error);
    EXPECT_FALSE(buffer->isMapped());
  }
  buffer->flushRange(kHuge, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Buffer 7 cannot be flushed beyond the buffer size.");
  EXPECT_NE(buffer->mapWithAccessPolicy(GL_READ_WRITE_ARB), nullptr);
  EXPECT_EQ(buffer->getParameter(GL_BUFFER_ACCESS_OES), static_cast<GLint>(GL_READ_WRITE_ARB));
  EXPECT_EQ(buffer->getParameter(GL_BUFFER_MAPPED_OES), 1);
  EXPECT_EQ(buffer->mapLength(), 10);
  // Respecifying unmaps: the old map pointer would lie in storage nobody reads.
  buffer->setData(nullptr, 4, GL_STATIC_DRAW);
  EXPECT_FALSE(buffer->isMapped());
  EXPECT_EQ(buffer->mapPointer(), nullptr);
  EXPECT_EQ(buffer->getParameter(GL_BUFFER_SIZE), 4);
  EXPECT_EQ(buffer->getParameter(GL_BUFFER_USAGE), static_cast<GLint>(GL_STATIC_DRAW));
  EXPECT_EQ(buffer->getParameter(GL_ARRAY_BUFFER), -1);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_ARRAY_BUFFER is not a valid buffer parameter name.");
}

TEST_F(BufferTest, StorageTheDeviceCannotMakeIsOutOfMemoryAndChangesNothing) {
  const std::uint32_t word = 42;
  buffer->setData(&word, 4, GL_STATIC_DRAW);
  buffer->setData(nullptr, GLsizeiptr{1} << 31, GL_STREAM_DRAW);
  EXPECT_EQ(errorText(), "GL_OUT_OF_MEMORY. Could not allocate 2147483648 bytes for buffer 7.");
  buffer->setData(nullptr, kHuge, GL_STREAM_DRAW);
  EXPECT_EQ(errorCode(), GL_OUT_OF_MEMORY);
  EXPECT_EQ(buffer->bufferSize(), 4);
  EXPECT_EQ(buffer->usage(), GL_STATIC_DRAW);
  EXPECT_EQ(std::memcmp(buffer->mtlBuffer()->contents(), &word, 4), 0);
}

TEST_F(BufferTest, UpdatesAreCopiedInCommandOrder) {
  makeFramebuffer(4, 4);
  const std::uint8_t bytes[4] = {1, 2, 3, 4};
  buffer->setData(bytes, 4, GL_STATIC_DRAW);
  const std::uint8_t nines[2] = {9, 9};
  buffer->updateWithData(nines, 2, 2, renderer());  // ends exactly at the size
  EXPECT_EQ(errorCode(), 0u);
  const auto* storage = static_cast<const std::uint8_t*>(buffer->mtlBuffer()->contents());
  // Staged: the storage changes when the GPU runs the blit.
  EXPECT_EQ(storage[2], 3);
  EXPECT_EQ(logFrom("blitCommandEncoder").size(), 2u);
  EXPECT_EQ(log().back(), "copyFromBuffer 0 to 2 size=2");
  renderer().flushCommands();
  EXPECT_EQ(storage[2], 9);
  EXPECT_EQ(storage[3], 9);
  buffer->updateWithData(nines, 2, 3, renderer());
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Buffer udpate attempted beyond buffer length 4.");
  buffer->updateWithData(nines, 2, kHuge, renderer());
  EXPECT_EQ(errorCode(), GL_INVALID_VALUE);
  buffer->updateWithData(nines, -2, 0, renderer());
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Buffer size, -2, may not be negative.");
  buffer->updateWithData(nines, 2, -1, renderer());
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Buffer offset, -1, may not be negative.");
}

}  // namespace
