#include "shadercompiler/optimizer/ir_print_glsl.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/optimizer/optimizer_support.h"
#include "shadercompiler/optimizer/printer_support.h"

namespace {

const char *precision_word(unsigned precision) {
  switch (precision) {
    case glsl_precision_high: return "highp ";
    case glsl_precision_medium: return "mediump ";
    case glsl_precision_low: return "lowp ";
    default: return "";
  }
}

bool is_builtin_variable(const ir_variable *var) {
  return var->name != nullptr && std::strncmp(var->name, "gl_", 3) == 0;
}

// The extensions a shader's IR needs enabled to compile again.
class extension_finder : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
   using ir_hierarchical_visitor::visit_enter;
  explicit extension_finder(const glsl_print_options &o) : options_(o) {}

  ir_visitor_status visit_enter(ir_expression *e) override {
    switch (e->operation) {
      case ir_unop_dFdx: case ir_unop_dFdy:
        if (options_.is_es) needed.insert("GL_OES_standard_derivatives");
        break;
      default: break;
    }
    return visit_continue;
  }
  ir_visitor_status visit_enter(ir_texture *t) override {
    const glsl_type *s = t->sampler->type;
    while (s->is_array()) s = s->fields.array;
    if (s->sampler_dimensionality == GLSL_SAMPLER_DIM_3D && options_.is_es)
      needed.insert("GL_OES_texture_3D");
    if (s->sampler_dimensionality == GLSL_SAMPLER_DIM_EXTERNAL)
      needed.insert("GL_OES_EGL_image_external");
    if (s->sampler_dimensionality == GLSL_SAMPLER_DIM_RECT)
      needed.insert("GL_ARB_texture_rectangle");
    if (s->sampler_shadow && options_.is_es) needed.insert("GL_EXT_shadow_samplers");
    const bool fragment = options_.stage == SHC_SHADER_FRAGMENT;
    if (t->op == ir_txd || (t->op == ir_txl && fragment))
      needed.insert(options_.is_es ? "GL_EXT_shader_texture_lod" : "GL_ARB_shader_texture_lod");
    return visit_continue;
  }
  ir_visitor_status visit(ir_variable *var) override {
    const glsl_type *t = var->type;
    while (t->is_array()) t = t->fields.array;
    if (t->is_sampler()) {
      if (t->sampler_dimensionality == GLSL_SAMPLER_DIM_3D && options_.is_es)
        needed.insert("GL_OES_texture_3D");
      if (t->sampler_dimensionality == GLSL_SAMPLER_DIM_EXTERNAL)
        needed.insert("GL_OES_EGL_image_external");
      if (t->sampler_dimensionality == GLSL_SAMPLER_DIM_RECT)
        needed.insert("GL_ARB_texture_rectangle");
      if (t->sampler_shadow && options_.is_es) needed.insert("GL_EXT_shadow_samplers");
    }
    return visit_continue;
  }

  std::set<std::string> needed;

 private:
  const glsl_print_options &options_;
};

// Whether the shader states a default precision for the type (" float")
// before its code.
bool has_default_precision(exec_list *instructions, const char *type) {
  foreach_in_list(ir_instruction, ir, instructions) {
    if (ir->ir_type == ir_type_function) return false;
    if (ir->ir_type != ir_type_precision) continue;
    const char *text = static_cast<ir_precision_statement *>(ir)->precision_statement;
    if (std::strstr(text, type) != nullptr) return true;
  }
  return false;
}

class glsl_printer {
 public:
  explicit glsl_printer(const glsl_print_options &options) : options_(options) {}

  std::string print(exec_list *instructions) {
    names_.take_identifiers(instructions);
    out_ = "#version " + std::to_string(options_.version) + "\n";
    extension_finder extensions(options_);
    extensions.run(instructions);
    for (const std::string &e : extensions.needed) out_ += "#extension " + e + " : enable\n";
    if (options_.is_es && options_.stage == SHC_SHADER_FRAGMENT &&
        !has_default_precision(instructions, " float"))
      out_ += "precision mediump float;\n";
    // OES_texture_3D's sampler has no default precision.
    if (options_.is_es && extensions.needed.count("GL_OES_texture_3D") &&
        !has_default_precision(instructions, " sampler3D"))
      out_ += "precision lowp sampler3D;\n";
    foreach_in_list(ir_instruction, ir, instructions) top_level(ir);
    return out_;
  }

