// Directives, conditional groups and macro expansion.
//
// The text is scanned once into tokens with a newline token per line break.
// A '#' that starts a line opens a directive, which ends at the next
// newline. Other lines are macro-expanded when no conditional group skips
// them. Expansion reads from a stack of contexts over the text: each macro
// replacement is pushed as a context that keeps its macro active until the
// context is read to its end, and an active macro's name is marked never to
// expand again (so a macro that names itself, directly or through others,
// stops there). Arguments are expanded completely before they replace the
// parameters, as in C. GLSL has no '#' and '##' operators.
#include "shadercompiler/frontend/glsl_preprocessor.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "shadercompiler/frontend/glsl_extensions.h"
#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_pp_internal.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace {

// Tokens produced by expansion (each replacement and each output token
// counts) before the text is refused: a chain of macros that each double
// their predecessor would otherwise grow without bound.
constexpr size_t kMaxExpansionWork = size_t{1} << 18;
// Macro replacements read at once (a replacement ending in a call of the
// next macro can chain without end otherwise), and arguments expanded
// within arguments.
constexpr size_t kMaxContextDepth = 256;
constexpr int kMaxArgumentDepth = 64;

enum class builtin_macro { none, line, file };

struct macro {
  bool function_like = false;
  bool predefined = false;
  builtin_macro builtin = builtin_macro::none;
  std::vector<std::string> parameters;
  std::vector<glsl_pp_token> body;
};

// One macro replacement being read, or an argument being expanded.
struct context {
  const macro *active;  // null for an argument's own stream
  std::vector<glsl_pp_token> tokens;
  size_t pos = 0;
};

struct conditional {
  bool active;     // the group being read is kept
  bool taken;      // some group of this #if was kept
  bool had_else;
  bool outer_active;
  unsigned line, column;
};

bool is_punctuator(const glsl_pp_token &t, const char *text) {
  return t.kind == glsl_pp_kind::punctuator && t.text == text;
}

bool same_tokens(const std::vector<glsl_pp_token> &a, const std::vector<glsl_pp_token> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    if (a[i].text != b[i].text) return false;
    if (i > 0 && a[i].space_before != b[i].space_before) return false;
  }
  return true;
}

std::string join_tokens(const std::vector<glsl_pp_token> &tokens, size_t from) {
  std::string text;
  for (size_t i = from; i < tokens.size(); i++) {
    if (i > from && tokens[i].space_before) text += ' ';
    text += tokens[i].text;
  }
  return text;
}

class preprocessor;

// A stream of tokens for the expander: the contexts on top of a base that is
// either the shader text (from a position up to the end of a line, or across
// lines while a macro's arguments are collected) or an argument's tokens.
struct stream {
  preprocessor *pp;
  const stream *parent;  // the stream an argument is expanded for
  std::vector<context> contexts;
  const std::vector<glsl_pp_token> *argument = nullptr;  // null: the text
  size_t argument_pos = 0;
};

class preprocessor {
 public:
  preprocessor(glsl_parse_state *state, const char *source, unsigned first_line)
      : state_(state), scan_(glsl_pp_scan(source, first_line)) {}

  bool run(std::vector<glsl_pp_token> *out);

  // For the expander.
  bool fatal() const { return fatal_; }
  const glsl_pp_token &text_token(size_t i) const { return scan_.tokens[i]; }
  size_t &text_pos() { return pos_; }
  size_t text_position() const { return pos_; }
  bool directive_at(size_t i) const;
  glsl_pp_token from_text(size_t i) const;
  const macro *find_macro(const std::string &name) const {
    auto it = macros_.find(name);
    return it == macros_.end() ? nullptr : it->second.get();
  }
  bool count_work(const glsl_pp_token &at, size_t tokens);
  void error(const glsl_pp_token &at, const std::string &message);
  void fatal_error(const glsl_pp_token &at, const std::string &message);
  void warning(const glsl_pp_token &at, const std::string &message);
  glsl_pp_token builtin_value(const macro &m, const glsl_pp_token &at) const;

 private:
  void establish_language(unsigned version, bool es);
  void define_predefined(const char *name, const std::string &value);
  size_t line_end(size_t from) const;
  void directive(size_t begin, size_t end);
  void text_line(std::vector<glsl_pp_token> *out);

