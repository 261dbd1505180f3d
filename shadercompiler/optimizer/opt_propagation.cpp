// Constant and copy propagation within straight-line code, propagation of
// variables main assigns once, and grafting of single-use temporaries.
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_analyses.h"
#include "shadercompiler/ir/ir_rvalue_visitor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/optimizer/ir_optimization.h"
#include "shadercompiler/optimizer/optimizer_support.h"

namespace {

// Hands the rvalue slots of one statement to the visitor, without entering
// the statement lists nested in it; the left-hand side of an assignment is
// walked as an assignee, so that only its indices are offered.
void visit_statement_values(ir_instruction *ir, ir_rvalue_visitor *v) {
  auto slot = [v](ir_rvalue **value) {
    if (*value == nullptr) return;
    (*value)->accept(v);
    v->handle_rvalue(value);
  };
  switch (ir->ir_type) {
    case ir_type_assignment: {
      auto *a = static_cast<ir_assignment *>(ir);
      v->in_assignee = true;
      a->lhs->accept(v);
      v->in_assignee = false;
      slot(&a->rhs);
      slot(&a->condition);
      return;
    }
    case ir_type_if: slot(&static_cast<ir_if *>(ir)->condition); return;
    case ir_type_return: slot(&static_cast<ir_return *>(ir)->value); return;
    case ir_type_discard: slot(&static_cast<ir_discard *>(ir)->condition); return;
    case ir_type_call: {
      auto *c = static_cast<ir_call *>(ir);
      foreach_in_list(ir_rvalue, param, &c->actual_parameters) {
        ir_rvalue *p = param;
        slot(&p);
        if (p != param) param->replace_with(p);
      }
      return;
    }
    default: return;
  }
}

// The variables a statement writes (assignees and a call's outputs).
class write_finder : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
  ir_visitor_status visit(ir_dereference_variable *d) override {
    if (in_assignee) written.insert(d->var);
    return visit_continue;
  }
  std::unordered_set<ir_variable *> written;
};

void writes_of(ir_instruction *ir, std::unordered_set<ir_variable *> *out) {
  write_finder f;
  if (ir_assignment *a = ir->as_assignment()) {
    f.in_assignee = true;
    a->lhs->accept(&f);
    f.in_assignee = false;
  } else if (ir_call *c = ir->as_call()) {
    if (c->return_deref != nullptr) f.written.insert(c->return_deref->var);
    foreach_in_list(ir_rvalue, param, &c->actual_parameters)
      if (ir_variable *var = param->variable_referenced()) f.written.insert(var);
  }
  out->insert(f.written.begin(), f.written.end());
}

bool is_scalar_or_vector(const glsl_type *t) { return t->is_scalar() || t->is_vector(); }

template <typename F>
void for_each_instruction_of_block(ir_instruction *first, ir_instruction *last, F &&f) {
  for (ir_instruction *ir = first;;) {
    exec_node *next = ir->next;
    const bool end = ir == last;
    f(ir);
    if (end || next->is_tail_sentinel()) return;
    ir = static_cast<ir_instruction *>(next);
  }
}

// ------------------------------------------------------- constants
struct known_components {
  unsigned mask = 0;
  ir_constant_data values{};
};

class constant_replacer : public ir_rvalue_visitor {
 public:
  constant_replacer(void *mem, std::unordered_map<ir_variable *, known_components> *table)
      : mem_(mem), table_(table) {}

  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr || in_assignee) return;
    if (ir_dereference_variable *d = (*rvalue)->as_dereference_variable()) {
      auto it = table_->find(d->var);
      if (it == table_->end() || !is_scalar_or_vector(d->type)) return;
      const unsigned all = (1u << d->type->vector_elements) - 1;
      if ((it->second.mask & all) != all) return;
      replace(rvalue, d->type, it->second.values, nullptr, d->type->vector_elements);
      return;
    }
    ir_swizzle *s = (*rvalue)->as_swizzle();
    if (s == nullptr) return;
    ir_dereference_variable *d = s->val->as_dereference_variable();
    if (d == nullptr) return;
    auto it = table_->find(d->var);
    if (it == table_->end() || !is_scalar_or_vector(d->type)) return;
    const unsigned selectors[4] = {s->mask.x, s->mask.y, s->mask.z, s->mask.w};
    for (unsigned i = 0; i < s->mask.num_components; i++)
      if (!(it->second.mask & (1u << selectors[i]))) return;
    replace(rvalue, s->type, it->second.values, selectors, s->mask.num_components);
  }

  bool progress = false;

 private:
  void replace(ir_rvalue **rvalue, const glsl_type *type, const ir_constant_data &values,
               const unsigned *selectors, unsigned count) {
    ir_constant_data data{};
    for (unsigned i = 0; i < count; i++) {
      const unsigned from = selectors ? selectors[i] : i;
      if (type->is_boolean()) data.b[i] = values.b[from];
      else data.u[i] = values.u[from];
    }
    *rvalue = new (mem_) ir_constant(type, &data, (*rvalue)->precision);
    progress = true;
  }

  void *mem_;
  std::unordered_map<ir_variable *, known_components> *table_;
};

