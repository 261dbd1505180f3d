#include "platform/metal/msl/parser.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

namespace mtl::msl {
namespace {

// Thrown inside the parser only, to unwind to parse() after the first error.
struct SyntaxError {};

struct BinaryLevel {
  std::string_view token;
  Op op;
  int precedence;
};

// C++ precedence, higher binds tighter.
constexpr BinaryLevel kBinary[] = {
    {"||", Op::LogicalOr, 4},  {"&&", Op::LogicalAnd, 5}, {"|", Op::BitOr, 6},
    {"^", Op::BitXor, 7},      {"&", Op::BitAnd, 8},      {"==", Op::Equal, 9},
    {"!=", Op::NotEqual, 9},   {"<", Op::Less, 10},       {">", Op::Greater, 10},
    {"<=", Op::LessEqual, 10}, {">=", Op::GreaterEqual, 10}, {"<<", Op::Shl, 11},
    {">>", Op::Shr, 11},       {"+", Op::Add, 12},        {"-", Op::Sub, 12},
    {"*", Op::Mul, 13},        {"/", Op::Div, 13},        {"%", Op::Rem, 13},
};

struct AssignOp {
  std::string_view token;
  Op op;
};
constexpr AssignOp kAssign[] = {
    {"=", Op::None},    {"+=", Op::Add},    {"-=", Op::Sub},    {"*=", Op::Mul},
    {"/=", Op::Div},    {"%=", Op::Rem},    {"<<=", Op::Shl},   {">>=", Op::Shr},
    {"&=", Op::BitAnd}, {"|=", Op::BitOr},  {"^=", Op::BitXor},
};

// Words that the subset does not take, with the construct they start.
constexpr std::string_view kUnsupportedStatements[] = {"switch", "case", "default", "goto"};

bool isTextureTemplate(std::string_view name) {
  return name == "texture2d" || name == "texturecube" || name == "depth2d";
}

class Parser {
 public:
  Parser(const std::vector<Token>& tokens, TypeTable& types, Diagnostics& diagnostics)
      : tokens_(tokens), types_(types), diagnostics_(diagnostics) {}

  TranslationUnit run() {
    try {
      while (peek().kind != TokenKind::End) topLevel();
    } catch (const SyntaxError&) {
    }
    return std::move(unit_);
  }

 private:
  // ---- tokens

  const Token& peek(std::size_t ahead = 0) const {
    const std::size_t k = std::min(pos_ + ahead, tokens_.size() - 1);
    return tokens_[k];
  }
  const Token& next() {
    const Token& t = peek();
    if (pos_ < tokens_.size() - 1) ++pos_;
    return t;
  }
  bool accept(std::string_view text) {
    if (!peek().is(text)) return false;
    next();
    return true;
  }
  [[noreturn]] void fail(SourceLocation at, std::string message) {
    diagnostics_.error(at, std::move(message));
    throw SyntaxError{};
  }
  // Just after the previous token, where a missing ';' belongs.
  SourceLocation afterPrevious() const {
    if (pos_ == 0) return peek().location;
    const Token& previous = tokens_[pos_ - 1];
    SourceLocation at = previous.location;
    at.column += static_cast<std::uint32_t>(previous.text.size());
    return at;
  }
  void expect(std::string_view text) {
    if (!accept(text)) fail(peek().location, "expected '" + std::string(text) + "'");
  }
  void expectAfter(std::string_view text, const char* context) {
    if (!accept(text)) {
      fail(afterPrevious(), "expected '" + std::string(text) + "' " + context);
    }
  }
  std::string expectIdentifier(const char* what) {
    if (peek().kind != TokenKind::Identifier) fail(peek().location, std::string("expected ") + what);
    return std::string(next().text);
  }
  // A closing '>' of a template argument list, taking half of a '>>'.
  void expectClosingAngle() {
    if (peek().is(">>")) {
      if (splitShift_) {
        splitShift_ = false;
        next();
      } else {
        splitShift_ = true;
      }
      return;
    }
    expect(">");
  }

  struct Nest {
    Nest(Parser& parser, SourceLocation at) : p(parser) {
      if (++p.nesting_ > kMaxNesting) {
        p.fail(at, "bracket nesting level exceeded maximum of " + std::to_string(kMaxNesting));
      }
    }
    ~Nest() { --p.nesting_; }
    Parser& p;
  };