  void do_version(const std::vector<glsl_pp_token> &d);
  void do_define(const std::vector<glsl_pp_token> &d);
  void do_undef(const std::vector<glsl_pp_token> &d);
  void do_if(const std::vector<glsl_pp_token> &d, bool elif);
  void do_ifdef(const std::vector<glsl_pp_token> &d, bool negate);
  void do_else(const std::vector<glsl_pp_token> &d);
  void do_endif(const std::vector<glsl_pp_token> &d);
  void do_error(const std::vector<glsl_pp_token> &d);
  void do_pragma(const std::vector<glsl_pp_token> &d);
  void do_extension(const std::vector<glsl_pp_token> &d);
  void do_line(const std::vector<glsl_pp_token> &d, size_t end);
  bool check_macro_name(const glsl_pp_token &name, const char *directive);
  bool evaluate_condition(const std::vector<glsl_pp_token> &d, bool *value);
  bool expand_directive(const std::vector<glsl_pp_token> &d, size_t from,
                        std::vector<glsl_pp_token> *expanded);
  bool skipping() const { return !conditionals_.empty() && !conditionals_.back().active; }

  glsl_parse_state *state_;
  glsl_pp_scan_result scan_;
  size_t pos_ = 0;
  std::map<std::string, std::unique_ptr<macro>> macros_;
  std::vector<conditional> conditionals_;
  bool language_known_ = false;
  bool seen_content_ = false;  // anything but white space and comments so far
  bool fatal_ = false;
  size_t work_ = 0;
  int line_delta_ = 0;  // logical line minus physical line, set by #line
  unsigned source_ = 0;
};

void expand(stream &s, std::vector<glsl_pp_token> *out, int depth);

// The next token of the stream, or false at its end. Contexts read to their
// end are dropped first (their macros stop being active). The text base ends
// at a line end unless `across_lines`, which reads over line ends but stops
// (returning false) before a directive or the end of the text.
bool next_token(stream &s, glsl_pp_token *t, bool across_lines) {
  while (!s.contexts.empty() && s.contexts.back().pos >= s.contexts.back().tokens.size())
    s.contexts.pop_back();
  if (!s.contexts.empty()) {
    context &c = s.contexts.back();
    *t = c.tokens[c.pos++];
    return true;
  }
  if (s.argument != nullptr) {
    if (s.argument_pos >= s.argument->size()) return false;
    *t = (*s.argument)[s.argument_pos++];
    return true;
  }
  preprocessor &pp = *s.pp;
  size_t &pos = pp.text_pos();
  while (pp.text_token(pos).kind == glsl_pp_kind::newline) {
    if (!across_lines || pp.directive_at(pos + 1)) return false;
    pos++;
  }
  if (pp.text_token(pos).kind == glsl_pp_kind::end) return false;
  *t = pp.from_text(pos++);
  return true;
}

// Whether the next token, wherever it comes from, is '(' (a macro name
// followed by one is a call); nothing is consumed.
bool next_is_open_paren(const stream &s) {
  for (auto c = s.contexts.rbegin(); c != s.contexts.rend(); ++c)
    if (c->pos < c->tokens.size()) return is_punctuator(c->tokens[c->pos], "(");
  if (s.argument != nullptr)
    return s.argument_pos < s.argument->size() &&
           is_punctuator((*s.argument)[s.argument_pos], "(");
  const preprocessor &pp = *s.pp;
  size_t pos = pp.text_position();
  while (pp.text_token(pos).kind == glsl_pp_kind::newline) {
    if (pp.directive_at(pos + 1)) return false;
    pos++;
  }
  return is_punctuator(pp.text_token(pos), "(");
}

bool is_active(const stream *s, const macro *m) {
  for (; s != nullptr; s = s->parent)
    for (const context &c : s->contexts)
      if (c.active == m && c.pos <= c.tokens.size()) return true;
  return false;
}

