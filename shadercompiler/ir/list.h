// Intrusive doubly linked lists. A list owns two sentinel nodes, so the first
// real node's `prev` is the head sentinel and the last one's `next` the tail
// sentinel; a node is a sentinel when one of its links is null. Nodes not in
// a list have both links null.
#pragma once

#include <cstddef>

#include "shadercompiler/ir/support/shc_assert.h"

struct exec_node {
  exec_node *next = nullptr;
  exec_node *prev = nullptr;

  exec_node *get_next() { return next; }
  const exec_node *get_next() const { return next; }
  exec_node *get_prev() { return prev; }
  const exec_node *get_prev() const { return prev; }

  bool is_tail_sentinel() const { return next == nullptr; }
  bool is_head_sentinel() const { return prev == nullptr; }

  // Re-links the neighbours, skipping a side whose link is already null.
  void remove() {
    if (next != nullptr) next->prev = prev;
    if (prev != nullptr) prev->next = next;
    next = nullptr;
    prev = nullptr;
  }

  void insert_after(exec_node *after) {
    after->next = next;
    after->prev = this;
    next->prev = after;
    next = after;
  }

  void insert_before(exec_node *before) {
    before->next = this;
    before->prev = prev;
    prev->next = before;
    prev = before;
  }

  // The replacement takes this node's place; this node keeps its links.
  void replace_with(exec_node *replacement) {
    replacement->prev = prev;
    replacement->next = next;
    prev->next = replacement;
    next->prev = replacement;
  }
};

struct exec_list {
  exec_node head_sentinel;
  exec_node tail_sentinel;

  exec_list() { make_empty(); }
  // A list's sentinels point into the list itself: it is never copied.
  exec_list(const exec_list &) = delete;
  exec_list &operator=(const exec_list &) = delete;

  void make_empty() {
    head_sentinel.next = &tail_sentinel;
    head_sentinel.prev = nullptr;
    tail_sentinel.next = nullptr;
    tail_sentinel.prev = &head_sentinel;
  }

  bool is_empty() const { return head_sentinel.next == &tail_sentinel; }

  exec_node *get_head() { return is_empty() ? nullptr : head_sentinel.next; }
  const exec_node *get_head() const {
    return is_empty() ? nullptr : head_sentinel.next;
  }
  exec_node *get_tail() { return is_empty() ? nullptr : tail_sentinel.prev; }
  const exec_node *get_tail() const {
    return is_empty() ? nullptr : tail_sentinel.prev;
  }

  unsigned length() const {
    unsigned size = 0;
    for (const exec_node *n = head_sentinel.next; n->next != nullptr; n = n->next)
      size++;
    return size;
  }

  void push_head(exec_node *n) { head_sentinel.insert_after(n); }
  void push_tail(exec_node *n) { tail_sentinel.insert_before(n); }

  exec_node *pop_head() {
    exec_node *n = get_head();
    if (n != nullptr) n->remove();
    return n;
  }

  // Moves every node to `target`, which must be empty; this list empties.
  void move_nodes_to(exec_list *target) {
    if (is_empty()) {
      target->make_empty();
      return;
    }
    target->head_sentinel.next = head_sentinel.next;
    target->head_sentinel.next->prev = &target->head_sentinel;
    target->tail_sentinel.prev = tail_sentinel.prev;
    target->tail_sentinel.prev->next = &target->tail_sentinel;
    make_empty();
  }

  // Appends every node of `source`, which empties.
  void append_list(exec_list *source) {
    if (source->is_empty()) return;
    exec_node *first = source->head_sentinel.next;
    exec_node *last = source->tail_sentinel.prev;
    first->prev = tail_sentinel.prev;
    tail_sentinel.prev->next = first;
    last->next = &tail_sentinel;
    tail_sentinel.prev = last;
    source->make_empty();
  }

  // Links a chain of nodes (ending in a null `next`) in at the head. The
  // chain's first node must be consistent with its successor.
  void push_degenerate_list_at_head(exec_node *n) {
    SHC_ASSERT(n->prev->next == n);
    exec_node *last = n;
    while (last->next != nullptr) last = last->next;
    n->prev = &head_sentinel;
    last->next = head_sentinel.next;
    head_sentinel.next->prev = last;
    head_sentinel.next = n;
  }
};

// Iteration where the successor is fetched before the node is handed out, so
// the loop body may remove or replace the node. `type` is the node class.
#define foreach_in_list_safe(type, node, list)                               \
  for (exec_node *node##_link = (list)->head_sentinel.next,                  \
                 *node##_next = node##_link->next;                           \
       node##_next != nullptr; node##_link = node##_next,                    \
                 node##_next = node##_link->next)                            \
    if (type *node = static_cast<type *>(node##_link); true)

#define foreach_in_list(type, node, list) foreach_in_list_safe(type, node, list)

// Walks two lists in step until the shorter one ends.
#define foreach_two_lists(a_node, a_list, b_node, b_list)                    \
  for (exec_node *a_node = (a_list)->head_sentinel.next,                     \
                 *b_node = (b_list)->head_sentinel.next;                     \
       a_node->next != nullptr && b_node->next != nullptr;                   \
       a_node = a_node->next, b_node = b_node->next)
