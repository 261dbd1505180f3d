// Uniforms: every setter against every Metal type it takes or refuses, the
// values read back by a Metal function compiled with the same structure
// (the software GPU's reference interpreter reads the program's uniform
// buffers as a shader would), matrix arrays clipped to their size, reading
// back through GL, and samplers bound to the units chosen at each draw.
#include "gles/shaders/shader_variable.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gles/context/errors.h"
#include "gles/render/accumulating_buffer.h"
#include "gles/textures/texture.h"
#include "platform/metal/buffer.h"
#include "platform/metal/msl/reference_interpreter.h"
#include "platform/metal/render_encoder.h"
#include "temp_dir.h"
#include "tests/gles/shader_fixture.h"
#include "tests/gles/test_shaders.h"

namespace {

using D = mtl::DataType;

// A member of the test structure: its Metal type, columns and components
// per column, and how a setter's values are stored in it.
enum class Kind { Float, Int, Bool, Char, Other };
struct Member {
  const char* name;
  const char* type;
  int columns, rows;
  Kind kind;
};

const std::vector<Member> kMembers = {
    {"f", "float", 1, 1, Kind::Float},      {"f2", "float2", 1, 2, Kind::Float},
    {"f3", "float3", 1, 3, Kind::Float},    {"f4", "float4", 1, 4, Kind::Float},
    {"m2", "float2x2", 2, 2, Kind::Float},  {"m3", "float3x3", 3, 3, Kind::Float},
    {"m4", "float4x4", 4, 4, Kind::Float},  {"m32", "float3x2", 3, 2, Kind::Other},
    {"i", "int", 1, 1, Kind::Int},          {"i2", "int2", 1, 2, Kind::Int},
    {"i3", "int3", 1, 3, Kind::Int},        {"i4", "int4", 1, 4, Kind::Int},
    {"u", "uint", 1, 1, Kind::Other},       {"b", "bool", 1, 1, Kind::Bool},
    {"b2", "bool2", 1, 2, Kind::Bool},      {"b3", "bool3", 1, 3, Kind::Bool},
    {"b4", "bool4", 1, 4, Kind::Bool},      {"c", "char", 1, 1, Kind::Char},
    {"c2", "char2", 1, 2, Kind::Char},      {"c3", "char3", 1, 3, Kind::Char},
    {"c4", "char4", 1, 4, Kind::Char},      {"uc", "uchar", 1, 1, Kind::Other},
    {"h", "half", 1, 1, Kind::Other},
};

// The setters, as glUniform* reaches them.
struct Setter {
  const char* name;
  int size;
  bool floats;
  void (MGLShaderUniform::*setInts)(GLint, GLsizei, const GLint*, MGLRenderer&);
  void (MGLShaderUniform::*setFloats)(GLint, GLsizei, const GLfloat*, MGLRenderer&);
};
const std::vector<Setter> kSetters = {
    {"setIntsAt", 1, false, &MGLShaderUniform::setIntsAt, nullptr},
    {"setInt2sAt", 2, false, &MGLShaderUniform::setInt2sAt, nullptr},
    {"setInt3sAt", 3, false, &MGLShaderUniform::setInt3sAt, nullptr},
    {"setInt4sAt", 4, false, &MGLShaderUniform::setInt4sAt, nullptr},
    {"setFloatsAt", 1, true, nullptr, &MGLShaderUniform::setFloatsAt},
    {"setFloat2sAt", 2, true, nullptr, &MGLShaderUniform::setFloat2sAt},
    {"setFloat3sAt", 3, true, nullptr, &MGLShaderUniform::setFloat3sAt},
    {"setFloat4sAt", 4, true, nullptr, &MGLShaderUniform::setFloat4sAt},
};

// Which setter takes which member, as the table of accepted types reads:
// int vectors of the setter's size from the int setters, float vectors and
// the square matrix of that size from the float setters, and from either
// the char and bool vectors of that size.
bool accepts(const Setter& setter, const Member& member) {
  if (member.kind == Kind::Other) return false;
  if (member.rows != setter.size) return false;
  if (member.kind == Kind::Bool || member.kind == Kind::Char) return member.columns == 1;
  if (member.kind == Kind::Int) return !setter.floats;
  return setter.floats && (member.columns == 1 || member.columns == member.rows);
}

// Caller values: halves, negatives, values past 8 bits, zero.
const float kFloats[16] = {1.5f, -2.75f, 300.9f, 0.0f, 0.5f, -0.5f, 7.0f, -129.25f,
                           3.0f, 1e9f, -4.0f, 0.25f, 11.0f, 12.5f, -13.0f, 14.0f};
const GLint kInts[16] = {7, -3, 300, 0, 256, -129, 5, 2, 9, -10, 11, 65535, 13, 14, -15, 16};

// What the shader reads of component k after a setter of `floats` values.
float expected(const Member& member, bool floats, int k) {
  const float f = kFloats[k];
  const GLint i = kInts[k];
  switch (member.kind) {
    case Kind::Float: return f;
    case Kind::Int: return static_cast<float>(i);
    case Kind::Bool: return (floats ? f != 0 : i != 0) ? 1.0f : 0.0f;  // true for any non-zero
    case Kind::Char: {
      const auto truncated = floats ? static_cast<GLint>(f) : i;
      return static_cast<float>(static_cast<std::int8_t>(static_cast<std::uint8_t>(truncated)));
    }
    case Kind::Other: break;
  }
  return 0;
}

std::string structure(bool reversed) {
  std::string members;
  for (std::size_t k = 0; k < kMembers.size(); ++k) {
    const Member& m = kMembers[reversed ? kMembers.size() - 1 - k : k];
    members += std::string(m.type) + " " + m.name + "; ";
  }
  return "struct Uniforms { " + members + "};\n";
}

// A function that copies every member, column by column, as float4s into
// a device buffer: output `first[m] + c` holds column c of member m.
std::string oracleSource(bool reversed, std::vector<int>& first) {
  std::string body;
  int next = 0;
  first.clear();
  for (const Member& m : kMembers) {
    first.push_back(next);
    for (int c = 0; c < m.columns; ++c) {
      std::string value = std::string("u.") + m.name + (m.columns > 1 ? "[" + std::to_string(c) + "]" : "");
      value = (m.rows == 1 ? std::string("float") : "float" + std::to_string(m.rows)) + "(" + value + ")";
      for (int r = m.rows; r < 4; ++r) value += ", 0.0";
      body += "  o.v[" + std::to_string(next++) + "] = float4(" + value + ");\n";
    }
  }
  return "#include <metal_stdlib>\nusing namespace metal;\n" + structure(reversed) +
         "struct Out { float4 v[" + std::to_string(next) + "]; };\n"
         "fragment float4 oracle(constant Uniforms& u [[buffer(0)]], device Out& o [[buffer(1)]]) {\n" +
         body + "  return float4(0.0);\n}\n";
}

class UniformTest : public tessaly::test::ShaderTest {
 protected:
  void SetUp() override {
    ShaderTest::SetUp();
    // Each stage declares the members in its own order, so every uniform
    // sits at different offsets in the two buffers.
    const std::string vertex =
        "#include <metal_stdlib>\nusing namespace metal;\n" + structure(true) +
        "struct VertexIn { float4 a_position [[attribute(0)]]; };\n"
        "struct Varyings { float4 position [[position]]; };\n"
        "vertex Varyings vertexMain(VertexIn in [[stage_in]], constant Uniforms& u [[buffer(0)]]) {\n"
        "  Varyings out; out.position = in.a_position + u.f4; return out;\n}\n";
    const std::string fragment =
        "#include <metal_stdlib>\nusing namespace metal;\n" + structure(false) +
        "fragment float4 fragmentMain(constant Uniforms& u [[buffer(0)]]) { return u.f4; }\n";
    program = linkedProgram(vertex, fragment);
    ASSERT_TRUE(program->isLinked()) << program->infoLog();
    errorCode();  // the half uniform's GL type has no element count
    for (bool reversed : {false, true}) {
      auto library = device->newLibraryWithSource(oracleSource(reversed, firstOutput), {}, nullptr);
      ASSERT_TRUE(library);
      oracle[reversed] = library->newFunctionWithName("oracle");
    }
  }