// Collects the arguments of a call whose '(' is next; false (after an error)
// when the text ends first.
bool collect_arguments(stream &s, const glsl_pp_token &name,
                       std::vector<std::vector<glsl_pp_token>> *arguments) {
  glsl_pp_token t{glsl_pp_kind::end};
  next_token(s, &t, true);  // the '('
  arguments->emplace_back();
  int depth = 0;
  while (true) {
    if (!next_token(s, &t, true)) {
      s.pp->error(name, "unterminated call of macro '" + name.text + "'");
      return false;
    }
    if (is_punctuator(t, "(")) depth++;
    if (is_punctuator(t, ")")) {
      if (depth == 0) return true;
      depth--;
    }
    if (is_punctuator(t, ",") && depth == 0) {
      arguments->emplace_back();
      continue;
    }
    arguments->back().push_back(t);
  }
}

// Replaces the parameters of `m`'s body with the expanded arguments; every
// token takes the position of the macro's name.
std::vector<glsl_pp_token> substitute(const macro &m, const glsl_pp_token &name,
                                      const std::vector<std::vector<glsl_pp_token>> &arguments) {
  std::vector<glsl_pp_token> result;
  for (size_t i = 0; i < m.body.size(); i++) {
    const glsl_pp_token &b = m.body[i];
    size_t parameter = m.parameters.size();
    if (b.kind == glsl_pp_kind::identifier)
      for (size_t p = 0; p < m.parameters.size(); p++)
        if (m.parameters[p] == b.text) parameter = p;
    const size_t first = result.size();
    if (parameter < m.parameters.size()) {
      result.insert(result.end(), arguments[parameter].begin(), arguments[parameter].end());
      if (result.size() > first) result[first].space_before = b.space_before;
    } else {
      result.push_back(b);
    }
  }
  for (glsl_pp_token &t : result) {
    t.line = name.line;
    t.column = name.column;
    t.source = name.source;
  }
  if (!result.empty()) result.front().space_before = name.space_before;
  return result;
}

// Expands the call whose name `t` was just read; false when it is no call
// (a function-like macro without arguments) and `t` stands for itself.
bool expand_macro(stream &s, const macro &m, const glsl_pp_token &t, int depth) {
  preprocessor &pp = *s.pp;
  std::vector<glsl_pp_token> replacement;
  if (!m.function_like) {
    std::vector<std::vector<glsl_pp_token>> none;
    replacement = substitute(m, t, none);
  } else {
    if (!next_is_open_paren(s)) return false;
    std::vector<std::vector<glsl_pp_token>> raw;
    if (!collect_arguments(s, t, &raw)) return true;
    const size_t wanted = m.parameters.size();
    const bool empty_call = raw.size() == 1 && raw[0].empty();
    if (!(raw.size() == wanted || (wanted == 0 && empty_call))) {
      pp.error(t, "macro '" + t.text + "' takes " + std::to_string(wanted) + " argument" +
                      (wanted == 1 ? "" : "s") + ", not " + std::to_string(raw.size()));
      return true;
    }
    if (depth >= kMaxArgumentDepth) {
      pp.fatal_error(t, "macro arguments nested too deeply");
      return true;
    }
    std::vector<std::vector<glsl_pp_token>> expanded(raw.size());
    for (size_t i = 0; i < raw.size() && !pp.fatal(); i++) {
      stream a{&pp, &s, {}, &raw[i], 0};
      expand(a, &expanded[i], depth + 1);
    }
    replacement = substitute(m, t, expanded);
  }
  if (!pp.count_work(t, replacement.size())) return true;
  if (s.contexts.size() >= kMaxContextDepth) {
    pp.fatal_error(t, "macro expansion nested too deeply");
    return true;
  }
  s.contexts.push_back(context{&m, std::move(replacement), 0});
  return true;
}

void expand(stream &s, std::vector<glsl_pp_token> *out, int depth) {
  preprocessor &pp = *s.pp;
  glsl_pp_token t{glsl_pp_kind::end};
  while (!pp.fatal() && next_token(s, &t, false)) {
    const macro *m = nullptr;
    if (t.kind == glsl_pp_kind::identifier && !t.no_expand) m = pp.find_macro(t.text);
    if (m != nullptr && is_active(&s, m)) {
      t.no_expand = true;
      m = nullptr;
    }
    if (m != nullptr && m->builtin != builtin_macro::none) {
      out->push_back(pp.builtin_value(*m, t));
      continue;
    }
    if (m != nullptr && expand_macro(s, *m, t, depth)) continue;
    if (!pp.count_work(t, 1)) return;
    out->push_back(std::move(t));
  }
}

