// Vertex arrays: attributes grouped into Metal buffer slots, constants of
// disabled attributes, refused attribute calls, fixed point, and what each
// draw copies from client memory or checks in a buffer object.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/gles/render_fixture.h"

namespace {

using tessaly::test::RenderTest;

class VertexArrayTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    makeFramebuffer(16, 16);
  }
  MGLVertexArrayObject& vao() { return *context->renderPipelineState()->vertexArrayObject(); }
  void enable(GLuint index) { vao().setShouldUsePerVertexContent(true, index); }
  const MGLVertexAttributePipelineSpec& spec(std::size_t k) {
    return vao().vertexAttributePipelineSpecs()[k];
  }
  // The bytes the last draw copied into slot `j`.
  std::vector<std::uint8_t> copied(std::uint64_t j) {
    MGLDynamicDrawBuffer* content = vao().vertexAttributeBufferAt(j)->dynamicContentBuffer();
    const std::uint8_t* p = content->getDataAtOffset(0);
    return {p, p + (content->mtlBufferContentLength() - content->mtlBufferOffset())};
  }
  std::size_t draws() { return count("draw"); }
};

TEST_F(VertexArrayTest, InterleavedAttributesShareOneSlotWhicheverComesFirst) {
  struct Vertex {
    float position[3];
    float color[2];
  };
  const Vertex vertices[4] = {};
  // The program reads the colour (12 bytes into the vertex) first.
  useProgram({{1, 0}, {0, 1}});
  vao().bindVertices(&vertices[0].color, 2, GL_FLOAT, sizeof(Vertex), false, 1);
  vao().bindVertices(&vertices[0].position, 3, GL_FLOAT, sizeof(Vertex), false, 0);
  enable(0);
  enable(1);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(errorCode(), 0u);
  ASSERT_EQ(vao().vertexAttributeBufferCount(), 1u);
  EXPECT_EQ(spec(0).bufferOffset, 12u);
  EXPECT_EQ(spec(1).bufferOffset, 0u);
  EXPECT_EQ(spec(1).bufferIndex, 1);
  EXPECT_EQ(spec(1).format, static_cast<std::uint8_t>(mtl::VertexFormat::Float3));
  EXPECT_EQ(vao().vertexAttributeBufferLayoutSpecs()[0].stride, 20u);
  // Two vertices and the last one's attributes: not a third whole stride.
  EXPECT_EQ(copied(0).size(), 2 * sizeof(Vertex) + 20);
  // A stride apart: two slots.
  vao().bindVertices(&vertices[1].position, 2, GL_FLOAT, sizeof(Vertex), false, 1);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(vao().vertexAttributeBufferCount(), 2u);
  EXPECT_EQ(count("setVertexBuffer index=2"), 1u);
}

TEST_F(VertexArrayTest, DisabledAttributesReadTheirConstant) {
  const float positions[6] = {};
  useProgram({{0, 0}, {2, 1}});
  vao().bindVertices(positions, 2, GL_FLOAT, 0, false, 0);
  enable(0);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  ASSERT_EQ(vao().vertexAttributeBufferCount(), 2u);
  EXPECT_EQ(spec(1).format, static_cast<std::uint8_t>(mtl::VertexFormat::Float4));
  EXPECT_EQ(spec(1).bufferOffset, 32u);  // attribute 2, 16 bytes each
  const MGLVertexBufferLayoutSpec& constant = vao().vertexAttributeBufferLayoutSpecs()[1];
  EXPECT_EQ(constant.stride, 256u);
  EXPECT_EQ(constant.stepFunction, static_cast<std::uint8_t>(mtl::VertexStepFunction::Constant));
  EXPECT_EQ(constant.stepRate, 0u);
  auto constantOf = [&](std::size_t attribute) {
    std::vector<std::uint8_t> bytes = copied(1);
    float v[4];
    std::memcpy(v, bytes.data() + 16 * attribute, sizeof v);
    return std::vector<float>(v, v + 4);
  };
  EXPECT_EQ(copied(1).size(), 48u);
  EXPECT_EQ(constantOf(2), (std::vector<float>{0, 0, 0, 1}));
  vao().setConstant({0.5f, 0.25f, 1, 1}, 2);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(constantOf(2), (std::vector<float>{0.5f, 0.25f, 1, 1}));
  EXPECT_EQ(vao().getConstantForVertexAttributeAt(2), (std::array<GLfloat, 4>{0.5f, 0.25f, 1, 1}));
  EXPECT_EQ(count("setRenderPipelineState"), 1u);  // constants are not part of the key
}

