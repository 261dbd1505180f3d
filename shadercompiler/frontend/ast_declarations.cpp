// Declarations: types and structures, variables with their qualifiers and
// initialisers, precision statements, invariant redeclarations, and
// function prototypes and definitions.
#include <cstring>
#include <string>

#include "shadercompiler/frontend/ast_to_hir.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/support/ralloc.h"

void check_declared_name(const char *name, const glsl_source_location &location,
                         glsl_parse_state *state) {
  if (std::strncmp(name, "gl_", 3) == 0) {
    glsl_error(&location, state, "the name '%s' is reserved: names beginning with 'gl_' are "
               "the language's", name);
  } else if (std::strstr(name, "__") != nullptr) {
    if (state->is_es)
      glsl_error(&location, state, "the name '%s' is reserved: it contains '__'", name);
    else
      glsl_warning(&location, state, "the name '%s' is reserved: it contains '__'", name);
  }
}

bool add_variable(ir_variable *var, const glsl_source_location &location, glsl_parse_state *state) {
  if (state->symbols->add_variable(var)) return true;
  glsl_error(&location, state, "'%s' is already declared in this scope", var->name);
  return false;
}

unsigned array_size_of(ast_expression *size, exec_list *instructions, glsl_parse_state *state) {
  ir_rvalue *value = size->hir(instructions, state);
  if (value->type->is_error()) return 0;
  ir_constant *c = value->as_constant();
  if (value->type != glsl_type::int_type || c == nullptr) {
    glsl_error(&size->location, state, "an array size must be a constant int expression");
    return 0;
  }
  if (c->value.i[0] <= 0) {
    glsl_error(&size->location, state, "an array size must be greater than zero, not %d",
               c->value.i[0]);
    return 0;
  }
  return static_cast<unsigned>(c->value.i[0]);
}