  // ---- types

  bool isTypeName(const Token& t) const {
    if (t.kind != TokenKind::Identifier) return false;
    const std::string name(t.text);
    return name == "array" || isTextureTemplate(name) || structNames_.count(name) != 0 ||
           types_.byName(name) != nullptr;
  }
  // Whether a type (possibly metal::-qualified) starts at the current token.
  bool atType() const {
    if (peek().is("metal") && peek(1).is("::")) return isTypeName(peek(2));
    return isTypeName(peek());
  }

  TypeRef parseType() {
    TypeRef r;
    r.location = peek().location;
    if (peek().is("metal") && peek(1).is("::")) {
      next();
      next();
    }
    if (!isTypeName(peek())) {
      if (peek().kind == TokenKind::Identifier) {
        fail(peek().location, "unknown type name '" + std::string(peek().text) + "'");
      }
      fail(peek().location, "expected a type");
    }
    r.name = std::string(next().text);
    if (isTextureTemplate(r.name)) {
      Nest nest(*this, r.location);
      expect("<");
      r.typeArguments.push_back(parseType());
      if (accept(",")) {
        if (accept("metal")) expect("::");
        if (!peek().is("access")) fail(peek().location, "expected 'access'");
        next();
        expect("::");
        r.accessArguments.push_back(expectIdentifier("an access qualifier"));
      }
      expectClosingAngle();
    } else if (r.name == "array") {
      Nest nest(*this, r.location);
      expect("<");
      r.typeArguments.push_back(parseType());
      expect(",");
      // Below the relational level, so that '>' closes the list.
      r.arrayExtents.push_back(parseBinary(11));
      expectClosingAngle();
    }
    return r;
  }

  void parseExtents(TypeRef& r) {
    // '[[' starts attributes, not an extent.
    while (peek().is("[") && !peek(1).is("[")) {
      Nest nest(*this, peek().location);
      next();
      if (peek().is("]")) fail(peek().location, "array extent is missing");
      r.arrayExtents.push_back(parseExpression());
      expect("]");
    }
  }

  std::vector<Attribute> parseAttributes() {
    std::vector<Attribute> attributes;
    while (peek().is("[") && peek(1).is("[")) {
      next();
      next();
      do {
        Attribute a;
        a.location = peek().location;
        a.name = expectIdentifier("an attribute name");
        if (accept("(")) {
          const Token& arg = peek();
          if (arg.kind != TokenKind::IntLiteral && arg.kind != TokenKind::Identifier) {
            fail(arg.location, "expected an attribute argument");
          }
          a.hasArgument = true;
          a.argument = std::string(next().text);
          expect(")");
        }
        attributes.push_back(std::move(a));
      } while (accept(","));
      expect("]");
      expect("]");
    }
    return attributes;
  }

  // ---- top level

  void topLevel() {
    const Token& t = peek();
    if (t.kind == TokenKind::Directive) {
      directive(next());
      return;
    }
    if (accept(";")) return;
    if (t.is("using")) {
      next();
      if (!accept("namespace")) fail(peek().location, "expected 'namespace'");
      if (!peek().is("metal")) fail(peek().location, "expected namespace name 'metal'");
      next();
      expectAfter(";", "after namespace name");
      return;
    }
    if (t.is("struct")) {
      structDecl();
      return;
    }
    declaration();
  }

  void directive(const Token& t) {
    // '#', blanks, the directive word, blanks, the rest.
    std::string_view text = t.text.substr(1);
    const auto skipBlank = [&] {
      while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    };
    skipBlank();
    std::size_t n = 0;
    while (n < text.size() && (std::isalnum(static_cast<unsigned char>(text[n])) || text[n] == '_')) ++n;
    const std::string word(text.substr(0, n));
    text.remove_prefix(n);
    skipBlank();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
      text.remove_suffix(1);
    }
    if (word == "pragma") return;
    if (word == "include") {
      if (text == "<metal_stdlib>") return;
      if (text.size() >= 2 && (text.front() == '<' || text.front() == '"')) {
        fail(t.location, "'" + std::string(text.substr(1, text.size() - 2)) + "' file not found");
      }
      fail(t.location, "expected \"FILENAME\" or <FILENAME>");
    }
    if (word.empty()) fail(t.location, "invalid preprocessing directive");
    fail(t.location, "preprocessor directive '#" + word + "' is not supported");
  }

