// Programs: attaching shaders, linking on the pipeline reflection of the
// software GPU's compiler, uniform and attribute locations, samplers, the
// link log, and the interned attribute layouts.
#include "gles/shaders/shader_program.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "gles/render/accumulating_buffer.h"
#include "tests/gles/shader_fixture.h"
#include "tests/gles/test_shaders.h"

namespace {

using tessaly::test::kFragmentMSL;
using tessaly::test::kPlainFragmentMSL;
using tessaly::test::kPlainVertexMSL;
using tessaly::test::kVertexMSL;

// A vertex shader with uniform structure members `members`, reading one
// attribute and adding `use` (a float4 made of the uniforms).
std::string vertexWith(const std::string& members, const std::string& use,
                       const std::string& extraArguments = "") {
  return "#include <metal_stdlib>\nusing namespace metal;\n"
         "struct VertexIn { float4 a_position [[attribute(0)]]; };\n"
         "struct Uniforms { " + members + " };\n"
         "struct Varyings { float4 position [[position]]; };\n"
         "vertex Varyings vertexMain(VertexIn in [[stage_in]],\n"
         "                           constant Uniforms& u [[buffer(0)]]" + extraArguments + ") {\n"
         "  Varyings out;\n  out.position = in.a_position + " + use + ";\n  return out;\n}\n";
}

// A fragment shader with uniform structure members `members` at buffer
// `slot`, answering `use` (a float4).
std::string fragmentWith(const std::string& members, const std::string& use,
                         const std::string& extraArguments = "", int slot = 0,
                         const std::string& space = "constant") {
  return "#include <metal_stdlib>\nusing namespace metal;\n"
         "struct Uniforms { " + members + " };\n"
         "fragment float4 fragmentMain(" + space + " Uniforms& u [[buffer(" + std::to_string(slot) +
         ")]]" + extraArguments + ") {\n  return " + use + ";\n}\n";
}

class ProgramTest : public tessaly::test::ShaderTest {
 protected:
  MGLBufferShaderUniform* buffer(MGLShaderProgram* program, const std::string& name) {
    return dynamic_cast<MGLBufferShaderUniform*>(program->getUniformNamed(name));
  }
  MGLSamplerShaderUniform* sampler(MGLShaderProgram* program, const std::string& name) {
    return dynamic_cast<MGLSamplerShaderUniform*>(program->getUniformNamed(name));
  }
  std::string programName(MGLShaderProgram* program) { return std::to_string(program->glID()); }
};

TEST_F(ProgramTest, LocationsGoToTheVertexStageFirstAndNamesWithIndicesStayInTheArray) {
  MGLShaderProgram* program = linkedProgram(kVertexMSL, kFragmentMSL);
  ASSERT_EQ(program->getParameter(GL_LINK_STATUS), 1) << program->infoLog();
  EXPECT_EQ(program->getParameter(GL_VALIDATE_STATUS), 1);
  EXPECT_EQ(program->infoLog(), "");
  EXPECT_EQ(program->getParameter(GL_INFO_LOG_LENGTH), 0);
  EXPECT_EQ(program->getParameter(GL_ACTIVE_UNIFORMS), 2);
  EXPECT_EQ(program->getParameter(GL_ACTIVE_UNIFORM_MAX_LENGTH), 8);  // "u_color" and 1
  EXPECT_EQ(program->getParameter(GL_ACTIVE_ATTRIBUTES), 2);
  EXPECT_EQ(program->getParameter(GL_ACTIVE_ATTRIBUTE_MAX_LENGTH), 11);  // "a_texCoord" and 1
  EXPECT_EQ(program->getParameter(GL_ATTACHED_SHADERS), 2);
  EXPECT_TRUE(program->isUsingStageInVertexAttributes());

  EXPECT_EQ(program->getLocationOfUniformNamed("u_mvp"), 0);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_color"), 1);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_color[0]"), 1);
  EXPECT_EQ(program->getLocationOfVertexAttributeNamed("a_position"), 0);
  EXPECT_EQ(program->getLocationOfVertexAttributeNamed("a_texCoord"), 1);
  // Names the program does not hold, and indices past a single value,
  // find nothing and record nothing.
  for (const char* name : {"u_colour", "u_color[1]", "u_mvp[2]", "u_mvp[-1]", "", "[]", "u_mvp."}) {
    EXPECT_EQ(program->getLocationOfUniformNamed(name), -1) << name;
  }
  EXPECT_EQ(program->getLocationOfVertexAttributeNamed("a_normal"), -1);
  EXPECT_EQ(errorCode(), 0u);

  MGLBufferShaderUniform* mvp = buffer(program, "u_mvp");
  ASSERT_TRUE(mvp);
  EXPECT_EQ(mvp->glDataType(), GL_FLOAT_MAT4);
  EXPECT_EQ(mvp->typeSize(), 16);
  EXPECT_EQ(mvp->stride(), 64);
  EXPECT_EQ(mvp->vertexBufferOffset(), 0);
  EXPECT_EQ(mvp->fragmentBufferOffset(), -1);
  EXPECT_EQ(mvp->vertexBuffer(), program->vertexUniformBuffer());
  EXPECT_EQ(mvp->fragmentBuffer(), nullptr);
  EXPECT_EQ(mvp->vectorSize(), 4u);
  EXPECT_EQ(mvp->vectorsPerLocation(), 4u);
  MGLBufferShaderUniform* color = buffer(program, "u_color");
  ASSERT_TRUE(color);
  EXPECT_EQ(color->glDataType(), GL_FLOAT_VEC3);
  EXPECT_EQ(color->stride(), 16);
  EXPECT_EQ(color->vertexBuffer(), nullptr);
  EXPECT_EQ(color->fragmentBufferOffset(), 0);
  EXPECT_EQ(program->vertexUniformBuffer()->dataLength(), 64u);
  EXPECT_EQ(program->fragmentUniformBuffer()->dataLength(), 16u);
  EXPECT_EQ(color->fullDescription(),
            "MGLBufferShaderUniform named u_color\n\t\tType: GL_FLOAT_VEC3\n\t\tSize: 1\n\t\t"
            "Location: 1\n\t\tIn vertex buffer at offset -1\n\t\tIn fragment buffer at offset 0");

  EXPECT_EQ(program->getUniformAtLocation(-1), nullptr);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(program->getUniformAtLocation(1), color);
  EXPECT_EQ(program->getUniformAtLocation(2), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Shader program " + programName(program) +
                             " does not contain a uniform at location 2.");
  EXPECT_EQ(program->getUniformAtIndex(1), color);
  EXPECT_EQ(program->getUniformAtIndex(2), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Shader program " + programName(program) +
                             " does not contain a uniform at index 2.");
  EXPECT_EQ(program->getVertexAttributeAtIndex(2), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Shader program " + programName(program) +
                             " does not contain a vertex attribute at index 2.");
  EXPECT_EQ(program->getParameter(0x8B8B), -1);
  EXPECT_EQ(errorCode(), static_cast<GLenum>(GL_INVALID_ENUM));
}