TEST_F(VertexArrayTest, ASingleByteLastInItsVertexIsReportedOncePerBake) {
  struct Vertex {
    float position[2];
    std::uint8_t flag;
  };
  const Vertex vertices[3] = {};
  useProgram({{0, 0}, {1, 1}});
  vao().bindVertices(&vertices[0].position, 2, GL_FLOAT, 9, false, 0);
  vao().bindVertices(&vertices[0].flag, 1, GL_UNSIGNED_BYTE, 9, true, 1);
  enable(0);
  enable(1);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 2, 1);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. Metal does not support a vertex attribute containing a single "
            "GL_UNSIGNED_BYTE. Vertex attribute was automatically expanded beyond the stride of "
            "the vertex. Consider modifying your vertex structure so this attribute is not the "
            "last attribute in the vertex.");
  EXPECT_EQ(spec(1).format, static_cast<std::uint8_t>(mtl::VertexFormat::UChar2Normalized));
  renderer().drawPrimitives(GL_TRIANGLES, 0, 2, 1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(draws(), 2u);
}

TEST_F(VertexArrayTest, ASixteenthBufferSlotIsRefused) {
  std::vector<MGLShaderProgramVertexAttributeBinding> attributes;
  std::vector<std::vector<float>> arrays(16, std::vector<float>(64));
  for (GLint i = 0; i < 16; ++i) attributes.push_back({i, i});
  useProgram(attributes);
  for (GLuint i = 0; i < 16; ++i) {
    vao().bindVertices(arrays[i].data(), 1, GL_FLOAT, 0, false, i);
    enable(i);
  }
  renderer().drawPrimitives(GL_POINTS, 0, 3, 1);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. The maximum number of vertex attribute buffers (15) has been "
            "reached.");
  EXPECT_EQ(draws(), 0u);
  // Fifteen slots fit: attribute 15 shares attribute 14's array.
  vao().bindVertices(arrays[14].data(), 1, GL_FLOAT, 0, false, 15);
  renderer().drawPrimitives(GL_POINTS, 0, 3, 1);
  EXPECT_EQ(vao().vertexAttributeBufferCount(), 15u);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(draws(), 1u);
}

TEST_F(VertexArrayTest, RefusedAttributeCallsChangeNothing) {
  const float data[8] = {};
  vao().bindVertices(data, 2, GL_FLOAT, 0, false, 3);
  vao().bindVertices(data, 3, 0x140A, 0, false, 3);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. Vertex type UNKNOWN_GLENUM(0x140A) is not supported.");
  vao().bindVertices(data, 5, GL_FLOAT, 0, false, 3);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Vertex size 5 is not between 1 and 4");
  vao().bindVertices(data, 1, GL_HALF_FLOAT_OES, 0, false, 3);
  EXPECT_EQ(errorCode(), GL_INVALID_VALUE);
  // The layout keeps strides in 16 bits: a larger one would be cut.
  vao().bindVertices(data, 4, GL_FLOAT, 65536, false, 3);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. The stride (65536) cannot be larger than 65535");
  vao().bindVertices(data, 4, GL_FLOAT, -4, false, 3);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. The stride (-4) cannot be negative");
  vao().bindVertices(data + 1, 4, GL_FLOAT, 0, false, 16);
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. The index 16 is too large. DivezoVO supports a maximum of 16 "
            "vertex attributes");
  EXPECT_EQ(vao().getParameter(GL_VERTEX_ATTRIB_ARRAY_SIZE, 3), 2);
  EXPECT_EQ(vao().getParameter(GL_VERTEX_ATTRIB_ARRAY_TYPE, 3), static_cast<GLint>(GL_FLOAT));
  EXPECT_EQ(vao().getParameter(GL_VERTEX_ATTRIB_ARRAY_STRIDE, 3), 0);
  EXPECT_EQ(vao().getVerticesForVertexAttributeAt(3), data);
  // -1, a location query's "no such attribute", is ignored silently.
  vao().bindVertices(data, 2, GL_FLOAT, 0, false, ~GLuint{0});
  vao().setShouldUsePerVertexContent(true, ~GLuint{0});
  vao().setConstant({1, 1, 1, 1}, ~GLuint{0});
  EXPECT_EQ(vao().getParameter(GL_VERTEX_ATTRIB_ARRAY_SIZE, ~GLuint{0}), -1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(vao().getParameter(GL_VERTEX_ATTRIB_ARRAY_DIVISOR_EXT, 3), 0);
  EXPECT_EQ(vao().getParameter(GL_VERTEX_ATTRIB_ARRAY_ENABLED, 3), 0);
  EXPECT_EQ(vao().getParameter(GL_BUFFER_SIZE, 3), -1);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_BUFFER_SIZE is not a valid vertex attribute parameter name.");
}