  // Column c of member m as each stage's buffer holds it.
  struct Read {
    float vertex[4], fragment[4];
  };
  std::vector<Read> readAll() {
    std::vector<Read> values(firstOutput.size() * 4);
    std::vector<float> outputs[2];
    for (bool reversed : {false, true}) {
      MGLShaderBuffer* buffer = reversed ? static_cast<MGLShaderBuffer*>(program->vertexUniformBuffer())
                                         : program->fragmentUniformBuffer();
      std::vector<std::uint8_t> bytes(buffer->dataLength());
      std::memcpy(bytes.data(), buffer->getDataAtOffset(0), bytes.size());
      std::vector<float>& out = outputs[reversed];
      out.assign(4 * 64, -1.0f);
      const mtl::msl::CompiledFunction& code = *oracle[reversed]->code();
      mtl::msl::Invocation invocation = mtl::msl::prepareInvocation(code);
      mtl::msl::interpret(code, invocation,
                          {{bytes.data(), bytes.size(), false},
                           {reinterpret_cast<std::uint8_t*>(out.data()), out.size() * 4, true}});
      EXPECT_TRUE(invocation.finished);
    }
    values.clear();
    for (std::size_t m = 0; m < kMembers.size(); ++m) {
      for (int c = 0; c < kMembers[m].columns; ++c) {
        Read read;
        for (int r = 0; r < 4; ++r) {
          read.fragment[r] = outputs[false][4 * (firstOutput[m] + c) + r];
          read.vertex[r] = outputs[true][4 * (firstOutput[m] + c) + r];
        }
        values.push_back(read);
      }
    }
    return values;
  }
  // The index in readAll() of column 0 of member m.
  std::size_t column(std::size_t m) const { return static_cast<std::size_t>(firstOutput[m]); }

