// The built-in library's catalogue, life cycle and lookup.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"
#include "builtin_catalogue.h"

namespace {

using builtin_catalogue::kNames;

ir_function *function(const char *name) {
  return builtin_function_shader()->symbols->get_function(name);
}

std::vector<ir_function_signature *> signatures(const char *name) {
  std::vector<ir_function_signature *> sigs;
  if (ir_function *f = function(name))
    foreach_in_list(ir_function_signature, sig, &f->signatures) sigs.push_back(sig);
  return sigs;
}

std::vector<std::string> parameter_names(const ir_function_signature *sig) {
  std::vector<std::string> names;
  foreach_in_list(ir_variable, p, const_cast<exec_list *>(&sig->parameters))
    names.push_back(p->name);
  return names;
}

class BuiltinLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { builtin_builder::initialize(); }
  void TearDown() override { ralloc_free(ctx); }

  glsl_parse_state *state(gl_shader_stage stage, bool es, unsigned version) {
    return new (ctx) glsl_parse_state(stage, es, version);
  }
  exec_list *args(std::initializer_list<const char *> types) {
    auto *list = new (ralloc_size(ctx, sizeof(exec_list))) exec_list;
    for (const char *t : types) {
      auto *v = new (ctx) ir_variable(glsl_type::builtin_by_name(t), "a", ir_var_auto,
                                      glsl_precision_undefined);
      list->push_tail(new (ctx) ir_dereference_variable(v));
    }
    return list;
  }
  ir_function_signature *find(glsl_parse_state *s, const char *name,
                              std::initializer_list<const char *> types) {
    return find_builtin_function(s, name, args(types));
  }

  void *ctx = ralloc_context(nullptr);
};

TEST_F(BuiltinLibraryTest, OverloadCountsMatchTheCatalogue) {
  const std::map<std::string, unsigned> expected = {
      {"texture", 56}, {"textureProj", 41}, {"textureProjOffset", 41}, {"textureSize", 40},
      {"textureOffset", 40}, {"textureGather", 35}, {"textureGrad", 30}, {"texelFetch", 27},
      {"textureQueryLOD", 27}, {"textureQueryLevels", 27}, {"textureGatherOffset", 27},
      {"textureLod", 24}, {"textureProjGrad", 24}, {"textureProjGradOffset", 24}, {"mix", 23},
      {"textureGradOffset", 23}, {"min", 21}, {"max", 21}, {"clamp", 21},
      {"textureGatherOffsets", 21}, {"texelFetchOffset", 18}, {"textureLodOffset", 18},
      {"textureProjLod", 17}, {"textureProjLodOffset", 17}, {"imageLoad", 33},
      {"imageStore", 33}, {"imageAtomicAdd", 22}, {"imageAtomicCompSwap", 22},
      {"lessThan", 12}, {"equal", 16}, {"step", 7}, {"outerProduct", 9}, {"inverse", 3}};
  for (const auto &[name, count] : expected)
    EXPECT_EQ(signatures(name.c_str()).size(), count) << name;

  unsigned total = 0, names = 0;
  for (const char *name : kNames) {
    ASSERT_NE(function(name), nullptr) << name;
    const bool image = std::string(name).rfind("image", 0) == 0;
    if (!image) {
      total += signatures(name).size();
      names++;
    }
  }
  EXPECT_EQ(std::size(kNames), 202u);
  EXPECT_EQ(names, 192u);
  EXPECT_EQ(total, 1274u);
}

TEST_F(BuiltinLibraryTest, EveryLibrarySignatureIsBuiltInAndDefinedOrIntrinsic) {
  for (const char *name : kNames) {
    for (ir_function_signature *sig : signatures(name)) {
      EXPECT_TRUE(sig->is_builtin()) << name;
      EXPECT_TRUE(sig->is_defined) << name;
      EXPECT_FALSE(sig->is_intrinsic) << name;
      EXPECT_FALSE(sig->body.is_empty()) << name;
      EXPECT_EQ(sig->_function, function(name));
      EXPECT_EQ(sig->precision, glsl_precision_undefined);
    }
  }
  for (const char *name : {"__intrinsic_atomic_read", "__intrinsic_image_load",
                           "__intrinsic_image_atomic_comp_swap", "__intrinsic_memory_barrier"}) {
    ASSERT_FALSE(signatures(name).empty()) << name;
    for (ir_function_signature *sig : signatures(name)) {
      EXPECT_TRUE(sig->is_intrinsic);
      EXPECT_TRUE(sig->body.is_empty());
    }
  }
  EXPECT_EQ(builtin_function_shader()->Stage, SHC_SHADER_VERTEX);
  EXPECT_NE(builtin_function_shader()->symbols->get_variable("gl_ModelViewProjectionMatrix"),
            nullptr);
}

