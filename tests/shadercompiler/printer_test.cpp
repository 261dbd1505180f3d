// The printers. GLSL: every valid shader, optimised and printed, passes
// glslangValidator and compiles again to IR that computes the same bits.
// Metal: what the printer writes, compiled and run by the software Metal
// front end's reference interpreter, computes what the IR it was printed
// from computes. And the subset document stays true to the printer.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "backend_harness.h"
#include "compile.h"
#include "glslang_oracle.h"
#include "platform/metal/msl/builtins.h"
#include "platform/metal/msl/compiler.h"
#include "platform/metal/msl/reference_interpreter.h"
#include "requirements.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/optimizer/glsl_to_msl_converter.h"
#include "shadercompiler/optimizer/ir_optimization.h"
#include "shadercompiler/optimizer/ir_print_glsl.h"
#include "shadercompiler/optimizer/metal_conversion.h"
#include "shadercompiler/optimizer/printer_support.h"
#include "shadercompiler/optimizer/shader_compiler.h"

namespace {

// The limits the converter compiles with.
const gl_context &converter_context() {
  static shc_ctx *ctx = shc_create_context(true);
  return *shc_gl_context(ctx);
}

std::string glsl_of(gl_shader *s) {
  glsl_print_options o;
  o.version = s->Version;
  o.is_es = s->IsES;
  o.stage = s->Stage;
  return ir_print_glsl(s->ir, o);
}

// ------------------------------------------------------------ GLSL

TEST(GlslPrinter, OptimisedShadersPassTheValidatorAndComputeTheSameAgain) {
  if (!tessaly::test::programInstalled("glslangValidator"))
    TESSALY_SKIP_OR_FAIL("glslangValidator is not installed");
  const std::vector<shctest::corpus_case> cases = shctest::valid_corpus(shctest::sweep_step(8));
  struct printed {
    std::string name;
    gl_shader_stage stage;
    std::string text;
    std::vector<shctest::input_values> inputs;
    std::vector<shctest::outcome> results;
  };
  std::vector<printed> shaders;
  for (const shctest::corpus_case &c : cases) {
    shctest::shader_ptr s = shctest::compile(c.text, c.stage, converter_context());
    if (!s->CompileStatus) continue;
    std::string error;
    ASSERT_TRUE(optimize_shader(s->ir, &error)) << c.name;
    printed p{c.name, c.stage, glsl_of(s.get()), {}, {}};
    if (shctest::interpretable(s->ir)) {
      for (unsigned seed = 1; seed <= 2; seed++) {
        p.inputs.push_back(shctest::inputs_for(s->ir, seed));
        p.results.push_back(shctest::interpret(s->ir, p.inputs.back()));
      }
    }
    shaders.push_back(std::move(p));
  }
  std::vector<shctest::oracle_shader> oracle;
  for (size_t i = 0; i < shaders.size(); i++)
    oracle.push_back({"p" + std::to_string(i) + (shaders[i].stage == SHC_SHADER_VERTEX ? ".vert" : ".frag"),
                      shaders[i].text});
  const std::vector<shctest::oracle_verdict> verdicts =
      shctest::glslang_validate(oracle, shctest::glslang_limits(converter_context()));
  unsigned compared = 0;
  for (size_t i = 0; i < shaders.size(); i++) {
    const printed &p = shaders[i];
    EXPECT_TRUE(verdicts[i].accepted) << p.name << "\n" << verdicts[i].messages << p.text;
    shctest::shader_ptr again = shctest::compile(p.text, p.stage, converter_context());
    ASSERT_TRUE(again->CompileStatus) << p.name << "\n" << again->InfoLog << p.text;
    for (size_t k = 0; k < p.inputs.size(); k++) {
      if (!p.results[k].ran) continue;
      EXPECT_EQ(shctest::compare_bits(p.results[k], shctest::interpret(again->ir, p.inputs[k])), "")
          << p.name << "\n" << p.text;
      compared++;
    }
  }
  std::cout << "[ statistics ] " << shaders.size() << " shaders printed and validated, "
            << compared << " runs compared\n";
  EXPECT_GT(shaders.size(), 500u);
  EXPECT_GT(compared, shaders.size());
}

TEST(GlslPrinter, LiteralsReadBackExactly) {
  for (float f : {0.1f, 1.0f / 3.0f, 16777216.0f, 3.4028235e38f, 1.17549435e-38f, 1e-45f, 100.0f,
                  2.5e-7f, 123456.789f}) {
    const std::string text = print_float_literal(f);
    EXPECT_NE(text.find('.'), std::string::npos) << text;
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
  }
  EXPECT_EQ(print_float_literal(1.0f), "1.0");
  EXPECT_EQ(print_float_literal(0.5f), "0.5");
  EXPECT_EQ(print_float_literal(1e10f), "1.0e+10");
}

TEST(GlslPrinter, ParenthesesOnlyWhereTheyChangeTheMeaning) {
  shctest::shader_ptr s = shctest::compile(
      "#version 100\n"
      "uniform float a, b, c;\n"
      "uniform bool p, q, r;\n"
      "void main() {\n"
      "  float x = a - (b - c) + (a - b) - c * (a + b) / (c * a);\n"
      "  bool y = p && q || r && !(p || q) && (a < b) == (b < c);\n"
      "  gl_Position = vec4(x, -(-a), y ? 1.0 : 0.0, -a * -b);\n"
      "}\n",
      SHC_SHADER_VERTEX);
  ASSERT_TRUE(s->CompileStatus) << s->InfoLog;
  const std::string glsl = glsl_of(s.get());
  EXPECT_NE(glsl.find("a - (b - c) + (a - b) - c * (a + b) / (c * a)"), std::string::npos) << glsl;
  EXPECT_NE(glsl.find("(p && q) || (r && !(p || q) && (a < b) == (b < c))"), std::string::npos)
      << glsl;
  EXPECT_NE(glsl.find("-(-a)"), std::string::npos) << glsl;
  EXPECT_NE(glsl.find("-a * -b"), std::string::npos) << glsl;
}

// ------------------------------------------------------------ Metal

// A shader ready for the Metal printer, and its Metal.
struct converted_ir {
  shctest::shader_ptr shader;
  std::string metal;
  std::vector<std::string> refusals;
};

converted_ir convert_ir(const std::string &text, gl_shader_stage stage) {
  converted_ir c;
  c.shader = shctest::compile(text, stage, converter_context());
  if (!c.shader->CompileStatus) return c;
  std::string error;
  if (!optimize_shader(c.shader->ir, &error)) {
    c.refusals.push_back(error);
    return c;
  }
  apply_metal_rewrites(c.shader->ir, stage, true);
  optimize_to_fixed_point(c.shader->ir);
  c.refusals = metal_refusals(c.shader->ir, stage);
  if (!c.refusals.empty()) return c;
  lower_for_metal(c.shader->ir, stage);
  c.metal = ir_print_metal(c.shader->ir, {stage, "main0"});
  return c;
}

// Metal's layout of a GLSL type, as the subset document gives it.
struct layout {
  unsigned size, alignment;
};

layout metal_layout(const glsl_type *t) {
  if (t->is_array()) {
    const layout e = metal_layout(t->fields.array);
    return {e.size * t->length, e.alignment};
  }
  if (t->is_record()) {
    unsigned offset = 0, alignment = 1;
    for (unsigned i = 0; i < t->length; i++) {
      const layout f = metal_layout(t->fields.structure[i].type);
      offset = (offset + f.alignment - 1) / f.alignment * f.alignment + f.size;
      alignment = std::max(alignment, f.alignment);
    }
    return {(offset + alignment - 1) / alignment * alignment, alignment};
  }
  const unsigned scalar = t->is_boolean() ? 1 : 4;
  const unsigned rows = t->vector_elements;
  const unsigned column = scalar * (rows == 3 ? 4 : rows);
  return {column * t->matrix_columns, column};
}

// Writes the flattened value (as the test interpreter orders it) into
// Metal's layout at `offset`.
void write_value(const glsl_type *t, std::vector<uint8_t> &bytes, unsigned offset,
                 const std::vector<double> &values, size_t &at) {
  if (t->is_array()) {
    const layout e = metal_layout(t->fields.array);
    for (unsigned i = 0; i < t->length; i++) write_value(t->fields.array, bytes, offset + i * e.size, values, at);
    return;
  }
  if (t->is_record()) {
    unsigned field_offset = 0;
    for (unsigned i = 0; i < t->length; i++) {
      const glsl_type *f = t->fields.structure[i].type;
      const layout l = metal_layout(f);
      field_offset = (field_offset + l.alignment - 1) / l.alignment * l.alignment;
      write_value(f, bytes, offset + field_offset, values, at);
      field_offset += l.size;
    }
    return;
  }
  const layout l = metal_layout(t->column_type());
  for (unsigned c = 0; c < t->matrix_columns; c++) {
    for (unsigned r = 0; r < t->vector_elements; r++) {
      const double v = values.at(at++);
      if (t->is_boolean()) {
        bytes.at(offset + c * l.size + r) = v != 0.0;
        continue;
      }
      uint32_t bits = t->is_float() ? std::bit_cast<uint32_t>(float(v)) : uint32_t(int32_t(v));
      std::memcpy(&bytes.at(offset + c * l.size + 4 * r), &bits, 4);
    }
  }
}

// Texels from the coordinate, the same function as the test
// interpreter's default.
class texel_hooks : public mtl::msl::ExecutionHooks {
 public:
  void sample(const mtl::msl::Instruction &i, const mtl::msl::Register &coordinate,
              const mtl::msl::Register &first, const mtl::msl::Register &,
              mtl::msl::Register &out) override {
    const auto option = static_cast<mtl::msl::SampleOption>(i.sampleOption);
    const bool cube = static_cast<mtl::msl::TextureShape>(i.stride) == mtl::msl::TextureShape::TextureCube;
    const float x = std::bit_cast<float>(coordinate[0]), y = std::bit_cast<float>(coordinate[1]);
    const float z = cube ? std::bit_cast<float>(coordinate[2]) : 0.0f;
    const float lod = option == mtl::msl::SampleOption::Bias || option == mtl::msl::SampleOption::Level
                          ? std::bit_cast<float>(first[0])
                          : 0.0f;
    const float texel[4] = {x / 2 + 0.25f, y / 4 + 0.5f, z / 8 + lod / 16, 1.0f};
    for (unsigned c = 0; c < 4; c++) out[c] = std::bit_cast<uint32_t>(texel[c]);
  }
};

struct metal_outcome {
  bool discarded = false;
  std::map<std::string, std::vector<double>> outputs;
};

// The part of a split varying that member gl_<name>_<k> carries.
bool split_member(const std::string &member, const shctest::input_values &values, const glsl_type **,
                  std::vector<double> *part, exec_list *ir) {
  if (member.rfind("gl_", 0) != 0) return false;
  const size_t last = member.rfind('_');
  const std::string name = member.substr(3, last - 3);
  const unsigned k = std::stoul(member.substr(last + 1));
  foreach_in_list(ir_instruction, node, ir) {
    ir_variable *var = node->as_variable();
    if (var == nullptr || var->name == nullptr || name != var->name) continue;
    const glsl_type *element = var->type->is_array() ? var->type->fields.array : var->type;
    const unsigned rows = element->vector_elements;
    for (const auto &[n, v] : values) {
      if (n != name) continue;
      part->assign(v.begin() + k * rows, v.begin() + (k + 1) * rows);
      return true;
    }
  }
  return false;
}

// The render target's height a converted shader reading gl_FragCoord is
// given, here for the corpus's window positions.
constexpr double kTargetHeight = 64;

metal_outcome run_metal(const converted_ir &c, gl_shader_stage stage,
                        const shctest::input_values &inputs, std::string *error) {
  metal_outcome o;
  mtl::msl::CompileResult compiled = mtl::msl::compile(c.metal);
  if (!compiled.ok() || compiled.functions.empty()) {
    *error = compiled.errors;
    return o;
  }
  const mtl::msl::CompiledFunction &f = *compiled.functions[0];
  mtl::msl::Invocation invocation = mtl::msl::prepareInvocation(f);
  auto value_of = [&](const std::string &name) -> const std::vector<double> * {
    for (const auto &[n, v] : inputs)
      if (n == name) return &v;
    return nullptr;
  };
  for (const mtl::msl::InterfaceValue &input : f.inputs) {
    std::vector<double> v;
    std::string name = input.name;
    if (input.kind == mtl::msl::InterfaceKind::Position) name = "gl_FragCoord";
    if (input.kind == mtl::msl::InterfaceKind::FrontFacing) name = "gl_FrontFacing";
    if (input.kind == mtl::msl::InterfaceKind::PointCoord) name = "gl_PointCoord";
    if (const std::vector<double> *found = value_of(name)) v = *found;
    else if (!split_member(input.name, inputs, nullptr, &v, c.shader->ir)) continue;
    // Metal's window rows run from the top of the target.
    if (input.kind == mtl::msl::InterfaceKind::Position && v.size() > 1) v[1] = kTargetHeight - v[1];
    mtl::msl::Register r{};
    for (size_t i = 0; i < v.size() && i < 4; i++)
      r[i] = input.scalar == mtl::msl::Scalar::Float ? std::bit_cast<uint32_t>(float(v[i]))
                                                     : uint32_t(int32_t(v[i]));
    mtl::msl::setInput(invocation, input, r);
  }
  // The uniform buffer, laid out from the document's rules; the members'
  // order is the uniforms' declaration order.
  std::vector<uint8_t> uniforms(65536, 0);
  unsigned offset = 0;
  foreach_in_list(ir_instruction, node, c.shader->ir) {
    ir_variable *var = node->as_variable();
    if (var == nullptr || var->data.mode != ir_var_uniform || var->type->contains_opaque()) continue;
    if (c.metal.find("gl_uniforms." + std::string(var->name)) == std::string::npos) continue;
    const layout l = metal_layout(var->type);
    offset = (offset + l.alignment - 1) / l.alignment * l.alignment;
    if (const std::vector<double> *v = value_of(var->name)) {
      size_t at = 0;
      write_value(var->type, uniforms, offset, *v, at);
    }
    offset += l.size;
  }
  if (c.metal.find(std::string("gl_uniforms.") + kMGLTargetHeightUniform) != std::string::npos) {
    const float height = kTargetHeight;
    std::memcpy(uniforms.data() + (offset + 3) / 4 * 4, &height, sizeof height);
  }
  std::vector<mtl::msl::BufferView> buffers = {{uniforms.data(), uniforms.size(), false}};
  texel_hooks hooks;
  mtl::msl::interpret(f, invocation, buffers, &hooks, 1u << 24);
  o.discarded = invocation.discarded;
  for (const mtl::msl::InterfaceValue &out : f.outputs) {
    const mtl::msl::Register r = mtl::msl::output(invocation, out);
    std::vector<double> v;
    for (unsigned i = 0; i < out.components; i++) v.push_back(std::bit_cast<float>(r[i]));
    std::string name = out.name;
    if (out.kind == mtl::msl::InterfaceKind::Position) name = "gl_Position";
    if (out.kind == mtl::msl::InterfaceKind::PointSize) name = "gl_PointSize";
    if (out.kind == mtl::msl::InterfaceKind::Color) name = "gl_FragColor";
    o.outputs[name] = v;
  }
  (void)stage;
  return o;
}

// The IR's outputs as the Metal function's: split varyings by part,
// gl_FragData[0] as the colour.
std::map<std::string, std::vector<double>> as_metal_outputs(const shctest::outcome &ir,
                                                            exec_list *instructions) {
  std::map<std::string, std::vector<double>> out;
  for (const auto &[name, values] : ir.outputs) {
    ir_variable *var = nullptr;
    foreach_in_list(ir_instruction, node, instructions) {
      ir_variable *v = node->as_variable();
      if (v != nullptr && v->name != nullptr && name == v->name) var = v;
    }
    if (name == "gl_FragData") {
      out["gl_FragColor"] = std::vector<double>(values.begin(), values.begin() + 4);
    } else if (var != nullptr && (var->type->is_matrix() || var->type->is_array())) {
      const glsl_type *element = var->type->is_array() ? var->type->fields.array : var->type;
      const unsigned rows = element->vector_elements;
      for (unsigned k = 0; k * rows < values.size(); k++)
        out["gl_" + name + "_" + std::to_string(k)] =
            std::vector<double>(values.begin() + k * rows, values.begin() + (k + 1) * rows);
    } else {
      out[name] = values;
    }
  }
  return out;
}

std::string describe(const shctest::input_values &inputs) {
  std::string text;
  for (const auto &[name, values] : inputs) {
    text += name + " =";
    for (double v : values) text += " " + std::to_string(v);
    text += "\n";
  }
  return text;
}

TEST(MetalPrinter, ConvertedShadersComputeWhatTheirIRComputes) {
  const std::vector<shctest::corpus_case> cases = shctest::valid_corpus(shctest::sweep_step(8));
  unsigned shaders = 0, runs = 0;
  for (const shctest::corpus_case &c : cases) {
    converted_ir converted = convert_ir(c.text, c.stage);
    if (converted.metal.empty() || !shctest::interpretable(converted.shader->ir)) continue;
    shaders++;
    for (unsigned seed = 1; seed <= 2; seed++) {
      const shctest::input_values inputs = shctest::inputs_for(converted.shader->ir, seed);
      const shctest::outcome ir = shctest::interpret(converted.shader->ir, inputs);
      if (!ir.ran) continue;
      std::string error;
      const metal_outcome metal = run_metal(converted, c.stage, inputs, &error);
      ASSERT_EQ(error, "") << c.name << "\n" << converted.metal;
      ASSERT_EQ(metal.discarded, ir.discarded) << c.name;
      if (ir.discarded) continue;
      for (const auto &[name, expected] : as_metal_outputs(ir, converted.shader->ir)) {
        auto it = metal.outputs.find(name);
        if (name == "gl_PointSize" && it == metal.outputs.end()) continue;
        ASSERT_NE(it, metal.outputs.end()) << c.name << ": " << name << "\n" << converted.metal;
        ASSERT_EQ(it->second.size(), expected.size()) << c.name << ": " << name;
        for (size_t i = 0; i < expected.size(); i++) {
          const double a = expected[i], b = it->second[i];
          if (std::isnan(a) && std::isnan(b)) continue;
          // Metal's functions are computed in double and rounded once; the
          // IR's in float: they may differ in the last places.
          EXPECT_LE(std::fabs(a - b), 1e-4 * std::max({1.0, std::fabs(a), std::fabs(b)}))
              << c.name << ": " << name << "[" << i << "] " << a << " vs " << b << "\n"
              << describe(inputs) << glsl_of(converted.shader.get()) << converted.metal;
        }
      }
      runs++;
    }
  }
  std::cout << "[ statistics ] " << shaders << " shaders in Metal, " << runs
            << " runs against the IR\n";
  EXPECT_GT(shaders, 400u);
  EXPECT_GT(runs, shaders);
}

// ------------------------------------------------------------ the document

std::string subset_document() {
  const char *root = std::getenv("TESSALY_SOURCE_DIR");
  std::ifstream in(std::string(root != nullptr ? root : ".") +
                   "/shadercompiler/optimizer/metal_subset.md");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> fenced_words(const std::string &document, const std::string &fence) {
  std::set<std::string> words;
  const size_t begin = document.find("```" + fence + "\n");
  if (begin == std::string::npos) return words;
  const size_t end = document.find("```", begin + 3);
  std::istringstream in(document.substr(begin + fence.size() + 4, end - begin - fence.size() - 4));
  std::string word;
  while (in >> word) words.insert(word);
  return words;
}

bool identifier_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool identifier_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The identifiers of a text; digits after a decimal point ("1.0e+10") and
// swizzles are none.
std::set<std::string> identifiers(const std::string &text) {
  std::set<std::string> words;
  for (size_t i = 0; i < text.size();) {
    if (!identifier_start(text[i]) || (i > 0 && identifier_char(text[i - 1]))) {
      i++;
      continue;
    }
    size_t end = i;
    while (end < text.size() && identifier_char(text[end])) end++;
    const std::string word = text.substr(i, end - i);
    const bool swizzle = i > 0 && text[i - 1] == '.' && word.find_first_not_of("xyzw") == std::string::npos;
    if (!swizzle) words.insert(word);
    i = end;
  }
  return words;
}

// The sampler array's name when the word is an element: <name>_<i>_.
std::string sampler_element_of(const std::string &word) {
  if (word.size() < 4 || word.back() != '_') return "";
  size_t digits = word.size() - 1;
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(word[digits - 1]))) digits--;
  if (digits == word.size() - 1 || digits < 2 || word[digits - 1] != '_') return "";
  return word.substr(0, digits - 1);
}