  void structDecl() {
    auto s = std::make_unique<StructDecl>();
    s->location = next().location;
    s->name = expectIdentifier("a struct name");
    if (structNames_.count(s->name)) fail(s->location, "redefinition of '" + s->name + "'");
    if (types_.byName(s->name) || isTextureTemplate(s->name) || s->name == "array") {
      fail(s->location, "cannot use the type name '" + s->name + "' as a struct name");
    }
    // Known from here on, so that a member may not be of its own type but
    // later declarations may use it.
    expect("{");
    while (!accept("}")) {
      if (peek().kind == TokenKind::End) fail(peek().location, "expected '}'");
      TypeRef type = parseType();
      do {
        MemberDecl m;
        m.location = peek().location;
        m.type = cloneTypeRefShape(type);
        m.name = expectIdentifier("a member name");
        parseExtents(m.type);
        m.attributes = parseAttributes();
        s->members.push_back(std::move(m));
      } while (accept(","));
      expectAfter(";", "at end of declaration list");
    }
    expectAfter(";", "after struct");
    structNames_.insert(s->name);
    unit_.order.emplace_back(TranslationUnit::DeclKind::Struct, unit_.structs.size());
    unit_.structs.push_back(std::move(s));
  }

  // A copy of a type reference's name and template arguments, for each
  // declarator of one declaration (extents are per declarator).
  TypeRef cloneTypeRefShape(const TypeRef& r) {
    TypeRef c;
    c.location = r.location;
    c.name = r.name;
    c.accessArguments = r.accessArguments;
    for (const auto& a : r.typeArguments) c.typeArguments.push_back(cloneTypeRefShape(a));
    for (const auto& e : r.arrayExtents) c.arrayExtents.push_back(cloneExpr(*e));
    return c;
  }

  ExprPtr cloneExpr(const Expr& e) {
    auto c = std::make_unique<Expr>(e.kind, e.location);
    c->intValue = e.intValue;
    c->floatValue = e.floatValue;
    c->boolValue = e.boolValue;
    c->suffix = e.suffix;
    c->hexOrOctal = e.hexOrOctal;
    c->depth = e.depth;
    c->name = e.name;
    c->op = e.op;
    c->castKind = e.castKind;
    c->typeRef = cloneTypeRefShape(e.typeRef);
    for (const auto& o : e.operands) c->operands.push_back(cloneExpr(*o));
    return c;
  }

  // A function or a program-scope constant.
  void declaration() {
    const SourceLocation start = peek().location;
    FunctionKind kind = FunctionKind::Plain;
    bool constant = false;
    while (true) {
      const Token& t = peek();
      if (t.is("vertex") || t.is("fragment")) {
        if (kind != FunctionKind::Plain) fail(t.location, "a function has one stage qualifier");
        kind = t.is("vertex") ? FunctionKind::Vertex : FunctionKind::Fragment;
      } else if (t.is("kernel")) {
        fail(t.location, "kernel functions are not supported");
      } else if (t.is("constant")) {
        constant = true;
      } else if (!(t.is("inline") || t.is("static") || t.is("constexpr") || t.is("const"))) {
        break;
      }
      next();
    }
    if (!atType()) {
      if (peek().kind == TokenKind::Identifier) {
        fail(peek().location, "unknown type name '" + std::string(peek().text) + "'");
      }
      fail(peek().location, "expected unqualified-id");
    }
    TypeRef type = parseType();
    const SourceLocation nameAt = peek().location;
    const std::string name = expectIdentifier("an identifier");
    if (peek().is("(")) {
      if (constant) fail(start, "a function cannot be declared in the 'constant' address space");
      function(kind, std::move(type), name, nameAt);
      return;
    }
    if (kind != FunctionKind::Plain) fail(peek().location, "expected '('");
    if (!constant) fail(nameAt, "program scope variable must reside in constant address space");
    auto g = std::make_unique<GlobalDecl>();
    g->location = nameAt;
    g->type = std::move(type);
    parseExtents(g->type);
    g->variable = std::make_unique<Variable>();
    g->variable->kind = Variable::Kind::GlobalConstant;
    g->variable->name = name;
    g->variable->location = nameAt;
    g->variable->addressSpace = AddressSpace::Constant;
    g->variable->isConst = true;
    if (!accept("=")) fail(afterPrevious(), "default initialization of an object of const type");
    g->initializer = parseInitializer();
    expectAfter(";", "after top level declarator");
    unit_.order.emplace_back(TranslationUnit::DeclKind::Global, unit_.globals.size());
    unit_.globals.push_back(std::move(g));
  }

