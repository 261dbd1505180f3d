// The built-in variables and constants of GLSL ES 1.00 and GLSL 1.10/1.20,
// typed as the published specifications declare them, with the constants'
// values taken from the context's limits. They enter the symbol table's
// outermost scope; a variable reaches the IR (declared at the head of the
// shader) when the shader first refers to it.
#include <cstring>
#include <string>

#include "shadercompiler/frontend/ast_to_hir.h"
#include "shadercompiler/frontend/glsl_extensions.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace {

constexpr unsigned kDeclaredImplicitly = 1;

class builtins {
 public:
  explicit builtins(glsl_parse_state *state) : state_(state), mem_(ir_pool(state)) {}

  ir_variable *add(const char *name, const glsl_type *type, ir_variable_mode mode,
                   glsl_precision es_precision = glsl_precision_undefined) {
    auto *var = new (mem_) ir_variable(type, name, mode,
                                       state_->is_es ? es_precision : glsl_precision_undefined);
    var->data.how_declared = kDeclaredImplicitly;
    var->data.read_only = mode == ir_var_shader_in || mode == ir_var_uniform ||
                          mode == ir_var_system_value;
    hir_state(state_)->builtins[name] = var;
    return var;
  }

  void constant(const char *name, unsigned value) {
    ir_variable *var = add(name, glsl_type::int_type, ir_var_auto, glsl_precision_medium);
    var->data.read_only = 1;
    var->constant_value = new (mem_) ir_constant(static_cast<int>(value));
    var->constant_initializer = new (mem_) ir_constant(static_cast<int>(value));
  }

  const glsl_type *array(const glsl_type *element, unsigned length) {
    return glsl_type::get_array_instance(element, length);
  }
  const glsl_type *record(const char *name) { return glsl_type::builtin_by_name(name); }

 private:
  glsl_parse_state *state_;
  void *mem_;
};

void add_es_constants(builtins &b, const gl_constants &c) {
  b.constant("gl_MaxVertexAttribs", c.Program[SHC_SHADER_VERTEX].MaxAttribs);
  b.constant("gl_MaxVertexUniformVectors", c.Program[SHC_SHADER_VERTEX].MaxUniformComponents / 4);
  b.constant("gl_MaxVaryingVectors", c.MaxVarying);
  b.constant("gl_MaxVertexTextureImageUnits", c.Program[SHC_SHADER_VERTEX].MaxTextureImageUnits);
  b.constant("gl_MaxCombinedTextureImageUnits", c.MaxCombinedTextureImageUnits);
  b.constant("gl_MaxTextureImageUnits", c.Program[SHC_SHADER_FRAGMENT].MaxTextureImageUnits);
  b.constant("gl_MaxFragmentUniformVectors",
             c.Program[SHC_SHADER_FRAGMENT].MaxUniformComponents / 4);
  b.constant("gl_MaxDrawBuffers", c.MaxDrawBuffers);
}

void add_desktop_constants(builtins &b, const gl_constants &c) {
  b.constant("gl_MaxLights", c.MaxLights);
  b.constant("gl_MaxClipPlanes", c.MaxClipPlanes);
  b.constant("gl_MaxTextureUnits", c.MaxTextureUnits);
  b.constant("gl_MaxTextureCoords", c.MaxTextureCoordUnits);
  b.constant("gl_MaxVertexAttribs", c.Program[SHC_SHADER_VERTEX].MaxAttribs);
  b.constant("gl_MaxVertexUniformComponents", c.Program[SHC_SHADER_VERTEX].MaxUniformComponents);
  b.constant("gl_MaxVaryingFloats", c.MaxVarying * 4);
  b.constant("gl_MaxVertexTextureImageUnits", c.Program[SHC_SHADER_VERTEX].MaxTextureImageUnits);
  b.constant("gl_MaxCombinedTextureImageUnits", c.MaxCombinedTextureImageUnits);
  b.constant("gl_MaxTextureImageUnits", c.Program[SHC_SHADER_FRAGMENT].MaxTextureImageUnits);
  b.constant("gl_MaxFragmentUniformComponents",
             c.Program[SHC_SHADER_FRAGMENT].MaxUniformComponents);
  b.constant("gl_MaxDrawBuffers", c.MaxDrawBuffers);
}

// The fixed-function state of GLSL 1.10 and 1.20 (section 7.5 of both).
void add_desktop_state(builtins &b, const gl_constants &c) {
  const glsl_type *mat4 = glsl_type::mat4_type, *vec4 = glsl_type::vec4_type;
  const unsigned coords = c.MaxTextureCoordUnits;
  for (const char *suffix : {"", "Inverse", "Transpose", "InverseTranspose"}) {
    const std::string s = suffix;
    b.add(("gl_ModelViewMatrix" + s).c_str(), mat4, ir_var_uniform);
    b.add(("gl_ProjectionMatrix" + s).c_str(), mat4, ir_var_uniform);
    b.add(("gl_ModelViewProjectionMatrix" + s).c_str(), mat4, ir_var_uniform);
    b.add(("gl_TextureMatrix" + s).c_str(), b.array(mat4, coords), ir_var_uniform);
  }
  b.add("gl_NormalMatrix", glsl_type::mat3_type, ir_var_uniform);
  b.add("gl_NormalScale", glsl_type::float_type, ir_var_uniform);
  b.add("gl_ClipPlane", b.array(vec4, c.MaxClipPlanes), ir_var_uniform);
  b.add("gl_Point", b.record("gl_PointParameters"), ir_var_uniform);
  b.add("gl_FrontMaterial", b.record("gl_MaterialParameters"), ir_var_uniform);
  b.add("gl_BackMaterial", b.record("gl_MaterialParameters"), ir_var_uniform);
  b.add("gl_LightSource", b.array(b.record("gl_LightSourceParameters"), c.MaxLights),
        ir_var_uniform);
  b.add("gl_LightModel", b.record("gl_LightModelParameters"), ir_var_uniform);
  b.add("gl_FrontLightModelProduct", b.record("gl_LightModelProducts"), ir_var_uniform);
  b.add("gl_BackLightModelProduct", b.record("gl_LightModelProducts"), ir_var_uniform);
  b.add("gl_FrontLightProduct", b.array(b.record("gl_LightProducts"), c.MaxLights), ir_var_uniform);
  b.add("gl_BackLightProduct", b.array(b.record("gl_LightProducts"), c.MaxLights), ir_var_uniform);
  b.add("gl_TextureEnvColor", b.array(vec4, c.MaxTextureUnits), ir_var_uniform);
  for (const char *plane : {"gl_EyePlaneS", "gl_EyePlaneT", "gl_EyePlaneR", "gl_EyePlaneQ",
                            "gl_ObjectPlaneS", "gl_ObjectPlaneT", "gl_ObjectPlaneR",
                            "gl_ObjectPlaneQ"})
    b.add(plane, b.array(vec4, coords), ir_var_uniform);
  b.add("gl_Fog", b.record("gl_FogParameters"), ir_var_uniform);
}

}  // namespace

