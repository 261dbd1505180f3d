// The Metal printer: one function with the GL interface as Metal's
// attributes, uniforms in one constant buffer, textures with their
// samplers, and main's body.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/optimizer/glsl_to_msl_converter.h"
#include "shadercompiler/optimizer/ir_optimization.h"
#include "shadercompiler/optimizer/metal_conversion.h"
#include "shadercompiler/optimizer/optimizer_support.h"
#include "shadercompiler/optimizer/printer_support.h"

namespace {

const glsl_type *without_arrays(const glsl_type *t) {
  while (t->is_array()) t = t->fields.array;
  return t;
}

std::string scalar_type_name(unsigned base) {
  switch (base) {
    case GLSL_TYPE_INT: return "int";
    case GLSL_TYPE_UINT: return "uint";
    case GLSL_TYPE_BOOL: return "bool";
    default: return "float";
  }
}

// A numeric type's Metal name: float3, int2, float3x3, float2x4.
std::string numeric_type_name(const glsl_type *t) {
  std::string name = scalar_type_name(t->base_type);
  if (t->is_matrix())
    return name + std::to_string(t->matrix_columns) + "x" + std::to_string(t->vector_elements);
  if (t->is_vector()) return name + std::to_string(t->vector_elements);
  return name;
}

bool is_builtin(const ir_variable *var) {
  return var->name != nullptr && std::strncmp(var->name, "gl_", 3) == 0;
}

class metal_printer {
 public:
  metal_printer(exec_list *instructions, const metal_print_options &options)
      : ir_(instructions), options_(options) {}

  std::string print() {
    main_ = find_main_signature(ir_);
    names_.take_identifiers(ir_);
    for (const std::string &w : metal_reserved_words()) names_.take(w);
    uses_.run(ir_);
    collect_interface();
    name_records();
    out_ = "#include <metal_stdlib>\nusing namespace metal;\n";
    records();
    interface_structs();
    function();
    return out_;
  }

 private:
  // ------------------------------------------------------------ interface
  bool used(ir_variable *var) const {
    const variable_uses &u = uses_.of(var);
    return u.reads + u.writes > 0;
  }

  // Matrices and arrays travel between the stages as numbered vectors.
  static bool is_split_varying(const ir_variable *var) {
    return var->type->is_matrix() || var->type->is_array();
  }

  void collect_interface() {
    const bool vertex = options_.stage == SHC_SHADER_VERTEX;
    foreach_in_list(ir_instruction, ir, ir_) {
      ir_variable *var = ir->as_variable();
      if (var == nullptr) continue;
      const unsigned mode = var->data.mode;
      if (is_builtin(var)) {
        builtin(var);
        continue;
      }
      if (mode == ir_var_uniform) {
        if (!used(var)) continue;
        if (without_arrays(var->type)->is_sampler()) samplers_.push_back(var);
        else uniforms_.push_back(var);
      } else if (mode == ir_var_shader_in) {
        if (!used(var)) continue;
        if (vertex) attributes_.push_back(var);
        else varyings_.push_back(var);
      } else if (mode == ir_var_shader_out) {
        varyings_.push_back(var);
      } else {
        globals_.push_back(var);
      }
    }
    // Names printed for interface variables.
    for (ir_variable *var : attributes_) access_[var] = "gl_in." + std::string(var->name);
    for (ir_variable *var : uniforms_) access_[var] = "gl_uniforms." + std::string(var->name);
    for (ir_variable *var : varyings_) {
      if (is_split_varying(var)) {
        access_[var] = var->name;
        locals_taken_.insert(var->name);
      } else {
        access_[var] = (vertex ? "gl_out." : "gl_in.") + std::string(var->name);
      }
    }
    unsigned slot = 0;
    for (ir_variable *var : samplers_) {
      texture_slot_[var] = slot;
      const unsigned count = var->type->is_array() ? var->type->length : 1;
      for (unsigned i = 0; i < count; i++) {
        const std::string name = var->type->is_array()
                                     ? std::string(var->name) + "_" + std::to_string(i) + "_"
                                     : std::string(var->name);
        locals_taken_.insert(name);
      }
      slot += count;
    }
  }

