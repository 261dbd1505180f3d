// The shader compiler's GLSL corpus through the GLSL-to-Metal converter and
// this front end: what converts must compile here, and what the pipeline's
// reflection makes of it (the names, GL types and stages the GL layer's
// linker derives) must be what glslangValidator's reflection of the GLSL
// pair lists. The validator knows nothing of either side.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "backend_harness.h"
#include "compile.h"
#include "glslang_oracle.h"
#include "gles/textures/state_conversion.h"
#include "platform/metal/device.h"
#include "requirements.h"
#include "shader_samples.h"
#include "shadercompiler/optimizer/glsl_to_msl_converter.h"
#include "shadercompiler/optimizer/shader_compiler.h"

namespace {

// A variable of a program's interface: its GL type and the stages that use
// it, as glslangValidator writes them (1 vertex, 16 fragment; it reports a
// uniform the vertex shader uses with 17 whatever the fragment shader does).
struct variable {
  unsigned type = 0;
  unsigned stages = 0;
  bool operator==(const variable &o) const { return type == o.type && stages == o.stages; }
};
using variables = std::map<std::string, variable>;

struct interface {
  variables uniforms;
  variables attributes;
};

// Array elements are named by index on one side and whole on the other
// ("ss[1].x" against every element of ss): compare them as "ss[].x".
std::string without_indices(const std::string &name) {
  std::string out;
  for (size_t i = 0; i < name.size(); i++) {
    out += name[i];
    if (name[i] == '[')
      while (i + 1 < name.size() && std::isdigit(static_cast<unsigned char>(name[i + 1]))) i++;
  }
  return out;
}

// "tex_2_", element 2 of the sampler array tex, is "tex".
std::string sampler_name(const std::string &texture) {
  if (texture.size() < 4 || texture.back() != '_') return texture;
  size_t digits = texture.size() - 1;
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(texture[digits - 1]))) digits--;
  if (digits == texture.size() - 1 || digits < 2 || texture[digits - 1] != '_') return texture;
  return texture.substr(0, digits - 1);
}

void add(variables &into, const std::string &name, unsigned type, unsigned stages) {
  variable &v = into[without_indices(name)];
  v.type = type;
  v.stages |= stages;
}

// The GL layer names a non-square matrix (GLSL 1.20) by the type of its
// columns, as its MTLDataType mapping does; ES has none.
unsigned as_the_layer_names(unsigned gl_type) {
  switch (gl_type) {
    case 0x8B65: case 0x8B6A: return 0x8B51;  // mat2x3, mat4x3: vec3
    case 0x8B66: case 0x8B68: return 0x8B52;  // mat2x4, mat3x4: vec4
    case 0x8B67: case 0x8B69: return 0x8B50;  // mat3x2, mat4x2: vec2
    default: return gl_type;
  }
}

// "name: offset -1, type 8b5c, size 1, index -1, binding -1, stages 17".
// Built-in uniforms (gl_DepthRange) are left out: the converter makes the
// depth range a constant.
interface parse_reflection(const std::string &text) {
  interface result;
  variables *section = nullptr;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line == "Uniform reflection:") section = &result.uniforms;
    else if (line == "Pipeline input reflection:") section = &result.attributes;
    else if (line.find("reflection:") != std::string::npos) section = nullptr;
    if (section == nullptr || line.find(": offset") == std::string::npos) continue;
    const std::string name = line.substr(0, line.find(": offset"));
    const size_t type = line.find(", type ");
    const size_t stages = line.find(", stages ");
    if (type == std::string::npos || stages == std::string::npos) continue;
    if (section == &result.uniforms && name.rfind("gl_", 0) == 0) continue;
    add(*section, name, as_the_layer_names(std::stoul(line.substr(type + 7), nullptr, 16)),
        std::stoul(line.substr(stages + 9)));
  }
  return result;
}