  void function(FunctionKind kind, TypeRef returnType, const std::string& name,
                SourceLocation at) {
    auto f = std::make_unique<FunctionDecl>();
    f->location = at;
    f->functionKind = kind;
    f->returnType = std::move(returnType);
    f->name = name;
    expect("(");
    if (peek().is("void") && peek(1).is(")")) next();
    if (!peek().is(")")) {
      do {
        f->parameters.push_back(parameter());
      } while (accept(","));
    }
    expect(")");
    f->attributes = parseAttributes();
    if (!accept(";")) {
      if (!peek().is("{")) fail(afterPrevious(), "expected function body after function declarator");
      f->body = compound();
    }
    unit_.order.emplace_back(TranslationUnit::DeclKind::Function, unit_.functions.size());
    unit_.functions.push_back(std::move(f));
  }

  Parameter parameter() {
    Parameter p;
    p.location = peek().location;
    auto v = std::make_unique<Variable>();
    v->kind = Variable::Kind::Parameter;
    const auto qualifiers = [&] {
      while (true) {
        const Token& t = peek();
        if (t.is("const")) v->isConst = true;
        else if (t.is("constant")) v->addressSpace = AddressSpace::Constant;
        else if (t.is("device")) v->addressSpace = AddressSpace::Device;
        else if (t.is("thread")) v->addressSpace = AddressSpace::Thread;
        else if (t.is("threadgroup") || t.is("threadgroup_imageblock")) {
          fail(t.location, "the 'threadgroup' address space is not supported");
        } else {
          break;
        }
        next();
      }
    };
    qualifiers();
    p.type = parseType();
    qualifiers();
    if (accept("&")) {
      v->isReference = true;
    } else if (peek().is("*")) {
      fail(peek().location, "pointer parameters are not supported; use a reference");
    }
    v->location = peek().location;
    if (peek().kind == TokenKind::Identifier && !peek().is("[")) {
      v->name = std::string(next().text);
    }
    parseExtents(p.type);
    v->attributes = parseAttributes();
    p.variable = std::move(v);
    return p;
  }

  // ---- statements

  StmtPtr compound() {
    Nest nest(*this, peek().location);
    auto s = std::make_unique<Stmt>(StmtKind::Compound, peek().location);
    expect("{");
    while (!accept("}")) {
      if (peek().kind == TokenKind::End) fail(peek().location, "expected '}'");
      s->body.push_back(statement());
    }
    return s;
  }

  bool atDeclaration() const {
    if (peek().is("const") || peek().is("thread") || peek().is("constant") ||
        peek().is("device") || peek().is("static")) {
      return true;
    }
    if (!atType()) return false;
    std::size_t k = peek().is("metal") ? 2 : 0;
    const Token& after = peek(k + 1);
    const std::string name(peek(k).text);
    if (name == "array" || isTextureTemplate(name)) return after.is("<");
    return after.kind == TokenKind::Identifier || after.is("&") || after.is("*");
  }