 private:
  // ------------------------------------------------------------ naming
  const std::string &name_of(ir_variable *var) {
    auto it = names_of_.find(var);
    if (it != names_of_.end()) return it->second;
    std::string name;
    const bool temporary = var->data.mode == ir_var_temporary || var->name == nullptr;
    if (!temporary && used_.insert(var->name).second) name = var->name;
    else name = names_.fresh(temporary ? "tmp" : var->name);
    return names_of_.emplace(var, name).first->second;
  }

  // ------------------------------------------------------------ output
  void line(const std::string &text) {
    out_.append(indent_ * 2, ' ');
    out_ += text;
    out_ += '\n';
  }

  std::string type_name(const glsl_type *t) {
    while (t->is_array()) t = t->fields.array;
    if (t->is_record() && t->name[0] == '#') {
      // Anonymous structures get a name no declaration uses.
      auto it = record_names_.find(t);
      if (it == record_names_.end()) it = record_names_.emplace(t, names_.fresh("S")).first;
      return it->second;
    }
    return t->name;
  }
  std::string array_suffix(const glsl_type *t) {
    std::string s;
    while (t->is_array()) {
      s += "[" + std::to_string(t->length) + "]";
      t = t->fields.array;
    }
    return s;
  }

  std::string declaration(ir_variable *var) {
    std::string text;
    if (var->data.invariant) text += "invariant ";
    if (var->data.centroid) text += "centroid ";
    const bool vertex = options_.stage == SHC_SHADER_VERTEX;
    switch (var->data.mode) {
      case ir_var_uniform: text += "uniform "; break;
      case ir_var_shader_in: text += vertex ? "attribute " : "varying "; break;
      case ir_var_shader_out: text += "varying "; break;
      case ir_var_function_in: text += "in "; break;
      case ir_var_const_in: text += "const in "; break;
      case ir_var_function_out: text += "out "; break;
      case ir_var_function_inout: text += "inout "; break;
      default:
        if (var->constant_value != nullptr && var->data.read_only) text += "const ";
        break;
    }
    if (options_.is_es) text += precision_word(var->data.precision);
    text += type_name(var->type) + " " + name_of(var) + array_suffix(var->type);
    return text;
  }

  void top_level(ir_instruction *ir) {
    switch (ir->ir_type) {
      case ir_type_variable: {
        auto *var = static_cast<ir_variable *>(ir);
        if (is_builtin_variable(var)) builtin_declaration(var);
        else variable_statement(var);
        return;
      }
      case ir_type_function:
        function(static_cast<ir_function *>(ir));
        return;
      default:
        statement(ir);
        return;
    }
  }

  // Built-ins are declared by the language; what a shader may say again
  // about them is their invariance and gl_TexCoord's size.
  void builtin_declaration(ir_variable *var) {
    if (std::strcmp(var->name, "gl_TexCoord") == 0 && var->type->is_array() &&
        var->type->length > 0)
      line("varying vec4 gl_TexCoord" + array_suffix(var->type) + ";");
    if (var->data.invariant && var->data.mode == ir_var_shader_out)
      line(std::string("invariant ") + var->name + ";");
  }

  void variable_statement(ir_variable *var) {
    std::string text = declaration(var);
    const bool constant = var->data.mode != ir_var_function_in && var->constant_value != nullptr &&
                          var->data.read_only && var->data.mode == ir_var_auto;
    if (constant) text += " = " + rvalue(var->constant_value, kPrecTop);
    line(text + ";");
  }

  void struct_declaration(const glsl_type *t) {
    line("struct " + type_name(t) + " {");
    indent_++;
    for (unsigned i = 0; i < t->length; i++) {
      const glsl_struct_field &f = t->fields.structure[i];
      std::string text = options_.is_es ? precision_word(f.precision) : "";
      line(text + type_name(f.type) + " " + f.name + array_suffix(f.type) + ";");
    }
    indent_--;
    line("};");
  }