  void builtin(ir_variable *var) {
    const std::string name = var->name;
    if (!used(var) && name != "gl_Position") return;
    if (name == "gl_Position" || name == "gl_PointSize" || name == "gl_FragColor") {
      access_[var] = "gl_out." + name;
      if (name == "gl_PointSize") point_size_ = true;
    } else if (name == "gl_FragCoord") {
      // A local turned to GL's window rows (see function()).
      access_[var] = name;
      locals_taken_.insert(name);
      frag_coord_ = true;
    } else if (name == "gl_FrontFacing") {
      access_[var] = name;
      front_facing_ = true;
    } else if (name == "gl_PointCoord") {
      access_[var] = name;
      point_coord_ = true;
    } else if (name == "gl_FragData") {
      access_[var] = name;
      frag_data_ = var;
    } else {
      // Constants folded away and nothing else reaches the printer.
      globals_.push_back(var);
    }
  }

  // ------------------------------------------------------------ records
  void name_records() {
    for_each_statement_list(ir_, [&](exec_list *list) {
      foreach_in_list(ir_instruction, ir, list) {
        if (ir->ir_type == ir_type_typedecl)
          record_order_.push_back(static_cast<ir_typedecl_statement *>(ir)->type_decl);
      }
    });
    // A structure declared again in an inner scope is one declaration at
    // program scope; another structure of the same name gets a name of
    // its own.
    std::vector<const glsl_type *> order;
    std::set<std::string> printed;
    for (const glsl_type *t : record_order_) {
      // A structure holding a sampler has no Metal form; a shader that
      // uses one is refused, so it is only declared here.
      if (record_names_.count(t) || t->contains_opaque()) continue;
      std::string name = t->name;
      // Anonymous structures have names no program can write.
      if (name.empty() || name[0] == '#') name = names_.fresh("gl_struct");
      else if (is_metal_reserved_word(name) || printed.count(name)) name = names_.fresh("gl_" + name);
      printed.insert(name);
      record_names_[t] = name;
      order.push_back(t);
    }
    record_order_ = order;
  }

  std::string field_name(const char *field) {
    if (is_metal_reserved_word(field)) return std::string("gl_") + field;
    return field;
  }

  void records() {
    for (const glsl_type *t : record_order_) {
      out_ += "\nstruct " + record_names_[t] + " {\n";
      for (unsigned i = 0; i < t->length; i++) {
        const glsl_struct_field &f = t->fields.structure[i];
        out_ += "  " + type_name(f.type) + " " + field_name(f.name) + array_suffix(f.type) + ";\n";
      }
      out_ += "};\n";
    }
  }

  std::string type_name(const glsl_type *t) {
    t = without_arrays(t);
    if (t->is_record()) {
      auto it = record_names_.find(t);
      return it != record_names_.end() ? it->second : t->name;
    }
    if (t->is_sampler())
      return t->sampler_dimensionality == GLSL_SAMPLER_DIM_CUBE ? "texturecube<float>"
                                                                 : "texture2d<float>";
    return numeric_type_name(t);
  }

  static std::string array_suffix(const glsl_type *t) {
    std::string s;
    while (t->is_array()) {
      s += "[" + std::to_string(t->length) + "]";
      t = t->fields.array;
    }
    return s;
  }

