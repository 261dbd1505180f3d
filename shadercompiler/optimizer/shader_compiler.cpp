#include "shadercompiler/optimizer/shader_compiler.h"

#include <memory>
#include <mutex>

#include "shadercompiler/frontend/glsl_compiler.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/optimizer/ir_optimization.h"
#include "shadercompiler/optimizer/ir_print_glsl.h"
#include "shadercompiler/optimizer/metal_conversion.h"

struct shc_ctx {
  gl_context gl;
  bool invert_texcoord_y;
};

namespace {

// The front end's caches are built lazily without locks, and contexts on
// several threads convert at once.
std::mutex &compiler_lock() {
  static std::mutex lock;
  return lock;
}

struct shader_deleter {
  void operator()(gl_shader *shader) const { ralloc_free(shader); }
};

void append_line(std::string *log, const std::string &line) {
  if (!log->empty() && log->back() != '\n') *log += '\n';
  *log += line;
  *log += '\n';
}

}  // namespace

shc_ctx *shc_create_context(bool invert_texcoord_y) {
  auto *ctx = new shc_ctx;
  initialize_context_defaults(&ctx->gl, 0);
  gl_constants &c = ctx->gl.Const;
  c.Program[SHC_SHADER_VERTEX].MaxAttribs = 16;
  c.Program[SHC_SHADER_VERTEX].MaxTextureImageUnits = 16;
  c.Program[SHC_SHADER_FRAGMENT].MaxTextureImageUnits = 16;
  c.MaxCombinedTextureImageUnits = 32;
  c.Program[SHC_SHADER_VERTEX].MaxUniformComponents = 512 * 4;
  c.Program[SHC_SHADER_FRAGMENT].MaxUniformComponents = 512 * 4;
  c.MaxVarying = 16;
  c.Program[SHC_SHADER_VERTEX].MaxOutputComponents = 16 * 4;
  c.Program[SHC_SHADER_FRAGMENT].MaxInputComponents = 16 * 4;
  ctx->invert_texcoord_y = invert_texcoord_y;
  return ctx;
}

void shc_destroy_context(shc_ctx *ctx) { delete ctx; }

void shc_set_invert_texcoord_y(shc_ctx *ctx, bool invert) { ctx->invert_texcoord_y = invert; }

const gl_context *shc_gl_context(const shc_ctx *ctx) { return &ctx->gl; }

bool shc_convert(shc_ctx *ctx, gl_shader_stage stage, const char *text, unsigned first_line,
                 const char *function_name, shc_result *result) {
  *result = shc_result{};
  if (stage != SHC_SHADER_VERTEX && stage != SHC_SHADER_FRAGMENT) {
    append_line(&result->log, "error: only vertex and fragment shaders convert to Metal");
    return false;
  }
  std::lock_guard<std::mutex> hold(compiler_lock());
  const uint32_t type = stage == SHC_SHADER_VERTEX ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER;
  std::unique_ptr<gl_shader, shader_deleter> shader(new_gl_shader(nullptr, 0, type));
  if (shader == nullptr) {
    append_line(&result->log, "error: out of memory");
    return false;
  }
  const bool compiled = glsl_compile_shader(&ctx->gl, shader.get(), text, first_line);
  result->log = shader->InfoLog != nullptr ? shader->InfoLog : "";
  if (!compiled) return false;

  exec_list *ir = shader->ir;
  std::string error;
  if (!optimize_shader(ir, &error)) {
    append_line(&result->log, "error: " + error);
    return false;
  }
  glsl_print_options glsl;
  glsl.version = shader->Version;
  glsl.is_es = shader->IsES;
  glsl.stage = stage;
  result->glsl = ir_print_glsl(ir, glsl);

  apply_metal_rewrites(ir, stage, ctx->invert_texcoord_y);
  optimize_to_fixed_point(ir);
  const std::vector<std::string> refusals = metal_refusals(ir, stage);
  for (const std::string &r : refusals) append_line(&result->log, "error: " + r);
  if (!refusals.empty()) return false;
  lower_for_metal(ir, stage);
  metal_print_options metal;
  metal.stage = stage;
  if (function_name != nullptr) metal.function_name = function_name;
  result->metal = ir_print_metal(ir, metal);
  result->status = true;
  return true;
}

void shc_release_caches() {
  std::lock_guard<std::mutex> hold(compiler_lock());
  glsl_release_compiler_caches();
}