  void function(ir_function *f) {
    foreach_in_list(ir_function_signature, sig, &f->signatures) {
      if (sig->is_builtin()) continue;
      std::string head = type_name(sig->return_type) + " " + f->name + "(";
      bool first = true;
      foreach_in_list(ir_variable, p, &sig->parameters) {
        head += (first ? "" : ", ") + declaration(p);
        first = false;
      }
      head += ")";
      if (!sig->is_defined) {
        line(head + ";");
        continue;
      }
      line(head);
      block(&sig->body);
    }
  }

  void block(exec_list *list) {
    line("{");
    indent_++;
    foreach_in_list(ir_instruction, ir, list) {
      if (skip_.count(ir)) continue;
      ir_variable *var = ir->as_variable();
      if (var == nullptr || is_builtin_variable(var) || var->type->is_array() ||
          var->data.mode == ir_var_function_in || var->constant_value != nullptr) {
        statement(ir);
        continue;
      }
      local_declaration(var);
    }
    indent_--;
    line("}");
  }

  // A local takes its first value in its declaration when the next
  // statements give it: one whole assignment, or a constructor of the
  // assignments that write its components in order.
  void local_declaration(ir_variable *var) {
    const std::string head = declaration(var);
    exec_node *next = var->next;
    ir_assignment *first =
        next->is_tail_sentinel() ? nullptr : static_cast<ir_instruction *>(next)->as_assignment();
    if (assignment_initializes(first, var)) {
      skip_.insert(first);
      line(head + " = " + rvalue(first->rhs, kPrecTop) + ";");
      return;
    }
    const std::vector<ir_assignment *> pieces = vector_constructor_pieces(var);
    if (pieces.empty()) {
      line(head + ";");
      return;
    }
    std::string value = std::string(var->type->name) + "(";
    for (size_t i = 0; i < pieces.size(); i++) {
      value += (i ? ", " : "") + rvalue(pieces[i]->rhs, kPrecTop);
      skip_.insert(pieces[i]);
    }
    line(head + " = " + value + ");");
  }

  void statement(ir_instruction *ir) {
    switch (ir->ir_type) {
      case ir_type_variable: {
        auto *var = static_cast<ir_variable *>(ir);
        if (is_builtin_variable(var)) return;
        variable_statement(var);
        return;
      }
      case ir_type_typedecl:
        struct_declaration(static_cast<ir_typedecl_statement *>(ir)->type_decl);
        return;
      case ir_type_precision:
        line(std::string(static_cast<ir_precision_statement *>(ir)->precision_statement) + ";");
        return;
      case ir_type_assignment:
        assignment(static_cast<ir_assignment *>(ir));
        return;
      case ir_type_call:
        call(static_cast<ir_call *>(ir));
        return;
      case ir_type_return: {
        auto *r = static_cast<ir_return *>(ir);
        line(r->value != nullptr ? "return " + rvalue(r->value, kPrecTop) + ";" : "return;");
        return;
      }
      case ir_type_discard: {
        auto *d = static_cast<ir_discard *>(ir);
        if (d->condition != nullptr) line("if (" + rvalue(d->condition, kPrecTop) + ")");
        if (d->condition != nullptr) indent_++;
        line("discard;");
        if (d->condition != nullptr) indent_--;
        return;
      }
      case ir_type_loop_jump:
        line(static_cast<ir_loop_jump *>(ir)->mode == ir_loop_jump::jump_break ? "break;"
                                                                              : "continue;");
        return;
      case ir_type_if: {
        auto *i = static_cast<ir_if *>(ir);
        line("if (" + rvalue(i->condition, kPrecTop) + ")");
        block(&i->then_instructions);
        if (!i->else_instructions.is_empty()) {
          line("else");
          block(&i->else_instructions);
        }
        return;
      }
      case ir_type_loop:
        line("for (;;)");
        block(&static_cast<ir_loop *>(ir)->body_instructions);
        return;
      case ir_type_function:
        function(static_cast<ir_function *>(ir));
        return;
      default:
        line("/* unprintable statement */");
        return;
    }
  }

