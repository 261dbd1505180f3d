// Calls of functions and built-ins, constructors and the length() method.
//
// A call evaluates its arguments once, in order. Arguments of out and inout
// parameters pass through temporaries: an inout one is copied in before the
// call, and after the call every out and inout temporary is copied back to
// its argument, left to right (converted where GLSL 1.20 converts int to
// float). A call of a built-in with constant arguments folds to its value.
#include <string>

#include "shadercompiler/frontend/ast_to_hir.h"
#include "shadercompiler/frontend/glsl_extensions.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"

bool translate_arguments(exec_list *arguments, exec_list *instructions, glsl_parse_state *state,
                         exec_list *values) {
  bool ok = true;
  foreach_in_list(ast_expression, a, arguments) {
    ir_rvalue *v = a->hir(instructions, state);
    if (v->type->is_error()) ok = false;
    values->push_tail(v);
  }
  return ok;
}

std::string argument_types_text(exec_list *values) {
  std::string text = "(";
  foreach_in_list(ir_rvalue, v, values) {
    if (text.size() > 1) text += ", ";
    text += v->type->name;
  }
  return text + ")";
}

namespace {

bool all_constant(exec_list *values) {
  foreach_in_list(ir_rvalue, v, values)
    if (v->as_constant() == nullptr) return false;
  return true;
}

// Whether every parameter of `sig` has exactly the type of its argument.
bool exact_match(ir_function_signature *sig, exec_list *values) {
  foreach_two_lists(p_node, &sig->parameters, v_node, values) {
    if (static_cast<ir_variable *>(p_node)->type != static_cast<ir_rvalue *>(v_node)->type)
      return false;
  }
  return true;
}

// A void call's value: only a statement may hold it.
ir_rvalue *void_value(glsl_parse_state *state) {
  ir_rvalue *v = error_value(state);
  v->type = glsl_type::void_type;
  return v;
}

// The signature a call of `name` means, or null after reporting why none.
ir_function_signature *resolve(const char *name, exec_list *values,
                               const glsl_source_location &location, glsl_parse_state *state) {
  ir_function *user = state->symbols->get_function(name);
  ir_function *builtin = builtin_function_shader()->symbols->get_function(name);
  if (user != nullptr) {
    bool exact = false;
    ir_function_signature *sig = user->matching_signature(state, values, false, &exact);
    if (sig != nullptr && (exact || has_implicit_conversions(state))) return sig;
    // Desktop functions hide the built-ins of their name; ES ones overload them.
    if (!state->is_es) builtin = nullptr;
  }
  if (builtin != nullptr) {
    ir_function_signature *sig = find_builtin_function(state, name, values);
    if (sig != nullptr && (has_implicit_conversions(state) || exact_match(sig, values))) {
      for (const glsl_extension &e : glsl_extension_table()) {
        if (!(state->*e.enable)) continue;
        state->*e.enable = false;
        const bool without = sig->is_builtin_available(state);
        state->*e.enable = true;
        if (!without) warn_extension_use(name, e.enable, location, state);
      }
      return sig;
    }
    // An overload that fits but is not available to this shader.
    foreach_in_list(ir_function_signature, candidate, &builtin->signatures) {
      if (candidate->parameters.length() == values->length() && exact_match(candidate, values) &&
          !candidate->is_builtin_available(state)) {
        glsl_error(&location, state, "built-in '%s%s' is not available in this shader", name,
                   argument_types_text(values).c_str());
        return nullptr;
      }
    }
  }
  if (user == nullptr && builtin == nullptr) {
    glsl_error(&location, state, "function '%s' is not declared", name);
    return nullptr;
  }
  glsl_error(&location, state, "no overload of '%s' takes %s", name,
             argument_types_text(values).c_str());
  return nullptr;
}

// The value of a built-in call with constant arguments, or null. The body
// runs on a copy of the signature in a scratch pool: valuing a body leaves
// its locals' constants under the signature it runs, which would otherwise
// pile up in the built-in library's pool with every folded call.
ir_constant *fold_builtin_call(ir_function_signature *sig, exec_list *actuals, void *mem) {
  void *scratch = ralloc_context(nullptr);
  hash_table *remap = hash_table_create(0, hash_table_pointer_hash, hash_table_pointer_compare);
  ir_function_signature *copy = sig->clone(scratch, remap);
  hash_table_destroy(remap);
  copy->origin = nullptr;  // the copy's own body runs
  exec_list arguments;
  foreach_in_list(ir_rvalue, a, actuals) arguments.push_tail(a->clone(scratch, nullptr));
  ir_constant *value = copy->constant_expression_value(&arguments, nullptr);
  if (value != nullptr) value = value->clone(mem, nullptr);
  ralloc_free(scratch);
  return value;
}

ir_rvalue *call(const char *name, exec_list *values, const glsl_source_location &location,
                exec_list *instructions, glsl_parse_state *state) {
  void *mem = ir_pool(state);
  if (find_variable(state, name) != nullptr) {
    glsl_error(&location, state, "'%s' is a variable, not a function", name);
    return error_value(state);
  }
  ir_function_signature *sig = nullptr;
  if (!hir_state(state)->faulty_functions.count(name) || state->symbols->get_function(name) != nullptr)
    sig = resolve(name, values, location, state);
  if (sig == nullptr) return error_value(state);

  exec_list actuals, copy_back;
  unsigned index = 0;
  bool ok = true;
  foreach_two_lists(p_node, &sig->parameters, v_node, values) {
    auto *param = static_cast<ir_variable *>(p_node);
    auto *value = static_cast<ir_rvalue *>(v_node);
    index++;
    const unsigned mode = param->data.mode;
    if (mode == ir_var_function_out || mode == ir_var_function_inout) {
      const std::string what = "argument " + std::to_string(index) + " of '" + name +
                               "' is an out parameter and cannot take";
      if (!check_lvalue(value, location, what.c_str(), state)) {
        ok = false;
        continue;
      }
      ir_rvalue *target = stabilize_lvalue(value, state, instructions);
      ir_variable *tmp = make_temporary(param->type, state, instructions);
      if (mode == ir_var_function_inout)
        emit_assignment(new (mem) ir_dereference_variable(tmp), target->clone(mem, nullptr),
                        instructions);
      actuals.push_tail(new (mem) ir_dereference_variable(tmp));
      ir_rvalue *back = convert_implicitly(new (mem) ir_dereference_variable(tmp), target->type, state);
      emit_assignment(target, back, &copy_back);
      continue;
    }
    if (mode == ir_var_const_in && value->as_constant() == nullptr) {
      glsl_error(&location, state, "argument %u of '%s' must be a constant expression", index, name);
      ok = false;
      continue;
    }
    actuals.push_tail(convert_implicitly(value->clone(mem, nullptr), param->type, state));
  }
  if (!ok) return error_value(state);

  if (sig->is_builtin() && all_constant(&actuals))
    if (ir_constant *c = fold_builtin_call(sig, &actuals, mem)) return c;
  ir_dereference_variable *ret = nullptr;
  ir_variable *result = nullptr;
  if (!sig->return_type->is_void()) {
    result = make_temporary(sig->return_type, state, instructions);
    ret = new (mem) ir_dereference_variable(result);
  }
  instructions->push_tail(new (mem) ir_call(sig, ret, &actuals));
  instructions->append_list(&copy_back);
  if (!sig->is_builtin()) hir_state(state)->calls.push_back({sig, location});
  if (result == nullptr) return void_value(state);
  return new (mem) ir_dereference_variable(result);
}

// ---- constructors ------------------------------------------------------

class constructor {
 public:
  constructor(const glsl_type *type, exec_list *values, const glsl_source_location &location,
              exec_list *instructions, glsl_parse_state *state)
      : type_(type), values_(values), location_(location), instructions_(instructions),
        state_(state), mem_(ir_pool(state)) {}