TEST_F(ProgramTest, AUniformOfBothStagesIsOneUniformWithAnOffsetInEachBuffer) {
  MGLShaderProgram* program =
      linkedProgram(vertexWith("float4 u_tint; float4x4 u_mvp;", "u.u_tint + u.u_mvp[0]"),
                    fragmentWith("float u_alpha; float4 u_tint;", "u.u_tint * u.u_alpha"));
  ASSERT_TRUE(program->isLinked()) << program->infoLog();
  EXPECT_EQ(program->getParameter(GL_ACTIVE_UNIFORMS), 3);
  MGLBufferShaderUniform* tint = buffer(program, "u_tint");
  ASSERT_TRUE(tint);
  EXPECT_EQ(tint->baseLocation(), 0);
  EXPECT_EQ(tint->vertexBufferOffset(), 0);
  EXPECT_EQ(tint->fragmentBufferOffset(), 16);
  EXPECT_EQ(tint->vertexBuffer(), program->vertexUniformBuffer());
  EXPECT_EQ(tint->fragmentBuffer(), program->fragmentUniformBuffer());
  EXPECT_EQ(program->getLocationOfUniformNamed("u_mvp"), 1);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_alpha"), 2);
  EXPECT_EQ(program->vertexUniformBuffer()->dataLength(), 80u);
  EXPECT_EQ(program->fragmentUniformBuffer()->dataLength(), 32u);
}