struct block_pass {
  void *mem;
  bool progress = false;
};

// Whether a loop leaves in its first statement, given what is known on
// entry: for (int i = 0; i < 0; i++) never runs its body.
bool never_entered(void *mem, ir_loop *loop,
                   std::unordered_map<ir_variable *, known_components> *table) {
  exec_node *head = loop->body_instructions.get_head();
  if (head == nullptr) return false;
  ir_if *test = static_cast<ir_instruction *>(head)->as_if();
  if (test == nullptr || !test->else_instructions.is_empty()) return false;
  exec_node *only = test->then_instructions.get_head();
  if (only == nullptr || !only->next->is_tail_sentinel()) return false;
  ir_loop_jump *jump = static_cast<ir_instruction *>(only)->as_loop_jump();
  if (jump == nullptr || !jump->is_break()) return false;
  void *scratch = ralloc_context(nullptr);
  ir_rvalue *condition = test->condition->clone(scratch, nullptr);
  constant_replacer known(scratch, table);
  condition->accept(&known);
  known.handle_rvalue(&condition);
  ir_constant *value = condition->constant_expression_value(nullptr);
  const bool leaves = value != nullptr && value->get_bool_component(0);
  ralloc_free(scratch);
  (void)mem;
  return leaves;
}

void constant_block(ir_instruction *first, ir_instruction *last, void *data) {
  auto *pass = static_cast<block_pass *>(data);
  std::unordered_map<ir_variable *, known_components> table;
  constant_replacer replacer(pass->mem, &table);
  for_each_instruction_of_block(first, last, [&](ir_instruction *ir) {
    if (ir_loop *loop = ir->as_loop()) {
      if (never_entered(pass->mem, loop, &table)) {
        loop->remove();
        pass->progress = true;
      }
      return;
    }
    visit_statement_values(ir, &replacer);
    if (ir->as_call() != nullptr) {
      table.clear();
      return;
    }
    ir_assignment *a = ir->as_assignment();
    if (a == nullptr) return;
    ir_variable *var = a->lhs->variable_referenced();
    if (var == nullptr) return;
    ir_dereference_variable *whole = a->lhs->as_dereference_variable();
    if (whole == nullptr || !is_scalar_or_vector(var->type)) {
      table.erase(var);
      return;
    }
    known_components &k = table[var];
    ir_constant *c = a->rhs->as_constant();
    unsigned channel = 0;
    for (unsigned i = 0; i < 4; i++) {
      if (!(a->write_mask & (1u << i))) continue;
      if (a->condition == nullptr && c != nullptr) {
        k.mask |= 1u << i;
        if (var->type->is_boolean()) k.values.b[i] = c->value.b[channel];
        else k.values.u[i] = c->value.u[channel];
      } else {
        k.mask &= ~(1u << i);
      }
      channel++;
    }
  });
  pass->progress = replacer.progress || pass->progress;
}

// ------------------------------------------------------- dead stores
class read_collector : public ir_rvalue_visitor {
 public:
   using ir_rvalue_visitor::visit_leave;
  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr || in_assignee) return;
    if (ir_dereference_variable *d = (*rvalue)->as_dereference_variable()) read.insert(d->var);
  }
  ir_visitor_status visit_leave(ir_texture *t) override {
    if (ir_variable *v = t->sampler->variable_referenced()) read.insert(v);
    return ir_rvalue_visitor::visit_leave(t);
  }
  std::unordered_set<ir_variable *> read;
};

