// Allocation of AST nodes and their S-expression form.
#include "shadercompiler/frontend/ast.h"

#include <cstdio>

#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/shc_assert.h"

void *ast_node::operator new(size_t size, void *mem_ctx) {
  void *node = ralloc_size(mem_ctx, size);
  SHC_ASSERT(node != NULL);
  return node;
}

const char *ast_operator_string(ast_operators op) {
  static const char *const kText[] = {
      "=",  "+",  "-",   "+",   "-",  "*",  "/",  "%",  "<<", ">>", "<",  ">",  "<=",
      ">=", "==", "!=",  "&",   "^",  "|",  "~",  "&&", "^^", "||", "!",  "*=", "/=",
      "%=", "+=", "-=",  "<<=", ">>=", "&=", "^=", "|=", "?:", "++", "--", "++", "--",
      ".",  "[]", "()",  "",    "",   "",   "",   ","};
  static_assert(std::size(kText) == ast_sequence + 1, "one text per operator");
  return kText[op];
}

namespace {

const char *precision_text(glsl_precision p) {
  switch (p) {
    case glsl_precision_high: return "highp ";
    case glsl_precision_medium: return "mediump ";
    case glsl_precision_low: return "lowp ";
    default: return "";
  }
}

void print_list(const exec_list *list, std::string *out) {
  foreach_in_list(ast_node, n, const_cast<exec_list *>(list)) {
    *out += " ";
    n->print(out);
  }
}

void print_optional(const ast_node *n, std::string *out) {
  if (n == nullptr) {
    *out += " -";
    return;
  }
  *out += " ";
  n->print(out);
}

}  // namespace

void ast_expression::print(std::string *out) const {
  char number[64];
  switch (oper) {
    case ast_identifier: *out += primary_expression.identifier; return;
    case ast_int_constant:
      std::snprintf(number, sizeof(number), "%d", primary_expression.int_constant);
      *out += number;
      return;
    case ast_float_constant:
      std::snprintf(number, sizeof(number), "%g", static_cast<double>(primary_expression.float_constant));
      *out += number;
      if (std::string(number).find_first_of(".en") == std::string::npos) *out += ".0";
      return;
    case ast_bool_constant: *out += primary_expression.bool_constant ? "true" : "false"; return;
    case ast_sequence:
      *out += "(,";
      print_list(&expressions, out);
      *out += ")";
      return;
    case ast_field_selection:
      *out += "(. ";
      subexpressions[0]->print(out);
      *out += std::string(" ") + primary_expression.identifier + ")";
      return;
    case ast_post_inc: case ast_post_dec:
      *out += std::string("(post") + ast_operator_string(oper) + " ";
      subexpressions[0]->print(out);
      *out += ")";
      return;
    case ast_plus: case ast_neg: case ast_pre_inc: case ast_pre_dec:
      *out += std::string("(") + (oper == ast_plus ? "u+" : oper == ast_neg ? "u-" : "pre") +
              (oper == ast_pre_inc || oper == ast_pre_dec ? ast_operator_string(oper) : "") + " ";
      subexpressions[0]->print(out);
      *out += ")";
      return;
    default: break;
  }
  *out += std::string("(") + ast_operator_string(oper);
  for (const ast_expression *e : subexpressions)
    if (e != nullptr) {
      *out += " ";
      e->print(out);
    }
  *out += ")";
}

void ast_function_expression::print(std::string *out) const {
  if (method != nullptr) {
    *out += std::string("(.") + method + "() ";
    subexpressions[0]->print(out);
  } else if (constructor_type != nullptr) {
    *out += "(";
    constructor_type->print(out);
  } else {
    *out += std::string("(call ") + callee;
  }
  print_list(&arguments, out);
  *out += ")";
}

void ast_type_specifier::print(std::string *out) const {
  *out += precision_text(precision);
  if (structure != nullptr) structure->print(out);
  else *out += type_name;
  if (is_array) {
    *out += "[";
    if (array_size != nullptr) array_size->print(out);
    *out += "]";
  }
}

void ast_fully_specified_type::print(std::string *out) const {
  const ast_type_qualifier &q = qualifier;
  if (q.invariant) *out += "invariant ";
  if (q.centroid) *out += "centroid ";
  if (q.is_const) *out += "const ";
  if (q.attribute) *out += "attribute ";
  if (q.varying) *out += "varying ";
  if (q.uniform) *out += "uniform ";
  if (q.in && q.out) *out += "inout ";
  else if (q.in) *out += "in ";
  else if (q.out) *out += "out ";
  specifier->print(out);
}

void ast_declaration::print(std::string *out) const {
  *out += identifier;
  if (is_array) {
    *out += "[";
    if (array_size != nullptr) array_size->print(out);
    *out += "]";
  }
  if (initializer != nullptr) {
    *out += " = ";
    initializer->print(out);
  }
}

void ast_declarator_list::print(std::string *out) const {
  *out += "(declare ";
  if (invariant) *out += "invariant";
  else type->print(out);
  print_list(&declarations, out);
  *out += ")";
}

void ast_struct_specifier::print(std::string *out) const {
  *out += std::string("(struct ") + (name != nullptr ? name : "-");
  print_list(&members, out);
  *out += ")";
}

void ast_precision_statement::print(std::string *out) const {
  *out += std::string("(precision ") + precision_text(precision);
  type->print(out);
  *out += ")";
}

void ast_parameter_declarator::print(std::string *out) const {
  *out += "(param ";
  type->print(out);
  if (identifier != nullptr) *out += std::string(" ") + identifier;
  if (is_array) {
    *out += "[";
    if (array_size != nullptr) array_size->print(out);
    *out += "]";
  }
  *out += ")";
}

void ast_function::print(std::string *out) const {
  *out += "(function ";
  return_type->print(out);
  *out += std::string(" ") + identifier;
  print_list(&parameters, out);
  *out += ")";
}

void ast_compound_statement::print(std::string *out) const {
  *out += new_scope ? "{" : "{noscope";
  print_list(&statements, out);
  *out += " }";
}

void ast_function_definition::print(std::string *out) const {
  *out += "(define ";
  prototype->print(out);
  *out += " ";
  body->print(out);
  *out += ")";
}

void ast_expression_statement::print(std::string *out) const {
  if (expression == nullptr) {
    *out += ";";
    return;
  }
  expression->print(out);
  *out += ";";
}

void ast_selection_statement::print(std::string *out) const {
  *out += "(if ";
  condition->print(out);
  *out += " ";
  then_statement->print(out);
  if (else_statement != nullptr) {
    *out += " else ";
    else_statement->print(out);
  }
  *out += ")";
}

void ast_iteration_statement::print(std::string *out) const {
  *out += mode == ast_for ? "(for" : mode == ast_while ? "(while" : "(do";
  if (mode == ast_for) print_optional(init_statement, out);
  print_optional(condition, out);
  if (mode == ast_for) print_optional(rest_expression, out);
  *out += " ";
  body->print(out);
  *out += ")";
}

void ast_jump_statement::print(std::string *out) const {
  static const char *const kText[] = {"continue", "break", "return", "discard"};
  *out += std::string("(") + kText[mode];
  if (return_value != nullptr) {
    *out += " ";
    return_value->print(out);
  }
  *out += ")";
}