TEST_F(ProgramTest, UniformsOfBothStagesMustAgreeInTypeAndSize) {
  MGLShaderProgram* program =
      linkedProgram(vertexWith("float4 u_tint;", "u.u_tint"),
                    fragmentWith("float3 u_tint;", "float4(u.u_tint, 1.0)"));
  EXPECT_FALSE(program->isLinked());
  EXPECT_EQ(program->infoLog(),
            "Uniform u_tint appears in both the vertex and fragment shader functions, but the "
            "types do not match.\n\nLink failed.");
  EXPECT_EQ(program->getParameter(GL_INFO_LOG_LENGTH),
            static_cast<GLint>(program->infoLog().size() + 1));

  program = linkedProgram(vertexWith("float u_w[2];", "float4(u.u_w[0])"),
                          fragmentWith("float u_w[3];", "float4(u.u_w[2])"));
  EXPECT_FALSE(program->isLinked());
  EXPECT_EQ(program->infoLog(),
            "Uniform u_w appears in both the vertex and fragment shader functions, but the sizes "
            "do not match.\n\nLink failed.");
  // The failed program cannot be used.
  pipeline().setShaderProgram(program);
  EXPECT_EQ(errorCode(), static_cast<GLenum>(GL_INVALID_OPERATION));
  EXPECT_EQ(program->getLocationOfUniformNamed("u_w"), -1);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Shader program " + programName(program) +
                             " has not been linked.");
  EXPECT_EQ(program->getLocationOfVertexAttributeNamed("a_position"), -1);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Shader program " + programName(program) +
                             " has not been linked.");
}

TEST_F(ProgramTest, ArraysTakeConsecutiveLocationsAndStructuresGiveTheirMembers) {
  MGLShaderProgram* program = linkedProgram(
      vertexWith("float4x4 u_mvp; float3 u_light; float u_weights[4];",
                 "u.u_mvp[0] + float4(u.u_light, u.u_weights[3])"),
      "#include <metal_stdlib>\nusing namespace metal;\n"
      "struct Material { float3 diffuse; float shininess; float2 pad[2]; };\n"
      "struct Uniforms { Material u_material; float4x4 u_bones[2]; };\n"
      "fragment float4 fragmentMain(constant Uniforms& u [[buffer(0)]]) {\n"
      "  return float4(u.u_material.diffuse, u.u_material.shininess) + u.u_bones[1][0];\n}\n");
  ASSERT_TRUE(program->isLinked()) << program->infoLog();
  MGLShaderUniform* weights = program->getUniformNamed("u_weights");
  ASSERT_TRUE(weights);
  EXPECT_EQ(weights->size(), 4);
  EXPECT_EQ(weights->baseLocation(), 2);
  EXPECT_EQ(weights->endLocation(), 6);
  EXPECT_EQ(program->getUniformAtLocation(5), weights);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_weights[3]"), 5);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_weights[4]"), -1);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_weights[10]"), -1);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_weights[-1]"), -1);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_weights[99999999999999]"), -1);
  // Offsets by Metal's layout: float4x4 at 0, float3 at 64, float[4] at 80.
  EXPECT_EQ(buffer(program, "u_light")->vertexBufferOffset(), 64);
  EXPECT_EQ(buffer(program, "u_weights")->vertexBufferOffset(), 80);
  EXPECT_EQ(program->vertexUniformBuffer()->dataLength(), 96u);

  // The fragment structure's members, by their own names; an array of
  // structures gives its elements' members.
  EXPECT_EQ(program->getLocationOfUniformNamed("diffuse"), 6);
  EXPECT_EQ(program->getLocationOfUniformNamed("shininess"), 7);
  EXPECT_EQ(buffer(program, "diffuse")->fragmentBufferOffset(), 0);
  // A float3 takes 16 bytes; the float2 array is 8-byte aligned.
  EXPECT_EQ(buffer(program, "shininess")->fragmentBufferOffset(), 16);
  EXPECT_EQ(buffer(program, "pad")->size(), 2);
  EXPECT_EQ(buffer(program, "pad")->fragmentBufferOffset(), 24);
  MGLBufferShaderUniform* bones = buffer(program, "u_bones");
  ASSERT_TRUE(bones);
  EXPECT_EQ(bones->size(), 2);
  EXPECT_EQ(bones->fragmentBufferOffset(), 48);
  EXPECT_EQ(bones->baseLocation(), 10);
  EXPECT_EQ(program->getUniformAtLocation(12), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Shader program " + programName(program) +
                             " does not contain a uniform at location 12.");
}

