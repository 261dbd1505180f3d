// GL's conventions in Metal's terms: texture rows, window y and clip depth.
#include <cstring>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_rvalue_visitor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/optimizer/ir_optimization.h"
#include "shadercompiler/optimizer/metal_conversion.h"
#include "shadercompiler/optimizer/optimizer_support.h"

namespace {

const glsl_type *sampler_of(const ir_texture *t) {
  const glsl_type *s = t->sampler->type;
  while (s->is_array()) s = s->fields.array;
  return s;
}

class texture_rewriter : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit_leave;
  texture_rewriter(void *mem, bool invert_y) : mem_(mem), invert_y_(invert_y) {}

  ir_visitor_status visit_leave(ir_texture *t) override {
    const glsl_type *s = sampler_of(t);
    if (s->sampler_shadow || t->coordinate == nullptr) return visit_continue;
    if (s->sampler_dimensionality == GLSL_SAMPLER_DIM_2D) {
      t->coordinate = project(t->coordinate);
      if (invert_y_) {
        t->coordinate = flip(t->coordinate, 1, true);
        if (t->op == ir_txd) {
          t->lod_info.grad.dPdx = flip(t->lod_info.grad.dPdx, 1, false);
          t->lod_info.grad.dPdy = flip(t->lod_info.grad.dPdy, 1, false);
        }
      }
    } else if (s->sampler_dimensionality == GLSL_SAMPLER_DIM_CUBE && invert_y_) {
      t->coordinate = flip(t->coordinate, 1, false);
      if (t->op == ir_txd) {
        t->lod_info.grad.dPdx = flip(t->lod_info.grad.dPdx, 1, false);
        t->lod_info.grad.dPdy = flip(t->lod_info.grad.dPdy, 1, false);
      }
    }
    return visit_continue;
  }

 private:
  ir_swizzle *component(ir_rvalue *value, unsigned i) {
    return new (mem_) ir_swizzle(value->clone(mem_, nullptr), i, 0, 0, 0, 1);
  }

  // (s, t, q) or (s, t, _, q) as (s/q, t/q).
  ir_rvalue *project(ir_rvalue *coordinate) {
    const unsigned n = coordinate->type->vector_elements;
    if (n <= 2) return coordinate;
    ir_rvalue *c = evaluate_once(mem_, coordinate, base_ir);
    auto *st = new (mem_) ir_swizzle(c->clone(mem_, nullptr), 0, 1, 0, 0, 2);
    return new (mem_) ir_expression(ir_binop_div, glsl_type::vec2_type, st, component(c, n - 1));
  }

  // The vector with component `i` replaced by 1 - c (`one_minus`) or -c.
  ir_rvalue *flip(ir_rvalue *value, unsigned i, bool one_minus) {
    ir_rvalue *v = evaluate_once(mem_, value, base_ir);
    const unsigned n = v->type->vector_elements;
    ir_rvalue *parts[4] = {nullptr, nullptr, nullptr, nullptr};
    for (unsigned k = 0; k < n; k++) parts[k] = component(v, k);
    if (one_minus)
      parts[i] = new (mem_) ir_expression(ir_binop_sub, glsl_type::float_type,
                                          new (mem_) ir_constant(1.0f), parts[i]);
    else
      parts[i] = new (mem_) ir_expression(ir_unop_neg, glsl_type::float_type, parts[i]);
    return new (mem_)
        ir_expression(ir_quadop_vector, v->type, parts[0], parts[1], parts[2], parts[3]);
  }

  void *mem_;
  bool invert_y_;
};

class derivative_rewriter : public ir_rvalue_visitor {
 public:
  explicit derivative_rewriter(void *mem) : mem_(mem) {}
  void handle_rvalue(ir_rvalue **rvalue) override {
    ir_expression *e = *rvalue != nullptr ? (*rvalue)->as_expression() : nullptr;
    if (e == nullptr || e->operation != ir_unop_dFdy || rewritten_ == e) return;
    rewritten_ = e;
    *rvalue = new (mem_) ir_expression(ir_unop_neg, e->type, e);
  }

 private:
  void *mem_;
  ir_expression *rewritten_ = nullptr;
};

ir_variable *find_global(exec_list *instructions, const char *name) {
  foreach_in_list(ir_instruction, ir, instructions) {
    ir_variable *var = ir->as_variable();
    if (var != nullptr && var->name != nullptr && std::strcmp(var->name, name) == 0) return var;
  }
  return nullptr;
}

void remap_depth(void *mem, exec_list *instructions) {
  ir_variable *position = find_global(instructions, "gl_Position");
  ir_function_signature *main = find_main_signature(instructions);
  if (position == nullptr || main == nullptr) return;
  auto component = [&](unsigned i) {
    return new (mem) ir_swizzle(new (mem) ir_dereference_variable(position), i, 0, 0, 0, 1);
  };
  auto *sum = new (mem) ir_expression(ir_binop_add, glsl_type::float_type, component(2),
                                      component(3));
  auto *half = new (mem)
      ir_expression(ir_binop_mul, glsl_type::float_type, sum, new (mem) ir_constant(0.5f));
  main->body.push_tail(
      new (mem) ir_assignment(new (mem) ir_dereference_variable(position), half, nullptr, 4));
}

void constant_depth_range(void *mem, exec_list *instructions) {
  ir_variable *range = find_global(instructions, "gl_DepthRange");
  if (range == nullptr) return;
  exec_list fields;
  for (float value : {0.0f, 1.0f, 1.0f}) fields.push_tail(new (mem) ir_constant(value));
  range->constant_value = new (mem) ir_constant(range->type, &fields);
  range->data.mode = ir_var_auto;
  range->data.read_only = true;
}

}  // namespace

void apply_metal_rewrites(exec_list *instructions, gl_shader_stage stage, bool invert_y) {
  void *mem = ralloc_parent(instructions);
  texture_rewriter textures(mem, invert_y);
  textures.run(instructions);
  derivative_rewriter derivatives(mem);
  derivatives.run(instructions);
  if (stage == SHC_SHADER_VERTEX) remap_depth(mem, instructions);
  constant_depth_range(mem, instructions);
}