// Members of the uniform structure as the GL layer names them: fields of
// structures after a dot, elements of arrays of structures by index.
void flatten(variables &into, const std::string &name, mtl::DataType type,
             const mtl::StructType *fields, const mtl::ArrayType *array, unsigned stages) {
  if (array != nullptr) {
    if (array->elementType == mtl::DataType::Struct || array->elementType == mtl::DataType::Array) {
      for (mtl::NSUInteger k = 0; k < array->arrayLength; k++)
        flatten(into, name + "[" + std::to_string(k) + "]", array->elementType,
                array->elementStructType.get(), array->elementArrayType.get(), stages);
      return;
    }
    add(into, name, mglGLTypeOfMTLDataType(array->elementType), stages);
    return;
  }
  if (fields != nullptr) {
    for (const mtl::StructMember &m : fields->members)
      flatten(into, name.empty() ? m.name : name + "." + m.name, m.dataType, m.structType.get(),
              m.arrayType.get(), stages);
    return;
  }
  add(into, name, mglGLTypeOfMTLDataType(type), stages);
}

void add_arguments(interface &into, const std::vector<mtl::Argument> &arguments, bool vertex) {
  const unsigned stages = vertex ? 17 : 16;
  for (const mtl::Argument &a : arguments) {
    if (!a.active) continue;
    if (a.type == mtl::ArgumentType::Buffer && a.name == "gl_uniforms") {
      flatten(into.uniforms, "", mtl::DataType::Struct, a.bufferStructType.get(), nullptr, stages);
      // The render target's height for gl_FragCoord is the layer's, no
      // uniform of the shader's.
      into.uniforms.erase(kMGLTargetHeightUniform);
    } else if (a.type == mtl::ArgumentType::Texture) {
      add(into.uniforms, sampler_name(a.name), mglGLSamplerTypeOfMTLTextureType(a.textureType), stages);
    }
  }
}

std::string describe(const variables &vs) {
  std::ostringstream out;
  for (const auto &[name, v] : vs) out << " " << name << " (" << std::hex << v.type << std::dec << ", " << v.stages << ")";
  return out.str();
}

// The "#version" line of the text, or nothing.
std::string version_line(const std::string &text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') continue;
    i = line.find_first_not_of(" \t", i + 1);
    if (i != std::string::npos && line.compare(i, 7, "version") == 0) return line + "\n";
  }
  return "";
}

bool is_es(const std::string &version) {
  return version.find("100") != std::string::npos || version.find(" es") != std::string::npos;
}

// The other half of a program for a corpus shader: a fragment shader that
// writes a colour, or a vertex shader that declares every varying the
// fragment shader has, with its type (Metal links outputs to inputs by name
// and type).
std::optional<std::string> partner(const std::string &text, gl_shader_stage stage) {
  const std::string version = version_line(text);
  if (stage == SHC_SHADER_VERTEX)
    return version + (is_es(version) ? "precision mediump float;\n" : "") +
           "void main() { gl_FragColor = vec4(1.0); }\n";
  shctest::shader_ptr shader = shctest::compile(text, stage);
  if (!shader || !shader->CompileStatus || shader->ir == nullptr) return std::nullopt;
  std::string declarations;
  foreach_in_list(ir_instruction, ir, shader->ir) {
    const ir_variable *var = ir->as_variable();
    if (var == nullptr || var->data.mode != ir_var_shader_in || var->name == nullptr ||
        std::string(var->name).rfind("gl_", 0) == 0)
      continue;
    const glsl_type *t = var->type;
    std::string suffix;
    if (t->is_array()) {
      suffix = "[" + std::to_string(t->length) + "]";
      t = t->fields.array;
    }
    declarations += std::string(var->data.invariant ? "invariant " : "") + "varying " + t->name +
                    " " + var->name + suffix + ";\n";
  }
  return version + declarations + "void main() { gl_Position = vec4(0.0); }\n";
}

struct converted {
  bool ok = false;
  std::string metal, glsl, log;
};

converted convert(const std::string &text, gl_shader_stage stage, const char *name) {
  shc_ctx *ctx = shc_create_context(true);
  shc_result r;
  converted c;
  c.ok = shc_convert(ctx, stage, text.c_str(), 1, name, &r);
  shc_destroy_context(ctx);
  c.metal = r.metal;
  c.glsl = r.glsl;
  c.log = r.log;
  return c;
}