TEST(MetalSubset, TheDocumentListsEveryWordThePrinterWritesAndNoOther) {
  const std::string document = subset_document();
  const std::set<std::string> listed = fenced_words(document, "words");
  ASSERT_GT(listed.size(), 50u);
  std::set<std::string> used;
  unsigned printed = 0;
  for (const shctest::corpus_case &c : shctest::valid_corpus(shctest::sweep_step(4))) {
    converted_ir converted = convert_ir(c.text, c.stage);
    if (converted.metal.empty()) continue;
    printed++;
    const std::set<std::string> own = identifiers(c.text);
    for (const std::string &word : identifiers(converted.metal)) {
      if (listed.count(word)) {
        used.insert(word);
        continue;
      }
      if (word.rfind("gl_", 0) == 0 || own.count(word) || word == "main0") continue;
      if (own.count(sampler_element_of(word))) continue;
      ADD_FAILURE() << "'" << word << "' in " << c.name << " is not in the document\n"
                    << converted.metal;
    }
  }
  EXPECT_GT(printed, 800u);
  for (const std::string &word : listed)
    EXPECT_TRUE(used.count(word)) << "'" << word << "' is listed, but no test shader prints it";
}

TEST(MetalSubset, TheDocumentsReservedWordsAreThePrintersAndTextureIsNotOne) {
  const std::set<std::string> listed = fenced_words(subset_document(), "reserved");
  const std::vector<std::string> &words = metal_reserved_words();
  EXPECT_EQ(listed, std::set<std::string>(words.begin(), words.end()));
  EXPECT_FALSE(is_metal_reserved_word("texture"));
  EXPECT_TRUE(is_metal_reserved_word("float3x2"));
  EXPECT_TRUE(is_metal_reserved_word("kernel"));
}

TEST(MetalPrinter, LocalsNamedLikeMetalWordsAreRenamedAndTheShaderCompiles) {
  std::vector<shctest::corpus_case> cases = shctest::backend_shaders();
  const auto names = std::find_if(cases.begin(), cases.end(),
                                  [](const auto &c) { return c.name == "backend/names.vert"; });
  ASSERT_NE(names, cases.end());
  converted_ir c = convert_ir(names->text, names->stage);
  ASSERT_EQ(c.refusals, std::vector<std::string>{});
  for (const char *renamed : {"struct gl_float4_", "float gl_kernel;", "float2 gl_device;",
                              "gl_constant_", "gl_thread_", "gl_metal_", "struct gl_struct_"})
    EXPECT_NE(c.metal.find(renamed), std::string::npos) << renamed << "\n" << c.metal;
  // The varying called texture keeps its name: the chart's sampler does.
  EXPECT_NE(c.metal.find("float2 texture;"), std::string::npos) << c.metal;
  EXPECT_TRUE(mtl::msl::compile(c.metal).ok()) << mtl::msl::compile(c.metal).errors;
}

}  // namespace
