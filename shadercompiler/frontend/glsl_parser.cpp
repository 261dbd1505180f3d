// The lexer and the recursive-descent parser.
//
// Tokens are classified when the parser looks at them, not in advance: a
// structure declared earlier in the text turns its name into a type name
// from there on, and the parser may look ahead and come back (to tell a
// declaration from a constructor call) without losing anything. Lexical
// errors are reported once per token however often it is looked at.
//
// After a syntax error the parser skips to the end of the statement or
// declaration and goes on, so that independent errors are all reported.
#include "shadercompiler/frontend/glsl_parser.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/ir_analyses.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/symbol_table.h"

namespace {

enum class tk {
  identifier,
  type_name,
  int_constant,
  float_constant,
  bool_constant,
  keyword,
  punctuator,
  end,
};

struct token {
  tk kind = tk::end;
  const glsl_pp_token *pp = nullptr;  // null for the end
  const glsl_type *builtin = nullptr;  // built-in type names
  int int_value = 0;
  float float_value = 0.0f;
  bool bool_value = false;

  bool is(const char *text) const {
    return (kind == tk::keyword || kind == tk::punctuator) && pp->text == text;
  }
};

const char *const kKeywordsAll[] = {"attribute", "const",  "uniform", "varying", "break",
                                    "continue",  "do",     "for",     "while",   "if",
                                    "else",      "in",     "out",     "inout",   "true",
                                    "false",     "discard", "return", "struct"};
const char *const kKeywords120[] = {"invariant", "centroid"};
const char *const kKeywordsES[] = {"invariant", "precision", "lowp", "mediump", "highp"};

const char *const kReservedAll[] = {
    "asm",       "class",  "union",  "enum",    "typedef",       "template",
    "this",      "packed", "goto",   "switch",  "default",       "inline",
    "noinline",  "volatile", "public", "static", "extern",       "external",
    "interface", "long",   "short",  "double",  "half",          "fixed",
    "unsigned",  "input",  "output", "hvec2",   "hvec3",         "hvec4",
    "dvec2",     "dvec3",  "dvec4",  "fvec2",   "fvec3",         "fvec4",
    "sampler2DRect", "sampler3DRect", "sampler2DRectShadow", "sizeof", "cast",
    "namespace", "using"};
const char *const kReservedDesktop[] = {"lowp", "mediump", "highp", "precision"};
const char *const kReservedES[] = {"flat",      "superp",          "sampler1D",
                                   "sampler3D", "sampler1DShadow", "sampler2DShadow"};

// What a word is in each language, looked up once per identifier.
enum word_flags : unsigned {
  kKeyword = 1,          // in all three languages
  kKeyword120 = 2,       // in GLSL 1.20
  kKeywordES = 4,        // in GLSL ES 1.00
  kReservedAny = 8,      // in all three
  kReservedInDesktop = 16,
  kReservedInES = 32,
};

const std::unordered_map<std::string_view, unsigned> &word_table() {
  static const std::unordered_map<std::string_view, unsigned> table = [] {
    std::unordered_map<std::string_view, unsigned> t;
    for (const char *w : kKeywordsAll) t[w] |= kKeyword;
    for (const char *w : kKeywords120) t[w] |= kKeyword120;
    for (const char *w : kKeywordsES) t[w] |= kKeywordES;
    for (const char *w : kReservedAll) t[w] |= kReservedAny;
    for (const char *w : kReservedDesktop) t[w] |= kReservedInDesktop;
    for (const char *w : kReservedES) t[w] |= kReservedInES;
    return t;
  }();
  return table;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex_digit(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Names of the parse-time scope table's entries.
void *const kTypeName = reinterpret_cast<void *>(1);
void *const kOtherName = reinterpret_cast<void *>(2);

class parser {
 public:
  parser(glsl_parse_state *state, const std::vector<glsl_pp_token> &tokens)
      : state_(state), tokens_(tokens), reported_(tokens.size(), false),
        cache_(tokens.size()), cache_generation_(tokens.size(), 0),
        names_(_shc_symbol_table_create()) {}
  ~parser() { _shc_symbol_table_destroy(names_); }
  parser(const parser &) = delete;
  parser &operator=(const parser &) = delete;

  bool run(ast_translation_unit *unit) {
    while (!fatal_ && peek().kind != tk::end) {
      ast_node *d = external_declaration();
      if (d != nullptr) {
        unit->declarations.push_tail(d);
      } else if (!fatal_) {
        synchronize(true);
      }
    }
    return !failed_;
  }

 private:
  // ---- tokens ----------------------------------------------------------

  token classify(size_t index) {
    token t;
    if (index >= tokens_.size()) return t;
    const glsl_pp_token &p = tokens_[index];
    t.pp = &p;
    switch (p.kind) {
      case glsl_pp_kind::identifier: classify_name(index, &t); break;
      case glsl_pp_kind::number: classify_number(index, &t); break;
      default: t.kind = tk::punctuator; break;
    }
    return t;
  }

  void classify_name(size_t index, token *t) {
    const std::string &name = t->pp->text;
    const bool es = state_->is_es;
    const bool v120 = !es && state_->glsl_version >= 120;
    const auto &words = word_table();
    const auto word = words.find(name);
    const unsigned flags = word == words.end() ? 0 : word->second;
    if ((flags & kKeyword) || (v120 && (flags & kKeyword120)) || (es && (flags & kKeywordES))) {
      t->kind = tk::keyword;
      if (name == "true" || name == "false") {
        t->kind = tk::bool_constant;
        t->bool_value = name == "true";
      }
      return;
    }
    // A structure or a name the shader declared hides nothing built in (the
    // built-in type names are keywords), so its own scopes come first.
    void *declared = _shc_symbol_table_find_symbol(names_, -1, name.c_str());
    if (declared != nullptr) {
      t->kind = declared == kTypeName ? tk::type_name : tk::identifier;
      return;
    }
    // The symbol table holds the built-in types of the language and of the
    // extensions the shader enabled.
    if (const glsl_type *builtin = state_->symbols->get_type(name.c_str())) {
      t->kind = tk::type_name;
      t->builtin = builtin;
      return;
    }
    // GLSL 1.20 spells the square matrices also matNxN.
    if (v120 && name.size() == 6 && name.rfind("mat", 0) == 0 && name[4] == 'x' &&
        name[3] == name[5] && name[3] >= '2' && name[3] <= '4') {
      t->kind = tk::type_name;
      t->builtin = state_->symbols->get_type(name.substr(0, 4).c_str());
      return;
    }
    if ((flags & kReservedAny) || (!es && (flags & kReservedInDesktop)) || (es && (flags & kReservedInES)))
      lexical_error(index, "'" + name + "' is a reserved word");
    t->kind = tk::identifier;
  }

  void classify_number(size_t index, token *t) {
    const std::string &text = t->pp->text;
    const size_t n = text.size();
    size_t i = 0;
    // An integer: decimal, octal (leading 0) or hexadecimal.
    if (n > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      for (i = 2; i < n && is_hex_digit(text[i]); i++) {}
      if (i == n) return integer(index, t, 16, 2);
    } else {
      for (i = 0; i < n && is_digit(text[i]); i++) {}
      if (i == n) return integer(index, t, text[0] == '0' && n > 1 ? 8 : 10, 0);
      // A floating-point constant: digits, a period, digits, an exponent.
      bool digits = i > 0;
      if (i < n && text[i] == '.') {
        for (i++; i < n && is_digit(text[i]); i++) digits = true;
      }
      bool exponent_ok = true;
      if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        i++;
        if (i < n && (text[i] == '+' || text[i] == '-')) i++;
        const size_t start = i;
        for (; i < n && is_digit(text[i]); i++) {}
        exponent_ok = i > start;
      }
      const bool has_point_or_exponent = text.find_first_of(".eE") != std::string::npos;
      // GLSL 1.20 added the suffix f.
      const bool suffix = i + 1 == n && (text[i] == 'f' || text[i] == 'F');
      if (digits && exponent_ok && has_point_or_exponent && (i == n || suffix)) {
        if (suffix && (state_->is_es || state_->glsl_version < 120)) {
          lexical_error(index, "the suffix '" + text.substr(i) + "' of '" + text +
                                   "' is not allowed in this version");
        }
        t->kind = tk::float_constant;
        t->float_value = glsl_strtof(text.substr(0, i).c_str(), nullptr);
        return;
      }
    }
    lexical_error(index, "'" + text + "' is not a valid number");
    t->kind = tk::int_constant;
  }

  void integer(size_t index, token *t, unsigned base, size_t start) {
    const std::string &text = t->pp->text;
    t->kind = tk::int_constant;
    uint64_t value = 0;
    for (size_t i = start; i < text.size(); i++) {
      const char c = text[i];
      const unsigned digit = is_digit(c) ? static_cast<unsigned>(c - '0')
                                         : static_cast<unsigned>((c | 0x20) - 'a' + 10);
      if (digit >= base) {
        lexical_error(index, "'" + text + "' is not a valid octal number");
        return;
      }
      value = value * base + digit;
      if (value > UINT32_MAX) {
        lexical_error(index, "integer constant '" + text + "' is too large");
        return;
      }
    }
    t->int_value = static_cast<int>(static_cast<uint32_t>(value));
  }

  void lexical_error(size_t index, const std::string &message) {
    if (reported_[index]) return;
    reported_[index] = true;
    error_at(tokens_[index], message);
  }

  // A token is classified once for each state of the declared names.
  const token &lookup(size_t index) {
    static const token end;
    if (index >= tokens_.size()) return end;
    if (cache_generation_[index] != generation_) {
      cache_[index] = classify(index);
      cache_generation_[index] = generation_;
    }
    return cache_[index];
  }
  token peek(size_t k = 0) { return lookup(pos_ + k); }
  token next() {
    token t = lookup(pos_);
    if (pos_ < tokens_.size()) pos_++;
    return t;
  }
  bool at(const char *text) { return peek().is(text); }
  bool accept(const char *text) {
    if (!at(text)) return false;
    pos_++;
    return true;
  }

  // ---- errors and recovery ---------------------------------------------

  glsl_source_location location_of(const token &t) const {
    if (t.pp != nullptr) return {t.pp->line, t.pp->column, t.pp->line, t.pp->column, t.pp->source};
    return end_location();
  }

  glsl_source_location end_location() const {
    if (tokens_.empty()) return {1, 1, 1, 1, 0};
    const glsl_pp_token &last = tokens_.back();
    const unsigned column = last.column + static_cast<unsigned>(last.text.size());
    return {last.line, column, last.line, column, last.source};
  }

  void error_at(const glsl_pp_token &t, const std::string &message) {
    failed_ = true;
    glsl_source_location location{t.line, t.column, t.line, t.column, t.source};
    glsl_error(&location, state_, "%s", message.c_str());
  }

  // One syntax error per statement: the first token that does not fit.
  void syntax_error(const char *expected) {
    if (in_error_) return;
    in_error_ = true;
    failed_ = true;
    const token t = peek();
    glsl_source_location location = location_of(t);
    if (t.kind == tk::end)
      glsl_error(&location, state_, "syntax error: unexpected end of shader, expected %s", expected);
    else
      glsl_error(&location, state_, "syntax error: unexpected '%s', expected %s",
                 t.pp->text.c_str(), expected);
  }

  bool expect(const char *text) {
    if (accept(text)) return true;
    const std::string expected = std::string("'") + text + "'";
    syntax_error(expected.c_str());
    return false;
  }

  // Skips to the end of the broken statement: past the next ';' outside
  // brackets, past a block that the skipped text opened, or (inside a block)
  // up to the '}' that closes the enclosing block.
  void synchronize(bool top_level) {
    int depth = 0;
    while (peek().kind != tk::end) {
      const token t = peek();
      if (t.is("(") || t.is("[") || t.is("{")) {
        depth++;
      } else if (t.is(")") || t.is("]")) {
        if (depth > 0) depth--;
      } else if (t.is("}")) {
        if (depth == 0) {
          if (top_level) pos_++;  // a stray '}'
          break;
        }
        if (--depth == 0) {
          pos_++;
          break;
        }
      }
      pos_++;
      if (t.is(";") && depth == 0) break;
    }
    in_error_ = false;
  }

  // Deep nesting is refused before it can exhaust the stack.
  bool enter() {
    if (++nesting_ <= kMaxParserNesting) return true;
    if (!fatal_) {
      syntax_error("less deeply nested text");
      const glsl_source_location location = location_of(peek());
      glsl_error(&location, state_, "the shader nests more than %u levels deep",
                 kMaxParserNesting);
    }
    fatal_ = true;
    return false;
  }
  void leave() { nesting_--; }

  // ---- scopes of names -------------------------------------------------

  void push_scope() {
    _shc_symbol_table_push_scope(names_);
    generation_++;
  }
  void pop_scope() {
    _shc_symbol_table_pop_scope(names_);
    generation_++;
  }
  // A declared name: an identifier, or a structure's name that a variable
  // of the same name hides from here on ("S S = S(...);").
  static bool is_name(const token &t) {
    return t.kind == tk::identifier || (t.kind == tk::type_name && t.builtin == nullptr);
  }

  void add_name(const char *name, bool is_type) {
    if (name == nullptr) return;
    _shc_symbol_table_add_symbol(names_, -1, name, is_type ? kTypeName : kOtherName);
    generation_++;
  }

  // ---- node construction -----------------------------------------------

  template <typename T>
  T *make(const token &at) {
    T *node = new (state_) T();
    node->location = location_of(at);
    return node;
  }

  const char *copy(const token &t) { return ralloc_strdup(state_, t.pp->text.c_str()); }

  ast_expression *expression_node(ast_operators op, const token &at, ast_expression *a,
                                  ast_expression *b = nullptr, ast_expression *c = nullptr) {
    auto *e = new (state_) ast_expression(op, a, b, c);
    e->location = location_of(at);
    for (ast_expression *sub : {a, b, c})
      if (sub != nullptr && sub->depth + 1 > e->depth) e->depth = sub->depth + 1;
    return check_depth(e);
  }

  ast_expression *check_depth(ast_expression *e) {
    if (e->depth <= kMaxExpressionDepth) return e;
    if (!fatal_) {
      failed_ = true;
      glsl_error(&e->location, state_, "the expression is nested more than %u levels deep",
                 kMaxExpressionDepth);
    }
    fatal_ = true;
    return nullptr;
  }

  // ---- declarations ----------------------------------------------------

  bool starts_qualifier(const token &t) {
    return t.is("const") || t.is("attribute") || t.is("varying") || t.is("uniform") ||
           t.is("centroid") || t.is("invariant") || t.is("in") || t.is("out") ||
           t.is("inout");
  }
  bool starts_precision(const token &t) {
    return t.is("lowp") || t.is("mediump") || t.is("highp");
  }
  bool starts_type(const token &t) { return t.kind == tk::type_name || t.is("struct"); }

  ast_node *external_declaration() {
    const token first = peek();
    if (first.is(";")) {
      // A stray semicolon at global scope: glslang and the grammars refuse it.
      syntax_error("a declaration");
      return nullptr;
    }
    return declaration(true);
  }

  // A declaration statement, a function prototype or (at global scope) a
  // function definition.
  ast_node *declaration(bool global) {
    const token first = peek();
    if (first.is("precision")) return precision_statement();
    if (first.is("invariant") && peek(1).kind == tk::identifier) return invariant_redeclaration();
    ast_fully_specified_type *type = fully_specified_type(false);
    if (type == nullptr) return nullptr;
    // A function prototype or definition.
    if (peek().kind == tk::identifier && peek(1).is("(")) return function(type, global);
    return declarator_list(type);
  }

  ast_precision_statement *precision_statement() {
    const token first = next();  // precision
    auto *p = make<ast_precision_statement>(first);
    const token q = peek();
    if (!starts_precision(q)) {
      syntax_error("a precision qualifier");
      return nullptr;
    }
    pos_++;
    p->precision = q.is("highp") ? glsl_precision_high
                   : q.is("mediump") ? glsl_precision_medium
                                     : glsl_precision_low;
    p->type = type_specifier(false);
    if (p->type == nullptr || !expect(";")) return nullptr;
    return p;
  }

  ast_declarator_list *invariant_redeclaration() {
    const token first = next();  // invariant
    auto *list = make<ast_declarator_list>(first);
    list->invariant = true;
    do {
      const token name = peek();
      if (name.kind != tk::identifier) {
        syntax_error("a name");
        return nullptr;
      }
      pos_++;
      auto *d = make<ast_declaration>(name);
      d->identifier = copy(name);
      list->declarations.push_tail(d);
    } while (accept(","));
    if (!expect(";")) return nullptr;
    return list;
  }

  // Qualifiers and a precision in any order (the translation checks the
  // order each language asks for), then the type.
  ast_fully_specified_type *fully_specified_type(bool parameter) {
    const token first = peek();
    auto *type = make<ast_fully_specified_type>(first);
    glsl_precision precision = glsl_precision_undefined;
    // Qualifiers come in the order invariant, centroid, storage, parameter
    // direction, precision, each at most once.
    int last_rank = -1;
    while (true) {
      const token t = peek();
      if (!starts_precision(t) && !starts_qualifier(t)) break;
      const int rank = t.is("invariant") ? 0 : t.is("centroid") ? 1
                       : (t.is("in") || t.is("out") || t.is("inout")) ? 3
                       : starts_precision(t) ? 4 : 2;
      if (rank == last_rank) {
        error_at(*t.pp, "a declaration takes one " +
                            std::string(rank == 4 ? "precision" : rank == 3 ? "direction" : "storage") +
                            " qualifier");
      } else if (rank < last_rank) {
        error_at(*t.pp, "the qualifier '" + t.pp->text + "' is out of order");
      }
      last_rank = std::max(last_rank, rank);
      if (starts_precision(t)) {
        precision = t.is("highp") ? glsl_precision_high
                    : t.is("mediump") ? glsl_precision_medium
                                      : glsl_precision_low;
        pos_++;
        continue;
      }
      ast_type_qualifier &q = type->qualifier;
      if (t.is("const")) q.is_const = 1;
      if (t.is("attribute")) q.attribute = 1;
      if (t.is("varying")) q.varying = 1;
      if (t.is("uniform")) q.uniform = 1;
      if (t.is("centroid")) q.centroid = 1;
      if (t.is("invariant")) q.invariant = 1;
      if (t.is("in") || t.is("inout")) q.in = 1;
      if (t.is("out") || t.is("inout")) q.out = 1;
      pos_++;
    }
    (void)parameter;
    type->specifier = type_specifier(true);
    if (type->specifier == nullptr) return nullptr;
    if (precision != glsl_precision_undefined) type->specifier->precision = precision;
    return type;
  }

  // A type: a built-in or structure name or a structure definition, with a
  // precision in front (ES) and array brackets behind (GLSL 1.20).
  ast_type_specifier *type_specifier(bool allow_precision) {
    const token first = peek();
    auto *spec = make<ast_type_specifier>(first);
    if (allow_precision && starts_precision(first)) {
      pos_++;
      spec->precision = first.is("highp") ? glsl_precision_high
                        : first.is("mediump") ? glsl_precision_medium
                                              : glsl_precision_low;
      spec->location = location_of(peek());
    }
    const token t = peek();
    if (t.is("struct")) {
      spec->structure = struct_specifier();
      if (spec->structure == nullptr) return nullptr;
    } else if (t.kind == tk::type_name) {
      pos_++;
      spec->type_name = copy(t);
      spec->builtin = t.builtin;
    } else {
      syntax_error("a type");
      return nullptr;
    }
    if (at("[")) {
      const token open = next();
      spec->is_array = true;
      if (!at("]")) {
        if (!enter()) return nullptr;
        spec->array_size = conditional_expression();
        leave();
        if (spec->array_size == nullptr) return nullptr;
      }
      (void)open;
      if (!expect("]")) return nullptr;
    }
    return spec;
  }

  // "[size]" or "[]" after a declared name, when there is one; false after
  // a syntax error.
  bool array_declarator(bool *is_array, ast_expression **size) {
    if (!accept("[")) return true;
    *is_array = true;
    if (!at("]")) {
      if (!enter()) return false;
      *size = conditional_expression();
      leave();
      if (*size == nullptr) return false;
    }
    return expect("]");
  }

  ast_struct_specifier *struct_specifier() {
    const token first = next();  // struct
    auto *s = make<ast_struct_specifier>(first);
    const token name = peek();
    if (name.kind == tk::identifier || name.kind == tk::type_name) {
      if (name.builtin != nullptr) {
        syntax_error("a structure name");
        return nullptr;
      }
      pos_++;
      s->name = copy(name);
    }
    if (!expect("{")) return nullptr;
    if (!enter()) return nullptr;
    do {
      const token member_first = peek();
      auto *members = make<ast_declarator_list>(member_first);
      members->type = make<ast_fully_specified_type>(member_first);
      members->type->specifier = type_specifier(true);
      if (members->type->specifier == nullptr) return nullptr;
      do {
        const token member = peek();
        if (!is_name(member)) {
          syntax_error("a member name");
          return nullptr;
        }
        pos_++;
        auto *d = make<ast_declaration>(member);
        d->identifier = copy(member);
        if (!array_declarator(&d->is_array, &d->array_size)) return nullptr;
        members->declarations.push_tail(d);
      } while (accept(","));
      if (!expect(";")) return nullptr;
      s->members.push_tail(members);
    } while (!at("}") && peek().kind != tk::end);
    leave();
    if (!expect("}")) return nullptr;
    // The name is a type from the end of the structure on.
    add_name(s->name, true);
    return s;
  }

  ast_declarator_list *declarator_list(ast_fully_specified_type *type) {
    auto *list = make<ast_declarator_list>(peek());
    list->location = type->location;
    list->type = type;
    if (accept(";")) return list;  // "struct S { ... };" or "float;"
    do {
      const token name = peek();
      if (!is_name(name)) {
        syntax_error("a name");
        return nullptr;
      }
      pos_++;
      auto *d = make<ast_declaration>(name);
      d->identifier = copy(name);
      if (!array_declarator(&d->is_array, &d->array_size)) return nullptr;
      if (accept("=")) {
        d->initializer = assignment_expression();
        if (d->initializer == nullptr) return nullptr;
      }
      // The name is visible from the end of its initializer on.
      add_name(d->identifier, false);
      list->declarations.push_tail(d);
    } while (accept(","));
    if (!expect(";")) return nullptr;
    return list;
  }

  ast_node *function(ast_fully_specified_type *return_type, bool global) {
    const token name = next();
    auto *f = make<ast_function>(name);
    f->return_type = return_type;
    f->identifier = copy(name);
    add_name(f->identifier, false);
    next();  // (
    push_scope();  // the parameters' scope, for a definition's body
    bool ok = parameters(f);
    if (ok) ok = expect(")");
    if (ok && at("{")) {
      if (!global) {
        pop_scope();
        syntax_error("';' (functions are defined at global scope only)");
        return nullptr;
      }
      f->is_definition = true;
      foreach_in_list(ast_parameter_declarator, p, &f->parameters) add_name(p->identifier, false);
      auto *def = make<ast_function_definition>(name);
      def->prototype = f;
      def->body = compound_statement(true);
      pop_scope();
      if (def->body == nullptr) return nullptr;
      return def;
    }
    pop_scope();
    if (!ok || !expect(";")) return nullptr;
    return f;
  }

  bool parameters(ast_function *f) {
    if (at(")")) return true;
    // "(void)" declares no parameters.
    if (peek().kind == tk::type_name && peek().pp->text == "void" && peek(1).is(")")) {
      pos_++;
      return true;
    }
    do {
      const token first = peek();
      auto *p = make<ast_parameter_declarator>(first);
      p->type = fully_specified_type(true);
      if (p->type == nullptr) return false;
      const token name = peek();
      if (is_name(name)) {
        pos_++;
        p->identifier = copy(name);
        p->location = location_of(name);
        if (!array_declarator(&p->is_array, &p->array_size)) return false;
      }
      f->parameters.push_tail(p);
    } while (accept(","));
    return true;
  }

  // ---- statements ------------------------------------------------------

  ast_compound_statement *compound_statement(bool new_scope) {
    const token open = peek();
    if (!expect("{")) return nullptr;
    if (!enter()) return nullptr;
    auto *block = make<ast_compound_statement>(open);
    block->new_scope = new_scope;
    if (new_scope) push_scope();
    while (!fatal_ && !at("}") && peek().kind != tk::end) {
      ast_node *s = statement();
      if (s != nullptr) {
        block->statements.push_tail(s);
      } else if (!fatal_) {
        synchronize(false);
      }
    }
    if (new_scope) pop_scope();
    leave();
    if (fatal_) return nullptr;
    if (!expect("}")) return nullptr;
    return block;
  }

  // Whether the statement that starts here declares something.
  bool starts_declaration() {
    const token t = peek();
    if (starts_qualifier(t) || starts_precision(t) || t.is("precision") || t.is("struct"))
      return true;
    if (t.kind != tk::type_name) return false;
    // A type followed by '(' (or "[...](" in GLSL 1.20) is a constructor.
    size_t k = 1;
    if (peek(k).is("[")) {
      int depth = 0;
      for (; peek(k).kind != tk::end; k++) {
        if (peek(k).is("[")) depth++;
        if (peek(k).is("]") && --depth == 0) break;
      }
      k++;
    }
    return !peek(k).is("(") && !peek(k).is(".");
  }

  ast_node *statement() {
    const token t = peek();
    if (t.is("{")) return compound_statement(true);
    if (!enter()) return nullptr;
    ast_node *s = simple_statement(t);
    leave();
    return s;
  }

  // A sub-statement of if, while and for: its declarations end with it.
  ast_node *scoped_statement() {
    push_scope();
    ast_node *s = statement();
    pop_scope();
    return s;
  }

  ast_node *simple_statement(const token &t) {
    if (t.is("if")) return selection_statement();
    if (t.is("while") || t.is("do") || t.is("for")) return iteration_statement();
    if (t.is("continue") || t.is("break") || t.is("return") || t.is("discard"))
      return jump_statement();
    if (starts_declaration()) return declaration(false);
    auto *s = make<ast_expression_statement>(t);
    if (accept(";")) return s;
    s->expression = expression();
    if (s->expression == nullptr || !expect(";")) return nullptr;
    return s;
  }

  ast_node *selection_statement() {
    const token first = next();  // if
    auto *s = make<ast_selection_statement>(first);
    if (!expect("(")) return nullptr;
    s->condition = expression();
    if (s->condition == nullptr || !expect(")")) return nullptr;
    s->then_statement = scoped_statement();
    if (s->then_statement == nullptr) return nullptr;
    if (accept("else")) {
      s->else_statement = scoped_statement();
      if (s->else_statement == nullptr) return nullptr;
    }
    return s;
  }

  // A loop condition: an expression or "type name = initializer".
  ast_node *condition() {
    if (!starts_declaration()) return expression();
    const token first = peek();
    ast_fully_specified_type *type = fully_specified_type(false);
    if (type == nullptr) return nullptr;
    const token name = peek();
    if (!is_name(name)) {
      syntax_error("a name");
      return nullptr;
    }
    pos_++;
    auto *list = make<ast_declarator_list>(first);
    list->type = type;
    auto *d = make<ast_declaration>(name);
    d->identifier = copy(name);
    if (!expect("=")) return nullptr;
    d->initializer = assignment_expression();
    if (d->initializer == nullptr) return nullptr;
    add_name(d->identifier, false);
    list->declarations.push_tail(d);
    return list;
  }

  ast_node *iteration_statement() {
    const token first = next();
    auto *s = make<ast_iteration_statement>(first);
    if (first.is("while")) {
      s->mode = ast_iteration_statement::ast_while;
      if (!expect("(")) return nullptr;
      push_scope();
      s->condition = condition();
      if (s->condition != nullptr && expect(")")) s->body = loop_body();
      pop_scope();
      return s->condition != nullptr && s->body != nullptr ? s : nullptr;
    }
    if (first.is("do")) {
      s->mode = ast_iteration_statement::ast_do_while;
      s->body = scoped_statement();
      if (s->body == nullptr || !expect("while") || !expect("(")) return nullptr;
      s->condition = expression();
      if (s->condition == nullptr || !expect(")") || !expect(";")) return nullptr;
      return s;
    }
    s->mode = ast_iteration_statement::ast_for;
    if (!expect("(")) return nullptr;
    push_scope();
    bool ok = true;
    if (accept(";")) {
      s->init_statement = make<ast_expression_statement>(first);
    } else if (starts_declaration()) {
      s->init_statement = declaration(false);
      ok = s->init_statement != nullptr;
    } else {
      auto *init = make<ast_expression_statement>(peek());
      init->expression = expression();
      ok = init->expression != nullptr && expect(";");
      s->init_statement = init;
    }
    if (ok && !at(";")) {
      s->condition = condition();
      ok = s->condition != nullptr;
    }
    ok = ok && expect(";");
    if (ok && !at(")")) {
      s->rest_expression = expression();
      ok = s->rest_expression != nullptr;
    }
    ok = ok && expect(")");
    if (ok) s->body = loop_body();
    pop_scope();
    return ok && s->body != nullptr ? s : nullptr;
  }

  // A loop body shares the scope of the loop's declarations: a block body
  // opens no scope of its own.
  ast_node *loop_body() {
    if (at("{")) return compound_statement(false);
    return statement();
  }

  ast_node *jump_statement() {
    const token first = next();
    auto *s = make<ast_jump_statement>(first);
    if (first.is("continue")) s->mode = ast_jump_statement::ast_continue;
    if (first.is("break")) s->mode = ast_jump_statement::ast_break;
    if (first.is("discard")) s->mode = ast_jump_statement::ast_discard;
    if (first.is("return")) {
      s->mode = ast_jump_statement::ast_return;
      if (!at(";")) {
        s->return_value = expression();
        if (s->return_value == nullptr) return nullptr;
      }
    }
    if (!expect(";")) return nullptr;
    return s;
  }

  // ---- expressions -----------------------------------------------------

  ast_expression *expression() {
    const token first = peek();
    ast_expression *e = assignment_expression();
    if (e == nullptr || !at(",")) return e;
    auto *sequence = new (state_) ast_expression(ast_sequence, nullptr, nullptr, nullptr);
    sequence->location = location_of(first);
    sequence->expressions.push_tail(e);
    unsigned depth = e->depth;
    while (accept(",")) {
      ast_expression *next_e = assignment_expression();
      if (next_e == nullptr) return nullptr;
      sequence->expressions.push_tail(next_e);
      if (next_e->depth > depth) depth = next_e->depth;
    }
    sequence->depth = depth + 1;
    return check_depth(sequence);
  }

  static bool is_assignment_operator(const token &t, ast_operators *op) {
    static const struct {
      const char *text;
      ast_operators op;
    } kOps[] = {{"=", ast_assign},       {"*=", ast_mul_assign}, {"/=", ast_div_assign},
                {"%=", ast_mod_assign},  {"+=", ast_add_assign}, {"-=", ast_sub_assign},
                {"<<=", ast_ls_assign},  {">>=", ast_rs_assign}, {"&=", ast_and_assign},
                {"^=", ast_xor_assign},  {"|=", ast_or_assign}};
    if (t.kind != tk::punctuator) return false;
    for (const auto &o : kOps)
      if (t.pp->text == o.text) {
        *op = o.op;
        return true;
      }
    return false;
  }

  static bool is_unary_level(const ast_expression *e) {
    if (e->parenthesised) return true;
    switch (e->oper) {
      case ast_assign: case ast_add: case ast_sub: case ast_mul: case ast_div: case ast_mod:
      case ast_lshift: case ast_rshift: case ast_less: case ast_greater: case ast_lequal:
      case ast_gequal: case ast_equal: case ast_nequal: case ast_bit_and: case ast_bit_xor:
      case ast_bit_or: case ast_logic_and: case ast_logic_xor: case ast_logic_or:
      case ast_conditional: case ast_mul_assign: case ast_div_assign: case ast_mod_assign:
      case ast_add_assign: case ast_sub_assign: case ast_ls_assign: case ast_rs_assign:
      case ast_and_assign: case ast_xor_assign: case ast_or_assign: case ast_sequence:
        return false;
      default:
        return true;
    }
  }

  ast_expression *assignment_expression() {
    ast_expression *lhs = conditional_expression();
    ast_operators op;
    if (lhs != nullptr && is_assignment_operator(peek(), &op)) {
      if (!is_unary_level(lhs)) {
        syntax_error("an operator that is not an assignment");
        return nullptr;
      }
      const token at_op = next();
      // "a = b = c = ..." nests to the right.
      if (!enter()) return nullptr;
      ast_expression *rhs = assignment_expression();
      leave();
      lhs = rhs == nullptr ? nullptr : expression_node(op, at_op, lhs, rhs);
    }
    return lhs;
  }

  ast_expression *conditional_expression() {
    ast_expression *condition = binary_expression(0);
    if (condition == nullptr || !at("?")) return condition;
    const token q = next();
    if (!enter()) return nullptr;
    ast_expression *then_e = expression();
    ast_expression *else_e = nullptr;
    if (then_e != nullptr && expect(":")) else_e = assignment_expression();
    leave();
    if (else_e == nullptr) return nullptr;
    return expression_node(ast_conditional, q, condition, then_e, else_e);
  }

  struct binary_op {
    const char *text;
    ast_operators op;
  };

  // Binary operators from the loosest to the tightest binding.
  static const std::vector<std::vector<binary_op>> &levels() {
    static const std::vector<std::vector<binary_op>> kLevels = {
        {{"||", ast_logic_or}},
        {{"^^", ast_logic_xor}},
        {{"&&", ast_logic_and}},
        {{"|", ast_bit_or}},
        {{"^", ast_bit_xor}},
        {{"&", ast_bit_and}},
        {{"==", ast_equal}, {"!=", ast_nequal}},
        {{"<", ast_less}, {">", ast_greater}, {"<=", ast_lequal}, {">=", ast_gequal}},
        {{"<<", ast_lshift}, {">>", ast_rshift}},
        {{"+", ast_add}, {"-", ast_sub}},
        {{"*", ast_mul}, {"/", ast_div}, {"%", ast_mod}},
    };
    return kLevels;
  }

  ast_expression *binary_expression(size_t level) {
    if (level == levels().size()) return unary_expression();
    ast_expression *lhs = binary_expression(level + 1);
    while (lhs != nullptr) {
      const token t = peek();
      const binary_op *found = nullptr;
      if (t.kind == tk::punctuator)
        for (const binary_op &o : levels()[level])
          if (t.pp->text == o.text) found = &o;
      if (found == nullptr) break;
      pos_++;
      ast_expression *rhs = binary_expression(level + 1);
      lhs = rhs == nullptr ? nullptr : expression_node(found->op, t, lhs, rhs);
    }
    return lhs;
  }

  ast_expression *unary_expression() {
    const token t = peek();
    ast_operators op;
    bool unary = true;
    if (t.is("++")) op = ast_pre_inc;
    else if (t.is("--")) op = ast_pre_dec;
    else if (t.is("+")) op = ast_plus;
    else if (t.is("-")) op = ast_neg;
    else if (t.is("!")) op = ast_logic_not;
    else if (t.is("~")) op = ast_bit_not;
    else unary = false;
    if (!unary) return postfix_expression();
    pos_++;
    if (!enter()) return nullptr;
    ast_expression *operand = unary_expression();
    leave();
    return operand == nullptr ? nullptr : expression_node(op, t, operand);
  }

  ast_expression *postfix_expression() {
    ast_expression *e = primary_expression();
    while (e != nullptr) {
      const token t = peek();
      if (t.is("[")) {
        pos_++;
        if (!enter()) return nullptr;
        ast_expression *index = expression();
        leave();
        if (index == nullptr || !expect("]")) return nullptr;
        e = expression_node(ast_array_index, t, e, index);
      } else if (t.is(".")) {
        pos_++;
        const token field = peek();
        if (field.kind != tk::identifier) {
          syntax_error("a field or swizzle name");
          return nullptr;
        }
        pos_++;
        if (at("(")) {
          // A method: length().
          auto *call = make<ast_function_expression>(field);
          call->method = copy(field);
          call->subexpressions[0] = e;
          call->depth = e->depth + 1;
          if (!arguments(call)) return nullptr;
          e = check_depth(call);
          continue;
        }
        e = expression_node(ast_field_selection, field, e);
        if (e != nullptr) e->primary_expression.identifier = copy(field);
      } else if (t.is("++") || t.is("--")) {
        pos_++;
        e = expression_node(t.is("++") ? ast_post_inc : ast_post_dec, t, e);
      } else {
        break;
      }
    }
    return e;
  }

  // "(" arguments ")" of a call, "(void)" and "()" meaning none.
  bool arguments(ast_function_expression *call) {
    if (!expect("(")) return false;
    if (!enter()) return false;
    if (peek().kind == tk::type_name && peek().pp->text == "void" && peek(1).is(")")) {
      pos_++;
    } else if (!at(")")) {
      do {
        ast_expression *a = assignment_expression();
        if (a == nullptr) {
          leave();
          return false;
        }
        call->arguments.push_tail(a);
        if (a->depth + 1 > call->depth) call->depth = a->depth + 1;
      } while (accept(","));
    }
    leave();
    return expect(")");
  }

  ast_expression *primary_expression() {
    const token t = peek();
    switch (t.kind) {
      case tk::int_constant: {
        pos_++;
        ast_expression *e = expression_node(ast_int_constant, t, nullptr);
        e->primary_expression.int_constant = t.int_value;
        return e;
      }
      case tk::float_constant: {
        pos_++;
        ast_expression *e = expression_node(ast_float_constant, t, nullptr);
        e->primary_expression.float_constant = t.float_value;
        return e;
      }
      case tk::bool_constant: {
        pos_++;
        ast_expression *e = expression_node(ast_bool_constant, t, nullptr);
        e->primary_expression.bool_constant = t.bool_value;
        return e;
      }
      case tk::identifier: {
        pos_++;
        if (at("(")) {
          auto *call = make<ast_function_expression>(t);
          call->callee = copy(t);
          if (!arguments(call)) return nullptr;
          return check_depth(call);
        }
        ast_expression *e = expression_node(ast_identifier, t, nullptr);
        e->primary_expression.identifier = copy(t);
        return e;
      }
      case tk::type_name: {
        // A constructor, of an array type in GLSL 1.20: "float[3](...)".
        auto *call = make<ast_function_expression>(t);
        call->constructor_type = type_specifier(false);
        if (call->constructor_type == nullptr || !arguments(call)) return nullptr;
        return check_depth(call);
      }
      default:
        break;
    }
    if (t.is("(")) {
      pos_++;
      if (!enter()) return nullptr;
      ast_expression *e = expression();
      leave();
      if (e == nullptr || !expect(")")) return nullptr;
      e->parenthesised = true;
      return e;
    }
    syntax_error("an expression");
    return nullptr;
  }

  glsl_parse_state *state_;
  const std::vector<glsl_pp_token> &tokens_;
  std::vector<bool> reported_;
  std::vector<token> cache_;
  std::vector<unsigned> cache_generation_;
  unsigned generation_ = 1;
  _shc_symbol_table *names_;
  size_t pos_ = 0;
  unsigned nesting_ = 0;
  bool failed_ = false;
  bool fatal_ = false;
  bool in_error_ = false;
};

}  // namespace

bool glsl_parse(glsl_parse_state *state, const std::vector<glsl_pp_token> &tokens,
                ast_translation_unit *unit) {
  return parser(state, tokens).run(unit);
}