TEST_F(ProgramTest, TexturesAreSamplerUniformsWithALocationPerTexture) {
  const std::string samplers =
      ", texture2d<float> tex_3_ [[texture(2)]], sampler s2 [[sampler(2)]]"
      ", texturecube<float> u_sky [[texture(5)]], sampler s5 [[sampler(5)]]"
      ", texture2d<float> map2_ [[texture(3)]], sampler s3 [[sampler(3)]]";
  MGLShaderProgram* program = linkedProgram(
      vertexWith("float4 u_tint;", "u.u_tint"),
      fragmentWith("float4 u_tint;",
                   "u.u_tint * tex_3_.sample(s2, float2(0.5)) * u_sky.sample(s5, float3(1.0)) * "
                   "map2_.sample(s3, float2(0.5))",
                   samplers));
  ASSERT_TRUE(program->isLinked()) << program->infoLog();
  MGLSamplerShaderUniform* tex = sampler(program, "tex");
  ASSERT_TRUE(tex);
  EXPECT_EQ(tex->glDataType(), GL_SAMPLER_2D);
  EXPECT_EQ(tex->samplerTarget(), static_cast<GLenum>(GL_TEXTURE_2D));
  EXPECT_EQ(tex->size(), 4);  // location indices 0 to 3
  EXPECT_EQ(tex->textureUnitMapEntry(3).mtlFragmentTextureIndex, 2);
  EXPECT_EQ(tex->textureUnitMapEntry(3).mtlVertexTextureIndex, -1);
  EXPECT_EQ(tex->textureUnitMapEntry(0).mtlFragmentTextureIndex, -1);
  EXPECT_EQ(tex->baseLocation(), 1);
  EXPECT_EQ(program->getLocationOfUniformNamed("tex[3]"), 4);
  MGLSamplerShaderUniform* sky = sampler(program, "u_sky");
  ASSERT_TRUE(sky);
  EXPECT_EQ(sky->glDataType(), GL_SAMPLER_CUBE);
  EXPECT_EQ(sky->samplerTarget(), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
  EXPECT_EQ(sky->baseLocation(), 5);
  EXPECT_EQ(sky->stride(), 4);
  // Digits need an underscore before them to be an index: "map2_" is a
  // name of its own.
  MGLSamplerShaderUniform* map = sampler(program, "map2_");
  ASSERT_TRUE(map);
  EXPECT_EQ(map->size(), 1);
  EXPECT_EQ(sampler(program, "map"), nullptr);
  EXPECT_EQ(program->getParameter(GL_ACTIVE_UNIFORMS), 4);
  // Units past the array's end are dropped, never written past it.
  const GLint units[3] = {7, 8, 9};
  tex->setIntsAt(4, 3, units, renderer());
  EXPECT_EQ(tex->textureUnitMapEntry(3).textureUnitIndex, 7);
  EXPECT_EQ(sky->textureUnitMapEntry(0).textureUnitIndex, 0);
  EXPECT_EQ(map->textureUnitMapEntry(0).textureUnitIndex, 0);

  // Sixteen textures at most.
  program = linkedProgram(
      vertexWith("float4 u_tint;", "u.u_tint"),
      fragmentWith("float4 u_tint;", "u.u_tint * big__16__.sample(s, float2(0.5))",
                   ", texture2d<float> big__16__ [[texture(0)]], sampler s [[sampler(0)]]"));
  EXPECT_FALSE(program->isLinked());
  EXPECT_EQ(program->infoLog(),
            "Texture location 16 in sampler uniform big is out of bounds. A shader may access a "
            "maximum of 16 textures.\n\nLink failed.");
}

TEST_F(ProgramTest, ShadersAttachOncePerStage) {
  MGLShaderProgram* program = newProgram();
  const std::string p = programName(program);
  MGLShader* vertex = compiledShader(GL_VERTEX_SHADER, kVertexMSL);
  MGLShader* other = compiledShader(GL_VERTEX_SHADER, kPlainVertexMSL);
  MGLShader* fragment = compiledShader(GL_FRAGMENT_SHADER, kFragmentMSL);
  program->attachShaderWithGLID(vertex->glID());
  program->attachShaderWithGLID(other->glID());
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Shader program " + p +
                             " is already attached to vertex shader " + std::to_string(vertex->glID()));
  program->attachShaderWithGLID(vertex->glID());
  EXPECT_EQ(errorCode(), static_cast<GLenum>(GL_INVALID_OPERATION));
  program->attachShaderWithGLID(99);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Shader 99 does not exist");
  program->attachShaderWithGLID(fragment->glID());
  EXPECT_EQ(program->vertexShader(), vertex);

  GLID written[2] = {0, 0};
  EXPECT_EQ(program->get(1, written), 1);
  EXPECT_EQ(written[0], vertex->glID());
  EXPECT_EQ(written[1], 0u);
  EXPECT_EQ(program->get(2, written), 2);
  EXPECT_EQ(written[1], fragment->glID());
  EXPECT_EQ(program->get(0, written), 0);
  EXPECT_EQ(program->get(2, nullptr), 0);
  EXPECT_EQ(program->get(-1, written), 0);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Max count cannot be negative");

  program->detachShaderWithGLID(other->glID());
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Shader " + std::to_string(other->glID()) +
                             " is not attached to shader program " + p);
  program->detachShaderWithGLID(vertex->glID());
  EXPECT_EQ(program->getParameter(GL_ATTACHED_SHADERS), 1);
  EXPECT_EQ(program->get(2, written), 1);
  EXPECT_EQ(written[0], fragment->glID());

  MGLShader* typeless = newShader(0);
  program->attachShaderWithGLID(typeless->glID());
  EXPECT_EQ(errorCode(), static_cast<GLenum>(GL_INVALID_OPERATION));
  EXPECT_EQ(program->getParameter(GL_ATTACHED_SHADERS), 1);
}