  MGLShaderUniform* uniform(const char* name) { return program->getUniformNamed(name); }

  MGLShaderProgram* program = nullptr;
  std::vector<int> firstOutput;
  std::shared_ptr<mtl::Function> oracle[2];
};

TEST_F(UniformTest, EverySetterStoresWhatItTakesWhereBothStagesReadItAndRefusesTheRest) {
  const std::vector<Read> zero = readAll();
  for (const Read& r : zero) {
    for (int k = 0; k < 4; ++k) ASSERT_EQ(r.vertex[k] + r.fragment[k], 0.0f);
  }
  int accepted = 0, refused = 0;
  for (const Setter& setter : kSetters) {
    for (std::size_t m = 0; m < kMembers.size(); ++m) {
      const Member& member = kMembers[m];
      MGLShaderUniform* target = uniform(member.name);
      ASSERT_TRUE(target) << member.name;
      const std::vector<Read> before = readAll();
      // Exactly the caller's count of values, so that reading past them is
      // caught by the address sanitizer: three floats for glUniform3f.
      const int columns = member.columns == member.rows ? member.columns : 1;
      const std::size_t n = static_cast<std::size_t>(setter.size * (accepts(setter, member) ? columns : 1));
      if (setter.floats) {
        std::vector<GLfloat> values(kFloats, kFloats + n);
        (target->*setter.setFloats)(target->baseLocation(), 1, values.data(), renderer());
      } else {
        std::vector<GLint> values(kInts, kInts + n);
        (target->*setter.setInts)(target->baseLocation(), 1, values.data(), renderer());
      }
      const std::vector<Read> after = readAll();
      const std::string what = std::string(setter.name) + " on " + member.type;
      if (!accepts(setter, member)) {
        ++refused;
        EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Cannot use this function to set shader uniform "
                               "with data type " + mglGLEnumName(target->glDataType())) << what;
        for (std::size_t k = 0; k < after.size(); ++k) {
          ASSERT_EQ(std::memcmp(&after[k], &before[k], sizeof(Read)), 0) << what;
        }
        continue;
      }
      ++accepted;
      EXPECT_EQ(errorCode(), 0u) << what;
      for (int c = 0; c < member.columns; ++c) {
        const Read& read = after[column(m) + static_cast<std::size_t>(c)];
        for (int r = 0; r < member.rows; ++r) {
          const float want = expected(member, setter.floats, c * member.rows + r);
          EXPECT_EQ(read.vertex[r], want) << what << " column " << c << " row " << r;
          EXPECT_EQ(read.fragment[r], want) << what << " column " << c << " row " << r;
        }
      }
      // Nothing else moved.
      for (std::size_t k = 0; k < after.size(); ++k) {
        if (k >= column(m) && k < column(m) + static_cast<std::size_t>(member.columns)) continue;
        ASSERT_EQ(std::memcmp(&after[k], &before[k], sizeof(Read)), 0) << what << " moved " << k;
      }
    }
  }
  // The four int setters take an int, a char and a bool vector each; the
  // four float setters a float, a char and a bool vector each and three of
  // them a square matrix.
  EXPECT_EQ(accepted, 12 + 15);
  EXPECT_EQ(accepted + refused, static_cast<int>(kSetters.size() * kMembers.size()));
}

TEST_F(UniformTest, SettersCheckLocationCountAndVectorSize) {
  MGLShaderUniform* f4 = uniform("f4");
  const GLfloat three[3] = {1, 2, 3};
  f4->setFloat3sAt(f4->baseLocation(), 1, three, renderer());
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. Cannot use this function to set shader uniform with data type "
            "GL_FLOAT_VEC4");
  const GLfloat four[4] = {1, 2, 3, 4};
  f4->setFloat4sAt(f4->baseLocation(), -1, four, renderer());
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. GLSL uniform f4 element count cannot be negative");
  f4->setFloat4sAt(-1, 1, four, renderer());
  EXPECT_EQ(errorCode(), 0u);
  // A vector size that differs from the uniform's is refused where the
  // type tables would let it through.
  auto* b3 = static_cast<MGLBufferShaderUniform*>(uniform("b3"));
  EXPECT_FALSE(b3->validateLocation(b3->baseLocation(), 1, 2));
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. Command vector size 2 does not match shader uniform b3 vector "
            "size 3");
  // Count 0 writes nothing.
  f4->setFloat4sAt(f4->baseLocation(), 0, four, renderer());
  EXPECT_EQ(readAll()[column(3)].fragment[0], 0.0f);
}

