#include "shadercompiler/ir/support/ralloc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shadercompiler/ir/support/shc_assert.h"

namespace {

// Aligned so that the payload right behind it suits any scalar type.
struct alignas(16) ralloc_header {
  ralloc_header *parent;
  ralloc_header *child;  // newest child
  ralloc_header *prev;   // newer sibling
  ralloc_header *next;   // older sibling
  void (*destructor)(void *);
};

long fail_countdown = -1;

bool allocation_allowed() {
  if (fail_countdown < 0) return true;
  if (fail_countdown == 0) return false;
  --fail_countdown;
  return true;
}

void *system_calloc(size_t size) {
  return allocation_allowed() ? std::calloc(1, size) : nullptr;
}

void *system_realloc(void *ptr, size_t size) {
  return allocation_allowed() ? std::realloc(ptr, size) : nullptr;
}

ralloc_header *get_header(const void *ptr) {
  return reinterpret_cast<ralloc_header *>(
      const_cast<char *>(static_cast<const char *>(ptr)) -
      sizeof(ralloc_header));
}

void *payload(ralloc_header *info) {
  return reinterpret_cast<char *>(info) + sizeof(ralloc_header);
}

void add_child(ralloc_header *parent, ralloc_header *info) {
  if (parent == nullptr) return;
  info->parent = parent;
  info->next = parent->child;
  parent->child = info;
  if (info->next != nullptr) info->next->prev = info;
}

void unlink_block(ralloc_header *info) {
  if (info->parent != nullptr) {
    if (info->parent->child == info) info->parent->child = info->next;
    if (info->prev != nullptr) info->prev->next = info->next;
    if (info->next != nullptr) info->next->prev = info->prev;
  }
  info->parent = nullptr;
  info->prev = nullptr;
  info->next = nullptr;
}

// Frees a subtree whose root is already detached; inner blocks need no
// unlinking since their whole family goes with them.
void free_subtree(ralloc_header *info) {
  while (info->child != nullptr) {
    ralloc_header *child = info->child;
    info->child = child->next;
    free_subtree(child);
  }
  if (info->destructor != nullptr) info->destructor(payload(info));
  std::free(info);
}

// After a block moved in memory, its family must point at the new place.
void relink_moved(ralloc_header *old_info, ralloc_header *info) {
  if (info != old_info && info->parent != nullptr) {
    if (info->parent->child == old_info) info->parent->child = info;
    if (info->prev != nullptr) info->prev->next = info;
    if (info->next != nullptr) info->next->prev = info;
  }
  for (ralloc_header *child = info->child; child != nullptr;
       child = child->next)
    child->parent = info;
}

void *resize(void *ptr, size_t size) {
  if (size > SIZE_MAX - sizeof(ralloc_header)) return nullptr;
  ralloc_header *old_info = get_header(ptr);
  auto *info = static_cast<ralloc_header *>(
      system_realloc(old_info, sizeof(ralloc_header) + size));
  if (info == nullptr) return nullptr;
  relink_moved(old_info, info);
  return payload(info);
}

bool multiply_overflows(size_t a, size_t b) {
  return a != 0 && b > SIZE_MAX / a;
}

void *global_context = nullptr;

void free_global_context() {
  ralloc_free(global_context);
  global_context = nullptr;
}

bool cat(char **dest, const char *str, size_t n) {
  SHC_ASSERT(dest != NULL && *dest != NULL);
  size_t existing = std::strlen(*dest);
  auto *both = static_cast<char *>(resize(*dest, existing + n + 1));
  if (both == nullptr) return false;
  std::memcpy(both + existing, str, n);
  both[existing + n] = '\0';
  *dest = both;
  return true;
}

}  // namespace

void ralloc_fail_after(long count) { fail_countdown = count; }

void *ralloc_size(const void *ctx, size_t size) {
  if (size > SIZE_MAX - sizeof(ralloc_header)) return nullptr;
  auto *info =
      static_cast<ralloc_header *>(system_calloc(sizeof(ralloc_header) + size));
  if (info == nullptr) return nullptr;
  if (ctx != nullptr) add_child(get_header(ctx), info);
  return payload(info);
}

void *ralloc_context(const void *ctx) { return ralloc_size(ctx, 0); }

void *ralloc_size_zeroed(const void *ctx, size_t size) {
  void *ptr = ralloc_size(ctx, size);
  if (ptr != nullptr) std::memset(ptr, 0, size);
  return ptr;
}

void *ralloc_array_size(const void *ctx, size_t size, size_t count) {
  if (multiply_overflows(size, count)) return nullptr;
  return ralloc_size(ctx, size * count);
}

