// Overload resolution: which signature of a function a call means.
#include <cstdlib>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/out_of_memory.h"

namespace {

enum parameter_match { PARAMETER_NO_MATCH, PARAMETER_EXACT, PARAMETER_CONVERTED };

const glsl_type *type_of(const exec_node *node) {
  const auto *ir = static_cast<const ir_instruction *>(node);
  if (const ir_variable *var = ir->as_variable()) return var->type;
  if (const ir_rvalue *rv = ir->as_rvalue()) return rv->type;
  return nullptr;
}

parameter_match match_parameter(const ir_variable *param,
                                 const glsl_type *actual,
                                 const glsl_parse_state *state) {
  if (param->type == actual) return PARAMETER_EXACT;
  switch (param->data.mode) {
    case ir_var_function_in:
    case ir_var_const_in:
      return actual->can_implicitly_convert_to(param->type, state)
                 ? PARAMETER_CONVERTED
                 : PARAMETER_NO_MATCH;
    case ir_var_function_out:
      // Out parameters convert on the way back to the caller.
      return param->type->can_implicitly_convert_to(actual, state)
                 ? PARAMETER_CONVERTED
                 : PARAMETER_NO_MATCH;
    default:
      return PARAMETER_NO_MATCH;
  }
}

// Exact when every parameter is exact; no match when any fails or the
// counts differ.
parameter_match match_signature(const ir_function_signature *sig,
                                 const exec_list *actuals,
                                 const glsl_parse_state *state) {
  parameter_match result = PARAMETER_EXACT;
  const exec_node *p = sig->parameters.head_sentinel.next;
  const exec_node *a = actuals->head_sentinel.next;
  for (; p->next != nullptr && a->next != nullptr; p = p->next, a = a->next) {
    parameter_match m = match_parameter(static_cast<const ir_variable *>(p),
                                        type_of(a), state);
    if (m == PARAMETER_NO_MATCH) return PARAMETER_NO_MATCH;
    if (m == PARAMETER_CONVERTED) result = PARAMETER_CONVERTED;
  }
  if (p->next != nullptr || a->next != nullptr) return PARAMETER_NO_MATCH;
  return result;
}

bool resolution_allowed(const glsl_parse_state *state) {
  return state == nullptr || (!state->is_es && state->glsl_version >= 400) ||
         state->ARB_gpu_shader5_enable;
}

// The GLSL 4.00 rule (section 6.1): A is better than B when some argument
// of A is exact where B's converts, and no argument the other way round.
bool is_better(const ir_function_signature *a, const ir_function_signature *b,
               const exec_list *actuals) {
  bool better_somewhere = false;
  const exec_node *pa = a->parameters.head_sentinel.next;
  const exec_node *pb = b->parameters.head_sentinel.next;
  const exec_node *act = actuals->head_sentinel.next;
  for (; act->next != nullptr; pa = pa->next, pb = pb->next, act = act->next) {
    const glsl_type *actual = type_of(act);
    bool a_exact = static_cast<const ir_variable *>(pa)->type == actual;
    bool b_exact = static_cast<const ir_variable *>(pb)->type == actual;
    if (b_exact && !a_exact) return false;
    if (a_exact && !b_exact) better_somewhere = true;
  }
  return better_somewhere;
}

ir_function_signature *choose_best(ir_function_signature **candidates,
                                   unsigned count, const exec_list *actuals) {
  for (unsigned i = 0; i < count; i++) {
    bool best = true;
    for (unsigned j = 0; j < count && best; j++)
      if (j != i && !is_better(candidates[i], candidates[j], actuals)) best = false;
    if (best) return candidates[i];
  }
  return nullptr;
}

bool skipped(const ir_function_signature *sig, const glsl_parse_state *state,
             bool allow_builtins) {
  return sig->is_builtin() &&
         (!allow_builtins || !sig->is_builtin_available(state));
}

}  // namespace

ir_function_signature *ir_function::matching_signature(
    const glsl_parse_state *state, const exec_list *actual_parameters,
    bool allow_builtins, bool *is_exact) {
  ir_function_signature **candidates = nullptr;
  unsigned count = 0;
  foreach_in_list(ir_function_signature, sig, &signatures) {
    if (skipped(sig, state, allow_builtins)) continue;
    switch (match_signature(sig, actual_parameters, state)) {
      case PARAMETER_EXACT:
        std::free(candidates);
        *is_exact = true;
        return sig;
      case PARAMETER_CONVERTED: {
        auto *grown = static_cast<ir_function_signature **>(
            std::realloc(candidates, sizeof(*candidates) * (count + 1)));
        if (grown == nullptr) {
          report_out_of_memory("matching_signature");
          std::free(candidates);
          return nullptr;
        }
        candidates = grown;
        candidates[count++] = sig;
        break;
      }
      case PARAMETER_NO_MATCH:
        break;
    }
  }
  *is_exact = false;
  ir_function_signature *match = nullptr;
  if (count == 1)
    match = candidates[0];
  else if (count > 1 && resolution_allowed(state))
    match = choose_best(candidates, count, actual_parameters);
  std::free(candidates);
  return match;
}

ir_function_signature *ir_function::matching_signature_no_exact(
    const glsl_parse_state *state, const exec_list *actual_parameters,
    bool allow_builtins) {
  bool is_exact = false;
  return matching_signature(state, actual_parameters, allow_builtins, &is_exact);
}

ir_function_signature *ir_function::exact_matching_signature(
    const glsl_parse_state *state, const exec_list *actual_parameters) {
  foreach_in_list(ir_function_signature, sig, &signatures) {
    if (sig->is_builtin() && !sig->is_builtin_available(state)) continue;
    const exec_node *p = sig->parameters.head_sentinel.next;
    const exec_node *a = actual_parameters->head_sentinel.next;
    bool same = true;
    for (; p->next != nullptr && a->next != nullptr; p = p->next, a = a->next) {
      if (type_of(p) != type_of(a)) {
        same = false;
        break;
      }
    }
    if (same && p->next == nullptr && a->next == nullptr) return sig;
  }
  return nullptr;
}