TEST_F(BuiltinLibraryTest, InitialiseTwiceBuildsOnceReleaseBuildsAfresh) {
  gl_shader *first = builtin_function_shader();
  ir_function *sin_first = function("sin");
  builtin_builder::initialize();
  EXPECT_EQ(builtin_function_shader(), first);
  EXPECT_EQ(function("sin"), sin_first);
  builtin_builder::release();
  EXPECT_FALSE(builtin_builder::is_built());
  EXPECT_EQ(builtin_function_shader(), nullptr);
  builtin_builder::initialize();
  EXPECT_TRUE(builtin_builder::is_built());
  ASSERT_NE(function("sin"), nullptr);
  EXPECT_EQ(signatures("texture").size(), 56u);
}

TEST_F(BuiltinLibraryTest, UnknownNameFailsButMarksTheShader) {
  glsl_parse_state *s = state(SHC_SHADER_FRAGMENT, true, 100);
  EXPECT_EQ(find(s, "frobnicate", {"float"}), nullptr);
  EXPECT_TRUE(s->uses_builtins);
}

TEST_F(BuiltinLibraryTest, AvailabilityFollowsVersionStageAndExtensions) {
  EXPECT_EQ(find(state(SHC_SHADER_FRAGMENT, true, 100), "trunc", {"vec2"}), nullptr);
  ir_function_signature *trunc = find(state(SHC_SHADER_FRAGMENT, false, 130), "trunc", {"vec3"});
  ASSERT_NE(trunc, nullptr);
  EXPECT_EQ(trunc->return_type, glsl_type::vec3_type);
  EXPECT_NE(find(state(SHC_SHADER_FRAGMENT, true, 100), "round", {"float"}), nullptr);

  EXPECT_NE(find(state(SHC_SHADER_VERTEX, false, 120), "ftransform", {}), nullptr);
  EXPECT_NE(find(state(SHC_SHADER_VERTEX, false, 130), "ftransform", {}), nullptr);
  EXPECT_EQ(find(state(SHC_SHADER_VERTEX, false, 140), "ftransform", {}), nullptr);
  EXPECT_EQ(find(state(SHC_SHADER_FRAGMENT, false, 120), "ftransform", {}), nullptr);
  EXPECT_EQ(find(state(SHC_SHADER_VERTEX, true, 100), "ftransform", {}), nullptr);

  // Bias: projective lookups take it in any stage, plain ones only in fragments.
  glsl_parse_state *vertex130 = state(SHC_SHADER_VERTEX, false, 130);
  EXPECT_NE(find(vertex130, "textureProj", {"sampler2D", "vec3", "float"}), nullptr);
  EXPECT_EQ(find(vertex130, "texture", {"sampler2D", "vec2", "float"}), nullptr);
  EXPECT_NE(find(state(SHC_SHADER_FRAGMENT, false, 130), "texture", {"sampler2D", "vec2", "float"}),
            nullptr);

  glsl_parse_state *es_fragment = state(SHC_SHADER_FRAGMENT, true, 100);
  glsl_parse_state *es_vertex = state(SHC_SHADER_VERTEX, true, 100);
  EXPECT_NE(find(es_fragment, "texture2D", {"sampler2D", "vec2"}), nullptr);
  EXPECT_NE(find(es_fragment, "textureCube", {"samplerCube", "vec3"}), nullptr);
  EXPECT_EQ(find(es_fragment, "texture2DLod", {"sampler2D", "vec2", "float"}), nullptr);
  EXPECT_NE(find(es_vertex, "texture2DLod", {"sampler2D", "vec2", "float"}), nullptr);
  EXPECT_EQ(find(es_fragment, "texture2DLodEXT", {"sampler2D", "vec2", "float"}), nullptr);
  es_fragment->EXT_shader_texture_lod_enable = true;
  es_vertex->EXT_shader_texture_lod_enable = true;
  EXPECT_NE(find(es_fragment, "texture2DLodEXT", {"sampler2D", "vec2", "float"}), nullptr);
  EXPECT_EQ(find(es_vertex, "texture2DLodEXT", {"sampler2D", "vec2", "float"}), nullptr);
}