bool preprocessor::directive_at(size_t i) const {
  return is_punctuator(scan_.tokens[i], "#");
}

glsl_pp_token preprocessor::from_text(size_t i) const {
  glsl_pp_token t = scan_.tokens[i];
  t.line = static_cast<unsigned>(static_cast<int>(t.line) + line_delta_);
  t.source = source_;
  return t;
}

bool preprocessor::count_work(const glsl_pp_token &at, size_t tokens) {
  work_ += tokens;
  if (work_ <= kMaxExpansionWork) return true;
  fatal_error(at, "macro expansion produces too much text");
  return false;
}

void preprocessor::error(const glsl_pp_token &at, const std::string &message) {
  glsl_source_location location{at.line, at.column, at.line, at.column, at.source};
  glsl_error(&location, state_, "%s", message.c_str());
}

void preprocessor::fatal_error(const glsl_pp_token &at, const std::string &message) {
  if (fatal_) return;
  error(at, message);
  fatal_ = true;
}

void preprocessor::warning(const glsl_pp_token &at, const std::string &message) {
  glsl_source_location location{at.line, at.column, at.line, at.column, at.source};
  glsl_warning(&location, state_, "%s", message.c_str());
}

glsl_pp_token preprocessor::builtin_value(const macro &m, const glsl_pp_token &at) const {
  glsl_pp_token t = at;
  t.kind = glsl_pp_kind::number;
  t.text = std::to_string(m.builtin == builtin_macro::line ? at.line : at.source);
  return t;
}

void preprocessor::define_predefined(const char *name, const std::string &value) {
  auto m = std::make_unique<macro>();
  m->predefined = true;
  glsl_pp_token t{glsl_pp_kind::number};
  t.text = value;
  m->body.push_back(t);
  macros_[name] = std::move(m);
}

// The language is fixed by the first line's #version or, failing that, by
// the first line of anything else; the predefined macros follow from it.
void preprocessor::establish_language(unsigned version, bool es) {
  language_known_ = true;
  state_->is_es = es;
  state_->glsl_version = version;
  for (const char *name : {"__LINE__", "__FILE__"}) {
    auto m = std::make_unique<macro>();
    m->predefined = true;
    m->builtin = std::strcmp(name, "__LINE__") == 0 ? builtin_macro::line : builtin_macro::file;
    macros_[name] = std::move(m);
  }
  define_predefined("__VERSION__", std::to_string(version));
  if (es) {
    define_predefined("GL_ES", "1");
    // Every stage computes in 32-bit floats, so highp is there for fragments.
    define_predefined("GL_FRAGMENT_PRECISION_HIGH", "1");
  }
  for (const glsl_extension &e : glsl_extension_table())
    if (glsl_extension_offered(e, state_)) define_predefined(e.name, "1");
}

size_t preprocessor::line_end(size_t from) const {
  while (scan_.tokens[from].kind != glsl_pp_kind::newline &&
         scan_.tokens[from].kind != glsl_pp_kind::end)
    from++;
  return from;
}

bool preprocessor::run(std::vector<glsl_pp_token> *out) {
  bool line_start = true;
  while (!fatal_) {
    const glsl_pp_token &t = scan_.tokens[pos_];
    if (t.kind == glsl_pp_kind::end) break;
    if (t.kind == glsl_pp_kind::newline) {
      pos_++;
      line_start = true;
      continue;
    }
    if (line_start && is_punctuator(t, "#")) {
      const size_t end = line_end(pos_);
      directive(pos_, end);
      pos_ = end;
      continue;
    }
    line_start = false;
    if (!language_known_) establish_language(110, false);
    seen_content_ = true;
    if (skipping()) {
      pos_ = line_end(pos_);
      continue;
    }
    text_line(out);
  }
  if (!language_known_) establish_language(110, false);
  if (!fatal_ && scan_.unterminated_comment) {
    glsl_pp_token at{glsl_pp_kind::end};
    at.line = static_cast<unsigned>(static_cast<int>(scan_.comment_line) + line_delta_);
    at.column = scan_.comment_column;
    at.source = source_;
    error(at, "comment is not closed");
  }
  if (!fatal_)
    for (const conditional &c : conditionals_) {
      glsl_pp_token at{glsl_pp_kind::end};
      at.line = c.line;
      at.column = c.column;
      at.source = source_;
      error(at, "#if without #endif");
    }
  return !fatal_;
}