  ir_rvalue *run();

 private:
  ir_rvalue *error(const std::string &message) {
    glsl_error(&location_, state_, "%s", message.c_str());
    return error_value(state_);
  }
  ir_rvalue *aggregate();
  ir_rvalue *scalar();
  ir_rvalue *vector_or_matrix();
  ir_rvalue *constant_vector_or_matrix();
  void write(ir_variable *t, unsigned first, unsigned count, ir_rvalue *value);
  ir_rvalue *components(ir_rvalue *source, unsigned first, unsigned count);

  const glsl_type *type_;
  exec_list *values_;
  glsl_source_location location_;
  exec_list *instructions_;
  glsl_parse_state *state_;
  void *mem_;
};

ir_rvalue *constructor::run() {
  const unsigned count = values_->length();
  if (type_->is_void() || type_->contains_opaque())
    return error(std::string("cannot construct ") + type_->name);
  foreach_in_list(ir_rvalue, v, values_) {
    if (v->type->is_void() || v->type->contains_opaque())
      return error(std::string("a constructor cannot take ") + v->type->name);
  }
  if (count == 0) return error(std::string("the constructor of ") + type_->name + " needs arguments");
  if (type_->is_array() || type_->is_record()) return aggregate();
  foreach_in_list(ir_rvalue, v, values_) {
    if (v->type->is_array() || v->type->is_record())
      return error(std::string("cannot construct ") + type_->name + " from " + v->type->name);
  }
  if (type_->is_scalar()) return scalar();
  return vector_or_matrix();
}

// A structure from one argument per field, an array from one per element.
ir_rvalue *constructor::aggregate() {
  const unsigned count = values_->length();
  const bool record = type_->is_record();
  if (!record && (state_->is_es || state_->glsl_version < 120))
    return error("array constructors need GLSL 1.20");
  if (!record && type_->length == 0)
    type_ = glsl_type::get_array_instance(type_->fields.array, count);
  if (count != type_->length)
    return error(std::string(record ? "the structure " : "the array ") + type_->name + " needs " +
                 std::to_string(type_->length) + " arguments, not " + std::to_string(count));
  exec_list converted;
  unsigned i = 0;
  bool constant = true;
  foreach_in_list(ir_rvalue, v, values_) {
    const glsl_type *want = record ? type_->fields.structure[i].type : type_->fields.array;
    ir_rvalue *c = convert_implicitly(v->clone(mem_, nullptr), want, state_);
    if (c == nullptr)
      return error("argument " + std::to_string(i + 1) + " of the constructor of " +
                   type_->name + " must be " + want->name + ", not " + v->type->name);
    if (c->as_constant() == nullptr) constant = false;
    converted.push_tail(c);
    i++;
  }
  if (constant) return new (mem_) ir_constant(type_, &converted);
  ir_variable *t = make_temporary(type_, state_, instructions_);
  i = 0;
  foreach_in_list(ir_rvalue, v, &converted) {
    ir_rvalue *part = record ? static_cast<ir_rvalue *>(new (mem_) ir_dereference_record(
                                   new (mem_) ir_dereference_variable(t), type_->fields.structure[i].name))
                             : new (mem_) ir_dereference_array(t, new (mem_) ir_constant(static_cast<int>(i)));
    v->remove();
    emit_assignment(part, v, instructions_);
    i++;
  }
  return new (mem_) ir_dereference_variable(t);
}

// float(x): the first component of x, converted.
ir_rvalue *constructor::scalar() {
  if (values_->length() > 1)
    return error(std::string("too many arguments to the constructor of ") + type_->name);
  auto *v = static_cast<ir_rvalue *>(values_->get_head());
  ir_rvalue *first = v->clone(mem_, nullptr);
  if (v->type->is_matrix())
    first = new (mem_) ir_dereference_array(first, new (mem_) ir_constant(0));
  if (!first->type->is_scalar()) first = new (mem_) ir_swizzle(first, 0, 0, 0, 0, 1);
  return convert_component(fold(first), type_);
}

// Components [first, first + count) of a scalar, vector or matrix source,
// within one column of a matrix.
ir_rvalue *constructor::components(ir_rvalue *source, unsigned first, unsigned count) {
  const glsl_type *t = source->type;
  ir_rvalue *v = source->clone(mem_, nullptr);
  if (t->is_scalar()) return v;
  if (t->is_matrix()) {
    v = new (mem_) ir_dereference_array(v, new (mem_) ir_constant(static_cast<int>(first / t->vector_elements)));
    first %= t->vector_elements;
    if (first == 0 && count == t->vector_elements) return v;
  } else if (first == 0 && count == t->vector_elements) {
    return v;
  }
  unsigned c[4] = {first, first + 1, first + 2, first + 3};
  return new (mem_) ir_swizzle(v, c, count);
}

// Writes `value` (count components) into components [first, first + count)
// of the temporary, within one column of a matrix.
void constructor::write(ir_variable *t, unsigned first, unsigned count, ir_rvalue *value) {
  ir_dereference *target = new (mem_) ir_dereference_variable(t);
  if (type_->is_matrix()) {
    target = new (mem_) ir_dereference_array(target, new (mem_) ir_constant(static_cast<int>(first / type_->vector_elements)));
    first %= type_->vector_elements;
  }
  const unsigned mask = ((1u << count) - 1) << first;
  instructions_->push_tail(new (mem_) ir_assignment(target, value, nullptr, mask));
}

ir_rvalue *constructor::vector_or_matrix() {
  const unsigned needed = type_->components();
  const unsigned count = values_->length();
  auto *first = static_cast<ir_rvalue *>(values_->get_head());
  bool has_matrix = false;
  foreach_in_list(ir_rvalue, v, values_) has_matrix = has_matrix || v->type->is_matrix();
  if (type_->is_matrix() && has_matrix) {
    if (state_->glsl_version == 110 && !state_->is_es)
      return error("matrices cannot be constructed from matrices in GLSL 1.10");
    if (count > 1) return error("a matrix argument must be the only argument of a matrix constructor");
  }
  const bool single_scalar = count == 1 && first->type->is_scalar();
  const bool matrix_from_matrix = type_->is_matrix() && first->type->is_matrix();
  if (!single_scalar && !matrix_from_matrix) {
    unsigned total = 0, before_last = 0;
    foreach_in_list(ir_rvalue, v, values_) {
      before_last = total;
      total += v->type->components();
    }
    if (total < needed)
      return error(std::string("not enough data for the constructor of ") + type_->name);
    if (before_last >= needed)
      return error(std::string("too many arguments to the constructor of ") + type_->name);
  }
  if (all_constant(values_)) return constant_vector_or_matrix();

  ir_variable *t = make_temporary(type_, state_, instructions_);
  const glsl_type *column = type_->column_type();
  if (matrix_from_matrix || (single_scalar && type_->is_matrix())) {
    // Start from the identity (or zero) and copy the overlapping block or
    // the diagonal.
    ir_constant *start = ir_constant::zero(mem_, type_);
    if (matrix_from_matrix)
      for (unsigned i = 0; i < type_->matrix_columns && i < type_->vector_elements; i++)
        start->value.f[i * type_->vector_elements + i] = 1.0f;
    emit_assignment(new (mem_) ir_dereference_variable(t), start, instructions_);
    ir_rvalue *source = evaluate_once(first->clone(mem_, nullptr), state_, instructions_);
    if (single_scalar) {
      source = convert_component(source, type_);
      for (unsigned i = 0; i < type_->matrix_columns && i < type_->vector_elements; i++)
        write(t, i * type_->vector_elements + i, 1, source->clone(mem_, nullptr));
    } else {
      const unsigned cols = std::min(type_->matrix_columns, source->type->matrix_columns);
      const unsigned rows = std::min(type_->vector_elements, source->type->vector_elements);
      for (unsigned c = 0; c < cols; c++)
        write(t, c * type_->vector_elements, rows,
              components(source, c * source->type->vector_elements, rows));
    }
    return new (mem_) ir_dereference_variable(t);
  }

  // Components in order, each argument evaluated once; a single scalar
  // fills every component of a vector.
  unsigned written = 0;
  foreach_in_list(ir_rvalue, v, values_) {
    ir_rvalue *source = evaluate_once(v->clone(mem_, nullptr), state_, instructions_);
    const unsigned available = single_scalar ? needed : source->type->components();
    unsigned read = 0;
    while (read < available && written < needed) {
      unsigned n = 1;
      if (!single_scalar) {
        const unsigned src_rows = source->type->vector_elements;
        const unsigned src_left = source->type->is_matrix() ? src_rows - read % src_rows : available - read;
        const unsigned dst_left = type_->vector_elements - written % type_->vector_elements;
        n = std::min(src_left, dst_left);
      }
      ir_rvalue *part = components(source, single_scalar ? 0 : read, n);
      part = convert_component(part, glsl_type::get_instance(column->base_type, n, 1));
      write(t, written, n, part);
      read += n;
      written += n;
    }
  }
  return new (mem_) ir_dereference_variable(t);
}

ir_rvalue *constructor::constant_vector_or_matrix() {
  exec_list list;
  auto *first = static_cast<ir_constant *>(values_->get_head());
  const glsl_type *base = type_->get_base_type();
  if (type_->is_matrix() && first->type->is_matrix()) {
    list.push_tail(first->clone(mem_, nullptr));
  } else if (values_->length() == 1 && first->type->is_scalar()) {
    list.push_tail(convert_component(first->clone(mem_, nullptr), base));
  } else {
    unsigned written = 0;
    foreach_in_list(ir_constant, c, values_) {
      for (unsigned j = 0; j < c->type->components() && written < type_->components(); j++, written++)
        list.push_tail(convert_component(new (mem_) ir_constant(c, j), base));
    }
  }
  return new (mem_) ir_constant(type_, &list);
}

// a.length(): the declared size of an array (GLSL 1.20).
ir_rvalue *length_method(ast_function_expression *e, exec_list *instructions,
                         glsl_parse_state *state) {
  ir_rvalue *object = e->subexpressions[0]->hir(instructions, state);
  exec_list values;
  if (!translate_arguments(&e->arguments, instructions, state, &values) || object->type->is_error())
    return error_value(state);
  if (std::string(e->method) != "length") {
    glsl_error(&e->location, state, "unknown method '%s'", e->method);
    return error_value(state);
  }
  if (state->is_es || state->glsl_version < 120) {
    glsl_error(&e->location, state, "the method length() needs GLSL 1.20");
    return error_value(state);
  }
  if (!object->type->is_array() || !values.is_empty()) {
    glsl_error(&e->location, state, "length() applies to arrays, without arguments, not to %s",
               object->type->name);
    return error_value(state);
  }
  if (object->type->length == 0) {
    glsl_error(&e->location, state, "length() of an array without a size");
    return error_value(state);
  }
  return new (ir_pool(state)) ir_constant(static_cast<int>(object->type->length));
}

}  // namespace

ir_rvalue *ast_function_expression::hir(exec_list *instructions, glsl_parse_state *state) {
  if (method != nullptr) return length_method(this, instructions, state);
  const glsl_type *type = nullptr;
  if (constructor_type != nullptr) {
    type = resolve_type(constructor_type, instructions, state);
  } else if (find_variable(state, callee) == nullptr) {
    type = state->symbols->get_type(callee);
  }
  exec_list values;
  const bool ok = translate_arguments(&arguments, instructions, state, &values);
  if (type != nullptr) {
    if (!ok || type->is_error()) return error_value(state);
    return constructor(type, &values, location, instructions, state).run();
  }
  if (!ok) {
    // Only report an unknown name; the faulty argument has been reported.
    if (state->symbols->get_function(callee) == nullptr &&
        !hir_state(state)->faulty_functions.count(callee) &&
        builtin_function_shader()->symbols->get_function(callee) == nullptr &&
        find_variable(state, callee) == nullptr)
      glsl_error(&location, state, "function '%s' is not declared", callee);
    return error_value(state);
  }
  return call(callee, &values, location, instructions, state);
}
