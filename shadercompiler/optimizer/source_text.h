// Text operations on shader sources, shared by the GLSL-to-Metal converter
// and the GL layer's shader objects. White space is ASCII's: space, tab,
// line feed, carriage return, vertical tab and form feed.
#pragma once

#include <string>
#include <string_view>

// A copy without white space at either end.
std::string asTrimmedString(std::string_view text);

// Deletes // comments up to the end of their line and /* */ comments whole,
// in one scan, so that a // inside a /* */ comment (a URL, say) never cuts
// it open; an unterminated /* stays as it is.
void stripSourceCodeComments(std::string &text);

// Collapses every run of white space that holds three or more line feeds,
// from its first line feed to its last, into two line feeds.
void stripExtraBlankLines(std::string &text);

// Deletes every default-precision statement ("precision", a precision
// qualifier, a type, ";"), keeping the line feeds inside it so that lines
// keep their numbers, then every word highp, mediump and lowp. Names that
// merely begin with "precision" and code after a statement stay.
void stripGLSLPrecision(std::string &text);

// Whether a line of the text, outside comments, is a #version directive
// ("#version", "  #version", "# version").
bool hasGLSLVersionDirective(std::string_view text);
