// Splitting shader text into preprocessing tokens.
#include <cstring>

#include "shadercompiler/frontend/glsl_pp_internal.h"

namespace {

bool is_identifier_start(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_identifier_char(char c) { return is_identifier_start(c) || is_digit(c); }

// Space, horizontal tab, vertical tab and form feed; line ends are apart.
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// The length of the operator or separator at `p` (longest match), 0 when
// the character is none.
size_t punctuator_length(const char *p) {
  const char a = p[0], b = p[1];
  if ((a == '<' || a == '>') && b == a && p[2] == '=') return 3;  // <<= >>=
  switch (a) {
    case '+': case '-': case '&': case '|':
      return b == a || b == '=' ? 2 : 1;  // ++ += -- -= && &= || |=
    case '<': case '>':
      return b == a || b == '=' ? 2 : 1;  // << <= >> >=
    case '^':
      return b == '^' || b == '=' ? 2 : 1;
    case '*': case '/': case '%': case '=': case '!':
      return b == '=' ? 2 : 1;
    case '[': case ']': case '(': case ')': case '{': case '}': case '~': case ':':
    case ';': case ',': case '?': case '.': case '#':
      return 1;
    default:
      return 0;
  }
}

class scanner {
 public:
  scanner(const char *text, unsigned first_line) : p_(text), line_(first_line) {}

  glsl_pp_scan_result run() {
    bool space = false;
    while (*p_ != '\0') {
      if (is_blank(*p_)) {
        advance(1);
        space = true;
      } else if (*p_ == '\r' || *p_ == '\n') {
        newline();
        space = false;
      } else if (p_[0] == '/' && p_[1] == '/') {
        while (*p_ != '\0' && *p_ != '\r' && *p_ != '\n') advance(1);
        space = true;
      } else if (p_[0] == '/' && p_[1] == '*') {
        block_comment();
        space = true;
      } else {
        token(space);
        space = false;
      }
    }
    glsl_pp_token end{glsl_pp_kind::end};
    end.line = line_;
    end.column = column_;
    result_.tokens.push_back(end);
    return std::move(result_);
  }

 private:
  void advance(size_t n) {
    p_ += n;
    column_ += static_cast<unsigned>(n);
  }

  void newline() {
    glsl_pp_token t{glsl_pp_kind::newline};
    t.line = line_;
    t.column = column_;
    result_.tokens.push_back(t);
    if (p_[0] == '\r' && p_[1] == '\n') p_++;
    p_++;
    line_++;
    column_ = 1;
  }

  // A comment counts as one space but keeps its line breaks, so that the
  // lines after it keep their numbers.
  void block_comment() {
    const unsigned line = line_, column = column_;
    advance(2);
    while (true) {
      if (*p_ == '\0') {
        result_.unterminated_comment = true;
        result_.comment_line = line;
        result_.comment_column = column;
        return;
      }
      if (p_[0] == '*' && p_[1] == '/') {
        advance(2);
        return;
      }
      if (*p_ == '\r' || *p_ == '\n')
        newline();
      else
        advance(1);
    }
  }

  void token(bool space) {
    glsl_pp_token t{glsl_pp_kind::other};
    t.space_before = space;
    t.line = line_;
    t.column = column_;
    const char *start = p_;
    if (is_identifier_start(*p_)) {
      t.kind = glsl_pp_kind::identifier;
      while (is_identifier_char(*p_)) p_++;
    } else if (is_digit(*p_) || (p_[0] == '.' && is_digit(p_[1]))) {
      t.kind = glsl_pp_kind::number;
      scan_number();
    } else if (const size_t n = punctuator_length(p_)) {
      t.kind = glsl_pp_kind::punctuator;
      p_ += n;
    } else {
      p_++;
    }
    t.text.assign(start, p_);
    column_ += static_cast<unsigned>(p_ - start);
    result_.tokens.push_back(std::move(t));
  }

  // A number and every letter, digit, underscore and period glued to it, so
  // that a malformed literal stays one token for the lexer to refuse; a sign
  // belongs to it only right after the exponent letter of a decimal number.
  void scan_number() {
    const bool hex = p_[0] == '0' && (p_[1] == 'x' || p_[1] == 'X');
    while (true) {
      if (is_identifier_char(*p_) || *p_ == '.') {
        p_++;
      } else if ((*p_ == '+' || *p_ == '-') && !hex && (p_[-1] == 'e' || p_[-1] == 'E')) {
        p_++;
      } else {
        return;
      }
    }
  }

  const char *p_;
  unsigned line_;
  unsigned column_ = 1;
  glsl_pp_scan_result result_;
};

}  // namespace

glsl_pp_scan_result glsl_pp_scan(const char *text, unsigned first_line) {
  return scanner(text, first_line).run();
}