// Expands the line at the current position (and the lines a macro call's
// arguments reach into), dropping what the language has no token for.
void preprocessor::text_line(std::vector<glsl_pp_token> *out) {
  stream s{this, nullptr, {}, nullptr, 0};
  std::vector<glsl_pp_token> tokens;
  expand(s, &tokens, 0);
  for (glsl_pp_token &t : tokens) {
    if (t.kind == glsl_pp_kind::other) {
      const unsigned char c = static_cast<unsigned char>(t.text[0]);
      char text[16];
      if (c >= 0x20 && c < 0x7F) std::snprintf(text, sizeof(text), "'%c'", c);
      else std::snprintf(text, sizeof(text), "0x%02X", c);
      error(t, std::string("character ") + text + " is not part of the language");
      continue;
    }
    if (is_punctuator(t, "#")) {
      error(t, "'#' may only begin a directive");
      continue;
    }
    t.no_expand = false;
    out->push_back(std::move(t));
  }
}

void preprocessor::directive(size_t begin, size_t end) {
  std::vector<glsl_pp_token> d(scan_.tokens.begin() + static_cast<long>(begin),
                               scan_.tokens.begin() + static_cast<long>(end));
  for (glsl_pp_token &t : d) {
    t.line = static_cast<unsigned>(static_cast<int>(t.line) + line_delta_);
    t.source = source_;
  }
  const std::string name = d.size() > 1 ? d[1].text : "";
  if (name == "version" && d[1].kind == glsl_pp_kind::identifier) {
    do_version(d);
    seen_content_ = true;
    return;
  }
  if (!language_known_) establish_language(110, false);
  seen_content_ = true;
  if (d.size() == 1) return;  // a lone '#' does nothing
  if (d[1].kind == glsl_pp_kind::identifier) {
    if (name == "if") return do_if(d, false);
    if (name == "ifdef") return do_ifdef(d, false);
    if (name == "ifndef") return do_ifdef(d, true);
    if (name == "elif") return do_if(d, true);
    if (name == "else") return do_else(d);
    if (name == "endif") return do_endif(d);
  }
  if (skipping()) return;
  if (d[1].kind == glsl_pp_kind::identifier) {
    if (name == "define") return do_define(d);
    if (name == "undef") return do_undef(d);
    if (name == "error") return do_error(d);
    if (name == "pragma") return do_pragma(d);
    if (name == "extension") return do_extension(d);
    if (name == "line") return do_line(d, end);
  }
  error(d[1], "unknown directive '#" + name + "'");
}

void preprocessor::do_version(const std::vector<glsl_pp_token> &d) {
  if (seen_content_) {
    error(d[0], "#version must come before anything else");
    return;
  }
  uint32_t version = 0;
  if (d.size() < 3 || d[2].kind != glsl_pp_kind::number || !glsl_pp_integer(d[2].text, &version)) {
    error(d[0], "#version needs a version number");
    establish_language(110, false);
    return;
  }
  const std::string profile = d.size() > 3 ? d[3].text : "";
  const bool supported = version == 100 || version == 110 || version == 120;
  if (!supported) {
    const std::string named = d[2].text + (profile.empty() ? "" : " " + profile);
    fatal_error(d[2], "version " + named +
                          " is not supported; the supported versions are 100 (GLSL ES), "
                          "110 and 120");
    establish_language(110, false);
    return;
  }
  if (d.size() > 3) {
    error(d[3], "unexpected '" + d[3].text + "' after the version number");
  }
  establish_language(version, version == 100);
}

