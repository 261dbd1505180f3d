// Programs the language accepts and refuses, from the Metal Shading
// Language Specification's rules; each refusal with the exact first line
// the compiler prints, and the error object Device gives for it.
#include <gtest/gtest.h>

#include <pthread.h>

#include <optional>
#include <string>

#include "platform/metal/device.h"
#include "platform/metal/msl/compiler.h"
#include "shader_samples.h"

namespace mtl {
namespace {

struct Case {
  const char* name;
  std::string source;
  const char* firstError;  // nullptr: accepted
};

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

using msl::test::kPrelude;

// Forty functions that each call the one before twice: 2^40 inlined
// bodies, which must be refused quickly rather than generated.
std::string exponentialCalls() {
  std::string s = "static void h() { " + repeat("1.0; ", 100) + "}\n";
  std::string previous = "h";
  for (int k = 0; k < 40; ++k) {
    const std::string name = "f" + std::to_string(k);
    s += "static void " + name + "() { " + previous + "(); " + previous + "(); }\n";
    previous = name;
  }
  return s + "vertex float4 v() { " + previous + "(); return 0; }\n";
}

std::vector<Case> corpus() {
  const std::string vin = "struct V { float4 p [[attribute(0)]]; };\n";
  return {
      // ---- accepted (and the programs of shader_samples.h)
      {"nesting just within the bounds",
       "vertex float4 v(constant float& k [[buffer(0)]]) {\n  float x = k" + repeat(" + k", 1020) +
           ";\n  x = " + repeat("(", 250) + "x" + repeat(")", 250) + ";\n" + repeat("{", 120) +
           "x = -x;" + repeat("}", 120) + "\n  x = " + repeat("--", 200) +
           "x;\n  return " + repeat("- ", 250) + "x;\n}\n",
       nullptr},
      {"comments may hold any UTF-8", kPrelude + "// Größe – ° ★\n/* 日本 */\nvertex float4 v() { return 0; }\n", nullptr},

      // ---- refused while reading the text
      {"NUL", std::string("vertex float4 v() { return 0; }\n") + '\0', "program_source:2:1: error: source contains a null character"},
      {"invalid UTF-8", "// ok\n// \xC3\x28 bad\n", "program_source:2:4: error: source contains invalid UTF-8"},
      {"non-ASCII outside a comment", "vertex float4 v\xC3\xA9() { return 0; }\n",
       "program_source:1:16: error: non-ASCII characters are not allowed outside of literals and identifiers"},
      {"unterminated comment", "vertex float4 v() { return 0; }\n/* open\n", "program_source:2:1: error: unterminated /* comment"},
      {"integer literal overflow", "constant uint k = 4294967296;\n",
       "program_source:1:19: error: integer literal is too large to be represented in a 32-bit integer type"},
      {"float literal overflow", "constant float k = 1e39f;\n",
       "program_source:1:20: error: magnitude of floating-point constant too large for type 'float'; maximum is 3.40282347E+38"},
      {"half literal overflow", "constant half k = 65520.0h;\n",
       "program_source:1:19: error: magnitude of floating-point constant too large for type 'half'; maximum is 65504"},
      {"literal suffix", "constant int k = 10l;\n", "program_source:1:18: error: invalid suffix 'l' on integer constant"},
      {"octal digit", "constant int k = 019;\n", "program_source:1:20: error: invalid digit '9' in octal constant"},
      {"other headers", "#include <simd/simd.h>\n", "program_source:1:1: error: 'simd/simd.h' file not found"},
      {"macros", "#define N 4\n", "program_source:1:1: error: preprocessor directive '#define' is not supported"},

      // ---- refused by the grammar
      {"missing semicolon", "vertex float4 v() {\n  float x = 1.0\n  return x;\n}\n",
       "program_source:2:16: error: expected ';' at end of declaration"},
      {"bracket nesting", "constant float k = " + repeat("(", 300) + "1.0" + repeat(")", 300) + ";\n",
       "program_source:1:276: error: bracket nesting level exceeded maximum of 256"},
      {"expression depth", "constant float k = 1.0" + repeat(" + 1.0", 1100) + ";\n",
       "program_source:1:6162: error: expression is nested more than 1024 levels deep"},
      {"kernel functions", "kernel void k() {}\n", "program_source:1:1: error: kernel functions are not supported"},
      {"program scope variable", "float g = 1.0;\n",
       "program_source:1:7: error: program scope variable must reside in constant address space"},
      {"switch", "vertex float4 v() {\n  switch (1) { default: break; }\n}\n",
       "program_source:2:3: error: 'switch' statements are not supported"},
      {"pointers", "vertex float4 v(constant float* p [[buffer(0)]]) { return 0; }\n",
       "program_source:1:31: error: pointer parameters are not supported; use a reference"},
      {"threadgroup", "vertex float4 v(threadgroup float& p) { return 0; }\n",
       "program_source:1:17: error: the 'threadgroup' address space is not supported"},

      // ---- refused by the type rules
      {"unknown type", "vertex float5 v() { return 0; }\n", "program_source:1:8: error: unknown type name 'float5'"},
      {"huge array", "vertex float4 v() {\n  float a[4294967295u];\n  return 0;\n}\n",
       "program_source:2:11: error: array is too large (4294967295 elements)"},
      {"empty array", "vertex float4 v() { float a[0]; return 0; }\n",
       "program_source:1:29: error: array size must be greater than zero"},
      {"variable array size", "vertex float4 v(constant int& n [[buffer(0)]]) { float a[n]; return 0; }\n",
       "program_source:1:58: error: array size is not an integral constant expression"},
      {"vectors convert only explicitly", "vertex float4 v() { float4 x = int4(1); return x; }\n",
       "program_source:1:32: error: cannot initialize a variable of type 'float4' with an rvalue of type 'int4'"},
      {"vector lengths", "vertex float4 v() { return float4(1.0) + float3(1.0); }\n",
       "program_source:1:40: error: invalid operands to binary expression ('float4' and 'float3')"},
      {"vector element kinds", "vertex float4 v() { return float4(1.0) * half4(1.0h); }\n",
       "program_source:1:40: error: invalid operands to binary expression ('float4' and 'half4')"},
      {"remainder of floats", "vertex float4 v() { return 5.0 % 2.0; }\n",
       "program_source:1:32: error: invalid operands to binary expression ('float' and 'float')"},
      {"swizzle beyond the vector", "vertex float4 v() { float2 a = 1.0; return a.xyz.z; }\n",
       "program_source:1:46: error: vector component access 'xyz' is invalid for 'float2'"},
      {"mixed swizzle sets", "vertex float4 v() { float4 a = 1.0; return a.xg.x; }\n",
       "program_source:1:46: error: vector component access 'xg' is invalid for 'float4'"},
      {"repeated components written", "vertex float4 v() { float4 a = 1.0; a.xx = float2(1.0); return a; }\n",
       "program_source:1:39: error: vector is not assignable (contains duplicate components)"},
      {"constant buffers are read-only", vin + "struct U { float4 c; };\nvertex float4 v(constant U& u [[buffer(0)]]) { u.c = 1.0; return 0; }\n",
       "program_source:3:50: error: cannot assign to a value in the 'constant' address space"},
      {"undeclared", "vertex float4 v() {\n  return x;\n}\n", "program_source:2:10: error: use of undeclared identifier 'x'"},
      {"no overload", "static float f(float2 a) { return a.x; }\nvertex float4 v() { return f(1.0, 2.0); }\n",
       "program_source:2:28: error: no matching function for call to 'f'"},
      {"integer argument to sin", "vertex float4 v() { return sin(1); }\n",
       "program_source:1:28: error: call to 'sin' is ambiguous"},
      {"dot of different lengths", "vertex float4 v() { return dot(float3(1.0), float4(1.0)); }\n",
       "program_source:1:28: error: no matching function for call to 'dot'"},
      {"sampling coordinates", "fragment float4 f(texture2d<float> t [[texture(0)]], sampler s [[sampler(0)]]) {\n  return t.sample(s, float3(0.0));\n}\n",
       "program_source:2:12: error: no matching member function for call to 'sample'"},
      {"compare on a colour texture", "fragment float4 f(texture2d<float> t [[texture(0)]], sampler s [[sampler(0)]]) {\n  return t.sample_compare(s, float2(0.0), 0.5);\n}\n",
       "program_source:2:12: error: no member named 'sample_compare' in 'texture2d<float>'"},
      {"derivatives in a vertex function", "static float g(float x) { return dfdx(x); }\nvertex float4 v() { return g(1.0); }\n",
       "program_source:1:34: error: 'dfdx' is only available in fragment functions"},
      {"discard in a vertex function", "vertex float4 v() { discard_fragment(); return 0; }\n",
       "program_source:1:21: error: 'discard_fragment' is only available in fragment functions"},
      {"recursion", "static float f(float x);\nstatic float g(float x) { return f(x); }\nstatic float f(float x) { return g(x); }\nvertex float4 v() { return f(1.0); }\n",
       "program_source:3:34: error: recursive function calls are not supported"},
      {"undefined function", "static float f(float x);\nvertex float4 v() { return f(1.0); }\n",
       "program_source:2:28: error: function 'f' is used but not defined"},
      {"attribute index 31", "struct V { float4 p [[attribute(31)]]; };\nvertex float4 v(V in [[stage_in]]) { return in.p; }\n",
       "program_source:1:23: error: 'attribute' index 31 is out of range (0 to 30)"},
      {"buffer index 31", "vertex float4 v(constant float& k [[buffer(31)]]) { return k; }\n",
       "program_source:1:37: error: 'buffer' index 31 is out of range (0 to 30)"},
      {"buffer index twice", "vertex float4 v(constant float& a [[buffer(1)]], constant float& b [[buffer(1)]]) { return a + b; }\n",
       "program_source:1:50: error: 'buffer' index 1 is used by both 'a' and 'b'"},
      {"parameter without binding", "vertex float4 v(float k) { return k; }\n",
       "program_source:1:17: error: parameter 'k' of a vertex function needs an attribute such as [[stage_in]], [[buffer(n)]], [[texture(n)]] or [[sampler(n)]]"},
      {"stage_in member without attribute", "struct V { float4 p; };\nvertex float4 v(V in [[stage_in]]) { return in.p; }\n",
       "program_source:2:17: error: [[stage_in]] member 'p' needs an [[attribute(n)]] attribute"},
      {"vertex results", "vertex int v() { return 0; }\n",
       "program_source:1:8: error: a vertex function returns float4, a struct or void"},
      {"fragment outputs need colours", "struct O { float4 c; };\nfragment O f() { O o; o.c = 1.0; return o; }\n",
       "program_source:2:10: error: fragment output member 'c' needs a [[color(n)]] attribute"},
      {"return without value", "static float f() { return; }\nvertex float4 v() { return f(); }\n",
       "program_source:1:20: error: non-void function 'f' should return a value"},
      {"break outside a loop", "vertex float4 v() { break; return 0; }\n",
       "program_source:1:21: error: 'break' statement not in loop or switch statement"},
      {"redefinition", "vertex float4 v() { float a = 1.0; float a = 2.0; return a; }\n",
       "program_source:1:42: error: redefinition of 'a'"},
      {"parameter redefined", "static float f(float a) { float a = 2.0; return a; }\nvertex float4 v() { return f(1.0); }\n",
       "program_source:1:33: error: redefinition of 'a'"},
      {"const without value", "vertex float4 v() { const float a; return a; }\n",
       "program_source:1:33: error: default initialization of an object of const type 'const float'"},
      {"narrowing in braces", "vertex float4 v() { int a[2] = {1.5, 2}; return a[0]; }\n",
       "program_source:1:33: error: type 'float' cannot be narrowed to 'int' in initializer list"},
      {"too many initializers", "vertex float4 v() { float a[2] = {1.0, 2.0, 3.0}; return a[0]; }\n",
       "program_source:1:45: error: excess elements in array initializer"},
      {"calling an entry point", "vertex float4 w() { return 0; }\nvertex float4 v() { return w(); }\n",
       "program_source:2:28: error: a vertex or fragment function cannot be called"},
      {"texture variables", "fragment float4 f(texture2d<float> t [[texture(0)]]) { texture2d<float> u = t; return 0; }\n",
       "program_source:1:73: error: local variables of type 'texture2d<float>' are not supported"},
      {"as_type sizes", "vertex float4 v() { return float4(as_type<float>(half(1.0h))); }\n",
       "program_source:1:35: error: as_type from 'half' to 'float' needs scalar or vector types of the same size"},
      {"unknown attribute", "struct V { float4 p [[atribute(0)]]; };\n",
       "program_source:1:23: error: unknown attribute 'atribute'"},
      {"vertex_id", "vertex float4 v(uint id [[vertex_id]]) { return float4(id); }\n",
       "program_source:1:27: error: attribute 'vertex_id' is not supported on a parameter"},
      {"struct conversion", "struct A { float x; };\nstruct B { float x; };\nvertex float4 v() { A a = {1.0}; B b = static_cast<B>(a); return b.x; }\n",
       "program_source:3:40: error: cannot convert 'A' to 'B' without a conversion operator"},
      {"vector conditions", "vertex float4 v() { if (float4(1.0)) return 1.0; return 0; }\n",
       "program_source:1:25: error: value of type 'float4' is not contextually convertible to 'bool'"},
      {"members of scalars", "vertex float4 v() { float a = 1.0; return a.x; }\n",
       "program_source:1:45: error: member reference base type 'float' is not a structure or union"},
      {"too many registers", "vertex float4 v() { float a[20000]; return a[0]; }\n",
       "program_source:1:15: error: function 'v' needs too many registers"},
      {"exponential inlining", exponentialCalls(), "program_source:42:15: error: function 'v' is too large after inlining"},
      {"unknown member", "struct S { float a; };\nvertex float4 v() { S s = {1.0}; return s.b; }\n",
       "program_source:2:43: error: no member named 'b' in 'S'"},
  };
}

TEST(ShaderCorpus, AcceptsAndRefusesByTheLanguagesRules) {
  int accepted = 0, refused = 0;
  std::vector<Case> cases = corpus();
  for (auto& [name, source] : msl::test::acceptedPrograms()) cases.push_back({name, source, nullptr});
  for (const Case& c : cases) {
    const msl::CompileResult r = msl::compile(c.source);
    if (!c.firstError) {
      EXPECT_TRUE(r.ok()) << c.name << "\n" << r.errors;
      for (const auto& f : r.functions) EXPECT_EQ(msl::verify(*f), "") << c.name << " " << f->name;
      ++accepted;
      continue;
    }
    ++refused;
    ASSERT_FALSE(r.ok()) << c.name;
    EXPECT_EQ(r.errors.substr(0, r.errors.find('\n')), c.firstError) << c.name;
  }
  EXPECT_EQ(accepted, 7);
  EXPECT_EQ(refused, 66);
}

TEST(ShaderCorpus, TheErrorObjectQuotesEveryErrorWithItsLine) {
  auto device = Device::create();
  std::optional<Error> error;
  const std::string source =
      "vertex float4 v() {\n\tfloat a = b;\n  return c;\n}\n";
  EXPECT_EQ(device->newLibraryWithSource(source, {}, &error), nullptr);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code, LibraryErrorCompileFailure);
  EXPECT_EQ(error->localizedDescription,
            "Compilation failed: \n\n"
            "program_source:2:12: error: use of undeclared identifier 'b'\n"
            "\tfloat a = b;\n"
            "\t          ^\n"
            "program_source:3:10: error: use of undeclared identifier 'c'\n"
            "  return c;\n"
            "         ^\n");
  EXPECT_EQ(error->localizedFailureReason, "2 errors generated.");
  // Library data goes through the same compiler.
  const std::string data = std::string(Device::kLibraryDataMagic) + "vertex float4 v() { return x; }";
  error.reset();
  EXPECT_EQ(device->newLibraryWithData({data.begin(), data.end()}, &error), nullptr);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code, LibraryErrorCompileFailure);
  EXPECT_EQ(error->localizedFailureReason, "1 error generated.");
  // A good library comes without an error object (there are no warnings).
  error.reset();
  EXPECT_NE(device->newLibraryWithSource("vertex float4 v() { return 0; }", {}, &error), nullptr);
  EXPECT_FALSE(error);
}