TEST_F(UniformTest, ReadingBackGivesTheStoredElement) {
  auto set = [&](const char* name, auto setter, const auto* values) {
    MGLShaderUniform* u = uniform(name);
    (u->*setter)(u->baseLocation(), 1, values, renderer());
  };
  const GLfloat m3[9] = {1.5f, 2, 3, 4, 5, 6, 7, 8, -9.75f};
  set("m3", &MGLShaderUniform::setFloat3sAt, m3);
  GLfloat floats[16] = {};
  uniform("m3")->getFloatValue(floats, uniform("m3")->baseLocation());
  EXPECT_EQ(std::vector<GLfloat>(floats, floats + 9), std::vector<GLfloat>(m3, m3 + 9));
  GLint ints[16] = {};
  uniform("m3")->getIntValue(ints, uniform("m3")->baseLocation());
  EXPECT_EQ(ints[0], 1);
  EXPECT_EQ(ints[8], -9);  // truncated toward zero

  const GLint b3[3] = {0, 5, -1};
  set("b3", &MGLShaderUniform::setInt3sAt, b3);
  uniform("b3")->getFloatValue(floats, uniform("b3")->baseLocation());
  EXPECT_EQ(std::vector<GLfloat>(floats, floats + 3), (std::vector<GLfloat>{0, 1, 1}));
  const GLint i2[2] = {-7, 123456};
  set("i2", &MGLShaderUniform::setInt2sAt, i2);
  uniform("i2")->getFloatValue(floats, uniform("i2")->baseLocation());
  EXPECT_EQ(std::vector<GLfloat>(floats, floats + 2), (std::vector<GLfloat>{-7, 123456}));
  const GLfloat huge[1] = {3e10f};
  set("f", &MGLShaderUniform::setFloatsAt, huge);
  uniform("f")->getIntValue(ints, uniform("f")->baseLocation());
  EXPECT_EQ(ints[0], 2147483647);  // saturated, not undefined

  uniform("u")->getFloatValue(floats, uniform("u")->baseLocation());
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GLSL uniform u type GL_UNSIGNED_INT is not a valid uniform type");
  uniform("c")->getIntValue(ints, uniform("c")->baseLocation());
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GLSL uniform c type GL_BYTE is not a valid uniform type");
  uniform("f")->getFloatValue(nullptr, uniform("f")->baseLocation());
  EXPECT_EQ(errorCode(), 0u);
}

// A program whose uniforms differ by stage: a matrix array read by the
// vertex function only, a colour read by the fragment function only, and
// samplers of both kinds.
class StageUniformTest : public tessaly::test::ShaderTest {
 protected:
  void SetUp() override {
    ShaderTest::SetUp();
    program = linkedProgram(
        "#include <metal_stdlib>\nusing namespace metal;\n"
        "struct VertexIn { float4 a_position [[attribute(0)]]; };\n"
        "struct Uniforms { float4 u_offset; float4x4 u_bones[2]; };\n"
        "struct Varyings { float4 position [[position]]; float2 v_texCoord; };\n"
        "vertex Varyings vertexMain(VertexIn in [[stage_in]], constant Uniforms& u [[buffer(0)]],\n"
        "    texture2d<float> u_height [[texture(4)]], sampler s [[sampler(4)]]) {\n"
        "  Varyings out;\n"
        "  out.position = u.u_bones[1] * in.a_position + u.u_offset +\n"
        "                 u_height.sample(s, float2(0.5), level(0.0));\n"
        "  out.v_texCoord = float2(0.5);\n  return out;\n}\n",
        "#include <metal_stdlib>\nusing namespace metal;\n"
        "struct Varyings { float4 position [[position]]; float2 v_texCoord; };\n"
        "struct Uniforms { float3 u_color; };\n"
        "fragment float4 fragmentMain(Varyings in [[stage_in]], constant Uniforms& u [[buffer(0)]],\n"
        "    texture2d<float> u_height [[texture(1)]], sampler s1 [[sampler(1)]],\n"
        "    texture2d<float> tex_0_ [[texture(2)]], sampler s2 [[sampler(2)]],\n"
        "    texture2d<float> tex_1_ [[texture(3)]], sampler s3 [[sampler(3)]],\n"
        "    texturecube<float> u_sky [[texture(0)]], sampler s0 [[sampler(0)]]) {\n"
        "  return float4(u.u_color, 1.0) * u_height.sample(s1, in.v_texCoord) *\n"
        "         tex_0_.sample(s2, in.v_texCoord) * tex_1_.sample(s3, in.v_texCoord) *\n"
        "         u_sky.sample(s0, float3(1.0));\n}\n");
    ASSERT_TRUE(program->isLinked()) << program->infoLog();
  }

