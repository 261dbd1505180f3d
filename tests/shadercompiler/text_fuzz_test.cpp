// The compiler's small text parsers (numeric literals, swizzle letters)
// against mutated input: no crash, no over-read, results within the input.
#include <gtest/gtest.h>

#include <string>

#include "fuzz.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_analyses.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

TEST(TextFuzzTest, FloatLiterals) {
  tessaly::test::fuzz({"1.5", "0.1e-3f", "3e38", "1e-45", "12345678901234567890.5"},
                      [](std::string_view input) {
                        std::string text(input);  // NUL-terminated copy
                        char *end = nullptr;
                        glsl_strtof(text.c_str(), &end);
                        ASSERT_GE(end, text.c_str());
                        ASSERT_LE(end, text.c_str() + text.size());
                      },
                      {.iterations = 20000, .maxSize = 256});
}

TEST(TextFuzzTest, SwizzleLetters) {
  void *ctx = ralloc_context(nullptr);
  auto *v = new (ctx) ir_variable(glsl_type::vec4_type, "v", ir_var_auto,
                                  glsl_precision_undefined);
  tessaly::test::fuzz({"xyzw", "rgb", "stp", "xx"},
                      [&](std::string_view input) {
                        std::string text(input);
                        void *scratch = ralloc_context(ctx);
                        auto *d = new (scratch) ir_dereference_variable(v);
                        ir_swizzle *s = ir_swizzle::create(d, text.c_str(), 4);
                        if (s != nullptr) {
                          ASSERT_LE(s->mask.num_components, 4u);
                          ASSERT_GE(s->mask.num_components, 1u);
                          ASSERT_FALSE(s->type->is_error());
                        }
                        ralloc_free(scratch);
                      },
                      {.iterations = 20000, .maxSize = 16});
  ralloc_free(ctx);
}

}  // namespace