namespace {

bool language_has_array_types(const glsl_parse_state *state) {
  return !state->is_es && state->glsl_version >= 120;
}

// Whether a precision qualifier may be written on the type.
bool takes_precision(const glsl_type *type) {
  while (type->is_array()) type = type->fields.array;
  return type->is_float() || type->base_type == GLSL_TYPE_INT || type->is_sampler();
}

// The sampler types only an extension brings.
void warn_extension_type(const glsl_type *type, const glsl_source_location &location,
                         glsl_parse_state *state) {
  static const struct {
    const char *name;
    bool glsl_parse_state::*enable;
  } kTypes[] = {
      {"sampler3D", &glsl_parse_state::OES_texture_3D_enable},
      {"samplerExternalOES", &glsl_parse_state::OES_EGL_image_external_enable},
      {"sampler2DShadow", &glsl_parse_state::EXT_shadow_samplers_enable},
      {"sampler2DRect", &glsl_parse_state::ARB_texture_rectangle_enable},
      {"sampler2DRectShadow", &glsl_parse_state::ARB_texture_rectangle_enable},
      {"sampler1DArray", &glsl_parse_state::EXT_texture_array_enable},
      {"sampler2DArray", &glsl_parse_state::EXT_texture_array_enable},
      {"sampler1DArrayShadow", &glsl_parse_state::EXT_texture_array_enable},
      {"sampler2DArrayShadow", &glsl_parse_state::EXT_texture_array_enable},
  };
  if (state->extension_warn_mask == 0 || !type->is_sampler()) return;
  for (const auto &t : kTypes)
    if (std::strcmp(t.name, type->name) == 0) warn_extension_use(type->name, t.enable, location, state);
}

const glsl_type *declare_structure(ast_struct_specifier *s, exec_list *instructions,
                                   glsl_parse_state *state) {
  void *mem = ir_pool(state);
  unsigned count = 0;
  foreach_in_list(ast_declarator_list, m, &s->members) count += m->declarations.length();
  auto *fields = rzalloc_array<glsl_struct_field>(mem, count);
  unsigned i = 0;
  bool ok = true;
  foreach_in_list(ast_declarator_list, m, &s->members) {
    ast_type_specifier *spec = m->type->specifier;
    if (spec->structure != nullptr) {
      glsl_error(&spec->location, state, "a structure cannot be defined inside a structure");
      ok = false;
    }
    const glsl_type *type = resolve_type(spec, instructions, state);
    if (type->is_error()) ok = false;
    if (type->is_void()) {
      glsl_error(&spec->location, state, "a structure member cannot be void");
      ok = false;
    }
    foreach_in_list(ast_declaration, d, &m->declarations) {
      check_declared_name(d->identifier, d->location, state);
      for (unsigned j = 0; j < i; j++)
        if (std::strcmp(fields[j].name, d->identifier) == 0) {
          glsl_error(&d->location, state, "member '%s' declared twice", d->identifier);
          ok = false;
        }
      const glsl_type *member = type;
      if (d->is_array) {
        if (member->is_array()) {
          glsl_error(&d->location, state, "arrays of arrays are not allowed");
          ok = false;
        } else if (d->array_size == nullptr) {
          glsl_error(&d->location, state, "the array member '%s' needs a size", d->identifier);
          ok = false;
        } else {
          const unsigned n = array_size_of(d->array_size, instructions, state);
          if (n == 0) ok = false;
          else member = glsl_type::get_array_instance(member, n);
        }
      }
      fields[i].type = member;
      fields[i].name = d->identifier;
      fields[i].precision = spec->precision;
      fields[i].location = -1;
      i++;
    }
  }
  if (!ok) {
    // The name stays a type (of the error type), so that its uses are quiet.
    if (s->name != nullptr) state->symbols->add_type(s->name, glsl_type::error_type);
    return glsl_type::error_type;
  }
  const char *name = s->name;
  if (name == nullptr) {
    name = ralloc_asprintf(mem, "#anon_struct_%u", hir_state(state)->anonymous_structures++);
  } else {
    check_declared_name(name, s->location, state);
  }
  const glsl_type *type = glsl_type::get_record_instance(fields, count, name);
  if (s->name != nullptr && !state->symbols->add_type(name, type)) {
    glsl_error(&s->location, state, "'%s' is already declared in this scope", name);
    return glsl_type::error_type;
  }
  instructions->push_tail(new (mem) ir_typedecl_statement(type));
  return type;
}

}  // namespace

const glsl_type *resolve_type(ast_type_specifier *spec, exec_list *instructions,
                              glsl_parse_state *state) {
  const glsl_type *type;
  if (spec->structure != nullptr) {
    type = declare_structure(spec->structure, instructions, state);
  } else if (spec->builtin != nullptr) {
    type = spec->builtin;
    warn_extension_type(type, spec->location, state);
  } else {
    type = state->symbols->get_type(spec->type_name);
    if (type != nullptr && type->is_error()) return type;
    if (type == nullptr || state->symbols->get_variable(spec->type_name) != nullptr) {
      glsl_error(&spec->location, state, "'%s' is not a type", spec->type_name);
      return glsl_type::error_type;
    }
  }
  if (type->is_error()) return type;
  if (spec->precision != glsl_precision_undefined && !takes_precision(type)) {
    glsl_error(&spec->location, state, "%s cannot have a precision qualifier", type->name);
    return glsl_type::error_type;
  }
  if (spec->is_array) {
    if (!language_has_array_types(state)) {
      glsl_error(&spec->location, state, "array types need GLSL 1.20");
      return glsl_type::error_type;
    }
    unsigned size = 0;
    if (spec->array_size != nullptr) {
      size = array_size_of(spec->array_size, instructions, state);
      if (size == 0) return glsl_type::error_type;
    }
    type = glsl_type::get_array_instance(type, size);
  }
  return type;
}

ir_rvalue *ast_type_specifier::hir(exec_list *instructions, glsl_parse_state *state) {
  resolve_type(this, instructions, state);
  return nullptr;
}

ir_rvalue *ast_fully_specified_type::hir(exec_list *instructions, glsl_parse_state *state) {
  resolve_type(specifier, instructions, state);
  return nullptr;
}