// Names beginning with GL_ and the predefined macros belong to the
// implementation; other names with a double underscore are reserved too,
// which the desktop languages only warn about.
bool preprocessor::check_macro_name(const glsl_pp_token &name, const char *directive) {
  if (name.kind != glsl_pp_kind::identifier) {
    error(name, std::string(directive) + " needs a macro name");
    return false;
  }
  const std::string &text = name.text;
  const macro *m = find_macro(text);
  if (text.rfind("GL_", 0) == 0 || (m != nullptr && m->predefined) || text == "defined") {
    error(name, std::string(directive) + " of the reserved name '" + text + "'");
    return false;
  }
  if (text.find("__") != std::string::npos) {
    if (state_->is_es) {
      error(name, std::string(directive) + " of the reserved name '" + text + "'");
      return false;
    }
    warning(name, "macro names containing '__' are reserved: '" + text + "'");
  }
  return true;
}

void preprocessor::do_define(const std::vector<glsl_pp_token> &d) {
  if (d.size() < 3) {
    error(d[1], "#define needs a macro name");
    return;
  }
  if (!check_macro_name(d[2], "#define")) return;
  auto m = std::make_unique<macro>();
  size_t i = 3;
  if (i < d.size() && is_punctuator(d[i], "(") && !d[i].space_before) {
    m->function_like = true;
    i++;
    bool expect_name = true;
    while (true) {
      if (i >= d.size()) {
        error(d[2], "missing ')' in the parameters of macro '" + d[2].text + "'");
        return;
      }
      const glsl_pp_token &p = d[i++];
      if (is_punctuator(p, ")") && (!expect_name || m->parameters.empty())) break;
      if (expect_name && p.kind == glsl_pp_kind::identifier) {
        for (const std::string &q : m->parameters)
          if (q == p.text) {
            error(p, "parameter '" + p.text + "' named twice");
            return;
          }
        m->parameters.push_back(p.text);
        expect_name = false;
      } else if (!expect_name && is_punctuator(p, ",")) {
        expect_name = true;
      } else {
        error(p, "unexpected '" + p.text + "' in the parameters of macro '" + d[2].text + "'");
        return;
      }
    }
  }
  m->body.assign(d.begin() + static_cast<long>(i), d.end());
  if (!m->body.empty()) m->body.front().space_before = false;
  for (const glsl_pp_token &t : m->body)
    if (is_punctuator(t, "#")) {
      error(t, "'#' may not appear in a macro");
      return;
    }
  const macro *old = find_macro(d[2].text);
  if (old != nullptr && (old->function_like != m->function_like ||
                         old->parameters != m->parameters || !same_tokens(old->body, m->body))) {
    error(d[2], "macro '" + d[2].text + "' redefined differently");
    return;
  }
  macros_[d[2].text] = std::move(m);
}

void preprocessor::do_undef(const std::vector<glsl_pp_token> &d) {
  if (d.size() < 3) {
    error(d[1], "#undef needs a macro name");
    return;
  }
  if (!check_macro_name(d[2], "#undef")) return;
  if (d.size() > 3) error(d[3], "unexpected '" + d[3].text + "' after the macro name");
  macros_.erase(d[2].text);
}

// Expands the directive's tokens from `from` on, as a line of text is.
bool preprocessor::expand_directive(const std::vector<glsl_pp_token> &d, size_t from,
                                    std::vector<glsl_pp_token> *expanded) {
  std::vector<glsl_pp_token> tokens(d.begin() + static_cast<long>(from), d.end());
  stream s{this, nullptr, {}, &tokens, 0};
  expand(s, expanded, 0);
  return !fatal_;
}

// `defined NAME` and `defined ( NAME )` become 1 or 0 before expansion.
bool preprocessor::evaluate_condition(const std::vector<glsl_pp_token> &d, bool *value) {
  std::vector<glsl_pp_token> replaced(d.begin(), d.begin() + 2);
  for (size_t i = 2; i < d.size(); i++) {
    if (d[i].kind != glsl_pp_kind::identifier || d[i].text != "defined") {
      replaced.push_back(d[i]);
      continue;
    }
    size_t name = i + 1;
    const bool parenthesised = name < d.size() && is_punctuator(d[name], "(");
    if (parenthesised) name++;
    if (name >= d.size() || d[name].kind != glsl_pp_kind::identifier ||
        (parenthesised && (name + 1 >= d.size() || !is_punctuator(d[name + 1], ")")))) {
      error(d[i], "'defined' needs a macro name");
      return false;
    }
    glsl_pp_token t = d[i];
    t.kind = glsl_pp_kind::number;
    t.text = find_macro(d[name].text) != nullptr ? "1" : "0";
    replaced.push_back(t);
    i = parenthesised ? name + 1 : name;
  }
  std::vector<glsl_pp_token> expanded;
  if (!expand_directive(replaced, 2, &expanded)) return false;
  if (expanded.empty()) {
    error(d[1], "#" + d[1].text + " needs an expression");
    return false;
  }
  int32_t result = 0;
  std::string message;
  size_t at = 0;
  if (!glsl_pp_evaluate(expanded, &result, &message, &at)) {
    error(at < expanded.size() ? expanded[at] : d[1], message);
    return false;
  }
  *value = result != 0;
  return true;
}