  // ------------------------------------------------------------ structs
  void interface_structs() {
    const bool vertex = options_.stage == SHC_SHADER_VERTEX;
    if (has_uniform_buffer()) {
      out_ += "\nstruct gl_Uniforms {\n";
      for (ir_variable *var : uniforms_)
        out_ += "  " + type_name(var->type) + " " + var->name + array_suffix(var->type) + ";\n";
      if (frag_coord_) out_ += "  float " + std::string(kMGLTargetHeightUniform) + ";\n";
      out_ += "};\n";
    }
    if (vertex) {
      if (!attributes_.empty()) {
        out_ += "\nstruct gl_VertexIn {\n";
        unsigned index = 0;
        for (ir_variable *var : attributes_)
          out_ += "  " + type_name(var->type) + " " + var->name + " [[attribute(" +
                  std::to_string(index++) + ")]];\n";
        out_ += "};\n";
      }
      out_ += "\nstruct gl_VertexOut {\n  float4 gl_Position [[position]];\n";
      if (point_size_) out_ += "  float gl_PointSize [[point_size]];\n";
      varying_members();
      out_ += "};\n";
      return;
    }
    if (frag_coord_ || !varyings_.empty()) {
      out_ += "\nstruct gl_FragmentIn {\n";
      if (frag_coord_) out_ += "  float4 gl_FragCoord [[position]];\n";
      varying_members();
      out_ += "};\n";
    }
    out_ += "\nstruct gl_FragmentOut {\n  float4 gl_FragColor [[color(0)]];\n};\n";
  }

  // The vectors a split varying travels as: (member name, its type, the
  // expression of the local's part).
  struct varying_part {
    std::string member;
    std::string type;
    std::string part;
  };

  std::vector<varying_part> split_parts(ir_variable *var) {
    std::vector<varying_part> parts;
    const glsl_type *element = var->type->is_array() ? var->type->fields.array : var->type;
    const unsigned elements = var->type->is_array() ? var->type->length : 1;
    const unsigned columns = element->is_matrix() ? element->matrix_columns : 1;
    const std::string column_type = numeric_type_name(element->column_type());
    unsigned k = 0;
    for (unsigned e = 0; e < elements; e++) {
      for (unsigned c = 0; c < columns; c++) {
        std::string part = var->name;
        if (var->type->is_array()) part += "[" + std::to_string(e) + "]";
        if (element->is_matrix()) part += "[" + std::to_string(c) + "]";
        parts.push_back({"gl_" + std::string(var->name) + "_" + std::to_string(k++), column_type,
                         part});
      }
    }
    return parts;
  }

  void varying_members() {
    for (ir_variable *var : varyings_) {
      if (!is_split_varying(var)) {
        out_ += "  " + type_name(var->type) + " " + var->name + ";\n";
        continue;
      }
      for (const varying_part &p : split_parts(var)) out_ += "  " + p.type + " " + p.member + ";\n";
    }
  }