  // Ready to draw a triangle with the program.
  void readyToDraw() {
    makeFramebuffer(8, 8);
    pipeline().setShaderProgram(program);
    MGLVertexArrayObject* vertices = pipeline().vertexArrayObject();
    vertices->bindVertices(kTriangle, 2, GL_FLOAT, 0, false, 0);
    vertices->setShouldUsePerVertexContent(true, 0);
  }
  void draw() { renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1); }

  MGLTexture* textureWithContent(GLuint unit, GLenum target = GL_TEXTURE_2D, bool content = true) {
    const GLID name = context->textures()->generateGLID();
    auto* texture = static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(name));
    MGLTextureUnits* units = target == GL_TEXTURE_2D ? context->textureUnits2D() : context->textureUnitsCube();
    units->bindTexture(texture, unit);
    const std::uint8_t texel[4] = {10, 20, 30, 255};
    if (content) {
      if (target == GL_TEXTURE_2D) {
        texture->setContent(texel, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 0, *context);
      } else {
        for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z; ++face) {
          texture->setContent(texel, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, face, 0, *context);
        }
      }
    }
    program->setWasTextureChanged(true);  // as the context's binding does
    return texture;
  }
  const mtl::RenderState& encoderState() { return renderer().currentRenderCommandEncoder()->state(); }
  MGLSamplerShaderUniform* sampler(const char* name) {
    return dynamic_cast<MGLSamplerShaderUniform*>(program->getUniformNamed(name));
  }

  static constexpr float kTriangle[6] = {0, 0, 1, 0, 0, 1};
  MGLShaderProgram* program = nullptr;
};

