// The optimiser's driver: inlining, then the passes until none changes
// anything.
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/optimizer/ir_optimization.h"

namespace {

// Statements main may hold once every call is inlined: far above any real
// shader, low enough that calls nesting exponentially end quickly.
constexpr unsigned kStatementBudget = 200000;

// The passes converge long before this; the bound only guards against two
// passes undoing each other.
constexpr unsigned kMaxRounds = 1000;

}  // namespace

void optimize_to_fixed_point(exec_list *instructions, optimize_statistics *statistics) {
  for (unsigned round = 0; round < kMaxRounds; round++) {
    bool progress = false;
    progress = remove_dead_code(instructions) || progress;
    progress = fold_constants(instructions) || progress;
    progress = simplify_algebra(instructions) || progress;
    // Grafting first keeps the names the shader gave: x = t; with t used
    // once becomes x = <t's value> rather than reads of x becoming t.
    progress = graft_trees(instructions) || progress;
    progress = coalesce_copies(instructions) || progress;
    progress = combine_vector_components(instructions) || progress;
    progress = propagate_constants(instructions) || progress;
    progress = propagate_copies(instructions) || progress;
    progress = propagate_assigned_once(instructions) || progress;
    progress = remove_dead_stores(instructions) || progress;
    if (statistics != nullptr) statistics->rounds++;
    if (!progress) return;
  }
}

bool optimize_shader(exec_list *instructions, std::string *error,
                     optimize_statistics *statistics) {
  lower_returns(instructions);
  bool too_large = false;
  inline_calls(instructions, kStatementBudget, &too_large);
  if (too_large) {
    *error = "the shader is too large once its function calls are inlined";
    return false;
  }
  remove_uncalled_functions(instructions);
  optimize_to_fixed_point(instructions, statistics);
  return true;
}
