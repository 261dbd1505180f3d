// Fuzzing both library calls (source and library data) from the default
// library, the sample programs and what the GLSL-to-Metal converter prints
// for the chart's shaders and the compiler's larger test shaders: byte mutations through the project's
// fuzzer and token-level mutations that keep programs close to valid, so
// that the checker, code generator, pipeline linker, interpreter and the
// specialiser see them too. Every input ends in a library or an error;
// nothing crashes (the sanitizer build checks memory); a function
// specialised for what its loads read computes what it did.
// TESSALY_FULL_SWEEP=1 runs longer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "backend_harness.h"
#include "platform/metal/device.h"
#include "platform/metal/msl/bytecode.h"
#include "platform/metal/msl/default_library.h"
#include "platform/metal/msl/reference_interpreter.h"
#include "shader_samples.h"
#include "specialization_check.h"
#include "shadercompiler/optimizer/glsl_to_msl_converter.h"
#include "tests/support/fuzz.h"

namespace mtl {
namespace {

bool fullSweep() {
  const char* full = std::getenv("TESSALY_FULL_SWEEP");
  return full && *full == '1';
}

// Metal as the converter prints it: the chart's GLSL pair and the
// compiler's back-end shaders, which reach every construct it writes.
std::vector<std::string> convertedPrograms() {
  std::vector<std::pair<gl_shader_stage, std::string>> glsl;
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  for (const char* file : {"VertexShader.glsl", "FragmentShader.glsl"}) {
    std::ifstream in(std::string(root != nullptr ? root : ".") + "/resources/Shaders/" + file);
    std::stringstream text;
    text << in.rdbuf();
    glsl.emplace_back(file[0] == 'V' ? SHC_SHADER_VERTEX : SHC_SHADER_FRAGMENT, text.str());
  }
  for (const shctest::corpus_case& c : shctest::backend_shaders()) glsl.emplace_back(c.stage, c.text);
  std::vector<std::string> metal;
  auto converter = MGLGLSLToMSLConverter::converter();
  for (const auto& [stage, text] : glsl) {
    const std::uint32_t type = stage == SHC_SHADER_VERTEX ? 0x8B31 : 0x8B30;  // GL_VERTEX_SHADER, GL_FRAGMENT_SHADER
    if (converter->convertGLSLSource(text, 0, type, std::nullopt))
      metal.push_back(*converter->mslSourceCode());
  }
  return metal;
}

std::vector<std::string> seeds() {
  std::vector<std::string> s{std::string(msl::defaultLibrarySource())};
  for (auto& [name, source] : msl::test::acceptedPrograms()) s.push_back(source);
  const std::vector<std::string> converted = convertedPrograms();
  // A missing shader file must not quietly shrink the seeds.
  EXPECT_EQ(converted.size(), 2 + shctest::backend_shaders().size());
  EXPECT_GE(converted.size(), 10u);
  s.insert(s.end(), converted.begin(), converted.end());
  return s;
}

struct Outcomes {
  int libraries = 0, refused = 0, pipelines = 0, runs = 0, specialized = 0;
};

// Specialised for what its loads read, as a draw fixes its uniforms (where
// it writes no buffer, as the executor does it): the same outputs.
void expectSpecializedTheSame(const msl::CompiledFunction& code, const std::vector<std::uint8_t>& buffer,
                              Outcomes& outcomes) {
  if (std::any_of(code.code.begin(), code.code.end(),
                  [](const msl::Instruction& i) { return i.op == msl::Opcode::StoreBuffer; })) {
    return;
  }
  const msl::SpecializedFunction s = msl::specialize(code, msl::test::loadsFrom(code, buffer));
  EXPECT_EQ(msl::verify(s.function), "") << code.name;
  const msl::test::SpecializationComparison c =
      msl::test::compareSpecialization(code, s, buffer, static_cast<unsigned>(outcomes.runs), 3, 20000);
  EXPECT_EQ(c.difference, "") << msl::disassemble(code) << "\nspecialised:\n" << msl::disassemble(s.function);
  outcomes.specialized += c.compared;
}

// Whatever compiled is linked into a pipeline and run once per function.
void exercise(Device& device, const Library& library, Outcomes& outcomes) {
  ++outcomes.libraries;
  std::shared_ptr<Function> vertex, fragment;
  std::vector<std::uint8_t> buffer(256, 0x3f);
  for (const std::string& name : library.functionNames()) {
    auto f = library.newFunctionWithName(name);
    if (f->functionType() == FunctionType::Vertex && !vertex) vertex = f;
    if (f->functionType() == FunctionType::Fragment && !fragment) fragment = f;
    const msl::CompiledFunction& code = *f->code();
    EXPECT_EQ(msl::verify(code), "") << f->name();
    msl::Invocation invocation = msl::prepareInvocation(code);
    std::vector<msl::BufferView> views(31, msl::BufferView{buffer.data(), buffer.size(), true});
    msl::interpret(code, invocation, views, nullptr, 20000);
    ++outcomes.runs;
    expectSpecializedTheSame(code, buffer, outcomes);
  }
  if (!vertex) return;
  RenderPipelineDescriptor d = msl::test::linkerDescriptor();
  d.vertexFunction = vertex;
  d.fragmentFunction = fragment;
  RenderPipelineReflection reflection;
  std::optional<Error> error;
  if (device.newRenderPipelineState(d, PipelineOptionBufferTypeInfo, &reflection, &error)) {
    ++outcomes.pipelines;
  } else {
    EXPECT_TRUE(error.has_value());
  }
}

void compileBoth(Device& device, std::string_view text, Outcomes& outcomes) {
  std::optional<Error> error;
  auto library = device.newLibraryWithSource(std::string(text), {}, &error);
  // A library or an error, never both, never neither.
  EXPECT_NE(library != nullptr, error.has_value());
  if (library) {
    exercise(device, *library, outcomes);
  } else {
    ++outcomes.refused;
    EXPECT_EQ(error->code, LibraryErrorCompileFailure);
    EXPECT_EQ(error->localizedDescription.rfind("Compilation failed: \n\nprogram_source:", 0), 0u);
  }
  // The same text as library data, and the raw bytes as data.
  std::string data(Device::kLibraryDataMagic);
  data += text;
  error.reset();
  auto fromData = device.newLibraryWithData({data.begin(), data.end()}, &error);
  EXPECT_EQ(fromData != nullptr, library != nullptr);
  error.reset();
  auto raw = device.newLibraryWithData({text.begin(), text.end()}, &error);
  EXPECT_EQ(raw, nullptr);  // without the magic
}

TEST(ShaderFuzz, MutatedBytesEndInALibraryOrAnError) {
  auto device = Device::create();
  const std::vector<std::string> s = seeds();
  Outcomes outcomes;
  tessaly::test::FuzzOptions options;
  options.iterations = fullSweep() ? 200000 : 4000;
  options.maxSize = 1 << 14;
  tessaly::test::fuzz(s, [&](std::string_view text) { compileBoth(*device, text, outcomes); },
                      options);
  std::printf("bytes: %d libraries (%d pipelines, %d runs, %d specialised runs), %d refused\n",
              outcomes.libraries, outcomes.pipelines, outcomes.runs, outcomes.specialized, outcomes.refused);
  EXPECT_GT(outcomes.refused, options.iterations / 4);
  EXPECT_GT(outcomes.libraries, options.iterations / 200);
}

// Token-level mutations that keep most programs valid: a token replaced by
// another of its kind (type, operator, number, name from the same source),
// a line repeated or dropped, or a word of the language inserted.
std::string mutateTokens(const std::string& source, std::mt19937_64& rng) {
  static const std::vector<std::string> types = {
      "float", "float2", "float3", "float4", "half", "half2", "half4", "int", "int2", "uint",
      "uint4", "bool", "float4x4", "float3x3", "float2x2", "packed_float3", "char", "short"};
  static const std::vector<std::string> operators = {"+", "-", "*", "/", "%", "<", ">", "==",
                                                      "!=", "&", "|", "^", "<<", ">>"};
  static const std::vector<std::string> numbers = {"0", "1", "2", "3", "0.5", "2.0", "1.5h", "-1",
                                                   "255u", "1e30", "0x10", "4294967295u"};
  static const std::vector<std::string> words = {
      "discard_fragment();", "return;", "break;", "continue;", "if (true)", "else", "{", "}",
      "[[position]]", "[[attribute(3)]]", "[[buffer(1)]]", "[[flat]]", "[[color(1)]]", "const",
      "thread", "constant", "&", ".x", ".xyz", "[0]", "[1]", "++", "--", "!", "-", "(", ")"};
  // Tokens: words (with dots inside numbers), and single characters.
  std::vector<std::string> tokens;
  std::string current;
  for (char c : source) {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
        (c == '.' && !current.empty() && std::isdigit(static_cast<unsigned char>(current[0])))) {
      current += c;
      continue;
    }
    if (!current.empty()) tokens.push_back(current), current.clear();
    tokens.push_back(std::string(1, c));
  }
  if (!current.empty()) tokens.push_back(current);
  std::vector<std::string> names;
  for (const auto& t : tokens) {
    if (std::isalpha(static_cast<unsigned char>(t[0])) || t[0] == '_') names.push_back(t);
  }
  const auto pick = [&](const std::vector<std::string>& list) { return list[rng() % list.size()]; };
  const std::size_t at = rng() % tokens.size();
  std::string& t = tokens[at];
  const auto in = [&](const std::vector<std::string>& list) {
    return std::find(list.begin(), list.end(), t) != list.end();
  };
  switch (rng() % 6) {
    case 0: case 1:  // a token of the same kind
      if (in(types)) t = pick(types);
      else if (in(operators)) t = pick(operators);
      else if (std::isdigit(static_cast<unsigned char>(t[0]))) t = pick(numbers);
      else if (!names.empty() && (std::isalpha(static_cast<unsigned char>(t[0])) || t[0] == '_')) t = pick(names);
      break;
    case 2: {  // repeat a line
      std::size_t begin = at, end = at;
      while (begin > 0 && tokens[begin - 1] != "\n") --begin;
      while (end < tokens.size() && tokens[end] != "\n") ++end;
      std::vector<std::string> line(tokens.begin() + static_cast<long>(begin),
                                    tokens.begin() + static_cast<long>(end));
      line.push_back("\n");
      tokens.insert(tokens.begin() + static_cast<long>(begin), line.begin(), line.end());
      break;
    }
    case 3: {  // drop a line
      std::size_t begin = at, end = at;
      while (begin > 0 && tokens[begin - 1] != "\n") --begin;
      while (end < tokens.size() && tokens[end] != "\n") ++end;
      tokens.erase(tokens.begin() + static_cast<long>(begin), tokens.begin() + static_cast<long>(end));
      break;
    }
    case 4:  // a word of the language
      tokens.insert(tokens.begin() + static_cast<long>(at), " " + pick(words) + " ");
      break;
    case 5:  // a name swapped for another
      if (!names.empty()) tokens.insert(tokens.begin() + static_cast<long>(at), pick(names) + " ");
      break;
  }
  std::string out;
  for (const auto& s : tokens) out += s;
  return out;
}

TEST(ShaderFuzz, MutatedTokensEndInALibraryOrAnError) {
  auto device = Device::create();
  const std::vector<std::string> s = seeds();
  std::mt19937_64 rng(0x7e55a1);
  Outcomes outcomes;
  const int iterations = fullSweep() ? 200000 : 3000;
  for (int i = 0; i < iterations; ++i) {
    std::string text = s[static_cast<std::size_t>(i) % s.size()];
    // Mutants of mutants now and then, to wander further.
    for (int depth = 1 + static_cast<int>(rng() % 4); depth > 0; --depth) text = mutateTokens(text, rng);
    compileBoth(*device, text, outcomes);
  }
  std::printf("tokens: %d libraries (%d pipelines, %d runs, %d specialised runs), %d refused\n",
              outcomes.libraries, outcomes.pipelines, outcomes.runs, outcomes.specialized, outcomes.refused);
  EXPECT_GT(outcomes.libraries, iterations / 20);
  EXPECT_GT(outcomes.refused, iterations / 4);
  EXPECT_GT(outcomes.pipelines, iterations / 100);
  EXPECT_GT(outcomes.specialized, iterations / 20);
}

}  // namespace
}  // namespace mtl