struct pending_store {
  ir_assignment *store;
  unsigned remaining;  // components not yet written again
};

// A store that later statements of the same straight-line code overwrite
// before anything reads it does nothing.
void dead_store_block(ir_instruction *first, ir_instruction *last, void *data) {
  auto *pass = static_cast<block_pass *>(data);
  std::unordered_map<ir_variable *, std::vector<pending_store>> pending;
  for_each_instruction_of_block(first, last, [&](ir_instruction *ir) {
    if (ir->as_call() != nullptr) {
      pending.clear();
      return;
    }
    read_collector reads;
    visit_statement_values(ir, &reads);
    for (ir_variable *v : reads.read) pending.erase(v);
    ir_assignment *a = ir->as_assignment();
    if (a == nullptr) return;
    ir_variable *var = a->lhs->variable_referenced();
    if (var == nullptr) return;
    ir_dereference_variable *whole = a->lhs->as_dereference_variable();
    if (whole == nullptr || a->condition != nullptr) {
      // Part of the variable, or maybe: the earlier stores stay needed
      // only as far as the part; keep them all.
      if (whole == nullptr) pending.erase(var);
      return;
    }
    const glsl_type *t = var->type;
    const unsigned mask = t->is_vector() ? a->write_mask & ((1u << t->vector_elements) - 1) : 1;
    std::vector<pending_store> &stores = pending[var];
    for (auto it = stores.begin(); it != stores.end();) {
      it->remaining &= ~mask;
      if (it->remaining == 0) {
        it->store->remove();
        pass->progress = true;
        it = stores.erase(it);
      } else {
        ++it;
      }
    }
    stores.push_back({a, mask});
  });
}

// ------------------------------------------------------- copies
class copy_replacer : public ir_rvalue_visitor {
 public:
  copy_replacer(void *mem, std::unordered_map<ir_variable *, ir_variable *> *table)
      : mem_(mem), table_(table) {}

  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr || in_assignee) return;
    ir_dereference_variable *d = (*rvalue)->as_dereference_variable();
    if (d == nullptr) return;
    auto it = table_->find(d->var);
    if (it == table_->end()) return;
    d->var = it->second;
    progress = true;
  }

  bool progress = false;

 private:
  void *mem_;
  std::unordered_map<ir_variable *, ir_variable *> *table_;
};

bool is_whole_copy(ir_assignment *a, ir_variable **to, ir_variable **from) {
  if (a->condition != nullptr) return false;
  ir_dereference_variable *l = a->lhs->as_dereference_variable();
  ir_dereference_variable *r = a->rhs->as_dereference_variable();
  if (l == nullptr || r == nullptr || l->var == r->var || l->var->type != r->var->type)
    return false;
  const glsl_type *t = l->var->type;
  if (t->is_vector() && a->write_mask != (1u << t->vector_elements) - 1) return false;
  if (t->contains_opaque()) return false;
  *to = l->var;
  *from = r->var;
  return true;
}

void copy_block(ir_instruction *first, ir_instruction *last, void *data) {
  auto *pass = static_cast<block_pass *>(data);
  std::unordered_map<ir_variable *, ir_variable *> table;
  copy_replacer replacer(pass->mem, &table);
  for_each_instruction_of_block(first, last, [&](ir_instruction *ir) {
    // A read of the copy in the copy's own assignment would point at itself.
    visit_statement_values(ir, &replacer);
    if (ir->as_call() != nullptr) {
      table.clear();
      return;
    }
    std::unordered_set<ir_variable *> written;
    writes_of(ir, &written);
    for (auto it = table.begin(); it != table.end();) {
      if (written.count(it->first) || written.count(it->second)) it = table.erase(it);
      else ++it;
    }
    ir_assignment *a = ir->as_assignment();
    ir_variable *to, *from;
    if (a != nullptr && is_whole_copy(a, &to, &from)) table[to] = from;
  });
  pass->progress = replacer.progress || pass->progress;
}