  void assignment(ir_assignment *a) {
    std::string lhs = rvalue(a->lhs, kPrecTop);
    const glsl_type *t = a->lhs->type;
    if ((t->is_vector() || t->is_scalar()) && t->is_vector()) {
      const unsigned full = (1u << t->vector_elements) - 1;
      if ((a->write_mask & full) != full) {
        lhs += ".";
        for (unsigned i = 0; i < 4; i++)
          if (a->write_mask & (1u << i)) lhs += "xyzw"[i];
      }
    }
    std::string text = lhs + " = " + rvalue(a->rhs, kPrecTop) + ";";
    if (a->condition != nullptr) {
      line("if (" + rvalue(a->condition, kPrecTop) + ")");
      indent_++;
      line(text);
      indent_--;
      return;
    }
    line(text);
  }

  void call(ir_call *c) {
    std::string text;
    if (c->return_deref != nullptr) text = rvalue(c->return_deref, kPrecTop) + " = ";
    text += std::string(c->callee_name()) + "(" + arguments(&c->actual_parameters) + ");";
    line(text);
  }

  std::string arguments(exec_list *list) {
    std::string text;
    bool first = true;
    foreach_in_list(ir_rvalue, p, list) {
      text += (first ? "" : ", ") + rvalue(p, kPrecTop);
      first = false;
    }
    return text;
  }

  // ------------------------------------------------------------ values
  // The value's text; in parentheses when it binds looser than `limit`.
  std::string rvalue(ir_rvalue *ir, int limit) {
    int precedence = kPrecPrimary;
    std::string text = value(ir, &precedence);
    return precedence > limit ? "(" + text + ")" : text;
  }

  std::string value(ir_rvalue *ir, int *precedence) {
    switch (ir->ir_type) {
      case ir_type_dereference_variable:
        return name_of(static_cast<ir_dereference_variable *>(ir)->var);
      case ir_type_dereference_array: {
        auto *d = static_cast<ir_dereference_array *>(ir);
        return rvalue(d->array, kPrecPrimary) + "[" + rvalue(d->array_index, kPrecTop) + "]";
      }
      case ir_type_dereference_record: {
        auto *d = static_cast<ir_dereference_record *>(ir);
        return rvalue(d->record, kPrecPrimary) + "." + d->field;
      }
      case ir_type_swizzle:
        return swizzle(static_cast<ir_swizzle *>(ir));
      case ir_type_constant:
        return constant(static_cast<ir_constant *>(ir), precedence);
      case ir_type_expression:
        return expression(static_cast<ir_expression *>(ir), precedence);
      case ir_type_texture:
        return texture(static_cast<ir_texture *>(ir));
      default:
        return "/* unprintable value */";
    }
  }

  std::string swizzle(ir_swizzle *s) {
    const unsigned selectors[4] = {s->mask.x, s->mask.y, s->mask.z, s->mask.w};
    const glsl_type *from = s->val->type;
    if (from->is_scalar()) {
      // Scalars have no swizzles in these languages: a constructor repeats.
      if (s->mask.num_components == 1) return rvalue(s->val, kPrecPrimary);
      return std::string(s->type->name) + "(" + rvalue(s->val, kPrecTop) + ")";
    }
    std::string text = rvalue(s->val, kPrecPrimary) + ".";
    for (unsigned i = 0; i < s->mask.num_components; i++) text += "xyzw"[selectors[i]];
    return text;
  }

  std::string constant(ir_constant *c, int *precedence) {
    const glsl_type *t = c->type;
    if (t->is_array()) {
      std::string text = type_name(t) + array_suffix(t) + "(";
      for (unsigned i = 0; i < t->length; i++)
        text += (i ? ", " : "") + rvalue(c->array_elements[i], kPrecTop);
      return text + ")";
    }
    if (t->is_record()) {
      std::string text = type_name(t) + "(";
      bool first = true;
      foreach_in_list(ir_constant, field, &c->components) {
        text += (first ? "" : ", ") + rvalue(field, kPrecTop);
        first = false;
      }
      return text + ")";
    }
    if (t->is_scalar()) {
      std::string text = print_scalar_literal(c, 0);
      if (text[0] == '-') *precedence = kPrecUnary;
      return text;
    }
    const unsigned n = t->components();
    bool same = true;
    const std::string first = print_scalar_literal(c, 0);
    for (unsigned i = 1; i < n; i++) same = same && print_scalar_literal(c, i) == first;
    std::string text = std::string(t->name) + "(";
    if (same && !t->is_matrix()) return text + first + ")";
    for (unsigned i = 0; i < n; i++) text += (i ? ", " : "") + print_scalar_literal(c, i);
    return text + ")";
  }