// One corpus shader with its partner, both converted.
struct program_case {
  std::string name;
  shctest::oracle_pair glsl;
  converted vertex, fragment;
};

// The pipeline the GL layer's linker builds (16 float4 attributes) and its
// interface as the linker reads it; errors go to `error`.
std::optional<interface> reflect(mtl::Device &device, const program_case &p, std::string *error) {
  mtl::RenderPipelineDescriptor d = mtl::msl::test::linkerDescriptor();
  for (const converted *c : {&p.vertex, &p.fragment}) {
    std::optional<mtl::Error> e;
    auto library = device.newLibraryWithSource(c->metal, {}, &e);
    if (!library) {
      *error = "does not compile: " + (e ? e->localizedDescription : std::string()) + "\n" + c->metal;
      return std::nullopt;
    }
    (c == &p.vertex ? d.vertexFunction : d.fragmentFunction) =
        library->newFunctionWithName(c == &p.vertex ? "vs" : "fs");
  }
  mtl::RenderPipelineReflection r;
  std::optional<mtl::Error> e;
  auto state = device.newRenderPipelineState(d, mtl::PipelineOptionBufferTypeInfo, &r, &e);
  if (!state) {
    *error = "does not link: " + (e ? e->localizedDescription : std::string()) + "\n" +
             p.vertex.metal + p.fragment.metal;
    return std::nullopt;
  }
  interface result;
  for (const mtl::VertexAttribute &a : d.vertexFunction->vertexAttributes())
    if (a.active) add(result.attributes, a.name, mglGLTypeOfMTLDataType(a.attributeType), 1);
  add_arguments(result, r.vertexArguments, true);
  add_arguments(result, r.fragmentArguments, false);
  return result;
}

// Whether `smaller` lists only variables of `larger`, with their types.
bool within(const variables &smaller, const variables &larger) {
  for (const auto &[name, v] : smaller) {
    auto it = larger.find(name);
    if (it == larger.end() || it->second.type != v.type) return false;
  }
  return true;
}

std::string top_level(const std::string &name) {
  return name.substr(0, name.find_first_of(".["));
}

// Whether our uniforms are the validator's: each of its own with its type
// and stages; besides those only other fields of a structure it lists (the
// uniform structure holds a structure whole, and the GL layer lists every
// field of it).
bool same_uniforms(const variables &ours, const variables &theirs) {
  std::set<std::string> structures;
  for (const auto &[name, v] : theirs)
    if (name.find('.') != std::string::npos) structures.insert(top_level(name));
  for (const auto &[name, v] : theirs) {
    auto it = ours.find(name);
    if (it == ours.end() || !(it->second == v)) return false;
  }
  for (const auto &[name, v] : ours)
    if (!theirs.count(name) && (name.find('.') == std::string::npos || !structures.count(top_level(name))))
      return false;
  return true;
}