void preprocessor::do_if(const std::vector<glsl_pp_token> &d, bool elif) {
  if (!elif) {
    const bool outer = !skipping();
    if (conditionals_.size() >= kMaxConditionalDepth) {
      fatal_error(d[1], "#if nested too deeply");
      return;
    }
    bool value = false;
    if (outer && !evaluate_condition(d, &value)) value = false;
    conditionals_.push_back({outer && value, value, false, outer, d[0].line, d[0].column});
    return;
  }
  if (conditionals_.empty()) {
    error(d[1], "#elif without #if");
    return;
  }
  conditional &c = conditionals_.back();
  if (c.had_else) {
    error(d[1], "#elif after #else");
    return;
  }
  if (!c.outer_active || c.taken) {
    c.active = false;
    return;
  }
  bool value = false;
  if (!evaluate_condition(d, &value)) value = false;
  c.active = value;
  c.taken = value;
}

void preprocessor::do_ifdef(const std::vector<glsl_pp_token> &d, bool negate) {
  const bool outer = !skipping();
  if (conditionals_.size() >= kMaxConditionalDepth) {
    fatal_error(d[1], "#if nested too deeply");
    return;
  }
  bool value = false;
  if (outer) {
    if (d.size() < 3 || d[2].kind != glsl_pp_kind::identifier) {
      error(d[1], "#" + d[1].text + " needs a macro name");
    } else {
      if (d.size() > 3) error(d[3], "unexpected '" + d[3].text + "' after the macro name");
      value = (find_macro(d[2].text) != nullptr) != negate;
    }
  }
  conditionals_.push_back({outer && value, value, false, outer, d[0].line, d[0].column});
}

void preprocessor::do_else(const std::vector<glsl_pp_token> &d) {
  if (conditionals_.empty()) {
    error(d[1], "#else without #if");
    return;
  }
  conditional &c = conditionals_.back();
  if (c.had_else) {
    error(d[1], "#else after #else");
    return;
  }
  if (c.outer_active && d.size() > 2) error(d[2], "unexpected '" + d[2].text + "' after #else");
  c.had_else = true;
  c.active = c.outer_active && !c.taken;
  c.taken = true;
}

void preprocessor::do_endif(const std::vector<glsl_pp_token> &d) {
  if (conditionals_.empty()) {
    error(d[1], "#endif without #if");
    return;
  }
  if (conditionals_.back().outer_active && d.size() > 2)
    error(d[2], "unexpected '" + d[2].text + "' after #endif");
  conditionals_.pop_back();
}

void preprocessor::do_error(const std::vector<glsl_pp_token> &d) {
  error(d[0], "#error " + join_tokens(d, 2));
}

// Pragmas are never expanded; those the compiler does not know are ignored.
void preprocessor::do_pragma(const std::vector<glsl_pp_token> &d) {
  auto words = [&](std::initializer_list<const char *> expected, size_t from) {
    if (d.size() - from != expected.size()) return false;
    size_t i = from;
    for (const char *w : expected)
      if (d[i++].text != w) return false;
    return true;
  };
  if (words({"STDGL", "invariant", "(", "all", ")"}, 2)) {
    if (!state_->is_es && state_->shader_stage == SHC_SHADER_FRAGMENT) {
      error(d[1], "#pragma STDGL invariant(all) is not allowed in a fragment shader");
      return;
    }
    state_->all_invariant = true;
  } else if (words({"optimize", "(", "on", ")"}, 2)) {
    state_->pragma_optimize = true;
  } else if (words({"optimize", "(", "off", ")"}, 2)) {
    state_->pragma_optimize = false;
  } else if (words({"debug", "(", "on", ")"}, 2)) {
    state_->pragma_debug = true;
  } else if (words({"debug", "(", "off", ")"}, 2)) {
    state_->pragma_debug = false;
  }
}

