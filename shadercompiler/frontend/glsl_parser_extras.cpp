#include "shadercompiler/frontend/glsl_parser_extras.h"

#include <cstdarg>
#include <new>

#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/shc_assert.h"

namespace {

void destroy_state(void *state) {
  static_cast<glsl_parse_state *>(state)->~glsl_parse_state();
}

}  // namespace

glsl_parse_state::glsl_parse_state(gl_shader_stage stage, bool is_es,
                                   unsigned glsl_version)
    : is_es(is_es), glsl_version(glsl_version), shader_stage(stage),
      info_log(ralloc_strdup(this, "")), symbols(new (this) glsl_symbol_table) {}

// The info log and the symbol table are pool children of the state and go
// with its block.
glsl_parse_state::~glsl_parse_state() = default;

void *glsl_parse_state::operator new(size_t size, void *ctx) {
  void *state = ralloc_size(ctx, size);
  SHC_ASSERT(state != NULL);
  ralloc_set_destructor(state, destroy_state);
  return state;
}

void glsl_parse_state::operator delete(void *state) {
  ralloc_set_destructor(state, nullptr);
  ralloc_free(state);
}

namespace {

void append_message(const glsl_source_location *location, glsl_parse_state *state,
                    const char *kind, const char *fmt, va_list args) {
  // A log that cannot grow keeps what it had; the flags still stand.
  if (!ralloc_asprintf_append(&state->info_log, "(%u,%u): %s: ",
                              location->first_line, location->first_column, kind))
    return;
  ralloc_vasprintf_append(&state->info_log, fmt, args);
  ralloc_asprintf_append(&state->info_log, "\n");
}

}  // namespace

void glsl_error(const glsl_source_location *location, glsl_parse_state *state,
                const char *fmt, ...) {
  state->error = true;
  state->error_count++;
  va_list args;
  va_start(args, fmt);
  append_message(location, state, "error", fmt, args);
  va_end(args);
}

void glsl_warning(const glsl_source_location *location, glsl_parse_state *state,
                  const char *fmt, ...) {
  state->warning_count++;
  va_list args;
  va_start(args, fmt);
  append_message(location, state, "warning", fmt, args);
  va_end(args);
}

char *function_prototype_string(const glsl_type *return_type, const char *name,
                                exec_list *parameters) {
  char *text = nullptr;
  if (return_type != nullptr)
    ralloc_asprintf_append(&text, "%s ", return_type->name);
  ralloc_asprintf_append(&text, "%s(", name);
  const char *separator = "";
  foreach_in_list(ir_variable, param, parameters) {
    ralloc_asprintf_append(&text, "%s%s", separator, param->type->name);
    separator = ", ";
  }
  ralloc_asprintf_append(&text, ")");
  return text;
}
