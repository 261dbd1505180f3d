// Statements: blocks, expression statements, if, loops and jumps.
//
// Every loop becomes an ir_loop that tests its condition inside the body and
// breaks. What must run before the next iteration (the increment of a for
// loop, the test of a do-while loop) ends the body and is also copied in
// front of every continue of the loop.
#include "shadercompiler/frontend/ast_to_hir.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/support/ralloc.h"

ir_rvalue *ast_compound_statement::hir(exec_list *instructions, glsl_parse_state *state) {
  if (new_scope) state->symbols->push_scope();
  foreach_in_list(ast_node, s, &statements) s->hir(instructions, state);
  if (new_scope) state->symbols->pop_scope();
  return nullptr;
}

ir_rvalue *ast_expression_statement::hir(exec_list *instructions, glsl_parse_state *state) {
  if (expression != nullptr) expression->hir(instructions, state);
  return nullptr;
}

namespace {

// A condition of if and the loops: a bool scalar; false after reporting.
bool check_condition(ir_rvalue *condition, const glsl_source_location &location,
                     const char *what, glsl_parse_state *state) {
  if (condition->type->is_error()) return false;
  if (condition->type == glsl_type::bool_type) return true;
  glsl_error(&location, state, "the condition of %s must be a bool, not %s", what,
             condition->type->name);
  return false;
}

// A sub-statement of if or a loop, with a scope of its own.
void scoped(ast_node *statement, exec_list *instructions, glsl_parse_state *state) {
  state->symbols->push_scope();
  statement->hir(instructions, state);
  state->symbols->pop_scope();
}

}  // namespace

ir_rvalue *ast_selection_statement::hir(exec_list *instructions, glsl_parse_state *state) {
  ir_rvalue *c = condition->hir(instructions, state);
  const bool ok = check_condition(c, condition->location, "if", state);
  auto *branch = new (ir_pool(state)) ir_if(ok ? c : new (ir_pool(state)) ir_constant(true));
  scoped(then_statement, &branch->then_instructions, state);
  if (else_statement != nullptr) scoped(else_statement, &branch->else_instructions, state);
  instructions->push_tail(branch);
  return nullptr;
}

namespace {

// Emits "if (!condition) break;" for the condition node of a loop, which is
// an expression or a declaration with an initialiser.
void emit_loop_test(ast_node *condition_node, exec_list *instructions, glsl_parse_state *state) {
  void *mem = ir_pool(state);
  ir_rvalue *c = nullptr;
  if (auto *declaration = dynamic_cast<ast_declarator_list *>(condition_node)) {
    declaration->hir(instructions, state);
    auto *d = static_cast<ast_declaration *>(declaration->declarations.get_head());
    ir_variable *var = d != nullptr ? state->symbols->get_variable(d->identifier) : nullptr;
    if (var == nullptr || var->type->is_error()) return;
    c = new (mem) ir_dereference_variable(var);
  } else {
    c = static_cast<ast_expression *>(condition_node)->hir(instructions, state);
  }
  if (!check_condition(c, condition_node->location, "a loop", state)) return;
  auto *test = new (mem) ir_if(fold(new (mem) ir_expression(ir_unop_logic_not, c)));
  test->then_instructions.push_tail(new (mem) ir_loop_jump(ir_loop_jump::jump_break));
  instructions->push_tail(test);
}

// Copies `block` in front of every continue of the loop just translated and
// at the end of its body.
void place_continue_block(ir_loop *loop, exec_list *block, const std::vector<ir_loop_jump *> &continues,
                          glsl_parse_state *state) {
  void *mem = ir_pool(state);
  for (ir_loop_jump *jump : continues) {
    exec_list copy;
    clone_ir_list(mem, &copy, block);
    foreach_in_list(ir_instruction, ir, &copy) {
      ir->remove();
      jump->insert_before(ir);
    }
  }
  loop->body_instructions.append_list(block);
}

}  // namespace

ir_rvalue *ast_iteration_statement::hir(exec_list *instructions, glsl_parse_state *state) {
  ast_to_hir_state *hir = hir_state(state);
  void *mem = ir_pool(state);
  state->symbols->push_scope();
  if (mode == ast_for && init_statement != nullptr) init_statement->hir(instructions, state);
  auto *loop = new (mem) ir_loop();
  exec_list continue_block;
  if (mode != ast_do_while && condition != nullptr)
    emit_loop_test(condition, &loop->body_instructions, state);
  if (mode == ast_for && rest_expression != nullptr)
    rest_expression->hir(&continue_block, state);

  std::vector<ir_loop_jump *> continues;
  hir->loops.push_back({&continues});
  body->hir(&loop->body_instructions, state);
  hir->loops.pop_back();

  if (mode == ast_do_while) emit_loop_test(condition, &continue_block, state);
  place_continue_block(loop, &continue_block, continues, state);
  state->symbols->pop_scope();
  instructions->push_tail(loop);
  return nullptr;
}

ir_rvalue *ast_jump_statement::hir(exec_list *instructions, glsl_parse_state *state) {
  ast_to_hir_state *hir = hir_state(state);
  void *mem = ir_pool(state);
  switch (mode) {
    case ast_continue:
    case ast_break: {
      if (hir->loops.empty()) {
        glsl_error(&location, state, "'%s' outside a loop", mode == ast_break ? "break" : "continue");
        return nullptr;
      }
      auto *jump = new (mem) ir_loop_jump(mode == ast_break ? ir_loop_jump::jump_break
                                                           : ir_loop_jump::jump_continue);
      if (mode == ast_continue) hir->loops.back().continues->push_back(jump);
      instructions->push_tail(jump);
      return nullptr;
    }
    case ast_discard:
      if (state->shader_stage != SHC_SHADER_FRAGMENT) {
        glsl_error(&location, state, "'discard' belongs to fragment shaders");
        return nullptr;
      }
      instructions->push_tail(new (mem) ir_discard());
      return nullptr;
    case ast_return: break;
  }
  const glsl_type *expected = hir->current_function->return_type;
  if (return_value == nullptr) {
    if (!expected->is_void() && !expected->is_error()) {
      glsl_error(&location, state, "the function must return a value of type %s", expected->name);
      return nullptr;
    }
    instructions->push_tail(new (mem) ir_return());
    return nullptr;
  }
  ir_rvalue *value = return_value->hir(instructions, state);
  if (value->type->is_error() || expected->is_error()) return nullptr;
  if (expected->is_void()) {
    glsl_error(&location, state, "a void function cannot return a value");
    return nullptr;
  }
  ir_rvalue *converted = convert_implicitly(value, expected, state);
  if (converted == nullptr) {
    glsl_error(&location, state, "cannot return %s from a function returning %s",
               value->type->name, expected->name);
    return nullptr;
  }
  instructions->push_tail(new (mem) ir_return(converted));
  return nullptr;
}
