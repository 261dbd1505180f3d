// The optimiser's passes over a linked shader's IR (the front end's
// gl_shader::ir). Each pass returns whether it changed anything, so that
// optimize_shader can run them to a fixed point; every new node is made in
// the pool context of the instruction list.
//
// Thread rules: the passes keep no state between calls; they read the
// built-in library's types, so the caller serialises them with the front
// end (shc_ctx does).
#pragma once

#include <string>

#include "shadercompiler/ir/support/standalone_scaffolding.h"

struct exec_list;
class ir_function_signature;

// Rewrites every function so that its returns stand in tail position only:
// code after a branch that always returns moves into the other branch, and
// returns that still do not end the function (inside loops, or followed by
// code on some path) set a flag and the return value, break out of loops,
// and the code they skip is guarded by the flag. Returns of void functions
// in tail position are dropped, so main has one exit: its end.
bool lower_returns(exec_list *instructions);

// Replaces every call in main by the callee's body: parameters are copied
// in and out through locals, sampler parameters stand for the sampler
// passed, tail returns assign the call's value. Needs lower_returns first.
// False, with `*too_large` set, when the inlined main would exceed
// `statement_budget` statements (calls that nest exponentially).
bool inline_calls(exec_list *instructions, unsigned statement_budget, bool *too_large);

// Drops every function but main.
bool remove_uncalled_functions(exec_list *instructions);

// Replaces every constant-valued expression by its value, removes if
// branches that a constant condition never takes and loops that start
// with an unconditional break.
bool fold_constants(exec_list *instructions);

// Identities that hold bit for bit: x * 1, 1 * x, x - 0, x + -0.0, x / 1,
// integer x + 0, -(-x), !!b, swizzles of swizzles and identity swizzles.
bool simplify_algebra(exec_list *instructions);

// Within straight-line code: reads of a variable's components that a
// constant assignment set are replaced by the constants, and reads of a
// variable copied from another (a = b) by reads of the other, until either
// is written again.
bool propagate_constants(exec_list *instructions);
bool propagate_copies(exec_list *instructions);

// Variables of main assigned once, at the top level of main before any read:
// with a constant they become that constant; copied from a variable that is
// not written afterwards, they become that variable.
bool propagate_assigned_once(exec_list *instructions);

// Within straight-line code, stores that later statements overwrite before
// anything reads them.
bool remove_dead_stores(exec_list *instructions);

// A temporary assigned once and read once, later in the same straight-line
// code with nothing between that writes what its value reads, is replaced
// by its value.
bool graft_trees(exec_list *instructions);

// Runs of assignments that write each component of a vector once, with
// scalar or simple values, become one assignment of a vector constructor.
bool combine_vector_components(exec_list *instructions);

// x = t, where t is a local that the statements just before build and
// nothing else reads: those statements write x directly.
bool coalesce_copies(exec_list *instructions);

// Removes assignments to and declarations of local variables nobody reads,
// statements after a return, break, continue or discard, and unused record
// declarations. Outputs, uniforms and inputs are always kept.
bool remove_dead_code(exec_list *instructions);

struct optimize_statistics {
  unsigned rounds = 0;       // rounds of the fixed-point loop
  unsigned inlined_calls = 0;
};

// Lowers returns, inlines every call, drops the other functions and runs
// the passes above until none changes anything. False (with `error`) when
// the shader is too large once inlined.
bool optimize_shader(exec_list *instructions, std::string *error,
                     optimize_statistics *statistics = nullptr);

// The optimisation loop alone (no inlining), for rewritten IR.
void optimize_to_fixed_point(exec_list *instructions, optimize_statistics *statistics = nullptr);

// The main function's signature; null when there is none.
ir_function_signature *find_main_signature(exec_list *instructions);
