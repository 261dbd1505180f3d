// Hierarchical pool allocator.
//
// Every block may have a parent block; freeing a block frees its whole
// subtree, so a compilation allocates its IR, strings and tables under one
// context and drops all of it with one call. The pointer handed out is the
// payload; a header in front of it links the block into its parent's list of
// children (newest first). Payloads are zero-filled at creation.
#pragma once

#include <cstdarg>
#include <cstddef>

// A new empty block under `ctx` (null: a root); null when out of memory.
void *ralloc_context(const void *ctx);
void *ralloc_size(const void *ctx, size_t size);
void *ralloc_size_zeroed(const void *ctx, size_t size);
// count x size bytes; null when the product overflows.
void *ralloc_array_size(const void *ctx, size_t size, size_t count);
void *ralloc_array_size_zeroed(const void *ctx, size_t size, size_t count);
// Resizes `ptr` (whose parent must be `ctx`); a null `ptr` makes a new block
// under `ctx`. On failure returns null and leaves the old block untouched.
void *reralloc_size(const void *ctx, void *ptr, size_t size);
void *reralloc_array_size(const void *ctx, void *ptr, size_t size,
                          size_t count);

void *ralloc_parent(const void *ptr);
void ralloc_free(void *ptr);
// Moves `ptr` with its subtree under `new_ctx` (which must be a block).
void ralloc_steal(const void *new_ctx, void *ptr);
void ralloc_set_destructor(const void *ptr, void (*destructor)(void *));

// The process-wide root context, released at exit.
void *ralloc_global_context();

// Pool strings: NUL-terminated text in a block of exactly length + 1 bytes.
char *ralloc_strdup(const void *ctx, const char *str);
bool ralloc_strcat(char **dest, const char *str);
bool ralloc_strncat(char **dest, const char *str, size_t n);
char *ralloc_asprintf(const void *ctx, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));
char *ralloc_vasprintf(const void *ctx, const char *fmt, va_list args)
    __attribute__((format(printf, 2, 0)));
bool ralloc_asprintf_append(char **str, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));
bool ralloc_vasprintf_append(char **str, const char *fmt, va_list args)
    __attribute__((format(printf, 2, 0)));
// Writes the text at *start, cutting off what followed, and advances *start
// by the length written. False (and nothing changed) when out of memory.
bool ralloc_asprintf_rewrite_tail(char **str, size_t *start, const char *fmt,
                                  ...) __attribute__((format(printf, 3, 4)));
bool ralloc_vasprintf_rewrite_tail(char **str, size_t *start, const char *fmt,
                                   va_list args)
    __attribute__((format(printf, 3, 0)));
// Characters the formatted text has, without the NUL.
size_t printf_length(const char *fmt, va_list args)
    __attribute__((format(printf, 1, 0)));

// Typed helpers in the style of the C interface.
template <typename T>
T *ralloc(const void *ctx) {
  return static_cast<T *>(ralloc_size(ctx, sizeof(T)));
}
template <typename T>
T *rzalloc(const void *ctx) {
  return static_cast<T *>(ralloc_size_zeroed(ctx, sizeof(T)));
}
template <typename T>
T *ralloc_array(const void *ctx, size_t count) {
  return static_cast<T *>(ralloc_array_size(ctx, sizeof(T), count));
}
template <typename T>
T *rzalloc_array(const void *ctx, size_t count) {
  return static_cast<T *>(ralloc_array_size_zeroed(ctx, sizeof(T), count));
}
template <typename T>
T *reralloc_array(const void *ctx, T *ptr, size_t count) {
  return static_cast<T *>(reralloc_array_size(ctx, ptr, sizeof(T), count));
}

// Test hook: the next `count` system allocations of the pool succeed and
// every later one fails, until called again with a negative count.
void ralloc_fail_after(long count);