TEST_F(ProgramTest, AProgramNeedsBothStagesCompiledAndKeepsItsLinkUntilRelinked) {
  MGLShaderProgram* program = newProgram();
  const std::string p = programName(program);
  MGLShader* vertex = compiledShader(GL_VERTEX_SHADER, kVertexMSL);
  program->attachShaderWithGLID(vertex->glID());
  link(program);
  EXPECT_EQ(program->infoLog(), "Shader program " + p + " has no compiled fragment shader.\n\nLink failed.");
  EXPECT_FALSE(program->isLinked());

  MGLShader* fragment = compiledShader(GL_FRAGMENT_SHADER, kFragmentMSL);
  program->attachShaderWithGLID(fragment->glID());
  link(program);
  ASSERT_TRUE(program->isLinked()) << program->infoLog();
  pipeline().setShaderProgram(program);
  EXPECT_EQ(pipeline().shaderProgram(), program);

  // A recompile that fails changes nothing until the next link.
  const auto before = program->fragmentMTLFunction();
  std::string broken = kFragmentMSL;
  broken.replace(broken.find("return"), 6, "retrun");
  setSource(fragment, broken, GL_SHADER_SOURCE_LANG_AUTO);
  fragment->compileWithContext(*context);
  ASSERT_FALSE(fragment->isCompiled());
  EXPECT_TRUE(program->isLinked());
  EXPECT_EQ(program->fragmentMTLFunction(), before);
  link(program);
  EXPECT_FALSE(program->isLinked());
  EXPECT_NE(program->infoLog().find("has no compiled fragment shader.\n\nLink failed."),
            std::string::npos);
  EXPECT_EQ(program->getParameter(GL_ACTIVE_UNIFORMS), 0);

  // A pipeline Metal refuses: the fragment reads what the vertex does not write.
  MGLShaderProgram* mismatched = linkedProgram(
      kPlainVertexMSL,
      "#include <metal_stdlib>\nusing namespace metal;\n"
      "struct In { float4 position [[position]]; float3 v_normal; };\n"
      "fragment float4 fragmentMain(In in [[stage_in]]) { return float4(in.v_normal, 1.0); }\n");
  EXPECT_EQ(mismatched->infoLog(),
            "Fragment input 'v_normal' is not written by the vertex function\n\nLink failed.");
}