TEST_F(StageUniformTest, MatrixArraysTakeWhatFitsFromTheLocationOn) {
  MGLShaderUniform* bones = program->getUniformNamed("u_bones");
  ASSERT_TRUE(bones);
  EXPECT_EQ(bones->size(), 2);
  std::vector<GLfloat> matrices(48);
  for (std::size_t k = 0; k < matrices.size(); ++k) matrices[k] = static_cast<GLfloat>(k + 1);
  auto stored = [&] {
    const MGLShaderVertexBuffer* buffer = program->vertexUniformBuffer();
    const auto* p = reinterpret_cast<const float*>(buffer->getDataAtOffset(0));
    return std::vector<float>(p, p + buffer->dataLength() / 4);
  };
  // Count 3 at the base: two matrices, 128 bytes after the offset's 16.
  bones->setFloat4sAt(bones->baseLocation(), 3, matrices.data(), renderer());
  std::vector<float> bytes = stored();
  ASSERT_EQ(bytes.size(), 36u);
  EXPECT_EQ(std::vector<float>(bytes.begin(), bytes.begin() + 4), std::vector<float>(4, 0.0f));
  EXPECT_EQ(std::vector<float>(bytes.begin() + 4, bytes.end()),
            std::vector<float>(matrices.begin(), matrices.begin() + 32));
  // Count 3 at base + 1: one matrix, at byte 64 of the array.
  std::vector<GLfloat> other(48, -1.0f);
  bones->setFloat4sAt(bones->baseLocation() + 1, 3, other.data(), renderer());
  bytes = stored();
  EXPECT_EQ(std::vector<float>(bytes.begin() + 4, bytes.begin() + 20),
            std::vector<float>(matrices.begin(), matrices.begin() + 16));
  EXPECT_EQ(std::vector<float>(bytes.begin() + 20, bytes.end()), std::vector<float>(16, -1.0f));
  // Read back by location.
  GLfloat read[16];
  bones->getFloatValue(read, bones->baseLocation() + 1);
  EXPECT_EQ(std::vector<float>(read, read + 16), std::vector<float>(16, -1.0f));
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(StageUniformTest, UniformsOfOneStageLiveInThatStagesBufferAndBindOnlyWhenChanged) {
  MGLShaderUniform* color = program->getUniformNamed("u_color");
  auto* colorBuffer = static_cast<MGLBufferShaderUniform*>(color);
  EXPECT_EQ(colorBuffer->vertexBuffer(), nullptr);
  EXPECT_EQ(static_cast<MGLBufferShaderUniform*>(program->getUniformNamed("u_offset"))->fragmentBuffer(),
            nullptr);
  readyToDraw();
  draw();
  EXPECT_EQ(count("setVertexBuffer index=0"), 1u);
  EXPECT_EQ(count("setFragmentBuffer index=0"), 1u);
  device->commandLog().clear();
  // Nothing changed: nothing is bound again.
  draw();
  EXPECT_EQ(count("setVertexBuffer index=0"), 0u);
  EXPECT_EQ(count("setFragmentBuffer index=0"), 0u);
  EXPECT_EQ(count("setFragmentTexture"), 0u);
  // A fragment uniform changed: only the fragment buffer moves on, to a
  // new block that keeps the earlier draw's values.
  const std::vector<GLfloat> rgb = {0.25f, 0.5f, 0.75f};
  const std::uint64_t before = program->fragmentUniformBuffer()->mtlBufferOffset();
  color->setFloat3sAt(color->baseLocation(), 1, rgb.data(), renderer());
  EXPECT_GT(program->fragmentUniformBuffer()->mtlBufferOffset(), before);
  draw();
  EXPECT_EQ(count("setVertexBuffer index=0"), 0u);
  EXPECT_EQ(count("setFragmentBuffer index=0"), 1u);
  GLfloat read[3];
  color->getFloatValue(read, color->baseLocation());
  EXPECT_EQ(std::vector<GLfloat>(read, read + 3), rgb);
}

// Programs that take turns on one encoder each bind their own uniforms
// and textures again when they become current.
TEST_F(StageUniformTest, AProgramMadeCurrentAgainRebindsItsUniformsAndTextures) {
  MGLShaderProgram* other = linkedProgram(tessaly::test::kVertexMSL, tessaly::test::kFragmentMSL);
  ASSERT_TRUE(other->isLinked());
  readyToDraw();
  MGLTexture* three = textureWithContent(3);
  const GLint unitThree = 3;
  sampler("u_height")->setIntsAt(sampler("u_height")->baseLocation(), 1, &unitThree, renderer());
  draw();
  const mtl::BufferBinding first = encoderState().fragment.buffers[0];
  pipeline().setShaderProgram(other);
  context->renderPipelineState()->vertexArrayObject()->bindVertices(kTriangle, 2, GL_FLOAT, 0, false, 1);
  context->renderPipelineState()->vertexArrayObject()->setShouldUsePerVertexContent(true, 1);
  draw();
  EXPECT_NE(encoderState().fragment.buffers[0].buffer, first.buffer);
  device->commandLog().clear();
  pipeline().setShaderProgram(program);
  draw();
  EXPECT_EQ(encoderState().fragment.buffers[0].buffer, first.buffer);
  EXPECT_EQ(count("setVertexBuffer index=0"), 1u);
  EXPECT_EQ(count("setFragmentBuffer index=0"), 1u);
  EXPECT_EQ(encoderState().fragment.textures[1], three->mtlTexture());
  EXPECT_EQ(count("setFragmentTexture"), 4u);
}

// Each draw reads the values set before it, also when it binds a block
// that no write of its frame has touched yet: the first draw after the
// link, and a draw of a new frame before any write.
TEST_F(StageUniformTest, EveryDrawKeepsTheValuesSetBeforeIt) {
  MGLShaderUniform* color = program->getUniformNamed("u_color");
  readyToDraw();
  auto drawAndRecord = [&] {
    draw();
    return encoderState().fragment.buffers[0];
  };
  auto valuesAt = [](const mtl::BufferBinding& binding) {
    const auto* p = static_cast<const float*>(binding.buffer->contents()) + binding.offset / 4;
    return std::vector<float>(p, p + 3);
  };
  const std::vector<GLfloat> a = {1, 2, 3}, b = {4, 5, 6}, c = {7, 8, 9};
  const mtl::BufferBinding first = drawAndRecord();  // before any write
  color->setFloat3sAt(color->baseLocation(), 1, a.data(), renderer());
  const mtl::BufferBinding second = drawAndRecord();
  EXPECT_EQ(valuesAt(first), std::vector<float>(3, 0.0f));
  EXPECT_EQ(valuesAt(second), a);

  renderer().presentDrawable();  // the next frame's first draw writes nothing
  const mtl::BufferBinding third = drawAndRecord();
  color->setFloat3sAt(color->baseLocation(), 1, b.data(), renderer());
  const mtl::BufferBinding fourth = drawAndRecord();
  EXPECT_NE(third.buffer, second.buffer);  // the new frame's own entry
  EXPECT_EQ(valuesAt(third), a);
  EXPECT_EQ(valuesAt(fourth), b);
  // Two frames on, the first frame's entry is written again while the
  // second frame's draws may still run: they read their own entry.
  renderer().presentDrawable();
  renderer().presentDrawable();
  drawAndRecord();
  color->setFloat3sAt(color->baseLocation(), 1, c.data(), renderer());
  EXPECT_EQ(valuesAt(drawAndRecord()), c);
  EXPECT_EQ(valuesAt(third), a);
  EXPECT_EQ(valuesAt(fourth), b);
}

TEST_F(StageUniformTest, SamplersBindTheChosenUnitsTexturesAtTheirSlotsInEachStage) {
  MGLSamplerShaderUniform* height = sampler("u_height");
  MGLSamplerShaderUniform* tex = sampler("tex");
  MGLSamplerShaderUniform* sky = sampler("u_sky");
  ASSERT_TRUE(height && tex && sky);
  EXPECT_EQ(height->textureUnitMapEntry(0).mtlVertexTextureIndex, 4);
  EXPECT_EQ(height->textureUnitMapEntry(0).mtlFragmentTextureIndex, 1);
  EXPECT_EQ(tex->size(), 2);

  MGLTexture* three = textureWithContent(3);
  MGLTexture* five = textureWithContent(5);
  MGLTexture* cube = textureWithContent(2, GL_TEXTURE_CUBE_MAP);
  const GLint unitThree = 3, units[2] = {5, 16}, unitTwo = 2;
  height->setIntsAt(height->baseLocation(), 1, &unitThree, renderer());
  tex->setIntsAt(tex->baseLocation(), 2, units, renderer());
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. Uniform sampler tex type GL_SAMPLER_2D value 16 is out of bounds. "
            "It must be between 0 and 15 inclusive.");
  sky->setIntsAt(sky->baseLocation(), 1, &unitTwo, renderer());
  GLint unit = -1;
  tex->getIntValue(&unit, tex->baseLocation());
  EXPECT_EQ(unit, 5);
  tex->getIntValue(&unit, tex->baseLocation() + 1);
  EXPECT_EQ(unit, 0);  // the refused value left the unit alone

  readyToDraw();
  draw();
  const mtl::RenderState& state = encoderState();
  EXPECT_EQ(state.vertex.textures[4], three->mtlTexture());
  EXPECT_EQ(state.vertex.samplers[4], three->mtlSamplerState());
  EXPECT_EQ(state.fragment.textures[1], three->mtlTexture());
  EXPECT_EQ(state.fragment.textures[2], five->mtlTexture());
  EXPECT_EQ(state.fragment.samplers[2], five->mtlSamplerState());
  EXPECT_EQ(state.fragment.textures[3], context->textureUnits2D()->defaultTexture()->mtlTexture());
  EXPECT_EQ(state.fragment.textures[0], cube->mtlTexture());
  // Samplers read by the fragment function alone bind nothing in the
  // vertex stage.
  EXPECT_EQ(count("setVertexTexture"), 1u);
  EXPECT_EQ(count("setFragmentTexture"), 4u);

  // A new choice rebinds that sampler only; a texture without storage is
  // sampled as GL's incomplete texture, the opaque black default.
  device->commandLog().clear();
  MGLTexture* empty = textureWithContent(7, GL_TEXTURE_2D, false);
  program->setWasTextureChanged(false);
  const GLint seven = 7;
  tex->setIntsAt(tex->baseLocation() + 1, 1, &seven, renderer());
  draw();
  EXPECT_EQ(count("setVertexTexture"), 0u);
  EXPECT_EQ(count("setFragmentTexture"), 2u);
  EXPECT_EQ(empty->mtlTexture(), nullptr);
  EXPECT_EQ(encoderState().fragment.textures[3], context->textureUnits2D()->defaultTexture()->mtlTexture());
  EXPECT_NE(encoderState().fragment.textures[3], nullptr);
  EXPECT_EQ(encoderState().fragment.textures[2], five->mtlTexture());  // element 0 kept its unit

  // A texture binding changed: every sampler binds again.
  device->commandLog().clear();
  program->setWasTextureChanged(true);
  draw();
  EXPECT_EQ(count("setVertexTexture"), 1u);
  EXPECT_EQ(count("setFragmentTexture"), 4u);
  device->commandLog().clear();
  draw();
  EXPECT_EQ(count("setFragmentTexture"), 0u);
}

}  // namespace