  StmtPtr statement() {
    const Token& t = peek();
    const SourceLocation at = t.location;
    if (t.is("{")) return compound();
    Nest nest(*this, at);
    for (std::string_view word : kUnsupportedStatements) {
      if (t.is(word)) fail(at, "'" + std::string(word) + "' statements are not supported");
    }
    if (t.is("if")) {
      next();
      auto s = std::make_unique<Stmt>(StmtKind::If, at);
      expect("(");
      s->expr = parseExpression();
      expect(")");
      s->then = statement();
      if (accept("else")) s->otherwise = statement();
      return s;
    }
    if (t.is("for")) {
      next();
      auto s = std::make_unique<Stmt>(StmtKind::For, at);
      expect("(");
      if (!accept(";")) {
        if (atDeclaration()) {
          s->init = declarationStatement();
        } else {
          auto init = std::make_unique<Stmt>(StmtKind::Expression, peek().location);
          init->expr = parseExpression();
          expectAfter(";", "in 'for' statement specifier");
          s->init = std::move(init);
        }
      }
      if (!peek().is(";")) s->expr = parseExpression();
      expectAfter(";", "in 'for' statement specifier");
      if (!peek().is(")")) s->step = parseExpression();
      expect(")");
      s->then = statement();
      return s;
    }
    if (t.is("while")) {
      next();
      auto s = std::make_unique<Stmt>(StmtKind::While, at);
      expect("(");
      s->expr = parseExpression();
      expect(")");
      s->then = statement();
      return s;
    }
    if (t.is("do")) {
      next();
      auto s = std::make_unique<Stmt>(StmtKind::DoWhile, at);
      s->then = statement();
      if (!accept("while")) fail(peek().location, "expected 'while' in do/while loop");
      expect("(");
      s->expr = parseExpression();
      expect(")");
      expectAfter(";", "after do/while statement");
      return s;
    }
    if (t.is("break") || t.is("continue")) {
      const bool isBreak = t.is("break");
      next();
      expectAfter(";", isBreak ? "after break statement" : "after continue statement");
      return std::make_unique<Stmt>(isBreak ? StmtKind::Break : StmtKind::Continue, at);
    }
    if (t.is("return")) {
      next();
      auto s = std::make_unique<Stmt>(StmtKind::Return, at);
      if (!peek().is(";")) s->expr = peek().is("{") ? parseInitializer() : parseExpression();
      expectAfter(";", "after return statement");
      return s;
    }
    if (accept(";")) return std::make_unique<Stmt>(StmtKind::Empty, at);
    if (atDeclaration()) return declarationStatement();
    auto s = std::make_unique<Stmt>(StmtKind::Expression, at);
    s->expr = parseExpression();
    expectAfter(";", "after expression");
    return s;
  }

  StmtPtr declarationStatement() {
    auto s = std::make_unique<Stmt>(StmtKind::Declaration, peek().location);
    bool isConst = false;
    while (true) {
      const Token& t = peek();
      if (t.is("const")) isConst = true;
      else if (t.is("constant") || t.is("device")) {
        fail(t.location, "variables in the '" + std::string(t.text) +
                             "' address space can only be declared at program scope");
      } else if (t.is("static")) {
        fail(t.location, "static local variables are not supported");
      } else if (!t.is("thread")) {
        break;
      }
      next();
    }
    s->declType = parseType();
    if (peek().is("&")) fail(peek().location, "local references are not supported");
    if (peek().is("*")) fail(peek().location, "pointers are not supported");
    do {
      Declarator d;
      d.variable = std::make_unique<Variable>();
      d.variable->kind = Variable::Kind::Local;
      d.variable->isConst = isConst;
      d.variable->addressSpace = AddressSpace::Thread;
      d.variable->location = peek().location;
      d.variable->name = expectIdentifier("an identifier");
      parseExtents(d.extents);
      if (accept("=")) {
        d.initializer = parseInitializer();
      } else if (peek().is("{")) {
        d.initializer = parseInitializer();
      }
      s->declarators.push_back(std::move(d));
    } while (accept(","));
    expectAfter(";", "at end of declaration");
    return s;
  }

  // ---- expressions

  ExprPtr node(ExprKind kind, SourceLocation at) { return std::make_unique<Expr>(kind, at); }

  // Sets the node's height from its children and enforces the bound.
  [[gnu::noinline]] ExprPtr finish(ExprPtr e) {
    std::uint32_t depth = 0;
    for (const auto& o : e->operands) depth = std::max(depth, o->depth);
    for (const auto& x : e->typeRef.arrayExtents) depth = std::max(depth, x->depth);
    e->depth = depth + 1;
    if (e->depth > kMaxExpressionDepth) {
      fail(e->location, "expression is nested more than " +
                            std::to_string(kMaxExpressionDepth) + " levels deep");
    }
    return e;
  }

  ExprPtr parseInitializer() {
    if (!peek().is("{")) return parseAssignment();
    Nest nest(*this, peek().location);
    auto list = node(ExprKind::InitList, next().location);
    if (!peek().is("}")) {
      do {
        if (peek().is("}")) break;  // a trailing comma
        list->operands.push_back(parseInitializer());
      } while (accept(","));
    }
    expect("}");
    return finish(std::move(list));
  }