TEST_F(BuiltinLibraryTest, ResolutionPicksTheOverloadTheArgumentsMean) {
  glsl_parse_state *es = state(SHC_SHADER_FRAGMENT, true, 100);
  ir_function_signature *less = find(es, "lessThan", {"float", "float"});
  ASSERT_NE(less, nullptr);
  EXPECT_EQ(less->return_type, glsl_type::bool_type);
  ir_function_signature *equal = find(es, "equal", {"bool", "bool"});
  ASSERT_NE(equal, nullptr);
  EXPECT_EQ(equal->return_type, glsl_type::bool_type);
  ir_function_signature *mix = find(es, "mix", {"vec3", "vec3", "float"});
  ASSERT_NE(mix, nullptr);
  EXPECT_EQ(mix->return_type, glsl_type::vec3_type);

  // In desktop 4.00 only the overload with a function-in offset remains.
  glsl_parse_state *gl400 = state(SHC_SHADER_FRAGMENT, false, 400);
  ir_function_signature *gather = find(gl400, "textureGatherOffset", {"sampler2D", "vec2", "ivec2"});
  ASSERT_NE(gather, nullptr);
  auto *offset = static_cast<ir_variable *>(gather->parameters.get_tail());
  EXPECT_EQ(offset->data.mode, ir_var_function_in);
  glsl_parse_state *gather_only = state(SHC_SHADER_FRAGMENT, false, 130);
  gather_only->ARB_texture_gather_enable = true;
  gather = find(gather_only, "textureGatherOffset", {"sampler2D", "vec2", "ivec2"});
  ASSERT_NE(gather, nullptr);
  offset = static_cast<ir_variable *>(gather->parameters.get_tail());
  EXPECT_EQ(offset->data.mode, ir_var_const_in);
}

TEST_F(BuiltinLibraryTest, TextureSignaturesHaveTheirParametersAndNodes) {
  glsl_parse_state *gl150 = state(SHC_SHADER_FRAGMENT, false, 150);
  ir_function_signature *rect = find(gl150, "textureSize", {"sampler2DRect"});
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(parameter_names(rect), (std::vector<std::string>{"sampler"}));
  ir_function_signature *plain = find(gl150, "textureSize", {"sampler2D", "int"});
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(parameter_names(plain), (std::vector<std::string>{"sampler", "lod"}));

  ir_function_signature *fetch = find(gl150, "texelFetch", {"sampler2DMS", "ivec2", "int"});
  ASSERT_NE(fetch, nullptr);
  EXPECT_EQ(parameter_names(fetch), (std::vector<std::string>{"sampler", "P", "sample"}));
  auto *ret = static_cast<ir_return *>(fetch->body.get_tail());
  ASSERT_EQ(ret->ir_type, ir_type_return);
  ASSERT_NE(ret->value->as_texture(), nullptr);
  EXPECT_EQ(ret->value->as_texture()->op, ir_txf_ms);

  ir_function_signature *grad = find(gl150, "textureGradOffset",
                                     {"sampler2DArray", "vec3", "vec2", "vec2", "ivec2"});
  ASSERT_NE(grad, nullptr);
  EXPECT_EQ(parameter_names(grad),
            (std::vector<std::string>{"sampler", "P", "dPdx", "dPdy", "offset"}));

  // The cube-array shadow lookup takes its reference value separately.
  std::vector<ir_function_signature *> texture = signatures("texture");
  ir_function_signature *cube_array_shadow = nullptr;
  for (ir_function_signature *sig : texture)
    if (parameter_names(sig).size() == 3 && parameter_names(sig)[2] == "compare")
      cube_array_shadow = sig;
  ASSERT_NE(cube_array_shadow, nullptr);
  EXPECT_EQ(cube_array_shadow->return_type, glsl_type::float_type);

  // Legacy shadow lookups return vec4, the ES extension's float.
  EXPECT_EQ(signatures("shadow2D")[0]->return_type, glsl_type::vec4_type);
  EXPECT_EQ(signatures("shadow2DEXT")[0]->return_type, glsl_type::float_type);
  EXPECT_EQ(signatures("textureGather").back()->return_type, glsl_type::vec4_type);
}