void preprocessor::do_extension(const std::vector<glsl_pp_token> &d) {
  if (d.size() != 5 || d[2].kind != glsl_pp_kind::identifier || !is_punctuator(d[3], ":") ||
      d[4].kind != glsl_pp_kind::identifier) {
    error(d[1], "#extension must read '#extension name : behavior'");
    return;
  }
  const std::string &name = d[2].text, &behavior = d[4].text;
  if (behavior != "require" && behavior != "enable" && behavior != "warn" &&
      behavior != "disable") {
    error(d[4], "unknown extension behavior '" + behavior + "'");
    return;
  }
  const bool on = behavior != "disable";
  const auto table = glsl_extension_table();
  if (name == "all") {
    if (behavior == "require" || behavior == "enable") {
      error(d[4], "#extension all cannot be '" + behavior + "'");
      return;
    }
    for (size_t i = 0; i < table.size(); i++) {
      if (!glsl_extension_offered(table[i], state_)) continue;
      state_->*table[i].enable = on;
      if (on) state_->extension_warn_mask |= 1u << i;
      else state_->extension_warn_mask &= ~(1u << i);
    }
    return;
  }
  const glsl_extension *e = glsl_find_extension(name.c_str());
  if (e == nullptr || !glsl_extension_offered(*e, state_)) {
    if (behavior == "require")
      error(d[2], "extension '" + name + "' is not supported");
    else
      warning(d[2], "extension '" + name + "' is not supported");
    return;
  }
  const unsigned bit = 1u << static_cast<unsigned>(e - table.data());
  state_->*e->enable = on;
  if (behavior == "warn") state_->extension_warn_mask |= bit;
  else state_->extension_warn_mask &= ~bit;
}

// ES 1.00 numbers the line after "#line n" n, the desktop languages n + 1.
void preprocessor::do_line(const std::vector<glsl_pp_token> &d, size_t end) {
  std::vector<glsl_pp_token> expanded;
  if (!expand_directive(d, 2, &expanded)) return;
  // One or two constant expressions: split before the last number when the
  // whole does not evaluate as one.
  int32_t line = 0, source = static_cast<int32_t>(source_);
  std::string message;
  size_t at = 0;
  bool ok = !expanded.empty() && glsl_pp_evaluate(expanded, &line, &message, &at);
  if (!ok && expanded.size() >= 2) {
    std::vector<glsl_pp_token> first(expanded.begin(), expanded.end() - 1);
    std::vector<glsl_pp_token> second(expanded.end() - 1, expanded.end());
    ok = glsl_pp_evaluate(first, &line, &message, &at) &&
         glsl_pp_evaluate(second, &source, &message, &at);
  }
  if (!ok || line < 0 || source < 0 || line > (1 << 30)) {
    error(d[1], "#line must read '#line line' or '#line line source', with numbers");
    return;
  }
  const unsigned next_physical = scan_.tokens[end].line + 1;
  const int next_logical = line + (state_->is_es ? 0 : 1);
  line_delta_ = next_logical - static_cast<int>(next_physical);
  source_ = static_cast<unsigned>(source);
}

}  // namespace

bool glsl_preprocess(glsl_parse_state *state, const char *source, unsigned first_line,
                     std::vector<glsl_pp_token> *out) {
  return preprocessor(state, source, first_line).run(out);
}

std::string glsl_pp_tokens_to_text(const std::vector<glsl_pp_token> &tokens) {
  std::string text;
  unsigned line = tokens.empty() ? 0 : tokens.front().line;
  bool line_empty = true;
  for (const glsl_pp_token &t : tokens) {
    if (t.line != line) {
      // A few blank lines keep the numbering readable; #line may jump far.
      const unsigned breaks = t.line > line && t.line - line < 8 ? t.line - line : 1;
      text.append(breaks, '\n');
      line = t.line;
      line_empty = true;
    }
    if (!line_empty && t.space_before) text += ' ';
    text += t.text;
    line_empty = false;
  }
  if (!tokens.empty()) text += '\n';
  return text;
}
