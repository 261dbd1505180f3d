// The GLSL preprocessor: directives, conditional groups and macro expansion
// over the shader text, producing the tokens the lexer classifies.
//
// It also fixes the shader's language from #version (GLSL ES 1.00, GLSL 1.10
// or 1.20), enables the extensions #extension names when the context offers
// them, and records the pragmas the compiler honours. Errors and warnings go
// to the parse state's log as "(line,column): error: ...".
//
// Hostile text is bounded: macro expansion stops with an error after a fixed
// amount of work or nesting, conditional groups nest at most
// `kMaxConditionalDepth` deep, and nothing is ever read past the text's end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct glsl_parse_state;

enum class glsl_pp_kind : uint8_t {
  identifier,
  number,      // a numeric literal as written, suffixes included
  punctuator,  // an operator or separator, longest match
  other,       // a character outside the language (never in the output)
  newline,     // internal: ends a line of the text
  end,         // internal: ends the text
};

struct glsl_pp_token {
  explicit glsl_pp_token(glsl_pp_kind kind = glsl_pp_kind::end) : kind(kind) {}

  glsl_pp_kind kind;
  bool space_before = false;  // white space or a comment came before it
  bool no_expand = false;     // a macro name met inside its own expansion
  unsigned line = 0;          // as #line and the first line number say
  unsigned column = 0;        // 1-based byte column in its physical line
  unsigned source = 0;        // source string number (__FILE__)
  std::string text;
};

constexpr unsigned kMaxConditionalDepth = 64;

// Preprocesses `source` (NUL-terminated) for the shader of `state`, whose
// stage and context (`state->ctx`, for extension support) must be set.
// `first_line` is the number of the text's first line. On return
// `state->is_es` and `state->glsl_version` hold the shader's language (GLSL
// 1.10 when the text has no #version). Returns false when the text cannot be
// compiled at all (an unsupported version, runaway macro expansion); the
// tokens are then incomplete. Other errors are only logged, and the tokens
// of the text that is not skipped are appended to `out`.
bool glsl_preprocess(glsl_parse_state *state, const char *source,
                     unsigned first_line, std::vector<glsl_pp_token> *out);

// The tokens as text, one line of text per line number, with a blank where
// the source had white space: the form `glslangValidator -E` prints.
std::string glsl_pp_tokens_to_text(const std::vector<glsl_pp_token> &tokens);