ir_rvalue *ast_struct_specifier::hir(exec_list *instructions, glsl_parse_state *state) {
  type = declare_structure(this, instructions, state);
  return nullptr;
}

ir_rvalue *ast_declaration::hir(exec_list *, glsl_parse_state *) { return nullptr; }

ir_rvalue *ast_parameter_declarator::hir(exec_list *, glsl_parse_state *) { return nullptr; }

ir_rvalue *ast_precision_statement::hir(exec_list *instructions, glsl_parse_state *state) {
  const glsl_type *t = resolve_type(type, instructions, state);
  if (t->is_error()) return nullptr;
  if (!state->is_es) {
    glsl_error(&location, state, "precision statements are part of GLSL ES only");
    return nullptr;
  }
  if (t != glsl_type::float_type && t != glsl_type::int_type && !(t->is_sampler() && !t->is_array())) {
    glsl_error(&location, state, "a default precision applies to float, int and sampler types, "
               "not %s", t->name);
    return nullptr;
  }
  static const char *const kNames[] = {"highp", "mediump", "lowp", ""};
  const char *text = ralloc_asprintf(ir_pool(state), "precision %s %s", kNames[precision], t->name);
  instructions->push_tail(new (ir_pool(state)) ir_precision_statement(text));
  return nullptr;
}