void add_builtin_variables(glsl_parse_state *state) {
  builtins b(state);
  const gl_constants &c = state->ctx->Const;
  const bool es = state->is_es;
  const bool vertex = state->shader_stage == SHC_SHADER_VERTEX;
  const glsl_type *vec4 = glsl_type::vec4_type;

  if (es) add_es_constants(b, c);
  else add_desktop_constants(b, c);
  b.add("gl_DepthRange", b.record("gl_DepthRangeParameters"), ir_var_uniform);
  if (!es) add_desktop_state(b, c);

  if (vertex) {
    b.add("gl_Position", vec4, ir_var_shader_out, glsl_precision_high);
    b.add("gl_PointSize", glsl_type::float_type, ir_var_shader_out, glsl_precision_medium);
    if (es) return;
    b.add("gl_ClipVertex", vec4, ir_var_shader_out);
    for (const char *name : {"gl_Color", "gl_SecondaryColor", "gl_Vertex"})
      b.add(name, vec4, ir_var_shader_in);
    b.add("gl_Normal", glsl_type::vec3_type, ir_var_shader_in);
    for (int i = 0; i < 8; i++)
      b.add(("gl_MultiTexCoord" + std::to_string(i)).c_str(), vec4, ir_var_shader_in);
    b.add("gl_FogCoord", glsl_type::float_type, ir_var_shader_in);
    for (const char *name : {"gl_FrontColor", "gl_BackColor", "gl_FrontSecondaryColor",
                             "gl_BackSecondaryColor"})
      b.add(name, vec4, ir_var_shader_out);
    b.add("gl_TexCoord", b.array(vec4, 0), ir_var_shader_out);
    b.add("gl_FogFragCoord", glsl_type::float_type, ir_var_shader_out);
    return;
  }
  b.add("gl_FragCoord", vec4, ir_var_shader_in, glsl_precision_medium);
  b.add("gl_FrontFacing", glsl_type::bool_type, ir_var_shader_in);
  b.add("gl_FragColor", vec4, ir_var_shader_out, glsl_precision_medium);
  b.add("gl_FragData", b.array(vec4, c.MaxDrawBuffers), ir_var_shader_out, glsl_precision_medium);
  if (es || state->glsl_version >= 120)
    b.add("gl_PointCoord", glsl_type::vec2_type, ir_var_shader_in, glsl_precision_medium);
  if (es) return;
  b.add("gl_FragDepth", glsl_type::float_type, ir_var_shader_out);
  b.add("gl_Color", vec4, ir_var_shader_in);
  b.add("gl_SecondaryColor", vec4, ir_var_shader_in);
  b.add("gl_TexCoord", b.array(vec4, 0), ir_var_shader_in);
  b.add("gl_FogFragCoord", glsl_type::float_type, ir_var_shader_in);
}

ir_variable *find_variable(glsl_parse_state *state, const char *name) {
  glsl_symbol_table *symbols = state->symbols;
  if (ir_variable *var = symbols->get_variable(name)) return var;
  if (symbols->get_function(name) != nullptr || symbols->get_type(name) != nullptr) return nullptr;
  const auto &builtins = hir_state(state)->builtins;
  auto it = builtins.find(name);
  return it == builtins.end() ? nullptr : it->second;
}

void declare_builtin_if_needed(ir_variable *var, glsl_parse_state *state) {
  // A variable that is in no list yet is a built-in met for the first time.
  if (var->next != nullptr || var->data.how_declared != kDeclaredImplicitly) return;
  hir_state(state)->toplevel->push_head(var);
}

void apply_invariant_all(exec_list *instructions, glsl_parse_state *state) {
  if (!state->all_invariant) return;
  foreach_in_list(ir_instruction, ir, instructions) {
    if (ir_variable *var = ir->as_variable(); var != nullptr && var->data.mode == ir_var_shader_out)
      var->data.invariant = 1;
  }
}

void warn_extension_use(const char *what, bool glsl_parse_state::*enable,
                        const glsl_source_location &location, glsl_parse_state *state) {
  const auto table = glsl_extension_table();
  for (size_t i = 0; i < table.size(); i++) {
    if (table[i].enable != enable || !(state->extension_warn_mask & (1u << i))) continue;
    glsl_warning(&location, state, "'%s' uses the extension %s", what, table[i].name);
  }
}