TEST_F(VertexArrayTest, FixedPointReachesTheShaderAsFloat) {
  const GLfixed positions[6] = {65536, 32768, -65536, 0, 3 << 16, 1};
  useProgram({{0, 0}});
  vao().bindVertices(positions, 2, GL_FIXED, 0, false, 0);
  enable(0);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(spec(0).format, static_cast<std::uint8_t>(mtl::VertexFormat::Float2));
  std::vector<std::uint8_t> bytes = copied(0);
  ASSERT_EQ(bytes.size(), 24u);
  float v[6];
  std::memcpy(v, bytes.data(), sizeof v);
  EXPECT_EQ(std::vector<float>(v, v + 6),
            (std::vector<float>{1.0f, 0.5f, -1.0f, 0.0f, 3.0f, 1.0f / 65536.0f}));
  EXPECT_EQ(positions[0], 65536);  // the client's array is not touched
  // A buffer object cannot be converted on the way: refused.
  makeBuffer(GL_ARRAY_BUFFER, positions, sizeof positions);
  vao().bindVertices(nullptr, 2, GL_FIXED, 0, false, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. Vertex type GL_FIXED is not supported.");
}

// With index verification off (the library switch, or a GL_DYNAMIC_DRAW
// element buffer) client arrays are still copied for exactly the vertices
// the indices reach: neither more (reading past the client's array) nor
// fewer.
TEST_F(VertexArrayTest, IndexedDrawsCopyEveryReferencedVertexAndNoMore) {
  useProgram({{0, 0}});
  renderer().setShouldVerifyVertexBufferSizeOnDraw(false);
  // Exactly three vertices on the heap, so a longer read is caught.
  std::vector<float> three = {0, 0, 1, 0, 0, 1};
  vao().bindVertices(three.data(), 2, GL_FLOAT, 0, false, 0);
  enable(0);
  const std::uint16_t indices[] = {0, 1, 2, 2, 1, 0, 0, 2, 1};
  renderer().drawPrimitives(GL_TRIANGLES, 9, GL_UNSIGNED_SHORT, indices, 1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(copied(0).size(), 24u);
  // A few indices that reach far: every vertex up to the largest.
  std::vector<float> eight(16, 0.0f);
  vao().bindVertices(eight.data(), 2, GL_FLOAT, 0, false, 0);
  const std::uint8_t far[] = {7, 0, 3};
  makeBuffer(GL_ELEMENT_ARRAY_BUFFER, far, sizeof far, GL_DYNAMIC_DRAW);
  renderer().drawPrimitives(GL_TRIANGLES, 3, GL_UNSIGNED_BYTE, nullptr, 1);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(copied(0).size(), 64u);
  EXPECT_EQ(draws(), 2u);
}

TEST_F(VertexArrayTest, BufferBackedArraysMustHoldEveryVertexDrawn) {
  useProgram({{0, 0}});
  const float vertices[12] = {};  // six float2 vertices, 48 bytes
  makeBuffer(GL_ARRAY_BUFFER, vertices, sizeof vertices);
  // Attribute at byte 8: vertices 1 to 5 of the buffer.
  vao().bindVertices(reinterpret_cast<const void*>(8), 2, GL_FLOAT, 0, false, 0);
  enable(0);
  EXPECT_EQ(vao().getParameter(GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, 0), 1);
  renderer().drawPrimitives(GL_POINTS, 0, 5, 1);  // 8 + 4 x 8 + 8 = 48
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(count("setVertexBuffer index=1 offset=8"), 1u);
  renderer().drawPrimitives(GL_POINTS, 1, 4, 1);
  EXPECT_EQ(count("setVertexBuffer index=1 offset=16"), 1u);
  EXPECT_EQ(draws(), 2u);
  struct Case {
    GLint first;
    GLsizei count;
  };
  for (const Case c : {Case{0, 6}, Case{1, 5}, Case{0x7FFFFFFF, 1}}) {
    renderer().drawPrimitives(GL_POINTS, c.first, c.count, 1);
    EXPECT_EQ(errorCode(), GL_INVALID_OPERATION) << c.first << " " << c.count;
  }
  renderer().drawPrimitives(GL_POINTS, 0, 6, 1);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. Buffer 1 with length 48 is not large enough to contain 6 "
            "vertices of stride 8.");
  // Indexed: the largest index decides.
  const std::uint16_t fits[] = {4, 0}, beyond[] = {0, 5};
  renderer().drawPrimitives(GL_POINTS, 2, GL_UNSIGNED_SHORT, fits, 1);
  EXPECT_EQ(errorCode(), 0u);
  renderer().drawPrimitives(GL_POINTS, 2, GL_UNSIGNED_SHORT, beyond, 1);
  EXPECT_EQ(errorCode(), GL_INVALID_OPERATION);
  EXPECT_EQ(draws(), 3u);  // no draw after a refused binding
  // A buffer name without storage, and an enabled array never given.
  const GLID empty = context->buffers()->generateGLID();
  context->bindBufferWithGLID(empty, GL_ARRAY_BUFFER);
  vao().bindVertices(nullptr, 2, GL_FLOAT, 0, false, 0);
  renderer().drawPrimitives(GL_POINTS, 0, 1, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Buffer 2 does not exist.");
  useProgram({{0, 0}, {1, 1}});
  enable(1);
  context->bindBufferWithGLID(0, GL_ARRAY_BUFFER);
  vao().bindVertices(vertices, 2, GL_FLOAT, 0, false, 0);
  renderer().drawPrimitives(GL_POINTS, 0, 1, 1);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. No buffer or vertices were specified.");
  EXPECT_EQ(draws(), 3u);
}

}  // namespace