namespace {

// "invariant name, name;": outputs become invariant.
void invariant_redeclaration(ast_declarator_list *list, glsl_parse_state *state) {
  if (hir_state(state)->current_function != nullptr) {
    glsl_error(&list->location, state, "invariant redeclarations belong to the global scope");
    return;
  }
  foreach_in_list(ast_declaration, d, &list->declarations) {
    ir_variable *var = find_variable(state, d->identifier);
    if (var == nullptr || var->type->is_error()) {
      glsl_error(&d->location, state, "'%s' is not declared", d->identifier);
      continue;
    }
    const bool output = var->data.mode == ir_var_shader_out;
    const bool es_input = state->is_es && var->data.mode == ir_var_shader_in &&
                          state->shader_stage == SHC_SHADER_FRAGMENT;
    if (!output && !es_input) {
      glsl_error(&d->location, state, "'%s' cannot be invariant: only outputs can", d->identifier);
      continue;
    }
    if (var->data.used) {
      glsl_error(&d->location, state, "'%s' must be declared invariant before it is used",
                 d->identifier);
      continue;
    }
    var->data.invariant = 1;
    declare_builtin_if_needed(var, state);
  }
}

struct storage {
  ir_variable_mode mode = ir_var_auto;
  bool read_only = false;
  const char *name = "";  // the qualifier as written, for messages
};

// The storage a declaration's qualifiers give it, checked against the place
// and the stage; false after an error.
bool storage_of(const ast_fully_specified_type *type, bool global, const glsl_type *t,
                glsl_parse_state *state, storage *out) {
  const ast_type_qualifier &q = type->qualifier;
  const glsl_source_location &location = type->location;
  const unsigned storage_count = q.is_const + q.attribute + q.varying + q.uniform;
  if (q.in || q.out) {
    glsl_error(&location, state, "in, out and inout qualify function parameters only");
    return false;
  }
  if (storage_count > 1) {
    glsl_error(&location, state, "a declaration can have one storage qualifier only");
    return false;
  }
  if ((q.centroid || q.invariant) && !q.varying) {
    glsl_error(&location, state, "%s applies to varyings only", q.centroid ? "centroid" : "invariant");
    return false;
  }
  if (!global && (q.attribute || q.varying || q.uniform)) {
    glsl_error(&location, state, "%s variables belong to the global scope",
               q.attribute ? "attribute" : q.varying ? "varying" : "uniform");
    return false;
  }
  const glsl_type *element = t->is_array() ? t->fields.array : t;
  if (q.attribute) {
    out->name = "an attribute";
    if (state->shader_stage != SHC_SHADER_VERTEX) {
      glsl_error(&location, state, "attributes belong to vertex shaders");
      return false;
    }
    if (!t->is_float() || t->is_array()) {
      glsl_error(&location, state, "an attribute must be float, a float vector or a matrix, "
                 "not %s", t->name);
      return false;
    }
    out->mode = ir_var_shader_in;
    out->read_only = true;
  } else if (q.varying) {
    out->name = "a varying";
    if (!element->is_float()) {
      glsl_error(&location, state, "a varying must be float, a float vector, a matrix or an "
                 "array of them, not %s", t->name);
      return false;
    }
    const bool fragment = state->shader_stage == SHC_SHADER_FRAGMENT;
    out->mode = fragment ? ir_var_shader_in : ir_var_shader_out;
    out->read_only = fragment;
  } else if (q.uniform) {
    out->name = "a uniform";
    out->mode = ir_var_uniform;
    out->read_only = true;
  } else if (q.is_const) {
    out->name = "a constant";
    out->read_only = true;
  }
  if (t->contains_opaque() && !q.uniform) {
    glsl_error(&location, state, "a variable of type %s must be a uniform", t->name);
    return false;
  }
  return true;
}

void declare_variables(ast_declarator_list *list, glsl_parse_state *state,
                       exec_list *instructions) {
  ast_to_hir_state *hir = hir_state(state);
  void *mem = ir_pool(state);
  const bool global = hir->current_function == nullptr;
  ast_fully_specified_type *fst = list->type;
  const glsl_type *base = resolve_type(fst->specifier, global ? hir->toplevel : instructions, state);
  if (base->is_error()) {
    foreach_in_list(ast_declaration, d, &list->declarations)
      state->symbols->add_variable(new (mem) ir_variable(glsl_type::error_type, d->identifier,
                                                         ir_var_auto, glsl_precision_undefined));
    return;
  }
  storage st;
  if (list->declarations.is_empty()) {
    if (fst->qualifier.any() && fst->specifier->structure == nullptr)
      glsl_warning(&list->location, state, "the declaration declares nothing");
    return;
  }
  bool ok = storage_of(fst, global, base, state, &st);
  if (ok && base->is_void()) {
    glsl_error(&list->location, state, "a variable cannot be void");
    ok = false;
  }
  if (!ok) {
    // The names are declared all the same, so that their uses stay quiet.
    foreach_in_list(ast_declaration, d, &list->declarations)
      state->symbols->add_variable(new (mem) ir_variable(glsl_type::error_type, d->identifier,
                                                         ir_var_auto, glsl_precision_undefined));
    return;
  }
  const ast_type_qualifier &q = fst->qualifier;
  foreach_in_list(ast_declaration, d, &list->declarations) {
    const glsl_type *type = base;
    if (d->is_array) {
      if (type->is_array()) {
        glsl_error(&d->location, state, "arrays of arrays are not allowed");
        continue;
      }
      unsigned size = 0;
      if (d->array_size != nullptr) {
        size = array_size_of(d->array_size, global ? hir->toplevel : instructions, state);
        if (size == 0) continue;
      } else if (state->is_es) {
        glsl_error(&d->location, state, "the array '%s' needs a size", d->identifier);
        continue;
      }
      type = glsl_type::get_array_instance(type, size);
    }
    if (q.attribute && type->is_array()) {
      glsl_error(&d->location, state, "an attribute cannot be an array");
      continue;
    }

    // A redeclaration that gives a size to an array declared without one,
    // or to gl_TexCoord.
    ir_variable *previous = find_variable(state, d->identifier);
    const bool texcoord = std::strcmp(d->identifier, "gl_TexCoord") == 0;
    const bool resize = global && previous != nullptr && previous->type->is_array() &&
                        previous->type->length == 0 && type->is_array() && type->length > 0 &&
                        previous->type->fields.array == type->fields.array &&
                        d->initializer == nullptr &&
                        (texcoord ? q.varying : previous->data.mode == st.mode);
    if (resize) {
      if (texcoord && type->length > state->ctx->Const.MaxTextureCoordUnits) {
        glsl_error(&d->location, state, "gl_TexCoord can have at most %u elements",
                   state->ctx->Const.MaxTextureCoordUnits);
      } else if (previous->data.max_array_access >= type->length) {
        glsl_error(&d->location, state, "'%s' is used at index %u, beyond the new size %u",
                   d->identifier, previous->data.max_array_access, type->length);
      } else {
        previous->type = type;
        if (texcoord) declare_builtin_if_needed(previous, state);
      }
      continue;
    }
    check_declared_name(d->identifier, d->location, state);

    auto *var = new (mem) ir_variable(type, d->identifier, st.mode, fst->specifier->precision);
    var->data.read_only = st.read_only || type->contains_opaque();
    var->data.centroid = q.centroid;
    var->data.invariant = q.invariant;
    var->data.explicit_invariant = q.invariant;
    if (q.varying) var->data.interpolation = INTERP_QUALIFIER_SMOOTH;

    exec_list init_instructions;
    ir_rvalue *value = nullptr;
    if (d->initializer != nullptr) {
      hir->in_global_initializer = global;
      value = d->initializer->hir(&init_instructions, state);
      hir->in_global_initializer = false;
      if (q.attribute || q.varying || (q.uniform && (state->is_es || state->glsl_version < 120))) {
        glsl_error(&d->location, state, "%s cannot have an initializer", st.name);
        value = nullptr;
      } else if (type->contains_opaque()) {
        glsl_error(&d->location, state, "a sampler cannot have an initializer");
        value = nullptr;
      } else if ((state->is_es || state->glsl_version < 120) && contains_array(type)) {
        glsl_error(&d->location, state, "%s cannot have an initializer: it holds an array",
                   d->identifier);
        value = nullptr;
      } else if (!value->type->is_error()) {
        // "float a[] = ..." takes its size from the initializer.
        if (type->is_array() && type->length == 0 && value->type->is_array() &&
            value->type->fields.array == type->fields.array) {
          type = value->type;
          var->type = type;
        }
        ir_rvalue *converted = convert_implicitly(value, type, state);
        if (converted == nullptr) {
          glsl_error(&d->location, state, "cannot initialize %s '%s' with %s", type->name,
                     d->identifier, value->type->name);
          value = nullptr;
        } else {
          value = converted;
        }
      } else {
        value = nullptr;
      }
    }
    if (type->is_array() && type->length == 0 && value == nullptr && d->initializer != nullptr)
      continue;
    const bool needs_constant = q.is_const || q.uniform || (global && state->is_es);
    if (value != nullptr && needs_constant && value->as_constant() == nullptr) {
      glsl_error(&d->location, state, "the initializer of %s '%s' must be a constant expression",
                 q.is_const ? "the constant" : q.uniform ? "the uniform" : "the global",
                 d->identifier);
      value = nullptr;
    }
    if (q.is_const && d->initializer == nullptr)
      glsl_error(&d->location, state, "the constant '%s' needs an initializer", d->identifier);

    if (!add_variable(var, d->location, state)) continue;
    (global ? hir->toplevel : instructions)->push_tail(var);
    if (value == nullptr) continue;
    var->data.has_initializer = 1;
    if (q.is_const || q.uniform) {
      var->constant_value = value->as_constant();
      var->constant_initializer = value->as_constant()->clone(mem, nullptr);
      continue;
    }
    exec_list *target = global ? &hir->global_initializers : instructions;
    target->append_list(&init_instructions);
    emit_assignment(new (mem) ir_dereference_variable(var), value, target);
  }
}

}  // namespace