void *ralloc_array_size_zeroed(const void *ctx, size_t size, size_t count) {
  if (multiply_overflows(size, count)) return nullptr;
  return ralloc_size_zeroed(ctx, size * count);
}

void *reralloc_size(const void *ctx, void *ptr, size_t size) {
  if (ptr == nullptr) return ralloc_size(ctx, size);
  SHC_ASSERT(ralloc_parent(ptr) == ctx);
  return resize(ptr, size);
}

void *reralloc_array_size(const void *ctx, void *ptr, size_t size,
                          size_t count) {
  if (multiply_overflows(size, count)) return nullptr;
  return reralloc_size(ctx, ptr, size * count);
}

void *ralloc_parent(const void *ptr) {
  if (ptr == nullptr) return nullptr;
  ralloc_header *info = get_header(ptr);
  return info->parent != nullptr ? payload(info->parent) : nullptr;
}

void ralloc_free(void *ptr) {
  if (ptr == nullptr) return;
  ralloc_header *info = get_header(ptr);
  unlink_block(info);
  free_subtree(info);
}

void ralloc_steal(const void *new_ctx, void *ptr) {
  if (ptr == nullptr) return;
  ralloc_header *info = get_header(ptr);
  unlink_block(info);
  add_child(get_header(new_ctx), info);
}

void ralloc_set_destructor(const void *ptr, void (*destructor)(void *)) {
  get_header(ptr)->destructor = destructor;
}

void *ralloc_global_context() {
  if (global_context == nullptr) {
    global_context = ralloc_context(nullptr);
    std::atexit(free_global_context);
  }
  return global_context;
}

char *ralloc_strdup(const void *ctx, const char *str) {
  if (str == nullptr) return nullptr;
  size_t n = std::strlen(str);
  auto *copy = static_cast<char *>(ralloc_size(ctx, n + 1));
  if (copy != nullptr) std::memcpy(copy, str, n + 1);
  return copy;
}

bool ralloc_strcat(char **dest, const char *str) {
  return cat(dest, str, std::strlen(str));
}

bool ralloc_strncat(char **dest, const char *str, size_t n) {
  return cat(dest, str, strnlen(str, n));
}

size_t printf_length(const char *fmt, va_list args) {
  char junk;
  va_list copy;
  va_copy(copy, args);
  int size = std::vsnprintf(&junk, 1, fmt, copy);
  va_end(copy);
  SHC_ASSERT(size >= 0);
  return static_cast<size_t>(size);
}

char *ralloc_asprintf(const void *ctx, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  char *str = ralloc_vasprintf(ctx, fmt, args);
  va_end(args);
  return str;
}

char *ralloc_vasprintf(const void *ctx, const char *fmt, va_list args) {
  size_t size = printf_length(fmt, args) + 1;
  auto *str = static_cast<char *>(ralloc_size(ctx, size));
  if (str != nullptr) {
    va_list copy;
    va_copy(copy, args);
    std::vsnprintf(str, size, fmt, copy);
    va_end(copy);
  }
  return str;
}

bool ralloc_asprintf_append(char **str, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  bool success = ralloc_vasprintf_append(str, fmt, args);
  va_end(args);
  return success;
}

bool ralloc_vasprintf_append(char **str, const char *fmt, va_list args) {
  SHC_ASSERT(str != NULL);
  size_t existing = *str != nullptr ? std::strlen(*str) : 0;
  return ralloc_vasprintf_rewrite_tail(str, &existing, fmt, args);
}

bool ralloc_asprintf_rewrite_tail(char **str, size_t *start, const char *fmt,
                                  ...) {
  va_list args;
  va_start(args, fmt);
  bool success = ralloc_vasprintf_rewrite_tail(str, start, fmt, args);
  va_end(args);
  return success;
}

bool ralloc_vasprintf_rewrite_tail(char **str, size_t *start, const char *fmt,
                                   va_list args) {
  SHC_ASSERT(str != NULL);
  if (*str == nullptr) {
    char *fresh = ralloc_vasprintf(nullptr, fmt, args);
    if (fresh == nullptr) return false;
    *str = fresh;
    *start = std::strlen(fresh);
    return true;
  }
  size_t new_length = printf_length(fmt, args);
  if (new_length > SIZE_MAX - 1 - *start) return false;
  auto *ptr = static_cast<char *>(resize(*str, *start + new_length + 1));
  if (ptr == nullptr) return false;
  va_list copy;
  va_copy(copy, args);
  std::vsnprintf(ptr + *start, new_length + 1, fmt, copy);
  va_end(copy);
  *str = ptr;
  *start += new_length;
  return true;
}