  std::string function_call(const char *name, ir_expression *e) {
    std::string text = std::string(name) + "(";
    for (unsigned i = 0; i < e->get_num_operands(); i++)
      text += (i ? ", " : "") + rvalue(e->operands[i], kPrecTop);
    return text + ")";
  }

  std::string infix(const char *symbol, int p, ir_expression *e, int *precedence) {
    *precedence = p;
    auto limit = [&](ir_rvalue *operand, bool left) {
      const ir_expression *child = operand->as_expression();
      return operand_limit(p, left, child != nullptr && child->operation == e->operation);
    };
    return rvalue(e->operands[0], limit(e->operands[0], true)) + " " + symbol + " " +
           rvalue(e->operands[1], limit(e->operands[1], false));
  }

  std::string expression(ir_expression *e, int *precedence) {
    ir_rvalue **o = e->operands;
    const ir_expression_operation op = e->operation;
    switch (op) {
      case ir_unop_logic_not:
        if (o[0]->type->is_vector()) return function_call("not", e);
        *precedence = kPrecUnary;
        return "!" + rvalue(o[0], kPrecPrimary);
      case ir_unop_neg: case ir_unop_bit_not:
        *precedence = kPrecUnary;
        return std::string(e->operator_string()) + rvalue(o[0], kPrecPrimary);
      case ir_unop_rcp:
        *precedence = kPrecMultiply;
        return "1.0 / " + rvalue(o[0], kPrecMultiply - 1);
      case ir_unop_f2i: case ir_unop_b2i: case ir_unop_u2i: case ir_unop_f2u: case ir_unop_i2u:
      case ir_unop_i2f: case ir_unop_b2f: case ir_unop_u2f: case ir_unop_f2b: case ir_unop_i2b:
        return std::string(e->type->name) + "(" + rvalue(o[0], kPrecTop) + ")";
      case ir_unop_saturate:
        return "clamp(" + rvalue(o[0], kPrecTop) + ", 0.0, 1.0)";
      case ir_unop_noise: {
        const std::string name = "noise" + std::to_string(e->type->vector_elements);
        return name + "(" + rvalue(o[0], kPrecTop) + ")";
      }
      case ir_binop_mul: return infix("*", kPrecMultiply, e, precedence);
      case ir_binop_div: return infix("/", kPrecMultiply, e, precedence);
      case ir_binop_add: return infix("+", kPrecAdd, e, precedence);
      case ir_binop_sub: return infix("-", kPrecAdd, e, precedence);
      case ir_binop_all_equal: return infix("==", kPrecEquality, e, precedence);
      case ir_binop_any_nequal: return infix("!=", kPrecEquality, e, precedence);
      case ir_binop_logic_and: return infix("&&", kPrecLogicalAnd, e, precedence);
      case ir_binop_logic_xor: return infix("^^", kPrecLogicalXor, e, precedence);
      case ir_binop_logic_or: return infix("||", kPrecLogicalOr, e, precedence);
      case ir_binop_less: case ir_binop_greater: case ir_binop_lequal: case ir_binop_gequal:
      case ir_binop_equal: case ir_binop_nequal: {
        if (o[0]->type->is_vector()) {
          static const std::map<int, const char *> kVectorNames = {
              {ir_binop_less, "lessThan"}, {ir_binop_greater, "greaterThan"},
              {ir_binop_lequal, "lessThanEqual"}, {ir_binop_gequal, "greaterThanEqual"},
              {ir_binop_equal, "equal"}, {ir_binop_nequal, "notEqual"}};
          return function_call(kVectorNames.at(op), e);
        }
        if (op == ir_binop_equal) return infix("==", kPrecEquality, e, precedence);
        if (op == ir_binop_nequal) return infix("!=", kPrecEquality, e, precedence);
        return infix(e->operator_string(), kPrecRelational, e, precedence);
      }
      case ir_binop_mod:
        if (!e->type->is_float()) return infix("%", kPrecMultiply, e, precedence);
        return function_call("mod", e);
      case ir_triop_csel:
        *precedence = kPrecConditional;
        return rvalue(o[0], kPrecConditional - 1) + " ? " + rvalue(o[1], kPrecConditional - 1) +
               " : " + rvalue(o[2], kPrecConditional - 1);
      case ir_triop_fma:
        *precedence = kPrecAdd;
        return rvalue(o[0], kPrecMultiply) + " * " + rvalue(o[1], kPrecMultiply - 1) + " + " +
               rvalue(o[2], kPrecAdd - 1);
      case ir_quadop_vector: {
        std::string text = std::string(e->type->name) + "(";
        bool same = true;
        for (unsigned i = 1; i < e->get_num_operands(); i++)
          same = same && same_value(o[i], o[0]);
        if (same && is_simple_value(o[0])) return text + rvalue(o[0], kPrecTop) + ")";
        bool first = true;
        for (const constructor_argument &a : constructor_arguments(e)) {
          text += first ? "" : ", ";
          first = false;
          if (a.vector == nullptr) {
            text += rvalue(a.operand, kPrecTop);
          } else if (a.first == 0 && a.count == a.vector->type->vector_elements) {
            text += rvalue(a.vector, kPrecTop);
          } else {
            text += rvalue(a.vector, kPrecPrimary) + "." + std::string("xyzw").substr(a.first, a.count);
          }
        }
        return text + ")";
      }
      default:
        return function_call(e->operator_string(), e);
    }
  }

