// Pieces of the preprocessor with a test of their own: the scanner that
// splits the text into preprocessing tokens and the evaluator of #if
// expressions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shadercompiler/frontend/glsl_preprocessor.h"

struct glsl_pp_scan_result {
  // Tokens with a newline token for every line break (also those inside
  // block comments, which keep the line count) and an end token last.
  std::vector<glsl_pp_token> tokens;
  bool unterminated_comment = false;
  unsigned comment_line = 0, comment_column = 0;  // where it began
};

// Splits NUL-terminated text into preprocessing tokens; `first_line` numbers
// the first line. A carriage return, a line feed or the two together end a
// line.
glsl_pp_scan_result glsl_pp_scan(const char *text, unsigned first_line);

// Evaluates a #if expression in which `defined` is already replaced and
// macros are expanded, in 32-bit two's-complement arithmetic with the
// short-circuit of && and ||. On failure returns false with a message and
// the index of the token at fault (the token count for the end).
bool glsl_pp_evaluate(const std::vector<glsl_pp_token> &tokens, int32_t *value,
                      std::string *message, size_t *at);

// Reads an integer literal (decimal, octal with a leading 0, hexadecimal with
// 0x) that fits 32 bits unsigned; false for anything else.
bool glsl_pp_integer(const std::string &text, uint32_t *value);