// ------------------------------------------------------- grafting
class grafter : public ir_rvalue_visitor {
 public:
  grafter(ir_variable *var, ir_rvalue *value) : var_(var), value_(value) {}

  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr || in_assignee || value_ == nullptr) return;
    ir_dereference_variable *d = (*rvalue)->as_dereference_variable();
    if (d == nullptr || d->var != var_) return;
    *rvalue = value_;
    value_ = nullptr;
    grafted = true;
  }

  bool grafted = false;

 private:
  ir_variable *var_;
  ir_rvalue *value_;
};

class read_finder : public ir_rvalue_visitor {
 public:
  explicit read_finder(ir_variable *var) : var_(var) {}
  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr || in_assignee) return;
    ir_dereference_variable *d = (*rvalue)->as_dereference_variable();
    if (d != nullptr && d->var == var_) found = true;
  }
  bool found = false;

 private:
  ir_variable *var_;
};

struct graft_pass {
  use_counter *uses;
  bool progress = false;
};

bool graftable(ir_assignment *a, const use_counter &uses) {
  if (a->condition != nullptr) return false;
  ir_dereference_variable *l = a->lhs->as_dereference_variable();
  if (l == nullptr || !is_local_storage(l->var)) return false;
  const glsl_type *t = l->var->type;
  if (!(t->is_scalar() || t->is_vector() || t->is_matrix())) return false;
  if (t->is_vector() && a->write_mask != (1u << t->vector_elements) - 1) return false;
  const variable_uses &u = uses.of(l->var);
  return u.reads == 1 && u.writes == 1;
}

void graft_block(ir_instruction *first, ir_instruction *last, void *data) {
  auto *pass = static_cast<graft_pass *>(data);
  for (ir_instruction *ir = first; ir != last && !ir->next->is_tail_sentinel();) {
    auto *next = static_cast<ir_instruction *>(ir->next);
    ir_assignment *a = ir->as_assignment();
    if (a != nullptr && graftable(a, *pass->uses)) {
      ir_variable *var = a->lhs->variable_referenced();
      std::vector<ir_variable *> reads;
      collect_reads(a->rhs, &reads);
      for (ir_instruction *s = next;; s = static_cast<ir_instruction *>(s->next)) {
        read_finder finder(var);
        visit_statement_values(s, &finder);
        if (finder.found) {
          grafter g(var, a->rhs);
          visit_statement_values(s, &g);
          if (g.grafted) {
            a->remove();
            pass->progress = true;
          }
          break;
        }
        if (s == last || s->next->is_tail_sentinel()) break;
        if (s->as_variable() != nullptr) continue;
        if (s->as_assignment() == nullptr) break;  // control flow, discards, calls
        std::unordered_set<ir_variable *> written;
        writes_of(s, &written);
        const bool clobbered = std::any_of(reads.begin(), reads.end(),
                                           [&](ir_variable *v) { return written.count(v) != 0; });
        if (clobbered) break;
      }
    }
    ir = next;
  }
}

// ------------------------------------------------------- coalescing
// Whether the statement reads or writes the variable anywhere.
bool mentions(ir_instruction *ir, ir_variable *var) {
  struct search {
    ir_variable *var;
    bool found;
  } state{var, false};
  visit_tree(
      ir,
      [](ir_instruction *node, void *data) {
        auto *d = node->as_dereference_variable();
        auto *s = static_cast<search *>(data);
        if (d != nullptr && d->var == s->var) s->found = true;
      },
      &state);
  return state.found;
}

bool reads_variable(ir_rvalue *value, ir_variable *var) {
  std::vector<ir_variable *> reads;
  collect_reads(value, &reads);
  return std::find(reads.begin(), reads.end(), var) != reads.end();
}

struct coalesce_pass {
  use_counter *uses;
  bool progress = false;
};