  // ------------------------------------------------------------ function
  void function() {
    const bool vertex = options_.stage == SHC_SHADER_VERTEX;
    std::vector<std::string> parameters;
    if (vertex && !attributes_.empty()) parameters.push_back("gl_VertexIn gl_in [[stage_in]]");
    if (!vertex && (frag_coord_ || !varyings_.empty()))
      parameters.push_back("gl_FragmentIn gl_in [[stage_in]]");
    if (front_facing_) parameters.push_back("bool gl_FrontFacing [[front_facing]]");
    if (point_coord_) parameters.push_back("float2 gl_PointCoord [[point_coord]]");
    if (has_uniform_buffer()) parameters.push_back("constant gl_Uniforms& gl_uniforms [[buffer(0)]]");
    for (ir_variable *var : samplers_) {
      const unsigned first = texture_slot_[var];
      const unsigned count = var->type->is_array() ? var->type->length : 1;
      const std::string texture = type_name(var->type);
      for (unsigned i = 0; i < count; i++) {
        const std::string slot = std::to_string(first + i);
        const std::string name = var->type->is_array()
                                     ? std::string(var->name) + "_" + std::to_string(i) + "_"
                                     : std::string(var->name);
        parameters.push_back(texture + " " + name + " [[texture(" + slot + ")]]");
        parameters.push_back("sampler gl_sampler_" + slot + " [[sampler(" + slot + ")]]");
      }
    }
    const std::string result = vertex ? "gl_VertexOut" : "gl_FragmentOut";
    out_ += "\n" + std::string(vertex ? "vertex " : "fragment ") + result + " " +
            options_.function_name + "(";
    for (size_t i = 0; i < parameters.size(); i++)
      out_ += (i ? ",\n    " : "") + parameters[i];
    out_ += ") {\n";
    indent_ = 1;
    line(result + " gl_out = {};");
    // Metal counts window rows from the top, GL from the bottom of the
    // render target, whose height the layer passes in.
    if (frag_coord_)
      line("float4 gl_FragCoord = float4(gl_in.gl_FragCoord.x, gl_uniforms." +
           std::string(kMGLTargetHeightUniform) + " - gl_in.gl_FragCoord.y, gl_in.gl_FragCoord.zw);");
    if (frag_data_ != nullptr) line("float4 gl_FragData" + array_suffix(frag_data_->type) + " = {};");
    for (ir_variable *var : varyings_) {
      if (!is_split_varying(var)) continue;
      if (vertex) {
        line(type_name(var->type) + " " + std::string(var->name) + array_suffix(var->type) +
             " = {};");
      } else {
        fragment_varying_local(var);
      }
    }
    for (ir_variable *var : globals_) declaration(var, nullptr);
    if (main_ != nullptr) statements(&main_->body);
    if (vertex) {
      for (ir_variable *var : varyings_) {
        if (!is_split_varying(var)) continue;
        for (const varying_part &p : split_parts(var)) line("gl_out." + p.member + " = " + p.part + ";");
      }
    } else if (frag_data_ != nullptr) {
      line("gl_out.gl_FragColor = gl_FragData[0];");
    }
    line("return gl_out;");
    out_ += "}\n";
  }

  // The uniform structure is passed when the shader has uniforms, or reads
  // gl_FragCoord (which needs the target's height).
  bool has_uniform_buffer() const { return !uniforms_.empty() || frag_coord_; }

  void fragment_varying_local(ir_variable *var) {
    const std::vector<varying_part> parts = split_parts(var);
    const glsl_type *element = var->type->is_array() ? var->type->fields.array : var->type;
    const unsigned columns = element->is_matrix() ? element->matrix_columns : 1;
    auto value_of = [&](size_t first) {
      if (!element->is_matrix()) return "gl_in." + parts[first].member;
      std::string v = numeric_type_name(element) + "(";
      for (unsigned c = 0; c < columns; c++) v += (c ? ", " : "") + ("gl_in." + parts[first + c].member);
      return v + ")";
    };
    std::string init;
    if (var->type->is_array()) {
      init = "{";
      for (unsigned e = 0; e < var->type->length; e++) init += (e ? ", " : "") + value_of(e * columns);
      init += "}";
    } else {
      init = value_of(0);
    }
    line(type_name(var->type) + " " + var->name + array_suffix(var->type) + " = " + init + ";");
  }

  // ------------------------------------------------------------ naming
  const std::string &name_of(ir_variable *var) {
    auto it = access_.find(var);
    if (it != access_.end()) return it->second;
    std::string name;
    const bool temporary = var->data.mode == ir_var_temporary || var->name == nullptr;
    const bool builtin_name = var->name != nullptr && std::strncmp(var->name, "gl_", 3) == 0;
    if (!temporary && !builtin_name && !is_metal_reserved_word(var->name) &&
        locals_taken_.insert(var->name).second && !is_record_name(var->name)) {
      name = var->name;
    } else {
      name = names_.fresh(temporary ? "gl_tmp" : "gl_" + std::string(var->name));
      locals_taken_.insert(name);
    }
    return access_.emplace(var, name).first->second;
  }

