// The lexer and the hand-written recursive-descent parser: preprocessed
// tokens in, the AST of the GLSL ES 1.00, GLSL 1.10 or GLSL 1.20 grammar out.
//
// Keywords and reserved words follow the shader's language version. A name
// is a type name when the symbol table holds a built-in type under it (so
// the extensions a shader enables bring their types) or when a structure of
// that name is in scope at that point of the text.
#pragma once

#include <vector>

#include "shadercompiler/frontend/ast.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"

// Nesting of parentheses, brackets, calls and statements the parser follows
// before it refuses the text, and the depth an expression tree may reach
// (a long chain of binary operators nests without parentheses).
constexpr unsigned kMaxParserNesting = 200;
constexpr unsigned kMaxExpressionDepth = 512;

// Parses the tokens into `unit`, allocating nodes under `state`, whose
// language must be fixed and whose symbol table must hold the built-in
// types. Lexical and syntax errors go to the state's log; returns false
// when there was any, in which case the tree is incomplete.
bool glsl_parse(glsl_parse_state *state, const std::vector<glsl_pp_token> &tokens,
                ast_translation_unit *unit);