// Finds bodies that later passes could not take: values of a type other
// than the signature returns, missing operands, writes of the wrong size,
// and references to variables the body neither receives nor declares.
class body_checker : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
   using ir_hierarchical_visitor::visit_enter;
  body_checker(ir_function_signature *sig, std::string where) : sig(sig), where(std::move(where)) {
    foreach_in_list(ir_variable, p, &sig->parameters) known.insert(p);
    ir_symbol_lookup(builtin_function_shader()->symbols, "gl_ModelViewProjectionMatrix");
    ir_symbol_lookup(builtin_function_shader()->symbols, "gl_Vertex");
  }
  ir_visitor_status visit(ir_variable *var) override {
    known.insert(var);
    return visit_continue;
  }
  ir_visitor_status visit(ir_dereference_variable *d) override {
    EXPECT_TRUE(known.count(d->var)) << where << ": undeclared " << d->var->name;
    return visit_continue;
  }
  ir_visitor_status visit_enter(ir_expression *e) override {
    EXPECT_FALSE(e->type->is_error()) << where;
    for (unsigned i = 0; i < e->get_num_operands(); i++)
      if (e->operands[i] == nullptr) {
        ADD_FAILURE() << where << ": operand " << i << " of " << e->operator_string() << " missing";
        return visit_continue_with_parent;
      }
    return visit_continue;
  }
  ir_visitor_status visit_enter(ir_texture *t) override {
    bool complete = t->sampler != nullptr;
    if (ir_texture::num_lod_operands(t->op) >= 1) complete = complete && t->lod_info.lod != nullptr;
    if (ir_texture::num_lod_operands(t->op) == 2) complete = complete && t->lod_info.grad.dPdy != nullptr;
    EXPECT_TRUE(complete) << where << ": texture operands missing";
    return complete ? visit_continue : visit_continue_with_parent;
  }
  ir_visitor_status visit_enter(ir_assignment *a) override {
    unsigned written = 0;
    for (unsigned m = a->write_mask; m != 0; m >>= 1) written += m & 1;
    EXPECT_GT(written, 0u) << where;
    EXPECT_EQ(a->rhs->type->base_type, a->lhs->type->base_type) << where;
    EXPECT_EQ(a->rhs->type->components(), a->rhs->type->is_matrix() ? a->lhs->type->components()
                                                                     : written)
        << where;
    return visit_continue;
  }
  ir_visitor_status visit_enter(ir_return *r) override {
    if (r->value == nullptr)
      EXPECT_TRUE(sig->return_type->is_void()) << where;
    else
      EXPECT_EQ(r->value->type, sig->return_type) << where << ": returns " << r->value->type->name;
    return visit_continue;
  }

 private:
  void ir_symbol_lookup(glsl_symbol_table *symbols, const char *name) {
    known.insert(symbols->get_variable(name));
  }
  ir_function_signature *sig;
  std::string where;
  std::set<const ir_variable *> known;
};

TEST_F(BuiltinLibraryTest, EveryBodyIsWellFormed) {
  for (const char *name : kNames) {
    unsigned index = 0;
    for (ir_function_signature *sig : signatures(name)) {
      body_checker checker(sig, std::string(name) + " #" + std::to_string(index++));
      checker.run(&sig->body);
    }
  }
}

TEST_F(BuiltinLibraryTest, ImageFunctionsCoverEveryImageType) {
  std::vector<ir_function_signature *> load = signatures("imageLoad");
  ASSERT_EQ(load.size(), 33u);
  std::vector<ir_function_signature *> ms;
  for (ir_function_signature *sig : signatures("imageAtomicCompSwap")) {
    auto *image = static_cast<ir_variable *>(sig->parameters.get_head());
    EXPECT_NE(image->type->sampler_type, GLSL_TYPE_FLOAT);
    EXPECT_TRUE(image->data.image_coherent && image->data.image_volatile &&
                image->data.image_restrict);
    if (image->type->sampler_dimensionality == GLSL_SAMPLER_DIM_MS) ms.push_back(sig);
  }
  ASSERT_EQ(ms.size(), 4u);
  EXPECT_EQ(parameter_names(ms[0]),
            (std::vector<std::string>{"image", "coord", "sample", "arg0", "arg1"}));
  auto *image = static_cast<ir_variable *>(load[0]->parameters.get_head());
  EXPECT_TRUE(image->data.image_read_only);
  // The GLSL form forwards to the intrinsic of the same row.
  foreach_in_list(ir_instruction, ir, &load[0]->body) {
    if (ir_call *call = ir->as_call()) {
      EXPECT_STREQ(call->callee_name(), "__intrinsic_image_load");
      EXPECT_TRUE(call->callee->is_intrinsic);
      EXPECT_NE(call->return_deref, nullptr);
    }
  }
  ir_function_signature *barrier = signatures("memoryBarrier")[0];
  ir_call *call = static_cast<ir_instruction *>(barrier->body.get_head())->as_call();
  ASSERT_NE(call, nullptr);
  EXPECT_STREQ(call->callee_name(), "__intrinsic_memory_barrier");
}

}  // namespace