  bool is_record_name(const std::string &name) const {
    for (auto &[type, printed] : record_names_)
      if (printed == name) return true;
    return false;
  }

  // ------------------------------------------------------------ output
  void line(const std::string &text) {
    out_.append(indent_ * 2, ' ');
    out_ += text;
    out_ += '\n';
  }

  std::string zero_of(const glsl_type *t) {
    if (t->is_array() || t->is_record()) return "{}";
    const std::string zero = t->base_type == GLSL_TYPE_BOOL ? "false"
                             : t->is_float()               ? "0.0"
                                                           : "0";
    if (t->is_scalar()) return zero;
    return numeric_type_name(t) + "(" + zero + ")";
  }

  // Prints the declaration; when `first` is the variable's first
  // assignment, the declaration takes its value and true is returned.
  // Without one, the assignments that write the components in order
  // become a constructor.
  bool declaration(ir_variable *var, ir_assignment *first) {
    const std::string name = name_of(var);
    std::string head;
    const bool constant = var->constant_value != nullptr && var->data.read_only;
    if (constant) head = "const ";
    head += type_name(var->type) + " " + name + array_suffix(var->type);
    if (constant) {
      line(head + " = " + initializer(var->constant_value) + ";");
      return false;
    }
    if (first != nullptr) {
      line(head + " = " + rvalue(first->rhs, kPrecTop) + ";");
      return true;
    }
    const std::vector<ir_assignment *> pieces =
        var->next != nullptr ? vector_constructor_pieces(var) : std::vector<ir_assignment *>{};
    if (!pieces.empty()) {
      std::string value = numeric_type_name(var->type) + "(";
      for (size_t i = 0; i < pieces.size(); i++) {
        value += (i ? ", " : "") + rvalue(pieces[i]->rhs, kPrecTop);
        skip_.insert(pieces[i]);
      }
      line(head + " = " + value + ");");
      return false;
    }
    line(head + " = " + zero_of(var->type) + ";");
    return false;
  }

  // A declaration's value: braces for arrays and records.
  std::string initializer(ir_constant *c) {
    const glsl_type *t = c->type;
    if (t->is_array()) {
      std::string text = "{";
      for (unsigned i = 0; i < t->length; i++)
        text += (i ? ", " : "") + initializer(c->array_elements[i]);
      return text + "}";
    }
    if (t->is_record()) {
      std::string text = "{";
      bool first = true;
      foreach_in_list(ir_constant, field, &c->components) {
        text += (first ? "" : ", ") + initializer(field);
        first = false;
      }
      return text + "}";
    }
    int precedence;
    return constant(c, &precedence);
  }

  void statements(exec_list *list) {
    foreach_in_list(ir_instruction, ir, list) {
      if (skip_.count(ir)) continue;
      if (ir_variable *var = ir->as_variable()) {
        exec_node *next = var->next;
        ir_assignment *first =
        next->is_tail_sentinel() ? nullptr : static_cast<ir_instruction *>(next)->as_assignment();
        if (!assignment_initializes(first, var)) first = nullptr;
        if (declaration(var, first)) skip_.insert(first);
        continue;
      }
      statement(ir);
    }
  }

  void block(exec_list *list) {
    indent_++;
    statements(list);
    indent_--;
  }

  void statement(ir_instruction *ir) {
    switch (ir->ir_type) {
      case ir_type_assignment:
        assignment(static_cast<ir_assignment *>(ir));
        return;
      case ir_type_discard: {
        auto *d = static_cast<ir_discard *>(ir);
        if (d->condition != nullptr) line("if (" + rvalue(d->condition, kPrecTop) + ")");
        if (d->condition != nullptr) indent_++;
        line("discard_fragment();");
        if (d->condition != nullptr) indent_--;
        return;
      }
      case ir_type_loop_jump:
        line(static_cast<ir_loop_jump *>(ir)->is_break() ? "break;" : "continue;");
        return;
      case ir_type_if: {
        auto *i = static_cast<ir_if *>(ir);
        line("if (" + rvalue(i->condition, kPrecTop) + ") {");
        block(&i->then_instructions);
        if (!i->else_instructions.is_empty()) {
          line("} else {");
          block(&i->else_instructions);
        }
        line("}");
        return;
      }
      case ir_type_loop:
        line("for (;;) {");
        block(&static_cast<ir_loop *>(ir)->body_instructions);
        line("}");
        return;
      default:
        // Returns are lowered away, precision statements and record
        // declarations have no statement form.
        return;
    }
  }