  ExprPtr parseExpression() {
    ExprPtr e = parseAssignment();
    while (peek().is(",")) {
      auto c = node(ExprKind::Comma, next().location);
      c->operands.push_back(std::move(e));
      c->operands.push_back(parseAssignment());
      e = finish(std::move(c));
    }
    return e;
  }

  // Nesting counts brackets, and the operators that recurse without one
  // (assignments, conditionals, unary operators), so that the stack stays
  // bounded.
  [[gnu::noinline]] ExprPtr parseAssignment() {
    ExprPtr lhs = parseConditional();
    if (peek().kind != TokenKind::Punct) return lhs;
    for (const AssignOp& a : kAssign) {
      if (peek().is(a.token)) {
        Nest nest(*this, peek().location);
        auto e = node(ExprKind::Assign, next().location);
        e->op = a.op;
        e->operands.push_back(std::move(lhs));
        e->operands.push_back(peek().is("{") ? parseInitializer() : parseAssignment());
        return finish(std::move(e));
      }
    }
    return lhs;
  }

  [[gnu::noinline]] ExprPtr parseConditional() {
    ExprPtr cond = parseBinary(4);
    if (!peek().is("?")) return cond;
    Nest nest(*this, peek().location);
    auto e = node(ExprKind::Conditional, next().location);
    e->operands.push_back(std::move(cond));
    e->operands.push_back(parseExpression());
    expect(":");
    e->operands.push_back(parseAssignment());
    return finish(std::move(e));
  }

  const BinaryLevel* binaryAt() const {
    const Token& t = peek();
    if (splitShift_ || t.kind != TokenKind::Punct) return nullptr;
    for (const BinaryLevel& b : kBinary) {
      if (t.is(b.token)) return &b;
    }
    return nullptr;
  }

  // Precedence climbing: operators of at least `minPrecedence`, all left
  // associative.
  ExprPtr parseBinary(int minPrecedence) {
    ExprPtr lhs = parseUnary();
    while (true) {
      const BinaryLevel* b = binaryAt();
      if (!b || b->precedence < minPrecedence) return lhs;
      auto e = node(ExprKind::Binary, next().location);
      e->op = b->op;
      e->operands.push_back(std::move(lhs));
      // Recursion here is bounded by the number of precedence levels.
      e->operands.push_back(parseBinary(b->precedence + 1));
      lhs = finish(std::move(e));
    }
  }

  ExprPtr parseUnary() {
    const Token& t = peek();
    Op op = Op::None;
    if (t.is("+")) op = Op::Plus;
    else if (t.is("-")) op = Op::Negate;
    else if (t.is("!")) op = Op::LogicalNot;
    else if (t.is("~")) op = Op::BitNot;
    else if (t.is("++")) op = Op::PreIncrement;
    else if (t.is("--")) op = Op::PreDecrement;
    if (op != Op::None) {
      Nest nest(*this, t.location);
      auto e = node(ExprKind::Unary, next().location);
      e->op = op;
      e->operands.push_back(parseUnary());
      return finish(std::move(e));
    }
    if (t.is("(") && isCastAhead()) {
      Nest nest(*this, t.location);
      auto e = node(ExprKind::Cast, next().location);
      e->castKind = CastKind::CStyle;
      e->typeRef = parseType();
      expect(")");
      e->operands.push_back(parseUnary());
      return finish(std::move(e));
    }
    if (t.is("sizeof")) fail(t.location, "'sizeof' is not supported");
    return parsePostfix(parsePrimary());
  }

  // '(' type ')' starts a cast; '(' type '(' ... is a parenthesised
  // constructor call.
  [[gnu::noinline]] bool isCastAhead() const {
    std::size_t k = 1;
    if (peek(k).is("metal") && peek(k + 1).is("::")) k += 2;
    if (!isTypeName(peek(k))) return false;
    const std::string name(peek(k).text);
    if (name == "array" || isTextureTemplate(name)) return true;
    return peek(k + 1).is(")");
  }