ir_rvalue *ast_declarator_list::hir(exec_list *instructions, glsl_parse_state *state) {
  if (invariant) invariant_redeclaration(this, state);
  else declare_variables(this, state, instructions);
  return nullptr;
}

// ---- functions -------------------------------------------------------------

namespace {

bool has_storage_qualifier(const ast_type_qualifier &q) {
  return q.attribute || q.varying || q.uniform || q.centroid || q.invariant;
}

// The parameters of a prototype as variables; false after an error.
bool parameters_of(ast_function *f, exec_list *params, glsl_parse_state *state) {
  void *mem = ir_pool(state);
  bool ok = true;
  // A faulty parameter still gets a stand-in of the error type, so that its
  // uses in the body stay quiet.
  auto stand_in = [&](ast_parameter_declarator *p) {
    ok = false;
    params->push_tail(new (mem) ir_variable(glsl_type::error_type, p->identifier,
                                            ir_var_function_in, glsl_precision_undefined));
  };
  foreach_in_list(ast_parameter_declarator, p, &f->parameters) {
    const ast_type_qualifier &q = p->type->qualifier;
    const glsl_type *type = resolve_type(p->type->specifier, hir_state(state)->toplevel, state);
    if (type->is_error()) {
      stand_in(p);
      continue;
    }
    if (has_storage_qualifier(q)) {
      glsl_error(&p->location, state, "a parameter can only be const, in, out or inout");
      stand_in(p);
      continue;
    }
    if (type->is_void()) {
      glsl_error(&p->location, state, "a parameter cannot be void");
      stand_in(p);
      continue;
    }
    if (p->is_array) {
      if (type->is_array()) {
        glsl_error(&p->location, state, "arrays of arrays are not allowed");
        stand_in(p);
        continue;
      }
      if (p->array_size == nullptr) {
        glsl_error(&p->location, state, "an array parameter needs a size");
        stand_in(p);
        continue;
      }
      const unsigned n = array_size_of(p->array_size, hir_state(state)->toplevel, state);
      if (n == 0) {
        stand_in(p);
        continue;
      }
      type = glsl_type::get_array_instance(type, n);
    } else if (type->is_array() && type->length == 0) {
      glsl_error(&p->location, state, "an array parameter needs a size");
      stand_in(p);
      continue;
    }
    ir_variable_mode mode = ir_var_function_in;
    if (q.out) mode = q.in ? ir_var_function_inout : ir_var_function_out;
    if (q.is_const) {
      if (q.out) {
        glsl_error(&p->location, state, "an out or inout parameter cannot be const");
        stand_in(p);
        continue;
      }
      mode = ir_var_const_in;
    }
    if (type->contains_opaque() && q.out) {
      glsl_error(&p->location, state, "a sampler parameter must be in");
      stand_in(p);
      continue;
    }
    if (p->identifier != nullptr) check_declared_name(p->identifier, p->location, state);
    auto *var = new (mem) ir_variable(type, p->identifier, mode, p->type->specifier->precision);
    var->data.read_only = mode == ir_var_const_in || type->contains_opaque();
    params->push_tail(var);
  }
  return ok;
}

// Whether a built-in overload has exactly these parameter types.
bool redefines_builtin(const char *name, exec_list *params, glsl_parse_state *state) {
  ir_function *builtin = builtin_function_shader()->symbols->get_function(name);
  if (builtin == nullptr) return false;
  ir_function_signature *sig = builtin->exact_matching_signature(state, params);
  return sig != nullptr;
}

// The signature a prototype or definition declares, entered into its
// function; null after an error, when `body_parameters` (if given) receives
// the parameters for checking a body all the same.
ir_function_signature *declare_function(ast_function *f, glsl_parse_state *state,
                                        exec_list *body_parameters = nullptr) {
  ast_to_hir_state *hir = hir_state(state);
  void *mem = ir_pool(state);
  const char *name = f->identifier;
  const ast_fully_specified_type *rt = f->return_type;
  const glsl_type *return_type = resolve_type(rt->specifier, hir->toplevel, state);
  bool ok = !return_type->is_error();
  if (rt->qualifier.any()) {
    glsl_error(&rt->location, state, "a return type cannot have qualifiers");
    ok = false;
  }
  if (ok && return_type->is_array() && !language_has_array_types(state)) {
    glsl_error(&rt->location, state, "functions return arrays in GLSL 1.20 only");
    ok = false;
  }
  if (ok && return_type->is_array() && return_type->length == 0) {
    glsl_error(&rt->location, state, "a returned array needs a size");
    ok = false;
  }
  if (ok && return_type->contains_opaque()) {
    glsl_error(&rt->location, state, "a function cannot return %s", return_type->name);
    ok = false;
  }
  check_declared_name(name, f->location, state);
  exec_list params;
  if (!parameters_of(f, &params, state)) ok = false;
  if (std::strcmp(name, "main") == 0 && (!params.is_empty() || !return_type->is_void())) {
    glsl_error(&f->location, state, "main must be declared 'void main()'");
    ok = false;
  }
  auto give_up = [&]() -> ir_function_signature * {
    if (body_parameters != nullptr) params.move_nodes_to(body_parameters);
    // Calls of a function whose declaration failed are not reported again.
    hir_state(state)->faulty_functions.insert(name);
    return nullptr;
  };
  if (!ok) return give_up();

  if (state->symbols->get_variable(name) != nullptr || state->symbols->get_type(name) != nullptr) {
    glsl_error(&f->location, state, "'%s' is already declared as a %s", name,
               state->symbols->get_variable(name) != nullptr ? "variable" : "structure");
    return give_up();
  }
  if (state->is_es && redefines_builtin(name, &params, state)) {
    glsl_error(&f->location, state, "the built-in function '%s' cannot be redeclared", name);
    return give_up();
  }
  ir_function *function = state->symbols->get_function(name);
  if (function == nullptr) {
    function = new (mem) ir_function(name);
    state->symbols->add_function(function);
    hir->toplevel->push_tail(function);
  }
  ir_function_signature *sig = function->exact_matching_signature(state, &params);
  if (sig != nullptr) {
    if (sig->return_type != return_type) {
      glsl_error(&f->location, state, "'%s' is declared again with another return type", name);
      return give_up();
    }
    if (const char *bad = sig->qualifiers_match(&params)) {
      glsl_error(&f->location, state, "parameter '%s' of '%s' is declared again with other "
                 "qualifiers", bad != nullptr ? bad : "", name);
      return give_up();
    }
    if (f->is_definition && sig->is_defined) {
      glsl_error(&f->location, state, "'%s' is already defined", name);
      return give_up();
    }
    if (!f->is_definition && state->is_es) {
      glsl_error(&f->location, state, "'%s' is already declared", name);
      return give_up();
    }
    if (f->is_definition) sig->replace_parameters(&params);
    return sig;
  }
  sig = new (mem) ir_function_signature(return_type, f->return_type->specifier->precision);
  sig->replace_parameters(&params);
  function->add_signature(sig);
  return sig;
}

}  // namespace