// x = t, where t is a local built up by the statements just before and read
// nowhere else: those statements write x instead.
bool coalesce(ir_assignment *copy, ir_instruction *first, const use_counter &uses) {
  ir_variable *to, *from;
  if (!is_whole_copy(copy, &to, &from) || !is_local_storage(from)) return false;
  const variable_uses &u = uses.of(from);
  if (u.reads != 1) return false;
  std::vector<ir_assignment *> writes;
  unsigned covered = 0;
  const unsigned full = from->type->is_vector() ? (1u << from->type->vector_elements) - 1 : 1;
  for (exec_node *n = copy->prev; !n->is_head_sentinel(); n = n->prev) {
    auto *ir = static_cast<ir_instruction *>(n);
    if (ir->as_variable() == to) break;  // writes before it cannot name it
    ir_assignment *a = ir->as_assignment();
    if (a != nullptr && a->lhs->variable_referenced() == from) {
      if (a->condition != nullptr || reads_variable(a->rhs, to) || mentions(a->lhs, to) ||
          reads_variable(a->rhs, from))
        return false;
      writes.push_back(a);
      if (a->lhs->as_dereference_variable() != nullptr)
        covered |= from->type->is_vector() ? a->write_mask & full : full;
    } else if (ir->as_variable() == nullptr && mentions(ir, to)) {
      break;
    } else if (ir->as_variable() == nullptr && mentions(ir, from)) {
      return false;
    }
    if (ir == first) break;
  }
  if (writes.empty() || writes.size() != u.writes || covered != full) return false;
  for (ir_assignment *a : writes) {
    // Every write of `from` in the list is retargeted.
    class retarget : public ir_hierarchical_visitor {
     public:
       using ir_hierarchical_visitor::visit;
      retarget(ir_variable *from, ir_variable *to) : from_(from), to_(to) {}
      ir_visitor_status visit(ir_dereference_variable *d) override {
        if (in_assignee && d->var == from_) d->var = to_;
        return visit_continue;
      }

     private:
      ir_variable *from_, *to_;
    } r(from, to);
    r.in_assignee = true;
    a->lhs->accept(&r);
  }
  copy->remove();
  return true;
}

void coalesce_block(ir_instruction *first, ir_instruction *last, void *data) {
  auto *pass = static_cast<coalesce_pass *>(data);
  for_each_instruction_of_block(first, last, [&](ir_instruction *ir) {
    ir_assignment *a = ir->as_assignment();
    if (a != nullptr && ir != first && coalesce(a, first, *pass->uses)) pass->progress = true;
  });
}

// ------------------------------------------------------- vectors
// v.x = a; v.y = b; v.z = c; with scalar (or simple) values becomes
// v = vec3(a, b, c), which grafting can then move into its use.
bool combine_run(void *mem, ir_assignment *head) {
  ir_dereference_variable *target = head->lhs->as_dereference_variable();
  if (target == nullptr || head->condition != nullptr) return false;
  ir_variable *var = target->var;
  const glsl_type *t = var->type;
  if (!t->is_vector()) return false;
  const unsigned full = (1u << t->vector_elements) - 1;
  if ((head->write_mask & full) == full) return false;
  ir_rvalue *parts[4] = {nullptr, nullptr, nullptr, nullptr};
  std::vector<ir_assignment *> run;
  unsigned written = 0;
  for (exec_node *n = head; !n->is_tail_sentinel() && written != full; n = n->next) {
    ir_assignment *a = static_cast<ir_instruction *>(n)->as_assignment();
    if (a == nullptr || a->condition != nullptr) return false;
    ir_dereference_variable *lhs = a->lhs->as_dereference_variable();
    if (lhs == nullptr || lhs->var != var) return false;
    const unsigned mask = a->write_mask & full;
    if ((mask & written) != 0 || reads_variable(a->rhs, var)) return false;
    const unsigned count = a->rhs->type->vector_elements;
    if (count > 1 && !is_simple_value(a->rhs)) return false;
    unsigned channel = 0;
    for (unsigned i = 0; i < 4; i++) {
      if (!(mask & (1u << i))) continue;
      parts[i] = count == 1 ? a->rhs
                            : new (mem) ir_swizzle(a->rhs->clone(mem, nullptr), channel, 0, 0, 0, 1);
      channel++;
    }
    written |= mask;
    run.push_back(a);
  }
  if (written != full) return false;
  auto *vector = new (mem) ir_expression(ir_quadop_vector, t, parts[0], parts[1], parts[2], parts[3]);
  head->insert_before(new (mem) ir_assignment(new (mem) ir_dereference_variable(var), vector));
  for (ir_assignment *a : run) a->remove();
  return true;
}