TEST_F(ProgramTest, BoundAttributeLocationsHoldAcrossLinksAndNeverClash) {
  MGLShaderProgram* program = newProgram();
  program->attachShaderWithGLID(compiledShader(GL_VERTEX_SHADER, kVertexMSL)->glID());
  program->attachShaderWithGLID(compiledShader(GL_FRAGMENT_SHADER, kFragmentMSL)->glID());
  program->bindVertexAttributeNamed("a_texCoord", 0);
  link(program);
  ASSERT_TRUE(program->isLinked());
  // The attribute that had location 0 moves to the next free one.
  EXPECT_EQ(program->getLocationOfVertexAttributeNamed("a_texCoord"), 0);
  EXPECT_EQ(program->getLocationOfVertexAttributeNamed("a_position"), 1);
  link(program);
  EXPECT_EQ(program->getLocationOfVertexAttributeNamed("a_texCoord"), 0);

  // A location bound for the first attribute is the second's default: the
  // second takes the lowest free location instead.
  MGLShaderProgram* second = newProgram();
  second->attachShaderWithGLID(compiledShader(GL_VERTEX_SHADER, kVertexMSL)->glID());
  second->attachShaderWithGLID(compiledShader(GL_FRAGMENT_SHADER, kFragmentMSL)->glID());
  second->bindVertexAttributeNamed("a_position", 1);
  link(second);
  EXPECT_EQ(second->getLocationOfVertexAttributeNamed("a_position"), 1);
  EXPECT_EQ(second->getLocationOfVertexAttributeNamed("a_texCoord"), 0);

  // An attribute that gives up a bound location does not take one another
  // attribute holds: x bound to 2, y after it at 0, z bound to y's 1.
  MGLShaderProgram* three = newProgram();
  three->attachShaderWithGLID(
      compiledShader(GL_VERTEX_SHADER,
                     "#include <metal_stdlib>\nusing namespace metal;\n"
                     "struct In { float4 x [[attribute(0)]]; float4 y [[attribute(1)]]; "
                     "float4 z [[attribute(2)]]; };\n"
                     "struct Varyings { float4 position [[position]]; float2 v_texCoord; };\n"
                     "vertex Varyings vertexMain(In in [[stage_in]]) {\n"
                     "  Varyings out; out.position = in.x + in.y + in.z; out.v_texCoord = float2(0.0);\n"
                     "  return out;\n}\n")
          ->glID());
  three->attachShaderWithGLID(compiledShader(GL_FRAGMENT_SHADER, kPlainFragmentMSL)->glID());
  three->bindVertexAttributeNamed("x", 2);
  three->bindVertexAttributeNamed("z", 1);
  link(three);
  ASSERT_TRUE(three->isLinked()) << three->infoLog();
  EXPECT_EQ(three->getLocationOfVertexAttributeNamed("x"), 2);
  EXPECT_EQ(three->getLocationOfVertexAttributeNamed("y"), 0);
  EXPECT_EQ(three->getLocationOfVertexAttributeNamed("z"), 1);

  second->bindVertexAttributeNamed("a_position", 16);
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. Vertex attribute index 16 is out of range. A maximum of 16 vertex "
            "attributes are allowed.");

  // Equal maps are one layout object; the renderer sees the bindings.
  MGLShaderProgram* third = linkedProgram(kVertexMSL, kPlainFragmentMSL);
  EXPECT_NE(third->vertexAttributeLayout(), program->vertexAttributeLayout());
  EXPECT_NE(third->vertexAttributeLayout(), nullptr);
  MGLShaderProgram* fourth = linkedProgram(kVertexMSL, kFragmentMSL);
  EXPECT_EQ(fourth->vertexAttributeLayout(), third->vertexAttributeLayout());
  const auto* layout =
      static_cast<const MGLShaderProgramVertexAttributeLayout*>(program->vertexAttributeLayout());
  EXPECT_EQ(layout->mapSize(), 2u);
  EXPECT_EQ(layout->locationOfMetalIndex(0), 1);
  EXPECT_EQ(layout->locationOfMetalIndex(1), 0);
  EXPECT_EQ(layout->locationOfMetalIndex(2), -1);
  EXPECT_EQ(program->activeVertexAttributeCount(), 2u);
  EXPECT_EQ(program->activeVertexAttribute(1).location, 0);
  EXPECT_EQ(program->activeVertexAttribute(1).mtlIndex, 1);
}