  std::string texture(ir_texture *t) {
    const glsl_type *s = t->sampler->type;
    const bool cube = s->sampler_dimensionality == GLSL_SAMPLER_DIM_CUBE;
    const bool rect = s->sampler_dimensionality == GLSL_SAMPLER_DIM_RECT;
    // Shadow lookups carry the reference in the third component, in 1D too.
    const unsigned coordinates = s->sampler_shadow ? 3 : s->sampler_coordinate_count();
    const bool projective = !cube && t->coordinate != nullptr &&
                            t->coordinate->type->vector_elements > coordinates;
    std::string name;
    if (s->sampler_shadow) {
      if (options_.is_es) name = "shadow2D";
      else if (s->sampler_dimensionality == GLSL_SAMPLER_DIM_1D) name = "shadow1D";
      else if (rect) name = "shadow2DRect";
      else name = "shadow2D";
    } else {
      switch (s->sampler_dimensionality) {
        case GLSL_SAMPLER_DIM_1D: name = "texture1D"; break;
        case GLSL_SAMPLER_DIM_3D: name = "texture3D"; break;
        case GLSL_SAMPLER_DIM_CUBE: name = "textureCube"; break;
        case GLSL_SAMPLER_DIM_RECT: name = "texture2DRect"; break;
        default: name = "texture2D"; break;
      }
    }
    if (projective) name += "Proj";
    const bool fragment = options_.stage == SHC_SHADER_FRAGMENT;
    if (t->op == ir_txl) name += "Lod";
    if (t->op == ir_txd) name += "Grad";
    // Level and gradient lookups in fragment shaders come from extensions:
    // EXT_shader_texture_lod names both with EXT, ARB_shader_texture_lod
    // only the gradients with ARB.
    if (options_.is_es && ((t->op == ir_txl && fragment) || t->op == ir_txd)) name += "EXT";
    else if (!options_.is_es && t->op == ir_txd) name += "ARB";
    else if (options_.is_es && s->sampler_shadow) name += "EXT";
    std::string text =
        name + "(" + rvalue(t->sampler, kPrecTop) + ", " + rvalue(t->coordinate, kPrecTop);
    if (t->op == ir_txb) text += ", " + rvalue(t->lod_info.bias, kPrecTop);
    if (t->op == ir_txl) text += ", " + rvalue(t->lod_info.lod, kPrecTop);
    if (t->op == ir_txd)
      text += ", " + rvalue(t->lod_info.grad.dPdx, kPrecTop) + ", " +
              rvalue(t->lod_info.grad.dPdy, kPrecTop);
    return text + ")";
  }

  const glsl_print_options &options_;
  printer_names names_;
  std::set<std::string> used_;
  std::map<ir_variable *, std::string> names_of_;
  std::set<ir_instruction *> skip_;
  std::map<const glsl_type *, std::string> record_names_;
  std::string out_;
  int indent_ = 0;
};

}  // namespace

std::string ir_print_glsl(exec_list *instructions, const glsl_print_options &options) {
  glsl_printer printer(options);
  return printer.print(instructions);
}