  void assignment(ir_assignment *a) {
    std::string lhs = rvalue(a->lhs, kPrecTop);
    const glsl_type *t = a->lhs->type;
    if (t->is_vector()) {
      const unsigned full = (1u << t->vector_elements) - 1;
      if ((a->write_mask & full) != full) {
        lhs += ".";
        for (unsigned i = 0; i < 4; i++)
          if (a->write_mask & (1u << i)) lhs += "xyzw"[i];
      }
    }
    std::string rhs;
    if (ir_constant *c = a->rhs->as_constant(); c != nullptr && (t->is_record() || t->is_array()))
      rhs = type_name(t) + initializer(c);
    else
      rhs = rvalue(a->rhs, kPrecTop);
    const std::string text = lhs + " = " + rhs + ";";
    if (a->condition != nullptr) {
      line("if (" + rvalue(a->condition, kPrecTop) + ")");
      indent_++;
      line(text);
      indent_--;
      return;
    }
    line(text);
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
        return rvalue(d->record, kPrecPrimary) + "." + field_name(d->field);
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
        return "0";
    }
  }

  std::string swizzle(ir_swizzle *s) {
    const unsigned selectors[4] = {s->mask.x, s->mask.y, s->mask.z, s->mask.w};
    if (s->val->type->is_scalar()) {
      if (s->mask.num_components == 1) return rvalue(s->val, kPrecPrimary);
      return numeric_type_name(s->type) + "(" + rvalue(s->val, kPrecTop) + ")";
    }
    std::string text = rvalue(s->val, kPrecPrimary) + ".";
    for (unsigned i = 0; i < s->mask.num_components; i++) text += "xyzw"[selectors[i]];
    return text;
  }

  std::string constant(ir_constant *c, int *precedence) {
    const glsl_type *t = c->type;
    if (t->is_array() || t->is_record()) return type_name(t) + initializer(c);
    if (t->is_scalar()) {
      std::string text = print_scalar_literal(c, 0);
      if (text[0] == '-') *precedence = kPrecUnary;
      return text;
    }
    if (t->is_matrix()) {
      const unsigned rows = t->vector_elements;
      const std::string column = numeric_type_name(t->column_type());
      std::string text = numeric_type_name(t) + "(";
      for (unsigned k = 0; k < t->matrix_columns; k++) {
        text += (k ? ", " : "") + column + "(";
        for (unsigned r = 0; r < rows; r++)
          text += (r ? ", " : "") + print_scalar_literal(c, k * rows + r);
        text += ")";
      }
      return text + ")";
    }
    const unsigned n = t->components();
    bool same = true;
    const std::string first = print_scalar_literal(c, 0);
    for (unsigned i = 1; i < n; i++) same = same && print_scalar_literal(c, i) == first;
    std::string text = numeric_type_name(t) + "(";
    if (same) return text + first + ")";
    for (unsigned i = 0; i < n; i++) text += (i ? ", " : "") + print_scalar_literal(c, i);
    return text + ")";
  }

  // An operand of a function of T-typed parameters: a scalar becomes a
  // vector of the result's size.
  std::string operand(ir_rvalue *v, const glsl_type *result) {
    if (v->type->is_scalar() && result->is_vector())
      return numeric_type_name(result) + "(" + rvalue(v, kPrecTop) + ")";
    return rvalue(v, kPrecTop);
  }

