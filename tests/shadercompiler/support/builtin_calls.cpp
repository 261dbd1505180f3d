#include "builtin_calls.h"

#include <sstream>

namespace shctest {

std::string builtin_prototype(const char *name, const ir_function_signature *sig) {
  std::string text = std::string(name) + "(";
  bool first = true;
  foreach_in_list(ir_variable, p, const_cast<exec_list *>(&sig->parameters)) {
    text += (first ? "" : ", ") + std::string(p->type->name);
    first = false;
  }
  return text + ")";
}

std::string constant_of(const glsl_type *type) {
  if (type->is_array()) {
    std::string text = std::string(type->fields.array->name) + "[" + std::to_string(type->length) + "](";
    for (unsigned i = 0; i < type->length; i++) text += (i ? ", " : "") + constant_of(type->fields.array);
    return text + ")";
  }
  if (type->is_scalar()) return type->base_type == GLSL_TYPE_UINT ? "0u" : "0";
  return std::string(type->name) + "(0)";
}

std::string one_call_shader(const char *name, const ir_function_signature *sig, unsigned version,
                            bool es, gl_shader_stage stage, const std::vector<const char *> &extensions) {
  std::ostringstream declarations, locals, call;
  declarations << "#version " << version << "\n";
  for (const char *e : extensions) declarations << "#extension " << e << " : enable\n";
  if (es) declarations << "precision mediump float;\nprecision mediump int;\n";
  unsigned index = 0;
  call << name << "(";
  foreach_in_list(ir_variable, p, const_cast<exec_list *>(&sig->parameters)) {
    const std::string argument = "a" + std::to_string(index);
    if (index++ > 0) call << ", ";
    if (p->data.mode == ir_var_const_in) {
      call << constant_of(p->type);
      continue;
    }
    if (p->type->contains_opaque())
      // ES gives only some samplers a default precision.
      declarations << "uniform " << (es ? "mediump " : "") << p->type->name << " " << argument << ";\n";
    else
      locals << "  " << p->type->name << " " << argument << ";\n";
    call << argument;
  }
  call << ")";
  std::ostringstream shader;
  shader << declarations.str() << "void main() {\n" << locals.str();
  if (sig->return_type->is_void()) shader << "  " << call.str() << ";\n";
  else shader << "  " << sig->return_type->name << " r = " << call.str() << ";\n";
  shader << (stage == SHC_SHADER_VERTEX ? "  gl_Position = vec4(0.0);\n" : "  gl_FragColor = vec4(0.0);\n")
         << "}\n";
  return shader.str();
}

}  // namespace shctest
