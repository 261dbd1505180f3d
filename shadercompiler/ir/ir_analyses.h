// Small analyses over finished IR: straight-line blocks, variable reference
// counts, instruction statistics and removal of unused record declarations.
#pragma once

#include <cstdint>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"

struct open_hash_table;

// Calls callback(first, last, data) for every straight-line run of
// instructions; control flow nested in ifs, loops and functions forms runs
// of its own.
void for_each_basic_block(exec_list *instructions,
                          void (*callback)(ir_instruction *first,
                                           ir_instruction *last, void *data),
                          void *data);

struct ir_variable_refcount_entry {
  ir_variable *var = nullptr;
  ir_assignment *assign = nullptr;  // the first assignment met
  uint32_t referenced_count = 0;
  // Reads of the variable in its own assignments (x = x + 1) not counted.
  uint32_t referenced_count_excluding_self = 0;
  uint32_t assigned_count = 0;
  bool declaration = false;
};

// Counts declarations, references and assignments per variable.
class ir_variable_refcount_visitor : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
   using ir_hierarchical_visitor::visit_enter;
   using ir_hierarchical_visitor::visit_leave;
  ir_variable_refcount_visitor();
  ~ir_variable_refcount_visitor() override;
  ir_variable_refcount_visitor(const ir_variable_refcount_visitor &) = delete;
  ir_variable_refcount_visitor &operator=(const ir_variable_refcount_visitor &) = delete;

  ir_visitor_status visit(ir_variable *) override;
  ir_visitor_status visit(ir_dereference_variable *) override;
  ir_visitor_status visit_enter(ir_function_signature *) override;
  ir_visitor_status visit_enter(ir_assignment *) override;
  ir_visitor_status visit_leave(ir_assignment *) override;

  // Created when missing; null only when memory ran out.
  ir_variable_refcount_entry *get_variable_entry(ir_variable *var);
  ir_variable_refcount_entry *find_variable_entry(ir_variable *var);

 private:
  void *mem_ctx;
  open_hash_table *ht;
  ir_variable *current_lhs = nullptr;
};

// Math instructions, texture lookups (and discards) and flow control.
void calculate_ir_stats(exec_list *instructions, int *math, int *tex, int *flow);

// Drops declarations of record types that no variable, constant, function
// return type or other used record needs.
void remove_unused_struct_declarations(exec_list *instructions);

// The float value of the numeric literal at the start of `text`, rounded
// once; `end` receives the position after it (`text` when there is none).
float glsl_strtof(const char *text, char **end);
