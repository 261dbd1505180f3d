// The shader's link: what a translated shader needs before it is complete.
#pragma once

struct exec_list;
struct glsl_parse_state;

// Checks that main is defined and every called function has a body,
// reports static recursion, and on success copies the called built-in
// signatures (with what they call) from the built-in library into the
// shader, re-targets the calls at the copies and runs the global
// initialisers at the start of main.
void glsl_link_shader(glsl_parse_state *state, exec_list *instructions);
