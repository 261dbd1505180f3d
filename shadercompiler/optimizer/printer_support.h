// What the GLSL and Metal printers share: exact literals and fresh names
// that no identifier of the shader uses.
#pragma once

#include <set>
#include <string>
#include <vector>

struct exec_list;

// The shortest decimal text that reads back as exactly `value` (finite
// values only), always with a decimal point: "1.0", "0.1", "1.5e-07".
std::string print_float_literal(float value);

class ir_constant;

// Component `i` of a scalar, vector or matrix constant as both languages
// read it: infinities, NaN and INT_MIN as expressions that make them.
std::string print_scalar_literal(const ir_constant *c, unsigned i);

// Names printed for one shader: the shader's own identifiers are taken up
// front, so that a fresh name never meets one of them.
class printer_names {
 public:
  // Takes every variable, function, structure and field name of the IR.
  void take_identifiers(exec_list *instructions);
  void take(const std::string &name) { taken_.insert(name); }
  bool is_taken(const std::string &name) const { return taken_.count(name) != 0; }
  // `base` followed by a number ("tmp_1", or "a_1" from "a_"), never
  // containing two underscores in a row unless `base` does; taken on return.
  std::string fresh(const std::string &base);

 private:
  std::set<std::string> taken_;
  unsigned counter_ = 0;
};

class ir_variable;
class ir_assignment;

// The assignments that follow a vector variable's declaration and write
// each of its components once, in ascending order (.xyz, then .w), without
// reading it: the pieces of a constructor that can give the declaration
// its value. Empty when the statements are not of that form.
std::vector<ir_assignment *> vector_constructor_pieces(ir_variable *var);

// Binding strengths of printed operators, tighter ones smaller: a value
// that binds looser than its place allows is printed in parentheses.
enum print_precedence : int {
  kPrecPrimary = 1,  // names, calls, constructors, members, indices
  kPrecUnary = 2,
  kPrecMultiply = 3,
  kPrecAdd = 4,
  kPrecRelational = 6,
  kPrecEquality = 7,
  kPrecLogicalAnd = 11,
  kPrecLogicalXor = 12,
  kPrecLogicalOr = 13,
  kPrecConditional = 15,
  kPrecTop = 16,  // a whole statement's value
};

// How loosely the operand of an infix operator of precedence `p` may bind.
// Chains of one operator read left to right; comparisons and the logical
// operators put other comparisons and logical operators in parentheses,
// which the reader would otherwise have to work out.
inline int operand_limit(int p, bool left, bool same_operator) {
  switch (p) {
    case kPrecLogicalAnd: case kPrecLogicalXor: case kPrecLogicalOr:
      return left && same_operator ? p : kPrecEquality;
    case kPrecEquality: case kPrecRelational:
      return kPrecAdd;
    default:
      return left ? p : p - 1;
  }
}

// Whether `a` gives `var` its whole value, unconditionally and without
// reading it: the statement that can become the declaration's initialiser.
bool assignment_initializes(ir_assignment *a, ir_variable *var);

class ir_rvalue;
class ir_expression;

// The arguments a vector constructor (ir_quadop_vector) prints: runs of
// operands that take consecutive components of one vector print as that
// vector, or a swizzle of it (vec4(m[0], s) rather than vec4(m[0].x,
// m[0].y, m[0].z, s)).
struct constructor_argument {
  ir_rvalue *operand;  // printed as it is when `vector` is null
  ir_rvalue *vector = nullptr;
  unsigned first = 0, count = 1;  // the components of `vector` taken
};
std::vector<constructor_argument> constructor_arguments(ir_expression *vector);

// Whether two values read the same thing: the same variable, field,
// element at the same constant index, swizzle or constant.
bool same_value(const ir_rvalue *a, const ir_rvalue *b);