  std::string call(const char *name, ir_expression *e, const glsl_type *broadcast_to) {
    std::string text = std::string(name) + "(";
    for (unsigned i = 0; i < e->get_num_operands(); i++)
      text += (i ? ", " : "") +
              (broadcast_to != nullptr ? operand(e->operands[i], broadcast_to)
                                       : rvalue(e->operands[i], kPrecTop));
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
    const glsl_type *t = e->type;
    switch (e->operation) {
      case ir_unop_logic_not:
        *precedence = kPrecUnary;
        return "!" + rvalue(o[0], kPrecPrimary);
      case ir_unop_neg:
        *precedence = kPrecUnary;
        return "-" + rvalue(o[0], kPrecPrimary);
      case ir_unop_rcp:
        *precedence = kPrecMultiply;
        return "1.0 / " + rvalue(o[0], kPrecMultiply - 1);
      case ir_unop_f2i: case ir_unop_i2f: case ir_unop_f2b: case ir_unop_b2f:
      case ir_unop_i2b: case ir_unop_b2i:
        return numeric_type_name(t) + "(" + rvalue(o[0], kPrecTop) + ")";
      case ir_unop_abs: return call("abs", e, nullptr);
      case ir_unop_sign: return call("sign", e, nullptr);
      case ir_unop_rsq: return call("rsqrt", e, nullptr);
      case ir_unop_sqrt: return call("sqrt", e, nullptr);
      case ir_unop_normalize: return call("normalize", e, nullptr);
      case ir_unop_exp: return call("exp", e, nullptr);
      case ir_unop_log: return call("log", e, nullptr);
      case ir_unop_exp2: return call("exp2", e, nullptr);
      case ir_unop_log2: return call("log2", e, nullptr);
      case ir_unop_trunc: return call("trunc", e, nullptr);
      case ir_unop_ceil: return call("ceil", e, nullptr);
      case ir_unop_floor: return call("floor", e, nullptr);
      case ir_unop_fract: return call("fract", e, nullptr);
      case ir_unop_round_even: return call("rint", e, nullptr);
      case ir_unop_sin: return call("sin", e, nullptr);
      case ir_unop_cos: return call("cos", e, nullptr);
      case ir_unop_dFdx: return call("dfdx", e, nullptr);
      case ir_unop_dFdy: return call("dfdy", e, nullptr);
      case ir_unop_saturate: return call("saturate", e, nullptr);
      case ir_unop_any: return call("any", e, nullptr);
      case ir_binop_mul: return infix("*", kPrecMultiply, e, precedence);
      case ir_binop_div: return infix("/", kPrecMultiply, e, precedence);
      case ir_binop_add: return infix("+", kPrecAdd, e, precedence);
      case ir_binop_sub: return infix("-", kPrecAdd, e, precedence);
      case ir_binop_less: return infix("<", kPrecRelational, e, precedence);
      case ir_binop_greater: return infix(">", kPrecRelational, e, precedence);
      case ir_binop_lequal: return infix("<=", kPrecRelational, e, precedence);
      case ir_binop_gequal: return infix(">=", kPrecRelational, e, precedence);
      case ir_binop_equal: return infix("==", kPrecEquality, e, precedence);
      case ir_binop_nequal: return infix("!=", kPrecEquality, e, precedence);
      case ir_binop_all_equal:
        if (o[0]->type->is_vector()) {
          int inner;
          return "all(" + infix("==", kPrecEquality, e, &inner) + ")";
        }
        return infix("==", kPrecEquality, e, precedence);
      case ir_binop_any_nequal:
        if (o[0]->type->is_vector()) {
          int inner;
          return "any(" + infix("!=", kPrecEquality, e, &inner) + ")";
        }
        return infix("!=", kPrecEquality, e, precedence);
      case ir_binop_logic_and: return infix("&&", kPrecLogicalAnd, e, precedence);
      case ir_binop_logic_or: return infix("||", kPrecLogicalOr, e, precedence);
      case ir_binop_logic_xor: return infix("!=", kPrecEquality, e, precedence);
      case ir_binop_dot: return call("dot", e, nullptr);
      case ir_binop_min: return call("min", e, t);
      case ir_binop_max: return call("max", e, t);
      case ir_binop_pow: return call("pow", e, t);
      case ir_triop_fma: return call("fma", e, t);
      case ir_triop_clamp: return call("clamp", e, t);
      case ir_triop_lrp: return call("mix", e, t);
      case ir_triop_csel:
        if (o[0]->type->is_scalar()) {
          *precedence = kPrecConditional;
          return rvalue(o[0], kPrecConditional - 1) + " ? " + rvalue(o[1], kPrecConditional - 1) +
                 " : " + rvalue(o[2], kPrecConditional - 1);
        }
        return "select(" + rvalue(o[2], kPrecTop) + ", " + rvalue(o[1], kPrecTop) + ", " +
               rvalue(o[0], kPrecTop) + ")";
      case ir_quadop_vector: {
        std::string text = numeric_type_name(t) + "(";
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
        return "0";
    }
  }

  // The texture and sampler arguments of a lookup's sampler.
  std::pair<std::string, std::string> texture_arguments(ir_dereference *sampler) {
    unsigned element = 0;
    ir_variable *var = sampler->variable_referenced();
    std::string name = var->name;
    if (ir_dereference_array *d = sampler->as_dereference_array()) {
      ir_constant *index = d->array_index->as_constant();
      element = index != nullptr ? index->get_uint_component(0) : 0;
      element = std::min(element, var->type->length - 1);
      name += "_" + std::to_string(element) + "_";
    }
    return {name, "gl_sampler_" + std::to_string(texture_slot_[var] + element)};
  }

  std::string texture(ir_texture *t) {
    auto [texture, sampler] = texture_arguments(t->sampler);
    std::string text = texture + ".sample(" + sampler + ", " + rvalue(t->coordinate, kPrecTop);
    const bool cube = without_arrays(t->sampler->type)->sampler_dimensionality ==
                      GLSL_SAMPLER_DIM_CUBE;
    switch (t->op) {
      case ir_txb: text += ", bias(" + rvalue(t->lod_info.bias, kPrecTop) + ")"; break;
      case ir_txl: text += ", level(" + rvalue(t->lod_info.lod, kPrecTop) + ")"; break;
      case ir_txd:
        text += std::string(", ") + (cube ? "gradientcube(" : "gradient2d(") +
                rvalue(t->lod_info.grad.dPdx, kPrecTop) + ", " + rvalue(t->lod_info.grad.dPdy, kPrecTop) + ")";
        break;
      default:
        // A vertex function has no derivatives to choose a level from.
        if (options_.stage == SHC_SHADER_VERTEX) text += ", level(0.0)";
        break;
    }
    return text + ")";
  }

  exec_list *ir_;
  const metal_print_options &options_;
  ir_function_signature *main_ = nullptr;
  printer_names names_;
  use_counter uses_;
  std::vector<ir_variable *> attributes_, uniforms_, samplers_, varyings_, globals_;
  std::map<ir_variable *, std::string> access_;
  std::map<ir_variable *, unsigned> texture_slot_;
  std::set<std::string> locals_taken_;
  std::vector<const glsl_type *> record_order_;
  std::map<const glsl_type *, std::string> record_names_;
  std::set<ir_instruction *> skip_;
  ir_variable *frag_data_ = nullptr;
  bool point_size_ = false, frag_coord_ = false, front_facing_ = false, point_coord_ = false;
  std::string out_;
  int indent_ = 0;
};

}  // namespace

std::string ir_print_metal(exec_list *instructions, const metal_print_options &options) {
  metal_printer printer(instructions, options);
  return printer.print();
}
