// Building the built-in library happens once per process, before the first
// shader compiles, so its cost is start-up latency of the first compile.
#include <benchmark/benchmark.h>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

void BM_BuildBuiltinLibrary(benchmark::State &state) {
  for (auto _ : state) {
    builtin_builder::initialize();
    benchmark::DoNotOptimize(builtin_function_shader());
    state.PauseTiming();
    builtin_builder::release();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BuildBuiltinLibrary)->Unit(benchmark::kMillisecond);

// A lookup as the front end makes it for every call of a built-in.
void BM_FindBuiltinFunction(benchmark::State &state) {
  builtin_builder::initialize();
  void *ctx = ralloc_context(nullptr);
  auto *parse_state = new (ctx) glsl_parse_state(SHC_SHADER_FRAGMENT, true, 100);
  exec_list actuals;
  auto *sampler = new (ctx) ir_variable(glsl_type::sampler2D_type, "s", ir_var_uniform,
                                        glsl_precision_undefined);
  auto *coord = new (ctx) ir_variable(glsl_type::vec2_type, "c", ir_var_auto,
                                      glsl_precision_undefined);
  actuals.push_tail(new (ctx) ir_dereference_variable(sampler));
  actuals.push_tail(new (ctx) ir_dereference_variable(coord));
  for (auto _ : state)
    benchmark::DoNotOptimize(find_builtin_function(parse_state, "texture2D", &actuals));
  ralloc_free(ctx);
}
BENCHMARK(BM_FindBuiltinFunction);

}  // namespace