TEST_F(ProgramTest, LayoutsMadeOnManyThreadsAreInternedOnce) {
  MGLShaderProgram* program = linkedProgram(kVertexMSL, kFragmentMSL);
  ASSERT_TRUE(program->isLinked());
  std::vector<const void*> found(8);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < found.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        found[t] = MGLShaderProgramVertexAttributeLayout::layoutFromShaderProgram(*program);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const void* layout : found) EXPECT_EQ(layout, program->vertexAttributeLayout());
}

TEST_F(ProgramTest, OnlyAttributesTheVertexFunctionReadsAreActiveAndIndicesStayBelowSixteen) {
  const std::string source =
      "#include <metal_stdlib>\nusing namespace metal;\n"
      "struct VertexIn { float4 a_unused [[attribute(2)]]; float4 a_far [[attribute(16)]]; "
      "float4 a_position [[attribute(5)]]; };\n"
      "struct Varyings { float4 position [[position]]; float2 v_texCoord; };\n"
      "vertex Varyings vertexMain(VertexIn in [[stage_in]]) {\n"
      "  Varyings out; out.position = in.a_position + in.a_far; out.v_texCoord = float2(0.0);\n"
      "  return out;\n}\n";
  MGLShaderProgram* program = linkedProgram(source, kPlainFragmentMSL);
  EXPECT_FALSE(program->isLinked());
  // Metal's own refusal follows.
  EXPECT_EQ(program->infoLog(),
            "Vertex attribute 'a_far' uses [[ attribute(16) ]]. A maximum of 16 vertex attributes "
            "are allowed.\n\nVertex attribute 'a_far' (16) has no format in the vertex "
            "descriptor\n\nLink failed.");
  EXPECT_EQ(program->getParameter(GL_ACTIVE_ATTRIBUTES), 1);
  const auto* layout =
      static_cast<const MGLShaderProgramVertexAttributeLayout*>(program->vertexAttributeLayout());
  EXPECT_EQ(layout->mapSize(), 6u);
  EXPECT_EQ(layout->locationOfMetalIndex(5), 0);

  const std::string fits =
      "#include <metal_stdlib>\nusing namespace metal;\n"
      "struct VertexIn { float4 a_unused [[attribute(2)]]; float4 a_position [[attribute(15)]]; };\n"
      "struct Varyings { float4 position [[position]]; float2 v_texCoord; };\n"
      "vertex Varyings vertexMain(VertexIn in [[stage_in]]) {\n"
      "  Varyings out; out.position = in.a_position; out.v_texCoord = float2(0.0);\n"
      "  return out;\n}\n";
  program = linkedProgram(fits, kPlainFragmentMSL);
  ASSERT_TRUE(program->isLinked()) << program->infoLog();
  EXPECT_EQ(program->getParameter(GL_ACTIVE_ATTRIBUTES), 1);
  EXPECT_EQ(program->getLocationOfVertexAttributeNamed("a_unused"), -1);
  EXPECT_EQ(program->getLocationOfVertexAttributeNamed("a_position"), 0);
}