namespace {

// A draw through the whole road: GLSL converted, uniforms set by location,
// a texture on a chosen unit, the software GPU drawing, pixels read back
// in GL's bottom-up order. The expected pixels come from the uniforms'
// arithmetic, not from the layer.
class UniformDrawTest : public tessaly::test::ShaderTest {};

TEST_F(UniformDrawTest, UniformsAndASamplerReachTheDrawnPixels) {
  constexpr int kSize = 32;
  MGLFramebuffer* framebuffer = makeFramebuffer(kSize, kSize);
  MGLShaderProgram* program = linkedProgram(
      "attribute vec2 a_position;\n"
      "uniform mat4 u_mvp;\n"
      "uniform float u_scale[2];\n"
      "varying vec2 v_uv;\n"
      "void main() {\n"
      "  v_uv = a_position * 0.5 + 0.5;\n"
      "  gl_Position = u_mvp * vec4(a_position * u_scale[1], 0.0, 1.0);\n"
      "}\n",
      "precision mediump float;\n"
      "uniform vec3 u_color;\n"
      "uniform bool u_invert;\n"
      "uniform sampler2D u_texture;\n"
      "varying vec2 v_uv;\n"
      "void main() {\n"
      "  vec4 texel = texture2D(u_texture, v_uv);\n"
      "  if (u_invert) texel.rgb = vec3(1.0) - texel.rgb;\n"
      "  gl_FragColor = vec4(u_color * texel.rgb, 1.0);\n"
      "}\n");
  ASSERT_TRUE(program->isLinked()) << program->infoLog();
  pipeline().setShaderProgram(program);

  // A 2 x 2 texture on unit 2, its first client row the bottom one.
  const GLID name = context->textures()->generateGLID();
  auto* texture = static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(name));
  context->textureUnits2D()->bindTexture(texture, 2);
  const std::uint8_t texels[16] = {200, 0, 0, 255,   0, 200, 0, 255,     // bottom: red, green
                                   0, 0, 200, 255,   200, 200, 200, 255};  // top: blue, grey
  texture->setContent(texels, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{2, 2}, GL_TEXTURE_2D, 0, *context);
  texture->setParameter(GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  texture->setParameter(GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  program->setWasTextureChanged(true);

  auto location = [&](const char* uniform) { return program->getLocationOfUniformNamed(uniform); };
  auto set = [&](const char* uniform, auto setter, GLsizei count, const auto* values) {
    const GLint l = location(uniform);
    ASSERT_GE(l, 0) << uniform;
    (program->getUniformAtLocation(l)->*setter)(l, count, values, renderer());
  };
  // Scale by a half about the origin, then move by a half: the quad
  // [-1, 1] lands on the framebuffer's top-right quarter.
  const GLfloat mvp[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1};
  set("u_mvp", &MGLShaderUniform::setFloat4sAt, 1, mvp);
  const GLfloat scales[2] = {3.0f, 1.0f};
  set("u_scale", &MGLShaderUniform::setFloatsAt, 2, scales);
  const GLfloat color[3] = {1.0f, 0.5f, 1.0f};
  set("u_color", &MGLShaderUniform::setFloat3sAt, 1, color);
  const GLint unit = 2;
  set("u_texture", &MGLShaderUniform::setIntsAt, 1, &unit);
  ASSERT_EQ(errorCode(), 0u);

  static const float kQuad[12] = {-1, -1, 1, -1, 1, 1, -1, -1, 1, 1, -1, 1};
  MGLVertexArrayObject* vertices = pipeline().vertexArrayObject();
  const auto position = static_cast<GLuint>(program->getLocationOfVertexAttributeNamed("a_position"));
  vertices->bindVertices(kQuad, 2, GL_FLOAT, 0, false, position);
  vertices->setShouldUsePerVertexContent(true, position);
  std::vector<std::uint8_t> pixels(kSize * kSize * 4);
  // Drawn plain, then with u_invert set by a value that is neither 0 nor 1.
  for (const GLint invert : {0, 256}) {
    set("u_invert", &MGLShaderUniform::setIntsAt, 1, &invert);
    context->setClearColor({0, 0, 0, 1});
    context->clearAttachments(GL_COLOR_BUFFER_BIT);
    renderer().drawPrimitives(GL_TRIANGLES, 0, 6, 1);
    ASSERT_EQ(errorCode(), 0u);
    renderer().finishCommands();
    framebuffer->readPixelsFromRect({0, 0, kSize, kSize}, pixels.data(), GL_RGBA, GL_UNSIGNED_BYTE, 4);

    // Expected: the texel of each quarter of the quad (inverted or not)
    // times the colour, the clear colour elsewhere. Rows from the bottom.
    auto expectedAt = [&](int x, int y) {
      if (x < kSize / 2 || y < kSize / 2) return std::array<int, 4>{0, 0, 0, 255};
      const int tx = x < 3 * kSize / 4 ? 0 : 1, ty = y < 3 * kSize / 4 ? 0 : 1;
      const std::uint8_t* t = texels + 4 * (2 * ty + tx);
      std::array<int, 4> rgba{};
      for (int c = 0; c < 3; ++c) {
        const double texel = t[c] / 255.0;
        rgba[c] = static_cast<int>(std::lround((invert ? 1.0 - texel : texel) * color[c] * 255.0));
      }
      rgba[3] = 255;
      return rgba;
    };
    int wrong = 0;
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const std::uint8_t* p = pixels.data() + 4 * (y * kSize + x);
        const std::array<int, 4> want = expectedAt(x, y);
        for (int c = 0; c < 4; ++c) {
          if (std::abs(p[c] - want[c]) > 1 && wrong++ < 8) {
            ADD_FAILURE() << "invert " << invert << " pixel " << x << "," << y << " channel "
                          << c << ": " << int(p[c]) << " instead of " << want[c];
          }
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "invert " << invert;
  }
  if (const char* folder = std::getenv("TESSALY_GL_IMAGES")) {
    // A PPM for looking at, top row first.
    std::string ppm = "P6\n" + std::to_string(kSize) + " " + std::to_string(kSize) + "\n255\n";
    for (int y = kSize - 1; y >= 0; --y) {
      for (int x = 0; x < kSize; ++x) ppm.append(reinterpret_cast<const char*>(&pixels[4 * (y * kSize + x)]), 3);
    }
    tessaly::test::writeFile(std::string(folder) + "/uniform_draw.ppm", ppm);
  }
}

}  // namespace