// ------------------------------------------------------- assigned once
// The first top-level statement of main that reads each variable, and the
// last that writes it.
class position_recorder : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
  ir_visitor_status visit(ir_dereference_variable *d) override {
    if (in_assignee) last_write[d->var] = position;
    else first_read.emplace(d->var, position);
    return visit_continue;
  }
  unsigned position = 0;
  std::unordered_map<ir_variable *, unsigned> first_read, last_write;
};

class variable_replacer : public ir_rvalue_visitor {
 public:
  variable_replacer(ir_variable *from, ir_variable *to) : from_(from), to_(to) {}
  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr || in_assignee) return;
    ir_dereference_variable *d = (*rvalue)->as_dereference_variable();
    if (d != nullptr && d->var == from_) d->var = to_;
  }

 private:
  ir_variable *from_, *to_;
};

}  // namespace

bool propagate_constants(exec_list *instructions) {
  block_pass pass{ralloc_parent(instructions)};
  for_each_basic_block(instructions, constant_block, &pass);
  return pass.progress;
}

bool propagate_copies(exec_list *instructions) {
  block_pass pass{ralloc_parent(instructions)};
  for_each_basic_block(instructions, copy_block, &pass);
  return pass.progress;
}

bool remove_dead_stores(exec_list *instructions) {
  block_pass pass{ralloc_parent(instructions)};
  for_each_basic_block(instructions, dead_store_block, &pass);
  return pass.progress;
}

bool graft_trees(exec_list *instructions) {
  use_counter uses;
  uses.run(instructions);
  graft_pass pass{&uses};
  for_each_basic_block(instructions, graft_block, &pass);
  return pass.progress;
}

bool combine_vector_components(exec_list *instructions) {
  void *mem = ralloc_parent(instructions);
  bool progress = false;
  for_each_statement_list(instructions, [&](exec_list *list) {
    exec_node *n = list->head_sentinel.next;
    while (!n->is_tail_sentinel()) {
      ir_assignment *a = static_cast<ir_instruction *>(n)->as_assignment();
      exec_node *before = n->prev;
      if (a != nullptr && combine_run(mem, a)) {
        progress = true;
        n = before->next->next;  // after the new assignment
        continue;
      }
      n = n->next;
    }
  });
  return progress;
}

bool coalesce_copies(exec_list *instructions) {
  use_counter uses;
  uses.run(instructions);
  coalesce_pass pass{&uses};
  for_each_basic_block(instructions, coalesce_block, &pass);
  return pass.progress;
}

bool propagate_assigned_once(exec_list *instructions) {
  ir_function_signature *main = find_main_signature(instructions);
  if (main == nullptr) return false;
  use_counter uses;
  uses.run(instructions);
  position_recorder positions;
  std::unordered_map<ir_instruction *, unsigned> index;
  foreach_in_list(ir_instruction, ir, &main->body) {
    index[ir] = positions.position;
    ir->accept(&positions);
    positions.position++;
  }
  auto first_read = [&](ir_variable *v) {
    auto it = positions.first_read.find(v);
    return it == positions.first_read.end() ? ~0u : it->second;
  };
  bool progress = false;
  for (auto &[var, u] : uses.uses) {
    if (u.writes != 1 || u.reads == 0 || !is_local_storage(var) || u.last_write == nullptr)
      continue;
    ir_assignment *a = u.last_write;
    auto at = index.find(a);
    if (at == index.end() || a->condition != nullptr) continue;
    if (a->lhs->as_dereference_variable() == nullptr) continue;
    if (var->type->is_vector() && a->write_mask != (1u << var->type->vector_elements) - 1)
      continue;
    if (first_read(var) <= at->second) continue;
    if (ir_constant *c = a->rhs->as_constant()) {
      if (var->constant_value != nullptr || var->type->contains_opaque()) continue;
      var->constant_value = c->clone(var, nullptr);
      progress = true;
      continue;
    }
    ir_dereference_variable *source = a->rhs->as_dereference_variable();
    if (source == nullptr || source->var == var || source->var->type != var->type) continue;
    auto written = positions.last_write.find(source->var);
    if (written != positions.last_write.end() && written->second >= at->second) continue;
    if (source->var->data.mode == ir_var_shader_out) continue;
    variable_replacer replace(var, source->var);
    replace.run(&main->body);
    progress = true;
  }
  return progress;
}
