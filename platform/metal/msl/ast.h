// The syntax tree the parser builds and the checker annotates: each
// expression gets its type, value category and what its names and calls
// resolve to; implicit conversions become Convert nodes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/metal/msl/diagnostics.h"
#include "platform/metal/msl/lexer.h"
#include "platform/metal/msl/types.h"

namespace mtl::msl {

struct Expr;
struct FunctionDecl;
using ExprPtr = std::unique_ptr<Expr>;

// A type as written: a name with template arguments and array extents.
struct TypeRef {
  SourceLocation location;
  std::string name;                     // "float4", "texture2d", "array", a struct name
  std::vector<TypeRef> typeArguments;   // texture2d<float>, array<T, N>
  std::vector<std::string> accessArguments;  // access::sample
  std::vector<ExprPtr> arrayExtents;    // array<T, N> and T name[N] (outermost first)
  const Type* resolved = nullptr;

  TypeRef() = default;
  TypeRef(TypeRef&&) = default;
  TypeRef& operator=(TypeRef&&) = default;
};

struct Attribute {
  SourceLocation location;
  std::string name;       // "position", "attribute", "user", "flat"
  bool hasArgument = false;
  std::string argument;   // a number or a name, as written
};

enum class AddressSpace : std::uint8_t { None, Thread, Constant, Device };

// Every name a program can refer to.
struct Variable {
  enum class Kind : std::uint8_t { Local, Parameter, GlobalConstant };
  Kind kind = Kind::Local;
  std::string name;
  SourceLocation location;
  const Type* type = nullptr;
  AddressSpace addressSpace = AddressSpace::None;
  bool isReference = false;
  bool isConst = false;
  std::vector<Attribute> attributes;  // of parameters
  Expr* initializer = nullptr;        // of global constants, owned by the declaration
  // Entry-point parameters: what the attribute binds.
  Semantic role = Semantic::None;     // StageIn, Buffer, Texture, Sampler, Position, ...
  std::uint32_t slot = 0;
};

enum class ExprKind : std::uint8_t {
  IntLiteral, FloatLiteral, BoolLiteral, Name, Unary, Postfix, Binary, Assign, Conditional,
  Comma, Call, Construct, InitList, Member, Swizzle, Index, MethodCall, Cast, Convert,
};

enum class Op : std::uint8_t {
  None,
  // unary
  Plus, Negate, LogicalNot, BitNot, PreIncrement, PreDecrement, PostIncrement, PostDecrement,
  // binary
  Add, Sub, Mul, Div, Rem, Shl, Shr, BitAnd, BitOr, BitXor, LogicalAnd, LogicalOr,
  Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual,
};

enum class CastKind : std::uint8_t { CStyle, StaticCast, AsType };

struct Expr {
  ExprKind kind;
  SourceLocation location;
  // Filled by the checker.
  const Type* type = nullptr;
  bool lvalue = false;
  bool isConst = false;  // an lvalue that may not be written
  AddressSpace space = AddressSpace::None;  // where an lvalue lives
  // Compound assignment: the target converts to `operationType`, the
  // operation gives `operationResult`, which converts back.
  const Type* operationType = nullptr;
  const Type* operationResult = nullptr;

  // Literals.
  std::uint64_t intValue = 0;
  double floatValue = 0;
  bool boolValue = false;
  LiteralSuffix suffix = LiteralSuffix::None;
  bool hexOrOctal = false;
  // Height of the tree below this node, which the parser bounds so that
  // every later walk stays within the stack.
  std::uint32_t depth = 1;

  // Name, Member, MethodCall, Call: the identifier as written.
  std::string name;
  Op op = Op::None;
  CastKind castKind = CastKind::CStyle;
  std::vector<ExprPtr> operands;  // children in source order
  TypeRef typeRef;                // Construct, Cast

  // Resolutions.
  Variable* variable = nullptr;          // Name
  const FunctionDecl* function = nullptr;  // Call of a user function
  int builtin = -1;                      // Call or MethodCall of a built-in
  std::uint32_t memberIndex = 0;         // Member
  std::uint8_t swizzle[4] = {0, 1, 2, 3};  // Swizzle: source component per result
  std::uint8_t swizzleLength = 0;
  // MethodCall options (sample: bias, level, gradient2d; min_lod_clamp is
  // not supported) as argument operand indices.
  int optionKind = 0;

  Expr(ExprKind k, SourceLocation at) : kind(k), location(at) {}
};

enum class StmtKind : std::uint8_t {
  Compound, Declaration, Expression, If, For, While, DoWhile, Break, Continue, Return, Empty,
};

struct Stmt;
using StmtPtr = std::unique_ptr<Stmt>;

struct Declarator {
  std::unique_ptr<Variable> variable;
  TypeRef extents;     // only arrayExtents used: name[N]
  ExprPtr initializer;
};

struct Stmt {
  StmtKind kind;
  SourceLocation location;
  std::vector<StmtPtr> body;    // Compound
  TypeRef declType;             // Declaration
  std::vector<Declarator> declarators;
  ExprPtr expr;                 // Expression, Return value, If/While/DoWhile condition, For condition
  ExprPtr step;                 // For
  StmtPtr init;                 // For
  StmtPtr then, otherwise;      // If; loop body in `then`

  Stmt(StmtKind k, SourceLocation at) : kind(k), location(at) {}
};

struct MemberDecl {
  SourceLocation location;
  TypeRef type;
  std::string name;
  std::vector<Attribute> attributes;
};

struct StructDecl {
  SourceLocation location;
  std::string name;
  std::vector<MemberDecl> members;
  const Type* type = nullptr;
};

enum class FunctionKind : std::uint8_t { Plain, Vertex, Fragment };

struct Parameter {
  SourceLocation location;
  TypeRef type;
  std::unique_ptr<Variable> variable;
};

struct FunctionDecl {
  SourceLocation location;
  FunctionKind functionKind = FunctionKind::Plain;
  TypeRef returnType;
  std::string name;
  std::vector<Parameter> parameters;
  std::vector<Attribute> attributes;  // after the parameter list
  StmtPtr body;                        // null for a declaration without body
  const FunctionDecl* definition = nullptr;  // the body's declaration, by the checker
  const Type* resolvedReturn = nullptr;
  // By the checker: calls of user functions and uses of fragment-only
  // built-ins, for the stage and recursion checks.
  std::vector<std::pair<const FunctionDecl*, SourceLocation>> calls;
  std::vector<std::pair<const char*, SourceLocation>> fragmentOnlyUses;
};

struct GlobalDecl {
  SourceLocation location;
  TypeRef type;
  std::unique_ptr<Variable> variable;
  ExprPtr initializer;
};

struct TranslationUnit {
  std::vector<std::unique_ptr<StructDecl>> structs;
  std::vector<std::unique_ptr<GlobalDecl>> globals;
  std::vector<std::unique_ptr<FunctionDecl>> functions;
  // Declarations in source order, for the checker.
  enum class DeclKind : std::uint8_t { Struct, Global, Function };
  std::vector<std::pair<DeclKind, std::size_t>> order;
};

}  // namespace mtl::msl