TEST(ConvertedCorpus, CompilesHereWithTheInterfaceGlslangReflects) {
  if (!tessaly::test::programInstalled("glslangValidator"))
    TESSALY_SKIP_OR_FAIL("glslangValidator is not installed");
  // Every shader once in the full sweep (TESSALY_FULL_SWEEP), else a fixed
  // sample.
  std::vector<program_case> cases;
  unsigned refused = 0, no_partner = 0;
  for (const shctest::corpus_case &c : shctest::valid_corpus(shctest::sweep_step(12))) {
    // The converter supplies "#version 120" to a text without a directive;
    // the validator is given the same.
    const std::string text = !version_line(c.text).empty() ? c.text : "#version 120\n" + c.text;
    const std::optional<std::string> other = partner(text, c.stage);
    if (!other) {
      no_partner++;
      continue;
    }
    program_case p;
    p.name = c.name;
    const bool vertex = c.stage == SHC_SHADER_VERTEX;
    p.glsl = vertex ? shctest::oracle_pair{text, *other} : shctest::oracle_pair{*other, text};
    p.vertex = convert(p.glsl.vertex, SHC_SHADER_VERTEX, "vs");
    p.fragment = convert(p.glsl.fragment, SHC_SHADER_FRAGMENT, "fs");
    ASSERT_TRUE((vertex ? p.fragment : p.vertex).ok)
        << c.name << ": the partner does not convert\n" << *other << (vertex ? p.fragment : p.vertex).log;
    if (!p.vertex.ok || !p.fragment.ok) {
      refused++;  // the converter's refusals are checked by its own tests
      continue;
    }
    cases.push_back(std::move(p));
  }
  std::vector<shctest::oracle_pair> pairs;
  for (const program_case &p : cases) pairs.push_back(p.glsl);
  const std::string limits = shctest::glslang_limits(shctest::default_context());
  const std::vector<std::optional<std::string>> theirs = shctest::glslang_reflect(pairs, limits);

  // Where the lists differ, the validator's reflection of the optimised GLSL
  // the converter printed tells whether the optimiser removed the use (the
  // validator keeps uses in code whose result is never read).
  std::vector<size_t> differing;
  std::vector<std::optional<interface>> ours(cases.size());
  auto device = mtl::Device::create();
  unsigned compared = 0, not_linked_by_glslang = 0;
  for (size_t i = 0; i < cases.size(); i++) {
    std::string error;
    ours[i] = reflect(*device, cases[i], &error);
    ASSERT_TRUE(ours[i].has_value()) << cases[i].name << " " << error;
    if (!theirs[i]) {
      // Mostly words glslang reserves that GLSL 1.10 and 1.20 leave free;
      // TESSALY_SHOW_UNLINKED=1 lists them.
      if (std::getenv("TESSALY_SHOW_UNLINKED")) std::cout << cases[i].name << "\n";
      not_linked_by_glslang++;
      continue;
    }
    compared++;
    const interface expected = parse_reflection(*theirs[i]);
    if (!same_uniforms(ours[i]->uniforms, expected.uniforms) ||
        ours[i]->attributes != expected.attributes)
      differing.push_back(i);
  }
  std::vector<shctest::oracle_pair> optimised;
  for (size_t i : differing) optimised.push_back({cases[i].vertex.glsl, cases[i].fragment.glsl});
  const std::vector<std::optional<std::string>> theirs_optimised =
      shctest::glslang_reflect(optimised, limits);
  for (size_t k = 0; k < differing.size(); k++) {
    const size_t i = differing[k];
    const interface original = parse_reflection(*theirs[i]);
    ASSERT_TRUE(theirs_optimised[k].has_value())
        << cases[i].name << ": the validator refuses the printed GLSL\n"
        << cases[i].vertex.glsl << cases[i].fragment.glsl;
    const interface after = parse_reflection(*theirs_optimised[k]);
    EXPECT_TRUE(same_uniforms(ours[i]->uniforms, after.uniforms) &&
                within(after.uniforms, original.uniforms))
        << cases[i].name << "\n  ours:" << describe(ours[i]->uniforms)
        << "\n  glslang:" << describe(original.uniforms)
        << "\n  glslang after optimisation:" << describe(after.uniforms) << "\n"
        << cases[i].glsl.vertex << cases[i].glsl.fragment;
    EXPECT_TRUE(ours[i]->attributes == after.attributes &&
                within(after.attributes, original.attributes))
        << cases[i].name << "\n  ours:" << describe(ours[i]->attributes)
        << "\n  glslang:" << describe(original.attributes)
        << "\n  glslang after optimisation:" << describe(after.attributes) << "\n"
        << cases[i].glsl.vertex << cases[i].glsl.fragment;
  }
  std::cout << "[ statistics ] " << cases.size() << " programs compiled and linked here, "
            << compared << " compared with glslang (" << differing.size()
            << " only after the optimiser's removals), " << not_linked_by_glslang
            << " pairs glslang does not link, " << refused << " refused by the converter, "
            << no_partner << " without a partner\n";
  EXPECT_GT(compared, 100u);
  EXPECT_LT(not_linked_by_glslang, cases.size() / 10);
}

}  // namespace