// The deepest programs the bounds allow compile on a thread with a 4 MiB
// stack (half of Linux's default), sanitizers' larger frames included.
TEST(ShaderCorpus, TheDeepestProgramsFitInAFourMegabyteStack) {
  static const std::vector<std::string> programs = {
      "vertex float4 v(constant float& k [[buffer(0)]]) {\n  float x = k" + repeat(" + k", 1020) +
          ";\n  return x;\n}\n",
      "vertex float4 v(constant float4& k [[buffer(0)]]) {\n  return k" + repeat(".wzyx", 1020) + ";\n}\n",
      "vertex float4 v(constant float& k [[buffer(0)]]) {\n  float x = k;\n" + repeat("{ if (k > 0) ", 60) +
          "x = " + repeat("(", 120) + "x" + repeat(")", 120) + ";" + repeat("}", 60) + "\n  return x;\n}\n",
  };
  struct Job {
    const std::string* source;
    bool ok = false;
  };
  for (const std::string& source : programs) {
    Job job{&source};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, std::size_t{4} << 20);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes,
                             [](void* p) -> void* {
                               auto* j = static_cast<Job*>(p);
                               j->ok = msl::compile(*j->source).ok();
                               return nullptr;
                             },
                             &job),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_TRUE(job.ok) << source.substr(0, 80);
  }
}

TEST(ShaderCorpus, ErrorsStopAtTwentyWithoutCascading) {
  std::string body;
  for (int i = 0; i < 30; ++i) body += "  float a" + std::to_string(i) + " = missing" + std::to_string(i) + " * 2.0 + 1.0;\n";
  const msl::CompileResult r = msl::compile("vertex float4 v() {\n" + body + "  return 0;\n}\n");
  EXPECT_EQ(r.errorCount, 20u);  // one per statement, none for the use of the results
  EXPECT_NE(r.errors.find("program_source:21:"), std::string::npos);
  EXPECT_EQ(r.errors.find("program_source:22:"), std::string::npos);
}

}  // namespace
}  // namespace mtl