ir_rvalue *ast_function::hir(exec_list *, glsl_parse_state *state) {
  if (hir_state(state)->current_function != nullptr) {
    glsl_error(&location, state, "functions are declared at global scope only");
    return nullptr;
  }
  declare_function(this, state);
  return nullptr;
}

ir_rvalue *ast_function_definition::hir(exec_list *, glsl_parse_state *state) {
  ast_to_hir_state *hir = hir_state(state);
  exec_list stand_in_parameters;
  ir_function_signature *sig = declare_function(prototype, state, &stand_in_parameters);
  // A faulty prototype still gets its body checked, against a stand-in.
  ir_function_signature *body_sig = sig;
  if (body_sig == nullptr) {
    const glsl_type *rt = glsl_type::error_type;
    body_sig = new (ir_pool(state)) ir_function_signature(rt, glsl_precision_undefined);
    body_sig->replace_parameters(&stand_in_parameters);
  }
  state->symbols->push_scope();
  hir->current_function = body_sig;
  foreach_in_list(ir_variable, p, &body_sig->parameters) {
    if (p->name != nullptr) add_variable(p, prototype->location, state);
  }
  body->hir(&body_sig->body, state);
  hir->current_function = nullptr;
  state->symbols->pop_scope();
  if (sig != nullptr) sig->is_defined = 1;
  return nullptr;
}