TEST_F(ProgramTest, UniformsMustBeConstantAndAtBufferZero) {
  MGLShaderProgram* program =
      linkedProgram(kVertexMSL, fragmentWith("float4 u_tint;", "u.u_tint", "", 1));
  EXPECT_FALSE(program->isLinked());
  EXPECT_EQ(program->infoLog(),
            "Shader uniform 'u' cannot use [[ buffer(1) ]]. All non-texture shader uniform "
            "variables must use [[ buffer(0) ]].\n\nLink failed.");

  program = linkedProgram(kVertexMSL, fragmentWith("float4 u_tint;", "u.u_tint", "", 0, "device"));
  EXPECT_FALSE(program->isLinked());
  EXPECT_EQ(program->infoLog(),
            "Shader variable 'u' is incorrectly declared. Shader uniforms must be declared in the "
            "'constant' address space, and shader attributes must use the 'stage_in' "
            "qualifier.\n\nLink failed.");

  // A plain value at buffer 0 is a uniform named for the argument.
  program = linkedProgram(
      kVertexMSL,
      "#include <metal_stdlib>\nusing namespace metal;\n"
      "fragment float4 fragmentMain(constant float4& u_tint [[buffer(0)]]) { return u_tint; }\n");
  ASSERT_TRUE(program->isLinked()) << program->infoLog();
  MGLBufferShaderUniform* tint = buffer(program, "u_tint");
  ASSERT_TRUE(tint);
  EXPECT_EQ(tint->fragmentBufferOffset(), 0);
  EXPECT_EQ(tint->size(), 1);
  EXPECT_EQ(tint->baseLocation(), 1);
}

TEST_F(ProgramTest, TheDefaultProgramIsLinkedAndNamesAreTheirLastPart) {
  auto* zero = static_cast<MGLShaderProgram*>(context->shaderPrograms()->getObjectWithGLID(0));
  ASSERT_TRUE(zero);
  EXPECT_TRUE(zero->isLinked());
  EXPECT_EQ(zero->vertexMTLFunction(), nullptr);
  EXPECT_EQ(zero->getParameter(GL_ACTIVE_UNIFORMS), 0);
  EXPECT_EQ(zero->getParameter(GL_ACTIVE_UNIFORM_MAX_LENGTH), 0);
  EXPECT_FALSE(newProgram()->isLinked());
  EXPECT_EQ(MGLShaderProgram::localVariableName("u.light.color"), "color");
  EXPECT_EQ(MGLShaderProgram::localVariableName("color"), "color");
  EXPECT_EQ(MGLShaderProgram::localVariableName("u."), "");
}

}  // namespace