  [[gnu::noinline]] ExprPtr parsePostfix(ExprPtr e) {
    while (true) {
      const Token& t = peek();
      if (t.is("[")) {
        Nest nest(*this, t.location);
        auto x = node(ExprKind::Index, next().location);
        x->operands.push_back(std::move(e));
        x->operands.push_back(parseExpression());
        expect("]");
        e = finish(std::move(x));
      } else if (t.is(".")) {
        const SourceLocation at = next().location;
        const SourceLocation nameAt = peek().location;
        const std::string name = expectIdentifier("a member name");
        if (peek().is("(")) {
          auto m = node(ExprKind::MethodCall, nameAt);
          m->name = name;
          m->operands.push_back(std::move(e));
          arguments(*m);
          e = finish(std::move(m));
        } else {
          auto m = node(ExprKind::Member, nameAt);
          (void)at;
          m->name = name;
          m->operands.push_back(std::move(e));
          e = finish(std::move(m));
        }
      } else if (t.is("++") || t.is("--")) {
        auto x = node(ExprKind::Postfix, next().location);
        x->op = t.is("++") ? Op::PostIncrement : Op::PostDecrement;
        x->operands.push_back(std::move(e));
        e = finish(std::move(x));
      } else if (t.is("->")) {
        fail(t.location, "pointers are not supported");
      } else {
        return e;
      }
    }
  }

  void arguments(Expr& call) {
    Nest nest(*this, peek().location);
    expect("(");
    if (!peek().is(")")) {
      do {
        call.operands.push_back(parseAssignment());
      } while (accept(","));
    }
    expect(")");
  }

  [[gnu::noinline]] ExprPtr parsePrimary() {
    const Token& t = peek();
    if (t.kind == TokenKind::IntLiteral || t.kind == TokenKind::FloatLiteral) {
      next();
      auto e = node(t.kind == TokenKind::IntLiteral ? ExprKind::IntLiteral : ExprKind::FloatLiteral,
                    t.location);
      e->intValue = t.intValue;
      e->floatValue = t.floatValue;
      e->suffix = t.suffix;
      e->hexOrOctal = t.hexOrOctal;
      return e;
    }
    if (t.is("true") || t.is("false")) {
      next();
      auto e = node(ExprKind::BoolLiteral, t.location);
      e->boolValue = t.is("true");
      return e;
    }
    if (t.is("(")) {
      Nest nest(*this, t.location);
      next();
      ExprPtr e = parseExpression();
      expect(")");
      return e;
    }
    if (t.is("static_cast") || t.is("as_type")) {
      auto e = node(ExprKind::Cast, next().location);
      e->castKind = t.is("as_type") ? CastKind::AsType : CastKind::StaticCast;
      expect("<");
      e->typeRef = parseType();
      expectClosingAngle();
      expect("(");
      e->operands.push_back(parseExpression());
      expect(")");
      return finish(std::move(e));
    }
    if (t.is("reinterpret_cast") || t.is("const_cast") || t.is("dynamic_cast")) {
      fail(t.location, "'" + std::string(t.text) + "' is not supported");
    }
    if (atType()) {
      auto e = node(ExprKind::Construct, t.location);
      e->typeRef = parseType();
      if (peek().is("{")) {
        ExprPtr list = parseInitializer();
        list->typeRef = std::move(e->typeRef);
        return list;
      }
      if (!peek().is("(")) fail(peek().location, "expected '(' for function-style cast or type construction");
      arguments(*e);
      return finish(std::move(e));
    }
    if (t.kind == TokenKind::Identifier) {
      if (t.is("metal") && peek(1).is("::")) {
        next();
        next();
        if (peek().kind != TokenKind::Identifier) fail(peek().location, "expected unqualified-id");
        return parsePrimary();
      }
      next();
      if (peek().is("(")) {
        auto e = node(ExprKind::Call, t.location);
        e->name = std::string(t.text);
        arguments(*e);
        return finish(std::move(e));
      }
      auto e = node(ExprKind::Name, t.location);
      e->name = std::string(t.text);
      return e;
    }
    if (t.kind == TokenKind::End) fail(t.location, "expected expression");
    fail(t.location, "expected expression");
  }

  const std::vector<Token>& tokens_;
  TypeTable& types_;
  Diagnostics& diagnostics_;
  std::size_t pos_ = 0;
  unsigned nesting_ = 0;
  bool splitShift_ = false;
  std::set<std::string> structNames_;
  TranslationUnit unit_;
};

}  // namespace

TranslationUnit parse(const std::vector<Token>& tokens, TypeTable& types,
                      Diagnostics& diagnostics) {
  return Parser(tokens, types, diagnostics).run();
}

}  // namespace mtl::msl
