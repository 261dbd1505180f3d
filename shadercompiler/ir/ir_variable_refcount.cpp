#include <new>

#include "shadercompiler/ir/ir_analyses.h"
#include "shadercompiler/ir/support/open_hash_table.h"
#include "shadercompiler/ir/support/out_of_memory.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

uint32_t pointer_hash(const void *p) { return fnv1a_hash_data(&p, sizeof(p)); }

void delete_entry(open_hash_entry *entry) {
  delete static_cast<ir_variable_refcount_entry *>(entry->data);
}

}  // namespace

ir_variable_refcount_visitor::ir_variable_refcount_visitor()
    : mem_ctx(ralloc_context(nullptr)),
      ht(open_hash_table_create(mem_ctx, key_pointer_equal)) {}

ir_variable_refcount_visitor::~ir_variable_refcount_visitor() {
  open_hash_table_destroy(ht, delete_entry);
  ralloc_free(mem_ctx);
}

ir_variable_refcount_entry *ir_variable_refcount_visitor::find_variable_entry(
    ir_variable *var) {
  if (ht == nullptr) return nullptr;
  open_hash_entry *e = open_hash_table_search(ht, pointer_hash(var), var);
  return e != nullptr ? static_cast<ir_variable_refcount_entry *>(e->data) : nullptr;
}

ir_variable_refcount_entry *ir_variable_refcount_visitor::get_variable_entry(
    ir_variable *var) {
  if (ir_variable_refcount_entry *found = find_variable_entry(var)) return found;
  if (ht == nullptr) return nullptr;
  auto *entry = new (std::nothrow) ir_variable_refcount_entry;
  if (entry == nullptr) return nullptr;
  entry->var = var;
  // A table that is full and cannot grow records nothing more.
  if (open_hash_table_insert(ht, pointer_hash(var), var, entry) == nullptr) {
    report_out_of_memory("ir_variable_refcount_visitor");
    delete entry;
    return nullptr;
  }
  return entry;
}

ir_visitor_status ir_variable_refcount_visitor::visit(ir_variable *ir) {
  if (ir_variable_refcount_entry *entry = get_variable_entry(ir))
    entry->declaration = true;
  return visit_continue;
}

ir_visitor_status ir_variable_refcount_visitor::visit(ir_dereference_variable *ir) {
  if (ir_variable_refcount_entry *entry = get_variable_entry(ir->var)) {
    entry->referenced_count++;
    if (in_assignee || ir->var != current_lhs) entry->referenced_count_excluding_self++;
  }
  return visit_continue;
}

// Parameters are not declarations a dead-code pass could remove: only the
// body is walked.
ir_visitor_status ir_variable_refcount_visitor::visit_enter(ir_function_signature *ir) {
  visit_list_elements(this, &ir->body);
  return visit_continue_with_parent;
}

ir_visitor_status ir_variable_refcount_visitor::visit_enter(ir_assignment *ir) {
  current_lhs = ir->lhs->variable_referenced();
  return visit_continue;
}

ir_visitor_status ir_variable_refcount_visitor::visit_leave(ir_assignment *ir) {
  current_lhs = nullptr;
  ir_variable *var = ir->lhs->variable_referenced();
  if (var == nullptr) return visit_continue;
  if (ir_variable_refcount_entry *entry = get_variable_entry(var)) {
    entry->assigned_count++;
    if (entry->assign == nullptr) entry->assign = ir;
  }
  return visit_continue;
}
